// Test plug-in exporting a header of each layout; the host must take the
// library's own one.
#include "engine/MMPlgDSP.h"

using engine::TMMDSPHeader;
using engine::TMMDSPOwnModule;
using engine::TMMDSPStandardModule;

namespace {

TMMDSPOwnModule own_module = {"Own view", nullptr, nullptr, 0,       0,  0,
                              0,          nullptr, nullptr, nullptr, {}, nullptr};
TMMDSPStandardModule standard_module = {"Standard view", nullptr, nullptr, nullptr,
                                        nullptr,         nullptr, nullptr};

void* GetOwnModule(int32_t index) { return index == 0 ? &own_module : nullptr; }
void* GetStandardModule(int32_t index) { return index == 0 ? &standard_module : nullptr; }

TMMDSPHeader own_header = {16, "Both, own layout", GetOwnModule};
TMMDSPHeader standard_header = {16, "Both, standard layout", GetStandardModule};

}  // namespace

extern "C" {

TMMDSPHeader* winampDSPGetHeader2() { return &standard_header; }
TMMDSPHeader* winampDSPGetHeader() { return &own_header; }
}
