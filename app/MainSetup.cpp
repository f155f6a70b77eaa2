// The analyser setup page, the display and filter menus, the pages of the
// bottom button bar, the keyboard and the plug-in switch. Each control writes
// the display components' properties directly; nothing here keeps a copy.
#include <algorithm>
#include <iterator>
#include <string>

#include "app/MainForm.h"
#include "app/OutfitL.h"
#include "app/SpectrumOutfit.h"
#include "engine/MMUtils.h"
#include "platform/registry/Registry.h"
#include "platform/user/Input.h"
#include "platform/vcl/TypInfo.h"

namespace app {

namespace {

// Read-outs of the setup page, indexed as the spectrum's enumerations.
constexpr const char* kKindTexts[] = {"DOTS", "LINES", "V LINES", "BARS", "PEAKS", "SRCOLL"};
constexpr const char* kChannelTexts[] = {"STEREO", "LEFT", "RIGHT"};
constexpr const char* kWindowTexts[] = {"RECTANGU.", "HAMMING", "HANNING", "BLACKMAN",
                                        "GAUSSIAN",  "WELCH",   "PARZEN"};
constexpr const char* kDecayTexts[] = {"NONE", "STEP UP", "EXPONENT", "UNIFORM"};

// "FFT> 2048 Bars" of rg_octave.
constexpr int kFFT2048Bars = 4;
constexpr const char* kPluginHostKey = "Software\\WinAmp\\VST Host DSP Plugin";
constexpr const char* kPluginOn = "VST Plugin On";
constexpr const char* kPluginOff = "VST Plugin Off";

template <size_t N>
bool InTable(const char* const (&)[N], int index) {
  return index >= 0 && index < static_cast<int>(N);
}

// A window of the program found by its name; null while it is not built.
vcl::TCustomForm* FindForm(const char* name) {
  if (!vcl::Screen) return nullptr;
  for (int i = 0; i < vcl::Screen->FormCount(); ++i)
    if (vcl::TCustomForm* form = vcl::Screen->Forms(i); form->Name() == name) return form;
  return nullptr;
}

// The spectrum's background picture is a published property only.
void BackgroundOff(displays::TMMSpectrum* spectrum) { vcl::SetOrdProp(spectrum, "UseBackGroundDIB", 0); }

}  // namespace

// ---- setup page -------------------------------------------------------------------------------

void TFrmMain::ApplyDisplayKind(int kind) {
  if (!InTable(kKindTexts, kind)) return;
  MMSpectrum1->SetKind(static_cast<displays::TMMSpectrumKind>(kind));
  LedLab1->SetCaption(kKindTexts[kind]);
}

void TFrmMain::ApplyDisplaySettings() {
  ApplyDisplayKind(MMSpinButton1->Value());
  MMSpinButton3Change(this);
  MMSpectrum1->SetDecay(spin_DecayA->Value());
  if (fOutfitSpec) {
    MMSpectrum1->SetBar1Color(fOutfitSpec->MMColorButton[1]->Value());
    MMSpectrum1->SetBar2Color(fOutfitSpec->MMColorButton[2]->Value());
    MMSpectrum1->SetBar3Color(fOutfitSpec->MMColorButton[3]->Value());
  }
}

void TFrmMain::MMSpinButton1Change(vcl::TObject*) { ApplyDisplayKind(MMSpinButton1->Value()); }

void TFrmMain::MMSpinButton2Change(vcl::TObject*) {
  const int mode = MMSpinButton2->Value();
  if (!InTable(kChannelTexts, mode)) return;
  MMSpectrum1->SetChannel(static_cast<engine::TMMChannel>(mode));
  MMLevel1->SetEnabled(mode != engine::chRight);
  MMLevel2->SetEnabled(mode != engine::chLeft);
  LedLab->SetCaption(kChannelTexts[mode]);
}

void TFrmMain::MMSpinButton3Change(vcl::TObject*) {
  const int window = MMSpinButton3->Value();
  if (!InTable(kWindowTexts, window)) return;
  MMSpectrum1->SetWindow(static_cast<engine::TMMFFTWindow>(window));
  LedLab2->SetCaption(kWindowTexts[window]);
}

void TFrmMain::MMSpinButton4Change(vcl::TObject*) {
  const int mode = MMSpinButton4->Value();
  if (!InTable(kDecayTexts, mode)) return;
  const auto decay = static_cast<displays::TMMDecayMode>(mode);
  MMSpectrum1->SetDecayMode(decay);
  MMLevel1->SetDecayMode(decay);
  MMLevel2->SetDecayMode(decay);
  LABDecay->SetCaption(kDecayTexts[mode]);
}

void TFrmMain::MMLEDSpin3Change(vcl::TObject*) {
  const int delay = MMLEDSpin3->Value();
  MMSpectrum1->SetPeakDelay(delay);
  for (displays::TMMLevel* level : {MMLevel1, MMLevel2, MMLevel5, MMLevel6}) level->SetPeakDelay(delay);
}

void TFrmMain::SetAllNumPeaks(int peaks) {
  MMSpectrum1->SetNumPeaks(peaks);
  for (displays::TMMLevel* level : {MMLevel1, MMLevel2, MMLevel3, MMLevel4, MMLevel5, MMLevel6})
    level->SetNumPeaks(peaks);
}

void TFrmMain::sp_peaksChange(vcl::TObject*) { SetAllNumPeaks(sp_peaks->Value()); }

void TFrmMain::CheckBox1Click(vcl::TObject*) { MMSpectrum1->SetDrawAmpScale(CheckBox1->Checked()); }
void TFrmMain::CheckBox2Click(vcl::TObject*) { MMSpectrum1->SetDrawFreqScale(CheckBox2->Checked()); }
void TFrmMain::CheckBox5Click(vcl::TObject*) { MMSpectrum1->SetDisplayPeak(CheckBox5->Checked()); }
void TFrmMain::CheckBox6Click(vcl::TObject*) { MMSpectrum1->SetDrawGrid(CheckBox6->Checked()); }

// ---- display and filter menus -----------------------------------------------------------------

void TFrmMain::ChooseDisplayKind(int kind) {
  ApplyDisplayKind(kind);
  MMSpinButton1->SetValue(kind);
}

void TFrmMain::ChooseWindow(int window) {
  MMSpectrum1->SetWindow(static_cast<engine::TMMFFTWindow>(window));
  LedLab2->SetCaption(kWindowTexts[window]);
  MMSpinButton3->SetValue(window);
}

void TFrmMain::Dots1Click(vcl::TObject*) { ChooseDisplayKind(displays::skDots); }
void TFrmMain::Lines1Click(vcl::TObject*) { ChooseDisplayKind(displays::skLines); }
void TFrmMain::VerticalLines1Click(vcl::TObject*) { ChooseDisplayKind(displays::skVLines); }
void TFrmMain::Bars1Click(vcl::TObject*) { ChooseDisplayKind(displays::skBars); }
void TFrmMain::Peaks1Click(vcl::TObject*) { ChooseDisplayKind(displays::skPeaks); }
void TFrmMain::Sroll1Click(vcl::TObject*) { ChooseDisplayKind(displays::skScroll); }

void TFrmMain::Rectangular1Click(vcl::TObject*) { ChooseWindow(engine::fwRectangular); }
void TFrmMain::Hammiing1Click(vcl::TObject*) { ChooseWindow(engine::fwHamming); }
void TFrmMain::Hanning1Click(vcl::TObject*) { ChooseWindow(engine::fwHanning); }
void TFrmMain::Backman1Click(vcl::TObject*) { ChooseWindow(engine::fwBlackman); }
void TFrmMain::Gausian1Click(vcl::TObject*) { ChooseWindow(engine::fwGaussian); }
void TFrmMain::Welch1Click(vcl::TObject*) { ChooseWindow(engine::fwWelch); }
void TFrmMain::Parzen1Click(vcl::TObject*) { ChooseWindow(engine::fwParzen); }

void TFrmMain::Spectrum1Click(vcl::TObject*) {
  if (fOutfitSpec) fOutfitSpec->Show();
}

// ---- pages ------------------------------------------------------------------------------------

void TFrmMain::ShowPanels(std::initializer_list<vcl::TControl*> panels) {
  vcl::TControl* const pages[] = {PanAverage, PanCali,   PanGenerat,   PanFFreq,
                                  PanData,    PanPlayer, pan_analyzer, PanTrigger};
  for (vcl::TControl* page : pages)
    if (std::find(panels.begin(), panels.end(), page) == panels.end()) page->Hide();
  if (std::find(panels.begin(), panels.end(), pan_main) == panels.end()) pan_main->Hide();
  // The page goes right above the button bar whatever size the window had
  // when the page was last shown.
  pan_main->SetTop(pan_menu2->Top() - pan_main->Height());
  // Aligned to the client area while the bottom panels appear, the spectrum
  // ends up filling what they leave above them.
  MMSpectrum1->SetAlign(vcl::alClient);
  for (vcl::TControl* panel : panels) panel->Show();
  MMSpectrum1->SetAlign(vcl::alNone);
}

void TFrmMain::ShowPage(std::initializer_list<vcl::TControl*> panels) {
  BackgroundOff(MMSpectrum1);
  sp_peaksChange(this);
  ShowPanels(panels);
  LayoutLevelMeters();
}

void TFrmMain::btn_fullClick(vcl::TObject*) {
  sp_peaksChange(this);
  pan_octave->Hide();
  pan_zoom->Hide();
  ShowPanels({pan_menu2});
  LayoutLevelMeters();
}

void TFrmMain::btn_averageClick(vcl::TObject*) {
  BackgroundOff(MMSpectrum1);
  ShowPanels({pan_main, PanAverage});
  // The average page analyses files: the live input stays closed until "Run".
  MMWaveOut1->Close();
  MMWaveIn1->Close();
  rg_octave->SetItemIndex(kFFT2048Bars);
  RouteRealtime();
  MMSpectrum1->SetDisplayPeak(false);
  MMSpectrum1->SetEnabled(false);
  MMSpectrum1->SetEnabled(true);
  LayoutLevelMeters();
  const bool rms = DisplayRMSLevelMeter1->Checked();
  MMLevel5->SetEnabled(rms);
  MMLevel6->SetEnabled(rms);
}

void TFrmMain::btn_CompareClick(vcl::TObject*) { ShowPage({pan_main, PanCali}); }
void TFrmMain::btn_GeneratorClick(vcl::TObject*) { ShowPage({pan_main, PanGenerat}); }
void TFrmMain::btn_PeakDClick(vcl::TObject*) { ShowPage({pan_main, PanFFreq}); }
void TFrmMain::btn_rec_PeaksClick(vcl::TObject*) { ShowPage({pan_main, PanData}); }
void TFrmMain::btn_wavPlayerClick(vcl::TObject*) { ShowPage({pan_main, PanPlayer}); }

void TFrmMain::btn_analyzerClick(vcl::TObject*) {
  ShowPage({pan_main, pan_analyzer, PanAna1, PAnAna2, PanAna3, pan_octave, pan_zoom});
}

// ---- plug-in switch ---------------------------------------------------------------------------

void TFrmMain::btn_runClick(vcl::TObject*) {
  plat::HKEY key = nullptr;
  if (plat::RegOpenKeyExA(plat::HKEY_CURRENT_USER, kPluginHostKey, 0, plat::KEY_READ, &key) !=
      plat::ERROR_SUCCESS) {
    // Without the host's key the user learns how to install it; nothing else.
    if (vcl::TCustomForm* info = FindForm("fVst")) info->ShowModal();
    return;
  }
  plat::RegCloseKey(key);
  if (btn_run->Caption() == kPluginOn) {
    engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kPluginHostKey, "visible", plat::Variant(int32_t{1}));
    DSPPlugin->OpenPluginForOwner();
    DSPPlugin->SetModuleIndex(0);
    DSPPlugin->InitModule();
    btn_run->SetCaption(kPluginOff);
  } else {
    btn_run->SetCaption(kPluginOn);
    DSPPlugin->QuitModule();
  }
}

// ---- keys -------------------------------------------------------------------------------------

void TFrmMain::FormKeyDown(vcl::TObject*, uint16_t& key, vcl::TShiftState) {
  // Menu short-cuts have run before this; the modifiers are not looked at.
  if (key >= plat::VK_F1 && key <= plat::VK_F7) {
    rg_octave->SetItemIndex(key - plat::VK_F1);
  } else if (key >= plat::VK_F8 && key <= plat::VK_F12) {
    // The meter ballistics live in the level settings dialog.
    if (fOutfitL) fOutfitL->rg_Meter->SetItemIndex(key - plat::VK_F8);
  } else if (key >= plat::VK_NUMPAD1 && key <= plat::VK_NUMPAD4) {
    StartAudioDriver(key - plat::VK_NUMPAD1 + 1);
  } else if (key == plat::VK_DELETE) {
    // Dropping the peak marks and bringing one back clears what they held.
    SetAllNumPeaks(0);
    if (Lab_l->OnClick) Lab_l->OnClick(Lab_l);
    SetAllNumPeaks(1);
  } else if (key == plat::VK_ESCAPE) {
    Close();
  } else if (key == plat::VK_ADD) {
    btn_fullClick(this);
  } else if (key == plat::VK_SUBTRACT) {
    btn_analyzerClick(this);
  }
}

void TFrmMain::FormKeyPress(vcl::TObject*, char& key) {
  if (key != ' ') return;
  // Space drops the held peaks: they fall for a moment, then hold again.
  const int delay = MMSpectrum1->PeakDelay();
  const int speed = MMSpectrum1->PeakSpeed();
  ckbLeavePeak->SetChecked(false);
  engine::DelayMS(100, false);
  MMSpectrum1->SetPeakDelay(0);
  MMSpectrum1->SetPeakSpeed(0);
  ckbLeavePeak->SetChecked(true);
  MMSpectrum1->SetPeakDelay(delay);
  MMSpectrum1->SetPeakSpeed(speed);
}

}  // namespace app
