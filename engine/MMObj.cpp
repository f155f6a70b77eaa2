#include "engine/MMObj.h"

#include <vector>

#include "engine/MMUtils.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/Threads.h"
#include "platform/user/Cursor.h"
#include "platform/vcl/Forms.h"

namespace engine {

// ---- Library messages ----

std::string LoadLibraryMessage(uint16_t n) {
  // The longest library message is far below this; LoadStringA cuts whole characters.
  std::vector<char> buffer(1024);
  const int length = plat::LoadStringA(nullptr, 28000u + n, buffer.data(), static_cast<int>(buffer.size()));
  return length > 0 ? std::string(buffer.data(), static_cast<size_t>(length)) : std::string();
}

// ---- Library cursors ----

namespace {
std::array<TLibraryCursor, kLibraryCursorCount>& CursorTable() {
  static std::array<TLibraryCursor, kLibraryCursorCount> table = [] {
    std::array<TLibraryCursor, kLibraryCursorCount> t{};
    for (int i = 0; i < kLibraryCursorCount; ++i) t[i].number = kLibraryCursorBase + 1 + i;
    return t;
  }();
  return table;
}
}  // namespace

plat::HCURSOR LoadLibraryCursor(uint16_t n) {
  return plat::LoadCursorA(plat::GetModuleHandleA(nullptr),
                           plat::MAKEINTRESOURCEA(static_cast<plat::WORD>(kLibraryCursorBase + n)));
}

void LoadLibraryCursors() {
  for (TLibraryCursor& c : CursorTable()) {
    c.handle = LoadLibraryCursor(static_cast<uint16_t>(c.number - kLibraryCursorBase));
    c.loaded = true;
    // Controls name them by number through the screen's table (Cursor = 2005).
    if (vcl::Screen) vcl::Screen->SetCursors(c.number, c.handle);
  }
}

const std::array<TLibraryCursor, kLibraryCursorCount>& LibraryCursors() { return CursorTable(); }

// ---- Device identifiers ----

const vcl::TIdentMap& DeviceIdIdents() {
  static const vcl::TIdentMap map{{InvalidId, "InvalidId"}, {MapperId, "MapperId"}};
  return map;
}

bool IdentToDeviceId(std::string_view ident, int32_t& id) {
  int64_t value = 0;
  if (!DeviceIdIdents().IdentToInt(ident, value)) return false;
  id = static_cast<int32_t>(value);
  return true;
}

bool DeviceIdToIdent(int32_t id, std::string& ident) { return DeviceIdIdents().IntToIdent(id, ident); }

void MMObjInitialize() { LoadLibraryCursors(); }

// ---- TMMObject ----

VCL_IMPLEMENT_CLASS(TMMObject)

void TMMObject::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TMMObject::EndUpdate() {
  // An unmatched EndUpdate must not drive the count negative and silence
  // every later change.
  if (update_count_ <= 0) return;
  --update_count_;
  if (update_count_ == 0) SetUpdateState(false);
}

void TMMObject::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TMMObject::Changing() {
  if (update_count_ == 0 && OnChanging) OnChanging(this);
}

void TMMObject::Changed() {
  if (update_count_ == 0 && OnChange) OnChange(this);
}

// ---- TMMBevel ----

// Every property is always written: stored descriptions rely on finding them all.
VCL_IMPLEMENT_CLASS(
    TMMBevel,
    EnumProp("BevelInner", &TMMBevel::BevelInner, &TMMBevel::SetBevelInner,
             {"bvNone", "bvLowered", "bvRaised", "bvSpace"}),
    EnumProp("BevelOuter", &TMMBevel::BevelOuter, &TMMBevel::SetBevelOuter,
             {"bvNone", "bvLowered", "bvRaised", "bvSpace"}),
    IntProp("BevelInnerWidth", &TMMBevel::BevelInnerWidth, &TMMBevel::SetBevelInnerWidth),
    IntProp("BevelOuterWidth", &TMMBevel::BevelOuterWidth, &TMMBevel::SetBevelOuterWidth),
    EnumProp("BorderStyle", &TMMBevel::BorderStyle, &TMMBevel::SetBorderStyle, {"bsNone", "bsSingle"}),
    IntProp("BorderWidth", &TMMBevel::BorderWidth, &TMMBevel::SetBorderWidth),
    IntProp("BorderSpace", &TMMBevel::BorderSpace, &TMMBevel::SetBorderSpace),
    ColorProp("BorderColor", &TMMBevel::BorderColor, &TMMBevel::SetBorderColor),
    ColorProp("BorderSpaceColor", &TMMBevel::BorderSpaceColor, &TMMBevel::SetBorderSpaceColor),
    ColorProp("InnerLightColor", &TMMBevel::InnerLightColor, &TMMBevel::SetInnerLightColor),
    ColorProp("InnerShadowColor", &TMMBevel::InnerShadowColor, &TMMBevel::SetInnerShadowColor),
    ColorProp("OuterLightColor", &TMMBevel::OuterLightColor, &TMMBevel::SetOuterLightColor),
    ColorProp("OuterShadowColor", &TMMBevel::OuterShadowColor, &TMMBevel::SetOuterShadowColor))

template <class T>
void TMMBevel::Store(T& field, T value) {
  if (field == value) return;
  field = value;
  Changed();
}

void TMMBevel::SetBevelInner(TBevelCut value) { Store(bevel_inner_, value); }
void TMMBevel::SetBevelOuter(TBevelCut value) { Store(bevel_outer_, value); }
void TMMBevel::SetBevelInnerWidth(int value) { Store(bevel_inner_width_, value); }
void TMMBevel::SetBevelOuterWidth(int value) { Store(bevel_outer_width_, value); }
void TMMBevel::SetBorderStyle(TBorderStyle value) { Store(border_style_, value); }
void TMMBevel::SetBorderWidth(int value) { Store(border_width_, value); }
void TMMBevel::SetBorderSpace(int value) { Store(border_space_, value); }
void TMMBevel::SetBorderColor(vcl::TColor value) { Store(border_color_, value); }
void TMMBevel::SetBorderSpaceColor(vcl::TColor value) { Store(border_space_color_, value); }
void TMMBevel::SetInnerLightColor(vcl::TColor value) { Store(inner_light_color_, value); }
void TMMBevel::SetInnerShadowColor(vcl::TColor value) { Store(inner_shadow_color_, value); }
void TMMBevel::SetOuterLightColor(vcl::TColor value) { Store(outer_light_color_, value); }
void TMMBevel::SetOuterShadowColor(vcl::TColor value) { Store(outer_shadow_color_, value); }

void TMMBevel::Assign(const vcl::TPersistent* source) {
  const auto* other = dynamic_cast<const TMMBevel*>(source);
  if (!other) {
    inherited::Assign(source);
    return;
  }
  if (other == this) return;
  BeginUpdate();
  try {
    SetBevelInner(other->BevelInner());
    SetBevelOuter(other->BevelOuter());
    SetBevelInnerWidth(other->BevelInnerWidth());
    SetBevelOuterWidth(other->BevelOuterWidth());
    SetBorderStyle(other->BorderStyle());
    SetBorderWidth(other->BorderWidth());
    SetBorderSpace(other->BorderSpace());
    SetBorderColor(other->BorderColor());
    SetBorderSpaceColor(other->BorderSpaceColor());
    SetOuterLightColor(other->OuterLightColor());
    SetOuterShadowColor(other->OuterShadowColor());
    SetInnerLightColor(other->InnerLightColor());
    SetInnerShadowColor(other->InnerShadowColor());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TMMBevel::BevelExtent() const {
  int extent = border_width_ + border_space_;
  if (bevel_outer_ != bvNone) extent += bevel_outer_width_;
  if (bevel_inner_ != bvNone) extent += bevel_inner_width_;
  if (border_style_ != bsNone) extent += 1;
  return extent;
}

plat::RECT TMMBevel::Paint(vcl::TCanvas* canvas, const plat::RECT& rect, bool fill_border) {
  plat::RECT r = rect;
  auto band = [&](vcl::TColor top_left, vcl::TColor bottom_right, int width) {
    if (width > 0) vcl::Frame3D(canvas, r, top_left, bottom_right, width);
  };
  auto bevel = [&](TBevelCut cut, vcl::TColor light, vcl::TColor shadow, int width) {
    // bvSpace neither paints nor reserves its band.
    if (cut == bvLowered) band(shadow, light, width);
    if (cut == bvRaised) band(light, shadow, width);
  };
  if (border_style_ == bsSingle) band(vcl::clWindowFrame, vcl::clWindowFrame, 1);
  bevel(bevel_outer_, outer_light_color_, outer_shadow_color_, bevel_outer_width_);
  if (fill_border) {
    band(border_color_, border_color_, border_width_);
  } else if (border_width_ > 0) {
    r.left += border_width_;
    r.top += border_width_;
    r.right -= border_width_;
    r.bottom -= border_width_;
  }
  bevel(bevel_inner_, inner_light_color_, inner_shadow_color_, bevel_inner_width_);
  band(border_space_color_, border_space_color_, border_space_);
  return r;
}

// ---- Component bases ----

VCL_IMPLEMENT_CLASS(TMMComponent)

void TMMComponent::SetDesignMode(bool value) {
  if (value != DesignMode()) ChangeDesignMode(value);
}

void TMMComponent::ChangeDesignMode(bool value) { SetDesigning(value, true); }

VCL_IMPLEMENT_CLASS(TMMNonVisualComponent)

// ---- Lock and thread bases ----

VCL_IMPLEMENT_CLASS(TMMCriticalSection)

void TMMCriticalSection::Acquire() { inherited::Acquire(); }

void TMMCriticalSection::Release() { inherited::Release(); }

VCL_IMPLEMENT_CLASS(TMMThreadEx)

int TMMThreadEx::SystemPriority(vcl::TThreadPriority priority) {
  static constexpr int kPriorities[] = {plat::THREAD_PRIORITY_IDLE,         plat::THREAD_PRIORITY_LOWEST,
                                        plat::THREAD_PRIORITY_BELOW_NORMAL, plat::THREAD_PRIORITY_NORMAL,
                                        plat::THREAD_PRIORITY_ABOVE_NORMAL, plat::THREAD_PRIORITY_HIGHEST,
                                        plat::THREAD_PRIORITY_TIME_CRITICAL};
  const int index = static_cast<int>(priority);
  return index >= 0 && index < 7 ? kPriorities[index] : plat::THREAD_PRIORITY_NORMAL;
}

void TMMThreadEx::SetPriority(vcl::TThreadPriority priority) {
  SetThreadPriorityBool(Handle(), SystemPriority(priority));
}

}  // namespace engine
