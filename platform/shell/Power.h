#pragma once
// Ending the session and powering the machine down, through the login
// manager on the system bus (logind). Nothing is done without its consent:
// a "no" or "na" from its Can… questions, no bus or no answer is a failure.
#include "platform/kernel/Types.h"

namespace plat {

constexpr UINT EWX_LOGOFF = 0;
constexpr UINT EWX_SHUTDOWN = 1;
constexpr UINT EWX_REBOOT = 2;
constexpr UINT EWX_FORCE = 4;
constexpr UINT EWX_POWEROFF = 8;

enum class PowerAction { powerOff, halt, reboot, logOff, suspend, hibernate };

// The action an ExitWindowsEx flag word asks for (EWX_FORCE aside).
PowerAction PowerActionOfExitFlags(UINT flags);

// Asks the login manager; `interactive` lets it ask the user for leave.
// Logging off ends this program's login session at once. The login manager
// may be told to ignore inhibitors only where its policy allows; `force`
// asks for nothing more than the plain call here. Under test
// (QUELLIX_TESTING set) only a private system bus address is ever used.
bool RequestPowerAction(PowerAction action, bool force);

BOOL ExitWindowsEx(UINT flags, DWORD reason);
BOOL SetSystemPowerState(BOOL suspend, BOOL force);

}  // namespace plat
