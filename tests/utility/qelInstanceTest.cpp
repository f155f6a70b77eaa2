// The single-instance component between real copies of this test program, and
// the autorun component's desktop entries.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "displays/ScreenTestSupport.h"
#include "platform/shell/Xdg.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/FormReader.h"
#include "support/PrivateBus.h"
#include "support/PumpUntil.h"
#include "support/TempDir.h"
#include "utility/qelComponents.h"
#include "utility/qelInstance.h"

extern char** environ;

namespace utility {
namespace {

constexpr const char* kTitle = "Sonavex pro 4.6";

// A second copy: this program again, running only qelOneInstanceCopy.Start.
// It reports what its check did into the file QUELLIX_INSTANCE_REPORT names.
int RunCopy(const std::string& mode, const std::string& report) {
  testsupport::ScopedEnv child("QUELLIX_INSTANCE_COPY", mode);
  testsupport::ScopedEnv file("QUELLIX_INSTANCE_REPORT", report);
  std::string exe = std::filesystem::read_symlink("/proc/self/exe").string();
  std::string filter = "--gtest_filter=qelOneInstanceCopy.Start";
  char* argv[] = {exe.data(), filter.data(), nullptr};
  posix_spawn_file_actions_t quiet;
  posix_spawn_file_actions_init(&quiet);
  posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, exe.c_str(), &quiet, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&quiet);
  if (spawned != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(qelOneInstanceCopy, Start) {
  const char* mode = std::getenv("QUELLIX_INSTANCE_COPY");
  if (!mode) GTEST_SKIP() << "runs only as a second copy";
  vcl::InitApplication();
  vcl::InitForms();
  vcl::Application->SetTitle(kTitle);
  std::string box;
  vcl::SetMessageBoxSink([&box](const std::string& text, const std::string& caption, unsigned flags) {
    box = text + "|" + caption + "|" + std::to_string(flags);
    return 1;
  });
  vcl::TForm* main = nullptr;
  vcl::ApplicationCreateForm(main);
  auto* one = new TqelOneInstance(main);
  std::string m = mode;
  one->SetShowMessage(m != "activate");
  one->SetActivatePrevInstance(m == "activate");
  if (m == "stay") one->OnShowMessage = [](vcl::TObject*, bool& terminate) { terminate = false; };
  bool running = one->Check();
  bool show = vcl::Application->ShowMainForm();
  vcl::Application->ProcessMessages();
  std::ofstream(std::getenv("QUELLIX_INSTANCE_REPORT"))
      << running << show << vcl::Application->Terminated() << main->Visible() << " " << box;
  // No shut-down here: the parent's instance files are not this copy's.
  std::fflush(nullptr);
  _exit(0);
}

class qelOneInstance : public displaytest::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    vcl::Application->SetTitle(kTitle);
  }
  void TearDown() override {
    ReleaseInstance();
    ScreenTest::TearDown();
  }
  std::string Copy(const std::string& mode) {
    std::string report = temp_.File("report-" + mode);
    EXPECT_EQ(RunCopy(mode, report), 0) << mode;
    return plat::ReadFileText(report).value_or("<no report>");
  }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv runtime_{"XDG_RUNTIME_DIR", temp_.path().string()};
};

TEST_F(qelOneInstance, NamesFollowTitleIdentifierOrExecutable) {
  TqelOneInstance one(nullptr);
  EXPECT_EQ(one.InstanceName(), "Sonavex pro 4.6.OneInstance.");
  one.SetIdentifier("X\\Y");
  EXPECT_EQ(one.InstanceName(), "Sonavex pro 4.6X/Y.OneInstance.");
  one.SetIdentifier("");
  one.SetExeNameAsIdentifier(true);
  std::string exe = vcl::Application->ExeName();
  for (char& c : exe) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_EQ(one.InstanceName(), exe + ".OneInstance.");
}

TEST_F(qelOneInstance, ASecondCopyHandsOverAndEnds) {
  vcl::TForm* main = nullptr;
  vcl::ApplicationCreateForm(main);
  main->Show();
  plat::ShowWindow(main->Handle(), plat::SW_MINIMIZE);
  Pump();
  ASSERT_TRUE(plat::IsIconic(main->Handle()));
  TqelOneInstance one(nullptr);
  EXPECT_FALSE(one.Check());
  EXPECT_FALSE(one.IsRunning());  // a second check in the holder is no second copy
  EXPECT_FALSE(vcl::Application->Terminated());

  // Running, main form not to be shown, ended, main form never visible.
  EXPECT_EQ(Copy("activate"), "1010 ");
  EXPECT_TRUE(testsupport::PumpUntil([&] { return !plat::IsIconic(main->Handle()); }, {.serve = Pump}));

  EXPECT_EQ(Copy("stay"), "1100 ");  // the handler's "go on" keeps the main form setting
  EXPECT_EQ(Copy("message"), "1010 Application \"Sonavex pro 4.6\" is already running.|Sonavex pro 4.6|48");

  ReleaseInstance();
  EXPECT_EQ(Copy("activate").substr(0, 4), "0100");  // the first copy has gone: the next one runs
}

class qelAutoRun : public ::testing::Test {
 protected:
  void SetUp() override {
    InitComponentsUnit();
    DetectVersion();  // the fixed NT profile: service kinds are refused
    std::filesystem::create_directories(temp_.File("xdg/autostart"));
  }
  std::string UserEntry() const { return temp_.File("config/autostart/quellix.desktop"); }
  std::string MachineEntry() const { return temp_.File("xdg/autostart/quellix.desktop"); }

  testsupport::TempDir temp_;
  testsupport::ScopedEnv config_home_{"XDG_CONFIG_HOME", temp_.File("config")};
  testsupport::ScopedEnv config_dirs_{"XDG_CONFIG_DIRS", temp_.File("xdg")};
};

TEST_F(qelAutoRun, WritersMoveTheEntry) {
  TqelAutoRun run(nullptr);
  EXPECT_EQ(run.Kind(), aekMachineRun);
  run.SetFileName("/opt/q/50%/quellix");
  run.SetKind(aekUserRun);
  EXPECT_FALSE(std::filesystem::exists(UserEntry()));
  run.SetAutoRun(true);
  std::string text = plat::ReadFileText(UserEntry()).value_or("");
  EXPECT_NE(text.find("\nExec=/opt/q/50%%/quellix\n"), std::string::npos) << text;

  run.SetKind(aekMachineRun);
  EXPECT_FALSE(std::filesystem::exists(UserEntry()));
  EXPECT_TRUE(std::filesystem::exists(MachineEntry()));

  run.SetKind(aekServiceRun);  // refused on this platform: nothing anywhere
  EXPECT_FALSE(std::filesystem::exists(MachineEntry()));
  EXPECT_FALSE(AddToAutoRun(aekServiceRun, run.FileName()));

  run.SetKind(aekUserRun);
  run.SetAutoRun(false);
  EXPECT_FALSE(std::filesystem::exists(UserEntry()));
}

TEST_F(qelAutoRun, AStoredEntryIsAppliedOnceWithItsOwnKind) {
  vcl::TComponent root(nullptr);
  std::string text =
      "object TComponent\n  object Run: TqelAutoRun\n    AutoRun = True\n"
      "    FileName = '/opt/q/quellix'\n    Kind = aekUserRun\n  end\nend\n";
  vcl::ReadFormText(&root, text);
  EXPECT_TRUE(std::filesystem::exists(UserEntry()));
  // The default kind never got a turn while the description was read.
  EXPECT_FALSE(std::filesystem::exists(MachineEntry()));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.File("config/autostart")), {}), 1);
}

TEST_F(qelAutoRun, AFolderThatCannotBeWrittenFailsApplyButNotLoading) {
  std::filesystem::remove_all(temp_.File("xdg"));
  vcl::TComponent root(nullptr);
  std::string text =
      "object TComponent\n  object Run: TqelAutoRun\n    AutoRun = True\n"
      "    FileName = '/opt/q/quellix'\n  end\nend\n";
  EXPECT_NO_THROW(vcl::ReadFormText(&root, text));
  auto* run = static_cast<TqelAutoRun*>(root.FindComponent("Run"));
  ASSERT_NE(run, nullptr);
  EXPECT_THROW(run->Apply(), EqelRegistry);
}

}  // namespace
}  // namespace utility

namespace utility {
namespace {

class qelShutdown : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.Ready());
    ASSERT_TRUE(testsupport::PlayLoginManager(login_, &answer_));
  }
  std::string Last() {
    std::vector<std::string> calls = login_.Calls();
    return calls.empty() ? "" : calls.back();
  }

  testsupport::PrivateBus bus_;
  testsupport::FakeService login_{bus_.Address()};
  std::string answer_ = "yes";
  TqelShutdown shutdown_{nullptr};
};

TEST_F(qelShutdown, EachActionReachesTheLoginManager) {
  const std::tuple<TqelShutdownActionType, const char*, plat::UINT> cases[] = {
      {aatPowerOff, "PowerOff(true)", 8},   {aatShutdown, "Halt(true)", 1},
      {aatReboot, "Reboot(true)", 2},       {aatSuspend, "Suspend(true)", 0},
      {aatHibernate, "Hibernate(true)", 0}, {aatLogOff, "Terminate()", 0},
  };
  for (const auto& [action, call, flags] : cases) {
    shutdown_.SetActionType(action);
    EXPECT_TRUE(shutdown_.Execute()) << call;
    EXPECT_EQ(Last(), call);
    EXPECT_EQ(TqelShutdown::ExitFlags(action, false), flags) << call;
  }
  EXPECT_EQ(TqelShutdown::ExitFlags(aatPowerOff, true), 12u);
}

TEST_F(qelShutdown, RefusalsMakeNoCall) {
  shutdown_.OnQueryShutdown = [](vcl::TObject*, bool& can) { can = false; };
  EXPECT_FALSE(shutdown_.Execute());
  EXPECT_TRUE(login_.Calls().empty());
  shutdown_.OnQueryShutdown = nullptr;
  answer_ = "na";
  EXPECT_FALSE(shutdown_.Execute());
  EXPECT_EQ(login_.Calls(), (std::vector<std::string>{"CanPowerOff()"}));
  login_.Release("org.freedesktop.login1");
  answer_ = "yes";
  EXPECT_FALSE(shutdown_.Execute());  // nobody answers
}

}  // namespace
}  // namespace utility
