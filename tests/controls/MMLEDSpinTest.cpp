// The LED spin edit: its panel and spin button kept in step while the arrows
// repeat on the manual clock, the value rules and their events, the read-out
// of a value the digits cannot show, the layout that follows the children,
// the focus handed to the spin button with its keys, and a description that
// reads back what was written.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ControlTestSupport.h"
#include "LedTestSupport.h"
#include "controls/MMLEDSpin.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Focus.h"
#include "platform/user/Input.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Forms.h"
#include "resources/ProgramResources.h"

namespace controls {
namespace {

using testing::Shown;

class MMLEDSpinTest : public testing::FormsTest {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
  void SetUp() override {
    FormsTest::SetUp();
    form_ = std::make_unique<vcl::TForm>(nullptr);
    form_->SetBounds(0, 0, 300, 200);
    form_->HandleNeeded();
    led_ = new TMMLEDSpin(form_.get());
    led_->SetParent(form_.get());
    led_->HandleNeeded();
    led_->OnChange = [this](vcl::TObject* sender) {
      EXPECT_EQ(sender, led_);
      // Both children agree whenever the control reports a change.
      EXPECT_EQ(led_->SpinButton()->Value(), led_->Value());
      log_.push_back(std::to_string(led_->Value()) + " '" + Shown(*led_->Panel()) + "'");
    };
  }
  void TearDown() override {
    plat::ReleaseCapture();
    form_.reset();
    FormsTest::TearDown();
  }
  static void Run(int ms) {
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
    }
  }
  static void Mouse(vcl::TControl* c, plat::UINT message) {
    c->Perform(message, message == plat::WM_LBUTTONDOWN ? plat::MK_LBUTTON : 0, plat::MAKELPARAM(3, 3));
  }
  static void Key(plat::WORD key) {
    plat::SendMessageA(plat::GetFocus(), plat::WM_KEYDOWN, key, 0);
    plat::SendMessageA(plat::GetFocus(), plat::WM_KEYUP, key, 0);
  }

  plat::ScopedManualClock clock_;
  std::unique_ptr<vcl::TForm> form_;
  TMMLEDSpin* led_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(MMLEDSpinTest, AHeldArrowStepsThePanelInStepUpToTheLimit) {
  led_->SetMaxValue(5);
  log_.clear();
  TMMTimerSpeedButton* up = led_->SpinButton()->UpButton();
  Mouse(up, plat::WM_LBUTTONDOWN);
  Run(390);
  EXPECT_TRUE(log_.empty());
  Run(400);  // repeats from 400 ms every 50 ms; the limit ends the press
  EXPECT_EQ(log_, (std::vector<std::string>{"1 '01'", "2 '02'", "3 '03'", "4 '04'", "5 '05'"}));
  EXPECT_FALSE(up->Enabled());
  EXPECT_EQ(vcl::GetCaptureControl(), nullptr);
  Mouse(up, plat::WM_LBUTTONUP);
  EXPECT_EQ(led_->Value(), 5);

  log_.clear();
  int downs = 0;
  led_->OnDownClick = [&](vcl::TObject* sender) {
    EXPECT_EQ(sender, led_);
    ++downs;
  };
  TMMTimerSpeedButton* down = led_->SpinButton()->DownButton();
  Mouse(down, plat::WM_LBUTTONDOWN);
  Mouse(down, plat::WM_LBUTTONUP);
  EXPECT_EQ(log_, (std::vector<std::string>{"4 '04'"}));
  EXPECT_EQ(downs, 1);
}

TEST_F(MMLEDSpinTest, AValueTheDigitsCannotShowReadsAsMinusesNeverAnotherNumber) {
  led_->SetValue(99);
  log_.clear();
  led_->SpinButton()->UpClick();  // 100 on the default two digits
  EXPECT_EQ(log_, (std::vector<std::string>{"100 '--'"}));
  led_->SetMinValue(-99);
  led_->SetValue(-9);
  EXPECT_EQ(Shown(*led_->Panel()), "-9");
  led_->SpinButton()->DownClick();
  EXPECT_EQ(led_->Value(), -10);
  EXPECT_EQ(Shown(*led_->Panel()), "--");  // not "-0"
}

TEST_F(MMLEDSpinTest, ValueRulesAndTheirEvents) {
  led_->SetMinValue(-20);
  led_->SetMaxValue(50);
  log_.clear();
  led_->SetValue(250);  // the nearer bound, in both children, one OnChange
  led_->SetValue(50);   // the value shown: nothing
  led_->SetValue(-70);
  EXPECT_EQ(log_, (std::vector<std::string>{"50 '50'", "-20 '--'"}));
  // A clamp that lands on the old value still reports.
  led_->SetValue(-90);
  EXPECT_EQ(log_.size(), 3u);

  // A bound moved past the value takes it along in both, without OnChange.
  log_.clear();
  led_->SetMinValue(10);
  EXPECT_EQ(led_->Value(), 10);
  EXPECT_EQ(led_->SpinButton()->Value(), 10);
  EXPECT_EQ(led_->SpinButton()->MinValue(), 10);
  led_->SetMaxValue(8);
  EXPECT_EQ(led_->SpinButton()->MaxValue(), 8);
  EXPECT_EQ(led_->SpinButton()->Value(), led_->Value());
  EXPECT_TRUE(log_.empty());

  led_->SetMaxValue(50);
  led_->SetEnabled(false);
  EXPECT_FALSE(led_->SpinButton()->Enabled());
  EXPECT_FALSE(led_->Panel()->Enabled());
  led_->SetValue(30);
  EXPECT_EQ(led_->Value(), 10);
  EXPECT_TRUE(log_.empty());
}

TEST_F(MMLEDSpinTest, TheLayoutFollowsPanelSpinButtonAndSpace) {
  auto expect_layout = [this] {
    const TMMLEDPanel* panel = led_->Panel();
    const TMMSpinButton* spin = led_->SpinButton();
    EXPECT_EQ(led_->Width(), panel->Width() + led_->Space() + spin->Width());
    EXPECT_EQ(led_->Height(), std::max(panel->Height(), spin->Height()));
    EXPECT_EQ(spin->Left(), led_->Width() - spin->Width());
    EXPECT_EQ(spin->Height(), led_->Height());
    EXPECT_EQ(panel->Left(), 0);
    EXPECT_EQ(panel->Top(), led_->Height() - panel->Height());  // at the bottom
  };
  expect_layout();
  const int width = led_->Width();
  led_->SetBounds(5, 6, 300, 300);  // the size asked for does not count
  EXPECT_EQ(led_->Left(), 5);
  EXPECT_EQ(led_->Width(), width);
  expect_layout();

  led_->SetNumDigits(4);
  EXPECT_EQ(led_->Width(), width + 2 * 14);
  expect_layout();
  led_->SetDigitSize(ls06x07);  // panel lower than the arrows
  EXPECT_LT(led_->Panel()->Height(), led_->SpinButton()->Height());
  expect_layout();
  led_->SetSpace(7);
  expect_layout();
  led_->SpinBevel()->SetBorderWidth(3);
  expect_layout();
  led_->SetMiddleButton(true);
  expect_layout();
}

TEST_F(MMLEDSpinTest, TheFocusGoesToTheSpinButtonWhoseKeysStepTheValue) {
  form_->Show();
  led_->SetFocus();
  EXPECT_TRUE(led_->SpinButton()->Focused());
  Key(plat::VK_UP);
  Key(plat::VK_UP);
  Key(plat::VK_DOWN);
  EXPECT_EQ(log_, (std::vector<std::string>{"1 '01'", "2 '02'", "1 '01'"}));

  // Clicking the digits hands the focus on too.
  auto* other = new TMMLEDSpin(form_.get());
  other->SetParent(form_.get());
  other->SetTop(60);
  int clicks = 0;
  other->OnClick = [&](vcl::TObject*) { ++clicks; };
  other->Panel()->Digit(0)->Perform(plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, plat::MAKELPARAM(3, 3));
  other->Panel()->Digit(0)->Perform(plat::WM_LBUTTONUP, 0, plat::MAKELPARAM(3, 3));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(other->SpinButton()->Focused());
}

TEST_F(MMLEDSpinTest, ADescriptionReadsBackWhatWasWritten) {
  vcl::RegisterClass(TMMLEDSpin::StaticClass());
  led_->SetName("Volume");
  led_->SetNumDigits(3);
  led_->SetMinValue(-50);
  led_->SetMaxValue(250);
  led_->SetValue(120);
  led_->SetIncrement(5);
  led_->SetSpace(4);
  led_->SetLEDColor(vcl::clRed);
  led_->SetPanelColor(vcl::clNavy);
  led_->SetEnabled(false);  // a disabled control keeps its value through the description
  const std::string text = vcl::WriteFormText(form_.get());
  // Panel and spin button belong to the control and are never stored.
  EXPECT_EQ(text.find("TMMLEDPanel"), std::string::npos) << text;
  EXPECT_EQ(text.find("TMMSpinButton"), std::string::npos) << text;

  vcl::TForm copy(nullptr);
  vcl::ReadFormText(&copy, text);
  auto* read = dynamic_cast<TMMLEDSpin*>(copy.FindComponent("Volume"));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(read->ComponentCount(), 2);
  EXPECT_EQ(read->NumDigits(), 3);
  EXPECT_EQ(read->MinValue(), -50);
  EXPECT_EQ(read->MaxValue(), 250);
  EXPECT_EQ(read->Value(), 120);
  EXPECT_EQ(read->SpinButton()->Value(), 120);
  EXPECT_EQ(read->SpinButton()->MaxValue(), 250);
  EXPECT_EQ(read->Increment(), 5);
  EXPECT_EQ(read->Space(), 4);
  EXPECT_EQ(read->LEDColor(), vcl::clRed);
  EXPECT_EQ(read->PanelColor(), vcl::clNavy);
  EXPECT_FALSE(read->Enabled());
  EXPECT_EQ(read->Width(), led_->Width());
  EXPECT_EQ(vcl::WriteFormText(&copy), text);
  read->SetEnabled(true);  // disabled digits show blank cells
  EXPECT_EQ(Shown(*read->Panel()), "120");
}

}  // namespace
}  // namespace controls
