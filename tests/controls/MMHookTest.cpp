// Window-procedure hooks: components and an outside subclasser stacked on
// one form and removed in every order, each message reaching every live
// member once and the form itself last; hooks that answer a message
// themselves; separate windows; the owner check and the window's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>

#include "ControlTestSupport.h"
#include "controls/MMHook.h"
#include "platform/user/Messages.h"
#include "platform/user/Subclass.h"

namespace controls {
namespace {

constexpr plat::UINT kProbe = plat::WM_USER + 7;
constexpr plat::UINT kAnswered = plat::WM_USER + 8;

// The form's own procedure writes 'F'.
class TLogForm : public vcl::TForm {
  VCL_DECLARE_CLASS(TLogForm, vcl::TForm)
 public:
  using vcl::TForm::TForm;
  std::string log;

 protected:
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == kProbe || message.Msg == kAnswered) {
      log += 'F';
      message.Result = 1;
      return;
    }
    vcl::TForm::WndProc(message);
  }
};

class TLogHook : public TMMWndProcComponent {
  VCL_DECLARE_CLASS(TLogHook, TMMWndProcComponent)
 public:
  TLogHook(vcl::TComponent* owner, char name) : TMMWndProcComponent(owner), name_(name) {}
  using TMMWndProcComponent::CallDefault;
  bool answer = false;  // answers kAnswered without passing it on

 protected:
  void WndProc(vcl::TMessage& message) override {
    if (message.Msg == kProbe || message.Msg == kAnswered) static_cast<TLogForm*>(Form())->log += name_;
    if (answer && message.Msg == kAnswered) {
      message.Result = 42;
      return;
    }
    TMMWndProcComponent::WndProc(message);
  }

 private:
  char name_;
};

}  // namespace
}  // namespace controls

VCL_IMPLEMENT_CLASS(controls::TLogForm)
VCL_IMPLEMENT_CLASS(controls::TLogHook)

namespace controls {
namespace {

// A subclasser that is no component (as the skin engine is): writes 'O'.
plat::LRESULT OutsideProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam,
                          plat::UINT_PTR, plat::DWORD_PTR ref_data) {
  if (msg == kProbe || msg == kAnswered) reinterpret_cast<TLogForm*>(ref_data)->log += 'O';
  return plat::DefSubclassProc(hwnd, msg, wparam, lparam);
}

class MMHookTest : public testing::FormsTest {};

// One member of the stack: A and B are components, O the outside subclasser.
struct Stack {
  TLogForm* form;
  TLogHook* a;
  TLogHook* b;
  void Join(char who) {
    if (who == 'A') a->Hook();
    if (who == 'B') b->Hook();
    if (who == 'O')
      plat::SetWindowSubclass(form->Handle(), &OutsideProc, 1, reinterpret_cast<plat::DWORD_PTR>(form));
  }
  void Leave(char who) {
    if (who == 'A') a->Unhook();
    if (who == 'B') b->Unhook();
    if (who == 'O') plat::RemoveWindowSubclass(form->Handle(), &OutsideProc, 1);
  }
  std::string Send() {
    form->log.clear();
    EXPECT_EQ(plat::SendMessageA(form->Handle(), kProbe, 0, 0), 1);
    return form->log;
  }
};

TEST_F(MMHookTest, StackedHooksLeaveInEveryOrderAndEveryLiveOneSeesEachMessageOnce) {
  std::string join = "ABO";
  int combinations = 0;
  do {
    std::string leave = "ABO";
    do {
      SCOPED_TRACE("join " + join + ", leave " + leave);
      TLogForm form(nullptr);
      Stack stack{&form, new TLogHook(&form, 'A'), new TLogHook(&form, 'B')};
      std::string live;
      for (char who : join) {
        stack.Join(who);
        live.insert(live.begin(), who);  // the newest sees a message first
        EXPECT_EQ(stack.Send(), live + "F");
      }
      for (char who : leave) {
        stack.Leave(who);
        live.erase(live.find(who), 1);
        EXPECT_EQ(stack.Send(), live + "F");
      }
      EXPECT_TRUE(HookList().empty());
      ++combinations;
    } while (std::next_permutation(leave.begin(), leave.end()));
  } while (std::next_permutation(join.begin(), join.end()));
  EXPECT_EQ(combinations, 36);
}

TEST_F(MMHookTest, AHookThatAnswersKeepsTheMessageFromThoseBelow) {
  TLogForm form(nullptr);
  auto* a = new TLogHook(&form, 'A');
  auto* b = new TLogHook(&form, 'B');
  a->Hook();
  b->Hook();
  b->answer = true;
  EXPECT_EQ(plat::SendMessageA(form.Handle(), kAnswered, 0, 0), 42);
  EXPECT_EQ(form.log, "B");
  // Unhooking the answering hook lets the message down again.
  b->Unhook();
  form.log.clear();
  EXPECT_EQ(plat::SendMessageA(form.Handle(), kAnswered, 0, 0), 1);
  EXPECT_EQ(form.log, "AF");
}

TEST_F(MMHookTest, HookingTwiceJoinsOnceAndWindowsStayApart) {
  TLogForm one(nullptr), two(nullptr);
  auto* a = new TLogHook(&one, 'A');
  auto* b = new TLogHook(&two, 'B');
  auto* c = new TLogHook(&one, 'C');
  a->Hook();
  a->Hook();
  b->Hook();
  c->Hook();
  EXPECT_EQ(HookList(), (std::vector<TMMWndProcComponent*>{a, b, c}));
  EXPECT_EQ(a->Handle(), one.Handle());
  plat::SendMessageA(one.Handle(), kProbe, 0, 0);
  plat::SendMessageA(two.Handle(), kProbe, 0, 0);
  EXPECT_EQ(one.log, "CAF");
  EXPECT_EQ(two.log, "BF");
  b->Unhook();
  one.log.clear();
  plat::SendMessageA(one.Handle(), kProbe, 0, 0);
  EXPECT_EQ(one.log, "CAF");
  // Unhooked: no window, and CallDefault has nowhere to go.
  EXPECT_EQ(b->Handle(), nullptr);
  EXPECT_EQ(b->CallDefault(kProbe, 0, 0), 0);
  b->Unhook();
  delete a;  // leaves on its own
  one.log.clear();
  plat::SendMessageA(one.Handle(), kProbe, 0, 0);
  EXPECT_EQ(one.log, "CF");
  EXPECT_EQ(HookList(), (std::vector<TMMWndProcComponent*>{c}));
}

TEST_F(MMHookTest, OnlyAFormMayOwnAHookAndAWindowsEndUnhooksIt) {
  try {
    TMMWndProcComponent orphan(nullptr);
    ADD_FAILURE() << "no error";
  } catch (const EMMHookError& e) {
    EXPECT_EQ(e.Message(), "Owner must be a Form");
  }
  vcl::TComponent not_a_form(nullptr);
  EXPECT_THROW(TMMWndProcComponent{&not_a_form}, EMMHookError);
  EXPECT_EQ(not_a_form.ComponentCount(), 0);

  // A form freed while hooked: its window ends first, then its components.
  auto form = std::make_unique<TLogForm>(nullptr);
  auto* a = new TLogHook(form.get(), 'A');
  a->Hook();
  plat::DestroyWindow(form->Handle());
  EXPECT_FALSE(a->Hooked());
  EXPECT_TRUE(HookList().empty());
  form.reset();
}

}  // namespace
}  // namespace controls
