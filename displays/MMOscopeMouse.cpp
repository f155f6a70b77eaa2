// The oscilloscope's mouse: the selection dragged with the right button and
// the read-out box that follows the cursor while the left button is held.
// Both end when the control loses the mouse capture.
#include <algorithm>
#include <cstdio>
#include <string>

#include "displays/MMOscope.h"
#include "engine/MMUtils.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Cursor.h"
#include "platform/user/Input.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Forms.h"

namespace displays {

namespace {

constexpr vcl::TCursor kCursorSelectInside = 2003;
constexpr vcl::TCursor kCursorSelectMove = 2004;
constexpr vcl::TCursor kCursorSelectOther = 2009;

void SetScreenCursor(vcl::TCursor cursor) {
  if (vcl::Screen) vcl::Screen->SetCursor(cursor);
}

}  // namespace

void TMMOscope::DoSelecting(int32_t min, int32_t max) {
  SetSelection(min, max, true);
  if (OnSelecting) OnSelecting(this, min, max);
}

void TMMOscope::DoSelectEnd(int32_t min, int32_t max) {
  SetSelection(min, max, false);
  if (OnSelectEnd) OnSelectEnd(this, min, max);
}

void TMMOscope::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbLeft && !DesignMode() && Enabled() && show_info_) {
    StartReadout(x, y);
  } else if (button == vcl::mbRight && !DesignMode() && Enabled() && use_selection_ && !locked_ &&
             !select_dragging_) {
    const vcl::TRect inside = BevelClientRect();
    if (x >= inside.left && x < inside.right && y >= inside.top && y < inside.bottom) {
      // Points are counted from the trace's left edge, past any amplitude scale.
      const int32_t l = trace_rect_.left;
      const bool in_width = x >= 0 && x <= Width();
      select_dragging_ = true;
      select_drag_.moving = false;
      SetMouseCapture(true);
      if (in_width && sel_start_ >= 0 && x >= l + sel_start_ - 3 && x <= l + sel_start_ + 2) {
        select_drag_.anchor = sel_end_;
      } else if (in_width && sel_end_ >= 0 && x >= l + sel_end_ - 2 && x <= l + sel_end_ + 3) {
        select_drag_.anchor = sel_start_;
      } else if (in_width && sel_start_ >= 0 && sel_end_ >= 0 && x >= l + sel_start_ && x <= l + sel_end_) {
        SetScreenCursor(kCursorSelectMove);
        select_drag_.moving = true;
        select_drag_.anchor = x - l;
        select_drag_.min_delta = -sel_start_;
        select_drag_.max_delta = point_count_ - 1 - sel_end_;
      } else {
        SetScreenCursor(vcl::crSizeWE);
        select_drag_.anchor = x - l;
        DoSelecting(-1, -1);
        DoSelecting(select_drag_.anchor, select_drag_.anchor + 1);
      }
    }
  }
  inherited::MouseDown(button, shift, x, y);
}

void TMMOscope::MouseMove(vcl::TShiftState shift, int x, int y) {
  if (select_dragging_) {
    if (use_selection_ && !locked_) {
      const int32_t l = trace_rect_.left;
      x = engine::IntClampEither(x, l, trace_rect_.right - 1);
      if (select_drag_.moving) {
        const int32_t d =
            std::clamp(x - l - select_drag_.anchor, select_drag_.min_delta, select_drag_.max_delta);
        DoSelecting(sel_start_ + d, sel_end_ + d);
        select_drag_.anchor += d;
        select_drag_.min_delta -= d;
        select_drag_.max_delta -= d;
      } else {
        DoSelecting(select_drag_.anchor, std::clamp(x - l, 0, point_count_));
      }
    }
    inherited::MouseMove(shift, x, y);
    return;
  }
  inherited::MouseMove(shift, x, y);
  if (show_info_ && readout_active_) {
    ShowReadout({x, y});
    return;
  }
  const vcl::TCursor cursor = Cursor();
  if (use_selection_ && !locked_) {
    const int32_t l = trace_rect_.left;
    const bool in_width = x >= 0 && x <= Width();
    const bool near_start = in_width && sel_start_ >= 0 && x >= l + sel_start_ - 3 && x <= l + sel_start_ + 2;
    const bool near_end = in_width && sel_end_ >= 0 && x >= l + sel_end_ - 2 && x <= l + sel_end_ + 3;
    const bool inside =
        in_width && sel_start_ >= 0 && sel_end_ >= 0 && x >= l + sel_start_ && x <= l + sel_end_;
    if (near_start || near_end)
      SetCursor(vcl::crSizeWE);
    else if (inside)
      SetCursor(kCursorSelectInside);
    else if (cursor == vcl::crSizeWE || cursor == kCursorSelectInside || cursor == kCursorSelectOther)
      SetCursor(vcl::crDefault);
  } else if (cursor != vcl::crCross && cursor != vcl::crHourGlass) {
    SetCursor(vcl::crDefault);
  }
}

void TMMOscope::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbRight && select_dragging_) EndSelectDrag();
  if (button == vcl::mbLeft && readout_active_) EndReadout();
  inherited::MouseUp(button, shift, x, y);
}

void TMMOscope::EndSelectDrag() {
  select_dragging_ = false;
  if (MouseCapture()) SetMouseCapture(false);
  // The cursor the drag put on the screen goes with it.
  SetScreenCursor(vcl::crDefault);
  if (sel_end_ == sel_start_ + 1 || sel_end_ == sel_start_ - 1) DoSelecting(-1, -1);
  DoSelectEnd(sel_start_, sel_end_);
}

void TMMOscope::CaptureLost() {
  if (select_dragging_) EndSelectDrag();
  if (readout_active_) EndReadout();
}

// ---- read-out ----

void TMMOscope::StartReadout(int x, int y) {
  const vcl::TPoint top_left = ClientToScreen({trace_rect_.left, trace_rect_.top});
  const plat::RECT clip{top_left.x, top_left.y, top_left.x + (trace_rect_.right - trace_rect_.left),
                        top_left.y + (trace_rect_.bottom - trace_rect_.top)};
  plat::ClipCursor(&clip);
  readout_active_ = true;
  saved_show_hint_ = ShowHint();
  if (saved_show_hint_) {
    SetShowHint(false);
    Update();
  }
  {
    std::lock_guard lock(DisplayLock());
    // The box goes over what the user sees, which in Scroll mode is more
    // than the DIB holds.
    vcl::TWinControl* parent = Parent();
    if (parent && parent->HandleAllocated()) {
      const plat::HWND window = parent->Handle();
      if (const plat::HDC dc = plat::GetDC(window)) {
        TMMDIBCanvas& dib = *DIBCanvas();
        TDIBDrawingPass pass(dib);
        plat::BitBlt(dib.Handle(), 0, 0, point_count_, trace_height_, dc, Left() + trace_rect_.left,
                     Top() + trace_rect_.top, plat::SRCCOPY);
        plat::ReleaseDC(window, dc);
      }
    }
    readout_saved_valid_ = false;
    readout_pass_ = passes_;
  }
  ShowReadout({x, y});
}

void TMMOscope::EndReadout() {
  if (Enabled()) ShowReadout({-1, -1});
  {
    std::lock_guard lock(DisplayLock());
    readout_saved_.clear();
    readout_saved_valid_ = false;
    readout_active_ = false;
  }
  plat::ClipCursor(nullptr);
  SetShowHint(saved_show_hint_);
}

void TMMOscope::RestoreReadoutArea() {
  // A pass since the save has drawn a new frame over the box: the saved
  // pixels are older than it and stay where they are.
  if (!readout_saved_valid_ || readout_pass_ != passes_) {
    readout_saved_valid_ = false;
    return;
  }
  TMMDIBCanvas& dib = *DIBCanvas();
  const int32_t bpp = dib.BitsPerPixel() / 8;
  const int32_t stride = (dib.Width() * bpp + 3) & ~3;
  const int32_t row_bytes = (readout_box_.right - readout_box_.left) * bpp;
  const uint8_t* from = readout_saved_.data();
  for (int32_t y = readout_box_.top; y < readout_box_.bottom; ++y, from += row_bytes) {
    uint8_t* to =
        dib.PixelBits() + static_cast<ptrdiff_t>(dib.Height() - 1 - y) * stride + readout_box_.left * bpp;
    std::copy_n(from, row_bytes, to);
  }
  readout_saved_valid_ = false;
}

void TMMOscope::SaveReadoutArea(const vcl::TRect& box) {
  TMMDIBCanvas& dib = *DIBCanvas();
  readout_box_ = vcl::Rect(std::max(box.left, 0), std::max(box.top, 0), std::min(box.right, dib.Width()),
                           std::min(box.bottom, dib.Height()));
  if (readout_box_.right <= readout_box_.left || readout_box_.bottom <= readout_box_.top) return;
  const int32_t bpp = dib.BitsPerPixel() / 8;
  const int32_t stride = (dib.Width() * bpp + 3) & ~3;
  const int32_t row_bytes = (readout_box_.right - readout_box_.left) * bpp;
  readout_saved_.resize(static_cast<size_t>(row_bytes) * (readout_box_.bottom - readout_box_.top));
  uint8_t* to = readout_saved_.data();
  for (int32_t y = readout_box_.top; y < readout_box_.bottom; ++y, to += row_bytes) {
    const uint8_t* from =
        dib.PixelBits() + static_cast<ptrdiff_t>(dib.Height() - 1 - y) * stride + readout_box_.left * bpp;
    std::copy_n(from, row_bytes, to);
  }
  readout_saved_valid_ = true;
  readout_pass_ = passes_;
}

void TMMOscope::ShowReadout(vcl::TPoint p) {
  std::lock_guard lock(DisplayLock());
  if (!readout_active_) return;
  DrawNow(
      [&](void*) {
        TMMDIBCanvas& dib = *DIBCanvas();
        TDIBDrawingPass pass(dib);
        RestoreReadoutArea();
        const vcl::TRect& r = trace_rect_;
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
          char text[64];
          std::snprintf(text, sizeof text, "%4.1f ms %4.2f V", static_cast<double>(TimeAt(p)),
                        static_cast<double>(AmplitudeAt(p)));
          vcl::TFont* font = dib.Font();
          font->SetName("MS Sans Serif");
          font->SetSize(8);
          font->SetStyle({});
          font->SetColor(vcl::clInfoText);
          const int tw = dib.TextWidth(text), th = dib.TextHeight(text);
          vcl::TRect box;
          box.left = p.x - r.left;
          box.top = p.y - r.top + 15;
          box.right = box.left + tw + 4;
          box.bottom = box.top + th + 2;
          if (box.bottom > trace_height_) {
            box.top -= 40;
            box.bottom -= 40;
          }
          if (box.right > point_count_) {
            box.left -= box.right - point_count_;
            box.right = point_count_;
          }
          if (box.top < 0) {
            box.top = 0;
            box.bottom = th + 2;
          }
          SaveReadoutArea(box);
          dib.Brush()->SetColor(static_cast<vcl::TColor>(0xFFFFFF));
          dib.Brush()->SetStyle(vcl::bsSolid);
          dib.Pen()->SetColor(vcl::clBlack);
          dib.Rectangle(box);
          dib.Brush()->SetStyle(vcl::bsClear);
          // Centred on one line; the text is taken as it is.
          dib.TextOut(box.left + (box.right - box.left - tw) / 2, box.top + (box.bottom - box.top - th) / 2,
                      text);
          dib.Brush()->SetStyle(vcl::bsSolid);
        }
        if (Canvas()->HandleAllocated())
          dib.DrawToDC(Canvas()->Handle(), vcl::Rect(r.left, r.top, point_count_, trace_height_), 0, 0);
      },
      nullptr);
}

}  // namespace displays
