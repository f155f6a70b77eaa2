#pragma once
// The program information window; at start it stands while the main window
// starts, and the start-up timer closes it. Its two link labels write to the
// maker and open the maker's web page.
#include "app/AppForms.h"
#include "controls/MMLabel.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

class TFrmInfo : public vcl::TForm {
  VCL_DECLARE_CLASS(TFrmInfo, vcl::TForm)
 public:
  explicit TFrmInfo(vcl::TComponent* owner);
  ~TFrmInfo() override;

  vcl::TBevel* Bevel1 = nullptr;
  vcl::TImage* Image1 = nullptr;
  controls::TMMLabel* MMLabel7 = nullptr;  // the maker's e-mail address
  controls::TMMLabel* MMLabel3 = nullptr;  // the maker's web address
  vcl::TStatusBar* StatusBar1 = nullptr;
  vcl::TStatusBar* StatusBar2 = nullptr;
  vcl::TButton* Button1 = nullptr;

  void Button1Click(vcl::TObject* sender);
  void MMLabel3Click(vcl::TObject* sender);
  void MMLabel7Click(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

}  // namespace app
