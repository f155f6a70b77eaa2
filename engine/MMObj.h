#pragma once
// Foundation of the audio component library: the change-notifying persistent
// object, the bevel description the visual controls own, the component
// bases, the library's message loader and cursors, and the device
// identifiers with their form-description identifiers.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/kernel/Types.h"
#include "platform/user/Window.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/SyncObjs.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclThread.h"

namespace engine {

// ---- Library messages ----

// String resource 28000 + n of the program; empty when it is missing.
std::string LoadLibraryMessage(uint16_t n);

// ---- Library cursors ----

constexpr int kLibraryCursorBase = 2000;
constexpr int kLibraryCursorCount = 31;  // numbered 2001..2031

// The cursor resource 2000 + n of the program; null while the program's
// resources hold no such cursor.
plat::HCURSOR LoadLibraryCursor(uint16_t n);
// Loads all 31 into the library's cursor table under 2000 + n, and into the
// screen's cursor table when the screen exists.
void LoadLibraryCursors();
// The table entry for cursor number 2001..2031: loaded and its handle.
struct TLibraryCursor {
  int number = 0;
  bool loaded = false;
  plat::HCURSOR handle = nullptr;
};
const std::array<TLibraryCursor, kLibraryCursorCount>& LibraryCursors();

// ---- Device identifiers ----

using TMMDeviceId = int32_t;
constexpr TMMDeviceId MapperId = -1;   // the platform's wave mapper
constexpr TMMDeviceId InvalidId = -2;  // no device

// "MapperId" / "InvalidId" (letter case ignored); false and id unchanged for
// anything else.
bool IdentToDeviceId(std::string_view ident, int32_t& id);
bool DeviceIdToIdent(int32_t id, std::string& ident);
// The identifier mapping a DeviceID property is published with:
//   IntProp("DeviceID", ...).Idents(DeviceIdIdents())
const vcl::TIdentMap& DeviceIdIdents();

// Unit start-up: the cursors.
void MMObjInitialize();

// ---- TMMObject ----

// Base of the components' persistent sub-objects. Writers call Changed; between
// BeginUpdate and EndUpdate those calls fire nothing, and the outermost pair
// fires OnChanging once and OnChange once.
class TMMObject : public vcl::TPersistent {
  VCL_DECLARE_CLASS(TMMObject, vcl::TPersistent)
 public:
  TMMObject() = default;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Fire OnChanging / OnChange when no update is open.
  virtual void Changing();
  virtual void Changed();

  vcl::TNotifyEvent OnChanging;
  vcl::TNotifyEvent OnChange;

 protected:
  // True: Changing; false: Changed.
  virtual void SetUpdateState(bool updating);

 private:
  int32_t update_count_ = 0;
};

// ---- TMMBevel ----

// Until the class library has its panel types, the bevel's own.
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TBorderStyle { bsNone, bsSingle };

// The border and bevel bands of a visual control, from the outside in:
// single border, outer bevel, border, inner bevel, border space.
class TMMBevel : public TMMObject {
  VCL_DECLARE_CLASS(TMMBevel, TMMObject)
 public:
  TMMBevel() = default;

  // Another bevel is copied within one update, so its owner sees one change.
  void Assign(const vcl::TPersistent* source) override;

  // The width the bands take on each side. A bvSpace bevel counts here
  // although painting neither draws nor reserves it.
  int BevelExtent() const;
  // Paints the bands from the outside in and returns the rectangle left
  // inside them. Without fill_border the border band is reserved, not painted.
  virtual plat::RECT Paint(vcl::TCanvas* canvas, const plat::RECT& rect, bool fill_border);

  TBevelCut BevelInner() const { return bevel_inner_; }
  void SetBevelInner(TBevelCut value);
  TBevelCut BevelOuter() const { return bevel_outer_; }
  void SetBevelOuter(TBevelCut value);
  int BevelInnerWidth() const { return bevel_inner_width_; }
  void SetBevelInnerWidth(int value);
  int BevelOuterWidth() const { return bevel_outer_width_; }
  void SetBevelOuterWidth(int value);
  TBorderStyle BorderStyle() const { return border_style_; }
  void SetBorderStyle(TBorderStyle value);
  int BorderWidth() const { return border_width_; }
  void SetBorderWidth(int value);
  int BorderSpace() const { return border_space_; }
  void SetBorderSpace(int value);
  vcl::TColor BorderColor() const { return border_color_; }
  void SetBorderColor(vcl::TColor value);
  vcl::TColor BorderSpaceColor() const { return border_space_color_; }
  void SetBorderSpaceColor(vcl::TColor value);
  vcl::TColor InnerLightColor() const { return inner_light_color_; }
  void SetInnerLightColor(vcl::TColor value);
  vcl::TColor InnerShadowColor() const { return inner_shadow_color_; }
  void SetInnerShadowColor(vcl::TColor value);
  vcl::TColor OuterLightColor() const { return outer_light_color_; }
  void SetOuterLightColor(vcl::TColor value);
  vcl::TColor OuterShadowColor() const { return outer_shadow_color_; }
  void SetOuterShadowColor(vcl::TColor value);

 private:
  template <class T>
  void Store(T& field, T value);

  TBevelCut bevel_inner_ = bvNone;
  TBevelCut bevel_outer_ = bvLowered;
  int bevel_inner_width_ = 1;
  int bevel_outer_width_ = 1;
  TBorderStyle border_style_ = bsNone;
  int border_width_ = 0;
  int border_space_ = 0;
  vcl::TColor border_color_ = vcl::clBtnFace;
  vcl::TColor border_space_color_ = vcl::clBlack;
  vcl::TColor inner_light_color_ = vcl::clBtnHighlight;
  vcl::TColor inner_shadow_color_ = vcl::clBtnShadow;
  vcl::TColor outer_light_color_ = vcl::clBtnHighlight;
  vcl::TColor outer_shadow_color_ = vcl::clBtnShadow;
};

// ---- Component bases ----

// Base of the library's components. Descendants override ChangeDesignMode,
// call it first and then start or stop their run-time work, so a component
// switches between design and run-time behaviour while the program runs.
class TMMComponent : public vcl::TComponent {
  VCL_DECLARE_CLASS(TMMComponent, vcl::TComponent)
 public:
  explicit TMMComponent(vcl::TComponent* owner) : vcl::TComponent(owner) {}

  bool DesignMode() const { return ComponentState().Contains(vcl::csDesigning); }
  // ChangeDesignMode only when value differs from the design state.
  virtual void SetDesignMode(bool value);
  // Sets the design state of this component and everything it owns.
  virtual void ChangeDesignMode(bool value);
};

// Base of the chain components and the other components without a window.
class TMMNonVisualComponent : public TMMComponent {
  VCL_DECLARE_CLASS(TMMNonVisualComponent, TMMComponent)
 public:
  explicit TMMNonVisualComponent(vcl::TComponent* owner) : TMMComponent(owner) {}
};

// ---- Lock and thread bases ----

// The lock of the plug-in stage: the class library's critical section.
class TMMCriticalSection : public vcl::TCriticalSection {
  VCL_DECLARE_CLASS(TMMCriticalSection, vcl::TCriticalSection)
 public:
  TMMCriticalSection() = default;
  void Acquire() override;
  void Release() override;
};

// Base of the device threads and the high-resolution timer's thread.
class TMMThreadEx : public vcl::TThread {
  VCL_DECLARE_CLASS(TMMThreadEx, vcl::TThread)
 public:
  explicit TMMThreadEx(bool create_suspended) : vcl::TThread(create_suspended) {}

  // The system priority a class-library priority maps to, idle -15 to
  // time-critical 15.
  static int SystemPriority(vcl::TThreadPriority priority);
  // Sets the mapped value on the thread's handle; safe from any thread.
  void SetPriority(vcl::TThreadPriority priority);
};

}  // namespace engine
