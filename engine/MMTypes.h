#pragma once
// Small enumerations the chain components share: the channel mode and sample
// width of a PCM format, and which channel of stereo data a component uses.
#include <cstdint>

namespace engine {

enum TMMMode : uint8_t { mMono, mStereo, mMultiChannel };
enum TMMBits : uint8_t { b8Bit, b16Bit };
enum TMMChannel : uint8_t { chBoth, chLeft, chRight };

}  // namespace engine
