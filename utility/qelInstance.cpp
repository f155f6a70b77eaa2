#include "utility/qelInstance.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "platform/shell/Instance.h"
#include "platform/shell/Power.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"
#include "utility/qelConsts.h"
#include "utility/qelVclUtils.h"

namespace utility {

namespace {
constexpr plat::UINT kHandedOver = plat::WM_USER + 1;

// The instance this copy holds, and the window the hand-overs arrive at. It
// outlives the unit: components on forms that close later may still ask.
struct HeldInstance {
  std::string name;
  std::unique_ptr<plat::InstanceLock> lock;
  plat::HWND window = nullptr;
};
HeldInstance& Held() {
  static auto* held = new HeldInstance;
  return *held;
}

// A later copy asked for this one: its main form comes back.
void ServeHandOvers() {
  HeldInstance& held = Held();
  if (!held.lock || held.lock->TakeRequests().empty()) return;
  vcl::TCustomForm* form = vcl::ApplicationMainForm();
  if (!form || !form->HandleAllocated()) return;
  if (plat::IsIconic(form->Handle()))
    plat::ShowWindow(form->Handle(), plat::SW_RESTORE);
  else
    plat::SetForegroundWindow(form->Handle());
}

void Hold(const std::string& name, std::unique_ptr<plat::InstanceLock> lock) {
  HeldInstance& held = Held();
  if (!held.window)
    held.window =
        vcl::AllocateUtilityWindow([](plat::HWND hwnd, plat::UINT msg, plat::WPARAM w, plat::LPARAM l) {
          if (msg != kHandedOver) return plat::DefWindowProcA(hwnd, msg, w, l);
          ServeHandOvers();
          return plat::LRESULT{0};
        });
  held.lock = std::move(lock);
  held.name = name;
  held.lock->SetNotify(held.window, kHandedOver);
}

std::string Upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

std::string Title() { return vcl::Application ? vcl::Application->Title() : std::string(); }
}  // namespace

void ReleaseInstance() {
  HeldInstance& held = Held();
  held.lock.reset();
  held.name.clear();
  if (held.window) vcl::DeallocateUtilityWindow(held.window);
  held.window = nullptr;
}

VCL_IMPLEMENT_CLASS(
    TqelOneInstance,
    BoolProp("ActivatePrevInstance", &TqelOneInstance::ActivatePrevInstance,
             &TqelOneInstance::SetActivatePrevInstance)
        .Default(true),
    BoolProp("ExeNameAsIdentifier", &TqelOneInstance::ExeNameAsIdentifier,
             &TqelOneInstance::SetExeNameAsIdentifier)
        .Default(false),
    StrProp("Identifier", &TqelOneInstance::Identifier, &TqelOneInstance::SetIdentifier),
    BoolProp("ShowMessage", &TqelOneInstance::ShowMessage, &TqelOneInstance::SetShowMessage).Default(false),
    StrProp("Message", &TqelOneInstance::Message, &TqelOneInstance::SetMessage),
    EventProp("OnShowMessage", &TqelOneInstance::OnShowMessage))

std::string TqelOneInstance::InstanceName() const {
  std::string base =
      exe_name_as_identifier_ ? Upper(vcl::Application ? vcl::Application->ExeName() : "") : Title();
  std::string name = base + identifier_ + ".OneInstance.";
  ReplaceChar(name, '\\', '/');
  return name;
}

bool TqelOneInstance::IsRunning() {
  if (Designing()) return false;
  std::string name = InstanceName();
  SetInstanceIdentity(name);
  HeldInstance& held = Held();
  // This copy holds it already (a second check, or a second component).
  if (held.lock && held.name == name) return false;
  std::unique_ptr<plat::InstanceLock> lock;
  switch (plat::TryAcquireInstance(name, lock)) {
    case plat::instanceAcquired:
      Hold(name, std::move(lock));
      return false;
    case plat::instanceBusy:
      return true;
    case plat::instanceFailed:
      break;
  }
  // Nothing could be checked: the program runs rather than refusing to start.
  return false;
}

bool TqelOneInstance::Check() {
  if (!IsRunning()) return false;
  terminate_ = true;
  bool show_main_form = vcl::Application ? vcl::Application->ShowMainForm() : true;
  if (vcl::Application) vcl::Application->SetShowMainForm(false);
  if (show_message_) DoShowMessage();
  if (activate_prev_instance_) DoActivatePrevious();
  if (terminate_) {
    if (vcl::Application) vcl::Application->Terminate();
  } else if (vcl::Application) {
    vcl::Application->SetShowMainForm(show_main_form);
  }
  return true;
}

void TqelOneInstance::Loaded() {
  TqelComponent::Loaded();
  Check();
}

void TqelOneInstance::DoActivatePrevious() { ActivatePreviousInstance(); }

void TqelOneInstance::DoShowMessage() {
  if (OnShowMessage) {
    OnShowMessage(this, terminate_);
    return;
  }
  std::string text = message_.empty() ? vcl::Format(SqelAlreadyRunning, {Title()}) : message_;
  vcl::ShowMessageBox(text, Title(), plat::MB_ICONWARNING);
}

VCL_IMPLEMENT_CLASS(TqelAutoRun,
                    BoolProp("AutoRun", &TqelAutoRun::AutoRun, &TqelAutoRun::SetAutoRun).Default(false),
                    StrProp("FileName", &TqelAutoRun::FileName, &TqelAutoRun::SetFileName),
                    EnumProp("Kind", &TqelAutoRun::Kind, &TqelAutoRun::SetKind,
                             {"aekMachineRun", "aekMachineRunOnce", "aekUserRun", "aekUserRunOnce",
                              "aekServiceRun", "aekServiceRunOnce"})
                        .Default(aekMachineRun))

TqelAutoRun::TqelAutoRun(vcl::TComponent* owner) : TqelComponent(owner) {
  if (!Designing() && vcl::Application) file_name_ = vcl::Application->ExeName();
}

template <class T>
void TqelAutoRun::Change(T& field, const T& value) {
  if (field == value) return;
  // While the description is read the values only arrive; Loaded applies them once.
  if (Reading()) {
    field = value;
    return;
  }
  Remove();
  field = value;
  Apply();
}

void TqelAutoRun::SetAutoRun(bool value) { Change(auto_run_, value); }
void TqelAutoRun::SetFileName(const std::string& value) { Change(file_name_, value); }
void TqelAutoRun::SetKind(TqelAutoExecKind value) { Change(kind_, value); }

void TqelAutoRun::Apply() {
  if (Designing()) return;
  Remove();
  if (auto_run_) AddToAutoRun(kind_, file_name_);
}

void TqelAutoRun::Remove() {
  if (!Designing()) RemoveFromAutoRun(kind_, file_name_);
}

void TqelAutoRun::Loaded() {
  TqelComponent::Loaded();
  try {
    Apply();
  } catch (const EqelRegistry&) {
    // A folder only an administrator may write must not stop the form from loading.
  }
}

VCL_IMPLEMENT_CLASS(TqelShutdown,
                    EnumProp("ActionType", &TqelShutdown::ActionType, &TqelShutdown::SetActionType,
                             {"aatPowerOff", "aatShutdown", "aatReboot", "aatLogOff", "aatSuspend",
                              "aatHibernate"})
                        .Default(aatPowerOff),
                    BoolProp("Force", &TqelShutdown::Force, &TqelShutdown::SetForce).Default(false),
                    EventProp("OnQueryShutdown", &TqelShutdown::OnQueryShutdown))

plat::UINT TqelShutdown::ExitFlags(TqelShutdownActionType action, bool force) {
  static constexpr plat::UINT kFlags[] = {
      plat::EWX_POWEROFF, plat::EWX_SHUTDOWN, plat::EWX_REBOOT, plat::EWX_LOGOFF, 0, 0};
  if (action == aatSuspend || action == aatHibernate) return 0;
  return kFlags[action] | (force ? plat::EWX_FORCE : 0);
}

void TqelShutdown::DoQueryShutdown(bool& can_shutdown) {
  if (OnQueryShutdown) OnQueryShutdown(this, can_shutdown);
}

// The login manager's own questions (may this user power off?) take the
// place of the privilege step; they are asked by the platform call.
bool TqelShutdown::Execute() {
  bool can_shutdown = true;
  DoQueryShutdown(can_shutdown);
  if (!can_shutdown) return false;
  if (action_type_ == aatSuspend || action_type_ == aatHibernate)
    return plat::SetSystemPowerState(action_type_ == aatSuspend, force_);
  return plat::ExitWindowsEx(ExitFlags(action_type_, force_), 0);
}

}  // namespace utility
