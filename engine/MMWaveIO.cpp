#include "engine/MMWaveIO.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "engine/MMMulDiv.h"
#include "platform/kernel/Profile.h"

namespace engine {

// ---- Wave formats ----

namespace {

struct TagName {
  const char* name;
  plat::WORD tag;
};

// Searched from the top, first match wins; closed by a row without a name.
constexpr TagName kTagNames[] = {
    {"Unknown", 0x0000},
    {"PCM", 0x0001},
    {"PCM 32", 0x020C},
    {"Microsoft ADPCM", 0x0002},
    {"Mediavision's ADPCM", 0x0003},
    {"IBM CVSD", 0x0005},
    {"CCITT A-Law", 0x0006},
    {"CCITT mu-Law", 0x0007},
    {"OKI ADPCM", 0x0010},
    {"IMA ADPCM", 0x0011},
    {"DVI ADPCM", 0x0011},
    {"Mediaspace's ADPCM", 0x0012},
    {"Sierra's ADPCM", 0x0013},
    {"CCITT G.723 ADPCM", 0x0014},
    {"Digisound DIGISTD", 0x0015},
    {"Digisound DIGIFIX", 0x0016},
    {"Dialogic OKI ADPCM", 0x0017},
    {"Yamaha ADPCM", 0x0020},
    {"Sonarc", 0x0021},
    {"DSP Group's Truespeech", 0x0022},
    {"Echo SC1", 0x0023},
    {"Audiofile AF36", 0x0024},
    {"Audio Processing Technology", 0x0025},
    {"Audiofile AF10", 0x0026},
    {"Dolby AC2", 0x0030},
    {"Dolby AC2", 0x0209},
    {"GSM 6.10", 0x0031},
    {"Antex ADPCME", 0x0033},
    {"CS IMA ADPCM", 0x0039},
    {"CCITT G.721 ADPCM", 0x0040},
    {"MPEG 1", 0x0050},
    {"MPEG Layer-3", 0x0055},
    {"Creative's ADPCM", 0x0200},
    {"Olivetti's ADPCM", 0x1001},
    {"CDI-C", 0x0204},
    {"CDI-B", 0x0205},
    {"Antex-DVI-OKI ADPCME", 0x0206},
    {"*DEVELOPMENT ONLY TAG*", 0xFFFF},
    {nullptr, 0},
};

// The description's separators, refreshed from the user's settings on every
// call; what was read last is the default for the next read.
std::atomic<char> list_separator{','};
std::atomic<char> decimal_separator{'.'};

char ReadIntlChar(const char* key, char kept) {
  const char fallback[2] = {kept, '\0'};
  char value[2] = {};
  plat::GetProfileStringA("Intl", key, fallback, value, sizeof(value));
  // An entry set to nothing keeps the old character instead of putting a
  // zero into the text.
  return value[0] != '\0' ? value[0] : kept;
}

// Rounds a byte count up to a whole block, in unsigned 32-bit arithmetic.
int32_t RoundUpToBlock(int32_t bytes, plat::WORD block_align) {
  if (block_align == 0) RaiseDivByZero();
  const uint32_t b = static_cast<uint32_t>(bytes);
  return static_cast<int32_t>((b + block_align - 1) / block_align * block_align);
}

// The format's 32-bit fields as the Integer arguments of MulDivRound.
int32_t AsInt(plat::DWORD v) { return static_cast<int32_t>(v); }

}  // namespace

int32_t GetWaveFormatSize(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return 0;
  if (format->wFormatTag == plat::WAVE_FORMAT_PCM) return sizeof(plat::WAVEFORMATEX);
  return static_cast<int32_t>(sizeof(plat::WAVEFORMATEX)) + format->cbSize;
}

plat::WAVEFORMATEX* CopyWaveFormat(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return nullptr;
  const int32_t size = GetWaveFormatSize(format);
  auto* copy = static_cast<plat::WAVEFORMATEX*>(GlobalAllocZeroed(static_cast<size_t>(size)));
  std::memcpy(copy, format, static_cast<size_t>(size));
  if (copy->wFormatTag == plat::WAVE_FORMAT_PCM) copy->cbSize = 0;
  return copy;
}

std::string GetFormatTagName(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return "Unknown";
  for (const TagName* row = kTagNames; row->name != nullptr; ++row)
    if (row->tag == format->wFormatTag) return row->name;
  return "Unknown";
}

std::string GetWaveFormatDescription(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return "Unknown";
  const char list = ReadIntlChar("sList", list_separator.load());
  list_separator.store(list);
  const char decimal = ReadIntlChar("sDecimal", decimal_separator.load());
  decimal_separator.store(decimal);

  const uint32_t rate = format->nSamplesPerSec;
  const uint32_t channels = format->nChannels;
  // A format with no rate or no channels is described with 0 bits rather
  // than failing; the byte rate is widened so that * 8 cannot wrap.
  const uint64_t bits =
      rate != 0 && channels != 0 ? static_cast<uint64_t>(format->nAvgBytesPerSec) * 8 / rate / channels : 0;
  char buf[128];
  if (channels == 1 || channels == 2)
    std::snprintf(buf, sizeof(buf), "%u%c%.03u kHz%c %llu Bit%c %s", rate / 1000, decimal, rate % 1000, list,
                  static_cast<unsigned long long>(bits), list, channels == 1 ? "Mono" : "Stereo");
  else
    std::snprintf(buf, sizeof(buf), "%u%c%.03u kHz%c %llu Bit%c %u Channels", rate / 1000, decimal,
                  rate % 1000, list, static_cast<unsigned long long>(bits), list, channels);
  return buf;
}

int32_t WaveBytesToSamples(const plat::WAVEFORMATEX* format, int32_t bytes) {
  return MulDivRound(bytes, AsInt(format->nSamplesPerSec), AsInt(format->nAvgBytesPerSec));
}

int32_t WaveBytesToTime(const plat::WAVEFORMATEX* format, int32_t bytes) {
  return MulDivRound(bytes, 1000, AsInt(format->nAvgBytesPerSec));
}

int32_t WaveSamplesToBytes(const plat::WAVEFORMATEX* format, int32_t samples) {
  return RoundUpToBlock(MulDivRound(samples, AsInt(format->nAvgBytesPerSec), AsInt(format->nSamplesPerSec)),
                        format->nBlockAlign);
}

int32_t WaveSamplesToTime(const plat::WAVEFORMATEX* format, int32_t samples) {
  return MulDivRound(samples, 1000, AsInt(format->nSamplesPerSec));
}

int32_t WaveTimeToSamples(const plat::WAVEFORMATEX* format, int32_t ms) {
  return MulDivRound(ms, AsInt(format->nSamplesPerSec), 1000);
}

int32_t WaveTimeToBytes(const plat::WAVEFORMATEX* format, int32_t ms) {
  return RoundUpToBlock(MulDivRound(ms, AsInt(format->nAvgBytesPerSec), 1000), format->nBlockAlign);
}

int64_t WaveSamplesToBytes64(const plat::WAVEFORMATEX* format, int64_t samples) {
  const int64_t align = format->nBlockAlign;
  if (align == 0) RaiseDivByZero();
  const int64_t b = MulDiv64(samples, format->nAvgBytesPerSec, format->nSamplesPerSec);
  return (b + align - 1) / align * align;
}

int64_t WaveSamplesToTime64(const plat::WAVEFORMATEX* format, int64_t samples) {
  return MulDiv64(samples, 1000, format->nSamplesPerSec);
}

}  // namespace engine
