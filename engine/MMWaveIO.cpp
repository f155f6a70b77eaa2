#include "engine/MMWaveIO.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>

#include "engine/MMMulDiv.h"
#include "platform/kernel/Files.h"
#include "platform/kernel/Profile.h"
#include "platform/kernel/Resources.h"

namespace engine {

// ---- Wave formats ----

namespace {

struct TagName {
  const char* name;
  plat::WORD tag;
};

// Searched from the top, first match wins; closed by a row without a name.
constexpr TagName kTagNames[] = {
    {"Unknown", 0x0000},
    {"PCM", 0x0001},
    {"PCM 32", 0x020C},
    {"Microsoft ADPCM", 0x0002},
    {"Mediavision's ADPCM", 0x0003},
    {"IBM CVSD", 0x0005},
    {"CCITT A-Law", 0x0006},
    {"CCITT mu-Law", 0x0007},
    {"OKI ADPCM", 0x0010},
    {"IMA ADPCM", 0x0011},
    {"DVI ADPCM", 0x0011},
    {"Mediaspace's ADPCM", 0x0012},
    {"Sierra's ADPCM", 0x0013},
    {"CCITT G.723 ADPCM", 0x0014},
    {"Digisound DIGISTD", 0x0015},
    {"Digisound DIGIFIX", 0x0016},
    {"Dialogic OKI ADPCM", 0x0017},
    {"Yamaha ADPCM", 0x0020},
    {"Sonarc", 0x0021},
    {"DSP Group's Truespeech", 0x0022},
    {"Echo SC1", 0x0023},
    {"Audiofile AF36", 0x0024},
    {"Audio Processing Technology", 0x0025},
    {"Audiofile AF10", 0x0026},
    {"Dolby AC2", 0x0030},
    {"Dolby AC2", 0x0209},
    {"GSM 6.10", 0x0031},
    {"Antex ADPCME", 0x0033},
    {"CS IMA ADPCM", 0x0039},
    {"CCITT G.721 ADPCM", 0x0040},
    {"MPEG 1", 0x0050},
    {"MPEG Layer-3", 0x0055},
    {"Creative's ADPCM", 0x0200},
    {"Olivetti's ADPCM", 0x1001},
    {"CDI-C", 0x0204},
    {"CDI-B", 0x0205},
    {"Antex-DVI-OKI ADPCME", 0x0206},
    {"*DEVELOPMENT ONLY TAG*", 0xFFFF},
    {nullptr, 0},
};

// The description's separators, refreshed from the user's settings on every
// call; what was read last is the default for the next read.
std::atomic<char> list_separator{','};
std::atomic<char> decimal_separator{'.'};

char ReadIntlChar(const char* key, char kept) {
  const char fallback[2] = {kept, '\0'};
  char value[2] = {};
  plat::GetProfileStringA("Intl", key, fallback, value, sizeof(value));
  // An entry set to nothing keeps the old character instead of putting a
  // zero into the text.
  return value[0] != '\0' ? value[0] : kept;
}

// Rounds a byte count up to a whole block, in unsigned 32-bit arithmetic.
int32_t RoundUpToBlock(int32_t bytes, plat::WORD block_align) {
  if (block_align == 0) RaiseDivByZero();
  const uint32_t b = static_cast<uint32_t>(bytes);
  return static_cast<int32_t>((b + block_align - 1) / block_align * block_align);
}

// The format's 32-bit fields as the Integer arguments of MulDivRound.
int32_t AsInt(plat::DWORD v) { return static_cast<int32_t>(v); }

}  // namespace

int32_t GetWaveFormatSize(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return 0;
  if (format->wFormatTag == plat::WAVE_FORMAT_PCM) return sizeof(plat::WAVEFORMATEX);
  return static_cast<int32_t>(sizeof(plat::WAVEFORMATEX)) + format->cbSize;
}

plat::WAVEFORMATEX* CopyWaveFormat(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return nullptr;
  const int32_t size = GetWaveFormatSize(format);
  auto* copy = static_cast<plat::WAVEFORMATEX*>(GlobalAllocZeroed(static_cast<size_t>(size)));
  std::memcpy(copy, format, static_cast<size_t>(size));
  if (copy->wFormatTag == plat::WAVE_FORMAT_PCM) copy->cbSize = 0;
  return copy;
}

void ReplaceWaveFormat(plat::WAVEFORMATEX*& slot, const plat::WAVEFORMATEX* format) {
  plat::WAVEFORMATEX* copy = CopyWaveFormat(format);
  GlobalFreeAndNil(slot);
  slot = copy;
}

std::string GetFormatTagName(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return "Unknown";
  for (const TagName* row = kTagNames; row->name != nullptr; ++row)
    if (row->tag == format->wFormatTag) return row->name;
  return "Unknown";
}

std::string GetWaveFormatDescription(const plat::WAVEFORMATEX* format) {
  if (format == nullptr) return "Unknown";
  const char list = ReadIntlChar("sList", list_separator.load());
  list_separator.store(list);
  const char decimal = ReadIntlChar("sDecimal", decimal_separator.load());
  decimal_separator.store(decimal);

  const uint32_t rate = format->nSamplesPerSec;
  const uint32_t channels = format->nChannels;
  // A format with no rate or no channels is described with 0 bits rather
  // than failing; the byte rate is widened so that * 8 cannot wrap.
  const uint64_t bits =
      rate != 0 && channels != 0 ? static_cast<uint64_t>(format->nAvgBytesPerSec) * 8 / rate / channels : 0;
  char buf[128];
  if (channels == 1 || channels == 2)
    std::snprintf(buf, sizeof(buf), "%u%c%.03u kHz%c %llu Bit%c %s", rate / 1000, decimal, rate % 1000, list,
                  static_cast<unsigned long long>(bits), list, channels == 1 ? "Mono" : "Stereo");
  else
    std::snprintf(buf, sizeof(buf), "%u%c%.03u kHz%c %llu Bit%c %u Channels", rate / 1000, decimal,
                  rate % 1000, list, static_cast<unsigned long long>(bits), list, channels);
  return buf;
}

int32_t WaveBytesToSamples(const plat::WAVEFORMATEX* format, int32_t bytes) {
  return MulDivRound(bytes, AsInt(format->nSamplesPerSec), AsInt(format->nAvgBytesPerSec));
}

int32_t WaveBytesToTime(const plat::WAVEFORMATEX* format, int32_t bytes) {
  return MulDivRound(bytes, 1000, AsInt(format->nAvgBytesPerSec));
}

int32_t WaveSamplesToBytes(const plat::WAVEFORMATEX* format, int32_t samples) {
  return RoundUpToBlock(MulDivRound(samples, AsInt(format->nAvgBytesPerSec), AsInt(format->nSamplesPerSec)),
                        format->nBlockAlign);
}

int32_t WaveSamplesToTime(const plat::WAVEFORMATEX* format, int32_t samples) {
  return MulDivRound(samples, 1000, AsInt(format->nSamplesPerSec));
}

int32_t WaveTimeToSamples(const plat::WAVEFORMATEX* format, int32_t ms) {
  return MulDivRound(ms, AsInt(format->nSamplesPerSec), 1000);
}

int32_t WaveTimeToBytes(const plat::WAVEFORMATEX* format, int32_t ms) {
  return RoundUpToBlock(MulDivRound(ms, AsInt(format->nAvgBytesPerSec), 1000), format->nBlockAlign);
}

int64_t WaveSamplesToBytes64(const plat::WAVEFORMATEX* format, int64_t samples) {
  const int64_t align = format->nBlockAlign;
  if (align == 0) RaiseDivByZero();
  const int64_t b = MulDiv64(samples, format->nAvgBytesPerSec, format->nSamplesPerSec);
  return (b + align - 1) / align * align;
}

int64_t WaveSamplesToTime64(const plat::WAVEFORMATEX* format, int64_t samples) {
  return MulDiv64(samples, 1000, format->nSamplesPerSec);
}

int64_t WaveTimeToBytes64(const plat::WAVEFORMATEX* format, int64_t ms) {
  const int64_t align = format->nBlockAlign;
  if (align == 0) RaiseDivByZero();
  const auto b = static_cast<int64_t>((static_cast<__int128>(ms) * format->nAvgBytesPerSec + 500) / 1000);
  return (b + align - 1) / align * align;
}

// ---- RIFF WAVE files ----

namespace {

constexpr plat::FOURCC kWave = MakeFOURCC('W', 'A', 'V', 'E');
constexpr plat::FOURCC kFmt = MakeFOURCC('f', 'm', 't', ' ');
constexpr plat::FOURCC kData = MakeFOURCC('d', 'a', 't', 'a');
constexpr plat::FOURCC kFact = MakeFOURCC('f', 'a', 'c', 't');
constexpr plat::FOURCC kInfo = MakeFOURCC('I', 'N', 'F', 'O');
constexpr plat::FOURCC kDisp = MakeFOURCC('D', 'I', 'S', 'P');

constexpr size_t kRecordHead = offsetof(TWaveIORec, wfx);

// A record with room for format_size bytes of format (at least 18), or null.
TWaveIORec* AllocRecord(size_t format_size) {
  const size_t size =
      kRecordHead + (format_size < sizeof(plat::WAVEFORMATEX) ? sizeof(plat::WAVEFORMATEX) : format_size);
  auto* rec = static_cast<TWaveIORec*>(GlobalAllocZeroed(size));
  rec->dwSize = static_cast<uint32_t>(size);
  return rec;
}

char* CopyName(const char* name, uint32_t flags) {
  if (name == nullptr) return nullptr;
  const size_t size = (flags & RIFF_MEMORY) != 0 ? sizeof(plat::MMIOINFO) : std::strlen(name) + 1;
  char* copy = static_cast<char*>(GlobalAllocZeroed(size));
  std::memcpy(copy, name, size);
  return copy;
}

// Rounds to nearest, halves to even, within the 64-bit range.
int64_t NearestInt64(double v) {
  if (!(v == v)) return 0;
  if (v >= 9.2e18) return INT64_MAX;
  if (v <= -9.2e18) return INT64_MIN;
  return static_cast<int64_t>(std::nearbyint(v));
}

int64_t RoundUpToBlock64(int64_t bytes, int64_t align) {
  if (align <= 0) return bytes;
  return (bytes + align - 1) / align * align;
}

void CloseHandles(plat::HMMIO& handle, const void*& res) {
  res = nullptr;  // resources stay mapped for the program's lifetime
  if (handle != nullptr) plat::mmioClose(handle, 0);
  handle = nullptr;
}

void CloseRecord(TWaveIORec* rec) {
  if (rec->hFile != nullptr) std::fclose(rec->hFile);
  rec->hFile = nullptr;
  CloseHandles(rec->hmmio, rec->hRes);
}

// Opens a source and descends into its RIFF chunk of the given form type.
int32_t WaveOpenRIFF(plat::HMMIO& handle, plat::MMCKINFO& riff, const void*& res, const char* name,
                     plat::FOURCC form_type, uint32_t flags) {
  handle = nullptr;
  res = nullptr;
  if (name == nullptr) return WIOERR_FILEERROR;
  if ((flags & RIFF_RESOURCE) != 0) {
    const void* data = nullptr;
    size_t size = 0;
    if (!FindProgramResource(name, "WAVE", &data, &size) || data == nullptr || size > 0x7FFFFFFF)
      return WIOERR_FILEERROR;
    plat::MMIOINFO info{};
    info.fccIOProc = plat::FOURCC_MEM;
    info.pchBuffer = static_cast<char*>(const_cast<void*>(data));
    info.cchBuffer = static_cast<plat::LONG>(size);
    handle = plat::mmioOpenA(nullptr, &info, plat::MMIO_READ | plat::MMIO_ALLOCBUF);
    res = data;
  } else if ((flags & RIFF_MEMORY) != 0) {
    plat::MMIOINFO info;
    std::memcpy(&info, name, sizeof(info));
    info.adwInfo[0] = 0;  // not growable
    handle = plat::mmioOpenA(nullptr, &info, plat::MMIO_READWRITE | plat::MMIO_ALLOCBUF);
  } else {
    std::string file = name;
    const plat::DWORD attributes = plat::GetFileAttributesA(name);
    if (attributes != plat::INVALID_FILE_ATTRIBUTES && (attributes & plat::FILE_ATTRIBUTE_READONLY) == 0)
      handle = plat::mmioOpenA(file.data(), nullptr, plat::MMIO_READWRITE | plat::MMIO_ALLOCBUF);
    if (handle == nullptr)
      handle = plat::mmioOpenA(file.data(), nullptr, plat::MMIO_READ | plat::MMIO_ALLOCBUF);
  }
  if (handle == nullptr) {
    res = nullptr;
    return WIOERR_FILEERROR;
  }
  riff = plat::MMCKINFO{};
  if (plat::mmioDescend(handle, &riff, nullptr, 0) != 0 || riff.ckid != plat::FOURCC_RIFF ||
      riff.fccType != form_type || riff.cksize < 4) {
    CloseHandles(handle, res);
    return WIOERR_FILEERROR;
  }
  return WIOERR_NOERROR;
}

// Everything a header read has made so far; freed unless released.
struct ReadState {
  plat::HMMIO handle = nullptr;
  const void* res = nullptr;
  TWaveIORec* rec = nullptr;
  char* name = nullptr;
  TRIFFInfoList* info = nullptr;
  TRIFFDispList* disp = nullptr;

  ~ReadState() {
    CloseHandles(handle, res);
    GlobalFreeAndNil(rec);
    GlobalFreeAndNil(name);
    if (info != nullptr) FreeRIFFInfoList(info);
    if (disp != nullptr) FreeRIFFDispList(disp, true);
  }
};

// The format can be converted with: rates and block sizes that are not zero.
bool UsableFormat(const plat::WAVEFORMATEX& f) {
  return f.nChannels != 0 && f.nSamplesPerSec != 0 && f.nAvgBytesPerSec != 0 && f.nBlockAlign != 0;
}

}  // namespace

bool FindProgramResource(const std::string& name, const std::string& type, const void** data, size_t* size) {
  if (data != nullptr) *data = nullptr;
  if (size != nullptr) *size = 0;
  plat::HRSRC found = plat::FindResourceA(nullptr, name.c_str(), type.c_str());
  if (found == nullptr) return false;
  const void* bytes = plat::LockResource(plat::LoadResource(nullptr, found));
  if (bytes == nullptr) return false;
  if (data != nullptr) *data = bytes;
  if (size != nullptr) *size = plat::SizeofResource(nullptr, found);
  return true;
}

bool WaveParseFileName(char* name) {
  return name != nullptr && plat::mmioOpenA(name, nullptr, plat::MMIO_PARSE) != nullptr;
}

bool WaveFileExists(const char* name) {
  if (name == nullptr) return false;
  std::string copy = name;
  return plat::mmioOpenA(copy.data(), nullptr, plat::MMIO_EXIST) != nullptr;
}

bool WaveDeleteFile(const char* name) {
  if (name == nullptr) return false;
  std::string copy = name;
  return plat::mmioOpenA(copy.data(), nullptr, plat::MMIO_DELETE) != nullptr;
}

bool IsWaveFile(const char* file_name, uint32_t flags) {
  TWaveIORec* rec = nullptr;
  if (WaveReadInfo(rec, file_name, kWave, flags) != WIOERR_NOERROR) return false;
  WaveFreeInfo(rec);
  return true;
}

int32_t WaveReadInfo(TWaveIORec*& rec, const char* name, plat::FOURCC form_type, uint32_t flags) {
  rec = nullptr;
  ReadState st;
  plat::MMCKINFO riff{};
  if (WaveOpenRIFF(st.handle, riff, st.res, name, form_type, flags) != WIOERR_NOERROR)
    return WIOERR_FILEERROR;
  st.name = CopyName(name, flags);

  const plat::LONG end = plat::mmioSeek(st.handle, 0, plat::SEEK_END_);
  if (end < 0 ||
      plat::mmioSeek(st.handle, static_cast<plat::LONG>(riff.dwDataOffset + 4), plat::SEEK_SET_) < 0)
    return WIOERR_FILEERROR;
  const int64_t file_size = end;
  if (static_cast<int64_t>(riff.dwDataOffset) + riff.cksize > file_size)
    riff.cksize = static_cast<plat::DWORD>(file_size - riff.dwDataOffset);
  const int64_t riff_end = static_cast<int64_t>(riff.dwDataOffset) + riff.cksize;

  if (int32_t r = CreateRIFFInfoList(st.info); r != RIFF_NOERROR) return r;
  if (int32_t r = CreateRIFFDispList(st.disp); r != RIFF_NOERROR) return r;

  bool have_fmt = false, have_data = false, have_fact = false, after_data = false;
  int64_t data_offset = 0, after_data_header = -1;
  plat::DWORD data_size = 0;  // as the data chunk claims it
  for (;;) {
    plat::MMCKINFO ck{};
    if (plat::mmioDescend(st.handle, &ck, &riff, 0) != 0) break;
    const plat::DWORD claimed_size = ck.cksize;
    const int64_t chunk_end = static_cast<int64_t>(ck.dwDataOffset) + ck.cksize;
    if (chunk_end > riff_end && have_fmt && have_data) break;
    // Nothing is read past the end of the source, whatever a size claims.
    if (chunk_end > file_size) ck.cksize = static_cast<plat::DWORD>(file_size - ck.dwDataOffset);
    if (after_data) after_data_header = static_cast<int64_t>(ck.dwDataOffset) - 8;
    after_data = false;

    if (ck.ckid == plat::FOURCC_LIST && ck.fccType == kInfo) {
      if (int32_t r = ReadRIFFInfoChunk(st.handle, ck, st.info); r != RIFF_NOERROR) return r;
    } else if (ck.ckid == kDisp) {
      if (int32_t r = ReadRIFFDispChunk(st.handle, ck, st.disp); r != RIFF_NOERROR) return r;
    } else if (ck.ckid == kFmt) {
      if (have_fmt) break;
      // Shorter than the 16 bytes every format has: not a format.
      if (ck.cksize < sizeof(plat::PCMWAVEFORMAT)) return WIOERR_FORMAT;
      st.rec = AllocRecord(ck.cksize);
      if (plat::mmioRead(st.handle, reinterpret_cast<char*>(&st.rec->wfx),
                         static_cast<plat::LONG>(ck.cksize)) != static_cast<plat::LONG>(ck.cksize))
        return WIOERR_FILEERROR;
      // Extra bytes the chunk does not hold would be copied from past the record.
      if (st.rec->wfx.wFormatTag != plat::WAVE_FORMAT_PCM && ck.cksize >= sizeof(plat::WAVEFORMATEX) &&
          sizeof(plat::WAVEFORMATEX) + st.rec->wfx.cbSize > ck.cksize)
        return WIOERR_FORMAT;
      have_fmt = true;
    } else if (ck.ckid == kData) {
      if (have_data) break;
      have_data = true;
      after_data = true;
      data_offset = ck.dwDataOffset;
      data_size = claimed_size;
    } else if (ck.ckid == kFact) {
      if (have_fact) break;
      have_fact = true;  // the count does not change the length
    }
    if (plat::mmioAscend(st.handle, &ck, 0) != 0) {
      if (have_data) break;
      return WIOERR_FILEERROR;
    }
  }

  if ((flags & RIFF_INFO_ONLY) != 0) {
    TWaveIORec* only = AllocRecord(0);
    only->dwFlags = flags;
    only->lpFileName = st.name;
    only->lpInfo = st.info;
    only->lpDisp = st.disp;
    st.name = nullptr;
    st.info = nullptr;
    st.disp = nullptr;
    rec = only;
    return WIOERR_NOERROR;
  }
  if (!have_fmt) return WIOERR_FORMAT;
  if (!have_data) return WIOERR_FILEERROR;

  TWaveIORec* r = st.rec;
  plat::WAVEFORMATEX& wfx = r->wfx;
  if (wfx.wFormatTag == plat::WAVE_FORMAT_PCM) wfx.cbSize = 0;
  const int64_t stored_align = wfx.nBlockAlign;
  if (stored_align == 0) return WIOERR_FORMAT;
  if (wfx.wFormatTag == plat::WAVE_FORMAT_PCM) {
    const uint32_t align = static_cast<uint32_t>(wfx.nChannels) * wfx.wBitsPerSample / 8;
    if (align == 0 || align > 0xFFFF || static_cast<uint64_t>(align) * wfx.nSamplesPerSec > 0xFFFFFFFFu)
      return WIOERR_FORMAT;
    wfx.nBlockAlign = static_cast<plat::WORD>(align);
    wfx.nAvgBytesPerSec = align * wfx.nSamplesPerSec;
  }
  if (!UsableFormat(wfx)) return WIOERR_FORMAT;

  const int64_t data_end = plat::WaveDataEnd(data_offset, data_size, file_size, after_data_header);
  const int64_t span = data_end > data_offset ? data_end - data_offset : 0;
  r->dwDataBytes = span / stored_align * stored_align;
  r->dwFlags = flags;
  r->dwFileSize = file_size;
  r->dwDataOffset = data_offset;
  r->dwLength = WaveIOBytesToSamples(r, r->dwDataBytes);
  r->dwFirstSample = 0;
  r->dwLastSample = r->dwLength;
  r->lpFileName = st.name;
  r->lpInfo = st.info;
  r->lpDisp = st.disp;
  st.rec = nullptr;
  st.name = nullptr;
  st.info = nullptr;
  st.disp = nullptr;
  rec = r;
  return WIOERR_NOERROR;
}

int32_t WaveReadInfoFromMemory(TWaveIORec*& rec, const void* buffer, size_t size) {
  rec = nullptr;
  if (buffer == nullptr || size == 0 || size > 0x7FFFFFFF) return WIOERR_FILEERROR;
  plat::MMIOINFO info{};
  info.fccIOProc = plat::FOURCC_MEM;
  info.pchBuffer = static_cast<char*>(const_cast<void*>(buffer));
  info.cchBuffer = static_cast<plat::LONG>(size);
  return WaveReadInfo(rec, reinterpret_cast<const char*>(&info), kWave, RIFF_MEMORY);
}

int32_t WaveOpenFile(TWaveIORec* rec) {
  if (rec == nullptr) return WIOERR_BADPARAM;
  if (rec->hmmio == nullptr && rec->hFile == nullptr) {
    if ((rec->dwFlags & RIFF_PLAINFILE) != 0) {
      if (rec->lpFileName == nullptr) return WIOERR_FILEERROR;
      rec->hFile = std::fopen(plat::ResolvePath(rec->lpFileName).c_str(), "rb");
      if (rec->hFile == nullptr) return WIOERR_FILEERROR;
    } else if (WaveOpenRIFF(rec->hmmio, rec->ckRIFF, rec->hRes, rec->lpFileName, kWave, rec->dwFlags) !=
               WIOERR_NOERROR) {
      return WIOERR_FILEERROR;
    }
    rec->dwCreated = 0;
    rec->ckData = plat::MMCKINFO{};
  }
  if (WaveSeek(rec, rec->dwPosition) != WIOERR_NOERROR) {
    CloseRecord(rec);
    return WIOERR_FILEERROR;
  }
  return WIOERR_NOERROR;
}

int32_t WaveSetIOBuffer(TWaveIORec* rec, int32_t size) {
  if (rec == nullptr) return WIOERR_BADPARAM;
  if ((rec->dwFlags & (RIFF_RESOURCE | RIFF_MEMORY | RIFF_PLAINFILE)) != 0) return WIOERR_NOERROR;
  if (rec->hmmio == nullptr || size < 0) return WIOERR_FORMAT;
  return static_cast<int32_t>(plat::mmioSetBuffer(rec->hmmio, nullptr, size, 0));
}

int32_t WaveSeek(TWaveIORec* rec, int64_t sample) {
  if (rec == nullptr || sample < 0) return WIOERR_FILEERROR;
  const int64_t region = rec->dwLastSample - rec->dwFirstSample;
  const int64_t s = sample > region - 1 ? (region - 1 < 0 ? 0 : region - 1) : sample;
  const int64_t target = rec->dwFirstSample + s;
  if (rec->hmmio == nullptr && rec->hFile == nullptr) {
    rec->dwPosition = WaveIOBytesToSamples(rec, WaveIOSamplesToBytes(rec, target)) - rec->dwFirstSample;
    return WIOERR_NOERROR;
  }
  const int64_t align = rec->wfx.nBlockAlign > 0 ? rec->wfx.nBlockAlign : 1;
  int64_t b = WaveIOSamplesToBytes(rec, target);
  if (b > rec->dwDataBytes) b = rec->dwDataBytes;
  b = b / align * align;
  if (rec->hmmio != nullptr) {
    if (rec->dwDataOffset < 8 || rec->dwDataOffset + b > 0x7FFFFFFF) return WIOERR_FILEERROR;
    const plat::LONG header = static_cast<plat::LONG>(rec->dwDataOffset - 8);
    if (plat::mmioSeek(rec->hmmio, header, plat::SEEK_SET_) != header) return WIOERR_FILEERROR;
    // Reloading the chunk must not forget that data was written into it.
    const plat::DWORD dirty = rec->ckData.dwFlags & plat::MMIO_DIRTY;
    plat::MMCKINFO ck{};
    if (plat::mmioDescend(rec->hmmio, &ck, nullptr, 0) != 0 || ck.ckid != kData) return WIOERR_FILEERROR;
    ck.dwFlags |= dirty;
    rec->ckData = ck;
    if (plat::mmioSeek(rec->hmmio, static_cast<plat::LONG>(b), plat::SEEK_CUR_) < 0) return WIOERR_FILEERROR;
  } else if (fseeko(rec->hFile, static_cast<off_t>(rec->dwDataOffset + b), SEEK_SET) != 0) {
    return WIOERR_FILEERROR;
  }
  int64_t left = WaveIOSamplesToBytes(rec, rec->dwLastSample) - b;
  // Never past the data, whatever the rounding of the region's end gives.
  if (left > rec->dwDataBytes - b) left = rec->dwDataBytes - b;
  rec->dwBytesLeft = left > 0 ? left : 0;
  rec->dwPosition = WaveIOBytesToSamples(rec, b) - rec->dwFirstSample;
  return WIOERR_NOERROR;
}

int32_t WaveRead(TWaveIORec* rec, void* buffer, int32_t bytes) {
  if (rec == nullptr || (rec->hmmio == nullptr && rec->hFile == nullptr) || bytes < 0) return -1;
  if (rec->dwBytesLeft <= 0) return -1;
  if (bytes > 0 && buffer == nullptr) return -1;
  const int32_t n = rec->dwBytesLeft < bytes ? static_cast<int32_t>(rec->dwBytesLeft) : bytes;
  int32_t got = 0;
  if (rec->hmmio != nullptr) {
    got = plat::mmioRead(rec->hmmio, static_cast<char*>(buffer), n);
    if (got < 0) return -1;
  } else {
    got = static_cast<int32_t>(std::fread(buffer, 1, static_cast<size_t>(n), rec->hFile));
    if (got < n && std::ferror(rec->hFile)) return -1;
  }
  if (got < bytes)
    rec->dwBytesLeft = 0;
  else
    rec->dwBytesLeft = rec->dwBytesLeft - got > 0 ? rec->dwBytesLeft - got : 0;
  rec->dwPosition = (rec->dwLastSample - rec->dwFirstSample) - WaveIOBytesToSamples(rec, rec->dwBytesLeft);
  return got;
}

int32_t WaveCreateInfo(TWaveIORec*& rec, const plat::WAVEFORMATEX* format) {
  rec = nullptr;
  if (format == nullptr) return WIOERR_BADPARAM;
  // Every conversion of the record divides by these.
  if (!UsableFormat(*format)) return WIOERR_FORMAT;
  const int32_t size = GetWaveFormatSize(format);
  TWaveIORec* r = AllocRecord(static_cast<size_t>(size));
  std::memcpy(&r->wfx, format, static_cast<size_t>(size));
  if (r->wfx.wFormatTag == plat::WAVE_FORMAT_PCM) r->wfx.cbSize = 0;
  if (CreateRIFFInfoList(r->lpInfo) != RIFF_NOERROR || CreateRIFFDispList(r->lpDisp) != RIFF_NOERROR) {
    WaveFreeInfo(r);
    return WIOERR_NOMEMORY;
  }
  rec = r;
  return WIOERR_NOERROR;
}

int32_t WaveCreateFile(TWaveIORec*& rec, const char* name) {
  if (rec == nullptr || name == nullptr) return WIOERR_BADPARAM;
  std::string file = name;
  plat::HMMIO h =
      plat::mmioOpenA(file.data(), nullptr, plat::MMIO_CREATE | plat::MMIO_READWRITE | plat::MMIO_ALLOCBUF);
  if (h == nullptr) return WIOERR_FILEERROR;
  plat::MMCKINFO riff{}, fmt{}, data{};
  riff.fccType = kWave;
  fmt.ckid = kFmt;
  const bool pcm = rec->wfx.wFormatTag == plat::WAVE_FORMAT_PCM;
  fmt.cksize = pcm ? sizeof(plat::PCMWAVEFORMAT) : static_cast<plat::DWORD>(GetWaveFormatSize(&rec->wfx));
  data.ckid = kData;
  const bool ok =
      plat::mmioCreateChunk(h, &riff, plat::MMIO_CREATERIFF) == 0 && plat::mmioCreateChunk(h, &fmt, 0) == 0 &&
      plat::mmioWrite(h, reinterpret_cast<const char*>(&rec->wfx), static_cast<plat::LONG>(fmt.cksize)) ==
          static_cast<plat::LONG>(fmt.cksize) &&
      plat::mmioAscend(h, &fmt, 0) == 0 && plat::mmioCreateChunk(h, &data, 0) == 0;
  if (!ok) {
    plat::mmioClose(h, 0);
    WaveDeleteFile(name);
    return WIOERR_FILEERROR;
  }
  data.dwFlags |= plat::MMIO_DIRTY;
  rec->hmmio = h;
  rec->ckRIFF = riff;
  rec->ckData = data;
  rec->dwCreated = 1;
  rec->dwDataOffset = data.dwDataOffset;
  GlobalFreeAndNil(rec->lpFileName);
  rec->dwFlags &= ~(RIFF_RESOURCE | RIFF_MEMORY | RIFF_PLAINFILE);
  rec->lpFileName = CopyName(name, 0);
  rec->dwLength = WaveIOBytesToSamples(rec, rec->dwDataBytes);
  rec->dwFirstSample = 0;
  rec->dwLastSample = rec->dwLength;
  rec->dwBytesLeft = 0;
  rec->dwPosition = 0;
  return WIOERR_NOERROR;
}

int32_t WaveWrite(TWaveIORec* rec, const void* buffer, int32_t bytes) {
  if (rec == nullptr || rec->hmmio == nullptr || rec->hFile != nullptr || bytes <= 0 || buffer == nullptr)
    return -1;
  if ((rec->dwFlags & RIFF_RESOURCE) != 0) return -1;  // the program's resources are read-only
  // File offsets are 32-bit: a write that would take the data past what the
  // closing chunks still fit behind is refused whole, so the file can still
  // be finished. Conservative by at most one buffer when writing inside the data.
  const int64_t data_pos =
      static_cast<int64_t>(plat::mmioSeek(rec->hmmio, 0, plat::SEEK_CUR_)) - rec->dwDataOffset;
  const int64_t data_end = std::max(rec->dwDataBytes, data_pos);
  if (rec->dwDataOffset + data_end + bytes > kWaveDataLimit) return 0;
  const plat::LONG written = plat::mmioWrite(rec->hmmio, static_cast<const char*>(buffer), bytes);
  if (written <= 0) return written;
  rec->ckData.dwFlags |= plat::MMIO_DIRTY;
  const int64_t p = static_cast<int64_t>(plat::mmioSeek(rec->hmmio, 0, plat::SEEK_CUR_)) - rec->dwDataOffset;
  rec->dwPosition = WaveIOBytesToSamples(rec, p);
  if (p > rec->dwDataBytes) rec->dwDataBytes = p;
  if (rec->dwPosition > rec->dwLength) {
    rec->dwLength = rec->dwPosition;
    rec->dwLastSample = rec->dwPosition;
  }
  const int64_t left = WaveIOSamplesToBytes(rec, rec->dwLastSample - rec->dwPosition);
  rec->dwBytesLeft = left > 0 ? left : 0;
  return written;
}

int32_t WaveCloseFile(TWaveIORec* rec) {
  if (rec == nullptr || (rec->hmmio == nullptr && rec->hFile == nullptr)) return WIOERR_NOERROR;
  if (rec->hFile != nullptr || (rec->ckData.dwFlags & plat::MMIO_DIRTY) == 0) {
    CloseRecord(rec);
    rec->dwBytesLeft = 0;
    rec->dwPosition = 0;
    return WIOERR_NOERROR;
  }
  plat::HMMIO h = rec->hmmio;
  bool ok = plat::mmioFlush(h, 0) == 0;
  if (!rec->dwCreated) rec->ckRIFF.dwFlags |= plat::MMIO_DIRTY;
  // The data chunk ends at the last byte written, wherever the position was
  // left by a seek: nothing written is cut off or overwritten by the chunks after it.
  ok = ok && rec->dwDataOffset + rec->dwDataBytes <= 0x7FFFFFFF &&
       plat::mmioSeek(h, static_cast<plat::LONG>(rec->dwDataOffset + rec->dwDataBytes), plat::SEEK_SET_) >= 0;
  ok = ok && plat::mmioAscend(h, &rec->ckData, 0) == 0;
  if (ok && rec->wfx.wFormatTag != plat::WAVE_FORMAT_PCM) {
    rec->ckData = plat::MMCKINFO{};
    rec->ckData.ckid = kFact;
    rec->ckData.cksize = 4;
    const uint32_t count = rec->dwLength > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(rec->dwLength);
    const char bytes[4] = {static_cast<char>(count & 0xFF), static_cast<char>((count >> 8) & 0xFF),
                           static_cast<char>((count >> 16) & 0xFF), static_cast<char>((count >> 24) & 0xFF)};
    ok = plat::mmioCreateChunk(h, &rec->ckData, 0) == 0 && plat::mmioWrite(h, bytes, 4) == 4 &&
         plat::mmioAscend(h, &rec->ckData, 0) == 0;
  }
  if (ok && rec->lpDisp != nullptr) ok = WriteRIFFDispChunks(h, rec->lpDisp) == RIFF_NOERROR;
  if (ok && rec->lpInfo != nullptr) ok = WriteRIFFInfoChunk(h, rec->lpInfo) == RIFF_NOERROR;
  ok = ok && plat::mmioAscend(h, &rec->ckRIFF, 0) == 0;
  if (ok) {
    rec->dwFileSize = plat::mmioSeek(h, 0, plat::SEEK_END_);
    rec->dwLastSample = rec->dwLength;
  }
  rec->ckData.dwFlags &= ~plat::MMIO_DIRTY;
  CloseRecord(rec);
  rec->dwBytesLeft = 0;
  rec->dwPosition = 0;
  return ok ? WIOERR_NOERROR : WIOERR_FILEERROR;
}

int32_t WaveFreeInfo(TWaveIORec*& rec) {
  if (rec == nullptr) return WIOERR_BADPARAM;
  CloseRecord(rec);
  GlobalFreeAndNil(rec->lpFileName);
  if (rec->lpInfo != nullptr) FreeRIFFInfoList(rec->lpInfo);
  if (rec->lpDisp != nullptr) FreeRIFFDispList(rec->lpDisp, true);
  GlobalFreeAndNil(rec);
  return WIOERR_NOERROR;
}

int64_t WaveIOBytesToSamples(const TWaveIORec* rec, int64_t bytes) {
  if (rec->ExactBytesPerSec != 0)
    return NearestInt64(static_cast<double>(bytes) * rec->wfx.nSamplesPerSec / rec->ExactBytesPerSec);
  return MulDivRound64(bytes, rec->wfx.nSamplesPerSec, rec->wfx.nAvgBytesPerSec);
}

int64_t WaveIOSamplesToBytes(const TWaveIORec* rec, int64_t samples) {
  int64_t b = 0;
  if (rec->ExactBytesPerSec != 0) {
    b = rec->wfx.nSamplesPerSec != 0
            ? NearestInt64(static_cast<double>(samples) * rec->ExactBytesPerSec / rec->wfx.nSamplesPerSec)
            : 0;
  } else {
    b = MulDivRound64(samples, rec->wfx.nAvgBytesPerSec, rec->wfx.nSamplesPerSec);
  }
  return RoundUpToBlock64(b, rec->wfx.nBlockAlign);
}

}  // namespace engine
