// Test plug-in of the standard layout, version 16: a pass-through module whose
// answers the tests choose, a module that halves the frame count and a module
// without any functions.
#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "engine/MMPlgDSP.h"
#include "modules/dsptest_common/DspTestProbe.h"

using engine::TMMDSPHeader;
using engine::TMMDSPStandardModule;

namespace {

DspTestProbe probe;

void CheckThrow() {
  if (probe.throw_from_calls) throw std::runtime_error("module fault");
}

void Config(TMMDSPStandardModule*) { ++probe.config_calls; }

int32_t Init(TMMDSPStandardModule*) {
  ++probe.init_calls;
  CheckThrow();
  return probe.init_result;
}

int32_t PassSamples(TMMDSPStandardModule*, int16_t*, int32_t count, int32_t bits, int32_t channels,
                    int32_t rate) {
  ++probe.process_calls;
  probe.count = count;
  probe.bits = bits;
  probe.channels = channels;
  probe.rate = rate;
  CheckThrow();
  return probe.override_count ? probe.count_result : count;
}

// Keeps every second frame.
int32_t HalveSamples(TMMDSPStandardModule*, int16_t* samples, int32_t count, int32_t, int32_t channels,
                     int32_t) {
  ++probe.process_calls;
  for (int32_t frame = 0; frame < count / 2; ++frame)
    for (int32_t c = 0; c < channels; ++c) samples[frame * channels + c] = samples[2 * frame * channels + c];
  return count / 2;
}

void Quit(TMMDSPStandardModule*) {
  ++probe.quit_calls;
  CheckThrow();
}

TMMDSPStandardModule modules[] = {
    {"Standard pass", nullptr, nullptr, Config, Init, PassSamples, Quit},
    {"Standard halving", nullptr, nullptr, Config, Init, HalveSamples, Quit},
    {"Standard bare", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr},
};

void* GetModule(int32_t index) {
  probe.highest_index = std::max(probe.highest_index, static_cast<int>(index));
  if (index < 0 || index >= static_cast<int32_t>(std::size(modules))) return nullptr;
  return &modules[index];
}

TMMDSPHeader header = {16, "Standard test plug-in", GetModule};

}  // namespace

extern "C" {

TMMDSPHeader* winampDSPGetHeader2() {
  ++probe.header_calls;
  return &header;
}

DspTestProbe* DspTestGetProbe() { return &probe; }
}
