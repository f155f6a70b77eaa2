// The number edit: which keys it takes, clamping of Value, reading text that
// is no number, and the text it leaves behind when the focus moves on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/MMEdit.h"
#include "platform/user/Clipboard.h"
#include "platform/user/Controls.h"
#include "platform/user/Edit.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/StdControlsTestSupport.h"
#include "platform/vcl/SysUtils.h"

namespace controls {
namespace {

class MMEditTest : public vcltest::StdControlsTest {
 protected:
  TMMNumberEdit* MakeEdit() {
    auto* edit = new TMMNumberEdit(form_);
    edit->SetParent(form_);
    edit->SetBounds(10, 10, 80, 21);
    other_ = new vcl::TEdit(form_);
    other_->SetParent(form_);
    other_->SetBounds(10, 40, 80, 21);
    return edit;
  }
  size_t Beeps() { return Screen()->Beeps().size(); }

  vcl::TEdit* other_ = nullptr;
};

TEST_F(MMEditTest, KeyTable) {
  struct Case {
    char key;
    bool enabled;
    bool valid;
  };
  const Case cases[] = {
      {'0', true, true},  {'9', true, true},  {'+', true, true},  {'-', true, true},   {8, true, true},
      {27, true, true},   {1, true, true},    {13, true, false},  {'a', true, false},  {' ', true, false},
      {'.', true, false}, {'$', true, false}, {127, true, false}, {'5', false, false}, {'-', false, false},
      {8, false, false},  {27, false, true},  {3, false, true},   {13, false, false},
  };
  TMMNumberEdit edit(nullptr);
  for (const Case& c : cases) {
    edit.SetEnabled(c.enabled);
    EXPECT_EQ(edit.IsValidChar(c.key), c.valid) << int(c.key) << (c.enabled ? " enabled" : " disabled");
  }
}

TEST_F(MMEditTest, TypingIsFilteredWithABeepAndPastingIsNot) {
  TMMNumberEdit* edit = MakeEdit();
  ShowForm();
  edit->SetFocus();
  Pump();
  EXPECT_EQ(edit->SelLength(), 1);  // "0" selected on entry, so typing replaces it
  const size_t before = Beeps();
  Screen()->InjectText("1x-\r2");
  Pump();
  EXPECT_EQ(edit->Text(), "1-2");  // every key of it is valid
  ASSERT_EQ(Beeps(), before + 2);  // "x" and Enter
  EXPECT_EQ(Screen()->Beeps().back(), 0u);
  EXPECT_THROW(edit->Value(), vcl::EConvertError);

  // Pasting goes around the filter; only reading the value rejects it.
  edit->SetSelText("abc");
  EXPECT_EQ(edit->Text(), "1-2abc");
  EXPECT_THROW(edit->Value(), vcl::EConvertError);
  // A read-only or disabled box drops cut and paste.
  edit->SetText("42");
  edit->SelectAll();
  edit->SetReadOnly(true);
  plat::SendMessageA(edit->Handle(), plat::WM_CUT, 0, 0);
  EXPECT_EQ(edit->Text(), "42");
  edit->SetReadOnly(false);
  plat::SendMessageA(edit->Handle(), plat::WM_CUT, 0, 0);
  EXPECT_EQ(edit->Text(), "");
  edit->SetEnabled(false);
  plat::SendMessageA(edit->Handle(), plat::WM_PASTE, 0, 0);
  EXPECT_EQ(edit->Text(), "");
  edit->SetEnabled(true);
  plat::SendMessageA(edit->Handle(), plat::WM_PASTE, 0, 0);
  EXPECT_EQ(edit->Text(), "42");
  // The clipboard outlives the test otherwise.
  ASSERT_TRUE(plat::OpenClipboard(nullptr));
  plat::EmptyClipboard();
  plat::CloseClipboard();
}

TEST_F(MMEditTest, ValueReadsDecimalTextOnly) {
  struct Case {
    const char* text;
    bool valid;
    int32_t value;
  };
  const Case cases[] = {
      {"0", true, 0},
      {"-17", true, -17},
      {"+5", true, 5},
      {"0020", true, 20},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},
      {"99999999999", false, 0},
      {"-", false, 0},
      {"", false, 0},
      {"1-2", false, 0},
      {"$10", false, 0},
      {" 5", false, 0},
      {"5 ", false, 0},
  };
  TMMNumberEdit edit(nullptr);
  for (const Case& c : cases) {
    edit.SetText(c.text);
    if (c.valid)
      EXPECT_EQ(edit.Value(), c.value) << c.text;
    else
      EXPECT_THROW(edit.Value(), vcl::EConvertError) << c.text;
  }
}

TEST_F(MMEditTest, ValueWritesAreClamped) {
  struct Case {
    int32_t min, max, written;
    const char* shown;
  };
  const Case cases[] = {
      {0, 1000, 5000, "1000"},
      {0, 1000, -3, "0"},
      {0, 1000, 500, "500"},
      {0, 0, 5000, "5000"},
      {7, 7, -9, "-9"},
      {INT32_MIN, INT32_MAX, INT32_MIN, "-2147483648"},
      // Bounds given the wrong way round still hold the value between them.
      {10, 0, 5, "5"},
      {10, 0, 20, "10"},
      {10, 0, -5, "0"},
  };
  TMMNumberEdit edit(nullptr);
  EXPECT_EQ(edit.Text(), "0");
  EXPECT_EQ(edit.MinValue(), 0);
  EXPECT_EQ(edit.MaxValue(), 1000);
  for (const Case& c : cases) {
    edit.SetMinValue(c.min);
    edit.SetMaxValue(c.max);
    edit.SetValue(c.written);
    EXPECT_EQ(edit.Text(), c.shown) << c.min << ".." << c.max << " <- " << c.written;
  }
}

TEST_F(MMEditTest, LeavingNormalisesTheTextOrPutsBackTheLastNumber) {
  TMMNumberEdit* edit = MakeEdit();
  ShowForm();
  struct Case {
    const char* typed;
    const char* left;
  };
  // Each step starts from what the one before left.
  const Case cases[] = {{"0020", "20"}, {"5000", "1000"}, {"-", "1000"}, {"-7", "0"}, {"1-2", "0"}};
  for (const Case& c : cases) {
    edit->SetFocus();
    Pump();
    edit->SelectAll();
    Screen()->InjectText(c.typed);
    Pump();
    ASSERT_EQ(edit->Text(), c.typed);
    other_->SetFocus();  // must not raise
    Pump();
    EXPECT_EQ(edit->Text(), c.left) << c.typed;
  }
  // Pasted text that is no number gives way too.
  edit->SetFocus();
  Pump();
  edit->SetValue(33);
  edit->SelectAll();
  edit->SetSelText("33 rpm");
  other_->SetFocus();
  Pump();
  EXPECT_EQ(edit->Text(), "33");
}

TEST_F(MMEditTest, AlignmentRemakesTheWindowWithItsStyle) {
  TMMNumberEdit* edit = MakeEdit();
  ShowForm();
  edit->SetValue(12);
  struct Case {
    vcl::TAlignment alignment;
    plat::DWORD style;
  };
  for (const Case& c : {Case{vcl::taRightJustify, plat::ES_RIGHT}, Case{vcl::taCenter, plat::ES_CENTER},
                        Case{vcl::taLeftJustify, plat::ES_LEFT}}) {
    edit->SetAlignment(c.alignment);
    const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(edit->Handle(), plat::GWL_STYLE));
    EXPECT_EQ(style & (plat::ES_RIGHT | plat::ES_CENTER), c.style);
    EXPECT_TRUE(style & plat::ES_MULTILINE);
    EXPECT_EQ(edit->Text(), "12");
  }
}

TEST_F(MMEditTest, StoredFormSetsBoundsBeforeTheValue) {
  vcl::RegisterClass(TMMNumberEdit::StaticClass());
  const char* text = R"(object Form1: TForm
  object Edit1: TMMNumberEdit
    MinValue = -50
    MaxValue = 50
    Value = -80
    Alignment = taRightJustify
  end
end
)";
  auto* form = new vcl::TForm(vcl::Application);
  vcl::ReadFormText(form, text);
  auto* edit = dynamic_cast<TMMNumberEdit*>(form->FindComponent("Edit1"));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(edit->Value(), -50);
  EXPECT_EQ(edit->Alignment(), vcl::taRightJustify);
}

}  // namespace
}  // namespace controls
