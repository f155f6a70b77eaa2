#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/mm/MMIO.h"
#include "support/TempDir.h"

using namespace plat;

namespace {

// Writes RIFF WAVE { "fmt " (3 bytes, padded), "data" (4 bytes) }.
void WriteSmallRiff(HMMIO h) {
  MMCKINFO riff;
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioCreateChunk(h, &riff, MMIO_CREATERIFF), MMSYSERR_NOERROR);
  MMCKINFO fmt;
  fmt.ckid = mmioFOURCC('f', 'm', 't', ' ');
  ASSERT_EQ(mmioCreateChunk(h, &fmt, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioWrite(h, "abc", 3), 3);
  ASSERT_EQ(mmioAscend(h, &fmt, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(fmt.cksize, 3u);
  MMCKINFO data;
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  ASSERT_EQ(mmioCreateChunk(h, &data, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioWrite(h, "wxyz", 4), 4);
  ASSERT_EQ(mmioAscend(h, &data, 0), MMSYSERR_NOERROR);
  ASSERT_EQ(mmioAscend(h, &riff, 0), MMSYSERR_NOERROR);
  // "WAVE", the fmt header, 3 bytes and a pad byte, the data header and 4 bytes.
  EXPECT_EQ(riff.cksize, 4u + 8 + 4 + 8 + 4);
}

void ReadSmallRiff(HMMIO h) {
  MMCKINFO riff;
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO data;
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  // The search skips the odd-sized, padded "fmt " chunk.
  ASSERT_EQ(mmioDescend(h, &data, &riff, MMIO_FINDCHUNK), MMSYSERR_NOERROR);
  EXPECT_EQ(data.cksize, 4u);
  char bytes[4];
  ASSERT_EQ(mmioRead(h, bytes, 4), 4);
  EXPECT_EQ(std::string(bytes, 4), "wxyz");
  ASSERT_EQ(mmioAscend(h, &data, 0), MMSYSERR_NOERROR);
  MMCKINFO missing;
  missing.ckid = mmioFOURCC('f', 'a', 'c', 't');
  EXPECT_EQ(mmioDescend(h, &missing, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
}

}  // namespace

TEST(Mmio, ChunksRoundTripThroughAFileWithPadding) {
  testsupport::TempDir dir;
  std::string name = dir.File("Test.WAV");
  HMMIO h = mmioOpenA(name.data(), nullptr, MMIO_CREATE | MMIO_READWRITE);
  ASSERT_NE(h, nullptr);
  WriteSmallRiff(h);
  EXPECT_EQ(mmioClose(h, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioClose(h, 0), MMSYSERR_INVALHANDLE);

  // Backslashes and another letter case find the same file.
  std::string other = dir.path().string() + "\\test.wav";
  h = mmioOpenA(other.data(), nullptr, MMIO_READ);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_END_), 12 + 12 + 12);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_SET_), 0);
  ReadSmallRiff(h);
  mmioClose(h, 0);
}

TEST(Mmio, MemoryImagesGrowOnlyWhenAllowed) {
  MMIOINFO info;
  info.fccIOProc = FOURCC_MEM;
  info.adwInfo[0] = 16;  // growable, owned by the layer
  HMMIO h = mmioOpenA(nullptr, &info, MMIO_CREATE | MMIO_READWRITE);
  ASSERT_NE(h, nullptr);
  WriteSmallRiff(h);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_SET_), 0);
  ReadSmallRiff(h);
  mmioClose(h, 0);

  std::vector<char> fixed(6);
  MMIOINFO fixed_info;
  fixed_info.fccIOProc = FOURCC_MEM;
  fixed_info.pchBuffer = fixed.data();
  fixed_info.cchBuffer = static_cast<LONG>(fixed.size());
  h = mmioOpenA(nullptr, &fixed_info, MMIO_READWRITE);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(mmioWrite(h, "123456", 6), 6);
  EXPECT_EQ(mmioWrite(h, "7", 1), -1);
  EXPECT_EQ(std::string(fixed.data(), 6), "123456");
  mmioClose(h, 0);
}

TEST(Mmio, TruncatedAndMissingFilesFailCleanly) {
  testsupport::TempDir dir;
  MMIOINFO info;
  std::string missing = dir.File("nothing.wav");
  EXPECT_EQ(mmioOpenA(missing.data(), &info, MMIO_READ), nullptr);
  EXPECT_EQ(info.wErrorRet, MMIOERR_FILENOTFOUND);
  EXPECT_EQ(mmioOpenA(missing.data(), nullptr, MMIO_EXIST), nullptr);

  // A RIFF header that claims more than the image holds.
  const char image[] = {'R', 'I', 'F', 'F', 100, 0, 0, 0, 'W', 'A', 'V', 'E', 'd', 'a', 't'};
  MMIOINFO mem;
  mem.fccIOProc = FOURCC_MEM;
  mem.pchBuffer = const_cast<char*>(image);
  mem.cchBuffer = sizeof(image);
  HMMIO h = mmioOpenA(nullptr, &mem, MMIO_READ);
  ASSERT_NE(h, nullptr);
  MMCKINFO riff;
  riff.fccType = mmioFOURCC('W', 'A', 'V', 'E');
  ASSERT_EQ(mmioDescend(h, &riff, nullptr, MMIO_FINDRIFF), MMSYSERR_NOERROR);
  MMCKINFO data;
  data.ckid = mmioFOURCC('d', 'a', 't', 'a');
  EXPECT_EQ(mmioDescend(h, &data, &riff, MMIO_FINDCHUNK), MMIOERR_CHUNKNOTFOUND);
  mmioClose(h, 0);
}

TEST(Mmio, DirectBufferAccessReadsAndWrites) {
  testsupport::TempDir dir;
  std::string name = dir.File("direct.bin");
  MMIOINFO open_info;
  open_info.cchBuffer = 4;
  HMMIO h = mmioOpenA(name.data(), &open_info, MMIO_CREATE | MMIO_READWRITE | MMIO_ALLOCBUF);
  ASSERT_NE(h, nullptr);
  MMIOINFO info;
  ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
  const std::string text = "0123456789";
  for (char c : text) {
    if (info.pchNext == info.pchEndWrite) {
      ASSERT_EQ(mmioAdvance(h, &info, MMIO_WRITE), MMSYSERR_NOERROR);
    }
    *info.pchNext++ = c;
    info.dwFlags |= MMIO_DIRTY;
  }
  ASSERT_EQ(mmioSetInfo(h, &info, 0), MMSYSERR_NOERROR);
  EXPECT_EQ(mmioSeek(h, 0, SEEK_CUR_), 10);

  mmioSeek(h, 0, SEEK_SET_);
  ASSERT_EQ(mmioGetInfo(h, &info, 0), MMSYSERR_NOERROR);
  std::string read;
  for (;;) {
    if (info.pchNext == info.pchEndRead) {
      ASSERT_EQ(mmioAdvance(h, &info, MMIO_READ), MMSYSERR_NOERROR);
      if (info.pchNext == info.pchEndRead) break;
    }
    read += *info.pchNext++;
  }
  EXPECT_EQ(read, text);
  mmioClose(h, 0);
}
