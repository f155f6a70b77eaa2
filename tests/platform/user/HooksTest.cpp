#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "UserTestSupport.h"
#include "platform/kernel/Errors.h"
#include "platform/user/Hooks.h"

using namespace plat;

namespace {

// Hook procedures are plain functions; they find the test through these.
std::vector<std::string> calls;
HHOOK hook_a = nullptr;
HHOOK hook_b = nullptr;
HHOOK hook_c = nullptr;
HHOOK removed_by_a = nullptr;  // A unhooks this before passing on
LRESULT answer_of_b = 0;

LRESULT HookA(int code, WPARAM wparam, LPARAM lparam) {
  calls.push_back("A");
  if (removed_by_a) UnhookWindowsHookEx(removed_by_a);
  return CallNextHookEx(hook_a, code, wparam, lparam);
}
LRESULT HookB(int code, WPARAM wparam, LPARAM lparam) {
  calls.push_back("B");
  if (answer_of_b) return answer_of_b;
  return CallNextHookEx(hook_b, code, wparam, lparam);
}
LRESULT HookC(int code, WPARAM wparam, LPARAM lparam) {
  calls.push_back("C");
  return CallNextHookEx(hook_c, code, wparam, lparam);
}

class Hooks : public usertest::RecordingClass {
 protected:
  void SetUp() override {
    RecordingClass::SetUp();
    calls.clear();
    removed_by_a = nullptr;
    answer_of_b = 0;
  }
  void TearDown() override {
    for (HHOOK hook : installed_) UnhookWindowsHookEx(hook);
    RecordingClass::TearDown();
  }
  HHOOK Install(int id, HOOKPROC proc, DWORD thread_id = GetCurrentThreadId()) {
    HHOOK hook = SetWindowsHookExA(id, proc, nullptr, thread_id);
    EXPECT_NE(hook, nullptr);
    installed_.push_back(hook);
    return hook;
  }
  // C first, so A is the newest.
  void InstallABC(int id) {
    hook_c = Install(id, HookC);
    hook_b = Install(id, HookB);
    hook_a = Install(id, HookA);
  }

 private:
  std::vector<HHOOK> installed_;
};

}  // namespace

TEST_F(Hooks, ChainRunsNewestFirstAndAnAnswerStopsIt) {
  InstallABC(WH_MSGFILTER);
  MSG msg;
  EXPECT_FALSE(CallMsgFilterA(&msg, MSGF_MENU));
  EXPECT_EQ(calls, (std::vector<std::string>{"A", "B", "C"}));

  calls.clear();
  answer_of_b = 1;  // B swallows the message; C never sees it
  EXPECT_TRUE(CallMsgFilterA(&msg, MSGF_DIALOGBOX));
  EXPECT_EQ(calls, (std::vector<std::string>{"A", "B"}));

  calls.clear();
  answer_of_b = 0;
  EXPECT_TRUE(UnhookWindowsHookEx(hook_b));
  EXPECT_FALSE(UnhookWindowsHookEx(hook_b));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HOOK_HANDLE));
  CallMsgFilterA(&msg, MSGF_MENU);
  EXPECT_EQ(calls, (std::vector<std::string>{"A", "C"}));
}

TEST_F(Hooks, AHookRemovedWhileTheChainRunsIsSkipped) {
  struct Case {
    const char* name;
    HHOOK* removed;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"itself", &hook_a, {"A", "B", "C"}},
      {"the next", &hook_b, {"A", "C"}},
      {"the last", &hook_c, {"A", "B"}},
  };
  for (const Case& c : cases) {
    InstallABC(WH_MSGFILTER);
    calls.clear();
    removed_by_a = *c.removed;
    MSG msg;
    CallMsgFilterA(&msg, MSGF_MENU);
    EXPECT_EQ(calls, c.expected) << "A removes " << c.name;
    removed_by_a = nullptr;
    for (HHOOK hook : {hook_a, hook_b, hook_c}) UnhookWindowsHookEx(hook);
  }
}

namespace {

struct CreationSeen {
  HWND hwnd;
  std::string name;
  LONG style;
};
std::vector<CreationSeen> created;
std::vector<HWND> destroyed;
std::string refused_name;
int widened_to = 0;

LRESULT CreationHook(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    auto* cbt = reinterpret_cast<CBT_CREATEWNDA*>(lparam);
    std::string name = cbt->lpcs->lpszName ? cbt->lpcs->lpszName : "";
    created.push_back({reinterpret_cast<HWND>(wparam), name, cbt->lpcs->style});
    if (name == refused_name) return 1;
    if (widened_to) {
      cbt->lpcs->cx = widened_to;
      cbt->lpcs->style |= static_cast<LONG>(WS_DISABLED);
    }
  }
  if (code == HCBT_DESTROYWND) {
    destroyed.push_back(reinterpret_cast<HWND>(wparam));
    if (!refused_name.empty() && refused_name == "destroy") return 1;
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

TEST_F(Hooks, CreationHookSeesEveryWindowAndCanRefuseOne) {
  created.clear();
  destroyed.clear();
  refused_name = "refused";
  widened_to = 0;
  Install(WH_CBT, CreationHook);

  HWND top = CreateWindowExA(0, kClass, "top", 0, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
  HWND child = CreateWindowExA(0, kClass, "child", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
  ClearLog();
  HWND refused = CreateWindowExA(0, kClass, "refused", WS_CHILD, 0, 0, 5, 5, top, nullptr, nullptr, nullptr);
  ASSERT_NE(top, nullptr);
  ASSERT_NE(child, nullptr);
  EXPECT_EQ(refused, nullptr);
  ASSERT_EQ(created.size(), 3u);
  EXPECT_EQ(created[0].hwnd, top);
  EXPECT_EQ(created[1].hwnd, child);
  EXPECT_EQ(created[1].style & static_cast<LONG>(WS_CHILD), static_cast<LONG>(WS_CHILD));
  // The refused window got no message at all and is not the parent's child.
  EXPECT_TRUE(Log().empty());
  EXPECT_FALSE(IsWindow(created[2].hwnd));
  EXPECT_FALSE(IsChild(top, created[2].hwnd));

  // What the hook changes is what the window gets.
  widened_to = 77;
  on_message_ = [&](HWND, UINT message, WPARAM, LPARAM lparam, LRESULT*) {
    if (message == WM_CREATE) {
      EXPECT_EQ(reinterpret_cast<CREATESTRUCTA*>(lparam)->cx, 77);
    }
    return false;
  };
  HWND changed = CreateWindowExA(0, kClass, "changed", 0, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(changed, nullptr);
  EXPECT_EQ(Log(WM_CREATE).size(), 1u);
  EXPECT_TRUE(GetWindowLongA(changed, GWL_STYLE) & static_cast<LONG>(WS_DISABLED));

  // Destruction: refused once, then allowed.
  refused_name = "destroy";
  EXPECT_FALSE(DestroyWindow(changed));
  EXPECT_TRUE(IsWindow(changed));
  refused_name.clear();
  EXPECT_TRUE(DestroyWindow(changed));
  EXPECT_EQ(destroyed, (std::vector<HWND>{changed, changed}));
  DestroyWindow(top);
  widened_to = 0;
}

namespace {

std::vector<std::string> around;

LRESULT CallWndProcHook(int code, WPARAM wparam, LPARAM lparam) {
  auto* cwp = reinterpret_cast<CWPSTRUCT*>(lparam);
  if (cwp->message == WM_USER)
    around.push_back("before " + std::to_string(cwp->wParam) + (wparam ? " here" : ""));
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
LRESULT CallWndRetHook(int code, WPARAM wparam, LPARAM lparam) {
  auto* ret = reinterpret_cast<CWPRETSTRUCT*>(lparam);
  if (ret->message == WM_USER) around.push_back("after " + std::to_string(ret->lResult));
  return CallNextHookEx(nullptr, code, wparam, lparam);
}
LRESULT GetMessageHook(int code, WPARAM wparam, LPARAM lparam) {
  auto* msg = reinterpret_cast<MSG*>(lparam);
  if (msg->message == WM_USER + 1) {
    around.push_back(wparam == PM_REMOVE ? "got removed" : "got peeked");
    msg->wParam = 99;  // the hook may change what the caller retrieves
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

}  // namespace

TEST_F(Hooks, SentMessagesPassTheCallHooksAndRetrievedOnesTheGetMessageHook) {
  around.clear();
  HWND hwnd = Make();
  on_message_ = [&](HWND, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
    if (message != WM_USER) return false;
    around.push_back("proc");
    *result = static_cast<LRESULT>(wparam) * 2;
    return true;
  };
  Install(WH_CALLWNDPROC, CallWndProcHook);
  Install(WH_CALLWNDPROCRET, CallWndRetHook);
  Install(WH_GETMESSAGE, GetMessageHook);

  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 21, 0), 42);
  EXPECT_EQ(around, (std::vector<std::string>{"before 21 here", "proc", "after 42"}));

  // From another thread: the hooks run on the window's thread, not marked as sent from here.
  around.clear();
  std::thread sender([hwnd] { SendMessageA(hwnd, WM_USER, 5, 0); });
  while (around.size() < 3) WaitMessage();
  sender.join();
  EXPECT_EQ(around, (std::vector<std::string>{"before 5", "proc", "after 10"}));

  // Posted messages are dispatched without the call hooks.
  around.clear();
  PostMessageA(hwnd, WM_USER, 3, 0);
  PostMessageA(hwnd, WM_USER + 1, 1, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_USER, WM_USER, PM_REMOVE));
  DispatchMessageA(&msg);
  ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_USER + 1, WM_USER + 1, PM_NOREMOVE));
  EXPECT_EQ(msg.wParam, 99u);
  ASSERT_GT(GetMessageA(&msg, hwnd, WM_USER + 1, WM_USER + 1), 0);
  EXPECT_EQ(msg.wParam, 99u);
  EXPECT_EQ(around, (std::vector<std::string>{"proc", "got peeked", "got removed"}));
}

TEST_F(Hooks, ThreadHooksRunOnlyOnTheirThread) {
  InstallABC(WH_MSGFILTER);
  std::thread other([] {
    MSG msg;
    CallMsgFilterA(&msg, MSGF_MENU);
  });
  other.join();
  EXPECT_TRUE(calls.empty());

  // A process-wide hook runs on every thread.
  HHOOK everywhere = SetWindowsHookExA(WH_MSGFILTER, HookC, nullptr, 0);
  ASSERT_NE(everywhere, nullptr);
  std::thread again([] {
    MSG msg;
    CallMsgFilterA(&msg, MSGF_MENU);
  });
  again.join();
  EXPECT_EQ(calls, (std::vector<std::string>{"C"}));
  UnhookWindowsHookEx(everywhere);
}

TEST_F(Hooks, BadInstallationsFail) {
  struct Case {
    int id;
    HOOKPROC proc;
    LONG error;
  };
  const Case cases[] = {
      {WH_CBT, nullptr, ERROR_INVALID_FILTER_PROC},
      {99, HookA, ERROR_INVALID_HOOK_FILTER},
  };
  for (const Case& c : cases) {
    SetLastError(0);
    EXPECT_EQ(SetWindowsHookExA(c.id, c.proc, nullptr, GetCurrentThreadId()), nullptr) << c.id;
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(c.error)) << c.id;
  }
  EXPECT_EQ(CallNextHookEx(nullptr, 0, 0, 0), 0);  // outside any chain
  EXPECT_FALSE(CallMsgFilterA(nullptr, MSGF_MENU));
}
