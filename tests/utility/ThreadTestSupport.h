#pragma once
// The main thread served while the utility library's threads run in real time.
#include <gtest/gtest.h>

#include <functional>

#include "platform/vcl/Application.h"
#include "platform/vcl/VclThread.h"
#include "support/PumpUntil.h"

namespace utility::threadtest {

// Long enough for a change to arrive; short enough to show that none does.
constexpr int kArrives = 3000;
constexpr int kQuiet = 300;

inline void Serve() {
  vcl::CheckSynchronize();
  if (vcl::Application) vcl::Application->ProcessMessages();
}

// Serves the main thread until `done`; false when it does not happen in time.
inline bool Until(const std::function<bool()>& done, int limit_ms = kArrives) {
  return testsupport::PumpUntil(done, {.serve = Serve, .limit_ms = limit_ms});
}

// Serves the main thread for `ms` of real time.
inline void ServeFor(int ms) { testsupport::PumpUntil({}, {.serve = Serve, .limit_ms = ms}); }

class ThreadTest : public ::testing::Test {
 protected:
  void SetUp() override { vcl::InitApplication(); }
  void TearDown() override { vcl::DoneApplication(); }
};

}  // namespace utility::threadtest
