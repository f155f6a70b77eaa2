#pragma once
// Class entries and published property tables, and access to published
// properties by name. A class's table is declared once in its source file:
//
//   VCL_IMPLEMENT_CLASS(TKnob,
//     IntProp("Position", &TKnob::Position, &TKnob::SetPosition).Default(0),
//     EnumProp("Style", &TKnob::Style, &TKnob::SetStyle, {"ksRound", "ksFlat"}).Default(ksRound),
//     RefProp("Partner", &TKnob::Partner, &TKnob::SetPartner),
//     EventProp("OnChange", &TKnob::OnChange))
//
// The class body holds VCL_DECLARE_CLASS(TKnob, TComponent). Inherited
// properties come first; a class may republish a parent's property (for
// example with another default), which then keeps the parent's position.
#include <any>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <utility>
#include <variant>
#include <vector>

#include "platform/vcl/Classes.h"

namespace vcl {

class TStream;

enum TTypeKind {
  tkInteger,
  tkBoolean,
  tkFloat,
  tkString,
  tkEnumeration,
  tkSet,
  tkColor,
  tkComponent,  // a link to a component, filed by name
  tkClass,      // an owned persistent object, filed through its own properties
  tkBinary,
  tkMethod
};

// Identifiers that stand for integer values of one property (MapperId = -1).
// Lookup ignores letter case; the first identifier of a value is the one written.
class TIdentMap {
 public:
  TIdentMap(std::initializer_list<std::pair<int64_t, const char*>> entries);
  bool IdentToInt(std::string_view ident, int64_t& value) const;
  bool IntToIdent(int64_t value, std::string& ident) const;

 private:
  std::vector<std::pair<int64_t, std::string>> entries_;
};

// A handler bound from a form's published methods. Events hold it inside their
// std::function, so the handler's name can be written back.
template <class Sig>
struct TMethodRef;
template <class R, class... A>
struct TMethodRef<R(A...)> {
  std::string name;
  std::function<R(A...)> code;
  R operator()(A... args) const { return code(std::forward<A>(args)...); }
};

// One published method of a form: name and a binder producing the event value
// (a std::function<Sig> wrapped in std::any) for an instance.
struct TMethodInfo {
  std::string name;
  std::type_index signature = typeid(void);
  std::function<std::any(TObject* instance)> bind;
};

// One published property.
struct TPropInfo {
  std::string name;
  TTypeKind kind = tkInteger;

  // Ordinal kinds (integer, boolean, enumeration, set, colour).
  std::function<int64_t(const TObject*)> get_ord;
  std::function<void(TObject*, int64_t)> set_ord;
  std::optional<int64_t> default_ord;  // none: always written
  int64_t min_ord = INT64_MIN, max_ord = INT64_MAX;
  std::vector<std::string> idents;  // enumeration and set identifiers, by value
  const TIdentMap* ident_map = nullptr;

  std::function<double(const TObject*)> get_float;
  std::function<void(TObject*, double)> set_float;
  double default_float = 0;

  std::function<std::string(const TObject*)> get_str;
  std::function<void(TObject*, const std::string&)> set_str;
  std::string default_str;

  // Component references and nested objects; set_obj is empty when read-only.
  std::function<TObject*(const TObject*)> get_obj;
  std::function<void(TObject*, TObject*)> set_obj;
  TClass (*obj_class)() = nullptr;

  std::function<void(TObject*, TStream&)> read_binary;
  std::function<void(const TObject*, TStream&)> write_binary;
  std::function<bool(const TObject*)> has_binary;

  std::function<std::string(const TObject*)> get_handler;  // handler name, empty if none
  std::function<bool(const TObject*)> event_assigned;
  std::function<void(TObject*, const std::any&)> set_handler;  // empty any clears
  std::type_index signature = typeid(void);

  std::function<bool(const TObject*)> stored;  // empty: stored

  bool IsStored(const TObject* instance) const { return !stored || stored(instance); }
  TClass ObjectClass() const { return obj_class ? obj_class() : nullptr; }

  template <class V>
  TPropInfo&& Default(V value) && {
    if constexpr (std::is_floating_point_v<V>)
      default_float = value;
    else if constexpr (std::is_convertible_v<V, std::string>)
      default_str = value;
    else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
      default_ord = static_cast<int64_t>(value);
    else
      default_ord = static_cast<int64_t>(value.Bits());
    return std::move(*this);
  }
  TPropInfo&& NoDefault() && {
    default_ord.reset();
    return std::move(*this);
  }
  TPropInfo&& Stored(bool value) && {
    if (!value) stored = [](const TObject*) { return false; };
    return std::move(*this);
  }
  template <class C>
  TPropInfo&& Stored(bool (C::*rule)() const) && {
    stored = [rule](const TObject* o) { return (static_cast<const C*>(o)->*rule)(); };
    return std::move(*this);
  }
  TPropInfo&& Idents(const TIdentMap& map) && {
    ident_map = &map;
    return std::move(*this);
  }
};

// An entry of a class's table: a property or a published method.
struct TTableEntry {
  TTableEntry(TPropInfo p) : item(std::move(p)) {}
  TTableEntry(TMethodInfo m) : item(std::move(m)) {}
  std::variant<TPropInfo, TMethodInfo> item;
};

// A class's name, parent, factory and tables, built once on first use.
class TClassEntry {
 public:
  using TFactory = TObject* (*)(TComponent* owner);
  using TBuilder = std::vector<TTableEntry> (*)();

  TClassEntry(const char* name, TClass parent, TFactory factory, TBuilder builder)
      : name_(name), parent_(parent), factory_(factory), builder_(builder) {}
  TClassEntry(const TClassEntry&) = delete;
  TClassEntry& operator=(const TClassEntry&) = delete;

  const std::string& ClassName() const { return name_; }
  TClass ClassParent() const { return parent_; }
  bool InheritsFrom(TClass cls) const;
  bool CanCreate() const { return factory_ != nullptr; }
  // A new instance; components get `owner`. EInvalidOperation for abstract classes.
  TObject* Create(TComponent* owner) const;

  // Published properties, inherited first, in declaration order.
  const std::vector<const TPropInfo*>& Properties() const;
  const TPropInfo* FindProperty(std::string_view name) const;
  const TMethodInfo* FindMethod(std::string_view name) const;

 private:
  void Build() const;

  std::string name_;
  TClass parent_;
  TFactory factory_;
  TBuilder builder_;
  mutable std::once_flag built_;
  mutable std::vector<TPropInfo> own_props_;
  mutable std::vector<TMethodInfo> own_methods_;
  mutable std::vector<const TPropInfo*> all_props_;
};

template <class T>
TObject* CreateInstance(TComponent* owner) {
  if constexpr (std::is_constructible_v<T, TComponent*>)
    return new T(owner);
  else
    return (void)owner, new T();
}

template <class T>
constexpr TClassEntry::TFactory ClassFactory() {
  if constexpr (std::is_abstract_v<T>)
    return nullptr;
  else if constexpr (std::is_constructible_v<T, TComponent*> || std::is_default_constructible_v<T>)
    return &CreateInstance<T>;
  else
    return nullptr;
}

#define VCL_IMPLEMENT_CLASS(Class, ...)                                                          \
  ::vcl::TClass Class::StaticClass() {                                                           \
    static const ::vcl::TClassEntry entry(#Class, Class::inherited::StaticClass(),               \
                                          ::vcl::ClassFactory<Class>(), []() {                   \
                                            using namespace ::vcl::published;                    \
                                            return std::vector<::vcl::TTableEntry>{__VA_ARGS__}; \
                                          });                                                    \
    return &entry;                                                                               \
  }

namespace detail {

template <class V>
int64_t ToOrd(const V& v) {
  if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
    return static_cast<int64_t>(v);
  else
    return static_cast<int64_t>(v.Bits());
}

template <class V>
V FromOrd(int64_t o) {
  if constexpr (std::is_same_v<V, bool>)
    return o != 0;
  else if constexpr (std::is_enum_v<V> || std::is_integral_v<V>)
    return static_cast<V>(o);
  else
    return V::FromBits(static_cast<uint64_t>(o));
}

// Integers accept their signed range and, for bit patterns such as $8000000F,
// the unsigned range of the same width.
template <class V>
void SetRange(TPropInfo& p) {
  if constexpr (std::is_integral_v<V> && !std::is_same_v<V, bool> && sizeof(V) < 8) {
    p.min_ord = std::is_signed_v<V> ? static_cast<int64_t>(std::numeric_limits<V>::min()) : 0;
    p.max_ord = static_cast<int64_t>(std::numeric_limits<std::make_unsigned_t<V>>::max());
  } else if constexpr (std::is_same_v<V, bool>) {
    p.min_ord = 0;
    p.max_ord = 1;
  }
}

template <class C1, class G, class C2, class P>
TPropInfo Ordinal(std::string name, TTypeKind kind, G (C1::*get)() const, void (C2::*set)(P)) {
  using V = std::decay_t<G>;
  TPropInfo p;
  p.name = std::move(name);
  p.kind = kind;
  p.get_ord = [get](const TObject* o) { return ToOrd<V>((static_cast<const C1*>(o)->*get)()); };
  p.set_ord = [set](TObject* o, int64_t v) { (static_cast<C2*>(o)->*set)(FromOrd<std::decay_t<P>>(v)); };
  SetRange<V>(p);
  return p;
}

}  // namespace detail

// The helpers a class table is written with.
namespace published {

template <class C1, class G, class C2, class P>
TPropInfo IntProp(std::string name, G (C1::*get)() const, void (C2::*set)(P)) {
  return detail::Ordinal(std::move(name), tkInteger, get, set);
}

template <class C1, class C2>
TPropInfo BoolProp(std::string name, bool (C1::*get)() const, void (C2::*set)(bool)) {
  return detail::Ordinal(std::move(name), tkBoolean, get, set);
}

template <class C1, class G, class C2, class P>
TPropInfo FloatProp(std::string name, G (C1::*get)() const, void (C2::*set)(P)) {
  TPropInfo p;
  p.name = std::move(name);
  p.kind = tkFloat;
  p.get_float = [get](const TObject* o) { return static_cast<double>((static_cast<const C1*>(o)->*get)()); };
  p.set_float = [set](TObject* o, double v) { (static_cast<C2*>(o)->*set)(static_cast<std::decay_t<P>>(v)); };
  return p;
}

template <class C1, class G, class C2, class P>
TPropInfo StrProp(std::string name, G (C1::*get)() const, void (C2::*set)(P)) {
  TPropInfo p;
  p.name = std::move(name);
  p.kind = tkString;
  p.get_str = [get](const TObject* o) { return std::string((static_cast<const C1*>(o)->*get)()); };
  p.set_str = [set](TObject* o, const std::string& v) { (static_cast<C2*>(o)->*set)(v); };
  return p;
}

template <class C1, class G, class C2, class P>
TPropInfo EnumProp(std::string name, G (C1::*get)() const, void (C2::*set)(P),
                   std::vector<std::string> idents) {
  TPropInfo p = detail::Ordinal(std::move(name), tkEnumeration, get, set);
  p.min_ord = 0;
  p.max_ord = static_cast<int64_t>(idents.size()) - 1;
  p.idents = std::move(idents);
  return p;
}

// A set property: the getter returns a TSet<E> (or a bit mask), bit i = idents[i].
template <class C1, class G, class C2, class P>
TPropInfo SetOfProp(std::string name, G (C1::*get)() const, void (C2::*set)(P),
                    std::vector<std::string> idents) {
  TPropInfo p = detail::Ordinal(std::move(name), tkSet, get, set);
  p.min_ord = 0;
  p.max_ord = idents.size() >= 63 ? INT64_MAX : (int64_t{1} << idents.size()) - 1;
  p.idents = std::move(idents);
  return p;
}

const TIdentMap& ColorIdents();
// Colour names a component library adds for colours of its own: colour
// properties read and write them after the standard names. A map registered
// twice counts once; the map must live until the program ends.
void RegisterColorIdents(const TIdentMap& map);
bool ExtraColorIdentToInt(std::string_view ident, int64_t& value);
bool ExtraColorIntToIdent(int64_t value, std::string& ident);

template <class C1, class G, class C2, class P>
TPropInfo ColorProp(std::string name, G (C1::*get)() const, void (C2::*set)(P)) {
  TPropInfo p = detail::Ordinal(std::move(name), tkColor, get, set);
  p.ident_map = &ColorIdents();
  return p;
}

// A link to another component (T*), filed by the target's name.
template <class C1, class T, class C2, class P>
TPropInfo RefProp(std::string name, T* (C1::*get)() const, void (C2::*set)(P)) {
  TPropInfo p;
  p.name = std::move(name);
  p.kind = tkComponent;
  p.obj_class = &T::StaticClass;
  p.get_obj = [get](const TObject* o) -> TObject* { return (static_cast<const C1*>(o)->*get)(); };
  p.set_obj = [set](TObject* o, TObject* v) { (static_cast<C2*>(o)->*set)(dynamic_cast<T*>(v)); };
  return p;
}

// An owned persistent object (a font, a string list, a collection); its own
// properties are filed as Name.Sub. The writer, when given, assigns a copy.
template <class C1, class T>
TPropInfo ObjProp(std::string name, T* (C1::*get)() const) {
  TPropInfo p;
  p.name = std::move(name);
  p.kind = tkClass;
  p.obj_class = &T::StaticClass;
  p.get_obj = [get](const TObject* o) -> TObject* { return (static_cast<const C1*>(o)->*get)(); };
  return p;
}

template <class C1, class T, class C2, class P>
TPropInfo ObjProp(std::string name, T* (C1::*get)() const, void (C2::*set)(P)) {
  TPropInfo p = ObjProp(std::move(name), get);
  p.set_obj = [set](TObject* o, TObject* v) { (static_cast<C2*>(o)->*set)(dynamic_cast<T*>(v)); };
  return p;
}

template <class C1, class C2, class C3>
TPropInfo BinaryProp(std::string name, void (C1::*read)(TStream&), void (C2::*write)(TStream&) const,
                     bool (C3::*has_data)() const) {
  TPropInfo p;
  p.name = std::move(name);
  p.kind = tkBinary;
  p.read_binary = [read](TObject* o, TStream& s) { (static_cast<C1*>(o)->*read)(s); };
  p.write_binary = [write](const TObject* o, TStream& s) { (static_cast<const C2*>(o)->*write)(s); };
  p.has_binary = [has_data](const TObject* o) { return (static_cast<const C3*>(o)->*has_data)(); };
  return p;
}

// An event: a public std::function member, bound to a published method by name.
template <class C, class Sig>
TPropInfo EventProp(std::string name, std::function<Sig> C::*member) {
  TPropInfo p;
  p.name = std::move(name);
  p.kind = tkMethod;
  p.signature = typeid(Sig);
  p.get_handler = [member](const TObject* o) -> std::string {
    const auto& f = static_cast<const C*>(o)->*member;
    if (!f) return {};
    const auto* ref = f.template target<TMethodRef<Sig>>();
    return ref ? ref->name : std::string();
  };
  p.event_assigned = [member](const TObject* o) {
    return static_cast<bool>(static_cast<const C*>(o)->*member);
  };
  p.set_handler = [member](TObject* o, const std::any& handler) {
    auto& f = static_cast<C*>(o)->*member;
    if (!handler.has_value()) {
      f = nullptr;
      return;
    }
    const auto* fn = std::any_cast<std::function<Sig>>(&handler);
    if (!fn) throw EPropertyError("Invalid property value");
    f = *fn;
  };
  return p;
}

// A published method of a form, bindable to events of the same signature.
template <class C, class R, class... A>
TMethodInfo Method(std::string name, R (C::*fn)(A...)) {
  TMethodInfo m;
  m.name = name;
  m.signature = typeid(R(A...));
  m.bind = [name, fn](TObject* instance) {
    C* self = static_cast<C*>(instance);
    std::function<R(A...)> f = TMethodRef<R(A...)>{
        name, [self, fn](A... args) -> R { return (self->*fn)(std::forward<A>(args)...); }};
    return std::any(std::move(f));
  };
  return m;
}

}  // namespace published

// Access by name. A missing property raises EPropertyError
// ("Property X does not exist") unless noted.
const TPropInfo* GetPropInfo(TClass cls, std::string_view name);  // nullptr when missing
const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name);
bool IsPublishedProp(const TObject* instance, std::string_view name);
bool IsPublishedProp(TClass cls, std::string_view name);
std::vector<const TPropInfo*> GetPropList(const TObject* instance);

int64_t GetOrdProp(const TObject* instance, std::string_view name);
void SetOrdProp(TObject* instance, std::string_view name, int64_t value);
double GetFloatProp(const TObject* instance, std::string_view name);
void SetFloatProp(TObject* instance, std::string_view name, double value);
std::string GetStrProp(const TObject* instance, std::string_view name);
void SetStrProp(TObject* instance, std::string_view name, const std::string& value);
// The object a reference or nested-object property holds; nullptr when it is
// not of `min_class` (if given).
TObject* GetObjectProp(const TObject* instance, std::string_view name, TClass min_class = nullptr);
void SetObjectProp(TObject* instance, std::string_view name, TObject* value);
std::string GetEnumProp(const TObject* instance, std::string_view name);
void SetEnumProp(TObject* instance, std::string_view name, std::string_view ident);
// "[a,b]" with brackets, "a,b" without.
std::string GetSetProp(const TObject* instance, std::string_view name, bool brackets = false);
void SetSetProp(TObject* instance, std::string_view name, std::string_view text);
// The name of the handler an event is bound to (empty when none or unnamed).
std::string GetMethodProp(const TObject* instance, std::string_view name);
// Binds an event to `root`'s published method; EMethodNotFound when missing.
void SetMethodProp(TObject* instance, std::string_view name, TObject* root, std::string_view handler);

// Any property of a scalar kind as text (identifiers for enumerations,
// booleans, sets, colours and mapped integers) and back.
std::string GetPropValue(const TObject* instance, std::string_view name);
void SetPropValue(TObject* instance, std::string_view name, const std::string& value);

// Identifier text of an ordinal value and back (case ignored); false when none.
bool OrdToIdent(const TPropInfo& info, int64_t value, std::string& ident);
bool IdentToOrd(const TPropInfo& info, std::string_view ident, int64_t& value);
std::string SetToString(const TPropInfo& info, int64_t bits, bool brackets);
int64_t StringToSet(const TPropInfo& info, std::string_view text);

}  // namespace vcl
