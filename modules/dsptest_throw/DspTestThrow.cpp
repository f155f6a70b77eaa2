// Test plug-in of the standard layout whose code throws: a module that throws
// from Init, one that initialises and then throws from every later call, and,
// when the tests ask, a header entry or module getter that throws.
#include <algorithm>
#include <iterator>
#include <stdexcept>

#include "engine/MMPlgDSP.h"
#include "modules/dsptest_common/DspTestProbe.h"

using engine::TMMDSPHeader;
using engine::TMMDSPStandardModule;

namespace {

DspTestProbe probe;

int32_t ThrowingInit(TMMDSPStandardModule*) {
  ++probe.init_calls;
  throw std::runtime_error("init fault");
}

int32_t Init(TMMDSPStandardModule*) {
  ++probe.init_calls;
  return 0;
}

int32_t ThrowingModify(TMMDSPStandardModule*, int16_t* samples, int32_t, int32_t, int32_t, int32_t) {
  ++probe.process_calls;
  samples[0] = 0x7777;  // damage done before the fault
  throw std::logic_error("process fault");
}

void ThrowingQuit(TMMDSPStandardModule*) {
  ++probe.quit_calls;
  throw 42;  // not even an exception class
}

TMMDSPStandardModule modules[] = {
    {"Throws in init", nullptr, nullptr, nullptr, ThrowingInit, ThrowingModify, ThrowingQuit},
    {"Throws when running", nullptr, nullptr, nullptr, Init, ThrowingModify, ThrowingQuit},
};

void* GetModule(int32_t index) {
  if (probe.throw_from_get_module && index == 1) throw std::runtime_error("module list fault");
  if (index < 0 || index >= static_cast<int32_t>(std::size(modules))) return nullptr;
  return &modules[index];
}

TMMDSPHeader header = {16, "Throwing plug-in", GetModule};

}  // namespace

extern "C" {

TMMDSPHeader* winampDSPGetHeader2() {
  ++probe.header_calls;
  if (probe.throw_from_header) throw std::runtime_error("header fault");
  return &header;
}

DspTestProbe* DspTestGetProbe() { return &probe; }
}
