// The any-format player source read without a device: the fade-in of every
// run, volume and panning on the samples, the closing tail, ADPCM and float
// files through the internal converters, loops, and seeks and volume changes
// from another thread while it is pulled.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>

#include "ADPCMFixtures.h"
#include "MpegFixtures.h"
#include "WaveFixtures.h"
#include "engine/MMACM.h"
#include "engine/MMPCMSup.h"
#include "engine/MMPeak.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "files/MMAudReg.h"
#include "files/MMAudioFile.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/Resources.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/TypInfo.h"
#include "resources/ProgramResources.h"
#include "support/LoopbackEnvironment.h"
#include "support/PumpUntil.h"
#include "support/TempDir.h"

namespace filestest {
namespace {

using files::TMMAudioFile;

int16_t At(const Bytes& b, size_t sample) {
  int16_t v;
  std::memcpy(&v, b.data() + 2 * sample, 2);
  return v;
}

// Everything the source gives, read in pieces of `piece` bytes; `pulls` gets
// what each pull returned.
Bytes ReadAll(TMMAudioFile& file, int32_t piece, std::vector<int32_t>* pulls = nullptr) {
  Bytes out;
  Bytes buf(static_cast<size_t>(piece));
  bool more = true;
  for (int guard = 0; guard < 100000; ++guard) {
    const int32_t n = file.ReadBuffer(buf.data(), piece, more);
    if (pulls) pulls->push_back(n);
    out.insert(out.end(), buf.begin(), buf.begin() + n);
    if (!more && n == 0) break;
  }
  return out;
}

class AudioFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterResourceTable(nullptr, ProgramResourceTable());
    plat::RegisterAcmModule();
    engine::LoadACM();
    files::RegisterAudioFileClasses();
  }
  void TearDown() override {
    files::ClearFileClasses();
    engine::UnloadACM();
    plat::RegisterAcmModule();
    plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
  }
  std::string Make(const plat::WAVEFORMATEX& f, const Bytes& data) {
    const std::string name = dir_.File("in.wav");
    WriteWave(name, f, data);
    return name;
  }
  void Start(TMMAudioFile& file, const std::string& name) {
    file.SetFileName(name);
    ASSERT_FALSE(file.IsEmpty());
    file.OpenChain(4096);
    file.StartChain();
  }

  testsupport::TempDir dir_;
};

TEST_F(AudioFileTest, ARunRisesFromSilenceInItsFirstMillisecondThenPassesTheFileAndEndsWithATail) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const Bytes src = Tone(f, 4410);  // 100 ms
  TMMAudioFile file(nullptr);
  Start(file, Make(f, src));
  EXPECT_EQ(file.GetFileType(), files::ftWave);
  std::vector<int32_t> pulls;
  const Bytes out = ReadAll(file, 4096, &pulls);
  ASSERT_EQ(out.size(), src.size() + 4);
  // The ramp: 176 bytes (1 ms), from silence.
  EXPECT_EQ(At(out, 0), 0);
  for (size_t i = 44; i + 2 < 88; i += 2) EXPECT_LT(std::abs(At(out, i)), std::abs(At(src, i)) + 1);
  // The rest equals the source, but for the last millisecond.
  EXPECT_TRUE(std::equal(out.begin() + 176, out.begin() + static_cast<std::ptrdiff_t>(src.size() - 176),
                         src.begin() + 176));
  // The handler ended: one closing pull of 4 bytes of 0, then nothing.
  ASSERT_GE(pulls.size(), 3u);
  EXPECT_EQ(pulls[pulls.size() - 2], 4);
  EXPECT_EQ(pulls.back(), 0);
  EXPECT_EQ(Bytes(out.end() - 4, out.end()), Bytes(4, 0));
  file.StopChain();
  file.CloseChain();
}

struct GainCase {
  const char* name;
  int32_t volume;
  int32_t panning;
  int16_t in_left, in_right;
  int16_t out_left, out_right;
};

TEST_F(AudioFileTest, VolumeAndPanningScaleTheChannels) {
  const GainCase cases[] = {
      {"double", 32768, 0, 10000, -10000, 20000, -20000},
      {"double saturates", 32768, 0, 20000, -20000, 32767, -32768},
      {"pan right halves the left", 16384, 16384, 10000, 10000, 5000, 10000},
      {"pan left silences the right", 16384, -32768, 10000, 10000, 10000, 0},
      {"silent", 0, 0, 10000, 10000, 0, 0},
  };
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  for (const GainCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes src;
    for (int i = 0; i < 4410; ++i)
      for (int16_t v : {c.in_left, c.in_right}) {
        src.push_back(static_cast<uint8_t>(v & 0xFF));
        src.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
      }
    TMMAudioFile file(nullptr);
    file.SetVolume(c.volume);
    file.SetPanning(c.panning);
    Start(file, Make(f, src));
    const Bytes out = ReadAll(file, 4096);
    ASSERT_GE(out.size(), src.size());
    // A frame in the middle, past the ramp.
    EXPECT_EQ(At(out, 2 * 2000), c.out_left);
    EXPECT_EQ(At(out, 2 * 2000 + 1), c.out_right);
  }
}

TEST_F(AudioFileTest, EmptyAndUnstartedSourcesGiveNothing) {
  TMMAudioFile file(nullptr);
  file.SetFileName(dir_.File("missing.wav"));
  EXPECT_TRUE(file.IsEmpty());
  EXPECT_EQ(file.GetFileType(), files::ftNone);
  EXPECT_EQ(file.GetFileName(), "");

  const std::string name = Make(Pcm(16, 1, 22050), Tone(Pcm(16, 1, 22050), 2205));
  file.SetFileName(name);
  Bytes buf(1024);
  bool more = true;
  EXPECT_EQ(file.ReadBuffer(buf.data(), 1024, more), 0);
  EXPECT_FALSE(more);

  // A file no class takes.
  const std::string junk = dir_.File("junk.wav");
  {
    std::ofstream out(junk, std::ios::binary);
    out << "not a sound file at all";
  }
  EXPECT_THROW(file.SetFileName(junk), files::EMMAudioError);
  EXPECT_TRUE(file.IsEmpty());
}

TEST_F(AudioFileTest, AFloatFileComesOutAsSixteenBitPCMOfTheSameTone) {
  plat::WAVEFORMATEX f{};
  f.wFormatTag = 3;
  f.nChannels = 1;
  f.nSamplesPerSec = 44100;
  f.wBitsPerSample = 32;
  f.nBlockAlign = 4;
  f.nAvgBytesPerSec = 44100 * 4;
  Bytes src;
  for (int i = 0; i < 44100; ++i) {
    const float v = 0.5f * static_cast<float>(std::sin(2 * 3.14159265358979 * 1000.0 * i / 44100));
    uint8_t b[4];
    std::memcpy(b, &v, 4);
    src.insert(src.end(), b, b + 4);
  }
  TMMAudioFile file(nullptr);
  file.SetFadesOn(false);
  Start(file, Make(f, src));
  const plat::WAVEFORMATEX* out_format = file.GetFormat();
  ASSERT_NE(out_format, nullptr);
  EXPECT_EQ(out_format->wFormatTag, plat::WAVE_FORMAT_PCM);
  EXPECT_EQ(out_format->wBitsPerSample, 16);
  EXPECT_EQ(out_format->nSamplesPerSec, 44100u);
  const Bytes out = ReadAll(file, 4096);
  ASSERT_GE(out.size(), 88200u);
  // Rising zero crossings over the second: the pitch of 1000 Hz.
  int crossings = 0;
  for (size_t i = 1; i < 44100; ++i)
    if (At(out, i - 1) < 0 && At(out, i) >= 0) ++crossings;
  EXPECT_NEAR(crossings, 1000, 2);
  EXPECT_NEAR(At(out, 11), std::lround(0.5 * 32767 * std::sin(2 * 3.14159265358979 * 11000.0 / 44100)), 2);
}

// ADPCM files play as sox decodes them: tag 2 through the ADPCM converter,
// IMA through the compression manager behind it. A seek lands on a block
// start, never inside a block.
TEST_F(AudioFileTest, ADPCMFilesPlayAsSoxDecodesThemAndSeekToBlockStarts) {
  struct Row {
    const char* name;
    const char* encoding;
    int channels, rate;
    bool adpcm_converter;
  };
  const Row rows[] = {
      {"tag 2 stereo", "ms-adpcm", 2, 44100, true},
      {"tag 2 mono", "ms-adpcm", 1, 22050, true},
      {"IMA mono", "ima-adpcm", 1, 22050, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const plat::WAVEFORMATEX pcm = Pcm(16, row.channels, row.rate);
    const std::string in = dir_.File("in.wav"), adpcm = dir_.File("adpcm.wav"), ref = dir_.File("ref.wav");
    WriteWave(in, pcm, Tone(pcm, row.rate));  // 1 s
    ASSERT_TRUE(Sox(in + " -e " + row.encoding + " " + adpcm));
    ASSERT_TRUE(Sox(adpcm + " -e signed-integer -b 16 " + ref));
    const Bytes expected = ReadWaveData(ref);
    const WaveImage image = ReadWaveImage(adpcm);
    ASSERT_FALSE(image.format.empty());
    const int spb = reinterpret_cast<const files::ADPCMWAVEFORMAT*>(image.format.data())->wSamplesPerBlock;
    ASSERT_GT(spb, 0);

    TMMAudioFile file(nullptr);
    file.SetFadesOn(false);
    Start(file, adpcm);
    EXPECT_EQ(file.ADPCMConverter()->Enabled(), row.adpcm_converter);
    ASSERT_NE(file.GetFormat(), nullptr);
    EXPECT_FALSE(engine::WaveFormatsDiffer(file.GetFormat(), &pcm));
    Bytes buf(4096);
    bool more = true;
    ASSERT_EQ(file.ReadBuffer(buf.data(), 4096, more), 4096);
    EXPECT_TRUE(std::equal(buf.begin(), buf.end(), expected.begin()));

    // Half a second in while playing: what was decoded ahead is dropped and
    // the decode goes on from the start of a block.
    file.SetPosition(500);
    ASSERT_EQ(file.ReadBuffer(buf.data(), 4096, more), 4096);
    const size_t frame = pcm.nBlockAlign;
    const size_t target = static_cast<size_t>(row.rate / 2 / spb);
    bool found = false;
    for (size_t block = target > 0 ? target - 1 : 0; block <= target + 1 && !found; ++block) {
      const size_t at = block * static_cast<size_t>(spb) * frame;
      found = at + buf.size() <= expected.size() &&
              std::equal(buf.begin(), buf.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
    }
    EXPECT_TRUE(found);

    // Back to the start: the whole file. The last block's padding may
    // follow; sox trims it by the stored count.
    file.SetPosition(0);
    const Bytes out = ReadAll(file, 4096);
    ASSERT_GE(out.size(), expected.size());
    EXPECT_LE(out.size(), expected.size() + static_cast<size_t>(spb * pcm.nBlockAlign) + 4);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin()));
    file.StopChain();
    file.CloseChain();
  }
}

TEST_F(AudioFileTest, AnMp3FilePlaysThroughTheMpegClassAndARawPcmOneIsRefused) {
  const std::string name = dir_.File("tone.mp3");
  WriteBytes(name, EncodeMp3({}));
  TMMAudioFile file(nullptr);
  Start(file, name);
  EXPECT_EQ(file.GetFileType(), files::ftMpeg);
  const Bytes out = ReadAll(file, 4096);
  // 40 whole frames and the closing tail.
  ASSERT_EQ(out.size(), 40u * 4608 + 4);
  int crossings = 0;
  for (size_t i = 2 * 4000; i < 2 * 26050; i += 2) crossings += At(out, i) < 0 && At(out, i + 2) >= 0;
  EXPECT_NEAR(crossings, 1000 * 22050 / 44100, 2);
  file.StopChain();
  file.CloseChain();

  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const std::string raw = dir_.File("raw.mp3");
  WriteBytes(raw, Tone(f, 4410));
  EXPECT_THROW(file.SetFileName(raw), files::EMMAudioError);
}

TEST_F(AudioFileTest, ALoopCountOfTwoPlaysTheFileThreeTimes) {
  const plat::WAVEFORMATEX f = Pcm(16, 1, 22050);
  const Bytes src = Tone(f, 2205);
  TMMAudioFile file(nullptr);
  Start(file, Make(f, src));
  TestHeader h(4096);
  engine::TMMWaveHdr* hdr = h.hdr();
  hdr->Looping = -1;
  hdr->LoopCount = 2;
  hdr->LoopsLeft = 2;
  size_t total = 0;
  int marks = 0;
  bool more = true;
  for (int guard = 0; guard < 1000 && more; ++guard) {
    hdr->dwBytesRecorded = 0;
    hdr->LoopMark = 0;
    more = false;
    file.BufferLoad(hdr, more);
    total += hdr->dwBytesRecorded;
    if (hdr->LoopMark != 0) ++marks;
  }
  EXPECT_EQ(marks, 2);
  EXPECT_EQ(total, 3 * src.size());
  // The closing tail, then nothing.
  for (uint32_t expected : {4u, 0u}) {
    hdr->dwBytesRecorded = 0;
    file.BufferLoad(hdr, more);
    EXPECT_EQ(hdr->dwBytesRecorded, expected);
    EXPECT_FALSE(more);
  }
}

// Seeks, volume changes and fade-outs from this thread while another pulls:
// nothing breaks (the sanitizers watch), and the reader ends.
TEST_F(AudioFileTest, SeekingAndChangingTheVolumeWhileAnotherThreadPulls) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  TMMAudioFile file(nullptr);
  Start(file, Make(f, Tone(f, 44100)));
  std::atomic<bool> done{false};
  std::thread reader([&] {
    Bytes buf(2048);
    bool more = true;
    for (int i = 0; i < 20000 && !done; ++i) file.ReadBuffer(buf.data(), 2048, more);
  });
  for (int i = 0; i < 200; ++i) {
    file.SetPosition((i * 37) % 900);
    file.SetVolume(8192 + (i % 3) * 4096);
    file.SetPanning((i % 5 - 2) * 8000);
    if (i % 50 == 49) file.FadeOutFrom(20);
    (void)file.GetPosition();
  }
  done = true;
  reader.join();
  file.StopChain();
  file.CloseChain();
  file.CloseFile();
  EXPECT_TRUE(file.IsEmpty());
}

}  // namespace
}  // namespace filestest

namespace filestest {
namespace {

// Passes the pulls on and notes when the stream above has ended.
class TEndProbe : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TEndProbe, engine::TMMDSPComponent)
 public:
  explicit TEndProbe(vcl::TComponent* owner) : engine::TMMDSPComponent(owner) {}
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override {
    inherited::BufferLoad(lpwh, more_buffers);
    if (!more_buffers) ended = true;
  }
  std::atomic<bool> ended{false};
};
VCL_IMPLEMENT_CLASS(TEndProbe, engine::DSPInputProp(), engine::DSPOutputProp())

// Wave file -> player source -> loopback output -> wave input: the levels
// and the tone's bin captured show what the source delivered.
class AudioFileLoopbackTest : public AudioFileTest {
 protected:
  void SetUp() override {
    AudioFileTest::SetUp();
    env_.SetUp();
  }
  void TearDown() override {
    env_.TearDown();
    AudioFileTest::TearDown();
  }
  // Per input buffer of 100 ms: the channels' peaks and the detector's
  // strongest bin (0 when all is silent).
  struct Capture {
    std::vector<std::pair<int, int>> peaks;
    std::vector<int32_t> bins;
    int out_errors = 0;
  };
  // Plays `file` for `ms` with the output in `mode`; `step` runs on this
  // thread after each 10 ms of clock. The input delivers to this thread, so
  // only the output's pulls run elsewhere in thread mode.
  Capture Play(TMMAudioFile& file, int ms, engine::TMMCBMode mode = engine::cmWindow,
               const std::function<void(int)>& step = {}) {
    Capture capture;
    TEndProbe probe(nullptr);
    probe.SetInput(&file);
    engine::TMMWaveOut out(nullptr);
    out.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output")));
    out.SetInput(&probe);
    out.SetBufferSize(kOutBufferBytes);
    out.SetNumBuffers(10);
    out.SetCallBackMode(mode);
    std::atomic<int64_t> played{0};
    std::atomic<int> out_errors{0};
    out.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR*) { ++played; };
    out.OnError = [&](vcl::TObject*) { ++out_errors; };
    engine::TMMWaveIn in(nullptr);
    in.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input")));
    in.SetSampleRate(kRate);
    in.SetBitLength(engine::b16Bit);
    in.SetChannels(2);
    in.SetBufferSize(kRate * 4 / 10);
    in.SetNumBuffers(10);
    in.SetCallBackMode(engine::cmWindow);
    engine::TMMPeakDetect detector(nullptr);
    detector.SetFFTLength(kFFTLength);
    in.SetOutput(&detector);
    detector.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR* h) {
      int l = 0, r = 0;
      for (size_t i = 0; i + 3 < h->dwBytesRecorded; i += 4) {
        int16_t a, b;
        std::memcpy(&a, h->lpData + i, 2);
        std::memcpy(&b, h->lpData + i + 2, 2);
        l = std::max(l, std::abs(int{a}));
        r = std::max(r, std::abs(int{b}));
      }
      capture.peaks.emplace_back(l, r);
      int32_t best = 0;
      for (int32_t k = 1; k < detector.BinCount(); ++k)
        if (detector.PeakValue(k) > detector.PeakValue(best)) best = k;
      capture.bins.push_back(detector.PeakValue(best) > 0 ? best : 0);
    };
    in.Start();
    out.Start();
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
      if (mode == engine::cmThread) {
        // The device thread does not follow the clock by itself: wait until
        // it has refilled every buffer the clock has played.
        const int64_t done = int64_t{t + 10} * kRate * 4 / 1000 / kOutBufferBytes;
        testsupport::PumpUntil(
            [&] {
              return played >= done || probe.ended || (out.State() & engine::TMMWaveOut::kStarted) == 0;
            },
            {.limit_ms = 30000, .pause_us = 100});
      }
      if (step) step(t);
    }
    in.Stop();
    out.Stop();
    in.Close();
    out.Close();
    capture.out_errors = out_errors;
    return capture;
  }
  // 2 s of the 1000 Hz tone at half scale, stereo, made a tag-2 file by sox.
  std::string Tag2Tone() {
    const plat::WAVEFORMATEX pcm = Pcm(16, 2, kRate);
    const std::string in = dir_.File("in.wav"), adpcm = dir_.File("adpcm.wav");
    WriteWave(in, pcm, Tone(pcm, 2 * kRate));
    EXPECT_TRUE(Sox(in + " -e ms-adpcm " + adpcm));
    return adpcm;
  }
  static constexpr int kRate = 44100;
  static constexpr int32_t kOutBufferBytes = kRate * 4 / 20;
  static constexpr int32_t kFFTLength = 1024;
  static constexpr int32_t kToneBin = 23;  // 1000 Hz at 44100 Hz in 1024 points
  plat::ScopedManualClock clock_;
  testsupport::LoopbackEnvironment env_;
};

TEST_F(AudioFileLoopbackTest, CapturedLevelsShowVolumePanningAndAFadeOut) {
  const plat::WAVEFORMATEX f = Pcm(16, 2, kRate);
  const std::string name = Make(f, Tone(f, 2 * kRate));  // 2 s at half scale: peak 16384
  {
    TMMAudioFile file(nullptr);
    file.SetFileName(name);
    file.SetVolume(8192);
    file.SetPanning(16384);
    const auto peaks = Play(file, 1000).peaks;
    ASSERT_GE(peaks.size(), 6u);
    // A buffer well inside the play: left at a quarter, right at half the file's level.
    const auto [l, r] = peaks[5];
    EXPECT_NEAR(l, 16384 / 4, 200);
    EXPECT_NEAR(r, 16384 / 2, 200);
  }
  {
    TMMAudioFile file(nullptr);
    file.SetFileName(name);
    const auto peaks = Play(file, 1500, engine::cmWindow, [&](int t) {
                         if (t == 500) file.FadeOutFrom(200);
                       }).peaks;
    ASSERT_GE(peaks.size(), 12u);
    EXPECT_NEAR(peaks[3].first, 16384, 200);
    // 200 ms after the fade began (and what was queued ahead has drained): silence.
    EXPECT_EQ(peaks.back().first, 0);
    EXPECT_EQ(peaks.back().second, 0);
  }
}

// A tag-2 file made by sox plays through the player source and the loopback
// pair, and the detector below the input finds the tone in its bin.
TEST_F(AudioFileLoopbackTest, ATag2FilePlaysItsToneIntoTheDetectorsBin) {
  TMMAudioFile file(nullptr);
  file.SetFileName(Tag2Tone());
  ASSERT_FALSE(file.IsEmpty());
  ASSERT_TRUE(file.ADPCMConverter()->Enabled());
  const Capture capture = Play(file, 1200);
  EXPECT_EQ(capture.out_errors, 0);
  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
  int heard = 0;
  for (size_t i = 0; i < capture.bins.size(); ++i) {
    if (capture.bins[i] == 0) continue;  // silence before the tone arrived
    ++heard;
    EXPECT_EQ(capture.bins[i], kToneBin) << "buffer " << i;
  }
  EXPECT_GE(heard, 9);
  ASSERT_GE(capture.peaks.size(), 6u);
  EXPECT_NEAR(capture.peaks[5].first, 16384, 300);
  EXPECT_NEAR(capture.peaks[5].second, 16384, 300);
}

// The main thread seeks, changes the volume and the panning, fades out and
// closes the file while the output's device thread pulls a tag-2 file
// through the converters (the ThreadSanitizer build watches): the tone
// plays throughout, nothing fails, and the play ends in silence.
TEST_F(AudioFileLoopbackTest, SeekingFadingAndClosingWhileAThreadDeliveryOutputPulls) {
  TMMAudioFile file(nullptr);
  file.SetFileName(Tag2Tone());
  ASSERT_FALSE(file.IsEmpty());
  int positions = 0;
  const Capture capture = Play(file, 1500, engine::cmThread, [&](int t) {
    if (t < 600 && t % 20 == 0) {
      file.SetPosition((t * 7) % 1500);
      file.SetVolume(t % 40 == 0 ? 12000 : 16384);
      file.SetPanning(t % 60 == 0 ? 4000 : 0);
    }
    // A long fade-out, the volume moved during it, and the file closed
    // before it ends, while the output still pulls: the output closes with
    // the format gone.
    if (t == 600) file.FadeOutFrom(500);
    if (t > 600 && t < 900) file.SetVolume(16384 - t);
    if (t == 900) file.CloseFile();
    // Read while the device thread moves it: always inside the file.
    const int32_t pos = file.GetPosition();
    if (pos >= 0 && pos <= 2000) ++positions;
  });
  EXPECT_EQ(positions, 150);
  EXPECT_TRUE(file.IsEmpty());
  EXPECT_EQ(capture.out_errors, 0);
  EXPECT_TRUE(env_.Errors().empty()) << env_.Errors().front();
  ASSERT_GE(capture.bins.size(), 14u);
  // While seeking and fading: the tone, in every buffer past the first.
  for (size_t i = 1; i < 8; ++i) EXPECT_EQ(capture.bins[i], kToneBin) << "buffer " << i;
  // Closed: silence.
  EXPECT_EQ(capture.peaks.back().first, 0);
  EXPECT_EQ(capture.peaks.back().second, 0);
}

}  // namespace
}  // namespace filestest
