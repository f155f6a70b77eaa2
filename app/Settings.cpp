#include "app/Settings.h"

#include "engine/MMUtils.h"
#include "platform/registry/Registry.h"

namespace app {

const char* const kSettingsKey = "Vantorel\\Sonavex Pro Lab";

int ReadInteger(const std::string& name, int current) {
  return engine::RegReadVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(int32_t{current}))
      .AsInteger();
}

bool ReadBool(const std::string& name, bool current) {
  return engine::RegReadVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(current))
      .AsBoolean();
}

void WriteInteger(const std::string& name, int value) {
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(int32_t{value}));
}

void WriteBool(const std::string& name, bool value) {
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(value));
}

}  // namespace app
