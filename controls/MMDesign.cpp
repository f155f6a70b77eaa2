#include "controls/MMDesign.h"

#include "platform/user/Geometry.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

VCL_IMPLEMENT_CLASS(
    TMMDesigner, BoolProp("Active", &TMMDesigner::Active, &TMMDesigner::SetActive).Default(true),
    ColorProp("Color", &TMMDesigner::Color, &TMMDesigner::SetColor).Default(vcl::clRed),
    IntProp("LineWidth", &TMMDesigner::LineWidth, &TMMDesigner::SetLineWidth).Default(1),
    IntProp("Margin", &TMMDesigner::Margin, &TMMDesigner::SetMargin).Default(6),
    BoolProp("AutoUpdate", &TMMDesigner::AutoUpdate, &TMMDesigner::SetAutoUpdate).Default(true),
    BoolProp("Update", &TMMDesigner::Update, &TMMDesigner::SetUpdate),
    BoolProp("Sound", &TMMDesigner::Sound, &TMMDesigner::SetSound).Default(true),
    BoolProp("ShowButton", &TMMDesigner::ShowButton, &TMMDesigner::SetShowButton).Default(false),
    IntProp("RuntimeHeight", &TMMDesigner::RuntimeHeight, &TMMDesigner::SetRuntimeHeight))

TMMDesigner::TMMDesigner(vcl::TComponent* owner) : TMMWndProcComponent(owner) { DesignStart(); }

TMMDesigner::~TMMDesigner() {
  if (Hooked()) RemoveView();
}

void TMMDesigner::SetActive(bool value) {
  if (value)
    RedrawView();
  else
    RemoveView();
  active_ = value;
}

void TMMDesigner::SetColor(vcl::TColor value) {
  if (value == color_) return;
  color_ = value;
  RedrawView();
}

void TMMDesigner::SetLineWidth(int value) {
  if (value == line_width_) return;
  line_width_ = value;
  RedrawView();
}

void TMMDesigner::SetMargin(int value) {
  if (value == margin_) return;
  margin_ = value;
  RedrawView();
}

void TMMDesigner::SetUpdate(bool value) {
  if (!value) return;
  SetActive(false);
  SetActive(true);
}

void TMMDesigner::SetShowButton(bool value) {
  if (value == show_button_) return;
  show_button_ = value;
  vcl::TCustomForm* form = Form();
  if (!form || form->ComponentState().Contains(vcl::csDestroying)) return;
  if (plat::HWND handle = form->Handle())
    plat::SetWindowPos(handle, nullptr, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOZORDER | plat::SWP_NOACTIVATE |
                           plat::SWP_FRAMECHANGED);
}

void TMMDesigner::Loaded() {
  inherited::Loaded();
  if (!DesignMode() && runtime_height_ > 0 && Form()) Form()->SetClientHeight(runtime_height_);
}

void TMMDesigner::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  DesignStart();
}

void TMMDesigner::DesignStart() {
  if (DesignMode()) {
    Hook();
    RedrawView();
  } else {
    RemoveView();
    Unhook();
  }
}

void TMMDesigner::RedrawView() {
  if (DesignMode() && active_ && Hooked() && Form()) Form()->Invalidate();
}

void TMMDesigner::RemoveView() {
  if (DesignMode() && Hooked() && Form()) Form()->Invalidate();
}

}  // namespace controls
