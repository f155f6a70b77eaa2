#include "displays/MMSpectrogram.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>

#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "engine/MMUtilsBitmaps.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

using engine::TMMBits;
using engine::TMMChannel;
using engine::TMMMode;

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;
constexpr int32_t kEntries = kSpectrogramLastEntry - kSpectrogramFirstEntry + 1;  // 236
constexpr int32_t kEmbossMiddle = kEntries / 2;                                   // 118
// The library cursors of the selection: inside it, moving it, and its edges.
constexpr vcl::TCursor kCursorInSelection = 2003;
constexpr vcl::TCursor kCursorMoveSelection = 2004;
constexpr vcl::TCursor kCursorSelectionEdge = 2009;

// The ramps' constants are extended-precision values: with doubles some
// products land on the other side of a whole number (copper green at level
// 150 would read 117 instead of 116).
static_assert(std::numeric_limits<long double>::digits == 64, "the palettes need 80-bit extended arithmetic");

uint8_t Component(long double value) {
  return static_cast<uint8_t>(std::clamp<long double>(std::trunc(value), 0, 255));
}

TMMSpectrogramRGB Rgb(long double r, long double g, long double b) {
  return {Component(r), Component(g), Component(b)};
}

int32_t TruncToInt(long double value) {
  constexpr long double lo = std::numeric_limits<int32_t>::min();
  constexpr long double hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::trunc(std::clamp(value, lo, hi)));
}

int16_t Saturate16(long double value) {
  return static_cast<int16_t>(std::clamp<long double>(std::trunc(value), -32768, 32767));
}

// The spectrograms in run mode; changed on the main thread, read by passes
// on any thread.
std::mutex& ListMutex() {
  static std::mutex m;
  return m;
}
std::vector<TMMSpectrogram*>& SpectrogramList() {
  static std::vector<TMMSpectrogram*> list;
  return list;
}

using Lock = std::lock_guard<std::recursive_mutex>;

}  // namespace

// ---- routines ----

TMMSpectrogramRGB SpectrogramPaletteColor(TMMSpectrogramPalette palette, int32_t entry) {
  const long double v = ((entry - kSpectrogramFirstEntry) * 256) / kEntries;
  auto hsv = [&] {
    if (v < 64) return Rgb(0, 4 * v, 255);
    if (v < 128) return Rgb(0, 255, 510 - 4 * v);
    if (v < 192) return Rgb(4 * v - 510, 255, 0);
    return Rgb(255, 1020 - 4 * v, 0);
  };
  switch (palette) {
    case spHSV:
      return hsv();
    case spThreshold:
      return v < 16 ? Rgb(0, 0, 0) : hsv();
    case spBlackWhite:
      return Rgb(v, v, v);
    case spWhiteBlack:
      return Rgb(255 - v, 255 - v, 255 - v);
    case spBone:
      if (v < 96) return Rgb(0.88889L * v, 0.88889L * v, 1.2L * v);
      if (v < 192) return Rgb(0.88889L * v, 1.2L * v - 29, 0.88889L * v + 29);
      return Rgb(1.2L * v - 60, 0.88889L * v + 29, 0.88889L * v + 29);
    case spCopper:
      return Rgb(v >= 208 ? 255 : 1.23L * v, 0.78L * v, v / 2);
    case spCool:
      return Rgb(v, 255 - v, 255);
    case spHot:
      if (v < 96) return Rgb(2.66667L * v + 0.5L, 0, 0);
      if (v < 192) return Rgb(255, 2.66667L * v - 254, 0);
      return Rgb(255, 255, 4 * v - 766);
  }
  return hsv();
}

float SpectrogramBaseLimit(int32_t sample_rate, float scale) {
  // At scale 1 the image keeps at least its top 1000 Hz; at higher scales the
  // same share of the smaller range, so the top stays above the base.
  return static_cast<float>((sample_rate / 2.0L - 1000) / std::max(scale, 1.0f));
}

void BuildSpectrogramFrequencyMap(int32_t fft_length, int32_t sample_rate, float scale, float base,
                                  int32_t height, int32_t* row_first_bin, int32_t* row_end_bin) {
  if (height <= 0 || sample_rate <= 0) return;
  const int32_t half = fft_length / 2;
  const float f0 = static_cast<float>(static_cast<long double>(base) / sample_rate * fft_length);
  for (int32_t y = 0; y < height; ++y) {
    const long double b = std::floor(0.01L + f0 +
                                     (static_cast<long double>(y) / height) *
                                         (half - static_cast<long double>(scale) * f0) / scale);
    const int32_t bin = engine::IntClamp(TruncToInt(b), 0, half - 1);
    row_first_bin[y] = bin;
    if (y > 0) row_end_bin[y - 1] = bin;
  }
  // The top row's range runs to the last bin, so its own bins are shown.
  row_end_bin[height - 1] = half;
  for (int32_t y = 0; y < height; ++y)
    if (row_end_bin[y] <= row_first_bin[y] + 1) row_end_bin[y] = 0;
  for (int32_t y = height - 1; y >= 1; --y) {
    if (row_first_bin[y] == row_first_bin[y - 1]) {
      row_first_bin[y] = -1;
      row_end_bin[y] = 0;
    }
  }
}

int32_t SpectrogramBinValue(int32_t re, int32_t im, bool log_amp, float amp_factor, int32_t sensitivy) {
  // In 64 bits: two 16-bit extremes would wrap a 32-bit sum to a negative.
  const int64_t p = static_cast<int64_t>(re) * re + static_cast<int64_t>(im) * im;
  const long double offset = -90 - sensitivy;
  if (!log_amp) return TruncToInt(std::sqrt(static_cast<long double>(p)) * amp_factor + offset) + 10;
  const long double lp = std::log(static_cast<long double>(std::max<int64_t>(p, 1)));
  return TruncToInt(lp * (20 * static_cast<long double>(amp_factor)) + 2 * offset) + 10;
}

void ComposeSpectrogramColumn(const int32_t* values, const int32_t* row_first_bin, const int32_t* row_end_bin,
                              int32_t height, bool embossed, int16_t* history, uint8_t* column) {
  int32_t group = 0;
  int32_t previous = kSpectrogramFirstEntry;
  int32_t y = 0;
  while (y < height) {
    const int32_t first = std::max(row_first_bin[y], 0);
    int32_t top = y + 1;
    while (top < height && row_first_bin[top] == -1) ++top;
    int32_t value = values[first];
    if (row_end_bin[y] > 0) value = *std::max_element(values + first, values + row_end_bin[y]);
    if (embossed) {
      const int32_t e = history[group] - value + kEmbossMiddle;
      history[group] = static_cast<int16_t>(previous);
      // Kept within the palette so a loud linear value cannot wrap 16 bits.
      previous = engine::IntClamp(value, kSpectrogramFirstEntry, kSpectrogramLastEntry);
      value = e;
      ++group;
    }
    const auto pixel =
        static_cast<uint8_t>(engine::IntClamp(value, kSpectrogramFirstEntry, kSpectrogramLastEntry));
    for (; y < top; ++y) column[height - 1 - y] = pixel;
  }
}

int32_t SpectrogramFreqDivisions(int32_t sample_rate, float scale, int32_t height) {
  int32_t n = TruncToInt(sample_rate / 2.0L / 1000 * scale);
  while (n > 1 && height / n < 10) n /= 2;
  return std::max(n, 1);
}

std::vector<std::string> SpectrogramScaleLabels(int32_t sample_rate, float scale, float base,
                                                int32_t divisions) {
  divisions = std::max(divisions, 1);
  const long double step =
      (sample_rate / 2.0L - static_cast<long double>(scale) * base) / divisions / scale / 1000;
  std::vector<std::string> labels;
  char text[32];
  for (int32_t i = 0; i <= divisions; ++i) {
    const long double khz = i * step + static_cast<long double>(base) / 1000;
    if (base == 0 && scale == 1)
      std::snprintf(text, sizeof text, "%d", TruncToInt(std::nearbyint(khz - 0.05L)));
    else
      std::snprintf(text, sizeof text, "%4.2Lf", khz);
    labels.emplace_back(text);
  }
  return labels;
}

// ---- TMMSpectrogram ----

VCL_IMPLEMENT_CLASS(
    TMMSpectrogram,
    EnumProp("Align", &TMMSpectrogram::Align, &TMMSpectrogram::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    ObjProp("Bevel", &TMMSpectrogram::Bevel, &TMMSpectrogram::SetBevel),
    RefProp("PopupMenu", &TMMSpectrogram::PopupMenu, &TMMSpectrogram::SetPopupMenu),
    BoolProp("ParentShowHint", &TMMSpectrogram::ParentShowHint, &TMMSpectrogram::SetParentShowHint)
        .Default(true),
    BoolProp("ShowHint", &TMMSpectrogram::ShowHint, &TMMSpectrogram::SetShowHint)
        .Default(false)
        .Stored(&TMMSpectrogram::IsShowHintStored),
    BoolProp("Visible", &TMMSpectrogram::Visible, &TMMSpectrogram::SetVisible).Default(true),
    BoolProp("PaletteRealize", &TMMSpectrogram::PaletteRealize, &TMMSpectrogram::SetPaletteRealize)
        .Default(true),
    BoolProp("PaletteMapped", &TMMSpectrogram::PaletteMapped, &TMMSpectrogram::SetPaletteMapped)
        .Default(false),
    BoolProp("ShowInfo", &TMMSpectrogram::ShowInfo, &TMMSpectrogram::SetShowInfo).Default(true),
    BoolProp("Enabled", &TMMSpectrogram::Enabled, &TMMSpectrogram::SetEnabled).Default(true),
    BoolProp("DrawScale", &TMMSpectrogram::DrawScale, &TMMSpectrogram::SetDrawScale).Default(false),
    BoolProp("Accelerate", &TMMSpectrogram::Accelerate, &TMMSpectrogram::SetAccelerate).Default(true),
    BoolProp("Scroll", &TMMSpectrogram::Scroll, &TMMSpectrogram::SetScroll).Default(false),
    ColorProp("ScaleTextColor", &TMMSpectrogram::ScaleTextColor, &TMMSpectrogram::SetScaleTextColor)
        .Default(vcl::clBlack),
    ColorProp("ScaleLineColor", &TMMSpectrogram::ScaleLineColor, &TMMSpectrogram::SetScaleLineColor)
        .Default(vcl::clBlack),
    ColorProp("BarColor", &TMMSpectrogram::BarColor, &TMMSpectrogram::SetBarColor).Default(vcl::clGray),
    ColorProp("BarTickColor", &TMMSpectrogram::BarTickColor, &TMMSpectrogram::SetBarTickColor)
        .Default(vcl::clWhite),
    ColorProp("SelectionColor", &TMMSpectrogram::SelectionColor, &TMMSpectrogram::SetSelectionColor)
        .Default(vcl::clRed),
    ColorProp("SelectionDotColor", &TMMSpectrogram::SelectionDotColor, &TMMSpectrogram::SetSelectionDotColor)
        .Default(vcl::clRed),
    ColorProp("LocatorColor", &TMMSpectrogram::LocatorColor, &TMMSpectrogram::SetLocatorColor)
        .Default(vcl::clYellow),
    IntProp("BarWidth", &TMMSpectrogram::BarWidth, &TMMSpectrogram::SetBarWidth).Default(5),
    EnumProp("Mode", &TMMSpectrogram::Mode, &TMMSpectrogram::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    EnumProp("BitLength", &TMMSpectrogram::BitLength, &TMMSpectrogram::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    EnumProp("Channel", &TMMSpectrogram::Channel, &TMMSpectrogram::SetChannel,
             {"chBoth", "chLeft", "chRight"})
        .Default(engine::chBoth),
    IntProp("SampleRate", &TMMSpectrogram::SampleRate, &TMMSpectrogram::SetSampleRate).Default(11025),
    EnumProp("Gain", &TMMSpectrogram::Gain, &TMMSpectrogram::SetGain, {"sgrNone", "sgr6db", "sgr12db"})
        .Default(sgrNone),
    IntProp("FFTLength", &TMMSpectrogram::FFTLength, &TMMSpectrogram::SetFFTLength).Default(128),
    EnumProp("Window", &TMMSpectrogram::Window, &TMMSpectrogram::SetWindow,
             {"fwRectangular", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch", "fwParzen"})
        .Default(engine::fwHamming),
    BoolProp("LogAmp", &TMMSpectrogram::LogAmp, &TMMSpectrogram::SetLogAmp).Default(false),
    BoolProp("Embossed", &TMMSpectrogram::Embossed, &TMMSpectrogram::SetEmbossed).Default(false),
    IntProp("AmplitudeScale", &TMMSpectrogram::AmplitudeScale, &TMMSpectrogram::SetAmplitudeScale)
        .Default(100),
    IntProp("FrequencyBase", &TMMSpectrogram::FrequencyBase, &TMMSpectrogram::SetFrequencyBase).Default(0),
    IntProp("FrequencyScale", &TMMSpectrogram::FrequencyScale, &TMMSpectrogram::SetFrequencyScale).Default(1),
    IntProp("Sensitivy", &TMMSpectrogram::Sensitivy, &TMMSpectrogram::SetSensitivy).Default(-90),
    EnumProp("PaletteTyp", &TMMSpectrogram::PaletteTyp, &TMMSpectrogram::SetPaletteTyp,
             {"spHSV", "spThreshold", "spBlackWhite", "spWhiteBlack", "spBone", "spCopper", "spCool",
              "spHot"})
        .Default(spThreshold),
    BoolProp("Locked", &TMMSpectrogram::Locked, &TMMSpectrogram::SetLocked).Default(false),
    BoolProp("UseSelection", &TMMSpectrogram::UseSelection, &TMMSpectrogram::SetUseSelection).Default(false),
    EventProp("OnPcmOverflow", &TMMSpectrogram::OnPcmOverflow),
    EventProp("OnSelecting", &TMMSpectrogram::OnSelecting),
    EventProp("OnSelectEnd", &TMMSpectrogram::OnSelectEnd), EventProp("OnClick", &TMMSpectrogram::OnClick),
    EventProp("OnDblClick", &TMMSpectrogram::OnDblClick),
    EventProp("OnMouseDown", &TMMSpectrogram::OnMouseDown),
    EventProp("OnMouseMove", &TMMSpectrogram::OnMouseMove),
    EventProp("OnMouseUp", &TMMSpectrogram::OnMouseUp), EventProp("OnDragDrop", &TMMSpectrogram::OnDragDrop),
    EventProp("OnDragOver", &TMMSpectrogram::OnDragOver), EventProp("OnEndDrag", &TMMSpectrogram::OnEndDrag),
    EventProp("OnStartDrag", &TMMSpectrogram::OnStartDrag))

TMMSpectrogram::TMMSpectrogram(vcl::TComponent* owner)
    : TMMDIBGraphicControl(owner),
      fft_data_(kSpectrogramMaxFFT),
      emboss_history_(kSpectrogramMaxFFT / 2),
      window_table_(kSpectrogramMaxFFT),
      bin_values_(kSpectrogramMaxFFT / 2),
      work_(kSpectrogramMaxFFT) {
  SetPaletteRealize(true);
  fft_ = engine::CreateFFT(3);
  SetColor(vcl::clBlack);
  SetCursor(vcl::crCross);
  SetBounds(Left(), Top(), 194, 90);
  SetFFTLength(128);
  // Built now, so a display made in code is not drawn with black entries
  // until its palette is first changed; a stored form builds it in Loaded.
  ApplyPalette();
  if (!DesignMode()) RegisterSpectrogram();
}

TMMSpectrogram::~TMMSpectrogram() {
  UnregisterSpectrogram();
  if (readout_active_) plat::ClipCursor(nullptr);
  engine::FreeFFT(fft_);
}

void TMMSpectrogram::RegisterSpectrogram() {
  std::lock_guard list(ListMutex());
  auto& all = SpectrogramList();
  if (std::find(all.begin(), all.end(), this) == all.end()) all.push_back(this);
}

void TMMSpectrogram::UnregisterSpectrogram() {
  std::lock_guard list(ListMutex());
  auto& all = SpectrogramList();
  all.erase(std::remove(all.begin(), all.end(), this), all.end());
}

void TMMSpectrogram::MarkOthersForRepaint() {
  std::lock_guard list(ListMutex());
  for (TMMSpectrogram* other : SpectrogramList())
    if (other != this) other->full_repaint_ = true;
}

void TMMSpectrogram::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  if (!DesignMode()) RegisterSpectrogram();
}

// ---- display protocol ----

void TMMSpectrogram::SetWaveFormat(const plat::WAVEFORMATEX* format) {
  if (!engine::IsValidPCMFormat(format))
    throw EMMSpectrogramError(engine::LoadLibraryMessage(kInvalidWaveFormatMessage));
  Lock lock(DisplayLock());
  SetSampleRate(static_cast<int32_t>(format->nSamplesPerSec));
  SetBitLength(static_cast<TMMBits>(format->wBitsPerSample / 8 - 1));
  SetMode(static_cast<TMMMode>(std::min<int32_t>(format->nChannels - 1, engine::mMultiChannel)));
}

void TMMSpectrogram::UpdateBytesPerRefresh() {
  bytes_per_refresh_ = (bit_length_ + 1) * (mode_ + 1) * fft_length_;
}

void TMMSpectrogram::ComputeBins(const void* data) {
  const int32_t n = fft_length_;
  const bool wide = bit_length_ == engine::b16Bit;
  const bool stereo = mode_ != engine::mMono;
  const auto* bytes = static_cast<const uint8_t*>(data);
  auto sample16 = [&](int32_t index) {
    int16_t v;  // the block may start at any byte
    std::memcpy(&v, bytes + 2 * static_cast<ptrdiff_t>(index), 2);
    return static_cast<int32_t>(v);
  };
  auto read = [&](int32_t i) -> int32_t {
    if (!stereo) return wide ? sample16(i) : bytes[i];
    if (channel_ == engine::chLeft) return wide ? sample16(2 * i) : bytes[2 * i];
    if (channel_ == engine::chRight) return wide ? sample16(2 * i + 1) : bytes[2 * i + 1];
    if (wide) return (sample16(2 * i) + sample16(2 * i + 1)) / 2;
    return (bytes[2 * i] + bytes[2 * i + 1]) >> 1;
  };
  int32_t top = 32767;
  if (!wide)
    top = 255;
  else if (stereo && channel_ == engine::chBoth && gain_ != sgr12db)
    top = 32766;
  const int64_t divisor = wide ? 32768 : 128;
  const int32_t s0 = read(0);
  int32_t s1 = s0, s2 = s0;
  for (int32_t i = 0; i < n; ++i) {
    const int32_t s = read(i);
    if (s >= top) PcmOverflow();
    int32_t v;
    switch (gain_) {
      case sgr6db:
        v = s - s1;
        break;
      case sgr12db:
        v = s - 2 * s1 + s2;
        break;
      default:
        v = wide ? s : s - 128;
        break;
    }
    s2 = s1;
    s1 = s;
    work_[static_cast<size_t>(i)] =
        static_cast<float>(static_cast<int64_t>(v) * window_table_[static_cast<size_t>(i)] / divisor);
  }
  engine::RealFFT(fft_, work_.data(), 1);
  const long double half = n / 2;
  // Saturated: a loud low tone must not wrap round to a quiet one.
  for (int32_t i = 0; i < n; ++i)
    fft_data_[static_cast<size_t>(i)] = Saturate16(work_[static_cast<size_t>(i)] / half);
  for (int32_t k = 0; k < n / 2; ++k)
    bin_values_[static_cast<size_t>(k)] =
        SpectrogramBinValue(fft_data_[static_cast<size_t>(2 * k)], fft_data_[static_cast<size_t>(2 * k + 1)],
                            log_amp_, amp_factor_, sensitivy_);
}

void TMMSpectrogram::RefreshPCMData(const void* data) {
  Lock lock(DisplayLock());
  if (!data || !Enabled() || !Visible() || readout_active_) return;
  ComputeBins(data);
  DrawNow([this](void*) { DrawSpectrogram(false); }, nullptr);
}

void TMMSpectrogram::ResetState() {
  full_repaint_ = true;
  sel_start_ = -1;
  sel_end_ = -1;
  scroll_column_ = -bar_width_;
  bar_position_ = 0;
  std::fill(emboss_history_.begin(), emboss_history_.end(), int16_t{0});
}

void TMMSpectrogram::ResetData() {
  Lock lock(DisplayLock());
  if (readout_active_) {
    plat::POINT p{};
    plat::GetCursorPos(&p);
    p = ScreenToClient(p);
    Perform(plat::WM_LBUTTONUP, 0,
            plat::MAKELPARAM(static_cast<plat::WORD>(p.x), static_cast<plat::WORD>(p.y)));
    // A release the control does not take as the end still ends it.
    EndReadout();
  }
  ResetState();
  Refresh();
}

void TMMSpectrogram::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

// ---- properties ----

void TMMSpectrogram::SetEnabled(bool value) {
  if (!value) CancelMouseModes();
  inherited::SetEnabled(value);
  Invalidate();
}

void TMMSpectrogram::SetDrawScale(bool value) {
  if (value == draw_scale_) return;
  {
    Lock lock(DisplayLock());
    draw_scale_ = value;
  }
  const int b = BevelExtent();
  const int min_width = 2 * b + (draw_scale_ ? 69 : 5);
  if (Width() < min_width)
    SetBounds(Left(), Top(), min_width, Height());
  else
    Changed();
  Invalidate();
}

void TMMSpectrogram::SetAccelerate(bool value) {
  if (value == accelerate_) return;
  accelerate_ = value;
  // The screen moved on its own; the image has to be drawn from the DIB again.
  if (!value && scroll_) Invalidate();
}

void TMMSpectrogram::SetScroll(bool value) {
  if (value == scroll_) return;
  {
    Lock lock(DisplayLock());
    scroll_ = value;
  }
  Invalidate();
}

void TMMSpectrogram::SetColorIndex(int index, vcl::TColor value) {
  if (colors_[static_cast<size_t>(index)] == value) return;
  {
    Lock lock(DisplayLock());
    colors_[static_cast<size_t>(index)] = value;
  }
  Invalidate();
}

void TMMSpectrogram::SetBarWidth(int32_t value) {
  if (value == bar_width_) return;
  {
    Lock lock(DisplayLock());
    bar_width_ = std::max(value, 0);
  }
  Invalidate();
}

void TMMSpectrogram::SetMode(TMMMode value) {
  if (value == mode_) return;
  {
    Lock lock(DisplayLock());
    mode_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMSpectrogram::SetBitLength(TMMBits value) {
  if (value == bit_length_) return;
  {
    Lock lock(DisplayLock());
    bit_length_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMSpectrogram::SetChannel(TMMChannel value) {
  if (value == channel_) return;
  {
    Lock lock(DisplayLock());
    channel_ = value;
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMSpectrogram::SetSampleRate(int32_t value) {
  if (value == sample_rate_) return;
  {
    Lock lock(DisplayLock());
    sample_rate_ = engine::IntClamp(value, 8000, 100000);
    BuildFrequencyMap();
    UpdateFreqDivisions();
  }
  Invalidate();
}

void TMMSpectrogram::SetFFTLength(int32_t value) {
  value = engine::IntClamp(value, 8, kSpectrogramMaxFFT);
  int32_t order = 0;
  while ((2 << order) <= value) ++order;
  value = 1 << order;
  if (value == fft_length_) return;
  {
    Lock lock(DisplayLock());
    engine::PMMFFTObject fft = engine::CreateFFT(order);
    engine::FreeFFT(fft_);
    fft_ = fft;
    fft_length_ = value;
    engine::BuildFFTWindowTable(window_table_.data(), window_, order);
    BuildFrequencyMap();
    UpdateBytesPerRefresh();
  }
  Invalidate();
}

void TMMSpectrogram::SetWindow(engine::TMMFFTWindow value) {
  if (value == window_) return;
  Lock lock(DisplayLock());
  window_ = value;
  int32_t order = 0;
  while ((1 << order) < fft_length_) ++order;
  engine::BuildFFTWindowTable(window_table_.data(), window_, order);
}

void TMMSpectrogram::SetEmbossed(bool value) {
  if (value == embossed_) return;
  {
    Lock lock(DisplayLock());
    embossed_ = value;
    std::fill(emboss_history_.begin(), emboss_history_.end(), int16_t{0});
  }
  Invalidate();
}

int32_t TMMSpectrogram::AmplitudeScale() const {
  return static_cast<int32_t>(std::nearbyint(static_cast<double>(amp_factor_) / 0.01));
}

void TMMSpectrogram::SetAmplitudeScale(int32_t value) {
  value = engine::IntClamp(value, 0, 1000);
  if (value == AmplitudeScale()) return;
  Lock lock(DisplayLock());
  amp_factor_ = static_cast<float>(value * 0.01);
}

int32_t TMMSpectrogram::FrequencyBase() const {
  Lock lock(DisplayLock());
  return TruncToInt(frequency_base_);
}

float TMMSpectrogram::FrequencyBaseValue() const {
  Lock lock(DisplayLock());
  return frequency_base_;
}

void TMMSpectrogram::SetFrequencyBase(int32_t value) {
  value = std::max(value, 0);
  if (value == FrequencyBase()) return;
  {
    Lock lock(DisplayLock());
    frequency_base_ = static_cast<float>(value);
    BuildFrequencyMap();
    UpdateFreqDivisions();
  }
  Invalidate();
}

int32_t TMMSpectrogram::FrequencyScale() const { return TruncToInt(frequency_scale_); }

void TMMSpectrogram::SetFrequencyScale(int32_t value) {
  value = engine::IntClamp(value, 1, 16);
  if (value == FrequencyScale()) return;
  {
    Lock lock(DisplayLock());
    frequency_scale_ = static_cast<float>(value);
    BuildFrequencyMap();
    UpdateFreqDivisions();
  }
  Invalidate();
}

void TMMSpectrogram::SetSensitivy(int32_t value) {
  Lock lock(DisplayLock());
  sensitivy_ = engine::IntClamp(value, -90, -9);
}

void TMMSpectrogram::SetPaletteTyp(TMMSpectrogramPalette value) {
  if (value == palette_typ_) return;
  palette_typ_ = value;
  if (Loading() || ComponentState().Contains(vcl::csReading)) return;
  ApplyPalette();
}

void TMMSpectrogram::ApplyPalette() {
  struct {
    plat::WORD version = 0x300;
    plat::WORD count = 256;
    std::array<plat::PALETTEENTRY, 256> entries{};
  } palette;
  for (int32_t i = kSpectrogramFirstEntry; i <= kSpectrogramLastEntry; ++i) {
    const TMMSpectrogramRGB c = SpectrogramPaletteColor(palette_typ_, i);
    palette.entries[static_cast<size_t>(i)] = plat::PALETTEENTRY{c.r, c.g, c.b, 0};
  }
  static_assert(sizeof(palette) == 4 + 256 * sizeof(plat::PALETTEENTRY));
  {
    Lock lock(DisplayLock());
    DIBCanvas()->SetLogPalette(reinterpret_cast<const plat::LOGPALETTE*>(&palette));
  }
  Invalidate();
}

// ---- layout ----

void TMMSpectrogram::SetBounds(int left, int top, int width, int height) {
  const int b = BevelExtent();
  width = std::max(width, 2 * b + (draw_scale_ ? 69 : 5));
  height = std::max(height, 2 * b + 5);
  {
    // The base resizes the picture a pass on another thread may be drawing.
    Lock lock(DisplayLock());
    inherited::SetBounds(left, top, width, height);
  }
  Changed();
}

void TMMSpectrogram::Changed() {
  {
    Lock lock(DisplayLock());
    vcl::TRect r = vcl::Rect(0, 0, Width(), Height());
    if (draw_scale_) {
      r.left += kScaleWidth;
      r.right -= kScaleWidth;
    }
    const int b = BevelExtent();
    r = vcl::Rect(r.left + b, r.top + b, r.right - b, r.bottom - b);
    image_rect_ = r;
    image_width_ = std::max(r.right - r.left, 4);
    image_height_ = std::max(r.bottom - r.top, 4);
    column_pixels_.assign(static_cast<size_t>(image_height_), 0);
    row_first_bin_.assign(static_cast<size_t>(image_height_), 0);
    row_end_bin_.assign(static_cast<size_t>(image_height_), 0);
    DIBCanvas()->SetBounds(0, 0, image_width_, image_height_);
    UpdateBytesPerRefresh();
    BuildFrequencyMap();
    UpdateFreqDivisions();
    CancelMouseModes();
    ResetState();
  }
  inherited::Changed();
}

void TMMSpectrogram::BuildFrequencyMap() {
  if (Loading() || row_first_bin_.empty()) return;
  frequency_base_ = std::clamp(frequency_base_, 0.0f, SpectrogramBaseLimit(sample_rate_, frequency_scale_));
  BuildSpectrogramFrequencyMap(fft_length_, sample_rate_, frequency_scale_, frequency_base_, image_height_,
                               row_first_bin_.data(), row_end_bin_.data());
  // The groups changed: an embossed column must not compare with old ones.
  std::fill(emboss_history_.begin(), emboss_history_.end(), int16_t{0});
}

void TMMSpectrogram::UpdateFreqDivisions() {
  freq_divisions_ = SpectrogramFreqDivisions(sample_rate_, frequency_scale_, image_height_);
}

void TMMSpectrogram::Loaded() {
  inherited::Loaded();
  {
    Lock lock(DisplayLock());
    BuildFrequencyMap();
    UpdateFreqDivisions();
  }
  ApplyPalette();
  Lock lock(DisplayLock());
  DrawNow([this](void*) { DrawSpectrogram(true); }, nullptr);
}

// ---- reading the state ----

vcl::TRect TMMSpectrogram::ImageRect() const {
  Lock lock(DisplayLock());
  return image_rect_;
}
int32_t TMMSpectrogram::ImageWidth() const {
  Lock lock(DisplayLock());
  return image_width_;
}
int32_t TMMSpectrogram::ImageHeight() const {
  Lock lock(DisplayLock());
  return image_height_;
}
int32_t TMMSpectrogram::ScrollColumn() const {
  Lock lock(DisplayLock());
  return scroll_column_;
}
int32_t TMMSpectrogram::BarPosition() const {
  Lock lock(DisplayLock());
  return bar_position_;
}
int32_t TMMSpectrogram::FreqDivisions() const {
  Lock lock(DisplayLock());
  return freq_divisions_;
}
int32_t TMMSpectrogram::SelStart() const {
  Lock lock(DisplayLock());
  return sel_start_;
}
int32_t TMMSpectrogram::SelEnd() const {
  Lock lock(DisplayLock());
  return sel_end_;
}
bool TMMSpectrogram::ReadoutActive() const {
  Lock lock(DisplayLock());
  return readout_active_;
}
bool TMMSpectrogram::SelectDragging() const {
  Lock lock(DisplayLock());
  return select_dragging_;
}
std::vector<int32_t> TMMSpectrogram::RowFirstBin() const {
  Lock lock(DisplayLock());
  return row_first_bin_;
}
std::vector<int32_t> TMMSpectrogram::RowEndBin() const {
  Lock lock(DisplayLock());
  return row_end_bin_;
}
std::vector<int32_t> TMMSpectrogram::BinValues() const {
  Lock lock(DisplayLock());
  return {bin_values_.begin(), bin_values_.begin() + fft_length_ / 2};
}

float TMMSpectrogram::FrequencyAt(vcl::TPoint p) const {
  Lock lock(DisplayLock());
  if (!plat::PtInRect(&image_rect_, p)) return 0;
  const long double rows = std::max(image_height_ - 1, 1);
  const long double f = (sample_rate_ / 2.0L - static_cast<long double>(frequency_scale_) * frequency_base_) *
                            (image_height_ - (p.y - image_rect_.top) - 1) / rows / frequency_scale_ +
                        frequency_base_;
  return static_cast<float>(f);
}

// ---- drawing ----

void TMMSpectrogram::DrawSpectrogram(bool full) {
  TMMDIBCanvas& dib = *DIBCanvas();
  dib.Handle();  // the DIB is rebuilt, if it must be, before the pass
  const bool repaint = full_repaint_;
  const int32_t w = image_width_;
  const int32_t h = image_height_;
  plat::HDC dc = Canvas()->HandleAllocated() ? Canvas()->Handle() : nullptr;
  TDIBDrawingPass pass(dib);
  if (full || repaint) {
    TMMDIBCanvas::DIB_SetColor(embossed_ ? kSpectrogramMiddleEntry : kSpectrogramFirstEntry);
    TMMDIBCanvas::DIB_Clear();
    scroll_column_ = -bar_width_;
    bar_position_ = 0;
    std::fill(emboss_history_.begin(), emboss_history_.end(), int16_t{0});
    if (!repaint) MarkOthersForRepaint();
  } else {
    ComposeSpectrogramColumn(bin_values_.data(), row_first_bin_.data(), row_end_bin_.data(), h, embossed_,
                             emboss_history_.data(), column_pixels_.data());
    TMMDIBCanvas::DIB_PutColumn(scroll_column_, 0, column_pixels_.data(), h);
  }
  if (!full && !repaint && accelerate_) {
    if (dc)
      dib.DrawToDC(dc, vcl::Rect(image_rect_.left + scroll_column_, image_rect_.top, 1, h), scroll_column_,
                   0);
  } else {
    if (!(scroll_ && bar_position_ >= w)) DrawBar();
    const bool selected = sel_start_ >= 0 && sel_end_ >= 0;
    // The selection is drawn for the copy only: the stored image keeps its
    // columns as they were, so later copies do not invert them again.
    const size_t size = static_cast<size_t>((w * dib.BitsPerPixel() / 8 + 3) & ~3) * static_cast<size_t>(h);
    if (selected) {
      selection_kept_.assign(dib.PixelBits(), dib.PixelBits() + size);
      DrawSelection(true, colors_[5]);
      DrawSelection(false, colors_[6]);
    }
    if (dc) dib.DrawToDC(dc, vcl::Rect(image_rect_.left, image_rect_.top, w, h), 0, 0);
    if (selected) std::memcpy(dib.PixelBits(), selection_kept_.data(), size);
    full_repaint_ = false;
  }
  if (scroll_ && bar_position_ < w) {
    if (accelerate_) DrawBar();
    ++scroll_column_;
    ++bar_position_;
  } else if (scroll_ && accelerate_) {
    const int b = BevelExtent();
    const int side = b + (draw_scale_ ? kScaleWidth : 0);
    plat::RECT r = vcl::Rect(Left() + side, Top() + b, Left() + Width() - side, Top() + Height() - b);
    r.right -= std::max(bar_width_ - 1, 0);
    ScrollScreen(r);
  } else if (scroll_) {
    TMMDIBCanvas::DIB_CopyRect(dib.PixelBits(), 0, 0, w - 1, h, 1, 0);
  } else {
    if (accelerate_) DrawBar();
    if (++scroll_column_ >= w) scroll_column_ = 0;
    if (++bar_position_ >= w) bar_position_ = 0;
  }
}

void TMMSpectrogram::ScrollScreen(const plat::RECT& rect) {
  vcl::TWinControl* parent = Parent();
  if (!parent || !parent->HandleAllocated()) return;
  plat::ScrollWindowEx(parent->Handle(), -1, 0, &rect, &rect, nullptr, nullptr, 0);
}

void TMMSpectrogram::DrawBar() {
  if (bar_width_ <= 0) return;
  const int32_t n = std::max(freq_divisions_, 1);
  const int32_t h = image_height_;
  auto tick = [&](int32_t i) { return h - static_cast<int32_t>(static_cast<int64_t>(h - 1) * i / n) - 1; };
  if (accelerate_) {
    vcl::TCanvas* c = Canvas();
    if (!c->HandleAllocated()) return;
    c->Pen()->SetMode(vcl::pmCopy);
    c->Pen()->SetColor(colors_[2]);
    c->Pen()->SetWidth(1);
    const int x = image_rect_.left + bar_position_;
    c->MoveTo(x, image_rect_.top);
    c->LineTo(x, image_rect_.bottom);
    for (int32_t i = 0; i <= n; ++i) c->SetPixels(x, BevelExtent() + tick(i), colors_[3]);
    return;
  }
  vcl::TCanvas* c = DIBCanvas();
  c->Pen()->SetMode(vcl::pmCopy);
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(colors_[2]);
  const vcl::TRect r = scroll_column_ < bar_position_ ? vcl::Rect(scroll_column_ + 1, 0, bar_position_ + 1, h)
                                                      : vcl::Rect(0, 0, bar_position_ + 1, h);
  c->FillRect(r);
  c->Pen()->SetColor(colors_[3]);
  for (int32_t i = 0; i <= n; ++i) {
    c->MoveTo(r.left, tick(i));
    c->LineTo(r.right, tick(i));
  }
}

void TMMSpectrogram::DrawSelection(bool filled, vcl::TColor color) {
  TMMDIBCanvas& dib = *DIBCanvas();
  const int32_t h = dib.Height();
  dib.DIB_SetTColor(color);
  if (filled) {
    TMMDIBCanvas::DIB_XorRect(vcl::Rect(sel_start_, 0, sel_end_ + 1, h));
    return;
  }
  TMMDIBCanvas::DIB_HLineDashed(sel_start_, sel_end_ + 1, 0);
  TMMDIBCanvas::DIB_HLineDashed(sel_start_, sel_end_ + 1, h - 1);
  TMMDIBCanvas::DIB_VLineDashed(sel_start_, 0, h - 1);
  TMMDIBCanvas::DIB_VLineDashed(sel_end_, 0, h - 1);
}

void TMMSpectrogram::DrawScales() {
  if (!draw_scale_) return;
  const int height = Height();
  const int b = BevelExtent();
  vcl::TBitmap bitmap;
  bitmap.SetWidth(kScaleWidth);
  bitmap.SetHeight(height);
  vcl::TCanvas* c = bitmap.Canvas();
  c->Font()->SetColor(colors_[0]);
  c->Pen()->SetColor(colors_[1]);
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(Parent() ? Parent()->Color() : Color());
  const int32_t n = std::max(freq_divisions_, 1);
  const std::vector<std::string> labels =
      SpectrogramScaleLabels(sample_rate_, frequency_scale_, frequency_base_, n);
  const bool khz = frequency_base_ == 0 && frequency_scale_ == 1;
  auto y_of = [&](int32_t i) {
    return height - b - static_cast<int32_t>(static_cast<int64_t>(image_height_ - 1) * i / n) - 1;
  };
  auto text = [&](int x, int y, const std::string& s, int orientation) {
    plat::HDC dc = c->Handle();
    plat::SetTextColor(dc, static_cast<plat::COLORREF>(vcl::ColorToRGB(colors_[0])));
    plat::SetBkMode(dc, plat::TRANSPARENT);
    engine::DrawRotatedText(dc, x, y, s, "ARIAL", 10, orientation);
  };
  c->FillRect(vcl::Rect(0, 0, kScaleWidth, height));
  c->MoveTo(31, height - b - 1);
  for (int32_t i = 0; i <= n; ++i) {
    c->LineTo(31, y_of(i));
    c->LineTo(28, y_of(i));
    c->MoveTo(31, y_of(i));
    text(26, y_of(i), labels[static_cast<size_t>(i)], 1);
  }
  if (khz) text(2, height - 5, "KHz", 0);
  Canvas()->Draw(-3, 0, &bitmap);
  c->FillRect(vcl::Rect(0, 0, kScaleWidth, height));
  c->MoveTo(0, height - b - 1);
  for (int32_t i = 0; i <= n; ++i) {
    c->LineTo(0, y_of(i));
    c->LineTo(3, y_of(i));
    c->MoveTo(0, y_of(i));
    text(6, y_of(i), labels[static_cast<size_t>(i)], 0);
  }
  if (khz) text(13, height - 5, "KHz", 0);
  Canvas()->Draw(Width() - 29, 0, &bitmap);
}

void TMMSpectrogram::Paint() {
  Lock lock(DisplayLock());
  vcl::TCanvas* c = Canvas();
  vcl::TRect r = ClientRect();
  if (draw_scale_) {
    c->Brush()->SetColor(Parent() ? Parent()->Color() : Color());
    c->Brush()->SetStyle(vcl::bsSolid);
    c->FillRect(vcl::Rect(29, 0, 32, Height()));
    c->FillRect(vcl::Rect(Width() - 32, 0, Width() - 29, Height()));
    r.left += kScaleWidth;
    r.right -= kScaleWidth;
  }
  Bevel()->Paint(c, r, true);
  DrawScales();
  DrawSpectrogram(true);
}

void TMMSpectrogram::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT: {
      // Before the canvas lock the paint takes: display lock, then canvas lock.
      Lock lock(DisplayLock());
      return inherited::Dispatch(message);
    }
    case vcl::CM_CANCELMODE:
    case plat::WM_CAPTURECHANGED:
      CancelMouseModes();
      break;
    case vcl::CM_VISIBLECHANGED:
      if (!Visible()) CancelMouseModes();
      break;
    default:
      break;
  }
  inherited::Dispatch(message);
}

// ---- selection ----

void TMMSpectrogram::SetSelection(int32_t start, int32_t finish, bool redraw) {
  bool changed;
  {
    Lock lock(DisplayLock());
    const int32_t old_start = sel_start_;
    const int32_t old_end = sel_end_;
    auto clamp = [&](int32_t v) { return v < 0 ? -1 : std::min(v, image_width_); };
    if (start != sel_start_) sel_start_ = clamp(start);
    if (finish != sel_end_) sel_end_ = clamp(finish);
    if (sel_start_ > sel_end_) std::swap(sel_start_, sel_end_);
    if (sel_end_ - sel_start_ <= 0) sel_start_ = sel_end_ = -1;
    changed = sel_start_ != old_start || sel_end_ != old_end;
  }
  if (redraw && changed) Refresh();
}

void TMMSpectrogram::DoSelecting(int32_t min, int32_t max) {
  SetSelection(min, max, true);
  if (OnSelecting) OnSelecting(this, min, max);
}

void TMMSpectrogram::DoSelectEnd(int32_t min, int32_t max) {
  SetSelection(min, max, false);
  if (OnSelectEnd) OnSelectEnd(this, min, max);
}

bool TMMSpectrogram::NearSelStart(int x) const {
  const int l = image_rect_.left;
  return x >= 0 && x <= Width() && sel_start_ >= 0 && l + sel_start_ - 3 <= x && x <= l + sel_start_ + 2;
}

bool TMMSpectrogram::NearSelEnd(int x) const {
  const int l = image_rect_.left;
  return x >= 0 && x <= Width() && sel_end_ >= 0 && l + sel_end_ - 2 <= x && x <= l + sel_end_ + 3;
}

bool TMMSpectrogram::InSelection(int x) const {
  const int l = image_rect_.left;
  return x >= 0 && x <= Width() && sel_start_ >= 0 && sel_end_ >= 0 && l + sel_start_ <= x &&
         x <= l + sel_end_;
}

void TMMSpectrogram::EndSelectDrag() {
  if (!select_dragging_) return;
  select_dragging_ = false;
  SetMouseCapture(false);
  if (vcl::Screen) vcl::Screen->SetCursor(vcl::crDefault);
  if (sel_end_ == sel_start_ + 1 || sel_end_ == sel_start_ - 1) DoSelecting(-1, -1);
  DoSelectEnd(sel_start_, sel_end_);
}

void TMMSpectrogram::CancelMouseModes() {
  Lock lock(DisplayLock());
  EndSelectDrag();
  EndReadout();
}

// ---- mouse ----

void TMMSpectrogram::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  {
    Lock lock(DisplayLock());
    if (button == vcl::mbLeft && !DesignMode() && Enabled() && show_info_ && !readout_active_) {
      vcl::TPoint tl = ClientToScreen(vcl::TPoint{image_rect_.left, image_rect_.top});
      vcl::TPoint br = ClientToScreen(vcl::TPoint{image_rect_.right, image_rect_.bottom});
      plat::RECT confine{tl.x, tl.y, br.x, br.y};
      plat::ClipCursor(&confine);
      readout_active_ = true;
      saved_show_hint_ = ShowHint();
      if (saved_show_hint_) {
        SetShowHint(false);
        Update();
      }
      // The box is drawn over what the user sees, which an accelerated
      // scroll has moved on from the DIB.
      TMMDIBCanvas& dib = *DIBCanvas();
      dib.Handle();
      DrawControlNow(
          *this, [&] { dib.CopyRect(vcl::Rect(0, 0, image_width_, image_height_), Canvas(), image_rect_); });
      const size_t size = static_cast<size_t>((image_width_ * dib.BitsPerPixel() / 8 + 3) & ~3) *
                          static_cast<size_t>(image_height_);
      readout_image_.assign(dib.PixelBits(), dib.PixelBits() + size);
      readout_box_ = vcl::Rect(0, 0, 0, 0);
      ShowReadout(vcl::TPoint{x, y});
    } else if (button == vcl::mbRight && !DesignMode() && Enabled() && use_selection_ && !locked_ &&
               !select_dragging_) {
      const vcl::TRect client = BevelClientRect();
      if (plat::PtInRect(&client, vcl::TPoint{x, y})) {
        select_dragging_ = true;
        drag_moving_ = false;
        SetMouseCapture(true);
        const int l = image_rect_.left;
        if (NearSelStart(x)) {
          drag_anchor_ = sel_end_;
        } else if (NearSelEnd(x)) {
          drag_anchor_ = sel_start_;
        } else if (InSelection(x)) {
          if (vcl::Screen) vcl::Screen->SetCursor(kCursorMoveSelection);
          drag_moving_ = true;
          drag_anchor_ = x - l;
          drag_min_delta_ = -sel_start_;
          drag_max_delta_ = image_width_ - 1 - sel_end_;
        } else {
          if (vcl::Screen) vcl::Screen->SetCursor(vcl::crSizeWE);
          drag_anchor_ = std::clamp(x - l, 0, image_width_);
          DoSelecting(-1, -1);
          DoSelecting(drag_anchor_, drag_anchor_ + 1);
        }
      }
    }
  }
  inherited::MouseDown(button, shift, x, y);
}

void TMMSpectrogram::MouseMove(vcl::TShiftState shift, int x, int y) {
  Lock lock(DisplayLock());
  if (select_dragging_ && use_selection_ && !locked_) {
    const int l = image_rect_.left;
    x = engine::IntClampEither(x, l, image_rect_.right - 1);
    if (drag_moving_) {
      const int32_t d = std::clamp(x - l - drag_anchor_, drag_min_delta_, drag_max_delta_);
      DoSelecting(sel_start_ + d, sel_end_ + d);
      drag_anchor_ += d;
      drag_min_delta_ -= d;
      drag_max_delta_ -= d;
    } else {
      DoSelecting(drag_anchor_, std::clamp(x - l, 0, image_width_));
    }
    inherited::MouseMove(shift, x, y);
    return;
  }
  inherited::MouseMove(shift, x, y);
  if (readout_active_) {
    if (show_info_) ShowReadout(vcl::TPoint{x, y});
    return;
  }
  const vcl::TCursor cursor = Cursor();
  if (use_selection_ && !locked_) {
    if (NearSelStart(x) || NearSelEnd(x))
      SetCursor(vcl::crSizeWE);
    else if (InSelection(x))
      SetCursor(kCursorInSelection);
    else if (cursor == vcl::crSizeWE || cursor == kCursorInSelection || cursor == kCursorSelectionEdge)
      SetCursor(vcl::crDefault);
  } else if (cursor != vcl::crCross && cursor != vcl::crHourGlass) {
    SetCursor(vcl::crDefault);
  }
}

void TMMSpectrogram::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  {
    Lock lock(DisplayLock());
    if (button == vcl::mbRight && select_dragging_)
      EndSelectDrag();
    else if (button == vcl::mbLeft && readout_active_)
      EndReadout();
  }
  inherited::MouseUp(button, shift, x, y);
}

// ---- read-out ----

void TMMSpectrogram::EndReadout() {
  if (!readout_active_) return;
  if (Enabled()) ShowReadout(vcl::TPoint{-1, -1});
  readout_active_ = false;
  readout_image_.clear();
  plat::ClipCursor(nullptr);
  SetShowHint(saved_show_hint_);
}

void TMMSpectrogram::ShowReadout(vcl::TPoint p) {
  Lock lock(DisplayLock());
  if (!readout_active_ || readout_image_.empty()) return;
  TMMDIBCanvas& dib = *DIBCanvas();
  dib.Handle();
  const int32_t w = image_width_;
  const int32_t h = image_height_;
  {
    TDIBDrawingPass pass(dib);
    const vcl::TRect old = readout_box_;
    if (old.right > old.left && old.bottom > old.top)
      TMMDIBCanvas::DIB_CopyRect(readout_image_.data(), old.left, old.top, old.right - old.left,
                                 old.bottom - old.top, old.left, old.top);
    readout_box_ = vcl::Rect(0, 0, 0, 0);
    if (plat::PtInRect(&image_rect_, p)) {
      char text[48];
      std::snprintf(text, sizeof text, "%2.3f KHz", static_cast<double>(FrequencyAt(p)) / 1000);
      dib.Font()->SetName("MS Sans Serif");
      dib.Font()->SetSize(8);
      dib.Font()->SetStyle({});
      dib.Font()->SetColor(vcl::clInfoText);
      const int tw = dib.TextWidth(text);
      const int th = dib.TextHeight(text);
      vcl::TRect box;
      box.left = p.x - image_rect_.left;
      box.top = p.y - image_rect_.top + 15;
      box.right = box.left + tw + 4;
      box.bottom = box.top + th + 2;
      if (box.bottom > h) {
        box.top -= 40;
        box.bottom -= 40;
      }
      if (box.right > w) {
        box.left -= box.right - w;
        box.right = w;
      }
      if (box.top < 0) {
        box.top = 0;
        box.bottom = th + 2;
      }
      dib.Brush()->SetColor(vcl::clWhite);
      dib.Brush()->SetStyle(vcl::bsSolid);
      dib.Pen()->SetColor(vcl::clBlack);
      dib.Rectangle(box);
      dib.Brush()->SetStyle(vcl::bsClear);
      vcl::TRect text_rect = box;
      plat::DrawTextA(dib.Handle(), text, -1, &text_rect,
                      plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX);
      dib.Brush()->SetStyle(vcl::bsSolid);
      // What the box covers, within the image, is put back exactly.
      readout_box_ = vcl::Rect(std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, w),
                               std::min(box.bottom, h));
    }
  }
  DrawControlNow(*this, [&] {
    TDIBDrawingPass pass(dib);
    dib.DrawToDC(Canvas()->Handle(), vcl::Rect(image_rect_.left, image_rect_.top, w, h), 0, 0);
  });
}

}  // namespace displays
