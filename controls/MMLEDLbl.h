#pragma once
// TMMLEDLABEL: a line of text as a dot-matrix LED display. Each character is
// a cell of one of the program's dot-matrix fonts, recoloured to the label's
// colours; the text is cut to NumChars cells, aligned in them, and can scroll
// through them on a timer. Captions are UTF-8: each code point is mapped to a
// font cell, and one without a cell shows blank. GUI thread only.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/MMLEDs.h"
#include "platform/vcl/ExtTimer.h"

namespace controls {

enum TMMLEDFontSize { fs11x13, fs16x20, fs11x13_bold };

using TMMLabelDrawEvent =
    std::function<void(vcl::TObject* sender, vcl::TBitmap* bitmap, const vcl::TRect& rect)>;

class EMMLEDLabelError : public vcl::Exception {
 public:
  using vcl::Exception::Exception;
};

// A font bitmap, recoloured, with its cell size: two rows of 63 cells, the
// second 2 pixels below the first.
struct TMMLEDFont {
  std::unique_ptr<vcl::TBitmap> bitmap;
  int cell_width = 0;
  int cell_height = 0;
};

// Raises EMMLEDError for a missing resource and EMMLEDLabelError for a bitmap
// too small to hold a cell.
TMMLEDFont LoadLEDFont(const std::string& name, bool draw_inactive, vcl::TColor led, vcl::TColor inactive,
                       vcl::TColor back);
const char* LEDFontName(TMMLEDFontSize size);

// The font cell code of a code point: ASCII as it is, the umlauts, sharp s and
// plus-minus to the font's own cells, anything else to the space.
int LEDCellCode(char32_t code_point);

class TMMLEDLABEL : public engine::TMMGraphicControl {
  VCL_DECLARE_CLASS(TMMLEDLABEL, engine::TMMGraphicControl)
 public:
  explicit TMMLEDLABEL(vcl::TComponent* owner);
  ~TMMLEDLABEL() override;

  using TMMGraphicControl::Bevel;
  using TMMGraphicControl::SetBevel;

  TMMLEDFontSize FontSize() const { return font_size_; }
  void SetFontSize(TMMLEDFontSize value);
  int NumChars() const { return num_chars_; }
  void SetNumChars(int value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  vcl::TAlignment Alignment() const { return alignment_; }
  void SetAlignment(vcl::TAlignment value);
  int LEDSpace() const { return led_space_; }
  // At least 1; less is refused.
  void SetLEDSpace(int value);
  vcl::TColor LEDColor() const { return led_color_; }
  void SetLEDColor(vcl::TColor value);
  vcl::TColor InactiveColor() const { return inactive_color_; }
  void SetInactiveColor(vcl::TColor value);
  bool DrawInactive() const { return draw_inactive_; }
  void SetDrawInactive(bool value);
  bool AutoScroll() const { return auto_scroll_; }
  void SetAutoScroll(bool value);
  int ScrollSpeed() const { return scroll_speed_; }
  void SetScrollSpeed(int value);
  int StartStep() const { return start_step_; }
  // 0..caption length, else refused; moves CurrentStep along.
  void SetStartStep(int value);
  int CurrentStep() const { return current_step_; }
  // 0..caption length, else refused.
  void SetCurrentStep(int value);
  bool DoubleBuffer() const { return double_buffer_; }
  void SetDoubleBuffer(bool value);
  int Tag2() const { return tag2_; }
  void SetTag2(int value) { tag2_ = value; }

  // The caption's length in characters (code points).
  int CaptionLength() const;
  // The cell codes of the NumChars cells as they are drawn now.
  std::vector<int> CellCodes() const;
  int CellWidth() const { return font_.cell_width; }
  int CellHeight() const { return font_.cell_height; }
  vcl::TBitmap* Buffer() const { return buffer_.get(); }

  vcl::TNotifyEvent OnBegin;
  vcl::TNotifyEvent OnStep;
  vcl::TNotifyEvent OnEnd;
  TMMLabelDrawEvent OnDrawBitmap;

  void SetBounds(int left, int top, int width, int height) override;
  void Dispatch(vcl::TMessage& message) override;

 protected:
  void Loaded() override;
  void Paint() override;
  void BevelChanged() override;

 private:
  void LoadFont();
  void AdjustSize();
  int Pitch() const { return font_.cell_width + led_space_ - 1; }
  bool Quiet() const;
  void StartScroll();
  void StopScroll();
  void ScrollTick();
  // Draws the text now where the label can be seen.
  void DrawNow();
  void DrawCells(vcl::TCanvas* canvas, int x, int y);
  void UpdateBuffer();

  TMMLEDFontSize font_size_ = fs16x20;
  int num_chars_ = 11;
  bool auto_size_ = true;
  vcl::TAlignment alignment_ = vcl::taLeftJustify;
  int led_space_ = 1;
  vcl::TColor led_color_ = vcl::clLime;
  vcl::TColor inactive_color_ = vcl::clGreen;
  bool draw_inactive_ = true;
  bool auto_scroll_ = false;
  int scroll_speed_ = 100;
  int start_step_ = 0;
  int current_step_ = 0;
  bool double_buffer_ = false;
  int tag2_ = 0;
  bool constructing_ = true;
  TMMLEDFont font_;
  std::unique_ptr<vcl::TBitmap> buffer_;
  std::unique_ptr<vcl::TTimer> timer_;
};

}  // namespace controls
