#include "platform/user/UserModule.h"

#include "platform/kernel/Modules.h"
#include "platform/user/ComboBox.h"
#include "platform/user/Input.h"
#include "platform/user/ScrollBar.h"

namespace plat {

void RegisterUserModule() {
  auto entry = [](auto fn) { return reinterpret_cast<FARPROC>(fn); };
  RegisterBuiltinModule("USER32.DLL", {
                                          {"GetScrollBarInfo", entry(&GetScrollBarInfo)},
                                          {"TrackMouseEvent", entry(&TrackMouseEvent)},
                                          {"GetComboBoxInfo", entry(&GetComboBoxInfo)},
                                      });
}

}  // namespace plat
