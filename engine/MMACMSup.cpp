#include "engine/MMACMSup.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/MMUtils.h"
#include "platform/kernel/Clock.h"

namespace engine {

namespace {

using plat::ACMSTREAMHEADER;
using plat::WAVEFORMATEX;

// Proposals come from the manager and may grow extra bytes; give them room.
constexpr size_t kProposalSize = 1025;
// Each hop makes the format more like the target; a manager that does not
// must not send us round for ever.
constexpr int kMaxHops = 8;
constexpr int64_t kDoneWaitMs = 1000;

bool Usable() {
  return ACMUsable() && ACM().acmFormatSuggest != nullptr && ACM().acmStreamOpen != nullptr &&
         ACM().acmStreamClose != nullptr && ACM().acmStreamSize != nullptr &&
         ACM().acmStreamConvert != nullptr && ACM().acmStreamPrepareHeader != nullptr &&
         ACM().acmStreamUnprepareHeader != nullptr;
}

plat::DWORD OpenFlags(bool real_time) { return real_time ? 0 : plat::ACM_STREAMOPENF_NONREALTIME; }

bool Query(PWaveFormat from, PWaveFormat to, bool real_time) {
  return ACM().acmStreamOpen(nullptr, nullptr, from, to, nullptr, 0, 0,
                             plat::ACM_STREAMOPENF_QUERY | OpenFlags(real_time)) == plat::MMSYSERR_NOERROR;
}

using Proposal = std::array<plat::BYTE, kProposalSize>;
WAVEFORMATEX* AsFormat(Proposal& p) { return reinterpret_cast<WAVEFORMATEX*>(p.data()); }

// An intermediate format on the way from source to dest, or false.
bool ProposeIntermediate(PWaveFormat source, PWaveFormat dest, bool real_time, Proposal& proposal) {
  proposal.fill(0);
  WAVEFORMATEX* i = AsFormat(proposal);
  constexpr plat::DWORD kAll = plat::ACM_FORMATSUGGESTF_WFORMATTAG | plat::ACM_FORMATSUGGESTF_NCHANNELS |
                               plat::ACM_FORMATSUGGESTF_NSAMPLESPERSEC;
  if (source->wFormatTag != plat::WAVE_FORMAT_PCM) {
    i->wFormatTag = plat::WAVE_FORMAT_PCM;
    i->nChannels = dest->nChannels;
    i->nSamplesPerSec = dest->nSamplesPerSec;
    if (ACM().acmFormatSuggest(nullptr, source, i, kProposalSize, kAll) == plat::MMSYSERR_NOERROR)
      return true;
    return ACM().acmFormatSuggest(nullptr, source, i, kProposalSize, plat::ACM_FORMATSUGGESTF_WFORMATTAG) ==
           plat::MMSYSERR_NOERROR;
  }
  if (dest->nChannels == source->nChannels && dest->nSamplesPerSec == source->nSamplesPerSec) return false;
  constexpr plat::DWORD kShape = plat::ACM_FORMATSUGGESTF_NCHANNELS | plat::ACM_FORMATSUGGESTF_NSAMPLESPERSEC;
  i->nChannels = dest->nChannels;
  i->nSamplesPerSec = dest->nSamplesPerSec;
  if (ACM().acmFormatSuggest(nullptr, source, i, kProposalSize, kShape) != plat::MMSYSERR_NOERROR)
    return false;
  if (!Query(i, dest, real_time)) {
    i->wBitsPerSample = i->wBitsPerSample == 16 ? 8 : 16;
    if (ACM().acmFormatSuggest(nullptr, source, i, kProposalSize,
                               kShape | plat::ACM_FORMATSUGGESTF_WBITSPERSAMPLE) != plat::MMSYSERR_NOERROR)
      return false;
  }
  return true;
}

bool CanConvertHops(PWaveFormat source, PWaveFormat dest, bool real_time, int depth) {
  if (!WaveFormatsDiffer(source, dest)) return true;
  if (Query(source, dest, real_time)) return true;
  if (depth >= kMaxHops) return false;
  Proposal proposal;
  if (!ProposeIntermediate(source, dest, real_time, proposal)) return false;
  WAVEFORMATEX* i = AsFormat(proposal);
  if (!Query(source, i, real_time)) return false;
  return WaveFormatsDiffer(i, dest) ? CanConvertHops(i, dest, real_time, depth + 1) : true;
}

bool WaitDone(const ACMSTREAMHEADER& header) {
  // Streams here are synchronous; a driver that never finishes a header
  // fails the block after a while instead of hanging the caller.
  const int64_t deadline = plat::ClockNowMicroseconds() + kDoneWaitMs * 1000;
  while (!(header.fdwStatus & plat::ACMSTREAMHEADER_STATUSF_DONE) && plat::ClockNowMicroseconds() < deadline)
    plat::Sleep(1);
  return (header.fdwStatus & plat::ACMSTREAMHEADER_STATUSF_DONE) != 0;
}

void FreeStage(TMMACMConversion* conversion, TMMACMStage*& stage, bool owns_source) {
  if (stage->Header.fdwStatus & plat::ACMSTREAMHEADER_STATUSF_PREPARED) {
    stage->Header.cbSrcLength = static_cast<plat::DWORD>(stage->Header.dwSrcUser);
    stage->Header.cbDstLength = static_cast<plat::DWORD>(stage->Header.dwDstUser);
    ACM().acmStreamUnprepareHeader(stage->Stream, &stage->Header, 0);
  }
  if (stage->Stream != nullptr) ACM().acmStreamClose(stage->Stream, 0);
  if (owns_source) {
    GlobalFreeAndNil(conversion->SourceBuffer);
    conversion->OwnsSource = false;
  }
  GlobalFreeAndNil(stage->DestBuffer);
  GlobalFreeAndNil(stage->WorkBuffer);
  delete stage;
  stage = nullptr;
}

bool AddConversionStage(TMMACMConversion* conversion, PWaveFormat from, PWaveFormat to) {
  auto* stage = new TMMACMStage;
  bool owns_source = false;
  try {
    if (ACM().acmStreamOpen(&stage->Stream, nullptr, from, to, nullptr, 0, 0,
                            OpenFlags(conversion->RealTime)) != plat::MMSYSERR_NOERROR) {
      stage->Stream = nullptr;
      FreeStage(conversion, stage, false);
      return false;
    }
    if (conversion->DestBuffer != nullptr) {
      stage->SourceBuffer = conversion->DestBuffer;
      stage->SourceSize = conversion->DestSize;
    } else if (conversion->SourceBuffer != nullptr) {
      stage->SourceBuffer = conversion->SourceBuffer;
      stage->SourceSize = conversion->SourceSize;
    } else {
      stage->SourceSize = 4 * conversion->SourceSize;
      conversion->SourceBuffer = GlobalAllocZeroed(std::max<int32_t>(stage->SourceSize, 1));
      conversion->OwnsSource = true;
      owns_source = true;
      stage->SourceBuffer = conversion->SourceBuffer;
    }
    // Room for a call's new bytes plus a carry of up to as many again and one block.
    int64_t work = 2 * int64_t{stage->SourceSize} + std::max<plat::WORD>(from->nBlockAlign, 1);
    plat::DWORD dest_size = 0;
    if (stage->SourceSize <= 0 || work > INT32_MAX ||
        ACM().acmStreamSize(stage->Stream, static_cast<plat::DWORD>(stage->SourceSize + from->nBlockAlign),
                            &dest_size, plat::ACM_STREAMSIZEF_SOURCE) != plat::MMSYSERR_NOERROR ||
        dest_size == 0 || dest_size > INT32_MAX) {
      FreeStage(conversion, stage, owns_source);
      return false;
    }
    stage->WorkSize = static_cast<int32_t>(work);
    stage->WorkBuffer = GlobalAllocZeroed(stage->WorkSize);
    stage->DestSize = static_cast<int32_t>(dest_size);
    stage->DestBuffer = GlobalAllocZeroed(stage->DestSize);

    ACMSTREAMHEADER& h = stage->Header;
    h.cbStruct = sizeof h;
    h.pbSrc = static_cast<plat::BYTE*>(stage->WorkBuffer);
    h.cbSrcLength = static_cast<plat::DWORD>(stage->WorkSize);
    h.dwSrcUser = h.cbSrcLength;
    h.pbDst = static_cast<plat::BYTE*>(stage->DestBuffer);
    h.cbDstLength = static_cast<plat::DWORD>(stage->DestSize);
    h.dwDstUser = h.cbDstLength;
    if (ACM().acmStreamPrepareHeader(stage->Stream, &h, 0) != plat::MMSYSERR_NOERROR) {
      FreeStage(conversion, stage, owns_source);
      return false;
    }
  } catch (...) {
    FreeStage(conversion, stage, owns_source);
    throw;
  }
  conversion->DestBuffer = stage->DestBuffer;
  conversion->DestSize = stage->DestSize;
  conversion->Stages.push_back(stage);
  return true;
}

bool AddConversionStages(TMMACMConversion* conversion, PWaveFormat source, PWaveFormat dest, int depth) {
  if (!WaveFormatsDiffer(source, dest)) return false;
  if (Query(source, dest, conversion->RealTime)) return AddConversionStage(conversion, source, dest);
  if (depth >= kMaxHops) return false;
  Proposal proposal;
  if (!ProposeIntermediate(source, dest, conversion->RealTime, proposal)) return false;
  WAVEFORMATEX* i = AsFormat(proposal);
  if (!Query(source, i, conversion->RealTime)) return false;
  if (!AddConversionStage(conversion, source, i)) return false;
  return WaveFormatsDiffer(i, dest) ? AddConversionStages(conversion, i, dest, depth + 1) : true;
}

int32_t Convert(TMMACMConversion* conversion, int32_t bytes, bool end) {
  if (conversion == nullptr || !Usable()) return -1;
  int32_t n = std::clamp(bytes, 0, conversion->SourceSize);
  conversion->SourceLeft = false;
  if (!end) conversion->NoOutput = false;
  plat::DWORD flags = plat::ACM_STREAMCONVERTF_BLOCKALIGN | (end ? plat::ACM_STREAMCONVERTF_END : 0);
  for (TMMACMStage* stage : conversion->Stages) {
    auto* work = static_cast<plat::BYTE*>(stage->WorkBuffer);
    // A stream that keeps refusing input cannot be fed more than its buffer holds.
    if (int64_t{stage->Left} + n > stage->WorkSize) return -1;
    if (n > 0) std::memcpy(work + stage->Left, stage->SourceBuffer, n);
    ACMSTREAMHEADER& h = stage->Header;
    h.cbSrcLength = static_cast<plat::DWORD>(stage->Left + n);
    h.cbDstLength = static_cast<plat::DWORD>(stage->DestSize);
    // The new bytes now sit in the work buffer; keep them even if the stream refuses the call.
    stage->Left += n;
    if (ACM().acmStreamConvert(stage->Stream, &h, flags) != plat::MMSYSERR_NOERROR || !WaitDone(h)) return -1;
    plat::DWORD used = std::min(h.cbSrcLengthUsed, h.cbSrcLength);
    plat::DWORD produced = std::min(h.cbDstLengthUsed, h.cbDstLength);
    stage->Left = static_cast<int32_t>(h.cbSrcLength - used);
    if (stage->Left > 0) {
      std::memmove(work, work + used, stage->Left);
      conversion->SourceLeft = true;
    }
    if (!end && produced == 0 && used > 0) conversion->NoOutput = true;
    n = static_cast<int32_t>(produced);
  }
  conversion->DestLength = n;
  conversion->DestRead = 0;
  if (end) conversion->SourceLeft = false;
  return n;
}

}  // namespace

bool WaveFormatsDiffer(PWaveFormat a, PWaveFormat b) {
  if (a == nullptr || b == nullptr) return false;
  return a->wFormatTag != b->wFormatTag || a->wBitsPerSample != b->wBitsPerSample ||
         a->nChannels != b->nChannels || a->nSamplesPerSec != b->nSamplesPerSec;
}

void SuggestPCMFormat(PWaveFormat source, WAVEFORMATEX& dest) {
  if (source != nullptr && source->wFormatTag == plat::WAVE_FORMAT_PCM) {
    std::memcpy(&dest, source, sizeof dest);
    return;
  }
  std::memset(&dest, 0, sizeof dest);
  if (source == nullptr || !Usable()) return;
  WAVEFORMATEX proposal{};
  proposal.wFormatTag = plat::WAVE_FORMAT_PCM;
  if (ACM().acmFormatSuggest(nullptr, source, &proposal, sizeof proposal,
                             plat::ACM_FORMATSUGGESTF_WFORMATTAG) == plat::MMSYSERR_NOERROR &&
      ACM().acmStreamOpen(nullptr, nullptr, source, &proposal, nullptr, 0, 0, plat::ACM_STREAMOPENF_QUERY) ==
          plat::MMSYSERR_NOERROR)
    dest = proposal;
}

bool CanConvertFormat(PWaveFormat source, PWaveFormat dest, bool real_time) {
  // Without a destination there is nothing to convert to.
  if (!Usable() || source == nullptr || dest == nullptr) return false;
  return CanConvertHops(source, dest, real_time, 0);
}

TMMACMConversion* CreateACMConversion(PWaveFormat source, PWaveFormat dest, void* source_buffer,
                                      int32_t buffer_size, bool real_time) {
  if (!Usable() || source == nullptr || dest == nullptr || source->nBlockAlign == 0) return nullptr;
  auto* conversion = new TMMACMConversion;
  conversion->SourceBuffer = source_buffer;
  conversion->SourceSize = std::max(buffer_size, 0) / source->nBlockAlign * source->nBlockAlign;
  conversion->RealTime = real_time;
  bool ok = false;
  try {
    ok = AddConversionStages(conversion, source, dest, 0);
  } catch (...) {
    FreeACMConversion(conversion);
    throw;
  }
  if (!ok) {
    FreeACMConversion(conversion);
    return nullptr;
  }
  conversion->SourceBuffer = conversion->Stages.front()->SourceBuffer;
  return conversion;
}

int32_t ACMConvertBlock(TMMACMConversion* conversion, int32_t bytes) {
  return Convert(conversion, bytes, false);
}

int32_t ACMConvertEnd(TMMACMConversion* conversion, int32_t bytes) {
  return Convert(conversion, bytes, true);
}

bool ResetACMConversion(TMMACMConversion* conversion) {
  if (conversion == nullptr) return false;
  conversion->DestRead = conversion->DestLength;
  conversion->SourceLeft = false;
  conversion->NoOutput = false;
  for (TMMACMStage* stage : conversion->Stages) {
    stage->Left = 0;
    stage->Header.cbSrcLength = 0;
    stage->Header.cbDstLength = static_cast<plat::DWORD>(stage->DestSize);
    if (ACM().acmStreamConvert != nullptr)
      ACM().acmStreamConvert(stage->Stream, &stage->Header,
                             plat::ACM_STREAMCONVERTF_START | plat::ACM_STREAMCONVERTF_END);
  }
  return true;
}

void FreeACMConversion(TMMACMConversion*& conversion) {
  if (conversion == nullptr) return;
  while (!conversion->Stages.empty()) {
    TMMACMStage* stage = conversion->Stages.back();
    conversion->Stages.pop_back();
    FreeStage(conversion, stage, false);
  }
  if (conversion->OwnsSource) GlobalFreeAndNil(conversion->SourceBuffer);
  delete conversion;
  conversion = nullptr;
}

}  // namespace engine
