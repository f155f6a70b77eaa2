#pragma once
// Subclassing: one handler chain per window, in front of its window
// procedure. Subclassers join at the front and leave in any order; the chain
// always ends in the window's current procedure, so replacing GWLP_WNDPROC
// and subclassing coexist. The chain is dropped after WM_NCDESTROY has
// passed through it.
#include "platform/kernel/Types.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"

namespace plat {

using SUBCLASSPROC = LRESULT (*)(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                 DWORD_PTR ref_data);

// A handler is named by its procedure and id; joining again only replaces its
// data. Only the window's own thread may change its chain.
BOOL SetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR ref_data);
BOOL GetWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id, DWORD_PTR* ref_data);
// Safe from inside the handler itself and while the chain runs.
BOOL RemoveWindowSubclass(HWND hwnd, SUBCLASSPROC proc, UINT_PTR id);
// Passes a message on to the next handler, or to the window procedure.
LRESULT DefSubclassProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace plat

namespace plat::user {

// One subclass handler; removed ones stay readable by chains already running.
struct SubclassEntry {
  SUBCLASSPROC proc = nullptr;
  UINT_PTR id = 0;
  DWORD_PTR ref_data = 0;  // guarded by WindowLock()
  bool alive = true;       // guarded by WindowLock()
};

// Runs the chain of `hwnd` from its newest handler.
LRESULT CallSubclassChain(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace plat::user
