#include "platform/kernel/ChangeNotify.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/WaitCore.h"

namespace plat {

namespace {

// Every watch asks for all of these; each object filters for itself, since
// two objects on one folder share the folder's watch.
constexpr uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY |
                                IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
constexpr DWORD kKnownFilters = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                                FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                                FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_LAST_ACCESS |
                                FILE_NOTIFY_CHANGE_CREATION | FILE_NOTIFY_CHANGE_SECURITY;

class ChangeNotification : public KernelObject {
 public:
  ChangeNotification(bool subtree, DWORD filter) : subtree_(subtree), filter_(filter) {}
  ~ChangeNotification() override;

  // Under the wait core's lock.
  bool IsSignaled() const override { return closed_ || seq_ != consumed_; }
  void Acquire() override { taken_ = seq_; }

  const bool subtree_;
  const DWORD filter_;
  // Under the service's lock.
  int root_wd_ = -1;
  std::vector<int> wds_;
  // Under the wait core's lock. A change counts up seq_; a wait takes what it
  // saw, and re-arming consumes only that.
  uint64_t seq_ = 0;
  uint64_t taken_ = 0;
  uint64_t consumed_ = 0;
  bool closed_ = false;
  bool gone_ = false;
};

struct Watch {
  std::string path;
  std::vector<ChangeNotification*> subscribers;
};

bool IsDirectory(const std::string& path, bool follow) {
  struct stat st;
  int r = follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st);
  return r == 0 && S_ISDIR(st.st_mode);
}

std::string Join(const std::string& dir, const char* name) {
  return dir == "/" ? "/" + std::string(name) : dir + "/" + name;
}

bool IsDots(const char* name) { return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)); }

// The folders in `dir`, links not followed; none when it cannot be read or
// has gone meanwhile.
void AddSubfolders(const std::string& dir, std::vector<std::string>& out) {
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = ::readdir(d)) {
    if (IsDots(e->d_name)) continue;
    std::string child = Join(dir, e->d_name);
    if (e->d_type == DT_DIR || (e->d_type == DT_UNKNOWN && IsDirectory(child, false)))
      out.push_back(std::move(child));
  }
  ::closedir(d);
}

// `root` and every folder below it, links not followed; false when there are
// more than `room`.
bool CollectTree(const std::string& root, size_t room, std::vector<std::string>& out) {
  std::vector<std::string> pending{root};
  while (!pending.empty()) {
    std::string dir = std::move(pending.back());
    pending.pop_back();
    if (out.size() >= room) return false;
    out.push_back(dir);
    AddSubfolders(dir, pending);
  }
  return true;
}

// Half of the system's per-user limit leaves room for other programs, and no
// more than a large project tree needs: the whole disk must stay refused.
constexpr size_t kMaxDefaultLimit = 8192;

size_t DefaultLimit() {
  static const size_t limit = [] {
    size_t system_limit = 8192;
    if (FILE* f = std::fopen("/proc/sys/fs/inotify/max_user_watches", "r")) {
      unsigned long value = 0;
      if (std::fscanf(f, "%lu", &value) == 1 && value > 0) system_limit = value;
      std::fclose(f);
    }
    return std::clamp<size_t>(system_limit / 2, 1, kMaxDefaultLimit);
  }();
  return limit;
}

class Service {
 public:
  std::mutex mutex_;
  int fd_ = -1;
  size_t limit_ = 0;
  std::unordered_map<int, Watch> watches_;

  // Under mutex_: the inotify instance and its reader, made once.
  bool Start() {
    if (fd_ >= 0) return true;
    fd_ = ::inotify_init1(IN_CLOEXEC);
    if (fd_ < 0) return false;
    // Never joined: it blocks in read for the rest of the process.
    std::thread([this] { Read(); }).detach();
    return true;
  }

  size_t Limit() const { return limit_ ? limit_ : DefaultLimit(); }

  // Under mutex_. Watches `top` and, for a subtree, every folder below it,
  // each folder watched before it is listed, so that a folder made meanwhile
  // is either listed or reported. False, with nothing of this call left
  // subscribed, when more than `room` watches would be needed or the system
  // refuses one for lack of room. Folders that went away meanwhile are
  // skipped, except the top.
  bool SubscribeTree(ChangeNotification* n, const std::string& top, bool top_is_root, size_t room,
                     DWORD* error) {
    std::vector<int> added;
    auto fail = [&](DWORD code) {
      for (int w : added) Unsubscribe(n, w);
      if (error) *error = code;
      return false;
    };
    std::vector<std::string> pending{top};
    bool first = true;
    while (!pending.empty()) {
      const std::string dir = std::move(pending.back());
      pending.pop_back();
      const bool is_root = top_is_root && first;
      const bool is_top = first;
      first = false;
      if (added.size() >= room) return fail(ERROR_NOT_ENOUGH_QUOTA);
      int wd = ::inotify_add_watch(fd_, dir.c_str(), kWatchMask | (is_root ? 0 : IN_DONT_FOLLOW));
      if (wd < 0) {
        if (errno == ENOSPC || errno == ENOMEM) return fail(ERROR_NOT_ENOUGH_QUOTA);
        if (is_top) return fail(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_PATH_NOT_FOUND);
        continue;
      }
      Watch& watch = watches_[wd];
      if (watch.path.empty()) watch.path = dir;
      // Already ours: that folder and what is below it are watched.
      if (std::find(watch.subscribers.begin(), watch.subscribers.end(), n) != watch.subscribers.end())
        continue;
      watch.subscribers.push_back(n);
      n->wds_.push_back(wd);
      added.push_back(wd);
      if (is_root) n->root_wd_ = wd;
      if (!n->subtree_) break;
      AddSubfolders(dir, pending);
    }
    return true;
  }

  // Under mutex_.
  void Unsubscribe(ChangeNotification* n, int wd) {
    std::erase(n->wds_, wd);
    auto it = watches_.find(wd);
    if (it == watches_.end()) return;
    std::erase(it->second.subscribers, n);
    if (it->second.subscribers.empty()) {
      ::inotify_rm_watch(fd_, wd);
      watches_.erase(it);
    }
  }

  void UnsubscribeAll(ChangeNotification* n) {
    std::lock_guard lock(mutex_);
    while (!n->wds_.empty()) Unsubscribe(n, n->wds_.back());
  }

  static bool Matches(DWORD filter, uint32_t mask) {
    const bool dir = mask & IN_ISDIR;
    if (mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO))
      return filter & (dir ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME);
    if (mask & IN_ATTRIB) return filter & (FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SECURITY);
    if (mask & IN_MODIFY) return filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (mask & IN_CLOSE_WRITE) return filter & FILE_NOTIFY_CHANGE_LAST_WRITE;
    return false;
  }

  // Under mutex_: one event; what it signals goes to `hits`, folders it
  // removed for good to `gone`.
  void Handle(const inotify_event& ev, std::vector<ChangeNotification*>& hits,
              std::vector<ChangeNotification*>& gone) {
    if (ev.mask & IN_Q_OVERFLOW) {
      // Events were lost: every object may have missed one.
      for (auto& [wd, watch] : watches_)
        hits.insert(hits.end(), watch.subscribers.begin(), watch.subscribers.end());
      return;
    }
    auto it = watches_.find(ev.wd);
    if (it == watches_.end()) return;
    const std::vector<ChangeNotification*> subscribers = it->second.subscribers;
    if (ev.mask & IN_IGNORED) {
      // The folder is gone or unmounted; the kernel has dropped the watch.
      for (ChangeNotification* n : subscribers) {
        std::erase(n->wds_, ev.wd);
        if (n->root_wd_ == ev.wd) {
          n->root_wd_ = -1;
          gone.push_back(n);
          hits.push_back(n);
        }
      }
      watches_.erase(it);
      return;
    }
    const std::string path = it->second.path;
    for (ChangeNotification* n : subscribers) {
      const bool is_root = n->root_wd_ == ev.wd;
      if (ev.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
        // Below the root the parent's own event has told already.
        if (is_root) {
          gone.push_back(n);
          hits.push_back(n);
        }
        continue;
      }
      bool hit = Matches(n->filter_, ev.mask);
      if (n->subtree_ && (ev.mask & IN_ISDIR) && (ev.mask & (IN_CREATE | IN_MOVED_TO)) && ev.len > 0) {
        // Follow the new folder. Whatever was made in it before its watch
        // existed is covered by signalling once now.
        const size_t used = watches_.size();
        const size_t limit = Limit();
        SubscribeTree(n, Join(path, ev.name), false, limit > used ? limit - used : 0, nullptr);
        hit = true;
      }
      if (hit) hits.push_back(n);
    }
  }

  void Read() {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
      ssize_t n = ::read(fd_, buffer, sizeof buffer);
      if (n < 0) {
        if (errno == EINTR) continue;
        return;
      }
      std::vector<ChangeNotification*> hits, gone;
      std::lock_guard lock(mutex_);
      for (ssize_t at = 0; at < n;) {
        const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
        Handle(*ev, hits, gone);
        at += static_cast<ssize_t>(sizeof(inotify_event) + ev->len);
      }
      if (hits.empty()) continue;
      {
        std::lock_guard wait_lock(waitcore::Mutex());
        for (ChangeNotification* h : hits) ++h->seq_;
        for (ChangeNotification* g : gone) g->gone_ = true;
      }
      waitcore::NotifyAll();
    }
  }
};

Service& TheService() {
  static Service* service = new Service;  // its reader runs until the process ends
  return *service;
}

ChangeNotification::~ChangeNotification() { TheService().UnsubscribeAll(this); }

HANDLE Fail(DWORD error) {
  SetLastError(error);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE FindFirstChangeNotificationA(const char* path, BOOL watch_subtree, DWORD filter) {
  if (!path || !(filter & kKnownFilters)) return Fail(ERROR_INVALID_PARAMETER);
  std::string root = ResolvePath(path);
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  if (root.empty() || !IsDirectory(root, true)) return Fail(ERROR_PATH_NOT_FOUND);

  Service& s = TheService();
  size_t room;
  {
    std::lock_guard lock(s.mutex_);
    if (!s.Start()) return Fail(ERROR_NOT_ENOUGH_QUOTA);
    const size_t limit = s.Limit();
    room = limit > s.watches_.size() ? limit - s.watches_.size() : 0;
  }
  // A first count outside the lock: a tree past the cap (the whole disk)
  // must not hold up the reader while it is counted.
  std::vector<std::string> dirs;
  if (watch_subtree && !CollectTree(root, room, dirs)) return Fail(ERROR_NOT_ENOUGH_QUOTA);

  auto object = std::make_shared<ChangeNotification>(watch_subtree != FALSE, filter);
  {
    std::lock_guard lock(s.mutex_);
    const size_t limit = s.Limit();
    room = limit > s.watches_.size() ? limit - s.watches_.size() : 0;
    DWORD error = 0;
    if (!s.SubscribeTree(object.get(), root, true, room, &error)) return Fail(error);
  }
  SetLastError(ERROR_SUCCESS);
  return RegisterHandle(std::move(object));
}

BOOL FindNextChangeNotification(HANDLE handle) {
  auto object = LookupHandleAs<ChangeNotification>(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  std::lock_guard lock(waitcore::Mutex());
  object->consumed_ = object->taken_;
  if (object->gone_) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  return TRUE;
}

BOOL FindCloseChangeNotification(HANDLE handle) {
  auto object = LookupHandleAs<ChangeNotification>(handle);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  TheService().UnsubscribeAll(object.get());
  {
    std::lock_guard lock(waitcore::Mutex());
    object->closed_ = true;
  }
  waitcore::NotifyAll();
  return CloseHandle(handle);
}

void SetChangeNotificationWatchLimit(size_t limit) {
  Service& s = TheService();
  std::lock_guard lock(s.mutex_);
  s.limit_ = limit;
}

size_t ChangeNotificationWatchLimit() {
  Service& s = TheService();
  std::lock_guard lock(s.mutex_);
  return s.Limit();
}

size_t ChangeNotificationWatchCount() {
  Service& s = TheService();
  std::lock_guard lock(s.mutex_);
  return s.watches_.size();
}

}  // namespace plat
