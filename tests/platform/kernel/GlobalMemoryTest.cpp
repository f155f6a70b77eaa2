#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/kernel/GlobalMemory.h"

using namespace plat;

namespace {

bool AllZero(const void* p, size_t n) {
  auto* bytes = static_cast<const unsigned char*>(p);
  for (size_t i = 0; i < n; ++i)
    if (bytes[i] != 0) return false;
  return true;
}

}  // namespace

TEST(GlobalMemory, AllocationKindsAndZeroing) {
  struct Case {
    UINT flags;
    bool zeroed;
    bool handle_is_pointer;
  };
  for (const Case& c : {Case{GMEM_FIXED, false, true}, Case{GPTR, true, true},
                        Case{GMEM_MOVEABLE, false, false}, Case{GHND, true, false}}) {
    SCOPED_TRACE(c.flags);
    HGLOBAL mem = GlobalAlloc(c.flags, 4096);
    ASSERT_NE(mem, nullptr);
    void* p = GlobalLock(mem);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(mem == p, c.handle_is_pointer);
    if (c.zeroed) {
      EXPECT_TRUE(AllZero(p, 4096));
    }
    EXPECT_EQ(GlobalSize(mem), 4096u);
    EXPECT_EQ(GlobalHandle(p), mem);
    std::memset(p, 0xAB, 4096);
    GlobalUnlock(mem);
    EXPECT_EQ(GlobalFree(mem), nullptr);
  }
}

TEST(GlobalMemory, MoveableBlockCountsLocksAndKeepsItsPointer) {
  HGLOBAL mem = GlobalAlloc(GHND, 16);
  void* first = GlobalLock(mem);
  void* second = GlobalLock(mem);
  EXPECT_EQ(first, second);
  EXPECT_EQ(GlobalFlags(mem) & GMEM_LOCKCOUNT, 2u);
  EXPECT_EQ(GlobalUnlock(mem), TRUE);  // still locked once
  EXPECT_EQ(GlobalUnlock(mem), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_EQ(GlobalUnlock(mem), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));
  EXPECT_EQ(GlobalFlags(mem) & GMEM_LOCKCOUNT, 0u);
  GlobalFree(mem);
}

TEST(GlobalMemory, ReAllocKeepsContentsAndZeroesGrowth) {
  for (UINT kind : {GMEM_FIXED, GMEM_MOVEABLE}) {
    SCOPED_TRACE(kind);
    HGLOBAL mem = GlobalAlloc(kind, 8);
    std::memcpy(GlobalLock(mem), "abcdefgh", 8);
    GlobalUnlock(mem);
    HGLOBAL grown = GlobalReAlloc(mem, 1 << 20, GMEM_MOVEABLE | GMEM_ZEROINIT);
    ASSERT_NE(grown, nullptr);
    if (kind == GMEM_MOVEABLE) {
      EXPECT_EQ(grown, mem);  // a moveable handle survives the move
    }
    auto* p = static_cast<char*>(GlobalLock(grown));
    EXPECT_EQ(std::memcmp(p, "abcdefgh", 8), 0);
    EXPECT_TRUE(AllZero(p + 8, (1 << 20) - 8));
    EXPECT_EQ(GlobalSize(grown), size_t{1} << 20);
    GlobalUnlock(grown);
    HGLOBAL shrunk = GlobalReAlloc(grown, 4, 0);
    EXPECT_EQ(shrunk, grown);
    EXPECT_EQ(GlobalSize(shrunk), 4u);
    EXPECT_EQ(GlobalFree(shrunk), nullptr);
  }
}

TEST(GlobalMemory, BlocksThatMustNotMoveAreNotMoved) {
  // A locked moveable block, and a fixed block without leave to move: growing
  // beyond their space fails and the caller's pointer stays good.
  HGLOBAL moveable = GlobalAlloc(GMEM_MOVEABLE, 8);
  auto* locked = static_cast<char*>(GlobalLock(moveable));
  std::memcpy(locked, "1234567", 8);
  EXPECT_EQ(GlobalReAlloc(moveable, 1 << 20, 0), nullptr);
  EXPECT_STREQ(locked, "1234567");
  GlobalUnlock(moveable);
  GlobalFree(moveable);

  HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 8);
  EXPECT_EQ(GlobalReAlloc(fixed, 1 << 20, 0), nullptr);
  EXPECT_EQ(GlobalSize(fixed), 8u);
  GlobalFree(fixed);
}

TEST(GlobalMemory, BadHandlesFailCleanly) {
  int not_a_block = 0;
  HGLOBAL freed = GlobalAlloc(GHND, 4);
  GlobalFree(freed);
  for (HGLOBAL bad : {static_cast<HGLOBAL>(nullptr), static_cast<HGLOBAL>(&not_a_block), freed}) {
    SetLastError(0);
    EXPECT_EQ(GlobalLock(bad), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(GlobalUnlock(bad), FALSE);
    EXPECT_EQ(GlobalSize(bad), 0u);
    EXPECT_EQ(GlobalReAlloc(bad, 8, 0), nullptr);
    EXPECT_EQ(GlobalFlags(bad), GMEM_INVALID_HANDLE);
    EXPECT_EQ(GlobalFree(bad), bad);
  }
  EXPECT_EQ(GlobalHandle(&not_a_block), nullptr);
}

TEST(GlobalMemory, ThreadsAllocateLockAndFreeTogether) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 500; ++i) {
        HGLOBAL mem = GlobalAlloc(i % 2 ? GHND : GPTR, 64);
        auto* p = static_cast<unsigned char*>(GlobalLock(mem));
        std::memset(p, t, 64);
        GlobalUnlock(mem);
        mem = GlobalReAlloc(mem, 128, GMEM_MOVEABLE);
        ASSERT_NE(mem, nullptr);
        EXPECT_EQ(static_cast<unsigned char*>(GlobalLock(mem))[63], t);
        GlobalUnlock(mem);
        EXPECT_EQ(GlobalFree(mem), nullptr);
      }
    });
  for (auto& thread : threads) thread.join();
}
