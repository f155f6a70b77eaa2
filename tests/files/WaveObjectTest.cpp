// The wave object: play ranges through a cut list, positions in every time
// format, the end of the data, and files written beside their target.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "WaveFixtures.h"
#include "files/MMWave.h"
#include "support/TempDir.h"

namespace filestest {
namespace {

using files::EMMWaveError;
using files::TMMCutList;
using files::TMMCutRange;
using files::TMMWave;

std::vector<std::pair<int64_t, int64_t>> Ranges(const TMMWave& wave) {
  std::vector<std::pair<int64_t, int64_t>> out;
  for (int32_t i = 0; i < wave.PlayRanges().Count(); ++i)
    out.emplace_back(wave.PlayRanges().GetRange(i).Start, wave.PlayRanges().GetRange(i).Length);
  return out;
}

Bytes ReadAll(TMMWave& wave, int32_t chunk) {
  Bytes out, buf(static_cast<size_t>(chunk));
  for (int32_t n; (n = wave.ReadData(buf.data(), chunk)) > 0;)
    out.insert(out.end(), buf.begin(), buf.begin() + n);
  return out;
}

class WaveObject : public ::testing::Test {
 protected:
  testsupport::TempDir temp_;
};

TEST(WaveObjectDefaults, WithoutAFormat) {
  TMMWave wave;
  EXPECT_EQ(wave.SampleRate(), 11025);
  EXPECT_EQ(wave.BitLength(), 0);
  EXPECT_EQ(wave.FormatTag(), 0);
  EXPECT_EQ(wave.DataSize(), 0);
  EXPECT_EQ(wave.FormatString(), "Unknown");
  EXPECT_EQ(wave.Mode(), engine::mMono);
  EXPECT_EQ(wave.GetPosition(), -1);
  EXPECT_EQ(wave.WriteData("x", 1), -1);
  char b[4];
  EXPECT_EQ(wave.ReadData(b, 4), -1);
  EXPECT_TRUE(wave.IsEmpty());
  EXPECT_EQ(wave.IOBufferSize(), 32768);
  wave.SetIOBufferSize(1000);
  EXPECT_EQ(wave.IOBufferSize(), 8192);
}

// Region 0..1000 of an 8-bit mono file; the cut list as given.
struct CutCase {
  const char* name;
  std::vector<std::pair<int64_t, int64_t>> cuts;
  std::vector<std::pair<int64_t, int64_t>> ranges;
};

TEST_F(WaveObject, PlayRangesLeaveOutEveryCutSample) {
  const std::string file = temp_.File("cuts.wav");
  const Bytes data = Counting(1000);
  WriteWave(file, Pcm(8, 1, 8000), data);
  const CutCase cases[] = {
      {"none", {}, {{0, 1000}}},
      {"inside", {{100, 50}}, {{0, 100}, {150, 850}}},
      {"over the start", {{0, 200}}, {{200, 800}}},
      {"at the end", {{1000, 50}}, {{0, 1000}}},
      {"two", {{10, 10}, {990, 10}}, {{0, 10}, {20, 970}}},
      {"everything", {{0, 1000}}, {{1000, 0}}},
      // A later cut that an earlier, longer one covers brings nothing back.
      {"overlapping", {{100, 300}, {50, 450}}, {{0, 50}, {500, 500}}},
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(c.name);
    TMMCutList cuts;
    for (auto [start, length] : c.cuts) ASSERT_TRUE(cuts.AddRange(CutRange(start, length)));
    TMMWave wave;
    wave.SetFileName(file);
    wave.SetCutList(&cuts);
    EXPECT_EQ(Ranges(wave), c.ranges);
    wave.OpenFile();
    Bytes expected;
    for (auto [start, length] : c.ranges)
      expected.insert(expected.end(), data.begin() + start, data.begin() + start + length);
    EXPECT_EQ(ReadAll(wave, 64), expected);
    char b[4];
    EXPECT_EQ(wave.ReadData(b, 4), -1);
    wave.CloseFile();
  }
}

TEST_F(WaveObject, PositionsInEveryTimeFormat) {
  const std::string file = temp_.File("tone.wav");
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  WriteWave(file, f, Tone(f, 88200));
  TMMWave wave;
  wave.SetFileName(file);
  struct Case {
    engine::TMMTimeFormats format;
    int64_t set, samples, get, data_size;
  } cases[] = {
      {engine::tfSample, 44100, 44100, 44100, 88200},
      {engine::tfMillisecond, 1000, 44100, 1000, 2000},
      {engine::tfByte, 176400, 44100, 176400, 352800},
      {engine::tfMillisecond, 1, 44, 1, 2000},  // 44.1 samples round to 44
      {engine::tfByte, 6, 2, 8, 352800},        // 1.5 frames round to 2
  };
  for (const Case& c : cases) {
    wave.SetTimeFormat(c.format);
    wave.SetPosition(c.set);
    EXPECT_EQ(wave.PositionSamples(), c.samples) << c.format << " " << c.set;
    EXPECT_EQ(wave.GetPosition(), c.get) << c.format << " " << c.set;
    EXPECT_EQ(wave.DataSize(), c.data_size) << c.format;
  }
}

TEST_F(WaveObject, SeeksOnOpenAndEndsPastTheEnd) {
  const std::string file = temp_.File("seek.wav");
  const Bytes data = Counting(1000);
  WriteWave(file, Pcm(8, 1, 8000), data);
  TMMWave wave;
  wave.SetFileName(file);
  wave.SetPosition(300);  // closed: only stored
  EXPECT_FALSE(wave.Opened());
  EXPECT_EQ(wave.GetPosition(), 300);
  wave.OpenFile();
  uint8_t b[10];
  ASSERT_EQ(wave.ReadData(b, 10), 10);
  EXPECT_EQ(Bytes(b, b + 10), Bytes(data.begin() + 300, data.begin() + 310));
  EXPECT_EQ(wave.GetPosition(), 310);
  wave.SetPosition(5000);
  EXPECT_EQ(wave.BytesLeft(), 0);
  EXPECT_EQ(wave.ReadData(b, 10), -1);
  wave.SetPosition(995);
  EXPECT_EQ(wave.ReadData(b, 10), 5);
}

// ReadRaw failing as a truncated file does.
class TFailingWave : public TMMWave {
 public:
  int32_t ReadRaw(void*, int32_t) override { return -1; }
};

TEST_F(WaveObject, TheEndBlockIsOneFrameOfSilenceWithinTheCallersBuffer) {
  struct Case {
    int bits, channels;
    int32_t size;
    Bytes block;
  } cases[] = {
      {8, 1, 2, {128}},
      {8, 2, 1, {128}},
      {16, 2, 2, {0, 0}},
      {16, 2, 100, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const std::string file = temp_.File("end.wav");
    WriteWave(file, Pcm(c.bits, c.channels, 8000), Counting(400));
    TFailingWave wave;
    wave.SetFileName(file);
    wave.OpenFile();
    // Exactly the caller's size, so a byte more is an overflow ASan reports.
    std::vector<uint8_t> buffer(static_cast<size_t>(c.size));
    const int32_t n = wave.ReadData(buffer.data(), c.size);
    ASSERT_EQ(n, static_cast<int32_t>(c.block.size())) << c.bits << "/" << c.channels;
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + n), c.block);
    EXPECT_EQ(wave.ReadData(buffer.data(), c.size), -1);
    wave.FreeWave();
  }
}

TEST_F(WaveObject, FileNamesAttachRefuseAndStay) {
  const std::string file = temp_.File("a.wav");
  WriteWave(file, Pcm(16, 1, 22050), Counting(200));
  TMMWave wave;
  int changes = 0;
  wave.OnChange = [&](vcl::TObject*) { ++changes; };
  wave.SetFileName(file);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(wave.SampleRate(), 22050);
  EXPECT_EQ(wave.DataSize(), 100);
  wave.SetFileName(file);  // same name, same size
  EXPECT_EQ(changes, 1);

  EXPECT_THROW(wave.SetFileName(temp_.File("missing.wav")), EMMWaveError);
  std::ofstream(temp_.File("text.wav")) << "not a wave file";
  EXPECT_THROW(wave.SetFileName(temp_.File("text.wav")), EMMWaveError);
  EXPECT_EQ(wave.FileName(), file);  // the old file stays
  EXPECT_EQ(wave.SampleRate(), 22050);

  wave.SetFileMustExist(false);
  wave.SetFileName(temp_.File("missing.wav"));
  EXPECT_EQ(wave.FileName(), temp_.File("missing.wav"));
  EXPECT_EQ(wave.GetPWaveFormat(), nullptr);
  EXPECT_TRUE(wave.IsEmpty());
  wave.SetFileName("");
  EXPECT_EQ(wave.FileName(), "");
}

TEST_F(WaveObject, AssignCopiesTheFileAndSettings) {
  const std::string file = temp_.File("a.wav");
  WriteWave(file, Pcm(8, 1, 8000), Counting(500));
  TMMWave a;
  a.SetFileName(file);
  a.SetTimeFormat(engine::tfMillisecond);
  a.SetIOBufferSize(20000);
  TMMWave b;
  int changes = 0;
  b.OnChange = [&](vcl::TObject*) { ++changes; };
  b.Assign(&a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(b.FileName(), file);
  EXPECT_EQ(b.TimeFormat(), engine::tfMillisecond);
  EXPECT_EQ(b.IOBufferSize(), 20000);
  EXPECT_EQ(b.DataSize(), 63);  // 500 samples at 8 kHz: 62.5 ms
  b.Assign(nullptr);
  EXPECT_EQ(b.FileName(), "");
}

TEST_F(WaveObject, AFileIsWrittenBesideItsTargetAndReplacesItWhenClosed) {
  const std::string target = temp_.File("out.wav");
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const Bytes old_data = Counting(4000);
  WriteWave(target, f, old_data);
  const Bytes old_file = ReadFileBytes(target);

  TMMWave wave;
  wave.CreateFile(target, &f);
  EXPECT_EQ(wave.FileName(), target);
  const Bytes tone = Tone(f, 1000);
  EXPECT_EQ(wave.WriteData(tone.data(), static_cast<int32_t>(tone.size())),
            static_cast<int32_t>(tone.size()));
  EXPECT_EQ(ReadFileBytes(target), old_file);  // untouched while writing
  wave.CloseFile();
  EXPECT_EQ(ReadWaveData(target), tone);
  // Only the target is left in the folder.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(temp_.path()))
    files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
}

TEST_F(WaveObject, ATargetAnotherWaveReadsIsRefused) {
  const std::string file = temp_.File("in.wav");
  const plat::WAVEFORMATEX f = Pcm(8, 1, 8000);
  WriteWave(file, f, Counting(300));
  const Bytes before = ReadFileBytes(file);
  TMMWave reader;
  reader.SetFileName(file);
  TMMWave writer;
  // Another spelling of the same file.
  const std::string other = (temp_.path() / "." / "in.wav").string();
  EXPECT_THROW(writer.CreateFile(other, &f), EMMWaveError);
  EXPECT_EQ(ReadFileBytes(file), before);
  reader.FreeWave();
  writer.CreateFile(file, &f);  // no reader now
  writer.CloseFile();
}

TEST_F(WaveObject, ObserversHearEveryChange) {
  const std::string file = temp_.File("a.wav");
  WriteWave(file, Pcm(8, 1, 8000), Counting(10));
  TMMWave wave;
  engine::TMMObserver observer;
  int notices = 0;
  observer.OnNotify = [&](engine::TMMObserver*, void* data) {
    EXPECT_EQ(data, &wave);
    ++notices;
  };
  wave.AddObserver(&observer);
  wave.SetFileName(file);
  wave.FreeWave();
  EXPECT_EQ(notices, 2);
  wave.RemoveObserver(&observer);
}

}  // namespace
}  // namespace filestest
