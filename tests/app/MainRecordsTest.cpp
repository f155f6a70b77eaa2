// The peak detector and records pages on the virtual loopback pair: a
// generator plays a known tone into the loopback output, the window's input
// hears it, and the memo records the spectrum's peak and the detector's
// levels at the twelve frequencies; the memo saved and loaded again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainWindowFixture.h"
#include "app/Projects.h"
#include "engine/MMFXGen.h"
#include "engine/MMWavOut.h"

namespace {

using app::TFrmMain;

class MainRecordsTest : public mainwindow::LoopbackToneTest {
 protected:
  std::vector<std::string> Memo() const {
    std::vector<std::string> lines;
    for (int i = 0; i < w_->Memo1->Lines()->Count(); ++i) lines.push_back(w_->Memo1->Lines()->Strings(i));
    return lines;
  }

  // Lines of the memo from `first` on that match `pattern`.
  std::vector<std::smatch> Matching(const std::vector<std::string>& lines, size_t first,
                                    const std::regex& pattern) {
    std::vector<std::smatch> found;
    for (size_t i = first; i < lines.size(); ++i) {
      std::smatch m;
      if (std::regex_match(lines[i], m, pattern)) found.push_back(m);
    }
    return found;
  }

  TFrmMain* w_ = nullptr;
};

TEST_F(MainRecordsTest, ToneRecordedAsPeakStepsAndDetectorLevels) {
  Start();
  w_ = app::FrmMain;
  // The start-up header: the title one space further in than after "Clear".
  std::vector<std::string> memo = Memo();
  ASSERT_GE(memo.size(), 8u);
  EXPECT_EQ(memo[0], std::string(62, '_'));
  EXPECT_EQ(memo[2], std::string(37, ' ') + "Sonavex Data");
  EXPECT_EQ(memo[7].rfind("  Project: ", 0), 0u);

  generator_.SetFrequency(1000.0f);
  tone_.Start();
  ASSERT_TRUE(Await([&] { return !w_->MMSpectrum1->PeakLabel().empty(); })) << "the tone was never heard";
  // The buffer that first carried the tone began in silence; the steps read buffers of tone alone.
  ASSERT_TRUE(AwaitInputBuffers(2));

  // A peak recording of a few steps, stopped by "Stop".
  w_->MMLEDSpin17->SetValue(100);
  const size_t opening = memo.size();
  w_->Button7Click(w_->Button7);
  EXPECT_EQ(w_->Timer1->Interval(), 100u);
  const std::regex step(
      R"(  Step: (\d{3})  - \| Frequency:  (.*) Hz \|  Amplitude: (\d\.\d{6}) \| dB: +(-?\d+\.\d\d) \|)");
  ASSERT_TRUE(Await([&] { return Matching(Memo(), opening, step).size() >= 5; }));
  w_->Button3Click(w_->Button3);
  EXPECT_FALSE(w_->Timer1->Enabled());
  memo = Memo();
  EXPECT_EQ(memo[opening + 1], "  RECORDING  SONAVEX  PEAK  DATA ...");
  const auto steps = Matching(memo, opening, step);
  for (size_t i = 0; i < steps.size(); ++i) {
    SCOPED_TRACE(steps[i].str());
    EXPECT_EQ(std::stoi(steps[i][1]), static_cast<int>(i + 1));
    EXPECT_NEAR(std::stod(steps[i][2]), 1000.0, 30.0);
    EXPECT_GT(std::stod(steps[i][3]), 0.5);
  }

  // A detector recording: twelve lines per tick at the player's position,
  // the tone's frequency far above the others.
  w_->MMLEDSpin16->SetValue(100);
  w_->MMLEDSpin16Change(w_->MMLEDSpin16);
  const size_t bands_from = Memo().size();
  w_->Button8Click(w_->Button8);
  EXPECT_TRUE(w_->RecordState().peak_detector_live);
  EXPECT_EQ(w_->MMLabel53->Caption(), "FFT >> 2.69 Hz");
  const std::regex band(R"((\d+)      Frequency:   (\d+) Hz  ->   (.*))");
  ASSERT_TRUE(Await([&] { return Matching(Memo(), bands_from, band).size() >= 36; }));
  // The first recording after start ends by itself after 35 ticks.
  ASSERT_TRUE(Await([&] { return !w_->Timer1->Enabled(); }));
  memo = Memo();
  EXPECT_EQ(memo[bands_from + 1], "  RECORDING  SONAVEX  FREQUENCY  DATA ...");
  const auto lines = Matching(memo, bands_from, band);
  ASSERT_EQ(lines.size(), 35u * 12u);
  const int frequencies[] = {1000, 63, 80, 100, 250, 500, 1000, 1600, 2000, 4000, 6300, 8000};
  for (size_t i = 0; i < lines.size(); ++i) EXPECT_EQ(std::stoi(lines[i][2]), frequencies[i % 12]) << i;
  EXPECT_EQ(lines[0][1], "0");
  // The last tick read what the live step showed: 1 kHz near full scale, 63 Hz far below.
  const auto db = [](const std::string& text) { return text == "-Inf" ? -1000.0 : std::stod(text); };
  const size_t last = lines.size() - 12;
  EXPECT_GT(db(lines[last][3]), 0.0) << lines[last].str();
  EXPECT_LT(db(lines[last + 1][3]), db(lines[last][3]) - 30.0) << lines[last + 1].str();
  EXPECT_EQ(w_->RecordState().record_band_tick, 1);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(MainRecordsTest, ClearSaveAndLoadTheMemo) {
  Start();
  w_ = app::FrmMain;
  w_->Button4Click(w_->Button4);
  std::vector<std::string> memo = Memo();
  ASSERT_EQ(memo.size(), 8u);
  EXPECT_EQ(memo[2], std::string(36, ' ') + "Sonavex Data");
  w_->Memo1->Lines()->Add("  Step: 001  - | Frequency:  1000.0 Hz |");

  // Saved into the peak-data folder, made when missing, with CR LF lines.
  std::filesystem::remove_all(app::PeakDataFolder());
  const std::string saved = temp_.File("records.txt");
  file_answers_.push_back(saved);
  w_->Button5Click(w_->Button5);
  EXPECT_TRUE(std::filesystem::is_directory(app::PeakDataFolder()));
  ASSERT_FALSE(file_dialogs_.empty());
  EXPECT_EQ(file_dialogs_.back().title, "Save Sonavex Peak Data");
  std::ifstream in(saved, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_NE(text.str().find("Sonavex Data\r\n"), std::string::npos);
  EXPECT_NE(text.str().find("1000.0 Hz |\r\n"), std::string::npos);

  w_->Button4Click(w_->Button4);
  file_answers_.push_back(saved);
  w_->Button6Click(w_->Button6);
  memo.push_back("  Step: 001  - | Frequency:  1000.0 Hz |");
  EXPECT_EQ(Memo(), memo);
  EXPECT_EQ(file_dialogs_.back().title, "Load Sonavex Peak Data");

  // A folder that cannot be made: the warning, and the save goes on.
  std::filesystem::remove_all(app::PeakDataFolder());
  std::ofstream(app::PeakDataFolder().substr(0, app::PeakDataFolder().size() - 1)) << "x";
  const std::string second = temp_.File("second.txt");
  file_answers_.push_back(second);
  w_->Button5Click(w_->Button5);
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back(), "Can't create directory !");
  EXPECT_TRUE(std::filesystem::exists(second));
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
