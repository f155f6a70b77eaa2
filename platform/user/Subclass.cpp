#include "platform/user/Subclass.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using user::LookupWindowLocked;
using user::SubclassEntry;
using user::WindowLock;

// One pass of a message through a window's chain; DefSubclassProc continues after `at`.
struct Run {
  HWND hwnd = nullptr;
  std::vector<std::shared_ptr<SubclassEntry>> chain;  // newest first, as it was when the message came
  size_t at = 0;
};
thread_local std::vector<Run*> runs;

// The record of a window of the calling thread, or null with the error set. Caller holds WindowLock().
std::shared_ptr<user::WindowRecord> OwnWindowLocked(HWND hwnd) {
  auto record = LookupWindowLocked(hwnd);
  if (!record) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  if (record->thread_id != GetCurrentThreadId()) {
    SetLastError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return record;
}

LRESULT CallWindowItself(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  WNDPROC proc = nullptr;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return 0;
    proc = record->proc;
  }
  return CallWindowProcA(proc, hwnd, message, wparam, lparam);
}

LRESULT CallFrom(Run& run, size_t start, UINT message, WPARAM wparam, LPARAM lparam) {
  for (size_t i = start; i < run.chain.size(); ++i) {
    SubclassEntry& entry = *run.chain[i];
    DWORD_PTR ref_data = 0;
    {
      std::lock_guard lock(WindowLock());
      if (!entry.alive) continue;
      ref_data = entry.ref_data;
    }
    struct Restore {
      Run& run;
      size_t saved;
      ~Restore() { run.at = saved; }
    } restore{run, run.at};
    run.at = i;
    return entry.proc(run.hwnd, message, wparam, lparam, entry.id, ref_data);
  }
  return CallWindowItself(run.hwnd, message, wparam, lparam);
}

}  // namespace

BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR ref_data) {
  if (!proc) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(WindowLock());
  auto record = OwnWindowLocked(hwnd);
  if (!record) return FALSE;
  for (auto& entry : record->subclasses) {
    if (entry->proc == proc && entry->id == id) {
      entry->ref_data = ref_data;
      return TRUE;
    }
  }
  auto entry = std::make_shared<SubclassEntry>();
  entry->proc = proc;
  entry->id = id;
  entry->ref_data = ref_data;
  record->subclasses.insert(record->subclasses.begin(), std::move(entry));
  return TRUE;
}

BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* ref_data) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (record) {
    for (auto& entry : record->subclasses) {
      if (entry->proc == proc && entry->id == id) {
        if (ref_data) *ref_data = entry->ref_data;
        return TRUE;
      }
    }
  }
  if (ref_data) *ref_data = 0;
  return FALSE;
}

BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id) {
  std::lock_guard lock(WindowLock());
  auto record = OwnWindowLocked(hwnd);
  if (!record) return FALSE;
  auto& chain = record->subclasses;
  auto found = std::find_if(chain.begin(), chain.end(), [&](const std::shared_ptr<SubclassEntry>& entry) {
    return entry->proc == proc && entry->id == id;
  });
  if (found == chain.end()) return FALSE;
  // Chains already running skip it from now on.
  (*found)->alive = false;
  chain.erase(found);
  return TRUE;
}

LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  for (auto it = runs.rbegin(); it != runs.rend(); ++it)
    if ((*it)->hwnd == hwnd) return CallFrom(**it, (*it)->at + 1, message, wparam, lparam);
  // Not called from a handler: straight to the window procedure.
  return CallWindowItself(hwnd, message, wparam, lparam);
}

namespace user {

LRESULT CallSubclassChain(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  Run run;
  run.hwnd = hwnd;
  WNDPROC proc = nullptr;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return 0;
    run.chain = record->subclasses;
    proc = record->proc;
  }
  LRESULT result = 0;
  if (run.chain.empty()) {
    result = CallWindowProcA(proc, hwnd, message, wparam, lparam);
  } else {
    runs.push_back(&run);
    struct Pop {
      ~Pop() { runs.pop_back(); }
    } pop;
    result = CallFrom(run, 0, message, wparam, lparam);
  }
  if (message == WM_NCDESTROY) {
    // Every handler has seen the window's end; none may outlive it.
    std::lock_guard lock(WindowLock());
    if (auto record = LookupWindowLocked(hwnd)) {
      for (auto& entry : record->subclasses) entry->alive = false;
      record->subclasses.clear();
    }
  }
  return result;
}

}  // namespace user

}  // namespace plat
