#include "desktop/DesktopFixture.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

namespace desktop {

namespace {

bool OnPath(const char* program) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');)
    if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
  return false;
}

}  // namespace

std::string Registry(bool devices_chosen, bool output_gone) {
  std::string text =
      "Quellix Registry Store 1\n\n"
      "[HKEY_CURRENT_USER\\Vantorel]\n\n"
      "[HKEY_CURRENT_USER\\Vantorel\\Sonavex Pro Lab]\n";
  if (devices_chosen) text += "\"soundIn\"=dword:00000001\n\"soundOut\"=dword:00000001\n";
  if (output_gone) text += "\"DeviceID out\"=dword:00000007\n\"DeviceName out\"=\"Gone Output\"\n";
  return text;
}

int Luminance(uint32_t rgb) {
  return static_cast<int>((((rgb >> 16) & 0xFF) * 299 + ((rgb >> 8) & 0xFF) * 587 + (rgb & 0xFF) * 114) /
                          1000);
}

std::string ModeParamName(const ::testing::TestParamInfo<WindowManager>& info) {
  return ModeName(info.param);
}

void DesktopTest::SetUp() {
  if (!OnPath("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  if (GetParam() == WindowManager::kOpenbox && !OnPath("openbox")) GTEST_SKIP() << "openbox is not installed";
  session_ = std::make_unique<DesktopSession>(SessionOptions{GetParam(), ""});
}

void DesktopTest::TearDown() {
  if (!session_ || !launched_) return;
  if (HasFailure()) {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    std::replace(name.begin(), name.end(), '/', '-');
    std::printf("screen at the failure: %s\nwindows: %s\n", Desk().SaveScreen(name).c_str(),
                Windows().c_str());
  }
  EXPECT_TRUE(Desk().ProgramAlive()) << "the program ended during the test (" << Desk().ProgramEnd()
                                     << "); its errors:\n"
                                     << Desk().ProgramErrors();
  Desk().StopProgram();
  const std::string faults = Desk().ProgramFaults();
  EXPECT_TRUE(faults.empty()) << "the program reported:\n"
                              << faults << "\nall it wrote:\n"
                              << Desk().ProgramErrors();
}

bool DesktopTest::Launch(const std::string& registry) {
  session_ = std::make_unique<DesktopSession>(SessionOptions{GetParam(), registry});
  std::string why;
  if (!Desk().StartScreen(&why)) {
    ADD_FAILURE() << "no private screen: " << why;
    return false;
  }
  if (!Desk().StartProgram(&why)) {
    ADD_FAILURE() << why;
    return false;
  }
  launched_ = true;
  return true;
}

std::optional<TopWindow> DesktopTest::LaunchToMainWindow() {
  if (!Launch(Registry(true, false))) return std::nullopt;
  auto main = Desk().WaitWindow(kMainTitle, std::chrono::seconds(40));
  Check(main.has_value(), "the main window appears");
  if (!main) return std::nullopt;
  Check(Desk().WaitGone(kStartupTitle), "the start-up window closes once start-up is done");
  // Drawn: its menu bar shows the titles.
  Desk().WaitUntil(
      [&] { return MenuTitles(*(main = Desk().FindWindow(kMainTitle).value_or(*main))).size() >= 10; });
  return Desk().FindWindow(kMainTitle);
}

Rect DesktopTest::ControlRectOnScreen(const TopWindow& window, const FormLayout& form,
                                      const std::string& control) {
  const auto c = form.Control(control);
  if (!c) {
    ADD_FAILURE() << "the form description has no " << control;
    return {};
  }
  // The program draws its own frame: equal borders left, right and below,
  // the caption above.
  int left = 4, top = 22;
  if (form.ClientWidth() > 0 && form.ClientHeight() > 0) {
    left = (window.rect.width - form.ClientWidth()) / 2;
    top = window.rect.height - form.ClientHeight() - left;
  }
  return {window.rect.x + left + c->left, window.rect.y + top + c->top, c->width, c->height};
}

Point DesktopTest::ControlCentre(const TopWindow& window, const FormLayout& form,
                                 const std::string& control) {
  const Rect r = ControlRectOnScreen(window, form, control);
  return {r.CentreX(), r.CentreY()};
}

void DesktopTest::ClickControl(const TopWindow& window, const FormLayout& form, const std::string& control) {
  const Point p = ControlCentre(window, form, control);
  Desk().Click(p.x, p.y);
}

Point DesktopTest::CloseBox(const TopWindow& window) {
  return {window.rect.Right() - 15, window.rect.y + 10};
}

std::vector<Rect> DesktopTest::MenuTitles(const TopWindow& main) {
  std::vector<Rect> titles;
  const auto image = Desk().Grab(main.rect);
  if (!image) return titles;
  // Down a column right of the titles: past the frame's top line, through the
  // dark caption, then the light menu bar until the line under it.
  const int x = main.rect.Right() - 80;
  int y = main.rect.y;
  const auto lum = [&](int yy) { return Luminance(image->At(x, yy)); };
  while (y < main.rect.Bottom() && lum(y) >= 0x90) ++y;
  while (y < main.rect.Bottom() && lum(y) < 0x90) ++y;
  const int top = y;
  while (y < main.rect.Bottom() && lum(y) >= 0x90) ++y;
  const int bottom = y;
  if (bottom - top < 10 || bottom - top > 40) return titles;
  // Columns with dark text; a gap wider than a word space ends a title.
  const int from = main.rect.x + 6, to = main.rect.Right() - 6;
  int start = -1, last = -1;
  for (int cx = from; cx < to; ++cx) {
    bool ink = false;
    for (int cy = top; cy < bottom && !ink; ++cy) ink = Luminance(image->At(cx, cy)) < 0x60;
    if (!ink) continue;
    if (start >= 0 && cx - last > 7) {
      titles.push_back({start, top, last + 1 - start, bottom - top});
      start = -1;
    }
    if (start < 0) start = cx;
    last = cx;
  }
  if (start >= 0) titles.push_back({start, top, last + 1 - start, bottom - top});
  return titles;
}

bool DesktopTest::ChooseMenuItem(const TopWindow& main, int menu, int item, int sub_item) {
  const auto titles = MenuTitles(main);
  if (titles.size() < 10) {
    ADD_FAILURE() << "the menu bar shows " << titles.size() << " titles";
    return false;
  }
  std::vector<Rect> items;
  const auto popup = OpenMenu(titles[static_cast<size_t>(menu)], &items);
  if (!popup) {
    ADD_FAILURE() << "menu " << menu << " did not open; windows:" << Windows();
    return false;
  }
  if (std::getenv("QUELLIX_DESKTOP_TRACE")) {
    std::printf("menu %d at %s:", menu, Describe(popup->rect).c_str());
    for (const Rect& r : items) std::printf(" %d+%d", r.y, r.height);
    std::printf("\n");
  }
  if (item >= static_cast<int>(items.size())) {
    ADD_FAILURE() << "menu " << menu << " shows " << items.size() << " items";
    return false;
  }
  const Rect& row = items[static_cast<size_t>(item)];
  Desk().Click(row.x + 40, row.CentreY());
  if (sub_item < 0) return true;
  // The item's own menu opens beside it.
  std::optional<TopWindow> sub;
  Desk().WaitUntil([&] {
    for (auto& w : Desk().Windows())
      if (w.override_redirect && w.rect.x >= popup->rect.Right() - 10 && !MenuItems(w).empty()) sub = w;
    return sub.has_value();
  });
  if (!sub) {
    ADD_FAILURE() << "the item's own menu did not open; windows:" << Windows();
    return false;
  }
  const auto sub_items = MenuItems(*sub);
  if (sub_item >= static_cast<int>(sub_items.size())) return false;
  Desk().Click(sub->rect.x + 40, sub_items[static_cast<size_t>(sub_item)].CentreY());
  return true;
}

std::optional<TopWindow> DesktopTest::ShownMenu() {
  std::optional<TopWindow> menu;
  for (auto& w : Desk().Windows())
    if (w.override_redirect && w.title != kStartupTitle) menu = w;
  return menu;
}

std::optional<TopWindow> DesktopTest::OpenMenu(const Rect& title, std::vector<Rect>* items) {
  Desk().Click(title.CentreX(), title.CentreY());
  std::optional<TopWindow> menu;
  std::vector<Rect> rows;
  // Drawn when the same rows of items show twice in a row.
  const auto same = [](const std::vector<Rect>& a, const std::vector<Rect>& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](const Rect& p, const Rect& q) { return p.y == q.y && p.height == q.height; });
  };
  Desk().WaitUntil([&] {
    std::optional<TopWindow> found;
    std::vector<Rect> now;
    for (auto& w : Desk().Windows())
      if (w.override_redirect && w.rect.y >= title.Bottom() - 4 && std::abs(w.rect.x - title.x) < 60 &&
          !(now = MenuItems(w)).empty())
        found = w;
    if (found && menu && found->id == menu->id && same(now, rows)) return true;
    menu = found;
    rows = now;
    return false;
  });
  if (menu && rows.empty()) menu.reset();
  if (items) *items = rows;
  return menu;
}

std::vector<Rect> DesktopTest::TextRows(const Rect& r, int ground_x, int from_x, int to_x) {
  std::vector<Rect> rows;
  const auto image = Desk().Grab(r);
  if (!image || !image->area.Contains(ground_x, r.y)) return rows;
  int band = -1;
  for (int y = r.y + 2; y <= r.Bottom() - 2; ++y) {
    bool ink = false;
    if (y < r.Bottom() - 2) {
      // Text against its row's own background: a highlighted row is light on dark.
      const int ground = Luminance(image->At(ground_x, y));
      for (int x = from_x; x < to_x && !ink; ++x) ink = std::abs(Luminance(image->At(x, y)) - ground) > 0x50;
    }
    if (ink && band < 0) band = y;
    if (!ink && band >= 0) {
      rows.push_back({r.x, band, r.width, y - band});
      band = -1;
    }
  }
  return rows;
}

std::vector<Rect> DesktopTest::MenuItems(const TopWindow& menu) {
  const Rect& r = menu.rect;
  std::vector<Rect> items;
  // An accelerator's underline stands a row below its text: one item.
  for (const Rect& row : TextRows(r, r.x + 5, r.x + 20, r.Right() - 20)) {
    if (!items.empty() && row.y - items.back().Bottom() <= 2)
      items.back().height = row.Bottom() - items.back().y;
    else
      items.push_back(row);
  }
  // Until the menu has drawn itself, its window shows what was under it:
  // rows of other heights than a line of text.
  for (const Rect& item : items)
    if (item.height < 5 || item.height > 16) return {};
  return items;
}

std::vector<int> DesktopTest::InkColumns(const Rect& row) {
  std::vector<int> columns;
  const auto image = Desk().Grab(row);
  if (!image) return columns;
  // Against the row's background at its right end, row by row.
  const int ground_x = image->area.Right() - 1;
  for (int x = image->area.x; x < ground_x; ++x)
    for (int y = image->area.y; y < image->area.Bottom(); ++y)
      if (std::abs(Luminance(image->At(x, y)) - Luminance(image->At(ground_x, y))) > 0x50) {
        columns.push_back(x);
        break;
      }
  return columns;
}

std::optional<Point> DesktopTest::MessageBoxButton(const TopWindow& box) {
  // Up from the box's lower edge at its middle: past the frame, over the light
  // face of the box, to the button's dark lower edge with its light face above.
  // A program slowed down by a busy machine may show the box half-painted for
  // a while: the button is looked for until it is there.
  std::optional<Point> button;
  Desk().WaitUntil([&] {
    const auto image = Desk().WaitSteady(box.rect);
    if (!image) return false;
    const int x = box.rect.CentreX();
    const auto light = [&](int y) { return Luminance(image->At(x, y)) >= 0x80; };
    int y = box.rect.Bottom() - 1;
    const int stop = box.rect.y + box.rect.height / 2;
    while (y > stop && !light(y)) --y;
    while (y > stop && light(y)) --y;
    if (y > stop + 12 && light(y - 6)) button = Point{x, y - 8};
    return button.has_value();
  });
  return button;
}

std::string DesktopTest::Windows() {
  std::string text;
  for (const auto& w : Desk().Windows())
    text += "\n  \"" + w.title + "\" " + Describe(w.rect) +
            (w.override_redirect ? " override-redirect" : "") + " stacking " + std::to_string(w.stacking);
  return text.empty() ? "(none of the program's)" : text;
}

void DesktopTest::Check(bool ok, const std::string& what) {
  if (ok) return;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "-check-" + std::to_string(++checks_failed_);
  std::replace(name.begin(), name.end(), '/', '-');
  ADD_FAILURE() << "not seen: " << what << "\nwindows:" << Windows()
                << "\nscreen: " << Desk().SaveScreen(name);
}

}  // namespace desktop
