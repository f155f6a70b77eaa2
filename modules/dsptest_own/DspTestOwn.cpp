// Test plug-in of the library's own layout, found through its second entry: a
// module that negates its buffer and records the fields the host wrote, the
// same without restart, and a module without any functions.
#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "engine/MMPlgDSP.h"
#include "modules/dsptest_common/DspTestProbe.h"

using engine::TMMDSPHeader;
using engine::TMMDSPOwnModule;

namespace {

DspTestProbe probe;

void CheckThrow() {
  if (probe.throw_from_calls) throw std::runtime_error("module fault");
}

void RecordFields(const TMMDSPOwnModule* m) {
  probe.field_rate = m->SampleRate;
  probe.field_channels = m->Channels;
  probe.field_samples = m->BufferSamples;
}

int32_t Init(TMMDSPOwnModule* m) {
  ++probe.init_calls;
  RecordFields(m);
  CheckThrow();
  return probe.init_result;
}

int32_t Restart(TMMDSPOwnModule* m) {
  ++probe.restart_calls;
  RecordFields(m);
  CheckThrow();
  return probe.restart_result;
}

void Negate(TMMDSPOwnModule* m, int16_t* samples) {
  ++probe.process_calls;
  CheckThrow();
  for (int32_t i = 0; i < m->BufferSamples * m->Channels; ++i) samples[i] = static_cast<int16_t>(-samples[i]);
}

void Quit(TMMDSPOwnModule*) {
  ++probe.quit_calls;
  CheckThrow();
}

TMMDSPOwnModule modules[] = {
    {"Own negate", nullptr, nullptr, 0, 0, 0, 0, Init, Restart, Negate, {}, Quit},
    {"Own without restart", nullptr, nullptr, 0, 0, 0, 0, Init, nullptr, Negate, {}, Quit},
    {"Own bare", nullptr, nullptr, 0, 0, 0, 0, nullptr, nullptr, nullptr, {}, nullptr},
};

void* GetModule(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(std::size(modules))) return nullptr;
  return &modules[index];
}

TMMDSPHeader header = {17, "Own test plug-in", GetModule};

}  // namespace

extern "C" {

TMMDSPHeader* MMPlugInDSPGetHeader() {
  ++probe.header_calls;
  return &header;
}

DspTestProbe* DspTestGetProbe() { return &probe; }
}
