#include "platform/user/Hooks.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Subclass.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

struct Hook {
  HHOOK handle = nullptr;
  int id = 0;
  HOOKPROC proc = nullptr;
  DWORD thread_id = 0;  // 0: every thread
  std::atomic<bool> alive{true};
};

struct HookTable {
  std::mutex mutex;
  std::vector<std::shared_ptr<Hook>> hooks;  // in installation order
  uintptr_t next_handle = 0x1000;
  std::atomic<int> count{0};  // lets threads without hooks skip the lock
};

// Never destroyed: hooks of threads that end after main still unhook.
HookTable& Table() {
  static auto* table = new HookTable;
  return *table;
}

bool KnownId(int id) {
  return id == WH_MSGFILTER || id == WH_GETMESSAGE || id == WH_CALLWNDPROC || id == WH_CBT ||
         id == WH_CALLWNDPROCRET;
}

void Remove(const std::shared_ptr<Hook>& hook) {
  hook->alive = false;
  auto& table = Table();
  table.hooks.erase(std::find(table.hooks.begin(), table.hooks.end(), hook));
  table.count.fetch_sub(1);
}

// A thread's hooks go when the thread ends; their procedures may be gone with it.
struct ThreadHooks {
  bool installed = false;
  ~ThreadHooks() {
    if (!installed) return;
    const DWORD me = GetCurrentThreadId();
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    std::vector<std::shared_ptr<Hook>> mine;
    for (auto& hook : table.hooks)
      if (hook->thread_id == me) mine.push_back(hook);
    for (auto& hook : mine) Remove(hook);
  }
};
thread_local ThreadHooks thread_hooks;

// One running chain on this thread: CallNextHookEx continues after `at`.
struct Run {
  std::vector<std::shared_ptr<Hook>> chain;  // newest first
  size_t at = 0;
};
thread_local std::vector<Run*> runs;

LRESULT CallFrom(Run& run, size_t start, int code, WPARAM wparam, LPARAM lparam) {
  for (size_t i = start; i < run.chain.size(); ++i) {
    if (!run.chain[i]->alive) continue;
    struct Restore {
      Run& run;
      size_t saved;
      ~Restore() { run.at = saved; }
    } restore{run, run.at};
    run.at = i;
    return run.chain[i]->proc(code, wparam, lparam);
  }
  return 0;
}

}  // namespace

HHOOK SetWindowsHookExA(int id, HOOKPROC proc, HINSTANCE, DWORD thread_id) {
  if (!KnownId(id)) {
    SetLastError(ERROR_INVALID_HOOK_FILTER);
    return nullptr;
  }
  if (!proc) {
    SetLastError(ERROR_INVALID_FILTER_PROC);
    return nullptr;
  }
  if (thread_id && thread_id != GetCurrentThreadId() && !FindThreadQueue(thread_id)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto hook = std::make_shared<Hook>();
  hook->id = id;
  hook->proc = proc;
  hook->thread_id = thread_id;
  auto& table = Table();
  {
    std::lock_guard lock(table.mutex);
    hook->handle = reinterpret_cast<HHOOK>(table.next_handle++);
    table.hooks.push_back(hook);
    table.count.fetch_add(1);
  }
  if (thread_id == GetCurrentThreadId()) thread_hooks.installed = true;
  return hook->handle;
}

BOOL UnhookWindowsHookEx(HHOOK handle) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  auto found = std::find_if(table.hooks.begin(), table.hooks.end(),
                            [handle](const std::shared_ptr<Hook>& hook) { return hook->handle == handle; });
  if (found == table.hooks.end()) {
    SetLastError(ERROR_INVALID_HOOK_HANDLE);
    return FALSE;
  }
  Remove(*found);
  return TRUE;
}

LRESULT CallNextHookEx(HHOOK handle, int code, WPARAM wparam, LPARAM lparam) {
  if (runs.empty()) return 0;
  // The innermost chain that the hook belongs to; a null handle means the innermost one.
  Run* run = runs.back();
  for (auto it = runs.rbegin(); handle && it != runs.rend(); ++it) {
    auto& chain = (*it)->chain;
    if ((*it)->at < chain.size() && chain[(*it)->at]->handle == handle) {
      run = *it;
      break;
    }
  }
  return CallFrom(*run, run->at + 1, code, wparam, lparam);
}

BOOL CallMsgFilterA(MSG* msg, int code) {
  if (!msg) return FALSE;
  return user::CallHooks(WH_MSGFILTER, code, 0, reinterpret_cast<LPARAM>(msg)) ? TRUE : FALSE;
}

namespace user {

bool HasHooks(int id) {
  auto& table = Table();
  if (table.count.load() == 0) return false;
  const DWORD me = GetCurrentThreadId();
  std::lock_guard lock(table.mutex);
  return std::any_of(table.hooks.begin(), table.hooks.end(), [&](const std::shared_ptr<Hook>& hook) {
    return hook->id == id && (hook->thread_id == 0 || hook->thread_id == me);
  });
}

LRESULT CallHooks(int id, int code, WPARAM wparam, LPARAM lparam) {
  auto& table = Table();
  if (table.count.load() == 0) return 0;
  Run run;
  {
    const DWORD me = GetCurrentThreadId();
    std::lock_guard lock(table.mutex);
    for (auto it = table.hooks.rbegin(); it != table.hooks.rend(); ++it)
      if ((*it)->id == id && ((*it)->thread_id == 0 || (*it)->thread_id == me)) run.chain.push_back(*it);
  }
  if (run.chain.empty()) return 0;
  runs.push_back(&run);
  struct Pop {
    ~Pop() { runs.pop_back(); }
  } pop;
  return CallFrom(run, 0, code, wparam, lparam);
}

bool CbtRefuses(int code, WPARAM wparam, LPARAM lparam) {
  return HasHooks(WH_CBT) && CallHooks(WH_CBT, code, wparam, lparam) != 0;
}

bool CreationAllowed(HWND hwnd, CREATESTRUCTA* create) {
  InstallInputDefaults();
  if (!HasHooks(WH_CBT)) return true;
  CBT_CREATEWNDA cbt;
  cbt.lpcs = create;
  if (CallHooks(WH_CBT, HCBT_CREATEWND, reinterpret_cast<WPARAM>(hwnd), reinterpret_cast<LPARAM>(&cbt)))
    return false;
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) return false;
  record->window_rect = RECT{create->x, create->y, create->x + create->cx, create->y + create->cy};
  // Whether it is a child was settled when the window was linked to its parent.
  constexpr DWORD kChild = WS_CHILD;
  record->style = (static_cast<DWORD>(create->style) & ~kChild) | (record->style & kChild);
  create->style = static_cast<LONG>(record->style);
  record->ex_style = create->dwExStyle;
  return true;
}

bool DestructionAllowed(HWND hwnd) {
  if (!HasHooks(WH_CBT)) return true;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record || record->destroying || record->thread_id != GetCurrentThreadId()) return true;
  }
  return !CbtRefuses(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(hwnd), 0);
}

LRESULT DeliverToWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool sent,
                        bool from_this_thread) {
  if (sent && HasHooks(WH_CALLWNDPROC)) {
    CWPSTRUCT cwp;
    cwp.lParam = lparam;
    cwp.wParam = wparam;
    cwp.message = message;
    cwp.hwnd = hwnd;
    CallHooks(WH_CALLWNDPROC, HC_ACTION, from_this_thread ? 1 : 0, reinterpret_cast<LPARAM>(&cwp));
  }
  const LRESULT result = CallSubclassChain(hwnd, message, wparam, lparam);
  if (sent && HasHooks(WH_CALLWNDPROCRET)) {
    CWPRETSTRUCT ret;
    ret.lResult = result;
    ret.lParam = lparam;
    ret.wParam = wparam;
    ret.message = message;
    ret.hwnd = hwnd;
    CallHooks(WH_CALLWNDPROCRET, HC_ACTION, from_this_thread ? 1 : 0, reinterpret_cast<LPARAM>(&ret));
  }
  return result;
}

void RetrievedMessageHook(MSG* msg, UINT remove) {
  if (remove & PM_REMOVE) NoteRetrievedInput(*msg);
  if (HasHooks(WH_GETMESSAGE))
    CallHooks(WH_GETMESSAGE, HC_ACTION, remove & PM_REMOVE, reinterpret_cast<LPARAM>(msg));
}

}  // namespace user

}  // namespace plat
