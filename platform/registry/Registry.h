#pragma once
// The hierarchical registry: predefined root keys, keys opened by handle,
// typed values and change notification. Every change is written through to
// one text store, so another process and the next start see it at once.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Types.h"

namespace plat {

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000003u));
inline HKEY const HKEY_PERFORMANCE_DATA = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000004u));
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000005u));
inline HKEY const HKEY_DYN_DATA = reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000006u));

using REGSAM = DWORD;

// Value types. Types without a text form are stored as their bytes.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights.
constexpr DWORD DELETE = 0x00010000;
constexpr DWORD READ_CONTROL = 0x00020000;
constexpr DWORD SYNCHRONIZE = 0x00100000;
constexpr DWORD STANDARD_RIGHTS_READ = READ_CONTROL;
constexpr DWORD STANDARD_RIGHTS_WRITE = READ_CONTROL;
constexpr DWORD STANDARD_RIGHTS_ALL = 0x001F0000;
constexpr DWORD MAXIMUM_ALLOWED = 0x02000000;
constexpr DWORD KEY_QUERY_VALUE = 0x0001;
constexpr DWORD KEY_SET_VALUE = 0x0002;
constexpr DWORD KEY_CREATE_SUB_KEY = 0x0004;
constexpr DWORD KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr DWORD KEY_NOTIFY = 0x0010;
constexpr DWORD KEY_CREATE_LINK = 0x0020;
constexpr DWORD KEY_READ =
    (STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & ~SYNCHRONIZE;
constexpr DWORD KEY_WRITE = (STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & ~SYNCHRONIZE;
constexpr DWORD KEY_EXECUTE = KEY_READ;
constexpr DWORD KEY_ALL_ACCESS = (STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
                                  KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | KEY_CREATE_LINK) &
                                 ~SYNCHRONIZE;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

constexpr DWORD REG_NOTIFY_CHANGE_NAME = 0x1;
constexpr DWORD REG_NOTIFY_CHANGE_ATTRIBUTES = 0x2;
constexpr DWORD REG_NOTIFY_CHANGE_LAST_SET = 0x4;
constexpr DWORD REG_NOTIFY_CHANGE_SECURITY = 0x8;

// An open handle whose key has since been deleted.
constexpr LONG ERROR_KEY_DELETED = 1018;

// Opens or creates `sub_key` below `key` (intermediate keys included). A
// leading backslash and empty path parts are ignored. Class, options and
// security are accepted and ignored.
LONG RegCreateKeyExA(HKEY key, const char* sub_key, DWORD reserved, char* key_class, DWORD options,
                     REGSAM desired, const void* security, HKEY* result, DWORD* disposition);
LONG RegCreateKeyA(HKEY key, const char* sub_key, HKEY* result);
LONG RegOpenKeyExA(HKEY key, const char* sub_key, DWORD options, REGSAM desired, HKEY* result);
// An empty or null sub_key gives back `key` itself, not a new handle.
LONG RegOpenKeyA(HKEY key, const char* sub_key, HKEY* result);
LONG RegCloseKey(HKEY key);

// Strings (REG_SZ, REG_EXPAND_SZ) are stored with their terminating zero,
// which is added when the data lacks it.
LONG RegSetValueExA(HKEY key, const char* value_name, DWORD reserved, DWORD type, const BYTE* data,
                    DWORD data_size);
// Null data with a size pointer asks for the size; a buffer that is too small
// gives ERROR_MORE_DATA and the size needed.
LONG RegQueryValueExA(HKEY key, const char* value_name, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* data_size);
LONG RegDeleteValueA(HKEY key, const char* value_name);
// Deletes a key without subkeys; one with subkeys gives ERROR_ACCESS_DENIED.
LONG RegDeleteKeyA(HKEY key, const char* sub_key);
// Deletes a key with all its subkeys and values.
LONG RegDeleteTreeA(HKEY key, const char* sub_key);

// Subkeys enumerate sorted by name without letter case, values in the order
// they were first written; past the end gives ERROR_NO_MORE_ITEMS.
LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* name_size, DWORD* reserved, char* key_class,
                   DWORD* class_size, FILETIME* last_write);
LONG RegEnumValueA(HKEY key, DWORD index, char* value_name, DWORD* value_name_size, DWORD* reserved,
                   DWORD* type, BYTE* data, DWORD* data_size);
LONG RegQueryInfoKeyA(HKEY key, char* key_class, DWORD* class_size, DWORD* reserved, DWORD* sub_keys,
                      DWORD* max_sub_key_len, DWORD* max_class_len, DWORD* values, DWORD* max_value_name_len,
                      DWORD* max_value_len, DWORD* security_descriptor_size, FILETIME* last_write);
LONG RegFlushKey(HKEY key);

// Signals `event` once on the next change of `key` (or below it with
// watch_subtree) that `filter` selects; deleting the key itself always
// signals. The registration ends when the key handle is closed. Without
// `asynchronous` the call returns only at the change (or the close).
// Changes saved by other processes are signalled too, once this process has
// read them: at its next registry call, or when the watch on the store's
// folder (kept while anyone listens) hears the save.
LONG RegNotifyChangeKeyValue(HKEY key, BOOL watch_subtree, DWORD filter, HANDLE event, BOOL asynchronous);

// ---- For tests and tools -------------------------------------------------

// Re-points the store to `path`; an empty path goes back to the default
// ($QUELLIX_REGISTRY, else $XDG_CONFIG_HOME/quellix/registry.reg, else
// $HOME/.config/quellix/registry.reg, looked up again on every call).
void RegistrySetStorePath(const std::string& path);
std::string RegistryStorePath();
// Drops the in-memory tree and reads the store again. Open handles stay valid
// for keys that are still there; listeners hear what the read changed.
void RegistryReload();
// Malformed lines that the last read of the store skipped.
size_t RegistrySkippedLines();

// Calls `callback` after every change of `key` (or below it with
// watch_subtree) that `filter` selects, outside the registry's lock. The
// listener follows the key, not the handle. Returns 0 for a bad handle.
using RegistryListenerToken = uint64_t;
RegistryListenerToken RegistryAddChangeListener(HKEY key, bool watch_subtree, std::function<void()> callback,
                                                DWORD filter = REG_NOTIFY_CHANGE_NAME |
                                                               REG_NOTIFY_CHANGE_LAST_SET);
// After this returns the callback is not running and will not run again
// (unless called from inside that same callback).
bool RegistryRemoveChangeListener(RegistryListenerToken token);

}  // namespace plat
