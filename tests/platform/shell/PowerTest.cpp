// Power calls against a login manager the test plays on a private bus: the
// calls are recorded, never made.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/shell/Power.h"
#include "support/PrivateBus.h"

namespace plat {
namespace {

class Power : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(bus_.Ready());
    ASSERT_TRUE(testsupport::PlayLoginManager(login_, &answer_));
  }

  testsupport::PrivateBus bus_;
  testsupport::FakeService login_{bus_.Address()};
  std::string answer_ = "yes";
};

TEST_F(Power, EachActionAsksThenCalls) {
  struct Case {
    UINT flags;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {EWX_POWEROFF, {"CanPowerOff()", "PowerOff(true)"}},
      {EWX_POWEROFF | EWX_FORCE, {"CanPowerOff()", "PowerOff(true)"}},
      {EWX_SHUTDOWN, {"CanHalt()", "Halt(true)"}},
      {EWX_REBOOT, {"CanReboot()", "Reboot(true)"}},
      {EWX_LOGOFF, {"GetSessionByPID(" + std::to_string(getpid()) + ")", "Terminate()"}},
  };
  for (const Case& c : cases) {
    login_.ClearCalls();
    EXPECT_TRUE(ExitWindowsEx(c.flags, 0)) << c.flags;
    EXPECT_EQ(login_.Calls(), c.calls) << c.flags;
  }
  login_.ClearCalls();
  EXPECT_TRUE(SetSystemPowerState(TRUE, FALSE));
  EXPECT_TRUE(SetSystemPowerState(FALSE, FALSE));
  EXPECT_EQ(login_.Calls(),
            (std::vector<std::string>{"CanSuspend()", "Suspend(true)", "CanHibernate()", "Hibernate(true)"}));
}

TEST_F(Power, RefusedOrUnreachableDoesNothing) {
  for (const char* answer : {"na", "no"}) {
    answer_ = answer;
    login_.ClearCalls();
    EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0)) << answer;
    EXPECT_EQ(login_.Calls(), (std::vector<std::string>{"CanReboot()"}));
  }
  answer_ = "challenge";  // the user will be asked: go ahead
  EXPECT_TRUE(ExitWindowsEx(EWX_REBOOT, 0));

  login_.Release("org.freedesktop.login1");
  EXPECT_FALSE(ExitWindowsEx(EWX_REBOOT, 0));
  {
    // A forgotten bus address under test never falls back to the machine's bus.
    testsupport::ScopedEnv system("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/run/dbus/system_bus_socket");
    EXPECT_FALSE(ExitWindowsEx(EWX_POWEROFF, 0));
  }
  testsupport::ScopedEnv none("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/bus");
  EXPECT_FALSE(ExitWindowsEx(EWX_POWEROFF, 0));
}

}  // namespace
}  // namespace plat
