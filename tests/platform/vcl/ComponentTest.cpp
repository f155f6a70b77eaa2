// Ownership, names, free notification, states, the class registry, Assign and
// access to published properties by name.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "TestClasses.h"

namespace vcltest {
namespace {

// Records the notifications it receives.
class TListener : public TComponent {
 public:
  using TComponent::TComponent;
  std::vector<std::pair<TComponent*, TOperation>> seen;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    seen.emplace_back(c, op);
  }
};

TEST(ComponentTest, OwnerFreesWhatItOwnsAndTellsTheRest) {
  Log().clear();
  auto* owner = new TComponent(nullptr);
  auto* listener = new TListener(owner);
  auto* a = new TTestWidget(owner);
  a->SetName("A");
  auto* b = new TTestWidget(a);  // owned by a, not by owner
  b->SetName("B");
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(1), a);
  EXPECT_EQ(a->ComponentIndex(), 1);
  EXPECT_THROW(owner->Components(2), EListError);
  EXPECT_EQ(owner->FindComponent("a"), a);
  EXPECT_EQ(owner->FindComponent("B"), nullptr);  // not owned directly
  // Its own insertion happened while it was still being constructed.
  ASSERT_EQ(listener->seen.size(), 1u);
  EXPECT_EQ(listener->seen[0], std::make_pair(static_cast<TComponent*>(a), opInsert));

  delete a;  // frees b as well
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(owner->FindComponent("A"), nullptr);
  EXPECT_EQ(listener->seen.back(), std::make_pair(static_cast<TComponent*>(a), opRemove));
  EXPECT_EQ(Log(), (std::vector<std::string>{"~A", "~B destroying"}));
  delete owner;
}

TEST(ComponentTest, ChildrenSeeDestroyingWhileTheOwnerGoesAway) {
  Log().clear();
  auto* owner = new TComponent(nullptr);
  new TTestWidget(owner);
  delete owner;
  EXPECT_EQ(Log(), (std::vector<std::string>{"~ destroying"}));
}

TEST(ComponentTest, DestroyedComponentClearsEveryLinkToIt) {
  // Same owner: through the owner. Different owners: through FreeNotification.
  TComponent form1(nullptr), form2(nullptr);
  auto* a = new TTestWidget(&form1);
  auto* b = new TTestWidget(&form1);
  auto* c = new TTestWidget(&form2);
  a->SetPartner(b);
  c->SetPartner(b);
  b->SetPartner(c);
  delete b;
  EXPECT_EQ(a->Partner(), nullptr);
  EXPECT_EQ(c->Partner(), nullptr);
  // The other way round: the holder of a link goes first; the target later
  // must not call back into it.
  a->SetPartner(c);
  delete a;
  delete c;
  SUCCEED();
}

TEST(ComponentTest, RemoveFreeNotificationStopsTheNotice) {
  TComponent form1(nullptr), form2(nullptr);
  auto* listener = new TListener(&form1);
  auto* target = new TTestWidget(&form2);
  target->FreeNotification(listener);
  EXPECT_TRUE(target->ComponentState().Contains(csFreeNotification));
  target->RemoveFreeNotification(listener);
  listener->seen.clear();
  delete target;
  EXPECT_TRUE(listener->seen.empty());
}

TEST(ComponentTest, InsertAndRemoveMoveOwnership) {
  TComponent a(nullptr), b(nullptr);
  auto* w = new TTestWidget(&a);
  w->SetName("W");
  b.InsertComponent(w);
  EXPECT_EQ(w->Owner(), &b);
  EXPECT_EQ(a.ComponentCount(), 0);
  EXPECT_EQ(b.FindComponent("w"), w);
  b.RemoveComponent(w);
  EXPECT_EQ(w->Owner(), nullptr);
  delete w;
}

struct NameCase {
  const char* name;
  bool valid;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << '"' << c.name << '"'; }

class ComponentNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(ComponentNameTest, NamesMustBeIdentifiers) {
  TComponent owner(nullptr);
  auto* w = new TTestWidget(&owner);
  if (GetParam().valid) {
    w->SetName(GetParam().name);
    EXPECT_EQ(w->Name(), GetParam().name);
  } else {
    EXPECT_THROW(w->SetName(GetParam().name), EComponentError);
    EXPECT_EQ(w->Name(), "");
  }
}

INSTANTIATE_TEST_SUITE_P(Names, ComponentNameTest,
                         ::testing::Values(NameCase{"Button1", true}, NameCase{"_x9", true},
                                           NameCase{"", true}, NameCase{"1abc", false},
                                           NameCase{"a b", false}, NameCase{"a-b", false},
                                           NameCase{"a.b", false}),
                         [](const auto& info) {
                           // Test names allow letters, digits and underscores only.
                           std::string name = info.param.valid ? "Valid_" : "Invalid_";
                           for (const char* p = info.param.name; *p; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) || *p == '_'
                                         ? std::string(1, *p)
                                         : "x" + std::to_string(*p);
                           return name + (*info.param.name ? "" : "Empty");
                         });

TEST(ComponentTest, NamesAreUniqueAmongSiblingsWithoutRegardToCase) {
  TComponent owner(nullptr), other(nullptr);
  auto* a = new TTestWidget(&owner);
  auto* b = new TTestWidget(&owner);
  auto* c = new TTestWidget(&other);
  a->SetName("Button1");
  try {
    b->SetName("BUTTON1");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "A component named BUTTON1 already exists");
  }
  c->SetName("Button1");  // another owner
  a->SetName("button1");  // itself, other case
  EXPECT_EQ(owner.FindComponent("BUTTON1"), a);
  a->SetName("Renamed");
  EXPECT_EQ(owner.FindComponent("button1"), nullptr);
  b->SetName("Button1");
  EXPECT_EQ(owner.FindComponent("button1"), b);
  // Owner and owned never share a name: references by name stay unambiguous.
  owner.SetName("Form1");
  EXPECT_THROW(a->SetName("form1"), EComponentError);
  EXPECT_THROW(owner.SetName("BUTTON1"), EComponentError);
  EXPECT_EQ(owner.Name(), "Form1");
  // Moving a component into an owner that has the name already is refused.
  EXPECT_THROW(owner.InsertComponent(c), EComponentError);
  EXPECT_EQ(c->Owner(), &other);
}

TEST(ComponentTest, DesigningReachesOwnedComponents) {
  TComponent owner(nullptr);
  auto* a = new TTestWidget(&owner);
  auto* b = new TTestWidget(a);
  owner.SetDesigning(true);
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
  auto* late = new TTestWidget(&owner);  // joins a designing owner
  EXPECT_TRUE(late->ComponentState().Contains(csDesigning));
  owner.SetDesigning(false, false);
  EXPECT_FALSE(owner.ComponentState().Contains(csDesigning));
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
}

TEST(ComponentTest, ClassEntriesAndRegistry) {
  RegisterTestClasses();
  RegisterTestClasses();  // again: harmless
  TComponent owner(nullptr);
  auto* panel = new TTestPanel(&owner);
  EXPECT_EQ(panel->ClassName(), "TTestPanel");
  EXPECT_TRUE(panel->InheritsFrom(TTestWidget::StaticClass()));
  EXPECT_TRUE(panel->InheritsFrom(TPersistent::StaticClass()));
  EXPECT_FALSE(panel->InheritsFrom(TTestForm::StaticClass()));
  EXPECT_EQ(TTestPanel::StaticClass()->ClassParent(), TTestWidget::StaticClass());
  EXPECT_EQ(FindClass("ttestpanel"), TTestPanel::StaticClass());
  EXPECT_EQ(GetClass("TNope"), nullptr);
  try {
    FindClass("TNope");
    FAIL();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNope not found");
  }
  std::unique_ptr<TObject> made(TTestPanel::StaticClass()->Create(&owner));
  EXPECT_EQ(static_cast<TComponent*>(made.get())->Owner(), &owner);
  EXPECT_THROW(TStrings::StaticClass()->Create(nullptr), EInvalidOperation);  // abstract
}

TEST(ComponentTest, AssignRefusesUnrelatedClasses) {
  TTestFont font;
  TStringList list;
  try {
    font.Assign(&list);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TStringList to a TTestFont");
  }
  try {
    list.Assign(&font);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TTestFont to a TStringList");
  }
  EXPECT_THROW(font.Assign(nullptr), EConvertError);
}

// Republishes Color with another default.
class TDarkWidget : public TTestWidget {
  VCL_DECLARE_CLASS(TDarkWidget, TTestWidget)
 public:
  explicit TDarkWidget(TComponent* owner) : TTestWidget(owner) { SetColor(clBlack); }
};

}  // namespace

VCL_IMPLEMENT_CLASS(TDarkWidget,
                    ColorProp("Color", &TDarkWidget::Color, &TDarkWidget::SetColor).Default(clBlack))

namespace {

TEST(PropertyTableTest, RepublishedPropertyKeepsItsPlace) {
  const auto& parent = TTestWidget::StaticClass()->Properties();
  const auto& child = TDarkWidget::StaticClass()->Properties();
  ASSERT_EQ(child.size(), parent.size());
  for (size_t i = 0; i < child.size(); ++i) {
    EXPECT_EQ(child[i]->name, parent[i]->name);
    if (child[i]->name == "Color") {
      EXPECT_NE(child[i], parent[i]);
      EXPECT_EQ(child[i]->default_ord, clBlack);
    }
  }
}

TEST(PropertyTableTest, InheritedPropertiesComeFirst) {
  std::vector<std::string> names;
  for (const TPropInfo* p : TTestPanel::StaticClass()->Properties()) names.push_back(p->name);
  ASSERT_GE(names.size(), 4u);
  EXPECT_EQ(names[0], "Name");
  EXPECT_EQ(names[1], "Tag");
  EXPECT_EQ(names[2], "Left");
  EXPECT_EQ(names.back(), "OnValue");
}

TEST(PropertyTableTest, AccessByName) {
  ScopedLocale locale('.');
  TComponent owner(nullptr);
  auto* w = new TTestWidget(&owner);
  auto* p = new TTestPanel(&owner);
  w->SetPartner(p);
  EXPECT_TRUE(IsPublishedProp(w, "caption"));
  EXPECT_FALSE(IsPublishedProp(w, "Bogus"));
  EXPECT_TRUE(IsPublishedProp(TTestPanel::StaticClass(), "Partner"));
  EXPECT_EQ(GetObjectProp(w, "Font"), w->Font());
  EXPECT_EQ(GetObjectProp(w, "Partner", TTestPanel::StaticClass()), p);
  EXPECT_EQ(GetObjectProp(w, "Partner", TTestForm::StaticClass()), nullptr);

  struct Case {
    const char* property;
    const char* set;
    const char* expect;
  };
  for (const Case& c :
       {Case{"Left", "12", "12"}, Case{"Enabled", "false", "False"}, Case{"Shape", "SHSQUARE", "shSquare"},
        Case{"Anchors", "[akTop, akRight]", "[akTop,akRight]"}, Case{"Color", "clYellow", "clYellow"},
        Case{"Color", "255", "clRed"}, Case{"DeviceID", "invalidid", "InvalidId"}, Case{"DeviceID", "4", "4"},
        Case{"Caption", "x y", "x y"}, Case{"Ratio", "0.5", "0.5"}}) {
    SetPropValue(w, c.property, c.set);
    EXPECT_EQ(GetPropValue(w, c.property), c.expect) << c.property;
  }
  EXPECT_EQ(GetOrdProp(w, "DeviceID"), 4);
  EXPECT_EQ(GetEnumProp(w, "Shape"), "shSquare");
  EXPECT_EQ(GetSetProp(w, "Anchors"), "akTop,akRight");
  EXPECT_THROW(SetPropValue(w, "Shape", "shOval"), EPropertyError);
  EXPECT_THROW(SetOrdProp(w, "Shape", 3), EPropertyError);
  EXPECT_THROW(SetSetProp(w, "Anchors", "[akNowhere]"), EPropertyError);
  try {
    GetOrdProp(w, "Bogus");
    FAIL();
  } catch (const EPropertyError& e) {
    EXPECT_STREQ(e.what(), "Property Bogus does not exist");
  }
  EXPECT_THROW(GetStrProp(w, "Left"), EPropertyError);  // wrong kind
}

TEST(PropertyTableTest, EventsBindToPublishedMethodsByName) {
  TTestForm form(nullptr);
  auto* w = new TTestWidget(&form);
  w->SetName("W");
  SetMethodProp(w, "OnValue", &form, "valuechanged");
  EXPECT_EQ(GetMethodProp(w, "OnValue"), "ValueChanged");
  w->OnValue(w, 3);
  EXPECT_EQ(form.calls, std::vector<std::string>{"ValueChanged W 3"});
  EXPECT_THROW(SetMethodProp(w, "OnClick", &form, "Missing"), EMethodNotFound);
  EXPECT_THROW(SetMethodProp(w, "OnClick", &form, "ValueChanged"), EPropertyError);
  SetMethodProp(w, "OnValue", &form, "");
  EXPECT_FALSE(w->OnValue);
}

}  // namespace
}  // namespace vcltest
