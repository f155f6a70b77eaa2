#include "platform/user/Bitmaps.h"

#include <vector>

#include "platform/gdi/BmpFile.h"
#include "platform/kernel/Errors.h"

namespace plat {

namespace {

constexpr int kMarkSide = 13;

// Rows of a mark, top first; '#' is ink.
const char* const kCheck[kMarkSide] = {".............", ".............", ".............", "..........#..",
                                       ".........##..", "..#.....###..", "..##...###...", "..###.###....",
                                       "...#####.....", "....###......", ".....#.......", ".............",
                                       "............."};
const char* const kArrow[kMarkSide] = {".............", ".............", ".............", "....#........",
                                       "....##.......", "....###......", "....####.....", "....###......",
                                       "....##.......", "....#........", ".............", ".............",
                                       "............."};

HBITMAP Mark(const char* const (&rows)[kMarkSide]) {
  // Monochrome rows are padded to 16 bits; a set bit is white.
  std::vector<BYTE> bits(2 * kMarkSide, 0xFF);
  for (int y = 0; y < kMarkSide; ++y)
    for (int x = 0; x < kMarkSide; ++x)
      if (rows[y][x] == '#') bits[y * 2 + x / 8] &= static_cast<BYTE>(~(0x80 >> (x % 8)));
  return CreateBitmap(kMarkSide, kMarkSide, 1, 1, bits.data());
}

}  // namespace

HBITMAP LoadBitmapA(HINSTANCE instance, const char* name) {
  if (!instance) {
    const WORD id = IS_INTRESOURCE(name) ? static_cast<WORD>(reinterpret_cast<uintptr_t>(name)) : 0;
    if (id == OBM_CHECK) return Mark(kCheck);
    if (id == OBM_MNARROW) return Mark(kArrow);
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  HRSRC found = FindResourceA(instance, name, RT_BITMAP);
  HGLOBAL loaded = found ? LoadResource(instance, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const BmpReadResult read = ReadBmp(static_cast<const uint8_t*>(data), SizeofResource(instance, found));
  if (!read.ok) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  return BitmapFromDib(read.image);
}

}  // namespace plat
