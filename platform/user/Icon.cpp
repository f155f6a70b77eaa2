#include "platform/user/Icon.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/kernel/Errors.h"
#include "platform/user/Controls.h"
#include "platform/user/Geometry.h"
#include "platform/user/IconBits.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"
#include "platform/user/Window.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using user::IconImage;

struct IconRecord {
  IconImage image;
  bool shared = false;  // system or loaded with sharing: DestroyIcon leaves it
};

struct IconTable {
  std::mutex mutex;
  std::map<uintptr_t, IconRecord> icons;
  std::map<WORD, HICON> system;  // by IDI_* number
  // Shared icons loaded from a module: by module, resource bytes and size.
  std::map<std::tuple<HINSTANCE, const void*, int, int>, HICON> loaded;
  uintptr_t next_handle = 0x50000;
};

IconTable& Table() {
  static auto* table = new IconTable;
  return *table;
}

HICON Add(IconImage image, bool shared) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  const uintptr_t key = table.next_handle++;
  table.icons[key] = IconRecord{std::move(image), shared};
  return reinterpret_cast<HICON>(key);
}

uint16_t Word(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Dword(const BYTE* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

constexpr int kMaxSide = 256;

// One image of an icon file: a bitmap header, colour table, XOR bits and AND mask, bottom-up.
std::optional<IconImage> DecodeImage(const BYTE* image, size_t bytes) {
  if (bytes < 40) return std::nullopt;
  const uint32_t header_size = Dword(image);
  const auto width = static_cast<int32_t>(Dword(image + 4));
  const auto double_height = static_cast<int32_t>(Dword(image + 8));
  const uint16_t bit_count = Word(image + 14);
  if (header_size < 40 || header_size > bytes || Word(image + 12) != 1 || Dword(image + 16) != 0)
    return std::nullopt;
  if (width <= 0 || width > kMaxSide || double_height <= 0 || double_height % 2 != 0 ||
      double_height > 2 * kMaxSide)
    return std::nullopt;
  if (bit_count != 1 && bit_count != 4 && bit_count != 8 && bit_count != 24 && bit_count != 32)
    return std::nullopt;
  const int height = double_height / 2;
  size_t colours = 0;
  if (bit_count <= 8) {
    const uint32_t used = Dword(image + 32);
    colours = used == 0 ? size_t{1} << bit_count : used;
    if (colours > (size_t{1} << bit_count)) return std::nullopt;
  }
  const auto bits_at = user::LocateIconBits(image, bytes, header_size, colours, width, height, bit_count);
  if (!bits_at) return std::nullopt;
  const auto [table, xor_bits, and_bits, xor_stride, and_stride] = *bits_at;

  IconImage out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<size_t>(width) * height);
  bool any_alpha = false;
  std::vector<bool> shown(out.pixels.size());
  for (int y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(height - 1 - y);
    const BYTE* bits = xor_bits + row * xor_stride;
    for (int x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * width + x;
      shown[at] = !((and_bits[row * and_stride + x / 8] >> (7 - x % 8)) & 1);
      uint32_t argb = 0;
      if (bit_count <= 8) {
        const int per_byte = 8 / bit_count;
        const int shift = (per_byte - 1 - x % per_byte) * bit_count;
        const size_t index = (bits[x / per_byte] >> shift) & ((1u << bit_count) - 1);
        if (index < colours) {
          const BYTE* c = table + index * 4;
          argb = static_cast<uint32_t>(c[2]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[0];
        }
      } else if (bit_count == 24) {
        const BYTE* p = bits + static_cast<size_t>(x) * 3;
        argb = static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[0];
      } else {
        const BYTE* p = bits + static_cast<size_t>(x) * 4;
        argb = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
               static_cast<uint32_t>(p[1]) << 8 | p[0];
        any_alpha = any_alpha || p[3] != 0;
      }
      out.pixels[at] = argb;
    }
  }
  // Without alpha (older 32-bit images and every paletted one) the mask decides.
  if (!any_alpha)
    for (size_t i = 0; i < out.pixels.size(); ++i)
      out.pixels[i] = shown[i] ? 0xFF000000u | (out.pixels[i] & 0x00FFFFFFu) : 0;
  return out;
}

// Nearest neighbour, which keeps the hard edges of small icons.
IconImage Scaled(const IconImage& from, int width, int height) {
  if (width == from.width && height == from.height) return from;
  IconImage out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      out.pixels[static_cast<size_t>(y) * width + x] =
          from.pixels[static_cast<size_t>(y * from.height / height) * from.width + x * from.width / width];
  return out;
}

// The system's icons, drawn here: a window for the application, round signs for the rest.
IconImage SystemIcon(WORD id) {
  IconImage out;
  out.width = out.height = 32;
  out.pixels.assign(32 * 32, 0);
  auto put = [&](int x, int y, uint32_t rgb) {
    out.pixels[static_cast<size_t>(y) * 32 + x] = 0xFF000000u | rgb;
  };
  if (id == 32512 || id == 32517) {
    for (int y = 3; y < 29; ++y)
      for (int x = 2; x < 30; ++x) {
        const bool edge = x == 2 || x == 29 || y == 3 || y == 28;
        put(x, y, edge ? 0x000000 : y < 9 ? 0x000080 : 0xFFFFFF);
      }
    return out;
  }
  const uint32_t face = id == 32513 ? 0xC00000 : id == 32515 ? 0xE0C000 : 0x0000C0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const int dx = 2 * x - 31;
      const int dy = 2 * y - 31;
      if (dx * dx + dy * dy <= 30 * 30) put(x, y, face);
    }
  // The sign's mark: a cross for errors, a bar with a dot for the others.
  for (int i = 9; i < 23; ++i) {
    if (id == 32513) {
      put(i, i, 0xFFFFFF);
      put(i + 1, i, 0xFFFFFF);
      put(31 - i, i, 0xFFFFFF);
      put(30 - i, i, 0xFFFFFF);
    } else if (i < 19) {
      put(15, i, 0xFFFFFF);
      put(16, i, 0xFFFFFF);
    }
  }
  if (id != 32513)
    for (int y = 21; y < 23; ++y) {
      put(15, y, 0xFFFFFF);
      put(16, y, 0xFFFFFF);
    }
  return out;
}

HICON LoadModuleIcon(HINSTANCE module, const char* name, int width, int height, bool shared) {
  HRSRC found = FindResourceA(module, name, RT_ICON);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto& table = Table();
  const auto key = std::make_tuple(module, data, width, height);
  if (shared) {
    std::lock_guard lock(table.mutex);
    if (auto it = table.loaded.find(key); it != table.loaded.end()) return it->second;
  }
  auto image =
      user::DecodeIconFile(static_cast<const BYTE*>(data), SizeofResource(module, found), width, height);
  if (!image) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  HICON icon = Add(Scaled(*image, width, height), shared);
  if (shared) {
    std::lock_guard lock(table.mutex);
    auto [it, inserted] = table.loaded.emplace(key, icon);
    if (!inserted) {
      table.icons.erase(reinterpret_cast<uintptr_t>(icon));
      return it->second;
    }
  }
  return icon;
}

HICON LoadSystemIcon(const char* name) {
  const WORD id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
  if (!IS_INTRESOURCE(name) || id < 32512 || id > 32517) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto& table = Table();
  {
    std::lock_guard lock(table.mutex);
    if (auto it = table.system.find(id); it != table.system.end()) return it->second;
  }
  HICON icon = Add(SystemIcon(id), true);
  std::lock_guard lock(table.mutex);
  auto [it, inserted] = table.system.emplace(id, icon);
  if (!inserted) table.icons.erase(reinterpret_cast<uintptr_t>(icon));
  return it->second;
}

// The bitmap's pixels as 32-bit values, top row first, or empty.
std::vector<uint32_t> ReadBitmap(HBITMAP bitmap, int& width, int& height) {
  BITMAP info;
  if (!bitmap || GetObject(bitmap, sizeof info, &info) != sizeof info || info.bmWidth <= 0 ||
      info.bmHeight <= 0 || info.bmWidth > kMaxSide || info.bmHeight > 2 * kMaxSide)
    return {};
  width = info.bmWidth;
  height = info.bmHeight;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  BITMAPINFO header;
  header.bmiHeader.biWidth = width;
  header.bmiHeader.biHeight = -height;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  HDC dc = CreateCompatibleDC(nullptr);
  const int lines =
      GetDIBits(dc, bitmap, 0, static_cast<UINT>(height), pixels.data(), &header, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (lines != height) return {};
  return pixels;
}

// A 32-bit top-down DIB section holding `pixels` (0x00RRGGBB plus whatever high byte).
HBITMAP MakeBitmap(int width, int height, const std::vector<uint32_t>& pixels) {
  BITMAPINFO header;
  header.bmiHeader.biWidth = width;
  header.bmiHeader.biHeight = -height;
  header.bmiHeader.biBitCount = 32;
  header.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(nullptr, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) std::copy(pixels.begin(), pixels.end(), static_cast<uint32_t*>(bits));
  return bitmap;
}

bool Opaque(uint32_t argb) { return (argb >> 24) >= 128; }

}  // namespace

HICON LoadIconA(HINSTANCE instance, const char* name) {
  if (!instance) return LoadSystemIcon(name);
  return LoadModuleIcon(instance, name, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), true);
}

HANDLE LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags) {
  if (type != IMAGE_ICON || cx < 0 || cy < 0 || cx > kMaxSide || cy > kMaxSide) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (cx == 0) cx = GetSystemMetrics(SM_CXICON);
  if (cy == 0) cy = GetSystemMetrics(SM_CYICON);
  if (!instance) {
    HICON system = LoadSystemIcon(name);
    if (!system || (flags & LR_SHARED)) return system;
    return CopyImage(system, IMAGE_ICON, cx, cy, 0);
  }
  return LoadModuleIcon(instance, name, cx, cy, (flags & LR_SHARED) != 0);
}

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info || !info->hbmMask) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  int mask_width = 0;
  int mask_height = 0;
  const std::vector<uint32_t> mask = ReadBitmap(info->hbmMask, mask_width, mask_height);
  if (mask.empty()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  IconImage image;
  if (info->hbmColor) {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> colour = ReadBitmap(info->hbmColor, width, height);
    if (colour.empty() || width != mask_width || height > mask_height || height > kMaxSide) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    const bool alpha = std::any_of(colour.begin(), colour.end(), [](uint32_t p) { return (p >> 24) != 0; });
    image.width = width;
    image.height = height;
    image.pixels.resize(colour.size());
    for (size_t i = 0; i < colour.size(); ++i) {
      const bool keep = (mask[i] & 0x00FFFFFFu) != 0;
      image.pixels[i] = alpha ? colour[i] : keep ? 0 : 0xFF000000u | (colour[i] & 0x00FFFFFFu);
    }
  } else {
    if (mask_height % 2 != 0) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    // AND half above the XOR half; where both are set the screen is inverted,
    // which an icon cannot show over any picture, so that is black.
    image.width = mask_width;
    image.height = mask_height / 2;
    image.pixels.resize(static_cast<size_t>(image.width) * image.height);
    const size_t half = image.pixels.size();
    for (size_t i = 0; i < half; ++i) {
      const bool keep = (mask[i] & 0x00FFFFFFu) != 0;
      const bool set = (mask[half + i] & 0x00FFFFFFu) != 0;
      image.pixels[i] = keep ? (set ? 0xFF000000u : 0) : (set ? 0xFFFFFFFFu : 0xFF000000u);
    }
  }
  return Add(std::move(image), false);
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  auto picture = user::IconPicture(icon);
  if (!picture || !info) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::vector<uint32_t> mask(picture->pixels.size());
  for (size_t i = 0; i < mask.size(); ++i) mask[i] = Opaque(picture->pixels[i]) ? 0 : 0x00FFFFFFu;
  info->fIcon = TRUE;
  info->xHotspot = static_cast<DWORD>(picture->width / 2);
  info->yHotspot = static_cast<DWORD>(picture->height / 2);
  info->hbmColor = MakeBitmap(picture->width, picture->height, picture->pixels);
  // The mask as a monochrome bitmap, rows padded to 16 bits as CreateBitmap wants them.
  const size_t stride = (static_cast<size_t>(picture->width) + 15) / 16 * 2;
  std::vector<BYTE> bits(stride * picture->height, 0);
  for (int y = 0; y < picture->height; ++y)
    for (int x = 0; x < picture->width; ++x)
      if (mask[static_cast<size_t>(y) * picture->width + x])
        bits[y * stride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
  info->hbmMask = CreateBitmap(picture->width, picture->height, 1, 1, bits.data());
  return info->hbmColor && info->hbmMask;
}

HICON CopyIcon(HICON icon) { return static_cast<HICON>(CopyImage(icon, IMAGE_ICON, 0, 0, 0)); }

HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags) {
  auto picture = type == IMAGE_ICON ? user::IconPicture(static_cast<HICON>(image)) : std::nullopt;
  if (!picture || cx < 0 || cy < 0 || cx > kMaxSide || cy > kMaxSide) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  HICON copy = Add(Scaled(*picture, cx ? cx : picture->width, cy ? cy : picture->height), false);
  if (flags & LR_COPYDELETEORG) DestroyIcon(static_cast<HICON>(image));
  return copy;
}

BOOL DestroyIcon(HICON icon) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.icons.find(reinterpret_cast<uintptr_t>(icon));
  if (it == table.icons.end()) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!it->second.shared) table.icons.erase(it);
  return TRUE;
}

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT, HBRUSH flicker_free, UINT flags) {
  auto picture = user::IconPicture(icon);
  if (!dc || !picture || cx < 0 || cy < 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (cx == 0) cx = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CXICON) : picture->width;
  if (cy == 0) cy = (flags & DI_DEFAULTSIZE) ? GetSystemMetrics(SM_CYICON) : picture->height;
  if (cx > 4 * kMaxSide || cy > 4 * kMaxSide) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if ((flags & DI_NORMAL) == 0) flags |= DI_NORMAL;
  const IconImage at_size = Scaled(*picture, cx, cy);
  if (flicker_free) {
    const RECT area{x, y, x + cx, y + cy};
    FillRect(dc, &area, flicker_free);
  }
  // The mask keeps the picture below (white) where the icon is clear; the
  // colour, black where clear, is then laid in by XOR.
  std::vector<uint32_t> mask(at_size.pixels.size());
  std::vector<uint32_t> colour(at_size.pixels.size());
  for (size_t i = 0; i < at_size.pixels.size(); ++i) {
    const bool opaque = Opaque(at_size.pixels[i]);
    mask[i] = opaque ? 0 : 0x00FFFFFFu;
    colour[i] = opaque ? at_size.pixels[i] & 0x00FFFFFFu : 0;
  }
  HDC source = CreateCompatibleDC(dc);
  bool ok = source != nullptr;
  auto blit = [&](const std::vector<uint32_t>& pixels, DWORD rop) {
    HBITMAP bitmap = MakeBitmap(cx, cy, pixels);
    if (!bitmap) {
      ok = false;
      return;
    }
    HGDIOBJ old = SelectObject(source, bitmap);
    ok = BitBlt(dc, x, y, cx, cy, source, 0, 0, rop) && ok;
    SelectObject(source, old);
    DeleteObject(bitmap);
  };
  if (ok) {
    const UINT parts = flags & DI_NORMAL;
    if (parts == DI_NORMAL) {
      blit(mask, SRCAND);
      blit(colour, SRCINVERT);
    } else if (parts == DI_MASK) {
      blit(mask, SRCCOPY);
    } else {
      blit(colour, SRCCOPY);
    }
    DeleteDC(source);
  }
  return ok ? TRUE : FALSE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

}  // namespace plat

namespace plat::user {

std::optional<IconImage> DecodeIconFile(const BYTE* data, size_t size, int want_width, int want_height) {
  if (!data || size < 6 || Word(data) != 0 || Word(data + 2) != 1) return std::nullopt;
  const size_t count = Word(data + 4);
  if (count == 0 || size < 6 + 16 * count) return std::nullopt;
  struct Choice {
    int distance;
    int depth;
    size_t index;
  };
  std::vector<Choice> order;
  for (size_t i = 0; i < count; ++i) {
    const BYTE* entry = data + 6 + 16 * i;
    const int width = entry[0] ? entry[0] : 256;
    const int height = entry[1] ? entry[1] : 256;
    order.push_back({std::abs(width - want_width) + std::abs(height - want_height), Word(entry + 6), i});
  }
  // The nearest size first, the deepest colours among equals.
  std::stable_sort(order.begin(), order.end(), [](const Choice& a, const Choice& b) {
    return a.distance != b.distance ? a.distance < b.distance : a.depth > b.depth;
  });
  for (const Choice& choice : order) {
    const BYTE* entry = data + 6 + 16 * choice.index;
    const uint32_t bytes = Dword(entry + 8);
    const uint32_t offset = Dword(entry + 12);
    if (offset > size || bytes > size - offset) continue;
    if (auto image = DecodeImage(data + offset, bytes)) return image;
  }
  return std::nullopt;
}

std::optional<IconImage> IconPicture(HICON icon) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  auto it = table.icons.find(reinterpret_cast<uintptr_t>(icon));
  if (it == table.icons.end()) return std::nullopt;
  return it->second.image;
}

HICON CaptionIcon(HWND hwnd) {
  std::lock_guard lock(WindowLock());
  auto record = LookupWindowLocked(hwnd);
  if (!record) return nullptr;
  if (record->icon_small) return record->icon_small;
  if (record->icon_big) return record->icon_big;
  if (!record->window_class) return nullptr;
  return record->window_class->icon_small ? record->window_class->icon_small : record->window_class->icon;
}

namespace {

bool DefIcons(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message != WM_SETICON && message != WM_GETICON) return false;
  bool caption = false;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return false;
    if (message == WM_GETICON) {
      HICON icon = wparam == ICON_BIG ? record->icon_big : record->icon_small;
      if (wparam == ICON_SMALL2 && !icon) icon = record->icon_big;
      *result = reinterpret_cast<LRESULT>(icon);
      return true;
    }
    HICON& slot = wparam == ICON_BIG ? record->icon_big : record->icon_small;
    *result = reinterpret_cast<LRESULT>(slot);
    slot = reinterpret_cast<HICON>(lparam);
    caption = (record->style & WS_CAPTION) == WS_CAPTION && (record->style & WS_SYSMENU);
  }
  // The caption shows the small icon: draw it again.
  if (caption) RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
  return true;
}

}  // namespace

void InstallIcons() {
  static std::once_flag once;
  std::call_once(once, [] { AddDefWindowProcHandler(DefIcons); });
}

}  // namespace plat::user
