#include "app/Projects.h"

#include <cstdlib>
#include <filesystem>

#include "files/MMFileGuard.h"
#include "platform/kernel/Files.h"
#include "platform/vcl/SysUtils.h"

namespace app {

const char* const kProjectsFolderName = "Analyzer Projects";
const char* const kDefaultProjectName = "Default.prj";

namespace {

// The messages name a few values; a file of junk would otherwise fill the screen.
constexpr size_t kNamedRejects = 8;

bool IsFile(const std::string& path) {
  const plat::DWORD attributes = plat::GetFileAttributesA(path.c_str());
  return attributes != plat::INVALID_FILE_ATTRIBUTES && !(attributes & plat::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

std::string UserDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/')
    return std::string(xdg) + "/quellix/";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.local/share/quellix/";
}

std::string PeakDataFolder() { return UserDataFolder() + "Analyzer Peak Data/"; }

bool PreparePeakDataFolder() {
  std::error_code ignored;
  std::filesystem::create_directories(PeakDataFolder(), ignored);
  return std::filesystem::is_directory(PeakDataFolder(), ignored);
}

void SaveLinesWhole(const vcl::TStrings& lines, const std::string& target) {
  const std::string temporary = files::TemporaryFileName(target);
  const auto fail = [&] {
    std::error_code ignored;
    std::filesystem::remove(plat::ResolvePath(temporary), ignored);
    return vcl::EFCreateError("Cannot create file \"" + target + "\"");
  };
  try {
    lines.SaveToFile(temporary);
  } catch (const vcl::EStreamError&) {
    throw fail();
  }
  if (!files::ReplaceFileWith(temporary, target)) throw fail();
}

std::string ProjectsFolder() { return UserDataFolder() + kProjectsFolderName + "/"; }

std::string DefaultProjectPath() { return ProjectsFolder() + kDefaultProjectName; }

std::string ShippedDefaultProject() {
  return plat::GetProgramFolder() + kProjectsFolderName + "/" + kDefaultProjectName;
}

void PrepareProjectsFolder() {
  std::error_code ignored;
  std::filesystem::create_directories(ProjectsFolder(), ignored);
  const std::string target = DefaultProjectPath();
  if (plat::GetFileAttributesA(target.c_str()) != plat::INVALID_FILE_ATTRIBUTES) return;
  const std::string shipped = ShippedDefaultProject();
  if (!IsFile(shipped)) return;
  // Through the INI writer, so the copy appears whole or not at all.
  try {
    vcl::TMemIniFile ini(shipped);
    ini.Rename(target, false);
    ini.UpdateFile();
  } catch (const vcl::EIniFileException&) {
    // The load then finds no file and keeps the description's values.
  }
}

TProjectReader::TProjectReader(const std::string& file_name) : ini_(file_name) {}

int TProjectReader::Integer(const std::string& section, const std::string& key, int default_value) {
  // A key that is there reads "" at most; the marker cannot be a value read
  // from a line, since values never hold line breaks.
  const std::string missing = "\n";
  const std::string text = ini_.ReadString(section, key, missing);
  if (text == missing) return default_value;
  int value;
  if (vcl::TryStrToInt(text, value)) return value;
  rejected_.push_back("[" + section + "] " + key + "=" + text);
  return default_value;
}

bool TProjectReader::Bool(const std::string& section, const std::string& key, bool default_value) {
  return Integer(section, key, default_value ? 1 : 0) != 0;
}

std::string TProjectReader::RejectedMessage() const {
  if (rejected_.empty()) return {};
  const bool one = rejected_.size() == 1;
  std::string text = "The project \"" + ini_.FileName() + "\" has " + std::to_string(rejected_.size()) +
                     (one ? " value that is not a whole number in range; its default was used:"
                          : " values that are not whole numbers in range; their defaults were used:");
  for (size_t i = 0; i < rejected_.size() && i < kNamedRejects; ++i) text += "\n" + rejected_[i];
  if (rejected_.size() > kNamedRejects)
    text += "\n... and " + std::to_string(rejected_.size() - kNamedRejects) + " more";
  return text;
}

}  // namespace app
