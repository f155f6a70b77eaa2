#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "platform/kernel/Modules.h"
#include "platform/user/ComboBox.h"
#include "platform/user/ScrollBar.h"
#include "platform/user/UserModule.h"

using namespace plat;

namespace {

class UserModule : public usertest::ControlTest {
 protected:
  void TearDown() override {
    RegisterUserModule();
    ControlTest::TearDown();
  }
};

// Callers bind these at run time and take a missing one as "not available".
TEST_F(UserModule, LooksUpTheOptionalEntryPointsByName) {
  RegisterUserModule();
  HMODULE user = LoadLibraryA("user32.dll");
  ASSERT_NE(user, nullptr);
  using ScrollBarInfoFn = BOOL (*)(HWND, LONG, SCROLLBARINFO*);
  using TrackFn = BOOL (*)(TRACKMOUSEEVENT*);
  using ComboInfoFn = BOOL (*)(HWND, COMBOBOXINFO*);
  auto scroll_info = reinterpret_cast<ScrollBarInfoFn>(GetProcAddress(user, "GetScrollBarInfo"));
  auto track = reinterpret_cast<TrackFn>(GetProcAddress(user, "TrackMouseEvent"));
  auto combo_info = reinterpret_cast<ComboInfoFn>(GetProcAddress(user, "GetComboBoxInfo"));
  ASSERT_NE(scroll_info, nullptr);
  ASSERT_NE(track, nullptr);
  ASSERT_NE(combo_info, nullptr);

  HWND bar = Child(WC_SCROLLBARA, "", SBS_VERT, 10, 10, 20, 200, 9);
  SCROLLBARINFO through, direct;
  ASSERT_TRUE(scroll_info(bar, OBJID_CLIENT, &through));
  ASSERT_TRUE(GetScrollBarInfo(bar, OBJID_CLIENT, &direct));
  EXPECT_EQ(through.rcScrollBar.bottom, direct.rcScrollBar.bottom);
  EXPECT_EQ(through.xyThumbBottom, direct.xyThumbBottom);

  HWND combo = Child(WC_COMBOBOXA, "", CBS_DROPDOWNLIST, 10, 220, 120, 100, 10);
  COMBOBOXINFO info;
  ASSERT_TRUE(combo_info(combo, &info));
  EXPECT_EQ(info.hwndCombo, combo);

  TRACKMOUSEEVENT leave;
  leave.cbSize = sizeof leave;
  leave.dwFlags = TME_LEAVE;
  leave.hwndTrack = bar;
  EXPECT_TRUE(track(&leave));
  FreeLibrary(user);
}

TEST_F(UserModule, AModuleWithoutTheEntryPointsAnswersNone) {
  RegisterBuiltinModule("USER32.DLL", {});
  HMODULE user = LoadLibraryA("USER32.DLL");
  ASSERT_NE(user, nullptr);
  for (const char* name : {"GetScrollBarInfo", "TrackMouseEvent", "GetComboBoxInfo"})
    EXPECT_EQ(GetProcAddress(user, name), nullptr) << name;
  FreeLibrary(user);
}

}  // namespace
