#pragma once
// Bitmaps shared by key among their holders: the first holder of a key makes
// the bitmap, each further one is counted, and the last release frees it.
#include <algorithm>
#include <memory>
#include <vector>

#include "platform/vcl/GraphicsBitmap.h"

namespace controls {

template <class Key>
class TSharedBitmaps {
 public:
  // The bitmap of `key` with one more holder; make() makes it for the first.
  template <class Make>
  vcl::TBitmap* Acquire(const Key& key, Make&& make) {
    for (Entry& e : entries_)
      if (e.key == key) {
        ++e.ref_count;
        return e.bitmap.get();
      }
    entries_.push_back({key, make(), 1});
    return entries_.back().bitmap.get();
  }
  // One holder fewer; `freed` when it was the last. False when `bitmap` is
  // not held here.
  bool Release(vcl::TBitmap* bitmap, bool& freed) {
    freed = false;
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.bitmap.get() == bitmap; });
    if (it == entries_.end()) return false;
    if (--it->ref_count <= 0) {
      entries_.erase(it);
      freed = true;
    }
    return true;
  }
  // 0 for a bitmap not held here.
  int RefCount(const vcl::TBitmap* bitmap) const {
    for (const Entry& e : entries_)
      if (e.bitmap.get() == bitmap) return e.ref_count;
    return 0;
  }
  bool Empty() const { return entries_.empty(); }
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    Key key;
    std::unique_ptr<vcl::TBitmap> bitmap;
    int ref_count = 0;
  };
  std::vector<Entry> entries_;
};

}  // namespace controls
