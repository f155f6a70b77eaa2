// The file-class registry: lookup order by priority, the combined open-dialog
// filter, and the base interface's abstract operations.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "files/FileUnits.h"
#include "files/MMAudio.h"
#include "files/MMObjLst.h"
#include "files/MMWave.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/TypInfo.h"

namespace filestest {

using namespace files;

// Stand-ins for the MPEG and CD audio classes, which arrive later, and a
// third with the wave class's filter.
class TTestMpegFile : public TMMCustomFile {
  VCL_DECLARE_CLASS(TTestMpegFile, TMMCustomFile)
 public:
  explicit TTestMpegFile(vcl::TComponent* owner) : TMMCustomFile(owner) {}
  static TMMAudioFileType FileTypeId() { return ftMpeg; }
  static std::string GetFilter() {
    return "MPEG Files (*.mp?;*.atx)|*.mp2;*.mp3;*.atx|Antex Files (*.atx)|*.atx";
  }
};
class TTestCdaFile : public TMMCustomFile {
  VCL_DECLARE_CLASS(TTestCdaFile, TMMCustomFile)
 public:
  explicit TTestCdaFile(vcl::TComponent* owner) : TMMCustomFile(owner) {}
  static TMMAudioFileType FileTypeId() { return ftCDA; }
  static std::string GetFilter() { return "Digital Audio File (*.cda)|*.cda"; }
};
class TTestWavFile : public TMMCustomFile {
  VCL_DECLARE_CLASS(TTestWavFile, TMMCustomFile)
 public:
  explicit TTestWavFile(vcl::TComponent* owner) : TMMCustomFile(owner) {}
  static TMMAudioFileType FileTypeId() { return ftWave; }
  static std::string GetFilter() { return "Wave Files(*.wav)|*.wav"; }
};
VCL_IMPLEMENT_CLASS(TTestMpegFile)
VCL_IMPLEMENT_CLASS(TTestCdaFile)
VCL_IMPLEMENT_CLASS(TTestWavFile)

namespace {

class AudioRegistry : public ::testing::Test {
 protected:
  void SetUp() override { ClearFileClasses(); }
  void TearDown() override { ClearFileClasses(); }

  static std::string Order() {
    std::string names;
    for (const TMMFileClass* c : RegisteredFileClasses()) names += c->ClassName() + " ";
    return names;
  }
};

TEST_F(AudioRegistry, PriorityDecidesTheOrderAndASecondRegistrationChangesNothing) {
  EXPECT_EQ(FindFileClass(ftWave), nullptr);
  EXPECT_EQ(BuildAudioFileFilter(true), "");
  RegisterFileClass(FileClassOf<TTestWavFile>(), 5);
  RegisterFileClass(FileClassOf<TTestMpegFile>(), 1);
  RegisterFileClass(FileClassOf<TTestCdaFile>(), 4);
  EXPECT_EQ(Order(), "TTestMpegFile TTestCdaFile TTestWavFile ");
  RegisterFileClass(FileClassOf<TTestWavFile>(), 0);
  RegisterFileClass(FileClassOf<TTestMpegFile>(), 9);
  EXPECT_EQ(Order(), "TTestMpegFile TTestCdaFile TTestWavFile ");
  EXPECT_EQ(FindFileClass(ftCDA), &FileClassOf<TTestCdaFile>());
  EXPECT_EQ(FindFileClass(ftWMA), nullptr);
  EXPECT_EQ(FindFileClass(ftNone), nullptr);
}

TEST_F(AudioRegistry, EqualPrioritiesKeepRegistrationOrder) {
  RegisterFileClass(FileClassOf<TTestCdaFile>(), 3);
  RegisterFileClass(FileClassOf<TTestWavFile>(), 3);
  RegisterFileClass(FileClassOf<TTestMpegFile>(), 3);
  EXPECT_EQ(Order(), "TTestCdaFile TTestWavFile TTestMpegFile ");
}

TEST_F(AudioRegistry, TheFilterLeadsWithAllAudioFilesOnlyForTwoClassesOrMore) {
  RegisterFileClass(FileClassOf<TTestWavFile>(), 5);
  EXPECT_EQ(BuildAudioFileFilter(true), "Wave Files(*.wav)|*.wav");
  RegisterFileClass(FileClassOf<TTestMpegFile>(), 1);
  RegisterFileClass(FileClassOf<TTestCdaFile>(), 4);
  const std::string joined =
      "MPEG Files (*.mp?;*.atx)|*.mp2;*.mp3;*.atx|Antex Files (*.atx)|*.atx|"
      "Digital Audio File (*.cda)|*.cda|Wave Files(*.wav)|*.wav";
  EXPECT_EQ(BuildAudioFileFilter(false), joined);
  EXPECT_EQ(BuildAudioFileFilter(true),
            "All Audio Files (*.mp2;*.mp3;*.atx;*.cda;*.wav)|*.mp2;*.mp3;*.atx;*.cda;*.wav|" + joined);
}

TEST_F(AudioRegistry, StartUpRegistersTheMpegTheCDAndTheWaveClassInOrder) {
  plat::UnitTable table;
  RegisterFileUnits(table);
  ASSERT_TRUE(table.IsRegistered("MMAudReg"));
  table.Initialize();
  EXPECT_EQ(FindFileClass(ftWave), &FileClassOf<TMMWaveFile>());
  EXPECT_NE(vcl::GetClass("TMMWaveFile"), nullptr);
  EXPECT_NE(FindItemClass("TMMEnvelopePoint"), nullptr);
  EXPECT_NE(vcl::GetClass("TMMMPEGFile"), nullptr);
  EXPECT_NE(vcl::GetClass("TMMCDAFile"), nullptr);
  // The CD audio class goes between them.
  EXPECT_EQ(Order(), "TMMMPEGFile TMMCDAFile TMMWaveFile ");
  EXPECT_EQ(BuildAudioFileFilter(true),
            "All Audio Files (*.mp2;*.mp3;*.atx;*.cda;*.wav)|*.mp2;*.mp3;*.atx;*.cda;*.wav|"
            "MPEG Files (*.mp?;*.atx)|*.mp2;*.mp3;*.atx|Antex Files (*.atx)|*.atx|"
            "Digital Audio File (*.cda)|*.cda|Wave Files(*.wav)|*.wav");

  // A form description holds a wave file with its wave's settings.
  vcl::TComponent root(nullptr);
  vcl::ReadFormText(&root,
                    "object Root: TComponent\n"
                    "  object WaveFile1: TMMWaveFile\n"
                    "    Wave.TimeFormat = tfMillisecond\n"
                    "    Wave.FileMustExist = False\n"
                    "    Wave.IOBufferSize = 65536\n"
                    "    OverwriteExisting = False\n"
                    "  end\n"
                    "end\n");
  auto* wave_file = dynamic_cast<TMMWaveFile*>(root.FindComponent("WaveFile1"));
  ASSERT_NE(wave_file, nullptr);
  EXPECT_EQ(wave_file->Wave()->TimeFormat(), engine::tfMillisecond);
  EXPECT_FALSE(wave_file->Wave()->FileMustExist());
  EXPECT_EQ(wave_file->Wave()->IOBufferSize(), 65536);
  EXPECT_FALSE(wave_file->OverwriteExisting());
  // Written back, only the changed settings appear, and they read the same.
  const std::string written = vcl::WriteFormText(&root);
  for (const char* line : {"Wave.TimeFormat = tfMillisecond", "Wave.FileMustExist = False",
                           "Wave.IOBufferSize = 65536", "OverwriteExisting = False"})
    EXPECT_NE(written.find(line), std::string::npos) << line << "\n" << written;
  for (const char* absent : {"SampleRate", "BitLength", "DataSize", "Enabled"})
    EXPECT_EQ(written.find(absent), std::string::npos) << absent << "\n" << written;
  vcl::TComponent again(nullptr);
  vcl::ReadFormText(&again, written);
  auto* copy = dynamic_cast<TMMWaveFile*>(again.FindComponent("WaveFile1"));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->Wave()->IOBufferSize(), 65536);
  table.Finalize();
  EXPECT_EQ(FindFileClass(ftWave), nullptr);
}

TEST(MergeExtensionList, TakesPatternPartsAndSkipsContainedOnes) {
  struct Case {
    const char* filter;
    const char* merged;
  } cases[] = {
      {"", ""},
      {"Wave|*.wav", "*.wav"},
      {"A|*.mp2;*.mp3;*.atx|B|*.atx", "*.mp2;*.mp3;*.atx"},
      {"A|*.a;|B|*.b", "*.a;*.b"},
      {"A|*.wav|B|*.wa", "*.wav"},  // a substring counts as present
      {"A|*.x|B", "*.x"},
  };
  for (const Case& c : cases) EXPECT_EQ(MergeExtensionList(c.filter), c.merged) << c.filter;
}

TEST(CustomFile, BaseOperations) {
  TTestCdaFile file(nullptr);
  EXPECT_TRUE(file.GetEnabled());
  file.SetEnabled(false);
  EXPECT_FALSE(file.GetEnabled());
  EXPECT_EQ(file.GetSampleRate(), 0);
  EXPECT_EQ(file.GetChannels(), 0);
  EXPECT_EQ(file.GetBitRate(), 0);
  EXPECT_THROW(file.GetBlockSize(), EAbstractError);
  EXPECT_THROW(file.SetFileName("x"), EAbstractError);
  TMMTagInfo tag;
  EXPECT_THROW(file.ReadTagInfo(tag), EAbstractError);
  TMMFileInfo info;
  EXPECT_FALSE(TMMCustomFile::GetFileInfo("x", info, false, 0, nullptr, {}));
  EXPECT_FALSE(FileClassOf<TTestCdaFile>().CanOpenFile("x.cda", {}, nullptr, 0));
  std::string log;
  file.OnChange = [&](vcl::TObject*) { log += "change "; };
  file.OnChanged = [&](vcl::TObject*) { log += "changed "; };
  file.DoChange();
  EXPECT_EQ(log, "change changed ");
  std::unique_ptr<TMMCustomFile> made(FileClassOf<TTestMpegFile>().Create(nullptr));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->ClassName(), "TTestMpegFile");
}

}  // namespace
}  // namespace filestest
