#include "app/VstForm.h"

#include "platform/vcl/StdCtrls.h"

namespace app {

TfVst* fVst = nullptr;
TForm1* Form1 = nullptr;

TfVst::TfVst(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fVst); }

TfVst::~TfVst() {
  if (fVst == this) fVst = nullptr;
}

void TfVst::Loaded() {
  vcl::TForm::Loaded();
  Label1 = RequireComponent<vcl::TLabel>(this, "Label1");
  Memo1 = RequireComponent<vcl::TMemo>(this, "Memo1");
  Button2 = RequireComponent<vcl::TButton>(this, "Button2");
}

void TfVst::Button2Click(vcl::TObject*) { Close(); }

TForm1::TForm1(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, Form1); }

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::Loaded() {
  vcl::TForm::Loaded();
  Memo1 = RequireComponent<vcl::TMemo>(this, "Memo1");
  Button1 = RequireComponent<vcl::TButton>(this, "Button1");
}

void TForm1::Button1Click(vcl::TObject*) { Close(); }

}  // namespace app

using app::TForm1;
using app::TfVst;
VCL_IMPLEMENT_CLASS(TfVst, Method("Button2Click", &TfVst::Button2Click))
VCL_IMPLEMENT_CLASS(TForm1, Method("Button1Click", &TForm1::Button1Click))
