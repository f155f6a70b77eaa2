// The "Mp3/wav tools" menu of the main window: each item shows its tool, and
// the tools ask through the dialogs the main block gave them.
#include "MainWindowFixture.h"
#include "files/WaveFixtures.h"

namespace {

using app::FrmMain;

class MainToolsTest : public mainwindow::MainWindowTest {
 protected:
  // Runs `answer` once `form` shows modally, then closes it.
  void WhenShown(vcl::TForm* form, std::function<void()> answer) {
    idles_ = 0;
    answer_ = std::move(answer);
    vcl::Application->OnIdle = [this, form](vcl::TObject*, bool& done) {
      done = false;
      if (form->Visible() && answer_) {
        std::function<void()> answer = std::move(answer_);
        answer_ = nullptr;
        answer();
        form->SetModalResult(vcl::mrOk);
      } else if (++idles_ > 2000) {
        form->SetModalResult(vcl::mrAbort);  // the window never came
      }
    };
  }

  std::function<void()> answer_;
  int idles_ = 0;
};

TEST_F(MainToolsTest, MenuItemsShowTheToolsWhichWorkThroughTheirDialogs) {
  Start();
  // With the input closed the modal loops go idle, where the answers come in.
  FrmMain->MMWaveIn1->Close();
  FrmMain->MMWaveOut1->Close();
  for (vcl::TMenuItem* item :
       {FrmMain->ConvertMp3toWav1, FrmMain->ConvertWavtoMp31, FrmMain->Normalizewavefiles1,
        FrmMain->SplittStereointo2monofiles1, FrmMain->Swapleftwithrigthchannel1})
    EXPECT_TRUE(item->Enabled()) << item->Caption();
  const std::string source = temp_.File("take.wav");
  filestest::WriteWave(source, filestest::Pcm(16, 2, 8000),
                       filestest::Bytes{0, 0x20, 0, 0xE0, 0, 0x10, 1, 0});

  // Split and swap open through the split window's dialog.
  WhenShown(app::fSplit, [&] {
    file_answers_.push_back(source);
    app::fSplit->Button1->Click();
  });
  FrmMain->SplittStereointo2monofiles1->Click();
  WhenShown(app::fSwap, [&] {
    file_answers_.push_back(source);
    app::fSwap->Button1->Click();
  });
  FrmMain->Swapleftwithrigthchannel1->Click();
  EXPECT_EQ(filestest::ReadWaveData(temp_.File("take_L.wav")), (filestest::Bytes{0, 0x20, 0, 0x10}));
  EXPECT_EQ(filestest::ReadWaveData(temp_.File("take_R.wav")), (filestest::Bytes{0, 0xE0, 1, 0}));
  EXPECT_EQ(filestest::ReadWaveData(temp_.File("take_Swap.wav")),
            (filestest::Bytes{0, 0xE0, 0, 0x20, 1, 0, 0, 0x10}));

  // Normalising opens through the main window's open dialog and saves through its wave dialog.
  WhenShown(app::fNormalize, [&] {
    file_answers_.push_back(source);
    file_answers_.push_back(temp_.File("loud.wav"));
    app::fNormalize->btnFile->Click();
  });
  FrmMain->Normalizewavefiles1->Click();
  EXPECT_EQ(app::fNormalize->LabGain->Caption(), " 3.9999 db");
  EXPECT_EQ(filestest::ReadWaveData(temp_.File("loud.wav")),
            (filestest::Bytes{0xFF, 0x7F, 0x01, 0x80, 0x00, 0x40, 0x04, 0x00}));
  EXPECT_EQ(FrmMain->recWavDlg->Title(), "Save Normalized File as");
  ASSERT_EQ(file_dialogs_.size(), 4u);

  // The encoder window starts at the stored bit rate.
  WhenShown(app::fEncode, [] {});
  FrmMain->ConvertWavtoMp31->Click();
  EXPECT_EQ(app::fEncode->cbBitRate->ItemIndex(), 5);
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
  Stop();
}

}  // namespace
