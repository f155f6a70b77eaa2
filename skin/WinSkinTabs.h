#pragma once
// Skinned tab controls: the tab strip drawn from the skin's `Tabs` element
// (frame 1 a tab, frame 2 the tab that has the focus) on the face colour,
// and the display area from the element's second image (or, for `Tabs`
// style 1, from `Tab.Pane`). Tabs along the left or right edge are drawn
// lying in a horizontal strip that is turned before it is copied; tabs at
// the bottom hang from a flipped image. The tab control's scroll arrows are
// skinned by an up-down companion of their own, found by their window
// whenever they are needed.
//
// A page control whose Tag is 7777 and whose tabs are at the top shows a
// boxed cross on each tab; a click on it asks the skinned window
// (SKM_TABCLOSE) and frees the page when the answer is 0. Main thread only.
#include <vector>

#include "platform/vcl/GraphicsBitmap.h"
#include "skin/WinSubClass.h"

namespace skin {

// The Tag that gives a page control's tabs close marks.
inline constexpr int kSkinTabCloseTag = 7777;

class TSkinTab : public TSkinControl {
 public:
  explicit TSkinTab(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                    vcl::TCanvas* canvas) override;
  void RefreshSkin() override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  // 0 top, 1 bottom, 2 left, 3 right, from a tab control's style.
  static int TabSideOfStyle(plat::DWORD style);
  // Where the tab at `tab` (control coordinates) lies in the strip bitmap of
  // a control of `rect` whose display area is `pane`; the strip bitmap is
  // `strip_width` wide (for the sides, the control's height).
  static vcl::TRect StripTabRect(int side, const vcl::TRect& tab, const vcl::TRect& rect,
                                 const vcl::TRect& pane, int strip_width);

  // The close marks of the last paint, one per tab.
  std::vector<vcl::TRect> CloseRects;
  int TabSide = 0;
  vcl::TBitmap TabImage;
  vcl::TBitmap PaneImage;
  vcl::TBitmap StripBitmap;
  bool ShowCloseButtons = false;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;

 private:
  void AttachParts();
  void PrepareImages();
  bool HasTabImage() const;
  // The arrows child (skinned on the way) and whether it shows.
  plat::HWND ScrollArrows(bool* visible);
  bool CloseMarkClicked(vcl::TMessage& message);
};

// The older tab set: its tabs, laid out by the tab set itself, drawn from
// the skin's `Tabs` element turned upside down (the tabs hang from the top
// edge), the chosen tab in frame 2.
class TSkinTab31 : public TSkinControl {
 public:
  explicit TSkinTab31(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void RefreshSkin() override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  vcl::TBitmap TabImage;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;

 private:
  void PrepareImage();
};

// A page control that takes its tab pictures through the bitmap properties
// "TabBackGround" and "TabBackGroundActive": they get the skin's `Tabs`
// frames 1 and 2 at 100 x 21 pixels while the skin is on (PageKind 4), and
// are emptied when it comes off. Its scroll arrows are skinned as a tab
// control's are.
class TSkinAdvPage : public TSkinControl {
 public:
  explicit TSkinAdvPage(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void RefreshSkin() override;
  void Unskin() override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  int PageKind = 0;

 private:
  void Apply();
};

}  // namespace skin
