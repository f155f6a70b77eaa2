#include "platform/vcl/ExtCtrls.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Geometry.h"
#include "platform/user/NonClient.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCustomPanel)

VCL_IMPLEMENT_CLASS(
    TPanel,
    EnumProp("Align", &TPanel::Align, &TPanel::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(alNone),
    EnumProp("Alignment", &TPanel::Alignment, &TPanel::SetAlignment,
             {"taLeftJustify", "taRightJustify", "taCenter"})
        .Default(taCenter),
    SetOfProp("Anchors", &TPanel::Anchors, &TPanel::SetAnchors, {"akLeft", "akTop", "akRight", "akBottom"})
        .Default(TAnchors{akLeft, akTop}),
    EnumProp("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner,
             {"bvNone", "bvLowered", "bvRaised", "bvSpace"})
        .Default(bvNone),
    EnumProp("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter,
             {"bvNone", "bvLowered", "bvRaised", "bvSpace"})
        .Default(bvRaised),
    IntProp("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1),
    IntProp("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth).Default(0),
    EnumProp("BorderStyle", &TPanel::BorderStyle, &TPanel::SetBorderStyle, {"bsNone", "bsSingle"})
        .Default(bsNone),
    StrProp("Caption", &TPanel::Caption, &TPanel::SetCaption),
    ColorProp("Color", &TPanel::Color, &TPanel::SetColor).Default(clBtnFace).Stored(&TPanel::IsColorStored),
    BoolProp("Enabled", &TPanel::Enabled, &TPanel::SetEnabled).Default(true),
    ObjProp("Font", &TPanel::Font, &TPanel::SetFont).Stored(&TPanel::IsFontStored),
    BoolProp("ParentColor", &TPanel::ParentColor, &TPanel::SetParentColor).Default(false),
    BoolProp("ParentFont", &TPanel::ParentFont, &TPanel::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TPanel::ParentShowHint, &TPanel::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TPanel::PopupMenu, &TPanel::SetPopupMenu),
    BoolProp("ShowHint", &TPanel::ShowHint, &TPanel::SetShowHint)
        .Default(false)
        .Stored(&TPanel::IsShowHintStored),
    IntProp("TabOrder", &TPanel::PublishedTabOrder, &TPanel::SetPublishedTabOrder).Default(-1),
    BoolProp("TabStop", &TPanel::TabStop, &TPanel::SetTabStop).Default(false),
    BoolProp("Visible", &TPanel::Visible, &TPanel::SetVisible).Default(true),
    EventProp("OnClick", &TPanel::OnClick), EventProp("OnDblClick", &TPanel::OnDblClick),
    EventProp("OnEnter", &TPanel::OnEnter), EventProp("OnExit", &TPanel::OnExit),
    EventProp("OnMouseDown", &TPanel::OnMouseDown), EventProp("OnMouseEnter", &TPanel::OnMouseEnter),
    EventProp("OnMouseLeave", &TPanel::OnMouseLeave), EventProp("OnMouseMove", &TPanel::OnMouseMove),
    EventProp("OnMouseUp", &TPanel::OnMouseUp), EventProp("OnResize", &TPanel::OnResize))

VCL_IMPLEMENT_CLASS(
    TBevel,
    EnumProp("Align", &TBevel::Align, &TBevel::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(alNone),
    SetOfProp("Anchors", &TBevel::Anchors, &TBevel::SetAnchors, {"akLeft", "akTop", "akRight", "akBottom"})
        .Default(TAnchors{akLeft, akTop}),
    BoolProp("ParentShowHint", &TBevel::ParentShowHint, &TBevel::SetParentShowHint).Default(true),
    EnumProp("Shape", &TBevel::Shape, &TBevel::SetShape,
             {"bsBox", "bsFrame", "bsTopLine", "bsBottomLine", "bsLeftLine", "bsRightLine", "bsSpacer"})
        .Default(bsBox),
    BoolProp("ShowHint", &TBevel::ShowHint, &TBevel::SetShowHint)
        .Default(false)
        .Stored(&TBevel::IsShowHintStored),
    EnumProp("Style", &TBevel::Style, &TBevel::SetStyle, {"bsLowered", "bsRaised"}).Default(bsLowered),
    BoolProp("Visible", &TBevel::Visible, &TBevel::SetVisible).Default(true))

namespace {

void EdgeColors(TBevelCut cut, TColor& top, TColor& bottom) {
  top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
  bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
}

}  // namespace

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csOpaque,
                                csDoubleClicks, csReplicatable});
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TCustomPanel::EdgesChanged() {
  Realign();
  Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value) {
  if (alignment_ == value) return;
  alignment_ = value;
  Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
  if (bevel_inner_ == value) return;
  bevel_inner_ = value;
  EdgesChanged();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
  if (bevel_outer_ == value) return;
  bevel_outer_ = value;
  EdgesChanged();
}

void TCustomPanel::SetBevelWidth(TBevelWidth value) {
  value = std::max(value, 1);
  if (bevel_width_ == value) return;
  bevel_width_ = value;
  EdgesChanged();
}

void TCustomPanel::SetBorderWidth(TBorderWidth value) {
  value = std::max(value, 0);
  if (border_width_ == value) return;
  border_width_ = value;
  EdgesChanged();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
  if (value != bsSingle) value = bsNone;
  if (border_style_ == value) return;
  border_style_ = value;
  RecreateWnd();
  Realign();
}

void TCustomPanel::CreateParams(TCreateParams& params) {
  TCustomControl::CreateParams(params);
  if (border_style_ == bsSingle) params.Style |= plat::WS_BORDER;
}

TSize TCustomPanel::NonClientSize() const {
  if (border_style_ != bsSingle) return TSize{0, 0};
  plat::RECT r{0, 0, 0, 0};
  plat::AdjustWindowRectEx(&r, plat::WS_CHILD | plat::WS_BORDER, plat::FALSE, 0);
  return TSize{r.right - r.left, r.bottom - r.top};
}

void TCustomPanel::AlignControls(TControl* control, TRect& rect) {
  int inset = border_width_;
  if (bevel_outer_ != bvNone) inset += bevel_width_;
  if (bevel_inner_ != bvNone) inset += bevel_width_;
  plat::InflateRect(&rect, -inset, -inset);
  TCustomControl::AlignControls(control, rect);
}

void TCustomPanel::CMTextChanged(TMessage& message) {
  TCustomControl::CMTextChanged(message);
  Invalidate();
}

void TCustomPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect r = ClientRect();
  TColor top, bottom;
  if (bevel_outer_ != bvNone) {
    EdgeColors(bevel_outer_, top, bottom);
    Frame3D(canvas, r, top, bottom, bevel_width_);
  }
  Frame3D(canvas, r, Color(), Color(), border_width_);
  if (bevel_inner_ != bvNone) {
    EdgeColors(bevel_inner_, top, bottom);
    Frame3D(canvas, r, top, bottom, bevel_width_);
  }
  canvas->Brush()->SetColor(Color());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(r);
  std::string caption = Caption();
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(bsClear);
  canvas->SetFont(Font());
  int h = canvas->TextHeight("W");
  r.top = (r.top + r.bottom - h) / 2;
  r.bottom = r.top + h;
  static constexpr plat::UINT kAlignments[] = {plat::DT_LEFT, plat::DT_RIGHT, plat::DT_CENTER};
  plat::DrawTextA(canvas->Handle(), caption.c_str(), -1, &r,
                  plat::DT_EXPANDTABS | plat::DT_VCENTER | kAlignments[alignment_]);
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 50, 50);
}

void TBevel::SetShape(TBevelShape value) {
  if (shape_ == value) return;
  shape_ = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  if (style_ == value) return;
  style_ = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* canvas = Canvas();
  TColor first = style_ == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = style_ == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = Width(), h = Height();
  auto line = [&](TColor color, int x1, int y1, int x2, int y2) {
    canvas->Pen()->SetColor(color);
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  canvas->Pen()->SetWidth(1);
  switch (shape_) {
    case bsBox: {
      TRect r = Rect(0, 0, w, h);
      Frame3D(canvas, r, first, second, 1);
      break;
    }
    case bsFrame: {
      TRect r = Rect(0, 0, w - 1, h - 1);
      Frame3D(canvas, r, first, first, 1);
      r = Rect(1, 1, w, h);
      Frame3D(canvas, r, second, second, 1);
      break;
    }
    case bsTopLine:
      line(first, 0, 0, w, 0);
      line(second, 0, 1, w, 1);
      break;
    case bsBottomLine:
      line(first, 0, h - 2, w, h - 2);
      line(second, 0, h - 1, w, h - 1);
      break;
    case bsLeftLine:
      line(first, 0, 0, 0, h);
      line(second, 1, 0, 1, h);
      break;
    case bsRightLine:
      line(first, w - 2, 0, w - 2, h);
      line(second, w - 1, 0, w - 1, h);
      break;
    case bsSpacer:
      break;
  }
}

}  // namespace vcl
