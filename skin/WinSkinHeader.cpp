#include "skin/WinSkinHeader.h"

#include <algorithm>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/user/Geometry.h"
#include "platform/user/Header.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
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

// The class-library control's font, else the window's.
void TakeControlFont(vcl::TCanvas* canvas, plat::HWND window) {
  if (vcl::TControl* control = FindControlOfWindow(window))
    canvas->Font()->Assign(control->Font());
  else
    TakeWindowFont(canvas, window);
}

}  // namespace

void TSkinHeader::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                vcl::TCanvas* canvas) {
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  HotIndex = -1;
}

void TSkinHeader::AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                               vcl::TCanvas* canvas) {
  TSkinControl::AttachWindow(handle, skin_data, skin_form, canvas);
  HotIndex = -1;
}

bool TSkinHeader::HasImage() const {
  const TDataSkinObject* bar = skin_data_ ? skin_data_->Skin().Headerbar.get() : nullptr;
  return bar && !bar->Bitmap.Empty();
}

int TSkinHeader::Alignment(int format) {
  if (format & plat::HDF_RIGHT) return 2;
  if (format & plat::HDF_CENTER) return 1;
  return 0;
}

bool TSkinHeader::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT:
      // A skin without the element leaves the header its own painting.
      if (!HasImage()) break;
      PaintMessage(this, message);
      return false;
    case plat::WM_ERASEBKGND:
      if (!HasImage()) break;
      message.Result = 1;
      return false;
    default:
      break;
  }
  return TSkinControl::PreProcessMessage(message);
}

void TSkinHeader::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_MOUSEMOVE: {
      const plat::POINT p{static_cast<int16_t>(plat::LOWORD(message.LParam)),
                          static_cast<int16_t>(plat::HIWORD(message.LParam))};
      for (size_t i = 0; i < ItemRects.size(); ++i) {
        const plat::RECT r = ItemRects[i];
        if (static_cast<int>(i) != HotIndex && plat::PtInRect(&r, p)) {
          HotIndex = static_cast<int>(i);
          RepaintWindow();
          break;
        }
      }
      SkinTrackMouseLeave(Handle());
      break;
    }
    case plat::WM_MOUSELEAVE:
      HotIndex = -1;
      RepaintWindow();
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

void TSkinHeader::DrawControl(plat::HDC dc, const TRect& rect) {
  if (!HasImage() || !Handle() || Width(rect) <= 0 || Height(rect) <= 0) return;
  TDataSkinObject* bar = skin_data_->Skin().Headerbar.get();
  const TRect margins{bar->LeftWidth, bar->TopHeight, bar->RightWidth, bar->BottomHeight};
  const int frames = std::max(bar->Frame, 1);
  vcl::TBitmap work;
  work.SetPixelFormat(vcl::pf24bit);
  work.SetSize(Width(rect), Height(rect));
  vcl::TCanvas* canvas = work.Canvas();
  TakeControlFont(canvas, Handle());
  canvas->Brush()->SetStyle(vcl::bsClear);
  IsEnabled = true;

  const int count = std::max(0, static_cast<int>(plat::SendMessageA(Handle(), plat::HDM_GETITEMCOUNT, 0, 0)));
  ItemRects.assign(static_cast<size_t>(count), TRect{});
  int right = 0;
  for (int i = 0; i < count; ++i) {
    plat::RECT pr{};
    if (!plat::SendMessageA(Handle(), plat::HDM_GETITEMRECT, static_cast<plat::WPARAM>(i),
                            reinterpret_cast<plat::LPARAM>(&pr)))
      continue;
    const TRect r = pr;
    if (Width(r) > 0 && Height(r) > 0) {
      char text[201] = {};
      plat::HDITEMA item;
      item.mask = plat::HDI_TEXT | plat::HDI_FORMAT | plat::HDI_IMAGE;
      item.pszText = text;
      item.cchTextMax = static_cast<int>(sizeof text);
      plat::SendMessageA(Handle(), plat::HDM_GETITEMA, static_cast<plat::WPARAM>(i),
                         reinterpret_cast<plat::LPARAM>(&item));
      if (auto face = SkinRenderImage(vcl::Rect(0, 0, Width(r), Height(r)), &bar->Bitmap, margins, false,
                                      bar->Tile == 1, frames, i == HotIndex ? 2 : 1))
        canvas->Draw(r.left, r.top, face.get());
      if (text[0]) {
        canvas->Font()->SetColor(i == HotIndex ? bar->MouseOverColour2 : bar->NormalColour2);
        // The window layer's image lists have no class-library list to draw from.
        DrawImageText(this, canvas, r, Alignment(item.fmt), text, -1, nullptr);
      }
    }
    ItemRects[static_cast<size_t>(i)] = TRect{r.left + 3, r.top, r.right - 3, r.bottom};
    right = std::max(right, r.right);
  }
  if (right < rect.right) {
    const TRect rest{right, 0, Width(rect), Height(rect)};
    if (auto face = SkinRenderImage(vcl::Rect(0, 0, Width(rest), Height(rest)), &bar->Bitmap, margins, false,
                                    bar->Tile == 1, frames, 1))
      canvas->Draw(rest.left, rest.top, face.get());
  }
  plat::BitBlt(dc, rect.left, rect.top, Width(rect), Height(rect), canvas->Handle(), 0, 0, plat::SRCCOPY);
}

}  // namespace skin
