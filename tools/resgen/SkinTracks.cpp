#include "SkinTracks.h"

#include "BmpWriter.h"

namespace resgen {

namespace {

// Across the groove, from its upper (left) edge.
constexpr Rgb kAcross[4] = {{128, 128, 128}, {64, 64, 64}, {192, 192, 192}, {255, 255, 255}};

std::vector<uint8_t> Groove(bool vertical) {
  const int width = vertical ? 4 : 16, height = vertical ? 16 : 4;
  std::vector<Rgb> pixels;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) pixels.push_back(kAcross[vertical ? x : y]);
  return WriteBmp24(width, height, pixels);
}

}  // namespace

std::vector<uint8_t> DrawSkinTrack() { return Groove(false); }
std::vector<uint8_t> DrawSkinTrackVert() { return Groove(true); }

}  // namespace resgen
