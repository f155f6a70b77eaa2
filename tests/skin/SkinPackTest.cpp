// The packing tool: its container against the reader's layout, and the
// packages the build lays out in skins/ read back by the program's reader,
// with every image the description names present and drawn to its shape.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "resources/ProgramResources.h"
#include "skin/SkinReader.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinIni.h"
#include "tools/skinpack/Container.h"

using namespace skin;
using skinpack::SkinMember;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

std::string Text(const vcl::TMemoryStream& s) {
  return std::string(reinterpret_cast<const char*>(s.Memory()),
                     static_cast<size_t>(const_cast<vcl::TMemoryStream&>(s).Size()));
}

TSkinLoadStatus LoadFile(TSkinReader& reader, const std::string& file) {
  vcl::TFileStream stream(std::string(QUELLIX_SKINS_DIR) + "/" + file, vcl::fmOpenRead);
  return reader.Load(stream);
}

}  // namespace

TEST(SkinPackContainer, WritesTheLayoutTheReaderReads) {
  const std::string description = "[TitlebarSkin]\r\nSkinName=Tiny\r\n";
  const std::vector<uint8_t> bmp(58, 0x42);
  std::vector<uint8_t> c = skinpack::WriteContainer({{"skin.ini", Bytes(description)}, {"a.bmp", bmp}});
  ASSERT_EQ(c.size(), 130u);
  const std::vector<uint8_t> head = {0x20, 0x4e, 0, 0,   0x11, 0,   0,   0,   0,   0,   0,   0,    0,
                                     0,    0,    0, 's', 'k',  'i', 'n', '.', 'i', 'n', 'i', '\r', '\n'};
  EXPECT_EQ(std::vector<uint8_t>(c.begin(), c.begin() + head.size()), head);
  EXPECT_EQ(c[33], 31);  // the description's size after the 17 bytes of names
  EXPECT_EQ(c[37], 58);

  std::vector<uint8_t> package = skinpack::PackSkin({{"skin.ini", Bytes(description)}, {"a.bmp", bmp}});
  vcl::TMemoryStream stream;
  stream.WriteBuffer(package.data(), static_cast<int64_t>(package.size()));
  TSkinReader reader;
  ASSERT_EQ(reader.Load(stream), TSkinLoadStatus::Ok);
  vcl::TMemoryStream member;
  std::string name;
  reader.ExtractMemberLike(".ini", member, name);
  EXPECT_EQ(name, "skin.ini");
  EXPECT_EQ(Text(member), description);
  reader.ExtractMember("A.BMP", member);
  EXPECT_EQ(member.Size(), 58);
}

TEST(SkinPackContainer, RefusesWhatTheReaderWouldRefuse) {
  std::vector<SkinMember> many(static_cast<size_t>(kSkinMaxMembers) + 1, SkinMember{"a.bmp", {}});
  EXPECT_THROW(skinpack::WriteContainer(many), skinpack::PackError);
  many.pop_back();
  EXPECT_NO_THROW(skinpack::WriteContainer(many));
  for (const char* name : {"", "a\r\nb.bmp", "a\n.bmp"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(skinpack::WriteContainer({{name, {}}}), skinpack::PackError);
  }
  EXPECT_THROW(skinpack::WriteContainer({{"big.bmp", std::vector<uint8_t>(kSkinMaxPackageSize, 0)}}),
               skinpack::PackError);
}

class SkinPackages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
};

TEST_F(SkinPackages, EveryFileTheSetupPageOffersLoads) {
  const char* files[] = {"default.skn",  "mxskin11.SKN", "mxskin20.skn", "mxskin15.skn", "mxskin60.skn",
                         "mxskin24.skn", "mxskin28.skn", "mxskin29.SKN", "mxskin30.skn", "mxskin35.skn",
                         "mxskin40.skn", "mxskin47.skn", "mxskin56.skn", "mxskin59.skn", "mxskin67.skn"};
  std::set<std::string> names;
  for (const char* file : files) {
    SCOPED_TRACE(file);
    TSkinReader reader;
    ASSERT_EQ(LoadFile(reader, file), TSkinLoadStatus::Ok);
    TParsedSkin s;
    ASSERT_TRUE(s.LoadFromPackage(reader));
    names.insert(s.SkinName);
  }
  EXPECT_EQ(names.size(), std::size(files));
}

// Every value of the description that names a ".bmp" is a member, and every
// member is either the description or named by it: art and description
// cannot drift apart. Then the parsed elements have the shapes the painters
// assume.
TEST_F(SkinPackages, DescriptionAndArtAgree) {
  for (const char* file : {"default.skn", "mxskin29.SKN"}) {
    SCOPED_TRACE(file);
    TSkinReader reader;
    ASSERT_EQ(LoadFile(reader, file), TSkinLoadStatus::Ok);
    vcl::TMemoryStream description;
    std::string ini_name;
    reader.ExtractMemberLike(".ini", description, ini_name);
    ASSERT_EQ(ini_name, "skin.ini");
    TQuickIni ini;
    ini.LoadFromStream(&description);
    std::set<std::string> named;
    for (const std::string& line : ini.Lines()) {
      size_t eq = line.find('=');
      if (eq == std::string::npos || !line.ends_with(".bmp")) continue;
      std::string member = line.substr(eq + 1);
      vcl::TMemoryStream bytes;
      reader.ExtractMember(member, bytes);
      EXPECT_GT(bytes.Size(), 0) << member;
      named.insert(member);
    }
    EXPECT_EQ(named.size() + 1, static_cast<size_t>(reader.MemberCount()));

    TParsedSkin s;
    ASSERT_TRUE(s.LoadFromPackage(reader));
    struct Row {
      const char* what;
      const TDataSkinObject* e;
      int frames, frame_width, frame_height;
      bool stacked;
    };
    const Row rows[] = {
        {"Left", s.Left.get(), 2, 4, 60, false},
        {"Top", s.Top.get(), 2, 96, 22, true},
        {"Bottom", s.Bottom.get(), 2, 96, 4, true},
        {"MenuBar", s.MenuBar.get(), 2, 48, 19, true},
        {"close", s.SysButtons[0].get(), 4, 16, 14, false},
        {"minimise", s.SysButtons[2].get(), 4, 16, 14, false},
        {"MenuItem", s.MenuItem.get(), 5, 40, 18, false},
        {"Buttons", s.Buttons.get(), 5, 40, 22, false},
        {"Scrollbar", s.ScrollBar.get(), 23, 16, 16, false},
        {"HorzScroll", s.HorzScroll.get(), 4, 16, 16, false},
        {"VertScrollThumb", s.VertScrollThumb.get(), 3, 16, 16, false},
        {"StatusBarEdges", s.StatusBarEdges.get(), 3, 20, 20, false},
        {"Progress", s.Progress.get(), 2, 20, 16, false},
        {"ExtraImages", s.ExtraImages.get(), 5, 16, 16, false},
        {"Tabs", s.Tabs.get(), 5, 40, 21, false},
        // the combo composite
        {"SunkEdge", s.SunkEdge.get(), 4, 50, 21, false},
    };
    for (const Row& r : rows) {
      SCOPED_TRACE(r.what);
      ASSERT_NE(r.e, nullptr);
      EXPECT_EQ(r.e->Frame, r.frames);
      EXPECT_EQ(r.e->Bitmap.Width(), r.stacked ? r.frame_width : r.frames * r.frame_width);
      EXPECT_EQ(r.e->Bitmap.Height(), r.stacked ? r.frames * r.frame_height : r.frame_height);
      EXPECT_EQ(r.e->Bitmap.PixelFormat(), vcl::pf24bit);
    }
    ASSERT_NE(s.ComboArrow, nullptr);
    EXPECT_EQ(s.ComboArrow->Bitmap.Width(), 4 * 17);
    // Close, maximise, minimise, restore and the three of a maximised child window.
    EXPECT_EQ(s.SysButtons.size(), 7u);
    EXPECT_EQ(s.Buttons->CheckButtonFrame, 4);
    EXPECT_EQ(s.Buttons->RadioButtonFrame, 4);
    for (const TDataSkinBorder* b : {s.Left.get(), s.Right.get(), s.Top.get(), s.Bottom.get()})
      EXPECT_EQ(b->Trans, 0);
    EXPECT_EQ(s.Title->TextRightClip(), 64);
    EXPECT_NE(s.Title->ActiveText, kSkinNoColour);
    // No track sections: the program's own grooves.
    EXPECT_EQ(s.Track->Bitmap.Width(), 16);
  }
}
