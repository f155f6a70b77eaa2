#include "utility/qelVclUtils.h"

#include <fstream>
#include <vector>

#include "platform/shell/Instance.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Icon.h"
#include "platform/vcl/Forms.h"

namespace utility {

namespace {
// The main form's window when it exists; never created here.
plat::HWND ApplicationWindow() {
  vcl::TCustomForm* form = vcl::ApplicationMainForm();
  return form && form->HandleAllocated() ? form->Handle() : nullptr;
}
}  // namespace

void ShowApplicationButton() {
  if (plat::HWND hwnd = ApplicationWindow()) plat::ShowWindow(hwnd, plat::SW_SHOWNORMAL);
}

void HideApplicationButton() {
  plat::HWND hwnd = ApplicationWindow();
  if (hwnd && plat::IsWindowVisible(hwnd)) plat::ShowWindow(hwnd, plat::SW_HIDE);
}

void ShowApplication() {
  ShowApplicationButton();
  if (vcl::TCustomForm* form = vcl::ApplicationMainForm()) form->SetVisible(true);
}

void HideApplication() {
  HideApplicationButton();
  if (vcl::TCustomForm* form = vcl::ApplicationMainForm()) form->SetVisible(false);
}

plat::HWND FindPreviousInstance() { return nullptr; }

namespace {
std::string& InstanceIdentity() {
  static auto* name = new std::string;
  return *name;
}

std::vector<std::string> CommandLine() {
  std::vector<std::string> args;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  for (std::string arg; std::getline(in, arg, '\0');) args.push_back(arg);
  return args;
}

constexpr plat::DWORD kHandOverTimeoutMs = 2000;
}  // namespace

void SetInstanceIdentity(const std::string& name) { InstanceIdentity() = name; }

void GetShellIcon(int index, plat::HICON* large_icon, plat::HICON* small_icon) {
  plat::HICON icon = plat::LoadIconA(nullptr, index == 2 ? plat::IDI_APPLICATION : plat::IDI_WINLOGO);
  if (large_icon) *large_icon = icon;
  if (small_icon) *small_icon = icon;
}

bool ActivatePreviousInstance() {
  plat::HWND hwnd = FindPreviousInstance();
  if (!hwnd) {
    const std::string& name = InstanceIdentity();
    return !name.empty() && plat::HandToInstance(name, CommandLine(), kHandOverTimeoutMs);
  }
  if (plat::IsIconic(hwnd))
    plat::ShowWindow(hwnd, plat::SW_RESTORE);
  else
    plat::SetForegroundWindow(hwnd);
  return true;
}

}  // namespace utility
