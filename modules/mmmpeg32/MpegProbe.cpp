#include "modules/mmmpeg32/MpegProbe.h"

#include <cstring>

namespace mpegmod {

namespace {

constexpr int kBitRates[2][3][16] = {
    // MPEG-1: layer I, II, III
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, -1},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, -1},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1}},
    // MPEG-2 and 2.5
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, -1},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, -1}}};

constexpr int kSampleRates[3] = {44100, 48000, 32000};

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

size_t Read(ReadAt read_at, void* ctx, uint64_t offset, uint8_t* out, size_t size) {
  return read_at ? read_at(ctx, offset, out, size) : 0;
}

// Counts agreeing headers from `offset` within [0, end) of the data.
bool HeaderChain(ReadAt read_at, void* ctx, uint64_t base, uint64_t offset, uint64_t end,
                 MpegFrameHeader& first) {
  uint8_t raw[4];
  int count = 0;
  MpegFrameHeader h;
  while (count < kHeadersRequired) {
    if (offset == end && count > 0) return true;  // a short stream that ends exactly on a frame
    if (end - offset >= 3 && count > 0) {
      // An ID3v1 tag right after the last frame also ends a short stream.
      uint8_t tag[3];
      if (Read(read_at, ctx, base + offset, tag, 3) == 3 && std::memcmp(tag, "TAG", 3) == 0 &&
          end - offset == 128)
        return true;
    }
    if (end < offset + 4 || Read(read_at, ctx, base + offset, raw, 4) != 4) return false;
    if (!ParseFrameHeader(raw, h)) return false;
    if (count == 0) {
      first = h;
    } else if (h.version != first.version || h.layer != first.layer || h.sample_rate != first.sample_rate) {
      return false;
    }
    if (offset + static_cast<uint64_t>(h.length) > end) return false;
    offset += static_cast<uint64_t>(h.length);
    ++count;
  }
  return true;
}

struct Memory {
  const uint8_t* data;
  size_t size;
};

size_t ReadMemory(void* ctx, uint64_t offset, uint8_t* out, size_t size) {
  const auto* m = static_cast<const Memory*>(ctx);
  if (offset >= m->size) return 0;
  const size_t n =
      static_cast<size_t>(m->size - offset) < size ? static_cast<size_t>(m->size - offset) : size;
  std::memcpy(out, m->data + offset, n);
  return n;
}

}  // namespace

bool ParseFrameHeader(const uint8_t* p, MpegFrameHeader& header) {
  if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
  const int version_bits = (p[1] >> 3) & 3;
  const int layer_bits = (p[1] >> 1) & 3;
  const int rate_index = (p[2] >> 2) & 3;
  const int bit_index = p[2] >> 4;
  if (version_bits == 1 || layer_bits == 0 || rate_index == 3 || bit_index == 0 || bit_index == 15 ||
      (p[3] & 3) == 2)
    return false;
  MpegFrameHeader h;
  h.version = version_bits == 3 ? 1 : version_bits == 2 ? 2 : 25;
  h.layer = 4 - layer_bits;
  h.bit_rate = kBitRates[h.version == 1 ? 0 : 1][h.layer - 1][bit_index];
  h.sample_rate = kSampleRates[rate_index] / (h.version == 1 ? 1 : h.version == 2 ? 2 : 4);
  h.mode = p[3] >> 6;
  h.channels = h.mode == 3 ? 1 : 2;
  const int padding = (p[2] >> 1) & 1;
  if (h.layer == 1) {
    h.samples = 384;
    h.length = (12 * h.bit_rate * 1000 / h.sample_rate + padding) * 4;
  } else if (h.layer == 2 || h.version == 1) {
    h.samples = 1152;
    h.length = 144 * h.bit_rate * 1000 / h.sample_rate + padding;
  } else {
    h.samples = 576;
    h.length = 72 * h.bit_rate * 1000 / h.sample_rate + padding;
  }
  if (h.length < 4) return false;
  header = h;
  return true;
}

bool ProbeMpeg(uint64_t file_size, ReadAt read_at, void* ctx, MpegLayout& layout) {
  layout = MpegLayout{};
  uint8_t head[12];
  uint64_t data_offset = 0;
  uint64_t data_length = file_size;
  Container container = Container::kRaw;
  if (file_size >= 12 && Read(read_at, ctx, 0, head, 12) == 12 && std::memcmp(head, "RIFF", 4) == 0 &&
      std::memcmp(head + 8, "WAVE", 4) == 0) {
    // Walk the chunks: the format must name MPEG data, and only the data
    // chunk's body is the stream.
    uint64_t offset = 12;
    int tag = -1;
    bool found_data = false;
    while (offset + 8 <= file_size) {
      uint8_t chunk[10];
      if (Read(read_at, ctx, offset, chunk, 8) != 8) return false;
      const uint64_t size = Le32(chunk + 4);
      if (std::memcmp(chunk, "fmt ", 4) == 0) {
        if (size < 2 || Read(read_at, ctx, offset + 8, chunk + 8, 2) != 2) return false;
        tag = chunk[8] | chunk[9] << 8;
      } else if (std::memcmp(chunk, "data", 4) == 0) {
        data_offset = offset + 8;
        data_length = size < file_size - data_offset ? size : file_size - data_offset;
        found_data = true;
        break;
      }
      offset += 8 + size + (size & 1);
    }
    if (!found_data || (tag != 0x50 && tag != 0x55)) return false;
    container = Container::kRiffMpeg;
  }
  uint64_t first = 0;
  uint8_t id3[10];
  if (container == Container::kRaw && data_length >= 10 && Read(read_at, ctx, 0, id3, 10) == 10 &&
      std::memcmp(id3, "ID3", 3) == 0) {
    if ((id3[6] | id3[7] | id3[8] | id3[9]) & 0x80) return false;
    first = 10 + (static_cast<uint64_t>(id3[6]) << 21 | id3[7] << 14 | id3[8] << 7 | id3[9]);
    if (id3[5] & 0x10) first += 10;  // footer
  }
  if (first >= data_length) return false;
  MpegFrameHeader header;
  if (!HeaderChain(read_at, ctx, data_offset, first, data_length, header)) return false;
  layout.container = container;
  layout.data_offset = data_offset;
  layout.data_length = data_length;
  layout.first_frame = first;
  layout.first = header;
  return true;
}

bool ProbeMpegMemory(const uint8_t* data, size_t size, MpegLayout& layout) {
  Memory m{data, size};
  return ProbeMpeg(size, &ReadMemory, &m, layout);
}

}  // namespace mpegmod
