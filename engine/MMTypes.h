#pragma once
// Small enumerations the chain components share: the channel mode and sample
// width of a PCM format, which channel of stereo data a component uses, and
// the unit of positions and time limits, and the layout enumerations the
// scales, meters, slider and spin button share.
#include <cstdint>

namespace engine {

enum TMMMode : uint8_t { mMono, mStereo, mMultiChannel };
enum TMMBits : uint8_t { b8Bit, b16Bit };
enum TMMChannel : uint8_t { chBoth, chLeft, chRight };
enum TMMTimeFormats : uint8_t { tfMillisecond, tfByte, tfSample };
// Which edge of a scale's rectangle the ticks hang from.
enum TMMScaleOrigin : uint8_t { soInner, soOuter };
// Which long edges of a scale or slider get ticks.
enum TMMScalePos : uint8_t { spAboveOrLeft, spBelowOrRight, spBoth };
// Controls laid out along one axis: sliders, spin buttons.
enum TMMOrientation : uint8_t { orVertical, orHorizontal };

}  // namespace engine
