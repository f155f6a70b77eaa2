// Typing into the class library's text fields through the application's
// message loop: characters of the control keys, the form's keys (Tab, Enter,
// Escape) in a dialog, Ctrl+letters that a focused field keeps from the
// menu's short-cuts, and copying between fields through the desktop clipboard.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Focus.h"
#include "platform/vcl/Menus.h"
#include "support/Typist.h"

namespace vcltest {
namespace {

using testsupport::Typist;

class TypingTest : public StdControlsTest {
 protected:
  void SetUp() override {
    StdControlsTest::SetUp();
    if (!Screen()) GTEST_SKIP() << "needs the headless backend";
    typist_.emplace(*Screen());
  }
  void TearDown() override {
    if (plat::OpenClipboard(nullptr)) {
      plat::EmptyClipboard();
      plat::CloseClipboard();
    }
    StdControlsTest::TearDown();
  }

  // The program's loop: the form's keys first, then characters, then dispatch.
  static void Run() {
    plat::user::PumpBackendEvents(0);
    vcl::Application->ProcessMessages();
  }
  template <typename T>
  T* Make(vcl::TWinControl* parent, int x, int y, int w = 150, int h = 23) {
    auto* c = new T(parent);
    c->SetParent(parent);
    c->SetBounds(x, y, w, h);
    return c;
  }
  // A main menu with items behind Ctrl+A, Ctrl+C, Ctrl+V and Ctrl+S that count their runs.
  void GiveFormAMenu() {
    auto* menu = new vcl::TMainMenu(form_);
    auto* top = new vcl::TMenuItem(form_);
    top->SetCaption("&Edit");
    menu->Items()->Add(top);
    for (char letter : {'A', 'C', 'V', 'S'}) {
      auto* item = new vcl::TMenuItem(form_);
      item->SetCaption(std::string("Item ") + letter);
      item->SetShortCut(vcl::ShortCut(letter, vcl::scCtrl));
      item->OnClick = [this, letter](vcl::TObject*) { runs_ += letter; };
      top->Add(item);
    }
    form_->SetMenu(menu);
  }

  std::optional<Typist> typist_;
  std::string runs_;  // the letters of the menu items run, in order
};

TEST_F(TypingTest, BackspaceAndEnterEditAFieldAndAMemo) {
  auto* edit = Make<vcl::TEdit>(form_, 10, 10);
  auto* memo = Make<vcl::TMemo>(form_, 10, 50, 300, 100);
  ShowForm();
  edit->SetFocus();
  typist_->Type("abc");
  typist_->Press(plat::VK_BACK);
  typist_->Type("d");
  Run();
  EXPECT_EQ(edit->Text(), "abd");

  memo->SetFocus();
  typist_->Type("Memo line one");
  typist_->Press(plat::VK_RETURN);
  typist_->Type("Memo line two");
  Run();
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(0), "Memo line one");
  EXPECT_EQ(memo->Lines()->Strings(1), "Memo line two");
}

// One stroke of a person at the keyboard: text, or a key with Shift or not.
struct Stroke {
  std::string text;
  plat::UINT vk = 0;
  bool shift = false;
};
Stroke Press(plat::UINT vk, bool shift = false) { return Stroke{"", vk, shift}; }

struct DialogCase {
  const char* name;
  bool want_tabs;
  std::vector<Stroke> strokes;
  vcl::TModalResult result;
  const char* edit;
  const char* memo;
};

// A dialog of a field, a memo, OK (default) and Cancel, in that tab order,
// with the field focused; the strokes are typed while it runs modally, each
// once the loop has taken the one before.
TEST_F(TypingTest, TabEnterAndEscapeWorkTheDialog) {
  using plat::VK_RETURN, plat::VK_TAB, plat::VK_ESCAPE;
  const DialogCase cases[] = {
      {"Tab moves on, Escape cancels",
       false,
       {{"ab"}, Press(VK_TAB), {"cd"}, Press(VK_TAB), Press(VK_ESCAPE)},
       vcl::mrCancel,
       "ab",
       "cd"},
      {"Enter in the field presses the default button",
       false,
       {{"ab"}, Press(VK_RETURN)},
       vcl::mrOk,
       "ab",
       ""},
      {"Enter breaks the memo's line; Tab leaves it for OK, whose Enter is its own",
       false,
       {Press(VK_TAB), {"one"}, Press(VK_RETURN), {"two"}, Press(VK_TAB), Press(VK_RETURN)},
       vcl::mrOk,
       "",
       "one\r\ntwo"},
      {"Shift+Tab goes back round to Cancel",
       false,
       {{"x"}, Press(VK_TAB, true), Press(VK_RETURN)},
       vcl::mrCancel,
       "x",
       ""},
      {"A memo that wants tabs types them",
       true,
       {Press(VK_TAB), {"a"}, Press(VK_TAB), {"b"}},
       vcl::mrAbort,
       "",
       "a\tb"},
  };
  for (const DialogCase& c : cases) {
    SCOPED_TRACE(c.name);
    auto* dialog = new vcl::TForm(vcl::Application);
    dialog->SetBounds(60, 60, 360, 240);
    auto* edit = Make<vcl::TEdit>(dialog, 10, 10);
    auto* memo = Make<vcl::TMemo>(dialog, 10, 40, 300, 100);
    memo->SetWantTabs(c.want_tabs);
    auto* ok = Make<vcl::TButton>(dialog, 10, 160, 75, 25);
    ok->SetDefault(true);
    ok->SetModalResult(vcl::mrOk);
    auto* cancel = Make<vcl::TButton>(dialog, 100, 160, 75, 25);
    cancel->SetCancel(true);
    cancel->SetModalResult(vcl::mrCancel);
    dialog->OnActivate = [edit](vcl::TObject*) { edit->SetFocus(); };
    std::string control_chars;
    edit->OnKeyPress = [&](vcl::TObject*, char& key) {
      if (static_cast<unsigned char>(key) < 0x20) control_chars += key;
    };
    // Strokes the dialog leaves alone end the run after a while instead of hanging it.
    size_t next = 0;
    int idles = 0;
    vcl::Application->OnIdle = [&](vcl::TObject*, bool& done) {
      done = false;
      if (next < c.strokes.size()) {
        const Stroke& s = c.strokes[next++];
        if (!s.text.empty())
          typist_->Type(s.text);
        else if (s.shift)
          typist_->Press(s.vk, {plat::VK_SHIFT});
        else
          typist_->Press(s.vk);
      } else if (++idles > 20) {
        dialog->SetModalResult(vcl::mrAbort);
      }
    };
    EXPECT_EQ(dialog->ShowModal(), c.result);
    vcl::Application->OnIdle = nullptr;
    EXPECT_EQ(edit->Text(), c.edit);
    EXPECT_EQ(memo->Text(), c.memo);
    EXPECT_EQ(control_chars, "") << "a key the dialog took typed nothing into the field";
    delete dialog;
    Run();
  }
}

TEST_F(TypingTest, AFocusedFieldKeepsItsCtrlLettersFromTheMenu) {
  GiveFormAMenu();
  auto* edit = Make<vcl::TEdit>(form_, 10, 10);
  auto* combo = Make<vcl::TComboBox>(form_, 10, 50);
  auto* button = Make<vcl::TButton>(form_, 10, 90, 75, 25);
  ShowForm();

  edit->SetFocus();
  typist_->Type("select me");
  typist_->Ctrl('a');
  Run();
  EXPECT_EQ(edit->SelLength(), 9);
  EXPECT_EQ(runs_, "") << "the menu's Ctrl+A did not run";
  typist_->Type("new");
  typist_->Ctrl('s');  // a short-cut the field has no use for
  Run();
  EXPECT_EQ(edit->Text(), "new");
  EXPECT_EQ(runs_, "S");

  combo->SetFocus();
  typist_->Type("combo");
  typist_->Ctrl('a');
  typist_->Type("x");
  Run();
  EXPECT_EQ(combo->Text(), "x");
  EXPECT_EQ(runs_, "S");

  button->SetFocus();
  typist_->Ctrl('a');
  Run();
  EXPECT_EQ(runs_, "SA") << "away from a field Ctrl+A is the menu's";
}

TEST_F(TypingTest, CopyInOneFieldPasteInAnother) {
  GiveFormAMenu();
  auto* from = Make<vcl::TEdit>(form_, 10, 10);
  auto* to = Make<vcl::TEdit>(form_, 10, 50);
  auto* memo = Make<vcl::TMemo>(form_, 10, 90, 300, 80);
  ShowForm();
  from->SetFocus();
  typist_->Type("Leq 63.2 dB");
  typist_->Ctrl('a');
  typist_->Ctrl('c');
  Run();
  EXPECT_EQ(Screen()->ClipboardText(), "Leq 63.2 dB");

  to->SetFocus();
  typist_->Ctrl('v');
  Run();
  EXPECT_EQ(to->Text(), "Leq 63.2 dB");

  // Lines copied in another program paste as lines of the memo.
  Screen()->SetClipboardText("first\nsecond");
  memo->SetFocus();
  typist_->Ctrl('v');
  Run();
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(runs_, "") << "no menu item ran";
}

}  // namespace
}  // namespace vcltest
