// Control companions on the headless screen: hooked into a class-library
// control or subclassing a bare window, answering and painting as the base
// does, and leaving in every order with their control, their helper
// windows, the form skin that owns them and the form, also in the middle of
// a message, without touching anything that is gone.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Paint.h"
#include "platform/user/Subclass.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "skin/SkinControlFixture.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSubClass.h"

using namespace skin;
using namespace skin_test;

namespace {

// What a handler in front of or behind the companion sees; on WM_ENABLE it
// may run an action in place of passing the message on.
struct Spy {
  std::vector<plat::UINT> seen;
  std::function<void()> on_enable;

  // True when the message was taken.
  bool See(plat::UINT message) {
    seen.push_back(message);
    if (message != plat::WM_ENABLE || !on_enable) return false;
    auto action = std::move(on_enable);
    on_enable = nullptr;
    action();
    return true;
  }
};

plat::LRESULT SpyProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam,
                      plat::UINT_PTR, plat::DWORD_PTR ref) {
  if (reinterpret_cast<Spy*>(ref)->See(message)) return 0;
  return plat::DefSubclassProc(hwnd, message, wparam, lparam);
}

// A panel that publishes whether it shows its parent's background.
class TBackPanel : public vcl::TPanel {
  VCL_DECLARE_CLASS(TBackPanel, vcl::TPanel)
 public:
  using vcl::TPanel::TPanel;
  bool ParentBackground() const { return back_; }
  void SetParentBackground(bool value) {
    back_ = value;
    if (writes) ++*writes;
  }
  bool back_ = true;
  int* writes = nullptr;
};

}  // namespace

VCL_IMPLEMENT_CLASS(TBackPanel, vcl::published::BoolProp("ParentBackground", &TBackPanel::ParentBackground,
                                                         &TBackPanel::SetParentBackground))

namespace {

// A helper window a companion made; counts its destruction.
class TOverlay : public vcl::TPanel {
 public:
  explicit TOverlay(int* freed) : vcl::TPanel(nullptr), freed_(freed) {}
  ~TOverlay() override { ++*freed_; }

 private:
  int* freed_;
};

// A windowed control by its hook list, the same by its window's subclass
// chain, and a windowless control by its hook list.
enum class Way { Hook, Subclass, Windowless };
enum class Order {
  CompanionFirst,
  ControlFirst,
  ControlDuringMessage,
  CompanionDuringMessage,
  FormSkinFirst,
  FormClosed
};

class WinSubClassTest : public SkinScreenTest {
 protected:
  void SetUp() override {
    SkinScreenTest::SetUp();
    data_ = NewSkinData(TestSkinPackage());
  }

  // A skinned form with a control on it (a panel, or a speed button); the
  // spy joins the control before the companion, `outer` after it. The
  // companion's helper sits on the panel, or on the form beside the button.
  void Build(Way way) {
    form_ = NewSizeableForm(320, 240);
    ShowAndSkin(form_);
    skin_form_ = SkinOf(form_);
    ASSERT_NE(skin_form_, nullptr);
    panel_ = nullptr;
    window_ = nullptr;
    if (way == Way::Windowless) {
      control_ = new vcl::TSpeedButton(form_);
    } else {
      panel_ = new vcl::TPanel(form_);
      control_ = panel_;
    }
    control_->SetParent(form_);
    control_->SetBounds(10, 10, 80, 40);
    control_->SetParentColor(true);
    if (panel_) window_ = panel_->Handle();
    Join(way, &spy_, 1);
    companion_ = new TProbeCompanion(way == Way::Subclass ? nullptr : control_, &log_);
    if (way == Way::Subclass)
      companion_->AttachWindow(window_, data_.get(), skin_form_, skin_form_->WorkCanvas());
    else
      companion_->AttachControl(skin_form_, data_.get(), true, skin_form_->WorkCanvas());
    Join(way, &outer_, 2);
    auto* helper = new TOverlay(&helpers_freed_);
    helper->SetParent(panel_ ? panel_ : static_cast<vcl::TWinControl*>(form_));
    companion_->AdoptHelper(helper);
  }
  void Join(Way way, Spy* spy, int id) {
    if (way == Way::Subclass)
      plat::SetWindowSubclass(window_, &SpyProc, static_cast<plat::UINT_PTR>(id),
                              reinterpret_cast<plat::DWORD_PTR>(spy));
    else
      control_->AddWindowProcHook(spy, [spy](vcl::TMessage& m, const vcl::TWndHookNext& next) {
        if (!spy->See(m.Msg)) next(m);
      });
  }
  plat::LRESULT Send(plat::UINT message, plat::WPARAM wparam = 0, plat::LPARAM lparam = 0) {
    if (!window_) return control_->Perform(message, wparam, lparam);
    return plat::SendMessageA(window_, message, wparam, lparam);
  }

  vcl::TForm* form_ = nullptr;
  TWinSkinForm* skin_form_ = nullptr;
  vcl::TPanel* panel_ = nullptr;
  vcl::TControl* control_ = nullptr;
  plat::HWND window_ = nullptr;
  TProbeCompanion* companion_ = nullptr;
  CompanionLog log_;
  Spy spy_, outer_;
  int helpers_freed_ = 0;
};

TEST_F(WinSubClassTest, CompanionLeavesInEveryOrderAndTouchesNothingGone) {
  struct Case {
    const char* name;
    Way way;
    Order order;
  };
  std::vector<Case> cases;
  for (Way way : {Way::Hook, Way::Subclass, Way::Windowless})
    for (Order order : {Order::CompanionFirst, Order::ControlFirst, Order::ControlDuringMessage,
                        Order::CompanionDuringMessage, Order::FormSkinFirst, Order::FormClosed})
      cases.push_back({way == Way::Hook       ? "hook"
                       : way == Way::Subclass ? "subclass"
                                              : "windowless",
                       way, order});

  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " order " + std::to_string(static_cast<int>(c.order)));
    log_ = {};
    spy_ = {};
    outer_ = {};
    helpers_freed_ = 0;
    Build(c.way);
    const vcl::TColor face = data_->Skin().ButtonFace;
    ASSERT_EQ(skin_form_->SkinnedControls().Count(), 1);
    EXPECT_EQ(Send(SKM_ISSKINNED), 1);
    EXPECT_FALSE(Saw(spy_.seen, SKM_ISSKINNED));
    if (c.way != Way::Subclass) {
      EXPECT_EQ(control_->Color(), face);
    }

    // The companion gone while the control lives: both other handlers keep
    // their messages, the companion gets none, the colour comes back.
    auto companion_gone_control_lives = [&] {
      EXPECT_EQ(log_.freed, 1);
      EXPECT_EQ(helpers_freed_, 1);
      EXPECT_EQ(skin_form_->SkinnedControls().Count(), 0);
      const size_t pre = log_.pre.size();
      spy_.seen.clear();
      outer_.seen.clear();
      Send(plat::WM_ENABLE, 1);
      EXPECT_TRUE(Saw(spy_.seen, plat::WM_ENABLE));
      EXPECT_TRUE(Saw(outer_.seen, plat::WM_ENABLE));
      EXPECT_EQ(log_.pre.size(), pre);
      EXPECT_EQ(Send(SKM_ISSKINNED), 0);
      if (c.way != Way::Subclass) {
        EXPECT_TRUE(control_->ParentColor());
        EXPECT_EQ(control_->Color(), form_->Color());
      }
      delete control_;
    };
    // The control gone first: nothing was written into it on its way out,
    // the helper on it went with it once, and the sweep frees the companion
    // (and a helper that is still there).
    auto control_gone = [&](size_t mark) {
      EXPECT_EQ(companion_->SkinState(), kSkinWindowGone);
      EXPECT_EQ(helpers_freed_, panel_ ? 1 : 0);
      for (size_t i = mark; i < spy_.seen.size(); ++i) EXPECT_NE(spy_.seen[i], vcl::CM_COLORCHANGED);
      EXPECT_EQ(log_.freed, 0);
      skin_form_->SkinnedControls().Sweep();
      EXPECT_EQ(log_.freed, 1);
      EXPECT_EQ(helpers_freed_, 1);
      EXPECT_EQ(skin_form_->SkinnedControls().Count(), 0);
    };

    switch (c.order) {
      case Order::CompanionFirst:
        TSkinControl::Free(companion_);
        companion_gone_control_lives();
        break;
      case Order::ControlFirst: {
        const size_t mark = spy_.seen.size();
        delete control_;
        control_gone(mark);
        break;
      }
      case Order::ControlDuringMessage: {
        const size_t mark = spy_.seen.size();
        spy_.on_enable = [&] { delete control_; };
        Send(plat::WM_ENABLE, 1);
        EXPECT_FALSE(Saw(log_.post, plat::WM_ENABLE));
        control_gone(mark);
        break;
      }
      case Order::CompanionDuringMessage:
        spy_.on_enable = [&] {
          TSkinControl::Free(companion_);
          EXPECT_EQ(log_.freed, 0);  // its handler is still running
        };
        Send(plat::WM_ENABLE, 1);
        EXPECT_FALSE(Saw(log_.post, plat::WM_ENABLE));
        companion_gone_control_lives();
        break;
      case Order::FormSkinFirst:
        skin_form_->SkinnedControls().UnskinAll();
        companion_gone_control_lives();
        break;
      case Order::FormClosed: {
        const size_t mark = spy_.seen.size();
        delete form_;
        form_ = nullptr;
        EXPECT_EQ(log_.freed, 1);
        EXPECT_EQ(helpers_freed_, 1);
        for (size_t i = mark; i < spy_.seen.size(); ++i) EXPECT_NE(spy_.seen[i], vcl::CM_COLORCHANGED);
        break;
      }
    }
    delete form_;
    form_ = nullptr;
    Pump();
  }
}

TEST_F(WinSubClassTest, MessagesReachTheControlAsTheBaseDecides) {
  struct Row {
    plat::UINT message;
    plat::WPARAM wparam;
    bool passed_on;
    int draws;
  };
  const Row rows[] =
      {
          {plat::WM_SETFOCUS, 0, true, 1}, {plat::WM_KILLFOCUS, 0, true, 1},
          {plat::WM_ENABLE, 1, true, 1},   {vcl::CM_ENABLEDCHANGED, 0, true, 1},
          {SKM_SETACTIVE, 0, false, 0},  // off: the next paint is the control's own
          {plat::WM_PAINT, 0, true, 0},    {SKM_SETACTIVE, 1, false, 1},
          {plat::WM_PAINT, 0, true, 1},    {SKM_ISSKINNED, 0, false, 0},
      };
  for (Way way : {Way::Hook, Way::Subclass}) {
    SCOPED_TRACE(way == Way::Hook ? "hook" : "subclass");
    log_ = {};
    spy_ = {};
    Build(way);
    Pump();
    for (const Row& row : rows) {
      SCOPED_TRACE(row.message);
      spy_.seen.clear();
      const int draws = log_.draws;
      if (row.message == plat::WM_PAINT) {
        plat::InvalidateRect(window_, nullptr, plat::TRUE);
        plat::UpdateWindow(window_);
      } else {
        Send(row.message, row.wparam);
      }
      EXPECT_EQ(Saw(spy_.seen, row.message), row.passed_on);
      EXPECT_EQ(log_.draws - draws, row.draws);
    }
    EXPECT_TRUE(companion_->SkinActive);
    spy_.seen.clear();
    companion_->SendMouseLeave();
    EXPECT_TRUE(Saw(spy_.seen, vcl::CM_MOUSELEAVE));

    // The window goes while skinned: the companion is done with it, and the
    // control got its colour back.
    if (way == Way::Hook) {
      spy_.seen.clear();
      plat::DestroyWindow(window_);
      EXPECT_TRUE(Saw(spy_.seen, plat::WM_NCDESTROY));
      EXPECT_EQ(companion_->SkinState(), kSkinWindowGone);
      EXPECT_FALSE(companion_->SkinActive);
      EXPECT_TRUE(panel_->ParentColor());
    }
    delete form_;
    form_ = nullptr;
    EXPECT_EQ(log_.freed, 1);
    Pump();
  }
}

TEST_F(WinSubClassTest, ParentBackgroundIsSwitchedOffWhileSkinned) {
  form_ = NewSizeableForm(320, 240);
  ShowAndSkin(form_);
  skin_form_ = SkinOf(form_);
  ASSERT_NE(skin_form_, nullptr);
  struct Row {
    bool before;
    bool option;  // xoParentBackGround: left alone
    bool during, after;
    int mode;
  };
  for (Row row : {Row{true, false, false, true, 1}, Row{false, false, false, false, 0},
                  Row{true, true, true, true, 0}}) {
    SCOPED_TRACE(std::to_string(row.before) + std::to_string(row.option));
    TSkinOptions options = data_->Options();
    if (row.option)
      options.Include(xoParentBackGround);
    else
      options.Exclude(xoParentBackGround);
    data_->SetOptions(options);
    auto* panel = new TBackPanel(form_);
    panel->SetParent(form_);
    panel->back_ = row.before;
    auto* companion = new TProbeCompanion(panel, &log_);
    companion->AttachControl(skin_form_, data_.get(), true, nullptr);
    EXPECT_EQ(panel->ParentBackground(), row.during);
    EXPECT_EQ(companion->Mode, row.mode);
    skin_form_->SkinnedControls().UnskinAll();
    EXPECT_EQ(panel->ParentBackground(), row.after);
    // Nothing is written on the way out of a panel that is going.
    companion = new TProbeCompanion(panel, &log_);
    companion->AttachControl(skin_form_, data_.get(), true, nullptr);
    int writes = 0;
    panel->writes = &writes;
    delete panel;
    EXPECT_EQ(writes, 0);
    EXPECT_EQ(companion->SkinState(), kSkinWindowGone);
    skin_form_->SkinnedControls().Sweep();
  }
  delete form_;
  form_ = nullptr;
}

}  // namespace
