// The mouse on skinned frames, with real pointer input on the headless
// screen: hit tests from the skin's borders, hovered, pressed and left
// caption buttons by pixels, their actions as the messages they post, the
// hover timer, and the form's hook that keeps the frame after a caption
// change. Also dialogs widened for their caption and a minimised frame.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/user/Geometry.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "skin/SkinFormFixture.h"

using namespace skin;
using namespace skin_test;
using displaytest::Rgb;
using plat::backend::MouseButton;

namespace {

// The caption-bar dialog class the skin widens for its caption.
class TMessageForm : public vcl::TForm {
  VCL_DECLARE_CLASS(TMessageForm, TForm)
 public:
  explicit TMessageForm(vcl::TComponent* owner) : vcl::TForm(owner) {}
};

}  // namespace

VCL_IMPLEMENT_CLASS(TMessageForm)

namespace {

// Commands the skin posts, kept from the window: the test sees them and the
// window stays as it is.
struct Spy {
  std::vector<std::pair<plat::UINT, plat::WPARAM>> seen;
  static plat::LRESULT Proc(plat::HWND hwnd, plat::UINT m, plat::WPARAM w, plat::LPARAM l, plat::UINT_PTR,
                            plat::DWORD_PTR ref) {
    if (m == plat::WM_SYSCOMMAND || m == SKM_BUTTONACTION || m == plat::WM_CLOSE) {
      reinterpret_cast<Spy*>(ref)->seen.emplace_back(m, m == plat::WM_SYSCOMMAND ? (w & 0xFFF0) : w);
      return 0;
    }
    return plat::DefSubclassProc(hwnd, m, w, l);
  }
  void Watch(plat::HWND window) {
    plat::SetWindowSubclass(window, &Spy::Proc, 99, reinterpret_cast<plat::DWORD_PTR>(this));
  }
};

class WinSkinMouseTest : public SkinScreenTest {
 protected:
  void SetUp() override {
    SkinScreenTest::SetUp();
    data_ = NewSkinData(TestSkinPackage());
  }
  // A skinned, active 640 x 480 form with a menu.
  TWinSkinForm* ShowSkinned() {
    form_ = NewSizeableForm();
    auto* menu = new vcl::TMainMenu(form_);
    auto* file = new vcl::TMenuItem(menu);
    file->SetCaption("&File");
    menu->Items()->Add(file);
    form_->SetMenu(menu);
    ShowAndSkin(form_);
    TWinSkinForm* s = SkinOf(form_);
    if (s) s->PaintFrame();
    Pump();
    return s;
  }
  plat::POINT OnScreen(int x, int y) {
    plat::RECT r{};
    plat::GetWindowRect(form_->Handle(), &r);
    return plat::POINT{r.left + x, r.top + y};
  }
  void MoveTo(int x, int y) {
    Screen()->InjectMouseMove(OnScreen(x, y));
    Pump();
  }
  void ClickAt(int x, int y) {
    Screen()->InjectClick(OnScreen(x, y));
    Pump();
  }
  plat::LRESULT HitAt(int x, int y) {
    plat::POINT p = OnScreen(x, y);
    return plat::SendMessageA(form_->Handle(), plat::WM_NCHITTEST, 0, plat::MAKELPARAM(p.x, p.y));
  }
  vcl::TForm* form_ = nullptr;
};

TEST_F(WinSkinMouseTest, HitTestsFollowTheSkinsBorders) {
  TWinSkinForm* s = ShowSkinned();
  ASSERT_NE(s, nullptr);
  ASSERT_GT(s->MenuBarHeight(), 0);
  const int w = form_->Width(), h = form_->Height();
  struct Case {
    int x, y;
    plat::LRESULT hit;
  };
  // The caption is 22 high, the menu strip below it 19; the platform's own
  // layout would put the client area at 23. Caption buttons name themselves,
  // so a press on them is never taken as the start of a move.
  for (const Case& c :
       {Case{300, 2, plat::HTTOP}, Case{300, 10, plat::HTCAPTION}, Case{300, 22, plat::HTCAPTION},
        Case{300, 30, plat::HTMENU}, Case{300, 40, plat::HTMENU}, Case{300, 41, plat::HTCLIENT},
        Case{626, 10, plat::HTCLOSE}, Case{608, 10, plat::HTMAXBUTTON}, Case{590, 10, plat::HTMINBUTTON},
        Case{1, 1, plat::HTTOPLEFT}, Case{1, 200, plat::HTLEFT}, Case{w - 1, 200, plat::HTRIGHT},
        Case{300, h - 1, plat::HTBOTTOM}, Case{w - 1, h - 1, plat::HTBOTTOMRIGHT}})
    EXPECT_EQ(HitAt(c.x, c.y), c.hit) << c.x << "," << c.y;
  // Maximised, the borders no longer size the window.
  form_->SetWindowState(vcl::wsMaximized);
  Pump();
  EXPECT_EQ(HitAt(1, 200), plat::HTBORDER);
}

TEST_F(WinSkinMouseTest, CaptionButtonsFollowTheMouseAndTheHoverTimer) {
  TWinSkinForm* s = ShowSkinned();
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(s->IsActive());
  EXPECT_TRUE(s->HoverTimerEnabled());
  const int close_x = form_->Width() - 22 + 8, max_x = form_->Width() - 40 + 8;
  TNCObject* close = s->NCObjects()[0].get();
  TNCObject* max = s->NCObjects()[1].get();

  MoveTo(close_x, 10);
  EXPECT_EQ(s->HotObject(), close);
  EXPECT_EQ(WindowPixel(form_, close_x, 10), Rgb(kButtonFrames[2]));
  // From one button to the next: the first is left.
  MoveTo(max_x, 10);
  EXPECT_EQ(s->HotObject(), max);
  EXPECT_EQ(WindowPixel(form_, close_x, 10), Rgb(kButtonFrames[0]));
  EXPECT_EQ(WindowPixel(form_, max_x, 10), Rgb(kButtonFrames[2]));
  // Onto the caption beside the buttons.
  MoveTo(300, 10);
  EXPECT_EQ(s->HotObject(), nullptr);
  EXPECT_EQ(WindowPixel(form_, max_x, 10), Rgb(kButtonFrames[0]));

  // Leaving the window sends it nothing; the timer's tick notices.
  MoveTo(close_x, 10);
  ASSERT_EQ(s->HotObject(), close);
  Screen()->InjectMouseMove(plat::POINT{5, 5});
  Pump();
  s->HoverTick();
  EXPECT_EQ(s->HotObject(), nullptr);
  EXPECT_EQ(WindowPixel(form_, close_x, 10), Rgb(kButtonFrames[0]));

  // A freshly built set of buttons while one is hot leaves no hot object
  // behind for the next tick.
  MoveTo(close_x, 10);
  ASSERT_NE(s->HotObject(), nullptr);
  s->BuildNCMetrics();
  EXPECT_EQ(s->HotObject(), nullptr);
  s->HoverTick();

  // An inactive window neither lights a button nor runs its timer.
  s->PaintFrame();
  plat::SendMessageA(form_->Handle(), plat::WM_NCACTIVATE, plat::FALSE, 0);
  EXPECT_FALSE(s->HoverTimerEnabled());
  MoveTo(300, 10);
  MoveTo(close_x, 10);
  EXPECT_EQ(s->HotObject(), nullptr);
  plat::SendMessageA(form_->Handle(), plat::WM_NCACTIVATE, plat::TRUE, 0);
  EXPECT_TRUE(s->HoverTimerEnabled());
}

TEST_F(WinSkinMouseTest, AClickOnACaptionButtonRunsItsAction) {
  struct Case {
    int action;
    int clicks;
    std::vector<std::pair<plat::UINT, plat::WPARAM>> posted;
    int state;  // the form skin's window state afterwards
  };
  const Case cases[] = {
      {0, 1, {{plat::WM_SYSCOMMAND, plat::SC_CLOSE}}, 0},
      {1, 1, {{plat::WM_SYSCOMMAND, plat::SC_MAXIMIZE}}, 1},
      {1, 2, {{plat::WM_SYSCOMMAND, plat::SC_MAXIMIZE}, {plat::WM_SYSCOMMAND, plat::SC_RESTORE}}, 0},
      {2, 1, {{plat::WM_SYSCOMMAND, plat::SC_MINIMIZE}}, 2},
      {40, 1, {{SKM_BUTTONACTION, 40}}, 0},
  };
  for (const Case& c : cases) {
    data_->Skin().SysButtons[0]->Action = c.action;
    TWinSkinForm* s = ShowSkinned();
    ASSERT_NE(s, nullptr);
    Spy spy;
    spy.Watch(form_->Handle());
    const int x = form_->Width() - 22 + 8;
    for (int i = 0; i < c.clicks; ++i) {
      ClickAt(x, 10);
      // Apart, so two clicks are not one double click.
      MoveTo(300, 10);
      Screen()->InjectClick(OnScreen(300, 300));
      Pump();
    }
    EXPECT_EQ(spy.seen, c.posted) << "action " << c.action << " x" << c.clicks;
    EXPECT_EQ(s->WindowState(), c.state) << "action " << c.action;
    plat::RemoveWindowSubclass(form_->Handle(), &Spy::Proc, 99);
    delete form_;
    Pump();
  }
}

TEST_F(WinSkinMouseTest, DoubleClicksOnTheCaptionMaximiseAndRestore) {
  TWinSkinForm* s = ShowSkinned();
  ASSERT_NE(s, nullptr);
  Spy spy;
  spy.Watch(form_->Handle());
  // On a caption button a double click does nothing more than its clicks.
  const plat::LPARAM on_close = plat::MAKELPARAM(OnScreen(form_->Width() - 14, 10).x, OnScreen(0, 10).y);
  plat::SendMessageA(form_->Handle(), plat::WM_NCLBUTTONDBLCLK, plat::HTCAPTION, on_close);
  EXPECT_TRUE(spy.seen.empty());
  const plat::POINT caption = OnScreen(300, 10);
  plat::SendMessageA(form_->Handle(), plat::WM_NCLBUTTONDBLCLK, plat::HTCAPTION,
                     plat::MAKELPARAM(caption.x, caption.y));
  ASSERT_EQ(spy.seen.size(), 1u);
  EXPECT_EQ(spy.seen[0].second, plat::SC_MAXIMIZE);
}

// The form's hook: a caption change repaints the skin's frame rather than
// leaving the platform's caption, and the refresh message reaches the skin
// also when performed on the form without its window.
TEST_F(WinSkinMouseTest, TheFormsHookKeepsTheFrameAndRefreshes) {
  TWinSkinForm* s = ShowSkinned();
  ASSERT_NE(s, nullptr);
  EXPECT_TRUE(form_->HasWindowProcHook(s));
  form_->SetCaption("A new caption for the window");
  Pump();
  EXPECT_EQ(WindowPixel(form_, 500, 2), Rgb(kTopActive));
  form_->SetColor(vcl::clRed);
  form_->Perform(SKM_REFRESHSKIN);
  EXPECT_EQ(form_->Color(), data_->Skin().ButtonFace);
  // Unskinned, the hook is gone.
  SkinManager()->ScheduleAction(2, 250);
  SkinManager()->SetCurrentSkinData(data_.get());
  SkinManager()->Tick();
  Pump();
  EXPECT_FALSE(form_->HasWindowProcHook(s));
}

TEST_F(WinSkinMouseTest, ADialogIsWidenedForItsCaptionAndItsControlsMove) {
  auto* dialog = new TMessageForm(vcl::Application);
  dialog->SetBorderStyle(vcl::bsDialog);
  dialog->SetBounds(100, 50, 120, 80);
  dialog->SetCaption("A caption far wider than this small dialog");
  auto* button = new vcl::TButton(dialog);
  button->SetParent(dialog);
  button->SetBounds(10, 10, 50, 20);
  dialog->HandleNeeded();
  const int client_before = dialog->ClientWidth();
  dialog->Show();
  Pump();
  TWinSkinForm* s = SkinOf(dialog);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->BorderKind(), 3);
  // Wider than the client area and the borders; the controls move by half
  // of what the window grew.
  const int grown = dialog->Width() - (client_before + s->BorderLeft() + s->BorderRight());
  EXPECT_GT(grown, 100);
  EXPECT_EQ(dialog->ClientWidth(), client_before + grown);
  plat::RECT r{};
  plat::GetWindowRect(button->Handle(), &r);
  plat::POINT p{r.left, r.top};
  plat::ScreenToClient(dialog->Handle(), &p);
  EXPECT_EQ(p.x, 10 + grown / 2);
  EXPECT_EQ(p.y, 10);
}

TEST_F(WinSkinMouseTest, AMinimisedWindowPaintsOnlyItsCaptionBarOverTheFace) {
  TWinSkinForm* s = ShowSkinned();
  ASSERT_NE(s, nullptr);
  form_->SetWindowState(vcl::wsMinimized);
  Pump();
  ASSERT_EQ(s->WindowState(), 2);
  plat::RECT r{};
  plat::GetWindowRect(form_->Handle(), &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  ASSERT_GT(w, 0);
  vcl::TBitmap target;
  target.SetPixelFormat(vcl::pf24bit);
  target.SetSize(std::max(w, 1), std::max(h, 40));
  target.Canvas()->Brush()->SetColor(vcl::clBlack);
  target.Canvas()->FillRect(vcl::Rect(0, 0, target.Width(), target.Height()));
  s->PaintFrame(target.Canvas()->Handle());
  // The caption bar across the whole width, no side borders.
  const vcl::TColor top = s->IsActive() ? kTopActive : kTopInactive;
  EXPECT_EQ(target.Canvas()->Pixels(w / 2, 2), top);
  EXPECT_EQ(target.Canvas()->Pixels(1, 2), top);
  if (h > 22) {
    EXPECT_EQ(target.Canvas()->Pixels(w / 2, h - 1), vcl::ColorToRGB(data_->Skin().ButtonFace));
  }
}

}  // namespace
