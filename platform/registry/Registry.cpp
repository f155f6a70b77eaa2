#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/kernel/ChangeNotify.h"
#include "platform/kernel/Sync.h"
#include "platform/registry/RegistryFile.h"

namespace plat {

namespace {

constexpr uintptr_t kRootBase = 0x80000000u;
// Bounded wait for another process's save to finish.
constexpr auto kLockTimeout = std::chrono::seconds(10);

uint64_t NowFileTime() {
  auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return static_cast<uint64_t>(ns.count() / 100) + 116444736000000000ull;
}

void PutFileTime(FILETIME* out, uint64_t t) {
  if (!out) return;
  out->dwLowDateTime = static_cast<DWORD>(t);
  out->dwHighDateTime = static_cast<DWORD>(t >> 32);
}

int RootIndexOf(HKEY key) {
  auto v = reinterpret_cast<uintptr_t>(key);
  if (v >= kRootBase && v < kRootBase + kRegRootCount) return static_cast<int>(v - kRootBase);
  return -1;
}

std::string DefaultStorePath() {
  if (const char* p = std::getenv("QUELLIX_REGISTRY"); p && *p) return p;
  if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/')
    return std::string(x) + "/quellix/registry.reg";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/quellix/registry.reg";
}

// Splits a key path; a leading backslash and empty parts are ignored. False
// for names that cannot be stored (a line break would split the store's line).
bool SplitPath(const char* sub_key, std::vector<std::string>& parts) {
  parts.clear();
  if (!sub_key) return true;
  std::string_view s(sub_key);
  if (s.find('\n') != std::string_view::npos) return false;
  size_t pos = 0;
  while (pos <= s.size()) {
    size_t slash = s.find('\\', pos);
    if (slash == std::string_view::npos) slash = s.size();
    if (slash > pos) parts.emplace_back(s.substr(pos, slash - pos));
    pos = slash + 1;
  }
  return true;
}

// What a file looked like when we last read or wrote it.
struct FileIdentity {
  bool exists = false;
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const struct stat& st) {
  FileIdentity id;
  id.exists = true;
  id.dev = st.st_dev;
  id.ino = st.st_ino;
  id.size = st.st_size;
  id.mtime_ns = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return id;
}

FileIdentity StatIdentity(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return {};
  return IdentityOf(st);
}

bool MakeDirs(const std::string& dir) {
  if (dir.empty()) return true;
  struct stat st;
  if (::stat(dir.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  size_t slash = dir.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeDirs(dir.substr(0, slash))) return false;
  return ::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string DirOf(const std::string& path) {
  size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, const std::string& text) {
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Exclusive lock on the file beside the store, held while a change is
// applied, so processes take turns and see each other's writes.
class StoreLock {
 public:
  explicit StoreLock(const std::string& store_path) {
    if (!MakeDirs(DirOf(store_path))) return;
    fd_ = ::open((store_path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;
    auto deadline = std::chrono::steady_clock::now() + kLockTimeout;
    while (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
      if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) {
        ::close(fd_);
        fd_ = -1;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    locked_ = true;
  }
  ~StoreLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  StoreLock(const StoreLock&) = delete;
  StoreLock& operator=(const StoreLock&) = delete;
  bool locked() const { return locked_; }

 private:
  int fd_ = -1;
  bool locked_ = false;
};

struct OpenKey {
  int root = 0;
  std::vector<std::string> path;
  uint64_t node_id = 0;
  DWORD access = 0;
};

// A registered interest in changes. Callback listeners are persistent; event
// and wait registrations fire once.
struct Listener {
  uint64_t token = 0;
  uint64_t node_id = 0;
  bool subtree = false;
  DWORD filter = 0;
  uintptr_t handle = 0;  // owning key handle for one-shot registrations
  std::function<void()> callback;
  bool one_shot = false;
  bool wake_on_close = false;       // a caller blocked until the change
  std::recursive_mutex call_mutex;  // held while the callback runs
  bool removed = false;             // under call_mutex
};

// One change to report: the chain of key ids from the root down to the key
// that changed, and what kind of change it was.
struct ChangeNote {
  std::vector<uint64_t> chain;
  DWORD kind = 0;
  uint64_t deleted_id = 0;
};

struct Resolved {
  LONG error = ERROR_SUCCESS;
  RegKeyNode* node = nullptr;
  int root = 0;
  std::vector<std::string> path;
  std::vector<uint64_t> chain;
  DWORD access = 0;
};

class Store {
 public:
  // ---- State and locking ----

  std::mutex mutex_;
  RegistryTree tree_;
  std::string explicit_path_;
  std::string path_;
  bool loaded_ = false;
  FileIdentity disk_;
  size_t skipped_ = 0;
  std::string unreadable_text_;  // the raw file when it had junk, kept for a backup
  bool backup_pending_ = false;
  uint64_t next_node_id_ = 100;
  uint64_t next_handle_ = 0x1000;
  uint64_t next_token_ = 1;
  uint64_t temp_counter_ = 0;
  std::map<uintptr_t, OpenKey> handles_;
  std::vector<std::shared_ptr<Listener>> listeners_;

  Store() { AssignRootIds(tree_); }

  static void AssignRootIds(RegistryTree& tree) {
    for (int i = 0; i < kRegRootCount; ++i) tree.roots[i]->id = static_cast<uint64_t>(i + 1);
  }

  void AssignIds(RegKeyNode& node, uint64_t when) {
    node.id = next_node_id_++;
    node.last_write = when;
    for (auto& sub : node.subkeys) AssignIds(*sub, when);
  }

  // Keeps the ids of keys that are still there, so open handles survive a reload.
  void CarryIds(const RegKeyNode* old_node, RegKeyNode& new_node, uint64_t when) {
    new_node.last_write = when;
    if (old_node) new_node.last_write = std::max(when, old_node->last_write);
    for (auto& sub : new_node.subkeys) {
      const RegKeyNode* old_sub = old_node ? old_node->FindSubkey(sub->name) : nullptr;
      if (old_sub) {
        sub->id = old_sub->id;
        CarryIds(old_sub, *sub, when);
      } else {
        AssignIds(*sub, when);
      }
    }
  }

  // Follows the environment unless a path was set explicitly.
  void CheckPath(std::vector<ChangeNote>* notes = nullptr) {
    std::string want = explicit_path_.empty() ? DefaultStorePath() : explicit_path_;
    if (want != path_ || !loaded_) {
      bool same_store = want == path_;
      path_ = want;
      LoadFromDisk(same_store, notes);
    }
  }

  static bool SameValues(const RegValueList& a, const RegValueList& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
      if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].data != b[i].data) return false;
    return true;
  }

  // Every key below `node` (itself included) as deleted.
  static void NoteDeleted(const RegKeyNode& node, std::vector<uint64_t> chain,
                          std::vector<ChangeNote>& notes) {
    notes.push_back({chain, REG_NOTIFY_CHANGE_NAME, node.id});
    chain.push_back(node.id);
    for (const auto& sub : node.subkeys) NoteDeleted(*sub, chain, notes);
  }

  // What another process changed, as the changes this process would have
  // noted had it made them: values of a key, and keys made or deleted.
  static void Diff(const RegKeyNode& old_node, const RegKeyNode& new_node, std::vector<uint64_t>& chain,
                   std::vector<ChangeNote>& notes) {
    if (!SameValues(old_node.values, new_node.values))
      notes.push_back({chain, REG_NOTIFY_CHANGE_LAST_SET, 0});
    bool names_changed = false;
    for (const auto& old_sub : old_node.subkeys) {
      if (!new_node.FindSubkey(old_sub->name)) {
        NoteDeleted(*old_sub, chain, notes);
        names_changed = true;
      }
    }
    for (const auto& sub : new_node.subkeys) {
      const RegKeyNode* old_sub = old_node.FindSubkey(sub->name);
      if (!old_sub) {
        names_changed = true;
        continue;
      }
      chain.push_back(sub->id);
      Diff(*old_sub, *sub, chain, notes);
      chain.pop_back();
    }
    if (names_changed) notes.push_back({chain, REG_NOTIFY_CHANGE_NAME, 0});
  }

  // With `notes`, what the read changed against the tree in memory goes there.
  void LoadFromDisk(bool keep_ids, std::vector<ChangeNote>* notes = nullptr) {
    loaded_ = true;
    std::string text;
    FileIdentity id;
    int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      struct stat st;
      if (::fstat(fd, &st) == 0) id = IdentityOf(st);
      char buf[65536];
      ssize_t n;
      while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
        if (n > 0) text.append(buf, static_cast<size_t>(n));
      ::close(fd);
    }
    RegistryParseResult parsed = RegistryParseText(text);
    AssignRootIds(parsed.tree);
    uint64_t when =
        id.exists ? static_cast<uint64_t>(id.mtime_ns / 100) + 116444736000000000ull : NowFileTime();
    for (int i = 0; i < kRegRootCount; ++i)
      CarryIds(keep_ids ? tree_.roots[i].get() : nullptr, *parsed.tree.roots[i], when);
    if (keep_ids && notes) {
      for (int i = 0; i < kRegRootCount; ++i) {
        std::vector<uint64_t> chain{parsed.tree.roots[i]->id};
        Diff(*tree_.roots[i], *parsed.tree.roots[i], chain, *notes);
      }
    }
    tree_ = std::move(parsed.tree);
    disk_ = id;
    skipped_ = parsed.skipped_lines + ((id.exists && !parsed.header_ok && !text.empty()) ? 1 : 0);
    // Left out silently, those keys and values would be lost at the next save.
    if (std::string problem = RegistryLimitProblem(parsed); !problem.empty())
      std::fprintf(stderr,
                   "quellix: registry store %s: %s; the file as read is kept as %s.bak before the store is "
                   "next written\n",
                   path_.c_str(), problem.c_str(), path_.c_str());
    // A store we could not read in full is kept beside the new one before
    // the first save replaces it.
    backup_pending_ = skipped_ > 0;
    unreadable_text_ = backup_pending_ ? std::move(text) : std::string();
  }

  void RefreshIfChanged(std::vector<ChangeNote>* notes = nullptr) {
    CheckPath(notes);
    if (!(StatIdentity(path_) == disk_)) LoadFromDisk(true, notes);
  }

  bool Save() {
    if (!MakeDirs(DirOf(path_))) return false;
    if (backup_pending_) {
      std::ofstream bak(path_ + ".bak", std::ios::binary | std::ios::trunc);
      bak << unreadable_text_;
      backup_pending_ = false;
      unreadable_text_.clear();
    }
    std::string text = RegistryFormatText(tree_);
    std::string tmp = path_ + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++temp_counter_);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    struct stat st;
    bool ok = WriteAll(fd, text) && ::fsync(fd) == 0 && ::fstat(fd, &st) == 0;
    ::close(fd);
    if (!ok || ::rename(tmp.c_str(), path_.c_str()) != 0) {
      ::unlink(tmp.c_str());
      return false;
    }
    int dir = ::open(DirOf(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    disk_ = IdentityOf(st);
    skipped_ = 0;
    return true;
  }

  // ---- Handles ----

  Resolved Resolve(HKEY key) {
    Resolved r;
    int root = RootIndexOf(key);
    if (root >= 0) {
      r.root = root;
      r.node = tree_.roots[root].get();
      r.chain = {r.node->id};
      r.access = KEY_ALL_ACCESS;
      return r;
    }
    auto it = handles_.find(reinterpret_cast<uintptr_t>(key));
    if (it == handles_.end()) {
      r.error = ERROR_INVALID_HANDLE;
      return r;
    }
    const OpenKey& open = it->second;
    r.root = open.root;
    r.path = open.path;
    r.access = open.access;
    RegKeyNode* node = tree_.roots[open.root].get();
    r.chain.push_back(node->id);
    for (const std::string& part : open.path) {
      node = node->FindSubkey(part);
      if (!node) break;
      r.chain.push_back(node->id);
    }
    if (!node || node->id != open.node_id) {
      r.error = ERROR_KEY_DELETED;
      return r;
    }
    r.node = node;
    return r;
  }

  HKEY NewHandle(const Resolved& at, DWORD access) {
    uintptr_t value;
    do {
      value = static_cast<uintptr_t>(next_handle_++);
    } while (value >= kRootBase && value < kRootBase + kRegRootCount);
    OpenKey open;
    open.root = at.root;
    open.path = at.path;
    open.node_id = at.node->id;
    open.access = (access & MAXIMUM_ALLOWED) ? KEY_ALL_ACCESS : access;
    handles_[value] = std::move(open);
    return reinterpret_cast<HKEY>(value);
  }

  // ---- Notification ----

  static bool Matches(const Listener& l, const ChangeNote& note) {
    if (note.deleted_id && l.node_id == note.deleted_id) return true;
    if (!(l.filter & note.kind) || note.chain.empty()) return false;
    if (note.chain.back() == l.node_id) return true;
    if (!l.subtree) return false;
    for (uint64_t id : note.chain)
      if (id == l.node_id) return true;
    return false;
  }

  std::vector<std::shared_ptr<Listener>> Collect(const std::vector<ChangeNote>& notes) {
    std::vector<std::shared_ptr<Listener>> hit;
    for (auto it = listeners_.begin(); it != listeners_.end();) {
      bool match = false;
      for (const ChangeNote& n : notes) match = match || Matches(**it, n);
      if (match) {
        hit.push_back(*it);
        if ((*it)->one_shot) {
          it = listeners_.erase(it);
          continue;
        }
      }
      ++it;
    }
    return hit;
  }

  static void Fire(const std::vector<std::shared_ptr<Listener>>& hit) {
    for (const auto& l : hit) {
      std::lock_guard<std::recursive_mutex> guard(l->call_mutex);
      if (!l->removed && l->callback) l->callback();
    }
  }

  // Runs `apply` on the tree under both locks and writes the store when it
  // reports a change. A failed write puts the tree back as it was.
  template <class Apply>
  LONG Change(Apply&& apply) {
    std::vector<std::shared_ptr<Listener>> hit;
    LONG result;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      CheckPath();
      StoreLock file_lock(path_);
      if (!file_lock.locked()) return ERROR_WRITE_FAULT;
      std::vector<ChangeNote> reloaded;
      RefreshIfChanged(&reloaded);
      hit = Collect(reloaded);
      RegistryTree before = tree_.Clone();
      std::vector<ChangeNote> notes;
      result = apply(notes);
      if (!notes.empty()) {
        if (Save()) {
          std::vector<std::shared_ptr<Listener>> more = Collect(notes);
          for (auto& l : more)
            if (std::find(hit.begin(), hit.end(), l) == hit.end()) hit.push_back(std::move(l));
        } else {
          tree_ = std::move(before);
          result = ERROR_WRITE_FAULT;
        }
      }
    }
    Fire(hit);
    return result;
  }

  // Runs `read` after picking up what other processes wrote; listeners of
  // what they changed are told after the lock is left.
  template <class Read>
  LONG Query(Read&& read) {
    std::vector<std::shared_ptr<Listener>> hit;
    LONG result;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      std::vector<ChangeNote> notes;
      RefreshIfChanged(&notes);
      hit = Collect(notes);
      result = read();
    }
    Fire(hit);
    return result;
  }

  // ---- Watching the store for other processes ----

  bool watcher_running_ = false;  // under mutex_
  HANDLE watcher_wake_ = nullptr;

  // Under mutex_: starts the thread that hears other processes' saves while
  // anyone listens. It ends by itself when nobody does.
  void EnsureWatcher() {
    if (!watcher_wake_) watcher_wake_ = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (watcher_running_) {
      SetEvent(watcher_wake_);  // the store may have moved
      return;
    }
    watcher_running_ = true;
    std::thread([this] { Watch(); }).detach();
  }

  void WakeWatcher() {
    if (watcher_wake_) SetEvent(watcher_wake_);
  }

  void Watch() {
    // The store is replaced by a rename, so its folder is watched.
    constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE;
    HANDLE change = INVALID_HANDLE_VALUE;
    std::string watched;
    for (;;) {
      std::string dir;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (listeners_.empty()) {
          watcher_running_ = false;
          break;
        }
        dir = DirOf(explicit_path_.empty() ? DefaultStorePath() : explicit_path_);
      }
      if (dir != watched || change == INVALID_HANDLE_VALUE) {
        if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
        change = FindFirstChangeNotificationA(dir.c_str(), FALSE, kFilter);
        watched = dir;
      }
      // Without a folder to watch yet, look again now and then.
      const HANDLE handles[2] = {watcher_wake_, change};
      DWORD r = WaitForMultipleObjects(change == INVALID_HANDLE_VALUE ? 1 : 2, handles, FALSE,
                                       change == INVALID_HANDLE_VALUE ? 500 : INFINITE);
      if (r == WAIT_OBJECT_0 + 1 && !FindNextChangeNotification(change)) {
        FindCloseChangeNotification(change);
        change = INVALID_HANDLE_VALUE;
      }
      std::vector<std::shared_ptr<Listener>> hit;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<ChangeNote> notes;
        RefreshIfChanged(&notes);
        hit = Collect(notes);
      }
      Fire(hit);
    }
    if (change != INVALID_HANDLE_VALUE) FindCloseChangeNotification(change);
  }
};

Store& TheStore() {
  // Never destroyed: callers may use it during exit. A child forked while
  // another thread holds the store's lock would find it held for ever.
  static Store* store = [] {
    auto* s = new Store;
    ::pthread_atfork([] { TheStore().mutex_.lock(); }, [] { TheStore().mutex_.unlock(); },
                     [] {
                       TheStore().watcher_running_ = false;  // threads are not forked
                       TheStore().mutex_.unlock();
                     });
    return s;
  }();
  return *store;
}

// Copies `name` into a caller's buffer of `*size` characters (terminator
// included); on success `*size` becomes the length without it.
LONG CopyName(const std::string& name, char* out, DWORD* size) {
  if (!out || !size) return ERROR_INVALID_PARAMETER;
  if (name.size() + 1 > *size) return ERROR_MORE_DATA;
  std::memcpy(out, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

LONG CopyData(const RegValue& value, DWORD* type, BYTE* data, DWORD* size) {
  if (type) *type = value.type;
  auto needed = static_cast<DWORD>(value.data.size());
  if (!data) {
    if (size) *size = needed;
    return ERROR_SUCCESS;
  }
  if (!size) return ERROR_INVALID_PARAMETER;
  if (*size < needed) {
    *size = needed;
    return ERROR_MORE_DATA;
  }
  if (needed) std::memcpy(data, value.data.data(), needed);
  *size = needed;
  return ERROR_SUCCESS;
}

LONG OpenOrCreate(HKEY key, const char* sub_key, REGSAM desired, HKEY* result, DWORD* disposition,
                  bool create) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::vector<std::string> parts;
  if (!SplitPath(sub_key, parts)) return ERROR_INVALID_PARAMETER;
  Store& s = TheStore();
  auto open = [&](std::vector<ChangeNote>* notes) -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    // Deeper keys could not be read back from the store.
    if (at.path.size() + parts.size() > kRegMaxDepth)
      return notes ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
    bool made_any = false;
    uint64_t now = NowFileTime();
    for (const std::string& part : parts) {
      RegKeyNode* next = at.node->FindSubkey(part);
      if (!next) {
        if (!notes) return ERROR_FILE_NOT_FOUND;
        if (!made_any && !(at.access & KEY_CREATE_SUB_KEY)) return ERROR_ACCESS_DENIED;
        if (!made_any && at.node->subkeys.size() >= kRegMaxSubkeysPerKey) return ERROR_OUTOFMEMORY;
        if (!made_any) notes->push_back({at.chain, REG_NOTIFY_CHANGE_NAME, 0});
        at.node->last_write = now;
        next = &at.node->AddSubkey(part);
        s.AssignIds(*next, now);
        made_any = true;
      }
      at.node = next;
      at.path.push_back(next->name);
      at.chain.push_back(next->id);
    }
    if (disposition) *disposition = made_any ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = s.NewHandle(at, desired);
    return ERROR_SUCCESS;
  };
  LONG r;
  if (create) {
    r = s.Change([&](std::vector<ChangeNote>& notes) { return open(&notes); });
    // A failed write took the new key back out of the tree.
    if (r != ERROR_SUCCESS && *result) {
      std::lock_guard<std::mutex> lock(s.mutex_);
      s.handles_.erase(reinterpret_cast<uintptr_t>(*result));
      *result = nullptr;
    }
  } else {
    r = s.Query([&] { return open(nullptr); });
  }
  return r;
}

}  // namespace

LONG RegCreateKeyExA(HKEY key, const char* sub_key, DWORD, char*, DWORD, REGSAM desired, const void*,
                     HKEY* result, DWORD* disposition) {
  return OpenOrCreate(key, sub_key, desired, result, disposition, true);
}

LONG RegCreateKeyA(HKEY key, const char* sub_key, HKEY* result) {
  return OpenOrCreate(key, sub_key, KEY_ALL_ACCESS, result, nullptr, true);
}

LONG RegOpenKeyExA(HKEY key, const char* sub_key, DWORD, REGSAM desired, HKEY* result) {
  return OpenOrCreate(key, sub_key, desired, result, nullptr, false);
}

LONG RegOpenKeyA(HKEY key, const char* sub_key, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  if (!sub_key || !*sub_key) {
    Store& s = TheStore();
    LONG r = s.Query([&] { return s.Resolve(key).error; });
    *result = r == ERROR_SUCCESS ? key : nullptr;
    return r;
  }
  return OpenOrCreate(key, sub_key, KEY_ALL_ACCESS, result, nullptr, false);
}

LONG RegCloseKey(HKEY key) {
  if (RootIndexOf(key) >= 0) return ERROR_SUCCESS;
  Store& s = TheStore();
  std::vector<std::shared_ptr<Listener>> waiters;
  {
    std::lock_guard<std::mutex> lock(s.mutex_);
    auto value = reinterpret_cast<uintptr_t>(key);
    if (s.handles_.erase(value) == 0) return ERROR_INVALID_HANDLE;
    for (auto it = s.listeners_.begin(); it != s.listeners_.end();) {
      if ((*it)->handle == value) {
        if ((*it)->wake_on_close) waiters.push_back(*it);
        it = s.listeners_.erase(it);
      } else {
        ++it;
      }
    }
  }
  Store::Fire(waiters);
  return ERROR_SUCCESS;
}

LONG RegSetValueExA(HKEY key, const char* value_name, DWORD, DWORD type, const BYTE* data, DWORD data_size) {
  if (!data && data_size) return ERROR_INVALID_PARAMETER;
  std::string name = value_name ? value_name : "";
  if (name.find('\n') != std::string::npos) return ERROR_INVALID_PARAMETER;
  std::vector<BYTE> bytes(data, data + (data ? data_size : 0));
  if ((type == REG_SZ || type == REG_EXPAND_SZ) && (bytes.empty() || bytes.back() != 0)) bytes.push_back(0);
  Store& s = TheStore();
  return s.Change([&](std::vector<ChangeNote>& notes) -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    if (!(at.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (RegValue* v = at.node->FindValue(name)) {
      if (v->type == type && v->data == bytes) return ERROR_SUCCESS;
      v->type = type;
      v->data = std::move(bytes);
    } else {
      if (at.node->values.size() >= kRegMaxValuesPerKey) return ERROR_OUTOFMEMORY;
      at.node->values.Set({name, type, std::move(bytes)});
    }
    at.node->last_write = NowFileTime();
    notes.push_back({at.chain, REG_NOTIFY_CHANGE_LAST_SET, 0});
    return ERROR_SUCCESS;
  });
}

LONG RegQueryValueExA(HKEY key, const char* value_name, DWORD*, DWORD* type, BYTE* data, DWORD* data_size) {
  Store& s = TheStore();
  return s.Query([&]() -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    if (!(at.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    const RegValue* v = at.node->FindValue(value_name ? value_name : "");
    if (!v) return ERROR_FILE_NOT_FOUND;
    return CopyData(*v, type, data, data_size);
  });
}

LONG RegDeleteValueA(HKEY key, const char* value_name) {
  std::string name = value_name ? value_name : "";
  Store& s = TheStore();
  return s.Change([&](std::vector<ChangeNote>& notes) -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    if (!(at.access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (!at.node->values.Erase(name)) return ERROR_FILE_NOT_FOUND;
    at.node->last_write = NowFileTime();
    notes.push_back({at.chain, REG_NOTIFY_CHANGE_LAST_SET, 0});
    return ERROR_SUCCESS;
  });
}

namespace {
LONG DeleteKey(HKEY key, const char* sub_key, bool with_subkeys) {
  std::vector<std::string> parts;
  if (!SplitPath(sub_key, parts)) return ERROR_INVALID_PARAMETER;
  if (parts.empty()) return ERROR_INVALID_PARAMETER;
  Store& s = TheStore();
  return s.Change([&](std::vector<ChangeNote>& notes) -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    RegKeyNode* parent = at.node;
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
      parent = parent->FindSubkey(parts[i]);
      if (!parent) return ERROR_FILE_NOT_FOUND;
      at.chain.push_back(parent->id);
    }
    RegKeyNode* victim = parent->FindSubkey(parts.back());
    if (!victim) return ERROR_FILE_NOT_FOUND;
    if (!with_subkeys && !victim->subkeys.empty()) return ERROR_ACCESS_DENIED;
    uint64_t victim_id = victim->id;
    parent->RemoveSubkey(parts.back());
    parent->last_write = NowFileTime();
    notes.push_back({at.chain, REG_NOTIFY_CHANGE_NAME, victim_id});
    return ERROR_SUCCESS;
  });
}
}  // namespace

LONG RegDeleteKeyA(HKEY key, const char* sub_key) { return DeleteKey(key, sub_key, false); }

LONG RegDeleteTreeA(HKEY key, const char* sub_key) { return DeleteKey(key, sub_key, true); }

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* name_size, DWORD*, char* key_class,
                   DWORD* class_size, FILETIME* last_write) {
  Store& s = TheStore();
  return s.Query([&]() -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    if (!(at.access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    if (index >= at.node->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    const RegKeyNode& sub = *at.node->subkeys[index];
    LONG r = CopyName(sub.name, name, name_size);
    if (r != ERROR_SUCCESS) return r;
    if (key_class && class_size && *class_size) key_class[0] = 0;
    if (class_size) *class_size = 0;
    PutFileTime(last_write, sub.last_write);
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueA(HKEY key, DWORD index, char* value_name, DWORD* value_name_size, DWORD*, DWORD* type,
                   BYTE* data, DWORD* data_size) {
  Store& s = TheStore();
  return s.Query([&]() -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    if (!(at.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    if (index >= at.node->values.size()) return ERROR_NO_MORE_ITEMS;
    const RegValue& v = at.node->values[index];
    LONG r = CopyName(v.name, value_name, value_name_size);
    if (r != ERROR_SUCCESS) return r;
    return CopyData(v, type, data, data_size);
  });
}

LONG RegQueryInfoKeyA(HKEY key, char* key_class, DWORD* class_size, DWORD*, DWORD* sub_keys,
                      DWORD* max_sub_key_len, DWORD* max_class_len, DWORD* values, DWORD* max_value_name_len,
                      DWORD* max_value_len, DWORD* security_descriptor_size, FILETIME* last_write) {
  Store& s = TheStore();
  return s.Query([&]() -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    if (!(at.access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    const RegKeyNode& n = *at.node;
    size_t longest_key = 0, longest_name = 0, largest = 0;
    for (const auto& sub : n.subkeys) longest_key = std::max(longest_key, sub->name.size());
    for (const RegValue& v : n.values) {
      longest_name = std::max(longest_name, v.name.size());
      largest = std::max(largest, v.data.size());
    }
    if (key_class && class_size && *class_size) key_class[0] = 0;
    if (class_size) *class_size = 0;
    if (sub_keys) *sub_keys = static_cast<DWORD>(n.subkeys.size());
    if (max_sub_key_len) *max_sub_key_len = static_cast<DWORD>(longest_key);
    if (max_class_len) *max_class_len = 0;
    if (values) *values = static_cast<DWORD>(n.values.size());
    if (max_value_name_len) *max_value_name_len = static_cast<DWORD>(longest_name);
    if (max_value_len) *max_value_len = static_cast<DWORD>(largest);
    if (security_descriptor_size) *security_descriptor_size = 0;
    PutFileTime(last_write, n.last_write);
    return ERROR_SUCCESS;
  });
}

LONG RegFlushKey(HKEY key) {
  // Every change is already on disk.
  Store& s = TheStore();
  return s.Query([&] { return s.Resolve(key).error; });
}

LONG RegNotifyChangeKeyValue(HKEY key, BOOL watch_subtree, DWORD filter, HANDLE event, BOOL asynchronous) {
  constexpr DWORD kKnown = REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_ATTRIBUTES |
                           REG_NOTIFY_CHANGE_LAST_SET | REG_NOTIFY_CHANGE_SECURITY;
  if (!(filter & kKnown)) return ERROR_INVALID_PARAMETER;
  if (asynchronous && !LookupHandle(event)) return ERROR_INVALID_HANDLE;

  struct Waiter {
    std::mutex m;
    std::condition_variable cv;
    bool done = false;
  };
  auto waiter = std::make_shared<Waiter>();
  auto l = std::make_shared<Listener>();
  l->subtree = watch_subtree != FALSE;
  l->filter = filter;
  l->one_shot = true;
  if (asynchronous) {
    l->callback = [event] { SetEvent(event); };
  } else {
    l->wake_on_close = true;
    l->callback = [waiter] {
      std::lock_guard<std::mutex> g(waiter->m);
      waiter->done = true;
      waiter->cv.notify_all();
    };
  }
  Store& s = TheStore();
  LONG r = s.Query([&]() -> LONG {
    Resolved at = s.Resolve(key);
    if (at.error != ERROR_SUCCESS) return at.error;
    if (!(at.access & KEY_NOTIFY)) return ERROR_ACCESS_DENIED;
    l->token = s.next_token_++;
    l->node_id = at.node->id;
    if (RootIndexOf(key) < 0) l->handle = reinterpret_cast<uintptr_t>(key);
    s.listeners_.push_back(l);
    s.EnsureWatcher();
    return ERROR_SUCCESS;
  });
  if (r != ERROR_SUCCESS || asynchronous) return r;
  // The caller asked to be held until the change (or until the key closes).
  std::unique_lock<std::mutex> g(waiter->m);
  waiter->cv.wait(g, [&] { return waiter->done; });
  return ERROR_SUCCESS;
}

void RegistrySetStorePath(const std::string& path) {
  Store& s = TheStore();
  std::lock_guard<std::mutex> lock(s.mutex_);
  s.explicit_path_ = path;
  s.loaded_ = false;  // read on the next use, not now
  s.WakeWatcher();
}

std::string RegistryStorePath() {
  Store& s = TheStore();
  std::lock_guard<std::mutex> lock(s.mutex_);
  s.CheckPath();
  return s.path_;
}

void RegistryReload() {
  Store& s = TheStore();
  std::vector<std::shared_ptr<Listener>> hit;
  {
    std::lock_guard<std::mutex> lock(s.mutex_);
    std::vector<ChangeNote> notes;
    s.CheckPath(&notes);
    s.LoadFromDisk(true, &notes);
    hit = s.Collect(notes);
  }
  Store::Fire(hit);
}

size_t RegistrySkippedLines() {
  Store& s = TheStore();
  std::lock_guard<std::mutex> lock(s.mutex_);
  s.CheckPath();
  return s.skipped_;
}

RegistryListenerToken RegistryAddChangeListener(HKEY key, bool watch_subtree, std::function<void()> callback,
                                                DWORD filter) {
  Store& s = TheStore();
  std::vector<std::shared_ptr<Listener>> hit;
  RegistryListenerToken token = 0;
  {
    std::lock_guard<std::mutex> lock(s.mutex_);
    std::vector<ChangeNote> notes;
    s.RefreshIfChanged(&notes);
    hit = s.Collect(notes);
    Resolved at = s.Resolve(key);
    if (at.error == ERROR_SUCCESS && callback) {
      auto l = std::make_shared<Listener>();
      l->token = token = s.next_token_++;
      l->node_id = at.node->id;
      l->subtree = watch_subtree;
      l->filter = filter;
      l->callback = std::move(callback);
      s.listeners_.push_back(l);
      s.EnsureWatcher();
    }
  }
  Store::Fire(hit);
  return token;
}

bool RegistryRemoveChangeListener(RegistryListenerToken token) {
  Store& s = TheStore();
  std::shared_ptr<Listener> found;
  {
    std::lock_guard<std::mutex> lock(s.mutex_);
    for (auto it = s.listeners_.begin(); it != s.listeners_.end(); ++it) {
      if ((*it)->token == token && !(*it)->one_shot) {
        found = *it;
        s.listeners_.erase(it);
        s.WakeWatcher();  // it ends when nobody listens
        break;
      }
    }
  }
  if (!found) return false;
  // Waits for a call in progress on another thread.
  std::lock_guard<std::recursive_mutex> guard(found->call_mutex);
  found->removed = true;
  return true;
}

}  // namespace plat
