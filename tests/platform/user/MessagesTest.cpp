#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "UserTestSupport.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Messages.h"
#include "support/PumpUntil.h"

using namespace plat;

namespace {

class Messages : public usertest::RecordingClass {
 protected:
  static void DispatchAll() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  // Pumps the calling thread until `done` holds (bounded in real time).
  static bool PumpUntil(const std::function<bool()>& done) {
    return testsupport::PumpUntil(done, {.serve = DispatchAll});
  }
};

}  // namespace

TEST_F(Messages, PostsFromAWorkerArriveOnTheOwnerInOrder) {
  ASSERT_TRUE(IsMainThread());
  HWND hwnd = Make();
  std::thread worker([hwnd] {
    for (WPARAM i = 0; i < 200; ++i) PostMessageA(hwnd, WM_USER, i, 0);
    PostThreadMessageA(GetMainThreadId(), WM_USER + 1, 0, 0);
  });
  MSG msg;
  std::vector<WPARAM> seen;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0 && msg.message != WM_USER + 1) DispatchMessageA(&msg);
  worker.join();
  for (auto& r : Log(WM_USER)) {
    seen.push_back(r.wparam);
    EXPECT_EQ(r.thread, GetMainThreadId());
  }
  ASSERT_EQ(seen.size(), 200u);
  for (WPARAM i = 0; i < 200; ++i) EXPECT_EQ(seen[i], i);
}

TEST_F(Messages, CrossThreadSendRunsOnTheOwnerAndCanSendBack) {
  HWND main_window = Make();
  std::atomic<HWND> worker_window{nullptr};
  std::atomic<bool> sent_back_served{false};
  // The main window answers by sending to the worker's window while the
  // worker is still waiting in its own send: that must be served, not deadlock.
  on_message_ = [&](HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) {
    if (message == WM_USER && hwnd == main_window) {
      *result = wparam * 2 + SendMessageA(worker_window.load(), WM_USER + 1, 0, 0);
      return true;
    }
    if (message == WM_USER + 1) {
      sent_back_served = GetCurrentThreadId() != GetMainThreadId();
      *result = 1;
      return true;
    }
    return false;
  };
  LRESULT answer = 0;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    worker_window = CreateWindowExA(0, kClass, "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    answer = SendMessageA(main_window, WM_USER, 20, 0);
    DestroyWindow(worker_window.load());
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(answer, 41);
  EXPECT_TRUE(sent_back_served.load());
  auto handled = Log(WM_USER);
  ASSERT_EQ(handled.size(), 1u);
  EXPECT_EQ(handled[0].thread, GetMainThreadId());
}

TEST_F(Messages, ExceptionInTheReceiverReachesTheSender) {
  HWND hwnd = Make();
  on_message_ = [](HWND, UINT message, WPARAM, LPARAM, LRESULT*) -> bool {
    if (message == WM_USER) throw std::runtime_error("from the owner");
    return false;
  };
  std::atomic<bool> done{false};
  std::string caught;
  std::thread worker([&] {
    try {
      SendMessageA(hwnd, WM_USER, 0, 0);
    } catch (const std::runtime_error& e) {
      caught = e.what();
    }
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
  EXPECT_EQ(caught, "from the owner");
  EXPECT_THROW(SendMessageA(hwnd, WM_USER, 0, 0), std::runtime_error);  // same thread: direct
}

TEST_F(Messages, SentMessagesGoBeforePostedOnes) {
  HWND hwnd = Make();
  ClearLog();
  PostMessageA(hwnd, WM_USER + 2, 0, 0);
  std::thread worker([hwnd] { SendMessageA(hwnd, WM_USER + 1, 0, 0); });
  while (!(GetQueueStatus(QS_SENDMESSAGE) >> 16)) std::this_thread::yield();
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, WM_USER + 2);
  worker.join();
  // The send was handled while the queue was checked, before the post came out.
  ASSERT_EQ(Log().size(), 1u);
  EXPECT_EQ(Log().back().message, WM_USER + 1);
}

TEST_F(Messages, QueuedMessagesOfADestroyedWindowAreDropped) {
  HWND doomed = Make();
  HWND other = Make();
  PostMessageA(doomed, WM_USER, 1, 0);
  PostMessageA(other, WM_USER, 2, 0);
  PostMessageA(doomed, WM_USER, 3, 0);
  DestroyWindow(doomed);
  EXPECT_FALSE(PostMessageA(doomed, WM_USER, 4, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  std::vector<HWND> retrieved;
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) retrieved.push_back(msg.hwnd);
  EXPECT_EQ(retrieved, std::vector<HWND>{other});
}

TEST_F(Messages, PeekFiltersByWindowAndRange) {
  HWND a = Make();
  HWND child = Make(a, WS_CHILD);
  HWND b = Make();
  struct Queued {
    HWND hwnd;
    UINT message;
  };
  const Queued queued[] = {{b, WM_USER + 1}, {nullptr, WM_USER + 2}, {child, WM_USER + 3}, {a, WM_APP}};
  struct Case {
    const char* what;
    HWND filter;
    UINT min, max;
    UINT expected;  // 0: nothing
  };
  const Case cases[] = {
      {"everything", nullptr, 0, 0, WM_USER + 1},
      {"a window and its children", a, 0, 0, WM_USER + 3},
      {"thread messages only", HWND_THREAD_MESSAGES, 0, 0, WM_USER + 2},
      {"range", nullptr, WM_USER + 2, WM_APP, WM_USER + 2},
      {"window and range", a, WM_APP, WM_APP, WM_APP},
      {"range with nothing in it", nullptr, WM_USER + 10, WM_USER + 20, 0},
      {"window without messages", b, WM_USER + 2, WM_APP, 0},
  };
  for (const Case& c : cases) {
    for (const Queued& q : queued) PostMessageA(q.hwnd, q.message, 0, 0);
    MSG msg;
    if (c.expected == 0) {
      EXPECT_FALSE(PeekMessageA(&msg, c.filter, c.min, c.max, PM_REMOVE)) << c.what;
    } else {
      // PM_NOREMOVE leaves it; PM_REMOVE takes that very message.
      ASSERT_TRUE(PeekMessageA(&msg, c.filter, c.min, c.max, PM_NOREMOVE)) << c.what;
      EXPECT_EQ(msg.message, c.expected) << c.what;
      ASSERT_TRUE(PeekMessageA(&msg, c.filter, c.min, c.max, PM_REMOVE | PM_NOYIELD)) << c.what;
      EXPECT_EQ(msg.message, c.expected) << c.what;
      if (PeekMessageA(&msg, c.filter, c.min, c.max, PM_NOREMOVE)) {
        EXPECT_NE(msg.message, c.expected) << c.what;
      }
    }
    int left = 0;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ++left;
    EXPECT_EQ(left, c.expected ? 3 : 4) << c.what;
  }
}

TEST_F(Messages, QuitComesAfterEverythingPosted) {
  HWND hwnd = Make();
  PostQuitMessage(7);
  PostMessageA(hwnd, WM_USER, 0, 0);
  PostMessageA(nullptr, WM_USER + 1, 0, 0);
  MSG msg;
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, WM_USER);
  // A range filter does not hold WM_QUIT back.
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
  EXPECT_EQ(msg.message, WM_QUIT);
  ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
  EXPECT_EQ(msg.message, WM_USER + 1);
  EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
  EXPECT_EQ(msg.message, WM_QUIT);
  EXPECT_EQ(msg.wParam, 7u);
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Messages, InvalidTargetsFail) {
  MSG msg;
  HWND gone = Make();
  DestroyWindow(gone);
  EXPECT_EQ(GetMessageA(&msg, gone, 0, 0), -1);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  EXPECT_EQ(SendMessageA(gone, WM_USER, 0, 0), 0);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
  DWORD_PTR result = 1;
  EXPECT_EQ(SendMessageTimeoutA(gone, WM_USER, 0, 0, SMTO_NORMAL, 10, &result), 0);
  EXPECT_FALSE(TranslateMessage(&msg));
}

TEST_F(Messages, WaitMessageWaitsForNewInput) {
  HWND hwnd = Make();
  PostMessageA(hwnd, WM_USER, 0, 0);
  MSG msg;
  // The caller looked and left the message queued: only something new wakes it.
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
  std::atomic<bool> posted{false};
  std::thread worker([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    posted = true;
    PostMessageA(hwnd, WM_APP, 0, 0);
  });
  EXPECT_TRUE(WaitMessage());
  EXPECT_TRUE(posted.load());
  worker.join();
}
