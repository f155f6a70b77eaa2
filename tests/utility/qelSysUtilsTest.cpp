// The utility library's routines: string search and replacement, file names
// and masks, the creation probe, autorun keys and registry writes, and the
// version flags for every profile the library knows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/SystemInfo.h"
#include "platform/registry/Registry.h"
#include "platform/vcl/Lists.h"
#include "support/TempDir.h"
#include "utility/qelSysUtils.h"

namespace utility {
namespace {

TEST(qelSysUtils, SearchesForwardAndBackward) {
  struct Case {
    const char* routine;
    const char* sub;
    const char* s;
    int start;
    int expected;
  };
  const Case cases[] = {
      {"PosFrom", "b", "abcb", 3, 4},      {"PosFrom", "", "abc", 1, 0},
      {"PosFrom", "abcd", "abc", 1, 0},    {"PosFrom", "c", "abc", 4, 0},
      {"PosFrom", "a", "abc", -5, 1},      {"PosFrom", "x", "", 1, 0},
      {"BackPos", "b", "abcb", 0, 4},      {"BackPosFrom", "b", "abcb", 3, 2},
      {"BackPosFrom", "cb", "abcb", 3, 0}, {"BackPosFrom", "bc", "abcb", 3, 2},
      {"BackPosFrom", "a", "abc", 99, 1},  {"BackPosFrom", "a", "abc", 0, 0},
  };
  for (const Case& c : cases) {
    std::string routine = c.routine;
    int got = routine == "PosFrom"   ? PosFrom(c.sub, c.s, c.start)
              : routine == "BackPos" ? BackPos(c.sub, c.s)
                                     : BackPosFrom(c.sub, c.s, c.start);
    EXPECT_EQ(got, c.expected) << c.routine << "(" << c.sub << ", " << c.s << ", " << c.start << ")";
  }
}

TEST(qelSysUtils, ReplacesAndSplits) {
  struct Case {
    const char* s;
    const char* old_text;
    const char* new_text;
    const char* expected;
  };
  // A replacement that contains what it replaces must not loop.
  const Case all[] = {{"aaa", "a", "aa", "aaaaaa"}, {"aaa", "", "x", "aaa"}, {"abab", "ab", "b", "bb"}};
  for (const Case& c : all) {
    std::string s = c.s;
    ReplaceAll(s, c.old_text, c.new_text);
    EXPECT_EQ(s, c.expected) << c.s;
  }
  std::string s = "abcdef";
  ReplaceAt(s, 3, "cd", "X");
  EXPECT_EQ(s, "abXef");
  s = "a\\b\\c";
  ReplaceChar(s, '\\', '/');
  EXPECT_EQ(s, "a/b/c");

  struct Split {
    const char* text;
    const char* separator;
    std::vector<std::string> lines;
  };
  const Split splits[] = {{"a;b;;c", ";", {"a", "b", "", "c"}}, {"a--b", "--", {"a", "b"}}, {"", ";", {}}};
  for (const Split& c : splits) {
    vcl::TStringList lines;
    TextToStrings(c.text, c.separator, lines);
    std::vector<std::string> got;
    for (int i = 0; i < lines.Count(); ++i) got.push_back(lines.Strings(i));
    EXPECT_EQ(got, c.lines) << c.text;
  }
}

TEST(qelSysUtils, FileNameParts) {
  struct Case {
    std::string (*routine)(const std::string&);
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {IncludeBackslash, "C:\\a", "C:\\a\\"},
      {IncludeBackslash, "/home/u/", "/home/u/"},
      {RemoveDoubleBackslashes, "a\\\\\\b", "a\\\\b"},  // one pass: three become two
      {RemoveDoubleBackslashes, "\\\\srv\\\\s", "\\\\srv\\s"},
      {ExtractNamePart, "C:\\a\\song.wav", "song.wav"},
      {ExtractNamePart, "/x/y", "y"},
      {ExtractNamePart, "C:song", "song"},
      {ExtractNamePart, "a:b.wav", "b.wav"},
      {ExtractPathPart, "C:\\a\\song.wav", "C:\\a\\"},
      {ExtractBareName, "C:\\a\\song.tar.gz", "song.tar"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.routine(c.path), c.expected) << c.path;
}

TEST(qelSysUtils, FileMasksAndRelativePaths) {
  const std::string source = "C:\\a\\song.wav";
  const std::pair<const char*, const char*> masks[] = {
      {"D:\\*.bak", "D:\\song.bak"}, {"x?.txt", "C:\\a\\song.txt"},   {"   ", "C:\\a\\song.wav"},
      {"*.*", "C:\\a\\song.wav"},    {"take2.*", "C:\\a\\take2.wav"}, {"E:\\b\\new", "E:\\b\\new.wav"},
  };
  for (const auto& [mask, expected] : masks) EXPECT_EQ(ApplyFileMask(source, mask), expected) << mask;

  struct Case {
    const char* base;
    const char* path;
    const char* expected;
  };
  const Case cases[] = {
      {"C:\\T", "b.txt", "C:\\T\\b.txt"},
      {"C:\\T\\", "\\b.txt", "C:\\T\\b.txt"},
      {"C:\\T", "D:\\x", "D:\\x"},
      {"/home/u/T", "/abs/x", "/abs/x"},
      {"/home/u/T", "\\\\srv\\s\\x", "\\\\srv\\s\\x"},
      {"\\\\srv\\s", "x", "\\\\srv\\s\\x"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ExpandRelativePath(c.base, c.path), c.expected) << c.base << " + " << c.path;
}

TEST(qelSysUtils, CreationProbeLeavesNoTraceAndTouchesNoFile) {
  testsupport::TempDir temp;
  EXPECT_FALSE(CanCreateFile(""));
  EXPECT_FALSE(CanCreateFile(temp.File("missing/x.wav")));

  std::string fresh = temp.File("new.wav");
  EXPECT_TRUE(CanCreateFile(fresh));
  EXPECT_FALSE(std::filesystem::exists(fresh));

  std::string existing = temp.File("old.wav");
  std::ofstream(existing) << "keep";
  auto before = std::filesystem::last_write_time(existing);
  EXPECT_TRUE(CanCreateFile(existing));
  EXPECT_EQ(std::filesystem::last_write_time(existing), before);
  EXPECT_EQ(std::filesystem::file_size(existing), 4u);
}

class qelRegistryRoutines : public ::testing::Test {
 protected:
  void SetUp() override { plat::RegistrySetStorePath(temp_.File("registry.reg")); }
  void TearDown() override { plat::RegistrySetStorePath(""); }

  static std::optional<std::pair<plat::DWORD, std::string>> Value(plat::HKEY root, const std::string& key,
                                                                  const std::string& name) {
    plat::HKEY handle = nullptr;
    if (plat::RegOpenKeyExA(root, key.c_str(), 0, plat::KEY_READ, &handle) != 0) return std::nullopt;
    char buffer[512] = {};
    plat::DWORD type = 0, size = sizeof buffer;
    plat::LONG result = plat::RegQueryValueExA(handle, name.c_str(), nullptr, &type,
                                               reinterpret_cast<plat::BYTE*>(buffer), &size);
    plat::RegCloseKey(handle);
    if (result != 0) return std::nullopt;
    return std::make_pair(type, std::string(buffer));
  }

  testsupport::TempDir temp_;
};

TEST_F(qelRegistryRoutines, AutoRunKeysForEveryKind) {
  const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\";
  const std::tuple<TqelAutoExecKind, plat::HKEY, const char*> cases[] = {
      {aekMachineRun, plat::HKEY_LOCAL_MACHINE, "Run"},
      {aekMachineRunOnce, plat::HKEY_LOCAL_MACHINE, "RunOnce"},
      {aekUserRun, plat::HKEY_CURRENT_USER, "Run"},
      {aekUserRunOnce, plat::HKEY_CURRENT_USER, "RunOnce"},
      {aekServiceRun, plat::HKEY_LOCAL_MACHINE, "RunServices"},
      {aekServiceRunOnce, plat::HKEY_LOCAL_MACHINE, "RunServicesOnce"},
  };
  for (const auto& [kind, root, suffix] : cases) {
    plat::HKEY got_root = nullptr;
    std::string got_key;
    GetAutoRunKey(kind, got_root, got_key);
    EXPECT_EQ(got_root, root) << suffix;
    EXPECT_EQ(got_key, base + suffix);
  }
}

TEST_F(qelRegistryRoutines, StringsExpandableOnlyWithPercent) {
  WriteRegistryString(plat::HKEY_CURRENT_USER, "Software\\T", "a", "C:\\%x%\\a.exe");
  WriteRegistryString(plat::HKEY_CURRENT_USER, "Software\\T", "b", "C:\\a.exe");
  EXPECT_EQ(Value(plat::HKEY_CURRENT_USER, "Software\\T", "a"),
            std::make_pair(plat::REG_EXPAND_SZ, std::string("C:\\%x%\\a.exe")));
  EXPECT_EQ(Value(plat::HKEY_CURRENT_USER, "Software\\T", "b"),
            std::make_pair(plat::REG_SZ, std::string("C:\\a.exe")));
  EXPECT_THROW(WriteRegistryString(reinterpret_cast<plat::HKEY>(uintptr_t{0x1234}), "x", "a", "b"),
               EqelRegistry);
}

TEST_F(qelRegistryRoutines, AutoRunEntriesComeAndGo) {
  DetectVersion();  // the fixed NT profile: service kinds are refused
  testsupport::ScopedEnv config_home("XDG_CONFIG_HOME", temp_.File("config"));
  testsupport::ScopedEnv config_dirs("XDG_CONFIG_DIRS", temp_.File("xdg"));
  const std::string user_entry = temp_.File("config/autostart/quellix.desktop");
  EXPECT_TRUE(AddToAutoRun(aekUserRun, "/opt/q/quellix"));
  EXPECT_TRUE(std::filesystem::exists(user_entry));
  EXPECT_TRUE(RemoveFromAutoRun(aekUserRun, "/opt/q/quellix"));
  EXPECT_FALSE(std::filesystem::exists(user_entry));
  EXPECT_TRUE(RemoveFromAutoRun(aekUserRun, "/opt/q/quellix"));  // nothing there: still done
  EXPECT_FALSE(RemoveFromAutoRun(aekMachineRunOnce, "x"));       // no machine folder
  try {
    AddToAutoRun(aekMachineRun, "x");
    ADD_FAILURE() << "no machine folder, no error";
  } catch (const EqelRegistry& e) {
    EXPECT_EQ(e.Message(), "Unable to open the " + temp_.File("xdg") + "/autostart key");
  }
  EXPECT_FALSE(AddToAutoRun(aekServiceRun, "x"));
  EXPECT_FALSE(RemoveFromAutoRun(aekServiceRunOnce, "x"));
}

TEST(qelSysUtils, VersionFlagsForEveryProfile) {
  struct Case {
    plat::DWORD platform, major, minor, build;
    const char* csd;
    int code;
    bool nt, win98_or_later, win2000_or_later, xp_or_later;
  };
  // The service-pack text is compared literally ("B", "A"), padding and all.
  const Case cases[] = {
      {1, 4, 0, 950, "", 1, false, false, false, false},
      {1, 4, 0, 0x04000457, "B", 2, false, false, false, false},
      {1, 4, 0, 0x04000457, " B", 1, false, false, false, false},
      {1, 4, 10, 1998, "", 3, false, true, false, false},
      {1, 4, 10, 2222, "A", 4, false, true, false, false},
      {1, 4, 10, 2222, "", 0, false, true, false, false},
      {1, 4, 90, 3000, "", 8, false, true, false, false},
      {2, 4, 0, 1381, "", 6, true, false, false, false},
      {2, 4, 0, 1380, "", 0, true, false, false, false},
      {2, 5, 0, 2195, "", 7, true, false, true, false},
      {2, 5, 1, 2600, "", 9, true, false, true, true},
      {2, 5, 2, 3790, "", 0, true, false, true, true},
      {2, 10, 0, 19045, "", 0, true, false, true, true},
  };
  for (const Case& c : cases) {
    plat::OSVERSIONINFOA v;
    v.dwOSVersionInfoSize = sizeof v;
    v.dwPlatformId = c.platform;
    v.dwMajorVersion = c.major;
    v.dwMinorVersion = c.minor;
    v.dwBuildNumber = c.build;
    std::snprintf(v.szCSDVersion, sizeof v.szCSDVersion, "%s", c.csd);
    plat::SetVersionProfile(v);
    DetectVersion();
    const TqelVersionFlags& f = VersionFlags();
    const bool named[] = {f.RunningWin95,   f.RunningWin95OSR2, f.RunningWin98,
                          f.RunningWin98SE, f.RunningWinNT3,    f.RunningWinNT4,
                          f.RunningWin2000, f.RunningWinME,     f.RunningWinXP};
    std::string row = std::to_string(c.platform) + " " + std::to_string(c.major) + "." +
                      std::to_string(c.minor) + " " + std::to_string(c.build) + " '" + c.csd + "'";
    EXPECT_EQ(f.code, c.code) << row;
    for (int i = 0; i < 9; ++i) EXPECT_EQ(named[i], f.code == i + 1) << row << " flag of code " << i + 1;
    EXPECT_EQ(f.RunningWinNT, c.nt) << row;
    EXPECT_EQ(f.RunningWin98OrLater, c.win98_or_later) << row;
    EXPECT_EQ(f.RunningWin2000OrLater, c.win2000_or_later) << row;
    EXPECT_EQ(f.RunningWinXPOrLater, c.xp_or_later) << row;
  }
  plat::SetVersionProfile(std::nullopt);
  DetectVersion();
  EXPECT_EQ(VersionFlags().code, 0);
  EXPECT_TRUE(VersionFlags().RunningWinXPOrLater);
}

TEST(qelSysUtils, ProgramPathsFollowTheExecutable) {
  InitProgramPaths();
  EXPECT_EQ(ProgramPath().back(), '/');
  EXPECT_TRUE(std::filesystem::is_directory(ProgramPath()));
  EXPECT_EQ(LogFileName(), ProgramPath() + "test_utility.log");
  EXPECT_EQ(SystemDirectory(), ProgramPath());
}

}  // namespace
}  // namespace utility
