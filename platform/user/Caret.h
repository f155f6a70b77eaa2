#pragma once
// The caret: one per thread, owned by a window of the thread. The window
// that owns it draws it while it is shown (its hide count is 0); the caret's
// place and size are kept here for everyone to read.
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Types.h"

namespace plat {

// Replaces the thread's caret; created hidden. `bitmap` 1 stands for a grey caret.
BOOL CreateCaret(HWND hwnd, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
// Hide and show nest; null stands for the caret's own window.
BOOL ShowCaret(HWND hwnd);
BOOL HideCaret(HWND hwnd);
// Client coordinates of the caret's window.
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* point);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT milliseconds);

}  // namespace plat

namespace plat::user {

// The calling thread's caret when `hwnd` owns it and it is shown.
bool CaretShownIn(HWND hwnd, RECT* caret);

}  // namespace plat::user
