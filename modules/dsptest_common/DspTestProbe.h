#pragma once
// What the test plug-ins record of the host's calls, and the answers the tests
// ask of them. Each plug-in exports DspTestGetProbe for its own probe; the
// probe starts afresh whenever the plug-in is really loaded again.
#include <cstdint>

struct DspTestProbe {
  // Set by the tests.
  int32_t init_result = 0;
  int32_t restart_result = 0;
  bool override_count = false;  // ModifySamples answers `count_result`
  int32_t count_result = 0;
  bool throw_from_header = false;
  bool throw_from_get_module = false;
  bool throw_from_calls = false;  // every module call throws

  // Recorded by the plug-in.
  int header_calls = 0;
  int highest_index = -1;  // highest index asked of GetModule
  int config_calls = 0;
  int init_calls = 0;
  int restart_calls = 0;
  int process_calls = 0;
  int quit_calls = 0;
  int32_t count = -1;  // ModifySamples' arguments
  int32_t bits = -1;
  int32_t channels = -1;
  int32_t rate = -1;
  // An own module's fields as they were when init or restart ran.
  int32_t field_rate = -1;
  int32_t field_channels = -1;
  int32_t field_samples = -1;
};

extern "C" DspTestProbe* DspTestGetProbe();
