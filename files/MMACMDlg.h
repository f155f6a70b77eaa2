#pragma once
// Names of a wave format for people: the format tag's name and a line such
// as "44.100 kHz, 16 Bit, Stereo", from the audio compression manager where
// it is loaded, else from the engine's own tables.
#include <string>

#include "platform/mm/MMSystem.h"

namespace files {

// False for a null format; otherwise fills both texts and answers true. A
// call of the compression manager that fails falls back for that text alone.
bool GetWaveFormatText(const plat::WAVEFORMATEX* format, std::string& tag_name, std::string& format_text);

}  // namespace files
