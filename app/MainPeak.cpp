// The peak frequency read-out once a second from the long transform of
// MMPeakDetect2, the musical note from MMPeakDetect1 on the refresh passes of
// conect2, and the big peak window. The detectors' bins are read from the
// copies they publish, so a device thread may analyse the next buffer meanwhile.
#include <algorithm>
#include <array>
#include <cmath>

#include "app/MainForm.h"
#include "app/PeakForm.h"

namespace app {

namespace {

constexpr std::array<const char*, 12> kNoteNames = {"C",  "C#", "D",  "D#", "E",  "F",
                                                    "F#", "G",  "G#", "A",  "A#", "B"};
constexpr int kNoteStep = 95;

}  // namespace

void FindPeak(const std::vector<int32_t>& bins, int count, int& bin, int& value) {
  bin = 0;
  value = 0;
  for (int i = 0; i < count; ++i) {
    if (bins[static_cast<size_t>(i)] > value) {
      value = bins[static_cast<size_t>(i)];
      bin = i;
    }
  }
}

std::string NoteOfFrequency(int frequency) {
  // Note n of octave o: 440 Hz * 2^((o - 4) + (n - 10) / 12), truncated.
  static const std::array<int, 96> kNotes = [] {
    std::array<int, 96> notes{};
    for (int o = 1; o <= 8; ++o)
      for (int n = 1; n <= 12; ++n)
        notes[static_cast<size_t>((o - 1) * 12 + n - 1)] =
            static_cast<int>(std::trunc(440.0 * std::pow(2.0, (o - 4) + (n - 10) / 12.0)));
    return notes;
  }();
  std::string note;
  for (size_t k = 0; k < kNotes.size(); ++k)
    if (std::abs(frequency - kNotes[k]) <= 1) note = kNoteNames[k % 12] + std::to_string(k / 12 + 1);
  return note;
}

void TFrmMain::Timer3Timer(vcl::TObject*) {
  TPeakState& p = peak_;
  const int count = MMPeakDetect2->CopyPeakValues(p.bins2);
  FindPeak(p.bins2, count, p.peak_bin2, p.peak_bin_value2);
  const double f = static_cast<double>(MMPeakDetect2->BinWidth()) * p.peak_bin2;
  if (f == 0.0) return;
  auto show = [this](double frequency) {
    const std::string text = vcl::Format("%8.3f", {frequency});
    lab_frq->SetCaption(text);
    if (fPeak) fPeak->Label1->SetCaption(text);
    if (rg_octave->ItemIndex() >= 4) MMSpectrum1->SetExternPeakValue(static_cast<float>(frequency));
  };
  // Each rate has its own correction of the bin grid; a file at 44.1 kHz in
  // the player takes the first.
  const int rate = MMWaveIn1->SampleRate();
  if (rate == 44100 || waveplayer->GetSampleRate() == 44100) show(f + 0.052);
  if (rate == 48000) show(f - 0.488);
}

void TFrmMain::UpdateNote() {
  TPeakState& p = peak_;
  if (++p.note_counter % kNoteStep != 0) return;
  p.note_counter = 0;
  const int count = MMPeakDetect1->CopyPeakValues(p.bins1);
  FindPeak(p.bins1, count, p.peak_bin, p.peak_bin_value);
  p.peak_freq = static_cast<int>(std::trunc(static_cast<double>(MMPeakDetect1->BinWidth()) * p.peak_bin));
  lab_note->SetCaption(NoteOfFrequency(p.peak_freq));
}

void TFrmMain::DisplayNote1Click(vcl::TObject*) {
  const bool shown = DisplayNote1->Checked();
  lab_note->SetVisible(shown);
  Label6->SetVisible(shown);
}

void TFrmMain::lab_frqClick(vcl::TObject*) {
  if (!fPeak) return;
  fPeak->Show();
  fPeak->Timer1->SetEnabled(true);
}

void TFrmMain::Show1Click(vcl::TObject* sender) { lab_frqClick(sender); }

}  // namespace app
