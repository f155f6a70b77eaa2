#pragma once
// Wave formats: their size, owned copies, names and descriptions, and the
// conversions between bytes, samples and milliseconds.
#include <cstdint>
#include <string>

#include "engine/MMUtils.h"
#include "platform/mm/MMSystem.h"

namespace engine {

// ---- Wave formats ----

// 0 for no format, 18 for PCM (whatever its cbSize holds), 18 + cbSize otherwise.
int32_t GetWaveFormatSize(const plat::WAVEFORMATEX* format);
// An owned copy of GetWaveFormatSize bytes (PCM copies get cbSize 0), or null
// for a null format. Free it with GlobalFreeAndNil or hold it in a TWaveFormatPtr.
plat::WAVEFORMATEX* CopyWaveFormat(const plat::WAVEFORMATEX* format);
using TWaveFormatPtr = TGlobalPtr<plat::WAVEFORMATEX>;

// The name of the format's tag; "Unknown" for a null format or an unlisted tag.
std::string GetFormatTagName(const plat::WAVEFORMATEX* format);
// "44.100 kHz, 16 Bit, Stereo" with the user's decimal and list separators.
std::string GetWaveFormatDescription(const plat::WAVEFORMATEX* format);

// Conversions. The 32-bit ones round to nearest; those towards bytes then
// round up to a whole block, so no derived byte count cuts a sample frame. A
// format with a zero rate, byte rate or block align raises the
// division-by-zero error.
int32_t WaveBytesToSamples(const plat::WAVEFORMATEX* format, int32_t bytes);
int32_t WaveBytesToTime(const plat::WAVEFORMATEX* format, int32_t bytes);
int32_t WaveSamplesToBytes(const plat::WAVEFORMATEX* format, int32_t samples);
int32_t WaveSamplesToTime(const plat::WAVEFORMATEX* format, int32_t samples);
int32_t WaveTimeToSamples(const plat::WAVEFORMATEX* format, int32_t ms);
int32_t WaveTimeToBytes(const plat::WAVEFORMATEX* format, int32_t ms);
// For positions beyond 32 bits; these truncate.
int64_t WaveSamplesToBytes64(const plat::WAVEFORMATEX* format, int64_t samples);
int64_t WaveSamplesToTime64(const plat::WAVEFORMATEX* format, int64_t samples);

}  // namespace engine
