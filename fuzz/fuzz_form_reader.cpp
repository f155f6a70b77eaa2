// Reads arbitrary bytes as a form description into a root of a small class
// set. Whatever reads must write, read back and write the same text again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Collections.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormReader.h"
#include "platform/vcl/FormWriter.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace {

using namespace vcl;

enum TKind { kOne, kTwo, kThree };
enum TSide { sdLeft, sdTop, sdRight, sdBottom };
using TSides = TSet<TSide>;

class TFzFont : public TPersistent {
  VCL_DECLARE_CLASS(TFzFont, TPersistent)
 public:
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }

 private:
  std::string name_ = "Arial";
  TColor color_ = clWindowText;
};

class TFzItem;

class TFzControl : public TComponent {
  VCL_DECLARE_CLASS(TFzControl, TComponent)
 public:
  explicit TFzControl(TComponent* owner)
      : TComponent(owner), font_(new TFzFont), lines_(new TStringList), sorted_(new TStringList) {
    sorted_->SetSorted(true);
    sorted_->SetDuplicates(dupError);
    items_ = new TCollection(ItemClass());
  }
  ~TFzControl() override {
    delete items_;
    delete sorted_;
    delete lines_;
    delete font_;
  }
  static TClass ItemClass();

  int Left() const { return left_; }
  void SetLeft(int v) { left_ = v; }
  int64_t Big() const { return big_; }
  void SetBig(int64_t v) { big_ = v; }
  bool Visible() const { return visible_; }
  void SetVisible(bool v) { visible_ = v; }
  double Scale() const { return scale_; }
  void SetScale(double v) { scale_ = v; }
  const std::string& Text() const { return text_; }
  void SetText(const std::string& v) { text_ = v; }
  TKind Kind() const { return kind_; }
  void SetKind(TKind v) { kind_ = v; }
  TSides Sides() const { return sides_; }
  void SetSides(TSides v) { sides_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  int Device() const { return device_; }
  void SetDevice(int v) { device_ = v; }
  TFzControl* Link() const { return link_; }
  void SetLink(TFzControl* v) {
    link_ = v;
    if (v) v->FreeNotification(this);
  }
  TFzFont* Font() const { return font_; }
  TStringList* Lines() const { return lines_; }
  TStringList* Sorted() const { return sorted_; }
  TCollection* Items() const { return items_; }
  void ReadData(TStream& s) {
    data_.resize(static_cast<size_t>(s.Size()));
    s.ReadBuffer(data_.data(), static_cast<int64_t>(data_.size()));
  }
  void WriteData(TStream& s) const { s.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size())); }
  bool HasData() const { return !data_.empty(); }

  TComponent* GetParentComponent() const override { return parent_; }
  bool HasParent() const override { return parent_ != nullptr; }
  void SetParentComponent(TComponent* parent) override;
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent*) override {
    for (TFzControl* c : children_) proc(c);
  }

  TNotifyEvent OnClick;
  std::function<void(TObject*, int)> OnValue;

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op != opRemove) return;
    if (c == link_) link_ = nullptr;
    if (c == parent_) parent_ = nullptr;
    std::erase(children_, c);
  }

 private:
  int left_ = 0;
  int64_t big_ = 0;
  bool visible_ = true;
  double scale_ = 0;
  std::string text_;
  TKind kind_ = kOne;
  TSides sides_{sdLeft, sdTop};
  TColor color_ = clBtnFace;
  int device_ = 0;
  TFzControl* link_ = nullptr;
  TFzFont* font_;
  TStringList* lines_;
  TStringList* sorted_;
  TCollection* items_;
  std::vector<uint8_t> data_;
  TFzControl* parent_ = nullptr;
  std::vector<TFzControl*> children_;
};

class TFzItem : public TCollectionItem {
  VCL_DECLARE_CLASS(TFzItem, TCollectionItem)
 public:
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  TFzControl* Target() const { return target_; }
  void SetTarget(TFzControl* v) { target_ = v; }
  TCollection* Sub() const { return sub_.get(); }

 private:
  int width_ = 0;
  TFzControl* target_ = nullptr;
  std::unique_ptr<TCollection> sub_{new TCollection(TFzItem::StaticClass())};
};

TClass TFzControl::ItemClass() { return TFzItem::StaticClass(); }

void TFzControl::SetParentComponent(TComponent* parent) {
  auto* control = dynamic_cast<TFzControl*>(parent);
  if (!control) return;
  parent_ = control;
  control->children_.push_back(this);
}

class TFzForm : public TComponent {
  VCL_DECLARE_CLASS(TFzForm, TComponent)
 public:
  using TComponent::TComponent;
  void Clicked(TObject*) {}
  void Changed(TObject*, int) {}
};

const TIdentMap& DeviceIds() {
  static const TIdentMap map{{-1, "MapperId"}, {-2, "InvalidId"}};
  return map;
}

VCL_IMPLEMENT_CLASS(TFzFont, StrProp("Name", &TFzFont::Name, &TFzFont::SetName).Default("Arial"),
                    ColorProp("Color", &TFzFont::Color, &TFzFont::SetColor).Default(clWindowText))

VCL_IMPLEMENT_CLASS(TFzItem, IntProp("Width", &TFzItem::Width, &TFzItem::SetWidth).Default(0),
                    RefProp("Target", &TFzItem::Target, &TFzItem::SetTarget), ObjProp("Sub", &TFzItem::Sub))

VCL_IMPLEMENT_CLASS(
    TFzControl, IntProp("Left", &TFzControl::Left, &TFzControl::SetLeft).Default(0),
    IntProp("Big", &TFzControl::Big, &TFzControl::SetBig),
    BoolProp("Visible", &TFzControl::Visible, &TFzControl::SetVisible).Default(true),
    FloatProp("Scale", &TFzControl::Scale, &TFzControl::SetScale),
    StrProp("Text", &TFzControl::Text, &TFzControl::SetText),
    EnumProp("Kind", &TFzControl::Kind, &TFzControl::SetKind, {"kOne", "kTwo", "kThree"}).Default(kOne),
    SetOfProp("Sides", &TFzControl::Sides, &TFzControl::SetSides, {"sdLeft", "sdTop", "sdRight", "sdBottom"})
        .Default(TSides{sdLeft, sdTop}),
    ColorProp("Color", &TFzControl::Color, &TFzControl::SetColor).Default(clBtnFace),
    IntProp("Device", &TFzControl::Device, &TFzControl::SetDevice).Default(0).Idents(DeviceIds()),
    RefProp("Link", &TFzControl::Link, &TFzControl::SetLink), ObjProp("Font", &TFzControl::Font),
    ObjProp("Lines", &TFzControl::Lines), ObjProp("Sorted", &TFzControl::Sorted),
    ObjProp("Items", &TFzControl::Items),
    BinaryProp("Data", &TFzControl::ReadData, &TFzControl::WriteData, &TFzControl::HasData),
    EventProp("OnClick", &TFzControl::OnClick), EventProp("OnValue", &TFzControl::OnValue))

VCL_IMPLEMENT_CLASS(TFzForm, Method("Clicked", &TFzForm::Clicked), Method("Changed", &TFzForm::Changed))

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = [] {
    RegisterClasses({TFzControl::StaticClass(), TFzForm::StaticClass()});
    return true;
  }();
  (void)registered;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string written;
  {
    TFzForm form(nullptr);
    try {
      ReadFormText(&form, text);
    } catch (const Exception&) {
      return 0;
    }
    written = WriteFormText(&form);
  }
  // What the writer wrote must read back into the same text.
  TFzForm again(nullptr);
  try {
    ReadFormText(&again, written);
  } catch (const Exception&) {
    std::abort();
  }
  if (WriteFormText(&again) != written) std::abort();
  return 0;
}
