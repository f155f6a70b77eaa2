#pragma once
// Helpers of the device tests: a chain member that records what reaches it
// and on which thread, and a thread that keeps a manual clock moving while
// the main thread sits in a bounded wait of a device.
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/MMDSPObj.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/ThreadQueue.h"

namespace enginetest {

// Linked below a device; keeps every delivered byte and the delivering thread.
class TTestWaveSink : public engine::TMMDSPComponent {
 public:
  explicit TTestWaveSink(vcl::TComponent* owner) : TMMDSPComponent(owner) { SetConnectableAsInput(true); }

  void BufferReady(plat::WAVEHDR* lpwh) override {
    {
      std::lock_guard guard(lock_);
      threads_.push_back(plat::GetCurrentThreadId());
      sizes_.push_back(lpwh->dwBytesRecorded);
      data_.insert(data_.end(), lpwh->lpData, lpwh->lpData + lpwh->dwBytesRecorded);
    }
    TMMDSPComponent::BufferReady(lpwh);
  }

  std::vector<plat::DWORD> Threads() const {
    std::lock_guard guard(lock_);
    return threads_;
  }
  std::vector<plat::DWORD> Sizes() const {
    std::lock_guard guard(lock_);
    return sizes_;
  }
  std::vector<char> Data() const {
    std::lock_guard guard(lock_);
    return data_;
  }
  size_t Count() const {
    std::lock_guard guard(lock_);
    return sizes_.size();
  }
  int64_t Total() const {
    std::lock_guard guard(lock_);
    int64_t total = 0;
    for (plat::DWORD s : sizes_) total += s;
    return total;
  }

 private:
  mutable std::mutex lock_;
  std::vector<plat::DWORD> threads_;
  std::vector<plat::DWORD> sizes_;
  std::vector<char> data_;
};

}  // namespace enginetest
