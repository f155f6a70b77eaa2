// The information windows, the Info menu's shell links and the help page.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "MainWindowFixture.h"
#include "app/InfoForm.h"
#include "app/InfoLinks.h"
#include "app/VstForm.h"
#include "platform/kernel/Files.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/Menus.h"

namespace {

namespace fs = std::filesystem;
using app::FrmMain;
using Args = std::vector<std::string>;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

class InfoWindowsTest : public mainwindow::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    for (const char* program : {"xdg-open", "pavucontrol"}) {
      const std::string path = Bin(program);
      fs::create_directories(fs::path(path).parent_path());
      std::ofstream(path) << "#!/bin/sh\nexit 0\n";
      ::chmod(path.c_str(), 0755);
    }
    plat::SetShellSink([this](const plat::ShellCall& call) { calls_.push_back(call); });
  }
  void TearDown() override {
    plat::SetShellSink({});
    MainWindowTest::TearDown();
  }
  std::string Bin(const std::string& name) const { return temp_.File("bin") + "/" + name; }

  testsupport::ScopedEnv path_{"PATH", temp_.File("bin")};
  std::vector<plat::ShellCall> calls_;
};

TEST_F(InfoWindowsTest, WindowsOpenAndCloseAndEachLinkIsOneShellOpen) {
  Start();
  ASSERT_NE(app::FrmInfo, nullptr);
  ASSERT_NE(app::fVst, nullptr);
  ASSERT_NE(app::Form1, nullptr);
  app::TFrmInfo* info = app::FrmInfo;
  EXPECT_EQ(info->Caption(), "Programm Info");
  EXPECT_EQ(info->StatusBar1->Panels()->Items(0)->Text(), "Sonavex  ");
  EXPECT_EQ(info->StatusBar2->Panels()->Items(0)->Text(), "pro Lab   ");
  EXPECT_GT(info->Image1->Picture()->Width(), 0) << "the window's picture";
  EXPECT_FALSE(info->Visible()) << "start-up closed the information window";

  // About shows the one information window, and only brings it forward when it is open.
  for (int i = 0; i < 2; ++i) {
    FrmMain->About1->Click();
    EXPECT_TRUE(info->Visible());
    EXPECT_EQ(app::FrmInfo, info);
  }
  info->Button1->Click();
  EXPECT_FALSE(info->Visible());

  // The short-key list, its text as the user reads it.
  const std::vector<std::string> keys = {"Short Key's",
                                         "",
                                         "F1 = 1/3 Octave",
                                         "F2 = 1/6 Octave",
                                         "F3 = 1/12 Octave",
                                         "F4 = 1/24 Octave",
                                         "F5 = FFT 2048",
                                         "F6 = FFT 4096",
                                         "",
                                         "F7 = Nordic N9",
                                         "F8 = DIN 45406 ",
                                         "F9 = BBC",
                                         "F10 = EBU",
                                         "F11 =  dB Full Scale",
                                         "",
                                         "Space = Start or Stops the Line In displaying",
                                         "Delete = Reset of all max values(Level, Corre)",
                                         "",
                                         "NUMBER PAD 1 = DispayDriver 1 & 2",
                                         "NUMBER PAD 2 = DispayDriver 3 & 4",
                                         "NUMBER PAD 3 = DispayDriver 5 & 6",
                                         "NUMBER PAD 4 = DispayDriver 7 & 8",
                                         "",
                                         "NUMBER PAD + = Fullscreen",
                                         "NUMBER PAD - = Normal screen"};
  std::vector<std::string> shown;
  EXPECT_TRUE(mainwindow::WhileModal(
      app::Form1, [] { FrmMain->H1->Click(); },
      [&] {
        for (int i = 0; i < app::Form1->Memo1->Lines()->Count(); ++i)
          shown.push_back(app::Form1->Memo1->Lines()->Strings(i));
        app::Form1->Button1->Click();
      }));
  EXPECT_EQ(shown, keys);
  EXPECT_EQ(app::Form1->Caption(), "Short Keys");
  EXPECT_FALSE(app::Form1->Visible());

  // Without the plug-in host's key the plug-in switch only tells how to install it.
  EXPECT_TRUE(mainwindow::WhileModal(
      app::fVst, [] { FrmMain->btn_run->Click(); }, [] { app::fVst->Button2->Click(); }));
  EXPECT_EQ(app::fVst->Caption(), "VST Plugin Information");
  EXPECT_FALSE(app::fVst->Visible());
  EXPECT_EQ(FrmMain->btn_run->Caption(), "VST Plugin On");
  EXPECT_TRUE(calls_.empty());

  struct Link {
    const char* what;
    std::function<void()> click;
    Args argv;
    std::string cwd;  // empty: any
  };
  const std::string help = plat::GetProgramFolder() + "Help";
  const Link links[] = {
      {"help", [] { FrmMain->HelpFile1->Click(); }, {Bin("xdg-open"), help + "/Sonavex pro.html"}, help},
      {"mixer", [] { FrmMain->StandardMixer1->Click(); }, {Bin("pavucontrol")}, ""},
      {"contact", [] { FrmMain->ContacttoVantorel1->Click(); }, {Bin("xdg-open"), app::kMakerMail}, ""},
      {"home page", [] { FrmMain->HomepageVantorel1->Click(); }, {Bin("xdg-open"), app::kMakerHomePage}, ""},
      {"workshop", [] { FrmMain->Label20->Click(); }, {Bin("xdg-open"), app::kWorkshopPage}, ""},
      {"web label", [info] { info->MMLabel3->Click(); }, {Bin("xdg-open"), app::kMakerWebPage}, ""},
      {"mail label", [info] { info->MMLabel7->Click(); }, {Bin("xdg-open"), app::kMakerMail}, ""},
  };
  for (const Link& link : links) {
    calls_.clear();
    link.click();
    ASSERT_EQ(calls_.size(), 1u) << link.what;
    const plat::ShellCall& call = calls_[0];
    EXPECT_EQ(call.verb, "open") << link.what;
    EXPECT_EQ(call.parameters, "") << link.what;
    EXPECT_EQ(call.directory, "") << link.what;
    EXPECT_EQ(call.show, plat::SW_SHOWNORMAL) << link.what;
    EXPECT_EQ(call.argv, link.argv) << link.what;
    if (!link.cwd.empty()) EXPECT_EQ(fs::path(call.current_directory), fs::path(link.cwd)) << link.what;
  }
  // The help page leaves its folder current.
  EXPECT_EQ(fs::current_path(), fs::path(help));
  EXPECT_EQ(FrmMain->Label20->Parent(), FrmMain->PanAverage);
  EXPECT_EQ(FrmMain->Label20->Caption(), "Get help from the workshop");
  EXPECT_TRUE(messages_.empty()) << messages_.front();
}

// The page is in "Help" beside the program; every link on it leads somewhere:
// its own anchors, files beside it, or the addresses the program opens.
TEST(HelpPage, ExistsBesideTheProgramAndItsLinksResolve) {
  const std::string folder = plat::GetProgramFolder() + app::kHelpFolder;
  const std::string page = folder + "/" + app::kHelpPage;
  ASSERT_TRUE(fs::is_regular_file(page)) << page;
  const std::string html = ReadAll(page);
  std::set<std::string> ids;
  const std::regex id_pattern(R"re(\sid="([^"]+)")re");
  for (std::sregex_iterator it(html.begin(), html.end(), id_pattern), end; it != end; ++it) {
    EXPECT_TRUE(ids.insert((*it)[1]).second) << "id " << (*it)[1] << " twice";
  }
  const std::set<std::string> addresses = {app::kMakerMail, app::kMakerWebPage, app::kMakerHomePage,
                                           app::kWorkshopPage};
  const std::regex href_pattern(R"re(href="([^"]*)")re");
  int links = 0;
  for (std::sregex_iterator it(html.begin(), html.end(), href_pattern), end; it != end; ++it, ++links) {
    const std::string href = (*it)[1];
    if (href.rfind("https:", 0) == 0 || href.rfind("mailto:", 0) == 0) {
      EXPECT_TRUE(addresses.count(href)) << href << " is none of the program's addresses";
      continue;
    }
    const size_t hash = href.find('#');
    const std::string file = href.substr(0, hash);
    if (!file.empty()) EXPECT_TRUE(fs::is_regular_file(folder + "/" + file)) << href;
    if (hash != std::string::npos && (file.empty() || file == app::kHelpPage))
      EXPECT_TRUE(ids.count(href.substr(hash + 1))) << href;
  }
  EXPECT_GT(links, 10);
}

}  // namespace
