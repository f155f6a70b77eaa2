// A drop-down combo box on a form with a default and a cancel button: the
// list is worked with the mouse and the keys, OnChange runs once per choice
// taken, and Enter and Escape in the open list stay the combo box's.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "StdControlsTestSupport.h"
#include "platform/user/ComboBox.h"

using namespace vcl;
using vcltest::StdControlsTest;

namespace {

class ComboBoxDrop : public StdControlsTest {
 protected:
  void SetUp() override {
    StdControlsTest::SetUp();
    combo_ = new TComboBox(form_);
    combo_->SetParent(form_);
    combo_->SetBounds(10, 10, 160, 21);
    combo_->SetStyle(csDropDownList);
    combo_->Items()->SetCommaText("Rectangular,Hamming,Hanning,Welch");
    combo_->SetItemIndex(1);
    combo_->OnChange = [this](TObject*) { changes_.push_back(combo_->Text()); };
    for (const bool is_default : {true, false}) {
      auto* button = new TButton(form_);
      button->SetParent(form_);
      button->SetBounds(is_default ? 10 : 100, 200, 75, 25);
      is_default ? button->SetDefault(true) : button->SetCancel(true);
      button->OnClick = [this](TObject*) { ++button_clicks_; };
    }
    ShowForm();
    combo_->SetFocus();
    Pump();
  }

  plat::RECT Dropped() {
    plat::RECT r{};
    plat::SendMessageA(combo_->Handle(), plat::CB_GETDROPPEDCONTROLRECT, 0,
                       reinterpret_cast<plat::LPARAM>(&r));
    return r;
  }
  void ClickItem(int index) {
    const plat::RECT list = Dropped();
    const int item = static_cast<int>(plat::SendMessageA(combo_->Handle(), plat::CB_GETITEMHEIGHT, 0, 0));
    Screen()->InjectClick(plat::POINT{list.left + 20, list.top + 1 + index * item + item / 2});
    Pump();
  }
  void ClickArrow() { Click(combo_, combo_->Width() - 8, combo_->Height() / 2); }

  TComboBox* combo_ = nullptr;
  std::vector<std::string> changes_;
  int button_clicks_ = 0;
};

TEST_F(ComboBoxDrop, AClickedItemIsTakenWithOneChange) {
  ClickArrow();
  ASSERT_TRUE(combo_->DroppedDown());
  ClickItem(2);
  EXPECT_FALSE(combo_->DroppedDown());
  EXPECT_EQ(combo_->Text(), "Hanning");
  EXPECT_EQ(changes_, std::vector<std::string>{"Hanning"});
  // Opening and clicking the item already chosen changes nothing.
  ClickArrow();
  ClickItem(2);
  EXPECT_EQ(changes_, std::vector<std::string>{"Hanning"});
}

TEST_F(ComboBoxDrop, EnterAndEscapeCloseTheListAndPressNoButton) {
  struct Case {
    const char* name;
    std::vector<plat::UINT> keys;
    const char* text;
    std::vector<std::string> changes;
  };
  const Case cases[] = {
      {"Down, Down, Enter", {plat::VK_F4, plat::VK_DOWN, plat::VK_DOWN, plat::VK_RETURN}, "Welch", {"Welch"}},
      {"Up, Escape", {plat::VK_F4, plat::VK_UP, plat::VK_ESCAPE}, "Hamming", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    combo_->SetItemIndex(1);
    changes_.clear();
    for (plat::UINT vk : c.keys) Key(vk);
    EXPECT_FALSE(combo_->DroppedDown());
    EXPECT_EQ(combo_->Text(), c.text);
    EXPECT_EQ(changes_, c.changes);
    EXPECT_EQ(button_clicks_, 0);
    EXPECT_TRUE(combo_->Focused());
  }
  // With the list closed, Enter is the form's again.
  Key(plat::VK_RETURN);
  EXPECT_EQ(button_clicks_, 1);
}

}  // namespace
