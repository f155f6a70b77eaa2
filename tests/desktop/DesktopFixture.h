#pragma once
// The fixture of the desktop tests: one private screen and one fresh program
// per test, run once without a window manager and once under openbox. It
// finds what a person sees: the main window, the menu titles in its menu bar,
// the items of an open menu, a form's controls where the program draws them.
// A failing test leaves a screenshot and the program's complaints.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/FormLayout.h"
// Last: Xlib's macros.
#include "desktop/DesktopSession.h"

namespace desktop {

struct Point {
  int x = 0, y = 0;
};

// The window titles the tests look for.
inline constexpr const char* kMainTitle = "Sonavex pro Lab";
inline constexpr const char* kStartupTitle = "Programm Info";
inline constexpr const char* kInputTitle = "Input Preferences";
inline constexpr const char* kOutputTitle = "Output Preferences";
inline constexpr const char* kMessageTitle = "Sonavex pro 4.6";

// The registry a program starts with: with the devices chosen it has been
// started before; with the output gone its stored output device is one the
// machine does not have, which the program tells in a message at start.
std::string Registry(bool devices_chosen, bool output_gone);

class DesktopTest : public ::testing::TestWithParam<WindowManager> {
 protected:
  void SetUp() override;
  void TearDown() override;

  DesktopSession& Desk() { return *session_; }
  // Starts the program with `registry` (empty: a first start); false after a failure.
  bool Launch(const std::string& registry);
  // Starts a program whose devices are chosen and waits until its main window
  // is shown and the start-up window has closed.
  std::optional<TopWindow> LaunchToMainWindow();

  // The centre of a form's control on the screen, with the form shown as `window`.
  Point ControlCentre(const TopWindow& window, const FormLayout& form, const std::string& control);
  Rect ControlRectOnScreen(const TopWindow& window, const FormLayout& form, const std::string& control);
  void ClickControl(const TopWindow& window, const FormLayout& form, const std::string& control);
  // The close box of the caption the program draws.
  Point CloseBox(const TopWindow& window);

  // The menu titles of the main window's menu bar, read from its pixels, left to right.
  std::vector<Rect> MenuTitles(const TopWindow& main);
  // Clicks a menu title and waits for its menu to be drawn; gives its item rows too.
  std::optional<TopWindow> OpenMenu(const Rect& title, std::vector<Rect>* items = nullptr);
  // The rows of a shown menu's items (separators left out), top to bottom.
  std::vector<Rect> MenuItems(const TopWindow& menu);
  // Opens menu → item (→ sub-item, or -1) by mouse, by their positions (separators
  // left out); false with a failure when a step is not seen.
  bool ChooseMenuItem(const TopWindow& main, int menu, int item, int sub_item = -1);
  // Rows of `area` with text in columns [from_x, to_x), each row against its
  // own background at ground_x.
  std::vector<Rect> TextRows(const Rect& area, int ground_x, int from_x, int to_x);
  // Columns of `row` that hold text, against the background at its right end.
  std::vector<int> InkColumns(const Rect& row);
  // An open menu of the program, if any.
  std::optional<TopWindow> ShownMenu();
  // The one button of a message box, found by its frame under the text.
  std::optional<Point> MessageBoxButton(const TopWindow& box);

  // What is on the screen, for a failure message.
  std::string Windows();
  // Fails with the screen saved when `ok` does not hold.
  void Check(bool ok, const std::string& what);

  std::unique_ptr<DesktopSession> session_;
  bool launched_ = false;
  int checks_failed_ = 0;
};

// The parameter's name in the test names.
std::string ModeParamName(const ::testing::TestParamInfo<WindowManager>& info);

int Luminance(uint32_t rgb);

}  // namespace desktop

// Each suite runs without a window manager and under openbox, as separate
// CTest entries (NoWm/Suite and Openbox/Suite), so they run side by side.
#define QUELLIX_DESKTOP_MODES(Suite)                                                              \
  INSTANTIATE_TEST_SUITE_P(NoWm, Suite, ::testing::Values(::desktop::WindowManager::kNone),       \
                           ::desktop::ModeParamName);                                             \
  INSTANTIATE_TEST_SUITE_P(Openbox, Suite, ::testing::Values(::desktop::WindowManager::kOpenbox), \
                           ::desktop::ModeParamName)
