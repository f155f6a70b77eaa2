#include "platform/shell/Instance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <utility>

#include "platform/shell/Xdg.h"
#include "platform/user/Messages.h"

namespace plat {

namespace {
constexpr std::string_view kActivate{"activate\0", 9};
constexpr size_t kMaxRequest = 64 * 1024;
constexpr int kServeTimeoutMs = 1000;
constexpr int kListenPollMs = 500;

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool SocketAddress(const std::string& path, sockaddr_un& address) {
  std::memset(&address, 0, sizeof address);
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

std::string LockPath(const std::string& folder, const std::string& identity) {
  return folder + "/" + InstanceStem(identity) + ".lock";
}

std::string SocketPath(const std::string& folder, const std::string& identity) {
  return folder + "/" + InstanceStem(identity) + ".sock";
}

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads until the peer closes, `limit` bytes or the deadline; false on error
// or time-out.
bool ReadAll(int fd, std::string& out, size_t limit, Clock::time_point deadline) {
  char buffer[4096];
  for (;;) {
    pollfd p{fd, POLLIN, 0};
    int ready = ::poll(&p, 1, RemainingMs(deadline));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) return false;
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return true;
    if (out.size() + static_cast<size_t>(n) > limit) return false;
    out.append(buffer, static_cast<size_t>(n));
  }
}
}  // namespace

std::string InstanceFolder() {
  std::string runtime = XdgRuntimeDir();
  std::string folder = runtime.empty() ? std::filesystem::temp_directory_path().string() + "/quellix-" +
                                             std::to_string(::geteuid())
                                       : runtime + "/quellix";
  if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return "";
  // Someone else's folder, or one others may write to, could hand this
  // program a socket of theirs.
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() ||
      (st.st_mode & 077) != 0)
    return "";
  return folder;
}

std::string InstanceStem(const std::string& identity) {
  std::string display;
  if (const char* wayland = std::getenv("WAYLAND_DISPLAY"); wayland && *wayland)
    display = std::string("wayland:") + wayland;
  else if (const char* x = std::getenv("DISPLAY"))
    display = x;
  uint64_t hash = 1469598103934665603ull;
  auto mix = [&hash](std::string_view text) {
    for (unsigned char c : text) {
      hash ^= c;
      hash *= 1099511628211ull;
    }
  };
  mix(identity);
  mix(std::string_view("\0", 1));
  mix(display);
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

class InstanceLockMaker {
 public:
  static std::unique_ptr<InstanceLock> Make(int lock_fd, int listen_fd, int stop_fd, std::string path) {
    return std::unique_ptr<InstanceLock>(new InstanceLock(lock_fd, listen_fd, stop_fd, std::move(path)));
  }
};

InstanceState TryAcquireInstance(const std::string& identity, std::unique_ptr<InstanceLock>& lock) {
  lock.reset();
  std::string folder = InstanceFolder();
  if (folder.empty()) return instanceFailed;
  int lock_fd = ::open(LockPath(folder, identity).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lock_fd < 0) return instanceFailed;
  if (::flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
    bool busy = errno == EWOULDBLOCK;
    ::close(lock_fd);
    return busy ? instanceBusy : instanceFailed;
  }
  // The holder alone may touch the socket file: a stale one from a killed
  // copy is replaced.
  std::string path = SocketPath(folder, identity);
  sockaddr_un address;
  int listen_fd = -1;
  if (SocketAddress(path, address)) {
    ::unlink(path.c_str());
    listen_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd >= 0 && (::bind(listen_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                           ::listen(listen_fd, 16) != 0)) {
      ::close(listen_fd);
      listen_fd = -1;
    }
  }
  int stop_fd = ::eventfd(0, EFD_CLOEXEC);
  // Without a listener this copy still holds the lock: later starts see it
  // running but cannot hand anything over.
  lock = InstanceLockMaker::Make(lock_fd, listen_fd, stop_fd, listen_fd >= 0 ? path : "");
  return instanceAcquired;
}

InstanceLock::InstanceLock(int lock_fd, int listen_fd, int stop_fd, std::string socket_path)
    : lock_fd_(lock_fd), listen_fd_(listen_fd), stop_fd_(stop_fd), socket_path_(std::move(socket_path)) {
  if (listen_fd_ >= 0 && stop_fd_ >= 0) listener_ = std::thread([this] { Listen(); });
}

InstanceLock::~InstanceLock() {
  if (listener_.joinable()) {
    uint64_t one = 1;
    while (::write(stop_fd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    listener_.join();
  }
  if (listen_fd_ >= 0) {
    ::close(listen_fd_);
    ::unlink(socket_path_.c_str());
  }
  if (stop_fd_ >= 0) ::close(stop_fd_);
  // The lock file stays: removing it would let two copies lock two files.
  ::close(lock_fd_);
}

void InstanceLock::Listen() {
  for (;;) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {stop_fd_, POLLIN, 0}};
    int ready = ::poll(fds, 2, kListenPollMs);
    if (ready < 0 && errno != EINTR) return;
    if (fds[1].revents) return;
    if (ready <= 0 || !(fds[0].revents & POLLIN)) continue;
    int client = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) continue;
    Serve(client);
    ::close(client);
  }
}

void InstanceLock::Serve(int client) {
  // Only the same user can reach the socket (the folder is 0700); the peer
  // is checked all the same.
  ucred peer{};
  socklen_t size = sizeof peer;
  if (::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != ::geteuid()) return;
  std::string text;
  if (!ReadAll(client, text, kMaxRequest, Clock::now() + std::chrono::milliseconds(kServeTimeoutMs))) return;
  std::vector<std::string> args;
  if (!ParseInstanceRequest(text, args)) return;
  WriteAll(client, "ok", 2);
  HWND window;
  UINT message;
  {
    std::lock_guard<std::mutex> guard(mutex_);
    requests_.push_back(std::move(args));
    window = notify_window_;
    message = notify_message_;
  }
  if (window) PostMessageA(window, message, 0, 0);
}

bool ParseInstanceRequest(std::string_view text, std::vector<std::string>& args) {
  args.clear();
  if (text.substr(0, kActivate.size()) != kActivate || text.back() != '\0') return false;
  for (size_t at = kActivate.size(); at < text.size();) {
    size_t end = text.find('\0', at);
    args.emplace_back(text.substr(at, end - at));
    at = end + 1;
  }
  return true;
}

std::vector<std::vector<std::string>> InstanceLock::TakeRequests() {
  std::lock_guard<std::mutex> guard(mutex_);
  return std::exchange(requests_, {});
}

void InstanceLock::SetNotify(HWND window, UINT message) {
  std::lock_guard<std::mutex> guard(mutex_);
  notify_window_ = window;
  notify_message_ = message;
}

bool HandToInstance(const std::string& identity, const std::vector<std::string>& args, DWORD timeout_ms) {
  std::string folder = InstanceFolder();
  if (folder.empty()) return false;
  std::string request(kActivate);
  for (const std::string& arg : args) {
    request += arg.substr(0, arg.find('\0'));
    request += '\0';
  }
  if (request.size() > kMaxRequest) return false;
  sockaddr_un address;
  if (!SocketAddress(SocketPath(folder, identity), address)) return false;
  Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
      std::string reply;
      bool ok = WriteAll(fd, request.data(), request.size()) && ::shutdown(fd, SHUT_WR) == 0 &&
                ReadAll(fd, reply, 16, deadline) && reply == "ok";
      ::close(fd);
      return ok;
    }
    ::close(fd);
    // No listener yet, or a stale socket: is anyone holding the lock at all?
    int lock_fd = ::open(LockPath(folder, identity).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    bool held = lock_fd >= 0 && ::flock(lock_fd, LOCK_SH | LOCK_NB) != 0;
    if (lock_fd >= 0) ::close(lock_fd);
    if (!held || RemainingMs(deadline) == 0) return false;
    ::usleep(20 * 1000);
  }
}

}  // namespace plat
