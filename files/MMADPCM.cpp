#include "files/MMADPCM.h"

#include <algorithm>
#include <cstring>

#include "engine/MMPCMSup.h"

namespace files {

namespace {

constexpr ADPCMCOEFSET kStandardCoef[kMSADPCMNumCoef] = {{256, 0}, {512, -256}, {0, 0},     {192, 64},
                                                         {240, 0}, {460, -208}, {392, -232}};

constexpr int64_t kMaxDelta = 1 << 24;

constexpr int32_t kAdaptation[16] = {230, 230, 230, 230, 307, 409, 512, 614,
                                     768, 614, 512, 409, 307, 230, 230, 230};

// The extra data behind the 18-byte record; callers have checked cbSize.
const uint8_t* Extra(const plat::WAVEFORMATEX* f) { return reinterpret_cast<const uint8_t*>(f + 1); }

int16_t Load16(const uint8_t* p) { return static_cast<int16_t>(p[0] | (p[1] << 8)); }
uint16_t LoadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint16_t SamplesPerBlock(const plat::WAVEFORMATEX* f) { return LoadU16(Extra(f)); }
uint16_t NumCoef(const plat::WAVEFORMATEX* f) { return LoadU16(Extra(f) + 2); }
ADPCMCOEFSET Coef(const plat::WAVEFORMATEX* f, int i) {
  const uint8_t* p = Extra(f) + 4 + 4 * i;
  return {Load16(p), Load16(p + 2)};
}

void Store(uint8_t*& out, int32_t sample, bool eight_bit) {
  if (eight_bit) {
    // Division rounds toward zero, so -1 is 128 and -32768 is 0.
    *out++ = static_cast<uint8_t>(sample / 256 + 128);
  } else {
    out[0] = static_cast<uint8_t>(sample & 0xFF);
    out[1] = static_cast<uint8_t>((sample >> 8) & 0xFF);
    out += 2;
  }
}

}  // namespace

const ADPCMCOEFSET* StandardMSADPCMCoefficients() { return kStandardCoef; }

bool IsStandardMSADPCMFormat(const plat::WAVEFORMATEX* format) {
  if (format == nullptr || format->wFormatTag != plat::WAVE_FORMAT_ADPCM || format->wBitsPerSample != 4 ||
      format->nChannels < 1 || format->nChannels > 4 || format->cbSize < kMSADPCMExtraSize)
    return false;
  if (NumCoef(format) != kMSADPCMNumCoef) return false;
  for (int i = 0; i < kMSADPCMNumCoef; ++i) {
    const ADPCMCOEFSET c = Coef(format, i);
    if (c.iCoef1 != kStandardCoef[i].iCoef1 || c.iCoef2 != kStandardCoef[i].iCoef2) return false;
  }
  return true;
}

bool IsDecodableMSADPCMFormat(const plat::WAVEFORMATEX* format) {
  if (format == nullptr || format->wFormatTag != plat::WAVE_FORMAT_ADPCM || format->wBitsPerSample != 4 ||
      format->nChannels < 1 || format->nChannels > 4 || format->cbSize < 4)
    return false;
  const int32_t n = format->nChannels;
  const int32_t num_coef = NumCoef(format);
  if (num_coef < 1 || format->cbSize < 4 + 4 * num_coef) return false;
  const int32_t align = format->nBlockAlign;
  const int32_t spb = SamplesPerBlock(format);
  if (align < 7 * n || spb < 2) return false;
  return spb <= (align - 7 * n) * 2 / n + 2;
}

bool SuggestMSADPCMFormat(const plat::WAVEFORMATEX* source, ADPCMWAVEFORMAT& dest, int32_t bits,
                          int32_t channels, int32_t sample_rate) {
  if (engine::IsValidPCMFormat(source)) {
    const int32_t n = channels > 0 ? channels : source->nChannels;
    const int32_t rate = sample_rate > 0 ? sample_rate : static_cast<int32_t>(source->nSamplesPerSec);
    ADPCMWAVEFORMAT f{};
    f.wfx.wFormatTag = plat::WAVE_FORMAT_ADPCM;
    f.wfx.nChannels = static_cast<plat::WORD>(n);
    f.wfx.nSamplesPerSec = static_cast<plat::DWORD>(rate);
    f.wfx.wBitsPerSample = 4;
    int32_t align = 256 * n;
    if (rate > 11025) align = (rate / 11000) * 256 * n;
    f.wfx.nBlockAlign = static_cast<plat::WORD>(align);
    f.wSamplesPerBlock = static_cast<uint16_t>(((align - 7 * n) * 8) / (4 * n) + 2);
    const int32_t b = (4 * n * rate) / 8;
    f.wfx.nAvgBytesPerSec = static_cast<plat::DWORD>((b / align) * 7 * n + b + 7 * n);
    f.wfx.cbSize = kMSADPCMExtraSize;
    f.wNumCoef = kMSADPCMNumCoef;
    std::memcpy(f.aCoef, kStandardCoef, sizeof(kStandardCoef));
    dest = f;
    return true;
  }
  if (IsStandardMSADPCMFormat(source)) {
    ADPCMWAVEFORMAT f{};
    engine::BuildPCMFormat(f.wfx, bits > 0 ? bits : 16, source->nChannels,
                           static_cast<int32_t>(source->nSamplesPerSec));
    dest = f;
    return true;
  }
  return false;
}

int32_t MSADPCMBlockOutputBytes(const plat::WAVEFORMATEX* source_format, int32_t dest_bits) {
  if (!IsDecodableMSADPCMFormat(source_format)) return 0;
  return SamplesPerBlock(source_format) * source_format->nChannels * (dest_bits == 8 ? 1 : 2);
}

int32_t DecodeMSADPCM(const plat::WAVEFORMATEX* source_format, const plat::WAVEFORMATEX* dest_format,
                      const void* source, void* dest, int32_t source_bytes, int32_t dest_bytes) {
  if (!IsDecodableMSADPCMFormat(source_format) || dest_format == nullptr || source == nullptr ||
      dest == nullptr || source_bytes <= 0 || dest_bytes <= 0)
    return 0;
  const int32_t n = source_format->nChannels;
  const int32_t align = source_format->nBlockAlign;
  const int32_t spb = SamplesPerBlock(source_format);
  const int32_t num_coef = NumCoef(source_format);
  const bool eight_bit = dest_format->wBitsPerSample == 8;
  const int32_t sample_bytes = eight_bit ? 1 : 2;
  const auto* in = static_cast<const uint8_t*>(source);
  auto* out = static_cast<uint8_t*>(dest);
  int32_t written = 0;

  for (int32_t offset = 0; offset < source_bytes; offset += align) {
    const int32_t avail = std::min(align, source_bytes - offset);
    if (avail < 7 * n) break;
    // A short last block gives the whole frames its codes hold.
    const int32_t frames = 2 + std::min(spb - 2, (avail - 7 * n) * 2 / n);
    const int32_t block_out = frames * n * sample_bytes;
    if (written + block_out > dest_bytes) break;

    const uint8_t* p = in + offset;
    ADPCMCOEFSET coef[4];
    int32_t delta[4], s1[4], s2[4];
    for (int32_t c = 0; c < n; ++c) {
      const int32_t index = p[c];
      if (index >= num_coef) return 0;
      coef[c] = Coef(source_format, index);
    }
    for (int32_t c = 0; c < n; ++c) {
      delta[c] = Load16(p + n + 2 * c);
      s1[c] = Load16(p + 3 * n + 2 * c);
      s2[c] = Load16(p + 5 * n + 2 * c);
    }
    for (int32_t c = 0; c < n; ++c) Store(out, s2[c], eight_bit);
    for (int32_t c = 0; c < n; ++c) Store(out, s1[c], eight_bit);

    const uint8_t* codes = p + 7 * n;
    int32_t k = 0;
    for (int32_t f = 2; f < frames; ++f) {
      for (int32_t c = 0; c < n; ++c, ++k) {
        const uint8_t byte = codes[k / 2];
        const int32_t nibble = (k % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
        const int32_t code = nibble >= 8 ? nibble - 16 : nibble;
        const int64_t old = delta[c];
        // Past kMaxDelta every code but 0 saturates anyway; the cap keeps a
        // crafted block from overflowing the step.
        delta[c] = static_cast<int32_t>(std::clamp<int64_t>((kAdaptation[nibble] * old) >> 8, 16, kMaxDelta));
        const int64_t predicted =
            (static_cast<int64_t>(s1[c]) * coef[c].iCoef1 + static_cast<int64_t>(s2[c]) * coef[c].iCoef2) >>
            8;
        const auto sample = static_cast<int32_t>(std::clamp<int64_t>(predicted + code * old, -32768, 32767));
        Store(out, sample, eight_bit);
        s2[c] = s1[c];
        s1[c] = sample;
      }
    }
    written += block_out;
  }
  return written;
}

}  // namespace files
