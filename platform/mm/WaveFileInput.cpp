#include "platform/mm/WaveFileInput.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

#include "platform/mm/MMIO.h"
#include "platform/mm/WaveClock.h"

namespace plat::wave {

namespace {

std::mutex path_mutex;
std::string path_override;

std::string FilePath() {
  std::lock_guard lock(path_mutex);
  if (!path_override.empty()) return path_override;
  const char* env = std::getenv("QUELLIX_AUDIO_FILE");
  return env ? env : "";
}

uint32_t Le32(const BYTE* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t Le16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

class FileInputStream : public ClockStream {
 public:
  FileInputStream(const WAVEFORMATEX& format, const WAVEFORMATEX& file_format, std::vector<BYTE> data)
      : ClockStream(format), file_format_(file_format), data_(std::move(data)) {}

 protected:
  void Produce(BYTE* out, int64_t frames, int64_t, int64_t passed) override {
    const int64_t file_frames = static_cast<int64_t>(data_.size()) / file_format_.nBlockAlign;
    for (int64_t i = 0; i < frames; ++i) {
      BYTE* target = out + i * format_.nBlockAlign;
      if (file_frames == 0) {
        std::memset(target, SilenceByte(format_), format_.nBlockAlign);
        continue;
      }
      const int64_t frame =
          (cursor_ + i) * file_format_.nSamplesPerSec / format_.nSamplesPerSec % file_frames;
      ConvertFrame(data_.data() + frame * file_format_.nBlockAlign, file_format_, target, format_);
    }
    cursor_ += passed;
  }

 private:
  const WAVEFORMATEX file_format_;
  const std::vector<BYTE> data_;
  int64_t cursor_ = 0;  // frames of the device format heard so far
};

class FileInputDevice : public WaveDevice {
 public:
  FileInputDevice() : WaveDevice(Direction::kIn) {}
  DeviceCaps Caps() const override {
    DeviceCaps caps;
    caps.name = "File Input";
    caps.pid = 0x12;
    return caps;
  }
  MMRESULT Open(const WAVEFORMATEX& format, WavePort&, std::unique_ptr<WaveStream>* stream) override {
    WAVEFORMATEX file_format{};
    std::vector<BYTE> data;
    const std::string path = FilePath();
    if (path.empty() || !ReadWaveFile(path, &file_format, &data)) return MMSYSERR_NOTENABLED;
    *stream = std::make_unique<FileInputStream>(format, file_format, std::move(data));
    return MMSYSERR_NOERROR;
  }
};

}  // namespace

std::shared_ptr<WaveDevice> MakeFileInputDevice() { return std::make_shared<FileInputDevice>(); }

bool ReadWaveFile(const std::string& path, WAVEFORMATEX* format, std::vector<BYTE>* data) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  const std::vector<BYTE> file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (file.size() < 12 || std::memcmp(file.data(), "RIFF", 4) != 0 ||
      std::memcmp(file.data() + 8, "WAVE", 4) != 0)
    return false;
  bool have_format = false;
  size_t pos = 12;
  while (pos + 8 <= file.size()) {
    const BYTE* chunk = file.data() + pos;
    const size_t size = Le32(chunk + 4);
    const size_t body = pos + 8;
    const size_t available = std::min(size, file.size() - body);
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (available < 16) return false;
      const BYTE* f = file.data() + body;
      WAVEFORMATEX wf{};
      wf.wFormatTag = Le16(f);
      wf.nChannels = Le16(f + 2);
      wf.nSamplesPerSec = Le32(f + 4);
      wf.nAvgBytesPerSec = Le32(f + 8);
      wf.nBlockAlign = Le16(f + 12);
      wf.wBitsPerSample = Le16(f + 14);
      if (wf.wFormatTag != WAVE_FORMAT_PCM || (wf.wBitsPerSample != 8 && wf.wBitsPerSample != 16) ||
          wf.nChannels == 0 || wf.nSamplesPerSec == 0 ||
          wf.nBlockAlign != wf.nChannels * wf.wBitsPerSample / 8)
        return false;
      *format = wf;
      have_format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!have_format) return false;
      // A size of 0 leaves the samples' first bytes where the next header
      // would be: they are a header only if that chunk fits in the RIFF chunk.
      const size_t riff_end = std::min<size_t>(file.size(), size_t{8} + Le32(file.data() + 4));
      int64_t next_header = -1;
      if (size == 0 && body + 8 <= riff_end && body + 8 + Le32(file.data() + body + 4) <= riff_end)
        next_header = static_cast<int64_t>(body);
      const int64_t end = WaveDataEnd(static_cast<int64_t>(body), static_cast<DWORD>(size),
                                      static_cast<int64_t>(file.size()), next_header);
      data->assign(file.begin() + static_cast<std::ptrdiff_t>(body), file.begin() + end);
      return true;
    }
    if (size > file.size()) break;
    pos = body + size + (size & 1);
  }
  return false;
}

}  // namespace plat::wave

namespace plat::wavedev {

void SetFileInputPath(const std::string& path) {
  std::lock_guard lock(wave::path_mutex);
  wave::path_override = path;
}

}  // namespace plat::wavedev
