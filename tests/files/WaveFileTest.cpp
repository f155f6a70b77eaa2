// The wave-file component as a chain source, sink and tap: round trips,
// loops, silence while not started, a disk that fills, targets that are
// being read, and a writer killed in the middle of a file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "WaveFixtures.h"
#include "engine/MMUtils.h"
#include "files/MMWave.h"
#include "platform/vcl/TypInfo.h"
#include "support/TempDir.h"

namespace filestest {

// A chain member above the file: it hands down its format and, when pulled,
// fills headers from its bytes.
class TTestFeed : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TTestFeed, engine::TMMDSPComponent)
 public:
  explicit TTestFeed(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
  Bytes data;
  size_t read = 0;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more) override {
    const size_t n = std::min<size_t>(lpwh->dwBufferLength, data.size() - read);
    std::copy(data.begin() + static_cast<std::ptrdiff_t>(read),
              data.begin() + static_cast<std::ptrdiff_t>(read + n), lpwh->lpData);
    read += n;
    lpwh->dwBytesRecorded = static_cast<plat::DWORD>(n);
    more = read < data.size();
  }
};
VCL_IMPLEMENT_CLASS(TTestFeed, engine::DSPOutputProp())

namespace {

using files::EMMWaveError;
using files::TMMWaveFile;

// The free space the fake query reports.
plat::ULONGLONG fake_free = 0;
plat::BOOL FakeFreeSpace(const char*, plat::ULONGLONG* free_to_caller, plat::ULONGLONG* total,
                         plat::ULONGLONG* total_free) {
  if (free_to_caller) *free_to_caller = fake_free;
  if (total) *total = fake_free * 2;
  if (total_free) *total_free = fake_free;
  return plat::TRUE;
}

class WaveFile : public ::testing::Test {
 protected:
  void TearDown() override { engine::BindDiskFreeSpaceEx(nullptr); }

  // A sink fed by `feed`, writing `target`.
  std::unique_ptr<TMMWaveFile> Sink(TTestFeed& feed, const std::string& target) {
    auto sink = std::make_unique<TMMWaveFile>(nullptr);
    sink->Wave()->SetFileMustExist(false);
    sink->SetFileName(target);
    sink->SetInput(&feed);
    return sink;
  }
  // Pushes `data` through the sink in buffers of `chunk` bytes.
  static void Push(TMMWaveFile& sink, const Bytes& data, uint32_t chunk) {
    TestHeader h(chunk);
    for (size_t at = 0; at < data.size(); at += chunk) {
      const uint32_t n = static_cast<uint32_t>(std::min<size_t>(chunk, data.size() - at));
      h.Fill(data.data() + at, n);
      sink.BufferReady(h.hdr());
    }
  }
  // Pulls from a source until it has no more, at most `limit` buffers.
  static Bytes Pull(TMMWaveFile& source, uint32_t chunk, int limit = 100000) {
    Bytes out;
    TestHeader h(chunk);
    for (int i = 0; i < limit; ++i) {
      bool more = false;
      source.BufferLoad(h.hdr(), more);
      const Bytes got = h.Recorded();
      out.insert(out.end(), got.begin(), got.end());
      if (!more) break;
    }
    return out;
  }

  testsupport::TempDir temp_;
  TTestFeed feed_{nullptr};
};

TEST_F(WaveFile, ASecondOfToneRoundTripsByteForByte) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const Bytes tone = Tone(f, 44100);
  const std::string file = temp_.File("tone.wav");
  feed_.SetFormat(&f);
  {
    auto sink = Sink(feed_, file);
    int opens = 0, closes = 0;
    sink->OnOpen = [&](vcl::TObject*) { ++opens; };
    sink->OnClose = [&](vcl::TObject*) { ++closes; };
    sink->Opened();
    sink->Started();
    Bytes passed;
    sink->OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) {
      passed.insert(passed.end(), h->lpData, h->lpData + h->dwBytesRecorded);
    };
    Push(*sink, tone, 4410 * 4 + 6);  // buffers that end mid-frame too
    sink->Closed();
    EXPECT_EQ(passed, tone);  // everything is also passed on
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(closes, 1);
  }
  TMMWaveFile source(nullptr);
  source.SetFileName(file);
  ASSERT_NE(source.GetFormat(), nullptr);  // the format travels down at once
  EXPECT_EQ(source.GetTime(), 1000);
  source.Opened();
  source.Started();
  EXPECT_EQ(Pull(source, 8192), tone);
  source.Closed();
}

TEST_F(WaveFile, ATapWritesWhatItPulls) {
  const plat::WAVEFORMATEX f = Pcm(8, 1, 8000);
  feed_.SetFormat(&f);
  feed_.data = Tone(f, 3000);
  const std::string file = temp_.File("tap.wav");
  auto tap = Sink(feed_, file);
  tap->Opened();
  tap->Started();
  EXPECT_EQ(Pull(*tap, 1000), feed_.data);
  tap->Closed();
  EXPECT_EQ(ReadWaveData(file), feed_.data);
}

TEST_F(WaveFile, ASinkThatGetsNothingLeavesOneFrameOfSilence) {
  struct Case {
    int bits, channels;
    Bytes data;
  } cases[] = {{16, 2, {0, 0, 0, 0}}, {8, 1, {128}}, {8, 2, {128, 128}}};
  for (const Case& c : cases) {
    const plat::WAVEFORMATEX f = Pcm(c.bits, c.channels, 8000);
    feed_.SetFormat(&f);
    const std::string file = temp_.File("empty.wav");
    auto sink = Sink(feed_, file);
    sink->Opened();
    sink->Started();
    sink->Closed();
    plat::WAVEFORMATEX read{};
    EXPECT_EQ(ReadWaveData(file, &read), c.data) << c.bits << "/" << c.channels;
    EXPECT_EQ(read.nChannels, c.channels);
  }
}

TEST_F(WaveFile, ASourceNotStartedOrDisabledGivesSilence) {
  struct Case {
    int bits;
    uint8_t silence;
  } cases[] = {{8, 128}, {16, 0}};
  const Bytes data = Counting(100);
  for (const Case& c : cases) {
    const std::string file = temp_.File("s.wav");
    WriteWave(file, Pcm(c.bits, 1, 8000), data);
    TMMWaveFile source(nullptr);
    source.SetFileName(file);
    source.Opened();  // opened, not started
    TestHeader h(64);
    bool more = false;
    source.BufferLoad(h.hdr(), more);
    EXPECT_TRUE(more);
    EXPECT_EQ(h.Recorded(), Bytes(64, c.silence)) << c.bits;
    source.Started();
    source.SetEnabled(false);
    source.BufferLoad(h.hdr(), more);
    EXPECT_EQ(h.Recorded(), Bytes(64, c.silence)) << c.bits;
    source.SetEnabled(true);
    source.BufferLoad(h.hdr(), more);
    EXPECT_EQ(h.Recorded(), Bytes(data.begin(), data.begin() + 64));
  }
  // An empty source gives nothing.
  TMMWaveFile none(nullptr);
  TestHeader h(16);
  bool more = true;
  none.BufferLoad(h.hdr(), more);
  EXPECT_EQ(h.hdr()->dwBytesRecorded, 0u);
}

TEST_F(WaveFile, LoopsRepeatTheDataAsTheHeaderAsks) {
  const std::string file = temp_.File("loop.wav");
  const Bytes data = Counting(100);
  WriteWave(file, Pcm(8, 1, 8000), data);
  struct Case {
    int32_t loop_count;
    int passes;                       // how often the data plays
    std::vector<int32_t> loops_left;  // after each end of the data
  } cases[] = {{2, 3, {1, 0, -1}}, {0, 6, {5, 5, 5, 5, 5, 5}}};
  for (const Case& c : cases) {
    TMMWaveFile source(nullptr);
    source.SetFileName(file);
    int loops = 0;
    source.OnLooping = [&](vcl::TObject*) {
      ++loops;
      source.SetPosition(0);  // a handler may use the component on the delivering thread
    };
    source.Opened();
    source.Started();
    TestHeader h(64);
    h.hdr()->Looping = -1;
    h.hdr()->LoopCount = c.loop_count;
    h.hdr()->LoopsLeft = c.loop_count == 0 ? 5 : c.loop_count;
    Bytes played;
    std::vector<int32_t> left;
    for (int pulls = 0; pulls < 1000; ++pulls) {
      h.hdr()->LoopMark = 0;
      bool more = false;
      source.BufferLoad(h.hdr(), more);
      const Bytes got = h.Recorded();
      played.insert(played.end(), got.begin(), got.end());
      if (source.Wave()->BytesLeft() == 0 || h.hdr()->LoopMark) left.push_back(h.hdr()->LoopsLeft);
      if (h.hdr()->LoopMark) {
        EXPECT_TRUE(more);
      }
      // A device that loops forever is stopped by its user.
      if (!more || static_cast<int>(left.size()) == c.passes) break;
    }
    EXPECT_EQ(left, c.loops_left) << c.loop_count;
    Bytes expected;
    for (int i = 0; i < c.passes; ++i) expected.insert(expected.end(), data.begin(), data.end());
    EXPECT_EQ(played, expected) << c.loop_count;
    EXPECT_EQ(loops, c.loop_count == 0 ? c.passes : c.passes - 1);
  }
}

TEST_F(WaveFile, ADiskThatFillsClosesTheFileCompleteAndReadable) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const Bytes tone = Tone(f, 4000);  // 16000 bytes
  feed_.SetFormat(&f);
  const std::string file = temp_.File("full.wav");
  auto sink = Sink(feed_, file);
  engine::BindDiskFreeSpaceEx(FakeFreeSpace);
  const plat::ULONGLONG needed = static_cast<plat::ULONGLONG>(sink->Wave()->IOBufferSize()) + 4000 + 10240;
  fake_free = needed;
  int closes = 0, passed = 0;
  sink->OnClose = [&](vcl::TObject*) { ++closes; };
  sink->OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR*) { ++passed; };
  sink->Opened();
  sink->Started();
  Push(*sink, Bytes(tone.begin(), tone.begin() + 8000), 4000);
  fake_free = needed - 1;  // one byte short: closes before this buffer
  Push(*sink, Bytes(tone.begin() + 8000, tone.end()), 4000);
  EXPECT_FALSE(sink->FileOpened());
  EXPECT_EQ(closes, 1);
  EXPECT_EQ(passed, 4);  // the chain goes on
  EXPECT_EQ(ReadWaveData(file), Bytes(tone.begin(), tone.begin() + 8000));
  sink->Closed();  // nothing more happens
  EXPECT_EQ(closes, 1);
}

TEST_F(WaveFile, ASinkWhoseTargetIsBeingReadIsRefusedAndTheInputStays) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const std::string file = temp_.File("song.wav");
  WriteWave(file, f, Tone(f, 2000));
  const Bytes before = ReadFileBytes(file);
  TMMWaveFile player(nullptr);
  player.SetFileName(file);
  player.Opened();
  player.Started();
  feed_.SetFormat(&f);
  auto sink = Sink(feed_, file);
  EXPECT_THROW(sink->Opened(), EMMWaveError);
  EXPECT_FALSE(sink->FileOpened());
  EXPECT_EQ(ReadFileBytes(file), before);
  const Bytes played = Pull(player, 4096);
  EXPECT_EQ(played, Tone(f, 2000));
}

TEST_F(WaveFile, OverwritingInPlaceKeepsTheFileAndRefusesAnotherFormat) {
  const plat::WAVEFORMATEX f = Pcm(8, 1, 8000);
  const std::string file = temp_.File("old.wav");
  const Bytes old_data = Counting(1000);
  WriteWave(file, f, old_data);
  {
    const plat::WAVEFORMATEX other = Pcm(16, 1, 8000);
    feed_.SetFormat(&other);
    auto sink = Sink(feed_, file);
    sink->SetOverwriteExisting(false);
    EXPECT_THROW(sink->Opened(), EMMWaveError);
    EXPECT_EQ(ReadWaveData(file), old_data);
  }
  feed_.SetFormat(&f);
  auto sink = Sink(feed_, file);
  sink->SetOverwriteExisting(false);
  sink->Opened();
  sink->Started();
  Push(*sink, Bytes(100, 1), 100);
  EXPECT_EQ(ReadWaveData(file), old_data);  // the old file until the new one is complete
  sink->Closed();
  Bytes expected = old_data;
  std::fill(expected.begin(), expected.begin() + 100, 1);
  EXPECT_EQ(ReadWaveData(file), expected);
}

TEST_F(WaveFile, CanOpenFileByExtensionThenContent) {
  const plat::WAVEFORMATEX f = Pcm(8, 1, 8000);
  std::filesystem::create_directory(temp_.path() / "rips.cda");
  for (const char* name : {"sound", "sound.WAV", "sound.mp3", "rips.cda/song.wav"})
    WriteWave(temp_.File(name), f, Counting(10));
  std::ofstream(temp_.File("text")) << "plain text";
  struct Case {
    const char* name;
    bool opens;
  } cases[] = {{"sound", true},
               {"text", false},
               {"sound.WAV", true},
               {"sound.mp3", false},
               {"rips.cda/song.wav", true}};
  for (const Case& c : cases)
    EXPECT_EQ(TMMWaveFile::CanOpenFile(temp_.File(c.name), {}, nullptr, 0), c.opens) << c.name;
  files::TMMFileInfo info;
  ASSERT_TRUE(TMMWaveFile::GetFileInfo(temp_.File("sound.WAV"), info, false, 0, nullptr, {}));
  EXPECT_EQ(info.FileType, files::ftWave);
  EXPECT_EQ(info.Length, 1);  // 10 samples at 8 kHz
  EXPECT_EQ(info.Tag.Title, "sound.WAV");
  EXPECT_FALSE(TMMWaveFile::GetFileInfo(temp_.File("text"), info, false, 0, nullptr, {}));
}

TEST_F(WaveFile, TimePositionsAreMillisecondsWhateverTheWavesTimeFormat) {
  const plat::WAVEFORMATEX f = Pcm(16, 1, 44100);
  const std::string file = temp_.File("t.wav");
  WriteWave(file, f, Bytes(88200 * 2, 0));
  TMMWaveFile w(nullptr);
  w.SetFileName(file);
  struct Case {
    engine::TMMTimeFormats format;
    int64_t position;
  } cases[] = {{engine::tfSample, 44100}, {engine::tfMillisecond, 1000}, {engine::tfByte, 88200}};
  for (const Case& c : cases) {
    w.Wave()->SetTimeFormat(c.format);
    w.SetTimePosition(1000);
    EXPECT_EQ(w.Wave()->PositionSamples(), 44100);
    EXPECT_EQ(w.GetPosition(), c.position);
    EXPECT_EQ(w.GetTimePosition(), 1000);
  }
  EXPECT_EQ(w.GetBlockSize(), 2);
}

// Run by the next test in a child process: writes the target in a loop until
// it is killed.
TEST_F(WaveFile, KilledWriterChild) {
  const char* target = std::getenv("QUELLIX_KILLED_WRITER_TARGET");
  if (target == nullptr) GTEST_SKIP() << "runs as a child of WriterKilledMidFileLeavesTheOldFile";
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  feed_.SetFormat(&f);
  auto sink = Sink(feed_, target);
  sink->Opened();
  sink->Started();
  const Bytes tone = Tone(f, 4410);
  for (int i = 0;; ++i) {
    Push(*sink, tone, 4096);
    if (i == 10) std::ofstream(std::string(target) + ".writing") << "x";
  }
}

TEST_F(WaveFile, WriterKilledMidFileLeavesTheOldFile) {
  const std::string target = temp_.File("keep.wav");
  WriteWave(target, Pcm(8, 1, 8000), Counting(5000));
  const Bytes before = ReadFileBytes(target);

  ASSERT_TRUE(
      KillChildOnceMarked("WaveFile.KilledWriterChild", "QUELLIX_KILLED_WRITER_TARGET", target, ".writing"));
  EXPECT_EQ(ReadFileBytes(target), before);
}

TEST_F(WaveFile, PublishedProperties) {
  TMMWaveFile w(nullptr);
  EXPECT_TRUE(w.OverwriteExisting());
  EXPECT_EQ(vcl::GetPropInfo(&w, "Wave")->kind, vcl::tkClass);
  for (const char* name : {"OnChange", "OnChanged", "OnOpen", "OnClose", "OnLooping", "Input", "Output",
                           "Enabled", "OverwriteExisting"})
    EXPECT_NE(vcl::GetPropInfo(&w, name), nullptr) << name;
  EXPECT_EQ(TMMWaveFile::GetFilter(), "Wave Files(*.wav)|*.wav");
  EXPECT_EQ(TMMWaveFile::FileTypeId(), files::ftWave);
}

}  // namespace
}  // namespace filestest
