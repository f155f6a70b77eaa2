#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

using app::CommandAction;

TEST(CommandLine, HelpIsShownAndAnythingUnknownIsRefused) {
  const struct {
    std::vector<const char*> args;
    CommandAction action;
    const char* error;
  } cases[] = {
      {{}, CommandAction::Run, ""},
      {{"--help"}, CommandAction::ShowHelp, ""},
      {{"-h"}, CommandAction::ShowHelp, ""},
      {{"--hlep"}, CommandAction::Fail, "unknown option '--hlep'"},
      {{"-"}, CommandAction::Fail, "unknown option '-'"},
      {{"song.wav"}, CommandAction::Fail, "unexpected argument 'song.wav'"},
      // A bad word after a good one is not lost behind the help.
      {{"--help", "--verbose"}, CommandAction::Fail, "unknown option '--verbose'"},
  };
  for (const auto& c : cases) {
    std::vector<const char*> argv{"quellix"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const app::CommandLine line = app::ParseCommandLine(static_cast<int>(argv.size()), argv.data());
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    EXPECT_EQ(line.action, c.action);
    EXPECT_EQ(line.error, c.error);
  }
}

TEST(CommandLine, UsageNamesTheOptionsAndTheVariablesThatChooseBackendAndAudio) {
  const std::string usage = app::UsageText();
  for (const char* word : {"--help", "QUELLIX_BACKEND", "headless", "QUELLIX_AUDIO", "virtual"})
    EXPECT_NE(usage.find(word), std::string::npos) << word;
}

// The program beside this test program, run with no display to reach, as on
// a server or in a terminal without a desktop.
struct ProgramRun {
  int exit_code = -1;
  std::string output;
};

ProgramRun RunProgram(const std::string& args) {
  const auto program = std::filesystem::read_symlink("/proc/self/exe").parent_path() / "quellix";
  const std::string command =
      "env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_RUNTIME_DIR -u SDL_VIDEODRIVER "
      "QUELLIX_BACKEND=sdl '" +
      program.string() + "' " + args + " 2>&1";
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[512];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
  const int status = pclose(pipe);
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  return run;
}

TEST(Program, RunsWithoutADisplayQuietlyAndRefusesUnknownOptions) {
  const struct {
    const char* args;
    int exit_code;
    const char* says;
  } cases[] = {
      {"", 1, "cannot open the analyser window"},
      {"--help", 0, "QUELLIX_BACKEND"},
      {"--frobnicate", 2, "unknown option '--frobnicate'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const ProgramRun run = RunProgram(c.args);
    EXPECT_EQ(run.exit_code, c.exit_code) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    std::istringstream lines(run.output);
    for (std::string line; std::getline(lines, line);) EXPECT_NE(line.rfind("error:", 0), 0u) << line;
  }
}

}  // namespace
