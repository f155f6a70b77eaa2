#include "utility/qelWndProcHook.h"

#include <algorithm>

#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/TypInfo.h"

namespace utility {

namespace {
constexpr plat::WPARAM kMoveByMouse = 0xF012;

// Never destroyed: hook components on forms may outlive the unit's shut-down.
std::vector<TqelCustomWndProcHook*>& Hooks() {
  static auto* hooks = new std::vector<TqelCustomWndProcHook*>;
  return *hooks;
}
}  // namespace

const std::vector<TqelCustomWndProcHook*>& WndProcHookList() { return Hooks(); }

VCL_IMPLEMENT_CLASS(TqelCustomWndProcHook)

VCL_IMPLEMENT_CLASS(
    TqelWndProcHook, BoolProp("Active", &TqelWndProcHook::Active, &TqelWndProcHook::SetActive).Default(false),
    BoolProp("AutoDrag", &TqelWndProcHook::AutoDrag, &TqelWndProcHook::SetAutoDrag).Default(false),
    RefProp("WinControl", &TqelWndProcHook::WinControl, &TqelWndProcHook::SetWinControl),
    EventProp("OnChangeHandle", &TqelWndProcHook::OnChangeHandle),
    EventProp("OnChangeWinControl", &TqelWndProcHook::OnChangeWinControl),
    EventProp("OnMessageAfter", &TqelWndProcHook::OnMessageAfter),
    EventProp("OnMessageBefore", &TqelWndProcHook::OnMessageBefore))

TqelCustomWndProcHook::TqelCustomWndProcHook(vcl::TComponent* owner) : TqelComponent(owner) {
  Hooks().push_back(this);
}

TqelCustomWndProcHook::~TqelCustomWndProcHook() {
  if (active_) {
    active_ = false;
    Rebuild(installed_on_);
  }
  auto& hooks = Hooks();
  hooks.erase(std::remove(hooks.begin(), hooks.end(), this), hooks.end());
}

void TqelCustomWndProcHook::SetActive(bool value) {
  if (value == active_) return;
  // While read from a description the value is only stored; Loaded applies it.
  if (ComponentState().Contains(vcl::csLoading)) {
    active_ = value;
    return;
  }
  if (value)
    Activate();
  else
    Deactivate();
}

void TqelCustomWndProcHook::Loaded() {
  TqelComponent::Loaded();
  if (active_) {
    active_ = false;
    Activate();
  }
}

void TqelCustomWndProcHook::Activate() {
  if (ComponentState().Contains(vcl::csDesigning)) {
    active_ = true;
    return;
  }
  plat::HWND old = installed_on_;
  target_ = GetHandle();
  active_ = true;
  if (old && old != target_) Rebuild(old);
  Rebuild(target_);
}

void TqelCustomWndProcHook::Deactivate() {
  if (ComponentState().Contains(vcl::csDesigning)) {
    active_ = false;
    return;
  }
  active_ = false;
  target_ = nullptr;
  Rebuild(installed_on_);
}

void TqelCustomWndProcHook::Rebuild(plat::HWND hwnd) {
  if (!hwnd) return;
  auto& hooks = Hooks();
  for (TqelCustomWndProcHook* hook : hooks)
    if (hook->installed_on_ == hwnd) {
      plat::RemoveWindowSubclass(hwnd, &SubclassProc, reinterpret_cast<plat::UINT_PTR>(hook));
      hook->installed_on_ = nullptr;
    }
  if (!plat::IsWindow(hwnd)) return;
  // Oldest first: each joins in front of the last, so the newest sees first.
  for (TqelCustomWndProcHook* hook : hooks)
    if (hook->active_ && hook->target_ == hwnd) {
      plat::SetWindowSubclass(hwnd, &SubclassProc, reinterpret_cast<plat::UINT_PTR>(hook),
                              reinterpret_cast<plat::DWORD_PTR>(hook));
      hook->installed_on_ = hwnd;
    }
}

void TqelCustomWndProcHook::SetHandle(plat::HWND value) {
  if (value == handle_) return;
  bool was_active = active_;
  if (was_active) Deactivate();
  handle_ = value;
  if (was_active) Activate();
  if (OnChangeHandle) OnChangeHandle(this);
}

void TqelCustomWndProcHook::SetWinControl(vcl::TWinControl* value) {
  if (value == win_control_) return;
  bool was_active = active_ && !ComponentState().Contains(vcl::csLoading);
  if (was_active) Deactivate();
  if (win_control_ && win_control_ != Owner()) win_control_->RemoveFreeNotification(this);
  win_control_ = value;
  if (win_control_ && win_control_ != Owner()) win_control_->FreeNotification(this);
  if (was_active) Activate();
  if (OnChangeWinControl) OnChangeWinControl(this);
}

void TqelCustomWndProcHook::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TqelComponent::Notification(component, operation);
  if (operation != vcl::opRemove || component != win_control_) return;
  // The control asked for is gone: the hook stops rather than moving on to
  // the owner's window.
  if (active_) Deactivate();
  win_control_ = nullptr;
  if (OnChangeWinControl) OnChangeWinControl(this);
}

vcl::TWinControl* TqelCustomWndProcHook::GetWinControl() const {
  if (win_control_) return win_control_;
  return dynamic_cast<vcl::TWinControl*>(Owner());
}

plat::HWND TqelCustomWndProcHook::GetHandle() {
  if (handle_) return handle_;
  vcl::TWinControl* control = GetWinControl();
  if (!control) return nullptr;
  if (!control->HandleAllocated() && (control->ComponentState().Contains(vcl::csLoading) ||
                                      control->ComponentState().Contains(vcl::csDestroying)))
    return nullptr;
  return control->Handle();
}

void TqelCustomWndProcHook::WndProc(vcl::TMessage& message) {
  bool handled = false;
  if (OnMessageBefore) OnMessageBefore(this, message, handled);
  if (!handled) {
    if (auto_drag_ && message.Msg == plat::WM_LBUTTONDOWN && plat::IsWindow(calling_)) {
      plat::ReleaseCapture();
      plat::SendMessageA(calling_, plat::WM_SYSCOMMAND, kMoveByMouse, 0);
    } else if (calling_) {
      message.Result = plat::DefSubclassProc(calling_, message.Msg, message.WParam, message.LParam);
    }
  }
  if (OnMessageAfter) OnMessageAfter(this, message, handled);
}

plat::LRESULT TqelCustomWndProcHook::SubclassProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam,
                                                  plat::LPARAM lparam, plat::UINT_PTR,
                                                  plat::DWORD_PTR ref_data) {
  auto* self = reinterpret_cast<TqelCustomWndProcHook*>(ref_data);
  if (self->installed_on_ != hwnd) return plat::DefSubclassProc(hwnd, msg, wparam, lparam);
  vcl::TMessage message{msg, wparam, lparam, 0};
  // Kept for the call: a handler may switch the hook off meanwhile.
  plat::HWND outer = self->calling_;
  self->calling_ = hwnd;
  self->WndProc(message);
  self->calling_ = outer;
  // The window drops its chain after this message; nothing is left to remove.
  if (msg == plat::WM_NCDESTROY && self->installed_on_ == hwnd) self->installed_on_ = nullptr;
  return message.Result;
}

}  // namespace utility
