#include "app/FileTools.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "files/MMFileGuard.h"
#include "files/MMWave.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/SysUtils.h"

namespace app {

const char* const kNotValidInputText = "This is not a valid input file!";
const char* const kSameFileText = "The output file would replace the input file; choose another name!";
const char* const kNormalizeBitsText = "Only wave files with 8 or 16 bits per sample can be normalized!";

namespace {

constexpr int32_t kNormalizeBlock = 4096;
constexpr int32_t kChannelBlock = 16384;
constexpr int32_t kBitrates[] = {320, 256, 224, 192, 160, 128, 112, 96, 80, 64, 56, 48, 40, 32};

bool Exists(const std::string& name) {
  std::error_code ec;
  return std::filesystem::exists(plat::ResolvePath(name), ec);
}

// Reads the play data of `source` from its start in blocks of at most
// `block` whole frames; `each` gets every block. False when a read failed
// before the end.
template <class Each>
bool ReadBlocks(files::TMMWave& source, int32_t block, const TToolProgress& progress, Each each) {
  const plat::WAVEFORMATEX* f = source.GetPWaveFormat();
  if (!f) return false;
  const int32_t align = std::max<int32_t>(f->nBlockAlign, 1);
  const int32_t size = std::max(block / align * align, align);
  if (!source.Opened()) source.OpenFile();
  source.SetPosition(0);
  const int64_t total = source.SamplesToBytes(source.LengthSamples());
  std::vector<uint8_t> buffer(static_cast<size_t>(size));
  int64_t done = 0;
  while (done < total) {
    const int32_t want = static_cast<int32_t>(std::min<int64_t>(size, total - done));
    const int32_t n = source.ReadData(buffer.data(), want);
    if (n <= 0) return false;
    done += n;
    if (!each(buffer.data(), n)) return false;
    if (progress) progress(ProgressPercent(done, total));
  }
  return true;
}

// Closes what a tool opened, however it ends.
struct CloseData {
  files::TMMWave* waves[3];
  ~CloseData() {
    for (files::TMMWave* w : waves)
      if (w && w->Opened()) {
        try {
          w->CloseFile();
        } catch (...) {
          // A written file that could not be completed is left out; its tool says so.
        }
      }
  }
};

bool Append(files::TMMWave& wave, const uint8_t* data, int32_t bytes) {
  return bytes == 0 || wave.WriteData(data, bytes) == bytes;
}

bool Complete(files::TMMWave& wave, TToolOutput& output) {
  try {
    wave.CloseFile();
  } catch (const files::EMMWaveError&) {
    output.Discard();
    return false;
  }
  return output.Commit();
}

}  // namespace

std::string MakeMp3FileName(const std::string& file_name) {
  std::string name = vcl::ExtractFileName(file_name);
  name.erase(name.size() - std::min<size_t>(3, name.size()));
  return name + "Mp3";
}

std::string FileSizeKbText(const std::string& file_name) {
  const int64_t size = std::max<int64_t>(engine::GetFileSizeByName(file_name), 0);
  return "   " + std::to_string(size / 1024) + " kb";
}

std::string DataSizeText(const std::string& name, int64_t bytes) {
  return name + "  " + std::to_string(std::max<int64_t>(bytes, 0) / 1024) + " kb";
}

std::string ChannelFileName(const std::string& source, const std::string& suffix) {
  const size_t folder_end = source.find_last_of("/\\");
  const size_t dot = source.rfind('.');
  if (dot == std::string::npos || (folder_end != std::string::npos && dot < folder_end))
    return source + suffix;
  return source.substr(0, dot) + suffix + source.substr(dot);
}

int32_t EncoderBitrate(int index, int32_t current) {
  if (index < 0 || index >= static_cast<int>(std::size(kBitrates))) return current;
  return kBitrates[index];
}

int32_t ProgressPercent(int64_t done, int64_t total) {
  if (total <= 0 || done <= 0) return 0;
  const long double percent = std::nearbyintl(static_cast<long double>(done) * 100 / total);
  return static_cast<int32_t>(std::clamp<long double>(percent, 0, 100));
}

bool SameFile(const std::string& a, const std::string& b) {
  const std::filesystem::path pa = plat::ResolvePath(a), pb = plat::ResolvePath(b);
  std::error_code ec;
  if (std::filesystem::exists(pa, ec) && std::filesystem::exists(pb, ec))
    return std::filesystem::equivalent(pa, pb, ec);
  return std::filesystem::weakly_canonical(pa, ec) == std::filesystem::weakly_canonical(pb, ec);
}

// ---- outputs ----

void TToolOutput::Begin(const std::string& target) {
  Discard();
  target_ = target;
  temporary_ = files::TemporaryFileName(target);
}

bool TToolOutput::Commit() {
  if (temporary_.empty()) return false;
  if (!Exists(temporary_) || !files::ReplaceFileWith(temporary_, target_)) {
    Discard();
    return false;
  }
  temporary_.clear();
  return true;
}

void TToolOutput::Discard() {
  if (temporary_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(plat::ResolvePath(temporary_), ec);
  temporary_.clear();
}

// ---- normalising ----

TNormalizeCheck CheckNormalizable(const files::TMMWave& wave) {
  const plat::WAVEFORMATEX* f = wave.GetPWaveFormat();
  if (!f || f->wFormatTag != plat::WAVE_FORMAT_PCM) return TNormalizeCheck::NotPcm;
  return f->wBitsPerSample == 8 || f->wBitsPerSample == 16 ? TNormalizeCheck::Pcm
                                                           : TNormalizeCheck::OtherBits;
}

TWavePeak FindWavePeak(files::TMMWave& source, const TToolProgress& progress) {
  const plat::WAVEFORMATEX* f = source.GetPWaveFormat();
  TWavePeak result;
  if (!f) return result;
  const bool eight = f->wBitsPerSample == 8;
  const int32_t silence = eight ? 128 : 0;
  result.peak = silence;
  result.limit = eight ? 127 : 32767;
  ReadBlocks(source, kNormalizeBlock, progress, [&](const uint8_t* data, int32_t bytes) {
    int16_t left = 0, right = 0;
    engine::FindPeakSamples(f, data, bytes, left, right);
    for (const int32_t v : {int32_t{left}, int32_t{right}})
      if (std::abs(v - silence) > std::abs(result.peak - silence)) result.peak = v;
    return true;
  });
  result.magnitude = std::abs(result.peak - silence);
  return result;
}

std::optional<long double> NormalizeGain(const TWavePeak& peak) {
  // A silent file has no gain that could bring it to full scale.
  if (peak.magnitude <= 0 || peak.limit <= peak.magnitude) return std::nullopt;
  return static_cast<long double>(peak.limit) / peak.magnitude;
}

std::string GainText(long double gain) {
  char text[64];
  std::snprintf(text, sizeof text, "%7.4f", static_cast<double>(gain));
  return std::string(text) + " db";
}

int32_t ScaleSample16(int32_t sample, long double gain) {
  const long double v = std::nearbyintl(sample * gain);
  return static_cast<int32_t>(std::clamp<long double>(v, -32768, 32767));
}

int32_t ScaleSample8(int32_t sample, long double gain) {
  const long double v = std::nearbyintl((sample - 128) * gain) + 128;
  return static_cast<int32_t>(std::clamp<long double>(v, 0, 255));
}

bool WriteScaledWave(files::TMMWave& source, files::TMMWave& destination, const std::string& target,
                     long double gain, const TToolProgress& progress) {
  const plat::WAVEFORMATEX* f = source.GetPWaveFormat();
  if (!f || CheckNormalizable(source) != TNormalizeCheck::Pcm) return false;
  const int fe_round = std::fegetround();
  std::fesetround(FE_TONEAREST);
  TToolOutput output(target);
  CloseData close{{&destination, nullptr, nullptr}};
  destination.CreateFile(output.Temporary(), f);
  const bool eight = f->wBitsPerSample == 8;
  const bool read = ReadBlocks(source, kNormalizeBlock, progress, [&](uint8_t* data, int32_t bytes) {
    if (eight) {
      for (int32_t i = 0; i < bytes; ++i) data[i] = static_cast<uint8_t>(ScaleSample8(data[i], gain));
    } else {
      for (int32_t i = 0; i + 1 < bytes; i += 2) {
        const auto s = static_cast<int16_t>(data[i] | (data[i + 1] << 8));
        const auto v = static_cast<uint16_t>(static_cast<int16_t>(ScaleSample16(s, gain)));
        data[i] = static_cast<uint8_t>(v & 0xFF);
        data[i + 1] = static_cast<uint8_t>(v >> 8);
      }
    }
    return Append(destination, data, bytes);
  });
  std::fesetround(fe_round);
  return read && Complete(destination, output);
}

// ---- channels ----

bool IsStereo16(const files::TMMWave& wave) {
  const plat::WAVEFORMATEX* f = wave.GetPWaveFormat();
  return f && f->wFormatTag == plat::WAVE_FORMAT_PCM && f->wBitsPerSample == 16 && f->nChannels == 2;
}

TChannelFiles SplitWave(files::TMMWave& source, files::TMMWave& left, files::TMMWave& right,
                        const TConfirmReplace& confirm) {
  TChannelFiles result;
  if (!IsStereo16(source)) return result;
  result.left = ChannelFileName(source.FileName(), "_L");
  result.right = ChannelFileName(source.FileName(), "_R");
  for (const std::string& name : {result.left, result.right})
    if (Exists(name) && !(confirm && confirm(name))) return result;
  const plat::WAVEFORMATEX* f = source.GetPWaveFormat();
  plat::WAVEFORMATEX mono{};
  engine::BuildPCMFormat(mono, f->wBitsPerSample, 1, static_cast<int32_t>(f->nSamplesPerSec));
  result.attempted = true;
  TToolOutput left_output(result.left), right_output(result.right);
  CloseData close{{&left, &right, nullptr}};
  left.CreateFile(left_output.Temporary(), &mono);
  right.CreateFile(right_output.Temporary(), &mono);
  std::vector<uint8_t> l(kChannelBlock / 2), r(kChannelBlock / 2);
  const bool read = ReadBlocks(source, kChannelBlock, nullptr, [&](const uint8_t* data, int32_t bytes) {
    const int32_t frames = bytes / 4;
    for (int32_t i = 0; i < frames; ++i) {
      std::copy_n(data + 4 * i, 2, l.data() + 2 * i);
      std::copy_n(data + 4 * i + 2, 2, r.data() + 2 * i);
    }
    result.bytes += 2 * frames;
    return Append(left, l.data(), 2 * frames) && Append(right, r.data(), 2 * frames);
  });
  const bool left_done = read && Complete(left, left_output);
  result.written = left_done && Complete(right, right_output);
  return result;
}

TChannelFiles SwapWave(files::TMMWave& source, files::TMMWave& destination, const TConfirmReplace& confirm) {
  TChannelFiles result;
  // Only whole 16-bit stereo frames can be swapped; anything else would be scrambled.
  if (!IsStereo16(source)) return result;
  result.left = ChannelFileName(source.FileName(), "_Swap");
  if (Exists(result.left) && !(confirm && confirm(result.left))) return result;
  result.attempted = true;
  TToolOutput output(result.left);
  CloseData close{{&destination, nullptr, nullptr}};
  destination.CreateFile(output.Temporary(), source.GetPWaveFormat());
  const bool read = ReadBlocks(source, kChannelBlock, nullptr, [&](uint8_t* data, int32_t bytes) {
    const int32_t frames = bytes / 4;
    for (int32_t i = 0; i < frames; ++i) {
      plat::WORD a = static_cast<plat::WORD>(data[4 * i] | (data[4 * i + 1] << 8));
      plat::WORD b = static_cast<plat::WORD>(data[4 * i + 2] | (data[4 * i + 3] << 8));
      engine::SwapWord(a, b);
      data[4 * i] = static_cast<uint8_t>(a & 0xFF);
      data[4 * i + 1] = static_cast<uint8_t>(a >> 8);
      data[4 * i + 2] = static_cast<uint8_t>(b & 0xFF);
      data[4 * i + 3] = static_cast<uint8_t>(b >> 8);
    }
    result.bytes += 4 * frames;
    return Append(destination, data, 4 * frames);
  });
  result.written = read && Complete(destination, output);
  return result;
}

}  // namespace app
