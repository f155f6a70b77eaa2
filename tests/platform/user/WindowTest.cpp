#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <thread>

#include "UserTestSupport.h"
#include "platform/kernel/Errors.h"
#include "platform/user/Atoms.h"
#include "platform/user/FindWindow.h"
#include "platform/user/Geometry.h"
#include "platform/user/NonClient.h"
#include "platform/user/Window.h"

using namespace plat;
using usertest::Received;

namespace {

class Windows : public usertest::RecordingClass {};

std::vector<UINT> Messages(const std::vector<Received>& log, HWND hwnd) {
  std::vector<UINT> out;
  for (auto& r : log)
    if (r.hwnd == hwnd) out.push_back(r.message);
  return out;
}

}  // namespace

TEST_F(Windows, CreationDeliversCreateParamsAndDestructionReachesChildren) {
  int marker = 0;
  void* seen_params[2] = {};
  on_message_ = [&](HWND, UINT message, WPARAM, LPARAM lparam, LRESULT*) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    if (message == WM_NCCREATE) seen_params[0] = create->lpCreateParams;
    if (message == WM_CREATE) seen_params[1] = create->lpCreateParams;
    return false;
  };
  HWND parent = Make(nullptr, 0, &marker);
  ASSERT_NE(parent, nullptr);
  EXPECT_EQ(seen_params[0], &marker);
  EXPECT_EQ(seen_params[1], &marker);
  EXPECT_EQ(Messages(Log(), parent),
            (std::vector<UINT>{WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));

  HWND child = Make(parent, WS_CHILD);
  HWND grandchild = Make(child, WS_CHILD);
  HWND owned = Make(parent);  // top-level, owned by parent
  EXPECT_EQ(GetParent(child), parent);
  EXPECT_EQ(GetParent(owned), parent);
  EXPECT_TRUE(IsChild(parent, grandchild));
  EXPECT_FALSE(IsChild(parent, owned));

  ClearLog();
  EXPECT_TRUE(DestroyWindow(parent));
  std::vector<std::pair<HWND, UINT>> order;
  for (auto& r : Log()) order.emplace_back(r.hwnd, r.message);
  const std::vector<std::pair<HWND, UINT>> expected = {
      {owned, WM_DESTROY},      {owned, WM_NCDESTROY},      {parent, WM_DESTROY},  {child, WM_DESTROY},
      {grandchild, WM_DESTROY}, {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {parent, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  for (HWND hwnd : {parent, child, grandchild, owned}) EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(DestroyWindow(parent));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST_F(Windows, WindowDataStaysReadableDuringNcDestroy) {
  LONG_PTR seen = 0;
  on_message_ = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT*) {
    if (message == WM_NCDESTROY) seen = GetWindowLongPtrA(hwnd, GWLP_USERDATA);
    return false;
  };
  HWND hwnd = Make();
  SetWindowLongPtrA(hwnd, GWLP_USERDATA, 1234);
  DestroyWindow(hwnd);
  EXPECT_EQ(seen, 1234);
}

TEST_F(Windows, RefusedCreationLeavesNoWindow) {
  struct Case {
    UINT refusing_message;
    LRESULT answer;
    std::vector<UINT> expected;
  };
  const Case cases[] = {
      {WM_CREATE, -1, {WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}},
      {WM_NCCREATE, FALSE, {WM_NCCREATE, WM_NCDESTROY}},
  };
  for (const Case& c : cases) {
    ClearLog();
    on_message_ = [&](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
      if (message != c.refusing_message) return false;
      *result = c.answer;
      return true;
    };
    EXPECT_EQ(Make(), nullptr);
    std::vector<UINT> got;
    for (auto& r : Log()) got.push_back(r.message);
    EXPECT_EQ(got, c.expected) << "refused in " << c.refusing_message;
    ASSERT_FALSE(Log().empty());
    EXPECT_FALSE(IsWindow(Log().front().hwnd));
  }
}

TEST_F(Windows, HandlesAreNeverReused) {
  std::set<HWND> seen;
  for (int i = 0; i < 50; ++i) {
    HWND hwnd = Make();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(seen.insert(hwnd).second);
    DestroyWindow(hwnd);
    EXPECT_FALSE(IsWindow(hwnd));
  }
}

TEST_F(Windows, LongValuesAndExtraBytes) {
  HWND hwnd = Make();
  struct Case {
    int index;
    LONG_PTR value;
  };
  const Case cases[] = {{GWLP_USERDATA, 0x1234567}, {GWLP_ID, 42}, {0, -5}, {sizeof(LONG_PTR), 0x7FFF0000}};
  for (const Case& c : cases) {
    EXPECT_EQ(SetWindowLongPtrA(hwnd, c.index, c.value), 0) << c.index;
    EXPECT_EQ(GetWindowLongPtrA(hwnd, c.index), c.value) << c.index;
    EXPECT_EQ(SetWindowLongPtrA(hwnd, c.index, 0), c.value) << c.index;  // returns the previous value
  }
  // The extra bytes end at cbWndExtra.
  for (int index : {static_cast<int>(sizeof(LONG_PTR)) + 1, 2 * static_cast<int>(sizeof(LONG_PTR)), -100}) {
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, index), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_INDEX)) << index;
  }
  SetWindowLongA(hwnd, 4, 77);
  EXPECT_EQ(GetWindowLongA(hwnd, 4), 77);
  EXPECT_EQ(GetWindowLongPtrA(nullptr, GWLP_USERDATA), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

namespace {

WNDPROC original_proc = nullptr;
int subclass_calls = 0;

LRESULT Subclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_USER) {
    ++subclass_calls;
    return 7 + CallWindowProcA(original_proc, hwnd, message, wparam, lparam);
  }
  return CallWindowProcA(original_proc, hwnd, message, wparam, lparam);
}

}  // namespace

TEST_F(Windows, SubclassingReplacesTheProcedure) {
  HWND hwnd = Make();
  on_message_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
    *result = 100;
    return message == WM_USER;
  };
  original_proc =
      reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Subclass)));
  ASSERT_NE(original_proc, nullptr);
  subclass_calls = 0;
  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 107);
  EXPECT_EQ(subclass_calls, 1);
  EXPECT_EQ(Log(WM_USER).size(), 1u);
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_proc));
  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 100);
  EXPECT_EQ(subclass_calls, 1);
}

TEST_F(Windows, TextGoesThroughTheDefaultProcedure) {
  HWND hwnd = CreateWindowExA(0, kClass, "Start", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  char buffer[16];
  EXPECT_EQ(GetWindowTextA(hwnd, buffer, sizeof buffer), 5);
  EXPECT_STREQ(buffer, "Start");
  EXPECT_TRUE(SetWindowTextA(hwnd, "Sonavex pro"));
  EXPECT_EQ(GetWindowTextLengthA(hwnd), 11);
  EXPECT_EQ(GetWindowTextA(hwnd, buffer, 4), 3);  // truncated, terminated
  EXPECT_STREQ(buffer, "Son");
  EXPECT_EQ(Log(WM_SETTEXT).size(), 1u);
  EXPECT_TRUE(SetWindowTextA(hwnd, nullptr));
  EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
  // WM_CLOSE destroys through the default procedure.
  SendMessageA(hwnd, WM_CLOSE, 0, 0);
  EXPECT_FALSE(IsWindow(hwnd));
  DestroyWindow(hwnd);
}

TEST_F(Windows, PropertiesAreKeyedByAtom) {
  HWND hwnd = Make();
  int a = 0, b = 0;
  EXPECT_TRUE(SetPropA(hwnd, "QuellixProp", &a));
  EXPECT_EQ(GetPropA(hwnd, "quellixPROP"), &a);
  ATOM atom = GlobalFindAtomA("QuellixProp");
  ASSERT_NE(atom, 0);
  EXPECT_EQ(GetPropA(hwnd, MAKEINTATOM(atom)), &a);
  EXPECT_TRUE(SetPropA(hwnd, "QUELLIXPROP", &b));  // replaces
  EXPECT_EQ(GetPropA(hwnd, "QuellixProp"), &b);
  EXPECT_EQ(RemovePropA(hwnd, "QuellixProp"), &b);
  EXPECT_EQ(GetPropA(hwnd, "QuellixProp"), nullptr);
  EXPECT_EQ(RemovePropA(hwnd, "QuellixProp"), nullptr);
  // The property's reference to its name went with it.
  EXPECT_EQ(GlobalFindAtomA("QuellixProp"), 0);
  EXPECT_FALSE(SetPropA(nullptr, "QuellixProp", &a));
}

TEST_F(Windows, ClassesByNameOrAtom) {
  WNDCLASSA wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "QUELLIXRECORDINGWINDOW";
  EXPECT_EQ(RegisterClassA(&wc), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_ALREADY_EXISTS));

  WNDCLASSA info;
  ASSERT_TRUE(GetClassInfoA(nullptr, "quellixrecordingwindow", &info));
  EXPECT_EQ(info.cbWndExtra, static_cast<int>(2 * sizeof(LONG_PTR)));
  EXPECT_NE(info.lpfnWndProc, nullptr);

  HWND by_atom =
      CreateWindowExA(0, MAKEINTATOM(atom_), "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(by_atom, nullptr);
  char name[64];
  EXPECT_GT(GetClassNameA(by_atom, name, sizeof name), 0);
  EXPECT_STREQ(name, kClass);
  // A class with windows stays registered.
  EXPECT_FALSE(UnregisterClassA(kClass, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLASS_HAS_WINDOWS));
  DestroyWindow(by_atom);

  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANNOT_FIND_WND_CLASS));
  EXPECT_FALSE(UnregisterClassA("NoSuchClass", nullptr));
}

TEST_F(Windows, MessageOnlyWindowsAndOwnerThread) {
  HWND hidden = Make(HWND_MESSAGE);
  ASSERT_NE(hidden, nullptr);
  EXPECT_EQ(GetParent(hidden), nullptr);
  DWORD process = 0;
  EXPECT_EQ(GetWindowThreadProcessId(hidden, &process), GetCurrentThreadId());
  EXPECT_NE(process, 0u);
  EXPECT_EQ(Make(reinterpret_cast<HWND>(0x7777777), WS_CHILD), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(Atoms, NamesCompareWithoutCaseAndAreCounted) {
  ATOM first = GlobalAddAtomA("Quellix.Atom");
  EXPECT_GE(first, 0xC000);
  EXPECT_EQ(GlobalAddAtomA("QUELLIX.atom"), first);
  EXPECT_EQ(GlobalFindAtomA("quellix.ATOM"), first);
  char name[32];
  EXPECT_EQ(GlobalGetAtomNameA(first, name, sizeof name), 12u);
  EXPECT_STREQ(name, "Quellix.Atom");  // as first added
  EXPECT_EQ(GlobalDeleteAtom(first), 0);
  EXPECT_EQ(GlobalFindAtomA("Quellix.Atom"), first);  // one reference left
  EXPECT_EQ(GlobalDeleteAtom(first), 0);
  EXPECT_EQ(GlobalFindAtomA("Quellix.Atom"), 0);
  EXPECT_EQ(GlobalDeleteAtom(first), first);

  struct Case {
    const char* name;
    ATOM expected;
  };
  const Case integers[] = {{"#123", 123}, {MAKEINTATOM(7), 7}, {"#0", 0}, {"#49152", 0}, {"", 0}};
  for (const Case& c : integers) EXPECT_EQ(GlobalAddAtomA(c.name), c.expected);
  EXPECT_EQ(GlobalAddAtomA(std::string(256, 'x').c_str()), 0);
}

TEST(Atoms, RegisteredMessagesAreStablePerName) {
  UINT a = RegisterWindowMessageA("Quellix.TaskbarCreated");
  UINT b = RegisterWindowMessageA("Quellix.Other");
  EXPECT_GE(a, 0xC000u);
  EXPECT_LE(a, 0xFFFFu);
  EXPECT_NE(a, b);
  EXPECT_EQ(RegisterWindowMessageA("quellix.taskbarcreated"), a);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
  EXPECT_EQ(RegisterWindowMessageA(nullptr), 0u);
}

TEST_F(Windows, AThreadEndingWithLiveWindowsCleansUpSafely) {
  HWND made = nullptr;
  // The worker posts to its own window and ends without destroying it; the
  // window and its queued message go with the thread.
  std::thread([&] {
    made = Make(nullptr, 0);
    PostMessageA(made, WM_USER + 7, 0, 0);
    SetTimer(made, 1, 100, nullptr);
  }).join();
  ASSERT_NE(made, nullptr);
  EXPECT_FALSE(IsWindow(made));
  EXPECT_FALSE(PostMessageA(made, WM_USER, 0, 0));
}

TEST_F(Windows, FindWindowMatchesClassAndTitleAmongThisProgramsWindows) {
  HWND first = Make();
  HWND second = Make();
  HWND child = Make(second, WS_CHILD);
  SetWindowTextA(second, "Panel");
  SetWindowTextA(child, "Start");
  EXPECT_EQ(FindWindowA(nullptr, "panel"), second);
  EXPECT_EQ(FindWindowA(usertest::RecordingClass::kClass, "Panel"), second);
  EXPECT_EQ(FindWindowA("Shell_TrayWnd", nullptr), nullptr);
  EXPECT_EQ(FindWindowExA(second, nullptr, nullptr, "Start"), child);
  EXPECT_EQ(FindWindowExA(second, child, nullptr, nullptr), nullptr);
  HWND any = FindWindowA(usertest::RecordingClass::kClass, nullptr);
  EXPECT_TRUE(any == first || any == second);
}
