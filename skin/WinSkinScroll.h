#pragma once
// Skinned scroll bars. The scrolled window keeps its own bars and scrolling;
// over each bar it shows, a small window of ours (TWScrollbar) lies exactly
// on top, painted from the skin's `ScrollBar`, `HorzScroll`, `VertScroll`
// and thumb images, and a click on it is handed to the scrolled window as a
// click on its real bar, so the platform's own tracking runs. A scroll bar
// control gets one overlay over the whole control, its thumb worked out
// from the control's range, page and position.
//
// `ScrollBar` holds 23 frames: arrows left 1-4, right 5-8, up 9-12, down
// 13-16 (+0 normal, +1 pressed, +3 hover); thumb grips horizontal 17-19,
// vertical 20-22 (+0 normal, +1 pressed, +2 hover). Tracks: 1 enabled,
// 3 disabled of 4. Thumbs: 1 normal, 2 pressed, 3 hover.
//
// The overlays are children of the scrolled window's parent and are the
// companion's: a parent that goes first takes them along and the companion
// forgets them. Companions: TSkinScrollbar for class-library controls with
// bars, TSkinListView for list views (their header gets a TSkinHeader),
// TSkinScrollbarH for bare windows with bars, TSkinScControl for scroll bar
// controls. Main thread only.
#include <memory>
#include <utility>

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

  // `kind` 0 the window's horizontal bar, 1 its vertical bar, 2 a scroll bar
  // control (vertical unless its Kind is sbHorizontal).
  void BindToControl(TSkinControl* companion, vcl::TWinControl* control, int kind);
  // The same for a bare window (kinds 0 and 1), in the skin's face colour.
  void BindToWindow(TSkinControl* companion, plat::HWND handle, int kind);
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
  // A scroll bar control's thumb along a bar `length` long with arrows of
  // `arrow`: its start and end.
  static std::pair<int, int> ControlThumb(int length, int arrow, int min, int max, int page, int position);

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
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  // A scroll bar control's figures come from its window, or at a press from
  // the control's own properties.
  bool GetBarInfo(plat::SCROLLBARINFO& info, bool from_control = false);
  bool ControlBarInfo(plat::SCROLLBARINFO& info, bool from_control);
  plat::HWND ParentHandle() const;
  void ButtonDown(vcl::TMessage& message);
  void ButtonUp(vcl::TMessage& message);
  plat::WPARAM HitCode() const;

  // Lives as long as the overlay; a click's handling holds a copy across the
  // scrolled window's tracking, which may free the overlay.
  std::shared_ptr<bool> alive_;
};

// What the companions with a window's two overlays share.
class TSkinBars : public TSkinControl {
 public:
  using TSkinControl::TSkinControl;
  // The overlays hidden (unless the window is gone); they stay the companion's.
  void Unskin() override;

  TWScrollbar* HScroll = nullptr;
  TWScrollbar* VScroll = nullptr;

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  void PlaceBoth();
  void HideBoth();
  // WM_HSCROLL / WM_VSCROLL: the matching overlay's hot part is the scroll
  // code, the message's low word (the high word carries a position).
  void ScrollCode(const vcl::TMessage& message);
  // Invalidates the shown overlays and fills the square between them.
  void DrawBars(plat::HDC dc);
};

class TSkinScrollbar : public TSkinBars {
 public:
  explicit TSkinScrollbar(vcl::TComponent* subject = nullptr) : TSkinBars(subject) {}

  // Hooks the control and lays an overlay over each of its bars.
  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  bool DrawBorder = false;

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;

 private:
  TWScrollbar* NewOverlay(int kind);
};

// A list view: its bars as TSkinScrollbar's, its header a TSkinHeader of the
// same form skin, found by the header's window whenever it is wanted.
class TSkinListView : public TSkinScrollbar {
 public:
  explicit TSkinListView(vcl::TComponent* subject = nullptr) : TSkinScrollbar(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  // The header's companion; nil without a header or once it is gone.
  TSkinControl* Header() const;

  plat::HWND HeaderHandle = nullptr;
};

// A bare window with bars (a simple combo box's list): the overlays as for a
// class-library control, followed through the window's subclass chain.
class TSkinScrollbarH : public TSkinBars {
 public:
  explicit TSkinScrollbarH(vcl::TComponent* subject = nullptr) : TSkinBars(subject) {}

  void AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                    vcl::TCanvas* canvas) override;
  // A class-library control's window is served the same way.
  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;

 private:
  void MakeOverlays();
};

// A scroll bar control: one overlay over the whole control.
class TSkinScControl : public TSkinControl {
 public:
  explicit TSkinScControl(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void Unskin() override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

  TWScrollbar* Panel = nullptr;

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  void PlacePanel();
};

}  // namespace skin
