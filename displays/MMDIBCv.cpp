#include "displays/MMDIBCv.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <bitset>
#include <cmath>
#include <cstring>
#include <thread>
#include <utility>

#include "engine/MMDIB.h"
#include "engine/MMUtils.h"
#include "platform/user/Paint.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

using namespace plat;
using vcl::TColor;

// ---- the current DIB ---------------------------------------------------------

namespace {

// What a drawing pass publishes for the primitives; touched only by the
// thread that holds DIBDrawLock.
struct CurrentDIB {
  int32_t bits_per_pixel = 0;
  int32_t bytes_per_pixel = 0;
  int32_t width = 0;
  int32_t height = 0;
  int32_t stride = 0;
  int32_t row_step = 0;
  uint32_t color = 0;
  uint8_t* bits = nullptr;
  int32_t x = 0;
  int32_t y = 0;
  TRect clip{0, 0, 0, 0};
};

CurrentDIB g_dib;
TMMDIBCanvas* g_pass_canvas = nullptr;
// Lets a call on a foreign thread see that the pass is not its own without
// touching the state the owner is using.
std::atomic<std::thread::id> g_pass_thread{};

inline uint8_t* PixelAt(const uint8_t* base, int32_t x, int32_t y) {
  return const_cast<uint8_t*>(base) + static_cast<ptrdiff_t>(g_dib.height - 1 - y) * g_dib.stride +
         static_cast<ptrdiff_t>(x) * g_dib.bytes_per_pixel;
}
inline uint8_t* PixelAt(int32_t x, int32_t y) { return PixelAt(g_dib.bits, x, y); }

inline bool Inside(int32_t x, int32_t y) {
  const TRect& c = g_dib.clip;
  return x >= c.left && x < c.right && y >= c.top && y < c.bottom;
}

inline void PutPixel(uint8_t* p, uint32_t value) {
  if (g_dib.bytes_per_pixel == 1) {
    *p = static_cast<uint8_t>(value);
  } else {
    p[0] = static_cast<uint8_t>(value >> 16);
    p[1] = static_cast<uint8_t>(value >> 8);
    p[2] = static_cast<uint8_t>(value);
  }
}

inline void XorPixel(uint8_t* p, uint32_t value) {
  if (g_dib.bytes_per_pixel == 1) {
    *p ^= static_cast<uint8_t>(value);
  } else {
    p[0] ^= static_cast<uint8_t>(value >> 16);
    p[1] ^= static_cast<uint8_t>(value >> 8);
    p[2] ^= static_cast<uint8_t>(value);
  }
}

enum class Op { Fill, Xor, XorNot };

inline void Apply(uint8_t* p, Op op) {
  switch (op) {
    case Op::Fill:
      PutPixel(p, g_dib.color);
      break;
    case Op::Xor:
      XorPixel(p, g_dib.color);
      break;
    case Op::XorNot:
      XorPixel(p, ~g_dib.color);
      break;
  }
}

// n pixels to the right of p.
void RowRun(uint8_t* p, int32_t n, Op op) {
  if (op == Op::Fill && g_dib.bytes_per_pixel == 1) {
    std::memset(p, static_cast<uint8_t>(g_dib.color), static_cast<size_t>(n));
    return;
  }
  const int32_t step = g_dib.bytes_per_pixel;
  for (; n > 0; --n, p += step) Apply(p, op);
}

// n pixels downward from p.
void ColumnRun(uint8_t* p, int32_t n, Op op) {
  for (; n > 0; --n, p += g_dib.row_step) Apply(p, op);
}

// Orders a and b and limits them to [lo, hi); false when nothing is left.
bool ClipSpan(int32_t& a, int32_t& b, int32_t lo, int32_t hi) {
  if (a > b) std::swap(a, b);
  if (a < lo) {
    if (b < lo) return false;
    a = lo;
  }
  if (b > hi) {
    if (a > hi) return false;
    b = hi;
  }
  return a < b;
}

bool ClipHorizontal(int32_t& x1, int32_t& x2, int32_t y) {
  const TRect& c = g_dib.clip;
  if (y < c.top || y >= c.bottom) return false;
  return ClipSpan(x1, x2, c.left, c.right);
}

bool ClipVertical(int32_t x, int32_t& y1, int32_t& y2) {
  const TRect& c = g_dib.clip;
  if (x < c.left || x >= c.right) return false;
  return ClipSpan(y1, y2, c.top, c.bottom);
}

bool ClipRectangle(const TRect& r, int32_t& l, int32_t& t, int32_t& rr, int32_t& b) {
  l = r.left;
  rr = r.right;
  t = r.top;
  b = r.bottom;
  return ClipSpan(l, rr, g_dib.clip.left, g_dib.clip.right) &&
         ClipSpan(t, b, g_dib.clip.top, g_dib.clip.bottom);
}

void HSpan(int32_t x1, int32_t x2, int32_t y, Op op) {
  if (ClipHorizontal(x1, x2, y)) RowRun(PixelAt(x1, y), x2 - x1, op);
}

void VSpan(int32_t x, int32_t y1, int32_t y2, Op op) {
  if (ClipVertical(x, y1, y2)) ColumnRun(PixelAt(x, y1), y2 - y1, op);
}

void RectOp(const TRect& r, Op op) {
  int32_t l, t, rr, b;
  if (!ClipRectangle(r, l, t, rr, b)) return;
  uint8_t* p = PixelAt(l, t);
  for (int32_t y = t; y < b; ++y, p += g_dib.row_step) RowRun(p, rr - l, op);
}

int OutCode(int64_t x, int64_t y) {
  const TRect& c = g_dib.clip;
  int code = 0;
  if (y >= c.bottom) code |= 1;
  if (y < c.top) code |= 2;
  if (x > c.right) code |= 4;
  if (x < c.left) code |= 8;
  return code;
}

// Cohen-Sutherland onto [left, right] x [top, bottom - 1]; false when the
// segment misses the clip rectangle.
bool ClipLine(int64_t& x1, int64_t& y1, int64_t& x2, int64_t& y2) {
  const TRect& c = g_dib.clip;
  // Each move puts one end on a boundary for good; a few rounds always settle.
  for (int round = 0; round < 8; ++round) {
    const int c1 = OutCode(x1, y1);
    const int c2 = OutCode(x2, y2);
    if ((c1 | c2) == 0) return true;
    if ((c1 & c2) != 0) return false;
    const int code = c1 != 0 ? c1 : c2;
    int64_t& px = c1 != 0 ? x1 : x2;
    int64_t& py = c1 != 0 ? y1 : y2;
    const int64_t dx = x2 - x1;
    const int64_t dy = y2 - y1;
    if (code & 3) {
      if (dy == 0) return false;
      const int64_t to = (code & 1) ? c.bottom - 1 : c.top;
      px += (to - py) * dx / dy;
      py = to;
    } else {
      if (dx == 0) return false;
      const int64_t to = (code & 4) ? c.right : c.left;
      py += (to - px) * dy / dx;
      px = to;
    }
  }
  return false;
}

// A line without its end point, after clipping; pixels in the column of the
// clip rectangle's right edge are left out.
void LineOp(int32_t ax1, int32_t ay1, int32_t ax2, int32_t ay2, Op op) {
  const TRect& c = g_dib.clip;
  if (c.left >= c.right || c.top >= c.bottom || g_dib.bits == nullptr) return;
  int64_t lx1 = ax1, ly1 = ay1, lx2 = ax2, ly2 = ay2;
  if (!ClipLine(lx1, ly1, lx2, ly2)) return;
  auto x1 = static_cast<int32_t>(lx1), y1 = static_cast<int32_t>(ly1);
  auto x2 = static_cast<int32_t>(lx2), y2 = static_cast<int32_t>(ly2);
  if (x1 == x2) {
    if (x1 >= c.right) return;
    if (y1 > y2) std::swap(y1, y2);
    ColumnRun(PixelAt(x1, y1), y2 - y1, op);
    return;
  }
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  if (y1 == y2) {
    RowRun(PixelAt(x1, y1), x2 - x1, op);
    return;
  }
  const int32_t dx = x2 - x1;
  const int32_t ady = std::abs(y2 - y1);
  const int32_t y_dir = y2 > y1 ? 1 : -1;
  const int32_t x_step = g_dib.bytes_per_pixel;
  const int32_t y_step = g_dib.row_step * y_dir;
  uint8_t* p = PixelAt(x1, y1);
  if (dx >= ady) {
    int32_t e = 2 * ady - dx;
    for (int32_t i = 0; i < dx; ++i) {
      Apply(p, op);
      p += x_step;
      if (e >= 0) {
        p += y_step;
        e += 2 * ady - 2 * dx;
      } else {
        e += 2 * ady;
      }
    }
  } else {
    int32_t e = 2 * dx - ady;
    int32_t x = x1;
    for (int32_t i = 0; i < ady && x < c.right; ++i) {
      Apply(p, op);
      p += y_step;
      if (e >= 0) {
        p += x_step;
        ++x;
        e += 2 * dx - 2 * ady;
      } else {
        e += 2 * dx;
      }
    }
  }
}

// Smallest RGB value that no entry of the palette holds.
COLORREF FindFreeColor(const PALETTEENTRY* entries) {
  std::bitset<257> used;
  for (int i = 0; i < 256; ++i) {
    const COLORREF c = RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue);
    if (c <= 256) used.set(c);
  }
  COLORREF c = 0;
  while (used.test(c)) ++c;
  return c;
}

constexpr int32_t kMaxAnimated = 236;
constexpr int32_t kAnimatedEnd = 247;  // one past the last animated entry

}  // namespace

std::recursive_mutex& DIBDrawLock() {
  static std::recursive_mutex lock;
  return lock;
}

const std::array<int16_t, 360>& SineTable() {
  static const std::array<int16_t, 360> table = [] {
    std::array<int16_t, 360> t{};
    for (int i = 0; i < 360; ++i)
      t[i] = static_cast<int16_t>(std::lround(8192.0 * std::sin(i * 3.14159265358979323846 / 180.0)));
    return t;
  }();
  return table;
}

// ---- TMMDIBCanvas ----------------------------------------------------------

VCL_IMPLEMENT_CLASS(
    TMMDIBCanvas,
    IntProp("BitsPerPixel", &TMMDIBCanvas::BitsPerPixel, &TMMDIBCanvas::SetBitsPerPixel).Default(8),
    BoolProp("PaletteRealize", &TMMDIBCanvas::PaletteRealize, &TMMDIBCanvas::SetPaletteRealize)
        .Default(false),
    BoolProp("PaletteMapped", &TMMDIBCanvas::PaletteMapped, &TMMDIBCanvas::SetPaletteMapped).Default(false),
    ObjProp("BackGroundBitmap", &TMMDIBCanvas::BackGroundBitmap),
    BoolProp("StretchBackGround", &TMMDIBCanvas::StretchBackGround, &TMMDIBCanvas::SetStretchBackGround)
        .Default(true),
    IntProp("Width", &TMMDIBCanvas::Width, &TMMDIBCanvas::SetWidth).Default(1),
    IntProp("Height", &TMMDIBCanvas::Height, &TMMDIBCanvas::SetHeight).Default(1))

TMMDIBCanvas::TMMDIBCanvas(vcl::TComponent* owner)
    : owner_(owner), background_bitmap_(std::make_unique<vcl::TBitmap>()) {
  background_bitmap_->OnChange = [this](vcl::TObject* sender) { BackGroundChanged(sender); };
  CreateHandle();
}

TMMDIBCanvas::~TMMDIBCanvas() {
  // A canvas freed inside its own pass must not leave the lock held or the
  // primitives pointing at freed pixels.
  if (g_pass_thread.load() == std::this_thread::get_id() && g_pass_canvas == this) {
    g_dib = CurrentDIB{};
    g_pass_canvas = nullptr;
    g_pass_thread.store(std::thread::id{});
    DIBDrawLock().unlock();
  }
  FreeDIB();
  background_bitmap_->OnChange = nullptr;
  background_bitmap_.reset();
  SetHandle(nullptr);
  if (memory_dc_ != nullptr) DeleteDC(memory_dc_);
  engine::GlobalFreeAndNil(private_palette_);
}

void TMMDIBCanvas::RaiseDrawingError() const {
  const std::string& name = owner_ != nullptr ? owner_->ClassName() : ClassName();
  throw EMMDIBError(name + ": Attempt to create new DIB while initialized for drawing");
}

void TMMDIBCanvas::SetBitsPerPixel(int32_t value) {
  if (value != 8 && value != 24) throw EMMDIBError("Bitlength not supported yet");
  if (value == bits_per_pixel_) return;
  // Checked before storing: a depth that the pixels do not have would send
  // the primitives past the end of the DIB.
  if (!idle_) RaiseDrawingError();
  bits_per_pixel_ = value;
  RecreateDIB();
}

void TMMDIBCanvas::SetPaletteRealize(bool value) {
  if (value == palette_realize_) return;
  if (!idle_) RaiseDrawingError();
  palette_realize_ = value;
  RecreateDIB();
}

void TMMDIBCanvas::SetPaletteMapped(bool value) { palette_mapped_ = value; }

void TMMDIBCanvas::SetBackGroundBitmap(vcl::TBitmap* value) {
  if (!idle_) RaiseDrawingError();
  // The copy's change notification re-creates the DIB.
  background_bitmap_->Assign(value);
}

void TMMDIBCanvas::BackGroundChanged(vcl::TObject*) { RecreateDIB(); }

void TMMDIBCanvas::SetStretchBackGround(bool value) {
  if (value == stretch_background_) return;
  if (!idle_ && !background_bitmap_->Empty()) RaiseDrawingError();
  stretch_background_ = value;
  if (!background_bitmap_->Empty()) RecreateDIB();
}

void TMMDIBCanvas::SetBounds(int32_t, int32_t, int32_t width, int32_t height) {
  // A negative size would make a negative stride.
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  clip_rect_ = TRect{0, 0, width, height};
  SetHandle(nullptr);
  recreate_pending_ = true;
}

void TMMDIBCanvas::CreateHandle() {
  if (memory_dc_ == nullptr) {
    memory_dc_ = CreateCompatibleDC(nullptr);
    if (memory_dc_ == nullptr) throw EMMDIBError("Unable to access DIB device context");
  }
  recreate_pending_ = true;
  CheckDIB();
}

void TMMDIBCanvas::CheckDIB() {
  if (recreate_pending_) RecreateDIB();
}

void TMMDIBCanvas::RecreateDIB() {
  if (!idle_) RaiseDrawingError();
  try {
    FreeDIB();
    CreateDIB();
  } catch (...) {
    // No handle without pixels behind it: the next request tries again.
    recreate_pending_ = true;
    SetHandle(nullptr);
    throw;
  }
}

void TMMDIBCanvas::FreeDIB() {
  screen_copy_.valid = false;
  if (background_section_ != nullptr) {
    DeleteObject(background_section_);
    background_section_ = nullptr;
  }
  background_bits_ = nullptr;
  if (dib_section_ != nullptr) {
    SelectObject(memory_dc_, previous_bitmap_);
    DeleteObject(dib_section_);
    dib_section_ = nullptr;
    previous_bitmap_ = nullptr;
  }
  pixel_bits_ = nullptr;
  if (palette_ != nullptr) {
    DeleteObject(palette_);
    palette_ = nullptr;
  }
  engine::GlobalFreeAndNil(header_);
}

void TMMDIBCanvas::CreateDIB() {
  if (memory_dc_ == nullptr) return;
  header_ = engine::CreateDIBHeader(bits_per_pixel_, 1, width_, height_, false);
  header_->bmiHeader.biWidth = std::max(width_, 1);
  header_->bmiHeader.biHeight = std::max(height_, 1);

  engine::TGlobalPtr<LOGPALETTE> log_palette(engine::CreateSystemLogPalette());
  PALETTEENTRY* entries = log_palette->palPalEntry;

  // The background picture as a 24-bit DIB, whatever its own format.
  engine::TGlobalPtr<BITMAPINFO> source_info;
  engine::TGlobalPtr<uint8_t> source_bits;
  if (!background_bitmap_->Empty()) {
    const int32_t w = background_bitmap_->Width();
    const int32_t h = background_bitmap_->Height();
    source_info.reset(static_cast<BITMAPINFO*>(engine::GlobalAllocZeroed(sizeof(BITMAPINFOHEADER))));
    BITMAPINFOHEADER& sh = source_info->bmiHeader;
    sh.biSize = sizeof(BITMAPINFOHEADER);
    sh.biWidth = w;
    sh.biHeight = h;
    sh.biPlanes = 1;
    sh.biBitCount = 24;
    sh.biCompression = BI_RGB;
    source_bits.reset(static_cast<uint8_t*>(engine::GlobalAllocZeroed(
        static_cast<size_t>(engine::DIBRowBytes(w * 24)) * static_cast<size_t>(h))));
    if (GetDIBits(memory_dc_, background_bitmap_->Handle(), 0, static_cast<UINT>(h), source_bits.get(),
                  source_info.get(), DIB_RGB_COLORS) == 0)
      throw EMMDIBError("Unable to read background bitmap");
    if (HPALETTE source_palette = background_bitmap_->Palette(); source_palette != nullptr)
      GetPaletteEntries(source_palette, 10, 235, entries + 10);
  } else if (private_palette_ != nullptr) {
    for (int i = 10; i <= 246; ++i) {
      const PALETTEENTRY& e = private_palette_->palPalEntry[i];
      entries[i] = PALETTEENTRY{e.peRed, e.peGreen, e.peBlue, PC_NOCOLLAPSE};
    }
  }

  animated_colors_.clear();
  pending_colors_.clear();
  const int32_t count = requested_animated_;
  if (count > 0) {
    animated_colors_.reserve(static_cast<size_t>(count));
    pending_colors_.reserve(static_cast<size_t>(count));
    for (int32_t i = kAnimatedEnd - count; i < kAnimatedEnd; ++i) {
      const COLORREF c = FindFreeColor(entries);
      entries[i] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), PC_RESERVED};
      animated_colors_.push_back(c);
    }
    first_animated_ = kAnimatedEnd - count;
    // A batch open across the change continues on the new block.
    if (animate_nesting_ > 0) pending_colors_ = animated_colors_;
  } else {
    first_animated_ = 256;
  }

  // Our own header always has room for 256 entries, whatever size it gives.
  auto* table = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(header_) + sizeof(BITMAPINFOHEADER));
  for (int i = 0; i < 256; ++i) {
    const bool no_collapse = i >= 10 && i <= 245 && i < first_animated_;
    table[i] = RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed,
                       static_cast<BYTE>(no_collapse ? PC_NOCOLLAPSE : 0)};
  }
  palette_ = CreatePalette(log_palette.get());

  if (source_bits != nullptr) {
    void* bits = nullptr;
    background_section_ = CreateDIBSection(memory_dc_, header_, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (background_section_ == nullptr) throw EMMDIBError("Unable to create DIB");
    background_bits_ = static_cast<uint8_t*>(bits);
    HGDIOBJ old = SelectObject(memory_dc_, background_section_);
    SetStretchBltMode(memory_dc_, COLORONCOLOR);
    const int32_t w = source_info->bmiHeader.biWidth;
    const int32_t h = source_info->bmiHeader.biHeight;
    if (stretch_background_) {
      StretchDIBits(memory_dc_, 0, 0, width_, height_, 0, 0, w, h, source_bits.get(), source_info.get(),
                    DIB_RGB_COLORS, SRCCOPY);
    } else {
      for (int32_t y = 0; y < height_; y += h)
        for (int32_t x = 0; x < width_; x += w)
          StretchDIBits(memory_dc_, x, y, w, h, 0, 0, w, h, source_bits.get(), source_info.get(),
                        DIB_RGB_COLORS, SRCCOPY);
    }
    SelectObject(memory_dc_, old);
  }

  void* bits = nullptr;
  dib_section_ = CreateDIBSection(memory_dc_, header_, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dib_section_ == nullptr) throw EMMDIBError("Unable to create DIB");
  pixel_bits_ = static_cast<uint8_t*>(bits);
  previous_bitmap_ = SelectObject(memory_dc_, dib_section_);
  PatBlt(memory_dc_, 0, 0, width_, height_, BLACKNESS);
  SetHandle(memory_dc_);
  recreate_pending_ = false;
}

void TMMDIBCanvas::SetLogPalette(const LOGPALETTE* palette) {
  if (!idle_) RaiseDrawingError();
  engine::GlobalFreeAndNil(private_palette_);
  if (palette != nullptr && palette->palVersion >= 0x300 && palette->palNumEntries <= 256) {
    private_palette_ = static_cast<LOGPALETTE*>(engine::GlobalAllocZeroed(1032));
    std::memcpy(private_palette_, palette, 4 + palette->palNumEntries * sizeof(PALETTEENTRY));
  }
  RecreateDIB();
}

void TMMDIBCanvas::DrawToDC(HDC dc, const TRect& rect, int32_t src_x, int32_t src_y) {
  screen_copy_.valid = false;
  if (dc == nullptr) return;
  HDC handle = Handle();
  if (handle == nullptr) return;
  if (palette_realize_) {
    HPALETTE old = SelectPalette(dc, palette_, !palette_mapped_);
    RealizePalette(dc);
    BitBlt(dc, rect.left, rect.top, rect.right, rect.bottom, handle, src_x, src_y, SRCCOPY);
    SelectPalette(dc, old, !palette_mapped_);
    RealizePalette(dc);
  } else {
    BitBlt(dc, rect.left, rect.top, rect.right, rect.bottom, handle, src_x, src_y, SRCCOPY);
  }
  GdiFlush();
}

namespace {

// The drawing pass of this thread that draws onto its own last picture.
thread_local const TMMDIBCanvas* t_kept_canvas = nullptr;
thread_local HDC t_kept_dc = nullptr;

// The first and one past the last byte in which a and b differ; equal when none.
// Equal rows, the most, go by the library's compare; in a row that differs
// the ends are sought eight bytes at a time, the first (last) differing byte
// found from the bits of the first (last) word that differs.
std::pair<size_t, size_t> DifferingBytes(const uint8_t* a, const uint8_t* b, size_t n) {
  constexpr bool kLittle = std::endian::native == std::endian::little;
  auto word = [](const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
  };
  if (std::memcmp(a, b, n) == 0) return {n, n};
  size_t first = 0;
  for (; first + 8 <= n; first += 8) {
    const uint64_t d = word(a + first) ^ word(b + first);
    if (d != 0) {
      first += static_cast<size_t>(kLittle ? std::countr_zero(d) : std::countl_zero(d)) / 8;
      break;
    }
  }
  if (first + 8 > n)
    while (a[first] == b[first]) ++first;
  size_t end = n;
  for (; end >= first + 8; end -= 8) {
    const uint64_t d = word(a + end - 8) ^ word(b + end - 8);
    if (d != 0) {
      end -= static_cast<size_t>(kLittle ? std::countl_zero(d) : std::countr_zero(d)) / 8;
      return {first, end};
    }
  }
  while (a[end - 1] == b[end - 1]) --end;
  return {first, end};
}

}  // namespace

TScreenKept::TScreenKept(const TMMDIBCanvas* canvas, HDC dc) : canvas_(t_kept_canvas), dc_(t_kept_dc) {
  t_kept_canvas = canvas;
  t_kept_dc = dc;
}

TScreenKept::~TScreenKept() {
  t_kept_canvas = canvas_;
  t_kept_dc = dc_;
}

void TMMDIBCanvas::DrawChangesToDC(HDC dc, const TRect& rect, int32_t src_x, int32_t src_y) {
  // A palette realized into the DC maps the same bytes anew on each copy.
  const bool kept = dc != nullptr && t_kept_canvas == this && t_kept_dc == dc && !palette_realize_;
  if (kept && CopyChangedRows(dc, rect, src_x, src_y)) return;
  DrawToDC(dc, rect, src_x, src_y);
  if (kept) KeepScreenCopy(dc, rect, src_x, src_y);
}

bool TMMDIBCanvas::CopyChangedRows(HDC dc, const TRect& rect, int32_t src_x, int32_t src_y) {
  TScreenCopy& copy = screen_copy_;
  POINT origin{};
  GetWindowOrgEx(dc, &origin);
  if (!copy.valid || copy.window != WindowFromDC(dc) || copy.origin.x != origin.x ||
      copy.origin.y != origin.y || copy.rect.left != rect.left || copy.rect.top != rect.top ||
      copy.rect.right != rect.right || copy.rect.bottom != rect.bottom || copy.src_x != src_x ||
      copy.src_y != src_y)
    return false;
  HDC handle = Handle();
  if (handle == nullptr || pixel_bits_ == nullptr) return false;
  const int32_t bytes_per_pixel = bits_per_pixel_ / 8;
  const size_t stride = static_cast<size_t>((width_ * bytes_per_pixel + 3) & ~3);
  const size_t row_bytes = static_cast<size_t>(rect.right) * static_cast<size_t>(bytes_per_pixel);
  // Rows this many apart or closer go in one copy: each copy has its cost.
  constexpr int32_t kBandGap = 4;
  int32_t band_top = -1, band_bottom = 0, last_changed = 0;
  size_t band_left = 0, band_right = 0;
  auto flush = [&] {
    if (band_top < 0) return;
    const auto left = static_cast<int32_t>(band_left / static_cast<size_t>(bytes_per_pixel));
    const auto right = static_cast<int32_t>((band_right - 1) / static_cast<size_t>(bytes_per_pixel)) + 1;
    BitBlt(dc, rect.left + left, rect.top + band_top, right - left, band_bottom - band_top, handle,
           src_x + left, src_y + band_top, SRCCOPY);
    band_top = -1;
  };
  for (int32_t j = 0; j < rect.bottom; ++j) {
    // Bottom-up rows: the area's row j is DIB row src_y + j from the top.
    const uint8_t* row = pixel_bits_ + static_cast<size_t>(height_ - 1 - (src_y + j)) * stride +
                         static_cast<size_t>(src_x) * static_cast<size_t>(bytes_per_pixel);
    uint8_t* kept = copy.bytes.data() + static_cast<size_t>(j) * row_bytes;
    auto [first, end] = DifferingBytes(row, kept, row_bytes);
    const TRect& over = copy.drawn_over;
    if (src_y + j >= over.top && src_y + j < over.bottom) {
      const auto from = static_cast<size_t>(std::clamp(over.left - src_x, 0, rect.right));
      const auto to = static_cast<size_t>(std::clamp(over.right - src_x, 0, rect.right));
      if (from < to) {
        const size_t bpp = static_cast<size_t>(bytes_per_pixel);
        if (first == end) {
          first = from * bpp;
          end = to * bpp;
        } else {
          first = std::min(first, from * bpp);
          end = std::max(end, to * bpp);
        }
      }
    }
    if (first == end) continue;
    std::memcpy(kept + first, row + first, end - first);
    if (band_top >= 0 && j - last_changed > kBandGap) flush();
    if (band_top < 0) {
      band_top = j;
      band_left = first;
      band_right = end;
    } else {
      band_left = std::min(band_left, first);
      band_right = std::max(band_right, end);
    }
    band_bottom = j + 1;
    last_changed = j;
  }
  flush();
  GdiFlush();
  copy.drawn_over = TRect{};
  return true;
}

void TMMDIBCanvas::ScreenDrawnOver(const TRect& area) {
  TRect& over = screen_copy_.drawn_over;
  if (!screen_copy_.valid || area.left >= area.right || area.top >= area.bottom) return;
  if (over.left >= over.right || over.top >= over.bottom) {
    over = area;
    return;
  }
  over = TRect{std::min(over.left, area.left), std::min(over.top, area.top), std::max(over.right, area.right),
               std::max(over.bottom, area.bottom)};
}

void TMMDIBCanvas::KeepScreenCopy(HDC dc, const TRect& rect, int32_t src_x, int32_t src_y) {
  TScreenCopy& copy = screen_copy_;
  // Only an area wholly inside the DIB has bytes to compare.
  if (pixel_bits_ == nullptr || rect.right <= 0 || rect.bottom <= 0 || src_x < 0 || src_y < 0 ||
      src_x + rect.right > width_ || src_y + rect.bottom > height_)
    return;
  const int32_t bytes_per_pixel = bits_per_pixel_ / 8;
  const size_t stride = static_cast<size_t>((width_ * bytes_per_pixel + 3) & ~3);
  const size_t row_bytes = static_cast<size_t>(rect.right) * static_cast<size_t>(bytes_per_pixel);
  copy.bytes.resize(row_bytes * static_cast<size_t>(rect.bottom));
  for (int32_t j = 0; j < rect.bottom; ++j)
    std::memcpy(copy.bytes.data() + static_cast<size_t>(j) * row_bytes,
                pixel_bits_ + static_cast<size_t>(height_ - 1 - (src_y + j)) * stride +
                    static_cast<size_t>(src_x) * static_cast<size_t>(bytes_per_pixel),
                row_bytes);
  POINT origin{};
  GetWindowOrgEx(dc, &origin);
  copy.window = WindowFromDC(dc);
  copy.origin = origin;
  copy.rect = rect;
  copy.src_x = src_x;
  copy.src_y = src_y;
  copy.drawn_over = TRect{};
  copy.valid = true;
}

int32_t TMMDIBCanvas::ColorToDIB(TColor color) {
  const COLORREF rgb = vcl::ColorToRGB(color);
  if (bits_per_pixel_ > 8) return static_cast<int32_t>(rgb);
  return static_cast<int32_t>(GetNearestPaletteIndex(palette_, rgb));
}

void TMMDIBCanvas::SetAnimatedColorCount(int32_t value) {
  if (value < 0 || value > kMaxAnimated) throw EMMDIBError("Invalid count of animated colors");
  if (value == AnimatedColorCount()) return;
  if (!idle_) RaiseDrawingError();
  requested_animated_ = value;
  RecreateDIB();
}

void TMMDIBCanvas::SetAnimatedColor(int32_t index, TColor color) {
  if (index < 0 || index >= AnimatedColorCount()) throw EMMDIBError("Invalidate animated color index");
  const COLORREF rgb = vcl::ColorToRGB(color);
  if (animate_nesting_ > 0) {
    pending_colors_[static_cast<size_t>(index)] = rgb;
    return;
  }
  RGBQUAD table[256];
  PALETTEENTRY entries[256];
  if (GetDIBColorTable(memory_dc_, 0, 256, table) < 256 || GetPaletteEntries(palette_, 0, 256, entries) < 256)
    throw EMMDIBError("Get palette entries failed");
  const int32_t at = first_animated_ + index;
  table[at] = RGBQUAD{GetBValue(rgb), GetGValue(rgb), GetRValue(rgb), 0};
  entries[at] = PALETTEENTRY{GetRValue(rgb), GetGValue(rgb), GetBValue(rgb), PC_RESERVED};
  // The same bytes show other colours now.
  screen_copy_.valid = false;
  if (SetDIBColorTable(memory_dc_, 0, 256, table) < 256) throw EMMDIBError("Set palette entries failed");
  if (!AnimatePalette(palette_, 0, 256, entries)) throw EMMDIBError("Animation of palette entries failed");
}

void TMMDIBCanvas::BeginAnimate() {
  if (++animate_nesting_ != 1 || animated_colors_.empty()) return;
  const auto count = static_cast<UINT>(animated_colors_.size());
  RGBQUAD table[256];
  if (GetDIBColorTable(memory_dc_, static_cast<UINT>(first_animated_), count, table) < count) {
    // The caller will not end a batch that failed to begin.
    --animate_nesting_;
    throw EMMDIBError("Get palette entries failed");
  }
  pending_colors_.clear();
  for (UINT i = 0; i < count; ++i)
    pending_colors_.push_back(RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
}

void TMMDIBCanvas::EndAnimate() {
  if (animate_nesting_ == 0) return;
  if (--animate_nesting_ != 0 || animated_colors_.empty()) return;
  const auto count = static_cast<UINT>(pending_colors_.size());
  RGBQUAD table[256];
  PALETTEENTRY entries[256];
  for (UINT i = 0; i < count; ++i) {
    const COLORREF c = pending_colors_[i];
    table[i] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    entries[i] = PALETTEENTRY{GetRValue(c), GetGValue(c), GetBValue(c), PC_RESERVED};
  }
  pending_colors_.clear();
  screen_copy_.valid = false;
  if (SetDIBColorTable(memory_dc_, static_cast<UINT>(first_animated_), count, table) < count)
    throw EMMDIBError("Set palette entries failed");
  if (!AnimatePalette(palette_, static_cast<UINT>(first_animated_), count, entries))
    throw EMMDIBError("Animation of palette entries failed");
}

// ---- drawing passes ----------------------------------------------------------

void TMMDIBCanvas::DIB_InitDrawing() {
  std::recursive_mutex& lock = DIBDrawLock();
  lock.lock();
  // The lock is re-entrant, so a pass of this thread may already be open: a
  // second one would overwrite the state the first is drawing with.
  if (g_pass_canvas != nullptr) {
    lock.unlock();
    throw EMMDIBError(ClassName() + ": Drawing pass already open");
  }
  try {
    Changing();
    CheckDIB();
  } catch (...) {
    lock.unlock();
    throw;
  }
  g_dib.x = 0;
  g_dib.y = 0;
  g_dib.bits_per_pixel = bits_per_pixel_;
  g_dib.bytes_per_pixel = bits_per_pixel_ / 8;
  g_dib.width = width_;
  g_dib.height = height_;
  g_dib.stride = (width_ * g_dib.bytes_per_pixel + 3) & ~3;
  g_dib.row_step = -g_dib.stride;
  g_dib.bits = pixel_bits_;
  g_dib.clip = clip_rect_;
  g_pass_canvas = this;
  g_pass_thread.store(std::this_thread::get_id());
  idle_ = false;
  GdiFlush();
}

void TMMDIBCanvas::DIB_DoneDrawing() {
  if (g_pass_thread.load() != std::this_thread::get_id() || g_pass_canvas != this) return;
  g_dib.x = 0;
  g_dib.y = 0;
  g_dib.width = 0;
  g_dib.height = 0;
  g_dib.stride = 0;
  g_dib.row_step = 0;
  g_dib.bits = nullptr;
  // Primitives called after the pass find nothing to draw on.
  g_dib.clip = TRect{0, 0, 0, 0};
  g_pass_canvas = nullptr;
  g_pass_thread.store(std::thread::id{});
  idle_ = true;
  struct Leave {
    ~Leave() { DIBDrawLock().unlock(); }
  } leave;
  Changed();
}

// ---- colours -----------------------------------------------------------------

void TMMDIBCanvas::DIB_SetTColor(TColor color) {
  const auto value = static_cast<uint32_t>(ColorToDIB(color));
  g_dib.color = bits_per_pixel_ > 8 ? value : (value & 0xFFu) * 0x01010101u;
}

void TMMDIBCanvas::DIB_SetColor(int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  g_dib.color = g_dib.bytes_per_pixel == 3 ? v : (v & 0xFFu) * 0x01010101u;
}

// ---- primitives --------------------------------------------------------------

void TMMDIBCanvas::DIB_SetPixel(int32_t x, int32_t y, int32_t color) {
  if (Inside(x, y)) PutPixel(PixelAt(x, y), static_cast<uint32_t>(color));
}

int32_t TMMDIBCanvas::DIB_GetPixel(int32_t x, int32_t y) {
  if (!Inside(x, y)) return -1;
  const uint8_t* p = PixelAt(x, y);
  if (g_dib.bytes_per_pixel == 1) return *p;
  return static_cast<int32_t>(RGB(p[2], p[1], p[0]));
}

void TMMDIBCanvas::DIB_MoveTo(int32_t x, int32_t y) {
  g_dib.x = x;
  g_dib.y = y;
}

void TMMDIBCanvas::DIB_LineTo(int32_t x, int32_t y) {
  LineOp(g_dib.x, g_dib.y, x, y, Op::Fill);
  g_dib.x = x;
  g_dib.y = y;
}

void TMMDIBCanvas::DIB_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  LineOp(x1, y1, x2, y2, Op::Fill);
}

void TMMDIBCanvas::DIB_XorLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  LineOp(x1, y1, x2, y2, Op::XorNot);
}

void TMMDIBCanvas::DIB_HLine(int32_t x1, int32_t x2, int32_t y) { HSpan(x1, x2, y, Op::Fill); }

void TMMDIBCanvas::DIB_HLineDashed(int32_t x1, int32_t x2, int32_t y) {
  if (!ClipHorizontal(x1, x2, y)) return;
  const int32_t n = x2 - x1;
  if (n < 4) return;
  uint8_t* p = PixelAt(x1, y);
  for (int32_t off = 0; off < n; off += 8)
    RowRun(p + off * g_dib.bytes_per_pixel, std::min(4, n - off), Op::Fill);
}

void TMMDIBCanvas::DIB_HLineDotted(int32_t x1, int32_t x2, int32_t y, int32_t gap) {
  if (!ClipHorizontal(x1, x2, y)) return;
  const int32_t step = std::max(gap, 1) + 1;
  uint8_t* p = PixelAt(x1, y);
  const int32_t pixel_step = g_dib.bytes_per_pixel * step;
  const uint32_t color = g_dib.color;
  const int32_t n = (x2 - x1 + step - 1) / step;
  for (int32_t i = 0; i < n; ++i, p += pixel_step) PutPixel(p, color);
}

void TMMDIBCanvas::DIB_VLine(int32_t x, int32_t y1, int32_t y2) { VSpan(x, y1, y2, Op::Fill); }

void TMMDIBCanvas::DIB_VLineDashed(int32_t x, int32_t y1, int32_t y2) {
  if (!ClipVertical(x, y1, y2)) return;
  const int32_t n = y2 - y1;
  uint8_t* p = PixelAt(x, y1);
  for (int32_t off = 0; off < n; off += 8)
    ColumnRun(p + static_cast<ptrdiff_t>(off) * g_dib.row_step, std::min(4, n - off), Op::Fill);
}

void TMMDIBCanvas::DIB_VLineDotted(int32_t x, int32_t y1, int32_t y2, int32_t gap) {
  if (!ClipVertical(x, y1, y2)) return;
  const int32_t step = std::max(gap, 1) + 1;
  uint8_t* p = PixelAt(x, y1);
  // The pass's values read once: the pixel stores could be taken for
  // changes of them.
  const ptrdiff_t row_step = static_cast<ptrdiff_t>(g_dib.row_step) * step;
  const uint32_t color = g_dib.color;
  const int32_t n = (y2 - y1 + step - 1) / step;
  if (g_dib.bytes_per_pixel == 1) {
    for (int32_t i = 0; i < n; ++i, p += row_step) *p = static_cast<uint8_t>(color);
    return;
  }
  for (int32_t i = 0; i < n; ++i, p += row_step) PutPixel(p, color);
}

void TMMDIBCanvas::DIB_XorVLine(int32_t x, int32_t y1, int32_t y2) { VSpan(x, y1, y2, Op::Xor); }

void TMMDIBCanvas::DIB_XorNotVLine(int32_t x, int32_t y1, int32_t y2) { VSpan(x, y1, y2, Op::XorNot); }

void TMMDIBCanvas::DIB_PutColumn(int32_t x, int32_t y, const uint8_t* data, int32_t count) {
  if (g_dib.bytes_per_pixel != 1 || data == nullptr || count <= 0) return;
  int32_t y2 = static_cast<int32_t>(std::min<int64_t>(int64_t{y} + count, INT32_MAX));
  if (!ClipVertical(x, y, y2)) return;
  uint8_t* p = PixelAt(x, y);
  for (int32_t i = 0; i < y2 - y; ++i, p += g_dib.row_step) *p = data[i];
}

void TMMDIBCanvas::DIB_FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  DIB_HLine(x1, x2, y1);
  DIB_HLine(x1, x2, y2 - 1);
  DIB_VLine(x1, y1, y2);
  DIB_VLine(x2 - 1, y1, y2);
}

void TMMDIBCanvas::DIB_FillRect(const TRect& rect) { RectOp(rect, Op::Fill); }

void TMMDIBCanvas::DIB_XorRect(const TRect& rect) { RectOp(rect, Op::Xor); }

void TMMDIBCanvas::DIB_FillRectDotted(const TRect& rect, bool dotted) {
  if (!dotted) {
    DIB_FillRect(rect);
    return;
  }
  int32_t l, t, r, b;
  if (!ClipRectangle(rect, l, t, r, b)) return;
  for (int32_t y = t; y < b; y += 2) {
    uint8_t* p = PixelAt(l, y);
    for (int32_t x = l; x < r; x += 2, p += 2 * g_dib.bytes_per_pixel) PutPixel(p, g_dib.color);
  }
}

namespace {

// n bytes of value from p; short runs as two stores that may overlap, as
// most spots are a few pixels wide.
inline void FillBytes(uint8_t* p, int32_t n, uint64_t pattern) {
  if (n > 16) {
    std::memset(p, static_cast<int>(pattern & 0xFF), static_cast<size_t>(n));
  } else if (n >= 8) {
    std::memcpy(p, &pattern, 8);
    std::memcpy(p + n - 8, &pattern, 8);
  } else if (n >= 4) {
    const auto v = static_cast<uint32_t>(pattern);
    std::memcpy(p, &v, 4);
    std::memcpy(p + n - 4, &v, 4);
  } else if (n >= 2) {
    const auto v = static_cast<uint16_t>(pattern);
    std::memcpy(p, &v, 2);
    std::memcpy(p + n - 2, &v, 2);
  } else if (n == 1) {
    *p = static_cast<uint8_t>(pattern);
  }
}

}  // namespace

void TMMDIBCanvas::DIB_FillSpots(const TSpotColumn& column, int32_t first, int32_t last) {
  if (g_dib.bits == nullptr || first > last) return;
  int32_t l = column.left;
  int32_t r = column.right;
  if (!ClipSpan(l, r, g_dib.clip.left, g_dib.clip.right)) return;
  const int32_t width = r - l;
  // Spots that touch each other and share a colour are one rectangle, filled
  // at once; dotted spots each start their own pattern.
  const bool touching = !column.dotted && column.pitch == column.height;
  // Rows t..b-1 of the column in the current colour.
  auto fill = [&](int32_t t, int32_t b) {
    if (!ClipSpan(t, b, g_dib.clip.top, g_dib.clip.bottom)) return;
    if (column.dotted) {
      for (int32_t y = t; y < b; y += 2) {
        uint8_t* p = PixelAt(l, y);
        for (int32_t x = l; x < r; x += 2, p += 2 * g_dib.bytes_per_pixel) PutPixel(p, g_dib.color);
      }
      return;
    }
    uint8_t* p = PixelAt(l, t);
    if (g_dib.bytes_per_pixel == 1) {
      const uint64_t pattern = (g_dib.color & 0xFFu) * 0x0101010101010101ull;
      for (int32_t y = t; y < b; ++y, p += g_dib.row_step) FillBytes(p, width, pattern);
    } else {
      for (int32_t y = t; y < b; ++y, p += g_dib.row_step) RowRun(p, width, Op::Fill);
    }
  };
  // The spots of one zone in turn, its colour set once.
  for (int32_t n = first; n <= last;) {
    const int32_t z = n <= column.zone1 ? 0 : n <= column.zone2 ? 1 : 2;
    const int32_t zone_last = z == 0   ? std::min(last, column.zone1)
                              : z == 1 ? std::min(last, column.zone2)
                                       : last;
    DIB_SetColor(column.colors[static_cast<size_t>(z)]);
    if (touching) {
      fill(column.bottom - (zone_last - 1) * column.pitch - column.height,
           column.bottom - (n - 1) * column.pitch);
    } else {
      for (int32_t k = n; k <= zone_last; ++k) {
        const int32_t t = column.bottom - (k - 1) * column.pitch - column.height;
        fill(t, t + column.height);
      }
    }
    n = zone_last + 1;
  }
}

void TMMDIBCanvas::DIB_Clear() {
  if (g_dib.bits == nullptr || g_dib.width <= 0 || g_dib.height <= 0) return;
  if (g_dib.bytes_per_pixel == 1) {
    // Row padding included.
    std::memset(g_dib.bits, static_cast<uint8_t>(g_dib.color),
                static_cast<size_t>(g_dib.stride) * static_cast<size_t>(g_dib.height));
    return;
  }
  uint8_t* p = g_dib.bits;
  for (int32_t y = 0; y < g_dib.height; ++y, p += g_dib.stride) RowRun(p, g_dib.width, Op::Fill);
}

void TMMDIBCanvas::DIB_CopyRect(const uint8_t* src_bits, int32_t dst_x, int32_t dst_y, int32_t width,
                                int32_t height, int32_t src_x, int32_t src_y) {
  if (src_bits == nullptr || g_dib.bits == nullptr || width <= 0 || height <= 0) return;
  const TRect& c = g_dib.clip;
  int64_t sx = src_x, sy = src_y, dx = dst_x, dy = dst_y, w = width, h = height;
  // Clipping either rectangle moves both positions, so every pixel that is
  // copied lands where it would without clipping.
  auto clip_side = [&](int64_t& own_x, int64_t& own_y, int64_t& other_x, int64_t& other_y) {
    if (own_x < c.left) {
      const int64_t k = c.left - own_x;
      own_x += k;
      other_x += k;
      w -= k;
    }
    if (own_y < c.top) {
      const int64_t k = c.top - own_y;
      own_y += k;
      other_y += k;
      h -= k;
    }
    w = std::min<int64_t>(w, c.right - own_x);
    h = std::min<int64_t>(h, c.bottom - own_y);
  };
  clip_side(sx, sy, dx, dy);
  if (w <= 0 || h <= 0) return;
  clip_side(dx, dy, sx, sy);
  if (w <= 0 || h <= 0) return;
  const size_t row_bytes = static_cast<size_t>(w) * static_cast<size_t>(g_dib.bytes_per_pixel);
  auto copy_row = [&](int64_t r) {
    std::memmove(PixelAt(static_cast<int32_t>(dx), static_cast<int32_t>(dy + r)),
                 PixelAt(src_bits, static_cast<int32_t>(sx), static_cast<int32_t>(sy + r)), row_bytes);
  };
  // Rows are taken from the far side first when the target lies below the
  // source in the same buffer; memmove handles the overlap within a row.
  if (src_bits == g_dib.bits && dy > sy) {
    for (int64_t r = h - 1; r >= 0; --r) copy_row(r);
  } else {
    for (int64_t r = 0; r < h; ++r) copy_row(r);
  }
}

namespace {

// Pseudo-angle of an offset (x right, yu up): grows with the true angle
// through the four quadrants while the radii stay below 1000.
int32_t PseudoAngle(int32_t x, int32_t yu) {
  if (x >= 0 && yu >= 0) return yu - x;
  if (x < 0 && yu >= 0) return 2000 - x - yu;
  if (x < 0) return 4000 + x - yu;
  return 6000 + x + yu;
}

}  // namespace

void TMMDIBCanvas::DIB_Arc(int32_t cx, int32_t cy, int32_t start_angle, int32_t end_angle, int32_t rx,
                           int32_t ry) {
  const auto start16 = static_cast<int16_t>(start_angle);
  const auto end16 = static_cast<int16_t>(end_angle);
  const int32_t rx16 = static_cast<int16_t>(rx);
  const int32_t ry16 = static_cast<int16_t>(ry);
  if (rx16 <= 0 || ry16 <= 0 || static_cast<int16_t>(end16 - start16) == 0) return;
  // The span is taken before the angles are brought into 0..359, so 0 to 360
  // stays a whole ellipse.
  const auto span = static_cast<uint16_t>(end16 - start16);
  auto normal = [](int32_t a) { return ((a % 360) + 360) % 360; };
  const std::array<int16_t, 360>& sine = SineTable();
  auto point = [&](int32_t a, int32_t& x, int32_t& yu) {
    x = (rx16 * sine[(a + 90) % 360]) >> 13;
    yu = (ry16 * sine[a]) >> 13;
  };
  int32_t x0, yu0, x1, yu1;
  point(normal(start16), x0, yu0);
  point(normal(end16), x1, yu1);
  if (span < 2 || (x0 == x1 && yu0 == yu1 && span < 350)) {
    DIB_SetPixel(cx + x1, cy - yu1, static_cast<int32_t>(g_dib.color));
    return;
  }
  const int32_t a0 = PseudoAngle(x0, yu0);
  const int32_t a1 = PseudoAngle(x1, yu1);
  auto plot = [&](int32_t x, int32_t yu) {
    const int32_t a = PseudoAngle(x, yu);
    const bool on_arc = a1 > a0 ? (a >= a0 && a <= a1) : (a >= a0 || a <= a1);
    if (on_arc) DIB_SetPixel(cx + x, cy - yu, static_cast<int32_t>(g_dib.color));
  };
  auto offer = [&](int64_t gx, int64_t gy) {
    const auto x = static_cast<int32_t>(gx);
    const auto y = static_cast<int32_t>(gy);
    plot(x, y);
    if (x != 0) plot(-x, y);
    if (y != 0) plot(x, -y);
    if (x != 0 && y != 0) plot(-x, -y);
  };
  const int64_t r_max = std::max(rx16, ry16);
  const int64_t s = 100 * r_max * r_max;
  const int64_t a = s / rx16 / rx16;
  const int64_t q = s / ry16;
  const int64_t b = q / ry16;
  int64_t u = 0, v = 2 * q, d = q * ry16 - s;
  int64_t x = 0, y = ry16;
  do {
    offer(x, y);
    const int64_t t = v - b;
    const int64_t w = u + a;
    if (2 * w + 2 * d >= t) {
      --y;
      d -= t;
      v = t - b;
    }
    ++x;
    d += w;
    u = w + a;
  } while (u < v);
  do {
    offer(x, y);
    const int64_t t = v - b;
    const int64_t w = u + a;
    if (w / 2 + d <= t) {
      ++x;
      d += w;
      u = w + a;
    }
    --y;
    d -= t;
    v = t - b;
  } while (y >= 0);
}

void TMMDIBCanvas::DIB_FillEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry) {
  const int64_t rx16 = static_cast<int16_t>(rx);
  const int64_t ry16 = static_cast<int16_t>(ry);
  if (rx16 <= 0 || ry16 <= 0) return;
  const int64_t a2 = rx16 * rx16;
  const int64_t b2 = ry16 * ry16;
  int64_t x = 0, y = ry16;
  int64_t d = b2 - 2 * ry16 * a2 + a2;
  auto span = [&](int64_t row) {
    // Spans are drawn as they are found: every one is one colour, so the
    // order does not matter and no list is needed.
    HSpan(static_cast<int32_t>(cx - x), static_cast<int32_t>(cx + x + 1), static_cast<int32_t>(row),
          Op::Fill);
  };
  auto diagonal = [&] {
    ++x;
    --y;
    d += 2 * x * b2 - 2 * y * a2 + a2 + b2;
  };
  while (y >= 0) {
    span(cy - y);
    span(cy + y);
    if (d >= 0) {
      const int64_t t = 2 * d - 2 * x * b2 - b2;
      if (t > 0) {
        --y;
        d += a2 - 2 * y * a2;
      } else {
        diagonal();
      }
    } else {
      const int64_t t = 2 * d + 2 * y * a2 - a2;
      if (t > 0) {
        diagonal();
      } else {
        ++x;
        d += 2 * x * b2 + b2;
      }
    }
  }
}

}  // namespace displays
