#pragma once
// The timing of the virtual devices: a stream that moves one frame per
// sample period of the layer's clock, on a grid of whole frames counted from
// the clock's origin, so two devices of one rate see the same frame at the
// same time and a manual clock completes buffers exactly.
#include <cstdint>
#include <vector>

#include "platform/mm/WaveDriver.h"

namespace plat::wave {

class ClockStream : public WaveStream {
 public:
  explicit ClockStream(const WAVEFORMATEX& format) : format_(format) {}
  void Update(WavePort& port, int64_t now) override;
  int64_t NextDeadline(const WavePort& port) const override;
  void RunChanged(WavePort& port, int64_t now) override;

 protected:
  // held. Capture: fill `frames` frames at `out` with what the device hears
  // from grid frame `grid_frame` on; `passed` frames pass in all (the rest
  // found no buffer).
  virtual void Produce(BYTE* out, int64_t frames, int64_t grid_frame, int64_t passed);
  // held. Playback: `data_bytes` bytes were played from grid frame
  // `grid_frame` on, then silence up to `frames` frames.
  virtual void Consume(const BYTE* data, size_t data_bytes, int64_t frames, int64_t grid_frame);

  // The grid frame at clock time `us` (floor), and the clock time a grid frame begins.
  int64_t GridFrame(int64_t us) const;
  int64_t FrameTime(int64_t grid_frame) const;

  const WAVEFORMATEX format_;

 private:
  bool running_ = false;
  int64_t run_start_ = 0;          // grid frame where the current run began
  int64_t frames_before_run_ = 0;  // stream frames of the earlier runs
  int64_t processed_ = 0;          // stream frames handed over so far
  std::vector<BYTE> scratch_;
};

// One sample of frame `frame` channel `channel`, scaled to 16 bits.
int ReadSample(const BYTE* frame, const WAVEFORMATEX& format, int channel);
// Converts one frame between PCM formats: missing channels repeat the last
// one, a mono target takes the mean of the source channels.
void ConvertFrame(const BYTE* source, const WAVEFORMATEX& source_format, BYTE* target,
                  const WAVEFORMATEX& target_format);

}  // namespace plat::wave
