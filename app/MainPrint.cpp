// The print page's menu items: the print setup window and the print dialog.
#include "app/MainForm.h"
#include "app/SetupPrint.h"
#include "platform/vcl/Dialogs.h"

namespace app {

void TFrmMain::PrinterSetup1Click(vcl::TObject*) {
  if (fSetupPrint) fSetupPrint->ShowModal();
}

void TFrmMain::PrinterDiablog1Click(vcl::TObject*) { PrintDialog1->Execute(); }

}  // namespace app
