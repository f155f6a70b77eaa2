#pragma once
// What every analysis display offers the connector that feeds it: the format
// of the data, how many bytes one refresh consumes, the refresh itself and a
// reset. The connector holds displays of any kind through this interface.
//
// Threads: SetWaveFormat and ResetData come from the thread that changes the
// connector's links or stream state; RefreshPCMData comes on the thread that
// runs the connector's pass (the main thread, or the delivering thread of a
// connector that is not real-time) and draws there. Each display therefore
// guards its state with its own display lock, taken in its pass, in calls
// like ShowLevel, in its timer procedures, in layout changes and in Paint.
// Lock order: connector lock, display lock, canvas lock, DIB drawing lock,
// GDI lock. A timer client is never added, suspended, resumed or removed
// while a display lock is held (the timer's thread takes the display lock
// inside its own).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <mutex>

#include "engine/MMTypes.h"
#include "platform/mm/MMSystem.h"

namespace displays {

class TMMDisplayProtocol {
 public:
  virtual ~TMMDisplayProtocol() = default;

  // `format` is PCM with 8 or 16 bits; the caller owns it for the call. A
  // display raises its own error with "Invalid WaveFormat" unless the format
  // passes IsValidPCMFormat, and keeps its settings then.
  virtual void SetWaveFormat(const plat::WAVEFORMATEX* format) = 0;
  // Bytes of PCM data one refresh consumes; kept current by the display.
  virtual int32_t BytesPerRefresh() const = 0;
  // At least BytesPerRefresh valid bytes lie from `data` on.
  virtual void RefreshPCMData(const void* data) = 0;
  // Clears levels, held peaks, history and the picture of the data, and
  // repaints.
  virtual void ResetData() = 0;

  // Sample width and channels of the last accepted format.
  virtual engine::TMMBits BitLength() const = 0;
  virtual engine::TMMMode Mode() const = 0;
  // Read by the connector of the oscilloscopes and spectrograms only.
  virtual bool Scroll() const { return false; }
  virtual bool Accelerate() const { return false; }
  virtual int32_t FFTLength() const { return 0; }

  std::recursive_mutex& DisplayLock() const { return display_lock_; }

 private:
  mutable std::recursive_mutex display_lock_;
};

// Shape and fill direction of level meters and their scales.
enum TMMLevelKind : uint8_t { lkHorizontal, lkVertical };
enum TMMLevelDirection : uint8_t { dirNormal, dirReversed, dirSymetric };
// How the level meters and the spectrum let a shown value fall back.
enum TMMDecayMode : uint8_t { dmNone, dmStepUp, dmExponential, dmUniform };
// The fall of dmStepUp and dmExponential for Decay 1..16: 0.0001 with the
// square root taken Decay times (0.01 for 1).
inline double DecayFactorOf(int32_t decay) {
  double factor = 0.0001;
  for (int32_t i = 0; i < decay; ++i) factor = std::sqrt(factor);
  return factor;
}
// The values dmUniform averages for Decay 1..16: (Decay - 1) x 2 within 1..32.
inline int32_t UniformDecayLength(int32_t decay) { return std::clamp((decay - 1) * 2, 1, 32); }

}  // namespace displays
