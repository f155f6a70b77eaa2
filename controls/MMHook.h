#pragma once
// A component that sees every message of the form that owns it before the
// form's own procedure does. It joins the window's subclass chain, so several
// such components, and any other code that subclasses the form, stack in the
// order they joined and may leave in any order without cutting one another
// out.
#include <vector>

#include "engine/MMObj.h"
#include "platform/user/Subclass.h"
#include "platform/user/Window.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Forms.h"

namespace controls {

class EMMHookError : public vcl::Exception {
 public:
  using Exception::Exception;
};

class TMMWndProcComponent : public engine::TMMNonVisualComponent {
  VCL_DECLARE_CLASS(TMMWndProcComponent, engine::TMMNonVisualComponent)
 public:
  // EMMHookError "Owner must be a Form" unless owner is a form.
  explicit TMMWndProcComponent(vcl::TComponent* owner);
  ~TMMWndProcComponent() override;

  // Joins the form's chain (creating its window if need be); nothing when
  // already hooked or when the form has no window.
  virtual void Hook();
  // Leaves the chain; nothing when not hooked.
  virtual void Unhook();

  bool Hooked() const { return hooked_; }
  plat::HWND Handle() const { return handle_; }
  vcl::TCustomForm* Form() const { return form_; }

 protected:
  // Every message of the hooked window. The base passes it on.
  virtual void WndProc(vcl::TMessage& message);
  // The next member of the chain below this one, down to the form's own
  // procedure; 0 while not hooked.
  virtual plat::LRESULT CallDefault(plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam);

 private:
  static plat::LRESULT SubclassProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam,
                                    plat::UINT_PTR id, plat::DWORD_PTR ref_data);

  plat::HWND handle_ = nullptr;
  vcl::TCustomForm* form_ = nullptr;
  bool hooked_ = false;
};

// The components hooked at the moment, on any window, in the order they hooked.
const std::vector<TMMWndProcComponent*>& HookList();

}  // namespace controls
