#pragma once
// Change notifications on folders: a waitable kernel object that is signalled
// when something below a folder changes. One inotify instance serves the whole
// process; a reader thread marks the objects whose filter an event matches.
//
// The notice is coarse, as callers expect: it says that something changed,
// not what. Changes made between the wake and FindNextChangeNotification keep
// the object signalled, so a burst is never lost, only merged.
#include <cstddef>

#include "platform/kernel/Types.h"

namespace plat {

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x001;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x002;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x004;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x008;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x010;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_ACCESS = 0x020;
constexpr DWORD FILE_NOTIFY_CHANGE_CREATION = 0x040;
constexpr DWORD FILE_NOTIFY_CHANGE_SECURITY = 0x100;

// Watches `path` (and, with watch_subtree, every folder below it, including
// folders made later). INVALID_HANDLE_VALUE with the last error set when the
// folder is missing (ERROR_PATH_NOT_FOUND), the filter selects nothing
// (ERROR_INVALID_PARAMETER), or the tree needs more watches than the process
// may hold (ERROR_NOT_ENOUGH_QUOTA): a tree is watched whole or not at all.
// The folder itself going away always signals.
HANDLE FindFirstChangeNotificationA(const char* path, BOOL watch_subtree, DWORD filter);
// Re-arms after a wait returned the object. FALSE once the watched folder
// itself is gone (ERROR_PATH_NOT_FOUND) or for a bad handle.
BOOL FindNextChangeNotification(HANDLE handle);
// Ends the watch and closes the handle. A thread still waiting on the object
// wakes (its next wait on the closed handle fails).
BOOL FindCloseChangeNotification(HANDLE handle);

// The number of folder watches the process may hold at once: `limit`, or 0
// for the default, half of the system's per-user limit but at most 8192.
void SetChangeNotificationWatchLimit(size_t limit);
size_t ChangeNotificationWatchLimit();
// Folder watches held now.
size_t ChangeNotificationWatchCount();

}  // namespace plat
