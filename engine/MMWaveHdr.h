#pragma once
// The buffer header the devices put in front of every data block: the
// platform's wave header, so the same pointer goes to the driver and down the
// chain, followed by the wave output's ring and loop bookkeeping.
#include <cstdint>

#include "platform/mm/WaveDevices.h"

namespace engine {

struct TMMWaveHdr : plat::WAVEHDR {
  // The wave output's copy of dwBytesRecorded while the driver holds the header.
  int32_t SavedBytes = 0;
  // The header the wave output plays next, its byte count restored, so a
  // receiver can look one buffer ahead.
  TMMWaveHdr* NextHeader = nullptr;
  // -1 true, 0 false: the wave output's looping request for this pull.
  int32_t Looping = 0;
  // Repeats asked for after the first pass; 0 loops until stopped.
  int32_t LoopCount = 0;
  int32_t LoopsLeft = 0;
  // -1 when the source wrapped to its loop start inside this buffer.
  int32_t LoopMark = 0;
};
using PMMWaveHdr = TMMWaveHdr*;

// A converter's pull from its input carries the caller's loop request up and
// the input's answer back.
inline void CopyLoopFields(const TMMWaveHdr& from, TMMWaveHdr& to) {
  to.Looping = from.Looping;
  to.LoopCount = from.LoopCount;
  to.LoopsLeft = from.LoopsLeft;
  to.LoopMark = from.LoopMark;
}

// The header of a block laid out as header then data: sets the driver fields
// and leaves the bookkeeping behind them as the block holds it, so a block
// taken again from a pool keeps what its last user left there.
inline TMMWaveHdr* InitWaveHdr(void* block, uint32_t buffer_size) {
  auto* hdr = static_cast<TMMWaveHdr*>(block);
  hdr->lpData = reinterpret_cast<char*>(hdr + 1);
  hdr->dwBufferLength = buffer_size;
  hdr->dwBytesRecorded = 0;
  hdr->dwUser = 0;
  hdr->dwFlags = 0;
  hdr->dwLoops = 0;
  hdr->lpNext = nullptr;
  return hdr;
}

// The block size a device asks its pool for: header and data together.
constexpr uint32_t WaveHdrBlockSize(uint32_t buffer_size) { return buffer_size + sizeof(TMMWaveHdr); }

}  // namespace engine
