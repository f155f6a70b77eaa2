// CD audio through the CD module: times, the table of contents and CD-TEXT
// of generated disc images, names of track files, the reader's block buffer,
// copy modes and byte orders, refused images and tracks, the player source
// on the loopback pair, and the loader's failure paths.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <memory>

#include "engine/MMACM.h"
#include "engine/MMPeak.h"
#include "engine/MMWavIn.h"
#include "engine/MMWavOut.h"
#include "files/MMAudReg.h"
#include "files/MMAudioFile.h"
#include "files/MMCDA.h"
#include "files/MMCDRead.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Drives.h"
#include "platform/kernel/Files.h"
#include "platform/mm/Acm.h"
#include "platform/mm/WaveDevices.h"
#include "support/LoopbackEnvironment.h"
#include "support/TempDir.h"
#include "tests/files/CDFixtures.h"

namespace filestest {
namespace {

using namespace files;

// The letter the tests' images are listed under.
constexpr char kDrive = 'E';

class CDAudio : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterResourceTable(nullptr, ProgramResourceTable());
    vcl::SetMessageBoxSink([this](const std::string& text, const std::string&, unsigned) {
      boxes_.push_back(text);
      return 1;
    });
  }
  void TearDown() override {
    env_.reset();
    RescanCDDrives();
    vcl::SetMessageBoxSink(nullptr);
    plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
  }
  // Puts the image in drive E.
  std::string Insert(const CdImageSpec& spec, const std::string& name = "disc") {
    const std::string cue = WriteCdImage(dir_.path().string(), name, spec);
    env_.reset();  // restores the old value before the new one is set
    env_ = std::make_unique<testsupport::ScopedEnv>(std::string("QUELLIX_CDROM_") + kDrive, cue);
    RescanCDDrives();
    return cue;
  }
  static std::string Track(int n) {
    char name[32];
    std::snprintf(name, sizeof name, "%c:\\Track%02d.cda", kDrive, n);
    return name;
  }
  // Everything the opened and started reader gives, in pieces of `piece`.
  static Bytes ReadTrack(TMMCDReader& reader, int32_t piece = 5000) {
    Bytes out, buffer(static_cast<size_t>(piece));
    for (int guard = 0; guard < 10000; ++guard) {
      const int32_t n = reader.ReadData(buffer.data(), piece);
      out.insert(out.end(), buffer.begin(), buffer.begin() + n);
      if (n < piece) break;
    }
    return out;
  }
  static void Run(TMMCDReader& reader) {
    reader.Opened();
    reader.Started();
  }
  static void Halt(TMMCDReader& reader) {
    reader.Stopped();
    reader.Closed();
  }

  testsupport::TempDir dir_;
  std::unique_ptr<testsupport::ScopedEnv> env_;
  std::vector<std::string> boxes_;
};

TEST(CDTimes, PackingAndMilliseconds) {
  EXPECT_EQ(MSFToFrames(0x000200), 150u);  // 00:02:00
  EXPECT_EQ(MSFToFrames(0x4A3B02), 2u * 4500 + 59 * 75 + 74);
  uint8_t m = 0, s = 0, f = 0;
  EXPECT_EQ(FramesToMSF(2 * 4500 + 59 * 75 + 74, &m, &s, &f), 0x4A3B02u);
  EXPECT_EQ(m, 2);
  EXPECT_EQ(s, 59);
  EXPECT_EQ(f, 74);
  struct Case {
    uint32_t msf;
    uint32_t ms;
  };
  // 1000/75 rounded: 13.33 -> 13, 26.67 -> 27, 40; 00:01:00 -> 1000.
  for (const Case& c : {Case{0x010000, 13}, Case{0x020000, 27}, Case{0x030000, 40}, Case{0x000100, 1000},
                        Case{0x4A3B02, 179987}})
    EXPECT_EQ(MSFToMilliseconds(c.msf), c.ms) << std::hex << c.msf;
  // The frame part from a binary product: 500 * 0.075 lies just below 37.5.
  EXPECT_EQ(MillisecondsToMSF(500), 0x250000u);
  // 999 ms gives frame 75, which still counts as the next second.
  EXPECT_EQ(MillisecondsToMSF(999), 0x4B0000u);
  EXPECT_EQ(MSFToFrames(MillisecondsToMSF(999)), 75u);
  EXPECT_EQ(MillisecondsToMSF(61500), 0x250101u);
}

TEST_F(CDAudio, TheTableOfContentsAndCDTextOfAGeneratedDisc) {
  Insert(ToneDisc());
  TMMCDReader reader(nullptr);
  const int32_t device = reader.FindDevice(kDrive);
  ASSERT_GE(device, 0);
  reader.SetDeviceID(device);
  EXPECT_EQ(reader.DriveLetter(), "E");
  ASSERT_TRUE(reader.ReadTOC());
  ASSERT_EQ(reader.TrackCount(), 3);
  const uint32_t starts[] = {150, 300, 375}, lengths[] = {150, 75, 75};
  for (int32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(reader.TrackNumber(i), i + 1);
    EXPECT_TRUE(reader.TrackIsAudio(i));
    EXPECT_EQ(MSFToFrames(reader.TrackStartMSF(i)), starts[i]);
    EXPECT_EQ(MSFToFrames(reader.TrackLengthMSF(i)), lengths[i]);
  }
  ASSERT_TRUE(reader.ReadCDText());
  EXPECT_EQ(reader.CDTextTitle(0, 0), "Test Disc");
  EXPECT_EQ(reader.CDTextTitle(0, 1), "Tone 1k");
  EXPECT_EQ(reader.CDTextPerformer(0, 1), "Gen");

  // The tags: every track its own entry, a track without text its number.
  struct Case {
    int track;
    const char *title, *artist;
  };
  for (const Case& c : {Case{1, "Tone 1k", "Gen"}, Case{2, "Tone 440", ""}, Case{3, "Track 03", ""}}) {
    SCOPED_TRACE(c.track);
    TMMFileInfo info;
    ASSERT_TRUE(TMMCDAFile::GetFileInfo(Track(c.track), info, false, 0, nullptr, {}));
    EXPECT_EQ(info.FileType, ftCDA);
    EXPECT_EQ(info.Length, c.track == 1 ? 2000 : 1000);
    EXPECT_EQ(info.Tag.Title, c.title);
    EXPECT_EQ(info.Tag.Artist, c.artist);
    EXPECT_EQ(info.Tag.Album, "Test Disc");
    EXPECT_EQ(info.Tag.Genre, 12);
  }
  EXPECT_TRUE(boxes_.empty());
}

// Sector numbers, not the library's BCD fields: a track at 00:12:00 on the
// disc (10 s into the image) starts at sector 750.
TEST_F(CDAudio, ATrackAtTwelveSecondsStartsAtSector750) {
  CdImageSpec spec;
  spec.tracks = {{750, 1000, "", ""}, {75, 440, "", ""}};
  Insert(spec);
  TMMCDAFile file(nullptr);
  file.SetFileName(Track(2));
  EXPECT_EQ(file.Reader()->TrackStartMSF(1), 0x000C00u);
  EXPECT_EQ(file.Reader()->RangeStart(), 750);
  EXPECT_EQ(file.Reader()->RangeEnd(), 825);
}

TEST_F(CDAudio, TrackNamesSelectTheirTrackAndBadOnesAreRefused) {
  CdImageSpec spec;
  for (int i = 0; i < 10; ++i) spec.tracks.push_back({75, 300.0 + 100 * i, "", ""});
  spec.tracks[4].data = true;
  Insert(spec);
  struct Case {
    std::string name;
    int32_t index;  // -1: refused
    const char* error;
  };
  const Case cases[] = {
      {Track(10), 9, nullptr},
      {Track(1), 0, nullptr},
      {std::string(1, kDrive) + ":\\Track00.cda", 0, nullptr},
      {"e:\\TRACK03.CDA", 2, nullptr},
      {Track(11), -1, "Unable to load CDA file"},  // past the disc's tracks
      {Track(55), -1, "Unable to load CDA file"},
      {Track(5), -1, "Unable to load CDA file"},  // a data track
      {"E:\\Song.cda", -1, "Unable to load CDA file"},
      {"Q:\\Track01.cda", -1, "Unable to load CDA file"},  // no such drive
      {"E:\\Track01.wav", -1, "This is not a valid CDA file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TMMCDAFile file(nullptr);
    if (c.index >= 0) {
      file.SetFileName(c.name);
      EXPECT_EQ(file.TrackIndex(), c.index);
      EXPECT_EQ(file.GetFileName(), c.name);
      EXPECT_EQ(file.GetTime(), 1000);
      EXPECT_TRUE(file.Reader()->MediaLocked());
      continue;
    }
    try {
      file.SetFileName(c.name);
      ADD_FAILURE() << "accepted";
    } catch (const EMMAudioError& e) {
      EXPECT_EQ(e.Message(), c.error);
    }
    EXPECT_TRUE(file.IsEmpty());
    EXPECT_EQ(file.TrackIndex(), -1);
    EXPECT_EQ(CDDrives().LockCount(kDrive), 0);
  }
}

TEST_F(CDAudio, BadImagesAreRefusedCleanly) {
  const std::string good = CueText(ToneDisc(), "disc.bin");
  const Bytes audio = CdTrackAudio(ToneDisc())[0];
  struct Case {
    const char* name;
    std::string cue;
    size_t bin_bytes;  // 0: no .bin
  };
  const Case cases[] = {
      {"bin named otherwise", "FILE \"other.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", audio.size()},
      {"no bin", good, 0},
      {"bin not whole sectors", good, audio.size() - 100},
      {"track past the data", good, 2352 * 10},
      {"wave data", "FILE \"disc.bin\" WAVE\nTRACK 01 AUDIO\nINDEX 01 00:00:00\n", audio.size()},
      {"no index", "FILE \"disc.bin\" BINARY\nTRACK 01 AUDIO\n", audio.size()},
      {"tracks out of order", "FILE \"disc.bin\" BINARY\nTRACK 02 AUDIO\nINDEX 01 00:00:00\nTRACK 01 AUDIO\n",
       audio.size()},
      {"no time", "FILE \"disc.bin\" BINARY\nTRACK 01 AUDIO\nINDEX 01 00:61:00\n", audio.size()},
      {"not text", std::string("\x01\xff\x00garbage", 11), audio.size()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::filesystem::path folder = dir_.path() / c.name;
    std::filesystem::create_directories(folder);
    WriteText((folder / "disc.cue").string(), c.cue);
    if (c.bin_bytes > 0) {
      Bytes bin(c.bin_bytes, 0x11);
      std::ofstream((folder / "disc.bin").string(), std::ios::binary)
          .write(reinterpret_cast<const char*>(bin.data()), static_cast<std::streamsize>(bin.size()));
    }
    testsupport::ScopedEnv env(std::string("QUELLIX_CDROM_") + kDrive, (folder / "disc.cue").string());
    RescanCDDrives();
    // The drive is there without tracks; asked anyway, the file refuses.
    EXPECT_EQ(plat::GetDriveTypeA("E:\\"), plat::DRIVE_CDROM);
    EXPECT_EQ(plat::GetFileAttributesA(Track(1).c_str()), plat::INVALID_FILE_ATTRIBUTES);
    TMMCDAFile file(nullptr);
    EXPECT_THROW(file.SetFileName(Track(1)), EMMAudioError);
    EXPECT_TRUE(file.IsEmpty());
    EXPECT_FALSE(file.Reader()->DeviceReady());
  }
}

// Every copy mode gives the track's samples, little-endian, from either byte
// order of image.
TEST_F(CDAudio, CopyModesAndByteOrdersDeliverTheSameSamples) {
  const Bytes expected = CdTrackAudio(ToneDisc())[1];
  for (bool big_endian : {false, true}) {
    CdImageSpec spec = ToneDisc();
    spec.big_endian = big_endian;
    Insert(spec, big_endian ? "motorola" : "intel");
    for (TMMCDCopyMode mode : {cmNormal, cmBurst, cmSync}) {
      SCOPED_TRACE(testing::Message() << "big-endian " << big_endian << " mode " << int{mode});
      TMMCDAFile file(nullptr);
      file.SetFileName(Track(2));
      file.Reader()->SetCopyMode(mode);
      Run(*file.Reader());
      const Bytes got = ReadTrack(*file.Reader(), 7000);
      Halt(*file.Reader());
      ASSERT_EQ(got.size(), expected.size());
      EXPECT_TRUE(got == expected);
    }
  }
}

TEST_F(CDAudio, TheBlockBufferServesSmallPulls) {
  Insert(ToneDisc());
  TMMCDAFile file(nullptr);
  file.SetFileName(Track(1));
  TMMCDReader& reader = *file.Reader();
  Run(reader);
  EXPECT_EQ(reader.FramesPerRead(), 10);
  const Bytes expected = CdTrackAudio(ToneDisc())[0];
  Bytes buffer(1000);
  EXPECT_EQ(reader.ReadData(buffer.data(), 1000), 1000);
  EXPECT_EQ(reader.CurrentFrame() - reader.RangeStart(), 10);  // 23520 bytes read
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), expected.begin()));
  for (int i = 1; i < 23; ++i) ASSERT_EQ(reader.ReadData(buffer.data(), 1000), 1000);
  EXPECT_EQ(reader.CurrentFrame() - reader.RangeStart(), 10);  // still from the buffer
  EXPECT_TRUE(std::equal(buffer.begin(), buffer.end(), expected.begin() + 22000));
  Halt(reader);

  struct Case {
    int32_t block_count;
    TMMCDCopyMode mode;
    int32_t frames_per_read;
  };
  // A count of 0 or less would never move the reader on.
  for (const Case& c :
       {Case{14, cmSync, 7}, Case{13, cmSync, 13}, Case{14, cmNormal, 14}, Case{0, cmNormal, 1},
        Case{-5, cmBurst, 1}, Case{100000, cmNormal, TMMCDReader::kMaxBlockCount}}) {
    SCOPED_TRACE(c.block_count);
    reader.SetBlockCount(c.block_count);
    reader.SetCopyMode(c.mode);
    reader.SetPosition(reader.RangeStart());
    Run(reader);
    EXPECT_EQ(reader.FramesPerRead(), c.frames_per_read);
    EXPECT_EQ(ReadTrack(reader, 3000).size(), expected.size());
    Halt(reader);
  }
}

TEST_F(CDAudio, VolumePositionsAndLocks) {
  Insert(ToneDisc());
  TMMCDAFile file(nullptr);
  file.SetFileName(Track(1));
  TMMCDReader& reader = *file.Reader();
  reader.SetCopyVolume(40000);
  EXPECT_EQ(reader.CopyVolume(), 32768);
  reader.SetCopyVolume(8192);
  const Bytes track = CdTrackAudio(ToneDisc())[0];

  // Seeking within the track: 500 ms is frame 37 (37.4999...).
  file.SetPosition(500);
  EXPECT_EQ(file.GetPosition(), 493);  // 37 frames
  Run(reader);
  Bytes got(4000);
  ASSERT_EQ(reader.ReadData(got.data(), 4000), 4000);
  for (size_t i = 0; i < 2000; i += 2) {
    int16_t in, out;
    std::memcpy(&in, track.data() + 37 * 2352 + i, 2);
    std::memcpy(&out, got.data() + i, 2);
    ASSERT_NEAR(out, in / 2, 1) << i;
  }
  Halt(reader);
  // Beyond the length the end, before the start the start.
  file.SetPosition(100000);
  EXPECT_EQ(file.GetPosition(), file.GetTime());
  EXPECT_EQ(reader.CurrentFrame(), reader.RangeEnd());
  file.SetPosition(-500);
  EXPECT_EQ(file.GetPosition(), 0);
  EXPECT_EQ(reader.CurrentFrame(), reader.RangeStart());
  // Streaming modes set their range up once: no seeking while open.
  reader.SetCopyMode(cmBurst);
  reader.Opened();
  EXPECT_THROW(reader.SetPosition(reader.RangeStart() + 5), EMMCDDAError);
  EXPECT_THROW(reader.SetCopyMode(cmNormal), EMMCDDAError);
  reader.Closed();

  // A file holds the media locked; a second reader on the drive shares the lock.
  file.SetFileName(Track(2));
  EXPECT_EQ(CDDrives().LockCount(kDrive), 1);
  {
    TMMCDReader other(nullptr);
    other.SetDeviceID(other.FindDevice(kDrive));
    other.LockMedia(true);
    other.LockMedia(true);  // a reader counts once
    EXPECT_EQ(CDDrives().LockCount(kDrive), 2);
    file.SetFileName("");
    EXPECT_EQ(CDDrives().LockCount(kDrive), 1);
  }
  EXPECT_EQ(CDDrives().LockCount(kDrive), 0);
  // The device is locked when the first lock comes and unlocked with the last.
  EXPECT_TRUE(CDDrives().Lock(kDrive));
  EXPECT_FALSE(CDDrives().Lock(kDrive));
  EXPECT_FALSE(CDDrives().Unlock(kDrive));
  EXPECT_TRUE(CDDrives().Unlock(kDrive));
  EXPECT_FALSE(CDDrives().Unlock(kDrive));
  EXPECT_FALSE(CDDrives().Lock('Y'));  // not a drive
}

TEST_F(CDAudio, OnlyFilesWithTheExtensionCountAsCDAudio) {
  Insert(ToneDisc());
  const std::filesystem::path folder = dir_.path() / "rips.cda";
  std::filesystem::create_directories(folder);
  const plat::WAVEFORMATEX f = Pcm(16, 2, 44100);
  const std::string song = (folder / "song.wav").string();
  WriteWave(song, f, Tone(f, 4410));
  EXPECT_TRUE(TMMCDAFile::CanOpenFile(Track(1), {}, nullptr, 0));
  EXPECT_FALSE(TMMCDAFile::CanOpenFile(folder.string(), {}, nullptr, 0));
  EXPECT_FALSE(TMMCDAFile::CanOpenFile(song, {}, nullptr, 0));
  RegisterAudioFileClasses();
  {
    TMMAudioFile file(nullptr);
    file.SetFileName(song);
    EXPECT_EQ(file.GetFileType(), ftWave);
    file.SetFileName(Track(2));
    EXPECT_EQ(file.GetFileType(), ftCDA);
    EXPECT_EQ(file.GetBlockSize(), 2352);
  }
  ClearFileClasses();
}

TEST_F(CDAudio, TheLoaderShowsWhatIsWrongAndTriesAgain) {
  struct Case {
    const char* module;
    const char* box;
  };
  for (const Case& c : {Case{"NO_SUCH_CDDA.DLL", "Unable to load NO_SUCH_CDDA.DLL"},
                        Case{"MMCDDA32_NOENTRY.DLL", "Invalid CDDA DLL version"},
                        Case{"MMCDDA32_V19.DLL", "Invalid CDDA DLL version"}}) {
    SCOPED_TRACE(c.module);
    SetCDDriverModule(c.module);
    boxes_.clear();
    EXPECT_FALSE(LoadCDDriver());
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0], c.box);
    try {
      TMMCDAFile file(nullptr);
      ADD_FAILURE() << "constructed without a module";
    } catch (const EMMCDDAError& e) {
      EXPECT_EQ(e.Message(), engine::LoadLibraryMessage(40) + " " + c.module);
    }
    EXPECT_EQ(boxes_.size(), 2u);
  }
  SetCDDriverModule("MMCDDA32.DLL");
  boxes_.clear();
  EXPECT_TRUE(LoadCDDriver());
  EXPECT_TRUE(boxes_.empty());
}

// Track file -> player source -> loopback output -> wave input -> peak
// detector: each track's tone arrives in its bin.
class CDAudioLoopback : public CDAudio {
 protected:
  void SetUp() override {
    CDAudio::SetUp();
    env_loop_.SetUp();
    plat::RegisterAcmModule();
    engine::LoadACM();
    RegisterAudioFileClasses();
  }
  void TearDown() override {
    ClearFileClasses();
    engine::UnloadACM();
    plat::RegisterAcmModule();
    env_loop_.TearDown();
    CDAudio::TearDown();
  }
  // The detector's strongest bin per captured buffer of 100 ms (0 when silent).
  std::vector<int32_t> PlayBins(TMMAudioFile& file, int ms) {
    std::vector<int32_t> bins;
    engine::TMMWaveOut out(nullptr);
    out.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveOutDevice("Loopback Output")));
    out.SetInput(&file);
    out.SetBufferSize(44100 * 4 / 20);
    out.SetNumBuffers(10);
    engine::TMMWaveIn in(nullptr);
    in.SetDeviceID(static_cast<engine::TMMDeviceId>(plat::wavedev::FindWaveInDevice("Loopback Input")));
    in.SetSampleRate(44100);
    in.SetBitLength(engine::b16Bit);
    in.SetChannels(2);
    in.SetBufferSize(44100 * 4 / 10);
    in.SetNumBuffers(10);
    engine::TMMPeakDetect detector(nullptr);
    detector.SetFFTLength(1024);
    in.SetOutput(&detector);
    detector.OnBufferReady = [&](vcl::TObject*, plat::WAVEHDR*) {
      int32_t best = 0;
      for (int32_t k = 1; k < detector.BinCount(); ++k)
        if (detector.PeakValue(k) > detector.PeakValue(best)) best = k;
      bins.push_back(detector.PeakValue(best) > 0 ? best : 0);
    };
    in.Start();
    out.Start();
    for (int t = 0; t < ms; t += 10) {
      plat::clock::AdvanceMs(10);
      vcl::Application->ProcessMessages();
    }
    in.Stop();
    out.Stop();
    in.Close();
    out.Close();
    return bins;
  }
  plat::ScopedManualClock clock_;
  testsupport::LoopbackEnvironment env_loop_;
};

TEST_F(CDAudioLoopback, EachTrackPlaysItsToneThroughThePlayerSource) {
  Insert(ToneDisc());
  {
    // Track 2 read whole: 75 frames, then the closing tail.
    TMMAudioFile file(nullptr);
    file.SetFileName(Track(2));
    ASSERT_EQ(file.GetFileType(), ftCDA);
    file.OpenChain(4096);
    file.StartChain();
    Bytes buffer(4096);
    int64_t total = 0;
    bool more = true;
    for (int guard = 0; guard < 1000; ++guard) {
      const int32_t n = file.ReadBuffer(buffer.data(), 4096, more);
      total += n;
      if (!more && n == 0) break;
    }
    EXPECT_EQ(total, 75 * 2352 + 4);
    file.StopChain();
    file.CloseChain();
  }
  struct Case {
    int track;
    int32_t bin;  // 43.07 Hz per bin
  };
  for (const Case& c : {Case{1, 23}, Case{2, 10}, Case{3, 46}}) {
    SCOPED_TRACE(c.track);
    TMMAudioFile file(nullptr);
    file.SetFileName(Track(c.track));
    const std::vector<int32_t> bins = PlayBins(file, 900);
    int heard = 0;
    for (int32_t bin : bins) {
      if (bin == 0) continue;
      ++heard;
      EXPECT_EQ(bin, c.bin);
    }
    EXPECT_GE(heard, 5);
  }
  EXPECT_TRUE(env_loop_.Errors().empty()) << env_loop_.Errors().front();
}

}  // namespace
}  // namespace filestest
