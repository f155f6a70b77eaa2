// The analogue needle meter: needle positions on the dB and linear scales,
// block peaks, Value, the needle geometry, the held peak on the manual clock,
// the scale as drawn (through a canvas recorder) and the needles' pixels, and
// a pass on a worker thread while the main thread paints and the timer ticks.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "displays/DisplayUnits.h"
#include "displays/MMMeter.h"
#include "displays/ScreenTestSupport.h"
#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMTimer.h"
#include "platform/kernel/Clock.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "support/ClockPusher.h"

using namespace displays;
using displaytest::Rgb;
using vcl::TColor;

namespace {

class TTestMeter : public TMMMeter {
 public:
  using TMMMeter::FrameBitmap;
  using TMMMeter::TMMMeter;

  int gain_overflows = 0;
  int pcm_overflows = 0;

 protected:
  void GainOverflow() override { ++gain_overflows; }
  void PcmOverflow() override { ++pcm_overflows; }
};

std::vector<uint8_t> Samples16(const std::vector<int16_t>& samples) {
  std::vector<uint8_t> bytes(samples.size() * 2);
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

class MMMeterTest : public displaytest::ScreenTest {
 protected:
  void TearDown() override {
    ScreenTest::TearDown();
    EXPECT_EQ(engine::TimerClientCount(), 0);
  }

  // A meter of the default size at (10, 10) on a white form on screen.
  TTestMeter* ShowMeter() {
    auto* meter = new TTestMeter(NewForm());
    meter->SetParent(form_);
    meter->SetLeft(10);
    meter->SetTop(10);
    ShowForm();
    return meter;
  }

  // The screen pixel at a point of the meter's drawing area (inside the bevel).
  uint32_t MeterPixel(int x, int y) { return At(10 + 1 + x, 10 + 1 + y); }

  // Before any meter, so their timer follows it.
  plat::ScopedManualClock clock_;
};

// ---- positions and Value ----------------------------------------------------

struct PositionCase {
  int16_t peak;
  int32_t db;
  int32_t linear;
};

TEST_F(MMMeterTest, BlockPeaksGiveTheirNeedlePositionsOnBothScales) {
  const PositionCase cases[] = {
      {32767, 32767, 32767}, {3277, 19661, 3183}, {1036, 13106, 935}, {328, 6559, 225}, {100, 0, 0},
  };
  for (const PositionCase& c : cases) {
    SCOPED_TRACE(c.peak);
    for (bool log_amp : {true, false}) {
      TTestMeter meter(nullptr);
      meter.SetBitLength(engine::b16Bit);
      meter.SetLogAmp(log_amp);
      const auto data = Samples16(std::vector<int16_t>(50, static_cast<int16_t>(-c.peak)));
      meter.RefreshPCMData(data.data());
      EXPECT_EQ(meter.NeedlePos(), log_amp ? c.db : c.linear) << (log_amp ? "dB" : "linear");
      // Only a full-scale block overflows, and only full scale reaches the end.
      EXPECT_EQ(meter.pcm_overflows, c.peak == 32767 ? 1 : 0);
      EXPECT_EQ(meter.gain_overflows, c.peak == 32767 ? 1 : 0);
    }
  }
}

struct PeakCase {
  const char* name;
  engine::TMMBits bits;
  engine::TMMMode mode;
  engine::TMMChannel channel;
  int32_t dc_left, dc_right;
  std::vector<uint8_t> frame;  // repeated over the block
  int32_t peak;
};

TEST_F(MMMeterTest, TheBlockPeakReadsEveryFormatAndChannel) {
  const PeakCase cases[] = {
      {"8-bit mono 0", engine::b8Bit, engine::mMono, engine::chBoth, 0, 0, {0}, 32768},
      {"8-bit mono 255", engine::b8Bit, engine::mMono, engine::chBoth, 0, 0, {255}, 32512},
      {"8-bit mono offset", engine::b8Bit, engine::mMono, engine::chBoth, 5, 0, {138}, 1280},
      {"8-bit both", engine::b8Bit, engine::mStereo, engine::chBoth, 0, 0, {228, 128}, 12800},
      {"8-bit left", engine::b8Bit, engine::mStereo, engine::chLeft, 0, 0, {228, 28}, 25600},
      {"8-bit right", engine::b8Bit, engine::mStereo, engine::chRight, 0, 7, {228, 28}, 27392},
      // The left sum wraps at 16 bits before the right joins it.
      {"8-bit both wraps left", engine::b8Bit, engine::mStereo, engine::chBoth, -65536, 0, {200, 100}, 5632},
      {"16-bit both", engine::b16Bit, engine::mStereo, engine::chBoth, 0, 0, {0xE8, 0x03, 0x48, 0xF4}, 1000},
      {"16-bit right",
       engine::b16Bit,
       engine::mStereo,
       engine::chRight,
       0,
       0,
       {0xE8, 0x03, 0x48, 0xF4},
       3000},
      {"16-bit mono offset", engine::b16Bit, engine::mMono, engine::chBoth, -100, 0, {0xE8, 0x03}, 1100},
      {"16-bit, two channels of four",
       engine::b16Bit,
       engine::mMultiChannel,
       engine::chLeft,
       0,
       0,
       {0xE8, 0x03, 0, 0},
       1000},
  };
  for (const PeakCase& c : cases) {
    SCOPED_TRACE(c.name);
    // A linear meter shows a block the way it shows its peak given directly.
    TTestMeter fed(nullptr), shown(nullptr);
    for (TTestMeter* m : {&fed, &shown}) {
      m->SetLogAmp(false);
      m->SetBitLength(c.bits);
      m->SetMode(c.mode);
      m->SetChannel(c.channel);
      m->SetDCOffsetL(c.dc_left);
      m->SetDCOffsetR(c.dc_right);
    }
    std::vector<uint8_t> data;
    while (static_cast<int32_t>(data.size()) < fed.BytesPerRefresh())
      data.insert(data.end(), c.frame.begin(), c.frame.end());
    fed.RefreshPCMData(data.data());
    shown.ShowNeedle(c.peak);
    EXPECT_EQ(fed.NeedlePos(), shown.NeedlePos());
    EXPECT_EQ(fed.pcm_overflows, c.peak >= 32767 ? 1 : 0);
  }
  // Offsets as large as an Integer holds neither wrap nor raise.
  TTestMeter extreme(nullptr);
  extreme.SetDCOffsetL(std::numeric_limits<int32_t>::min());
  EXPECT_EQ(extreme.DCOffsetL(), std::numeric_limits<int32_t>::min());
  const std::vector<uint8_t> silence(50, 128);
  extreme.RefreshPCMData(silence.data());
  EXPECT_EQ(extreme.NeedlePos(), TMMCustomMeter::FullScale);
  extreme.ShowNeedle(std::numeric_limits<int32_t>::min());
  EXPECT_EQ(extreme.NeedlePos(), TMMCustomMeter::FullScale);
}

TEST_F(MMMeterTest, ValueReadsAndWritesPercentOfFullScale) {
  TTestMeter meter(nullptr);
  EXPECT_EQ(meter.Value(), 0);
  meter.ShowNeedle(3277);
  ASSERT_EQ(meter.NeedlePos(), 19661);
  EXPECT_EQ(meter.Value(), 10);
  meter.SetValue(150);
  EXPECT_EQ(meter.NeedlePos(), TMMCustomMeter::FullScale);
  EXPECT_EQ(meter.Value(), 100);
  meter.SetValue(-5);
  EXPECT_EQ(meter.NeedlePos(), 0);
  EXPECT_EQ(meter.Value(), 0);

  TTestMeter linear(nullptr);
  linear.SetLogAmp(false);
  linear.ShowNeedle(16436);
  ASSERT_EQ(linear.NeedlePos(), 16384);
  EXPECT_EQ(linear.Value(), 50);
  linear.SetValue(100);
  EXPECT_EQ(linear.Value(), 100);

  // Gain doubles the level, and -8 leaves nothing to read back instead of
  // dividing by zero.
  TTestMeter gained(nullptr);
  gained.SetGain(8);
  EXPECT_EQ(gained.Gain(), 8);
  for (int32_t ignored : {33, -9}) gained.SetGain(ignored);
  EXPECT_EQ(gained.Gain(), 8);
  gained.ShowNeedle(1639);  // about -26 dB, shown as -20
  EXPECT_EQ(gained.NeedlePos(), 19662);
  EXPECT_EQ(gained.Value(), 5);
  gained.SetGain(-8);
  EXPECT_EQ(gained.Value(), 0);
  gained.ShowNeedle(32767);
  EXPECT_EQ(gained.NeedlePos(), 0);

  TTestMeter offsets(nullptr);
  offsets.SetDCOffsetL(5);
  offsets.SetDCOffsetL(-5);
  EXPECT_EQ(offsets.DCOffsetL(), -5);
}

TEST_F(MMMeterTest, NeedlePointsFollowTheArc) {
  TTestMeter meter(nullptr);
  ASSERT_EQ(meter.MeterWidth(), 168);
  ASSERT_EQ(meter.MeterHeight(), 88);
  struct Case {
    int32_t position, radius, x, y;
  };
  const Case cases[] = {
      {0, 104, 10, 44},      {8192, 104, 44, 22}, {16384, 104, 84, 14},
      {32767, 104, 158, 44}, {0, 102, 12, 46},    {32767, 102, 156, 46},
  };
  for (const Case& c : cases) {
    vcl::TPoint p{};
    meter.NeedlePoint(p, c.position, c.radius);
    EXPECT_EQ(p.x, c.x) << c.position << " at " << c.radius;
    EXPECT_EQ(p.y, c.y) << c.position << " at " << c.radius;
  }
  // A half circle puts the ends level with the pivot.
  meter.SetScaleAngle(200);
  EXPECT_EQ(meter.ScaleAngle(), 180);
  vcl::TPoint p{};
  meter.NeedlePoint(p, 0, 104);
  EXPECT_EQ(p.x, 84 - 104);
  EXPECT_EQ(p.y, 88 + 30);
}

TEST_F(MMMeterTest, WritersClampAndIgnoreAsTheirRangesSay) {
  TTestMeter meter(nullptr);
  struct Case {
    const char* name;
    void (TMMCustomMeter::*set)(int32_t);
    int32_t (TMMCustomMeter::*get)() const;
    int32_t written, read;
  };
  const Case cases[] = {
      {"ScaleAngle low", &TMMCustomMeter::SetScaleAngle, &TMMCustomMeter::ScaleAngle, 30, 45},
      {"ScaleAngle high", &TMMCustomMeter::SetScaleAngle, &TMMCustomMeter::ScaleAngle, 200, 180},
      {"Decay high", &TMMCustomMeter::SetDecay, &TMMCustomMeter::Decay, 20, 16},
      {"Decay low", &TMMCustomMeter::SetDecay, &TMMCustomMeter::Decay, 0, 1},
      {"Sensitivy low", &TMMCustomMeter::SetSensitivy, &TMMCustomMeter::Sensitivy, -100, -90},
      {"Sensitivy high", &TMMCustomMeter::SetSensitivy, &TMMCustomMeter::Sensitivy, 0, -9},
      {"Point1", &TMMCustomMeter::SetPoint1, &TMMCustomMeter::Point1, 0, 1},
      {"Point2", &TMMCustomMeter::SetPoint2, &TMMCustomMeter::Point2, 150, 100},
      {"PeakDelay", &TMMCustomMeter::SetPeakDelay, &TMMCustomMeter::PeakDelay, 60, 50},
      {"PeakSpeed", &TMMCustomMeter::SetPeakSpeed, &TMMCustomMeter::PeakSpeed, -1, 0},
      {"NeedleOffset", &TMMCustomMeter::SetNeedleOffset, &TMMCustomMeter::NeedleOffset, -3, 0},
      {"ScaleHeight1", &TMMCustomMeter::SetScaleHeight1, &TMMCustomMeter::ScaleHeight1, -3, 0},
      {"Samples", &TMMCustomMeter::SetSamples, &TMMCustomMeter::Samples, 0, 1},
  };
  for (const Case& c : cases) {
    (meter.*c.set)(c.written);
    EXPECT_EQ((meter.*c.get)(), c.read) << c.name;
  }
  meter.SetSamples(100);
  meter.SetBitLength(engine::b16Bit);
  meter.SetMode(engine::mStereo);
  EXPECT_EQ(meter.BytesPerRefresh(), 400);
}

TEST_F(MMMeterTest, FormatsSetSampleWidthAndModeAndAnInvalidOneChangesNothing) {
  TTestMeter meter(nullptr);
  plat::WAVEFORMATEX format{};
  engine::BuildPCMFormat(format, 16, 2, 22050);
  meter.SetWaveFormat(&format);
  EXPECT_EQ(meter.BitLength(), engine::b16Bit);
  EXPECT_EQ(meter.Mode(), engine::mStereo);
  EXPECT_EQ(meter.BytesPerRefresh(), 200);

  plat::WAVEFORMATEX bad = format;
  bad.wBitsPerSample = 12;
  try {
    meter.SetWaveFormat(&bad);
    ADD_FAILURE() << "no error";
  } catch (const EMMMeterError& e) {
    EXPECT_EQ(std::string(e.what()), engine::LoadLibraryMessage(62));
  }
  EXPECT_THROW(meter.SetWaveFormat(nullptr), EMMMeterError);
  EXPECT_EQ(meter.BitLength(), engine::b16Bit);
  EXPECT_EQ(meter.Mode(), engine::mStereo);
  EXPECT_EQ(meter.BytesPerRefresh(), 200);
}

TEST_F(MMMeterTest, DecayModesSmoothTheNeedle) {
  struct Case {
    const char* name;
    TMMDecayMode mode;
    int32_t decay;
    std::vector<int32_t> levels, shown;
  };
  // Shown levels are checked through a twin fed them directly, on a scale
  // deep enough to tell 99 from 100.
  const Case cases[] = {
      {"exponential", dmExponential, 1, {10000, 0}, {9900, 99}},
      {"step up", dmStepUp, 1, {10000, 0}, {10000, 100}},
      {"uniform over 4", dmUniform, 3, {400, 0, 0, 0, 0}, {400, 200, 133, 100, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TTestMeter meter(nullptr), twin(nullptr);
    meter.SetSensitivy(-90);
    twin.SetSensitivy(-90);
    meter.SetDecay(c.decay == 1 ? 2 : c.decay);  // from the creation factor to the writer's
    meter.SetDecay(c.decay);
    meter.SetDecayMode(c.mode);
    for (size_t i = 0; i < c.levels.size(); ++i) {
      meter.ShowNeedle(c.levels[i]);
      twin.ShowNeedle(c.shown[i]);
      EXPECT_EQ(meter.NeedlePos(), twin.NeedlePos()) << "step " << i;
    }
  }
}

TEST_F(MMMeterTest, ADescriptionHoldsTheMeterBackAndForth) {
  RegisterDisplayClasses();
  ASSERT_EQ(vcl::GetClass("TMMMeter"), TMMMeter::StaticClass());
  TMMMeter meter(nullptr);
  meter.SetName("Meter1");
  meter.SetScaleAngle(120);
  meter.SetNeedleColor(vcl::clAqua);
  meter.SetSensitivy(-60);
  meter.SetLogAmp(false);
  meter.SetDecayMode(dmUniform);
  meter.SetGain(4);
  meter.SetDCOffsetR(-7);
  meter.SetValue(50);
  const std::string text = vcl::WriteFormText(&meter);
  for (const char* unwritten : {"Value", "Width", "PeakDelay"})
    EXPECT_EQ(text.find("\n  " + std::string(unwritten) + " ="), std::string::npos) << unwritten << "\n"
                                                                                    << text;

  TMMMeter read(nullptr);
  vcl::ReadFormText(&read, text);
  EXPECT_EQ(read.ScaleAngle(), 120);
  EXPECT_EQ(read.NeedleColor(), vcl::clAqua);
  EXPECT_EQ(read.Sensitivy(), -60);
  EXPECT_FALSE(read.LogAmp());
  EXPECT_EQ(read.DecayMode(), dmUniform);
  EXPECT_EQ(read.Gain(), 4);
  EXPECT_EQ(read.DCOffsetR(), -7);
  EXPECT_EQ(read.Width(), 170);
  EXPECT_EQ(read.Caption(), "dB");
}

// ---- the held peak ----------------------------------------------------------

TEST_F(MMMeterTest, ThePeakNeedleHoldsThenFollowsOrFalls) {
  TTestMeter meter(nullptr);
  meter.ShowNeedle(3277);
  meter.ShowNeedle(100);  // the needle drops to 0
  EXPECT_EQ(meter.PeakPos(), 19661);
  EXPECT_EQ(meter.PeakCounter(), 41);
  plat::clock::AdvanceMs(40 * engine::kMMTimerPeriod);
  EXPECT_EQ(meter.PeakPos(), 19661);
  plat::clock::AdvanceMs(engine::kMMTimerPeriod);  // 1025 ms
  EXPECT_EQ(meter.PeakPos(), 0);

  // Without hold the peak needle joins the needle after one tick.
  meter.SetPeakDelay(0);
  meter.ShowNeedle(3277);
  meter.ShowNeedle(1036);
  EXPECT_EQ(meter.PeakPos(), 19661);
  plat::clock::AdvanceMs(engine::kMMTimerPeriod);
  EXPECT_EQ(meter.PeakPos(), 13106);

  // With a speed it falls 500 every PeakSpeed ticks, never below the needle.
  meter.ResetData();
  meter.SetPeakSpeed(2);
  meter.ShowNeedle(3277);
  meter.ShowNeedle(1036);
  std::vector<int32_t> fall;
  for (int tick = 0; tick < 30; ++tick) {
    plat::clock::AdvanceMs(engine::kMMTimerPeriod);
    fall.push_back(meter.PeakPos());
  }
  EXPECT_EQ(std::vector<int32_t>(fall.begin(), fall.begin() + 5),
            (std::vector<int32_t>{19161, 19161, 18661, 18661, 18161}));
  EXPECT_EQ(fall.back(), 13106);
}

TEST_F(MMMeterTest, ThePeakFallsAgainAfterAnyOrderOfSwitches) {
  TTestMeter meter(nullptr);
  meter.SetPeakDelay(0);
  // No capture while the peak is off; the ticks are suspended then.
  meter.SetShowPeak(false);
  meter.ShowNeedle(3277);
  EXPECT_EQ(meter.PeakPos(), 0);
  meter.ShowNeedle(0);

  meter.SetEnabled(false);
  meter.SetShowPeak(true);
  meter.SetShowPeak(false);
  meter.SetEnabled(true);
  meter.SetShowPeak(true);
  meter.ShowNeedle(3277);
  meter.ShowNeedle(1036);
  plat::clock::AdvanceMs(engine::kMMTimerPeriod);
  EXPECT_EQ(meter.PeakPos(), 13106);
  // Disabling clears both needles.
  meter.SetEnabled(false);
  EXPECT_EQ(meter.NeedlePos(), 0);
  EXPECT_EQ(meter.PeakPos(), 0);
}

TEST_F(MMMeterTest, ADisabledOrHiddenMeterIgnoresBlocks) {
  TTestMeter meter(nullptr);
  meter.SetBitLength(engine::b16Bit);
  const auto loud = Samples16(std::vector<int16_t>(50, 20000));
  meter.SetEnabled(false);
  meter.RefreshPCMData(loud.data());
  EXPECT_EQ(meter.NeedlePos(), 0);
  meter.SetEnabled(true);
  meter.SetVisible(false);
  meter.RefreshPCMData(loud.data());
  EXPECT_EQ(meter.NeedlePos(), 0);
  meter.SetVisible(true);
  meter.RefreshPCMData(loud.data());
  EXPECT_GT(meter.NeedlePos(), 0);
}

// ---- drawing ----------------------------------------------------------------

struct ScaleCase {
  const char* name;
  std::function<void(TTestMeter&)> setup;
  int ticks;
  std::vector<std::string> labels;
};

TEST_F(MMMeterTest, TheScaleDrawsItsTicksAndLabels) {
  const ScaleCase cases[] = {
      {"defaults", [](TTestMeter&) {}, 41, {"-50", "-40", "-30", "-20", "-10", "0"}},
      {"linear", [](TTestMeter& m) { m.SetLogAmp(false); }, 41, {"-50", "-14", "-8", "-4", "-2", "0"}},
      {"labels every 20", [](TTestMeter& m) { m.SetScaleTicksTextEvery(20); }, 41, {"-50", "-25", "0"}},
      {"no labels", [](TTestMeter& m) { m.SetScaleTicksTextEvery(0); }, 41, {}},
      {"one tick", [](TTestMeter& m) { m.SetScaleTicks(1); }, 0, {}},
      {"no scale", [](TTestMeter& m) { m.SetDrawScale(false); }, 0, {}},
  };
  ASSERT_NE(Screen(), nullptr);
  for (const ScaleCase& c : cases) {
    SCOPED_TRACE(c.name);
    TTestMeter* meter = ShowMeter();
    c.setup(*meter);
    std::vector<vcl::TCanvasCall> calls;
    meter->FrameBitmap()->Canvas()->SetRecorder([&](const vcl::TCanvasCall& call) { calls.push_back(call); });
    meter->Invalidate();
    plat::UpdateWindow(form_->Handle());
    meter->FrameBitmap()->Canvas()->SetRecorder(nullptr);
    int ticks = 0;
    std::vector<std::string> labels;
    std::vector<TColor> colours;
    for (const vcl::TCanvasCall& call : calls) {
      if (call.kind == vcl::ccText) {
        labels.push_back(call.text);
        EXPECT_EQ(call.color, vcl::clSilver);
      } else if (call.kind == vcl::ccLine) {
        ++ticks;
        colours.push_back(call.color);
      }
    }
    // Two more lines: the peak needle and the needle.
    EXPECT_EQ(ticks, c.ticks + 2);
    EXPECT_EQ(labels, c.labels);
    if (c.ticks == 41) {
      // 60 % and 80 % of full scale end the green and yellow zones.
      EXPECT_EQ(colours[24], vcl::clGreen);
      EXPECT_EQ(colours[25], vcl::clYellow);
      EXPECT_EQ(colours[32], vcl::clYellow);
      EXPECT_EQ(colours[33], vcl::clRed);
    }
    delete form_;
    Pump();
  }
}

TEST_F(MMMeterTest, NeedlesAppearOnScreenAndMoveWithTheLevel) {
  ASSERT_NE(Screen(), nullptr);
  TTestMeter* meter = ShowMeter();
  meter->SetShowPeak(false);
  Pump();
  // Upright: about -25 dB on the default scale.
  meter->ShowNeedle(1843);
  EXPECT_EQ(MeterPixel(84, 60), Rgb(vcl::clWhite));
  EXPECT_EQ(MeterPixel(90, 60), Rgb(vcl::clBlack));
  // To the left end, drawn by the pass straight onto the window.
  meter->ShowNeedle(0);
  EXPECT_EQ(MeterPixel(84, 60), Rgb(vcl::clBlack));
  EXPECT_EQ(MeterPixel(44, 78), Rgb(vcl::clWhite));
  // The peak needle in its own colour, under the needle.
  meter->SetShowPeak(true);
  meter->SetPeakColor(vcl::clLime);
  Pump();
  meter->ShowNeedle(1843);
  meter->ShowNeedle(0);
  EXPECT_EQ(MeterPixel(84, 60), Rgb(vcl::clLime));
  EXPECT_EQ(MeterPixel(44, 78), Rgb(vcl::clWhite));
  EXPECT_EQ(meter->Canvas()->LockCount(), 0);
}

// ---- threads ----------------------------------------------------------------

// A connector that is not real-time runs the pass on the delivering thread;
// the main thread paints meanwhile and the peak falls on the timer's thread.
TEST_F(MMMeterTest, APassOnAWorkerRunsBesidePaintsAndTicks) {
  ASSERT_NE(Screen(), nullptr);
  TTestMeter* meter = ShowMeter();
  meter->SetBitLength(engine::b16Bit);
  meter->SetPeakDelay(0);
  meter->SetPeakSpeed(1);
  std::atomic<bool> done{false};
  std::atomic<int> passes{0};
  std::thread delivery([&] {
    std::vector<int16_t> block(50);
    for (int i = 0; i < 400; ++i) {
      std::fill(block.begin(), block.end(), static_cast<int16_t>((i * 997) % 32767));
      const auto data = Samples16(block);
      meter->RefreshPCMData(data.data());
      ++passes;
    }
    done = true;
  });
  {
    testsupport::ClockPusher ticks;
    while (!done) {
      meter->Invalidate();
      plat::UpdateWindow(form_->Handle());
      Pump();
      meter->SetNeedleColor(meter->NeedleColor() == vcl::clWhite ? vcl::clAqua : vcl::clWhite);
    }
    delivery.join();
  }
  EXPECT_EQ(passes, 400);
  EXPECT_EQ(meter->Canvas()->LockCount(), 0);
  delete form_;  // the timer client goes first
  Pump();
}

}  // namespace
