#pragma once
// TMMNumberEdit: an edit box for whole numbers. Typing is filtered to signs,
// digits and control keys; Value reads the text as a decimal integer and
// writes it clamped to MinValue..MaxValue. Leaving the box rewrites the text
// in normal form, or puts back the number it held before when the text is none.
#include <cstdint>

#include "platform/vcl/StdCtrls.h"

namespace controls {

class TMMNumberEdit : public vcl::TEdit {
  VCL_DECLARE_CLASS(TMMNumberEdit, vcl::TEdit)
 public:
  explicit TMMNumberEdit(vcl::TComponent* owner);

  int32_t MinValue() const { return min_value_; }
  void SetMinValue(int32_t value) { min_value_ = value; }
  int32_t MaxValue() const { return max_value_; }
  void SetMaxValue(int32_t value) { max_value_ = value; }
  // Raises vcl::EConvertError when the text is not a decimal integer of 32 bits.
  int32_t Value() const;
  // Equal bounds take any value; otherwise it is brought between them, in
  // whichever order they were given.
  void SetValue(int32_t value);
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value);

  // Signs, digits and control characters except Enter; a disabled box takes
  // only control characters other than Backspace.
  virtual bool IsValidChar(char key) const;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  void CreateParams(TCreateParams& params) override;
  void KeyPress(char& key) override;
  void DoEnter() override;
  void DoExit() override;

 private:
  int32_t min_value_ = 0;
  int32_t max_value_ = 1000;
  vcl::TAlignment alignment_ = vcl::taLeftJustify;
  int32_t last_valid_ = 0;
};

// The whole text as an optionally signed decimal integer of 32 bits.
bool ParseNumberText(const std::string& text, int32_t& value);

}  // namespace controls
