#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtTimer.h"

using namespace vcl;

namespace {

class TimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    InitApplication();
    SetMessageBoxSink([this](const std::string& text, const std::string&, unsigned) {
      shown_.push_back(text);
      return IDOK;
    });
    timer_ = std::make_unique<TTimer>(nullptr);
    timer_->SetInterval(100);
    timer_->OnTimer = [this](TObject* sender) {
      EXPECT_EQ(sender, timer_.get());
      ticks_.push_back(plat::GetTickCount() - start_);
    };
  }
  void TearDown() override {
    timer_.reset();
    SetMessageBoxSink(nullptr);
    DoneApplication();
  }

  // Advances the clock in steps of `step` ms up to `total`, pumping after each.
  void Run(int total, int step = 10) {
    for (int t = 0; t < total; t += step) {
      plat::clock::AdvanceMs(step);
      Application->ProcessMessages();
    }
  }

  plat::ScopedManualClock clock_;
  plat::DWORD start_ = plat::GetTickCount();
  std::unique_ptr<TTimer> timer_;
  std::vector<plat::DWORD> ticks_;
  std::vector<std::string> shown_;
};

}  // namespace

TEST_F(TimerTest, FiresEveryIntervalFromTheMessageLoopOnly) {
  EXPECT_TRUE(timer_->Enabled());
  plat::clock::AdvanceMs(250);
  EXPECT_TRUE(ticks_.empty());  // nobody pumped
  Application->ProcessMessages();
  // One tick however long the loop was away; the next counts from there.
  EXPECT_EQ(ticks_, std::vector<plat::DWORD>{250});
  Run(250);
  EXPECT_EQ(ticks_, (std::vector<plat::DWORD>{250, 350, 450}));
}

TEST_F(TimerTest, ChangingIntervalOrEnabledRestartsTheCount) {
  Run(80);
  timer_->SetInterval(50);  // restarts at 80: due at 130, 180
  Run(120);
  EXPECT_EQ(ticks_, (std::vector<plat::DWORD>{130, 180}));
  timer_->SetInterval(50);  // unchanged: no restart
  Run(30);
  EXPECT_EQ(ticks_.back(), 230u);

  ticks_.clear();
  timer_->SetEnabled(false);
  Run(200);
  EXPECT_TRUE(ticks_.empty());
  timer_->SetEnabled(true);  // at 430: due at 480
  Run(60);
  EXPECT_EQ(ticks_, std::vector<plat::DWORD>{480});

  ticks_.clear();
  timer_->SetInterval(0);
  Run(300);
  EXPECT_TRUE(ticks_.empty());
}

TEST_F(TimerTest, DisablingDropsATickAlreadyDue) {
  plat::clock::AdvanceMs(100);
  timer_->SetEnabled(false);
  Application->ProcessMessages();
  EXPECT_TRUE(ticks_.empty());
}

TEST_F(TimerTest, AnErrorInOnTimerGoesToTheApplicationAndTheTimerGoesOn) {
  int calls = 0;
  timer_->OnTimer = [&](TObject*) {
    ++calls;
    throw EInvalidOperation("Device busy");
  };
  Run(200);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(shown_, (std::vector<std::string>{"Device busy.", "Device busy."}));
}

TEST_F(TimerTest, IsFreedWithItsOwnerAndMayFreeItselfInItsHandler) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* owned = new TTimer(owner.get());
  owned->SetInterval(10);
  int owned_ticks = 0;
  owned->OnTimer = [&](TObject*) { ++owned_ticks; };
  Run(10);
  EXPECT_EQ(owned_ticks, 1);
  owner.reset();
  Run(30);
  EXPECT_EQ(owned_ticks, 1);

  timer_->OnTimer = [this](TObject*) { timer_.reset(); };
  Run(100);
  EXPECT_EQ(timer_, nullptr);
}
