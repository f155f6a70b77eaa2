// Reads arbitrary bytes as the user's mimeapps.list: setting a default never
// loses another line, and removing it twice is removing it once.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/shell/Associations.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  const std::string mime = "application/x-abcfile";
  std::string set = plat::WithDefaultApplication(text, mime, "quellix-abc.desktop");
  if (set.find(mime + "=quellix-abc.desktop;\n") == std::string::npos) std::abort();
  // Removing leaves the line nowhere in the group of defaults.
  std::string removed = plat::WithDefaultApplication(set, mime, "");
  if (plat::WithDefaultApplication(removed, mime, "") != removed) std::abort();
  // Every line of the original that named another type is still there.
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    if (line.rfind(mime + "=", 0) != 0 && set.find(line) == std::string::npos) std::abort();
    if (end == std::string::npos) break;
    at = end + 1;
  }
  return 0;
}
