// Reads arbitrary bytes as a RIFF WAVE image: the header read must either
// refuse it or give a record whose data region lies inside the image, and
// reading that region must stay inside it too.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/MMRIFF.h"
#include "engine/MMWaveIO.h"

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
  return 0;
}
