// The main spectrum's display modes: FFT bars, or fractional-octave bands
// that the first connector's pass builds from the first peak detector's bin
// maxima (read through the snapshot the detector publishes, so a device
// thread analysing the next buffer never tears them), weighted, falling back
// slowly, with the peak label naming the loudest band.
#include <algorithm>
#include <optional>
#include <span>
#include <utility>

#include "app/MainForm.h"
#include "engine/MMUtils.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/MessageBox.h"

namespace app {

namespace {

constexpr int kFFT2048Mode = 4;
constexpr int kFFT4096Mode = 5;
constexpr int kZoomMode = 6;
// The mode a refused zoom range falls back to when no mode was applied yet.
constexpr int kStartMode = 2;
constexpr int kZoomBands = 256;
// Below this many bands the display is an FFT spectrum.
constexpr int kFewestBands = 31;
// A pass comes with every idle step of the connector, far more often than a
// screen shows: the bands are computed each pass and drawn at most this often.
constexpr int64_t kBandFrameUs = 20000;

// The level meters' decay of fOutfitL, applied as its own change does; a
// no-op while that dialog does not exist.
void ApplyMeterDecay(int value) {
  vcl::TCustomForm* form = nullptr;
  for (int i = 0; vcl::Screen && i < vcl::Screen->FormCount() && !form; ++i)
    if (vcl::Screen->Forms(i)->Name() == "fOutfitL") form = vcl::Screen->Forms(i);
  if (!form) return;
  auto* spin = dynamic_cast<controls::TMMLEDSpin*>(form->FindComponent("MMLEDSpin4"));
  if (!spin) return;
  const int before = spin->Value();
  spin->SetValue(value);
  if (spin->Value() == before && spin->OnChange) spin->OnChange(spin);
}

TWeighting WeightingOf(int index) {
  return index >= 1 && index <= 3 ? static_cast<TWeighting>(index) : TWeighting::Off;
}

}  // namespace

void TFrmMain::SetZoomEdits(bool enabled) {
  rg_zoom->SetEnabled(enabled);
  for (controls::TMMNumberEdit* edit :
       {ne_start1, ne_start2, ne_start3, ne_start4, ne_end1, ne_end2, ne_end3, ne_end4})
    edit->SetEnabled(enabled);
  if (enabled) return;
  for (int i = 0; i < kFreqLabelCount; ++i)
    MMSpectrum1->SetFreqLabel(i, kThirdOctaveLabels[static_cast<size_t>(i)]);
}

void TFrmMain::RefuseZoomRange() {
  plat::MessageBeep(plat::MB_OKBEEP);
  if (applied_mode_ < 0) {
    rg_octave->SetItemIndex(kStartMode);
    return;
  }
  // The controls go back without applying anything: table and held bands stay.
  restoring_mode_ = true;
  plat::ScopeExit done([this] { restoring_mode_ = false; });
  if (applied_mode_ == kZoomMode && applied_zoom_ >= 0) rg_zoom->SetItemIndex(applied_zoom_);
  rg_octave->SetItemIndex(applied_mode_);
}

void TFrmMain::rg_octaveClick(vcl::TObject*) {
  if (restoring_mode_) return;
  const int mode = rg_octave->ItemIndex();
  if (mode < 0 || mode > kZoomMode) return;
  if (mode == kZoomMode) {
    // The range is read first: one without bands per octave (equal ends, an
    // edge not above 0, text that is no number) is refused before anything changes.
    const int k = rg_zoom->ItemIndex();
    controls::TMMNumberEdit* starts[] = {ne_start1, ne_start2, ne_start3, ne_start4};
    controls::TMMNumberEdit* ends[] = {ne_end1, ne_end2, ne_end3, ne_end4};
    std::optional<std::pair<int32_t, int32_t>> range;
    if (k >= 0 && k < 4) {
      try {
        range.emplace(starts[k]->Value(), ends[k]->Value());
      } catch (const vcl::EConvertError&) {
      }
    }
    if (!range || !bands_.SetBands(kZoomBands, range->first, range->second)) {
      RefuseZoomRange();
      return;
    }
  }

  MMSpectrum1->SetLogFreq(false);
  MMSpectrum1->SetExternPeakFreq(true);
  MMSpectrum1->SetCustomFreqLabels(true);
  MMConnector1->SetSpectrum1(MMSpectrum1);
  rg_filter->SetEnabled(true);
  MMSpectrum1->SetFFTLength(4096);
  spin_DecayA->SetValue(4);
  ApplyMeterDecay(9);
  MMSpectrum1->SetDecay(spin_DecayA->Value());

  if (mode < kFFT2048Mode) {
    // 32, 64, 128 or 256 bands over 20 Hz to 24 kHz, one column each.
    const int32_t count = 32 << mode;
    MMSpectrum1->SetFFTLength(2 * count);
    bands_.SetBands(count, 20, 24000);
    SetZoomEdits(false);
  } else if (mode != kZoomMode) {
    SetZoomEdits(false);
    spin_DecayA->SetValue(7);
    MMSpectrum1->SetDecay(7);
    ApplyMeterDecay(11);
    MMSpectrum1->SetFFTLength(mode == kFFT2048Mode ? 2048 : 4096);
    // What the bars' columns put beside the tone's frequency, by rate.
    const bool cd_rate = MMWaveIn1->SampleRate() == 44100;
    const float offset = mode == kFFT2048Mode ? (cd_rate ? 9.5f : -7.8f) : (cd_rate ? -1.3f : 3.9f);
    MMSpectrum1->SetPeakFreqOffset(offset);
    MMSpectrum1->SetLogFreq(true);
    MMSpectrum1->SetLogAmp(true);
    MMSpectrum1->SetExternPeakFreq(true);
    MMSpectrum1->SetCustomFreqLabels(false);
    MMSpectrum1->SetEnabled(true);
    rg_filter->SetEnabled(false);
    bands_.SetBands(0, 0, 0);
    MMLabel53->SetCaption(
        vcl::Format("Frequ resolution > %0.2f",
                    {static_cast<double>(MMSpectrum1->SampleRate() / 2) / (MMSpectrum1->FFTLength() / 2)}));
  } else {
    SetZoomEdits(true);
    MMSpectrum1->SetFFTLength(2 * kZoomBands);
    MMLabel53->SetCaption(
        vcl::Format("Frequ resolution > %0.2f",
                    {static_cast<double>(MMSpectrum1->SampleRate() / 2) / (MMPeakDetect1->FFTLength() / 2)}));
    const std::array<int32_t, kFreqLabelCount> labels = BandScaleLabels(bands_.Table());
    for (int j = 0; j < kFreqLabelCount; ++j) MMSpectrum1->SetFreqLabel(j, labels[static_cast<size_t>(j)]);
    applied_zoom_ = rg_zoom->ItemIndex();
  }
  bands_.ClearHeld();
  applied_mode_ = mode;
  band_drawn_us_.reset();
}

void TFrmMain::rg_zoomClick(vcl::TObject*) {
  if (restoring_mode_) return;
  // A changed index applies the mode itself.
  if (rg_octave->ItemIndex() != kZoomMode)
    rg_octave->SetItemIndex(kZoomMode);
  else
    rg_octaveClick(rg_zoom);
}

void TFrmMain::spin_DecayAChange(vcl::TObject*) { MMSpectrum1->SetDecay(spin_DecayA->Value()); }

void TFrmMain::ckbLeavePeakClick(vcl::TObject*) { MMSpectrum1->SetPeaksFall(!ckbLeavePeak->Checked()); }

void TFrmMain::cb_flatClick(vcl::TObject*) {
  // Pink noise shows flat in FFT bars with 3 dB per octave; unmarking goes
  // back to the mode in force before.
  if (cb_flat->Checked()) {
    MMSpectrum1->SetGain(displays::sg3db);
    flat_saved_mode_ = rg_octave->ItemIndex();
    rg_octave->SetItemIndex(kFFT2048Mode);
  } else {
    MMSpectrum1->SetGain(displays::sgNone);
    if (flat_saved_mode_ >= 0) rg_octave->SetItemIndex(flat_saved_mode_);
  }
}

void TFrmMain::SetCollectMaxBins(bool value) {
  if (value && !collect_max_bins_) max_bins_.fill(0);
  collect_max_bins_ = value;
}

void TFrmMain::MMConnector1Trigger(vcl::TObject*) {
  // A scan does this pass's work for every buffer on its pump thread.
  if (!plat::IsMainThread() || scan_running_) return;
  if (collect_max_bins_) {
    const int32_t columns = std::min(MMSpectrum1->FFTLength() / 2, displays::TMMSpectrum::kMaxBins);
    for (int32_t i = 0; i < columns; ++i)
      max_bins_[static_cast<size_t>(i)] =
          std::max(max_bins_[static_cast<size_t>(i)], MMSpectrum1->DisplayValue(i));
  }
  if (bands_.Count() < kFewestBands) return;
  const std::optional<int32_t> m =
      PassBandsToSpectrum(bands_, peak_bins_, WeightingOf(rg_filter->ItemIndex()), applied_mode_ == kZoomMode,
                          spin_DecayA->Value(), band_values_);
  if (!m) return;
  MMSpectrum1->SetExternPeakFreq(true);
  if (*m > 0) MMSpectrum1->SetExternPeakValue(BandPeakFrequency(bands_.Table(), kThirdOctaveLabels, *m));
  DrawBandsOnceAFrame(band_drawn_us_);
}

std::optional<int32_t> TFrmMain::PassBandsToSpectrum(TBandAnalyser& bands, std::span<int32_t> bins,
                                                     TWeighting weighting, bool zoom, int32_t decay,
                                                     std::span<int32_t> values) {
  // Without a format the detector has no bins to map frequencies onto.
  const float bin_width = MMPeakDetect1->BinWidth();
  if (!(bin_width > 0.0f)) return std::nullopt;
  const int32_t count = MMPeakDetect1->CopyPeakValues(bins);
  const int32_t loudest =
      bands.Pass(bins.first(static_cast<size_t>(count)), bin_width, weighting, zoom, decay, values);
  // Disabled, the spectrum keeps these values instead of analysing the connector's data.
  MMSpectrum1->SetEnabled(false);
  for (int32_t i = 0; i <= bands.Count(); ++i)
    MMSpectrum1->SetDisplayValue(i, values[static_cast<size_t>(i)]);
  return loudest;
}

void TFrmMain::DrawBandsOnceAFrame(std::optional<int64_t>& drawn_us) {
  const int64_t now = engine::GetTimeMicroseconds();
  if (drawn_us && now - *drawn_us < kBandFrameUs) return;
  drawn_us = now;
  MMSpectrum1->DrawValues();
}

void TFrmMain::BeginScanBands() {
  TScanPass& p = scan_pass_;
  p.bands_on = bands_.Count() >= kFewestBands;
  if (!p.bands_on) return;
  // The scan's own copy, so the pump thread shares nothing with the live
  // passes; it starts empty, as the spectrum does.
  p.bands = bands_;
  p.bands.ClearHeld();
  p.weighting = WeightingOf(rg_filter->ItemIndex());
  p.zoom = applied_mode_ == kZoomMode;
  p.decay = spin_DecayA->Value();
  p.drawn_us.reset();
  p.values.fill(0);
  // The bands stand in for what the spectrum would compute itself.
  MMSpectrum1->SetEnabled(false);
}

std::span<const int32_t> TFrmMain::ScanBandRow() {
  TScanPass& p = scan_pass_;
  if (PassBandsToSpectrum(p.bands, p.bins, p.weighting, p.zoom, p.decay, p.values))
    DrawBandsOnceAFrame(p.drawn_us);
  return {p.values.data(), static_cast<size_t>(p.bands.Count()) + 1};
}

}  // namespace app
