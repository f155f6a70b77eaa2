#pragma once
// "BMP_WAVE": the picture the wave dialogs show for a file without a picture
// of its own, a 32 x 32 sheet with a waveform on it, drawn at build time as a
// 4-bit BMP. Its bottom-left pixel is the transparent colour.
#include <cstdint>
#include <vector>

namespace resgen {

constexpr int kWaveGlyphSize = 32;

std::vector<uint8_t> DrawWaveGlyph();

}  // namespace resgen
