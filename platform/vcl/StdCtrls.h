#pragma once
// The standard controls of the class library over the window layer's
// controls: buttons, check boxes, radio buttons, group boxes, edits, memos,
// combo boxes, list boxes and scroll bars, and the windowless label. The
// window classes do the work; the objects keep their values while no window
// exists and turn the notifications reflected from the parent into events.
// A value set from code behaves as the user's change does when it changes:
// a check box's state and a radio button's check run OnClick, an edit's text
// runs OnChange. Selecting in a list or combo box from code runs nothing.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Lists.h"

namespace vcl {

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };
enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollCode {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};
using TScrollEvent = std::function<void(TObject* sender, TScrollCode code, int& position)>;

// ---- TCustomLabel, TLabel ---------------------------------------------------

// Text painted on the parent. AutoSize fits the bounds to the text (keeping
// the right edge of right-aligned labels); a transparent label leaves the
// parent's pixels around its letters.
class TCustomLabel : public TGraphicControl {
  VCL_DECLARE_CLASS(TCustomLabel, TGraphicControl)
 public:
  explicit TCustomLabel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  bool Transparent() const { return !ControlStyle().Contains(csOpaque); }
  void SetTransparent(bool value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool ShowAccelChar() const { return show_accel_char_; }
  void SetShowAccelChar(bool value);
  TWinControl* FocusControl() const { return focus_control_; }
  void SetFocusControl(TWinControl* value);

 protected:
  void Paint() override;
  void Loaded() override;
  void CMTextChanged(TMessage& message) override;
  void CMFontChanged(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  // The DrawText flags of the current settings.
  unsigned TextFlags() const;
  // Sizes an auto-sized label to its text; labels that measure or draw
  // their own way replace it.
  virtual void AdjustBounds();

 private:
  TAlignment alignment_ = taLeftJustify;
  bool auto_size_ = true;
  TTextLayout layout_ = tlTop;
  bool word_wrap_ = false;
  bool show_accel_char_ = true;
  TWinControl* focus_control_ = nullptr;
};

class TLabel : public TCustomLabel {
  VCL_DECLARE_CLASS(TLabel, TCustomLabel)
 public:
  using TCustomLabel::TCustomLabel;
};

// ---- shared base of the windowed standard controls --------------------------

// Colours for the class's WM_CTLCOLOR* question come from the object; the
// published tab order and tab stop.
class TStdWinControl : public TWinControl {
  VCL_DECLARE_CLASS(TStdWinControl, TWinControl)
 public:
  explicit TStdWinControl(TComponent* owner);
  int PublishedTabOrder() const { return TabOrder(); }
  void SetPublishedTabOrder(int value) { SetTabOrder(value); }
  void Dispatch(TMessage& message) override;

 protected:
  void CreateWnd() override;
  // A reflected WM_COMMAND; the notification code is HIWORD(wParam).
  virtual void CNCommand(TMessage& /*message*/) {}
  // Sends the object's font to the window.
  void CMFontChanged(TMessage& message) override;
};

// ---- buttons ----------------------------------------------------------------

class TButtonControl : public TStdWinControl {
  VCL_DECLARE_CLASS(TButtonControl, TStdWinControl)
 public:
  explicit TButtonControl(TComponent* owner);

 protected:
  // No click comes from the notification while a value is set from code.
  bool ClicksDisabled() const { return clicks_disabled_ > 0; }
  int clicks_disabled_ = 0;
};

// A push button; a click sets the form's ModalResult (when it has one) before OnClick.
class TButton : public TButtonControl {
  VCL_DECLARE_CLASS(TButton, TButtonControl)
 public:
  explicit TButton(TComponent* owner);

  bool Default() const { return default_; }
  void SetDefault(bool value);
  bool Cancel() const { return cancel_; }
  void SetCancel(bool value) { cancel_ = value; }
  TModalResult ModalResult() const { return modal_result_; }
  void SetModalResult(TModalResult value) { modal_result_ = value; }

  void Click() override;
  void Dispatch(TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CNCommand(TMessage& message) override;

 private:
  // Enter or Escape from the form: true when this button is the one it presses.
  bool TakesDialogKey(plat::WPARAM key, plat::LPARAM key_data) const;

  bool default_ = false;
  bool cancel_ = false;
  TModalResult modal_result_ = mrNone;
};

class TCustomCheckBox : public TButtonControl {
  VCL_DECLARE_CLASS(TCustomCheckBox, TButtonControl)
 public:
  explicit TCustomCheckBox(TComponent* owner);

  // taRightJustify: the box on the left of the text (the usual look).
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AllowGrayed() const { return allow_grayed_; }
  void SetAllowGrayed(bool value) { allow_grayed_ = value; }
  TCheckBoxState State() const { return state_; }
  void SetState(TCheckBoxState value);
  bool Checked() const { return state_ == cbChecked; }
  void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CNCommand(TMessage& message) override;
  // The user's click: unchecked, checked, grayed (when allowed), unchecked.
  virtual void Toggle();

 private:
  TAlignment alignment_ = taRightJustify;
  bool allow_grayed_ = false;
  TCheckBoxState state_ = cbUnchecked;
};

class TCheckBox : public TCustomCheckBox {
  VCL_DECLARE_CLASS(TCheckBox, TCustomCheckBox)
 public:
  using TCustomCheckBox::TCustomCheckBox;
};

// Radio buttons with the same parent form one group: checking one clears
// the others. OnClick runs when a button becomes checked.
class TRadioButton : public TButtonControl {
  VCL_DECLARE_CLASS(TRadioButton, TButtonControl)
 public:
  explicit TRadioButton(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool Checked() const { return checked_; }
  void SetChecked(bool value);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CNCommand(TMessage& message) override;

 private:
  TAlignment alignment_ = taRightJustify;
  bool checked_ = false;
};

// ---- group boxes ------------------------------------------------------------

// A captioned frame; its children sit inside the frame.
class TCustomGroupBox : public TStdWinControl {
  VCL_DECLARE_CLASS(TCustomGroupBox, TStdWinControl)
 public:
  explicit TCustomGroupBox(TComponent* owner);

 protected:
  void CreateParams(TCreateParams& params) override;
  void AlignControls(TControl* control, TRect& rect) override;
  // The client area less the frame and the caption line.
  TRect InnerRect() const;
};

class TGroupBox : public TCustomGroupBox {
  VCL_DECLARE_CLASS(TGroupBox, TCustomGroupBox)
 public:
  using TCustomGroupBox::TCustomGroupBox;
};

// ---- edits ------------------------------------------------------------------

class TCustomEdit : public TStdWinControl {
  VCL_DECLARE_CLASS(TCustomEdit, TStdWinControl)
 public:
  explicit TCustomEdit(TComponent* owner);

  bool AutoSelect() const { return auto_select_; }
  void SetAutoSelect(bool value) { auto_select_ = value; }
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  TEditCharCase CharCase() const { return char_case_; }
  void SetCharCase(TEditCharCase value);
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value);
  char PasswordChar() const { return password_char_; }
  void SetPasswordChar(char value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  bool Modified() const;
  void SetModified(bool value);

  int SelStart() const;
  void SetSelStart(int value);
  int SelLength() const;
  void SetSelLength(int value);
  std::string SelText() const;
  void SetSelText(const std::string& value);
  void SelectAll();
  void Clear() { SetText(""); }

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CNCommand(TMessage& message) override;
  void CMTextChanged(TMessage& message) override;
  void DoEnter() override;
  virtual void Change();
  plat::HWND EditHandle() const;

 private:
  bool auto_select_ = true;
  TBorderStyle border_style_ = bsSingle;
  TEditCharCase char_case_ = ecNormal;
  int max_length_ = 0;
  char password_char_ = '\0';
  bool read_only_ = false;
  bool modified_ = false;
};

class TEdit : public TCustomEdit {
  VCL_DECLARE_CLASS(TEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;
};

// A multi-line edit whose Lines follow the text both ways.
class TCustomMemo : public TCustomEdit {
  VCL_DECLARE_CLASS(TCustomMemo, TCustomEdit)
 public:
  explicit TCustomMemo(TComponent* owner);
  ~TCustomMemo() override;

  TStrings* Lines() const { return lines_.get(); }
  void SetLines(TStrings* value) { lines_->Assign(value); }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TScrollStyle ScrollBars() const { return scroll_bars_; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return word_wrap_; }
  void SetWordWrap(bool value);
  bool WantReturns() const { return want_returns_; }
  void SetWantReturns(bool value) { want_returns_ = value; }
  bool WantTabs() const { return want_tabs_; }
  void SetWantTabs(bool value) { want_tabs_ = value; }

 protected:
  void CreateParams(TCreateParams& params) override;
  void Change() override;
  void KeyPress(char& key) override;
  void Dispatch(TMessage& message) override;

 private:
  void LinesChanged(TObject* sender);

  std::unique_ptr<TStringList> lines_;
  TAlignment alignment_ = taLeftJustify;
  TScrollStyle scroll_bars_ = ssNone;
  bool word_wrap_ = true;
  bool want_returns_ = true;
  bool want_tabs_ = false;
  bool syncing_ = false;
};

class TMemo : public TCustomMemo {
  VCL_DECLARE_CLASS(TMemo, TCustomMemo)
 public:
  using TCustomMemo::TCustomMemo;
};

// ---- list and combo boxes ---------------------------------------------------

// Items live in a string list; the window's list is filled from it whenever
// it changes, keeping the selection where it can.
class TCustomListControl : public TStdWinControl {
  VCL_DECLARE_CLASS(TCustomListControl, TStdWinControl)
 public:
  explicit TCustomListControl(TComponent* owner);
  ~TCustomListControl() override;

  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* value) { items_->Assign(value); }
  bool Sorted() const { return items_->Sorted(); }
  void SetSorted(bool value) { items_->SetSorted(value); }
  // -1: nothing selected. Out-of-range values select nothing.
  int ItemIndex() const;
  void SetItemIndex(int value);
  int Count() const { return items_->Count(); }
  void Clear() { items_->Clear(); }

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void Loaded() override;
  // The class's messages: add a string, reset, get and set the selection.
  virtual plat::UINT AddMessage() const = 0;
  virtual plat::UINT ResetMessage() const = 0;
  virtual plat::UINT GetSelMessage() const = 0;
  virtual plat::UINT SetSelMessage() const = 0;
  void FillWindow();

 private:
  void ItemsChanged(TObject* sender);

  std::unique_ptr<TStringList> items_;
  int item_index_ = -1;  // while no window exists
};

class TCustomListBox : public TCustomListControl {
  VCL_DECLARE_CLASS(TCustomListBox, TCustomListControl)
 public:
  explicit TCustomListBox(TComponent* owner);

  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool value);
  bool ExtendedSelect() const { return extended_select_; }
  void SetExtendedSelect(bool value);
  bool IntegralHeight() const { return integral_height_; }
  void SetIntegralHeight(bool value);
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int value);
  TListBoxStyle Style() const { return style_; }
  void SetStyle(TListBoxStyle value);
  int TopIndex() const;
  void SetTopIndex(int value);
  bool Selected(int index) const;
  void SetSelected(int index, bool value);
  int SelCount() const;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CNCommand(TMessage& message) override;
  plat::UINT AddMessage() const override;
  plat::UINT ResetMessage() const override;
  plat::UINT GetSelMessage() const override;
  plat::UINT SetSelMessage() const override;

 private:
  TBorderStyle border_style_ = bsSingle;
  bool multi_select_ = false;
  bool extended_select_ = true;
  bool integral_height_ = false;
  int item_height_ = 13;
  TListBoxStyle style_ = lbStandard;
};

class TListBox : public TCustomListBox {
  VCL_DECLARE_CLASS(TListBox, TCustomListBox)
 public:
  using TCustomListBox::TCustomListBox;
};

// The user's choice runs OnClick then OnChange; typing in the edit runs OnChange.
class TCustomComboBox : public TCustomListControl {
  VCL_DECLARE_CLASS(TCustomComboBox, TCustomListControl)
 public:
  explicit TCustomComboBox(TComponent* owner);

  TComboBoxStyle Style() const { return style_; }
  void SetStyle(TComboBoxStyle value);
  int DropDownCount() const { return drop_down_count_; }
  void SetDropDownCount(int value) { drop_down_count_ = value; }
  int MaxLength() const { return max_length_; }
  void SetMaxLength(int value);
  int ItemHeight() const { return item_height_; }
  void SetItemHeight(int value);
  bool DroppedDown() const;
  void SetDroppedDown(bool value);

  TNotifyEvent OnChange;
  TNotifyEvent OnDropDown;
  TNotifyEvent OnCloseUp;
  TNotifyEvent OnSelect;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void CNCommand(TMessage& message) override;
  plat::UINT AddMessage() const override;
  plat::UINT ResetMessage() const override;
  plat::UINT GetSelMessage() const override;
  plat::UINT SetSelMessage() const override;
  virtual void Change();
  virtual void Select();
  std::string GetText() const override;
  // A pick list's text is its item; only an edit's text is filed.
  bool IsTextStored() const { return style_ == csDropDown || style_ == csSimple; }

 private:
  TComboBoxStyle style_ = csDropDown;
  int drop_down_count_ = 8;
  int max_length_ = 0;
  int item_height_ = 16;
};

class TComboBox : public TCustomComboBox {
  VCL_DECLARE_CLASS(TComboBox, TCustomComboBox)
 public:
  using TCustomComboBox::TCustomComboBox;
};

// ---- scroll bar -------------------------------------------------------------

// Position follows the user's scrolling through OnScroll (which may change
// it) and OnChange; a changed Position from code runs OnChange as well.
class TScrollBar : public TStdWinControl {
  VCL_DECLARE_CLASS(TScrollBar, TStdWinControl)
 public:
  explicit TScrollBar(TComponent* owner);

  TScrollBarKind Kind() const { return kind_; }
  void SetKind(TScrollBarKind value);
  int Min() const { return min_; }
  void SetMin(int value) { SetParams(position_, value, max_); }
  int Max() const { return max_; }
  void SetMax(int value) { SetParams(position_, min_, value); }
  int Position() const { return position_; }
  void SetPosition(int value) { SetParams(value, min_, max_); }
  int PageSize() const { return page_size_; }
  void SetPageSize(int value);
  int SmallChange() const { return small_change_; }
  void SetSmallChange(int value) { small_change_ = value; }
  int LargeChange() const { return large_change_; }
  void SetLargeChange(int value) { large_change_ = value; }
  // Position is clamped into min..max; EInvalidOperation when max < min.
  void SetParams(int position, int min, int max);

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  virtual void Change();
  virtual void Scroll(TScrollCode code, int& position);

 private:
  void ApplyToWindow();
  void DoScroll(plat::WPARAM wparam);

  TScrollBarKind kind_ = sbHorizontal;
  int min_ = 0, max_ = 100, position_ = 0, page_size_ = 0;
  int small_change_ = 1, large_change_ = 1;
};

// Registers every class of the standard controls, speed buttons, images,
// radio groups and image lists for form descriptions.
void RegisterStdControlClasses();

}  // namespace vcl
