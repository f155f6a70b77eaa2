// Smoke test on a real X display: the program's start-up through the sdl
// backend with the virtual devices, every page switched to once, every
// window of the application opened and closed by script, and the program
// closed. Skipped where there is no display or SDL video cannot start.
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <string>

#include "MainWindowFixture.h"
#include "app/FileToolForms.h"
#include "app/InfoForm.h"
#include "app/LeqWindow.h"
#include "app/SetupPrint.h"
#include "app/VstForm.h"
#include "platform/backend/SdlBackend.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"
// Last: the X headers it pulls in define macros that clash with names above.
#include "app/ScreenSupport.h"

namespace {

using app::FrmMain;

class ProgramDialogsSmokeTest : public mainwindow::MainWindowTest {
 protected:
  void SetUp() override {
    std::string why;
    sdl_ = apptest::ScreenBackend(&why);
    if (!sdl_) GTEST_SKIP() << why;
    MainWindowTest::SetUp();
    started_ = true;
    // Links the script might reach start nothing.
    plat::SetShellSink([](const plat::ShellCall&) {});
  }
  void TearDown() override {
    if (!started_) return;
    plat::SetShellSink({});
    MainWindowTest::TearDown();
  }
  std::unique_ptr<plat::backend::Backend> MakeBackend() override { return std::move(sdl_); }

  std::unique_ptr<plat::backend::Backend> sdl_;
  bool started_ = false;
};

TEST_F(ProgramDialogsSmokeTest, EveryPageAndWindowOpensAndTheProgramCloses) {
  Start();
  ASSERT_TRUE(plat::IsWindowVisible(FrmMain->Handle()));
#ifdef QUELLIX_HAVE_XLIB
  apptest::XScreenshot shot;
  if (shot.Ready()) {
    EXPECT_TRUE(PumpUntil([&] { return shot.WindowOfProcess(getpid()) != 0; }))
        << "the main window is not on the X screen";
  }
#endif

  // Every page, by its button: the page's panel shows.
  struct Page {
    vcl::TButton* button;
    vcl::TControl* panel;
  };
  const Page pages[] = {
      {FrmMain->btn_average, FrmMain->PanAverage},   {FrmMain->btn_Compare, FrmMain->PanCali},
      {FrmMain->btn_Generator, FrmMain->PanGenerat}, {FrmMain->btn_PeakD, FrmMain->PanFFreq},
      {FrmMain->btn_rec_Peaks, FrmMain->PanData},    {FrmMain->btn_wavPlayer, FrmMain->PanPlayer},
      {FrmMain->btn_full, FrmMain->pan_menu2},       {FrmMain->btn_analyzer, FrmMain->pan_analyzer},
  };
  for (const Page& page : pages) {
    page.button->Click();
    mainwindow::Pump();
    EXPECT_TRUE(page.panel->Visible()) << page.button->Caption();
  }

  // Every window of the application, opened as the user opens it.
  for (const mainwindow::ProgramWindow& window : mainwindow::ProgramWindows()) {
    vcl::TCustomForm* form = window.form();
    ASSERT_NE(form, nullptr) << window.name;
    EXPECT_TRUE(OpenAndClose(form, window.open)) << window.name << " did not open and close";
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();

  // Closed as the window manager's close button asks, under the program's own
  // message loop, which then ends; a watchdog ends it after 20 s.
  bool watchdog = false;
  vcl::TTimer guard(nullptr);
  guard.SetInterval(20000);
  guard.OnTimer = [&](vcl::TObject*) {
    watchdog = true;
    vcl::Application->Terminate();
  };
  guard.SetEnabled(true);
  plat::PostMessageA(FrmMain->Handle(), plat::WM_CLOSE, 0, 0);
  vcl::ApplicationRun();
  guard.SetEnabled(false);
  EXPECT_FALSE(watchdog) << "the program did not end within 20 s of the close";
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
