#pragma once
// The audio compression manager: format suggestion, format details and
// synchronous conversion streams to PCM. One built-in driver does the work;
// callers reach it by name through the "MSACM32.DLL" built-in module.
#include <cstdint>

#include "platform/kernel/Types.h"
#include "platform/mm/MMErrors.h"
#include "platform/mm/MMSystem.h"

namespace plat {

#define PLAT_DECLARE_ACM_HANDLE(name) \
  struct name##__ {                   \
    int unused;                       \
  };                                  \
  using name = name##__*
PLAT_DECLARE_ACM_HANDLE(HACMDRIVERID);
PLAT_DECLARE_ACM_HANDLE(HACMDRIVER);
PLAT_DECLARE_ACM_HANDLE(HACMSTREAM);
PLAT_DECLARE_ACM_HANDLE(HACMOBJ);
#undef PLAT_DECLARE_ACM_HANDLE

constexpr MMRESULT ACMERR_NOTPOSSIBLE = 512;
constexpr MMRESULT ACMERR_BUSY = 513;
constexpr MMRESULT ACMERR_UNPREPARED = 514;
constexpr MMRESULT ACMERR_CANCELED = 515;

// acmStreamOpen
constexpr DWORD ACM_STREAMOPENF_QUERY = 0x00000001;
constexpr DWORD ACM_STREAMOPENF_ASYNC = 0x00000002;
constexpr DWORD ACM_STREAMOPENF_NONREALTIME = 0x00000004;

// acmStreamSize
constexpr DWORD ACM_STREAMSIZEF_SOURCE = 0x00000000;
constexpr DWORD ACM_STREAMSIZEF_DESTINATION = 0x00000001;
constexpr DWORD ACM_STREAMSIZEF_QUERYMASK = 0x0000000F;

// acmStreamConvert
constexpr DWORD ACM_STREAMCONVERTF_BLOCKALIGN = 0x00000004;
constexpr DWORD ACM_STREAMCONVERTF_START = 0x00000010;
constexpr DWORD ACM_STREAMCONVERTF_END = 0x00000020;

// ACMSTREAMHEADER.fdwStatus
constexpr DWORD ACMSTREAMHEADER_STATUSF_DONE = 0x00010000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_PREPARED = 0x00020000;
constexpr DWORD ACMSTREAMHEADER_STATUSF_INQUEUE = 0x00100000;

// acmFormatSuggest: which fields of the destination are fixed by the caller.
constexpr DWORD ACM_FORMATSUGGESTF_WFORMATTAG = 0x00010000;
constexpr DWORD ACM_FORMATSUGGESTF_NCHANNELS = 0x00020000;
constexpr DWORD ACM_FORMATSUGGESTF_NSAMPLESPERSEC = 0x00040000;
constexpr DWORD ACM_FORMATSUGGESTF_WBITSPERSAMPLE = 0x00080000;
constexpr DWORD ACM_FORMATSUGGESTF_TYPEMASK = 0x00FF0000;

// acmFormatTagDetails / acmFormatDetails / enumeration
constexpr DWORD ACM_FORMATTAGDETAILSF_INDEX = 0x00000000;
constexpr DWORD ACM_FORMATTAGDETAILSF_FORMATTAG = 0x00000001;
constexpr DWORD ACM_FORMATTAGDETAILSF_LARGESTSIZE = 0x00000002;
constexpr DWORD ACM_FORMATTAGDETAILSF_QUERYMASK = 0x0000000F;
constexpr DWORD ACM_FORMATDETAILSF_INDEX = 0x00000000;
constexpr DWORD ACM_FORMATDETAILSF_FORMAT = 0x00000001;
constexpr DWORD ACM_FORMATDETAILSF_QUERYMASK = 0x0000000F;
constexpr DWORD ACM_FORMATENUMF_WFORMATTAG = 0x00010000;
constexpr DWORD ACM_FORMATENUMF_NCHANNELS = 0x00020000;
constexpr DWORD ACM_FORMATENUMF_NSAMPLESPERSEC = 0x00040000;
constexpr DWORD ACM_FORMATENUMF_WBITSPERSAMPLE = 0x00080000;
constexpr DWORD ACM_FORMATENUMF_CONVERT = 0x00100000;
constexpr DWORD ACM_FORMATENUMF_SUGGEST = 0x00200000;
constexpr DWORD ACM_FORMATENUMF_HARDWARE = 0x00400000;
constexpr DWORD ACM_FORMATENUMF_INPUT = 0x00800000;
constexpr DWORD ACM_FORMATENUMF_OUTPUT = 0x01000000;
constexpr int ACMFORMATTAGDETAILS_FORMATTAG_CHARS = 48;
constexpr int ACMFORMATDETAILS_FORMAT_CHARS = 128;
constexpr int ACMFILTERTAGDETAILS_FILTERTAG_CHARS = 48;
constexpr int ACMFILTERDETAILS_FILTER_CHARS = 128;

// Driver support bits (fdwSupport).
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_CODEC = 0x00000001;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_CONVERTER = 0x00000002;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_FILTER = 0x00000004;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_HARDWARE = 0x00000008;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_ASYNC = 0x00000010;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_LOCAL = 0x40000000;
constexpr DWORD ACMDRIVERDETAILS_SUPPORTF_DISABLED = 0x80000000;
constexpr int ACMDRIVERDETAILS_SHORTNAME_CHARS = 32;
constexpr int ACMDRIVERDETAILS_LONGNAME_CHARS = 128;
constexpr int ACMDRIVERDETAILS_COPYRIGHT_CHARS = 80;
constexpr int ACMDRIVERDETAILS_LICENSING_CHARS = 128;
constexpr int ACMDRIVERDETAILS_FEATURES_CHARS = 512;

// acmDriverEnum
constexpr DWORD ACM_DRIVERENUMF_NOLOCAL = 0x40000000;
constexpr DWORD ACM_DRIVERENUMF_DISABLED = 0x80000000;

// acmMetrics
constexpr UINT ACM_METRIC_COUNT_DRIVERS = 1;
constexpr UINT ACM_METRIC_COUNT_CODECS = 2;
constexpr UINT ACM_METRIC_COUNT_CONVERTERS = 3;
constexpr UINT ACM_METRIC_COUNT_FILTERS = 4;
constexpr UINT ACM_METRIC_COUNT_DISABLED = 5;
constexpr UINT ACM_METRIC_COUNT_HARDWARE = 6;
constexpr UINT ACM_METRIC_COUNT_LOCAL_DRIVERS = 20;
constexpr UINT ACM_METRIC_COUNT_LOCAL_CODECS = 21;
constexpr UINT ACM_METRIC_COUNT_LOCAL_CONVERTERS = 22;
constexpr UINT ACM_METRIC_COUNT_LOCAL_FILTERS = 23;
constexpr UINT ACM_METRIC_COUNT_LOCAL_DISABLED = 24;
constexpr UINT ACM_METRIC_HARDWARE_WAVE_INPUT = 30;
constexpr UINT ACM_METRIC_HARDWARE_WAVE_OUTPUT = 31;
constexpr UINT ACM_METRIC_MAX_SIZE_FORMAT = 50;
constexpr UINT ACM_METRIC_MAX_SIZE_FILTER = 51;
constexpr UINT ACM_METRIC_DRIVER_SUPPORT = 100;
constexpr UINT ACM_METRIC_DRIVER_PRIORITY = 101;

// The header of one conversion call. The driver keeps its own bookkeeping in
// dwReservedDriver; callers leave it alone between prepare and unprepare.
struct ACMSTREAMHEADER {
  DWORD cbStruct;
  DWORD fdwStatus;
  DWORD_PTR dwUser;
  BYTE* pbSrc;
  DWORD cbSrcLength;
  DWORD cbSrcLengthUsed;
  DWORD_PTR dwSrcUser;
  BYTE* pbDst;
  DWORD cbDstLength;
  DWORD cbDstLengthUsed;
  DWORD_PTR dwDstUser;
  DWORD dwReservedDriver[10];
};

struct ACMFORMATTAGDETAILSA {
  DWORD cbStruct;
  DWORD dwFormatTagIndex;
  DWORD dwFormatTag;
  DWORD cbFormatSize;
  DWORD fdwSupport;
  DWORD cStandardFormats;
  char szFormatTag[ACMFORMATTAGDETAILS_FORMATTAG_CHARS];
};

struct ACMFORMATDETAILSA {
  DWORD cbStruct;
  DWORD dwFormatIndex;
  DWORD dwFormatTag;
  DWORD fdwSupport;
  WAVEFORMATEX* pwfx;
  DWORD cbwfx;
  char szFormat[ACMFORMATDETAILS_FORMAT_CHARS];
};

struct WAVEFILTER {
  DWORD cbStruct;
  DWORD dwFilterTag;
  DWORD fdwFilter;
  DWORD dwReserved[5];
};

struct ACMFILTERTAGDETAILSA {
  DWORD cbStruct;
  DWORD dwFilterTagIndex;
  DWORD dwFilterTag;
  DWORD cbFilterSize;
  DWORD fdwSupport;
  DWORD cStandardFilters;
  char szFilterTag[ACMFILTERTAGDETAILS_FILTERTAG_CHARS];
};

struct ACMFILTERDETAILSA {
  DWORD cbStruct;
  DWORD dwFilterIndex;
  DWORD dwFilterTag;
  DWORD fdwSupport;
  WAVEFILTER* pwfltr;
  DWORD cbwfltr;
  char szFilter[ACMFILTERDETAILS_FILTER_CHARS];
};

struct ACMDRIVERDETAILSA {
  DWORD cbStruct;
  DWORD fccType;
  DWORD fccComp;
  WORD wMid;
  WORD wPid;
  DWORD vdwACM;
  DWORD vdwDriver;
  DWORD fdwSupport;
  DWORD cFormatTags;
  DWORD cFilterTags;
  HICON hicon;
  char szShortName[ACMDRIVERDETAILS_SHORTNAME_CHARS];
  char szLongName[ACMDRIVERDETAILS_LONGNAME_CHARS];
  char szCopyright[ACMDRIVERDETAILS_COPYRIGHT_CHARS];
  char szLicensing[ACMDRIVERDETAILS_LICENSING_CHARS];
  char szFeatures[ACMDRIVERDETAILS_FEATURES_CHARS];
};

// The choose dialogs are not offered; callers only pass these through.
struct ACMFORMATCHOOSEA;
struct ACMFILTERCHOOSEA;

using ACMDRIVERENUMCB = BOOL (*)(HACMDRIVERID hadid, DWORD_PTR dwInstance, DWORD fdwSupport);
using ACMFORMATTAGENUMCBA = BOOL (*)(HACMDRIVERID hadid, ACMFORMATTAGDETAILSA* paftd, DWORD_PTR dwInstance,
                                     DWORD fdwSupport);
using ACMFORMATENUMCBA = BOOL (*)(HACMDRIVERID hadid, ACMFORMATDETAILSA* pafd, DWORD_PTR dwInstance,
                                  DWORD fdwSupport);
using ACMFILTERTAGENUMCBA = BOOL (*)(HACMDRIVERID hadid, ACMFILTERTAGDETAILSA* paftd, DWORD_PTR dwInstance,
                                     DWORD fdwSupport);
using ACMFILTERENUMCBA = BOOL (*)(HACMDRIVERID hadid, ACMFILTERDETAILSA* pafd, DWORD_PTR dwInstance,
                                  DWORD fdwSupport);

// Version as major.minor in the high word.
DWORD acmGetVersion();
MMRESULT acmMetrics(HACMOBJ hao, UINT uMetric, void* pMetric);

MMRESULT acmDriverEnum(ACMDRIVERENUMCB fnCallback, DWORD_PTR dwInstance, DWORD fdwEnum);
MMRESULT acmDriverDetailsA(HACMDRIVERID hadid, ACMDRIVERDETAILSA* padd, DWORD fdwDetails);
MMRESULT acmDriverAddA(HACMDRIVERID* phadid, HINSTANCE hinstModule, LPARAM lParam, DWORD dwPriority,
                       DWORD fdwAdd);
MMRESULT acmDriverRemove(HACMDRIVERID hadid, DWORD fdwRemove);
MMRESULT acmDriverOpen(HACMDRIVER* phad, HACMDRIVERID hadid, DWORD fdwOpen);
MMRESULT acmDriverClose(HACMDRIVER had, DWORD fdwClose);
LRESULT acmDriverMessage(HACMDRIVER had, UINT uMsg, LPARAM lParam1, LPARAM lParam2);
MMRESULT acmDriverID(HACMOBJ hao, HACMDRIVERID* phadid, DWORD fdwDriverID);
MMRESULT acmDriverPriority(HACMDRIVERID hadid, DWORD dwPriority, DWORD fdwPriority);

MMRESULT acmFormatTagDetailsA(HACMDRIVER had, ACMFORMATTAGDETAILSA* paftd, DWORD fdwDetails);
MMRESULT acmFormatTagEnumA(HACMDRIVER had, ACMFORMATTAGDETAILSA* paftd, ACMFORMATTAGENUMCBA fnCallback,
                           DWORD_PTR dwInstance, DWORD fdwEnum);
MMRESULT acmFormatChooseA(ACMFORMATCHOOSEA* pafmtc);
MMRESULT acmFormatDetailsA(HACMDRIVER had, ACMFORMATDETAILSA* pafd, DWORD fdwDetails);
MMRESULT acmFormatEnumA(HACMDRIVER had, ACMFORMATDETAILSA* pafd, ACMFORMATENUMCBA fnCallback,
                        DWORD_PTR dwInstance, DWORD fdwEnum);
MMRESULT acmFormatSuggest(HACMDRIVER had, const WAVEFORMATEX* pwfxSrc, WAVEFORMATEX* pwfxDst, DWORD cbwfxDst,
                          DWORD fdwSuggest);

MMRESULT acmFilterTagDetailsA(HACMDRIVER had, ACMFILTERTAGDETAILSA* paftd, DWORD fdwDetails);
MMRESULT acmFilterTagEnumA(HACMDRIVER had, ACMFILTERTAGDETAILSA* paftd, ACMFILTERTAGENUMCBA fnCallback,
                           DWORD_PTR dwInstance, DWORD fdwEnum);
MMRESULT acmFilterChooseA(ACMFILTERCHOOSEA* pafltrc);
MMRESULT acmFilterDetailsA(HACMDRIVER had, ACMFILTERDETAILSA* pafd, DWORD fdwDetails);
MMRESULT acmFilterEnumA(HACMDRIVER had, ACMFILTERDETAILSA* pafd, ACMFILTERENUMCBA fnCallback,
                        DWORD_PTR dwInstance, DWORD fdwEnum);

// Streams convert synchronously: every header is done when acmStreamConvert
// returns. Filters and asynchronous streams are not offered.
MMRESULT acmStreamOpen(HACMSTREAM* phas, HACMDRIVER had, const WAVEFORMATEX* pwfxSrc,
                       const WAVEFORMATEX* pwfxDst, const WAVEFILTER* pwfltr, DWORD_PTR dwCallback,
                       DWORD_PTR dwInstance, DWORD fdwOpen);
MMRESULT acmStreamClose(HACMSTREAM has, DWORD fdwClose);
MMRESULT acmStreamSize(HACMSTREAM has, DWORD cbInput, DWORD* pdwOutputBytes, DWORD fdwSize);
MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwConvert);
MMRESULT acmStreamReset(HACMSTREAM has, DWORD fdwReset);
MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwPrepare);
MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER* pash, DWORD fdwUnprepare);

// Registers the built-in module "MSACM32.DLL" exporting every entry point above.
void RegisterAcmModule();

}  // namespace plat
