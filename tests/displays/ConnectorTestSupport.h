#pragma once
// A display for the connector tests that records what the connector hands
// it: the offset of each stretch (the test data hold their own offsets), the
// value its bytes share, the thread, and the order of all calls.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "displays/MMDisplay.h"
#include "engine/MMPCMSup.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/SysUtils.h"

namespace connectortest {

using displays::TMMDisplayProtocol;

// What the recording displays saw, in call order, across all displays.
struct TDisplayLog {
  struct Refresh {
    std::string name;
    uint32_t tag;  // the first word of the stretch: the test data hold their own offsets
    int uniform;   // the one value of every byte of the stretch, -1 when they differ
    plat::DWORD thread;
  };
  std::mutex lock;
  std::vector<std::string> calls;
  std::vector<Refresh> refreshes;

  void Call(const std::string& text) {
    std::lock_guard guard(lock);
    calls.push_back(text);
  }
  std::vector<uint32_t> Tags(const std::string& name) {
    std::lock_guard guard(lock);
    std::vector<uint32_t> tags;
    for (const Refresh& r : refreshes)
      if (r.name == name) tags.push_back(r.tag);
    return tags;
  }
  size_t Count(const std::string& name) { return Tags(name).size(); }
};

class EFakeDisplayError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// A display that records what the connector hands it.
class TFakeDisplay : public vcl::TComponent, public TMMDisplayProtocol {
 public:
  TFakeDisplay(std::string name, int32_t bytes, TDisplayLog& log)
      : vcl::TComponent(nullptr), name_(std::move(name)), bytes_(bytes), log_(log) {}

  void SetWaveFormat(const plat::WAVEFORMATEX* format) override {
    log_.Call(name_ + ".Format");
    if (refuse || !engine::IsValidPCMFormat(format)) throw EFakeDisplayError("Invalid WaveFormat");
    format_ = *format;
  }
  int32_t BytesPerRefresh() const override { return bytes_; }
  void RefreshPCMData(const void* data) override {
    std::lock_guard display(DisplayLock());
    const auto* p = static_cast<const uint8_t*>(data);
    uint32_t tag = 0;
    std::memcpy(&tag, p, std::min<size_t>(4, static_cast<size_t>(bytes_)));
    int uniform = bytes_ > 0 ? p[0] : -1;
    for (int32_t i = 1; i < bytes_; ++i)
      if (p[i] != p[0]) uniform = -1;
    {
      std::lock_guard guard(log_.lock);
      log_.refreshes.push_back({name_, tag, uniform, plat::GetCurrentThreadId()});
    }
    if (raise) throw EFakeDisplayError(name_ + " failed");
  }
  void ResetData() override { log_.Call(name_ + ".Reset"); }
  engine::TMMBits BitLength() const override {
    return format_.wBitsPerSample == 8 ? engine::b8Bit : engine::b16Bit;
  }
  engine::TMMMode Mode() const override { return format_.nChannels == 1 ? engine::mMono : engine::mStereo; }
  bool Scroll() const override { return scroll; }
  bool Accelerate() const override { return accelerate; }
  int32_t FFTLength() const override { return fft_length; }

  const plat::WAVEFORMATEX& Format() const { return format_; }

  bool refuse = false;
  bool raise = false;
  bool scroll = false;
  bool accelerate = false;
  int32_t fft_length = 0;

 private:
  std::string name_;
  int32_t bytes_;
  TDisplayLog& log_;
  plat::WAVEFORMATEX format_{};
};

}  // namespace connectortest
