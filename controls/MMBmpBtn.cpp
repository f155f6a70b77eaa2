#include "controls/MMBmpBtn.h"

#include <algorithm>
#include <cctype>

#include "engine/MMUtilsBitmaps.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

void CopyBits(vcl::TBitmap* dest, int dx, int dy, int w, int h, vcl::TBitmap* source, int sx, int sy) {
  plat::BitBlt(dest->Canvas()->Handle(), dx, dy, w, h, source->Canvas()->Handle(), sx, sy, plat::SRCCOPY);
}

plat::COLORREF Rgb(vcl::TColor color) { return vcl::ColorToRGB(color); }

// Pixel access on a 24-bit DIB row: B, G, R.
plat::COLORREF PixelAt(const uint8_t* row, int x) {
  return row[3 * x + 2] | (row[3 * x + 1] << 8) | (static_cast<plat::COLORREF>(row[3 * x]) << 16);
}
void SetPixelAt(uint8_t* row, int x, plat::COLORREF c) {
  row[3 * x] = static_cast<uint8_t>(c >> 16);
  row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
  row[3 * x + 2] = static_cast<uint8_t>(c);
}

// The character after a single '&', lower case; 0 without one.
char Accelerator(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] != '&')
      return static_cast<char>(std::tolower(static_cast<unsigned char>(caption[i + 1])));
    ++i;
  }
  return 0;
}

}  // namespace

void GrayGlyph(vcl::TBitmap* glyph) {
  glyph->SetPixelFormat(vcl::pf24bit);
  for (int y = 0; y < glyph->Height(); ++y) {
    auto* row = static_cast<uint8_t*>(glyph->ScanLine(y));
    for (int x = 0; x < glyph->Width(); ++x) {
      const plat::COLORREF c = PixelAt(row, x);
      const unsigned r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
      const unsigned v = (11 * r + 59 * g + 30 * b) / 100;
      SetPixelAt(row, x, v | (v << 8) | (v << 16));
    }
  }
}

void DisableGlyph(vcl::TBitmap* glyph) {
  glyph->SetPixelFormat(vcl::pf24bit);
  const int w = glyph->Width(), h = glyph->Height();
  if (w <= 0 || h <= 0) return;
  const plat::COLORREF t = PixelAt(static_cast<uint8_t*>(glyph->ScanLine(0)), 0);
  // The shape is what is neither white nor the corner's colour; it is
  // embossed: highlight one pixel down and right, shadow over it in place.
  std::vector<uint8_t> shape(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y) {
    const auto* row = static_cast<uint8_t*>(glyph->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      const plat::COLORREF c = PixelAt(row, x);
      shape[static_cast<size_t>(y) * w + x] = c != 0xFFFFFF && c != t;
    }
  }
  const plat::COLORREF face = Rgb(vcl::clBtnFace), light = Rgb(vcl::clBtnHighlight),
                       dark = Rgb(vcl::clBtnShadow);
  for (int y = 0; y < h; ++y) {
    auto* row = static_cast<uint8_t*>(glyph->ScanLine(y));
    for (int x = 0; x < w; ++x) {
      plat::COLORREF c = face;
      if (x >= 1 && y >= 1 && shape[static_cast<size_t>(y - 1) * w + x - 1]) c = light;
      if (shape[static_cast<size_t>(y) * w + x]) c = dark;
      SetPixelAt(row, x, c);
    }
  }
}

// ---- TMMBitmapButton ----

VCL_IMPLEMENT_CLASS(
    TMMBitmapButton, EventProp("OnClick", &TMMBitmapButton::OnClick),
    EventProp("OnMouseDown", &TMMBitmapButton::OnMouseDown),
    EventProp("OnMouseMove", &TMMBitmapButton::OnMouseMove),
    EventProp("OnMouseUp", &TMMBitmapButton::OnMouseUp),
    EventProp("OnGetGlyphIndex", &TMMBitmapButton::OnGetGlyphIndex),
    EventProp("OnMouseEnter", &TMMBitmapButton::OnMouseEnter),
    EventProp("OnMouseExit", &TMMBitmapButton::OnMouseExit),
    BoolProp("Enabled", &TMMBitmapButton::Enabled, &TMMBitmapButton::SetEnabled).Default(true),
    ObjProp("Font", &TMMBitmapButton::Font, &TMMBitmapButton::SetFont).Stored(&TMMBitmapButton::IsFontStored),
    BoolProp("ParentFont", &TMMBitmapButton::ParentFont, &TMMBitmapButton::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TMMBitmapButton::ParentShowHint, &TMMBitmapButton::SetParentShowHint)
        .Default(true),
    BoolProp("ShowHint", &TMMBitmapButton::ShowHint, &TMMBitmapButton::SetShowHint)
        .Stored(&TMMBitmapButton::IsShowHintStored),
    BoolProp("Visible", &TMMBitmapButton::Visible, &TMMBitmapButton::SetVisible).Default(true),
    ColorProp("Color", &TMMBitmapButton::Color, &TMMBitmapButton::SetColor)
        .Default(vcl::clWindow)
        .Stored(&TMMBitmapButton::IsColorStored),
    BoolProp("ParentColor", &TMMBitmapButton::ParentColor, &TMMBitmapButton::SetParentColor).Default(true),
    RefProp("PopupMenu", &TMMBitmapButton::PopupMenu, &TMMBitmapButton::SetPopupMenu),
    BoolProp("Transparent", &TMMBitmapButton::Transparent, &TMMBitmapButton::SetTransparent).Default(true),
    ColorProp("TransparentColor", &TMMBitmapButton::TransparentColor, &TMMBitmapButton::SetTransparentColor)
        .Default(vcl::clDefault)
        .Stored(&TMMBitmapButton::IsTransparentColorStored),
    EnumProp("TransparentMode", &TMMBitmapButton::TransparentMode, &TMMBitmapButton::SetTransparentMode,
             {"tmAuto", "tmFixed"})
        .Default(vcl::tmAuto),
    RefProp("BitmapList", &TMMBitmapButton::BitmapList, &TMMBitmapButton::SetBitmapList),
    IntProp("BitmapIndex", &TMMBitmapButton::BitmapIndex, &TMMBitmapButton::SetBitmapIndex).Default(-1),
    IntProp("Tag2", &TMMBitmapButton::Tag2, &TMMBitmapButton::SetTag2).Default(0),
    BoolProp("AutoSize", &TMMBitmapButton::AutoSize, &TMMBitmapButton::SetAutoSize).Default(false),
    BoolProp("AutoGray", &TMMBitmapButton::AutoGray, &TMMBitmapButton::SetAutoGray).Default(true),
    BoolProp("ShowDisabled", &TMMBitmapButton::ShowDisabled, &TMMBitmapButton::SetShowDisabled).Default(true),
    IntProp("BorderWidth", &TMMBitmapButton::BorderWidth, &TMMBitmapButton::SetBorderWidth).Default(1),
    StrProp("Caption", &TMMBitmapButton::Caption, &TMMBitmapButton::SetCaption),
    BoolProp("Down", &TMMBitmapButton::Down, &TMMBitmapButton::SetDown).Default(false),
    IntProp("DownIndentHoriz", &TMMBitmapButton::DownIndentHoriz, &TMMBitmapButton::SetDownIndentHoriz)
        .Default(1),
    IntProp("DownIndentVert", &TMMBitmapButton::DownIndentVert, &TMMBitmapButton::SetDownIndentVert)
        .Default(1),
    EnumProp("ButtonStyle", &TMMBitmapButton::ButtonStyle, &TMMBitmapButton::SetButtonStyle,
             {"bsRegular", "bsIndent", "bsLight", "bsDark", "bsMono", "bsExplorer", "bsHighLight", "bsNone"})
        .Default(bsExplorer),
    IntProp("NumGlyphs", &TMMBitmapButton::NumGlyphs, &TMMBitmapButton::SetNumGlyphs).Default(1),
    BoolProp("ShowPressed", &TMMBitmapButton::ShowPressed, &TMMBitmapButton::SetShowPressed).Default(true),
    BoolProp("Switch", &TMMBitmapButton::Switch, &TMMBitmapButton::SetSwitch).Default(false),
    IntProp("Spacing", &TMMBitmapButton::Spacing, &TMMBitmapButton::SetSpacing).Default(2),
    EnumProp("TextAlign", &TMMBitmapButton::TextAlign, &TMMBitmapButton::SetTextAlign,
             {"ttaTopLeft", "ttaTop", "ttaTopRight", "ttaRight", "ttaBottomRight", "ttaBottom",
              "ttaBottomLeft", "ttaLeft", "ttaCenter"})
        .Default(ttaCenter),
    BoolProp("WordWrap", &TMMBitmapButton::WordWrap, &TMMBitmapButton::SetWordWrap).Default(false),
    BoolProp("DoubleBuffer", &TMMBitmapButton::DoubleBuffer, &TMMBitmapButton::SetDoubleBuffer)
        .Default(false),
    BoolProp("AllowRightMouse", &TMMBitmapButton::AllowRightMouse, &TMMBitmapButton::SetAllowRightMouse)
        .Default(false))

TMMBitmapButton::TMMBitmapButton(vcl::TComponent* owner) : TMMCustomBitmapListControl(owner) {
  SetControlStyle(ControlStyle() -
                  vcl::TControlStyle{vcl::csClickEvents, vcl::csOpaque, vcl::csDoubleClicks});
  TMMCustomBitmapListControl::SetTransparent(true);
  SetBounds(0, 0, 40, 40);
}

TMMBitmapButton::~TMMBitmapButton() = default;

bool TMMBitmapButton::Loading() const {
  const vcl::TComponentState state = ComponentState();
  return state.Contains(vcl::csLoading) || state.Contains(vcl::csReading) ||
         state.Contains(vcl::csDestroying);
}

void TMMBitmapButton::SetTransparent(bool value) {
  if (value == Transparent()) return;
  TMMCustomBitmapListControl::SetTransparent(value);
  Invalidate();
}

void TMMBitmapButton::SetAutoSize(bool value) {
  auto_size_ = value;
  PrepareGlyphs();
}

void TMMBitmapButton::SetAutoGray(bool value) {
  if (value == auto_gray_) return;
  auto_gray_ = value;
  PrepareGlyphs();
}

void TMMBitmapButton::SetShowDisabled(bool value) {
  if (value == show_disabled_) return;
  show_disabled_ = value;
  Invalidate();
}

void TMMBitmapButton::SetBorderWidth(unsigned value) {
  if (value == border_width_) return;
  border_width_ = value;
  Invalidate();
}

void TMMBitmapButton::SetCaption(const std::string& value) {
  if (value == Caption()) return;
  TMMCustomBitmapListControl::SetCaption(value);
  Invalidate();
}

void TMMBitmapButton::SetDown(bool value) {
  if (value == down_) return;
  down_ = value;
  pressed_ = value;
  shown_down_ = value;
  Refresh();
}

void TMMBitmapButton::SetDownIndentHoriz(int value) {
  value = std::max(value, 0);
  if (value == down_indent_[0]) return;
  down_indent_[0] = value;
  Invalidate();
}

void TMMBitmapButton::SetDownIndentVert(int value) {
  value = std::max(value, 0);
  if (value == down_indent_[1]) return;
  down_indent_[1] = value;
  Invalidate();
}

void TMMBitmapButton::SetButtonStyle(TMMButtonStyle value) {
  if (value == button_style_) return;
  button_style_ = value;
  PrepareGlyphs();
}

void TMMBitmapButton::SetNumGlyphs(int value) {
  value = std::max(value, 1);
  if (value == num_glyphs_) return;
  num_glyphs_ = value;
  PrepareGlyphs();
}

void TMMBitmapButton::SetSpacing(int value) {
  if (value == spacing_) return;
  spacing_ = value;
  Invalidate();
}

void TMMBitmapButton::SetTextAlign(TMMTextAlign value) {
  if (value == text_align_) return;
  text_align_ = value;
  Invalidate();
}

void TMMBitmapButton::SetWordWrap(bool value) {
  if (value == word_wrap_) return;
  word_wrap_ = value;
  Invalidate();
}

void TMMBitmapButton::SetDoubleBuffer(bool value) {
  if (value == double_buffer_ && (!value || buffer_)) return;
  double_buffer_ = value;
  if (value) {
    if (DesignMode() || Loading() || buffer_) return;
    buffer_ = std::make_unique<vcl::TBitmap>();
    buffer_->SetPixelFormat(vcl::pf24bit);
    buffer_->SetSize(Width(), 2 * Height());
    Repaint();
  } else {
    buffer_.reset();
    Repaint();
  }
}

void TMMBitmapButton::SetBounds(int left, int top, int width, int height) {
  if (buffer_ && (width != Width() || height != Height())) buffer_->SetSize(width, 2 * height);
  inherited::SetBounds(left, top, width, height);
}

void TMMBitmapButton::Loaded() {
  inherited::Loaded();
  PrepareGlyphs();
  SetDoubleBuffer(double_buffer_);
}

void TMMBitmapButton::BitmapChanged() {
  if (BitmapValid()) AutoNumGlyphs();
  PrepareGlyphs();
  inherited::BitmapChanged();
}

void TMMBitmapButton::CMBitmapListChanged(vcl::TMessage& message) {
  PrepareGlyphs();
  inherited::CMBitmapListChanged(message);
}

void TMMBitmapButton::AutoNumGlyphs() {
  if (Loading()) return;
  vcl::TBitmap* bitmap = CurrentBitmap();
  if (!bitmap || bitmap->Height() <= 0 || num_glyphs_ != 1) return;
  if (bitmap->Width() % bitmap->Height() == 0) num_glyphs_ = std::min(bitmap->Width() / bitmap->Height(), 4);
}

int TMMBitmapButton::GlyphWidth() const {
  vcl::TBitmap* bitmap = CurrentBitmap();
  if (!bitmap || bitmap->Width() <= 0) return 0;
  // More glyphs than pixel columns would make zero-wide cells.
  return std::max(bitmap->Width() / num_glyphs_, 1);
}

void TMMBitmapButton::ReleaseStrip() {
  owned_strip_.reset();
  strip_ = nullptr;
}

void TMMBitmapButton::PrepareGlyphs() {
  if (Loading()) return;
  vcl::TBitmap* bitmap = CurrentBitmap();
  if (!bitmap || bitmap->Empty()) {
    ReleaseStrip();
    Invalidate();
    return;
  }
  const int gw = GlyphWidth();
  const int gh = bitmap->Height();
  if (auto_size_ && gw > 0 && gh > 0) SetBounds(Left(), Top(), gw, gh);
  const bool gray_cells = button_style_ == bsExplorer || button_style_ == bsHighLight;
  const int n = num_glyphs_ == 1 || (gray_cells && auto_gray_) ? num_glyphs_ + 2 : num_glyphs_;
  if (n == num_glyphs_) {
    owned_strip_.reset();
    strip_ = bitmap;
  } else {
    if (!owned_strip_) owned_strip_ = std::make_unique<vcl::TBitmap>();
    strip_ = owned_strip_.get();
    strip_->SetPixelFormat(vcl::pf24bit);
    strip_->SetSize(n * gw, gh);
    CopyBits(strip_, 0, 0, std::min(bitmap->Width(), n * gw), gh, bitmap, 0, 0);
    vcl::TBitmap scratch;
    scratch.SetPixelFormat(vcl::pf24bit);
    scratch.SetSize(gw, gh);
    CopyBits(&scratch, 0, 0, gw, gh, bitmap, 0, 0);
    GrayGlyph(&scratch);
    CopyBits(strip_, num_glyphs_ * gw, 0, gw, gh, &scratch, 0, 0);
    CopyBits(&scratch, 0, 0, gw, gh, bitmap, 0, 0);
    DisableGlyph(&scratch);
    CopyBits(strip_, (num_glyphs_ + 1) * gw, 0, gw, gh, &scratch, 0, 0);
  }
  Invalidate();
}

int TMMBitmapButton::GlyphIndex() {
  int index = -1;
  if (OnGetGlyphIndex) OnGetGlyphIndex(this, shown_down_, index);
  if (index != -1) return index;
  index = 0;
  const bool enabled = Enabled();
  if (num_glyphs_ == 2) {
    if (!enabled) index = 1;
  } else if (num_glyphs_ == 3) {
    if (!enabled)
      index = 1;
    else if (shown_down_)
      index = 2;
  } else if (num_glyphs_ == 4) {
    if (!enabled)
      index = 1;
    else if (down_)
      index = 3;
    else if (shown_down_)
      index = 2;
  }
  if ((button_style_ == bsExplorer || button_style_ == bsHighLight) && enabled && !down_ && !mouse_inside_ &&
      show_disabled_) {
    if (auto_gray_)
      index = num_glyphs_;
    else if (num_glyphs_ > 1)
      index = 1;
  }
  if (!enabled && num_glyphs_ == 1) index = 2;
  return index;
}

void TMMBitmapButton::DrawGlyph(vcl::TCanvas* canvas, vcl::TRect glyph) {
  if (!BitmapValid() || !strip_) return;
  const int gw = GlyphWidth();
  const int index = GlyphIndex();
  // A handler may answer any number; only cells of the strip are drawn.
  if (gw <= 0 || index < 0 || index >= strip_->Width() / gw) return;
  const plat::RECT source{gw * index, 0, gw * (index + 1), strip_->Height()};
  if (shown_down_ && show_pressed_) {
    glyph.left += down_indent_[0];
    glyph.top += down_indent_[1];
  }
  vcl::TColor transparent;
  vcl::TCanvas* strip_canvas = LockBitmap(strip_);
  plat::ScopeExit unlock([strip_canvas] { strip_canvas->Unlock(); });
  if (Transparent())
    transparent = GetEffectiveTransparentColor();
  else
    transparent = engine::GetBitmapPixel(strip_->Handle(), plat::POINT{gw * index, strip_->Height() - 1});
  engine::DrawTransparentBitmapRect(canvas->Handle(), strip_->Handle(), glyph.left, glyph.top, source,
                                    transparent);
}

void TMMBitmapButton::DrawCaption(vcl::TCanvas* canvas, const vcl::TRect& glyph) {
  const int w = Width(), h = Height();
  canvas->SetFont(Font());
  const std::string text = Caption();
  const plat::UINT wrap = word_wrap_ ? plat::DT_WORDBREAK : plat::DT_SINGLELINE;
  plat::RECT t{0, 0, w, h};
  plat::DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &t,
                  plat::DT_CALCRECT | plat::DT_END_ELLIPSIS | wrap);
  const int tw = t.right - t.left, th = t.bottom - t.top;
  const int above = glyph.top - th - spacing_, below = glyph.bottom + spacing_, middle = h / 2 - th / 2;
  const int left = spacing_, centre = w / 2 - tw / 2, right = w - tw - spacing_;
  int dx = 0, dy = 0;
  switch (text_align_) {
    case ttaTopLeft:
      dx = left, dy = above;
      break;
    case ttaTop:
      dx = centre, dy = above;
      break;
    case ttaTopRight:
      dx = right, dy = above;
      break;
    case ttaRight:
      dx = right, dy = middle;
      break;
    case ttaBottomRight:
      dx = right, dy = below;
      break;
    case ttaBottom:
      dx = centre, dy = below;
      break;
    case ttaBottomLeft:
      dx = left, dy = below;
      break;
    case ttaLeft:
      dx = left, dy = middle;
      break;
    case ttaCenter:
      dx = centre - 7, dy = middle;
      break;  // the design's offset, kept
  }
  plat::RECT r{dx, dy, dx + tw, dy + th};
  if (shown_down_ && show_pressed_) plat::OffsetRect(&r, down_indent_[0], down_indent_[1]);
  const plat::UINT format = plat::DT_CENTER | plat::DT_NOCLIP | plat::DT_END_ELLIPSIS | wrap;
  canvas->Brush()->SetStyle(vcl::bsClear);
  auto draw = [&](vcl::TColor color, int offset) {
    canvas->Font()->SetColor(color);
    plat::RECT moved = r;
    plat::OffsetRect(&moved, offset, offset);
    plat::DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &moved, format);
  };
  if (!Enabled()) {
    draw(vcl::clBtnHighlight, 1);
    draw(vcl::clBtnShadow, 0);
  } else {
    draw(Font()->Color(), 0);
  }
}

void TMMBitmapButton::DrawContent(vcl::TCanvas* canvas) {
  const int w = Width(), h = Height();
  int gw = 0, gh = 0;
  if (vcl::TBitmap* bitmap = CurrentBitmap()) {
    gw = bitmap->Width() / num_glyphs_;
    if (gw < 1) gw = bitmap->Width();
    gh = bitmap->Height();
  }
  int top = (h - gh) / 2;
  if (text_align_ == ttaBottomRight || text_align_ == ttaBottom || text_align_ == ttaBottomLeft)
    top = spacing_;
  if (text_align_ == ttaTopLeft || text_align_ == ttaTop || text_align_ == ttaTopRight)
    top = h - gh - spacing_;
  int left = (w - gw) / 2;
  if (text_align_ == ttaLeft) left = w - gw - spacing_;
  if (text_align_ == ttaRight) left = spacing_;
  const vcl::TRect glyph{left, top, left + gw, top + gh};
  if (BitmapValid()) DrawGlyph(canvas, glyph);
  if (!Caption().empty()) DrawCaption(canvas, glyph);
}

void TMMBitmapButton::DrawButton(vcl::TCanvas* canvas) {
  const int w = Width(), h = Height();
  const int bw = static_cast<int>(std::min(border_width_, 1000u));
  const vcl::TColor face = vcl::clBtnFace, shadow = vcl::clBtnShadow, light = vcl::clBtnHighlight,
                    dark = vcl::cl3DDkShadow, black = vcl::clBlack;
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Pen()->SetColor(black);
  canvas->Pen()->SetWidth(bw);
  auto frame = [&](vcl::TRect r, vcl::TColor top, vcl::TColor bottom, int n) {
    vcl::Frame3D(canvas, r, top, bottom, n);
    return r;
  };
  const vcl::TRect all{0, 0, w, h};
  const bool transparent = Transparent();
  switch (button_style_) {
    case bsRegular:
      if (!transparent)
        canvas->Rectangle(1, 1, w, h);
      else
        frame({1, 1, w, h}, black, black, bw);
      break;
    case bsIndent:
      if (!transparent) {
        canvas->Pen()->SetColor(shadow);
        canvas->Rectangle(0, 0, w - 1, h - 1);
      } else {
        frame({0, 0, w - 1, h - 1}, shadow, shadow, bw);
      }
      frame({1, 1, w, h}, light, light, bw);
      break;
    default:
      if (!transparent) canvas->FillRect(all);
      if (DesignMode()) {
        if (button_style_ == bsLight || button_style_ == bsExplorer) frame(all, light, shadow, 1);
        if (button_style_ == bsDark) frame(all, face, dark, 1);
        if (button_style_ == bsMono) frame(all, light, dark, 1);
        if (button_style_ == bsHighLight || button_style_ == bsNone) {
          canvas->Brush()->SetStyle(vcl::bsClear);
          canvas->Pen()->SetWidth(1);
          canvas->Pen()->SetStyle(vcl::psDot);
          canvas->Rectangle(all);
          canvas->Pen()->SetStyle(vcl::psSolid);
        }
      }
      break;
  }
  if (shown_down_ && button_style_ != bsNone) {
    switch (button_style_) {
      case bsRegular:
      case bsIndent:
        if (show_pressed_) frame(frame(all, black, light, bw), shadow, face, bw);
        break;
      case bsLight:
        if (show_pressed_) frame(all, shadow, light, 1);
        break;
      case bsDark:
        if (show_pressed_) frame(all, dark, face, 1);
        break;
      case bsMono:
        if (show_pressed_) frame(all, dark, light, 1);
        break;
      case bsExplorer:
        if (mouse_inside_ || down_) {
          if (show_pressed_)
            frame(all, shadow, light, bw);
          else
            frame(all, light, shadow, bw);
        }
        break;
      default:
        break;
    }
  } else if (!shown_down_) {
    switch (button_style_) {
      case bsRegular:
        frame(frame(all, light, black, bw), face, shadow, bw);
        break;
      case bsIndent:
        frame(all, shadow, light, bw);
        break;
      case bsLight:
        frame(all, light, shadow, 1);
        break;
      case bsDark:
        frame(all, face, dark, 1);
        break;
      case bsMono:
        frame(all, light, dark, 1);
        break;
      case bsExplorer:
        if (mouse_inside_) frame(all, light, shadow, bw);
        break;
      default:
        break;
    }
  }
  plat::HDC dc = canvas->Handle();
  const int saved = plat::SaveDC(dc);
  plat::ScopeExit restore([dc, saved] { plat::RestoreDC(dc, saved); });
  plat::IntersectClipRect(dc, 0, 0, w, h);
  DrawContent(canvas);
}

void TMMBitmapButton::Paint() {
  if (!DesignMode() && buffer_) {
    // The button is not opaque: what lies under it now is the parent's background.
    plat::BitBlt(buffer_->Canvas()->Handle(), 0, Height(), Width(), Height(), Canvas()->Handle(), 0, 0,
                 plat::SRCCOPY);
  }
  DrawButton(Canvas());
}

void TMMBitmapButton::Redraw() {
  if (!Visible()) return;
  vcl::TWinControl* parent = Parent();
  if (DesignMode() || !parent || !parent->HandleAllocated()) return Repaint();
  auto* canvas = static_cast<vcl::TControlCanvas*>(Canvas());
  canvas->Lock();
  plat::ScopeExit release([canvas] {
    canvas->FreeHandle();
    canvas->Unlock();
  });
  if (buffer_) {
    vcl::TCanvas* bc = buffer_->Canvas();
    plat::BitBlt(bc->Handle(), 0, 0, Width(), Height(), bc->Handle(), 0, Height(), plat::SRCCOPY);
    DrawButton(bc);
    plat::BitBlt(canvas->Handle(), 0, 0, Width(), Height(), bc->Handle(), 0, 0, plat::SRCCOPY);
  } else {
    DrawButton(canvas);
  }
}

bool TMMBitmapButton::PressButton(vcl::TMouseButton button) const {
  return button == vcl::mbLeft || (allow_right_mouse_ && button == vcl::mbRight);
}

bool TMMBitmapButton::Inside(int x, int y) const { return x >= 0 && x < Width() && y >= 0 && y < Height(); }

void TMMBitmapButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (!PressButton(button) || !Enabled() || tracking_) return inherited::MouseDown(button, shift, x, y);
  SetMouseCapture(true);
  tracking_ = true;
  if (Inside(x, y)) {
    pressed_ = true;
    shown_down_ = true;
    Redraw();
  }
  inherited::MouseDown(button, shift, x, y);
  auto* menu = dynamic_cast<vcl::TPopupMenu*>(PopupMenu());
  if (menu && menu->AutoPopup()) {
    const vcl::TPoint p = ClientToScreen(vcl::Point(0, Height() + 2));
    menu->SetPopupComponent(this);
    menu->Popup(p.x, p.y);
    plat::MSG msg;
    while (plat::PeekMessageA(&msg, nullptr, 0x200, 0x20A, plat::PM_REMOVE)) {
    }
    MouseUp(button, shift, x, y);
    SetMouseCapture(false);
  }
}

void TMMBitmapButton::MouseMove(vcl::TShiftState shift, int x, int y) {
  inherited::MouseMove(shift, x, y);
  if (!pressed_ || down_) return;
  const bool inside = Inside(x, y);
  if (inside != shown_down_) {
    shown_down_ = inside;
    Redraw();
  }
}

void TMMBitmapButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (!PressButton(button) || !Enabled() || !tracking_) return inherited::MouseUp(button, shift, x, y);
  tracking_ = false;
  pressed_ = false;
  if (!down_) shown_down_ = false;
  const bool inside = Inside(x, y);
  mouse_inside_ = inside;
  if (switch_ && inside)
    SetDown(!down_);
  else
    Redraw();
  inherited::MouseUp(button, shift, x, y);
  SetMouseCapture(false);
  if (inside) Click();
}

void TMMBitmapButton::CaptureLost() {
  if (!tracking_) return;
  tracking_ = false;
  pressed_ = false;
  shown_down_ = down_;
  Redraw();
}

void TMMBitmapButton::CMEnabledChanged(vcl::TMessage& message) {
  inherited::CMEnabledChanged(message);
  if (!Enabled()) {
    if (tracking_ && MouseCapture()) SetMouseCapture(false);
    shown_down_ = false;
    pressed_ = false;
    tracking_ = false;
    mouse_inside_ = false;
  }
  Repaint();
}

void TMMBitmapButton::CMMouseEnter(vcl::TMessage& message) {
  if (message.LParam != 0) return inherited::CMMouseEnter(message);
  if (!Enabled() || down_) return;
  mouse_inside_ = true;
  if (button_style_ == bsExplorer || button_style_ == bsHighLight) Redraw();
  if (OnMouseEnter) OnMouseEnter(this);
}

void TMMBitmapButton::CMMouseLeave(vcl::TMessage& message) {
  if (message.LParam != 0) return inherited::CMMouseLeave(message);
  if (!Enabled() || down_) return;
  mouse_inside_ = false;
  if (button_style_ == bsExplorer || button_style_ == bsHighLight) Redraw();
  if (OnMouseExit) OnMouseExit(this);
}

void TMMBitmapButton::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_CAPTURECHANGED:
    case vcl::CM_CANCELMODE:
      CaptureLost();
      return inherited::Dispatch(message);
    case vcl::CM_DIALOGCHAR: {
      const char key = static_cast<char>(std::tolower(static_cast<int>(message.WParam & 0xFF)));
      const char accel = Accelerator(Caption());
      if (accel != 0 && key == accel && Enabled()) {
        Click();
        message.Result = 1;
        return;
      }
      return inherited::Dispatch(message);
    }
    default:
      return inherited::Dispatch(message);
  }
}

}  // namespace controls
