// Reads arbitrary bytes as a project file: every key of the project format is
// read as a number or a check mark, and what the file holds, written back
// whole, reads back with the same values.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/Projects.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/Lists.h"

namespace {

// Beyond the main window's component count, so every index key is tried.
constexpr int kIndices = 400;

std::string ScratchFile(const char* name) {
  static const std::string folder = [] {
    char pattern[] = "/tmp/quellix-fuzz-project-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    return std::string(made) + "/";
  }();
  return folder + name;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string file = ScratchFile("fuzz.prj");
  if (FILE* out = std::fopen(file.c_str(), "wb")) {
    if (size) std::fwrite(data, 1, size, out);
    std::fclose(out);
  }
  app::TProjectReader project(file);
  for (int i = 0; i < kIndices; ++i) {
    project.Integer("TmmLedSpin", "LedSpin" + std::to_string(i), -1);
    project.Integer("TMMSpinButton", "SpinBnt" + std::to_string(i), -1);
    project.Bool("TCheckBox", "Checked" + std::to_string(i), true);
  }
  for (const char* section : {"Color", "Bars", "Bars1", "OL Top", "OL Buton", "NRPeak", "Space", "Decay",
                              "Ballistic", "integeration", "integerationrefer"})
    for (const char* key : {"Color1", "Color10", "Bar1", "Bar4", "Bar15", "Top1", "Top2", "Peak", "Spa",
                            "deca", "decaint", "decaintref"})
      project.Integer(section, key, -1);
  if (project.Rejected().empty() != project.RejectedMessage().empty()) std::abort();

  vcl::TMemIniFile first(file);
  const std::string copy = ScratchFile("copy.prj");
  first.Rename(copy, false);
  try {
    first.UpdateFile();
  } catch (const vcl::EIniFileException&) {
    std::abort();  // the scratch folder is there and writable
  }
  vcl::TMemIniFile second(copy);
  vcl::TStringList sections, keys;
  first.ReadSections(&sections);
  for (int s = 0; s < sections.Count(); ++s) {
    first.ReadSection(sections.Strings(s), &keys);
    for (int k = 0; k < keys.Count(); ++k)
      if (first.ReadString(sections.Strings(s), keys.Strings(k), "\n") !=
          second.ReadString(sections.Strings(s), keys.Strings(k), "\n"))
        std::abort();
  }
  return 0;
}
