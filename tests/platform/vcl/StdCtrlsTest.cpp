// Standard controls: events from the user and from code, menu short-cuts
// ahead of the form's keys, Enter and Escape pressing the form's buttons,
// label painting and a description read and written back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/user/Button.h"
#include "platform/user/ListBox.h"
#include "platform/user/ScrollBar.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/Menus.h"

using namespace vcl;
using vcltest::StdControlsTest;

namespace {

std::function<void(TObject*)> Counter(int& n) {
  return [&n](TObject*) { ++n; };
}

// Descriptions are written with CR LF line ends.
std::string Written(TComponent* root) {
  std::string text = WriteFormText(root);
  std::erase(text, '\r');
  return text;
}

TEST_F(StdControlsTest, MenuShortCutRunsBeforeTheFormsKeyHandlers) {
  struct Case {
    const char* name;
    bool key_preview;
    bool with_ctrl;
    int expected_clicks;
    std::vector<uint16_t> expected_keys;  // keys the form's OnKeyDown saw
  };
  const Case cases[] = {
      {"Ctrl+S", false, true, 1, {plat::VK_CONTROL}},
      {"Ctrl+S with key preview", true, true, 1, {plat::VK_CONTROL}},
      {"S alone is no short-cut", true, false, 0, {'S'}},
  };
  auto* menu = new TMainMenu(form_);
  auto* file = new TMenuItem(form_);
  file->SetCaption("&File");
  menu->Items()->Add(file);
  auto* save = new TMenuItem(form_);
  save->SetCaption("&Save");
  save->SetShortCut(ShortCut('S', scCtrl));
  file->Add(save);
  form_->SetMenu(menu);
  auto* edit = new TEdit(form_);
  edit->SetParent(form_);
  ShowForm();
  EXPECT_EQ(plat::GetMenu(form_->Handle()), menu->Handle());
  edit->SetFocus();
  Pump();
  ASSERT_TRUE(edit->Focused());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int clicks = 0;
    save->OnClick = Counter(clicks);
    std::vector<uint16_t> keys;
    form_->SetKeyPreview(c.key_preview);
    form_->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { keys.push_back(key); };
    if (c.with_ctrl) Screen()->InjectKey(plat::VK_CONTROL, true);
    Key('S');
    if (c.with_ctrl) Screen()->InjectKey(plat::VK_CONTROL, false);
    Pump();
    EXPECT_EQ(clicks, c.expected_clicks);
    // Without key preview the form hears nothing while the edit has the focus.
    EXPECT_EQ(keys, c.key_preview ? c.expected_keys : std::vector<uint16_t>{});
  }
  // The same short-cut arriving at the form itself.
  int clicks = 0;
  save->OnClick = Counter(clicks);
  std::vector<uint16_t> keys;
  form_->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { keys.push_back(key); };
  form_->Perform(plat::WM_KEYDOWN, 'S', 0);  // no Ctrl held: an ordinary key
  EXPECT_EQ(keys, std::vector<uint16_t>{'S'});
  EXPECT_EQ(clicks, 0);
}

TEST_F(StdControlsTest, MenuCommandsReachTheirItems) {
  auto* menu = new TMainMenu(form_);
  auto* item = new TMenuItem(form_);
  item->SetCaption("Run");
  menu->Items()->Add(item);
  int clicks = 0;
  item->OnClick = Counter(clicks);
  form_->SetMenu(menu);
  ShowForm();
  plat::SendMessageA(form_->Handle(), plat::WM_COMMAND, item->Command(), 0);
  EXPECT_EQ(clicks, 1);
  // Leaving the form detaches the bar from the window.
  form_->SetMenu(nullptr);
  EXPECT_EQ(plat::GetMenu(form_->Handle()), nullptr);
}

TEST_F(StdControlsTest, ButtonClickRunsOnClickAndEndsAModalForm) {
  auto* dialog = new TForm(Application);
  dialog->SetBounds(100, 100, 200, 120);
  dialog->SetBorderStyle(bsDialog);
  auto* ok = new TButton(dialog);
  ok->SetParent(dialog);
  ok->SetBounds(10, 10, 75, 25);
  ok->SetModalResult(mrOk);
  int clicks = 0;
  ok->OnClick = Counter(clicks);
  dialog->HandleNeeded();
  // The click waits in the input queue until the modal loop shows the dialog.
  Screen()->InjectClick(ok->ClientToScreen(TPoint{20, 10}));
  int idles = 0;
  Application->OnIdle = [&](TObject*, bool& done) {
    done = false;
    if (++idles > 200) dialog->SetModalResult(mrAbort);  // a click that never came
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(clicks, 1);
  Application->OnIdle = nullptr;

  // Without a modal result the form is left alone.
  auto* plain = new TButton(form_);
  plain->SetParent(form_);
  plain->OnClick = Counter(clicks);
  ShowForm();
  Click(plain, 5, 5);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(form_->ModalResult(), mrNone);
}

TEST_F(StdControlsTest, ButtonMayBeFreedByItsOwnClick) {
  // A window that closes a part of itself from a button's click: the mouse
  // message that brought the click must not touch the freed button.
  int clicks = 0;
  auto self_closing = [&] {
    auto* button = new TButton(form_);
    button->SetParent(form_);
    button->SetBounds(10, 10, 75, 25);
    button->OnClick = [&](TObject* sender) {
      ++clicks;
      delete sender;
    };
    return button;
  };
  ShowForm();
  Click(self_closing(), 5, 5);
  EXPECT_EQ(clicks, 1);
  self_closing()->SetFocus();
  Key(plat::VK_SPACE);
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(form_->ControlCount(), 0);
}

TEST_F(StdControlsTest, EnterAndEscapeOnAnEditPressTheDefaultAndCancelButtonsOfAModalForm) {
  struct Case {
    const char* name;
    plat::UINT key;
    TModalResult expected_result;
    int expected_ok_clicks;
    int expected_cancel_clicks;
  };
  const Case cases[] = {
      {"Enter", plat::VK_RETURN, mrOk, 1, 0},
      {"Escape", plat::VK_ESCAPE, mrCancel, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* dialog = new TForm(Application);
    dialog->SetBounds(100, 100, 260, 120);
    dialog->SetBorderStyle(bsDialog);
    auto* edit = new TEdit(dialog);
    edit->SetParent(dialog);
    auto* ok = new TButton(dialog);
    ok->SetParent(dialog);
    ok->SetBounds(10, 50, 75, 25);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = new TButton(dialog);
    cancel->SetParent(dialog);
    cancel->SetBounds(100, 50, 75, 25);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    int ok_clicks = 0;
    int cancel_clicks = 0;
    ok->OnClick = Counter(ok_clicks);
    cancel->OnClick = Counter(cancel_clicks);
    bool edit_had_focus = false;
    int idles = 0;
    Application->OnIdle = [&](TObject*, bool& done) {
      done = false;
      // Typed into the edit once the dialog is up.
      if (++idles == 1) edit->SetFocus();
      if (idles == 2) {
        edit_had_focus = edit->Focused();
        Screen()->InjectKey(c.key, true);
        Screen()->InjectKey(c.key, false);
      }
      if (idles > 200) dialog->SetModalResult(mrAbort);  // a key that pressed nothing
    };
    EXPECT_EQ(dialog->ShowModal(), c.expected_result);
    Application->OnIdle = nullptr;
    EXPECT_TRUE(edit_had_focus);
    EXPECT_EQ(ok_clicks, c.expected_ok_clicks);
    EXPECT_EQ(cancel_clicks, c.expected_cancel_clicks);
  }
}

TEST_F(StdControlsTest, DialogKeysSkipHiddenAndDisabledButtons) {
  auto* edit = new TEdit(form_);
  edit->SetParent(form_);
  auto* ok = new TButton(form_);
  ok->SetParent(form_);
  ok->SetBounds(10, 50, 75, 25);
  ok->SetDefault(true);
  auto* cancel = new TButton(form_);
  cancel->SetParent(form_);
  cancel->SetBounds(100, 50, 75, 25);
  cancel->SetCancel(true);
  int ok_clicks = 0;
  int cancel_clicks = 0;
  ok->OnClick = Counter(ok_clicks);
  cancel->OnClick = Counter(cancel_clicks);
  std::vector<uint16_t> keys;
  form_->SetKeyPreview(true);
  form_->OnKeyDown = [&](TObject*, uint16_t& key, TShiftState) { keys.push_back(key); };
  ShowForm();
  edit->SetFocus();
  Pump();
  ASSERT_TRUE(edit->Focused());

  ok->SetEnabled(false);
  cancel->SetVisible(false);
  Key(plat::VK_RETURN);
  Key(plat::VK_ESCAPE);
  EXPECT_EQ(ok_clicks, 0);
  EXPECT_EQ(cancel_clicks, 0);
  // Unclaimed, the keys go on to the form's own handler.
  EXPECT_EQ(keys, (std::vector<uint16_t>{plat::VK_RETURN, plat::VK_ESCAPE}));

  // Usable again, each button takes its key and the form no longer sees it.
  ok->SetEnabled(true);
  cancel->SetVisible(true);
  keys.clear();
  Key(plat::VK_RETURN);
  Key(plat::VK_ESCAPE);
  EXPECT_EQ(ok_clicks, 1);
  EXPECT_EQ(cancel_clicks, 1);
  EXPECT_TRUE(keys.empty());
  EXPECT_EQ(form_->ModalResult(), mrNone);  // no modal result set: the form is left alone
}

TEST_F(StdControlsTest, EnterPressesTheFocusedButtonInsteadOfTheDefault) {
  auto* ok = new TButton(form_);
  ok->SetParent(form_);
  ok->SetDefault(true);
  auto* other = new TButton(form_);
  other->SetParent(form_);
  other->SetBounds(100, 50, 75, 25);
  auto* box = new TCheckBox(form_);
  box->SetParent(form_);
  box->SetBounds(10, 100, 97, 17);
  int ok_clicks = 0;
  int other_clicks = 0;
  ok->OnClick = Counter(ok_clicks);
  other->OnClick = Counter(other_clicks);
  ShowForm();
  other->SetFocus();
  Pump();
  ASSERT_TRUE(other->Focused());
  Key(plat::VK_RETURN);
  EXPECT_EQ(other_clicks, 1);
  EXPECT_EQ(ok_clicks, 0);
  // A focused control that is not a button leaves Enter to the default button.
  box->SetFocus();
  Pump();
  ASSERT_TRUE(box->Focused());
  Key(plat::VK_RETURN);
  EXPECT_EQ(other_clicks, 1);
  EXPECT_EQ(ok_clicks, 1);
  EXPECT_FALSE(box->Checked());
}

TEST_F(StdControlsTest, MemoKeepsEnterOnlyWhileItWantsReturns) {
  auto* memo = new TMemo(form_);
  memo->SetParent(form_);
  auto* ok = new TButton(form_);
  ok->SetParent(form_);
  ok->SetBounds(10, 120, 75, 25);
  ok->SetDefault(true);
  int ok_clicks = 0;
  ok->OnClick = Counter(ok_clicks);
  ShowForm();
  memo->SetFocus();
  Pump();
  ASSERT_TRUE(memo->Focused());
  Key(plat::VK_RETURN);
  EXPECT_EQ(ok_clicks, 0);
  memo->SetWantReturns(false);
  Key(plat::VK_RETURN);
  EXPECT_EQ(ok_clicks, 1);
}

TEST_F(StdControlsTest, CheckBoxClicksOnceForEachChangeFromCodeOrUser) {
  auto* box = new TCheckBox(form_);
  box->SetParent(form_);
  box->SetCaption("Peak hold");
  int clicks = 0;
  box->OnClick = Counter(clicks);
  // Before the window exists the value is kept and the handler still runs.
  box->SetChecked(true);
  EXPECT_EQ(clicks, 1);
  ShowForm();
  EXPECT_EQ(plat::SendMessageA(box->Handle(), plat::BM_GETCHECK, 0, 0), plat::BST_CHECKED);

  struct Step {
    const char* name;
    std::function<void()> act;
    TCheckBoxState state;
    int clicks;
  };
  const Step steps[] = {
      {"same value", [&] { box->SetChecked(true); }, cbChecked, 1},
      {"user click", [&] { Click(box, 5, 8); }, cbUnchecked, 2},
      {"user click again", [&] { Click(box, 5, 8); }, cbChecked, 3},
      {"grayed from code", [&] { box->SetState(cbGrayed); }, cbGrayed, 4},
      {"user click on grayed", [&] { Click(box, 5, 8); }, cbChecked, 5},
      {"allow grayed", [&] { box->SetAllowGrayed(true), Click(box, 5, 8), Click(box, 5, 8); }, cbGrayed, 7},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    s.act();
    EXPECT_EQ(box->State(), s.state);
    EXPECT_EQ(clicks, s.clicks);
    EXPECT_EQ(plat::SendMessageA(box->Handle(), plat::BM_GETCHECK, 0, 0),
              static_cast<plat::LRESULT>(s.state));
  }
}

TEST_F(StdControlsTest, RadioButtonsOfOneParentAreCheckedOneAtATime) {
  std::vector<TRadioButton*> buttons;
  std::vector<std::string> log;
  auto* other_parent = new TPanel(form_);
  other_parent->SetParent(form_);
  other_parent->SetBounds(200, 0, 100, 100);
  auto* elsewhere = new TRadioButton(form_);
  elsewhere->SetParent(other_parent);
  elsewhere->SetChecked(true);
  for (int i = 0; i < 3; ++i) {
    auto* b = new TRadioButton(form_);
    b->SetParent(form_);
    b->SetBounds(10, 10 + 25 * i, 100, 17);
    b->OnClick = [&log, i](TObject*) { log.push_back("click " + std::to_string(i)); };
    buttons.push_back(b);
  }
  ShowForm();
  auto checked = [&] {
    std::string s;
    for (TRadioButton* b : buttons) s += b->Checked() ? '1' : '0';
    return s;
  };
  Click(buttons[1], 5, 8);
  EXPECT_EQ(checked(), "010");
  EXPECT_EQ(log, std::vector<std::string>{"click 1"});
  buttons[0]->SetChecked(true);
  EXPECT_EQ(checked(), "100");
  EXPECT_EQ(plat::SendMessageA(buttons[1]->Handle(), plat::BM_GETCHECK, 0, 0), plat::BST_UNCHECKED);
  // Unchecking runs nothing; a click on the checked one changes nothing.
  buttons[0]->SetChecked(false);
  Click(buttons[1], 5, 8);
  Click(buttons[1], 5, 8);
  EXPECT_EQ(log, (std::vector<std::string>{"click 1", "click 0", "click 1"}));
  EXPECT_TRUE(elsewhere->Checked());
}

TEST_F(StdControlsTest, EditReportsEveryChangeOfItsText) {
  auto* edit = new TEdit(form_);
  edit->SetParent(form_);
  std::vector<std::string> changes;
  edit->OnChange = [&](TObject*) { changes.push_back(edit->Text()); };
  edit->SetText("kept");  // no window yet
  EXPECT_EQ(changes, std::vector<std::string>{"kept"});
  ShowForm();
  edit->SetFocus();
  Pump();
  // AutoSelect: the text is selected on entry, so typing replaces it.
  EXPECT_EQ(edit->SelLength(), 4);
  changes.clear();
  Screen()->InjectText("ab");
  Pump();
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_EQ(changes, (std::vector<std::string>{"a", "ab"}));
  changes.clear();
  edit->SetText("ab");
  EXPECT_TRUE(changes.empty());
  edit->SetText("xyz");
  EXPECT_EQ(changes, std::vector<std::string>{"xyz"});
  // The text survives a new window.
  edit->SetBorderStyle(bsNone);
  EXPECT_EQ(edit->Text(), "xyz");
}

TEST_F(StdControlsTest, MemoLinesAndTextFollowEachOther) {
  auto* memo = new TMemo(form_);
  memo->SetParent(form_);
  int changes = 0;
  memo->OnChange = Counter(changes);
  ShowForm();
  memo->Lines()->Add("first");
  memo->Lines()->Add("second");
  EXPECT_EQ(memo->Text(), "first\r\nsecond\r\n");
  EXPECT_EQ(changes, 2);
  memo->SetFocus();
  Pump();
  memo->SetSelStart(0);
  Screen()->InjectText(">");
  Pump();
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(0), ">first");
  EXPECT_EQ(changes, 3);
}

TEST_F(StdControlsTest, ComboBoxChoiceRunsOnChangeButItemIndexFromCodeDoesNot) {
  auto* combo = new TComboBox(form_);
  combo->SetParent(form_);
  combo->SetStyle(csDropDownList);
  combo->Items()->SetCommaText("Rectangular,Hamming,Hanning");
  combo->SetItemIndex(1);  // kept until the window exists
  std::vector<std::string> log;
  combo->OnChange = [&](TObject*) { log.push_back("change " + combo->Text()); };
  combo->OnClick = [&](TObject*) { log.push_back("click"); };
  ShowForm();
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(combo->Text(), "Hamming");
  combo->SetItemIndex(2);
  EXPECT_EQ(combo->Text(), "Hanning");
  EXPECT_TRUE(log.empty());
  combo->SetFocus();
  Pump();
  Key(plat::VK_UP);
  EXPECT_EQ(combo->ItemIndex(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"click", "change Hamming"}));
  // Items changing keep the choice where they can.
  combo->Items()->Add("Welch");
  EXPECT_EQ(combo->ItemIndex(), 1);
  combo->SetItemIndex(7);
  EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(StdControlsTest, ListBoxItemIndexAndClicks) {
  auto* list = new TListBox(form_);
  list->SetParent(form_);
  list->SetBounds(10, 10, 150, 120);
  list->Items()->SetCommaText("one,two,three");
  int clicks = 0;
  list->OnClick = Counter(clicks);
  list->SetItemIndex(2);
  ShowForm();
  EXPECT_EQ(list->ItemIndex(), 2);
  list->SetItemIndex(0);
  EXPECT_EQ(list->ItemIndex(), 0);
  EXPECT_EQ(clicks, 0);
  plat::RECT item{};
  plat::SendMessageA(list->Handle(), plat::LB_GETITEMRECT, 1, reinterpret_cast<plat::LPARAM>(&item));
  Click(list, item.left + 3, (item.top + item.bottom) / 2);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  list->Items()->Delete(2);
  EXPECT_EQ(list->ItemIndex(), 1);
  list->Items()->Clear();
  EXPECT_EQ(list->ItemIndex(), -1);
}

TEST_F(StdControlsTest, ScrollBarPositionFollowsScrollingAndCode) {
  auto* bar = new TScrollBar(form_);
  bar->SetParent(form_);
  bar->SetParams(5, 0, 50);
  bar->SetLargeChange(10);
  std::vector<int> changes;
  bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
  ShowForm();
  const std::pair<plat::WORD, int> steps[] = {{plat::SB_LINEDOWN, 6},
                                              {plat::SB_PAGEDOWN, 16},
                                              {plat::SB_BOTTOM, 50},
                                              {plat::SB_LINEDOWN, 50},
                                              {plat::SB_TOP, 0}};
  for (const auto& [code, expected] : steps) {
    plat::SendMessageA(form_->Handle(), plat::WM_HSCROLL, code,
                       reinterpret_cast<plat::LPARAM>(bar->Handle()));
    EXPECT_EQ(bar->Position(), expected) << code;
  }
  EXPECT_EQ(changes, (std::vector<int>{6, 16, 50, 0}));
  bar->SetPosition(99);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(plat::GetScrollPos(bar->Handle(), plat::SB_CTL), 50);
  EXPECT_THROW(bar->SetParams(0, 10, 5), EInvalidOperation);
}

TEST_F(StdControlsTest, LabelSizesItselfAndPaintsOnItsParent) {
  auto* label = new TLabel(form_);
  label->SetParent(form_);
  label->SetBounds(100, 20, 10, 10);
  label->SetColor(clLime);
  label->SetCaption("Level");
  TBitmap scratch;
  scratch.SetSize(1, 1);
  scratch.Canvas()->SetFont(label->Font());
  TSize text = scratch.Canvas()->TextExtent("Level");
  EXPECT_EQ(label->Width(), text.cx);
  EXPECT_EQ(label->Height(), text.cy);
  EXPECT_EQ(label->Left(), 100);
  // A right-aligned label keeps its right edge.
  label->SetAlignment(taRightJustify);
  int right = label->Left() + label->Width();
  label->SetCaption("Level meter");
  EXPECT_EQ(label->Left() + label->Width(), right);
  EXPECT_GT(label->Width(), text.cx);
  label->SetAutoSize(false);
  label->SetCaption("L");
  EXPECT_GT(label->Width(), text.cx);

  ShowForm();
  const plat::COLORREF red = plat::RGB(255, 0, 0), lime = plat::RGB(0, 255, 0);
  // The corner left of a right-aligned "L" is background.
  const int x = label->Left() + 1, y = label->Top() + label->Height() - 1;
  EXPECT_EQ(Pixel(x, y), lime);
  label->SetTransparent(true);
  EXPECT_EQ(Pixel(x, y), red);
  // The letter is painted in both cases, at the right edge.
  bool ink = false;
  for (int px = label->Left() + label->Width() - 10; px < label->Left() + label->Width(); ++px)
    for (int py = label->Top(); py < label->Top() + label->Height(); ++py) ink = ink || Pixel(px, py) != red;
  EXPECT_TRUE(ink);
}

class TStdForm : public TForm {
  VCL_DECLARE_CLASS(TStdForm, TForm)
 public:
  using TForm::TForm;
  void ButtonClick(TObject*) { ++clicks; }
  int clicks = 0;
};

VCL_IMPLEMENT_CLASS(TStdForm, Method("ButtonClick", &TStdForm::ButtonClick))

constexpr const char* kDescription = R"(object StdForm: TStdForm
  Left = 0
  Top = 0
  Caption = 'Setup'
  ClientHeight = 260
  ClientWidth = 380
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  PixelsPerInch = 96
  TextHeight = 13
  object Label1: TLabel
    Left = 8
    Top = 8
    Width = 80
    Height = 13
    AutoSize = False
    Caption = 'Sample rate'
    Transparent = True
  end
  object SpeedButton1: TSpeedButton
    Left = 8
    Top = 230
    Width = 23
    Height = 22
    GroupIndex = 1
    Down = True
    Caption = 'A'
    Flat = True
  end
  object Button1: TButton
    Left = 290
    Top = 220
    Width = 75
    Height = 25
    Caption = 'OK'
    Default = True
    ModalResult = 1
    TabOrder = 0
    OnClick = ButtonClick
  end
  object CheckBox1: TCheckBox
    Left = 8
    Top = 30
    Width = 97
    Height = 17
    Caption = 'Peak hold'
    State = cbChecked
    TabOrder = 1
  end
  object Edit1: TEdit
    Left = 8
    Top = 52
    Width = 121
    Height = 21
    MaxLength = 5
    Text = '44100'
    TabOrder = 2
  end
  object ComboBox1: TComboBox
    Left = 140
    Top = 52
    Width = 145
    Height = 21
    Style = csDropDownList
    Items.Strings = (
      'Lines'
      'Bars')
    ItemIndex = 1
    TabOrder = 3
  end
  object GroupBox1: TGroupBox
    Left = 8
    Top = 80
    Width = 130
    Height = 60
    Caption = 'Channel'
    TabOrder = 4
    object RadioButton1: TRadioButton
      Left = 8
      Top = 16
      Width = 100
      Height = 17
      Caption = 'Left'
      Checked = True
      TabOrder = 0
      TabStop = True
    end
  end
  object RadioGroup1: TRadioGroup
    Left = 150
    Top = 80
    Width = 200
    Height = 80
    Caption = 'Increment'
    Columns = 2
    Items.Strings = (
      '+ 1'
      '+ 10'
      '+ 100')
    ItemIndex = 2
    TabOrder = 5
  end
  object Memo1: TMemo
    Left = 8
    Top = 150
    Width = 130
    Height = 60
    Lines.Strings = (
      'first'
      'second')
    ScrollBars = ssVertical
    TabOrder = 6
  end
  object ListBox1: TListBox
    Left = 150
    Top = 170
    Width = 100
    Height = 40
    Items.Strings = (
      'one')
    TabOrder = 7
  end
  object ScrollBar1: TScrollBar
    Left = 260
    Top = 170
    Width = 100
    Height = 17
    Max = 50
    Position = 20
    TabOrder = 8
  end
end
)";

TEST_F(StdControlsTest, DescriptionWithTheStandardControlsReadsAndWritesBack) {
  auto* form = new TStdForm(Application);
  ReadFormText(form, kDescription);
  auto find = [&](const char* name) { return form->FindComponent(name); };
  EXPECT_TRUE(dynamic_cast<TCheckBox*>(find("CheckBox1"))->Checked());
  EXPECT_EQ(dynamic_cast<TEdit*>(find("Edit1"))->Text(), "44100");
  EXPECT_EQ(dynamic_cast<TComboBox*>(find("ComboBox1"))->ItemIndex(), 1);
  EXPECT_EQ(dynamic_cast<TComboBox*>(find("ComboBox1"))->Text(), "Bars");
  auto* group = dynamic_cast<TRadioGroup*>(find("RadioGroup1"));
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_TRUE(group->Buttons(2)->Checked());
  EXPECT_EQ(dynamic_cast<TRadioButton*>(find("RadioButton1"))->Parent(), find("GroupBox1"));
  EXPECT_TRUE(dynamic_cast<TSpeedButton*>(find("SpeedButton1"))->Down());
  EXPECT_EQ(dynamic_cast<TMemo*>(find("Memo1"))->Lines()->Count(), 2);
  EXPECT_EQ(dynamic_cast<TScrollBar*>(find("ScrollBar1"))->Position(), 20);
  dynamic_cast<TButton*>(find("Button1"))->Click();
  EXPECT_EQ(form->clicks, 1);
  EXPECT_EQ(Written(form), kDescription);
  // With windows the values read back the same.
  form->Show();
  Pump();
  EXPECT_EQ(dynamic_cast<TComboBox*>(find("ComboBox1"))->Text(), "Bars");
  EXPECT_EQ(dynamic_cast<TEdit*>(find("Edit1"))->Text(), "44100");
  EXPECT_TRUE(group->Buttons(2)->Checked());
  // A second form of the class (not the application's, so the name is free).
  auto again = std::make_unique<TStdForm>(nullptr);
  ReadFormText(again.get(), WriteFormText(form));
  EXPECT_EQ(dynamic_cast<TComboBox*>(again->FindComponent("ComboBox1"))->ItemIndex(), 1);
  EXPECT_EQ(dynamic_cast<TMemo*>(again->FindComponent("Memo1"))->Lines()->Text(), "first\r\nsecond\r\n");
}

}  // namespace
