#pragma once
// Skinned track bars (channel and thumb drawn from the skin through the
// control's custom-draw notifications, tick marks left to the control) and
// date-time pickers (a flat border and, laid over the picker's own drop-down
// button, a small window of ours painted from the skin's combo arrow).
//
// The arrow button is the companion's helper: a picker that goes first
// takes it along and the companion forgets it. Main thread only.
#include "platform/vcl/Controls.h"
#include "skin/WinSubClass.h"

namespace skin {

class TSkinDateTime;

class TSkinTrackBar : public TSkinControl {
 public:
  explicit TSkinTrackBar(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  // Repaints the control; the focus stays where it is.
  void RefreshSkin() override;

 protected:
  // Answers the control's own custom drawing: channel and thumb skinned,
  // tick marks the control's.
  bool PreProcessMessage(vcl::TMessage& message) override;

 private:
  bool Vertical() const;
  void DrawChannel(plat::HDC dc);
  void DrawThumb(plat::HDC dc);
};

// Frames of the skin's combo arrow: 1 normal, 4 hovered.
class TArrowButton : public vcl::TCustomControl {
 public:
  explicit TArrowButton(vcl::TComponent* owner);

  // Laid at the picker's drop-down button: `ArrowWidth` wide, one more high,
  // at the picker's right end (left end under WS_EX_LEFTSCROLLBAR).
  void Bind(TSkinDateTime* companion, vcl::TWinControl* picker);
  int CurrentFrame() const { return (ArrowState & 1) ? 4 : 1; }

  int ArrowWidth = 0;
  vcl::TWinControl* Picker = nullptr;
  TSkinDateTime* Companion = nullptr;
  // Bit 0: the mouse is over the button.
  int ArrowState = 0;

 protected:
  void WndProc(vcl::TMessage& message) override;
  void Paint() override;
};

class TSkinDateTime : public TSkinControl {
 public:
  explicit TSkinDateTime(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  // The window rectangle framed in the shadow colour and, 1 pixel further
  // in, in white; nothing for a picker without a border.
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  // The picker and its arrow button repainted (a new skin's arrow).
  void RefreshSkin() override;
  // Nil once the picker took it along.
  TArrowButton* ArrowButton() const;

 private:
  TArrowButton* arrow_ = nullptr;
};

}  // namespace skin
