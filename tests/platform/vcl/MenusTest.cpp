// Menus: short-cut text, menus read from form descriptions, short-cuts that
// run items, check marks, and popup and bar menus over the platform menus.
#include <gtest/gtest.h>

#include <set>

#include "TestClasses.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Menus.h"

namespace vcltest {
namespace {

TEST(ShortCutText, BothWays) {
  struct Case {
    TShortCut short_cut;
    const char* text;
  };
  for (const Case& c :
       {Case{ShortCut('S', scCtrl), "Ctrl+S"}, Case{ShortCut(plat::VK_F1, scShift), "Shift+F1"},
        Case{ShortCut(plat::VK_F12, scCtrl), "Ctrl+F12"},
        Case{ShortCut(plat::VK_DELETE, scCtrl | scAlt), "Ctrl+Alt+Del"},
        Case{ShortCut(plat::VK_NUMPAD1, scNone), "Num 1"}, Case{ShortCut('4', scAlt), "Alt+4"}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(ShortCutToText(c.short_cut), c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.short_cut);
  }
  EXPECT_EQ(ShortCut('X', scCtrl), 16472);  // as form descriptions store Ctrl+X
  EXPECT_EQ(TextToShortCut("ctrl+s"), ShortCut('S', scCtrl));
  for (const char* bad : {"", "Ctrl+", "Ctrl+Nothing", "Hyper+S"})
    EXPECT_EQ(TextToShortCut(bad), scNone) << bad;
  EXPECT_EQ(ShortCutToText(scNone), "");
}

const char* const kForm =
    "object Form1: TTestForm\r\n"
    "  object MainMenu1: TMainMenu\r\n"
    "    object File1: TMenuItem\r\n"
    "      Caption = '&File'\r\n"
    "      object Save1: TMenuItem\r\n"
    "        Caption = '&Save Analyzer Setting'\r\n"
    "        ShortCut = 16467\r\n"
    "        OnClick = Button1Click\r\n"
    "      end\r\n"
    "      object N1: TMenuItem\r\n"
    "        Caption = '-'\r\n"
    "      end\r\n"
    "      object Exit1: TMenuItem\r\n"
    "        Caption = 'Exit'\r\n"
    "        ShortCut = 16472\r\n"
    "        OnClick = Button1Click\r\n"
    "      end\r\n"
    "    end\r\n"
    "    object Display1: TMenuItem\r\n"
    "      Caption = 'Dis&play Mode'\r\n"
    "      object Rms1: TMenuItem\r\n"
    "        Caption = 'Display RMS Level Meter'\r\n"
    "        AutoCheck = True\r\n"
    "        Checked = True\r\n"
    "      end\r\n"
    "      object Dots1: TMenuItem\r\n"
    "        Caption = 'Dots'\r\n"
    "        GroupIndex = 1\r\n"
    "        RadioItem = True\r\n"
    "      end\r\n"
    "      object Lines1: TMenuItem\r\n"
    "        Caption = 'Lines'\r\n"
    "        Checked = True\r\n"
    "        GroupIndex = 1\r\n"
    "        RadioItem = True\r\n"
    "      end\r\n"
    "    end\r\n"
    "  end\r\n"
    "end\r\n";

class MenusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    RegisterMenuClasses();
    ReadFormText(&form_, kForm);
    menu_ = dynamic_cast<TMainMenu*>(form_.FindComponent("MainMenu1"));
    ASSERT_NE(menu_, nullptr);
  }
  TMenuItem* Item(const char* name) { return dynamic_cast<TMenuItem*>(form_.FindComponent(name)); }

  TTestForm form_{nullptr};
  TMainMenu* menu_ = nullptr;
};

TEST_F(MenusTest, ReadsTheTreeAndWritesItBack) {
  ASSERT_EQ(menu_->Items()->Count(), 2);
  TMenuItem* file = menu_->Items()->Items(0);
  EXPECT_EQ(file, Item("File1"));
  ASSERT_EQ(file->Count(), 3);
  EXPECT_EQ(file->Items(2), Item("Exit1"));
  EXPECT_TRUE(file->Items(1)->IsLine());
  EXPECT_EQ(Item("Exit1")->ShortCut(), ShortCut('X', scCtrl));
  EXPECT_EQ(Item("Exit1")->GetParentMenu(), menu_);
  EXPECT_EQ(Item("File1")->GetParentComponent(), menu_);
  EXPECT_EQ(Item("Save1")->GetParentComponent(), Item("File1"));
  EXPECT_EQ(WriteFormText(&form_), kForm);
}

TEST_F(MenusTest, ShortCutsRunTheirItemAfterTheParents) {
  std::vector<std::string> clicks;
  Item("File1")->OnClick = [&](TObject*) { clicks.push_back("File1"); };
  EXPECT_TRUE(menu_->IsShortCut('X', scCtrl));
  EXPECT_EQ(clicks, (std::vector<std::string>{"File1"}));
  EXPECT_EQ(form_.calls, (std::vector<std::string>{"Button1Click Exit1"}));

  struct Case {
    const char* name;
    std::function<void()> change;
    bool runs;
  };
  const std::vector<Case> cases = {
      {"other modifiers", [] {}, false},
      {"disabled item", [&] { Item("Exit1")->SetEnabled(false); }, false},
      {"hidden parent", [&] { Item("File1")->SetVisible(false); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    form_.calls.clear();
    c.change();
    const bool ran = std::string(c.name) == "other modifiers" ? menu_->IsShortCut('X', scCtrl | scShift)
                                                              : menu_->IsShortCut('X', scCtrl);
    EXPECT_EQ(ran, c.runs);
    EXPECT_TRUE(form_.calls.empty());
  }
}

TEST_F(MenusTest, CheckMarksRadioGroupsAndAutoCheck) {
  TMenuItem* rms = Item("Rms1");
  int clicks = 0;
  rms->OnClick = [&](TObject*) { ++clicks; };
  rms->SetChecked(false);  // setting runs nothing
  EXPECT_EQ(clicks, 0);
  rms->Click();  // AutoCheck toggles, then the handler runs
  EXPECT_TRUE(rms->Checked());
  EXPECT_EQ(clicks, 1);

  Item("Dots1")->SetChecked(true);
  EXPECT_FALSE(Item("Lines1")->Checked());
  EXPECT_TRUE(Item("Rms1")->Checked());  // not a radio item: left alone

  // The platform menu shows the states and the short-cut text.
  plat::HMENU display = Item("Display1")->Handle();
  EXPECT_EQ(plat::GetMenuState(display, Item("Dots1")->Command(), plat::MF_BYCOMMAND) &
                (plat::MF_CHECKED | plat::MFT_RADIOCHECK),
            plat::MF_CHECKED | plat::MFT_RADIOCHECK);
  EXPECT_EQ(plat::GetMenuState(display, Item("Lines1")->Command(), plat::MF_BYCOMMAND) & plat::MF_CHECKED,
            0u);
  char text[64] = {};
  plat::GetMenuStringA(menu_->Handle(), Item("Save1")->Command(), text, sizeof text, plat::MF_BYCOMMAND);
  EXPECT_STREQ(text, "&Save Analyzer Setting\tCtrl+S");
  Item("N1")->SetVisible(false);
  EXPECT_EQ(plat::GetMenuItemCount(Item("File1")->Handle()), 2);
  Item("Exit1")->SetEnabled(false);
  EXPECT_EQ(
      plat::GetMenuState(menu_->Handle(), Item("Exit1")->Command(), plat::MF_BYCOMMAND) & plat::MF_GRAYED,
      plat::MF_GRAYED);
}

// A shown, focused window for menus driven by injected keys.
class MenuWindowTest : public MenusTest {
 protected:
  void SetUp() override {
    MenusTest::SetUp();
    screen_ = dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    static const bool registered = [] {
      plat::WNDCLASSA wc;
      wc.lpfnWndProc = plat::DefWindowProcA;
      wc.lpszClassName = "QuellixMenusTestWindow";
      return plat::RegisterClassA(&wc) != 0;
    }();
    ASSERT_TRUE(registered);
    hwnd_ =
        plat::CreateWindowExA(0, "QuellixMenusTestWindow", "", plat::WS_OVERLAPPEDWINDOW | plat::WS_VISIBLE,
                              50, 50, 300, 200, nullptr, nullptr, nullptr, nullptr);
    plat::SetForegroundWindow(hwnd_);
    plat::SetFocus(hwnd_);
  }
  void TearDown() override {
    if (hwnd_) plat::DestroyWindow(hwnd_);
  }
  void Keys(std::initializer_list<plat::UINT> keys) {
    for (plat::UINT vk : keys) {
      screen_->InjectKey(vk, true);
      screen_->InjectKey(vk, false);
    }
  }
  plat::backend::HeadlessBackend* screen_ = nullptr;
  plat::HWND hwnd_ = nullptr;
};

TEST_F(MenuWindowTest, PopupRunsOnPopupThenTheChosenItem) {
  TPopupMenu popup(&form_);
  std::vector<std::string> events;
  popup.OnPopup = [&](TObject*) { events.push_back("popup"); };
  const char* names[] = {"One", "Two", "Three"};
  for (const char* name : names) {
    auto* item = new TMenuItem(&form_);
    item->SetCaption(name);
    item->OnClick = [&events, name](TObject*) { events.push_back(name); };
    popup.Items()->Add(item);
  }
  Keys({plat::VK_DOWN, plat::VK_DOWN, plat::VK_RETURN});
  popup.Popup(80, 80);
  EXPECT_EQ(events, (std::vector<std::string>{"popup", "Two"}));
}

// An owner-drawn popup's items are measured and drawn by their handlers,
// the item that opens a submenu too (it comes without a command).
TEST_F(MenuWindowTest, OwnerDrawnPopupItemsReachTheirHandlers) {
  TPopupMenu popup(&form_);
  popup.SetOwnerDraw(true);
  std::vector<std::string> measured, drawn;
  auto add = [&](TMenuItem* parent, const char* name) {
    auto* item = new TMenuItem(&form_);
    item->SetCaption(name);
    item->OnMeasureItem = [&measured, name](TObject*, TCanvas*, int& w, int& h) {
      measured.push_back(name);
      w = 60;
      h = 16;
    };
    item->OnDrawItem = [&drawn, name](TObject*, TCanvas*, TRect, bool) { drawn.push_back(name); };
    parent->Add(item);
    return item;
  };
  add(popup.Items(), "One");
  TMenuItem* sub = add(popup.Items(), "Sub");
  add(sub, "Inner");
  Keys({plat::VK_ESCAPE});
  popup.Popup(80, 80);
  EXPECT_EQ(measured, (std::vector<std::string>{"One", "Sub"}));
  plat::DRAWITEMSTRUCT d{};
  d.CtlType = plat::ODT_MENU;
  d.itemData = reinterpret_cast<plat::ULONG_PTR>(sub);
  d.hDC = plat::GetDC(nullptr);
  EXPECT_TRUE(popup.DrawItem(d));
  plat::ReleaseDC(nullptr, d.hDC);
  EXPECT_EQ(drawn, (std::vector<std::string>{"Sub"}));
  // An item of another menu is not this menu's.
  TPopupMenu other(&form_);
  plat::MEASUREITEMSTRUCT m{};
  m.CtlType = plat::ODT_MENU;
  m.itemData = reinterpret_cast<plat::ULONG_PTR>(popup.Items()->Items(0));
  EXPECT_FALSE(other.MeasureItem(m));
  EXPECT_TRUE(popup.MeasureItem(m));
}

TEST_F(MenuWindowTest, MainMenuOnAWindowBar) {
  menu_->SetWindowHandle(hwnd_);
  EXPECT_EQ(plat::GetMenu(hwnd_), menu_->Handle());
  // Alt+F opens File and s chooses Save, which comes back as the window's WM_COMMAND.
  screen_->InjectKey(plat::VK_MENU, true);
  screen_->InjectKey('F', true);
  screen_->InjectKey(plat::VK_MENU, false);
  Keys({'S'});
  plat::user::PumpBackendEvents(0);
  plat::MSG msg;
  std::vector<plat::UINT> commands;
  for (int round = 0; round < 2; ++round)
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) {
      if (msg.message == plat::WM_COMMAND) {
        commands.push_back(plat::LOWORD(msg.wParam));
        menu_->DispatchCommand(plat::LOWORD(msg.wParam));
        continue;
      }
      plat::DispatchMessageA(&msg);
    }
  EXPECT_EQ(commands, (std::vector<plat::UINT>{Item("Save1")->Command()}));
  EXPECT_EQ(form_.calls, (std::vector<std::string>{"Button1Click Save1"}));
  menu_->SetWindowHandle(nullptr);
  EXPECT_EQ(plat::GetMenu(hwnd_), nullptr);
}

}  // namespace
}  // namespace vcltest

namespace vcltest {
namespace {

// A program that makes and frees items as it runs (a menu rebuilt on every
// show) must not run out of the 16 bits a WM_COMMAND carries.
TEST_F(MenusTest, CommandsOfFreedItemsAreUsedAgain) {
  for (int i = 0; i < 70000; ++i) delete new TMenuItem(nullptr);
  auto* late = new TMenuItem(&form_);
  int clicks = 0;
  late->OnClick = [&](TObject*) { ++clicks; };
  menu_->Items()->Add(late);
  EXPECT_GE(late->Command(), 100u);
  EXPECT_LE(late->Command(), 0xFFFFu);
  EXPECT_TRUE(menu_->DispatchCommand(plat::LOWORD(late->Command())));
  EXPECT_EQ(clicks, 1);

  // Live items never share a command; a freed one's is handed out again.
  std::set<plat::UINT> live;
  for (const char* name : {"File1", "Save1", "N1", "Exit1", "Display1", "Rms1", "Dots1", "Lines1"})
    live.insert(Item(name)->Command());
  live.insert(late->Command());
  EXPECT_EQ(live.size(), 9u);
  const plat::UINT freed = late->Command();
  delete late;
  TMenuItem again(nullptr);
  EXPECT_EQ(again.Command(), freed);
  EXPECT_FALSE(menu_->DispatchCommand(0));
}

}  // namespace
}  // namespace vcltest
