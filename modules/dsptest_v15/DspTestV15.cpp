// Test plug-in whose header is one version too old to be used.
#include "engine/MMPlgDSP.h"

using engine::TMMDSPHeader;
using engine::TMMDSPStandardModule;

namespace {

TMMDSPStandardModule module = {"Too old", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

void* GetModule(int32_t index) { return index == 0 ? &module : nullptr; }

TMMDSPHeader header = {15, "Version 15 plug-in", GetModule};

}  // namespace

extern "C" TMMDSPHeader* winampDSPGetHeader2() { return &header; }
