#pragma once
// The print setup window (form fSetupPrint, "Printer input"): the frozen
// spectrum to print, the page's main heading, production line and memo, and
// the spectrum's colours; "Print" saves the memo to "Memo field.txt" in the
// peak-data folder and prints one page through fPrint, which goes again once
// printed. Main thread only.
#include <string>

#include "app/AppForms.h"

namespace vcl {
class TButton;
class TEdit;
class TLabel;
class TMemo;
class TRadioGroup;
}  // namespace vcl

namespace app {

// "Memo field.txt" in the peak-data folder.
std::string MemoFieldFile();

class TfSetupPrint : public vcl::TForm {
  VCL_DECLARE_CLASS(TfSetupPrint, vcl::TForm)
 public:
  explicit TfSetupPrint(vcl::TComponent* owner);
  ~TfSetupPrint() override;

  vcl::TButton* btnFreez = nullptr;
  vcl::TLabel* labFreezed = nullptr;
  vcl::TEdit* edMain = nullptr;
  vcl::TEdit* edProd = nullptr;
  vcl::TMemo* Memo1 = nullptr;
  // 0: black background, the bars in the spectrum's own colours; 1: white, black bars.
  vcl::TRadioGroup* rgBackground = nullptr;
  vcl::TButton* Button1 = nullptr;  // "Print"

  // labFreezed names the file a print would draw.
  void FormShow(vcl::TObject* sender);
  void btnFreezClick(vcl::TObject* sender);
  void Button1Click(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

// Set by the main block.
extern TfSetupPrint* fSetupPrint;

}  // namespace app
