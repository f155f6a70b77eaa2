#include "platform/vcl/UtilWindow.h"

#include <map>
#include <memory>
#include <mutex>

#include "platform/vcl/SysUtils.h"

namespace vcl {

namespace {

constexpr const char* kClassName = "TPUtilWindow";

std::mutex procs_mutex;
std::map<plat::HWND, std::shared_ptr<TUtilWndProc>>& Procs() {
  static auto* procs = new std::map<plat::HWND, std::shared_ptr<TUtilWndProc>>;
  return *procs;
}

plat::LRESULT UtilWindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
  std::shared_ptr<TUtilWndProc> proc;
  {
    std::lock_guard lock(procs_mutex);
    auto it = Procs().find(hwnd);
    if (it != Procs().end()) proc = it->second;
  }
  // Held by copy: the callable may deallocate its own window.
  if (proc) return (*proc)(hwnd, message, wparam, lparam);
  return plat::DefWindowProcA(hwnd, message, wparam, lparam);
}

void RegisterUtilClass() {
  static std::once_flag once;
  std::call_once(once, [] {
    plat::WNDCLASSA wc;
    wc.lpfnWndProc = UtilWindowProc;
    wc.lpszClassName = kClassName;
    plat::RegisterClassA(&wc);
  });
}

}  // namespace

plat::HWND AllocateUtilityWindow(TUtilWndProc proc) {
  RegisterUtilClass();
  plat::HWND hwnd =
      plat::CreateWindowExA(0, kClassName, "", 0, 0, 0, 0, 0, plat::HWND_MESSAGE, nullptr, nullptr, nullptr);
  if (!hwnd) throw EOutOfMemory("Cannot create a utility window");
  std::lock_guard lock(procs_mutex);
  Procs()[hwnd] = std::make_shared<TUtilWndProc>(std::move(proc));
  return hwnd;
}

void DeallocateUtilityWindow(plat::HWND hwnd) {
  if (!hwnd) return;
  {
    std::lock_guard lock(procs_mutex);
    Procs().erase(hwnd);
  }
  plat::DestroyWindow(hwnd);
}

}  // namespace vcl
