#pragma once
// The button images of the skinned button tests: the push button strip of
// five frames (normal, pressed, disabled, hover, focused), the check box
// strip of four and the radio button strip of eight, each frame in its own
// colour.
#include <vector>

#include "skin/SkinFormFixture.h"

namespace skin_test {

inline const std::vector<vcl::TColor> kButtonStrip = {0x0000C0, 0x00C000, 0xC00000, 0x00C0C0, 0xC0C000};
inline const std::vector<vcl::TColor> kCheckStrip = {0x000040, 0x004000, 0x400000, 0x404000};
inline const std::vector<vcl::TColor> kRadioStrip = {0x000050, 0x000060, 0x000070, 0x000080,
                                                     0x005000, 0x006000, 0x007000, 0x008000};

// Adds the `Buttons` section and its members to a test skin.
inline void AddButtonImages(TestSkinOptions& o) {
  o.buttons +=
      "[Buttons]\nBitmap=btn.bmp\nCheckButton=check.bmp\nCheckButtonFrame=4\n"
      "RadioButton=radio.bmp\nRadioButtonFrame=8\n";
  o.extra.push_back({"btn.bmp", FramesBmp(50, 10, 5, false, kButtonStrip)});
  o.extra.push_back({"check.bmp", FramesBmp(52, 13, 4, false, kCheckStrip)});
  o.extra.push_back({"radio.bmp", FramesBmp(104, 13, 8, false, kRadioStrip)});
}

}  // namespace skin_test
