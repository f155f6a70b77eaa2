// The plug-in stage: loading plug-ins and choosing modules, the module
// operations and their errors, pushed and pulled buffers through the test
// plug-ins (also faulty and uninitialised modules), and the program's own
// plug-in from the program folder.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <string>
#include <vector>

#include "engine/MMPCMSup.h"
#include "engine/MMPlugIn.h"
#include "engine/MMWaveHdr.h"
#include "modules/dsptest_common/DspTestProbe.h"
#include "platform/kernel/Modules.h"
#include "platform/registry/Registry.h"
#include "platform/user/Controls.h"
#include "platform/user/Geometry.h"
#include "platform/user/Window.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/TypInfo.h"
#include "support/TempDir.h"

namespace enginetest {

using namespace engine;

// A source that hands out a counting 16-bit sequence, `total` bytes in all,
// and clears MoreBuffers with its last bytes.
class TPlugInTestSource : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TPlugInTestSource, TMMDSPComponent)
 public:
  explicit TPlugInTestSource(vcl::TComponent* owner) : TMMDSPComponent(owner) {}

  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override {
    ++pulls;
    last_header = lpwh;
    const int32_t n = std::min<int32_t>(static_cast<int32_t>(lpwh->dwBufferLength), total - position);
    auto* samples = reinterpret_cast<int16_t*>(lpwh->lpData);
    for (int32_t i = 0; i < n / 2; ++i) samples[i] = static_cast<int16_t>((position / 2 + i) & 0x7fff);
    position += n;
    lpwh->dwBytesRecorded = static_cast<plat::DWORD>(n);
    if (mark_loop_on_pull == pulls) {
      static_cast<TMMWaveHdr*>(lpwh)->LoopMark = -1;
      static_cast<TMMWaveHdr*>(lpwh)->LoopsLeft = 3;
    }
    more_buffers = position < total;
  }

  int32_t total = 0;
  int32_t position = 0;
  int pulls = 0;
  int mark_loop_on_pull = 0;
  plat::WAVEHDR* last_header = nullptr;
};

VCL_IMPLEMENT_CLASS(TPlugInTestSource, DSPOutputProp())

namespace {

constexpr int32_t kBufferSize = 4096;

plat::WAVEFORMATEX Pcm(int bits, int channels) {
  plat::WAVEFORMATEX f{};
  BuildPCMFormat(f, bits, channels, 44100);
  return f;
}

// A header over its own block, as the devices hand them out.
struct Buffer {
  explicit Buffer(int32_t length) : data(static_cast<size_t>(length)) {
    hdr.lpData = data.data();
    hdr.dwBufferLength = static_cast<plat::DWORD>(length);
  }
  std::vector<int16_t> Samples() const {
    std::vector<int16_t> s(hdr.dwBytesRecorded / 2);
    if (!s.empty()) std::memcpy(s.data(), data.data(), s.size() * 2);
    return s;
  }
  void Fill(const std::vector<int16_t>& samples) {
    std::memcpy(data.data(), samples.data(), samples.size() * 2);
    hdr.dwBytesRecorded = static_cast<plat::DWORD>(samples.size() * 2);
  }
  std::vector<char> data;
  TMMWaveHdr hdr;
};

std::vector<int16_t> Counting(int32_t count, int32_t first = 1) {
  std::vector<int16_t> s(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) s[static_cast<size_t>(i)] = static_cast<int16_t>(first + i);
  return s;
}

class MMPlugInTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stage_ = std::make_unique<TMMDSPPlugin>(nullptr);
    source_ = std::make_unique<TPlugInTestSource>(nullptr);
    // A link hands the input's format down, so the source has the stream's.
    source_->SetFormat(&format_);
  }

  void TearDown() override {
    stage_.reset();
    source_.reset();
    for (plat::HMODULE held : held_) plat::FreeLibrary(held);
    held_.clear();
  }

  // Keeps the plug-in loaded for the test, so its probe outlives the stage's
  // loads and frees, and starts the probe afresh.
  DspTestProbe* Probe(const char* name) {
    plat::HMODULE library = plat::LoadLibraryA(name);
    EXPECT_NE(library, nullptr) << name;
    if (!library) return nullptr;
    held_.push_back(library);
    auto get = reinterpret_cast<DspTestProbe* (*)()>(plat::GetProcAddress(library, "DspTestGetProbe"));
    *get() = DspTestProbe{};
    return get();
  }

  // An opened 16-bit stereo stage running `module` of `plugin`, initialised.
  void Run(const char* plugin, int32_t module, bool init = true) {
    stage_->SetFormat(&format_);
    stage_->SetBufferSize(kBufferSize);
    ASSERT_TRUE(stage_->LoadPlugin(plugin));
    stage_->SetModuleIndex(module);
    stage_->Opened();
    if (init) stage_->InitModule();
  }

  void LinkSource(int32_t total) {
    source_->total = total;
    stage_->SetInput(source_.get());
    ASSERT_EQ(stage_->Input(), source_.get());
  }

  plat::WAVEFORMATEX format_ = Pcm(16, 2);
  std::unique_ptr<TMMDSPPlugin> stage_;
  std::unique_ptr<TPlugInTestSource> source_;
  std::vector<plat::HMODULE> held_;
};

TEST_F(MMPlugInTest, LoadPluginTakesOnlyUsableLibraries) {
  struct Case {
    const char* file;
    bool loaded;
    int32_t modules;
  };
  const Case cases[] = {
      {"dsptest_std.dll", true, 3},     // header version 16, the lowest taken
      {"dsptest_v15.dll", false, 0},    // one version too old
      {"dsptest_many.dll", true, 100},  // offers 150
      {"dsptest_own.dll", true, 3},    {"no_such_plugin.dll", false, 0},
      {"testmodule.dll", false, 0},  // a library without a header entry
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    // Each load replaces what was there, also when it fails.
    ASSERT_TRUE(stage_->LoadPlugin("dsptest_std.dll"));
    EXPECT_EQ(stage_->LoadPlugin(c.file), c.loaded);
    EXPECT_EQ(stage_->HasPlugin(), c.loaded);
    if (c.loaded) {
      EXPECT_EQ(stage_->PluginInfo()->ModuleCount, c.modules);
      EXPECT_FALSE(stage_->PluginInfo()->Opened);
    }
  }
}

TEST_F(MMPlugInTest, ModuleIndexMustNameAModuleOfTheLoadedPlugin) {
  for (int32_t index : {-1, 0, 1}) EXPECT_THROW(stage_->SetModuleIndex(index), EMMPlugInError) << index;
  ASSERT_TRUE(stage_->LoadPlugin("dsptest_std.dll"));
  for (int32_t index : {-1, 3, 100}) EXPECT_THROW(stage_->SetModuleIndex(index), EMMPlugInError) << index;
  EXPECT_EQ(stage_->ModuleIndex(), 0);
  stage_->SetModuleIndex(2);
  EXPECT_EQ(stage_->ModuleIndex(), 2);
  try {
    stage_->SetModuleIndex(3);
    FAIL();
  } catch (const EMMPlugInError& e) {
    EXPECT_EQ(e.Message(), "Invalid Module index");
  }
  // A new plug-in keeps the index, which may not fit it: nothing runs then.
  ASSERT_TRUE(stage_->LoadPlugin("dsptest_both.dll"));
  EXPECT_EQ(stage_->ModuleIndex(), 2);
  EXPECT_FALSE(stage_->ModuleInitialized());
  EXPECT_NO_THROW(stage_->InitModule());
}

TEST_F(MMPlugInTest, OnlySixteenBitPcmIsTakenOutsideDesignMode) {
  const plat::WAVEFORMATEX eight = Pcm(8, 2);
  try {
    stage_->SetFormat(&eight);
    FAIL();
  } catch (const EMMPlugInError& e) {
    EXPECT_EQ(e.Message(), LoadLibraryMessage(62));
  }
  EXPECT_EQ(stage_->GetFormat(), nullptr);
  stage_->SetFormat(&format_);
  ASSERT_NE(stage_->GetFormat(), nullptr);

  stage_->SetDesignMode(true);
  stage_->SetFormat(&eight);
  EXPECT_EQ(stage_->GetFormat()->wBitsPerSample, 8);
  // Opened with it, the stage stays closed and passes buffers untouched.
  stage_->SetDesignMode(false);
  ASSERT_TRUE(stage_->LoadPlugin("dsptest_std.dll"));
  stage_->Opened();
  EXPECT_FALSE(stage_->StageOpened());
}

TEST_F(MMPlugInTest, ModuleOperationsOpenInitRestartAndQuit) {
  DspTestProbe* probe = Probe("dsptest_own.dll");
  Run("dsptest_own.dll", 0, false);
  EXPECT_TRUE(stage_->PluginInfo()->Opened);  // opened with the stream
  EXPECT_EQ(probe->init_calls, 0);

  stage_->InitModule();
  EXPECT_TRUE(stage_->ModuleInitialized());
  EXPECT_EQ(probe->init_calls, 1);
  EXPECT_EQ(probe->restart_calls, 1);
  EXPECT_EQ(probe->field_samples, kBufferSize / 4);

  stage_->Started();
  stage_->Started();  // once per start
  stage_->Reset();
  EXPECT_EQ(probe->restart_calls, 3);

  probe->restart_result = 1;
  EXPECT_THROW(stage_->Reset(), EMMPlugInError);

  stage_->QuitModule();
  EXPECT_FALSE(stage_->ModuleInitialized());
  EXPECT_EQ(probe->quit_calls, 1);

  probe->init_result = 7;
  try {
    stage_->InitModule();
    FAIL();
  } catch (const EMMPlugInError& e) {
    EXPECT_EQ(e.Message(), "Unable to initialise Module");
  }

  // Destruction quits an initialised module.
  probe->init_result = 0;
  probe->restart_result = 0;
  stage_->InitModule();
  stage_.reset();
  EXPECT_EQ(probe->quit_calls, 2);
}

// Pushed buffers: the module's result decides the valid bytes, within the
// buffer; a module that is not running, fails or faults leaves the data as
// they came.
TEST_F(MMPlugInTest, PushedBuffersGoThroughTheModuleInPlace) {
  struct Case {
    const char* name;
    const char* plugin;
    int32_t module;
    bool init;
    bool enabled;
    int32_t count_result;  // frames the module answers; -1 for its own count
    int32_t expected_bytes;
    bool unchanged;
    int process_calls;
  };
  const int32_t frames = kBufferSize / 4;
  const Case cases[] = {
      {"pass", "dsptest_std.dll", 0, true, true, -1, kBufferSize, true, 1},
      {"fewer frames", "dsptest_std.dll", 0, true, true, 1000, 4000, true, 1},
      {"more than the buffer holds", "dsptest_std.dll", 0, true, true, 5000, kBufferSize, true, 1},
      {"negative count", "dsptest_std.dll", 0, true, true, -5, kBufferSize, true, 1},
      {"halving", "dsptest_std.dll", 1, true, true, -1, kBufferSize / 2, false, 1},
      {"not initialised", "dsptest_std.dll", 0, false, true, -1, kBufferSize, true, 0},
      {"disabled", "dsptest_std.dll", 0, true, false, -1, kBufferSize, true, 0},
      {"throws", "dsptest_throw.dll", 1, true, true, -1, kBufferSize, true, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    DspTestProbe* probe = Probe(c.plugin);
    Run(c.plugin, c.module, c.init);
    stage_->SetEnabled(c.enabled);
    if (c.count_result != -1) {
      probe->override_count = true;
      probe->count_result = c.count_result;
    }
    Buffer buffer(kBufferSize);
    const std::vector<int16_t> input = Counting(kBufferSize / 2);
    buffer.Fill(input);
    stage_->BufferReady(&buffer.hdr);
    EXPECT_EQ(probe->process_calls, c.process_calls);
    if (c.process_calls && c.count_result != -1) {
      EXPECT_EQ(probe->count, frames);
    }
    EXPECT_EQ(static_cast<int32_t>(buffer.hdr.dwBytesRecorded), c.expected_bytes);
    if (c.unchanged) {
      EXPECT_EQ(buffer.Samples(), std::vector<int16_t>(input.begin(), input.begin() + c.expected_bytes / 2));
    }
    TearDown();
  }
}

TEST_F(MMPlugInTest, AModuleFaultIsReportedOnceUntilTheModuleStartsAfresh) {
  std::vector<std::string> reports;
  vcl::SetMessageBoxSink([&](const std::string& text, const std::string& caption, unsigned) {
    reports.push_back(caption + ": " + text);
    return vcl::IDOK;
  });
  Probe("dsptest_throw.dll");
  Run("dsptest_throw.dll", 1);
  Buffer buffer(kBufferSize);
  auto push = [&] {
    buffer.Fill(Counting(kBufferSize / 2));
    stage_->BufferReady(&buffer.hdr);
  };
  push();
  push();
  EXPECT_EQ(reports, std::vector<std::string>{"TMMDSPPlugin: process fault"});
  stage_->QuitModule();
  stage_->InitModule();
  push();
  EXPECT_EQ(reports.size(), 2u);
  vcl::SetMessageBoxSink(nullptr);
}

// Without Enabled the pull goes straight to the input with the caller's header.
TEST_F(MMPlugInTest, DisabledStagePullsStraightFromTheInput) {
  DspTestProbe* probe = Probe("dsptest_std.dll");
  Run("dsptest_std.dll", 1);
  LinkSource(kBufferSize * 4);
  stage_->SetEnabled(false);
  Buffer out(kBufferSize);
  bool more = true;
  stage_->BufferLoad(&out.hdr, more);
  EXPECT_EQ(source_->last_header, &out.hdr);
  EXPECT_EQ(out.Samples(), Counting(kBufferSize / 2, 0));
  EXPECT_EQ(probe->process_calls, 0);
}

// A module that halves the frames takes two pulls from the input for one
// full buffer out.
TEST_F(MMPlugInTest, PullFillsWholeBuffersWhateverTheModuleReturns) {
  Probe("dsptest_std.dll");
  Run("dsptest_std.dll", 1);
  LinkSource(kBufferSize * 4);
  Buffer out(kBufferSize);
  bool more = false;
  stage_->BufferLoad(&out.hdr, more);
  EXPECT_EQ(source_->pulls, 2);
  EXPECT_TRUE(more);
  ASSERT_EQ(static_cast<int32_t>(out.hdr.dwBytesRecorded), kBufferSize);
  // Every second stereo frame of the counting input.
  const std::vector<int16_t> got = out.Samples();
  for (size_t frame = 0; frame < got.size() / 2; ++frame) {
    ASSERT_EQ(got[2 * frame], static_cast<int16_t>(4 * frame)) << frame;
    ASSERT_EQ(got[2 * frame + 1], static_cast<int16_t>(4 * frame + 1)) << frame;
  }
}

// The input's last partial buffer is handed out; what is left waits for the
// next pulls, and MoreBuffers drops once nothing is left. A module that is
// not running or that faults passes the data as they came.
TEST_F(MMPlugInTest, PullHandsOutTheRestAfterTheInputEnds) {
  struct Case {
    const char* name;
    const char* plugin;
    int32_t module;
    bool init;
  };
  const Case cases[] = {
      {"pass", "dsptest_std.dll", 0, true},
      {"not initialised", "dsptest_std.dll", 0, false},
      {"throws", "dsptest_throw.dll", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    Probe(c.plugin);
    Run(c.plugin, c.module, c.init);
    LinkSource(kBufferSize + kBufferSize / 2);
    stage_->Started();

    struct Step {
      int32_t bytes;
      bool more;
    };
    const int32_t quarter = kBufferSize / 4;
    const Step steps[] = {{quarter, true}, {quarter, true},  {quarter, true}, {quarter, true},
                          {quarter, true}, {quarter, false}, {0, false}};
    std::vector<int16_t> all;
    for (const Step& step : steps) {
      Buffer out(quarter);
      bool more = !step.more;
      stage_->BufferLoad(&out.hdr, more);
      EXPECT_EQ(static_cast<int32_t>(out.hdr.dwBytesRecorded), step.bytes);
      EXPECT_EQ(more, step.more);
      const std::vector<int16_t> got = out.Samples();
      all.insert(all.end(), got.begin(), got.end());
    }
    EXPECT_EQ(source_->pulls, 2);
    EXPECT_EQ(all, Counting((kBufferSize + kBufferSize / 2) / 2, 0));
    TearDown();
  }
}

TEST_F(MMPlugInTest, PullCarriesTheInputsLoopMarkToTheCaller) {
  Probe("dsptest_std.dll");
  Run("dsptest_std.dll", 0);
  LinkSource(kBufferSize * 4);
  source_->mark_loop_on_pull = 1;
  Buffer first(kBufferSize);
  bool more = false;
  stage_->BufferLoad(&first.hdr, more);
  EXPECT_EQ(first.hdr.LoopMark, 0);  // seen when the next refill starts
  Buffer second(kBufferSize);
  stage_->BufferLoad(&second.hdr, more);
  EXPECT_EQ(second.hdr.LoopMark, -1);
  EXPECT_EQ(second.hdr.LoopsLeft, 3);
}

// ---- The program's own plug-in ----

// The level of the component at `hz` after the plug-in, relative to the input.
double Gain(TMMDSPPlugin& stage, double hz) {
  const int32_t frames = kBufferSize / 4;
  double in_peak = 0;
  double out_peak = 0;
  // The tone runs on across buffers; the second one is past the filter's start.
  for (int32_t pass = 0; pass < 2; ++pass) {
    std::vector<int16_t> input(static_cast<size_t>(frames) * 2);
    for (int32_t i = 0; i < frames; ++i) {
      const double t = static_cast<double>(pass * frames + i) / 44100.0;
      const auto v = static_cast<int16_t>(std::lround(8000.0 * std::cos(2.0 * std::numbers::pi * hz * t)));
      input[2 * static_cast<size_t>(i)] = v;
      input[2 * static_cast<size_t>(i) + 1] = v;
    }
    Buffer buffer(kBufferSize);
    buffer.Fill(input);
    stage.BufferReady(&buffer.hdr);
    EXPECT_EQ(static_cast<int32_t>(buffer.hdr.dwBytesRecorded), kBufferSize);
    const std::vector<int16_t> out = buffer.Samples();
    for (size_t i = 0; pass == 1 && i < out.size(); ++i) {
      in_peak = std::max(in_peak, std::abs(static_cast<double>(input[i])));
      out_peak = std::max(out_peak, std::abs(static_cast<double>(out[i])));
    }
  }
  return out_peak / in_peak;
}

TEST_F(MMPlugInTest, OwnPluginLoadsFromTheProgramFolderAndLowPassesAt2kHz) {
  testsupport::TempDir temp;
  plat::RegistrySetStorePath(temp.File("registry.reg"));
  stage_->SetFormat(&format_);
  stage_->SetBufferSize(kBufferSize);
  ASSERT_TRUE(stage_->LoadPlugin("dsp_vst.dll"));
  EXPECT_EQ(stage_->PluginInfo()->ModuleCount, 1);
  stage_->Opened();
  stage_->InitModule();
  ASSERT_TRUE(stage_->ModuleInitialized());

  struct Case {
    double hz;
    double min_gain;
    double max_gain;
  };
  // A one-pole low-pass: 3 dB down at the corner, the top octave mostly gone.
  const Case cases[] = {{100, 0.97, 1.01}, {2000, 0.6, 0.8}, {16000, 0.0, 0.25}, {22050, 0.0, 0.16}};
  for (const Case& c : cases) {
    const double gain = Gain(*stage_, c.hz);
    EXPECT_GE(gain, c.min_gain) << c.hz;
    EXPECT_LE(gain, c.max_gain) << c.hz;
  }

  // Quit: the data pass untouched again.
  stage_->QuitModule();
  EXPECT_FALSE(stage_->ModuleInitialized());
  EXPECT_NEAR(Gain(*stage_, 22050), 1.0, 1e-9);
  stage_.reset();
  plat::RegistrySetStorePath("");
}

plat::HWND FindTopLevel(const char* title) {
  struct Search {
    const char* title;
    plat::HWND found;
  } search{title, nullptr};
  plat::EnumWindows(
      [](plat::HWND hwnd, plat::LPARAM lparam) -> plat::BOOL {
        auto* s = reinterpret_cast<Search*>(lparam);
        char text[64] = {};
        plat::GetWindowTextA(hwnd, text, sizeof text);
        if (std::strcmp(text, s->title) != 0) return 1;
        s->found = hwnd;
        return 0;
      },
      reinterpret_cast<plat::LPARAM>(&search));
  return search.found;
}

// The plug-in's window binds to the program's window layer, which only a
// program that exports it offers.
TEST_F(MMPlugInTest, OwnPluginWindowShowsAsTheHostAsksAndGoesWithQuit) {
  testsupport::TempDir temp;
  plat::RegistrySetStorePath(temp.File("registry.reg"));
  // The program registers the standard window classes at start.
  plat::RegisterStandardControls();
  stage_->SetFormat(&format_);
  stage_->SetBufferSize(kBufferSize);
  for (plat::DWORD visible : {1u, 0u}) {
    SCOPED_TRACE(visible);
    plat::HKEY key = nullptr;
    ASSERT_EQ(plat::RegCreateKeyA(plat::HKEY_CURRENT_USER, "Software\\WinAmp\\VST Host DSP Plugin", &key),
              plat::ERROR_SUCCESS);
    plat::RegSetValueExA(key, "visible", 0, plat::REG_DWORD, reinterpret_cast<const plat::BYTE*>(&visible),
                         sizeof visible);
    plat::RegCloseKey(key);
    ASSERT_TRUE(stage_->LoadPlugin("dsp_vst.dll"));
    stage_->InitModule();
    const plat::HWND window = FindTopLevel("Low-pass 2 kHz");
    if (!window) {
      stage_->QuitModule();
      plat::RegistrySetStorePath("");
      GTEST_SKIP() << "this program does not export its window layer";
    }
    EXPECT_EQ(plat::IsWindowVisible(window) != 0, visible == 1);
    stage_->QuitModule();
    EXPECT_FALSE(plat::IsWindow(window));
  }
  plat::RegistrySetStorePath("");
}

}  // namespace
}  // namespace enginetest
