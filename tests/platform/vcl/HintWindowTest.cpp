// Hints: shown after the pointer rests on a control, hidden after a while,
// asked of the control first (CM_HINTSHOW, which may change the text or say
// no), cancelled by a press and by the control going away.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/kernel/Clock.h"
#include "platform/user/Input.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/HintWindow.h"

using namespace vcl;

namespace {

class HintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitApplication();
    InitForms();
    form_ = std::make_unique<TForm>(nullptr);
    form_->SetBounds(10, 10, 200, 100);
    form_->HandleNeeded();
    panel_ = new TPanel(form_.get());
    panel_->SetParent(form_.get());
    panel_->SetBounds(20, 20, 50, 30);
    panel_->SetHint("Input level");
    panel_->SetShowHint(true);
    panel_->HandleNeeded();
  }
  void TearDown() override {
    form_.reset();
    DoneForms();
    DoneApplication();
  }
  static void Run(int ms) {
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      Application->ProcessMessages();
    }
  }
  static void MoveOn(TControl* c, int x = 5, int y = 5) {
    c->Perform(plat::WM_MOUSEMOVE, 0,
               plat::MAKELPARAM(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y)));
  }
  static bool Showing() { return Application->HintWindow() && Application->HintWindow()->HintShowing(); }

  plat::ScopedManualClock clock_;
  std::unique_ptr<TForm> form_;
  TPanel* panel_ = nullptr;
};

TEST_F(HintTest, AHintShowsAfterThePauseAndHidesAfterItsTime) {
  MoveOn(panel_);
  Run(490);
  EXPECT_FALSE(Showing());
  MoveOn(panel_, 6, 6);  // moving on the same control keeps the count
  Run(20);
  ASSERT_TRUE(Showing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Input level");
  EXPECT_EQ(Application->HintControl(), panel_);
  Run(2490);
  EXPECT_FALSE(Showing());
  MoveOn(panel_);
  Run(1000);
  EXPECT_FALSE(Showing());  // not again on the same control
}

TEST_F(HintTest, TheControlIsAskedFirstAndPressesAndDestructionCancel) {
  bool refuse = true;
  TWndMethod old = panel_->WindowProc;
  panel_->WindowProc = [&](TMessage& m) {
    if (m.Msg == CM_HINTSHOW) {
      if (refuse) {
        m.Result = 1;
        return;
      }
      reinterpret_cast<THintInfo*>(m.LParam)->HintStr = "-12 dB";
    }
    old(m);
  };
  MoveOn(panel_);
  Run(600);
  EXPECT_FALSE(Showing());

  refuse = false;
  MoveOn(form_.get());
  MoveOn(panel_);
  Run(600);
  ASSERT_TRUE(Showing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "-12 dB");
  panel_->Perform(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, 0);
  panel_->Perform(plat::WM_LBUTTONUP, 0, 0);
  EXPECT_FALSE(Showing());
  EXPECT_EQ(Application->HintControl(), nullptr);

  panel_->WindowProc = old;
  MoveOn(form_.get());
  MoveOn(panel_);
  delete panel_;  // while the pause runs
  EXPECT_EQ(Application->HintControl(), nullptr);
  Run(600);
  EXPECT_FALSE(Showing());
}

}  // namespace
