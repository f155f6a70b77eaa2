#pragma once
// A small class hierarchy with every kind of published property, for the
// component model and form description tests.
#include <string>
#include <vector>

#include "platform/kernel/Locale.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Collections.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcltest {

using namespace vcl;

enum TShape { shCircle, shSquare, shTriangle };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;
using TValueEvent = std::function<void(TObject* sender, int value)>;

// Everything that happened, in order: Loaded calls, destructors, notifications.
std::vector<std::string>& Log();

class TTestFont : public TPersistent {
  VCL_DECLARE_CLASS(TTestFont, TPersistent)
 public:
  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) { name_ = v; }
  int Size() const { return size_; }
  void SetSize(int v) { size_ = v; }
  void Assign(const TPersistent* source) override;

 private:
  std::string name_ = "MS Sans Serif";
  int size_ = 8;
};

class TTestWidget;

class TTestItem : public TCollectionItem {
  VCL_DECLARE_CLASS(TTestItem, TCollectionItem)
 public:
  int Width() const { return width_; }
  void SetWidth(int v) { width_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  TTestWidget* Link() const { return link_; }
  void SetLink(TTestWidget* v) { link_ = v; }

 private:
  int width_ = 0;
  std::string caption_;
  TTestWidget* link_ = nullptr;
};

class TTestPanel;

class TTestWidget : public TComponent {
  VCL_DECLARE_CLASS(TTestWidget, TComponent)
 public:
  explicit TTestWidget(TComponent* owner);
  ~TTestWidget() override;

  int Left() const { return left_; }
  void SetLeft(int v) { left_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  double Ratio() const { return ratio_; }
  void SetRatio(double v) { ratio_ = v; }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  TShape Shape() const { return shape_; }
  void SetShape(TShape v) { shape_ = v; }
  TAnchors Anchors() const { return anchors_; }
  void SetAnchors(TAnchors v) { anchors_ = v; }
  TColor Color() const { return color_; }
  void SetColor(TColor v) { color_ = v; }
  int DeviceID() const { return device_id_; }
  void SetDeviceID(int v) { device_id_ = v; }
  TTestWidget* Partner() const { return partner_; }
  void SetPartner(TTestWidget* v);
  TTestFont* Font() const { return font_; }
  void SetFont(TTestFont* v) { font_->Assign(v); }
  TStringList* Lines() const { return lines_; }
  TCollection* Items() const { return items_; }
  int Secret() const { return secret_; }
  void SetSecret(int v) { secret_ = v; }
  int Limit() const { return limit_; }
  void SetLimit(int v) { limit_ = v; }
  bool IsLimitStored() const { return limit_ > 10; }

  void ReadData(TStream& s);
  void WriteData(TStream& s) const;
  bool HasData() const { return !data_.empty(); }
  std::vector<uint8_t> data_;
  std::vector<uint8_t> blob_;  // filed through DefineProperties

  TTestPanel* ParentPanel() const { return parent_; }
  bool HasParent() const override { return parent_ != nullptr; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* parent) override;
  void DefineProperties(TFiler& filer) override;
  void Loaded() override;

  TNotifyEvent OnClick;
  TValueEvent OnValue;

  // What Loaded saw.
  std::string partner_at_loaded_;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TTestPanel;
  int left_ = 0;
  bool enabled_ = true;
  double ratio_ = 0;
  std::string caption_;
  TShape shape_ = shCircle;
  TAnchors anchors_{akLeft, akTop};
  TColor color_ = clBtnFace;
  int device_id_ = 0;
  TTestWidget* partner_ = nullptr;
  TTestFont* font_;
  TStringList* lines_;
  TCollection* items_;
  int secret_ = 0;
  int limit_ = 0;
  TTestPanel* parent_ = nullptr;
};

// A widget that holds child widgets (written nested inside it).
class TTestPanel : public TTestWidget {
  VCL_DECLARE_CLASS(TTestPanel, TTestWidget)
 public:
  using TTestWidget::TTestWidget;
  ~TTestPanel() override;
  const std::vector<TTestWidget*>& Children() const { return children_; }
  void AddChild(TTestWidget* child);
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  std::vector<TTestWidget*> children_;
};

// The root: a form with published handlers.
class TTestForm : public TComponent {
  VCL_DECLARE_CLASS(TTestForm, TComponent)
 public:
  using TComponent::TComponent;
  void Button1Click(TObject* sender);
  void ValueChanged(TObject* sender, int value);
  std::vector<std::string> calls;
};

const TIdentMap& DeviceIdents();

// Injects the decimal separator for one test.
struct ScopedLocale {
  explicit ScopedLocale(char decimal, char list = ',') {
    plat::SetLocaleSeparators(plat::LocaleSeparators{decimal, list});
  }
  ~ScopedLocale() { plat::SetLocaleSeparators(std::nullopt); }
};
void RegisterTestClasses();

}  // namespace vcltest
