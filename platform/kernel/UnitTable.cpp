#include "platform/kernel/UnitTable.h"

#include <algorithm>
#include <numeric>

namespace plat {

void UnitTable::Register(std::string name, int rank, std::function<void()> initialize,
                         std::function<void()> finalize) {
  if (IsRegistered(name)) return;
  units_.push_back({std::move(name), rank, std::move(initialize), std::move(finalize)});
}

bool UnitTable::IsRegistered(const std::string& name) const {
  return std::any_of(units_.begin(), units_.end(), [&](const UnitEntry& u) { return u.name == name; });
}

void UnitTable::Initialize() {
  std::vector<size_t> order(units_.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return units_[a].rank < units_[b].rank; });
  for (size_t index : order) {
    if (std::find(started_.begin(), started_.end(), index) != started_.end()) continue;
    try {
      if (units_[index].initialize) units_[index].initialize();
    } catch (...) {
      Finalize();
      throw;
    }
    started_.push_back(index);
    started_names_.push_back(units_[index].name);
  }
}

void UnitTable::Finalize() {
  while (!started_.empty()) {
    size_t index = started_.back();
    started_.pop_back();
    started_names_.pop_back();
    if (units_[index].finalize) units_[index].finalize();
  }
}

UnitTable& Units() {
  static UnitTable table;
  return table;
}

}  // namespace plat
