#include "skin/ImgUtil.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "platform/gdi/Colors.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace skin {

namespace {

// Pixels are worked on three bytes at a time, so anything else is converted
// first; an 8-bit member would otherwise be overrun row after row.
bool Prepare24(vcl::TBitmap& bitmap) {
  if (bitmap.Empty()) return false;
  bitmap.SetPixelFormat(vcl::pf24bit);
  return true;
}

uint8_t* Row(vcl::TBitmap& bitmap, int y) { return static_cast<uint8_t*>(bitmap.ScanLine(y)); }

size_t Bytes(int pixels) { return static_cast<size_t>(pixels) * 3; }

struct Rgb {
  int r, g, b;
};

Rgb Channels(TColor colour) {
  plat::COLORREF c = plat::ColorToRGB(colour);
  return {plat::GetRValue(c), plat::GetGValue(c), plat::GetBValue(c)};
}

TColor FromChannels(int r, int g, int b) { return static_cast<TColor>(r + g * 256 + b * 65536); }

// Copies the pixels out as rows of blue, green, red, top row first.
std::vector<uint8_t> ReadPixels(vcl::TBitmap& bitmap) {
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> pixels(Bytes(w) * static_cast<size_t>(h));
  for (int y = 0; y < h; ++y)
    std::memcpy(&pixels[Bytes(w) * static_cast<size_t>(y)], Row(bitmap, y), Bytes(w));
  return pixels;
}

// Source pixel (x, y) of a w x h picture goes to the returned place in the
// turned picture (whose width is h).
template <class Place>
void Rotate(vcl::TBitmap& bitmap, Place place) {
  if (!Prepare24(bitmap)) return;
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> pixels = ReadPixels(bitmap);
  bitmap.SetSize(h, w);
  for (int y = 0; y < h; ++y) {
    const uint8_t* from = &pixels[Bytes(w) * static_cast<size_t>(y)];
    for (int x = 0; x < w; ++x) {
      auto [tx, ty] = place(x, y, w, h);
      std::memcpy(Row(bitmap, ty) + Bytes(tx), from + Bytes(x), 3);
    }
  }
}

struct GradientSlot {
  int count = 0;
  TColor colour1 = 0;
  TColor colour2 = 0;
  std::vector<TColor> entries;
};

std::array<GradientSlot, kGradientSlots> gradients;
int gradient_ring = 0;

// Entry i of a ramp of `count` colours; truncating division, as the ramps
// have always been computed.
TColor GradientEntry(int count, const Rgb& a, const Rgb& b, int i) {
  auto channel = [&](int from, int to) {
    int d = to - from;
    if (count <= 1) return from + d / 2;
    int n = count - 1;
    return from + static_cast<int>((n / 2 + static_cast<int64_t>(i) * d) / n);
  };
  return FromChannels(channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b));
}

// Longer ramps than any window can show are computed band by band instead of
// being held in the cache.
constexpr int kMaxCachedGradient = 1 << 16;

}  // namespace

void GrayscaleBitmap(vcl::TBitmap& bitmap) {
  if (!Prepare24(bitmap)) return;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = Row(bitmap, y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      auto grey = static_cast<uint8_t>((p[0] + p[1] + p[2]) / 3);
      p[0] = p[1] = p[2] = grey;
    }
  }
}

void ReplaceKeyColour(vcl::TBitmap& bitmap, TColor colour) {
  if (!Prepare24(bitmap)) return;
  Rgb c = Channels(colour);
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = Row(bitmap, y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      if (p[0] == 255 && p[1] == 0 && p[2] == 255) {
        p[0] = static_cast<uint8_t>(c.b);
        p[1] = static_cast<uint8_t>(c.g);
        p[2] = static_cast<uint8_t>(c.r);
      }
    }
  }
}

void MirrorBitmap(vcl::TBitmap& bitmap) {
  if (!Prepare24(bitmap)) return;
  const int w = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = Row(bitmap, y);
    for (int left = 0, right = w - 1; left < right; ++left, --right)
      std::swap_ranges(p + Bytes(left), p + Bytes(left) + 3, p + Bytes(right));
  }
}

void FlipBitmap(vcl::TBitmap& bitmap) {
  if (!Prepare24(bitmap)) return;
  const size_t row_bytes = Bytes(bitmap.Width());
  for (int top = 0, bottom = bitmap.Height() - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = Row(bitmap, top);
    std::swap_ranges(a, a + row_bytes, Row(bitmap, bottom));
  }
}

void RotateBitmapLeft(vcl::TBitmap& bitmap) {
  Rotate(bitmap, [](int x, int y, int w, int) { return std::pair{y, w - 1 - x}; });
}

void RotateBitmapRight(vcl::TBitmap& bitmap) {
  Rotate(bitmap, [](int x, int y, int, int h) { return std::pair{h - 1 - y, x}; });
}

TColor BlendColours(TColor colour1, TColor colour2, int amount) {
  const int64_t base = amount < 100 ? 100 : 1000;
  Rgb a = Channels(colour1), b = Channels(colour2);
  auto mix = [&](int c1, int c2) {
    int64_t v = (c1 * static_cast<int64_t>(amount) + c2 * (base - amount) + base / 2) / base;
    return static_cast<int>(std::clamp<int64_t>(v, 0, 255));
  };
  return FromChannels(mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b));
}

int ColourSaturation(TColor colour) {
  Rgb c = Channels(colour);
  int hi = std::max({c.r, c.g, c.b});
  int lo = std::min({c.r, c.g, c.b});
  if (hi < 160) return 200;
  return static_cast<int>(std::lround(255.0 * (hi - lo) / hi));
}

int FindGradient(int count, TColor colour1, TColor colour2) {
  for (int slot = kGradientSlots - 1; slot >= 0; --slot) {
    const GradientSlot& g = gradients[static_cast<size_t>(slot)];
    if (!g.entries.empty() && g.count == count && g.colour1 == colour1 && g.colour2 == colour2) return slot;
  }
  return -1;
}

int BuildGradient(int count, TColor colour1, TColor colour2) {
  if (count < 1) return -1;
  int slot = gradient_ring;
  gradient_ring = (gradient_ring + 1) % kGradientSlots;
  GradientSlot& g = gradients[static_cast<size_t>(slot)];
  g.count = count;
  g.colour1 = colour1;
  g.colour2 = colour2;
  g.entries.resize(static_cast<size_t>(count));
  Rgb a = Channels(colour1), b = Channels(colour2);
  for (int i = 0; i < count; ++i) g.entries[static_cast<size_t>(i)] = GradientEntry(count, a, b, i);
  return slot;
}

int GetGradient(int count, TColor colour1, TColor colour2) {
  int slot = FindGradient(count, colour1, colour2);
  return slot >= 0 ? slot : BuildGradient(count, colour1, colour2);
}

const std::vector<TColor>& GradientEntries(int slot) {
  return gradients.at(static_cast<size_t>(slot)).entries;
}

void ClearGradientCache() {
  gradients = {};
  gradient_ring = 0;
}

void GradientFill(plat::HDC dc, const vcl::TRect& rect, TColor colour1, bool vertical, TColor colour2) {
  if (!plat::RectVisible(dc, &rect)) return;
  colour1 = static_cast<TColor>(plat::ColorToRGB(colour1));
  colour2 = static_cast<TColor>(plat::ColorToRGB(colour2));
  vcl::TRect clip{};
  plat::GetClipBox(dc, &clip);
  const int start = vertical ? rect.top : rect.left;
  const int end = vertical ? rect.bottom : rect.right;
  const int clip_start = vertical ? clip.top : clip.left;
  const int clip_end = vertical ? clip.bottom : clip.right;
  const int length = end - start;
  if (length < 1) return;
  int first = start < clip_start ? clip_start - start : 0;
  int last = end > clip_end ? std::min(length - 1, clip_end - start - 1) : length - 1;
  const std::vector<TColor>* ramp = nullptr;
  if (length <= kMaxCachedGradient) ramp = &GradientEntries(GetGradient(length, colour1, colour2));
  Rgb a = Channels(colour1), b = Channels(colour2);
  for (int i = first; i <= last; ++i) {
    TColor c = ramp ? (*ramp)[static_cast<size_t>(i)] : GradientEntry(length, a, b, i);
    vcl::TRect band = vertical ? vcl::TRect{rect.left, start + i, rect.right, start + i + 1}
                               : vcl::TRect{start + i, rect.top, start + i + 1, rect.bottom};
    plat::HBRUSH brush = plat::CreateSolidBrush(static_cast<plat::COLORREF>(c));
    plat::FillRect(dc, &band, brush);
    plat::DeleteObject(brush);
  }
}

}  // namespace skin
