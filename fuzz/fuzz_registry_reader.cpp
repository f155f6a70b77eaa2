// Reads arbitrary bytes as a registry store, writes the tree back and reads
// that again: the second read must skip nothing and give the same tree.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/registry/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  plat::RegistryParseResult first = plat::RegistryParseText(input);
  std::string text = plat::RegistryFormatText(first.tree);
  plat::RegistryParseResult second = plat::RegistryParseText(text);
  if (!second.header_ok || second.skipped_lines != 0) std::abort();
  if (!plat::RegistryTreesEqual(first.tree, second.tree)) std::abort();
  if (plat::RegistryFormatText(second.tree) != text) std::abort();
  return 0;
}
