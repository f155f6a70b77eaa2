#pragma once
// The segmented level meter. Each refresh takes the peak of a block of
// samples, passes it through the broadcast meter curve the application chose,
// optionally averages it, lets it decay, and lights that many spots of a dB
// or linear bar; the highest spot is held and falls on the shared 25 ms
// timer. The unlit bar is kept in a template DIB and copied under each frame,
// so a frame draws only its lit and peak spots.
//
// Threads: the refresh, ShowLevel, the peak timer, layout changes and Paint
// take the display lock (MMDisplay.h). The timer client is only added,
// suspended, resumed and removed outside it, and the timer procedure merely
// tries the lock, so a writer called from inside the meter's own events
// cannot deadlock with a running tick.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "displays/MMDIBDisp.h"
#include "displays/MMDisplay.h"
#include "displays/MMPeakTimer.h"
#include "engine/MMTimer.h"
#include "engine/MMTypes.h"

namespace displays {

class EMMLevelError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Replaces the drawing of the bar: called inside the drawing pass of dib,
// with rect the bar's area in it, the lit spots and the held peak spot.
using TMMLevelDrawBar = std::function<void(vcl::TObject* sender, TMMDIBCanvas* dib, const vcl::TRect& rect,
                                           int32_t n_spots, int32_t peak)>;

// The largest absolute sample of `frames` frames of `channels` interleaved
// channels, in 16-bit units (8-bit samples lose their 128 and count 256
// times). Offsets are added to the left and right samples first; chBoth
// averages the first two channels. May exceed 32767.
int32_t LevelBlockPeak(const void* data, int32_t frames, engine::TMMBits bits, int32_t channels,
                       engine::TMMChannel channel, int32_t offset_left, int32_t offset_right);
// The reference-level factors of the meter scales 0..7 (scale 4 and unknown
// scales: none).
double LevelReferenceScale(int32_t meter_scale, double peak, bool minus18, bool minus20);
// The ballistics of meter scale 0..7 (4 and unknown scales: unchanged),
// applied to a block peak; integration selects the averaging variant.
double LevelTransferCurve(int32_t meter_scale, double peak, bool integration);

// How a shown level falls back: a held maximum that decays, an exponential
// average, or the mean of the last values. Counted in levels shown, not in
// time.
class TMMLevelDecay {
 public:
  static constexpr int32_t kRingLength = 32;

  TMMDecayMode Mode() const { return mode_; }
  // Clears the state on a change.
  void SetMode(TMMDecayMode value);
  int32_t Decay() const { return decay_; }
  // Clamped to 1..16. A change sets the factor to 0.0001 with the square root
  // taken Decay times and the uniform length to (Decay - 1) * 2 within 1..32.
  // A new object keeps the factor 0.0001 until the first change.
  void SetDecay(int32_t value);
  double Factor() const { return factor_; }
  int32_t UniformLength() const { return uniform_length_; }

  void Clear();
  // The level shown in place of `level`; unchanged with dmNone.
  int32_t Apply(int32_t level);

 private:
  TMMDecayMode mode_ = dmNone;
  int32_t decay_ = 1;
  double factor_ = 0.0001;
  int32_t uniform_length_ = 1;
  int32_t uniform_fill_ = 0;
  int32_t uniform_index_ = 0;
  int64_t uniform_sum_ = 0;
  double hold_ = 0;
  std::array<int32_t, kRingLength> ring_{};
};

class TMMCustomLevel : public TMMDIBGraphicControl, public TMMDisplayProtocol {
  VCL_DECLARE_CLASS(TMMCustomLevel, TMMDIBGraphicControl)
 public:
  static constexpr int32_t kFullScale = 32767;
  static constexpr int32_t kHistoryLength = 73;
  static constexpr int32_t kMaxIntegrationCount = 300;

  explicit TMMCustomLevel(vcl::TComponent* owner);
  ~TMMCustomLevel() override;

  // Levels need no rate: the meter keeps its own, whatever the format says.
  static constexpr int32_t kSampleRate = 44100;
  int32_t SampleRate() const { return kSampleRate; }

  // ---- display protocol ----
  // Takes bits and channels only.
  void SetWaveFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BytesPerRefresh() const override { return bytes_per_refresh_; }
  void RefreshPCMData(const void* data) override;
  void ResetData() override;
  engine::TMMBits BitLength() const override { return bit_length_; }
  engine::TMMMode Mode() const override { return mode_; }

  // Shows a level in sample units (32767 full scale; the sign is ignored),
  // with decay and peak hold, and draws at once when the spots change.
  void ShowLevel(int32_t value);

  // ---- published ----
  // False resets the data, shows the unlit bar and stops the peak timer.
  void SetEnabled(bool value) override;
  TMMLevelKind Kind() const { return kind_; }
  // Swaps Width and Height when the control's shape does not match.
  void SetKind(TMMLevelKind value);
  int32_t SpotSpace() const { return spot_space_; }
  void SetSpotSpace(int32_t value);
  int32_t SpotWidth() const { return spot_width_; }
  void SetSpotWidth(int32_t value);
  vcl::TColor Bar1Color() const { return colors_[0]; }
  void SetBar1Color(vcl::TColor value) { SetZoneColor(0, value); }
  vcl::TColor Bar2Color() const { return colors_[1]; }
  void SetBar2Color(vcl::TColor value) { SetZoneColor(1, value); }
  vcl::TColor Bar3Color() const { return colors_[2]; }
  void SetBar3Color(vcl::TColor value) { SetZoneColor(2, value); }
  vcl::TColor Inactive1Color() const { return colors_[3]; }
  void SetInactive1Color(vcl::TColor value) { SetZoneColor(3, value); }
  vcl::TColor Inactive2Color() const { return colors_[4]; }
  void SetInactive2Color(vcl::TColor value) { SetZoneColor(4, value); }
  vcl::TColor Inactive3Color() const { return colors_[5]; }
  void SetInactive3Color(vcl::TColor value) { SetZoneColor(5, value); }
  bool InactiveDoted() const { return inactive_doted_; }
  void SetInactiveDoted(bool value);
  bool ActiveDoted() const { return active_doted_; }
  void SetActiveDoted(bool value);
  // Zone limits in percent of the bar, 1..100.
  int32_t Point1() const { return point1_; }
  void SetPoint1(int32_t value);
  int32_t Point2() const { return point2_; }
  void SetPoint2(int32_t value);
  TMMLevelDirection Direction() const { return direction_; }
  void SetDirection(TMMLevelDirection value);
  void SetBitLength(engine::TMMBits value);
  engine::TMMChannel Channel() const { return channel_; }
  void SetChannel(engine::TMMChannel value);
  void SetMode(engine::TMMMode value);
  // -8..32 (eighths above unity); other values are ignored.
  int32_t Gain() const { return gain8_ - 8; }
  void SetGain(int32_t value);
  int32_t Samples() const { return samples_; }
  void SetSamples(int32_t value);
  // The bar's bottom in dB, -90..-9.
  int32_t Sensitivy() const { return sensitivy_; }
  void SetSensitivy(int32_t value);
  bool LogAmp() const { return log_amp_; }
  void SetLogAmp(bool value);
  // Peak spots drawn, 0..5; 0 holds no peak and stops the peak timer.
  int32_t NumPeaks() const { return num_peaks_; }
  void SetNumPeaks(int32_t value);
  // In pairs of timer ticks, 0..50.
  int32_t PeakDelay() const { return peak_delay_; }
  void SetPeakDelay(int32_t value);
  // Ticks per spot of the fall, 0..50; 0 clears the peak at once.
  int32_t PeakSpeed() const { return peak_speed_; }
  void SetPeakSpeed(int32_t value);
  TMMDecayMode DecayMode() const;
  void SetDecayMode(TMMDecayMode value);
  int32_t Decay() const;
  void SetDecay(int32_t value);
  // 0..100: the lit spots read back as a percentage of full scale.
  int32_t Value() const;
  void SetValue(int32_t value);
  // Subtracted from each sample of that channel.
  int32_t DCOffsetL() const { return -offset_left_; }
  void SetDCOffsetL(int32_t value);
  int32_t DCOffsetR() const { return -offset_right_; }
  void SetDCOffsetR(int32_t value);

  // ---- written by the application between refreshes ----
  // Transfer curve 0..7: Nordic N9, DIN 45406, BBC, EBU, dBFS, K-20, K-14, K-12.
  int32_t MeterScale() const { return meter_scale_; }
  void SetMeterScale(int32_t value);
  bool Integration() const { return integration_; }
  void SetIntegration(bool value);
  // Values averaged with Integration; used within 1..300.
  int32_t IntegrationCount() const { return integration_count_; }
  void SetIntegrationCount(int32_t value);
  bool ReferenceMinus18() const { return reference_minus18_; }
  void SetReferenceMinus18(bool value);
  bool ReferenceMinus20() const { return reference_minus20_; }
  void SetReferenceMinus20(bool value);

  // ---- read by the application ----
  // |value| of the last ShowLevel.
  int32_t LastLevel() const;
  // The last 73 curve values of the direct path, newest first, each at most 32768.
  std::array<int32_t, kHistoryLength> LevelHistory() const;
  int32_t LitSpots() const;
  int32_t PeakSpot() const;
  int32_t NumSpots() const;

  // Both canvases follow: the DIB and the template keep one geometry.
  void SetBounds(int left, int top, int width, int height) override;
  // 8 or 24, else EMMDIBError and nothing changes.
  void SetBitsPerPixel(int32_t value) override;

  vcl::TNotifyEvent OnGainOverflow;
  vcl::TNotifyEvent OnPcmOverflow;
  // Fired before every drawing of the bar, outside the drawing pass.
  vcl::TNotifyEvent OnPaint;
  // Kept for stored forms; the meter does not fire it.
  vcl::TNotifyEvent OnIntegral;
  TMMLevelDrawBar OnDrawBar;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  virtual void GainOverflow();
  virtual void PcmOverflow();

  void Loaded() override;
  void Paint() override;
  // Lays the spots out again inside the bevel.
  void Changed() override;
  void ChangeDesignMode(bool value) override;
  void CMColorChanged(vcl::TMessage& message) override;

  // The unlit bar, then the lit and peak spots, copied inside the bevel when
  // the control canvas has a DC. Opens its own drawing pass.
  void DrawBar();

 private:
  void SetZoneColor(int index, vcl::TColor value);
  void UpdateBytesPerRefresh();
  void CalcSpots();
  void RedrawTemplate();
  int32_t LevelToSpots(int32_t level) const;
  vcl::TRect SpotRect(int32_t k) const;
  void DrawSpots(TMMDIBCanvas& canvas, int32_t n, int32_t peak, bool unlit);
  void ClearData();
  void PeakTimerTick(int32_t ticks);
  // The layout and appearance writers' common end.
  void LayoutChanged();

  std::unique_ptr<TMMDIBCanvas> template_;
  bool template_valid_ = false;

  std::array<int32_t, kMaxIntegrationCount + 1> history_{};
  std::array<int32_t, kHistoryLength> level_history_{};
  int32_t integration_count_ = 1;
  int32_t integration_fill_ = 0;
  int32_t meter_scale_ = 0;
  bool integration_ = false;
  bool reference_minus18_ = false;
  bool reference_minus20_ = false;

  TMMLevelKind kind_ = lkHorizontal;
  std::array<vcl::TColor, 6> colors_{vcl::clAqua, vcl::clAqua, vcl::clRed,
                                     vcl::clTeal, vcl::clTeal, vcl::clMaroon};
  bool inactive_doted_ = false;
  bool active_doted_ = false;
  int32_t point1_ = 50;
  int32_t point2_ = 85;
  int32_t zone1_ = 0;
  int32_t zone2_ = 0;
  int32_t spot_space_ = 1;
  int32_t spot_width_ = 1;
  int32_t first_offset_ = 0;
  int32_t num_spots_ = 1;
  TMMLevelDirection direction_ = dirNormal;
  engine::TMMBits bit_length_ = engine::b8Bit;
  engine::TMMChannel channel_ = engine::chBoth;
  engine::TMMMode mode_ = engine::mMono;
  // Channels of a frame: Mode + 1, or the format's count.
  int32_t channels_ = 1;
  std::atomic<int32_t> bytes_per_refresh_{50};
  int32_t gain8_ = 8;
  int32_t samples_ = 50;
  int32_t sensitivy_ = -35;
  bool log_amp_ = true;
  int32_t lit_spots_ = 0;
  TMMLevelDecay decay_;
  int32_t num_peaks_ = 1;
  int32_t last_level_ = 0;
  int32_t peak_spot_ = 0;
  int32_t peak_delay_ = 20;
  int32_t peak_speed_ = 0;
  int32_t peak_counter_ = 0;
  bool peak_changed_ = false;
  vcl::TRect bar_rect_{0, 0, 1, 1};
  int32_t bar_width_ = 1;
  int32_t bar_height_ = 1;
  int32_t offset_left_ = 0;
  int32_t offset_right_ = 0;

  // Runs while Enabled with NumPeaks.
  TMMPeakTimer peak_timer_;
};

class TMMLevel : public TMMCustomLevel {
  VCL_DECLARE_CLASS(TMMLevel, TMMCustomLevel)
 public:
  explicit TMMLevel(vcl::TComponent* owner) : TMMCustomLevel(owner) {}

  using TMMCustomLevel::Bevel;
  using TMMCustomLevel::SetBevel;

  vcl::TCursor DragCursor() const { return drag_cursor_; }
  void SetDragCursor(vcl::TCursor value) { drag_cursor_ = value; }

  engine::TDragDropEvent OnDragDrop;
  engine::TDragOverEvent OnDragOver;
  engine::TEndDragEvent OnEndDrag;
  engine::TStartDragEvent OnStartDrag;

 private:
  vcl::TCursor drag_cursor_ = vcl::crDrag;
};

}  // namespace displays
