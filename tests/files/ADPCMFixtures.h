#pragma once
// ADPCM fixtures: files made by the sox tool from the tests' own tones (sox
// is also the outside reference decoder), whole wave files read with their
// format's extra data, and hand-made tag-2 blocks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "WaveFixtures.h"
#include "engine/MMWaveIO.h"
#include "files/MMADPCM.h"

namespace filestest {

// Runs sox with the arguments (already quoted as needed); true on success.
inline bool Sox(const std::string& args) {
  const std::string cmd = "sox -V1 " + args + " 2>&1";
  return std::system(cmd.c_str()) == 0;
}

inline std::vector<int16_t> Samples16(const Bytes& b) {
  std::vector<int16_t> s(b.size() / 2);
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<int16_t>(b[2 * i] | (b[2 * i + 1] << 8));
  return s;
}

inline Bytes Bytes16(const std::vector<int16_t>& s) {
  Bytes b(s.size() * 2);
  for (size_t i = 0; i < s.size(); ++i) {
    b[2 * i] = static_cast<uint8_t>(s[i] & 0xFF);
    b[2 * i + 1] = static_cast<uint8_t>((s[i] >> 8) & 0xFF);
  }
  return b;
}

// A wave file's format record with its extra data, and its data chunk.
struct WaveImage {
  Bytes format;  // 18 + cbSize bytes
  Bytes data;
  const plat::WAVEFORMATEX* fmt() const { return reinterpret_cast<const plat::WAVEFORMATEX*>(format.data()); }
};

inline WaveImage ReadWaveImage(const std::string& name) {
  WaveImage image;
  engine::TWaveIORec* rec = nullptr;
  if (engine::WaveReadInfo(rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0) !=
      engine::WIOERR_NOERROR)
    return image;
  const auto* f = reinterpret_cast<const uint8_t*>(&rec->wfx);
  image.format.assign(f, f + engine::GetWaveFormatSize(&rec->wfx));
  image.data.resize(static_cast<size_t>(rec->dwDataBytes));
  if (engine::WaveOpenFile(rec) == engine::WIOERR_NOERROR && !image.data.empty())
    image.data.resize(static_cast<size_t>(
        std::max(engine::WaveRead(rec, image.data.data(), static_cast<int32_t>(image.data.size())), 0)));
  engine::WaveFreeInfo(rec);
  return image;
}

// A standard tag-2 format with the given block layout.
inline files::ADPCMWAVEFORMAT MsAdpcm(int channels, int rate, int block_align, int samples_per_block) {
  files::ADPCMWAVEFORMAT f{};
  const plat::WAVEFORMATEX pcm = Pcm(16, channels, rate);
  EXPECT_TRUE(files::SuggestMSADPCMFormat(&pcm, f, 0, 0, 0));
  f.wfx.nBlockAlign = static_cast<plat::WORD>(block_align);
  f.wSamplesPerBlock = static_cast<uint16_t>(samples_per_block);
  return f;
}

// One mono tag-2 block: predictor, delta, sample 1, sample 2, then codes.
inline Bytes MonoBlock(uint8_t predictor, int16_t delta, int16_t s1, int16_t s2, const Bytes& codes) {
  Bytes b{predictor};
  for (int16_t v : {delta, s1, s2}) {
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
  }
  b.insert(b.end(), codes.begin(), codes.end());
  return b;
}

}  // namespace filestest
