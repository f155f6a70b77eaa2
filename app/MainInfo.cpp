// The Info menu, the mixer item and the average page's workshop link: the
// information windows and the shell's "open" of the help page and the
// maker's addresses.
#include "app/InfoForm.h"
#include "app/InfoLinks.h"
#include "app/MainForm.h"
#include "app/VstForm.h"
#include "platform/vcl/Application.h"

namespace app {

void TFrmMain::CreateWorkshopLink() {
  Label20 = new vcl::TLabel(this);
  Label20->SetName("Label20");
  Label20->SetParent(PanAverage);
  Label20->SetBounds(430, 180, 220, 16);
  Label20->SetCaption("Get help from the workshop");
  Label20->SetCursor(vcl::crHandPoint);
  Label20->Font()->SetColor(vcl::clNavy);
  Label20->Font()->SetStyle(vcl::TFontStyles{vcl::fsUnderline});
  Label20->OnClick = [this](vcl::TObject* sender) { Label20Click(sender); };
}

void TFrmMain::About1Click(vcl::TObject*) {
  // The start-up window is closed, not freed; should it be gone, a new one takes its place.
  if (!FrmInfo) FrmInfo = new TFrmInfo(vcl::Application);
  FrmInfo->Show();
}

void TFrmMain::H1Click(vcl::TObject*) {
  if (Form1) Form1->ShowModal();
}

void TFrmMain::HelpFile1Click(vcl::TObject*) { OpenHelpPage(Handle()); }
void TFrmMain::SetupforInput1Click(vcl::TObject*) { OpenThroughShell(Handle(), kMixerProgram); }
void TFrmMain::Updatecheck1Click(vcl::TObject*) { OpenThroughShell(Handle(), kMakerMail); }
void TFrmMain::HomepageVantorel1Click(vcl::TObject*) { OpenThroughShell(Handle(), kMakerHomePage); }
void TFrmMain::Label20Click(vcl::TObject*) { OpenThroughShell(Handle(), kWorkshopPage); }

}  // namespace app
