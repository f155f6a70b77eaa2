// The CD digital audio module: the program's CD entry points over libcdio,
// with paranoia for synchronised copying. Drives come from the program's
// drive model where the program exports it (disc images and devices by
// letter), else from the devices libcdio finds. One instance per handle,
// used by one thread at a time but for AbortReading.
#include <cdio/cdio.h>
// After cdio.h, which declares the types it uses.
#include <cdio/audio.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/mmc_ll_cmds.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "files/MMCDATyp.h"
#include "platform/kernel/CueSheet.h"
#include "platform/kernel/Types.h"

namespace plat {
// The program's drive model, where the program exports it.
BOOL GetCdDrive(DWORD index, char* letter, char* path, DWORD path_size, BOOL* image) __attribute__((weak));
}  // namespace plat

using namespace files;

namespace {

constexpr int32_t kModuleVersion = 20;
// Sectors per library call, so an abort is seen within a few milliseconds of reading.
constexpr int32_t kChunkSectors = 27;
constexpr int32_t kMaxFramesPerCall = 1000;
constexpr int32_t kDeviceTypes = 25;

struct Drive {
  char letter = 0;
  std::string path;
  bool image = false;
};

enum class Copy { kNone, kBurst, kSync };

struct Instance {
  std::vector<Drive> drives;
  int32_t device = -2;
  std::vector<int32_t> types;
  CdIo_t* cdio = nullptr;
  bool image = false;
  bool big_endian = false;  // image data stored high byte first
  int32_t disc_end = 0;     // the lead-out sector
  bool opened = false;
  std::atomic<bool> abort{false};
  Copy copy = Copy::kNone;
  int32_t frames_per_read = 0;
  int32_t next = 0;
  int32_t end = 0;
  cdrom_drive_t* cdda = nullptr;
  cdrom_paranoia_t* paranoia = nullptr;
};

// libcdio and paranoia report to stderr unless told otherwise; the program
// reports their failures through its own error texts.
void Quiet(cdio_log_level_t, const char*) {}

void SilenceLibrary() {
  static std::once_flag once;
  std::call_once(once, [] {
    cdio_log_set_handler(&Quiet);
    cdio_init();
  });
}

std::vector<Drive> ListDrives() {
  std::vector<Drive> drives;
  if (plat::GetCdDrive) {
    std::vector<char> path(4096);
    for (plat::DWORD i = 0; static_cast<int32_t>(drives.size()) < kCDMaxDevices; ++i) {
      Drive d;
      plat::BOOL image = 0;
      if (!plat::GetCdDrive(i, &d.letter, path.data(), static_cast<plat::DWORD>(path.size()), &image)) break;
      d.path = path.data();
      d.image = image != 0;
      drives.push_back(std::move(d));
    }
    return drives;
  }
  char** devices = cdio_get_devices(DRIVER_DEVICE);
  char letter = 'D';
  for (char** p = devices; p && *p && letter <= 'Z'; ++p) drives.push_back(Drive{letter++, *p, false});
  cdio_free_device_list(devices);
  return drives;
}

void EndCopy(Instance* in) {
  if (in->paranoia) cdio_paranoia_free(in->paranoia);
  in->paranoia = nullptr;
  if (in->cdda) cdio_cddap_close_no_free_cdio(in->cdda);
  in->cdda = nullptr;
  in->copy = Copy::kNone;
}

void Release(Instance* in) {
  EndCopy(in);
  if (in->cdio) cdio_destroy(in->cdio);
  in->cdio = nullptr;
  in->opened = false;
}

bool Selected(const Instance* in) {
  return in->device >= 0 && in->device < static_cast<int32_t>(in->drives.size());
}

// The library's handle on the selected drive, opened on first need.
int32_t Attach(Instance* in) {
  if (!Selected(in)) return cdErrNoDevice;
  if (in->cdio) return cdOK;
  const Drive& d = in->drives[static_cast<size_t>(in->device)];
  if (d.image) {
    // The library's image reader neither checks the sheet against its data
    // nor swaps big-endian data: both are done here.
    plat::CueSheet sheet;
    std::string data_path, error;
    int64_t sectors = 0;
    if (!plat::ReadCueImage(d.path, sheet, data_path, sectors, error)) return cdErrBadImage;
    in->big_endian = sheet.big_endian;
    in->cdio = cdio_open(d.path.c_str(), DRIVER_BINCUE);
  } else {
    in->big_endian = false;
    in->cdio = cdio_open(d.path.c_str(), DRIVER_DEVICE);
  }
  in->image = d.image;
  if (!in->cdio) return d.image ? cdErrBadImage : cdErrOpen;
  const lsn_t lead_out = cdio_get_track_lsn(in->cdio, CDIO_CDROM_LEADOUT_TRACK);
  in->disc_end = lead_out == CDIO_INVALID_LSN ? 0 : lead_out;
  return cdOK;
}

void Swap(void* buffer, int32_t frames) {
  auto* p = static_cast<uint8_t*>(buffer);
  for (int64_t i = 0; i + 1 < int64_t{frames} * kCDFrameBytes; i += 2) std::swap(p[i], p[i + 1]);
}

// Plain reads of [start, start + count) in chunks, an abort seen between them.
int32_t ReadPlain(Instance* in, void* buffer, int32_t start, int32_t count) {
  if (!in->opened || !in->cdio) return cdErrNotOpen;
  if (!buffer || count <= 0 || count > kMaxFramesPerCall || start < 0 || start > in->disc_end - count)
    return cdErrArgument;
  auto* out = static_cast<uint8_t*>(buffer);
  for (int32_t done = 0; done < count;) {
    if (in->abort) return cdErrAborted;
    const int32_t n = std::min(kChunkSectors, count - done);
    if (cdio_read_audio_sectors(in->cdio, out + int64_t{done} * kCDFrameBytes, start + done,
                                static_cast<uint32_t>(n)) != DRIVER_OP_SUCCESS)
      return cdErrRead;
    done += n;
  }
  if (in->big_endian) Swap(buffer, count);
  return cdOK;
}

int32_t InitCopy(Instance* in, int32_t frames_per_read, int32_t start, int32_t count) {
  if (!in->opened || !in->cdio) return cdErrNotOpen;
  if (frames_per_read <= 0 || frames_per_read > kMaxFramesPerCall || count <= 0 || start < 0 ||
      start > in->disc_end - count)
    return cdErrArgument;
  EndCopy(in);
  in->frames_per_read = frames_per_read;
  in->next = start;
  in->end = start + count;
  in->abort = false;
  return cdOK;
}

void CopyText(uint8_t* block, int32_t offset, const char* text) {
  if (!text) return;
  const size_t n = std::min(std::strlen(text), static_cast<size_t>(kCDTextFieldBytes - 1));
  std::memcpy(block + offset, text, n);
  block[offset + n] = 0;
}

// One block of the language now selected: the disc at entry 0, each track at its number.
uint8_t* TextBlock(cdtext_t* text, int32_t language, track_t first, track_t last) {
  auto* block = static_cast<uint8_t*>(std::calloc(1, kCDTextBlockBytes));
  if (!block) return nullptr;
  block[kCDTextLanguage] = static_cast<uint8_t>(language);
  block[kCDTextEntries] = static_cast<uint8_t>(last + 1);
  for (int32_t k = 0; k <= last && k < kCDTOCMaxTracks; ++k) {
    if (k != 0 && k < first) continue;
    const int32_t entry = kCDTextEntryBytes * k;
    CopyText(block, entry + kCDTextTitle,
             cdtext_get_const(text, CDTEXT_FIELD_TITLE, static_cast<track_t>(k)));
    CopyText(block, entry + kCDTextPerformer,
             cdtext_get_const(text, CDTEXT_FIELD_PERFORMER, static_cast<track_t>(k)));
  }
  return block;
}

Instance* Of(TCDHandle handle) { return static_cast<Instance*>(handle); }

}  // namespace

#define CDDA_EXPORT extern "C" __attribute__((visibility("default")))

CDDA_EXPORT int32_t cdda_Version() { return kModuleVersion; }

CDDA_EXPORT TCDHandle cdda_Init(int32_t* error) {
  SilenceLibrary();
  auto* in = new (std::nothrow) Instance;
  if (!in) {
    if (error) *error = cdErrNoMemory;
    return nullptr;
  }
  in->drives = ListDrives();
  in->types.assign(in->drives.size(), 0);
  if (error) *error = cdOK;
  return in;
}

CDDA_EXPORT int32_t cdda_Done(TCDHandle* handle) {
  if (!handle || !*handle) return cdErrArgument;
  Instance* in = Of(*handle);
  Release(in);
  delete in;
  *handle = nullptr;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_GetNumDevices(TCDHandle handle) {
  return handle ? static_cast<int32_t>(Of(handle)->drives.size()) : 0;
}

CDDA_EXPORT int32_t cdda_SetDeviceID(TCDHandle handle, int32_t index) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  Release(in);
  if (index < 0) {
    in->device = -2;
    return cdOK;
  }
  if (index >= static_cast<int32_t>(in->drives.size())) return cdErrNoDevice;
  in->device = index;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_SetDeviceType(TCDHandle handle, int32_t type, int32_t) {
  if (!handle || type < 0 || type >= kDeviceTypes) return cdErrArgument;
  Instance* in = Of(handle);
  // The library finds the drive's commands itself; the type is kept only.
  if (Selected(in)) in->types[static_cast<size_t>(in->device)] = type;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_GetDeviceName(TCDHandle handle, int32_t index, char* buffer, int32_t size) {
  if (!handle || !buffer || size <= 0) return cdErrArgument;
  Instance* in = Of(handle);
  if (index < 0 || index >= static_cast<int32_t>(in->drives.size())) return cdErrNoDevice;
  const std::string& name = in->drives[static_cast<size_t>(index)].path;
  if (name.size() >= static_cast<size_t>(size)) return cdErrArgument;
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  return cdOK;
}

CDDA_EXPORT int32_t cdda_GetDriveLetter(TCDHandle handle, int32_t index, char* letter) {
  if (!handle || !letter) return cdErrArgument;
  Instance* in = Of(handle);
  if (index < 0 || index >= static_cast<int32_t>(in->drives.size())) return cdErrNoDevice;
  *letter = in->drives[static_cast<size_t>(index)].letter;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_OpenDevice(TCDHandle handle, int32_t) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  const int32_t rc = Attach(in);
  if (rc != cdOK) return rc;
  in->opened = true;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_CloseDevice(TCDHandle handle) {
  if (!handle) return cdErrArgument;
  Release(Of(handle));
  return cdOK;
}

CDDA_EXPORT int32_t cdda_GetDeviceReady(TCDHandle handle) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  const int32_t rc = Attach(in);
  if (rc != cdOK) return rc;
  return cdio_get_num_tracks(in->cdio) == CDIO_INVALID_TRACK ? cdErrNotReady : cdOK;
}

CDDA_EXPORT int32_t cdda_GetDeviceStatus(TCDHandle handle, int32_t* status) {
  if (!handle || !status) return cdErrArgument;
  *status = cdda_GetDeviceReady(handle) == cdOK ? 1 : 0;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_GetDeviceCaps(TCDHandle handle, int32_t* caps) {
  if (!handle || !caps) return cdErrArgument;
  *caps = 0;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_ReadTOC(TCDHandle handle, uint8_t* toc) {
  if (!handle || !toc) return cdErrArgument;
  std::memset(toc, 0, kCDTOCBytes);
  Instance* in = Of(handle);
  const int32_t rc = Attach(in);
  if (rc != cdOK) return rc;
  const track_t first = cdio_get_first_track_num(in->cdio);
  const track_t count = cdio_get_num_tracks(in->cdio);
  if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count == 0) return cdErrNotReady;
  const int32_t n = std::min<int32_t>(count, kCDTOCMaxTracks);
  toc[0] = first;
  toc[1] = static_cast<uint8_t>(n);
  for (int32_t i = 0; i < n; ++i) {
    const auto track = static_cast<track_t>(first + i);
    // Sector numbers, not the library's MSF fields, which are BCD.
    const lsn_t start = cdio_get_track_lsn(in->cdio, track);
    const track_t following =
        i + 1 < count ? static_cast<track_t>(track + 1) : track_t{CDIO_CDROM_LEADOUT_TRACK};
    const lsn_t next = cdio_get_track_lsn(in->cdio, following);
    if (start == CDIO_INVALID_LSN || next == CDIO_INVALID_LSN || next < start) return cdErrNotReady;
    uint8_t* e = toc + 4 + i * kCDTOCEntryBytes;
    const auto sectors = static_cast<uint32_t>(next - start);
    const uint32_t start_msf = FramesToPackedMSF(static_cast<uint32_t>(start + kCDLeadInFrames));
    const uint32_t length_msf = FramesToPackedMSF(sectors);
    const auto first_sector = static_cast<uint32_t>(start);
    e[kTOCNumber] = track;
    e[kTOCAudio] = cdio_get_track_format(in->cdio, track) == TRACK_FORMAT_AUDIO ? 1 : 0;
    e[kTOCControl] = e[kTOCAudio] ? 0 : 4;
    std::memcpy(e + kTOCStart, &start_msf, 4);
    std::memcpy(e + kTOCLength, &length_msf, 4);
    std::memcpy(e + kTOCSector, &first_sector, 4);
    std::memcpy(e + kTOCSectors, &sectors, 4);
  }
  return cdOK;
}

CDDA_EXPORT int32_t cdda_ReadCDText(TCDHandle handle, TCDTextInfo* info) {
  if (!handle || !info) return cdErrArgument;
  std::fill(std::begin(*info), std::end(*info), nullptr);
  Instance* in = Of(handle);
  const int32_t rc = Attach(in);
  if (rc != cdOK) return rc;
  cdtext_t* text = cdio_get_cdtext(in->cdio);
  if (!text) return cdErrNoText;
  const track_t first = cdio_get_first_track_num(in->cdio);
  const track_t last = cdio_get_last_track_num(in->cdio);
  if (first == CDIO_INVALID_TRACK || last == CDIO_INVALID_TRACK) return cdErrNotReady;
  const cdtext_lang_t* languages = cdtext_list_languages_v2(text);
  int32_t blocks = 0;
  for (int i = 0; languages && i < kCDTextBlocks - 1; ++i) {
    if (languages[i] == CDTEXT_LANGUAGE_BLOCK_UNUSED || languages[i] == CDTEXT_LANGUAGE_INVALID) continue;
    if (!cdtext_set_language_index(text, i)) continue;
    uint8_t* block = TextBlock(text, languages[i], first, last);
    if (!block) break;
    (*info)[blocks++] = block;
  }
  // Text without a language block of its own (as a cue sheet gives it).
  if (blocks == 0) {
    cdtext_set_language_index(text, 0);
    if (uint8_t* block = TextBlock(text, 0, first, last)) (*info)[blocks++] = block;
  }
  return blocks > 0 ? cdOK : cdErrNoMemory;
}

CDDA_EXPORT int32_t cdda_FreeCDText(TCDHandle, TCDTextInfo* info) {
  if (!info) return cdErrArgument;
  for (uint8_t*& block : *info) {
    std::free(block);
    block = nullptr;
  }
  return cdOK;
}

CDDA_EXPORT int32_t cdda_ReadISRC(TCDHandle, int32_t, char*) { return cdErrUnsupported; }
CDDA_EXPORT int32_t cdda_ReadUPC(TCDHandle, char*) { return cdErrUnsupported; }

CDDA_EXPORT int32_t cdda_SetSpeed(TCDHandle handle, int32_t speed) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  const int32_t rc = Attach(in);
  if (rc != cdOK) return rc;
  if (in->image) return cdErrUnsupported;
  return cdio_set_speed(in->cdio, speed >= kCDSpeedMax ? -1 : speed) == DRIVER_OP_SUCCESS ? cdOK
                                                                                          : cdErrUnsupported;
}

CDDA_EXPORT int32_t cdda_LockMedia(TCDHandle handle, int32_t lock) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  const int32_t rc = Attach(in);
  if (rc != cdOK || in->image) return rc;
  return mmc_prevent_allow_medium_removal(in->cdio, false, lock != 0, 0) == DRIVER_OP_SUCCESS
             ? cdOK
             : cdErrUnsupported;
}

CDDA_EXPORT int32_t cdda_LoadMedia(TCDHandle, int32_t) { return cdErrUnsupported; }
CDDA_EXPORT int32_t cdda_GetPosition(TCDHandle, int32_t*) { return cdErrUnsupported; }
CDDA_EXPORT int32_t cdda_GetCurrentTrack(TCDHandle, int32_t*) { return cdErrUnsupported; }
CDDA_EXPORT int32_t cdda_PlayAudio(TCDHandle, int32_t, int32_t) { return cdErrUnsupported; }
CDDA_EXPORT int32_t cdda_PauseAudio(TCDHandle) { return cdErrUnsupported; }
CDDA_EXPORT int32_t cdda_ResumeAudio(TCDHandle) { return cdErrUnsupported; }

// Nothing plays through the drive's own output: stopping always succeeds.
CDDA_EXPORT int32_t cdda_StopAudio(TCDHandle handle) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  if (in->cdio && !in->image) cdio_audio_stop(in->cdio);
  return cdOK;
}

CDDA_EXPORT int32_t cdda_AbortReading(TCDHandle handle) {
  if (!handle) return cdErrArgument;
  Of(handle)->abort = true;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_ReadAudio(TCDHandle handle, void* buffer, int32_t start, int32_t count) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  in->abort = false;
  return ReadPlain(in, buffer, start, count);
}

CDDA_EXPORT int32_t cdda_InitBurstCopy(TCDHandle handle, int32_t frames_per_read, int32_t start,
                                       int32_t count) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  const int32_t rc = InitCopy(in, frames_per_read, start, count);
  if (rc == cdOK) in->copy = Copy::kBurst;
  return rc;
}

CDDA_EXPORT int32_t cdda_DoneBurstCopy(TCDHandle handle) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  if (in->copy != Copy::kBurst) return cdErrNotCopying;
  EndCopy(in);
  return cdOK;
}

CDDA_EXPORT int32_t cdda_ReadAudioBurst(TCDHandle handle, void* buffer) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  if (in->copy != Copy::kBurst) return cdErrNotCopying;
  in->abort = false;
  const int32_t n = std::min(in->frames_per_read, in->end - in->next);
  if (n <= 0) return cdErrArgument;
  const int32_t rc = ReadPlain(in, buffer, in->next, n);
  if (rc == cdOK) in->next += n;
  return rc;
}

CDDA_EXPORT int32_t cdda_InitSyncCopy(TCDHandle handle, int32_t frames_per_read, int32_t start,
                                      int32_t count) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  int32_t rc = InitCopy(in, frames_per_read, start, count);
  if (rc != cdOK) return rc;
  in->cdda = cdio_cddap_identify_cdio(in->cdio, CDDA_MESSAGE_FORGETIT, nullptr);
  if (!in->cdda) return cdErrOpen;
  cdio_cddap_verbose_set(in->cdda, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
  if (cdio_cddap_open(in->cdda) != 0) {
    EndCopy(in);
    return cdErrOpen;
  }
  // The byte order is known, not guessed: paranoia swaps what is big-endian.
  in->cdda->bigendianp = in->big_endian ? 1 : 0;
  in->paranoia = cdio_paranoia_init(in->cdda);
  if (!in->paranoia) {
    EndCopy(in);
    return cdErrNoMemory;
  }
  cdio_paranoia_modeset(in->paranoia, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
  cdio_paranoia_seek(in->paranoia, start, SEEK_SET);
  in->copy = Copy::kSync;
  return cdOK;
}

CDDA_EXPORT int32_t cdda_DoneSyncCopy(TCDHandle handle) {
  if (!handle) return cdErrArgument;
  Instance* in = Of(handle);
  if (in->copy != Copy::kSync) return cdErrNotCopying;
  EndCopy(in);
  return cdOK;
}

CDDA_EXPORT int32_t cdda_ReadAudioSync(TCDHandle handle, void* buffer) {
  if (!handle || !buffer) return cdErrArgument;
  Instance* in = Of(handle);
  if (in->copy != Copy::kSync) return cdErrNotCopying;
  in->abort = false;
  const int32_t n = std::min(in->frames_per_read, in->end - in->next);
  if (n <= 0) return cdErrArgument;
  auto* out = static_cast<uint8_t*>(buffer);
  for (int32_t i = 0; i < n; ++i) {
    if (in->abort) return cdErrAborted;
    const int16_t* sector = cdio_paranoia_read(in->paranoia, nullptr);
    if (!sector) return cdErrRead;
    std::memcpy(out + int64_t{i} * kCDFrameBytes, sector, kCDFrameBytes);
    ++in->next;
  }
  return cdOK;
}

CDDA_EXPORT int32_t cdda_GetErrorText(int32_t code, char* buffer, int32_t size) {
  static const char* const texts[] = {
      "No error",
      "No CD device selected",
      "Unable to open the CD device",
      "The CD device is not open",
      "No disc in the drive",
      "Unable to read audio from the disc",
      "Invalid argument",
      "Not supported by this drive",
      "Reading was aborted",
      "Out of memory",
      "The disc image cannot be read",
      "The disc has no CD-TEXT",
      "No copy is in progress",
      "Unable to list the CD devices",
  };
  if (!buffer || size <= 0 || code < 0 || code >= static_cast<int32_t>(std::size(texts)))
    return cdErrArgument;
  const size_t n = std::min(std::strlen(texts[code]), static_cast<size_t>(size - 1));
  std::memcpy(buffer, texts[code], n);
  buffer[n] = 0;
  return cdOK;
}
