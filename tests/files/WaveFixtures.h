#pragma once
// Wave files the file tests make for themselves, through the engine's writer.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/MMPCMSup.h"
#include "engine/MMWaveHdr.h"
#include "engine/MMWaveIO.h"
#include "files/MMCutLst.h"

extern "C" char** environ;

namespace filestest {

using Bytes = std::vector<uint8_t>;

inline files::TMMCutRange CutRange(int64_t start, int64_t length) {
  files::TMMCutRange r;
  r.Start = start;
  r.Length = length;
  return r;
}

inline plat::WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  plat::WAVEFORMATEX f{};
  engine::BuildPCMFormat(f, static_cast<uint16_t>(bits), static_cast<uint16_t>(channels),
                         static_cast<uint32_t>(rate));
  return f;
}

// A 1 kHz tone at half scale, the same on every channel.
inline Bytes Tone(const plat::WAVEFORMATEX& f, int frames) {
  Bytes b;
  for (int i = 0; i < frames; ++i) {
    const double v = 0.5 * std::sin(2 * 3.14159265358979 * 1000.0 * i / f.nSamplesPerSec);
    for (int c = 0; c < f.nChannels; ++c) {
      if (f.wBitsPerSample == 8) {
        b.push_back(static_cast<uint8_t>(128 + std::lround(v * 127)));
      } else {
        const auto s = static_cast<int16_t>(std::lround(v * 32767));
        b.push_back(static_cast<uint8_t>(s & 0xFF));
        b.push_back(static_cast<uint8_t>((s >> 8) & 0xFF));
      }
    }
  }
  return b;
}

// Bytes that count up, so any misplaced byte shows.
inline Bytes Counting(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return b;
}

inline void WriteWave(const std::string& name, const plat::WAVEFORMATEX& f, const Bytes& data) {
  engine::TWaveIORec* rec = nullptr;
  ASSERT_EQ(engine::WaveCreateInfo(rec, &f), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveCreateFile(rec, name.c_str()), engine::WIOERR_NOERROR);
  if (!data.empty()) {
    ASSERT_EQ(engine::WaveWrite(rec, data.data(), static_cast<int32_t>(data.size())),
              static_cast<int32_t>(data.size()));
  }
  ASSERT_EQ(engine::WaveCloseFile(rec), engine::WIOERR_NOERROR);
  engine::WaveFreeInfo(rec);
}

inline Bytes ReadFileBytes(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The data chunk of a wave file as the engine's reader sees it; empty when
// the file does not read as a wave file.
inline Bytes ReadWaveData(const std::string& name, plat::WAVEFORMATEX* format = nullptr) {
  engine::TWaveIORec* rec = nullptr;
  if (engine::WaveReadInfo(rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0) !=
      engine::WIOERR_NOERROR)
    return {};
  if (format) *format = rec->wfx;
  Bytes data(static_cast<size_t>(rec->dwDataBytes));
  if (engine::WaveOpenFile(rec) == engine::WIOERR_NOERROR && !data.empty())
    data.resize(static_cast<size_t>(
        std::max(engine::WaveRead(rec, data.data(), static_cast<int32_t>(data.size())), 0)));
  engine::WaveFreeInfo(rec);
  return data;
}

// A wave header with its buffer behind it, as the devices lay them out.
class TestHeader {
 public:
  explicit TestHeader(uint32_t size) : block_(engine::WaveHdrBlockSize(size)) {
    hdr_ = engine::InitWaveHdr(block_.data(), size);
  }
  engine::TMMWaveHdr* hdr() { return hdr_; }
  uint8_t* data() { return reinterpret_cast<uint8_t*>(hdr_->lpData); }
  Bytes Recorded() const { return Bytes(hdr_->lpData, hdr_->lpData + hdr_->dwBytesRecorded); }
  void Fill(const uint8_t* bytes, uint32_t n) {
    std::copy(bytes, bytes + n, data());
    hdr_->dwBytesRecorded = n;
  }

 private:
  std::vector<uint8_t> block_;
  engine::TMMWaveHdr* hdr_;
};

// Runs the test `filter` of this program in a child with `variable` set to
// `target`, waits until the child has made `target` + `marker`, and kills it
// with SIGKILL; fails when the child never got there or did not die of it.
inline ::testing::AssertionResult KillChildOnceMarked(const std::string& filter, const std::string& variable,
                                                      const std::string& target, const std::string& marker) {
  const std::string filter_arg = "--gtest_filter=" + filter;
  char* argv[] = {const_cast<char*>("test_files"), const_cast<char*>(filter_arg.c_str()), nullptr};
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) env_text.emplace_back(*e);
  env_text.push_back(variable + "=" + target);
  std::vector<char*> env;
  for (std::string& s : env_text) env.push_back(s.data());
  env.push_back(nullptr);
  pid_t child = 0;
  if (posix_spawn(&child, "/proc/self/exe", nullptr, nullptr, argv, env.data()) != 0)
    return ::testing::AssertionFailure() << "no child";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!std::filesystem::exists(target + marker) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  const bool marked = std::filesystem::exists(target + marker);
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  if (!marked) return ::testing::AssertionFailure() << "the child never got to write";
  if (!WIFSIGNALED(status) || WTERMSIG(status) != SIGKILL)
    return ::testing::AssertionFailure() << "the child did not die of SIGKILL";
  return ::testing::AssertionSuccess();
}

}  // namespace filestest
