// The shell's "open": which argument list each target resolves to, the sink
// tests record calls with, and a real start that no shell reads.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/kernel/Files.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/MessageBox.h"
#include "support/TempDir.h"

namespace plat {
namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

void MakeExecutable(const std::string& path, const std::string& text = "#!/bin/sh\nexit 0\n") {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path) << text;
  ::chmod(path.c_str(), 0755);
}

class ShellOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeExecutable(Bin("xdg-open"));
    MakeExecutable(Bin("gnome-control-center"));
    MakeExecutable(Program("converter"));
    fs::create_directories(Folder());
    std::ofstream(Folder() + "/Sonavex pro.html") << "<html></html>";
    std::ofstream(Folder() + "/-rf") << "";
  }
  std::string Bin(const std::string& name) const { return temp_.File("bin") + "/" + name; }
  std::string Program(const std::string& name) const { return temp_.File("prog") + "/" + name; }
  std::string Folder() const { return temp_.File("Help"); }
  std::string Path() const { return temp_.File("empty") + ":relative:" + temp_.File("bin"); }

  testsupport::TempDir temp_;
};

TEST_F(ShellOpen, TargetsResolveToArgumentLists) {
  struct Case {
    const char* verb;
    const char* file;
    const char* parameters;
    Args expected;  // empty: refused with `error`
    int error;
  };
  const std::string open = Bin("xdg-open");
  const std::string help = Folder() + "/Sonavex pro.html";
  const Case cases[] = {
      {"open", "https://quellix.example.org/", "", {open, "https://quellix.example.org/"}, 0},
      {"", "HTTP://quellix.example.org/a b", "", {open, "HTTP://quellix.example.org/a b"}, 0},
      {"open", "mailto:team@quellix.example.org", "", {open, "mailto:team@quellix.example.org"}, 0},
      {"open", "Sonavex pro.html", "", {open, help}, 0},
      {"OPEN", "sonavex PRO.html", "", {open, help}, 0},  // letter case found as the layer does
      {"open", help.c_str(), "", {open, help}, 0},
      {"open", "-rf", "", {open, Folder() + "/-rf"}, 0},  // a path, never an option
      {"open", "missing.html", "", {}, SE_ERR_FNF},
      {"open", "javascript:alert(1)", "", {}, SE_ERR_NOASSOC},
      {"open", "https://x/\nrm", "", {}, SE_ERR_FNF},
      {"print", "Sonavex pro.html", "", {}, SE_ERR_NOASSOC},
      {"open", "SNDVOL32.EXE", "", {Bin("gnome-control-center"), "sound"}, 0},
      {"open", "Converter.exe", "-a  b", {Program("converter"), "-a", "b"}, 0},
      {"open", "missing.exe", "", {}, SE_ERR_FNF},
  };
  for (const Case& c : cases) {
    int error = 0;
    auto got =
        ShellOpenCommand(c.verb, c.file, c.parameters, Folder(), temp_.File("prog") + "/", Path(), &error);
    if (c.expected.empty()) {
      EXPECT_FALSE(got.has_value()) << c.file;
      EXPECT_EQ(error, c.error) << c.file;
    } else {
      EXPECT_EQ(got.value_or(Args{"<refused>"}), c.expected) << c.file;
    }
  }
}

TEST_F(ShellOpen, MixerIsTheFirstSoundSettingsProgramFoundAndNothingWithoutOne) {
  int error = 0;
  MakeExecutable(Bin("pavucontrol"));
  EXPECT_EQ(ShellOpenCommand("open", "sndvol32.exe", "", Folder(), "/", Path(), &error),
            (Args{Bin("pavucontrol")}));
  fs::remove(Bin("pavucontrol"));
  fs::remove(Bin("gnome-control-center"));
  EXPECT_FALSE(ShellOpenCommand("open", "sndvol32.exe", "", Folder(), "/", Path(), &error).has_value());
  EXPECT_EQ(error, SE_ERR_FNF);
  fs::remove(Bin("xdg-open"));
  EXPECT_FALSE(ShellOpenCommand("open", "https://x/", "", Folder(), "/", Path(), &error).has_value());
  EXPECT_EQ(error, SE_ERR_NOASSOC) << "nothing opens addresses without the desktop's opener";
}

// Tests record calls: the sink hears the call, the current folder and the
// resolved list, and nothing starts. A target nothing opens is said once.
TEST_F(ShellOpen, SinkRecordsCallsAndFailuresAreSaid) {
  testsupport::ScopedEnv path("PATH", Path());
  const fs::path before = fs::current_path();
  fs::current_path(Folder());
  std::vector<ShellCall> calls;
  std::vector<std::string> said;
  SetShellSink([&](const ShellCall& call) { calls.push_back(call); });
  SetDialogScript([&](const DialogRequest& r) -> std::optional<DialogAnswer> {
    said.push_back(r.text);
    return DialogAnswer{};
  });
  const int opened =
      ShellExecuteResult(ShellExecuteA(nullptr, "open", "Sonavex pro.html", nullptr, nullptr, 1));
  const int missing = ShellExecuteResult(ShellExecuteA(nullptr, "open", "gone.html", nullptr, nullptr, 1));
  const int bad_folder = ShellExecuteResult(ShellExecuteA(nullptr, "open", "a.html", nullptr, "nowhere", 1));
  SetDialogScript({});
  SetShellSink({});
  fs::current_path(before);

  EXPECT_GT(opened, 32);
  EXPECT_EQ(missing, SE_ERR_FNF);
  EXPECT_EQ(bad_folder, SE_ERR_PNF);
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].verb, "open");
  EXPECT_EQ(calls[0].show, 1);
  EXPECT_EQ(fs::path(calls[0].current_directory), fs::path(Folder()));
  EXPECT_EQ(calls[0].argv, (Args{Bin("xdg-open"), Folder() + "/Sonavex pro.html"}));
  EXPECT_TRUE(calls[1].argv.empty());
  EXPECT_EQ(said, (std::vector<std::string>{"\"gone.html\" was not found.",
                                            "The folder to open \"a.html\" in was not found."}));
}

// Without a sink the opener runs detached, each argument as it was, with no
// shell between: quotes, blanks and $( ) in a name stay in the name.
TEST_F(ShellOpen, StartedOpenerGetsTheArgumentsAsGiven) {
  const std::string log = temp_.File("args.txt");
  MakeExecutable(Bin("xdg-open"), "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"" + log +
                                      ".part\"\nmv \"" + log + ".part\" \"" + log + "\"\n");
  const std::string odd = "a \"b\" $(touch ran);c.html";
  std::ofstream(Folder() + "/" + odd) << "";
  testsupport::ScopedEnv path("PATH", Path() + ":/usr/bin:/bin");
  ASSERT_GT(ShellExecuteResult(ShellExecuteA(nullptr, "open", odd.c_str(), nullptr, Folder().c_str(), 1)),
            32);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!fs::exists(log) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(fs::exists(log)) << "the opener did not run within 10 s";
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), Folder() + "/" + odd + "\n");
  EXPECT_FALSE(fs::exists(Folder() + "/ran")) << "a shell read the name";
}

}  // namespace
}  // namespace plat
