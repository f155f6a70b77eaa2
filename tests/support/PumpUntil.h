#pragma once
// Serving the test's thread until something that other threads or the clock
// bring about has happened.
#include <functional>

namespace testsupport {

// How PumpUntil serves the thread and how long it keeps trying.
struct Pumping {
  // Handles what waits for the thread (messages, synchronized calls); may be
  // empty when the thread only waits.
  std::function<void()> serve = {};
  // Above 0: each round first advances the manual clock by this much, and
  // limit_ms counts clock time. At 0 the clock is left alone and limit_ms
  // counts real time, for threads that act in real time whatever the clock says.
  int clock_step_ms = 0;
  int limit_ms = 5000;
  // Without a clock step: the real pause after each round.
  int pause_us = 1000;
};

// Serves the thread round after round until `done` holds; false when it
// still does not at the limit. An empty `done` never holds: the thread is
// served, and the clock stepped, up to the limit.
bool PumpUntil(const std::function<bool()>& done, const Pumping& pumping);

}  // namespace testsupport
