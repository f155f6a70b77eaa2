#include "platform/vcl/GraphicsBitmap.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/Surface.h"
#include "platform/kernel/Resources.h"
#include "platform/vcl/GraphicsShared.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

using namespace plat;

VCL_IMPLEMENT_CLASS(TBitmapCanvas)

TBitmapCanvas::TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {
  // Drawing on the canvas changes the bitmap.
  OnChange = [bitmap](TObject* sender) { bitmap->Changed(sender); };
}

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle() {
  if (dc_ != nullptr) return;
  bitmap_->HandleNeeded();
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) throw EOutOfResources("Out of system resources");
  if (bitmap_->handle_ != nullptr) old_bitmap_ = SelectObject(dc, bitmap_->handle_);
  if (bitmap_->palette_ != nullptr) {
    old_palette_ = SelectPalette(dc, bitmap_->palette_, TRUE);
    RealizePalette(dc);
  }
  dc_ = dc;
  SetHandle(dc);
}

void TBitmapCanvas::FreeContext() {
  if (dc_ == nullptr) return;
  HDC dc = dc_;
  SetHandle(nullptr);
  if (old_bitmap_ != nullptr) SelectObject(dc, old_bitmap_);
  if (old_palette_ != nullptr) SelectPalette(dc, old_palette_, TRUE);
  DeleteDC(dc);
  dc_ = nullptr;
  old_bitmap_ = nullptr;
  old_palette_ = nullptr;
}

namespace {

int BitsOf(TPixelFormat format) {
  switch (format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    default:
      return 32;
  }
}

// A DIB section of the format; indexed formats take `colors` or the default table.
HBITMAP CreateDib(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors) {
  int bpp = BitsOf(format);
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *h = BITMAPINFOHEADER{};
  h->biWidth = width;
  h->biHeight = height;
  h->biBitCount = static_cast<WORD>(bpp);
  h->biCompression = BI_RGB;
  auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
  if (bpp <= 8) {
    std::vector<RGBQUAD> t = colors.empty() ? DefaultColorTable(bpp) : colors;
    t.resize(size_t{1} << bpp);
    std::copy(t.begin(), t.end(), table);
    h->biClrUsed = static_cast<DWORD>(t.size());
  } else if (format == pf16bit) {
    h->biCompression = BI_BITFIELDS;
    DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(table, masks, sizeof(masks));
  }
  void* bits = nullptr;
  return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr,
                          0);
}

struct BitmapShape {
  int width = 0, height = 0, bpp = 0;
  bool dib = false, mono = false;
  bool bitfields_565 = false;
};

BitmapShape ShapeOf(HBITMAP handle) {
  BitmapShape shape;
  DIBSECTION ds;
  int n = GetObject(handle, sizeof(ds), &ds);
  if (n == static_cast<int>(sizeof(DIBSECTION))) {
    shape.dib = true;
    shape.bitfields_565 = ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x07E0;
  } else if (n < static_cast<int>(sizeof(BITMAP))) {
    return shape;
  }
  shape.width = ds.dsBm.bmWidth;
  shape.height = ds.dsBm.bmHeight;
  shape.bpp = ds.dsBm.bmBitsPixel;
  shape.mono = !shape.dib && shape.bpp == 1;
  return shape;
}

TPixelFormat FormatOfBits(int bpp, bool bitfields_565) {
  switch (bpp) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      return bitfields_565 ? pf16bit : pf15bit;
    case 24:
      return pf24bit;
    case 32:
      return pf32bit;
    default:
      return pfCustom;
  }
}

std::vector<RGBQUAD> ColorTableOf(HDC dc, int bpp) {
  if (bpp > 8 || dc == nullptr) return {};
  std::vector<RGBQUAD> table(size_t{1} << bpp);
  UINT n = GetDIBColorTable(dc, 0, static_cast<UINT>(table.size()), table.data());
  table.resize(n);
  return table;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TBitmap)

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  FreeHandle();
  if (palette_ != nullptr) FreeGdiObject(palette_);
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

HDC TBitmap::SourceDC() {
  // Reading the pixels is no change, so this bypasses Handle's OnChanging.
  Canvas()->RequiredState({csHandleValid});
  return canvas_->dc_;
}

void TBitmap::HandleNeeded() {
  if (handle_ != nullptr || image_.empty()) return;
  // Back from Dormant: the image is the only copy.
  std::vector<uint8_t> image = std::move(image_);
  image_.clear();
  BmpReadResult read = ReadBmp(image.data(), image.size());
  if (!read.ok) return;
  handle_ = BitmapFromDib(read.image);
}

HBITMAP TBitmap::Handle() {
  HandleNeeded();
  return handle_;
}

void TBitmap::FreeHandle() {
  if (canvas_) canvas_->FreeContext();
  if (handle_ != nullptr) FreeGdiObject(handle_);
  handle_ = nullptr;
}

void TBitmap::AdoptHandle(HBITMAP handle) {
  if (canvas_) canvas_->FreeContext();
  image_.clear();
  if (handle_ != nullptr && handle_ != handle) FreeGdiObject(handle_);
  handle_ = handle;
  BitmapShape shape = handle != nullptr ? ShapeOf(handle) : BitmapShape{};
  width_ = shape.width;
  height_ = shape.height;
  handle_type_ = shape.dib ? bmDIB : bmDDB;
  monochrome_ = shape.mono;
  pixel_format_ = shape.dib ? FormatOfBits(shape.bpp, shape.bitfields_565) : pfDevice;
  if (palette_ != nullptr) {
    FreeGdiObject(palette_);
    palette_ = nullptr;
  }
}

void TBitmap::SetHandle(HBITMAP value) {
  if (value == handle_) return;
  AdoptHandle(value);
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  HandleNeeded();
  if (handle_ == nullptr) return nullptr;
  if (canvas_) canvas_->FreeContext();
  // Keep the image so the bitmap stays as it was.
  DibImage img;
  if (DibFromBitmap(handle_, 0, &img)) image_ = WriteBmp(img);
  HBITMAP h = handle_;
  handle_ = nullptr;
  return h;
}

void TBitmap::Rebuild(int width, int height, TPixelFormat format, TBitmapHandleType type, bool mono) {
  HandleNeeded();
  std::vector<RGBQUAD> colors;
  HDC old_dc = nullptr;
  if (handle_ != nullptr) {
    old_dc = SourceDC();
    if (type == bmDIB && format == pixel_format_ && handle_type_ == bmDIB)
      colors = ColorTableOf(old_dc, BitsOf(format));
  }
  if (colors.empty() && palette_ != nullptr && type == bmDIB && BitsOf(format) <= 8) {
    std::vector<PALETTEENTRY> entries(256);
    UINT n = GetPaletteEntries(palette_, 0, 256, entries.data());
    for (UINT i = 0; i < n; ++i)
      colors.push_back(RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
  }
  HBITMAP fresh = nullptr;
  if (width > 0 && height > 0) {
    if (mono)
      fresh = CreateBitmap(width, height, 1, 1, nullptr);
    else if (type == bmDDB)
      fresh = CreateBitmap(width, height, 1, 32, nullptr);
    else
      fresh = CreateDib(width, height, format == pfDevice || format == pfCustom ? pf32bit : format, colors);
    if (fresh == nullptr) throw EOutOfResources("Out of system resources");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, fresh);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    if (old_dc != nullptr)
      BitBlt(dc, 0, 0, std::min(width, width_), std::min(height, height_), old_dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  FreeHandle();
  handle_ = fresh;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  handle_type_ = mono ? bmDDB : type;
  pixel_format_ =
      handle_type_ == bmDDB ? pfDevice : (format == pfDevice || format == pfCustom ? pf32bit : format);
  monochrome_ = mono;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  Rebuild(width, height, pixel_format_, handle_type_, monochrome_);
  Changed(this);
}

void TBitmap::SetHandleType(TBitmapHandleType value) {
  if (value == handle_type_) return;
  Rebuild(width_, height_, value == bmDIB ? (monochrome_ ? pf1bit : pf32bit) : pfDevice, value, false);
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
  if (value == PixelFormat()) return;
  if (value == pfCustom) throw EInvalidGraphic("Invalid pixel format");
  Rebuild(width_, height_, value, value == pfDevice ? bmDDB : bmDIB, false);
  Changed(this);
}

bool TBitmap::Monochrome() const { return monochrome_ || (handle_type_ == bmDIB && pixel_format_ == pf1bit); }

void TBitmap::SetMonochrome(bool value) {
  if (value == Monochrome()) return;
  Rebuild(width_, height_, pfDevice, bmDDB, value);
  Changed(this);
}

HPALETTE TBitmap::Palette() {
  if (palette_ == nullptr && handle_type_ == bmDIB && BitsOf(pixel_format_) <= 8 && !Empty()) {
    std::vector<RGBQUAD> table = ColorTableOf(SourceDC(), BitsOf(pixel_format_));
    if (!table.empty()) {
      std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + table.size() * sizeof(PALETTEENTRY));
      auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
      lp->palVersion = 0x300;
      lp->palNumEntries = static_cast<WORD>(table.size());
      for (size_t i = 0; i < table.size(); ++i)
        lp->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
      palette_ = CreatePalette(lp);
    }
  }
  return palette_;
}

void TBitmap::SetPalette(HPALETTE value) {
  if (value == palette_) return;
  if (canvas_) canvas_->FreeContext();
  if (palette_ != nullptr) FreeGdiObject(palette_);
  palette_ = value;
  if (value != nullptr && handle_type_ == bmDIB && BitsOf(pixel_format_) <= 8 && Handle() != nullptr) {
    std::vector<PALETTEENTRY> entries(256);
    UINT n = GetPaletteEntries(value, 0, 256, entries.data());
    std::vector<RGBQUAD> table;
    for (UINT i = 0; i < n; ++i)
      table.push_back(RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
    SetDIBColorTable(SourceDC(), 0, n, table.data());
  }
  Changed(this);
}

HPALETTE TBitmap::ReleasePalette() {
  HPALETTE p = Palette();
  if (canvas_) canvas_->FreeContext();
  palette_ = nullptr;
  return p;
}

void* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_ || Empty()) throw EInvalidGraphicOperation("Scan line index out of range");
  if (handle_type_ != bmDIB) SetHandleType(bmDIB);
  HandleNeeded();
  image_.clear();  // the caller writes the pixels directly
  GdiFlush();
  DIBSECTION ds;
  if (GetObject(handle_, sizeof(ds), &ds) != static_cast<int>(sizeof(ds)) || ds.dsBm.bmBits == nullptr)
    throw EInvalidGraphicOperation("Scan line index out of range");
  bool bottom_up = ds.dsBmih.biHeight > 0;
  int stored = bottom_up ? height_ - 1 - row : row;
  return static_cast<uint8_t*>(ds.dsBm.bmBits) + static_cast<ptrdiff_t>(stored) * ds.dsBm.bmWidthBytes;
}

TColor TBitmap::TransparentColor() {
  if (transparent_mode_ == tmFixed && transparent_color_ != clDefault) return transparent_color_;
  if (Empty()) return clDefault;
  if (Monochrome()) return clWhite;
  return static_cast<TColor>(GetPixel(SourceDC(), 0, height_ - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
  if (value == transparent_color_) return;
  transparent_mode_ = value == clDefault ? tmAuto : tmFixed;
  transparent_color_ = value;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
  if (value == transparent_mode_) return;
  if (value == tmAuto)
    SetTransparentColor(clDefault);
  else
    SetTransparentColor(TransparentColor());
}

void TBitmap::Dormant() {
  if (handle_ == nullptr) return;
  if (canvas_) canvas_->FreeContext();
  DibImage img;
  if (!DibFromBitmap(handle_, 0, &img)) return;
  image_ = WriteBmp(img);
  FreeGdiObject(handle_);
  handle_ = nullptr;
}

void TBitmap::FreeImage() {
  HandleNeeded();
  image_.clear();
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == nullptr) {
    AdoptHandle(nullptr);
    Changed(this);
    return;
  }
  auto* src = dynamic_cast<const TBitmap*>(source);
  if (src == nullptr) {
    TGraphic::Assign(source);
    return;
  }
  if (src == this) return;
  auto* from = const_cast<TBitmap*>(src);
  HBITMAP copy = nullptr;
  if (!from->Empty()) {
    from->HandleNeeded();
    HDC src_dc = from->SourceDC();
    int w = from->width_, h = from->height_;
    if (from->monochrome_)
      copy = CreateBitmap(w, h, 1, 1, nullptr);
    else if (from->handle_type_ == bmDDB)
      copy = CreateBitmap(w, h, 1, 32, nullptr);
    else
      copy = CreateDib(w, h, from->pixel_format_, ColorTableOf(src_dc, BitsOf(from->pixel_format_)));
    if (copy == nullptr) throw EOutOfResources("Out of system resources");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, w, h, src_dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  AdoptHandle(copy);
  if (copy == nullptr) {
    width_ = from->width_;
    height_ = from->height_;
    pixel_format_ = from->pixel_format_;
    handle_type_ = from->handle_type_;
    monochrome_ = from->monochrome_;
  }
  transparent_mode_ = from->transparent_mode_;
  transparent_color_ = from->transparent_color_;
  SetTransparent(from->Transparent());
  Changed(this);
}

void TBitmap::LoadFromBytes(const uint8_t* data, size_t size) {
  BmpReadResult read = ReadBmp(data, size);
  if (!read.ok) throw EInvalidGraphic("Bitmap image is not valid");
  HBITMAP h = BitmapFromDib(read.image);
  if (h == nullptr) throw EInvalidGraphic("Bitmap image is not valid");
  AdoptHandle(h);
  Changed(this);
}

void TBitmap::LoadFromStream(TStream& stream) {
  int64_t start = stream.Position();
  int64_t available = stream.Size() - start;
  if (available <= 0) {
    AdoptHandle(nullptr);
    Changed(this);
    return;
  }
  BITMAPFILEHEADER file_header;
  if (available < static_cast<int64_t>(sizeof(file_header)))
    throw EInvalidGraphic("Bitmap image is not valid");
  stream.ReadBuffer(&file_header, sizeof(file_header));
  // The header says how long the image is, so several can follow each other;
  // a size that cannot be right means "up to the end".
  int64_t length = file_header.bfSize;
  if (length < static_cast<int64_t>(sizeof(file_header) + 12) || length > available) length = available;
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  std::memcpy(bytes.data(), &file_header, sizeof(file_header));
  stream.ReadBuffer(bytes.data() + sizeof(file_header), length - static_cast<int64_t>(sizeof(file_header)));
  LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::SaveToStream(TStream& stream) {
  HandleNeeded();
  if (handle_ == nullptr) return;
  DibImage img;
  if (!DibFromBitmap(handle_, 0, &img)) throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<uint8_t> bytes = WriteBmp(img);
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TBitmap::ReadData(TStream& stream) {
  int32_t size = 0;
  stream.ReadBuffer(&size, sizeof(size));
  if (size < 0 || size > stream.Size() - stream.Position())
    throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  stream.ReadBuffer(bytes.data(), size);
  if (size == 0) {
    AdoptHandle(nullptr);
    Changed(this);
    return;
  }
  LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::WriteData(TStream& stream) {
  TMemoryStream image;
  SaveToStream(image);
  int32_t size = static_cast<int32_t>(image.Size());
  stream.WriteBuffer(&size, sizeof(size));
  stream.WriteBuffer(image.Memory(), size);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  HRSRC res = FindResourceA(instance, name.c_str(), RT_BITMAP);
  const auto* data =
      res != nullptr ? static_cast<const uint8_t*>(LockResource(LoadResource(instance, res))) : nullptr;
  if (data == nullptr) throw EResNotFound(Format("Resource %s not found", {name}));
  size_t size = SizeofResource(instance, res);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    LoadFromBytes(data, size);
    return;
  }
  // A bare DIB, as resource compilers store them: give it a file header.
  if (size < sizeof(BITMAPCOREHEADER)) throw EInvalidGraphic("Bitmap image is not valid");
  DWORD header_size = 0;
  std::memcpy(&header_size, data, sizeof(header_size));
  size_t colors = 0, masks = 0;
  if (header_size >= sizeof(BITMAPINFOHEADER) && size >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof(h));
    colors = h.biClrUsed != 0 ? h.biClrUsed : (h.biBitCount <= 8 ? size_t{1} << h.biBitCount : 0);
    colors *= sizeof(RGBQUAD);
    if (h.biCompression == BI_BITFIELDS && header_size == sizeof(BITMAPINFOHEADER)) masks = 12;
  } else {
    BITMAPCOREHEADER h;
    std::memcpy(&h, data, sizeof(h));
    colors = h.bcBitCount <= 8 ? (size_t{1} << h.bcBitCount) * sizeof(RGBTRIPLE) : 0;
  }
  BITMAPFILEHEADER fh;
  fh.bfSize = static_cast<DWORD>(sizeof(fh) + size);
  fh.bfOffBits = static_cast<DWORD>(sizeof(fh) + header_size + masks + colors);
  std::vector<uint8_t> bytes(sizeof(fh) + size);
  std::memcpy(bytes.data(), &fh, sizeof(fh));
  std::memcpy(bytes.data() + sizeof(fh), data, size);
  LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  LoadFromResourceName(instance, "#" + std::to_string(id));
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  HandleNeeded();
  if (handle_ == nullptr) return;
  HDC src = SourceDC();
  HDC dest = canvas->Handle();
  HPALETTE old_palette = nullptr;
  if (palette_ != nullptr) {
    old_palette = SelectPalette(dest, palette_, TRUE);
    RealizePalette(dest);
  }
  if (Transparent()) {
    TransparentStretch(dest, rect, src, 0, 0, width_, height_, ColorToRGB(TransparentColor()));
  } else {
    int old_mode = SetStretchBltMode(dest, COLORONCOLOR);
    StretchBlt(dest, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, src, 0, 0, width_,
               height_, canvas->CopyMode());
    SetStretchBltMode(dest, old_mode);
  }
  if (old_palette != nullptr) SelectPalette(dest, old_palette, TRUE);
}

void TBitmap::Changed(TObject* sender) {
  if (handle_ != nullptr) image_.clear();
  TGraphic::Changed(sender);
}

}  // namespace vcl
