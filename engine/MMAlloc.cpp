#include "engine/MMAlloc.h"

#include "platform/kernel/GlobalMemory.h"

namespace engine {

TMMAllocator::~TMMAllocator() { FreeAll(); }

void* TMMAllocator::GetBlock(plat::UINT flags, size_t size) {
  std::lock_guard guard(lock_);
  // An exact fit first, so blocks of one size stay with the device that asks for it.
  for (TRecord& r : records_) {
    if (r.info.in_use == 0 && r.info.size == size) {
      ++r.info.in_use;
      return r.info.block;
    }
  }
  for (TRecord& r : records_) {
    if (r.info.in_use == 0 && r.info.size >= size) {
      ++r.info.in_use;
      return r.info.block;
    }
  }
  plat::HGLOBAL handle = plat::GlobalAlloc(flags, size);
  if (!handle) return nullptr;
  void* block = plat::GlobalLock(handle);
  if (!block) {
    plat::GlobalFree(handle);
    return nullptr;
  }
  records_.push_back(TRecord{handle, TBlockInfo{block, size, 1}});
  return block;
}

void TMMAllocator::ReleaseBlock(void*& p) {
  if (!p) return;
  std::lock_guard guard(lock_);
  for (TRecord& r : records_) {
    // Only a lent block goes back: a second release must not make the
    // counter go below zero and the block look free twice.
    if (r.info.block == p && r.info.in_use > 0) {
      --r.info.in_use;
      p = nullptr;
      return;
    }
  }
}

void TMMAllocator::FreeAll() {
  std::lock_guard guard(lock_);
  while (!records_.empty()) {
    TRecord& r = records_.back();
    plat::GlobalUnlock(r.handle);
    plat::GlobalFree(r.handle);
    records_.pop_back();
  }
}

std::vector<TMMAllocator::TBlockInfo> TMMAllocator::Blocks() const {
  std::lock_guard guard(lock_);
  std::vector<TBlockInfo> result;
  result.reserve(records_.size());
  for (const TRecord& r : records_) result.push_back(r.info);
  return result;
}

}  // namespace engine
