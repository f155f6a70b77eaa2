// Smoke test on a real X display: a form holding every control class and a
// main menu, shown through the sdl backend. While the File menu is dropped
// down, the X screen is read: the status bar's face, the progress bar's fill,
// the drop-down combo box's frame and button, and the menu's background where
// it covers a red panel. Skipped where there is no display or SDL video cannot
// start.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <thread>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/ComboBox.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Geometry.h"
#include "platform/user/Menu.h"
#include "platform/user/MessageBox.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
// Last: the X headers it pulls in define macros that clash with names above.
#include "app/ScreenSupport.h"

namespace {

using apptest::Pump;
#ifdef QUELLIX_HAVE_XLIB
using apptest::XScreenshot;
#endif

uint32_t Rgb(plat::COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
uint32_t Rgb(vcl::TColor c) { return Rgb(static_cast<plat::COLORREF>(vcl::ColorToRGB(c))); }

// A pixel to check on the screen, and what was seen there.
struct Probe {
  const char* what;
  plat::POINT screen;
  uint32_t expected;
  std::optional<uint32_t> seen;
};

#ifdef QUELLIX_HAVE_XLIB
// What the timer running inside the menu's modal loop works with.
struct MenuShot {
  XScreenshot* shot = nullptr;
  std::vector<Probe>* probes = nullptr;
  plat::HMENU file_menu = nullptr;
  plat::HWND form = nullptr;
  uint32_t menu_colour = 0;
  int ticks = 0;
  bool menu_seen = false;
  bool popup_on_screen = false;
  bool all_seen = false;
};
MenuShot menu_shot;

bool ReadProbes(std::vector<Probe>& probes) {
  bool all = true;
  for (Probe& p : probes) {
    p.seen = menu_shot.shot->Pixel(p.screen.x, p.screen.y);
    all = all && p.seen == p.expected;
  }
  return all;
}

// Each tick, while the menu is open: once its second item is on screen, read
// the probes until they match (the X server may lag behind), then close it.
void OnMenuTimer(plat::HWND, plat::UINT, uintptr_t, plat::DWORD) {
  ++menu_shot.ticks;
  plat::RECT item{};
  if (plat::user::TrackedMenu() && plat::GetMenuItemRect(nullptr, menu_shot.file_menu, 1, &item)) {
    if (!menu_shot.menu_seen) {
      // The top line of the item's right end holds no text: the menu's background.
      const plat::POINT point{item.right - 3, item.top + 1};
      menu_shot.popup_on_screen = plat::backend::Current().IsOpen(plat::WindowFromPoint(point));
      if (menu_shot.popup_on_screen)
        menu_shot.probes->push_back(Probe{"dropped menu", point, menu_shot.menu_colour, std::nullopt});
      menu_shot.menu_seen = true;
    }
    menu_shot.all_seen = ReadProbes(*menu_shot.probes);
    if (menu_shot.all_seen) {
      plat::RECT form{};
      plat::GetWindowRect(menu_shot.form, &form);
      menu_shot.shot->SaveOnRequest(form, "controls-menu");
    }
  }
  if (menu_shot.all_seen || menu_shot.ticks > 150) plat::EndMenu();
}
#endif

class ControlsSmokeTest : public apptest::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    if (!started_) return;
    vcl::RegisterStdControlClasses();
  }

  template <class T>
  T* Add(vcl::TWinControl* parent, int left, int top, int width, int height) {
    auto* control = new T(form_);
    control->SetParent(parent);
    control->SetBounds(left, top, width, height);
    return control;
  }

  // A form with every control class, a menu bar and a red panel under where File drops down.
  void BuildForm() {
    using namespace vcl;
    form_ = new TForm(Application);
    form_->SetBounds(30, 30, 600, 420);
    form_->SetCaption("Controls");
    form_->SetColor(clWhite);

    auto* menu = new TMainMenu(form_);
    for (const char* caption : {"&File", "&View"}) {
      auto* top = new TMenuItem(form_);
      top->SetCaption(caption);
      menu->Items()->Add(top);
      for (const char* sub : {"&Open", "&Save", "E&xit"}) {
        auto* item = new TMenuItem(form_);
        item->SetCaption(sub);
        top->Add(item);
      }
    }
    form_->SetMenu(menu);
    file_menu_ = menu->Items()->Items(0)->Handle();

    red_ = Add<TPanel>(form_, 0, 0, 200, 120);
    red_->SetBevelOuter(bvNone);
    red_->SetColor(clRed);
    Add<TButton>(red_, 120, 90, 70, 25)->SetCaption("OK");

    Add<TCheckBox>(form_, 210, 4, 100, 17)->SetCaption("Peak hold");
    auto* group = Add<TGroupBox>(form_, 210, 24, 120, 60);
    group->SetCaption("Channel");
    Add<TRadioButton>(group, 8, 18, 100, 17)->SetCaption("Left");
    Add<TEdit>(form_, 340, 4, 100, 21)->SetText("44100");
    Add<TMemo>(form_, 340, 30, 100, 50)->Lines()->SetText("one\ntwo\n");
    auto* combo = combo_ = Add<TComboBox>(form_, 450, 4, 120, 21);
    combo->Items()->SetText("Lines\nBars\n");
    combo->SetItemIndex(1);
    Add<TListBox>(form_, 450, 30, 120, 50)->Items()->SetText("Left\nRight\n");
    Add<TLabel>(form_, 210, 92, 80, 13)->SetCaption("Level");
    Add<TImage>(form_, 300, 90, 32, 32);
    Add<TSpeedButton>(form_, 340, 90, 23, 22)->SetCaption("A");
    auto* radio_group = Add<TRadioGroup>(form_, 8, 130, 180, 70);
    radio_group->SetCaption("Weighting");
    radio_group->Items()->SetText("A\nC\nZ\n");
    radio_group->SetItemIndex(0);
    auto* track = Add<TTrackBar>(form_, 200, 130, 150, 40);
    track->SetMax(20);
    track->SetPosition(5);
    progress_ = Add<TProgressBar>(form_, 200, 180, 200, 18);
    progress_->SetSmooth(true);
    progress_->SetPosition(50);
    Add<TScrollBar>(form_, 410, 180, 160, 17);
    auto* tabs = Add<TTabControl>(form_, 8, 210, 180, 100);
    tabs->Tabs()->SetText("Spectrum\nScope\n");
    tabs->SetTabIndex(0);
    auto* pages = Add<TPageControl>(form_, 200, 210, 370, 110);
    for (const char* caption : {"Input", "Output"}) {
      auto* sheet = new TTabSheet(form_);
      sheet->SetPageControl(pages);
      sheet->SetCaption(caption);
      Add<TCheckBox>(sheet, 8, 8, 100, 17)->SetCaption("Monitor");
    }
    status_ = new TStatusBar(form_);
    status_->SetParent(form_);
    status_->SetSizeGrip(false);
    status_->Panels()->Add()->SetText("Ready");
    status_->Panels()->Add();
  }

  plat::POINT OnScreen(vcl::TControl* control, int x, int y) {
    vcl::TPoint p = control->ClientToScreen(vcl::TPoint{x, y});
    return plat::POINT{p.x, p.y};
  }

  vcl::TForm* form_ = nullptr;
  vcl::TPanel* red_ = nullptr;
  vcl::TProgressBar* progress_ = nullptr;
  vcl::TStatusBar* status_ = nullptr;
  vcl::TComboBox* combo_ = nullptr;
  plat::HMENU file_menu_ = nullptr;
};

TEST_F(ControlsSmokeTest, FormWithEveryControlAndADroppedMenuOnTheScreen) {
  BuildForm();
  form_->Show();
  plat::UpdateWindow(form_->Handle());

  // The renderer's own frame first: the status bar painted proves the form did.
  const plat::COLORREF face = plat::GetSysColor(plat::COLOR_3DFACE);
  const int status_x = status_->Width() - 40, status_y = status_->Height() / 2;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  auto painted = [&] {
    // The read-back is in window coordinates, frame and menu bar included.
    plat::RECT window{};
    plat::GetWindowRect(form_->Handle(), &window);
    const plat::POINT p = OnScreen(status_, status_x, status_y);
    auto pixel = sdl_->ReadBackPixel(form_->Handle(), p.x - window.left, p.y - window.top);
    return pixel && *pixel == Rgb(face);
  };
  while (!painted() && std::chrono::steady_clock::now() < deadline) Pump();
  ASSERT_TRUE(painted()) << "the window never showed its status bar";

#ifdef QUELLIX_HAVE_XLIB
  XScreenshot shot;
  if (!shot.Ready()) GTEST_SKIP() << "cannot read the X screen";
  // The combo box's field spans its window: the sunken frame's top line runs
  // to the right end, and the drop button with its arrow sits inside it.
  plat::COMBOBOXINFO combo{};
  ASSERT_TRUE(plat::GetComboBoxInfo(combo_->Handle(), &combo));
  plat::RECT combo_window{};
  plat::GetWindowRect(combo_->Handle(), &combo_window);
  const plat::RECT& button = combo.rcButton;
  EXPECT_EQ(combo_->ClientToScreen(vcl::TPoint{button.right, 0}).x, combo_window.right - 2)
      << "the drop button ends inside the field's frame";
  std::vector<Probe> probes{
      {"status bar face", OnScreen(status_, status_x, status_y), Rgb(face), std::nullopt},
      {"progress fill", OnScreen(progress_, progress_->Width() / 4, progress_->Height() / 2),
       Rgb(plat::GetSysColor(plat::COLOR_HIGHLIGHT)), std::nullopt},
      {"combo frame's top right", plat::POINT{combo_window.right - 2, combo_window.top},
       Rgb(plat::GetSysColor(plat::COLOR_3DSHADOW)), std::nullopt},
      {"combo drop arrow",
       OnScreen(combo_, (button.left + button.right) / 2, (button.top + button.bottom) / 2 - 1),
       Rgb(plat::GetSysColor(plat::COLOR_BTNTEXT)), std::nullopt},
      {"combo drop button face", OnScreen(combo_, button.right - 3, (button.top + button.bottom) / 2),
       Rgb(face), std::nullopt},
  };
  menu_shot = MenuShot{&shot, &probes, file_menu_, form_->Handle(), Rgb(plat::GetSysColor(plat::COLOR_MENU))};
  const plat::UINT_PTR timer = plat::SetTimer(nullptr, 0, 20, &OnMenuTimer);
  ASSERT_NE(timer, 0u);
  // Alt+F: the menu loop runs modally inside this dispatch until the timer ends it.
  plat::PostMessageA(form_->Handle(), plat::WM_SYSCOMMAND, plat::SC_KEYMENU, 'f');
  const auto menu_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (menu_shot.ticks == 0 && std::chrono::steady_clock::now() < menu_deadline) Pump();
  while (plat::user::TrackedMenu() && std::chrono::steady_clock::now() < menu_deadline) Pump();
  plat::KillTimer(nullptr, timer);

  ASSERT_TRUE(menu_shot.menu_seen) << "the File menu never dropped down";
  EXPECT_EQ(plat::user::TrackedMenu(), nullptr);
  for (const Probe& p : probes) {
    ASSERT_TRUE(p.seen.has_value()) << p.what << ": the X screen has an unexpected pixel format";
    EXPECT_EQ(*p.seen, p.expected) << p.what << " at " << p.screen.x << "," << p.screen.y;
  }
  if (!menu_shot.popup_on_screen) GTEST_SKIP() << "the backend opened no screen window for the dropped menu";
  // The dropped menu covered the red panel: once closed, the panel is back.
  const Probe& menu_probe = probes.back();
  std::optional<uint32_t> after;
  for (int tries = 0; tries < 100; ++tries) {
    Pump();
    after = shot.Pixel(menu_probe.screen.x, menu_probe.screen.y);
    if (after == Rgb(vcl::clRed)) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(after, Rgb(vcl::clRed)) << "under the closed menu";
  plat::RECT form{};
  plat::GetWindowRect(form_->Handle(), &form);
  shot.SaveOnRequest(form, "controls-form");
#endif
}

// Each common dialog as it first shows on the screen: its face is read at
// its bottom left corner, below every control, then it is cancelled.
TEST_F(ControlsSmokeTest, EveryCommonDialogShowsItsFace) {
#ifndef QUELLIX_HAVE_XLIB
  GTEST_SKIP() << "built without the X headers";
#else
  XScreenshot shot;
  if (!shot.Ready()) GTEST_SKIP() << "cannot read the X screen";
  const uint32_t face = Rgb(plat::GetSysColor(plat::COLOR_BTNFACE));
  std::string showing;
  std::vector<std::pair<std::string, std::optional<uint32_t> > > seen;
  plat::SetDialogScript([&](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
    plat::RECT client{}, window{};
    plat::GetClientRect(request.dialog, &client);
    plat::GetWindowRect(request.dialog, &window);
    plat::POINT corner{3, client.bottom - 3};
    plat::ClientToScreen(request.dialog, &corner);
    std::optional<uint32_t> pixel;
    for (int tries = 0; tries < 100 && pixel != face; ++tries) {
      Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      pixel = shot.Pixel(corner.x, corner.y);
    }
    seen.emplace_back(showing, pixel);
    shot.SaveOnRequest(window, "dialog-" + showing);
    plat::DialogAnswer cancel;
    cancel.button = plat::IDCANCEL;
    return cancel;
  });
  char file[260] = {};
  plat::OPENFILENAMEA ofn;
  ofn.lpstrFilter = "Wave files\0*.wav\0All files\0*.*\0";
  ofn.lpstrFile = file;
  ofn.nMaxFile = sizeof file;
  showing = "message";
  plat::MessageBoxA(nullptr, "Replace the file?", "Quellix", plat::MB_YESNO | plat::MB_ICONQUESTION);
  showing = "open";
  plat::GetOpenFileNameA(&ofn);
  showing = "save";
  plat::GetSaveFileNameA(&ofn);
  showing = "colour";
  plat::CHOOSECOLORA cc;
  plat::ChooseColorA(&cc);
  showing = "print";
  plat::PRINTDLGA pd;
  plat::PrintDlgA(&pd);
  plat::SetDialogScript(nullptr);
  if (pd.hDevMode) plat::GlobalFree(pd.hDevMode);
  if (pd.hDevNames) plat::GlobalFree(pd.hDevNames);
  ASSERT_EQ(seen.size(), 5u);
  for (const auto& [name, pixel] : seen) EXPECT_EQ(pixel, face) << name;
#endif
}

}  // namespace
