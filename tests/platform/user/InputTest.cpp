#include <gtest/gtest.h>

#include <memory>

#include "UserTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Cursor.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"

using namespace plat;
using backend::HeadlessBackend;
using backend::MouseButton;

namespace {

struct Posted {
  HWND hwnd;
  UINT message;
  WPARAM wparam;
  LPARAM lparam;
};

// A top-level window at (100, 100) of 200 x 150 on the headless screen with
// children made by the tests; input is pumped and dispatched like a message loop.
class Input : public usertest::RecordingClass {
 protected:
  void SetUp() override {
    RecordingClass::SetUp();
    screen_ = dynamic_cast<HeadlessBackend*>(&backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    clock::UseManual();
    on_message_ = [this](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT* result) {
      if (message != WM_NCHITTEST) return false;
      *result = hwnd == transparent_ ? HTTRANSPARENT : HTCLIENT;
      return true;
    };
    top_ = At(nullptr, WS_POPUP | WS_VISIBLE, 100, 100, 200, 150);
    backend::WindowParams params;
    params.rect = RECT{100, 100, 300, 250};
    params.visible = true;
    screen_->OpenWindow(top_, params);
    Pump();
  }
  void TearDown() override {
    if (screen_) {
      ReleaseCapture();
      screen_->CloseWindow(top_);
      Pump();
      DestroyWindow(top_);
      clock::UseReal();
    }
    RecordingClass::TearDown();
  }

  HWND At(HWND parent, DWORD style, int x, int y, int width, int height, const char* class_name = kClass) {
    HWND hwnd =
        CreateWindowExA(0, class_name, "", style, x, y, width, height, parent, nullptr, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
  }

  // Turns pending input into messages and dispatches them; returns the input messages seen.
  std::vector<Posted> Pump() {
    user::PumpBackendEvents(0);
    std::vector<Posted> seen;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if ((msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
          (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
          (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK) ||
          msg.message == WM_MOUSELEAVE)
        seen.push_back({msg.hwnd, msg.message, msg.wParam, msg.lParam});
      DispatchMessageA(&msg);
    }
    return seen;
  }
  static std::vector<Posted> Only(const std::vector<Posted>& all, UINT message) {
    std::vector<Posted> out;
    for (auto& p : all)
      if (p.message == message) out.push_back(p);
    return out;
  }

  HeadlessBackend* screen_ = nullptr;
  HWND top_ = nullptr;
  HWND transparent_ = nullptr;
};

}  // namespace

TEST_F(Input, ClickReachesTheChildUnderThePointInClientCoordinates) {
  HWND a = At(top_, WS_CHILD | WS_VISIBLE, 10, 10, 50, 50);
  HWND b = At(top_, WS_CHILD | WS_VISIBLE, 100, 10, 50, 50);
  Pump();
  screen_->InjectClick(POINT{125, 130});
  auto seen = Pump();
  auto downs = Only(seen, WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, a);
  EXPECT_EQ(GET_X_LPARAM(downs[0].lparam), 15);
  EXPECT_EQ(GET_Y_LPARAM(downs[0].lparam), 20);
  EXPECT_EQ(downs[0].wparam, MK_LBUTTON);
  EXPECT_EQ(Only(seen, WM_LBUTTONUP).size(), 1u);
  EXPECT_EQ(Log(WM_SETCURSOR).front().hwnd, a);
  // The click activated the window and the default procedure gave it the focus.
  EXPECT_EQ(GetActiveWindow(), top_);

  // Between the children the parent gets it; a child answering HTTRANSPARENT passes it on.
  screen_->InjectClick(POINT{180, 180});
  seen = Pump();
  ASSERT_EQ(Only(seen, WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Only(seen, WM_LBUTTONDOWN)[0].hwnd, top_);
  transparent_ = b;
  screen_->InjectClick(POINT{210, 120});
  seen = Pump();
  ASSERT_EQ(Only(seen, WM_LBUTTONDOWN).size(), 1u);
  EXPECT_EQ(Only(seen, WM_LBUTTONDOWN)[0].hwnd, top_);
}

TEST_F(Input, CaptureKeepsTheMouseOutsideTheWindow) {
  HWND a = At(top_, WS_CHILD | WS_VISIBLE, 10, 10, 50, 50);
  screen_->InjectMouseMove(POINT{120, 120});
  Pump();
  EXPECT_EQ(SetCapture(a), nullptr);
  EXPECT_EQ(GetCapture(), a);
  screen_->InjectMouseMove(POINT{700, 20});
  auto moves = Only(Pump(), WM_MOUSEMOVE);
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0].hwnd, a);
  EXPECT_EQ(GET_X_LPARAM(moves[0].lparam), 700 - 110);
  EXPECT_EQ(GET_Y_LPARAM(moves[0].lparam), 20 - 110);

  HWND b = At(top_, WS_CHILD | WS_VISIBLE, 100, 10, 50, 50);
  ClearLog();
  SetCapture(b);
  auto changed = Log(WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].hwnd, a);
  ClearLog();
  EXPECT_TRUE(ReleaseCapture());
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(Log(WM_CAPTURECHANGED).size(), 1u);
  screen_->InjectMouseMove(POINT{700, 20});
  EXPECT_TRUE(Only(Pump(), WM_MOUSEMOVE).empty());
}

namespace {

std::vector<UINT> double_class_log;
LRESULT DoubleClickProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCHITTEST) return HTCLIENT;
  if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN ||
      message == WM_RBUTTONDBLCLK)
    double_class_log.push_back(message);
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

TEST_F(Input, DoubleClicksByTimeDistanceButtonAndClass) {
  WNDCLASSA wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = DoubleClickProc;
  wc.lpszClassName = "QuellixDoubleClicks";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND with = At(top_, WS_CHILD | WS_VISIBLE, 10, 10, 80, 80, "QuellixDoubleClicks");
  HWND without = At(top_, WS_CHILD | WS_VISIBLE, 110, 10, 80, 80);
  struct Case {
    const char* name;
    HWND hwnd;
    int wait_ms;
    int dx;
    MouseButton second;
    bool expected;
  };
  const Case cases[] = {
      {"quick and still", with, 100, 0, MouseButton::Left, true},
      {"at the time limit", with, 500, 0, MouseButton::Left, true},
      {"too late", with, 501, 0, MouseButton::Left, false},
      {"moved two pixels", with, 100, 2, MouseButton::Left, true},
      {"moved three pixels", with, 100, 3, MouseButton::Left, false},
      {"other button", with, 100, 0, MouseButton::Right, false},
  };
  for (const Case& c : cases) {
    double_class_log.clear();
    clock::AdvanceMs(2000);  // no press before this case counts
    screen_->InjectClick(POINT{130, 130});
    Pump();
    clock::AdvanceMs(c.wait_ms);
    screen_->InjectClick(POINT{130 + c.dx, 130}, c.second);
    Pump();
    const UINT second = c.second == MouseButton::Left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
    std::vector<UINT> expected = {WM_LBUTTONDOWN, c.expected ? WM_LBUTTONDBLCLK : second};
    EXPECT_EQ(double_class_log, expected) << c.name;
  }
  // A class without CS_DBLCLKS gets two plain presses.
  clock::AdvanceMs(2000);
  screen_->InjectClick(POINT{230, 130});
  screen_->InjectClick(POINT{230, 130});
  auto seen = Pump();
  EXPECT_EQ(Only(seen, WM_LBUTTONDOWN).size(), 2u);
  EXPECT_TRUE(Only(seen, WM_LBUTTONDBLCLK).empty());
  DestroyWindow(with);
  DestroyWindow(without);
  UnregisterClassA("QuellixDoubleClicks", nullptr);
}

TEST_F(Input, DisabledWindowsGetNoInput) {
  HWND child = At(top_, WS_CHILD | WS_VISIBLE | WS_DISABLED, 10, 10, 50, 50);
  screen_->InjectClick(POINT{120, 120});
  auto downs = Only(Pump(), WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, top_);  // the parent, not the disabled child

  SetFocus(top_);
  SetWindowLongA(top_, GWL_STYLE, GetWindowLongA(top_, GWL_STYLE) | static_cast<LONG>(WS_DISABLED));
  screen_->InjectClick(POINT{120, 120});
  screen_->InjectKey(VK_RETURN, true);
  screen_->InjectKey(VK_RETURN, false);
  EXPECT_TRUE(Pump().empty());
  EXPECT_EQ(SetFocus(child), nullptr);
  SetWindowLongA(top_, GWL_STYLE, GetWindowLongA(top_, GWL_STYLE) & ~static_cast<LONG>(WS_DISABLED));
}

// A modal dialog disables its owner: the owner's controls take no click, and
// the click brings the active dialog forward instead.
TEST_F(Input, ADisabledTopLevelWindowBlocksItsControlsAndShowsItsModalDialog) {
  HWND button = At(top_, WS_CHILD | WS_VISIBLE, 10, 10, 50, 50);
  HWND dialog = At(nullptr, WS_POPUP | WS_CAPTION | WS_VISIBLE, 400, 100, 100, 100);
  backend::WindowParams params;
  params.rect = RECT{400, 100, 500, 200};
  params.visible = true;
  screen_->OpenWindow(dialog, params);
  SetActiveWindow(dialog);
  EnableWindow(top_, FALSE);
  screen_->Raise(top_);
  Pump();
  ASSERT_EQ(screen_->WindowAt(POINT{120, 120}), top_);

  screen_->InjectClick(POINT{120, 120});
  EXPECT_TRUE(Pump().empty()) << "the enabled button of a disabled window took the click";
  EXPECT_TRUE(Log(WM_LBUTTONDOWN).empty());
  EXPECT_EQ(GetActiveWindow(), dialog);
  EXPECT_EQ(screen_->ZOrder().front(), dialog) << "the dialog came forward";
  (void)button;
  EnableWindow(top_, TRUE);
  screen_->CloseWindow(dialog);
  DestroyWindow(dialog);
}

// The click goes to the window the desktop shows under the pointer, whatever
// order the layer keeps.
TEST_F(Input, AClickGoesToTheWindowTheDesktopShowsThere) {
  HWND over = At(nullptr, WS_POPUP | WS_VISIBLE, 150, 150, 100, 100);
  SetWindowPos(over, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  backend::WindowParams params;
  params.rect = RECT{150, 150, 250, 250};
  params.visible = true;
  screen_->OpenWindow(over, params);
  // The desktop stacks it under the other window, though the layer keeps it on top.
  screen_->SetTopmost(over, false);
  screen_->Raise(top_);
  Pump();
  ASSERT_EQ(screen_->WindowAt(POINT{160, 160}), top_);
  screen_->InjectClick(POINT{160, 160});
  auto downs = Only(Pump(), WM_LBUTTONDOWN);
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0].hwnd, top_);
  screen_->CloseWindow(over);
  DestroyWindow(over);
}

TEST_F(Input, TrackedWindowHearsTheMouseLeave) {
  HWND a = At(top_, WS_CHILD | WS_VISIBLE, 10, 10, 50, 50);
  screen_->InjectMouseMove(POINT{120, 120});
  Pump();
  TRACKMOUSEEVENT track;
  track.dwFlags = TME_LEAVE;
  track.hwndTrack = a;
  EXPECT_TRUE(TrackMouseEvent(&track));
  screen_->InjectMouseMove(POINT{125, 125});
  EXPECT_TRUE(Only(Pump(), WM_MOUSELEAVE).empty());
  screen_->InjectMouseMove(POINT{250, 200});
  auto leaves = Only(Pump(), WM_MOUSELEAVE);
  ASSERT_EQ(leaves.size(), 1u);
  EXPECT_EQ(leaves[0].hwnd, a);
  // Tracking ends with the notice; asking while outside gets one at once.
  screen_->InjectMouseMove(POINT{251, 200});
  EXPECT_TRUE(Only(Pump(), WM_MOUSELEAVE).empty());
  EXPECT_TRUE(TrackMouseEvent(&track));
  EXPECT_EQ(Only(Pump(), WM_MOUSELEAVE).size(), 1u);
}

TEST_F(Input, KeysReachTheFocusWithTheirBitsAndStates) {
  SetFocus(top_);
  ASSERT_EQ(GetFocus(), top_);
  screen_->InjectKey('A', true);
  screen_->InjectKey('A', true);  // held: auto-repeat
  auto seen = Pump();
  EXPECT_LT(GetKeyState('A'), 0);
  EXPECT_LT(GetAsyncKeyState('A'), 0);
  screen_->InjectKey('A', false);
  screen_->InjectText("a\xC3\xA9");  // a, e acute
  seen = [&] {
    auto more = Pump();
    seen.insert(seen.end(), more.begin(), more.end());
    return seen;
  }();
  auto downs = Only(seen, WM_KEYDOWN);
  ASSERT_EQ(downs.size(), 2u);
  EXPECT_EQ(downs[0].hwnd, top_);
  EXPECT_EQ(downs[0].wparam, static_cast<WPARAM>('A'));
  EXPECT_EQ(downs[0].lparam & 0xFFFF, 1);
  EXPECT_EQ(downs[0].lparam & KF_REPEAT_BIT, 0);
  EXPECT_NE(downs[1].lparam & KF_REPEAT_BIT, 0);
  EXPECT_NE((downs[0].lparam >> 16) & 0xFF, 0);  // the scan code
  auto ups = Only(seen, WM_KEYUP);
  ASSERT_EQ(ups.size(), 1u);
  EXPECT_NE(ups[0].lparam & KF_UP_BIT, 0);
  EXPECT_NE(ups[0].lparam & KF_REPEAT_BIT, 0);
  auto chars = Only(seen, WM_CHAR);
  ASSERT_EQ(chars.size(), 2u);
  EXPECT_EQ(chars[0].wparam, static_cast<WPARAM>('a'));
  EXPECT_EQ(chars[1].wparam, 0xE9u);
  EXPECT_GE(GetKeyState('A'), 0);
  EXPECT_EQ(GetKeyState('A') & 1, 1);  // toggled by one press

  // With Alt held keys are system keys.
  screen_->InjectKey(VK_MENU, true);
  screen_->InjectKey('F', true);
  screen_->InjectKey('F', false);
  screen_->InjectKey(VK_MENU, false);
  seen = Pump();
  auto sys = Only(seen, WM_SYSKEYDOWN);
  ASSERT_EQ(sys.size(), 2u);
  EXPECT_EQ(sys[1].wparam, static_cast<WPARAM>('F'));
  EXPECT_NE(sys[1].lparam & KF_ALTDOWN_BIT, 0);
  BYTE keys[256];
  ASSERT_TRUE(GetKeyboardState(keys));
  EXPECT_EQ(keys[VK_MENU] & 0x80, 0);
}

namespace {

LRESULT CursorProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

TEST_F(Input, DefaultSetCursorFollowsTheHitTestCode) {
  WNDCLASSA wc;
  wc.lpfnWndProc = CursorProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_IBEAM);
  wc.lpszClassName = "QuellixCursorClass";
  ASSERT_TRUE(RegisterClassA(&wc));
  HWND hwnd = At(nullptr, WS_POPUP, 0, 0, 10, 10, "QuellixCursorClass");
  struct Case {
    LRESULT hit;
    const char* cursor;
    backend::CursorShape shape;
  };
  const Case cases[] = {
      {HTCLIENT, IDC_IBEAM, backend::CursorShape::IBeam},
      {HTLEFT, IDC_SIZEWE, backend::CursorShape::SizeWE},
      {HTRIGHT, IDC_SIZEWE, backend::CursorShape::SizeWE},
      {HTTOP, IDC_SIZENS, backend::CursorShape::SizeNS},
      {HTBOTTOM, IDC_SIZENS, backend::CursorShape::SizeNS},
      {HTTOPLEFT, IDC_SIZENWSE, backend::CursorShape::SizeNWSE},
      {HTBOTTOMRIGHT, IDC_SIZENWSE, backend::CursorShape::SizeNWSE},
      {HTTOPRIGHT, IDC_SIZENESW, backend::CursorShape::SizeNESW},
      {HTBOTTOMLEFT, IDC_SIZENESW, backend::CursorShape::SizeNESW},
      {HTCAPTION, IDC_ARROW, backend::CursorShape::Arrow},
  };
  for (const Case& c : cases) {
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    EXPECT_TRUE(SendMessageA(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd),
                             MAKELPARAM(static_cast<WORD>(c.hit), WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, c.cursor)) << c.hit;
    EXPECT_EQ(screen_->Cursor(), c.shape) << c.hit;
  }
  DestroyWindow(hwnd);
  UnregisterClassA("QuellixCursorClass", nullptr);
}

TEST_F(Input, CursorTableAndPointer) {
  HCURSOR arrow = LoadCursorA(nullptr, IDC_ARROW);
  ASSERT_NE(arrow, nullptr);
  EXPECT_EQ(LoadCursorA(nullptr, IDC_ARROW), arrow);  // shared
  EXPECT_EQ(LoadCursorA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
  const BYTE and_plane[2 * 2] = {0x7F, 0xFF, 0xFF, 0xFF};  // top-left pixel drawn
  const BYTE xor_plane[2 * 2] = {0x80, 0x00, 0x00, 0x00};  // white
  HCURSOR drawn = CreateCursor(nullptr, 1, 0, 2, 2, and_plane, xor_plane);
  ASSERT_NE(drawn, nullptr);
  SetCursor(arrow);
  EXPECT_EQ(SetCursor(drawn), arrow);
  auto image = screen_->CustomCursor();
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->pixels, (std::vector<uint32_t>{0xFFFFFFFF, 0, 0, 0}));
  EXPECT_EQ(image->hot_spot.x, 1);
  EXPECT_EQ(SetCursor(arrow), drawn);
  EXPECT_TRUE(DestroyCursor(drawn));
  EXPECT_EQ(ShowCursor(FALSE), -1);
  EXPECT_EQ(ShowCursor(TRUE), 0);

  RECT clip{10, 10, 20, 20};
  EXPECT_TRUE(ClipCursor(&clip));
  RECT got;
  EXPECT_TRUE(GetClipCursor(&got));
  EXPECT_EQ(got.right, 20);
  EXPECT_TRUE(SetCursorPos(50, 5));
  POINT pos;
  EXPECT_TRUE(GetCursorPos(&pos));
  EXPECT_EQ(pos.x, 19);
  EXPECT_EQ(pos.y, 10);
  EXPECT_TRUE(ClipCursor(nullptr));
}
