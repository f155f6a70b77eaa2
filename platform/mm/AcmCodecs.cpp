#include "platform/mm/AcmCodecs.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plat::acm {

namespace {

// Tail of the subtype identifier shared by the base wave formats; the first
// four bytes hold the format tag.
constexpr BYTE kSubtypeTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

WORD ReadWord(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

bool ValidRateAndChannels(const WAVEFORMATEX& wfx) {
  return wfx.nChannels >= 1 && wfx.nChannels <= kMaxChannels && wfx.nSamplesPerSec >= kMinRate &&
         wfx.nSamplesPerSec <= kMaxRate;
}

// Plain sample formats must have the block align their bits and channels give.
std::optional<FormatInfo> Plain(const WAVEFORMATEX& wfx, SampleKind kind, WORD tag, WORD bits) {
  if (!ValidRateAndChannels(wfx)) return std::nullopt;
  if (wfx.nBlockAlign != wfx.nChannels * bits / 8) return std::nullopt;
  FormatInfo f;
  f.kind = kind;
  f.tag = tag;
  f.channels = wfx.nChannels;
  f.rate = wfx.nSamplesPerSec;
  f.bits = bits;
  f.block_align = wfx.nBlockAlign;
  return f;
}

float Clip(float x) {
  if (std::isnan(x)) return 0.0f;
  return std::clamp(x, -1.0f, 1.0f);
}

void DecodeImaBlock(const BYTE* block, WORD channels, DWORD frames, float* out) {
  for (WORD ch = 0; ch < channels; ++ch) {
    const BYTE* head = block + 4 * ch;
    int predictor = static_cast<int16_t>(ReadWord(head));
    // A corrupt step index must not read past the table.
    int index = std::min<int>(head[2], 88);
    out[ch] = static_cast<float>(predictor) / 32768.0f;
    DWORD frame = 1;
    // After the headers, each channel contributes 4 bytes (8 samples, low
    // nibble first) in turn.
    const BYTE* data = block + 4 * channels;
    for (size_t group = 0; frame < frames; ++group) {
      const BYTE* bytes = data + (group * channels + ch) * 4;
      for (int b = 0; b < 8 && frame < frames; ++b, ++frame) {
        int nibble = (b & 1) ? (bytes[b / 2] >> 4) : (bytes[b / 2] & 0x0F);
        int step = kImaStepTable[index];
        int diff = step >> 3;
        if (nibble & 1) diff += step >> 2;
        if (nibble & 2) diff += step >> 1;
        if (nibble & 4) diff += step;
        predictor += (nibble & 8) ? -diff : diff;
        predictor = std::clamp(predictor, -32768, 32767);
        index = std::clamp(index + kImaIndexTable[nibble], 0, 88);
        out[frame * channels + ch] = static_cast<float>(predictor) / 32768.0f;
      }
    }
  }
}

}  // namespace

DWORD ImaFramesPerBlock(WORD block_align, WORD channels) {
  if (channels == 0 || block_align <= 4u * channels) return 0;
  DWORD data = block_align - 4u * channels;
  if (data % (4u * channels) != 0) return 0;
  return data * 2 / channels + 1;
}

std::optional<FormatInfo> DescribeSource(const WAVEFORMATEX& wfx) {
  switch (wfx.wFormatTag) {
    case WAVE_FORMAT_PCM:
      if (wfx.wBitsPerSample != 8 && wfx.wBitsPerSample != 16 && wfx.wBitsPerSample != 24 &&
          wfx.wBitsPerSample != 32)
        return std::nullopt;
      return Plain(wfx, SampleKind::Pcm, WAVE_FORMAT_PCM, wfx.wBitsPerSample);
    case kTagIeeeFloat:
      if (wfx.wBitsPerSample != 32 && wfx.wBitsPerSample != 64) return std::nullopt;
      return Plain(wfx, SampleKind::Float, kTagIeeeFloat, wfx.wBitsPerSample);
    case WAVE_FORMAT_ALAW:
    case WAVE_FORMAT_MULAW:
      if (wfx.wBitsPerSample != 8) return std::nullopt;
      return Plain(wfx, wfx.wFormatTag == WAVE_FORMAT_ALAW ? SampleKind::ALaw : SampleKind::MuLaw,
                   wfx.wFormatTag, 8);
    case WAVE_FORMAT_IMA_ADPCM: {
      if (!ValidRateAndChannels(wfx) || wfx.wBitsPerSample != 4) return std::nullopt;
      DWORD frames = ImaFramesPerBlock(wfx.nBlockAlign, wfx.nChannels);
      if (frames == 0) return std::nullopt;
      if (wfx.cbSize >= 2) {
        WORD declared = ReadWord(reinterpret_cast<const BYTE*>(&wfx + 1));
        if (declared != 0 && declared != frames) return std::nullopt;
      }
      FormatInfo f;
      f.kind = SampleKind::ImaAdpcm;
      f.tag = WAVE_FORMAT_IMA_ADPCM;
      f.channels = wfx.nChannels;
      f.rate = wfx.nSamplesPerSec;
      f.bits = 4;
      f.block_align = wfx.nBlockAlign;
      f.frames_per_block = frames;
      return f;
    }
    case kTagExtensible: {
      if (wfx.cbSize < 22) return std::nullopt;
      const BYTE* extra = reinterpret_cast<const BYTE*>(&wfx + 1);
      WORD valid_bits = ReadWord(extra);
      const BYTE* subtype = extra + 6;
      if (std::memcmp(subtype + 4, kSubtypeTail, sizeof kSubtypeTail) != 0) return std::nullopt;
      if (subtype[2] != 0 || subtype[3] != 0) return std::nullopt;
      WORD tag = ReadWord(subtype);
      if (valid_bits > wfx.wBitsPerSample) return std::nullopt;
      // Samples sit left-justified in their container, so the container width
      // alone decides the scale.
      WAVEFORMATEX plain = wfx;
      plain.wFormatTag = tag;
      plain.cbSize = 0;
      if (tag != WAVE_FORMAT_PCM && tag != kTagIeeeFloat) return std::nullopt;
      return DescribeSource(plain);
    }
    default:
      return std::nullopt;
  }
}

std::optional<FormatInfo> DescribeDest(const WAVEFORMATEX& wfx) {
  if (wfx.wFormatTag != WAVE_FORMAT_PCM) return std::nullopt;
  if (wfx.wBitsPerSample != 8 && wfx.wBitsPerSample != 16) return std::nullopt;
  return Plain(wfx, SampleKind::Pcm, WAVE_FORMAT_PCM, wfx.wBitsPerSample);
}

bool CanMapChannels(WORD from, WORD to) {
  if (from == 0 || to == 0) return false;
  return from == to || to == 1 || from == 1 || (from == 2 && to == 4) || (from == 4 && to == 2);
}

int16_t MuLawToLinear(BYTE v) {
  int u = ~v & 0xFF;
  int t = (((u & 0x0F) << 3) + 0x84) << ((u & 0x70) >> 4);
  return static_cast<int16_t>((u & 0x80) ? (0x84 - t) : (t - 0x84));
}

int16_t ALawToLinear(BYTE v) {
  int a = v ^ 0x55;
  int t = (a & 0x0F) << 4;
  int seg = (a & 0x70) >> 4;
  if (seg == 0) {
    t += 8;
  } else {
    t = (t + 0x108) << (seg - 1);
  }
  return static_cast<int16_t>((a & 0x80) ? t : -t);
}

void DecodeBlocks(const FormatInfo& f, const BYTE* src, size_t blocks, float* out) {
  if (f.kind == SampleKind::ImaAdpcm) {
    for (size_t b = 0; b < blocks; ++b)
      DecodeImaBlock(src + b * f.block_align, f.channels, f.frames_per_block,
                     out + b * f.frames_per_block * f.channels);
    return;
  }
  size_t n = blocks * f.channels;
  switch (f.kind) {
    case SampleKind::Pcm:
      switch (f.bits) {
        case 8:
          for (size_t i = 0; i < n; ++i) out[i] = (static_cast<int>(src[i]) - 128) / 128.0f;
          break;
        case 16:
          for (size_t i = 0; i < n; ++i) out[i] = static_cast<int16_t>(ReadWord(src + 2 * i)) / 32768.0f;
          break;
        case 24:
          for (size_t i = 0; i < n; ++i) {
            const BYTE* p = src + 3 * i;
            int32_t v =
                static_cast<int32_t>((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24));
            out[i] = static_cast<float>(v / 2147483648.0);
          }
          break;
        default:
          for (size_t i = 0; i < n; ++i) {
            int32_t v;
            std::memcpy(&v, src + 4 * i, 4);
            out[i] = static_cast<float>(v / 2147483648.0);
          }
          break;
      }
      break;
    case SampleKind::Float:
      if (f.bits == 32) {
        for (size_t i = 0; i < n; ++i) {
          float v;
          std::memcpy(&v, src + 4 * i, 4);
          out[i] = Clip(v);
        }
      } else {
        for (size_t i = 0; i < n; ++i) {
          double v;
          std::memcpy(&v, src + 8 * i, 8);
          out[i] = std::isnan(v) ? 0.0f : static_cast<float>(std::clamp(v, -1.0, 1.0));
        }
      }
      break;
    case SampleKind::ALaw:
      for (size_t i = 0; i < n; ++i) out[i] = ALawToLinear(src[i]) / 32768.0f;
      break;
    case SampleKind::MuLaw:
      for (size_t i = 0; i < n; ++i) out[i] = MuLawToLinear(src[i]) / 32768.0f;
      break;
    case SampleKind::ImaAdpcm:
      break;
  }
}

void MapChannels(const float* in, WORD in_channels, float* out, WORD out_channels, size_t frames) {
  if (in_channels == out_channels) {
    std::memmove(out, in, frames * in_channels * sizeof(float));
    return;
  }
  for (size_t i = 0; i < frames; ++i) {
    const float* src = in + i * in_channels;
    float* dst = out + i * out_channels;
    if (out_channels == 1) {
      float sum = 0.0f;
      for (WORD c = 0; c < in_channels; ++c) sum += src[c];
      dst[0] = sum / in_channels;
    } else if (in_channels == 1) {
      for (WORD c = 0; c < out_channels; ++c) dst[c] = src[0];
    } else if (in_channels == 2) {  // to four: front and rear get the same pair
      dst[0] = dst[2] = src[0];
      dst[1] = dst[3] = src[1];
    } else {  // four to two: front and rear of each side
      dst[0] = (src[0] + src[2]) * 0.5f;
      dst[1] = (src[1] + src[3]) * 0.5f;
    }
  }
}

void EncodePcm(const FormatInfo& f, const float* in, size_t frames, BYTE* out) {
  size_t n = frames * f.channels;
  if (f.bits == 8) {
    for (size_t i = 0; i < n; ++i) {
      long v = std::lrint(Clip(in[i]) * 128.0f);
      out[i] = static_cast<BYTE>(std::clamp(v, -128L, 127L) + 128);
    }
  } else {
    for (size_t i = 0; i < n; ++i) {
      long v = std::clamp(std::lrint(Clip(in[i]) * 32768.0f), -32768L, 32767L);
      uint16_t u = static_cast<uint16_t>(static_cast<int16_t>(v));
      out[2 * i] = static_cast<BYTE>(u & 0xFF);
      out[2 * i + 1] = static_cast<BYTE>(u >> 8);
    }
  }
}

}  // namespace plat::acm
