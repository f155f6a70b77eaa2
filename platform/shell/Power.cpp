#include "platform/shell/Power.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/shell/DBus.h"

namespace plat {

namespace {
constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kLoginPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
// The user may be asked for leave in between.
constexpr int kPowerCallTimeoutMs = 25000;

// A test that forgot to point the system bus at its own must never reach
// the machine's.
bool SystemBusAllowed() {
  if (!std::getenv("QUELLIX_TESTING")) return true;
  const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");
  return address && *address && !std::strstr(address, "/run/dbus/system_bus_socket");
}

struct Step {
  const char* can;     // the question, or null
  const char* method;  // on the manager
};

Step StepOf(PowerAction action) {
  switch (action) {
    case PowerAction::powerOff:
      return {"CanPowerOff", "PowerOff"};
    case PowerAction::halt:
      return {"CanHalt", "Halt"};
    case PowerAction::reboot:
      return {"CanReboot", "Reboot"};
    case PowerAction::suspend:
      return {"CanSuspend", "Suspend"};
    case PowerAction::hibernate:
      return {"CanHibernate", "Hibernate"};
    case PowerAction::logOff:
      break;
  }
  return {nullptr, nullptr};
}

bool Allowed(BusConnection& bus, const char* question) {
  DBusMessagePtr call = NewMethodCall(kLogin, kLoginPath, kManager, question);
  DBusMessagePtr reply = bus.Call(call.get(), kPowerCallTimeoutMs);
  const char* answer = nullptr;
  DBusError error;
  dbus_error_init(&error);
  bool ok = reply &&
            dbus_message_get_args(reply.get(), &error, DBUS_TYPE_STRING, &answer, DBUS_TYPE_INVALID) &&
            (std::strcmp(answer, "yes") == 0 || std::strcmp(answer, "challenge") == 0);
  dbus_error_free(&error);
  return ok;
}

bool LogOff(BusConnection& bus) {
  DBusMessagePtr call = NewMethodCall(kLogin, kLoginPath, kManager, "GetSessionByPID");
  dbus_uint32_t pid = static_cast<dbus_uint32_t>(::getpid());
  dbus_message_append_args(call.get(), DBUS_TYPE_UINT32, &pid, DBUS_TYPE_INVALID);
  DBusMessagePtr reply = bus.Call(call.get(), kPowerCallTimeoutMs);
  const char* session = nullptr;
  DBusError error;
  dbus_error_init(&error);
  bool found =
      reply && dbus_message_get_args(reply.get(), &error, DBUS_TYPE_OBJECT_PATH, &session, DBUS_TYPE_INVALID);
  dbus_error_free(&error);
  if (!found) return false;
  DBusMessagePtr terminate = NewMethodCall(kLogin, session, "org.freedesktop.login1.Session", "Terminate");
  return bus.Call(terminate.get(), kPowerCallTimeoutMs) != nullptr;
}
}  // namespace

PowerAction PowerActionOfExitFlags(UINT flags) {
  flags &= ~EWX_FORCE;
  if (flags & EWX_POWEROFF) return PowerAction::powerOff;
  if (flags & EWX_REBOOT) return PowerAction::reboot;
  if (flags & EWX_SHUTDOWN) return PowerAction::halt;
  return PowerAction::logOff;
}

bool RequestPowerAction(PowerAction action, bool) {
  if (!SystemBusAllowed()) return false;
  std::unique_ptr<BusConnection> bus = BusConnection::Open(BusConnection::Bus::system, false);
  if (!bus) return false;
  if (action == PowerAction::logOff) return LogOff(*bus);
  Step step = StepOf(action);
  if (!Allowed(*bus, step.can)) return false;
  DBusMessagePtr call = NewMethodCall(kLogin, kLoginPath, kManager, step.method);
  dbus_bool_t interactive = true;
  dbus_message_append_args(call.get(), DBUS_TYPE_BOOLEAN, &interactive, DBUS_TYPE_INVALID);
  return bus->Call(call.get(), kPowerCallTimeoutMs) != nullptr;
}

BOOL ExitWindowsEx(UINT flags, DWORD) {
  return RequestPowerAction(PowerActionOfExitFlags(flags), flags & EWX_FORCE) ? TRUE : FALSE;
}

BOOL SetSystemPowerState(BOOL suspend, BOOL force) {
  return RequestPowerAction(suspend ? PowerAction::suspend : PowerAction::hibernate, force) ? TRUE : FALSE;
}

}  // namespace plat
