// The program as it ships wears its skin: started headless, the main window
// and every window opened by script show the default package's frame,
// caption, menu bar, buttons, check boxes and panels, while the program's own
// LED panels and panel fills keep their colours. Each theme the setup page
// offers repaints every open window in its colours. The expected pixels come
// from the themes the build draws its packages from.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "MainWindowFixture.h"
#include "ThemeColours.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/Geometry.h"
#include "platform/user/Paint.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/SkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinForm.h"

namespace {

using app::FrmMain;
using skinpack::Theme;

using apptest::Hex;
using apptest::kBlack;
using apptest::kWhite;
using apptest::Mix;

uint32_t Hex(vcl::TColor c) {
  const auto v = static_cast<uint32_t>(vcl::ColorToRGB(c));
  return (v & 0xFF) << 16 | (v & 0xFF00) | (v >> 16 & 0xFF);
}

// One pixel as the screen shows it, and the colour it should have: at (x, y)
// of `control`'s client area, or without a control at (x, y) of `window`
// counted from its top left corner (negative from its bottom right).
struct Probe {
  std::string what;
  vcl::TControl* control;
  plat::HWND window;
  int x, y;
  uint32_t want;
};

// Where a probe lies now, in its window's coordinates; the frame may change
// while the test waits.
std::pair<plat::HWND, plat::POINT> Where(const Probe& p) {
  plat::HWND window = p.control ? vcl::GetParentForm(p.control)->Handle() : p.window;
  plat::RECT frame{};
  plat::GetWindowRect(window, &frame);
  if (p.control) {
    const vcl::TPoint at = p.control->ClientToScreen(vcl::TPoint{p.x, p.y});
    return {window, {at.x - frame.left, at.y - frame.top}};
  }
  return {window,
          {p.x >= 0 ? p.x : frame.right - frame.left + p.x, p.y >= 0 ? p.y : frame.bottom - frame.top + p.y}};
}

class SkinnedProgramTest : public mainwindow::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    // Links the script might reach start nothing.
    plat::SetShellSink([](const plat::ShellCall&) {});
  }
  void TearDown() override {
    plat::SetShellSink({});
    MainWindowTest::TearDown();
  }

  static plat::backend::HeadlessBackend& Screen() {
    return dynamic_cast<plat::backend::HeadlessBackend&>(plat::backend::Current());
  }
  static skin::TSkinData& SkinData() {
    auto* data = dynamic_cast<skin::TSkinData*>(FrmMain->FindComponent("SkinData1"));
    EXPECT_NE(data, nullptr) << "the main window has no SkinData1";
    return *data;
  }
  static const Theme& ThemeOf(const std::string& file) {
    const Theme* theme = skinpack::FindTheme(file);
    EXPECT_NE(theme, nullptr) << file;
    return *theme;
  }

  // Pumps until the form's skin frames the window: its client area lies
  // within the skin's borders, caption and menu bar.
  bool AwaitFrame(vcl::TCustomForm* form) {
    return PumpUntil([form] {
      skin::TWinSkinForm* skinned =
          skin::SkinManager() ? skin::SkinManager()->FindForm(form->Handle()) : nullptr;
      if (!skinned || !skinned->FrameSkinned()) return false;
      plat::RECT frame{};
      plat::GetWindowRect(form->Handle(), &frame);
      const vcl::TPoint client = form->ClientToScreen(vcl::TPoint{0, 0});
      return client.x - frame.left == skinned->BorderLeft() &&
             client.y - frame.top == skinned->BorderTop() + skinned->MenuBarHeight();
    });
  }

  static Probe At(const std::string& what, vcl::TControl* control, int x, int y, uint32_t want) {
    return {what, control, nullptr, x, y, want};
  }

  // The frame and caption of a skinned window in the theme's caption colours,
  // and the left column of its first shown push button in the face's light.
  std::vector<Probe> FrameProbes(vcl::TCustomForm* form, const Theme& theme) {
    skin::TWinSkinForm* skinned = skin::SkinManager()->FindForm(form->Handle());
    const apptest::FrameColours colours = apptest::FrameOf(theme, skinned->IsActive());
    const std::string name = form->Name();
    std::vector<Probe> probes;
    if (form->BorderStyle() != vcl::bsNone) {
      probes.push_back({name + " left border", nullptr, form->Handle(), 1, -8, colours.border});
      probes.push_back({name + " caption", nullptr, form->Handle(), -30, 0, colours.caption_top});
    }
    for (int i = 0; i < form->ComponentCount(); ++i) {
      auto* button = dynamic_cast<vcl::TButton*>(form->Components(i));
      // A focused button wears its focus frame instead.
      if (!button || !button->Showing() || !button->Enabled() || button->Focused()) continue;
      probes.push_back(
          At(name + " " + button->Name(), button, 0, button->Height() / 2, Hex(Mix(theme.face, kWhite, 60))));
      break;
    }
    return probes;
  }

  // Pumps until every probe shows its colour, then reports those that do not.
  void ExpectProbes(const std::vector<Probe>& probes) {
    auto seen = [](const Probe& p) {
      const auto [window, at] = Where(p);
      return Screen().PresentedPixel(window, at.x, at.y) & 0xFFFFFF;
    };
    // What waits to be painted is painted now: the running analysis keeps
    // the queue from ever running dry, where paints would come on their own.
    PumpUntil(
        [&] {
          for (const Probe& p : probes) plat::UpdateWindow(Where(p).first);
          for (const Probe& p : probes)
            if (seen(p) != p.want) return false;
          return true;
        },
        3000);
    for (const Probe& p : probes) {
      const plat::POINT at = Where(p).second;
      char text[64];
      std::snprintf(text, sizeof text, "%06x, not %06x, at %d,%d", seen(p), p.want, static_cast<int>(at.x),
                    static_cast<int>(at.y));
      EXPECT_EQ(seen(p), p.want) << p.what << ": " << text;
    }
  }

  // The main window large enough for every page to lie inside it.
  void StartSkinned() {
    Start();
    FrmMain->SetBounds(0, 0, 1100, 760);
    ASSERT_TRUE(AwaitFrame(FrmMain)) << "the main window was not skinned";
    // The new size lays the pages out again.
    ASSERT_TRUE(PumpUntil([] { return !FrmMain->tResize->Enabled(); }));
  }
};

TEST_F(SkinnedProgramTest, TheMainWindowAndEveryWindowWearTheDefaultSkin) {
  StartSkinned();
  const Theme& theme = ThemeOf("default.skn");
  skin::TSkinData& data = SkinData();
  EXPECT_EQ(data.Skin().SkinName, theme.name);

  // The frame: 4-pixel borders and a 22-pixel caption, the skinned menu bar
  // below it, the client area within them.
  skin::TWinSkinForm* frame = skin::SkinManager()->FindForm(FrmMain->Handle());
  EXPECT_EQ(frame->BorderLeft(), 4);
  EXPECT_EQ(frame->BorderRight(), 4);
  EXPECT_EQ(frame->BorderTop(), 22);
  EXPECT_GT(frame->MenuBarHeight(), 0);

  const uint32_t face = Hex(theme.face);
  // The panel fill keeps its own colour, and its check boxes show it around their text.
  const uint32_t fill = Hex(FrmMain->PanAna1->Color());
  ASSERT_NE(fill, face) << "the panel fill's colour would not tell the two apart";
  FrmMain->btn_analyzer->Click();
  std::vector<Probe> probes = FrameProbes(FrmMain, theme);
  probes.push_back({"menu bar's lower edge", nullptr, FrmMain->Handle(), -12, 22 + frame->MenuBarHeight() - 1,
                    Hex(Mix(theme.face, kBlack, 35))});
  vcl::TCheckBox* box = FrmMain->CheckBox1;
  const int box_top = (box->Height() - 13) / 2;
  probes.push_back(At("check box inside", box, 10, box_top + 3, Hex(theme.window)));
  probes.push_back(At("check box ground on the panel fill", box, box->Width() - 2, box->Height() / 2, fill));
  probes.push_back(At("panel fill", FrmMain->PanAna1, FrmMain->PanAna1->Width() - 4, 130, fill));
  probes.push_back(At("button", FrmMain->btn_freeze, 0, 12, Hex(Mix(theme.face, kWhite, 60))));
  probes.push_back(At("panel", FrmMain->pan_top, 2, 2, face));
  ExpectProbes(probes);

  // The LED panels of the player page keep their colours.
  FrmMain->btn_wavPlayer->Click();
  probes.clear();
  for (controls::TMMLEDPanel* led :
       {FrmMain->MMLEDPanel6, FrmMain->MMLEDPanel7, FrmMain->MMLEDPanel1, FrmMain->mpkbit}) {
    EXPECT_EQ(led->Color(), vcl::clBlack) << led->Name();
    probes.push_back(At(led->Name(), led, 2, 2, Hex(vcl::clBlack)));
  }
  ExpectProbes(probes);

  // Every window opened by script is framed and its buttons skinned.
  for (const mainwindow::ProgramWindow& w : mainwindow::ProgramWindows()) {
    SCOPED_TRACE(w.name);
    vcl::TCustomForm* form = w.form();
    ASSERT_NE(form, nullptr);
    EXPECT_TRUE(OpenAndClose(form, w.open, [&] {
      ASSERT_TRUE(AwaitFrame(form)) << "not skinned";
      ExpectProbes(FrameProbes(form, theme));
    })) << "did not open and close";
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  Stop();
}

TEST_F(SkinnedProgramTest, EachThemeOfTheSetupPageRepaintsEveryOpenWindow) {
  StartSkinned();
  FrmMain->Spectrum1->Click();
  FrmMain->CorrelationSettings1->Click();
  FrmMain->LevelSettings1->Click();
  const std::vector<vcl::TCustomForm*> open = {FrmMain, app::fOutfitSpec, app::fCorre, app::fOutfitL};
  std::map<vcl::TCustomForm*, std::pair<int, int>> sizes;
  for (vcl::TCustomForm* form : open) {
    ASSERT_TRUE(AwaitFrame(form)) << form->Name() << " was not skinned";
    sizes[form] = {form->Width(), form->Height()};
  }

  skin::TSkinData& data = SkinData();
  vcl::TRadioGroup* choice = app::fOutfitSpec->rg_skin;
  for (int index = 0; index < choice->Items()->Count(); ++index) {
    const std::string file = app::TfOutfitSpec::SkinFileName(index);
    SCOPED_TRACE(file);
    const Theme& theme = ThemeOf(file.substr(file.find('\\') + 1));
    choice->SetItemIndex(index);
    EXPECT_FALSE(data.NotLoaded());
    EXPECT_EQ(data.Skin().SkinName, theme.name);
    // The manager refreshes every window it framed.
    ASSERT_EQ(skin::SkinManager()->PendingAction(), 3);
    skin::SkinManager()->Tick();
    // A new skin keeps every window's size.
    for (vcl::TCustomForm* form : open) {
      ASSERT_TRUE(AwaitFrame(form)) << form->Name();
      EXPECT_EQ(form->Width(), sizes[form].first) << form->Name();
      EXPECT_EQ(form->Height(), sizes[form].second) << form->Name();
    }
    std::vector<Probe> probes;
    for (vcl::TCustomForm* form : open) {
      std::vector<Probe> more = FrameProbes(form, theme);
      probes.insert(probes.end(), more.begin(), more.end());
    }
    probes.push_back(At("panel", FrmMain->pan_top, 2, 2, Hex(theme.face)));
    ExpectProbes(probes);
  }
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  Stop();
}

}  // namespace
