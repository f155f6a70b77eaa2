// What the spectrum draws: the passes of the six kinds, the unlit bars, the
// grid, the scales, the peak label and the mouse read-out.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "displays/MMSpectrum.h"
#include "engine/MMUtilsBitmaps.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Cursor.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace displays {

using Lock = std::lock_guard<std::recursive_mutex>;

namespace {

constexpr int32_t kScrollStep = 2;
constexpr const char* kScaleFont = "ARIAL";
constexpr int kScaleFontHeight = 10;

std::string Format(const char* format, double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

}  // namespace

// The pixel values of one pass, converted once.
struct TMMSpectrum::DrawState {
  TMMDIBCanvas* dib = nullptr;
  bool eight_bits = false;
  // Bar1..3, Inactive1..3.
  std::array<int32_t, 6> pixel{};

  // The zone colour of v in the unit of the kind (heights, spots).
  int32_t Zone(const TMMSpectrum& s, int32_t v) const {
    return pixel[v <= s.zone1_ ? 0 : v <= s.zone2_ ? 1 : 2];
  }
};

// ---- the pass ----

void TMMSpectrum::DrawSpectrum(bool full) {
  Lock lock(DisplayLock());
  // Outside the spectrum's pass: the template opens its own.
  if (!OnDrawBar && !template_valid_) RedrawTemplate();
  TMMDIBCanvas& dib = *DIBCanvas();
  {
    TDIBDrawingPass pass(dib);
    DrawState s;
    s.dib = &dib;
    s.eight_bits = dib.BitsPerPixel() == 8;
    for (size_t i = 0; i < 6; ++i) s.pixel[i] = dib.ColorToDIB(colors_[i]);
    const bool spots = kind_ == skBars || kind_ == skPeaks;
    if (full || kind_ != skScroll) {
      // Between the base's resize of the DIB and Changed, the template can
      // still have the old size; it is copied only while the two match.
      const bool template_fits = template_valid_ && template_->Width() == dib.Width() &&
                                 template_->Height() == dib.Height() &&
                                 template_->BitsPerPixel() == dib.BitsPerPixel();
      if (!OnDrawBar && spots && draw_inactive_ && template_fits) {
        TMMDIBCanvas::DIB_CopyRect(template_->PixelBits(), 0, 0, width_, height_, 0, 0);
      } else if (!OnDrawBar && kind_ != skScroll) {
        if (OnClearBackground)
          OnClearBackground(this, &dib, vcl::Rect(0, 0, width_, height_));
        else
          DrawBackGround();
      } else if (OnClearBackground) {
        OnClearBackground(this, &dib, vcl::Rect(0, 0, width_, height_));
      } else {
        dib.DIB_SetTColor(Color());
        TMMDIBCanvas::DIB_Clear();
      }
    } else if (!DesignMode()) {
      // The older lines slide down under the newest one.
      TMMDIBCanvas::DIB_CopyRect(dib.PixelBits(), 0, kScrollStep, width_, height_ - kScrollStep, 0, 0);
      dib.DIB_SetTColor(Color());
      TMMDIBCanvas::DIB_FillRect(vcl::Rect(0, 0, width_, kScrollStep));
    }
    ComputeHeights();
    if (kind_ != skScroll) DrawGridLines(s);
    switch (kind_) {
      case skDots:
        DrawDots(s);
        break;
      case skVLines:
        DrawVertLines(s);
        break;
      case skLines:
      case skScroll:
        DrawLines(s);
        break;
      default:
        DrawBars(s);
        break;
    }
    if (Canvas()->HandleAllocated())
      dib.DrawChangesToDC(Canvas()->Handle(), vcl::Rect(draw_rect_.left, draw_rect_.top, width_, height_), 0,
                          0);
  }
  DrawPeakLabel();
}

void TMMSpectrum::DrawGridLines(const DrawState& s) {
  if (!draw_grid_) return;
  s.dib->DIB_SetTColor(colors_[8]);
  const int32_t h = height_;
  int32_t d = log_amp_ ? 6 : 10;
  while (h / d < 10 && d > 1) --d;
  for (int32_t i = 0; i <= d; ++i) {
    int32_t row;
    if (log_amp_) {
      row = static_cast<int32_t>(std::trunc((h - 1) * static_cast<double>(i) / d));
    } else {
      const float scale = vertical_factor_ * 32768.0f / static_cast<float>(h);
      row = h -
            static_cast<int32_t>(std::trunc(i * static_cast<double>(vertical_factor_) * 32760 / d / scale)) -
            1;
    }
    TMMDIBCanvas::DIB_HLineDotted(0, width_, row, 1);
  }
  int32_t n = 32;
  while (width_ / n < 10 && n > 1) n /= 2;
  for (int32_t j = 0; j <= n; ++j) TMMDIBCanvas::DIB_VLineDotted((width_ - 1) * j / n, 0, height_, 1);
}

// ---- the kinds ----

void TMMSpectrum::DrawDots(const DrawState& s) {
  for (int32_t r = 0; r < width_ && records_[static_cast<size_t>(r)].First != -1; ++r) {
    const TColumnRecord& rec = records_[static_cast<size_t>(r)];
    const int32_t y = std::clamp(height_ - rec.Height - 1, 0, height_ - 1);
    // Rows count from the top: the zone test runs the other way.
    int32_t pixel = y > zone1_ ? s.pixel[0] : y > zone2_ ? s.pixel[1] : s.pixel[2];
    if (!Enabled()) pixel = s.pixel[3];
    TMMDIBCanvas::DIB_SetColor(pixel);
    TMMDIBCanvas::DIB_HLine(rec.First, rec.End, y);
  }
}

void TMMSpectrum::DrawVertLines(const DrawState& s) {
  for (int32_t r = 0; r < width_ && records_[static_cast<size_t>(r)].First != -1; ++r) {
    const TColumnRecord& rec = records_[static_cast<size_t>(r)];
    int32_t h = std::clamp(rec.Height, 0, height_ - 1);
    const int32_t c = (height_ + h) / 2;
    vcl::TRect box = vcl::Rect(rec.First, height_ - c - 1, rec.End, c + 1);
    if (box.right - box.left < 1) box.right = box.left + 1;
    if (box.right - box.left > space_) {
      box.left += space_ / 2;
      box.right -= space_ - space_ / 2;
    }
    if (!Enabled()) {
      TMMDIBCanvas::DIB_SetColor(s.pixel[3]);
      TMMDIBCanvas::DIB_FillRect(box);
      continue;
    }
    // The lower zone in the middle, the upper zones towards both ends.
    if (h > zone2_) {
      TMMDIBCanvas::DIB_SetColor(s.pixel[2]);
      TMMDIBCanvas::DIB_FillRect(box);
      box.top += (h - zone2_) / 2;
      box.bottom -= (h - zone2_) / 2;
      h = zone2_;
    }
    if (h > zone1_) {
      TMMDIBCanvas::DIB_SetColor(s.pixel[1]);
      TMMDIBCanvas::DIB_FillRect(box);
      box.top += (h - zone1_) / 2;
      box.bottom -= (h - zone1_) / 2;
    }
    TMMDIBCanvas::DIB_SetColor(s.pixel[0]);
    TMMDIBCanvas::DIB_FillRect(box);
  }
}

void TMMSpectrum::DrawLines(const DrawState& s) {
  if (records_[0].First == -1) return;
  const int32_t line_pixel = Enabled() ? s.pixel[0] : s.pixel[3];
  auto row = [&](int32_t h) { return std::clamp(height_ - h - baseline_, 0, height_ - 1); };
  int32_t px = 0;
  int32_t py = 0;
  // 8 bits: each pixel in the zone colour of its own height, end point left
  // out; with thin, a steep flank leaves one pixel per column.
  auto zone_line = [&](int32_t x1, int32_t y1, bool thin) {
    const int32_t dx = std::abs(x1 - px);
    const int32_t dy = std::abs(y1 - py);
    const int32_t sx = x1 > px ? 1 : -1;
    const int32_t sy = y1 > py ? 1 : -1;
    const bool sparse = thin && dy > dx;
    int32_t x = px;
    int32_t y = py;
    int32_t err = (dx > dy ? dx : -dy) / 2;
    bool x_moved = true;
    for (int32_t i = std::max(dx, dy); i > 0; --i) {
      if ((!sparse || x_moved) && x >= 0 && x < width_ && y >= 0 && y < height_)
        TMMDIBCanvas::DIB_SetPixel(x, y, s.Zone(*this, height_ - y - baseline_));
      x_moved = false;
      const int32_t e2 = err;
      if (e2 > -dx) {
        err -= dy;
        x += sx;
        x_moved = true;
      }
      if (e2 < dy) {
        err += dx;
        y += sy;
      }
    }
    px = x1;
    py = y1;
  };
  auto polyline = [&](auto level_of, bool thin, bool close_always) {
    int32_t last_row = 0;
    for (int32_t r = 0; r < width_ && records_[static_cast<size_t>(r)].First != -1; ++r) {
      TColumnRecord& rec = records_[static_cast<size_t>(r)];
      const int32_t y = row(level_of(rec));
      if (r == 0) {
        TMMDIBCanvas::DIB_SetColor(line_pixel);
        TMMDIBCanvas::DIB_MoveTo(0, y);
        px = 0;
        py = y;
      }
      const int32_t x = rec.First + (rec.End - rec.First) / 2;
      if (s.eight_bits) {
        zone_line(x, y, thin);
      } else {
        TMMDIBCanvas::DIB_LineTo(x, y);
        px = x;
        py = y;
      }
      last_row = y;
    }
    if (s.eight_bits || close_always) {
      TMMDIBCanvas::DIB_SetColor(line_pixel);
      TMMDIBCanvas::DIB_MoveTo(px, py);
      TMMDIBCanvas::DIB_LineTo(width_, last_row);
    }
  };
  polyline([](const TColumnRecord& rec) { return rec.Height; }, kind_ == skScroll, false);
  if (kind_ != skLines || num_peaks_ < 1) return;
  polyline(
      [this](TColumnRecord& rec) {
        HoldPeak(rec, rec.Height);
        return rec.Peak;
      },
      false, true);
}

void TMMSpectrum::DrawBarSpots(const DrawState& s, int32_t left, int32_t right, int32_t lit, int32_t peak,
                               bool dotted) {
  if (right - left < 1) right = left + 1;
  if (right - left > space_) {
    left += space_ / 2;
    right -= space_ - space_ / 2;
  }
  TMMDIBCanvas::TSpotColumn column;
  column.left = left;
  column.right = right;
  column.bottom = height_ - bottom_offset_;
  column.height = spot_height_;
  column.pitch = pitch_;
  column.zone1 = zone1_;
  column.zone2 = zone2_;
  column.colors = {s.pixel[0], s.pixel[1], s.pixel[2]};
  column.dotted = dotted;
  // Spots outside 1..num_spots_ are never drawn.
  auto spots = [&](int32_t first, int32_t last) {
    TMMDIBCanvas::DIB_FillSpots(column, std::max(first, 1), std::min(last, num_spots_));
  };
  if (kind_ == skPeaks) {
    if (lit >= 1) spots(lit, lit);
  } else {
    spots(1, lit);
  }
  if (num_peaks_ < 1 || peak <= lit) return;
  spots(peak - std::min(num_peaks_, peak) + 1, peak);
}

void TMMSpectrum::DrawBars(const DrawState& s) {
  const int32_t n = OnDrawBar ? height_ : num_spots_;
  const double per_spot = static_cast<double>(height_) / n;
  for (int32_t r = 0; r < width_ && records_[static_cast<size_t>(r)].First != -1; ++r) {
    TColumnRecord& rec = records_[static_cast<size_t>(r)];
    // Clamped before rounding: loaded values may give any height.
    const int32_t lit =
        static_cast<int32_t>(std::nearbyint(std::clamp(rec.Height / per_spot + 0.5, 0.0, 1.0 * n)));
    if (num_peaks_ >= 1) HoldPeak(rec, lit);
    if (OnDrawBar)
      OnDrawBar(this, s.dib, vcl::Rect(rec.First, 0, rec.End, height_), lit, rec.Peak);
    else
      DrawBarSpots(s, rec.First, rec.End, lit, rec.Peak, active_doted_);
  }
}

void TMMSpectrum::RedrawTemplate() {
  if (!template_ || Loading() || ControlState().Contains(vcl::csCreating) || OnDrawBar ||
      (kind_ != skBars && kind_ != skPeaks) || first_bins_.empty()) {
    template_valid_ = false;
    return;
  }
  TDIBDrawingPass pass(*template_);
  DrawState s;
  s.dib = template_.get();
  s.eight_bits = template_->BitsPerPixel() == 8;
  // The unlit spots: every bar lit in the inactive colours.
  for (size_t i = 0; i < 3; ++i) s.pixel[i] = template_->ColorToDIB(colors_[i + 3]);
  template_->DIB_SetTColor(Color());
  TMMDIBCanvas::DIB_Clear();
  const TMMSpectrumKind kind = kind_;
  kind_ = skBars;
  int32_t left = 0;
  for (int32_t i = 1; i <= width_; ++i) {
    if (i < width_ && first_bins_[static_cast<size_t>(i)] == -1) continue;
    DrawBarSpots(s, left, i, num_spots_, 0, inactive_doted_);
    left = i;
  }
  kind_ = kind;
  template_valid_ = true;
}

// ---- on the control canvas ----

void TMMSpectrum::Paint() {
  Lock lock(DisplayLock());
  vcl::TCanvas* canvas = Canvas();
  const int w = Width();
  const int h = Height();
  if (draw_freq_scale_ || draw_amp_scale_) {
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->Brush()->SetColor(Parent() ? Parent()->Color() : colors_[9]);
    if (draw_amp_scale_) {
      const int scale_h = draw_freq_scale_ ? h - kFreqScaleHeight : h;
      canvas->FillRect(vcl::Rect(29, 0, 32, scale_h));
      canvas->FillRect(vcl::Rect(w - 32, 0, w - 29, scale_h));
    }
    if (draw_freq_scale_) {
      canvas->FillRect(vcl::Rect(0, h - 40, w, h - 37));
      if (draw_amp_scale_) {
        canvas->FillRect(vcl::Rect(0, h - 40, 32, h));
        canvas->FillRect(vcl::Rect(w - 32, h - 40, w, h));
      }
    }
    if (draw_freq_scale_ && draw_amp_scale_) {
      const plat::HDC dc = canvas->Handle();
      plat::SetTextColor(dc, vcl::ColorToRGB(colors_[6]));
      plat::SetBkMode(dc, plat::TRANSPARENT);
      const char* unit = log_amp_ ? "db" : "V";
      engine::DrawRotatedText(dc, log_amp_ ? 23 : 16, h - 32, unit, kScaleFont, kScaleFontHeight, 1);
      engine::DrawRotatedText(dc, w - 20, h - 32, unit, kScaleFont, kScaleFontHeight, 0);
      engine::DrawRotatedText(dc, w - 30, h - 20, "Hz", kScaleFont, kScaleFontHeight, 0);
    }
  }
  vcl::TRect r = ClientRect();
  if (draw_amp_scale_) {
    r.left += kAmpScaleWidth;
    r.right -= kAmpScaleWidth;
  }
  if (draw_freq_scale_) r.bottom -= kFreqScaleHeight;
  Bevel()->Paint(canvas, r, true);
  PaintAmpScale();
  PaintFreqScale();
  DrawSpectrum(true);
}

void TMMSpectrum::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT: {
      // Before the canvas lock the paint takes: display lock, then canvas lock.
      Lock lock(DisplayLock());
      inherited::Dispatch(message);
      return;
    }
    case vcl::CM_CANCELMODE:
    case vcl::CM_VISIBLECHANGED:
    case plat::WM_CAPTURECHANGED:
      // Whatever took the mouse or the control away ends a read-out, so the
      // cursor is never left confined and the refreshes resume.
      EndReadout();
      break;
    default:
      break;
  }
  inherited::Dispatch(message);
}

namespace {

// A scale bitmap in the parent's colour with the scale's text and line colours.
struct ScaleBitmap {
  ScaleBitmap(int width, int height, vcl::TColor back, vcl::TColor text, vcl::TColor line) {
    bitmap.SetSize(width, height);
    vcl::TCanvas* c = bitmap.Canvas();
    c->Brush()->SetColor(back);
    c->Brush()->SetStyle(vcl::bsSolid);
    c->FillRect(vcl::Rect(0, 0, width, height));
    c->Pen()->SetColor(line);
    plat::SetTextColor(c->Handle(), vcl::ColorToRGB(text));
    plat::SetBkMode(c->Handle(), plat::TRANSPARENT);
  }
  void Clear() {
    vcl::TCanvas* c = bitmap.Canvas();
    c->FillRect(vcl::Rect(0, 0, bitmap.Width(), bitmap.Height()));
  }
  void Text(int x, int y, const std::string& text, int orientation) {
    engine::DrawRotatedText(bitmap.Canvas()->Handle(), x, y, text, kScaleFont, kScaleFontHeight, orientation);
  }
  vcl::TBitmap bitmap;
};

}  // namespace

void TMMSpectrum::PaintAmpScale() {
  if (!draw_amp_scale_ || !Canvas()->HandleAllocated()) return;
  const int be = BevelExtent();
  const int h = draw_freq_scale_ ? Height() - kFreqScaleHeight : Height();
  ScaleBitmap scale(kAmpScaleWidth, h, Parent() ? Parent()->Color() : colors_[9], colors_[6], colors_[7]);
  vcl::TCanvas* c = scale.bitmap.Canvas();
  int32_t d = log_amp_ ? 6 : 10;
  while (height_ / d < 10 && d > 1) --d;
  const float s = vertical_factor_ * 32768.0f / static_cast<float>(height_);
  auto tick_y = [&](int32_t i) {
    if (log_amp_) return be + static_cast<int>(std::trunc((height_ - 1) * static_cast<double>(i) / d));
    return h - be - static_cast<int>(std::trunc(i * static_cast<double>(vertical_factor_) * 32760 / d / s)) -
           1;
  };
  auto label = [&](int32_t i, bool left) -> std::string {
    if (log_amp_) {
      const int v = static_cast<int>(std::lround(6.0 / d * i * -10));
      return left ? std::to_string(v) : Format("%2.d", v);
    }
    const double v = 10.0 / d * i * vertical_factor_ * 0.1;
    return Format(vertical_factor_ <= 0.095f ? "%5.3f" : "%4.2f", v);
  };
  for (bool left : {true, false}) {
    if (!left) scale.Clear();
    const int x0 = left ? 31 : 0;
    const int x1 = left ? 28 : 3;
    c->MoveTo(x0, log_amp_ ? be : h - be - 1);
    for (int32_t i = 0; i <= d; ++i) {
      const int y = tick_y(i);
      c->LineTo(x0, y);
      c->LineTo(x1, y);
      c->MoveTo(x0, y);
      if (left)
        scale.Text(log_amp_ ? 27 : 26, y, label(i, true), 1);
      else
        scale.Text(6, y, label(i, false), 0);
    }
    Canvas()->Draw(left ? -3 : Width() - 29, 0, &scale.bitmap);
  }
}

void TMMSpectrum::PaintFreqScale() {
  if (!draw_freq_scale_ || !Canvas()->HandleAllocated()) return;
  const int be = BevelExtent();
  ScaleBitmap scale(2 * be + width_, kFreqScaleHeight, Parent() ? Parent()->Color() : colors_[9], colors_[6],
                    colors_[7]);
  vcl::TCanvas* c = scale.bitmap.Canvas();
  int32_t n = 32;
  while (width_ / n < 10 && n > 1) n /= 2;
  const double fs = frequency_scale_;
  const float d = log_freq_ ? static_cast<float>(std::log(fft_length_ / 2.0) / (n * fs))
                            : static_cast<float>((sample_rate_ / 2.0 - start_freq_) / n / fs);
  c->MoveTo(be, 0);
  for (int32_t j = 0; j <= n; ++j) {
    const int x = be + static_cast<int>(std::nearbyint((width_ - 1) * static_cast<double>(j) / n));
    c->LineTo(x, 0);
    c->LineTo(x, 3);
    c->MoveTo(x, 0);
    float f = log_freq_ ? std::exp(j * d) * start_freq_ : j * d + start_freq_;
    f = std::max(f, 0.0f);
    const std::string text =
        custom_freq_labels_ ? std::to_string(freq_labels_[static_cast<size_t>(j)]) : Format("%.0f", f);
    scale.Text(x, 6, text, 2);
  }
  Canvas()->Draw(draw_rect_.left - be, draw_rect_.bottom + be + 3, &scale.bitmap);
}

float TMMSpectrum::PeakLabelFrequency() const {
  const double sr = sample_rate_;
  const int32_t b = highest_bin_;
  if (log_freq_) return static_cast<float>((b > 1 ? b : b + 0.25) * sr / fft_length_);
  return static_cast<float>((b + 0.5) * sr / fft_length_);
}

void TMMSpectrum::DrawPeakLabel() {
  peak_label_.clear();
  if (DesignMode() || !display_peak_ || highest_height_ < 6) return;
  const float f = PeakLabelFrequency();
  peak_.Frequency = f;
  std::string text;
  if (extern_peak_freq_) {
    peak_.Frequency = extern_peak_value_;
    text = Format("%7.1f Hz", extern_peak_value_);
  } else {
    // The offset applies at every frequency.
    text = Format("%7.1f Hz", static_cast<double>(f) + peak_freq_offset_);
  }
  text.erase(0, text.find_first_not_of(
                    std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f"
                                "\x10\x11\x12\x13\x14\x15\x16\x17\x18\x19\x1a\x1b\x1c\x1d\x1e\x1f ",
                                32)));
  peak_label_ = text;
  vcl::TCanvas* canvas = Canvas();
  if (!canvas->HandleAllocated()) return;
  canvas->Font()->SetName("MS Sans Serif");
  canvas->Font()->SetStyle(vcl::TFontStyles{vcl::fsBold});
  canvas->Font()->SetSize(8);
  canvas->Font()->SetColor(vcl::clWhite);
  canvas->Brush()->SetStyle(vcl::bsClear);
  const int tw = canvas->TextWidth(text);
  const int th = canvas->TextHeight(text);
  if (tw + highest_column_ >= width_) highest_column_ = width_ - tw - 1;
  const int y = std::max(height_ - highest_height_ - baseline_ - th, 0);
  const int be = BevelExtent();
  canvas->TextOut(highest_column_ + be + (draw_amp_scale_ ? kAmpScaleWidth : 0), be + y, text);
  // The label stands over the picture on the screen only; a glyph may reach
  // a little beyond its text box.
  constexpr int kGlyphReach = 4;
  DIBCanvas()->ScreenDrawnOver(vcl::Rect(highest_column_ - kGlyphReach, y - kGlyphReach,
                                         highest_column_ + tw + kGlyphReach, y + th + kGlyphReach));
  canvas->Font()->SetStyle(vcl::TFontStyles{});
  canvas->Brush()->SetStyle(vcl::bsSolid);
}

// ---- mouse read-out ----

float TMMSpectrum::FrequencyAt(vcl::TPoint p) const {
  Lock lock(DisplayLock());
  if (!plat::PtInRect(&draw_rect_, p)) return 0;
  const int32_t x = p.x - draw_rect_.left;
  double f;
  if (log_freq_) {
    const float k = static_cast<float>(std::log(fft_length_ / 2.0) / ((width_ - 1) * frequency_scale_));
    f = std::exp(x * static_cast<double>(k)) * start_freq_;
  } else {
    const float k = static_cast<float>((sample_rate_ / 2.0 - start_freq_) / (width_ - 1) / frequency_scale_);
    f = x * static_cast<double>(k) + start_freq_;
  }
  return static_cast<float>(std::max(f, 0.0));
}

float TMMSpectrum::AmplitudeAt(vcl::TPoint p) const {
  Lock lock(DisplayLock());
  if (!plat::PtInRect(&draw_rect_, p)) return 0;
  const int32_t y = p.y - draw_rect_.top;
  if (log_amp_) return static_cast<float>(-10 * (6.0 / (height_ - 1) * y));
  return static_cast<float>(10.0 / (height_ - 1) * (height_ - 1 - y) * vertical_factor_ * 0.1);
}

std::string TMMSpectrum::ReadoutText(vcl::TPoint p) const {
  Lock lock(DisplayLock());
  if (!plat::PtInRect(&draw_rect_, p)) return {};
  std::string text = Format("%2.3f KHz", FrequencyAt(p) / 1000.0);
  if (kind_ == skScroll) return text;
  const double a = AmplitudeAt(p);
  if (log_amp_) return text + Format(" %2.2f dB", a);
  return text + Format(VerticalScale() <= 9 ? " %5.3f V" : " %4.2f V", a);
}

void TMMSpectrum::RestoreReadoutBox() {
  if (readout_save_.empty()) return;
  TMMDIBCanvas& dib = *DIBCanvas();
  const int32_t bpp = dib.BitsPerPixel() / 8;
  const int32_t stride = (dib.Width() * bpp + 3) & ~3;
  const size_t row_bytes = static_cast<size_t>(readout_box_.right - readout_box_.left) * bpp;
  const uint8_t* from = readout_save_.data();
  for (int32_t y = readout_box_.top; y < readout_box_.bottom; ++y, from += row_bytes)
    std::memcpy(
        dib.PixelBits() + static_cast<ptrdiff_t>(dib.Height() - 1 - y) * stride + readout_box_.left * bpp,
        from, row_bytes);
  readout_save_.clear();
}

void TMMSpectrum::ShowReadout(vcl::TPoint p) {
  Lock lock(DisplayLock());
  if (!readout_active_) return;
  TMMDIBCanvas& dib = *DIBCanvas();
  {
    TDIBDrawingPass pass(dib);
    RestoreReadoutBox();
    if (plat::PtInRect(&draw_rect_, p)) {
      const std::string text = ReadoutText(p);
      dib.Font()->SetName("MS Sans Serif");
      dib.Font()->SetStyle(vcl::TFontStyles{});
      dib.Font()->SetSize(8);
      dib.Font()->SetColor(vcl::clInfoText);
      const int tw = dib.TextWidth(text);
      const int th = dib.TextHeight(text);
      vcl::TRect box;
      box.left = p.x - BevelExtent() - (draw_amp_scale_ ? kAmpScaleWidth : 0);
      box.top = p.y - BevelExtent() + 15;
      box.right = box.left + tw + 4;
      box.bottom = box.top + th + 2;
      if (box.bottom > height_) {
        box.top -= 40;
        box.bottom -= 40;
      }
      if (box.right > width_) {
        box.left -= box.right - width_;
        box.right = width_;
      }
      if (box.top < 0) {
        box.top = 0;
        box.bottom = th + 2;
      }
      // Exactly the box's pixels inside the DIB are kept for the restore.
      readout_box_ = vcl::Rect(std::max<int>(box.left, 0), std::max<int>(box.top, 0),
                               std::min<int>(box.right, width_), std::min<int>(box.bottom, height_));
      if (readout_box_.right > readout_box_.left && readout_box_.bottom > readout_box_.top) {
        const int32_t bpp = dib.BitsPerPixel() / 8;
        const int32_t stride = (dib.Width() * bpp + 3) & ~3;
        const size_t row_bytes = static_cast<size_t>(readout_box_.right - readout_box_.left) * bpp;
        readout_save_.resize(row_bytes * static_cast<size_t>(readout_box_.bottom - readout_box_.top));
        uint8_t* to = readout_save_.data();
        for (int32_t y = readout_box_.top; y < readout_box_.bottom; ++y, to += row_bytes)
          std::memcpy(to,
                      dib.PixelBits() + static_cast<ptrdiff_t>(dib.Height() - 1 - y) * stride +
                          readout_box_.left * bpp,
                      row_bytes);
      }
      dib.Brush()->SetColor(vcl::clWhite);
      dib.Brush()->SetStyle(vcl::bsSolid);
      dib.Pen()->SetColor(vcl::clBlack);
      dib.Rectangle(box);
      dib.Brush()->SetStyle(vcl::bsClear);
      plat::RECT rect = box;
      plat::DrawTextA(dib.Handle(), text.c_str(), static_cast<int>(text.size()), &rect,
                      plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX);
      dib.Brush()->SetStyle(vcl::bsSolid);
    }
  }
  DrawNow(
      [this](void*) {
        TMMDIBCanvas& d = *DIBCanvas();
        {
          TDIBDrawingPass pass(d);
          d.DrawToDC(Canvas()->Handle(), vcl::Rect(draw_rect_.left, draw_rect_.top, width_, height_), 0, 0);
        }
        DrawPeakLabel();
      },
      nullptr);
}

void TMMSpectrum::EndReadout() {
  if (!readout_active_) return;
  {
    Lock lock(DisplayLock());
    if (!readout_active_) return;
    if (Enabled()) ShowReadout(vcl::TPoint{-1, -1});
    readout_save_.clear();
    readout_active_ = false;
  }
  plat::ClipCursor(nullptr);
  if (MouseCapture()) SetMouseCapture(false);
  // Turning the hint off detached it from the parent's; both come back.
  SetShowHint(saved_show_hint_);
  SetParentShowHint(saved_parent_show_hint_);
}

void TMMSpectrum::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (!DesignMode() && Enabled() && show_info_ && button == vcl::mbLeft && !readout_active_) {
    const vcl::TPoint top_left = ClientToScreen(vcl::TPoint{draw_rect_.left, draw_rect_.top});
    const vcl::TPoint bottom_right = ClientToScreen(vcl::TPoint{draw_rect_.right, draw_rect_.bottom});
    const plat::RECT clip{top_left.x, top_left.y, bottom_right.x, bottom_right.y};
    plat::ClipCursor(&clip);
    readout_active_ = true;
    saved_show_hint_ = ShowHint();
    saved_parent_show_hint_ = ParentShowHint();
    if (saved_show_hint_) {
      SetShowHint(false);
      Update();
    }
    ShowReadout(vcl::TPoint{x, y});
  }
  inherited::MouseDown(button, shift, x, y);
}

void TMMSpectrum::MouseMove(vcl::TShiftState shift, int x, int y) {
  inherited::MouseMove(shift, x, y);
  if (readout_active_) ShowReadout(vcl::TPoint{x, y});
}

void TMMSpectrum::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbLeft) EndReadout();
  inherited::MouseUp(button, shift, x, y);
}

}  // namespace displays
