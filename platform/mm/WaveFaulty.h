#pragma once
// The faulty pair, "Faulty Input" and "Faulty Output": virtual devices that
// tests configure to refuse formats, withhold notices or fail calls. Without
// configuration they behave like a silent input and a discarding output.
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "platform/mm/WaveDriver.h"

namespace plat::wavedev {

struct FaultyConfig {
  // True refuses the format with WAVERR_BADFORMAT (also for format queries).
  std::function<bool(const WAVEFORMATEX&)> refuse_format;
  // Calls that fail, with the code they return.
  std::map<wave::Call, MMRESULT> fail;
  // Notices (WIM_* / WOM_*) that are never delivered.
  std::set<UINT> withhold;
  // The standard formats the capabilities announce.
  DWORD formats = WAVE_FORMAT_STANDARD_ALL;
  // Positions asked in samples come back in bytes.
  bool position_in_bytes_only = false;
};

void SetFaultyInput(const FaultyConfig& config);
void SetFaultyOutput(const FaultyConfig& config);
// Both back to no faults.
void ResetFaulty();

}  // namespace plat::wavedev

namespace plat::wave {

// The output first, then the input.
std::vector<std::shared_ptr<WaveDevice>> MakeFaultyDevices();

}  // namespace plat::wave
