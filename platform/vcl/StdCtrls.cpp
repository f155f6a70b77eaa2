#include "platform/vcl/StdCtrls.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Button.h"
#include "platform/user/ComboBox.h"
#include "platform/user/Controls.h"
#include "platform/user/Edit.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/ListBox.h"
#include "platform/user/Messages.h"
#include "platform/user/ScrollBar.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/MPlayer.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

const std::vector<std::string> kAlignIdents{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
const std::vector<std::string> kAnchorIdents{"akLeft", "akTop", "akRight", "akBottom"};
const std::vector<std::string> kAlignmentIdents{"taLeftJustify", "taRightJustify", "taCenter"};
const std::vector<std::string> kBorderIdents{"bsNone", "bsSingle"};

// Text extent in a font, as DrawText lays it out with `flags` (DT_CALCRECT added).
TSize MeasureText(TFont* font, const std::string& text, unsigned flags, int width) {
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HGDIOBJ old = plat::SelectObject(dc, font->Handle());
  plat::RECT r{0, 0, std::max(width, 0), 0};
  std::string measured = text.empty() ? std::string(" ") : text;
  plat::DrawTextA(dc, measured.c_str(), static_cast<int>(measured.size()), &r, flags | plat::DT_CALCRECT);
  plat::TEXTMETRICA tm{};
  plat::GetTextMetricsA(dc, &tm);
  plat::SelectObject(dc, old);
  plat::DeleteDC(dc);
  TSize size{r.right - r.left, r.bottom - r.top};
  if (text.empty()) size.cx = 0;
  if (size.cy <= 0) size.cy = tm.tmHeight;
  return size;
}

bool Loading(const TComponent* c) {
  return c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csReading);
}

}  // namespace

// The properties every visible control of this unit publishes.
#define VCL_STD_CONTROL_PROPS(C)                                                                         \
  EnumProp("Align", &C::Align, &C::SetAlign, kAlignIdents).Default(alNone),                              \
      SetOfProp("Anchors", &C::Anchors, &C::SetAnchors, kAnchorIdents).Default(TAnchors{akLeft, akTop}), \
      BoolProp("Enabled", &C::Enabled, &C::SetEnabled).Default(true),                                    \
      ObjProp("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored),                                   \
      BoolProp("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true),                           \
      BoolProp("ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint).Default(true),               \
      RefProp("PopupMenu", &C::PopupMenu, &C::SetPopupMenu),                                             \
      BoolProp("ShowHint", &C::ShowHint, &C::SetShowHint).Default(false).Stored(&C::IsShowHintStored),   \
      BoolProp("Visible", &C::Visible, &C::SetVisible).Default(true)

#define VCL_STD_MOUSE_EVENTS(C)                                                           \
  EventProp("OnMouseDown", &C::OnMouseDown), EventProp("OnMouseMove", &C::OnMouseMove),   \
      EventProp("OnMouseUp", &C::OnMouseUp), EventProp("OnMouseEnter", &C::OnMouseEnter), \
      EventProp("OnMouseLeave", &C::OnMouseLeave)

#define VCL_STD_WIN_EVENTS(C)                                                                                \
  EventProp("OnEnter", &C::OnEnter), EventProp("OnExit", &C::OnExit), EventProp("OnKeyDown", &C::OnKeyDown), \
      EventProp("OnKeyPress", &C::OnKeyPress), EventProp("OnKeyUp", &C::OnKeyUp), VCL_STD_MOUSE_EVENTS(C)

#define VCL_TAB_PROPS(C, stop)                                                      \
  IntProp("TabOrder", &C::PublishedTabOrder, &C::SetPublishedTabOrder).Default(-1), \
      BoolProp("TabStop", &C::TabStop, &C::SetTabStop).Default(stop)

VCL_IMPLEMENT_CLASS(TCustomLabel)
VCL_IMPLEMENT_CLASS(
    TLabel, VCL_STD_CONTROL_PROPS(TLabel),
    EnumProp("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, kAlignmentIdents).Default(taLeftJustify),
    BoolProp("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true),
    StrProp("Caption", &TLabel::Caption, &TLabel::SetCaption),
    ColorProp("Color", &TLabel::Color, &TLabel::SetColor).Default(clBtnFace).Stored(&TLabel::IsColorStored),
    RefProp("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl),
    EnumProp("Layout", &TLabel::Layout, &TLabel::SetLayout, {"tlTop", "tlCenter", "tlBottom"}).Default(tlTop),
    BoolProp("ParentColor", &TLabel::ParentColor, &TLabel::SetParentColor).Default(true),
    BoolProp("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar).Default(true),
    BoolProp("Transparent", &TLabel::Transparent, &TLabel::SetTransparent).Default(false),
    BoolProp("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(false),
    EventProp("OnClick", &TLabel::OnClick), EventProp("OnDblClick", &TLabel::OnDblClick),
    VCL_STD_MOUSE_EVENTS(TLabel))

VCL_IMPLEMENT_CLASS(TStdWinControl)
VCL_IMPLEMENT_CLASS(TButtonControl)
VCL_IMPLEMENT_CLASS(TButton, VCL_STD_CONTROL_PROPS(TButton),
                    StrProp("Caption", &TButton::Caption, &TButton::SetCaption),
                    BoolProp("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false),
                    BoolProp("Default", &TButton::Default, &TButton::SetDefault).Default(false),
                    IntProp("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Default(mrNone),
                    VCL_TAB_PROPS(TButton, true), EventProp("OnClick", &TButton::OnClick),
                    VCL_STD_WIN_EVENTS(TButton))

VCL_IMPLEMENT_CLASS(TCustomCheckBox)
VCL_IMPLEMENT_CLASS(
    TCheckBox, VCL_STD_CONTROL_PROPS(TCheckBox),
    EnumProp("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment,
             {"taLeftJustify", "taRightJustify"})
        .Default(taRightJustify),
    BoolProp("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(false),
    StrProp("Caption", &TCheckBox::Caption, &TCheckBox::SetCaption),
    BoolProp("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Default(false).Stored(false),
    ColorProp("Color", &TCheckBox::Color, &TCheckBox::SetColor)
        .Default(clBtnFace)
        .Stored(&TCheckBox::IsColorStored),
    BoolProp("ParentColor", &TCheckBox::ParentColor, &TCheckBox::SetParentColor).Default(true),
    EnumProp("State", &TCheckBox::State, &TCheckBox::SetState, {"cbUnchecked", "cbChecked", "cbGrayed"})
        .Default(cbUnchecked),
    VCL_TAB_PROPS(TCheckBox, true), EventProp("OnClick", &TCheckBox::OnClick), VCL_STD_WIN_EVENTS(TCheckBox))

VCL_IMPLEMENT_CLASS(
    TRadioButton, VCL_STD_CONTROL_PROPS(TRadioButton),
    EnumProp("Alignment", &TRadioButton::Alignment, &TRadioButton::SetAlignment,
             {"taLeftJustify", "taRightJustify"})
        .Default(taRightJustify),
    StrProp("Caption", &TRadioButton::Caption, &TRadioButton::SetCaption),
    BoolProp("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false),
    ColorProp("Color", &TRadioButton::Color, &TRadioButton::SetColor)
        .Default(clBtnFace)
        .Stored(&TRadioButton::IsColorStored),
    BoolProp("ParentColor", &TRadioButton::ParentColor, &TRadioButton::SetParentColor).Default(true),
    VCL_TAB_PROPS(TRadioButton, false), EventProp("OnClick", &TRadioButton::OnClick),
    EventProp("OnDblClick", &TRadioButton::OnDblClick), VCL_STD_WIN_EVENTS(TRadioButton))

VCL_IMPLEMENT_CLASS(TCustomGroupBox)
VCL_IMPLEMENT_CLASS(
    TGroupBox, VCL_STD_CONTROL_PROPS(TGroupBox),
    StrProp("Caption", &TGroupBox::Caption, &TGroupBox::SetCaption),
    ColorProp("Color", &TGroupBox::Color, &TGroupBox::SetColor)
        .Default(clBtnFace)
        .Stored(&TGroupBox::IsColorStored),
    BoolProp("ParentColor", &TGroupBox::ParentColor, &TGroupBox::SetParentColor).Default(true),
    VCL_TAB_PROPS(TGroupBox, false), EventProp("OnClick", &TGroupBox::OnClick),
    EventProp("OnDblClick", &TGroupBox::OnDblClick), VCL_STD_WIN_EVENTS(TGroupBox))

VCL_IMPLEMENT_CLASS(TCustomEdit)
#define VCL_EDIT_PROPS(C)                                                                             \
  BoolProp("AutoSelect", &C::AutoSelect, &C::SetAutoSelect).Default(true),                            \
      EnumProp("BorderStyle", &C::BorderStyle, &C::SetBorderStyle, kBorderIdents).Default(bsSingle),  \
      EnumProp("CharCase", &C::CharCase, &C::SetCharCase, {"ecNormal", "ecUpperCase", "ecLowerCase"}) \
          .Default(ecNormal),                                                                         \
      ColorProp("Color", &C::Color, &C::SetColor).Default(clWindow).Stored(&C::IsColorStored),        \
      IntProp("MaxLength", &C::MaxLength, &C::SetMaxLength).Default(0),                               \
      BoolProp("ParentColor", &C::ParentColor, &C::SetParentColor).Default(false),                    \
      BoolProp("ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false)
VCL_IMPLEMENT_CLASS(TEdit, VCL_STD_CONTROL_PROPS(TEdit), VCL_EDIT_PROPS(TEdit),
                    IntProp("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar).Default(0),
                    StrProp("Text", &TEdit::Text, &TEdit::SetText), VCL_TAB_PROPS(TEdit, true),
                    EventProp("OnChange", &TEdit::OnChange), EventProp("OnClick", &TEdit::OnClick),
                    EventProp("OnDblClick", &TEdit::OnDblClick), VCL_STD_WIN_EVENTS(TEdit))

VCL_IMPLEMENT_CLASS(TCustomMemo)
VCL_IMPLEMENT_CLASS(
    TMemo, VCL_STD_CONTROL_PROPS(TMemo),
    EnumProp("Alignment", &TMemo::Alignment, &TMemo::SetAlignment, kAlignmentIdents).Default(taLeftJustify),
    VCL_EDIT_PROPS(TMemo), ObjProp("Lines", &TMemo::Lines, &TMemo::SetLines),
    EnumProp("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars,
             {"ssNone", "ssHorizontal", "ssVertical", "ssBoth"})
        .Default(ssNone),
    BoolProp("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns).Default(true),
    BoolProp("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs).Default(false),
    BoolProp("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap).Default(true), VCL_TAB_PROPS(TMemo, true),
    EventProp("OnChange", &TMemo::OnChange), EventProp("OnClick", &TMemo::OnClick),
    EventProp("OnDblClick", &TMemo::OnDblClick), VCL_STD_WIN_EVENTS(TMemo))

VCL_IMPLEMENT_CLASS(TCustomListControl)
VCL_IMPLEMENT_CLASS(TCustomListBox)
VCL_IMPLEMENT_CLASS(
    TListBox, VCL_STD_CONTROL_PROPS(TListBox),
    EnumProp("BorderStyle", &TListBox::BorderStyle, &TListBox::SetBorderStyle, kBorderIdents)
        .Default(bsSingle),
    ColorProp("Color", &TListBox::Color, &TListBox::SetColor)
        .Default(clWindow)
        .Stored(&TListBox::IsColorStored),
    BoolProp("ExtendedSelect", &TListBox::ExtendedSelect, &TListBox::SetExtendedSelect).Default(true),
    BoolProp("IntegralHeight", &TListBox::IntegralHeight, &TListBox::SetIntegralHeight).Default(false),
    IntProp("ItemHeight", &TListBox::ItemHeight, &TListBox::SetItemHeight).Default(13),
    ObjProp("Items", &TListBox::Items, &TListBox::SetItems),
    IntProp("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex).Default(-1),
    BoolProp("MultiSelect", &TListBox::MultiSelect, &TListBox::SetMultiSelect).Default(false),
    BoolProp("ParentColor", &TListBox::ParentColor, &TListBox::SetParentColor).Default(false),
    BoolProp("Sorted", &TListBox::Sorted, &TListBox::SetSorted).Default(false),
    EnumProp("Style", &TListBox::Style, &TListBox::SetStyle,
             {"lbStandard", "lbOwnerDrawFixed", "lbOwnerDrawVariable"})
        .Default(lbStandard),
    VCL_TAB_PROPS(TListBox, true), EventProp("OnClick", &TListBox::OnClick),
    EventProp("OnDblClick", &TListBox::OnDblClick), VCL_STD_WIN_EVENTS(TListBox))

VCL_IMPLEMENT_CLASS(TCustomComboBox)
VCL_IMPLEMENT_CLASS(
    TComboBox, VCL_STD_CONTROL_PROPS(TComboBox),
    EnumProp("Style", &TComboBox::Style, &TComboBox::SetStyle,
             {"csDropDown", "csSimple", "csDropDownList", "csOwnerDrawFixed", "csOwnerDrawVariable"})
        .Default(csDropDown),
    ColorProp("Color", &TComboBox::Color, &TComboBox::SetColor)
        .Default(clWindow)
        .Stored(&TComboBox::IsColorStored),
    IntProp("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount).Default(8),
    IntProp("ItemHeight", &TComboBox::ItemHeight, &TComboBox::SetItemHeight).Default(16),
    IntProp("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength).Default(0),
    BoolProp("ParentColor", &TComboBox::ParentColor, &TComboBox::SetParentColor).Default(false),
    BoolProp("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted).Default(false),
    StrProp("Text", &TComboBox::Text, &TComboBox::SetText).Stored(&TComboBox::IsTextStored),
    ObjProp("Items", &TComboBox::Items, &TComboBox::SetItems),
    IntProp("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex).Default(-1),
    VCL_TAB_PROPS(TComboBox, true), EventProp("OnChange", &TComboBox::OnChange),
    EventProp("OnClick", &TComboBox::OnClick), EventProp("OnCloseUp", &TComboBox::OnCloseUp),
    EventProp("OnDblClick", &TComboBox::OnDblClick), EventProp("OnDropDown", &TComboBox::OnDropDown),
    EventProp("OnSelect", &TComboBox::OnSelect), VCL_STD_WIN_EVENTS(TComboBox))

VCL_IMPLEMENT_CLASS(TScrollBar, VCL_STD_CONTROL_PROPS(TScrollBar),
                    EnumProp("Kind", &TScrollBar::Kind, &TScrollBar::SetKind, {"sbHorizontal", "sbVertical"})
                        .Default(sbHorizontal),
                    IntProp("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange).Default(1),
                    IntProp("Max", &TScrollBar::Max, &TScrollBar::SetMax).Default(100),
                    IntProp("Min", &TScrollBar::Min, &TScrollBar::SetMin).Default(0),
                    IntProp("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize).Default(0),
                    IntProp("Position", &TScrollBar::Position, &TScrollBar::SetPosition).Default(0),
                    IntProp("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange).Default(1),
                    VCL_TAB_PROPS(TScrollBar, true), EventProp("OnChange", &TScrollBar::OnChange),
                    EventProp("OnScroll", &TScrollBar::OnScroll), VCL_STD_WIN_EVENTS(TScrollBar))

// ---- TCustomLabel -------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable, csOpaque});
  SetBounds(0, 0, 65, 17);
}

void TCustomLabel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
  if (auto_size_ == value) return;
  auto_size_ = value;
  AdjustBounds();
}

void TCustomLabel::SetLayout(TTextLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
  if (Transparent() == value) return;
  // Invalidate before and after: a label turning transparent needs its parent painted under it.
  Invalidate();
  if (value)
    SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  else
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TCustomLabel::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
  if (show_accel_char_ == value) return;
  show_accel_char_ = value;
  AdjustBounds();
  Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* value) {
  if (focus_control_ == value) return;
  if (focus_control_) focus_control_->RemoveFreeNotification(this);
  focus_control_ = value;
  if (value) value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* component, TOperation operation) {
  TGraphicControl::Notification(component, operation);
  if (operation == opRemove && component == focus_control_) focus_control_ = nullptr;
}

unsigned TCustomLabel::TextFlags() const {
  unsigned flags = plat::DT_EXPANDTABS;
  if (word_wrap_) flags |= plat::DT_WORDBREAK;
  if (!show_accel_char_) flags |= plat::DT_NOPREFIX;
  if (alignment_ == taRightJustify) flags |= plat::DT_RIGHT;
  if (alignment_ == taCenter) flags |= plat::DT_CENTER;
  return flags;
}

void TCustomLabel::AdjustBounds() {
  if (!auto_size_ || Loading(this)) return;
  unsigned flags = plat::DT_EXPANDTABS | (word_wrap_ ? plat::DT_WORDBREAK : 0u) |
                   (show_accel_char_ ? 0u : plat::DT_NOPREFIX);
  TSize size = MeasureText(Font(), Caption(), flags, Width());
  int left = Left();
  // A right-aligned label grows to the left; the others to the right.
  if (alignment_ == taRightJustify) left += Width() - size.cx;
  SetBounds(left, Top(), size.cx, size.cy);
}

void TCustomLabel::Loaded() {
  TGraphicControl::Loaded();
  AdjustBounds();
}

void TCustomLabel::CMTextChanged(TMessage& m) {
  TGraphicControl::CMTextChanged(m);
  AdjustBounds();
}

void TCustomLabel::CMFontChanged(TMessage& m) {
  TGraphicControl::CMFontChanged(m);
  AdjustBounds();
}

void TCustomLabel::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(bsSolid);
    canvas->FillRect(r);
  }
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  std::string text = Caption();
  unsigned flags = TextFlags();
  if (layout_ != tlTop) {
    TSize size = MeasureText(Font(), text, flags & ~(plat::DT_RIGHT | plat::DT_CENTER), r.right - r.left);
    int offset = (r.bottom - r.top) - size.cy;
    r.top += layout_ == tlCenter ? offset / 2 : offset;
  }
  plat::HDC dc = canvas->Handle();
  plat::SetBkMode(dc, plat::TRANSPARENT);
  auto draw = [&](TRect place, TColor color) {
    plat::SetTextColor(dc, ColorToRGB(color));
    plat::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &place, flags);
  };
  if (Enabled()) {
    draw(r, Font()->Color());
  } else {
    // The engraved look of disabled text.
    draw(Rect(r.left + 1, r.top + 1, r.right + 1, r.bottom + 1), clBtnHighlight);
    draw(r, clBtnShadow);
  }
}

// ---- TStdWinControl ------------------------------------------------------------

TStdWinControl::TStdWinControl(TComponent* owner) : TWinControl(owner) {}

void TStdWinControl::CreateWnd() {
  TWinControl::CreateWnd();
  plat::SendMessageA(Handle(), plat::WM_SETFONT, reinterpret_cast<plat::WPARAM>(Font()->Handle()), 0);
}

void TStdWinControl::CMFontChanged(TMessage& m) {
  if (HandleAllocated())
    plat::SendMessageA(Handle(), plat::WM_SETFONT, reinterpret_cast<plat::WPARAM>(Font()->Handle()), 1);
  TWinControl::CMFontChanged(m);
}

void TStdWinControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case CN_COMMAND:
      CNCommand(m);
      return;
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC: {
      auto dc = reinterpret_cast<plat::HDC>(m.WParam);
      plat::SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
      plat::SetBkColor(dc, ColorToRGB(Color()));
      m.Result = reinterpret_cast<plat::LRESULT>(Brush()->Handle());
      return;
    }
    default:
      TWinControl::Dispatch(m);
  }
}

// ---- buttons ---------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* owner) : TStdWinControl(owner) {
  // The class follows the mouse and reports clicks itself.
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
}

TButton::TButton(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 75, 25);
  SetTabStop(true);
}

void TButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  CreateSubClass(params, plat::WC_BUTTONA);
  params.Style |= plat::WS_TABSTOP | (default_ ? plat::BS_DEFPUSHBUTTON : plat::BS_PUSHBUTTON);
}

void TButton::SetDefault(bool value) {
  if (default_ == value) return;
  default_ = value;
  if (HandleAllocated())
    plat::SendMessageA(Handle(), plat::BM_SETSTYLE, value ? plat::BS_DEFPUSHBUTTON : plat::BS_PUSHBUTTON, 1);
}

void TButton::Click() {
  if (modal_result_ != mrNone)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(modal_result_);
  TButtonControl::Click();
}

void TButton::CNCommand(TMessage& m) {
  if (plat::HIWORD(m.WParam) == plat::BN_CLICKED) Click();
}

bool TButton::TakesDialogKey(plat::WPARAM key, plat::LPARAM key_data) const {
  if (!KeyDataToShiftState(key_data).Empty() || !CanFocus()) return false;
  if (key == static_cast<plat::WPARAM>(plat::VK_ESCAPE)) return cancel_;
  if (key != static_cast<plat::WPARAM>(plat::VK_RETURN)) return false;
  // A focused button takes Enter itself; otherwise the default button does.
  TCustomForm* form = GetParentForm(this);
  auto* focused = form ? dynamic_cast<TButton*>(form->ActiveControl()) : nullptr;
  return focused ? focused == this : default_;
}

void TButton::Dispatch(TMessage& m) {
  if (m.Msg == CM_DIALOGKEY) {
    if (TakesDialogKey(m.WParam, m.LParam)) {
      Click();
      m.Result = 1;
    }
    return;
  }
  TButtonControl::Dispatch(m);
}

TCustomCheckBox::TCustomCheckBox(TComponent* owner) : TButtonControl(owner) {
  SetBounds(0, 0, 97, 17);
  SetTabStop(true);
}

void TCustomCheckBox::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  CreateSubClass(params, plat::WC_BUTTONA);
  // Not an automatic box: the object decides the next state.
  params.Style |= plat::WS_TABSTOP | plat::BS_3STATE | (alignment_ == taLeftJustify ? plat::BS_LEFTTEXT : 0);
}

void TCustomCheckBox::CreateWnd() {
  TButtonControl::CreateWnd();
  plat::SendMessageA(Handle(), plat::BM_SETCHECK, static_cast<plat::WPARAM>(state_), 0);
}

void TCustomCheckBox::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
  if (state_ == value) return;
  state_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::BM_SETCHECK, static_cast<plat::WPARAM>(value), 0);
  if (!ClicksDisabled() && !Loading(this)) Click();
}

void TCustomCheckBox::Toggle() {
  switch (state_) {
    case cbUnchecked:
      SetState(allow_grayed_ ? cbGrayed : cbChecked);
      break;
    case cbChecked:
      SetState(cbUnchecked);
      break;
    case cbGrayed:
      SetState(cbChecked);
      break;
  }
}

void TCustomCheckBox::CNCommand(TMessage& m) {
  if (plat::HIWORD(m.WParam) == plat::BN_CLICKED) Toggle();
}

TRadioButton::TRadioButton(TComponent* owner) : TButtonControl(owner) {
  // Double clicks come as BN_DOUBLECLICKED.
  SetControlStyle(TControlStyle{csSetCaption});
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::CreateParams(TCreateParams& params) {
  TButtonControl::CreateParams(params);
  CreateSubClass(params, plat::WC_BUTTONA);
  params.Style |= plat::BS_RADIOBUTTON | (alignment_ == taLeftJustify ? plat::BS_LEFTTEXT : 0);
}

void TRadioButton::CreateWnd() {
  TButtonControl::CreateWnd();
  plat::SendMessageA(Handle(), plat::BM_SETCHECK, checked_ ? plat::BST_CHECKED : plat::BST_UNCHECKED, 0);
}

void TRadioButton::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

void TRadioButton::SetChecked(bool value) {
  if (checked_ == value) return;
  checked_ = value;
  SetTabStop(value);
  if (HandleAllocated())
    plat::SendMessageA(Handle(), plat::BM_SETCHECK, value ? plat::BST_CHECKED : plat::BST_UNCHECKED, 0);
  if (!value) return;
  if (TWinControl* parent = Parent()) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
      auto* sibling = dynamic_cast<TRadioButton*>(parent->Controls(i));
      if (sibling && sibling != this) sibling->SetChecked(false);
    }
  }
  if (!ClicksDisabled() && !Loading(this)) Click();
}

void TRadioButton::CNCommand(TMessage& m) {
  switch (plat::HIWORD(m.WParam)) {
    case plat::BN_CLICKED:
      SetChecked(true);
      break;
    case plat::BN_DOUBLECLICKED:
      DblClick();
      break;
    default:
      break;
  }
}

// ---- TCustomGroupBox ----------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                csDoubleClicks, csReplicatable});
  SetBounds(0, 0, 185, 105);
}

void TCustomGroupBox::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::WC_BUTTONA);
  params.Style |= plat::BS_GROUPBOX;
}

TRect TCustomGroupBox::InnerRect() const {
  TRect r = ClientRect();
  r.top += MeasureText(Font(), "0", plat::DT_SINGLELINE, 0).cy;
  return Rect(r.left + 2, r.top + 2, std::max(r.left + 2, r.right - 2), std::max(r.top + 2, r.bottom - 2));
}

void TCustomGroupBox::AlignControls(TControl* control, TRect& rect) {
  rect = InnerRect();
  TStdWinControl::AlignControls(control, rect);
}

// ---- TCustomEdit ---------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
  // Text-entry controls sit on the window colour, whatever their parent's.
  SetColor(clWindow);
  SetParentColor(false);
}

void TCustomEdit::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::WC_EDITA);
  params.Style |= plat::WS_TABSTOP | plat::ES_AUTOHSCROLL;
  if (border_style_ == bsSingle) params.ExStyle |= plat::WS_EX_CLIENTEDGE;
  if (read_only_) params.Style |= plat::ES_READONLY;
  if (password_char_) params.Style |= plat::ES_PASSWORD;
  if (char_case_ == ecUpperCase) params.Style |= plat::ES_UPPERCASE;
  if (char_case_ == ecLowerCase) params.Style |= plat::ES_LOWERCASE;
}

plat::HWND TCustomEdit::EditHandle() const { return const_cast<TCustomEdit*>(this)->Handle(); }

void TCustomEdit::SetBorderStyle(TBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  RecreateWnd();
}

void TCustomEdit::SetCharCase(TEditCharCase value) {
  if (char_case_ == value) return;
  char_case_ = value;
  RecreateWnd();
}

void TCustomEdit::SetMaxLength(int value) {
  if (max_length_ == value) return;
  max_length_ = value;
  if (HandleAllocated())
    plat::SendMessageA(Handle(), plat::EM_LIMITTEXT, static_cast<plat::WPARAM>(value), 0);
}

void TCustomEdit::SetPasswordChar(char value) {
  if (password_char_ == value) return;
  password_char_ = value;
  if (HandleAllocated()) {
    RecreateWnd();
    if (HandleAllocated())
      plat::SendMessageA(Handle(), plat::EM_SETPASSWORDCHAR, static_cast<unsigned char>(value), 0);
  }
}

void TCustomEdit::SetReadOnly(bool value) {
  if (read_only_ == value) return;
  read_only_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::EM_SETREADONLY, value ? 1 : 0, 0);
}

bool TCustomEdit::Modified() const {
  if (HandleAllocated()) return plat::SendMessageA(EditHandle(), plat::EM_GETMODIFY, 0, 0) != 0;
  return modified_;
}

void TCustomEdit::SetModified(bool value) {
  modified_ = value;
  if (HandleAllocated()) plat::SendMessageA(EditHandle(), plat::EM_SETMODIFY, value ? 1 : 0, 0);
}

int TCustomEdit::SelStart() const {
  if (!HandleAllocated()) return 0;
  plat::DWORD start = 0, end = 0;
  plat::SendMessageA(EditHandle(), plat::EM_GETSEL, reinterpret_cast<plat::WPARAM>(&start),
                     reinterpret_cast<plat::LPARAM>(&end));
  return static_cast<int>(start);
}

int TCustomEdit::SelLength() const {
  if (!HandleAllocated()) return 0;
  plat::DWORD start = 0, end = 0;
  plat::SendMessageA(EditHandle(), plat::EM_GETSEL, reinterpret_cast<plat::WPARAM>(&start),
                     reinterpret_cast<plat::LPARAM>(&end));
  return static_cast<int>(end - start);
}

void TCustomEdit::SetSelStart(int value) {
  plat::SendMessageA(EditHandle(), plat::EM_SETSEL, static_cast<plat::WPARAM>(value), value);
}

void TCustomEdit::SetSelLength(int value) {
  int start = SelStart();
  plat::SendMessageA(EditHandle(), plat::EM_SETSEL, static_cast<plat::WPARAM>(start), start + value);
}

std::string TCustomEdit::SelText() const {
  int start = SelStart();
  std::string text = Text();
  start = std::clamp(start, 0, static_cast<int>(text.size()));
  return text.substr(static_cast<size_t>(start), static_cast<size_t>(SelLength()));
}

void TCustomEdit::SetSelText(const std::string& value) {
  plat::SendMessageA(EditHandle(), plat::EM_REPLACESEL, 0, reinterpret_cast<plat::LPARAM>(value.c_str()));
}

void TCustomEdit::SelectAll() {
  if (HandleAllocated()) plat::SendMessageA(EditHandle(), plat::EM_SETSEL, 0, -1);
}

void TCustomEdit::CNCommand(TMessage& m) {
  if (plat::HIWORD(m.WParam) == plat::EN_CHANGE) Change();
}

void TCustomEdit::CMTextChanged(TMessage& m) {
  TStdWinControl::CMTextChanged(m);
  // With a window the class reports the change; without one it is reported here.
  if (!HandleAllocated()) Change();
}

void TCustomEdit::Change() {
  if (Loading(this)) return;
  if (OnChange) OnChange(this);
}

void TCustomEdit::DoEnter() {
  if (auto_select_ && !ControlState().Contains(csLButtonDown) &&
      !(plat::GetWindowLongA(Handle(), plat::GWL_STYLE) & plat::ES_MULTILINE))
    SelectAll();
  TStdWinControl::DoEnter();
}

// ---- TCustomMemo ---------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* owner) : TCustomEdit(owner), lines_(std::make_unique<TStringList>()) {
  SetBounds(Left(), Top(), 185, 89);
  lines_->OnChange = [this](TObject* sender) { LinesChanged(sender); };
}

TCustomMemo::~TCustomMemo() { lines_->OnChange = nullptr; }

void TCustomMemo::CreateParams(TCreateParams& params) {
  TCustomEdit::CreateParams(params);
  params.Style &= ~plat::ES_AUTOHSCROLL;
  params.Style |= plat::ES_MULTILINE | plat::ES_AUTOVSCROLL;
  if (want_returns_) params.Style |= plat::ES_WANTRETURN;
  // A horizontal bar means long lines scroll instead of wrapping.
  if (!word_wrap_ || scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth)
    params.Style |= plat::ES_AUTOHSCROLL;
  if (scroll_bars_ == ssHorizontal || scroll_bars_ == ssBoth) params.Style |= plat::WS_HSCROLL;
  if (scroll_bars_ == ssVertical || scroll_bars_ == ssBoth) params.Style |= plat::WS_VSCROLL;
  if (alignment_ == taRightJustify) params.Style |= plat::ES_RIGHT;
  if (alignment_ == taCenter) params.Style |= plat::ES_CENTER;
}

void TCustomMemo::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
  if (scroll_bars_ == value) return;
  scroll_bars_ = value;
  RecreateWnd();
}

void TCustomMemo::SetWordWrap(bool value) {
  if (word_wrap_ == value) return;
  word_wrap_ = value;
  RecreateWnd();
}

void TCustomMemo::LinesChanged(TObject*) {
  if (syncing_) return;
  syncing_ = true;
  plat::ScopeExit done([this] { syncing_ = false; });
  SetText(lines_->Text());
}

void TCustomMemo::Change() {
  if (!syncing_) {
    // The user's typing: the lines follow the text.
    syncing_ = true;
    plat::ScopeExit done([this] { syncing_ = false; });
    lines_->SetText(Text());
  }
  TCustomEdit::Change();
}

void TCustomMemo::Dispatch(TMessage& m) {
  TCustomEdit::Dispatch(m);
  if (m.Msg != plat::WM_GETDLGCODE) return;
  // Without WantReturns, Enter and Escape are left to the form's buttons;
  // without WantTabs, Tab moves on to the next control.
  if (!want_returns_) m.Result &= ~plat::DLGC_WANTALLKEYS;
  if (want_tabs_)
    m.Result |= plat::DLGC_WANTTAB;
  else
    m.Result &= ~plat::DLGC_WANTTAB;
}

void TCustomMemo::KeyPress(char& key) {
  TCustomEdit::KeyPress(key);
  if ((key == '\r' && !want_returns_) || (key == '\t' && !want_tabs_)) key = 0;
}

// ---- TCustomListControl ---------------------------------------------------------------

TCustomListControl::TCustomListControl(TComponent* owner)
    : TStdWinControl(owner), items_(std::make_unique<TStringList>()) {
  items_->OnChange = [this](TObject* sender) { ItemsChanged(sender); };
  SetTabStop(true);
  SetColor(clWindow);
  SetParentColor(false);
}

TCustomListControl::~TCustomListControl() { items_->OnChange = nullptr; }

void TCustomListControl::ItemsChanged(TObject*) {
  if (HandleAllocated()) FillWindow();
}

void TCustomListControl::FillWindow() {
  plat::HWND hwnd = Handle();
  int index = ItemIndex();
  plat::SendMessageA(hwnd, ResetMessage(), 0, 0);
  for (int i = 0; i < items_->Count(); ++i)
    plat::SendMessageA(hwnd, AddMessage(), 0, reinterpret_cast<plat::LPARAM>(items_->Strings(i).c_str()));
  if (index >= 0 && index < items_->Count())
    plat::SendMessageA(hwnd, SetSelMessage(), static_cast<plat::WPARAM>(index), 0);
}

int TCustomListControl::ItemIndex() const {
  if (HandleAllocated()) {
    auto index = static_cast<int>(
        plat::SendMessageA(const_cast<TCustomListControl*>(this)->Handle(), GetSelMessage(), 0, 0));
    return index < 0 ? -1 : index;
  }
  if (item_index_ >= items_->Count() && !Loading(this)) return -1;
  return item_index_;
}

void TCustomListControl::SetItemIndex(int value) {
  // Items may come after the index in a description; Loaded checks the range.
  if (!Loading(this) && (value < -1 || value >= items_->Count())) value = -1;
  if (value < -1) value = -1;
  if (HandleAllocated())
    plat::SendMessageA(Handle(), SetSelMessage(), static_cast<plat::WPARAM>(static_cast<intptr_t>(value)), 0);
  else
    item_index_ = value;
}

void TCustomListControl::Loaded() {
  TStdWinControl::Loaded();
  if (item_index_ >= items_->Count()) item_index_ = -1;
}

void TCustomListControl::CreateWnd() {
  TStdWinControl::CreateWnd();
  FillWindow();
  if (item_index_ >= 0 && item_index_ < items_->Count())
    plat::SendMessageA(Handle(), SetSelMessage(), static_cast<plat::WPARAM>(item_index_), 0);
}

void TCustomListControl::DestroyWnd() {
  item_index_ = ItemIndex();
  TStdWinControl::DestroyWnd();
}

// ---- TCustomListBox ------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomListControl(owner) {
  // The class reports clicks and double clicks (LBN_SELCHANGE, LBN_DBLCLK).
  SetControlStyle(TControlStyle{csSetCaption});
  SetBounds(0, 0, 121, 97);
}

void TCustomListBox::CreateParams(TCreateParams& params) {
  TCustomListControl::CreateParams(params);
  CreateSubClass(params, plat::WC_LISTBOXA);
  params.Style |= plat::WS_TABSTOP | plat::WS_VSCROLL | plat::LBS_NOTIFY | plat::LBS_HASSTRINGS;
  if (multi_select_) params.Style |= extended_select_ ? plat::LBS_EXTENDEDSEL : plat::LBS_MULTIPLESEL;
  if (!integral_height_) params.Style |= plat::LBS_NOINTEGRALHEIGHT;
  if (style_ == lbOwnerDrawFixed) params.Style |= plat::LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) params.Style |= plat::LBS_OWNERDRAWVARIABLE;
  if (border_style_ == bsSingle) params.ExStyle |= plat::WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
  TCustomListControl::CreateWnd();
  if (style_ != lbStandard)
    plat::SendMessageA(Handle(), plat::LB_SETITEMHEIGHT, 0,
                       plat::MAKELPARAM(static_cast<plat::WORD>(item_height_), 0));
}

void TCustomListBox::SetBorderStyle(TBorderStyle value) {
  if (border_style_ == value) return;
  border_style_ = value;
  RecreateWnd();
}

void TCustomListBox::SetMultiSelect(bool value) {
  if (multi_select_ == value) return;
  multi_select_ = value;
  RecreateWnd();
}

void TCustomListBox::SetExtendedSelect(bool value) {
  if (extended_select_ == value) return;
  extended_select_ = value;
  RecreateWnd();
}

void TCustomListBox::SetIntegralHeight(bool value) {
  if (integral_height_ == value) return;
  integral_height_ = value;
  RecreateWnd();
}

void TCustomListBox::SetItemHeight(int value) {
  if (item_height_ == value || value <= 0) return;
  item_height_ = value;
  RecreateWnd();
}

void TCustomListBox::SetStyle(TListBoxStyle value) {
  if (style_ == value) return;
  style_ = value;
  RecreateWnd();
}

int TCustomListBox::TopIndex() const {
  if (!HandleAllocated()) return 0;
  return static_cast<int>(
      plat::SendMessageA(const_cast<TCustomListBox*>(this)->Handle(), plat::LB_GETTOPINDEX, 0, 0));
}

void TCustomListBox::SetTopIndex(int value) {
  plat::SendMessageA(Handle(), plat::LB_SETTOPINDEX, static_cast<plat::WPARAM>(value), 0);
}

bool TCustomListBox::Selected(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return plat::SendMessageA(const_cast<TCustomListBox*>(this)->Handle(), plat::LB_GETSEL,
                            static_cast<plat::WPARAM>(index), 0) > 0;
}

void TCustomListBox::SetSelected(int index, bool value) {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  if (multi_select_)
    plat::SendMessageA(Handle(), plat::LB_SETSEL, value ? 1 : 0, index);
  else
    SetItemIndex(value ? index : (ItemIndex() == index ? -1 : ItemIndex()));
}

int TCustomListBox::SelCount() const {
  if (!multi_select_) return -1;
  return static_cast<int>(
      plat::SendMessageA(const_cast<TCustomListBox*>(this)->Handle(), plat::LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::CNCommand(TMessage& m) {
  switch (plat::HIWORD(m.WParam)) {
    case plat::LBN_SELCHANGE:
      Click();
      break;
    case plat::LBN_DBLCLK:
      DblClick();
      break;
    default:
      break;
  }
}

plat::UINT TCustomListBox::AddMessage() const { return plat::LB_ADDSTRING; }
plat::UINT TCustomListBox::ResetMessage() const { return plat::LB_RESETCONTENT; }
plat::UINT TCustomListBox::GetSelMessage() const { return plat::LB_GETCURSEL; }
plat::UINT TCustomListBox::SetSelMessage() const { return plat::LB_SETCURSEL; }

// ---- TCustomComboBox ------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomListControl(owner) {
  SetControlStyle(TControlStyle{csSetCaption, csDoubleClicks});
  SetBounds(0, 0, 145, 21);
}

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TCustomListControl::CreateParams(params);
  CreateSubClass(params, plat::WC_COMBOBOXA);
  static constexpr plat::DWORD kKinds[] = {plat::CBS_DROPDOWN, plat::CBS_SIMPLE, plat::CBS_DROPDOWNLIST,
                                           plat::CBS_DROPDOWNLIST | plat::CBS_OWNERDRAWFIXED,
                                           plat::CBS_DROPDOWNLIST | plat::CBS_OWNERDRAWVARIABLE};
  params.Style |=
      plat::WS_TABSTOP | plat::WS_VSCROLL | plat::CBS_AUTOHSCROLL | plat::CBS_HASSTRINGS | kKinds[style_];
  // The class keeps the field's height and drops a list of what is left.
  if (style_ != csSimple) params.Height = Height() + drop_down_count_ * item_height_ + 2;
}

void TCustomComboBox::CreateWnd() {
  TCustomListControl::CreateWnd();
  if (max_length_ > 0)
    plat::SendMessageA(Handle(), plat::CB_LIMITTEXT, static_cast<plat::WPARAM>(max_length_), 0);
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
  if (style_ == value) return;
  style_ = value;
  RecreateWnd();
}

void TCustomComboBox::SetMaxLength(int value) {
  if (max_length_ == value) return;
  max_length_ = std::max(value, 0);
  if (HandleAllocated())
    plat::SendMessageA(Handle(), plat::CB_LIMITTEXT, static_cast<plat::WPARAM>(max_length_), 0);
}

void TCustomComboBox::SetItemHeight(int value) {
  if (item_height_ == value || value <= 0) return;
  item_height_ = value;
  RecreateWnd();
}

bool TCustomComboBox::DroppedDown() const {
  return HandleAllocated() && plat::SendMessageA(const_cast<TCustomComboBox*>(this)->Handle(),
                                                 plat::CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool value) {
  plat::SendMessageA(Handle(), plat::CB_SHOWDROPDOWN, value ? 1 : 0, 0);
}

std::string TCustomComboBox::GetText() const {
  // A pick list shows its selected item.
  if (style_ == csDropDownList || style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) {
    int index = ItemIndex();
    return index >= 0 ? Items()->Strings(index) : std::string();
  }
  return TCustomListControl::GetText();
}

void TCustomComboBox::CNCommand(TMessage& m) {
  switch (plat::HIWORD(m.WParam)) {
    case plat::CBN_SELCHANGE:
      Click();
      Select();
      break;
    case plat::CBN_EDITCHANGE:
      Change();
      break;
    case plat::CBN_DROPDOWN:
      if (OnDropDown) OnDropDown(this);
      break;
    case plat::CBN_CLOSEUP:
      if (OnCloseUp) OnCloseUp(this);
      break;
    default:
      break;
  }
}

void TCustomComboBox::Change() {
  if (Loading(this)) return;
  if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
  if (OnSelect)
    OnSelect(this);
  else
    Change();
}

plat::UINT TCustomComboBox::AddMessage() const { return plat::CB_ADDSTRING; }
plat::UINT TCustomComboBox::ResetMessage() const { return plat::CB_RESETCONTENT; }
plat::UINT TCustomComboBox::GetSelMessage() const { return plat::CB_GETCURSEL; }
plat::UINT TCustomComboBox::SetSelMessage() const { return plat::CB_SETCURSEL; }

// ---- TScrollBar --------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(ControlStyle() -
                  TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csSetCaption});
  SetBounds(0, 0, 121, 17);
  SetTabStop(true);
}

void TScrollBar::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::WC_SCROLLBARA);
  params.Style |= plat::WS_TABSTOP | (kind_ == sbVertical ? plat::SBS_VERT : plat::SBS_HORZ);
}

void TScrollBar::CreateWnd() {
  TStdWinControl::CreateWnd();
  ApplyToWindow();
}

void TScrollBar::ApplyToWindow() {
  if (!HandleAllocated()) return;
  plat::SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = plat::SIF_RANGE | plat::SIF_PAGE | plat::SIF_POS;
  info.nMin = min_;
  info.nMax = max_;
  info.nPage = static_cast<plat::UINT>(page_size_);
  info.nPos = position_;
  plat::SetScrollInfo(Handle(), plat::SB_CTL, &info, plat::TRUE);
}

void TScrollBar::SetKind(TScrollBarKind value) {
  if (kind_ == value) return;
  kind_ = value;
  if (!Loading(this)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TScrollBar::SetPageSize(int value) {
  if (page_size_ == value) return;
  page_size_ = std::max(value, 0);
  ApplyToWindow();
}

void TScrollBar::SetParams(int position, int min, int max) {
  if (max < min) throw EInvalidOperation("Scroll bar property out of range");
  position = std::clamp(position, min, max);
  if (position == position_ && min == min_ && max == max_) return;
  bool moved = position != position_;
  min_ = min;
  max_ = max;
  position_ = position;
  ApplyToWindow();
  if (moved && !Loading(this)) Change();
}

void TScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TScrollBar::Scroll(TScrollCode code, int& position) {
  if (OnScroll) OnScroll(this, code, position);
}

void TScrollBar::DoScroll(plat::WPARAM wparam) {
  auto code = static_cast<TScrollCode>(plat::LOWORD(wparam));
  int position = position_;
  switch (plat::LOWORD(wparam)) {
    case plat::SB_LINEUP:
      position -= small_change_;
      break;
    case plat::SB_LINEDOWN:
      position += small_change_;
      break;
    case plat::SB_PAGEUP:
      position -= large_change_;
      break;
    case plat::SB_PAGEDOWN:
      position += large_change_;
      break;
    case plat::SB_THUMBPOSITION:
    case plat::SB_THUMBTRACK: {
      // The 16-bit position of the message is too narrow; ask for the track position.
      plat::SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = plat::SIF_TRACKPOS;
      position = plat::GetScrollInfo(Handle(), plat::SB_CTL, &info) ? info.nTrackPos : plat::HIWORD(wparam);
      break;
    }
    case plat::SB_TOP:
      position = min_;
      break;
    case plat::SB_BOTTOM:
      position = max_;
      break;
    default:
      break;
  }
  // The thumb cannot pass the last page.
  int last = page_size_ > 0 ? max_ - page_size_ + 1 : max_;
  position = std::clamp(position, min_, std::max(min_, last));
  Scroll(code, position);
  SetPosition(position);
}

void TScrollBar::Dispatch(TMessage& m) {
  if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
    DoScroll(m.WParam);
    return;
  }
  TStdWinControl::Dispatch(m);
}

// ---- registration ----------------------------------------------------------------------------

void RegisterStdControlClasses() {
  RegisterClasses({TLabel::StaticClass(), TButton::StaticClass(), TCheckBox::StaticClass(),
                   TRadioButton::StaticClass(), TGroupBox::StaticClass(), TEdit::StaticClass(),
                   TMemo::StaticClass(), TListBox::StaticClass(), TComboBox::StaticClass(),
                   TScrollBar::StaticClass(), TSpeedButton::StaticClass(), TImage::StaticClass(),
                   TRadioGroup::StaticClass(), TImageList::StaticClass(), TBitBtn::StaticClass(),
                   TMediaPlayer::StaticClass()});
  RegisterComCtrlClasses();
}

}  // namespace vcl
