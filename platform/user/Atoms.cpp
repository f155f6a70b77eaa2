#include "platform/user/Atoms.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/kernel/Errors.h"
#include "platform/user/Window.h"

namespace plat {

namespace {

constexpr size_t kMaxAtomName = 255;
constexpr LONG ERROR_INVALID_NAME = 123;

std::string Folded(const std::string& name) {
  std::string key = name;
  std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
  return key;
}

// A parsed atom name: either an integer atom or a string.
struct AtomName {
  bool valid = false;
  ATOM integer = 0;
  std::string text;
};

AtomName Parse(const char* name) {
  AtomName parsed;
  if (IS_INTRESOURCE(name)) {
    parsed.integer = static_cast<ATOM>(reinterpret_cast<uintptr_t>(name));
    parsed.valid = parsed.integer != 0 && parsed.integer < MAXINTATOM;
    return parsed;
  }
  std::string text = name;
  if (text.size() > 1 && text[0] == '#' &&
      std::all_of(text.begin() + 1, text.end(), [](unsigned char c) { return std::isdigit(c); })) {
    unsigned long value = text.size() <= 6 ? std::strtoul(text.c_str() + 1, nullptr, 10) : 0;
    parsed.integer = static_cast<ATOM>(value);
    parsed.valid = value != 0 && value < MAXINTATOM;
    return parsed;
  }
  parsed.text = std::move(text);
  parsed.valid = !parsed.text.empty() && parsed.text.size() <= kMaxAtomName;
  return parsed;
}

class AtomTable {
 public:
  ATOM Add(const char* name) {
    if (!name) return Fail(ERROR_INVALID_PARAMETER);
    AtomName parsed = Parse(name);
    if (!parsed.valid) return Fail(ERROR_INVALID_NAME);
    if (parsed.integer) return parsed.integer;
    std::lock_guard lock(mutex_);
    std::string key = Folded(parsed.text);
    auto found = by_name_.find(key);
    if (found != by_name_.end()) {
      ++entries_[found->second].references;
      return found->second;
    }
    if (entries_.size() >= 0x10000u - MAXINTATOM) return Fail(ERROR_NOT_ENOUGH_MEMORY);
    while (entries_.count(next_)) next_ = Following(next_);
    ATOM atom = next_;
    next_ = Following(next_);
    entries_[atom] = Entry{parsed.text, 1};
    by_name_[key] = atom;
    return atom;
  }

  ATOM Find(const char* name) {
    if (!name) return Fail(ERROR_INVALID_PARAMETER);
    AtomName parsed = Parse(name);
    if (!parsed.valid) return Fail(ERROR_INVALID_NAME);
    if (parsed.integer) return parsed.integer;
    std::lock_guard lock(mutex_);
    auto found = by_name_.find(Folded(parsed.text));
    if (found == by_name_.end()) return Fail(ERROR_FILE_NOT_FOUND);
    return found->second;
  }

  bool Delete(ATOM atom) {
    if (atom != 0 && atom < MAXINTATOM) return true;
    std::lock_guard lock(mutex_);
    auto found = entries_.find(atom);
    if (found == entries_.end()) return false;
    if (--found->second.references == 0) {
      by_name_.erase(Folded(found->second.name));
      entries_.erase(found);
    }
    return true;
  }

  bool Name(ATOM atom, std::string* name) {
    if (atom != 0 && atom < MAXINTATOM) {
      *name = "#" + std::to_string(atom);
      return true;
    }
    std::lock_guard lock(mutex_);
    auto found = entries_.find(atom);
    if (found == entries_.end()) return false;
    *name = found->second.name;
    return true;
  }

 private:
  struct Entry {
    std::string name;
    unsigned references = 0;
  };

  static ATOM Fail(LONG error) {
    SetLastError(error);
    return 0;
  }
  // Freed atoms are taken again only after the whole range was used once.
  static ATOM Following(ATOM atom) { return atom == 0xFFFF ? MAXINTATOM : static_cast<ATOM>(atom + 1); }

  std::mutex mutex_;
  std::map<ATOM, Entry> entries_;
  std::unordered_map<std::string, ATOM> by_name_;
  ATOM next_ = MAXINTATOM;
};

// Never destroyed: windows of detached threads may release atoms late.
AtomTable& GlobalTable() {
  static auto* table = new AtomTable;
  return *table;
}

AtomTable& UserTable() {
  static auto* table = new AtomTable;
  return *table;
}

}  // namespace

ATOM GlobalAddAtomA(const char* name) { return GlobalTable().Add(name); }

ATOM GlobalFindAtomA(const char* name) { return GlobalTable().Find(name); }

ATOM GlobalDeleteAtom(ATOM atom) {
  if (GlobalTable().Delete(atom)) return 0;
  SetLastError(ERROR_INVALID_HANDLE);
  return atom;
}

UINT GlobalGetAtomNameA(ATOM atom, char* buffer, int size) {
  std::string name;
  if (!buffer || size <= 0 || !GlobalTable().Name(atom, &name)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  size_t count = std::min(name.size(), static_cast<size_t>(size - 1));
  std::memcpy(buffer, name.data(), count);
  buffer[count] = '\0';
  return static_cast<UINT>(count);
}

UINT RegisterWindowMessageA(const char* name) {
  if (!name || IS_INTRESOURCE(name) || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // Registered messages live as long as the process: their references are
  // never released, so a class of the same name going away cannot free them.
  return UserTable().Add(name);
}

namespace user {

ATOM AddUserAtom(const char* name) { return UserTable().Add(name); }
ATOM FindUserAtom(const char* name) { return UserTable().Find(name); }
void DeleteUserAtom(ATOM atom) { UserTable().Delete(atom); }

std::string UserAtomName(ATOM atom) {
  std::string name;
  UserTable().Name(atom, &name);
  return name;
}

}  // namespace user

}  // namespace plat
