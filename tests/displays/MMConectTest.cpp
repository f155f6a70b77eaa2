// The connector on the manual clock with recording displays: due times and
// offsets of the refreshes, the group steps, slot rules, pause with silence,
// the shared idle step, errors in a pass, and the connector's lifetime among
// others that keep running.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "displays/ConnectorTestSupport.h"
#include "displays/DisplayUnits.h"
#include "displays/MMConect.h"
#include "engine/MMACM.h"
#include "engine/MMPCMSup.h"
#include "engine/MMWaveHdr.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/mm/Acm.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/TypInfo.h"
#include "resources/ProgramResources.h"
#include "support/ClockPusher.h"

using namespace displays;

namespace {

using connectortest::EFakeDisplayError;
using connectortest::TDisplayLog;
using connectortest::TFakeDisplay;

// The root a description is read into.
class TConnectorTestForm : public vcl::TComponent {
  VCL_DECLARE_CLASS(TConnectorTestForm, vcl::TComponent)
 public:
  explicit TConnectorTestForm(vcl::TComponent* owner) : vcl::TComponent(owner) {}
};

plat::WAVEFORMATEX Pcm(plat::DWORD rate, plat::WORD channels, plat::WORD bits) {
  const auto align = static_cast<plat::WORD>(channels * bits / 8);
  return {plat::WAVE_FORMAT_PCM, channels, rate, rate * align, align, bits, 0};
}

const plat::WAVEFORMATEX kCd = Pcm(44100, 2, 16);

// Bytes whose aligned words hold their own offset, so a display tells where
// its stretch began.
std::vector<uint8_t> OffsetData(int32_t size) {
  std::vector<uint8_t> data(static_cast<size_t>(size));
  for (int32_t k = 0; k + 4 <= size; k += 4) std::memcpy(&data[static_cast<size_t>(k)], &k, 4);
  return data;
}

// Takes the connector window's waiting messages of one kind out of the queue
// and handles up to `limit` of them; the rest stay queued.
int Dispatch(plat::UINT kind, int limit = 1000) {
  int n = 0;
  plat::MSG msg;
  while (n < limit && plat::PeekMessageA(&msg, ConnectorWindow(), kind, kind, plat::PM_REMOVE)) {
    plat::DispatchMessageA(&msg);
    ++n;
  }
  return n;
}

// How many messages of one kind wait; the queue is left as it was.
int Queued(plat::UINT kind) {
  std::vector<plat::MSG> held;
  plat::MSG msg;
  while (plat::PeekMessageA(&msg, ConnectorWindow(), kind, kind, plat::PM_REMOVE)) held.push_back(msg);
  for (const plat::MSG& m : held) plat::PostMessageA(m.hwnd, m.message, m.wParam, m.lParam);
  return static_cast<int>(held.size());
}

class ConnectorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    plat::RegisterResourceTable(nullptr, ProgramResourceTable());
    vcl::InitApplication();
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      errors_.push_back(e.Message());
    };
  }
  void TearDown() override {
    connectors_.clear();
    displays_.clear();
    EXPECT_EQ(ConnectorWindow(), nullptr);
    vcl::Application->OnException = nullptr;
    vcl::DoneApplication();
    plat::UnregisterResourceTable(nullptr, ProgramResourceTable());
  }

  TFakeDisplay& AddDisplay(const std::string& name, int32_t bytes) {
    displays_.push_back(std::make_unique<TFakeDisplay>(name, bytes, log_));
    return *displays_.back();
  }
  // A connector driven by Trigger on the main thread unless told otherwise.
  TMMConnector& AddConnector(const plat::WAVEFORMATEX& format = kCd, int32_t buffer_size = 16384,
                             bool auto_trigger = false) {
    connectors_.push_back(std::make_unique<TMMConnector>(nullptr));
    TMMConnector& c = *connectors_.back();
    c.SetAutoTrigger(auto_trigger);
    c.SetBufferSize(buffer_size);
    c.SetFormat(&format);
    return c;
  }
  static void Start(TMMConnector& c) {
    c.Opened();
    c.Started();
    Dispatch(MM_CONNECTOR_START);
  }
  static void Store(TMMConnector& c, int32_t size) {
    const std::vector<uint8_t> data = OffsetData(size);
    c.StoreData(data.data(), static_cast<uint32_t>(size));
  }
  static void ClockTo(int64_t at) { plat::clock::Advance(at - plat::ClockNowMicroseconds()); }

  plat::ScopedManualClock clock_;
  TDisplayLog log_;
  std::vector<std::string> errors_;
  std::vector<std::unique_ptr<TFakeDisplay>> displays_;
  std::vector<std::unique_ptr<TMMConnector>> connectors_;
};

// ---- Pacing ----

struct DueCase {
  const char* name;
  TMMDisplayGroup group;
  int32_t step;
  int32_t buffer_size;
  bool zero_rate;               // the header says 0 bytes per second and 0 block align
  std::vector<int64_t> due_us;  // refresh k (from 1) is due this long after the block came
};

void PrintTo(const DueCase& c, std::ostream* os) { *os << c.name; }

class ConnectorDueTest : public ConnectorTest, public ::testing::WithParamInterface<DueCase> {};

TEST_P(ConnectorDueTest, RefreshKComesNoEarlierThanItsShareOfTheByteRate) {
  const DueCase& p = GetParam();
  plat::WAVEFORMATEX format = kCd;
  if (p.zero_rate) format.nAvgBytesPerSec = format.nBlockAlign = 0;
  ASSERT_TRUE(engine::IsValidPCMFormat(&format));
  TMMConnector& c = AddConnector(format, p.buffer_size);
  c.SetDisplay(p.group, 0, &AddDisplay("d", p.step));
  Start(c);
  ASSERT_TRUE(c.Running());
  EXPECT_EQ(c.DisplayFormat()->nAvgBytesPerSec, 176400u);

  const int64_t t0 = plat::ClockNowMicroseconds();
  Store(c, p.buffer_size);
  c.Trigger();
  ASSERT_EQ(log_.Tags("d"), std::vector<uint32_t>{0});
  for (size_t k = 1; k <= p.due_us.size(); ++k) {
    ClockTo(t0 + p.due_us[k - 1] - 1);
    c.Trigger();
    EXPECT_EQ(log_.Count("d"), k) << "refresh " << k << " came early";
    ClockTo(t0 + p.due_us[k - 1]);
    c.Trigger();
    ASSERT_EQ(log_.Count("d"), k + 1) << "refresh " << k << " not at its time";
    EXPECT_EQ(log_.Tags("d").back(), static_cast<uint32_t>(k * p.step));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Steps, ConnectorDueTest,
    ::testing::Values(DueCase{"Level200", dgLevel, 200, 16384, false, {1133, 2267, 3401}},
                      DueCase{"Spectrum8192", dgSpectrum, 8192, 32768, false, {46439, 92879}},
                      DueCase{"ZeroByteRate", dgLevel, 200, 16384, true, {1133, 2267, 3401}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ConnectorTest, WithoutSynchronizeABlockIsFedOneStepPerPassAtItsOffsets) {
  TMMConnector& c = AddConnector();
  c.SetSynchronize(false);
  c.SetDisplay(dgLevel, 0, &AddDisplay("level", 200));
  c.SetDisplay(dgSpectrum, 0, &AddDisplay("spectrum", 8192));
  Start(c);
  Store(c, 16384);
  c.Trigger();
  EXPECT_EQ(log_.Count("level"), 1u);
  EXPECT_EQ(log_.Count("spectrum"), 1u);
  for (int pass = 0; pass < 100; ++pass) c.Trigger();

  std::vector<uint32_t> level;
  for (uint32_t k = 0; k <= 16000; k += 200) level.push_back(k);
  EXPECT_EQ(log_.Tags("level"), level);
  EXPECT_EQ(log_.Tags("spectrum"), (std::vector<uint32_t>{0, 8192}));
  EXPECT_FALSE(c.RefreshDue(dgLevel));

  // A block shorter than the step: nothing, and the group waits for the next block.
  Store(c, 100);
  EXPECT_TRUE(c.RefreshDue(dgLevel));
  c.Trigger();
  EXPECT_EQ(log_.Count("level"), 81u);
  EXPECT_FALSE(c.RefreshDue(dgLevel));
}

struct AdvanceCase {
  const char* name;
  TMMDisplayGroup group;
  int32_t step;
  int32_t fft_length;
  std::vector<uint32_t> offsets;
};

void PrintTo(const AdvanceCase& c, std::ostream* os) { *os << c.name; }

class ConnectorAdvanceTest : public ConnectorTest, public ::testing::WithParamInterface<AdvanceCase> {};

TEST_P(ConnectorAdvanceTest, AcceleratedDisplaysMoveOnByPartOfTheirStep) {
  const AdvanceCase& p = GetParam();
  TMMConnector& c = AddConnector();
  c.SetSynchronize(false);
  TFakeDisplay& d = AddDisplay("d", p.step);
  d.scroll = d.accelerate = true;
  d.fft_length = p.fft_length;
  c.SetDisplay(p.group, 0, &d);
  Start(c);
  Store(c, 16384);
  for (size_t pass = 0; pass < p.offsets.size(); ++pass) c.Trigger();
  EXPECT_EQ(log_.Tags("d"), p.offsets);
}

INSTANTIATE_TEST_SUITE_P(Groups, ConnectorAdvanceTest,
                         ::testing::Values(AdvanceCase{"Oscope256", dgOscope, 1024, 256, {0, 256, 512, 768}},
                                           // A quarter of a two-sample trace is still one frame.
                                           AdvanceCase{"Oscope2", dgOscope, 8, 2, {0, 4, 8, 12}},
                                           AdvanceCase{
                                               "Spectrogram", dgSpectrogram, 8192, 0, {0, 2048, 4096, 6144}}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Slots ----

TEST_F(ConnectorTest, ADescriptionLinksTheDisplaysByName) {
  RegisterDisplayClasses();
  vcl::RegisterClass(TConnectorTestForm::StaticClass());
  const std::string connector_text =
      "  object MMConnector1: TMMConnector\r\n"
      "    Speed = 1000\r\n"
      "    TriggerMode = tmDownFlank\r\n"
      "    EnterIdle = False\r\n"
      "    Level2 = MMLevel1\r\n"
      "    Meter1 = MMMeter1\r\n"
      "    Light2 = MMLight1\r\n"
      "    Oscope1 = MMOscope1\r\n"
      "    Spectrogram2 = MMSpectrogram1\r\n"
      "    Spectrum3 = MMSpectrum1\r\n"
      "  end\r\n";
  TConnectorTestForm form(nullptr);
  vcl::ReadFormText(&form,
                    "object Form1: TConnectorTestForm\r\n"
                    "  object MMLevel1: TMMLevel\r\n"
                    "  end\r\n"
                    "  object MMMeter1: TMMMeter\r\n"
                    "  end\r\n"
                    "  object MMLight1: TMMLight\r\n"
                    "  end\r\n"
                    "  object MMSpectrogram1: TMMSpectrogram\r\n"
                    "  end\r\n"
                    "  object MMOscope1: TMMOscope\r\n"
                    "  end\r\n"
                    "  object MMSpectrum1: TMMSpectrum\r\n"
                    "  end\r\n" +
                        connector_text + "end\r\n");
  auto* connector = dynamic_cast<TMMConnector*>(form.FindComponent("MMConnector1"));
  ASSERT_NE(connector, nullptr);
  EXPECT_EQ(connector->Level1(), nullptr);
  EXPECT_EQ(connector->Level2(), form.FindComponent("MMLevel1"));
  EXPECT_EQ(connector->Display(dgLevel, 1), form.FindComponent("MMLevel1"));
  EXPECT_EQ(connector->Meter1(), form.FindComponent("MMMeter1"));
  EXPECT_EQ(connector->Light1(), nullptr);
  EXPECT_EQ(connector->Light2(), form.FindComponent("MMLight1"));
  EXPECT_EQ(connector->Display(dgLight, 1), form.FindComponent("MMLight1"));
  EXPECT_EQ(connector->Spectrogram1(), nullptr);
  EXPECT_EQ(connector->Spectrogram2(), form.FindComponent("MMSpectrogram1"));
  EXPECT_EQ(connector->Oscope1(), form.FindComponent("MMOscope1"));
  EXPECT_EQ(connector->Oscope2(), nullptr);
  EXPECT_EQ(connector->Spectrum1(), nullptr);
  EXPECT_EQ(connector->Spectrum3(), form.FindComponent("MMSpectrum1"));
  EXPECT_EQ(connector->Display(dgSpectrum, 2), form.FindComponent("MMSpectrum1"));
  EXPECT_EQ(connector->Speed(), 1000);
  EXPECT_EQ(connector->TriggerMode(), tmDownFlank);
  // The shared EnterIdle has no default, so it is always written.
  EXPECT_NE(vcl::WriteFormText(&form).find(connector_text), std::string::npos) << vcl::WriteFormText(&form);
}

TEST_F(ConnectorTest, PairedSlotsRefuseTheOtherSlotsDisplayAndSpectraMayRepeat) {
  TMMConnector& c = AddConnector();
  TFakeDisplay& a = AddDisplay("a", 200);
  for (TMMDisplayGroup g : {dgLevel, dgMeter, dgOscope, dgLight, dgSpectrogram}) {
    for (int first : {0, 1}) {
      c.SetDisplay(g, first, &a);
      c.SetDisplay(g, 1 - first, &a);
      EXPECT_EQ(c.Display(g, 1 - first), nullptr) << "group " << int(g) << " slot " << 1 - first;
      c.SetDisplay(g, first, nullptr);
    }
  }
  log_.calls.clear();
  c.SetDisplay(dgSpectrum, 0, &a);
  c.SetDisplay(dgSpectrum, 3, &a);
  EXPECT_EQ(log_.calls, (std::vector<std::string>{"a.Format", "a.Format", "a.Format"}));
  c.SetDisplay(dgSpectrum, 3, &a);  // already there: nothing
  EXPECT_EQ(log_.calls.size(), 3u);

  c.SetSynchronize(false);
  Start(c);
  Store(c, 400);
  c.Trigger();
  EXPECT_EQ(log_.Tags("a"), (std::vector<uint32_t>{0, 0}));

  vcl::TComponent plain(nullptr);
  EXPECT_THROW(c.SetDisplay(dgLevel, 0, &plain), EMMConnectorError);
  EXPECT_THROW(c.SetDisplay(dgLevel, 2, &a), EMMConnectorError);
  EXPECT_THROW(c.Display(dgSpectrum, 4), EMMConnectorError);

  // A display that goes leaves its slots.
  displays_.clear();
  EXPECT_EQ(c.Display(dgSpectrum, 0), nullptr);
  EXPECT_EQ(c.Display(dgSpectrum, 3), nullptr);
}

TEST_F(ConnectorTest, DisablingResetsEveryDisplayInSlotOrderAlsoWhenStopped) {
  TMMConnector& c = AddConnector();
  std::vector<std::string> expected;
  for (int g = 0; g < kDisplayGroupCount; ++g) {
    for (int i = 0; i < GroupSlotCount(TMMDisplayGroup(g)); ++i) {
      const std::string name = "g" + std::to_string(g) + "s" + std::to_string(i);
      c.SetDisplay(TMMDisplayGroup(g), i, &AddDisplay(name, 4));
      expected.push_back(name + ".Reset");
    }
  }
  ASSERT_EQ(expected.size(), 14u);
  log_.calls.clear();
  c.SetEnabled(false);
  EXPECT_EQ(log_.calls, expected);
}

TEST_F(ConnectorTest, RealTimeCannotChangeWhileOpened) {
  TMMConnector& c = AddConnector();
  c.Opened();
  EXPECT_NO_THROW(c.SetRealTime(true));
  try {
    c.SetRealTime(false);
    ADD_FAILURE() << "no error";
  } catch (const EMMConnectorError& e) {
    EXPECT_EQ(e.Message(), "Change to property while device was open");
  }
  EXPECT_TRUE(c.RealTime());
  c.Closed();
  c.SetRealTime(false);
  EXPECT_FALSE(c.RealTime());
}

TEST_F(ConnectorTest, FailedStartLeavesTheConnectorStopped) {
  TMMConnector& c = AddConnector();
  TFakeDisplay& d = AddDisplay("d", 200);
  c.SetDisplay(dgLevel, 0, &d);
  d.refuse = true;
  c.Opened();
  EXPECT_THROW(c.Started(), EFakeDisplayError);
  EXPECT_FALSE(c.Feeding());
  EXPECT_EQ(Queued(MM_CONNECTOR_START), 0);
  Store(c, 400);
  c.Trigger();
  EXPECT_EQ(log_.Count("d"), 0u);

  d.refuse = false;
  c.Stopped();
  c.Started();
  Dispatch(MM_CONNECTOR_START);
  EXPECT_TRUE(c.Running());
}

// ---- Pause ----

struct PauseCase {
  const char* name;
  plat::WORD bits;
  int32_t buffer_size;
  bool zero_rate;
  int expected_fill;
};

void PrintTo(const PauseCase& c, std::ostream* os) { *os << c.name; }

class ConnectorPauseTest : public ConnectorTest, public ::testing::WithParamInterface<PauseCase> {};

TEST_P(ConnectorPauseTest, PausedDisplaysGetSilenceAfterEveryTickThenLiveDataAgain) {
  const PauseCase& p = GetParam();
  plat::WAVEFORMATEX format = Pcm(44100, 2, p.bits);
  if (p.zero_rate) format.nAvgBytesPerSec = format.nBlockAlign = 0;
  TMMConnector& c = AddConnector(format, p.buffer_size);
  c.SetSynchronize(false);
  c.SetDisplay(dgLevel, 0, &AddDisplay("d", 200));
  Start(c);
  Store(c, p.buffer_size);
  c.Trigger();
  c.Paused();
  ASSERT_NE(c.PauseTimerClient(), nullptr);
  // 4096 bytes last 23 ms: the shared timer's period is the least.
  EXPECT_EQ(c.PauseTimerClient()->Interval, 25);

  for (int tick = 0; tick < 2; ++tick) {
    log_.refreshes.clear();
    plat::clock::AdvanceMs(25);
    c.Trigger();
    c.Trigger();
    ASSERT_EQ(log_.refreshes.size(), 2u) << "tick " << tick;
    EXPECT_EQ(log_.refreshes[0].uniform, p.expected_fill);
    EXPECT_EQ(log_.refreshes[1].uniform, p.expected_fill);
  }
  Store(c, p.buffer_size);  // ignored while paused
  c.Restarted();
  EXPECT_EQ(c.PauseTimerClient(), nullptr);
  Store(c, p.buffer_size);
  log_.refreshes.clear();
  c.Trigger();
  c.Trigger();
  EXPECT_EQ(log_.Tags("d"), (std::vector<uint32_t>{0, 200}));
}

INSTANTIATE_TEST_SUITE_P(Formats, ConnectorPauseTest,
                         ::testing::Values(PauseCase{"Bits16", 16, 16384, false, 0},
                                           PauseCase{"Bits8", 8, 16384, false, 128},
                                           PauseCase{"ShortBuffer", 16, 4096, false, 0},
                                           PauseCase{"ZeroByteRate", 16, 4096, true, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- The shared idle step ----

class ConnectorIdleTest : public ConnectorTest {
 protected:
  // Message-driven, counting its OnTrigger events.
  TMMConnector& AddRunning(int& triggers) {
    TMMConnector& c = AddConnector(kCd, 16384, true);
    c.SetSynchronize(false);
    c.OnTrigger = [&triggers](vcl::TObject*) { ++triggers; };
    return c;
  }
  // Each idle step sleeps 1 ms on the layer's clock.
  static int IdleSteps(int count) {
    testsupport::ClockPusher pusher;
    return Dispatch(MM_CONNECTOR_IDLESTEP, count);
  }
};

TEST_F(ConnectorIdleTest, ARunningConnectorWithoutDisplaysFiresOnTriggerOncePerIdleStep) {
  int triggers = 0;
  TMMConnector& c = AddRunning(triggers);
  Start(c);
  EXPECT_EQ(ConnectorRunningCount(), 1);
  EXPECT_EQ(IdleSteps(5), 5);
  EXPECT_EQ(triggers, 5);
  EXPECT_EQ(Queued(MM_CONNECTOR_IDLESTEP), 1);
  c.Stopped();
  EXPECT_EQ(IdleSteps(5), 1);
  EXPECT_FALSE(ConnectorIdleStepPending());
  EXPECT_EQ(triggers, 5);
}

TEST_F(ConnectorIdleTest, DestroyingOneConnectorKeepsTheOthersRunning) {
  int t1 = 0, t2 = 0, t3 = 0;
  TMMConnector& c1 = AddRunning(t1);
  TMMConnector& c2 = AddRunning(t2);
  TMMConnector& c3 = AddRunning(t3);
  for (TMMConnector* c : {&c1, &c2, &c3}) {
    c->Opened();
    c->Started();
  }
  // Its start message goes with it; the others' stay.
  connectors_.pop_back();
  EXPECT_EQ(Queued(MM_CONNECTOR_START), 2);
  Dispatch(MM_CONNECTOR_START);
  EXPECT_EQ(ConnectorRunningCount(), 2);
  EXPECT_EQ(IdleSteps(3), 3);
  EXPECT_EQ(t1, 3);
  EXPECT_EQ(t2, 3);

  // Once running, the same: the idle step stays and serves the rest.
  connectors_.erase(connectors_.begin());
  EXPECT_EQ(Queued(MM_CONNECTOR_IDLESTEP), 1);
  EXPECT_EQ(IdleSteps(3), 3);
  EXPECT_EQ(t1, 3);
  EXPECT_EQ(t2, 6);
  EXPECT_EQ(t3, 0);
}

TEST_F(ConnectorIdleTest, StopStartCyclesLeaveOneIdleStep) {
  int t1 = 0, t2 = 0;
  TMMConnector& other = AddRunning(t1);
  TMMConnector& c = AddRunning(t2);
  Start(other);
  Start(c);
  for (int cycle = 0; cycle < 10; ++cycle) {
    c.Stopped();
    c.Started();
    Dispatch(MM_CONNECTOR_START);
  }
  EXPECT_EQ(Queued(MM_CONNECTOR_IDLESTEP), 1);
  EXPECT_EQ(ConnectorRunningCount(), 2);
  IdleSteps(4);
  EXPECT_EQ(t1, 4);
  EXPECT_EQ(t2, 4);
  EXPECT_EQ(Queued(MM_CONNECTOR_IDLESTEP), 1);
}

TEST_F(ConnectorIdleTest, ARaisingDisplayGivesOneErrorAndLeavesTheOthersRefreshing) {
  int triggers = 0;
  TMMConnector& c = AddRunning(triggers);
  TFakeDisplay& bad = AddDisplay("bad", 200);
  bad.raise = true;
  c.SetDisplay(dgLevel, 0, &bad);
  c.SetDisplay(dgLevel, 1, &AddDisplay("level", 200));
  c.SetDisplay(dgSpectrum, 0, &AddDisplay("spectrum", 200));
  Start(c);
  Store(c, 16384);
  EXPECT_EQ(IdleSteps(5), 5);
  EXPECT_EQ(errors_, std::vector<std::string>{"bad failed"});
  EXPECT_EQ(log_.Count("bad"), 1u);
  EXPECT_EQ(c.Display(dgLevel, 0), nullptr);
  EXPECT_EQ(log_.Count("level"), 5u);
  EXPECT_EQ(log_.Count("spectrum"), 5u);
  EXPECT_EQ(triggers, 5);
  EXPECT_EQ(Queued(MM_CONNECTOR_IDLESTEP), 1);
}

// ---- Trigger from other threads ----

TEST_F(ConnectorTest, APassMessageAlwaysCountsItselfOff) {
  TMMConnector& c = AddConnector();
  c.SetSynchronize(false);
  c.SetDisplay(dgLevel, 0, &AddDisplay("d", 200));
  Start(c);
  Store(c, 16384);
  std::thread([&] { c.Trigger(); }).join();
  EXPECT_EQ(c.PendingPasses(), 1);
  std::thread([&] { c.Trigger(); }).join();  // one at a time
  EXPECT_EQ(Queued(MM_CONNECTOR_PASS), 1);
  c.SetEnabled(false);
  Dispatch(MM_CONNECTOR_PASS);
  EXPECT_EQ(c.PendingPasses(), 0);
  EXPECT_EQ(log_.Count("d"), 0u);

  c.SetEnabled(true);
  Dispatch(MM_CONNECTOR_START);
  Store(c, 16384);
  std::thread([&] { c.Trigger(); }).join();
  Dispatch(MM_CONNECTOR_PASS);
  EXPECT_EQ(log_.Count("d"), 1u);
  EXPECT_EQ(c.PendingPasses(), 0);

  // A pass message for a connector that is gone changes nothing.
  std::thread([&] { c.Trigger(); }).join();
  int dummy = 0;
  plat::PostMessageA(ConnectorWindow(), MM_CONNECTOR_PASS, 0, reinterpret_cast<plat::LPARAM>(&dummy));
  auto& second = AddConnector();  // keeps the window
  (void)second;
  connectors_.erase(connectors_.begin());
  EXPECT_EQ(Queued(MM_CONNECTOR_PASS), 1);
  EXPECT_EQ(Dispatch(MM_CONNECTOR_PASS), 1);
  EXPECT_TRUE(errors_.empty());
}

TEST_F(ConnectorTest, WithoutRealTimeThePassRunsOnTheDeliveringThread) {
  TMMConnector& c = AddConnector(kCd, 16384, true);
  c.SetRealTime(false);
  c.SetSynchronize(false);
  c.SetDisplay(dgLevel, 0, &AddDisplay("d", 8192));
  int triggers = 0;
  c.OnTrigger = [&](vcl::TObject*) { ++triggers; };
  Start(c);
  EXPECT_FALSE(c.Running());
  EXPECT_EQ(Queued(MM_CONNECTOR_START), 0);
  plat::DWORD delivering = 0;
  std::thread([&] {
    delivering = plat::GetCurrentThreadId();
    Store(c, 16384);
  }).join();
  ASSERT_EQ(log_.refreshes.size(), 1u);
  EXPECT_EQ(log_.refreshes[0].thread, delivering);
  EXPECT_EQ(triggers, 1);
}

TEST_F(ConnectorTest, ATimerDrivenConnectorPassesOnItsTicksAndTakesThemAlongWhenItGoes) {
  TMMConnector& c = AddConnector(kCd, 16384, true);
  c.SetTriggerMethod(tmTimer);
  int triggers = 0;
  c.OnTrigger = [&](vcl::TObject*) { ++triggers; };
  Start(c);
  EXPECT_EQ(ConnectorRunningCount(), 0);
  EXPECT_EQ(Queued(MM_CONNECTOR_IDLESTEP), 0);
  for (int step = 0; step < 10; ++step) {
    plat::clock::AdvanceMs(10);
    vcl::Application->ProcessMessages();
  }
  EXPECT_EQ(triggers, 5);  // every 20 ms

  // Ticks wait in the queue when the connector goes; none reaches it.
  plat::clock::AdvanceMs(60);
  connectors_.clear();
  vcl::Application->ProcessMessages();
  EXPECT_EQ(triggers, 5);
  EXPECT_TRUE(errors_.empty());
}

// ---- Chain paths ----

TEST_F(ConnectorTest, SynchronizedPlaybackStoresTheHeaderPlayingNow) {
  for (bool synchronize : {true, false}) {
    TMMConnector& c = AddConnector();
    c.SetSynchronize(false);
    c.SetDisplay(dgLevel, 0, &AddDisplay("d", 4));
    Start(c);
    c.SetSynchronize(synchronize);
    std::vector<char> given(16, 1), playing(16, 2);
    engine::TMMWaveHdr now{}, next{};
    now.lpData = given.data();
    now.dwBufferLength = now.dwBytesRecorded = 16;
    next.lpData = playing.data();
    next.dwBufferLength = next.dwBytesRecorded = 16;
    now.NextHeader = &next;
    c.BufferReady(&now);
    log_.refreshes.clear();
    c.Trigger();
    ASSERT_EQ(log_.refreshes.size(), 1u);
    EXPECT_EQ(log_.refreshes[0].uniform, synchronize ? 2 : 1);
    connectors_.clear();
    displays_.clear();
  }
}

TEST_F(ConnectorTest, ANonPcmChainIsConvertedForTheDisplays) {
  plat::RegisterAcmModule();
  engine::LoadACM();
  ASSERT_TRUE(engine::ACMUsable());
  const plat::WAVEFORMATEX alaw{plat::WAVE_FORMAT_ALAW, 2, 8000, 16000, 2, 8, 0};
  TMMConnector& c = AddConnector(alaw, 800);
  c.SetSynchronize(false);
  TFakeDisplay& d = AddDisplay("d", 200);
  c.SetDisplay(dgLevel, 0, &d);
  EXPECT_EQ(d.Format().wBitsPerSample, 16);
  Start(c);
  ASSERT_TRUE(c.Feeding());
  std::vector<uint8_t> block(800, 0xD5);  // A-law near silence
  c.StoreData(block.data(), 800);
  for (int pass = 0; pass < 20; ++pass) c.Trigger();
  // 400 stereo frames of 16 bits.
  EXPECT_EQ(log_.Count("d"), 8u);
  c.SetAutoConvert(false);
  c.Stopped();
  c.Started();
  EXPECT_FALSE(c.Feeding());
  connectors_.clear();
  engine::UnloadACM();
}

}  // namespace

VCL_IMPLEMENT_CLASS(TConnectorTestForm)
