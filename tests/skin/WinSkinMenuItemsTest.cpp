// Owner-drawn menu items of a skinned window on the headless screen, on the
// main window's own menu tree: the bar popups' items drawn on the skin's
// menu item element over the popup's skinned background (normal, selected,
// separator, checked, disabled, the submenu arrow), the same commands by
// keyboard and mouse as without the skin, and the skinned system menu.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/gdi/Colors.h"
#include "platform/kernel/Resources.h"
#include "platform/user/FindWindow.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/Menus.h"
#include "resources/ProgramResources.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinMenu.h"
#include "skin/WinSkinMenuItems.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kFrameRed = 0x0000C8, kInsideBlue = 0xC80000;
constexpr vcl::TColor kNormal = 0x30C030, kSelected = 0x800000, kOther = 0x808080, kLine = 0x0080FF;
// MenuText, HilightText, ButtonShadow, ButtonText of the test skin.
constexpr vcl::TColor kMenuText = 0x0A0A0A, kHilightText = 0x00FAFA, kShadow = 0x780078,
                      kButtonText = 0x005A00;

// Once the open popup shows a highlighted item: the probe runs, then the
// script's keys are posted; kClick + n clicks item n of the innermost popup.
constexpr plat::WPARAM kClick = 0x10000;
std::function<void(plat::HWND, plat::HMENU)> g_probe;
std::deque<plat::WPARAM> g_keys;
bool g_armed = false;
// Where the keys go: the menu loop takes every message of the thread.
plat::HWND g_target = nullptr;
plat::HHOOK g_filter = nullptr;

bool Highlighted(plat::HMENU menu) {
  for (int i = 0; i < plat::GetMenuItemCount(menu); ++i)
    if (plat::GetMenuState(menu, static_cast<plat::UINT>(i), plat::MF_BYPOSITION) & plat::MF_HILITE)
      return true;
  return false;
}

plat::LRESULT Script(int code, plat::WPARAM wparam, plat::LPARAM lparam) {
  const plat::HWND popup = plat::FindWindowA("#32768", nullptr);
  const auto menu =
      popup ? reinterpret_cast<plat::HMENU>(plat::SendMessageA(popup, plat::MN_GETHMENU, 0, 0)) : nullptr;
  if (code == plat::MSGF_MENU && g_armed && menu && Highlighted(menu)) {
    g_armed = false;
    if (g_probe) g_probe(popup, menu);
    for (plat::WPARAM key : g_keys) {
      if (key >= kClick) {
        plat::RECT r{};
        plat::GetMenuItemRect(nullptr, menu, static_cast<plat::UINT>(key - kClick), &r);
        dynamic_cast<plat::backend::HeadlessBackend&>(plat::backend::Current())
            .InjectClick(plat::POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
      } else {
        plat::PostMessageA(g_target, plat::WM_KEYDOWN, key, 0);
      }
    }
    g_keys.clear();
  }
  return plat::CallNextHookEx(g_filter, code, wparam, lparam);
}

// The main window's menu bar, cut from its description; its handlers'
// names are left out (the test records the clicks itself).
std::string MainMenuText() {
  plat::HRSRC res = plat::FindResourceA(nullptr, "TFRMMAIN", plat::RT_RCDATA);
  const auto* data = static_cast<const char*>(plat::LockResource(plat::LoadResource(nullptr, res)));
  std::istringstream in(std::string(data, plat::SizeofResource(nullptr, res)));
  std::string out = "object Form1: TForm\r\n", line;
  bool inside = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("  object MainMenu1:", 0) == 0) inside = true;
    if (!inside) continue;
    if (line.find("OnClick =") == std::string::npos) out += line + "\r\n";
    if (line == "  end") break;
  }
  return out + "end\r\n";
}

class WinSkinMenuItemsTest : public SkinScreenTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
  void SetUp() override {
    SkinScreenTest::SetUp();
    vcl::RegisterMenuClasses();
    g_filter = plat::SetWindowsHookExA(plat::WH_MSGFILTER, &Script, nullptr, plat::GetCurrentThreadId());
  }
  void TearDown() override {
    plat::UnhookWindowsHookEx(g_filter);
    g_probe = nullptr;
    g_keys.clear();
    g_armed = false;
    delete form_;
    SkinScreenTest::TearDown();
  }

  static std::vector<uint8_t> MenuSkin() {
    TestSkinOptions o;
    o.buttons +=
        "[MenuBackground]\nImage=menubg.bmp\nLeftWidth=3\nTopHeight=3\nRightWidth=3\nBottomHeight=3\n"
        "[MenuItem]\nImage=menuitem.bmp\nLeftWidth=4\nRightWidth=4\nTrans=1\n"
        "[Colours]\nMenuText=10 10 10\nHilightText=250 250 0\nButtonShadow=120 0 120\nButtonText=0 90 0\n";
    std::vector<std::tuple<int, int, vcl::TColor>> inside;
    for (int y = 3; y < 37; ++y)
      for (int x = 3; x < 37; ++x) inside.emplace_back(x, y, kInsideBlue);
    // Frames 1 and 4 show the background at their top-left 2 x 2 pixels;
    // frame 2, the separator, is a line at rows 14 and 15 on the key colour.
    std::vector<std::tuple<int, int, vcl::TColor>> dots;
    for (int x0 : {0, 60})
      for (int d = 0; d < 4; ++d) dots.emplace_back(x0 + d % 2, d / 2, kSkinKeyColour);
    for (int x = 20; x < 40; ++x)
      for (int y : {14, 15}) dots.emplace_back(x, y, kLine);
    o.extra = {{"menubg.bmp", FramesBmp(40, 40, 1, false, {kFrameRed}, inside)},
               {"menuitem.bmp",
                FramesBmp(100, 20, 5, false, {kNormal, kSkinKeyColour, kOther, kSelected, kOther}, dots)}};
    return TestSkinPackage(o);
  }

  // The main window's menu tree on a form, skinned or not; every item's
  // click is recorded by its name.
  void ShowMainMenu(bool skinned) {
    if (skinned && !data_) data_ = NewSkinData(MenuSkin());
    form_ = NewSizeableForm();
    vcl::ReadFormText(form_, MainMenuText());
    auto* menu = dynamic_cast<vcl::TMainMenu*>(form_->FindComponent("MainMenu1"));
    ASSERT_NE(menu, nullptr);
    for (int i = 0; i < form_->ComponentCount(); ++i)
      if (auto* item = dynamic_cast<vcl::TMenuItem*>(form_->Components(i)))
        item->OnClick = [this, item](vcl::TObject*) { clicked_.push_back(item->Name()); };
    form_->SetMenu(menu);
    ShowAndSkin(form_);
    if (skinned) {
      ASSERT_NE(SkinOf(form_), nullptr);
      SkinOf(form_)->PaintFrame();
    }
    Pump();
    clicked_.clear();
  }

  // Alt with the bar item's letter; the script runs in its popup.
  void OpenWithAlt(char letter, std::deque<plat::WPARAM> keys,
                   std::function<void(plat::HWND, plat::HMENU)> probe = nullptr) {
    OpenWith({{plat::VK_MENU, true},
              {static_cast<plat::UINT>(letter), true},
              {static_cast<plat::UINT>(letter), false},
              {plat::VK_MENU, false}},
             std::move(keys), std::move(probe));
  }
  // The keys (vk, down) that open a popup; the script runs in it.
  void OpenWith(const std::vector<std::pair<plat::UINT, bool>>& opener, std::deque<plat::WPARAM> keys,
                std::function<void(plat::HWND, plat::HMENU)> probe = nullptr) {
    g_keys = std::move(keys);
    g_probe = std::move(probe);
    g_armed = true;
    g_target = form_->Handle();
    // A tick keeps the menu loop taking messages while the script waits.
    plat::SetTimer(form_->Handle(), 77, 20, nullptr);
    for (auto [vk, down] : opener) Screen()->InjectKey(vk, down);
    for (int i = 0; i < 4; ++i) Pump();
    plat::KillTimer(form_->Handle(), 77);
  }

  // Item `index` of the popup in its window's coordinates.
  static plat::RECT ItemRect(plat::HWND popup, plat::HMENU menu, int index) {
    plat::RECT r{}, w{};
    plat::GetMenuItemRect(nullptr, menu, static_cast<plat::UINT>(index), &r);
    plat::GetWindowRect(popup, &w);
    plat::OffsetRect(&r, -w.left, -w.top);
    return r;
  }
  int Count(plat::HWND popup, const plat::RECT& r, vcl::TColor colour) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += Screen()->PresentedPixel(popup, x, y) == Rgb(colour);
    return n;
  }
  uint32_t Pixel(plat::HWND popup, int x, int y) { return Screen()->PresentedPixel(popup, x, y); }

  vcl::TForm* form_ = nullptr;
  std::vector<std::string> clicked_;
};

TEST_F(WinSkinMenuItemsTest, BarPopupItemsAreDrawnOnTheSkin) {
  ShowMainMenu(true);
  struct Probe {
    int selected_rgb = 0, normal_rgb = 0, background = 0, frame = 0, frame_side = 0;
    int selected_text = 0, normal_text = 0, check = 0;
  } display;
  // "Display Mode": Dots selected, Lines plain, the RMS meter checked.
  OpenWithAlt('P', {plat::VK_ESCAPE}, [&](plat::HWND popup, plat::HMENU menu) {
    plat::RECT w{};
    plat::GetWindowRect(popup, &w);
    const plat::RECT dots = ItemRect(popup, menu, 0), lines = ItemRect(popup, menu, 1);
    const plat::RECT rms = ItemRect(popup, menu, 6);
    const int mid = (dots.top + dots.bottom) / 2;
    display.selected_rgb = Pixel(popup, dots.right - 2, mid) == Rgb(kSelected);
    display.normal_rgb = Pixel(popup, lines.right - 2, (lines.top + lines.bottom) / 2) == Rgb(kNormal);
    // The key-coloured corner shows the popup's background at the item's
    // own place, inside the 3-pixel frame.
    display.background = Pixel(popup, dots.left, dots.top) == Rgb(kInsideBlue);
    display.frame = Pixel(popup, 0, 0) == Rgb(kFrameRed);
    display.frame_side = Pixel(popup, 1, (w.bottom - w.top) / 2) == Rgb(kFrameRed);
    display.selected_text =
        Count(popup, plat::RECT{dots.left + 24, dots.top, dots.right, dots.bottom}, kHilightText);
    display.normal_text =
        Count(popup, plat::RECT{lines.left + 24, lines.top, lines.right, lines.bottom}, kMenuText);
    // The check mark in the glyph square right of the element's edge.
    display.check =
        Count(popup, plat::RECT{rms.left + 5, rms.top + 1, rms.left + 21, rms.top + 17}, kButtonText);
  });
  EXPECT_TRUE(display.selected_rgb);
  EXPECT_TRUE(display.normal_rgb);
  EXPECT_TRUE(display.background);
  EXPECT_TRUE(display.frame);
  EXPECT_TRUE(display.frame_side);
  EXPECT_GT(display.selected_text, 10);
  EXPECT_GT(display.normal_text, 10);
  EXPECT_GT(display.check, 5);

  // "Info": a separator and a disabled item (the program enables its own,
  // so the test disables one).
  auto* short_keys = dynamic_cast<vcl::TMenuItem*>(form_->FindComponent("H1"));
  ASSERT_NE(short_keys, nullptr);
  short_keys->SetEnabled(false);
  int separator_height = 0, line = 0, above_line = 0, shadow = 0, dark = 0;
  OpenWithAlt('I', {plat::VK_ESCAPE}, [&](plat::HWND popup, plat::HMENU menu) {
    const plat::RECT sep = ItemRect(popup, menu, 2), off = ItemRect(popup, menu, 1);
    separator_height = sep.bottom - sep.top;
    const int x = (sep.left + sep.right) / 2;
    line = Pixel(popup, x, sep.top + 2) == Rgb(kLine) && Pixel(popup, x, sep.top + 3) == Rgb(kLine);
    above_line =
        Pixel(popup, x, sep.top) == Rgb(kInsideBlue) && Pixel(popup, x, sep.top + 5) == Rgb(kInsideBlue);
    const plat::RECT text{off.left + 24, off.top, off.right, off.bottom};
    shadow = Count(popup, text, kShadow);
    dark = Count(popup, text, kMenuText);
  });
  EXPECT_EQ(separator_height, 8);
  EXPECT_TRUE(line);
  EXPECT_TRUE(above_line);
  EXPECT_GT(shadow, 10);
  EXPECT_EQ(dark, 0);

  // "Preferences": the submenu item, reported without a command, is drawn
  // as the skin's item with its caption, and the menu adds its arrow.
  int sub_rgb = 0, sub_text = 0, arrow = 0;
  OpenWithAlt('C', {plat::VK_ESCAPE}, [&](plat::HWND popup, plat::HMENU menu) {
    const plat::RECT sub = ItemRect(popup, menu, 6);
    const int mid = (sub.top + sub.bottom) / 2;
    sub_rgb = Pixel(popup, sub.right - 2, mid) == Rgb(kNormal);
    sub_text = Count(popup, plat::RECT{sub.left + 24, sub.top, sub.right - 20, sub.bottom}, kMenuText);
    arrow = Count(popup, plat::RECT{sub.right - 14, sub.top, sub.right, sub.bottom},
                  static_cast<vcl::TColor>(plat::GetSysColor(plat::COLOR_MENUTEXT)));
  });
  EXPECT_TRUE(sub_rgb);
  EXPECT_GT(sub_text, 10);
  EXPECT_GE(arrow, 4);
}

// The same keys and clicks choose the same items with and without the skin.
// A lone Alt or F10 (letter 0 or 1) opens the skinned bar's first popup at
// once, where the platform's bar is entered first and dropped with Down.
TEST_F(WinSkinMenuItemsTest, SkinnedMenusGiveTheSameCommands) {
  constexpr char kAlt = 0, kF10 = 1;
  struct Case {
    const char* name;
    char letter;
    std::deque<plat::WPARAM> keys;
    std::vector<std::string> clicked;  // after the bar item's own click
  };
  const Case cases[] = {
      {"down and return", 'P', {plat::VK_DOWN, plat::VK_RETURN}, {"Lines1"}},
      {"into the submenu",
       'C',
       {plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN, plat::VK_DOWN,
        plat::VK_RIGHT, plat::VK_DOWN, plat::VK_RETURN},
       {"MultiAudioDrivers1", "StartAudioDriver2NumPad21"}},
      {"end", 'M', {plat::VK_END, plat::VK_RETURN}, {"Parzen1"}},
      {"an item's letter", 'F', {'S'}, {"SaveProject1"}},
      {"a click", 'A', {kClick + 2}, {"Frequ1"}},
      // The platform's bar goes back from its popup to the bar first.
      {"escape", 'D', {plat::VK_ESCAPE, plat::VK_ESCAPE}, {}},
      {"a lone Alt", kAlt, {plat::VK_DOWN, plat::VK_RETURN}, {"SaveProject1"}},
      {"F10", kF10, {plat::VK_RETURN}, {"LoadPrject1"}},
  };
  std::vector<std::vector<std::string>> plain;
  for (bool skinned : {false, true}) {
    for (const Case& c : cases) {
      ShowMainMenu(skinned);
      if (c.letter > kF10) {
        OpenWithAlt(c.letter, c.keys);
      } else {
        const plat::UINT vk = c.letter == kAlt ? plat::VK_MENU : plat::VK_F10;
        std::vector<std::pair<plat::UINT, bool>> opener{{vk, true}, {vk, false}};
        if (!skinned) opener.insert(opener.end(), {{plat::VK_DOWN, true}, {plat::VK_DOWN, false}});
        OpenWith(opener, c.keys);
      }
      if (!skinned) {
        plain.push_back(clicked_);
      } else {
        EXPECT_EQ(clicked_, plain[static_cast<size_t>(&c - cases)]) << c.name;
        EXPECT_FALSE(SkinOf(form_)->MenuTracking()) << c.name;
      }
      // The chosen item's click, whatever the bar item's own did before.
      ASSERT_GE(clicked_.size(), c.clicked.size()) << c.name;
      EXPECT_TRUE(std::equal(c.clicked.rbegin(), c.clicked.rend(), clicked_.rbegin())) << c.name;
      EXPECT_TRUE(g_keys.empty()) << c.name;
      delete form_;
      form_ = nullptr;
      Pump();
    }
  }
}

// The system menu rebuilt as the skin's own popup: glyphs and enabled
// items by the window's state, a chosen item posting its command, items
// measured with their captions, and no command used up by the rebuilds.
TEST_F(WinSkinMenuItemsTest, TheSystemMenuIsTheSkinsOwnPopup) {
  struct Case {
    const char* name;
    vcl::TWindowState state;
    bool max_box;
    const char* enabled;  // Restore Move Size Minimize Maximize Close
  };
  for (const Case& c :
       {Case{"normal", vcl::wsNormal, true, "011111"}, Case{"maximized", vcl::wsMaximized, true, "100101"},
        Case{"minimized", vcl::wsMinimized, true, "111011"},
        Case{"no maximize box", vcl::wsNormal, false, "011101"}}) {
    ShowMainMenu(true);
    if (!c.max_box) {
      form_->SetBorderIcons({vcl::biSystemMenu, vcl::biMinimize});
      Pump();
    }
    form_->SetWindowState(c.state);
    Pump();
    TWinSkinForm* s = SkinOf(form_);
    ASSERT_NE(s, nullptr) << c.name;
    s->BuildSystemMenu();
    vcl::TPopupMenu* popup = s->SystemPopup();
    ASSERT_NE(popup, nullptr) << c.name;
    EXPECT_EQ(popup->Tag(), 33333);
    EXPECT_TRUE(popup->OwnerDraw());
    std::string enabled;
    for (int command : {plat::SC_RESTORE, plat::SC_MOVE, plat::SC_SIZE, plat::SC_MINIMIZE, plat::SC_MAXIMIZE,
                        plat::SC_CLOSE})
      for (int i = 0; i < popup->Items()->Count(); ++i)
        if (popup->Items()->Items(i)->Tag() == command)
          enabled += popup->Items()->Items(i)->Enabled() ? '1' : '0';
    EXPECT_EQ(enabled, c.enabled) << c.name;
    delete form_;
    form_ = nullptr;
    Pump();
  }

  ShowMainMenu(true);
  TWinSkinForm* s = SkinOf(form_);
  s->BuildSystemMenu();
  vcl::TPopupMenu* popup = s->SystemPopup();
  vcl::TMenuItem* close = nullptr;
  for (int i = 0; i < popup->Items()->Count(); ++i) {
    vcl::TMenuItem* item = popup->Items()->Items(i);
    const int glyph = item->Tag() == plat::SC_RESTORE    ? 0
                      : item->Tag() == plat::SC_MAXIMIZE ? 1
                      : item->Tag() == plat::SC_MINIMIZE ? 2
                      : item->Tag() == plat::SC_CLOSE    ? 3
                                                         : -1;
    EXPECT_EQ(item->ImageIndex(), glyph) << item->Caption();
    if (item->Tag() == plat::SC_CLOSE) close = item;
  }
  ASSERT_NE(close, nullptr);
  EXPECT_EQ(popup->Images()->Count(), 4);
  // Measured with its caption, then the skin's indent and 12.
  plat::HDC dc = plat::GetDC(nullptr);
  {
    vcl::TCanvas canvas;
    canvas.SetHandle(dc);
    int plain_w = 0, plain_h = 0, w = 0, h = 0;
    close->MeasureDefault(&canvas, plain_w, plain_h);
    MeasureSystemItem(data_.get(), close, &canvas, w, h);
    EXPECT_EQ(w, plain_w + 4 + 12);
    EXPECT_GT(plain_w, 30);
    canvas.SetHandle(nullptr);
  }
  plat::ReleaseDC(nullptr, dc);
  close->Click();
  plat::MSG msg{};
  ASSERT_TRUE(
      plat::PeekMessageA(&msg, form_->Handle(), plat::WM_SYSCOMMAND, plat::WM_SYSCOMMAND, plat::PM_REMOVE));
  EXPECT_EQ(msg.wParam, static_cast<plat::WPARAM>(plat::SC_CLOSE));

  // A hundred rebuilds hand out the same commands again.
  const plat::UINT first = popup->Items()->Items(0)->Command();
  for (int i = 0; i < 100; ++i) s->BuildSystemMenu();
  EXPECT_EQ(s->SystemPopup()->Items()->Items(0)->Command(), first);
}

}  // namespace

namespace {

// The class-library menus of a form drawn by the skin's item handlers: its
// popup menus, and its main menu when the skin leaves the bar to the
// platform; and the items of a window the class library does not know.
class WinSkinMenuHandlersTest : public WinSkinMenuItemsTest {
 protected:
  vcl::TMenuItem* Add(vcl::TComponent* owner, vcl::TMenuItem* parent, const char* caption) {
    auto* item = new vcl::TMenuItem(owner);
    item->SetCaption(caption);
    item->OnClick = [this, caption](vcl::TObject*) { clicked_.push_back(caption); };
    parent->Add(item);
    return item;
  }
  // Pops the menu up with its first item selected; the script runs in it.
  void PopupWith(vcl::TPopupMenu* popup, std::deque<plat::WPARAM> keys,
                 std::function<void(plat::HWND, plat::HMENU)> probe) {
    g_keys = std::move(keys);
    g_probe = std::move(probe);
    g_armed = true;
    g_target = form_->Handle();
    plat::SetTimer(form_->Handle(), 77, 20, nullptr);
    Screen()->InjectKey(plat::VK_DOWN, true);
    Screen()->InjectKey(plat::VK_DOWN, false);
    popup->Popup(300, 300);
    for (int i = 0; i < 2; ++i) Pump();
    plat::KillTimer(form_->Handle(), 77);
  }
  // What an open popup shows: the selected first item in frame 4, the
  // checked third item in frame 1 with its mark, a skinned separator between.
  struct Look {
    bool selected = false, normal = false, frame = false, line = false;
    int check = 0, text = 0;
  };
  std::function<void(plat::HWND, plat::HMENU)> LookAt(Look& look) {
    return [this, &look](plat::HWND popup, plat::HMENU menu) {
      // The platform's bar may open its popup before painting it.
      plat::RedrawWindow(popup, nullptr, nullptr, plat::RDW_INVALIDATE | plat::RDW_UPDATENOW);
      const plat::RECT first = ItemRect(popup, menu, 0), sep = ItemRect(popup, menu, 1),
                       third = ItemRect(popup, menu, 2);
      look.selected = Pixel(popup, first.right - 2, (first.top + first.bottom) / 2) == Rgb(kSelected);
      look.normal = Pixel(popup, third.right - 2, (third.top + third.bottom) / 2) == Rgb(kNormal);
      look.frame = Pixel(popup, 0, 0) == Rgb(kFrameRed);
      look.line = Pixel(popup, (sep.left + sep.right) / 2, sep.top + 2) == Rgb(kLine);
      look.check = Count(popup, plat::RECT{third.left + 5, third.top + 1, third.left + 21, third.top + 17},
                         kButtonText);
      look.text =
          Count(popup, plat::RECT{first.left + 24, first.top, first.right, first.bottom}, kHilightText);
    };
  }
  static void ExpectSkinned(const Look& look) {
    EXPECT_TRUE(look.selected);
    EXPECT_TRUE(look.normal);
    EXPECT_TRUE(look.frame);
    EXPECT_TRUE(look.line);
    EXPECT_GT(look.check, 5);
    EXPECT_GT(look.text, 10);
  }
  void Unskin() {
    SkinManager()->ScheduleAction(2, 250);
    SkinManager()->SetCurrentSkinData(data_.get());
    SkinManager()->Tick();
    Pump();
  }
};

TEST_F(WinSkinMenuHandlersTest, PopupMenusOfTheFormAreDrawnOnTheSkin) {
  data_ = NewSkinData(MenuSkin());
  form_ = NewSizeableForm();
  auto* skinned = new vcl::TPopupMenu(form_);
  Add(form_, skinned->Items(), "&Alpha");
  Add(form_, skinned->Items(), "-");
  Add(form_, skinned->Items(), "&Beta")->SetChecked(true);
  Add(form_, Add(form_, skinned->Items(), "&More"), "&Inner");
  // An item that draws itself keeps its handler, and its menu its owner
  // drawing when the skin goes.
  auto* mixed = new vcl::TPopupMenu(form_);
  vcl::TMenuItem* own = Add(form_, mixed->Items(), "Own");
  own->OnDrawItem = [](vcl::TObject*, vcl::TCanvas*, vcl::TRect, bool) {};
  vcl::TMenuItem* gamma = Add(form_, mixed->Items(), "Gamma");
  // Tagged to be left alone.
  auto* plain = new vcl::TPopupMenu(form_);
  plain->SetTag(data_->DisableTag());
  Add(form_, plain->Items(), "&Plain");
  ShowAndSkin(form_);
  ASSERT_NE(SkinOf(form_), nullptr);

  vcl::TMenuItem* inner = skinned->Items()->Items(3)->Items(0);
  EXPECT_TRUE(skinned->OwnerDraw());
  EXPECT_TRUE(HasSkinDrawHandler(inner));
  EXPECT_FALSE(HasSkinDrawHandler(own));
  EXPECT_TRUE(HasSkinDrawHandler(gamma));
  EXPECT_FALSE(plain->OwnerDraw());
  EXPECT_FALSE(plain->Items()->Items(0)->OnDrawItem);

  Look look;
  PopupWith(skinned, {plat::VK_DOWN, plat::VK_RETURN}, LookAt(look));
  ExpectSkinned(look);
  EXPECT_EQ(clicked_, (std::vector<std::string>{"&Beta"}));

  // The tagged menu keeps the platform's look.
  bool platform_look = false;
  PopupWith(plain, {plat::VK_ESCAPE}, [&](plat::HWND popup, plat::HMENU menu) {
    const plat::RECT r = ItemRect(popup, menu, 0);
    platform_look = Pixel(popup, r.right - 2, (r.top + r.bottom) / 2) ==
                    Rgb(static_cast<vcl::TColor>(plat::GetSysColor(plat::COLOR_HIGHLIGHT)));
  });
  EXPECT_TRUE(platform_look);

  Unskin();
  EXPECT_EQ(SkinOf(form_), nullptr);
  EXPECT_FALSE(skinned->OwnerDraw());
  EXPECT_FALSE(inner->OnDrawItem);
  EXPECT_FALSE(inner->OnMeasureItem);
  EXPECT_TRUE(mixed->OwnerDraw());
  EXPECT_TRUE(own->OnDrawItem);
  EXPECT_FALSE(gamma->OnDrawItem);
}

TEST_F(WinSkinMenuHandlersTest, MainMenuItemsUnderThePlatformsBar) {
  data_ = NewSkinData(MenuSkin());
  // The bar stays the platform's; the items below it are the skin's.
  data_->SetSkinControls(data_->SkinControls().Exclude(xcMainMenu).Include(xcMenuItem));
  form_ = NewSizeableForm();
  auto* menu = new vcl::TMainMenu(form_);
  vcl::TMenuItem* file = Add(form_, menu->Items(), "&File");
  Add(form_, file, "&Open");
  Add(form_, file, "-");
  Add(form_, file, "&Keep")->SetChecked(true);
  vcl::TMenuItem* recent = Add(form_, file, "&Recent");
  vcl::TMenuItem* one = Add(form_, recent, "&One");
  vcl::TMenuItem* help = Add(form_, menu->Items(), "&Help");
  form_->SetMenu(menu);
  ShowAndSkin(form_);
  ASSERT_NE(SkinOf(form_), nullptr);
  EXPECT_EQ(plat::GetMenu(form_->Handle()), menu->Handle());
  EXPECT_TRUE(menu->OwnerDraw());
  struct Case {
    vcl::TMenuItem* item;
    bool skin;
  };
  for (const Case& c : {Case{file, false}, Case{help, false}, Case{recent, true}, Case{one, true}})
    EXPECT_EQ(HasSkinDrawHandler(c.item), c.skin) << c.item->Caption();
  clicked_.clear();

  Look look;
  OpenWithAlt('F', {plat::VK_DOWN, plat::VK_RETURN}, LookAt(look));
  ExpectSkinned(look);
  EXPECT_EQ(clicked_.back(), "&Keep");

  Unskin();
  EXPECT_FALSE(menu->OwnerDraw());
  EXPECT_FALSE(one->OnDrawItem);
  EXPECT_FALSE(one->OnMeasureItem);
}

// A window of no class-library form: its bar popup's items, whatever their
// commands, are measured from their text and drawn by the skin, and a
// chosen one reaches the window as its command.
std::vector<plat::WPARAM> g_commands;
plat::LRESULT ForeignProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (message == plat::WM_COMMAND) g_commands.push_back(plat::LOWORD(wparam));
  return plat::DefWindowProcA(hwnd, message, wparam, lparam);
}

TEST_F(WinSkinMenuHandlersTest, ItemsOfAForeignWindow) {
  data_ = NewSkinData(MenuSkin());
  plat::WNDCLASSA wc{};
  wc.lpfnWndProc = &ForeignProc;
  wc.lpszClassName = "QuellixForeignMenuWindow";
  ASSERT_NE(plat::RegisterClassA(&wc), 0);
  plat::HMENU bar = plat::CreateMenu();
  plat::HMENU file = plat::CreatePopupMenu();
  plat::AppendMenuA(file, plat::MF_STRING, 100, "&Open");
  plat::AppendMenuA(file, plat::MF_SEPARATOR, 0, nullptr);
  plat::AppendMenuA(file, plat::MF_STRING | plat::MF_CHECKED, 101, "&Keep");
  plat::AppendMenuA(bar, plat::MF_POPUP, reinterpret_cast<plat::UINT_PTR>(file), "&File");
  plat::HWND window = plat::CreateWindowExA(0, wc.lpszClassName, "Foreign", plat::WS_OVERLAPPEDWINDOW, 100,
                                            50, 400, 300, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  plat::SetMenu(window, bar);
  plat::ShowWindow(window, plat::SW_SHOW);
  plat::SetForegroundWindow(window);
  plat::SetFocus(window);
  Pump();
  TWinSkinForm* skin = SkinManager() ? SkinManager()->FindForm(window) : nullptr;
  ASSERT_NE(skin, nullptr);
  ASSERT_NE(skin->MenuBarSkin(), nullptr);

  Look look;
  int separator_height = 0;
  g_commands.clear();
  g_keys = {plat::VK_DOWN, plat::VK_RETURN};
  g_probe = [&](plat::HWND popup, plat::HMENU menu) {
    LookAt(look)(popup, menu);
    const plat::RECT sep = ItemRect(popup, menu, 1);
    separator_height = sep.bottom - sep.top;
  };
  g_armed = true;
  g_target = window;
  plat::SetTimer(window, 77, 20, nullptr);
  Screen()->InjectKey(plat::VK_MENU, true);
  Screen()->InjectKey('F', true);
  Screen()->InjectKey('F', false);
  Screen()->InjectKey(plat::VK_MENU, false);
  for (int i = 0; i < 4; ++i) Pump();
  plat::KillTimer(window, 77);
  ExpectSkinned(look);
  EXPECT_EQ(separator_height, 8);
  // Only the chosen item's command: opening the popup tells the window nothing.
  EXPECT_EQ(g_commands, (std::vector<plat::WPARAM>{101}));
  plat::DestroyWindow(window);
  Pump();
  plat::UnregisterClassA(wc.lpszClassName, nullptr);
}

}  // namespace
