#include "platform/mm/WaveClock.h"

#include <algorithm>
#include <cstring>

namespace plat::wave {

namespace {

// Frames handed over per step, so a long stretch never needs a large buffer.
constexpr int64_t kChunkFrames = 16384;

int64_t CeilDiv(int64_t a, int64_t b) { return a >= 0 ? (a + b - 1) / b : -((-a) / b); }

}  // namespace

int64_t ClockStream::GridFrame(int64_t us) const {
  const int64_t rate = format_.nSamplesPerSec;
  // Split to keep the product in range for any clock value.
  return (us / 1'000'000) * rate + (us % 1'000'000) * rate / 1'000'000;
}

int64_t ClockStream::FrameTime(int64_t grid_frame) const {
  const int64_t rate = format_.nSamplesPerSec;
  return (grid_frame / rate) * 1'000'000 + CeilDiv((grid_frame % rate) * 1'000'000, rate);
}

void ClockStream::Update(WavePort& port, int64_t now) {
  const size_t align = format_.nBlockAlign;
  if (port.direction() == Direction::kOut) {
    BYTE none = 0;
    port.Play(&none, 0);  // headers of no length complete as soon as they are reached
  }
  if (!running_) return;
  const int64_t target = frames_before_run_ + GridFrame(now) - run_start_;
  while (processed_ < target) {
    const int64_t grid = run_start_ + processed_ - frames_before_run_;
    const int64_t frames = target - processed_;
    if (port.direction() == Direction::kIn) {
      const size_t room = port.CaptureRoom();
      const int64_t fit = std::min<int64_t>(frames, CeilDiv(static_cast<int64_t>(room), align));
      scratch_.resize(static_cast<size_t>(fit) * align);
      if (fit > 0) Produce(scratch_.data(), fit, grid, frames);
      const size_t taken = std::min(room, scratch_.size());
      port.Capture(scratch_.data(), taken);
      port.CaptureLost(static_cast<size_t>(frames) * align - taken);
      processed_ = target;
    } else if (!port.HasData()) {
      Consume(nullptr, 0, frames, grid);
      processed_ = target;
    } else {
      const int64_t step = std::min(frames, kChunkFrames);
      scratch_.resize(static_cast<size_t>(step) * align);
      const size_t played = port.Play(scratch_.data(), scratch_.size());
      Consume(scratch_.data(), played, step, grid);
      processed_ += step;
    }
  }
}

int64_t ClockStream::NextDeadline(const WavePort& port) const {
  if (!running_) return waitcore::kNoDeadline;
  const int64_t bytes = port.BytesToCompletion();
  if (bytes < 0) return waitcore::kNoDeadline;
  const int64_t frames = CeilDiv(bytes, format_.nBlockAlign);
  return FrameTime(run_start_ + processed_ + frames - frames_before_run_);
}

void ClockStream::RunChanged(WavePort& port, int64_t now) {
  running_ = port.running();
  if (running_) {
    run_start_ = GridFrame(now);
    frames_before_run_ = processed_;
  }
}

void ClockStream::Produce(BYTE* out, int64_t frames, int64_t, int64_t) {
  std::memset(out, SilenceByte(format_), static_cast<size_t>(frames) * format_.nBlockAlign);
}

void ClockStream::Consume(const BYTE*, size_t, int64_t, int64_t) {}

int ReadSample(const BYTE* frame, const WAVEFORMATEX& format, int channel) {
  if (format.wBitsPerSample == 8) return (static_cast<int>(frame[channel]) - 128) << 8;
  int16_t s;
  std::memcpy(&s, frame + channel * 2, 2);
  return s;
}

void ConvertFrame(const BYTE* source, const WAVEFORMATEX& sf, BYTE* target, const WAVEFORMATEX& tf) {
  if (sf.nChannels == tf.nChannels && sf.wBitsPerSample == tf.wBitsPerSample) {
    std::memcpy(target, source, tf.nBlockAlign);
    return;
  }
  for (int c = 0; c < tf.nChannels; ++c) {
    int v;
    if (tf.nChannels == 1 && sf.nChannels > 1) {
      int sum = 0;
      for (int k = 0; k < sf.nChannels; ++k) sum += ReadSample(source, sf, k);
      v = sum / sf.nChannels;
    } else {
      v = ReadSample(source, sf, std::min<int>(c, sf.nChannels - 1));
    }
    if (tf.wBitsPerSample == 8) {
      target[c] = static_cast<BYTE>((v >> 8) + 128);
    } else {
      const auto s = static_cast<int16_t>(v);
      std::memcpy(target + c * 2, &s, 2);
    }
  }
}

}  // namespace plat::wave
