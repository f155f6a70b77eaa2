#include "platform/shell/ShellExecute.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <sstream>
#include <string_view>
#include <utility>

#include "platform/kernel/Files.h"
#include "platform/user/MessageBox.h"

extern char** environ;

namespace plat {
namespace {

std::mutex sink_mutex;
ShellSink& Sink() {
  static ShellSink sink;
  return sink;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

bool HasControl(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return true;
  return false;
}

// The scheme of an address ("https" of "https://..."), lower case; empty for
// a path. A single letter before the colon is a drive, not a scheme.
std::string SchemeOf(const std::string& file) {
  const size_t colon = file.find(':');
  if (colon == std::string::npos || colon < 2) return "";
  for (size_t i = 0; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(file[i]);
    if (!(std::isalnum(c) || c == '+' || c == '-' || c == '.') || (i == 0 && !std::isalpha(c))) return "";
  }
  return Lower(std::string_view(file).substr(0, colon));
}

// The desktop's sound settings, in the order they are looked for.
const std::vector<std::vector<std::string>>& SoundSettingsPrograms() {
  static const std::vector<std::vector<std::string>> programs = {
      {"pavucontrol"},
      {"pwvucontrol"},
      {"pavucontrol-qt"},
      {"gnome-control-center", "sound"},
      {"systemsettings", "kcm_pulseaudio"},
      {"mate-volume-control"},
      {"xfce4-mixer"},
  };
  return programs;
}

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> SplitBlanks(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> out;
  for (std::string word; in >> word;) out.push_back(word);
  return out;
}

std::string Joined(const std::string& folder, const std::string& name) {
  // Absolute names, also with a drive or backslashes, stand as they are.
  if (!name.empty() && (name[0] == '/' || name[0] == '\\' || (name.size() > 1 && name[1] == ':')))
    return name;
  std::filesystem::path joined = std::filesystem::path(folder) / name;
  return joined.lexically_normal().string();
}

// The started program runs on its own: the middle process only starts it and
// ends, so nothing waits for the program and it leaves no zombie behind. Only
// calls safe after fork run in the children; everything else is made first.
bool StartDetached(const std::string& executable, const std::vector<std::string>& argv,
                   const std::string& working_directory) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  const char* exe = executable.c_str();
  const char* cwd = working_directory.empty() ? nullptr : working_directory.c_str();
  const pid_t middle = ::fork();
  if (middle < 0) return false;
  if (middle == 0) {
    ::setsid();
    const pid_t child = ::fork();
    if (child == 0) {
      const int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        if (null > 2) ::close(null);
      }
      if (cwd && ::chdir(cwd) != 0) ::_exit(127);
      ::execve(exe, args.data(), environ);
      ::_exit(127);
    }
    ::_exit(child < 0 ? 1 : 0);
  }
  int status = 0;
  while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string FailureText(const std::string& file, int error) {
  if (Lower(file) == "sndvol32.exe")
    return "No sound settings program was found. Install one of pavucontrol, pwvucontrol or your "
           "desktop's sound settings.";
  if (error == SE_ERR_FNF) return "\"" + file + "\" was not found.";
  if (error == SE_ERR_PNF) return "The folder to open \"" + file + "\" in was not found.";
  return "Nothing on this system can open \"" + file + "\".";
}

}  // namespace

std::optional<std::string> FindExecutable(const std::string& name, const std::string& path) {
  if (name.empty()) return std::nullopt;
  if (name.find('/') != std::string::npos) {
    if (IsExecutableFile(name)) return name;
    return std::nullopt;
  }
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    const std::string folder = path.substr(start, end - start);
    // An empty entry would mean the current folder; the shell never looks there.
    if (!folder.empty() && folder[0] == '/') {
      const std::string candidate = folder + "/" + name;
      if (IsExecutableFile(candidate)) return candidate;
    }
    start = end + 1;
  }
  return std::nullopt;
}

std::optional<std::vector<std::string>> ShellOpenCommand(const std::string& verb, const std::string& file,
                                                         const std::string& parameters,
                                                         const std::string& folder,
                                                         const std::string& program_folder,
                                                         const std::string& path, int* error) {
  auto fail = [error](int code) -> std::optional<std::vector<std::string>> {
    if (error) *error = code;
    return std::nullopt;
  };
  if (!verb.empty() && Lower(verb) != "open") return fail(SE_ERR_NOASSOC);
  if (file.empty() || HasControl(file)) return fail(SE_ERR_FNF);
  const std::string lower = Lower(file);

  // Well-known programs first: they are names, not files of this system.
  if (lower == "sndvol32.exe") {
    for (const std::vector<std::string>& program : SoundSettingsPrograms()) {
      if (auto found = FindExecutable(program[0], path)) {
        std::vector<std::string> argv = program;
        argv[0] = *found;
        return argv;
      }
    }
    return fail(SE_ERR_FNF);
  }
  if (EndsWith(lower, ".exe") && lower.find_first_of("/\\") == std::string::npos) {
    const std::string program = program_folder + lower.substr(0, lower.size() - 4);
    if (!IsExecutableFile(program)) return fail(SE_ERR_FNF);
    std::vector<std::string> argv = {program};
    for (std::string& word : SplitBlanks(parameters)) argv.push_back(std::move(word));
    return argv;
  }

  std::string target;
  const std::string scheme = SchemeOf(file);
  if (!scheme.empty()) {
    if (scheme != "http" && scheme != "https" && scheme != "mailto" && scheme != "file")
      return fail(SE_ERR_NOASSOC);
    target = file;
  } else {
    target = ResolvePath(Joined(folder, file));
    struct stat st {};
    if (::stat(target.c_str(), &st) != 0) return fail(SE_ERR_FNF);
  }
  auto opener = FindExecutable("xdg-open", path);
  if (!opener) return fail(SE_ERR_NOASSOC);
  // An absolute path or an address: never taken for one of the opener's options.
  return std::vector<std::string>{*opener, target};
}

HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show) {
  ShellCall call;
  call.owner = owner;
  call.verb = verb ? verb : "";
  call.file = file ? file : "";
  call.parameters = parameters ? parameters : "";
  call.directory = directory ? directory : "";
  call.show = show;
  std::error_code ec;
  call.current_directory = std::filesystem::current_path(ec).string();

  int error = 0;
  std::optional<std::vector<std::string>> argv;
  std::string folder = call.current_directory;
  if (!call.directory.empty()) {
    folder = ResolvePath(Joined(call.current_directory, call.directory));
    if (!std::filesystem::is_directory(folder, ec)) error = SE_ERR_PNF;
  }
  if (error == 0) {
    const char* path = std::getenv("PATH");
    argv = ShellOpenCommand(call.verb, call.file, call.parameters, folder, GetProgramFolder(),
                            path ? path : "", &error);
  }
  if (argv) {
    call.argv = *argv;
    call.working_directory = folder;
  }

  ShellSink sink;
  {
    std::lock_guard<std::mutex> lock(sink_mutex);
    sink = Sink();
  }
  bool started = false;
  if (sink) {
    sink(call);
    started = argv.has_value();
  } else if (argv) {
    started = StartDetached(call.argv[0], call.argv, call.working_directory);
    if (!started) error = SE_ERR_NOASSOC;
  }
  if (!started) {
    MessageBoxA(owner, FailureText(call.file, error).c_str(), "Open", MB_OK | MB_ICONWARNING);
    return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(error));
  }
  return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(kShellExecuteStarted));
}

int ShellExecuteResult(HINSTANCE result) { return static_cast<int>(reinterpret_cast<intptr_t>(result)); }

void SetShellSink(ShellSink sink) {
  std::lock_guard<std::mutex> lock(sink_mutex);
  Sink() = std::move(sink);
}

}  // namespace plat
