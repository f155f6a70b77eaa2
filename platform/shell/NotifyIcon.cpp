#include "platform/shell/NotifyIcon.h"

#include <errno.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/shell/DBus.h"
#include "platform/user/Atoms.h"
#include "platform/user/Icon.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"

namespace plat {

namespace {
constexpr const char* kItemPath = "/StatusNotifierItem";
constexpr const char* kItemInterface = "org.kde.StatusNotifierItem";
constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";
constexpr const char* kWatcherPath = "/StatusNotifierWatcher";
constexpr const char* kNotifications = "org.freedesktop.Notifications";
constexpr const char* kNotificationsPath = "/org/freedesktop/Notifications";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr int kCallTimeoutMs = 2000;

std::string ProgramName() { return program_invocation_short_name; }

// One icon: its bus connection and what the panel may read from it.
class Item {
 public:
  // Icons of several windows may share an identifier: each gets a name of its own.
  Item(HWND hwnd, UINT id) : hwnd_(hwnd), id_(id) {
    static std::atomic<unsigned> made{0};
    name_ = "org.kde.StatusNotifierItem-" + std::to_string(::getpid()) + "-" + std::to_string(++made);
  }

  bool Connect() {
    bus_ = BusConnection::Open(BusConnection::Bus::session, true);
    if (!bus_) return false;
    bus_->SetFilter([this](DBusConnection* c, DBusMessage* m) { return Filter(c, m); });
    bus_->AddMatch(
        std::string("type='signal',sender='org.freedesktop.DBus',member='NameOwnerChanged',arg0='") +
        kWatcher + "'");
    bus_->AddMatch(std::string("type='signal',interface='") + kNotifications + "'");
    return bus_->RequestName(name_);
  }

  bool Register() {
    DBusMessagePtr call = NewMethodCall(kWatcher, kWatcherPath, kWatcher, "RegisterStatusNotifierItem");
    const char* name = name_.c_str();
    dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID);
    return bus_->Call(call.get(), kCallTimeoutMs) != nullptr && HostPresent();
  }

  // A watcher without a panel behind it shows nothing. One that does not
  // say is taken at its word.
  bool HostPresent() {
    DBusMessagePtr call = NewMethodCall(kWatcher, kWatcherPath, kProperties, "Get");
    const char *interface = kWatcher, *property = "IsStatusNotifierHostRegistered";
    dbus_message_append_args(call.get(), DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                             DBUS_TYPE_INVALID);
    DBusMessagePtr reply = bus_->Call(call.get(), kCallTimeoutMs);
    DBusMessageIter it, variant;
    if (!reply || dbus_message_get_type(reply.get()) != DBUS_MESSAGE_TYPE_METHOD_RETURN ||
        !dbus_message_iter_init(reply.get(), &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_VARIANT)
      return true;
    dbus_message_iter_recurse(&it, &variant);
    if (dbus_message_iter_get_arg_type(&variant) != DBUS_TYPE_BOOLEAN) return true;
    dbus_bool_t present = true;
    dbus_message_iter_get_basic(&variant, &present);
    return present;
  }

  void Take(const NOTIFYICONDATAA& data, bool announce) {
    bool icon = false, tip = false;
    {
      std::lock_guard lock(mutex_);
      if (data.uFlags & NIF_MESSAGE) callback_ = data.uCallbackMessage;
      if (data.uFlags & NIF_TIP) {
        std::string next(data.szTip, strnlen(data.szTip, sizeof data.szTip));
        tip = next != tip_;
        tip_ = next;
      }
      if (data.uFlags & NIF_ICON) {
        icon = true;
        width_ = height_ = 0;
        pixels_.clear();
        if (std::optional<user::IconImage> image =
                data.hIcon ? user::IconPicture(data.hIcon) : std::nullopt) {
          width_ = image->width;
          height_ = image->height;
          // ARGB32 in network byte order.
          for (uint32_t p : image->pixels)
            for (int shift = 24; shift >= 0; shift -= 8) pixels_.push_back(static_cast<uint8_t>(p >> shift));
        }
      }
    }
    if (!announce) return;
    if (icon) Signal("NewIcon");
    if (tip) Signal("NewToolTip");
  }

  bool Notify(const NOTIFYICONDATAA& data) {
    DBusMessagePtr call = NewMethodCall(kNotifications, kNotificationsPath, kNotifications, "Notify");
    std::string app = ProgramName(),
                title(data.szInfoTitle, strnlen(data.szInfoTitle, sizeof data.szInfoTitle));
    std::string body(data.szInfo, strnlen(data.szInfo, sizeof data.szInfo));
    const char *app_c = app.c_str(), *icon = "", *summary = title.c_str(), *text = body.c_str();
    dbus_uint32_t replaces;
    {
      std::lock_guard lock(mutex_);
      replaces = notification_;
    }
    auto timeout = static_cast<dbus_int32_t>(data.uTimeout);
    DBusMessageIter args, actions, hints, entry, variant;
    dbus_message_iter_init_append(call.get(), &args);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &app_c);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_UINT32, &replaces);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &icon);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &summary);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_STRING, &text);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "s", &actions);
    for (const char* action : {"default", "Open"})
      dbus_message_iter_append_basic(&actions, DBUS_TYPE_STRING, &action);
    dbus_message_iter_close_container(&args, &actions);
    dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &hints);
    dbus_message_iter_open_container(&hints, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
    const char* urgency_key = "urgency";
    unsigned char urgency = data.dwInfoFlags == NIIF_ERROR ? 2 : 1;
    dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &urgency_key);
    dbus_message_iter_open_container(&entry, DBUS_TYPE_VARIANT, "y", &variant);
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BYTE, &urgency);
    dbus_message_iter_close_container(&entry, &variant);
    dbus_message_iter_close_container(&hints, &entry);
    dbus_message_iter_close_container(&args, &hints);
    dbus_message_iter_append_basic(&args, DBUS_TYPE_INT32, &timeout);
    DBusMessagePtr reply = bus_->Call(call.get(), kCallTimeoutMs);
    dbus_uint32_t id = 0;
    DBusError error;
    dbus_error_init(&error);
    bool ok = reply && dbus_message_get_args(reply.get(), &error, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID);
    dbus_error_free(&error);
    if (!ok) return false;
    {
      std::lock_guard lock(mutex_);
      notification_ = id;
    }
    Post(NIN_BALLOONSHOW);
    return true;
  }

  POINT Position() {
    std::lock_guard lock(mutex_);
    return pos_;
  }

 private:
  void Post(UINT event) {
    UINT callback;
    {
      std::lock_guard lock(mutex_);
      callback = callback_;
    }
    if (callback) PostMessageA(hwnd_, callback, id_, static_cast<LPARAM>(event));
  }

  void Signal(const char* member) {
    DBusMessagePtr signal(dbus_message_new_signal(kItemPath, kItemInterface, member));
    bus_->Send(signal.get());
  }

  bool Filter(DBusConnection* connection, DBusMessage* message) {
    if (dbus_message_is_signal(message, DBUS_INTERFACE_DBUS, "NameOwnerChanged"))
      return OwnerChanged(message);
    if (dbus_message_is_signal(message, kNotifications, "NotificationClosed") ||
        dbus_message_is_signal(message, kNotifications, "ActionInvoked"))
      return NotificationSignal(message);
    if (dbus_message_get_type(message) != DBUS_MESSAGE_TYPE_METHOD_CALL ||
        std::strcmp(dbus_message_get_path(message) ? dbus_message_get_path(message) : "", kItemPath) != 0)
      return false;
    DBusMessagePtr reply(dbus_message_new_method_return(message));
    const char* member = dbus_message_get_member(message);
    if (dbus_message_has_interface(message, kItemInterface)) {
      dbus_int32_t x = 0, y = 0;
      DBusError error;
      dbus_error_init(&error);
      dbus_message_get_args(message, &error, DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y, DBUS_TYPE_INVALID);
      dbus_error_free(&error);
      Pointer(member, x, y);
    } else if (dbus_message_is_method_call(message, kProperties, "Get")) {
      const char *interface = nullptr, *property = nullptr;
      DBusError error;
      dbus_error_init(&error);
      bool ok = dbus_message_get_args(message, &error, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING,
                                      &property, DBUS_TYPE_INVALID);
      dbus_error_free(&error);
      DBusMessageIter args;
      dbus_message_iter_init_append(reply.get(), &args);
      if (!ok || !AppendProperty(&args, property)) {
        reply.reset(dbus_message_new_error(message, DBUS_ERROR_UNKNOWN_PROPERTY, "no such property"));
      }
    } else if (dbus_message_is_method_call(message, kProperties, "GetAll")) {
      DBusMessageIter args, dict, entry;
      dbus_message_iter_init_append(reply.get(), &args);
      dbus_message_iter_open_container(&args, DBUS_TYPE_ARRAY, "{sv}", &dict);
      for (const char* property : {"Category", "Id", "Title", "Status", "IconName", "IconPixmap", "ToolTip",
                                   "ItemIsMenu", "Menu", "WindowId"}) {
        dbus_message_iter_open_container(&dict, DBUS_TYPE_DICT_ENTRY, nullptr, &entry);
        dbus_message_iter_append_basic(&entry, DBUS_TYPE_STRING, &property);
        AppendProperty(&entry, property);
        dbus_message_iter_close_container(&dict, &entry);
      }
      dbus_message_iter_close_container(&args, &dict);
    } else if (dbus_message_is_method_call(message, DBUS_INTERFACE_INTROSPECTABLE, "Introspect")) {
      const char* xml =
          "<node><interface name=\"org.kde.StatusNotifierItem\">"
          "<method name=\"Activate\"><arg type=\"i\"/><arg type=\"i\"/></method>"
          "<method name=\"SecondaryActivate\"><arg type=\"i\"/><arg type=\"i\"/></method>"
          "<method name=\"ContextMenu\"><arg type=\"i\"/><arg type=\"i\"/></method>"
          "<method name=\"Scroll\"><arg type=\"i\"/><arg type=\"s\"/></method>"
          "<signal name=\"NewIcon\"/><signal name=\"NewToolTip\"/></interface></node>";
      dbus_message_append_args(reply.get(), DBUS_TYPE_STRING, &xml, DBUS_TYPE_INVALID);
    } else {
      return false;
    }
    dbus_connection_send(connection, reply.get(), nullptr);
    return true;
  }

  void Pointer(const char* member, int x, int y) {
    UINT down = 0, up = 0;
    if (std::strcmp(member, "Activate") == 0) {
      down = WM_LBUTTONDOWN;
      up = WM_LBUTTONUP;
    } else if (std::strcmp(member, "ContextMenu") == 0) {
      down = WM_RBUTTONDOWN;
      up = WM_RBUTTONUP;
    } else if (std::strcmp(member, "SecondaryActivate") == 0) {
      down = WM_MBUTTONDOWN;
      up = WM_MBUTTONUP;
    } else {
      return;  // scrolling has no counterpart
    }
    {
      std::lock_guard lock(mutex_);
      pos_ = POINT{x, y};
    }
    Post(down);
    Post(up);
  }

  bool OwnerChanged(DBusMessage* message) {
    const char *name = nullptr, *old_owner = nullptr, *new_owner = nullptr;
    DBusError error;
    dbus_error_init(&error);
    bool ok = dbus_message_get_args(message, &error, DBUS_TYPE_STRING, &name, DBUS_TYPE_STRING, &old_owner,
                                    DBUS_TYPE_STRING, &new_owner, DBUS_TYPE_INVALID);
    dbus_error_free(&error);
    // A panel that comes back asks for the icons again, as after a restart.
    if (ok && std::strcmp(name, kWatcher) == 0 && *new_owner)
      PostMessageA(hwnd_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    return false;
  }

  bool NotificationSignal(DBusMessage* message) {
    dbus_uint32_t id = 0;
    DBusMessageIter it;
    if (!dbus_message_iter_init(message, &it) || dbus_message_iter_get_arg_type(&it) != DBUS_TYPE_UINT32)
      return false;
    dbus_message_iter_get_basic(&it, &id);
    {
      std::lock_guard lock(mutex_);
      if (id == 0 || id != notification_) return false;
    }
    if (!dbus_message_iter_next(&it)) return false;
    if (dbus_message_is_signal(message, kNotifications, "NotificationClosed")) {
      dbus_uint32_t reason = 0;
      if (dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_UINT32) dbus_message_iter_get_basic(&it, &reason);
      // Expired or dismissed; one closed by a call was not the user's doing.
      if (reason == 1 || reason == 2) Post(NIN_BALLOONTIMEOUT);
    } else if (dbus_message_iter_get_arg_type(&it) == DBUS_TYPE_STRING) {
      const char* key = nullptr;
      dbus_message_iter_get_basic(&it, &key);
      if (std::strcmp(key, "default") == 0) Post(NIN_BALLOONUSERCLICK);
    }
    return false;
  }

  void AppendPixmaps(DBusMessageIter* into) {
    DBusMessageIter array, pixmap, bytes;
    dbus_message_iter_open_container(into, DBUS_TYPE_ARRAY, "(iiay)", &array);
    if (width_ > 0) {
      dbus_int32_t w = width_, h = height_;
      dbus_message_iter_open_container(&array, DBUS_TYPE_STRUCT, nullptr, &pixmap);
      dbus_message_iter_append_basic(&pixmap, DBUS_TYPE_INT32, &w);
      dbus_message_iter_append_basic(&pixmap, DBUS_TYPE_INT32, &h);
      dbus_message_iter_open_container(&pixmap, DBUS_TYPE_ARRAY, "y", &bytes);
      const uint8_t* data = pixels_.data();
      dbus_message_iter_append_fixed_array(&bytes, DBUS_TYPE_BYTE, &data, static_cast<int>(pixels_.size()));
      dbus_message_iter_close_container(&pixmap, &bytes);
      dbus_message_iter_close_container(&array, &pixmap);
    }
    dbus_message_iter_close_container(into, &array);
  }

  static void AppendString(DBusMessageIter* variant, const std::string& text) {
    const char* c = text.c_str();
    dbus_message_iter_append_basic(variant, DBUS_TYPE_STRING, &c);
  }

  bool AppendProperty(DBusMessageIter* into, const char* property) {
    std::lock_guard lock(mutex_);
    std::string p = property;
    const char* signature = p == "IconPixmap"   ? "a(iiay)"
                            : p == "ToolTip"    ? "(sa(iiay)ss)"
                            : p == "ItemIsMenu" ? "b"
                            : p == "Menu"       ? "o"
                            : p == "WindowId"   ? "i"
                                                : "s";
    static const char* const kStrings[] = {"Category", "Id", "Title", "Status", "IconName"};
    bool known = std::string_view(signature) != "s";
    for (const char* s : kStrings) known = known || p == s;
    if (!known) return false;
    DBusMessageIter variant;
    dbus_message_iter_open_container(into, DBUS_TYPE_VARIANT, signature, &variant);
    if (p == "Category") {
      AppendString(&variant, "ApplicationStatus");
    } else if (p == "Id" || p == "Title") {
      AppendString(&variant, ProgramName());
    } else if (p == "Status") {
      AppendString(&variant, "Active");
    } else if (p == "IconName") {
      AppendString(&variant, "");
    } else if (p == "IconPixmap") {
      AppendPixmaps(&variant);
    } else if (p == "ToolTip") {
      DBusMessageIter tip;
      dbus_message_iter_open_container(&variant, DBUS_TYPE_STRUCT, nullptr, &tip);
      AppendString(&tip, "");
      AppendPixmaps(&tip);
      AppendString(&tip, tip_);
      AppendString(&tip, "");
      dbus_message_iter_close_container(&variant, &tip);
    } else if (p == "ItemIsMenu") {
      dbus_bool_t no = false;
      dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &no);
    } else if (p == "Menu") {
      const char* none = "/NO_DBUSMENU";
      dbus_message_iter_append_basic(&variant, DBUS_TYPE_OBJECT_PATH, &none);
    } else {
      dbus_int32_t zero = 0;
      dbus_message_iter_append_basic(&variant, DBUS_TYPE_INT32, &zero);
    }
    dbus_message_iter_close_container(into, &variant);
    return true;
  }

  HWND hwnd_;
  UINT id_;
  std::string name_;
  std::unique_ptr<BusConnection> bus_;
  std::mutex mutex_;
  UINT callback_ = 0;
  std::string tip_;
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> pixels_;
  POINT pos_{};
  dbus_uint32_t notification_ = 0;
};

std::mutex items_mutex;
std::map<std::pair<HWND, UINT>, std::unique_ptr<Item>>& Items() {
  static auto* items = new std::map<std::pair<HWND, UINT>, std::unique_ptr<Item>>;
  return *items;
}

Item* Find(HWND hwnd, UINT id) {
  std::lock_guard lock(items_mutex);
  auto found = Items().find({hwnd, id});
  return found == Items().end() ? nullptr : found->second.get();
}
}  // namespace

BOOL Shell_NotifyIconA(DWORD message, NOTIFYICONDATAA* data) {
  if (!data) return FALSE;
  Item* item = Find(data->hWnd, data->uID);
  switch (message) {
    case NIM_ADD: {
      if (item) {
        item->Take(*data, true);
        return item->Register();
      }
      auto made = std::make_unique<Item>(data->hWnd, data->uID);
      made->Take(*data, false);
      if (!made->Connect() || !made->Register()) return FALSE;
      std::lock_guard lock(items_mutex);
      Items()[{data->hWnd, data->uID}] = std::move(made);
      return TRUE;
    }
    case NIM_MODIFY:
      if (!item) return FALSE;
      if (data->uFlags & NIF_INFO) return item->Notify(*data);
      item->Take(*data, true);
      return TRUE;
    case NIM_DELETE: {
      std::unique_ptr<Item> gone;
      {
        std::lock_guard lock(items_mutex);
        auto found = Items().find({data->hWnd, data->uID});
        if (found == Items().end()) return FALSE;
        gone = std::move(found->second);
        Items().erase(found);
      }
      // Closing the connection gives its name up.
      return TRUE;
    }
    default:
      return FALSE;
  }
}

POINT NotifyIconEventPos(HWND hwnd, UINT id) {
  Item* item = Find(hwnd, id);
  return item ? item->Position() : POINT{};
}

}  // namespace plat
