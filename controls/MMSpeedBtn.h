#pragma once
// The windowless push button and its glyph machinery. TButtonGlyph cuts a
// glyph bitmap into up to four cells, one per button state, and renders each
// state's image once into an image list that the shared glyph cache keeps per
// image size, so buttons with glyphs of one size share one list; freed slots
// are reused and the list never shrinks. GUI thread only.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/MMVisual.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Lists.h"

namespace controls {

// Up, Disabled, Down (pressed), Exclusive (staying down); also the glyph cell.
using vcl::TButtonLayout;
using vcl::TButtonState;
using TNumGlyphs = int;

// The used slots of a glyph list.
class TBitPool : public vcl::TBits {};

// An image list whose slots are taken and freed one by one.
class TGlyphList : public vcl::TImageList {
  VCL_DECLARE_CLASS(TGlyphList, vcl::TImageList)
 public:
  TGlyphList(int width, int height);

  // Store the image in a free slot (appended when none is free); return its index.
  int AddImage(vcl::TBitmap* image, vcl::TBitmap* mask);
  int AddMaskedImage(vcl::TBitmap* image, vcl::TColor mask_color);
  // A slot not in use is left alone.
  void FreeSlot(int index);
  int UsedCount() const { return used_count_; }

 private:
  int TakeFreeSlot();
  // Takes a slot for `replace` to fill; a failed fill leaves it free.
  int StoreInSlot(const std::function<void(int slot)>& replace);

  TBitPool used_slots_;
  int used_count_ = 0;
};

// One glyph list per image size.
class TGlyphCache {
 public:
  // The newest list of that size, made when there is none.
  TGlyphList* ListForSize(int width, int height);
  // Frees a list that holds no image any more.
  void ReleaseList(TGlyphList* list);
  bool IsEmpty() const { return lists_.empty(); }
  int Count() const { return static_cast<int>(lists_.size()); }

 private:
  std::vector<std::unique_ptr<TGlyphList>> lists_;
};

// The process-wide cache while it exists, else null.
TGlyphCache* SharedGlyphCache();

// A button's glyph and the images of its states.
class TButtonGlyph {
 public:
  TButtonGlyph();
  ~TButtonGlyph();
  TButtonGlyph(const TButtonGlyph&) = delete;
  TButtonGlyph& operator=(const TButtonGlyph&) = delete;

  vcl::TBitmap* Glyph() const { return glyph_bitmap_.get(); }
  // Copies the bitmap (null empties it); a strip of square cells sets NumGlyphs.
  void AssignBitmap(vcl::TBitmap* value);
  TNumGlyphs NumGlyphs() const { return num_glyphs_; }
  // 0 and the current count are ignored.
  void SetCellCount(TNumGlyphs value);
  vcl::TColor TransparentColor() const { return transparent_color_; }
  // The list holding the rendered images, or null.
  TGlyphList* GlyphList() const { return glyph_list_; }
  // The image index of a state, -1 while not rendered.
  int StateImage(TButtonState state) const { return state_images_[state]; }

  // Releases every rendered image; they are rendered again when next drawn.
  void DropImages();
  int RenderStateImage(TButtonState state);
  void PaintGlyphImage(vcl::TCanvas* canvas, int x, int y, TButtonState state);
  void PaintCaption(vcl::TCanvas* canvas, const std::string& caption, const vcl::TRect& text_rect,
                    TButtonState state);
  void ComputeLayout(vcl::TCanvas* canvas, const vcl::TRect& client, vcl::TPoint& glyph_pos,
                     vcl::TRect& text_rect, TButtonLayout layout, int margin, int spacing,
                     const std::string& caption);
  // Returns the text rectangle.
  vcl::TRect DrawGlyphAndCaption(vcl::TCanvas* canvas, const vcl::TRect& client, TButtonState state,
                                 int spacing, int margin, TButtonLayout layout, const std::string& caption);

  vcl::TNotifyEvent OnChange;

 private:
  void GlyphBitmapChanged(vcl::TObject* sender);
  // The embossed grey image of a glyph without a disabled cell.
  void RenderEmbossed(vcl::TBitmap* target, int cell_width, int cell_height);

  std::unique_ptr<vcl::TBitmap> glyph_bitmap_;
  TGlyphList* glyph_list_ = nullptr;
  int state_images_[4] = {-1, -1, -1, -1};
  vcl::TColor transparent_color_ = vcl::clOlive;
  TNumGlyphs num_glyphs_ = 1;
};

// A windowless push button with a glyph and a caption. Buttons of one
// GroupIndex (not 0) on one parent are down one at a time; with AllowAllUp
// the down one may come up. A button that stays down shows a checkerboard
// of DownColor.
class TMMSpeedButton : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMSpeedButton, engine::TMMGraphicControl)
 public:
  explicit TMMSpeedButton(vcl::TComponent* owner);
  ~TMMSpeedButton() override;

  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value);
  // Always False without a group; a down button stays down unless AllowAllUp.
  bool Down() const { return down_; }
  void SetDown(bool value);
  vcl::TBitmap* Glyph() const { return glyph_->Glyph(); }
  void SetGlyph(vcl::TBitmap* value);
  TNumGlyphs NumGlyphs() const { return glyph_->NumGlyphs(); }
  // Above 4 means 4.
  void SetNumGlyphs(TNumGlyphs value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  // -1 centres; below -1 is ignored.
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  vcl::TBevelStyle Bevel() const { return bevel_; }
  void SetBevel(vcl::TBevelStyle value);
  vcl::TColor DownColor() const { return down_color_; }
  void SetDownColor(vcl::TColor value);
  vcl::TColor BevelColor() const { return bevel_color_; }
  void SetBevelColor(vcl::TColor value);

  TButtonState State() const { return state_; }
  bool Tracking() const { return tracking_; }
  TButtonGlyph* ButtonGlyph() const { return glyph_.get(); }

  void Click() override;
  void DblClick() override;
  void Dispatch(vcl::TMessage& message) override;

 protected:
  void Paint() override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  // Capture went elsewhere while the button was held: it comes up without a click.
  virtual void CaptureLost();

  // Painting's first step: at run time a disabled button shows Disabled and
  // stops tracking, an enabled one leaves Disabled.
  void SyncEnabledState();
  void SetState(TButtonState value) { state_ = value; }
  void StopTracking() { tracking_ = false; }
  // The raised, etched or pressed frame; returns the content rectangle.
  vcl::TRect PaintFace(const vcl::TRect& client, bool pressed);

 private:
  void NotifyGroup();
  void CMButtonPressed(vcl::TMessage& message);
  void CMDialogChar(vcl::TMessage& message);
  // The row just below the bottom edge counts as inside.
  bool Inside(int x, int y) const;

  std::unique_ptr<TButtonGlyph> glyph_;
  int group_index_ = 0;
  bool down_ = false;
  bool allow_all_up_ = false;
  TButtonLayout layout_ = vcl::blGlyphLeft;
  int spacing_ = 4;
  int margin_ = -1;
  vcl::TBevelStyle bevel_ = vcl::bsRaised;
  vcl::TColor down_color_ = vcl::clWhite;
  vcl::TColor bevel_color_ = vcl::clBlack;
  TButtonState state_ = vcl::bsUp;
  bool tracking_ = false;
};

}  // namespace controls
