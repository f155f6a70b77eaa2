#pragma once
// The plug-in information window (form fVst): what the stereo tool plug-in
// is and how to install and load it, shown by the plug-in switch when its
// host is missing. Main thread only.
#include "app/AppForms.h"

namespace vcl {
class TButton;
class TLabel;
class TMemo;
}  // namespace vcl

namespace app {

class TfVst : public vcl::TForm {
  VCL_DECLARE_CLASS(TfVst, vcl::TForm)
 public:
  explicit TfVst(vcl::TComponent* owner);
  ~TfVst() override;

  vcl::TLabel* Label1 = nullptr;
  vcl::TMemo* Memo1 = nullptr;
  vcl::TButton* Button2 = nullptr;  // "Close"

  void Button2Click(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

// The short-key list (form Form1), shown modally from the Info menu.
class TForm1 : public vcl::TForm {
  VCL_DECLARE_CLASS(TForm1, vcl::TForm)
 public:
  explicit TForm1(vcl::TComponent* owner);
  ~TForm1() override;

  vcl::TMemo* Memo1 = nullptr;
  vcl::TButton* Button1 = nullptr;  // "Close"

  void Button1Click(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

// Set by the main block.
extern TfVst* fVst;
extern TForm1* Form1;

}  // namespace app
