#pragma once
// Threads of the layer: created behind a start gate, their end is a waitable
// object, and their priority is recorded (applied to the OS on a best-effort basis).
#include "platform/kernel/Sync.h"
#include "platform/kernel/Types.h"

namespace plat {

using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);

constexpr DWORD CREATE_SUSPENDED = 0x4;
constexpr DWORD STILL_ACTIVE = 259;

constexpr int THREAD_PRIORITY_IDLE = -15;
constexpr int THREAD_PRIORITY_LOWEST = -2;
constexpr int THREAD_PRIORITY_BELOW_NORMAL = -1;
constexpr int THREAD_PRIORITY_NORMAL = 0;
constexpr int THREAD_PRIORITY_ABOVE_NORMAL = 1;
constexpr int THREAD_PRIORITY_HIGHEST = 2;
constexpr int THREAD_PRIORITY_TIME_CRITICAL = 15;
constexpr int THREAD_PRIORITY_ERROR_RETURN = 0x7FFFFFFF;

// Starts `start(parameter)` on a new thread; with CREATE_SUSPENDED the thread
// waits at its start gate until ResumeThread. The handle is signalled when it ends.
HANDLE CreateThread(void* security, size_t stack_size, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD flags, DWORD* thread_id);
// The suspend count only holds a thread at its start gate: a running thread
// cannot be stopped from outside, so SuspendThread on it fails.
DWORD ResumeThread(HANDLE thread);
DWORD SuspendThread(HANDLE thread);
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
BOOL GetExitCodeThread(HANDLE thread, DWORD* exit_code);
DWORD GetThreadId(HANDLE thread);
// A pseudo handle naming the calling thread (not closed, not waitable).
HANDLE GetCurrentThread();

}  // namespace plat
