#pragma once
// The LED read-outs: a lamp, a channel-mode lamp, a seven-segment digit and a
// panel of digits showing a signed integer. All paint from the program's
// three-colour LED strips (white lit, silver unlit, black background),
// recoloured at run time; the digits share their recoloured strips through a
// reference-counted cache. GUI thread only.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/MMSharedBitmaps.h"
#include "engine/MMVisual.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"

namespace controls {

enum TMMLEDSize {
  ls06x07,
  ls07x11,
  ls08x13,
  ls11x19,
  ls13x20,
  ls13x21,
  ls15x24,
  ls15x25,
  ls17x29,
  ls18x25,
  ls19x33,
  ls21x37,
  ls23x41
};
enum TMMLEDType { ltDigit, ltPeriod, ltColon, ltMinus };
enum TMMMode { mMono, mStereo, mMultiChannel };

using TMMPaintEvent = std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, const vcl::TRect& rect)>;

// ---- digit cache ----

struct TDigitKey {
  TMMLEDType display_type;
  TMMLEDSize digit_size;
  bool draw_inactive;
  vcl::TColor led_color, inactive_color, back_color;
  friend bool operator==(const TDigitKey&, const TDigitKey&) = default;
};

// Recoloured strips shared by every digit of one key.
class TDigitCache {
 public:
  vcl::TBitmap* GetBitmap(const TDigitKey& key);
  // False when the cache does not hold `bitmap`.
  bool ReleaseBitmap(vcl::TBitmap* bitmap, bool& freed) { return bitmaps_.Release(bitmap, freed); }
  bool IsEmpty() const { return bitmaps_.Empty(); }
  int Count() const { return bitmaps_.Count(); }
  // 0 for a bitmap the cache does not hold.
  int RefCount(const vcl::TBitmap* bitmap) const { return bitmaps_.RefCount(bitmap); }

 private:
  TSharedBitmaps<TDigitKey> bitmaps_;
};

// The strip for `key`, made by the first holder (which makes the cache too).
vcl::TBitmap* GetDigitBitmap(const TDigitKey& key);
// Gives one reference back; the last frees the strip and nils `bitmap`, and
// the cache goes with its last entry. Null or a stranger does nothing.
void ReleaseDigitBitmap(vcl::TBitmap*& bitmap);
// The cache while it exists, else null.
const TDigitCache* DigitCache();

// The identifiers of TMMLEDSize as descriptions write them.
const std::vector<std::string>& LEDSizeIdents();

// "LCD_13X21" for ltDigit, "LCDS_13X21" for the sign types.
std::string DigitStripName(TMMLEDType type, TMMLEDSize size);

class EMMLEDError : public vcl::Exception {
 public:
  using vcl::Exception::Exception;
};

// A three-colour LED bitmap of the program's resources, recoloured (white to
// led, silver to inactive or back, black to back). A missing resource raises
// EMMLEDError naming it.
std::unique_ptr<vcl::TBitmap> LoadLEDBitmap(const std::string& name, bool draw_inactive, vcl::TColor led,
                                            vcl::TColor inactive, vcl::TColor back);

// ---- TMMLED ----

// One lamp: its inside in LEDColor when lit, else in Color, and an optional
// caption over it. Enabled is the lamp's own state: an unlit lamp still
// takes the mouse.
class TMMLED : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMLED, engine::TMMGraphicControl)
 public:
  explicit TMMLED(vcl::TComponent* owner);

  using TMMGraphicControl::Bevel;
  using TMMGraphicControl::SetBevel;

  bool Enabled() const { return lit_; }
  void SetEnabled(bool value) override;
  vcl::TColor LEDColor() const { return led_color_; }
  void SetLEDColor(vcl::TColor value);

  TMMPaintEvent OnPaint;

  void Dispatch(vcl::TMessage& message) override;

 protected:
  void Paint() override;

 private:
  bool lit_ = true;
  vcl::TColor led_color_ = vcl::clLime;
};

// ---- TMMLEDMode ----

// The channel-mode lamp: one cell of the LCD_MODE strip stretched over the
// control, cell Mode + 1 when enabled, the all-unlit cell 0 when not.
class TMMLEDMode : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMLEDMode, engine::TMMGraphicControl)
 public:
  explicit TMMLEDMode(vcl::TComponent* owner);
  ~TMMLEDMode() override;

  TMMMode Mode() const { return mode_; }
  void SetMode(TMMMode value);
  bool Enabled() const { return on_; }
  void SetEnabled(bool value) override;
  vcl::TColor LEDColor() const { return led_color_; }
  void SetLEDColor(vcl::TColor value);
  vcl::TColor InactiveColor() const { return inactive_color_; }
  void SetInactiveColor(vcl::TColor value);
  bool DrawInactive() const { return draw_inactive_; }
  void SetDrawInactive(bool value);

  void Dispatch(vcl::TMessage& message) override;

 protected:
  void Paint() override;

 private:
  void LoadStrip();

  TMMMode mode_ = mMono;
  bool on_ = true;
  vcl::TColor led_color_ = vcl::clLime;
  vcl::TColor inactive_color_ = vcl::clGreen;
  bool draw_inactive_ = true;
  std::unique_ptr<vcl::TBitmap> strip_;
};

// ---- TMMCustomLEDDigit and TMMLEDDigit ----

// One seven-segment digit or sign. Its size is always one cell of its strip.
class TMMCustomLEDDigit : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMCustomLEDDigit, engine::TMMGraphicControl)
 public:
  explicit TMMCustomLEDDigit(vcl::TComponent* owner);
  ~TMMCustomLEDDigit() override;

  int Value() const { return value_; }
  // Passes Value div 10 to Connect first when cascading, then takes Value mod
  // 10 when it lies in MinValue..MaxValue.
  void SetValue(int value);
  int MinValue() const { return min_value_; }
  // 0..9 only; a bound moved past the value takes the value along.
  void SetMinValue(int value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int value);
  bool DrawInactive() const { return draw_inactive_; }
  void SetDrawInactive(bool value);
  bool ZeroBlank() const { return zero_blank_; }
  void SetZeroBlank(bool value);
  vcl::TColor InactiveColor() const { return inactive_color_; }
  void SetInactiveColor(vcl::TColor value);
  vcl::TColor LEDColor() const { return led_color_; }
  void SetLEDColor(vcl::TColor value);
  // The digit's own state: False shows the blank cell.
  bool Enabled() const { return on_; }
  void SetEnabled(bool value) override;
  TMMLEDSize DigitSize() const { return digit_size_; }
  void SetDigitSize(TMMLEDSize value);
  TMMLEDType DisplayType() const { return display_type_; }
  void SetDisplayType(TMMLEDType value);
  bool CascadeValues() const { return cascade_values_; }
  void SetCascadeValues(bool value) { cascade_values_ = value; }
  TMMCustomLEDDigit* Connect() const { return connect_; }
  // Never the digit itself.
  void SetConnect(TMMCustomLEDDigit* value);

  // The strip cell painted now: 0 blank, else the digit + 1 or the sign's cell.
  int CellShown() const;
  // The shared strip held, or null.
  vcl::TBitmap* Strip() const { return strip_; }

  void RollForward();
  void RollBackward();
  vcl::TNotifyEvent OnRollForward;
  vcl::TNotifyEvent OnRollBackward;

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  void Paint() override;

 private:
  // Gives the old strip back and fetches the one of the current key.
  void FetchStrip();
  bool Quiet() const;
  int CellCount() const { return display_type_ == ltDigit ? 11 : 4; }

  int value_ = 0;
  int min_value_ = 0;
  int max_value_ = 9;
  bool draw_inactive_ = true;
  bool zero_blank_ = false;
  vcl::TColor inactive_color_ = vcl::clGreen;
  vcl::TColor led_color_ = vcl::clLime;
  bool on_ = true;
  TMMLEDSize digit_size_ = ls13x21;
  TMMLEDType display_type_ = ltDigit;
  bool cascade_values_ = false;
  TMMCustomLEDDigit* connect_ = nullptr;
  vcl::TBitmap* strip_ = nullptr;
  bool constructing_ = true;
};

class TMMLEDDigit : public TMMCustomLEDDigit {
  VCL_DECLARE_CLASS(TMMLEDDigit, TMMCustomLEDDigit)
 public:
  explicit TMMLEDDigit(vcl::TComponent* owner) : TMMCustomLEDDigit(owner) {}
};

// ---- TMMLEDPanel ----

// A signed integer on NumDigits digits, the units digit rightmost; a negative
// value puts the minus in the leftmost digit's place. A value the digits
// cannot show (more digits than there are, or a negative one needing the
// leftmost place) shows a minus in every digit.
class TMMLEDPanel : public engine::TMMCustomPanel {
  VCL_DECLARE_CLASS(TMMLEDPanel, engine::TMMCustomPanel)
 public:
  explicit TMMLEDPanel(vcl::TComponent* owner);
  ~TMMLEDPanel() override;

  using TMMCustomPanel::Bevel;
  using TMMCustomPanel::SetBevel;

  int Value() const { return value_; }
  // Clamped to MinValue..MaxValue; OnChange after every change.
  void SetValue(int value);
  int MinValue() const { return min_value_; }
  void SetMinValue(int value);
  int MaxValue() const { return max_value_; }
  void SetMaxValue(int value);
  int NumDigits() const { return static_cast<int>(digits_.size()); }
  // 1..9; anything else is refused.
  void SetNumDigits(int value);
  TMMLEDSize DigitSize() const { return digit_size_; }
  void SetDigitSize(TMMLEDSize value);
  int LEDSpace() const { return led_space_; }
  // At least 1; less is refused.
  void SetLEDSpace(int value);
  vcl::TColor LEDColor() const { return led_color_; }
  void SetLEDColor(vcl::TColor value);
  vcl::TColor InactiveColor() const { return inactive_color_; }
  void SetInactiveColor(vcl::TColor value);
  bool DrawInactive() const { return draw_inactive_; }
  void SetDrawInactive(bool value);
  bool ZeroBlank() const { return zero_blank_; }
  void SetZeroBlank(bool value);
  void SetEnabled(bool value) override;

  // Digit 0 is the units digit.
  TMMCustomLEDDigit* Digit(int index) const { return digits_.at(static_cast<size_t>(index)); }

  vcl::TNotifyEvent OnChange;

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;
  // The digits are made by the panel, never stored with it.
  void GetChildren(const std::function<void(vcl::TComponent*)>&, vcl::TComponent*) override {}

 protected:
  void Loaded() override;
  void BevelChanged() override;

 private:
  void MakeDigits(int count);
  void FreeDigits();
  void Arrange();
  void ShowValue();
  void ApplyZeroBlank();
  bool Quiet() const;
  vcl::TPoint ArrangedSize() const;

  int value_ = 0;
  int min_value_ = 0;
  int max_value_ = 100;
  TMMLEDSize digit_size_ = ls13x21;
  int led_space_ = 1;
  vcl::TColor led_color_ = vcl::clLime;
  vcl::TColor inactive_color_ = vcl::clGreen;
  bool draw_inactive_ = true;
  bool zero_blank_ = false;
  std::vector<TMMCustomLEDDigit*> digits_;  // children the panel owns
};

}  // namespace controls
