// The main window's setup page, display and filter menus, pages, keys and
// plug-in switch, headless on the virtual devices.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/OutfitL.h"
#include "app/Settings.h"
#include "app/SpectrumOutfit.h"
#include "engine/MMUtils.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/registry/Registry.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"

namespace {

using app::FrmMain;
using mainwindow::Pump;

class MainSetupTest : public mainwindow::MainWindowTest {
 protected:
  // A key pressed and released on the main window, with Ctrl held when asked.
  void Key(uint16_t vk, bool ctrl = false) {
    auto& screen = static_cast<plat::backend::HeadlessBackend&>(plat::backend::Current());
    if (ctrl) screen.InjectKey(plat::VK_CONTROL, true);
    screen.InjectKey(vk, true);
    screen.InjectKey(vk, false);
    if (ctrl) screen.InjectKey(plat::VK_CONTROL, false);
    DeliverKeys();
  }
  // A character typed on the main window.
  void Type(const char* text) {
    static_cast<plat::backend::HeadlessBackend&>(plat::backend::Current()).InjectText(text);
    DeliverKeys();
  }
  // Only the keyboard's messages: the running displays' own would take the time.
  static void DeliverKeys() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, plat::WM_KEYDOWN, plat::WM_SYSDEADCHAR, plat::PM_REMOVE))
      plat::DispatchMessageA(&msg);
  }
  // The page panels that show, by name.
  std::string ShownPages() const {
    std::string shown;
    vcl::TControl* const pages[] = {FrmMain->PanAverage,   FrmMain->PanCali,   FrmMain->PanGenerat,
                                    FrmMain->PanFFreq,     FrmMain->PanData,   FrmMain->PanPlayer,
                                    FrmMain->pan_analyzer, FrmMain->PanTrigger};
    for (vcl::TControl* page : pages)
      if (page->Visible()) shown += (shown.empty() ? "" : " ") + page->Name();
    return shown;
  }
};

// Each setup control writes the displays it names and its read-out.
TEST_F(MainSetupTest, SetupControlsWriteTheDisplays) {
  Start();
  app::TFrmMain* w = FrmMain;
  displays::TMMSpectrum* s = w->MMSpectrum1;
  struct Case {
    const char* what;
    std::function<void()> act;
    std::function<void()> check;
  };
  const Case cases[] = {
      {"display mode", [w] { w->MMSpinButton1->SetValue(0); },
       [w, s] {
         EXPECT_EQ(s->Kind(), displays::skDots);
         EXPECT_EQ(w->LedLab1->Caption(), "DOTS");
       }},
      {"left channel", [w] { w->MMSpinButton2->SetValue(1); },
       [w, s] {
         EXPECT_EQ(s->Channel(), engine::chLeft);
         EXPECT_TRUE(w->MMLevel1->Enabled());
         EXPECT_FALSE(w->MMLevel2->Enabled());
         EXPECT_EQ(w->LedLab->Caption(), "LEFT");
       }},
      {"right channel", [w] { w->MMSpinButton2->SetValue(2); },
       [w, s] {
         EXPECT_EQ(s->Channel(), engine::chRight);
         EXPECT_FALSE(w->MMLevel1->Enabled());
         EXPECT_TRUE(w->MMLevel2->Enabled());
         EXPECT_EQ(w->LedLab->Caption(), "RIGHT");
       }},
      {"both channels", [w] { w->MMSpinButton2->SetValue(0); },
       [w, s] {
         EXPECT_EQ(s->Channel(), engine::chBoth);
         EXPECT_TRUE(w->MMLevel1->Enabled());
         EXPECT_TRUE(w->MMLevel2->Enabled());
         EXPECT_EQ(w->LedLab->Caption(), "STEREO");
       }},
      {"window", [w] { w->MMSpinButton3->SetValue(0); },
       [w, s] {
         EXPECT_EQ(s->Window(), engine::fwRectangular);
         EXPECT_EQ(w->LedLab2->Caption(), "RECTANGU.");
       }},
      {"decay mode", [w] { w->MMSpinButton4->SetValue(2); },
       [w, s] {
         EXPECT_EQ(s->DecayMode(), displays::dmExponential);
         EXPECT_EQ(w->MMLevel1->DecayMode(), displays::dmExponential);
         EXPECT_EQ(w->MMLevel2->DecayMode(), displays::dmExponential);
         EXPECT_EQ(w->LABDecay->Caption(), "EXPONENT");
       }},
      {"peak delay", [w] { w->MMLEDSpin3->SetValue(33); },
       [w, s] {
         EXPECT_EQ(s->PeakDelay(), 33);
         for (displays::TMMLevel* level : {w->MMLevel1, w->MMLevel2, w->MMLevel5, w->MMLevel6})
           EXPECT_EQ(level->PeakDelay(), 33) << level->Name();
       }},
      {"number of peaks", [w] { w->sp_peaks->SetValue(3); },
       [w, s] {
         EXPECT_EQ(s->NumPeaks(), 3);
         for (displays::TMMLevel* level :
              {w->MMLevel1, w->MMLevel2, w->MMLevel3, w->MMLevel4, w->MMLevel5, w->MMLevel6})
           EXPECT_EQ(level->NumPeaks(), 3) << level->Name();
       }},
      {"check boxes off",
       [w] {
         for (vcl::TCheckBox* box : {w->CheckBox1, w->CheckBox2, w->CheckBox5, w->CheckBox6})
           box->SetChecked(false);
       },
       [s] {
         EXPECT_FALSE(s->DrawAmpScale());
         EXPECT_FALSE(s->DrawFreqScale());
         EXPECT_FALSE(s->DisplayPeak());
         EXPECT_FALSE(s->DrawGrid());
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.act();
    c.check();
  }
  // Re-applied from the controls after something else changed the spectrum.
  s->SetKind(displays::skBars);
  s->SetWindow(engine::fwWelch);
  app::fOutfitSpec->MMColorButton[3]->SetValue(vcl::clLime);
  s->SetBar3Color(vcl::clRed);
  w->ApplyDisplaySettings();
  EXPECT_EQ(s->Kind(), displays::skDots);
  EXPECT_EQ(s->Window(), engine::fwRectangular);
  EXPECT_EQ(s->Decay(), w->spin_DecayA->Value());
  EXPECT_EQ(s->Bar3Color(), vcl::clLime);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The menus choose the display kind and the window and keep the setup page's
// spin buttons and read-outs in step.
TEST_F(MainSetupTest, DisplayAndFilterMenusKeepTheSetupPageInStep) {
  Start();
  app::TFrmMain* w = FrmMain;
  struct Case {
    vcl::TMenuItem* item;
    controls::TMMSpinButton* spin;
    int value;
    controls::TMMLEDLABEL* led;
    const char* text;
  };
  const Case cases[] = {
      {w->Sroll1, w->MMSpinButton1, 5, w->LedLab1, "SRCOLL"},
      {w->Dots1, w->MMSpinButton1, 0, w->LedLab1, "DOTS"},
      {w->Lines1, w->MMSpinButton1, 1, w->LedLab1, "LINES"},
      {w->VerticalLines1, w->MMSpinButton1, 2, w->LedLab1, "V LINES"},
      {w->Peaks1, w->MMSpinButton1, 4, w->LedLab1, "PEAKS"},
      {w->Bars1, w->MMSpinButton1, 3, w->LedLab1, "BARS"},
      {w->Rectangular1, w->MMSpinButton3, 0, w->LedLab2, "RECTANGU."},
      {w->Hammiing1, w->MMSpinButton3, 1, w->LedLab2, "HAMMING"},
      {w->Hanning1, w->MMSpinButton3, 2, w->LedLab2, "HANNING"},
      {w->Backman1, w->MMSpinButton3, 3, w->LedLab2, "BLACKMAN"},
      {w->Gausian1, w->MMSpinButton3, 4, w->LedLab2, "GAUSSIAN"},
      {w->Parzen1, w->MMSpinButton3, 6, w->LedLab2, "PARZEN"},
      {w->Welch1, w->MMSpinButton3, 5, w->LedLab2, "WELCH"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.item->Name());
    ASSERT_TRUE(c.item->Enabled());
    c.item->Click();
    EXPECT_EQ(c.spin->Value(), c.value);
    EXPECT_EQ(c.led->Caption(), c.text);
    if (c.spin == w->MMSpinButton1)
      EXPECT_EQ(w->MMSpectrum1->Kind(), c.value);
    else
      EXPECT_EQ(w->MMSpectrum1->Window(), c.value);
  }
  // A kind outside the table leaves the spectrum and its read-out alone.
  w->ApplyDisplayKind(6);
  EXPECT_EQ(w->MMSpectrum1->Kind(), displays::skBars);
  EXPECT_EQ(w->LedLab1->Caption(), "BARS");

  // "Spectrum outfit" shows the outfit dialog, whose controls reach this spectrum.
  w->Spectrum1->Click();
  ASSERT_NE(app::fOutfitSpec, nullptr);
  EXPECT_TRUE(app::fOutfitSpec->Visible());
  app::fOutfitSpec->MMColorButton[11]->SetValue(vcl::clNavy);
  EXPECT_EQ(w->MMSpectrum1->Color(), vcl::clNavy);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// One page at a time below the spectrum, which takes what is left above it.
TEST_F(MainSetupTest, PageButtonsShowOnePageAtATime) {
  Start();
  app::TFrmMain* w = FrmMain;
  EXPECT_EQ(ShownPages(), "") << "the window starts on the full-screen page";
  struct Case {
    vcl::TButton* button;
    const char* shown;
  };
  const Case cases[] = {
      {w->btn_analyzer, "pan_analyzer"},
      {w->btn_Compare, "PanCali"},
      {w->btn_Generator, "PanGenerat"},
      {w->btn_PeakD, "PanFFreq"},
      {w->btn_rec_Peaks, "PanData"},
      {w->btn_wavPlayer, "PanPlayer"},
      {w->btn_full, ""},
      {w->btn_analyzer, "pan_analyzer"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.button->Caption());
    // Each page switch gives the spectrum and every meter the setup page's number of peaks.
    w->MMSpectrum1->SetNumPeaks(0);
    w->MMLevel4->SetNumPeaks(0);
    // Pressed as a user does: a click at the button's place on the screen,
    // which a disabled button ignores.
    auto* screen = dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
    ASSERT_NE(screen, nullptr);
    plat::RECT r{};
    plat::GetWindowRect(c.button->Handle(), &r);
    screen->InjectClick(plat::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    Pump();
    EXPECT_EQ(ShownPages(), c.shown);
    const bool full = std::string(c.shown).empty();
    EXPECT_EQ(w->pan_main->Visible(), !full);
    EXPECT_TRUE(w->pan_menu2->Visible());
    EXPECT_EQ(w->MMSpectrum1->NumPeaks(), w->sp_peaks->Value());
    EXPECT_EQ(w->MMLevel4->NumPeaks(), w->sp_peaks->Value());
    EXPECT_EQ(w->MMSpectrum1->Align(), vcl::alNone);
    const int bottom = w->MMSpectrum1->Top() + w->MMSpectrum1->Height();
    EXPECT_EQ(bottom, full ? w->pan_menu2->Top() : w->pan_main->Top());
  }
  // The setup page brings back the mode panels the full-screen page hid.
  EXPECT_TRUE(w->pan_octave->Visible());
  EXPECT_TRUE(w->pan_zoom->Visible());
  // Every button of the bottom bar can be pressed.
  for (vcl::TButton* button : {w->btn_full, w->btn_average, w->btn_Compare, w->btn_Generator, w->btn_PeakD,
                               w->btn_rec_Peaks, w->btn_wavPlayer, w->btn_analyzer, w->Button25, w->btn_run})
    EXPECT_TRUE(button->Enabled()) << button->Caption();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// "Average" closes the live input and shows FFT bars; "Run" starts it again.
TEST_F(MainSetupTest, AverageLeavesTheInputClosedUntilRun) {
  Start();
  app::TFrmMain* w = FrmMain;
  ASSERT_TRUE(w->MMWaveIn1->DeviceStarted());
  w->btn_average->OnClick(w->btn_average);
  Pump();
  EXPECT_EQ(ShownPages(), "PanAverage");
  EXPECT_FALSE(w->MMWaveIn1->DeviceStarted());
  EXPECT_EQ(w->rg_octave->ItemIndex(), 4);
  EXPECT_FALSE(w->MMSpectrum1->DisplayPeak());
  EXPECT_EQ(w->MMConnector1->Input(), w->MMWaveIn1);
  w->Button25->OnClick(w->Button25);
  Pump();
  EXPECT_TRUE(w->MMWaveIn1->DeviceStarted());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The keyboard: function keys choose the display mode unless a menu short-cut
// takes the key first; keypad keys choose pages; Delete clears held peaks.
TEST_F(MainSetupTest, KeysSwitchModesAndPages) {
  Start();
  app::TFrmMain* w = FrmMain;
  plat::SetFocus(w->Handle());
  Pump();
  struct Case {
    uint16_t key;
    int octave;
    const char* shown;
  };
  const Case cases[] = {
      {plat::VK_F1, 0, ""},
      {plat::VK_F4, 3, ""},
      {plat::VK_F7, 6, ""},
      {plat::VK_F3, 2, ""},
      {plat::VK_SUBTRACT, 2, "pan_analyzer"},
      {plat::VK_ADD, 2, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    Key(c.key);
    EXPECT_EQ(w->rg_octave->ItemIndex(), c.octave);
    EXPECT_EQ(ShownPages(), c.shown);
  }

  // F8 .. F12 choose the meter ballistics of the level settings.
  ASSERT_NE(app::fOutfitL, nullptr);
  // (F10 is left out: the system also takes it to open the menu bar.)
  for (uint16_t key : {plat::VK_F12, plat::VK_F8, plat::VK_F9}) {
    Key(key);
    EXPECT_EQ(app::fOutfitL->rg_Meter->ItemIndex(), key - plat::VK_F8);
  }

  // Ctrl+F1 belongs to its menu item: the display mode stays.
  int stored = 0;
  w->StoreFreeed1->SetEnabled(true);
  w->StoreFreeed1->OnClick = [&stored](vcl::TObject*) { ++stored; };
  Key(plat::VK_F1, true);
  EXPECT_EQ(stored, 1);
  EXPECT_EQ(w->rg_octave->ItemIndex(), 2);

  // Delete drops every held peak and leaves one peak mark on each display.
  w->sp_peaks->SetValue(3);
  int resets = 0;
  w->Lab_l->OnClick = [&resets](vcl::TObject*) { ++resets; };
  Key(plat::VK_DELETE);
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(w->MMSpectrum1->NumPeaks(), 1);
  for (displays::TMMLevel* level :
       {w->MMLevel1, w->MMLevel2, w->MMLevel3, w->MMLevel4, w->MMLevel5, w->MMLevel6})
    EXPECT_EQ(level->NumPeaks(), 1) << level->Name();

  // Space lets the held peaks fall, then holds them again with the old timing.
  w->MMSpectrum1->SetPeakDelay(25);
  w->MMSpectrum1->SetPeakSpeed(4);
  w->ckbLeavePeak->SetChecked(false);
  Type(" ");
  EXPECT_TRUE(w->ckbLeavePeak->Checked());
  EXPECT_EQ(w->MMSpectrum1->PeakDelay(), 25);
  EXPECT_EQ(w->MMSpectrum1->PeakSpeed(), 4);

  // Escape closes the main window, which stops the devices.
  Key(plat::VK_ESCAPE);
  EXPECT_FALSE(w->MMWaveIn1->DeviceStarted());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// "VST Plugin On" runs the plug-in's module only where its host has a key;
// without one nothing runs.
TEST_F(MainSetupTest, PluginSwitchRunsTheModuleWhereTheHostIsInstalled) {
  Start();
  app::TFrmMain* w = FrmMain;
  const char* host = "Software\\WinAmp\\VST Host DSP Plugin";
  ASSERT_TRUE(w->btn_run->Enabled());
  // Without the host the plug-in window tells how to install it.
  EXPECT_TRUE(mainwindow::WhileModal(
      app::fVst, [w] { w->btn_run->OnClick(w->btn_run); }, [] { app::fVst->Close(); }));
  EXPECT_EQ(w->btn_run->Caption(), "VST Plugin On");
  EXPECT_FALSE(w->DSPPlugin->ModuleInitialized());
  plat::HKEY key = nullptr;
  EXPECT_NE(plat::RegOpenKeyExA(plat::HKEY_CURRENT_USER, host, 0, plat::KEY_READ, &key), plat::ERROR_SUCCESS)
      << "the switch created the host's key";

  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, host, "visible", plat::Variant(int32_t{0}));
  w->btn_run->OnClick(w->btn_run);
  EXPECT_EQ(w->btn_run->Caption(), "VST Plugin Off");
  EXPECT_TRUE(w->DSPPlugin->ModuleInitialized());
  EXPECT_EQ(
      engine::RegReadVariant(plat::HKEY_CURRENT_USER, host, "visible", plat::Variant(int32_t{0})).AsInteger(),
      1);
  w->btn_run->OnClick(w->btn_run);
  EXPECT_EQ(w->btn_run->Caption(), "VST Plugin On");
  EXPECT_FALSE(w->DSPPlugin->ModuleInitialized());
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
