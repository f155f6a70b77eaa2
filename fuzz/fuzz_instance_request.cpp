// Reads arbitrary bytes as what a later start of the program sends the
// running one: an accepted request holds exactly the arguments it carried.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/shell/Instance.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args;
  if (!plat::ParseInstanceRequest(text, args)) return 0;
  std::string again("activate", 9);
  for (const std::string& arg : args) {
    if (arg.find('\0') != std::string::npos) std::abort();
    again += arg + '\0';
  }
  if (again != text) std::abort();
  return 0;
}
