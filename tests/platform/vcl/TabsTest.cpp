// The older tab set: its tabs side by side from the start margin as wide as
// their texts, the row ending with the first tab that does not fit, a click
// choosing a tab, and its own picture of the chosen tab.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/vcl/Tabs.h"

using namespace vcl;
using vcltest::StdControlsTest;

namespace {

std::array<long, 4> Of(const TRect& r) { return {r.left, r.top, r.right, r.bottom}; }

class TabsTest : public StdControlsTest {
 protected:
  TTabSet* NewTabSet(const std::vector<std::string>& texts, int width) {
    auto* tabs = new TTabSet(form_);
    tabs->SetParent(form_);
    tabs->SetBounds(10, 10, width, 21);
    for (const std::string& t : texts) tabs->Tabs()->Add(t);
    return tabs;
  }
  // A pixel of the tab set as painted.
  static plat::COLORREF At(TTabSet* tabs, int x, int y) {
    plat::UpdateWindow(tabs->Handle());
    plat::HDC dc = plat::GetDC(tabs->Handle());
    plat::COLORREF c = plat::GetPixel(dc, x, y);
    plat::ReleaseDC(tabs->Handle(), dc);
    return c;
  }
};

TEST_F(TabsTest, TabsStandSideBySideUntilOneDoesNotFit) {
  auto* tabs = NewTabSet({"One", "Two", "A much longer tab text", "x"}, 120);
  const int w0 = tabs->TabWidth("One"), w1 = tabs->TabWidth("Two");
  ASSERT_GT(w0, 9);
  EXPECT_EQ(Of(tabs->ItemRect(0)), Of(Rect(5, 0, 5 + w0, 21)));
  EXPECT_EQ(Of(tabs->ItemRect(1)), Of(Rect(5 + w0, 0, 5 + w0 + w1, 21)));
  // The long tab does not fit: it ends the row, and the short one after it
  // is not drawn where the long one belonged.
  EXPECT_EQ(Of(tabs->ItemRect(2)), Of(TRect{}));
  EXPECT_EQ(Of(tabs->ItemRect(3)), Of(TRect{}));
  EXPECT_EQ(tabs->ItemAtPos(Point(6 + w0, 5)), 1);
  EXPECT_EQ(tabs->ItemAtPos(Point(115, 5)), -1);
  // From a later first tab the row starts with it.
  tabs->SetFirstIndex(1);
  EXPECT_EQ(Of(tabs->ItemRect(0)), Of(TRect{}));
  EXPECT_EQ(Of(tabs->ItemRect(1)), Of(Rect(5, 0, 5 + w1, 21)));
  tabs->SetStartMargin(0);
  EXPECT_EQ(Of(tabs->ItemRect(1)), Of(Rect(0, 0, w1, 21)));
}

TEST_F(TabsTest, AClickChoosesATabAndTheChosenTabJoinsThePage) {
  auto* tabs = NewTabSet({"One", "Two"}, 150);
  int changes = 0;
  tabs->OnChange = [&](TObject*) { ++changes; };
  tabs->SetTabIndex(0);
  EXPECT_EQ(changes, 0);
  ShowForm();
  const TRect r1 = tabs->ItemRect(1);
  Click(tabs, r1.left + 3, 10);
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_EQ(changes, 1);
  Click(tabs, r1.left + 3, 10);
  EXPECT_EQ(changes, 1);
  // Outside every tab nothing changes.
  Click(tabs, 145, 10);
  EXPECT_EQ(tabs->TabIndex(), 1);
  // An index past the tabs is refused; removing the chosen tab chooses the last.
  tabs->SetTabIndex(2);
  EXPECT_EQ(tabs->TabIndex(), 1);
  EXPECT_EQ(At(tabs, r1.left + 2, 5), ColorToRGB(clWindow));
  EXPECT_EQ(At(tabs, tabs->ItemRect(0).left + 2, 5), ColorToRGB(tabs->Color()));
  tabs->Tabs()->Delete(1);
  EXPECT_EQ(tabs->TabIndex(), 0);
}

}  // namespace
