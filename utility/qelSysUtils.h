#pragma once
// The utility library's system routines: strings, file names, the registry
// and autorun keys, the platform version flags and the program's paths.
// Positions are 1-based, as the library's callers count them.
#include <string>
#include <string_view>

#include "platform/registry/Registry.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Lists.h"

namespace utility {

int MinInt(int a, int b);
// Shift, Alt and Ctrl as the keyboard state of this program's windows has
// them; another program's keyboard is never seen.
vcl::TShiftState CurrentShiftState();

// 0 when SubStr or S is empty, SubStr is longer than S, or it is not found.
// A Start below 1 counts as 1.
int PosFrom(std::string_view sub_str, std::string_view s, int start);
// The last occurrence that ends at or before Start.
int BackPosFrom(std::string_view sub_str, std::string_view s, int start);
int BackPos(std::string_view sub_str, std::string_view s);

void ReplaceAt(std::string& s, int index, std::string_view old_text, std::string_view new_text);
// Searches on after each inserted text, so New may contain Old.
void ReplaceAll(std::string& s, std::string_view old_text, std::string_view new_text);
void ReplaceChar(std::string& s, char old_char, char new_char);
// Every Separator ends a line; an empty separator leaves Text one line.
void TextToStrings(std::string_view text, std::string_view separator, vcl::TStrings& strings);

// True for an existing file, or when the name can be created: the probe is
// made exclusively (a file that appears meanwhile is never touched) and removed.
bool CanCreateFile(const std::string& name);

std::string IncludeBackslash(const std::string& path);
// One left-to-right pass; a leading "\\" (a network path) stays.
std::string RemoveDoubleBackslashes(const std::string& path);
std::string ExtractNamePart(const std::string& path);
std::string ExtractPathPart(const std::string& path);
std::string ExtractBareName(const std::string& path);
std::string ApplyFileMask(const std::string& source, const std::string& mask);
// Path as it is when it has a drive, starts with "/" or is a network path.
std::string ExpandRelativePath(const std::string& base, const std::string& path);
// This platform has no system folder: the program folder stands for it.
std::string SystemDirectory();

class EqelRegistry : public vcl::Exception {
 public:
  using Exception::Exception;
};

// Raises EqelRegistry "Unable to open the %s key" when the key cannot be made.
void WriteRegistryString(plat::HKEY root, const std::string& key, const std::string& name,
                         const std::string& value);

enum TqelAutoExecKind {
  aekMachineRun,
  aekMachineRunOnce,
  aekUserRun,
  aekUserRunOnce,
  aekServiceRun,
  aekServiceRunOnce
};
void GetAutoRunKey(TqelAutoExecKind kind, plat::HKEY& root, std::string& key);
bool AddToAutoRun(TqelAutoExecKind kind, const std::string& file_name);
bool RemoveFromAutoRun(TqelAutoExecKind kind, const std::string& file_name);

void RegisterClassOnce(vcl::TClass cls);
void RegisterClassesOnce(std::initializer_list<vcl::TClass> classes);

// What RegNotifyStart asked for, so that RegNotifyNext can ask again.
struct TqelRegNotifyRec {
  plat::HKEY key = nullptr;
  int32_t watch_subtree = 0;  // -1 or 0
  plat::DWORD filter = 0;
};
// A manual-reset event signalled on the next change of `key`;
// INVALID_HANDLE_VALUE (with the last error set) when it cannot be asked for.
plat::HANDLE RegNotifyStart(plat::HKEY key, bool watch_subtree, plat::DWORD filter, TqelRegNotifyRec& rec);
// Resets the event and asks again. False for INVALID_HANDLE_VALUE, or with
// the last error set when the registry refuses.
bool RegNotifyNext(plat::HANDLE event, TqelRegNotifyRec& rec);
void RegNotifyClose(plat::HANDLE event);

// The platform version flags, set by DetectVersion from the OS profile.
struct TqelVersionFlags {
  int code = 0;  // 1 Win95 ... 9 WinXP, 0 not recognised
  bool RunningWin95 = false;
  bool RunningWin95OSR2 = false;
  bool RunningWin98 = false;
  bool RunningWin98SE = false;
  bool RunningWinME = false;
  bool RunningWinNT3 = false;
  bool RunningWinNT4 = false;
  bool RunningWin2000 = false;
  bool RunningWinXP = false;
  bool RunningWinNT = false;
  bool RunningWin98OrLater = false;
  bool RunningWin2000OrLater = false;
  bool RunningWinXPOrLater = false;
};
const TqelVersionFlags& VersionFlags();
void DetectVersion();

// The program's path with ".log", and its folder with the trailing delimiter.
const std::string& LogFileName();
const std::string& ProgramPath();
void InitProgramPaths();

}  // namespace utility
