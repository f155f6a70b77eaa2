// Format suggestion, tag and format details, and the module callers load by name.
#include <gtest/gtest.h>

#include <string>

#include "AcmTestFormats.h"
#include "platform/kernel/Modules.h"

namespace {

using namespace acmtest;

TEST(AcmFormat, SuggestKeepsWhatIsFixedAndFillsTheRest) {
  struct Case {
    const char* name;
    Format src;
    Format fixed;
    DWORD flags;
    MMRESULT result;
    DWORD rate;
    WORD channels, bits;
  } cases[] = {
      {"mu-law", Law(WAVE_FORMAT_MULAW, 8000, 1), Pcm(0, 0, 0), ACM_FORMATSUGGESTF_WFORMATTAG,
       MMSYSERR_NOERROR, 8000, 1, 16},
      {"ima stereo", Ima(22050, 2, 1024), Format{std::vector<BYTE>(18)}, 0, MMSYSERR_NOERROR, 22050, 2, 16},
      {"8-bit pcm to mono", Pcm(22050, 2, 8), Pcm(0, 1, 0), ACM_FORMATSUGGESTF_NCHANNELS, MMSYSERR_NOERROR,
       22050, 1, 8},
      {"rate and bits", Pcm(44100, 2, 16), Pcm(11025, 0, 8),
       ACM_FORMATSUGGESTF_NSAMPLESPERSEC | ACM_FORMATSUGGESTF_WBITSPERSAMPLE, MMSYSERR_NOERROR, 11025, 2, 8},
      {"to mu-law", Pcm(8000, 1, 16), Law(WAVE_FORMAT_MULAW, 8000, 1), ACM_FORMATSUGGESTF_WFORMATTAG,
       ACMERR_NOTPOSSIBLE, 0, 0, 0},
      {"to 24 bits", Pcm(8000, 1, 16), Pcm(8000, 1, 24), ACM_FORMATSUGGESTF_WBITSPERSAMPLE,
       ACMERR_NOTPOSSIBLE, 0, 0, 0},
      {"unknown source", Make(0x0055, 44100, 2, 0, 1), Format{std::vector<BYTE>(18)}, 0, ACMERR_NOTPOSSIBLE,
       0, 0, 0},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    WAVEFORMATEX out{};
    std::memcpy(&out, c.fixed.get(), 16);
    if (c.flags & ACM_FORMATSUGGESTF_WFORMATTAG)
      out.wFormatTag = c.fixed.get()->wFormatTag;
    else
      out.wFormatTag = WAVE_FORMAT_PCM;
    ASSERT_EQ(acmFormatSuggest(nullptr, c.src.get(), &out, sizeof out, c.flags), c.result);
    if (c.result != MMSYSERR_NOERROR) continue;
    EXPECT_EQ(out.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(out.nSamplesPerSec, c.rate);
    EXPECT_EQ(out.nChannels, c.channels);
    EXPECT_EQ(out.wBitsPerSample, c.bits);
    EXPECT_EQ(out.nBlockAlign, c.channels * c.bits / 8);
    EXPECT_EQ(out.nAvgBytesPerSec, c.rate * out.nBlockAlign);
    EXPECT_EQ(out.cbSize, 0);
    // What is suggested can be opened.
    EXPECT_EQ(acmStreamOpen(nullptr, nullptr, c.src.get(), &out, nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
              MMSYSERR_NOERROR);
  }
}

TEST(AcmFormat, SuggestWritesNoMoreThanTheGivenSize) {
  Format src = Law(WAVE_FORMAT_ALAW, 8000, 1);
  BYTE out[18];
  std::memset(out, 0xAB, sizeof out);
  ASSERT_EQ(acmFormatSuggest(nullptr, src.get(), reinterpret_cast<WAVEFORMATEX*>(out), 16, 0),
            MMSYSERR_NOERROR);
  EXPECT_EQ(out[16], 0xAB);
  EXPECT_EQ(out[17], 0xAB);
  EXPECT_EQ(acmFormatSuggest(nullptr, src.get(), reinterpret_cast<WAVEFORMATEX*>(out), 15, 0),
            MMSYSERR_INVALPARAM);
  EXPECT_EQ(acmFormatSuggest(nullptr, src.get(), reinterpret_cast<WAVEFORMATEX*>(out), 18, 1),
            MMSYSERR_INVALFLAG);
}

TEST(AcmFormat, TagDetailsByIndexAndByTag) {
  ACMFORMATTAGDETAILSA d{};
  d.cbStruct = sizeof d;
  std::vector<DWORD> tags;
  for (d.dwFormatTagIndex = 0;
       acmFormatTagDetailsA(nullptr, &d, ACM_FORMATTAGDETAILSF_INDEX) == MMSYSERR_NOERROR;
       ++d.dwFormatTagIndex)
    tags.push_back(d.dwFormatTag);
  EXPECT_EQ(tags, (std::vector<DWORD>{1, 3, 6, 7, 0x11}));

  struct Case {
    DWORD tag;
    const char* name;
  } cases[] = {{WAVE_FORMAT_PCM, "PCM"}, {WAVE_FORMAT_IMA_ADPCM, "IMA ADPCM"}, {WAVE_FORMAT_MULAW, "u-Law"}};
  for (const Case& c : cases) {
    ACMFORMATTAGDETAILSA t{};
    t.cbStruct = sizeof t;
    t.dwFormatTag = c.tag;
    ASSERT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), MMSYSERR_NOERROR);
    EXPECT_STREQ(t.szFormatTag, c.name);
    EXPECT_GT(t.cStandardFormats, 0u);
  }
  ACMFORMATTAGDETAILSA t{};
  t.cbStruct = sizeof t;
  t.dwFormatTag = 0x0055;
  EXPECT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), ACMERR_NOTPOSSIBLE);
  t.dwFormatTag = WAVE_FORMAT_UNKNOWN;
  ASSERT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_LARGESTSIZE), MMSYSERR_NOERROR);
  EXPECT_EQ(t.dwFormatTag, WAVE_FORMAT_IMA_ADPCM);
  t.cbStruct = 8;
  EXPECT_EQ(acmFormatTagDetailsA(nullptr, &t, ACM_FORMATTAGDETAILSF_FORMATTAG), MMSYSERR_INVALPARAM);
}

TEST(AcmFormat, FormatDetailsDescribeAFormat) {
  struct Case {
    Format f;
    const char* text;
    MMRESULT result;
  } cases[] = {
      {Pcm(44100, 2, 16), "44100 Hz, 16 Bit, Stereo", MMSYSERR_NOERROR},
      {Ima(22050, 1, 512), "22050 Hz, 4 Bit, Mono", MMSYSERR_NOERROR},
      {Pcm(48000, 4, 8), "48000 Hz, 8 Bit, 4 Channels", MMSYSERR_NOERROR},
      {Make(0x0055, 44100, 2, 0, 1), "", ACMERR_NOTPOSSIBLE},
  };
  for (Case& c : cases) {
    ACMFORMATDETAILSA d{};
    d.cbStruct = sizeof d;
    d.dwFormatTag = c.f.get()->wFormatTag;
    d.pwfx = c.f.get();
    d.cbwfx = static_cast<DWORD>(c.f.bytes.size());
    ASSERT_EQ(acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_FORMAT), c.result);
    if (c.result == MMSYSERR_NOERROR) {
      EXPECT_STREQ(d.szFormat, c.text);
    }
  }
  // Standard formats by index are whole, valid records.
  BYTE buffer[64];
  ACMFORMATDETAILSA d{};
  d.cbStruct = sizeof d;
  d.dwFormatTag = WAVE_FORMAT_IMA_ADPCM;
  d.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer);
  d.cbwfx = sizeof buffer;
  int count = 0;
  for (d.dwFormatIndex = 0; acmFormatDetailsA(nullptr, &d, ACM_FORMATDETAILSF_INDEX) == MMSYSERR_NOERROR;
       ++d.dwFormatIndex, ++count)
    EXPECT_EQ(
        acmStreamOpen(nullptr, nullptr, d.pwfx, Pcm(d.pwfx->nSamplesPerSec, d.pwfx->nChannels, 16).get(),
                      nullptr, 0, 0, ACM_STREAMOPENF_QUERY),
        MMSYSERR_NOERROR);
  EXPECT_EQ(count, 10);
}

TEST(AcmFormat, EnumerationFiltersByChannelsAndConversion) {
  BYTE buffer[64] = {};
  Format filter = Law(WAVE_FORMAT_MULAW, 8000, 2);
  std::memcpy(buffer, filter.get(), 18);
  ACMFORMATDETAILSA d{};
  d.cbStruct = sizeof d;
  d.pwfx = reinterpret_cast<WAVEFORMATEX*>(buffer);
  d.cbwfx = sizeof buffer;
  std::vector<std::string> seen;
  auto collect = [](HACMDRIVERID, ACMFORMATDETAILSA* f, DWORD_PTR inst, DWORD) -> BOOL {
    reinterpret_cast<std::vector<std::string>*>(inst)->push_back(f->szFormat);
    return TRUE;
  };
  ASSERT_EQ(acmFormatEnumA(nullptr, &d, collect, reinterpret_cast<DWORD_PTR>(&seen),
                           ACM_FORMATENUMF_CONVERT | ACM_FORMATENUMF_NCHANNELS),
            MMSYSERR_NOERROR);
  // PCM formats of two channels at every standard rate; nothing is encoded to compressed tags.
  EXPECT_EQ(seen.size(), 10u);
  for (const std::string& s : seen) EXPECT_NE(s.find("Stereo"), std::string::npos) << s;
}

TEST(AcmFormat, ModuleExportsEveryEntryPointByName) {
  RegisterAcmModule();
  HMODULE module = LoadLibraryA("MSACM32.DLL");
  ASSERT_NE(module, nullptr);
  const char* names[] = {
      "acmGetVersion",           "acmMetrics",           "acmDriverEnum",     "acmDriverDetailsA",
      "acmDriverAddA",           "acmDriverRemove",      "acmDriverOpen",     "acmDriverClose",
      "acmDriverMessage",        "acmDriverID",          "acmDriverPriority", "acmFormatTagDetailsA",
      "acmFormatTagEnumA",       "acmFormatChooseA",     "acmFormatDetailsA", "acmFormatEnumA",
      "acmFormatSuggest",        "acmFilterTagDetailsA", "acmFilterTagEnumA", "acmFilterChooseA",
      "acmFilterDetailsA",       "acmFilterEnumA",       "acmStreamOpen",     "acmStreamClose",
      "acmStreamSize",           "acmStreamConvert",     "acmStreamReset",    "acmStreamPrepareHeader",
      "acmStreamUnprepareHeader"};
  for (const char* name : names) EXPECT_NE(GetProcAddress(module, name), nullptr) << name;
  auto version = reinterpret_cast<decltype(&acmGetVersion)>(GetProcAddress(module, "acmGetVersion"));
  ASSERT_NE(version, nullptr);
  EXPECT_EQ(version(), acmGetVersion());
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(AcmFormat, DriverQueriesAnswerForTheOneDriver) {
  std::vector<HACMDRIVERID> ids;
  auto collect = [](HACMDRIVERID id, DWORD_PTR inst, DWORD) -> BOOL {
    reinterpret_cast<std::vector<HACMDRIVERID>*>(inst)->push_back(id);
    return TRUE;
  };
  ASSERT_EQ(acmDriverEnum(collect, reinterpret_cast<DWORD_PTR>(&ids), 0), MMSYSERR_NOERROR);
  ASSERT_EQ(ids.size(), 1u);
  DWORD count = 0;
  ASSERT_EQ(acmMetrics(nullptr, ACM_METRIC_COUNT_DRIVERS, &count), MMSYSERR_NOERROR);
  EXPECT_EQ(count, 1u);
  DWORD largest = 0;
  ASSERT_EQ(acmMetrics(nullptr, ACM_METRIC_MAX_SIZE_FORMAT, &largest), MMSYSERR_NOERROR);
  EXPECT_GE(largest, 40u);
  HACMDRIVER had = nullptr;
  ASSERT_EQ(acmDriverOpen(&had, ids[0], 0), MMSYSERR_NOERROR);
  Format src = Pcm(8000, 1, 16), dst = Pcm(8000, 1, 8);
  HACMSTREAM has = nullptr;
  ASSERT_EQ(acmStreamOpen(&has, had, src.get(), dst.get(), nullptr, 0, 0, 0), MMSYSERR_NOERROR);
  HACMDRIVERID id = nullptr;
  EXPECT_EQ(acmDriverID(reinterpret_cast<HACMOBJ>(has), &id, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(id, ids[0]);
  EXPECT_EQ(acmStreamClose(has, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmDriverClose(had, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(acmDriverClose(had, 0), MMSYSERR_INVALHANDLE);
}

}  // namespace
