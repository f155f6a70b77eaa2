#pragma once
// The "Levels settings" dialog: meter ballistics, integration time,
// reference level, overload points, decay, peaks, spot spacing and colours of
// the main window's level and RMS meters. Each control writes the main
// window's components at once; the dialog keeps no copy of its own. Main
// thread only.
//
// The ballistics choice and, for the scales that keep their own overload
// points in the registry (Nordic N9, DIN 45406, BBC), the overload points are
// stored when the user changes them, so a resize or a restart, which apply
// the stored choice again, keep what the user chose.
#include <array>
#include <string>

#include "app/AppForms.h"

namespace vcl {
class TButton;
class TRadioGroup;
class TTimer;
}  // namespace vcl
namespace controls {
class TMMLEDSpin;
class TMMColorButton;
}  // namespace controls

namespace app {

class TfOutfitL : public vcl::TForm {
  VCL_DECLARE_CLASS(TfOutfitL, vcl::TForm)
 public:
  explicit TfOutfitL(vcl::TComponent* owner);
  ~TfOutfitL() override;

  vcl::TRadioGroup* rg_Meter = nullptr;
  vcl::TRadioGroup* rg_integral = nullptr;
  vcl::TRadioGroup* rg_referenz = nullptr;
  controls::TMMLEDSpin* ol_top = nullptr;
  controls::TMMLEDSpin* ol_button = nullptr;
  controls::TMMLEDSpin* sp_peaks = nullptr;
  controls::TMMLEDSpin* MMLEDSpin5 = nullptr;
  controls::TMMLEDSpin* MMLEDSpin4 = nullptr;
  // MMColorButton[1..3] level meters, [12..14] RMS meters; the others are unused.
  std::array<controls::TMMColorButton*, 15> MMColorButton{};
  vcl::TButton* Button1 = nullptr;
  vcl::TTimer* Timer1 = nullptr;

  // Start-up: the meter group to its first entry, as the program's start
  // does before it applies the stored choice. Stores nothing.
  void ResetBallistics();
  // Applies the ballistics stored under "Ballistic" (1 when none; a value
  // outside the list keeps the current choice). Stores nothing.
  void ApplyStoredBallistics();
  // The dB offset of the peak read-outs: the DIN scale reads its reference.
  float PeakReadoutOffset() const;

  void rg_MeterClick(vcl::TObject* sender);
  void rg_integralClick(vcl::TObject* sender);
  void rg_referenzClick(vcl::TObject* sender);
  void MMLEDSpin4Change(vcl::TObject* sender);
  void sp_peaksChange(vcl::TObject* sender);
  void MMLEDSpin5Change(vcl::TObject* sender);
  void ol_topChange(vcl::TObject* sender);
  void ol_buttonChange(vcl::TObject* sender);
  void MMColorButton1Change(vcl::TObject* sender);
  void MMColorButton2Change(vcl::TObject* sender);
  void MMColorButton3Change(vcl::TObject* sender);
  void MMColorButton12Change(vcl::TObject* sender);
  void MMColorButton13Change(vcl::TObject* sender);
  void MMColorButton14Change(vcl::TObject* sender);
  void FormShow(vcl::TObject* sender);
  void Timer1Timer(vcl::TObject* sender);
  void Button1Click(vcl::TObject* sender);

 protected:
  void Loaded() override;

 private:
  // Writes of the program itself (start-up, resize, the ballistics reading
  // its stored overload points) are not the user's choice and store nothing.
  struct Quiet {
    explicit Quiet(TfOutfitL& form) : form_(form) { ++form_.quiet_; }
    ~Quiet() { --form_.quiet_; }
    TfOutfitL& form_;
  };
  // Stores an overload point under the current scale's name, if it has one.
  void StoreOverloadPoint(bool top, int value);

  int quiet_ = 0;
};

extern TfOutfitL* fOutfitL;

}  // namespace app
