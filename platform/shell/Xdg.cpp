#include "platform/shell/Xdg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace plat {

namespace {
std::string Home() {
  const char* home = std::getenv("HOME");
  return home && *home ? home : "/";
}

// Only absolute paths count; the base-directory rules ignore relative ones.
std::string AbsoluteEnv(const char* name) {
  const char* value = std::getenv(name);
  return value && value[0] == '/' ? value : "";
}

bool HasControl(std::string_view text) {
  for (unsigned char c : text)
    if (c < 0x20 || c == 0x7F) return true;
  return false;
}
}  // namespace

std::string XdgConfigHome() {
  std::string dir = AbsoluteEnv("XDG_CONFIG_HOME");
  return dir.empty() ? Home() + "/.config" : dir;
}

std::string XdgFirstConfigDir() {
  if (const char* dirs = std::getenv("XDG_CONFIG_DIRS")) {
    std::string_view all = dirs;
    while (!all.empty()) {
      size_t colon = all.find(':');
      std::string_view one = all.substr(0, colon);
      if (!one.empty() && one[0] == '/') return std::string(one);
      if (colon == std::string_view::npos) break;
      all.remove_prefix(colon + 1);
    }
  }
  return "/etc/xdg";
}

std::string XdgDataHome() {
  std::string dir = AbsoluteEnv("XDG_DATA_HOME");
  return dir.empty() ? Home() + "/.local/share" : dir;
}

std::string XdgRuntimeDir() { return AbsoluteEnv("XDG_RUNTIME_DIR"); }

std::optional<std::string> DesktopExecArgument(std::string_view arg) {
  if (HasControl(arg)) return std::nullopt;
  static constexpr std::string_view kReserved = " \t\"'\\><~|&;$*?#()`";
  bool quote = arg.empty() || arg.find_first_of(kReserved) != std::string_view::npos;
  std::string out;
  if (quote) out += '"';
  for (char c : arg) {
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
    if (c == '%') out += '%';
  }
  if (quote) out += '"';
  // The Exec key is a string value too: its backslashes are escaped once more.
  return DesktopStringValue(out);
}

std::optional<std::string> DesktopStringValue(std::string_view text) {
  if (HasControl(text)) return std::nullopt;
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\')
      out += "\\\\";
    else if (text[i] == ' ' && i == 0)
      out += "\\s";
    else
      out += text[i];
  }
  return out;
}

std::string SafeFileName(std::string_view name) {
  std::string out;
  for (char c : name) {
    bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
              c == '_' || c == '-';
    out += ok ? c : '_';
  }
  if (out.empty() || out == "." || out == "..") out = "entry";
  return out;
}

bool ReplaceFileText(const std::string& path, const std::string& text) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  for (size_t done = 0; ok && done < text.size();) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  ok = ok && ::fchmod(fd, 0644) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    int saved = errno;
    ::unlink(temp.c_str());
    errno = saved;
  }
  return ok;
}

std::optional<std::string> ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace plat
