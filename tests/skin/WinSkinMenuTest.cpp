// The skinned menu bar on the headless screen: the window's menu read into
// bar buttons and drawn in the strip under the caption, its popups opened
// by mouse and keyboard and followed from one bar button to the next, the
// commands they give, separators tidied, and the menu given back when the
// skin goes.
#include <gtest/gtest.h>

#include <deque>
#include <vector>

#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/NonClient.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Menus.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinMenu.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kBarActive = 0x404000, kBarInactive = 0x202000;

// Keys typed into an open popup: each popup, once its first item is
// selected, gets the next key of the script; kMouse moves the mouse to
// g_mouse instead.
constexpr plat::WPARAM kMouse = 0xFFFF;
std::deque<plat::WPARAM> g_keys;
plat::POINT g_mouse{};
plat::HHOOK g_script = nullptr;

plat::LRESULT Script(int code, plat::WPARAM wparam, plat::LPARAM lparam) {
  auto* msg = reinterpret_cast<plat::MSG*>(lparam);
  if (code == plat::MSGF_MENU && msg && msg->message == plat::WM_KEYDOWN && msg->wParam == plat::VK_DOWN &&
      msg->lParam == 0 && !g_keys.empty()) {
    if (g_keys.front() == kMouse)
      dynamic_cast<plat::backend::HeadlessBackend&>(plat::backend::Current()).InjectMouseMove(g_mouse);
    else
      plat::PostMessageA(msg->hwnd, plat::WM_KEYDOWN, g_keys.front(), 1);
    g_keys.pop_front();
  }
  return plat::CallNextHookEx(g_script, code, wparam, lparam);
}

class WinSkinMenuTest : public SkinScreenTest {
 protected:
  void SetUp() override {
    SkinScreenTest::SetUp();
    TestSkinOptions o;
    o.personality = "menuBar=menubar.bmp\nTileMenu=1\nTileLeftMenu=4\nTileRightMenu=4\n";
    o.extra = {{"menubar.bmp", FramesBmp(48, 38, 2, true, {kBarActive, kBarInactive})}};
    data_ = NewSkinData(TestSkinPackage(o));
    g_keys.clear();
    g_script = plat::SetWindowsHookExA(plat::WH_MSGFILTER, &Script, nullptr, plat::GetCurrentThreadId());
  }
  void TearDown() override {
    plat::UnhookWindowsHookEx(g_script);
    SkinScreenTest::TearDown();
  }

  vcl::TMenuItem* Item(vcl::TMenuItem* parent, const char* caption) {
    auto* item = new vcl::TMenuItem(menu_);
    item->SetCaption(caption);
    item->OnClick = [this, caption](vcl::TObject*) { clicked_.push_back(caption); };
    parent->Add(item);
    return item;
  }
  // "&File" (Open, a line, Exit), "&Edit" (Copy, Paste), "&Help" (a command).
  TWinSkinForm* ShowSkinned() {
    form_ = NewSizeableForm();
    menu_ = new vcl::TMainMenu(form_);
    vcl::TMenuItem* file = Item(menu_->Items(), "&File");
    Item(file, "&Open");
    Item(file, "-");
    Item(file, "E&xit");
    vcl::TMenuItem* edit = Item(menu_->Items(), "&Edit");
    Item(edit, "&Copy");
    Item(edit, "&Paste");
    Item(menu_->Items(), "&Help");
    form_->SetMenu(menu_);
    ShowAndSkin(form_);
    TWinSkinForm* s = SkinOf(form_);
    if (s) s->PaintFrame();
    Pump();
    clicked_.clear();
    return s;
  }
  void ClickBar(TWinSkinForm* s, int index) {
    const vcl::TRect& r = s->MenuBarSkin()->BarButtons()[static_cast<size_t>(index)]->Rect;
    plat::RECT w{};
    plat::GetWindowRect(form_->Handle(), &w);
    Screen()->InjectClick(plat::POINT{w.left + (r.left + r.right) / 2, w.top + (r.top + r.bottom) / 2});
    Pump();
    Pump();
  }

  vcl::TForm* form_ = nullptr;
  vcl::TMainMenu* menu_ = nullptr;
  std::vector<std::string> clicked_;
};

TEST_F(WinSkinMenuTest, TheMenuBecomesBarButtonsDrawnUnderTheCaption) {
  TWinSkinForm* s = ShowSkinned();
  ASSERT_NE(s, nullptr);
  TWinSkinMenu* bar = s->MenuBarSkin();
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(plat::GetMenu(form_->Handle()), nullptr);
  const auto& b = bar->BarButtons();
  ASSERT_EQ(b.size(), 3u);
  EXPECT_NE(b[0]->Popup, nullptr);
  EXPECT_NE(b[1]->Popup, nullptr);
  EXPECT_EQ(b[2]->Popup, nullptr);
  // The first starts 4 + 4 into the bar, each as wide as its text and 10.
  EXPECT_EQ(b[0]->Rect.left, 4 + 8);
  EXPECT_EQ(b[0]->Rect.top, 22);
  EXPECT_EQ(b[0]->Rect.bottom, 22 + s->MenuBarHeight() - 1);
  for (size_t i = 1; i < b.size(); ++i) EXPECT_EQ(b[i]->Rect.left, b[i - 1]->Rect.right);
  EXPECT_GT(b[0]->Rect.right - b[0]->Rect.left, 10);
  EXPECT_EQ(WindowPixel(form_, 500, 30), Rgb(kBarActive));
  // A hovered button gets a frame; the bar beside it stays.
  plat::RECT w{};
  plat::GetWindowRect(form_->Handle(), &w);
  Screen()->InjectMouseMove(plat::POINT{w.left + b[1]->Rect.left + 3, w.top + 30});
  Pump();
  EXPECT_EQ(s->HotObject(), b[1].get());
  EXPECT_EQ(WindowPixel(form_, b[1]->Rect.left, 30), Rgb(data_->Skin().ButtonHilight));
  EXPECT_EQ(WindowPixel(form_, b[1]->Rect.left - 1, 30), Rgb(kBarActive));
  // Inactive, the second frame.
  plat::SendMessageA(form_->Handle(), plat::WM_NCACTIVATE, plat::FALSE, 0);
  Pump();
  EXPECT_EQ(WindowPixel(form_, 500, 30), Rgb(kBarInactive));

  // Unskinned, the window has its menu again.
  SkinManager()->ScheduleAction(2, 250);
  SkinManager()->SetCurrentSkinData(data_.get());
  SkinManager()->Tick();
  Pump();
  EXPECT_EQ(plat::GetMenu(form_->Handle()), menu_->Handle());
}

// The mouse and the keyboard reach the same commands as on the platform's
// own bar: a command item only posts its command; a popup's item chosen
// with the keys runs its click; the arrows and the mouse move on to the
// next bar popup.
TEST_F(WinSkinMenuTest, BarPopupsGiveTheItemsCommands) {
  struct Case {
    const char* name;
    int button;
    std::deque<plat::WPARAM> keys;
    std::vector<std::string> clicked;
  };
  const Case cases[] = {
      {"a command item", 2, {}, {"&Help"}},
      {"escape", 0, {plat::VK_ESCAPE}, {"&File"}},
      {"the first item", 0, {plat::VK_RETURN}, {"&File", "&Open"}},
      {"right to the next popup", 0, {plat::VK_RIGHT, plat::VK_RETURN}, {"&File", "&Edit", "&Copy"}},
      {"left to the previous popup", 1, {plat::VK_LEFT, plat::VK_ESCAPE}, {"&Edit", "&File"}},
      {"the mouse onto the next button", 0, {kMouse, plat::VK_ESCAPE}, {"&File", "&Edit"}},
  };
  for (const Case& c : cases) {
    TWinSkinForm* s = ShowSkinned();
    ASSERT_NE(s, nullptr);
    g_keys = c.keys;
    const vcl::TRect& edit = s->MenuBarSkin()->BarButtons()[1]->Rect;
    plat::RECT w{};
    plat::GetWindowRect(form_->Handle(), &w);
    g_mouse = plat::POINT{w.left + edit.left + 4, w.top + edit.top + 4};
    ClickBar(s, c.button);
    for (int i = 0; i < 3; ++i) Pump();
    EXPECT_EQ(clicked_, c.clicked) << c.name;
    EXPECT_FALSE(s->MenuTracking()) << c.name;
    EXPECT_TRUE(g_keys.empty()) << c.name;
    delete form_;
    Pump();
  }
}

// The window has no platform bar: a lone Alt and F10 open the first bar
// button's popup, Alt with a letter the button with that accelerator, and
// Alt+Space the skinned system menu.
TEST_F(WinSkinMenuTest, MenuKeysOpenTheBarPopups) {
  struct Case {
    const char* name;
    std::vector<plat::UINT> keys;  // pressed in order, released in reverse
    std::vector<std::string> clicked;
  };
  const Case cases[] = {
      {"Alt alone", {plat::VK_MENU}, {"&File", "&Open"}},
      {"F10", {plat::VK_F10}, {"&File", "&Open"}},
      {"Alt+E", {plat::VK_MENU, 'E'}, {"&Edit", "&Copy"}},
      {"Alt+H, a command button", {plat::VK_MENU, 'H'}, {"&Help"}},
      {"Alt+Z, no such button", {plat::VK_MENU, 'Z'}, {}},
  };
  for (const Case& c : cases) {
    TWinSkinForm* s = ShowSkinned();
    ASSERT_NE(s, nullptr);
    g_keys = {plat::VK_RETURN};
    for (plat::UINT vk : c.keys) Screen()->InjectKey(vk, true);
    for (auto vk = c.keys.rbegin(); vk != c.keys.rend(); ++vk) Screen()->InjectKey(*vk, false);
    for (int i = 0; i < 3; ++i) Pump();
    EXPECT_EQ(clicked_, c.clicked) << c.name;
    EXPECT_FALSE(s->MenuTracking()) << c.name;
    g_keys.clear();
    delete form_;
    Pump();
  }

  // Alt+Space: the skin's system menu, whose Minimize minimizes.
  TWinSkinForm* s = ShowSkinned();
  ASSERT_NE(s, nullptr);
  Screen()->InjectKey(plat::VK_MENU, true);
  Screen()->InjectKey(plat::VK_SPACE, true);
  Screen()->InjectKey(plat::VK_SPACE, false);
  Screen()->InjectKey(plat::VK_MENU, false);
  Screen()->InjectKey('N', true);
  Screen()->InjectKey('N', false);
  for (int i = 0; i < 3; ++i) Pump();
  EXPECT_NE(s->SystemPopup(), nullptr);
  EXPECT_TRUE(plat::IsIconic(form_->Handle()));
  delete form_;
  Pump();
}

TEST_F(WinSkinMenuTest, SeparatorsShowOnlyBetweenVisibleItems) {
  struct Case {
    const char* items;  // S separator, A..Z items, lower case hidden
    const char* shown;  // 1 visible
  };
  for (const Case& c : {Case{"SASSBS", "010110"}, Case{"SSS", "000"}, Case{"SAS", "010"},
                        Case{"AbSC", "1011"}, Case{"ASbC", "1101"}, Case{"ASSC", "1011"}}) {
    vcl::TMainMenu menu(nullptr);
    auto* parent = new vcl::TMenuItem(&menu);
    menu.Items()->Add(parent);
    for (const char* p = c.items; *p; ++p) {
      auto* item = new vcl::TMenuItem(&menu);
      item->SetCaption(*p == 'S' ? "-" : std::string(1, *p));
      item->SetVisible(!(*p >= 'a' && *p <= 'z'));
      parent->Add(item);
    }
    TidySeparators(parent);
    std::string shown;
    for (int i = 0; i < parent->Count(); ++i) shown += parent->Items(i)->Visible() ? '1' : '0';
    EXPECT_EQ(shown, c.shown) << c.items;
  }
}

}  // namespace
