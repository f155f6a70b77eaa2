#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "engine/DibTestBitmap.h"
#include "engine/MMDIB.h"
#include "engine/MMUtils.h"
#include "platform/gdi/DeviceContext.h"

namespace {

using namespace plat;
using dibtest::Pic;
using gditest::ColorOf;

// A DIB block built by hand: header, colour table, pixels.
std::vector<uint8_t> MakeDib(int width, int height, int bits, DWORD clr_used = 0,
                             DWORD compression = BI_RGB) {
  BITMAPINFOHEADER h;
  h.biWidth = width;
  h.biHeight = height;
  h.biBitCount = static_cast<WORD>(bits);
  h.biCompression = compression;
  h.biClrUsed = clr_used;
  const size_t colors = clr_used != 0 ? clr_used : bits <= 8 ? size_t{1} << bits : 0;
  const size_t masks = compression == BI_BITFIELDS ? 12 : 0;
  const size_t image = static_cast<size_t>(engine::DIBRowBytes(width * bits)) * std::abs(height);
  std::vector<uint8_t> dib(40 + masks + 4 * colors + image);
  std::memcpy(dib.data(), &h, sizeof h);
  return dib;
}

std::vector<uint8_t> MakeCoreDib(int width, int height, int bits) {
  BITMAPCOREHEADER h;
  h.bcWidth = static_cast<WORD>(width);
  h.bcHeight = static_cast<WORD>(height);
  h.bcBitCount = static_cast<WORD>(bits);
  const size_t colors = bits <= 8 ? size_t{1} << bits : 0;
  std::vector<uint8_t> dib(12 + 3 * colors + engine::DIBRowBytes(width * bits) * height);
  std::memcpy(dib.data(), &h, sizeof h);
  return dib;
}

BITMAPINFOHEADER& Header(std::vector<uint8_t>& dib) {
  return *reinterpret_cast<BITMAPINFOHEADER*>(dib.data());
}

std::vector<PALETTEENTRY> Entries(HPALETTE palette) {
  std::vector<PALETTEENTRY> out(GetPaletteEntries(palette, 0, 0, nullptr));
  GetPaletteEntries(palette, 0, static_cast<UINT>(out.size()), out.data());
  return out;
}

COLORREF Rgb(const PALETTEENTRY& e) { return RGB(e.peRed, e.peGreen, e.peBlue); }

// A DC that answers for a 256-colour palette display.
class PaletteDisplay {
 public:
  PaletteDisplay() : dc_(CreateCompatibleDC(nullptr)) {
    GdiLock lock;
    LookupDC(dc_)->SetDeviceBits(8);
  }
  ~PaletteDisplay() { DeleteDC(dc_); }
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
};

TEST(MMDIB, RowBytes) {
  const struct {
    int32_t bits, bytes;
  } cases[] = {{1, 4}, {31, 4}, {32, 4}, {33, 8}, {96, 12}, {0, 0}, {-7, 0}, {INT32_MAX, 268435456}};
  for (const auto& c : cases) EXPECT_EQ(engine::DIBRowBytes(c.bits), c.bytes) << c.bits;
}

TEST(MMDIB, CreateDIBHeaderKeepsOnlyDrawableBitCounts) {
  const struct {
    int32_t bits_in, bits, clr_used;
  } cases[] = {{1, 1, 0},   {4, 4, 16}, {8, 8, 256}, {24, 24, 0}, {16, 24, 0},
               {32, 24, 0}, {2, 4, 16}, {5, 8, 256}, {0, 1, 0},   {-3, 1, 0}};
  for (const auto& c : cases) {
    engine::TGlobalPtr<BITMAPINFO> dib(engine::CreateDIBHeader(c.bits_in, 1, 3, 2, true));
    const BITMAPINFOHEADER& h = dib->bmiHeader;
    EXPECT_EQ(h.biBitCount, c.bits) << c.bits_in;
    EXPECT_EQ(static_cast<int32_t>(h.biClrUsed), c.clr_used) << c.bits_in;
    EXPECT_EQ(h.biSizeImage, static_cast<DWORD>(engine::DIBRowBytes(3 * c.bits) * 2)) << c.bits_in;
    EXPECT_TRUE(engine::DIBHeaderValid(dib.get())) << c.bits_in;
    // Whatever the table holds, the pixels and the block's end stay inside the allocation.
    EXPECT_LE(engine::DIBSize(dib.get()), 40u + 1024u + h.biSizeImage) << c.bits_in;
  }
}

TEST(MMDIB, CreateDIBHeaderLayout) {
  engine::TGlobalPtr<BITMAPINFO> top_down(engine::CreateDIBHeader(8, -1, 0, 5, false));
  const BITMAPINFOHEADER& h = top_down->bmiHeader;
  EXPECT_EQ(h.biSize, 40u);
  EXPECT_EQ(h.biWidth, 1);
  EXPECT_EQ(h.biHeight, -5);
  EXPECT_EQ(h.biPlanes, 1);
  EXPECT_EQ(h.biCompression, BI_RGB);
  EXPECT_EQ(h.biSizeImage, 0u);
  EXPECT_EQ(engine::DIBHeight(top_down.get()), -5);
  EXPECT_EQ(engine::DIBNumColors(top_down.get()), 256u);
  const auto* base = reinterpret_cast<const uint8_t*>(top_down.get());
  EXPECT_EQ(engine::DIBBits(top_down.get()), base + 40 + 1024);
  // The 16 standard colours, 16 times over.
  const COLORREF standard[16] = {RGB(0, 0, 0),       RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
                                 RGB(0, 0, 128),     RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
                                 RGB(128, 128, 128), RGB(255, 0, 0),   RGB(0, 255, 0),   RGB(255, 255, 0),
                                 RGB(0, 0, 255),     RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255)};
  const RGBQUAD* table = engine::DIBColorTable(top_down.get());
  ASSERT_EQ(reinterpret_cast<const uint8_t*>(table), base + 40);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(ColorFromQuad(table[i]), standard[i % 16]) << i;

  // One bit: no colours named, and the whole table black.
  engine::TGlobalPtr<BITMAPINFO> mono(engine::CreateDIBHeader(1, 1, 8, 1, true));
  EXPECT_EQ(mono->bmiHeader.biClrUsed, 0u);
  EXPECT_EQ(mono->bmiHeader.biHeight, 1);
  const RGBQUAD* mono_table = engine::DIBColorTable(mono.get());
  for (int i = 0; i < 256; ++i) EXPECT_EQ(ColorFromQuad(mono_table[i]), RGB(0, 0, 0)) << i;

  // Sizes whose image cannot exist raise instead of wrapping.
  EXPECT_ANY_THROW(engine::CreateDIBHeader(24, 1, INT32_MAX, INT32_MAX, true));
}

TEST(MMDIB, QueriesReadBothHeaderKinds) {
  auto info = MakeDib(5, -3, 8, 20);
  auto core = MakeCoreDib(5, 3, 4);
  auto* info_base = info.data();
  auto* core_base = core.data();
  EXPECT_TRUE(engine::IsWin3DIB(info_base));
  EXPECT_FALSE(engine::IsWin3DIB(core_base));
  EXPECT_EQ(engine::DIBWidth(info_base), 5);
  EXPECT_EQ(engine::DIBHeight(info_base), -3);
  EXPECT_EQ(engine::DIBBitCount(info_base), 8);
  EXPECT_EQ(engine::DIBNumColors(info_base), 20u);
  EXPECT_EQ(engine::DIBBits(info_base), info_base + 40 + 4 * 20);
  EXPECT_EQ(engine::DIBSize(info_base), info.size());

  EXPECT_EQ(engine::DIBWidth(core_base), 5);
  EXPECT_EQ(engine::DIBHeight(core_base), 3);
  EXPECT_EQ(engine::DIBBitCount(core_base), 4);
  EXPECT_EQ(engine::DIBNumColors(core_base), 16u);
  // Core tables hold 3-byte entries.
  EXPECT_EQ(engine::DIBBits(core_base), core_base + 12 + 3 * 16);
  EXPECT_EQ(engine::DIBSize(core_base), core.size());
  EXPECT_TRUE(engine::DIBCheck(core_base, core.size()));
}

TEST(MMDIB, ColourCountAndPixelAddress) {
  const struct {
    int bits;
    DWORD clr_used, compression;
    uint32_t colors;
    size_t pixels;
  } cases[] = {
      {8, 0, BI_RGB, 256, 40 + 1024},
      {24, 0, BI_RGB, 0, 40},
      {1, 0, BI_RGB, 2, 40 + 8},  // an unnamed table still has its entries
      {4, 3, BI_RGB, 3, 40 + 12},
      {32, 0, BI_BITFIELDS, 0, 40 + 12},
      {16, 2, BI_BITFIELDS, 2, 40 + 12 + 8},
  };
  for (const auto& c : cases) {
    auto dib = MakeDib(3, 2, c.bits, c.clr_used, c.compression);
    EXPECT_EQ(engine::DIBNumColors(dib.data()), c.colors) << c.bits;
    EXPECT_EQ(engine::DIBBits(dib.data()), dib.data() + c.pixels) << c.bits;
    EXPECT_EQ(engine::DIBColorTable(dib.data()), reinterpret_cast<RGBQUAD*>(dib.data() + 40)) << c.bits;
    EXPECT_EQ(engine::DIBSize(dib.data()), dib.size()) << c.bits;
    EXPECT_TRUE(engine::DIBCheck(dib.data(), dib.size())) << c.bits;
  }
  // A stated image size counts as written; 0 counts the rows.
  auto dib = MakeDib(3, 2, 24);
  Header(dib).biSizeImage = 64;
  EXPECT_EQ(engine::DIBSize(dib.data()), 40u + 64u);
}

TEST(MMDIB, BadHeadersAreRefusedEverywhere) {
  const struct {
    const char* what;
    std::function<void(std::vector<uint8_t>&)> spoil;
  } cases[] = {
      {"header size 0", [](auto& d) { Header(d).biSize = 0; }},
      {"header size 39", [](auto& d) { Header(d).biSize = 39; }},
      {"header size past the block", [](auto& d) { Header(d).biSize = 125; }},
      {"header size huge", [](auto& d) { Header(d).biSize = 0xFFFFFFF0u; }},
      {"0 bits", [](auto& d) { Header(d).biBitCount = 0; }},
      {"3 bits", [](auto& d) { Header(d).biBitCount = 3; }},
      {"64 bits", [](auto& d) { Header(d).biBitCount = 64; }},
      {"run-length", [](auto& d) { Header(d).biCompression = BI_RLE8; }},
      {"masks at 8 bits", [](auto& d) { Header(d).biCompression = BI_BITFIELDS; }},
      {"unknown compression", [](auto& d) { Header(d).biCompression = 0x7FFFFFFF; }},
      {"too many colours", [](auto& d) { Header(d).biClrUsed = 257; }},
      {"colour count that wraps", [](auto& d) { Header(d).biClrUsed = 0x40000001u; }},
      {"width 0", [](auto& d) { Header(d).biWidth = 0; }},
      {"negative width", [](auto& d) { Header(d).biWidth = -4; }},
      {"height 0", [](auto& d) { Header(d).biHeight = 0; }},
      {"height that cannot be negated", [](auto& d) { Header(d).biHeight = INT32_MIN; }},
      {"image that overflows", [](auto& d) { Header(d).biWidth = Header(d).biHeight = INT32_MAX; }},
      {"image size short of the rows", [](auto& d) { Header(d).biSizeImage = 7; }},
      {"image size past the block", [](auto& d) { Header(d).biSizeImage = 0xFFFFFFFFu; }},
      {"block one byte short", [](auto& d) { d.pop_back(); }},
      {"block shorter than the table", [](auto& d) { d.resize(40 + 100); }},
      {"block shorter than the header", [](auto& d) { d.resize(20); }},
      {"block of 3 bytes", [](auto& d) { d.resize(3); }},
  };
  gditest::Canvas canvas(4, 4, 24);
  for (const auto& c : cases) {
    auto dib = MakeDib(4, 2, 8);
    c.spoil(dib);
    // Keep the queries' header bytes readable however the block was cut.
    const size_t size = dib.size();
    dib.resize(std::max<size_t>(size, 128));
    EXPECT_FALSE(engine::DIBCheck(dib.data(), size)) << c.what;
    EXPECT_EQ(engine::CreateDIBPalette(dib.data(), size), nullptr) << c.what;
    canvas.Clear('W');
    EXPECT_FALSE(engine::StretchDrawDIB(dib.data(), size, canvas.dc(), RECT{0, 0, 4, 4})) << c.what;
    EXPECT_EQ(canvas.Map(), Pic({"WWWW", "WWWW", "WWWW", "WWWW"})) << c.what;
    if (!engine::DIBHeaderValid(dib.data())) {
      EXPECT_EQ(engine::DIBSize(dib.data()), 0u) << c.what;
      EXPECT_EQ(engine::DIBBits(dib.data()), nullptr) << c.what;
      EXPECT_EQ(engine::DIBColorTable(dib.data()), nullptr) << c.what;
    }
  }
  EXPECT_FALSE(engine::DIBCheck(nullptr, 100));
  EXPECT_EQ(engine::DIBWidth(nullptr), 0);
  EXPECT_FALSE(engine::StretchDrawDIB(nullptr, canvas.dc(), RECT{0, 0, 4, 4}));

  auto core = MakeCoreDib(2, 2, 16);  // the core header has no 16-bit form
  EXPECT_FALSE(engine::DIBCheck(core.data(), core.size()));
}

// A 2x2 DIB whose header is header_size bytes, exactly as long as it needs to be
// (so a read past it is caught): red, green over blue, white. Bit fields give
// 16 bits in 5-6-5, with the masks at offset 40 (after a 40-byte header, inside
// a longer one, nowhere in a shorter one). Plain is 16 bits in the default
// 5-5-5, or 24 bits for a core header, which has no compression field: asked
// for bit fields, it gets 16 bits, which the core header cannot have.
std::vector<uint8_t> SizedDib(uint32_t header_size, bool bit_fields) {
  const bool core = header_size == 12;
  const int bits = core && !bit_fields ? 24 : 16;
  const size_t masks_after = bit_fields && header_size == 40 ? 12 : 0;
  std::vector<uint8_t> dib(header_size + masks_after);
  if (core) {
    BITMAPCOREHEADER h{12, 2, 2, 1, static_cast<WORD>(bits)};
    std::memcpy(dib.data(), &h, sizeof h);
  } else {
    BITMAPINFOHEADER h;
    h.biSize = header_size;
    h.biWidth = 2;
    h.biHeight = 2;
    h.biBitCount = static_cast<WORD>(bits);
    h.biCompression = bit_fields ? BI_BITFIELDS : BI_RGB;
    std::memcpy(dib.data(), &h, sizeof h);
  }
  const uint32_t masks[3] = {0xF800, 0x07E0, 0x001F};
  if (bit_fields && dib.size() >= 52) std::memcpy(dib.data() + 40, masks, 12);
  // Bottom-up rows, each padded to 4 bytes.
  const auto put16 = [&](std::initializer_list<uint16_t> row) {
    for (uint16_t v : row) dib.insert(dib.end(), {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)});
  };
  if (bits == 24) {
    dib.insert(dib.end(), {255, 0, 0, 255, 255, 255, 0, 0});  // blue, white
    dib.insert(dib.end(), {0, 0, 255, 0, 255, 0, 0, 0});      // red, green
  } else if (bit_fields) {
    put16({0x001F, 0xFFFF});
    put16({0xF800, 0x07E0});
  } else {
    put16({0x001F, 0x7FFF});
    put16({0x7C00, 0x03E0});
  }
  return std::vector<uint8_t>(dib.begin(), dib.end());  // no spare capacity to hide a read past the end
}

TEST(MMDIB, HeaderSizesAndColourMasksAgreeWithTheDrawingLayer) {
  const struct {
    uint32_t header_size;
    bool plain_valid, bit_fields_valid;
  } cases[] = {
      {12, true, false}, {40, true, true}, {41, true, false}, {51, true, false},
      {52, true, true},  {56, true, true}, {108, true, true}, {124, true, true},
  };
  gditest::Canvas canvas(4, 4, 24);
  for (const auto& c : cases) {
    for (bool bit_fields : {false, true}) {
      SCOPED_TRACE(testing::Message() << c.header_size << (bit_fields ? " bit fields" : " plain"));
      const std::vector<uint8_t> dib = SizedDib(c.header_size, bit_fields);
      const bool valid = bit_fields ? c.bit_fields_valid : c.plain_valid;
      const uint8_t* pixels = dib.data() + c.header_size + (bit_fields && c.header_size == 40 ? 12 : 0);
      EXPECT_EQ(engine::DIBCheck(dib.data(), dib.size()), valid);
      EXPECT_EQ(engine::DIBBits(dib.data()), valid ? pixels : nullptr);
      EXPECT_EQ(engine::DIBSize(dib.data()), valid ? dib.size() : 0u);
      const std::string drawn =
          valid ? Pic({"RRGG", "RRGG", "BBWW", "BBWW"}) : Pic({"....", "....", "....", "...."});
      canvas.Clear('.');
      EXPECT_EQ(engine::StretchDrawDIB(dib.data(), dib.size(), canvas.dc(), RECT{0, 0, 4, 4}), valid);
      EXPECT_EQ(canvas.Map(), drawn);
      // The drawing layer alone reads the masks from the same place, or refuses the same header.
      canvas.Clear('.');
      const int lines =
          StretchDIBits(canvas.dc(), 0, 0, 4, 4, 0, 0, 2, 2, pixels,
                        reinterpret_cast<const BITMAPINFO*>(dib.data()), DIB_RGB_COLORS, SRCCOPY);
      EXPECT_EQ(lines != 0, valid);
      EXPECT_EQ(canvas.Map(), drawn);
    }
  }
}

TEST(MMDIB, PaletteOfATrueColourDibIsAColourCube) {
  auto dib = MakeDib(2, 2, 24);
  HPALETTE palette = engine::CreateDIBPalette(dib.data(), dib.size());
  ASSERT_NE(palette, nullptr);
  auto entries = Entries(palette);
  ASSERT_EQ(entries.size(), 256u);
  EXPECT_EQ(Rgb(entries[0]), RGB(0, 0, 0));
  EXPECT_EQ(Rgb(entries[9]), RGB(32, 32, 0));
  EXPECT_EQ(Rgb(entries[255]), RGB(224, 224, 192));
  DeleteObject(palette);
  // Neither a table nor 24 bits: no palette.
  auto masked = MakeDib(2, 2, 32, 0, BI_BITFIELDS);
  EXPECT_EQ(engine::CreateDIBPalette(masked.data(), masked.size()), nullptr);
}

TEST(MMDIB, PaletteFromTheColourTable) {
  auto dib = MakeDib(2, 2, 4, 3);
  auto* table = reinterpret_cast<RGBQUAD*>(dib.data() + 40);
  table[0] = QuadFromColor(RGB(10, 20, 30));
  table[1] = QuadFromColor(RGB(40, 50, 60));
  table[2] = QuadFromColor(RGB(70, 80, 90));
  HPALETTE palette = engine::CreateDIBPalette(dib.data(), dib.size());
  auto entries = Entries(palette);
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(Rgb(entries[0]), RGB(10, 20, 30));
  EXPECT_EQ(Rgb(entries[2]), RGB(70, 80, 90));
  EXPECT_EQ(entries[1].peFlags, 0);
  DeleteObject(palette);

  // A core table is read where it is, as 3-byte entries.
  auto core = MakeCoreDib(2, 2, 1);
  const uint8_t triples[6] = {1, 2, 3, 4, 5, 6};  // blue, green, red
  std::memcpy(core.data() + 12, triples, sizeof triples);
  palette = engine::CreateDIBPalette(core.data(), core.size());
  entries = Entries(palette);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(Rgb(entries[0]), RGB(3, 2, 1));
  EXPECT_EQ(Rgb(entries[1]), RGB(6, 5, 4));
  DeleteObject(palette);
}

TEST(MMDIB, SixteenColourDibOnAPaletteDisplayTakesTheStaticColours) {
  auto dib = MakeDib(2, 2, 4);
  auto* table = reinterpret_cast<RGBQUAD*>(dib.data() + 40);
  for (int i = 0; i < 16; ++i) table[i] = QuadFromColor(RGB(1, 2, 3));
  PALETTEENTRY system[256];
  PaletteDisplay display;
  ASSERT_EQ(GetSystemPaletteEntries(display.dc(), 0, 256, system), 256u);

  HPALETTE palette = engine::CreateDIBPalette(dib.data(), dib.size(), display.dc());
  auto entries = Entries(palette);
  ASSERT_EQ(entries.size(), 16u);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(Rgb(entries[i]), Rgb(system[i])) << i;
    EXPECT_EQ(Rgb(entries[8 + i]), Rgb(system[248 + i])) << i;
  }
  DeleteObject(palette);

  // Without a palette display the DIB's own colours count.
  palette = engine::CreateDIBPalette(dib.data(), dib.size());
  entries = Entries(palette);
  for (const auto& e : entries) EXPECT_EQ(Rgb(e), RGB(1, 2, 3));
  DeleteObject(palette);
}

TEST(MMDIB, SystemLogPalette) {
  const COLORREF low[10] = {RGB(0, 0, 0),       RGB(128, 0, 0),    RGB(0, 128, 0),   RGB(128, 128, 0),
                            RGB(0, 0, 128),     RGB(128, 0, 128),  RGB(0, 128, 128), RGB(192, 192, 192),
                            RGB(192, 220, 192), RGB(166, 202, 240)};
  const COLORREF high[10] = {RGB(255, 251, 240), RGB(160, 160, 164), RGB(128, 128, 128), RGB(255, 0, 0),
                             RGB(0, 255, 0),     RGB(255, 255, 0),   RGB(0, 0, 255),     RGB(255, 0, 255),
                             RGB(0, 255, 255),   RGB(255, 255, 255)};
  engine::TGlobalPtr<LOGPALETTE> fixed(engine::CreateSystemLogPalette());
  EXPECT_EQ(fixed->palVersion, 0x300);
  ASSERT_EQ(fixed->palNumEntries, 256);
  const PALETTEENTRY* e = fixed->palPalEntry;
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(Rgb(e[i]), low[i]) << i;
    EXPECT_EQ(Rgb(e[246 + i]), high[i]) << i;
  }
  for (int i = 10; i < 246; ++i) EXPECT_EQ(Rgb(e[i]), RGB(0, 0, 0)) << i;

  // On a palette display the entries come from the system palette.
  PaletteDisplay display;
  PALETTEENTRY system[256];
  GetSystemPaletteEntries(display.dc(), 0, 256, system);
  engine::TGlobalPtr<LOGPALETTE> read(engine::CreateSystemLogPalette(display.dc()));
  for (int i : {0, 5, 9, 246, 250, 255}) EXPECT_EQ(Rgb(read->palPalEntry[i]), Rgb(system[i])) << i;
  EXPECT_EQ(Rgb(read->palPalEntry[100]), RGB(0, 0, 0));
}

// 2 x 2 pictures stretched to 4 x 4, in both row orders and at 8 and 24 bits.
TEST(MMDIB, StretchDrawDIB) {
  for (int bits : {8, 24})
    for (int direction : {1, -1})
      for (int canvas_bits : {8, 24}) {
        engine::TGlobalPtr<BITMAPINFO> dib(engine::CreateDIBHeader(bits, direction, 2, 2, true));
        // Fill through a DIB section made from the same header, then copy its rows in.
        void* pixels = nullptr;
        HBITMAP source = CreateDIBSection(nullptr, dib.get(), DIB_RGB_COLORS, &pixels, nullptr, 0);
        HDC source_dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source_dc, source);
        SetPixelV(source_dc, 0, 0, ColorOf('R'));
        SetPixelV(source_dc, 1, 0, ColorOf('G'));
        SetPixelV(source_dc, 0, 1, ColorOf('B'));
        SetPixelV(source_dc, 1, 1, ColorOf('W'));
        std::memcpy(engine::DIBBits(dib.get()), pixels, dib->bmiHeader.biSizeImage);
        SelectObject(source_dc, old);
        DeleteDC(source_dc);
        DeleteObject(source);

        gditest::Canvas canvas(6, 5, canvas_bits);
        canvas.Clear('.');
        const HGDIOBJ palette_before = GetCurrentObject(canvas.dc(), OBJ_PAL);
        ASSERT_TRUE(
            engine::StretchDrawDIB(dib.get(), engine::DIBSize(dib.get()), canvas.dc(), RECT{1, 0, 5, 4}));
        EXPECT_EQ(canvas.Map(), Pic({".RRGG.", ".RRGG.", ".BBWW.", ".BBWW.", "......"}))
            << bits << " bits, direction " << direction << ", canvas " << canvas_bits;
        EXPECT_EQ(GetStretchBltMode(canvas.dc()), COLORONCOLOR);
        EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_PAL), palette_before);
      }
}

}  // namespace
