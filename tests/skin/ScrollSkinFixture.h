#pragma once
// The scroll bar images of the skinned scroll bar tests: `ScrollBar` frame
// k in (10k, 0, 0), tracks and thumbs in their own colours by frame.
#include <vector>

#include "skin/SkinFormFixture.h"

namespace skin_test {

inline vcl::TColor BarFrame(int k) { return static_cast<vcl::TColor>(10 * k); }
inline const std::vector<vcl::TColor> kTrack = {0x00C800, 0x009600, 0x006400, 0x003200};
inline const std::vector<vcl::TColor> kThumb = {0xC80000, 0x960000, 0x640000};

// Adds the scroll bar sections and their members to a test skin.
inline void AddScrollImages(TestSkinOptions& o) {
  std::vector<vcl::TColor> bar;
  for (int k = 1; k <= 23; ++k) bar.push_back(BarFrame(k));
  o.buttons +=
      "[Scrollbar]\nImage=bar.bmp\n[VertScroll]\nImage=vtrack.bmp\n[HorzScroll]\nImage=htrack.bmp\n"
      "[VertScrollThumb]\nImage=vthumb.bmp\nFrameCount=3\n[HorzScrollThumb]\nImage=hthumb.bmp\nFrameCount="
      "3\n";
  o.extra.push_back({"bar.bmp", FramesBmp(23 * 16, 16, 23, false, bar)});
  o.extra.push_back({"vtrack.bmp", FramesBmp(64, 16, 4, false, kTrack)});
  o.extra.push_back({"htrack.bmp", FramesBmp(64, 16, 4, false, kTrack)});
  o.extra.push_back({"vthumb.bmp", FramesBmp(48, 16, 3, false, kThumb)});
  o.extra.push_back({"hthumb.bmp", FramesBmp(48, 16, 3, false, kThumb)});
}

}  // namespace skin_test
