#pragma once
// Copying, moving, renaming and deleting lists of files, with the desktop's
// Trash for deletions that may be undone.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/kernel/Types.h"

namespace plat {

constexpr UINT FO_MOVE = 1;
constexpr UINT FO_COPY = 2;
constexpr UINT FO_DELETE = 3;
constexpr UINT FO_RENAME = 4;

using FILEOP_FLAGS = uint16_t;
constexpr FILEOP_FLAGS FOF_MULTIDESTFILES = 0x0001;
constexpr FILEOP_FLAGS FOF_SILENT = 0x0004;
constexpr FILEOP_FLAGS FOF_RENAMEONCOLLISION = 0x0008;
constexpr FILEOP_FLAGS FOF_NOCONFIRMATION = 0x0010;
constexpr FILEOP_FLAGS FOF_ALLOWUNDO = 0x0040;
constexpr FILEOP_FLAGS FOF_FILESONLY = 0x0080;
constexpr FILEOP_FLAGS FOF_SIMPLEPROGRESS = 0x0100;
constexpr FILEOP_FLAGS FOF_NOCONFIRMMKDIR = 0x0200;
constexpr FILEOP_FLAGS FOF_NOERRORUI = 0x0400;

// A confirmation the user answered with No: nothing more was done.
constexpr int kFileOperationCancelled = 18;

// pFrom and pTo are lists of names, each ended by a NUL, with one more NUL
// at the end.
struct SHFILEOPSTRUCTA {
  HWND hwnd = nullptr;
  UINT wFunc = 0;
  const char* pFrom = nullptr;
  const char* pTo = nullptr;
  FILEOP_FLAGS fFlags = 0;
  BOOL fAnyOperationsAborted = 0;
  void* hNameMappings = nullptr;
  const char* lpszProgressTitle = nullptr;
};

// 0 on success; otherwise the errno of the first failure (the rest is not
// done), or kFileOperationCancelled. Sources may hold "*" and "?" in their
// name part. No progress window is shown.
int SHFileOperationA(SHFILEOPSTRUCTA* operation);

// Moves a file or folder into $XDG_DATA_HOME/Trash with its .trashinfo
// record; 0 or an errno (ENOTSUP for a file on another file system).
int MoveToTrash(const std::string& path);

// Replaces the operation for tests that only look at what was asked; null
// restores it.
using FileOperationSink = std::function<int(const SHFILEOPSTRUCTA&)>;
void SetFileOperationSink(FileOperationSink sink);

}  // namespace plat
