#include "app/CommandLine.h"

#include <string_view>

namespace app {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
  CommandLine result;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i] ? argv[i] : "";
    if (arg == "-h" || arg == "--help") {
      result.action = CommandAction::ShowHelp;
      continue;
    }
    result.action = CommandAction::Fail;
    result.error = arg.starts_with('-') ? "unknown option '" + std::string(arg) + "'"
                                        : "unexpected argument '" + std::string(arg) + "'";
    return result;
  }
  return result;
}

std::string UsageText() {
  return "Usage: quellix [-h | --help]\n"
         "A real-time audio spectrum analyser.\n"
         "\n"
         "Options:\n"
         "  -h, --help          print this help and exit\n"
         "\n"
         "Environment:\n"
         "  QUELLIX_BACKEND     where windows are shown: \"sdl\" (the default; needs a display)\n"
         "                      or \"headless\" (kept in memory, nothing on the screen)\n"
         "  QUELLIX_AUDIO       \"virtual\" hides the real sound devices; only the loopback,\n"
         "                      file and test devices are listed (unset: real devices too)\n"
         "  QUELLIX_AUDIO_FILE  the wave file the file input device plays, over and over\n"
         "  QUELLIX_REGISTRY    the settings store (default: $XDG_CONFIG_HOME/quellix/registry.reg,\n"
         "                      or ~/.config/quellix/registry.reg)\n"
         "  QUELLIX_PROFILE     the profile file (default: win.ini in the same folder)\n"
         "  XDG_DATA_HOME       the analyser projects are kept in $XDG_DATA_HOME/quellix/Analyzer Projects\n"
         "                      (default: ~/.local/share/quellix/Analyzer Projects)\n";
}

}  // namespace app
