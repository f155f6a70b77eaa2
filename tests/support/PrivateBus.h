#pragma once
// A message bus of the test's own (a dbus-daemon on a socket in a temporary
// folder) standing for both the session and the system bus, and services on
// it that the test plays: they own the names they fake, record the calls
// they get and answer them. Nothing here ever reaches the desktop's buses.
#include <dbus/dbus.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace testsupport {

class PrivateBus {
 public:
  PrivateBus() {
    std::ofstream(temp_.File("bus.conf"))
        << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
           " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
           "<busconfig><type>session</type><listen>unix:dir="
        << temp_.path().string()
        << "</listen><auth>EXTERNAL</auth><policy context=\"default\">"
           "<allow send_destination=\"*\" eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
           "<allow own=\"*\"/></policy></busconfig>\n";
    int out[2];
    if (pipe(out) != 0) return;
    std::string config = "--config-file=" + temp_.File("bus.conf");
    std::string print = "--print-address=" + std::to_string(out[1]);
    char name[] = "dbus-daemon";
    char nofork[] = "--nofork";
    char* argv[] = {name, config.data(), print.data(), nofork, nullptr};
    if (posix_spawnp(&pid_, "dbus-daemon", nullptr, nullptr, argv, environ) != 0) pid_ = 0;
    close(out[1]);
    pollfd p{out[0], POLLIN, 0};
    char buffer[512];
    ssize_t n = pid_ && poll(&p, 1, 10000) == 1 ? read(out[0], buffer, sizeof buffer - 1) : 0;
    close(out[0]);
    if (n > 0) address_.assign(buffer, static_cast<size_t>(n));
    while (!address_.empty() && address_.back() == '\n') address_.pop_back();
    if (address_.empty()) return;
    session_.emplace("DBUS_SESSION_BUS_ADDRESS", address_);
    system_.emplace("DBUS_SYSTEM_BUS_ADDRESS", address_);
  }
  ~PrivateBus() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  bool Ready() const { return !address_.empty(); }
  const std::string& Address() const { return address_; }

 private:
  TempDir temp_;
  // Under test the power calls refuse any bus but a private one.
  ScopedEnv testing_{"QUELLIX_TESTING", "1"};
  pid_t pid_ = 0;
  std::string address_;
  std::optional<ScopedEnv> session_;
  std::optional<ScopedEnv> system_;
};

// The arguments of a message as text: "Member(a, b, ...)".
inline std::string DescribeCall(DBusMessage* message) {
  std::string out = std::string(dbus_message_get_member(message)) + "(";
  DBusMessageIter it;
  bool first = true;
  if (dbus_message_iter_init(message, &it)) {
    do {
      if (!first) out += ", ";
      first = false;
      int type = dbus_message_iter_get_arg_type(&it);
      if (type == DBUS_TYPE_STRING || type == DBUS_TYPE_OBJECT_PATH) {
        const char* s = nullptr;
        dbus_message_iter_get_basic(&it, &s);
        out += s;
      } else if (type == DBUS_TYPE_BOOLEAN) {
        dbus_bool_t b = false;
        dbus_message_iter_get_basic(&it, &b);
        out += b ? "true" : "false";
      } else if (type == DBUS_TYPE_INT32 || type == DBUS_TYPE_UINT32) {
        dbus_uint32_t v = 0;
        dbus_message_iter_get_basic(&it, &v);
        out += type == DBUS_TYPE_INT32 ? std::to_string(static_cast<int32_t>(v)) : std::to_string(v);
      } else {
        out += std::string("<") + static_cast<char>(type) + ">";
      }
    } while (dbus_message_iter_next(&it));
  }
  return out + ")";
}

// A service the test plays. Handlers answer method calls by member name (a
// null reply answers with an empty return); every call is recorded.
class FakeService {
 public:
  using Handler = std::function<DBusMessage*(DBusMessage* call)>;

  explicit FakeService(const std::string& address) {
    DBusError error;
    dbus_error_init(&error);
    connection_ = dbus_connection_open_private(address.c_str(), &error);
    if (connection_ && !dbus_bus_register(connection_, &error)) {
      dbus_connection_close(connection_);
      dbus_connection_unref(connection_);
      connection_ = nullptr;
    }
    dbus_error_free(&error);
    if (!connection_) return;
    dbus_connection_set_exit_on_disconnect(connection_, false);
    dbus_connection_add_filter(connection_, &FakeService::Filter, this, nullptr);
    thread_ = std::thread([this] {
      while (!stop_ && dbus_connection_read_write_dispatch(connection_, 20)) {
      }
    });
  }
  ~FakeService() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (connection_) {
      dbus_connection_close(connection_);
      dbus_connection_unref(connection_);
    }
  }
  DBusConnection* Connection() const { return connection_; }

  bool Own(const std::string& name) {
    DBusError error;
    dbus_error_init(&error);
    int r = dbus_bus_request_name(connection_, name.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &error);
    dbus_error_free(&error);
    return r == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER;
  }
  void Release(const std::string& name) {
    DBusError error;
    dbus_error_init(&error);
    dbus_bus_release_name(connection_, name.c_str(), &error);
    dbus_error_free(&error);
  }
  void On(const std::string& member, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[member] = std::move(handler);
  }
  std::vector<std::string> Calls() {
    std::lock_guard lock(mutex_);
    return calls_;
  }
  void ClearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
  }
  // Waits (bounded) until `count` calls have arrived.
  bool WaitForCalls(size_t count, int limit_ms = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limit_ms);
    while (Calls().size() < count)
      if (std::chrono::steady_clock::now() > deadline)
        return false;
      else
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
  }
  void Send(DBusMessage* message) {
    dbus_connection_send(connection_, message, nullptr);
    dbus_connection_flush(connection_);
    dbus_message_unref(message);
  }
  // A blocking call from the test to someone on the bus; the reply or null.
  DBusMessage* Call(DBusMessage* message) {
    DBusError error;
    dbus_error_init(&error);
    DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection_, message, 5000, &error);
    dbus_error_free(&error);
    dbus_message_unref(message);
    return reply;
  }

 private:
  static DBusHandlerResult Filter(DBusConnection* connection, DBusMessage* message, void* data) {
    auto* self = static_cast<FakeService*>(data);
    if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL)
      return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
    Handler handler;
    {
      std::lock_guard lock(self->mutex_);
      auto found = self->handlers_.find(dbus_message_get_member(message));
      if (found == self->handlers_.end()) return DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
      handler = found->second;
      self->calls_.push_back(DescribeCall(message));
    }
    DBusMessage* reply = handler ? handler(message) : nullptr;
    if (!reply) reply = dbus_message_new_method_return(message);
    dbus_connection_send(connection, reply, nullptr);
    dbus_message_unref(reply);
    return DBUS_HANDLER_RESULT_HANDLED;
  }

  DBusConnection* connection_ = nullptr;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, Handler> handlers_;
  std::vector<std::string> calls_;
};

// A reply with one string.
inline DBusMessage* StringReply(DBusMessage* call, const char* text) {
  DBusMessage* reply = dbus_message_new_method_return(call);
  dbus_message_append_args(reply, DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
  return reply;
}

// Plays the login manager: its Can questions get `*answer`, its actions
// are only recorded, and this process's session is "_31".
inline bool PlayLoginManager(FakeService& login, const std::string* answer) {
  for (const char* can : {"CanPowerOff", "CanHalt", "CanReboot", "CanSuspend", "CanHibernate"})
    login.On(can, [answer](DBusMessage* call) { return StringReply(call, answer->c_str()); });
  for (const char* method : {"PowerOff", "Halt", "Reboot", "Suspend", "Hibernate", "Terminate"})
    login.On(method, nullptr);
  login.On("GetSessionByPID", [](DBusMessage* call) {
    DBusMessage* reply = dbus_message_new_method_return(call);
    const char* path = "/org/freedesktop/login1/session/_31";
    dbus_message_append_args(reply, DBUS_TYPE_OBJECT_PATH, &path, DBUS_TYPE_INVALID);
    return reply;
  });
  return login.Own("org.freedesktop.login1");
}

}  // namespace testsupport
