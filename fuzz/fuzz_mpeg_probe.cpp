// Reads arbitrary bytes as an MPEG audio file: the probe must either refuse
// them or find a stream whose first frame lies inside the data, and a file
// the probe takes goes through the decoder module's entries (stream
// information, ID3v1 image, a seek and the decoding to the end), which must
// keep to the data and report a sane record.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "files/MMMPType.h"
#include "modules/mmmpeg32/MpegProbe.h"

extern "C" {
files::TMpegHandle mpeg_Init(int32_t* error, files::TMpegChangeCallback callback, void* user);
void mpeg_Done(files::TMpegHandle* handle);
int32_t mpeg_SetFileName(files::TMpegHandle, const char* name);
int32_t mpeg_GetFileInfo(files::TMpegHandle, files::TMpegInfoRecord* info);
int32_t mpeg_ReadID3Tag(files::TMpegHandle, uint8_t* tag);
int32_t mpeg_OpenFile(files::TMpegHandle);
int32_t mpeg_SetPosition(files::TMpegHandle, int32_t frame);
int32_t mpeg_ReadDataBytes(files::TMpegHandle, void* buffer, int32_t size);
int32_t mpeg_GetDone(files::TMpegHandle);
int32_t mpeg_ScanFile(files::TMpegHandle, int32_t mode, files::TMpegScanCallback, void* user);
}

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void Decode(const uint8_t* data, size_t size, bool accepted) {
  // The module opens files by name: an in-memory file stands in.
  const int fd = memfd_create("fuzz_mpeg", MFD_CLOEXEC);
  if (fd < 0) return;
  if (write(fd, data, size) != static_cast<ssize_t>(size)) {
    close(fd);
    return;
  }
  const std::string name = "/proc/self/fd/" + std::to_string(fd);
  int32_t error = 0;
  files::TMpegHandle h = mpeg_Init(&error, nullptr, nullptr);
  Check(h != nullptr);
  const int32_t rc = mpeg_SetFileName(h, name.c_str());
  // The module never takes what the probe refuses.
  Check(rc != 0 || accepted);
  if (rc == 0) {
    files::TMpegInfoRecord info{};
    Check(mpeg_GetFileInfo(h, &info) == 0);
    const int32_t layer = info.Layer, rate = info.SampleRate, frames = info.Frames;
    Check(layer >= 1 && layer <= 3 && rate >= 8000 && rate <= 48000 && frames >= 0);
    uint8_t tag[files::kMpegId3Size];
    if (mpeg_ReadID3Tag(h, tag)) Check(tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G');
    if (size < 16384) mpeg_ScanFile(h, 1, nullptr, nullptr);
    if (mpeg_OpenFile(h) == 0) {
      mpeg_SetPosition(h, 1);
      std::vector<uint8_t> buffer(4608);
      int64_t total = 0;
      for (int i = 0; i < 64 && !mpeg_GetDone(h); ++i) {
        const int32_t n = mpeg_ReadDataBytes(h, buffer.data(), static_cast<int32_t>(buffer.size()));
        Check(n >= 0 && n <= static_cast<int32_t>(buffer.size()) && n % 2 == 0);
        total += n;
        if (n == 0) break;
      }
      // Layer I at 8 kHz gives the most output per input byte: far below this.
      Check(total <= static_cast<int64_t>(size) * 4608 + 4608 * 64);
    }
  }
  mpeg_Done(&h);
  Check(h == nullptr);
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  mpegmod::MpegLayout layout;
  const bool accepted = mpegmod::ProbeMpegMemory(data, size, layout);
  if (accepted) {
    Check(layout.data_offset + layout.data_length <= size);
    Check(layout.first_frame + 4 <= layout.data_length);
    Check(layout.first.layer >= 1 && layout.first.layer <= 3 && layout.first.length >= 4);
  }
  Decode(data, size, accepted);
  return 0;
}
