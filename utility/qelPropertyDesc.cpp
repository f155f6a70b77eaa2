#include "utility/qelPropertyDesc.h"

#include "platform/vcl/TypInfo.h"

namespace utility {

VCL_IMPLEMENT_CLASS(TqelPropertyDesc)

TqelPropertyDesc::TqelPropertyDesc(vcl::TPersistent* owner, TqelChangeProc change)
    : owner_(owner), change_(std::move(change)) {}

void TqelPropertyDesc::Assign(const vcl::TPersistent* source) {
  if (source == this) return;
  auto* desc = dynamic_cast<const TqelPropertyDesc*>(source);
  if (!desc) {
    vcl::TPersistent::Assign(source);
    return;
  }
  CopyValues(*desc);
  Changed();
}

void TqelPropertyDesc::CopyValues(const TqelPropertyDesc&) {}

void TqelPropertyDesc::Changed() {
  if (change_) change_();
  if (on_change_) on_change_(this);
}

VCL_IMPLEMENT_CLASS(TqelTextDecorationDesc,
                    ColorProp("Color", &TqelTextDecorationDesc::Color, &TqelTextDecorationDesc::SetColor),
                    SetOfProp("Style", &TqelTextDecorationDesc::Style, &TqelTextDecorationDesc::SetStyle,
                              {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}))

TqelTextDecorationDesc::TqelTextDecorationDesc(vcl::TPersistent* owner, TqelChangeProc change,
                                               vcl::TColor color, vcl::TFontStyles style)
    : TqelPropertyDesc(owner, std::move(change)), color_(color), style_(style) {}

void TqelTextDecorationDesc::SetColor(vcl::TColor value) {
  if (value == color_) return;
  color_ = value;
  Changed();
}

void TqelTextDecorationDesc::SetStyle(vcl::TFontStyles value) {
  if (value == style_) return;
  style_ = value;
  Changed();
}

void TqelTextDecorationDesc::CopyValues(const TqelPropertyDesc& source) {
  if (auto* s = dynamic_cast<const TqelTextDecorationDesc*>(&source)) {
    color_ = s->color_;
    style_ = s->style_;
  }
}

VCL_IMPLEMENT_CLASS(TqelColorDecorationDesc,
                    ColorProp("Color", &TqelColorDecorationDesc::Color, &TqelColorDecorationDesc::SetColor),
                    BoolProp("Visible", &TqelColorDecorationDesc::Visible,
                             &TqelColorDecorationDesc::SetVisible))

TqelColorDecorationDesc::TqelColorDecorationDesc(vcl::TPersistent* owner, TqelChangeProc change,
                                                 vcl::TColor color, bool visible)
    : TqelPropertyDesc(owner, std::move(change)), color_(color), visible_(visible) {}

void TqelColorDecorationDesc::SetColor(vcl::TColor value) {
  if (value == color_) return;
  color_ = value;
  Changed();
}

void TqelColorDecorationDesc::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  Changed();
}

void TqelColorDecorationDesc::CopyValues(const TqelPropertyDesc& source) {
  if (auto* s = dynamic_cast<const TqelColorDecorationDesc*>(&source)) {
    color_ = s->color_;
    visible_ = s->visible_;
  }
}

VCL_IMPLEMENT_CLASS(TqelRunTimeDesc)

void TqelRunTimeDesc::SetState(TqelRunTimeState value) {
  if (value == state_) return;
  state_ = value;
  Changed();
}

void TqelRunTimeDesc::SetNormalOnly(bool value) {
  if (value == normal_only_) return;
  normal_only_ = value;
  Changed();
}

void TqelRunTimeDesc::CopyValues(const TqelPropertyDesc& source) {
  if (auto* s = dynamic_cast<const TqelRunTimeDesc*>(&source)) state_ = s->state_;
}

VCL_IMPLEMENT_CLASS(TqelRunTimeColorDesc,
                    ColorProp("Normal", &TqelRunTimeColorDesc::Normal, &TqelRunTimeColorDesc::SetNormal),
                    ColorProp("Selected", &TqelRunTimeColorDesc::Selected,
                              &TqelRunTimeColorDesc::SetSelected),
                    ColorProp("Active", &TqelRunTimeColorDesc::Active, &TqelRunTimeColorDesc::SetActive),
                    ColorProp("Disabled", &TqelRunTimeColorDesc::Disabled,
                              &TqelRunTimeColorDesc::SetDisabled))

VCL_IMPLEMENT_CLASS(TqelRunTimeCursorDesc,
                    IntProp("Normal", &TqelRunTimeCursorDesc::Normal, &TqelRunTimeCursorDesc::SetNormal),
                    IntProp("Selected", &TqelRunTimeCursorDesc::Selected,
                            &TqelRunTimeCursorDesc::SetSelected),
                    IntProp("Active", &TqelRunTimeCursorDesc::Active, &TqelRunTimeCursorDesc::SetActive),
                    IntProp("Disabled", &TqelRunTimeCursorDesc::Disabled,
                            &TqelRunTimeCursorDesc::SetDisabled))

VCL_IMPLEMENT_CLASS(TqelRunTimeTextDecorationDesc,
                    ObjProp("Normal", &TqelRunTimeTextDecorationDesc::Normal,
                            &TqelRunTimeTextDecorationDesc::SetNormal),
                    ObjProp("Selected", &TqelRunTimeTextDecorationDesc::Selected,
                            &TqelRunTimeTextDecorationDesc::SetSelected),
                    ObjProp("Active", &TqelRunTimeTextDecorationDesc::Active,
                            &TqelRunTimeTextDecorationDesc::SetActive),
                    ObjProp("Disabled", &TqelRunTimeTextDecorationDesc::Disabled,
                            &TqelRunTimeTextDecorationDesc::SetDisabled))

VCL_IMPLEMENT_CLASS(
    TqelRunTimeColorDecorationDesc,
    ObjProp("Normal", &TqelRunTimeColorDecorationDesc::Normal, &TqelRunTimeColorDecorationDesc::SetNormal),
    ObjProp("Selected", &TqelRunTimeColorDecorationDesc::Selected,
            &TqelRunTimeColorDecorationDesc::SetSelected),
    ObjProp("Active", &TqelRunTimeColorDecorationDesc::Active, &TqelRunTimeColorDecorationDesc::SetActive),
    ObjProp("Disabled", &TqelRunTimeColorDecorationDesc::Disabled,
            &TqelRunTimeColorDecorationDesc::SetDisabled),
    IntProp("SizeX", &TqelRunTimeColorDecorationDesc::SizeX, &TqelRunTimeColorDecorationDesc::SetSizeX)
        .Default(1),
    IntProp("SizeY", &TqelRunTimeColorDecorationDesc::SizeY, &TqelRunTimeColorDecorationDesc::SetSizeY)
        .Default(1))

void TqelRunTimeColorDecorationDesc::SetSizeX(int value) {
  if (value == size_x_) return;
  size_x_ = value;
  Changed();
}

void TqelRunTimeColorDecorationDesc::SetSizeY(int value) {
  if (value == size_y_) return;
  size_y_ = value;
  Changed();
}

void TqelRunTimeColorDecorationDesc::CopyValues(const TqelPropertyDesc& source) {
  if (auto* s = dynamic_cast<const TqelRunTimeColorDecorationDesc*>(&source)) {
    size_x_ = s->size_x_;
    size_y_ = s->size_y_;
  }
  TqelRunTimeParts::CopyValues(source);
}

VCL_IMPLEMENT_CLASS(TqelActiveLabelColors)
VCL_IMPLEMENT_CLASS(TqelActiveLabelCursors)
VCL_IMPLEMENT_CLASS(TqelActiveLabelTextDecorations)
VCL_IMPLEMENT_CLASS(TqelActiveLabelColorDecorations)

}  // namespace utility
