// The buffer pool: exact fits before larger blocks, lent blocks stay lent,
// unknown pointers are left alone; and the header a device lays into a block.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "engine/MMAlloc.h"
#include "engine/MMWaveHdr.h"
#include "platform/kernel/GlobalMemory.h"

namespace engine {
namespace {

constexpr plat::UINT kFixedZeroed = plat::GPTR;

TEST(MMAllocatorTest, ExactFitBeforeFirstLargerBlock) {
  TMMAllocator pool;
  // The larger block first, so the first-fit pass alone would pick it.
  void* large = pool.GetBlock(kFixedZeroed, 32828);
  void* small = pool.GetBlock(kFixedZeroed, 16444);
  ASSERT_TRUE(small && large);
  pool.ReleaseBlock(large);
  pool.ReleaseBlock(small);
  EXPECT_EQ(small, nullptr);

  auto blocks = pool.Blocks();
  ASSERT_EQ(blocks.size(), 2u);
  void* large_block = blocks[0].block;
  void* small_block = blocks[1].block;

  void* exact = pool.GetBlock(kFixedZeroed, 16444);
  EXPECT_EQ(exact, small_block);
  pool.ReleaseBlock(exact);

  void* bigger = pool.GetBlock(kFixedZeroed, 20000);
  EXPECT_EQ(bigger, large_block);
  blocks = pool.Blocks();
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[0].size, 32828u);
  EXPECT_EQ(blocks[0].in_use, 1);
  // The whole recorded size is usable.
  std::memset(bigger, 0x5A, 32828);
  pool.ReleaseBlock(bigger);
}

TEST(MMAllocatorTest, LentBlockIsNotLentTwiceAndNewBlocksAreZeroed) {
  TMMAllocator pool;
  auto* a = static_cast<unsigned char*>(pool.GetBlock(kFixedZeroed, 64));
  auto* b = static_cast<unsigned char*>(pool.GetBlock(kFixedZeroed, 64));
  ASSERT_TRUE(a && b);
  EXPECT_NE(a, b);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(b[i], 0);
  EXPECT_EQ(pool.Blocks().size(), 2u);

  // Released and asked again: the same memory, not a new allocation.
  void* pa = a;
  pool.ReleaseBlock(pa);
  EXPECT_EQ(pool.GetBlock(kFixedZeroed, 64), a);
  EXPECT_EQ(pool.Blocks().size(), 2u);
}

TEST(MMAllocatorTest, ReleaseIgnoresNullUnknownAndAlreadyReleasedPointers) {
  TMMAllocator pool;
  void* lent = pool.GetBlock(kFixedZeroed, 100);
  int outside = 0;
  void* foreign = &outside;
  pool.ReleaseBlock(foreign);
  EXPECT_EQ(foreign, &outside);

  void* none = nullptr;
  pool.ReleaseBlock(none);
  EXPECT_EQ(none, nullptr);

  void* copy = lent;
  pool.ReleaseBlock(lent);
  EXPECT_EQ(lent, nullptr);
  // A second release of the same block must not make it free twice over.
  pool.ReleaseBlock(copy);
  EXPECT_EQ(copy, pool.Blocks()[0].block);
  EXPECT_EQ(pool.Blocks()[0].in_use, 0);
  void* first = pool.GetBlock(kFixedZeroed, 100);
  void* second = pool.GetBlock(kFixedZeroed, 100);
  EXPECT_NE(first, second);
}

TEST(MMAllocatorTest, FreeAllEmptiesThePoolAndMovableBlocksWork) {
  TMMAllocator pool;
  void* fixed = pool.GetBlock(kFixedZeroed, 256);
  void* movable = pool.GetBlock(plat::GHND, 256);
  ASSERT_TRUE(fixed && movable);
  std::memset(movable, 1, 256);
  pool.FreeAll();
  EXPECT_TRUE(pool.Blocks().empty());
  void* again = pool.GetBlock(kFixedZeroed, 256);
  ASSERT_NE(again, nullptr);
  auto blocks = pool.Blocks();
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].in_use, 1);
}

TEST(MMAllocatorTest, ConcurrentUsersNeverShareABlock) {
  TMMAllocator pool;
  auto worker = [&pool](unsigned char mark) {
    for (int i = 0; i < 200; ++i) {
      auto* p = static_cast<unsigned char*>(pool.GetBlock(kFixedZeroed, 128));
      ASSERT_NE(p, nullptr);
      std::memset(p, mark, 128);
      for (int k = 0; k < 128; ++k) ASSERT_EQ(p[k], mark);
      pool.ReleaseBlock(p);
    }
  };
  std::thread t1(worker, 1), t2(worker, 2), t3(worker, 3);
  t1.join();
  t2.join();
  t3.join();
  EXPECT_LE(pool.Blocks().size(), 3u);
}

TEST(MMWaveHdrTest, HeaderSitsInFrontOfItsDataAndKeepsBookkeeping) {
  TMMAllocator pool;
  constexpr uint32_t kBufferSize = 2048;
  void* block = pool.GetBlock(kFixedZeroed, WaveHdrBlockSize(kBufferSize));
  ASSERT_NE(block, nullptr);
  std::memset(block, 0xEE, WaveHdrBlockSize(kBufferSize));
  TMMWaveHdr* hdr = InitWaveHdr(block, kBufferSize);
  EXPECT_EQ(static_cast<void*>(hdr), block);
  EXPECT_EQ(hdr->lpData, static_cast<char*>(block) + sizeof(TMMWaveHdr));
  EXPECT_EQ(hdr->dwBufferLength, kBufferSize);
  EXPECT_EQ(hdr->dwBytesRecorded, 0u);
  EXPECT_EQ(hdr->dwUser, 0u);
  EXPECT_EQ(hdr->dwFlags, 0u);
  EXPECT_EQ(hdr->dwLoops, 0u);
  EXPECT_EQ(hdr->lpNext, nullptr);
  // The bookkeeping behind the platform header is what the block held.
  EXPECT_EQ(static_cast<uint32_t>(hdr->SavedBytes), 0xEEEEEEEEu);
  // The data area is the whole buffer, up to the end of the block.
  std::memset(hdr->lpData, 0, kBufferSize);
  // The driver sees the platform header at the same address.
  plat::WAVEHDR* driver_view = hdr;
  EXPECT_EQ(static_cast<void*>(driver_view), block);
  pool.ReleaseBlock(block);
}

}  // namespace
}  // namespace engine
