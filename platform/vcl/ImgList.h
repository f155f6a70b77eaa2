#pragma once
// TImageList: images of one size with their transparency, added from
// bitmaps (several side by side at a time) and drawn on canvases. Filed in
// form descriptions as one binary block.
#include <cstdint>
#include <vector>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace vcl {

class TStream;

class TCustomImageList : public TComponent {
  VCL_DECLARE_CLASS(TCustomImageList, TComponent)
 public:
  explicit TCustomImageList(TComponent* owner);

  // Changing the size empties the list.
  int Width() const { return width_; }
  void SetWidth(int value);
  int Height() const { return height_; }
  void SetHeight(int value);
  bool Masked() const { return masked_; }
  void SetMasked(bool value) { masked_ = value; }
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor value);
  int Count() const { return static_cast<int>(images_.size()); }

  // Adds image.Width / Width images; mask pixels that are white are
  // transparent (no mask: all opaque). Returns the index of the first.
  int Add(TBitmap* image, TBitmap* mask);
  // Pixels of `mask_color` are transparent; clDefault: the bottom-left pixel's colour.
  int AddMasked(TBitmap* image, TColor mask_color);
  // Put the first image of `image` in place of the one at index;
  // EInvalidOperation when there is no such image.
  void Replace(int index, TBitmap* image, TBitmap* mask);
  void ReplaceMasked(int index, TBitmap* new_image, TColor mask_color);
  void Delete(int index);
  void Clear();
  // Disabled images are drawn as their shadow.
  void Draw(TCanvas* canvas, int x, int y, int index, bool enabled = true) const;
  // The image on BkColor (clNone: on the button face) in a bitmap of the list's size.
  void GetBitmap(int index, TBitmap* image) const;

  void ReadData(TStream& stream);
  void WriteData(TStream& stream) const;
  bool HasData() const { return !images_.empty(); }

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  using TPixels = std::vector<uint32_t>;  // 0xFFRRGGBB opaque, 0 transparent
  void CheckIndex(int index) const;
  using TTransparentTest = std::function<bool(int x, int y)>;
  int AddImages(TBitmap* image, const TTransparentTest& transparent);
  // Image k of the strip `image`, cut at the list's size.
  TPixels CutImage(TBitmap* image, int k, const TTransparentTest& transparent) const;
  static TTransparentTest MaskTest(TBitmap* mask);
  static TTransparentTest ColorTest(TBitmap* image, TColor mask_color);

  int width_ = 16;
  int height_ = 16;
  bool masked_ = true;
  TColor bk_color_ = clNone;
  std::vector<TPixels> images_;
};

class TImageList : public TCustomImageList {
  VCL_DECLARE_CLASS(TImageList, TCustomImageList)
 public:
  using TCustomImageList::TCustomImageList;
};

}  // namespace vcl
