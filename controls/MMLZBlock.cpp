#include "controls/MMLZBlock.h"

#include <array>
#include <cassert>
#include <cstring>

namespace controls {

namespace {

constexpr uint8_t kFlagStored = 0x80;
constexpr uint8_t kFlagCoded = 0x40;
constexpr int kMaxRun = 4095;
constexpr int kMinRun = 16;
constexpr int kMaxMatch = 18;
constexpr int kMinMatch = 3;
constexpr int kWindow = 4096;
constexpr uint16_t kEmpty = 0xFFFF;

// The run and match tests look up to two bytes past the block before their
// bound test, and the hash reads them; zeros there change no decision.
constexpr size_t kInputPad = 2;
// A pass of the loop may start a control word and a run token past the end
// before the length test gives up on coding: 2 + 4 bytes.
constexpr size_t kOutputSlack = 6;

uint32_t HashAt(const uint8_t* p) {
  return ((((static_cast<uint32_t>(p[0]) << 4) ^ p[1]) << 4 ^ p[2]) * 40543u >> 4) & 0xFFFu;
}

}  // namespace

std::vector<uint8_t> LZCompressBlock(const uint8_t* data, size_t size) {
  assert(size <= kLZChunkSize);
  const int n = static_cast<int>(size);
  std::vector<uint8_t> in(size + kInputPad, 0);
  if (size > 0) std::memcpy(in.data(), data, size);
  std::vector<uint8_t> out(size + kOutputSlack + 3, 0);
  std::array<uint16_t, 4096> table;
  table.fill(kEmpty);

  out[0] = kFlagCoded;
  int y = 3, z = 1, bits = 0, x = 0;
  uint32_t control = 0;
  auto put_control = [&](int at) {
    out[at] = static_cast<uint8_t>(control >> 8);
    out[at + 1] = static_cast<uint8_t>(control);
  };
  while (x < n && y <= n) {
    if (bits > 15) {
      put_control(z);
      z = y;
      y += 2;
      bits = 0;
    }
    int run = 1;
    while (in[x + run] == in[x] && run < kMaxRun && x + run < n) ++run;
    if (run >= kMinRun) {
      out[y] = 0;
      out[y + 1] = static_cast<uint8_t>((run - kMinRun) >> 8);
      out[y + 2] = static_cast<uint8_t>(run - kMinRun);
      out[y + 3] = in[x];
      y += 4;
      x += run;
      control = control * 2 + 1;
    } else {
      const uint32_t h = HashAt(&in[x]);
      const int e = static_cast<int16_t>(table[h]);
      int length = 0, from = 0;
      if (e != -1 && x - e < kWindow) {
        from = e;
        while (length < kMaxMatch && in[x + length] == in[from + length] && x + length < n) ++length;
      }
      // Positions of 32768 and above read back negative and never match again.
      table[h] = static_cast<uint16_t>(x);
      if (length >= kMinMatch) {
        const int key = (x - from) * 16 + (length - kMinMatch);
        out[y] = static_cast<uint8_t>(key >> 8);
        out[y + 1] = static_cast<uint8_t>(key);
        y += 2;
        x += length;
        control = control * 2 + 1;
      } else {
        out[y] = in[x];
        y += 1;
        x += 1;
        control = control * 2;
      }
    }
    ++bits;
  }
  control <<= (16 - bits);
  put_control(z);
  assert(static_cast<size_t>(y) <= size + kOutputSlack);
  if (y > n) {
    out[0] = kFlagStored;
    if (size > 0) std::memcpy(&out[1], data, size);
    y = n + 1;
  }
  out.resize(static_cast<size_t>(y));
  return out;
}

bool LZDecompressBlock(const uint8_t* data, size_t size, std::vector<uint8_t>& out, size_t max_output) {
  const size_t start = out.size();
  auto fail = [&] {
    out.resize(start);
    return false;
  };
  if (size == 0) return true;
  if (data[0] == kFlagStored) {
    if (size - 1 > max_output) return fail();
    out.insert(out.end(), data + 1, data + size);
    return true;
  }
  if (size <= 3) return true;
  uint32_t control = (static_cast<uint32_t>(data[1]) << 8) | data[2];
  int bits = 16;
  size_t x = 3;
  while (x < size) {
    if (bits == 0) {
      if (x + 2 > size) return fail();
      control = (static_cast<uint32_t>(data[x]) << 8) | data[x + 1];
      bits = 16;
      x += 2;
      // A control word is always followed by an item.
      if (x >= size) return fail();
    }
    const size_t produced = out.size() - start;
    if ((control & 0x8000u) == 0) {
      if (produced + 1 > max_output) return fail();
      out.push_back(data[x]);
      x += 1;
    } else {
      if (x + 2 > size) return fail();
      const size_t offset = (static_cast<size_t>(data[x]) << 4) | (data[x + 1] >> 4);
      if (offset == 0) {
        if (x + 4 > size) return fail();
        const size_t count = ((static_cast<size_t>(data[x + 1]) << 8) | data[x + 2]) + kMinRun;
        if (produced + count > max_output) return fail();
        out.insert(out.end(), count, data[x + 3]);
        x += 4;
      } else {
        const size_t length = (data[x + 1] & 15u) + kMinMatch;
        if (offset > produced || produced + length > max_output) return fail();
        // Byte by byte: a copy closer than its length repeats what it writes.
        for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - offset]);
        x += 2;
      }
    }
    control = (control << 1) & 0xFFFFu;
    --bits;
  }
  return true;
}

}  // namespace controls
