#pragma once
// INI profile files. The user's profile (the "WIN.INI" of the program's model)
// is a file in the configuration folder; its "Intl" section answers "sDecimal"
// and "sList" from the locale unless the file sets them.
#include <string>

#include "platform/kernel/Types.h"

namespace plat {

// Private profile files (any INI file). Section and key names compare
// without letter case. A null key lists the section's keys, a null section
// lists the sections (each zero-terminated, the list ends with two zeros).
// A null file name is the user's profile; a bare file name lives beside it.
// Writes are refused when a name or value would break the file's lines.
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* default_value, char* out,
                               DWORD size, const char* file_name);
UINT GetPrivateProfileIntA(const char* section, const char* key, int default_value, const char* file_name);
BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file_name);

// The user's profile.
DWORD GetProfileStringA(const char* section, const char* key, const char* default_value, char* out,
                        DWORD size);
UINT GetProfileIntA(const char* section, const char* key, int default_value);
BOOL WriteProfileStringA(const char* section, const char* key, const char* value);

}  // namespace plat
