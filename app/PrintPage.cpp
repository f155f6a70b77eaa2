#include "app/PrintPage.h"

#include "app/MainForm.h"
#include "app/SetupPrint.h"
#include "displays/MMSpectrum.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"

namespace app {

TfPrint* fPrint = nullptr;

namespace {

constexpr vcl::TRect kSpectrumBounds{7, 222, 7 + 742, 222 + 427};

}  // namespace

TfPrint::TfPrint(vcl::TComponent* owner) : vcl::TForm(owner) {
  fPrint = this;
  InitAppForm(this, fPrint);
}

TfPrint::~TfPrint() {
  if (fPrint == this) fPrint = nullptr;
}

void TfPrint::Loaded() {
  vcl::TForm::Loaded();
  Label1 = RequireComponent<vcl::TLabel>(this, "Label1");
  labProd = RequireComponent<vcl::TLabel>(this, "labProd");
  Label5 = RequireComponent<vcl::TLabel>(this, "Label5");
}

void TfPrint::CreateSpectrum() {
  Spectrum = new displays::TMMSpectrum(this);
  Spectrum->SetParent(this);
  Spectrum->SetBounds(kSpectrumBounds.left, kSpectrumBounds.top, kSpectrumBounds.right - kSpectrumBounds.left,
                      kSpectrumBounds.bottom - kSpectrumBounds.top);
  Spectrum->SetEnabled(false);
  const std::array<int32_t, kFreqLabelCount> labels = BandScaleLabels(FrmMain->Bands().Table());
  for (int i = 0; i < kFreqLabelCount; ++i) Spectrum->SetFreqLabel(i, labels[static_cast<size_t>(i)]);
}

void TfPrint::CopyMainSettings() {
  const displays::TMMSpectrum* main = FrmMain->MMSpectrum1;
  Spectrum->SetCustomFreqLabels(main->CustomFreqLabels());
  Spectrum->SetExternPeakFreq(main->ExternPeakFreq());
  Spectrum->SetExternPeakValue(main->ExternPeakValue());
  Spectrum->SetDisplayPeak(main->DisplayPeak());
  Spectrum->SetLogAmp(main->LogAmp());
  Spectrum->SetFFTLength(main->FFTLength());
  Spectrum->SetLogFreq(main->LogFreq());
  Spectrum->SetFrequencyScale(main->FrequencyScale());
  Spectrum->SetSpotSpace(main->SpotSpace());
  Spectrum->SetGain(main->Gain());
  Spectrum->SetDecayMode(main->DecayMode());
  Spectrum->SetWindow(main->Window());
  Spectrum->SetVerticalScale(main->VerticalScale());
  Spectrum->SetDrawAmpScale(main->DrawAmpScale());
  Spectrum->SetDrawFreqScale(main->DrawFreqScale());
  Spectrum->SetDrawGrid(main->DrawGrid());
  Spectrum->SetDrawInactive(main->DrawInactive());
  Spectrum->SetShowInfo(main->ShowInfo());
  Spectrum->SetBitLength(main->BitLength());
  Spectrum->SetSampleRate(main->SampleRate());
}

void TfPrint::FormCreate(vcl::TObject*) {
  SetClientWidth(kPageWidth);
  SetClientHeight(kPageHeight);
  Label5->SetCaption(fSetupPrint->Memo1->Lines()->Text());
  CreateSpectrum();
  CopyMainSettings();
  if (fSetupPrint->rgBackground->ItemIndex() == 1) {
    Spectrum->SetColor(vcl::clWhite);
    Spectrum->SetBar1Color(vcl::clBlack);
    Spectrum->SetBar2Color(vcl::clBlack);
    Spectrum->SetBar3Color(vcl::clBlack);
  } else {
    // The bars keep the display's own colours.
    Spectrum->SetColor(vcl::clBlack);
  }
  Label1->SetCaption(fSetupPrint->edMain->Text());
  labProd->SetCaption(fSetupPrint->edProd->Text());
  Spectrum->LoadFromFile(FrmMain->FrozenFileName);
  Print();
}

}  // namespace app

using app::TfPrint;
VCL_IMPLEMENT_CLASS(TfPrint, Method("FormCreate", &TfPrint::FormCreate))
