// What the oscilloscope draws: the trace of each kind with its effect, the
// mid line, grid, selection and locator, the Scroll columns with their bar,
// and the amplitude and time scales Paint puts around the trace.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "displays/MMOscope.h"
#include "engine/MMUtilsBitmaps.h"
#include "platform/gdi/Gdi.h"
#include "platform/user/Paint.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace displays {

using Dib = TMMDIBCanvas;

namespace {

std::string FormatFloat(const char* format, double value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

// The grid's and time scale's vertical divisions: 32, halved while fewer
// than ten points fall in one.
int32_t TimeDivisions(int32_t point_count) {
  int32_t n = 32;
  while (n > 1 && point_count / n < 10) n /= 2;
  return n;
}

}  // namespace

int32_t TMMOscope::CheckedLevel(int32_t value) {
  const int32_t tested = kind_ == okSpikes ? std::abs(value) : value;
  if (tested >= 32767) PcmOverflow();
  const int32_t level = LevelOf(value);
  if (level > trace_height_) GainOverflow();
  return level;
}

bool TMMOscope::Marked(int32_t level) const {
  switch (effect_) {
    case efPeak:
      return level < effect_low_ || level > effect_high_;
    case efSplit:
      return level < 0 || level > half_height_;
    default:
      return false;
  }
}

void TMMOscope::DrawTrace(bool full) {
  std::lock_guard lock(DisplayLock());
  ++passes_;
  Dib& dib = *DIBCanvas();
  {
    TDIBDrawingPass pass(dib);
    const bool screen = Canvas()->HandleAllocated();
    const vcl::TRect whole{trace_rect_.left, trace_rect_.top, point_count_, trace_height_};
    if (OnDrawLine) {
      OnDrawLine(this, &dib, vcl::Rect(0, 0, point_count_, trace_height_), trace_data_.data());
      if (screen) dib.DrawToDC(Canvas()->Handle(), whole, 0, 0);
    } else {
      if (!scroll_ || full || full_repaint_) {
        DrawBackGround();
        scroll_column_ = -bar_width_;
        bar_position_ = 0;
        prev_trace_point_ = {0, half_height_};
        if (scroll_ && !full_repaint_) MarkOthersForRepaint();
      }
      const TPassColors colors{dib.ColorToDIB(ForegroundColor()), dib.ColorToDIB(InactiveColor()),
                               dib.ColorToDIB(EffectColor())};
      if (Enabled()) {
        if (!scroll_) {
          DrawSelectionFill();
          if (draw_mid_line_) {
            dib.DIB_SetTColor(DisabledColor());
            Dib::DIB_HLineDashed(0, point_count_, half_height_);
          }
          DrawGridLines();
        }
        DrawKind(colors);
      } else {
        dib.DIB_SetTColor(DisabledColor());
        Dib::DIB_HLine(5, point_count_ - 5, half_height_);
      }
      if (!scroll_) {
        DrawSelectionOutline();
        // What a post-paint handler draws on the screen is not the DIB's.
        if (screen && OnPostPaint)
          dib.DrawToDC(Canvas()->Handle(), whole, 0, 0);
        else if (screen)
          dib.DrawChangesToDC(Canvas()->Handle(), whole, 0, 0);
      } else {
        DrawScrollStep(full);
      }
    }
  }
  if (OnPostPaint) OnPostPaint(this);
}

void TMMOscope::DrawKind(const TPassColors& c) {
  switch (kind_) {
    case okDots:
      return DrawDots(c);
    case okConLines:
      return DrawConLines(c);
    case okVertLines:
      return DrawVertLines(c);
    case okMirLines:
      return DrawMirLines(c);
    case okSpikes:
      return DrawSpikes(c);
  }
}

// The index of the Scroll column's value of larger magnitude: the second
// only when strictly larger.
int32_t TMMOscope::ScrollExtremeIndex() const {
  return std::abs(static_cast<int32_t>(trace_data_[1])) > std::abs(static_cast<int32_t>(trace_data_[0])) ? 1
                                                                                                         : 0;
}

// The kinds that mark each value on its own: every Steps-th point, or in
// Scroll mode one cleared column with both values or the larger one.
// base_line: the two-row line across the centre first.
template <class Mark>
void TMMOscope::DrawMarks(const TPassColors& c, bool base_line, bool both_values, Mark mark) {
  if (scroll_) {
    DIBCanvas()->DIB_SetTColor(Color());
    Dib::DIB_VLine(scroll_column_, 0, trace_height_);
    if (both_values) {
      mark(scroll_column_, trace_data_[0]);
      mark(scroll_column_, trace_data_[1]);
    } else {
      mark(scroll_column_, trace_data_[static_cast<size_t>(ScrollExtremeIndex())]);
    }
    return;
  }
  if (base_line) {
    Dib::DIB_SetColor(c.foreground);
    Dib::DIB_HLine(0, point_count_, half_height_);
    if (effect_ == efSplit) Dib::DIB_SetColor(c.effect);
    Dib::DIB_HLine(0, point_count_, half_height_ - 1);
  }
  for (int32_t i = 0; i < point_count_; i += steps_) mark(i, trace_data_[static_cast<size_t>(i)]);
}

void TMMOscope::DrawDots(const TPassColors& c) {
  auto dot = [&](int32_t x, int32_t value) {
    const int32_t level = CheckedLevel(value);
    Dib::DIB_SetPixel(x, trace_height_ - level - 1, Marked(level) ? c.effect : c.foreground);
  };
  DrawMarks(c, false, true, dot);
}

void TMMOscope::DrawConLines(const TPassColors& c) {
  if (scroll_) {
    const int32_t x = scroll_column_;
    DIBCanvas()->DIB_SetTColor(Color());
    Dib::DIB_VLine(x, 0, trace_height_);
    Dib::DIB_MoveTo(prev_trace_point_.x, prev_trace_point_.y);
    int32_t row = 0;
    for (int k = 0; k < 2; ++k) {
      const int32_t level = CheckedLevel(trace_data_[static_cast<size_t>(k)]);
      row = trace_height_ - level - 1;
      Dib::DIB_SetColor(Marked(level) ? c.effect : c.foreground);
      Dib::DIB_LineTo(x, row);
    }
    prev_trace_point_ = {x, row};
    return;
  }
  // Only the plain trace gives the correlation its values.
  const bool values = effect_ == efNone;
  if (values && OnArrayNew) OnArrayNew(this);
  Dib::DIB_SetColor(c.inactive);
  Dib::DIB_MoveTo(0, RowOf(trace_data_[0]));
  int32_t i = steps_;
  int32_t row = RowOf(trace_data_[0]);
  for (; i < point_count_; i += steps_) {
    const int32_t level = CheckedLevel(trace_data_[static_cast<size_t>(i)]);
    row = trace_height_ - level - 1;
    Dib::DIB_SetColor(Marked(level) ? c.effect : c.foreground);
    Dib::DIB_LineTo(i, row);
    if (!values || i >= kPointValueCount) continue;
    // In control coordinates, a clipped point at the edge it was clipped to.
    const int32_t y = std::clamp(row, 0, trace_height_ - 1);
    point_values_[static_cast<size_t>(i)] = AmplitudeAt({i + trace_rect_.left, y + trace_rect_.top});
    if (OnArrayFull) OnArrayFull(this);
  }
  // The last level continues to the next step position.
  Dib::DIB_LineTo(i, row);
}

void TMMOscope::DrawVertLines(const TPassColors& c) {
  auto bar = [&](int32_t x, int32_t value) {
    const int32_t level = CheckedLevel(value);
    const int32_t row = trace_height_ - level - 1;
    if (effect_ == efSplit) {
      Dib::DIB_SetColor(row < half_height_ ? c.effect : c.foreground);
      Dib::DIB_VLine(x, half_height_, row);
      return;
    }
    Dib::DIB_SetColor(c.foreground);
    Dib::DIB_VLine(x, half_height_, row);
    if (effect_ != efPeak) return;
    Dib::DIB_SetColor(c.effect);
    if (row < effect_low_) Dib::DIB_VLine(x, row, row + 5);
    if (row > effect_high_) Dib::DIB_VLine(x, row, row - 5);
  };
  DrawMarks(c, true, effect_ == efSplit, bar);
}

void TMMOscope::DrawMirLines(const TPassColors& c) {
  auto bar = [&](int32_t x, int32_t value) {
    const int32_t level = CheckedLevel(value);
    const int32_t r = trace_height_ - level - 1;
    if (effect_ == efSplit) {
      Dib::DIB_SetColor(c.effect);
      Dib::DIB_VLine(x, half_height_, std::min(level, r));
      Dib::DIB_SetColor(c.foreground);
      Dib::DIB_VLine(x, half_height_, std::max(level, r));
      return;
    }
    Dib::DIB_SetColor(c.foreground);
    Dib::DIB_VLine(x, r, level);
    if (effect_ != efPeak) return;
    Dib::DIB_SetColor(c.effect);
    if (level < effect_low_) {
      Dib::DIB_VLine(x, level, level + 5);
      Dib::DIB_VLine(x, r, r - 5);
    } else if (level > effect_high_) {
      Dib::DIB_VLine(x, level, level - 5);
      Dib::DIB_VLine(x, r, r + 5);
    }
  };
  DrawMarks(c, true, false, bar);
}

void TMMOscope::DrawSpikes(const TPassColors& c) {
  auto spike = [&](int32_t x, int32_t value) {
    const int32_t level = CheckedLevel(value);
    const int32_t row = trace_height_ - level - 1;
    if (effect_ == efSplit && level > effect_high_) {
      Dib::DIB_SetColor(c.effect);
      Dib::DIB_VLine(x, half_height_, row);
      Dib::DIB_SetColor(c.foreground);
      Dib::DIB_VLine(x, trace_height_, half_height_);
      return;
    }
    Dib::DIB_SetColor(c.foreground);
    Dib::DIB_VLine(x, trace_height_, row);
    if (effect_ == efPeak && row < 2 * effect_low_) {
      Dib::DIB_SetColor(c.effect);
      Dib::DIB_VLine(x, row, row + 5);
    }
  };
  DrawMarks(c, false, effect_ == efSplit, spike);
}

void TMMOscope::DrawSelectionFill() {
  if (sel_start_ < 0 || sel_end_ < 0) return;
  DIBCanvas()->DIB_SetTColor(SelectionColor());
  Dib::DIB_FillRect(vcl::Rect(sel_start_, 0, sel_end_ + 1, trace_height_));
}

void TMMOscope::DrawSelectionOutline() {
  if (sel_start_ >= 0 && sel_end_ >= 0) {
    DIBCanvas()->DIB_SetTColor(SelectionDotColor());
    Dib::DIB_HLineDashed(sel_start_, sel_end_ + 1, 0);
    Dib::DIB_HLineDashed(sel_start_, sel_end_ + 1, trace_height_ - 1);
    Dib::DIB_VLineDashed(sel_start_, 0, trace_height_ - 1);
    Dib::DIB_VLineDashed(sel_end_, 0, trace_height_ - 1);
  }
  if (locator_pos_ < 0) return;
  DIBCanvas()->DIB_SetTColor(LocatorColor());
  Dib::DIB_MoveTo(locator_pos_, 0);
  Dib::DIB_LineTo(locator_pos_, trace_height_);
}

void TMMOscope::DrawGridLines() {
  if (!draw_grid_) return;
  DIBCanvas()->DIB_SetTColor(GridColor());
  const float s = 32768.0f / static_cast<float>(trace_height_);
  for (int32_t i = 0; i <= amp_divisions_; ++i) {
    // 32760 keeps the top line inside the DIB.
    const auto step = static_cast<int32_t>(static_cast<float>(i) * 32760.0f / amp_divisions_ / s);
    Dib::DIB_HLineDotted(0, point_count_, trace_height_ - step - 1, 1);
  }
  const int32_t n = TimeDivisions(point_count_);
  for (int32_t j = 0; j <= n; ++j) Dib::DIB_VLineDotted((point_count_ - 1) * j / n, 0, trace_height_, 1);
}

// ---- Scroll mode ----

void TMMOscope::DrawScrollStep(bool full) {
  Dib& dib = *DIBCanvas();
  const bool screen = Canvas()->HandleAllocated();
  if (full || full_repaint_ || !accelerate_) {
    if (bar_position_ < point_count_) DrawScrollBar(accelerate_);
    if (screen)
      dib.DrawToDC(Canvas()->Handle(),
                   vcl::Rect(trace_rect_.left, trace_rect_.top, point_count_, trace_height_), 0, 0);
    full_repaint_ = false;
  } else if (screen && scroll_column_ >= 0) {
    dib.DrawToDC(Canvas()->Handle(),
                 vcl::Rect(trace_rect_.left + scroll_column_, trace_rect_.top, 1, trace_height_),
                 scroll_column_, 0);
  }
  if (bar_position_ < point_count_) {
    if (accelerate_) DrawScrollBar(true);
    ++scroll_column_;
    ++bar_position_;
    return;
  }
  if (accelerate_)
    ScrollScreen();
  else
    Dib::DIB_CopyRect(dib.PixelBits(), 0, 0, point_count_ - 1, trace_height_, 1, 0);
}

void TMMOscope::DrawScrollBar(bool on_screen) {
  const int32_t ticks = amp_divisions_;
  auto tick_row = [&](int32_t i) {
    return trace_height_ - static_cast<int32_t>(static_cast<int64_t>(trace_height_ - 1) * i / ticks) - 1;
  };
  if (on_screen) {
    vcl::TCanvas* canvas = Canvas();
    if (!canvas->HandleAllocated()) return;
    const int32_t x = trace_rect_.left + bar_position_;
    canvas->Pen()->SetMode(vcl::pmCopy);
    canvas->Pen()->SetColor(BarColor());
    canvas->Pen()->SetWidth(1);
    canvas->MoveTo(x, trace_rect_.top);
    canvas->LineTo(x, trace_rect_.bottom);
    for (int32_t i = 0; i <= ticks; ++i) canvas->SetPixels(x, BevelExtent() + tick_row(i), BarTickColor());
    return;
  }
  Dib& dib = *DIBCanvas();
  dib.DIB_SetTColor(BarColor());
  Dib::DIB_FillRect(vcl::Rect(scroll_column_ + 1, 0, bar_position_ + 1, trace_height_));
  dib.DIB_SetTColor(BarTickColor());
  for (int32_t i = 0; i <= ticks; ++i) Dib::DIB_HLine(scroll_column_ + 1, bar_position_ + 1, tick_row(i));
}

void TMMOscope::ScrollScreen() {
  vcl::TWinControl* parent = Parent();
  if (!parent || !parent->HandleAllocated() || !Visible()) return;
  const int b = BevelExtent();
  plat::RECT r{Left() + b, Top() + b, Left() + Width() - b, Top() + Height() - b};
  if (draw_amp_scale_) {
    r.left += kScaleWidth;
    r.right -= kScaleWidth;
  }
  if (draw_time_scale_) r.bottom -= kScaleHeight;
  r.right -= bar_width_ - 1;
  plat::ScrollWindowEx(parent->Handle(), -1, 0, &r, &r, nullptr, nullptr, 0);
}

// ---- Paint and the scales ----

void TMMOscope::Paint() {
  std::lock_guard lock(DisplayLock());
  vcl::TCanvas* canvas = Canvas();
  const vcl::TColor parent_color = Parent() ? Parent()->Color() : vcl::clBtnFace;
  const int w = Width(), h = Height();
  if (draw_amp_scale_ || draw_time_scale_) {
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(parent_color);
    if (draw_amp_scale_) {
      const int sh = draw_time_scale_ ? h - kScaleHeight : h;
      canvas->FillRect(vcl::Rect(29, 0, 32, sh));
      canvas->FillRect(vcl::Rect(w - 32, 0, w - 29, sh));
    }
    if (draw_time_scale_) {
      canvas->FillRect(vcl::Rect(0, h - 40, w, h - 37));
      if (draw_amp_scale_) {
        canvas->FillRect(vcl::Rect(0, h - 40, 32, h));
        canvas->FillRect(vcl::Rect(w - 32, h - 40, w, h));
      }
    }
  }
  if (draw_amp_scale_ && draw_time_scale_) {
    const plat::HDC dc = canvas->Handle();
    plat::SetTextColor(dc, vcl::ColorToRGB(ScaleTextColor()));
    plat::SetBkMode(dc, plat::TRANSPARENT);
    engine::DrawRotatedText(dc, 16, h - 34, "V", "ARIAL", 10, 1);
    engine::DrawRotatedText(dc, w - 14, h - 34, "V", "ARIAL", 10, 0);
    engine::DrawRotatedText(dc, w - 30, h - 20, "mS", "ARIAL", 10, 0);
  }
  vcl::TRect r = ClientRect();
  if (draw_amp_scale_) {
    r.left += kScaleWidth;
    r.right -= kScaleWidth;
  }
  if (draw_time_scale_) r.bottom -= kScaleHeight;
  Bevel()->Paint(canvas, r, true);
  PaintAmpScale();
  PaintTimeScale();
  // Paint starts the scrolling trace over.
  DrawTrace(true);
}

void TMMOscope::PaintAmpScale() {
  if (!draw_amp_scale_) return;
  const int b = BevelExtent();
  const int h = draw_time_scale_ ? Height() - kScaleHeight : Height();
  vcl::TBitmap bitmap;
  bitmap.SetWidth(kScaleWidth);
  bitmap.SetHeight(h);
  vcl::TCanvas* c = bitmap.Canvas();
  const float s = 32768.0f / static_cast<float>(trace_height_);
  auto offset = [&](int32_t i) {
    return static_cast<int32_t>(static_cast<float>(i) * 32768.0f / amp_divisions_ / s);
  };
  auto draw_side = [&](int axis_x, int tick_x, int label_x) {
    c->Brush()->SetStyle(vcl::bsSolid);
    c->Brush()->SetColor(Parent() ? Parent()->Color() : vcl::clBtnFace);
    c->FillRect(vcl::Rect(0, 0, kScaleWidth, h));
    c->Pen()->SetColor(ScaleLineColor());
    c->MoveTo(axis_x, h - b - 1);
    for (int32_t i = 0; i <= amp_divisions_; ++i) {
      const int y = h - b - offset(i) - 1;
      c->LineTo(axis_x, y);
      c->LineTo(tick_x, y);
      c->MoveTo(axis_x, y);
    }
    const plat::HDC dc = c->Handle();
    plat::SetTextColor(dc, vcl::ColorToRGB(ScaleTextColor()));
    plat::SetBkMode(dc, plat::TRANSPARENT);
    if (kind_ == okSpikes) {
      for (int32_t i = 0; i <= amp_divisions_; ++i)
        engine::DrawRotatedText(dc, label_x, h - b - offset(i) - 1,
                                FormatFloat("%4.2f", static_cast<double>(i) / amp_divisions_), "ARIAL", 10,
                                1);
      return;
    }
    for (int32_t k = 0; k <= amp_divisions_ / 2; ++k) {
      const std::string t = FormatFloat("%4.2f", 2.0 * k / amp_divisions_);
      engine::DrawRotatedText(dc, label_x, h - b - half_height_ - offset(k) - 1, k > 0 ? "+" + t : t, "ARIAL",
                              10, 1);
      engine::DrawRotatedText(dc, label_x, b + half_height_ + offset(k) + 1, k > 0 ? "-" + t : t, "ARIAL", 10,
                              1);
    }
  };
  draw_side(31, 28, 26);
  Canvas()->Draw(-3, 0, &bitmap);
  draw_side(0, 3, 29);
  Canvas()->Draw(Width() - 29, 0, &bitmap);
}

void TMMOscope::PaintTimeScale() {
  if (!draw_time_scale_) return;
  const int b = BevelExtent();
  vcl::TBitmap bitmap;
  bitmap.SetWidth(point_count_ + 2 * b);
  bitmap.SetHeight(kScaleHeight);
  vcl::TCanvas* c = bitmap.Canvas();
  c->Brush()->SetStyle(vcl::bsSolid);
  c->Brush()->SetColor(Parent() ? Parent()->Color() : vcl::clBtnFace);
  c->FillRect(vcl::Rect(0, 0, point_count_ + 2 * b, kScaleHeight));
  c->Pen()->SetColor(ScaleLineColor());
  const int32_t n = TimeDivisions(point_count_);
  const float step = TraceMilliseconds() / static_cast<float>(n);
  const plat::HDC dc = c->Handle();
  plat::SetTextColor(dc, vcl::ColorToRGB(ScaleTextColor()));
  plat::SetBkMode(dc, plat::TRANSPARENT);
  c->MoveTo(b, 0);
  for (int32_t j = 0; j <= n; ++j) {
    const int x = b + (point_count_ - 1) * j / n;
    c->LineTo(x, 0);
    c->LineTo(x, 3);
    c->MoveTo(x, 0);
    engine::DrawRotatedText(dc, x, 6, FormatFloat("%4.1f", static_cast<double>(j * step)), "ARIAL", 10, 2);
  }
  Canvas()->Draw(trace_rect_.left - b, trace_rect_.bottom + b + 3, &bitmap);
}

}  // namespace displays
