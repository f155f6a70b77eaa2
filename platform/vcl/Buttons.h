#pragma once
// TSpeedButton: a windowless tool button with a glyph and a caption. Buttons
// of one GroupIndex (not 0) on one parent stay down one at a time; with
// AllowAllUp the one that is down may come up again. A flat button shows its
// edge only while the mouse is over it or it is down.
#include <memory>
#include <string>

#include "platform/user/Menu.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };
using TNumGlyphs = int;

class TSpeedButton : public TGraphicControl {
  VCL_DECLARE_CLASS(TSpeedButton, TGraphicControl)
 public:
  explicit TSpeedButton(TComponent* owner);
  ~TSpeedButton() override;

  bool AllowAllUp() const { return allow_all_up_; }
  void SetAllowAllUp(bool value);
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int value);
  // Setting it from code runs no click. A button of group 0 is never down,
  // and one that is down in a group without AllowAllUp stays down.
  bool Down() const { return down_; }
  void SetDown(bool value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  // The glyph holds NumGlyphs images side by side: up, disabled, pressed, down.
  // Its bottom-left pixel's colour is transparent.
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* value) { glyph_->Assign(value); }
  TNumGlyphs NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(TNumGlyphs value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  // -1 centres glyph and caption; otherwise the glyph's distance from the edge.
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);
  TButtonState State() const { return state_; }

  void Click() override;

 protected:
  void Paint() override;
  void Loaded() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
  void CMMouseEnter(TMessage& message) override;
  void CMMouseLeave(TMessage& message) override;
  void CMEnabledChanged(TMessage& message) override;
  bool HasGlyph() const { return !glyph_->Empty(); }

 private:
  // Lets the other buttons of the group come up (and share AllowAllUp).
  void UpdateExclusive();
  void GlyphChanged(TObject* sender);
  // Which of the glyph's images a state shows.
  int GlyphIndex() const;

  std::unique_ptr<TBitmap> glyph_;
  bool allow_all_up_ = false;
  int group_index_ = 0;
  bool down_ = false;
  bool flat_ = false;
  TNumGlyphs num_glyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  bool transparent_ = true;
  TButtonState state_ = bsUp;
  bool dragging_ = false;
  bool mouse_in_control_ = false;
};

// A push button with a glyph beside its caption, placed by Layout, Margin and
// Spacing as on a speed button. It draws itself (an owner-drawn button
// window), so it keeps that style when it becomes the default button.
class TBitBtn : public TButton {
  VCL_DECLARE_CLASS(TBitBtn, TButton)
 public:
  explicit TBitBtn(TComponent* owner);
  ~TBitBtn() override;

  // NumGlyphs images side by side: up, disabled, pressed.
  TBitmap* Glyph() const { return glyph_.get(); }
  void SetGlyph(TBitmap* value) { glyph_->Assign(value); }
  TNumGlyphs NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(TNumGlyphs value);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);

  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  bool HasGlyph() const { return !glyph_->Empty(); }

 private:
  void DrawItem(const plat::DRAWITEMSTRUCT& draw);

  std::unique_ptr<TBitmap> glyph_;
  TNumGlyphs num_glyphs_ = 1;
  TButtonLayout layout_ = blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
};

// A glyph cell and a caption laid out as one block in `client` by layout,
// margin (-1 centres) and spacing; `cell` picks the glyph image (one past
// the last is the first), a disabled button with no image of its own draws
// the first as its shadow. The glyph's bottom-left pixel is transparent.
struct TGlyphCaption {
  TBitmap* glyph = nullptr;
  TNumGlyphs num_glyphs = 1;
  int cell = 0;
  TButtonLayout layout = blGlyphLeft;
  int margin = -1;
  int spacing = 4;
  std::string caption;
  bool enabled = true;
  // Moved one pixel right and down.
  bool pressed = false;
};
void DrawGlyphCaption(TCanvas* canvas, const TRect& client, const TGlyphCaption& what);

// The face of a push button over `client`: filled with clBtnFace, a clWindowFrame
// outline (heavier when focused), then a raised bevel of `bevel_width` rings,
// or a flat clBtnShadow ring when down. Returns the rectangle left for the
// content, moved one pixel right and down when down. Rounded leaves the
// outline's corner pixels in clBtnFace. The styles draw alike on this
// platform, except that the old style is always rounded.
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
TRect DrawButtonFace(TCanvas* canvas, const TRect& client, int bevel_width, TButtonStyle style,
                     bool is_rounded, bool is_down, bool is_focused);

}  // namespace vcl
