#include "app/ReportInfo.h"

#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfReport* fReport = nullptr;

TfReport::TfReport(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fReport); }

TfReport::~TfReport() {
  if (fReport == this) fReport = nullptr;
}

void TfReport::Loaded() {
  vcl::TForm::Loaded();
  Edit1 = RequireComponent<vcl::TEdit>(this, "Edit1");
  Edit2 = RequireComponent<vcl::TEdit>(this, "Edit2");
  memo_memo = RequireComponent<vcl::TMemo>(this, "memo_memo");
  Button1 = RequireComponent<vcl::TButton>(this, "Button1");
  Image2 = RequireComponent<vcl::TImage>(this, "Image2");
}

void TfReport::Button1Click(vcl::TObject*) { Close(); }

}  // namespace app

using app::TfReport;
VCL_IMPLEMENT_CLASS(TfReport, Method("Button1Click", &TfReport::Button1Click))
