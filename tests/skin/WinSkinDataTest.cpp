// The description's dialect and value conventions, and the loader that turns
// a package's description and bitmaps into skin elements: parsed values,
// elements, frame counts and the repairs of hostile values, as tables.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/vcl/Graphics.h"
#include "resources/ProgramResources.h"
#include "skin/SkinDraw.h"
#include "skin/SkinPackageFixtures.h"
#include "skin/SkinReader.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinIni.h"

using namespace skin;
using skin_test::Member;

namespace {

vcl::TColor Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

// A 24-bit BMP member of one colour, with single pixels set after filling.
std::string Bmp(int width, int height, vcl::TColor fill = vcl::clSilver,
                const std::vector<std::tuple<int, int, vcl::TColor>>& dots = {},
                vcl::TPixelFormat format = vcl::pf24bit) {
  vcl::TBitmap bitmap;
  bitmap.SetPixelFormat(format);
  bitmap.SetSize(width, height);
  bitmap.Canvas()->Brush()->SetColor(fill);
  bitmap.Canvas()->FillRect(vcl::Rect(0, 0, width, height));
  for (auto [x, y, c] : dots) bitmap.Canvas()->SetPixels(x, y, c);
  vcl::TMemoryStream out;
  bitmap.SaveToStream(out);
  return std::string(reinterpret_cast<const char*>(out.Memory()), static_cast<size_t>(out.Size()));
}

// A package of the description and the members, read by the program's reader.
void LoadReader(TSkinReader& reader, const std::string& description, std::vector<Member> members,
                const char* description_name = "skin.ini") {
  if (description_name) members.insert(members.begin(), Member{description_name, description});
  std::vector<uint8_t> package = skinpack::LzhCompress(skin_test::Container(members));
  vcl::TMemoryStream stream;
  stream.WriteBuffer(package.data(), static_cast<int64_t>(package.size()));
  ASSERT_EQ(reader.Load(stream), TSkinLoadStatus::Ok);
}

TParsedSkin Parse(const std::string& description, std::vector<Member> members = {}) {
  TSkinReader reader;
  LoadReader(reader, description, std::move(members));
  TParsedSkin skin;
  EXPECT_TRUE(skin.LoadFromPackage(reader));
  return skin;
}

TQuickIni Ini(const std::string& text) {
  TQuickIni ini;
  ini.LoadFromText(text);
  return ini;
}

// Every optional element by its section's name, for tables.
const TDataSkinObject* ElementOf(const TParsedSkin& s, const std::string& name) {
  const std::map<std::string, const TDataSkinObject*> all = {
      {"Left", s.Left.get()},
      {"Top", s.Top.get()},
      {"Title", s.Title.get()},
      {"Buttons", s.Buttons.get()},
      {"Progress", s.Progress.get()},
      {"Progress.Chunk", s.ProgressChunk.get()},
      {"MenuBar", s.MenuBar.get()},
      {"GroupBox", s.GroupBox.get()},
      {"GroupBoxEdge", s.GroupBoxEdge.get()},
      {"Tabs", s.Tabs.get()},
      {"Tab.Pane", s.TabPane.get()},
      {"ToolBars", s.ToolBars.get()},
      {"StatusBarEdges", s.StatusBarEdges.get()},
      {"ComboButton", s.ComboButton.get()},
      {"SunkEdge", s.SunkEdge.get()},
      {"ExtraImages", s.ExtraImages.get()},
      {"Headerbar", s.Headerbar.get()},
      {"MenuItem", s.MenuItem.get()},
      {"MenuBackground", s.MenuBackground.get()},
      {"Scrollbar", s.ScrollBar.get()},
      {"HorzScroll", s.HorzScroll.get()},
      {"HorzScrollThumb", s.HorzScrollThumb.get()},
      {"Trackbar.ThumbUp", s.TrackThumbUp.get()},
      {"UpDown.Horz", s.UpDownHorz.get()},
      {"Track", s.Track.get()},
      {"TRACKVERT", s.TrackVert.get()},
  };
  return all.at(name);
}

}  // namespace

TEST(SkinIni, IntegersConvertAsDecimalOrHexadecimal) {
  const std::vector<std::pair<std::string, int>> cases = {
      {"0x1F", 31},      {"$1F", 31},         {"31", 31},          {"0X1f", 31}, {"0x", -77},
      {"$FFFFFFFF", -1}, {"$100000000", -77}, {"2147483648", -77}, {"-5", -5},   {"+5", 5},
      {"1e3", -77},      {"0x-1", -77},       {"2 ; two", -77},    {"", -77},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(Ini("[S]\r\nK=" + text + "\r\n").ReadInteger("S", "K", -77), expected);
  }
}

TEST(SkinIni, FirstSectionAndFirstKeyWinAndOnlyLeadingSemicolonsComment) {
  TQuickIni ini =
      Ini("  ; a comment\r\n\r\n[MENUITEM]\nIMAGE = mi.bmp\rImage=other.bmp\r\n"
          "[A]\nk=first\nEmpty=\n[a]\nk=second\nonly=in second\n"
          "[ Colour1 ]\ncolor=1 2 3\n[Last]\nk=before\0k=after");
  struct Case {
    const char *section, *key, *expected;
  };
  const Case cases[] = {
      {"MenuItem", "image", "mi.bmp"},  // names ignore case; the first key wins
      {"A", "K", "first"},              // the first section of a name wins ...
      {"a", "only", "dflt"},            // ... and its keys only are seen
      {"A", "Empty", "dflt"},           // an empty value keeps the default
      {"Colour1", "color", "dflt"},     // headers compare as written, padding and all
      {" Colour1 ", "color", "1 2 3"},
      {"Last", "k", "before"},  // a NUL ends the text
      {"Missing", "k", "dflt"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    EXPECT_EQ(ini.ReadString(c.section, c.key, "dflt"), c.expected);
  }
  EXPECT_EQ(ini.ReadSections(), (std::vector<std::string>{"MENUITEM", "A", "a", "Colour1", "Last"}));
  EXPECT_EQ(ini.Lines().front(), "[MENUITEM]");
}

TEST(SkinIni, ColourTextsFillChannelsInTurn) {
  const std::vector<std::pair<std::string, vcl::TColor>> cases = {
      {"200, 200, 200", Rgb(200, 200, 200)},
      {"200 200 200", Rgb(200, 200, 200)},
      {"255 , 128 , 0", Rgb(255, 128, 0)},
      {"300,0,0", Rgb(44, 0, 0)},
      {"0,0,256", Rgb(0, 0, 0)},
      {"99999999999,5,6", Rgb(0, 0, 0)},  // a run too large blocks every later channel
      {"5,99999999999,6", Rgb(5, 0, 0)},
      {"2147483647,1,2", Rgb(255, 1, 2)},  // the largest run still counts
      {"r=10 g=20 b=30", Rgb(10, 20, 30)},
      {"10;20;30", Rgb(10, 20, 30)},
      {"7", Rgb(0, 0, 0)},  // a number nothing ends is no channel
      {"7,8", Rgb(7, 0, 0)},
      {"7,8,", Rgb(7, 8, 0)},
      {"1,2,", Rgb(1, 2, 0)},            // nothing pending: no blue, no error
      {"12,34,56,78", Rgb(12, 34, 56)},  // a fourth number is never stored
      {"12,34,56,78,90,", Rgb(12, 34, 56)},
      {"abc", Rgb(0, 0, 0)},
  };
  for (const auto& [text, expected] : cases) {
    SCOPED_TRACE(text);
    EXPECT_EQ(SkinColourText(text), expected);
  }
  TQuickIni ini = Ini("[C]\nEmpty=\nFull=1 2 3\nAR=255\nAG=255\nAB=255\nBR=1\nBG=-1\nBB=1\nCR=1\nCG=2\n");
  EXPECT_EQ(ini.ReadColour("C", "Empty", vcl::clBtnFace), vcl::clBtnFace);
  EXPECT_EQ(ini.ReadColour("C", "Full", vcl::clBtnFace), Rgb(1, 2, 3));
  EXPECT_EQ(ini.ReadColourTriple("C", "A", kSkinNoColour), Rgb(255, 255, 255));
  EXPECT_EQ(ini.ReadColourTriple("C", "B", kSkinNoColour), kSkinNoColour);
  EXPECT_EQ(ini.ReadColourTriple("C", "C", kSkinNoColour), kSkinNoColour);
}

class SkinDescription : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterProgramResources(); }
};

TEST_F(SkinDescription, BordersReadTheirEdgesFramesAndSwitches) {
  TParsedSkin s = Parse(
      "[TitlebarSkin]\r\nSkinName=Tiny\r\n[Personality]\r\n"
      "Left=skins\\left.bmp\r\nLeftTopHeight=22\r\nLeftBotHeight=4\r\nLeftFrame=2\r\n"
      "Top=c:top.bmp\r\nTopTopHeight=24\r\nTopBotHeight=24\r\nTopStretch=5\r\nTopTrans=0\r\n"
      "Right=right.BMP\r\nRightFrame=0\r\nBottom=bottom.bmp\r\nBottomFrame=-3\r\n",
      {{"left.bmp", Bmp(8, 60)}, {"top.bmp", Bmp(96, 44)}, {"right.bmp", Bmp(8, 60)}});
  EXPECT_EQ(s.SkinName, "Tiny");
  struct Row {
    const TDataSkinBorder* e;
    int left, top, right, bottom, frame, tile, trans, width;
  };
  const Row rows[] = {
      {s.Left.get(), 0, 22, 0, 4, 2, 1, 1, 8},
      {s.Top.get(), 24, 0, 24, 0, 1, 1, 0, 96},
      // ".BMP" is not ".bmp": the image stays empty; a count of 0 becomes 1
      {s.Right.get(), 0, 0, 0, 0, 1, 1, 1, 0},
      {s.Bottom.get(), 0, 0, 0, 0, 1, 1, 1, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.e->Name);
    EXPECT_EQ(r.e->LeftWidth, r.left);
    EXPECT_EQ(r.e->TopHeight, r.top);
    EXPECT_EQ(r.e->RightWidth, r.right);
    EXPECT_EQ(r.e->BottomHeight, r.bottom);
    EXPECT_EQ(r.e->Frame, r.frame);
    EXPECT_EQ(r.e->Tile, r.tile);
    EXPECT_EQ(r.e->Trans, r.trans);
    EXPECT_EQ(r.e->Bitmap.Width(), r.width);
  }
}

TEST_F(SkinDescription, ColoursExtraColoursAndMenuBarBackground) {
  // The menu bar background is the top border's pixel at a third of one frame.
  TParsedSkin s = Parse(
      "[Colours]\nButtonFace=10 20 30\nMenu=1 2 3\nMenuText=oops\n"
      "[Colour1]\ncolor=9 9 9\n[COLOURS]\n[colour.x]\n[Customcolors]\nColor3=4 5 6\n"
      "[Personality]\nTop=top.bmp\nTopFrame=2\n",
      {{"top.bmp", Bmp(96, 44, vcl::clSilver, {{32, 7, Rgb(40, 60, 110)}})}});
  EXPECT_EQ(s.ButtonFace, Rgb(10, 20, 30));
  EXPECT_EQ(s.MenuBarColour, Rgb(10, 20, 30));  // defaults to the face just read
  EXPECT_EQ(s.MenuColour, Rgb(1, 2, 3));
  EXPECT_EQ(s.MenuText, Rgb(0, 0, 0));
  EXPECT_EQ(s.WindowText, vcl::clWindowText);
  EXPECT_EQ(s.ExtraColours, (std::vector<vcl::TColor>{Rgb(9, 9, 9), vcl::clWindowText}));
  EXPECT_EQ(s.CustomColours[3], Rgb(4, 5, 6));
  EXPECT_EQ(s.CustomColours[4], vcl::clWhite);
  EXPECT_EQ(s.MenuBarBackground, Rgb(40, 60, 110));
  EXPECT_EQ(Parse("[Colours]\nButtonFace=1 1 1\n").MenuBarBackground, Rgb(1, 1, 1));
  EXPECT_NE(s.FaceBrush.Handle(), nullptr);
}

TEST_F(SkinDescription, CaptionButtonsKeepTheirRuleFieldsAndCountFrames) {
  TParsedSkin s = Parse(
      "[ButtonClose]\nAction=0\nButtonImage=b380.bmp\nXcoord=22\nYcoord=4\nAlign=1\n"
      "[ButtonMax]\nAction=1\nButtonImage=b400.bmp\n"
      "[ButtonMin]\nAction=2\nButtonImage=b64.bmp\n"
      "[ButtonOwn]\nAction=2\nButtonImage=b64.bmp\nframe=4\n"
      "[ButtonNeg]\nAction=2\nButtonImage=b380.bmp\nframe=-2\n"
      "[ButtonGone]\nAction=-1\n"
      "[ButtonKept]\nAction=-1\nVisibility=0\nButtonImage=b380.bmp\n"
      "[ButtonIcon]\nAction=3\nButtonImage=b380.bmp\n"
      "[ButtonIconOwn]\nAction=11\nButtonImage=b380.bmp\nframe=3\n"
      "[Buttons]\n[Button]\n[Button.Radio]\n[BUTTON.CHECKBOX]\n"
      "[MDICONTROLS]\nImage=mdi.bmp\n",
      {{"b380.bmp", Bmp(380, 100)},
       {"b400.bmp", Bmp(400, 100)},
       {"b64.bmp", Bmp(64, 14)},
       {"mdi.bmp", Bmp(120, 14)}});
  struct Row {
    const char* name;
    int action, frame, visibility1, width;
  };
  const Row rows[] = {
      {"BUTTONCLOSE", 0, 3, 0, 380},  {"BUTTONMAX", 1, 6, 0, 400},      {"BUTTONMIN", 2, 6, 0, 64},
      {"BUTTONOWN", 2, 4, 0, 64},     {"BUTTONNEG", 2, 3, 0, 380},      {"BUTTONKEPT", -1, 6, -1, 380},
      {"BUTTONICON", 3, 3, 0, 0},     {"BUTTONICONOWN", 11, 3, 0, 380}, {"MDICONTROLS", 7, 4, 100, 40},
      {"MDICONTROLS", 8, 4, 100, 40}, {"MDICONTROLS", 9, 4, 100, 40},
  };
  ASSERT_EQ(s.SysButtons.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    const TDataSkinSysButton& b = *s.SysButtons[i];
    EXPECT_EQ(b.Name, rows[i].name);
    EXPECT_EQ(b.Action, rows[i].action);
    EXPECT_EQ(b.Frame, rows[i].frame);
    EXPECT_EQ(b.Visibility1, rows[i].visibility1);
    EXPECT_EQ(b.Bitmap.Width(), rows[i].width);
  }
  EXPECT_EQ(s.SysButtons[0]->Xcoord, 22);
  EXPECT_EQ(s.SysButtons[0]->Align, 1);
  EXPECT_EQ(s.SysButtons[0]->CombineOp, -1);
  const size_t mdi = std::size(rows) - 3;
  EXPECT_EQ(s.SysButtons[mdi]->Xcoord, 42);
  EXPECT_EQ(s.SysButtons[mdi + 1]->Xcoord, 28);
  EXPECT_EQ(s.SysButtons[mdi + 2]->Xcoord, 14);
  EXPECT_EQ(s.SysButtons[mdi]->Align, 100);
}

TEST_F(SkinDescription, ChildButtonsCutTheirFramesFromOneStrip) {
  // Pixel 40k + 1 of the strip marks button k's first column.
  TParsedSkin s = Parse(
      "[MDICONTROLS]\nImage=mdi.bmp\n",
      {{"mdi.bmp",
        Bmp(120, 14, vcl::clSilver, {{1, 0, Rgb(1, 0, 0)}, {41, 0, Rgb(2, 0, 0)}, {81, 0, Rgb(3, 0, 0)}})}});
  ASSERT_EQ(s.SysButtons.size(), 3u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(s.SysButtons[k]->Bitmap.Canvas()->Pixels(1, 0), Rgb(k + 1, 0, 0));
  // Without the strip the three buttons are there, without images.
  TParsedSkin bare = Parse("");
  ASSERT_EQ(bare.SysButtons.size(), 3u);
  EXPECT_TRUE(bare.SysButtons[0]->Bitmap.Empty());
}

TEST_F(SkinDescription, ElementsGetTheirFixedFrameCounts) {
  std::string d;
  std::vector<Member> m = {{"e.bmp", Bmp(400, 60)}, {"small.bmp", Bmp(10, 10)}};
  for (const char* section : {"Progress.Chunk", "GroupBoxEdge", "GroupBox", "Tabs", "Tab.Pane", "ToolBars",
                              "StatusBarEdges", "ComboButton", "SunkEdge", "ExtraImages", "MenuItem",
                              "MenuBackground", "Scrollbar", "HorzScroll", "Trackbar.ThumbUp", "UpDown.Horz"})
    d += std::string("[") + section + "]\nImage=e.bmp\nFrame=7\nLeftWidth=9\n";
  d += "[Headerbar]\nImage=e.bmp\nFrame=3\n[HorzScrollThumb]\nImage=e.bmp\nFrameCount=2\n"
       "[Progress]\nBitmap=e.bmp\nStyle=0\n[Personality]\nmenuBar=e.bmp\nTextBack=e.bmp\n"
       "[Buttons]\nBitmap=e.bmp\nRadioButton=radio.bmp\nCheckButton=check.bmp\n"
       "[Track]\nImage=small.bmp\nFrame=0\n";
  m.push_back({"radio.bmp", Bmp(52, 13)});
  m.push_back({"check.bmp", Bmp(64, 16)});
  TParsedSkin s = Parse(d, m);
  const std::vector<std::pair<std::string, int>> frames = {
      {"Title", 2},      {"Progress", 2},       {"MenuBar", 2},        {"GroupBoxEdge", 2},
      {"Tab.Pane", 1},   {"GroupBox", 1},       {"MenuBackground", 1}, {"ToolBars", 5},
      {"Tabs", 5},       {"ExtraImages", 5},    {"MenuItem", 5},       {"Trackbar.ThumbUp", 5},
      {"Headerbar", 3},  {"StatusBarEdges", 3}, {"ComboButton", 4},    {"SunkEdge", 4},
      {"HorzScroll", 4}, {"Scrollbar", 23},     {"UpDown.Horz", 8},    {"HorzScrollThumb", 2},
      {"Buttons", 5},    {"Progress.Chunk", 7}, {"Track", 1},
  };
  for (const auto& [name, count] : frames) {
    SCOPED_TRACE(name);
    const TDataSkinObject* e = ElementOf(s, name);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->Frame, count);
  }
  EXPECT_EQ(s.TabPane->LeftWidth, 4);  // the pane's edges are at most 4
  EXPECT_EQ(s.Buttons->RadioButtonFrame, 4);
  EXPECT_EQ(s.Buttons->CheckButtonFrame, 4);
  EXPECT_EQ(Parse("[Headerbar]\nImage=e.bmp\n", {{"e.bmp", Bmp(400, 60)}}).Headerbar->Frame, 5);
}

TEST_F(SkinDescription, ElementsWithoutAnImageAreAbsentAndTracksFallBack) {
  TParsedSkin s = Parse("[MenuItem]\nImage=\nLeftWidth=3\n[Scrollbar]\nImage=missing.bmp\n");
  EXPECT_EQ(s.MenuItem, nullptr);
  ASSERT_NE(s.ScrollBar, nullptr);  // named but missing: there, with an empty image
  EXPECT_TRUE(s.ScrollBar->Bitmap.Empty());
  EXPECT_EQ(s.Progress, nullptr);
  EXPECT_EQ(s.MenuBar, nullptr);
  struct Row {
    const TDataSkinObject* e;
    int width, height;
  };
  for (const Row& r : {Row{s.Track.get(), 16, 4}, Row{s.TrackVert.get(), 4, 16}}) {
    ASSERT_NE(r.e, nullptr);
    EXPECT_EQ(r.e->Bitmap.Width(), r.width);
    EXPECT_EQ(r.e->Bitmap.Height(), r.height);
    EXPECT_EQ(r.e->LeftWidth, 3);
    EXPECT_EQ(r.e->BottomHeight, 3);
    EXPECT_EQ(r.e->Tile, 0);
    EXPECT_EQ(r.e->Frame, 1);
  }
}

TEST_F(SkinDescription, HostileCountsAndEdgesAreBroughtIntoRange) {
  struct Row {
    const char* description;
    std::function<void(const TParsedSkin&)> check;
  };
  const std::vector<Member> m = {{"e.bmp", Bmp(40, 20)}, {"back.bmp", Bmp(20, 40)}, {"bar.bmp", Bmp(48, 38)}};
  const std::vector<Row> rows = {
      {"[Personality]\nLeft=e.bmp\nLeftFrame=0\nLeftTopHeight=-5\nLeftBotHeight=99\n",
       [](const TParsedSkin& s) {
         EXPECT_EQ(s.Left->Frame, 1);
         EXPECT_EQ(s.Left->TopHeight, 0);
         EXPECT_EQ(s.Left->BottomHeight, 20);
       }},
      {"[Personality]\nLeft=e.bmp\nLeftFrame=1000\n",
       [](const TParsedSkin& s) { EXPECT_EQ(s.Left->Frame, 40); }},
      {"[Headerbar]\nImage=e.bmp\nFrame=-1\nLeftWidth=100\nRightWidth=-1\n",
       [](const TParsedSkin& s) {
         EXPECT_EQ(s.Headerbar->Frame, 1);
         EXPECT_EQ(s.Headerbar->LeftWidth, 40);
         EXPECT_EQ(s.Headerbar->RightWidth, 0);
       }},
      {"[MenuItem]\nImage=e.bmp\nFrame=9\nLeftWidth=30\n",
       [](const TParsedSkin& s) {
         EXPECT_EQ(s.MenuItem->Frame, 5);
         EXPECT_EQ(s.MenuItem->LeftWidth, 8);  // one frame of 40 / 5
       }},
      {"[Personality]\nTextBack=back.bmp\nTXTBackleft=500\nTXTBackRight=-4\nTextShift=-8\n",
       [](const TParsedSkin& s) {
         EXPECT_EQ(s.Title->TXTBackleft, 20);
         EXPECT_EQ(s.Title->TXTBackRight, 0);
         EXPECT_EQ(s.Title->TextShift(), -8);  // placement, not an edge
       }},
      {"[Personality]\nmenuBar=bar.bmp\nTileMenu=0\nTileLeftMenu=40\nTileRightMenu=400\n",
       [](const TParsedSkin& s) {
         EXPECT_EQ(s.MenuBar->Tile, 0);
         EXPECT_EQ(s.MenuBar->LeftWidth, 40);
         EXPECT_EQ(s.MenuBar->RightWidth, 48);
       }},
      {"[HorzScrollThumb]\nImage=e.bmp\nFrameCount=0\n",
       [](const TParsedSkin& s) { EXPECT_EQ(s.HorzScrollThumb->Frame, 1); }},
      {"[Buttons]\nRadioButton=e.bmp\nRadioButtonFrame=-3\nCheckButtonFrame=500\nCheckButton=e.bmp\n",
       [](const TParsedSkin& s) {
         EXPECT_EQ(s.Buttons->RadioButtonFrame, 4);
         EXPECT_EQ(s.Buttons->CheckButtonFrame, 40);
       }},
      {"[ButtonX]\nAction=1\nButtonImage=e.bmp\nframe=-7\n",
       [](const TParsedSkin& s) { EXPECT_EQ(s.SysButtons[0]->Frame, 3); }},
      {"[SunkEdge]\nImage=e.bmp\n", [](const TParsedSkin& s) { EXPECT_EQ(s.ComboButton, nullptr); }},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.description);
    r.check(Parse(r.description, m));
  }
}

TEST_F(SkinDescription, OneLoadDecodesWithinItsPixelBudget) {
  // Thousands of caption sections naming one large member: each copy counts
  // against the load's budget, and the copies past it stay empty.
  std::string d;
  for (int i = 0; i < 3000; ++i) d += "[Button" + std::to_string(i) + "]\nAction=1\nButtonImage=big.bmp\n";
  const int side = 2048;
  TParsedSkin s = Parse(d, {{"big.bmp", Bmp(side, side, vcl::clBlack, {}, vcl::pf1bit)}});
  ASSERT_EQ(s.SysButtons.size(), 3003u);
  int64_t with_image = 0;
  for (const auto& b : s.SysButtons) with_image += !b->Bitmap.Empty();
  EXPECT_EQ(with_image, kSkinLoadPixelBudget / (int64_t{side} * side));
  // Members past the side cap and damaged members are missing images.
  TParsedSkin capped = Parse("[MenuItem]\nImage=wide.bmp\n[Scrollbar]\nImage=bad.bmp\n",
                             {{"wide.bmp", Bmp(kSkinMaxImageSide + 1, 1)}, {"bad.bmp", "BM not a bitmap"}});
  EXPECT_TRUE(capped.MenuItem->Bitmap.Empty());
  EXPECT_TRUE(capped.ScrollBar->Bitmap.Empty());
}

TEST_F(SkinDescription, APackageWithoutADescriptionLeavesTheSkinAsItWas) {
  TSkinReader with;
  LoadReader(with, "[TitlebarSkin]\nSkinName=First\n", {});
  TParsedSkin s;
  ASSERT_TRUE(s.LoadFromPackage(with));
  TSkinReader without;
  LoadReader(without, "", {{"a.bmp", Bmp(2, 2)}}, nullptr);
  EXPECT_FALSE(s.LoadFromPackage(without));
  EXPECT_EQ(s.SkinName, "First");
  // The first member whose name holds ".ini" is the description.
  TSkinReader odd;
  LoadReader(odd, "",
             {{"z.INI", "[TitlebarSkin]\nSkinName=Second\n"}, {"a.ini", "[TitlebarSkin]\nSkinName=No\n"}},
             "readme.txt");
  ASSERT_TRUE(s.LoadFromPackage(odd));
  EXPECT_EQ(s.SkinName, "Second");
}

TEST_F(SkinDescription, CombosAndToolbarAreDerivedFromOtherElements) {
  // Sunken edge frames are grey levels 10k, combo button frames red 10k,
  // with a blue first column to see the mirror.
  auto strip = [](int frame_width, int red) {
    std::vector<std::tuple<int, int, vcl::TColor>> dots;
    for (int k = 0; k < 4; ++k)
      for (int y = 0; y < 21; ++y)
        for (int x = 0; x < frame_width; ++x)
          dots.emplace_back(k * frame_width + x, y,
                            red ? Rgb(10 * (k + 1), 0, 0) : Rgb(10 * (k + 1), 10 * (k + 1), 10 * (k + 1)));
    dots.emplace_back(0, 0, Rgb(0, 0, 255));
    return Bmp(frame_width * 4, 21, vcl::clSilver, dots);
  };
  const std::string combo_only =
      "[ComboButton]\nImage=combo.bmp\n[Colours]\nButtonFace=192 192 192\n"
      "[Personality]\nTop=top.bmp\nTopFrame=2\n";
  const std::vector<Member> m = {{"sunk.bmp", strip(20, 0)},
                                 {"combo.bmp", strip(18, 1)},
                                 {"top.bmp", Bmp(96, 44, vcl::clSilver, {{32, 7, Rgb(40, 60, 110)}})},
                                 {"key.bmp", Bmp(4, 2, skin::kSkinKeyColour)}};
  TParsedSkin s =
      Parse(combo_only + "[SunkEdge]\nImage=sunk.bmp\nLeftWidth=2\nRightWidth=2\nTopHeight=3\n", m);
  // The composite: 4 cells of 50 x 21, the sunken edge with the button
  // (18 px) at the right end and a key-coloured inside.
  const TDataSkinBorder& combo = *s.ComboButton;
  ASSERT_EQ(combo.Bitmap.Width(), 200);
  EXPECT_EQ(combo.Style, 2);
  EXPECT_EQ(combo.LeftWidth, 2);
  EXPECT_EQ(combo.RightWidth, 20);
  EXPECT_EQ(combo.TopHeight, 3);
  vcl::TCanvas& c = *const_cast<vcl::TBitmap&>(combo.Bitmap).Canvas();
  struct Probe {
    int x, y;
    vcl::TColor colour;
  };
  for (const Probe& p :
       {Probe{1, 10, Rgb(10, 10, 10)}, Probe{2, 2, skin::kSkinKeyColour}, Probe{30, 17, skin::kSkinKeyColour},
        Probe{31, 10, Rgb(10, 10, 10)}, Probe{40, 10, Rgb(10, 0, 0)}, Probe{90, 10, Rgb(20, 0, 0)},
        Probe{190, 10, Rgb(40, 0, 0)}, Probe{151, 1, Rgb(40, 40, 40)}}) {
    SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
    EXPECT_EQ(c.Pixels(p.x, p.y), p.colour);
  }
  // The sunken edge is the strip mirrored; the button's second image the
  // mirror of its own image.
  EXPECT_EQ(const_cast<vcl::TBitmap&>(s.SunkEdge->Bitmap).Canvas()->Pixels(199 - 190, 10), Rgb(40, 0, 0));
  EXPECT_EQ(s.SunkEdge->LeftWidth, 20);
  EXPECT_EQ(s.SunkEdge->RightWidth, 2);
  EXPECT_EQ(const_cast<vcl::TBitmap&>(combo.Bitmap2).Canvas()->Pixels(71, 0), Rgb(0, 0, 255));
  // The arrow squares come from the composite: square 1 from (31, 2).
  ASSERT_NE(s.ComboArrow, nullptr);
  EXPECT_EQ(s.ComboArrow->Name, "ComboxArrow");
  EXPECT_EQ(s.ComboArrow->Bitmap.Width(), 68);
  EXPECT_EQ(s.ComboArrow->Bitmap.Height(), 17);
  EXPECT_EQ(s.ComboArrow->Frame, 4);
  EXPECT_EQ(s.ComboArrow->Bitmap.Canvas()->Pixels(5, 5), Rgb(10, 0, 0));

  // Without a sunken edge the arrow is the button's image on the face.
  TParsedSkin alone = Parse("[ComboButton]\nImage=key.bmp\n[Colours]\nButtonFace=1 2 3\n", m);
  ASSERT_NE(alone.ComboArrow, nullptr);
  EXPECT_EQ(alone.ComboArrow->Bitmap.Canvas()->Pixels(3, 1), Rgb(1, 2, 3));
  EXPECT_EQ(alone.ComboArrow->Frame, 4);
  // A sunken edge without a combo button derives nothing.
  EXPECT_EQ(Parse("[SunkEdge]\nImage=sunk.bmp\n", m).ComboArrow, nullptr);

  // The toolbar gradient, from this skin's menu bar background.
  ASSERT_NE(s.Toolbar, nullptr);
  EXPECT_EQ(s.Toolbar->Frame, 1);
  vcl::TCanvas& bar = *s.Toolbar->Bitmap.Canvas();
  const std::vector<std::pair<int, vcl::TColor>> rows = {{0, Rgb(246, 246, 246)},
                                                         {1, Rgb(244, 245, 245)},
                                                         {19, Rgb(195, 200, 213)},
                                                         {38, Rgb(143, 153, 180)},
                                                         {39, Rgb(140, 151, 178)}};
  for (const auto& [row, colour] : rows) EXPECT_EQ(bar.Pixels(5, row), colour) << row;
}
