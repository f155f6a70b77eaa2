#include "files/MMCutLst.h"

#include "platform/vcl/Classes.h"
#include "platform/vcl/TypInfo.h"

namespace files {

void RaiseListError() { throw vcl::EListError("List index out of bounds (%d)"); }

VCL_IMPLEMENT_CLASS(TMMCutList)

void TMMCutList::SetCount(int32_t value) {
  if (value < 0 || value > kMaxListSize) RaiseListError();
  if (value > Capacity()) SetCapacity(value);
  for (int32_t i = count_; i < value; ++i) items_[static_cast<size_t>(i)] = TMMCutRange{};
  count_ = value;
}

void TMMCutList::SetCapacity(int32_t value) {
  if (value < count_ || value > kMaxListSize) RaiseListError();
  items_.resize(static_cast<size_t>(value));
}

void TMMCutList::Grow() { SetCapacity(GrownCapacity(Capacity())); }

int32_t TMMCutList::Add(const TMMCutRange& range) {
  Changing();
  if (count_ == Capacity()) Grow();
  items_[static_cast<size_t>(count_)] = range;
  const int32_t index = count_++;
  Changed();
  return index;
}

void TMMCutList::Insert(int32_t index, const TMMCutRange& range) {
  if (index < 0 || index > count_) RaiseListError();
  Changing();
  if (count_ == Capacity()) Grow();
  for (int32_t i = count_; i > index; --i)
    items_[static_cast<size_t>(i)] = items_[static_cast<size_t>(i - 1)];
  items_[static_cast<size_t>(index)] = range;
  ++count_;
  Changed();
}

bool TMMCutList::AddRange(const TMMCutRange& range) {
  int32_t before = count_;
  for (int32_t i = 0; i < count_; ++i) {
    const TMMCutRange& r = items_[static_cast<size_t>(i)];
    if (range.Start >= r.Start && range.Start < r.Start + r.Length) return false;
    if (before == count_ && r.Start > range.Start) before = i;
  }
  Insert(before, range);
  return true;
}

const TMMCutRange& TMMCutList::GetRange(int32_t index) const {
  if (index < 0 || index >= count_) RaiseListError();
  return items_[static_cast<size_t>(index)];
}

void TMMCutList::Clear() {
  Changing();
  count_ = 0;
  items_.clear();
  items_.shrink_to_fit();
  Changed();
}

void TMMCutList::Assign(const vcl::TPersistent* source) {
  if (source == nullptr || dynamic_cast<const TMMCutList*>(source) != nullptr) {
    BeginUpdate();
    Clear();
    if (const auto* other = static_cast<const TMMCutList*>(source))
      for (int32_t i = 0; i < other->count_; ++i) Add(other->items_[static_cast<size_t>(i)]);
    EndUpdate();
    return;
  }
  inherited::Assign(source);
}

int32_t TMMCutList::IndexOfPosition(int64_t pos) const {
  return IndexOfPositionIn(count_, pos, [this](int32_t i) { return items_[static_cast<size_t>(i)].Start; });
}

int32_t TMMCutList::IndexOfRangeContaining(int64_t pos) const {
  const int32_t i = IndexOfPosition(pos) - 1;
  if (i < 0) return -1;
  const TMMCutRange& r = items_[static_cast<size_t>(i)];
  return pos >= r.Start && pos < r.Start + r.Length ? i : -1;
}

}  // namespace files
