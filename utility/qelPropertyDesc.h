#pragma once
// Descriptors: small persistent objects that group the look of a control (a
// text decoration, a colour decoration, and four-state sets that follow the
// control's run-time state). A descriptor tells its control through a change
// procedure, then its OnChange. Assign copies values only: never the owner
// or the callbacks of the source, and ends with one notice of its own.
#include <array>
#include <functional>
#include <memory>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

namespace utility {

enum TqelRunTimeState : uint8_t { rtsNormal, rtsSelected, rtsActive, rtsDisabled };

using TqelChangeProc = std::function<void()>;

class TqelPropertyDesc : public vcl::TPersistent {
  VCL_DECLARE_CLASS(TqelPropertyDesc, vcl::TPersistent)
 public:
  TqelPropertyDesc(vcl::TPersistent* owner, TqelChangeProc change);

  vcl::TPersistent* Owner() const { return owner_; }
  // Nothing for the descriptor itself; EConvertError for other kinds of object.
  void Assign(const vcl::TPersistent* source) override;
  const vcl::TNotifyEvent& OnChange() const { return on_change_; }
  virtual void SetOnChange(vcl::TNotifyEvent value) { on_change_ = std::move(value); }
  // The change procedure, then OnChange; silent while a set copies values.
  void Changed();

 protected:
  // Copies the values of a source of this class, without notices.
  virtual void CopyValues(const TqelPropertyDesc& source);
  // For sets, which copy into their parts without the parts' notices.
  static void CopyInto(TqelPropertyDesc& dest, const TqelPropertyDesc& source) { dest.CopyValues(source); }

 private:
  vcl::TPersistent* owner_;
  TqelChangeProc change_;
  vcl::TNotifyEvent on_change_;
};

class TqelTextDecorationDesc : public TqelPropertyDesc {
  VCL_DECLARE_CLASS(TqelTextDecorationDesc, TqelPropertyDesc)
 public:
  TqelTextDecorationDesc(vcl::TPersistent* owner, TqelChangeProc change, vcl::TColor color = vcl::clBlack,
                         vcl::TFontStyles style = {});
  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor value);
  vcl::TFontStyles Style() const { return style_; }
  void SetStyle(vcl::TFontStyles value);

 protected:
  void CopyValues(const TqelPropertyDesc& source) override;

 private:
  vcl::TColor color_;
  vcl::TFontStyles style_;
};

class TqelColorDecorationDesc : public TqelPropertyDesc {
  VCL_DECLARE_CLASS(TqelColorDecorationDesc, TqelPropertyDesc)
 public:
  TqelColorDecorationDesc(vcl::TPersistent* owner, TqelChangeProc change, vcl::TColor color = vcl::clWhite,
                          bool visible = true);
  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);

 protected:
  void CopyValues(const TqelPropertyDesc& source) override;

 private:
  vcl::TColor color_;
  bool visible_;
};

class TqelRunTimeDesc : public TqelPropertyDesc {
  VCL_DECLARE_CLASS(TqelRunTimeDesc, TqelPropertyDesc)
 public:
  using TqelPropertyDesc::TqelPropertyDesc;
  TqelRunTimeState State() const { return state_; }
  void SetState(TqelRunTimeState value);
  bool NormalOnly() const { return normal_only_; }
  void SetNormalOnly(bool value);
  // The entry that counts now: Normal with NormalOnly, else the state's.
  int CurrentIndex() const { return normal_only_ ? rtsNormal : state_; }

 protected:
  void CopyValues(const TqelPropertyDesc& source) override;

 private:
  TqelRunTimeState state_ = rtsNormal;
  bool normal_only_ = false;
};

// Four values of one type, one per state.
template <class V>
class TqelRunTimeValues : public TqelRunTimeDesc {
 public:
  TqelRunTimeValues(vcl::TPersistent* owner, TqelChangeProc change, V normal, V selected, V active,
                    V disabled)
      : TqelRunTimeDesc(owner, std::move(change)), values_{normal, selected, active, disabled} {}
  V Normal() const { return values_[rtsNormal]; }
  void SetNormal(V value) { Set(rtsNormal, value); }
  V Selected() const { return values_[rtsSelected]; }
  void SetSelected(V value) { Set(rtsSelected, value); }
  V Active() const { return values_[rtsActive]; }
  void SetActive(V value) { Set(rtsActive, value); }
  V Disabled() const { return values_[rtsDisabled]; }
  void SetDisabled(V value) { Set(rtsDisabled, value); }
  V Current() const { return values_[CurrentIndex()]; }

 protected:
  void CopyValues(const TqelPropertyDesc& source) override {
    if (auto* s = dynamic_cast<const TqelRunTimeValues*>(&source)) values_ = s->values_;
    TqelRunTimeDesc::CopyValues(source);
  }

 private:
  void Set(int index, V value) {
    if (values_[index] == value) return;
    values_[index] = value;
    Changed();
  }
  std::array<V, 4> values_;
};

class TqelRunTimeColorDesc : public TqelRunTimeValues<vcl::TColor> {
  VCL_DECLARE_CLASS(TqelRunTimeColorDesc, TqelRunTimeDesc)
 public:
  using TqelRunTimeValues::TqelRunTimeValues;
};

class TqelRunTimeCursorDesc : public TqelRunTimeValues<vcl::TCursor> {
  VCL_DECLARE_CLASS(TqelRunTimeCursorDesc, TqelRunTimeDesc)
 public:
  using TqelRunTimeValues::TqelRunTimeValues;
};

// Four owned descriptors, one per state.
template <class D>
class TqelRunTimeParts : public TqelRunTimeDesc {
 public:
  TqelRunTimeParts(vcl::TPersistent* owner, TqelChangeProc change) : TqelRunTimeDesc(owner, change) {
    for (auto& part : parts_) part = std::make_unique<D>(this, change);
  }
  D* Normal() const { return parts_[rtsNormal].get(); }
  void SetNormal(D* value) { Set(rtsNormal, value); }
  D* Selected() const { return parts_[rtsSelected].get(); }
  void SetSelected(D* value) { Set(rtsSelected, value); }
  D* Active() const { return parts_[rtsActive].get(); }
  void SetActive(D* value) { Set(rtsActive, value); }
  D* Disabled() const { return parts_[rtsDisabled].get(); }
  void SetDisabled(D* value) { Set(rtsDisabled, value); }
  D* Current() const { return parts_[CurrentIndex()].get(); }
  void SetOnChange(vcl::TNotifyEvent value) override {
    for (auto& part : parts_) part->SetOnChange(value);
    TqelRunTimeDesc::SetOnChange(std::move(value));
  }

 protected:
  void CopyValues(const TqelPropertyDesc& source) override {
    if (auto* s = dynamic_cast<const TqelRunTimeParts*>(&source))
      for (int i = 0; i < 4; ++i) CopyInto(*parts_[i], *s->parts_[i]);
    TqelRunTimeDesc::CopyValues(source);
  }

 private:
  // One notice for the set, none from the part.
  void Set(int index, D* value) {
    if (!value || value == parts_[index].get()) return;
    CopyInto(*parts_[index], *value);
    Changed();
  }
  std::unique_ptr<D> parts_[4];
};

class TqelRunTimeTextDecorationDesc : public TqelRunTimeParts<TqelTextDecorationDesc> {
  VCL_DECLARE_CLASS(TqelRunTimeTextDecorationDesc, TqelRunTimeDesc)
 public:
  using TqelRunTimeParts::TqelRunTimeParts;
};

class TqelRunTimeColorDecorationDesc : public TqelRunTimeParts<TqelColorDecorationDesc> {
  VCL_DECLARE_CLASS(TqelRunTimeColorDecorationDesc, TqelRunTimeDesc)
 public:
  using TqelRunTimeParts::TqelRunTimeParts;
  int SizeX() const { return size_x_; }
  void SetSizeX(int value);
  int SizeY() const { return size_y_; }
  void SetSizeY(int value);

 protected:
  void CopyValues(const TqelPropertyDesc& source) override;

 private:
  int size_x_ = 1;
  int size_y_ = 1;
};

// The types of the active label's properties.
class TqelActiveLabelColors : public TqelRunTimeColorDesc {
  VCL_DECLARE_CLASS(TqelActiveLabelColors, TqelRunTimeColorDesc)
 public:
  using TqelRunTimeColorDesc::TqelRunTimeColorDesc;
};
class TqelActiveLabelCursors : public TqelRunTimeCursorDesc {
  VCL_DECLARE_CLASS(TqelActiveLabelCursors, TqelRunTimeCursorDesc)
 public:
  using TqelRunTimeCursorDesc::TqelRunTimeCursorDesc;
};
class TqelActiveLabelTextDecorations : public TqelRunTimeTextDecorationDesc {
  VCL_DECLARE_CLASS(TqelActiveLabelTextDecorations, TqelRunTimeTextDecorationDesc)
 public:
  using TqelRunTimeTextDecorationDesc::TqelRunTimeTextDecorationDesc;
};
class TqelActiveLabelColorDecorations : public TqelRunTimeColorDecorationDesc {
  VCL_DECLARE_CLASS(TqelActiveLabelColorDecorations, TqelRunTimeColorDecorationDesc)
 public:
  using TqelRunTimeColorDecorationDesc::TqelRunTimeColorDecorationDesc;
};

}  // namespace utility
