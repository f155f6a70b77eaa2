#include "skin/WinSkinDlg.h"

#include <algorithm>
#include <string>

#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"
#include "skin/SkinData.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinMenu.h"

namespace skin {

namespace {

TSkinManage* manager_instance = nullptr;

std::string ClassOf(plat::HWND window) {
  char name[256] = {};
  plat::GetClassNameA(window, name, sizeof name);
  return name;
}

}  // namespace

TSkinManage* SkinManager() { return manager_instance; }

TSkinManage& CreateSkinManager() {
  if (!manager_instance) manager_instance = new TSkinManage();
  return *manager_instance;
}

void FreeSkinManager() {
  TSkinManage* m = manager_instance;
  delete m;
  manager_instance = nullptr;
}

TSkinManage::TSkinManage() : timer_(std::make_unique<vcl::TTimer>(nullptr)) {
  timer_->SetEnabled(false);
  timer_->SetInterval(250);
  timer_->OnTimer = [this](vcl::TObject*) { Tick(); };
}

TSkinManage::~TSkinManage() {
  state_ = 4;
  active_ = false;
  timer_.reset();
  // Windows that outlive the manager keep their own procedures.
  for (auto& form : forms_) form->DetachOnDestroy();
  forms_.clear();
  retired_.clear();
  popup_menus_.clear();
  retired_popups_.clear();
  if (hook_) plat::UnhookWindowsHookEx(hook_);
  hook_ = nullptr;
}

void TSkinManage::InstallHook() {
  if (hook_) return;
  hook_ = plat::SetWindowsHookExA(plat::WH_CBT, &TSkinManage::HookProc, nullptr, plat::GetCurrentThreadId());
}

bool TSkinManage::TimerRunning() const { return timer_ && timer_->Enabled(); }

void TSkinManage::AddSkinData(TSkinData* data) {
  if (std::find(skin_datas_.begin(), skin_datas_.end(), data) != skin_datas_.end()) return;
  skin_datas_.push_back(data);
  if (!main_skin_data_ && data->SkinFormtype() == sfMainform) main_skin_data_ = data;
}

void TSkinManage::RemoveSkinData(TSkinData* data) {
  // Windows drawn with it go back to their own look first.
  for (size_t i = 0; i < forms_.size();) {
    if (forms_[i]->SkinData() == data) {
      std::unique_ptr<TWinSkinForm> form = std::move(forms_[i]);
      forms_.erase(forms_.begin() + static_cast<std::ptrdiff_t>(i));
      RestoreAndFree(std::move(form));
    } else {
      ++i;
    }
  }
  std::erase(skin_datas_, data);
  if (current_skin_data_ == data) {
    current_skin_data_ = nullptr;
    pending_action_ = 0;
    if (timer_) timer_->SetEnabled(false);
  }
  if (main_skin_data_ == data) {
    main_skin_data_ = nullptr;
    for (TSkinData* d : skin_datas_)
      if (d->SkinFormtype() == sfMainform) {
        main_skin_data_ = d;
        break;
      }
  }
}

void TSkinManage::RestoreAndFree(std::unique_ptr<TWinSkinForm> form) {
  if (form->Phase() < 4) {
    form->RestoreWindow();
    if (plat::IsWindow(form->Handle())) TWinSkinForm::RepaintWindowNow(form->Handle());
  } else {
    form->DetachOnDestroy();
  }
  if (form->InDispatch()) {
    form->SetRetired();
    retired_.push_back(std::move(form));
  }
}

std::unique_ptr<TWinSkinForm> TSkinManage::Take(TWinSkinForm* form) {
  auto it = std::find_if(forms_.begin(), forms_.end(), [form](const auto& f) { return f.get() == form; });
  if (it == forms_.end()) return nullptr;
  std::unique_ptr<TWinSkinForm> taken = std::move(*it);
  forms_.erase(it);
  return taken;
}

void TSkinManage::FormGone(TWinSkinForm* form) {
  std::unique_ptr<TWinSkinForm> taken = Take(form);
  if (!taken) return;
  taken->SetRetired();
  retired_.push_back(std::move(taken));
}

void TSkinManage::Sweep() {
  std::erase_if(retired_, [](const auto& f) { return !f->InDispatch(); });
  std::erase_if(retired_popups_, [](const auto& p) { return !p->InDispatch(); });
}

TWinSkinPopMenu* TSkinManage::FindPopupMenu(plat::HWND window) const {
  for (const auto& p : popup_menus_)
    if (p->Handle() == window) return p.get();
  return nullptr;
}

bool TSkinManage::SkinPopupMenu(plat::HWND window) {
  if (!active_ || FindPopupMenu(window) || plat::SendMessageA(window, SKM_ISSKINNED, 0, 0) == 1) return false;
  Sweep();
  TSkinData* data = ChooseSkinData(window, "#32768");
  if (!data || data->NotLoaded()) return false;
  const TSkinControlTypes controls = data->SkinControls();
  const bool allowed = menu_kind_ == 0   ? controls.Contains(xcPopupMenu)
                       : menu_kind_ == 1 ? controls.Contains(xcMainMenu) || controls.Contains(xcMenuItem)
                       : menu_kind_ == 2 ? controls.Contains(xcSystemMenu)
                                         : false;
  if (!allowed) return false;
  auto popup = std::make_unique<TWinSkinPopMenu>();
  popup->Attach(window, data, nullptr);
  popup->SetFromBar(menu_from_bar_);
  popup_menus_.push_back(std::move(popup));
  return true;
}

void TSkinManage::MarkMenusFromBar() {
  for (const auto& p : popup_menus_) p->SetFromBar(true);
}

void TSkinManage::SetMenuOwnerItem(plat::HMENU menu) {
  if (!menu) return;
  for (const auto& p : popup_menus_)
    if (p->OwnerMenu() == menu) return;
  for (const auto& p : popup_menus_)
    if (!p->OwnerMenu() &&
        reinterpret_cast<plat::HMENU>(plat::SendMessageA(p->Handle(), plat::MN_GETHMENU, 0, 0)) == menu) {
      p->SetOwnerMenu(menu);
      return;
    }
  for (auto it = popup_menus_.rbegin(); it != popup_menus_.rend(); ++it)
    if (!(*it)->OwnerMenu()) {
      (*it)->SetOwnerMenu(menu);
      return;
    }
}

vcl::TBitmap* TSkinManage::MenuBitmapOfItem(plat::HMENU menu) {
  if (!menu) return nullptr;
  for (const auto& p : popup_menus_)
    if (p->OwnerMenu() == menu) return p->Background();
  return nullptr;
}

bool TSkinManage::ForgetPopupMenu(plat::HWND window) {
  auto it = std::find_if(popup_menus_.begin(), popup_menus_.end(),
                         [window](const auto& p) { return p->Handle() == window; });
  if (it == popup_menus_.end()) return false;
  std::unique_ptr<TWinSkinPopMenu> popup = std::move(*it);
  popup_menus_.erase(it);
  popup->Detach();
  // Its procedure may still be on the way out: freed once it has left.
  if (popup->InDispatch()) retired_popups_.push_back(std::move(popup));
  if (popup_menus_.empty()) {
    menu_kind_ = 0;
    menu_from_bar_ = false;
  }
  return true;
}

void TSkinManage::ScheduleAction(int action, unsigned delay) {
  pending_action_ = action;
  timer_->SetInterval(delay);
  if (state_ != 0) {
    timer_->SetEnabled(true);
    return;
  }
  // Nothing is shown yet: windows are skinned as they are activated.
  if (action == 1) active_ = true;
  if (action == 2) active_ = false;
}

TWinSkinForm* TSkinManage::FindForm(plat::HWND window) const {
  for (const auto& f : forms_)
    if (f->Handle() == window) return f.get();
  return nullptr;
}

TSkinData* TSkinManage::ChooseSkinData(plat::HWND window, const char* class_name) const {
  TSkinData* only = nullptr;
  TSkinData* dialog = nullptr;
  TSkinData* main = nullptr;
  const std::string lower = vcl::LowerCase(class_name);
  const bool is_dialog = lower == "tmessageform" || lower == "#32770";
  for (TSkinData* d : skin_datas_) {
    switch (d->SkinFormtype()) {
      case sfOnlyThisForm:
        if (auto* owner = dynamic_cast<vcl::TWinControl*>(d->Owner());
            owner && owner->HandleAllocated() && owner->Handle() == window)
          only = d;
        break;
      case sfDialog:
        if (is_dialog) dialog = d;
        break;
      case sfMainform:
        main = d;
        break;
      default:
        break;
    }
  }
  if (only) return only;
  if (dialog) return dialog;
  if (main) return main;
  return skin_datas_.empty() ? nullptr : skin_datas_.front();
}

bool TSkinManage::SkinForm(plat::HWND window) {
  if (!active_ || !plat::IsWindow(window)) return false;
  Sweep();
  if (FindForm(window) || plat::SendMessageA(window, SKM_ISSKINNED, 0, 0) == 1) return false;
  vcl::TWinControl* control = vcl::TWinControl::FindControl(window);
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(window, plat::GWL_STYLE));
  const std::string class_name = ClassOf(window);
  const std::string lower = vcl::LowerCase(class_name);
  if (!skinning_all_ && (style & plat::WS_CHILD)) {
    // Only child windows of a multi-document client would be skinned here,
    // and there are none on this platform.
    return false;
  }
  const bool own_module = plat::GetWindowLongPtrA(window, plat::GWLP_HINSTANCE) == 0;
  if (!own_module && !control && lower != "#32770") return false;
  plat::RECT r{};
  plat::GetWindowRect(window, &r);
  if (r.right <= r.left || r.bottom <= r.top) return false;
  if (control && control->Tag() == 99) return false;
  if (class_name.find("TcxPopupEditPopupWindow") != std::string::npos || class_name == "TApplication")
    return false;
  if (main_skin_data_) {
    bool do_skin = true;
    if (!main_skin_data_->Options().Contains(xoPreview) && lower.find("preview") != std::string::npos)
      do_skin = false;
    if (main_skin_data_->OnFormSkin) {
      main_skin_data_->OnFormSkin(main_skin_data_, class_name, do_skin);
    } else {
      if (class_name == "SysMonthCal32") do_skin = false;
      if (main_skin_data_->SkinControls().Contains(xcFastReport) && class_name.rfind("Tfr", 0) == 0)
        do_skin = false;
    }
    if (!do_skin) return false;
  }
  TSkinData* data = ChooseSkinData(window, class_name.c_str());
  if (!data || data->NotLoaded()) return false;

  auto form = std::make_unique<TWinSkinForm>(window);
  TWinSkinForm* raw = form.get();
  forms_.push_back(std::move(form));
  if (auto* f = dynamic_cast<vcl::TCustomForm*>(control))
    raw->AttachForm(data, f);
  else
    raw->AttachHandle(data);
  plat::PostMessageA(window, SKM_INITFORM, 0, 1000);
  return true;
}

void TSkinManage::SkinFormControl(vcl::TObject* object) {
  auto* form = dynamic_cast<vcl::TCustomForm*>(object);
  if (!form || !form->Visible() || !form->HandleAllocated()) return;
  if (plat::GetWindowLongA(form->Handle(), plat::GWL_STYLE) & plat::WS_CHILD) return;
  SkinForm(form->Handle());
}

void TSkinManage::RefreshSkinData() {
  for (const auto& f : forms_)
    if (f->SkinData() == current_skin_data_) f->FreeNCObjects();
}

void TSkinManage::Tick() {
  timer_->SetEnabled(false);
  Sweep();
  TSkinData* data = current_skin_data_;
  if (!data) return;
  const int action = pending_action_;
  pending_action_ = 0;
  const bool only = data->SkinFormtype() == sfOnlyThisForm;
  auto owner_form = [data]() { return dynamic_cast<vcl::TCustomForm*>(data->Owner()); };
  switch (action) {
    case 1:
      active_ = true;
      if (only) {
        if (vcl::TCustomForm* f = owner_form()) SkinFormControl(f);
      } else {
        skinning_all_ = true;
        for (int i = vcl::Screen->FormCount() - 1; i >= 0; --i) SkinFormControl(vcl::Screen->Forms(i));
        skinning_all_ = false;
      }
      break;
    case 2:
      active_ = false;
      if (only) {
        for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
          if ((*it)->SkinData() == data) {
            RestoreAndFree(Take(it->get()));
            break;
          }
      } else {
        while (!forms_.empty()) RestoreAndFree(Take(forms_.front().get()));
      }
      break;
    case 3: {
      std::vector<TWinSkinForm*> users;
      for (const auto& f : forms_)
        if (f->SkinData() == data) users.push_back(f.get());
      if (only && users.size() > 1) users.resize(1);
      for (TWinSkinForm* f : users) {
        f->FreeNCObjects();
        f->BuildNCMetrics();
      }
      for (TWinSkinForm* f : users)
        if (FindForm(f->Handle()) == f) f->RefreshSkin();
      break;
    }
    default:
      break;
  }
  if (data->OnSkinChanged) data->OnSkinChanged(data);
  current_skin_data_ = nullptr;
}

plat::LRESULT TSkinManage::HookProc(int code, plat::WPARAM wparam, plat::LPARAM lparam) {
  TSkinManage* self = manager_instance;
  if (code >= 0 && self) {
    auto window = reinterpret_cast<plat::HWND>(wparam);
    if (code == plat::HCBT_ACTIVATE) {
      if (self->state_ == 0) self->state_ = 1;
      self->SkinForm(window);
    } else if (code == plat::HCBT_CREATEWND) {
      const auto* create = reinterpret_cast<const plat::CBT_CREATEWNDA*>(lparam);
      const plat::CREATESTRUCTA* cs = create ? create->lpcs : nullptr;
      if (cs && !(static_cast<plat::DWORD>(cs->style) & plat::WS_CHILD) && ClassOf(window) == "#32768")
        self->SkinPopupMenu(window);
    } else if (code == plat::HCBT_DESTROYWND) {
      self->ForgetPopupMenu(window);
    }
  }
  return plat::CallNextHookEx(self ? self->hook_ : nullptr, code, wparam, lparam);
}

}  // namespace skin
