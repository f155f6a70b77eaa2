#pragma once
// The "Correlation Meter Settings" dialog (form fCorre): the averaging speed
// of the main window's correlation meter and its four colours. The dialog
// keeps nothing of its own: each control writes the main window's meter at
// once. Main thread only.
#include "app/AppForms.h"

namespace vcl {
class TButton;
class TRadioGroup;
}  // namespace vcl
namespace controls {
class TMMColorButton;
}  // namespace controls

namespace app {

class TfCorre : public vcl::TForm {
  VCL_DECLARE_CLASS(TfCorre, vcl::TForm)
 public:
  explicit TfCorre(vcl::TComponent* owner);
  ~TfCorre() override;

  controls::TMMColorButton* MMColorButton4 = nullptr;  // bar above zero
  controls::TMMColorButton* MMColorButton5 = nullptr;  // bar at zero
  controls::TMMColorButton* MMColorButton6 = nullptr;  // bar below zero
  controls::TMMColorButton* color_1 = nullptr;         // line
  vcl::TRadioGroup* rg_correlation = nullptr;
  vcl::TButton* btn_okay = nullptr;

  // Also run by the main window's first show.
  void rg_correlationClick(vcl::TObject* sender);
  void FormShow(vcl::TObject* sender);
  void MMColorButton4Change(vcl::TObject* sender);
  void MMColorButton5Change(vcl::TObject* sender);
  void MMColorButton6Change(vcl::TObject* sender);
  void color_1Change(vcl::TObject* sender);
  void btn_okayClick(vcl::TObject* sender);

 protected:
  void Loaded() override;
};

// Set by the main block.
extern TfCorre* fCorre;

}  // namespace app
