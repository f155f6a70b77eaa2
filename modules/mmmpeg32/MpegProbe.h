#pragma once
// Finds where the MPEG audio of a file lies, without decoding: a RIFF WAVE
// wrapper gives its data chunk (only for the MPEG format tags), an ID3v2 tag
// at the start is skipped, and then the data must open with several frame
// headers in a row that agree on version, layer and rate. Raw PCM and text
// rarely show even two such headers, so a single chance sync word is not
// taken for MPEG.
#include <cstddef>
#include <cstdint>

namespace mpegmod {

struct MpegFrameHeader {
  int version = 0;  // 1 = MPEG-1, 2 = MPEG-2, 25 = MPEG-2.5
  int layer = 0;
  int bit_rate = 0;  // kbit/s
  int sample_rate = 0;
  int channels = 0;
  int mode = 0;     // 0 stereo, 1 joint, 2 dual, 3 mono
  int length = 0;   // bytes of the whole frame
  int samples = 0;  // per channel
};

// The header at `p` (4 bytes), or false for no valid header. Free-format
// streams are not taken.
bool ParseFrameHeader(const uint8_t* p, MpegFrameHeader& header);

constexpr int kHeadersRequired = 4;

enum class Container { kNone, kRaw, kRiffMpeg };

struct MpegLayout {
  Container container = Container::kNone;
  uint64_t data_offset = 0;  // the MPEG data (for RIFF the data chunk's body)
  uint64_t data_length = 0;
  uint64_t first_frame = 0;  // offset of the first frame from data_offset
  MpegFrameHeader first;
};

// `head` holds the first bytes of a file of `file_size` bytes; `read_at` reads
// further bytes when the header chain runs past it (null: only `head`).
using ReadAt = size_t (*)(void* ctx, uint64_t offset, uint8_t* out, size_t size);
bool ProbeMpeg(uint64_t file_size, ReadAt read_at, void* ctx, MpegLayout& layout);

// The same over a block of memory.
bool ProbeMpegMemory(const uint8_t* data, size_t size, MpegLayout& layout);

}  // namespace mpegmod
