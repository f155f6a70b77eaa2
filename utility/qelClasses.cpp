#include "utility/qelClasses.h"

#include <vector>

#include "platform/kernel/ChangeNotify.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/vcl/TypInfo.h"

namespace utility {

namespace {

// One section for all folder monitor threads and one for all registry
// monitor threads. Never destroyed: threads of components that outlive the
// unit's shut-down may still take them.
std::mutex& FolderSection() {
  static auto* section = new std::mutex;
  return *section;
}

std::mutex& RegistrySection() {
  static auto* section = new std::mutex;
  return *section;
}

// The monitor threads that exist, for the unit's shut-down.
struct LiveMonitors {
  std::mutex mutex;
  std::vector<TqelThread*> threads;
};

LiveMonitors& Live() {
  static auto* live = new LiveMonitors;
  return *live;
}

void AddLive(TqelThread* thread) {
  std::lock_guard lock(Live().mutex);
  Live().threads.push_back(thread);
}

void RemoveLive(TqelThread* thread) {
  std::lock_guard lock(Live().mutex);
  std::erase(Live().threads, thread);
}

}  // namespace

VCL_IMPLEMENT_CLASS(TqelThread)
VCL_IMPLEMENT_CLASS(TqelEventThread)
VCL_IMPLEMENT_CLASS(TqelTimerThread)
VCL_IMPLEMENT_CLASS(TqelFolderMonitorThread)
VCL_IMPLEMENT_CLASS(TqelRegistryMonitorThread)

// ---- TqelThread ----

TqelThread::TqelThread(bool create_suspended)
    : TThread(create_suspended),
      wake_event_(plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr)) {}

TqelThread::~TqelThread() {
  Shutdown();
  plat::CloseHandle(wake_event_);
}

void TqelThread::Shutdown() {
  Terminate();
  plat::SetEvent(wake_event_);
  StopAndWait();
}

void TqelThread::Stop() {
  Terminate();
  stopped_ = true;
  plat::SetEvent(wake_event_);
  if (OnFinish)
    Synchronize([this] {
      if (OnFinish) OnFinish(this);
    });
}

bool TqelThread::Suspended() const { return TThread::Suspended() || paused_; }

void TqelThread::SetSuspended(bool value) {
  paused_ = value;
  if (!value && TThread::Suspended()) Start();
  plat::SetEvent(wake_event_);
}

void TqelThread::Wake() { plat::SetEvent(wake_event_); }

bool TqelThread::CallSynchronized(const std::function<void()>& call) {
  if (Terminated()) return false;
  bool ran = false;
  Synchronize([&] {
    // Stopped while the call waited for the main thread.
    if (Terminated()) return;
    in_callback_ = true;
    plat::ScopeExit reset([this] { in_callback_ = false; });
    ran = true;
    call();
  });
  return ran;
}

plat::DWORD TqelThread::WaitWake(plat::DWORD count, const plat::HANDLE* handles, plat::DWORD timeout) {
  std::vector<plat::HANDLE> all{wake_event_};
  if (!paused_) all.insert(all.end(), handles, handles + count);
  return plat::WaitForMultipleObjects(static_cast<plat::DWORD>(all.size()), all.data(), plat::FALSE, timeout);
}

// ---- TqelEventThread ----

TqelEventThread::TqelEventThread(bool create_suspended) : TqelThread(create_suspended) {}

TqelEventThread::~TqelEventThread() {
  Shutdown();
  SetOnEvent(nullptr);
}

TqelThreadEvent TqelEventThread::OnEvent() const {
  std::lock_guard lock(event_mutex_);
  return on_event_;
}

void TqelEventThread::SetOnEvent(TqelThreadEvent value) {
  std::lock_guard lock(event_mutex_);
  on_event_ = std::move(value);
}

void TqelEventThread::Execute() {
  while (Paused() && !Terminated()) WaitWake(0, nullptr, plat::INFINITE);
  RunEvent();
}

void TqelEventThread::RunEvent() {
  if (Terminated()) return;
  if (Synchronized())
    CallSynchronized([this] { DoEvent(); });
  else
    DoEvent();
}

void TqelEventThread::DoEvent() {
  if (Terminated()) return;
  // A copy: the handler may replace the event while it runs.
  if (TqelThreadEvent event = OnEvent()) event(this);
}

// ---- TqelTimerThread ----

TqelTimerThread::TqelTimerThread(bool create_suspended) : TqelEventThread(create_suspended) {}

TqelTimerThread::~TqelTimerThread() { Shutdown(); }

void TqelTimerThread::SetInterval(uint32_t value) {
  if (interval_.exchange(value) != value) Wake();
}

void TqelTimerThread::Execute() {
  while (!Terminated()) {
    const uint32_t interval = interval_;
    // Interval 0 waits for a new interval instead of spinning.
    plat::DWORD r = WaitWake(0, nullptr, Paused() || interval == 0 ? plat::INFINITE : interval);
    if (r == plat::WAIT_FAILED) break;
    if (r == plat::WAIT_TIMEOUT && !Paused()) RunEvent();
  }
}

// ---- TqelFolderMonitorThread ----

TqelFolderMonitorThread::TqelFolderMonitorThread(TqelChangeEvent on_change)
    : TqelThread(true), on_change_(std::move(on_change)) {
  AddLive(this);
}

TqelFolderMonitorThread::~TqelFolderMonitorThread() {
  RemoveLive(this);
  Shutdown();
  if (change_ != plat::INVALID_HANDLE_VALUE) plat::FindCloseChangeNotification(change_);
}

void TqelFolderMonitorThread::SetParameters(const std::string& folder, bool watch_subtree,
                                            plat::DWORD filter) {
  {
    std::lock_guard lock(FolderSection());
    folder_ = folder;
    if (folder_.find_first_not_of(" \t") == std::string::npos) {
      char current[plat::MAX_PATH];
      plat::DWORD n = plat::GetCurrentDirectoryA(sizeof current, current);
      folder_ = n > 0 && n < sizeof current ? std::string(current, n) : std::string(".");
    }
    watch_subtree_ = watch_subtree;
    filter_ = filter;
    restart_ = true;
  }
  Wake();
}

bool TqelFolderMonitorThread::Open() {
  if (change_ != plat::INVALID_HANDLE_VALUE) plat::FindCloseChangeNotification(change_);
  change_ =
      plat::FindFirstChangeNotificationA(folder_.c_str(), watch_subtree_ ? plat::TRUE : plat::FALSE, filter_);
  restart_ = false;
  return change_ != plat::INVALID_HANDLE_VALUE;
}

void TqelFolderMonitorThread::Execute() {
  {
    std::lock_guard lock(FolderSection());
    if (!Open()) return;
  }
  while (!Terminated()) {
    plat::DWORD r = WaitWake(1, &change_, plat::INFINITE);
    if (r == plat::WAIT_FAILED || Terminated()) break;
    if (r == plat::WAIT_OBJECT_0 + 1) {
      if (on_change_) CallSynchronized(on_change_);
      // What changed during the call keeps the notification signalled.
      if (!plat::FindNextChangeNotification(change_)) break;  // the folder is gone
    }
    std::lock_guard lock(FolderSection());
    if (restart_ && !Terminated() && !Open()) break;
  }
}

// ---- TqelRegistryMonitorThread ----

TqelRegistryMonitorThread::TqelRegistryMonitorThread(TqelChangeEvent on_change)
    : TqelThread(true),
      on_change_(std::move(on_change)),
      changed_(plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr)) {
  AddLive(this);
}

TqelRegistryMonitorThread::~TqelRegistryMonitorThread() {
  RemoveLive(this);
  Shutdown();
  Detach();
  plat::CloseHandle(changed_);
}

void TqelRegistryMonitorThread::SetParameters(plat::HKEY root, const std::string& key, plat::DWORD filter,
                                              bool watch_subtree) {
  {
    std::lock_guard lock(RegistrySection());
    root_ = root;
    key_path_ = key;
    filter_ = filter;
    watch_subtree_ = watch_subtree;
    restart_ = true;
  }
  Wake();
}

void TqelRegistryMonitorThread::AttachKey() {
  if (plat::RegOpenKeyExA(root_, key_path_.c_str(), 0, plat::KEY_READ, &key_) != plat::ERROR_SUCCESS) {
    key_ = nullptr;
    return;
  }
  // Persistent: changes made while OnChange runs are not lost.
  key_listener_ = plat::RegistryAddChangeListener(
      key_, watch_subtree_,
      [this] {
        key_changed_ = true;
        plat::SetEvent(changed_);
      },
      filter_);
}

void TqelRegistryMonitorThread::DetachKey() {
  if (key_listener_) plat::RegistryRemoveChangeListener(key_listener_);
  key_listener_ = 0;
  // What the old key's listener said last is about the key that went away,
  // which this wake reports already.
  key_changed_ = false;
  if (key_) plat::RegCloseKey(key_);
  key_ = nullptr;
}

// Under the registry section.
void TqelRegistryMonitorThread::Attach() {
  restart_ = false;
  // Names below the root: the key being made again, wherever it was deleted.
  root_listener_ = plat::RegistryAddChangeListener(
      root_, true,
      [this] {
        root_changed_ = true;
        plat::SetEvent(changed_);
      },
      plat::REG_NOTIFY_CHANGE_NAME);
  AttachKey();
  key_exists_ = key_ != nullptr;
}

void TqelRegistryMonitorThread::Detach() {
  DetachKey();
  if (root_listener_) plat::RegistryRemoveChangeListener(root_listener_);
  root_listener_ = 0;
}

bool TqelRegistryMonitorThread::Recheck() {
  bool replaced = false;
  if (key_) {
    plat::DWORD values = 0;
    if (plat::RegQueryInfoKeyA(key_, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                               nullptr, nullptr, nullptr) == plat::ERROR_KEY_DELETED) {
      DetachKey();
      replaced = true;
    }
  }
  if (!key_) {
    std::lock_guard lock(RegistrySection());
    AttachKey();
  }
  const bool exists = key_ != nullptr;
  const bool changed = exists != key_exists_ || (replaced && exists);
  key_exists_ = exists;
  return changed;
}

void TqelRegistryMonitorThread::Execute() {
  {
    std::lock_guard lock(RegistrySection());
    Attach();
  }
  while (!Terminated()) {
    plat::DWORD r = WaitWake(1, &changed_, plat::INFINITE);
    if (r == plat::WAIT_FAILED || Terminated()) break;
    bool notify = key_changed_.exchange(false);
    const bool names = root_changed_.exchange(false);
    if (notify || names) notify = Recheck() || notify;
    if (notify && on_change_) CallSynchronized(on_change_);
    std::lock_guard lock(RegistrySection());
    if (restart_ && !Terminated()) {
      Detach();
      Attach();
    }
  }
  Detach();
}

// ---- Ending threads ----

void StopMonitorThreads() {
  std::vector<TqelThread*> owned;
  {
    std::lock_guard lock(Live().mutex);
    for (TqelThread* thread : Live().threads) {
      thread->Terminate();
      thread->Wake();
      // One that frees itself may be gone by the time a join would look.
      if (!thread->FreeOnTerminate()) owned.push_back(thread);
    }
  }
  // Owned threads are freed only by their components on the main thread,
  // which is the thread that shuts the unit down.
  for (TqelThread* thread : owned) thread->StopAndWait();
}

void EndThread(std::unique_ptr<TqelThread> thread) {
  if (!thread) return;
  const bool inside = plat::GetCurrentThreadId() == thread->ThreadID() || thread->InCallback();
  thread->Terminate();
  thread->Wake();
  if (!inside) {
    thread.reset();  // joins
    return;
  }
  // Its owner is going or moving on: nothing of it may be called any more.
  thread->OnFinish = nullptr;
  thread->OnTerminate = nullptr;
  if (auto* event_thread = dynamic_cast<TqelEventThread*>(thread.get())) event_thread->SetOnEvent(nullptr);
  thread->SetFreeOnTerminate(true);
  thread.release();
}

}  // namespace utility
