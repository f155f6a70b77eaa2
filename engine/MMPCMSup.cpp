#include "engine/MMPCMSup.h"

#include <bit>
#include <cstring>

namespace engine {

static_assert(std::endian::native == std::endian::little, "PCM data is little-endian");

namespace {

constexpr int32_t kUnityGain = 16384;

// Sample buffers come at any byte offset, so 16-bit access goes through memcpy.
int16_t Load16(const uint8_t* p) {
  int16_t v;
  std::memcpy(&v, p, 2);
  return v;
}

void Store16(uint8_t* p, int16_t v) { std::memcpy(p, &v, 2); }

struct Layout {
  bool eight_bit;
  bool stereo;
};

Layout LayoutOf(const plat::WAVEFORMATEX& format) {
  return {format.wBitsPerSample == 8, format.nChannels != 1};
}

// Samples per channel over whole frames only.
int32_t FrameCount(Layout layout, int32_t bytes) {
  if (bytes <= 0) return 0;
  return bytes / ((layout.eight_bit ? 1 : 2) * (layout.stereo ? 2 : 1));
}

int16_t Silence(Layout layout) { return layout.eight_bit ? 128 : 0; }

}  // namespace

bool IsValidPCMFormat(const plat::WAVEFORMATEX* format) {
  if (format == nullptr || format->wFormatTag != plat::WAVE_FORMAT_PCM) return false;
  const plat::WORD channels = format->nChannels;
  return (format->wBitsPerSample == 8 || format->wBitsPerSample == 16) &&
         (channels == 1 || channels == 2 || channels == 4) && format->nSamplesPerSec >= 4000 &&
         format->nSamplesPerSec <= 100000;
}

void BuildPCMFormat(plat::WAVEFORMATEX& format, int32_t bits, int32_t channels, int32_t rate) {
  format.wFormatTag = plat::WAVE_FORMAT_PCM;
  format.nChannels = static_cast<plat::WORD>(channels);
  format.nSamplesPerSec = static_cast<plat::DWORD>(rate);
  format.wBitsPerSample = static_cast<plat::WORD>(bits);
  format.nBlockAlign = static_cast<plat::WORD>(bits * channels / 8);
  format.nAvgBytesPerSec = static_cast<plat::DWORD>(format.nBlockAlign) * format.nSamplesPerSec;
  format.cbSize = 0;
}

int32_t ConvertPCMBits(int32_t dest_bits, void* dest, int32_t src_bits, const void* src, int32_t src_bytes) {
  if (dest == nullptr || src == nullptr || src_bytes <= 0) return 0;
  auto* out = static_cast<uint8_t*>(dest);
  const auto* in = static_cast<const uint8_t*>(src);
  if (dest_bits == src_bits) {
    std::memmove(out, in, static_cast<size_t>(src_bytes));
    return src_bytes;
  }
  if (src_bits == 8 && dest_bits == 16) {
    for (int32_t i = 0; i < src_bytes; ++i) Store16(out + 2 * i, static_cast<int16_t>((in[i] - 128) * 256));
    return 2 * src_bytes;
  }
  if (src_bits == 16 && dest_bits == 8) {
    const int32_t count = src_bytes / 2;
    for (int32_t i = 0; i < count; ++i) out[i] = static_cast<uint8_t>(Load16(in + 2 * i) / 256 + 128);
    return count;
  }
  // Other widths would divide by a zero sample size or misread the data.
  return 0;
}

bool ApplyPCMGain(const plat::WAVEFORMATEX* format, void* buffer, int32_t bytes, int32_t left_gain,
                  int32_t right_gain) {
  if (format == nullptr || format->wFormatTag != plat::WAVE_FORMAT_PCM || buffer == nullptr) return false;
  const Layout layout = LayoutOf(*format);
  if (left_gain == kUnityGain && (!layout.stereo || right_gain == kUnityGain)) return false;
  const int32_t frames = FrameCount(layout, bytes);
  const int channels = layout.stereo ? 2 : 1;
  const int32_t gains[2] = {left_gain, right_gain};
  auto* p = static_cast<uint8_t*>(buffer);
  bool clipped = false;
  auto scale = [&](int32_t s, int32_t gain, int32_t lo, int32_t hi) {
    // 64-bit product: large gains must clip, not wrap.
    int64_t v = (static_cast<int64_t>(s) * gain) >> 14;
    if (v > hi) {
      v = hi;
      clipped = true;
    } else if (v < lo) {
      v = lo;
      clipped = true;
    }
    return static_cast<int32_t>(v);
  };
  for (int32_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const int32_t i = f * channels + c;
      if (layout.eight_bit)
        p[i] = static_cast<uint8_t>(scale(p[i] - 128, gains[c], -128, 127) + 128);
      else
        Store16(p + 2 * i, static_cast<int16_t>(scale(Load16(p + 2 * i), gains[c], -32768, 32767)));
    }
  }
  return clipped;
}

int16_t ClipToByteRange(int16_t value) {
  if (value > 127) return 127;
  if (value < -128) return -128;
  return value;
}

int16_t ClipToWordRange(int32_t value) {
  if (value > 32767) return 32767;
  if (value < -32768) return -32768;
  return static_cast<int16_t>(value);
}

void FindPeakSamples(const plat::WAVEFORMATEX* format, const void* buffer, int32_t bytes, int16_t& left_peak,
                     int16_t& right_peak) {
  left_peak = right_peak = 0;
  if (format == nullptr) return;
  const Layout layout = LayoutOf(*format);
  const int16_t silence = Silence(layout);
  int16_t peak[2] = {silence, silence};
  int32_t distance[2] = {0, 0};
  const int32_t frames = buffer != nullptr ? FrameCount(layout, bytes) : 0;
  const int channels = layout.stereo ? 2 : 1;
  const auto* p = static_cast<const uint8_t*>(buffer);
  for (int32_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const int32_t i = f * channels + c;
      const int16_t v = layout.eight_bit ? p[i] : Load16(p + 2 * i);
      const int32_t d = v > silence ? v - silence : silence - v;
      if (d > distance[c]) {
        distance[c] = d;
        peak[c] = v;
      }
    }
  }
  left_peak = peak[0];
  right_peak = layout.stereo ? peak[1] : peak[0];
}

void FindMinMaxOrdered(const plat::WAVEFORMATEX* format, const void* buffer, int32_t bytes,
                       int16_t& left_first, int16_t& left_second, int16_t& right_first,
                       int16_t& right_second) {
  left_first = left_second = right_first = right_second = 0;
  if (format == nullptr) return;
  const Layout layout = LayoutOf(*format);
  const int16_t silence = Silence(layout);
  const int32_t frames = buffer != nullptr ? FrameCount(layout, bytes) : 0;
  if (frames == 0) {
    left_first = left_second = right_first = right_second = silence;
    return;
  }
  const int channels = layout.stereo ? 2 : 1;
  const auto* p = static_cast<const uint8_t*>(buffer);
  // The running maximum starts at the smallest value, so a block that sits at
  // negative full scale reports that value and not one it never held.
  int32_t lo[2], hi[2], lo_frame[2] = {0, 0}, hi_frame[2] = {0, 0};
  for (int c = 0; c < 2; ++c) {
    lo[c] = layout.eight_bit ? 127 : 32767;
    hi[c] = layout.eight_bit ? -128 : -32768;
  }
  for (int32_t f = 0; f < frames; ++f) {
    for (int c = 0; c < channels; ++c) {
      const int32_t i = f * channels + c;
      const int32_t v = layout.eight_bit ? p[i] - 128 : Load16(p + 2 * i);
      if (v < lo[c]) {
        lo[c] = v;
        lo_frame[c] = f;
      }
      if (v > hi[c]) {
        hi[c] = v;
        hi_frame[c] = f;
      }
    }
  }
  const int32_t bias = layout.eight_bit ? 128 : 0;
  int16_t first[2], second[2];
  for (int c = 0; c < channels; ++c) {
    const bool max_first = hi_frame[c] < lo_frame[c];
    first[c] = static_cast<int16_t>((max_first ? hi[c] : lo[c]) + bias);
    second[c] = static_cast<int16_t>((max_first ? lo[c] : hi[c]) + bias);
  }
  const int r = layout.stereo ? 1 : 0;
  left_first = first[0];
  left_second = second[0];
  right_first = first[r];
  right_second = second[r];
}

int32_t FindLevelCrossing(const plat::WAVEFORMATEX* format, const void* buffer, int32_t bytes,
                          int32_t channel, int32_t slope, int32_t level) {
  if (format == nullptr || buffer == nullptr || bytes <= 0 || (slope != 1 && slope != 2)) return -1;
  const Layout layout = LayoutOf(*format);
  const int64_t signed_level = slope == 2 ? -static_cast<int64_t>(level) : level;
  const int64_t t = layout.eight_bit ? signed_level * 127 / 100 + 128 : signed_level * 327;
  auto crosses = [&](int64_t a, int64_t b) { return slope == 1 ? (a < t && t <= b) : (a > t && t >= b); };
  const auto* p = static_cast<const uint8_t*>(buffer);

  if (!layout.stereo) {
    if (layout.eight_bit) {
      for (int32_t k = 0; k + 2 < bytes; ++k)
        if (crosses(p[k], p[k + 1])) return k + 1;
    } else {
      const int32_t n = bytes & ~1;
      for (int32_t k = 0; 2 * k + 4 < n; ++k)
        if (crosses(Load16(p + 2 * k), Load16(p + 2 * k + 2))) return 2 * k + 2;
    }
    return -1;
  }
  if (layout.eight_bit) {
    const int32_t n = bytes & ~1;
    for (int32_t i = 0; i + 4 < n; i += 2) {
      if (channel != 2 && crosses(p[i], p[i + 2])) return i + 2;
      if (channel != 1 && crosses(p[i + 1], p[i + 3])) return i + 3;
    }
    return -1;
  }
  // 16-bit stereo searches one channel and reports whole frames.
  const int32_t n = bytes & ~3;
  const int32_t c = channel == 2 ? 2 : 0;
  for (int32_t i = 0; i + 8 < n; i += 4) {
    if (crosses(Load16(p + i + c), Load16(p + i + 4 + c))) return i + 4;
    if (crosses(Load16(p + i + 4 + c), Load16(p + i + 8 + c))) return i + 8;
  }
  return -1;
}

}  // namespace engine
