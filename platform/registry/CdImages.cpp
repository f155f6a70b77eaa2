#include "platform/registry/CdImages.h"

#include <string>

#include "platform/kernel/Drives.h"
#include "platform/registry/Registry.h"

namespace plat {

size_t LoadCdImagesFromRegistry() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kCdImagesKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  size_t listed = 0;
  for (DWORD index = 0;; ++index) {
    char name[16] = {};
    DWORD name_size = sizeof name;
    char data[4096] = {};
    DWORD data_size = sizeof data - 1;
    DWORD type = 0;
    const LONG rc = RegEnumValueA(key, index, name, &name_size, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                  &data_size);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS || type != REG_SZ || name_size != 1) continue;
    if (SetCdImage(name[0], std::string(data))) ++listed;
  }
  RegCloseKey(key);
  return listed;
}

}  // namespace plat
