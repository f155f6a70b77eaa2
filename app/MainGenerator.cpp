// The generator page (frequency, waveform, trigger mode and level of
// MMGenerator1, played through the wave output and analysed as it plays) and
// the compare page (the generator on the output while the input is analysed,
// with the input's and the output's levels side by side).
#include <iterator>

#include "app/MainForm.h"
#include "engine/MMUtils.h"

namespace app {

namespace {

struct WaveText {
  engine::TMMWaveForm form;
  const char* text;
};
// The two saws keep the names the page has always given them.
constexpr WaveText kWaves[] = {{engine::wfSine, "SINE"},
                               {engine::wfSquare, "SQUARE"},
                               {engine::wfTriangle, "TRIANGLE"},
                               {engine::wfSawtoothPos, "SAWTOOTH NEG"},
                               {engine::wfSawtoothNeg, "SAWTOOTH POS"},
                               {engine::wfNoise, "WHITE NOISE"}};

struct TriggerText {
  displays::TMMTriggerMode mode;
  const char* text;
};
constexpr TriggerText kTriggers[] = {
    {displays::tmNone, "NONE"}, {displays::tmUpFlank, "UP FLANK"}, {displays::tmDownFlank, "DOWN FLANK"}};

constexpr int kIncrements[] = {1, 10, 100, 1000};

constexpr int kCompareReadOutPasses = 250;

// A control of another window, found by name, so this page does not depend on
// that window being built; null while it is not there.
vcl::TComponent* ComponentOfForm(const char* form_name, const char* name) {
  if (!vcl::Screen) return nullptr;
  for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
    vcl::TCustomForm* form = vcl::Screen->Forms(i);
    if (form->Name() == form_name) return form->FindComponent(name);
  }
  return nullptr;
}

// Runs a control's click handler where its feature has one.
void ClickIfBound(vcl::TControl* control) {
  if (control->OnClick) control->OnClick(control);
}

}  // namespace

void TFrmMain::SpinFreq1Change(vcl::TObject*) {
  MMGenerator1->SetFrequency(static_cast<double>(SpinFreq1->Value()));
}

void TFrmMain::RadioGroup2Click(vcl::TObject*) {
  const int index = RadioGroup2->ItemIndex();
  if (index < 0 || index >= static_cast<int>(std::size(kIncrements))) return;
  SpinFreq1->SetIncrement(kIncrements[index]);
  spLevel->SetIncrement(SpinFreq1->Increment());
}

void TFrmMain::MMSpinButton5Change(vcl::TObject*) {
  const int value = MMSpinButton5->Value();
  if (value < 0 || value >= static_cast<int>(std::size(kWaves))) return;
  MMGenerator1->SetWaveForm(kWaves[value].form);
  LEDWave1->SetCaption(kWaves[value].text);
}

void TFrmMain::MMSpinButton6Change(vcl::TObject*) {
  const int value = MMSpinButton6->Value();
  if (value < 0 || value >= static_cast<int>(std::size(kTriggers))) return;
  MMLED1->SetCaption(kTriggers[value].text);
  conect2->SetTriggerMode(kTriggers[value].mode);
}

void TFrmMain::spLevelChange(vcl::TObject*) { ApplyGeneratorLevel(spLevel->Value(), MMSpinButton7); }

void TFrmMain::MMSpinButton7Change(vcl::TObject*) { ApplyGeneratorLevel(MMSpinButton7->Value(), spLevel); }

// Both pages set the one generator's level, so each level spin also moves the
// other: the two never show different levels, whichever changed last.
void TFrmMain::ApplyGeneratorLevel(int value, controls::TMMSpinButton* other) {
  if (level_in_step_) return;
  level_in_step_ = true;
  other->SetValue(value);
  level_in_step_ = false;
  MMGenerator1->SetAmplitude(value);
  const std::string text = engine::LevelToDBText(value, engine::kMaxVolume, 0.0f);
  labDB->SetCaption(text);
  labDB2->SetCaption(text);
  ClickIfBound(Lab_l);
}

void TFrmMain::Button1Click(vcl::TObject*) {
  MMWaveIn1->Close();
  MMWaveOut1->Stop();
  ApplySpectrumOutfit();
  MMSpectrum1->SetEnabled(false);
  MMSpectrum1->SetEnabled(true);
  ApplyDisplaySettings();
  ClickIfBound(Lab_l);
  MMWaveOut1->Close();
  MMWaveOut1->SetInput(MMGenerator1);
  // The analysis receives every buffer once it has been played.
  MMConnector1->SetInput(MMWaveOut1);
  MMWaveOut1->Start();
}

void TFrmMain::Button2Click(vcl::TObject*) {
  MMWaveOut1->Close();
  MMConnector1->SetInput(MMWaveIn1);
}

void TFrmMain::btn_scompClick(vcl::TObject*) {
  rg_octave->SetItemIndex(4);
  RouteCompare();
  mmLevel7->SetMeterScale(4);
  mmLevel8->SetMeterScale(4);
}

void TFrmMain::Button21Click(vcl::TObject*) {
  Timer1->SetEnabled(false);
  MMWaveOut1->Close();
  MMWaveIn1->Close();
  ApplySpectrumOutfit();
  for (vcl::TButton* button : {btn_pn, btn_wn, btn_swwep})
    if (button->OnClick) button->SetEnabled(true);
  MMConnector3->SetEnabled(false);
  MMWaveIn1->SetMode(engine::mStereo);
  conect2->SetLevel1(MMLevel3);
  conect2->SetLevel2(MMLevel4);
  // The main meters go back to the input, and the compare connector lets go
  // of them, so the right meter does not stay on the output after compare.
  MMConnector3->SetLevel1(nullptr);
  MMConnector3->SetLevel2(nullptr);
  MMConnector1->SetLevel1(MMLevel1);
  MMConnector1->SetLevel2(MMLevel2);
  MMWaveOut1->SetInput(dynamic_cast<engine::TMMDSPComponent*>(FindComponent("waveplayer")));
  MMWaveOut1->SetOutput(MMConnector1);
  // No choice in the input dialog (or no dialog yet) keeps the input's rate.
  if (auto* rate = dynamic_cast<vcl::TRadioGroup*>(ComponentOfForm("fDrvIn", "rg_sample"));
      rate && rate->ItemIndex() >= 0)
    MMWaveIn1->SetSampleRate(rate->ItemIndex() == 0 ? 44100 : 48000);
  MMGenerator1->SetSampleRate(MMWaveIn1->SampleRate());
}

void TFrmMain::CheckBox8Click(vcl::TObject*) {
  if (CheckBox8->Checked()) {
    MMConnector3->SetSpectrum1(MMSpectrum1);
    CheckBox8->SetCaption("Analyzer output && input");
  } else {
    MMConnector3->SetSpectrum1(nullptr);
    CheckBox8->SetCaption("Analyzer shows only input");
  }
}

void TFrmMain::MMConnector3Trigger(vcl::TObject*) {
  if (compare_trigger_count_ >= kCompareReadOutPasses) {
    LabIn->SetCaption(engine::LevelToDBText(mmLevel7->LastLevel(), 32768, 0.0f));
    LabOut->SetCaption(engine::LevelToDBText(mmLevel8->LastLevel(), 32768, 0.0f));
    compare_trigger_count_ = 0;
  }
  ++compare_trigger_count_;
}

}  // namespace app
