#pragma once
// The oscilloscope. Each refresh turns a block of PCM samples into one 16-bit
// value per trace pixel (channel choice or mix, zoom in or out, an optional
// two-tap low-pass) and draws the trace at once into the DIB and onto the
// screen: dots, connected lines, bars from the centre, mirrored bars or
// spikes, with peak or split colouring. In Scroll mode each refresh adds one
// column holding the block's two extremes and the picture rolls to the left.
// Scales, grid, selection (right button) and a read-out box (left button)
// complete it. The connected-line trace also leaves the amplitude of each
// drawn point in PointValues, which the correlation meter reads.
//
// Threads: the refresh, layout changes, writers that resize the trace, Paint
// and the read-out take the display lock (MMDisplay.h). The list of scopes is
// changed on the main thread only and read under its own mutex.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "displays/MMDIBDisp.h"
#include "displays/MMDisplay.h"
#include "engine/MMTypes.h"

namespace displays {

class EMMOscopeError : public vcl::Exception {
 public:
  using Exception::Exception;
};

enum TMMOscopeKind : uint8_t { okDots, okConLines, okVertLines, okMirLines, okSpikes };
enum TMMOscopeEffect : uint8_t { efNone, efPeak, efSplit };

// Replaces the whole trace drawing: called inside the drawing pass with the
// DIB's rectangle and the trace points.
using TMMOscopeDrawLine =
    std::function<void(vcl::TObject* sender, TMMDIBCanvas* dib, const vcl::TRect& rect, const int16_t* data)>;
using TMMOscopeSelect = std::function<void(vcl::TObject* sender, int32_t min, int32_t max)>;

// ---- the data path, as routines ----

// Bytes one refresh consumes: a Scroll block of fft_length frames, or the
// frames the points of the trace read at this zoom.
int32_t OscopeBytesPerRefresh(int32_t frame_bytes, int32_t point_count, int32_t zoom, bool scroll,
                              int32_t fft_length);
// One value per point from the frames at data: mono samples, or the left,
// right or mean of the first two samples of a frame; zoom > 0 skips frames,
// zoom < 0 repeats each frame -zoom + 1 times. 8-bit samples become
// (b - 128) * 256.
void OscopeConvert(const void* data, int16_t* points, int32_t count, engine::TMMBits bits,
                   engine::TMMMode mode, engine::TMMChannel channel, int32_t zoom);
// (previous + 3 * value) / 4 with the unfiltered previous value, in place.
void OscopeLowPass(int16_t* points, int32_t count);

class TMMOscope : public TMMDIBGraphicControl, public TMMDisplayProtocol {
  VCL_DECLARE_CLASS(TMMOscope, TMMDIBGraphicControl)
 public:
  static constexpr int32_t kPointValueCount = 601;
  static constexpr int32_t kScaleWidth = 32;
  static constexpr int32_t kScaleHeight = 40;

  explicit TMMOscope(vcl::TComponent* owner);
  ~TMMOscope() override;

  // ---- display protocol ----
  void SetWaveFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BytesPerRefresh() const override { return bytes_per_refresh_; }
  void RefreshPCMData(const void* data) override;
  void ResetData() override;
  engine::TMMBits BitLength() const override { return bit_length_; }
  engine::TMMMode Mode() const override { return mode_; }
  bool Scroll() const override { return scroll_; }
  bool Accelerate() const override { return accelerate_; }
  int32_t FFTLength() const override { return fft_length_; }

  // ---- geometry and state ----
  int32_t PointCount() const { return point_count_; }
  int32_t TraceHeight() const { return trace_height_; }
  vcl::TRect TraceRect() const { return trace_rect_; }
  int32_t AmpDivisions() const { return amp_divisions_; }
  int32_t EffectLow() const { return effect_low_; }
  int32_t EffectHigh() const { return effect_high_; }
  int32_t ScrollColumn() const { return scroll_column_; }
  int32_t BarPosition() const { return bar_position_; }
  bool FullRepaint() const { return full_repaint_; }
  int32_t SelStart() const { return sel_start_; }
  int32_t SelEnd() const { return sel_end_; }
  int32_t LocatorPos() const { return locator_pos_; }
  bool ReadoutActive() const { return readout_active_; }
  bool SelectDragging() const { return select_dragging_; }
  // A copy of the trace points.
  std::vector<int16_t> TraceData() const;
  // The DIB row of a trace value with the current gain and kind.
  int32_t RowOf(int32_t value) const;
  int32_t LevelOf(int32_t value) const;

  // Amplitude of each point the last connected-line pass drew, -1..+1, in
  // control coordinates: a clipped point holds the edge it was clipped to.
  double PointValue(int32_t index) const;
  std::array<double, kPointValueCount> PointValues() const;

  // In control coordinates; 0 outside the trace.
  float AmplitudeAt(vcl::TPoint p) const;
  // Milliseconds from the trace's left edge; 0 outside the trace.
  float TimeAt(vcl::TPoint p) const;

  void SetSelection(int32_t start, int32_t finish, bool redraw);

  // ---- published ----
  void SetEnabled(bool value) override;
  // Index 0..12 as the colour properties (9 is kept but never drawn).
  vcl::TColor IndexedColor(int index) const { return colors_[static_cast<size_t>(index)]; }
  void SetIndexedColor(int index, vcl::TColor value);
  vcl::TColor ForegroundColor() const { return colors_[0]; }
  void SetForegroundColor(vcl::TColor v) { SetIndexedColor(0, v); }
  vcl::TColor InactiveColor() const { return colors_[1]; }
  void SetInactiveColor(vcl::TColor v) { SetIndexedColor(1, v); }
  vcl::TColor EffectColor() const { return colors_[2]; }
  void SetEffectColor(vcl::TColor v) { SetIndexedColor(2, v); }
  vcl::TColor DisabledColor() const { return colors_[3]; }
  void SetDisabledColor(vcl::TColor v) { SetIndexedColor(3, v); }
  vcl::TColor ScaleTextColor() const { return colors_[4]; }
  void SetScaleTextColor(vcl::TColor v) { SetIndexedColor(4, v); }
  vcl::TColor ScaleLineColor() const { return colors_[5]; }
  void SetScaleLineColor(vcl::TColor v) { SetIndexedColor(5, v); }
  vcl::TColor GridColor() const { return colors_[6]; }
  void SetGridColor(vcl::TColor v) { SetIndexedColor(6, v); }
  vcl::TColor BarColor() const { return colors_[7]; }
  void SetBarColor(vcl::TColor v) { SetIndexedColor(7, v); }
  vcl::TColor BarTickColor() const { return colors_[8]; }
  void SetBarTickColor(vcl::TColor v) { SetIndexedColor(8, v); }
  vcl::TColor SelectionColor() const { return colors_[10]; }
  void SetSelectionColor(vcl::TColor v) { SetIndexedColor(10, v); }
  vcl::TColor SelectionDotColor() const { return colors_[11]; }
  void SetSelectionDotColor(vcl::TColor v) { SetIndexedColor(11, v); }
  vcl::TColor LocatorColor() const { return colors_[12]; }
  void SetLocatorColor(vcl::TColor v) { SetIndexedColor(12, v); }

  bool ShowInfo() const { return show_info_; }
  void SetShowInfo(bool value) { show_info_ = value; }
  void SetAccelerate(bool value);
  void SetScroll(bool value);
  bool DrawMidLine() const { return draw_mid_line_; }
  void SetDrawMidLine(bool value);
  TMMOscopeKind Kind() const { return kind_; }
  void SetKind(TMMOscopeKind value);
  int32_t BarWidth() const { return bar_width_; }
  void SetBarWidth(int32_t value);
  void SetBitLength(engine::TMMBits value);
  engine::TMMChannel Channel() const { return channel_; }
  void SetChannel(engine::TMMChannel value);
  int32_t SampleRate() const { return sample_rate_; }
  void SetSampleRate(int32_t value);
  // Stored as the channel count less one; 3 stands for four channels.
  void SetMode(engine::TMMMode value);
  int32_t Steps() const { return steps_; }
  void SetSteps(int32_t value);
  int32_t Zoom() const { return zoom_; }
  void SetZoom(int32_t value);
  int32_t Gain() const { return gain_factor_ - 8; }
  void SetGain(int32_t value);
  TMMOscopeEffect Effect() const { return effect_; }
  void SetEffect(TMMOscopeEffect value);
  bool DrawAmpScale() const { return draw_amp_scale_; }
  void SetDrawAmpScale(bool value);
  bool DrawTimeScale() const { return draw_time_scale_; }
  void SetDrawTimeScale(bool value);
  bool DrawGrid() const { return draw_grid_; }
  void SetDrawGrid(bool value);
  void SetFFTLength(int32_t value);
  bool LowPass() const { return low_pass_; }
  void SetLowPass(bool value) { low_pass_ = value; }
  bool Locked() const { return locked_; }
  void SetLocked(bool value) { locked_ = value; }
  bool UseSelection() const { return use_selection_; }
  void SetUseSelection(bool value) { use_selection_ = value; }

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;

  vcl::TNotifyEvent OnArrayFull;
  vcl::TNotifyEvent OnArrayNew;
  vcl::TNotifyEvent OnUpdate;
  vcl::TNotifyEvent OnGainOverflow;
  vcl::TNotifyEvent OnPcmOverflow;
  vcl::TNotifyEvent OnPostPaint;
  TMMOscopeDrawLine OnDrawLine;
  TMMOscopeSelect OnSelecting;
  TMMOscopeSelect OnSelectEnd;

  using TMMDIBGraphicControl::BackGroundDIB;
  using TMMDIBGraphicControl::Bevel;
  using TMMDIBGraphicControl::PaletteMapped;
  using TMMDIBGraphicControl::PaletteRealize;
  using TMMDIBGraphicControl::SetBackGroundDIB;
  using TMMDIBGraphicControl::SetBevel;
  using TMMDIBGraphicControl::SetBitsPerPixel;
  using TMMDIBGraphicControl::SetPaletteMapped;
  using TMMDIBGraphicControl::SetPaletteRealize;
  using TMMDIBGraphicControl::SetUseBackGroundDIB;
  using TMMDIBGraphicControl::UseBackGroundDIB;

 protected:
  void Changed() override;
  void ChangeDesignMode(bool value) override;
  void Paint() override;
  virtual void GainOverflow();
  virtual void PcmOverflow();
  virtual void DoSelecting(int32_t min, int32_t max);
  virtual void DoSelectEnd(int32_t min, int32_t max);
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;

  // One drawing pass: the trace into the DIB and onto the screen. Full from
  // Paint, not after a refresh.
  void DrawTrace(bool full);
  // Draws, moves or removes (p outside the trace) the read-out box.
  void ShowReadout(vcl::TPoint p);

 private:
  void Layout();
  void UpdateBytesPerRefresh();
  void UpdateEffectLevels();
  void ClearData();
  void RaiseToMinimum();
  void MarkOthersForRepaint();
  void StoreTrace();

  // Drawing, in MMOscopeDraw.cpp.
  struct TPassColors {
    int32_t foreground, inactive, effect;
  };
  void DrawKind(const TPassColors& c);
  template <class Mark>
  void DrawMarks(const TPassColors& c, bool base_line, bool both_values, Mark mark);
  void DrawDots(const TPassColors& c);
  void DrawConLines(const TPassColors& c);
  void DrawVertLines(const TPassColors& c);
  void DrawMirLines(const TPassColors& c);
  void DrawSpikes(const TPassColors& c);
  void DrawSelectionFill();
  void DrawSelectionOutline();
  void DrawGridLines();
  void DrawScrollStep(bool full);
  void DrawScrollBar(bool on_screen);
  void ScrollScreen();
  bool Marked(int32_t level) const;
  void PaintAmpScale();
  void PaintTimeScale();
  // The value tested and drawn for one value of the trace: its level, and
  // the overflow events it causes.
  int32_t CheckedLevel(int32_t value);
  // Column x = ScrollColumn of the scrolling trace.
  int32_t ScrollExtremeIndex() const;
  float TraceMilliseconds() const;

  // Mouse, in MMOscopeMouse.cpp.
  void StartReadout(int x, int y);
  void EndReadout();
  void EndSelectDrag();
  // Capture went elsewhere: a drag or read-out in progress ends here.
  void CaptureLost();
  void RestoreReadoutArea();
  void SaveReadoutArea(const vcl::TRect& box);

  std::array<vcl::TColor, 13> colors_{vcl::clAqua,  vcl::clTeal, vcl::clRed,   vcl::clGray,  vcl::clBlack,
                                      vcl::clBlack, vcl::clGray, vcl::clGray,  vcl::clWhite, vcl::clBtnFace,
                                      vcl::clRed,   vcl::clRed,  vcl::clYellow};
  TMMOscopeEffect effect_ = efNone;
  int32_t sample_rate_ = 11025;
  engine::TMMBits bit_length_ = engine::b8Bit;
  engine::TMMChannel channel_ = engine::chBoth;
  engine::TMMMode mode_ = engine::mMono;
  std::atomic<int32_t> bytes_per_refresh_{0};
  TMMOscopeKind kind_ = okDots;
  int32_t steps_ = 1;
  int32_t zoom_ = 1;
  int32_t gain_factor_ = 8;
  std::vector<int16_t> trace_data_;
  int32_t point_count_ = 4;
  int32_t trace_height_ = 4;
  int32_t half_height_ = 2;
  vcl::TRect trace_rect_{0, 0, 4, 4};
  bool saved_show_hint_ = false;
  bool show_info_ = true;
  bool readout_active_ = false;
  bool draw_mid_line_ = false;
  bool draw_amp_scale_ = false;
  bool draw_time_scale_ = false;
  bool draw_grid_ = false;
  int32_t sel_start_ = -1;
  int32_t sel_end_ = -1;
  int32_t locator_pos_ = -1;
  std::atomic<int32_t> fft_length_{128};
  int32_t scroll_column_ = -5;
  int32_t bar_position_ = 0;
  int32_t amp_divisions_ = 10;
  int32_t bar_width_ = 5;
  std::atomic<bool> full_repaint_{false};
  std::atomic<bool> accelerate_{true};
  std::atomic<bool> scroll_{false};
  int32_t level_span_ = 65535;
  int32_t level_offset_ = 32767;
  int32_t effect_low_ = 0;
  int32_t effect_high_ = 0;
  bool low_pass_ = false;
  bool select_dragging_ = false;
  bool locked_ = false;
  bool use_selection_ = false;
  bool registered_ = false;
  std::array<double, kPointValueCount> point_values_{};
  // The end of the last Scroll column this scope drew.
  vcl::TPoint prev_trace_point_{0, 0};

  // The selection drag under way.
  struct {
    int32_t anchor = 0, min_delta = 0, max_delta = 0;
    bool moving = false;
  } select_drag_;
  // What the read-out box covers in the DIB, and the pass it was taken in:
  // a later pass has redrawn the DIB, and the old pixels must not go back.
  vcl::TRect readout_box_{0, 0, 0, 0};
  std::vector<uint8_t> readout_saved_;
  bool readout_saved_valid_ = false;
  uint64_t readout_pass_ = 0;
  uint64_t passes_ = 0;
};

}  // namespace displays
