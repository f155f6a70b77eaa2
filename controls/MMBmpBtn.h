#pragma once
// The windowless button drawn from one entry of a bitmap list: the entry
// holds NumGlyphs glyphs side by side (up, disabled, pressed, latched down)
// and the button picks one per state, with one of eight frame styles around
// it and a caption in one of nine places. It can make a gray and an embossed
// copy of its first glyph, latch as a switch, drop down a popup menu and
// redraw through a double buffer. GUI thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/MMBmpCtl.h"

namespace controls {

enum TMMButtonStyle : uint8_t {
  bsRegular,
  bsIndent,
  bsLight,
  bsDark,
  bsMono,
  bsExplorer,
  bsHighLight,
  bsNone
};
enum TMMTextAlign : uint8_t {
  ttaTopLeft,
  ttaTop,
  ttaTopRight,
  ttaRight,
  ttaBottomRight,
  ttaBottom,
  ttaBottomLeft,
  ttaLeft,
  ttaCenter
};
// The handler may set Index to the glyph cell to draw; -1 leaves the choice
// to the button.
using TMMGetGylphIndex = std::function<void(vcl::TObject* sender, bool is_down, int& index)>;

class TMMBitmapButton : public TMMCustomBitmapListControl {
  VCL_DECLARE_CLASS(TMMBitmapButton, TMMCustomBitmapListControl)
 public:
  explicit TMMBitmapButton(vcl::TComponent* owner);
  ~TMMBitmapButton() override;

  bool Transparent() const { return TMMCustomBitmapListControl::Transparent(); }
  void SetTransparent(bool value);
  // Stored without comparison; true sizes the button to one glyph.
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  bool AutoGray() const { return auto_gray_; }
  void SetAutoGray(bool value);
  bool ShowDisabled() const { return show_disabled_; }
  void SetShowDisabled(bool value);
  unsigned BorderWidth() const { return border_width_; }
  void SetBorderWidth(unsigned value);
  std::string Caption() const { return TMMCustomBitmapListControl::Caption(); }
  void SetCaption(const std::string& value);
  bool Down() const { return down_; }
  void SetDown(bool value);
  // At least 0.
  int DownIndentHoriz() const { return down_indent_[0]; }
  void SetDownIndentHoriz(int value);
  int DownIndentVert() const { return down_indent_[1]; }
  void SetDownIndentVert(int value);
  TMMButtonStyle ButtonStyle() const { return button_style_; }
  void SetButtonStyle(TMMButtonStyle value);
  // At least 1.
  int NumGlyphs() const { return num_glyphs_; }
  void SetNumGlyphs(int value);
  bool ShowPressed() const { return show_pressed_; }
  void SetShowPressed(bool value) { show_pressed_ = value; }
  bool Switch() const { return switch_; }
  void SetSwitch(bool value) { switch_ = value; }
  int Spacing() const { return spacing_; }
  void SetSpacing(int value);
  TMMTextAlign TextAlign() const { return text_align_; }
  void SetTextAlign(TMMTextAlign value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool DoubleBuffer() const { return double_buffer_; }
  void SetDoubleBuffer(bool value);
  bool AllowRightMouse() const { return allow_right_mouse_; }
  void SetAllowRightMouse(bool value) { allow_right_mouse_ = value; }

  // The bitmap glyphs are drawn from: the list's own, or the button's strip
  // with its gray and embossed cells added.
  vcl::TBitmap* GlyphStrip() const { return strip_; }
  bool OwnsGlyphStrip() const { return owned_strip_ != nullptr; }
  // The cell DrawGlyph picks for the present state; -1 draws nothing.
  int GlyphIndex();
  bool ShownDown() const { return shown_down_; }
  bool Tracking() const { return tracking_; }
  bool MouseInside() const { return mouse_inside_; }
  vcl::TBitmap* Buffer() const { return buffer_.get(); }

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;

  TMMGetGylphIndex OnGetGlyphIndex;
  vcl::TNotifyEvent OnMouseExit;

 protected:
  void Loaded() override;
  void Paint() override;
  void BitmapChanged() override;
  void CMBitmapListChanged(vcl::TMessage& message) override;
  void CMEnabledChanged(vcl::TMessage& message) override;
  void CMMouseEnter(vcl::TMessage& message) override;
  void CMMouseLeave(vcl::TMessage& message) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

  void PrepareGlyphs();
  void DrawButton(vcl::TCanvas* canvas);
  void Redraw();

 private:
  bool Loading() const;
  void AutoNumGlyphs();
  bool PressButton(vcl::TMouseButton button) const;
  bool Inside(int x, int y) const;
  // Width of one glyph cell of the list's bitmap, at least 1 when there is one.
  int GlyphWidth() const;
  void DrawContent(vcl::TCanvas* canvas);
  void DrawGlyph(vcl::TCanvas* canvas, vcl::TRect glyph);
  void DrawCaption(vcl::TCanvas* canvas, const vcl::TRect& glyph);
  // A press that lost its capture ends without a click.
  void CaptureLost();
  void ReleaseStrip();

  bool auto_size_ = false;
  bool tracking_ = false;
  TMMTextAlign text_align_ = ttaCenter;
  bool auto_gray_ = true;
  bool show_disabled_ = true;
  bool pressed_ = false;
  bool show_pressed_ = true;
  int spacing_ = 2;
  vcl::TBitmap* strip_ = nullptr;
  std::unique_ptr<vcl::TBitmap> owned_strip_;
  std::unique_ptr<vcl::TBitmap> buffer_;
  bool shown_down_ = false;
  unsigned border_width_ = 1;
  int num_glyphs_ = 1;
  TMMButtonStyle button_style_ = bsExplorer;
  bool mouse_inside_ = false;
  bool word_wrap_ = false;
  bool down_ = false;
  int down_indent_[2] = {1, 1};
  bool switch_ = false;
  bool double_buffer_ = false;
  bool allow_right_mouse_ = false;
};

// The gray copy's pixels: v = (11 R + 59 G + 30 B) / 100 in every channel.
void GrayGlyph(vcl::TBitmap* glyph);
// The embossed copy of a disabled glyph, in the button colours.
void DisableGlyph(vcl::TBitmap* glyph);

}  // namespace controls
