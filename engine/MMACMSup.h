#pragma once
// Format conversion through the compression manager: comparing formats,
// proposing PCM, testing and building conversions (directly or through
// intermediate formats) and running them block by block, carrying the bytes
// a stream did not take into the next call.
#include <cstdint>
#include <vector>

#include "engine/MMACM.h"
#include "platform/mm/MMSystem.h"

namespace engine {

// One stream of a conversion.
struct TMMACMStage {
  void* SourceBuffer = nullptr;  // the conversion's source, or the previous stage's output
  void* DestBuffer = nullptr;    // owned, DestSize bytes
  int32_t SourceSize = 0;        // capacity of SourceBuffer
  int32_t DestSize = 0;
  int32_t Left = 0;  // bytes the stream did not take, kept at the front of WorkBuffer
  plat::HACMSTREAM Stream = nullptr;
  plat::ACMSTREAMHEADER Header{};
  // The stream reads from here: the carried bytes followed by the new ones.
  // Owned, with room for a full source block on top of the carry, so carrying
  // never writes into the caller's buffer or past any buffer.
  void* WorkBuffer = nullptr;
  int32_t WorkSize = 0;
};

struct TMMACMConversion {
  void* SourceBuffer = nullptr;  // where the caller puts each block of source data
  void* DestBuffer = nullptr;    // the last stage's output
  int32_t SourceSize = 0;        // the largest block per call, whole source blocks
  int32_t DestSize = 0;
  int32_t DestLength = 0;  // bytes produced by the last call
  int32_t DestRead = 0;    // bytes of the output the caller has taken
  bool SourceLeft = false;
  bool NoOutput = false;
  bool OwnsSource = false;
  bool RealTime = true;
  std::vector<TMMACMStage*> Stages;
};

using PWaveFormat = const plat::WAVEFORMATEX*;

bool WaveFormatsDiffer(PWaveFormat a, PWaveFormat b);
void SuggestPCMFormat(PWaveFormat source, plat::WAVEFORMATEX& dest);
bool CanConvertFormat(PWaveFormat source, PWaveFormat dest, bool real_time);
TMMACMConversion* CreateACMConversion(PWaveFormat source, PWaveFormat dest, void* source_buffer,
                                      int32_t buffer_size, bool real_time);
// Bytes now in DestBuffer, or -1 when a stream refused the block.
int32_t ACMConvertBlock(TMMACMConversion* conversion, int32_t bytes);
// The same for the last block of a stream: the streams give out what they hold.
int32_t ACMConvertEnd(TMMACMConversion* conversion, int32_t bytes);
bool ResetACMConversion(TMMACMConversion* conversion);
void FreeACMConversion(TMMACMConversion*& conversion);

}  // namespace engine
