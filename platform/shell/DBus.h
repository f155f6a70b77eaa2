#pragma once
// A connection to one of the desktop's message buses (libdbus-1). Calls out
// block their caller with a time-out; what arrives (method calls to objects
// this program exports, signals it listens to) is handled on the
// connection's own bus thread, which hands it to the filter.
#include <dbus/dbus.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace plat {

// Owns one message reference.
struct DBusMessageDeleter {
  void operator()(DBusMessage* message) const { dbus_message_unref(message); }
};
using DBusMessagePtr = std::unique_ptr<DBusMessage, DBusMessageDeleter>;

class BusConnection {
 public:
  enum class Bus { session, system };
  // Runs on the bus thread for every message that arrives; true when it was handled.
  using Filter = std::function<bool(DBusConnection*, DBusMessage*)>;

  // A private connection, or null when the bus cannot be reached. With
  // `threaded` the bus thread starts and serves the filter.
  static std::unique_ptr<BusConnection> Open(Bus bus, bool threaded);
  ~BusConnection();
  BusConnection(const BusConnection&) = delete;
  BusConnection& operator=(const BusConnection&) = delete;

  DBusConnection* Raw() const { return connection_; }
  // Set before anything is exported; it runs on the bus thread.
  void SetFilter(Filter filter);
  // The reply, or null with `error` set (when given).
  DBusMessagePtr Call(DBusMessage* message, int timeout_ms, std::string* error = nullptr);
  bool Send(DBusMessage* message);
  bool RequestName(const std::string& name);
  void ReleaseName(const std::string& name);
  void AddMatch(const std::string& rule);
  // Whether anyone owns `name` on the bus now.
  bool NameHasOwner(const std::string& name);
  std::string UniqueName() const;

 private:
  explicit BusConnection(DBusConnection* connection);
  static DBusHandlerResult FilterThunk(DBusConnection* connection, DBusMessage* message, void* data);
  void Run();

  DBusConnection* connection_;
  std::mutex filter_mutex_;
  Filter filter_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// A method call message; args appended by the caller.
DBusMessagePtr NewMethodCall(const char* destination, const char* path, const char* interface,
                             const char* method);

}  // namespace plat
