// DSP plug-in libraries: reading, opening, driving modules, and containing
// faulty ones. The plug-ins are the dsptest_* modules in the program folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>
#include <vector>

#include "engine/MMPlgDSP.h"
#include "modules/dsptest_common/DspTestProbe.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Modules.h"
#include "support/TempDir.h"

namespace {

using engine::PMMDSPPluginInfo;
using engine::TMMDSPModuleEntry;

const plat::HWND kParent = reinterpret_cast<plat::HWND>(static_cast<uintptr_t>(0x5150));

plat::WAVEFORMATEX Pcm16(plat::WORD channels, plat::DWORD rate) {
  return {1, channels, rate, rate * channels * 2, static_cast<plat::WORD>(channels * 2), 16, 0};
}

bool IsLoaded(const char* name) { return plat::GetModuleHandleA(name) != nullptr; }

class MMPlgDSPTest : public ::testing::Test {
 protected:
  void TearDown() override {
    engine::FreeDSPPluginInfo(info_);
    for (plat::HMODULE held : held_) plat::FreeLibrary(held);
  }

  // Keeps the plug-in loaded for the test, so its probe outlives the host's
  // loads and frees, and starts the probe afresh.
  DspTestProbe* Probe(const char* name) {
    plat::HMODULE library = plat::LoadLibraryA(name);
    EXPECT_NE(library, nullptr) << name;
    if (!library) return nullptr;
    held_.push_back(library);
    auto get = reinterpret_cast<DspTestProbe* (*)()>(plat::GetProcAddress(library, "DspTestGetProbe"));
    EXPECT_NE(get, nullptr) << name;
    if (!get) return nullptr;
    *get() = DspTestProbe{};
    return get();
  }

  // Reads and opens a plug-in; the modules are then ready for use.
  TMMDSPModuleEntry* Open(const char* name) {
    info_ = engine::ReadDSPPluginInfo(name);
    EXPECT_NE(info_, nullptr) << name;
    if (!info_ || !engine::LoadDSPPlugin(info_.get(), kParent)) return nullptr;
    return info_->Modules.data();
  }

  PMMDSPPluginInfo info_;
  std::vector<plat::HMODULE> held_;
};

TEST_F(MMPlgDSPTest, ReadDescribesTheLibraryAndFreesItAgain) {
  struct Case {
    const char* file;
    const char* upper;
    const char* description;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      // The standard header has version 16, the lowest accepted.
      {"dsptest_std.dll",
       "DSPTEST_STD.DLL",
       "Standard test plug-in",
       {"Standard pass", "Standard halving", "Standard bare"}},
      {"DspTest_Own.dll",
       "DSPTEST_OWN.DLL",
       "Own test plug-in",
       {"Own negate", "Own without restart", "Own bare"}},
      // Both entries exported: the own layout wins.
      {"dsptest_both.dll", "DSPTEST_BOTH.DLL", "Both, own layout", {"Own view"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    PMMDSPPluginInfo info = engine::ReadDSPPluginInfo(c.file);
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->FileName, c.upper);
    EXPECT_EQ(info->Description, c.description);
    ASSERT_EQ(info->ModuleCount, static_cast<int32_t>(c.names.size()));
    for (size_t i = 0; i < c.names.size(); ++i) {
      const TMMDSPModuleEntry& entry = info->Modules[i];
      EXPECT_EQ(entry.Name, c.names[i]);
      EXPECT_FALSE(entry.Initialized);
      EXPECT_EQ(entry.OwnModule, nullptr);
      EXPECT_EQ(entry.StandardModule, nullptr);
    }
    EXPECT_FALSE(info->Opened);
    EXPECT_EQ(info->Handle, nullptr);
    EXPECT_EQ(info->Header, nullptr);
    EXPECT_FALSE(IsLoaded(c.file));
  }
}

TEST_F(MMPlgDSPTest, ReadRefusesWhatIsNoUsablePlugin) {
  const char* const files[] = {
      "dsptest_missing.dll",  // no such library
      "testmodule.dll",       // a library without a header entry
      "dsptest_v15.dll",      // header version 15
  };
  for (const char* file : files) {
    SCOPED_TRACE(file);
    EXPECT_EQ(engine::ReadDSPPluginInfo(file), nullptr);
    EXPECT_FALSE(IsLoaded(file));
  }
}

TEST_F(MMPlgDSPTest, TakesAtMostOneHundredModules) {
  DspTestProbe* probe = Probe("dsptest_many.dll");
  ASSERT_NE(probe, nullptr);
  info_ = engine::ReadDSPPluginInfo("dsptest_many.dll");
  ASSERT_NE(info_, nullptr);
  EXPECT_EQ(info_->ModuleCount, 100);
  EXPECT_EQ(info_->Modules[99].Name, "Module 99");
  EXPECT_EQ(probe->highest_index, 99);  // the 101st module is never asked for

  probe->highest_index = -1;
  ASSERT_TRUE(engine::LoadDSPPlugin(info_.get(), kParent));
  EXPECT_EQ(info_->ModuleCount, 100);
  EXPECT_EQ(probe->highest_index, 99);
  EXPECT_NE(info_->Modules[99].OwnModule, nullptr);
}

TEST_F(MMPlgDSPTest, OpenBindsEachModuleInItsLayout) {
  struct Case {
    const char* file;
    bool standard;
  };
  for (const Case& c :
       {Case{"dsptest_std.dll", true}, Case{"dsptest_own.dll", false}, Case{"dsptest_both.dll", false}}) {
    SCOPED_TRACE(c.file);
    PMMDSPPluginInfo info = engine::ReadDSPPluginInfo(c.file);
    ASSERT_NE(info, nullptr);
    const std::string first_name = info->Modules[0].Name;
    ASSERT_TRUE(engine::LoadDSPPlugin(info.get(), kParent));
    EXPECT_TRUE(info->Opened);
    ASSERT_NE(info->Handle, nullptr);
    ASSERT_NE(info->Header, nullptr);
    EXPECT_TRUE(IsLoaded(c.file));
    for (int32_t i = 0; i < info->ModuleCount; ++i) {
      const TMMDSPModuleEntry& entry = info->Modules[i];
      EXPECT_FALSE(entry.Initialized);
      if (c.standard) {
        ASSERT_NE(entry.StandardModule, nullptr);
        EXPECT_EQ(entry.OwnModule, nullptr);
        EXPECT_EQ(entry.StandardModule->ParentWnd, kParent);
        EXPECT_EQ(entry.StandardModule->Instance, info->Handle);
      } else {
        ASSERT_NE(entry.OwnModule, nullptr);
        EXPECT_EQ(entry.StandardModule, nullptr);
        EXPECT_EQ(entry.OwnModule->ParentWnd, kParent);
        EXPECT_EQ(entry.OwnModule->Instance, info->Handle);
      }
    }
    EXPECT_EQ(info->Modules[0].Name, first_name);

    engine::CloseDSPPlugin(info.get());
    EXPECT_FALSE(info->Opened);
    EXPECT_EQ(info->Handle, nullptr);
    EXPECT_EQ(info->Header, nullptr);
    EXPECT_EQ(info->Modules[0].OwnModule, nullptr);
    EXPECT_EQ(info->Modules[0].StandardModule, nullptr);
    EXPECT_FALSE(IsLoaded(c.file));
    // Closed is back to described: the record can be opened again.
    EXPECT_EQ(info->Modules[0].Name, first_name);
    EXPECT_TRUE(engine::LoadDSPPlugin(info.get(), kParent));
  }
}

TEST_F(MMPlgDSPTest, OpeningAnOpenLibraryDoesNoFurtherWork) {
  DspTestProbe* probe = Probe("dsptest_std.dll");
  ASSERT_NE(probe, nullptr);
  ASSERT_NE(Open("dsptest_std.dll"), nullptr);
  const int header_calls = probe->header_calls;
  const plat::HMODULE handle = info_->Handle;
  EXPECT_TRUE(engine::LoadDSPPlugin(info_.get(), nullptr));
  EXPECT_EQ(probe->header_calls, header_calls);
  EXPECT_EQ(info_->Handle, handle);
  EXPECT_EQ(info_->Modules[0].StandardModule->ParentWnd, kParent);
  EXPECT_FALSE(engine::LoadDSPPlugin(nullptr, kParent));
}

TEST_F(MMPlgDSPTest, OpenFailsWhenTheLibraryHasGone) {
  testsupport::TempDir dir;
  const std::string copy = dir.File("dsptest_std.so");
  std::filesystem::copy_file(plat::GetProgramFolder() + "dsptest_std.so", copy);
  const std::string name = dir.File("dsptest_std.dll");
  info_ = engine::ReadDSPPluginInfo(name);
  ASSERT_NE(info_, nullptr);
  std::filesystem::remove(copy);

  EXPECT_FALSE(engine::LoadDSPPlugin(info_.get(), kParent));
  EXPECT_FALSE(info_->Opened);
  EXPECT_EQ(info_->Handle, nullptr);
  EXPECT_EQ(info_->ModuleCount, 3);
  EXPECT_EQ(info_->Modules[0].StandardModule, nullptr);
}

TEST_F(MMPlgDSPTest, OwnModuleLearnsTheStreamBeforeInitAndRestart) {
  const plat::WAVEFORMATEX stereo = Pcm16(2, 44100);
  const plat::WAVEFORMATEX mono = Pcm16(1, 48000);
  struct Case {
    const plat::WAVEFORMATEX* format;
    int32_t buffer_size;
    int32_t rate, channels, samples;
  };
  const Case cases[] = {
      {nullptr, 4096, 22050, 1, 2048},  // no format: 22050 Hz mono
      {&stereo, 4096, 44100, 2, 1024},
      {&mono, 1001, 48000, 1, 500},
  };
  DspTestProbe* probe = Probe("dsptest_own.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_own.dll");
  ASSERT_NE(modules, nullptr);
  TMMDSPModuleEntry& entry = modules[0];
  for (const Case& c : cases) {
    SCOPED_TRACE(c.buffer_size);
    *probe = DspTestProbe{};
    ASSERT_TRUE(engine::InitDSPModule(entry, c.format, c.buffer_size));
    EXPECT_EQ(probe->init_calls, 1);
    EXPECT_EQ(probe->field_rate, c.rate);
    EXPECT_EQ(probe->field_channels, c.channels);
    EXPECT_EQ(probe->field_samples, c.samples);

    probe->field_rate = probe->field_channels = probe->field_samples = -1;
    EXPECT_TRUE(engine::RestartDSPModule(entry, c.format, c.buffer_size));
    EXPECT_EQ(probe->restart_calls, 1);
    EXPECT_EQ(probe->field_rate, c.rate);
    EXPECT_EQ(probe->field_channels, c.channels);
    EXPECT_EQ(probe->field_samples, c.samples);
    engine::QuitDSPModule(entry);
  }
}

TEST_F(MMPlgDSPTest, InitSucceedsOnlyWhenTheModuleSaysSo) {
  DspTestProbe* probe = Probe("dsptest_own.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_own.dll");
  ASSERT_NE(modules, nullptr);
  TMMDSPModuleEntry& entry = modules[0];
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);

  // No buffer: nothing is called.
  EXPECT_FALSE(engine::InitDSPModule(entry, &format, 0));
  EXPECT_FALSE(engine::InitDSPModule(entry, &format, -4));
  EXPECT_EQ(probe->init_calls, 0);

  // A failed init leaves the module uninitialised and never run.
  probe->init_result = 3;
  EXPECT_FALSE(engine::InitDSPModule(entry, &format, 4096));
  EXPECT_FALSE(entry.Initialized);
  std::vector<int16_t> data(2048, 100);
  EXPECT_EQ(engine::ProcessDSPModule(entry, data.data(), 4096, &format), 0);
  EXPECT_FALSE(engine::RestartDSPModule(entry, &format, 4096));
  EXPECT_EQ(probe->process_calls, 0);
  EXPECT_EQ(probe->restart_calls, 0);

  probe->init_result = 0;
  EXPECT_TRUE(engine::InitDSPModule(entry, &format, 4096));
  // Initialised already: no second init.
  EXPECT_TRUE(engine::InitDSPModule(entry, &format, 4096));
  EXPECT_EQ(probe->init_calls, 2);

  // A format without channels gives no frame to count the buffer in.
  engine::QuitDSPModule(entry);
  plat::WAVEFORMATEX silent = format;
  silent.nChannels = 0;
  EXPECT_FALSE(engine::InitDSPModule(entry, &silent, 4096));
  EXPECT_EQ(probe->init_calls, 2);

  // Without an init function a module can never run.
  EXPECT_FALSE(engine::InitDSPModule(modules[2], &format, 4096));
}

TEST_F(MMPlgDSPTest, RestartFollowsTheModuleKind) {
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  {
    DspTestProbe* probe = Probe("dsptest_own.dll");
    ASSERT_NE(probe, nullptr);
    TMMDSPModuleEntry* modules = Open("dsptest_own.dll");
    ASSERT_NE(modules, nullptr);
    ASSERT_TRUE(engine::InitDSPModule(modules[0], &format, 4096));
    EXPECT_FALSE(engine::RestartDSPModule(modules[0], &format, 0));
    EXPECT_EQ(probe->restart_calls, 0);
    probe->restart_result = 1;
    EXPECT_FALSE(engine::RestartDSPModule(modules[0], &format, 4096));
    EXPECT_TRUE(modules[0].Initialized);
    // Without a restart function a restart just succeeds.
    ASSERT_TRUE(engine::InitDSPModule(modules[1], &format, 4096));
    EXPECT_TRUE(engine::RestartDSPModule(modules[1], &format, 4096));
    engine::FreeDSPPluginInfo(info_);
  }
  DspTestProbe* probe = Probe("dsptest_std.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_std.dll");
  ASSERT_NE(modules, nullptr);
  EXPECT_FALSE(engine::RestartDSPModule(modules[0], &format, 4096));
  ASSERT_TRUE(engine::InitDSPModule(modules[0], &format, 4096));
  EXPECT_EQ(probe->init_calls, 1);
  EXPECT_TRUE(engine::RestartDSPModule(modules[0], &format, 4096));
}

TEST_F(MMPlgDSPTest, StandardModuleGetsFramesAndItsCountIsKeptInTheBuffer) {
  DspTestProbe* probe = Probe("dsptest_std.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_std.dll");
  ASSERT_NE(modules, nullptr);
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  ASSERT_TRUE(engine::InitDSPModule(modules[0], &format, 4096));

  struct Case {
    int32_t returned;
    int32_t buffer_length;  // -1: just the bytes given
    int32_t bytes;
  };
  const Case
      cases[] =
          {
              {1024, -1, 4096},  {1000, -1, 4000},      {0, -1, 0},         {-7, -1, 0},
              {5000, -1, 4096},  {INT32_MAX, -1, 4096}, {1500, 8192, 6000}, {5000, 8192, 8192},
              {1000, 100, 4000},  // a shorter length never cuts valid bytes
          };
  std::vector<int16_t> data(4096);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.returned);
    probe->override_count = true;
    probe->count_result = c.returned;
    EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, &format, c.buffer_length), c.bytes);
    EXPECT_EQ(probe->count, 1024);
    EXPECT_EQ(probe->bits, 16);
    EXPECT_EQ(probe->channels, 2);
    EXPECT_EQ(probe->rate, 44100);
  }
}

TEST_F(MMPlgDSPTest, HalvingModuleLeavesHalfABuffer) {
  TMMDSPModuleEntry* modules = Open("dsptest_std.dll");
  ASSERT_NE(modules, nullptr);
  TMMDSPModuleEntry& halving = modules[1];
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  ASSERT_TRUE(engine::InitDSPModule(halving, &format, 4096));

  // Two input buffers of 4096 bytes make one full output buffer, which is
  // why a pull through this module needs two pulls from its input.
  std::vector<int16_t> output;
  for (int pull = 0; pull < 2; ++pull) {
    std::vector<int16_t> data(2048);
    std::iota(data.begin(), data.end(), static_cast<int16_t>(pull * 2048));
    const int32_t bytes = engine::ProcessDSPModule(halving, data.data(), 4096, &format);
    ASSERT_EQ(bytes, 2048);
    output.insert(output.end(), data.begin(), data.begin() + bytes / 2);
  }
  ASSERT_EQ(output.size() * 2, 4096u);
  // Every second stereo frame survives, in order.
  for (size_t frame = 0; frame < output.size() / 2; ++frame) {
    EXPECT_EQ(output[2 * frame], static_cast<int16_t>(4 * frame)) << frame;
    EXPECT_EQ(output[2 * frame + 1], static_cast<int16_t>(4 * frame + 1)) << frame;
  }
  // A partial buffer of odd frames.
  std::vector<int16_t> last(2 * 7, 1);
  EXPECT_EQ(engine::ProcessDSPModule(halving, last.data(), 7 * 4, &format), 3 * 4);
}

TEST_F(MMPlgDSPTest, OwnModuleProcessesInPlaceAndKeepsTheSize) {
  DspTestProbe* probe = Probe("dsptest_own.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_own.dll");
  ASSERT_NE(modules, nullptr);
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  ASSERT_TRUE(engine::InitDSPModule(modules[0], &format, 4096));
  std::vector<int16_t> data(2048);
  std::iota(data.begin(), data.end(), 0);
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, &format), 4096);
  EXPECT_EQ(data[1], -1);
  EXPECT_EQ(data[2047], -2047);
}

TEST_F(MMPlgDSPTest, ProcessRefusesWhatItCannotCount) {
  DspTestProbe* probe = Probe("dsptest_std.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_std.dll");
  ASSERT_NE(modules, nullptr);
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  std::vector<int16_t> data(2048);
  // Not initialised.
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, &format), 0);
  ASSERT_TRUE(engine::InitDSPModule(modules[0], &format, 4096));
  plat::WAVEFORMATEX no_channels = format;
  no_channels.nChannels = 0;
  plat::WAVEFORMATEX four_bits = format;
  four_bits.wBitsPerSample = 4;
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, nullptr), 0);
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, &no_channels), 0);
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, &four_bits), 0);
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], nullptr, 4096, &format), 0);
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), -4, &format), 0);
  EXPECT_EQ(probe->process_calls, 0);
  // A module without ModifySamples gives no valid bytes.
  ASSERT_FALSE(engine::InitDSPModule(modules[2], &format, 4096));
  EXPECT_EQ(engine::ProcessDSPModule(modules[2], data.data(), 4096, &format), 0);
}

TEST_F(MMPlgDSPTest, QuitCallsOnlyAnInitialisedModule) {
  DspTestProbe* probe = Probe("dsptest_own.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_own.dll");
  ASSERT_NE(modules, nullptr);
  engine::QuitDSPModule(modules[0]);
  EXPECT_EQ(probe->quit_calls, 0);
  EXPECT_FALSE(modules[0].Initialized);

  ASSERT_TRUE(engine::InitDSPModule(modules[0], nullptr, 4096));
  engine::QuitDSPModule(modules[0]);
  EXPECT_EQ(probe->quit_calls, 1);
  EXPECT_FALSE(modules[0].Initialized);
  engine::QuitDSPModule(modules[0]);
  EXPECT_EQ(probe->quit_calls, 1);
  // A quit module can be initialised again.
  EXPECT_TRUE(engine::InitDSPModule(modules[0], nullptr, 4096));
}

TEST_F(MMPlgDSPTest, CloseAndFreeQuitEveryInitialisedModule) {
  DspTestProbe* probe = Probe("dsptest_std.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_std.dll");
  ASSERT_NE(modules, nullptr);
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  ASSERT_TRUE(engine::InitDSPModule(modules[0], &format, 4096));
  ASSERT_TRUE(engine::InitDSPModule(modules[1], &format, 4096));

  engine::FreeDSPPluginInfo(info_);
  EXPECT_EQ(info_, nullptr);
  EXPECT_EQ(probe->quit_calls, 2);
  EXPECT_EQ(probe->config_calls, 0);
  engine::FreeDSPPluginInfo(info_);  // nothing left to free

  // Dropping an open record closes it too.
  {
    PMMDSPPluginInfo info = engine::ReadDSPPluginInfo("dsptest_std.dll");
    ASSERT_NE(info, nullptr);
    ASSERT_TRUE(engine::LoadDSPPlugin(info.get(), kParent));
    ASSERT_TRUE(engine::InitDSPModule(info->Modules[0], &format, 4096));
  }
  EXPECT_EQ(probe->quit_calls, 3);
  plat::FreeLibrary(held_.back());
  held_.pop_back();
  EXPECT_FALSE(IsLoaded("dsptest_std.dll"));
}

TEST_F(MMPlgDSPTest, ThrowingModulesNeverTakeTheHostDown) {
  DspTestProbe* probe = Probe("dsptest_throw.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_throw.dll");
  ASSERT_NE(modules, nullptr);
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  std::vector<int16_t> data(2048, 5);

  // Throwing init: uninitialised, never run.
  EXPECT_FALSE(engine::InitDSPModule(modules[0], &format, 4096));
  EXPECT_FALSE(modules[0].Initialized);
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, &format), 0);
  EXPECT_EQ(probe->process_calls, 0);

  // Throwing processing gives no valid bytes; a throwing quit still quits.
  ASSERT_TRUE(engine::InitDSPModule(modules[1], &format, 4096));
  EXPECT_EQ(engine::ProcessDSPModule(modules[1], data.data(), 4096, &format), 0);
  EXPECT_EQ(probe->process_calls, 1);
  engine::QuitDSPModule(modules[1]);
  EXPECT_EQ(probe->quit_calls, 1);
  EXPECT_FALSE(modules[1].Initialized);

  // Closing quits a module that throws from quit, and still frees the library.
  ASSERT_TRUE(engine::InitDSPModule(modules[1], &format, 4096));
  engine::FreeDSPPluginInfo(info_);
  EXPECT_EQ(probe->quit_calls, 2);
}

TEST_F(MMPlgDSPTest, ThrowingOwnModuleCallsFail) {
  DspTestProbe* probe = Probe("dsptest_own.dll");
  ASSERT_NE(probe, nullptr);
  TMMDSPModuleEntry* modules = Open("dsptest_own.dll");
  ASSERT_NE(modules, nullptr);
  const plat::WAVEFORMATEX format = Pcm16(2, 44100);
  std::vector<int16_t> data(2048, 5);

  probe->throw_from_calls = true;
  EXPECT_FALSE(engine::InitDSPModule(modules[0], &format, 4096));
  probe->throw_from_calls = false;
  ASSERT_TRUE(engine::InitDSPModule(modules[0], &format, 4096));
  probe->throw_from_calls = true;
  EXPECT_FALSE(engine::RestartDSPModule(modules[0], &format, 4096));
  EXPECT_EQ(engine::ProcessDSPModule(modules[0], data.data(), 4096, &format), 0);
  engine::QuitDSPModule(modules[0]);
  EXPECT_FALSE(modules[0].Initialized);
}

TEST_F(MMPlgDSPTest, ThrowingHeaderOrModuleListRefusesTheLibrary) {
  DspTestProbe* probe = Probe("dsptest_throw.dll");
  ASSERT_NE(probe, nullptr);
  probe->throw_from_header = true;
  EXPECT_EQ(engine::ReadDSPPluginInfo("dsptest_throw.dll"), nullptr);
  probe->throw_from_header = false;
  probe->throw_from_get_module = true;
  EXPECT_EQ(engine::ReadDSPPluginInfo("dsptest_throw.dll"), nullptr);

  // Described fine, then faulting while being opened: closed again, still
  // described as it was read.
  probe->throw_from_get_module = false;
  info_ = engine::ReadDSPPluginInfo("dsptest_throw.dll");
  ASSERT_NE(info_, nullptr);
  probe->throw_from_get_module = true;
  EXPECT_FALSE(engine::LoadDSPPlugin(info_.get(), kParent));
  EXPECT_FALSE(info_->Opened);
  EXPECT_EQ(info_->Handle, nullptr);
  EXPECT_EQ(info_->Header, nullptr);
  EXPECT_EQ(info_->ModuleCount, 2);
  EXPECT_EQ(info_->Modules[0].StandardModule, nullptr);

  // The host let go of every reference it took.
  plat::FreeLibrary(held_.back());
  held_.pop_back();
  EXPECT_FALSE(IsLoaded("dsptest_throw.dll"));
}

}  // namespace
