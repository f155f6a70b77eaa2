#pragma once
// The light organ: three lights, bass, middle and treble, whose brightness
// follows three frequency bands of the audio. Each refresh runs an FFT over
// one block, lets the bin magnitudes decay, combines the bins of each band by
// peak, average or RMS and sets each light's brightness. The lights are drawn
// once, as circles or shaded spheres, into the 8-bit DIB in palette entries
// reserved for animation; a refresh only changes those entries and copies the
// DIB to the screen.
//
// Threads: the refresh, ResetData, the writers, the layout, Rebuild and Paint
// take the display lock (MMDisplay.h), so a refresh on a delivering thread
// never meets a DIB that the main thread is re-creating.
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "displays/MMDIBDisp.h"
#include "displays/MMDisplay.h"
#include "engine/MMFFT.h"
#include "engine/MMTypes.h"
#include "engine/MMVisual.h"

namespace displays {

class EMMLightError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// How the bins of a band become one level.
enum TMMLightPeakMode : uint8_t { pmRMS, pmPeak, pmAverage };
enum TMMLightKind : uint8_t { lkCircle, lkSphere };
enum TMMLightArrange : uint8_t { laLine, laTriangle };

constexpr int32_t kLightCount = 3;
// Three spheres of this many rings fill the palette's animated block.
constexpr int32_t kMaxSphereZones = 78;

// The bins of each band: first..end - 1, or the single bin `first` when end
// is 0; first is -1 for a band whose bins all belong to the band below.
struct TMMLightBands {
  std::array<int32_t, kLightCount> first{};
  std::array<int32_t, kLightCount> end{};
};
// Edges at 0 Hz and the geometric means of 150, 750 and 1750 Hz.
TMMLightBands LightBandMap(int32_t sample_rate, int32_t fft_length);
// One band's level; each bin counts once. A band with no bins of its own
// (first < 0) is dark.
int32_t LightBandLevel(const int32_t* magnitudes, int32_t first, int32_t end, TMMLightPeakMode mode);
// Brightness 0..255 of ring z (0 the outermost) of a sphere of zone_count
// rings lit at br.
int32_t LightShade(int32_t z, int32_t br, int32_t zone_count, double horz, double vert);

// Where the lights stand in an image of width x height: `area` is the block
// they fill, centred in the image; light b is a disc of radius s around
// centre[b]. No light fits when s <= 0.
struct TMMLightGeometry {
  vcl::TRect area{};
  int32_t s = 0;
  int32_t d = 0;
  std::array<vcl::TPoint, kLightCount> centre{};
};
TMMLightGeometry LightGeometry(int32_t width, int32_t height, TMMLightArrange arrange, int32_t triangle_dist);

class TMMLight : public TMMDIBGraphicControl, public TMMDisplayProtocol {
  VCL_DECLARE_CLASS(TMMLight, TMMDIBGraphicControl)
 public:
  static constexpr int32_t kMaxFFTLength = 4096;
  static constexpr int32_t kRingCount = 32;

  explicit TMMLight(vcl::TComponent* owner);
  ~TMMLight() override;

  using TMMDIBGraphicControl::Bevel;
  using TMMDIBGraphicControl::PaletteMapped;
  using TMMDIBGraphicControl::PaletteRealize;
  using TMMDIBGraphicControl::SetBevel;
  using TMMDIBGraphicControl::SetPaletteMapped;
  using TMMDIBGraphicControl::SetPaletteRealize;

  // ---- display protocol ----
  // Takes rate, bits and channels.
  void SetWaveFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BytesPerRefresh() const override { return bytes_per_refresh_; }
  void RefreshPCMData(const void* data) override;
  void ResetData() override;
  engine::TMMBits BitLength() const override { return bit_length_; }
  engine::TMMMode Mode() const override { return mode_; }
  int32_t FFTLength() const override { return fft_length_; }

  // ---- published ----
  void SetEnabled(bool value) override;
  void SetMode(engine::TMMMode value);
  void SetBitLength(engine::TMMBits value);
  engine::TMMChannel Channel() const { return channel_; }
  void SetChannel(engine::TMMChannel value);
  int32_t SampleRate() const { return sample_rate_; }
  // Clamped to 8000..100000; any written value other than the stored one
  // rebuilds.
  void SetSampleRate(int32_t value);
  // Clamped to 8..4096 and rounded down to a power of two.
  void SetFFTLength(int32_t value);
  engine::TMMFFTWindow Window() const { return window_; }
  void SetWindow(engine::TMMFFTWindow value);
  TMMDecayMode DecayMode() const { return decay_mode_; }
  void SetDecayMode(TMMDecayMode value);
  int32_t Decay() const { return decay_; }
  // Clamped to 1..16.
  void SetDecay(int32_t value);
  // Percent, 0..1000.
  int32_t AmplitudeScale() const { return Level(0); }
  void SetAmplitudeScale(int32_t value) { SetLevel(0, value); }
  // 0..1000; 100 lights the bass fully at a level of 5100.
  int32_t GainBass() const { return Level(1); }
  void SetGainBass(int32_t value) { SetLevel(1, value); }
  int32_t GainMiddle() const { return Level(2); }
  void SetGainMiddle(int32_t value) { SetLevel(2, value); }
  int32_t GainTreble() const { return Level(3); }
  void SetGainTreble(int32_t value) { SetLevel(3, value); }
  TMMLightPeakMode PeakMode() const { return peak_mode_; }
  void SetPeakMode(TMMLightPeakMode value);
  TMMLightKind Kind() const { return kind_; }
  // Switching to spheres brings ZoneCount down to kMaxSphereZones.
  void SetKind(TMMLightKind value);
  TMMLightArrange Arrange() const { return arrange_; }
  void SetArrange(TMMLightArrange value);
  int32_t TriangleDist() const { return triangle_dist_; }
  // At least 2.
  void SetTriangleDist(int32_t value);
  // Shading of the spheres, 0..10000.
  float SphereHorz() const { return sphere_horz_; }
  void SetSphereHorz(float value);
  float SphereVert() const { return sphere_vert_; }
  void SetSphereVert(float value);
  int32_t ZoneCount() const { return zone_count_; }
  // At least 1; with spheres more than kMaxSphereZones raises EMMLightError
  // and keeps the stored count.
  void SetZoneCount(int32_t value);

  // ---- read-outs ----
  // The decay factor of dmStepUp and dmExponential, and the uniform length.
  float DecayFactor() const { return decay_factor_; }
  int32_t RingLength() const { return ring_length_; }
  TMMLightBands Bands() const;
  // Light b's level and the brightness last set (-1: none yet).
  int32_t LightLevel(int32_t b) const;
  int32_t LightBrightness(int32_t b) const;
  // Bin magnitudes after decay, FFTLength / 2 of them.
  std::vector<int32_t> Magnitudes() const;
  // The image: ImageWidth x ImageHeight inside the bevel.
  vcl::TRect ImageRect() const { return image_rect_; }

  // Clears the image to Color and draws the lights; clears the analysis state.
  void Rebuild();
  // Sets the lights from the magnitudes and copies the DIB to the control's
  // canvas when it has a DC.
  void DrawLights();

  void SetBounds(int left, int top, int width, int height) override;
  // Only 8: palette animation has nothing to change at 24 bits.
  void SetBitsPerPixel(int32_t value) override;

  vcl::TNotifyEvent OnPcmOverflow;
  engine::TDragDropEvent OnDragDrop;
  engine::TDragOverEvent OnDragOver;
  engine::TEndDragEvent OnEndDrag;
  engine::TStartDragEvent OnStartDrag;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  virtual void PcmOverflow();

  void Loaded() override;
  void Paint() override;
  void Changed() override;
  void CMColorChanged(vcl::TMessage& message) override;

 private:
  int32_t Level(int index) const;
  void SetLevel(int index, int32_t value);
  bool Loading() const { return ComponentState().Contains(vcl::csLoading); }
  // The writers whose change redraws the image.
  template <class T>
  void StoreAndRebuild(T& field, T value);
  void UpdateBytesPerRefresh();
  void BuildBandMap();
  void ClearState();
  void ClearDecay();
  void ResetLights();
  // Reads the block into the FFT buffer, windowed; fires PcmOverflow.
  void ReadSamples(const void* data);
  void UpdateMagnitudes();
  void UpdateLights();
  vcl::TColor LightColor(int32_t b, int32_t br) const;
  void DrawLightShapes();
  // Copies the DIB inside the bevel when the control canvas has a DC.
  void CopyToCanvas();

  bool ready_ = false;
  engine::PMMFFTObject fft_ = nullptr;
  std::vector<float> work_;
  std::vector<int16_t> fft_data_;
  std::vector<int32_t> window_table_;
  std::vector<std::vector<int32_t>> decay_ring_;
  std::vector<int32_t> magnitudes_;
  std::vector<float> decay_hold_;
  std::vector<int32_t> decay_sum_;
  std::array<int32_t, kLightCount> brightness_{-1, -1, -1};
  std::array<int32_t, kLightCount> levels_{};
  TMMLightBands bands_{};

  int32_t decay_ = 1;
  TMMDecayMode decay_mode_ = dmNone;
  // Kept at 0.0001 until Decay is first changed.
  float decay_factor_ = 0.0001f;
  int32_t ring_length_ = 1;
  int32_t ring_fill_ = 0;
  int32_t ring_index_ = 0;
  int32_t fft_length_ = 8;
  int32_t sample_rate_ = 11025;
  float amp_factor_ = 1.0f;
  std::array<float, kLightCount> gains_{0.05f, 0.05f, 0.05f};
  engine::TMMFFTWindow window_ = engine::fwHamming;
  engine::TMMBits bit_length_ = engine::b8Bit;
  engine::TMMChannel channel_ = engine::chBoth;
  engine::TMMMode mode_ = engine::mMono;
  // Channels of a frame: Mode + 1, or the format's count.
  int32_t channels_ = 1;
  std::atomic<int32_t> bytes_per_refresh_{8};
  vcl::TRect image_rect_{0, 0, 4, 4};
  int32_t image_width_ = 4;
  int32_t image_height_ = 4;
  TMMLightPeakMode peak_mode_ = pmPeak;
  TMMLightKind kind_ = lkCircle;
  TMMLightArrange arrange_ = laLine;
  int32_t triangle_dist_ = 10;
  float sphere_horz_ = 1.0f;
  float sphere_vert_ = 1.0f;
  int32_t zone_count_ = 60;
};

}  // namespace displays
