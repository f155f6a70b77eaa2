#include "app/InfoForm.h"

#include "app/InfoLinks.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace app {

TFrmInfo::TFrmInfo(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, FrmInfo); }

TFrmInfo::~TFrmInfo() {
  if (FrmInfo == this) FrmInfo = nullptr;
}

void TFrmInfo::Loaded() {
  vcl::TForm::Loaded();
  Bevel1 = RequireComponent<vcl::TBevel>(this, "Bevel1");
  Image1 = RequireComponent<vcl::TImage>(this, "Image1");
  MMLabel7 = RequireComponent<controls::TMMLabel>(this, "MMLabel7");
  MMLabel3 = RequireComponent<controls::TMMLabel>(this, "MMLabel3");
  StatusBar1 = RequireComponent<vcl::TStatusBar>(this, "StatusBar1");
  StatusBar2 = RequireComponent<vcl::TStatusBar>(this, "StatusBar2");
  Button1 = RequireComponent<vcl::TButton>(this, "Button1");
  Image1->Picture()->Bitmap()->LoadFromResourceName(nullptr, "INFO_PICTURE");
}

void TFrmInfo::Button1Click(vcl::TObject*) { Close(); }
void TFrmInfo::MMLabel3Click(vcl::TObject*) { OpenThroughShell(Handle(), kMakerWebPage); }
void TFrmInfo::MMLabel7Click(vcl::TObject*) { OpenThroughShell(Handle(), kMakerMail); }

}  // namespace app

using app::TFrmInfo;
VCL_IMPLEMENT_CLASS(TFrmInfo, Method("Button1Click", &TFrmInfo::Button1Click),
                    Method("MMLabel3Click", &TFrmInfo::MMLabel3Click),
                    Method("MMLabel7Click", &TFrmInfo::MMLabel7Click))
