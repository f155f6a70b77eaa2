#pragma once
// Kernel objects and their handles, events, mutexes, semaphores, waits on one
// or several objects, recursive critical sections and interlocked counters.
#include <memory>

#include "platform/kernel/Clock.h"
#include "platform/kernel/Types.h"

namespace plat {

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// Base of everything a HANDLE can name. Waitable objects answer IsSignaled
// and take their signal in Acquire; both run under the wait core's lock.
class KernelObject {
 public:
  virtual ~KernelObject() = default;
  virtual bool IsSignaled() const { return false; }
  virtual void Acquire() {}
};

// Handle table. Handles are never reused; a closed handle names nothing.
HANDLE RegisterHandle(std::shared_ptr<KernelObject> object);
std::shared_ptr<KernelObject> LookupHandle(HANDLE handle);
template <class T>
std::shared_ptr<T> LookupHandleAs(HANDLE handle) {
  return std::dynamic_pointer_cast<T>(LookupHandle(handle));
}
BOOL CloseHandle(HANDLE handle);

// Events. A named event is shared by name within the process.
HANDLE CreateEventA(void* security, BOOL manual_reset, BOOL initial_state, const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Mutexes (owned by a thread, recursive) and semaphores.
HANDLE CreateMutexA(void* security, BOOL initial_owner, const char* name);
BOOL ReleaseMutex(HANDLE mutex);
HANDLE CreateSemaphoreA(void* security, LONG initial_count, LONG maximum_count, const char* name);
BOOL ReleaseSemaphore(HANDLE semaphore, LONG release_count, LONG* previous_count);

// Waits on the layer's clock. Incoming messages sent from other threads are
// served while the calling thread waits, so cross-thread sends never deadlock
// on a thread that waits for their sender.
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL wait_all, DWORD milliseconds);

// Recursive critical sections.
struct CRITICAL_SECTION {
  void* impl = nullptr;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
BOOL TryEnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);

// Interlocked counters (sequentially consistent).
LONG InterlockedIncrement(LONG volatile* value);
LONG InterlockedDecrement(LONG volatile* value);
LONG InterlockedExchange(LONG volatile* target, LONG value);
LONG InterlockedExchangeAdd(LONG volatile* target, LONG value);
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);

}  // namespace plat
