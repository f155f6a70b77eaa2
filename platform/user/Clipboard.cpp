#include "platform/user/Clipboard.h"

#include <map>
#include <mutex>

#include "platform/kernel/Errors.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/ThreadQueue.h"

namespace plat {

namespace {

struct ClipboardState {
  std::mutex mutex;
  DWORD open_thread = 0;
  HWND open_window = nullptr;
  HWND owner = nullptr;
  std::map<UINT, HANDLE> data;
};

ClipboardState& State() {
  static ClipboardState state;
  return state;
}

void FreeAllLocked(ClipboardState& s) {
  for (auto& [format, block] : s.data)
    if (block) GlobalFree(block);
  s.data.clear();
}

bool OpenedByCaller(const ClipboardState& s) {
  return s.open_thread != 0 && s.open_thread == GetCurrentThreadId();
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (s.open_thread && s.open_thread != GetCurrentThreadId()) return FALSE;
  s.open_thread = GetCurrentThreadId();
  s.open_window = owner;
  return TRUE;
}

BOOL CloseClipboard() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (!OpenedByCaller(s)) return FALSE;
  s.open_thread = 0;
  s.open_window = nullptr;
  return TRUE;
}

BOOL EmptyClipboard() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (!OpenedByCaller(s)) return FALSE;
  FreeAllLocked(s);
  s.owner = s.open_window;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (!OpenedByCaller(s) || format == 0) return nullptr;
  HANDLE& slot = s.data[format];
  if (slot && slot != data) GlobalFree(slot);
  slot = data;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (!OpenedByCaller(s)) return nullptr;
  auto it = s.data.find(format);
  return it == s.data.end() ? nullptr : it->second;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  auto it = s.data.find(format);
  return it != s.data.end() && it->second ? TRUE : FALSE;
}

int CountClipboardFormats() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  return static_cast<int>(s.data.size());
}

HWND GetClipboardOwner() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  return s.owner;
}

HWND GetOpenClipboardWindow() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  return s.open_thread ? s.open_window : nullptr;
}

}  // namespace plat
