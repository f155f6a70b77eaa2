#pragma once
// The bitmap graphic: an image held as a device-dependent bitmap or a DIB
// section, with the canvas that draws on it, read from and written as BMP.
#include <memory>
#include <vector>

#include "platform/vcl/Graphics.h"

namespace vcl {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };

// The canvas of a bitmap: a memory DC with the bitmap selected.
class TBitmapCanvas : public TCanvas {
  VCL_DECLARE_CLASS(TBitmapCanvas, TCanvas)
 public:
  explicit TBitmapCanvas(TBitmap* bitmap);
  ~TBitmapCanvas() override;
  // Lets go of the DC so the bitmap can be changed or freed.
  void FreeContext();

 protected:
  void CreateHandle() override;

 private:
  friend class TBitmap;
  TBitmap* bitmap_;
  plat::HDC dc_ = nullptr;
  plat::HGDIOBJ old_bitmap_ = nullptr;
  plat::HPALETTE old_palette_ = nullptr;
};

class TBitmap : public TGraphic {
  VCL_DECLARE_CLASS(TBitmap, TGraphic)
 public:
  TBitmap();
  ~TBitmap() override;

  // From another bitmap: a copy of its pixels, format and transparency.
  void Assign(const TPersistent* source) override;

  TCanvas* Canvas();
  // Null while the bitmap is empty.
  plat::HBITMAP Handle();
  // Takes over a bitmap handle (its size and format follow it).
  void SetHandle(plat::HBITMAP value);
  // Gives the handle to the caller; the bitmap keeps a copy of the image.
  plat::HBITMAP ReleaseHandle();
  bool HandleAllocated() const { return handle_ != nullptr; }

  bool Empty() const override { return width_ <= 0 || height_ <= 0; }
  int Width() const override { return width_; }
  void SetWidth(int value) override { SetSize(value, height_); }
  int Height() const override { return height_; }
  void SetHeight(int value) override { SetSize(width_, value); }
  // Keeps the overlapping part of the image; new area is white.
  void SetSize(int width, int height);

  TBitmapHandleType HandleType() const { return handle_type_; }
  void SetHandleType(TBitmapHandleType value);
  TPixelFormat PixelFormat() const { return handle_type_ == bmDDB ? pfDevice : pixel_format_; }
  void SetPixelFormat(TPixelFormat value);
  bool Monochrome() const;
  void SetMonochrome(bool value);
  // Indexed DIBs get a palette of their colour table on first request.
  plat::HPALETTE Palette() override;
  void SetPalette(plat::HPALETTE value) override;
  plat::HPALETTE ReleasePalette();

  // First byte of row `row` (0 = top); the bitmap becomes a DIB if it is not one.
  void* ScanLine(int row);

  // tmAuto: the colour of the bottom-left pixel; tmFixed: the colour set.
  TColor TransparentColor();
  void SetTransparentColor(TColor value);
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode value);

  // Keeps the image as a memory copy and frees the handle until it is needed.
  void Dormant();
  // Drops the memory copy (the handle stays).
  void FreeImage();

  // RT_BITMAP resources; EResNotFound when missing.
  void LoadFromResourceName(plat::HINSTANCE instance, const std::string& name);
  void LoadFromResourceID(plat::HINSTANCE instance, int id);
  // A BMP file image; reads as many bytes as its header says.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;

 protected:
  void Draw(TCanvas* canvas, const TRect& rect) override;
  void Changed(TObject* sender) override;

 private:
  friend class TBitmapCanvas;
  void HandleNeeded();
  void FreeHandle();
  // Replaces the handle with one of the given shape, copying the image over.
  void Rebuild(int width, int height, TPixelFormat format, TBitmapHandleType type, bool mono);
  void AdoptHandle(plat::HBITMAP handle);
  void LoadFromBytes(const uint8_t* data, size_t size);
  plat::HDC SourceDC();

  plat::HBITMAP handle_ = nullptr;
  plat::HPALETTE palette_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat pixel_format_ = pfDevice;
  TBitmapHandleType handle_type_ = bmDDB;
  bool monochrome_ = false;
  TTransparentMode transparent_mode_ = tmAuto;
  TColor transparent_color_ = clDefault;
  std::vector<uint8_t> image_;  // BMP bytes while dormant
  std::unique_ptr<TBitmapCanvas> canvas_;
};

}  // namespace vcl
