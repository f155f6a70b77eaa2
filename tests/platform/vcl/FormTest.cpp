// Form descriptions: reading every property kind, references, Loaded order,
// errors with their line, writing and the read-write-read identity.
#include <gtest/gtest.h>

#include "TestClasses.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"

namespace vcltest {
namespace {

// Canonical form: what the writer produces for these components.
const char* const kForm =
    "object Form1: TTestForm\r\n"
    "  Tag = 7\r\n"
    "  object Panel1: TTestPanel\r\n"
    "    Left = 10\r\n"
    "    Caption = 'Main panel'\r\n"
    "    object Button1: TTestWidget\r\n"
    "      Left = -5\r\n"
    "      Enabled = False\r\n"
    "      Ratio = 1.5\r\n"
    "      Caption = 'It''s'#13#10'two lines'\r\n"
    "      Shape = shTriangle\r\n"
    "      Anchors = [akLeft, akBottom]\r\n"
    "      Color = clRed\r\n"
    "      DeviceID = MapperId\r\n"
    "      Partner = Label1\r\n"
    "      Font.Name = 'Arial'\r\n"
    "      Font.Size = 12\r\n"
    "      Lines.Strings = (\r\n"
    "        'alpha'\r\n"
    "        'beta')\r\n"
    "      Items = <\r\n"
    "        item\r\n"
    "          Width = 5\r\n"
    "          Link = Panel1\r\n"
    "        end\r\n"
    "        item\r\n"
    "          Caption = 'second'\r\n"
    "        end>\r\n"
    "      Limit = 11\r\n"
    "      Data = {\r\n"
    "        0A0B0C}\r\n"
    "      OnClick = Button1Click\r\n"
    "      OnValue = ValueChanged\r\n"
    "      Blob = {\r\n"
    "        FF00}\r\n"
    "    end\r\n"
    "  end\r\n"
    "  object Label1: TTestWidget\r\n"
    "    Ratio = -0.25\r\n"
    "    Color = 16744448\r\n"
    "    Partner = Button1\r\n"
    "  end\r\n"
    "end\r\n";

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterTestClasses();
    Log().clear();
  }
  TTestWidget* Widget(TComponent* root, const char* name) {
    return dynamic_cast<TTestWidget*>(root->FindComponent(name));
  }
};

TEST_F(FormTest, ReadsEveryPropertyKind) {
  TTestForm form(nullptr);
  ReadFormText(&form, kForm);
  EXPECT_EQ(form.Name(), "Form1");
  EXPECT_EQ(form.Tag(), 7);
  ASSERT_EQ(form.ComponentCount(), 3);
  auto* panel = dynamic_cast<TTestPanel*>(form.FindComponent("panel1"));
  auto* button = Widget(&form, "Button1");
  auto* label = Widget(&form, "Label1");
  ASSERT_TRUE(panel && button && label);
  EXPECT_EQ(button->Owner(), &form);
  EXPECT_EQ(button->ParentPanel(), panel);
  EXPECT_EQ(button->Left(), -5);
  EXPECT_FALSE(button->Enabled());
  EXPECT_DOUBLE_EQ(button->Ratio(), 1.5);
  EXPECT_EQ(button->Caption(), "It's\r\ntwo lines");
  EXPECT_EQ(button->Shape(), shTriangle);
  EXPECT_TRUE(button->Anchors() == (TAnchors{akLeft, akBottom}));
  EXPECT_EQ(button->Color(), clRed);
  EXPECT_EQ(button->DeviceID(), -1);
  EXPECT_EQ(button->Partner(), label);
  EXPECT_EQ(label->Partner(), button);
  EXPECT_EQ(button->Font()->Name(), "Arial");
  EXPECT_EQ(button->Font()->Size(), 12);
  EXPECT_EQ(button->Lines()->Text(), "alpha\r\nbeta\r\n");
  ASSERT_EQ(button->Items()->Count(), 2);
  auto* item0 = static_cast<TTestItem*>(button->Items()->Items(0));
  EXPECT_EQ(item0->Width(), 5);
  EXPECT_EQ(item0->Link(), panel);
  EXPECT_EQ(static_cast<TTestItem*>(button->Items()->Items(1))->Caption(), "second");
  EXPECT_EQ(button->Limit(), 11);
  EXPECT_EQ(button->data_, (std::vector<uint8_t>{0x0A, 0x0B, 0x0C}));
  EXPECT_EQ(button->blob_, (std::vector<uint8_t>{0xFF, 0x00}));
  EXPECT_DOUBLE_EQ(label->Ratio(), -0.25);
  EXPECT_EQ(label->Color(), 0xFF8000);
  EXPECT_EQ(label->Font()->Name(), "MS Sans Serif");  // untouched default

  ASSERT_TRUE(button->OnClick);
  button->OnClick(button);
  button->OnValue(button, 42);
  EXPECT_EQ(form.calls, (std::vector<std::string>{"Button1Click Button1", "ValueChanged Button1 42"}));
  for (int i = 0; i < form.ComponentCount(); ++i)
    EXPECT_TRUE((form.Components(i)->ComponentState() * TComponentState{csLoading, csReading}).Empty());
}

TEST_F(FormTest, LoadedRunsInReadOrderAfterReferencesAreResolved) {
  TTestForm form(nullptr);
  ReadFormText(&form, kForm);
  // The root's Loaded is TComponent's and logs nothing; the others in the order read.
  EXPECT_EQ(Log(), (std::vector<std::string>{"Loaded Panel1", "Loaded Button1", "Loaded Label1"}));
  // Button1 names Label1, which is read after it: resolved before any Loaded.
  EXPECT_EQ(Widget(&form, "Button1")->partner_at_loaded_, "Label1");
}

TEST_F(FormTest, WriteGivesTheCanonicalTextBack) {
  TTestForm form(nullptr);
  ReadFormText(&form, kForm);
  std::string written = WriteFormText(&form);
  EXPECT_EQ(written, kForm);

  TTestForm again(nullptr);
  ReadFormText(&again, written);
  EXPECT_EQ(WriteFormText(&again), written);
}

TEST_F(FormTest, WriterSkipsDefaultsAndUnstoredProperties) {
  TTestForm form(nullptr);
  form.SetName("F");
  auto* w = new TTestWidget(&form);
  w->SetName("W");
  w->SetSecret(99);  // never stored
  w->SetLimit(3);    // stored only above 10
  w->SetEnabled(true);
  EXPECT_EQ(WriteFormText(&form), "object F: TTestForm\r\n  object W: TTestWidget\r\n  end\r\nend\r\n");
  w->OnClick = [](TObject*) {};  // not a published method: has no name to write
  EXPECT_EQ(WriteFormText(&form).find("OnClick"), std::string::npos);
}

TEST_F(FormTest, AcceptsTheOtherSpellingsOfValues) {
  TTestForm form(nullptr);
  ReadFormText(&form,
               "OBJECT Form1: TTestForm\n"
               "  object W: TTestWidget\n"
               "    Left = $FF\n"
               "    Color = $8000000F\n"
               "    Ratio = 2\n"
               "    DeviceID = invalidid\n"
               "    Anchors = []\n"
               "    Caption = \n"
               "      'abc' +\n"
               "      #$41'def'#66\n"
               "    Data = {\n"
               "      01 02\n"
               "      03}\n"
               "    Lines.Strings = ()\n"
               "    Items = <>\n"
               "  end\n"
               "  inline X: TTestWidget\n"
               "    Partner = Form1.W\n"
               "    OnClick = nil\n"
               "  end\n"
               "END");
  auto* w = Widget(&form, "W");
  EXPECT_EQ(w->Left(), 255);
  EXPECT_EQ(w->Color(), clBtnFace);
  EXPECT_DOUBLE_EQ(w->Ratio(), 2.0);
  EXPECT_EQ(w->DeviceID(), -2);
  EXPECT_TRUE(w->Anchors().Empty());
  EXPECT_EQ(w->Caption(), "abcAdefB");
  EXPECT_EQ(w->data_, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(Widget(&form, "X")->Partner(), w);
}

TEST_F(FormTest, InheritedObjectsUpdateExistingComponents) {
  TTestForm form(nullptr);
  auto* w = new TTestWidget(&form);
  w->SetName("Existing");
  ReadFormText(&form,
               "inherited Form1: TTestForm\n  inherited Existing: TTestWidget\n    Left = 3\n  end\nend\n");
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(w->Left(), 3);
}

TEST_F(FormTest, LongStringsAreSplitAndReadBack) {
  TTestForm form(nullptr);
  form.SetName("F");
  auto* w = new TTestWidget(&form);
  w->SetName("W");
  std::string caption;
  for (int i = 0; i < 40; ++i) caption += "word" + std::to_string(i) + (i % 7 == 0 ? "\t" : " ");
  caption += "\xC3\xA9t\xC3\xA9";  // UTF-8 stays as it is
  w->SetCaption(caption);
  std::string text = WriteFormText(&form);
  EXPECT_NE(text.find("' +\r\n"), std::string::npos);
  TTestForm again(nullptr);
  ReadFormText(&again, text);
  EXPECT_EQ(Widget(&again, "W")->Caption(), caption);
  EXPECT_EQ(WriteFormText(&again), text);
}

TEST_F(FormTest, ReferencesIntoOtherFormsGoThroughTheGlobalFinder) {
  TTestForm form2(nullptr);
  form2.SetName("Form2");
  auto* target = new TTestWidget(&form2);
  target->SetName("Target");
  SetFindGlobalComponent(
      [&](std::string_view name) -> TComponent* { return SameText(name, "Form2") ? &form2 : nullptr; });
  const char* text =
      "object Form1: TTestForm\r\n  object W: TTestWidget\r\n    Partner = Form2.Target\r\n  end\r\nend\r\n";
  {
    TTestForm form1(nullptr);
    ReadFormText(&form1, text);
    EXPECT_EQ(Widget(&form1, "W")->Partner(), target);
    EXPECT_EQ(WriteFormText(&form1), text);
    delete target;  // the link across forms is cleared
    EXPECT_EQ(Widget(&form1, "W")->Partner(), nullptr);
  }
  SetFindGlobalComponent(nullptr);
  TTestForm form3(nullptr);
  EXPECT_THROW(ReadFormText(&form3, text), EReadError);
}

TEST_F(FormTest, CreatesTheRootFromItsClass) {
  std::unique_ptr<TComponent> root(CreateFormFromText(kForm, nullptr));
  ASSERT_NE(dynamic_cast<TTestForm*>(root.get()), nullptr);
  EXPECT_EQ(root->ComponentCount(), 3);
  EXPECT_THROW(CreateFormFromText("object X: TNoSuchForm\nend", nullptr), EReadError);
}

struct BadCase {
  const char* name;
  const char* text;
  const char* message;
  int line;
};

void PrintTo(const BadCase& c, std::ostream* os) { *os << c.name; }

class FormErrorTest : public FormTest, public ::testing::WithParamInterface<BadCase> {};

TEST_P(FormErrorTest, FailsWithAClearMessageAndLeavesNothingHalfLoaded) {
  const BadCase& c = GetParam();
  TTestForm form(nullptr);
  auto* before = new TTestWidget(&form);
  before->SetName("Before");
  try {
    ReadFormText(&form, c.text);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    EXPECT_EQ(e.Line(), c.line) << e.what();
  }
  // Components the failed read created are gone again; what was there stays.
  ASSERT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), before);
  EXPECT_TRUE((form.ComponentState() * TComponentState{csLoading, csReading}).Empty());
}

std::string DeepNesting() {
  std::string text;
  for (int i = 0; i < 100; ++i) text += "object W" + std::to_string(i) + ": TTestPanel\n";
  for (int i = 0; i < 100; ++i) text += "end\n";
  return text;
}
const std::string kDeep = DeepNesting();

const BadCase kBadCases[] = {
    {"UnknownProperty", "object F: TTestForm\n  object A: TTestWidget\n    Bogus = 1\n  end\nend",
     "Error reading A.Bogus: Property Bogus does not exist", 3},
    {"UnknownSubProperty", "object F: TTestForm\n  object A: TTestWidget\n\n    Font.Colour = 1\n  end\nend",
     "Property Font.Colour does not exist", 4},
    {"UnknownClass", "object F: TTestForm\n  object A: TTestWidget\n  end\n  object B: TFoo\n  end\nend",
     "Class TFoo not found", 4},
    {"MissingHandler",
     "object F: TTestForm\n  object A: TTestWidget\n    OnClick = NoSuchHandler\n  end\nend",
     "Method NoSuchHandler not found in TTestForm", 3},
    {"HandlerOfOtherSignature",
     "object F: TTestForm\n  object A: TTestWidget\n    OnClick = ValueChanged\n  end\nend",
     "does not match the event OnClick", 3},
    {"UnresolvedReference", "object F: TTestForm\n  object A: TTestWidget\n    Partner = Nobody\n  end\nend",
     "Unresolved reference to 'Nobody'", 3},
    {"ReferenceOfWrongClass", "object F: TTestForm\n  object A: TTestWidget\n    Partner = F\n  end\nend",
     "Invalid property value", 3},
    {"BadEnumeration", "object F: TTestForm\n  object A: TTestWidget\n    Shape = shOval\n  end\nend",
     "Invalid property value", 3},
    {"BadSetElement",
     "object F: TTestForm\n  object A: TTestWidget\n    Anchors = [akLeft, akMiddle]\n  end\nend", "akMiddle",
     3},
    {"StringForInteger", "object F: TTestForm\n  object A: TTestWidget\n    Left = '1'\n  end\nend",
     "Invalid property value", 3},
    {"IntegerOutOfRange", "object F: TTestForm\n  object A: TTestWidget\n    Left = 5000000000\n  end\nend",
     "Invalid property value", 3},
    {"DuplicateName",
     "object F: TTestForm\n  object A: TTestWidget\n  end\n  object a: TTestWidget\n  end\nend",
     "A component named a already exists", 4},
    {"ClashWithExisting", "object F: TTestForm\n  object Before: TTestWidget\n  end\nend",
     "A component named Before already exists", 2},
    {"BadName", "object F: TTestForm\n  object A: TTestWidget\n  end\n  object 9A: TTestWidget\n  end\nend",
     "Invalid number", 4},
    {"UnterminatedString", "object F: TTestForm\n  object A: TTestWidget\n    Caption = 'abc\n  end\nend",
     "Unterminated string", 3},
    {"MissingEnd", "object F: TTestForm\n  object A: TTestWidget\n    Left = 1\nend\n", "'end' expected", 5},
    {"OddHexDigits", "object F: TTestForm\n  object A: TTestWidget\n    Data = {\n      0A0}\n  end\nend",
     "Invalid binary value", 4},
    {"NotAComponentClass", "object F: TTestForm\n  object A: TStringList\n  end\nend",
     "not a component class", 2},
    {"TrailingText", "object F: TTestForm\nend\nobject G: TTestForm\nend", "End of file expected", 3},
    {"TooDeep", kDeep.c_str(), "nested too deeply", 65},
};

INSTANTIATE_TEST_SUITE_P(Bad, FormErrorTest, ::testing::ValuesIn(kBadCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(FormTest, ParserTreeRoundTripsThroughText) {
  TFormObject tree = ParseFormText(kForm);
  EXPECT_EQ(FormatFormText(tree), kForm);
  ASSERT_EQ(tree.children.size(), 2u);
  EXPECT_EQ(tree.children[0].children[0].properties[0].line, 7);
}

}  // namespace
}  // namespace vcltest
