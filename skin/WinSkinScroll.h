#pragma once
// Skinned scroll bars. The scrolled window keeps its own bars and scrolling;
// over each bar it shows, a small window of ours (TWScrollbar) lies exactly
// on top, painted from the skin's `ScrollBar`, `HorzScroll`, `VertScroll`
// and thumb images, and a click on it is handed to the scrolled window as a
// click on its real bar, so the platform's own tracking runs.
//
// `ScrollBar` holds 23 frames: arrows left 1-4, right 5-8, up 9-12, down
// 13-16 (+0 normal, +1 pressed, +3 hover); thumb grips horizontal 17-19,
// vertical 20-22 (+0 normal, +1 pressed, +2 hover). Tracks: 1 enabled,
// 3 disabled of 4. Thumbs: 1 normal, 2 pressed, 3 hover.
//
// The overlays are children of the scrolled window's parent and are the
// companion's: a parent that goes first takes them along and the companion
// forgets them. Main thread only.
#include <memory>

#include "platform/user/ScrollBar.h"
#include "platform/vcl/ExtCtrls.h"
#include "skin/WinSubClass.h"

namespace skin {

// Parts of a bar under a point.
inline constexpr int kScrollNone = -1;
inline constexpr int kScrollFirstArrow = 0;
inline constexpr int kScrollSecondArrow = 1;
inline constexpr int kScrollPageBefore = 2;
inline constexpr int kScrollPageAfter = 3;
inline constexpr int kScrollThumb = 5;

class TWScrollbar : public vcl::TCustomPanel {
 public:
  explicit TWScrollbar(vcl::TComponent* owner);
  ~TWScrollbar() override;

  // `kind` 0 the window's horizontal bar, 1 its vertical bar.
  void BindToControl(TSkinControl* companion, vcl::TWinControl* control, int kind);
  // Shows the overlay over the bar of `handle`, or hides it when the bar is
  // not shown.
  void Place(plat::HWND handle);
  void HideBar();
  // The part under a point of the overlay.
  int HitTest(vcl::TPoint point) const;
  // The thumb's start while it is dragged `moved` pixels along the bar.
  int DragPosition(int moved) const;
  // The bar's breadth for a `ScrollBar` image `image_height` high.
  static int Breadth(int image_height, int arrow);

  int Length = 0;
  int ThumbTop = 0;
  int ThumbBottom = 0;
  vcl::TPoint BarOrigin{};
  vcl::TPoint DragStart{};
  int DragThumbTop = 0;
  bool Tracking = false;
  int Orientation = 0;
  int HotPart = kScrollNone;
  int ArrowSize = 0;
  plat::HWND TargetHandle = nullptr;
  vcl::TWinControl* TargetControl = nullptr;
  TSkinControl* Companion = nullptr;
  int Kind = 0;
  vcl::TRect BarRect{};
  bool BarVisible = false;

 protected:
  void CreateParams(TCreateParams& params) override;
  void WndProc(vcl::TMessage& message) override;
  void Paint() override;

 private:
  bool GetBarInfo(plat::SCROLLBARINFO& info) const;
  void ButtonDown(vcl::TMessage& message);
  void ButtonUp(vcl::TMessage& message);
  plat::WPARAM HitCode() const;

  // Lives as long as the overlay; a click's handling holds a copy across the
  // scrolled window's tracking, which may free the overlay.
  std::shared_ptr<bool> alive_;
};

class TSkinScrollbar : public TSkinControl {
 public:
  explicit TSkinScrollbar(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  // Hooks the control and lays an overlay over each of its bars.
  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void Unskin() override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  TWScrollbar* HScroll = nullptr;
  TWScrollbar* VScroll = nullptr;
  bool DrawBorder = false;

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  TWScrollbar* NewOverlay(int kind);
  void PlaceBoth();
};

}  // namespace skin
