#pragma once
// The LED read-outs' strips, drawn at build time in exactly three colours,
// which the controls recolour: white for a lit segment, silver (192, 192, 192)
// for an unlit one, black for the background. Cells sit side by side.
//   LCD_WxH:  11 cells of W x H, cell 0 all unlit, cells 1..10 the digits 0..9;
//   LCDS_WxH: 4 cells, blank, period, colon, minus (every mark unlit in cell 0);
//   LCD_MODE: 4 cells of 27 x 11, all unlit, mono, stereo, multichannel.
#include <cstdint>
#include <vector>

namespace resgen {

constexpr int kLedModeCellWidth = 27;
constexpr int kLedModeCellHeight = 11;

std::vector<uint8_t> DrawDigitStrip(int cell_width, int cell_height);
std::vector<uint8_t> DrawSignStrip(int cell_width, int cell_height);
std::vector<uint8_t> DrawModeStrip();

template <int W, int H>
std::vector<uint8_t> DrawDigitStripN() {
  return DrawDigitStrip(W, H);
}
template <int W, int H>
std::vector<uint8_t> DrawSignStripN() {
  return DrawSignStrip(W, H);
}

}  // namespace resgen
