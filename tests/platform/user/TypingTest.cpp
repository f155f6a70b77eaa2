// Typing into edit controls as a person does: keys and their text from the
// headless backend in the order the desktop delivers them, through a message
// loop that translates keys into characters, and the clipboard shared with
// other programs through the backend.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "ControlTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Edit.h"
#include "platform/user/Focus.h"
#include "support/Typist.h"

using namespace plat;

namespace {

class Typing : public usertest::ControlTest {
 protected:
  void SetUp() override {
    ControlTest::SetUp();
    screen_ = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    typist_.emplace(*screen_);
  }
  void TearDown() override {
    if (OpenClipboard(nullptr)) {
      EmptyClipboard();
      CloseClipboard();
    }
    ControlTest::TearDown();
  }

  // The program's message loops: characters from key-downs, then dispatch.
  static void Pump() {
    user::PumpBackendEvents(0);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  HWND Field(DWORD style, int y) { return Child(WC_EDITA, "", WS_BORDER | style, 10, y, 300, 60, 30 + y); }
  static std::string Text(HWND edit) {
    char buffer[512] = {};
    GetWindowTextA(edit, buffer, sizeof buffer);
    return buffer;
  }
  static std::pair<DWORD, DWORD> Sel(HWND edit) {
    DWORD a = 0, b = 0;
    SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&a), reinterpret_cast<LPARAM>(&b));
    return {a, b};
  }

  backend::HeadlessBackend* screen_ = nullptr;
  std::optional<testsupport::Typist> typist_;
};

struct TypingCase {
  const char* name;
  DWORD style;
  std::function<void(testsupport::Typist&)> keys;
  const char* text;
};

TEST_F(Typing, ControlKeysEditAsTheyAreTyped) {
  const DWORD multi = ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
  const TypingCase cases[] = {
      {"Backspace takes the last character", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("abc");
         t.Press(VK_BACK);
         t.Type("d");
       },
       "abd"},
      {"Shift+Backspace still deletes", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("abc");
         t.Press(VK_BACK, {VK_SHIFT});
       },
       "ab"},
      {"Enter breaks the line of a multi-line edit", multi,
       [](auto& t) {
         t.Type("Memo line one");
         t.Press(VK_RETURN);
         t.Type("Memo line two");
       },
       "Memo line one\r\nMemo line two"},
      {"Enter types nothing into a single line", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("ab");
         t.Press(VK_RETURN);
         t.Type("c");
       },
       "abc"},
      {"Tab types a tab into a multi-line edit only", multi,
       [](auto& t) {
         t.Type("a");
         t.Press(VK_TAB);
         t.Type("b");
       },
       "a\tb"},
      {"Tab and Escape type nothing into a single line", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("a");
         t.Press(VK_TAB);
         t.Press(VK_ESCAPE);
         t.Type("b");
       },
       "ab"},
      {"Ctrl+A selects everything, so typing replaces it", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("old text");
         t.Ctrl('a');
         t.Type("new");
       },
       "new"},
      {"Ctrl+Shift+A and Caps Lock still select everything", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("old");
         t.Press(VK_CAPITAL);
         t.Press('A', {VK_CONTROL, VK_SHIFT});
         t.Press(VK_CAPITAL);
         t.Type("x");
       },
       "x"},
      {"Ctrl+Backspace takes the word before the caret", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("two words");
         t.Press(VK_BACK, {VK_CONTROL});
       },
       "two "},
      {"Ctrl+Z takes back the last change", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("ab");
         t.Press(VK_BACK);
         t.Ctrl('z');
       },
       "ab"},
      {"Ctrl+letters without a use type nothing", ES_AUTOHSCROLL,
       [](auto& t) {
         t.Type("a");
         t.Ctrl('q');
         t.Ctrl('s');
         t.Type("b");
       },
       "ab"},
  };
  for (const TypingCase& c : cases) {
    SCOPED_TRACE(c.name);
    HWND edit = Field(c.style, 10);
    SetFocus(edit);
    c.keys(*typist_);
    Pump();
    EXPECT_EQ(Text(edit), c.text);
    DestroyWindow(edit);
  }
}

TEST_F(Typing, CharactersKeepTheirOrderWhenTheKeysArriveTogether) {
  HWND edit = Field(ES_AUTOHSCROLL, 10);
  SetFocus(edit);
  // Typed faster than the loop turns: every key is queued before the first is taken.
  typist_->Type("abc");
  typist_->Press(VK_BACK);
  typist_->Press(VK_BACK);
  typist_->Type("xy");
  Pump();
  EXPECT_EQ(Text(edit), "axy");
}

TEST_F(Typing, CopyAndPasteGoThroughTheDesktopClipboard) {
  HWND from = Field(ES_AUTOHSCROLL, 10);
  HWND to = Field(ES_AUTOHSCROLL, 80);
  SetFocus(from);
  typist_->Type("Peak 440 Hz");
  typist_->Ctrl('a');
  typist_->Ctrl('c');
  Pump();
  EXPECT_EQ(screen_->ClipboardText(), "Peak 440 Hz");
  SetFocus(to);
  typist_->Type("at ");
  typist_->Ctrl('v');
  Pump();
  EXPECT_EQ(Text(to), "at Peak 440 Hz");
  EXPECT_EQ(Text(from), "Peak 440 Hz");

  // Cut leaves the source empty and the desktop holding the text.
  SetFocus(from);
  typist_->Ctrl('a');
  typist_->Ctrl('x');
  Pump();
  EXPECT_EQ(Text(from), "");
  EXPECT_EQ(screen_->ClipboardText(), "Peak 440 Hz");

  // Lines reach the desktop with its line ends, and come back with ours.
  HWND memo = Field(ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 150);
  SetFocus(memo);
  typist_->Type("one");
  typist_->Press(VK_RETURN);
  typist_->Type("two");
  typist_->Ctrl('a');
  typist_->Ctrl('c');
  Pump();
  EXPECT_EQ(screen_->ClipboardText(), "one\ntwo");
  screen_->SetClipboardText("three\nfour\n");
  typist_->Ctrl('v');
  Pump();
  EXPECT_EQ(Text(memo), "three\r\nfour\r\n");
  EXPECT_EQ(SendMessageA(memo, EM_GETLINECOUNT, 0, 0), 3);

  // Text another program copied is what Ctrl+V pastes, in every text format.
  SetFocus(from);
  screen_->SetClipboardText("from elsewhere \xC3\xA9");
  typist_->Ctrl('v');
  Pump();
  EXPECT_EQ(Text(from), "from elsewhere \xC3\xA9");
  ASSERT_TRUE(OpenClipboard(nullptr));
  HANDLE wide = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(wide, nullptr);
  const auto* units = static_cast<const char16_t*>(GlobalLock(wide));
  EXPECT_EQ(std::u16string(units), u"from elsewhere \u00e9");
  GlobalUnlock(wide);
  CloseClipboard();
}

TEST_F(Typing, ThisProgramsClipboardAnswersForTheDesktop) {
  // Wide text set here reaches the desktop as UTF-8; emptying leaves it nothing.
  const std::u16string wide = u"Sweep \u2192 20 kHz";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(char16_t));
  std::memcpy(GlobalLock(block), wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
  EXPECT_EQ(screen_->ClipboardText(), "Sweep \xE2\x86\x92 20 kHz");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));

  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  EXPECT_EQ(screen_->ClipboardText().value_or(""), "");
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));

  // A change on the desktop is seen without opening the clipboard too.
  screen_->SetClipboardText("copied elsewhere");
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_EQ(GetClipboardOwner(), nullptr);
}

}  // namespace
