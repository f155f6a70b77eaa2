#include "support/PumpUntil.h"

#include <chrono>
#include <thread>

#include "platform/kernel/Clock.h"

namespace testsupport {

bool PumpUntil(const std::function<bool()>& until, const Pumping& pumping) {
  auto done = [&] { return until && until(); };
  auto serve = [&] {
    if (pumping.serve) pumping.serve();
  };
  if (pumping.clock_step_ms > 0) {
    for (int t = 0; t < pumping.limit_ms && !done(); t += pumping.clock_step_ms) {
      plat::clock::AdvanceMs(pumping.clock_step_ms);
      serve();
    }
    return done();
  }
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(pumping.limit_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    serve();
    // The other threads run on their own; a short real pause lets them,
    // and lets what they do next in answer arrive before the next look.
    std::this_thread::sleep_for(std::chrono::microseconds(pumping.pause_us));
  }
  return true;
}

}  // namespace testsupport
