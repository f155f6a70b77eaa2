#include "engine/MMRIFF.h"

#include <cstring>
#include <new>

#include "engine/MMUtils.h"

namespace engine {

const TRIFFInfoTag RIFFInfoTags[] = {
    {"IARL", "Archival Location", "Where the subject of the file is archived."},
    {"IART", "Artist", "The artist of the original subject of the file."},
    {"ICMS", "Commissioned", "Who commissioned the subject of the file."},
    {"ICMT", "Comments", "General comments about the file or its subject."},
    {"ICOP", "Copyright", "Copyright information about the file."},
    {"ICRD", "Creation date", "The date the subject of the file was created."},
    {"ICRP", "Cropped", "Whether and how an image in the file has been cropped."},
    {"IDIM", "Dimensions", "The size of the original subject of the file."},
    {"IDPI", "Dots Per Inch", "The dots per inch at which the file was digitised."},
    {"IENG", "Engineer", "The engineer who worked on the file."},
    {"IGNR", "Genre", "The genre of the subject."},
    {"IKEY", "Keywords", "Keywords that refer to the file or its subject."},
    {"ILGT", "Lightness", "Changes in lightness settings on the digitiser."},
    {"IMED", "Medium", "The medium of the original subject."},
    {"INAM", "Name", "The title of the subject of the file."},
    {"IPLT", "Palette Setting", "The number of colours requested when digitising."},
    {"IPRD", "Product", "The product the file was originally intended for."},
    {"ISBJ", "Subject", "What the contents of the file describe."},
    {"ISFT", "Software", "The software package used to create the file."},
    {"ISHP", "Sharpness", "Changes in sharpness settings on the digitiser."},
    {"ISRC", "Source", "The person or organisation who supplied the subject."},
    {"ISRF", "Source Form", "The original form of the material that was digitised."},
    {"ITCH", "Technician", "The technician who digitised the subject."},
    {nullptr, nullptr, nullptr},
};

namespace {

constexpr plat::FOURCC kInfo = MakeFOURCC('I', 'N', 'F', 'O');
constexpr plat::FOURCC kDisp = MakeFOURCC('D', 'I', 'S', 'P');

// Zeroed global memory, or null where the library would raise.
void* AllocList(size_t size) {
  try {
    return GlobalAllocZeroed(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

uint32_t Le32(const char* p) {
  const auto* b = reinterpret_cast<const uint8_t*>(p);
  return static_cast<uint32_t>(b[0]) | (static_cast<uint32_t>(b[1]) << 8) |
         (static_cast<uint32_t>(b[2]) << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

plat::FOURCC TagId(int index) { return plat::mmioStringToFOURCCA(RIFFInfoTags[index].Tag, 0); }

// The value's text: up to its zero, never past its sub-chunk or the raw chunk.
std::string EntryValue(const TRIFFInfoList* list, const TRIFFInfoEntry* e) {
  if (list->RawChunk == nullptr || e->Offset == 0 || e->Offset >= list->RawSize) return std::string();
  const uint32_t room = list->RawSize - e->Offset;
  const uint32_t length = e->Length < room ? e->Length : room;
  const char* start = list->RawChunk + e->Offset;
  const void* zero = std::memchr(start, 0, length);
  return std::string(start, zero != nullptr ? static_cast<const char*>(zero) - start : length);
}

bool WriteAll(plat::HMMIO handle, const void* data, uint32_t size) {
  if (size > 0x7FFFFFFF) return false;
  return plat::mmioWrite(handle, static_cast<const char*>(data), static_cast<plat::LONG>(size)) ==
         static_cast<plat::LONG>(size);
}

}  // namespace

int32_t CreateRIFFInfoList(TRIFFInfoList*& list) {
  list = static_cast<TRIFFInfoList*>(AllocList(sizeof(TRIFFInfoList)));
  if (list == nullptr) return RIFF_NOMEMORY;
  TRIFFInfoEntry** tail = &list->First;
  for (int i = 0; i < RIFFInfoTagCount; ++i) {
    auto* e = static_cast<TRIFFInfoEntry*>(AllocList(sizeof(TRIFFInfoEntry)));
    if (e == nullptr) {
      FreeRIFFInfoList(list);
      return RIFF_NOMEMORY;
    }
    e->TagIndex = static_cast<uint16_t>(i);
    *tail = e;
    tail = &e->Next;
  }
  return RIFF_NOERROR;
}

int32_t ReadRIFFInfoChunk(plat::HMMIO handle, const plat::MMCKINFO& chunk, TRIFFInfoList* list) {
  if (list == nullptr) return RIFF_BADPARAM;
  if (chunk.cksize < 5) return RIFF_NOERROR;
  const uint32_t size = chunk.cksize - 4;
  // A later LIST INFO chunk is appended to the raw data, so the offsets of
  // values read earlier stay valid.
  const uint32_t base = list->RawSize;
  if (static_cast<uint64_t>(base) + size > 0x7FFFFFFF) return RIFF_NOMEMORY;
  auto* raw = static_cast<char*>(AllocList(static_cast<size_t>(base) + size));
  if (raw == nullptr) return RIFF_NOMEMORY;
  if (plat::mmioRead(handle, raw + base, static_cast<plat::LONG>(size)) != static_cast<plat::LONG>(size)) {
    GlobalFreeAndNil(raw);
    return RIFF_IOERROR;
  }
  if (list->RawChunk != nullptr) std::memcpy(raw, list->RawChunk, base);
  GlobalFreeAndNil(list->RawChunk);
  list->RawChunk = raw;
  list->RawSize = base + size;

  uint64_t pos = 0;
  while (pos + 8 <= size) {  // a header cut by the chunk's end is not read
    const char* header = raw + base + pos;
    const plat::FOURCC id = Le32(header);
    const uint32_t length = Le32(header + 4);
    const uint64_t value = pos + 8;
    for (TRIFFInfoEntry* e = list->First; e != nullptr; e = e->Next) {
      if (TagId(e->TagIndex) == id) {
        e->Offset = static_cast<uint32_t>(base + value);
        e->Length = static_cast<uint32_t>(length < size - value ? length : size - value);
        break;
      }
    }
    pos = value + length + (length & 1);
  }
  return RIFF_NOERROR;
}

int32_t WriteRIFFInfoChunk(plat::HMMIO handle, const TRIFFInfoList* list) {
  if (handle == nullptr || list == nullptr) return RIFF_BADPARAM;
  plat::MMCKINFO info{};
  bool open = false;
  for (const TRIFFInfoEntry* e = list->First; e != nullptr; e = e->Next) {
    const std::string value = EntryValue(list, e);
    if (value.empty()) continue;
    if (!open) {
      info.fccType = kInfo;
      if (plat::mmioCreateChunk(handle, &info, plat::MMIO_CREATELIST) != 0) return RIFF_IOERROR;
      open = true;
    }
    plat::MMCKINFO sub{};
    sub.ckid = TagId(e->TagIndex);
    sub.cksize = static_cast<plat::DWORD>(value.size() + 1);
    if (plat::mmioCreateChunk(handle, &sub, 0) != 0 || !WriteAll(handle, value.c_str(), sub.cksize) ||
        plat::mmioAscend(handle, &sub, 0) != 0)
      return RIFF_IOERROR;
  }
  if (open && plat::mmioAscend(handle, &info, 0) != 0) return RIFF_IOERROR;
  return RIFF_NOERROR;
}

int32_t FreeRIFFInfoList(TRIFFInfoList*& list) {
  if (list == nullptr) return RIFF_BADPARAM;
  GlobalFreeAndNil(list->RawChunk);
  for (TRIFFInfoEntry* e = list->First; e != nullptr;) {
    TRIFFInfoEntry* next = e->Next;
    GlobalFreeAndNil(e);
    e = next;
  }
  GlobalFreeAndNil(list);
  return RIFF_NOERROR;
}

std::string RIFFInfoValue(const TRIFFInfoList* list, const char* tag) {
  if (list == nullptr || tag == nullptr) return std::string();
  const plat::FOURCC id = plat::mmioStringToFOURCCA(tag, 0);
  for (const TRIFFInfoEntry* e = list->First; e != nullptr; e = e->Next)
    if (TagId(e->TagIndex) == id) return EntryValue(list, e);
  return std::string();
}

int32_t CreateRIFFDispList(TRIFFDispList*& list) {
  list = static_cast<TRIFFDispList*>(AllocList(sizeof(TRIFFDispList)));
  return list != nullptr ? RIFF_NOERROR : RIFF_NOMEMORY;
}

int32_t ReadRIFFDispChunk(plat::HMMIO handle, const plat::MMCKINFO& chunk, TRIFFDispList* list) {
  if (list == nullptr) return RIFF_BADPARAM;
  if (chunk.cksize < 5) return RIFF_NOERROR;
  const uint32_t size = chunk.cksize - 4;
  if (size > 0x7FFFFFFF) return RIFF_NOMEMORY;
  auto* entry = static_cast<TRIFFDispEntry*>(AllocList(sizeof(TRIFFDispEntry)));
  if (entry == nullptr) return RIFF_NOMEMORY;
  entry->Data = AllocList(size);
  if (entry->Data == nullptr) {
    GlobalFreeAndNil(entry);
    return RIFF_NOMEMORY;
  }
  entry->DataSize = size;
  char format[4];
  if (plat::mmioRead(handle, format, 4) != 4 ||
      plat::mmioRead(handle, static_cast<char*>(entry->Data), static_cast<plat::LONG>(size)) !=
          static_cast<plat::LONG>(size)) {
    GlobalFreeAndNil(entry->Data);
    GlobalFreeAndNil(entry);
    return RIFF_IOERROR;
  }
  entry->ClipboardFormat = Le32(format);
  TRIFFDispEntry** tail = &list->First;
  while (*tail != nullptr) tail = &(*tail)->Next;
  *tail = entry;
  return RIFF_NOERROR;
}

int64_t PackedDIBSize(const void* dib, uint32_t block_size) {
  if (dib == nullptr || block_size < 4) return -1;
  const char* p = static_cast<const char*>(dib);
  const uint32_t header = Le32(p);
  if (header == 12) return 12 <= block_size ? 12 : -1;  // core header: no size fields
  if (header < 40 || header > block_size) return -1;
  const uint64_t size =
      static_cast<uint64_t>(header) + Le32(p + 20) + 4 * static_cast<uint64_t>(Le32(p + 32));
  return size <= block_size ? static_cast<int64_t>(size) : -1;
}

int32_t WriteRIFFDispChunks(plat::HMMIO handle, const TRIFFDispList* list) {
  if (handle == nullptr || list == nullptr) return RIFF_BADPARAM;
  for (const TRIFFDispEntry* e = list->First; e != nullptr; e = e->Next) {
    if (e->Data == nullptr || e->DataSize == 0 || *static_cast<const char*>(e->Data) == 0) continue;
    uint32_t bytes = 0;
    bool add_zero = false;
    if (e->ClipboardFormat == CF_TEXT) {
      const void* zero = std::memchr(e->Data, 0, e->DataSize);
      bytes = zero != nullptr
                  ? static_cast<uint32_t>(static_cast<const char*>(zero) - static_cast<const char*>(e->Data))
                  : e->DataSize;
      add_zero = true;
    } else if (e->ClipboardFormat == CF_DIB) {
      // A bitmap whose header claims more than its block is dropped, not
      // written from memory past the block.
      const int64_t size = PackedDIBSize(e->Data, e->DataSize);
      if (size < 0) continue;
      bytes = static_cast<uint32_t>(size);
    } else {
      continue;
    }
    plat::MMCKINFO chunk{};
    chunk.ckid = kDisp;
    const char format[4] = {static_cast<char>(e->ClipboardFormat & 0xFF),
                            static_cast<char>((e->ClipboardFormat >> 8) & 0xFF),
                            static_cast<char>((e->ClipboardFormat >> 16) & 0xFF),
                            static_cast<char>((e->ClipboardFormat >> 24) & 0xFF)};
    const char zero = 0;
    if (plat::mmioCreateChunk(handle, &chunk, 0) != 0 || !WriteAll(handle, format, 4) ||
        !WriteAll(handle, e->Data, bytes) || (add_zero && !WriteAll(handle, &zero, 1)) ||
        plat::mmioAscend(handle, &chunk, 0) != 0)
      return RIFF_IOERROR;
  }
  return RIFF_NOERROR;
}

int32_t FreeRIFFDispList(TRIFFDispList*& list, bool free_list) {
  if (list == nullptr) return RIFF_BADPARAM;
  for (TRIFFDispEntry* e = list->First; e != nullptr;) {
    TRIFFDispEntry* next = e->Next;
    GlobalFreeAndNil(e->Data);
    GlobalFreeAndNil(e);
    e = next;
  }
  list->First = nullptr;
  if (free_list) GlobalFreeAndNil(list);
  return RIFF_NOERROR;
}

}  // namespace engine
