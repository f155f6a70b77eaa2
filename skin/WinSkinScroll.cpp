#include "skin/WinSkinScroll.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/MulDiv.h"
#include "platform/user/Controls.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/ListView.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Screen.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/SkinRects.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinHeader.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

using vcl::TRect;

constexpr int kScrollFrames = 23;

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

// a * b / c rounded, in 64 bits: a control's range may span every int.
int64_t MulDiv64(int64_t a, int64_t b, int64_t c) {
  const int64_t product = a * b;
  return product >= 0 ? (product + c / 2) / c : -((-product + c / 2) / c);
}

void FillFaceRect(plat::HDC dc, const plat::RECT& r, vcl::TColor colour) {
  plat::HBRUSH face = plat::CreateSolidBrush(vcl::ColorToRGB(colour));
  plat::FillRect(dc, &r, face);
  plat::DeleteObject(face);
}

// The square between a window's two bars on its window DC, placed by the
// window's own edge (the bars are in client coordinates).
void FillCorner(plat::HWND window, plat::HDC dc, const TWScrollbar* v, const TWScrollbar* h,
                vcl::TColor face) {
  if (!v || !h || !v->BarVisible || !h->BarVisible) return;
  plat::RECT outer{};
  plat::POINT client{0, 0};
  plat::GetWindowRect(window, &outer);
  plat::ClientToScreen(window, &client);
  const int dx = client.x - outer.left, dy = client.y - outer.top;
  FillFaceRect(
      dc,
      plat::RECT{v->BarRect.left + dx, h->BarRect.top + dy, v->BarRect.right + dx, h->BarRect.bottom + dy},
      face);
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
  // A scroll bar control's figures are read from it; it may go first.
  control->FreeNotification(this);
  TargetHandle = control->Handle();
  Kind = kind;
  Orientation = kind;
  if (kind == 2) Orientation = vcl::LowerCase(GetPropText(control, "Kind")) == "sbhorizontal" ? 0 : 1;
  SetColor(ParentColour(companion,
                        companion->SkinData() ? companion->SkinData()->Skin().ButtonFace : vcl::clBtnFace));
  SetParent(control->Parent());
  Place(TargetHandle);
}

void TWScrollbar::BindToWindow(TSkinControl* companion, plat::HWND handle, int kind) {
  Companion = companion;
  TargetControl = nullptr;
  TargetHandle = handle;
  Kind = kind;
  Orientation = kind;
  if (companion->SkinData()) SetColor(companion->SkinData()->Skin().ButtonFace);
  SetParentWindow(plat::GetParent(handle));
  Place(handle);
}

void TWScrollbar::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TCustomPanel::Notification(component, operation);
  if (operation == vcl::opRemove && component == TargetControl) TargetControl = nullptr;
}

plat::HWND TWScrollbar::ParentHandle() const {
  if (Parent()) return Parent()->HandleAllocated() ? Parent()->Handle() : nullptr;
  return ParentWindow();
}

bool TWScrollbar::GetBarInfo(plat::SCROLLBARINFO& info, bool from_control) {
  info = plat::SCROLLBARINFO{};
  if (!TargetHandle || !plat::IsWindow(TargetHandle)) return false;
  if (Kind == 2) return ControlBarInfo(info, from_control);
  return SkinScrollBarInfo(TargetHandle, Kind == 1 ? plat::OBJID_VSCROLL : plat::OBJID_HSCROLL, &info);
}

bool TWScrollbar::ControlBarInfo(plat::SCROLLBARINFO& info, bool from_control) {
  if (!TargetControl) return false;
  plat::RECT client{};
  plat::GetClientRect(TargetHandle, &client);
  plat::POINT origin{0, 0};
  plat::ClientToScreen(TargetHandle, &origin);
  info.rcScrollBar = plat::RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
  Length = Orientation == 1 ? client.bottom : client.right;
  int min = 0, max = 0, page = 0, position = 0;
  if (from_control) {
    min = GetIntProp(TargetControl, "Min");
    max = GetIntProp(TargetControl, "Max");
    page = GetIntProp(TargetControl, "PageSize");
    position = GetIntProp(TargetControl, "Position");
  } else {
    plat::SCROLLINFO si;
    si.fMask = plat::SIF_RANGE | plat::SIF_PAGE | plat::SIF_POS | plat::SIF_TRACKPOS;
    if (!plat::GetScrollInfo(TargetHandle, plat::SB_CTL, &si)) return false;
    min = si.nMin;
    max = si.nMax;
    page = static_cast<int>(si.nPage);
    position = si.nPos;
  }
  const auto [top, bottom] = ControlThumb(Length, ArrowSize, min, max, page, position);
  info.dxyLineButton = ArrowSize;
  info.xyThumbTop = top;
  info.xyThumbBottom = bottom;
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(TargetHandle, plat::GWL_STYLE));
  if (!(style & plat::WS_VISIBLE)) info.rgstate[0] |= plat::STATE_SYSTEM_INVISIBLE;
  if (style & plat::WS_DISABLED) info.rgstate[0] |= plat::STATE_SYSTEM_UNAVAILABLE;
  return true;
}

std::pair<int, int> TWScrollbar::ControlThumb(int length, int arrow, int min, int max, int page,
                                              int position) {
  const int64_t range = int64_t{max} - min;
  const int64_t track = int64_t{length} - 2 * arrow;
  int64_t size = 0, start = arrow;
  if (range <= 0) {
    // Nothing to scroll: the thumb covers the track, or an arrow's length.
    size = page > 0 ? track : arrow;
  } else if (page > 0) {
    size = MulDiv64(track, int64_t{page} - 1, range);
    start = arrow + MulDiv64(track, int64_t{position} - min, range);
  } else {
    size = arrow;
    start = arrow + MulDiv64(int64_t{length} - 3 * arrow, int64_t{position} - min, range);
  }
  if (position == min) start = arrow;
  const auto clamp = [](int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, -(1 << 20), 1 << 20)); };
  return {clamp(start), clamp(start + size)};
}

void TWScrollbar::Place(plat::HWND handle) {
  TargetHandle = handle;
  plat::SCROLLBARINFO info;
  BarVisible = GetBarInfo(info);
  if (!BarVisible) return;
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(handle, plat::GWL_STYLE));
  const plat::HWND parent = ParentHandle();
  if (!(style & plat::WS_VISIBLE) || (info.rgstate[0] & plat::STATE_SYSTEM_INVISIBLE) || !parent) {
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
  plat::ScreenToClient(parent, &at);
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
  if (Kind == 2) return plat::MK_LBUTTON;
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
  const bool got = GetBarInfo(info, true);
  if (got) DragThumbTop = info.xyThumbTop;
  vcl::TPoint p = PointOf(message.LParam);
  HotPart = HitTest(p);
  // A window's bar takes screen points; a scroll bar control its client's,
  // which are the overlay's.
  if (Kind != 2) {
    if (got) BarOrigin = vcl::TPoint{info.rcScrollBar.left, info.rcScrollBar.top};
    p.x += BarOrigin.x;
    p.y += BarOrigin.y;
  }
  Tracking = true;
  Invalidate();
  plat::ReleaseCapture();
  // The platform's tracking runs inside this call until the button is let
  // go; whatever it dispatches may free this overlay.
  const std::shared_ptr<bool> alive = alive_;
  plat::SendMessageA(TargetHandle, Kind == 2 ? plat::WM_LBUTTONDOWN : plat::WM_NCLBUTTONDOWN, HitCode(),
                     LParamOf(p));
  if (!*alive) return;
  Tracking = false;
  plat::ReleaseCapture();
  Invalidate();
}

void TWScrollbar::ButtonUp(vcl::TMessage& message) {
  vcl::TPoint p = PointOf(message.LParam);
  if (Kind != 2) {
    p.x += BarOrigin.x;
    p.y += BarOrigin.y;
  }
  Tracking = false;
  plat::ReleaseCapture();
  if (TargetHandle && plat::IsWindow(TargetHandle))
    plat::PostMessageA(TargetHandle, Kind == 2 ? plat::WM_LBUTTONUP : plat::WM_NCLBUTTONUP, HitCode(),
                       LParamOf(p));
  if (Kind == 2) Invalidate();
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
  const TRect whole = r;
  Length = vertical ? r.bottom : r.right;
  const int b = Breadth(bar->Bitmap.Height(), a);
  // A scroll bar control is drawn at the skin's breadth and stretched over
  // the control.
  if (Kind == 2) (vertical ? r.right : r.bottom) = b;
  if (r.right <= 0 || r.bottom <= 0) return;

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
  if (Tracking && HotPart == kScrollThumb && Kind != 2) {
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
  if (Kind == 2) {
    plat::SetStretchBltMode(Canvas()->Handle(), plat::COLORONCOLOR);
    plat::StretchBlt(Canvas()->Handle(), 0, 0, skin::Width(whole), skin::Height(whole), dc, 0, 0,
                     work.Width(), work.Height(), plat::SRCCOPY);
    return;
  }
  plat::BitBlt(Canvas()->Handle(), 0, 0, work.Width(), work.Height(), dc, 0, 0, plat::SRCCOPY);
}

// ---------------------------------------------------------------- TSkinBars

void TSkinBars::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TSkinControl::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == HScroll) HScroll = nullptr;
  if (component == VScroll) VScroll = nullptr;
}

void TSkinBars::PlaceBoth() {
  if (!Handle() || SkinState() == kSkinWindowGone) return;
  if (HScroll) HScroll->Place(Handle());
  if (VScroll) VScroll->Place(Handle());
}

void TSkinBars::HideBoth() {
  if (HScroll) HScroll->HideBar();
  if (VScroll) VScroll->HideBar();
}

void TSkinBars::Unskin() {
  if (SkinState() != kSkinWindowGone) HideBoth();
  TSkinControl::Unskin();
}

void TSkinBars::ScrollCode(const vcl::TMessage& message) {
  if (TWScrollbar* overlay = message.Msg == plat::WM_VSCROLL ? VScroll : HScroll) {
    overlay->HotPart = plat::LOWORD(message.WParam);
    overlay->Invalidate();
  }
}

void TSkinBars::DrawBars(plat::HDC dc) {
  for (TWScrollbar* overlay : {HScroll, VScroll})
    if (overlay && overlay->BarVisible) overlay->Invalidate();
  FillCorner(Handle(), dc, VScroll, HScroll, skin_data_->Skin().ButtonFace);
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
  if (!control->Visible()) HideBoth();
}

TWScrollbar* TSkinScrollbar::NewOverlay(int kind) {
  vcl::TWinControl* control = Control();
  if (!control || !control->Parent()) return nullptr;
  auto* overlay = new TWScrollbar(nullptr);
  AdoptHelper(overlay);
  overlay->BindToControl(this, control, kind);
  return overlay;
}

void TSkinScrollbar::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_VSCROLL:
    case plat::WM_HSCROLL:
      ScrollCode(message);
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
      if (message.WParam)
        PlaceBoth();
      else
        HideBoth();
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
  FillCorner(Handle(), dc, VScroll, HScroll, skin_data_->Skin().ButtonFace);
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

// ------------------------------------------------------------ TSkinListView

void TSkinListView::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                  vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinScrollbar::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (!Attached() || !Handle() || !SkinForm()) return;
  HeaderHandle = reinterpret_cast<plat::HWND>(plat::SendMessageA(Handle(), plat::LVM_GETHEADER, 0, 0));
  if (!HeaderHandle || Header()) return;
  // The form skin owns it, as every companion.
  auto* header = new TSkinHeader();
  header->AttachWindow(HeaderHandle, skin_data, skin_form, canvas);
}

TSkinControl* TSkinListView::Header() const {
  if (!HeaderHandle || !SkinForm()) return nullptr;
  TSkinControl* c = SkinForm()->SkinnedControls().Find(HeaderHandle);
  return c && c->SkinState() != kSkinWindowGone ? c : nullptr;
}

// ---------------------------------------------------------- TSkinScrollbarH

void TSkinScrollbarH::AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                                   vcl::TCanvas* canvas) {
  TSkinControl::AttachWindow(handle, skin_data, skin_form, canvas);
  MakeOverlays();
  SetSkinState(kSkinAttached);
}

void TSkinScrollbarH::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                    vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (Attached()) MakeOverlays();
}

void TSkinScrollbarH::MakeOverlays() {
  if (!Handle() || !plat::GetParent(Handle())) return;
  for (TWScrollbar** slot : {&HScroll, &VScroll}) {
    auto* overlay = new TWScrollbar(nullptr);
    AdoptHelper(overlay);
    *slot = overlay;
    overlay->BindToWindow(this, Handle(), slot == &HScroll ? 0 : 1);
  }
}

void TSkinScrollbarH::PostProcessMessage(vcl::TMessage& message) {
  if (!plat::IsWindowVisible(Handle())) HideBoth();
  switch (message.Msg) {
    case plat::WM_SIZE:
    case plat::WM_NCPAINT:
      PlaceBoth();
      RepaintWindow();
      break;
    case plat::WM_HSCROLL:
    case plat::WM_VSCROLL:
      ScrollCode(message);
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

void TSkinScrollbarH::DrawControl(plat::HDC dc, const TRect&) {
  if (skin_data_ && Handle()) DrawBars(dc);
}

// ----------------------------------------------------------- TSkinScControl

void TSkinScControl::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                   vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  vcl::TWinControl* control = Control();
  if (!Attached() || !control || !control->Parent()) return;
  auto* panel = new TWScrollbar(nullptr);
  AdoptHelper(panel);
  Panel = panel;
  panel->SetShowHint(control->ShowHint());
  panel->SetHint(control->Hint());
  panel->BindToControl(this, control, 2);
  if (!control->Visible()) panel->HideBar();
}

void TSkinScControl::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TSkinControl::Notification(component, operation);
  if (operation == vcl::opRemove && component == Panel) Panel = nullptr;
}

void TSkinScControl::PlacePanel() {
  if (Panel && Handle() && SkinState() != kSkinWindowGone) Panel->Place(Handle());
}

void TSkinScControl::Unskin() {
  if (SkinState() != kSkinWindowGone && Panel) Panel->HideBar();
  TSkinControl::Unskin();
}

void TSkinScControl::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::SBM_SETSCROLLINFO:
    case vcl::CN_HSCROLL:
    case vcl::CN_VSCROLL:
      if (Panel) Panel->Invalidate();
      break;
    case vcl::CM_VISIBLECHANGED:
      if (!message.WParam) {
        if (Panel) Panel->HideBar();
      } else {
        PlacePanel();
      }
      break;
    case plat::WM_WINDOWPOSCHANGED:
    case plat::WM_NCPAINT:
      PlacePanel();
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

void TSkinScControl::DrawControl(plat::HDC, const TRect&) {
  if (Panel) Panel->Invalidate();
}

}  // namespace skin
