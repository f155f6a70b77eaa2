#pragma once
// Hook chains: procedures that watch window creation, activation and focus
// (WH_CBT), messages of modal loops (WH_MSGFILTER), sent messages around
// their window procedure (WH_CALLWNDPROC, WH_CALLWNDPROCRET) and retrieved
// messages (WH_GETMESSAGE). A chain runs newest hook first; each hook passes
// on with CallNextHookEx. A hook removed while its chain runs is skipped.
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

using HOOKPROC = LRESULT (*)(int code, WPARAM wparam, LPARAM lparam);

constexpr int WH_MSGFILTER = -1;
constexpr int WH_GETMESSAGE = 3;
constexpr int WH_CALLWNDPROC = 4;
constexpr int WH_CBT = 5;
constexpr int WH_CALLWNDPROCRET = 12;

constexpr int HC_ACTION = 0;

constexpr int HCBT_MOVESIZE = 0;
constexpr int HCBT_MINMAX = 1;
constexpr int HCBT_QS = 2;
constexpr int HCBT_CREATEWND = 3;
constexpr int HCBT_DESTROYWND = 4;
constexpr int HCBT_ACTIVATE = 5;
constexpr int HCBT_CLICKSKIPPED = 6;
constexpr int HCBT_KEYSKIPPED = 7;
constexpr int HCBT_SYSCOMMAND = 8;
constexpr int HCBT_SETFOCUS = 9;

// Codes of CallMsgFilterA: which kind of modal loop saw the message.
constexpr int MSGF_DIALOGBOX = 0;
constexpr int MSGF_MESSAGEBOX = 1;
constexpr int MSGF_MENU = 2;
constexpr int MSGF_MOVE = 3;
constexpr int MSGF_SIZE = 4;
constexpr int MSGF_SCROLLBAR = 5;
constexpr int MSGF_NEXTWINDOW = 6;
constexpr int MSGF_USER = 4096;

constexpr LONG ERROR_INVALID_HOOK_HANDLE = 1404;
constexpr LONG ERROR_INVALID_HOOK_FILTER = 1426;
constexpr LONG ERROR_INVALID_FILTER_PROC = 1427;

// HCBT_CREATEWND: lParam. The hook may change position, size and styles in
// `lpcs`; a non-zero answer refuses the window.
struct CBT_CREATEWNDA {
  CREATESTRUCTA* lpcs = nullptr;
  HWND hwndInsertAfter = nullptr;
};

// HCBT_ACTIVATE: lParam.
struct CBTACTIVATESTRUCT {
  BOOL fMouse = FALSE;
  HWND hWndActive = nullptr;  // the window active until now
};

// WH_CALLWNDPROC: lParam; wParam is non-zero when the current thread sent it.
struct CWPSTRUCT {
  LPARAM lParam = 0;
  WPARAM wParam = 0;
  UINT message = 0;
  HWND hwnd = nullptr;
};

// WH_CALLWNDPROCRET: lParam.
struct CWPRETSTRUCT {
  LRESULT lResult = 0;
  LPARAM lParam = 0;
  WPARAM wParam = 0;
  UINT message = 0;
  HWND hwnd = nullptr;
};

// `thread_id` 0 hooks every thread of the process; `module` is not needed.
// Hooks run on the thread where the event happens.
HHOOK SetWindowsHookExA(int id, HOOKPROC proc, HINSTANCE module, DWORD thread_id);
BOOL UnhookWindowsHookEx(HHOOK hook);
// Calls the next hook of the chain that is running; 0 past the last one.
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wparam, LPARAM lparam);
// For modal loops: runs the WH_MSGFILTER chain with the loop's MSGF_* code
// before the loop handles `msg`; TRUE means a hook took the message and the
// loop must drop it.
BOOL CallMsgFilterA(MSG* msg, int code);

}  // namespace plat

namespace plat::user {

// True when the calling thread has a hook of this kind; lets hot paths skip building arguments.
bool HasHooks(int id);
// Runs the calling thread's chain of `id` from its newest hook; 0 when there is none.
LRESULT CallHooks(int id, int code, WPARAM wparam, LPARAM lparam);
// WH_CBT: true when a hook refuses the operation (HCBT_MINMAX, HCBT_MOVESIZE,
// HCBT_ACTIVATE, HCBT_SETFOCUS, HCBT_DESTROYWND).
bool CbtRefuses(int code, WPARAM wparam, LPARAM lparam);

// The window core calls these at creation and destruction. CreationAllowed
// runs HCBT_CREATEWND for a window already in the table and takes over what
// the hook changed in `create`; false: the caller drops the window unseen.
bool CreationAllowed(HWND hwnd, CREATESTRUCTA* create);
// HCBT_DESTROYWND for a window of this thread that is not yet being destroyed.
bool DestructionAllowed(HWND hwnd);

// Delivery of one message to a window's procedure, through the window's
// subclass chain; `sent` adds the WH_CALLWNDPROC and WH_CALLWNDPROCRET
// chains around it. Messages, the subclass unit and input use it.
LRESULT DeliverToWindow(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, bool sent,
                        bool from_this_thread);

// WH_GETMESSAGE for a message just retrieved; `remove` is PM_REMOVE or PM_NOREMOVE.
void RetrievedMessageHook(MSG* msg, UINT remove);

}  // namespace plat::user
