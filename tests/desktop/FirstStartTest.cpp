// The first start on a real screen: the stay-on-top start-up window, a message
// over it, then the device dialogs over it, answered by mouse and keys where
// they overlap it, and at last the main window, filling the work area.
#include <X11/keysym.h>

#include <fstream>
#include <sstream>

#include "desktop/DesktopFixture.h"

namespace desktop {
namespace {

using FirstStart = DesktopTest;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Overlap(const Rect& a, const Rect& b) {
  return a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() && b.y < a.Bottom();
}

TEST_P(FirstStart, DialogsOverTheStartupWindowTakeMouseAndKeysThenTheMainWindowFillsTheScreen) {
  // A stored output device that is gone: the program says so before it asks for the devices.
  ASSERT_TRUE(Launch(Registry(false, true)));
  const auto startup = Desk().WaitWindow(kStartupTitle, std::chrono::seconds(40));
  ASSERT_TRUE(startup) << "no start-up window; windows:" << Windows();

  // The message box over the start-up window takes its OK click.
  const auto box = Desk().WaitWindow(kMessageTitle);
  ASSERT_TRUE(box) << "no message about the missing device; windows:" << Windows();
  EXPECT_TRUE(Overlap(box->rect, startup->rect)) << "the message is not over the start-up window";
  const auto ok = MessageBoxButton(*box);
  ASSERT_TRUE(ok) << "no button in the message box";
  Desk().Click(ok->x, ok->y);
  Check(Desk().WaitGone(kMessageTitle), "the message box closes on its OK click");

  // The input dialog, over the start-up window and above it.
  const auto input = Desk().WaitWindow(kInputTitle);
  ASSERT_TRUE(input) << "no input device dialog; windows:" << Windows();
  const auto startup_now = Desk().FindWindow(kStartupTitle);
  ASSERT_TRUE(startup_now) << "the start-up window went away under the dialog";
  EXPECT_GT(input->stacking, startup_now->stacking) << "the dialog is under the stay-on-top start-up window";
  const FormLayout drvin = FormLayout::Load("DrvIn");
  const Rect thread = ControlRectOnScreen(*input, drvin, "radioThread");
  const Rect window = ControlRectOnScreen(*input, drvin, "radioWindow");
  ASSERT_TRUE(startup->rect.Contains(thread.x + 6, thread.CentreY()))
      << "the test wants the radio button over the start-up window";
  // The circles of both radio buttons: choosing Thread moves the dot.
  const Rect circles{window.x, window.y, thread.x + 16 - window.x, window.height};
  Desk().Settle(input->rect);
  const auto before = Desk().WaitSteady(circles);
  ASSERT_TRUE(before);
  Desk().Click(thread.x + 6, thread.CentreY());
  Check(Desk().WaitUntil([&] {
    const auto now = Desk().Grab(circles);
    return now && now->CountDifferent(*before, {thread.x, thread.y, 16, thread.height}) >= 3 &&
           now->CountDifferent(*before, {window.x, window.y, 16, window.height}) >= 3;
  }),
        "the Thread radio button takes the click over the start-up window (its dot moves there)");

  // OK over the start-up window: the choice is stored and the output dialog follows.
  const Point ok_button = ControlCentre(*input, drvin, "btnOk");
  EXPECT_TRUE(startup->rect.Contains(ok_button.x, ok_button.y));
  ClickControl(*input, drvin, "btnOk");
  Check(Desk().WaitGone(kInputTitle), "the input dialog closes on its OK click");
  Check(Desk().WaitUntil([&] {
    return ReadAll(Desk().Temp().File("registry.reg")).find("\"CBMode in\"=dword:00000002") !=
           std::string::npos;
  }),
        "the input callback chosen by mouse (Thread) is stored");

  // The output dialog answers the keyboard: Enter presses its default button.
  const auto output = Desk().WaitWindow(kOutputTitle);
  ASSERT_TRUE(output) << "no output device dialog; windows:" << Windows();
  Desk().Settle(output->rect);
  Desk().Press(XK_Return);
  Check(Desk().WaitGone(kOutputTitle), "the output dialog closes on Enter");

  // The main window, maximised: it fills the work area.
  const auto main = Desk().WaitWindow(kMainTitle, std::chrono::seconds(30));
  ASSERT_TRUE(main) << "no main window; windows:" << Windows();
  Check(Desk().WaitGone(kStartupTitle), "the start-up window closes once start-up is done");
  const Rect work = Desk().WorkArea();
  Rect shown = main->rect;
  Desk().WaitUntil([&] {
    const auto now = Desk().FindWindow(kMainTitle);
    if (now) shown = now->rect;
    return now && shown.x == work.x && shown.y == work.y && shown.width == work.width &&
           shown.height == work.height;
  });
  EXPECT_TRUE(shown.x == work.x && shown.y == work.y && shown.width == work.width &&
              shown.height == work.height)
      << "the main window opens maximised: it is " << Describe(shown) << ", the work area " << Describe(work);
}

QUELLIX_DESKTOP_MODES(FirstStart);

}  // namespace
}  // namespace desktop
