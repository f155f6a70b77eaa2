#include "app/InfoLinks.h"

#include "platform/kernel/Files.h"
#include "platform/shell/ShellExecute.h"
#include "platform/user/Geometry.h"

namespace app {

void OpenThroughShell(plat::HWND owner, const std::string& target) {
  plat::ShellExecuteA(owner, "open", target.c_str(), nullptr, nullptr, plat::SW_SHOWNORMAL);
}

void OpenHelpPage(plat::HWND owner) {
  const std::string folder = plat::GetProgramFolder() + kHelpFolder;
  if (!plat::SetCurrentDirectoryA(folder.c_str())) plat::SetCurrentDirectoryA(folder.c_str());
  OpenThroughShell(owner, kHelpPage);
}

}  // namespace app
