#include "app/Corre.h"

#include <iterator>

#include "app/MainForm.h"
#include "app/Settings.h"
#include "controls/MMColBtn.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfCorre* fCorre = nullptr;

namespace {

struct Speed {
  int average;
  int history_length;
};
// FAST, MIDDEL, SLOW.
constexpr Speed kSpeeds[] = {{50, 50}, {160, 100}, {490, 490}};

template <class T>
T* Find(vcl::TComponent* form, const char* name) {
  auto* found = dynamic_cast<T*>(form->FindComponent(name));
  if (!found) throw EAppFormError(std::string("The description of TfCorre lacks ") + name);
  return found;
}

// The main window's colours with one of them changed.
void SetMeterColor(vcl::TColor TCorrelationColors::*which, vcl::TColor color) {
  if (!FrmMain) return;
  TCorrelationColors colors = FrmMain->CorrelationColors();
  colors.*which = color;
  FrmMain->SetCorrelationColors(colors);
}

}  // namespace

TfCorre::TfCorre(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fCorre); }

TfCorre::~TfCorre() {
  if (fCorre == this) fCorre = nullptr;
}

void TfCorre::Loaded() {
  vcl::TForm::Loaded();
  MMColorButton4 = Find<controls::TMMColorButton>(this, "MMColorButton4");
  MMColorButton5 = Find<controls::TMMColorButton>(this, "MMColorButton5");
  MMColorButton6 = Find<controls::TMMColorButton>(this, "MMColorButton6");
  color_1 = Find<controls::TMMColorButton>(this, "color_1");
  rg_correlation = Find<vcl::TRadioGroup>(this, "rg_correlation");
  btn_okay = Find<vcl::TButton>(this, "btn_okay");
}

void TfCorre::rg_correlationClick(vcl::TObject*) {
  const int index = rg_correlation->ItemIndex();
  if (!FrmMain || index < 0 || index >= static_cast<int>(std::size(kSpeeds))) return;
  const Speed& speed = kSpeeds[index];
  FrmMain->SetCorrelationSpeed(speed.average, speed.history_length);
}

void TfCorre::FormShow(vcl::TObject*) {
  MMColorButton5->SetValue(ReadInteger("c_bar_o", MMColorButton5->Value()));
  MMColorButton6->SetValue(ReadInteger("c_bar_m", MMColorButton6->Value()));
  MMColorButton4->SetValue(ReadInteger("c_bar_p", MMColorButton4->Value()));
  color_1->SetValue(ReadInteger("c_line", color_1->Value()));
}

void TfCorre::MMColorButton4Change(vcl::TObject*) {
  SetMeterColor(&TCorrelationColors::above, MMColorButton4->Value());
}
void TfCorre::MMColorButton5Change(vcl::TObject*) {
  SetMeterColor(&TCorrelationColors::zero, MMColorButton5->Value());
}
void TfCorre::MMColorButton6Change(vcl::TObject*) {
  SetMeterColor(&TCorrelationColors::below, MMColorButton6->Value());
}
void TfCorre::color_1Change(vcl::TObject*) { SetMeterColor(&TCorrelationColors::line, color_1->Value()); }

void TfCorre::btn_okayClick(vcl::TObject*) { Close(); }

}  // namespace app

using app::TfCorre;
VCL_IMPLEMENT_CLASS(TfCorre, Method("rg_correlationClick", &TfCorre::rg_correlationClick),
                    Method("FormShow", &TfCorre::FormShow),
                    Method("MMColorButton4Change", &TfCorre::MMColorButton4Change),
                    Method("MMColorButton5Change", &TfCorre::MMColorButton5Change),
                    Method("MMColorButton6Change", &TfCorre::MMColorButton6Change),
                    Method("color_1Change", &TfCorre::color_1Change),
                    Method("btn_okayClick", &TfCorre::btn_okayClick))
