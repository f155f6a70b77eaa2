#pragma once
// A window class whose procedure records what it receives, for the window
// layer's tests. Procedures of the class run on any thread, so the log locks.
#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <vector>

#include "platform/user/Messages.h"
#include "platform/user/Window.h"

namespace usertest {

struct Received {
  plat::HWND hwnd;
  plat::UINT message;
  plat::WPARAM wparam;
  plat::DWORD thread;
  bool operator==(const Received&) const = default;
};

class RecordingClass : public ::testing::Test {
 protected:
  static constexpr const char* kClass = "QuellixRecordingWindow";

  void SetUp() override {
    current_ = this;
    plat::WNDCLASSA wc;
    wc.lpfnWndProc = Proc;
    wc.cbWndExtra = 2 * sizeof(plat::LONG_PTR);
    wc.lpszClassName = kClass;
    atom_ = plat::RegisterClassA(&wc);
    ASSERT_NE(atom_, 0);
  }

  void TearDown() override {
    for (plat::HWND hwnd : made_)
      if (plat::IsWindow(hwnd)) plat::DestroyWindow(hwnd);
    EXPECT_TRUE(plat::UnregisterClassA(kClass, nullptr));
    // Leave no queued input to the next test.
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) {
    }
    current_ = nullptr;
  }

  plat::HWND Make(plat::HWND parent = nullptr, plat::DWORD style = 0, void* param = nullptr) {
    plat::HWND hwnd =
        plat::CreateWindowExA(0, kClass, "", style, 0, 0, 10, 10, parent, nullptr, nullptr, param);
    made_.push_back(hwnd);
    return hwnd;
  }

  std::vector<Received> Log() {
    std::lock_guard lock(mutex_);
    return log_;
  }
  void ClearLog() {
    std::lock_guard lock(mutex_);
    log_.clear();
  }
  // Messages of one kind, in order of arrival.
  std::vector<Received> Log(plat::UINT message) {
    std::vector<Received> only;
    for (auto& r : Log())
      if (r.message == message) only.push_back(r);
    return only;
  }

  // Runs for messages the test wants to answer itself; returns true when handled.
  std::function<bool(plat::HWND, plat::UINT, plat::WPARAM, plat::LPARAM, plat::LRESULT*)> on_message_;
  plat::ATOM atom_ = 0;

 private:
  static plat::LRESULT Proc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
    RecordingClass* self = current_;
    {
      std::lock_guard lock(self->mutex_);
      self->log_.push_back({hwnd, message, wparam, plat::GetCurrentThreadId()});
    }
    plat::LRESULT result = 0;
    if (self->on_message_ && self->on_message_(hwnd, message, wparam, lparam, &result)) return result;
    return plat::DefWindowProcA(hwnd, message, wparam, lparam);
  }

  static inline RecordingClass* current_ = nullptr;
  std::mutex mutex_;
  std::vector<Received> log_;
  std::vector<plat::HWND> made_;
};

}  // namespace usertest
