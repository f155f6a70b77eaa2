#include "engine/MMVisual.h"

#include <type_traits>

#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Geometry.h"
#include "platform/vcl/TypInfo.h"

namespace engine {

void MMVisualInitialize() { vcl::RegisterClasses({TMMBevel::StaticClass(), TMMPanel::StaticClass()}); }

namespace {

// The inside of the bevel is filled with the control's colour.
void FillInside(vcl::TCanvas* canvas, const vcl::TRect& rect, vcl::TColor color) {
  canvas->Brush()->SetColor(color);
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->FillRect(rect);
}

}  // namespace

// ---- shared by the bases ----

template <class Control>
void TMMDesignControl<Control>::SetDesignMode(bool value) {
  if (value != DesignMode()) ChangeDesignMode(value);
}

template <class Control>
void TMMDesignControl<Control>::ChangeDesignMode(bool value) {
  this->SetDesigning(value, true);
  if constexpr (std::is_base_of_v<vcl::TWinControl, Control>) this->UpdateControlState();
}

template <class Control>
TMMBevelControl<Control>::TMMBevelControl(vcl::TComponent* owner)
    : TMMDesignControl<Control>(owner), bevel_(std::make_unique<TMMBevel>()) {
  bevel_->OnChange = [this](vcl::TObject*) { BevelChanged(); };
}

template <class Control>
TMMBevelControl<Control>::~TMMBevelControl() {
  bevel_->OnChange = nullptr;
}

template <class Control>
vcl::TRect TMMBevelControl<Control>::BevelClientRect() const {
  const int extent = BevelExtent();
  return vcl::Rect(extent, extent, this->Width() - extent, this->Height() - extent);
}

template <class Control>
vcl::TRect TMMBevelControl<Control>::PaintBevel(bool fill_border) {
  return bevel_->Paint(this->Canvas(), this->ClientRect(), fill_border);
}

template class TMMDesignControl<vcl::TWinControl>;
template class TMMDesignControl<vcl::TCustomControl>;
template class TMMDesignControl<vcl::TCustomPanel>;
template class TMMDesignControl<vcl::TGraphicControl>;
template class TMMBevelControl<vcl::TCustomControl>;
template class TMMBevelControl<vcl::TCustomPanel>;
template class TMMBevelControl<vcl::TGraphicControl>;

// ---- TMMWinControl ----

VCL_IMPLEMENT_CLASS(TMMWinControl)

// ---- TMMCustomControl ----

VCL_IMPLEMENT_CLASS(TMMCustomControl)

TMMCustomControl::TMMCustomControl(vcl::TComponent* owner) : TMMBevelControl(owner) {
  SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csOpaque});
}

void TMMCustomControl::Paint() { FillInside(Canvas(), PaintBevel(true), Color()); }

// ---- TMMCustomPanel ----

VCL_IMPLEMENT_CLASS(TMMCustomPanel)

TMMCustomPanel::TMMCustomPanel(vcl::TComponent* owner) : TMMBevelControl(owner) {
  SetBorderWidth(0);
  SetBevelOuter(vcl::bvNone);
  SetBevelInner(vcl::bvNone);
}

void TMMCustomPanel::SetFillBorder(bool value) {
  if (fill_border_ == value) return;
  fill_border_ = value;
  Invalidate();
}

void TMMCustomPanel::AlignControls(vcl::TControl* control, vcl::TRect& rect) {
  const int extent = BevelExtent();
  plat::InflateRect(&rect, -extent, -extent);
  inherited::AlignControls(control, rect);
}

void TMMCustomPanel::Paint() {
  if (OnCustomPaint) {
    OnCustomPaint(this);
    return;
  }
  vcl::TCanvas* canvas = Canvas();
  vcl::TRect r = PaintBevel(fill_border_);
  if (OnPaintBackground)
    OnPaintBackground(this, canvas, r);
  else
    FillInside(canvas, r, Color());
  const std::string caption = Caption();
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(vcl::bsClear);
  canvas->SetFont(Font());
  const int h = canvas->TextHeight("W");
  r.top = (r.top + r.bottom - h) / 2;
  r.bottom = r.top + h;
  static constexpr plat::UINT kAlignments[] = {plat::DT_LEFT, plat::DT_RIGHT, plat::DT_CENTER};
  plat::DrawTextA(canvas->Handle(), caption.c_str(), -1, &r,
                  plat::DT_EXPANDTABS | plat::DT_VCENTER | kAlignments[Alignment()]);
}

void TMMCustomPanel::BevelChanged() {
  Realign();
  Changed();
}

// ---- TMMPanel ----

VCL_IMPLEMENT_CLASS(
    TMMPanel,
    EnumProp("Align", &TMMPanel::Align, &TMMPanel::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(vcl::alNone),
    EnumProp("Alignment", &TMMPanel::Alignment, &TMMPanel::SetAlignment,
             {"taLeftJustify", "taRightJustify", "taCenter"})
        .Default(vcl::taCenter),
    ObjProp("Bevel", &TMMPanel::Bevel, &TMMPanel::SetBevel),
    StrProp("Caption", &TMMPanel::Caption, &TMMPanel::SetCaption),
    ColorProp("Color", &TMMPanel::Color, &TMMPanel::SetColor)
        .Default(vcl::clBtnFace)
        .Stored(&TMMPanel::IsColorStored),
    BoolProp("Ctl3D", &TMMPanel::Ctl3D, &TMMPanel::SetCtl3D).Default(true),
    IntProp("DragCursor", &TMMPanel::DragCursor, &TMMPanel::SetDragCursor)
        .Default(vcl::crDrag)
        .Idents(vcl::CursorIdents()),
    EnumProp("DragMode", &TMMPanel::DragMode, &TMMPanel::SetDragMode, {"dmManual", "dmAutomatic"})
        .Default(dmManual),
    BoolProp("Enabled", &TMMPanel::Enabled, &TMMPanel::SetEnabled).Default(true),
    ObjProp("Font", &TMMPanel::Font, &TMMPanel::SetFont).Stored(&TMMPanel::IsFontStored),
    BoolProp("ParentColor", &TMMPanel::ParentColor, &TMMPanel::SetParentColor).Default(false),
    BoolProp("ParentCtl3D", &TMMPanel::ParentCtl3D, &TMMPanel::SetParentCtl3D).Default(true),
    BoolProp("ParentFont", &TMMPanel::ParentFont, &TMMPanel::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TMMPanel::ParentShowHint, &TMMPanel::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TMMPanel::PopupMenu, &TMMPanel::SetPopupMenu),
    BoolProp("ShowHint", &TMMPanel::ShowHint, &TMMPanel::SetShowHint)
        .Default(false)
        .Stored(&TMMPanel::IsShowHintStored),
    IntProp("TabOrder", &TMMPanel::PublishedTabOrder, &TMMPanel::SetPublishedTabOrder).Default(-1),
    BoolProp("TabStop", &TMMPanel::TabStop, &TMMPanel::SetTabStop).Default(false),
    BoolProp("Visible", &TMMPanel::Visible, &TMMPanel::SetVisible).Default(true),
    EventProp("OnClick", &TMMPanel::OnClick), EventProp("OnDblClick", &TMMPanel::OnDblClick),
    EventProp("OnDragDrop", &TMMPanel::OnDragDrop), EventProp("OnDragOver", &TMMPanel::OnDragOver),
    EventProp("OnEndDrag", &TMMPanel::OnEndDrag), EventProp("OnEnter", &TMMPanel::OnEnter),
    EventProp("OnExit", &TMMPanel::OnExit), EventProp("OnMouseDown", &TMMPanel::OnMouseDown),
    EventProp("OnMouseMove", &TMMPanel::OnMouseMove), EventProp("OnMouseUp", &TMMPanel::OnMouseUp),
    EventProp("OnResize", &TMMPanel::OnResize), EventProp("OnStartDrag", &TMMPanel::OnStartDrag))

// ---- TMMGraphicControl ----

VCL_IMPLEMENT_CLASS(TMMGraphicControl)

TMMGraphicControl::TMMGraphicControl(vcl::TComponent* owner) : TMMBevelControl(owner) {
  SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csOpaque});
}

void TMMGraphicControl::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  if (value)
    SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csOpaque});
  else
    SetControlStyle(ControlStyle() + vcl::TControlStyle{vcl::csOpaque});
  Invalidate();
}

void TMMGraphicControl::Paint() {
  const vcl::TRect inner = PaintBevel(true);
  if (!transparent_) FillInside(Canvas(), inner, Color());
}

// ---- TMMCommonDialog ----

VCL_IMPLEMENT_CLASS(TMMCommonDialog)

}  // namespace engine
