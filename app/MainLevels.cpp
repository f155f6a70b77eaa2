// The main window's level meters: peak read-outs, overload LEDs, the RMS
// meters fed from the level meters' histories, the meter layout and the
// scale picture. Everything here runs on the main thread: the read-outs take
// the peak detector's levels once per pass of the second connector instead of
// being written by the thread that delivers the buffers.
#include <algorithm>
#include <cmath>

#include "app/LevelScales.h"
#include "app/MainForm.h"
#include "app/OutfitL.h"
#include "engine/MMUtils.h"

namespace app {

namespace {

constexpr int kNoHeldLevel = -99;
constexpr int kRmsCount = 72;
constexpr int32_t kFullScaleRef = 32768;

// Root mean square of the newest `count` history levels. The squares are
// summed in 64 bits: 72 full-scale squares are far beyond 32 bits. Silence
// reads 1, not 0.
int32_t RmsOfHistory(const std::array<int32_t, displays::TMMCustomLevel::kHistoryLength>& history,
                     int count) {
  int64_t sum = 0;
  for (int i = 0; i < count; ++i) {
    const int64_t s = history[static_cast<size_t>(i)];
    sum += s * s;
  }
  double mean = static_cast<double>(sum) / count;
  if (mean <= 0) mean = 1.0;
  const double rms = std::min(std::sqrt(mean), static_cast<double>(kFullScaleRef));
  return static_cast<int32_t>(std::trunc(rms));
}

}  // namespace

std::array<displays::TMMLevel*, 8> TFrmMain::AllLevelMeters() const {
  return {MMLevel1, MMLevel2, MMLevel3, MMLevel4, MMLevel5, MMLevel6, mmLevel7, mmLevel8};
}

// ---- the pass of the second connector -----------------------------------------------------------

void TFrmMain::conect2Trigger(vcl::TObject*) {
  PublishScanProgress();
  RmsStep();
  LevelPeakStep();
  if (DisplayNote1->Checked()) UpdateNote();
  const bool correlation = DisplayCorrelationMeter1->Checked();
  Image4->SetVisible(correlation);
  if (correlation) UpdateCorrelation();
  LeqStep();
  CountNotePass();
}

void TFrmMain::RmsStep() {
  if (!DisplayRMSLevelMeter1->Checked()) {
    MMLevel5->SetEnabled(false);
    MMLevel6->SetEnabled(false);
    return;
  }
  rms_count_ = kRmsCount;
  // With the pairs swapped the connector feeds the RMS meters' places, and
  // the RMS values go to the outer meters.
  displays::TMMLevel* left_source = rms_swap_ ? MMLevel5 : MMLevel1;
  displays::TMMLevel* left_shown = rms_swap_ ? MMLevel1 : MMLevel5;
  displays::TMMLevel* right_source = rms_swap_ ? MMLevel6 : MMLevel2;
  displays::TMMLevel* right_shown = rms_swap_ ? MMLevel2 : MMLevel6;
  left_shown->ShowLevel(RmsOfHistory(left_source->LevelHistory(), rms_count_));
  right_shown->ShowLevel(RmsOfHistory(right_source->LevelHistory(), rms_count_));
}

void TFrmMain::LevelPeakStep() {
  const int left = MMPeakDetect2->LevelLeft();
  const int right = MMPeakDetect2->LevelRight();
  if (left <= held_left_ && right <= held_right_) return;
  const float offset = fOutfitL ? fOutfitL->PeakReadoutOffset() : 0.0f;
  if (left > held_left_) {
    held_left_ = left;
    Lab_l->SetCaption(engine::LevelToDBText(held_left_, kFullScaleRef, offset));
  }
  if (right > held_right_) {
    held_right_ = right;
    Lab_r->SetCaption(engine::LevelToDBText(held_right_, kFullScaleRef, offset));
  }
}

// ---- read-outs and overload -----------------------------------------------------------------------

void TFrmMain::Lab_lClick(vcl::TObject*) {
  for (vcl::TLabel* label : {Lab_l, Lab_r, lab_ppm_l, lab_ppm_r}) label->SetCaption("-inf");
  held_left_ = held_right_ = kNoHeldLevel;
  LEDLeft->SetEnabled(false);
  LEDRight->SetEnabled(false);
}

void TFrmMain::Overload(controls::TMMLED* led) {
  led->SetEnabled(true);
  // The LED goes out 2 s after the overload that lit it; later ones do not extend that.
  if (!TimerOver->Enabled()) TimerOver->SetEnabled(true);
}

void TFrmMain::MMLevel1GainOverflow(vcl::TObject*) { Overload(LEDLeft); }

void TFrmMain::MMLevel2GainOverflow(vcl::TObject*) { Overload(LEDRight); }

void TFrmMain::TimerOverTimer(vcl::TObject*) {
  lab_ppm_l->SetCaption("-inf");
  lab_ppm_r->SetCaption("-inf");
  // The next pass writes the peak read-outs anew.
  held_left_ = held_right_ = kNoHeldLevel;
  TimerOver->SetEnabled(false);
  LEDLeft->SetEnabled(false);
  LEDRight->SetEnabled(false);
}

// ---- menu items and main-window spins --------------------------------------------------------------

// "Display RMS Level Meter".
void TFrmMain::DisplayCorrelationMeter1Click(vcl::TObject*) {
  const bool rms = DisplayRMSLevelMeter1->Checked();
  MMLevel5->SetEnabled(rms);
  MMLevel6->SetEnabled(rms);
}

void TFrmMain::ChangeLevelMeterwithRMSMeter1Click(vcl::TObject*) {
  rms_swap_ = ChangeLevelMeterwithRMSMeter1->Checked();
  if (rms_swap_) {
    MMConnector1->SetLevel1(MMLevel5);
    MMConnector1->SetLevel2(MMLevel6);
  } else {
    MMConnector1->SetLevel2(MMLevel2);
    MMConnector1->SetLevel1(MMLevel1);
  }
}

void TFrmMain::MMLEDSpin2Change(vcl::TObject*) {
  for (displays::TMMLevel* level : {MMLevel1, MMLevel2, MMLevel3, MMLevel4})
    level->SetDecay(MMLEDSpin2->Value());
}

void TFrmMain::MMLEDSpin19Change(vcl::TObject*) {
  const int speed = MMLEDSpin19->Value();
  MMSpectrum1->SetPeakSpeed(speed);
  for (displays::TMMLevel* level : {MMLevel1, MMLevel2, MMLevel5, MMLevel6}) level->SetPeakSpeed(speed);
}

void TFrmMain::LevelSettings1Click(vcl::TObject*) {
  if (fOutfitL) fOutfitL->Show();
}

// ---- layout and scale picture --------------------------------------------------------------------------

void TFrmMain::LayoutLevelMeters() {
  for (displays::TMMLevel* level : {MMLevel1, MMLevel5, MMLevel6, MMLevel2}) {
    level->SetHeight(pan_Level->Height());
    level->SetTop(11);
  }
  ima_nordic1->SetHeight(pan_Level->Height() - 4);
  if (!fOutfitL) return;
  const int index = fOutfitL->rg_Meter->ItemIndex();
  static constexpr int kSensitivy[] = {-50, -72, -50, -50};
  if (index < 0 || index > 3) return;
  for (displays::TMMLevel* level : AllLevelMeters()) {
    level->SetMeterScale(index);
    level->SetSensitivy(kSensitivy[index]);
  }
  DrawLevelScale(index);
}

void TFrmMain::DrawLevelScale(int index) {
  const int w = ima_nordic1->Width();
  const int h = pan_Level->Height() - 4;
  if (w <= 0 || h <= 0) return;
  vcl::TBitmap* picture = ima_nordic1->Picture()->Bitmap();
  picture->SetSize(w, h);
  if (DrawScaleOf(index, picture->Canvas(), w, h, CorrelationColors().line)) ima_nordic1->Invalidate();
}

}  // namespace app
