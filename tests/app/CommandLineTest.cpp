#include <gtest/gtest.h>

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

}  // namespace
