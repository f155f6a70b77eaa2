#pragma once
// Wave format records and a stream runner shared by the compression manager tests.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/mm/Acm.h"

namespace acmtest {

using namespace plat;

struct Format {
  std::vector<BYTE> bytes;
  const WAVEFORMATEX* get() const { return reinterpret_cast<const WAVEFORMATEX*>(bytes.data()); }
  WAVEFORMATEX* get() { return reinterpret_cast<WAVEFORMATEX*>(bytes.data()); }
};

inline Format Make(WORD tag, DWORD rate, WORD channels, WORD bits, WORD align, std::vector<BYTE> extra = {}) {
  WAVEFORMATEX wfx{};
  wfx.wFormatTag = tag;
  wfx.nChannels = channels;
  wfx.nSamplesPerSec = rate;
  wfx.wBitsPerSample = bits;
  wfx.nBlockAlign = align;
  wfx.nAvgBytesPerSec = rate * align;
  wfx.cbSize = static_cast<WORD>(extra.size());
  Format f;
  f.bytes.resize(sizeof wfx + extra.size());
  std::memcpy(f.bytes.data(), &wfx, sizeof wfx);
  if (!extra.empty()) std::memcpy(f.bytes.data() + sizeof wfx, extra.data(), extra.size());
  return f;
}

inline Format Pcm(DWORD rate, WORD channels, WORD bits) {
  return Make(WAVE_FORMAT_PCM, rate, channels, bits, static_cast<WORD>(channels * bits / 8));
}
inline Format Float(DWORD rate, WORD channels, WORD bits) {
  return Make(0x0003, rate, channels, bits, static_cast<WORD>(channels * bits / 8));
}
inline Format Law(WORD tag, DWORD rate, WORD channels) { return Make(tag, rate, channels, 8, channels); }
inline Format Ima(DWORD rate, WORD channels, WORD align) {
  WORD samples = static_cast<WORD>((align - 4 * channels) * 2 / channels + 1);
  return Make(WAVE_FORMAT_IMA_ADPCM, rate, channels, 4, align,
              {static_cast<BYTE>(samples & 0xFF), static_cast<BYTE>(samples >> 8)});
}
inline Format Extensible(WORD subtype, DWORD rate, WORD channels, WORD bits, WORD valid_bits) {
  std::vector<BYTE> extra = {static_cast<BYTE>(valid_bits),
                             static_cast<BYTE>(valid_bits >> 8),
                             3,
                             0,
                             0,
                             0,
                             static_cast<BYTE>(subtype),
                             static_cast<BYTE>(subtype >> 8),
                             0,
                             0,
                             0x00,
                             0x00,
                             0x10,
                             0x00,
                             0x80,
                             0x00,
                             0x00,
                             0xAA,
                             0x00,
                             0x38,
                             0x9B,
                             0x71};
  return Make(0xFFFE, rate, channels, bits, static_cast<WORD>(channels * bits / 8), extra);
}

inline std::vector<int16_t> AsInt16(const std::vector<BYTE>& bytes) {
  std::vector<int16_t> out(bytes.size() / 2);
  std::memcpy(out.data(), bytes.data(), out.size() * 2);
  return out;
}
template <class T>
std::vector<BYTE> Bytes(const std::vector<T>& values) {
  std::vector<BYTE> out(values.size() * sizeof(T));
  std::memcpy(out.data(), values.data(), out.size());
  return out;
}

// Converts `input` as a streaming caller does: pieces of at most `piece`
// bytes, the bytes a call did not take carried into the next call, END with
// the last piece and further END calls until the stream gives nothing more.
inline std::vector<BYTE> RunStream(const Format& src, const Format& dst, const std::vector<BYTE>& input,
                                   size_t piece) {
  std::vector<BYTE> out;
  HACMSTREAM has = nullptr;
  EXPECT_EQ(acmStreamOpen(&has, nullptr, src.get(), dst.get(), nullptr, 0, 0, 0), MMSYSERR_NOERROR);
  if (has == nullptr) return out;
  size_t capacity = piece + src.get()->nBlockAlign;
  DWORD dst_size = 0;
  EXPECT_EQ(acmStreamSize(has, static_cast<DWORD>(capacity), &dst_size, ACM_STREAMSIZEF_SOURCE),
            MMSYSERR_NOERROR);
  std::vector<BYTE> src_buf(capacity), dst_buf(dst_size);
  ACMSTREAMHEADER h{};
  h.cbStruct = sizeof h;
  h.pbSrc = src_buf.data();
  h.cbSrcLength = static_cast<DWORD>(capacity);
  h.pbDst = dst_buf.data();
  h.cbDstLength = dst_size;
  EXPECT_EQ(acmStreamPrepareHeader(has, &h, 0), MMSYSERR_NOERROR);
  std::vector<BYTE> pending;
  size_t offset = 0;
  for (int guard = 0; guard < 100000; ++guard) {
    size_t take = std::min(piece, input.size() - offset);
    take = std::min(take, capacity - pending.size());
    pending.insert(pending.end(), input.begin() + offset, input.begin() + offset + take);
    offset += take;
    bool last = offset == input.size();
    std::memcpy(src_buf.data(), pending.data(), pending.size());
    h.cbSrcLength = static_cast<DWORD>(pending.size());
    DWORD flags = ACM_STREAMCONVERTF_BLOCKALIGN | (last ? ACM_STREAMCONVERTF_END : 0);
    EXPECT_EQ(acmStreamConvert(has, &h, flags), MMSYSERR_NOERROR);
    EXPECT_TRUE(h.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE);
    EXPECT_LE(h.cbDstLengthUsed, h.cbDstLength);
    pending.erase(pending.begin(), pending.begin() + h.cbSrcLengthUsed);
    out.insert(out.end(), dst_buf.begin(), dst_buf.begin() + h.cbDstLengthUsed);
    if (last && h.cbDstLengthUsed == 0 && pending.size() < src.get()->nBlockAlign) break;
  }
  h.cbSrcLength = static_cast<DWORD>(capacity);
  EXPECT_EQ(acmStreamUnprepareHeader(has, &h, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmStreamClose(has, 0), MMSYSERR_NOERROR);
  return out;
}

}  // namespace acmtest
