// Library objects: update nesting, the bevel's bands and copies, device
// identifiers, library messages and cursors, design mode of the bases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/MMObj.h"
#include "platform/kernel/Resources.h"

namespace engine {
namespace {

struct ChangeLog {
  std::string text;
  void Watch(TMMObject& object) {
    object.OnChanging = [this](vcl::TObject*) { text += '<'; };
    object.OnChange = [this](vcl::TObject*) { text += '>'; };
  }
};

TEST(MMObjectTest, NestedUpdatesFireOnceAtTheOutermostPair) {
  TMMBevel bevel;
  ChangeLog log;
  log.Watch(bevel);
  bevel.SetBorderWidth(2);
  EXPECT_EQ(log.text, ">");
  log.text.clear();

  bevel.BeginUpdate();
  bevel.BeginUpdate();
  bevel.SetBorderWidth(3);
  bevel.EndUpdate();
  bevel.SetBevelInner(bvRaised);
  EXPECT_EQ(log.text, "<");
  bevel.EndUpdate();
  EXPECT_EQ(log.text, "<>");
  EXPECT_EQ(bevel.UpdateCount(), 0);

  // An unmatched EndUpdate does not leave the object silenced for good.
  log.text.clear();
  bevel.EndUpdate();
  bevel.SetBorderWidth(4);
  EXPECT_EQ(log.text, ">");

  // Writing the value already held changes nothing.
  log.text.clear();
  bevel.SetBorderWidth(4);
  bevel.SetBorderColor(vcl::clBtnFace);
  EXPECT_EQ(log.text, "");
}

TEST(MMBevelTest, BevelExtentCountsEveryBand) {
  struct Case {
    const char* what;
    TBorderStyle border_style;
    TBevelCut outer;
    int outer_width;
    int border_width;
    TBevelCut inner;
    int inner_width;
    int border_space;
    int extent;
  };
  const Case cases[] = {
      {"defaults", bsNone, bvLowered, 1, 0, bvNone, 1, 0, 1},
      {"mixed", bsSingle, bvRaised, 2, 3, bvLowered, 1, 2, 9},
      {"nothing", bsNone, bvNone, 5, 0, bvNone, 5, 0, 0},
      {"space bevels still count", bsNone, bvSpace, 3, 0, bvSpace, 2, 0, 5},
      {"border only", bsSingle, bvNone, 1, 0, bvNone, 1, 0, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TMMBevel bevel;
    bevel.SetBorderStyle(c.border_style);
    bevel.SetBevelOuter(c.outer);
    bevel.SetBevelOuterWidth(c.outer_width);
    bevel.SetBorderWidth(c.border_width);
    bevel.SetBevelInner(c.inner);
    bevel.SetBevelInnerWidth(c.inner_width);
    bevel.SetBorderSpace(c.border_space);
    EXPECT_EQ(bevel.BevelExtent(), c.extent);
  }
}

TEST(MMBevelTest, AssignCopiesEverythingAsOneChange) {
  TMMBevel source;
  source.SetBevelInner(bvRaised);
  source.SetBevelOuter(bvSpace);
  source.SetBevelInnerWidth(3);
  source.SetBevelOuterWidth(4);
  source.SetBorderStyle(bsSingle);
  source.SetBorderWidth(5);
  source.SetBorderSpace(6);
  source.SetBorderColor(vcl::clRed);
  source.SetBorderSpaceColor(vcl::clLime);
  source.SetInnerLightColor(vcl::clBlue);
  source.SetInnerShadowColor(vcl::clYellow);
  source.SetOuterLightColor(vcl::clAqua);
  source.SetOuterShadowColor(vcl::clFuchsia);

  TMMBevel target;
  ChangeLog log;
  log.Watch(target);
  target.Assign(&source);
  EXPECT_EQ(log.text, "<>");
  for (const vcl::TPropInfo* p : vcl::GetPropList(&source))
    EXPECT_EQ(vcl::GetPropValue(&target, p->name), vcl::GetPropValue(&source, p->name)) << p->name;

  log.text.clear();
  target.Assign(&target);
  EXPECT_EQ(log.text, "");

  vcl::TPersistent other;
  EXPECT_THROW(target.Assign(&other), vcl::EConvertError);
}

TEST(MMBevelTest, EveryPropertyIsAlwaysStoredInDeclarationOrder) {
  TMMBevel bevel;
  std::vector<std::string> names;
  for (const vcl::TPropInfo* p : vcl::GetPropList(&bevel)) {
    names.push_back(p->name);
    EXPECT_TRUE(p->IsStored(&bevel)) << p->name;
    EXPECT_FALSE(p->default_ord.has_value()) << p->name;
  }
  const std::vector<std::string> expected = {
      "BevelInner",       "BevelOuter",      "BevelInnerWidth", "BevelOuterWidth",  "BorderStyle",
      "BorderWidth",      "BorderSpace",     "BorderColor",     "BorderSpaceColor", "InnerLightColor",
      "InnerShadowColor", "OuterLightColor", "OuterShadowColor"};
  EXPECT_EQ(names, expected);
  EXPECT_EQ(vcl::GetPropValue(&bevel, "BevelOuter"), "bvLowered");
  EXPECT_EQ(vcl::GetPropValue(&bevel, "OuterShadowColor"), "clBtnShadow");
}

TEST(MMDeviceIdTest, IdentifiersMapBothWays) {
  struct Case {
    const char* ident;
    bool known;
    int32_t id;
  };
  const Case cases[] = {{"MapperId", true, MapperId},
                        {"MAPPERID", true, MapperId},
                        {"mapperid", true, MapperId},
                        {"InvalidId", true, InvalidId},
                        {"invalidID", true, InvalidId},
                        {"Mapper", false, 0},
                        {"", false, 0},
                        {"-1", false, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ident);
    int32_t id = 77;
    EXPECT_EQ(IdentToDeviceId(c.ident, id), c.known);
    EXPECT_EQ(id, c.known ? c.id : 77);
  }
  std::string ident = "unchanged";
  EXPECT_TRUE(DeviceIdToIdent(-1, ident));
  EXPECT_EQ(ident, "MapperId");
  EXPECT_TRUE(DeviceIdToIdent(-2, ident));
  EXPECT_EQ(ident, "InvalidId");
  EXPECT_FALSE(DeviceIdToIdent(0, ident));
  EXPECT_FALSE(DeviceIdToIdent(-3, ident));
}

// A string table of the library's messages as the program links it: RT_STRING
// blocks of 16 strings, each a 16-bit byte count and its UTF-8 bytes.
std::vector<plat::BYTE> StringBlock(const std::vector<std::string>& strings) {
  std::vector<plat::BYTE> block;
  for (size_t i = 0; i < 16; ++i) {
    const std::string s = i < strings.size() ? strings[i] : std::string();
    block.push_back(static_cast<plat::BYTE>(s.size() & 0xFF));
    block.push_back(static_cast<plat::BYTE>(s.size() >> 8));
    block.insert(block.end(), s.begin(), s.end());
  }
  return block;
}

TEST(MMLibraryMessageTest, LoadsTheMessageOrGivesEmptyText) {
  // Strings 28048..28063 live in block 28048 / 16 + 1.
  std::vector<std::string> strings(16);
  strings[60 - 48] = "Change to property while device was open";
  strings[62 - 48] = "Invalid WaveFormat";
  static const std::vector<plat::BYTE> block = StringBlock(strings);
  static const plat::ResourceEntry entries[] = {{{plat::RT_STRING_ID, nullptr},
                                                 {28048 / 16 + 1, nullptr},
                                                 block.data(),
                                                 static_cast<plat::DWORD>(block.size())}};
  const plat::ResourceTable table{entries, 1};
  plat::RegisterResourceTable(nullptr, table);
  EXPECT_EQ(LoadLibraryMessage(60), "Change to property while device was open");
  EXPECT_EQ(LoadLibraryMessage(62), "Invalid WaveFormat");
  EXPECT_EQ(LoadLibraryMessage(61), "");
  EXPECT_EQ(LoadLibraryMessage(999), "");
  plat::UnregisterResourceTable(nullptr, table);
}

TEST(MMLibraryCursorTest, TableHoldsTheThirtyOneNumbers) {
  LoadLibraryCursors();
  const auto& cursors = LibraryCursors();
  for (int i = 0; i < kLibraryCursorCount; ++i) {
    EXPECT_EQ(cursors[i].number, 2001 + i);
    EXPECT_TRUE(cursors[i].loaded);
  }
}

class TDesignProbe : public TMMNonVisualComponent {
  VCL_DECLARE_CLASS(TDesignProbe, TMMNonVisualComponent)
 public:
  explicit TDesignProbe(vcl::TComponent* owner) : TMMNonVisualComponent(owner) {}
  void ChangeDesignMode(bool value) override {
    inherited::ChangeDesignMode(value);
    changes.push_back(value);
  }
  std::vector<bool> changes;
};
VCL_IMPLEMENT_CLASS(TDesignProbe)

TEST(MMComponentTest, DesignModeChangesOnlyOnADifferentValue) {
  TDesignProbe parent(nullptr);
  auto* child = new TDesignProbe(&parent);
  parent.SetDesignMode(false);
  EXPECT_TRUE(parent.changes.empty());
  parent.SetDesignMode(true);
  parent.SetDesignMode(true);
  EXPECT_EQ(parent.changes, std::vector<bool>{true});
  EXPECT_TRUE(parent.DesignMode());
  EXPECT_TRUE(child->DesignMode());
  parent.SetDesignMode(false);
  EXPECT_FALSE(child->DesignMode());
  EXPECT_EQ(parent.changes, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace engine
