#include "platform/vcl/TypInfo.h"

#include <algorithm>
#include <mutex>

#include "platform/vcl/Colors.h"

namespace vcl {

TIdentMap::TIdentMap(std::initializer_list<std::pair<int64_t, const char*>> entries) {
  for (const auto& [value, ident] : entries) entries_.emplace_back(value, ident);
}

bool TIdentMap::IdentToInt(std::string_view ident, int64_t& value) const {
  for (const auto& [v, name] : entries_)
    if (SameText(name, ident)) {
      value = v;
      return true;
    }
  return false;
}

bool TIdentMap::IntToIdent(int64_t value, std::string& ident) const {
  for (const auto& [v, name] : entries_)
    if (v == value) {
      ident = name;
      return true;
    }
  return false;
}

namespace published {
namespace {
// Registered at start-up, read by every colour property afterwards; never
// destroyed, so a late reader at shut-down finds it.
struct ExtraColorMaps {
  std::mutex mutex;
  std::vector<const TIdentMap*> maps;
};
ExtraColorMaps& ExtraColors() {
  static auto* extra = new ExtraColorMaps;
  return *extra;
}
}  // namespace

void RegisterColorIdents(const TIdentMap& map) {
  auto& extra = ExtraColors();
  std::lock_guard lock(extra.mutex);
  if (std::find(extra.maps.begin(), extra.maps.end(), &map) == extra.maps.end()) extra.maps.push_back(&map);
}

bool ExtraColorIdentToInt(std::string_view ident, int64_t& value) {
  auto& extra = ExtraColors();
  std::lock_guard lock(extra.mutex);
  for (const TIdentMap* map : extra.maps)
    if (map->IdentToInt(ident, value)) return true;
  return false;
}

bool ExtraColorIntToIdent(int64_t value, std::string& ident) {
  auto& extra = ExtraColors();
  std::lock_guard lock(extra.mutex);
  for (const TIdentMap* map : extra.maps)
    if (map->IntToIdent(value, ident)) return true;
  return false;
}

const TIdentMap& ColorIdents() {
  static const TIdentMap map{
      {clBlack, "clBlack"},
      {clMaroon, "clMaroon"},
      {clGreen, "clGreen"},
      {clOlive, "clOlive"},
      {clNavy, "clNavy"},
      {clPurple, "clPurple"},
      {clTeal, "clTeal"},
      {clGray, "clGray"},
      {clSilver, "clSilver"},
      {clRed, "clRed"},
      {clLime, "clLime"},
      {clYellow, "clYellow"},
      {clBlue, "clBlue"},
      {clFuchsia, "clFuchsia"},
      {clAqua, "clAqua"},
      {clWhite, "clWhite"},
      {clLtGray, "clLtGray"},
      {clDkGray, "clDkGray"},
      {clMoneyGreen, "clMoneyGreen"},
      {clSkyBlue, "clSkyBlue"},
      {clCream, "clCream"},
      {clMedGray, "clMedGray"},
      {clNone, "clNone"},
      {clDefault, "clDefault"},
      {clScrollBar, "clScrollBar"},
      {clBackground, "clBackground"},
      {clActiveCaption, "clActiveCaption"},
      {clInactiveCaption, "clInactiveCaption"},
      {clMenu, "clMenu"},
      {clWindow, "clWindow"},
      {clWindowFrame, "clWindowFrame"},
      {clMenuText, "clMenuText"},
      {clWindowText, "clWindowText"},
      {clCaptionText, "clCaptionText"},
      {clActiveBorder, "clActiveBorder"},
      {clInactiveBorder, "clInactiveBorder"},
      {clAppWorkSpace, "clAppWorkSpace"},
      {clHighlight, "clHighlight"},
      {clHighlightText, "clHighlightText"},
      {clBtnFace, "clBtnFace"},
      {clBtnShadow, "clBtnShadow"},
      {clGrayText, "clGrayText"},
      {clBtnText, "clBtnText"},
      {clInactiveCaptionText, "clInactiveCaptionText"},
      {clBtnHighlight, "clBtnHighlight"},
      {cl3DDkShadow, "cl3DDkShadow"},
      {cl3DLight, "cl3DLight"},
      {clInfoText, "clInfoText"},
      {clInfoBk, "clInfoBk"},
  };
  return map;
}
}  // namespace published

// TClassEntry

bool TClassEntry::InheritsFrom(TClass cls) const {
  for (TClass c = this; c; c = c->parent_)
    if (c == cls) return true;
  return false;
}

TObject* TClassEntry::Create(TComponent* owner) const {
  if (!factory_) throw EInvalidOperation("Cannot create an instance of abstract class " + name_);
  return factory_(owner);
}

void TClassEntry::Build() const {
  std::call_once(built_, [this] {
    for (TTableEntry& entry : builder_()) {
      if (auto* p = std::get_if<TPropInfo>(&entry.item))
        own_props_.push_back(std::move(*p));
      else
        own_methods_.push_back(std::get<TMethodInfo>(std::move(entry.item)));
    }
    if (parent_) all_props_ = parent_->Properties();
    for (const TPropInfo& p : own_props_) {
      auto same = std::find_if(all_props_.begin(), all_props_.end(),
                               [&](const TPropInfo* q) { return SameText(q->name, p.name); });
      if (same != all_props_.end())
        *same = &p;  // republished: keeps the parent's position
      else
        all_props_.push_back(&p);
    }
  });
}

const std::vector<const TPropInfo*>& TClassEntry::Properties() const {
  Build();
  return all_props_;
}

const TPropInfo* TClassEntry::FindProperty(std::string_view name) const {
  for (const TPropInfo* p : Properties())
    if (SameText(p->name, name)) return p;
  return nullptr;
}

const TMethodInfo* TClassEntry::FindMethod(std::string_view name) const {
  for (TClass c = this; c; c = c->parent_) {
    c->Build();
    for (const TMethodInfo& m : c->own_methods_)
      if (SameText(m.name, name)) return &m;
  }
  return nullptr;
}

// Access by name

namespace {

const TPropInfo& Need(const TObject* instance, std::string_view name) {
  const TPropInfo* p = instance ? GetPropInfo(instance, name) : nullptr;
  if (!p) throw EPropertyError("Property " + std::string(name) + " does not exist");
  return *p;
}

bool IsOrdinal(TTypeKind kind) {
  return kind == tkInteger || kind == tkBoolean || kind == tkEnumeration || kind == tkSet || kind == tkColor;
}

[[noreturn]] void InvalidValue() { throw EPropertyError("Invalid property value"); }

[[noreturn]] void InvalidType(const TPropInfo& p) {
  throw EPropertyError("Invalid property type: " + p.name);
}

void CheckedSetOrd(const TPropInfo& p, TObject* instance, int64_t value) {
  if (value < p.min_ord || value > p.max_ord) throw EPropertyError("Invalid property value");
  p.set_ord(instance, value);
}

}  // namespace

const TPropInfo* GetPropInfo(TClass cls, std::string_view name) {
  return cls ? cls->FindProperty(name) : nullptr;
}

const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name) {
  return instance ? instance->ClassType()->FindProperty(name) : nullptr;
}

bool IsPublishedProp(const TObject* instance, std::string_view name) {
  return GetPropInfo(instance, name) != nullptr;
}

bool IsPublishedProp(TClass cls, std::string_view name) { return GetPropInfo(cls, name) != nullptr; }

std::vector<const TPropInfo*> GetPropList(const TObject* instance) {
  return instance ? instance->ClassType()->Properties() : std::vector<const TPropInfo*>{};
}

int64_t GetOrdProp(const TObject* instance, std::string_view name) {
  const TPropInfo& p = Need(instance, name);
  if (!IsOrdinal(p.kind)) InvalidType(p);
  return p.get_ord(instance);
}

void SetOrdProp(TObject* instance, std::string_view name, int64_t value) {
  const TPropInfo& p = Need(instance, name);
  if (!IsOrdinal(p.kind)) InvalidType(p);
  CheckedSetOrd(p, instance, value);
}

double GetFloatProp(const TObject* instance, std::string_view name) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkFloat) InvalidType(p);
  return p.get_float(instance);
}

void SetFloatProp(TObject* instance, std::string_view name, double value) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkFloat) InvalidType(p);
  p.set_float(instance, value);
}

std::string GetStrProp(const TObject* instance, std::string_view name) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkString) InvalidType(p);
  return p.get_str(instance);
}

void SetStrProp(TObject* instance, std::string_view name, const std::string& value) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkString) InvalidType(p);
  p.set_str(instance, value);
}

TObject* GetObjectProp(const TObject* instance, std::string_view name, TClass min_class) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkComponent && p.kind != tkClass) InvalidType(p);
  TObject* o = p.get_obj(instance);
  if (o && min_class && !o->InheritsFrom(min_class)) return nullptr;
  return o;
}

void SetObjectProp(TObject* instance, std::string_view name, TObject* value) {
  const TPropInfo& p = Need(instance, name);
  if ((p.kind != tkComponent && p.kind != tkClass) || !p.set_obj) InvalidType(p);
  if (value && p.ObjectClass() && !value->InheritsFrom(p.ObjectClass())) InvalidValue();
  p.set_obj(instance, value);
}

bool OrdToIdent(const TPropInfo& p, int64_t value, std::string& ident) {
  switch (p.kind) {
    case tkBoolean:
      ident = value ? "True" : "False";
      return true;
    case tkEnumeration:
      if (value < 0 || value >= static_cast<int64_t>(p.idents.size())) return false;
      ident = p.idents[value];
      return true;
    case tkInteger:
      return p.ident_map && p.ident_map->IntToIdent(value, ident);
    case tkColor:
      return (p.ident_map && p.ident_map->IntToIdent(value, ident)) ||
             published::ExtraColorIntToIdent(value, ident);
    default:
      return false;
  }
}

bool IdentToOrd(const TPropInfo& p, std::string_view ident, int64_t& value) {
  switch (p.kind) {
    case tkBoolean:
      if (SameText(ident, "True")) return value = 1, true;
      if (SameText(ident, "False")) return value = 0, true;
      return false;
    case tkEnumeration:
      for (size_t i = 0; i < p.idents.size(); ++i)
        if (SameText(p.idents[i], ident)) return value = static_cast<int64_t>(i), true;
      return false;
    case tkInteger:
      return p.ident_map && p.ident_map->IdentToInt(ident, value);
    case tkColor:
      return (p.ident_map && p.ident_map->IdentToInt(ident, value)) ||
             published::ExtraColorIdentToInt(ident, value);
    default:
      return false;
  }
}

std::string SetToString(const TPropInfo& p, int64_t bits, bool brackets) {
  std::string out;
  for (size_t i = 0; i < p.idents.size() && i < 64; ++i)
    if (static_cast<uint64_t>(bits) & (uint64_t{1} << i)) {
      if (!out.empty()) out += ',';
      out += p.idents[i];
    }
  return brackets ? "[" + out + "]" : out;
}

int64_t StringToSet(const TPropInfo& p, std::string_view text) {
  std::string s = Trim(text);
  if (!s.empty() && s.front() == '[') {
    if (s.back() != ']') InvalidValue();
    s = s.substr(1, s.size() - 2);
  }
  uint64_t bits = 0;
  size_t start = 0;
  while (start <= s.size()) {
    size_t comma = s.find(',', start);
    std::string ident = Trim(
        std::string_view(s).substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (!ident.empty()) {
      size_t i = 0;
      while (i < p.idents.size() && !SameText(p.idents[i], ident)) ++i;
      if (i == p.idents.size() || i >= 64) throw EPropertyError("Invalid property element: " + ident);
      bits |= uint64_t{1} << i;
    } else if (comma != std::string::npos) {
      InvalidValue();
    }
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return static_cast<int64_t>(bits);
}

std::string GetEnumProp(const TObject* instance, std::string_view name) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkEnumeration && p.kind != tkBoolean) InvalidType(p);
  std::string ident;
  if (!OrdToIdent(p, p.get_ord(instance), ident)) return IntToStr(p.get_ord(instance));
  return ident;
}

void SetEnumProp(TObject* instance, std::string_view name, std::string_view ident) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkEnumeration && p.kind != tkBoolean) InvalidType(p);
  int64_t v;
  if (!IdentToOrd(p, ident, v)) throw EPropertyError("Invalid property element: " + std::string(ident));
  p.set_ord(instance, v);
}

std::string GetSetProp(const TObject* instance, std::string_view name, bool brackets) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkSet) InvalidType(p);
  return SetToString(p, p.get_ord(instance), brackets);
}

void SetSetProp(TObject* instance, std::string_view name, std::string_view text) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkSet) InvalidType(p);
  CheckedSetOrd(p, instance, StringToSet(p, text));
}

std::string GetMethodProp(const TObject* instance, std::string_view name) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkMethod) InvalidType(p);
  return p.get_handler(instance);
}

void SetMethodProp(TObject* instance, std::string_view name, TObject* root, std::string_view handler) {
  const TPropInfo& p = Need(instance, name);
  if (p.kind != tkMethod) InvalidType(p);
  if (handler.empty() || SameText(handler, "nil")) {
    p.set_handler(instance, std::any());
    return;
  }
  const TMethodInfo* m = root ? root->ClassType()->FindMethod(handler) : nullptr;
  if (!m)
    throw EMethodNotFound("Method " + std::string(handler) + " not found in " +
                          (root ? root->ClassName() : std::string("nil")));
  if (m->signature != p.signature)
    throw EPropertyError("Method " + m->name + " does not match the event " + p.name);
  p.set_handler(instance, m->bind(root));
}

std::string GetPropValue(const TObject* instance, std::string_view name) {
  const TPropInfo& p = Need(instance, name);
  switch (p.kind) {
    case tkInteger:
    case tkColor:
    case tkBoolean:
    case tkEnumeration: {
      int64_t v = p.get_ord(instance);
      std::string ident;
      if (OrdToIdent(p, v, ident)) return ident;
      return IntToStr(v);
    }
    case tkSet:
      return SetToString(p, p.get_ord(instance), true);
    case tkFloat:
      return FloatToStr(p.get_float(instance));
    case tkString:
      return p.get_str(instance);
    case tkMethod:
      return p.get_handler(instance);
    case tkComponent: {
      TObject* o = p.get_obj(instance);
      auto* c = dynamic_cast<TComponent*>(o);
      return c ? c->Name() : std::string();
    }
    default:
      InvalidType(p);
  }
}

void SetPropValue(TObject* instance, std::string_view name, const std::string& value) {
  const TPropInfo& p = Need(instance, name);
  switch (p.kind) {
    case tkInteger:
    case tkColor:
    case tkBoolean:
    case tkEnumeration: {
      int64_t v;
      if (!IdentToOrd(p, Trim(value), v) && !TryStrToInt64(Trim(value), v)) InvalidValue();
      CheckedSetOrd(p, instance, v);
      return;
    }
    case tkSet:
      CheckedSetOrd(p, instance, StringToSet(p, value));
      return;
    case tkFloat:
      p.set_float(instance, StrToFloat(value));
      return;
    case tkString:
      p.set_str(instance, value);
      return;
    default:
      InvalidType(p);
  }
}

}  // namespace vcl
