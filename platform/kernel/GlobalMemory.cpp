#include "platform/kernel/GlobalMemory.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/kernel/Errors.h"

namespace plat {

namespace {

struct Block {
  unsigned char* data = nullptr;
  size_t size = 0;
  size_t capacity = 0;
  bool moveable = false;
  UINT locks = 0;
};

// Moveable handles are numbered in a range no user-space address reaches, so
// they never collide with a fixed block's address and are never reused.
constexpr uintptr_t kMoveableBase = uintptr_t{0x5A} << 56;

class Heap {
 public:
  std::mutex mutex;
  std::unordered_map<uintptr_t, Block> blocks;       // by handle
  std::unordered_map<uintptr_t, uintptr_t> by_data;  // data address -> handle
  uintptr_t next_moveable = 1;

  Block* Find(HGLOBAL mem) {
    auto it = blocks.find(reinterpret_cast<uintptr_t>(mem));
    if (it == blocks.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
    return &it->second;
  }
};

Heap& TheHeap() {
  static Heap heap;
  return heap;
}

// At least one byte, so every block has a distinct address.
unsigned char* Allocate(size_t bytes, bool zero) {
  size_t n = std::max<size_t>(bytes, 1);
  return static_cast<unsigned char*>(zero ? std::calloc(n, 1) : std::malloc(n));
}

}  // namespace

HGLOBAL GlobalAlloc(UINT flags, size_t bytes) {
  unsigned char* data = Allocate(bytes, (flags & GMEM_ZEROINIT) != 0);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  Block block{data, bytes, std::max<size_t>(bytes, 1), (flags & GMEM_MOVEABLE) != 0, 0};
  uintptr_t handle = reinterpret_cast<uintptr_t>(data);
  if (block.moveable) handle = kMoveableBase + (heap.next_moveable++ << 4);
  heap.blocks.emplace(handle, block);
  heap.by_data.emplace(reinterpret_cast<uintptr_t>(data), handle);
  return reinterpret_cast<HGLOBAL>(handle);
}

void* GlobalLock(HGLOBAL mem) {
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  Block* block = heap.Find(mem);
  if (!block) return nullptr;
  if (block->moveable && block->locks < GMEM_LOCKCOUNT) ++block->locks;
  return block->data;
}

BOOL GlobalUnlock(HGLOBAL mem) {
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  Block* block = heap.Find(mem);
  if (!block) return FALSE;
  if (block->locks == 0) {
    SetLastError(block->moveable ? ERROR_NOT_LOCKED : ERROR_SUCCESS);
    return FALSE;
  }
  if (--block->locks > 0) return TRUE;
  SetLastError(ERROR_SUCCESS);
  return FALSE;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  Block* block = heap.Find(mem);
  if (!block) return mem;
  heap.by_data.erase(reinterpret_cast<uintptr_t>(block->data));
  std::free(block->data);
  heap.blocks.erase(reinterpret_cast<uintptr_t>(mem));
  return nullptr;
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags) {
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  Block* block = heap.Find(mem);
  if (!block) return nullptr;
  bool zero = (flags & GMEM_ZEROINIT) != 0;
  if (bytes <= block->capacity) {
    if (zero && bytes > block->size) std::memset(block->data + block->size, 0, bytes - block->size);
    block->size = bytes;
    return mem;
  }
  bool may_move = block->moveable ? block->locks == 0 : (flags & GMEM_MOVEABLE) != 0;
  if (!may_move) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  unsigned char* data = Allocate(bytes, false);
  if (!data) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  std::memcpy(data, block->data, block->size);
  if (zero) std::memset(data + block->size, 0, bytes - block->size);
  Block moved = *block;
  heap.by_data.erase(reinterpret_cast<uintptr_t>(moved.data));
  std::free(moved.data);
  moved.data = data;
  moved.size = bytes;
  moved.capacity = bytes;
  uintptr_t handle = reinterpret_cast<uintptr_t>(mem);
  if (!moved.moveable) {
    heap.blocks.erase(handle);
    handle = reinterpret_cast<uintptr_t>(data);
  }
  heap.blocks[handle] = moved;
  heap.by_data.emplace(reinterpret_cast<uintptr_t>(data), handle);
  return reinterpret_cast<HGLOBAL>(handle);
}

size_t GlobalSize(HGLOBAL mem) {
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  Block* block = heap.Find(mem);
  return block ? block->size : 0;
}

HGLOBAL GlobalHandle(const void* data) {
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  auto it = heap.by_data.find(reinterpret_cast<uintptr_t>(data));
  if (it == heap.by_data.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  return reinterpret_cast<HGLOBAL>(it->second);
}

UINT GlobalFlags(HGLOBAL mem) {
  Heap& heap = TheHeap();
  std::lock_guard lock(heap.mutex);
  Block* block = heap.Find(mem);
  return block ? block->locks : GMEM_INVALID_HANDLE;
}

}  // namespace plat
