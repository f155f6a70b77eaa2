#pragma once
// The common controls of the class library over the window layer's classes:
// track bar, progress bar, date-time picker, status bar with panels, tab
// control and page control with its tab sheets, header control and list
// view. As with the standard controls, the objects keep their values while
// no window exists and turn the notifications reflected from the parent
// into events.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/Collections.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"

namespace vcl {

// ---- TTrackBar --------------------------------------------------------------

enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickStyle { tsNone, tsAuto, tsManual };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };

// Position stays within Min..Max; a change of it, by the user or from code
// (a narrowed range included), runs OnChange.
class TTrackBar : public TStdWinControl {
  VCL_DECLARE_CLASS(TTrackBar, TStdWinControl)
 public:
  explicit TTrackBar(TComponent* owner);

  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position() const { return position_; }
  void SetPosition(int value);
  int Frequency() const { return frequency_; }
  void SetFrequency(int value);
  int LineSize() const { return line_size_; }
  void SetLineSize(int value);
  int PageSize() const { return page_size_; }
  void SetPageSize(int value);
  TTrackBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TTrackBarOrientation value);
  TTickStyle TickStyle() const { return tick_style_; }
  void SetTickStyle(TTickStyle value);
  TTickMark TickMarks() const { return tick_marks_; }
  void SetTickMarks(TTickMark value);
  // A tick of tsManual at a position.
  void SetTick(int value);

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  void Loaded() override;
  virtual void Changed();

 private:
  void ApplyRange();
  void ApplyPosition(int value, bool notify);

  int min_ = 0, max_ = 10, position_ = 0;
  int frequency_ = 1, line_size_ = 1, page_size_ = 2;
  TTrackBarOrientation orientation_ = trHorizontal;
  TTickStyle tick_style_ = tsAuto;
  TTickMark tick_marks_ = tmBottomRight;
  std::vector<int> ticks_;
};

// ---- TProgressBar -----------------------------------------------------------

enum TProgressBarOrientation { pbHorizontal, pbVertical };

class TProgressBar : public TStdWinControl {
  VCL_DECLARE_CLASS(TProgressBar, TStdWinControl)
 public:
  explicit TProgressBar(TComponent* owner);

  int Min() const { return min_; }
  void SetMin(int value);
  int Max() const { return max_; }
  void SetMax(int value);
  int Position() const { return position_; }
  void SetPosition(int value);
  int Step() const { return step_; }
  void SetStep(int value);
  bool Smooth() const { return smooth_; }
  void SetSmooth(bool value);
  TProgressBarOrientation Orientation() const { return orientation_; }
  void SetOrientation(TProgressBarOrientation value);
  // Moves by Step; past Max the bar starts again from Min.
  void StepIt();
  void StepBy(int delta) { SetPosition(position_ + delta); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Loaded() override;

 private:
  void Apply();

  int min_ = 0, max_ = 100, position_ = 0, step_ = 10;
  bool smooth_ = false;
  TProgressBarOrientation orientation_ = pbHorizontal;
};

// ---- TDateTimePicker ---------------------------------------------------------

// A date with a calendar to drop down. Date is whole days between the years
// 1601 and 9999 (others are refused); a day picked in the calendar sets it
// and runs OnChange, a change from code does not.
class TDateTimePicker : public TStdWinControl {
  VCL_DECLARE_CLASS(TDateTimePicker, TStdWinControl)
 public:
  explicit TDateTimePicker(TComponent* owner);

  TDateTime Date() const { return date_; }
  void SetDate(TDateTime value);
  bool DroppedDown();

  TNotifyEvent OnChange;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;

 private:
  void Apply();

  TDateTime date_ = 0;
};

// ---- TStatusBar ---------------------------------------------------------------

enum TStatusPanelBevel { pbNone, pbLowered, pbRaised };

class TStatusBar;

class TStatusPanel : public TCollectionItem {
  VCL_DECLARE_CLASS(TStatusPanel, TCollectionItem)
 public:
  TStatusPanel() = default;

  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  int Width() const { return width_; }
  void SetWidth(int value);
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TStatusPanelBevel Bevel() const { return bevel_; }
  void SetBevel(TStatusPanelBevel value);

  void Assign(const TPersistent* source) override;

 private:
  std::string text_;
  int width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  TStatusPanelBevel bevel_ = pbLowered;
};

// The panels of a status bar; any change reaches the bar's window.
class TStatusPanels : public TCollection {
  VCL_DECLARE_CLASS(TStatusPanels, TCollection)
 public:
  explicit TStatusPanels(TStatusBar* status_bar);

  TStatusPanel* Add() { return static_cast<TStatusPanel*>(TCollection::Add()); }
  TStatusPanel* Items(int index) const { return static_cast<TStatusPanel*>(TCollection::Items(index)); }
  TStatusBar* StatusBar() const { return status_bar_; }

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TStatusBar* status_bar_;
};

// A bar of panels along the bottom of its parent. The last panel reaches
// the right edge; SimplePanel shows SimpleText alone in place of the panels.
class TStatusBar : public TStdWinControl {
  VCL_DECLARE_CLASS(TStatusBar, TStdWinControl)
 public:
  explicit TStatusBar(TComponent* owner);
  ~TStatusBar() override;

  TStatusPanels* Panels() const { return panels_.get(); }
  void SetPanels(TStatusPanels* value) { panels_->Assign(value); }
  bool SimplePanel() const { return simple_panel_; }
  void SetSimplePanel(bool value);
  const std::string& SimpleText() const { return simple_text_; }
  void SetSimpleText(const std::string& value);
  bool SizeGrip() const { return size_grip_; }
  void SetSizeGrip(bool value);

 protected:
  friend class TStatusPanels;
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Resize() override;
  void UpdatePanels();

 private:
  std::unique_ptr<TStatusPanels> panels_;
  bool simple_panel_ = false;
  std::string simple_text_;
  bool size_grip_ = true;
};

// ---- tab controls ---------------------------------------------------------------

enum TTabPosition { tpTop, tpBottom };
using TTabChangingEvent = std::function<void(TObject* sender, bool& allow_change)>;

// The tab row of the window class; children sit in the display area below
// it. The user's choice of a tab asks OnChanging (which may refuse) and then
// runs OnChange; a choice made from code runs neither.
class TCustomTabControl : public TStdWinControl {
  VCL_DECLARE_CLASS(TCustomTabControl, TStdWinControl)
 public:
  explicit TCustomTabControl(TComponent* owner);

  bool MultiLine() const { return multi_line_; }
  void SetMultiLine(bool value);
  TTabPosition TabPosition() const { return tab_position_; }
  void SetTabPosition(TTabPosition value);
  // The client area less the tabs and the frame.
  TRect DisplayRect();

  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void Dispatch(TMessage& message) override;
  void AlignControls(TControl* control, TRect& rect) override;
  virtual bool CanChange();
  virtual void Change();
  // The user chose a tab; the window's selection is already the new one.
  virtual void TabChosen() { Change(); }
  // Puts the tab texts into the window and selects one (-1: none).
  void FillTabs(const std::vector<std::string>& texts, int selected);
  void SelectTab(int index);
  int SelectedTab();

 private:
  bool multi_line_ = false;
  TTabPosition tab_position_ = tpTop;
};

class TTabControl : public TCustomTabControl {
  VCL_DECLARE_CLASS(TTabControl, TCustomTabControl)
 public:
  explicit TTabControl(TComponent* owner);
  ~TTabControl() override;

  TStrings* Tabs() const { return tabs_.get(); }
  void SetTabs(TStrings* value) { tabs_->Assign(value); }
  // -1: no tab. Out-of-range values select none.
  int TabIndex() const { return tab_index_; }
  void SetTabIndex(int value);

 protected:
  void CreateWnd() override;
  void Loaded() override;
  void TabChosen() override;

 private:
  void TabsChanged();
  std::vector<std::string> TabTexts() const;

  std::unique_ptr<TStringList> tabs_;
  int tab_index_ = -1;
};

class TPageControl;

// A page of a page control; its caption is the page's tab. Only the active
// page is visible, and with it its controls.
class TTabSheet : public TWinControl {
  VCL_DECLARE_CLASS(TTabSheet, TWinControl)
 public:
  explicit TTabSheet(TComponent* owner);
  ~TTabSheet() override;

  TPageControl* PageControl() const { return page_control_; }
  void SetPageControl(TPageControl* value);
  int PageIndex() const;
  void SetPageIndex(int value);
  int PublishedTabOrder() const { return TabOrder(); }
  void SetPublishedTabOrder(int value) { SetTabOrder(value); }

  void SetParent(TWinControl* value) override;

 protected:
  void CMTextChanged(TMessage& message) override;

 private:
  friend class TPageControl;
  TPageControl* page_control_ = nullptr;
};

class TPageControl : public TCustomTabControl {
  VCL_DECLARE_CLASS(TPageControl, TCustomTabControl)
 public:
  explicit TPageControl(TComponent* owner);
  ~TPageControl() override;

  int PageCount() const { return static_cast<int>(pages_.size()); }
  TTabSheet* Pages(int index) const;
  TTabSheet* ActivePage() const { return active_page_; }
  void SetActivePage(TTabSheet* value);
  int ActivePageIndex() const;
  void SetActivePageIndex(int value);
  // The next (or previous) page, wrapping, as the user's choice: asks
  // OnChanging and runs OnChange.
  void SelectNextPage(bool go_forward);

  // Filing: the pages in page order.
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

 protected:
  friend class TTabSheet;
  void CreateWnd() override;
  void Loaded() override;
  void AlignControls(TControl* control, TRect& rect) override;
  void Notification(TComponent* component, TOperation operation) override;
  void TabChosen() override;
  void InsertPage(TTabSheet* page);
  void RemovePage(TTabSheet* page);
  void MovePage(TTabSheet* page, int index);
  void UpdateTabs();

 private:
  void ShowPage(TTabSheet* page);

  std::vector<TTabSheet*> pages_;
  TTabSheet* active_page_ = nullptr;
};

// ---- THeaderControl -----------------------------------------------------------

// A row of column titles; the sections are kept while no window exists.
class THeaderControl : public TStdWinControl {
  VCL_DECLARE_CLASS(THeaderControl, TStdWinControl)
 public:
  explicit THeaderControl(TComponent* owner);

  // Answers the section's index.
  int AddSection(const std::string& text, int width);
  int SectionCount() const { return static_cast<int>(sections_.size()); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  void InsertSection(int index);

  struct TSection {
    std::string text;
    int width = 0;
  };
  std::vector<TSection> sections_;
};

// ---- TListView ------------------------------------------------------------------

// A list view in report view: columns under a header and one caption per
// row, kept while no window exists.
class TListView : public TStdWinControl {
  VCL_DECLARE_CLASS(TListView, TStdWinControl)
 public:
  explicit TListView(TComponent* owner);

  // Answers the column's index.
  int AddColumn(const std::string& caption, int width);
  int ColumnCount() const { return static_cast<int>(columns_.size()); }
  // Answers the row's index.
  int AddItem(const std::string& caption);
  int ItemCount() const { return static_cast<int>(items_.size()); }
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;

 private:
  void InsertColumn(int index);
  void InsertItem(int index);

  struct TColumn {
    std::string caption;
    int width = 0;
  };
  std::vector<TColumn> columns_;
  std::vector<std::string> items_;
  TBorderStyle border_style_ = bsSingle;
};

// Registers the classes of this unit for form descriptions.
void RegisterComCtrlClasses();

}  // namespace vcl
