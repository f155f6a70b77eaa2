#include <gtest/gtest.h>

#include "ControlTestSupport.h"
#include "platform/gdi/Text.h"
#include "platform/user/Static.h"

using namespace plat;

namespace {

class Static : public usertest::ControlTest {};

TEST_F(Static, ClicksPassThroughUnlessItNotifies) {
  HWND label = Child(WC_STATICA, "Label", SS_LEFT, 0, 0, 80, 20, 5);
  HWND notify = Child(WC_STATICA, "Link", SS_LEFT | SS_NOTIFY, 0, 30, 80, 20, 6);
  EXPECT_EQ(SendMessageA(label, WM_NCHITTEST, 0, 0), HTTRANSPARENT);
  EXPECT_EQ(SendMessageA(notify, WM_NCHITTEST, 0, 0), HTCLIENT);
  SendMessageA(label, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
  SendMessageA(notify, WM_LBUTTONDOWN, MK_LBUTTON, At(2, 2));
  SendMessageA(notify, WM_LBUTTONDBLCLK, MK_LBUTTON, At(2, 2));
  EXPECT_EQ(Commands(), (std::vector<usertest::Notice>{{WM_COMMAND, STN_CLICKED, 6, notify},
                                                       {WM_COMMAND, STN_DBLCLK, 6, notify}}));
  EXPECT_EQ(SendMessageA(label, WM_GETDLGCODE, 0, 0), DLGC_STATIC);
}

struct AlignCase {
  DWORD style;
  bool ink_left;
  bool ink_right;
};

TEST_F(Static, TextFollowsTheAlignmentStyle) {
  const AlignCase cases[] = {{SS_LEFT, true, false}, {SS_CENTER, false, false}, {SS_RIGHT, false, true}};
  for (const AlignCase& c : cases) {
    SCOPED_TRACE(c.style);
    HWND label = Child(WC_STATICA, "MMMM", c.style, 0, 0, 200, 20);
    Snapshot shot(label);
    auto ink_in = [&](int from, int to) {
      for (int x = from; x < to; ++x)
        for (int y = 0; y < 20; ++y)
          if (shot.At(x, y) != GetSysColor(COLOR_3DFACE)) return true;
      return false;
    };
    EXPECT_EQ(ink_in(0, 40), c.ink_left);
    EXPECT_EQ(ink_in(160, 200), c.ink_right);
    EXPECT_TRUE(ink_in(0, 200));
    DestroyWindow(label);
  }
}

TEST_F(Static, FramesAndImagesByType) {
  HWND etched = Child(WC_STATICA, "", SS_ETCHEDFRAME, 0, 0, 30, 30);
  EXPECT_EQ(Snapshot(etched).At(0, 10), GetSysColor(COLOR_3DSHADOW));
  EXPECT_EQ(Snapshot(etched).At(1, 10), GetSysColor(COLOR_3DHILIGHT));
  HWND black = Child(WC_STATICA, "", SS_BLACKRECT, 40, 0, 10, 10);
  EXPECT_EQ(Snapshot(black).At(5, 5), GetSysColor(COLOR_WINDOWFRAME));

  HWND picture = Child(WC_STATICA, "", SS_BITMAP, 60, 0, 50, 50);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 8, 6);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(SendMessageA(picture, STM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(bitmap)), 0)
      << "an icon does not fit a bitmap static";
  EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), 0);
  SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  EXPECT_EQ(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0), reinterpret_cast<LRESULT>(bitmap));
  RECT r;
  GetClientRect(picture, &r);
  EXPECT_EQ(r.right, 8) << "a bitmap static takes the bitmap's size";
  EXPECT_EQ(r.bottom, 6);
  DestroyWindow(picture);
  DeleteObject(bitmap);
}

TEST_F(Static, TextAndFontAreKept) {
  HWND label = Child(WC_STATICA, "One", SS_LEFT, 0, 0, 80, 20);
  SetWindowTextA(label, "Two");
  char text[8] = {};
  GetWindowTextA(label, text, sizeof(text));
  EXPECT_STREQ(text, "Two");
  HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
  SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  EXPECT_EQ(SendMessageA(label, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
}

}  // namespace
