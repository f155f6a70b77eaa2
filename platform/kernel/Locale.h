#pragma once
// The user's number formatting: decimal and list separators. Read from the
// environment's locale at first use; tests inject their own.
#include <optional>

namespace plat {

struct LocaleSeparators {
  char decimal = '.';
  char list = ',';
};

// The separators in force.
LocaleSeparators GetLocaleSeparators();
// Replaces the separators until reset with std::nullopt (back to the system's).
void SetLocaleSeparators(std::optional<LocaleSeparators> injected);

}  // namespace plat
