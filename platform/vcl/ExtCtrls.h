#pragma once
// Panels and bevels: TCustomPanel paints raised or lowered edges, a border
// band and its centred caption, and keeps its children inside the edges.
#include "platform/vcl/Controls.h"

namespace vcl {

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
using TBevelWidth = int;
using TBorderWidth = int;

class TCustomPanel : public TCustomControl {
  VCL_DECLARE_CLASS(TCustomPanel, TCustomControl)
 public:
  explicit TCustomPanel(TComponent* owner);

  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut value);
  TBevelWidth BevelWidth() const { return bevel_width_; }
  void SetBevelWidth(TBevelWidth value);
  TBorderWidth BorderWidth() const { return border_width_; }
  void SetBorderWidth(TBorderWidth value);
  // bsNone or bsSingle: a window border around the panel.
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  // TabOrder and TabStop as published properties.
  int PublishedTabOrder() const { return TabOrder(); }
  void SetPublishedTabOrder(int value) { SetTabOrder(value); }

 protected:
  void CreateParams(TCreateParams& params) override;
  void AlignControls(TControl* control, TRect& rect) override;
  void Paint() override;
  TSize NonClientSize() const override;
  void CMTextChanged(TMessage& message) override;

 private:
  void EdgesChanged();

  TAlignment alignment_ = taCenter;
  TBevelCut bevel_inner_ = bvNone;
  TBevelCut bevel_outer_ = bvRaised;
  TBevelWidth bevel_width_ = 1;
  TBorderWidth border_width_ = 0;
  TBorderStyle border_style_ = bsNone;
};

class TPanel : public TCustomPanel {
  VCL_DECLARE_CLASS(TPanel, TCustomPanel)
 public:
  using TCustomPanel::TCustomPanel;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

// A windowless box, frame or line in lowered or raised 3D colours.
class TBevel : public TGraphicControl {
  VCL_DECLARE_CLASS(TBevel, TGraphicControl)
 public:
  explicit TBevel(TComponent* owner);
  TBevelShape Shape() const { return shape_; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return style_; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;

 private:
  TBevelShape shape_ = bsBox;
  TBevelStyle style_ = bsLowered;
};

}  // namespace vcl
