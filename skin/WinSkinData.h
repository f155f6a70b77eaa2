#pragma once
// The parsed skin: element records built from a package's description and
// bitmaps. An element holds its state images ("frames") side by side, or
// stacked for the frame's top and bottom, the menu bar and the title's text
// back; its four widths are the fixed edges of the nine-part layout.
//
// Everything comes from a package and is checked after loading: frame counts
// are at least 1 and no larger than the image, edges lie within one frame,
// every bitmap is capped in size, and one load decodes each member once and
// stays within a budget of pixels however often the description names it.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace skin {

class TSkinReader;
class TQuickIni;

// Caps on one image and on the decoded pixels of one load.
inline constexpr int kSkinMaxImageSide = 4096;
inline constexpr int64_t kSkinLoadPixelBudget = int64_t{32} << 20;
// "Not given" for the title's text colours.
inline constexpr vcl::TColor kSkinNoColour = 0x1FFFFFFF;

class TDataSkinObject {
 public:
  explicit TDataSkinObject(std::string name = {}) : Name(std::move(name)) {}
  virtual ~TDataSkinObject() = default;
  TDataSkinObject(const TDataSkinObject&) = delete;
  TDataSkinObject& operator=(const TDataSkinObject&) = delete;

  int LeftWidth = 0;
  int TopHeight = 0;
  int RightWidth = 0;
  int BottomHeight = 0;
  vcl::TBitmap Bitmap;
  int Trans = 0;
  int Tile = 0;
  std::string Name;
  int Frame = 0;
  int Style = 0;
  int NormalColour = -1;
  int MouseOverColour = -1;
  int PressedColour = -1;
  vcl::TColor NormalColour2 = vcl::clBtnText;
  vcl::TColor MouseOverColour2 = vcl::clBtnText;
  vcl::TColor PressedColour2 = vcl::clBtnText;
};

class TDataSkinBorder : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  vcl::TBitmap Bitmap2;
};

// The title keeps its text placement in the edge slots.
class TDataSkinTitle : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int TextShift() const { return LeftWidth; }
  int TextShiftVert() const { return TopHeight; }
  int TextRightClip() const { return RightWidth; }

  int TextAlignment = 0;
  int Textbackground = 0;
  int FontHeight = 14;
  int TXTBackleft = 0;
  int TXTBackRight = 0;
  vcl::TColor ActiveText = kSkinNoColour;
  vcl::TColor InActiveText = kSkinNoColour;
};

class TDataSkinButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  vcl::TBitmap CheckBitmap;
  vcl::TBitmap RadioBitmap;
  int RadioButtonFrame = 0;
  int CheckButtonFrame = 0;
  // Whether the description gave NormalColour2, MouseOverColour2, PressedColour2.
  uint8_t HasNormalColour2 = 0;
  uint8_t HasMouseOverColour2 = 0;
  uint8_t HasPressedColour2 = 0;
};

// A caption button and the rule that places and shows it.
class TDataSkinSysButton : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int Action = 0;
  int Align = 0;
  int Xcoord = 0;
  int Ycoord = 0;
  int CombineOp = -1;
  int Visibility = 0;
  int Visibility1 = 0;
};

class TDataSkinBoxLabel : public TDataSkinObject {
 public:
  using TDataSkinObject::TDataSkinObject;
  int BackgroundLeftShift = 0;
  int BackgroundRightShift = 0;
  int BackgroundAlignment = 0;
};

// Owns a solid brush handle.
class TSkinBrush {
 public:
  TSkinBrush() = default;
  ~TSkinBrush() { Reset(nullptr); }
  TSkinBrush(const TSkinBrush&) = delete;
  TSkinBrush& operator=(const TSkinBrush&) = delete;
  TSkinBrush(TSkinBrush&& other) noexcept : brush_(other.brush_) { other.brush_ = nullptr; }
  TSkinBrush& operator=(TSkinBrush&& other) noexcept {
    Reset(other.brush_);
    other.brush_ = nullptr;
    return *this;
  }
  plat::HBRUSH Handle() const { return brush_; }
  void Reset(plat::HBRUSH brush);

 private:
  plat::HBRUSH brush_ = nullptr;
};

class TParsedSkin {
 public:
  TParsedSkin();
  ~TParsedSkin();
  TParsedSkin(const TParsedSkin&) = delete;
  TParsedSkin& operator=(const TParsedSkin&) = delete;
  TParsedSkin(TParsedSkin&&) noexcept;
  TParsedSkin& operator=(TParsedSkin&&) noexcept;

  // Reads the package's description (its first member whose name contains
  // ".ini") and every image it names. False, with this skin unchanged, when
  // the package holds no description; otherwise the whole skin is replaced.
  bool LoadFromPackage(const TSkinReader& reader);
  // The same from a parsed description; images come from `reader`.
  void LoadDescription(const TQuickIni& ini, const TSkinReader& reader);

  std::string SkinName;
  std::unique_ptr<TDataSkinBorder> Left, Right, Top, Bottom;
  std::unique_ptr<TDataSkinTitle> Title;
  std::unique_ptr<TDataSkinButton> Buttons;
  // Caption buttons; the last three are the child-window buttons.
  std::vector<std::unique_ptr<TDataSkinSysButton>> SysButtons;

  std::unique_ptr<TDataSkinBorder> Tabs, UpDownHorz, UpDownVert, ComboButton, Progress;
  std::unique_ptr<TDataSkinObject> SunkEdge, ExtraImages, ComboArrow, GroupBoxEdge, Toolbar, ToolBars,
      ProgressChunk, StatusBarEdges, TabPane, Headerbar, MenuBar, MenuItem, MenuBackground, ScrollBar,
      HorzScroll, VertScroll, HorzScrollThumb, VertScrollThumb, TrackThumbHorz, TrackThumbVert, Track,
      TrackVert, TrackThumbLeft, TrackThumbRight, TrackThumbUp, TrackThumbDown;
  std::unique_ptr<TDataSkinBoxLabel> GroupBox;

  vcl::TColor WindowText = vcl::clWindowText;
  vcl::TColor TitleTextActive = vcl::clCaptionText;
  vcl::TColor TitleTextNoActive = vcl::clInactiveCaptionText;
  vcl::TColor ButtonFace = vcl::clBtnFace;
  vcl::TColor ButtonText = vcl::clBtnText;
  vcl::TColor ButtonHilight = vcl::clBtnHighlight;
  vcl::TColor ButtonLight = vcl::clBtnHighlight;
  vcl::TColor ButtonShadow = vcl::clBtnShadow;
  vcl::TColor ButtonDkShadow = vcl::cl3DDkShadow;
  vcl::TColor HilightText = vcl::clHighlightText;
  vcl::TColor Hilight = vcl::clHighlight;
  vcl::TColor MenuBarColour = vcl::clBtnFace;
  vcl::TColor MenuBarText = vcl::clMenuText;
  vcl::TColor MenuText = vcl::clMenuText;
  vcl::TColor MenuColour = vcl::clMenu;
  vcl::TColor MenuBarBackground = vcl::clBtnFace;
  vcl::TColor ScrollBarColour = vcl::clScrollBar;
  std::vector<vcl::TColor> ExtraColours;
  std::array<vcl::TColor, 10> CustomColours;

  TSkinBrush FaceBrush;
};

}  // namespace skin
