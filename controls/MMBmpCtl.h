#pragma once
// Drawing from bitmap lists: the process-wide cache of work bitmaps shared by
// size, the base of controls drawn from one entry of a bitmap list, and the
// panel tiled from a list entry or filled with its colour. Controls follow
// their list through an observer and drop it when it is destroyed.
#include <functional>
#include <memory>
#include <utility>

#include "controls/MMBmpLst.h"
#include "controls/MMSharedBitmaps.h"
#include "engine/MMObsrv.h"
#include "engine/MMVisual.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace controls {

// Locks the bitmap's canvas and lets its DC go, so routines that select the
// bitmap into memory DCs of their own (tiling, transparent drawing, pixel
// reads) can; the caller unlocks the returned canvas.
vcl::TCanvas* LockBitmap(vcl::TBitmap* bitmap);

// ---- bitmap cache ----

// Work bitmaps keyed by width and height: every holder of one size shares one
// bitmap, which keeps whatever its last user drew. A holder must not resize it.
// GUI thread only.
class TBitmapCache {
 public:
  vcl::TBitmap* Get(int width, int height);
  // False when the cache does not hold `bitmap`.
  bool Release(vcl::TBitmap* bitmap, bool& freed) { return bitmaps_.Release(bitmap, freed); }
  bool Empty() const { return bitmaps_.Empty(); }
  int Count() const { return bitmaps_.Count(); }

 private:
  TSharedBitmaps<std::pair<int, int>> bitmaps_;
};

vcl::TBitmap* GetCachedBitmap(int width, int height);
// Frees the bitmap with its last holder and then nils `bitmap`; the cache goes
// with its last entry. A bitmap the cache does not hold is left alone.
void ReleaseCachedBitmap(vcl::TBitmap*& bitmap);
// The cache while it exists, else null.
const TBitmapCache* BitmapCache();

// ---- bitmap-list control ----

// Sent to a bitmap-list control when its transparent colour changes.
constexpr plat::UINT CM_BITMAPLISTCHANGED = vcl::CM_BASE + 250;

class TMMCustomBitmapListControl : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMCustomBitmapListControl, engine::TMMGraphicControl)
 public:
  explicit TMMCustomBitmapListControl(vcl::TComponent* owner);
  ~TMMCustomBitmapListControl() override;

  int Tag2() const { return tag2_; }
  void SetTag2(int value) { tag2_ = value; }
  TMMBitmapList* BitmapList() const { return bitmap_list_; }
  // Setting the same list again still repaints.
  void SetBitmapList(TMMBitmapList* value);
  int BitmapIndex() const { return bitmap_index_; }
  // Below -1 stores -1.
  void SetBitmapIndex(int value);
  vcl::TColor TransparentColor() const { return transparent_color_; }
  // clDefault switches to tmAuto, any other colour to tmFixed.
  void SetTransparentColor(vcl::TColor value);
  vcl::TTransparentMode TransparentMode() const { return transparent_mode_; }
  // tmFixed freezes the colour now in effect; tmAuto returns to clDefault.
  void SetTransparentMode(vcl::TTransparentMode value);

  bool BitmapValid() const;
  vcl::TBitmap* CurrentBitmap() const;
  // The current bitmap's bottom-left pixel; clDefault without a bitmap.
  virtual vcl::TColor GetBitmapTransparentColor() const;
  // The fixed colour as RGB, or the bitmap's own under tmAuto.
  virtual vcl::TColor GetEffectiveTransparentColor() const;
  plat::HPALETTE GetPalette() const;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  // Paints at once where the control can be seen, then refreshes it.
  virtual void BitmapChanged();
  virtual void CMBitmapListChanged(vcl::TMessage& message);
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  // The stored form keeps the colour only when it is fixed.
  bool IsTransparentColorStored() const { return transparent_mode_ == vcl::tmFixed; }

 private:
  int tag2_ = 0;
  int bitmap_index_ = -1;
  TMMBitmapList* bitmap_list_ = nullptr;
  std::unique_ptr<engine::TMMObserver> observer_;
  vcl::TColor transparent_color_ = vcl::clDefault;
  vcl::TTransparentMode transparent_mode_ = vcl::tmAuto;
};

// ---- panel fill ----

using TMMFillPanel = std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, const vcl::TRect& rect)>;

// A panel whose inside is painted by OnFillPanel, or tiled with a bitmap-list
// entry, or filled with its colour; bevel and caption are drawn over it.
class TMMPanelFill : public engine::TMMPanel {
  VCL_DECLARE_CLASS(TMMPanelFill, engine::TMMPanel)
 public:
  explicit TMMPanelFill(vcl::TComponent* owner);
  ~TMMPanelFill() override;

  TMMBitmapList* BitmapList() const { return bitmap_list_; }
  void SetBitmapList(TMMBitmapList* value);
  int BitmapIndex() const { return bitmap_index_; }
  void SetBitmapIndex(int value);
  // Stored and clamped; nothing draws it.
  int BitmapBackIndex() const { return bitmap_back_index_; }
  void SetBitmapBackIndex(int value);
  // True leaves the bevel's border band unpainted.
  bool FillBevel() const { return !FillBorder(); }
  void SetFillBevel(bool value) { SetFillBorder(!value); }

  bool BitmapValid() const;
  vcl::TBitmap* CurrentBitmap() const;

  TMMFillPanel OnFillPanel;

 protected:
  void Paint() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  int bitmap_index_ = -1;
  int bitmap_back_index_ = -1;
  TMMBitmapList* bitmap_list_ = nullptr;
  std::unique_ptr<engine::TMMObserver> observer_;
};

}  // namespace controls
