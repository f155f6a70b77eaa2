#pragma once
// The track bar grooves a skin without track sections falls back to:
// "TRACK" 16 x 4 and "TRACKVERT" 4 x 16, 24-bit. A sunken groove: dark on
// the upper (left) side, white on the lower (right) side, grey inside; the
// three-pixel ends that the skin loader keeps fixed are the same as the
// middle, so any stretch looks alike.
#include <cstdint>
#include <vector>

namespace resgen {

std::vector<uint8_t> DrawSkinTrack();
std::vector<uint8_t> DrawSkinTrackVert();

}  // namespace resgen
