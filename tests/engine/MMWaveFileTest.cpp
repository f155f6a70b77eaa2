#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/MMPCMSup.h"
#include "engine/MMRIFF.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/Resources.h"
#include "support/TempDir.h"

// Made by resgen from tests/resources/fixture.
const plat::ResourceTable& FixtureResourceTable();

namespace {

using Bytes = std::vector<uint8_t>;

void Put32(Bytes& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(Bytes& b, uint16_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void PutId(Bytes& b, const char* id) { b.insert(b.end(), id, id + 4); }

// A chunk with its header; size_field overrides the size written (for lies).
Bytes Chunk(const char* id, const Bytes& body, int64_t size_field = -1, bool pad = true) {
  Bytes b;
  PutId(b, id);
  Put32(b, size_field >= 0 ? static_cast<uint32_t>(size_field) : static_cast<uint32_t>(body.size()));
  b.insert(b.end(), body.begin(), body.end());
  if (pad && (body.size() & 1)) b.push_back(0);
  return b;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes b;
  for (const Bytes& p : parts) b.insert(b.end(), p.begin(), p.end());
  return b;
}

Bytes Riff(const Bytes& body, int64_t size_field = -1, const char* form = "WAVE") {
  Bytes inner;
  PutId(inner, form);
  inner.insert(inner.end(), body.begin(), body.end());
  return Chunk("RIFF", inner, size_field);
}

Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint32_t avg, uint16_t align, uint16_t bits,
          int cb_size = -1, const Bytes& extra = {}) {
  Bytes b;
  Put16(b, tag);
  Put16(b, channels);
  Put32(b, rate);
  Put32(b, avg);
  Put16(b, align);
  Put16(b, bits);
  if (cb_size >= 0) Put16(b, static_cast<uint16_t>(cb_size));
  b.insert(b.end(), extra.begin(), extra.end());
  return Chunk("fmt ", b);
}

Bytes PcmFmt16() { return Fmt(1, 2, 44100, 176400, 4, 16); }  // 16-byte PCM chunk

Bytes Samples(size_t n, uint8_t seed = 0) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + seed);
  return b;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }
Bytes TextZ(const std::string& s) {
  Bytes b = Text(s);
  b.push_back(0);
  return b;
}

Bytes InfoList(const Bytes& sub_chunks) {
  Bytes body;
  PutId(body, "INFO");
  body.insert(body.end(), sub_chunks.begin(), sub_chunks.end());
  return Chunk("LIST", body);
}

Bytes Disp(uint32_t format, const Bytes& data) {
  Bytes body;
  Put32(body, format);
  body.insert(body.end(), data.begin(), data.end());
  return Chunk("DISP", body);
}

// A packed 2x2 8-bit DIB with two colours; image_size overrides biSizeImage.
Bytes SmallDib(uint32_t image_size = 8) {
  Bytes b;
  Put32(b, 40);
  Put32(b, 2);
  Put32(b, 2);
  Put16(b, 1);
  Put16(b, 8);
  Put32(b, 0);
  Put32(b, image_size);
  Put32(b, 0);
  Put32(b, 0);
  Put32(b, 2);  // biClrUsed
  Put32(b, 0);
  Put32(b, 0x000000FF);
  Put32(b, 0x0000FF00);
  const uint8_t rows[8] = {0, 1, 0, 0, 1, 0, 0, 0};
  b.insert(b.end(), rows, rows + 8);
  return b;
}

Bytes ReadFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& name, const Bytes& b) {
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// The chunk ids of a file's RIFF body, in order, with their sizes.
std::vector<std::pair<std::string, uint32_t>> Layout(const Bytes& file) {
  std::vector<std::pair<std::string, uint32_t>> out;
  size_t pos = 12;
  while (pos + 8 <= file.size()) {
    uint32_t size = 0;
    std::memcpy(&size, &file[pos + 4], 4);
    out.emplace_back(std::string(reinterpret_cast<const char*>(&file[pos]), 4), size);
    pos += 8 + size + (size & 1);
  }
  return out;
}

struct RecordGuard {
  engine::TWaveIORec* rec = nullptr;
  ~RecordGuard() {
    if (rec != nullptr) engine::WaveFreeInfo(rec);
  }
};

// Reads an image and returns the code; the record (if any) goes to guard.
int32_t ReadImage(const Bytes& image, RecordGuard& guard) {
  return engine::WaveReadInfoFromMemory(guard.rec, image.data(), image.size());
}

plat::WAVEFORMATEX Pcm(int bits, int channels, int rate) {
  plat::WAVEFORMATEX f{};
  engine::BuildPCMFormat(f, bits, channels, rate);
  return f;
}

struct ImaFormat {
  plat::WAVEFORMATEX f{};
  uint16_t samples_per_block = 505;
};

ImaFormat Ima() {
  ImaFormat c;
  c.f.wFormatTag = plat::WAVE_FORMAT_IMA_ADPCM;
  c.f.nChannels = 1;
  c.f.nSamplesPerSec = 22050;
  c.f.nAvgBytesPerSec = 11155;
  c.f.nBlockAlign = 256;
  c.f.wBitsPerSample = 4;
  c.f.cbSize = 2;
  return c;
}

class MMWaveFile : public ::testing::Test {
 protected:
  testsupport::TempDir temp_;
};

TEST_F(MMWaveFile, PcmFileWrittenAndReadBack) {
  const std::string name = temp_.File("pcm.wav");
  const plat::WAVEFORMATEX format = Pcm(16, 2, 44100);
  RecordGuard w;
  ASSERT_EQ(engine::WaveCreateInfo(w.rec, &format), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveCreateFile(w.rec, name.c_str()), engine::WIOERR_NOERROR);
  const Bytes data = Samples(4002);  // 1000 frames and a stray half frame
  EXPECT_EQ(engine::WaveWrite(w.rec, data.data(), 3000), 3000);
  EXPECT_EQ(engine::WaveWrite(w.rec, data.data() + 3000, 1002), 1002);
  EXPECT_EQ(w.rec->dwLength, 1001);  // the half frame rounds up (MulDivRound)
  ASSERT_EQ(engine::WaveCloseFile(w.rec), engine::WIOERR_NOERROR);
  EXPECT_EQ(w.rec->hmmio, nullptr);

  const Bytes file = ReadFile(name);
  EXPECT_EQ(Layout(file), (std::vector<std::pair<std::string, uint32_t>>{{"fmt ", 16}, {"data", 4002}}));
  EXPECT_EQ(w.rec->dwFileSize, static_cast<int64_t>(file.size()));

  RecordGuard r;
  ASSERT_EQ(engine::WaveReadInfo(r.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0),
            engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->hmmio, nullptr);  // reading the header leaves nothing open
  EXPECT_EQ(std::memcmp(&r.rec->wfx, &format, sizeof(format)), 0);
  EXPECT_EQ(r.rec->dwDataBytes, 4000);  // whole blocks only
  EXPECT_EQ(r.rec->dwLength, 1000);
  EXPECT_EQ(r.rec->dwDataOffset, 44);
  EXPECT_TRUE(engine::IsWaveFile(name.c_str(), 0));

  ASSERT_EQ(engine::WaveOpenFile(r.rec), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveSeek(r.rec, 990), engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->dwPosition, 990);
  EXPECT_EQ(r.rec->dwBytesLeft, 40);
  Bytes buf(100);
  EXPECT_EQ(engine::WaveRead(r.rec, buf.data(), 100), 40);  // what is left
  EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 40), Bytes(data.begin() + 3960, data.begin() + 4000));
  EXPECT_EQ(r.rec->dwBytesLeft, 0);
  EXPECT_EQ(r.rec->dwPosition, 1000);
  EXPECT_EQ(engine::WaveRead(r.rec, buf.data(), 100), -1);

  // Beyond the region: the last sample.
  ASSERT_EQ(engine::WaveSeek(r.rec, 5000), engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->dwPosition, 999);
  EXPECT_EQ(engine::WaveRead(r.rec, buf.data(), 4), 4);
  EXPECT_EQ(engine::WaveCloseFile(r.rec), engine::WIOERR_NOERROR);
  // Closed: a seek only sets the position.
  EXPECT_EQ(engine::WaveSeek(r.rec, 10), engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->dwPosition, 10);
  EXPECT_EQ(engine::WaveRead(r.rec, buf.data(), 4), -1);
  EXPECT_EQ(engine::WaveSeek(r.rec, -1), engine::WIOERR_FILEERROR);
}

TEST_F(MMWaveFile, AdpcmFileCarriesFactInfoAndDisp) {
  // The metadata comes from a file read in; the new file carries it.
  const Bytes dib = SmallDib();
  const Bytes source = Riff(Cat({PcmFmt16(), Chunk("data", Samples(8)),
                                 InfoList(Cat({Chunk("INAM", TextZ("Sweep")), Chunk("ICMT", TextZ("odd")),
                                               Chunk("IXYZ", TextZ("unknown tag"))})),
                                 Disp(engine::CF_TEXT, TextZ("Test tone")), Disp(engine::CF_DIB, dib),
                                 Disp(2, Bytes{1, 2, 3, 4})}));
  RecordGuard src;
  ASSERT_EQ(ReadImage(source, src), engine::WIOERR_NOERROR);
  EXPECT_EQ(engine::RIFFInfoValue(src.rec->lpInfo, "INAM"), "Sweep");
  EXPECT_EQ(engine::RIFFInfoValue(src.rec->lpInfo, "ICMT"), "odd");

  const std::string name = temp_.File("ima.wav");
  const ImaFormat ima = Ima();
  RecordGuard w;
  ASSERT_EQ(engine::WaveCreateInfo(w.rec, &ima.f), engine::WIOERR_NOERROR);
  std::swap(w.rec->lpInfo, src.rec->lpInfo);
  std::swap(w.rec->lpDisp, src.rec->lpDisp);
  ASSERT_EQ(engine::WaveCreateFile(w.rec, name.c_str()), engine::WIOERR_NOERROR);
  const Bytes blocks = Samples(256 * 3);
  EXPECT_EQ(engine::WaveWrite(w.rec, blocks.data(), static_cast<int32_t>(blocks.size())), 768);
  ASSERT_EQ(engine::WaveCloseFile(w.rec), engine::WIOERR_NOERROR);

  const Bytes file = ReadFile(name);
  const auto layout = Layout(file);
  ASSERT_EQ(layout.size(), 6u);
  EXPECT_EQ(layout[0], (std::pair<std::string, uint32_t>{"fmt ", 20}));
  EXPECT_EQ(layout[1], (std::pair<std::string, uint32_t>{"data", 768}));
  EXPECT_EQ(layout[2], (std::pair<std::string, uint32_t>{"fact", 4}));
  EXPECT_EQ(layout[3].first, "DISP");
  EXPECT_EQ(layout[4], (std::pair<std::string, uint32_t>{"DISP", 4 + static_cast<uint32_t>(dib.size())}));
  EXPECT_EQ(layout[5].first, "LIST");  // the unknown clipboard format is dropped
  uint32_t fact = 0;
  std::memcpy(&fact, &file[12 + 8 + 20 + 8 + 768 + 8], 4);
  EXPECT_EQ(fact, static_cast<uint32_t>(w.rec->dwLength));

  RecordGuard r;
  ASSERT_EQ(engine::WaveReadInfo(r.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0),
            engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->wfx.wFormatTag, plat::WAVE_FORMAT_IMA_ADPCM);
  EXPECT_EQ(r.rec->wfx.cbSize, 2);
  EXPECT_EQ(r.rec->dwDataBytes, 768);
  EXPECT_EQ(engine::RIFFInfoValue(r.rec->lpInfo, "INAM"), "Sweep");
  EXPECT_EQ(engine::RIFFInfoValue(r.rec->lpInfo, "ICMT"), "odd");
  const engine::TRIFFDispEntry* text = r.rec->lpDisp->First;
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->ClipboardFormat, engine::CF_TEXT);
  EXPECT_STREQ(static_cast<const char*>(text->Data), "Test tone");
  const engine::TRIFFDispEntry* bitmap = text->Next;
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->ClipboardFormat, engine::CF_DIB);
  ASSERT_EQ(bitmap->DataSize, dib.size());
  EXPECT_EQ(std::memcmp(bitmap->Data, dib.data(), dib.size()), 0);
  EXPECT_EQ(bitmap->Next, nullptr);
}

TEST_F(MMWaveFile, RewritingAnOpenedFileKeepsItsMetadata) {
  const std::string name = temp_.File("re.wav");
  WriteFile(name, Riff(Cat({PcmFmt16(), Chunk("data", Samples(40)), InfoList(Chunk("INAM", TextZ("Take 1"))),
                            Disp(engine::CF_TEXT, TextZ("note"))})));
  RecordGuard r;
  ASSERT_EQ(engine::WaveReadInfo(r.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0),
            engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->dwLength, 10);
  ASSERT_EQ(engine::WaveOpenFile(r.rec), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveSeek(r.rec, 10), engine::WIOERR_NOERROR);  // clamps to the last sample
  EXPECT_EQ(r.rec->dwPosition, 9);
  const Bytes more = Samples(20, 3);
  EXPECT_EQ(engine::WaveWrite(r.rec, more.data(), 20), 20);  // frames 9..13
  EXPECT_EQ(r.rec->dwLength, 14);
  ASSERT_EQ(engine::WaveCloseFile(r.rec), engine::WIOERR_NOERROR);

  RecordGuard again;
  ASSERT_EQ(engine::WaveReadInfo(again.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0),
            engine::WIOERR_NOERROR);
  EXPECT_EQ(again.rec->dwDataBytes, 56);
  EXPECT_EQ(engine::RIFFInfoValue(again.rec->lpInfo, "INAM"), "Take 1");
  ASSERT_NE(again.rec->lpDisp->First, nullptr);
  EXPECT_STREQ(static_cast<const char*>(again.rec->lpDisp->First->Data), "note");
}

TEST_F(MMWaveFile, SeekingBackBeforeCloseLosesNoData) {
  const std::string name = temp_.File("seek.wav");
  const plat::WAVEFORMATEX format = Pcm(8, 1, 8000);
  RecordGuard w;
  ASSERT_EQ(engine::WaveCreateInfo(w.rec, &format), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveCreateFile(w.rec, name.c_str()), engine::WIOERR_NOERROR);
  const Bytes data = Samples(100);
  ASSERT_EQ(engine::WaveWrite(w.rec, data.data(), 100), 100);
  ASSERT_EQ(engine::WaveSeek(w.rec, 10), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveCloseFile(w.rec), engine::WIOERR_NOERROR);
  RecordGuard r;
  ASSERT_EQ(engine::WaveReadInfo(r.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), 0),
            engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->dwLength, 100);
}

TEST_F(MMWaveFile, WritesStopAtTheSizeLimitAndTheFileStillCloses) {
  const std::string name = temp_.File("limit.wav");
  const plat::WAVEFORMATEX format = Pcm(16, 2, 44100);
  RecordGuard w;
  ASSERT_EQ(engine::WaveCreateInfo(w.rec, &format), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveCreateFile(w.rec, name.c_str()), engine::WIOERR_NOERROR);
  const Bytes data = Samples(16);
  ASSERT_EQ(engine::WaveWrite(w.rec, data.data(), 16), 16);
  // As if 2 GiB of data stood before: the next buffer would pass the limit.
  const int64_t offset = w.rec->dwDataOffset;
  w.rec->dwDataOffset = engine::kWaveDataLimit - 20;
  EXPECT_EQ(engine::WaveWrite(w.rec, data.data(), 16), 0);
  w.rec->dwDataOffset = engine::kWaveDataLimit - 31;
  EXPECT_EQ(engine::WaveWrite(w.rec, data.data(), 16), 0);  // 16 written + 16 new would pass it
  w.rec->dwDataOffset = offset;
  EXPECT_EQ(w.rec->dwDataBytes, 16);
  ASSERT_EQ(engine::WaveCloseFile(w.rec), engine::WIOERR_NOERROR);
  EXPECT_EQ(Layout(ReadFile(name)),
            (std::vector<std::pair<std::string, uint32_t>>{{"fmt ", 16}, {"data", 16}}));
}

TEST_F(MMWaveFile, CreateRefusesMissingArgumentsAndLeavesFilesAlone) {
  const std::string name = temp_.File("keep.wav");
  WriteFile(name, Text("precious"));
  engine::TWaveIORec* none = nullptr;
  EXPECT_EQ(engine::WaveCreateFile(none, name.c_str()), engine::WIOERR_BADPARAM);
  const plat::WAVEFORMATEX format = Pcm(16, 1, 8000);
  RecordGuard w;
  ASSERT_EQ(engine::WaveCreateInfo(w.rec, &format), engine::WIOERR_NOERROR);
  EXPECT_EQ(engine::WaveCreateFile(w.rec, nullptr), engine::WIOERR_BADPARAM);
  EXPECT_EQ(ReadFile(name), Text("precious"));
  EXPECT_EQ(engine::WaveCreateInfo(none, nullptr), engine::WIOERR_BADPARAM);
  plat::WAVEFORMATEX bad = format;
  bad.nBlockAlign = 0;
  EXPECT_EQ(engine::WaveCreateInfo(none, &bad), engine::WIOERR_FORMAT);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(engine::WaveCreateFile(w.rec, temp_.File("no/such/folder/x.wav").c_str()),
            engine::WIOERR_FILEERROR);
  EXPECT_EQ(engine::WaveFreeInfo(none), engine::WIOERR_BADPARAM);
  EXPECT_EQ(engine::WaveWrite(nullptr, "x", 1), -1);
  EXPECT_EQ(engine::WaveWrite(w.rec, "x", 1), -1);  // closed
  EXPECT_EQ(engine::WaveCloseFile(nullptr), engine::WIOERR_NOERROR);
}

TEST_F(MMWaveFile, SourcesOtherThanFiles) {
  const Bytes image = Riff(Cat({PcmFmt16(), Chunk("data", Samples(16))}));
  RecordGuard m;
  ASSERT_EQ(ReadImage(image, m), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveOpenFile(m.rec), engine::WIOERR_NOERROR);
  EXPECT_EQ(engine::WaveSetIOBuffer(m.rec, 4096), engine::WIOERR_NOERROR);  // nothing to do for memory
  Bytes buf(16);
  EXPECT_EQ(engine::WaveRead(m.rec, buf.data(), 16), 16);
  EXPECT_EQ(buf, Samples(16));

  RecordGuard none;
  EXPECT_EQ(engine::WaveReadInfoFromMemory(none.rec, nullptr, 10), engine::WIOERR_FILEERROR);
  EXPECT_EQ(engine::WaveReadInfoFromMemory(none.rec, image.data(), 0), engine::WIOERR_FILEERROR);

  // Plain read-only file access.
  const std::string name = temp_.File("plain.wav");
  WriteFile(name, image);
  RecordGuard p;
  ASSERT_EQ(engine::WaveReadInfo(p.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'),
                                 engine::RIFF_PLAINFILE),
            engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveOpenFile(p.rec), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveSeek(p.rec, 2), engine::WIOERR_NOERROR);
  EXPECT_EQ(engine::WaveRead(p.rec, buf.data(), 16), 8);
  EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 8), Bytes(image.begin() + 44 + 8, image.end()));
  EXPECT_EQ(engine::WaveWrite(p.rec, buf.data(), 4), -1);
  EXPECT_EQ(engine::WaveCloseFile(p.rec), engine::WIOERR_NOERROR);

  // Metadata only.
  RecordGuard info;
  WriteFile(name, Riff(Cat({InfoList(Chunk("INAM", TextZ("x"))), Chunk("junk", Samples(3))})));
  ASSERT_EQ(engine::WaveReadInfo(info.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'),
                                 engine::RIFF_INFO_ONLY),
            engine::WIOERR_NOERROR);
  EXPECT_EQ(info.rec->wfx.nSamplesPerSec, 0u);
  EXPECT_EQ(engine::RIFFInfoValue(info.rec->lpInfo, "INAM"), "x");
  EXPECT_TRUE(engine::WaveFileExists(name.c_str()));
  EXPECT_TRUE(engine::WaveDeleteFile(name.c_str()));
  EXPECT_FALSE(engine::WaveFileExists(name.c_str()));
}

// A data chunk's own size ends its samples: neither its pad byte nor a
// trailing chunk is read as sound. Files whose data size was never written
// (0, or past the end) still give all their samples.
TEST_F(MMWaveFile, DataRegionIsTheDataChunksOwnSize) {
  const Bytes fmt = Fmt(1, 1, 8000, 8000, 1, 8);
  // A LIST chunk claiming more than the file holds.
  const Bytes truncated = Chunk("LIST", Cat({Text("INFO"), Samples(30, 99)}), 200);
  const struct {
    const char* what;
    Bytes image;
    Bytes samples;
  } cases[] = {
      {"a pad byte after odd-sized data", Riff(Cat({fmt, Chunk("data", Samples(41))})), Samples(41)},
      {"a pad byte, then a chunk",
       Riff(Cat({fmt, Chunk("data", Samples(41)), InfoList(Chunk("INAM", TextZ("x")))})), Samples(41)},
      {"a trailing truncated chunk", Riff(Cat({fmt, Chunk("data", Samples(40)), truncated})), Samples(40)},
      {"data size 0, recovered", Riff(Cat({fmt, Chunk("data", Samples(40), 0)})), Samples(40)},
      {"data size past the end, recovered", Riff(Cat({fmt, Chunk("data", Samples(40), 100000)})),
       Samples(40)},
  };
  const std::string name = temp_.File("region.wav");
  for (const auto& c : cases) {
    WriteFile(name, c.image);
    for (uint32_t flags : {0u, engine::RIFF_PLAINFILE}) {
      SCOPED_TRACE(testing::Message() << c.what << (flags != 0 ? ", plain file" : ""));
      RecordGuard r;
      ASSERT_EQ(engine::WaveReadInfo(r.rec, name.c_str(), engine::MakeFOURCC('W', 'A', 'V', 'E'), flags),
                engine::WIOERR_NOERROR);
      EXPECT_EQ(r.rec->dwDataBytes, static_cast<int64_t>(c.samples.size()));
      ASSERT_EQ(engine::WaveOpenFile(r.rec), engine::WIOERR_NOERROR);
      Bytes buf(100);
      const int32_t got = engine::WaveRead(r.rec, buf.data(), static_cast<int32_t>(buf.size()));
      ASSERT_GE(got, 0);
      EXPECT_EQ(Bytes(buf.begin(), buf.begin() + got), c.samples);
      EXPECT_EQ(engine::WaveRead(r.rec, buf.data(), 1), -1);
      EXPECT_EQ(engine::WaveCloseFile(r.rec), engine::WIOERR_NOERROR);
    }
  }
}

// The fixture's Beep.wav, linked into this program: 10 samples, 8-bit mono at 8 kHz.
TEST(MMWaveResource, OpensAWaveLinkedIntoTheProgram) {
  const plat::ResourceTable& table = FixtureResourceTable();
  plat::RegisterResourceTable(nullptr, table);
  struct Unregister {
    const plat::ResourceTable& table;
    ~Unregister() { plat::UnregisterResourceTable(nullptr, table); }
  } unregister{table};
  const plat::FOURCC wave = engine::MakeFOURCC('W', 'A', 'V', 'E');

  const void* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(engine::FindProgramResource("beep", "WAVE", &data, &size));
  ASSERT_EQ(size, 54u);
  const auto* bytes = static_cast<const uint8_t*>(data);
  const Bytes samples(bytes + 44, bytes + size);

  RecordGuard r;
  ASSERT_EQ(engine::WaveReadInfo(r.rec, "Beep", wave, engine::RIFF_RESOURCE), engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->wfx.nSamplesPerSec, 8000u);
  EXPECT_EQ(r.rec->wfx.wBitsPerSample, 8);
  EXPECT_EQ(r.rec->dwLength, 10);
  ASSERT_EQ(engine::WaveOpenFile(r.rec), engine::WIOERR_NOERROR);
  Bytes buf(32);
  ASSERT_EQ(engine::WaveRead(r.rec, buf.data(), 32), 10);
  EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 10), samples);
  ASSERT_EQ(engine::WaveSeek(r.rec, 6), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveRead(r.rec, buf.data(), 32), 4);
  EXPECT_EQ(Bytes(buf.begin(), buf.begin() + 4), Bytes(samples.begin() + 6, samples.end()));
  EXPECT_EQ(engine::WaveWrite(r.rec, buf.data(), 4), -1);  // the program's resources are read-only
  EXPECT_EQ(engine::WaveCloseFile(r.rec), engine::WIOERR_NOERROR);
  EXPECT_TRUE(engine::IsWaveFile("BEEP", engine::RIFF_RESOURCE));

  // Missing names, and resources of another type, do not open.
  for (const char* name : {"SWEEP", "#1", "TFRMTEST"}) {
    RecordGuard none;
    EXPECT_EQ(engine::WaveReadInfo(none.rec, name, wave, engine::RIFF_RESOURCE), engine::WIOERR_FILEERROR)
        << name;
    EXPECT_EQ(none.rec, nullptr);
  }
  EXPECT_FALSE(engine::FindProgramResource("TFRMTEST", "WAVE", &data, &size));
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(size, 0u);
}

TEST(MMWaveLayout, SizesComeFromTheLayout) {
  const Bytes fmt = PcmFmt16();
  const struct {
    const char* what;
    Bytes image;
    int64_t data_bytes;
    int64_t length;
  } cases[] = {
      {"data size 0", Riff(Cat({fmt, Chunk("data", Samples(40), 0)})), 40, 10},
      {"data size too large", Riff(Cat({fmt, Chunk("data", Samples(40), 1000000)})), 40, 10},
      {"data ends at the next header", Riff(Cat({fmt, Chunk("data", Samples(42)), Chunk("junk", {1, 2})})),
       40, 10},
      {"RIFF longer than the file", Riff(Cat({fmt, Chunk("data", Samples(40))}), 100000), 40, 10},
      {"fact disagrees", Riff(Cat({fmt, Chunk("fact", Bytes{99, 0, 0, 0}), Chunk("data", Samples(40))})), 40,
       10},
      {"a partial frame at the end", Riff(Cat({fmt, Chunk("data", Samples(42))})), 40, 10},
      {"wrong PCM align, rounded with the stored one",
       Riff(Cat({Fmt(1, 2, 44100, 1, 8, 16), Chunk("data", Samples(44))})), 40, 10},
      {"second data ends the scan", Riff(Cat({fmt, Chunk("data", Samples(8)), Chunk("data", Samples(80))})),
       8, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordGuard r;
    ASSERT_EQ(ReadImage(c.image, r), engine::WIOERR_NOERROR);
    EXPECT_EQ(r.rec->dwDataBytes, c.data_bytes);
    EXPECT_EQ(r.rec->dwLength, c.length);
    EXPECT_EQ(r.rec->wfx.nBlockAlign, 4);
    EXPECT_EQ(r.rec->wfx.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(r.rec->wfx.cbSize, 0);
  }
}

TEST(MMWaveLayout, InfoValuesStayInsideTheirChunk) {
  RecordGuard r;
  const Bytes image = Riff(
      Cat({PcmFmt16(), Chunk("data", Samples(4)),
           InfoList(Cat({Chunk("INAM", TextZ("odd")),
                         Chunk("IART", TextZ("Band")),      // odd length: a pad byte follows
                         Chunk("ICMT", Text("no zero")),    // no terminator
                         Chunk("INAM", TextZ("later"))})),  // a repeat wins
           InfoList(Chunk("ISFT", TextZ("Tool"))),
           // A value running past its chunk is kept to the chunk.
           InfoList(Cat({Chunk("ICOP", TextZ("x")), Bytes{'I', 'E', 'N', 'G', 200, 0, 0, 0, 'a', 'b'}}))}));
  ASSERT_EQ(ReadImage(image, r), engine::WIOERR_NOERROR);
  const engine::TRIFFInfoList* info = r.rec->lpInfo;
  EXPECT_EQ(engine::RIFFInfoValue(info, "INAM"), "later");
  EXPECT_EQ(engine::RIFFInfoValue(info, "IART"), "Band");
  EXPECT_EQ(engine::RIFFInfoValue(info, "ICMT"), "no zero");
  EXPECT_EQ(engine::RIFFInfoValue(info, "ISFT"), "Tool");  // an earlier chunk's values survive a later chunk
  EXPECT_EQ(engine::RIFFInfoValue(info, "ICOP"), "x");
  EXPECT_EQ(engine::RIFFInfoValue(info, "IENG"), "ab");
  EXPECT_EQ(engine::RIFFInfoValue(info, "IKEY"), "");
}

TEST(MMWaveLayout, SecondFmtEndsTheScanBeforeLaterInfo) {
  RecordGuard r;
  const Bytes image = Riff(Cat({PcmFmt16(), Chunk("data", Samples(4)), Fmt(1, 1, 8000, 8000, 1, 8),
                                InfoList(Chunk("INAM", TextZ("unseen")))}));
  ASSERT_EQ(ReadImage(image, r), engine::WIOERR_NOERROR);
  EXPECT_EQ(r.rec->wfx.nChannels, 2);
  EXPECT_EQ(engine::RIFFInfoValue(r.rec->lpInfo, "INAM"), "");
}

TEST(MMWaveLayout, MalformedImagesAreRefusedCleanly) {
  const Bytes data = Chunk("data", Samples(8));
  const Bytes good = Riff(Cat({PcmFmt16(), data}));
  auto cut = [](const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + static_cast<long>(n)); };
  const struct {
    const char* what;
    Bytes image;
    int32_t code;
  } cases[] = {
      {"a few bytes", Bytes{'R', 'I', 'F'}, engine::WIOERR_FILEERROR},
      {"header only", cut(good, 8), engine::WIOERR_FILEERROR},
      {"not RIFF", Cat({Text("RIFX"), Bytes(good.begin() + 4, good.end())}), engine::WIOERR_FILEERROR},
      {"other form type", Riff(Cat({PcmFmt16(), data}), -1, "AVI "), engine::WIOERR_FILEERROR},
      {"RIFF size below the form type", Riff(Cat({PcmFmt16(), data}), 2), engine::WIOERR_FILEERROR},
      {"no fmt", Riff(data), engine::WIOERR_FORMAT},
      {"fmt shorter than a format", Riff(Cat({Chunk("fmt ", Samples(10)), data})), engine::WIOERR_FORMAT},
      {"cut inside fmt", cut(good, 12 + 8 + 10), engine::WIOERR_FORMAT},
      {"cbSize past the chunk", Riff(Cat({Fmt(0x11, 1, 22050, 11155, 256, 4, 0xFFFF), data})),
       engine::WIOERR_FORMAT},
      {"cbSize 2 in an 18-byte chunk", Riff(Cat({Fmt(0x11, 1, 22050, 11155, 256, 4, 2), data})),
       engine::WIOERR_FORMAT},
      {"block align 0", Riff(Cat({Fmt(0x11, 1, 22050, 11155, 0, 4, 0), data})), engine::WIOERR_FORMAT},
      {"PCM block align 0 stored", Riff(Cat({Fmt(1, 2, 44100, 176400, 0, 16), data})), engine::WIOERR_FORMAT},
      {"PCM of 0 bits", Riff(Cat({Fmt(1, 2, 44100, 176400, 4, 0), data})), engine::WIOERR_FORMAT},
      {"rate 0", Riff(Cat({Fmt(0x11, 1, 0, 11155, 256, 4, 0), data})), engine::WIOERR_FORMAT},
      {"byte rate 0", Riff(Cat({Fmt(0x11, 1, 22050, 0, 256, 4, 0), data})), engine::WIOERR_FORMAT},
      {"fmt and no data", Riff(PcmFmt16()), engine::WIOERR_FILEERROR},
      {"huge chunk before data", Riff(Cat({PcmFmt16(), Chunk("junk", Samples(4), 0xFFFFFFF0), data})),
       engine::WIOERR_FILEERROR},
      {"INFO cut by the file",
       cut(Riff(Cat({PcmFmt16(), InfoList(Chunk("INAM", TextZ("abcdefgh"))), data})), 12 + 24 + 14),
       engine::WIOERR_FILEERROR},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RecordGuard r;
    EXPECT_EQ(ReadImage(c.image, r), c.code);
    EXPECT_EQ(r.rec, nullptr);
  }
}

TEST(MMWaveConvert, ExactByteRateStaysExactBeyond32Bits) {
  RecordGuard r;
  ImaFormat ima = Ima();
  ASSERT_EQ(engine::WaveCreateInfo(r.rec, &ima.f), engine::WIOERR_NOERROR);
  r.rec->ExactBytesPerSec = 11155.5;
  // 3e9 bytes * 22050 leaves 32 bits far behind.
  EXPECT_EQ(engine::WaveIOBytesToSamples(r.rec, 3'000'000'000LL), 5'929'810'407LL);
  EXPECT_EQ(engine::WaveIOBytesToSamples(r.rec, 11155), 22049);  // 22049.01
  // 22050 samples = 11155.5 bytes, rounded to even (11156), then up to a block.
  EXPECT_EQ(engine::WaveIOSamplesToBytes(r.rec, 22050), 11264);
  r.rec->ExactBytesPerSec = 0;
  EXPECT_EQ(engine::WaveIOBytesToSamples(r.rec, 3'000'000'000LL), 5'930'076'199LL);
  EXPECT_EQ(engine::WaveIOSamplesToBytes(r.rec, 505), 256);
}

TEST(MMRIFFLists, DispBitmapsThatOverrunTheirBlockAreNotWritten) {
  EXPECT_EQ(engine::PackedDIBSize(SmallDib().data(), static_cast<uint32_t>(SmallDib().size())), 56);
  const Bytes liar = SmallDib(1000);
  EXPECT_EQ(engine::PackedDIBSize(liar.data(), static_cast<uint32_t>(liar.size())), -1);
  EXPECT_EQ(engine::PackedDIBSize(liar.data(), 20), -1);

  testsupport::TempDir temp;
  const std::string name = temp.File("disp.wav");
  const Bytes source = Riff(Cat({PcmFmt16(), Chunk("data", Samples(4)), Disp(engine::CF_DIB, liar),
                                 Disp(engine::CF_TEXT, Text("unterminated"))}));
  RecordGuard src;
  ASSERT_EQ(ReadImage(source, src), engine::WIOERR_NOERROR);
  const plat::WAVEFORMATEX format = Pcm(16, 2, 44100);
  RecordGuard w;
  ASSERT_EQ(engine::WaveCreateInfo(w.rec, &format), engine::WIOERR_NOERROR);
  std::swap(w.rec->lpDisp, src.rec->lpDisp);
  ASSERT_EQ(engine::WaveCreateFile(w.rec, name.c_str()), engine::WIOERR_NOERROR);
  ASSERT_EQ(engine::WaveCloseFile(w.rec), engine::WIOERR_NOERROR);
  const auto layout = Layout(ReadFile(name));
  ASSERT_EQ(layout.size(), 3u);
  EXPECT_EQ(layout[2], (std::pair<std::string, uint32_t>{"DISP", 4 + 13}));  // the text gained its zero
}

TEST(MMRIFFLists, BadParametersAndFourCC) {
  EXPECT_EQ(engine::MakeFOURCC('R', 'I', 'F', 'F'), plat::FOURCC_RIFF);
  EXPECT_EQ(engine::WriteRIFFInfoChunk(nullptr, nullptr), engine::RIFF_BADPARAM);
  EXPECT_EQ(engine::WriteRIFFDispChunks(nullptr, nullptr), engine::RIFF_BADPARAM);
  engine::TRIFFInfoList* info = nullptr;
  EXPECT_EQ(engine::FreeRIFFInfoList(info), engine::RIFF_BADPARAM);
  ASSERT_EQ(engine::CreateRIFFInfoList(info), engine::RIFF_NOERROR);
  int entries = 0;
  for (auto* e = info->First; e != nullptr; e = e->Next) EXPECT_EQ(e->TagIndex, entries++);
  EXPECT_EQ(entries, engine::RIFFInfoTagCount);
  EXPECT_STREQ(engine::RIFFInfoTags[22].Tag, "ITCH");
  EXPECT_EQ(engine::RIFFInfoTags[23].Tag, nullptr);
  EXPECT_EQ(engine::FreeRIFFInfoList(info), engine::RIFF_NOERROR);
  EXPECT_EQ(info, nullptr);
  engine::TRIFFDispList* disp = nullptr;
  EXPECT_EQ(engine::FreeRIFFDispList(disp, true), engine::RIFF_BADPARAM);
}

}  // namespace
