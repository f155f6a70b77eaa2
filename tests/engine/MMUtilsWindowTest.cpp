#include <gtest/gtest.h>

#include "engine/MMUtils.h"
#include "platform/user/Screen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"

using namespace vcl;

namespace {

class WindowRoutines : public ::testing::Test {
 protected:
  void SetUp() override {
    InitApplication();
    InitForms();
  }
  void TearDown() override {
    DoneForms();
    DoneApplication();
  }
};

}  // namespace

TEST_F(WindowRoutines, MapClientPointGoesThroughScreenCoordinates) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(100, 50, 300, 200);
  auto* left = new TPanel(&form);
  left->SetParent(&form);
  left->SetBevelOuter(bvNone);
  left->SetBounds(10, 20, 50, 50);
  auto* right = new TPanel(&form);
  right->SetParent(&form);
  right->SetBevelOuter(bvNone);
  right->SetBounds(150, 5, 50, 50);
  form.Show();

  const plat::POINT p = engine::MapClientPoint(right, left, plat::POINT{3, 4});
  EXPECT_EQ(p.x, 10 + 3 - 150);
  EXPECT_EQ(p.y, 20 + 4 - 5);
  // Without both controls the point is returned as it is.
  EXPECT_EQ(engine::MapClientPoint(nullptr, left, plat::POINT{7, 8}).x, 7);
}

TEST(WindowRoutinesMetrics, CaptionFrameHeightIsCaptionPlusTwoFrames) {
  EXPECT_EQ(engine::GetCaptionFrameHeight(),
            plat::GetSystemMetrics(plat::SM_CYCAPTION) + 2 * plat::GetSystemMetrics(plat::SM_CYFRAME));
  EXPECT_GT(engine::GetCaptionFrameHeight(), plat::GetSystemMetrics(plat::SM_CYCAPTION));
}
