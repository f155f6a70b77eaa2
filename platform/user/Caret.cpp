#include "platform/user/Caret.h"

#include <atomic>

#include "platform/user/Paint.h"
#include "platform/user/Window.h"

namespace plat {

namespace {

struct CaretState {
  HWND owner = nullptr;
  int width = 1;
  int height = 1;
  POINT pos;
  int hide_count = 1;
};

thread_local CaretState caret;
std::atomic<UINT> blink_ms{530};

void Refresh() {
  if (!caret.owner || !IsWindow(caret.owner)) return;
  RECT r{caret.pos.x, caret.pos.y, caret.pos.x + caret.width, caret.pos.y + caret.height};
  InvalidateRect(caret.owner, &r, FALSE);
}

}  // namespace

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
  if (!IsWindow(hwnd)) return FALSE;
  DestroyCaret();
  caret.owner = hwnd;
  caret.width = width > 0 ? width : 1;
  caret.height = height > 0 ? height : 1;
  caret.pos = POINT{0, 0};
  caret.hide_count = 1;
  return TRUE;
}

BOOL DestroyCaret() {
  if (!caret.owner) return FALSE;
  const bool shown = caret.hide_count == 0;
  if (shown) Refresh();
  caret = CaretState{};
  return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
  if (!caret.owner || (hwnd && hwnd != caret.owner) || caret.hide_count == 0) return FALSE;
  if (--caret.hide_count == 0) Refresh();
  return TRUE;
}

BOOL HideCaret(HWND hwnd) {
  if (!caret.owner || (hwnd && hwnd != caret.owner)) return FALSE;
  if (caret.hide_count++ == 0) Refresh();
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  if (!caret.owner) return FALSE;
  if (caret.pos.x == x && caret.pos.y == y) return TRUE;
  if (caret.hide_count == 0) Refresh();
  caret.pos = POINT{x, y};
  if (caret.hide_count == 0) Refresh();
  return TRUE;
}

BOOL GetCaretPos(POINT* point) {
  if (!point || !caret.owner) return FALSE;
  *point = caret.pos;
  return TRUE;
}

UINT GetCaretBlinkTime() { return blink_ms.load(); }

BOOL SetCaretBlinkTime(UINT milliseconds) {
  blink_ms.store(milliseconds);
  return TRUE;
}

namespace user {

bool CaretShownIn(HWND hwnd, RECT* r) {
  if (caret.owner != hwnd || caret.hide_count != 0) return false;
  if (r) *r = RECT{caret.pos.x, caret.pos.y, caret.pos.x + caret.width, caret.pos.y + caret.height};
  return true;
}

}  // namespace user

}  // namespace plat
