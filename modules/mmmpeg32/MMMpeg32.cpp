// The MPEG audio decoder module: the program's decoder entry points over
// libmpg123. One instance per handle, used by one thread at a time; nothing
// is shared between instances.
#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "files/MMMPType.h"
#include "modules/mmmpeg32/MpegProbe.h"

using files::TMpegInfoRecord;

namespace {

constexpr int32_t kModuleVersion = 25;

enum Error : int32_t {
  kOk = 0,
  kErrNoFile = 1,
  kErrOpen = 2,
  kErrNotMpeg = 3,
  kErrDecoder = 4,
  kErrArgument = 5,
  kErrNoMemory = 6,
  kErrRead = 7,
  kErrPosition = 8,
  kErrChannelMode = 9,
};

const char* ErrorText(int32_t code) {
  switch (code) {
    case kOk:
      return "No error";
    case kErrNoFile:
      return "No file";
    case kErrOpen:
      return "Unable to open file";
    case kErrNotMpeg:
      return "Not an MPEG audio file";
    case kErrDecoder:
      return "Decoder error";
    case kErrArgument:
      return "Invalid argument";
    case kErrNoMemory:
      return "Out of memory";
    case kErrRead:
      return "Read error";
    case kErrPosition:
      return "Invalid position";
    case kErrChannelMode:
      return "Invalid channel mode";
    default:
      return nullptr;
  }
}

struct Decoder {
  mpg123_handle* mh = nullptr;
  files::TMpegChangeCallback change = nullptr;
  void* user = nullptr;
  std::string name;
  int fd = -1;
  mpegmod::MpegLayout layout;
  uint64_t read_pos = 0;  // within the data window
  TMpegInfoRecord info{};
  uint8_t channel_mode = files::cmBoth;
  int32_t trailing_header = 0;
  int32_t exact = 0;
  bool stream_open = false;  // the library has the stream
  bool opened = false;       // decoding (OpenFile)
  int out_channels = 2;
  int decode_channels = 2;       // what the library delivers
  int32_t position = 0;          // the frame decoding resumes at while not opened
  int32_t base_frame = 0;        // frame of the last seek
  int32_t decoded_frames = 0;    // frames decoded since
  std::vector<uint8_t> pending;  // decoded, not yet handed out
  size_t pending_pos = 0;
  bool at_end = false;         // the decoder has no more output
  bool variable_rate = false;  // frame bit rates differ (known without an info frame)
  std::atomic<bool> abort{false};
};

// ---- the data window the library reads ----

mpg123_ssize_t WindowRead(void* handle, void* buffer, size_t size) {
  auto* d = static_cast<Decoder*>(handle);
  const uint64_t left = d->layout.data_length - std::min(d->read_pos, d->layout.data_length);
  size = static_cast<size_t>(std::min<uint64_t>(size, left));
  if (size == 0) return 0;
  const ssize_t n = pread(d->fd, buffer, size, static_cast<off_t>(d->layout.data_offset + d->read_pos));
  if (n < 0) return -1;
  d->read_pos += static_cast<uint64_t>(n);
  return n;
}

off_t WindowSeek(void* handle, off_t offset, int whence) {
  auto* d = static_cast<Decoder*>(handle);
  int64_t target = offset;
  if (whence == SEEK_CUR) target += static_cast<int64_t>(d->read_pos);
  if (whence == SEEK_END) target += static_cast<int64_t>(d->layout.data_length);
  if (target < 0 || static_cast<uint64_t>(target) > d->layout.data_length) return -1;
  d->read_pos = static_cast<uint64_t>(target);
  return static_cast<off_t>(target);
}

size_t FileReadAt(void* ctx, uint64_t offset, uint8_t* out, size_t size) {
  const ssize_t n = pread(*static_cast<int*>(ctx), out, size, static_cast<off_t>(offset));
  return n < 0 ? 0 : static_cast<size_t>(n);
}

void CloseStream(Decoder* d) {
  if (d->stream_open) mpg123_close(d->mh);
  d->stream_open = false;
  d->opened = false;
  d->pending.clear();
  d->pending_pos = 0;
  d->at_end = false;
}

// Opens the stream with the output format locked to the first frame's rate
// and the chosen channel count, so a later change of format inside the
// stream never changes what the caller receives.
int32_t OpenStream(Decoder* d) {
  CloseStream(d);
  const auto& first = d->layout.first;
  d->out_channels = first.channels == 1 || d->channel_mode != files::cmBoth ? 1 : 2;
  // Gapless decoding off: positions count whole frames.
  long flags = 0;
  double unused = 0;
  mpg123_getparam(d->mh, MPG123_FLAGS, &flags, &unused);
  flags &= ~static_cast<long>(MPG123_GAPLESS | MPG123_FORCE_MONO | MPG123_FORCE_STEREO);
  flags |= MPG123_QUIET;
  // The library's right-channel mode gives the left channel of layer III
  // streams, so the right channel is taken from stereo output here.
  d->decode_channels = d->out_channels;
  if (d->out_channels == 1 && first.channels == 2 && d->channel_mode == files::cmRight) {
    d->decode_channels = 2;
  } else if (d->out_channels == 1 && first.channels == 2) {
    flags |= d->channel_mode == files::cmLeft ? MPG123_MONO_LEFT : MPG123_MONO_MIX;
  }
  if (d->decode_channels == 2) flags |= MPG123_FORCE_STEREO;
  mpg123_param(d->mh, MPG123_FLAGS, flags, 0);
  mpg123_format_none(d->mh);
  if (mpg123_format(d->mh, first.sample_rate, d->decode_channels == 1 ? MPG123_MONO : MPG123_STEREO,
                    MPG123_ENC_SIGNED_16) != MPG123_OK)
    return kErrDecoder;
  d->read_pos = 0;
  if (mpg123_open_handle(d->mh, d) != MPG123_OK) return kErrDecoder;
  d->stream_open = true;
  return kOk;
}

void Notify(Decoder* d) {
  if (d->change) d->change(d->user);
}

void ReadTagImage(Decoder* d, uint8_t* tag) {
  std::memset(tag, 0, files::kMpegId3Size);
  const auto& l = d->layout;
  if (l.data_length < files::kMpegId3Size) return;
  uint8_t image[files::kMpegId3Size];
  const off_t at = static_cast<off_t>(l.data_offset + l.data_length - files::kMpegId3Size);
  if (pread(d->fd, image, sizeof image, at) == static_cast<ssize_t>(sizeof image) &&
      std::memcmp(image, "TAG", 3) == 0)
    std::memcpy(tag, image, sizeof image);
}

// Whether the first frames differ in bit rate: a variable-rate stream without
// an info frame, whose length the library can only estimate until a scan.
bool VariableRate(const Decoder* d) {
  const auto& l = d->layout;
  uint64_t offset = l.first_frame;
  for (int i = 0; i < 256 && offset + 4 <= l.data_length; ++i) {
    uint8_t raw[4];
    mpegmod::MpegFrameHeader h;
    if (pread(d->fd, raw, 4, static_cast<off_t>(l.data_offset + offset)) != 4 ||
        !mpegmod::ParseFrameHeader(raw, h))
      break;
    if (h.bit_rate != l.first.bit_rate) return true;
    offset += static_cast<uint64_t>(h.length);
  }
  return false;
}

// Fills the record from the open stream; `scanned` after a full scan.
int32_t FillInfo(Decoder* d, bool scanned) {
  mpg123_frameinfo fi{};
  long rate = 0;
  int channels = 0, encoding = 0;
  if (mpg123_getformat(d->mh, &rate, &channels, &encoding) != MPG123_OK ||
      mpg123_info(d->mh, &fi) != MPG123_OK)
    return kErrDecoder;
  TMpegInfoRecord& r = d->info;
  r = TMpegInfoRecord{};
  // The library counts MPEG-1 as 0, MPEG-2 as 1 and MPEG-2.5 as 2.
  r.Version = fi.version == MPG123_1_0 ? files::v1 : files::v2LSF;
  r.Layer = fi.layer;
  r.SampleRate = static_cast<int32_t>(fi.rate);
  r.Mode = static_cast<uint8_t>(fi.mode);
  const off_t frames = mpg123_framelength(d->mh);
  r.Frames = frames > 0 ? static_cast<int32_t>(std::min<off_t>(frames, INT32_MAX)) : 0;
  const double tpf = mpg123_tpf(d->mh);
  r.FrameTime = tpf > 0 ? tpf * 1000.0 : 0.0;
  r.PlayTime =
      static_cast<int32_t>(std::min(std::llround(r.Frames * r.FrameTime), static_cast<long long>(INT32_MAX)));
  if (fi.vbr == MPG123_CBR && !d->variable_rate) {
    r.BitRate = fi.bitrate;
  } else if (scanned && r.PlayTime > 0) {
    r.BitRate = static_cast<int32_t>(std::llround(d->layout.data_length * 8.0 / r.PlayTime));
  }
  ReadTagImage(d, r.Tag);
  return kOk;
}

int32_t Clear(Decoder* d) {
  CloseStream(d);
  if (d->fd >= 0) close(d->fd);
  d->fd = -1;
  d->name.clear();
  d->layout = mpegmod::MpegLayout{};
  d->info = TMpegInfoRecord{};
  d->position = 0;
  d->variable_rate = false;
  return kOk;
}

// Decodes the next frame into `pending`; false at the end of the stream.
bool DecodeFrame(Decoder* d) {
  for (;;) {
    off_t num = 0;
    unsigned char* audio = nullptr;
    size_t bytes = 0;
    const int rc = mpg123_decode_frame(d->mh, &num, &audio, &bytes);
    if (rc == MPG123_NEW_FORMAT) {
      long rate = 0;
      int channels = 0, encoding = 0;
      mpg123_getformat(d->mh, &rate, &channels, &encoding);
      // The format table allows one format only; anything else ends the stream.
      if (rate != d->layout.first.sample_rate || channels != d->decode_channels) return false;
      if (bytes == 0) continue;
    }
    if (rc != MPG123_OK && rc != MPG123_NEW_FORMAT) return false;
    if (bytes == 0) continue;
    if (d->pending_pos > 0) {
      d->pending.erase(d->pending.begin(), d->pending.begin() + static_cast<ptrdiff_t>(d->pending_pos));
      d->pending_pos = 0;
    }
    if (d->decode_channels == d->out_channels) {
      d->pending.insert(d->pending.end(), audio, audio + bytes);
    } else {
      for (size_t i = 2; i + 2 <= bytes; i += 4)
        d->pending.insert(d->pending.end(), audio + i, audio + i + 2);
    }
    ++d->decoded_frames;
    return true;
  }
}

int32_t SeekFrame(Decoder* d, int32_t frame) {
  if (mpg123_seek_frame(d->mh, frame, SEEK_SET) < 0) return kErrPosition;
  d->pending.clear();
  d->pending_pos = 0;
  d->at_end = false;
  d->base_frame = frame;
  d->decoded_frames = 0;
  return kOk;
}

int32_t FrameOutBytes(const Decoder* d) { return d->layout.first.samples * d->out_channels * 2; }

}  // namespace

extern "C" {

__attribute__((visibility("default"))) int32_t mpeg_Version() { return kModuleVersion; }

__attribute__((visibility("default"))) files::TMpegHandle mpeg_Init(int32_t* error,
                                                                    files::TMpegChangeCallback callback,
                                                                    void* user) {
  int rc = MPG123_OK;
  mpg123_handle* mh = mpg123_new(nullptr, &rc);
  if (!mh) {
    if (error) *error = kErrDecoder;
    return nullptr;
  }
  if (mpg123_replace_reader_handle(mh, &WindowRead, &WindowSeek, nullptr) != MPG123_OK) {
    mpg123_delete(mh);
    if (error) *error = kErrDecoder;
    return nullptr;
  }
  auto* d = new Decoder;
  d->mh = mh;
  d->change = callback;
  d->user = user;
  if (error) *error = kOk;
  return d;
}

__attribute__((visibility("default"))) void mpeg_Done(files::TMpegHandle* handle) {
  if (!handle || !*handle) return;
  auto* d = static_cast<Decoder*>(*handle);
  Clear(d);
  mpg123_delete(d->mh);
  delete d;
  *handle = nullptr;
}

// Decryption is not offered: the settings are taken and have no effect.
__attribute__((visibility("default"))) int32_t mpeg_SetDecryptCallback(files::TMpegHandle h,
                                                                       files::TMpegDecryptCallback, void*) {
  return h ? kOk : kErrArgument;
}
__attribute__((visibility("default"))) int32_t mpeg_SetDecryptMode(files::TMpegHandle h, uint8_t) {
  return h ? kOk : kErrArgument;
}

__attribute__((visibility("default"))) int32_t mpeg_Clear(files::TMpegHandle h) {
  if (!h) return kErrArgument;
  return Clear(static_cast<Decoder*>(h));
}

__attribute__((visibility("default"))) int32_t mpeg_SetTrailingHeader(files::TMpegHandle h, int32_t value) {
  if (!h) return kErrArgument;
  static_cast<Decoder*>(h)->trailing_header = value;
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_SetFileOffset(files::TMpegHandle h, int32_t) {
  return h ? kOk : kErrArgument;
}

__attribute__((visibility("default"))) int32_t mpeg_SetExactPosition(files::TMpegHandle h, int32_t exact) {
  if (!h) return kErrArgument;
  static_cast<Decoder*>(h)->exact = exact;
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_SetFileName(files::TMpegHandle h, const char* name) {
  if (!h || !name) return kErrArgument;
  auto* d = static_cast<Decoder*>(h);
  Clear(d);
  if (!*name) {
    Notify(d);
    return kOk;
  }
  d->fd = open(name, O_RDONLY | O_CLOEXEC);
  if (d->fd < 0) return kErrOpen;
  struct stat st {};
  int32_t rc = kOk;
  if (fstat(d->fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    rc = kErrOpen;
  } else if (!mpegmod::ProbeMpeg(static_cast<uint64_t>(st.st_size), &FileReadAt, &d->fd, d->layout)) {
    rc = kErrNotMpeg;
  } else if ((rc = OpenStream(d)) == kOk) {
    d->variable_rate = VariableRate(d);
    rc = FillInfo(d, false);
    CloseStream(d);
  }
  if (rc != kOk) {
    Clear(d);
    return rc;
  }
  d->name = name;
  Notify(d);
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_GetFileName(files::TMpegHandle h, char* buffer,
                                                                int32_t size) {
  if (!h || !buffer || size <= 0) return kErrArgument;
  const auto* d = static_cast<Decoder*>(h);
  const auto need = static_cast<int32_t>(d->name.size() + 1);
  if (need > size) return -need;
  std::memcpy(buffer, d->name.c_str(), static_cast<size_t>(need));
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_GetEmpty(files::TMpegHandle h) {
  return !h || static_cast<Decoder*>(h)->fd < 0 ? 1 : 0;
}

__attribute__((visibility("default"))) int32_t mpeg_GetFileInfo(files::TMpegHandle h, TMpegInfoRecord* info) {
  if (!h || !info) return kErrArgument;
  const auto* d = static_cast<Decoder*>(h);
  if (d->fd < 0) return kErrNoFile;
  std::memcpy(info, &d->info, sizeof *info);
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_SetChannelMode(files::TMpegHandle h, uint8_t mode) {
  if (!h) return kErrArgument;
  if (mode > files::cmDownMix) return kErrChannelMode;
  static_cast<Decoder*>(h)->channel_mode = mode;
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_GetChannelMode(files::TMpegHandle h, uint8_t* mode) {
  if (!h || !mode) return kErrArgument;
  *mode = static_cast<Decoder*>(h)->channel_mode;
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_SetPosition(files::TMpegHandle h, int32_t frame) {
  if (!h) return kErrArgument;
  auto* d = static_cast<Decoder*>(h);
  if (d->fd < 0) return kErrNoFile;
  if (frame < 0) return kErrPosition;
  if (!d->opened) {
    d->position = frame;
    return kOk;
  }
  return SeekFrame(d, frame);
}

__attribute__((visibility("default"))) int32_t mpeg_GetPosition(files::TMpegHandle h) {
  if (!h) return 0;
  const auto* d = static_cast<Decoder*>(h);
  if (!d->opened) return d->position;
  const int32_t frame_bytes = FrameOutBytes(d);
  const auto held = static_cast<int32_t>(d->pending.size() - d->pending_pos);
  const int32_t held_frames = frame_bytes > 0 ? (held + frame_bytes - 1) / frame_bytes : 0;
  return d->base_frame + std::max(d->decoded_frames - held_frames, 0);
}

__attribute__((visibility("default"))) int32_t mpeg_OpenFile(files::TMpegHandle h) {
  if (!h) return kErrArgument;
  auto* d = static_cast<Decoder*>(h);
  if (d->fd < 0) return kErrNoFile;
  if (d->opened) return kOk;
  int32_t rc = OpenStream(d);
  if (rc == kOk) rc = SeekFrame(d, d->position);
  if (rc != kOk) {
    CloseStream(d);
    return rc;
  }
  d->opened = true;
  d->abort = false;
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_CloseFile(files::TMpegHandle h) {
  if (!h) return kErrArgument;
  auto* d = static_cast<Decoder*>(h);
  if (d->opened) d->position = mpeg_GetPosition(h);
  CloseStream(d);
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_ResetFile(files::TMpegHandle h) {
  if (!h) return kErrArgument;
  auto* d = static_cast<Decoder*>(h);
  if (!d->opened) {
    d->position = 0;
    return d->fd < 0 ? kErrNoFile : kOk;
  }
  return SeekFrame(d, 0);
}

__attribute__((visibility("default"))) int32_t mpeg_ReadDataBytes(files::TMpegHandle h, void* buffer,
                                                                  int32_t size) {
  if (!h || (!buffer && size > 0) || size < 0) return -kErrArgument;
  auto* d = static_cast<Decoder*>(h);
  if (!d->opened) return -kErrNoFile;
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t filled = 0;
  while (filled < size && !d->abort) {
    if (d->pending_pos == d->pending.size()) {
      if (d->at_end || !DecodeFrame(d)) {
        d->at_end = true;
        break;
      }
      continue;
    }
    const auto n = static_cast<int32_t>(
        std::min<size_t>(static_cast<size_t>(size - filled), d->pending.size() - d->pending_pos));
    std::memcpy(out + filled, d->pending.data() + d->pending_pos, static_cast<size_t>(n));
    d->pending_pos += static_cast<size_t>(n);
    filled += n;
  }
  // Decode one frame ahead, so the end is known together with the last bytes.
  if (d->pending_pos == d->pending.size() && !d->at_end && !d->abort && !DecodeFrame(d)) d->at_end = true;
  d->abort = false;
  return filled;
}

__attribute__((visibility("default"))) int32_t mpeg_ReadDataBytesEx(files::TMpegHandle h, void* buffer,
                                                                    int32_t size, int32_t* frames) {
  const int32_t before = mpeg_GetPosition(h);
  const int32_t n = mpeg_ReadDataBytes(h, buffer, size);
  if (frames) *frames = mpeg_GetPosition(h) - before;
  return n;
}

__attribute__((visibility("default"))) int32_t mpeg_AbortReadData(files::TMpegHandle h) {
  if (!h) return kErrArgument;
  static_cast<Decoder*>(h)->abort = true;
  return kOk;
}

__attribute__((visibility("default"))) int32_t mpeg_GetDone(files::TMpegHandle h) {
  if (!h) return 1;
  const auto* d = static_cast<Decoder*>(h);
  return !d->opened || (d->at_end && d->pending_pos == d->pending.size()) ? 1 : 0;
}

__attribute__((visibility("default"))) int32_t mpeg_ScanFile(files::TMpegHandle h, int32_t,
                                                             files::TMpegScanCallback, void*) {
  if (!h) return kErrArgument;
  auto* d = static_cast<Decoder*>(h);
  if (d->fd < 0) return kErrNoFile;
  const bool was_opened = d->opened;
  const int32_t position = mpeg_GetPosition(h);
  int32_t rc = OpenStream(d);
  if (rc == kOk) rc = mpg123_scan(d->mh) == MPG123_OK ? FillInfo(d, true) : kErrDecoder;
  if (was_opened && rc == kOk) {
    d->opened = true;
    rc = SeekFrame(d, position);
  } else {
    CloseStream(d);
  }
  if (rc == kOk) Notify(d);
  return rc;
}

__attribute__((visibility("default"))) int32_t mpeg_ScanFileEx(files::TMpegHandle h, int32_t, int32_t) {
  return h ? kOk : kErrArgument;
}

__attribute__((visibility("default"))) int32_t mpeg_EncryptFile(files::TMpegHandle h, const char*, int32_t,
                                                                int32_t, int32_t) {
  return h ? kOk : kErrArgument;
}

__attribute__((visibility("default"))) int32_t mpeg_ReadID3Tag(files::TMpegHandle h, uint8_t* tag) {
  if (!h || !tag) return 0;
  const auto* d = static_cast<Decoder*>(h);
  if (d->fd < 0 || d->info.Tag[0] != 'T') return 0;
  std::memcpy(tag, d->info.Tag, files::kMpegId3Size);
  return 1;
}

__attribute__((visibility("default"))) int32_t mpeg_GetErrorText(int32_t code, char* buffer, int32_t size) {
  if (!buffer || size <= 0) return 1;
  const char* text = ErrorText(code < 0 ? -code : code);
  if (!text) return 1;
  std::snprintf(buffer, static_cast<size_t>(size), "%s", text);
  return 0;
}
}
