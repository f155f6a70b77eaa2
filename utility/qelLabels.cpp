#include "utility/qelLabels.h"

#include <algorithm>
#include <cmath>

#include "platform/gdi/Font.h"
#include "platform/gdi/FontTypes.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Cursor.h"
#include "platform/user/Paint.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"
#include "utility/qelGraphics.h"
#include "utility/qelSysUtils.h"

namespace utility {

namespace {
// Ties to even, as the layout's rounding is defined.
int Nearest(double value) { return static_cast<int>(std::nearbyint(value)); }

vcl::TRect Grown(const vcl::TRect& r, int dx, int dy) {
  return {r.left - dx, r.top - dy, r.right + dx, r.bottom + dy};
}

unsigned AlignmentFlag(vcl::TAlignment alignment) {
  return alignment == vcl::taRightJustify ? plat::DT_RIGHT
         : alignment == vcl::taCenter     ? plat::DT_CENTER
                                          : 0u;
}
}  // namespace

TqelRotatedLayout RotatedLayout(int w, int h, int angle) {
  const double a = angle * M_PI / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  TqelRotatedLayout out;
  out.width = Nearest(std::fabs(w * c) + std::fabs(h * s));
  out.height = Nearest(std::fabs(h * c) + std::fabs(w * s));
  if (angle < 90)
    out.origin = {0, out.height - Nearest(std::fabs(h * c))};
  else if (angle < 180)
    out.origin = {Nearest(std::fabs(w * c)), out.height};
  else if (angle < 270)
    out.origin = {out.width, Nearest(std::fabs(h * c))};
  else
    out.origin = {out.width - Nearest(std::fabs(w * c)), 0};
  return out;
}

TqelRunTimeState StateFor(bool enabled, bool visible, bool active, bool mouse_in_control, bool mouse_down) {
  if (!enabled) return rtsDisabled;
  if (!visible || !active) return rtsNormal;
  if (!mouse_down) return mouse_in_control ? rtsSelected : rtsNormal;
  return mouse_in_control ? rtsActive : rtsSelected;
}

// ---- the turned label ---------------------------------------------------------

VCL_IMPLEMENT_CLASS(TqelCustomLabel)

#define QEL_LABEL_PROPS(C)                                                                                  \
  EnumProp("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify", "taCenter"})   \
      .Default(vcl::taLeftJustify),                                                                         \
      StrProp("Caption", &C::Caption, &C::SetCaption),                                                      \
      BoolProp("Enabled", &C::Enabled, &C::SetEnabled).Default(true),                                       \
      ObjProp("Font", &C::Font, &C::SetFont),                                                               \
      BoolProp("ParentFont", &C::ParentFont, &C::SetParentFont).Default(false),                             \
      EnumProp("Layout", &C::Layout, &C::SetLayout, {"tlTop", "tlCenter", "tlBottom"}).Default(vcl::tlTop), \
      BoolProp("ShowAccelChar", &C::ShowAccelChar, &C::SetShowAccelChar).Default(true),                     \
      BoolProp("Transparent", &C::Transparent, &C::SetTransparent).Default(false),                          \
      BoolProp("Visible", &C::Visible, &C::SetVisible).Default(true),                                       \
      BoolProp("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(false),                                   \
      StrProp("About", &C::About, &C::SetAbout), EventProp("OnClick", &C::OnClick),                         \
      EventProp("OnDblClick", &C::OnDblClick), EventProp("OnMouseDown", &C::OnMouseDown),                   \
      EventProp("OnMouseMove", &C::OnMouseMove), EventProp("OnMouseUp", &C::OnMouseUp),                     \
      EventProp("OnMouseEnter", &C::OnMouseEnter), EventProp("OnMouseLeave", &C::OnMouseLeave)

VCL_IMPLEMENT_CLASS(TqelLabel, QEL_LABEL_PROPS(TqelLabel),
                    BoolProp("AutoSize", &TqelLabel::AutoSize, &TqelLabel::SetAutoSize).Default(true),
                    ColorProp("Color", &TqelLabel::Color, &TqelLabel::SetColor),
                    IntProp("Cursor", &TqelLabel::Cursor, &TqelLabel::SetCursor).Default(vcl::crDefault),
                    IntProp("Angle", &TqelLabel::Angle, &TqelLabel::SetAngle).Default(0))

TqelCustomLabel::TqelCustomLabel(vcl::TComponent* owner) : TCustomLabel(owner) {
  Font()->SetName("Arial");
  Font()->SetSize(9);
  SetParentFont(false);
}

TqelCustomLabel::~TqelCustomLabel() {
  if (rotated_font_) plat::DeleteObject(rotated_font_);
}

void TqelCustomLabel::SetAngle(int value) {
  value %= 360;
  if (value < 0) value += 360;
  if (value == angle_) return;
  angle_ = value;
  LayoutChanged();
}

void TqelCustomLabel::LayoutChanged() {
  AdjustBounds();
  Invalidate();
}

std::string TqelCustomLabel::MeasuredCaption() const {
  std::string text = Caption();
  if (text.empty() || (ShowAccelChar() && text == "&")) text += ' ';
  return text;
}

unsigned TqelCustomLabel::MeasureFlags() const {
  unsigned flags = plat::DT_CALCRECT | plat::DT_EXPANDTABS | AlignmentFlag(Alignment());
  if (WordWrap()) flags |= plat::DT_WORDBREAK;
  if (!ShowAccelChar()) flags |= plat::DT_NOPREFIX;
  return flags;
}

void TqelCustomLabel::MeasureText(vcl::TRect& rect) {
  // A screen-like DC: the label may have no window to measure on yet.
  plat::HDC dc = plat::GetDC(nullptr);
  plat::HGDIOBJ old = plat::SelectObject(dc, Font()->Handle());
  std::string text = MeasuredCaption();
  plat::DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &rect, MeasureFlags());
  plat::SelectObject(dc, old);
  plat::ReleaseDC(nullptr, dc);
}

void TqelCustomLabel::CalcRotatedRect(vcl::TRect& rect) {
  MeasureText(rect);
  TqelRotatedLayout layout = RotatedLayout(rect.right - rect.left, rect.bottom - rect.top, angle_);
  rect = vcl::TRect{0, 0, layout.width, layout.height};
  origin_ = layout.origin;
}

void TqelCustomLabel::CreateRotatedFont() {
  plat::LOGFONTA font{};
  plat::GetObject(Font()->Handle(), sizeof font, &font);
  font.lfEscapement = angle_ * 10;
  if (rotated_font_) plat::DeleteObject(rotated_font_);
  rotated_font_ = plat::CreateFontIndirectA(&font);
}

void TqelCustomLabel::DoDrawText(vcl::TRect& rect, unsigned flags) {
  if (flags & plat::DT_CALCRECT) {
    CalcRotatedRect(rect);
    return;
  }
  vcl::TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  canvas->RequiredState({vcl::csHandleValid, vcl::csFontValid});
  plat::HDC dc = canvas->Handle();
  plat::SetBkMode(dc, plat::TRANSPARENT);
  plat::SetTextColor(dc, vcl::ColorToRGB(Enabled() ? Font()->Color() : vcl::clGrayText));
  const std::string text = Caption();
  plat::TEXTMETRICA metrics{};
  plat::GetTextMetricsA(dc, &metrics);
  if (metrics.tmPitchAndFamily & plat::TMPF_TRUETYPE) {
    CreateRotatedFont();
    plat::HGDIOBJ old = plat::SelectObject(dc, rotated_font_);
    plat::TextOutA(dc, origin_.x, origin_.y, text.c_str(), static_cast<int>(text.size()));
    plat::SelectObject(dc, old);
  } else {
    // Only outline fonts turn.
    plat::TextOutA(dc, origin_.x, origin_.y, text.c_str(), static_cast<int>(text.size()));
    SetAngle(0);
  }
}

void TqelCustomLabel::AdjustBounds() {
  if (!vcl::TCustomLabel::AutoSize() || ComponentState().Contains(vcl::csLoading)) return;
  vcl::TRect r{0, 0, Width(), Height()};
  DoDrawText(r, MeasureFlags());
  int x = Left();
  if (Alignment() == vcl::taRightJustify) x += Width() - r.right;
  SetBounds(x, Top(), r.right, r.bottom);
}

void TqelCustomLabel::Paint() {
  vcl::TCanvas* canvas = Canvas();
  vcl::TRect r = ClientRect();
  if (!Transparent()) {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->FillRect(r);
  }
  canvas->Brush()->SetStyle(vcl::bsClear);
  DoDrawText(r, TextFlags());
}

void TqelCustomLabel::CMMouseEnter(vcl::TMessage& message) {
  if (message.LParam != 0) return TCustomLabel::CMMouseEnter(message);
  mouse_in_control_ = true;
  MouseEnter();
  if (Parent()) Parent()->Perform(vcl::CM_MOUSEENTER, 0, reinterpret_cast<plat::LPARAM>(this));
}

void TqelCustomLabel::CMMouseLeave(vcl::TMessage& message) {
  if (message.LParam != 0) return TCustomLabel::CMMouseLeave(message);
  mouse_in_control_ = false;
  MouseLeave();
  if (Parent()) Parent()->Perform(vcl::CM_MOUSELEAVE, 0, reinterpret_cast<plat::LPARAM>(this));
}

void TqelCustomLabel::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TqelCustomLabel::MouseLeave() {
  if (OnMouseLeave) OnMouseLeave(this);
}

// ---- the active label -----------------------------------------------------------

VCL_IMPLEMENT_CLASS(TqelCustomActiveLabel)

VCL_IMPLEMENT_CLASS(
    TqelActiveLabel, QEL_LABEL_PROPS(TqelActiveLabel),
    BoolProp("Active", &TqelActiveLabel::Active, &TqelActiveLabel::SetActive).Default(true),
    BoolProp("AutoSize", &TqelActiveLabel::AutoSize, &TqelActiveLabel::SetAutoSize).Default(true),
    ObjProp("Borders", &TqelActiveLabel::Borders, &TqelActiveLabel::SetBorders),
    ObjProp("Colors", &TqelActiveLabel::Colors, &TqelActiveLabel::SetColors),
    ObjProp("Cursors", &TqelActiveLabel::Cursors, &TqelActiveLabel::SetCursors),
    EnumProp("RuntimeState", &TqelActiveLabel::RuntimeState, &TqelActiveLabel::SetRuntimeState,
             {"rtsNormal", "rtsSelected", "rtsActive", "rtsDisabled"})
        .Default(rtsNormal),
    ObjProp("Shadows", &TqelActiveLabel::Shadows, &TqelActiveLabel::SetShadows),
    ObjProp("TextDecorations", &TqelActiveLabel::TextDecorations, &TqelActiveLabel::SetTextDecorations))

TqelCustomActiveLabel::TqelCustomActiveLabel(vcl::TComponent* owner)
    : TqelCustomLabel(owner), bitmap_(std::make_unique<vcl::TBitmap>()) {
  auto layout = [this] { LayoutChanged(); };
  colors_ = std::make_unique<TqelActiveLabelColors>(
      this, [this] { Invalidate(); }, vcl::clBtnFace, vcl::clBtnFace, vcl::clBtnFace, vcl::clBtnFace);
  cursors_ = std::make_unique<TqelActiveLabelCursors>(this, nullptr, vcl::crDefault, vcl::crHandPoint,
                                                      vcl::crHandPoint, vcl::crDefault);
  borders_ = std::make_unique<TqelActiveLabelColorDecorations>(this, layout);
  shadows_ = std::make_unique<TqelActiveLabelColorDecorations>(this, layout);
  text_decorations_ = std::make_unique<TqelActiveLabelTextDecorations>(this, layout);
  const vcl::TColor border_colors[] = {vcl::clWhite, vcl::clYellow, vcl::clLime, vcl::clBtnHighlight};
  const vcl::TColor shadow_colors[] = {vcl::clBtnShadow, vcl::clBtnShadow, vcl::clBtnShadow,
                                       vcl::clBtnHighlight};
  const vcl::TColor text_colors[] = {vcl::clBlack, vcl::clBlue, vcl::clRed, vcl::clBtnShadow};
  const vcl::TFontStyles underline{vcl::fsUnderline};
  const vcl::TFontStyles text_styles[] = {{}, underline, underline, {}};
  TqelColorDecorationDesc* borders[] = {borders_->Normal(), borders_->Selected(), borders_->Active(),
                                        borders_->Disabled()};
  TqelColorDecorationDesc* shadows[] = {shadows_->Normal(), shadows_->Selected(), shadows_->Active(),
                                        shadows_->Disabled()};
  TqelTextDecorationDesc* texts[] = {text_decorations_->Normal(), text_decorations_->Selected(),
                                     text_decorations_->Active(), text_decorations_->Disabled()};
  // Straight into the parts: nothing is laid out while the label is made.
  for (int i = 0; i < 4; ++i) {
    TqelColorDecorationDesc border(nullptr, nullptr, border_colors[i], true);
    TqelColorDecorationDesc shadow(nullptr, nullptr, shadow_colors[i], false);
    TqelTextDecorationDesc text(nullptr, nullptr, text_colors[i], text_styles[i]);
    borders[i]->Assign(&border);
    shadows[i]->Assign(&shadow);
    texts[i]->Assign(&text);
  }
  Font()->SetName("Arial");
  Font()->SetSize(16);
}

TqelCustomActiveLabel::~TqelCustomActiveLabel() = default;

void TqelCustomActiveLabel::SetRuntimeState(TqelRunTimeState value) {
  if (value == runtime_state_) return;
  runtime_state_ = value;
  borders_->SetState(value);
  colors_->SetState(value);
  cursors_->SetState(value);
  shadows_->SetState(value);
  text_decorations_->SetState(value);
  SetCursor(cursors_->Current());
  // Only a mouse over the label sees its cursor change; a change from code
  // must not reach the cursor of another window.
  if (mouse_in_control_ && vcl::Screen) plat::SetCursor(vcl::Screen->Cursors(cursors_->Current()));
  PaintToBitmap();
}

void TqelCustomActiveLabel::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  Invalidate();
}

void TqelCustomActiveLabel::SetAutoSize(bool value) {
  if (value == auto_size_) return;
  auto_size_ = value;
  LayoutChanged();
}

void TqelCustomActiveLabel::SetEnabled(bool value) {
  if (value == Enabled()) return;
  TqelCustomLabel::SetEnabled(value);
  UpdateState();
}

void TqelCustomActiveLabel::SetBorders(TqelActiveLabelColorDecorations* value) {
  borders_->Assign(value);
  Repaint();
}
void TqelCustomActiveLabel::SetColors(TqelActiveLabelColors* value) {
  colors_->Assign(value);
  Repaint();
}
void TqelCustomActiveLabel::SetCursors(TqelActiveLabelCursors* value) {
  cursors_->Assign(value);
  Invalidate();
}
void TqelCustomActiveLabel::SetTextDecorations(TqelActiveLabelTextDecorations* value) {
  text_decorations_->Assign(value);
  Repaint();
}
void TqelCustomActiveLabel::SetShadows(TqelActiveLabelColorDecorations* value) {
  shadows_->Assign(value);
  Repaint();
}

void TqelCustomActiveLabel::Loaded() {
  TqelCustomLabel::Loaded();
  LayoutChanged();
  PaintToBitmap();
}

void TqelCustomActiveLabel::Update() {
  TqelCustomLabel::Update();
  PaintToBitmap();
  UpdateState();
}

void TqelCustomActiveLabel::UpdateState() {
  SetRuntimeState(StateFor(Enabled(), Visible(), active_, mouse_in_control_, mouse_down_));
}

void TqelCustomActiveLabel::ApplyStateStyles() {
  const TqelTextDecorationDesc* text = text_decorations_->Current();
  Font()->SetColor(text->Color());
  Font()->SetStyle(text->Style());
  SetColor(colors_->Current());
}

void TqelCustomActiveLabel::DrawDecoratedText(vcl::TCanvas& canvas, const std::string& text, vcl::TRect& rect,
                                              unsigned flags) {
  const int bx = borders_->SizeX(), by = borders_->SizeY();
  rect = Grown(rect, -bx, -by);
  vcl::TRect r0{rect.left, rect.top, rect.left, rect.top};
  ApplyStateStyles();
  canvas.SetFont(Font());
  if (shadows_->Current()->Visible()) {
    if (Alignment() == vcl::taRightJustify) {
      rect.left -= shadows_->SizeX();
      rect.right -= shadows_->SizeX();
    }
    r0 = rect;
    DrawTextShifted(canvas, text, r0, shadows_->Current()->Color(), shadows_->SizeX(), shadows_->SizeY(),
                    flags);
  }
  if (borders_->Current()->Visible())
    DrawTextBorder(canvas, text, rect, borders_->Current()->Color(), bx, by, flags);
  // The disabled look comes from the Disabled entries, not from embossing.
  DrawTextEnabled(canvas, text, rect, Font()->Color(), true, flags);
  if (r0.right > r0.left && r0.bottom > r0.top)
    rect = vcl::TRect{std::min(rect.left, r0.left), std::min(rect.top, r0.top),
                      std::max(rect.right, r0.right), std::max(rect.bottom, r0.bottom)};
}

void TqelCustomActiveLabel::DoDrawText(vcl::TRect& rect, unsigned flags) {
  std::string text = (flags & plat::DT_CALCRECT) ? MeasuredCaption() : Caption();
  if (!ShowAccelChar()) flags |= plat::DT_NOPREFIX;
  DrawDecoratedText(*bitmap_->Canvas(), text, rect, flags);
}

void TqelCustomActiveLabel::MeasureText(vcl::TRect& rect) {
  DrawDecoratedText(*bitmap_->Canvas(), MeasuredCaption(), rect, MeasureFlags());
}

void TqelCustomActiveLabel::PaintToBitmap() {
  ApplyStateStyles();
  bitmap_->SetSize(std::max(Width(), 1), std::max(Height(), 1));
  vcl::TCanvas* canvas = bitmap_->Canvas();
  vcl::TRect r{0, 0, Width(), Height()};
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->FillRect(r);
  canvas->Brush()->SetStyle(vcl::bsClear);
  unsigned flags = plat::DT_EXPANDTABS | AlignmentFlag(Alignment()) | (WordWrap() ? plat::DT_WORDBREAK : 0u);
  if (Layout() != vcl::tlTop) {
    vcl::TRect measured = r;
    DoDrawText(measured, flags | plat::DT_CALCRECT);
    const int difference = bitmap_->Height() - measured.bottom;
    const int offset = Layout() == vcl::tlCenter ? difference / 2 : difference;
    r.top += offset;
    r.bottom += offset;
  }
  DoDrawText(r, flags);
}

void TqelCustomActiveLabel::Paint() {
  if (Designing() || bitmap_->Width() != Width() || bitmap_->Height() != Height()) PaintToBitmap();
  vcl::TCanvas* canvas = Canvas();
  const vcl::TRect r{0, 0, Width(), Height()};
  if (Transparent()) {
    canvas->Brush()->SetStyle(vcl::bsClear);
    canvas->BrushCopy(r, bitmap_.get(), r, Color());
  } else {
    canvas->Draw(0, 0, bitmap_.get());
  }
}

void TqelCustomActiveLabel::AdjustBounds() {
  if (ComponentState().Contains(vcl::csLoading) || !auto_size_) return;
  vcl::TRect r{0, 0, Width(), Height()};
  DoDrawText(r, plat::DT_EXPANDTABS | plat::DT_CALCRECT | (WordWrap() ? plat::DT_WORDBREAK : 0u));
  r = Grown(r, borders_->SizeX(), borders_->SizeY());
  int x = Left();
  if (Alignment() == vcl::taRightJustify) {
    r = vcl::TRect{0, r.top, r.right - r.left, r.bottom};
    x += Width() - r.right;
  }
  SetBounds(x, Top(), r.right, r.bottom);
}

void TqelCustomActiveLabel::MouseEnter() {
  if (Designing()) return;
  TqelCustomLabel::MouseEnter();
  UpdateState();
}

void TqelCustomActiveLabel::MouseLeave() {
  if (Designing()) return;
  TqelCustomLabel::MouseLeave();
  UpdateState();
}

void TqelCustomActiveLabel::MouseMove(vcl::TShiftState shift, int x, int y) {
  const vcl::TRect r = ClientRect();
  const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
  if (inside != mouse_in_control_) {
    mouse_in_control_ = inside;
    UpdateState();
  }
  // Passed on, so the published OnMouseMove still fires.
  TqelCustomLabel::MouseMove(shift, x, y);
}

void TqelCustomActiveLabel::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbLeft) {
    mouse_down_ = true;
    UpdateState();
  }
  TqelCustomLabel::MouseDown(button, shift, x, y);
}

void TqelCustomActiveLabel::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  if (button == vcl::mbLeft) {
    mouse_down_ = false;
    UpdateState();
  }
  TqelCustomLabel::MouseUp(button, shift, x, y);
}

void TqelCustomActiveLabel::CMFontChanged(vcl::TMessage& message) {
  TqelCustomLabel::CMFontChanged(message);
  LayoutChanged();
}

void TqelCustomActiveLabel::CMTextChanged(vcl::TMessage& message) {
  TqelCustomLabel::CMTextChanged(message);
  PaintToBitmap();
  LayoutChanged();
}

void TqelCustomActiveLabel::Dispatch(vcl::TMessage& message) {
  if (message.Msg == vcl::CM_SYSCOLORCHANGE || message.Msg == vcl::CM_WININICHANGE) {
    TqelCustomLabel::Dispatch(message);
    PaintToBitmap();
    Invalidate();
    return;
  }
  TqelCustomLabel::Dispatch(message);
}

void RegisterLabelClasses() {
  RegisterClassesOnce({TqelCustomLabel::StaticClass(), TqelCustomActiveLabel::StaticClass(),
                       TqelLabel::StaticClass(), TqelActiveLabel::StaticClass()});
}

}  // namespace utility
