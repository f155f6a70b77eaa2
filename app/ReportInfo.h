#pragma once
// The "Report Information" window (form fReport): location, person and a memo
// that the Leq report's head quotes. Main thread only.
#include "app/AppForms.h"

namespace vcl {
class TButton;
class TEdit;
class TImage;
class TMemo;
}  // namespace vcl

namespace app {

class TfReport : public vcl::TForm {
  VCL_DECLARE_CLASS(TfReport, vcl::TForm)
 public:
  explicit TfReport(vcl::TComponent* owner);
  ~TfReport() override;

  vcl::TEdit* Edit1 = nullptr;  // location
  vcl::TEdit* Edit2 = nullptr;  // person
  vcl::TMemo* memo_memo = nullptr;
  vcl::TButton* Button1 = nullptr;  // "Okay"
  vcl::TImage* Image2 = nullptr;

  void Button1Click(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

// Set by the main block.
extern TfReport* fReport;

}  // namespace app
