#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Window.h"

using namespace plat;

namespace {

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kCyan = RGB(0, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// Windows that paint their client area in a colour of their own and note
// every paint; the test's top-level windows live on the headless screen.
class Painting : public ::testing::Test {
 protected:
  static constexpr const char* kClass = "QuellixPaintWindow";

  void SetUp() override {
    screen_ = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
    if (!screen_) GTEST_SKIP() << "needs the headless backend";
    current_ = this;
    WNDCLASSA wc;
    wc.lpfnWndProc = Proc;
    wc.lpszClassName = kClass;
    ASSERT_NE(RegisterClassA(&wc), 0);
  }

  void TearDown() override {
    if (!screen_) return;
    for (HWND hwnd : made_)
      if (IsWindow(hwnd)) DestroyWindow(hwnd);
    Pump();
    UnregisterClassA(kClass, nullptr);
    current_ = nullptr;
  }

  HWND Make(HWND parent, DWORD style, RECT r, COLORREF color, DWORD ex_style = 0) {
    HWND hwnd = CreateWindowExA(ex_style, kClass, "", style, r.left, r.top, r.right - r.left,
                                r.bottom - r.top, parent, nullptr, nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    colors_[hwnd] = color;
    made_.push_back(hwnd);
    return hwnd;
  }

  void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }

  // What the screen shows of a top-level window, as a colour.
  COLORREF Shown(HWND top, int x, int y) {
    const uint32_t v = screen_->PresentedPixel(top, x, y);
    return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
  }

  static void FillWith(HDC hdc, const RECT& r, COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
  }

  struct Paint {
    HWND hwnd;
    RECT rc;
    bool erase_seen;
  };

  backend::HeadlessBackend* screen_ = nullptr;
  std::map<HWND, COLORREF> colors_;
  std::vector<Paint> paints_;
  std::vector<HWND> erased_;
  std::vector<HWND> made_;
  std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT*)> on_message_;

 private:
  static LRESULT Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    Painting* self = current_;
    LRESULT result = 0;
    if (self->on_message_ && self->on_message_(hwnd, message, wparam, lparam, &result)) return result;
    switch (message) {
      case WM_ERASEBKGND:
        self->erased_.push_back(hwnd);
        return 1;
      case WM_PAINT: {
        const size_t erased_before = self->erased_.size();
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        FillWith(ps.hdc, client, self->colors_[hwnd]);
        EndPaint(hwnd, &ps);
        self->paints_.push_back({hwnd, ps.rcPaint, self->erased_.size() > erased_before});
        return 0;
      }
      case WM_PRINTCLIENT: {
        RECT client;
        GetClientRect(hwnd, &client);
        FillWith(reinterpret_cast<HDC>(wparam), client, self->colors_[hwnd]);
        return 0;
      }
      default:
        return DefWindowProcA(hwnd, message, wparam, lparam);
    }
  }
  static inline Painting* current_ = nullptr;
};

}  // namespace

namespace plat {
// For comparisons in these tests only.
[[maybe_unused]] static bool operator==(const RECT& a, const RECT& b) { return EqualRect(&a, &b) != FALSE; }
}  // namespace plat

// A parent without WS_CLIPCHILDREN paints first and its children over it, in
// z-order; a sibling below another with WS_CLIPSIBLINGS stays under it.
TEST_F(Painting, ChildrenPaintAfterTheirParentClippedToWhatShows) {
  struct Case {
    DWORD sibling_style;
    COLORREF overlap;
  };
  const Case cases[] = {{WS_CLIPSIBLINGS, kGreen}, {0, kCyan}};
  for (const Case& c : cases) {
    paints_.clear();
    HWND top = Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{10, 10, 110, 110}, kBlue);
    HWND a = Make(top, WS_CHILD | WS_VISIBLE, RECT{10, 10, 50, 50}, kGreen);
    HWND inner = Make(a, WS_CHILD | WS_VISIBLE, RECT{5, 5, 20, 20}, kYellow);
    HWND b = Make(top, WS_CHILD | WS_VISIBLE | c.sibling_style, RECT{40, 40, 80, 80}, kCyan);
    Pump();
    std::vector<HWND> order;
    for (auto& p : paints_) order.push_back(p.hwnd);
    EXPECT_EQ(order, (std::vector<HWND>{top, a, inner, b}));
    EXPECT_EQ(Shown(top, 5, 5), kBlue);
    EXPECT_EQ(Shown(top, 12, 12), kGreen);
    EXPECT_EQ(Shown(top, 17, 17), kYellow);
    EXPECT_EQ(Shown(top, 45, 45), c.overlap);
    EXPECT_EQ(Shown(top, 70, 70), kCyan);
    EXPECT_EQ(Shown(top, 95, 95), kBlue);
    DestroyWindow(top);
  }
}

// Invalidations gather into one update region; UpdateWindow sends a single
// WM_PAINT whose rcPaint is its box, erasing first only when asked.
TEST_F(Painting, InvalidateThenUpdateWindowSendsOnePaint) {
  for (BOOL erase : {TRUE, FALSE}) {
    HWND top = Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 60, 60}, kBlue);
    HWND child = Make(top, WS_CHILD | WS_VISIBLE, RECT{10, 10, 50, 50}, kGreen);
    Pump();
    paints_.clear();
    erased_.clear();
    const RECT first{5, 6, 15, 20};
    const RECT second{10, 10, 12, 25};
    InvalidateRect(child, &first, erase);
    InvalidateRect(child, &second, FALSE);
    RECT pending;
    EXPECT_TRUE(GetUpdateRect(child, &pending, FALSE));
    EXPECT_EQ(pending, (RECT{5, 6, 15, 25}));
    UpdateWindow(child);
    ASSERT_EQ(paints_.size(), 1u);
    EXPECT_EQ(paints_[0].hwnd, child);
    EXPECT_EQ(paints_[0].rc, (RECT{5, 6, 15, 25}));
    EXPECT_EQ(paints_[0].erase_seen, erase != FALSE);
    UpdateWindow(child);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, WM_PAINT, WM_PAINT, PM_NOREMOVE));
    EXPECT_EQ(paints_.size(), 1u);
    EXPECT_FALSE(GetUpdateRect(child, &pending, FALSE));
    DestroyWindow(top);
  }
}

// Validating part of the area leaves the rest; RDW_INTERNALPAINT gives a
// WM_PAINT with nothing to paint; a hidden window collects nothing.
TEST_F(Painting, ValidationAndInternalPaint) {
  HWND top = Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 40, 40}, kBlue);
  Pump();
  paints_.clear();
  InvalidateRect(top, nullptr, FALSE);
  const RECT left_half{0, 0, 20, 40};
  ValidateRect(top, &left_half);
  RECT pending;
  GetUpdateRect(top, &pending, FALSE);
  EXPECT_EQ(pending, (RECT{20, 0, 40, 40}));
  ValidateRect(top, nullptr);
  RedrawWindow(top, nullptr, nullptr, RDW_INTERNALPAINT);
  Pump();
  ASSERT_EQ(paints_.size(), 1u);
  EXPECT_EQ(paints_[0].rc, (RECT{}));
  ShowWindow(top, SW_HIDE);
  InvalidateRect(top, nullptr, TRUE);
  EXPECT_FALSE(GetUpdateRect(top, &pending, FALSE));
}

// ScrollWindowEx moves the pixels and hands back (and invalidates) exactly
// the band it uncovered.
TEST_F(Painting, ScrollWindowExMovesPixelsAndInvalidatesTheUncoveredBand) {
  struct Case {
    int dx;
    int dy;
    RECT band;
  };
  const Case cases[] = {
      {0, -20, RECT{0, 80, 100, 100}},
      {0, 15, RECT{0, 0, 100, 15}},
      {-10, 0, RECT{90, 0, 100, 100}},
      {25, 0, RECT{0, 0, 25, 100}},
  };
  for (const Case& c : cases) {
    HWND top = Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 100}, kWhite);
    Pump();
    HDC hdc = GetDC(top);
    FillWith(hdc, RECT{40, 40, 44, 44}, kBlack);
    ReleaseDC(top, hdc);
    EXPECT_EQ(Shown(top, 41, 41), kBlack);  // ReleaseDC presented it
    HRGN uncovered = CreateRectRgn(0, 0, 0, 0);
    RECT band;
    EXPECT_EQ(ScrollWindowEx(top, c.dx, c.dy, nullptr, nullptr, uncovered, &band, SW_INVALIDATE),
              SIMPLEREGION);
    EXPECT_EQ(band, c.band);
    RECT box;
    GetRgnBox(uncovered, &box);
    EXPECT_EQ(box, c.band);
    DeleteObject(uncovered);
    EXPECT_EQ(Shown(top, 41 + c.dx, 41 + c.dy), kBlack);
    EXPECT_EQ(Shown(top, 43 + c.dx, 43 + c.dy), kBlack);
    EXPECT_EQ(Shown(top, 41, 41), kWhite) << c.dx << "," << c.dy;
    RECT pending;
    EXPECT_TRUE(GetUpdateRect(top, &pending, FALSE));
    EXPECT_EQ(pending, c.band);
    DestroyWindow(top);
  }
}

// A DC that gathers its bounds hands the screen only what was drawn; one
// that drew nothing presents nothing; without bounds the whole clip goes.
TEST_F(Painting, ReleaseDCPresentsTheGatheredBoundsOnly) {
  HWND top = Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{0, 0, 100, 80}, kWhite);
  Pump();
  auto release_after = [&](bool gather, const std::function<void(HDC)>& draw) {
    HDC hdc = GetDC(top);
    if (gather) SetBoundsRect(hdc, nullptr, DCB_ENABLE | DCB_RESET);
    draw(hdc);
    ReleaseDC(top, hdc);
    return screen_->LastPresented(top);
  };
  auto flat = [](const std::vector<RECT>& rects) {
    std::vector<std::array<LONG, 4>> out;
    for (const RECT& r : rects) out.push_back({r.left, r.top, r.right, r.bottom});
    return out;
  };
  EXPECT_EQ(flat(release_after(true,
                               [](HDC hdc) {
                                 FillWith(hdc, RECT{10, 20, 30, 25}, kBlack);
                               })),
            (std::vector<std::array<LONG, 4>>{{10, 20, 30, 25}}));
  EXPECT_EQ(Shown(top, 15, 22), kBlack);
  // Drawing reaching past the window is clipped to it.
  EXPECT_EQ(flat(release_after(true,
                               [](HDC hdc) {
                                 FillWith(hdc, RECT{90, 70, 140, 120}, kRed);
                               })),
            (std::vector<std::array<LONG, 4>>{{90, 70, 100, 80}}));
  // Drawings far apart are handed over apart, not as the box around them.
  EXPECT_EQ(flat(release_after(true,
                               [](HDC hdc) {
                                 FillWith(hdc, RECT{2, 2, 6, 4}, kBlack);
                                 FillWith(hdc, RECT{80, 60, 90, 70}, kBlack);
                               })),
            (std::vector<std::array<LONG, 4>>{{2, 2, 6, 4}, {80, 60, 90, 70}}));
  // More places than the DC keeps apart: fewer rectangles, every place in one.
  const std::vector<RECT> joined = release_after(true, [](HDC hdc) {
    for (int i = 0; i < 40; ++i) FillWith(hdc, RECT{2 * i, 2 * i, 2 * i + 1, 2 * i + 1}, kRed);
  });
  EXPECT_LE(joined.size(), 16u);
  for (int i = 0; i < 40; ++i) {
    EXPECT_TRUE(std::any_of(joined.begin(), joined.end(), [i](const RECT& r) {
      return r.left <= 2 * i && 2 * i < r.right && r.top <= 2 * i && 2 * i < r.bottom;
    })) << i;
    EXPECT_EQ(Shown(top, 2 * i, 2 * i), kRed) << i;
  }
  const int presents = screen_->PresentCount(top);
  release_after(true, [](HDC) {});
  EXPECT_EQ(screen_->PresentCount(top), presents);
  EXPECT_EQ(flat(release_after(false,
                               [](HDC hdc) {
                                 FillWith(hdc, RECT{0, 0, 1, 1}, kRed);
                               })),
            (std::vector<std::array<LONG, 4>>{{0, 0, 100, 80}}));
}

std::vector<std::array<LONG, 4>> Flat(const std::optional<std::vector<RECT>>& shape) {
  std::vector<std::array<LONG, 4>> out;
  if (shape)
    for (const RECT& r : *shape) out.push_back({r.left, r.top, r.right, r.bottom});
  return out;
}

// A window region limits where the window paints and where it is hit.
TEST_F(Painting, WindowRegionClipsPaintingAndHitTesting) {
  HWND top = Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{200, 100, 300, 200}, kGreen);
  HWND under = Make(nullptr, WS_POPUP | WS_VISIBLE, RECT{150, 50, 350, 250}, kBlue);
  SetWindowPos(top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  Pump();
  EXPECT_EQ(WindowFromPoint(POINT{205, 105}), top);
  EXPECT_EQ(SetWindowRgn(top, CreateRectRgn(20, 20, 80, 80), TRUE), 1);
  HDC hdc = GetDC(top);
  FillWith(hdc, RECT{0, 0, 100, 100}, kRed);
  ReleaseDC(top, hdc);
  EXPECT_EQ(Shown(top, 50, 50), kRed);
  EXPECT_NE(Shown(top, 5, 5), kRed);
  EXPECT_EQ(WindowFromPoint(POINT{205, 105}), under);
  EXPECT_EQ(WindowFromPoint(POINT{250, 150}), top);
  EXPECT_EQ(SendMessageA(top, WM_NCHITTEST, 0, MAKELONG(205, 105)), HTNOWHERE);
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetWindowRgn(top, copy), SIMPLEREGION);
  RECT box;
  GetRgnBox(copy, &box);
  EXPECT_EQ(box, (RECT{20, 20, 80, 80}));
  // The screen shows the window below where the region leaves the window out,
  // and a click there reaches that window.
  Pump();
  EXPECT_EQ(Flat(screen_->WindowShape(top)), (std::vector<std::array<LONG, 4>>{{20, 20, 80, 80}}));
  EXPECT_EQ(screen_->WindowAt(POINT{205, 105}), under);
  EXPECT_EQ(screen_->ScreenSnapshot()->Pixel(205, 105), 0x000000FFu);
  EXPECT_EQ(screen_->ScreenSnapshot()->Pixel(250, 150), 0x0000FF00u);  // repainted in its own colour
  SetWindowRgn(top, nullptr, TRUE);
  EXPECT_EQ(GetWindowRgn(top, copy), ERROR);
  EXPECT_EQ(WindowFromPoint(POINT{205, 105}), top);
  EXPECT_FALSE(screen_->WindowShape(top).has_value());
  EXPECT_EQ(screen_->WindowAt(POINT{205, 105}), top);
  DeleteObject(copy);

  // A region given before the window reaches the screen shapes it once it does.
  HWND later = Make(nullptr, WS_POPUP, RECT{400, 100, 440, 140}, kGreen);
  HRGN two = CreateRectRgn(0, 0, 10, 10);
  HRGN other = CreateRectRgn(30, 30, 40, 40);
  CombineRgn(two, two, other, RGN_OR);
  DeleteObject(other);
  SetWindowRgn(later, two, FALSE);
  ShowWindow(later, SW_SHOWNA);
  Pump();
  EXPECT_EQ(Flat(screen_->WindowShape(later)),
            (std::vector<std::array<LONG, 4>>{{0, 0, 10, 10}, {30, 30, 40, 40}}));
  EXPECT_EQ(screen_->WindowAt(POINT{415, 115}), nullptr);
  EXPECT_EQ(screen_->WindowAt(POINT{435, 135}), later);
}

// WM_PRINT paints the frame, the client and the children into any DC.
TEST_F(Painting, PrintDrawsTheWindowAndItsChildrenIntoAGivenDc) {
  HWND parent = Make(nullptr, WS_POPUP | WS_BORDER, RECT{0, 0, 62, 42}, kBlue);
  Make(parent, WS_CHILD | WS_VISIBLE, RECT{10, 10, 30, 30}, kYellow);
  Make(parent, WS_CHILD, RECT{35, 5, 55, 25}, kRed);  // hidden: not printed
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, 62, 42);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old = SelectObject(memory, bitmap);
  FillWith(memory, RECT{0, 0, 62, 42}, kWhite);
  SendMessageA(parent, WM_PRINT, reinterpret_cast<WPARAM>(memory), PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN);
  EXPECT_EQ(GetPixel(memory, 0, 0), GetSysColor(COLOR_WINDOWFRAME));
  EXPECT_EQ(GetPixel(memory, 3, 3), kBlue);
  EXPECT_EQ(GetPixel(memory, 12, 12), kYellow);  // child at (10, 10) of the client, which starts at (1, 1)
  EXPECT_EQ(GetPixel(memory, 30, 30), kYellow);
  EXPECT_EQ(GetPixel(memory, 32, 32), kBlue);
  EXPECT_EQ(GetPixel(memory, 45, 15), kBlue);
  // Without PRF_CHILDREN only the window itself.
  FillWith(memory, RECT{0, 0, 62, 42}, kWhite);
  SendMessageA(parent, WM_PRINT, reinterpret_cast<WPARAM>(memory), PRF_CLIENT);
  EXPECT_EQ(GetPixel(memory, 12, 12), kBlue);
  EXPECT_EQ(GetPixel(memory, 0, 0), kWhite);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
}
