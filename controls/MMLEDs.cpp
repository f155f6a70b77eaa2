#include "controls/MMLEDs.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "engine/MMUtils.h"
#include "engine/MMUtilsBitmaps.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/kernel/Resources.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

namespace {

constexpr const char* kSizeNames[] = {"06X07", "07X11", "08X13", "11X19", "13X20", "13X21", "15X24",
                                      "15X25", "17X29", "18X25", "19X33", "21X37", "23X41"};

std::unique_ptr<TDigitCache> cache;

// The strip's own DC lets go of it, so routines with DCs of their own can select it.
void FreeCanvasContext(vcl::TBitmap& bitmap) {
  static_cast<vcl::TBitmapCanvas*>(bitmap.Canvas())->FreeContext();
}

void CopyCell(vcl::TCanvas* canvas, const vcl::TRect& dest, vcl::TBitmap* strip, int cells, int cell) {
  const int w = strip->Width() / cells;
  canvas->CopyRect(dest, strip->Canvas(), vcl::Rect(cell * w, 0, (cell + 1) * w, strip->Height()));
}

bool LoadingOrReading(const vcl::TComponent* c) {
  return c->ComponentState().Contains(vcl::csLoading) || c->ComponentState().Contains(vcl::csReading);
}

}  // namespace

const std::vector<std::string>& LEDSizeIdents() {
  static const std::vector<std::string> idents = {"ls06x07", "ls07x11", "ls08x13", "ls11x19", "ls13x20",
                                                  "ls13x21", "ls15x24", "ls15x25", "ls17x29", "ls18x25",
                                                  "ls19x33", "ls21x37", "ls23x41"};
  return idents;
}

std::string DigitStripName(TMMLEDType type, TMMLEDSize size) {
  return std::string(type == ltDigit ? "LCD_" : "LCDS_") + kSizeNames[size];
}

std::unique_ptr<vcl::TBitmap> LoadLEDBitmap(const std::string& name, bool draw_inactive, vcl::TColor led,
                                            vcl::TColor inactive, vcl::TColor back) {
  if (plat::FindResourceA(nullptr, name.c_str(), plat::RT_BITMAP) == nullptr)
    throw EMMLEDError("LED bitmap resource " + name + " is missing");
  auto bitmap = std::make_unique<vcl::TBitmap>();
  bitmap->LoadFromResourceName(nullptr, name);
  FreeCanvasContext(*bitmap);
  engine::ColorizeLEDBitmap(bitmap->Handle(), draw_inactive, led, inactive, back);
  return bitmap;
}

// ---- digit cache ----

vcl::TBitmap* TDigitCache::GetBitmap(const TDigitKey& key) {
  return bitmaps_.Acquire(key, [&] {
    return LoadLEDBitmap(DigitStripName(key.display_type, key.digit_size), key.draw_inactive, key.led_color,
                         key.inactive_color, key.back_color);
  });
}

vcl::TBitmap* GetDigitBitmap(const TDigitKey& key) {
  if (!cache) cache = std::make_unique<TDigitCache>();
  try {
    return cache->GetBitmap(key);
  } catch (...) {
    if (cache->IsEmpty()) cache.reset();
    throw;
  }
}

void ReleaseDigitBitmap(vcl::TBitmap*& bitmap) {
  if (bitmap == nullptr || !cache) return;
  bool freed = false;
  if (!cache->ReleaseBitmap(bitmap, freed)) return;
  if (freed) bitmap = nullptr;
  if (cache->IsEmpty()) cache.reset();
}

const TDigitCache* DigitCache() { return cache.get(); }

// ---- TMMLED ----

VCL_IMPLEMENT_CLASS(
    TMMLED, ObjProp("Bevel", &TMMLED::Bevel, &TMMLED::SetBevel),
    StrProp("Caption", &TMMLED::Caption, &TMMLED::SetCaption),
    ColorProp("Color", &TMMLED::Color, &TMMLED::SetColor)
        .Default(vcl::clGreen)
        .Stored(&TMMLED::IsColorStored),
    BoolProp("Enabled", &TMMLED::Enabled, &TMMLED::SetEnabled).Default(true),
    ObjProp("Font", &TMMLED::Font, &TMMLED::SetFont),
    ColorProp("LEDColor", &TMMLED::LEDColor, &TMMLED::SetLEDColor).Default(vcl::clLime),
    BoolProp("ParentShowHint", &TMMLED::ParentShowHint, &TMMLED::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMLED::ShowHint, &TMMLED::SetShowHint)
        .Default(false)
        .Stored(&TMMLED::IsShowHintStored),
    BoolProp("Visible", &TMMLED::Visible, &TMMLED::SetVisible).Default(true),
    EventProp("OnClick", &TMMLED::OnClick), EventProp("OnDblClick", &TMMLED::OnDblClick),
    EventProp("OnMouseDown", &TMMLED::OnMouseDown), EventProp("OnMouseMove", &TMMLED::OnMouseMove),
    EventProp("OnMouseUp", &TMMLED::OnMouseUp), EventProp("OnPaint", &TMMLED::OnPaint))

TMMLED::TMMLED(vcl::TComponent* owner) : TMMGraphicControl(owner) {
  SetColor(vcl::clGreen);
  SetBounds(Left(), Top(), 16, 8);
}

void TMMLED::SetEnabled(bool value) {
  if (value == lit_) return;
  lit_ = value;
  Invalidate();
}

void TMMLED::SetLEDColor(vcl::TColor value) {
  if (value == led_color_) return;
  led_color_ = value;
  Invalidate();
}

void TMMLED::Dispatch(vcl::TMessage& message) {
  if (message.Msg == vcl::CM_TEXTCHANGED) Invalidate();
  inherited::Dispatch(message);
}

void TMMLED::Paint() {
  vcl::TRect inner = PaintBevel(true);
  vcl::TCanvas* canvas = Canvas();
  if (OnPaint) {
    OnPaint(this, canvas, ClientRect());
    return;
  }
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(lit_ ? led_color_ : Color());
  canvas->FillRect(inner);
  const std::string caption = Caption();
  if (caption.empty()) return;
  canvas->SetFont(Font());
  canvas->Brush()->SetStyle(vcl::bsClear);
  const int w = canvas->TextWidth("W");
  inner.top = (inner.top + inner.bottom - w) / 2;
  plat::DrawTextA(canvas->Handle(), caption.c_str(), -1, &inner,
                  plat::DT_CENTER | plat::DT_VCENTER | plat::DT_NOCLIP);
}

// ---- TMMLEDMode ----

VCL_IMPLEMENT_CLASS(
    TMMLEDMode,
    ColorProp("Color", &TMMLEDMode::Color, &TMMLEDMode::SetColor).Stored(&TMMLEDMode::IsColorStored),
    BoolProp("DrawInactive", &TMMLEDMode::DrawInactive, &TMMLEDMode::SetDrawInactive).Default(true),
    BoolProp("Enabled", &TMMLEDMode::Enabled, &TMMLEDMode::SetEnabled).Default(true),
    ColorProp("InactiveColor", &TMMLEDMode::InactiveColor, &TMMLEDMode::SetInactiveColor)
        .Default(vcl::clGreen),
    ColorProp("LEDColor", &TMMLEDMode::LEDColor, &TMMLEDMode::SetLEDColor).Default(vcl::clLime),
    EnumProp("Mode", &TMMLEDMode::Mode, &TMMLEDMode::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(mMono),
    BoolProp("ParentColor", &TMMLEDMode::ParentColor, &TMMLEDMode::SetParentColor).Default(true),
    BoolProp("ParentShowHint", &TMMLEDMode::ParentShowHint, &TMMLEDMode::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMLEDMode::ShowHint, &TMMLEDMode::SetShowHint)
        .Default(false)
        .Stored(&TMMLEDMode::IsShowHintStored),
    BoolProp("Visible", &TMMLEDMode::Visible, &TMMLEDMode::SetVisible).Default(true),
    EventProp("OnClick", &TMMLEDMode::OnClick), EventProp("OnDblClick", &TMMLEDMode::OnDblClick),
    EventProp("OnMouseDown", &TMMLEDMode::OnMouseDown), EventProp("OnMouseMove", &TMMLEDMode::OnMouseMove),
    EventProp("OnMouseUp", &TMMLEDMode::OnMouseUp))

TMMLEDMode::TMMLEDMode(vcl::TComponent* owner) : TMMGraphicControl(owner) {
  SetBounds(Left(), Top(), 27, 11);
  LoadStrip();
}

TMMLEDMode::~TMMLEDMode() = default;

void TMMLEDMode::LoadStrip() {
  strip_ = LoadLEDBitmap("LCD_MODE", draw_inactive_, led_color_, inactive_color_, Color());
}

void TMMLEDMode::SetMode(TMMMode value) {
  if (value == mode_) return;
  mode_ = value;
  Invalidate();
}

void TMMLEDMode::SetEnabled(bool value) {
  if (value == on_) return;
  on_ = value;
  Invalidate();
}

void TMMLEDMode::SetLEDColor(vcl::TColor value) {
  if (value == led_color_) return;
  led_color_ = value;
  LoadStrip();
  Invalidate();
}

void TMMLEDMode::SetInactiveColor(vcl::TColor value) {
  if (value == inactive_color_) return;
  inactive_color_ = value;
  LoadStrip();
  Invalidate();
}

void TMMLEDMode::SetDrawInactive(bool value) {
  if (value == draw_inactive_) return;
  draw_inactive_ = value;
  LoadStrip();
  Invalidate();
}

void TMMLEDMode::Dispatch(vcl::TMessage& message) {
  inherited::Dispatch(message);
  if (message.Msg == vcl::CM_COLORCHANGED && strip_) {
    LoadStrip();
    Invalidate();
  }
}

void TMMLEDMode::Paint() {
  if (strip_) CopyCell(Canvas(), ClientRect(), strip_.get(), 4, on_ ? mode_ + 1 : 0);
}

// ---- TMMCustomLEDDigit ----

VCL_IMPLEMENT_CLASS(TMMCustomLEDDigit)

TMMCustomLEDDigit::TMMCustomLEDDigit(vcl::TComponent* owner) : TMMGraphicControl(owner) {
  SetBounds(Left(), Top(), 11, 21);
  constructing_ = false;
  FetchStrip();
}

TMMCustomLEDDigit::~TMMCustomLEDDigit() {
  SetConnect(nullptr);
  ReleaseDigitBitmap(strip_);
}

bool TMMCustomLEDDigit::Quiet() const { return constructing_ || LoadingOrReading(this); }

void TMMCustomLEDDigit::FetchStrip() {
  if (Quiet()) return;
  const TDigitKey key{display_type_, digit_size_, draw_inactive_, led_color_, inactive_color_, Color()};
  vcl::TBitmap* fresh = GetDigitBitmap(key);  // before the release, so a shared strip stays
  ReleaseDigitBitmap(strip_);
  strip_ = fresh;
  SetBounds(Left(), Top(), Width(), Height());
  Invalidate();
}

void TMMCustomLEDDigit::SetBounds(int left, int top, int width, int height) {
  if (strip_) {
    width = strip_->Width() / CellCount();
    height = strip_->Height();
  }
  inherited::SetBounds(left, top, width, height);
}

void TMMCustomLEDDigit::SetValue(int value) {
  if (cascade_values_ && connect_) connect_->SetValue(value / 10);
  const int d = value % 10;
  if (d == value_ || d < min_value_ || d > max_value_) return;
  value_ = d;
  Repaint();
}

void TMMCustomLEDDigit::SetMinValue(int value) {
  if (value == min_value_ || value < 0 || value > 9) return;
  min_value_ = value;
  if (value_ < min_value_) {
    value_ = min_value_;
    Invalidate();
  }
}

void TMMCustomLEDDigit::SetMaxValue(int value) {
  if (value == max_value_ || value < 0 || value > 9) return;
  max_value_ = value;
  if (value_ > max_value_) {
    value_ = max_value_;
    Invalidate();
  }
}

void TMMCustomLEDDigit::SetDrawInactive(bool value) {
  if (value == draw_inactive_) return;
  draw_inactive_ = value;
  FetchStrip();
}

void TMMCustomLEDDigit::SetZeroBlank(bool value) {
  if (value == zero_blank_) return;
  zero_blank_ = value;
  Invalidate();
}

void TMMCustomLEDDigit::SetInactiveColor(vcl::TColor value) {
  if (value == inactive_color_) return;
  inactive_color_ = value;
  FetchStrip();
}

void TMMCustomLEDDigit::SetLEDColor(vcl::TColor value) {
  if (value == led_color_) return;
  led_color_ = value;
  FetchStrip();
}

void TMMCustomLEDDigit::SetEnabled(bool value) {
  if (value == on_) return;
  on_ = value;
  Invalidate();
}

void TMMCustomLEDDigit::SetDigitSize(TMMLEDSize value) {
  if (value == digit_size_ || value < ls06x07 || value > ls23x41) return;
  digit_size_ = value;
  FetchStrip();
}

void TMMCustomLEDDigit::SetDisplayType(TMMLEDType value) {
  if (value == display_type_ || value < ltDigit || value > ltMinus) return;
  display_type_ = value;
  FetchStrip();
}

void TMMCustomLEDDigit::SetConnect(TMMCustomLEDDigit* value) {
  if (value == this || value == connect_) return;
  if (connect_) connect_->RemoveFreeNotification(this);
  connect_ = value;
  if (connect_) connect_->FreeNotification(this);
}

int TMMCustomLEDDigit::CellShown() const {
  if (!on_) return 0;
  if (display_type_ != ltDigit) return display_type_;
  return zero_blank_ && value_ == 0 ? 0 : value_ + 1;
}

void TMMCustomLEDDigit::RollForward() {
  if (OnRollForward && !LoadingOrReading(this)) OnRollForward(this);
}

void TMMCustomLEDDigit::RollBackward() {
  if (OnRollBackward && !LoadingOrReading(this)) OnRollBackward(this);
}

void TMMCustomLEDDigit::Dispatch(vcl::TMessage& message) {
  inherited::Dispatch(message);
  if (message.Msg == vcl::CM_COLORCHANGED) FetchStrip();
}

void TMMCustomLEDDigit::Loaded() {
  inherited::Loaded();
  FetchStrip();
}

void TMMCustomLEDDigit::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == vcl::opRemove && component == connect_) connect_ = nullptr;
}

void TMMCustomLEDDigit::Paint() {
  if (!strip_) return;
  const int w = strip_->Width() / CellCount();
  CopyCell(Canvas(), vcl::Rect(0, 0, w, strip_->Height()), strip_, CellCount(), CellShown());
}

// ---- TMMLEDDigit ----

VCL_IMPLEMENT_CLASS(
    TMMLEDDigit,
    BoolProp("CascadeValues", &TMMLEDDigit::CascadeValues, &TMMLEDDigit::SetCascadeValues).Default(false),
    ColorProp("Color", &TMMLEDDigit::Color, &TMMLEDDigit::SetColor).Stored(&TMMLEDDigit::IsColorStored),
    RefProp("Connect", &TMMLEDDigit::Connect, &TMMLEDDigit::SetConnect),
    EnumProp("DigitSize", &TMMLEDDigit::DigitSize, &TMMLEDDigit::SetDigitSize, LEDSizeIdents())
        .Default(ls13x21),
    EnumProp("DisplayType", &TMMLEDDigit::DisplayType, &TMMLEDDigit::SetDisplayType,
             {"ltDigit", "ltPeriod", "ltColon", "ltMinus"})
        .Default(ltDigit),
    BoolProp("DrawInactive", &TMMLEDDigit::DrawInactive, &TMMLEDDigit::SetDrawInactive).Default(true),
    BoolProp("Enabled", &TMMLEDDigit::Enabled, &TMMLEDDigit::SetEnabled).Default(true),
    ColorProp("InactiveColor", &TMMLEDDigit::InactiveColor, &TMMLEDDigit::SetInactiveColor)
        .Default(vcl::clGreen),
    ColorProp("LEDColor", &TMMLEDDigit::LEDColor, &TMMLEDDigit::SetLEDColor).Default(vcl::clLime),
    IntProp("MaxValue", &TMMLEDDigit::MaxValue, &TMMLEDDigit::SetMaxValue).Default(9),
    IntProp("MinValue", &TMMLEDDigit::MinValue, &TMMLEDDigit::SetMinValue).Default(0),
    BoolProp("ParentColor", &TMMLEDDigit::ParentColor, &TMMLEDDigit::SetParentColor).Default(true),
    BoolProp("ParentShowHint", &TMMLEDDigit::ParentShowHint, &TMMLEDDigit::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMLEDDigit::ShowHint, &TMMLEDDigit::SetShowHint)
        .Default(false)
        .Stored(&TMMLEDDigit::IsShowHintStored),
    IntProp("Value", &TMMLEDDigit::Value, &TMMLEDDigit::SetValue).Default(0),
    BoolProp("Visible", &TMMLEDDigit::Visible, &TMMLEDDigit::SetVisible).Default(true),
    BoolProp("ZeroBlank", &TMMLEDDigit::ZeroBlank, &TMMLEDDigit::SetZeroBlank).Default(false),
    EventProp("OnClick", &TMMLEDDigit::OnClick), EventProp("OnDblClick", &TMMLEDDigit::OnDblClick),
    EventProp("OnMouseDown", &TMMLEDDigit::OnMouseDown), EventProp("OnMouseMove", &TMMLEDDigit::OnMouseMove),
    EventProp("OnMouseUp", &TMMLEDDigit::OnMouseUp),
    EventProp("OnRollBackward", &TMMLEDDigit::OnRollBackward),
    EventProp("OnRollForward", &TMMLEDDigit::OnRollForward))

// ---- TMMLEDPanel ----

VCL_IMPLEMENT_CLASS(
    TMMLEDPanel, ObjProp("Bevel", &TMMLEDPanel::Bevel, &TMMLEDPanel::SetBevel),
    ColorProp("Color", &TMMLEDPanel::Color, &TMMLEDPanel::SetColor)
        .Default(vcl::clBlack)
        .Stored(&TMMLEDPanel::IsColorStored),
    EnumProp("DigitSize", &TMMLEDPanel::DigitSize, &TMMLEDPanel::SetDigitSize, LEDSizeIdents())
        .Default(ls13x21),
    BoolProp("DrawInactive", &TMMLEDPanel::DrawInactive, &TMMLEDPanel::SetDrawInactive).Default(true),
    BoolProp("Enabled", &TMMLEDPanel::Enabled, &TMMLEDPanel::SetEnabled).Default(true),
    ColorProp("InactiveColor", &TMMLEDPanel::InactiveColor, &TMMLEDPanel::SetInactiveColor)
        .Default(vcl::clGreen),
    ColorProp("LEDColor", &TMMLEDPanel::LEDColor, &TMMLEDPanel::SetLEDColor).Default(vcl::clLime),
    IntProp("LEDSpace", &TMMLEDPanel::LEDSpace, &TMMLEDPanel::SetLEDSpace).Default(1),
    IntProp("MaxValue", &TMMLEDPanel::MaxValue, &TMMLEDPanel::SetMaxValue).Default(100),
    IntProp("MinValue", &TMMLEDPanel::MinValue, &TMMLEDPanel::SetMinValue).Default(0),
    IntProp("NumDigits", &TMMLEDPanel::NumDigits, &TMMLEDPanel::SetNumDigits).Default(2),
    BoolProp("ParentColor", &TMMLEDPanel::ParentColor, &TMMLEDPanel::SetParentColor).Default(false),
    BoolProp("ParentShowHint", &TMMLEDPanel::ParentShowHint, &TMMLEDPanel::SetParentShowHint).Default(true),
    BoolProp("ShowHint", &TMMLEDPanel::ShowHint, &TMMLEDPanel::SetShowHint)
        .Default(false)
        .Stored(&TMMLEDPanel::IsShowHintStored),
    IntProp("TabOrder", &TMMLEDPanel::PublishedTabOrder, &TMMLEDPanel::SetPublishedTabOrder).Default(-1),
    BoolProp("TabStop", &TMMLEDPanel::TabStop, &TMMLEDPanel::SetTabStop).Default(false),
    IntProp("Value", &TMMLEDPanel::Value, &TMMLEDPanel::SetValue).Default(0),
    BoolProp("Visible", &TMMLEDPanel::Visible, &TMMLEDPanel::SetVisible).Default(true),
    BoolProp("ZeroBlank", &TMMLEDPanel::ZeroBlank, &TMMLEDPanel::SetZeroBlank).Default(false),
    EventProp("OnChange", &TMMLEDPanel::OnChange), EventProp("OnClick", &TMMLEDPanel::OnClick),
    EventProp("OnDblClick", &TMMLEDPanel::OnDblClick), EventProp("OnMouseDown", &TMMLEDPanel::OnMouseDown),
    EventProp("OnMouseMove", &TMMLEDPanel::OnMouseMove), EventProp("OnMouseUp", &TMMLEDPanel::OnMouseUp))

TMMLEDPanel::TMMLEDPanel(vcl::TComponent* owner) : TMMCustomPanel(owner) {
  SetTabStop(false);
  SetColor(vcl::clBlack);
  SetParentColor(false);
  MakeDigits(2);
  Arrange();
}

TMMLEDPanel::~TMMLEDPanel() { FreeDigits(); }

bool TMMLEDPanel::Quiet() const { return LoadingOrReading(this); }

void TMMLEDPanel::MakeDigits(int count) {
  for (int i = 0; i < count; ++i) {
    auto* digit = new TMMCustomLEDDigit(this);
    digit->SetCascadeValues(true);
    digit->SetEnabled(Enabled());
    digit->SetDigitSize(digit_size_);
    digit->SetInactiveColor(inactive_color_);
    digit->SetLEDColor(led_color_);
    digit->SetDrawInactive(draw_inactive_);
    digit->SetParentShowHint(false);
    digit->SetColor(Color());
    digit->OnClick = [this](vcl::TObject*) { Click(); };
    digit->OnDblClick = [this](vcl::TObject*) { DblClick(); };
    digit->OnMouseDown = [this](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState s, int x, int y) {
      MouseDown(b, s, x, y);
    };
    digit->OnMouseMove = [this](vcl::TObject*, vcl::TShiftState s, int x, int y) { MouseMove(s, x, y); };
    digit->OnMouseUp = [this](vcl::TObject*, vcl::TMouseButton b, vcl::TShiftState s, int x, int y) {
      MouseUp(b, s, x, y);
    };
    digit->SetParent(this);
    if (!digits_.empty()) digits_.back()->SetConnect(digit);
    digits_.push_back(digit);
  }
  digits_.front()->SetZeroBlank(false);
  ShowValue();
  ApplyZeroBlank();
}

void TMMLEDPanel::FreeDigits() {
  std::vector<TMMCustomLEDDigit*> going;
  going.swap(digits_);
  for (auto it = going.rbegin(); it != going.rend(); ++it) delete *it;
}

void TMMLEDPanel::SetNumDigits(int value) {
  if (value == NumDigits() || value < 1 || value > 9) return;
  FreeDigits();
  MakeDigits(value);
  Arrange();
}

vcl::TPoint TMMLEDPanel::ArrangedSize() const {
  const int b = BevelExtent(), n = NumDigits();
  const int w = digits_.front()->Width(), h = digits_.front()->Height();
  return {2 * b + n * (w + led_space_) - led_space_, 2 * b + h};
}

void TMMLEDPanel::Arrange() {
  if (digits_.empty() || Quiet()) return;
  const int b = BevelExtent(), n = NumDigits();
  const int w = digits_.front()->Width(), h = digits_.front()->Height();
  for (int i = 0; i < n; ++i)
    digits_[static_cast<size_t>(n - 1 - i)]->SetBounds(b + i * (w + led_space_), b, w, h);
  const vcl::TPoint size = ArrangedSize();
  if (size.x == Width() && size.y == Height())
    Invalidate();
  else
    SetBounds(Left(), Top(), size.x, size.y);
}

void TMMLEDPanel::SetBounds(int left, int top, int width, int height) {
  if (!digits_.empty() && !Quiet()) {
    const vcl::TPoint size = ArrangedSize();
    width = size.x;
    height = size.y;
  }
  inherited::SetBounds(left, top, width, height);
}

void TMMLEDPanel::ShowValue() {
  if (digits_.empty()) return;
  const int n = NumDigits();
  const int64_t v = value_;
  const int64_t magnitude = v < 0 ? -v : v;
  int64_t limit = 1;
  for (int i = 0; i < n; ++i) limit *= 10;
  // The minus takes the leftmost place, so a negative value has one digit less.
  const bool fits = magnitude < (v < 0 ? limit / 10 : limit);
  if (fits) digits_.front()->SetValue(static_cast<int>(magnitude));
  for (int i = 0; i < n; ++i) {
    const bool minus = !fits || (v < 0 && i == n - 1);
    digits_[static_cast<size_t>(i)]->SetDisplayType(minus ? ltMinus : ltDigit);
  }
}

void TMMLEDPanel::ApplyZeroBlank() {
  const int n = NumDigits();
  const int64_t magnitude = value_ < 0 ? -static_cast<int64_t>(value_) : value_;
  bool blank = false;
  int64_t power = 1;
  for (int i = 1; i < n; ++i) {
    power *= 10;
    if (zero_blank_ && !(power < magnitude && i < n - 1)) blank = true;
    digits_[static_cast<size_t>(i)]->SetZeroBlank(blank);
  }
}

void TMMLEDPanel::SetValue(int value) {
  const int v = engine::IntClamp(value, min_value_, max_value_);
  if (v == value_) return;
  value_ = v;
  ApplyZeroBlank();
  ShowValue();
  if (OnChange && !Quiet()) OnChange(this);
}

void TMMLEDPanel::SetMinValue(int value) {
  if (value == min_value_) return;
  min_value_ = value;
  if (value_ < min_value_) SetValue(min_value_);
}

void TMMLEDPanel::SetMaxValue(int value) {
  if (value == max_value_) return;
  max_value_ = value;
  if (value_ > max_value_) SetValue(max_value_);
}

void TMMLEDPanel::SetDigitSize(TMMLEDSize value) {
  if (value == digit_size_ || value < ls06x07 || value > ls23x41) return;
  digit_size_ = value;
  for (auto* d : digits_) d->SetDigitSize(value);
  Arrange();
}

void TMMLEDPanel::SetLEDSpace(int value) {
  if (value == led_space_ || value < 1) return;
  led_space_ = value;
  Arrange();
}

void TMMLEDPanel::SetLEDColor(vcl::TColor value) {
  if (value == led_color_) return;
  led_color_ = value;
  for (auto* d : digits_) d->SetLEDColor(value);
}

void TMMLEDPanel::SetInactiveColor(vcl::TColor value) {
  if (value == inactive_color_) return;
  inactive_color_ = value;
  for (auto* d : digits_) d->SetInactiveColor(value);
}

void TMMLEDPanel::SetDrawInactive(bool value) {
  if (value == draw_inactive_) return;
  draw_inactive_ = value;
  for (auto* d : digits_) d->SetDrawInactive(value);
}

void TMMLEDPanel::SetZeroBlank(bool value) {
  if (value == zero_blank_) return;
  zero_blank_ = value;
  ApplyZeroBlank();
}

void TMMLEDPanel::SetEnabled(bool value) {
  inherited::SetEnabled(value);
  for (auto* d : digits_) d->SetEnabled(value);
}

void TMMLEDPanel::Dispatch(vcl::TMessage& message) {
  inherited::Dispatch(message);
  if (message.Msg == vcl::CM_COLORCHANGED)
    for (auto* d : digits_) d->SetColor(Color());
}

void TMMLEDPanel::Loaded() {
  inherited::Loaded();
  Arrange();
}

void TMMLEDPanel::BevelChanged() {
  inherited::BevelChanged();
  Arrange();
}

}  // namespace controls
