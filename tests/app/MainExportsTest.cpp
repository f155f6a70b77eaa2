// Exports on the headless main window through the scripted save dialog: the
// spreadsheet text and the equaliser files of a known pair of results, the
// JPEG of a pair and of the live view, and what a cancelled save leaves.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/Projects.h"
#include "app/Scans.h"
#include "app/SpecBack.h"
#include "platform/kernel/Locale.h"
#include "platform/shell/ShellExecute.h"
#include "platform/vcl/Jpeg.h"
#include "platform/vcl/Streams.h"

namespace {

using app::FrmMain;

std::vector<std::string> ReadLines(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines;
  std::string all = text.str();
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find("\r\n", at);
    if (end == std::string::npos) end = all.size();
    lines.push_back(all.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

void WriteValues(const std::string& name, int count, int32_t (*value)(int)) {
  std::ofstream out(name, std::ios::binary);
  for (int i = 0; i < count; ++i) out << value(i) << "\r\n";
}

std::pair<int, int> JpegSize(const std::string& name) {
  vcl::TJPEGImage jpeg;
  vcl::TFileStream in(name, vcl::fmOpenRead);
  jpeg.LoadFromStream(in);
  return {jpeg.Width(), jpeg.Height()};
}

class MainExportsTest : public mainwindow::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    plat::SetLocaleSeparators(plat::LocaleSeparators{'.', ','});
    plat::SetShellSink([this](const plat::ShellCall& call) { opened_.push_back(call.file); });
  }
  void TearDown() override {
    plat::SetShellSink({});
    plat::SetLocaleSeparators(std::nullopt);
    MainWindowTest::TearDown();
  }
  std::vector<std::string> opened_;
};

TEST_F(MainExportsTest, PairsAndTheViewAreExportedOnlyWhenTheSaveIsConfirmed) {
  Start();
  ASSERT_TRUE(app::PreparePeakDataFolder());
  const std::string folder = app::PeakDataFolder();
  WriteValues(app::ScanAverageFile(folder, 1), 1024, [](int) { return 290000; });
  WriteValues(app::ScanAverageFile(folder, 4), 1024, [](int) { return 29000; });
  // Line i is i dB against the equaliser's reference; as long as an FFT 4096 scan's file.
  WriteValues(app::ScanHighestFile(folder, 1), 2048, [](int i) {
    return i <= 60 ? static_cast<int32_t>(std::lround(131072 * std::pow(10.0, i / 20.0))) : 1;
  });
  FrmMain->rg_octave->SetItemIndex(4);
  ASSERT_EQ(FrmMain->MMSpectrum1->FFTLength(), 2048);
  FrmMain->rg_Show->SetItemIndex(0);

  // Cancelled: nothing written and nothing opened.
  FrmMain->btn_txtClick(nullptr);
  ASSERT_FALSE(file_dialogs_.empty());
  EXPECT_EQ(file_dialogs_.back().title, "Save Sonavex Excel export");
  EXPECT_TRUE(std::filesystem::is_directory(app::UserDataFolder() + "Analyzer Excel export"));
  EXPECT_TRUE(opened_.empty());

  const std::string xls = temp_.File("pair.xls");
  file_answers_.push_back(xls);
  FrmMain->btn_txtClick(nullptr);
  const std::vector<std::string> lines = ReadLines(xls);
  ASSERT_EQ(lines.size(), 1023u);
  EXPECT_EQ(lines[0], "0.10 amp1;-19.90 amp2;21.53 freq");
  EXPECT_EQ(lines[1022], "0.10 amp1;-19.90 amp2;22025.19 freq");
  EXPECT_EQ(opened_, std::vector<std::string>{xls});

  // The pair's picture, in the renderer's size, which is the spectrum's.
  const std::string pair_jpg = temp_.File("pair.jpg");
  file_answers_.push_back(pair_jpg);
  FrmMain->Button11Click(nullptr);
  EXPECT_EQ(file_dialogs_.back().title, "Save Sonavex screen shot as jpg");
  const std::pair<int, int> view_size{FrmMain->MMSpectrum1->Width(), FrmMain->MMSpectrum1->Height()};
  EXPECT_EQ(JpegSize(pair_jpg), view_size);
  EXPECT_TRUE(std::filesystem::exists(app::AnalyzerPictureFile()));
  EXPECT_EQ(opened_.back(), pair_jpg);

  // The highest values: an over-long file fills the equaliser's table and no more.
  ASSERT_EQ(FrmMain->MMSpectrum1->SampleRate(), 44100);
  FrmMain->rg_Show->SetItemIndex(1);
  const size_t opened_before = opened_.size();
  // Where nothing opens documents, the shell has said so for the files above.
  messages_.clear();
  FrmMain->Button22Click(nullptr);
  std::vector<std::string> want = {"14", "18", "22", "28", "36"};
  for (int i = 5; i <= 30; ++i) want.push_back((i < 10 ? " " : "") + std::to_string(i));
  EXPECT_EQ(ReadLines(folder + "eq_q.sav"), want);
  // Slot 4 has no highest values.
  EXPECT_EQ(ReadLines(folder + "eq_n.sav"), std::vector<std::string>(31, "0"));
  EXPECT_EQ(FrmMain->Bands().Count(), 0);
  // No equaliser beside the program: nothing started and nothing said.
  EXPECT_EQ(opened_.size(), opened_before);
  EXPECT_TRUE(messages_.empty()) << messages_.front();

  // The live view: its values kept, the view frozen, the picture in its size.
  FrmMain->rg_octave->SetItemIndex(0);
  const std::string view_jpg = temp_.File("view.jpg");
  FrmMain->btn_jpgClick(nullptr);
  EXPECT_TRUE(std::filesystem::exists(folder + "default_jpg.sav"));
  EXPECT_FALSE(std::filesystem::exists(view_jpg));
  EXPECT_EQ(opened_.back(), pair_jpg) << "a cancelled save opens nothing";
  file_answers_.push_back(view_jpg);
  FrmMain->btn_jpgClick(nullptr);
  EXPECT_EQ(JpegSize(view_jpg), view_size);
  EXPECT_FALSE(FrmMain->MMConnector1->AutoTrigger());
  EXPECT_EQ(opened_.back(), view_jpg);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

}  // namespace
