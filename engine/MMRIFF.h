#pragma once
// The metadata a RIFF WAVE file carries besides its samples: the LIST INFO
// text values and the DISP chunks (clipboard text and bitmaps). They are read
// with the file and written back when it is rewritten, not edited.
#include <cstdint>
#include <string>

#include "platform/mm/MMIO.h"

namespace engine {

// Results of the list routines.
constexpr int32_t RIFF_NOERROR = 0;
constexpr int32_t RIFF_BADPARAM = 2;
constexpr int32_t RIFF_IOERROR = 3;
constexpr int32_t RIFF_NOMEMORY = 4;

constexpr uint32_t CF_TEXT = 1;
constexpr uint32_t CF_DIB = 8;

constexpr plat::FOURCC MakeFOURCC(char c0, char c1, char c2, char c3) {
  return static_cast<plat::FOURCC>(static_cast<uint8_t>(c0)) |
         (static_cast<plat::FOURCC>(static_cast<uint8_t>(c1)) << 8) |
         (static_cast<plat::FOURCC>(static_cast<uint8_t>(c2)) << 16) |
         (static_cast<plat::FOURCC>(static_cast<uint8_t>(c3)) << 24);
}

struct TRIFFInfoTag {
  const char* Tag;  // four characters
  const char* Name;
  const char* Description;
};
// The INFO tags in table order, closed by a row with a null tag.
extern const TRIFFInfoTag RIFFInfoTags[];
constexpr int RIFFInfoTagCount = 23;

struct TRIFFInfoEntry {
  uint16_t TagIndex;
  uint32_t Offset;  // of the value inside the raw chunk; 0 = no value
  uint32_t Length;  // bytes of the sub-chunk that lie inside the raw chunk
  TRIFFInfoEntry* Next;
};

struct TRIFFInfoList {
  char* RawChunk;  // the LIST INFO body after its form type, as read
  uint32_t RawSize;
  TRIFFInfoEntry* First;
};

struct TRIFFDispEntry {
  uint32_t ClipboardFormat;
  void* Data;  // the bytes that followed the format
  uint32_t DataSize;
  TRIFFDispEntry* Next;
};

struct TRIFFDispList {
  TRIFFDispEntry* First;
};

int32_t CreateRIFFInfoList(TRIFFInfoList*& list);
// Reads the body of a LIST INFO chunk the handle stands in (just behind its
// form type). A second chunk adds its values; a repeated tag takes the later one.
int32_t ReadRIFFInfoChunk(plat::HMMIO handle, const plat::MMCKINFO& chunk, TRIFFInfoList* list);
// One LIST INFO chunk with every value in table order; none without values.
int32_t WriteRIFFInfoChunk(plat::HMMIO handle, const TRIFFInfoList* list);
int32_t FreeRIFFInfoList(TRIFFInfoList*& list);
// The value of a tag ("INAM"): the text up to its zero, kept inside its
// sub-chunk and the raw chunk; "" when absent.
std::string RIFFInfoValue(const TRIFFInfoList* list, const char* tag);

int32_t CreateRIFFDispList(TRIFFDispList*& list);
int32_t ReadRIFFDispChunk(plat::HMMIO handle, const plat::MMCKINFO& chunk, TRIFFDispList* list);
// A DISP chunk for every CF_TEXT entry and every CF_DIB entry whose bitmap
// fits its block; other formats are dropped.
int32_t WriteRIFFDispChunks(plat::HMMIO handle, const TRIFFDispList* list);
int32_t FreeRIFFDispList(TRIFFDispList*& list, bool free_list);

// biSize + biSizeImage + 4 * biClrUsed of a packed DIB, or -1 when the block
// is too small for its header or for that size.
int64_t PackedDIBSize(const void* dib, uint32_t block_size);

}  // namespace engine
