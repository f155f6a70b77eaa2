#pragma once
// A component whose handlers see every message of one window before and
// after the window does. Hooks join the window's subclass chain; on every
// change the chain entries of all hooks of that window are laid again in
// creation order, so the newest hook sees a message first, any hook may be
// switched off in any order, and other code that subclasses the window is
// never cut out.
#include <functional>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/user/Subclass.h"
#include "platform/user/Window.h"
#include "platform/vcl/Controls.h"
#include "utility/qelComponents.h"

namespace utility {

using TqelMessageEvent = std::function<void(vcl::TObject* sender, vcl::TMessage& msg, bool& handled)>;

class TqelCustomWndProcHook : public TqelComponent {
  VCL_DECLARE_CLASS(TqelCustomWndProcHook, TqelComponent)
 public:
  explicit TqelCustomWndProcHook(vcl::TComponent* owner);
  ~TqelCustomWndProcHook() override;

  bool Active() const { return active_; }
  virtual void SetActive(bool value);
  bool AutoDrag() const { return auto_drag_; }
  void SetAutoDrag(bool value) { auto_drag_ = value; }
  // A window set directly; null for none.
  plat::HWND Handle() const { return handle_; }
  virtual void SetHandle(plat::HWND value);
  // The control set directly; the hook uses the owner when none is set.
  vcl::TWinControl* WinControl() const { return win_control_; }
  virtual void SetWinControl(vcl::TWinControl* value);

  virtual void Activate();
  virtual void Deactivate();
  // The window hooked now, or null.
  plat::HWND HookedWindow() const { return installed_on_; }

  void Loaded() override;

  vcl::TNotifyEvent OnChangeHandle;
  vcl::TNotifyEvent OnChangeWinControl;
  TqelMessageEvent OnMessageBefore;
  TqelMessageEvent OnMessageAfter;

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  virtual void WndProc(vcl::TMessage& message);
  // Handle when set, else the control's window (made when needed); null
  // while there is none or the control is being read or destroyed.
  virtual plat::HWND GetHandle();
  virtual vcl::TWinControl* GetWinControl() const;

 private:
  static plat::LRESULT SubclassProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam,
                                    plat::UINT_PTR id, plat::DWORD_PTR ref_data);
  static void Rebuild(plat::HWND hwnd);

  bool active_ = false;
  bool auto_drag_ = false;
  plat::HWND handle_ = nullptr;
  vcl::TWinControl* win_control_ = nullptr;
  plat::HWND target_ = nullptr;        // the window this hook wants while active
  plat::HWND installed_on_ = nullptr;  // the window its chain entry is on
  plat::HWND calling_ = nullptr;       // the window of the message being handled
};

class TqelWndProcHook : public TqelCustomWndProcHook {
  VCL_DECLARE_CLASS(TqelWndProcHook, TqelCustomWndProcHook)
 public:
  using TqelCustomWndProcHook::TqelCustomWndProcHook;
};

// Every hook component in creation order.
const std::vector<TqelCustomWndProcHook*>& WndProcHookList();

}  // namespace utility
