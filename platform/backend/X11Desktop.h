#pragma once
// What SDL leaves out of its X windows: the hints a window manager reads for
// owned, modal and popup windows, the program's class name, our own X error
// handling and the connection the event loop waits on. Every call does
// nothing where SDL's windows are not X windows.
#include <string>

struct SDL_Window;

namespace plat::backend::x11 {

// After SDL's video has started: requests about windows that are gone fail
// on their own; any other X error is reported once on stderr; a lost
// connection ends the process at once, without running static destructors.
void InstallErrorHandlers();
// The X errors seen so far that were reported (tests).
int ReportedErrors();

// The file descriptor of SDL's X connection, or -1.
int ConnectionFd(SDL_Window* any_window);
// Sends what Xlib has buffered and tells whether events are already queued
// (read from the connection but not yet taken by SDL).
bool FlushAndCheckQueued(SDL_Window* any_window);

// The window's title as desktops read it: _NET_WM_NAME in UTF-8, and WM_NAME
// for older readers (Latin-1 where the title fits, UTF-8 otherwise).
void SetTitle(SDL_Window* window, const std::string& utf8);
// The class hint ("quellix") that desktops group and name the program's windows by.
void SetClassHint(SDL_Window* window);
// WM_TRANSIENT_FOR; a null owner removes it.
void SetTransientFor(SDL_Window* window, SDL_Window* owner);
// The window states the program keeps itself. A window manager drops a
// window's states when it is hidden, so they are stated again before it shows.
enum class WmState { kModal, kAbove };
// Sets or clears `state` in _NET_WM_STATE: on the property before the window
// is shown, by a request to the window manager while it is shown.
void SetWmState(SDL_Window* window, WmState state, bool on);
// Puts the window at the top of the stack, without asking for the focus.
void RaiseWindow(SDL_Window* window);
// Where the window's top-left corner is on the screen now, asked of the X
// server: SDL's own figure can count a window manager's frame twice while it
// takes the window in. False where the window is not an X window.
bool RootPosition(SDL_Window* window, int* x, int* y);
// True while a window manager that follows the desktop's conventions runs.
bool WindowManagerRunning(SDL_Window* any_window);

}  // namespace plat::backend::x11
