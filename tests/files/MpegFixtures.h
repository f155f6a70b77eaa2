#pragma once
// MP3 streams the tests encode for themselves with the linked encoder
// library, and the wrappers around them (ID3 tags, a RIFF WAVE file).
#include <lame/lame.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace filestest {

struct Mp3Spec {
  int rate = 44100;
  int channels = 2;
  double seconds = 1.0;
  double left_hz = 1000.0;
  double right_hz = 1000.0;  // 0: the right channel is silent
  int kbps = 128;
  MPEG_mode mode = JOINT_STEREO;
  bool info_tag = true;  // the encoder's info frame, written over the first frame
  bool vbr = false;
};

// The encoded stream; with the info tag its frames decode to the input's
// length rounded up to whole frames (1 s at 44.1 kHz: 40 frames).
inline std::vector<uint8_t> EncodeMp3(const Mp3Spec& s) {
  lame_global_flags* gf = lame_init();
  lame_set_in_samplerate(gf, s.rate);
  lame_set_out_samplerate(gf, s.rate);
  lame_set_num_channels(gf, s.channels);
  lame_set_mode(gf, s.channels == 1 ? MONO : s.mode);
  lame_set_brate(gf, s.kbps);
  lame_set_bWriteVbrTag(gf, s.info_tag ? 1 : 0);
  if (s.vbr) {
    lame_set_VBR(gf, vbr_mtrh);
    lame_set_VBR_q(gf, 4);
  }
  lame_set_quality(gf, 7);
  if (lame_init_params(gf) < 0) {
    lame_close(gf);
    return {};
  }
  const int n = static_cast<int>(s.rate * s.seconds);
  std::vector<int16_t> pcm;
  for (int i = 0; i < n; ++i) {
    const double t = static_cast<double>(i) / s.rate;
    pcm.push_back(static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * s.left_hz * t))));
    if (s.channels == 2)
      pcm.push_back(s.right_hz > 0
                        ? static_cast<int16_t>(std::lround(12000 * std::sin(2 * M_PI * s.right_hz * t)))
                        : int16_t{0});
  }
  std::vector<uint8_t> out(static_cast<size_t>(1.25 * n + 7200) + 16384);
  int written =
      s.channels == 2
          ? lame_encode_buffer_interleaved(gf, pcm.data(), n, out.data(), static_cast<int>(out.size()))
          : lame_encode_buffer(gf, pcm.data(), pcm.data(), n, out.data(), static_cast<int>(out.size()));
  written += lame_encode_flush(gf, out.data() + written, static_cast<int>(out.size()) - written);
  out.resize(static_cast<size_t>(written));
  if (s.info_tag) {
    uint8_t tag[4096];
    const size_t tag_size = lame_get_lametag_frame(gf, tag, sizeof tag);
    if (tag_size > 0 && tag_size <= out.size()) std::memcpy(out.data(), tag, tag_size);
  }
  lame_close(gf);
  return out;
}

inline void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
  std::ofstream(name, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void PutLe32(std::vector<uint8_t>& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// The stream inside a RIFF WAVE file with format tag 0x55, followed by a list
// chunk that must not reach the decoder.
inline std::vector<uint8_t> WrapInRiff(const std::vector<uint8_t>& mp3, int rate, int channels) {
  std::vector<uint8_t> fmt = {0x55, 0x00, static_cast<uint8_t>(channels), 0};
  PutLe32(fmt, static_cast<uint32_t>(rate));
  PutLe32(fmt, 16000);
  fmt.insert(fmt.end(), {1, 0, 0, 0, 12, 0, 1, 0, 2, 0, 0, 0, 0x20, 0x02, 1, 0, 0x71, 0x05});
  std::vector<uint8_t> list = {'L', 'I', 'S', 'T'};
  PutLe32(list, 24);
  for (int i = 0; i < 24; ++i) list.push_back(static_cast<uint8_t>(0xFF - (i & 1) * 0x0E));  // sync-like junk
  std::vector<uint8_t> body = {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  PutLe32(body, static_cast<uint32_t>(fmt.size()));
  body.insert(body.end(), fmt.begin(), fmt.end());
  body.insert(body.end(), {'d', 'a', 't', 'a'});
  PutLe32(body, static_cast<uint32_t>(mp3.size()));
  body.insert(body.end(), mp3.begin(), mp3.end());
  if (mp3.size() & 1) body.push_back(0);
  body.insert(body.end(), list.begin(), list.end());
  std::vector<uint8_t> riff = {'R', 'I', 'F', 'F'};
  PutLe32(riff, static_cast<uint32_t>(body.size()));
  riff.insert(riff.end(), body.begin(), body.end());
  return riff;
}

struct Id3Fields {
  std::string title, artist, album, year, comment;
  int track = 0;  // -1: an older tag whose comment fills 30 bytes
  uint8_t genre = 255;
};

inline std::vector<uint8_t> Id3v1(const Id3Fields& f) {
  std::vector<uint8_t> t(128, 0);
  std::memcpy(t.data(), "TAG", 3);
  auto put = [&](int at, const std::string& s, size_t width) {
    std::memcpy(t.data() + at, s.data(), std::min(s.size(), width));
  };
  put(3, f.title, 30);
  put(33, f.artist, 30);
  put(63, f.album, 30);
  put(93, f.year, 4);
  put(97, f.comment, f.track < 0 ? 30 : 28);
  if (f.track >= 0) t[126] = static_cast<uint8_t>(f.track);
  t[127] = f.genre;
  return t;
}

}  // namespace filestest
