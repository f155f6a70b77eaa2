// Test plug-in of the own layout, found through its first entry, that offers
// more modules than the host takes.
#include <algorithm>
#include <iterator>
#include <string>

#include "engine/MMPlgDSP.h"
#include "modules/dsptest_common/DspTestProbe.h"

using engine::TMMDSPHeader;
using engine::TMMDSPOwnModule;

namespace {

constexpr int kModules = 150;

DspTestProbe probe;
std::string names[kModules];
TMMDSPOwnModule modules[kModules];

void* GetModule(int32_t index) {
  probe.highest_index = std::max(probe.highest_index, static_cast<int>(index));
  if (index < 0 || index >= kModules) return nullptr;
  names[index] = "Module " + std::to_string(index);
  modules[index].Description = names[index].c_str();
  return &modules[index];
}

TMMDSPHeader header = {16, "Many modules", GetModule};

}  // namespace

extern "C" {

TMMDSPHeader* winampDSPGetHeader() { return &header; }

DspTestProbe* DspTestGetProbe() { return &probe; }
}
