#pragma once
// The LED spin edit: an LED digit panel showing an integer with a spin
// button on its right that steps it. The control owns, lays out and connects
// the two children; its visual properties pass through to one of them, and
// the value is kept the same in both. The panel sits at the bottom of the
// control, the spin button at its right edge over the full height, Space
// pixels apart; the control's size always follows from theirs. GUI thread only.
#include "controls/MMLEDs.h"
#include "controls/MMSpin.h"
#include "engine/MMVisual.h"

namespace controls {

class TMMLEDSpin : public engine::TMMWinControl {
  VCL_DECLARE_CLASS(TMMLEDSpin, engine::TMMWinControl)
 public:
  explicit TMMLEDSpin(vcl::TComponent* owner);
  ~TMMLEDSpin() override;

  TMMLEDPanel* Panel() const { return panel_; }
  TMMSpinButton* SpinButton() const { return spin_button_; }

  int Value() const { return panel_->Value(); }
  // Clamped to MinValue..MaxValue and shown by both children, then OnChange
  // (also when clamping gave the old value). Ignored when equal to the value
  // shown, or when disabled, except while a description is read.
  void SetValue(int value);
  int MinValue() const { return panel_->MinValue(); }
  // Set on both children; a bound moved past the value takes it along
  // without OnChange.
  void SetMinValue(int value);
  int MaxValue() const { return panel_->MaxValue(); }
  void SetMaxValue(int value);
  int Increment() const { return spin_button_->Increment(); }
  void SetIncrement(int value) { spin_button_->SetIncrement(value); }

  int NumDigits() const { return panel_->NumDigits(); }
  void SetNumDigits(int value) { panel_->SetNumDigits(value); }
  TMMLEDSize DigitSize() const { return panel_->DigitSize(); }
  void SetDigitSize(TMMLEDSize value) { panel_->SetDigitSize(value); }
  int LEDSpace() const { return panel_->LEDSpace(); }
  void SetLEDSpace(int value) { panel_->SetLEDSpace(value); }
  vcl::TColor LEDColor() const { return panel_->LEDColor(); }
  void SetLEDColor(vcl::TColor value) { panel_->SetLEDColor(value); }
  vcl::TColor InactiveColor() const { return panel_->InactiveColor(); }
  void SetInactiveColor(vcl::TColor value) { panel_->SetInactiveColor(value); }
  bool DrawInactive() const { return panel_->DrawInactive(); }
  void SetDrawInactive(bool value) { panel_->SetDrawInactive(value); }
  bool ZeroBlank() const { return panel_->ZeroBlank(); }
  void SetZeroBlank(bool value) { panel_->SetZeroBlank(value); }
  // The ground of the digits, published as Color; the control's own Color
  // follows its parent.
  vcl::TColor PanelColor() const { return panel_->Color(); }
  void SetPanelColor(vcl::TColor value) { panel_->SetColor(value); }
  engine::TMMBevel* Bevel() const { return panel_->Bevel(); }
  void SetBevel(engine::TMMBevel* value) { panel_->SetBevel(value); }
  engine::TMMBevel* SpinBevel() const { return spin_button_->Bevel(); }
  void SetSpinBevel(engine::TMMBevel* value) { spin_button_->SetBevel(value); }

  vcl::TBitmap* UpGlyph() const { return spin_button_->UpGlyph(); }
  void SetUpGlyph(vcl::TBitmap* value) { spin_button_->SetUpGlyph(value); }
  vcl::TBitmap* DownGlyph() const { return spin_button_->DownGlyph(); }
  void SetDownGlyph(vcl::TBitmap* value) { spin_button_->SetDownGlyph(value); }
  TNumGlyphs UpNumGlyphs() const { return spin_button_->UpNumGlyphs(); }
  void SetUpNumGlyphs(TNumGlyphs value) { spin_button_->SetUpNumGlyphs(value); }
  TNumGlyphs DownNumGlyphs() const { return spin_button_->DownNumGlyphs(); }
  void SetDownNumGlyphs(TNumGlyphs value) { spin_button_->SetDownNumGlyphs(value); }
  bool ButtonFace() const { return spin_button_->ButtonFace(); }
  void SetButtonFace(bool value);
  bool MiddleButton() const { return spin_button_->MiddleButton(); }
  void SetMiddleButton(bool value);
  int Space() const { return space_; }
  void SetSpace(int value);

  // Set on the control and both children.
  void SetEnabled(bool value) override;
  int PublishedTabOrder() const { return TabOrder(); }
  void SetPublishedTabOrder(int value) { SetTabOrder(value); }

  // Whatever size is asked for, the control takes the size of its layout.
  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;
  // Panel and spin button are made by the constructor, never stored.
  void GetChildren(const std::function<void(vcl::TComponent*)>&, vcl::TComponent*) override {}

  vcl::TNotifyEvent OnChange;
  vcl::TNotifyEvent OnUpClick;
  vcl::TNotifyEvent OnDownClick;

 protected:
  virtual void UpClick(vcl::TObject* sender);
  virtual void DownClick(vcl::TObject* sender);
  // Takes the spin button's value; a notice from anything else does nothing.
  virtual void SpinChanged(vcl::TObject* sender);
  virtual void Change();
  virtual void ArrangeParts();

  void Click() override;
  void Loaded() override;

 private:
  bool Quiet() const;
  // The control's size for the children's current sizes; places them.
  vcl::TPoint Layout();
  // Hands the focus on to the spin button when it can take it.
  void FocusSpinButton();

  TMMLEDPanel* panel_ = nullptr;
  TMMSpinButton* spin_button_ = nullptr;
  int space_ = 2;
  bool arranging_ = false;
};

}  // namespace controls
