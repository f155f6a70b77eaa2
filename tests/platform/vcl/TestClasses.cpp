#include "TestClasses.h"

#include <algorithm>

#include "platform/vcl/Filer.h"

namespace vcltest {

using namespace vcl::published;

std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

const TIdentMap& DeviceIdents() {
  static const TIdentMap map{{-1, "MapperId"}, {-2, "InvalidId"}};
  return map;
}

VCL_IMPLEMENT_CLASS(TTestFont,
                    StrProp("Name", &TTestFont::Name, &TTestFont::SetName).Default("MS Sans Serif"),
                    IntProp("Size", &TTestFont::Size, &TTestFont::SetSize).Default(8))

void TTestFont::Assign(const TPersistent* source) {
  if (auto* font = dynamic_cast<const TTestFont*>(source)) {
    name_ = font->name_;
    size_ = font->size_;
    return;
  }
  TPersistent::Assign(source);
}

VCL_IMPLEMENT_CLASS(TTestItem, IntProp("Width", &TTestItem::Width, &TTestItem::SetWidth).Default(0),
                    StrProp("Caption", &TTestItem::Caption, &TTestItem::SetCaption),
                    RefProp("Link", &TTestItem::Link, &TTestItem::SetLink))

VCL_IMPLEMENT_CLASS(
    TTestWidget, IntProp("Left", &TTestWidget::Left, &TTestWidget::SetLeft).Default(0),
    BoolProp("Enabled", &TTestWidget::Enabled, &TTestWidget::SetEnabled).Default(true),
    FloatProp("Ratio", &TTestWidget::Ratio, &TTestWidget::SetRatio),
    StrProp("Caption", &TTestWidget::Caption, &TTestWidget::SetCaption),
    EnumProp("Shape", &TTestWidget::Shape, &TTestWidget::SetShape, {"shCircle", "shSquare", "shTriangle"})
        .Default(shCircle),
    SetOfProp("Anchors", &TTestWidget::Anchors, &TTestWidget::SetAnchors,
              {"akLeft", "akTop", "akRight", "akBottom"})
        .Default(TAnchors{akLeft, akTop}),
    ColorProp("Color", &TTestWidget::Color, &TTestWidget::SetColor).Default(clBtnFace),
    IntProp("DeviceID", &TTestWidget::DeviceID, &TTestWidget::SetDeviceID).Default(0).Idents(DeviceIdents()),
    RefProp("Partner", &TTestWidget::Partner, &TTestWidget::SetPartner),
    ObjProp("Font", &TTestWidget::Font, &TTestWidget::SetFont), ObjProp("Lines", &TTestWidget::Lines),
    ObjProp("Items", &TTestWidget::Items),
    IntProp("Secret", &TTestWidget::Secret, &TTestWidget::SetSecret).Stored(false),
    IntProp("Limit", &TTestWidget::Limit, &TTestWidget::SetLimit).Stored(&TTestWidget::IsLimitStored),
    BinaryProp("Data", &TTestWidget::ReadData, &TTestWidget::WriteData, &TTestWidget::HasData),
    EventProp("OnClick", &TTestWidget::OnClick), EventProp("OnValue", &TTestWidget::OnValue))

TTestWidget::TTestWidget(TComponent* owner)
    : TComponent(owner),
      font_(new TTestFont),
      lines_(new TStringList),
      items_(new TCollection(TTestItem::StaticClass())) {}

TTestWidget::~TTestWidget() {
  Log().push_back("~" + Name() + (ComponentState().Contains(csDestroying) ? " destroying" : ""));
  delete items_;
  delete lines_;
  delete font_;
}

void TTestWidget::SetPartner(TTestWidget* v) {
  if (partner_ == v) return;
  partner_ = v;
  if (v) v->FreeNotification(this);
}

void TTestWidget::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == partner_) partner_ = nullptr;
  if (operation == opRemove && component == static_cast<TComponent*>(parent_)) parent_ = nullptr;
}

void TTestWidget::ReadData(TStream& s) {
  data_.resize(static_cast<size_t>(s.Size()));
  s.ReadBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TTestWidget::WriteData(TStream& s) const {
  s.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TTestWidget::DefineProperties(TFiler& filer) {
  TComponent::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "Blob",
      [this](TStream& s) {
        blob_.resize(static_cast<size_t>(s.Size()));
        s.ReadBuffer(blob_.data(), static_cast<int64_t>(blob_.size()));
      },
      [this](TStream& s) { s.WriteBuffer(blob_.data(), static_cast<int64_t>(blob_.size())); },
      !blob_.empty());
}

TComponent* TTestWidget::GetParentComponent() const { return parent_; }

void TTestWidget::SetParentComponent(TComponent* parent) {
  if (auto* panel = dynamic_cast<TTestPanel*>(parent)) panel->AddChild(this);
}

void TTestWidget::Loaded() {
  TComponent::Loaded();
  partner_at_loaded_ = partner_ ? partner_->Name() : "";
  Log().push_back("Loaded " + Name());
}

VCL_IMPLEMENT_CLASS(TTestPanel)

TTestPanel::~TTestPanel() {
  for (TTestWidget* child : children_) child->parent_ = nullptr;
}

void TTestPanel::AddChild(TTestWidget* child) {
  if (child->parent_ == this) return;
  child->parent_ = this;
  children_.push_back(child);
}

void TTestPanel::GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) {
  for (TTestWidget* child : children_) proc(child);
}

void TTestPanel::Notification(TComponent* component, TOperation operation) {
  TTestWidget::Notification(component, operation);
  if (operation == opRemove)
    children_.erase(std::remove(children_.begin(), children_.end(), component), children_.end());
}

VCL_IMPLEMENT_CLASS(TTestForm, Method("Button1Click", &TTestForm::Button1Click),
                    Method("ValueChanged", &TTestForm::ValueChanged))

void TTestForm::Button1Click(TObject* sender) {
  calls.push_back("Button1Click " + static_cast<TComponent*>(sender)->Name());
}

void TTestForm::ValueChanged(TObject* sender, int value) {
  calls.push_back("ValueChanged " + static_cast<TComponent*>(sender)->Name() + " " + std::to_string(value));
}

void RegisterTestClasses() {
  RegisterClasses({TTestWidget::StaticClass(), TTestPanel::StaticClass(), TTestForm::StaticClass(),
                   TStringList::StaticClass()});
}

}  // namespace vcltest
