// The peak detector page and the records page: live levels at twelve chosen
// frequencies, and the memo that records the spectrum's peak or those levels
// with the player's position, saved to and loaded from text files in the
// peak-data folder. One timer serves every mode that is on.
#include <ctime>
#include <filesystem>
#include <vector>

#include "app/MainForm.h"
#include "app/PeakRecords.h"
#include "app/Projects.h"
#include "engine/MMUtils.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/SysUtils.h"

namespace app {

namespace {

// Memo files larger than this are not loaded: the memo holds a few recordings.
constexpr std::uintmax_t kMaxMemoFileBytes = 16u << 20;

std::string LocalTimeText(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char text[32] = {};
  std::strftime(text, sizeof text, format, &local);
  return text;
}

}  // namespace

TRecordStamp TFrmMain::RecordStamp() const {
  return {LocalTimeText("%H:%M:%S"), LocalTimeText("%d.%m.%Y"), LoadDialog1->FileName()};
}

void TFrmMain::AddMemoLines(const std::vector<std::string>& lines) {
  for (const std::string& line : lines) Memo1->Lines()->Add(line);
}

void TFrmMain::WriteRecordHeader(bool at_startup) {
  AddMemoLines(RecordHeaderLines(RecordStamp(), at_startup));
}

std::array<TFrmMain::TDetectorPair, 12> TFrmMain::DetectorPairs() const {
  return {{{freq1, DBDisp},
           {MMLEDSpin5, MMLEDLABEL1},
           {MMLEDSpin6, MMLEDLABEL2},
           {MMLEDSpin7, MMLEDLABEL3},
           {MMLEDSpin8, MMLEDLABEL4},
           {MMLEDSpin9, MMLEDLABEL5},
           {MMLEDSpin10, MMLEDLABEL6},
           {MMLEDSpin11, MMLEDLABEL7},
           {MMLEDSpin12, MMLEDLABEL8},
           {MMLEDSpin13, MMLEDLABEL9},
           {MMLEDSpin14, MMLEDLABEL10},
           {MMLEDSpin15, MMLEDLABEL11}}};
}

void TFrmMain::Timer1Timer(vcl::TObject*) {
  if (records_.record_peaks) {
    displays::TMMSpectrumPeak peak;
    MMSpectrum1->GetPeak(peak);
    Memo1->Lines()->Add(
        PeakRecordLine(records_.record_step, MMSpectrum1->PeakLabel(), peak.Amplitude, peak.Level));
    if (records_.PeakStepWritten()) Timer1->SetEnabled(false);
  }
  if (records_.record_bands) {
    const int position = TrackBar->Position();
    for (const TDetectorPair& pair : DetectorPairs())
      Memo1->Lines()->Add(BandRecordLine(position, pair.spin->Value(), pair.readout->Caption()));
    if (records_.BandTickWritten()) Timer1->SetEnabled(false);
  }
  if (records_.peak_detector_live) {
    // The maxima the detector published last; without a format there are no
    // bins, and every read-out shows no level.
    const bool has_format = MMPeakDetect1->BinWidth() > 0;
    if (has_format) MMPeakDetect1->CopyPeakValues(detector_values_);
    for (const TDetectorPair& pair : DetectorPairs()) {
      int32_t value = 0;
      if (has_format) {
        const int32_t bin = MMPeakDetect1->FrequencyToBin(static_cast<float>(pair.spin->Value()));
        if (bin >= 0 && bin < static_cast<int32_t>(detector_values_.size())) value = detector_values_[bin];
      }
      pair.readout->SetCaption(engine::LevelToDBText(value, 32768, 24.39f));
    }
  }
}

void TFrmMain::MMLEDSpin16Change(vcl::TObject*) { Timer1->SetInterval(MMLEDSpin16->Value()); }
void TFrmMain::MMLEDSpin17Change(vcl::TObject*) { Timer1->SetInterval(MMLEDSpin17->Value()); }

void TFrmMain::RadioGroup1Click(vcl::TObject*) {
  static constexpr int kIncrements[] = {1, 10, 100, 1000};
  const int index = RadioGroup1->ItemIndex();
  if (index < 0 || index > 3) return;
  // Every LED spin of the window steps by the chosen amount.
  for (int i = 0; i < ComponentCount(); ++i)
    if (auto* spin = dynamic_cast<controls::TMMLEDSpin*>(Components(i)))
      spin->SetIncrement(kIncrements[index]);
}

void TFrmMain::Button9Click(vcl::TObject*) {
  const int32_t fft = MMPeakDetect1->FFTLength();
  if (fft > 0)
    MMLabel53->SetCaption(vcl::Format("FFT >> %0.2f Hz", {MMSpectrum1->SampleRate() / double(fft)}));
  records_.peak_detector_live = true;
  Timer1->SetEnabled(true);
  MMLEDSpin16->SetValue(static_cast<int>(Timer1->Interval()));
  MMPeakDetect1->SetEnabled(true);
}

void TFrmMain::Button10Click(vcl::TObject*) { Timer1->SetEnabled(false); }

void TFrmMain::Button7Click(vcl::TObject*) {
  records_.record_peaks = true;
  Timer1->SetInterval(MMLEDSpin17->Value());
  AddMemoLines(PeakRecordingLines(RecordStamp()));
  Timer1->SetEnabled(true);
}

void TFrmMain::Button8Click(vcl::TObject*) {
  Button9Click(this);
  records_.record_bands = true;
  const std::array<vcl::TCheckBox*, 3> syncs{CheckBox9, CheckBox10, CheckBox11};
  const std::array<std::pair<controls::TMMNumberEdit*, controls::TMMNumberEdit*>, 3> edits{
      {{edts1, edte1}, {edtS2, edte2}, {edts3, edte3}}};
  std::vector<std::string> loops;
  for (int k = 0; k < 3; ++k)
    if (syncs[k]->Checked())
      loops.push_back(SyncLoopLine(k + 1, edits[k].first->Text(), edits[k].second->Text()));
  AddMemoLines(BandRecordingLines(RecordStamp(), vcl::ExtractFileName(waveplayer->FileName()), loops));
  MMPeakDetect1->SetEnabled(true);
  Timer1->SetEnabled(true);
}

void TFrmMain::Button3Click(vcl::TObject*) {
  records_.record_bands = false;
  records_.record_peaks = false;
  Timer1->SetEnabled(false);
}

void TFrmMain::Button4Click(vcl::TObject*) {
  Memo1->Lines()->Clear();
  WriteRecordHeader(false);
}

void TFrmMain::Button5Click(vcl::TObject*) {
  SaveDialog1->SetFilter("Sonavex Peak Data |*.txt");
  SaveDialog1->SetTitle("Save Sonavex Peak Data");
  if (PreparePeakDataFolder())
    plat::SetCurrentDirectoryA(PeakDataFolder().c_str());
  else
    vcl::MessageDlg("Can't create directory !", vcl::mtWarning, {vcl::mbOK}, 0);
  SaveDialog1->SetDefaultExt("txt");
  if (SaveDialog1->Execute()) Memo1->Lines()->SaveToFile(SaveDialog1->FileName());
}

void TFrmMain::Button6Click(vcl::TObject*) {
  LoadDialog1->SetDefaultExt("txt");
  LoadDialog1->SetTitle("Load Sonavex Peak Data");
  LoadDialog1->SetFilter("Spectrum Peak Data |*.txt");
  if (PreparePeakDataFolder()) plat::SetCurrentDirectoryA(PeakDataFolder().c_str());
  if (!LoadDialog1->Execute()) return;
  const std::string name = LoadDialog1->FileName();
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(name, ignored) ||
      std::filesystem::file_size(name, ignored) > kMaxMemoFileBytes) {
    vcl::ShowMessage("The file is too large or no text file: " + name);
    return;
  }
  Memo1->Lines()->LoadFromFile(name);
}

void TFrmMain::LoopRecordRestart(vcl::TObject*) {
  Button4Click(this);
  Button8Click(this);
}

}  // namespace app
