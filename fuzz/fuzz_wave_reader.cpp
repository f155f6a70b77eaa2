// Reads arbitrary bytes as a RIFF WAVE image: the header read must either
// refuse it or give a record whose data region lies inside the image, and
// reading that region must stay inside it too. The same bytes as a file go
// through the wave object, with cuts taken from the image's last bytes: what
// it reads through its play ranges never exceeds the data.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/MMRIFF.h"
#include "engine/MMWaveIO.h"
#include "files/MMCutLst.h"
#include "files/MMWave.h"

namespace {

void ReadThroughWaveObject(const uint8_t* data, size_t size) {
  static const std::string name = "/tmp/fuzz_wave_object." + std::to_string(::getpid()) + ".wav";
  std::FILE* f = std::fopen(name.c_str(), "wb");
  if (f == nullptr) return;
  std::fwrite(data, 1, size, f);
  std::fclose(f);
  files::TMMCutList cuts;
  for (size_t i = 0; i + 4 <= size && i < 16; i += 4) {
    files::TMMCutRange r;
    r.Start = (static_cast<int64_t>(data[size - 1 - i]) << 8) | data[size - 2 - i];
    r.Length = (static_cast<int64_t>(data[size - 3 - i]) << 8) | data[size - 4 - i];
    cuts.AddRange(r);
  }
  files::TMMWave wave;
  try {
    wave.SetFileName(name);
    wave.SetCutList(&cuts);
    wave.OpenFile();
    std::vector<uint8_t> buffer(1000);
    int64_t total = 0;
    for (int32_t n; (n = wave.ReadData(buffer.data(), static_cast<int32_t>(buffer.size()))) > 0;) {
      total += n;
      if (total > static_cast<int64_t>(size) + 1000) std::abort();
    }
    wave.SetPosition(wave.DataSize() / 3);
    wave.ReadData(buffer.data(), 7);
  } catch (const files::EMMWaveError&) {
    // Refusing a file is a fine answer.
  }
  wave.FreeWave();
  std::remove(name.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  engine::TWaveIORec* rec = nullptr;
  if (engine::WaveReadInfoFromMemory(rec, data, size) != engine::WIOERR_NOERROR) {
    if (rec != nullptr) std::abort();
    return 0;
  }
  if (rec->dwDataOffset < 0 || rec->dwDataBytes < 0 ||
      rec->dwDataOffset + rec->dwDataBytes > static_cast<int64_t>(size) || rec->dwLength < 0)
    std::abort();
  for (int i = 0; i < engine::RIFFInfoTagCount; ++i)
    if (engine::RIFFInfoValue(rec->lpInfo, engine::RIFFInfoTags[i].Tag).size() > size) std::abort();
  for (const engine::TRIFFDispEntry* e = rec->lpDisp->First; e != nullptr; e = e->Next)
    if (e->DataSize > size) std::abort();

  if (engine::WaveOpenFile(rec) == engine::WIOERR_NOERROR) {
    std::vector<uint8_t> buffer(4096);
    int64_t total = 0;
    for (int32_t n; (n = engine::WaveRead(rec, buffer.data(), static_cast<int32_t>(buffer.size()))) > 0;)
      total += n;
    if (total > rec->dwDataBytes) std::abort();
    if (engine::WaveSeek(rec, rec->dwLength / 2) == engine::WIOERR_NOERROR)
      engine::WaveRead(rec, buffer.data(), static_cast<int32_t>(buffer.size()));
    engine::WaveCloseFile(rec);
  }
  engine::WaveFreeInfo(rec);
  ReadThroughWaveObject(data, size);
  return 0;
}
