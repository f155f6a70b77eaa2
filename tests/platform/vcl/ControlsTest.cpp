// Controls: alignment, inherited font and colour, control messages, and a
// form read from its description painted, clicked and focused on the
// headless screen.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

using namespace vcl;
using plat::backend::HeadlessBackend;
using plat::backend::MouseButton;

namespace {

// A windowless box filled with its colour.
class TBox : public TGraphicControl {
  VCL_DECLARE_CLASS(TBox, TGraphicControl)
 public:
  explicit TBox(TComponent* owner) : TGraphicControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  }
  TColor BoxColor() const { return Color(); }
  void SetBoxColor(TColor value) { SetColor(value); }

 protected:
  void Paint() override {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(Rect(0, 0, Width(), Height()));
  }
};

// A form whose description binds its handlers by name.
class TPanelsForm : public TForm {
  VCL_DECLARE_CLASS(TPanelsForm, TForm)
 public:
  explicit TPanelsForm(TComponent* owner) : TForm(owner) { InitForm(this); }
  std::vector<std::string> clicks;
  void Clicked(TObject* sender) { clicks.push_back(static_cast<TComponent*>(sender)->Name()); }
};

}  // namespace

VCL_IMPLEMENT_CLASS(TBox, ColorProp("Color", &TBox::BoxColor, &TBox::SetBoxColor),
                    EventProp("OnClick", &TBox::OnClick))
VCL_IMPLEMENT_CLASS(TPanelsForm, Method("Clicked", &TPanelsForm::Clicked))

namespace {

// Outer (blue) holds Inner (red, a window) and Box2 (yellow, windowless,
// partly under Inner); Box1 (lime) sits in Inner and reaches past its right edge.
const char* const kPanelsForm = R"(object PanelsForm: TPanelsForm
  Left = 100
  Top = 100
  BorderStyle = bsNone
  ClientHeight = 120
  ClientWidth = 200
  Color = clWhite
  OnClick = Clicked
  object Outer: TPanel
    Left = 10
    Top = 10
    Width = 120
    Height = 80
    BevelOuter = bvNone
    Color = clBlue
    OnClick = Clicked
    object Inner: TPanel
      Left = 20
      Top = 20
      Width = 60
      Height = 40
      BevelOuter = bvNone
      Color = clRed
      OnClick = Clicked
      object Box1: TBox
        Left = 50
        Top = 5
        Width = 30
        Height = 10
        Color = clLime
        OnClick = Clicked
      end
    end
    object Box2: TBox
      Left = 70
      Top = 50
      Width = 40
      Height = 20
      Color = clYellow
      OnClick = Clicked
    end
  end
end
)";

uint32_t Rgb(TColor c) {
  auto v = static_cast<uint32_t>(c);
  return ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}

class ControlsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterClasses({TPanel::StaticClass(), TBox::StaticClass()}); }

  void SetUp() override {
    InitApplication();
    InitForms();
  }
  void TearDown() override {
    plat::ReleaseCapture();
    DoneForms();
    Pump();
    DoneApplication();
  }

  static void Pump() {
    plat::user::PumpBackendEvents(0);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0, 0, plat::PM_REMOVE)) plat::DispatchMessageA(&msg);
  }

  // The form of kPanelsForm, shown and painted.
  TPanelsForm* ShowPanels() {
    RegisterFormResource("TPanelsForm", kPanelsForm);
    auto* form = new TPanelsForm(Application);
    form->Show();
    plat::UpdateWindow(form->Handle());
    Pump();
    return form;
  }

  HeadlessBackend* Screen() { return dynamic_cast<HeadlessBackend*>(&plat::backend::Current()); }
};

// ---- layout and inheritance (no windows needed) -----------------------------

struct AlignCase {
  const char* name;
  std::vector<std::pair<TAlign, int>> children;  // alignment and size (height or width)
  std::vector<TRect> expected;
};

TEST_F(ControlsTest, AlignsChildrenTopBottomLeftRightThenClient) {
  const AlignCase cases[] = {
      {"all kinds",
       {{alClient, 0}, {alLeft, 30}, {alTop, 10}, {alRight, 40}, {alBottom, 20}},
       {Rect(30, 10, 160, 80), Rect(0, 10, 30, 80), Rect(0, 0, 200, 10), Rect(160, 10, 200, 80),
        Rect(0, 80, 200, 100)}},
      {"two tops stack in order",
       {{alTop, 10}, {alTop, 15}, {alClient, 0}},
       {Rect(0, 0, 200, 10), Rect(0, 10, 200, 25), Rect(0, 25, 200, 100)}},
      {"lefts and rights meet",
       {{alRight, 50}, {alLeft, 50}, {alLeft, 25}},
       {Rect(150, 0, 200, 100), Rect(0, 0, 50, 100), Rect(50, 0, 75, 100)}},
  };
  for (const AlignCase& c : cases) {
    SCOPED_TRACE(c.name);
    TForm form(nullptr);
    form.SetBorderStyle(bsNone);
    form.SetBounds(0, 0, 200, 100);
    std::vector<TPanel*> panels;
    for (auto [align, size] : c.children) {
      auto* p = new TPanel(&form);
      // Later controls start further down and right, as a designer would place them.
      int offset = static_cast<int>(panels.size()) * 2;
      p->SetBounds(offset, offset, size ? size : 10, size ? size : 10);
      p->SetParent(&form);
      p->SetAlign(align);
      panels.push_back(p);
    }
    for (size_t i = 0; i < panels.size(); ++i) {
      TRect r = panels[i]->BoundsRect();
      const TRect& e = c.expected[i];
      EXPECT_TRUE(r.left == e.left && r.top == e.top && r.right == e.right && r.bottom == e.bottom)
          << "child " << i << ": " << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
    // A wider parent: right-aligned controls move, the full-width ones stretch.
    form.SetBounds(0, 0, 300, 100);
    for (size_t i = 0; i < panels.size(); ++i) {
      TRect e = c.expected[i];
      TAlign a = panels[i]->Align();
      if (a == alRight) e.left += 100;
      if (a != alLeft) e.right += 100;
      TRect r = panels[i]->BoundsRect();
      EXPECT_TRUE(r.left == e.left && r.right == e.right)
          << "child " << i << " after resize: " << r.left << "," << r.right;
    }
  }
}

TEST_F(ControlsTest, MovingAnAlignedControlPastAnotherReordersThem) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 200, 100);
  auto* first = new TPanel(&form);
  auto* second = new TPanel(&form);
  int top = 0;
  for (TPanel* p : {first, second}) {
    p->SetParent(&form);
    p->SetBounds(0, top, 100, 10);
    p->SetAlign(alTop);
    top += 50;
  }
  ASSERT_EQ(first->Top(), 0);
  ASSERT_EQ(second->Top(), 10);
  first->SetTop(15);
  EXPECT_EQ(second->Top(), 0);
  EXPECT_EQ(first->Top(), 10);
  // A control freed on its own leaves its parent's layout.
  delete second;
  EXPECT_EQ(form.ControlCount(), 1);
  EXPECT_EQ(first->Top(), 0);
}

TEST_F(ControlsTest, PanelKeepsAlignedChildrenInsideItsEdgesAndAnchorsFollowResize) {
  TForm form(nullptr);
  form.SetBorderStyle(bsNone);
  form.SetBounds(0, 0, 200, 100);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  panel->SetBounds(0, 0, 100, 60);
  panel->SetBevelOuter(bvRaised);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  panel->SetBorderWidth(3);
  auto* client = new TPanel(&form);
  client->SetParent(panel);
  client->SetAlign(alClient);
  TRect r = client->BoundsRect();
  EXPECT_EQ(r.left, 7);
  EXPECT_EQ(r.top, 7);
  EXPECT_EQ(r.right, 93);
  EXPECT_EQ(r.bottom, 53);

  auto* corner = new TPanel(&form);
  corner->SetParent(&form);
  corner->SetBounds(150, 70, 40, 20);
  corner->SetAnchors(TAnchors{akRight, akBottom});
  auto* stretch = new TPanel(&form);
  stretch->SetParent(&form);
  stretch->SetBounds(10, 70, 100, 20);
  stretch->SetAnchors(TAnchors{akLeft, akTop, akRight});
  form.SetBounds(0, 0, 250, 130);
  EXPECT_EQ(corner->Left(), 200);
  EXPECT_EQ(corner->Top(), 100);
  EXPECT_EQ(stretch->Left(), 10);
  EXPECT_EQ(stretch->Width(), 150);
  EXPECT_EQ(stretch->Top(), 70);
}

TEST_F(ControlsTest, FontAndColorFollowTheParentUntilSetOnTheChild) {
  TForm form(nullptr);
  auto* outer = new TPanel(&form);
  outer->SetParent(&form);
  outer->SetParentColor(true);
  auto* inner = new TPanel(&form);
  inner->SetParent(outer);
  inner->SetParentColor(true);
  auto* box = new TBox(&form);
  box->SetParent(inner);
  box->SetParentColor(true);

  form.Font()->SetName("Arial");
  form.Font()->SetSize(12);
  form.SetColor(clNavy);
  for (TControl* c : std::initializer_list<TControl*>{outer, inner, box}) {
    SCOPED_TRACE(c->ClassName());
    EXPECT_EQ(c->Font()->Name(), "Arial");
    EXPECT_EQ(c->Font()->Size(), 12);
    EXPECT_TRUE(c->ParentFont());
    EXPECT_EQ(c->Color(), clNavy);
    EXPECT_TRUE(c->ParentColor());
  }

  // A value of its own ends the inheritance for the control, not for its children.
  inner->Font()->SetSize(20);
  inner->SetColor(clMaroon);
  EXPECT_FALSE(inner->ParentFont());
  EXPECT_FALSE(inner->ParentColor());
  EXPECT_EQ(box->Font()->Size(), 20);
  EXPECT_EQ(box->Color(), clMaroon);
  form.Font()->SetSize(9);
  form.SetColor(clTeal);
  EXPECT_EQ(outer->Font()->Size(), 9);
  EXPECT_EQ(inner->Font()->Size(), 20);
  EXPECT_EQ(box->Font()->Size(), 20);
  EXPECT_EQ(inner->Color(), clMaroon);

  // Asking to follow again takes the parent's values at once.
  inner->SetParentFont(true);
  inner->SetParentColor(true);
  EXPECT_EQ(inner->Font()->Size(), 9);
  EXPECT_EQ(box->Font()->Size(), 9);
  EXPECT_EQ(box->Color(), clTeal);

  // A control placed later picks the values up when it gets its parent.
  auto* late = new TBox(&form);
  late->SetParentColor(true);
  late->SetParent(outer);
  EXPECT_EQ(late->Color(), clTeal);
  EXPECT_EQ(late->Font()->Size(), 9);
}

TEST_F(ControlsTest, ControlMessagesReachAHookedWindowProc) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  std::vector<plat::UINT> seen;
  TWndMethod old = panel->WindowProc;
  panel->WindowProc = [&](TMessage& m) {
    if (m.Msg >= CM_BASE && m.Msg < CM_BASE + 100) seen.push_back(m.Msg);
    old(m);
  };
  const std::pair<std::function<void()>, plat::UINT> cases[] = {
      {[&] { panel->SetEnabled(false); }, CM_ENABLEDCHANGED},
      {[&] { panel->SetVisible(false); }, CM_VISIBLECHANGED},
      {[&] { panel->Font()->SetSize(14); }, CM_FONTCHANGED},
      {[&] { panel->SetCaption("x"); }, CM_TEXTCHANGED},
      {[&] { panel->SetColor(clAqua); }, CM_COLORCHANGED},
      {[&] {
         form.Font()->SetSize(10);
         panel->SetParentFont(true);
       },
       CM_PARENTFONTCHANGED},
      {[&] { panel->SetParentColor(true); }, CM_PARENTCOLORCHANGED},
      {[&] { panel->Perform(CM_MOUSEENTER); }, CM_MOUSEENTER},
  };
  for (const auto& [act, message] : cases) {
    seen.clear();
    act();
    EXPECT_NE(std::find(seen.begin(), seen.end(), message), seen.end()) << std::hex << message;
  }
  // Unchanged values send nothing.
  seen.clear();
  panel->SetEnabled(false);
  panel->SetCaption("x");
  EXPECT_TRUE(seen.empty());
  panel->WindowProc = old;
}

// Hooks chain in front of WndProc and leave by key in any order, also from
// inside a message: what has left is not called again, the rest still is.
TEST_F(ControlsTest, WindowProcHooksLeaveInAnyOrder) {
  constexpr plat::UINT kProbe = CM_BASE + 90;
  struct Case {
    const char* name;
    std::vector<int> removed_before;  // hooks 0, 1, 2 added in that order
    int remover = -1;                 // this hook removes `victim` while it runs
    int victim = -1;
    std::vector<int> called;  // in the order they see the message
  };
  const Case cases[] = {
      {"all three, last added first", {}, -1, -1, {2, 1, 0}},
      {"first removed", {0}, -1, -1, {2, 1}},
      {"middle removed", {1}, -1, -1, {2, 0}},
      {"last removed", {2}, -1, -1, {1, 0}},
      {"all removed in reverse", {2, 1, 0}, -1, -1, {}},
      {"an outer hook removes an inner one on the way", {}, 2, 0, {2, 1}},
      {"a hook removes itself on the way", {}, 1, 1, {2, 1, 0}},
  };
  for (const Case& c : cases) {
    TPanel panel(nullptr);
    std::vector<int> called;
    int handled = 0;
    int keys[3] = {0, 1, 2};
    bool removed_on_the_way = false;
    for (int i = 0; i < 3; ++i)
      EXPECT_TRUE(panel.AddWindowProcHook(&keys[i], [&, i](TMessage& m, const TWndHookNext& next) {
        if (m.Msg == kProbe) called.push_back(i);
        if (m.Msg == kProbe && i == c.remover && !removed_on_the_way) {
          EXPECT_TRUE(panel.RemoveWindowProcHook(&keys[c.victim]));
          removed_on_the_way = true;
        }
        next(m);
      }));
    EXPECT_FALSE(panel.AddWindowProcHook(&keys[0], [](TMessage&, const TWndHookNext&) {}));
    TWndMethod outer = panel.WindowProc;
    panel.WindowProc = [&](TMessage& m) {
      if (m.Msg == kProbe) ++handled;
      outer(m);
    };
    for (int k : c.removed_before) EXPECT_TRUE(panel.RemoveWindowProcHook(&keys[k]));
    panel.Perform(kProbe);
    EXPECT_EQ(called, c.called) << c.name;
    EXPECT_EQ(handled, 1) << c.name;
    // A second message sees only the hooks still there.
    called.clear();
    panel.Perform(kProbe);
    std::vector<int> left;
    for (int k : c.called)
      if (k != c.victim) left.push_back(k);
    EXPECT_EQ(called, left) << c.name;
    for (int k = 0; k < 3; ++k) panel.RemoveWindowProcHook(&keys[k]);
    EXPECT_FALSE(panel.HasWindowProcHook(&keys[0]));
  }
}

TEST_F(ControlsTest, BroadcastStopsAtTheFirstAnswerAndSystemColoursReachNestedChildren) {
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* first = new TBox(&form);
  first->SetParent(&form);
  auto* second = new TBox(&form);
  second->SetParent(&form);
  auto* nested = new TBox(&form);
  nested->SetParent(panel);
  std::vector<std::pair<TControl*, TMessage>> heard;
  std::vector<TWndMethod> olds;
  for (TControl* c :
       {static_cast<TControl*>(first), static_cast<TControl*>(second), static_cast<TControl*>(nested)}) {
    TWndMethod old = c->WindowProc;
    c->WindowProc = [&heard, c, second, old](TMessage& m) {
      if (m.Msg == CM_BUTTONPRESSED || m.Msg == CM_SYSCOLORCHANGE) {
        heard.emplace_back(c, m);
        if (m.Msg == CM_BUTTONPRESSED && c == second) m.Result = 7;
        return;
      }
      old(m);
    };
  }
  TMessage m{CM_BUTTONPRESSED, 3, 0x1234, 0};
  form.Broadcast(m);
  EXPECT_EQ(m.Result, 7);
  ASSERT_EQ(heard.size(), 2u);  // the first answer ends it; the panel's child is not asked
  EXPECT_EQ(heard[0].first, first);
  EXPECT_EQ(heard[0].second.WParam, 3u);
  EXPECT_EQ(heard[0].second.LParam, 0x1234);
  EXPECT_EQ(heard[1].first, second);

  heard.clear();
  form.Perform(plat::WM_SYSCOLORCHANGE);
  std::vector<TControl*> told;
  for (const auto& h : heard) told.push_back(h.first);
  EXPECT_EQ(told, (std::vector<TControl*>{first, second, nested}));
}

// ---- a form from its description on the headless screen ---------------------

TEST_F(ControlsTest, FormFromDescriptionPaintsChildrenInOrderAndClipped) {
  ASSERT_NE(Screen(), nullptr);
  TPanelsForm* form = ShowPanels();
  ASSERT_TRUE(form->HandleAllocated());
  EXPECT_EQ(form->ClientWidth(), 200);
  EXPECT_EQ(form->ClientHeight(), 120);
  EXPECT_EQ(dynamic_cast<TPanel*>(form->FindComponent("Inner"))->Parent(), form->FindComponent("Outer"));

  struct Probe {
    int x, y;
    TColor color;
    const char* what;
  };
  const Probe probes[] = {
      {5, 5, clWhite, "form"},
      {15, 15, clBlue, "outer panel"},
      {35, 35, clRed, "inner panel over outer"},
      {85, 40, clLime, "box inside inner"},
      {95, 40, clBlue, "box clipped at inner's edge"},
      {100, 75, clYellow, "windowless box in outer"},
      {85, 65, clRed, "inner window above outer's windowless box"},
      {150, 100, clWhite, "form right of outer"},
  };
  // Through the window's own paint cycle, and through PaintTo into a bitmap.
  plat::HDC screen_dc = plat::GetDC(nullptr);
  plat::HDC mem = plat::CreateCompatibleDC(screen_dc);
  plat::HBITMAP bmp = plat::CreateCompatibleBitmap(screen_dc, 200, 120);
  plat::HGDIOBJ old = plat::SelectObject(mem, bmp);
  form->PaintTo(mem, 0, 0);
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.what);
    EXPECT_EQ(Screen()->PresentedPixel(form->Handle(), p.x, p.y), Rgb(p.color));
    EXPECT_EQ(plat::GetPixel(mem, p.x, p.y), static_cast<plat::COLORREF>(p.color));
  }
  plat::SelectObject(mem, old);
  plat::DeleteObject(bmp);
  plat::DeleteDC(mem);
  plat::ReleaseDC(nullptr, screen_dc);
}

TEST_F(ControlsTest, InjectedClickReachesTheControlUnderThePointer) {
  ASSERT_NE(Screen(), nullptr);
  TPanelsForm* form = ShowPanels();
  const std::pair<plat::POINT, const char*> cases[] = {
      {{35, 35}, "Inner"}, {{85, 40}, "Box1"},  {{95, 40}, "Outer"},
      {{100, 75}, "Box2"}, {{85, 65}, "Inner"}, {{5, 5}, "PanelsForm"},
  };
  for (const auto& [point, name] : cases) {
    SCOPED_TRACE(name);
    form->clicks.clear();
    Screen()->InjectClick(plat::POINT{100 + point.x, 100 + point.y});
    Pump();
    EXPECT_EQ(form->clicks, std::vector<std::string>{name});
  }
}

TEST_F(ControlsTest, CaptureKeepsMouseEventsAtThePressedControl) {
  ASSERT_NE(Screen(), nullptr);
  TPanelsForm* form = ShowPanels();
  auto* box = dynamic_cast<TBox*>(form->FindComponent("Box2"));
  auto* inner = dynamic_cast<TPanel*>(form->FindComponent("Inner"));
  std::vector<std::string> log;
  box->OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
    log.push_back("box move " + std::to_string(x) + "," + std::to_string(y));
  };
  box->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
    log.push_back("box up " + std::to_string(x) + "," + std::to_string(y));
  };
  inner->OnMouseMove = [&](TObject*, TShiftState, int, int) { log.push_back("inner move"); };
  inner->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int, int) { log.push_back("inner up"); };

  // Press on Box2 (form 100,75 = box 20,15), drag off it to form 40,40, release there.
  Screen()->InjectMouseMove(plat::POINT{200, 175});
  Screen()->InjectMouseButton(MouseButton::Left, true);
  Pump();
  EXPECT_EQ(GetCaptureControl(), box);
  log.clear();
  Screen()->InjectMouseMove(plat::POINT{140, 140});
  Screen()->InjectMouseButton(MouseButton::Left, false);
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"box move -40,-20", "box up -40,-20"}));
  EXPECT_EQ(GetCaptureControl(), nullptr);
  // Released away from the box: no click.
  EXPECT_TRUE(form->clicks.empty());
}

TEST_F(ControlsTest, WindowlessCaptureControlHearsWhenItsWindowLosesCapture) {
  ASSERT_NE(Screen(), nullptr);
  TPanelsForm* form = ShowPanels();
  auto* box = dynamic_cast<TBox*>(form->FindComponent("Box2"));
  auto* inner = dynamic_cast<TPanel*>(form->FindComponent("Inner"));
  std::vector<plat::LPARAM> notices;
  TWndMethod old = box->WindowProc;
  box->WindowProc = [&](TMessage& m) {
    if (m.Msg == plat::WM_CAPTURECHANGED) notices.push_back(m.LParam);
    old(m);
  };
  auto press_box = [&] {
    Screen()->InjectMouseMove(plat::POINT{200, 175});
    Screen()->InjectMouseButton(MouseButton::Left, true);
    Pump();
    ASSERT_EQ(GetCaptureControl(), box);
  };
  auto release = [&] {
    Screen()->InjectMouseButton(MouseButton::Left, false);
    Pump();
  };

  // Another window takes capture: one notice naming it, and the press gives no click.
  press_box();
  plat::SetCapture(inner->Handle());
  EXPECT_EQ(notices, std::vector<plat::LPARAM>{reinterpret_cast<plat::LPARAM>(inner->Handle())});
  EXPECT_EQ(GetCaptureControl(), nullptr);
  EXPECT_FALSE(box->MouseCapture());
  plat::ReleaseCapture();
  release();
  EXPECT_TRUE(form->clicks.empty());
  EXPECT_EQ(notices.size(), 1u);

  // Capture released behind the control's back (a modal box, a disabled window).
  notices.clear();
  press_box();
  plat::ReleaseCapture();
  EXPECT_EQ(notices, std::vector<plat::LPARAM>{0});
  EXPECT_EQ(GetCaptureControl(), nullptr);
  release();

  // Giving capture up itself on the button release is no loss; the next click works.
  notices.clear();
  form->clicks.clear();
  press_box();
  release();
  EXPECT_TRUE(notices.empty());
  EXPECT_EQ(form->clicks, std::vector<std::string>{"Box2"});
  box->WindowProc = old;
}

TEST_F(ControlsTest, FocusMovesBetweenWindowedControlsWithExitAndEnter) {
  ASSERT_NE(Screen(), nullptr);
  TPanelsForm* form = ShowPanels();
  auto* outer = dynamic_cast<TPanel*>(form->FindComponent("Outer"));
  auto* inner = dynamic_cast<TPanel*>(form->FindComponent("Inner"));
  auto* side = new TPanel(form);
  side->SetName("Side");
  side->SetBounds(140, 10, 50, 50);
  side->SetParent(form);
  std::vector<std::string> log;
  for (TWinControl* c : std::initializer_list<TWinControl*>{outer, inner, side}) {
    c->OnEnter = [&log](TObject* s) { log.push_back("enter " + static_cast<TComponent*>(s)->Name()); };
    c->OnExit = [&log](TObject* s) { log.push_back("exit " + static_cast<TComponent*>(s)->Name()); };
  }
  outer->SetFocus();
  Pump();
  EXPECT_TRUE(outer->Focused());
  side->SetFocus();
  Pump();
  EXPECT_TRUE(side->Focused());
  EXPECT_FALSE(outer->Focused());
  inner->SetFocus();
  Pump();
  EXPECT_EQ(log, (std::vector<std::string>{"enter Outer", "exit Outer", "enter Side", "exit Side",
                                           "enter Outer", "enter Inner"}));
  EXPECT_EQ(form->ActiveControl(), inner);
  EXPECT_EQ(plat::GetFocus(), inner->Handle());

  // A control that cannot take the focus refuses it.
  side->SetEnabled(false);
  EXPECT_THROW(side->SetFocus(), EInvalidOperation);
}

// While one thread draws with a DC the canvas fetched for itself, a paint on
// another thread waits for the canvas instead of releasing that DC under it.
TEST_F(ControlsTest, PaintOnWaitsForTheCanvasBeforeLettingGoOfItsOwnDc) {
  TPanelsForm* form = ShowPanels();
  auto* canvas = static_cast<TControlCanvas*>(static_cast<TBox*>(form->FindComponent("Box2"))->Canvas());
  canvas->Lock();
  const plat::HDC own = canvas->Handle();
  ASSERT_NE(own, nullptr);
  std::atomic<bool> painted{false};
  std::thread other([&] {
    const plat::HDC dc = plat::GetDC(form->Handle());
    canvas->PaintOn(dc, [&] { painted = true; });
    plat::ReleaseDC(form->Handle(), dc);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_FALSE(painted);
  // Still the canvas's own DC, not released and fetched anew.
  EXPECT_EQ(canvas->HandleAllocated() ? canvas->Handle() : nullptr, own);
  canvas->Unlock();
  other.join();
  EXPECT_TRUE(painted);
  EXPECT_EQ(canvas->LockCount(), 0);
}

}  // namespace
