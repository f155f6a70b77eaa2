#pragma once
// One running copy per user and display: a lock file held with flock() and a
// Unix socket beside it, in $XDG_RUNTIME_DIR/quellix (or a private folder
// under the temporary folder). The kernel drops the lock when the holder
// dies, so a killed copy leaves no obstacle; its stale socket is replaced.
// Later starts hand their command line to the holder over the socket.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

// The folder for the lock and socket files, made with mode 0700 and checked
// to be the user's own; empty when no such folder can be had.
std::string InstanceFolder();
// The file stem for an identity: a hash of it and of the display, since the
// identity may hold "/" and the same user may run one copy per display.
std::string InstanceStem(const std::string& identity);

class InstanceLock {
 public:
  ~InstanceLock();
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Command lines handed over by later starts since the last call, oldest first.
  std::vector<std::vector<std::string>> TakeRequests();
  // Posts `message` to `window` (from the listener thread) when a request
  // arrives; a null window stops the posts.
  void SetNotify(HWND window, UINT message);

 private:
  friend class InstanceLockMaker;
  InstanceLock(int lock_fd, int listen_fd, int stop_fd, std::string socket_path);
  void Listen();
  void Serve(int client);

  int lock_fd_;
  int listen_fd_;
  int stop_fd_;
  std::string socket_path_;
  std::mutex mutex_;
  std::vector<std::vector<std::string>> requests_;
  HWND notify_window_ = nullptr;
  UINT notify_message_ = 0;
  std::thread listener_;
};

enum InstanceState {
  instanceAcquired,  // this copy is the one; `lock` holds it until destroyed
  instanceBusy,      // another copy holds it
  instanceFailed     // no usable folder or socket: nothing can be told
};
InstanceState TryAcquireInstance(const std::string& identity, std::unique_ptr<InstanceLock>& lock);

// What a later start sends: "activate", then each argument, each ended by
// a NUL. False for anything else.
bool ParseInstanceRequest(std::string_view text, std::vector<std::string>& args);

// Hands `args` to the copy holding `identity`, waiting at most `timeout_ms`
// for it to listen and acknowledge. False when none holds it or it did not answer.
bool HandToInstance(const std::string& identity, const std::vector<std::string>& args, DWORD timeout_ms);

}  // namespace plat
