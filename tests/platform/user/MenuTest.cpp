#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "UserTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

using namespace plat;
using backend::HeadlessBackend;

namespace {

std::string ItemText(HMENU menu, UINT position) {
  char buffer[64] = {};
  MENUITEMINFOA info;
  info.fMask = MIIM_STRING;
  info.dwTypeData = buffer;
  info.cch = sizeof buffer;
  EXPECT_TRUE(GetMenuItemInfoA(menu, position, TRUE, &info));
  return buffer;
}

TEST(MenuItems, InsertFindAndReadBack) {
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  ASSERT_TRUE(AppendMenuA(file, MF_STRING, 101, "&Open"));
  ASSERT_TRUE(AppendMenuA(file, MF_SEPARATOR, 0, nullptr));
  ASSERT_TRUE(AppendMenuA(file, MF_STRING | MF_GRAYED, 103, "E&xit\tCtrl+X"));
  ASSERT_TRUE(InsertMenuA(file, 1, MF_BYPOSITION | MF_STRING | MF_CHECKED, 102, "&Save"));
  ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File"));

  EXPECT_EQ(GetMenuItemCount(file), 4);
  EXPECT_EQ(ItemText(file, 1), "&Save");
  EXPECT_EQ(GetSubMenu(bar, 0), file);
  EXPECT_EQ(GetMenuItemID(bar, 0), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuItemID(file, 3), 103u);
  // By command, items of submenus are found from the bar.
  EXPECT_EQ(GetMenuState(bar, 102, MF_BYCOMMAND), MF_CHECKED);
  EXPECT_EQ(GetMenuState(bar, 103, MF_BYCOMMAND), MF_GRAYED);
  EXPECT_EQ(GetMenuState(file, 2, MF_BYPOSITION), MF_SEPARATOR);
  EXPECT_EQ(GetMenuState(bar, 0, MF_BYPOSITION), MF_POPUP | (4u << 8));
  EXPECT_EQ(GetMenuState(bar, 999, MF_BYCOMMAND), static_cast<UINT>(-1));

  EXPECT_EQ(CheckMenuItem(bar, 102, MF_BYCOMMAND | MF_UNCHECKED), MF_CHECKED);
  EXPECT_EQ(CheckMenuItem(bar, 102, MF_BYCOMMAND | MF_UNCHECKED), MF_UNCHECKED);
  EXPECT_EQ(EnableMenuItem(file, 103, MF_BYCOMMAND | MF_ENABLED), static_cast<BOOL>(MF_GRAYED));
  EXPECT_EQ(GetMenuState(file, 103, MF_BYCOMMAND), 0u);

  char text[8] = {};
  EXPECT_EQ(GetMenuStringA(file, 103, text, sizeof text, MF_BYCOMMAND), 7);  // cut to the buffer
  EXPECT_STREQ(text, "E&xit\tC");

  // Removing keeps the submenu alive, deleting destroys it.
  EXPECT_TRUE(RemoveMenu(bar, 0, MF_BYPOSITION));
  EXPECT_TRUE(IsMenu(file));
  ASSERT_TRUE(AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File"));
  EXPECT_TRUE(DeleteMenu(bar, 0, MF_BYPOSITION));
  EXPECT_FALSE(IsMenu(file));
  EXPECT_TRUE(DestroyMenu(bar));
  EXPECT_FALSE(DestroyMenu(bar));
}

TEST(MenuItems, ItemInfoRoundTripAndRadioGroups) {
  HMENU menu = CreatePopupMenu();
  MENUITEMINFOA info;
  info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_DATA;
  info.fType = MFT_OWNERDRAW | MFT_RADIOCHECK;
  info.fState = MFS_CHECKED | MFS_DEFAULT;
  info.wID = 7;
  info.dwItemData = 0xABCD;
  char text[] = "Dots";
  info.dwTypeData = text;
  ASSERT_TRUE(InsertMenuItemA(menu, 0, TRUE, &info));
  for (UINT id : {8u, 9u}) AppendMenuA(menu, MF_STRING, id, "x");

  MENUITEMINFOA back;
  back.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA;
  ASSERT_TRUE(GetMenuItemInfoA(menu, 7, FALSE, &back));
  EXPECT_EQ(back.fType, MFT_OWNERDRAW | MFT_RADIOCHECK);
  EXPECT_EQ(back.fState, MFS_CHECKED | MFS_DEFAULT);
  EXPECT_EQ(back.dwItemData, 0xABCDu);
  EXPECT_EQ(ItemText(menu, 0), "Dots");
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), 7u);
  EXPECT_EQ(GetMenuDefaultItem(menu, TRUE, 0), 0u);

  ASSERT_TRUE(CheckMenuRadioItem(menu, 7, 9, 9, MF_BYCOMMAND));
  EXPECT_EQ(GetMenuState(menu, 7, MF_BYCOMMAND) & MF_CHECKED, 0u);
  EXPECT_EQ(GetMenuState(menu, 9, MF_BYCOMMAND) & (MF_CHECKED | MFT_RADIOCHECK), MF_CHECKED | MFT_RADIOCHECK);
  // A default item that is disabled only counts with GMDI_USEDISABLED.
  EnableMenuItem(menu, 7, MF_GRAYED);
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, 0), static_cast<UINT>(-1));
  EXPECT_EQ(GetMenuDefaultItem(menu, FALSE, GMDI_USEDISABLED), 7u);
  DestroyMenu(menu);
}

// A shown, focused top-level window on the headless screen; keys injected
// before a menu opens are what its loop reads.
class MenuLoop : public usertest::RecordingClass {
 protected:
  void SetUp() override {
    RecordingClass::SetUp();
    screen_ = dynamic_cast<HeadlessBackend*>(&backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    hwnd_ = CreateWindowExA(0, kClass, "Menus", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                            nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd_, nullptr);
    SetForegroundWindow(hwnd_);
    SetFocus(hwnd_);
    Pump();
    ClearLog();
    popup_ = CreatePopupMenu();
    AppendMenuA(popup_, MF_STRING, 201, "&First");
    AppendMenuA(popup_, MF_STRING, 202, "&Second");
    AppendMenuA(popup_, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(popup_, MF_STRING | MF_GRAYED, 203, "&Third");
    AppendMenuA(popup_, MF_STRING, 204, "&Fourth");
  }
  void TearDown() override {
    if (popup_) DestroyMenu(popup_);
    if (hwnd_) DestroyWindow(hwnd_);
    RecordingClass::TearDown();
  }
  void Keys(std::initializer_list<UINT> keys) {
    for (UINT vk : keys) {
      screen_->InjectKey(vk, true);
      screen_->InjectKey(vk, false);
    }
  }
  void Pump() {
    user::PumpBackendEvents(0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  std::vector<WPARAM> Commands() {
    std::vector<WPARAM> ids;
    for (auto& r : Log(WM_COMMAND)) ids.push_back(LOWORD(r.wparam));
    return ids;
  }

  HeadlessBackend* screen_ = nullptr;
  HWND hwnd_ = nullptr;
  HMENU popup_ = nullptr;
};

TEST_F(MenuLoop, KeysChooseAndPostTheCommand) {
  struct Case {
    const char* name;
    std::vector<UINT> keys;
    UINT flags;
    int returned;                // TrackPopupMenu's answer
    std::vector<WPARAM> posted;  // WM_COMMAND ids after the loop
  };
  const std::vector<Case> cases = {
      {"down down enter", {VK_DOWN, VK_DOWN, VK_RETURN}, 0, TRUE, {202}},
      {"separator skipped, grayed item selectable but inert",
       {VK_UP, VK_UP, VK_RETURN, VK_ESCAPE},
       0,
       TRUE,
       {}},
      {"wraps from the top to the last item", {VK_UP, VK_RETURN}, TPM_RETURNCMD, 204, {}},
      {"return command", {VK_DOWN, VK_RETURN}, TPM_RETURNCMD, 201, {}},
      {"separator skipped", {VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, TPM_RETURNCMD, 204, {}},
      {"escape cancels", {VK_DOWN, VK_ESCAPE}, TPM_RETURNCMD, 0, {}},
      {"accelerator letter", {'S'}, TPM_RETURNCMD, 202, {}},
      {"grayed accelerator does nothing", {'T', VK_ESCAPE}, TPM_RETURNCMD, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearLog();
    for (UINT vk : c.keys) Keys({vk});
    EXPECT_EQ(TrackPopupMenu(popup_, c.flags, 120, 120, 0, hwnd_, nullptr), c.returned);
    Pump();
    EXPECT_EQ(Commands(), c.posted);
    EXPECT_EQ(user::TrackedMenu(), nullptr);
  }
}

TEST_F(MenuLoop, InitMenuPopupComesBeforeTheWindowAndMayChangeTheMenu) {
  std::vector<std::string> events;
  static std::vector<std::string>* sink = nullptr;
  sink = &events;
  HHOOK hook = SetWindowsHookExA(
      WH_CBT,
      [](int code, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (code == HCBT_CREATEWND) {
          auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lparam);
          if (create->lpcs->lpszClass && std::string(create->lpcs->lpszClass) == user::kPopupMenuClass)
            sink->push_back("create #32768");
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
      },
      nullptr, GetCurrentThreadId());
  on_message_ = [&](HWND, UINT message, WPARAM wparam, LPARAM lparam, LRESULT*) {
    if (message == WM_ENTERMENULOOP) events.push_back("enter");
    if (message == WM_INITMENU) events.push_back("init");
    if (message == WM_INITMENUPOPUP) {
      events.push_back("initpopup " + std::to_string(LOWORD(lparam)));
      // An item added now is laid out and reachable.
      AppendMenuA(reinterpret_cast<HMENU>(wparam), MF_STRING, 205, "Added");
    }
    if (message == WM_UNINITMENUPOPUP) events.push_back("uninit");
    if (message == WM_EXITMENULOOP) events.push_back("exit");
    return false;
  };
  Keys({VK_UP, VK_RETURN});
  EXPECT_EQ(TrackPopupMenu(popup_, TPM_RETURNCMD, 10, 10, 0, hwnd_, nullptr), 205);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(events,
            (std::vector<std::string>{"enter", "init", "initpopup 0", "create #32768", "uninit", "exit"}));
  // WM_MENUSELECT followed the selection and ended with the closing notice.
  auto selects = Log(WM_MENUSELECT);
  ASSERT_GE(selects.size(), 2u);
  EXPECT_EQ(LOWORD(selects[selects.size() - 2].wparam), 205);
  EXPECT_EQ(selects.back().wparam, MAKEWPARAM(0, 0xFFFF));
}

TEST_F(MenuLoop, MessageFilterHookSeesMenuMessagesAndCanEatThem) {
  static int menu_codes = 0;
  menu_codes = 0;
  HHOOK hook = SetWindowsHookExA(
      WH_MSGFILTER,
      [](int code, WPARAM wparam, LPARAM lparam) -> LRESULT {
        auto* msg = reinterpret_cast<MSG*>(lparam);
        if (code == MSGF_MENU) ++menu_codes;
        // The first VK_DOWN is eaten: the selection does not move for it.
        static bool ate = false;
        if (code == MSGF_MENU && msg->message == WM_KEYDOWN && msg->wParam == VK_DOWN && !ate) {
          ate = true;
          return 1;
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
      },
      nullptr, GetCurrentThreadId());
  Keys({VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(TrackPopupMenu(popup_, TPM_RETURNCMD, 10, 10, 0, hwnd_, nullptr), 201);
  UnhookWindowsHookEx(hook);
  EXPECT_GT(menu_codes, 0);
}

TEST_F(MenuLoop, SubmenusOpenWithRightAndCloseWithLeft) {
  HMENU sub = CreatePopupMenu();
  AppendMenuA(sub, MF_STRING, 301, "&Inner one");
  AppendMenuA(sub, MF_STRING, 302, "Inner &two");
  HMENU top = CreatePopupMenu();
  AppendMenuA(top, MF_STRING, 300, "&Plain");
  AppendMenuA(top, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&More");
  std::vector<LPARAM> init_positions;
  on_message_ = [&](HWND, UINT message, WPARAM wparam, LPARAM lparam, LRESULT*) {
    if (message == WM_INITMENUPOPUP && reinterpret_cast<HMENU>(wparam) == sub)
      init_positions.push_back(LOWORD(lparam));
    return false;
  };
  // Into the submenu, back out, in again, second inner item.
  Keys({VK_DOWN, VK_DOWN, VK_RIGHT, VK_LEFT, VK_RIGHT, VK_DOWN, VK_RETURN});
  EXPECT_EQ(TrackPopupMenu(top, TPM_RETURNCMD, 10, 10, 0, hwnd_, nullptr), 302);
  EXPECT_EQ(init_positions, (std::vector<LPARAM>{1, 1}));
  // The accelerator of a submenu item opens it; the next letter chooses inside.
  Keys({'M', 'T'});
  EXPECT_EQ(TrackPopupMenu(top, TPM_RETURNCMD, 10, 10, 0, hwnd_, nullptr), 302);
  DestroyMenu(top);
}

TEST_F(MenuLoop, OwnerDrawnItemsAreMeasuredAndDrawnWithTheirState) {
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_OWNERDRAW, 401, reinterpret_cast<const char*>(uintptr_t{0x1111}));
  AppendMenuA(menu, MF_OWNERDRAW | MF_CHECKED, 402, reinterpret_cast<const char*>(uintptr_t{0x2222}));
  std::vector<MEASUREITEMSTRUCT> measured;
  std::vector<DRAWITEMSTRUCT> drawn;
  on_message_ = [&](HWND, UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
    if (message == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      measured.push_back(*mis);
      mis->itemWidth = 120;
      mis->itemHeight = 30;
      *result = TRUE;
      return true;
    }
    if (message == WM_DRAWITEM) {
      drawn.push_back(*reinterpret_cast<DRAWITEMSTRUCT*>(lparam));
      *result = TRUE;
      return true;
    }
    return false;
  };
  Keys({VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, hwnd_, nullptr), 402);
  ASSERT_EQ(measured.size(), 2u);
  EXPECT_EQ(measured[0].CtlType, ODT_MENU);
  EXPECT_EQ(measured[1].itemID, 402u);
  EXPECT_EQ(measured[1].itemData, 0x2222u);
  bool selected_checked_drawn = false;
  for (const auto& d : drawn) {
    EXPECT_EQ(d.CtlType, ODT_MENU);
    EXPECT_EQ(d.hwndItem, reinterpret_cast<HWND>(menu));
    if (d.itemID == 402 && (d.itemState & ODS_SELECTED) && (d.itemState & ODS_CHECKED)) {
      selected_checked_drawn = true;
      EXPECT_EQ(d.rcItem.bottom - d.rcItem.top, 30);
    }
  }
  EXPECT_TRUE(selected_checked_drawn);
  DestroyMenu(menu);
}

TEST_F(MenuLoop, MenuBarTakesTheTopOfTheClientAreaAndOpensFromTheKeyboard) {
  RECT before;
  GetClientRect(hwnd_, &before);
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  AppendMenuA(file, MF_STRING, 501, "&Load");
  AppendMenuA(file, MF_STRING, 502, "E&xit");
  HMENU view = CreatePopupMenu();
  AppendMenuA(view, MF_STRING, 601, "&Dots");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "&File");
  AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(view), "&View");
  ASSERT_TRUE(SetMenu(hwnd_, bar));
  EXPECT_EQ(GetMenu(hwnd_), bar);
  RECT after;
  GetClientRect(hwnd_, &after);
  EXPECT_EQ(before.bottom - after.bottom, GetSystemMetrics(SM_CYMENU));

  // The bar answers HTMENU and has its items laid out left to right.
  RECT file_rect, view_rect;
  ASSERT_TRUE(GetMenuItemRect(hwnd_, bar, 0, &file_rect));
  ASSERT_TRUE(GetMenuItemRect(hwnd_, bar, 1, &view_rect));
  EXPECT_LE(file_rect.right, view_rect.left);
  const POINT on_file{(file_rect.left + file_rect.right) / 2, (file_rect.top + file_rect.bottom) / 2};
  EXPECT_EQ(SendMessageA(hwnd_, WM_NCHITTEST, 0, MAKELPARAM(on_file.x, on_file.y)), HTMENU);
  EXPECT_EQ(MenuItemFromPoint(hwnd_, bar, on_file), 0);

  struct Case {
    const char* name;
    std::vector<std::pair<UINT, bool>> keys;  // vk, down
    std::vector<WPARAM> posted;
  };
  const std::vector<Case> cases = {
      {"Alt+F, then x",
       {{VK_MENU, true}, {'F', true}, {'F', false}, {VK_MENU, false}, {'X', true}, {'X', false}},
       {502}},
      {"F10, right, enter, enter",
       {{VK_F10, true}, {VK_F10, false}, {VK_RIGHT, true}, {VK_RETURN, true}, {VK_RETURN, true}},
       {601}},
      {"Alt alone, down, escape twice",
       {{VK_MENU, true}, {VK_MENU, false}, {VK_DOWN, true}, {VK_ESCAPE, true}, {VK_ESCAPE, true}},
       {}},
      {"Alt+V, left wraps to File, enter",
       {{VK_MENU, true}, {'V', true}, {VK_MENU, false}, {VK_LEFT, true}, {VK_RETURN, true}},
       {501}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearLog();
    for (auto [vk, down] : c.keys) screen_->InjectKey(vk, down);
    Pump();
    Pump();
    EXPECT_EQ(Commands(), c.posted);
    EXPECT_EQ(Log(WM_INITMENU).size(), 1u);
  }
  SetMenu(hwnd_, nullptr);
  GetClientRect(hwnd_, &after);
  EXPECT_EQ(after.bottom, before.bottom);
  DestroyMenu(bar);
}

// A window without a platform bar hears every menu key as SC_KEYMENU on
// its top-level window, from whichever child has the focus (it may draw a
// bar of its own); the default handling opens nothing for it.
TEST_F(MenuLoop, MenuKeysReachTheTopLevelWindowWithoutABar) {
  HWND child = Make(hwnd_, WS_CHILD | WS_VISIBLE);
  SetFocus(child);
  Pump();
  std::vector<std::pair<HWND, LPARAM>> heard;
  on_message_ = [&](HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT*) {
    if (message == WM_SYSCOMMAND && (wparam & 0xFFF0) == SC_KEYMENU) heard.emplace_back(hwnd, lparam);
    return false;
  };
  struct Case {
    const char* name;
    std::vector<std::pair<UINT, bool>> keys;  // vk, down
    std::vector<LPARAM> heard;
  };
  const std::vector<Case> cases = {
      {"Alt alone", {{VK_MENU, true}, {VK_MENU, false}}, {0}},
      {"F10", {{VK_F10, true}, {VK_F10, false}}, {0}},
      {"Alt+X, no lone Alt after it", {{VK_MENU, true}, {'X', true}, {'X', false}, {VK_MENU, false}}, {'x'}},
      {"Alt+7", {{VK_MENU, true}, {'7', true}, {'7', false}, {VK_MENU, false}}, {'7'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    heard.clear();
    ClearLog();
    for (auto [vk, down] : c.keys) screen_->InjectKey(vk, down);
    Pump();
    std::vector<std::pair<HWND, LPARAM>> expected;
    for (LPARAM key : c.heard) expected.emplace_back(hwnd_, key);
    EXPECT_EQ(heard, expected);
    EXPECT_TRUE(Log(WM_INITMENU).empty());
    EXPECT_TRUE(Log(WM_INITMENUPOPUP).empty());
    EXPECT_EQ(user::TrackedMenu(), nullptr);
  }
  on_message_ = nullptr;
}

TEST_F(MenuLoop, SystemMenuStatesFollowTheWindow) {
  struct Case {
    int show;
    bool restore, move, size, minimize, maximize;
  };
  for (const Case& c : {Case{SW_SHOWNORMAL, false, true, true, true, true},
                        Case{SW_MAXIMIZE, true, false, false, true, false},
                        Case{SW_MINIMIZE, true, true, false, false, true}}) {
    SCOPED_TRACE(c.show);
    ShowWindow(hwnd_, c.show);
    HMENU sys = GetSystemMenu(hwnd_, FALSE);
    ASSERT_NE(sys, nullptr);
    auto enabled = [&](UINT id) { return (GetMenuState(sys, id, MF_BYCOMMAND) & MF_GRAYED) == 0; };
    EXPECT_EQ(enabled(SC_RESTORE), c.restore);
    EXPECT_EQ(enabled(SC_MOVE), c.move);
    EXPECT_EQ(enabled(SC_SIZE), c.size);
    EXPECT_EQ(enabled(SC_MINIMIZE), c.minimize);
    EXPECT_EQ(enabled(SC_MAXIMIZE), c.maximize);
    EXPECT_TRUE(enabled(SC_CLOSE));
    EXPECT_EQ(GetMenuDefaultItem(sys, FALSE, 0), SC_CLOSE);
  }
  ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
  SetFocus(hwnd_);
  Pump();
  // Alt+Space opens it; a choice arrives as WM_SYSCOMMAND.
  HMENU sys = GetSystemMenu(hwnd_, FALSE);
  const int items = GetMenuItemCount(sys);
  screen_->InjectKey(VK_MENU, true);
  screen_->InjectKey(VK_SPACE, true);
  screen_->InjectKey(VK_MENU, false);
  Keys({'N'});  // Mi&nimize
  Pump();
  Pump();
  bool minimize = false;
  for (auto& r : Log(WM_SYSCOMMAND)) minimize |= (r.wparam & 0xFFF0) == SC_MINIMIZE;
  EXPECT_TRUE(minimize);
  EXPECT_EQ(GetMenuItemCount(sys), items);
  EXPECT_EQ(GetSystemMenu(hwnd_, TRUE), nullptr);
}

}  // namespace

namespace {

// What the open popup shows, looked at from the menu loop's message filter.
struct PopupLook {
  RECT window{};
  POINT client_origin{};
  RECT client{};
  RECT first_item{};
  COLORREF edge = 0, ring = 0, item = 0, arrow_column = 0;
  bool seen = false;
};

HWND opened_popup = nullptr;
PopupLook* look = nullptr;
HeadlessBackend* look_screen = nullptr;

// A popup menu window has a 3-pixel frame as its non-client area, its items
// start at the client's top-left, and an owner-drawn item with a submenu
// still gets its arrow.
TEST_F(MenuLoop, PopupFrameIsNonClientAndOwnerDrawnSubmenusGetTheirArrow) {
  HMENU sub = CreatePopupMenu();
  AppendMenuA(sub, MF_STRING, 501, "Inner");
  HMENU menu = CreatePopupMenu();
  AppendMenuA(menu, MF_OWNERDRAW | MF_POPUP, reinterpret_cast<UINT_PTR>(sub),
              reinterpret_cast<const char*>(uintptr_t{0x3333}));
  AppendMenuA(menu, MF_STRING, 502, "&Last");
  constexpr COLORREF kOwnerFill = RGB(0, 160, 0);
  on_message_ = [&](HWND, UINT message, WPARAM, LPARAM lparam, LRESULT* result) {
    if (message == WM_MEASUREITEM) {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lparam);
      mis->itemWidth = 100;
      mis->itemHeight = 20;
      *result = TRUE;
      return true;
    }
    if (message == WM_DRAWITEM) {
      const auto* dis = reinterpret_cast<const DRAWITEMSTRUCT*>(lparam);
      HBRUSH fill = CreateSolidBrush(kOwnerFill);
      FillRect(dis->hDC, &dis->rcItem, fill);
      DeleteObject(fill);
      *result = TRUE;
      return true;
    }
    return false;
  };
  PopupLook seen;
  look = &seen;
  look_screen = screen_;
  opened_popup = nullptr;
  HHOOK cbt = SetWindowsHookExA(
      WH_CBT,
      [](int code, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (code == HCBT_CREATEWND && !opened_popup) {
          auto* create = reinterpret_cast<CBT_CREATEWNDA*>(lparam);
          if (create->lpcs->lpszClass && std::string(create->lpcs->lpszClass) == user::kPopupMenuClass)
            opened_popup = reinterpret_cast<HWND>(wparam);
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
      },
      nullptr, GetCurrentThreadId());
  HHOOK filter = SetWindowsHookExA(
      WH_MSGFILTER,
      [](int code, WPARAM wparam, LPARAM lparam) -> LRESULT {
        if (code == MSGF_MENU && opened_popup && !look->seen && IsWindowVisible(opened_popup)) {
          look->seen = true;
          RedrawWindow(opened_popup, nullptr, nullptr,
                       RDW_INVALIDATE | RDW_FRAME | RDW_ERASE | RDW_UPDATENOW);
          GetWindowRect(opened_popup, &look->window);
          ClientToScreen(opened_popup, &look->client_origin);
          GetClientRect(opened_popup, &look->client);
          HMENU shown = reinterpret_cast<HMENU>(SendMessageA(opened_popup, MN_GETHMENU, 0, 0));
          GetMenuItemRect(nullptr, shown, 0, &look->first_item);
          auto pixel = [&](int x, int y) {
            const uint32_t v = look_screen->PresentedPixel(opened_popup, x, y);
            return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
          };
          const int width = look->window.right - look->window.left;
          look->edge = pixel(0, 0);
          look->ring = pixel(2, 2);
          look->item = pixel(3 + 10, 3 + 10);
          // The arrow's middle column, half way down the first item.
          look->arrow_column = pixel(width - 3 - 7 - 2 + 1, 3 + 10);
        }
        return CallNextHookEx(nullptr, code, wparam, lparam);
      },
      nullptr, GetCurrentThreadId());
  Keys({VK_DOWN, VK_DOWN, VK_RETURN});
  EXPECT_EQ(TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, hwnd_, nullptr), 502);
  UnhookWindowsHookEx(filter);
  UnhookWindowsHookEx(cbt);
  ASSERT_TRUE(seen.seen);
  EXPECT_EQ(seen.client_origin.x - seen.window.left, 3);
  EXPECT_EQ(seen.client_origin.y - seen.window.top, 3);
  EXPECT_EQ(seen.window.right - seen.window.left - seen.client.right, 6);
  EXPECT_EQ(seen.window.bottom - seen.window.top - seen.client.bottom, 6);
  EXPECT_EQ(seen.first_item.left, seen.client_origin.x);
  EXPECT_EQ(seen.first_item.top, seen.client_origin.y);
  EXPECT_EQ(seen.edge, GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(seen.ring, GetSysColor(COLOR_MENU));
  EXPECT_EQ(seen.item, kOwnerFill);
  EXPECT_EQ(seen.arrow_column, GetSysColor(COLOR_MENUTEXT));
  DestroyMenu(menu);
}

}  // namespace
