#include <gtest/gtest.h>

#include <numeric>
#include <thread>
#include <vector>

#include "platform/mm/WaveRing.h"

using plat::BYTE;
using plat::wave::ByteRing;

namespace {

std::vector<BYTE> Drain(ByteRing& ring, size_t max) {
  std::vector<BYTE> out;
  ring.Consume(max, [&](const BYTE* data, size_t n) { out.insert(out.end(), data, data + n); });
  return out;
}

TEST(ByteRing, WrapsFillsAndDiscards) {
  ByteRing ring(8);
  std::vector<BYTE> bytes(12);
  std::iota(bytes.begin(), bytes.end(), BYTE{1});
  EXPECT_EQ(ring.Write(bytes.data(), 6), 6u);
  EXPECT_EQ(Drain(ring, 4), (std::vector<BYTE>{1, 2, 3, 4}));
  // Across the end of the memory, and no further than the room left.
  EXPECT_EQ(ring.Write(bytes.data() + 6, 6), 6u);
  EXPECT_EQ(ring.Free(), 0u);
  EXPECT_EQ(ring.Write(bytes.data(), 1), 0u);
  EXPECT_EQ(Drain(ring, 100), (std::vector<BYTE>{5, 6, 7, 8, 9, 10, 11, 12}));
  EXPECT_EQ(ring.Readable(), 0u);

  // A short fill ends the write.
  EXPECT_EQ(ring.Produce(8,
                         [](BYTE* span, size_t n) {
                           span[0] = 42;
                           return n > 3 ? size_t{3} : n;
                         }),
            3u);
  EXPECT_EQ(ring.Pending(), 3u);
  // Discarded bytes are gone for the reader at once, but their room comes
  // back only when the reader has passed them.
  ring.DiscardWritten();
  EXPECT_EQ(ring.Pending(), 0u);
  EXPECT_EQ(ring.Free(), 5u);
  EXPECT_EQ(ring.Write(bytes.data(), 2), 2u);
  EXPECT_EQ(Drain(ring, 100), (std::vector<BYTE>{1, 2}));
  EXPECT_EQ(ring.Free(), 8u);
}

TEST(ByteRing, OneWriterAndOneReaderOnTwoThreadsKeepTheOrder) {
  ByteRing ring(61);  // not a divisor of the chunk size, so spans wrap anywhere
  constexpr size_t kTotal = 200000;
  std::thread writer([&] {
    BYTE chunk[17];
    size_t sent = 0;
    while (sent < kTotal) {
      const size_t n = std::min(sizeof(chunk), kTotal - sent);
      for (size_t i = 0; i < n; ++i) chunk[i] = static_cast<BYTE>(sent + i);
      size_t done = 0;
      while (done < n) done += ring.Write(chunk + done, n - done);
      sent += n;
    }
  });
  size_t received = 0, wrong = 0;
  while (received < kTotal) {
    ring.Consume(23, [&](const BYTE* data, size_t n) {
      for (size_t i = 0; i < n; ++i) wrong += data[i] != static_cast<BYTE>(received + i);
      received += n;
    });
  }
  writer.join();
  EXPECT_EQ(wrong, 0u);
}

}  // namespace
