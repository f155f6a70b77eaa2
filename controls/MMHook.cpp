#include "controls/MMHook.h"

#include <algorithm>

#include "platform/user/Subclass.h"

namespace controls {

namespace {
std::vector<TMMWndProcComponent*> hook_list;
}  // namespace

const std::vector<TMMWndProcComponent*>& HookList() { return hook_list; }

VCL_IMPLEMENT_CLASS(TMMWndProcComponent)

TMMWndProcComponent::TMMWndProcComponent(vcl::TComponent* owner) : TMMNonVisualComponent(owner) {
  form_ = dynamic_cast<vcl::TCustomForm*>(owner);
  if (!form_) throw EMMHookError("Owner must be a Form");
}

TMMWndProcComponent::~TMMWndProcComponent() { TMMWndProcComponent::Unhook(); }

void TMMWndProcComponent::Hook() {
  if (hooked_) return;
  if (form_) handle_ = form_->Handle();
  if (!handle_) return;
  plat::SetWindowSubclass(handle_, &SubclassProc, reinterpret_cast<plat::UINT_PTR>(this),
                          reinterpret_cast<plat::DWORD_PTR>(this));
  hook_list.push_back(this);
  hooked_ = true;
}

void TMMWndProcComponent::Unhook() {
  if (!hooked_) return;
  hooked_ = false;
  if (!handle_) return;
  hook_list.erase(std::remove(hook_list.begin(), hook_list.end(), this), hook_list.end());
  // The chain closes over the leaving member, whoever joined above or below
  // it. A window already gone has dropped its chain.
  plat::RemoveWindowSubclass(handle_, &SubclassProc, reinterpret_cast<plat::UINT_PTR>(this));
  if (form_) handle_ = nullptr;
}

void TMMWndProcComponent::WndProc(vcl::TMessage& message) {
  message.Result = CallDefault(message.Msg, message.WParam, message.LParam);
}

plat::LRESULT TMMWndProcComponent::CallDefault(plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (!hooked_) return 0;
  return plat::DefSubclassProc(handle_, msg, wparam, lparam);
}

plat::LRESULT TMMWndProcComponent::SubclassProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam,
                                                plat::LPARAM lparam, plat::UINT_PTR,
                                                plat::DWORD_PTR ref_data) {
  auto* self = reinterpret_cast<TMMWndProcComponent*>(ref_data);
  if (!self->hooked_) return plat::DefSubclassProc(hwnd, msg, wparam, lparam);
  vcl::TMessage message{msg, wparam, lparam, 0};
  self->WndProc(message);
  if (msg == plat::WM_NCDESTROY) {
    // The window drops its chain after this message: nothing is left to leave.
    hook_list.erase(std::remove(hook_list.begin(), hook_list.end(), self), hook_list.end());
    self->hooked_ = false;
    if (self->form_) self->handle_ = nullptr;
  }
  return message.Result;
}

}  // namespace controls
