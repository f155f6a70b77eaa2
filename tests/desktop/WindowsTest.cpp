// How the program's windows stand on a real screen: a modal dialog blocks its
// owner, stay-on-top windows stay above normal ones and their own dialogs
// above them, and dialogs open centred on their owner.
#include <X11/keysym.h>

#include <thread>

#include "desktop/DesktopFixture.h"

namespace desktop {
namespace {

// The main window's Generator button, in its bottom bar that the window centres.
Point GeneratorButton(const TopWindow& main) {
  const FormLayout form = FormLayout::Load("MainForm");
  const auto bar = form.Control("pan_buttons");
  const auto button = form.Control("btn_Generator");
  if (!bar || !button) return {};
  const int bar_left = main.rect.x + 4 + (main.rect.width - bar->width) / 2;
  return {bar_left + (button->left - bar->left) + button->width / 2, main.rect.Bottom() - 26};
}

using ModalDialog = DesktopTest;

TEST_P(ModalDialog, ClicksOnTheOwnerDoNothingAndTheDialogKeepsTopAndFocus) {
  const auto main = LaunchToMainWindow();
  ASSERT_TRUE(main);
  // The lower part of the main window, where the Generator button opens its page.
  const Rect lower{main->rect.x, main->rect.Bottom() - 140, main->rect.width, 140};
  ASSERT_TRUE(ChooseMenuItem(*main, 6, 1));  // Preferences > Input Device, a modal dialog
  const auto dialog = Desk().WaitWindow(kInputTitle);
  ASSERT_TRUE(dialog) << "no input dialog; windows:" << Windows();
  Desk().Settle(dialog->rect);
  const auto before = Desk().WaitSteady(lower);
  ASSERT_TRUE(before);

  const Point generator = GeneratorButton(*main);
  ASSERT_FALSE(dialog->rect.Contains(generator.x, generator.y))
      << "the test wants the button beside the dialog";
  Desk().Click(generator.x, generator.y);
  const auto titles = MenuTitles(*main);
  ASSERT_GE(titles.size(), 1u);
  Desk().Click(titles[0].CentreX(), titles[0].CentreY());
  // Nothing is to come of the clicks; give the program time to show it if it did.
  EXPECT_FALSE(Desk().WaitChange(*before, 200, std::chrono::milliseconds(1500)))
      << "the main window changed under the modal dialog: the Generator button took the click";
  EXPECT_FALSE(ShownMenu()) << "a menu of the main window opened under the modal dialog";
  const auto now = Desk().FindWindow(kInputTitle);
  ASSERT_TRUE(now) << "the dialog went away";
  const auto main_now = Desk().FindWindow(kMainTitle);
  ASSERT_TRUE(main_now);
  EXPECT_GT(now->stacking, main_now->stacking) << "the owner came above its modal dialog";
  const Window focus = Desk().Focus();
  EXPECT_TRUE(focus == now->id || focus == now->frame) << "the dialog lost the keyboard focus to " << focus;
  // Keys still go to the dialog: Enter presses its default button.
  Desk().Press(XK_Return);
  Check(Desk().WaitGone(kInputTitle), "Enter closes the dialog that kept the focus");
}

class StayOnTop : public DesktopTest {
 protected:
  // Clicks at (x, y), where `lower` shows, and checks that `upper` still stands above it.
  void ExpectStillAboveAfterClick(int x, int y, const char* upper, const char* lower) {
    Desk().Click(x, y);
    // Nothing is to come of the click; give the program time to restack if it did.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto top = Desk().FindWindow(upper);
    const auto bottom = Desk().FindWindow(lower);
    ASSERT_TRUE(top && bottom) << "windows:" << Windows();
    EXPECT_GT(top->stacking, bottom->stacking)
        << "a click on \"" << lower << "\" put it above \"" << upper << "\"";
  }
};

TEST_P(StayOnTop, TheStartupWindowStaysAboveNormalWindowsAndItsDialogAboveIt) {
  // A first start with a message: the message is the start-up window's own dialog.
  ASSERT_TRUE(Launch(Registry(true, true)));
  const auto box = Desk().WaitWindow(kMessageTitle, std::chrono::seconds(40));
  ASSERT_TRUE(box) << "no message; windows:" << Windows();
  const auto startup = Desk().FindWindow(kStartupTitle);
  ASSERT_TRUE(startup) << "no start-up window under the message; windows:" << Windows();
  EXPECT_GT(box->stacking, startup->stacking) << "the message is under the stay-on-top start-up window";
  // A click on the start-up window beside the message does not bring it above the message.
  const int x = startup->rect.x + 12 < box->rect.x ? startup->rect.x + 12 : startup->rect.Right() - 12;
  ExpectStillAboveAfterClick(x, startup->rect.Bottom() - 12, kMessageTitle, kStartupTitle);
  const auto ok = MessageBoxButton(*box);
  ASSERT_TRUE(ok);
  Desk().Click(ok->x, ok->y);
  ASSERT_TRUE(Desk().WaitGone(kMessageTitle)) << "the message did not close on OK";

  // Once started: the About window (the start-up window again) stays above the
  // main window when the main window is clicked.
  auto main = Desk().WaitWindow(kMainTitle, std::chrono::seconds(30));
  ASSERT_TRUE(main) << "no main window; windows:" << Windows();
  ASSERT_TRUE(Desk().WaitGone(kStartupTitle));
  Desk().WaitUntil(
      [&] { return MenuTitles(*(main = Desk().FindWindow(kMainTitle).value_or(*main))).size() >= 10; });
  ASSERT_TRUE(ChooseMenuItem(*main, 9, 4));  // Info > About
  const auto about = Desk().WaitWindow(kStartupTitle);
  ASSERT_TRUE(about) << "About did not show; windows:" << Windows();
  const auto main_now = Desk().FindWindow(kMainTitle);
  ASSERT_TRUE(main_now);
  EXPECT_GT(about->stacking, main_now->stacking) << "the About window opened under the main window";
  // A click into the main window's spectrum, away from the About window. Not
  // under openbox: it takes an undecorated window that fills the whole screen
  // (the maximised main window on a desktop without a panel) for an old-style
  // full-screen one and lifts it above stay-on-top windows while it has the focus.
  if (GetParam() == WindowManager::kNone) {
    const int cx = about->rect.x > main->rect.x + 120 ? main->rect.x + 60 : main->rect.Right() - 60;
    ExpectStillAboveAfterClick(cx, main->rect.CentreY(), kStartupTitle, kMainTitle);
  }
  ClickControl(*about, FormLayout::Load("InfoForm"), "Button1");
  Check(Desk().WaitGone(kStartupTitle), "the About window closes on its Close button");
}

using Placement = DesktopTest;

TEST_P(Placement, TheMainWindowFillsTheWorkAreaAndADialogOpensCentredOnIt) {
  const auto main = LaunchToMainWindow();
  ASSERT_TRUE(main);
  const Rect work = Desk().WorkArea();
  EXPECT_TRUE(main->rect.x == work.x && main->rect.y == work.y && main->rect.width == work.width &&
              main->rect.height == work.height)
      << "the main window opens maximised: it is " << Describe(main->rect) << ", the work area "
      << Describe(work);
  struct Case {
    int item;
    const char* title;
    const char* form;
    const char* button;
  };
  for (const Case& c : {Case{1, kInputTitle, "DrvIn", "btnCancel"},
                        Case{4, "Correlation Meter Settings", "Corre", "btn_okay"}}) {
    const char* const title = c.title;
    const int item = c.item;
    SCOPED_TRACE(title);
    const auto owner = Desk().FindWindow(kMainTitle);
    ASSERT_TRUE(owner);
    ASSERT_TRUE(ChooseMenuItem(*owner, 6, item));
    const auto dialog = Desk().WaitWindow(title);
    ASSERT_TRUE(dialog) << "no dialog; windows:" << Windows();
    EXPECT_LE(std::abs(dialog->rect.CentreX() - owner->rect.CentreX()), 2)
        << "dialog " << Describe(dialog->rect) << ", owner " << Describe(owner->rect);
    EXPECT_LE(std::abs(dialog->rect.CentreY() - owner->rect.CentreY()), 2)
        << "dialog " << Describe(dialog->rect) << ", owner " << Describe(owner->rect);
    Desk().Settle(dialog->rect);
    ClickControl(*dialog, FormLayout::Load(c.form), c.button);
    ASSERT_TRUE(Desk().WaitGone(title)) << "the dialog did not close on its button";
  }
}

QUELLIX_DESKTOP_MODES(ModalDialog);
QUELLIX_DESKTOP_MODES(StayOnTop);
QUELLIX_DESKTOP_MODES(Placement);

}  // namespace
}  // namespace desktop
