#include "controls/MMLEDLbl.h"

#include <algorithm>

#include "platform/gdi/TextUtf8.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

std::u32string Decode(const std::string& text) {
  std::u32string out;
  for (size_t pos = 0; pos < text.size();) {
    const plat::fonts::Utf8Char c = plat::fonts::DecodeUtf8At(text, pos);
    out.push_back(c.code);
    pos += c.length;
  }
  return out;
}

}  // namespace

const char* LEDFontName(TMMLEDFontSize size) {
  switch (size) {
    case fs11x13:
      return "FONT_11X13";
    case fs16x20:
      return "FONT_16X20";
    case fs11x13_bold:
      return "FONT_11X13_BOLD";
  }
  return "FONT_16X20";
}

TMMLEDFont LoadLEDFont(const std::string& name, bool draw_inactive, vcl::TColor led, vcl::TColor inactive,
                       vcl::TColor back) {
  TMMLEDFont font;
  font.bitmap = LoadLEDBitmap(name, draw_inactive, led, inactive, back);
  font.cell_width = font.bitmap->Width() / 63;
  font.cell_height = (font.bitmap->Height() - 2) / 2;
  if (font.cell_width < 1 || font.cell_height < 1)
    throw EMMLEDLabelError("LED font " + name + " is too small for 2 rows of 63 characters");
  return font;
}

int LEDCellCode(char32_t c) {
  switch (c) {
    case U'\u00C4':
    case U'\u00E4':
      return 135;
    case U'\u00D6':
    case U'\u00F6':
      return 140;
    case U'\u00DC':
    case U'\u00FC':
      return 137;
    case U'\u00DF':
      return 149;
    case U'\u00B1':
      return 150;
    default:
      return c >= 32 && c <= 126 ? static_cast<int>(c) : 32;
  }
}

VCL_IMPLEMENT_CLASS(
    TMMLEDLABEL,
    EnumProp("Align", &TMMLEDLABEL::Align, &TMMLEDLABEL::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    EnumProp("Alignment", &TMMLEDLABEL::Alignment, &TMMLEDLABEL::SetAlignment,
             {"taLeftJustify", "taRightJustify", "taCenter"})
        .Default(vcl::taLeftJustify),
    BoolProp("AutoScroll", &TMMLEDLABEL::AutoScroll, &TMMLEDLABEL::SetAutoScroll).Default(false),
    BoolProp("AutoSize", &TMMLEDLABEL::AutoSize, &TMMLEDLABEL::SetAutoSize).Default(true),
    ObjProp("Bevel", &TMMLEDLABEL::Bevel, &TMMLEDLABEL::SetBevel),
    StrProp("Caption", &TMMLEDLABEL::Caption, &TMMLEDLABEL::SetCaption),
    ColorProp("Color", &TMMLEDLABEL::Color, &TMMLEDLABEL::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMLEDLABEL::IsColorStored),
    IntProp("CurrentStep", &TMMLEDLABEL::CurrentStep, &TMMLEDLABEL::SetCurrentStep).Default(0),
    BoolProp("DoubleBuffer", &TMMLEDLABEL::DoubleBuffer, &TMMLEDLABEL::SetDoubleBuffer).Default(false),
    BoolProp("DrawInactive", &TMMLEDLABEL::DrawInactive, &TMMLEDLABEL::SetDrawInactive).Default(true),
    BoolProp("Enabled", &TMMLEDLABEL::Enabled, &TMMLEDLABEL::SetEnabled).Default(true),
    EnumProp("FontSize", &TMMLEDLABEL::FontSize, &TMMLEDLABEL::SetFontSize,
             {"fs11x13", "fs16x20", "fs11x13_bold"})
        .Default(fs16x20),
    ColorProp("InactiveColor", &TMMLEDLABEL::InactiveColor, &TMMLEDLABEL::SetInactiveColor)
        .Default(vcl::clGreen),
    ColorProp("LEDColor", &TMMLEDLABEL::LEDColor, &TMMLEDLABEL::SetLEDColor).Default(vcl::clLime),
    IntProp("LEDSpace", &TMMLEDLABEL::LEDSpace, &TMMLEDLABEL::SetLEDSpace).Default(1),
    IntProp("NumChars", &TMMLEDLABEL::NumChars, &TMMLEDLABEL::SetNumChars).Default(11),
    BoolProp("ParentColor", &TMMLEDLABEL::ParentColor, &TMMLEDLABEL::SetParentColor).Default(true),
    BoolProp("ParentShowHint", &TMMLEDLABEL::ParentShowHint, &TMMLEDLABEL::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TMMLEDLABEL::PopupMenu, &TMMLEDLABEL::SetPopupMenu),
    IntProp("ScrollSpeed", &TMMLEDLABEL::ScrollSpeed, &TMMLEDLABEL::SetScrollSpeed).Default(100),
    BoolProp("ShowHint", &TMMLEDLABEL::ShowHint, &TMMLEDLABEL::SetShowHint)
        .Default(false)
        .Stored(&TMMLEDLABEL::IsShowHintStored),
    IntProp("StartStep", &TMMLEDLABEL::StartStep, &TMMLEDLABEL::SetStartStep).Default(0),
    IntProp("Tag2", &TMMLEDLABEL::Tag2, &TMMLEDLABEL::SetTag2).Default(0),
    BoolProp("Visible", &TMMLEDLABEL::Visible, &TMMLEDLABEL::SetVisible).Default(true),
    EventProp("OnBegin", &TMMLEDLABEL::OnBegin), EventProp("OnClick", &TMMLEDLABEL::OnClick),
    EventProp("OnDblClick", &TMMLEDLABEL::OnDblClick), EventProp("OnDrawBitmap", &TMMLEDLABEL::OnDrawBitmap),
    EventProp("OnEnd", &TMMLEDLABEL::OnEnd), EventProp("OnMouseDown", &TMMLEDLABEL::OnMouseDown),
    EventProp("OnMouseMove", &TMMLEDLABEL::OnMouseMove), EventProp("OnMouseUp", &TMMLEDLABEL::OnMouseUp),
    EventProp("OnStep", &TMMLEDLABEL::OnStep))

TMMLEDLABEL::TMMLEDLABEL(vcl::TComponent* owner)
    : TMMGraphicControl(owner), timer_(std::make_unique<vcl::TTimer>(nullptr)) {
  timer_->SetEnabled(false);
  timer_->SetInterval(100);
  timer_->OnTimer = [this](vcl::TObject*) { ScrollTick(); };
  SetColor(vcl::clBlack);
  SetParentColor(true);
  Bevel()->SetBorderSpace(2);
  SetBounds(Left(), Top(), 11, 13);
  constructing_ = false;
  LoadFont();
}

TMMLEDLABEL::~TMMLEDLABEL() {
  timer_.reset();
  buffer_.reset();
}

bool TMMLEDLABEL::Quiet() const {
  return constructing_ || ComponentState().Contains(vcl::csLoading) ||
         ComponentState().Contains(vcl::csReading);
}

int TMMLEDLABEL::CaptionLength() const { return static_cast<int>(Decode(Caption()).size()); }

void TMMLEDLABEL::LoadFont() {
  if (constructing_) return;
  font_ = LoadLEDFont(LEDFontName(font_size_), draw_inactive_, led_color_, inactive_color_, Color());
  AdjustSize();
  Invalidate();
}

void TMMLEDLABEL::AdjustSize() {
  if (Quiet() || !font_.bitmap) return;
  if (auto_size_) num_chars_ = CaptionLength();
  const int b = BevelExtent();
  int width = Width();
  if (Align() != vcl::alTop && Align() != vcl::alBottom)
    width = std::max(2 * b, 2 * b + Pitch() * num_chars_ - (led_space_ - 1));
  const int height = 2 * b + font_.cell_height;
  if (width == Width() && height == Height()) {
    Invalidate();
    return;
  }
  SetBounds(Left(), Top(), width, height);
}

void TMMLEDLABEL::SetBounds(int left, int top, int width, int height) {
  if (!Quiet() && font_.bitmap) {
    const int b = BevelExtent();
    if (!auto_size_) num_chars_ = std::max(0, (width - 2 * b + led_space_ - 1) / Pitch());
    if (Align() != vcl::alTop && Align() != vcl::alBottom)
      width = std::max(2 * b, 2 * b + Pitch() * num_chars_ - (led_space_ - 1));
    height = 2 * b + font_.cell_height;
  }
  inherited::SetBounds(left, top, width, height);
  if (buffer_) {
    const int b = BevelExtent();
    buffer_->SetSize(std::max(0, Width() - 2 * b), std::max(0, Height() - 2 * b));
  }
}

void TMMLEDLABEL::SetFontSize(TMMLEDFontSize value) {
  if (value == font_size_ || value < fs11x13 || value > fs11x13_bold) return;
  font_size_ = value;
  LoadFont();
}

void TMMLEDLABEL::SetNumChars(int value) {
  value = std::max(0, value);
  if (value == num_chars_) return;
  num_chars_ = value;
  if (Quiet() || !font_.bitmap) return;
  const int b = BevelExtent();
  SetBounds(Left(), Top(), 2 * b + Pitch() * num_chars_ - (led_space_ - 1), Height());
}

void TMMLEDLABEL::SetAutoSize(bool value) {
  if (value == auto_size_) return;
  auto_size_ = value;
  AdjustSize();
}

void TMMLEDLABEL::SetAlignment(vcl::TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Invalidate();
}

void TMMLEDLABEL::SetLEDSpace(int value) {
  if (value == led_space_ || value < 1) return;
  led_space_ = value;
  AdjustSize();
}

void TMMLEDLABEL::SetLEDColor(vcl::TColor value) {
  if (value == led_color_) return;
  led_color_ = value;
  LoadFont();
}

void TMMLEDLABEL::SetInactiveColor(vcl::TColor value) {
  if (value == inactive_color_) return;
  inactive_color_ = value;
  LoadFont();
}

void TMMLEDLABEL::SetDrawInactive(bool value) {
  if (value == draw_inactive_) return;
  draw_inactive_ = value;
  LoadFont();
}

void TMMLEDLABEL::SetAutoScroll(bool value) {
  if (value == auto_scroll_) return;
  auto_scroll_ = value;
  if (!Quiet()) {
    if (value)
      StartScroll();
    else
      StopScroll();
  }
  Invalidate();
}

void TMMLEDLABEL::SetScrollSpeed(int value) {
  if (value == scroll_speed_ || value < 1) return;
  scroll_speed_ = value;
  if (timer_->Enabled()) timer_->SetInterval(static_cast<unsigned>(value));
}

void TMMLEDLABEL::SetStartStep(int value) {
  if (value < 0 || value > CaptionLength()) return;
  start_step_ = value;
  current_step_ = value;
  Invalidate();
}

void TMMLEDLABEL::SetCurrentStep(int value) {
  if (value == current_step_ || value < 0 || value > CaptionLength()) return;
  current_step_ = value;
  Invalidate();
}

void TMMLEDLABEL::SetDoubleBuffer(bool value) {
  if (value == double_buffer_) return;
  double_buffer_ = value;
  if (!Quiet() && !DesignMode()) UpdateBuffer();
}

void TMMLEDLABEL::UpdateBuffer() {
  if (double_buffer_) {
    const int b = BevelExtent();
    buffer_ = std::make_unique<vcl::TBitmap>();
    buffer_->SetSize(std::max(0, Width() - 2 * b), std::max(0, Height() - 2 * b));
  } else {
    buffer_.reset();
  }
  Invalidate();
}

void TMMLEDLABEL::StartScroll() {
  if (timer_->Enabled()) return;
  if (current_step_ > CaptionLength()) current_step_ = start_step_;
  if (alignment_ != vcl::taLeftJustify) alignment_ = vcl::taLeftJustify;
  if (OnBegin) OnBegin(this);
  timer_->SetInterval(static_cast<unsigned>(scroll_speed_));
  timer_->SetEnabled(true);
}

void TMMLEDLABEL::StopScroll() { timer_->SetEnabled(false); }

void TMMLEDLABEL::ScrollTick() {
  ++current_step_;
  DrawNow();
  // At or past the end: a caption shortened while scrolling wraps as well.
  if (current_step_ >= CaptionLength()) {
    if (auto_scroll_)
      current_step_ = start_step_;
    else
      StopScroll();
    if (OnEnd) OnEnd(this);
  } else if (OnStep) {
    OnStep(this);
  }
}

void TMMLEDLABEL::DrawNow() {
  vcl::TWinControl* parent = Parent();
  if (!(Visible() || DesignMode()) || !parent || !parent->HandleAllocated()) return;
  auto* canvas = static_cast<vcl::TControlCanvas*>(Canvas());
  canvas->Lock();
  plat::ScopeExit release([canvas] {
    canvas->FreeHandle();
    canvas->Unlock();
  });
  Paint();
}

std::vector<int> TMMLEDLABEL::CellCodes() const {
  const std::u32string text = Decode(Caption());
  const int len = static_cast<int>(text.size()), n = num_chars_;
  std::u32string shown;
  switch (alignment_) {
    case vcl::taLeftJustify:
      if (current_step_ < len)
        shown = text.substr(static_cast<size_t>(current_step_), static_cast<size_t>(n));
      shown.resize(static_cast<size_t>(n), U' ');
      break;
    case vcl::taRightJustify:
      shown = len > n ? text.substr(static_cast<size_t>(len - n)) : text;
      shown.insert(0, static_cast<size_t>(n - static_cast<int>(shown.size())), U' ');
      break;
    case vcl::taCenter:
      if (len >= n) {
        shown = text.substr(static_cast<size_t>((len - n) / 2), static_cast<size_t>(n));
      } else {
        // An odd surplus puts the extra blank on the right.
        shown = std::u32string(static_cast<size_t>((n - len) / 2), U' ') + text;
        shown.resize(static_cast<size_t>(n), U' ');
      }
      break;
  }
  std::vector<int> codes;
  for (char32_t c : shown) codes.push_back(LEDCellCode(c));
  return codes;
}

void TMMLEDLABEL::DrawCells(vcl::TCanvas* canvas, int x, int y) {
  const int cw = font_.cell_width, ch = font_.cell_height;
  const std::vector<int> codes = CellCodes();
  for (size_t i = 0; i < codes.size(); ++i) {
    const int code = codes[i];
    const int sx = (code <= 94 ? code - 32 : code - 95) * cw, sy = code <= 94 ? 0 : ch + 2;
    const int dx = x + static_cast<int>(i) * Pitch();
    canvas->CopyRect(vcl::Rect(dx, y, dx + cw, y + ch), font_.bitmap->Canvas(),
                     vcl::Rect(sx, sy, sx + cw, sy + ch));
  }
}

void TMMLEDLABEL::Paint() {
  const vcl::TRect inner = PaintBevel(true);
  vcl::TCanvas* canvas = Canvas();
  if (!font_.bitmap) return;
  if (buffer_) {
    vcl::TCanvas* target = buffer_->Canvas();
    target->Brush()->SetStyle(vcl::bsSolid);
    target->Brush()->SetColor(Color());
    target->FillRect(vcl::Rect(0, 0, buffer_->Width(), buffer_->Height()));
    DrawCells(target, 0, 0);
    if (OnDrawBitmap)
      OnDrawBitmap(this, buffer_.get(), inner);
    else
      canvas->Draw(inner.left, inner.top, buffer_.get());
    return;
  }
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(Color());
  canvas->FillRect(inner);
  DrawCells(canvas, inner.left, inner.top);
}

void TMMLEDLABEL::Dispatch(vcl::TMessage& message) {
  inherited::Dispatch(message);
  if (message.Msg == vcl::CM_COLORCHANGED && font_.bitmap)
    LoadFont();
  else if (message.Msg == vcl::CM_TEXTCHANGED)
    AdjustSize();
}

void TMMLEDLABEL::BevelChanged() {
  inherited::BevelChanged();
  AdjustSize();
}

void TMMLEDLABEL::Loaded() {
  inherited::Loaded();
  AdjustSize();
  if (double_buffer_ && !DesignMode()) UpdateBuffer();
  if (auto_scroll_) StartScroll();
}

}  // namespace controls
