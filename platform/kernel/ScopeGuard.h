#pragma once
// Runs a clean-up when a scope is left, however it is left, so a flag or a
// state set for the length of a call is reset on the error path as well.
#include <utility>

namespace plat {

template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F action) : action_(std::move(action)) {}
  ~ScopeExit() { action_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F action_;
};

}  // namespace plat
