#pragma once
// Advances the manual clock from another thread while the test's thread is
// blocked in a bounded wait of the code under test, so that wait runs out
// without a test step.
#include <atomic>
#include <chrono>
#include <thread>

#include "platform/kernel/Clock.h"
#include "platform/kernel/WaitCore.h"

namespace testsupport {

class ClockPusher {
 public:
  // 10 ms of clock time every `pause` of real time.
  explicit ClockPusher(std::chrono::microseconds pause = std::chrono::milliseconds(1))
      : thread_([this, pause] {
          while (!done_) {
            plat::clock::AdvanceMs(10);
            std::this_thread::sleep_for(pause);
          }
        }) {}
  ~ClockPusher() {
    done_ = true;
    // Joining is no wait of the layer's: tell the clock this thread has
    // settled, or the pusher's last advance waits for it in vain.
    plat::waitcore::ThreadIdle();
    thread_.join();
  }
  ClockPusher(const ClockPusher&) = delete;
  ClockPusher& operator=(const ClockPusher&) = delete;

 private:
  std::atomic<bool> done_{false};
  std::thread thread_;
};

}  // namespace testsupport
