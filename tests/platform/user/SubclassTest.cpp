#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "UserTestSupport.h"
#include "platform/user/Subclass.h"

using namespace plat;

namespace {

// Every handler writes its id; ref data tells it what else to do.
std::vector<std::string> seen;
enum : DWORD_PTR { kPass = 0, kRemoveSelf = 1, kAnswer = 2 };

LRESULT Handler(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id, DWORD_PTR ref) {
  if (message == WM_USER) seen.push_back(std::string(1, static_cast<char>('A' + id)));
  if (message == WM_NCDESTROY) seen.push_back(std::string(1, static_cast<char>('A' + id)) + " ends");
  if (message == WM_USER && ref == kRemoveSelf) RemoveWindowSubclass(hwnd, Handler, id);
  if (message == WM_USER && ref == kAnswer) return 1000 + static_cast<LRESULT>(id);
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

class Subclassing : public usertest::RecordingClass {
 protected:
  void SetUp() override {
    RecordingClass::SetUp();
    seen.clear();
    on_message_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT* result) {
      if (message != WM_USER) return false;
      seen.push_back("window");
      *result = 7;
      return true;
    };
  }
  std::vector<std::string> Send(HWND hwnd) {
    seen.clear();
    SendMessageA(hwnd, WM_USER, 0, 0);
    return seen;
  }
};

std::vector<std::string> Expected(const std::string& handlers) {
  std::vector<std::string> out;
  for (char c : handlers) out.push_back(std::string(1, c));
  out.push_back("window");
  return out;
}

}  // namespace

TEST_F(Subclassing, HandlersLeaveInAnyOrderWithoutBreakingTheOthers) {
  // A, B and C join in that order, so the chain runs C, B, A.
  struct Case {
    std::string leave;  // in this order
    std::vector<std::string> after_each;
  };
  const Case cases[] = {
      {"ABC", {"CB", "C", ""}}, {"CBA", {"BA", "A", ""}}, {"BAC", {"CA", "C", ""}},
      {"BCA", {"CA", "A", ""}}, {"ACB", {"CB", "B", ""}}, {"CAB", {"BA", "B", ""}},
  };
  for (const Case& c : cases) {
    HWND hwnd = Make();
    for (UINT_PTR id : {0, 1, 2}) ASSERT_TRUE(SetWindowSubclass(hwnd, Handler, id, kPass));
    EXPECT_EQ(Send(hwnd), Expected("CBA"));
    for (size_t i = 0; i < c.leave.size(); ++i) {
      EXPECT_TRUE(RemoveWindowSubclass(hwnd, Handler, static_cast<UINT_PTR>(c.leave[i] - 'A')));
      EXPECT_EQ(Send(hwnd), Expected(c.after_each[i])) << "leaving " << c.leave << " step " << i;
    }
    EXPECT_FALSE(RemoveWindowSubclass(hwnd, Handler, 0));
    DestroyWindow(hwnd);
  }
}

TEST_F(Subclassing, AHandlerLeavingDuringItsCallKeepsTheChainWhole) {
  HWND hwnd = Make();
  SetWindowSubclass(hwnd, Handler, 0, kPass);
  SetWindowSubclass(hwnd, Handler, 1, kRemoveSelf);
  SetWindowSubclass(hwnd, Handler, 2, kPass);
  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 7);
  EXPECT_EQ(seen, Expected("CBA"));
  EXPECT_FALSE(GetWindowSubclass(hwnd, Handler, 1, nullptr));
  EXPECT_EQ(Send(hwnd), Expected("CA"));

  // Joining again replaces the data and keeps the place.
  DWORD_PTR ref = 5;
  EXPECT_TRUE(SetWindowSubclass(hwnd, Handler, 0, kAnswer));
  EXPECT_TRUE(GetWindowSubclass(hwnd, Handler, 0, &ref));
  EXPECT_EQ(ref, kAnswer);
  seen.clear();
  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 1000);
  EXPECT_EQ(seen, (std::vector<std::string>{"C", "A"}));
}

namespace {

WNDPROC previous_proc = nullptr;

LRESULT Replacement(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_USER) seen.push_back("replacement");
  return CallWindowProcA(previous_proc, hwnd, message, wparam, lparam);
}

}  // namespace

TEST_F(Subclassing, ChainEndsInTheCurrentProcedureAfterAReplacement) {
  HWND hwnd = Make();
  SetWindowSubclass(hwnd, Handler, 0, kPass);
  previous_proc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Replacement)));
  ASSERT_NE(previous_proc, nullptr);
  EXPECT_EQ(GetWindowLongPtrA(hwnd, GWLP_WNDPROC), reinterpret_cast<LONG_PTR>(Replacement));
  SetWindowSubclass(hwnd, Handler, 1, kPass);
  EXPECT_EQ(Send(hwnd), (std::vector<std::string>{"B", "A", "replacement", "window"}));

  // Posted messages take the same way.
  seen.clear();
  PostMessageA(hwnd, WM_USER, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, hwnd, 0, 0, PM_REMOVE));
  EXPECT_EQ(DispatchMessageA(&msg), 7);
  EXPECT_EQ(seen, (std::vector<std::string>{"B", "A", "replacement", "window"}));

  // Giving back the old procedure leaves the chain in front of it.
  SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous_proc));
  EXPECT_EQ(Send(hwnd), Expected("BA"));
}

TEST_F(Subclassing, HandlersSeeNcDestroyThenTheChainIsGone) {
  HWND hwnd = Make();
  HWND child = Make(hwnd, WS_CHILD);
  SetWindowSubclass(hwnd, Handler, 0, kPass);
  SetWindowSubclass(hwnd, Handler, 1, kPass);
  SetWindowSubclass(child, Handler, 2, kPass);
  ClearLog();
  DestroyWindow(hwnd);
  EXPECT_EQ(seen, (std::vector<std::string>{"C ends", "B ends", "A ends"}));
  // The window procedure still got WM_NCDESTROY after the handlers.
  EXPECT_EQ(Log(WM_NCDESTROY).size(), 2u);
  EXPECT_FALSE(GetWindowSubclass(hwnd, Handler, 0, nullptr));
}

TEST_F(Subclassing, OnlyTheWindowsThreadChangesTheChain) {
  HWND hwnd = Make();
  BOOL joined = TRUE;
  std::thread other([&] { joined = SetWindowSubclass(hwnd, Handler, 0, kPass); });
  other.join();
  EXPECT_FALSE(joined);
  EXPECT_FALSE(SetWindowSubclass(nullptr, Handler, 0, kPass));
  EXPECT_FALSE(SetWindowSubclass(hwnd, nullptr, 0, kPass));
  // Outside a handler DefSubclassProc goes to the window procedure.
  EXPECT_EQ(DefSubclassProc(hwnd, WM_USER, 0, 0), 7);
}
