#include "app/OutfitL.h"

#include <iterator>

#include "app/MainForm.h"
#include "app/Settings.h"
#include "controls/MMColBtn.h"
#include "controls/MMLEDSpin.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfOutfitL* fOutfitL = nullptr;

namespace {

constexpr int kDefaultBallistics = 1;

// Per ballistics index: the registry names and defaults of its overload
// points (none: the points stay as they are) and the eight meters' sensitivity.
struct Ballistics {
  const char* top_name;
  int top_default;
  const char* button_name;
  int button_default;
  int sensitivy;
};
constexpr Ballistics kBallistics[] = {{"N9", 90, "N92", 57, -50},      // Nordic N9
                                      {"DIN", 85, "DIN2", 57, -72},    // DIN 45406
                                      {"BBC", 84, "BBC2", 57, -40},    // BBC
                                      {nullptr, 0, nullptr, 0, -50},   // EBU
                                      {nullptr, 0, nullptr, 0, -72},   // dBFS
                                      {nullptr, 0, nullptr, 0, -70},   // K-20
                                      {nullptr, 0, nullptr, 0, -70},   // K-14
                                      {nullptr, 0, nullptr, 0, -70}};  // K-12
constexpr int kBallisticsCount = static_cast<int>(std::size(kBallistics));

// Integration counts of rg_integral's entries 1..5.
constexpr int kIntegrationCounts[] = {5, 10, 15, 20, 299};

}  // namespace

TfOutfitL::TfOutfitL(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fOutfitL); }

TfOutfitL::~TfOutfitL() {
  if (fOutfitL == this) fOutfitL = nullptr;
}

void TfOutfitL::Loaded() {
  vcl::TForm::Loaded();
  using controls::TMMLEDSpin;
  rg_Meter = RequireComponent<vcl::TRadioGroup>(this, "rg_Meter");
  rg_integral = RequireComponent<vcl::TRadioGroup>(this, "rg_integral");
  rg_referenz = RequireComponent<vcl::TRadioGroup>(this, "rg_referenz");
  ol_top = RequireComponent<TMMLEDSpin>(this, "ol_top");
  ol_button = RequireComponent<TMMLEDSpin>(this, "ol_button");
  sp_peaks = RequireComponent<TMMLEDSpin>(this, "sp_peaks");
  MMLEDSpin5 = RequireComponent<TMMLEDSpin>(this, "MMLEDSpin5");
  MMLEDSpin4 = RequireComponent<TMMLEDSpin>(this, "MMLEDSpin4");
  for (int i : {1, 2, 3, 12, 13, 14})
    MMColorButton[static_cast<size_t>(i)] =
        RequireComponent<controls::TMMColorButton>(this, "MMColorButton" + std::to_string(i));
  Button1 = RequireComponent<vcl::TButton>(this, "Button1");
  Timer1 = RequireComponent<vcl::TTimer>(this, "Timer1");
}

// ---- ballistics -------------------------------------------------------------------------------

void TfOutfitL::ResetBallistics() {
  Quiet quiet(*this);
  rg_Meter->SetItemIndex(0);
}

void TfOutfitL::ApplyStoredBallistics() {
  Quiet quiet(*this);
  const int current = rg_Meter->ItemIndex();
  const int stored = ReadInteger("Ballistic", kDefaultBallistics);
  const int index = stored >= 0 && stored < kBallisticsCount ? stored : current;
  // A changed index applies itself; an equal one is applied here.
  if (index != current)
    rg_Meter->SetItemIndex(index);
  else
    rg_MeterClick(this);
}

void TfOutfitL::rg_MeterClick(vcl::TObject*) {
  TFrmMain* main = FrmMain;
  if (!main) return;
  const int index = rg_Meter->ItemIndex();
  if (index < 0 || index >= kBallisticsCount) return;
  const Ballistics& b = kBallistics[index];
  main->MMLevelScale1->SetVisible(false);
  main->ima_nordic1->SetVisible(true);
  {
    // The stored points are read back, not chosen anew.
    Quiet quiet(*this);
    if (b.top_name) {
      ol_top->SetValue(ReadInteger(b.top_name, b.top_default));
      ol_button->SetValue(ReadInteger(b.button_name, b.button_default));
    }
  }
  for (displays::TMMLevel* level : main->AllLevelMeters()) {
    level->SetMeterScale(index);
    level->SetSensitivy(b.sensitivy);
  }
  auto main_four = [main](int sensitivy) {
    for (displays::TMMLevel* level : {main->MMLevel1, main->MMLevel2, main->MMLevel5, main->MMLevel6})
      level->SetSensitivy(sensitivy);
  };
  switch (index) {
    case 1:
      main->MMLevel5->SetSensitivy(-72);
      main->MMLevel6->SetSensitivy(-72);
      break;
    case 2:
      main->ima_nordic1->SetTop(2);
      break;
    case 3:
      main->ima_nordic1->SetTop(-8);
      break;
    case 4:
      main->MMLevelScale1->SetSensitivy(-72);
      main->MMLevelScale1->SetVisible(true);
      main->ima_nordic1->SetVisible(false);
      main->MMLevel5->SetSensitivy(-72);
      main->MMLevel6->SetSensitivy(-72);
      break;
    case 5:
      main_four(-72);
      break;
    case 6:
      main_four(-65);
      break;
    case 7:
      main_four(-70);
      break;
    default:
      break;
  }
  main->MMPeakDetect2->SetMeterScale(index);
  main->DrawLevelScale(index);
  main->Lab_lClick(this);
  if (quiet_ == 0) WriteInteger("Ballistic", index);
}

float TfOutfitL::PeakReadoutOffset() const {
  if (rg_Meter->ItemIndex() != 1) return 0.0f;
  switch (rg_referenz->ItemIndex()) {
    case 1:
      return 4.98f;
    case 2:
      return 11.0f;
    default:
      return 5.0f;
  }
}

// ---- integration and reference ----------------------------------------------------------------

void TfOutfitL::rg_integralClick(vcl::TObject*) {
  TFrmMain* main = FrmMain;
  if (!main) return;
  main->Lab_lClick(this);
  const int index = rg_integral->ItemIndex();
  if (index >= 1 && index <= static_cast<int>(std::size(kIntegrationCounts))) {
    main->MMPeakDetect2->SetIntegration(true);
    main->MMPeakDetect2->SetIntegrationCount(kIntegrationCounts[index - 1]);
  } else {
    main->MMPeakDetect2->SetIntegration(false);
  }
}

void TfOutfitL::rg_referenzClick(vcl::TObject*) {
  TFrmMain* main = FrmMain;
  if (!main) return;
  const int index = rg_referenz->ItemIndex();
  main->MMLevel1->SetReferenceMinus18(index == 1);
  main->MMLevel2->SetReferenceMinus18(index == 1);
  main->MMPeakDetect2->SetReferenceMinus18(index == 1);
  main->MMPeakDetect2->SetReferenceMinus20(index == 2);
  main->Lab_lClick(this);
}

// ---- overload points --------------------------------------------------------------------------

void TfOutfitL::StoreOverloadPoint(bool top, int value) {
  if (quiet_ != 0) return;
  const int index = rg_Meter->ItemIndex();
  if (index < 0 || index >= kBallisticsCount) return;
  const Ballistics& b = kBallistics[index];
  if (const char* name = top ? b.top_name : b.button_name) WriteInteger(name, value);
}

void TfOutfitL::ol_topChange(vcl::TObject*) {
  const int value = ol_top->Value();
  if (TFrmMain* main = FrmMain) {
    for (displays::TMMLevel* level : {main->MMLevel1, main->MMLevel2, main->MMLevel5, main->MMLevel6})
      level->SetPoint2(value);
    main->MMLevelScale1->SetPoint2(value);
  }
  StoreOverloadPoint(true, value);
}

void TfOutfitL::ol_buttonChange(vcl::TObject*) {
  const int value = ol_button->Value();
  if (TFrmMain* main = FrmMain) {
    for (displays::TMMLevel* level : {main->MMLevel1, main->MMLevel2, main->MMLevel5, main->MMLevel6})
      level->SetPoint1(value);
  }
  StoreOverloadPoint(false, value);
}

// ---- meters -----------------------------------------------------------------------------------

void TfOutfitL::MMLEDSpin4Change(vcl::TObject*) {
  TFrmMain* main = FrmMain;
  if (!main) return;
  const int decay = MMLEDSpin4->Value();
  main->MMLevel1->SetDecay(decay);
  main->MMLevel2->SetDecay(decay);
  main->MMLevel5->SetDecay(decay + 2);
  main->MMLevel6->SetDecay(decay + 2);
}

void TfOutfitL::sp_peaksChange(vcl::TObject*) {
  if (TFrmMain* main = FrmMain) {
    main->MMLevel1->SetNumPeaks(sp_peaks->Value());
    main->MMLevel2->SetNumPeaks(sp_peaks->Value());
  }
}

void TfOutfitL::MMLEDSpin5Change(vcl::TObject*) {
  if (TFrmMain* main = FrmMain) {
    main->MMLevel1->SetSpotSpace(MMLEDSpin5->Value());
    main->MMLevel2->SetSpotSpace(MMLEDSpin5->Value());
  }
}

namespace {

// Colour index 0..2 of a meter pair: Bar1Color, Bar2Color, Bar3Color.
void SetPairColor(displays::TMMLevel* a, displays::TMMLevel* b, int index, vcl::TColor color) {
  for (displays::TMMLevel* level : {a, b}) {
    switch (index) {
      case 0:
        level->SetBar1Color(color);
        break;
      case 1:
        level->SetBar2Color(color);
        break;
      default:
        level->SetBar3Color(color);
        break;
    }
  }
}

}  // namespace

// Top, middle and bottom buttons set colour indices 2, 1 and 0.
void TfOutfitL::MMColorButton1Change(vcl::TObject*) {
  if (TFrmMain* m = FrmMain) SetPairColor(m->MMLevel1, m->MMLevel2, 2, MMColorButton[1]->Value());
}
void TfOutfitL::MMColorButton2Change(vcl::TObject*) {
  if (TFrmMain* m = FrmMain) SetPairColor(m->MMLevel1, m->MMLevel2, 1, MMColorButton[2]->Value());
}
void TfOutfitL::MMColorButton3Change(vcl::TObject*) {
  if (TFrmMain* m = FrmMain) SetPairColor(m->MMLevel1, m->MMLevel2, 0, MMColorButton[3]->Value());
}
void TfOutfitL::MMColorButton12Change(vcl::TObject*) {
  if (TFrmMain* m = FrmMain) SetPairColor(m->MMLevel5, m->MMLevel6, 2, MMColorButton[12]->Value());
}
void TfOutfitL::MMColorButton13Change(vcl::TObject*) {
  if (TFrmMain* m = FrmMain) SetPairColor(m->MMLevel5, m->MMLevel6, 1, MMColorButton[13]->Value());
}
void TfOutfitL::MMColorButton14Change(vcl::TObject*) {
  if (TFrmMain* m = FrmMain) SetPairColor(m->MMLevel5, m->MMLevel6, 0, MMColorButton[14]->Value());
}

// ---- shown, the first tick, closed ------------------------------------------------------------

void TfOutfitL::FormShow(vcl::TObject*) { Timer1->SetEnabled(true); }

void TfOutfitL::Timer1Timer(vcl::TObject*) {
  for (controls::TMMLEDSpin* spin : {ol_top, ol_button, sp_peaks, MMLEDSpin4, MMLEDSpin5})
    spin->SetPanelColor(vcl::clBlack);
  Timer1->SetEnabled(false);
}

// The settings live in the main window's components and reach the project file from there.
void TfOutfitL::Button1Click(vcl::TObject*) { Close(); }

}  // namespace app

using app::TfOutfitL;
VCL_IMPLEMENT_CLASS(TfOutfitL, Method("rg_MeterClick", &TfOutfitL::rg_MeterClick),
                    Method("rg_integralClick", &TfOutfitL::rg_integralClick),
                    Method("rg_referenzClick", &TfOutfitL::rg_referenzClick),
                    Method("MMLEDSpin4Change", &TfOutfitL::MMLEDSpin4Change),
                    Method("sp_peaksChange", &TfOutfitL::sp_peaksChange),
                    Method("MMLEDSpin5Change", &TfOutfitL::MMLEDSpin5Change),
                    Method("ol_topChange", &TfOutfitL::ol_topChange),
                    Method("ol_buttonChange", &TfOutfitL::ol_buttonChange),
                    Method("MMColorButton1Change", &TfOutfitL::MMColorButton1Change),
                    Method("MMColorButton2Change", &TfOutfitL::MMColorButton2Change),
                    Method("MMColorButton3Change", &TfOutfitL::MMColorButton3Change),
                    Method("MMColorButton12Change", &TfOutfitL::MMColorButton12Change),
                    Method("MMColorButton13Change", &TfOutfitL::MMColorButton13Change),
                    Method("MMColorButton14Change", &TfOutfitL::MMColorButton14Change),
                    Method("FormShow", &TfOutfitL::FormShow), Method("Timer1Timer", &TfOutfitL::Timer1Timer),
                    Method("Button1Click", &TfOutfitL::Button1Click))
