#include "platform/vcl/FormWriter.h"

#include <cmath>

#include "platform/vcl/Collections.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

// Collects the defined properties that have data.
class TWriteFiler : public TFiler {
 public:
  TWriteFiler(std::string prefix, std::vector<TFormProperty>& out) : prefix_(std::move(prefix)), out_(out) {}

  void DefineProperty(const std::string& name, std::function<void(const TFormValue&)>,
                      std::function<TFormValue()> write, bool has_data) override {
    if (has_data && write) out_.push_back(TFormProperty{prefix_ + name, write(), 0});
  }
  void DefineBinaryProperty(const std::string& name, std::function<void(TStream&)>,
                            std::function<void(TStream&)> write, bool has_data) override {
    if (!has_data || !write) return;
    TMemoryStream stream;
    write(stream);
    const uint8_t* data = stream.Memory();
    out_.push_back(TFormProperty{prefix_ + name, TFormValue::Binary({data, data + stream.Size()}), 0});
  }

 private:
  std::string prefix_;
  std::vector<TFormProperty>& out_;
};

// Nested objects are property paths; a cycle among them must not recurse forever.
constexpr int kMaxObjectDepth = 16;

}  // namespace

class TWriter {
 public:
  explicit TWriter(TComponent* root) : root_(root) {}

  TFormObject WriteObject(TComponent* component) {
    component->state_.Include(csWriting);
    struct TEndWriting {
      TComponent* c;
      ~TEndWriting() { c->state_.Exclude(csWriting); }
    } end_writing{component};
    TFormObject object;
    object.name = component->Name();
    object.class_name = component->ClassName();
    WriteProperties(component, "", object.properties, 0);
    component->GetChildren([&](TComponent* child) { object.children.push_back(WriteObject(child)); }, root_);
    return object;
  }

 private:
  std::string ReferenceName(const TComponent* target) const {
    if (target->Name().empty()) return {};
    if (target == root_ || target->Owner() == root_ || !target->Owner()) return target->Name();
    if (target->Owner()->Name().empty()) return {};
    return target->Owner()->Name() + "." + target->Name();
  }

  void WriteProperties(TObject* instance, const std::string& prefix, std::vector<TFormProperty>& out,
                       int depth) {
    for (const TPropInfo* p : instance->ClassType()->Properties()) {
      if (!p->IsStored(instance)) continue;
      std::string name = prefix + p->name;
      switch (p->kind) {
        case tkInteger:
        case tkColor:
        case tkBoolean:
        case tkEnumeration: {
          int64_t v = p->get_ord(instance);
          if (p->default_ord && *p->default_ord == v) break;
          std::string ident;
          if (OrdToIdent(*p, v, ident))
            out.push_back({name, TFormValue::Ident(ident)});
          else if (p->kind == tkInteger || p->kind == tkColor)
            out.push_back({name, TFormValue::Int(v)});
          break;
        }
        case tkSet: {
          int64_t v = p->get_ord(instance);
          if (p->default_ord && *p->default_ord == v) break;
          std::vector<std::string> elements;
          for (size_t i = 0; i < p->idents.size() && i < 64; ++i)
            if (static_cast<uint64_t>(v) & (uint64_t{1} << i)) elements.push_back(p->idents[i]);
          out.push_back({name, TFormValue::Set(std::move(elements))});
          break;
        }
        case tkFloat: {
          double v = p->get_float(instance);
          if (v == p->default_float && std::signbit(v) == std::signbit(p->default_float)) break;
          out.push_back({name, TFormValue::Float(v)});
          break;
        }
        case tkString: {
          std::string v = p->get_str(instance);
          if (v == p->default_str) break;
          out.push_back({name, TFormValue::String(std::move(v))});
          break;
        }
        case tkComponent: {
          auto* target = dynamic_cast<TComponent*>(p->get_obj(instance));
          if (!target) break;
          std::string ref = ReferenceName(target);
          if (!ref.empty()) out.push_back({name, TFormValue::Ident(ref)});
          break;
        }
        case tkClass: {
          TObject* object = p->get_obj(instance);
          if (!object) break;
          if (auto* collection = dynamic_cast<TCollection*>(object)) {
            if (collection->Count() == 0) break;
            TFormValue value = TFormValue::Collection();
            for (int i = 0; i < collection->Count(); ++i) {
              TFormItem item;
              if (depth < kMaxObjectDepth)
                WriteProperties(collection->Items(i), "", item.properties, depth + 1);
              value.items.push_back(std::move(item));
            }
            out.push_back({name, std::move(value)});
          } else if (depth < kMaxObjectDepth) {
            WriteProperties(object, name + ".", out, depth + 1);
          }
          break;
        }
        case tkBinary: {
          if (!p->has_binary(instance)) break;
          TMemoryStream stream;
          p->write_binary(instance, stream);
          const uint8_t* data = stream.Memory();
          out.push_back({name, TFormValue::Binary({data, data + stream.Size()})});
          break;
        }
        case tkMethod: {
          std::string handler = p->get_handler(instance);
          if (!handler.empty()) out.push_back({name, TFormValue::Ident(handler)});
          break;
        }
      }
    }
    if (auto* persistent = dynamic_cast<TPersistent*>(instance)) {
      TWriteFiler filer(prefix, out);
      persistent->DefineProperties(filer);
    }
  }

  TComponent* root_;
};

TFormObject WriteForm(TComponent* root) { return TWriter(root).WriteObject(root); }

std::string WriteFormText(TComponent* root) { return FormatFormText(WriteForm(root)); }

}  // namespace vcl
