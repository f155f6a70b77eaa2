#include "files/LameEnc.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "platform/kernel/Files.h"
#include "platform/kernel/Modules.h"

namespace files {

namespace {

// The loaded module is shared by every encoder of the program.
std::mutex lame_lock;
std::string lame_module_name = "LAME_ENC.DLL";
plat::HMODULE lame_module = nullptr;
TLameEncoder lame_entries;

template <class Proc>
void Bind(Proc& proc, const char* name) {
  proc = reinterpret_cast<Proc>(plat::GetProcAddress(lame_module, name));
}

void FreeLocked() {
  if (lame_module) plat::FreeLibrary(lame_module);
  lame_module = nullptr;
  lame_entries = {};
}

}  // namespace

bool LoadLameEncoder() {
  std::lock_guard<std::mutex> lock(lame_lock);
  if (lame_module) return true;
  lame_module = plat::LoadLibraryA(lame_module_name.c_str());
  if (!lame_module) return false;
  Bind(lame_entries.beInitStream, "beInitStream");
  Bind(lame_entries.beEncodeChunk, "beEncodeChunk");
  Bind(lame_entries.beDeinitStream, "beDeinitStream");
  Bind(lame_entries.beCloseStream, "beCloseStream");
  Bind(lame_entries.beVersion, "beVersion");
  Bind(lame_entries.beWriteVBRHeader, "beWriteVBRHeader");
  Bind(lame_entries.beWriteInfoTag, "beWriteInfoTag");
  return true;
}

const TLameEncoder& LameEncoder() { return lame_entries; }

std::string MissingLameEntry() {
  std::lock_guard<std::mutex> lock(lame_lock);
  if (!lame_entries.beInitStream) return "beInitStream";
  if (!lame_entries.beEncodeChunk) return "beEncodeChunk";
  if (!lame_entries.beDeinitStream) return "beDeinitStream";
  if (!lame_entries.beCloseStream) return "beCloseStream";
  return {};
}

std::string LameEncoderFileName() {
  std::lock_guard<std::mutex> lock(lame_lock);
  std::string name = lame_module_name;
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dll") == 0)
    name.replace(name.size() - 4, 4, ".so");
  return plat::GetProgramFolder() + name;
}

void FreeLameEncoder() {
  std::lock_guard<std::mutex> lock(lame_lock);
  FreeLocked();
}

void SetLameEncoderModuleName(const std::string& name) {
  std::lock_guard<std::mutex> lock(lame_lock);
  FreeLocked();
  lame_module_name = name;
}

}  // namespace files
