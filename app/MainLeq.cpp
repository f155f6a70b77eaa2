// The main window's side of the Leq measurement: the menu item that opens the
// Leq window and the step of every refresh pass of the second connector that
// collects one level from the main meters, corrected by the peak frequency of
// this very pass.
#include <cmath>

#include "app/LeqWindow.h"
#include "app/MainForm.h"

namespace app {

void TFrmMain::LEQcalculator1Click(vcl::TObject*) {
  leq_.SetActive(true);
  if (fSetting) fSetting->Show();
}

void TFrmMain::LeqStep() {
  if (leq_.Active()) {
    const int count = MMPeakDetect1->CopyPeakValues(leq_bins_);
    int bin = 0;
    int value = 0;
    FindPeak(leq_bins_, count, bin, value);
    const int peak_frequency =
        static_cast<int>(std::trunc(static_cast<double>(MMPeakDetect1->BinWidth()) * bin));
    if (leq_.AddPass(MMLevel1->LastLevel(), MMLevel2->LastLevel(), peak_frequency) && fSetting)
      fSetting->ShowLeqNow(leq_.Now());
  }
  leq_.CountPass();
}

}  // namespace app
