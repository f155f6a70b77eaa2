#include "displays/MMLight.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

#include "engine/MMMath.h"
#include "engine/MMMulDiv.h"
#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Messages.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

using engine::TMMBits;
using engine::TMMChannel;
using engine::TMMMode;
using Lock = std::lock_guard<std::recursive_mutex>;

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;
constexpr int32_t kMinSampleRate = 8000;
constexpr int32_t kMaxSampleRate = 100000;
constexpr int32_t kMinFFTLength = 8;
constexpr int32_t kMaxLevel = 1000;
constexpr float kAmpUnit = 0.01f;
constexpr float kGainUnit = 0.0005f;
// Far beyond any useful shading, near enough that the products stay exact.
constexpr float kMaxSphereFactor = 10000.0f;

int32_t TruncToInt(double value) {
  constexpr double lo = std::numeric_limits<int32_t>::min();
  constexpr double hi = std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(std::trunc(std::clamp(value, lo, hi)));
}

int32_t Log2(int32_t power_of_two) {
  int32_t order = 0;
  while ((1 << (order + 1)) <= power_of_two) ++order;
  return order;
}

float SphereFactor(float value) {
  return std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, kMaxSphereFactor);
}

}  // namespace

// ---- routines ----

TMMLightBands LightBandMap(int32_t sample_rate, int32_t fft_length) {
  // The edges are the geometric means of the centres, as Singles.
  static const float kEdges[kLightCount] = {0.0f, std::sqrt(150.0f * 750.0f), std::sqrt(750.0f * 1750.0f)};
  TMMLightBands bands;
  const int32_t half = fft_length / 2;
  for (int b = 0; b < kLightCount; ++b) {
    const double bin = std::nearbyint(static_cast<double>(kEdges[b]) / sample_rate * fft_length);
    bands.first[b] = static_cast<int32_t>(std::clamp(bin, 0.0, static_cast<double>(half)));
    if (b > 0) bands.end[b - 1] = bands.first[b];
  }
  bands.end[kLightCount - 1] = half - 1;
  for (int b = 0; b < kLightCount; ++b)
    if (bands.end[b] <= bands.first[b] + 1) bands.end[b] = 0;
  for (int b = kLightCount - 1; b > 0; --b) {
    if (bands.first[b] == bands.first[b - 1]) {
      bands.first[b] = -1;
      bands.end[b] = 0;
    }
  }
  return bands;
}

int32_t LightBandLevel(const int32_t* magnitudes, int32_t first, int32_t end, TMMLightPeakMode mode) {
  if (first < 0) return 0;
  const int32_t stop = end > first ? end : first + 1;
  const int32_t count = stop - first;
  switch (mode) {
    case pmPeak:
      return *std::max_element(magnitudes + first, magnitudes + stop);
    case pmAverage: {
      int64_t sum = 0;
      for (int32_t i = first; i < stop; ++i) sum += magnitudes[i];
      return static_cast<int32_t>(sum / count);
    }
    default: {
      double sum = 0;
      for (int32_t i = first; i < stop; ++i) sum += static_cast<double>(magnitudes[i]) * magnitudes[i];
      return TruncToInt(std::sqrt(sum / count));
    }
  }
}

int32_t LightShade(int32_t z, int32_t br, int32_t zone_count, double horz, double vert) {
  if (horz <= 0 || vert <= 0 || zone_count <= 0) return 0;
  const double zones = zone_count;
  double k = zone_count - z - 1;
  if (k > zones * horz) k = std::trunc(zones * horz);
  const double r = k / horz;
  // Rounding may leave the square root a hair below zero at the rim.
  const double u = std::trunc(vert * std::sqrt(std::max(zones * zones - r * r, 0.0)));
  const int32_t w = TruncToInt(u * 255 / (zones * vert));
  return static_cast<int32_t>(static_cast<int64_t>(br) * w / 255);
}

TMMLightGeometry LightGeometry(int32_t width, int32_t height, TMMLightArrange arrange,
                               int32_t triangle_dist) {
  TMMLightGeometry g;
  // 64-bit: a huge TriangleDist must leave the image blank, not wrap.
  int64_t w = width;
  int64_t h = height;
  const int64_t d = triangle_dist / 2;
  int64_t s;
  bool column = false;
  if (arrange == laTriangle) {
    w = std::min(w, h);
    s = (w - 4 * d) / 4;
    w = 4 * (s + d);
    h = static_cast<int64_t>((std::sqrt(3.0) + 2) * static_cast<double>(s + d));
  } else if (h > w) {
    column = true;
    if (h / 3 > w)
      h = 3 * w;
    else
      w = h / 3;
    s = (h / 3) / 2 - d;
  } else {
    if (w / 3 > h)
      w = 3 * h;
    else
      h = w / 3;
    s = (w / 3) / 2 - d;
  }
  if (s <= 0) return g;
  const auto left = static_cast<int32_t>((width - w) / 2);
  const auto top = static_cast<int32_t>((height - h) / 2);
  g.area = vcl::Rect(left, top, left + static_cast<int32_t>(w), top + static_cast<int32_t>(h));
  g.s = static_cast<int32_t>(s);
  g.d = static_cast<int32_t>(d);
  const int32_t si = g.s;
  const int32_t di = g.d;
  const int32_t wi = static_cast<int32_t>(w);
  const int32_t hi = static_cast<int32_t>(h);
  for (int32_t b = 0; b < kLightCount; ++b) {
    vcl::TPoint c;
    if (arrange == laTriangle) {
      static const int32_t kSide[kLightCount] = {-1, 0, 1};
      c.x = wi / 2 + kSide[b] * (si + di);
      c.y = b == 1 ? hi - di - si : si + di;
    } else {
      const int32_t along = 2 * b * si + (2 * b + 1) * di + si;
      c.x = column ? di + si : along;
      c.y = column ? along : di + si;
    }
    g.centre[static_cast<size_t>(b)] = vcl::TPoint{left + c.x, top + c.y};
  }
  return g;
}

// ---- TMMLight ----

TMMLight::TMMLight(vcl::TComponent* owner)
    : TMMDIBGraphicControl(owner),
      work_(kMaxFFTLength),
      fft_data_(kMaxFFTLength),
      window_table_(kMaxFFTLength),
      decay_ring_(kRingCount, std::vector<int32_t>(kMaxFFTLength / 2)),
      magnitudes_(kMaxFFTLength / 2),
      decay_hold_(kMaxFFTLength / 2),
      decay_sum_(kMaxFFTLength / 2) {
  SetPaletteRealize(true);
  fft_ = engine::CreateFFT(Log2(fft_length_));
  SetFFTLength(128);
  SetColor(vcl::clBlack);
  ready_ = true;
  SetBounds(Left(), Top(), 194, 90);
}

TMMLight::~TMMLight() { engine::FreeFFT(fft_); }

// ---- display protocol ----

void TMMLight::SetWaveFormat(const plat::WAVEFORMATEX* format) {
  if (!engine::IsValidPCMFormat(format))
    throw EMMLightError(engine::LoadLibraryMessage(kInvalidWaveFormatMessage));
  Lock lock(DisplayLock());
  SetSampleRate(static_cast<int32_t>(format->nSamplesPerSec));
  bit_length_ = static_cast<TMMBits>(format->wBitsPerSample / 8 - 1);
  // More than two channels are valid PCM: frames of that many samples, of
  // which the first two are read.
  mode_ = static_cast<TMMMode>(std::min<int32_t>(format->nChannels - 1, engine::mMultiChannel));
  channels_ = format->nChannels;
  UpdateBytesPerRefresh();
}

void TMMLight::UpdateBytesPerRefresh() { bytes_per_refresh_ = (bit_length_ + 1) * channels_ * fft_length_; }

void TMMLight::RefreshPCMData(const void* data) {
  Lock lock(DisplayLock());
  if (!data || !Enabled() || !Visible()) return;
  ReadSamples(data);
  engine::RealFFT(fft_, work_.data(), 1);
  const double half = fft_length_ / 2;
  for (int32_t i = 0; i < fft_length_; ++i) {
    // Saturated: a loud high tone behind the window can pass 16 bits.
    const double v = std::trunc(work_[static_cast<size_t>(i)] / half);
    fft_data_[static_cast<size_t>(i)] = static_cast<int16_t>(std::clamp(v, -32767.0, 32767.0));
  }
  UpdateMagnitudes();
  UpdateLights();
  DrawControlNow(*this, [this] { CopyToCanvas(); });
}

void TMMLight::ReadSamples(const void* data) {
  const auto* p = static_cast<const uint8_t*>(data);
  const bool wide = bit_length_ == engine::b16Bit;
  const int32_t sample_bytes = wide ? 2 : 1;
  const int32_t frame_bytes = sample_bytes * std::max(channels_, 1);
  auto sample = [&](const uint8_t* at) -> int32_t {
    if (!wide) return *at;
    int16_t v;  // at any byte offset
    std::memcpy(&v, at, 2);
    return v;
  };
  const int32_t single_top = wide ? 32767 : 255;
  for (int32_t i = 0; i < fft_length_; ++i, p += frame_bytes) {
    int32_t s;
    int32_t top = single_top;
    if (channels_ < 2 || channel_ == engine::chLeft) {
      s = sample(p);
    } else if (channel_ == engine::chRight) {
      s = sample(p + sample_bytes);
    } else {
      const int32_t sum = sample(p) + sample(p + sample_bytes);
      s = wide ? sum / 2 : sum >> 1;
      if (wide) top = 32766;
    }
    if (s >= top) PcmOverflow();
    const int32_t table = window_table_[static_cast<size_t>(i)];
    const int32_t w = wide ? engine::MulDiv32(s, table, 32768) : engine::MulDiv32(s - 128, table, 128);
    work_[static_cast<size_t>(i)] = static_cast<float>(w);
  }
}

void TMMLight::UpdateMagnitudes() {
  // At or past the end: a length shortened outside dmUniform leaves the index
  // beyond it.
  if (++ring_index_ >= ring_length_) ring_index_ = 0;
  ring_fill_ = std::min(ring_fill_ + 1, ring_length_);
  std::vector<int32_t>& ring = decay_ring_[static_cast<size_t>(ring_index_)];
  const double factor = decay_factor_;
  for (size_t k = 0; k < static_cast<size_t>(fft_length_ / 2); ++k) {
    const int64_t re = fft_data_[2 * k];
    const int64_t im = fft_data_[2 * k + 1];
    int32_t v = TruncToInt(std::sqrt(static_cast<double>(re * re + im * im)) * amp_factor_);
    switch (decay_mode_) {
      case dmStepUp: {
        float& hold = decay_hold_[k];
        hold = static_cast<float>(hold * factor);
        if (v >= hold)
          hold = static_cast<float>(v);
        else
          v = TruncToInt(hold);
        break;
      }
      case dmExponential: {
        float& hold = decay_hold_[k];
        hold = static_cast<float>(hold * factor + (1 - factor) * v);
        v = engine::FloatFloor(hold);
        break;
      }
      case dmUniform:
        decay_sum_[k] += v - ring[k];
        ring[k] = v;
        v = decay_sum_[k] / ring_fill_;
        break;
      default:
        break;
    }
    magnitudes_[k] = v;
  }
}

void TMMLight::ResetData() {
  {
    Lock lock(DisplayLock());
    ClearState();
  }
  Refresh();
}

void TMMLight::PcmOverflow() {
  if (OnPcmOverflow) OnPcmOverflow(this);
}

// ---- state ----

void TMMLight::ClearDecay() {
  ring_index_ = 0;
  ring_fill_ = 0;
  const auto bins = static_cast<size_t>(fft_length_ / 2);
  std::fill_n(decay_hold_.begin(), bins, 0.0f);
  std::fill_n(decay_sum_.begin(), bins, 0);
  for (std::vector<int32_t>& ring : decay_ring_) std::fill_n(ring.begin(), bins, 0);
}

void TMMLight::ResetLights() {
  brightness_.fill(-1);
  levels_.fill(0);
}

void TMMLight::ClearState() {
  const auto bins = static_cast<size_t>(fft_length_ / 2);
  if (Enabled() && DesignMode()) {
    // The designer shows lit lights.
    std::minstd_rand random(plat::GetTickCount());
    std::uniform_int_distribution<int32_t> level(0, 32766);
    for (size_t k = 0; k < bins; ++k) magnitudes_[k] = level(random);
  } else {
    std::fill_n(magnitudes_.begin(), bins, 0);
    std::fill(fft_data_.begin(), fft_data_.end(), int16_t{0});
    ClearDecay();
  }
  ResetLights();
}

void TMMLight::BuildBandMap() {
  if (Loading()) return;
  bands_ = LightBandMap(sample_rate_, fft_length_);
}

TMMLightBands TMMLight::Bands() const {
  Lock lock(DisplayLock());
  return bands_;
}

int32_t TMMLight::LightLevel(int32_t b) const {
  Lock lock(DisplayLock());
  return levels_.at(static_cast<size_t>(b));
}

int32_t TMMLight::LightBrightness(int32_t b) const {
  Lock lock(DisplayLock());
  return brightness_.at(static_cast<size_t>(b));
}

std::vector<int32_t> TMMLight::Magnitudes() const {
  Lock lock(DisplayLock());
  return {magnitudes_.begin(), magnitudes_.begin() + fft_length_ / 2};
}

// ---- lights ----

vcl::TColor TMMLight::LightColor(int32_t b, int32_t br) const {
  const auto v = static_cast<uint8_t>(br);
  switch (b) {
    case 0:
      return static_cast<vcl::TColor>(plat::RGB(v, 0, 0));
    case 1:
      return static_cast<vcl::TColor>(plat::RGB(0, v, 0));
    default:
      return static_cast<vcl::TColor>(plat::RGB(v, v, 0));
  }
}

void TMMLight::UpdateLights() {
  // Light b shows band b; a band without bins of its own stays dark rather
  // than taking the next band's level.
  for (size_t b = 0; b < kLightCount; ++b)
    levels_[b] = LightBandLevel(magnitudes_.data(), bands_.first[b], bands_.end[b], peak_mode_);
  TMMDIBCanvas& dib = *DIBCanvas();
  const int32_t zones = kind_ == lkSphere ? zone_count_ : 1;
  if (dib.AnimatedColorCount() < kLightCount * zones) return;
  static constexpr double kWeight[kLightCount] = {1, 2, 4};
  dib.BeginAnimate();
  plat::ScopeExit end([&] { dib.EndAnimate(); });
  for (int32_t b = 0; b < kLightCount; ++b) {
    const auto i = static_cast<size_t>(b);
    const int32_t br =
        std::clamp(TruncToInt(kWeight[i] * static_cast<double>(gains_[i]) * levels_[i]), 0, 255);
    if (br == brightness_[i]) continue;
    brightness_[i] = br;
    if (kind_ == lkCircle) {
      dib.SetAnimatedColor(b, LightColor(b, br));
    } else {
      for (int32_t z = 0; z < zones; ++z)
        dib.SetAnimatedColor(b * zones + z,
                             LightColor(b, LightShade(z, br, zones, sphere_horz_, sphere_vert_)));
    }
  }
}

void TMMLight::DrawLights() {
  Lock lock(DisplayLock());
  UpdateLights();
  CopyToCanvas();
}

void TMMLight::CopyToCanvas() {
  if (!Canvas()->HandleAllocated()) return;
  // The rectangle here is position and size.
  DIBCanvas()->DrawToDC(Canvas()->Handle(),
                        vcl::Rect(image_rect_.left, image_rect_.top, image_width_, image_height_), 0, 0);
}

void TMMLight::DrawLightShapes() {
  const TMMLightGeometry g = LightGeometry(image_rect_.right - image_rect_.left,
                                           image_rect_.bottom - image_rect_.top, arrange_, triangle_dist_);
  if (g.s <= 0) return;
  TMMDIBCanvas& dib = *DIBCanvas();
  for (int32_t b = 0; b < kLightCount; ++b) {
    const vcl::TPoint c = g.centre[static_cast<size_t>(b)];
    if (kind_ == lkCircle) {
      TMMDIBCanvas::DIB_SetColor(dib.AnimatedColorIndex(b));
      TMMDIBCanvas::DIB_FillEllipse(c.x, c.y, g.s, g.s);
      continue;
    }
    // Ever smaller concentric discs, outermost first.
    for (int32_t z = 0; z < zone_count_; ++z) {
      const int32_t dz = TruncToInt(2.0 * g.s / zone_count_ / 2 * z);
      const int32_t r = (2 * g.s - 2 * dz) / 2;
      TMMDIBCanvas::DIB_SetColor(dib.AnimatedColorIndex(b * zone_count_ + z));
      TMMDIBCanvas::DIB_FillEllipse(c.x, c.y, r, r);
    }
  }
}

void TMMLight::Rebuild() {
  if (!ready_ || Loading()) return;
  {
    Lock lock(DisplayLock());
    TMMDIBCanvas& dib = *DIBCanvas();
    dib.SetAnimatedColorCount(kind_ == lkSphere ? kLightCount * zone_count_ : kLightCount);
    TDIBDrawingPass pass(dib);
    dib.DIB_SetTColor(Color());
    TMMDIBCanvas::DIB_Clear();
    ClearState();
    DrawLightShapes();
  }
  Invalidate();
}

// ---- writers ----

void TMMLight::SetEnabled(bool value) {
  if (value == Enabled()) return;
  {
    Lock lock(DisplayLock());
    inherited::SetEnabled(value);
  }
  Rebuild();
}

void TMMLight::SetMode(TMMMode value) {
  if (value == mode_) return;
  Lock lock(DisplayLock());
  mode_ = value;
  channels_ = value + 1;
  UpdateBytesPerRefresh();
}

void TMMLight::SetBitLength(TMMBits value) {
  if (value == bit_length_) return;
  Lock lock(DisplayLock());
  bit_length_ = value;
  UpdateBytesPerRefresh();
}

void TMMLight::SetChannel(TMMChannel value) {
  if (value == channel_) return;
  Lock lock(DisplayLock());
  channel_ = value;
  UpdateBytesPerRefresh();
}

void TMMLight::SetSampleRate(int32_t value) {
  // Any other written value rebuilds, even one that clamps to the stored rate.
  if (value == sample_rate_) return;
  {
    Lock lock(DisplayLock());
    sample_rate_ = std::clamp(value, kMinSampleRate, kMaxSampleRate);
    BuildBandMap();
  }
  Rebuild();
}

void TMMLight::SetFFTLength(int32_t value) {
  value = std::clamp(value, kMinFFTLength, kMaxFFTLength);
  const int32_t order = Log2(value);
  value = 1 << order;
  if (value == fft_length_) return;
  {
    Lock lock(DisplayLock());
    engine::FreeFFT(fft_);
    fft_ = engine::CreateFFT(order);
    fft_length_ = value;
    engine::BuildFFTWindowTable(window_table_.data(), window_, order);
    BuildBandMap();
    UpdateBytesPerRefresh();
  }
  Rebuild();
}

void TMMLight::SetWindow(engine::TMMFFTWindow value) {
  if (value == window_) return;
  Lock lock(DisplayLock());
  window_ = value;
  engine::BuildFFTWindowTable(window_table_.data(), window_, Log2(fft_length_));
}

void TMMLight::SetDecayMode(TMMDecayMode value) {
  if (value == decay_mode_) return;
  Lock lock(DisplayLock());
  decay_mode_ = value;
  ClearDecay();
}

void TMMLight::SetDecay(int32_t value) {
  value = std::clamp(value, 1, 16);
  if (value == decay_) return;
  Lock lock(DisplayLock());
  decay_ = value;
  decay_factor_ = static_cast<float>(DecayFactorOf(value));
  ring_length_ = UniformDecayLength(value);
  if (decay_mode_ == dmUniform) ClearDecay();
}

int32_t TMMLight::Level(int index) const {
  const double factor = index == 0 ? amp_factor_ : gains_[static_cast<size_t>(index - 1)];
  return static_cast<int32_t>(std::nearbyint(factor / (index == 0 ? kAmpUnit : kGainUnit)));
}

void TMMLight::SetLevel(int index, int32_t value) {
  value = std::clamp(value, 0, kMaxLevel);
  if (value == Level(index)) return;
  Lock lock(DisplayLock());
  if (index == 0)
    amp_factor_ = static_cast<float>(value * static_cast<double>(kAmpUnit));
  else
    gains_[static_cast<size_t>(index - 1)] = static_cast<float>(value * static_cast<double>(kGainUnit));
  ClearState();
}

void TMMLight::SetPeakMode(TMMLightPeakMode value) {
  if (value == peak_mode_) return;
  {
    Lock lock(DisplayLock());
    peak_mode_ = value;
  }
  Refresh();
}

void TMMLight::SetKind(TMMLightKind value) {
  if (value == kind_) return;
  {
    Lock lock(DisplayLock());
    kind_ = value;
    // Three spheres of more rings than the palette's animated block holds
    // would fail every later rebuild.
    if (value == lkSphere) zone_count_ = std::min(zone_count_, kMaxSphereZones);
  }
  Rebuild();
}

template <class T>
void TMMLight::StoreAndRebuild(T& field, T value) {
  if (value == field) return;
  {
    Lock lock(DisplayLock());
    field = value;
  }
  Rebuild();
}

void TMMLight::SetArrange(TMMLightArrange value) { StoreAndRebuild(arrange_, value); }

void TMMLight::SetTriangleDist(int32_t value) { StoreAndRebuild(triangle_dist_, std::max(value, 2)); }

void TMMLight::SetSphereHorz(float value) { StoreAndRebuild(sphere_horz_, SphereFactor(value)); }

void TMMLight::SetSphereVert(float value) { StoreAndRebuild(sphere_vert_, SphereFactor(value)); }

void TMMLight::SetZoneCount(int32_t value) {
  value = std::max(value, 1);
  if (value == zone_count_) return;
  // Refused before it is stored; a description is brought into range by Loaded.
  if (kind_ == lkSphere && value > kMaxSphereZones && !Loading())
    throw EMMLightError("Invalid count of animated colors");
  {
    Lock lock(DisplayLock());
    zone_count_ = value;
  }
  Rebuild();
}

void TMMLight::SetBitsPerPixel(int32_t value) {
  if (value != 8) throw EMMLightError("Palette animation needs 8 bits per pixel");
  inherited::SetBitsPerPixel(value);
}

// ---- layout and painting ----

void TMMLight::SetBounds(int left, int top, int width, int height) {
  const int least = 2 * BevelExtent() + 5;
  Lock lock(DisplayLock());
  inherited::SetBounds(left, top, std::max(width, least), std::max(height, least));
  Changed();
}

void TMMLight::Changed() {
  if (!ready_) return;
  {
    Lock lock(DisplayLock());
    image_rect_ = BevelClientRect();
    image_width_ = std::max<int32_t>(image_rect_.right - image_rect_.left, 4);
    image_height_ = std::max<int32_t>(image_rect_.bottom - image_rect_.top, 4);
    DIBCanvas()->SetBounds(0, 0, image_width_, image_height_);
    Rebuild();
  }
  inherited::Changed();
}

void TMMLight::Loaded() {
  inherited::Loaded();
  {
    Lock lock(DisplayLock());
    if (kind_ == lkSphere) zone_count_ = std::min(zone_count_, kMaxSphereZones);
    BuildBandMap();
  }
  Rebuild();
}

void TMMLight::CMColorChanged(vcl::TMessage& message) {
  // The background is part of the image.
  Rebuild();
  inherited::CMColorChanged(message);
}

void TMMLight::Paint() {
  Lock lock(DisplayLock());
  inherited::Paint();
  DrawLights();
}

void TMMLight::Dispatch(vcl::TMessage& message) {
  if (message.Msg != plat::WM_PAINT) return inherited::Dispatch(message);
  // Before the canvas lock the paint takes, as a refresh does.
  Lock lock(DisplayLock());
  inherited::Dispatch(message);
}

VCL_IMPLEMENT_CLASS(
    TMMLight,
    EnumProp("Align", &TMMLight::Align, &TMMLight::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    ObjProp("Bevel", &TMMLight::Bevel, &TMMLight::SetBevel),
    ColorProp("Color", &TMMLight::Color, &TMMLight::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMLight::IsColorStored),
    BoolProp("ParentShowHint", &TMMLight::ParentShowHint, &TMMLight::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMLight::ShowHint, &TMMLight::SetShowHint)
        .Default(false)
        .Stored(&TMMLight::IsShowHintStored),
    BoolProp("Visible", &TMMLight::Visible, &TMMLight::SetVisible).Default(true),
    RefProp("PopupMenu", &TMMLight::PopupMenu, &TMMLight::SetPopupMenu),
    BoolProp("PaletteRealize", &TMMLight::PaletteRealize, &TMMLight::SetPaletteRealize).Default(true),
    BoolProp("PaletteMapped", &TMMLight::PaletteMapped, &TMMLight::SetPaletteMapped).Default(false),
    BoolProp("Enabled", &TMMLight::Enabled, &TMMLight::SetEnabled).Default(true),
    IntProp("Height", &TMMLight::Height, &TMMLight::SetHeight).Default(90),
    IntProp("Width", &TMMLight::Width, &TMMLight::SetWidth).Default(194),
    EnumProp("Mode", &TMMLight::Mode, &TMMLight::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(engine::mMono),
    EnumProp("BitLength", &TMMLight::BitLength, &TMMLight::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(engine::b8Bit),
    EnumProp("Channel", &TMMLight::Channel, &TMMLight::SetChannel, {"chBoth", "chLeft", "chRight"})
        .Default(engine::chBoth),
    IntProp("SampleRate", &TMMLight::SampleRate, &TMMLight::SetSampleRate).Default(11025),
    IntProp("FFTLength", &TMMLight::FFTLength, &TMMLight::SetFFTLength).Default(128),
    EnumProp("Window", &TMMLight::Window, &TMMLight::SetWindow,
             {"fwRectangular", "fwHamming", "fwHanning", "fwBlackman", "fwGaussian", "fwWelch", "fwParzen"})
        .Default(engine::fwHamming),
    EnumProp("DecayMode", &TMMLight::DecayMode, &TMMLight::SetDecayMode,
             {"dmNone", "dmStepUp", "dmExponential", "dmUniform"})
        .Default(dmNone),
    IntProp("Decay", &TMMLight::Decay, &TMMLight::SetDecay).Default(1),
    IntProp("AmplitudeScale", &TMMLight::AmplitudeScale, &TMMLight::SetAmplitudeScale),
    IntProp("GainBass", &TMMLight::GainBass, &TMMLight::SetGainBass).Default(100),
    IntProp("GainMiddle", &TMMLight::GainMiddle, &TMMLight::SetGainMiddle).Default(100),
    IntProp("GainTreble", &TMMLight::GainTreble, &TMMLight::SetGainTreble).Default(100),
    EnumProp("PeakMode", &TMMLight::PeakMode, &TMMLight::SetPeakMode, {"pmRMS", "pmPeak", "pmAverage"})
        .Default(pmPeak),
    EnumProp("Kind", &TMMLight::Kind, &TMMLight::SetKind, {"lkCircle", "lkSphere"}).Default(lkCircle),
    EnumProp("Arrange", &TMMLight::Arrange, &TMMLight::SetArrange, {"laLine", "laTriangle"}).Default(laLine),
    IntProp("TriangleDist", &TMMLight::TriangleDist, &TMMLight::SetTriangleDist).Default(10),
    // No default: always written, 0 included.
    FloatProp("SphereHorz", &TMMLight::SphereHorz, &TMMLight::SetSphereHorz)
        .Default(std::numeric_limits<double>::quiet_NaN()),
    FloatProp("SphereVert", &TMMLight::SphereVert, &TMMLight::SetSphereVert)
        .Default(std::numeric_limits<double>::quiet_NaN()),
    IntProp("ZoneCount", &TMMLight::ZoneCount, &TMMLight::SetZoneCount).Default(60),
    EventProp("OnPcmOverflow", &TMMLight::OnPcmOverflow), EventProp("OnClick", &TMMLight::OnClick),
    EventProp("OnDblClick", &TMMLight::OnDblClick), EventProp("OnMouseDown", &TMMLight::OnMouseDown),
    EventProp("OnMouseMove", &TMMLight::OnMouseMove), EventProp("OnMouseUp", &TMMLight::OnMouseUp),
    EventProp("OnDragDrop", &TMMLight::OnDragDrop), EventProp("OnDragOver", &TMMLight::OnDragOver),
    EventProp("OnEndDrag", &TMMLight::OnEndDrag), EventProp("OnStartDrag", &TMMLight::OnStartDrag))

}  // namespace displays
