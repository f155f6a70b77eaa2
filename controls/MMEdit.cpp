#include "controls/MMEdit.h"

#include <algorithm>

#include "engine/MMUtils.h"
#include "platform/user/Controls.h"
#include "platform/user/Edit.h"
#include "platform/user/Geometry.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

bool ParseNumberText(const std::string& text, int32_t& value) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i == text.size()) return false;
  int64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    magnitude = magnitude * 10 + (text[i] - '0');
    // Past the largest magnitude: any further digit only grows it.
    if (magnitude > int64_t{INT32_MAX} + 1) return false;
  }
  const int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > INT32_MAX) return false;
  value = static_cast<int32_t>(signed_value);
  return true;
}

VCL_IMPLEMENT_CLASS(TMMNumberEdit,
                    IntProp("MinValue", &TMMNumberEdit::MinValue, &TMMNumberEdit::SetMinValue).Default(0),
                    IntProp("MaxValue", &TMMNumberEdit::MaxValue, &TMMNumberEdit::SetMaxValue).Default(1000),
                    IntProp("Value", &TMMNumberEdit::Value, &TMMNumberEdit::SetValue).Default(0),
                    EnumProp("Alignment", &TMMNumberEdit::Alignment, &TMMNumberEdit::SetAlignment,
                             {"taLeftJustify", "taRightJustify", "taCenter"})
                        .Default(vcl::taLeftJustify))

TMMNumberEdit::TMMNumberEdit(vcl::TComponent* owner) : TEdit(owner) {
  SetText("0");
  SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csSetCaption});
}

int32_t TMMNumberEdit::Value() const {
  const std::string text = Text();
  int32_t value = 0;
  if (!ParseNumberText(text, value)) throw vcl::EConvertError("'" + text + "' is not a valid integer value");
  return value;
}

void TMMNumberEdit::SetValue(int32_t value) {
  if (min_value_ != max_value_) value = engine::IntClampEither(value, min_value_, max_value_);
  last_valid_ = value;
  SetText(vcl::IntToStr(value));
}

void TMMNumberEdit::SetAlignment(vcl::TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  RecreateWnd();
}

bool TMMNumberEdit::IsValidChar(char key) const {
  const auto code = static_cast<unsigned char>(key);
  bool valid = key == '+' || key == '-' || (key >= '0' && key <= '9') || (code < 32 && code != 13);
  if (valid && !Enabled()) valid = code < 32 && code != 8;
  return valid;
}

void TMMNumberEdit::CreateParams(TCreateParams& params) {
  TEdit::CreateParams(params);
  static constexpr plat::DWORD kAlignments[] = {plat::ES_LEFT, plat::ES_RIGHT, plat::ES_CENTER};
  params.Style |= plat::ES_MULTILINE | plat::WS_CLIPCHILDREN | kAlignments[alignment_];
}

void TMMNumberEdit::KeyPress(char& key) {
  if (!IsValidChar(key)) {
    key = 0;
    plat::MessageBeep(0);
    return;
  }
  TEdit::KeyPress(key);
}

void TMMNumberEdit::DoEnter() {
  int32_t value = 0;
  if (ParseNumberText(Text(), value)) last_valid_ = value;
  // The multi-line style keeps the edit class from selecting on entry itself.
  if (AutoSelect() && !ControlState().Contains(vcl::csLButtonDown)) SelectAll();
  TStdWinControl::DoEnter();
}

void TMMNumberEdit::DoExit() {
  // Text that is no number (pasted, or a lone sign) gives way to the number
  // the box held before this visit, instead of raising from the focus change.
  int32_t value = 0;
  SetValue(ParseNumberText(Text(), value) ? value : last_valid_);
  TEdit::DoExit();
}

void TMMNumberEdit::Dispatch(vcl::TMessage& message) {
  if ((message.Msg == plat::WM_CUT || message.Msg == plat::WM_PASTE) && (!Enabled() || ReadOnly())) return;
  TEdit::Dispatch(message);
}

}  // namespace controls
