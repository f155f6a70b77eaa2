#pragma once
// Files, folders and paths as the program's callers name them: `\` separators
// and names whose letter case may not match what is on disk.
#include <string>

#include "platform/kernel/Types.h"

namespace plat {

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD MAX_PATH = 260;

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes = 0;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;  // 100 ns units since 1 January 1601
  DWORD nFileSizeHigh = 0;
  DWORD nFileSizeLow = 0;
  DWORD dwReserved0 = 0;
  DWORD dwReserved1 = 0;
  char cFileName[MAX_PATH] = {};
  char cAlternateFileName[14] = {};
};

// Maps `\` to `/`; when the exact name is missing, takes for each component an
// existing name that differs only in letter case. A leading drive letter ("C:")
// is dropped and the rest is taken from the root ("C:\x" -> "/x").
std::string ResolvePath(const std::string& path);

// The folder of the executable, ending in '/'.
std::string GetProgramFolder();

// Both return the length without the zero; when `size` is too small,
// GetCurrentDirectoryA returns the size needed including the zero.
DWORD GetCurrentDirectoryA(DWORD size, char* out);
BOOL SetCurrentDirectoryA(const char* path);

// A null directory means the current one; an unknown path gives FALSE.
BOOL GetDiskFreeSpaceExA(const char* directory, ULONGLONG* free_to_caller, ULONGLONG* total_bytes,
                         ULONGLONG* total_free);
// Cluster counts fit 32 bits: large volumes report bigger clusters instead.
BOOL GetDiskFreeSpaceA(const char* root, DWORD* sectors_per_cluster, DWORD* bytes_per_sector,
                       DWORD* free_clusters, DWORD* total_clusters);

DWORD GetFileAttributesA(const char* path);
BOOL CreateDirectoryA(const char* path, const void* security = nullptr);
BOOL RemoveDirectoryA(const char* path);
BOOL DeleteFileA(const char* path);
// Fails when the new name exists; works across file systems for files.
BOOL MoveFileA(const char* existing, const char* new_name);
BOOL CopyFileA(const char* existing, const char* new_name, BOOL fail_if_exists);

// `pattern` is a folder and a name with `*` and `?`, matched without letter
// case ("*.*" matches every name). The folder's "." and ".." are listed as the
// model's callers expect. INVALID_HANDLE_VALUE when nothing matches.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

}  // namespace plat
