#include <gtest/gtest.h>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "support/TempDir.h"

using namespace plat;
using namespace plat::backend;

namespace {

TEST(Backend, EnvironmentChoosesAndTestsMayInstall) {
  struct Case {
    const char* value;
    std::string_view expected;
  };
  for (const Case& k :
       {Case{"headless", "headless"}, Case{"sdl", "sdl"}, Case{"", "sdl"}, Case{"vnc", "sdl"}}) {
    testsupport::ScopedEnv env("QUELLIX_BACKEND", k.value);
    Install(nullptr);
    EXPECT_EQ(Current().Name(), k.expected) << k.value;
  }
  auto own = std::make_unique<HeadlessBackend>(64, 48);
  HeadlessBackend* installed = own.get();
  Install(std::move(own));
  EXPECT_EQ(&Current(), installed);
  EXPECT_EQ(Current().ScreenSize().cx, 64);
  Install(nullptr);
}

TEST(Backend, DragsMoveOrSizeFromTheGrabbedEdges) {
  const RECT start{100, 100, 300, 200};
  struct Case {
    int hit;
    int dx, dy;
    RECT expected;
  };
  for (const Case& k : {
           Case{HTCAPTION, -150, 30, {-50, 130, 150, 230}},
           Case{HTLEFT, 50, 99, {150, 100, 300, 200}},
           Case{HTRIGHT, -10, 99, {100, 100, 290, 200}},
           Case{HTTOP, 99, -20, {100, 80, 300, 200}},
           Case{HTBOTTOM, 99, 20, {100, 100, 300, 220}},
           Case{HTTOPLEFT, 10, 10, {110, 110, 300, 200}},
           Case{HTTOPRIGHT, 10, 10, {100, 110, 310, 200}},
           Case{HTBOTTOMLEFT, 10, 10, {110, 100, 300, 210}},
           Case{HTBOTTOMRIGHT, 10, 10, {100, 100, 310, 210}},
           Case{HTLEFT, 500, 0, {299, 100, 300, 200}},  // stops one pixel short of the other edge
           Case{HTBOTTOM, 0, -500, {100, 100, 300, 101}},
       }) {
    const DragAction action = DragActionForHit(k.hit);
    ASSERT_NE(action, DragAction::None) << k.hit;
    const RECT r = ApplyDrag(action, start, k.dx, k.dy);
    EXPECT_EQ(r.left, k.expected.left) << k.hit;
    EXPECT_EQ(r.top, k.expected.top) << k.hit;
    EXPECT_EQ(r.right, k.expected.right) << k.hit;
    EXPECT_EQ(r.bottom, k.expected.bottom) << k.hit;
  }
  // Client area, caption buttons, menus: the layer handles those clicks itself.
  for (int hit : {HTCLIENT, 0, 3, 5, 8, 9, 18, 20, -1})
    EXPECT_EQ(DragActionForHit(hit), DragAction::None) << hit;
}

}  // namespace
