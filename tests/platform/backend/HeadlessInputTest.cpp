#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "BackendTestSupport.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/backend/KeyMap.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/WaitCore.h"

using namespace plat;
using namespace plat::backend;
using namespace backendtest;

namespace {

// a at (0,0)-(200,200); b above it at (100,100)-(300,300).
class HeadlessInput : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(screen.OpenWindow(a, Params(0, 0, 200, 200)));
    ASSERT_TRUE(screen.OpenWindow(b, Params(100, 100, 300, 300)));
  }
  std::vector<EventType> Types() const {
    std::vector<EventType> types;
    for (const Event& e : sink.events) types.push_back(e.type);
    return types;
  }

  HeadlessBackend screen{640, 480};
  RecordingSink sink;
  HWND a = Hwnd(1), b = Hwnd(2);
};

TEST_F(HeadlessInput, PointerGoesToTheTopmostWindowUnderIt) {
  struct Case {
    POINT screen;
    HWND target;
    POINT point;
  };
  const Case cases[] = {
      {{50, 50}, a, {50, 50}},     // a alone
      {{150, 150}, b, {50, 50}},   // the overlap belongs to b
      {{250, 120}, b, {150, 20}},  // b alone
      {{199, 99}, a, {199, 99}},   // a's last pixel above b
      {{200, 50}, nullptr, {}},    // right of a: the desktop
  };
  for (const Case& k : cases) screen.InjectMouseMove(k.screen);
  EXPECT_EQ(screen.PollEvents(sink, 0), 7);
  std::vector<Event> moves = sink.Of(EventType::MouseMove);
  ASSERT_EQ(moves.size(), 4u);
  size_t i = 0;
  for (const Case& k : cases) {
    if (!k.target) continue;
    EXPECT_EQ(moves[i].window, k.target) << i;
    EXPECT_EQ(moves[i].point.x, k.point.x) << i;
    EXPECT_EQ(moves[i].point.y, k.point.y) << i;
    EXPECT_EQ(moves[i].screen.x, k.screen.x) << i;
    ++i;
  }
  // Leaving is told to the window that had the pointer, in order with the moves.
  EXPECT_EQ(Types(),
            (std::vector<EventType>{EventType::MouseMove, EventType::MouseLeave, EventType::MouseMove,
                                    EventType::MouseMove, EventType::MouseLeave, EventType::MouseMove,
                                    EventType::MouseLeave}));
  EXPECT_EQ(sink.events[1].window, a);
  EXPECT_EQ(sink.events[6].window, a);
  EXPECT_EQ(screen.CursorPos().x, 200);
}

TEST_F(HeadlessInput, CaptureTakesThePointerWhereverItIs) {
  // Capture taken while handling the press applies to what was queued behind it.
  sink.on_event = [&](const Event& e) {
    if (e.type == EventType::MouseDown) screen.SetCapture(e.window);
    if (e.type == EventType::MouseUp) screen.SetCapture(nullptr);
  };
  screen.InjectMouseMove(POINT{50, 50});
  screen.InjectMouseButton(MouseButton::Left, true);
  screen.InjectMouseMove(POINT{250, 250});  // over b
  screen.InjectMouseMove(POINT{600, 400});  // over nothing
  screen.InjectMouseButton(MouseButton::Left, false);
  screen.InjectMouseMove(POINT{250, 250});
  screen.PollEvents(sink, 0);

  std::vector<Event> pointer;
  for (const Event& e : sink.events)
    if (e.type != EventType::FocusGained && e.type != EventType::FocusLost && e.type != EventType::MouseLeave)
      pointer.push_back(e);
  ASSERT_EQ(pointer.size(), 6u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(pointer[i].window, a) << i;
  EXPECT_EQ(pointer[3].point.x, 600) << "captured points are relative to the capturing window";
  EXPECT_EQ(pointer[3].point.y, 400);
  EXPECT_EQ(pointer[4].type, EventType::MouseUp);
  EXPECT_EQ(pointer[4].point.x, 600);
  EXPECT_EQ(pointer[5].window, b) << "released: back to the window under the pointer";
  EXPECT_EQ(pointer[5].point.x, 150);
}

TEST_F(HeadlessInput, ClickFocusesAndRaisesButPopupsNeverTakeFocus) {
  WindowParams menu = Params(400, 0, 500, 100);
  menu.popup = true;
  HWND m = Hwnd(3);
  ASSERT_TRUE(screen.OpenWindow(m, menu));
  screen.InjectClick(POINT{150, 150});  // the overlap is b's until a is raised
  screen.InjectClick(POINT{20, 20});    // a, below b
  screen.InjectClick(POINT{150, 150});  // now a's
  screen.InjectClick(POINT{450, 50});   // the menu
  screen.PollEvents(sink, 0);

  std::vector<std::pair<EventType, HWND>> seen;
  for (const Event& e : sink.events)
    if (e.type != EventType::MouseMove && e.type != EventType::MouseLeave)
      seen.emplace_back(e.type, e.window);
  const std::vector<std::pair<EventType, HWND>> expected = {
      {EventType::FocusGained, b}, {EventType::MouseDown, b},   {EventType::MouseUp, b},
      {EventType::FocusLost, b},   {EventType::FocusGained, a}, {EventType::MouseDown, a},
      {EventType::MouseUp, a},     {EventType::MouseDown, a},   {EventType::MouseUp, a},
      {EventType::MouseDown, m},   {EventType::MouseUp, m},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(screen.Focus(), a);
  EXPECT_EQ(screen.ZOrder(), (std::vector<HWND>{m, a, b}));
}

TEST_F(HeadlessInput, ButtonsAndModifiersAreReportedAsHeldAfterEachEvent) {
  screen.Raise(a);
  screen.InjectMouseMove(POINT{10, 10});
  screen.InjectKey(vk::SHIFT, true);
  screen.InjectMouseButton(MouseButton::Left, true);
  screen.InjectMouseButton(MouseButton::Right, true);
  screen.InjectMouseButton(MouseButton::Left, false);
  screen.InjectKey(vk::SHIFT, false);
  screen.InjectKey(vk::MENU, true);
  screen.InjectMouseWheel(-240);
  screen.PollEvents(sink, 0);

  std::vector<UINT> keys;
  for (const Event& e : sink.events)
    if (e.type == EventType::MouseDown || e.type == EventType::MouseUp || e.type == EventType::MouseWheel)
      keys.push_back(e.keys);
  EXPECT_EQ(keys, (std::vector<UINT>{kMkLButton | kMkShift, kMkLButton | kMkRButton | kMkShift,
                                     kMkRButton | kMkShift, kMkRButton}));
  const Event wheel = sink.Of(EventType::MouseWheel).at(0);
  EXPECT_EQ(wheel.wheel_delta, -240);
  EXPECT_EQ(wheel.window, a);
  EXPECT_TRUE(wheel.alt);
}

TEST_F(HeadlessInput, KeysAndTextGoToTheFocusedWindow) {
  screen.InjectKey('A', true);  // nothing focused yet
  screen.PollEvents(sink, 0);
  ASSERT_EQ(sink.events.size(), 1u);
  EXPECT_EQ(sink.events[0].window, nullptr);
  sink.events.clear();

  screen.Raise(b);
  screen.InjectKey(vk::LEFT, true);
  screen.InjectKey(vk::LEFT, true);
  screen.InjectKey(vk::LEFT, false);
  screen.InjectKey(0xA1, true);  // right shift
  screen.InjectText("\xC3\xA4\xE2\x82\xAC");
  screen.PollEvents(sink, 0);

  std::vector<Event> keys = sink.Of(EventType::KeyDown);
  ASSERT_EQ(keys.size(), 3u);
  for (const Event& e : keys) EXPECT_EQ(e.window, b);
  EXPECT_EQ(keys[0].vk, vk::LEFT);
  EXPECT_EQ(keys[0].scan, 0x4Bu);
  EXPECT_TRUE(keys[0].extended);
  EXPECT_FALSE(keys[0].repeat);
  EXPECT_TRUE(keys[1].repeat);
  EXPECT_EQ(keys[2].vk, vk::SHIFT);
  EXPECT_EQ(keys[2].scan, 0x36u);
  EXPECT_EQ(keys[2].keys, kMkShift);
  const std::vector<Event> text = sink.Of(EventType::Text);
  ASSERT_EQ(text.size(), 1u);
  EXPECT_EQ(text[0].text, "\xC3\xA4\xE2\x82\xAC");
  EXPECT_EQ(text[0].window, b);
}

TEST_F(HeadlessInput, HitTestAnswersLetTheWindowManagerMoveAndSize) {
  // b answers like a framed window: caption on top, sizing corner bottom right.
  screen.SetHitTest([&](HWND window, POINT p) {
    const RECT r = *screen.WindowRect(window);
    if (p.y < r.top + 20) return HTCAPTION;
    if (p.x >= r.right - 8 && p.y >= r.bottom - 8) return HTBOTTOMRIGHT;
    if (p.x < r.left + 4) return HTLEFT;
    return HTCLIENT;
  });
  struct Case {
    POINT press;
    POINT release;
    RECT expected;
    std::vector<EventType> events;
  };
  const Case cases[] = {
      {{150, 105}, {180, 145}, {130, 140, 330, 340}, {EventType::Moved}},
      {{296, 296}, {256, 316}, {100, 100, 260, 320}, {EventType::Resized}},
      {{101, 200}, {90, 200}, {89, 100, 300, 300}, {EventType::Moved, EventType::Resized}},
      {{101, 200},
       {400, 200},
       {299, 100, 300, 300},
       {EventType::Moved, EventType::Resized}},  // one pixel left
      {{200, 200},
       {220, 220},
       {100, 100, 300, 300},
       {EventType::MouseDown, EventType::MouseMove, EventType::MouseUp}},
  };
  for (const Case& k : cases) {
    screen.SetWindowRect(b, RECT{100, 100, 300, 300});
    screen.Raise(b);
    screen.InjectMouseMove(k.press);
    screen.PollEvents(sink, 0);
    sink.events.clear();
    screen.InjectMouseButton(MouseButton::Left, true);
    screen.InjectMouseMove(k.release);
    screen.InjectMouseButton(MouseButton::Left, false);
    screen.PollEvents(sink, 0);

    const RECT r = *screen.WindowRect(b);
    EXPECT_EQ(r.left, k.expected.left) << k.press.x << "," << k.press.y;
    EXPECT_EQ(r.top, k.expected.top);
    EXPECT_EQ(r.right, k.expected.right);
    EXPECT_EQ(r.bottom, k.expected.bottom);
    EXPECT_EQ(screen.WindowSurface(b)->width, r.right - r.left);
    std::vector<EventType> types;
    for (const Event& e : sink.events)
      if (e.type != EventType::MouseLeave) types.push_back(e.type);
    EXPECT_EQ(types, k.events) << k.press.x << "," << k.press.y;
    if (!sink.events.empty() && sink.events.back().type == EventType::Resized) {
      EXPECT_EQ(sink.events.back().rect.right, k.expected.right);
    }
  }
}

TEST_F(HeadlessInput, ClippedPointerStaysInsideTheRectangle) {
  screen.ClipCursor(RECT{10, 20, 110, 120});
  screen.InjectMouseMove(POINT{500, 0});
  screen.PollEvents(sink, 0);
  ASSERT_EQ(sink.Of(EventType::MouseMove).size(), 1u);
  EXPECT_EQ(sink.events[0].screen.x, 109);
  EXPECT_EQ(sink.events[0].screen.y, 20);
  EXPECT_EQ(sink.events[0].window, a);
  screen.ClipCursor(std::nullopt);
  screen.InjectMouseMove(POINT{500, 0});
  screen.PollEvents(sink, 0);
  EXPECT_EQ(screen.CursorPos().x, 500);
}

TEST(HeadlessWaits, PollWaitsOnTheLayerClockAndWakesForInputOrWake) {
  ScopedManualClock manual;
  HeadlessBackend screen;
  RecordingSink sink;
  ASSERT_TRUE(screen.OpenWindow(Hwnd(1), Params(0, 0, 10, 10)));

  EXPECT_EQ(screen.PollEvents(sink, 0), 0) << "nothing queued, no wait";

  // A timed wait ends when the manual clock reaches it, not on real time: the
  // clock is stepped 10 ms a time and the wait must end within a few steps.
  std::atomic<bool> done{false};
  std::thread ticker([&] {
    while (!done) {
      clock::AdvanceMs(10);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    waitcore::ThreadIdle();
  });
  const int64_t before = ClockNowMicroseconds();
  EXPECT_EQ(screen.PollEvents(sink, 100), 0);
  const int64_t elapsed = ClockNowMicroseconds() - before;
  // Past its deadline this thread counts as busy until it says otherwise, so the ticker holds.
  waitcore::ThreadIdle();
  done = true;
  ticker.join();
  EXPECT_GE(elapsed, 100'000);
  EXPECT_LT(elapsed, 150'000);

  int result = -1;
  // Input from another thread ends an unbounded wait and is delivered.
  std::thread input([&] { result = screen.PollEvents(sink, INFINITE); });
  screen.InjectMouseMove(POINT{5, 5});
  input.join();
  EXPECT_EQ(result, 1);

  std::thread woken([&] { result = screen.PollEvents(sink, INFINITE); });
  screen.Wake();
  woken.join();
  EXPECT_EQ(result, 0);
  EXPECT_EQ(sink.events.size(), 1u);
}

}  // namespace
