// The control walk of a skinned form: which companion each control gets
// (a table of controls on one form), the skin data's class list with its
// kinds, the skip tag, SkinControls, a second walk, and bare child windows
// mapped by their window class.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "platform/user/Button.h"
#include "platform/user/ComboBox.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/MPlayer.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "skin/SkinFormFixture.h"
#include "skin/WinSkinBoxes.h"
#include "skin/WinSkinButtons.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinEdits.h"
#include "skin/WinSkinPlayer.h"
#include "skin/WinSkinRanges.h"
#include "skin/WinSkinScroll.h"
#include "skin/WinSkinWalk.h"

using namespace skin;
using namespace skin_test;

namespace {

// Classes of the program's own kind, named in the skin data's class list.
class TMyPanel : public vcl::TPanel {
  VCL_DECLARE_CLASS(TMyPanel, vcl::TPanel)
 public:
  using vcl::TPanel::TPanel;
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }
  bool transparent_ = false;
};
class TMyNilPanel : public vcl::TPanel {
  VCL_DECLARE_CLASS(TMyNilPanel, vcl::TPanel)
 public:
  using vcl::TPanel::TPanel;
};
// A class whose own mouse-down handling the skin leaves alone.
class TRzTestButton : public vcl::TButton {
  VCL_DECLARE_CLASS(TRzTestButton, vcl::TButton)
 public:
  using vcl::TButton::TButton;
};
class TMyButton : public vcl::TButton {
  VCL_DECLARE_CLASS(TMyButton, vcl::TButton)
 public:
  using vcl::TButton::TButton;
};
// Buttons and a check group named in the list by kind.
class TMyBitBtn : public vcl::TBitBtn {
  VCL_DECLARE_CLASS(TMyBitBtn, vcl::TBitBtn)
 public:
  using vcl::TBitBtn::TBitBtn;
};
class TMyPngBtn : public vcl::TBitBtn {
  VCL_DECLARE_CLASS(TMyPngBtn, vcl::TBitBtn)
 public:
  using vcl::TBitBtn::TBitBtn;
};
class TMyMenuBtn : public vcl::TButton {
  VCL_DECLARE_CLASS(TMyMenuBtn, vcl::TButton)
 public:
  using vcl::TButton::TButton;
};
class TRzTestCheckGroup : public vcl::TPanel {
  VCL_DECLARE_CLASS(TRzTestCheckGroup, vcl::TPanel)
 public:
  using vcl::TPanel::TPanel;
};

}  // namespace

VCL_IMPLEMENT_CLASS(TMyPanel, vcl::published::BoolProp("Transparent", &TMyPanel::Transparent,
                                                       &TMyPanel::SetTransparent))
VCL_IMPLEMENT_CLASS(TMyNilPanel)
VCL_IMPLEMENT_CLASS(TMyButton)
VCL_IMPLEMENT_CLASS(TRzTestButton)
VCL_IMPLEMENT_CLASS(TMyBitBtn)
VCL_IMPLEMENT_CLASS(TMyPngBtn)
VCL_IMPLEMENT_CLASS(TMyMenuBtn)
VCL_IMPLEMENT_CLASS(TRzTestCheckGroup)

namespace {

class WinSkinWalkTest : public SkinControlFormTest {
 protected:
  void SetUp() override {
    SkinControlFormTest::SetUp();
    TestSkinOptions o;
    o.buttons += "[Buttons]\nBitmap=btn.bmp\n";
    o.extra = {{"btn.bmp", FramesBmp(50, 10, 5, false, {0xC0, 0xC000, 0xC00000, 0xC0C0, 0xC0C000})}};
    MakeTheForm(o, 400, 300);
    data_->Skin3rd()->Clear();
    data_->Skin3rd()->Add("TMyNilPanel=nil");
    data_->Skin3rd()->Add("TMyPanel=Panel");
    data_->Skin3rd()->Add("TMyButton=unknownkind");
    data_->Skin3rd()->Add("TMyBitBtn=bitbtn");
    data_->Skin3rd()->Add("TMyPngBtn=PngBitBtn");
    data_->Skin3rd()->Add("TMyMenuBtn=menubtn");
    data_->Skin3rd()->Add("TRzTestCheckGroup=checkgroup");
    data_->Skin3rd()->Add("TTrackBar=trackbar");
    data_->Skin3rd()->Add("TDateTimePicker=datetimepicker");
  }
  template <class C>
  C* Add(vcl::TWinControl* parent, int tag = 0) {
    auto* c = new C(form_);
    c->SetParent(parent);
    c->SetTag(tag);
    return c;
  }
  // The companions of a control.
  std::vector<TSkinControl*> Of(vcl::TControl* control) {
    std::vector<TSkinControl*> found;
    TSkinControlList& list = skin_form_->SkinnedControls();
    for (int i = 0; i < list.Count(); ++i)
      if (list.Items(i)->Control() == control || list.Items(i)->GraphicControl() == control)
        found.push_back(list.Items(i));
    return found;
  }
  // The class of the control's one companion, "none" or "several".
  std::string KindOf(vcl::TControl* control) {
    std::vector<TSkinControl*> found = Of(control);
    if (found.empty()) return "none";
    if (found.size() > 1) return "several";
    TSkinControl* c = found[0];
    if (typeid(*c) == typeid(TSkinButton)) return "TSkinButton";
    if (typeid(*c) == typeid(TSkinSpeedButton)) return "TSkinSpeedButton";
    if (typeid(*c) == typeid(TSkinCheckBox)) return "TSkinCheckBox";
    if (typeid(*c) == typeid(TSkinRadioButton)) return "TSkinRadioButton";
    if (typeid(*c) == typeid(TSkinGroupBox))
      return c->UseSkinColour ? "TSkinGroupBox colour" : "TSkinGroupBox";
    if (typeid(*c) == typeid(TSkinBox)) return c->UseSkinColour ? "TSkinBox colour" : "TSkinBox";
    if (typeid(*c) == typeid(TSkinStatusBar)) return "TSkinStatusBar";
    if (typeid(*c) == typeid(TSkinEdit)) return "TSkinEdit";
    if (typeid(*c) == typeid(TSkinComBox)) return "TSkinComBox";
    if (typeid(*c) == typeid(TSkinProgress)) return "TSkinProgress";
    if (typeid(*c) == typeid(TSkinScrollbar)) return "TSkinScrollbar";
    if (typeid(*c) == typeid(TSkinMenuButton)) return "TSkinMenuButton";
    if (typeid(*c) == typeid(TSkinMP)) return "TSkinMP";
    if (auto* bit = dynamic_cast<TSkinBitButton*>(c))
      return bit->GlyphProperty.empty() ? "TSkinBitButton" : "TSkinBitButton " + bit->GlyphProperty;
    if (auto* image = dynamic_cast<TSkinObjImage*>(c))
      return "TSkinObjImage " + std::to_string(image->GlyphKind) + (c->UseSkinColour ? " colour" : "");
    if (typeid(*c) == typeid(TSkinTrackBar)) return "TSkinTrackBar";
    if (typeid(*c) == typeid(TSkinDateTime)) return "TSkinDateTime";
    return typeid(*c).name();
  }
};

TEST_F(WinSkinWalkTest, EachControlGetsTheCompanionOfItsClass) {
  auto* check = Add<vcl::TCheckBox>(form_);
  auto* check_off = Add<vcl::TCheckBox>(form_, 99);
  auto* group = Add<vcl::TRadioGroup>(form_);
  group->Items()->Add("a");
  group->Items()->Add("b");
  group->Items()->Add("c");
  auto* group_off = Add<vcl::TRadioGroup>(form_, 99);
  group_off->Items()->Add("a");
  group_off->Items()->Add("b");
  auto* button = Add<vcl::TButton>(form_);
  auto* panel = Add<vcl::TPanel>(form_);
  auto* panel_button = Add<vcl::TButton>(panel);
  auto* speed = Add<vcl::TSpeedButton>(panel);
  auto* nil_panel = Add<TMyNilPanel>(form_);
  auto* nil_panel_button = Add<vcl::TButton>(nil_panel);
  auto* my_panel = Add<TMyPanel>(form_);
  auto* my_button = Add<TMyButton>(form_);
  auto* box = Add<vcl::TGroupBox>(form_);
  auto* box_radio = Add<vcl::TRadioButton>(box);
  auto* bar = Add<vcl::TStatusBar>(form_);
  auto* memo = Add<vcl::TMemo>(form_);
  auto* edit = Add<vcl::TEdit>(form_);
  auto* combo = Add<vcl::TComboBox>(form_);
  auto* progress = Add<vcl::TProgressBar>(form_);
  auto* simple = Add<vcl::TComboBox>(form_);
  simple->SetStyle(vcl::csSimple);
  auto* scroll = Add<vcl::TScrollBar>(form_);
  auto* header = Add<vcl::THeaderControl>(form_);
  auto* player = Add<vcl::TMediaPlayer>(form_);
  auto* bit = Add<vcl::TBitBtn>(form_);
  auto* my_bit = Add<TMyBitBtn>(form_);
  auto* my_png = Add<TMyPngBtn>(form_);
  auto* my_menu = Add<TMyMenuBtn>(form_);
  auto* check_group = Add<TRzTestCheckGroup>(form_);
  auto* group_check = Add<vcl::TCheckBox>(check_group);
  auto* track = Add<vcl::TTrackBar>(form_);
  auto* picker = Add<vcl::TDateTimePicker>(form_);
  ShowTheForm();

  struct Row {
    const char* what;
    vcl::TControl* control;
    const char* companion;
  } rows[] = {
      {"check box", check, "TSkinCheckBox"},
      {"check box with the skip tag", check_off, "none"},
      {"radio group", group, "TSkinGroupBox colour"},
      {"its first button", group->Buttons(0), "TSkinRadioButton"},
      {"its last button", group->Buttons(2), "TSkinRadioButton"},
      {"radio group with the skip tag", group_off, "none"},
      {"its button", group_off->Buttons(0), "none"},
      {"button", button, "TSkinButton"},
      {"panel", panel, "TSkinBox colour"},
      {"button on the panel", panel_button, "TSkinButton"},
      {"speed button on the panel", speed, "TSkinSpeedButton"},
      {"class listed as nil", nil_panel, "none"},
      {"button on a panel listed as nil", nil_panel_button, "TSkinButton"},
      {"class listed as Panel", my_panel, "TSkinBox colour"},
      {"class listed with an unknown kind", my_button, "none"},
      {"group box", box, "TSkinGroupBox colour"},
      {"radio button in the group box", box_radio, "TSkinRadioButton"},
      {"status bar", bar, "TSkinStatusBar"},
      {"edit", edit, "TSkinEdit"},
      {"combo box", combo, "TSkinComBox"},
      {"progress bar", progress, "TSkinProgress"},
      {"memo", memo, "TSkinScrollbar"},
      {"simple combo box", simple, "TSkinComBox"},
      {"scroll bar control (attached directly only)", scroll, "none"},
      {"header control", header, "none"},
      {"media player", player, "TSkinMP"},
      {"bit button (a button)", bit, "TSkinButton"},
      {"class listed as bitbtn", my_bit, "TSkinBitButton"},
      {"class listed as pngbitbtn", my_png, "TSkinBitButton PngImage"},
      {"class listed as menubtn", my_menu, "TSkinMenuButton"},
      {"check group of another maker", check_group, "TSkinGroupBox colour"},
      {"its check box", group_check, "TSkinObjImage 1 colour"},
      {"track bar listed as trackbar", track, "TSkinTrackBar"},
      {"date-time picker listed as datetimepicker", picker, "TSkinDateTime"},
  };
  for (const Row& r : rows) EXPECT_EQ(KindOf(r.control), r.companion) << r.what;
  EXPECT_EQ(group_off->Buttons(0)->Tag(), 99);
  EXPECT_EQ(group_off->Buttons(1)->Tag(), 99);
  EXPECT_EQ(my_panel->Transparent(), true);
  EXPECT_EQ(panel->Color(), data_->Skin().ButtonFace);
  // A simple combo box's list gets its bars' companion.
  plat::COMBOBOXINFO info{};
  ASSERT_TRUE(plat::GetComboBoxInfo(simple->Handle(), &info));
  TSkinControl* list = skin_form_->SkinnedControls().Find(info.hwndList);
  EXPECT_TRUE(list && typeid(*list) == typeid(TSkinScrollbarH));

  // A second walk adds nothing.
  const int count = skin_form_->SkinnedControls().Count();
  plat::SendMessageA(form_->Handle(), SKM_INITFORM, 0, 1000);
  EXPECT_EQ(skin_form_->SkinnedControls().Count(), count);
}

TEST_F(WinSkinWalkTest, SkinControlsGatesTheClassRules) {
  auto* button = Add<vcl::TButton>(form_);
  auto* check = Add<vcl::TCheckBox>(form_);
  auto* panel = Add<vcl::TPanel>(form_);
  auto* panel_check = Add<vcl::TCheckBox>(panel);
  auto types = data_->SkinControls();
  data_->SetSkinControls(types.Exclude(xcButton).Exclude(xcPanel));
  ShowTheForm();
  EXPECT_EQ(KindOf(button), "none");
  EXPECT_EQ(KindOf(check), "TSkinCheckBox");
  // Without the panel member the panel is left alone; its children are
  // still reached by the form's own walk.
  EXPECT_EQ(KindOf(panel), "none");
  EXPECT_EQ(KindOf(panel_check), "TSkinCheckBox");
}

TEST_F(WinSkinWalkTest, HandlerChoosesFirstAndItsCompanionIsAttachedOnce) {
  auto* button = Add<vcl::TButton>(form_);
  auto* check = Add<vcl::TCheckBox>(form_);
  int asked = 0;
  TSkinControl* given = nullptr;
  data_->OnSkinControl = [&](vcl::TComponent*, TSkinData*, vcl::TControl*, vcl::TControl* control,
                             const std::string& name, vcl::TComponent*& made) {
    ++asked;
    if (control != button) return;
    EXPECT_EQ(name, "TBUTTON");
    if (!given) given = new TSkinCheckBox(button);
    made = given;
  };
  ShowTheForm();
  EXPECT_GE(asked, 2);
  ASSERT_EQ(Of(button).size(), 1u);
  EXPECT_EQ(Of(button)[0], given);
  EXPECT_EQ(KindOf(check), "TSkinCheckBox");
  plat::SendMessageA(form_->Handle(), SKM_INITFORM, 0, 1000);
  EXPECT_EQ(Of(button).size(), 1u);
}

TEST_F(WinSkinWalkTest, BareChildWindowsAreMappedByWindowClass) {
  auto* panel = Add<vcl::TPanel>(form_, 99);
  ShowTheForm();
  struct Row {
    const char* cls;
    plat::DWORD style;
    const char* companion;
  } rows[] = {
      {"button", plat::BS_PUSHBUTTON, "TSkinButton"},
      {"button", plat::BS_DEFPUSHBUTTON, "TSkinButton"},
      {"button", plat::BS_AUTOCHECKBOX, "TSkinCheckBox"},
      {"button", plat::BS_3STATE, "TSkinCheckBox"},
      {"button", plat::BS_AUTORADIOBUTTON, "TSkinRadioButton"},
      {"button", plat::BS_OWNERDRAW, "none"},
      {"button", plat::BS_GROUPBOX, "none"},
      {"static", 0, "none"},
      {"combobox", plat::CBS_DROPDOWNLIST, "TSkinComBox"},
      {"combobox", plat::CBS_DROPDOWN, "TSkinComBox"},
      {"edit", 0, "TSkinEdit"},
      {"scrollbar", plat::SBS_SIZEGRIP, "TSkinSizer"},
      {"scrollbar", plat::WS_TABSTOP, "none"},
      // Last: the pane of the check box below.
      {"#32770", 0, "TSkinBoxH"},
  };
  std::vector<plat::HWND> windows;
  for (const Row& r : rows)
    windows.push_back(
        std::string(r.cls) == "#32770"
            ? plat::user::CreateChildDialog(panel->Handle(), nullptr, 0, plat::WS_CHILD, 0, 0, 50, 20)
            : plat::CreateWindowExA(0, r.cls, "x", plat::WS_CHILD | r.style, 0, 0, 50, 20, panel->Handle(),
                                    nullptr, nullptr, nullptr));
  // A pane's own children are walked before the pane.
  plat::HWND inner = plat::CreateWindowExA(0, "button", "x", plat::WS_CHILD | plat::BS_AUTOCHECKBOX, 0, 0, 50,
                                           20, windows.back(), nullptr, nullptr, nullptr);
  TSkinWalk walk(skin_form_);
  walk.WalkChildWindows(panel->Handle());
  walk.WalkChildWindows(panel->Handle());
  for (size_t i = 0; i < windows.size(); ++i) {
    SCOPED_TRACE(i);
    TSkinControl* c = walk.FindSkinOfWindow(windows[i]);
    std::string kind = "none";
    if (c && typeid(*c) == typeid(TSkinButton)) kind = "TSkinButton";
    if (c && typeid(*c) == typeid(TSkinCheckBox)) kind = "TSkinCheckBox";
    if (c && typeid(*c) == typeid(TSkinRadioButton)) kind = "TSkinRadioButton";
    if (c && typeid(*c) == typeid(TSkinBoxH)) kind = "TSkinBoxH";
    if (c && typeid(*c) == typeid(TSkinComBox)) kind = "TSkinComBox";
    if (c && typeid(*c) == typeid(TSkinEdit)) kind = "TSkinEdit";
    if (c && typeid(*c) == typeid(TSkinSizer)) kind = "TSkinSizer";
    EXPECT_EQ(kind, rows[i].companion);
    // Bare windows never get their text painted by the skin.
    if (c) {
      EXPECT_EQ(c->Mode, 0);
    }
  }
  TSkinControl* inner_skin = walk.FindSkinOfWindow(inner);
  EXPECT_TRUE(inner_skin && typeid(*inner_skin) == typeid(TSkinCheckBox));
  for (plat::HWND w : windows) plat::DestroyWindow(w);
}

TEST_F(WinSkinWalkTest, ButtonsOfTheirOwnMouseHandlingStillClick) {
  auto* button = Add<TRzTestButton>(form_);
  button->SetBounds(10, 10, 60, 24);
  int clicks = 0, downs = 0;
  button->OnClick = [&](vcl::TObject*) { ++clicks; };
  button->OnMouseDown = [&](vcl::TObject*, vcl::TMouseButton, vcl::TShiftState, int, int) { ++downs; };
  ShowTheForm();
  ASSERT_EQ(KindOf(button), "TSkinButton");
  EXPECT_EQ(Of(button)[0]->Mode, 1);
  plat::SendMessageA(button->Handle(), plat::WM_LBUTTONDOWN, 0, 0x00050005);
  plat::SendMessageA(button->Handle(), plat::WM_LBUTTONUP, 0, 0x00050005);
  EXPECT_EQ(downs, 0);
  EXPECT_EQ(clicks, 1);
}

}  // namespace

namespace {

// Classes of other makers the walk knows by name, and classes of the
// program's kind given a kind in the skin data's class list.
#define QUELLIX_WALK_CLASS(Name, Base) \
  class Name : public vcl::Base {      \
    VCL_DECLARE_CLASS(Name, vcl::Base) \
   public:                             \
    using vcl::Base::Base;             \
  };
QUELLIX_WALK_CLASS(TMvcPanel, TPanel)
QUELLIX_WALK_CLASS(TDBNavigator, TPanel)
QUELLIX_WALK_CLASS(TDBComboBoxEh, TComboBox)
QUELLIX_WALK_CLASS(TMyContainer, TPanel)
QUELLIX_WALK_CLASS(TMyHolder, TPanel)
QUELLIX_WALK_CLASS(TMyMemo, TMemo)
QUELLIX_WALK_CLASS(TMyRadios, TRadioGroup)
QUELLIX_WALK_CLASS(TRzTestRadios, TRadioGroup)
QUELLIX_WALK_CLASS(TMyPages, TPageControl)
#undef QUELLIX_WALK_CLASS

}  // namespace

VCL_IMPLEMENT_CLASS(TMvcPanel)
VCL_IMPLEMENT_CLASS(TDBNavigator)
VCL_IMPLEMENT_CLASS(TDBComboBoxEh)
VCL_IMPLEMENT_CLASS(TMyContainer)
VCL_IMPLEMENT_CLASS(TMyHolder)
VCL_IMPLEMENT_CLASS(TMyMemo)
VCL_IMPLEMENT_CLASS(TMyRadios)
VCL_IMPLEMENT_CLASS(TRzTestRadios)
VCL_IMPLEMENT_CLASS(TMyPages)

namespace {

// Speed buttons owned by their panels: only a walk of the panel's children
// reaches them.
template <class C>
C* Owned(vcl::TWinControl* parent) {
  auto* c = new C(parent);
  c->SetParent(parent);
  return c;
}

TEST_F(WinSkinWalkTest, NamedClassesAndListKindsChooseTheirCompanions) {
  data_->Skin3rd()->Add("TMyContainer=container");
  data_->Skin3rd()->Add("TMyHolder=EmbedScrollbar");
  data_->Skin3rd()->Add("TMyMemo=singlescrollbar");
  data_->Skin3rd()->Add("TMyRadios=radiogroup");
  data_->Skin3rd()->Add("TRzTestRadios=radiogroup");
  data_->Skin3rd()->Add("TMyPages=tab");
  auto* mvc = Add<TMvcPanel>(form_);
  auto* mvc_speed = Owned<vcl::TSpeedButton>(mvc);
  auto* navigator = Add<TDBNavigator>(form_);
  auto* navigator_speed = Owned<vcl::TSpeedButton>(navigator);
  auto* eh = Add<TDBComboBoxEh>(form_);
  auto* container = Add<TMyContainer>(form_);
  auto* container_speed = Owned<vcl::TSpeedButton>(container);
  auto* holder = Add<TMyHolder>(form_);
  auto* holder_memo = Add<vcl::TMemo>(holder);
  auto* holder_speed = Owned<vcl::TSpeedButton>(holder);
  auto* memo = Add<TMyMemo>(form_);
  auto* radios = Add<TMyRadios>(form_);
  radios->Items()->Add("a");
  auto* rz_radios = Add<TRzTestRadios>(form_);
  rz_radios->Items()->Add("a");
  auto* pages = Add<TMyPages>(form_);
  ShowTheForm();

  // Each control with the companion it gets.
  const std::pair<vcl::TControl*, const char*> expected[] = {
      {mvc, "none"},                             // panel of another maker's pattern: only its children
      {mvc_speed, "TSkinSpeedButton"},           // its speed button
      {navigator, "TSkinBox colour"},            // navigator
      {navigator_speed, "TSkinSpeedButton"},     // its speed button
      {eh, "none"},                              // combo box left to its maker
      {container, "none"},                       // listed as container: only its children
      {container_speed, "TSkinSpeedButton"},     // its speed button
      {holder, "none"},                          // listed as embedscrollbar
      {holder_memo, "TSkinScrollbar"},           // its memo
      {holder_speed, "none"},                    // its speed button, not walked
      {memo, "TSkinScrollbar"},                  // listed as singlescrollbar
      {radios, "TSkinGroupBox colour"},          // listed as radiogroup
      {radios->Buttons(0), "TSkinRadioButton"},  // its button
      {rz_radios, "TSkinGroupBox colour"},       // another maker's, listed as radiogroup
      {rz_radios->Buttons(0), "TSkinObjImage 2 colour"},  // its button
      {pages, "none"},                                    // listed as tab, the skin without tabs
  };
  for (auto [control, companion] : expected)
    EXPECT_EQ(KindOf(control), companion) << control->ClassName() << " " << control->Name();
  ASSERT_EQ(Of(memo).size(), 1u);
  EXPECT_EQ(Of(memo)[0]->Mode, 1);
}

}  // namespace
