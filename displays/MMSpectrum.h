#pragma once
// The FFT spectrum display. Each refresh takes one frame of FFTLength samples
// of the chosen channel, tilts it by 0, 3, 6, 9 or 12 dB per octave, applies
// the window and a real FFT scaled to 16 bits, averages the bins into display
// values (linear or logarithmic), maps the bins onto the drawing's columns
// over a linear or logarithmic, zoomable frequency axis, and draws the column
// heights at once in one of six kinds, with held peaks falling on the shared
// 25 ms timer, a label on the highest column and, while the left button is
// held, a read-out box under the mouse. The display values can be saved to
// and loaded from a text file of one integer per bin.
//
// Threads: the refresh, the peak timer, layout changes, the writers, the
// read-out and Paint take the display lock (MMDisplay.h). The timer client is
// only added, suspended, resumed and removed outside it, and the timer
// procedure merely tries the lock. Nothing of the drawing state is shared
// between spectra.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "displays/MMDIBDisp.h"
#include "displays/MMDisplay.h"
#include "displays/MMPeakTimer.h"
#include "engine/MMFFT.h"
#include "engine/MMTimer.h"
#include "engine/MMTypes.h"

namespace displays {

class EMMSpectrumError : public vcl::Exception {
 public:
  using Exception::Exception;
};

enum TMMSpectrumKind : uint8_t { skDots, skLines, skVLines, skBars, skPeaks, skScroll };
// Rising tilt in dB per octave.
enum TMMSpectrumGain : uint8_t { sgNone, sg3db, sg6db, sg9db, sg12db };

// The highest column of the last drawing pass.
struct TMMSpectrumPeak {
  float Frequency = 0;  // Hz
  float Amplitude = 0;  // 1.0 = full scale, with the tilt applied as shown
  float Level = -100;   // dB
  int32_t Height = 0;   // pixels
  int32_t Bin = 0;      // first FFT bin of the column
  int32_t Column = 0;   // x in the drawing
};

// Draws one bar of skBars or skPeaks in place of the built-in spots, inside
// the drawing pass of dib.
using TMMSpectrumDrawBar = std::function<void(vcl::TObject* sender, TMMDIBCanvas* dib, const vcl::TRect& rect,
                                              int32_t n_spots, int32_t peak)>;
// Clears the picture before a frame, inside the drawing pass of dib.
using TMMSpectrumClear = std::function<void(vcl::TObject* sender, TMMDIBCanvas* dib, const vcl::TRect& rect)>;
// Fills the first and end bins of every column (W + 10 entries each).
using TMMSpectrumGetXScale =
    std::function<void(vcl::TObject* sender, int32_t* first_bins, int32_t* end_bins)>;

class TMMSpectrum : public TMMDIBGraphicControl, public TMMDisplayProtocol {
  VCL_DECLARE_CLASS(TMMSpectrum, TMMDIBGraphicControl)
 public:
  static constexpr int32_t kMaxFFTLength = 4096;
  static constexpr int32_t kMaxBins = kMaxFFTLength / 2;
  static constexpr int32_t kHistoryLength = 32;
  // Pixels the scales take: each amplitude scale beside, the frequency scale below.
  static constexpr int32_t kAmpScaleWidth = 32;
  static constexpr int32_t kFreqScaleHeight = 40;

  // One bar of the picture: columns first..end-1, its height in pixels and
  // its held peak (pixels for skLines, spots for skBars and skPeaks).
  struct TColumnRecord {
    int32_t First = -1;
    int32_t End = 0;
    int32_t Height = 0;
    int32_t Peak = 0;
    int32_t Counter = 0;
  };

  explicit TMMSpectrum(vcl::TComponent* owner);
  ~TMMSpectrum() override;

  // ---- display protocol ----
  void SetWaveFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BytesPerRefresh() const override { return bytes_per_refresh_; }
  void RefreshPCMData(const void* data) override;
  // Ends a read-out, clears the data and repaints.
  void ResetData() override;
  engine::TMMBits BitLength() const override { return bit_length_; }
  engine::TMMMode Mode() const override { return mode_; }
  int32_t FFTLength() const override { return fft_length_; }

  void GetPeak(TMMSpectrumPeak& peak);

  // One decimal integer per bin and line, CR LF. False, after an "sp 484"
  // box, when the file cannot be created or written.
  bool SaveToFile(const std::string& file_name);
  // Replaces the first values by the file's lines; a line that is not an
  // integer ends the load with an "sp 5039" box. A missing file, or one that
  // is no regular file (a pipe, a device), changes nothing, silently. Only
  // as much of the file is read as FFTLength div 2 lines of integers take.
  void LoadFromFile(const std::string& file_name);

  // ---- published ----
  bool ShowInfo() const { return show_info_; }
  void SetShowInfo(bool value) { show_info_ = value; }
  // False ends a read-out.
  void SetEnabled(bool value) override;
  bool DrawFreqScale() const { return draw_freq_scale_; }
  void SetDrawFreqScale(bool value);
  bool DrawAmpScale() const { return draw_amp_scale_; }
  void SetDrawAmpScale(bool value);
  bool DrawGrid() const { return draw_grid_; }
  void SetDrawGrid(bool value);
  // 0..5, other values ignored.
  int32_t Space() const { return space_; }
  void SetSpace(int32_t value);
  // 0..10, other values ignored.
  int32_t SpotSpace() const { return spot_space_; }
  void SetSpotSpace(int32_t value);
  // 1..H div 3, other values ignored.
  int32_t SpotHeight() const { return spot_height_; }
  void SetSpotHeight(int32_t value);
  vcl::TColor Bar1Color() const { return colors_[0]; }
  void SetBar1Color(vcl::TColor value) { SetColorAt(0, value); }
  vcl::TColor Bar2Color() const { return colors_[1]; }
  void SetBar2Color(vcl::TColor value) { SetColorAt(1, value); }
  vcl::TColor Bar3Color() const { return colors_[2]; }
  void SetBar3Color(vcl::TColor value) { SetColorAt(2, value); }
  vcl::TColor Inactive1Color() const { return colors_[3]; }
  void SetInactive1Color(vcl::TColor value) { SetColorAt(3, value); }
  vcl::TColor Inactive2Color() const { return colors_[4]; }
  void SetInactive2Color(vcl::TColor value) { SetColorAt(4, value); }
  vcl::TColor Inactive3Color() const { return colors_[5]; }
  void SetInactive3Color(vcl::TColor value) { SetColorAt(5, value); }
  vcl::TColor ScaleTextColor() const { return colors_[6]; }
  void SetScaleTextColor(vcl::TColor value) { SetColorAt(6, value); }
  vcl::TColor ScaleLineColor() const { return colors_[7]; }
  void SetScaleLineColor(vcl::TColor value) { SetColorAt(7, value); }
  vcl::TColor GridColor() const { return colors_[8]; }
  void SetGridColor(vcl::TColor value) { SetColorAt(8, value); }
  // Zone limits in percent of the height, 1..100; other values ignored.
  int32_t Point1() const { return points_[0]; }
  void SetPoint1(int32_t value) { SetPointAt(0, value); }
  int32_t Point2() const { return points_[1]; }
  void SetPoint2(int32_t value) { SetPointAt(1, value); }
  bool DrawInactive() const { return draw_inactive_; }
  void SetDrawInactive(bool value);
  bool InactiveDoted() const { return inactive_doted_; }
  void SetInactiveDoted(bool value);
  bool ActiveDoted() const { return active_doted_; }
  void SetActiveDoted(bool value);
  void SetMode(engine::TMMMode value);
  void SetBitLength(engine::TMMBits value);
  engine::TMMChannel Channel() const { return channel_; }
  void SetChannel(engine::TMMChannel value);
  // Clamped to 8000..100000; the unclamped value is compared.
  int32_t SampleRate() const { return sample_rate_; }
  void SetSampleRate(int32_t value);
  // Clamped to 1..44100.
  int32_t RefFreq() const { return ref_freq_; }
  void SetRefFreq(int32_t value);
  TMMSpectrumGain Gain() const { return gain_; }
  void SetGain(TMMSpectrumGain value);
  // Clamped to 8..4096, then down to a power of two.
  void SetFFTLength(int32_t value);
  bool LogFreq() const { return log_freq_; }
  void SetLogFreq(bool value);
  bool LogAmp() const { return log_amp_; }
  void SetLogAmp(bool value);
  TMMSpectrumKind Kind() const { return kind_; }
  void SetKind(TMMSpectrumKind value);
  engine::TMMFFTWindow Window() const { return window_; }
  void SetWindow(engine::TMMFFTWindow value);
  TMMDecayMode DecayMode() const { return decay_mode_; }
  void SetDecayMode(TMMDecayMode value);
  // Clamped to 1..16.
  int32_t Decay() const { return decay_; }
  void SetDecay(int32_t value);
  // Top of the linear axis in percent of full scale, clamped to 1..500.
  int32_t VerticalScale() const;
  void SetVerticalScale(int32_t value);
  // Clamped to 1..16, then down to a power of two.
  int32_t FrequencyScale() const { return static_cast<int32_t>(frequency_scale_); }
  void SetFrequencyScale(int32_t value);
  // 0..5, other values ignored; 0 holds no peaks and stops the peak timer.
  int32_t NumPeaks() const { return num_peaks_; }
  void SetNumPeaks(int32_t value);
  // 0..50 pairs of ticks, other values ignored.
  int32_t PeakDelay() const { return peak_delay_; }
  void SetPeakDelay(int32_t value);
  // 0..50 ticks per step of the fall, other values ignored.
  int32_t PeakSpeed() const { return peak_speed_; }
  void SetPeakSpeed(int32_t value);
  bool DisplayPeak() const { return display_peak_; }
  void SetDisplayPeak(bool value);

  // ---- set and read by the application ----
  bool CustomFreqLabels() const { return custom_freq_labels_; }
  void SetCustomFreqLabels(bool value) { custom_freq_labels_ = value; }
  bool ExternPeakFreq() const { return extern_peak_freq_; }
  void SetExternPeakFreq(bool value) { extern_peak_freq_ = value; }
  bool PeaksFall() const { return peaks_fall_; }
  void SetPeaksFall(bool value) { peaks_fall_ = value; }
  float ExternPeakValue() const { return extern_peak_value_; }
  void SetExternPeakValue(float value) { extern_peak_value_ = value; }
  // Added to the frequency of every peak label.
  float PeakFreqOffset() const { return peak_freq_offset_; }
  void SetPeakFreqOffset(float value) { peak_freq_offset_ = value; }
  // The text of the last peak label drawn; empty when none was.
  std::string PeakLabel() const;
  int32_t FreqLabel(int index) const { return freq_labels_.at(static_cast<size_t>(index)); }
  void SetFreqLabel(int index, int32_t value) { freq_labels_.at(static_cast<size_t>(index)) = value; }

  // ---- the analysis state, for owners that fill or read it ----
  // Display value of bin k (k < kMaxBins).
  int32_t DisplayValue(int32_t k) const;
  void SetDisplayValue(int32_t k, int32_t value);
  // The first FFTLength div 2 display values, as far as out holds them, read
  // whole under the display lock; returns how many were copied.
  int32_t CopyDisplayValues(std::span<int32_t> out) const;
  // Draws the display values as they stand, at once, as a refresh does after
  // its analysis: for owners that write the values themselves.
  void DrawValues();
  // The least time between two pictures that refreshes draw, in ms; 0 (the
  // default) draws every refresh. A refresh that comes sooner, as with data
  // pumped through far faster than it plays, computes its values all the
  // same and leaves the picture to a later one.
  int32_t FrameInterval() const { return frame_interval_ms_; }
  void SetFrameInterval(int32_t ms);
  // Bin k of the last frame, (re, im).
  std::array<int16_t, 2> FFTBin(int32_t k) const;
  int32_t DrawWidth() const { return width_; }
  int32_t DrawHeight() const { return height_; }
  vcl::TRect DrawRect() const { return draw_rect_; }
  int32_t FirstBin(int32_t column) const;
  int32_t EndBin(int32_t column) const;
  int32_t AmpFactor(int32_t column) const;
  int32_t AmpShift() const { return amp_shift_; }
  int32_t LogOffset(int32_t k) const;
  float DecayFactor() const { return decay_factor_; }
  int32_t UniformLength() const { return uniform_length_; }
  // Records of the last pass, up to the end marker.
  std::vector<TColumnRecord> ColumnRecords() const;
  int32_t NumSpots() const { return num_spots_; }
  int32_t Zone1() const { return zone1_; }
  int32_t Zone2() const { return zone2_; }

  // ---- mouse read-out ----
  bool ReadoutActive() const { return readout_active_; }
  // The read-out's text at a point of the control, empty outside the drawing.
  std::string ReadoutText(vcl::TPoint p) const;
  float FrequencyAt(vcl::TPoint p) const;
  float AmplitudeAt(vcl::TPoint p) const;

  // Raised to the minimum size first.
  void SetBounds(int left, int top, int width, int height) override;
  // 8 or 24, else EMMDIBError and nothing changes.
  void SetBitsPerPixel(int32_t value) override;

  vcl::TNotifyEvent OnGainOverflow;
  vcl::TNotifyEvent OnPcmOverflow;
  vcl::TNotifyEvent OnNeedData;
  TMMSpectrumClear OnClearBackground;
  TMMSpectrumGetXScale OnGetXScale;
  // While assigned, draws the bars of skBars and skPeaks; the unlit bars are
  // drawn again at the first pass after it goes.
  TMMSpectrumDrawBar OnDrawBar;
  engine::TDragDropEvent OnDragDrop;
  engine::TDragOverEvent OnDragOver;
  engine::TEndDragEvent OnEndDrag;
  engine::TStartDragEvent OnStartDrag;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  virtual void GainOverflow();
  virtual void PcmOverflow();

  void Loaded() override;
  void Paint() override;
  void Changed() override;
  void ChangeDesignMode(bool value) override;
  void CMColorChanged(vcl::TMessage& message) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

  // One drawing pass: heights, grid, the kind, the copy to the control's
  // canvas (when it has a DC) and the peak label. Full starts skScroll over.
  void DrawSpectrum(bool full);
  void PaintAmpScale();
  void PaintFreqScale();

 private:
  struct DrawState;

  bool Loading() const;
  void SetColorAt(int index, vcl::TColor value);
  void SetPointAt(int index, int32_t value);
  void UpdateBytesPerRefresh();
  void ApplyMinimumSize();
  void ReadFrame(const void* data);
  void ComputeDisplayValues();
  void ClearHistory();
  void BuildAmpTables();
  void BuildFreqMap();
  void CalcSpots();
  void RequestReset();
  void Reset();
  void ComputeHeights();
  void ClearPeaks();
  // Held-peak update of the pass: level at least the peak and at least 1.
  void HoldPeak(TColumnRecord& record, int32_t level) const;

  // Drawing (MMSpectrumDraw.cpp).
  void RedrawTemplate();
  void DrawGridLines(const DrawState& s);
  void DrawDots(const DrawState& s);
  void DrawVertLines(const DrawState& s);
  void DrawLines(const DrawState& s);
  void DrawBars(const DrawState& s);
  void DrawBarSpots(const DrawState& s, int32_t left, int32_t right, int32_t lit, int32_t peak, bool dotted);
  void DrawPeakLabel();
  float PeakLabelFrequency() const;
  void ShowReadout(vcl::TPoint p);
  void RestoreReadoutBox();
  void EndReadout();
  void PeakTimerTick(int32_t ticks);

  std::unique_ptr<TMMDIBCanvas> template_;
  engine::PMMFFTObject fft_ = nullptr;
  std::vector<int32_t> window_table_;
  std::vector<float> frame_;
  std::vector<int16_t> fft_out_;
  std::vector<int32_t> values_;
  std::vector<float> decay_state_;
  std::vector<int32_t> uniform_sum_;
  std::vector<int32_t> log_offsets_;
  std::vector<int32_t> history_;  // kHistoryLength rows of kMaxBins

  float decay_factor_ = 0.0001f;
  int32_t uniform_length_ = 1;
  int32_t ring_index_ = 0;
  int32_t ring_count_ = 0;
  int32_t amp_shift_ = 4;
  float pixels_per_unit_ = 0;
  float frequency_scale_ = 1;
  float start_freq_ = 1;
  float vertical_factor_ = 1;

  vcl::TRect draw_rect_{0, 0, 4, 4};
  int32_t width_ = 4;
  int32_t height_ = 4;
  std::vector<int32_t> first_bins_;
  std::vector<int32_t> end_bins_;
  std::vector<int32_t> amp_factors_;
  std::vector<TColumnRecord> records_;

  // Bar geometry.
  int32_t num_spots_ = 1;
  int32_t pitch_ = 2;
  int32_t bottom_offset_ = 0;
  int32_t zone1_ = 0;
  int32_t zone2_ = 0;
  int32_t baseline_ = 1;

  int32_t highest_height_ = 0;
  int32_t highest_bin_ = 0;
  int32_t highest_column_ = 0;
  TMMSpectrumPeak peak_{};
  std::string peak_label_;

  bool show_info_ = true;
  bool draw_freq_scale_ = false;
  bool draw_amp_scale_ = false;
  bool draw_grid_ = false;
  int32_t space_ = 1;
  int32_t spot_space_ = 1;
  int32_t spot_height_ = 1;
  std::array<vcl::TColor, 10> colors_{vcl::clAqua,   vcl::clAqua,  vcl::clRed,   vcl::clTeal, vcl::clTeal,
                                      vcl::clMaroon, vcl::clBlack, vcl::clBlack, vcl::clGray, vcl::clBtnFace};
  std::array<int32_t, 2> points_{50, 85};
  bool draw_inactive_ = true;
  bool inactive_doted_ = false;
  bool active_doted_ = false;
  engine::TMMMode mode_ = engine::mMono;
  engine::TMMBits bit_length_ = engine::b8Bit;
  engine::TMMChannel channel_ = engine::chBoth;
  int32_t sample_rate_ = 11025;
  int32_t ref_freq_ = 1000;
  TMMSpectrumGain gain_ = sgNone;
  int32_t fft_length_ = 0;
  bool log_freq_ = false;
  bool log_amp_ = false;
  TMMSpectrumKind kind_ = skBars;
  engine::TMMFFTWindow window_ = engine::fwHamming;
  TMMDecayMode decay_mode_ = dmNone;
  int32_t decay_ = 1;
  int32_t num_peaks_ = 1;
  int32_t peak_delay_ = 20;
  int32_t peak_speed_ = 0;
  bool display_peak_ = false;
  std::atomic<int32_t> bytes_per_refresh_{128};

  // Set by the application on the main thread, read by drawing on the thread
  // that refreshes.
  std::atomic<bool> custom_freq_labels_{false};
  std::atomic<bool> extern_peak_freq_{false};
  std::atomic<bool> peaks_fall_{false};
  std::atomic<float> extern_peak_value_{0};
  std::atomic<float> peak_freq_offset_{0};
  std::array<int32_t, 33> freq_labels_{};

  bool template_valid_ = false;
  // This spectrum's requested reset runs; a request from inside it is skipped.
  bool resetting_ = false;

  // Guarded by the display lock: the frame interval and when a refresh last drew.
  int32_t frame_interval_ms_ = 0;
  int64_t refresh_drawn_us_ = 0;
  bool refresh_drawn_ = false;

  // Mouse read-out: the box's area of the DIB, saved exactly.
  std::atomic<bool> readout_active_{false};
  bool saved_show_hint_ = false;
  bool saved_parent_show_hint_ = true;
  vcl::TRect readout_box_{0, 0, 0, 0};
  std::vector<uint8_t> readout_save_;

  // Runs while Enabled with NumPeaks; a tick does nothing during a read-out.
  TMMPeakTimer peak_timer_;
};

}  // namespace displays
