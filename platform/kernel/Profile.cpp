#include "platform/kernel/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <vector>

#include "platform/kernel/Errors.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Locale.h"

namespace plat {

namespace {

// Read-modify-write of a profile file is one step for every thread.
std::mutex profile_mutex;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string Trim(const std::string& s) {
  const char* blanks = " \t\r\n";
  auto first = s.find_first_not_of(blanks);
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

std::string UserProfileFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg) return std::string(xdg) + "/quellix/";
  const char* home = std::getenv("HOME");
  if (home && *home) return std::string(home) + "/.config/quellix/";
  return "./";
}

std::string UserProfilePath() {
  const char* over = std::getenv("QUELLIX_PROFILE");
  if (over && *over) return over;
  return UserProfileFolder() + "win.ini";
}

// A bare file name lives beside the user's profile, as the model keeps such
// files in its system folder; anything with a folder is taken as given.
std::string ProfilePath(const char* file_name) {
  if (!file_name) return UserProfilePath();
  std::string name = file_name;
  if (name.find_first_of("/\\:") == std::string::npos) return ResolvePath(UserProfileFolder() + name);
  return ResolvePath(name);
}

class IniText {
 public:
  std::vector<std::string> lines;
  std::string eol = "\n";

  static IniText Load(const std::string& path) {
    IniText ini;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    bool first = true;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') {
        line.pop_back();
        if (first) ini.eol = "\r\n";
      }
      first = false;
      ini.lines.push_back(std::move(line));
    }
    return ini;
  }

  static std::optional<std::string> SectionOf(const std::string& line) {
    std::string t = Trim(line);
    if (t.empty() || t[0] != '[') return std::nullopt;
    auto close = t.find(']');
    return Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
  }

  static std::optional<std::pair<std::string, std::string>> EntryOf(const std::string& line) {
    std::string t = Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
    auto eq = t.find('=');
    if (eq == std::string::npos) return std::nullopt;
    return std::make_pair(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
  }

  // Calls visit(index, section, key, value) for every entry, in file order.
  template <typename Visit>
  void ForEachEntry(Visit visit) const {
    std::optional<std::string> section;
    for (size_t i = 0; i < lines.size(); ++i) {
      if (auto s = SectionOf(lines[i])) {
        section = s;
      } else if (section) {
        if (auto e = EntryOf(lines[i])) visit(i, *section, e->first, e->second);
      }
    }
  }

  std::optional<std::string> Value(const std::string& section, const std::string& key) const {
    std::optional<std::string> found;
    ForEachEntry([&](size_t, const std::string& s, const std::string& k, const std::string& v) {
      if (!found && EqualNoCase(s, section) && EqualNoCase(k, key)) found = v;
    });
    if (found && found->size() >= 2 && (found->front() == '"' || found->front() == '\'') &&
        found->back() == found->front())
      found = found->substr(1, found->size() - 2);
    return found;
  }

  std::vector<std::string> Sections() const {
    std::vector<std::string> names;
    for (const std::string& line : lines)
      if (auto s = SectionOf(line))
        if (std::none_of(names.begin(), names.end(),
                         [&](const std::string& n) { return EqualNoCase(n, *s); }))
          names.push_back(*s);
    return names;
  }

  std::vector<std::string> Keys(const std::string& section) const {
    std::vector<std::string> keys;
    ForEachEntry([&](size_t, const std::string& s, const std::string& k, const std::string&) {
      if (EqualNoCase(s, section) &&
          std::none_of(keys.begin(), keys.end(), [&](const std::string& n) { return EqualNoCase(n, k); }))
        keys.push_back(k);
    });
    return keys;
  }

  // [header, end) of every section of that name, in file order.
  std::vector<std::pair<size_t, size_t>> SectionRanges(const std::string& section) const {
    std::vector<std::pair<size_t, size_t>> ranges;
    for (size_t i = 0; i < lines.size(); ++i) {
      auto s = SectionOf(lines[i]);
      if (!s) continue;
      if (!ranges.empty() && ranges.back().second == SIZE_MAX) ranges.back().second = i;
      if (EqualNoCase(*s, section)) ranges.emplace_back(i, SIZE_MAX);
    }
    if (!ranges.empty() && ranges.back().second == SIZE_MAX) ranges.back().second = lines.size();
    return ranges;
  }

  // Returns whether anything changed.
  bool Write(const std::string& section, const char* key, const char* value) {
    auto ranges = SectionRanges(section);
    if (!key) {
      for (auto it = ranges.rbegin(); it != ranges.rend(); ++it)
        lines.erase(lines.begin() + static_cast<long>(it->first),
                    lines.begin() + static_cast<long>(it->second));
      return !ranges.empty();
    }
    std::string k = Trim(key);
    std::vector<size_t> matches;
    ForEachEntry([&](size_t i, const std::string& s, const std::string& kk, const std::string&) {
      if (EqualNoCase(s, section) && EqualNoCase(kk, k)) matches.push_back(i);
    });
    if (!value) {
      for (auto it = matches.rbegin(); it != matches.rend(); ++it)
        lines.erase(lines.begin() + static_cast<long>(*it));
      return !matches.empty();
    }
    if (!matches.empty()) {
      // In place, under the key's own spelling.
      lines[matches[0]] = EntryOf(lines[matches[0]])->first + "=" + value;
      return true;
    }
    std::string entry = k + "=" + value;
    if (!ranges.empty()) {
      size_t at = ranges[0].second;
      while (at > ranges[0].first + 1 && Trim(lines[at - 1]).empty()) --at;
      lines.insert(lines.begin() + static_cast<long>(at), entry);
      return true;
    }
    if (!lines.empty() && !Trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
    return true;
  }

  // Writes a temporary file beside the target and renames it over the target,
  // so readers see the old or the new file, never a torn one.
  bool Save(const std::string& path) const {
    std::string text;
    for (const std::string& line : lines) text += line + eol;
    auto slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    std::string temp = (slash == std::string::npos ? std::string() : folder) + ".quellix-ini-XXXXXX";
    int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
      SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
      return false;
    }
    struct stat st;
    mode_t mode = stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = fchmod(fd, mode) == 0;
    for (size_t done = 0; ok && done < text.size();) {
      ssize_t put = ::write(fd, text.data() + done, text.size() - done);
      if (put < 0 && errno == EINTR) continue;
      ok = put > 0;
      if (ok) done += static_cast<size_t>(put);
    }
    ok = ok && fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    ok = ok && rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
      unlink(temp.c_str());
      SetLastError(ERROR_WRITE_FAULT);
    }
    return ok;
  }
};

bool HasLineBreak(const char* s) { return s && std::strpbrk(s, "\r\n") != nullptr; }

void MakeFolders(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos; slash = path.find('/', slash + 1))
    mkdir(path.substr(0, slash).c_str(), 0755);
}

DWORD CopyText(const std::string& text, char* out, DWORD size) {
  if (!out || size == 0) return 0;
  DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), size - 1));
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
  if (n < text.size()) SetLastError(ERROR_MORE_DATA);
  return n;
}

// Each name zero-terminated, the list closed by a second zero. A list cut
// short still ends in two zeros and returns size - 2.
DWORD CopyList(const std::vector<std::string>& names, char* out, DWORD size) {
  if (!out || size == 0) return 0;
  std::string list;
  for (const std::string& name : names) {
    list += name;
    list += '\0';
  }
  if (list.size() + 1 <= size) {
    std::memcpy(out, list.data(), list.size());
    out[list.size()] = '\0';
    return static_cast<DWORD>(list.size());
  }
  if (size < 2) {
    out[0] = '\0';
    return 0;
  }
  std::memcpy(out, list.data(), size - 2);
  out[size - 2] = '\0';
  out[size - 1] = '\0';
  SetLastError(ERROR_MORE_DATA);
  return size - 2;
}

std::optional<std::string> UserIntlDefault(const char* section, const char* key) {
  if (!section || !key || !EqualNoCase(section, "Intl")) return std::nullopt;
  LocaleSeparators separators = GetLocaleSeparators();
  if (EqualNoCase(key, "sDecimal")) return std::string(1, separators.decimal);
  if (EqualNoCase(key, "sList")) return std::string(1, separators.list);
  return std::nullopt;
}

DWORD GetString(const std::string& path, const char* section, const char* key, const char* default_value,
                char* out, DWORD size, bool user) {
  IniText ini;
  {
    std::lock_guard lock(profile_mutex);
    ini = IniText::Load(path);
  }
  if (!section) return CopyList(ini.Sections(), out, size);
  if (!key) return CopyList(ini.Keys(section), out, size);
  std::optional<std::string> value = ini.Value(section, key);
  if (!value && user) value = UserIntlDefault(section, key);
  if (!value) {
    value = default_value ? default_value : "";
    // The model drops trailing blanks of a default.
    while (!value->empty() && (value->back() == ' ' || value->back() == '\t')) value->pop_back();
    SetLastError(ERROR_FILE_NOT_FOUND);
  }
  return CopyText(*value, out, size);
}

UINT ParseInt(const std::string& text, int default_value) {
  const char* p = text.c_str();
  if (!*p) return static_cast<UINT>(default_value);
  bool negative = *p == '-';
  if (*p == '-' || *p == '+') ++p;
  int base = 10;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    base = 16;
    p += 2;
  }
  long long value = 0;
  for (; *p; ++p) {
    int digit;
    if (*p >= '0' && *p <= '9')
      digit = *p - '0';
    else if (base == 16 && Lower(*p) >= 'a' && Lower(*p) <= 'f')
      digit = Lower(*p) - 'a' + 10;
    else
      break;
    value = std::min<long long>(value * base + digit, static_cast<long long>(UINT_MAX));
  }
  if (negative) value = std::max<long long>(-value, INT_MIN);
  return static_cast<UINT>(value);
}

UINT GetInt(const std::string& path, const char* section, const char* key, int default_value, bool user) {
  if (!section || !key) return static_cast<UINT>(default_value);
  std::optional<std::string> value;
  {
    std::lock_guard lock(profile_mutex);
    value = IniText::Load(path).Value(section, key);
  }
  if (!value && user) value = UserIntlDefault(section, key);
  if (!value) return static_cast<UINT>(default_value);
  return ParseInt(*value, default_value);
}

BOOL WriteString(const std::string& path, const char* section, const char* key, const char* value,
                 bool make_folders) {
  if (!section) {
    // All null only asks to flush a cache, and there is none.
    if (!key && !value) return TRUE;
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  // A line break or a stray bracket or '=' would change other entries' meaning.
  std::string s = Trim(section);
  if (s.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      s.find(']') != std::string::npos ||
      (key && (std::strchr(key, '=') || Trim(key).empty() || Trim(key)[0] == '[' || Trim(key)[0] == ';'))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::lock_guard lock(profile_mutex);
  IniText ini = IniText::Load(path);
  if (!ini.Write(s, key, value)) return TRUE;
  if (make_folders) MakeFolders(path);
  return ini.Save(path) ? TRUE : FALSE;
}

}  // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* default_value, char* out,
                               DWORD size, const char* file_name) {
  return GetString(ProfilePath(file_name), section, key, default_value, out, size, file_name == nullptr);
}

UINT GetPrivateProfileIntA(const char* section, const char* key, int default_value, const char* file_name) {
  return GetInt(ProfilePath(file_name), section, key, default_value, file_name == nullptr);
}

BOOL WritePrivateProfileStringA(const char* section, const char* key, const char* value,
                                const char* file_name) {
  bool bare = !file_name || std::strpbrk(file_name, "/\\:") == nullptr;
  return WriteString(ProfilePath(file_name), section, key, value, bare);
}

DWORD GetProfileStringA(const char* section, const char* key, const char* default_value, char* out,
                        DWORD size) {
  return GetString(UserProfilePath(), section, key, default_value, out, size, true);
}

UINT GetProfileIntA(const char* section, const char* key, int default_value) {
  return GetInt(UserProfilePath(), section, key, default_value, true);
}

BOOL WriteProfileStringA(const char* section, const char* key, const char* value) {
  return WriteString(UserProfilePath(), section, key, value, true);
}

}  // namespace plat
