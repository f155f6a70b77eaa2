#pragma once
// Starting a program at login: desktop entry files in the user's or the
// machine's autostart folder.
#include <string>

namespace plat {

enum class AutostartScope { user, machine };

// $XDG_CONFIG_HOME/autostart, or the first $XDG_CONFIG_DIRS folder's autostart.
std::string AutostartFolder(AutostartScope scope);
// The entry file for a program: its file name made safe, with ".desktop".
std::string AutostartEntryPath(AutostartScope scope, const std::string& program);

enum class AutostartResult { done, cannotWrite, badText };

// Writes the entry that starts `program` at login, named `title`. With
// `run_once` it carries the marker the program removes at its next start. The
// user folder is made when missing; the machine folder must exist.
AutostartResult WriteAutostartEntry(AutostartScope scope, const std::string& program,
                                    const std::string& title, bool run_once);
// False when the folder cannot be read; true when the entry is gone or was
// never there.
bool RemoveAutostartEntry(AutostartScope scope, const std::string& program);
// Removes the user's entries that carry the run-once marker and start `program`.
void RemoveRunOnceEntries(const std::string& program);

}  // namespace plat
