#include "platform/shell/Associations.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <optional>
#include <sstream>
#include <thread>

#include "platform/shell/Xdg.h"
#include "platform/user/Messages.h"

extern char** environ;

namespace plat {

namespace fs = std::filesystem;

namespace {
constexpr int kToolTimeoutMs = 30000;
std::atomic<bool> change_pending{false};

std::string ExtensionStem(const std::string& extension) {
  return SafeFileName(extension.size() > 1 && extension[0] == '.' ? extension.substr(1) : extension);
}

std::optional<std::string> XmlText(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) return std::nullopt;
    switch (c) {
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '&':
        out += "&amp;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += static_cast<char>(c);
    }
  }
  return out;
}

// Splits a command line the way the registry's commands are written:
// spaces separate, double quotes group, \" is a quote inside a group.
std::vector<std::string> SplitCommand(const std::string& command) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false, any = false;
  for (size_t i = 0; i < command.size(); ++i) {
    char c = command[i];
    if (c == '\\' && i + 1 < command.size() && command[i + 1] == '"') {
      current += '"';
      ++i;
      any = true;
    } else if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) out.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) out.push_back(current);
  return out;
}

// The command as an Exec value: "%1" (or "%L") becomes the file's field
// code, everything else is quoted as one argument.
std::optional<std::string> ExecValue(const std::string& command) {
  std::vector<std::string> args = SplitCommand(command);
  if (args.empty()) return std::nullopt;
  std::string out;
  for (const std::string& arg : args) {
    if (!out.empty()) out += ' ';
    if (arg == "%1" || arg == "%L" || arg == "%l") {
      out += "%f";
      continue;
    }
    std::optional<std::string> quoted = DesktopExecArgument(arg);
    if (!quoted) return std::nullopt;
    out += *quoted;
  }
  return out;
}

std::optional<std::string> PackageText(const FileAssociation& a, const std::string& mime) {
  std::optional<std::string> comment = XmlText(a.description.empty() ? a.type_name : a.description);
  std::optional<std::string> glob = XmlText("*" + a.extension);
  if (!comment || !glob) return std::nullopt;
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
         "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
         "  <mime-type type=\"" +
         mime +
         "\">\n"
         "    <comment>" +
         *comment +
         "</comment>\n"
         "    <glob pattern=\"" +
         *glob +
         "\"/>\n"
         "  </mime-type>\n"
         "</mime-info>\n";
}

std::optional<std::string> DesktopText(const FileAssociation& a, const std::string& mime) {
  const FileAssociation::Verb* open = nullptr;
  std::vector<const FileAssociation::Verb*> actions;
  for (const FileAssociation::Verb& verb : a.verbs) {
    if (verb.command.empty()) continue;
    if (verb.name == "open")
      open = &verb;
    else if (verb.name == "edit" || verb.name == "print")
      actions.push_back(&verb);  // the others have no counterpart on the desktop
  }
  if (!open) open = actions.empty() ? nullptr : actions.front();
  if (!open) return std::nullopt;
  std::optional<std::string> name = DesktopStringValue(a.description.empty() ? a.type_name : a.description);
  std::optional<std::string> exec = ExecValue(open->command);
  std::optional<std::string> icon = DesktopStringValue(a.icon_file);
  if (!name || !exec || !icon) return std::nullopt;
  std::string text = "[Desktop Entry]\nType=Application\nName=" + *name + "\nExec=" + *exec +
                     "\nMimeType=" + mime + ";\nNoDisplay=true\n";
  if (!a.icon_file.empty()) text += "Icon=" + *icon + "\n";
  if (!actions.empty()) {
    text += "Actions=";
    for (const auto* verb : actions) text += verb->name + ";";
    text += "\n";
  }
  for (const auto* verb : actions) {
    std::string caption = verb->description.empty() ? verb->name : verb->description;
    caption[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(caption[0])));
    std::optional<std::string> action_name = DesktopStringValue(caption);
    std::optional<std::string> action_exec = ExecValue(verb->command);
    if (!action_name || !action_exec) return std::nullopt;
    text += "\n[Desktop Action " + verb->name + "]\nName=" + *action_name + "\nExec=" + *action_exec + "\n";
  }
  return text;
}

std::string MimeAppsPath() { return XdgConfigHome() + "/mimeapps.list"; }

bool SetDefaultApplication(const std::string& mime, const std::string& entry) {
  std::string text = ReadFileText(MimeAppsPath()).value_or("");
  std::string out = WithDefaultApplication(text, mime, entry);
  if (out == text) return true;
  std::error_code ec;
  fs::create_directories(XdgConfigHome(), ec);
  return ReplaceFileText(MimeAppsPath(), out);
}

// The type named in a package file this program wrote.
std::string PackageMimeType(const std::string& extension) {
  std::string text = ReadFileText(AssociationPackagePath(extension)).value_or("");
  size_t at = text.find("<mime-type type=\"");
  if (at == std::string::npos) return "";
  at += 17;
  return text.substr(at, text.find('"', at) - at);
}

bool RunTool(const char* tool, const std::string& folder) {
  std::string name = tool;
  std::vector<char*> argv = {name.data(), const_cast<char*>(folder.c_str()), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, tool, &quiet, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return false;
  int status = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kToolTimeoutMs);
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void CALLBACK_Flush(HWND, UINT, uintptr_t id, DWORD) {
  KillTimer(nullptr, id);
  FlushAssociationChanges();
}
}  // namespace

std::string WithDefaultApplication(std::string_view text, const std::string& mime, const std::string& entry) {
  std::istringstream in{std::string(text)};
  std::vector<std::string> lines;
  bool in_group = false, seen_group = false, done = entry.empty();
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] == '[') {
      if (in_group && !done) {
        lines.push_back(mime + "=" + entry + ";");
        done = true;
      }
      in_group = line == "[Default Applications]";
      seen_group = seen_group || in_group;
    } else if (in_group && line.rfind(mime + "=", 0) == 0) {
      if (!done) lines.push_back(mime + "=" + entry + ";");
      done = true;
      continue;
    }
    lines.push_back(line);
  }
  if (!done) {
    if (!seen_group) lines.push_back("[Default Applications]");
    lines.push_back(mime + "=" + entry + ";");
  }
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

std::string AssociationMimeType(const std::string& type_name) {
  std::string lower = SafeFileName(type_name);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  return "application/x-" + lower;
}

std::string AssociationPackagePath(const std::string& extension) {
  return XdgDataHome() + "/mime/packages/quellix-" + ExtensionStem(extension) + ".xml";
}

std::string AssociationDesktopPath(const std::string& extension) {
  return XdgDataHome() + "/applications/quellix-" + ExtensionStem(extension) + ".desktop";
}

bool ExportFileAssociation(const FileAssociation& association) {
  std::string mime = AssociationMimeType(association.type_name);
  std::optional<std::string> package = PackageText(association, mime);
  if (!package) return false;
  std::optional<std::string> desktop = DesktopText(association, mime);
  // A type without a command is only named; nothing opens it.
  bool has_command = std::any_of(association.verbs.begin(), association.verbs.end(),
                                 [](const FileAssociation::Verb& v) { return !v.command.empty(); });
  if (has_command && !desktop) return false;
  std::error_code ec;
  std::string package_path = AssociationPackagePath(association.extension);
  std::string desktop_path = AssociationDesktopPath(association.extension);
  fs::create_directories(fs::path(package_path).parent_path(), ec);
  fs::create_directories(fs::path(desktop_path).parent_path(), ec);
  std::string old_mime = PackageMimeType(association.extension);
  if (!ReplaceFileText(package_path, *package)) return false;
  bool ok = true;
  if (desktop) {
    ok = ReplaceFileText(desktop_path, *desktop) &&
         SetDefaultApplication(mime, fs::path(desktop_path).filename().string());
  } else {
    fs::remove(desktop_path, ec);
  }
  if (ok && !old_mime.empty() && old_mime != mime) SetDefaultApplication(old_mime, "");
  if (!ok) RemoveFileAssociation(association.extension);
  return ok;
}

bool RemoveFileAssociation(const std::string& extension) {
  std::string mime = PackageMimeType(extension);
  if (!mime.empty()) SetDefaultApplication(mime, "");
  std::error_code ec;
  fs::remove(AssociationPackagePath(extension), ec);
  fs::remove(AssociationDesktopPath(extension), ec);
  return !fs::exists(AssociationPackagePath(extension), ec) &&
         !fs::exists(AssociationDesktopPath(extension), ec);
}

void SHChangeNotify(LONG event, UINT, const void*, const void*) {
  if (!(event & SHCNE_ASSOCCHANGED)) return;
  if (change_pending.exchange(true)) return;
  SetTimer(nullptr, 0, 0, CALLBACK_Flush);
}

int FlushAssociationChanges() {
  if (!change_pending.exchange(false)) return 0;
  int runs = 0;
  std::string mime = XdgDataHome() + "/mime";
  std::string applications = XdgDataHome() + "/applications";
  std::error_code ec;
  if (fs::exists(mime + "/packages", ec)) runs += RunTool("update-mime-database", mime);
  if (fs::exists(applications, ec)) runs += RunTool("update-desktop-database", applications);
  return runs;
}

}  // namespace plat
