// Reads arbitrary bytes as the wave recorder's stored "WaveFormatEx" record.
// The recorder must refuse it with its own error or take it as the input's
// format, never reading past what it was given (the sanitizers watch).
#include <cstdint>
#include <cstdlib>

#include "engine/MMWaveIO.h"
#include "files/MMWRec.h"
#include "platform/vcl/Streams.h"

namespace {

class TFuzzRecorder : public files::TMMWaveRecorder {
 public:
  using TMMWaveRecorder::ReadWaveFormat;
  using TMMWaveRecorder::TMMWaveRecorder;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool virtual_devices = [] { return setenv("QUELLIX_AUDIO", "virtual", 1) == 0; }();
  (void)virtual_devices;
  TFuzzRecorder recorder(nullptr);
  vcl::TMemoryStream stream;
  stream.WriteBuffer(data, static_cast<int64_t>(size));
  stream.SetPosition(0);
  try {
    recorder.ReadWaveFormat(stream);
  } catch (const files::EMMWaveRecorderError&) {
    return 0;
  }
  // What was taken is a whole record of the size it announces.
  const plat::WAVEFORMATEX* format = recorder.WaveIn()->GetFormat();
  if (format == nullptr || engine::GetWaveFormatSize(format) > static_cast<int32_t>(size)) std::abort();
  return 0;
}
