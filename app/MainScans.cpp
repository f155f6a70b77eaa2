// File scans of the average page: a file pumped by the trigger through the
// first connector as fast as the chain analyses it, each buffer adding the
// values computed from it (the spectrum's display values, or the bands of the
// band modes) to the slot's running sums and highest values, and at the end
// the slot's two value files, shown as lines over a picture of the highest
// values. The views show one slot or compare two.
//
// Threads: while a scan runs, the first connector's passes run on the pump
// thread, which takes each buffer's row right after the chain has analysed
// it and works out the progress. Everything else, the gauge included, runs
// on the main thread, and the scan's state changes only while the pump is
// stopped.
#include <algorithm>
#include <array>
#include <vector>

#include "app/MainForm.h"
#include "app/Projects.h"
#include "app/Settings.h"
#include "app/SpecBack.h"
#include "app/SpectrumOutfit.h"
#include "platform/vcl/TypInfo.h"

namespace app {

namespace {

constexpr const char* kNoFileMessage = "Please select a Mp3/Wav File !";
// rg_octave's "FFT> 2048 Bars".
constexpr int kFFT2048Mode = 4;
// The spectrum's least time between two pictures during a scan.
constexpr int32_t kScanFrameMs = 20;
// The trigger's buffer as the window's description has it: a row a buffer.
constexpr int32_t kScanBufferBytes = 8192;

void SetBackgroundUse(displays::TMMSpectrum* spectrum, bool use) {
  vcl::SetOrdProp(spectrum, "UseBackGroundDIB", use ? 1 : 0);
}

}  // namespace

std::array<controls::TMMColorButton*, kScanSlotCount> TFrmMain::SlotColourButtons() const {
  return {cb_F1, cb_F2, cb_F3, cb_F4, cb_F5, cb_F6};
}

std::array<vcl::TButton*, kScanSlotCount> TFrmMain::LoadFileButtons() const {
  return {Button14, Button15, Button16, Button17, Button18, Button19};
}

void TFrmMain::SelectScanSlot(int slot) {
  scan_slot_ = slot;
  SetCollectMaxBins(true);
}

void TFrmMain::SetScanControls(bool enabled) {
  for (vcl::TButton* b : LoadFileButtons()) b->SetEnabled(enabled);
  // A test button comes back only once its measurement is there to run.
  for (vcl::TButton* b : {btn_pn, btn_wn, btn_swwep, btn_scomp, Button21})
    b->SetEnabled(enabled && static_cast<bool>(b->OnClick));
  File121->SetEnabled(enabled);
  File131->SetEnabled(enabled);
  File141->SetEnabled(enabled);
  // Routing elsewhere would take the chain from under the scan or the
  // test's recording.
  for (vcl::TMenuItem* item : {LineIn1, WavePlayer1, Frequ1}) item->SetEnabled(enabled);
  Button25->SetEnabled(enabled);
  SetPlayerLocked(!enabled);
}

void TFrmMain::StopScan() {
  if (!scan_running_) return;
  // Discarded: the stop that follows writes nothing.
  scan_running_ = false;
  Trigger->Close();
  SetScanPasses(false);
  SetScanControls(true);
}

void TFrmMain::SetScanPasses(bool on_pump) {
  // Buffers come far faster than a screen shows them: every one is
  // analysed, and the picture follows at most once a frame.
  MMSpectrum1->SetFrameInterval(on_pump ? kScanFrameMs : 0);
  try {
    MMConnector1->SetRealTime(!on_pump);
  } catch (const displays::EMMConnectorError&) {
    // Opened by a device: the passes stay where they are, and the rows are
    // what the passes computed last.
  }
}

void TFrmMain::LoadFileClick(vcl::TObject*) {
  MMWaveOut1->Close();
  MMWaveIn1->Close();
  OpenMp3->SetInitialDir(ReadString("InitDir Trigger", OpenMp3->InitialDir()));
  if (OpenMp3->Execute()) {
    waveplayer->SetFileName(OpenMp3->FileName());
    OpenMp3->SetInitialDir(vcl::ExtractFilePath(OpenMp3->FileName()));
    WriteString("InitDir Trigger", OpenMp3->InitialDir());
    // The source and the connector leave the devices.
    waveplayer->SetOutput(nullptr);
    MMConnector1->SetInput(nullptr);
  }
  // The highest values start over for the next scan.
  SetCollectMaxBins(false);
  SetCollectMaxBins(true);
}

void TFrmMain::btnStartClick(vcl::TObject*) {
  if (waveplayer->FileName().empty()) {
    vcl::ShowMessage(kNoFileMessage);
    return;
  }
  MMSpectrum1->SetEnabled(true);
  Lab_lClick(this);
  StartScan();
}

void TFrmMain::StartFileScan(const std::string& file_name) {
  StopScan();
  MMWaveOut1->Close();
  MMWaveIn1->Close();
  waveplayer->SetFileName(file_name);
  waveplayer->SetOutput(nullptr);
  MMConnector1->SetInput(nullptr);
  SetCollectMaxBins(false);
  SetCollectMaxBins(true);
  MMSpectrum1->SetEnabled(true);
  StartScan();
}

void TFrmMain::StartScan() {
  Trigger->SetInput(waveplayer);
  Trigger->SetOutput(MMConnector1);
  SetBackgroundUse(MMSpectrum1, false);
  MMSpectrum1->SetKind(displays::skLines);
  // Every scan covers its file from the start, whatever the player left, and
  // keeps the width it starts with. The spectrum starts empty, so no row
  // holds what it showed before the scan.
  waveplayer->SetPosition(0);
  scan_length_ms_ = waveplayer->Handler() ? waveplayer->Handler()->GetTime() : 0;
  MMSpectrum1->ResetData();
  scan_rows_.Begin(MMSpectrum1->FFTLength() / 2);
  BeginScanBands();
  Trigger->OnBufferPushed = [this](vcl::TObject* sender, plat::WAVEHDR* header) {
    TriggerBufferPushed(sender, header);
  };
  // Each buffer must hold a whole refresh of the spectrum, or a long transform
  // is never fed and the scan counts nothing.
  const plat::WAVEFORMATEX* format = waveplayer->GetFormat();
  const int32_t frame_bytes = format ? std::max<int32_t>(format->nBlockAlign, 1) : 4;
  Trigger->SetBufferSize(std::max(kScanBufferBytes, MMSpectrum1->FFTLength() * frame_bytes));
  SetScanPasses(true);
  Gauge_avg->SetProgress(0);
  SetScanControls(false);
  scan_running_ = true;
  try {
    Trigger->Start();
  } catch (...) {
    scan_running_ = false;
    Trigger->Close();
    SetScanPasses(false);
    SetScanControls(true);
    throw;
  }
}

void TFrmMain::TriggerBufferReady(vcl::TObject*, plat::WAVEHDR*) {
  scan_rows_.SetProgress(ScanProgress(waveplayer->GetPosition(), scan_length_ms_));
}

void TFrmMain::TriggerBufferPushed(vcl::TObject*, plat::WAVEHDR*) {
  if (scan_pass_.bands_on) {
    scan_rows_.AddRow(ScanBandRow());
    return;
  }
  const int32_t n = MMSpectrum1->CopyDisplayValues(scan_pass_.row);
  scan_rows_.AddRow(std::span<const int32_t>(scan_pass_.row.data(), static_cast<size_t>(n)));
}

void TFrmMain::PublishScanProgress() {
  if (scan_running_) Gauge_avg->SetProgress(scan_rows_.Progress());
}

void TFrmMain::TriggerStop(vcl::TObject*) {
  Trigger->Close();
  SetScanPasses(false);
  if (!scan_running_) return;
  scan_running_ = false;
  Gauge_avg->SetProgress(scan_rows_.Progress());
  const TScanSums sums = scan_rows_.Sums();
  const int slot = scan_slot_;
  std::vector<int32_t> average(static_cast<size_t>(sums.Columns()));
  // The scan's highest values join those the live passes keep.
  for (size_t i = 0; i < sums.Highest().size(); ++i) max_bins_[i] = std::max(max_bins_[i], sums.Highest()[i]);
  // A scan without a row has no result: the slot keeps its files and the view stays.
  if (slot >= 1 && slot <= kScanSlotCount && sums.Average(average)) {
    vcl::Screen->SetCursor(vcl::crHourGlass);
    const std::string folder = PeakDataFolder();
    PreparePeakDataFolder();
    const auto highest = std::span<const int32_t>(MaxBins().data(), average.size());
    WriteValueFile(ScanAverageFile(folder, slot), average);
    WriteValueFile(ScanHighestFile(folder, slot), highest);
    MMSpectrum1->SetKind(displays::skLines);
    ApplyFileColour(slot);
    for (size_t i = 0; i < average.size(); ++i)
      MMSpectrum1->SetDisplayValue(static_cast<int32_t>(i), average[i]);
    if (fOutfitSpec) fOutfitSpec->RadioGroup1->SetItemIndex(0);
    if (fSpecBack) fSpecBack->LoadSpectrumBackground(ScanHighestFile(folder, slot));
    rg_File->SetItemIndex(slot - 1);
  }
  MMSpectrum1->SetDecay(spin_DecayA->Value());
  vcl::Screen->SetCursor(vcl::crDefault);
  SetScanControls(true);
}

void TFrmMain::ScanIntoSlot(int slot) {
  // A scan still running is discarded first: its rows belong to another file.
  StopScan();
  Trigger->Reset();
  SelectScanSlot(slot);
  LoadFileClick(this);
  btnStartClick(this);
  MMSpectrum1->SetDecay(spin_DecayA->Value());
}

void TFrmMain::Button14Click(vcl::TObject*) { ScanIntoSlot(1); }
void TFrmMain::Button15Click(vcl::TObject*) { ScanIntoSlot(2); }
void TFrmMain::Button16Click(vcl::TObject*) { ScanIntoSlot(3); }
void TFrmMain::Button17Click(vcl::TObject*) { ScanIntoSlot(4); }
void TFrmMain::Button18Click(vcl::TObject*) { ScanIntoSlot(5); }
void TFrmMain::Button19Click(vcl::TObject*) { ScanIntoSlot(6); }

// ---- views --------------------------------------------------------------------------------------

void TFrmMain::ApplyFileColour(int slot) {
  MMSpectrum1->SetKind(displays::skLines);
  const vcl::TColor colour = SlotColourButtons().at(static_cast<size_t>(slot - 1))->Value();
  MMSpectrum1->SetBar1Color(colour);
  MMSpectrum1->SetBar2Color(colour);
  MMSpectrum1->SetBar3Color(colour);
}

void TFrmMain::ResetCompareView() {
  SetBackgroundUse(MMSpectrum1, false);
  vcl::TBitmap none;
  vcl::SetObjectProp(MMSpectrum1, "BackGroundDIB", &none);
  MMSpectrum1->SetEnabled(false);
  for (int32_t i = 0; i < displays::TMMSpectrum::kMaxBins; ++i) MMSpectrum1->SetDisplayValue(i, 0);
  MMSpectrum1->SetEnabled(true);
  MMSpectrum1->SetNumPeaks(0);
  SetBackgroundUse(MMSpectrum1, false);
}

void TFrmMain::rg_FileClick(vcl::TObject*) {
  const int slot = rg_File->ItemIndex() + 1;
  if (slot < 1 || slot > kScanSlotCount) return;
  const std::string folder = PeakDataFolder();
  MMSpectrum1->SetDecay(1);
  ResetCompareView();
  ApplyFileColour(slot);
  MMSpectrum1->LoadFromFile(ScanAverageFile(folder, slot));
  if (fSpecBack) fSpecBack->LoadCompareBackground(ScanHighestFile(folder, slot));
  MMSpectrum1->SetEnabled(true);
  MMSpectrum1->DrawValues();
}

void TFrmMain::rg_compClick(vcl::TObject*) {
  const int pair = rg_comp->ItemIndex();
  const int show = rg_Show->ItemIndex();
  if (pair >= 0 && pair < 3 && (show == 0 || show == 1)) {
    const int first = pair + 1;
    const int second = pair + 4;
    const std::string folder = PeakDataFolder();
    auto file = [&](int slot) {
      return show == 0 ? ScanAverageFile(folder, slot) : ScanHighestFile(folder, slot);
    };
    ApplyFileColour(first);
    ResetCompareView();
    if (fSpecBack) fSpecBack->LoadCompareBackground(file(first));
    ApplyFileColour(second);
    MMSpectrum1->LoadFromFile(file(second));
  }
  MMSpectrum1->SetEnabled(true);
  MMSpectrum1->DrawValues();
}

void TFrmMain::rg_ShowClick(vcl::TObject*) {
  ResetCompareView();
  rg_compClick(rg_Show);
}

void TFrmMain::StoreSlotColour(int slot) {
  WriteInteger("cb_f" + std::to_string(slot), SlotColourButtons().at(static_cast<size_t>(slot - 1))->Value());
}

void TFrmMain::cb_F1Change(vcl::TObject*) { StoreSlotColour(1); }
void TFrmMain::cb_F2Change(vcl::TObject*) { StoreSlotColour(2); }
void TFrmMain::cb_F3Change(vcl::TObject*) { StoreSlotColour(3); }
void TFrmMain::cb_F4Change(vcl::TObject*) { StoreSlotColour(4); }
void TFrmMain::cb_F5Change(vcl::TObject*) { StoreSlotColour(5); }
void TFrmMain::cb_F6Change(vcl::TObject*) { StoreSlotColour(6); }

void TFrmMain::ComparePair(int pair) {
  MMWaveOut1->Close();
  MMWaveIn1->Close();
  rg_octave->SetItemIndex(kFFT2048Mode);
  rg_comp->SetItemIndex(pair);
}

void TFrmMain::File121Click(vcl::TObject*) { ComparePair(0); }
void TFrmMain::File131Click(vcl::TObject*) { ComparePair(1); }
void TFrmMain::File141Click(vcl::TObject*) { ComparePair(2); }

}  // namespace app
