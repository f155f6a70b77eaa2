#include "platform/kernel/Sync.h"

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

#include "platform/kernel/Errors.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/WaitCore.h"

namespace plat {

namespace {

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<uintptr_t, std::shared_ptr<KernelObject>> objects;
  uintptr_t next = 0x1000;
  // Named objects by name; weak so the last close removes them.
  std::map<std::string, std::weak_ptr<KernelObject>> named;
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // outlives detached threads
  return *table;
}

class Event : public KernelObject {
 public:
  Event(bool manual, bool initial) : manual_(manual), signaled_(initial) {}
  bool IsSignaled() const override { return signaled_; }
  void Acquire() override {
    if (!manual_) signaled_ = false;
  }
  void Set(bool value) { signaled_ = value; }

 private:
  const bool manual_;
  bool signaled_;
};

class Mutex : public KernelObject {
 public:
  bool IsSignaled() const override { return owner_ == 0 || owner_ == GetCurrentThreadId(); }
  void Acquire() override {
    owner_ = GetCurrentThreadId();
    ++count_;
  }
  bool Release() {
    if (owner_ != GetCurrentThreadId() || count_ == 0) return false;
    if (--count_ == 0) owner_ = 0;
    return true;
  }

 private:
  DWORD owner_ = 0;
  int count_ = 0;
};

class Semaphore : public KernelObject {
 public:
  Semaphore(LONG initial, LONG maximum) : count_(initial), maximum_(maximum) {}
  bool IsSignaled() const override { return count_ > 0; }
  void Acquire() override { --count_; }
  bool Release(LONG n, LONG* previous) {
    if (n <= 0 || count_ + n > maximum_) return false;
    if (previous) *previous = count_;
    count_ += n;
    return true;
  }

 private:
  LONG count_;
  const LONG maximum_;
};

// Creates or opens a named object; sets ERROR_ALREADY_EXISTS when opened.
template <class T, class Make>
HANDLE CreateNamed(const char* name, Make make) {
  if (name && *name) {
    HandleTable& t = Table();
    std::shared_ptr<KernelObject> existing;
    {
      std::lock_guard lock(t.mutex);
      auto it = t.named.find(name);
      if (it != t.named.end()) existing = it->second.lock();
    }
    if (existing) {
      if (!std::dynamic_pointer_cast<T>(existing)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
      }
      SetLastError(ERROR_ALREADY_EXISTS);
      return RegisterHandle(existing);
    }
    std::shared_ptr<KernelObject> object = make();
    {
      std::lock_guard lock(t.mutex);
      t.named[name] = object;
    }
    SetLastError(ERROR_SUCCESS);
    return RegisterHandle(object);
  }
  SetLastError(ERROR_SUCCESS);
  return RegisterHandle(make());
}

}  // namespace

HANDLE RegisterHandle(std::shared_ptr<KernelObject> object) {
  if (!object) return nullptr;
  HandleTable& t = Table();
  std::lock_guard lock(t.mutex);
  uintptr_t value = t.next;
  t.next += 4;
  t.objects.emplace(value, std::move(object));
  return reinterpret_cast<HANDLE>(value);
}

std::shared_ptr<KernelObject> LookupHandle(HANDLE handle) {
  HandleTable& t = Table();
  std::lock_guard lock(t.mutex);
  auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == t.objects.end() ? nullptr : it->second;
}

BOOL CloseHandle(HANDLE handle) {
  std::shared_ptr<KernelObject> object;
  {
    HandleTable& t = Table();
    std::lock_guard lock(t.mutex);
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == t.objects.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    object = std::move(it->second);
    t.objects.erase(it);
  }
  // The object may be destroyed here, outside the table's lock.
  object.reset();
  return TRUE;
}

HANDLE CreateEventA(void*, BOOL manual_reset, BOOL initial_state, const char* name) {
  return CreateNamed<Event>(name,
                            [&] { return std::make_shared<Event>(manual_reset != 0, initial_state != 0); });
}

namespace {
BOOL SetEventState(HANDLE handle, bool value) {
  auto event = LookupHandleAs<Event>(handle);
  if (!event) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  {
    std::lock_guard lock(waitcore::Mutex());
    event->Set(value);
  }
  if (value) waitcore::NotifyAll();
  return TRUE;
}
}  // namespace

BOOL SetEvent(HANDLE event) { return SetEventState(event, true); }
BOOL ResetEvent(HANDLE event) { return SetEventState(event, false); }

HANDLE CreateMutexA(void*, BOOL initial_owner, const char* name) {
  HANDLE handle = CreateNamed<Mutex>(name, [] { return std::make_shared<Mutex>(); });
  if (handle && initial_owner && GetLastError() != ERROR_ALREADY_EXISTS) {
    auto mutex = LookupHandleAs<Mutex>(handle);
    std::lock_guard lock(waitcore::Mutex());
    mutex->Acquire();
  }
  return handle;
}

BOOL ReleaseMutex(HANDLE handle) {
  auto mutex = LookupHandleAs<Mutex>(handle);
  if (!mutex) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool released;
  {
    std::lock_guard lock(waitcore::Mutex());
    released = mutex->Release();
  }
  if (!released) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  waitcore::NotifyAll();
  return TRUE;
}

HANDLE CreateSemaphoreA(void*, LONG initial_count, LONG maximum_count, const char* name) {
  if (maximum_count <= 0 || initial_count < 0 || initial_count > maximum_count) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  return CreateNamed<Semaphore>(name,
                                [&] { return std::make_shared<Semaphore>(initial_count, maximum_count); });
}

BOOL ReleaseSemaphore(HANDLE handle, LONG release_count, LONG* previous_count) {
  auto semaphore = LookupHandleAs<Semaphore>(handle);
  if (!semaphore) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  bool released;
  {
    std::lock_guard lock(waitcore::Mutex());
    released = semaphore->Release(release_count, previous_count);
  }
  if (!released) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  waitcore::NotifyAll();
  return TRUE;
}

DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return WaitForObjectsAndQueue(1, &handle, false, waitcore::DeadlineAfterMs(milliseconds), 0);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds) {
  if (count == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  return WaitForObjectsAndQueue(count, handles, wait_all != 0, waitcore::DeadlineAfterMs(milliseconds), 0);
}

namespace {

struct SectionImpl {
  std::recursive_mutex mutex;
};

// A section used before it is initialised, or again after it was deleted,
// gets its lock on first use; threads that race there agree on one lock.
SectionImpl* Impl(CRITICAL_SECTION* section) {
  void* impl = __atomic_load_n(&section->impl, __ATOMIC_ACQUIRE);
  if (impl) return static_cast<SectionImpl*>(impl);
  auto* created = new SectionImpl;
  if (__atomic_compare_exchange_n(&section->impl, &impl, created, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE))
    return created;
  delete created;
  return static_cast<SectionImpl*>(impl);
}

}  // namespace

// A section that already has its lock (used before, or initialised twice) keeps it.
void InitializeCriticalSection(CRITICAL_SECTION* section) { Impl(section); }

void DeleteCriticalSection(CRITICAL_SECTION* section) {
  delete static_cast<SectionImpl*>(section->impl);
  section->impl = nullptr;
}

void EnterCriticalSection(CRITICAL_SECTION* section) { Impl(section)->mutex.lock(); }
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section) {
  return Impl(section)->mutex.try_lock() ? TRUE : FALSE;
}
void LeaveCriticalSection(CRITICAL_SECTION* section) { Impl(section)->mutex.unlock(); }

LONG InterlockedIncrement(LONG volatile* value) { return __atomic_add_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedDecrement(LONG volatile* value) { return __atomic_sub_fetch(value, 1, __ATOMIC_SEQ_CST); }
LONG InterlockedExchange(LONG volatile* target, LONG value) {
  return __atomic_exchange_n(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedExchangeAdd(LONG volatile* target, LONG value) {
  return __atomic_fetch_add(target, value, __ATOMIC_SEQ_CST);
}
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand) {
  __atomic_compare_exchange_n(target, &comparand, exchange, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return comparand;
}

}  // namespace plat
