// Writes the test signals the program plays into a folder: "white noise.wav"
// and "pink noise.wav" through the engine's wave writer, "sweep.mp3" through
// the program's own MP3 encoder module. Each file is written under a
// temporary name and renamed once complete.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/MMWaveIO.h"
#include "files/LameEnc.h"
#include "platform/kernel/Modules.h"
#include "tools/tonegen/TestSignals.h"

namespace {

namespace fs = std::filesystem;

bool Fail(const std::string& what) {
  std::fprintf(stderr, "tonegen: %s\n", what.c_str());
  return false;
}

bool Publish(const fs::path& temporary, const fs::path& target) {
  std::error_code error;
  fs::rename(temporary, target, error);
  if (!error) return true;
  fs::remove(temporary, error);
  return Fail("cannot write " + target.string());
}

bool WriteWave(const fs::path& target, const std::vector<int16_t>& pcm) {
  plat::WAVEFORMATEX format{};
  format.wFormatTag = plat::WAVE_FORMAT_PCM;
  format.nChannels = 2;
  format.nSamplesPerSec = tonegen::kRate;
  format.wBitsPerSample = 16;
  format.nBlockAlign = 4;
  format.nAvgBytesPerSec = tonegen::kRate * 4;
  const fs::path temporary = fs::path(target).concat(".part");
  engine::TWaveIORec* rec = nullptr;
  if (engine::WaveCreateInfo(rec, &format) != 0) return Fail("no wave record");
  bool ok = engine::WaveCreateFile(rec, temporary.c_str()) == 0;
  const auto bytes = static_cast<int32_t>(pcm.size() * sizeof(int16_t));
  ok = ok && engine::WaveWrite(rec, pcm.data(), bytes) == bytes;
  ok = engine::WaveCloseFile(rec) == 0 && ok;
  engine::WaveFreeInfo(rec);
  if (!ok) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return Fail("cannot write " + target.string());
  }
  return Publish(temporary, target);
}

bool WriteMp3(const fs::path& target, const std::vector<int16_t>& pcm, const std::string& module_path) {
  plat::HMODULE module = plat::LoadLibraryA(module_path.c_str());
  if (!module) return Fail("cannot load the encoder module " + module_path);
  auto init = reinterpret_cast<files::TBEInitStream>(plat::GetProcAddress(module, "beInitStream"));
  auto encode = reinterpret_cast<files::TBEEncodeChunk>(plat::GetProcAddress(module, "beEncodeChunk"));
  auto deinit = reinterpret_cast<files::TBEDeinitStream>(plat::GetProcAddress(module, "beDeinitStream"));
  auto close = reinterpret_cast<files::TBECloseStream>(plat::GetProcAddress(module, "beCloseStream"));
  if (!init || !encode || !deinit || !close) return Fail("the encoder module lacks an entry");

  files::TBEConfig config;
  std::memset(&config, 0, sizeof(config));
  config.dwConfig = files::BE_CONFIG_LAME;
  config.dwStructVersion = files::BE_CONFIG_VERSION;
  config.dwStructSize = files::BE_CONFIG_SIZE;
  config.dwSampleRate = tonegen::kRate;
  config.nMode = files::BE_MP3_MODE_JSTEREO;
  config.dwBitrate = 192;
  config.dwMpegVersion = 1;  // MPEG-1
  config.bOriginal = -1;
  config.nQuality = 2;
  uint32_t chunk_samples = 0;
  uint32_t buffer_size = 0;
  files::TBEStream stream = nullptr;
  if (init(&config, &chunk_samples, &buffer_size, &stream) != files::BE_ERR_SUCCESSFUL || chunk_samples == 0)
    return Fail("the encoder refused the stream");

  const fs::path temporary = fs::path(target).concat(".part");
  std::FILE* out = std::fopen(temporary.c_str(), "wb");
  bool ok = out != nullptr;
  std::vector<uint8_t> encoded(buffer_size);
  for (size_t done = 0; ok && done < pcm.size(); done += chunk_samples) {
    const auto samples = static_cast<uint32_t>(std::min<size_t>(chunk_samples, pcm.size() - done));
    uint32_t bytes = 0;
    ok = encode(stream, samples, pcm.data() + done, encoded.data(), &bytes) == files::BE_ERR_SUCCESSFUL &&
         std::fwrite(encoded.data(), 1, bytes, out) == bytes;
  }
  uint32_t bytes = 0;
  ok = ok && deinit(stream, encoded.data(), &bytes) == files::BE_ERR_SUCCESSFUL &&
       std::fwrite(encoded.data(), 1, bytes, out) == bytes;
  close(stream);
  if (out) ok = std::fclose(out) == 0 && ok;
  plat::FreeLibrary(module);
  if (!ok) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    return Fail("cannot write " + target.string());
  }
  return Publish(temporary, target);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: tonegen <folder> <MP3 encoder module>\n");
    return 2;
  }
  const fs::path folder = argv[1];
  std::error_code error;
  fs::create_directories(folder, error);
  const int frames = tonegen::kRate * tonegen::kSeconds;

  std::vector<double> white = tonegen::WhiteNoise(frames, 1);
  tonegen::ScaleToRms(white, tonegen::kLevel, 0.98);
  std::vector<double> pink = tonegen::PinkNoise(frames, 2);
  tonegen::ScaleToRms(pink, tonegen::kLevel, 0.98);
  std::vector<double> sweep = tonegen::LogSweep(frames, 20.0, 20000.0);
  for (double& s : sweep) s *= tonegen::kLevel;

  const bool ok = WriteWave(folder / "white noise.wav", tonegen::ToStereo16(white)) &&
                  WriteWave(folder / "pink noise.wav", tonegen::ToStereo16(pink)) &&
                  WriteMp3(folder / "sweep.mp3", tonegen::ToStereo16(sweep), argv[2]);
  return ok ? 0 : 1;
}
