#pragma once
// The colour button: a swatch of Value beside a drop-down arrow. A click or
// Space drops a popup of 20 fixed colours, with a cell for the current colour
// when Value is none of them (or ShowCurrent), and a button that opens the
// colour dialog fully opened. While the popup is dropped the thread's other
// windows are disabled and the popup holds the mouse; every way out passes
// through CloseUp, which enables them again, and so does the popup's end.
// GUI thread only.
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "controls/MMSpeedBtn.h"
#include "engine/MMVisual.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/StdCtrls.h"

namespace controls {

// Posted to the colour button by the popup's dialog button: open the colour dialog.
constexpr plat::UINT MM_COLORDIALOG = 32769;

class TMMCustomColorButton;
class TMMColorPopUp;

// The colour button's face: a push-button face, the swatch, an etched
// separator and the arrow glyph. Owned by the colour button.
class TMMColorSpeedButton : public TMMSpeedButton {
  VCL_DECLARE_CLASS(TMMColorSpeedButton, TMMSpeedButton)
 public:
  explicit TMMColorSpeedButton(vcl::TComponent* owner);

 protected:
  void Paint() override;

 private:
  TMMCustomColorButton* ColorButton() const;
};

// The popup's dialog button: Escape closes the popup.
class TMMCustomButton : public vcl::TButton {
  VCL_DECLARE_CLASS(TMMCustomButton, vcl::TButton)
 public:
  using vcl::TButton::TButton;
  void Dispatch(vcl::TMessage& message) override;

 protected:
  void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
};

class TMMColorPopUp : public engine::TMMCustomControl {
  VCL_DECLARE_CLASS(TMMColorPopUp, engine::TMMCustomControl)
 public:
  // `button` owns the popup and takes the chosen colour.
  explicit TMMColorPopUp(TMMCustomColorButton* button);
  ~TMMColorPopUp() override;

  static constexpr int kCell = 18;
  static constexpr vcl::TPoint kCurrentCell{54, 95};

  bool Shown() const { return shown_; }
  // 0..19, or -1 for the current-colour cell.
  int Selected() const { return selected_; }
  // -2 (the current-colour cell) selects -1.
  void SetSelected(int index);
  bool ShowCurrentCell() const { return show_current_cell_; }
  vcl::TColor Palette(int index) const { return palette_[static_cast<size_t>(index)]; }
  TMMCustomButton* CustomButton() const { return custom_button_; }

  void ShowPopup();
  void CloseUp(bool accept);
  // The palette index under a client point; -2 for the current-colour cell
  // when shown; -1 elsewhere, including anywhere left of or above the grid.
  int CellAt(int x, int y) const;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void Paint() override;
  void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

 private:
  friend class TMMCustomButton;
  // The focus went to `window`: anywhere outside the popup closes it.
  void FocusMoved(plat::HWND window);
  void CustomClick();
  void PaintCell(vcl::TCanvas* canvas, const vcl::TRect& rect, bool selected, vcl::TColor color);
  void EnableOthers();

  TMMCustomColorButton* button_;
  TMMCustomButton* custom_button_ = nullptr;
  bool shown_ = false;
  int selected_ = -1;
  bool show_current_cell_ = false;
  std::array<vcl::TColor, 20> palette_{};
  std::vector<plat::HWND> disabled_windows_;
};

class TMMCustomColorButton : public engine::TMMCustomControl {
  VCL_DECLARE_CLASS(TMMCustomColorButton, engine::TMMCustomControl)
 public:
  explicit TMMCustomColorButton(vcl::TComponent* owner);
  ~TMMCustomColorButton() override;

  vcl::TColor Value() const { return value_; }
  // No range check; a change repaints and fires OnChange.
  void SetValue(vcl::TColor value);
  vcl::TColor FocusColor() const { return focus_color_; }
  void SetFocusColor(vcl::TColor value);
  vcl::TBitmap* Glyph() const { return drop_button_->Glyph(); }
  // None (or an empty bitmap) puts the arrow back.
  void SetGlyph(vcl::TBitmap* value);
  TNumGlyphs NumGlyphs() const { return drop_button_->NumGlyphs(); }
  void SetNumGlyphs(TNumGlyphs value) { drop_button_->SetNumGlyphs(value); }
  vcl::TStrings* CustomColors() const { return color_dialog_->CustomColors(); }
  void SetCustomColors(vcl::TStrings* value) { color_dialog_->SetCustomColors(value); }
  const std::string& ButtonCaption() const { return button_caption_; }
  // Empty means "&Other...".
  void SetButtonCaption(const std::string& value);
  bool ShowCurrent() const { return show_current_; }
  void SetShowCurrent(bool value) { show_current_ = value; }

  TMMColorSpeedButton* DropButton() const { return drop_button_; }
  vcl::TColorDialog* ColorDialog() const { return color_dialog_; }
  // Made on the first drop-down.
  TMMColorPopUp* Popup() const { return popup_; }
  TMMColorPopUp* GetPopup();
  void DropDown();

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;

  vcl::TNotifyEvent OnChange;

 protected:
  virtual void Change();
  void Changed() override;
  void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
  void CMEnabledChanged(vcl::TMessage& message) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  void OpenColorDialog();

  TMMColorSpeedButton* drop_button_;
  vcl::TColorDialog* color_dialog_;
  TMMColorPopUp* popup_ = nullptr;
  vcl::TColor value_ = vcl::clBlack;
  vcl::TColor focus_color_ = vcl::clBlack;
  std::string button_caption_;
  bool show_current_ = false;
};

class TMMColorButton : public TMMCustomColorButton {
  VCL_DECLARE_CLASS(TMMColorButton, TMMCustomColorButton)
 public:
  using TMMCustomColorButton::TMMCustomColorButton;
};

}  // namespace controls
