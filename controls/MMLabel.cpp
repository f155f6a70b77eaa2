#include "controls/MMLabel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "controls/MMBmpCtl.h"
#include "engine/MMUtilsBitmaps.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Input.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

constexpr int kDx[] = {0, 0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kDy[] = {0, -1, -1, 0, 1, 1, 1, 0, -1};

// The first `count` code points of UTF-8 text.
std::string FirstChars(const std::string& text, int count) {
  size_t i = 0;
  for (int n = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
    if (n++ == count) break;
  }
  return text.substr(0, i);
}

std::unique_ptr<vcl::TBitmap> WorkBitmap(int width, int height, vcl::TFont* font) {
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->SetPixelFormat(vcl::pf24bit);
  bitmap->SetSize(width, height);
  bitmap->Canvas()->SetFont(font);
  return bitmap;
}

// The canvas's font turned by angle degrees.
void RotateFont(vcl::TCanvas* canvas, int angle) {
  plat::LOGFONTA lf{};
  plat::GetObject(canvas->Font()->Handle(), sizeof(lf), &lf);
  lf.lfEscapement = angle * 10;
  lf.lfOrientation = angle * 10;
  lf.lfOutPrecision = plat::OUT_TT_ONLY_PRECIS;
  canvas->Font()->SetHandle(plat::CreateFontIndirectA(&lf));
}

}  // namespace

VCL_IMPLEMENT_CLASS(
    TMMLabel, EventProp("OnClick", &TMMLabel::OnClick), EventProp("OnDblClick", &TMMLabel::OnDblClick),
    EventProp("OnMouseDown", &TMMLabel::OnMouseDown), EventProp("OnMouseMove", &TMMLabel::OnMouseMove),
    EventProp("OnMouseUp", &TMMLabel::OnMouseUp),
    EnumProp("Align", &TMMLabel::Align, &TMMLabel::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    StrProp("Caption", &TMMLabel::Caption, &TMMLabel::SetCaption),
    ColorProp("Color", &TMMLabel::Color, &TMMLabel::SetColor)
        .Default(vcl::clWindow)
        .Stored(&TMMLabel::IsColorStored),
    IntProp("Cursor", &TMMLabel::Cursor, &TMMLabel::SetCursor).Default(vcl::crDefault),
    BoolProp("Enabled", &TMMLabel::Enabled, &TMMLabel::SetEnabled).Default(true),
    ObjProp("Font", &TMMLabel::Font, &TMMLabel::SetFont).Stored(&TMMLabel::IsFontStored),
    BoolProp("ParentColor", &TMMLabel::ParentColor, &TMMLabel::SetParentColor).Default(true),
    BoolProp("ParentFont", &TMMLabel::ParentFont, &TMMLabel::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TMMLabel::ParentShowHint, &TMMLabel::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMLabel::ShowHint, &TMMLabel::SetShowHint).Stored(&TMMLabel::IsShowHintStored),
    BoolProp("Visible", &TMMLabel::Visible, &TMMLabel::SetVisible).Default(true),
    IntProp("Width", &TMMLabel::Width, &TMMLabel::SetWidth).Default(142),
    IntProp("Height", &TMMLabel::Height, &TMMLabel::SetHeight).Default(33),
    ObjProp("Bevel", &TMMLabel::Bevel, &TMMLabel::SetBevel),
    EnumProp("Alignment", &TMMLabel::Alignment, &TMMLabel::SetAlignment,
             {"taLeftJustify", "taRightJustify", "taCenter"})
        .Default(vcl::taLeftJustify),
    BoolProp("Transparent", &TMMLabel::Transparent, &TMMLabel::SetTransparent).Default(true),
    ObjProp("Bitmap", &TMMLabel::Bitmap, &TMMLabel::SetBitmap),
    IntProp("DepthHighlight", &TMMLabel::DepthHighlight, &TMMLabel::SetDepthHighlight).Default(1),
    IntProp("DepthShadow", &TMMLabel::DepthShadow, &TMMLabel::SetDepthShadow).Default(1),
    EnumProp("DirectionHighlight", &TMMLabel::DirectionHighlight, &TMMLabel::SetDirectionHighlight,
             {"ldNone", "ldUp", "ldUpRight", "ldRight", "ldDownRight", "ldDown", "ldDownLeft", "ldLeft",
              "ldUpLeft"})
        .Default(ldUpLeft),
    EnumProp("DirectionShadow", &TMMLabel::DirectionShadow, &TMMLabel::SetDirectionShadow,
             {"ldNone", "ldUp", "ldUpRight", "ldRight", "ldDownRight", "ldDown", "ldDownLeft", "ldLeft",
              "ldUpLeft"})
        .Default(ldDownRight),
    ColorProp("ColourHighlight", &TMMLabel::ColourHighlight, &TMMLabel::SetColourHighlight).Default(0xFFFFFF),
    ColorProp("ColourShadow", &TMMLabel::ColourShadow, &TMMLabel::SetColourShadow).Default(0x808080),
    EnumProp("StyleHighlight", &TMMLabel::StyleHighlight, &TMMLabel::SetStyleHighlight,
             {"loNormal", "loExtrude"})
        .Default(loNormal),
    EnumProp("StyleShadow", &TMMLabel::StyleShadow, &TMMLabel::SetStyleShadow, {"loNormal", "loExtrude"})
        .Default(loNormal),
    EnumProp("EffectStyle", &TMMLabel::EffectStyle, &TMMLabel::SetEffectStyle,
             {"lsNone", "lsCustom", "lsRaised", "lsSunken", "lsShadow", "lsFlying"})
        .Default(lsRaised),
    BoolProp("AsButton", &TMMLabel::AsButton, &TMMLabel::SetAsButton).Default(false),
    IntProp("Angle", &TMMLabel::Angle, &TMMLabel::SetAngle).Default(0))

TMMLabel::TMMLabel(vcl::TComponent* owner)
    : TMMGraphicControl(owner), bitmap_(std::make_unique<vcl::TBitmap>()) {
  bitmap_->OnChange = [this](vcl::TObject*) { Invalidate(); };
  TMMGraphicControl::SetTransparent(true);
  SetBounds(Left(), Top(), 142, 33);
  Font()->SetColor(vcl::clBlack);
  Font()->SetName("Times New Roman");
  Font()->SetSize(20);
}

TMMLabel::~TMMLabel() { bitmap_->OnChange = nullptr; }

void TMMLabel::SetAlignment(vcl::TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TMMLabel::SetTransparent(bool value) {
  if (value == Transparent()) return;
  TMMGraphicControl::SetTransparent(value);
  Invalidate();
}

void TMMLabel::SetDepth(int index, int value) {
  // A stored form may carry anything; the offsets assume 0..20.
  value = std::clamp(value, 0, kMaxLabelDepth);
  if (value == depth_[index]) return;
  depth_[index] = value;
  if (!applying_style_) SetEffectStyle(lsCustom);
  Invalidate();
}

void TMMLabel::SetDirection(int index, TMMLabelDirection value) {
  if (value > ldUpLeft) value = ldNone;
  if (value == direction_[index]) return;
  direction_[index] = value;
  if (!applying_style_) SetEffectStyle(lsCustom);
  Invalidate();
}

void TMMLabel::SetColour(int index, vcl::TColor value) {
  if (value == colour_[index]) return;
  colour_[index] = value;
  Invalidate();
}

void TMMLabel::SetOption(int index, TMMLabelOption value) {
  if (value == option_[index]) return;
  option_[index] = value;
  Invalidate();
}

void TMMLabel::SetEffectStyle(TMMLabelStyle value) {
  if (value == effect_style_) return;
  applying_style_ = true;
  plat::ScopeExit done([this] { applying_style_ = false; });
  effect_style_ = value;
  SetColourHighlight(0xFFFFFF);
  auto preset = [this](TMMLabelDirection highlight, TMMLabelDirection shadow, int depth_highlight,
                       int depth_shadow) {
    SetDirection(0, highlight);
    SetDirection(1, shadow);
    SetDepth(0, depth_highlight);
    SetDepth(1, depth_shadow);
  };
  switch (value) {
    case lsNone:
      preset(ldNone, ldNone, 0, 0);
      as_button_ = false;
      break;
    case lsCustom:
      as_button_ = false;
      break;
    case lsRaised:
      preset(ldUpLeft, ldDownRight, 1, 1);
      break;
    case lsSunken:
      preset(ldDownRight, ldUpLeft, 1, 1);
      break;
    case lsShadow:
      preset(ldNone, ldDownRight, 0, 2);
      as_button_ = false;
      break;
    case lsFlying:
      preset(ldDownRight, ldDownRight, 1, 5);
      SetColourHighlight(0x808080);
      as_button_ = false;
      break;
  }
  Invalidate();
}

void TMMLabel::SetAsButton(bool value) {
  if (value == as_button_) return;
  as_button_ = value;
  if (value) SetEffectStyle(lsRaised);
}

void TMMLabel::SetAngle(int value) {
  value = std::clamp(value, 0, kMaxLabelAngle);
  if (value == angle_) return;
  angle_ = value;
  const double radians = angle_ * (std::numbers::pi / 180.0);
  cos_angle_ = std::cos(radians);
  sin_angle_ = std::sin(radians);
  if (angle_ != 0) alignment_ = vcl::taLeftJustify;
  Invalidate();
}

plat::HPALETTE TMMLabel::GetPalette() const { return bitmap_->Empty() ? nullptr : bitmap_->Palette(); }

bool TMMLabel::Inside(int x, int y) const {
  return x >= 0 && x <= ClientWidth() && y >= 0 && y <= ClientHeight();
}

void TMMLabel::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (as_button_ && button == vcl::mbLeft && effect_style_ != lsSunken && Enabled()) {
    pressed_ = true;
    SetEffectStyle(lsSunken);
  }
  inherited::MouseDown(button, shift, x, y);
}

void TMMLabel::MouseMove(vcl::TShiftState shift, int x, int y) {
  if (as_button_ && shift == vcl::TShiftState{vcl::ssLeft})
    SetEffectStyle(Inside(x, y) ? lsSunken : lsRaised);
  inherited::MouseMove(shift, x, y);
}

void TMMLabel::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  pressed_ = false;
  if (as_button_ && Inside(x, y)) SetEffectStyle(lsRaised);
  inherited::MouseUp(button, shift, x, y);
}

void TMMLabel::CaptureLost() {
  if (!pressed_) return;
  pressed_ = false;
  if (as_button_) SetEffectStyle(lsRaised);
}

void TMMLabel::Dispatch(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_CAPTURECHANGED:
    case vcl::CM_CANCELMODE:
      CaptureLost();
      return inherited::Dispatch(message);
    case vcl::CM_TEXTCHANGED:
      inherited::Dispatch(message);
      return Invalidate();
    case vcl::CM_FONTCHANGED:
      inherited::Dispatch(message);
      return Invalidate();
    default:
      return inherited::Dispatch(message);
  }
}

void TMMLabel::Paint() {
  const int w = Width();
  const int h = Height();
  if (w <= 0 || h <= 0) return;
  const TMMLabelDirection dir_h = direction_[0];
  const TMMLabelDirection dir_s = direction_[1];
  const int min_o = std::min(
      {0, kDx[dir_h] * depth_[0], kDx[dir_s] * depth_[1], kDy[dir_h] * depth_[0], kDy[dir_s] * depth_[1]});
  const int max_o = std::max(
      {0, kDx[dir_h] * depth_[0], kDx[dir_s] * depth_[1], kDy[dir_h] * depth_[0], kDy[dir_s] * depth_[1]});
  int shift = 0;
  if (alignment_ == vcl::taRightJustify) shift = max_o - min_o;
  if (alignment_ == vcl::taCenter) shift = (max_o - min_o) / 2;

  auto mask = WorkBitmap(w, h, Font());
  auto work = WorkBitmap(w, h, Font());
  vcl::TCanvas* wc = work->Canvas();
  // What the screen shows behind the label: the parent's background.
  plat::BitBlt(wc->Handle(), 0, 0, w, h, Canvas()->Handle(), 0, 0, plat::SRCCOPY);

  const std::string caption = Caption();
  int x0 = 0, y0 = 0;
  if (angle_ != 0) {
    RotateFont(wc, angle_);
    RotateFont(mask->Canvas(), angle_);
    const vcl::TSize extent = wc->TextExtent(caption);
    const double tw = extent.cx, th = extent.cy;
    const int c = wc->TextWidth(caption + "   ") / 2;
    x0 = c - static_cast<int>(tw / 2 * cos_angle_) - static_cast<int>(th / 2 * sin_angle_);
    y0 = c + static_cast<int>(tw / 2 * sin_angle_) - static_cast<int>(th / 2 * cos_angle_);
    if (!Transparent()) {
      const int c2 = c + (max_o - min_o + 4) / 2;
      const double tw2 = tw + max_o + min_o + 4, th2 = th + max_o + min_o + 4;
      const int a = static_cast<int>(tw2 / 2 * cos_angle_), b = static_cast<int>(th2 / 2 * sin_angle_);
      const int d = static_cast<int>(tw2 / 2 * sin_angle_), e = static_cast<int>(th2 / 2 * cos_angle_);
      wc->Brush()->SetColor(Color());
      wc->Brush()->SetStyle(vcl::bsSolid);
      wc->Polygon({vcl::Point(c2 - a - b + 2, c2 + d - e + 2), vcl::Point(c2 + a - b + 2, c2 - d - e + 2),
                   vcl::Point(c2 + a + b + 2, c2 - d + e + 2), vcl::Point(c2 - a + b + 2, c2 + d + e + 2)});
    }
  } else if (!Transparent()) {
    wc->Brush()->SetColor(Color());
    wc->Brush()->SetStyle(vcl::bsSolid);
    wc->FillRect(vcl::Rect(0, 0, w, h));
  }

  const std::string text = angle_ == 0 ? FirstChars(caption, kMaxLabelText) : caption;
  plat::UINT format = plat::DT_WORDBREAK | plat::DT_EXPANDTABS;
  if (alignment_ == vcl::taRightJustify) format |= plat::DT_RIGHT;
  if (alignment_ == vcl::taCenter) format |= plat::DT_CENTER;
  auto draw_text = [&](vcl::TCanvas* canvas, vcl::TColor color, int dx, int dy) {
    canvas->Brush()->SetStyle(vcl::bsClear);
    canvas->Font()->SetColor(color);
    if (angle_ == 0) {
      plat::RECT r{-min_o - shift + dx, -min_o + dy, w - min_o - shift + dx, h - min_o + dy};
      plat::DrawTextA(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r, format);
    } else {
      canvas->TextOut(x0 - min_o + dx, y0 - min_o + dy, text);
    }
  };
  // The shadow first, the highlight over it, each at its full depth or
  // extruded down to one pixel.
  for (int k : {1, 0}) {
    const int depth = depth_[k];
    const int last = option_[k] == loExtrude && depth > 1 ? 1 : depth;
    for (int i = depth; i >= last; --i)
      draw_text(wc, colour_[k], i * kDx[direction_[k]], i * kDy[direction_[k]]);
  }

  if (bitmap_->Empty()) {
    draw_text(wc, Font()->Color(), 0, 0);
  } else {
    // Inside the letters the tiled bitmap, outside them Work unchanged:
    // x ^ b, masked to the letters (black) or kept (white), ^ b again.
    vcl::TCanvas* mc = mask->Canvas();
    mc->Brush()->SetColor(vcl::clWhite);
    mc->Brush()->SetStyle(vcl::bsSolid);
    mc->FillRect(vcl::Rect(0, 0, w, h));
    draw_text(mc, vcl::clBlack, 0, 0);
    const plat::RECT all{0, 0, w, h};
    plat::HDC dc = wc->Handle();
    vcl::TCanvas* source = LockBitmap(bitmap_.get());
    plat::ScopeExit unlock([source] { source->Unlock(); });
    engine::TileBitmap(dc, bitmap_->Handle(), all, plat::SRCINVERT);
    plat::BitBlt(dc, 0, 0, w, h, mc->Handle(), 0, 0, plat::SRCAND);
    engine::TileBitmap(dc, bitmap_->Handle(), all, plat::SRCINVERT);
  }

  Bevel()->Paint(wc, vcl::Rect(0, 0, w, h), true);
  plat::BitBlt(Canvas()->Handle(), 0, 0, w, h, wc->Handle(), 0, 0, plat::SRCCOPY);
}

}  // namespace controls
