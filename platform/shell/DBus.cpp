#include "platform/shell/DBus.h"

#include <cstdlib>

namespace plat {

namespace {
constexpr int kDispatchSliceMs = 50;
constexpr int kBusCallTimeoutMs = 2000;

std::string BusAddress(BusConnection::Bus bus) {
  const char* address = std::getenv(bus == BusConnection::Bus::session ? "DBUS_SESSION_BUS_ADDRESS"
                                                                       : "DBUS_SYSTEM_BUS_ADDRESS");
  if (address && *address) return address;
  if (bus == BusConnection::Bus::system) return "unix:path=/var/run/dbus/system_bus_socket";
  // A session started by the service manager keeps its bus in the runtime folder.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  return runtime && *runtime ? std::string("unix:path=") + runtime + "/bus" : std::string();
}

struct ErrorGuard {
  DBusError error;
  ErrorGuard() { dbus_error_init(&error); }
  ~ErrorGuard() { dbus_error_free(&error); }
};
}  // namespace

std::unique_ptr<BusConnection> BusConnection::Open(Bus bus, bool threaded) {
  static const bool threads_ready = dbus_threads_init_default();
  if (!threads_ready) return nullptr;
  // The address is read each time: the library would keep the first one it
  // saw for the life of the process.
  std::string address = BusAddress(bus);
  if (address.empty()) return nullptr;
  ErrorGuard e;
  DBusConnection* connection = dbus_connection_open_private(address.c_str(), &e.error);
  if (!connection) return nullptr;
  if (!dbus_bus_register(connection, &e.error)) {
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    return nullptr;
  }
  // The program decides when it ends, not the bus.
  dbus_connection_set_exit_on_disconnect(connection, false);
  std::unique_ptr<BusConnection> result(new BusConnection(connection));
  if (threaded) result->thread_ = std::thread([raw = result.get()] { raw->Run(); });
  return result;
}

BusConnection::BusConnection(DBusConnection* connection) : connection_(connection) {
  dbus_connection_add_filter(connection_, FilterThunk, this, nullptr);
}

BusConnection::~BusConnection() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  dbus_connection_remove_filter(connection_, FilterThunk, this);
  dbus_connection_close(connection_);
  dbus_connection_unref(connection_);
}

void BusConnection::Run() {
  while (!stop_ && dbus_connection_read_write_dispatch(connection_, kDispatchSliceMs)) {
  }
}

DBusHandlerResult BusConnection::FilterThunk(DBusConnection* connection, DBusMessage* message, void* data) {
  auto* self = static_cast<BusConnection*>(data);
  Filter filter;
  {
    std::lock_guard lock(self->filter_mutex_);
    filter = self->filter_;
  }
  return filter && filter(connection, message) ? DBUS_HANDLER_RESULT_HANDLED
                                               : DBUS_HANDLER_RESULT_NOT_YET_HANDLED;
}

void BusConnection::SetFilter(Filter filter) {
  std::lock_guard lock(filter_mutex_);
  filter_ = std::move(filter);
}

DBusMessagePtr BusConnection::Call(DBusMessage* message, int timeout_ms, std::string* error) {
  ErrorGuard e;
  DBusMessage* reply = dbus_connection_send_with_reply_and_block(connection_, message, timeout_ms, &e.error);
  if (!reply && error) *error = e.error.message ? e.error.message : "no reply";
  return DBusMessagePtr(reply);
}

bool BusConnection::Send(DBusMessage* message) {
  bool sent = dbus_connection_send(connection_, message, nullptr);
  dbus_connection_flush(connection_);
  return sent;
}

bool BusConnection::RequestName(const std::string& name) {
  ErrorGuard e;
  int result = dbus_bus_request_name(connection_, name.c_str(), DBUS_NAME_FLAG_DO_NOT_QUEUE, &e.error);
  return result == DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER || result == DBUS_REQUEST_NAME_REPLY_ALREADY_OWNER;
}

void BusConnection::ReleaseName(const std::string& name) {
  ErrorGuard e;
  dbus_bus_release_name(connection_, name.c_str(), &e.error);
}

void BusConnection::AddMatch(const std::string& rule) {
  ErrorGuard e;
  dbus_bus_add_match(connection_, rule.c_str(), &e.error);
}

bool BusConnection::NameHasOwner(const std::string& name) {
  ErrorGuard e;
  DBusMessagePtr call = NewMethodCall(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "NameHasOwner");
  const char* text = name.c_str();
  dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &text, DBUS_TYPE_INVALID);
  DBusMessagePtr reply = Call(call.get(), kBusCallTimeoutMs);
  dbus_bool_t owned = false;
  return reply &&
         dbus_message_get_args(reply.get(), &e.error, DBUS_TYPE_BOOLEAN, &owned, DBUS_TYPE_INVALID) && owned;
}

std::string BusConnection::UniqueName() const {
  const char* name = dbus_bus_get_unique_name(connection_);
  return name ? name : "";
}

DBusMessagePtr NewMethodCall(const char* destination, const char* path, const char* interface,
                             const char* method) {
  return DBusMessagePtr(dbus_message_new_method_call(destination, path, interface, method));
}

}  // namespace plat
