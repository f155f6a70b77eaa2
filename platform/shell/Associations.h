#pragma once
// File-type associations on the desktop: a shared-mime-info package that
// names the type by its extension, a desktop entry that opens it, and the
// user's default in mimeapps.list. SHChangeNotify refreshes the desktop's
// databases once per turn of the message loop, however many changes came.
#include <string>
#include <string_view>
#include <vector>

#include "platform/kernel/Types.h"

namespace plat {

struct FileAssociation {
  struct Verb {
    std::string name;  // "open", "edit", "print", ...
    std::string description;
    std::string command;  // "%1" stands for the file
  };
  std::string extension;  // with its dot
  std::string type_name;
  std::string description;
  std::string icon_file;
  std::vector<Verb> verbs;  // verbs without a command are left out
};

// "application/x-" and the type name in lower case, made safe.
std::string AssociationMimeType(const std::string& type_name);
std::string AssociationPackagePath(const std::string& extension);
std::string AssociationDesktopPath(const std::string& extension);

// Writes the package, the desktop entry and the default. False (nothing
// half written is left for this extension) when a text cannot be put into
// the files safely or a file cannot be written.
bool ExportFileAssociation(const FileAssociation& association);
// Removes what ExportFileAssociation wrote for the extension; true when none is left.
bool RemoveFileAssociation(const std::string& extension);

// The text of a mimeapps.list with `mime`'s default set to `entry` (an
// empty entry removes it); every other line stays as it was.
std::string WithDefaultApplication(std::string_view text, const std::string& mime, const std::string& entry);

constexpr LONG SHCNE_ASSOCCHANGED = 0x08000000;
constexpr UINT SHCNF_IDLIST = 0x0000;
// SHCNE_ASSOCCHANGED schedules FlushAssociationChanges on the calling
// thread's next turn of its message loop; other events are ignored.
void SHChangeNotify(LONG event, UINT flags, const void* item1, const void* item2);
// Runs update-mime-database (and update-desktop-database where installed) on
// the user's folders now, when a change is pending. Returns the runs made.
int FlushAssociationChanges();

}  // namespace plat
