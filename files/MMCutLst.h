#pragma once
// Ranges of samples kept in start order: the regions a wave skips, and the
// play ranges the wave reads through. Positions are 64-bit so a long
// recording never wraps them.
#include <cstdint>
#include <vector>

#include "engine/MMObj.h"

namespace files {

struct TMMCutRange {
  int64_t Start = 0;  // first sample
  int64_t StartBytes = 0;
  int64_t Length = 0;  // samples; a range of length 0 covers nothing
  int64_t LengthBytes = 0;
  int64_t Spare = 0;
};

// Index and capacity bounds of the edit lists.
constexpr int32_t kMaxListSize = 134217727;

// Raises EListError "List index out of bounds (%d)", the placeholder left as it is.
[[noreturn]] void RaiseListError();

// The edit lists' growth step: +4 below 5, +8 below 9, else +16.
inline int32_t GrownCapacity(int32_t capacity) {
  return capacity + (capacity < 5 ? 4 : capacity < 9 ? 8 : 16);
}

// -1 for no items; count when the last item lies at or before pos; else the
// first item lying after pos, by halving. position_of(i) gives item i's place.
template <class PositionOf>
int32_t IndexOfPositionIn(int32_t count, int64_t pos, PositionOf position_of) {
  if (count == 0) return -1;
  if (position_of(count - 1) <= pos) return count;
  int32_t lo = 0, hi = count - 1;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (position_of(mid) > pos)
      hi = mid;
    else
      lo = mid + 1;
  }
  return lo;
}

class TMMCutList : public engine::TMMObject {
  VCL_DECLARE_CLASS(TMMCutList, engine::TMMObject)
 public:
  TMMCutList() = default;

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return static_cast<int32_t>(items_.size()); }
  void SetCount(int32_t value);
  void SetCapacity(int32_t value);

  int32_t Add(const TMMCutRange& range);
  void Insert(int32_t index, const TMMCutRange& range);
  // False, and nothing added, when the range starts inside an existing one.
  bool AddRange(const TMMCutRange& range);
  const TMMCutRange& GetRange(int32_t index) const;
  void Clear();

  // Another cut list (or null) is copied within one update.
  void Assign(const vcl::TPersistent* source) override;

  // -1 for an empty list; Count when the last range starts at or before pos;
  // else the first range starting after pos.
  int32_t IndexOfPosition(int64_t pos) const;
  int32_t IndexOfRangeContaining(int64_t pos) const;

 protected:
  virtual void Grow();

 private:
  std::vector<TMMCutRange> items_;  // its size is the capacity
  int32_t count_ = 0;
};

}  // namespace files
