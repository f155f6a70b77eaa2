#include "platform/vcl/ComCtrls.h"

#include <algorithm>

#include "platform/user/DateTimePick.h"
#include "platform/user/Geometry.h"
#include "platform/user/Header.h"
#include "platform/user/ListView.h"
#include "platform/user/Messages.h"
#include "platform/user/Progress.h"
#include "platform/user/StatusBar.h"
#include "platform/user/TabControl.h"
#include "platform/user/TrackBar.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

const std::vector<std::string> kAlignIdents{"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"};
const std::vector<std::string> kAnchorIdents{"akLeft", "akTop", "akRight", "akBottom"};

bool Loading(const TComponent* c) {
  return c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csReading);
}

plat::LPARAM TextParam(const std::string& text) { return reinterpret_cast<plat::LPARAM>(text.c_str()); }

// Anchors that only follow from Align are not filed.
template <class C>
TPropInfo AnchorsProp() {
  TPropInfo p = published::SetOfProp("Anchors", &C::Anchors, &C::SetAnchors, kAnchorIdents)
                    .Default(TAnchors{akLeft, akTop});
  p.stored = [](const TObject* o) {
    const auto* c = static_cast<const C*>(o);
    return c->Anchors() != AnchorAlign[c->Align()];
  };
  return p;
}

}  // namespace

// What every control of this unit publishes; Align is left to each class
// because the status bar's default differs.
#define VCL_COM_CONTROL_PROPS(C)                                                                       \
  AnchorsProp<C>(), BoolProp("Enabled", &C::Enabled, &C::SetEnabled).Default(true),                    \
      ObjProp("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored),                                 \
      BoolProp("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true),                         \
      BoolProp("ParentShowHint", &C::ParentShowHint, &C::SetParentShowHint).Default(true),             \
      RefProp("PopupMenu", &C::PopupMenu, &C::SetPopupMenu),                                           \
      BoolProp("ShowHint", &C::ShowHint, &C::SetShowHint).Default(false).Stored(&C::IsShowHintStored), \
      BoolProp("Visible", &C::Visible, &C::SetVisible).Default(true)

#define VCL_COM_WIN_EVENTS(C)                                                                                \
  EventProp("OnEnter", &C::OnEnter), EventProp("OnExit", &C::OnExit), EventProp("OnKeyDown", &C::OnKeyDown), \
      EventProp("OnKeyPress", &C::OnKeyPress), EventProp("OnKeyUp", &C::OnKeyUp),                            \
      EventProp("OnMouseDown", &C::OnMouseDown), EventProp("OnMouseMove", &C::OnMouseMove),                  \
      EventProp("OnMouseUp", &C::OnMouseUp)

#define VCL_COM_TAB_PROPS(C, stop)                                                  \
  IntProp("TabOrder", &C::PublishedTabOrder, &C::SetPublishedTabOrder).Default(-1), \
      BoolProp("TabStop", &C::TabStop, &C::SetTabStop).Default(stop)

#define VCL_COM_ALIGN(C, dflt) EnumProp("Align", &C::Align, &C::SetAlign, kAlignIdents).Default(dflt)

VCL_IMPLEMENT_CLASS(TTrackBar, VCL_COM_ALIGN(TTrackBar, alNone), VCL_COM_CONTROL_PROPS(TTrackBar),
                    IntProp("Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency).Default(1),
                    IntProp("LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize).Default(1),
                    IntProp("Max", &TTrackBar::Max, &TTrackBar::SetMax).Default(10),
                    IntProp("Min", &TTrackBar::Min, &TTrackBar::SetMin).Default(0),
                    EnumProp("Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation,
                             {"trHorizontal", "trVertical"})
                        .Default(trHorizontal),
                    IntProp("PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize).Default(2),
                    IntProp("Position", &TTrackBar::Position, &TTrackBar::SetPosition).Default(0),
                    EnumProp("TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks,
                             {"tmBottomRight", "tmTopLeft", "tmBoth"})
                        .Default(tmBottomRight),
                    EnumProp("TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle,
                             {"tsNone", "tsAuto", "tsManual"})
                        .Default(tsAuto),
                    VCL_COM_TAB_PROPS(TTrackBar, true), EventProp("OnChange", &TTrackBar::OnChange),
                    VCL_COM_WIN_EVENTS(TTrackBar))

VCL_IMPLEMENT_CLASS(TProgressBar, VCL_COM_ALIGN(TProgressBar, alNone), VCL_COM_CONTROL_PROPS(TProgressBar),
                    IntProp("Max", &TProgressBar::Max, &TProgressBar::SetMax).Default(100),
                    IntProp("Min", &TProgressBar::Min, &TProgressBar::SetMin).Default(0),
                    EnumProp("Orientation", &TProgressBar::Orientation, &TProgressBar::SetOrientation,
                             {"pbHorizontal", "pbVertical"})
                        .Default(pbHorizontal),
                    IntProp("Position", &TProgressBar::Position, &TProgressBar::SetPosition).Default(0),
                    BoolProp("Smooth", &TProgressBar::Smooth, &TProgressBar::SetSmooth).Default(false),
                    IntProp("Step", &TProgressBar::Step, &TProgressBar::SetStep).Default(10),
                    VCL_COM_TAB_PROPS(TProgressBar, false), VCL_COM_WIN_EVENTS(TProgressBar))

VCL_IMPLEMENT_CLASS(TDateTimePicker, VCL_COM_ALIGN(TDateTimePicker, alNone),
                    VCL_COM_CONTROL_PROPS(TDateTimePicker), VCL_COM_TAB_PROPS(TDateTimePicker, true),
                    EventProp("OnChange", &TDateTimePicker::OnChange), VCL_COM_WIN_EVENTS(TDateTimePicker))

VCL_IMPLEMENT_CLASS(TStatusPanel,
                    EnumProp("Alignment", &TStatusPanel::Alignment, &TStatusPanel::SetAlignment,
                             {"taLeftJustify", "taRightJustify", "taCenter"})
                        .Default(taLeftJustify),
                    EnumProp("Bevel", &TStatusPanel::Bevel, &TStatusPanel::SetBevel,
                             {"pbNone", "pbLowered", "pbRaised"})
                        .Default(pbLowered),
                    StrProp("Text", &TStatusPanel::Text, &TStatusPanel::SetText),
                    IntProp("Width", &TStatusPanel::Width, &TStatusPanel::SetWidth).NoDefault())

VCL_IMPLEMENT_CLASS(TStatusPanels)

VCL_IMPLEMENT_CLASS(
    TStatusBar, VCL_COM_ALIGN(TStatusBar, alBottom), VCL_COM_CONTROL_PROPS(TStatusBar),
    ColorProp("Color", &TStatusBar::Color, &TStatusBar::SetColor)
        .Default(clBtnFace)
        .Stored(&TStatusBar::IsColorStored),
    ObjProp("Panels", &TStatusBar::Panels, &TStatusBar::SetPanels),
    BoolProp("ParentColor", &TStatusBar::ParentColor, &TStatusBar::SetParentColor).Default(false),
    BoolProp("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false),
    StrProp("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText),
    BoolProp("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip).Default(true),
    EventProp("OnClick", &TStatusBar::OnClick), EventProp("OnDblClick", &TStatusBar::OnDblClick),
    EventProp("OnMouseDown", &TStatusBar::OnMouseDown), EventProp("OnMouseMove", &TStatusBar::OnMouseMove),
    EventProp("OnMouseUp", &TStatusBar::OnMouseUp))

VCL_IMPLEMENT_CLASS(TCustomTabControl)

#define VCL_TAB_CONTROL_PROPS(C)                                             \
  VCL_COM_ALIGN(C, alNone), VCL_COM_CONTROL_PROPS(C),                        \
      BoolProp("MultiLine", &C::MultiLine, &C::SetMultiLine).Default(false), \
      EnumProp("TabPosition", &C::TabPosition, &C::SetTabPosition, {"tpTop", "tpBottom"}).Default(tpTop)

VCL_IMPLEMENT_CLASS(TTabControl, VCL_TAB_CONTROL_PROPS(TTabControl),
                    ObjProp("Tabs", &TTabControl::Tabs, &TTabControl::SetTabs),
                    IntProp("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex).Default(-1),
                    VCL_COM_TAB_PROPS(TTabControl, true), EventProp("OnChange", &TTabControl::OnChange),
                    EventProp("OnChanging", &TTabControl::OnChanging), VCL_COM_WIN_EVENTS(TTabControl))

VCL_IMPLEMENT_CLASS(TTabSheet, StrProp("Caption", &TTabSheet::Caption, &TTabSheet::SetCaption),
                    ObjProp("Font", &TTabSheet::Font, &TTabSheet::SetFont).Stored(&TTabSheet::IsFontStored),
                    BoolProp("ParentFont", &TTabSheet::ParentFont, &TTabSheet::SetParentFont).Default(true),
                    EventProp("OnEnter", &TTabSheet::OnEnter), EventProp("OnExit", &TTabSheet::OnExit))

VCL_IMPLEMENT_CLASS(TPageControl, VCL_TAB_CONTROL_PROPS(TPageControl),
                    RefProp("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage),
                    VCL_COM_TAB_PROPS(TPageControl, true), EventProp("OnChange", &TPageControl::OnChange),
                    EventProp("OnChanging", &TPageControl::OnChanging), VCL_COM_WIN_EVENTS(TPageControl))

// ---- TTrackBar ------------------------------------------------------------------

TTrackBar::TTrackBar(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(ControlStyle() -
                  TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csSetCaption});
  SetBounds(0, 0, 150, 45);
  SetTabStop(true);
}

void TTrackBar::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::TRACKBAR_CLASSA);
  params.Style |= plat::WS_TABSTOP | (orientation_ == trVertical ? plat::TBS_VERT : plat::TBS_HORZ);
  if (tick_style_ == tsNone)
    params.Style |= plat::TBS_NOTICKS;
  else if (tick_style_ == tsAuto)
    params.Style |= plat::TBS_AUTOTICKS;
  if (tick_marks_ == tmBoth)
    params.Style |= plat::TBS_BOTH;
  else if (tick_marks_ == tmTopLeft)
    params.Style |= plat::TBS_TOP;
}

void TTrackBar::CreateWnd() {
  TStdWinControl::CreateWnd();
  plat::HWND hwnd = Handle();
  plat::SendMessageA(hwnd, plat::TBM_SETRANGEMIN, 0, min_);
  plat::SendMessageA(hwnd, plat::TBM_SETRANGEMAX, 0, max_);
  plat::SendMessageA(hwnd, plat::TBM_SETLINESIZE, 0, line_size_);
  plat::SendMessageA(hwnd, plat::TBM_SETPAGESIZE, 0, page_size_);
  plat::SendMessageA(hwnd, plat::TBM_SETTICFREQ, static_cast<plat::WPARAM>(frequency_), 0);
  for (int tick : ticks_) plat::SendMessageA(hwnd, plat::TBM_SETTIC, 0, tick);
  plat::SendMessageA(hwnd, plat::TBM_SETPOS, plat::TRUE, position_);
}

void TTrackBar::ApplyRange() {
  if (!HandleAllocated()) return;
  plat::SendMessageA(Handle(), plat::TBM_SETRANGEMIN, 0, min_);
  plat::SendMessageA(Handle(), plat::TBM_SETRANGEMAX, plat::TRUE, max_);
}

void TTrackBar::ApplyPosition(int value, bool notify) {
  // A description may give Position before Min and Max; Loaded clamps it.
  if (!Loading(this)) value = std::clamp(value, min_, max_);
  if (value == position_) return;
  position_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::TBM_SETPOS, plat::TRUE, value);
  if (notify && !Loading(this)) Changed();
}

void TTrackBar::SetMin(int value) {
  if (value == min_) return;
  min_ = value;
  if (!Loading(this) && max_ < min_) max_ = min_;
  ApplyRange();
  ApplyPosition(position_, true);
}

void TTrackBar::SetMax(int value) {
  if (value == max_) return;
  max_ = value;
  if (!Loading(this) && min_ > max_) min_ = max_;
  ApplyRange();
  ApplyPosition(position_, true);
}

void TTrackBar::SetPosition(int value) { ApplyPosition(value, true); }

void TTrackBar::Loaded() {
  TStdWinControl::Loaded();
  if (max_ < min_) max_ = min_;
  ApplyRange();
  ApplyPosition(position_, false);
}

void TTrackBar::SetFrequency(int value) {
  if (value == frequency_) return;
  frequency_ = value;
  if (HandleAllocated())
    plat::SendMessageA(Handle(), plat::TBM_SETTICFREQ, static_cast<plat::WPARAM>(value), 0);
}

void TTrackBar::SetLineSize(int value) {
  if (value == line_size_) return;
  line_size_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::TBM_SETLINESIZE, 0, value);
}

void TTrackBar::SetPageSize(int value) {
  if (value == page_size_) return;
  page_size_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::TBM_SETPAGESIZE, 0, value);
}

void TTrackBar::SetOrientation(TTrackBarOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  // Turning the bar turns its bounds; a description gives the final bounds itself.
  if (!Loading(this)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TTrackBar::SetTickStyle(TTickStyle value) {
  if (value == tick_style_) return;
  tick_style_ = value;
  RecreateWnd();
}

void TTrackBar::SetTickMarks(TTickMark value) {
  if (value == tick_marks_) return;
  tick_marks_ = value;
  RecreateWnd();
}

void TTrackBar::SetTick(int value) {
  if (std::find(ticks_.begin(), ticks_.end(), value) != ticks_.end()) return;
  ticks_.push_back(value);
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::TBM_SETTIC, 0, value);
}

void TTrackBar::Changed() {
  if (OnChange) OnChange(this);
}

void TTrackBar::Dispatch(TMessage& m) {
  if (m.Msg == CN_HSCROLL || m.Msg == CN_VSCROLL) {
    SetPosition(static_cast<int>(plat::SendMessageA(Handle(), plat::TBM_GETPOS, 0, 0)));
    return;
  }
  TStdWinControl::Dispatch(m);
}

// ---- TProgressBar ---------------------------------------------------------------------

TProgressBar::TProgressBar(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(ControlStyle() -
                  TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csSetCaption});
  SetBounds(0, 0, 150, 16);
}

void TProgressBar::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::PROGRESS_CLASSA);
  if (smooth_) params.Style |= plat::PBS_SMOOTH;
  if (orientation_ == pbVertical) params.Style |= plat::PBS_VERTICAL;
}

void TProgressBar::CreateWnd() {
  TStdWinControl::CreateWnd();
  Apply();
}

void TProgressBar::Apply() {
  if (!HandleAllocated()) return;
  plat::HWND hwnd = Handle();
  plat::SendMessageA(hwnd, plat::PBM_SETRANGE32, static_cast<plat::WPARAM>(min_), max_);
  plat::SendMessageA(hwnd, plat::PBM_SETSTEP, static_cast<plat::WPARAM>(step_), 0);
  plat::SendMessageA(hwnd, plat::PBM_SETPOS, static_cast<plat::WPARAM>(position_), 0);
}

void TProgressBar::SetMin(int value) {
  if (value == min_) return;
  min_ = value;
  if (!Loading(this)) {
    max_ = std::max(max_, min_);
    position_ = std::clamp(position_, min_, max_);
  }
  Apply();
}

void TProgressBar::SetMax(int value) {
  if (value == max_) return;
  max_ = value;
  if (!Loading(this)) {
    min_ = std::min(min_, max_);
    position_ = std::clamp(position_, min_, max_);
  }
  Apply();
}

void TProgressBar::SetPosition(int value) {
  if (!Loading(this)) value = std::clamp(value, min_, max_);
  if (value == position_) return;
  position_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::PBM_SETPOS, static_cast<plat::WPARAM>(value), 0);
}

void TProgressBar::SetStep(int value) {
  if (value == step_) return;
  step_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::PBM_SETSTEP, static_cast<plat::WPARAM>(value), 0);
}

void TProgressBar::Loaded() {
  TStdWinControl::Loaded();
  max_ = std::max(max_, min_);
  position_ = std::clamp(position_, min_, max_);
  Apply();
}

void TProgressBar::SetSmooth(bool value) {
  if (value == smooth_) return;
  smooth_ = value;
  RecreateWnd();
}

void TProgressBar::SetOrientation(TProgressBarOrientation value) {
  if (value == orientation_) return;
  orientation_ = value;
  if (!Loading(this)) SetBounds(Left(), Top(), Height(), Width());
  RecreateWnd();
}

void TProgressBar::StepIt() {
  // The window class's rule, kept here so the value is right without a window.
  const int span = std::max(1, max_ - min_);
  int next = position_ + step_;
  if (next > max_) next = min_ + (next - max_) % span;
  if (next < min_) next = max_ - (min_ - next) % span;
  SetPosition(next);
}

// ---- TDateTimePicker ---------------------------------------------------------------------

namespace {

plat::SYSTEMTIME ToSystemTime(TDateTime value) {
  int year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  plat::SYSTEMTIME t;
  t.wYear = static_cast<plat::WORD>(year);
  t.wMonth = static_cast<plat::WORD>(month);
  t.wDay = static_cast<plat::WORD>(day);
  return t;
}

}  // namespace

TDateTimePicker::TDateTimePicker(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(ControlStyle() -
                  TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csSetCaption});
  SetBounds(0, 0, 186, 21);
  SetTabStop(true);
  date_ = vcl::Date();
}

void TDateTimePicker::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::DATETIMEPICK_CLASSA);
  params.Style |= plat::WS_TABSTOP;
  params.ExStyle |= plat::WS_EX_CLIENTEDGE;
}

void TDateTimePicker::CreateWnd() {
  TStdWinControl::CreateWnd();
  Apply();
}

void TDateTimePicker::Apply() {
  if (!HandleAllocated()) return;
  const plat::SYSTEMTIME t = ToSystemTime(date_);
  plat::SendMessageA(Handle(), plat::DTM_SETSYSTEMTIME, plat::GDT_VALID, reinterpret_cast<plat::LPARAM>(&t));
}

void TDateTimePicker::SetDate(TDateTime value) {
  const plat::SYSTEMTIME t = ToSystemTime(value);
  if (t.wYear < 1601 || t.wYear > 9999) return;
  date_ = EncodeDate(t.wYear, t.wMonth, t.wDay);
  Apply();
}

bool TDateTimePicker::DroppedDown() {
  return HandleAllocated() && plat::SendMessageA(Handle(), plat::DTM_GETMONTHCAL, 0, 0) != 0;
}

void TDateTimePicker::Dispatch(TMessage& m) {
  if (m.Msg == CN_NOTIFY && m.LParam &&
      reinterpret_cast<const plat::NMHDR*>(m.LParam)->code == plat::DTN_DATETIMECHANGE) {
    const plat::SYSTEMTIME& t = reinterpret_cast<const plat::NMDATETIMECHANGE*>(m.LParam)->st;
    date_ = EncodeDate(t.wYear, t.wMonth, t.wDay);
    if (OnChange) OnChange(this);
    return;
  }
  TStdWinControl::Dispatch(m);
}

// ---- TStatusBar -------------------------------------------------------------------------

void TStatusPanel::SetText(const std::string& value) {
  if (value == text_) return;
  text_ = value;
  Changed();
}

void TStatusPanel::SetWidth(int value) {
  if (value == width_) return;
  width_ = std::max(value, 0);
  Changed();
}

void TStatusPanel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Changed();
}

void TStatusPanel::SetBevel(TStatusPanelBevel value) {
  if (value == bevel_) return;
  bevel_ = value;
  Changed();
}

void TStatusPanel::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TStatusPanel*>(source)) {
    text_ = other->text_;
    width_ = other->width_;
    alignment_ = other->alignment_;
    bevel_ = other->bevel_;
    Changed();
    return;
  }
  TCollectionItem::Assign(source);
}

TStatusPanels::TStatusPanels(TStatusBar* status_bar)
    : TCollection(TStatusPanel::StaticClass()), status_bar_(status_bar) {}

void TStatusPanels::Update(TCollectionItem* item) {
  TCollection::Update(item);
  if (status_bar_) status_bar_->UpdatePanels();
}

TStatusBar::TStatusBar(TComponent* owner)
    : TStdWinControl(owner), panels_(std::make_unique<TStatusPanels>(this)) {
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption});
  SetColor(clBtnFace);
  SetParentColor(false);
  SetBounds(0, 0, 200, 19);
  SetAlign(alBottom);
}

TStatusBar::~TStatusBar() = default;

void TStatusBar::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::STATUSCLASSNAMEA);
  // The object's Align places the bar, not the class.
  params.Style |= plat::CCS_NOPARENTALIGN | plat::CCS_NORESIZE;
  if (size_grip_) params.Style |= plat::SBARS_SIZEGRIP;
}

void TStatusBar::CreateWnd() {
  TStdWinControl::CreateWnd();
  UpdatePanels();
}

void TStatusBar::Resize() {
  TStdWinControl::Resize();
  // The last panel reaches the right edge, wherever that now is.
  UpdatePanels();
}

void TStatusBar::UpdatePanels() {
  if (!HandleAllocated()) return;
  plat::HWND hwnd = Handle();
  const int count = panels_->Count();
  std::vector<int> edges;
  int edge = 0;
  for (int i = 0; i < count; ++i) {
    edge += panels_->Items(i)->Width();
    edges.push_back(i == count - 1 ? -1 : edge);
  }
  if (edges.empty()) edges.push_back(-1);
  plat::SendMessageA(hwnd, plat::SB_SETPARTS, edges.size(), reinterpret_cast<plat::LPARAM>(edges.data()));
  for (int i = 0; i < count; ++i) {
    const TStatusPanel* panel = panels_->Items(i);
    // The class centres the text after one tab and right-aligns it after two.
    std::string text = panel->Text();
    if (panel->Alignment() == taCenter) text = "\t" + text;
    if (panel->Alignment() == taRightJustify) text = "\t\t" + text;
    plat::UINT kind = panel->Bevel() == pbNone     ? plat::SBT_NOBORDERS
                      : panel->Bevel() == pbRaised ? plat::SBT_POPOUT
                                                   : 0;
    plat::SendMessageA(hwnd, plat::SB_SETTEXTA, static_cast<plat::WPARAM>(i) | kind, TextParam(text));
  }
  plat::SendMessageA(hwnd, plat::SB_SETTEXTA, plat::SB_SIMPLEID, TextParam(simple_text_));
  plat::SendMessageA(hwnd, plat::SB_SIMPLE, simple_panel_ ? plat::TRUE : plat::FALSE, 0);
}

void TStatusBar::SetSimplePanel(bool value) {
  if (value == simple_panel_) return;
  simple_panel_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::SB_SIMPLE, value ? plat::TRUE : plat::FALSE, 0);
}

void TStatusBar::SetSimpleText(const std::string& value) {
  if (value == simple_text_) return;
  simple_text_ = value;
  if (HandleAllocated()) plat::SendMessageA(Handle(), plat::SB_SETTEXTA, plat::SB_SIMPLEID, TextParam(value));
}

void TStatusBar::SetSizeGrip(bool value) {
  if (value == size_grip_) return;
  size_grip_ = value;
  RecreateWnd();
}

// ---- TCustomTabControl ---------------------------------------------------------------------

TCustomTabControl::TCustomTabControl(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csDoubleClicks});
  SetBounds(0, 0, 289, 193);
  SetTabStop(true);
}

void TCustomTabControl::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::WC_TABCONTROLA);
  params.Style |= plat::WS_TABSTOP | plat::WS_CLIPCHILDREN;
  if (multi_line_) params.Style |= plat::TCS_MULTILINE;
  if (tab_position_ == tpBottom) params.Style |= plat::TCS_BOTTOM;
}

void TCustomTabControl::CreateWnd() {
  TStdWinControl::CreateWnd();
  Realign();
}

void TCustomTabControl::SetMultiLine(bool value) {
  if (value == multi_line_) return;
  multi_line_ = value;
  RecreateWnd();
}

void TCustomTabControl::SetTabPosition(TTabPosition value) {
  if (value == tab_position_) return;
  tab_position_ = value;
  RecreateWnd();
}

TRect TCustomTabControl::DisplayRect() {
  TRect r = ClientRect();
  if (HandleAllocated()) {
    plat::SendMessageA(Handle(), plat::TCM_ADJUSTRECT, plat::FALSE, reinterpret_cast<plat::LPARAM>(&r));
    return r;
  }
  // Until the window measures its tabs: a frame and one row of tabs.
  constexpr int kFrame = 4, kTabRow = 20;
  r = Rect(r.left + kFrame, r.top + kFrame, std::max(r.left + kFrame, r.right - kFrame),
           std::max(r.top + kFrame, r.bottom - kFrame));
  if (tab_position_ == tpTop)
    r.top = std::min(r.top + kTabRow, r.bottom);
  else
    r.bottom = std::max(r.bottom - kTabRow, r.top);
  return r;
}

void TCustomTabControl::AlignControls(TControl* control, TRect& rect) {
  rect = DisplayRect();
  TStdWinControl::AlignControls(control, rect);
}

bool TCustomTabControl::CanChange() {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  return allow;
}

void TCustomTabControl::Change() {
  if (OnChange) OnChange(this);
}

void TCustomTabControl::Dispatch(TMessage& m) {
  if (m.Msg == CN_NOTIFY && m.LParam) {
    switch (reinterpret_cast<const plat::NMHDR*>(m.LParam)->code) {
      case plat::TCN_SELCHANGING:
        m.Result = CanChange() ? 0 : 1;
        return;
      case plat::TCN_SELCHANGE:
        TabChosen();
        return;
      default:
        break;
    }
  }
  TStdWinControl::Dispatch(m);
}

void TCustomTabControl::FillTabs(const std::vector<std::string>& texts, int selected) {
  if (!HandleAllocated()) return;
  plat::HWND hwnd = Handle();
  plat::SendMessageA(hwnd, plat::TCM_DELETEALLITEMS, 0, 0);
  for (size_t i = 0; i < texts.size(); ++i) {
    std::string text = texts[i];
    plat::TCITEMA item;
    item.mask = plat::TCIF_TEXT;
    item.pszText = text.data();
    plat::SendMessageA(hwnd, plat::TCM_INSERTITEMA, i, reinterpret_cast<plat::LPARAM>(&item));
  }
  SelectTab(selected);
  // The tab rows may have changed the display area.
  Realign();
}

void TCustomTabControl::SelectTab(int index) {
  if (HandleAllocated())
    plat::SendMessageA(Handle(), plat::TCM_SETCURSEL, static_cast<plat::WPARAM>(static_cast<intptr_t>(index)),
                       0);
}

int TCustomTabControl::SelectedTab() {
  return HandleAllocated() ? static_cast<int>(plat::SendMessageA(Handle(), plat::TCM_GETCURSEL, 0, 0)) : -1;
}

// ---- TTabControl -------------------------------------------------------------------------------

TTabControl::TTabControl(TComponent* owner)
    : TCustomTabControl(owner), tabs_(std::make_unique<TStringList>()) {
  tabs_->OnChange = [this](TObject*) { TabsChanged(); };
}

TTabControl::~TTabControl() { tabs_->OnChange = nullptr; }

std::vector<std::string> TTabControl::TabTexts() const {
  std::vector<std::string> texts;
  for (int i = 0; i < tabs_->Count(); ++i) texts.push_back(tabs_->Strings(i));
  return texts;
}

void TTabControl::TabsChanged() {
  // The index stays on its tab while it exists.
  if (!Loading(this) && tab_index_ >= tabs_->Count()) tab_index_ = -1;
  FillTabs(TabTexts(), tab_index_);
}

void TTabControl::SetTabIndex(int value) {
  // Tabs may come after the index in a description; Loaded checks the range.
  if (value < -1 || (!Loading(this) && value >= tabs_->Count())) value = -1;
  if (value == tab_index_) return;
  tab_index_ = value;
  SelectTab(value);
}

void TTabControl::Loaded() {
  TCustomTabControl::Loaded();
  if (tab_index_ >= tabs_->Count()) tab_index_ = -1;
  SelectTab(tab_index_);
}

void TTabControl::CreateWnd() {
  TCustomTabControl::CreateWnd();
  FillTabs(TabTexts(), tab_index_);
}

void TTabControl::TabChosen() {
  tab_index_ = SelectedTab();
  Change();
}

// ---- TTabSheet -------------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csDoubleClicks});
  SetAlign(alClient);
  // Hidden until its page control makes it the active page.
  SetVisible(false);
}

TTabSheet::~TTabSheet() {
  if (page_control_) page_control_->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* value) { SetParent(value); }

void TTabSheet::SetParent(TWinControl* value) {
  auto* control = dynamic_cast<TPageControl*>(value);
  if (page_control_ && page_control_ != control) page_control_->RemovePage(this);
  TWinControl::SetParent(value);
  if (control && page_control_ != control) control->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!page_control_) return -1;
  const auto& pages = page_control_->pages_;
  return static_cast<int>(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int value) {
  if (page_control_ && value != PageIndex()) page_control_->MovePage(this, value);
}

void TTabSheet::CMTextChanged(TMessage& m) {
  TWinControl::CMTextChanged(m);
  if (page_control_) page_control_->UpdateTabs();
}

// ---- TPageControl --------------------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TCustomTabControl(owner) {}

TPageControl::~TPageControl() {
  // The pages go with their parent's destructor; they no longer report to us.
  for (TTabSheet* page : pages_) page->page_control_ = nullptr;
  pages_.clear();
  active_page_ = nullptr;
}

TTabSheet* TPageControl::Pages(int index) const {
  if (index < 0 || index >= PageCount())
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  return pages_[static_cast<size_t>(index)];
}

int TPageControl::ActivePageIndex() const { return active_page_ ? active_page_->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int value) {
  SetActivePage(value >= 0 && value < PageCount() ? pages_[static_cast<size_t>(value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* value) {
  // A page of another control cannot be made active here.
  if (value && value->page_control_ != this) return;
  if (value == active_page_) return;
  ShowPage(value);
}

void TPageControl::ShowPage(TTabSheet* page) {
  TTabSheet* old = active_page_;
  active_page_ = page;
  if (page) {
    page->BringToFront();
    page->SetVisible(true);
  }
  if (old && old != page) old->SetVisible(false);
  SelectTab(ActivePageIndex());
}

void TPageControl::SelectNextPage(bool go_forward) {
  if (pages_.empty()) return;
  const int count = PageCount();
  int index = ActivePageIndex();
  index = index < 0 ? (go_forward ? 0 : count - 1) : (index + (go_forward ? 1 : count - 1)) % count;
  TTabSheet* next = pages_[static_cast<size_t>(index)];
  if (next == active_page_ || !CanChange()) return;
  ShowPage(next);
  Change();
}

void TPageControl::TabChosen() {
  const int index = SelectedTab();
  ShowPage(index >= 0 && index < PageCount() ? pages_[static_cast<size_t>(index)] : nullptr);
  Change();
}

void TPageControl::InsertPage(TTabSheet* page) {
  pages_.push_back(page);
  page->page_control_ = this;
  page->FreeNotification(this);
  UpdateTabs();
  // The first page shows until another is chosen.
  if (!active_page_ && !Loading(this)) ShowPage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  const auto index = it - pages_.begin();
  pages_.erase(it);
  page->page_control_ = nullptr;
  if (page == active_page_) {
    // Its neighbour takes its place, as when the user closes a page.
    active_page_ = nullptr;
    if (!pages_.empty()) {
      const auto next = std::min<std::ptrdiff_t>(index, static_cast<std::ptrdiff_t>(pages_.size()) - 1);
      ShowPage(pages_[static_cast<size_t>(next)]);
    }
  }
  UpdateTabs();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
  auto it = std::find(pages_.begin(), pages_.end(), page);
  if (it == pages_.end()) return;
  pages_.erase(it);
  index = std::clamp(index, 0, PageCount());
  pages_.insert(pages_.begin() + index, page);
  UpdateTabs();
}

void TPageControl::UpdateTabs() {
  std::vector<std::string> texts;
  texts.reserve(pages_.size());
  for (TTabSheet* page : pages_) texts.push_back(page->Caption());
  FillTabs(texts, ActivePageIndex());
}

void TPageControl::CreateWnd() {
  TCustomTabControl::CreateWnd();
  UpdateTabs();
}

void TPageControl::AlignControls(TControl* control, TRect& rect) {
  TCustomTabControl::AlignControls(control, rect);
  // Hidden pages take the display area too, ready to be shown.
  for (TTabSheet* page : pages_)
    page->SetBounds(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

void TPageControl::Loaded() {
  TCustomTabControl::Loaded();
  if (!active_page_ && !pages_.empty()) ShowPage(pages_.front());
}

void TPageControl::Notification(TComponent* component, TOperation operation) {
  TCustomTabControl::Notification(component, operation);
  if (operation == opRemove) {
    if (auto* page = dynamic_cast<TTabSheet*>(component); page && page->page_control_ == this)
      RemovePage(page);
  }
}

void TPageControl::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  // Pages in page order (the active one is on top of the z-order), then any other child.
  for (TTabSheet* page : pages_)
    if (page->Owner() == root) proc(page);
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    auto* page = dynamic_cast<TTabSheet*>(c);
    if (c->Owner() == root && !(page && page->page_control_ == this)) proc(c);
  }
}

// ---- THeaderControl ----------------------------------------------------------------

VCL_IMPLEMENT_CLASS(THeaderControl, VCL_COM_ALIGN(THeaderControl, alTop),
                    VCL_COM_CONTROL_PROPS(THeaderControl), VCL_COM_WIN_EVENTS(THeaderControl))

THeaderControl::THeaderControl(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csCaptureMouse, csSetCaption});
  SetBounds(0, 0, 200, 17);
  SetAlign(alTop);
}

void THeaderControl::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::WC_HEADERA);
  params.Style |= plat::HDS_BUTTONS;
}

void THeaderControl::CreateWnd() {
  TStdWinControl::CreateWnd();
  for (int i = 0; i < SectionCount(); ++i) InsertSection(i);
}

int THeaderControl::AddSection(const std::string& text, int width) {
  sections_.push_back(TSection{text, std::max(width, 0)});
  const int index = SectionCount() - 1;
  if (HandleAllocated()) InsertSection(index);
  return index;
}

void THeaderControl::InsertSection(int index) {
  TSection& section = sections_[static_cast<size_t>(index)];
  plat::HDITEMA item;
  item.mask = plat::HDI_TEXT | plat::HDI_WIDTH | plat::HDI_FORMAT;
  item.cxy = section.width;
  item.pszText = section.text.data();
  item.fmt = plat::HDF_LEFT | plat::HDF_STRING;
  plat::SendMessageA(Handle(), plat::HDM_INSERTITEMA, static_cast<plat::WPARAM>(index),
                     reinterpret_cast<plat::LPARAM>(&item));
}

// ---- TListView ----------------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TListView, VCL_COM_ALIGN(TListView, alNone), VCL_COM_CONTROL_PROPS(TListView),
                    EnumProp("BorderStyle", &TListView::BorderStyle, &TListView::SetBorderStyle,
                             {"bsNone", "bsSingle"})
                        .Default(bsSingle),
                    VCL_COM_TAB_PROPS(TListView, true), VCL_COM_WIN_EVENTS(TListView))

TListView::TListView(TComponent* owner) : TStdWinControl(owner) {
  SetControlStyle(ControlStyle() - TControlStyle{csSetCaption});
  SetBounds(0, 0, 250, 150);
  SetTabStop(true);
}

void TListView::CreateParams(TCreateParams& params) {
  TStdWinControl::CreateParams(params);
  CreateSubClass(params, plat::WC_LISTVIEWA);
  params.Style |= plat::LVS_REPORT | plat::LVS_SHOWSELALWAYS | plat::WS_TABSTOP;
  if (border_style_ == bsSingle) params.ExStyle |= plat::WS_EX_CLIENTEDGE;
}

void TListView::CreateWnd() {
  TStdWinControl::CreateWnd();
  for (int i = 0; i < ColumnCount(); ++i) InsertColumn(i);
  for (int i = 0; i < ItemCount(); ++i) InsertItem(i);
}

void TListView::SetBorderStyle(TBorderStyle value) {
  if (value == border_style_) return;
  border_style_ = value;
  RecreateWnd();
}

int TListView::AddColumn(const std::string& caption, int width) {
  columns_.push_back(TColumn{caption, std::max(width, 0)});
  const int index = ColumnCount() - 1;
  if (HandleAllocated()) InsertColumn(index);
  return index;
}

int TListView::AddItem(const std::string& caption) {
  items_.push_back(caption);
  const int index = ItemCount() - 1;
  if (HandleAllocated()) InsertItem(index);
  return index;
}

void TListView::InsertColumn(int index) {
  TColumn& column = columns_[static_cast<size_t>(index)];
  plat::LVCOLUMNA c;
  c.mask = plat::LVCF_TEXT | plat::LVCF_WIDTH | plat::LVCF_SUBITEM;
  c.cx = column.width;
  c.pszText = column.caption.data();
  c.iSubItem = index;
  plat::SendMessageA(Handle(), plat::LVM_INSERTCOLUMNA, static_cast<plat::WPARAM>(index),
                     reinterpret_cast<plat::LPARAM>(&c));
}

void TListView::InsertItem(int index) {
  plat::LVITEMA item;
  item.mask = plat::LVIF_TEXT;
  item.iItem = index;
  item.pszText = items_[static_cast<size_t>(index)].data();
  plat::SendMessageA(Handle(), plat::LVM_INSERTITEMA, 0, reinterpret_cast<plat::LPARAM>(&item));
}

void RegisterComCtrlClasses() {
  RegisterClasses({TTrackBar::StaticClass(), TProgressBar::StaticClass(), TStatusBar::StaticClass(),
                   TTabControl::StaticClass(), TPageControl::StaticClass(), TTabSheet::StaticClass(),
                   THeaderControl::StaticClass(), TListView::StaticClass()});
}

}  // namespace vcl
