#include "skin/WinSkinRanges.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/user/CommCtrl.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/TrackBar.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "skin/SkinData.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinEdits.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

using vcl::TRect;

// `image` in three parts along the rectangle: the first and last `first` /
// `last` pixels at their own length, the middle stretched between them.
// Caps that leave no middle give the whole image stretched.
void DrawThreeParts(plat::HDC dc, const TRect& r, vcl::TBitmap* image, int first, int last, bool vertical) {
  const plat::HDC src = image->Canvas()->Handle();
  const int iw = image->Width(), ih = image->Height();
  const int length = vertical ? r.bottom - r.top : r.right - r.left;
  const int image_length = vertical ? ih : iw;
  first = std::max(first, 0);
  last = std::max(last, 0);
  if (first + last >= length || first + last >= image_length) {
    plat::StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, src, 0, 0, iw, ih, plat::SRCCOPY);
    return;
  }
  // Along the bar: destination start and length, source start and length.
  const int parts[3][4] = {{0, first, 0, first},
                           {first, length - first - last, first, image_length - first - last},
                           {length - last, last, image_length - last, last}};
  for (const auto& p : parts) {
    if (vertical)
      plat::StretchBlt(dc, r.left, r.top + p[0], r.right - r.left, p[1], src, 0, p[2], iw, p[3],
                       plat::SRCCOPY);
    else
      plat::StretchBlt(dc, r.left + p[0], r.top, p[1], r.bottom - r.top, src, p[2], 0, p[3], ih,
                       plat::SRCCOPY);
  }
}

}  // namespace

// ------------------------------------------------------------ TSkinTrackBar

void TSkinTrackBar::RefreshSkin() {
  // Moving the focus here and back would run the controls' enter and exit
  // handlers inside a skin refresh; a repaint is all it takes.
  TSkinControl::RefreshSkin();
}

bool TSkinTrackBar::PreProcessMessage(vcl::TMessage& message) {
  if ((message.Msg != plat::WM_NOTIFY && message.Msg != vcl::CN_NOTIFY) || !message.LParam)
    return TSkinControl::PreProcessMessage(message);
  auto* draw = reinterpret_cast<plat::NMCUSTOMDRAW*>(message.LParam);
  // Only the control's own drawing: a child's (a tool tip's) is not ours.
  if (draw->hdr.code != plat::NM_CUSTOMDRAW || draw->hdr.hwndFrom != Handle()) return true;
  message.Result = plat::CDRF_DODEFAULT;
  if (draw->dwDrawStage == plat::CDDS_PREPAINT) {
    message.Result = plat::CDRF_NOTIFYITEMDRAW;
  } else if (draw->dwDrawStage == plat::CDDS_ITEMPREPAINT) {
    if (draw->dwItemSpec == plat::TBCD_THUMB) {
      DrawThumb(draw->hdc);
      message.Result = plat::CDRF_SKIPDEFAULT;
    } else if (draw->dwItemSpec == plat::TBCD_CHANNEL) {
      DrawChannel(draw->hdc);
      message.Result = plat::CDRF_SKIPDEFAULT;
    }
  }
  return false;
}

bool TSkinTrackBar::Vertical() const {
  return (static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE)) & plat::TBS_VERT) != 0;
}

void TSkinTrackBar::DrawChannel(plat::HDC dc) {
  if (!skin_data_ || !dc) return;
  TParsedSkin& skin = skin_data_->Skin();
  plat::RECT c{};
  plat::SendMessageA(Handle(), plat::TBM_GETCHANNELRECT, 0, reinterpret_cast<plat::LPARAM>(&c));
  const int cw = c.right - c.left, ch = c.bottom - c.top;
  if (Vertical()) {
    TDataSkinObject* track = skin.TrackVert.get();
    if (!track || track->Bitmap.Empty()) return;
    const int iw = track->Bitmap.Width();
    const int x = c.left + std::max(0, (cw - iw) / 2);
    DrawThreeParts(dc, vcl::Rect(x, c.top, x + iw, c.bottom), &track->Bitmap, track->TopHeight,
                   track->BottomHeight, true);
    return;
  }
  TDataSkinObject* track = skin.Track.get();
  if (!track || track->Bitmap.Empty()) return;
  const int ih = track->Bitmap.Height();
  const int y = c.top + std::max(0, (ch - ih) / 2);
  DrawThreeParts(dc, vcl::Rect(c.left, y, c.right, y + ih), &track->Bitmap, track->LeftWidth,
                 track->RightWidth, false);
}

void TSkinTrackBar::DrawThumb(plat::HDC dc) {
  if (!skin_data_ || !dc || !plat::IsWindow(Handle())) return;
  TParsedSkin& skin = skin_data_->Skin();
  plat::RECT t{};
  plat::SendMessageA(Handle(), plat::TBM_GETTHUMBRECT, 0, reinterpret_cast<plat::LPARAM>(&t));
  TDataSkinObject* thumb =
      Vertical() && skin.TrackThumbVert ? skin.TrackThumbVert.get() : skin.TrackThumbHorz.get();
  if (thumb && !thumb->Bitmap.Empty()) {
    DrawStripFrame(dc, vcl::Rect(t.left, t.top, t.right, t.bottom), 5, 2, &thumb->Bitmap);
    return;
  }
  // No image: the thumb outlined in the shadow colour over the DC's brush.
  plat::HPEN pen = plat::CreatePen(plat::PS_SOLID, 1, vcl::ColorToRGB(skin.ButtonShadow));
  plat::HGDIOBJ old = plat::SelectObject(dc, pen);
  plat::Rectangle(dc, t.left, t.top, t.right, t.bottom);
  plat::SelectObject(dc, old);
  plat::DeleteObject(pen);
}

// ------------------------------------------------------------- TArrowButton

TArrowButton::TArrowButton(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
  SetTabStop(false);
  ArrowWidth = plat::GetSystemMetrics(plat::SM_CXVSCROLL);
}

void TArrowButton::Bind(TSkinDateTime* companion, vcl::TWinControl* picker) {
  Companion = companion;
  Picker = picker;
  const bool left =
      (plat::GetWindowLongA(picker->Handle(), plat::GWL_EXSTYLE) & plat::WS_EX_LEFTSCROLLBAR) != 0;
  SetBounds(left ? 2 : picker->Width() - ArrowWidth - 4, 0, ArrowWidth, ArrowWidth + 1);
  SetParent(picker);
}

void TArrowButton::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE:
      if (Picker && Picker->Enabled()) {
        ArrowState = message.Msg == vcl::CM_MOUSEENTER ? ArrowState | 1 : ArrowState & ~1;
        Invalidate();
      }
      break;
    case plat::WM_LBUTTONDOWN: {
      vcl::TCustomControl::WndProc(message);
      // The picker drops its calendar as for a press on its own button.
      if (Picker && Picker->HandleAllocated()) {
        const int x = plat::GET_X_LPARAM(message.LParam) + Left(),
                  y = plat::GET_Y_LPARAM(message.LParam) + Top();
        plat::SendMessageA(Picker->Handle(), plat::WM_LBUTTONDOWN, message.WParam,
                           plat::MAKELPARAM(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y)));
      }
      Invalidate();
      return;
    }
    default:
      break;
  }
  vcl::TCustomControl::WndProc(message);
}

void TArrowButton::Paint() {
  const TRect r = vcl::Rect(0, 0, ClientWidth(), ClientHeight());
  TSkinData* data = Companion ? Companion->SkinData() : nullptr;
  if (!data) return;
  TParsedSkin& skin = data->Skin();
  Canvas()->Brush()->SetColor(skin.ButtonFace);
  Canvas()->FillRect(r);
  TDataSkinObject* arrow = skin.ComboArrow.get();
  if (arrow && !arrow->Bitmap.Empty())
    DrawStripFrame(Canvas(), r, std::max(arrow->Frame, 1), CurrentFrame(), &arrow->Bitmap);
}

// ------------------------------------------------------------ TSkinDateTime

void TSkinDateTime::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                  vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  vcl::TWinControl* picker = Control();
  if (!Attached() || !picker) return;
  arrow_ = new TArrowButton(nullptr);
  AdoptHelper(arrow_);
  arrow_->Bind(this, picker);
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE));
  plat::SetWindowLongA(Handle(), plat::GWL_STYLE, static_cast<plat::LONG>(style | plat::WS_CLIPCHILDREN));
}

TArrowButton* TSkinDateTime::ArrowButton() const {
  const std::vector<vcl::TControl*>& helpers = Helpers();
  return std::find(helpers.begin(), helpers.end(), arrow_) != helpers.end() ? arrow_ : nullptr;
}

void TSkinDateTime::RefreshSkin() {
  TSkinControl::RefreshSkin();
  // The picker clips its children: the arrow button paints on its own.
  if (TArrowButton* arrow = ArrowButton(); arrow && SkinState() != kSkinWindowGone) arrow->Invalidate();
}

void TSkinDateTime::DrawControl(plat::HDC dc, const TRect& rect) {
  if (Handle()) DrawFlatBorder(this, dc, rect, 1);
}

}  // namespace skin
