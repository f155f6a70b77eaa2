// The main window's menus by mouse on a real screen: every item that opens a
// window opens it, the window answers its button, and menus opened and
// closed hundreds of times in a row leave the program alive and without an X
// error.
#include <X11/keysym.h>

#include <cstdio>

#include "desktop/DesktopFixture.h"

namespace desktop {
namespace {

// How a test answers a window: a button of its form, the box of a message,
// or the close box of the caption the program draws.
struct Answer {
  const char* form = nullptr;     // the form description; null: not a form of ours
  const char* control = nullptr;  // its button; null: the caption's close box
  bool message_box = false;
  bool file_dialog = false;  // the Cancel button in the lower right corner
};

struct MenuCase {
  int menu;           // position of the title in the menu bar
  int item;           // position of the item in its menu, separators left out
  int sub_item;       // position in the item's own menu, or -1
  const char* what;   // for messages: the menu path
  const char* title;  // the window it opens
  Answer answer;
};

// The items of the menu bar that open a window. Items that start another
// program (help, mail, the mixer) or only change the analysis are left out.
const MenuCase kCases[] = {
    {0,
     0,
     -1,
     "File > Load Analyzer Setting",
     "Load Sonavex Project File Data",
     {nullptr, nullptr, false, true}},
    {0,
     1,
     -1,
     "File > Save Analyzer Setting",
     "Save Sonavex Project File Data",
     {nullptr, nullptr, false, true}},
    {0, 2, -1, "File > Save Settings as Default", kMessageTitle, {nullptr, nullptr, true}},
    {1, 3, -1, "Analyzer Functions > LEQ calculator", "LEQ (m) calculator", {}},
    {4, 12, -1, "Analyzer Data > Analyzer Editor", "Load Keyboard short cut", {}},
    {6, 1, -1, "Preferences > Input Device", kInputTitle, {"DrvIn", "btnCancel"}},
    {6, 2, -1, "Preferences > Output Device", kOutputTitle, {"DrvOut", "btnCancel"}},
    {6, 3, -1, "Preferences > Spectrum outfit", "Outfit preference", {"OutfitSpec", "Button2"}},
    {6, 4, -1, "Preferences > Correlation Settings", "Correlation Meter Settings", {"Corre", "btn_okay"}},
    {6, 5, -1, "Preferences > Level Settings", "Levels settings", {"OutfitL", "Button1"}},
    {6,
     6,
     0,
     "Preferences > Multi Audio Drivers > Select Audio Driver",
     "Multi Mode Input Setup",
     {"multi", "btnCancel"}},
    {7, 0, -1, "Mp3/wav tools > Convert Mp3 to Wav", "MP3 To Wave file", {}},
    {7, 1, -1, "Mp3/wav tools > Convert Wav to Mp3", "Wave to Mp3 file ", {}},
    {7, 2, -1, "Mp3/wav tools > Normalize wave files", "Normalize Wave file", {}},
    {7,
     3,
     -1,
     "Mp3/wav tools > Splitt Stereo into 2 mono files",
     "Split Stereo Wave file in two Mono files",
     {}},
    {7, 4, -1, "Mp3/wav tools > Swap left with rigth channel", "Swap channels in a wave file", {}},
    {8, 0, -1, "Printer > Printer Setup", "Print", {}},
    {8, 1, -1, "Printer > Print Spectrum Setup", "Printer input", {}},
    {9, 1, -1, "Info > Short Keys", "Short Keys", {"ShortKeys", "Button1"}},
    {9, 4, -1, "Info > About", kStartupTitle, {"InfoForm", "Button1"}},
};

constexpr int kMenuTitles = 10;  // File ... Info

class Menus : public DesktopTest {
 protected:
  void AnswerWindow(const TopWindow& window, const Answer& answer) {
    Desk().Settle(window.rect);
    if (answer.message_box) {
      const auto button = MessageBoxButton(window);
      ASSERT_TRUE(button) << "no button in the message box";
      Desk().Click(button->x, button->y);
    } else if (answer.file_dialog) {
      Desk().Click(window.rect.Right() - 51, window.rect.Bottom() - 25);
    } else if (answer.control) {
      ClickControl(window, FormLayout::Load(answer.form), answer.control);
    } else {
      const Point box = CloseBox(window);
      Desk().Click(box.x, box.y);
    }
  }
};

TEST_P(Menus, EveryItemThatOpensAWindowOpensItAndTheWindowAnswersTheMouse) {
  const auto main = LaunchToMainWindow();
  ASSERT_TRUE(main);
  for (const MenuCase& c : kCases) {
    SCOPED_TRACE(c.what);
    const auto now = Desk().FindWindow(kMainTitle);
    ASSERT_TRUE(now) << "the main window went away";
    if (!ChooseMenuItem(*now, c.menu, c.item, c.sub_item)) {
      Desk().Press(XK_Escape);
      Desk().Press(XK_Escape);
      continue;
    }
    const auto window = Desk().WaitWindow(c.title);
    if (!window) {
      ADD_FAILURE() << "\"" << c.title << "\" did not appear; windows:" << Windows() << "\nscreen: "
                    << Desk().SaveScreen(std::string("menu-") + std::to_string(c.menu) + "-" +
                                         std::to_string(c.item));
      Desk().Press(XK_Escape);
      Desk().Press(XK_Escape);
      continue;
    }
    EXPECT_FALSE(ShownMenu()) << "a menu stays open over \"" << c.title << "\"";
    AnswerWindow(*window, c.answer);
    if (!Desk().WaitGone(c.title)) {
      ADD_FAILURE() << "\"" << c.title << "\" did not close on its button; screen: "
                    << Desk().SaveScreen(std::string("answer-") + std::to_string(c.menu) + "-" +
                                         std::to_string(c.item));
      Desk().AskToClose(window->id);
      Desk().WaitGone(c.title);
    }
    ASSERT_TRUE(Desk().ProgramAlive()) << "the program ended; its errors:\n" << Desk().ProgramErrors();
  }
}

using MenuRounds = Menus;

// Round after round as a person clicks: a menu title, Escape, the next title,
// an item that opens a dialog, its Cancel button. Nothing waits longer than it
// takes the program to show each step.
TEST_P(MenuRounds, FiveHundredRoundsOfMenusAndADialogLeaveTheProgramAliveWithoutAnXError) {
  constexpr int kRounds = 500;
  const auto main = LaunchToMainWindow();
  ASSERT_TRUE(main);
  const auto titles = MenuTitles(*main);
  ASSERT_EQ(static_cast<int>(titles.size()), kMenuTitles);
  const FormLayout drvin = FormLayout::Load("DrvIn");
  const auto started = Clock::now();
  for (int round = 0; round < kRounds; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // Any title but Preferences, then Escape closes it.
    const Rect& first = titles[static_cast<size_t>(round % 6)];
    ASSERT_TRUE(OpenMenu(first)) << "the menu did not open; windows:" << Windows();
    Desk().Press(XK_Escape);
    ASSERT_TRUE(Desk().WaitUntil([&] { return !ShownMenu(); })) << "Escape did not close the menu";
    // Preferences > Input Device, then its Cancel.
    std::vector<Rect> items;
    const auto popup = OpenMenu(titles[6], &items);
    ASSERT_TRUE(popup) << "Preferences did not open; windows:" << Windows();
    ASSERT_GT(items.size(), 1u);
    Desk().Click(popup->rect.x + 40, items[1].CentreY());
    const auto dialog = Desk().WaitWindow(kInputTitle);
    ASSERT_TRUE(dialog) << "the input dialog did not open; windows:" << Windows();
    // Drawn before it is answered; no pause beyond that, so a click the
    // program takes too early is lost here first.
    Desk().WaitSteady(dialog->rect);
    const Rect cancel = ControlRectOnScreen(*dialog, drvin, "btnCancel");
    Desk().Click(cancel.CentreX(), cancel.CentreY());
    ASSERT_TRUE(Desk().WaitGone(kInputTitle)) << "Cancel did not close the dialog";
    ASSERT_TRUE(Desk().ProgramAlive()) << "the program ended; its errors:\n" << Desk().ProgramErrors();
  }
  const long long ms = MillisecondsSince(started);
  std::printf("%d rounds in %.1f s (%.0f ms a round)\n", kRounds, ms / 1000.0,
              static_cast<double>(ms) / kRounds);
  RecordProperty("rounds_ms", static_cast<int>(ms));
  EXPECT_TRUE(Desk().ProgramFaults().empty()) << Desk().ProgramErrors();
}

QUELLIX_DESKTOP_MODES(Menus);
QUELLIX_DESKTOP_MODES(MenuRounds);

}  // namespace
}  // namespace desktop
