// Common controls: track bar, progress bar, date-time picker, status bar, tab
// control, page control, header control and list view; their events from
// the user and from code, what reaches their
// windows, and a description read and written back.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/user/DateTimePick.h"
#include "platform/user/Geometry.h"
#include "platform/user/Header.h"
#include "platform/user/ListView.h"
#include "platform/user/Progress.h"
#include "platform/user/StatusBar.h"
#include "platform/user/TabControl.h"
#include "platform/user/TrackBar.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

using namespace vcl;
using vcltest::StdControlsTest;

namespace {

std::string Written(TComponent* root) {
  std::string text = WriteFormText(root);
  std::erase(text, '\r');
  return text;
}

class ComCtrlsTest : public StdControlsTest {
 protected:
  // A click in the middle of a tab of a tab or page control.
  void ClickTab(TCustomTabControl* tabs, int index) {
    plat::RECT r{};
    ASSERT_TRUE(plat::SendMessageA(tabs->Handle(), plat::TCM_GETITEMRECT, static_cast<plat::WPARAM>(index),
                                   reinterpret_cast<plat::LPARAM>(&r)));
    Click(tabs, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  static std::string PartText(TStatusBar* bar, int part) {
    char buffer[128] = {};
    plat::SendMessageA(bar->Handle(), plat::SB_GETTEXTA, static_cast<plat::WPARAM>(part),
                       reinterpret_cast<plat::LPARAM>(buffer));
    return buffer;
  }
};

TEST_F(ComCtrlsTest, TrackBarPositionFollowsKeysAndCode) {
  auto* bar = new TTrackBar(form_);
  bar->SetParent(form_);
  bar->SetMax(20);
  bar->SetPageSize(5);
  std::vector<int> changes;
  bar->OnChange = [&](TObject*) { changes.push_back(bar->Position()); };
  ShowForm();
  bar->SetFocus();
  const std::pair<plat::UINT, int> keys[] = {
      {plat::VK_RIGHT, 1}, {plat::VK_NEXT, 6}, {plat::VK_END, 20}, {plat::VK_RIGHT, 20}, {plat::VK_HOME, 0}};
  for (const auto& [vk, expected] : keys) {
    Key(vk);
    EXPECT_EQ(bar->Position(), expected) << "key " << vk;
  }
  EXPECT_EQ(changes, (std::vector<int>{1, 6, 20, 0}));

  changes.clear();
  bar->SetPosition(30);  // clamped to Max
  bar->SetPosition(20);  // no change, no event
  bar->SetMax(8);        // a narrower range moves the thumb
  EXPECT_EQ(changes, (std::vector<int>{20, 8}));
  EXPECT_EQ(plat::SendMessageA(bar->Handle(), plat::TBM_GETPOS, 0, 0), 8);
  EXPECT_EQ(plat::SendMessageA(bar->Handle(), plat::TBM_GETRANGEMAX, 0, 0), 8);
  // A minimum above the maximum takes the maximum with it.
  bar->SetMin(12);
  EXPECT_EQ(bar->Max(), 12);
  EXPECT_EQ(bar->Position(), 12);
}

TEST_F(ComCtrlsTest, TrackBarStylesFollowOrientationAndTicks) {
  auto* bar = new TTrackBar(form_);
  bar->SetParent(form_);
  bar->SetBounds(10, 10, 150, 45);
  ShowForm();
  auto style = [&] { return static_cast<plat::DWORD>(plat::GetWindowLongA(bar->Handle(), plat::GWL_STYLE)); };
  EXPECT_TRUE(style() & plat::TBS_AUTOTICKS);
  bar->SetOrientation(trVertical);
  EXPECT_TRUE(style() & plat::TBS_VERT);
  EXPECT_EQ(bar->Width(), 45);
  EXPECT_EQ(bar->Height(), 150);
  bar->SetTickStyle(tsNone);
  EXPECT_TRUE(style() & plat::TBS_NOTICKS);
}

TEST_F(ComCtrlsTest, ProgressBarStepsWrapAndPositionsClamp) {
  struct Case {
    int min, max, position, step;
    int after_step;
  };
  const Case cases[] = {
      {0, 100, 0, 10, 10},    // an ordinary step
      {0, 100, 95, 10, 5},    // past the maximum it starts again from the minimum
      {0, 100, 100, 10, 10},  // at the maximum
      {10, 20, 20, 4, 14},    // a range not from zero
      {0, 100, 5, -10, 95},   // backwards below the minimum
  };
  auto* bar = new TProgressBar(form_);
  bar->SetParent(form_);
  ShowForm();
  for (const Case& c : cases) {
    bar->SetMax(c.max);
    bar->SetMin(c.min);
    bar->SetPosition(c.position);
    bar->SetStep(c.step);
    bar->StepIt();
    EXPECT_EQ(bar->Position(), c.after_step) << c.min << ".." << c.max << " from " << c.position;
    EXPECT_EQ(plat::SendMessageA(bar->Handle(), plat::PBM_GETPOS, 0, 0), c.after_step);
  }
  bar->SetPosition(500);
  EXPECT_EQ(bar->Position(), 100);
  bar->SetMax(50);
  EXPECT_EQ(bar->Position(), 50);
  EXPECT_EQ(plat::SendMessageA(bar->Handle(), plat::PBM_GETRANGE, plat::FALSE, 0), 50);
}

TEST_F(ComCtrlsTest, DateTimePickerTakesTheDayPickedInItsCalendar) {
  auto* picker = new TDateTimePicker(form_);
  picker->SetDate(EncodeDate(2026, 5, 14) + 0.75);  // the time of day is dropped
  picker->SetParent(form_);
  int changes = 0;
  picker->OnChange = [&](TObject*) { ++changes; };
  ShowForm();
  EXPECT_EQ(picker->Date(), EncodeDate(2026, 5, 14));
  plat::SYSTEMTIME shown;
  plat::SendMessageA(picker->Handle(), plat::DTM_GETSYSTEMTIME, 0, reinterpret_cast<plat::LPARAM>(&shown));
  EXPECT_EQ(shown.wDay, 14);
  picker->SetDate(EncodeDate(1200, 1, 1));
  EXPECT_EQ(picker->Date(), EncodeDate(2026, 5, 14)) << "a year the calendar cannot show is refused";

  // Its button drops the calendar; the last cell of the first row is Saturday 2 May.
  Click(picker, picker->ClientWidth() - 4, 8);
  ASSERT_TRUE(picker->DroppedDown());
  auto calendar =
      reinterpret_cast<plat::HWND>(plat::SendMessageA(picker->Handle(), plat::DTM_GETMONTHCAL, 0, 0));
  plat::SendMessageA(
      calendar, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON,
      plat::MAKELPARAM(6 * plat::user::kCalendarCellWidth + 3, plat::user::kCalendarCellHeight + 3));
  EXPECT_FALSE(picker->DroppedDown());
  EXPECT_EQ(picker->Date(), EncodeDate(2026, 5, 2));
  EXPECT_EQ(changes, 1);
  picker->SetDate(EncodeDate(2026, 6, 1));
  EXPECT_EQ(changes, 1) << "a change from code runs no event";
}

TEST_F(ComCtrlsTest, StatusBarPanelsReachTheWindow) {
  auto* bar = new TStatusBar(form_);
  bar->SetParent(form_);
  const std::tuple<const char*, int, TAlignment, std::string> panels[] = {
      {"44100 Hz", 100, taLeftJustify, "44100 Hz"},
      {"16 bit", 80, taCenter, "\t16 bit"},
      {"Stereo", 50, taRightJustify, "\t\tStereo"},
  };
  for (const auto& [text, width, alignment, shown] : panels) {
    TStatusPanel* panel = bar->Panels()->Add();
    panel->SetText(text);
    panel->SetWidth(width);
    panel->SetAlignment(alignment);
  }
  ShowForm();
  // Along the bottom of the form; the last panel reaches the right edge.
  EXPECT_EQ(bar->Top() + bar->Height(), form_->ClientHeight());
  EXPECT_EQ(bar->Width(), form_->ClientWidth());
  int edges[4] = {};
  ASSERT_EQ(plat::SendMessageA(bar->Handle(), plat::SB_GETPARTS, 4, reinterpret_cast<plat::LPARAM>(edges)),
            3);
  EXPECT_EQ(edges[0], 100);
  EXPECT_EQ(edges[1], 180);
  EXPECT_EQ(edges[2], -1);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(PartText(bar, i), std::get<3>(panels[i])) << i;

  bar->Panels()->Items(0)->SetText("48000 Hz");
  EXPECT_EQ(PartText(bar, 0), "48000 Hz");
  bar->Panels()->Delete(2);
  ASSERT_EQ(plat::SendMessageA(bar->Handle(), plat::SB_GETPARTS, 4, reinterpret_cast<plat::LPARAM>(edges)),
            2);
  EXPECT_EQ(edges[1], -1);

  bar->SetSimpleText("Recording");
  bar->SetSimplePanel(true);
  EXPECT_TRUE(plat::SendMessageA(bar->Handle(), plat::SB_ISSIMPLE, 0, 0));
  EXPECT_EQ(PartText(bar, static_cast<int>(plat::SB_SIMPLEID)), "Recording");
  // The panels survive a new window.
  bar->SetSizeGrip(false);
  EXPECT_FALSE(plat::GetWindowLongA(bar->Handle(), plat::GWL_STYLE) & plat::SBARS_SIZEGRIP);
  EXPECT_TRUE(plat::SendMessageA(bar->Handle(), plat::SB_ISSIMPLE, 0, 0));
  bar->SetSimplePanel(false);
  EXPECT_EQ(PartText(bar, 0), "48000 Hz");
}

TEST_F(ComCtrlsTest, HeaderAndListViewTakeTheirColumnsAndRowsBeforeAndAfterTheWindow) {
  auto* header = new THeaderControl(form_);
  header->SetParent(form_);
  header->AddSection("Band", 80);
  auto* list = new TListView(form_);
  list->SetParent(form_);
  list->SetBounds(0, 40, 200, 100);
  list->AddColumn("Band", 60);
  list->AddItem("one");
  ShowForm();
  header->AddSection("Level", 70);
  list->AddColumn("Level", 40);
  list->AddItem("two");

  auto header_text = [](plat::HWND h, int index) {
    char buffer[64] = {};
    plat::HDITEMA item;
    item.mask = plat::HDI_TEXT;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    plat::SendMessageA(h, plat::HDM_GETITEMA, static_cast<plat::WPARAM>(index),
                       reinterpret_cast<plat::LPARAM>(&item));
    return std::string(buffer);
  };
  ASSERT_EQ(plat::SendMessageA(header->Handle(), plat::HDM_GETITEMCOUNT, 0, 0), 2);
  plat::RECT r{};
  plat::SendMessageA(header->Handle(), plat::HDM_GETITEMRECT, 1, reinterpret_cast<plat::LPARAM>(&r));
  EXPECT_EQ(r.left, 80);
  EXPECT_EQ(r.right, 150);
  EXPECT_EQ(header_text(header->Handle(), 1), "Level");

  const auto columns =
      reinterpret_cast<plat::HWND>(plat::SendMessageA(list->Handle(), plat::LVM_GETHEADER, 0, 0));
  ASSERT_NE(columns, nullptr);
  EXPECT_EQ(plat::SendMessageA(columns, plat::HDM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(header_text(columns, 1), "Level");
  ASSERT_EQ(plat::SendMessageA(list->Handle(), plat::LVM_GETITEMCOUNT, 0, 0), 2);
  char text[32] = {};
  plat::LVITEMA item;
  item.iSubItem = 0;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  plat::SendMessageA(list->Handle(), plat::LVM_GETITEMTEXTA, 1, reinterpret_cast<plat::LPARAM>(&item));
  EXPECT_STREQ(text, "two");

  // The border comes and goes with a new window that keeps the rows.
  auto edge = [&] {
    return (plat::GetWindowLongA(list->Handle(), plat::GWL_EXSTYLE) & plat::WS_EX_CLIENTEDGE) != 0;
  };
  EXPECT_TRUE(edge());
  list->SetBorderStyle(bsNone);
  EXPECT_FALSE(edge());
  EXPECT_EQ(plat::SendMessageA(list->Handle(), plat::LVM_GETITEMCOUNT, 0, 0), 2);
}

TEST_F(ComCtrlsTest, TabControlAsksBeforeAChangeByTheUserOnly) {
  auto* tabs = new TTabControl(form_);
  tabs->SetParent(form_);
  tabs->SetBounds(10, 10, 300, 200);
  tabs->Tabs()->SetText("Spectrum\nScope\nMeter\n");
  tabs->SetTabIndex(0);
  std::vector<std::string> log;
  bool allow = true;
  tabs->OnChanging = [&](TObject*, bool& allow_change) {
    log.push_back("changing from " + std::to_string(tabs->TabIndex()));
    allow_change = allow;
  };
  tabs->OnChange = [&](TObject*) { log.push_back("change to " + std::to_string(tabs->TabIndex())); };
  ShowForm();
  EXPECT_EQ(plat::SendMessageA(tabs->Handle(), plat::TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(plat::SendMessageA(tabs->Handle(), plat::TCM_GETCURSEL, 0, 0), 0);

  ClickTab(tabs, 2);
  EXPECT_EQ(tabs->TabIndex(), 2);
  allow = false;
  ClickTab(tabs, 1);
  EXPECT_EQ(tabs->TabIndex(), 2);
  EXPECT_EQ(log, (std::vector<std::string>{"changing from 0", "change to 2", "changing from 2"}));

  log.clear();
  tabs->SetTabIndex(1);
  EXPECT_EQ(plat::SendMessageA(tabs->Handle(), plat::TCM_GETCURSEL, 0, 0), 1);
  tabs->SetTabIndex(7);
  EXPECT_EQ(tabs->TabIndex(), -1);
  EXPECT_TRUE(log.empty());
  // Removing the selected tab leaves no selection.
  tabs->SetTabIndex(2);
  tabs->Tabs()->Delete(2);
  EXPECT_EQ(tabs->TabIndex(), -1);
  EXPECT_EQ(plat::SendMessageA(tabs->Handle(), plat::TCM_GETITEMCOUNT, 0, 0), 2);
  // Children sit in the display area below the tabs.
  TRect display = tabs->DisplayRect();
  plat::RECT tab{};
  plat::SendMessageA(tabs->Handle(), plat::TCM_GETITEMRECT, 0, reinterpret_cast<plat::LPARAM>(&tab));
  EXPECT_GE(display.top, tab.bottom);
}

class PageControlTest : public ComCtrlsTest {
 protected:
  void SetUp() override {
    ComCtrlsTest::SetUp();
    pages_ = new TPageControl(form_);
    pages_->SetParent(form_);
    pages_->SetBounds(10, 10, 300, 200);
    for (const char* caption : {"Input", "Display", "Output"}) {
      auto* sheet = new TTabSheet(form_);
      sheet->SetPageControl(pages_);
      sheet->SetCaption(caption);
      auto* button = new TButton(form_);
      button->SetParent(sheet);
      buttons_.push_back(button);
    }
    pages_->OnChanging = [this](TObject*, bool& allow_change) {
      log_.push_back("changing from " + std::to_string(pages_->ActivePageIndex()));
      allow_change = allow_;
    };
    pages_->OnChange = [this](TObject*) {
      log_.push_back("change to " + std::to_string(pages_->ActivePageIndex()));
    };
    ShowForm();
  }
  // Which pages' buttons are on screen.
  std::vector<bool> ButtonsShowing() const {
    std::vector<bool> showing;
    for (TButton* b : buttons_) showing.push_back(b->Showing() && plat::IsWindowVisible(b->Handle()));
    return showing;
  }

  TPageControl* pages_ = nullptr;
  std::vector<TButton*> buttons_;
  std::vector<std::string> log_;
  bool allow_ = true;
};

TEST_F(PageControlTest, OnlyTheActivePageShowsItsControls) {
  EXPECT_EQ(pages_->PageCount(), 3);
  EXPECT_EQ(pages_->ActivePageIndex(), 0);
  EXPECT_EQ(ButtonsShowing(), (std::vector<bool>{true, false, false}));
  char text[32] = {};
  plat::TCITEMA item;
  item.mask = plat::TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  plat::SendMessageA(pages_->Handle(), plat::TCM_GETITEMA, 1, reinterpret_cast<plat::LPARAM>(&item));
  EXPECT_STREQ(text, "Display");
  // The page fills the display area.
  TRect display = pages_->DisplayRect();
  TRect page = pages_->Pages(0)->BoundsRect();
  EXPECT_EQ((std::vector<int>{page.left, page.top, page.right, page.bottom}),
            (std::vector<int>{display.left, display.top, display.right, display.bottom}));

  ClickTab(pages_, 2);
  EXPECT_EQ(pages_->ActivePage(), pages_->Pages(2));
  EXPECT_EQ(ButtonsShowing(), (std::vector<bool>{false, false, true}));
  allow_ = false;
  ClickTab(pages_, 1);
  EXPECT_EQ(pages_->ActivePageIndex(), 2);
  EXPECT_EQ(log_, (std::vector<std::string>{"changing from 0", "change to 2", "changing from 2"}));

  // From code: no events, the tab follows.
  log_.clear();
  pages_->SetActivePageIndex(1);
  EXPECT_EQ(ButtonsShowing(), (std::vector<bool>{false, true, false}));
  EXPECT_EQ(plat::SendMessageA(pages_->Handle(), plat::TCM_GETCURSEL, 0, 0), 1);
  EXPECT_TRUE(log_.empty());
}

TEST_F(PageControlTest, NextPageWrapsAndARemovedPageHandsOver) {
  pages_->SelectNextPage(false);
  EXPECT_EQ(pages_->ActivePageIndex(), 2);
  pages_->SelectNextPage(true);
  EXPECT_EQ(pages_->ActivePageIndex(), 0);
  EXPECT_EQ(log_,
            (std::vector<std::string>{"changing from 0", "change to 2", "changing from 2", "change to 0"}));

  // Moving a page moves its tab.
  pages_->Pages(2)->SetPageIndex(0);
  EXPECT_EQ(pages_->Pages(0)->Caption(), "Output");
  EXPECT_EQ(pages_->ActivePageIndex(), 1);
  EXPECT_EQ(plat::SendMessageA(pages_->Handle(), plat::TCM_GETCURSEL, 0, 0), 1);

  // Freeing the active page makes its neighbour active.
  TTabSheet* input = pages_->ActivePage();
  delete input;
  EXPECT_EQ(pages_->PageCount(), 2);
  EXPECT_EQ(pages_->ActivePage()->Caption(), "Display");
  EXPECT_EQ(plat::SendMessageA(pages_->Handle(), plat::TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_TRUE(pages_->ActivePage()->Visible());
  EXPECT_THROW(pages_->Pages(5), EListError);
}

class TComForm : public TForm {
  VCL_DECLARE_CLASS(TComForm, TForm)
 public:
  using TForm::TForm;
  void PageChange(TObject*) { ++changes; }
  int changes = 0;
};

VCL_IMPLEMENT_CLASS(TComForm, Method("PageChange", &TComForm::PageChange))

constexpr const char* kDescription = R"(object ComForm: TComForm
  Left = 0
  Top = 0
  Caption = 'Analyser'
  ClientHeight = 300
  ClientWidth = 400
  Font.Color = clWindowText
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  PixelsPerInch = 96
  TextHeight = 13
  object TrackBar1: TTrackBar
    Left = 8
    Top = 8
    Width = 150
    Height = 45
    Max = 40
    Min = 5
    Position = 30
    TickStyle = tsNone
    TabOrder = 0
  end
  object ProgressBar1: TProgressBar
    Left = 170
    Top = 8
    Width = 150
    Height = 16
    Position = 60
    Smooth = True
    Step = 5
    TabOrder = 3
  end
  object TabControl1: TTabControl
    Left = 8
    Top = 60
    Width = 180
    Height = 80
    TabPosition = tpBottom
    Tabs.Strings = (
      'Left'
      'Right')
    TabIndex = 1
    TabOrder = 1
  end
  object PageControl1: TPageControl
    Left = 200
    Top = 60
    Width = 190
    Height = 200
    ActivePage = TabSheet2
    TabOrder = 2
    OnChange = PageChange
    object TabSheet1: TTabSheet
      Left = 4
      Top = 24
      Width = 182
      Height = 172
      Caption = 'Input'
    end
    object TabSheet2: TTabSheet
      Left = 4
      Top = 24
      Width = 182
      Height = 172
      Caption = 'Output'
      object CheckBox1: TCheckBox
        Left = 8
        Top = 8
        Width = 97
        Height = 17
        Caption = 'Monitor'
        TabOrder = 0
      end
    end
  end
  object StatusBar1: TStatusBar
    Left = 0
    Top = 281
    Width = 400
    Height = 19
    Panels = <
      item
        Text = 'Ready'
        Width = 120
      end
      item
        Alignment = taCenter
        Bevel = pbRaised
        Width = 80
      end>
    SimpleText = 'Idle'
    SizeGrip = False
  end
end
)";

TEST_F(ComCtrlsTest, DescriptionWithTheCommonControlsReadsAndWritesBack) {
  auto* form = new TComForm(Application);
  ReadFormText(form, kDescription);
  auto find = [&](const char* name) { return form->FindComponent(name); };
  auto* track = dynamic_cast<TTrackBar*>(find("TrackBar1"));
  EXPECT_EQ(track->Position(), 30);
  EXPECT_EQ(track->Min(), 5);
  EXPECT_EQ(dynamic_cast<TProgressBar*>(find("ProgressBar1"))->Position(), 60);
  EXPECT_EQ(dynamic_cast<TTabControl*>(find("TabControl1"))->TabIndex(), 1);
  auto* pages = dynamic_cast<TPageControl*>(find("PageControl1"));
  ASSERT_EQ(pages->PageCount(), 2);
  EXPECT_EQ(pages->ActivePage(), find("TabSheet2"));
  EXPECT_FALSE(pages->Pages(0)->Visible());
  EXPECT_EQ(dynamic_cast<TCheckBox*>(find("CheckBox1"))->Parent(), find("TabSheet2"));
  auto* status = dynamic_cast<TStatusBar*>(find("StatusBar1"));
  ASSERT_EQ(status->Panels()->Count(), 2);
  EXPECT_EQ(status->Panels()->Items(1)->Alignment(), taCenter);
  EXPECT_EQ(Written(form), kDescription);

  // With windows the values reach them, and the user's page change reaches the handler.
  form->Show();
  Pump();
  EXPECT_EQ(plat::SendMessageA(track->Handle(), plat::TBM_GETPOS, 0, 0), 30);
  EXPECT_EQ(PartText(status, 0), "Ready");
  EXPECT_TRUE(dynamic_cast<TCheckBox*>(find("CheckBox1"))->Showing());
  ClickTab(pages, 0);
  EXPECT_EQ(pages->ActivePageIndex(), 0);
  EXPECT_EQ(form->changes, 1);
  EXPECT_NE(Written(form).find("ActivePage = TabSheet1\n"), std::string::npos);
}

}  // namespace
