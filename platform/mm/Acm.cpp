#include "platform/mm/Acm.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "platform/kernel/Modules.h"
#include "platform/mm/AcmCodecs.h"
#include "platform/mm/AcmStream.h"

namespace plat {

namespace {

using acm::Converter;
using acm::FormatInfo;

constexpr DWORD kVersion = 0x04000000;
constexpr DWORD kDriverVersion = 0x01000000;
constexpr DWORD kDriverSupport = ACMDRIVERDETAILS_SUPPORTF_CODEC | ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
// Largest format record a stream reads: the extensible layout.
constexpr DWORD kMaxFormatSize = sizeof(WAVEFORMATEX) + 22;
// Marks a header prepared by us, in its reserved words.
constexpr DWORD kHeaderMagic = 0x68434341;
// The callback kind in the open flags; streams are synchronous, so it is only accepted.
constexpr DWORD kCallbackTypeMask = 0x00070000;

struct Stream {
  std::mutex mutex;
  std::unique_ptr<Converter> converter;
};

// Handles are identifiers that are never reused; the one driver has a fixed id.
struct Registry {
  std::mutex mutex;
  uintptr_t next = 0x1000;
  std::set<uintptr_t> drivers;
  std::map<uintptr_t, std::shared_ptr<Stream>> streams;
};

Registry& Reg() {
  static Registry registry;
  return registry;
}

HACMDRIVERID DriverId() { return reinterpret_cast<HACMDRIVERID>(static_cast<uintptr_t>(0xAC0)); }

bool ValidDriver(HACMDRIVER had) {
  if (had == nullptr) return true;
  std::lock_guard lock(Reg().mutex);
  return Reg().drivers.count(reinterpret_cast<uintptr_t>(had)) != 0;
}

std::shared_ptr<Stream> FindStream(HACMSTREAM has) {
  std::lock_guard lock(Reg().mutex);
  auto it = Reg().streams.find(reinterpret_cast<uintptr_t>(has));
  return it == Reg().streams.end() ? nullptr : it->second;
}

struct TagEntry {
  WORD tag;
  const char* name;
  DWORD format_size;
  DWORD support;
};

constexpr TagEntry kTags[] = {
    {WAVE_FORMAT_PCM, "PCM", sizeof(PCMWAVEFORMAT), ACMDRIVERDETAILS_SUPPORTF_CONVERTER},
    {acm::kTagIeeeFloat, "IEEE Float", sizeof(WAVEFORMATEX), ACMDRIVERDETAILS_SUPPORTF_CODEC},
    {WAVE_FORMAT_ALAW, "A-Law", sizeof(WAVEFORMATEX), ACMDRIVERDETAILS_SUPPORTF_CODEC},
    {WAVE_FORMAT_MULAW, "u-Law", sizeof(WAVEFORMATEX), ACMDRIVERDETAILS_SUPPORTF_CODEC},
    {WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM", sizeof(WAVEFORMATEX) + 2, ACMDRIVERDETAILS_SUPPORTF_CODEC},
};
constexpr DWORD kTagCount = sizeof(kTags) / sizeof(kTags[0]);

const TagEntry* FindTag(DWORD tag) {
  for (const TagEntry& e : kTags)
    if (e.tag == tag) return &e;
  return nullptr;
}

constexpr DWORD kStdRates[] = {8000, 11025, 22050, 44100, 48000};
constexpr DWORD kStdRateCount = 5;

DWORD StandardFormatCount(WORD tag) { return tag == WAVE_FORMAT_PCM ? kStdRateCount * 4 : kStdRateCount * 2; }

// The standard formats of a tag, in order: rate, then channels, then bits.
// Writes the record with its extra bytes; returns its size.
DWORD StandardFormat(const TagEntry& e, DWORD index, BYTE (&out)[kMaxFormatSize]) {
  std::memset(out, 0, sizeof out);
  WAVEFORMATEX wfx{};
  wfx.wFormatTag = e.tag;
  if (e.tag == WAVE_FORMAT_PCM) {
    wfx.nSamplesPerSec = kStdRates[index / 4];
    wfx.nChannels = static_cast<WORD>(1 + (index / 2) % 2);
    wfx.wBitsPerSample = static_cast<WORD>((index % 2) ? 16 : 8);
  } else {
    wfx.nSamplesPerSec = kStdRates[index / 2];
    wfx.nChannels = static_cast<WORD>(1 + index % 2);
    wfx.wBitsPerSample = e.tag == acm::kTagIeeeFloat ? 32 : e.tag == WAVE_FORMAT_IMA_ADPCM ? 4 : 8;
  }
  WORD samples_per_block = 0;
  if (e.tag == WAVE_FORMAT_IMA_ADPCM) {
    wfx.nBlockAlign = static_cast<WORD>(256 * wfx.nChannels * std::max<DWORD>(1, wfx.nSamplesPerSec / 11025));
    samples_per_block = static_cast<WORD>(acm::ImaFramesPerBlock(wfx.nBlockAlign, wfx.nChannels));
    wfx.nAvgBytesPerSec =
        static_cast<DWORD>(static_cast<uint64_t>(wfx.nSamplesPerSec) * wfx.nBlockAlign / samples_per_block);
    wfx.cbSize = 2;
  } else {
    wfx.nBlockAlign = static_cast<WORD>(wfx.nChannels * wfx.wBitsPerSample / 8);
    wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
  }
  std::memcpy(out, &wfx, sizeof wfx);
  if (samples_per_block != 0) {
    out[sizeof wfx] = static_cast<BYTE>(samples_per_block & 0xFF);
    out[sizeof wfx + 1] = static_cast<BYTE>(samples_per_block >> 8);
  }
  return e.format_size;
}

void CopyText(char* dst, size_t size, const std::string& text) {
  size_t n = std::min(size - 1, text.size());
  std::memcpy(dst, text.data(), n);
  std::memset(dst + n, 0, size - n);
}

std::string FormatText(const FormatInfo& f) {
  std::string channels = f.channels == 1   ? "Mono"
                         : f.channels == 2 ? "Stereo"
                                           : std::to_string(f.channels) + " Channels";
  return std::to_string(f.rate) + " Hz, " + std::to_string(f.bits) + " Bit, " + channels;
}

DWORD FormatSize(const WAVEFORMATEX& wfx) {
  return wfx.wFormatTag == WAVE_FORMAT_PCM ? sizeof(PCMWAVEFORMAT) : sizeof(WAVEFORMATEX) + wfx.cbSize;
}

std::optional<FormatInfo> DescribeAny(const WAVEFORMATEX& wfx) {
  auto info = acm::DescribeSource(wfx);
  return info ? info : acm::DescribeDest(wfx);
}

MMRESULT QueryConversion(const WAVEFORMATEX* src, const WAVEFORMATEX* dst, std::optional<FormatInfo>* s,
                         std::optional<FormatInfo>* d) {
  *s = acm::DescribeSource(*src);
  *d = acm::DescribeDest(*dst);
  if (!*s || !*d || !Converter::CanConvert(**s, **d)) return ACMERR_NOTPOSSIBLE;
  return MMSYSERR_NOERROR;
}

}  // namespace

DWORD acmGetVersion() { return kVersion; }

MMRESULT acmMetrics(HACMOBJ hao, UINT uMetric, void* pMetric) {
  if (pMetric == nullptr) return MMSYSERR_INVALPARAM;
  DWORD value = 0;
  switch (uMetric) {
    case ACM_METRIC_COUNT_DRIVERS:
    case ACM_METRIC_COUNT_CODECS:
    case ACM_METRIC_COUNT_CONVERTERS:
    case ACM_METRIC_COUNT_LOCAL_DRIVERS:
    case ACM_METRIC_COUNT_LOCAL_CODECS:
    case ACM_METRIC_COUNT_LOCAL_CONVERTERS:
      if (hao != nullptr) return MMSYSERR_INVALHANDLE;
      value = 1;
      break;
    case ACM_METRIC_COUNT_FILTERS:
    case ACM_METRIC_COUNT_DISABLED:
    case ACM_METRIC_COUNT_HARDWARE:
    case ACM_METRIC_COUNT_LOCAL_FILTERS:
    case ACM_METRIC_COUNT_LOCAL_DISABLED:
      if (hao != nullptr) return MMSYSERR_INVALHANDLE;
      value = 0;
      break;
    case ACM_METRIC_MAX_SIZE_FORMAT:
      value = kMaxFormatSize;
      break;
    case ACM_METRIC_MAX_SIZE_FILTER:
      value = sizeof(WAVEFILTER);
      break;
    case ACM_METRIC_DRIVER_SUPPORT:
      if (hao != reinterpret_cast<HACMOBJ>(DriverId())) return MMSYSERR_INVALHANDLE;
      value = kDriverSupport;
      break;
    case ACM_METRIC_DRIVER_PRIORITY:
      if (hao != reinterpret_cast<HACMOBJ>(DriverId())) return MMSYSERR_INVALHANDLE;
      value = 1;
      break;
    default:
      return MMSYSERR_NOTSUPPORTED;
  }
  std::memcpy(pMetric, &value, sizeof value);
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverEnum(ACMDRIVERENUMCB fnCallback, DWORD_PTR dwInstance, DWORD fdwEnum) {
  if (fnCallback == nullptr) return MMSYSERR_INVALPARAM;
  if (fdwEnum & ~(ACM_DRIVERENUMF_NOLOCAL | ACM_DRIVERENUMF_DISABLED)) return MMSYSERR_INVALFLAG;
  fnCallback(DriverId(), dwInstance, kDriverSupport);
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverDetailsA(HACMDRIVERID hadid, ACMDRIVERDETAILSA* padd, DWORD fdwDetails) {
  if (hadid != DriverId()) return MMSYSERR_INVALHANDLE;
  if (padd == nullptr || padd->cbStruct < sizeof(DWORD)) return MMSYSERR_INVALPARAM;
  if (fdwDetails != 0) return MMSYSERR_INVALFLAG;
  ACMDRIVERDETAILSA d{};
  d.fccType = 0x63647561;  // 'audc'
  d.vdwACM = kVersion;
  d.vdwDriver = kDriverVersion;
  d.fdwSupport = kDriverSupport;
  d.cFormatTags = kTagCount;
  CopyText(d.szShortName, sizeof d.szShortName, "Built-in converters");
  CopyText(d.szLongName, sizeof d.szLongName, "Built-in audio format converters");
  CopyText(d.szFeatures, sizeof d.szFeatures, "PCM, IEEE float, A-law, u-law and IMA ADPCM to PCM");
  // Older callers pass a shorter record; fill what it holds.
  DWORD size = std::min<DWORD>(padd->cbStruct, sizeof d);
  d.cbStruct = size;
  std::memcpy(padd, &d, size);
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverAddA(HACMDRIVERID* phadid, HINSTANCE, LPARAM, DWORD, DWORD) {
  if (phadid == nullptr) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOTSUPPORTED;
}

MMRESULT acmDriverRemove(HACMDRIVERID hadid, DWORD fdwRemove) {
  if (hadid != DriverId()) return MMSYSERR_INVALHANDLE;
  if (fdwRemove != 0) return MMSYSERR_INVALFLAG;
  return MMSYSERR_NOTSUPPORTED;
}

MMRESULT acmDriverOpen(HACMDRIVER* phad, HACMDRIVERID hadid, DWORD fdwOpen) {
  if (phad == nullptr) return MMSYSERR_INVALPARAM;
  if (hadid != DriverId()) return MMSYSERR_INVALHANDLE;
  if (fdwOpen != 0) return MMSYSERR_INVALFLAG;
  std::lock_guard lock(Reg().mutex);
  uintptr_t id = Reg().next++;
  Reg().drivers.insert(id);
  *phad = reinterpret_cast<HACMDRIVER>(id);
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverClose(HACMDRIVER had, DWORD fdwClose) {
  if (fdwClose != 0) return MMSYSERR_INVALFLAG;
  std::lock_guard lock(Reg().mutex);
  return Reg().drivers.erase(reinterpret_cast<uintptr_t>(had)) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

LRESULT acmDriverMessage(HACMDRIVER had, UINT, LPARAM, LPARAM) {
  if (had == nullptr || !ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  return MMSYSERR_NOTSUPPORTED;
}

MMRESULT acmDriverID(HACMOBJ hao, HACMDRIVERID* phadid, DWORD fdwDriverID) {
  if (phadid == nullptr) return MMSYSERR_INVALPARAM;
  if (fdwDriverID != 0) return MMSYSERR_INVALFLAG;
  bool known = hao == reinterpret_cast<HACMOBJ>(DriverId()) ||
               (hao != nullptr && ValidDriver(reinterpret_cast<HACMDRIVER>(hao))) ||
               FindStream(reinterpret_cast<HACMSTREAM>(hao)) != nullptr;
  if (!known) return MMSYSERR_INVALHANDLE;
  *phadid = DriverId();
  return MMSYSERR_NOERROR;
}

MMRESULT acmDriverPriority(HACMDRIVERID hadid, DWORD, DWORD) {
  // With one driver the order of drivers has no effect.
  if (hadid != nullptr && hadid != DriverId()) return MMSYSERR_INVALHANDLE;
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatTagDetailsA(HACMDRIVER had, ACMFORMATTAGDETAILSA* paftd, DWORD fdwDetails) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (paftd == nullptr || paftd->cbStruct < sizeof(ACMFORMATTAGDETAILSA)) return MMSYSERR_INVALPARAM;
  const TagEntry* entry = nullptr;
  switch (fdwDetails & ACM_FORMATTAGDETAILSF_QUERYMASK) {
    case ACM_FORMATTAGDETAILSF_INDEX:
      if (paftd->dwFormatTagIndex >= kTagCount) return ACMERR_NOTPOSSIBLE;
      entry = &kTags[paftd->dwFormatTagIndex];
      break;
    case ACM_FORMATTAGDETAILSF_FORMATTAG:
      entry = FindTag(paftd->dwFormatTag);
      break;
    case ACM_FORMATTAGDETAILSF_LARGESTSIZE:
      if (paftd->dwFormatTag == WAVE_FORMAT_UNKNOWN) {
        entry = &kTags[0];
        for (const TagEntry& e : kTags)
          if (e.format_size > entry->format_size) entry = &e;
      } else {
        entry = FindTag(paftd->dwFormatTag);
      }
      break;
    default:
      return MMSYSERR_INVALFLAG;
  }
  if (fdwDetails & ~ACM_FORMATTAGDETAILSF_QUERYMASK) return MMSYSERR_INVALFLAG;
  if (entry == nullptr) return ACMERR_NOTPOSSIBLE;
  paftd->dwFormatTagIndex = static_cast<DWORD>(entry - kTags);
  paftd->dwFormatTag = entry->tag;
  paftd->cbFormatSize = entry->format_size;
  paftd->fdwSupport = entry->support;
  paftd->cStandardFormats = StandardFormatCount(entry->tag);
  CopyText(paftd->szFormatTag, sizeof paftd->szFormatTag, entry->name);
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatTagEnumA(HACMDRIVER had, ACMFORMATTAGDETAILSA* paftd, ACMFORMATTAGENUMCBA fnCallback,
                           DWORD_PTR dwInstance, DWORD fdwEnum) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (paftd == nullptr || fnCallback == nullptr || paftd->cbStruct < sizeof(ACMFORMATTAGDETAILSA))
    return MMSYSERR_INVALPARAM;
  if (fdwEnum != 0) return MMSYSERR_INVALFLAG;
  for (DWORD i = 0; i < kTagCount; ++i) {
    paftd->dwFormatTagIndex = i;
    acmFormatTagDetailsA(had, paftd, ACM_FORMATTAGDETAILSF_INDEX);
    if (!fnCallback(DriverId(), paftd, dwInstance, paftd->fdwSupport)) break;
  }
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatChooseA(ACMFORMATCHOOSEA* pafmtc) {
  if (pafmtc == nullptr) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOTSUPPORTED;
}

MMRESULT acmFormatDetailsA(HACMDRIVER had, ACMFORMATDETAILSA* pafd, DWORD fdwDetails) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (pafd == nullptr || pafd->cbStruct < sizeof(ACMFORMATDETAILSA) || pafd->pwfx == nullptr)
    return MMSYSERR_INVALPARAM;
  if (fdwDetails & ~ACM_FORMATDETAILSF_QUERYMASK) return MMSYSERR_INVALFLAG;
  switch (fdwDetails & ACM_FORMATDETAILSF_QUERYMASK) {
    case ACM_FORMATDETAILSF_FORMAT: {
      if (pafd->cbwfx < sizeof(PCMWAVEFORMAT)) return MMSYSERR_INVALPARAM;
      const WAVEFORMATEX& wfx = *pafd->pwfx;
      if (wfx.wFormatTag != WAVE_FORMAT_PCM && pafd->cbwfx < FormatSize(wfx)) return MMSYSERR_INVALPARAM;
      if (pafd->dwFormatTag != wfx.wFormatTag) return MMSYSERR_INVALPARAM;
      auto info = DescribeAny(wfx);
      if (!info) return ACMERR_NOTPOSSIBLE;
      const TagEntry* entry = FindTag(info->tag);
      pafd->dwFormatIndex = 0;
      pafd->fdwSupport = entry ? entry->support : ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
      CopyText(pafd->szFormat, sizeof pafd->szFormat, FormatText(*info));
      return MMSYSERR_NOERROR;
    }
    case ACM_FORMATDETAILSF_INDEX: {
      const TagEntry* entry = FindTag(pafd->dwFormatTag);
      if (entry == nullptr || pafd->dwFormatIndex >= StandardFormatCount(entry->tag))
        return ACMERR_NOTPOSSIBLE;
      BYTE format[kMaxFormatSize];
      DWORD size = StandardFormat(*entry, pafd->dwFormatIndex, format);
      if (pafd->cbwfx < size) return MMSYSERR_INVALPARAM;
      std::memcpy(pafd->pwfx, format, size);
      auto info = DescribeAny(*reinterpret_cast<const WAVEFORMATEX*>(format));
      pafd->fdwSupport = entry->support;
      CopyText(pafd->szFormat, sizeof pafd->szFormat, info ? FormatText(*info) : std::string());
      return MMSYSERR_NOERROR;
    }
    default:
      return MMSYSERR_INVALFLAG;
  }
}

MMRESULT acmFormatEnumA(HACMDRIVER had, ACMFORMATDETAILSA* pafd, ACMFORMATENUMCBA fnCallback,
                        DWORD_PTR dwInstance, DWORD fdwEnum) {
  constexpr DWORD kKnown = ACM_FORMATENUMF_WFORMATTAG | ACM_FORMATENUMF_NCHANNELS |
                           ACM_FORMATENUMF_NSAMPLESPERSEC | ACM_FORMATENUMF_WBITSPERSAMPLE |
                           ACM_FORMATENUMF_CONVERT | ACM_FORMATENUMF_SUGGEST | ACM_FORMATENUMF_HARDWARE |
                           ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT;
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (pafd == nullptr || fnCallback == nullptr || pafd->pwfx == nullptr ||
      pafd->cbStruct < sizeof(ACMFORMATDETAILSA))
    return MMSYSERR_INVALPARAM;
  if (fdwEnum & ~kKnown) return MMSYSERR_INVALFLAG;
  // No hardware formats exist here.
  if (fdwEnum & (ACM_FORMATENUMF_HARDWARE | ACM_FORMATENUMF_INPUT | ACM_FORMATENUMF_OUTPUT))
    return MMSYSERR_NOERROR;
  // The caller's record is both the filter and the place each format is
  // written to, so keep the filter aside.
  BYTE filter_bytes[kMaxFormatSize] = {};
  DWORD filter_size = std::min<DWORD>(pafd->cbwfx, kMaxFormatSize);
  if (fdwEnum != 0) {
    if (pafd->cbwfx < sizeof(PCMWAVEFORMAT)) return MMSYSERR_INVALPARAM;
    std::memcpy(filter_bytes, pafd->pwfx, filter_size);
  }
  const auto& filter = *reinterpret_cast<const WAVEFORMATEX*>(filter_bytes);

  if (fdwEnum & ACM_FORMATENUMF_SUGGEST) {
    BYTE suggested[kMaxFormatSize] = {};
    auto* out = reinterpret_cast<WAVEFORMATEX*>(suggested);
    if (acmFormatSuggest(had, &filter, out, sizeof suggested, 0) != MMSYSERR_NOERROR) return MMSYSERR_NOERROR;
    if (pafd->cbwfx < sizeof(WAVEFORMATEX)) return MMSYSERR_INVALPARAM;
    std::memcpy(pafd->pwfx, suggested, sizeof(WAVEFORMATEX));
    pafd->dwFormatIndex = 0;
    pafd->dwFormatTag = out->wFormatTag;
    pafd->fdwSupport = ACMDRIVERDETAILS_SUPPORTF_CONVERTER;
    auto info = acm::DescribeDest(*out);
    CopyText(pafd->szFormat, sizeof pafd->szFormat, info ? FormatText(*info) : std::string());
    fnCallback(DriverId(), pafd, dwInstance, pafd->fdwSupport);
    return MMSYSERR_NOERROR;
  }

  for (const TagEntry& entry : kTags) {
    if ((fdwEnum & ACM_FORMATENUMF_WFORMATTAG) && entry.tag != filter.wFormatTag) continue;
    for (DWORD i = 0; i < StandardFormatCount(entry.tag); ++i) {
      BYTE format[kMaxFormatSize];
      DWORD size = StandardFormat(entry, i, format);
      const auto& wfx = *reinterpret_cast<const WAVEFORMATEX*>(format);
      if ((fdwEnum & ACM_FORMATENUMF_NCHANNELS) && wfx.nChannels != filter.nChannels) continue;
      if ((fdwEnum & ACM_FORMATENUMF_NSAMPLESPERSEC) && wfx.nSamplesPerSec != filter.nSamplesPerSec) continue;
      if ((fdwEnum & ACM_FORMATENUMF_WBITSPERSAMPLE) && wfx.wBitsPerSample != filter.wBitsPerSample) continue;
      if (fdwEnum & ACM_FORMATENUMF_CONVERT) {
        std::optional<FormatInfo> s, d;
        if (QueryConversion(&filter, &wfx, &s, &d) != MMSYSERR_NOERROR) continue;
      }
      if (pafd->cbwfx < size) return MMSYSERR_INVALPARAM;
      std::memcpy(pafd->pwfx, format, size);
      pafd->dwFormatIndex = i;
      pafd->dwFormatTag = entry.tag;
      pafd->fdwSupport = entry.support;
      auto info = DescribeAny(wfx);
      CopyText(pafd->szFormat, sizeof pafd->szFormat, info ? FormatText(*info) : std::string());
      if (!fnCallback(DriverId(), pafd, dwInstance, entry.support)) return MMSYSERR_NOERROR;
    }
  }
  return MMSYSERR_NOERROR;
}

MMRESULT acmFormatSuggest(HACMDRIVER had, const WAVEFORMATEX* pwfxSrc, WAVEFORMATEX* pwfxDst, DWORD cbwfxDst,
                          DWORD fdwSuggest) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (pwfxSrc == nullptr || pwfxDst == nullptr || cbwfxDst < sizeof(PCMWAVEFORMAT))
    return MMSYSERR_INVALPARAM;
  if (fdwSuggest & ~ACM_FORMATSUGGESTF_TYPEMASK) return MMSYSERR_INVALFLAG;
  if (fdwSuggest & ~(ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                     ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE))
    return MMSYSERR_INVALFLAG;
  auto src = acm::DescribeSource(*pwfxSrc);
  if (!src) return ACMERR_NOTPOSSIBLE;

  // Read every fixed field before writing: source and destination may be one record.
  WAVEFORMATEX fixed{};
  std::memcpy(&fixed, pwfxDst, std::min<DWORD>(cbwfxDst, sizeof fixed));
  WAVEFORMATEX out{};
  out.wFormatTag = WAVE_FORMAT_PCM;
  if ((fdwSuggest & ACM_FORMATSUGGESTF_WFORMATTAG) && fixed.wFormatTag != WAVE_FORMAT_PCM)
    return ACMERR_NOTPOSSIBLE;
  out.nChannels = (fdwSuggest & ACM_FORMATSUGGESTF_NCHANNELS) ? fixed.nChannels : src->channels;
  out.nSamplesPerSec = (fdwSuggest & ACM_FORMATSUGGESTF_NSAMPLESPERSEC) ? fixed.nSamplesPerSec : src->rate;
  if (fdwSuggest & ACM_FORMATSUGGESTF_WBITSPERSAMPLE)
    out.wBitsPerSample = fixed.wBitsPerSample;
  else
    out.wBitsPerSample = (src->kind == acm::SampleKind::Pcm && src->bits == 8) ? 8 : 16;
  out.nBlockAlign = static_cast<WORD>(out.nChannels * out.wBitsPerSample / 8);
  out.nAvgBytesPerSec = out.nSamplesPerSec * out.nBlockAlign;
  auto dst = acm::DescribeDest(out);
  if (!dst || !Converter::CanConvert(*src, *dst)) return ACMERR_NOTPOSSIBLE;
  std::memcpy(pwfxDst, &out, std::min<DWORD>(cbwfxDst, sizeof out));
  return MMSYSERR_NOERROR;
}

MMRESULT acmFilterTagDetailsA(HACMDRIVER had, ACMFILTERTAGDETAILSA* paftd, DWORD) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (paftd == nullptr) return MMSYSERR_INVALPARAM;
  return ACMERR_NOTPOSSIBLE;  // no filters
}

MMRESULT acmFilterTagEnumA(HACMDRIVER had, ACMFILTERTAGDETAILSA* paftd, ACMFILTERTAGENUMCBA fnCallback,
                           DWORD_PTR, DWORD) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (paftd == nullptr || fnCallback == nullptr) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

MMRESULT acmFilterChooseA(ACMFILTERCHOOSEA* pafltrc) {
  if (pafltrc == nullptr) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOTSUPPORTED;
}

MMRESULT acmFilterDetailsA(HACMDRIVER had, ACMFILTERDETAILSA* pafd, DWORD) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (pafd == nullptr) return MMSYSERR_INVALPARAM;
  return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmFilterEnumA(HACMDRIVER had, ACMFILTERDETAILSA* pafd, ACMFILTERENUMCBA fnCallback, DWORD_PTR,
                        DWORD) {
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (pafd == nullptr || fnCallback == nullptr) return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER had, const WAVEFORMATEX* pwfxSrc,
                       const WAVEFORMATEX* pwfxDst, const WAVEFILTER* pwfltr, DWORD_PTR, DWORD_PTR,
                       DWORD fdwOpen) {
  constexpr DWORD kKnown =
      ACM_STREAMOPENF_QUERY | ACM_STREAMOPENF_ASYNC | ACM_STREAMOPENF_NONREALTIME | kCallbackTypeMask;
  bool query = (fdwOpen & ACM_STREAMOPENF_QUERY) != 0;
  if (phas != nullptr) *phas = nullptr;
  if (fdwOpen & ~kKnown) return MMSYSERR_INVALFLAG;
  if (!ValidDriver(had)) return MMSYSERR_INVALHANDLE;
  if (pwfxSrc == nullptr || pwfxDst == nullptr || (!query && phas == nullptr)) return MMSYSERR_INVALPARAM;
  // Conversions are synchronous only, and there are no filters.
  if ((fdwOpen & ACM_STREAMOPENF_ASYNC) || pwfltr != nullptr) return ACMERR_NOTPOSSIBLE;
  std::optional<FormatInfo> src, dst;
  MMRESULT result = QueryConversion(pwfxSrc, pwfxDst, &src, &dst);
  if (result != MMSYSERR_NOERROR || query) return result;

  auto stream = std::make_shared<Stream>();
  stream->converter = std::make_unique<Converter>(*src, *dst, (fdwOpen & ACM_STREAMOPENF_NONREALTIME) != 0);
  if (!stream->converter->Ok()) return MMSYSERR_NOMEM;
  std::lock_guard lock(Reg().mutex);
  uintptr_t id = Reg().next++;
  Reg().streams.emplace(id, std::move(stream));
  *phas = reinterpret_cast<HACMSTREAM>(id);
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM has, DWORD fdwClose) {
  if (fdwClose != 0) return MMSYSERR_INVALFLAG;
  std::lock_guard lock(Reg().mutex);
  return Reg().streams.erase(reinterpret_cast<uintptr_t>(has)) ? MMSYSERR_NOERROR : MMSYSERR_INVALHANDLE;
}

MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, DWORD* pdwOutputBytes, DWORD fdwSize) {
  auto stream = FindStream(has);
  if (!stream) return MMSYSERR_INVALHANDLE;
  if (pdwOutputBytes == nullptr || cbInput == 0) return MMSYSERR_INVALPARAM;
  if (fdwSize & ~ACM_STREAMSIZEF_QUERYMASK) return MMSYSERR_INVALFLAG;
  std::lock_guard lock(stream->mutex);
  uint64_t bytes;
  switch (fdwSize & ACM_STREAMSIZEF_QUERYMASK) {
    case ACM_STREAMSIZEF_SOURCE:
      bytes = stream->converter->DestBytesFor(cbInput);
      break;
    case ACM_STREAMSIZEF_DESTINATION:
      bytes = stream->converter->SourceBytesFor(cbInput);
      break;
    default:
      return MMSYSERR_INVALFLAG;
  }
  if (bytes == 0 || bytes > 0xFFFFFFFFu) return ACMERR_NOTPOSSIBLE;
  *pdwOutputBytes = static_cast<DWORD>(bytes);
  return MMSYSERR_NOERROR;
}

namespace {

// Our bookkeeping in a prepared header: the stream, the buffers and their
// lengths as prepared, so no later call can make us write past them.
enum : int {
  kResMagic,
  kResStream,
  kResSrcLength,
  kResDstLength,
  kResSrcLo,
  kResSrcHi,
  kResDstLo,
  kResDstHi
};

void StorePointer(ACMSTREAMHEADER& h, int lo, const void* p) {
  uint64_t v = reinterpret_cast<uintptr_t>(p);
  h.dwReservedDriver[lo] = static_cast<DWORD>(v);
  h.dwReservedDriver[lo + 1] = static_cast<DWORD>(v >> 32);
}

bool SamePointer(const ACMSTREAMHEADER& h, int lo, const void* p) {
  uint64_t v = reinterpret_cast<uintptr_t>(p);
  return h.dwReservedDriver[lo] == static_cast<DWORD>(v) &&
         h.dwReservedDriver[lo + 1] == static_cast<DWORD>(v >> 32);
}

// Checks the header belongs to this stream and still describes the buffers it
// was prepared with.
MMRESULT CheckPrepared(HACMSTREAM has, const ACMSTREAMHEADER* pash) {
  if (pash == nullptr || pash->cbStruct < sizeof(ACMSTREAMHEADER)) return MMSYSERR_INVALPARAM;
  if (!(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)) return ACMERR_UNPREPARED;
  if (pash->fdwStatus & ACMSTREAMHEADER_STATUSF_INQUEUE) return ACMERR_BUSY;
  if (pash->dwReservedDriver[kResMagic] != kHeaderMagic ||
      pash->dwReservedDriver[kResStream] != static_cast<DWORD>(reinterpret_cast<uintptr_t>(has)))
    return MMSYSERR_INVALPARAM;
  if (!SamePointer(*pash, kResSrcLo, pash->pbSrc) || !SamePointer(*pash, kResDstLo, pash->pbDst))
    return MMSYSERR_INVALPARAM;
  return MMSYSERR_NOERROR;
}

}  // namespace

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwPrepare) {
  auto stream = FindStream(has);
  if (!stream) return MMSYSERR_INVALHANDLE;
  if (pash == nullptr || pash->cbStruct < sizeof(ACMSTREAMHEADER)) return MMSYSERR_INVALPARAM;
  if (fdwPrepare != 0) return MMSYSERR_INVALFLAG;
  if (pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED) {
    return CheckPrepared(has, pash) == MMSYSERR_NOERROR ? MMSYSERR_NOERROR : MMSYSERR_INVALPARAM;
  }
  if (pash->pbSrc == nullptr || pash->pbDst == nullptr || pash->cbDstLength == 0) return MMSYSERR_INVALPARAM;
  std::memset(pash->dwReservedDriver, 0, sizeof pash->dwReservedDriver);
  pash->dwReservedDriver[kResMagic] = kHeaderMagic;
  pash->dwReservedDriver[kResStream] = static_cast<DWORD>(reinterpret_cast<uintptr_t>(has));
  pash->dwReservedDriver[kResSrcLength] = pash->cbSrcLength;
  pash->dwReservedDriver[kResDstLength] = pash->cbDstLength;
  StorePointer(*pash, kResSrcLo, pash->pbSrc);
  StorePointer(*pash, kResDstLo, pash->pbDst);
  pash->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwUnprepare) {
  auto stream = FindStream(has);
  if (!stream) return MMSYSERR_INVALHANDLE;
  if (fdwUnprepare != 0) return MMSYSERR_INVALFLAG;
  MMRESULT check = CheckPrepared(has, pash);
  if (check != MMSYSERR_NOERROR) return check;
  // The lengths must be those the header was prepared with.
  if (pash->cbSrcLength != pash->dwReservedDriver[kResSrcLength] ||
      pash->cbDstLength != pash->dwReservedDriver[kResDstLength])
    return MMSYSERR_INVALPARAM;
  pash->fdwStatus &= ~(ACMSTREAMHEADER_STATUSF_PREPARED | ACMSTREAMHEADER_STATUSF_DONE);
  std::memset(pash->dwReservedDriver, 0, sizeof pash->dwReservedDriver);
  return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwConvert) {
  auto stream = FindStream(has);
  if (!stream) return MMSYSERR_INVALHANDLE;
  if (fdwConvert & ~(ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END))
    return MMSYSERR_INVALFLAG;
  MMRESULT check = CheckPrepared(has, pash);
  if (check != MMSYSERR_NOERROR) return check;
  if (pash->cbSrcLength > pash->dwReservedDriver[kResSrcLength] ||
      pash->cbDstLength > pash->dwReservedDriver[kResDstLength])
    return MMSYSERR_INVALPARAM;
  std::lock_guard lock(stream->mutex);
  pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
  // Every stream converts whole source blocks only, with or without BLOCKALIGN.
  Converter::Result r =
      stream->converter->Convert(pash->pbSrc, pash->cbSrcLength, pash->pbDst, pash->cbDstLength,
                                 fdwConvert & ACM_STREAMCONVERTF_START, fdwConvert & ACM_STREAMCONVERTF_END);
  pash->cbSrcLengthUsed = static_cast<DWORD>(r.src_used);
  pash->cbDstLengthUsed = static_cast<DWORD>(r.dst_used);
  pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
  return r.ok ? MMSYSERR_NOERROR : ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamReset(HACMSTREAM has, DWORD fdwReset) {
  if (!FindStream(has)) return MMSYSERR_INVALHANDLE;
  if (fdwReset != 0) return MMSYSERR_INVALFLAG;
  // Nothing is ever queued: every conversion finished before its call returned.
  return MMSYSERR_NOERROR;
}

void RegisterAcmModule() {
  auto entry = [](auto fn) { return reinterpret_cast<FARPROC>(fn); };
  RegisterBuiltinModule("MSACM32.DLL", {
                                           {"acmGetVersion", entry(&acmGetVersion)},
                                           {"acmMetrics", entry(&acmMetrics)},
                                           {"acmDriverEnum", entry(&acmDriverEnum)},
                                           {"acmDriverDetailsA", entry(&acmDriverDetailsA)},
                                           {"acmDriverAddA", entry(&acmDriverAddA)},
                                           {"acmDriverRemove", entry(&acmDriverRemove)},
                                           {"acmDriverOpen", entry(&acmDriverOpen)},
                                           {"acmDriverClose", entry(&acmDriverClose)},
                                           {"acmDriverMessage", entry(&acmDriverMessage)},
                                           {"acmDriverID", entry(&acmDriverID)},
                                           {"acmDriverPriority", entry(&acmDriverPriority)},
                                           {"acmFormatTagDetailsA", entry(&acmFormatTagDetailsA)},
                                           {"acmFormatTagEnumA", entry(&acmFormatTagEnumA)},
                                           {"acmFormatChooseA", entry(&acmFormatChooseA)},
                                           {"acmFormatDetailsA", entry(&acmFormatDetailsA)},
                                           {"acmFormatEnumA", entry(&acmFormatEnumA)},
                                           {"acmFormatSuggest", entry(&acmFormatSuggest)},
                                           {"acmFilterTagDetailsA", entry(&acmFilterTagDetailsA)},
                                           {"acmFilterTagEnumA", entry(&acmFilterTagEnumA)},
                                           {"acmFilterChooseA", entry(&acmFilterChooseA)},
                                           {"acmFilterDetailsA", entry(&acmFilterDetailsA)},
                                           {"acmFilterEnumA", entry(&acmFilterEnumA)},
                                           {"acmStreamOpen", entry(&acmStreamOpen)},
                                           {"acmStreamClose", entry(&acmStreamClose)},
                                           {"acmStreamSize", entry(&acmStreamSize)},
                                           {"acmStreamConvert", entry(&acmStreamConvert)},
                                           {"acmStreamReset", entry(&acmStreamReset)},
                                           {"acmStreamPrepareHeader", entry(&acmStreamPrepareHeader)},
                                           {"acmStreamUnprepareHeader", entry(&acmStreamUnprepareHeader)},
                                       });
}

}  // namespace plat
