// The MP3 encoder module over libmp3lame. One encoder per stream handle; the
// stream is used by one thread at a time.
#include "files/LameEnc.h"

#include <lame/lame.h>

#include <cstdio>
#include <cstring>
#include <vector>

using files::TBEConfig;
using files::TBEStream;
using files::TBEVersion;

namespace {

struct Stream {
  lame_global_flags* gf = nullptr;
  int channels = 2;
  std::vector<int16_t> mono;  // unused right channel for mono input
  uint32_t output_size = 0;
};

// How the record's preset numbers become encoder settings: a library preset,
// a quality, or a constant or average bit rate. Rates stay those of the stream.
enum class PresetKind { kNone, kQuality, kLibrary, kCBR, kABR };
struct PresetRule {
  int32_t preset;
  PresetKind kind;
  int value;  // quality, library preset or bit rate in kbit/s (0 = the record's)
};
constexpr PresetRule kPresets[] = {
    {-1, PresetKind::kNone, 0},
    {0, PresetKind::kQuality, 5},
    {1, PresetKind::kQuality, 9},
    {2, PresetKind::kQuality, 2},
    {3, PresetKind::kCBR, 56},
    {4, PresetKind::kLibrary, R3MIX},
    {5, PresetKind::kQuality, 0},
    {6, PresetKind::kLibrary, STANDARD},
    {7, PresetKind::kLibrary, STANDARD_FAST},
    {8, PresetKind::kLibrary, EXTREME},
    {9, PresetKind::kLibrary, EXTREME_FAST},
    {10, PresetKind::kLibrary, INSANE},
    {11, PresetKind::kABR, 0},
    {12, PresetKind::kCBR, 0},
    {1000, PresetKind::kCBR, 16},
    {2000, PresetKind::kCBR, 24},
    {3000, PresetKind::kCBR, 40},
    {4000, PresetKind::kCBR, 112},
    {5000, PresetKind::kCBR, 56},
    {6000, PresetKind::kCBR, 112},
    {7000, PresetKind::kCBR, 112},
    {8000, PresetKind::kCBR, 160},
    {9000, PresetKind::kCBR, 192},
    {10000, PresetKind::kCBR, 256},
};

const PresetRule* FindPreset(int32_t preset) {
  for (const PresetRule& rule : kPresets)
    if (rule.preset == preset) return &rule;
  return nullptr;
}

bool ApplyPreset(lame_global_flags* gf, const TBEConfig& c) {
  const PresetRule* rule = FindPreset(c.nPreset);
  if (!rule) return false;
  const int bitrate = rule->value ? rule->value : static_cast<int>(c.dwBitrate);
  switch (rule->kind) {
    case PresetKind::kNone:
      break;
    case PresetKind::kQuality:
      lame_set_quality(gf, rule->value);
      break;
    case PresetKind::kLibrary:
      lame_set_preset(gf, rule->value);
      break;
    case PresetKind::kCBR:
      lame_set_VBR(gf, vbr_off);
      lame_set_brate(gf, bitrate);
      break;
    case PresetKind::kABR:
      lame_set_VBR(gf, vbr_abr);
      lame_set_VBR_mean_bitrate_kbps(gf, bitrate);
      break;
  }
  return true;
}

void ApplyVBR(lame_global_flags* gf, const TBEConfig& c) {
  if (!c.bEnableVBR) {
    lame_set_VBR(gf, vbr_off);
    return;
  }
  switch (c.nVbrMethod) {
    case -1:
      lame_set_VBR(gf, vbr_off);
      return;
    case 1:
      lame_set_VBR(gf, vbr_rh);
      break;
    case 4:
      lame_set_VBR(gf, vbr_abr);
      lame_set_VBR_mean_bitrate_kbps(gf, static_cast<int>(c.dwVbrAbr_bps ? c.dwVbrAbr_bps : c.dwBitrate));
      break;
    default:  // default, new and MTRH
      lame_set_VBR(gf, vbr_mtrh);
      break;
  }
  lame_set_VBR_q(gf, c.nVBRQuality);
  lame_set_VBR_min_bitrate_kbps(gf, static_cast<int>(c.dwBitrate));
  lame_set_VBR_max_bitrate_kbps(gf, static_cast<int>(c.dwMaxBitrate));
}

// Where the first frame of a written file starts: its start, or the first
// byte of the data chunk of a RIFF WAVE file; -1 when a RIFF file has none.
long FirstFrameOffset(std::FILE* f) {
  unsigned char head[12];
  if (std::fread(head, 1, 12, f) != 12 || std::memcmp(head, "RIFF", 4) != 0 ||
      std::memcmp(head + 8, "WAVE", 4) != 0)
    return 0;
  long pos = 12;
  unsigned char chunk[8];
  while (std::fseek(f, pos, SEEK_SET) == 0 && std::fread(chunk, 1, 8, f) == 8) {
    const uint32_t size = chunk[4] | chunk[5] << 8 | chunk[6] << 16 | static_cast<uint32_t>(chunk[7]) << 24;
    if (std::memcmp(chunk, "data", 4) == 0) return pos + 8;
    pos += 8 + static_cast<long>(size) + static_cast<long>(size & 1);
  }
  return -1;
}

}  // namespace

extern "C" {

uint32_t beInitStream(TBEConfig* config, uint32_t* samples, uint32_t* buffer_size, TBEStream* stream) {
  if (!config || !samples || !buffer_size || !stream) return files::BE_ERR_INVALID_FORMAT_PARAMETERS;
  const TBEConfig& c = *config;
  if (c.dwConfig != files::BE_CONFIG_LAME || c.dwStructVersion != files::BE_CONFIG_VERSION ||
      c.dwStructSize < files::BE_CONFIG_SIZE)
    return files::BE_ERR_INVALID_FORMAT;
  if (c.nMode < 0 || c.nMode > 3 || !FindPreset(c.nPreset)) return files::BE_ERR_INVALID_FORMAT_PARAMETERS;
  lame_global_flags* gf = lame_init();
  if (!gf) return files::BE_ERR_NO_MORE_HANDLES;
  const int channels = c.nMode == files::BE_MP3_MODE_MONO ? 1 : 2;
  const int out_rate = static_cast<int>(c.dwReSampleRate ? c.dwReSampleRate : c.dwSampleRate);
  lame_set_in_samplerate(gf, static_cast<int>(c.dwSampleRate));
  lame_set_out_samplerate(gf, out_rate);
  lame_set_num_channels(gf, channels);
  static constexpr MPEG_mode kModes[] = {STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
  lame_set_mode(gf, kModes[c.nMode]);
  lame_set_brate(gf, static_cast<int>(c.dwBitrate));
  lame_set_quality(gf, c.nQuality > 9 ? 9 : c.nQuality);
  lame_set_copyright(gf, c.bCopyright != 0);
  lame_set_original(gf, c.bOriginal != 0);
  lame_set_error_protection(gf, c.bCRC != 0);
  lame_set_extension(gf, c.bPrivate != 0);
  lame_set_strict_ISO(gf, c.bStrictIso != 0);
  lame_set_disable_reservoir(gf, c.bNoRes != 0);
  lame_set_bWriteVbrTag(gf, c.bWriteVBRHeader != 0);
  ApplyVBR(gf, c);
  ApplyPreset(gf, c);
  // The library would pick another rate for some settings without a word;
  // a stream it cannot keep at the asked rate is refused instead.
  if (lame_init_params(gf) < 0 || lame_get_out_samplerate(gf) != out_rate) {
    lame_close(gf);
    return files::BE_ERR_INVALID_FORMAT_PARAMETERS;
  }
  auto* s = new Stream;
  s->gf = gf;
  s->channels = channels;
  const uint32_t frame = static_cast<uint32_t>(lame_get_framesize(gf));
  *samples = frame * static_cast<uint32_t>(channels);
  s->output_size = frame * 5 / 4 + 7200;
  *buffer_size = s->output_size;
  *stream = s;
  return files::BE_ERR_SUCCESSFUL;
}

uint32_t beEncodeChunk(TBEStream stream, uint32_t samples, const int16_t* pcm, uint8_t* output,
                       uint32_t* output_bytes) {
  auto* s = static_cast<Stream*>(stream);
  if (!s || !s->gf || !output_bytes) return files::BE_ERR_INVALID_HANDLE;
  *output_bytes = 0;
  const int per_channel = static_cast<int>(samples / static_cast<uint32_t>(s->channels));
  const int result =
      s->channels == 1
          ? lame_encode_buffer(s->gf, pcm, pcm, per_channel, output, static_cast<int>(s->output_size))
          : lame_encode_buffer_interleaved(s->gf, const_cast<int16_t*>(pcm), per_channel, output,
                                           static_cast<int>(s->output_size));
  if (result < 0) return result == -1 ? files::BE_ERR_BUFFER_TOO_SMALL : files::BE_ERR_INVALID_FORMAT;
  *output_bytes = static_cast<uint32_t>(result);
  return files::BE_ERR_SUCCESSFUL;
}

uint32_t beDeinitStream(TBEStream stream, uint8_t* output, uint32_t* output_bytes) {
  auto* s = static_cast<Stream*>(stream);
  if (!s || !s->gf || !output_bytes) return files::BE_ERR_INVALID_HANDLE;
  *output_bytes = 0;
  const int result = lame_encode_flush(s->gf, output, static_cast<int>(s->output_size));
  if (result < 0) return files::BE_ERR_BUFFER_TOO_SMALL;
  *output_bytes = static_cast<uint32_t>(result);
  return files::BE_ERR_SUCCESSFUL;
}

uint32_t beCloseStream(TBEStream stream) {
  auto* s = static_cast<Stream*>(stream);
  if (!s) return files::BE_ERR_INVALID_HANDLE;
  lame_close(s->gf);
  delete s;
  return files::BE_ERR_SUCCESSFUL;
}

void beVersion(TBEVersion* version) {
  if (!version) return;
  version->byDLLMajorVersion = 1;
  version->byDLLMinorVersion = 32;
  version->byMajorVersion = 3;
  version->byMinorVersion = 100;
}

uint32_t beWriteInfoTag(TBEStream stream, const char* file_name) {
  auto* s = static_cast<Stream*>(stream);
  if (!s || !s->gf) return files::BE_ERR_INVALID_HANDLE;
  if (!lame_get_bWriteVbrTag(s->gf)) return files::BE_ERR_SUCCESSFUL;
  unsigned char tag[2880];
  const size_t size = lame_get_lametag_frame(s->gf, tag, sizeof tag);
  // No tag when its frame would be too small for it (low bit rates): nothing reserved, nothing to write.
  if (size == 0) return files::BE_ERR_SUCCESSFUL;
  if (size > sizeof tag || !file_name) return files::BE_ERR_INVALID_FORMAT_PARAMETERS;
  std::FILE* f = std::fopen(file_name, "r+b");
  if (!f) return files::BE_ERR_INVALID_FORMAT_PARAMETERS;
  const long offset = FirstFrameOffset(f);
  const bool ok = offset >= 0 && std::fseek(f, offset, SEEK_SET) == 0 && std::fwrite(tag, 1, size, f) == size;
  const bool closed = std::fclose(f) == 0;
  return ok && closed ? files::BE_ERR_SUCCESSFUL : files::BE_ERR_INVALID_FORMAT_PARAMETERS;
}

// The header needs the stream's figures, which a bare file name does not
// carry: beWriteInfoTag writes it.
uint32_t beWriteVBRHeader(const char*) { return files::BE_ERR_INVALID_HANDLE; }
}
