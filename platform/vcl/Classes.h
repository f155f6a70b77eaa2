#pragma once
// The component model: TObject with its class entry, TPersistent, TComponent
// (ownership, names, free notification, states), the class registry and the
// class library's filing exceptions. Property tables live in TypInfo.h.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/vcl/SysUtils.h"

namespace vcl {

class TObject;
class TPersistent;
class TComponent;
class TClassEntry;
class TFiler;
class TReader;
class TWriter;

// A class reference: the class entry of a class (name, parent, factory, tables).
using TClass = const TClassEntry*;

// A set of enumeration values (up to 64), as the class library's "set of".
template <class E>
class TSet {
 public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) bits_ |= Bit(e);
  }
  static constexpr TSet FromBits(uint64_t bits) {
    TSet s;
    s.bits_ = bits;
    return s;
  }
  constexpr uint64_t Bits() const { return bits_; }
  constexpr bool Contains(E e) const { return (bits_ & Bit(e)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TSet& Include(E e) {
    bits_ |= Bit(e);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    bits_ &= ~Bit(e);
    return *this;
  }
  friend constexpr TSet operator+(TSet a, TSet b) { return FromBits(a.bits_ | b.bits_); }
  friend constexpr TSet operator-(TSet a, TSet b) { return FromBits(a.bits_ & ~b.bits_); }
  friend constexpr TSet operator*(TSet a, TSet b) { return FromBits(a.bits_ & b.bits_); }
  friend constexpr bool operator==(TSet a, TSet b) { return a.bits_ == b.bits_; }

 private:
  static constexpr uint64_t Bit(E e) { return uint64_t{1} << static_cast<unsigned>(e); }
  uint64_t bits_ = 0;
};

// Declares the class entry of a class inside its body; the matching
// VCL_IMPLEMENT_CLASS (TypInfo.h) goes in the class's source file.
#define VCL_DECLARE_CLASS(Class, Parent)                                    \
 public:                                                                    \
  using inherited = Parent;                                                 \
  static ::vcl::TClass StaticClass();                                       \
  ::vcl::TClass ClassType() const override { return Class::StaticClass(); } \
                                                                            \
 private:

// Root of every class of the library.
class TObject {
 public:
  TObject() = default;
  virtual ~TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;

  static TClass StaticClass();
  virtual TClass ClassType() const { return StaticClass(); }
  const std::string& ClassName() const;
  bool InheritsFrom(TClass cls) const;
};

// An object that can be assigned from another and filed in form descriptions.
class TPersistent : public TObject {
  VCL_DECLARE_CLASS(TPersistent, TObject)
 public:
  // Copies Source; an unsupported pair raises EConvertError.
  virtual void Assign(const TPersistent* source);
  // Extra properties filed outside the property table (binary blocks, lists).
  virtual void DefineProperties(TFiler& filer);

 protected:
  virtual void AssignTo(TPersistent* dest) const;
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

enum TComponentStateFlag {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateFlag>;

enum TOperation { opInsert, opRemove };

// A named object with an owner. The owner frees what it owns; links between
// components are cleared through Notification when their target goes away.
class TComponent : public TPersistent {
  VCL_DECLARE_CLASS(TComponent, TPersistent)
 public:
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return owner_; }
  int ComponentCount() const { return static_cast<int>(components_.size()); }
  TComponent* Components(int index) const;
  int ComponentIndex() const;
  // By name, without regard to letter case; nullptr when there is none.
  TComponent* FindComponent(std::string_view name) const;
  void InsertComponent(TComponent* component);
  void RemoveComponent(TComponent* component);
  void DestroyComponents();

  const std::string& Name() const { return name_; }
  // A valid identifier (or empty), unique among the owner's components.
  virtual void SetName(const std::string& name);
  int Tag() const { return tag_; }
  void SetTag(int tag);

  TComponentState ComponentState() const { return state_; }

  // `component` is told (opRemove) when this one is destroyed, and the other way round.
  void FreeNotification(TComponent* component);
  void RemoveFreeNotification(TComponent* component);

  // Marks this component and everything it owns as being destroyed.
  void Destroying();
  void SetDesigning(bool value, bool set_children = true);

  // The hierarchy a form description nests objects by; components without a
  // parent are written as direct children of the root.
  virtual bool HasParent() const { return false; }
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual void SetParentComponent(TComponent* parent);
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);

  // Called once a form description and its references have been read.
  virtual void Loaded();

 protected:
  virtual void Notification(TComponent* component, TOperation operation);
  virtual void ValidateRename(TComponent* component, const std::string& current, const std::string& next);
  void SetComponentState(TComponentState state) { state_ = state; }

 private:
  friend class TReader;
  friend class TWriter;
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void ChangeName(const std::string& name);
  void RemoveFreeNotifications();

  TComponent* owner_ = nullptr;
  std::vector<TComponent*> components_;
  // Owned components by lower-case name, so names stay unique and lookups cheap.
  std::unordered_map<std::string, TComponent*> names_;
  std::vector<TComponent*> free_notifies_;
  std::string name_;
  int tag_ = 0;
  TComponentState state_;
};

// Class registry by name (letter case ignored).
void RegisterClass(TClass cls);
void RegisterClasses(std::initializer_list<TClass> classes);
void UnRegisterClass(TClass cls);
TClass GetClass(std::string_view name);   // nullptr when unknown
TClass FindClass(std::string_view name);  // EClassNotFound when unknown

VCL_DECLARE_EXCEPTION(EListError, Exception);
VCL_DECLARE_EXCEPTION(EStringListError, Exception);
VCL_DECLARE_EXCEPTION(EBitsError, Exception);
VCL_DECLARE_EXCEPTION(EComponentError, Exception);
VCL_DECLARE_EXCEPTION(EPropertyError, Exception);
VCL_DECLARE_EXCEPTION(EStreamError, Exception);
VCL_DECLARE_EXCEPTION(EFCreateError, EStreamError);
VCL_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VCL_DECLARE_EXCEPTION(EFilerError, EStreamError);
VCL_DECLARE_EXCEPTION(EWriteError, EFilerError);
VCL_DECLARE_EXCEPTION(EClassNotFound, EFilerError);
VCL_DECLARE_EXCEPTION(EMethodNotFound, EFilerError);
VCL_DECLARE_EXCEPTION(EInvalidImage, EFilerError);

// A form description that cannot be read. Line() is the line it failed on (0: unknown).
class EReadError : public EFilerError {
 public:
  using EFilerError::EFilerError;
  EReadError(std::string message, int line) : EFilerError(std::move(message)), line_(line) {}
  int Line() const { return line_; }

 private:
  int line_ = 0;
};

// Bad syntax in a form description.
class EParserError : public EReadError {
 public:
  using EReadError::EReadError;
};

}  // namespace vcl
