#include "app/SpecBack.h"

#include <array>

#include "app/Exports.h"
#include "app/MainForm.h"
#include "app/Projects.h"
#include "app/Settings.h"
#include "app/SpectrumOutfit.h"
#include "controls/MMColBtn.h"
#include "displays/MMSpectrum.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

namespace app {

TfSpecBack* fSpecBack = nullptr;

namespace {

constexpr std::array<int32_t, 33> kRendererLabels = {
    20,   25,   31,   40,   50,   63,   80,   100,  125,  160,  200,   250,   315,   400,   500,   630,  800,
    1000, 1250, 1600, 2000, 2500, 3150, 4000, 5000, 6300, 8000, 10000, 12500, 16000, 20000, 22050, 24000};
// The scale text of composed and exported pictures.
constexpr vcl::TColor kPictureTextColor = 15793151;

void SetBarColors(displays::TMMSpectrum* s, vcl::TColor c1, vcl::TColor c2, vcl::TColor c3) {
  s->SetBar1Color(c1);
  s->SetBar2Color(c2);
  s->SetBar3Color(c3);
}

void UseBackground(displays::TMMSpectrum* s, vcl::TBitmap* picture) {
  if (picture) vcl::SetObjectProp(s, "BackGroundDIB", picture);
  vcl::SetOrdProp(s, "UseBackGroundDIB", picture ? 1 : 0);
}

void RemoveBackground(displays::TMMSpectrum* s) {
  vcl::TBitmap none;
  vcl::SetObjectProp(s, "BackGroundDIB", &none);
  vcl::SetOrdProp(s, "UseBackGroundDIB", 0);
}

}  // namespace

std::string AnalyzerPictureFile() { return UserDataFolder() + "analyzer.bmp"; }

TfSpecBack::TfSpecBack(vcl::TComponent* owner) : vcl::TForm(owner) { InitAppForm(this, fSpecBack); }

TfSpecBack::~TfSpecBack() {
  if (fSpecBack == this) fSpecBack = nullptr;
}

void TfSpecBack::Loaded() {
  vcl::TForm::Loaded();
  SpeckBack = dynamic_cast<displays::TMMSpectrum*>(FindComponent("SpeckBack"));
  if (!SpeckBack) throw EAppFormError("The description of TfSpecBack lacks SpeckBack");
}

void TfSpecBack::FormCreate(vcl::TObject*) {
  if (FrmMain) {
    const displays::TMMSpectrum* main = FrmMain->MMSpectrum1;
    SpeckBack->SetBounds(0, 0, main->Width(), main->Height());
    SpeckBack->SetPoint1(main->Point1());
    SpeckBack->SetPoint2(main->Point2());
  }
  SpeckBack->SetEnabled(true);
  SpeckBack->SetCustomFreqLabels(true);
  for (size_t i = 0; i < kRendererLabels.size(); ++i)
    SpeckBack->SetFreqLabel(static_cast<int>(i), kRendererLabels[i]);
}

void TfSpecBack::CopySettings(bool scales) {
  const displays::TMMSpectrum* main = FrmMain->MMSpectrum1;
  SetClientWidth(main->Width());
  SetClientHeight(main->Height());
  SpeckBack->SetBounds(0, 0, main->Width(), main->Height());
  SpeckBack->SetLogAmp(main->LogAmp());
  SpeckBack->SetFFTLength(main->FFTLength());
  SpeckBack->SetLogFreq(main->LogFreq());
  SpeckBack->SetSpotSpace(main->SpotSpace());
  SpeckBack->SetGain(main->Gain());
  SpeckBack->SetDecayMode(main->DecayMode());
  SpeckBack->SetWindow(main->Window());
  SpeckBack->SetSampleRate(main->SampleRate());
  if (!scales) return;
  SpeckBack->SetVerticalScale(main->VerticalScale());
  SpeckBack->SetFrequencyScale(main->FrequencyScale());
}

void TfSpecBack::NoLabelsNoPeak() {
  SpeckBack->SetCustomFreqLabels(false);
  SpeckBack->SetExternPeakFreq(false);
  SpeckBack->SetDisplayPeak(false);
}

void TfSpecBack::LoadFile(const std::string& file_name) {
  const std::string folder = PeakDataFolder();
  plat::SetCurrentDirectoryA(folder.c_str());
  FrmMain->LoadDialog1->SetFileName(file_name);
  FrmMain->FrozenFileName = file_name;
  SpeckBack->LoadFromFile(file_name);
}

std::unique_ptr<vcl::TBitmap> TfSpecBack::WindowImage() { return GetFormImage(); }

void TfSpecBack::Install() {
  std::unique_ptr<vcl::TBitmap> picture = WindowImage();
  UseBackground(FrmMain->MMSpectrum1, picture.get());
}

void TfSpecBack::BackgroundOff() { RemoveBackground(SpeckBack); }

void TfSpecBack::PrepareBackground() {
  const int lines_or_bars =
      ReadInteger("Lines/Bars", fOutfitSpec ? fOutfitSpec->RadioGroup1->ItemIndex() : 0);
  SpeckBack->SetKind(lines_or_bars == 0 ? displays::skLines : displays::skBars);
  CopySettings(true);
  NoLabelsNoPeak();
  const displays::TMMSpectrum* main = FrmMain->MMSpectrum1;
  SpeckBack->SetScaleLineColor(main->ScaleLineColor());
  SpeckBack->SetGridColor(main->GridColor());
  SpeckBack->SetScaleTextColor(main->ScaleTextColor());
}

void TfSpecBack::LoadSpectrumBackground(const std::string& file_name) {
  PrepareBackground();
  if (fOutfitSpec)
    SetBarColors(SpeckBack, fOutfitSpec->MMColorButton[6]->Value(), fOutfitSpec->MMColorButton[7]->Value(),
                 fOutfitSpec->MMColorButton[8]->Value());
  LoadFile(file_name);
  Install();
}

void TfSpecBack::LoadCompareBackground(const std::string& file_name) {
  BackgroundOff();
  vcl::SetOrdProp(FrmMain->MMSpectrum1, "UseBackGroundDIB", 0);
  const displays::TMMSpectrum* main = FrmMain->MMSpectrum1;
  NoLabelsNoPeak();
  SpeckBack->SetKind(displays::skLines);
  CopySettings(false);
  SetBarColors(SpeckBack, main->Bar1Color(), main->Bar2Color(), main->Bar3Color());
  LoadFile(file_name);
  Install();
}

bool TfSpecBack::ComposePairBackground(const std::string& first_file, const std::string& second_file) {
  const displays::TMMSpectrum* main = FrmMain->MMSpectrum1;
  SpeckBack->SetKind(displays::skLines);
  CopySettings(true);
  NoLabelsNoPeak();
  SpeckBack->SetScaleLineColor(main->ScaleLineColor());
  SpeckBack->SetGridColor(main->GridColor());
  SpeckBack->SetScaleTextColor(kPictureTextColor);
  // Both curves in the colours of slots 1 and 2, whichever pair is drawn.
  const vcl::TColor first = FrmMain->cb_F1->Value();
  const vcl::TColor second = FrmMain->cb_F2->Value();
  SetBarColors(SpeckBack, first, first, first);
  SpeckBack->SetDrawGrid(false);
  SpeckBack->SetDrawAmpScale(false);
  SpeckBack->SetDrawFreqScale(false);
  SpeckBack->LoadFromFile(first_file);
  {
    std::unique_ptr<vcl::TBitmap> under = WindowImage();
    UseBackground(SpeckBack, under.get());
  }
  SetBarColors(SpeckBack, second, second, second);
  SpeckBack->SetDrawGrid(main->DrawGrid());
  SpeckBack->SetDrawAmpScale(main->DrawAmpScale());
  SpeckBack->SetDrawFreqScale(main->DrawFreqScale());
  SpeckBack->LoadFromFile(second_file);
  bool written = true;
  try {
    SaveGraphicFile(*WindowImage(), AnalyzerPictureFile());
  } catch (const vcl::Exception&) {
    written = false;
  }
  BackgroundOff();
  SpeckBack->SetDrawGrid(false);
  SpeckBack->SetDrawAmpScale(false);
  SpeckBack->SetDrawFreqScale(false);
  return written;
}

void TfSpecBack::RenderBackgroundForExport(const std::string& file_name) {
  const displays::TMMSpectrum* main = FrmMain->MMSpectrum1;
  SpeckBack->SetKind(main->Kind());
  CopySettings(true);
  SpeckBack->SetScaleLineColor(main->ScaleLineColor());
  SpeckBack->SetGridColor(main->GridColor());
  SpeckBack->SetScaleTextColor(kPictureTextColor);
  SpeckBack->SetDrawAmpScale(main->DrawAmpScale());
  SpeckBack->SetDrawFreqScale(main->DrawFreqScale());
  SpeckBack->SetDrawGrid(main->DrawGrid());
  NoLabelsNoPeak();
  SpeckBack->SetNumPeaks(main->NumPeaks());
  SetBarColors(SpeckBack, main->Bar1Color(), main->Bar2Color(), main->Bar3Color());
  LoadFile(file_name);
  BackgroundOff();
}

void TfSpecBack::RefreshSpectrumBackground() {
  // The bar colours stay: the outfit dialog's colour buttons set them before they call.
  PrepareBackground();
  const std::string folder = PeakDataFolder();
  plat::SetCurrentDirectoryA(folder.c_str());
  SpeckBack->LoadFromFile(FrmMain->LoadDialog1->FileName());
  Install();
}

}  // namespace app

using app::TfSpecBack;
VCL_IMPLEMENT_CLASS(TfSpecBack, Method("FormCreate", &TfSpecBack::FormCreate))
