// Hook components on one window with the window's own procedure, an outside
// subclasser and the class library's hooks: the order messages pass in, every
// order of switching off and freeing, answered messages, dragging, and the
// hooked control going away.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>

#include "displays/ScreenTestSupport.h"
#include "platform/user/NonClient.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/FormReader.h"
#include "utility/qelWndProcHook.h"

namespace utility {
namespace {

constexpr plat::UINT kProbe = plat::WM_USER + 11;

// The form's own procedure writes 'F'.
class TLogForm : public vcl::TForm {
  VCL_DECLARE_CLASS(TLogForm, vcl::TForm)
 public:
  using vcl::TForm::TForm;
  std::string log;

 protected:
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == kProbe) {
      log += 'F';
      message.Result = 7;
      return;
    }
    vcl::TForm::WndProc(message);
  }
};
VCL_IMPLEMENT_CLASS(TLogForm)

class qelWndProcHooks : public displaytest::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    window_ = new TLogForm(vcl::Application);
    window_->SetBounds(50, 50, 200, 100);
    window_->HandleNeeded();
  }

  // A hook logging lower case before and upper case after.
  TqelWndProcHook* NewHook(char name) {
    auto* hook = new TqelWndProcHook(window_);
    hook->OnMessageBefore = [this, name](vcl::TObject*, vcl::TMessage& m, bool&) {
      if (m.Msg == kProbe) window_->log += name;
    };
    hook->OnMessageAfter = [this, name](vcl::TObject*, vcl::TMessage& m, bool&) {
      if (m.Msg == kProbe) window_->log += static_cast<char>(std::toupper(name));
    };
    return hook;
  }

  std::string Send() {
    window_->log.clear();
    plat::SendMessageA(window_->Handle(), kProbe, 0, 0);
    return window_->log;
  }

  static plat::LRESULT Foreign(plat::HWND hwnd, plat::UINT msg, plat::WPARAM w, plat::LPARAM l,
                               plat::UINT_PTR, plat::DWORD_PTR ref) {
    auto* log = reinterpret_cast<std::string*>(ref);
    if (msg == kProbe) *log += 'x';
    // Recorded, not carried out: a move would wait for the button's release.
    if (msg == plat::WM_SYSCOMMAND) {
      *log += w == 0xF012 ? "[drag]" : "[other]";
      return 0;
    }
    return plat::DefSubclassProc(hwnd, msg, w, l);
  }

  TLogForm* window_ = nullptr;
};

TEST_F(qelWndProcHooks, NewestSeesFirstWhateverTheActivationOrder) {
  TqelWndProcHook* a = NewHook('a');
  TqelWndProcHook* b = NewHook('b');
  b->SetActive(true);
  a->SetActive(true);
  EXPECT_EQ(Send(), "baFAB");
  a->SetActive(false);
  EXPECT_EQ(Send(), "bFB");
  a->SetActive(true);
  EXPECT_EQ(Send(), "baFAB");
  b->SetActive(false);
  a->SetActive(false);
  EXPECT_EQ(Send(), "F");
  EXPECT_EQ(plat::SendMessageA(window_->Handle(), kProbe, 0, 0), 7);
}

TEST_F(qelWndProcHooks, AnsweredMessagesStopBeforeTheWindowButAfterStillFires) {
  TqelWndProcHook* a = NewHook('a');
  TqelWndProcHook* b = NewHook('b');
  b->OnMessageBefore = [this](vcl::TObject*, vcl::TMessage& m, bool& handled) {
    if (m.Msg != kProbe) return;
    window_->log += 'b';
    m.Result = 42;
    handled = true;
  };
  a->SetActive(true);
  b->SetActive(true);
  window_->log.clear();
  EXPECT_EQ(plat::SendMessageA(window_->Handle(), kProbe, 0, 0), 42);
  EXPECT_EQ(window_->log, "bB");
}

// Two hooks, an outside subclasser that joins between them and the class
// library's own hook (the form's replaced WindowProc), taken down in every
// order: each message reaches every live member once and the form last.
TEST_F(qelWndProcHooks, OthersHooksSurviveEveryOrder) {
  std::array<int, 4> order{0, 1, 2, 3};  // hook a, hook b, the outsider, WindowProc
  do {
    SCOPED_TRACE(std::to_string(order[0]) + std::to_string(order[1]) + std::to_string(order[2]) +
                 std::to_string(order[3]));
    TqelWndProcHook* a = NewHook('a');
    std::string outside;
    a->SetActive(true);
    ASSERT_TRUE(
        plat::SetWindowSubclass(window_->Handle(), &Foreign, 1, reinterpret_cast<plat::DWORD_PTR>(&outside)));
    vcl::TWndMethod own = window_->WindowProc;
    window_->WindowProc = [this, own](vcl::TMessage& m) {
      if (m.Msg == kProbe) window_->log += 'w';
      own(m);
    };
    TqelWndProcHook* b = NewHook('b');
    b->SetActive(true);
    std::array<bool, 4> live{true, true, true, true};
    for (int who : order) {
      if (who == 0) a->SetActive(false);
      if (who == 1) delete b;
      if (who == 2) plat::RemoveWindowSubclass(window_->Handle(), &Foreign, 1);
      if (who == 3) window_->WindowProc = own;
      live[who] = false;
      outside.clear();
      std::string log = Send();
      EXPECT_EQ(outside, live[2] ? "x" : "");
      EXPECT_EQ(std::count(log.begin(), log.end(), 'a'), live[0] ? 1 : 0) << log;
      EXPECT_EQ(std::count(log.begin(), log.end(), 'b'), live[1] ? 1 : 0) << log;
      EXPECT_EQ(std::count(log.begin(), log.end(), 'w'), live[3] ? 1 : 0) << log;
      EXPECT_EQ(log.find('F'), static_cast<size_t>(live[0] + live[1] + live[3])) << log;
      EXPECT_EQ(log.size(), static_cast<size_t>(1 + 2 * (live[0] + live[1]) + live[3])) << log;
    }
    delete a;
  } while (std::next_permutation(order.begin(), order.end()));
}

TEST_F(qelWndProcHooks, FreedHooksThenTheFormInAnyOrder) {
  for (int variant = 0; variant < 3; ++variant) {
    TqelWndProcHook* a = NewHook('a');
    TqelWndProcHook* b = NewHook('b');
    a->SetActive(true);
    b->SetActive(true);
    if (variant == 0) delete a;
    if (variant == 1) delete b;
    EXPECT_EQ(Send().back(), variant == 1 ? 'A' : 'B') << variant;
    if (variant == 2) break;  // the form takes both with it
    delete (variant == 0 ? b : a);
  }
  delete window_;
  window_ = nullptr;
  EXPECT_TRUE(WndProcHookList().empty());
}

TEST_F(qelWndProcHooks, AutoDragMovesUnlessTheButtonIsAnswered) {
  std::string outside;
  ASSERT_TRUE(
      plat::SetWindowSubclass(window_->Handle(), &Foreign, 1, reinterpret_cast<plat::DWORD_PTR>(&outside)));
  TqelWndProcHook* hook = NewHook('a');
  hook->SetAutoDrag(true);
  hook->SetActive(true);
  plat::SendMessageA(window_->Handle(), plat::WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(outside, "[drag]");

  outside.clear();
  hook->OnMessageBefore = [](vcl::TObject*, vcl::TMessage& m, bool& handled) {
    handled = m.Msg == plat::WM_LBUTTONDOWN;
  };
  plat::SendMessageA(window_->Handle(), plat::WM_LBUTTONDOWN, 0, 0);
  EXPECT_EQ(outside, "");
  plat::RemoveWindowSubclass(window_->Handle(), &Foreign, 1);
}

TEST_F(qelWndProcHooks, ControlWindowsAreMadeAndAFreedControlStopsTheHook) {
  auto* panel = new vcl::TPanel(window_);
  panel->SetParent(window_);
  TqelWndProcHook* hook = NewHook('a');
  int changes = 0;
  hook->OnChangeWinControl = [&](vcl::TObject*) { ++changes; };
  hook->SetWinControl(panel);
  EXPECT_FALSE(panel->HandleAllocated());
  hook->SetActive(true);
  ASSERT_TRUE(panel->HandleAllocated());
  EXPECT_EQ(hook->HookedWindow(), panel->Handle());
  window_->log.clear();
  plat::SendMessageA(panel->Handle(), kProbe, 0, 0);
  EXPECT_EQ(window_->log, "aA");

  delete panel;
  EXPECT_EQ(hook->WinControl(), nullptr);
  EXPECT_FALSE(hook->Active());  // not moved over to the form
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(Send(), "F");
}

TEST_F(qelWndProcHooks, StoredActiveHooksAtLoadedOnly) {
  auto* hook = new TqelWndProcHook(nullptr);
  vcl::ReadFormText(hook, "object Hook: TqelWndProcHook\n  Active = True\n  AutoDrag = True\nend\n");
  EXPECT_TRUE(hook->Active());
  EXPECT_TRUE(hook->AutoDrag());
  // No owner, no control, no handle: active with nothing to hook.
  EXPECT_EQ(hook->HookedWindow(), nullptr);
  hook->SetHandle(window_->Handle());
  EXPECT_EQ(hook->HookedWindow(), window_->Handle());
  delete hook;
  EXPECT_EQ(Send(), "F");
}

}  // namespace
}  // namespace utility
