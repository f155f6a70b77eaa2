// Desktop entry quoting and the autostart entries it writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/shell/Autostart.h"
#include "platform/shell/Xdg.h"
#include "support/TempDir.h"

namespace plat {
namespace {

TEST(DesktopEntry, ExecArgumentsAreQuotedAndEscaped) {
  struct Case {
    const char* arg;
    const char* expected;  // nullptr: refused
  };
  const Case cases[] = {
      {"/opt/q/quellix", "/opt/q/quellix"},
      {"/opt/my q/quellix", "\"/opt/my q/quellix\""},
      {"50%", "50%%"},
      {"a\"b", "\"a\\\\\"b\""},  // \" inside quotes, its backslash escaped for the string value
      {"C:\\q.exe", "\"C:\\\\\\\\q.exe\""},
      {"$HOME", "\"\\\\$HOME\""},
      {"", "\"\""},
      {"a\nb", nullptr},
  };
  for (const Case& c : cases) {
    std::optional<std::string> got = DesktopExecArgument(c.arg);
    if (!c.expected)
      EXPECT_FALSE(got) << c.arg;
    else
      EXPECT_EQ(got.value_or("<refused>"), c.expected) << c.arg;
  }
  EXPECT_EQ(DesktopStringValue(" a\\b"), "\\sa\\\\b");
  EXPECT_FALSE(DesktopStringValue("a\tb"));
  EXPECT_EQ(SafeFileName("my prog (2)"), "my_prog__2_");
  EXPECT_EQ(SafeFileName(".."), "entry");
}

class Autostart : public ::testing::Test {
 protected:
  testsupport::TempDir temp_;
  testsupport::ScopedEnv config_home_{"XDG_CONFIG_HOME", temp_.File("config")};
  testsupport::ScopedEnv config_dirs_{"XDG_CONFIG_DIRS", "relative:" + temp_.File("xdg") + ":/etc/xdg"};
};

TEST_F(Autostart, EntriesAreWrittenAndRemoved) {
  EXPECT_EQ(AutostartFolder(AutostartScope::user), temp_.File("config") + "/autostart");
  EXPECT_EQ(AutostartFolder(AutostartScope::machine), temp_.File("xdg") + "/autostart");

  const std::string program = "/opt/my q/quellix";
  EXPECT_EQ(WriteAutostartEntry(AutostartScope::user, program, "Sonavex pro 4.6", false),
            AutostartResult::done);
  std::string path = temp_.File("config") + "/autostart/quellix.desktop";
  EXPECT_EQ(ReadFileText(path),
            "[Desktop Entry]\nType=Application\nName=Sonavex pro 4.6\nExec=\"/opt/my q/quellix\"\n");

  // The machine folder is never made: only an administrator's folder takes entries.
  EXPECT_EQ(WriteAutostartEntry(AutostartScope::machine, program, "T", false), AutostartResult::cannotWrite);
  EXPECT_FALSE(RemoveAutostartEntry(AutostartScope::machine, program));
  EXPECT_EQ(WriteAutostartEntry(AutostartScope::user, "/q\nx", "T", false), AutostartResult::badText);

  EXPECT_TRUE(RemoveAutostartEntry(AutostartScope::user, program));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_TRUE(RemoveAutostartEntry(AutostartScope::user, program));  // nothing there: still done
}

TEST_F(Autostart, RunOnceEntriesGoAtTheNextStart) {
  ASSERT_EQ(WriteAutostartEntry(AutostartScope::user, "/opt/q/quellix", "T", true), AutostartResult::done);
  ASSERT_EQ(WriteAutostartEntry(AutostartScope::user, "/opt/other/tool", "T", false), AutostartResult::done);
  RemoveRunOnceEntries("/opt/other/tool");     // not marked: stays
  RemoveRunOnceEntries("/elsewhere/quellix");  // the same file name, another program: stays
  EXPECT_TRUE(std::filesystem::exists(AutostartEntryPath(AutostartScope::user, "/opt/q/quellix")));
  RemoveRunOnceEntries("/opt/q/quellix");
  EXPECT_FALSE(std::filesystem::exists(AutostartEntryPath(AutostartScope::user, "/opt/q/quellix")));
  EXPECT_TRUE(std::filesystem::exists(AutostartEntryPath(AutostartScope::user, "/opt/other/tool")));
}

}  // namespace
}  // namespace plat
