#pragma once
// JPEG images as graphics: the compressed data is kept as read or written and
// decoded into a bitmap only when the pixels are needed.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace plat {
class UnitTable;
}

namespace vcl {

// A failure reported by the JPEG library: "JPEG error #<its message code>".
VCL_DECLARE_EXCEPTION(EJPEG, EInvalidGraphic);

enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

class TJPEGImage : public TGraphic {
  VCL_DECLARE_CLASS(TJPEGImage, TGraphic)
 public:
  TJPEGImage();
  ~TJPEGImage() override;

  // From a bitmap (compressed when first saved) or another JPEG image.
  void Assign(const TPersistent* source) override;

  bool Empty() const override { return data_.empty() && !bitmap_; }
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  // The size comes from the image; EInvalidGraphicOperation.
  void SetWidth(int value) override;
  void SetHeight(int value) override;

  // 1..100; applies to the next compression.
  int CompressionQuality() const { return quality_; }
  void SetCompressionQuality(int value);
  bool Grayscale() const { return grayscale_; }
  void SetGrayscale(bool value);
  // Accepted and kept; decoding always favours quality.
  TJPEGPerformance Performance() const { return performance_; }
  void SetPerformance(TJPEGPerformance value) { performance_ = value; }

  // Makes the bitmap from the compressed data, and the other way round.
  void DIBNeeded();
  void JPEGNeeded();
  void Compress();
  // The decoded image (decoded on demand); owned by the JPEG image.
  TBitmap* Bitmap();

  // Reads everything from the stream's position to its end.
  void LoadFromStream(TStream& stream) override;
  void SaveToStream(TStream& stream) override;
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) override;

 protected:
  void AssignTo(TPersistent* dest) const override;
  void Draw(TCanvas* canvas, const TRect& rect) override;

 private:
  void ReadHeader();

  std::vector<uint8_t> data_;
  std::unique_ptr<TBitmap> bitmap_;
  bool from_bitmap_ = false;  // the bitmap is the original; the data is derived from it
  int width_ = 0;
  int height_ = 0;
  int quality_ = 90;
  bool grayscale_ = false;
  TJPEGPerformance performance_ = jpBestQuality;
};

// Registers "jpg" and "jpeg" as "JPEG Image File" with TPicture (any number of times).
void RegisterJpegFileFormat();
// The unit's start-up (registration above) and shut-down for the unit table.
void RegisterJpegUnit(plat::UnitTable& table);

}  // namespace vcl
