#pragma once
// The utility library's message texts.

namespace utility {

inline constexpr const char* SqelWarning = "Warning";
inline constexpr const char* SqelError = "Error";
inline constexpr const char* SqelReadOnly = "Cannot change the property in Read-Only mode.";
inline constexpr const char* SqelCannotOpenKey = "Unable to open the %s key";
inline constexpr const char* SqelCannotWriteRegistry = "Cannot write to registry.";
inline constexpr const char* SqelThreadException = "Thread %s raised exception class %s with message \"%s\".";
inline constexpr const char* SqelAlreadyRunning = "Application \"%s\" is already running.";
inline constexpr const char* SqelInsertToTrayFailed = "%s.InsertToTray failed";
inline constexpr const char* SqelDeleteFromTrayFailed = "%s.DeleteFromTray failed";
inline constexpr const char* SqelWrongSaveName =
    "AutoSave can not be set because the SaveName property contains a wrong file name";
inline constexpr const char* SqelCannotLoad = "Can not load data from the \"%s\" file";
inline constexpr const char* SqelCannotSave = "Can not save data to the \"%s\" file";

}  // namespace utility
