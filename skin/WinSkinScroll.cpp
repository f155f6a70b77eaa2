#include "skin/WinSkinScroll.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/user/Controls.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

using vcl::TRect;

constexpr int kScrollFrames = 23;

int Width(const TRect& r) { return r.right - r.left; }
int Height(const TRect& r) { return r.bottom - r.top; }

TRect Margins(const TDataSkinObject& e) {
  return TRect{e.LeftWidth, e.TopHeight, e.RightWidth, e.BottomHeight};
}

void DrawElement(plat::HDC dc, const TRect& r, TDataSkinObject* e, bool tile, int frames, int frame) {
  if (!e || e->Bitmap.Empty() || Width(r) <= 0 || Height(r) <= 0) return;
  SkinDrawElement(dc, r, &e->Bitmap, false, tile, e->Trans == 1, std::max(frames, 1), frame, Margins(*e));
}

vcl::TPoint PointOf(plat::LPARAM lparam) {
  return vcl::TPoint{static_cast<int16_t>(plat::LOWORD(lparam)), static_cast<int16_t>(plat::HIWORD(lparam))};
}

plat::LPARAM LParamOf(vcl::TPoint p) {
  return static_cast<plat::LPARAM>(
      plat::MAKELONG(static_cast<plat::WORD>(p.x), static_cast<plat::WORD>(p.y)));
}

}  // namespace

// -------------------------------------------------------------- TWScrollbar

TWScrollbar::TWScrollbar(vcl::TComponent* owner)
    : vcl::TCustomPanel(owner), alive_(std::make_shared<bool>(true)) {
  ArrowSize = plat::GetSystemMetrics(plat::SM_CXVSCROLL);
  SetTabStop(false);
  SetBevelOuter(vcl::bvNone);
  SetVisible(false);
}

TWScrollbar::~TWScrollbar() { *alive_ = false; }

void TWScrollbar::CreateParams(TCreateParams& params) {
  vcl::TCustomPanel::CreateParams(params);
  params.ExStyle = plat::WS_EX_TOOLWINDOW;
}

void TWScrollbar::BindToControl(TSkinControl* companion, vcl::TWinControl* control, int kind) {
  Companion = companion;
  TargetControl = control;
  TargetHandle = control->Handle();
  Kind = kind;
  Orientation = kind;
  SetColor(ParentColour(companion,
                        companion->SkinData() ? companion->SkinData()->Skin().ButtonFace : vcl::clBtnFace));
  SetParent(control->Parent());
  Place(TargetHandle);
}

bool TWScrollbar::GetBarInfo(plat::SCROLLBARINFO& info) const {
  info = plat::SCROLLBARINFO{};
  if (!TargetHandle || !plat::IsWindow(TargetHandle)) return false;
  return SkinScrollBarInfo(TargetHandle, Kind == 1 ? plat::OBJID_VSCROLL : plat::OBJID_HSCROLL, &info);
}

void TWScrollbar::Place(plat::HWND handle) {
  TargetHandle = handle;
  plat::SCROLLBARINFO info;
  BarVisible = GetBarInfo(info);
  if (!BarVisible) return;
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(handle, plat::GWL_STYLE));
  if (!(style & plat::WS_VISIBLE) || (info.rgstate[0] & plat::STATE_SYSTEM_INVISIBLE) || !Parent()) {
    HideBar();
    return;
  }
  plat::POINT top_left{info.rcScrollBar.left, info.rcScrollBar.top};
  plat::POINT bottom_right{info.rcScrollBar.right, info.rcScrollBar.bottom};
  BarOrigin = top_left;
  plat::ScreenToClient(handle, &top_left);
  plat::ScreenToClient(handle, &bottom_right);
  BarRect = TRect{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
  plat::POINT at{info.rcScrollBar.left, info.rcScrollBar.top};
  plat::ScreenToClient(Parent()->Handle(), &at);
  SetBounds(at.x, at.y, skin::Width(BarRect), skin::Height(BarRect));
  SetVisible(true);
  // Directly above the scrolled window.
  plat::HWND before = plat::GetWindow(handle, plat::GW_HWNDPREV);
  if (before == Handle()) before = plat::GetWindow(before, plat::GW_HWNDPREV);
  plat::SetWindowPos(Handle(), before ? before : plat::HWND_TOP, 0, 0, 0, 0,
                     plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOACTIVATE);
  Invalidate();
  BarVisible = true;
}

void TWScrollbar::HideBar() {
  SetVisible(false);
  BarVisible = false;
}

int TWScrollbar::HitTest(vcl::TPoint point) const {
  const int c = Orientation != 0 ? point.y : point.x;
  if (c < ArrowSize) return kScrollFirstArrow;
  if (c < ThumbTop) return kScrollPageBefore;
  if (c < ThumbBottom) return kScrollThumb;
  if (c < Length - ArrowSize) return kScrollPageAfter;
  return kScrollSecondArrow;
}

int TWScrollbar::DragPosition(int moved) const {
  const int size = ThumbBottom - ThumbTop;
  return std::max(ArrowSize, std::min(DragThumbTop + moved, Length - ArrowSize - size));
}

int TWScrollbar::Breadth(int image_height, int arrow) {
  return std::abs(image_height - arrow) > 2 ? arrow : image_height;
}

plat::WPARAM TWScrollbar::HitCode() const {
  return static_cast<plat::WPARAM>(Kind == 1 ? plat::HTVSCROLL : plat::HTHSCROLL);
}

void TWScrollbar::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_ERASEBKGND:
      message.Result = 1;
      return;
    case plat::WM_MOUSEMOVE: {
      vcl::TCustomPanel::WndProc(message);
      const int part = HitTest(PointOf(message.LParam));
      if (part != HotPart) {
        HotPart = part;
        Invalidate();
      }
      SkinTrackMouseLeave(Handle());
      return;
    }
    case plat::WM_MOUSELEAVE:
      vcl::TCustomPanel::WndProc(message);
      if (!Tracking) {
        HotPart = kScrollNone;
        Invalidate();
      }
      return;
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONDBLCLK:
      vcl::TCustomPanel::WndProc(message);
      ButtonDown(message);
      return;
    case plat::WM_LBUTTONUP:
      vcl::TCustomPanel::WndProc(message);
      ButtonUp(message);
      return;
    default:
      vcl::TCustomPanel::WndProc(message);
      return;
  }
}

void TWScrollbar::ButtonDown(vcl::TMessage& message) {
  plat::POINT cursor{};
  plat::GetCursorPos(&cursor);
  DragStart = cursor;
  plat::SCROLLBARINFO info;
  const bool got = GetBarInfo(info);
  if (got) DragThumbTop = info.xyThumbTop;
  vcl::TPoint p = PointOf(message.LParam);
  HotPart = HitTest(p);
  if (got) BarOrigin = vcl::TPoint{info.rcScrollBar.left, info.rcScrollBar.top};
  p.x += BarOrigin.x;
  p.y += BarOrigin.y;
  Tracking = true;
  Invalidate();
  plat::ReleaseCapture();
  // The platform's tracking runs inside this call until the button is let
  // go; whatever it dispatches may free this overlay.
  const std::shared_ptr<bool> alive = alive_;
  plat::SendMessageA(TargetHandle, plat::WM_NCLBUTTONDOWN, HitCode(), LParamOf(p));
  if (!*alive) return;
  Tracking = false;
  plat::ReleaseCapture();
  Invalidate();
}

void TWScrollbar::ButtonUp(vcl::TMessage& message) {
  vcl::TPoint p = PointOf(message.LParam);
  p.x += BarOrigin.x;
  p.y += BarOrigin.y;
  Tracking = false;
  plat::ReleaseCapture();
  if (TargetHandle && plat::IsWindow(TargetHandle))
    plat::PostMessageA(TargetHandle, plat::WM_NCLBUTTONUP, HitCode(), LParamOf(p));
}

void TWScrollbar::Paint() {
  TSkinData* data = Companion ? Companion->SkinData() : nullptr;
  if (!data) return;
  TParsedSkin& skin = data->Skin();
  TDataSkinObject* bar = skin.ScrollBar.get();
  if (!bar || bar->Bitmap.Empty()) return;
  plat::SCROLLBARINFO info;
  if (!GetBarInfo(info) || (info.rgstate[0] & plat::STATE_SYSTEM_INVISIBLE)) return;
  const bool enabled = !(info.rgstate[0] & plat::STATE_SYSTEM_UNAVAILABLE);
  const bool vertical = Orientation == 1;
  const int a = ArrowSize;
  TRect r{0, 0, info.rcScrollBar.right - info.rcScrollBar.left,
          info.rcScrollBar.bottom - info.rcScrollBar.top};
  if (r.right > ClientWidth() || r.bottom > ClientHeight()) return;
  Length = vertical ? r.bottom : r.right;
  const int b = Breadth(bar->Bitmap.Height(), a);

  vcl::TBitmap work;
  work.SetPixelFormat(vcl::pf24bit);
  work.SetSize(r.right, r.bottom);
  work.Canvas()->Brush()->SetColor(skin.ButtonFace);
  work.Canvas()->FillRect(r);
  const plat::HDC dc = work.Canvas()->Handle();
  plat::SetStretchBltMode(dc, plat::COLORONCOLOR);
  if (vertical)
    r.right = b;
  else
    r.bottom = b;

  // Track.
  TDataSkinObject* track = vertical ? skin.VertScroll.get() : skin.HorzScroll.get();
  const TRect track_rect = vertical ? TRect{r.left, r.top + a, r.right, r.bottom - a}
                                    : TRect{r.left + a, r.top, r.right - a, r.bottom};
  if (track) DrawElement(dc, track_rect, track, track->Tile == 1, 4, enabled ? 1 : 3);

  // Arrows.
  const int s = 2 * a > Length ? Length / 2 : a;
  int first = vertical ? 9 : 1, second = vertical ? 13 : 5;
  if (HotPart == kScrollFirstArrow) first += Tracking ? 1 : 3;
  if (HotPart == kScrollSecondArrow) second += Tracking ? 1 : 3;
  const TRect first_rect =
      vertical ? TRect{r.left, r.top, r.right, r.top + s} : TRect{r.left, r.top, r.left + s, r.bottom};
  const TRect second_rect = vertical ? TRect{r.left, r.bottom - s, r.right, r.bottom}
                                     : TRect{r.right - s, r.top, r.right, r.bottom};
  DrawStripFrame(dc, first_rect, kScrollFrames, first, &bar->Bitmap);
  DrawStripFrame(dc, second_rect, kScrollFrames, second, &bar->Bitmap);

  // Thumb: under the mouse while it is dragged, else where the bar has it.
  if (Tracking && HotPart == kScrollThumb) {
    plat::POINT cursor{};
    plat::GetCursorPos(&cursor);
    const int size = ThumbBottom - ThumbTop;
    ThumbTop = DragPosition(vertical ? cursor.y - DragStart.y : cursor.x - DragStart.x);
    ThumbBottom = ThumbTop + size;
  } else {
    ThumbTop = info.xyThumbTop;
    ThumbBottom = info.xyThumbBottom;
  }
  if (enabled && ThumbBottom > ThumbTop && Length > ThumbBottom && Length > ThumbTop) {
    int thumb_frame = 1;
    if (HotPart == kScrollThumb) thumb_frame = Tracking ? 2 : 3;
    TDataSkinObject* thumb = vertical ? skin.VertScrollThumb.get() : skin.HorzScrollThumb.get();
    const TRect thumb_rect =
        vertical ? TRect{0, ThumbTop, b, ThumbBottom} : TRect{ThumbTop, 0, ThumbBottom, b};
    if (thumb) DrawElement(dc, thumb_rect, thumb, false, thumb->Frame, thumb_frame);
    int grip = vertical ? 20 : 17;
    if (HotPart == kScrollThumb) grip += Tracking ? 1 : 2;
    const int g = bar->Bitmap.Height(), length = ThumbBottom - ThumbTop;
    if (g < length + 2) {
      const int start = ThumbTop + (length - g) / 2;
      const TRect grip_rect = vertical ? TRect{0, start, b, start + g} : TRect{start, 0, start + g, b};
      if (start >= 0 && start + g <= Length) DrawStripFrame(dc, grip_rect, kScrollFrames, grip, &bar->Bitmap);
    }
  }
  plat::BitBlt(Canvas()->Handle(), 0, 0, work.Width(), work.Height(), dc, 0, 0, plat::SRCCOPY);
}

// ----------------------------------------------------------- TSkinScrollbar

void TSkinScrollbar::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                   vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  vcl::TWinControl* control = Control();
  if (!Attached() || !control) return;
  DrawBorder = vcl::LowerCase(GetPropText(control, "BorderStyle")) != "bsnone";
  if (control->ClassName() == "TImageScrollBox" || Mode == 1) DrawBorder = false;
  HScroll = NewOverlay(0);
  VScroll = NewOverlay(1);
  if (!control->Visible()) {
    if (HScroll) HScroll->HideBar();
    if (VScroll) VScroll->HideBar();
  }
}

TWScrollbar* TSkinScrollbar::NewOverlay(int kind) {
  vcl::TWinControl* control = Control();
  if (!control || !control->Parent()) return nullptr;
  auto* overlay = new TWScrollbar(nullptr);
  AdoptHelper(overlay);
  overlay->BindToControl(this, control, kind);
  return overlay;
}

void TSkinScrollbar::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TSkinControl::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == HScroll) HScroll = nullptr;
  if (component == VScroll) VScroll = nullptr;
}

void TSkinScrollbar::PlaceBoth() {
  if (!Handle() || SkinState() == kSkinWindowGone) return;
  if (HScroll) HScroll->Place(Handle());
  if (VScroll) VScroll->Place(Handle());
}

void TSkinScrollbar::Unskin() {
  if (SkinState() != kSkinWindowGone) {
    if (HScroll) HScroll->HideBar();
    if (VScroll) VScroll->HideBar();
  }
  TSkinControl::Unskin();
}

void TSkinScrollbar::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_VSCROLL:
    case plat::WM_HSCROLL:
      // The scroll code is the low word; the high word carries a position.
      if (TWScrollbar* overlay = message.Msg == plat::WM_VSCROLL ? VScroll : HScroll) {
        overlay->HotPart = plat::LOWORD(message.WParam);
        overlay->Invalidate();
      }
      break;
    case plat::WM_SIZE:
    case plat::WM_WINDOWPOSCHANGED:
      PlaceBoth();
      break;
    case plat::WM_MOUSEWHEEL:
      for (TWScrollbar* overlay : {HScroll, VScroll})
        if (overlay && overlay->BarVisible) overlay->Invalidate();
      break;
    case vcl::CM_VISIBLECHANGED:
      if (message.WParam) {
        PlaceBoth();
      } else {
        if (HScroll) HScroll->HideBar();
        if (VScroll) VScroll->HideBar();
      }
      break;
    case vcl::CM_RECREATEWND:
      if (Control() && SkinForm() && SkinForm()->Handle())
        plat::PostMessageA(SkinForm()->Handle(), SKM_REATTACHSCROLL, reinterpret_cast<plat::WPARAM>(Handle()),
                           0);
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

void TSkinScrollbar::DrawControl(plat::HDC dc, const TRect& rect) {
  if (!skin_data_ || !Handle()) return;
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE));
  auto refresh = [&](TWScrollbar* overlay, plat::DWORD bar_style) {
    if (!overlay) return;
    if (overlay->BarVisible)
      overlay->Invalidate();
    else if (style & bar_style)
      overlay->Place(Handle());
  };
  refresh(VScroll, plat::WS_VSCROLL);
  refresh(HScroll, plat::WS_HSCROLL);
  if (VScroll && HScroll && VScroll->BarVisible && HScroll->BarVisible) {
    // The bars are in client coordinates, the DC is the window's: the
    // window's own edge decides the offset.
    plat::RECT window{};
    plat::POINT client{0, 0};
    plat::GetWindowRect(Handle(), &window);
    plat::ClientToScreen(Handle(), &client);
    const int dx = client.x - window.left, dy = client.y - window.top;
    const plat::RECT corner{VScroll->BarRect.left + dx, HScroll->BarRect.top + dy,
                            VScroll->BarRect.right + dx, HScroll->BarRect.bottom + dy};
    plat::HBRUSH face = plat::CreateSolidBrush(vcl::ColorToRGB(skin_data_->Skin().ButtonFace));
    plat::FillRect(dc, &corner, face);
    plat::DeleteObject(face);
  }
  if (DrawBorder) {
    auto frame = [&](const TRect& r, vcl::TColor colour) {
      plat::HBRUSH brush = plat::CreateSolidBrush(vcl::ColorToRGB(colour));
      const plat::RECT pr = r;
      plat::FrameRect(dc, &pr, brush);
      plat::DeleteObject(brush);
    };
    frame(rect, skin_data_->Skin().ButtonShadow);
    frame(TRect{rect.left + 1, rect.top + 1, rect.right - 1, rect.bottom - 1}, skin_data_->Skin().ButtonFace);
  }
}

}  // namespace skin
