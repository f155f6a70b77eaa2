#include "platform/shell/FileOperation.h"

#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/kernel/Files.h"
#include "platform/shell/Xdg.h"
#include "platform/user/MessageBox.h"

namespace plat {

namespace fs = std::filesystem;

namespace {
std::mutex sink_mutex;
FileOperationSink& Sink() {
  static auto* sink = new FileOperationSink;
  return *sink;
}

std::vector<std::string> NameList(const char* names) {
  std::vector<std::string> out;
  if (!names) return out;
  for (const char* at = names; *at; at += out.back().size() + 1) out.emplace_back(at);
  return out;
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// A source whose name part holds wildcards stands for the matching entries
// of its folder, in name order.
int ExpandSources(const std::vector<std::string>& names, bool files_only, std::vector<fs::path>& out) {
  for (const std::string& name : names) {
    fs::path path = ResolvePath(name);
    std::string leaf = path.filename().string();
    if (!HasWildcard(leaf)) {
      out.push_back(fs::absolute(path));
      continue;
    }
    std::error_code ec;
    std::vector<fs::path> matches;
    fs::path folder = path.has_parent_path() ? path.parent_path() : fs::current_path();
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
      if (files_only && entry.is_directory(ec)) continue;
      if (fnmatch(leaf.c_str(), entry.path().filename().c_str(), 0) == 0)
        matches.push_back(fs::absolute(entry.path()));
    }
    if (ec) return ec.value();
    std::sort(matches.begin(), matches.end());
    out.insert(out.end(), matches.begin(), matches.end());
  }
  return 0;
}

bool Confirm(HWND owner, const std::string& text, const char* caption) {
  return MessageBoxA(owner, text.c_str(), caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// "a.txt" -> "a (copy).txt", "a (copy 2).txt", ...: the first name not taken.
fs::path CollisionName(const fs::path& dest) {
  std::string stem = dest.stem().string(), ext = dest.extension().string();
  for (int n = 1;; ++n) {
    std::string suffix = n == 1 ? " (copy)" : " (copy " + std::to_string(n) + ")";
    fs::path candidate = dest.parent_path() / (stem + suffix + ext);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(candidate, ec))) return candidate;
  }
}

int CopyEntry(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::is_directory(fs::symlink_status(from, ec)))
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  else
    fs::copy(from, to, fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks, ec);
  return ec ? ec.value() : 0;
}

int MoveEntry(const fs::path& from, const fs::path& to) {
  if (::rename(from.c_str(), to.c_str()) == 0) return 0;
  if (errno != EXDEV) return errno;
  if (int error = CopyEntry(from, to)) return error;
  std::error_code ec;
  fs::remove_all(from, ec);
  return ec ? ec.value() : 0;
}

// Percent-escapes everything but unreserved characters and "/".
std::string UrlPath(const std::string& path) {
  static const char* const kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : path) {
    bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                 std::string_view("-._~/").find(static_cast<char>(c)) != std::string_view::npos;
    if (plain) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

int Transfer(SHFILEOPSTRUCTA& op, const std::vector<fs::path>& sources) {
  std::vector<std::string> targets = NameList(op.pTo);
  bool multi = op.fFlags & FOF_MULTIDESTFILES;
  if (multi && targets.size() != sources.size()) return EINVAL;
  if (!multi && targets.size() != 1) return EINVAL;
  std::error_code ec;
  fs::path single = targets.empty() ? fs::path() : fs::absolute(ResolvePath(targets[0]));
  // One destination is a folder when it is one, or when it must hold several sources.
  bool into_folder = !multi && (fs::is_directory(single, ec) || sources.size() > 1);
  if (into_folder && op.wFunc == FO_RENAME) return EINVAL;
  for (size_t i = 0; i < sources.size(); ++i) {
    const fs::path& from = sources[i];
    if (!fs::exists(fs::symlink_status(from, ec))) return ENOENT;
    fs::path to = multi         ? fs::absolute(ResolvePath(targets[i]))
                  : into_folder ? single / from.filename()
                                : single;
    if (!fs::exists(to.parent_path(), ec)) {
      fs::create_directories(to.parent_path(), ec);
      if (ec) return ec.value();
    }
    if (fs::equivalent(from, to, ec) || fs::exists(fs::symlink_status(to, ec))) {
      if (op.fFlags & FOF_RENAMEONCOLLISION) {
        to = CollisionName(to);
      } else {
        if (!(op.fFlags & FOF_NOCONFIRMATION) &&
            !Confirm(op.hwnd, "Replace the existing \"" + to.string() + "\"?", "Confirm Replace")) {
          op.fAnyOperationsAborted = 1;
          return kFileOperationCancelled;
        }
        if (fs::equivalent(from, to, ec)) continue;
        fs::remove_all(to, ec);
        if (ec) return ec.value();
      }
    }
    int error = op.wFunc == FO_COPY ? CopyEntry(from, to) : MoveEntry(from, to);
    if (error) return error;
  }
  return 0;
}

int Delete(SHFILEOPSTRUCTA& op, const std::vector<fs::path>& sources) {
  bool undo = op.fFlags & FOF_ALLOWUNDO;
  if (!(op.fFlags & FOF_NOCONFIRMATION) && !sources.empty()) {
    std::string what = sources.size() == 1 ? "\"" + sources[0].filename().string() + "\""
                                           : "these " + std::to_string(sources.size()) + " items";
    std::string text = undo ? "Move " + what + " to the Trash?" : "Delete " + what + " permanently?";
    if (!Confirm(op.hwnd, text, "Confirm Delete")) {
      op.fAnyOperationsAborted = 1;
      return kFileOperationCancelled;
    }
  }
  for (const fs::path& path : sources) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) return ENOENT;
    if (undo) {
      if (int error = MoveToTrash(path.string())) return error;
    } else {
      fs::remove_all(path, ec);
      if (ec) return ec.value();
    }
  }
  return 0;
}
}  // namespace

int MoveToTrash(const std::string& path) {
  fs::path trash = fs::path(XdgDataHome()) / "Trash";
  std::error_code ec;
  fs::create_directories(trash / "files", ec);
  fs::create_directories(trash / "info", ec);
  struct stat item {
  }, home{};
  if (::lstat(path.c_str(), &item) != 0) return errno;
  if (::stat((trash / "files").c_str(), &home) != 0) return errno;
  // Only the home Trash is used: a file elsewhere would be copied across,
  // which is no cheap undo; it is refused rather than deleted for good.
  if (item.st_dev != home.st_dev) return ENOTSUP;
  std::string name = fs::path(path).filename().string();
  fs::path absolute = fs::absolute(path);
  char date[32];
  std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
  std::string info = "[Trash Info]\nPath=" + UrlPath(absolute.string()) + "\nDeletionDate=" + date + "\n";
  for (int n = 1; n < 10000; ++n) {
    std::string entry = n == 1 ? name : name + "." + std::to_string(n);
    fs::path info_path = trash / "info" / (entry + ".trashinfo");
    // Creating the record exclusively claims the name.
    int fd = ::open(info_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return errno;
    }
    bool written = ::write(fd, info.data(), info.size()) == static_cast<ssize_t>(info.size());
    written = ::close(fd) == 0 && written;
    int error = written ? 0 : EIO;
    if (!error && ::rename(path.c_str(), (trash / "files" / entry).c_str()) != 0) error = errno;
    if (error) ::unlink(info_path.c_str());
    return error == EXDEV ? ENOTSUP : error;
  }
  return EEXIST;
}

void SetFileOperationSink(FileOperationSink sink) {
  std::lock_guard lock(sink_mutex);
  Sink() = std::move(sink);
}

int SHFileOperationA(SHFILEOPSTRUCTA* op) {
  if (!op) return EINVAL;
  FileOperationSink sink;
  {
    std::lock_guard lock(sink_mutex);
    sink = Sink();
  }
  if (sink) return sink(*op);
  op->fAnyOperationsAborted = 0;
  std::vector<fs::path> sources;
  if (int error = ExpandSources(NameList(op->pFrom), op->fFlags & FOF_FILESONLY, sources)) return error;
  switch (op->wFunc) {
    case FO_COPY:
    case FO_MOVE:
    case FO_RENAME:
      return Transfer(*op, sources);
    case FO_DELETE:
      return Delete(*op, sources);
    default:
      return EINVAL;
  }
}

}  // namespace plat
