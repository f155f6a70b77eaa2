#include "platform/vcl/Classes.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/vcl/TypInfo.h"

namespace vcl {

TClass TObject::StaticClass() {
  static const TClassEntry entry("TObject", nullptr, nullptr, [] { return std::vector<TTableEntry>{}; });
  return &entry;
}

const std::string& TObject::ClassName() const { return ClassType()->ClassName(); }

bool TObject::InheritsFrom(TClass cls) const { return ClassType()->InheritsFrom(cls); }

// TPersistent

VCL_IMPLEMENT_CLASS(TPersistent)

void TPersistent::Assign(const TPersistent* source) {
  if (source)
    source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string source_name = source ? source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + source_name + " to a " + ClassName());
}

void TPersistent::DefineProperties(TFiler&) {}

// TComponent

VCL_IMPLEMENT_CLASS(TComponent, StrProp("Name", &TComponent::Name, &TComponent::SetName).Stored(false),
                    IntProp("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0))

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (owner_) owner_->RemoveComponent(this);
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return components_[index];
}

int TComponent::ComponentIndex() const {
  if (!owner_) return -1;
  auto& list = owner_->components_;
  return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(std::string_view name) const {
  if (name.empty()) return nullptr;
  auto it = names_.find(LowerCase(name));
  return it == names_.end() ? nullptr : it->second;
}

void TComponent::InsertComponent(TComponent* component) {
  if (!component || component->owner_ == this) return;
  ValidateRename(component, std::string(), component->name_);
  if (component->owner_) component->owner_->RemoveComponent(component);
  Insert(component);
  if (state_.Contains(csDesigning)) component->SetDesigning(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  if (!component || component->owner_ != this) return;
  Notification(component, opRemove);
  Remove(component);
}

void TComponent::Insert(TComponent* component) {
  components_.push_back(component);
  component->owner_ = this;
  if (!component->name_.empty()) names_[LowerCase(component->name_)] = component;
}

void TComponent::Remove(TComponent* component) {
  // Components usually leave from the end (destruction), so search backwards.
  auto it = std::find(components_.rbegin(), components_.rend(), component);
  if (it != components_.rend()) components_.erase(std::next(it).base());
  if (!component->name_.empty()) {
    auto n = names_.find(LowerCase(component->name_));
    if (n != names_.end() && n->second == component) names_.erase(n);
  }
  component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
  while (!components_.empty()) {
    TComponent* component = components_.back();
    component->Destroying();
    // Tell the remaining ones, so no sibling keeps a link to a freed component.
    RemoveComponent(component);
    delete component;
  }
}

void TComponent::ValidateRename(TComponent* component, const std::string&, const std::string& next) {
  if (!component || next.empty()) return;
  TComponent* existing = FindComponent(next);
  // A child named like its owner would make references by that name ambiguous.
  if ((existing && existing != component) || (component != this && SameText(next, name_)))
    throw EComponentError("A component named " + next + " already exists");
}

void TComponent::SetName(const std::string& name) {
  if (name_ == name) return;
  if (!name.empty() && !IsValidIdent(name))
    throw EComponentError("'" + name + "' is not a valid component name");
  if (owner_) owner_->ValidateRename(this, name_, name);
  ValidateRename(this, name_, name);
  ChangeName(name);
}

void TComponent::ChangeName(const std::string& name) {
  if (owner_) {
    if (!name_.empty()) {
      auto n = owner_->names_.find(LowerCase(name_));
      if (n != owner_->names_.end() && n->second == this) owner_->names_.erase(n);
    }
    if (!name.empty()) owner_->names_[LowerCase(name)] = this;
  }
  name_ = name;
}

void TComponent::SetTag(int tag) { tag_ = tag; }

void TComponent::FreeNotification(TComponent* component) {
  if (!component || component == this) return;
  // Components of the same owner hear of each other through the owner.
  if (!owner_ || component->owner_ != owner_) {
    if (std::find(free_notifies_.begin(), free_notifies_.end(), component) == free_notifies_.end()) {
      free_notifies_.push_back(component);
      component->FreeNotification(this);
    }
  }
  state_.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  auto it = std::find(free_notifies_.begin(), free_notifies_.end(), component);
  if (it == free_notifies_.end()) return;
  free_notifies_.erase(it);
  component->RemoveFreeNotification(this);
}

void TComponent::RemoveFreeNotifications() {
  while (!free_notifies_.empty()) {
    TComponent* listener = free_notifies_.back();
    free_notifies_.pop_back();
    // Unlink first: an override of Notification need not call the inherited one.
    auto& theirs = listener->free_notifies_;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
    listener->Notification(this, opRemove);
  }
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove && component) RemoveFreeNotification(component);
  for (size_t i = components_.size(); i > 0; --i) {
    // A handler may free components; stay inside the list.
    if (i - 1 < components_.size()) components_[i - 1]->Notification(component, operation);
  }
}

void TComponent::Destroying() {
  if (state_.Contains(csDestroying)) return;
  state_.Include(csDestroying);
  for (TComponent* c : components_) c->Destroying();
}

void TComponent::SetDesigning(bool value, bool set_children) {
  if (value)
    state_.Include(csDesigning);
  else
    state_.Exclude(csDesigning);
  if (set_children)
    for (TComponent* c : components_) c->SetDesigning(value, true);
}

void TComponent::SetParentComponent(TComponent*) {}

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  if (root != this) return;
  for (size_t i = 0; i < components_.size(); ++i)
    if (!components_[i]->HasParent()) proc(components_[i]);
}

void TComponent::Loaded() { state_.Exclude(csLoading); }

// Class registry

namespace {
std::mutex& RegistryLock() {
  static std::mutex lock;
  return lock;
}
std::map<std::string, TClass>& Registry() {
  static std::map<std::string, TClass> classes;
  return classes;
}
}  // namespace

void RegisterClass(TClass cls) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  std::string key = LowerCase(cls->ClassName());
  auto it = Registry().find(key);
  if (it != Registry().end()) {
    if (it->second == cls) return;
    throw EFilerError("A class named " + cls->ClassName() + " already exists");
  }
  Registry()[key] = cls;
}

void RegisterClasses(std::initializer_list<TClass> classes) {
  for (TClass cls : classes) RegisterClass(cls);
}

void UnRegisterClass(TClass cls) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  auto it = Registry().find(LowerCase(cls->ClassName()));
  if (it != Registry().end() && it->second == cls) Registry().erase(it);
}

TClass GetClass(std::string_view name) {
  std::lock_guard<std::mutex> guard(RegistryLock());
  auto it = Registry().find(LowerCase(name));
  return it == Registry().end() ? nullptr : it->second;
}

TClass FindClass(std::string_view name) {
  TClass cls = GetClass(name);
  if (!cls) throw EClassNotFound("Class " + std::string(name) + " not found");
  return cls;
}

}  // namespace vcl
