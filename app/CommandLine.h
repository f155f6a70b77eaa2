#pragma once
// What the program's command line asks for. The analyser takes no arguments
// yet beyond its usage; anything else is refused rather than ignored, so a
// mistyped option is noticed.
#include <string>

namespace app {

enum class CommandAction { Run, ShowHelp, Fail };

struct CommandLine {
  CommandAction action = CommandAction::Run;
  std::string error;  // why the line was refused (Fail)
};

CommandLine ParseCommandLine(int argc, const char* const* argv);

// The options and the environment variables the program reads.
std::string UsageText();

}  // namespace app
