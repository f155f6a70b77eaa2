#include "app/Settings.h"

#include "engine/MMUtils.h"
#include "engine/MMWavIn.h"
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

std::string ReadString(const std::string& name, const std::string& current) {
  return engine::RegReadVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(current))
      .AsString();
}

void WriteInteger(const std::string& name, int value) {
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(int32_t{value}));
}

void WriteBool(const std::string& name, bool value) {
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(value));
}

void WriteString(const std::string& name, const std::string& value) {
  engine::RegWriteVariant(plat::HKEY_CURRENT_USER, kSettingsKey, name, plat::Variant(value));
}

bool ValidCallBackMode(int stored) {
  return stored == engine::cmWindow || stored == engine::cmThread ||
         (stored == engine::cmCallback && engine::OSIsWin95());
}

bool ValidItemIndex(int stored) { return stored >= 0; }

}  // namespace app
