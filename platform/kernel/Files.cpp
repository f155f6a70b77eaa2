#include "platform/kernel/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "platform/kernel/Drives.h"
#include "platform/kernel/Errors.h"

namespace plat {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListFolder(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
  closedir(dir);
  return names;
}

void SetErrorFromErrno(int err) {
  switch (err) {
    case ENOENT:
      SetLastError(ERROR_FILE_NOT_FOUND);
      break;
    case ENOTDIR:
      SetLastError(ERROR_PATH_NOT_FOUND);
      break;
    case EEXIST:
      SetLastError(ERROR_ALREADY_EXISTS);
      break;
    case ENOTEMPTY:
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case EBUSY:
      SetLastError(ERROR_ACCESS_DENIED);
      break;
    case ENOSPC:
    case EIO:
      SetLastError(ERROR_WRITE_FAULT);
      break;
    default:
      SetLastError(ERROR_INVALID_FUNCTION);
  }
}

// ENOENT is a missing file when its folder exists, else a missing path.
void SetNotFoundError(const std::string& path) {
  auto slash = path.find_last_of('/');
  std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  struct stat st;
  bool folder_ok = stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
  SetLastError(folder_ok ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
}

void Fail(const std::string& path, int err) {
  if (err == ENOENT)
    SetNotFoundError(path);
  else
    SetErrorFromErrno(err);
}

std::string FolderOf(const std::string& path) {
  auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Renames without replacing an existing target where the file system allows it.
int RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
  if (Exists(to)) return EEXIST;
  return rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

// Copies into a temporary file beside the target and renames it into place, so
// a failed copy never leaves a torn target behind. Returns 0 or an errno.
int CopyRegularFile(const std::string& from, const std::string& to, bool fail_if_exists) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return errno;
  struct stat st {};
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    int err = S_ISREG(st.st_mode) ? errno : EISDIR;
    close(in);
    return err;
  }
  std::string temp = FolderOf(to) + "/.quellix-copy-XXXXXX";
  int out = mkostemp(temp.data(), O_CLOEXEC);
  if (out < 0) {
    int err = errno;
    close(in);
    return err;
  }
  int err = 0;
  std::vector<char> buffer(1 << 16);
  for (;;) {
    ssize_t got = read(in, buffer.data(), buffer.size());
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      err = errno;
      break;
    }
    if (got == 0) break;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = write(out, buffer.data() + done, static_cast<size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) {
        err = errno;
        break;
      }
      done += put;
    }
    if (err) break;
  }
  if (!err && fchmod(out, st.st_mode & 07777) != 0) err = errno;
  if (!err && fsync(out) != 0) err = errno;
  close(in);
  if (close(out) != 0 && !err) err = errno;
  if (!err) {
    if (fail_if_exists)
      err = RenameNoReplace(temp, to);
    else if (rename(temp.c_str(), to.c_str()) != 0)
      err = errno;
  }
  if (err) unlink(temp.c_str());
  return err;
}

struct FindState {
  std::string folder;
  std::vector<std::string> names;
  size_t next = 0;
  bool cd = false;  // track files of a CD drive
};

class FindTable {
 public:
  std::mutex mutex;
  std::unordered_map<uintptr_t, FindState> searches;
  uintptr_t next_id = 1;
};

FindTable& Finds() {
  static FindTable table;
  return table;
}

// Search handles live in their own numbered range and are never reused.
constexpr uintptr_t kFindBase = uintptr_t{0x5B} << 56;

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || Lower(pattern[p]) == Lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

FILETIME ToFileTime(const timespec& ts) {
  // Seconds between 1601-01-01 and 1970-01-01.
  constexpr uint64_t kEpochDelta = 11644473600ULL;
  uint64_t value = (static_cast<uint64_t>(ts.tv_sec) + kEpochDelta) * 10000000ULL +
                   static_cast<uint64_t>(ts.tv_nsec) / 100;
  return FILETIME{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
}

DWORD AttributesOf(const std::string& path, const struct stat& st, const std::string& name) {
  DWORD attributes = 0;
  if (S_ISDIR(st.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (access(path.c_str(), W_OK) != 0 && errno == EACCES) attributes |= FILE_ATTRIBUTE_READONLY;
  if (name.size() > 1 && name[0] == '.' && name != "..") attributes |= FILE_ATTRIBUTE_HIDDEN;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

void FillFindData(const std::string& folder, const std::string& name, WIN32_FIND_DATAA* data) {
  *data = WIN32_FIND_DATAA{};
  std::string path = folder + "/" + name;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) lstat(path.c_str(), &st);
  data->dwFileAttributes = AttributesOf(path, st, name);
  data->ftCreationTime = ToFileTime(st.st_ctim);
  data->ftLastAccessTime = ToFileTime(st.st_atim);
  data->ftLastWriteTime = ToFileTime(st.st_mtim);
  if (!S_ISDIR(st.st_mode)) {
    uint64_t size = static_cast<uint64_t>(st.st_size);
    data->nFileSizeLow = static_cast<DWORD>(size);
    data->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  }
  std::snprintf(data->cFileName, sizeof data->cFileName, "%s", name.c_str());
}

void FillTrackFindData(const std::string& name, WIN32_FIND_DATAA* data) {
  *data = WIN32_FIND_DATAA{};
  data->dwFileAttributes = FILE_ATTRIBUTE_READONLY;
  data->nFileSizeLow = kCdTrackFileBytes;
  std::snprintf(data->cFileName, sizeof data->cFileName, "%s", name.c_str());
}

void Fill(const FindState& state, const std::string& name, WIN32_FIND_DATAA* data) {
  if (state.cd)
    FillTrackFindData(name, data);
  else
    FillFindData(state.folder, name, data);
}

}  // namespace

std::string ResolvePath(const std::string& path) {
  std::string p = path;
  std::replace(p.begin(), p.end(), '\\', '/');
  if (p.size() >= 2 && p[1] == ':' && ((p[0] >= 'A' && p[0] <= 'Z') || (p[0] >= 'a' && p[0] <= 'z'))) {
    p.erase(0, 2);
    if (p.empty() || p[0] != '/') p.insert(0, "/");
  }
  if (p.empty() || Exists(p)) return p;

  bool absolute = p[0] == '/';
  bool trailing = p.back() == '/';
  std::vector<std::string> parts;
  for (size_t start = 0; start <= p.size();) {
    size_t end = p.find('/', start);
    if (end == std::string::npos) end = p.size();
    if (end > start) parts.push_back(p.substr(start, end - start));
    start = end + 1;
  }
  std::string result = absolute ? "/" : "";
  bool found = true;
  for (const std::string& part : parts) {
    std::string name = part;
    if (found && part != "." && part != ".." && !Exists(result + part)) {
      std::vector<std::string> candidates;
      for (const std::string& entry : ListFolder(result))
        if (EqualNoCase(entry, part)) candidates.push_back(entry);
      if (candidates.empty())
        found = false;  // the rest cannot exist either; keep it as written
      else
        name = *std::min_element(candidates.begin(), candidates.end());
    }
    result += name;
    result += '/';
  }
  if (!trailing && result.size() > 1) result.pop_back();
  return result;
}

std::string GetProgramFolder() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "./";
  std::string exe(buffer, static_cast<size_t>(n));
  return exe.substr(0, exe.find_last_of('/') + 1);
}

DWORD GetCurrentDirectoryA(DWORD size, char* out) {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) {
      SetErrorFromErrno(errno);
      return 0;
    }
    buffer.resize(buffer.size() * 2);
  }
  DWORD length = static_cast<DWORD>(std::strlen(buffer.data()));
  if (!out || size <= length) return length + 1;
  std::memcpy(out, buffer.data(), length + 1);
  return length;
}

BOOL SetCurrentDirectoryA(const char* path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string resolved = ResolvePath(path);
  if (chdir(resolved.c_str()) != 0) {
    Fail(resolved, errno);
    return FALSE;
  }
  return TRUE;
}

BOOL GetDiskFreeSpaceExA(const char* directory, ULONGLONG* free_to_caller, ULONGLONG* total_bytes,
                         ULONGLONG* total_free) {
  std::string resolved = directory && *directory ? ResolvePath(directory) : ".";
  struct statvfs fs;
  if (statvfs(resolved.c_str(), &fs) != 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  ULONGLONG unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
  if (free_to_caller) *free_to_caller = unit * fs.f_bavail;
  if (total_bytes) *total_bytes = unit * fs.f_blocks;
  if (total_free) *total_free = unit * fs.f_bfree;
  return TRUE;
}

BOOL GetDiskFreeSpaceA(const char* root, DWORD* sectors_per_cluster, DWORD* bytes_per_sector,
                       DWORD* free_clusters, DWORD* total_clusters) {
  std::string resolved = root && *root ? ResolvePath(root) : ".";
  struct statvfs fs;
  if (statvfs(resolved.c_str(), &fs) != 0) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  ULONGLONG unit = fs.f_frsize ? fs.f_frsize : fs.f_bsize;
  ULONGLONG sector = unit % 512 == 0 ? 512 : unit;
  ULONGLONG sectors = unit / sector;
  ULONGLONG free_count = fs.f_bavail, total_count = fs.f_blocks;
  while (total_count > 0xFFFFFFFFULL) {
    sectors *= 2;
    total_count /= 2;
    free_count /= 2;
  }
  if (sectors_per_cluster) *sectors_per_cluster = static_cast<DWORD>(sectors);
  if (bytes_per_sector) *bytes_per_sector = static_cast<DWORD>(sector);
  if (free_clusters) *free_clusters = static_cast<DWORD>(free_count);
  if (total_clusters) *total_clusters = static_cast<DWORD>(total_count);
  return TRUE;
}

DWORD GetFileAttributesA(const char* path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD track_attributes = 0;
  if (CdPathAttributes(path, track_attributes)) {
    if (track_attributes == INVALID_FILE_ATTRIBUTES) SetLastError(ERROR_FILE_NOT_FOUND);
    return track_attributes;
  }
  std::string resolved = ResolvePath(path);
  struct stat st;
  if (stat(resolved.c_str(), &st) != 0) {
    Fail(resolved, errno);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string trimmed = resolved;
  while (trimmed.size() > 1 && trimmed.back() == '/') trimmed.pop_back();
  return AttributesOf(resolved, st, trimmed.substr(trimmed.find_last_of('/') + 1));
}

BOOL CreateDirectoryA(const char* path, const void* /*security*/) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string resolved = ResolvePath(path);
  if (mkdir(resolved.c_str(), 0777) != 0) {
    if (errno == ENOENT)
      SetLastError(ERROR_PATH_NOT_FOUND);
    else
      SetErrorFromErrno(errno);
    return FALSE;
  }
  return TRUE;
}

BOOL RemoveDirectoryA(const char* path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string resolved = ResolvePath(path);
  if (rmdir(resolved.c_str()) != 0) {
    Fail(resolved, errno);
    return FALSE;
  }
  return TRUE;
}

BOOL DeleteFileA(const char* path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string resolved = ResolvePath(path);
  if (unlink(resolved.c_str()) != 0) {
    Fail(resolved, errno);
    return FALSE;
  }
  return TRUE;
}

BOOL MoveFileA(const char* existing, const char* new_name) {
  if (!existing || !new_name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string from = ResolvePath(existing), to = ResolvePath(new_name);
  int err = RenameNoReplace(from, to);
  if (err == EXDEV) {
    err = CopyRegularFile(from, to, true);
    if (!err && unlink(from.c_str()) != 0) err = errno;
  }
  if (err) {
    Fail(err == ENOENT && !Exists(from) ? from : to, err);
    return FALSE;
  }
  return TRUE;
}

BOOL CopyFileA(const char* existing, const char* new_name, BOOL fail_if_exists) {
  if (!existing || !new_name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string from = ResolvePath(existing), to = ResolvePath(new_name);
  int err = CopyRegularFile(from, to, fail_if_exists != FALSE);
  if (err == EEXIST) {
    SetLastError(ERROR_FILE_EXISTS);
    return FALSE;
  }
  if (err) {
    Fail(err == ENOENT && !Exists(from) ? from : to, err);
    return FALSE;
  }
  return TRUE;
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  if (!pattern || !data || !*pattern) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string p = pattern;
  std::replace(p.begin(), p.end(), '\\', '/');
  auto slash = p.find_last_of('/');
  std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
  std::string folder =
      slash == std::string::npos ? "." : (slash == 0 ? "/" : ResolvePath(p.substr(0, slash)));
  if (name == "*.*") name = "*";

  FindState state;
  std::vector<std::string> entries;
  state.cd = slash != std::string::npos && CdFolderNames(p.substr(0, slash), entries);
  if (!state.cd) {
    struct stat st;
    if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      SetLastError(ERROR_PATH_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    entries = ListFolder(folder);
  }
  state.folder = folder;
  for (std::string& entry : entries)
    if (WildcardMatch(name, entry)) state.names.push_back(std::move(entry));
  if (state.names.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  std::sort(state.names.begin(), state.names.end());
  Fill(state, state.names[0], data);
  state.next = 1;

  FindTable& table = Finds();
  std::lock_guard lock(table.mutex);
  uintptr_t handle = kFindBase + (table.next_id++ << 4);
  table.searches.emplace(handle, std::move(state));
  return reinterpret_cast<HANDLE>(handle);
}

BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data) {
  FindTable& table = Finds();
  std::lock_guard lock(table.mutex);
  auto it = table.searches.find(reinterpret_cast<uintptr_t>(find));
  if (it == table.searches.end() || !data) {
    SetLastError(it == table.searches.end() ? ERROR_INVALID_HANDLE : ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  FindState& state = it->second;
  if (state.next >= state.names.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  Fill(state, state.names[state.next++], data);
  return TRUE;
}

BOOL FindClose(HANDLE find) {
  FindTable& table = Finds();
  std::lock_guard lock(table.mutex);
  if (table.searches.erase(reinterpret_cast<uintptr_t>(find)) == 0) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

}  // namespace plat
