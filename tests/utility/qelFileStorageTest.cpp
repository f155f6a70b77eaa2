// File storage: the stored bytes through form descriptions (damaged counts
// included), loading, saving with and without leave to overwrite and when
// the write fails, saving at load; the wave sound's flags, the order of its
// events, its stored sound through a description, and its sounds heard on
// the loopback input, replaced and stopped while they play.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/kernel/Clock.h"
#include "platform/mm/PlaySound.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "support/TempDir.h"
#include "utility/qelComponents.h"
#include "utility/qelFileStorage.h"

namespace utility {
namespace {

std::vector<uint8_t> Bytes(vcl::TMemoryStream& stream, size_t size) {
  return {stream.Memory(), stream.Memory() + size};
}

std::vector<uint8_t> ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream(name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

// A RIFF WAVE image of `bytes` bytes of CD audio in a pattern.
std::vector<uint8_t> WaveImage(uint32_t bytes, uint8_t seed) {
  std::vector<uint8_t> v = {'R', 'I', 'F', 'F', 0,  0, 0,   0,   'W', 'A',  'V',  'E', 'f', 'm',  't',
                            ' ', 16,  0,   0,   0,  1, 0,   2,   0,   0x44, 0xAC, 0,   0,   0x10, 0xB1,
                            2,   0,   4,   0,   16, 0, 'd', 'a', 't', 'a',  0,    0,   0,   0};
  auto put = [&](size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
  };
  put(4, 36 + bytes);
  put(40, bytes);
  for (uint32_t i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(i * 7 + seed) | 1);
  return v;
}

// The storage's description as the writer gives it, read into a fresh root.
class StoredForms : public ::testing::Test {
 protected:
  void SetUp() override { InitComponentsUnit(); }
  template <class T>
  T* RoundTrip(T* original) {
    text_ = vcl::WriteFormText(&root_);
    copy_ = std::make_unique<vcl::TComponent>(nullptr);
    vcl::ReadFormText(copy_.get(), text_);
    return dynamic_cast<T*>(copy_->FindComponent(original->Name()));
  }
  vcl::TComponent root_{nullptr};
  std::unique_ptr<vcl::TComponent> copy_;
  std::string text_;
  testsupport::TempDir temp_;
};

TEST_F(StoredForms, FileDataCountThenBytes) {
  auto* store = new TqelFileStorage(&root_);
  store->SetName("Store");
  const std::vector<uint8_t> abcde = {'A', 'B', 'C', 'D', 'E'};
  WriteFile(temp_.File("five"), abcde);
  ASSERT_TRUE(store->LoadFromFile(temp_.File("five")));
  vcl::TMemoryStream stream;
  store->WriteData(stream);
  EXPECT_EQ(Bytes(stream, stream.Size()), (std::vector<uint8_t>{5, 0, 0, 0, 'A', 'B', 'C', 'D', 'E'}));

  auto* copy = RoundTrip(store);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->DataSize(), 5u);
  EXPECT_EQ(Bytes(copy->Data(), 5), abcde);

  store->Clear();
  copy = RoundTrip(store);
  EXPECT_EQ(copy->DataSize(), 0u);
  EXPECT_EQ(copy->Data().Size(), 0);
  EXPECT_NE(text_.find("FileData = {"), std::string::npos);  // written even when empty
}

TEST_F(StoredForms, DamagedCountsAreReadErrors) {
  // Counts past the bytes that follow: nothing is allocated for them.
  for (const char* data : {"FFFFFFFF414243", "04000000414243", "0300"}) {
    vcl::TComponent root(nullptr);
    std::string text = std::string("object TComponent\n  object Store: TqelFileStorage\n    FileData = {") +
                       data + "}\n  end\nend\n";
    EXPECT_ANY_THROW(vcl::ReadFormText(&root, text)) << data;
  }
}

TEST_F(StoredForms, WaveWithStoredSoundRoundTrips) {
  auto* wav = new TqelWav(&root_);
  wav->SetName("Sound");
  const std::vector<uint8_t> image = WaveImage(0, 3);  // 44 bytes: a header and no samples
  WriteFile(temp_.File("s.wav"), image);
  wav->SetFileName(temp_.File("s.wav"));
  wav->SetPlayFrom(pfDFM);  // loads the file into the store
  wav->SetLooped(true);
  ASSERT_EQ(wav->DataSize(), 44u);
  std::filesystem::remove(temp_.File("s.wav"));  // the description alone must carry it

  auto* copy = RoundTrip(wav);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->PlayFrom(), pfDFM);
  EXPECT_TRUE(copy->Looped());
  EXPECT_EQ(copy->DataSize(), 44u);
  EXPECT_EQ(Bytes(copy->Data(), 44), image);
  EXPECT_EQ(text_.find("FileName"), std::string::npos);  // stored with pfFile only
}

TEST_F(StoredForms, AutoSaveWritesTheStoredBytesAtLoad) {
  auto* store = new TqelFileStorage(&root_);
  store->SetName("Store");
  WriteFile(temp_.File("in"), {1, 2, 3});
  store->Load();
  EXPECT_EQ(store->DataSize(), 0u);  // no FileName yet
  store->LoadFromFile(temp_.File("in"));
  store->SetSaveName(temp_.File("out"));
  store->SetAutoSave(true);
  RoundTrip(store);
  EXPECT_EQ(ReadFile(temp_.File("out")), (std::vector<uint8_t>{1, 2, 3}));

  // A save that cannot be made does not fail the whole description.
  store->SetSaveName(temp_.File("no/such/folder/out"));
  EXPECT_NO_THROW(RoundTrip(store));
}

class FileStorage : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.OnLoad = [this](vcl::TObject*, bool ok) { events_.push_back(ok ? "load ok" : "load failed"); };
    store_.OnSave = [this](vcl::TObject*, bool ok) { events_.push_back(ok ? "save ok" : "save failed"); };
  }
  TqelFileStorage store_{nullptr};
  testsupport::TempDir temp_;
  std::vector<std::string> events_;
};

TEST_F(FileStorage, LoadsWholeFilesOnly) {
  std::vector<uint8_t> bytes(1234);
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i);
  WriteFile(temp_.File("a.bin"), bytes);
  EXPECT_TRUE(store_.LoadFromFile(temp_.File("a.bin")));
  EXPECT_EQ(store_.DataSize(), 1234u);
  EXPECT_EQ(Bytes(store_.Data(), 1234), bytes);
  EXPECT_FALSE(store_.LoadFromFile(temp_.File("missing.bin")));
  EXPECT_EQ(store_.DataSize(), 1234u);  // what was there stays
  EXPECT_EQ(events_, (std::vector<std::string>{"load ok", "load failed"}));
}

TEST_F(FileStorage, SavesOnlyWithLeaveAndNeverHalfway) {
  WriteFile(temp_.File("src"), {9, 8, 7, 6});
  store_.LoadFromFile(temp_.File("src"));
  const std::string target = temp_.File("target");
  WriteFile(target, {1});
  events_.clear();

  bool allow = false;
  store_.OnConfirmOverride = [&](vcl::TObject*, bool& override_file) { override_file = allow; };
  EXPECT_FALSE(store_.SaveToFile(target));
  EXPECT_EQ(ReadFile(target), std::vector<uint8_t>{1});
  allow = true;
  EXPECT_TRUE(store_.SaveToFile(target));
  EXPECT_EQ(ReadFile(target), (std::vector<uint8_t>{9, 8, 7, 6}));
  EXPECT_EQ(events_, (std::vector<std::string>{"save failed", "save ok"}));

  // A write cut short (here by a file size limit) leaves the old file whole.
  std::vector<uint8_t> big(100000, 5);
  WriteFile(temp_.File("big"), big);
  store_.LoadFromFile(temp_.File("big"));
  rlimit old_limit{};
  getrlimit(RLIMIT_FSIZE, &old_limit);
  auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit = old_limit;
  limit.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &limit);
  EXPECT_THROW(store_.SaveToFile(target), EqelFileStorage);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(ReadFile(target), (std::vector<uint8_t>{9, 8, 7, 6}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.path()), {}), 3);  // no leftovers
  EXPECT_THROW(store_.SaveToFile(temp_.File("no/such/folder/x")), EqelFileStorage);
}

TEST(qelWav, FlagsForEverySource) {
  struct Case {
    TqelWavPlayFrom from;
    bool async, looped, no_stop;
    plat::DWORD flags;
  };
  const Case cases[] = {
      {pfFile, true, false, false, 0x22003},  {pfResource, true, false, false, 0x42007},
      {pfDFM, true, false, false, 0x2007},    {pfSystemEvent, true, false, false, 0x12003},
      {pfFile, true, true, false, 0x2200B},   {pfFile, true, false, true, 0x22013},
      {pfFile, false, false, false, 0x22002},
  };
  for (const Case& c : cases) {
    TqelWav wav(nullptr);
    wav.SetPlayFrom(c.from);
    wav.SetAsyncPlay(c.async);
    wav.SetLooped(c.looped);
    wav.SetNoStopSound(c.no_stop);
    EXPECT_EQ(wav.PrepareFlags(), c.flags) << std::hex << c.flags;
  }
}

// Sounds of the component, heard on the loopback input.
class qelWavSounds : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QUELLIX_AUDIO", "virtual", 1);
    ASSERT_TRUE(plat::wavedev::RebuildDeviceTable());
    plat::SetEventSoundSink([this](const std::string& id) {
      events_.push_back(id);
      return true;
    });
    wav_ = std::make_unique<TqelWav>(nullptr);
    wav_->OnPlayBefore = [this](vcl::TObject*) { events_.push_back(wav_->Playing() ? "before" : "?"); };
    wav_->OnPlayAfter = [this](vcl::TObject*) { events_.push_back(wav_->Playing() ? "after" : "?"); };
  }
  void TearDown() override {
    wav_.reset();
    plat::SetEventSoundSink(nullptr);
  }
  plat::ScopedManualClock clock_;
  testsupport::TempDir temp_;
  std::unique_ptr<TqelWav> wav_;
  std::vector<std::string> events_;
};

TEST_F(qelWavSounds, EventsAroundEachPlayAndDesktopSounds) {
  wav_->SetPlayFrom(pfSystemEvent);
  EXPECT_TRUE(wav_->Play());
  EXPECT_EQ(events_, (std::vector<std::string>{"before", "bell", "after"}));
  EXPECT_FALSE(wav_->Playing());
  events_.clear();
  wav_->SetEventAlias("NoSuchEvent");  // not playing: stops, plays nothing
  EXPECT_FALSE(wav_->Play());          // NoDefaultSound: no stand-in either
  EXPECT_EQ(events_, (std::vector<std::string>{"before", "after"}));
}

TEST_F(qelWavSounds, StoredSoundsAreCheckedBeforeTheyPlay) {
  wav_->SetPlayFrom(pfDFM);
  EXPECT_EQ(wav_->DataSize(), 0u);
  EXPECT_FALSE(wav_->Play());  // an empty store is no sound
  std::vector<uint8_t> lying = WaveImage(8, 1);
  lying[40] = 0xFF;  // the data chunk claims more than there is
  WriteFile(temp_.File("lying.wav"), lying);
  wav_->SetFileName(temp_.File("lying.wav"));
  ASSERT_TRUE(wav_->Load());
  EXPECT_FALSE(wav_->Play());
  EXPECT_FALSE(plat::IsSoundPlaying());
  WriteFile(temp_.File("good.wav"), WaveImage(1764, 1));
  wav_->SetFileName(temp_.File("good.wav"));
  wav_->Load();
  wav_->SetLooped(true);
  wav_->SetAsyncPlay(false);
  EXPECT_FALSE(wav_->Play());  // a loop would never return
  EXPECT_FALSE(plat::IsSoundPlaying());
}

TEST_F(qelWavSounds, StoredSoundReplacedWhilePlaying) {
  WriteFile(temp_.File("long.wav"), WaveImage(176400, 2));  // one second
  wav_->SetFileName(temp_.File("long.wav"));
  wav_->SetPlayFrom(pfDFM);
  ASSERT_TRUE(wav_->Play());
  plat::clock::AdvanceMs(100);
  EXPECT_TRUE(plat::IsSoundPlaying());
  // Switching the source drops the stored bytes: the sound stops first.
  wav_->SetPlayFrom(pfFile);
  EXPECT_EQ(wav_->DataSize(), 0u);
  EXPECT_FALSE(plat::IsSoundPlaying());
  ASSERT_TRUE(wav_->Play());
  plat::clock::AdvanceMs(100);
  wav_->SetLooped(true);  // while it may play: stopped and played again, looping
  plat::clock::AdvanceMs(2000);
  EXPECT_TRUE(plat::IsSoundPlaying());
  wav_->SetLooped(false);  // and stopped
  EXPECT_FALSE(plat::IsSoundPlaying());
}

}  // namespace
}  // namespace utility
