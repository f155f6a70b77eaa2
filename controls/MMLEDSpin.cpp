#include "controls/MMLEDSpin.h"

#include <algorithm>

#include "engine/MMUtils.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

VCL_IMPLEMENT_CLASS(
    TMMLEDSpin, ObjProp("Bevel", &TMMLEDSpin::Bevel, &TMMLEDSpin::SetBevel),
    BoolProp("ButtonFace", &TMMLEDSpin::ButtonFace, &TMMLEDSpin::SetButtonFace).Default(false),
    ColorProp("Color", &TMMLEDSpin::PanelColor, &TMMLEDSpin::SetPanelColor).Default(vcl::clBlack),
    EnumProp("DigitSize", &TMMLEDSpin::DigitSize, &TMMLEDSpin::SetDigitSize, LEDSizeIdents())
        .Default(ls13x21),
    ObjProp("DownGlyph", &TMMLEDSpin::DownGlyph, &TMMLEDSpin::SetDownGlyph),
    IntProp("DownNumGlyphs", &TMMLEDSpin::DownNumGlyphs, &TMMLEDSpin::SetDownNumGlyphs).NoDefault(),
    BoolProp("DrawInactive", &TMMLEDSpin::DrawInactive, &TMMLEDSpin::SetDrawInactive).Default(true),
    BoolProp("Enabled", &TMMLEDSpin::Enabled, &TMMLEDSpin::SetEnabled).Default(true),
    ColorProp("InactiveColor", &TMMLEDSpin::InactiveColor, &TMMLEDSpin::SetInactiveColor)
        .Default(vcl::clGreen),
    IntProp("Increment", &TMMLEDSpin::Increment, &TMMLEDSpin::SetIncrement).Default(1),
    ColorProp("LEDColor", &TMMLEDSpin::LEDColor, &TMMLEDSpin::SetLEDColor).Default(vcl::clLime),
    IntProp("LEDSpace", &TMMLEDSpin::LEDSpace, &TMMLEDSpin::SetLEDSpace).Default(1),
    IntProp("MaxValue", &TMMLEDSpin::MaxValue, &TMMLEDSpin::SetMaxValue).Default(100),
    BoolProp("MiddleButton", &TMMLEDSpin::MiddleButton, &TMMLEDSpin::SetMiddleButton).Default(false),
    IntProp("MinValue", &TMMLEDSpin::MinValue, &TMMLEDSpin::SetMinValue).Default(0),
    IntProp("NumDigits", &TMMLEDSpin::NumDigits, &TMMLEDSpin::SetNumDigits).Default(2),
    BoolProp("ParentShowHint", &TMMLEDSpin::ParentShowHint, &TMMLEDSpin::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMLEDSpin::ShowHint, &TMMLEDSpin::SetShowHint)
        .Default(false)
        .Stored(&TMMLEDSpin::IsShowHintStored),
    IntProp("Space", &TMMLEDSpin::Space, &TMMLEDSpin::SetSpace).Default(2),
    ObjProp("SpinBevel", &TMMLEDSpin::SpinBevel, &TMMLEDSpin::SetSpinBevel),
    IntProp("TabOrder", &TMMLEDSpin::PublishedTabOrder, &TMMLEDSpin::SetPublishedTabOrder).Default(-1),
    BoolProp("TabStop", &TMMLEDSpin::TabStop, &TMMLEDSpin::SetTabStop).Default(true),
    ObjProp("UpGlyph", &TMMLEDSpin::UpGlyph, &TMMLEDSpin::SetUpGlyph),
    IntProp("UpNumGlyphs", &TMMLEDSpin::UpNumGlyphs, &TMMLEDSpin::SetUpNumGlyphs).NoDefault(),
    IntProp("Value", &TMMLEDSpin::Value, &TMMLEDSpin::SetValue).Default(0),
    BoolProp("Visible", &TMMLEDSpin::Visible, &TMMLEDSpin::SetVisible).Default(true),
    EventProp("OnChange", &TMMLEDSpin::OnChange), EventProp("OnClick", &TMMLEDSpin::OnClick),
    EventProp("OnDblClick", &TMMLEDSpin::OnDblClick), EventProp("OnDownClick", &TMMLEDSpin::OnDownClick),
    EventProp("OnMouseDown", &TMMLEDSpin::OnMouseDown), EventProp("OnMouseMove", &TMMLEDSpin::OnMouseMove),
    EventProp("OnMouseUp", &TMMLEDSpin::OnMouseUp), EventProp("OnUpClick", &TMMLEDSpin::OnUpClick))

TMMLEDSpin::TMMLEDSpin(vcl::TComponent* owner) : TMMWinControl(owner) {
  spin_button_ = new TMMSpinButton(this);
  spin_button_->SetParent(this);
  spin_button_->SetTabOrder(0);
  spin_button_->SetParentShowHint(false);
  spin_button_->SetFocusControl(this);
  spin_button_->OnUpClick = [this](vcl::TObject* sender) { UpClick(sender); };
  spin_button_->OnDownClick = [this](vcl::TObject* sender) { DownClick(sender); };
  spin_button_->OnChange = [this](vcl::TObject* sender) { SpinChanged(sender); };
  // The spin button repaints on its bevel's changes; the layout follows too.
  engine::TMMBevel* spin_bevel = spin_button_->Bevel();
  spin_bevel->OnChange = [this, repaint = spin_bevel->OnChange](vcl::TObject* sender) {
    if (repaint) repaint(sender);
    ArrangeParts();
  };

  panel_ = new TMMLEDPanel(this);
  panel_->SetParent(this);
  panel_->SetTabStop(false);
  panel_->SetColor(vcl::clBlack);
  panel_->SetParentShowHint(false);
  panel_->OnChange = [this](vcl::TObject* sender) { SpinChanged(sender); };
  panel_->OnResize = [this](vcl::TObject*) { ArrangeParts(); };
  panel_->OnClick = [this](vcl::TObject*) { Click(); };
  panel_->OnDblClick = [this](vcl::TObject*) { DblClick(); };
  panel_->OnMouseDown = [this](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState s, int x, int y) {
    MouseDown(b, s, x, y);
  };
  panel_->OnMouseMove = [this](vcl::TObject*, vcl::TShiftState s, int x, int y) { MouseMove(s, x, y); };
  panel_->OnMouseUp = [this](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState s, int x, int y) {
    MouseUp(b, s, x, y);
  };
  spin_button_->SetMinValue(panel_->MinValue());
  spin_button_->SetMaxValue(panel_->MaxValue());
  spin_button_->SetValue(panel_->Value());

  SetParentColor(true);
  SetTabStop(true);
  ArrangeParts();
}

TMMLEDSpin::~TMMLEDSpin() {
  panel_->OnResize = nullptr;
  TMMLEDPanel* panel = panel_;
  TMMSpinButton* spin = spin_button_;
  panel_ = nullptr;
  spin_button_ = nullptr;
  delete panel;
  delete spin;
}

bool TMMLEDSpin::Quiet() const {
  return ComponentState().Contains(vcl::csLoading) || ComponentState().Contains(vcl::csReading);
}

// ---- layout ----

vcl::TPoint TMMLEDSpin::Layout() {
  // Asked for 1 x 1, the spin button takes its own smallest size.
  spin_button_->SetBounds(spin_button_->Left(), spin_button_->Top(), 1, 1);
  const int sw = spin_button_->Width(), pw = panel_->Width(), ph = panel_->Height();
  const int w = pw + sw + space_, h = std::max(ph, spin_button_->Height());
  spin_button_->SetBounds(w - sw, 0, sw, h);
  panel_->SetBounds(0, h - ph, pw, ph);
  return {w, h};
}

void TMMLEDSpin::ArrangeParts() {
  // Placing the children resizes them, which comes back here.
  if (arranging_ || !panel_ || !spin_button_) return;
  arranging_ = true;
  try {
    const vcl::TPoint size = Layout();
    if (size.x == Width() && size.y == Height())
      Invalidate();
    else
      SetBounds(Left(), Top(), size.x, size.y);
  } catch (...) {
    arranging_ = false;
    throw;
  }
  arranging_ = false;
}

void TMMLEDSpin::SetBounds(int left, int top, int width, int height) {
  if (panel_ && spin_button_) {
    const bool outer = !arranging_;
    arranging_ = true;
    vcl::TPoint size;
    try {
      size = Layout();
    } catch (...) {
      if (outer) arranging_ = false;
      throw;
    }
    if (outer) arranging_ = false;
    width = size.x;
    height = size.y;
  }
  inherited::SetBounds(left, top, width, height);
}

void TMMLEDSpin::SetSpace(int value) {
  if (value == space_) return;
  space_ = value;
  ArrangeParts();
}

void TMMLEDSpin::SetButtonFace(bool value) {
  if (value == ButtonFace()) return;
  spin_button_->SetButtonFace(value);
  ArrangeParts();
}

void TMMLEDSpin::SetMiddleButton(bool value) {
  if (value == MiddleButton()) return;
  spin_button_->SetMiddleButton(value);
  ArrangeParts();
}

void TMMLEDSpin::Loaded() {
  inherited::Loaded();
  ArrangeParts();
}

// ---- value ----

void TMMLEDSpin::SetValue(int value) {
  // A stored disabled control still reads its value back.
  if (value == panel_->Value() || (!Enabled() && !Quiet())) return;
  const int v = engine::IntClamp(value, panel_->MinValue(), panel_->MaxValue());
  panel_->SetValue(v);
  spin_button_->SetValue(v);
  Change();
}

void TMMLEDSpin::SetMinValue(int value) {
  panel_->SetMinValue(value);
  spin_button_->SetMinValue(value);
}

void TMMLEDSpin::SetMaxValue(int value) {
  panel_->SetMaxValue(value);
  spin_button_->SetMaxValue(value);
}

void TMMLEDSpin::SpinChanged(vcl::TObject* sender) {
  if (Quiet() || sender != spin_button_) return;
  SetValue(spin_button_->Value());
}

void TMMLEDSpin::Change() {
  if (!Quiet() && OnChange) OnChange(this);
}

void TMMLEDSpin::UpClick(vcl::TObject*) {
  if (OnUpClick) OnUpClick(this);
}

void TMMLEDSpin::DownClick(vcl::TObject*) {
  if (OnDownClick) OnDownClick(this);
}

// ---- state and focus ----

void TMMLEDSpin::SetEnabled(bool value) {
  inherited::SetEnabled(value);
  spin_button_->SetEnabled(value);
  panel_->SetEnabled(value);
}

void TMMLEDSpin::FocusSpinButton() {
  if (TabStop() && spin_button_->CanFocus() && !spin_button_->Focused()) spin_button_->SetFocus();
}

void TMMLEDSpin::Click() {
  FocusSpinButton();
  inherited::Click();
}

void TMMLEDSpin::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_SIZE:
      inherited::Dispatch(message);
      ArrangeParts();
      return;
    case plat::WM_SETFOCUS:
      inherited::Dispatch(message);
      FocusSpinButton();
      return;
    case vcl::CM_TABSTOPCHANGED:
      inherited::Dispatch(message);
      if (spin_button_) spin_button_->SetTabStop(TabStop());
      return;
    default:
      inherited::Dispatch(message);
  }
}

}  // namespace controls
