#include "platform/vcl/FormReader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <mutex>
#include <unordered_set>

#include "platform/vcl/Collections.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

std::mutex& FinderLock() {
  static std::mutex lock;
  return lock;
}

TFindGlobalComponent& GlobalFinder() {
  static TFindGlobalComponent finder;
  return finder;
}

TComponent* FindGlobalComponent(std::string_view name) {
  TFindGlobalComponent finder;
  {
    std::lock_guard<std::mutex> guard(FinderLock());
    finder = GlobalFinder();
  }
  return finder ? finder(name) : nullptr;
}

// Hears when a component created by the read goes away, so a failed read
// frees exactly the created components that are still alive.
class TCreatedGuard : public TComponent {
 public:
  TCreatedGuard() : TComponent(nullptr) {}

  void Track(TComponent* component) {
    created_.push_back(component);
    alive_.insert(component);
    component->FreeNotification(this);
  }

  void FreeAll() {
    for (size_t i = created_.size(); i > 0; --i) {
      TComponent* component = created_[i - 1];
      if (alive_.count(component)) delete component;  // Notification drops it from alive_
    }
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove) alive_.erase(component);
  }

 private:
  std::vector<TComponent*> created_;
  std::unordered_set<TComponent*> alive_;
};

// Picks out one defined property by name while DefineProperties runs.
class TFindFiler : public TFiler {
 public:
  explicit TFindFiler(std::string_view name) : name_(name) {}

  void DefineProperty(const std::string& name, std::function<void(const TFormValue&)> read,
                      std::function<TFormValue()>, bool) override {
    if (!found_ && SameText(name, name_)) {
      found_ = true;
      read_value_ = std::move(read);
    }
  }
  void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)> read,
                            std::function<void(TStream&)>, bool) override {
    if (!found_ && SameText(name, name_)) {
      found_ = true;
      read_binary_ = std::move(read);
    }
  }

  bool found_ = false;
  std::function<void(const TFormValue&)> read_value_;
  std::function<void(TStream&)> read_binary_;

 private:
  std::string name_;
};

std::vector<std::string> SplitPath(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t dot = path.find('.', start);
    parts.push_back(path.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return parts;
}

[[noreturn]] void InvalidValue() { throw EReadError("Invalid property value"); }

}  // namespace

// Applies a parsed description to components.
class TReader {
 public:
  explicit TReader(TComponent* root) : root_(root) {}

  void Read(const TFormObject& description) {
    TCreatedGuard guard;
    guard_ = &guard;
    try {
      Begin(root_);
      if (!description.name.empty() && description.name != root_->Name()) {
        try {
          root_->SetName(description.name);
        } catch (const EReadError&) {
          throw;
        } catch (const Exception& e) {
          throw EReadError(e.Message() + " on line " + std::to_string(description.line), description.line);
        }
      }
      ReadBody(root_, description, root_->Name(), 1);
      ResolveFixups();
    } catch (...) {
      for (TComponent* c : loaded_) c->state_ = c->state_ - TComponentState{csLoading, csReading};
      guard.FreeAll();
      throw;
    }
    for (TComponent* c : loaded_) c->state_.Exclude(csReading);
    std::vector<TComponent*> loaded = std::move(loaded_);
    try {
      for (TComponent* c : loaded) c->Loaded();
    } catch (...) {
      for (TComponent* c : loaded) c->state_.Exclude(csLoading);
      throw;
    }
    // Loaded overrides that skip the inherited call still end the loading state.
    for (TComponent* c : loaded) c->state_.Exclude(csLoading);
  }

 private:
  struct TFixup {
    TObject* instance;
    const TPropInfo* info;
    std::string reference;
    std::string where;
    int line;
    std::vector<const TCollectionItem*> items;  // enclosing collection items
  };

  void Begin(TComponent* component) {
    component->state_ = component->state_ + TComponentState{csLoading, csReading};
    loaded_.push_back(component);
  }

  [[noreturn]] static void Fail(const std::string& where, const std::string& message, int line) {
    std::string text = where.empty() ? message : "Error reading " + where + ": " + message;
    throw EReadError(text + " on line " + std::to_string(line), line);
  }

  void ReadBody(TComponent* component, const TFormObject& description, const std::string& where, int depth) {
    for (const TFormProperty& p : description.properties) ReadProperty(component, p, where);
    for (const TFormObject& child : description.children) ReadChild(component, child, depth + 1);
  }

  void ReadChild(TComponent* parent, const TFormObject& d, int depth) {
    if (depth > kMaxFormNesting) Fail("", "Objects nested too deeply", d.line);
    if (static_cast<int>(loaded_.size()) >= kMaxFormComponents) Fail("", "Too many components", d.line);
    TComponent* component = nullptr;
    if (d.keyword == "inherited") {
      component = root_->FindComponent(d.name);
      if (!component) Fail("", "Ancestor for '" + d.name + "' not found", d.line);
      if (component->state_.Contains(csReading)) Fail("", "Object " + d.name + " described twice", d.line);
      Begin(component);
    } else {
      TClass cls = GetClass(d.class_name);
      if (!cls) Fail("", "Class " + d.class_name + " not found", d.line);
      if (!cls->InheritsFrom(TComponent::StaticClass()))
        Fail("", d.class_name + " is not a component class", d.line);
      if (!cls->CanCreate()) Fail("", "Cannot create an instance of abstract class " + d.class_name, d.line);
      try {
        component = static_cast<TComponent*>(cls->Create(root_));
        guard_->Track(component);
        if (component->owner_ != root_) root_->InsertComponent(component);
        Begin(component);
        component->SetName(d.name);
        component->SetParentComponent(parent);
      } catch (const EReadError&) {
        throw;
      } catch (const Exception& e) {
        Fail("", e.Message(), d.line);
      }
    }
    ReadBody(component, d, d.name.empty() ? d.class_name : d.name, depth);
  }

  void ReadProperty(TObject* instance, const TFormProperty& p, const std::string& where) {
    std::string full = where + "." + p.name;
    try {
      std::vector<std::string> path = SplitPath(p.name);
      TObject* target = instance;
      for (size_t i = 0; i + 1 < path.size(); ++i) {
        const TPropInfo* info = GetPropInfo(target, path[i]);
        if (!info || info->kind != tkClass) Fail(full, "Property " + p.name + " does not exist", p.line);
        target = info->get_obj(target);
        if (!target) Fail(full, "Property " + p.name + " does not exist", p.line);
      }
      const std::string& name = path.back();
      if (const TPropInfo* info = GetPropInfo(target, name)) {
        ApplyValue(target, *info, p.value, full);
        return;
      }
      if (auto* persistent = dynamic_cast<TPersistent*>(target)) {
        TFindFiler filer(name);
        persistent->DefineProperties(filer);
        if (filer.read_value_) {
          filer.read_value_(p.value);
          return;
        }
        if (filer.read_binary_) {
          if (p.value.type != vaBinary) InvalidValue();
          TMemoryStream stream;
          stream.WriteBuffer(p.value.binary.data(), static_cast<int64_t>(p.value.binary.size()));
          stream.SetPosition(0);
          filer.read_binary_(stream);
          return;
        }
      }
      Fail(full, "Property " + p.name + " does not exist", p.line);
    } catch (const EReadError& e) {
      if (e.Line() > 0) throw;
      Fail(full, e.Message(), p.line);
    } catch (const Exception& e) {
      Fail(full, e.Message(), p.line);
    }
  }

  void ApplyValue(TObject* instance, const TPropInfo& info, const TFormValue& value,
                  const std::string& where) {
    switch (info.kind) {
      case tkInteger:
      case tkColor:
      case tkBoolean:
      case tkEnumeration: {
        int64_t v = 0;
        if (value.type == vaInt && (info.kind == tkInteger || info.kind == tkColor))
          v = value.int_value;
        else if (value.type != vaIdent || !IdentToOrd(info, value.text, v))
          InvalidValue();
        if (v < info.min_ord || v > info.max_ord) InvalidValue();
        info.set_ord(instance, v);
        return;
      }
      case tkSet: {
        if (value.type != vaSet) InvalidValue();
        uint64_t bits = 0;
        for (const std::string& element : value.elements) {
          size_t i = 0;
          while (i < info.idents.size() && !SameText(info.idents[i], element)) ++i;
          if (i == info.idents.size() || i >= 64) throw EReadError("Invalid property element: " + element);
          bits |= uint64_t{1} << i;
        }
        info.set_ord(instance, static_cast<int64_t>(bits));
        return;
      }
      case tkFloat: {
        double v;
        if (value.type == vaFloat)
          v = value.float_value;
        else if (value.type == vaInt)
          v = static_cast<double>(value.int_value);
        else if (value.type == vaIdent && SameText(value.text, "NAN"))
          v = std::numeric_limits<double>::quiet_NaN();
        else if (value.type == vaIdent && SameText(value.text, "INF"))
          v = std::numeric_limits<double>::infinity();
        else if (value.type == vaIdent && SameText(value.text, "-INF"))
          v = -std::numeric_limits<double>::infinity();
        else
          InvalidValue();
        info.set_float(instance, v);
        return;
      }
      case tkString:
        if (value.type != vaString) InvalidValue();
        info.set_str(instance, value.text);
        return;
      case tkComponent:
        if (value.type != vaIdent || !info.set_obj) InvalidValue();
        if (SameText(value.text, "nil")) {
          info.set_obj(instance, nullptr);
          return;
        }
        fixups_.push_back(TFixup{instance, &info, value.text, where, value.line, item_stack_});
        return;
      case tkClass: {
        auto* collection = dynamic_cast<TCollection*>(info.get_obj(instance));
        if (!collection || value.type != vaCollection) InvalidValue();
        ReadCollection(collection, value, where);
        return;
      }
      case tkBinary: {
        if (value.type != vaBinary) InvalidValue();
        TMemoryStream stream;
        stream.WriteBuffer(value.binary.data(), static_cast<int64_t>(value.binary.size()));
        stream.SetPosition(0);
        info.read_binary(instance, stream);
        return;
      }
      case tkMethod: {
        if (value.type != vaIdent) InvalidValue();
        if (SameText(value.text, "nil")) {
          info.set_handler(instance, std::any());
          return;
        }
        const TMethodInfo* method = root_->ClassType()->FindMethod(value.text);
        if (!method) throw EReadError("Method " + value.text + " not found in " + root_->ClassName());
        if (method->signature != info.signature)
          throw EReadError("Method " + method->name + " does not match the event " + info.name);
        info.set_handler(instance, method->bind(root_));
        return;
      }
    }
  }

  void ReadCollection(TCollection* collection, const TFormValue& value, const std::string& where) {
    // References queued inside the old items would outlive them.
    std::unordered_set<const TCollectionItem*> old_items;
    for (int i = 0; i < collection->Count(); ++i) old_items.insert(collection->Items(i));
    if (!old_items.empty())
      std::erase_if(fixups_, [&](const TFixup& f) {
        return std::any_of(f.items.begin(), f.items.end(),
                           [&](const TCollectionItem* it) { return old_items.count(it) > 0; });
      });
    size_t stack_size = item_stack_.size();
    collection->BeginUpdate();
    try {
      collection->Clear();
      for (size_t i = 0; i < value.items.size(); ++i) {
        TCollectionItem* item = collection->Add();
        item_stack_.push_back(item);
        std::string item_where = where + "[" + std::to_string(i) + "]";
        for (const TFormProperty& p : value.items[i].properties) ReadProperty(item, p, item_where);
        item_stack_.pop_back();
      }
    } catch (...) {
      item_stack_.resize(stack_size);
      collection->EndUpdate();
      throw;
    }
    collection->EndUpdate();
  }

  TComponent* Resolve(const std::string& reference) {
    std::vector<std::string> path = SplitPath(reference);
    TComponent* current = nullptr;
    const std::string& first = path[0];
    if (path.size() == 1) current = root_->FindComponent(first);
    if (!current && !root_->Name().empty() && SameText(first, root_->Name())) current = root_;
    if (!current && path.size() > 1) current = root_->FindComponent(first);
    if (!current) current = FindGlobalComponent(first);
    for (size_t i = 1; current && i < path.size(); ++i) current = current->FindComponent(path[i]);
    return current;
  }

  void ResolveFixups() {
    std::vector<TFixup> fixups = std::move(fixups_);
    for (const TFixup& f : fixups) {
      TComponent* target = Resolve(f.reference);
      if (!target) Fail(f.where, "Unresolved reference to '" + f.reference + "'", f.line);
      TClass wanted = f.info->ObjectClass();
      if (wanted && !target->InheritsFrom(wanted)) Fail(f.where, "Invalid property value", f.line);
      try {
        f.info->set_obj(f.instance, target);
      } catch (const Exception& e) {
        Fail(f.where, e.Message(), f.line);
      }
    }
  }

  TComponent* root_;
  TCreatedGuard* guard_ = nullptr;
  std::vector<TComponent*> loaded_;
  std::vector<TFixup> fixups_;
  std::vector<const TCollectionItem*> item_stack_;
};

void ReadForm(TComponent* root, const TFormObject& description) { TReader(root).Read(description); }

void ReadFormText(TComponent* root, std::string_view text) { ReadForm(root, ParseFormText(text)); }

TComponent* CreateFormFromText(std::string_view text, TComponent* owner) {
  TFormObject description = ParseFormText(text);
  TClass cls = GetClass(description.class_name);
  if (!cls)
    throw EReadError(
        "Class " + description.class_name + " not found on line " + std::to_string(description.line),
        description.line);
  if (!cls->InheritsFrom(TComponent::StaticClass()) || !cls->CanCreate())
    throw EReadError(description.class_name + " is not a component class", description.line);
  auto* root = static_cast<TComponent*>(cls->Create(owner));
  try {
    ReadForm(root, description);
  } catch (...) {
    delete root;
    throw;
  }
  return root;
}

void SetFindGlobalComponent(TFindGlobalComponent finder) {
  std::lock_guard<std::mutex> guard(FinderLock());
  GlobalFinder() = std::move(finder);
}

}  // namespace vcl
