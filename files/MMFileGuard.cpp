#include "files/MMFileGuard.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>

#include "platform/kernel/Files.h"

namespace files {

namespace {

struct FileId {
  std::string path;  // resolved and made absolute
  dev_t device = 0;
  ino_t inode = 0;
  bool has_inode = false;
};

FileId Identify(const std::string& name) {
  FileId id;
  std::error_code ec;
  const std::filesystem::path resolved = plat::ResolvePath(name);
  std::filesystem::path full = std::filesystem::weakly_canonical(resolved, ec);
  if (ec) full = std::filesystem::absolute(resolved, ec).lexically_normal();
  id.path = full.string();
  struct stat st {};
  if (::stat(id.path.c_str(), &st) == 0) {
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.has_inode = true;
  }
  return id;
}

bool SameFile(const FileId& a, const FileId& b) {
  if (a.has_inode && b.has_inode) return a.device == b.device && a.inode == b.inode;
  return a.path == b.path;
}

// Readers live on the main thread and on device threads alike.
std::mutex readers_lock;
std::multimap<const void*, FileId>& Readers() {
  static std::multimap<const void*, FileId> readers;
  return readers;
}

std::atomic<unsigned> temp_counter{0};

}  // namespace

void NoteFileReader(const void* reader, const std::string& name) {
  FileId id = Identify(name);
  std::lock_guard lock(readers_lock);
  Readers().emplace(reader, std::move(id));
}

void ForgetFileReader(const void* reader) {
  std::lock_guard lock(readers_lock);
  Readers().erase(reader);
}

bool IsFileOpenForReading(const std::string& name, const void* except) {
  const FileId target = Identify(name);
  std::lock_guard lock(readers_lock);
  for (const auto& [reader, id] : Readers())
    if (reader != except && SameFile(id, target)) return true;
  return false;
}

std::string TemporaryFileName(const std::string& target) {
  const std::filesystem::path resolved = plat::ResolvePath(target);
  std::filesystem::path folder = resolved.parent_path();
  if (folder.empty()) folder = ".";
  for (;;) {
    const std::string name = "." + resolved.filename().string() + "." + std::to_string(::getpid()) + "." +
                             std::to_string(temp_counter.fetch_add(1)) + ".tmp";
    const std::filesystem::path candidate = folder / name;
    std::error_code ec;
    if (!std::filesystem::exists(candidate, ec)) return candidate.string();
  }
}

bool ReplaceFileWith(const std::string& temporary, const std::string& target) {
  return std::rename(plat::ResolvePath(temporary).c_str(), plat::ResolvePath(target).c_str()) == 0;
}

}  // namespace files
