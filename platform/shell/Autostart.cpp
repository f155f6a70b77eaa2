#include "platform/shell/Autostart.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/shell/Xdg.h"

namespace plat {

namespace {
constexpr const char* kRunOnceMarker = "X-Quellix-RunOnce=true";

std::string BaseName(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::optional<std::string> ExecLine(const std::string& program) {
  std::optional<std::string> exec = DesktopExecArgument(program);
  return exec ? std::optional<std::string>("Exec=" + *exec) : std::nullopt;
}
}  // namespace

std::string AutostartFolder(AutostartScope scope) {
  return (scope == AutostartScope::user ? XdgConfigHome() : XdgFirstConfigDir()) + "/autostart";
}

std::string AutostartEntryPath(AutostartScope scope, const std::string& program) {
  return AutostartFolder(scope) + "/" + SafeFileName(BaseName(program)) + ".desktop";
}

AutostartResult WriteAutostartEntry(AutostartScope scope, const std::string& program,
                                    const std::string& title, bool run_once) {
  std::optional<std::string> exec = ExecLine(program);
  std::optional<std::string> name = DesktopStringValue(title.empty() ? BaseName(program) : title);
  if (!exec || !name) return AutostartResult::badText;
  std::string folder = AutostartFolder(scope);
  if (scope == AutostartScope::user) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
  }
  std::string text = "[Desktop Entry]\nType=Application\nName=" + *name + "\n" + *exec + "\n";
  if (run_once) text += std::string(kRunOnceMarker) + "\n";
  return ReplaceFileText(AutostartEntryPath(scope, program), text) ? AutostartResult::done
                                                                   : AutostartResult::cannotWrite;
}

bool RemoveAutostartEntry(AutostartScope scope, const std::string& program) {
  struct stat st {};
  if (::stat(AutostartFolder(scope).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  std::string path = AutostartEntryPath(scope, program);
  return ::unlink(path.c_str()) == 0 || errno == ENOENT;
}

void RemoveRunOnceEntries(const std::string& program) {
  std::optional<std::string> exec = ExecLine(program);
  if (!exec) return;
  std::string path = AutostartEntryPath(AutostartScope::user, program);
  std::optional<std::string> text = ReadFileText(path);
  // Only an entry this program wrote for itself, never another program's.
  if (text && text->find("\n" + *exec + "\n") != std::string::npos &&
      text->find(std::string("\n") + kRunOnceMarker + "\n") != std::string::npos)
    ::unlink(path.c_str());
}

}  // namespace plat
