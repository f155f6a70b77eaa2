// The main window's Leq collection: the menu item opens the Leq window and
// every refresh pass of the second connector adds one level, read from the
// main meters, to the measurement the window averages.
#include <gtest/gtest.h>

#include "MainWindowFixture.h"
#include "platform/kernel/Files.h"

namespace {

using app::FrmMain;
using MainLeqTest = mainwindow::MainWindowTest;

TEST_F(MainLeqTest, LeqCalculatorCollectsTheSilentInputOncePerPass) {
  Start();
  app::TFrmMain* w = FrmMain;
  // dBFS ballistics: the meters read silence as 0.
  app::fOutfitL->rg_Meter->SetItemIndex(4);
  app::TfSetting* leq = app::fSetting;
  ASSERT_NE(leq, nullptr);
  EXPECT_TRUE(w->LEQcalculator1->Enabled());
  EXPECT_FALSE(w->LeqActive());
  w->LEQcalculator1->Click();
  EXPECT_TRUE(w->LeqActive());
  EXPECT_TRUE(leq->Visible());
  // Collecting already; Start begins the measurement anew.
  ASSERT_TRUE(PumpUntil([w] { return w->Leq().Count() > 0; }));
  leq->bt_start_leq->Click();
  EXPECT_EQ(w->Leq().Count(), 0);
  ASSERT_TRUE(PumpUntil([leq] { return leq->LeqSeconds() >= 2; }, 10000));
  EXPECT_GT(w->Leq().Count(), 0);
  // Silence on the loopback input reads as the smallest level.
  EXPECT_EQ(leq->lab_LEQ_60->Caption(), "   34.0 dB");

  // The weighting choice is the main window's.
  leq->rg_filter->SetItemIndex(2);
  EXPECT_EQ(w->rg_filter->ItemIndex(), 2);

  leq->btn_stop_leq->Click();
  EXPECT_FALSE(w->LeqActive());
  EXPECT_FALSE(leq->Timer_LEQ->Enabled());
  const vcl::TStrings& memo = *leq->memo_leq->Lines();
  EXPECT_EQ(memo.Strings(memo.Count() - 6), "Max LEQ Peak :   34.0 dB");

  // While collecting, the player's Play starts a measurement with its report head.
  w->LEQcalculator1->Click();
  w->waveplayer->SetFileName(plat::GetProgramFolder() + "Tones/white noise.wav");
  ASSERT_FALSE(w->waveplayer->IsEmpty());
  const int lines = memo.Count();
  w->btn_playClick(w);
  EXPECT_TRUE(leq->Timer_LEQ->Enabled());
  ASSERT_EQ(memo.Count(), lines + 10);
  EXPECT_EQ(memo.Strings(lines + 2), "LEQ(m) Measurement");
  w->btn_stopClick(w);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
