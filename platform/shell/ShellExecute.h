#pragma once
// The shell's "open": documents, web and mail addresses, and programs, each
// started from an argument list (never a command line read by a shell),
// detached, with nothing waited for. Documents and addresses go to xdg-open;
// a few well-known program names stand for the desktop's own programs, and
// "name.exe" for the program "name" in the program folder.
//
// A sink set by tests records every call with the argument list it resolved
// to and starts nothing.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

// Results of ShellExecuteA at or below 32 are errors.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_NOASSOC = 31;
constexpr int kShellExecuteStarted = 42;

// Opens `file` with `verb` ("open", or null for it). `parameters` are blank
// separated arguments for a program; `directory` the folder a relative name
// is taken from and the program starts in (null: the current one). `show`
// is accepted as given. When nothing can open the target, the shell says so
// in a message box owned by `owner` and the result is an error.
HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                        const char* directory, int show);
// The result as a number (errors at or below 32).
int ShellExecuteResult(HINSTANCE result);

// What a call asked for, and what it resolved to.
struct ShellCall {
  HWND owner = nullptr;
  std::string verb;
  std::string file;
  std::string parameters;
  std::string directory;
  int show = 0;
  std::string current_directory;  // at the time of the call
  std::vector<std::string> argv;  // empty when nothing can open the target
  std::string working_directory;  // where the started program would run
};

// While set, calls are resolved and handed to the sink instead of started.
using ShellSink = std::function<void(const ShellCall&)>;
void SetShellSink(ShellSink sink);

// The argument list that opens `file`, or nothing (with the error in *error)
// when the verb is not "open", the target is unknown or nothing on `path`
// (a PATH value) can open it. `folder` is where relative names are taken
// from; `program_folder` ends in '/'.
std::optional<std::vector<std::string>> ShellOpenCommand(const std::string& verb, const std::string& file,
                                                         const std::string& parameters,
                                                         const std::string& folder,
                                                         const std::string& program_folder,
                                                         const std::string& path, int* error);

// The executable `name` would run from `path`: itself when it holds a '/',
// else the first executable regular file of that name in the folders of `path`.
std::optional<std::string> FindExecutable(const std::string& name, const std::string& path);

}  // namespace plat
