#pragma once
// The program's registry values under HKEY_CURRENT_USER\Vantorel\Sonavex Pro Lab.
// A read passes the setting's current value as its default, so a missing or
// mistyped value leaves the setting as it is; writes create the key.
#include <string>

namespace app {

extern const char* const kSettingsKey;

int ReadInteger(const std::string& name, int current);
bool ReadBool(const std::string& name, bool current);
void WriteInteger(const std::string& name, int value);
void WriteBool(const std::string& name, bool value);

}  // namespace app
