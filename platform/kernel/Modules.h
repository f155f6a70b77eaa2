#pragma once
// Modules loaded by name: built-in modules the layer implements itself, and
// shared libraries from the program folder standing in for outside libraries.
// Handles are reference counted and never reused.
#include <string>
#include <utility>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

using ModuleExports = std::vector<std::pair<std::string, FARPROC>>;

// A module the layer implements itself, found by LoadLibraryA under `name`
// (compared without letter case, with or without a folder or the ".dll"
// extension). A later registration under the same name replaces the exports
// for later loads.
void RegisterBuiltinModule(const std::string& name, ModuleExports exports);

// "NAME.DLL" -> built-in module, else dlopen of "name.so" (lower case, extension
// .dll replaced by .so) from the program folder (or the given folder for a
// path); reference counted; failure returns nullptr with ERROR_MOD_NOT_FOUND.
HMODULE LoadLibraryA(const char* file_name);
// nullptr + ERROR_PROC_NOT_FOUND when missing. A null module is the program.
FARPROC GetProcAddress(HMODULE module, const char* proc_name);
// Unloads at the last reference. The program and "kernel32.dll" stay loaded.
BOOL FreeLibrary(HMODULE module);
// nullptr name: the program itself; else an already loaded module (no new reference).
HMODULE GetModuleHandleA(const char* name);
// nullptr module: the full path of the executable. Copies at most size-1
// characters plus a zero; returns the length copied, or `size` when the path
// was cut (ERROR_INSUFFICIENT_BUFFER).
DWORD GetModuleFileNameA(HMODULE module, char* out, DWORD size);

}  // namespace plat
