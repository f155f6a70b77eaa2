#include "platform/gdi/Text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <string>

#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/TextUtf8.h"

namespace plat {

namespace {

std::string_view Chars(const char* text, int count) {
  if (text == nullptr) return {};
  return count < 0 ? std::string_view(text) : std::string_view(text, static_cast<size_t>(count));
}

// Direction of the baseline for an escapement; quarter turns exact.
void Direction(const fonts::Font& font, double* c, double* s) {
  switch (font.Escapement()) {
    case 0:
      *c = 1, *s = 0;
      return;
    case 900:
      *c = 0, *s = 1;
      return;
    case 1800:
      *c = -1, *s = 0;
      return;
    case 2700:
      *c = 0, *s = -1;
      return;
    default: {
      double a = font.Escapement() * std::numbers::pi / 1800.0;
      *c = std::cos(a);
      *s = std::sin(a);
    }
  }
}

// Advance of each character: given per byte (a character takes the sum of its
// bytes), or the font's own plus the DC's character extra.
std::vector<int> CharAdvances(const fonts::Font& font, std::string_view text, const int* dx, int extra) {
  std::vector<int> out;
  if (dx != nullptr) {
    for (size_t pos = 0; pos < text.size();) {
      size_t len = fonts::DecodeUtf8At(text, pos).length;
      int a = 0;
      for (size_t i = 0; i < len; ++i) a += dx[pos + i];
      out.push_back(a);
      pos += len;
    }
    return out;
  }
  out = font.Advances(text);
  if (extra != 0)
    for (int& a : out) a += extra;
  return out;
}

bool Intersect(RECT& r, const RECT& with) {
  r.left = std::max(r.left, with.left);
  r.top = std::max(r.top, with.top);
  r.right = std::min(r.right, with.right);
  r.bottom = std::min(r.bottom, with.bottom);
  return r.left < r.right && r.top < r.bottom;
}

// One plane of a mask whose reference point lies at `origin` on the surface,
// packed to bits and put on the surface in `color`, inside `clip` when given.
void PutPlane(DeviceContext& dc, const fonts::TextMask& mask, const std::vector<uint8_t>& plane, POINT origin,
              const RECT* clip, COLORREF color) {
  const int mask_x = origin.x + mask.left;
  const int mask_y = origin.y + mask.top;
  RECT r{mask_x, mask_y, mask_x + mask.width, mask_y + mask.height};
  if (r.left >= r.right || r.top >= r.bottom) return;
  if (clip != nullptr && !Intersect(r, *clip)) return;
  const int w = r.right - r.left;
  const int h = r.bottom - r.top;
  const int stride = (w + 7) / 8;
  std::vector<uint8_t> bits(static_cast<size_t>(stride) * h, 0);
  bool any = false;
  for (int y = 0; y < h; ++y) {
    const uint8_t* src =
        plane.data() + static_cast<size_t>(y + r.top - mask_y) * mask.width + (r.left - mask_x);
    uint8_t* dst = bits.data() + static_cast<size_t>(y) * stride;
    for (int x = 0; x < w; ++x)
      if (src[x]) {
        dst[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        any = true;
      }
  }
  if (any) dc.BlendMono(r.left, r.top, w, h, bits.data(), stride, color);
}

// Draws a run with the reference point `ref` (logical) placed by `align`, and
// returns the run's advance. `clip` is a surface rectangle, or null.
POINT DrawRun(DeviceContext& dc, const fonts::Font& font, POINT ref, UINT align, std::string_view text,
              const std::vector<int>& advances, const RECT* clip) {
  const TEXTMETRICA& tm = font.Metrics();
  int width = 0;
  for (int a : advances) width += a;
  int ox = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    ox = -width / 2;
  else if (align & TA_RIGHT)
    ox = -width;
  int oy = tm.tmAscent;
  if ((align & TA_BASELINE) == TA_BASELINE)
    oy = 0;
  else if (align & TA_BOTTOM)
    oy = -tm.tmDescent;
  double c = 1, s = 0;
  Direction(font, &c, &s);
  POINT baseline{ref.x + static_cast<LONG>(std::lround(ox * c + oy * s)),
                 ref.y + static_cast<LONG>(std::lround(-ox * s + oy * c))};

  fonts::TextMask mask = font.Render(text, advances);
  POINT origin = dc.ToSurface(baseline);
  const DCState& state = dc.State();
  if (state.bk_mode == OPAQUE) PutPlane(dc, mask, mask.cell, origin, clip, state.bk_color);
  PutPlane(dc, mask, mask.ink, origin, clip, state.text_color);
  return mask.advance;
}

BOOL Extent(HDC hdc, std::string_view text, SIZE* size) {
  if (size == nullptr) return FALSE;
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  auto font = SelectedFont(dc->State().font);
  if (!font) {
    *size = SIZE{0, 0};
    return FALSE;
  }
  size->cx = 0;
  for (int a : CharAdvances(*font, text, nullptr, dc->State().text_char_extra)) size->cx += a;
  size->cy = font->Metrics().tmHeight;
  return TRUE;
}

}  // namespace

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                 const int* dx) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  DCState& state = dc->State();
  RECT clip_rect{};
  const RECT* clip = nullptr;
  if (rect != nullptr) {
    RECT surface_rect = dc->ToSurface(*rect);
    if (options & ETO_OPAQUE) dc->FillSurfaceRect(surface_rect, state.bk_color);
    if (options & ETO_CLIPPED) {
      clip_rect = surface_rect;
      clip = &clip_rect;
    }
  }
  std::string_view chars = Chars(text, static_cast<int>(count));
  if (chars.empty()) return TRUE;
  auto font = SelectedFont(state.font);
  if (!font) return FALSE;

  const bool update_cp = (state.text_align & TA_UPDATECP) != 0;
  POINT ref = update_cp ? state.current_pos : POINT{x, y};
  POINT advance = DrawRun(*dc, *font, ref, state.text_align, chars,
                          CharAdvances(*font, chars, dx, state.text_char_extra), clip);
  if (update_cp) {
    if ((state.text_align & TA_CENTER) == TA_CENTER) {
      // A centred run leaves the current position where it was.
    } else if (state.text_align & TA_RIGHT) {
      state.current_pos = POINT{ref.x - advance.x, ref.y - advance.y};
    } else {
      state.current_pos = POINT{ref.x + advance.x, ref.y + advance.y};
    }
  }
  return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, const char* text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOutA(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int count, SIZE* size) {
  if (count < 0) return FALSE;
  return Extent(hdc, Chars(text, count), size);
}

BOOL GetTextExtentPointA(HDC hdc, const char* text, int count, SIZE* size) {
  return GetTextExtentPoint32A(hdc, text, count, size);
}

BOOL GetTextExtentExPointA(HDC hdc, const char* text, int count, int max_extent, int* fit, int* dx,
                           SIZE* size) {
  if (count < 0 || size == nullptr) return FALSE;
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  auto font = SelectedFont(dc->State().font);
  if (!font) return FALSE;
  std::string_view chars = Chars(text, count);
  std::vector<int> advances = CharAdvances(*font, chars, nullptr, dc->State().text_char_extra);
  int x = 0;
  int fitted = 0;
  bool fitting = true;
  size_t c = 0;
  for (size_t pos = 0; pos < chars.size(); ++c) {
    size_t len = fonts::DecodeUtf8At(chars, pos).length;
    x += advances[c];
    if (fitting && x <= max_extent)
      fitted = static_cast<int>(pos + len);
    else
      fitting = false;
    if (dx != nullptr)
      for (size_t i = 0; i < len; ++i) dx[pos + i] = x;
    pos += len;
  }
  if (fit != nullptr) *fit = fitted;
  *size = SIZE{x, font->Metrics().tmHeight};
  return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* tm) {
  if (tm == nullptr) return FALSE;
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  auto font = SelectedFont(dc->State().font);
  if (!font) {
    *tm = TEXTMETRICA{};
    return FALSE;
  }
  *tm = font->Metrics();
  return TRUE;
}

int GetTextFaceA(HDC hdc, int count, char* name) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return 0;
  std::string face;
  if (auto font = SelectedFont(dc->State().font)) {
    face = font->FaceName();
  } else if (auto* object = LookupAs<FontObject>(dc->State().font, OBJ_FONT)) {
    face = std::string(object->logfont.lfFaceName, strnlen(object->logfont.lfFaceName, LF_FACESIZE));
  }
  if (name == nullptr) return static_cast<int>(face.size()) + 1;
  if (count <= 0) return 0;
  size_t n = std::min(face.size(), static_cast<size_t>(count - 1));
  std::memcpy(name, face.data(), n);
  name[n] = '\0';
  return static_cast<int>(n) + 1;
}

BOOL GetCharWidth32A(HDC hdc, UINT first, UINT last, int* widths) {
  if (widths == nullptr || last < first || last > 0x10FFFF) return FALSE;
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return FALSE;
  auto font = SelectedFont(dc->State().font);
  if (!font) return FALSE;
  for (UINT code = first; code <= last; ++code) {
    std::string utf8;
    fonts::AppendUtf8(utf8, code);
    std::vector<int> a = font->Advances(utf8);
    widths[code - first] = a.empty() ? 0 : a[0];
  }
  return TRUE;
}

BOOL GetCharWidthA(HDC hdc, UINT first, UINT last, int* widths) {
  return GetCharWidth32A(hdc, first, last, widths);
}

int SetTextCharacterExtra(HDC hdc, int extra) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return static_cast<int>(0x80000000);
  int old = dc->State().text_char_extra;
  dc->State().text_char_extra = extra;
  return old;
}

int GetTextCharacterExtra(HDC hdc) {
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  return dc == nullptr ? static_cast<int>(0x80000000) : dc->State().text_char_extra;
}

int DrawTextA(HDC hdc, const char* text, int count, RECT* rect, UINT format) {
  if (rect == nullptr || text == nullptr) return 0;
  GdiLock lock;
  DeviceContext* dc = LookupDC(hdc);
  if (dc == nullptr) return 0;
  auto font = SelectedFont(dc->State().font);
  if (!font) return 0;
  const TEXTMETRICA& tm = font->Metrics();
  const int extra = dc->State().text_char_extra;

  fonts::LayoutFont layout_font;
  layout_font.line_height = tm.tmHeight + ((format & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  layout_font.ave_char_width = tm.tmAveCharWidth;
  layout_font.advances = [&](std::string_view s) { return CharAdvances(*font, s, nullptr, extra); };
  fonts::TextLayout layout = fonts::LayoutText(Chars(text, count), *rect, format, layout_font);

  if (format & DT_CALCRECT) {
    rect->right = layout.bounds.right;
    rect->bottom = layout.bounds.bottom;
    return layout.height;
  }

  RECT clip_rect = dc->ToSurface(*rect);
  const RECT* clip = (format & DT_NOCLIP) ? nullptr : &clip_rect;
  for (const fonts::TextLine& line : layout.lines) {
    for (const fonts::TextRun& run : line.runs)
      DrawRun(*dc, *font, POINT{run.x, line.y}, TA_LEFT | TA_TOP, run.text, layout_font.advances(run.text),
              clip);
    if (line.underline_right > line.underline_left) {
      // The accelerator's mark: one line just under the baseline, inside the cell.
      int uy = line.y + std::min(tm.tmAscent + 1, tm.tmHeight - 1);
      RECT mark = dc->ToSurface(RECT{line.underline_left, uy, line.underline_right, uy + 1});
      if (clip == nullptr || Intersect(mark, *clip)) dc->FillSurfaceRect(mark, dc->State().text_color);
    }
  }
  return layout.height;
}

}  // namespace plat
