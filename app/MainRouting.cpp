// Routing of the main window's chain between real-time analysis, the player
// and compare. Every route first closes both devices, so no buffer of the old
// configuration is in flight while the links change.
#include "app/MainForm.h"
#include "platform/vcl/TypInfo.h"

namespace app {

namespace {

// A colour of the spectrum outfit dialog, read by name so the routing does not
// depend on that dialog being built; `current` while it is not there.
vcl::TColor OutfitColour(const char* button, vcl::TColor current) {
  if (!vcl::Screen) return current;
  for (int i = 0; i < vcl::Screen->FormCount(); ++i) {
    vcl::TCustomForm* form = vcl::Screen->Forms(i);
    if (form->Name() != "fOutfitSpec") continue;
    if (vcl::TComponent* c = form->FindComponent(button); c && vcl::IsPublishedProp(c, "Value"))
      return static_cast<vcl::TColor>(vcl::GetOrdProp(c, "Value"));
  }
  return current;
}

// The spectrum's background picture is a published property only.
void BackgroundOff(displays::TMMSpectrum* spectrum) { vcl::SetOrdProp(spectrum, "UseBackGroundDIB", 0); }

}  // namespace

void TFrmMain::ApplySpectrumOutfit() {
  const vcl::TColor bar1 = OutfitColour("MMColorButton1", MMSpectrum1->Bar1Color());
  const vcl::TColor bar2 = OutfitColour("MMColorButton2", MMSpectrum1->Bar2Color());
  const vcl::TColor bar3 = OutfitColour("MMColorButton3", MMSpectrum1->Bar3Color());
  MMSpectrum1->SetBar1Color(bar1);
  MMSpectrum1->SetInactive1Color(bar1);
  MMSpectrum1->SetBar2Color(bar2);
  MMSpectrum1->SetInactive2Color(bar2);
  MMSpectrum1->SetBar3Color(bar3);
  MMSpectrum1->SetInactive3Color(bar3);
  ApplyDisplayKind(MMSpinButton1->Value());
  MMLevel5->SetEnabled(true);
  MMLevel6->SetEnabled(true);
  MMWaveIn1->SetMode(engine::mStereo);
}

void TFrmMain::RouteRealtime() {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  ApplySpectrumOutfit();
  MMConnector1->SetInput(MMWaveIn1);
  BackgroundOff(MMSpectrum1);
  MMConnector1->SetOutput(conect2);
  MMConnector1->SetLevel1(MMLevel1);
  MMConnector1->SetLevel2(MMLevel2);
  conect2->SetLevel1(MMLevel3);
  conect2->SetLevel2(MMLevel4);
  conect2->SetOscope1(MMOscope1);
  conect2->SetOutput(MMPeakDetect1);
  MMSpectrum1->SetEnabled(false);
  MMSpectrum1->SetEnabled(true);
}

void TFrmMain::RoutePlayer() {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  ApplySpectrumOutfit();
  MMSpectrum1->SetEnabled(false);
  MMWaveOut1->SetInput(waveplayer);
  MMConnector1->SetInput(MMWaveOut1);
  MMConnector1->SetOutput(conect2);
  conect2->SetOutput(MMPeakDetect1);
  MMConnector1->SetLevel1(MMLevel1);
  MMConnector1->SetLevel2(MMLevel2);
  conect2->SetLevel1(MMLevel3);
  conect2->SetLevel2(MMLevel4);
  conect2->SetOscope1(MMOscope1);
  BackgroundOff(MMSpectrum1);
  MMSpectrum1->SetEnabled(false);
  MMSpectrum1->SetEnabled(true);
}

void TFrmMain::RouteCompare() {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  ApplySpectrumOutfit();
  MMSpectrum1->SetEnabled(true);
  conect2->SetLevel2(MMLevel4);
  CheckBox8->SetEnabled(true);
  MMConnector1->SetInput(MMWaveIn1);
  MMConnector1->SetLevel1(MMLevel1);
  MMConnector1->SetLevel2(mmLevel7);
  MMConnector3->SetInput(MMGenerator1);
  MMConnector3->SetLevel1(MMLevel2);
  MMConnector3->SetLevel2(mmLevel8);
  MMWaveOut1->SetInput(MMConnector3);
  MMConnector3->SetEnabled(true);
  conect2->SetInput(MMConnector1);
  conect2->SetLevel1(MMLevel3);
  MMSpectrum1->SetEnabled(true);
  MMWaveIn1->Start();
  MMWaveOut1->Start();
}

void TFrmMain::StartRealtime(bool from_run) {
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  if (from_run) MMSpectrum1->SetDecay(spin_DecayA->Value());
  RouteRealtime();
  MMSpectrum1->SetEnabled(false);
  MMSpectrum1->SetEnabled(true);
  MMWaveIn1->Start();
  const bool rms = DisplayRMSLevelMeter1->Checked();
  MMLevel5->SetEnabled(rms);
  MMLevel6->SetEnabled(rms);
}

void TFrmMain::LineIn1Click(vcl::TObject*) { StartRealtime(false); }

void TFrmMain::Button25Click(vcl::TObject*) { StartRealtime(true); }

void TFrmMain::Frequ1Click(vcl::TObject*) {
  BackgroundOff(MMSpectrum1);
  const bool rms = DisplayRMSLevelMeter1->Checked();
  MMLevel5->SetEnabled(rms);
  MMLevel6->SetEnabled(rms);
  if (btn_Generator->OnClick) btn_Generator->OnClick(btn_Generator);
  ApplySpectrumOutfit();
  MMSpectrum1->SetEnabled(false);
  MMWaveIn1->Close();
  MMWaveOut1->Close();
  MMConnector1->SetInput(MMWaveOut1);
  MMConnector1->SetOutput(conect2);
  ResetCompareView();
  MMSpectrum1->SetEnabled(true);
}

void TFrmMain::WavePlayer1Click(vcl::TObject*) {
  btn_wavPlayerClick(this);
  const bool rms = DisplayRMSLevelMeter1->Checked();
  MMLevel5->SetEnabled(rms);
  MMLevel6->SetEnabled(rms);
  ResetCompareView();
}

void TFrmMain::btn_restartClick(vcl::TObject*) {
  MMConnector1->SetRefreshOnStop(true);
  MMConnector1->SetAutoTrigger(true);
  BackgroundOff(MMSpectrum1);
}

}  // namespace app
