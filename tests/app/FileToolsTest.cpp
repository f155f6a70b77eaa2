// The file tools: names, normalising, splitting, swapping, and the tool
// windows converting and encoding through their triggers, on files the tests
// make. Refused inputs stay as they were, and no output looks complete before it is.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "ProgramFixture.h"
#include "app/FileToolForms.h"
#include "app/FileTools.h"
#include "controls/MMGauge.h"
#include "engine/MMUtils.h"
#include "files/MMCstDlg.h"
#include "files/MMLame.h"
#include "files/MMWave.h"
#include "files/WaveFixtures.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/StdCtrls.h"
#include "support/PumpUntil.h"
#include "support/TempDir.h"

namespace {

using filestest::Bytes;
using filestest::Pcm;
using filestest::ReadFileBytes;
using filestest::ReadWaveData;
using filestest::WriteWave;

Bytes Words(std::initializer_list<int> values) {
  Bytes b;
  for (const int v : values) {
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  return b;
}

std::vector<int> ReadWords(const Bytes& b) {
  std::vector<int> words;
  for (size_t i = 0; i + 1 < b.size(); i += 2) words.push_back(static_cast<int16_t>(b[i] | (b[i + 1] << 8)));
  return words;
}

// Every name in a folder, hidden ones too.
std::set<std::string> Listing(const std::filesystem::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

TEST(FileToolNames, NamesSizesAndBitRates) {
  EXPECT_EQ(app::MakeMp3FileName("/r/take.wav"), "take.Mp3");
  EXPECT_EQ(app::MakeMp3FileName("/r/take.wave"), "take.wMp3");
  EXPECT_EQ(app::MakeMp3FileName("a.b"), "Mp3");
  struct Case {
    const char* source;
    const char* left;
  } cases[] = {
      {"/r/take.wav", "/r/take_L.wav"},
      // The extension is the last "." of the file's own name, never one of a folder.
      {"/a.wav.d/take.wav", "/a.wav.d/take_L.wav"},
      {"/a.b/take", "/a.b/take_L"},
      {"/r/x.wav.wav", "/r/x.wav_L.wav"},
  };
  for (const Case& c : cases) EXPECT_EQ(app::ChannelFileName(c.source, "_L"), c.left) << c.source;

  testsupport::TempDir temp;
  const std::string file = temp.File("take.wav");
  std::ofstream(file, std::ios::binary) << std::string(176444, 'x');
  EXPECT_EQ(app::FileSizeKbText(file), "   172 kb");
  EXPECT_EQ(app::FileSizeKbText(temp.File("none.wav")), "   0 kb");
  EXPECT_EQ(app::DataSizeText("/r/take_L.wav", 88200), "/r/take_L.wav  86 kb");

  const int rates[] = {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32};
  for (int i = 0; i < 14; ++i) EXPECT_EQ(app::EncoderBitrate(i, 7), rates[i]);
  EXPECT_EQ(app::EncoderBitrate(-1, 7), 7);
  EXPECT_EQ(app::EncoderBitrate(14, 7), 7);

  // A gauge without a total stays at 0 instead of dividing by it.
  EXPECT_EQ(app::ProgressPercent(500, 0), 0);
  EXPECT_EQ(app::ProgressPercent(1, 3), 33);
  EXPECT_EQ(app::ProgressPercent(2, 3), 67);
  EXPECT_EQ(app::ProgressPercent(5, 4), 100);
}

// ---- normalising without a window ----

struct Normalised {
  app::TWavePeak peak;
  std::optional<long double> gain;
  Bytes data;
};

Normalised Normalise(const std::string& folder, const plat::WAVEFORMATEX& f, const Bytes& data) {
  const std::string source = folder + "/in.wav", target = folder + "/out.wav";
  WriteWave(source, f, data);
  files::TMMWave src, dst;
  src.SetTimeFormat(engine::tfByte);
  src.SetFileName(source);
  Normalised n;
  n.peak = app::FindWavePeak(src, nullptr);
  n.gain = app::NormalizeGain(n.peak);
  if (n.gain && app::WriteScaledWave(src, dst, target, *n.gain, nullptr)) n.data = ReadWaveData(target);
  src.FreeWave();
  dst.FreeWave();
  return n;
}

TEST(Normalizer, ScalesToFullScaleRoundingTiesToEven) {
  testsupport::TempDir temp;
  const std::string folder = temp.path().string();

  Normalised n16 = Normalise(folder, Pcm(16, 2, 44100), Words({16384, -16384, 8192, 1, 3, 0}));
  EXPECT_EQ(n16.peak.peak, 16384);
  ASSERT_TRUE(n16.gain);
  EXPECT_EQ(*n16.gain, 1.99993896484375L);
  EXPECT_EQ(app::GainText(*n16.gain), " 1.9999 db");
  // 8192 gives 16383.5, rounded to the even 16384.
  EXPECT_EQ(ReadWords(n16.data), (std::vector<int>{32767, -32767, 16384, 2, 6, 0}));

  Normalised n8 = Normalise(folder, Pcm(8, 1, 8000), Bytes{192, 64, 160, 96, 128});
  EXPECT_EQ(n8.peak.peak, 192);
  ASSERT_TRUE(n8.gain);
  EXPECT_EQ(*n8.gain, 1.984375L);
  EXPECT_EQ(app::GainText(*n8.gain), " 1.9844 db");
  EXPECT_EQ(n8.data, (Bytes{255, 1, 192, 64, 128}));

  // At full scale already, or silent: no gain, nothing to write.
  for (const Bytes& data : {Words({-32768, 5}), Words({32767, -2}), Words({0, 0, 0, 0})}) {
    const Normalised n = Normalise(folder, Pcm(16, 1, 8000), data);
    EXPECT_FALSE(n.gain) << n.peak.peak;
  }
  EXPECT_FALSE(Normalise(folder, Pcm(8, 1, 8000), Bytes(100, 128)).gain);
}

// ---- the tool windows ----

class FileToolsTest : public mainwindow::ProgramUnitsTest {
 protected:
  void SetUp() override {
    ProgramUnitsTest::SetUp();
    if (HasFatalFailure()) return;
    plat::SetDialogScript([this](const plat::DialogRequest& request) -> std::optional<plat::DialogAnswer> {
      plat::DialogAnswer answer;
      if (request.kind == plat::DialogKind::MessageBox) {
        messages_.push_back(request.text);
        if (request.text.ends_with("Replace it?")) answer.button = replace_ ? plat::IDYES : plat::IDNO;
        return answer;
      }
      ++file_dialogs_;
      if (answers_.empty()) return std::nullopt;
      answer.file_name = answers_.front();
      answers_.pop_front();
      return answer;
    });
    open_ = new vcl::TOpenDialog(vcl::Application);
    save_ = new files::TMMWaveSaveDialog(vcl::Application);
    vcl::ApplicationCreateForm(app::fNormalize);
    vcl::ApplicationCreateForm(app::fConvert);
    vcl::ApplicationCreateForm(app::fSplit);
    vcl::ApplicationCreateForm(app::fSwap);
    vcl::ApplicationCreateForm(app::fEncode);
    app::fNormalize->SetDialogs(open_, save_);
    app::fConvert->SetDialogs(open_, save_);
    app::fSwap->SetOpenDialog(app::fSplit->OpenDialog);
    std::filesystem::create_directory(Dir());
  }

  void TearDown() override {
    engine::BindDiskFreeSpaceEx(nullptr);
    delete app::fEncode;
    delete app::fSwap;
    delete app::fSplit;
    delete app::fConvert;
    delete app::fNormalize;
    ProgramUnitsTest::TearDown();
  }

  static bool PumpUntil(const std::function<bool()>& done, int limit_ms = 30000) {
    return testsupport::PumpUntil(done, testsupport::Pumping{[] { mainwindow::Pump(); }, 0, limit_ms});
  }

  std::filesystem::path Dir() const { return temp_.path() / "files"; }
  std::string In(const std::string& name) const { return (Dir() / name).string(); }

  vcl::TOpenDialog* open_ = nullptr;
  files::TMMWaveSaveDialog* save_ = nullptr;
  std::deque<std::string> answers_;
  std::vector<std::string> messages_;
  int file_dialogs_ = 0;
  bool replace_ = true;
};

// One second of 44.1 kHz 16-bit stereo with frames (1,2), (3,4), ...
Bytes CountingFrames() {
  Bytes b;
  for (int i = 0; i < 44100; ++i) {
    const Bytes frame = Words({(2 * i + 1) % 30000, (2 * i + 2) % 30000});
    b.insert(b.end(), frame.begin(), frame.end());
  }
  return b;
}

TEST_F(FileToolsTest, SplitAndSwapWriteTheChannelsAndAskBeforeReplacing) {
  // A folder whose name holds the extension: the outputs stay inside it.
  std::filesystem::create_directory(Dir() / "a.wav.d");
  const std::string source = In("a.wav.d/take.wav");
  WriteWave(source, Pcm(16, 2, 44100), CountingFrames());
  const Bytes original = ReadFileBytes(source);

  app::fSplit->SplitFile(source);
  const std::string left = In("a.wav.d/take_L.wav"), right = In("a.wav.d/take_R.wav");
  plat::WAVEFORMATEX f{};
  const std::vector<int> l = ReadWords(ReadWaveData(left, &f));
  EXPECT_EQ(f.nChannels, 1);
  EXPECT_EQ(f.wBitsPerSample, 16);
  EXPECT_EQ(f.nSamplesPerSec, 44100u);
  const std::vector<int> r = ReadWords(ReadWaveData(right));
  ASSERT_EQ(l.size(), 44100u);
  ASSERT_EQ(r.size(), 44100u);
  for (size_t i = 0; i < l.size(); i += 997) {
    EXPECT_EQ(l[i], static_cast<int>((2 * i + 1) % 30000));
    EXPECT_EQ(r[i], static_cast<int>((2 * i + 2) % 30000));
  }
  EXPECT_EQ(app::fSplit->labSource->Caption(), source + "  172 kb");
  EXPECT_EQ(app::fSplit->labdest->Caption(), left + "  86 kb");
  EXPECT_EQ(app::fSplit->Label2->Caption(), right + "  86 kb");
  EXPECT_FALSE(std::filesystem::exists(In("a_L.wav")));

  app::fSwap->SwapFile(source);
  const std::string swapped = In("a.wav.d/take_Swap.wav");
  const std::vector<int> s = ReadWords(ReadWaveData(swapped, &f));
  EXPECT_EQ(f.nChannels, 2);
  ASSERT_EQ(s.size(), 88200u);
  EXPECT_EQ(s[0], 2);
  EXPECT_EQ(s[1], 1);
  EXPECT_EQ(s[88198], (2 * 44099 + 2) % 30000);
  EXPECT_EQ(s[88199], (2 * 44099 + 1) % 30000);
  EXPECT_EQ(app::fSwap->labdest->Caption(), swapped + "  172 kb");
  EXPECT_TRUE(messages_.empty());

  // Existing outputs: "No" keeps them as they are, "Yes" replaces them.
  std::ofstream(left, std::ios::binary | std::ios::trunc) << "mine";
  std::ofstream(swapped, std::ios::binary | std::ios::trunc) << "mine too";
  replace_ = false;
  app::fSplit->SplitFile(source);
  app::fSwap->SwapFile(source);
  EXPECT_EQ(messages_.size(), 2u);
  EXPECT_EQ(ReadFileBytes(left), (Bytes{'m', 'i', 'n', 'e'}));
  EXPECT_EQ(ReadFileBytes(swapped).size(), 8u);
  replace_ = true;
  app::fSplit->SplitFile(source);
  app::fSwap->SwapFile(source);
  EXPECT_EQ(ReadWaveData(left).size(), 88200u);
  EXPECT_EQ(ReadWaveData(swapped).size(), 176400u);
  EXPECT_EQ(ReadFileBytes(source), original);
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(FileToolsTest, RefusedInputsStayAsTheyWereAndNothingIsWritten) {
  plat::WAVEFORMATEX float_format{};
  float_format.wFormatTag = 3;
  float_format.nChannels = 1;
  float_format.nSamplesPerSec = 8000;
  float_format.wBitsPerSample = 32;
  float_format.nBlockAlign = 4;
  float_format.nAvgBytesPerSec = 32000;
  WriteWave(In("silent16.wav"), Pcm(16, 2, 8000), Bytes(4000, 0));
  WriteWave(In("silent8.wav"), Pcm(8, 1, 8000), Bytes(4000, 128));
  WriteWave(In("deep.wav"), Pcm(24, 2, 8000), Bytes(6000, 0x40));
  WriteWave(In("float.wav"), float_format, Bytes(4000, 0x40));
  WriteWave(In("quiet.wav"), Pcm(16, 2, 8000), Words({100, -100, 50, 25}));
  WriteWave(In("mono.wav"), Pcm(16, 1, 8000), Words({1, 2, 3, 4}));
  WriteWave(In("eight.wav"), Pcm(8, 2, 8000), Bytes{1, 2, 3, 4});
  WriteWave(In("x.Mp3"), Pcm(16, 2, 44100), Words({1, 2, 3, 4}));
  std::map<std::string, Bytes> before;
  for (const std::string& name : Listing(Dir())) before[name] = ReadFileBytes(In(name));

  const std::string bits = app::kNormalizeBitsText, same = app::kSameFileText,
                    invalid = app::kNotValidInputText;
  struct Case {
    const char* what;
    std::function<void()> run;
    std::string message;  // empty: none
  } cases[] = {
      {"normalise silent 16-bit", [&] { app::fNormalize->NormalizeWaveFile(nullptr, In("silent16.wav")); },
       ""},
      {"normalise silent 8-bit", [&] { app::fNormalize->NormalizeWaveFile(nullptr, In("silent8.wav")); }, ""},
      {"normalise 24-bit", [&] { app::fNormalize->NormalizeWaveFile(nullptr, In("deep.wav")); }, bits},
      {"normalise not PCM", [&] { app::fNormalize->NormalizeWaveFile(nullptr, In("float.wav")); }, ""},
      {"normalise onto itself",
       [&] {
         answers_.push_back(In("quiet.wav"));
         app::fNormalize->NormalizeWaveFile(nullptr, In("quiet.wav"));
       },
       same},
      {"split mono", [&] { app::fSplit->SplitFile(In("mono.wav")); }, invalid},
      {"split 8-bit", [&] { app::fSplit->SplitFile(In("eight.wav")); }, invalid},
      {"swap mono", [&] { app::fSwap->SwapFile(In("mono.wav")); }, invalid},
      {"swap 8-bit", [&] { app::fSwap->SwapFile(In("eight.wav")); }, invalid},
      {"convert onto itself", [&] { EXPECT_FALSE(app::fConvert->Convert(In("x.Mp3"), In("x.Mp3"))); }, same},
      {"encode x.Mp3 onto itself", [&] { EXPECT_FALSE(app::fEncode->Encode(In("x.Mp3"))); }, same},
  };
  for (const Case& c : cases) {
    messages_.clear();
    const int dialogs = file_dialogs_;
    c.run();
    if (c.message.empty()) {
      EXPECT_TRUE(messages_.empty()) << c.what;
    } else {
      ASSERT_EQ(messages_.size(), 1u) << c.what;
      EXPECT_EQ(messages_[0], c.message) << c.what;
    }
    // Only the in-place case gets as far as asking for a destination.
    EXPECT_EQ(file_dialogs_ - dialogs, std::string(c.what) == "normalise onto itself" ? 1 : 0) << c.what;
    std::map<std::string, Bytes> after;
    for (const std::string& name : Listing(Dir())) after[name] = ReadFileBytes(In(name));
    EXPECT_EQ(after, before) << c.what;
  }
  // The silent files reached the peak and stopped there, without a gain.
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

TEST_F(FileToolsTest, NormaliseWindowWritesTheChosenFile) {
  WriteWave(In("quiet.wav"), Pcm(16, 2, 8000), Words({16384, -16384, 8192, 1}));
  answers_.push_back(In("loud.wav"));
  app::fNormalize->NormalizeWaveFile(nullptr, In("quiet.wav"));
  EXPECT_EQ(app::fNormalize->Label2->Caption(), "16384");
  EXPECT_EQ(app::fNormalize->LabGain->Caption(), " 1.9999 db");
  EXPECT_EQ(ReadWords(ReadWaveData(In("loud.wav"))), (std::vector<int>{32767, -32767, 16384, 2}));
  EXPECT_EQ(Listing(Dir()), (std::set<std::string>{"quiet.wav", "loud.wav"}));
  EXPECT_EQ(save_->Title(), "Save Normalized File as");
}

// Zero crossings per second of one channel of 16-bit stereo data, over its middle.
double CrossingsPerSecond(const Bytes& data, int rate) {
  const std::vector<int> w = ReadWords(data);
  const size_t frames = w.size() / 2;
  int crossings = 0;
  for (size_t i = frames / 4 + 1; i < frames * 3 / 4; ++i)
    if ((w[2 * (i - 1)] < 0) != (w[2 * i] < 0)) ++crossings;
  return crossings * static_cast<double>(rate) / static_cast<double>(frames / 2);
}

TEST_F(FileToolsTest, WaveToMp3AndBackKeepsLengthAndTone) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  WriteWave(In("take.wav"), f, filestest::Tone(f, 44100));
  app::fEncode->FormShow(nullptr);
  EXPECT_EQ(app::fEncode->cbBitRate->ItemIndex(), 5);
  ASSERT_TRUE(app::fEncode->Encode(In("take.wav")));
  EXPECT_EQ(app::fEncode->MP3Encoder->Bitrate(), 128);
  ASSERT_TRUE(PumpUntil([] { return !app::fEncode->Running(); }));
  EXPECT_TRUE(app::fEncode->btnEncode->Enabled());
  EXPECT_FALSE(app::fEncode->btnCancel->Enabled());
  EXPECT_EQ(app::fEncode->Gauge->Progress(), 0);
  const int64_t mp3_size = std::filesystem::file_size(In("take.Mp3"));
  EXPECT_GT(mp3_size, 10000);
  EXPECT_EQ(app::fEncode->labDec->Caption(), "take.Mp3   " + std::to_string(mp3_size / 1024) + " kb");
  EXPECT_EQ(Listing(Dir()), (std::set<std::string>{"take.wav", "take.Mp3"}));

  ASSERT_TRUE(app::fConvert->Convert(In("take.Mp3"), In("back.wav")));
  ASSERT_TRUE(PumpUntil([] { return !app::fConvert->Running(); }));
  EXPECT_TRUE(app::fConvert->btnConvert->Enabled());
  EXPECT_EQ(app::fConvert->Gauge->Progress(), 0);
  plat::WAVEFORMATEX back{};
  const Bytes data = ReadWaveData(In("back.wav"), &back);
  EXPECT_EQ(back.wFormatTag, plat::WAVE_FORMAT_PCM);
  EXPECT_EQ(back.nSamplesPerSec, 44100u);
  EXPECT_EQ(back.wBitsPerSample, 16);
  EXPECT_EQ(back.nChannels, 2);
  // The coder's delay and last frame's padding: at most a few frames of 1152 samples.
  const int64_t frames = static_cast<int64_t>(data.size()) / 4;
  EXPECT_GE(frames, 44100 - 1152);
  EXPECT_LE(frames, 44100 + 3 * 1152);
  EXPECT_NEAR(CrossingsPerSecond(data, 44100), 2000.0, 20.0);
  EXPECT_EQ(Listing(Dir()), (std::set<std::string>{"take.wav", "take.Mp3", "back.wav"}));
  EXPECT_TRUE(messages_.empty()) << messages_.front();
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// A disk that fills once the tool has written a little.
std::atomic<int> disk_queries{0};
plat::BOOL FillingDisk(const char*, plat::ULONGLONG* free_to_caller, plat::ULONGLONG* total,
                       plat::ULONGLONG* free) {
  const plat::ULONGLONG left = ++disk_queries > 3 ? 0 : (1ull << 40);
  if (free_to_caller) *free_to_caller = left;
  if (total) *total = 1ull << 41;
  if (free) *free = left;
  return 1;
}

TEST_F(FileToolsTest, CancelOrFullDiskLeavesNoOutputThatLooksComplete) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  WriteWave(In("long.wav"), f, filestest::Tone(f, 44100 * 20));
  // An older output of the same name stays as it was.
  std::ofstream(In("long.Mp3"), std::ios::binary) << "older";
  const std::set<std::string> files = Listing(Dir());

  ASSERT_TRUE(app::fEncode->Encode(In("long.wav")));
  app::fEncode->btnCancelClick(nullptr);
  ASSERT_TRUE(PumpUntil([] { return !app::fEncode->Running(); }));
  EXPECT_EQ(Listing(Dir()), files);
  EXPECT_EQ(ReadFileBytes(In("long.Mp3")).size(), 5u);
  EXPECT_TRUE(messages_.empty());

  struct Case {
    const char* what;
    std::function<bool()> start;
    std::function<bool()> running;
    std::string target;
  } cases[] = {
      {"encode", [&] { return app::fEncode->Encode(In("long.wav")); }, [] { return app::fEncode->Running(); },
       In("long.Mp3")},
      {"convert", [&] { return app::fConvert->Convert(In("long.wav"), In("copy.wav")); },
       [] { return app::fConvert->Running(); }, In("copy.wav")},
  };
  for (const Case& c : cases) {
    messages_.clear();
    disk_queries = 0;
    engine::BindDiskFreeSpaceEx(FillingDisk);
    ASSERT_TRUE(c.start()) << c.what;
    ASSERT_TRUE(PumpUntil([&] { return !c.running(); })) << c.what;
    engine::BindDiskFreeSpaceEx(nullptr);
    EXPECT_EQ(Listing(Dir()), files) << c.what;
    EXPECT_EQ(ReadFileBytes(In("long.Mp3")).size(), 5u);
    ASSERT_EQ(messages_.size(), 1u) << c.what;
    EXPECT_NE(messages_[0].find(c.target), std::string::npos) << messages_[0];
  }
  EXPECT_TRUE(errors_.empty()) << errors_.front();
}

// The child of the kill test: encodes a long file and marks when the
// encoder's output has begun to grow, then goes on until it is killed.
TEST_F(FileToolsTest, KilledEncoderChild) {
  const char* folder = std::getenv("QUELLIX_TOOL_KILL_FOLDER");
  if (!folder) GTEST_SKIP() << "run by KilledEncoderLeavesNoCompleteLookingOutput";
  const std::string source = std::string(folder) + "/long.wav";
  ASSERT_TRUE(app::fEncode->Encode(source));
  auto writing = [&] {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      if (entry.path().extension() == ".tmp" && entry.file_size() > 16384) return true;
    return false;
  };
  ASSERT_TRUE(PumpUntil(writing));
  std::ofstream(std::string(folder) + ".marked") << "writing";
  PumpUntil([] { return !app::fEncode->Running(); }, 60000);
}

TEST_F(FileToolsTest, KilledEncoderLeavesNoCompleteLookingOutput) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  WriteWave(In("long.wav"), f, filestest::Tone(f, 44100 * 120));
  std::ofstream(In("long.Mp3"), std::ios::binary) << "older";
  const Bytes source = ReadFileBytes(In("long.wav"));
  ASSERT_TRUE(filestest::KillChildOnceMarked("FileToolsTest.KilledEncoderChild", "QUELLIX_TOOL_KILL_FOLDER",
                                             Dir().string(), ".marked"));
  EXPECT_EQ(ReadFileBytes(In("long.Mp3")), (Bytes{'o', 'l', 'd', 'e', 'r'}));
  EXPECT_EQ(ReadFileBytes(In("long.wav")), source);
  // What the child left is hidden and named as unfinished.
  for (const std::string& name : Listing(Dir()))
    if (name != "long.wav" && name != "long.Mp3") {
      EXPECT_EQ(name.front(), '.') << name;
      EXPECT_TRUE(name.ends_with(".tmp")) << name;
    }
}

}  // namespace
