// The component unit's start-up, the window-message timer (when it runs, what
// restarts it, where its handler's errors go) and the colour picker.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "displays/ScreenTestSupport.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Atoms.h"
#include "platform/user/Cursor.h"
#include "platform/vcl/Classes.h"
#include "utility/UtilityUnits.h"
#include "utility/qelComponents.h"

namespace utility {
namespace {

TEST(qelComponentsUnit, StartRegistersTheClassesOnce) {
  InitComponentsUnit();
  for (const char* name :
       {"TqelComponent", "TqelCustomTimer", "TqelCustomWndProcHook", "TqelCustomFileStorage",
        "TqelWndProcHook", "TqelFileStorage", "TqelWav", "TqelColorPicker", "TqelCustomThreadComponent",
        "TqelCustomThreadTimer", "TqelThreadComponent", "TqelThreadTimer", "TqelCustomFolderMonitor",
        "TqelFolderMonitor", "TqelCustomRegistryMonitor", "TqelRegistryMonitor"})
    EXPECT_NE(vcl::GetClass(name), nullptr) << name;
  EXPECT_NO_THROW(InitComponentsUnit());
  EXPECT_GE(TaskbarMessage(), 0xC000u);
  EXPECT_EQ(TaskbarMessage(), plat::RegisterWindowMessageA("TaskbarCreated"));

  plat::UnitTable table;
  RegisterUtilityUnits(table);
  table.Initialize();
  for (const char* name : {"TqelCustomLabel", "TqelCustomActiveLabel", "TqelLabel", "TqelActiveLabel"})
    EXPECT_NE(vcl::GetClass(name), nullptr) << name;
  EXPECT_EQ(table.StartedUnits(),
            (std::vector<std::string>{"qelSysUtils", "qelGraphics", "qelLabels", "qelComponents"}));
  table.Finalize();
}

class qelTimer : public ::testing::Test {
 protected:
  void SetUp() override {
    vcl::InitApplication();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
    timer_ = std::make_unique<TqelColorPicker>(nullptr);
  }
  void TearDown() override {
    timer_.reset();
    vcl::DoneApplication();
  }
  vcl::TNotifyEvent Counter() {
    return [this](vcl::TObject*) { ticks_.push_back(plat::GetTickCount() - start_); };
  }
  void Run(int total, int step = 10) {
    for (int t = 0; t < total; t += step) {
      plat::clock::AdvanceMs(step);
      vcl::Application->ProcessMessages();
    }
  }

  plat::ScopedManualClock clock_;
  plat::DWORD start_ = plat::GetTickCount();
  std::unique_ptr<TqelColorPicker> timer_;
  std::vector<plat::DWORD> ticks_;
  std::vector<std::string> errors_;
};

TEST_F(qelTimer, RunsOnlyWithAHandlerAnIntervalAndEnabled) {
  EXPECT_TRUE(timer_->Enabled());
  EXPECT_EQ(timer_->Interval(), 100u);
  Run(300);  // no handler: no timer at all
  timer_->SetInterval(50);
  timer_->SetOnTimer([this](vcl::TObject* sender) {
    EXPECT_EQ(sender, timer_.get());
    ticks_.push_back(plat::GetTickCount() - start_);
  });
  Run(120);
  EXPECT_EQ(ticks_, (std::vector<plat::DWORD>{350, 400}));
  timer_->SetInterval(0);
  Run(200);
  EXPECT_EQ(ticks_.size(), 2u);
  timer_->SetInterval(50);
  timer_->SetEnabled(false);
  Run(200);
  EXPECT_EQ(ticks_.size(), 2u);
}

TEST_F(qelTimer, SameIntervalKeepsTheCountAndAHandlerRestartsIt) {
  timer_->SetOnTimer(Counter());  // at 0: due at 100, 200
  Run(130);
  timer_->SetInterval(100);  // unchanged: next still at 200
  Run(80);
  EXPECT_EQ(ticks_, (std::vector<plat::DWORD>{100, 200}));
  Run(40);                        // now 250
  timer_->SetOnTimer(Counter());  // the same handler again restarts: due at 350
  Run(90);
  EXPECT_EQ(ticks_.size(), 2u);
  Run(20);
  EXPECT_EQ(ticks_.back(), 350u);
}

TEST_F(qelTimer, HandlerErrorsGoToTheApplicationAndTheTimerRuns) {
  int calls = 0;
  timer_->SetOnTimer([&](vcl::TObject*) {
    ++calls;
    throw vcl::Exception("tick failed");
  });
  Run(250);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(errors_, (std::vector<std::string>{"tick failed", "tick failed"}));
}

TEST(qelTimerThread, RefusedAwayFromTheMainThread) {
  std::exception_ptr error;
  std::thread([&] {
    try {
      TqelColorPicker picker(nullptr);
    } catch (...) {
      error = std::current_exception();
    }
  }).join();
  EXPECT_THROW(std::rethrow_exception(error), vcl::EInvalidOperation);
}

class qelColorPicker : public displaytest::ScreenTest {};

TEST_F(qelColorPicker, EachTickSeesTheColourUnderTheMouse) {
  plat::ScopedManualClock clock;
  NewForm()->SetColor(vcl::clRed);
  ShowForm();
  TqelColorPicker picker(nullptr);
  std::vector<vcl::TColor> seen;
  picker.SetOnTimer([&](vcl::TObject*) { seen.push_back(picker.Color()); });
  plat::SetCursorPos(150, 150);
  plat::clock::AdvanceMs(100);
  Pump();
  plat::SetCursorPos(2, 2);
  plat::clock::AdvanceMs(100);
  Pump();
  EXPECT_EQ(seen, (std::vector<vcl::TColor>{vcl::clRed, vcl::clNone}));
}

}  // namespace
}  // namespace utility
