#pragma once
// A device's pool of reusable global-memory blocks. Blocks are lent whole and
// given back, never shrunk, split or merged, so a device that is stopped and
// started again reuses its memory. Safe from any thread.
#include <cstddef>
#include <mutex>
#include <vector>

#include "platform/kernel/Types.h"

namespace engine {

class TMMAllocator {
 public:
  struct TBlockInfo {
    void* block = nullptr;
    size_t size = 0;  // as allocated; a larger block lent for a smaller request keeps it
    int in_use = 0;
  };

  TMMAllocator() = default;
  ~TMMAllocator();
  TMMAllocator(const TMMAllocator&) = delete;
  TMMAllocator& operator=(const TMMAllocator&) = delete;

  // A free block of exactly `size`, else the first free one that is larger,
  // else a new one allocated with the global-memory `flags` and locked.
  // Null when the system has no memory.
  void* GetBlock(plat::UINT flags, size_t size);
  // Gives a lent block back and nils p. A null p is ignored; a pointer the
  // pool never lent (or that is not lent now) is left as it is.
  void ReleaseBlock(void*& p);
  template <class T>
  void ReleaseBlock(T*& p) {
    void* raw = p;
    ReleaseBlock(raw);
    p = static_cast<T*>(raw);
  }
  // Frees every block, lent or not, newest first.
  void FreeAll();

  // The records, oldest first.
  std::vector<TBlockInfo> Blocks() const;

 private:
  struct TRecord {
    plat::HGLOBAL handle = nullptr;
    TBlockInfo info;
  };
  mutable std::mutex lock_;
  std::vector<TRecord> records_;
};

}  // namespace engine
