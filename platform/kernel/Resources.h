#pragma once
// Resources linked into a module: found by type and name, where either may be
// a text (compared without letter case) or an integer id (MAKEINTRESOURCEA, or
// the text "#123"). The program's own resources come from a table that the
// build generates from resources/; main registers it once with
// RegisterProgramResources (resources/ProgramResources.h). Other modules have
// none unless someone registers a table for them.
#include <cstddef>
#include <cstdint>

#include "platform/kernel/Types.h"

namespace plat {

struct HRSRC__ {
  int unused;
};
using HRSRC = HRSRC__*;

constexpr LONG ERROR_RESOURCE_DATA_NOT_FOUND = 1812;
constexpr LONG ERROR_RESOURCE_TYPE_NOT_FOUND = 1813;
constexpr LONG ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// An integer id passed where a name is expected: a value below 64 Ki in the pointer.
inline const char* MAKEINTRESOURCEA(WORD id) {
  return reinterpret_cast<const char*>(static_cast<uintptr_t>(id));
}
inline const char* MAKEINTRESOURCE(WORD id) { return MAKEINTRESOURCEA(id); }
inline bool IS_INTRESOURCE(const char* name) { return (reinterpret_cast<uintptr_t>(name) >> 16) == 0; }

// The standard resource types.
constexpr WORD RT_CURSOR_ID = 1;
constexpr WORD RT_BITMAP_ID = 2;
constexpr WORD RT_ICON_ID = 3;
constexpr WORD RT_MENU_ID = 4;
constexpr WORD RT_DIALOG_ID = 5;
constexpr WORD RT_STRING_ID = 6;
constexpr WORD RT_FONTDIR_ID = 7;
constexpr WORD RT_FONT_ID = 8;
constexpr WORD RT_ACCELERATOR_ID = 9;
constexpr WORD RT_RCDATA_ID = 10;
constexpr WORD RT_MESSAGETABLE_ID = 11;
constexpr WORD RT_GROUP_CURSOR_ID = 12;
constexpr WORD RT_GROUP_ICON_ID = 14;
constexpr WORD RT_VERSION_ID = 16;

inline const char* const RT_CURSOR = MAKEINTRESOURCEA(RT_CURSOR_ID);
inline const char* const RT_BITMAP = MAKEINTRESOURCEA(RT_BITMAP_ID);
inline const char* const RT_ICON = MAKEINTRESOURCEA(RT_ICON_ID);
inline const char* const RT_MENU = MAKEINTRESOURCEA(RT_MENU_ID);
inline const char* const RT_DIALOG = MAKEINTRESOURCEA(RT_DIALOG_ID);
inline const char* const RT_STRING = MAKEINTRESOURCEA(RT_STRING_ID);
inline const char* const RT_FONTDIR = MAKEINTRESOURCEA(RT_FONTDIR_ID);
inline const char* const RT_FONT = MAKEINTRESOURCEA(RT_FONT_ID);
inline const char* const RT_ACCELERATOR = MAKEINTRESOURCEA(RT_ACCELERATOR_ID);
inline const char* const RT_RCDATA = MAKEINTRESOURCEA(RT_RCDATA_ID);
inline const char* const RT_MESSAGETABLE = MAKEINTRESOURCEA(RT_MESSAGETABLE_ID);
inline const char* const RT_GROUP_CURSOR = MAKEINTRESOURCEA(RT_GROUP_CURSOR_ID);
inline const char* const RT_GROUP_ICON = MAKEINTRESOURCEA(RT_GROUP_ICON_ID);
inline const char* const RT_VERSION = MAKEINTRESOURCEA(RT_VERSION_ID);

// A type or name in a table: an integer id when `name` is null, else a text
// in upper case (tables are written by the generator, which folds the case).
struct ResourceKey {
  WORD id = 0;
  const char* name = nullptr;
};

// One resource. Cursors and icons are whole .cur/.ico files. String tables are
// RT_STRING blocks of 16 strings (block id = string id / 16 + 1), each string
// a 16-bit little-endian byte count followed by its UTF-8 bytes.
struct ResourceEntry {
  ResourceKey type;
  ResourceKey name;
  const BYTE* data = nullptr;
  DWORD size = 0;
};

struct ResourceTable {
  const ResourceEntry* entries = nullptr;
  size_t count = 0;
};

// Adds a table to a module's resources (null module: the program). Tables
// registered later are searched first; registering the same table again does
// nothing. The table and its data must outlive the registration.
void RegisterResourceTable(HMODULE module, const ResourceTable& table);
void UnregisterResourceTable(HMODULE module, const ResourceTable& table);

// Null module: the program. Null name or type: ERROR_INVALID_PARAMETER.
HRSRC FindResourceA(HMODULE module, const char* name, const char* type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
// The bytes of a loaded resource; read-only.
void* LockResource(HGLOBAL loaded);
DWORD SizeofResource(HMODULE module, HRSRC resource);
// Linked resources need no freeing; always FALSE, as the model has it.
BOOL FreeResource(HGLOBAL loaded);

// Copies the string resource `id` as UTF-8: at most size-1 bytes, never a
// partial character, plus a terminating zero. Returns the bytes copied; 0 and
// an empty buffer when the string is missing or empty.
int LoadStringA(HINSTANCE instance, UINT id, char* buffer, int size);

}  // namespace plat
