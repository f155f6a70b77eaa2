// Whole sounds played through the default output, heard on the loopback
// input: from a file, a resource and the caller's memory (freed at once),
// replaced, looped and stopped; the images refused; event aliases.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "WaveTestSupport.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Resources.h"
#include "platform/mm/PlaySound.h"
#include "support/ClockPusher.h"
#include "support/TempDir.h"

namespace wavetest {
namespace {

using namespace plat;

void Put32(std::vector<uint8_t>& v, uint32_t x) {
  for (int i = 0; i < 4; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
void Put16(std::vector<uint8_t>& v, uint16_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}

// A RIFF WAVE image of `samples` in CD format.
std::vector<uint8_t> WaveBytes(const std::vector<char>& samples) {
  std::vector<uint8_t> v;
  v.insert(v.end(), {'R', 'I', 'F', 'F'});
  Put32(v, static_cast<uint32_t>(36 + samples.size()));
  v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  Put32(v, 16);
  Put16(v, WAVE_FORMAT_PCM);
  Put16(v, 2);
  Put32(v, 44100);
  Put32(v, 176400);
  Put16(v, 4);
  Put16(v, 16);
  v.insert(v.end(), {'d', 'a', 't', 'a'});
  Put32(v, static_cast<uint32_t>(samples.size()));
  v.insert(v.end(), samples.begin(), samples.end());
  return v;
}

std::vector<char> Pattern(size_t bytes, unsigned seed) {
  std::vector<char> data(bytes);
  FillPattern(data, seed);
  data[0] = 1;  // never silence at the start
  return data;
}

// CD bytes in `ms` milliseconds.
constexpr size_t Ms(size_t ms) { return ms * 1764 / 10; }

class PlaySoundTest : public WaveFixture {
 protected:
  void SetUp() override {
    WaveFixture::SetUp();
    SetEventSoundSink([this](const std::string& id) {
      events_.push_back(id);
      return true;
    });
  }
  void TearDown() override {
    PlaySoundA(nullptr, nullptr, 0);
    SetEventSoundSink(nullptr);
    if (in_) {
      waveInReset(in_);
      waveInClose(in_);
    }
    WaveFixture::TearDown();
  }

  // Listens on the loopback input from now on, in buffers of 10 ms. The
  // input hears nothing once the output has closed, so a sound's last
  // buffer may come out silent when the two end together.
  void Listen(int ms) {
    recorder_ = std::make_unique<Recorder>();
    in_ = OpenIn("Loopback Input", *recorder_);
    buffers_.clear();
    buffers_.reserve(ms / 10);
    for (int i = 0; i < ms / 10; ++i) buffers_.emplace_back(Ms(10), 0x55);
    for (Buffer& b : buffers_) AddIn(in_, b);
    ASSERT_EQ(waveInStart(in_), MMSYSERR_NOERROR);
  }
  void Advance(int ms) { clock::AdvanceMs(ms); }
  // Everything heard, once every buffer is back.
  std::vector<char> Heard() {
    EXPECT_TRUE(recorder_->WaitFor(buffers_.size() + 1));  // the open notice first
    std::vector<char> all;
    for (Buffer& b : buffers_) all.insert(all.end(), b.data.begin(), b.data.end());
    return all;
  }
  static bool Same(const std::vector<char>& heard, size_t at, const std::vector<char>& played, size_t from,
                   size_t bytes) {
    return at + bytes <= heard.size() && std::memcmp(heard.data() + at, played.data() + from, bytes) == 0;
  }
  static bool Silent(const std::vector<char>& heard, size_t from) {
    for (size_t i = from; i < heard.size(); ++i)
      if (heard[i] != 0) return false;
    return true;
  }

  ScopedManualClock clock_;
  testsupport::TempDir temp_;
  std::unique_ptr<Recorder> recorder_;
  HWAVEIN in_ = nullptr;
  std::vector<Buffer> buffers_;
  std::vector<std::string> events_;
};

TEST_F(PlaySoundTest, FromAFileAResourceAndMemory) {
  const std::vector<char> samples = Pattern(Ms(150), 3);
  const std::vector<uint8_t> image = WaveBytes(samples);
  const std::string file = temp_.File("tone.wav");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
  static const ResourceEntry entry{{0, "WAVE"}, {0, "TESTWAVE"}, nullptr, 0};
  ResourceEntry entries[] = {entry};
  entries[0].data = image.data();
  entries[0].size = static_cast<DWORD>(image.size());
  const ResourceTable table{entries, 1};
  RegisterResourceTable(nullptr, table);

  for (int source = 0; source < 3; ++source) {
    SCOPED_TRACE(source);
    Listen(300);
    if (source == 0) {
      EXPECT_TRUE(PlaySoundA(file.c_str(), nullptr, SND_FILENAME | SND_ASYNC | SND_NODEFAULT));
    } else if (source == 1) {
      // SND_RESOURCE holds the memory bit: it must be taken as a resource.
      EXPECT_TRUE(PlaySoundA("TestWave", nullptr, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT));
    } else {
      auto copy = std::make_unique<std::vector<uint8_t>>(image);
      EXPECT_TRUE(PlaySoundA(reinterpret_cast<const char*>(copy->data()), nullptr,
                             SND_MEMORY | SND_ASYNC | SND_NODEFAULT));
      copy.reset();  // the caller's memory goes at once
    }
    Advance(300);
    std::vector<char> heard = Heard();
    EXPECT_TRUE(Same(heard, 0, samples, 0, samples.size() - Ms(10)));
    EXPECT_TRUE(Silent(heard, samples.size()));
    EXPECT_FALSE(IsSoundPlaying());
    waveInClose(in_);
    in_ = nullptr;
  }
  UnregisterResourceTable(nullptr, table);
  EXPECT_TRUE(events_.empty());
}

TEST_F(PlaySoundTest, ReplacedLoopedAndStopped) {
  const std::vector<char> first = Pattern(Ms(1000), 5);
  const std::vector<char> second = Pattern(Ms(100), 6);
  const std::vector<uint8_t> first_image = WaveBytes(first), second_image = WaveBytes(second);
  Listen(600);
  ASSERT_TRUE(PlaySoundA(reinterpret_cast<const char*>(first_image.data()), nullptr, SND_MEMORY | SND_ASYNC));
  Advance(100);
  // A new sound replaces the one playing and loops until stopped...
  ASSERT_TRUE(PlaySoundA(reinterpret_cast<const char*>(second_image.data()), nullptr,
                         SND_MEMORY | SND_ASYNC | SND_LOOP));
  Advance(250);
  // ...unless the new one may not stop it.
  EXPECT_FALSE(PlaySoundA(reinterpret_cast<const char*>(first_image.data()), nullptr,
                          SND_MEMORY | SND_ASYNC | SND_NOSTOP));
  EXPECT_TRUE(IsSoundPlaying());
  EXPECT_TRUE(PlaySoundA(nullptr, nullptr, 0));
  EXPECT_FALSE(IsSoundPlaying());
  Advance(250);
  std::vector<char> heard = Heard();
  EXPECT_TRUE(Same(heard, 0, first, 0, Ms(100)));
  EXPECT_TRUE(Same(heard, Ms(100), second, 0, Ms(100)));
  EXPECT_TRUE(Same(heard, Ms(200), second, 0, Ms(100)));
  EXPECT_TRUE(Same(heard, Ms(300), second, 0, Ms(40)));
  EXPECT_TRUE(Silent(heard, Ms(350)));
}

TEST_F(PlaySoundTest, SynchronousPlayReturnsWhenItHasPlayed) {
  const std::vector<uint8_t> image = WaveBytes(Pattern(Ms(200), 7));
  const std::string file = temp_.File("sync.wav");
  std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
  {
    testsupport::ClockPusher pusher;
    EXPECT_TRUE(PlaySoundA(file.c_str(), nullptr, SND_FILENAME | SND_NODEFAULT));
  }
  EXPECT_FALSE(IsSoundPlaying());
}

TEST_F(PlaySoundTest, RefusedAtOnce) {
  const std::vector<uint8_t> image = WaveBytes(Pattern(Ms(100), 8));
  const char* memory = reinterpret_cast<const char*>(image.data());
  const std::string missing = temp_.File("missing.wav");
  struct Case {
    const char* sound;
    DWORD flags;
    std::vector<std::string> events;  // the default sound where it stands in
  };
  const Case cases[] = {
      {memory, SND_MEMORY | SND_LOOP, {}},  // a loop that blocks for ever
      {missing.c_str(), SND_FILENAME | SND_ASYNC | SND_NODEFAULT, {}},
      {missing.c_str(), SND_FILENAME | SND_ASYNC, {"bell"}},
      {"NOSUCH", SND_RESOURCE | SND_ASYNC | SND_NODEFAULT, {}},
      {"RIFX....WAVE", SND_MEMORY | SND_ASYNC | SND_NODEFAULT, {}},
  };
  for (const Case& c : cases) {
    events_.clear();
    EXPECT_FALSE(PlaySoundA(c.sound, nullptr, c.flags)) << std::hex << c.flags;
    EXPECT_FALSE(IsSoundPlaying());
    EXPECT_EQ(events_, c.events) << std::hex << c.flags;
  }
}

TEST_F(PlaySoundTest, AliasesAreDesktopEventSounds) {
  struct Case {
    const char* alias;
    DWORD flags;
    bool played;
    std::vector<std::string> events;
  };
  const Case cases[] = {
      {".Default", SND_ALIAS | SND_ASYNC | SND_NODEFAULT, true, {"bell"}},
      {"systemhand", SND_ALIAS | SND_ASYNC, true, {"dialog-error"}},
      {"NoSuchAlias", SND_ALIAS | SND_ASYNC | SND_NODEFAULT, false, {}},
      {"NoSuchAlias", SND_ALIAS | SND_ASYNC, false, {"bell"}},
  };
  for (const Case& c : cases) {
    events_.clear();
    EXPECT_EQ(PlaySoundA(c.alias, nullptr, c.flags) != FALSE, c.played) << c.alias;
    EXPECT_EQ(events_, c.events) << c.alias;
  }
  events_.clear();
  EXPECT_TRUE(sndPlaySoundA("SystemExclamation", SND_ASYNC));
  EXPECT_EQ(events_, std::vector<std::string>{"dialog-warning"});
  SetEventSoundSink(nullptr);
  EXPECT_FALSE(PlaySoundA(".Default", nullptr, SND_ALIAS));
}

TEST(WaveImage, OnlyWholeImagesAreRead) {
  const std::vector<uint8_t> good = WaveBytes(std::vector<char>(403, 1));  // 100 blocks and 3 bytes
  auto with = [&](size_t at, std::vector<uint8_t> bytes) {
    std::vector<uint8_t> v = good;
    std::copy(bytes.begin(), bytes.end(), v.begin() + static_cast<long>(at));
    return v;
  };
  auto cut = [&](size_t size) {
    return std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(size));
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    bool ok;
  };
  const Case cases[] = {
      {"whole", good, true},
      {"empty", {}, false},
      {"header only", cut(11), false},
      {"not RIFF", with(0, {'R', 'I', 'F', 'X'}), false},
      {"not WAVE", with(8, {'A', 'V', 'I', ' '}), false},
      {"short format", with(16, {15, 0, 0, 0}), false},
      {"data past the end", with(40, {0xFF, 0xFF, 0, 0}), false},
      {"data cut short", cut(200), false},
      {"compressed", with(20, {2, 0}), false},
      {"block size wrong", with(32, {3, 0}), false},
      {"no channels", with(22, {0, 0}), false},
      {"RIFF size below the data", with(4, {40, 0, 0, 0}), false},
  };
  for (const Case& c : cases) {
    WaveImage image;
    EXPECT_EQ(ParseWaveImage(c.bytes.data(), c.bytes.size(), &image), c.ok) << c.what;
  }
  WaveImage image;
  ASSERT_TRUE(ParseWaveImage(good.data(), good.size(), &image));
  EXPECT_EQ(image.data_offset, 44u);
  EXPECT_EQ(image.data_size, 400u);  // whole blocks only
  EXPECT_EQ(image.format.nSamplesPerSec, 44100u);
}

}  // namespace
}  // namespace wavetest
