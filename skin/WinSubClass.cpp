#include "skin/WinSubClass.h"

#include <algorithm>
#include <cassert>

#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Subclass.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "skin/SkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

bool Going(const vcl::TComponent* component) {
  return component->ComponentState().Contains(vcl::csDestroying);
}

}  // namespace

TSkinControl::TSkinControl(vcl::TComponent* subject) : vcl::TComponent(nullptr), subject_(subject) {
  if (subject_) subject_->FreeNotification(this);
}

TSkinControl::~TSkinControl() {
  Unhook();
  if (skin_form_) skin_form_->RemoveSkinControl(this);
  skin_form_ = nullptr;
  // A helper that is being destroyed right now (its parent's destruction
  // took it along) is not freed a second time.
  std::vector<vcl::TControl*> helpers;
  helpers.swap(helpers_);
  for (vcl::TControl* helper : helpers) {
    helper->RemoveFreeNotification(this);
    if (!Going(helper)) delete helper;
  }
  if (subject_) subject_->RemoveFreeNotification(this);
}

void TSkinControl::Free(TSkinControl* companion) {
  if (!companion) return;
  if (TWinSkinForm* form = companion->skin_form_) {
    companion->skin_form_ = nullptr;
    form->RemoveSkinControl(companion);
  }
  if (companion->depth_ == 0) {
    delete companion;
    return;
  }
  // A handler of it is still on the stack: no message reaches it any more,
  // and the outermost handler frees it on its way out.
  companion->Unhook();
  companion->retired_ = true;
  companion->SkinActive = false;
}

void TSkinControl::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TComponent::Notification(component, operation);
  if (operation != vcl::opRemove) return;
  if (component == subject_) {
    // The control's hook list went with it; nothing of it is touched again.
    subject_ = nullptr;
    control_ = nullptr;
    graphic_ = nullptr;
    hooked_ = nullptr;
    SkinActive = false;
    if (attached_) skin_state_ = kSkinWindowGone;
  }
  helpers_.erase(std::remove(helpers_.begin(), helpers_.end(), component), helpers_.end());
}

void TSkinControl::AdoptHelper(vcl::TControl* helper) {
  if (!helper || std::find(helpers_.begin(), helpers_.end(), helper) != helpers_.end()) return;
  helpers_.push_back(helper);
  helper->FreeNotification(this);
}

vcl::TControl* TSkinControl::LiveControl() const {
  vcl::TControl* c = control_ ? static_cast<vcl::TControl*>(control_) : graphic_;
  return c && !Going(c) ? c : nullptr;
}

void TSkinControl::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                 vcl::TCanvas* canvas) {
  if (attached_) return;
  auto* control = dynamic_cast<vcl::TControl*>(subject_);
  if (!control || Going(control)) return;
  skin_form_ = skin_form;
  skin_data_ = skin_data;
  UseSkinColour = use_skin_colour;
  WorkCanvas = canvas;
  control_ = dynamic_cast<vcl::TWinControl*>(control);
  graphic_ = control_ ? nullptr : control;
  handle_ = control_ ? control_->Handle() : nullptr;
  if (control->AddWindowProcHook(
          this, [this](vcl::TMessage& m, const vcl::TWndHookNext& next) { Enter(this, m, &next); }))
    hooked_ = control;
  if (skin_form_) skin_form_->AddSkinControl(this);
  if (UseSkinColour) {
    SwitchParentBackground(true);
    SavedColour = control->Color();
    SavedParentColour = control->ParentColor();
    control->SetColor(skin_data_->Skin().ButtonFace);
  }
  if (ParentBackgroundWasTrue) Mode = 1;
  control->Invalidate();
  attached_ = true;
  skin_state_ = kSkinAttached;
}

void TSkinControl::AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                                vcl::TCanvas* canvas) {
  // Callers find a window's companion before they make one.
  assert(!attached_);
  handle_ = handle;
  skin_data_ = skin_data;
  skin_form_ = skin_form;
  WorkCanvas = canvas;
  IsEnabled = true;
  Mode = 0;
  if (skin_form_) skin_form_->AddSkinControl(this);
  CaptionText = WindowText(handle);
  subclassed_ =
      plat::SetWindowSubclass(handle, &TSkinControl::SubclassProc, reinterpret_cast<plat::UINT_PTR>(this),
                              reinterpret_cast<plat::DWORD_PTR>(this)) != plat::FALSE;
  plat::InvalidateRect(handle, nullptr, plat::TRUE);
  attached_ = true;
  skin_state_ = kSkinAttached;
}

void TSkinControl::Unhook() {
  if (hooked_) {
    hooked_->RemoveWindowProcHook(this);
    hooked_ = nullptr;
  }
  if (subclassed_) {
    plat::RemoveWindowSubclass(handle_, &TSkinControl::SubclassProc, reinterpret_cast<plat::UINT_PTR>(this));
    subclassed_ = false;
  }
}

plat::LRESULT TSkinControl::SubclassProc(plat::HWND, plat::UINT message, plat::WPARAM wparam,
                                         plat::LPARAM lparam, plat::UINT_PTR, plat::DWORD_PTR ref) {
  auto* self = reinterpret_cast<TSkinControl*>(ref);
  // The chain is dropped once WM_NCDESTROY has passed: nothing to leave later.
  if (message == plat::WM_NCDESTROY) self->subclassed_ = false;
  vcl::TMessage m{message, wparam, lparam, 0};
  Enter(self, m, nullptr);
  return m.Result;
}

void TSkinControl::Enter(TSkinControl* self, vcl::TMessage& message, const vcl::TWndHookNext* next) {
  ++self->depth_;
  const vcl::TWndHookNext* outer = self->next_;
  self->next_ = next;
  plat::ScopeExit leave([self, outer] {
    self->next_ = outer;
    if (--self->depth_ == 0 && self->retired_) delete self;
  });
  self->SkinWindowProc(message, next);
}

void TSkinControl::SkinWindowProc(vcl::TMessage& message, const vcl::TWndHookNext*) {
  if (message.Msg == SKM_SETACTIVE && !retired_) {
    SkinActive = message.WParam > 0 && skin_state_ != kSkinWindowGone;
    if (SkinActive) RepaintWindow();
    return;
  }
  if (!SkinActive) {
    CallPrevious(message);
    return;
  }
  if (!PreProcessMessage(message)) return;
  CallPrevious(message);
  // The control's own handling may have freed the control or the window,
  // or had the companion freed: then there is nothing left to paint.
  if (retired_ || skin_state_ == kSkinWindowGone) return;
  PostProcessMessage(message);
}

void TSkinControl::CallPrevious(vcl::TMessage& message) {
  if (next_) {
    (*next_)(message);
  } else if (handle_) {
    message.Result = plat::DefSubclassProc(handle_, message.Msg, message.WParam, message.LParam);
  }
}

bool TSkinControl::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_NCDESTROY:
      CallPrevious(message);
      SkinActive = false;
      skin_state_ = kSkinWindowGone;
      Unskin();
      return false;
    case SKM_ISSKINNED:
      message.Result = 1;
      return false;
    default:
      return true;
  }
}

void TSkinControl::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT:
      PaintControl(reinterpret_cast<plat::HDC>(message.WParam));
      break;
    case plat::WM_SETFOCUS:
    case plat::WM_KILLFOCUS:
    case plat::WM_ENABLE:
    case plat::WM_SETTEXT:
    case vcl::CM_ENABLEDCHANGED:
      RepaintWindow();
      break;
    default:
      break;
  }
}

void TSkinControl::RepaintWindow() {
  // A handle may be reused once its window is gone.
  if (skin_state_ == kSkinWindowGone) return;
  if (graphic_) {
    if (vcl::TControl* c = LiveControl()) c->Invalidate();
    return;
  }
  if (!handle_ || !plat::IsWindow(handle_)) return;
  plat::InvalidateRect(handle_, nullptr, plat::TRUE);
  plat::UpdateWindow(handle_);
}

void TSkinControl::PaintControl(plat::HDC dc) {
  plat::RECT r{};
  if (!handle_ || skin_state_ == kSkinWindowGone || !plat::GetWindowRect(handle_, &r)) return;
  WindowRect = r;
  const vcl::TRect local = vcl::Rect(0, 0, r.right - r.left, r.bottom - r.top);
  if (dc) {
    DrawControl(dc, local);
    return;
  }
  plat::HDC window_dc = plat::GetWindowDC(handle_);
  if (!window_dc) return;
  plat::ScopeExit release([&] { plat::ReleaseDC(handle_, window_dc); });
  DrawControl(window_dc, local);
}

void TSkinControl::DrawControl(plat::HDC, const vcl::TRect&) {}

void TSkinControl::RefreshSkin() {
  if (vcl::TControl* c = LiveControl(); c && UseSkinColour && skin_data_)
    c->SetColor(skin_data_->Skin().ButtonFace);
  RepaintWindow();
}

void TSkinControl::Unskin() {
  vcl::TControl* c = LiveControl();
  if (!c || !UseSkinColour) return;
  SwitchParentBackground(false);
  c->SetColor(SavedColour);
  // Setting the colour turned the parent's colour off.
  if (SavedParentColour) c->SetParentColor(true);
}

void TSkinControl::SwitchParentBackground(bool on) {
  vcl::TControl* c = LiveControl();
  if (!c || !skin_data_ || skin_data_->Options().Contains(xoParentBackGround)) return;
  if (!vcl::IsPublishedProp(c, "ParentBackground")) return;
  if (on) {
    ParentBackgroundWasTrue = vcl::LowerCase(GetPropText(c, "ParentBackground")) == "true";
    if (ParentBackgroundWasTrue) SetPropByName(c, "ParentBackground", "False");
  } else if (ParentBackgroundWasTrue) {
    SetPropByName(c, "ParentBackground", "True");
  }
}

void TSkinControl::SendMouseLeave() {
  if (handle_ && skin_state_ != kSkinWindowGone) plat::SendMessageA(handle_, vcl::CM_MOUSELEAVE, 0, 0);
}

std::string TSkinControl::WindowText(plat::HWND window) {
  char text[1001] = {};
  int n = plat::GetWindowTextA(window, text, static_cast<int>(sizeof text));
  return std::string(text, static_cast<size_t>(std::max(n, 0)));
}

void TSkinControl::CopyBitmap(vcl::TBitmap* source, vcl::TBitmap* target) {
  if (!source || !target) return;
  target->SetPixelFormat(source->PixelFormat());
  target->SetSize(source->Width(), source->Height());
  if (!source->Empty()) target->Canvas()->Draw(0, 0, source);
}

// TSkinControlList

TSkinControlList::~TSkinControlList() { UnskinAll(); }

bool TSkinControlList::Add(TSkinControl* companion) {
  if (std::find(items_.begin(), items_.end(), companion) != items_.end()) return true;
  items_.push_back(companion);
  return false;
}

void TSkinControlList::Remove(TSkinControl* companion) {
  auto it = std::find(items_.rbegin(), items_.rend(), companion);
  if (it != items_.rend()) items_.erase(std::next(it).base());
}

void TSkinControlList::Sweep() {
  // One at a time: freeing a companion frees its helper windows, whose
  // going may reach this list again.
  for (;;) {
    auto it = std::find_if(items_.begin(), items_.end(),
                           [](TSkinControl* c) { return c->SkinState() == kSkinWindowGone; });
    if (it == items_.end()) return;
    TSkinControl* c = *it;
    items_.erase(it);
    TSkinControl::Free(c);
  }
}

void TSkinControlList::UnskinAll() {
  while (!items_.empty()) {
    TSkinControl* c = items_.back();
    items_.pop_back();
    if (c->SkinState() != kSkinWindowGone) c->Unskin();
    TSkinControl::Free(c);
  }
}

void TSkinControlList::RefreshAll() {
  // A refresh repaints at once; a paint may change the list.
  std::vector<TSkinControl*> items = items_;
  for (TSkinControl* c : items)
    if (std::find(items_.begin(), items_.end(), c) != items_.end()) c->RefreshSkin();
}

TSkinControl* TSkinControlList::Find(plat::HWND window) const {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it)
    if ((*it)->Handle() == window) return *it;
  return nullptr;
}

}  // namespace skin
