#pragma once
// Where the analyser's project files live and how their values are read.
// Projects are kept in the user's data folder, "$XDG_DATA_HOME/quellix/Analyzer
// Projects/" (by default under ~/.local/share); the program ships its own
// "Default.prj" in "Analyzer Projects" beside itself and copies it into the
// user's folder when the user has none.
#include <memory>
#include <string>
#include <vector>

#include "platform/vcl/IniFiles.h"

namespace app {

extern const char* const kProjectsFolderName;  // "Analyzer Projects"
extern const char* const kDefaultProjectName;  // "Default.prj"

// The user's data folder, "$XDG_DATA_HOME/quellix/", ending in '/': everything
// the program writes lives below it.
std::string UserDataFolder();
// "Analyzer Peak Data" in the user's data folder, ending in '/': frozen
// spectra and scan results.
std::string PeakDataFolder();
// Creates the peak-data folder when it is missing; false when it is not there
// afterwards.
bool PreparePeakDataFolder();

// Writes the lines, CR LF, through a temporary file beside `target`, so an
// earlier file is replaced only by a whole one. EFCreateError naming the
// target when it cannot be written.
void SaveLinesWhole(const vcl::TStrings& lines, const std::string& target);

// The user's projects folder, ending in '/'.
std::string ProjectsFolder();
// The default project the main window loads at start and writes on close.
std::string DefaultProjectPath();
// The default project shipped beside the program.
std::string ShippedDefaultProject();
// Creates the projects folder when it is missing and copies the shipped
// default project in when the folder holds none. Failures are left to the
// project's load and save, which fall back or report.
void PrepareProjectsFolder();

// Reads a project file once. A missing key reads as the caller's default, as
// the format has it; a value that is there but is no 32-bit integer also reads
// as the default and is remembered, so the load can say which values it did
// not take.
class TProjectReader {
 public:
  explicit TProjectReader(const std::string& file_name);

  int Integer(const std::string& section, const std::string& key, int default_value);
  // Any integer but 0 is true.
  bool Bool(const std::string& section, const std::string& key, bool default_value);

  // "[section] key=value" of each value that was not taken, in reading order.
  const std::vector<std::string>& Rejected() const { return rejected_; }
  // One message naming the file and the values not taken; empty when all were.
  std::string RejectedMessage() const;

 private:
  vcl::TMemIniFile ini_;
  std::vector<std::string> rejected_;
};

}  // namespace app
