#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Button.h"
#include "platform/user/Focus.h"

using namespace plat;

namespace {

class Button : public usertest::ControlTest {};

struct ClickCase {
  DWORD kind;
  int clicks;
  LRESULT check;
};

TEST_F(Button, ClicksMoveTheCheckStateByKindAndAlwaysNotify) {
  const ClickCase cases[] = {
      {BS_AUTOCHECKBOX, 1, BST_CHECKED},     {BS_AUTOCHECKBOX, 2, BST_UNCHECKED},
      {BS_AUTO3STATE, 2, BST_INDETERMINATE}, {BS_AUTO3STATE, 3, BST_UNCHECKED},
      {BS_CHECKBOX, 1, BST_UNCHECKED},       {BS_PUSHBUTTON, 1, BST_UNCHECKED},
  };
  for (const ClickCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << ", clicks " << c.clicks);
    notices_.clear();
    HWND button = Child(WC_BUTTONA, "Option", c.kind, 10, 10, 120, 20, 7);
    for (int i = 0; i < c.clicks; ++i) Click(button, 5, 5);
    EXPECT_EQ(SendMessageA(button, BM_GETCHECK, 0, 0), c.check);
    ASSERT_EQ(Commands().size(), static_cast<size_t>(c.clicks));
    EXPECT_EQ(Commands()[0], (usertest::Notice{WM_COMMAND, BN_CLICKED, 7, button}));
    DestroyWindow(button);
  }
}

TEST_F(Button, PressFollowsTheMouseAndOnlyAReleaseInsideClicks) {
  HWND button = Child(WC_BUTTONA, "Go", BS_PUSHBUTTON, 10, 10, 80, 24);
  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  EXPECT_EQ(GetCapture(), button);
  EXPECT_EQ(GetFocus(), button);
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0), BST_PUSHED | BST_FOCUS);
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(200, 5));
  EXPECT_EQ(SendMessageA(button, BM_GETSTATE, 0, 0) & BST_PUSHED, 0);
  SendMessageA(button, WM_LBUTTONUP, 0, At(200, 5));
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(Commands().empty());

  SendMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(200, 5));
  SendMessageA(button, WM_MOUSEMOVE, MK_LBUTTON, At(6, 6));
  SendMessageA(button, WM_LBUTTONUP, 0, At(6, 6));
  EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(Button, InjectedClickTogglesACheckBox) {
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  HWND box = Child(WC_BUTTONA, "Check", BS_AUTOCHECKBOX, 10, 10, 120, 20, 8);
  auto pump = [] {
    user::PumpBackendEvents(0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  };
  screen->InjectMouseMove(POINT{100 + 15, 100 + 15});
  screen->InjectMouseButton(backend::MouseButton::Left, true);
  pump();
  EXPECT_EQ(GetCapture(), box);
  EXPECT_TRUE(SendMessageA(box, BM_GETSTATE, 0, 0) & BST_PUSHED);
  screen->InjectMouseButton(backend::MouseButton::Left, false);
  pump();
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Commands(), (std::vector<usertest::Notice>{{WM_COMMAND, BN_CLICKED, 8, box}}));
}

TEST_F(Button, SpaceKeyPushesAndClicksOnRelease) {
  HWND box = Child(WC_BUTTONA, "Check", BS_AUTOCHECKBOX, 10, 10, 120, 20);
  SetFocus(box);
  SendMessageA(box, WM_KEYDOWN, VK_SPACE, 1);
  EXPECT_TRUE(SendMessageA(box, BM_GETSTATE, 0, 0) & BST_PUSHED);
  EXPECT_TRUE(Commands().empty());
  SendMessageA(box, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
  EXPECT_EQ(SendMessageA(box, BM_GETSTATE, 0, 0), BST_CHECKED | BST_FOCUS);
  EXPECT_EQ(Commands().size(), 1u);
  // Losing the focus while the key is down cancels the click.
  SendMessageA(box, WM_KEYDOWN, VK_SPACE, 1);
  SetFocus(parent_);
  SendMessageA(box, WM_KEYUP, VK_SPACE, static_cast<LPARAM>(0xC0000001u));
  EXPECT_EQ(SendMessageA(box, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(Commands().size(), 1u);
}

TEST_F(Button, AutoRadioButtonClearsOnlyItsOwnGroup) {
  HWND a = Child(WC_BUTTONA, "A", BS_AUTORADIOBUTTON | WS_GROUP, 10, 10, 80, 20, 1);
  HWND b = Child(WC_BUTTONA, "B", BS_AUTORADIOBUTTON, 10, 30, 80, 20, 2);
  HWND c = Child(WC_BUTTONA, "C", BS_AUTORADIOBUTTON, 10, 50, 80, 20, 3);
  HWND other = Child(WC_BUTTONA, "D", BS_AUTORADIOBUTTON | WS_GROUP, 10, 70, 80, 20, 4);
  SendMessageA(a, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(c, BM_SETCHECK, BST_CHECKED, 0);
  SendMessageA(other, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_TRUE(Commands().empty()) << "setting a check from code notifies nothing";
  Click(b, 5, 5);
  EXPECT_EQ(SendMessageA(a, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(b, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageA(c, BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(other, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_TRUE(GetWindowLongA(b, GWL_STYLE) & WS_TABSTOP) << "the checked button is the group's tab stop";
  EXPECT_EQ(Commands(), (std::vector<usertest::Notice>{{WM_COMMAND, BN_CLICKED, 2, b}}));
  EXPECT_EQ(SendMessageA(b, WM_GETDLGCODE, 0, 0), DLGC_BUTTON | DLGC_RADIOBUTTON);
}

TEST_F(Button, DialogHelpersCheckByIdentifier) {
  Child(WC_BUTTONA, "A", BS_RADIOBUTTON, 10, 10, 80, 20, 11);
  Child(WC_BUTTONA, "B", BS_RADIOBUTTON, 10, 30, 80, 20, 12);
  HWND check = Child(WC_BUTTONA, "C", BS_3STATE, 10, 50, 80, 20, 13);
  EXPECT_TRUE(CheckRadioButton(parent_, 11, 12, 12));
  EXPECT_EQ(IsDlgButtonChecked(parent_, 11), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(parent_, 12), BST_CHECKED);
  EXPECT_TRUE(CheckDlgButton(parent_, 13, BST_INDETERMINATE));
  EXPECT_EQ(SendMessageA(check, BM_GETCHECK, 0, 0), BST_INDETERMINATE);
  EXPECT_FALSE(CheckDlgButton(parent_, 99, BST_CHECKED));
}

TEST_F(Button, CheckMarkAndPushedFaceArePainted) {
  HWND box = Child(WC_BUTTONA, "", BS_CHECKBOX, 0, 0, 60, 13);
  // The box is the 13-pixel square at the left; the tick's middle column runs through (6, 7).
  EXPECT_EQ(Snapshot(box).At(6, 7), GetSysColor(COLOR_WINDOW));
  SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
  EXPECT_EQ(Snapshot(box).At(6, 7), GetSysColor(COLOR_WINDOWTEXT));
  EXPECT_EQ(Snapshot(box).At(0, 0), GetSysColor(COLOR_3DSHADOW)) << "sunken box edge";

  HWND push = Child(WC_BUTTONA, "", BS_PUSHBUTTON, 0, 20, 60, 24);
  EXPECT_EQ(Snapshot(push).At(1, 1), GetSysColor(COLOR_3DHILIGHT));
  SendMessageA(push, BM_SETSTATE, TRUE, 0);
  EXPECT_EQ(Snapshot(push).At(0, 0), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(Snapshot(push).At(1, 1), GetSysColor(COLOR_3DFACE));
  EXPECT_EQ(SendMessageA(push, BM_GETSTATE, 0, 0), BST_PUSHED);
}

TEST_F(Button, ParentColoursTheBackground) {
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  on_parent_ = [&](UINT message, WPARAM, LPARAM, LRESULT* result) {
    if (message != WM_CTLCOLORSTATIC) return false;
    *result = reinterpret_cast<LRESULT>(red);
    return true;
  };
  HWND box = Child(WC_BUTTONA, "", BS_AUTOCHECKBOX, 0, 0, 60, 20);
  EXPECT_EQ(Snapshot(box).At(40, 10), RGB(255, 0, 0));
  on_parent_ = nullptr;
  DeleteObject(red);
}

}  // namespace
