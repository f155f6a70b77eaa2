// The skin of popup-menu windows on the headless screen: made when a menu
// window is created and the menu's kind is skinned, its 3-pixel frame and
// printed picture from the skin's menu background, its erase rule, and
// gone with the window.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/user/FindWindow.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Menus.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinMenu.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;

namespace {

constexpr vcl::TColor kFrameRed = 0x0000C8, kInsideBlue = 0xC80000;

// Runs `probe` with the open popup's window once the menu loop takes its
// first message, then closes the menu with Escape.
std::function<void(plat::HWND)> g_probe;
plat::HHOOK g_filter = nullptr;

plat::LRESULT ProbeFilter(int code, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (code == plat::MSGF_MENU && g_probe) {
    if (plat::HWND popup = plat::FindWindowA("#32768", nullptr)) {
      auto probe = std::move(g_probe);
      g_probe = nullptr;
      probe(popup);
      plat::PostMessageA(popup, plat::WM_KEYDOWN, plat::VK_ESCAPE, 0);
    }
  }
  return plat::CallNextHookEx(g_filter, code, wparam, lparam);
}

class WinSkinPopMenuTest : public SkinScreenTest {
 protected:
  void SetUp() override {
    SkinScreenTest::SetUp();
    g_filter = plat::SetWindowsHookExA(plat::WH_MSGFILTER, &ProbeFilter, nullptr, plat::GetCurrentThreadId());
  }
  void TearDown() override {
    plat::UnhookWindowsHookEx(g_filter);
    g_probe = nullptr;
    delete form_;
    SkinScreenTest::TearDown();
  }

  // A skin whose menu background is a 40 x 40 picture: its outer 3 pixels
  // red, blue inside, edges 3 all round.
  void LoadSkin(bool with_background) {
    TestSkinOptions o;
    if (with_background) {
      o.buttons +=
          "[MenuBackground]\nImage=menubg.bmp\nLeftWidth=3\nTopHeight=3\nRightWidth=3\nBottomHeight=3\n";
      std::vector<std::tuple<int, int, vcl::TColor>> inside;
      for (int y = 3; y < 37; ++y)
        for (int x = 3; x < 37; ++x) inside.emplace_back(x, y, kInsideBlue);
      o.extra = {{"menubg.bmp", FramesBmp(40, 40, 1, false, {kFrameRed}, inside)}};
    }
    data_ = NewSkinData(TestSkinPackage(o));
    form_ = NewSizeableForm();
    ShowAndSkin(form_);
    popup_ = new vcl::TPopupMenu(form_);
    for (const char* caption : {"&One", "&Two", "T&hree"}) {
      auto* item = new vcl::TMenuItem(form_);
      item->SetCaption(caption);
      popup_->Items()->Add(item);
    }
  }

  void OpenWith(std::function<void(plat::HWND)> probe) {
    g_probe = std::move(probe);
    plat::PostMessageA(form_->Handle(), 0, 0, 0);
    popup_->Popup(300, 200);
    Pump();
  }

  // The frame's pixels at the corners and half-way down the left side.
  std::vector<uint32_t> FramePixels(plat::HWND popup) {
    plat::RECT r{};
    plat::GetWindowRect(popup, &r);
    const int w = r.right - r.left, h = r.bottom - r.top;
    return {Screen()->PresentedPixel(popup, 0, 0), Screen()->PresentedPixel(popup, w - 1, h - 1),
            Screen()->PresentedPixel(popup, 1, h / 2), Screen()->PresentedPixel(popup, w - 2, 1)};
  }

  vcl::TForm* form_ = nullptr;
  vcl::TPopupMenu* popup_ = nullptr;
};

TEST_F(WinSkinPopMenuTest, TheFrameComesFromTheMenuBackground) {
  LoadSkin(true);
  TSkinManage* manager = SkinManager();
  ASSERT_NE(manager, nullptr);
  std::vector<uint32_t> frame;
  bool skinned = false;
  plat::LRESULT answer = 0;
  OpenWith([&](plat::HWND popup) {
    skinned = manager->FindPopupMenu(popup) != nullptr;
    answer = plat::SendMessageA(popup, SKM_ISSKINNED, 0, 0);
    frame = FramePixels(popup);
  });
  EXPECT_TRUE(skinned);
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(frame, std::vector<uint32_t>(4, Rgb(kFrameRed)));
  // The skin went with the window, and the menu kind with the last one.
  EXPECT_EQ(manager->PopupMenuCount(), 0);
  EXPECT_EQ(manager->MenuKind(), 0);
  EXPECT_FALSE(manager->MenuFromBar());
}

// A skin without a menu background leaves the frame to the platform: the
// same pixels as with the skin switched off. A popup kind the skin data
// does not skin gets no popup skin at all.
TEST_F(WinSkinPopMenuTest, WithoutAMenuBackgroundThePlatformDrawsTheFrame) {
  LoadSkin(false);
  TSkinManage* manager = SkinManager();
  ASSERT_NE(manager, nullptr);
  std::vector<uint32_t> skinned, plain;
  bool had_skin = false;
  OpenWith([&](plat::HWND popup) {
    had_skin = manager->FindPopupMenu(popup) != nullptr;
    skinned = FramePixels(popup);
  });
  EXPECT_TRUE(had_skin);
  manager->SetActive(false);
  OpenWith([&](plat::HWND popup) {
    had_skin = manager->FindPopupMenu(popup) != nullptr;
    plain = FramePixels(popup);
  });
  EXPECT_FALSE(had_skin);
  manager->SetActive(true);
  EXPECT_EQ(skinned, plain);
  EXPECT_NE(skinned[0], Rgb(kFrameRed));

  data_->SetSkinControls(data_->SkinControls().Exclude(xcPopupMenu));
  OpenWith([&](plat::HWND popup) { had_skin = manager->FindPopupMenu(popup) != nullptr; });
  EXPECT_FALSE(had_skin);
}

// WM_ERASEBKGND answers 1 either way; the platform erases first only when
// the skin does not paint the menu's background itself.
TEST_F(WinSkinPopMenuTest, EraseAndPrint) {
  LoadSkin(true);
  for (bool menu_bg : {false, true}) {
    TSkinOptions options = data_->Options();
    data_->SetOptions(menu_bg ? options.Include(xoMenuBG) : options.Exclude(xoMenuBG));
    vcl::TColor erased = 0;
    plat::LRESULT answer = 0;
    OpenWith([&](plat::HWND popup) {
      vcl::TBitmap target;
      target.SetPixelFormat(vcl::pf24bit);
      target.SetSize(20, 20);
      target.Canvas()->Brush()->SetColor(vcl::clLime);
      target.Canvas()->FillRect(vcl::Rect(0, 0, 20, 20));
      answer = plat::SendMessageA(popup, plat::WM_ERASEBKGND,
                                  reinterpret_cast<plat::WPARAM>(target.Canvas()->Handle()), 0);
      erased = target.Canvas()->Pixels(5, 5);
    });
    EXPECT_EQ(answer, 1) << menu_bg;
    if (menu_bg)
      EXPECT_EQ(erased, vcl::clLime);
    else
      EXPECT_EQ(erased, vcl::ColorToRGB(vcl::clMenu));
  }

  // Printed: the background, the items clipped 3 pixels inside it.
  int w = 0, h = 0;
  std::vector<vcl::TColor> printed;
  OpenWith([&](plat::HWND popup) {
    plat::RECT r{};
    plat::GetWindowRect(popup, &r);
    w = r.right - r.left;
    h = r.bottom - r.top;
    vcl::TBitmap target;
    target.SetPixelFormat(vcl::pf24bit);
    target.SetSize(w, h);
    plat::SendMessageA(popup, plat::WM_PRINT, reinterpret_cast<plat::WPARAM>(target.Canvas()->Handle()),
                       plat::PRF_NONCLIENT | plat::PRF_CLIENT | plat::PRF_ERASEBKGND);
    vcl::TCanvas* c = target.Canvas();
    printed = {c->Pixels(0, 0), c->Pixels(2, h / 2), c->Pixels(w - 1, h - 1), c->Pixels(w / 2, 4),
               c->Pixels(w / 2, h - 2)};
  });
  ASSERT_GT(w, 6);
  EXPECT_EQ(printed[0], kFrameRed);
  EXPECT_EQ(printed[1], kFrameRed);
  EXPECT_EQ(printed[2], kFrameRed);
  // The first item's background inside, the frame below the last item.
  EXPECT_EQ(printed[3], vcl::ColorToRGB(vcl::clMenu));
  EXPECT_EQ(printed[4], kFrameRed);
}

}  // namespace
