#pragma once
// A byte ring between one producer and one consumer that never block each
// other: a device thread on one side, whoever holds the port's lock on the
// other. Positions only grow; the memory is sized once, at open.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat::wave {

class ByteRing {
 public:
  explicit ByteRing(size_t capacity) : data_(std::max<size_t>(capacity, 1)) {}

  size_t capacity() const { return data_.size(); }

  // Producer: bytes that can be written now.
  // Discarded bytes still count until the consumer has passed them, as it may
  // be reading them.
  size_t Free() const {
    return capacity() - static_cast<size_t>(write_.load() - read_.load(std::memory_order_acquire));
  }
  // Producer: bytes written and not yet read or discarded.
  size_t Pending() const { return static_cast<size_t>(write_.load() - ReadPosition()); }
  // Consumer: bytes that can be read now.
  size_t Readable() const {
    return static_cast<size_t>(write_.load(std::memory_order_acquire) - ReadPosition());
  }

  // Producer: `fill(span, n)` writes up to n bytes at span and returns how
  // many it wrote; it is called for at most two spans and stops on a short one.
  template <class Fill>
  size_t Produce(size_t max, Fill&& fill) {
    const uint64_t write = write_.load(std::memory_order_relaxed);
    const size_t n = std::min(max, Free());
    size_t done = 0;
    while (done < n) {
      const size_t at = static_cast<size_t>((write + done) % capacity());
      const size_t span = std::min(n - done, capacity() - at);
      const size_t made = fill(data_.data() + at, span);
      done += made;
      if (made < span) break;
    }
    write_.store(write + done, std::memory_order_release);
    return done;
  }

  size_t Write(const BYTE* data, size_t bytes) {
    return Produce(bytes, [&](BYTE* span, size_t n) {
      std::copy(data, data + n, span);
      data += n;
      return n;
    });
  }

  // Consumer: `take(span, n)` is handed up to `max` readable bytes in at most
  // two spans; they are released after it returns.
  template <class Take>
  size_t Consume(size_t max, Take&& take) {
    const uint64_t read = ReadPosition();
    const size_t n =
        std::min<size_t>(max, static_cast<size_t>(write_.load(std::memory_order_acquire) - read));
    size_t done = 0;
    while (done < n) {
      const size_t at = static_cast<size_t>((read + done) % capacity());
      const size_t span = std::min(n - done, capacity() - at);
      take(static_cast<const BYTE*>(data_.data() + at), span);
      done += span;
    }
    read_.store(read + done, std::memory_order_release);
    return done;
  }

  // Producer: the consumer skips everything written so far.
  void DiscardWritten() {
    discard_to_.store(write_.load(std::memory_order_relaxed), std::memory_order_release);
  }

 private:
  uint64_t ReadPosition() const {
    return std::max(read_.load(std::memory_order_acquire), discard_to_.load(std::memory_order_acquire));
  }

  std::vector<BYTE> data_;
  std::atomic<uint64_t> write_{0};
  std::atomic<uint64_t> read_{0};
  std::atomic<uint64_t> discard_to_{0};
};

}  // namespace plat::wave
