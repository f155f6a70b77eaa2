#include "utility/qelComponents.h"

#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Atoms.h"
#include "platform/user/Cursor.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/UtilWindow.h"
#include "utility/qelFileStorage.h"
#include "utility/qelGraphics.h"
#include "utility/qelInstance.h"
#include "utility/qelShell.h"
#include "utility/qelSysUtils.h"
#include "utility/qelThreadComponents.h"
#include "utility/qelTrayIcon.h"
#include "utility/qelWndProcHook.h"

namespace utility {

namespace {
constexpr plat::UINT_PTR kTimerId = 1;
plat::UINT taskbar_message = 0;
}  // namespace

VCL_IMPLEMENT_CLASS(TqelComponent, StrProp("About", &TqelComponent::About, &TqelComponent::SetAbout))

VCL_IMPLEMENT_CLASS(TqelCustomTimer)

TqelCustomTimer::TqelCustomTimer(vcl::TComponent* owner) : TqelComponent(owner) {
  if (!plat::IsMainThread()) throw vcl::EInvalidOperation("A timer must be made on the main thread");
  window_ = vcl::AllocateUtilityWindow([this](plat::HWND, plat::UINT msg, plat::WPARAM wparam,
                                              plat::LPARAM lparam) { return WndProc(msg, wparam, lparam); });
}

TqelCustomTimer::~TqelCustomTimer() {
  enabled_ = false;
  plat::KillTimer(window_, kTimerId);
  vcl::DeallocateUtilityWindow(window_);
}

void TqelCustomTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateTimer();
}

void TqelCustomTimer::SetInterval(uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  UpdateTimer();
}

void TqelCustomTimer::SetOnTimer(vcl::TNotifyEvent value) {
  on_timer_ = std::move(value);
  UpdateTimer();
}

void TqelCustomTimer::Loaded() {
  TqelComponent::Loaded();
  // The reader sets the handler straight into the event, past its writer.
  UpdateTimer();
}

void TqelCustomTimer::UpdateTimer() {
  plat::KillTimer(window_, kTimerId);
  if (interval_ == 0 || !enabled_ || !on_timer_) return;
  if (!plat::SetTimer(window_, kTimerId, interval_, nullptr))
    throw vcl::EOutOfResources("Not enough timers available");
}

plat::LRESULT TqelCustomTimer::WndProc(plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam) {
  if (msg != plat::WM_TIMER) return plat::DefWindowProcA(window_, msg, wparam, lparam);
  try {
    Timer();
  } catch (...) {
    if (!vcl::Application) throw;
    vcl::Application->HandleException(this);
  }
  return 0;
}

void TqelCustomTimer::Timer() {
  if (on_timer_) on_timer_(this);
}

VCL_IMPLEMENT_CLASS(
    TqelColorPicker,
    BoolProp("Enabled", &TqelColorPicker::Enabled, &TqelColorPicker::SetEnabled).Default(true),
    IntProp("Interval", &TqelColorPicker::Interval, &TqelColorPicker::SetInterval).Default(100),
    EventProp("OnTimer", &TqelColorPicker::on_timer_))

TqelColorPicker::TqelColorPicker(vcl::TComponent* owner) : TqelCustomTimer(owner) { SetInterval(100); }

void TqelColorPicker::Timer() {
  TqelCustomTimer::Timer();
  UpdateCursor();
}

void TqelColorPicker::UpdateCursor() {
  if (cursor_ != 0 && vcl::Screen) plat::SetCursor(vcl::Screen->Cursors(cursor_));
}

vcl::TColor TqelColorPicker::GetColor() const { return PixelUnderCursor(); }

void TqelColorPicker::SetCursor(int16_t value) {
  if (value == cursor_) return;
  cursor_ = value;
  UpdateCursor();
}

plat::UINT TaskbarMessage() { return taskbar_message; }

void InitComponentsUnit() {
  taskbar_message = plat::RegisterWindowMessageA("TaskbarCreated");
  // The library's classes in its fixed order; the classes of the thread,
  // tray, shell, instance, autorun and shutdown components join this list
  // where they belong when they are built.
  RegisterClassesOnce({
      TqelComponent::StaticClass(),
      TqelCustomThreadComponent::StaticClass(),
      TqelCustomTimer::StaticClass(),
      TqelCustomThreadTimer::StaticClass(),
      TqelCustomWndProcHook::StaticClass(),
      TqelCustomFileStorage::StaticClass(),
      TqelAutoRun::StaticClass(),
      TqelOneInstance::StaticClass(),
      TqelShutdown::StaticClass(),
      TqelTrayIcon::StaticClass(),
      TqelWndProcHook::StaticClass(),
      TqelFileStorage::StaticClass(),
      TqelWav::StaticClass(),
      TqelThreadComponent::StaticClass(),
      TqelThreadTimer::StaticClass(),
      TqelFileOperation::StaticClass(),
      TqelFileAssociation::StaticClass(),
      TqelCustomFolderMonitor::StaticClass(),
      TqelFolderMonitor::StaticClass(),
      TqelCustomRegistryMonitor::StaticClass(),
      TqelRegistryMonitor::StaticClass(),
      TqelStartButtonProperties::StaticClass(),
      TqelColorPicker::StaticClass(),
  });
}

}  // namespace utility
