// The tray icon against a panel and a notification server that the test
// plays on its own message bus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "displays/ScreenTestSupport.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "support/PrivateBus.h"
#include "support/PumpUntil.h"
#include "utility/qelComponents.h"
#include "utility/qelSysUtils.h"
#include "utility/qelTrayIcon.h"

namespace utility {
namespace {

constexpr const char* kWatcher = "org.kde.StatusNotifierWatcher";

// A menu that records where it would have opened instead of opening.
class RecordingMenu : public vcl::TPopupMenu {
 public:
  RecordingMenu(vcl::TComponent* owner, std::vector<std::string>& log) : TPopupMenu(owner), log_(log) {}
  void Popup(int x, int y) override {
    log_.push_back("popup " + std::to_string(x) + "," + std::to_string(y) +
                   (PopupComponent() ? " by " + PopupComponent()->Name() : ""));
  }

 private:
  std::vector<std::string>& log_;
};

class qelTrayIcon : public displaytest::ScreenTest {
 protected:
  void SetUp() override {
    ScreenTest::SetUp();
    InitComponentsUnit();
    DetectVersion();  // the platform's profile takes the long tooltips and balloons
    ASSERT_TRUE(bus_.Ready());
    watcher_.On("RegisterStatusNotifierItem", nullptr);
    ASSERT_TRUE(watcher_.Own(kWatcher));
    notifications_.On("Notify", [this](DBusMessage* call) {
      DBusMessageIter it;
      dbus_message_iter_init(call, &it);
      for (int i = 0; i < 6; ++i) dbus_message_iter_next(&it);  // to the hints
      DBusMessageIter hints, entry, variant;
      dbus_message_iter_recurse(&it, &hints);
      dbus_message_iter_recurse(&hints, &entry);
      dbus_message_iter_next(&entry);
      dbus_message_iter_recurse(&entry, &variant);
      unsigned char urgency = 0;
      dbus_message_iter_get_basic(&variant, &urgency);
      urgency_ = urgency;
      DBusMessage* reply = dbus_message_new_method_return(call);
      dbus_uint32_t id = 7;
      dbus_message_append_args(reply, DBUS_TYPE_UINT32, &id, DBUS_TYPE_INVALID);
      return reply;
    });
    ASSERT_TRUE(notifications_.Own("org.freedesktop.Notifications"));
    tray_ = new TqelTrayIcon(vcl::Application);
    tray_->SetName("TrayIcon1");
    vcl::Application->OnException = [this](vcl::TObject*, const vcl::Exception& e) {
      log_.push_back("error " + e.Message());
    };
    tray_->OnMouseDown = [this](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState, int x, int y) {
      log_.push_back("down " + std::to_string(b) + " " + std::to_string(x) + "," + std::to_string(y));
    };
    tray_->OnMouseUp = [this](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState, int, int) {
      log_.push_back("up " + std::to_string(b));
    };
    tray_->OnClick = [this](vcl::TObject*) { log_.push_back("click"); };
    tray_->OnPopupMenu = [this](vcl::TObject*) { log_.push_back("menu"); };
    tray_->OnMinimize = [this](vcl::TObject*) { log_.push_back("minimize"); };
    tray_->OnBalloonShow = [this](vcl::TObject*) { log_.push_back("balloon shown"); };
    tray_->OnBalloonTimeout = [this](vcl::TObject*) { log_.push_back("balloon timeout"); };
    tray_->OnBalloonClick = [this](vcl::TObject*) { log_.push_back("balloon click"); };
  }
  void TearDown() override {
    delete tray_;
    ScreenTest::TearDown();
  }

  // The name the icon registered last.
  std::string ItemName() {
    std::vector<std::string> calls = watcher_.Calls();
    if (calls.empty()) return "<none>";
    std::string call = calls.back();
    return call.substr(call.find('(') + 1, call.size() - call.find('(') - 2);
  }

  // Calls a method of the item as the panel would.
  DBusMessage* CallItem(const char* interface, const char* method) {
    return dbus_message_new_method_call(ItemName().c_str(), "/StatusNotifierItem", interface, method);
  }
  void Pointer(const char* method, int x, int y) {
    DBusMessage* call = CallItem("org.kde.StatusNotifierItem", method);
    dbus_message_append_args(call, DBUS_TYPE_INT32, &x, DBUS_TYPE_INT32, &y, DBUS_TYPE_INVALID);
    DBusMessage* reply = watcher_.Call(call);
    if (reply) dbus_message_unref(reply);
  }
  // The title of the item's tooltip, as the panel reads it.
  std::string ToolTip() {
    DBusMessage* call = CallItem("org.freedesktop.DBus.Properties", "Get");
    const char *interface = "org.kde.StatusNotifierItem", *property = "ToolTip";
    dbus_message_append_args(call, DBUS_TYPE_STRING, &interface, DBUS_TYPE_STRING, &property,
                             DBUS_TYPE_INVALID);
    DBusMessage* reply = watcher_.Call(call);
    if (!reply) return "<no reply>";
    DBusMessageIter it, variant, tip;
    dbus_message_iter_init(reply, &it);
    dbus_message_iter_recurse(&it, &variant);
    dbus_message_iter_recurse(&variant, &tip);
    dbus_message_iter_next(&tip);
    dbus_message_iter_next(&tip);
    const char* title = "";
    dbus_message_iter_get_basic(&tip, &title);
    std::string out = title;
    dbus_message_unref(reply);
    return out;
  }
  bool ItemOnBus() {
    DBusError error;
    dbus_error_init(&error);
    bool owned = dbus_bus_name_has_owner(watcher_.Connection(), ItemName().c_str(), &error);
    dbus_error_free(&error);
    return owned;
  }
  size_t Registrations() { return watcher_.Calls().size(); }
  vcl::TForm* ShownMainForm() {
    vcl::TForm* main = nullptr;
    vcl::ApplicationCreateForm(main);
    main->Show();
    Pump();
    return main;
  }
  bool PumpFor(const std::function<bool()>& done, int limit_ms = 5000) {
    return testsupport::PumpUntil(done, {.serve = Pump, .limit_ms = limit_ms});
  }
  bool LogHas(size_t n) {
    return PumpFor([&] { return log_.size() >= n; });
  }

  testsupport::PrivateBus bus_;
  testsupport::FakeService watcher_{bus_.Address()};
  testsupport::FakeService notifications_{bus_.Address()};
  std::atomic<int> urgency_{-1};
  TqelTrayIcon* tray_ = nullptr;
  std::vector<std::string> log_;
};

TEST_F(qelTrayIcon, RegistersWithThePanelAndShowsItsTooltip) {
  tray_->SetHint(std::string(200, 'h'));
  tray_->SetVisible(true);
  ASSERT_EQ(watcher_.Calls().size(), 1u);
  std::string prefix = "org.kde.StatusNotifierItem-" + std::to_string(getpid()) + "-";
  EXPECT_EQ(ItemName().rfind(prefix, 0), 0u) << ItemName();
  EXPECT_TRUE(ItemOnBus());
  EXPECT_EQ(ToolTip(), std::string(127, 'h'));
  tray_->SetShowHint(false);
  EXPECT_EQ(ToolTip(), "");
  tray_->SetVisible(false);
  EXPECT_FALSE(ItemOnBus());
}

TEST_F(qelTrayIcon, AStoredVisibleIconIsAddedOnce) {
  vcl::TComponent root(nullptr);
  vcl::ReadFormText(&root,
                    "object TComponent\n  object T: TqelTrayIcon\n    Hint = 'stored'\n    IconID = 3\n"
                    "    Visible = True\n  end\nend\n");
  EXPECT_EQ(Registrations(), 1u);
  EXPECT_EQ(ToolTip(), "stored");
  tray_->SetVisible(true);  // the same identifier on another window is another icon
  EXPECT_EQ(Registrations(), 2u);
  EXPECT_EQ(ToolTip(), "");
}

TEST_F(qelTrayIcon, PanelClicksBecomeMouseEvents) {
  std::vector<std::string> menu_log;
  auto* menu = new RecordingMenu(vcl::Application, menu_log);
  tray_->SetPopupMenu(menu);
  tray_->SetVisible(true);

  Pointer("Activate", 10, 10);
  ASSERT_TRUE(LogHas(3));
  EXPECT_EQ(log_, (std::vector<std::string>{"down 0 10,10", "up 0", "click"}));
  EXPECT_TRUE(menu_log.empty());

  log_.clear();
  tray_->SetPopupByLeft(true);
  Pointer("Activate", 10, 10);
  ASSERT_TRUE(LogHas(4));
  EXPECT_EQ(log_, (std::vector<std::string>{"down 0 10,10", "up 0", "click", "menu"}));
  EXPECT_EQ(menu_log, (std::vector<std::string>{"popup 10,10 by TrayIcon1"}));

  log_.clear();
  Pointer("ContextMenu", 5, 6);
  ASSERT_TRUE(LogHas(3));
  EXPECT_EQ(log_, (std::vector<std::string>{"down 1 5,6", "up 1", "menu"}));
  EXPECT_EQ(menu_log.back(), "popup 5,6 by TrayIcon1");

  log_.clear();
  Pointer("SecondaryActivate", 1, 2);
  ASSERT_TRUE(LogHas(2));
  EXPECT_EQ(log_, (std::vector<std::string>{"down 2 1,2", "up 2"}));

  log_.clear();
  tray_->SetEnabled(false);
  Pointer("Activate", 10, 10);
  Pointer("ContextMenu", 10, 10);
  EXPECT_FALSE(PumpFor([&] { return !log_.empty(); }, 500));
  EXPECT_TRUE(ItemOnBus());
  delete menu;
  EXPECT_EQ(tray_->PopupMenu(), nullptr);
}

TEST_F(qelTrayIcon, APanelThatComesBackGetsTheIconAgain) {
  vcl::TForm* main = ShownMainForm();
  tray_->SetMinimizeToTray(true);
  plat::ShowWindow(main->Handle(), plat::SW_MINIMIZE);
  Pump();
  EXPECT_FALSE(main->Visible());
  EXPECT_TRUE(tray_->Visible());
  EXPECT_EQ(log_, (std::vector<std::string>{"minimize"}));
  ASSERT_EQ(Registrations(), 1u);

  watcher_.Release(kWatcher);
  ASSERT_TRUE(watcher_.Own(kWatcher));
  EXPECT_TRUE(PumpFor([&] { return Registrations() == 2; }));
  Pump();
  EXPECT_FALSE(main->Visible());  // still in the tray

  // Going away with the application hidden shows nothing.
  delete tray_;
  tray_ = nullptr;
  EXPECT_FALSE(main->Visible());
  EXPECT_FALSE(ItemOnBus());
}

TEST_F(qelTrayIcon, WithoutAPanelTheApplicationStays) {
  vcl::TForm* main = ShownMainForm();
  watcher_.Release(kWatcher);
  EXPECT_THROW(tray_->SetVisible(true), EqelTrayIcon);
  tray_->SetMinimizeToTray(true);
  plat::ShowWindow(main->Handle(), plat::SW_MINIMIZE);
  Pump();
  EXPECT_TRUE(main->Visible());
  EXPECT_TRUE(plat::IsIconic(main->Handle()));
  EXPECT_EQ(log_, (std::vector<std::string>{"error TrayIcon1.InsertToTray failed"}));

  // A watcher that says no panel is behind it counts as none.
  watcher_.On("Get", [](DBusMessage* call) {
    DBusMessage* reply = dbus_message_new_method_return(call);
    DBusMessageIter it, variant;
    dbus_message_iter_init_append(reply, &it);
    dbus_message_iter_open_container(&it, DBUS_TYPE_VARIANT, "b", &variant);
    dbus_bool_t no = false;
    dbus_message_iter_append_basic(&variant, DBUS_TYPE_BOOLEAN, &no);
    dbus_message_iter_close_container(&it, &variant);
    return reply;
  });
  ASSERT_TRUE(watcher_.Own(kWatcher));
  EXPECT_THROW(tray_->SetVisible(true), EqelTrayIcon);
  EXPECT_TRUE(main->Visible());
}

TEST_F(qelTrayIcon, BalloonsBecomeNotifications) {
  tray_->SetVisible(true);
  tray_->SetInfoTitle("T");
  tray_->SetInfoText("x");
  tray_->SetInfoType(tiiWarning);
  tray_->ShowBalloon();
  std::vector<std::string> calls = notifications_.Calls();
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].substr(calls[0].find(", 0, ")), ", 0, , T, x, <a>, <a>, 10000)");
  EXPECT_EQ(urgency_, 1);
  ASSERT_TRUE(LogHas(1));
  EXPECT_EQ(log_, (std::vector<std::string>{"balloon shown"}));

  auto emit = [this](const char* member, bool closed) {
    DBusMessage* signal =
        dbus_message_new_signal("/org/freedesktop/Notifications", "org.freedesktop.Notifications", member);
    dbus_uint32_t id = 7, reason = 1;
    const char* key = "default";
    if (closed)
      dbus_message_append_args(signal, DBUS_TYPE_UINT32, &id, DBUS_TYPE_UINT32, &reason, DBUS_TYPE_INVALID);
    else
      dbus_message_append_args(signal, DBUS_TYPE_UINT32, &id, DBUS_TYPE_STRING, &key, DBUS_TYPE_INVALID);
    notifications_.Send(signal);
  };
  emit("NotificationClosed", true);
  ASSERT_TRUE(LogHas(2));
  emit("ActionInvoked", false);
  ASSERT_TRUE(LogHas(3));
  EXPECT_EQ(log_, (std::vector<std::string>{"balloon shown", "balloon timeout", "balloon click"}));

  tray_->SetInfoTitle(std::string(80, 't'));
  tray_->SetInfoText(std::string(300, 'x'));
  tray_->SetInfoType(tiiError);
  tray_->ShowBalloon();
  calls = notifications_.Calls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_NE(calls[1].find(", 7, , " + std::string(63, 't') + ", " + std::string(255, 'x') + ", "),
            std::string::npos);
  EXPECT_EQ(urgency_, 2);
}

TEST_F(qelTrayIcon, CyclesThroughItsImageList) {
  auto* list = new vcl::TImageList(vcl::Application);
  tray_->OnCycleIcons = [this](vcl::TObject*) { log_.push_back(std::to_string(tray_->ImageIndex())); };
  tray_->SetImageList(list);
  tray_->SetCycleIcons(true);
  // An empty list: no step and no error.
  PumpFor([] { return false; }, 700);
  EXPECT_TRUE(log_.empty());

  vcl::TBitmap strip;
  strip.SetWidth(48);
  strip.SetHeight(16);
  list->AddMasked(&strip, vcl::clNone);
  ASSERT_EQ(list->Count(), 3);
  tray_->SetVisible(true);
  // Four steps of 200 ms on the real clock; a loaded machine may serve the timer late.
  ASSERT_TRUE(PumpFor([&] { return log_.size() >= 4; }, 20000)) << log_.size();
  EXPECT_EQ(std::vector<std::string>(log_.begin(), log_.begin() + 4),
            (std::vector<std::string>{"1", "2", "0", "1"}));
  EXPECT_NE(tray_->Icon(), nullptr);
  tray_->SetCycleIcons(false);
  delete list;
  EXPECT_EQ(tray_->ImageList(), nullptr);
}

TEST_F(qelTrayIcon, TwoIconsGoAwayInAnyOrder) {
  vcl::TForm* main = ShownMainForm();
  auto* second = new TqelTrayIcon(vcl::Application);
  second->SetIconID(1);
  tray_->SetMinimizeToTray(true);
  second->SetMinimizeToTray(true);
  delete tray_;
  tray_ = nullptr;
  plat::ShowWindow(main->Handle(), plat::SW_MINIMIZE);
  Pump();
  EXPECT_TRUE(second->Visible());
  delete second;
  plat::ShowWindow(main->Handle(), plat::SW_RESTORE);
  Pump();
}

}  // namespace
}  // namespace utility
