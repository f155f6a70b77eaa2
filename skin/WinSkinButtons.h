#pragma once
// Skinned push buttons, buttons with glyphs or a drop-down arrow, and speed
// buttons. The button paints itself completely from the skin's
// `Buttons` element into a bitmap of its own and copies it to the window in
// one step; the control's own painting never runs while the skin is active.
// The skin takes the mouse press over so the pressed and hover looks show:
// a press captures the mouse, and the release clicks only inside the button,
// as an unskinned button does. Speed buttons (windowless) are painted
// through their parent's DC and keep their own mouse handling.
//
// Frames of `Buttons`: 1 normal, 2 pressed, 3 disabled, 4 hover, 5 focused.
// Main thread only.
#include <string>

#include "platform/vcl/GraphicsBitmap.h"
#include "skin/WinSubClass.h"

namespace skin {

// The frame for a button's state: focused 5, pressed 2 (else hovered 4),
// disabled 3; each later rule wins.
int ButtonFrame(bool focused, bool pressed, bool hovered, bool enabled);

// WM_PAINT drawn by the companion alone and WM_ERASEBKGND answered with
// nothing to erase; true when the message was one of them.
bool PaintAllOfIt(TSkinControl* companion, vcl::TMessage& message);

class TSkinButton : public TSkinControl {
 public:
  explicit TSkinButton(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                    vcl::TCanvas* canvas) override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  // The frame the next paint shows.
  int CurrentFrame() const;

  vcl::TBitmap WorkBitmap;
  bool DrawParentBackground = false;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
  void PostProcessMessage(vcl::TMessage& message) override;
  // The button's text colour for `frame`, from the element where it gives one.
  vcl::TColor StateTextColour(int frame, vcl::TColor colour) const;
  // The space key presses and releases; true when the message was it.
  bool SpaceKey(const vcl::TMessage& message);
  // Reads the enabled and focused state from the window.
  void ReadWindowState();
  // WorkBitmap sized to w x h with the background, the element's `frame`
  // (unless `element_frame` is false) and the caption's font and colour;
  // answers the font to select back into it afterwards (nil for none).
  plat::HGDIOBJ PrepareWork(int w, int h, int frame, vcl::TControl* control, bool element_frame = true);

 private:
  void Clicked();
  bool HoldsCapture() const;
  // Whether a client point of lParam lies inside the button.
  bool Inside(plat::LPARAM lparam) const;

  // The mouse left the button while it was held down.
  bool pressed_away_ = false;
};

// A button with a glyph beside its caption: the glyph from the control's
// "Glyph" strip (cell by frame: normal, disabled, pressed), its image list
// ("Images", "ImageIndex", "DisabledIndex"), or, when GlyphProperty names a
// property, that property's picture drawn whole; glyph and caption placed
// by the control's "Layout", "Margin", "Spacing" and "Alignment".
class TSkinBitButton : public TSkinButton {
 public:
  explicit TSkinBitButton(vcl::TComponent* subject = nullptr) : TSkinButton(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  std::string GlyphProperty;

 protected:
  // Glyph and caption onto the work bitmap of w x h for `frame`; a speed
  // button places a centred block one pixel further and has no alignment
  // and no focus rectangle. False when there was no glyph to lay out.
  bool DrawGlyphAndCaption(vcl::TControl* control, int w, int h, int frame, bool speed);
};

// A button with a drop-down arrow in its rightmost 17 pixels; focused it
// shows the hover frame.
class TSkinMenuButton : public TSkinButton {
 public:
  explicit TSkinMenuButton(vcl::TComponent* subject = nullptr) : TSkinButton(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
};

// A windowless speed button; the skin paints it, the button keeps its own
// mouse handling (it captures the mouse itself).
class TSkinSpeedButton : public TSkinBitButton {
 public:
  explicit TSkinSpeedButton(vcl::TComponent* subject) : TSkinBitButton(subject) {}

  void AttachGraphic(TWinSkinForm* skin_form, TSkinData* skin_data, vcl::TCanvas* canvas);
  void PaintControl(plat::HDC dc) override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  bool Painting() const { return painting_; }

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
  void PostProcessMessage(vcl::TMessage& message) override;

 private:
  bool painting_ = false;
};

// Where a glyph and a caption go along the layout axis of a button C long,
// for glyph size G and text size T (margin and spacing -1 when not given).
// A speed button's centred block with a given spacing sits one pixel further.
struct TGlyphPlace {
  int glyph = 0;
  int text = 0;
};
TGlyphPlace GlyphBlockPlace(int c, int g, int t, int margin, int spacing, bool far_side, bool speed);

}  // namespace skin
