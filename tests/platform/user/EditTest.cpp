#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ControlTestSupport.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/Caret.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Edit.h"
#include "platform/user/Focus.h"
#include "platform/user/ScrollBar.h"

using namespace plat;

namespace {

class Edit : public usertest::ControlTest {
 protected:
  void TearDown() override {
    SetShift(false);
    // The clipboard keeps its data for the process; leave it empty.
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    ControlTest::TearDown();
  }
  HWND Single(const char* text, DWORD style = ES_AUTOHSCROLL) {
    return Child(WC_EDITA, text, WS_BORDER | style, 10, 10, 200, 24, 21);
  }
  static std::string Text(HWND edit) {
    char buffer[256] = {};
    GetWindowTextA(edit, buffer, sizeof(buffer));
    return buffer;
  }
  static std::pair<DWORD, DWORD> Sel(HWND edit) {
    DWORD a = 0, b = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }
  static void SetShift(bool down) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    SetKeyboardState(keys);
  }
  std::vector<WORD> EditCodes() const {
    std::vector<WORD> codes;
    for (const auto& n : Commands()) codes.push_back(n.code);
    return codes;
  }
  static std::string ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE block = GetClipboardData(CF_TEXT)) {
      text = static_cast<const char*>(GlobalLock(block));
      GlobalUnlock(block);
    }
    CloseClipboard();
    return text;
  }
};

TEST_F(Edit, TypingReplacesTheSelectionAndNotifiesUpdateThenChange) {
  HWND edit = Single("Hello world");
  SetFocus(edit);
  notices_.clear();
  SendMessageA(edit, EM_SETSEL, 6, 11);
  EXPECT_EQ(Sel(edit), (std::pair<DWORD, DWORD>{6, 11}));
  Type(edit, "there");
  EXPECT_EQ(Text(edit), "Hello there");
  EXPECT_EQ(Sel(edit), (std::pair<DWORD, DWORD>{11, 11}));
  std::vector<WORD> expected;
  for (int i = 0; i < 5; ++i) expected.insert(expected.end(), {EN_UPDATE, EN_CHANGE});
  EXPECT_EQ(EditCodes(), expected);
  EXPECT_TRUE(SendMessageA(edit, EM_GETMODIFY, 0, 0));
  SendMessageA(edit, WM_CHAR, 0x08, 1);
  EXPECT_EQ(Text(edit), "Hello ther");
  EXPECT_TRUE(SendMessageA(edit, EM_UNDO, 0, 0));
  EXPECT_EQ(Text(edit), "Hello there");
}

TEST_F(Edit, ShiftKeysAndTheMouseExtendTheSelection) {
  HWND edit = Single("abcdef");
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 2, 2);
  SetShift(true);
  Key(edit, VK_RIGHT);
  Key(edit, VK_RIGHT);
  EXPECT_EQ(Sel(edit), (std::pair<DWORD, DWORD>{2, 4}));
  Key(edit, VK_HOME);
  EXPECT_EQ(Sel(edit), (std::pair<DWORD, DWORD>{0, 2})) << "the anchor stays where the selection began";
  SetShift(false);
  Key(edit, VK_END);
  EXPECT_EQ(Sel(edit), (std::pair<DWORD, DWORD>{6, 6}));

  const LRESULT at_b = SendMessageA(edit, EM_POSFROMCHAR, 1, 0);
  const LRESULT at_e = SendMessageA(edit, EM_POSFROMCHAR, 4, 0);
  const int y = HIWORD(static_cast<uintptr_t>(at_b)) + 3;
  SendMessageA(edit, WM_LBUTTONDOWN, MK_LBUTTON, At(LOWORD(static_cast<uintptr_t>(at_b)), y));
  EXPECT_EQ(GetCapture(), edit);
  SendMessageA(edit, WM_MOUSEMOVE, MK_LBUTTON, At(LOWORD(static_cast<uintptr_t>(at_e)), y));
  SendMessageA(edit, WM_LBUTTONUP, 0, At(LOWORD(static_cast<uintptr_t>(at_e)), y));
  EXPECT_EQ(Sel(edit), (std::pair<DWORD, DWORD>{1, 4}));
  EXPECT_EQ(GetCapture(), nullptr);
  POINT caret;
  ASSERT_TRUE(GetCaretPos(&caret));
  EXPECT_EQ(caret.x, LOWORD(static_cast<uintptr_t>(at_e))) << "the caret sits at the moving end";
}

struct FilterCase {
  DWORD style;
  const char* typed;
  const char* result;
};

TEST_F(Edit, StylesFilterWhatIsTyped) {
  const FilterCase cases[] = {
      {ES_AUTOHSCROLL | ES_NUMBER, "1a2", "12"},
      {ES_AUTOHSCROLL | ES_UPPERCASE, "aBc", "ABC"},
      {ES_AUTOHSCROLL | ES_READONLY, "xyz", ""},
      {ES_AUTOHSCROLL, "a\rb", "ab"},
  };
  for (const FilterCase& c : cases) {
    SCOPED_TRACE(c.typed);
    HWND edit = Single("", c.style);
    Type(edit, c.typed);
    EXPECT_EQ(Text(edit), c.result);
    DestroyWindow(edit);
  }
}

TEST_F(Edit, LimitStopsTypingAndReportsMaxText) {
  HWND edit = Single("");
  SendMessageA(edit, EM_LIMITTEXT, 3, 0);
  EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 3);
  Type(edit, "abcd");
  EXPECT_EQ(Text(edit), "abc");
  EXPECT_EQ(EditCodes().back(), EN_MAXTEXT);
}

TEST_F(Edit, PasswordShowsMaskAndKeepsTheTextFromTheClipboard) {
  HWND edit = Single("secret", ES_AUTOHSCROLL | ES_PASSWORD);
  EXPECT_EQ(SendMessageA(edit, EM_GETPASSWORDCHAR, 0, 0), '*');
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, WM_COPY, 0, 0);
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(Text(edit), "secret");
}

TEST_F(Edit, CutCopyPasteAndClearGoThroughTheClipboard) {
  HWND edit = Single("one two");
  SendMessageA(edit, EM_SETSEL, 0, 3);
  SendMessageA(edit, WM_CUT, 0, 0);
  EXPECT_EQ(Text(edit), " two");
  EXPECT_EQ(ClipboardText(), "one");
  SendMessageA(edit, EM_SETSEL, 4, 4);
  SendMessageA(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(edit), " twoone");
  SendMessageA(edit, EM_SETSEL, 0, 1);
  SendMessageA(edit, WM_CLEAR, 0, 0);
  EXPECT_EQ(Text(edit), "twoone");
  // A paste of several lines keeps only the first in a single-line edit.
  ASSERT_TRUE(OpenClipboard(edit));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 8);
  std::memcpy(GlobalLock(block), "x\r\ny", 5);
  GlobalUnlock(block);
  SetClipboardData(CF_TEXT, block);
  CloseClipboard();
  SendMessageA(edit, EM_SETSEL, 0, -1);
  SendMessageA(edit, WM_PASTE, 0, 0);
  EXPECT_EQ(Text(edit), "x");
}

TEST_F(Edit, MultiLineCountsLinesAndTakesReturn) {
  HWND edit =
      Child(WC_EDITA, "first\r\nsecond",
            WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_AUTOHSCROLL | ES_WANTRETURN, 10, 10, 200, 60, 22);
  EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageA(edit, EM_LINEINDEX, 1, 0), 7);
  EXPECT_EQ(SendMessageA(edit, EM_LINELENGTH, 8, 0), 6);
  EXPECT_EQ(SendMessageA(edit, EM_LINEFROMCHAR, 9, 0), 1);
  SendMessageA(edit, EM_SETSEL, -1, -1);
  SendMessageA(edit, EM_SETSEL, 13, 13);
  Type(edit, "\rthird");
  EXPECT_EQ(Text(edit), "first\r\nsecond\r\nthird");
  EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 3);
  char line[16] = {};
  line[0] = sizeof(line) - 1;
  EXPECT_EQ(SendMessageA(edit, EM_GETLINE, 2, reinterpret_cast<LPARAM>(line)), 5);
  EXPECT_EQ(std::string(line, 5), "third");
  Key(edit, VK_UP);
  EXPECT_EQ(SendMessageA(edit, EM_LINEFROMCHAR, static_cast<WPARAM>(-1), 0), 1);
  SendMessageA(edit, WM_CHAR, 0x08, 1);
  SendMessageA(edit, EM_SETSEL, 7, 7);
  SendMessageA(edit, WM_CHAR, 0x08, 1);
  EXPECT_EQ(SendMessageA(edit, EM_GETLINECOUNT, 0, 0), 2) << "backspace takes a whole line break";
}

TEST_F(Edit, MultiLineWrapsWithoutAutoHScrollAndScrolls) {
  HWND edit = Child(WC_EDITA, "", WS_VSCROLL | ES_MULTILINE, 10, 10, 80, 40, 23);
  SetWindowTextA(edit, "aaaa bbbb cccc dddd eeee ffff gggg hhhh");
  const LRESULT lines = SendMessageA(edit, EM_GETLINECOUNT, 0, 0);
  EXPECT_GT(lines, 2);
  EXPECT_FALSE(SendMessageA(edit, EM_GETMODIFY, 0, 0)) << "text set from code is not a modification";
  SendMessageA(edit, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 1);
  EXPECT_EQ(GetScrollPos(edit, SB_VERT), 1);
  SendMessageA(edit, WM_VSCROLL, SB_TOP, 0);
  EXPECT_EQ(SendMessageA(edit, EM_GETFIRSTVISIBLELINE, 0, 0), 0);
}

TEST_F(Edit, FocusNotifiesAndOwnsTheCaret) {
  HWND edit = Single("text");
  SetFocus(edit);
  POINT p;
  EXPECT_TRUE(GetCaretPos(&p));
  SetFocus(parent_);
  EXPECT_FALSE(GetCaretPos(&p));
  EXPECT_EQ(EditCodes(), (std::vector<WORD>{EN_SETFOCUS, EN_KILLFOCUS}));
  EXPECT_EQ(SendMessageA(edit, WM_GETDLGCODE, 0, 0), DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS);
}

TEST_F(Edit, SelectionIsPaintedInHighlightColours) {
  HWND edit = Single("MMMM");
  SetFocus(edit);
  SendMessageA(edit, EM_SETSEL, 0, 2);
  const int x = LOWORD(static_cast<uintptr_t>(SendMessageA(edit, EM_POSFROMCHAR, 0, 0))) + 1;
  const int y = HIWORD(static_cast<uintptr_t>(SendMessageA(edit, EM_POSFROMCHAR, 0, 0))) + 1;
  EXPECT_EQ(Snapshot(edit).At(x, y), GetSysColor(COLOR_HIGHLIGHT));
  SetFocus(parent_);
  EXPECT_EQ(Snapshot(edit).At(x, y), GetSysColor(COLOR_WINDOW)) << "the selection hides without the focus";
}

}  // namespace
