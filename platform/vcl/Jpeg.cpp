#include "platform/vcl/Jpeg.h"

#include <jerror.h>
#include <jpeglib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/gdi/BmpFile.h"
#include "platform/kernel/UnitTable.h"
#include "platform/vcl/GraphicsPicture.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

// Decoding refuses images larger than this many pixels, so a forged header
// cannot ask for gigabytes.
constexpr int64_t kMaxPixels = int64_t{1} << 26;

// The library reports fatal errors by calling error_exit, which must not
// return: it jumps back to the setjmp of the call in progress. Only C frames
// lie between, and every C++ object of the jumping function is declared
// before its setjmp.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  int code = 0;
};

extern "C" void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  err->code = cinfo->err->msg_code;
  std::longjmp(err->jump, 1);
}

// Warnings (corrupt but readable data) are not errors here.
extern "C" void SilentMessage(j_common_ptr) {}

void InitErrors(ErrorManager& err) {
  jpeg_std_error(&err.pub);
  err.pub.error_exit = ErrorExit;
  err.pub.output_message = SilentMessage;
}

[[noreturn]] void RaiseJpeg(int code) { throw EJPEG(Format("JPEG error #%d", {code})); }

struct Decoded {
  int width = 0;
  int height = 0;
  int components = 0;
  std::vector<uint8_t> pixels;  // top-down rows, BGR or grey, packed
};

// 0, or the library's message code. With header_only, fills only the size.
int Decode(const std::vector<uint8_t>& data, bool grayscale, bool header_only, Decoded& out) {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  InitErrors(err);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return err.code;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  out.width = static_cast<int>(cinfo.image_width);
  out.height = static_cast<int>(cinfo.image_height);
  if (static_cast<int64_t>(out.width) * out.height > kMaxPixels) {
    jpeg_destroy_decompress(&cinfo);
    return JERR_IMAGE_TOO_BIG;
  }
  if (header_only) {
    jpeg_destroy_decompress(&cinfo);
    return 0;
  }
  cinfo.out_color_space = grayscale || cinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_start_decompress(&cinfo);
  out.components = cinfo.output_components;
  size_t stride = static_cast<size_t>(cinfo.output_width) * static_cast<size_t>(cinfo.output_components);
  out.pixels.resize(stride * cinfo.output_height);
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW row = out.pixels.data() + stride * cinfo.output_scanline;
    jpeg_read_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return 0;
}

struct MemoryDest {
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
};

// `rows`: top-down, `components` bytes per pixel (3: BGR, 1: grey).
int Encode(const uint8_t* rows, int width, int height, int components, int quality,
           std::vector<uint8_t>& out) {
  jpeg_compress_struct cinfo;
  ErrorManager err;
  MemoryDest dest;
  InitErrors(err);
  cinfo.err = &err.pub;
  if (setjmp(err.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(dest.buffer);
    return err.code;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &dest.buffer, &dest.size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  size_t stride = static_cast<size_t>(width) * static_cast<size_t>(components);
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW row = const_cast<uint8_t*>(rows + stride * cinfo.next_scanline);
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  out.assign(dest.buffer, dest.buffer + dest.size);
  std::free(dest.buffer);
  return 0;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TJPEGImage)

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(const TPersistent* source) {
  if (source == nullptr) {
    data_.clear();
    bitmap_.reset();
    from_bitmap_ = false;
    width_ = height_ = 0;
    Changed(this);
  } else if (auto* jpeg = dynamic_cast<const TJPEGImage*>(source)) {
    if (jpeg == this) return;
    data_ = jpeg->data_;
    bitmap_.reset();
    if (jpeg->bitmap_) {
      bitmap_ = std::make_unique<TBitmap>();
      bitmap_->Assign(jpeg->bitmap_.get());
    }
    from_bitmap_ = jpeg->from_bitmap_;
    width_ = jpeg->width_;
    height_ = jpeg->height_;
    quality_ = jpeg->quality_;
    grayscale_ = jpeg->grayscale_;
    performance_ = jpeg->performance_;
    Changed(this);
  } else if (auto* bitmap = dynamic_cast<const TBitmap*>(source)) {
    auto copy = std::make_unique<TBitmap>();
    copy->Assign(bitmap);
    bitmap_ = std::move(copy);
    data_.clear();
    from_bitmap_ = true;
    width_ = bitmap_->Width();
    height_ = bitmap_->Height();
    Changed(this);
  } else {
    TGraphic::Assign(source);
  }
}

void TJPEGImage::AssignTo(TPersistent* dest) const {
  if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
    auto* self = const_cast<TJPEGImage*>(this);
    self->DIBNeeded();
    bitmap->Assign(self->bitmap_.get());
    return;
  }
  TGraphic::AssignTo(dest);
}

void TJPEGImage::SetWidth(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }
void TJPEGImage::SetHeight(int) { throw EInvalidGraphicOperation("Cannot change the size of a JPEG image"); }

void TJPEGImage::SetCompressionQuality(int value) {
  value = std::clamp(value, 1, 100);
  if (value == quality_) return;
  quality_ = value;
  // Compressed data made from our own bitmap is redone at the new quality;
  // a loaded file is not recompressed behind the caller's back.
  if (from_bitmap_) data_.clear();
}

void TJPEGImage::SetGrayscale(bool value) {
  if (value == grayscale_) return;
  grayscale_ = value;
  if (from_bitmap_)
    data_.clear();
  else
    bitmap_.reset();
  Changed(this);
}

TBitmap* TJPEGImage::Bitmap() {
  DIBNeeded();
  return bitmap_.get();
}

void TJPEGImage::DIBNeeded() {
  if (bitmap_ || data_.empty()) return;
  Decoded image;
  if (int code = Decode(data_, grayscale_, false, image); code != 0) RaiseJpeg(code);
  auto bitmap = std::make_unique<TBitmap>();
  if (image.components == 1) {
    bitmap->SetPixelFormat(pf8bit);
    std::vector<uint8_t> buffer(sizeof(plat::LOGPALETTE) + 256 * sizeof(plat::PALETTEENTRY));
    auto* lp = reinterpret_cast<plat::LOGPALETTE*>(buffer.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
      auto v = static_cast<plat::BYTE>(i);
      lp->palPalEntry[i] = plat::PALETTEENTRY{v, v, v, 0};
    }
    bitmap->SetSize(image.width, image.height);
    bitmap->SetPalette(plat::CreatePalette(lp));
  } else {
    bitmap->SetPixelFormat(pf24bit);
    bitmap->SetSize(image.width, image.height);
  }
  size_t stride = static_cast<size_t>(image.width) * static_cast<size_t>(image.components);
  for (int y = 0; y < image.height; ++y)
    std::memcpy(bitmap->ScanLine(y), image.pixels.data() + stride * static_cast<size_t>(y), stride);
  bitmap_ = std::move(bitmap);
}

void TJPEGImage::JPEGNeeded() {
  if (data_.empty()) Compress();
}

void TJPEGImage::Compress() {
  if (!bitmap_ || bitmap_->Empty()) return;
  plat::DibImage dib;
  if (!plat::DibFromBitmap(bitmap_->Handle(), 24, &dib)) throw EInvalidGraphic("Bitmap image is not valid");
  int w = dib.Width(), h = dib.Height();
  bool bottom_up = dib.header.biHeight > 0;
  int components = grayscale_ ? 1 : 3;
  std::vector<uint8_t> rows(static_cast<size_t>(w) * static_cast<size_t>(h) *
                            static_cast<size_t>(components));
  for (int y = 0; y < h; ++y) {
    const uint8_t* src = dib.bits.data() + static_cast<size_t>(bottom_up ? h - 1 - y : y) * dib.Stride();
    uint8_t* dst = rows.data() + static_cast<size_t>(y) * w * components;
    if (components == 3) {
      std::memcpy(dst, src, static_cast<size_t>(w) * 3);
    } else {
      for (int x = 0; x < w; ++x) {
        const uint8_t* p = src + x * 3;  // B, G, R
        dst[x] = static_cast<uint8_t>((p[0] * 29 + p[1] * 150 + p[2] * 77 + 128) >> 8);
      }
    }
  }
  std::vector<uint8_t> out;
  if (int code = Encode(rows.data(), w, h, components, quality_, out); code != 0) RaiseJpeg(code);
  data_ = std::move(out);
}

void TJPEGImage::ReadHeader() {
  Decoded header;
  if (int code = Decode(data_, grayscale_, true, header); code != 0) RaiseJpeg(code);
  width_ = header.width;
  height_ = header.height;
}

void TJPEGImage::LoadFromStream(TStream& stream) {
  int64_t count = stream.Size() - stream.Position();
  std::vector<uint8_t> data(static_cast<size_t>(std::max<int64_t>(count, 0)));
  stream.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
  Decoded header;
  if (int code = Decode(data, grayscale_, true, header); code != 0) RaiseJpeg(code);
  data_ = std::move(data);
  bitmap_.reset();
  from_bitmap_ = false;
  width_ = header.width;
  height_ = header.height;
  Changed(this);
}

void TJPEGImage::SaveToStream(TStream& stream) {
  JPEGNeeded();
  stream.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TJPEGImage::ReadData(TStream& stream) {
  int32_t size = 0;
  stream.ReadBuffer(&size, sizeof(size));
  if (size < 0 || size > stream.Size() - stream.Position()) RaiseJpeg(JERR_INPUT_EOF);
  if (size == 0) {
    Assign(nullptr);
    return;
  }
  TMemoryStream part;
  part.CopyFrom(stream, size);
  part.SetPosition(0);
  LoadFromStream(part);
}

void TJPEGImage::WriteData(TStream& stream) {
  JPEGNeeded();
  int32_t size = static_cast<int32_t>(data_.size());
  stream.WriteBuffer(&size, sizeof(size));
  stream.WriteBuffer(data_.data(), size);
}

void TJPEGImage::Draw(TCanvas* canvas, const TRect& rect) {
  DIBNeeded();
  if (bitmap_) canvas->StretchDraw(rect, bitmap_.get());
}

void RegisterJpegFileFormat() {
  RegisterClass(TJPEGImage::StaticClass());
  TPicture::RegisterFileFormat("jpg", "JPEG Image File", TJPEGImage::StaticClass());
  TPicture::RegisterFileFormat("jpeg", "JPEG Image File", TJPEGImage::StaticClass());
}

void RegisterJpegUnit(plat::UnitTable& table) {
  table.Register("Jpeg", plat::rankPlatform + 50, RegisterJpegFileFormat,
                 [] { TPicture::UnregisterGraphicClass(TJPEGImage::StaticClass()); });
}

}  // namespace vcl
