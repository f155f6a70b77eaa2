#include "app/InfoForm.h"

namespace app {

TFrmInfo::TFrmInfo(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, FrmInfo); }

TFrmInfo::~TFrmInfo() {
  if (FrmInfo == this) FrmInfo = nullptr;
}

void TFrmInfo::Loaded() {
  vcl::TForm::Loaded();
  Bevel1 = dynamic_cast<vcl::TBevel*>(FindComponent("Bevel1"));
  StatusBar1 = dynamic_cast<vcl::TStatusBar*>(FindComponent("StatusBar1"));
  StatusBar2 = dynamic_cast<vcl::TStatusBar*>(FindComponent("StatusBar2"));
  Button1 = dynamic_cast<vcl::TButton*>(FindComponent("Button1"));
  if (!Bevel1 || !StatusBar1 || !StatusBar2 || !Button1)
    throw EAppFormError("The description of TFrmInfo lacks one of its controls");
}

void TFrmInfo::Button1Click(vcl::TObject*) { Close(); }

}  // namespace app

using app::TFrmInfo;
VCL_IMPLEMENT_CLASS(TFrmInfo, Method("Button1Click", &TFrmInfo::Button1Click))
