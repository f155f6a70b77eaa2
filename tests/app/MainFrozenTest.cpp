// Frozen spectra on the headless main window: slots stored, loaded and
// assigned, the empty slot's window, and backgrounds rendered by fSpecBack
// in the colours they are given, found by their pixels in the pictures and
// on the screen.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "app/MainForm.h"
#include "app/MainWindowFixture.h"
#include "app/Projects.h"
#include "app/SavBin.h"
#include "app/Scans.h"
#include "app/Settings.h"
#include "app/SpecBack.h"
#include "app/SpectrumOutfit.h"
#include "controls/MMColBtn.h"
#include "controls/MMLEDLbl.h"
#include "platform/kernel/Files.h"
#include "platform/user/Geometry.h"
#include "platform/user/Paint.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

namespace {

using app::FrmMain;
using mainwindow::MainWindowTest;
using mainwindow::Pump;

std::string ReadText(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string ValueText(const std::vector<int32_t>& values) {
  std::string text;
  for (int32_t v : values) text += std::to_string(v) + "\r\n";
  return text;
}

// Pixels of `picture` that show `color`.
int CountColor(vcl::TBitmap* picture, vcl::TColor color) {
  const plat::COLORREF want = vcl::ColorToRGB(color);
  int found = 0;
  for (int y = 0; y < picture->Height(); ++y)
    for (int x = 0; x < picture->Width(); ++x)
      if (vcl::ColorToRGB(picture->Canvas()->Pixels(x, y)) == want) ++found;
  return found;
}

class FrozenSpectraTest : public MainWindowTest {
 protected:
  // The live input stopped and the spectrum holding `values`, as a frozen view does.
  std::vector<int32_t> Hold(int32_t base) {
    FrmMain->MMWaveIn1->Close();
    FrmMain->MMSpectrum1->SetEnabled(false);
    std::vector<int32_t> values(static_cast<size_t>(FrmMain->MMSpectrum1->FFTLength() / 2));
    for (size_t i = 0; i < values.size(); ++i) {
      values[i] = base + static_cast<int32_t>(i);
      FrmMain->MMSpectrum1->SetDisplayValue(static_cast<int32_t>(i), values[i]);
    }
    return values;
  }
  std::vector<int32_t> Shown() const {
    std::vector<int32_t> values(static_cast<size_t>(FrmMain->MMSpectrum1->FFTLength() / 2));
    FrmMain->MMSpectrum1->CopyDisplayValues(values);
    return values;
  }
};

TEST_F(FrozenSpectraTest, SlotsAreStoredLoadedAndAssigned) {
  Start();
  const std::string folder = app::PeakDataFolder();
  const std::vector<int32_t> first = Hold(100);
  file_answers_.push_back(folder + "a.sav");
  FrmMain->StoreFreeed1Click(nullptr);
  EXPECT_EQ(ReadText(folder + "a.sav"), ValueText(first));
  EXPECT_FALSE(std::filesystem::exists(folder + "default.sav")) << "renamed into the slot's file";
  EXPECT_EQ(FrmMain->BinSlotFiles[0], folder + "a.sav");
  EXPECT_EQ(std::filesystem::current_path().string() + "/", folder);
  ASSERT_FALSE(file_dialogs_.empty());
  EXPECT_EQ(file_dialogs_.back().title, "Save Sonavex Peak Data");

  // A name that exists keeps its file; the latest spectrum stays in "default.sav".
  const std::vector<int32_t> second = Hold(7000);
  // The overwrite prompt is confirmed.
  bool asked = false;
  plat::SetDialogScript([&](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
    plat::DialogAnswer answer;
    if (request.kind == plat::DialogKind::MessageBox) {
      answer.button = plat::IDYES;
      return answer;
    }
    if (std::exchange(asked, true)) return std::nullopt;
    answer.file_name = folder + "a.sav";
    return answer;
  });
  FrmMain->StoreFreezedSpectrum21Click(nullptr);
  EXPECT_TRUE(asked);
  EXPECT_EQ(ReadText(folder + "a.sav"), ValueText(first));
  EXPECT_EQ(ReadText(folder + "default.sav"), ValueText(second));
  EXPECT_EQ(FrmMain->BinSlotFiles[1], folder + "a.sav");

  plat::SetDialogScript([this](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
    file_dialogs_.push_back(request);
    if (request.kind == plat::DialogKind::MessageBox || file_answers_.empty()) return std::nullopt;
    plat::DialogAnswer answer;
    answer.file_name = file_answers_.front();
    file_answers_.pop_front();
    return answer;
  });

  // Loading slot 1 shows the file with the input closed.
  FrmMain->MMWaveIn1->Start();
  FrmMain->LoadfreezedSpectrum11Click(nullptr);
  EXPECT_FALSE(FrmMain->MMWaveIn1->DeviceStarted());
  EXPECT_FALSE(FrmMain->MMSpectrum1->Enabled());
  EXPECT_EQ(Shown(), first);

  // An empty slot brings the slot window up and the input back.
  FrmMain->LoadfreezedSpectrum13Click(nullptr);
  ASSERT_NE(app::FrmSavBin, nullptr);
  EXPECT_TRUE(app::FrmSavBin->Visible());
  EXPECT_TRUE(FrmMain->MMWaveIn1->DeviceStarted());
  EXPECT_TRUE(FrmMain->MMSpectrum1->Enabled());

  // The slot window assigns a file and shows its name in capitals.
  file_answers_.push_back(folder + "my.sav");
  std::ofstream(folder + "my.sav") << "1\r\n";
  app::FrmSavBin->SpeedButton13Click(nullptr);
  EXPECT_EQ(app::FrmSavBin->SlotLabels[3]->Caption(), "MY.SAV");
  EXPECT_EQ(FrmMain->BinSlotFiles[3], folder + "my.sav");
  EXPECT_EQ(file_dialogs_.back().text + "/", folder) << "opened in the peak-data folder";
  Stop();
}

TEST_F(FrozenSpectraTest, AStoreWithoutItsFolderSaysNothingAndKeepsTheCurrentDirectory) {
  Start();
  // A file where the folder belongs: it cannot be made.
  std::filesystem::create_directories(app::UserDataFolder());
  std::filesystem::remove_all(app::PeakDataFolder());
  std::ofstream(app::UserDataFolder() + "Analyzer Peak Data") << "x";
  const std::string before = std::filesystem::current_path();
  Hold(5);
  messages_.clear();
  FrmMain->StoreFreeed1Click(nullptr);
  EXPECT_TRUE(messages_.empty());
  EXPECT_EQ(std::filesystem::current_path().string(), before);
  Stop();
}

TEST_F(FrozenSpectraTest, BackgroundsAreDrawnInTheirColoursAndShownBehindTheSpectrum) {
  Start();
  ASSERT_NE(app::fSpecBack, nullptr);
  ASSERT_NE(app::fOutfitSpec, nullptr);
  app::TfSpecBack& renderer = *app::fSpecBack;
  const std::string folder = app::PeakDataFolder();
  ASSERT_TRUE(app::PreparePeakDataFolder());
  // A loud, even curve across the whole band.
  std::vector<int32_t> loud(1024, 200000);
  ASSERT_TRUE(app::WriteValueFile(folder + "loud.sav", loud));
  const vcl::TColor background = 0x00FF00FF;
  for (int i : {6, 7, 8}) app::fOutfitSpec->MMColorButton[i]->SetValue(background);

  struct Row {
    int lines_or_bars;
    displays::TMMSpectrumKind kind;
  };
  for (const Row& r : {Row{0, displays::skLines}, Row{1, displays::skBars}}) {
    SCOPED_TRACE(r.lines_or_bars);
    app::WriteInteger("Lines/Bars", r.lines_or_bars);
    renderer.LoadSpectrumBackground(folder + "loud.sav");
    EXPECT_EQ(renderer.SpeckBack->Kind(), r.kind);
    EXPECT_EQ(FrmMain->LoadDialog1->FileName(), folder + "loud.sav");
    EXPECT_TRUE(vcl::GetOrdProp(FrmMain->MMSpectrum1, "UseBackGroundDIB"));
    auto* installed = dynamic_cast<vcl::TBitmap*>(vcl::GetObjectProp(FrmMain->MMSpectrum1, "BackGroundDIB"));
    ASSERT_NE(installed, nullptr);
    EXPECT_EQ(installed->Width(), FrmMain->MMSpectrum1->Width());
    EXPECT_EQ(installed->Height(), FrmMain->MMSpectrum1->Height());
    EXPECT_GT(CountColor(installed, background), 50);
  }

  // On the screen, under a silent spectrum.
  FrmMain->MMWaveIn1->Close();
  FrmMain->MMSpectrum1->ResetData();
  FrmMain->MMSpectrum1->SetEnabled(false);
  FrmMain->MMSpectrum1->Invalidate();
  plat::UpdateWindow(FrmMain->Handle());
  Pump();
  auto* screen = dynamic_cast<plat::backend::HeadlessBackend*>(&plat::backend::Current());
  ASSERT_NE(screen, nullptr);
  plat::RECT frame{};
  ASSERT_TRUE(plat::GetWindowRect(FrmMain->Handle(), &frame));
  const displays::TMMSpectrum& main = *FrmMain->MMSpectrum1;
  int shown = 0;
  for (int y = 0; y < main.Height(); y += 2)
    for (int x = 0; x < main.Width(); x += 2) {
      const vcl::TPoint p = main.ClientToScreen({x, y});
      if ((screen->PresentedPixel(FrmMain->Handle(), p.x - frame.left, p.y - frame.top) & 0xFFFFFF) ==
          vcl::ColorToRGB(background))
        ++shown;
    }
  EXPECT_GT(shown, 20) << "the background is not behind the spectrum";
  FrmMain->ClearfreezedSpectrumbackground1Click(nullptr);
  EXPECT_FALSE(vcl::GetOrdProp(FrmMain->MMSpectrum1, "UseBackGroundDIB"));

  // A pair: both curves in the colours of slots 1 and 2, whatever the pair,
  // with the scale text of pictures.
  std::vector<int32_t> quiet(1024, 3000);
  ASSERT_TRUE(app::WriteValueFile(folder + "quiet.sav", quiet));
  FrmMain->cb_F1->SetValue(vcl::clLime);
  FrmMain->cb_F2->SetValue(vcl::clRed);
  FrmMain->cb_F3->SetValue(vcl::clAqua);
  FrmMain->cb_F6->SetValue(vcl::clYellow);
  ASSERT_TRUE(renderer.ComposePairBackground(folder + "loud.sav", folder + "quiet.sav"));
  vcl::TBitmap pair;
  pair.LoadFromFile(app::AnalyzerPictureFile());
  EXPECT_EQ(pair.Width(), FrmMain->MMSpectrum1->Width());
  EXPECT_GT(CountColor(&pair, vcl::clLime), 50);
  EXPECT_GT(CountColor(&pair, vcl::clRed), 50);
  EXPECT_EQ(CountColor(&pair, vcl::clAqua), 0);
  EXPECT_GT(CountColor(&pair, 0xF0FBFF), 0) << "scale text";
  Stop();
}

}  // namespace
