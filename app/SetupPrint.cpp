#include "app/SetupPrint.h"

#include <memory>

#include "app/MainForm.h"
#include "app/PrintPage.h"
#include "app/Projects.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfSetupPrint* fSetupPrint = nullptr;

std::string MemoFieldFile() { return PeakDataFolder() + "Memo field.txt"; }

TfSetupPrint::TfSetupPrint(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fSetupPrint); }

TfSetupPrint::~TfSetupPrint() {
  if (fSetupPrint == this) fSetupPrint = nullptr;
}

void TfSetupPrint::Loaded() {
  vcl::TForm::Loaded();
  btnFreez = RequireComponent<vcl::TButton>(this, "btnFreez");
  labFreezed = RequireComponent<vcl::TLabel>(this, "labFreezed");
  edMain = RequireComponent<vcl::TEdit>(this, "edMain");
  edProd = RequireComponent<vcl::TEdit>(this, "edProd");
  Memo1 = RequireComponent<vcl::TMemo>(this, "Memo1");
  rgBackground = RequireComponent<vcl::TRadioGroup>(this, "rgBackground");
  Button1 = RequireComponent<vcl::TButton>(this, "Button1");
}

void TfSetupPrint::FormShow(vcl::TObject*) {
  if (FrmMain) labFreezed->SetCaption(FrmMain->FrozenFileName);
}

void TfSetupPrint::btnFreezClick(vcl::TObject*) {
  vcl::TOpenDialog* dialog = FrmMain->LoadDialog1;
  dialog->SetInitialDir(PeakDataFolder());
  if (!dialog->Execute()) return;
  FrmMain->FrozenFileName = dialog->FileName();
  labFreezed->SetCaption(dialog->FileName());
}

void TfSetupPrint::Button1Click(vcl::TObject*) {
  FrmMain->LoadDialog1->SetInitialDir(PeakDataFolder());
  if (FrmMain->FrozenFileName.empty()) {
    vcl::MessageDlg("Please select a freezed Background!", vcl::mtInformation, {vcl::mbOK}, 0);
    return;
  }
  // Before the page is built: a memo that cannot be saved prints nothing. The
  // folder is made first, as the program's own folders are there from the start.
  PreparePeakDataFolder();
  SaveLinesWhole(*Memo1->Lines(), MemoFieldFile());
  // The page prints itself as it is created and goes once printed.
  std::unique_ptr<TfPrint> page(new TfPrint(vcl::Application));
  page->BeforeDestruction();
}

}  // namespace app

using app::TfSetupPrint;
VCL_IMPLEMENT_CLASS(TfSetupPrint, Method("FormShow", &TfSetupPrint::FormShow),
                    Method("btnFreezClick", &TfSetupPrint::btnFreezClick),
                    Method("Button1Click", &TfSetupPrint::Button1Click))
