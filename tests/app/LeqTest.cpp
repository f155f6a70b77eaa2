// The Leq measurement: pass levels and their corrections, the mean over a
// whole measurement, and the Leq window's read-outs, report, log and saved
// report on the manual clock, without the main window.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/Leq.h"
#include "app/LeqWindow.h"
#include "app/ReportInfo.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/LocalTime.h"
#include "platform/user/Input.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "resources/ProgramResources.h"
#include "support/TempDir.h"

namespace {

using app::TLeqMeasurement;

// A 1 kHz tone at half scale on both meters, as one pass sees it.
constexpr int32_t kTone = 16384;
constexpr int kToneFrequency = 1000;

TEST(LeqLevel, PassLevelsAndTheirFrequencyCorrections) {
  struct Case {
    int32_t left, right;
    int frequency;
    double expect;
  };
  const double silence = 20.0 * std::log10(0.5);
  const Case cases[] = {
      {0, 0, 0, silence},                     // silence reads as the smallest level
      {1, 0, 0, silence},                     // ... which is the smallest signal's
      {kTone, kTone, 0, 84.288},              // no peak: no correction
      {kTone, kTone, 1000, 84.288 + 0.0666},  // ToDecibel
      {kTone, kTone, 101, 84.288 - 19.776},   // ToDecibel near its lower end
      {kTone, kTone, 5000, 84.288 + 16.589},  // CorrectionCurve
      {kTone, kTone, 100, 84.288},            // the bounds themselves are not corrected
      {kTone, kTone, 1100, 84.288},
      {kTone, kTone, 11500, 84.288},
      {32768, 0, 0, 84.288},  // the mean of the two meters
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << "/" << c.right << " at " << c.frequency << " Hz");
    EXPECT_NEAR(app::LeqPassLevel(c.left, c.right, c.frequency), c.expect, 0.001);
  }
  EXPECT_LT(app::LeqPassLevel(0, 0, 0), app::LeqPassLevel(1, 1, 0));
}

TEST(LeqMeasurement, MeanCoversAMeasurementLongerThanFortyThousandPasses) {
  TLeqMeasurement m;
  m.SetActive(true);
  EXPECT_FALSE(m.Mean());
  std::vector<int> readouts;
  for (int pass = 1; pass <= 50000; ++pass) {
    const bool tone = pass <= 30000;
    if (m.AddPass(tone ? kTone : 0, tone ? kTone : 0, tone ? kToneFrequency : 0) && readouts.size() < 3)
      readouts.push_back(pass);
    m.CountPass();
  }
  EXPECT_EQ(m.Count(), 50000);
  // 30000 passes at 124.355 and 20000 at 33.979: the tone's passes still count.
  ASSERT_TRUE(m.Mean());
  EXPECT_NEAR(*m.Mean(), 88.2048, 0.001);
  // The "LEQ now" read-out counts twice a pass: first after 58 passes, then every 115.
  EXPECT_EQ(readouts, (std::vector<int>{58, 173, 288}));
  m.Restart();
  EXPECT_FALSE(m.Mean());
  m.AddPass(0, 0, 0);
  EXPECT_NEAR(*m.Mean(), 33.979, 0.001);
}

// ---- the Leq window ---------------------------------------------------------------------------------

std::vector<std::string> ReadLines(const std::string& file_name, bool* crlf = nullptr) {
  std::ifstream in(file_name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines;
  std::string line;
  bool all_crlf = true;
  while (std::getline(text, line)) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    else
      all_crlf = false;
    lines.push_back(line);
  }
  if (crlf) *crlf = all_crlf;
  return lines;
}

class LeqWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    RegisterProgramResources();
    vcl::RegisterStdControlClasses();
    vcl::RegisterClasses({vcl::TTimer::StaticClass(), vcl::TRadioGroup::StaticClass(),
                          app::TfSetting::StaticClass(), app::TfReport::StaticClass()});
  }
  void SetUp() override {
    cwd_ = std::filesystem::current_path();
    plat::backend::Install(std::make_unique<plat::backend::HeadlessBackend>());
    plat::clock::UseManual();
    plat::SYSTEMTIME noon;
    noon.wYear = 2026;
    noon.wMonth = 12;
    noon.wDay = 11;
    noon.wHour = 12;
    plat::clock::SetLocalTime(noon);
    vcl::InitApplication();
    vcl::InitForms();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
    plat::SetDialogScript([this](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
      if (request.kind == plat::DialogKind::MessageBox) return plat::DialogAnswer{};
      dialogs_.push_back(request);
      if (answers_.empty()) return std::nullopt;
      plat::DialogAnswer answer;
      answer.file_name = answers_.front();
      answers_.erase(answers_.begin());
      return answer;
    });
    save_dialog_ = new vcl::TSaveDialog(vcl::Application);
    vcl::ApplicationCreateForm(app::fReport);
    vcl::ApplicationCreateForm(app::fSetting);
    w_ = app::fSetting;
    w_->SetMeasurement(&m_);
    w_->SetSaveDialog(save_dialog_);
    // The main window's menu item starts the collection.
    m_.SetActive(true);
  }
  void TearDown() override {
    plat::SetDialogScript({});
    vcl::DoneForms();
    Pump();
    vcl::DoneApplication();
    plat::clock::SetLocalTime(std::nullopt);
    plat::clock::UseReal();
    plat::backend::Install(nullptr);
    std::filesystem::current_path(cwd_);
  }

  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }

  // One second of refresh passes as the main window makes them, then the second's tick.
  void Second(bool tone) {
    for (int i = 0; i < 25; ++i) {
      if (m_.Active() && m_.AddPass(tone ? kTone : 0, tone ? kTone : 0, tone ? kToneFrequency : 0))
        w_->ShowLeqNow(m_.Now());
      m_.CountPass();
    }
    plat::clock::AdvanceMs(1000);
    Pump();
  }

  // Chooses `name` in the export folder for the next save dialog.
  std::string Answer(const std::string& name) {
    const std::string file = temp_.File("data/quellix/Analyzer Excel export/" + name);
    answers_.push_back(file);
    return file;
  }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv data_{"XDG_DATA_HOME", temp_.File("data")};
  TLeqMeasurement m_;
  vcl::TSaveDialog* save_dialog_ = nullptr;
  app::TfSetting* w_ = nullptr;
  std::vector<std::string> errors_;
  std::vector<plat::DialogRequest> dialogs_;
  std::vector<std::string> answers_;

 private:
  std::filesystem::path cwd_;
};

TEST_F(LeqWindowTest, MeasurementsGiveTheirMeanMaximumAndLogLines) {
  struct Case {
    const char* name;
    std::vector<bool> seconds;  // tone or silence in each second
    std::vector<const char*> means;
    const char* max;
  };
  const Case cases[] = {
      {"silence", {false, false, false}, {"   34.0", "   34.0", "   34.0"}, "   34.0"},
      {"steady tone", {true, true, true}, {"  124.4", "  124.4", "  124.4"}, "  124.4"},
      // The maximum is the highest level seen at a tick; the mean of the dB values falls.
      {"tone that stops", {true, false, false}, {"  124.4", "   79.2", "   64.1"}, "  124.4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Each measurement in a window of its own: the maximum lasts as long as the window.
    delete app::fSetting;
    vcl::ApplicationCreateForm(app::fSetting);
    w_ = app::fSetting;
    m_ = TLeqMeasurement{};
    w_->SetMeasurement(&m_);
    w_->SetSaveDialog(save_dialog_);
    m_.SetActive(true);
    const std::string log = Answer(std::string(c.name) + ".csv");
    w_->btn_write->Click();
    ASSERT_TRUE(w_->CsvLogOpen());
    w_->bt_start_leq->Click();
    EXPECT_EQ(w_->lab_LEQ_60->Caption(), "0.0 dB");
    for (bool tone : c.seconds) Second(tone);
    EXPECT_EQ(w_->lab_LEQ_60->Caption(), std::string(c.means.back()) + " dB");
    EXPECT_EQ(w_->lab_sec->Caption(), "3 sec  ");
    // "LEQ now" shows the level of the 58th pass, in the third second.
    EXPECT_EQ(w_->lab_leq_now->Caption(), std::string(c.seconds[2] ? "  124.4" : "   34.0") + " dB");

    w_->btn_stop_leq->Click();
    EXPECT_FALSE(m_.Active());
    EXPECT_FALSE(w_->Timer_LEQ->Enabled());
    EXPECT_FALSE(w_->CsvLogOpen());
    EXPECT_EQ(w_->lab_sec->Caption(), "3 sec  ");

    bool crlf = false;
    const std::vector<std::string> lines = ReadLines(log, &crlf);
    EXPECT_TRUE(crlf);
    ASSERT_EQ(lines.size(), 3u);
    for (size_t i = 0; i < 3; ++i)
      EXPECT_EQ(lines[i], "Time : ;12:00:0" + std::to_string(i + 1) + ";Leq(m);" + c.means[i] +
                              "; dB; Leq max :;" + c.max + "; dB;" + std::to_string(i + 1) + " sec  ");

    const vcl::TStrings& memo = *w_->memo_leq->Lines();
    ASSERT_EQ(memo.Count(), 22);
    const std::vector<std::string> head = {"Vantorel",
                                           "",
                                           "LEQ(m) Measurement",
                                           "",
                                           "Calibration at: 2026-12-11 12:00:00",
                                           "",
                                           "Location : ",
                                           "Person : ",
                                           "Memo : ",
                                           ""};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(memo.Strings(i), head[static_cast<size_t>(i)]) << i;
    const std::vector<std::string> foot = {
        "",
        "",
        "End of LEQ measurement : 2026-12-11 12:00:03",
        "",
        std::string("Mean LEQ(m)  ") + c.means.back() + " dB  of reference Time:       3 sec",
        "",
        std::string("Max LEQ Peak :") + c.max + " dB",
        "",
        "Sign: ",
        "",
        "",
        std::string(40, '_')};
    for (int i = 0; i < 12; ++i) EXPECT_EQ(memo.Strings(10 + i), foot[static_cast<size_t>(i)]) << i;
    plat::clock::SetLocalTime(plat::SYSTEMTIME{2026, 12, 0, 11, 12, 0, 0, 0});
  }
  EXPECT_TRUE(errors_.empty());
}

TEST_F(LeqWindowTest, ASecondLogClosesTheFirstAndTheReportIsSavedWhole) {
  app::fReport->Edit1->SetText("Hall 2");
  app::fReport->Edit2->SetText("Kim");
  app::fReport->memo_memo->Lines()->Add("stage left");
  const std::string first = Answer("first.csv");
  w_->btn_write->Click();
  w_->bt_start_leq->Click();
  Second(true);
  const std::string second = Answer("second.csv");
  w_->btn_write->Click();
  Second(false);
  EXPECT_EQ(ReadLines(first).size(), 1u);
  EXPECT_EQ(ReadLines(second).size(), 1u);
  EXPECT_NE(ReadLines(second)[0].find("2 sec  "), std::string::npos);
  ASSERT_EQ(dialogs_.size(), 2u);
  EXPECT_EQ(dialogs_[0].title, "Save Sonavex Excel export");
  w_->btn_stop_leq->Click();

  // A second measurement restarts the mean; the maximum of the first remains.
  w_->bt_start_leq->Click();
  Second(false);
  w_->btn_stop_leq->Click();
  const vcl::TStrings& memo = *w_->memo_leq->Lines();
  EXPECT_EQ(memo.Strings(6), "Location : Hall 2");
  EXPECT_EQ(memo.Strings(7), "Person : Kim");
  EXPECT_EQ(memo.Strings(8), "Memo : stage left");
  EXPECT_EQ(memo.Strings(memo.Count() - 8), "Mean LEQ(m)     34.0 dB  of reference Time:       1 sec");
  EXPECT_EQ(memo.Strings(memo.Count() - 6), "Max LEQ Peak :  124.4 dB");

  const std::string report = Answer("report.txt");
  std::filesystem::create_directories(std::filesystem::path(report).parent_path());
  { std::ofstream(report) << "an older report"; }
  w_->btn_save->Click();
  bool crlf = false;
  const std::vector<std::string> saved = ReadLines(report, &crlf);
  EXPECT_TRUE(crlf);
  ASSERT_EQ(static_cast<int>(saved.size()), memo.Count());
  EXPECT_EQ(saved.front(), "Vantorel");
  EXPECT_EQ(saved.back(), std::string(40, '_'));
  EXPECT_EQ(dialogs_.back().title, "Save Sonavex text file export");
  EXPECT_EQ(dialogs_.back().choices, std::vector<std::string>{"Sonavex export "});
  EXPECT_EQ(std::filesystem::path(dialogs_.back().text), std::filesystem::path(report).parent_path());
  // No temporary file is left beside the logs and the report.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(report).parent_path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"first.csv", "report.txt", "second.csv"}));
  EXPECT_TRUE(errors_.empty());
}

}  // namespace
