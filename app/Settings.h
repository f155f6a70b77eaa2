#pragma once
// The program's registry values under HKEY_CURRENT_USER\Vantorel\Sonavex Pro Lab.
// A read passes the setting's current value as its default, so a missing or
// mistyped value leaves the setting as it is; writes create the key.
#include <string>

namespace app {

extern const char* const kSettingsKey;

int ReadInteger(const std::string& name, int current);
bool ReadBool(const std::string& name, bool current);
std::string ReadString(const std::string& name, const std::string& current);
void WriteInteger(const std::string& name, int value);
void WriteBool(const std::string& name, bool value);
void WriteString(const std::string& name, const std::string& value);

// Stored values are checked here before use, one rule per kind; a value that
// fails keeps the setting's current value. (Stored devices are found by
// their names: ReadStoredDevice.)
// Window messages or a thread; driver callbacks only where the platform has them.
bool ValidCallBackMode(int stored);
// A radio group's choice: below 0 selects nothing, so it is refused; past the
// end the group selects its last entry.
bool ValidItemIndex(int stored);

}  // namespace app
