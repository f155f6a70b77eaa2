#include "skin/WinSkinUpDown.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/UpDown.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/SkinRects.h"
#include "skin/WinSkinData.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

using vcl::TRect;

// The two halves of `r`: left and right, or upper and lower.
void Halves(const TRect& r, bool horizontal, TRect* first, TRect* second) {
  *first = *second = r;
  if (horizontal) {
    first->right = second->left = r.left + Width(r) / 2;
  } else {
    first->bottom = second->top = r.top + Height(r) / 2;
  }
}

}  // namespace

bool TSkinUpDown::Horizontal() const {
  return IsHorizontal ||
         (static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE)) & plat::UDS_HORZ) != 0;
}

int TSkinUpDown::HalfAt(plat::POINT p) const {
  plat::RECT client{};
  plat::GetClientRect(Handle(), &client);
  TRect first, second;
  Halves(client, Horizontal(), &first, &second);
  const plat::RECT a = first, b = second;
  if (plat::PtInRect(&a, p)) return 0;
  if (plat::PtInRect(&b, p)) return 1;
  return -1;
}

int TSkinUpDown::HalfState(const TRect& half, plat::POINT cursor) const {
  if (!IsEnabled) return 3;
  const plat::RECT r = half;
  if (!plat::PtInRect(&r, cursor)) return 1;
  return (MouseState & kSkinPressed) ? 2 : 4;
}

bool TSkinUpDown::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONDBLCLK:
      // The step happens first, then the pressed look.
      CallPrevious(message);
      MouseState |= kSkinPressed;
      PaintControl(nullptr);
      return false;
    case plat::WM_LBUTTONUP:
      MouseState &= ~kSkinPressed;
      CallPrevious(message);
      PaintControl(nullptr);
      return false;
    case plat::WM_PAINT:
      PaintMessage(this, message);
      return false;
    case plat::WM_ERASEBKGND:
      if (!Control()) {
        plat::RECT client{};
        plat::GetClientRect(Handle(), &client);
        plat::FillRect(reinterpret_cast<plat::HDC>(message.WParam), &client,
                       static_cast<plat::HBRUSH>(plat::GetStockObject(plat::WHITE_BRUSH)));
      }
      message.Result = 1;
      return false;
    case plat::WM_MOUSEMOVE: {
      // The half under the mouse shows it as soon as it changes.
      CallPrevious(message);
      const int half =
          HalfAt(plat::POINT{plat::GET_X_LPARAM(message.LParam), plat::GET_Y_LPARAM(message.LParam)});
      if (half != hot_half_) {
        hot_half_ = half;
        PaintControl(nullptr);
      }
      SkinTrackMouseLeave(Handle());
      return false;
    }
    case plat::WM_MOUSELEAVE:
      CallPrevious(message);
      hot_half_ = -1;
      PaintControl(nullptr);
      return false;
    default:
      return TSkinControl::PreProcessMessage(message);
  }
}

void TSkinUpDown::DrawControl(plat::HDC dc, const TRect& rect) {
  if (!skin_data_ || !Handle()) return;
  TParsedSkin& skin = skin_data_->Skin();
  TRect r = rect;
  if (InsideEdit) {
    plat::RECT client{};
    plat::GetClientRect(Handle(), &client);
    plat::FillRect(dc, &client, static_cast<plat::HBRUSH>(plat::GetStockObject(plat::WHITE_BRUSH)));
    // Three pixels off the edit's top, bottom and right edges.
    plat::RECT outer{}, own{};
    if (plat::HWND parent = plat::GetParent(Handle());
        parent && plat::GetWindowRect(parent, &outer) && plat::GetWindowRect(Handle(), &own)) {
      r.top = std::max(r.top, static_cast<int>(outer.top - own.top) + 3);
      r.bottom = std::min(r.bottom, static_cast<int>(outer.bottom - own.top) - 3);
      r.right = std::min(r.right, static_cast<int>(outer.right - own.left) - 3);
    }
  }
  const int w = Width(r), h = Height(r);
  if (w <= 0 || h <= 0) return;
  vcl::TBitmap work;
  work.SetPixelFormat(vcl::pf24bit);
  work.SetSize(w, h);
  vcl::TCanvas* canvas = work.Canvas();
  canvas->Brush()->SetColor(skin.ButtonFace);
  canvas->FillRect(vcl::Rect(0, 0, w, h));
  plat::POINT cursor{};
  plat::GetCursorPos(&cursor);
  plat::ScreenToClient(Handle(), &cursor);
  // Into the work bitmap's coordinates.
  cursor.x -= r.left;
  cursor.y -= r.top;
  IsEnabled =
      (static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE)) & plat::WS_DISABLED) == 0;
  const bool horizontal = Horizontal();
  TRect halves[2];
  Halves(vcl::Rect(0, 0, w, h), horizontal, &halves[0], &halves[1]);
  TDataSkinBorder* element = horizontal ? skin.UpDownHorz.get() : skin.UpDownVert.get();
  const bool skinned = element && !element->Bitmap.Empty();
  const plat::HDC wdc = canvas->Handle();
  for (int part = 0; part < 2; ++part) {
    const TRect& half = halves[part];
    const int state = HalfState(half, cursor);
    if (skinned) {
      const int frame = part * 4 + state;
      SkinDrawFrame(wdc, half, &element->Bitmap, false, 8, frame);
      if (!element->Bitmap2.Empty()) SkinDrawCentredFrame(wdc, half, &element->Bitmap2, true, 8, frame);
      continue;
    }
    canvas->Brush()->SetColor(state == 2 || state == 4 ? skin.ButtonShadow : skin.ButtonFace);
    canvas->Pen()->SetColor(skin.ButtonDkShadow);
    canvas->Rectangle(half);
    // Up, down, left, right; the up and down arrows sit two pixels higher.
    const int direction = horizontal ? 2 + part : part;
    const int lift = horizontal ? 0 : 2;
    DrawArrow(canvas, half.left + Width(half) / 2, half.top + Height(half) / 2 - lift, direction);
  }
  plat::BitBlt(dc, r.left, r.top, w, h, wdc, 0, 0, plat::SRCCOPY);
}

}  // namespace skin
