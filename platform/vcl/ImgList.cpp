#include "platform/vcl/ImgList.h"

#include <functional>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCustomImageList)
VCL_IMPLEMENT_CLASS(TImageList,
                    ColorProp("BkColor", &TImageList::BkColor, &TImageList::SetBkColor).Default(clNone),
                    IntProp("Height", &TImageList::Height, &TImageList::SetHeight).Default(16),
                    BoolProp("Masked", &TImageList::Masked, &TImageList::SetMasked).Default(true),
                    IntProp("Width", &TImageList::Width, &TImageList::SetWidth).Default(16),
                    BinaryProp("Bitmap", &TImageList::ReadData, &TImageList::WriteData, &TImageList::HasData),
                    EventProp("OnChange", &TImageList::OnChange))

namespace {

constexpr char kMagic[4] = {'Q', 'I', 'L', '1'};
constexpr int kMaxSide = 1024;

uint32_t Packed(TColor color) {
  plat::COLORREF rgb = ColorToRGB(color);
  return 0xFF000000u | ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

plat::COLORREF Unpacked(uint32_t pixel) {
  return ((pixel >> 16) & 0xFF) | (pixel & 0xFF00) | ((pixel & 0xFF) << 16);
}

void WriteU32(TStream& s, uint32_t v) {
  uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                  static_cast<uint8_t>(v >> 24)};
  s.WriteBuffer(b, 4);
}

uint32_t ReadU32(TStream& s) {
  uint8_t b[4];
  s.ReadBuffer(b, 4);
  return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

}  // namespace

TCustomImageList::TCustomImageList(TComponent* owner) : TComponent(owner) {}

void TCustomImageList::Change() {
  if (OnChange) OnChange(this);
}

void TCustomImageList::SetWidth(int value) {
  if (width_ == value || value <= 0 || value > kMaxSide) return;
  width_ = value;
  Clear();
}

void TCustomImageList::SetHeight(int value) {
  if (height_ == value || value <= 0 || value > kMaxSide) return;
  height_ = value;
  Clear();
}

void TCustomImageList::SetBkColor(TColor value) {
  if (bk_color_ == value) return;
  bk_color_ = value;
  Change();
}

void TCustomImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw EInvalidOperation("Invalid image list index " + std::to_string(index));
}

TCustomImageList::TPixels TCustomImageList::CutImage(TBitmap* image, int k,
                                                     const TTransparentTest& transparent) const {
  TPixels pixels(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0);
  TCanvas* canvas = image->Canvas();
  for (int y = 0; y < height_ && y < image->Height(); ++y)
    for (int x = 0; x < width_ && k * width_ + x < image->Width(); ++x)
      if (!transparent(k * width_ + x, y))
        pixels[static_cast<size_t>(y) * width_ + x] = Packed(canvas->Pixels(k * width_ + x, y));
  return pixels;
}

TCustomImageList::TTransparentTest TCustomImageList::MaskTest(TBitmap* mask) {
  TCanvas* mask_canvas = mask && !mask->Empty() ? mask->Canvas() : nullptr;
  return [mask, mask_canvas](int x, int y) {
    if (!mask_canvas || x >= mask->Width() || y >= mask->Height()) return false;
    return ColorToRGB(mask_canvas->Pixels(x, y)) == ColorToRGB(clWhite);
  };
}

TCustomImageList::TTransparentTest TCustomImageList::ColorTest(TBitmap* image, TColor mask_color) {
  TCanvas* canvas = image->Canvas();
  plat::COLORREF key =
      ColorToRGB(mask_color == clDefault ? canvas->Pixels(0, image->Height() - 1) : mask_color);
  return [canvas, key](int x, int y) { return ColorToRGB(canvas->Pixels(x, y)) == key; };
}

int TCustomImageList::AddImages(TBitmap* image, const TTransparentTest& transparent) {
  if (!image || image->Empty()) return -1;
  int first = Count();
  int n = image->Width() / width_;
  for (int k = 0; k < n; ++k) images_.push_back(CutImage(image, k, transparent));
  if (n > 0) Change();
  return n > 0 ? first : -1;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) { return AddImages(image, MaskTest(mask)); }

int TCustomImageList::AddMasked(TBitmap* image, TColor mask_color) {
  if (!image || image->Empty()) return -1;
  return AddImages(image, ColorTest(image, mask_color));
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
  CheckIndex(index);
  if (!image || image->Empty()) throw EInvalidOperation("Failed to replace image");
  images_[static_cast<size_t>(index)] = CutImage(image, 0, MaskTest(mask));
  Change();
}

void TCustomImageList::ReplaceMasked(int index, TBitmap* new_image, TColor mask_color) {
  CheckIndex(index);
  if (!new_image || new_image->Empty()) throw EInvalidOperation("Failed to replace image");
  images_[static_cast<size_t>(index)] = CutImage(new_image, 0, ColorTest(new_image, mask_color));
  Change();
}

void TCustomImageList::Delete(int index) {
  CheckIndex(index);
  images_.erase(images_.begin() + index);
  Change();
}

void TCustomImageList::Clear() {
  if (images_.empty()) return;
  images_.clear();
  Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool enabled) const {
  CheckIndex(index);
  plat::HDC dc = canvas->Handle();
  const TPixels& pixels = images_[static_cast<size_t>(index)];
  plat::COLORREF shadow = ColorToRGB(clBtnShadow);
  for (int py = 0; py < height_; ++py) {
    for (int px = 0; px < width_; ++px) {
      uint32_t p = pixels[static_cast<size_t>(py) * width_ + px];
      if (masked_ && !(p & 0xFF000000u)) continue;
      plat::SetPixel(dc, x + px, y + py, enabled ? Unpacked(p) : shadow);
    }
  }
}

void TCustomImageList::GetBitmap(int index, TBitmap* image) const {
  CheckIndex(index);
  image->SetSize(width_, height_);
  TCanvas* canvas = image->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(bk_color_ == clNone ? clBtnFace : bk_color_);
  canvas->FillRect(Rect(0, 0, width_, height_));
  Draw(canvas, 0, 0, index);
}

void TCustomImageList::WriteData(TStream& stream) const {
  stream.WriteBuffer(kMagic, sizeof kMagic);
  WriteU32(stream, static_cast<uint32_t>(width_));
  WriteU32(stream, static_cast<uint32_t>(height_));
  WriteU32(stream, static_cast<uint32_t>(images_.size()));
  for (const TPixels& pixels : images_)
    for (uint32_t p : pixels) WriteU32(stream, p);
}

void TCustomImageList::ReadData(TStream& stream) {
  char magic[4];
  stream.ReadBuffer(magic, sizeof magic);
  if (std::string_view(magic, 4) != std::string_view(kMagic, 4))
    throw EInvalidImage("Invalid image list data");
  uint32_t w = ReadU32(stream), h = ReadU32(stream), n = ReadU32(stream);
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide) throw EInvalidImage("Invalid image list size");
  // The count must match what is left of the block.
  const int64_t left = stream.Size() - stream.Position();
  if (static_cast<int64_t>(n) * w * h * 4 != left) throw EInvalidImage("Invalid image list data");
  std::vector<TPixels> images(n, TPixels(static_cast<size_t>(w) * h));
  for (TPixels& pixels : images)
    for (uint32_t& p : pixels) p = ReadU32(stream);
  width_ = static_cast<int>(w);
  height_ = static_cast<int>(h);
  images_ = std::move(images);
  Change();
}

}  // namespace vcl
