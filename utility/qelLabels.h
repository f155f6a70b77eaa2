#pragma once
// Labels: one whose text is drawn at any angle, and a hyperlink-style one
// whose colours, cursor, text style, outline and shadow follow the mouse,
// drawn through an off-screen bitmap.
#include <memory>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/StdCtrls.h"
#include "utility/qelPropertyDesc.h"

namespace utility {

// Size and text origin of text measuring w x h turned by `angle` degrees.
struct TqelRotatedLayout {
  int width = 0;
  int height = 0;
  vcl::TPoint origin{0, 0};
};
TqelRotatedLayout RotatedLayout(int w, int h, int angle);

// The run-time state the active label takes.
TqelRunTimeState StateFor(bool enabled, bool visible, bool active, bool mouse_in_control, bool mouse_down);

class TqelCustomLabel : public vcl::TCustomLabel {
  VCL_DECLARE_CLASS(TqelCustomLabel, vcl::TCustomLabel)
 public:
  explicit TqelCustomLabel(vcl::TComponent* owner);
  ~TqelCustomLabel() override;

  const std::string& About() const { return about_; }
  void SetAbout(const std::string& value) { about_ = value; }
  int Angle() const { return angle_; }
  // Reduced into 0..359.
  virtual void SetAngle(int value);
  bool MouseInControl() const { return mouse_in_control_; }
  // Where the rotated text starts, from the last measuring pass.
  vcl::TPoint TextOrigin() const { return origin_; }

  virtual void LayoutChanged();

 protected:
  void AdjustBounds() override;
  void Paint() override;
  void CMMouseEnter(vcl::TMessage& message) override;
  void CMMouseLeave(vcl::TMessage& message) override;
  virtual void MouseEnter();
  virtual void MouseLeave();

  // The caption as measured: a blank stands in for nothing, and "&" alone
  // (a prefix sign with nothing to underline) gets one appended.
  std::string MeasuredCaption() const;
  // DT_CALCRECT and the flags of the current settings.
  unsigned MeasureFlags() const;
  virtual void MeasureText(vcl::TRect& rect);
  virtual void CalcRotatedRect(vcl::TRect& rect);
  virtual void CreateRotatedFont();
  // With DT_CALCRECT: the rotated size. Otherwise the caption at the origin.
  virtual void DoDrawText(vcl::TRect& rect, unsigned flags);

  bool mouse_in_control_ = false;

 private:
  std::string about_;
  int angle_ = 0;
  plat::HFONT rotated_font_ = nullptr;
  vcl::TPoint origin_{0, 0};
};

class TqelLabel : public TqelCustomLabel {
  VCL_DECLARE_CLASS(TqelLabel, TqelCustomLabel)
 public:
  using TqelCustomLabel::TqelCustomLabel;
};

class TqelCustomActiveLabel : public TqelCustomLabel {
  VCL_DECLARE_CLASS(TqelCustomActiveLabel, TqelCustomLabel)
 public:
  explicit TqelCustomActiveLabel(vcl::TComponent* owner);
  ~TqelCustomActiveLabel() override;

  TqelRunTimeState RuntimeState() const { return runtime_state_; }
  virtual void SetRuntimeState(TqelRunTimeState value);
  bool Active() const { return active_; }
  virtual void SetActive(bool value);
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  void SetEnabled(bool value) override;

  TqelActiveLabelColorDecorations* Borders() const { return borders_.get(); }
  void SetBorders(TqelActiveLabelColorDecorations* value);
  TqelActiveLabelColors* Colors() const { return colors_.get(); }
  void SetColors(TqelActiveLabelColors* value);
  TqelActiveLabelCursors* Cursors() const { return cursors_.get(); }
  void SetCursors(TqelActiveLabelCursors* value);
  TqelActiveLabelTextDecorations* TextDecorations() const { return text_decorations_.get(); }
  void SetTextDecorations(TqelActiveLabelTextDecorations* value);
  TqelActiveLabelColorDecorations* Shadows() const { return shadows_.get(); }
  void SetShadows(TqelActiveLabelColorDecorations* value);

  // The picture Paint copies.
  vcl::TBitmap& Picture() { return *bitmap_; }

  void Loaded() override;
  void Update() override;

 protected:
  virtual void PaintToBitmap();
  virtual void UpdateState();
  virtual void ApplyStateStyles();
  virtual void DrawDecoratedText(vcl::TCanvas& canvas, const std::string& text, vcl::TRect& rect,
                                 unsigned flags);

  void Paint() override;
  void MeasureText(vcl::TRect& rect) override;
  void AdjustBounds() override;
  void DoDrawText(vcl::TRect& rect, unsigned flags) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void MouseMove(vcl::TShiftState shift, int x, int y) override;
  void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) override;
  void CMFontChanged(vcl::TMessage& message) override;
  void CMTextChanged(vcl::TMessage& message) override;
  void Dispatch(vcl::TMessage& message) override;

 private:
  bool Designing() const { return ComponentState().Contains(vcl::csDesigning); }

  std::unique_ptr<vcl::TBitmap> bitmap_;
  TqelRunTimeState runtime_state_ = rtsNormal;
  bool mouse_down_ = false;
  bool active_ = true;
  bool auto_size_ = true;
  std::unique_ptr<TqelActiveLabelColorDecorations> borders_;
  std::unique_ptr<TqelActiveLabelColorDecorations> shadows_;
  std::unique_ptr<TqelActiveLabelCursors> cursors_;
  std::unique_ptr<TqelActiveLabelTextDecorations> text_decorations_;
  std::unique_ptr<TqelActiveLabelColors> colors_;
};

class TqelActiveLabel : public TqelCustomActiveLabel {
  VCL_DECLARE_CLASS(TqelActiveLabel, TqelCustomActiveLabel)
 public:
  using TqelCustomActiveLabel::TqelCustomActiveLabel;
};

void RegisterLabelClasses();

}  // namespace utility
