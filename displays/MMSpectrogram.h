#pragma once
// The spectrogram: each refresh windows a block of samples, runs an FFT over
// it and turns the bin magnitudes into one column of palette indices (lowest
// frequency at the bottom) in the 8-bit DIB, coloured by one of eight ramps in
// the palette entries 10..245. Columns run from left to right and wrap, or,
// in Scroll mode, the image moves left once it is full. With Accelerate a
// refresh copies only its new column to the screen (and scrolls the screen),
// and the connector feeds it overlapping blocks.
//
// The mouse: the right button drags a selection of image columns, the left
// button shows the frequency under the cursor in a small box while held.
// Both end when the control loses the mouse capture.
//
// Threads: the refresh, the layout, the writers that rebuild the FFT or the
// frequency map, the mouse handlers and Paint take the display lock
// (MMDisplay.h). The list of spectrograms changes on the main thread only.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "displays/MMDIBDisp.h"
#include "displays/MMDisplay.h"
#include "engine/MMFFT.h"
#include "engine/MMTypes.h"

namespace displays {

class EMMSpectrogramError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// A first- or second-difference filter before the FFT.
enum TMMSpectrogramGain : uint8_t { sgrNone, sgr6db, sgr12db };
enum TMMSpectrogramPalette : uint8_t {
  spHSV,
  spThreshold,
  spBlackWhite,
  spWhiteBlack,
  spBone,
  spCopper,
  spCool,
  spHot
};

using TMMSpectrogramSelect = std::function<void(vcl::TObject* sender, int32_t min, int32_t max)>;

// The palette entries the image uses: 10 is the lowest level, 123 the middle
// (the background of the embossed image), 245 the highest.
constexpr int32_t kSpectrogramFirstEntry = 10;
constexpr int32_t kSpectrogramLastEntry = 245;
constexpr int32_t kSpectrogramMiddleEntry = 123;
constexpr int32_t kSpectrogramMaxFFT = 4096;

struct TMMSpectrogramRGB {
  uint8_t r, g, b;
  bool operator==(const TMMSpectrogramRGB&) const = default;
};

// The colour of palette entry 10..245 of a ramp.
TMMSpectrogramRGB SpectrogramPaletteColor(TMMSpectrogramPalette palette, int32_t entry);

// The frequency map of an image `height` rows high (row 0 at the bottom): per
// row its first FFT bin, or -1 where it repeats the row below, and the end of
// its bin range, or 0 for a single bin. The image spans `base` Hz at the
// bottom to sample_rate / (2 * scale) at the top; the top row ends at the
// last bin.
void BuildSpectrogramFrequencyMap(int32_t fft_length, int32_t sample_rate, float scale, float base,
                                  int32_t height, int32_t* row_first_bin, int32_t* row_end_bin);
// The highest FrequencyBase that still leaves the axis rising.
float SpectrogramBaseLimit(int32_t sample_rate, float scale);

// The palette index of one FFT bin (re, im) before clamping.
int32_t SpectrogramBinValue(int32_t re, int32_t im, bool log_amp, float amp_factor, int32_t sensitivy);

// One column of palette indices, entry 0 the top row, from the bin values and
// the frequency map. With `embossed`, each group shows the difference to the
// group below it in the previous column, kept in `history` (2048 entries).
void ComposeSpectrogramColumn(const int32_t* values, const int32_t* row_first_bin, const int32_t* row_end_bin,
                              int32_t height, bool embossed, int16_t* history, uint8_t* column);

// Frequency divisions of the scales for an image `height` rows high.
int32_t SpectrogramFreqDivisions(int32_t sample_rate, float scale, int32_t height);
// The labels of divisions 0..divisions, in kHz, from the bottom.
std::vector<std::string> SpectrogramScaleLabels(int32_t sample_rate, float scale, float base,
                                                int32_t divisions);

class TMMSpectrogram : public TMMDIBGraphicControl, public TMMDisplayProtocol {
  VCL_DECLARE_CLASS(TMMSpectrogram, TMMDIBGraphicControl)
 public:
  static constexpr int32_t kScaleWidth = 32;

  explicit TMMSpectrogram(vcl::TComponent* owner);
  ~TMMSpectrogram() override;

  // ---- display protocol ----
  void SetWaveFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BytesPerRefresh() const override { return bytes_per_refresh_; }
  void RefreshPCMData(const void* data) override;
  void ResetData() override;
  engine::TMMBits BitLength() const override { return bit_length_; }
  engine::TMMMode Mode() const override { return mode_; }
  bool Accelerate() const override { return accelerate_; }
  int32_t FFTLength() const override { return fft_length_; }

  // ---- published ----
  void SetEnabled(bool value) override;
  bool ShowInfo() const { return show_info_; }
  void SetShowInfo(bool value) { show_info_ = value; }
  bool DrawScale() const { return draw_scale_; }
  void SetDrawScale(bool value);
  void SetAccelerate(bool value);
  bool Scroll() const override { return scroll_; }
  void SetScroll(bool value);
  vcl::TColor ScaleTextColor() const { return colors_[0]; }
  void SetScaleTextColor(vcl::TColor value) { SetColorIndex(0, value); }
  vcl::TColor ScaleLineColor() const { return colors_[1]; }
  void SetScaleLineColor(vcl::TColor value) { SetColorIndex(1, value); }
  vcl::TColor BarColor() const { return colors_[2]; }
  void SetBarColor(vcl::TColor value) { SetColorIndex(2, value); }
  vcl::TColor BarTickColor() const { return colors_[3]; }
  void SetBarTickColor(vcl::TColor value) { SetColorIndex(3, value); }
  vcl::TColor SelectionColor() const { return colors_[5]; }
  void SetSelectionColor(vcl::TColor value) { SetColorIndex(5, value); }
  vcl::TColor SelectionDotColor() const { return colors_[6]; }
  void SetSelectionDotColor(vcl::TColor value) { SetColorIndex(6, value); }
  vcl::TColor LocatorColor() const { return colors_[7]; }
  void SetLocatorColor(vcl::TColor value) { SetColorIndex(7, value); }
  int32_t BarWidth() const { return bar_width_; }
  void SetBarWidth(int32_t value);
  void SetMode(engine::TMMMode value);
  void SetBitLength(engine::TMMBits value);
  engine::TMMChannel Channel() const { return channel_; }
  void SetChannel(engine::TMMChannel value);
  int32_t SampleRate() const { return sample_rate_; }
  void SetSampleRate(int32_t value);
  TMMSpectrogramGain Gain() const { return gain_; }
  void SetGain(TMMSpectrogramGain value) { gain_ = value; }
  // A power of two, 8..4096; other values are clamped and rounded down.
  void SetFFTLength(int32_t value);
  engine::TMMFFTWindow Window() const { return window_; }
  void SetWindow(engine::TMMFFTWindow value);
  bool LogAmp() const { return log_amp_; }
  void SetLogAmp(bool value) { log_amp_ = value; }
  bool Embossed() const { return embossed_; }
  void SetEmbossed(bool value);
  // Percent, 0..1000.
  int32_t AmplitudeScale() const;
  void SetAmplitudeScale(int32_t value);
  // Hz at the bottom of the image; limited when the map is built.
  int32_t FrequencyBase() const;
  void SetFrequencyBase(int32_t value);
  // 1..16: the image tops at SampleRate / (2 * FrequencyScale).
  int32_t FrequencyScale() const;
  void SetFrequencyScale(int32_t value);
  // -90..-9 dB.
  int32_t Sensitivy() const { return sensitivy_; }
  void SetSensitivy(int32_t value);
  TMMSpectrogramPalette PaletteTyp() const { return palette_typ_; }
  void SetPaletteTyp(TMMSpectrogramPalette value);
  bool Locked() const { return locked_; }
  void SetLocked(bool value) { locked_ = value; }
  bool UseSelection() const { return use_selection_; }
  void SetUseSelection(bool value) { use_selection_ = value; }

  using TMMDIBGraphicControl::Bevel;
  using TMMDIBGraphicControl::PaletteMapped;
  using TMMDIBGraphicControl::PaletteRealize;
  using TMMDIBGraphicControl::SetBevel;
  using TMMDIBGraphicControl::SetPaletteMapped;
  using TMMDIBGraphicControl::SetPaletteRealize;

  // ---- state read by the application and the tests ----
  vcl::TRect ImageRect() const;
  int32_t ImageWidth() const;
  int32_t ImageHeight() const;
  int32_t ScrollColumn() const;
  int32_t BarPosition() const;
  int32_t FreqDivisions() const;
  int32_t SelStart() const;
  int32_t SelEnd() const;
  int32_t LocatorPos() const { return -1; }
  bool ReadoutActive() const;
  bool SelectDragging() const;
  // The frequency map and the last bin values, copied under the lock.
  std::vector<int32_t> RowFirstBin() const;
  std::vector<int32_t> RowEndBin() const;
  std::vector<int32_t> BinValues() const;
  // The stored FrequencyBase, as limited by the last map build.
  float FrequencyBaseValue() const;

  // Hz shown at a control point; 0 outside the image.
  float FrequencyAt(vcl::TPoint p) const;
  // Stores a selection of image columns (-1, -1: none) and, with redraw and
  // a change, repaints at once, which starts the image over.
  void SetSelection(int32_t start, int32_t finish, bool redraw);

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;

  vcl::TNotifyEvent OnPcmOverflow;
  TMMSpectrogramSelect OnSelecting;
  TMMSpectrogramSelect OnSelectEnd;
  engine::TDragDropEvent OnDragDrop;
  engine::TDragOverEvent OnDragOver;
  engine::TEndDragEvent OnEndDrag;
  engine::TStartDragEvent OnStartDrag;

 protected:
  virtual void PcmOverflow();
  virtual void DoSelecting(int32_t min, int32_t max);
  virtual void DoSelectEnd(int32_t min, int32_t max);
  // Moves the shown image one pixel left within rect (parent coordinates).
  virtual void ScrollScreen(const plat::RECT& rect);

  void Loaded() override;
  void Paint() override;
  void Changed() override;
  void ChangeDesignMode(bool value) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

  // One drawing pass: a full one starts the image over, otherwise the newest
  // column is added; then the copy to the control's canvas and the advance.
  void DrawSpectrogram(bool full);
  // Draws, moves (to a point in the image) or removes the read-out box.
  void ShowReadout(vcl::TPoint p);

 private:
  void SetColorIndex(int index, vcl::TColor value);
  void UpdateBytesPerRefresh();
  void BuildFrequencyMap();
  void UpdateFreqDivisions();
  void ApplyPalette();
  void ResetState();
  void ComputeBins(const void* data);
  void DrawBar();
  void DrawSelection(bool filled, vcl::TColor color);
  void DrawScales();
  bool NearSelStart(int x) const;
  bool NearSelEnd(int x) const;
  bool InSelection(int x) const;
  void EndSelectDrag();
  void EndReadout();
  // Ends a drag or read-out the control can no longer finish itself.
  void CancelMouseModes();
  void MarkOthersForRepaint();
  void RegisterSpectrogram();
  void UnregisterSpectrogram();
  bool Loading() const { return ComponentState().Contains(vcl::csLoading); }

  engine::PMMFFTObject fft_ = nullptr;
  std::vector<int16_t> fft_data_;
  std::vector<int16_t> emboss_history_;
  std::vector<int32_t> window_table_;
  std::vector<int32_t> bin_values_;
  std::vector<float> work_;
  std::vector<uint8_t> column_pixels_;
  std::vector<int32_t> row_first_bin_;
  std::vector<int32_t> row_end_bin_;

  int32_t fft_length_ = 8;
  int32_t sample_rate_ = 11025;
  float frequency_scale_ = 1;
  float frequency_base_ = 0;
  float amp_factor_ = 1;
  bool log_amp_ = false;
  int32_t sensitivy_ = -90;
  engine::TMMFFTWindow window_ = engine::fwHamming;
  bool embossed_ = false;
  // Index 4 is not used.
  std::array<vcl::TColor, 8> colors_{vcl::clBlack, vcl::clBlack, vcl::clGray, vcl::clWhite,
                                     vcl::clBlack, vcl::clRed,   vcl::clRed,  vcl::clYellow};
  TMMSpectrogramPalette palette_typ_ = spThreshold;
  engine::TMMBits bit_length_ = engine::b8Bit;
  engine::TMMChannel channel_ = engine::chBoth;
  engine::TMMMode mode_ = engine::mMono;
  std::atomic<int32_t> bytes_per_refresh_{0};
  TMMSpectrogramGain gain_ = sgrNone;
  bool show_info_ = true;
  bool draw_scale_ = false;
  vcl::TRect image_rect_{0, 0, 4, 4};
  int32_t image_width_ = 4;
  int32_t image_height_ = 4;
  int32_t scroll_column_ = -5;
  int32_t bar_position_ = 0;
  int32_t freq_divisions_ = 1;
  int32_t bar_width_ = 5;
  // Set by another spectrogram's full pass, from whichever thread drew.
  std::atomic<bool> full_repaint_{false};
  std::atomic<bool> accelerate_{true};
  bool scroll_ = false;
  int32_t sel_start_ = -1;
  int32_t sel_end_ = -1;
  bool locked_ = false;
  bool use_selection_ = false;
  // The image under a selection while the selection is drawn for a copy.
  std::vector<uint8_t> selection_kept_;

  // The selection drag.
  bool select_dragging_ = false;
  bool drag_moving_ = false;
  int32_t drag_anchor_ = 0;
  int32_t drag_min_delta_ = 0;
  int32_t drag_max_delta_ = 0;

  // The read-out: the image as it was when the read-out began, from which a
  // box is taken away again exactly, and the box now shown.
  bool readout_active_ = false;
  bool saved_show_hint_ = false;
  std::vector<uint8_t> readout_image_;
  vcl::TRect readout_box_{0, 0, 0, 0};
};

}  // namespace displays
