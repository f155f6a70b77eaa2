#pragma once
// The gauge: Progress between MinValue and MaxValue shown as a percentage,
// as a bar, a pie, a needle on a half dial or text only, with the percentage
// text over the picture. The arithmetic is 64-bit, so any pair of bounds
// works; the picture and the text never go past 0..100 percent, even while a
// bound change has left Progress outside the range.
#include <cstdint>
#include <string>

#include "engine/MMVisual.h"

namespace controls {

enum TMMGaugeKind { gkText, gkHorizontalBar, gkVerticalBar, gkPie, gkNeedle };

// value * 100 / total, truncated; 0 for total 0.
int64_t GaugePercentDone(int64_t value, int64_t total);
// percent of total pixels, truncated.
int GaugePercentOf(int percent, int total);

class TMMCustomGauge : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMCustomGauge, engine::TMMGraphicControl)
 public:
  explicit TMMCustomGauge(vcl::TComponent* owner);

  TMMGaugeKind Kind() const { return kind_; }
  void SetKind(TMMGaugeKind value);
  bool ShowText() const { return show_text_; }
  void SetShowText(bool value);
  vcl::TColor ForeColor() const { return fore_color_; }
  void SetForeColor(vcl::TColor value);
  vcl::TColor BackColor() const { return back_color_; }
  void SetBackColor(vcl::TColor value);
  bool BWText() const { return bw_text_; }
  void SetBWText(bool value);
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& value);
  // -2147483647 .. MaxValue.
  int32_t MinValue() const { return min_value_; }
  void SetMinValue(int32_t value);
  // MinValue .. 2147483647.
  int32_t MaxValue() const { return max_value_; }
  void SetMaxValue(int32_t value);
  // Clamped to MinValue..MaxValue when written; a bound moved later leaves
  // it alone. Repaints at once only when the shown percentage changes.
  int32_t Progress() const { return progress_; }
  void SetProgress(int32_t value);

  // The percentage drawn and written, 0..100.
  int PercentDone() const;
  // "Caption 42%", or "42%" without a caption.
  std::string PercentText() const;

 protected:
  void Loaded() override;
  void Paint() override;
  virtual void PaintGauge(vcl::TCanvas* canvas, const vcl::TRect& rect);
  virtual void PaintText(vcl::TCanvas* canvas, const vcl::TRect& rect);
  virtual void PaintBar(vcl::TCanvas* canvas, const vcl::TRect& rect, bool horizontal);
  virtual void PaintPie(vcl::TCanvas* canvas, const vcl::TRect& rect);
  virtual void PaintNeedle(vcl::TCanvas* canvas, const vcl::TRect& rect);
  virtual void PaintBackground(vcl::TCanvas* canvas, const vcl::TRect& rect);

 private:
  bool Loading() const;
  void PaintDialGround(vcl::TCanvas* canvas, const vcl::TRect& rect);

  int32_t min_value_ = 0;
  int32_t max_value_ = 100;
  int32_t progress_ = 0;
  TMMGaugeKind kind_ = gkHorizontalBar;
  bool show_text_ = true;
  vcl::TColor fore_color_ = vcl::clActiveCaption;
  vcl::TColor back_color_ = vcl::clWhite;
  bool bw_text_ = false;
  std::string caption_;
};

class TMMGauge : public TMMCustomGauge {
  VCL_DECLARE_CLASS(TMMGauge, TMMCustomGauge)
 public:
  explicit TMMGauge(vcl::TComponent* owner) : TMMCustomGauge(owner) {}
  using TMMCustomGauge::Bevel;
  using TMMCustomGauge::SetBevel;
};

}  // namespace controls
