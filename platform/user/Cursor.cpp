#include "platform/user/Cursor.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/backend/Backend.h"
#include "platform/kernel/Errors.h"
#include "platform/user/IconBits.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using backend::CursorShape;

struct CursorRecord {
  std::optional<CursorShape> shape;  // a system cursor
  backend::CursorImage image;        // a drawn one
  bool system = false;               // shared (system or loaded): DestroyCursor leaves it
};

struct CursorTable {
  std::mutex mutex;
  std::map<uintptr_t, CursorRecord> cursors;
  std::map<WORD, HCURSOR> system;  // by IDC_* number
  // Cursors loaded from a module's resources, by where their bytes live; the
  // bytes are kept too, so a table freed and another put in its place is not
  // mistaken for the old one.
  struct Loaded {
    std::vector<BYTE> bytes;
    HCURSOR handle = nullptr;
  };
  std::map<const void*, Loaded> loaded;
  uintptr_t next_handle = 0x30000;
  HCURSOR current = nullptr;
  int show_count = 0;
  std::optional<RECT> clip;
};

CursorTable& Table() {
  static auto* table = new CursorTable;
  return *table;
}

std::optional<CursorShape> ShapeOf(WORD id) {
  switch (id) {
    case 32512:
      return CursorShape::Arrow;
    case 32513:
      return CursorShape::IBeam;
    case 32514:
      return CursorShape::Wait;
    case 32515:
      return CursorShape::Cross;
    case 32516:
      return CursorShape::Arrow;  // up arrow: no shape of its own
    case 32640:
    case 32646:
      return CursorShape::SizeAll;
    case 32641:
      return CursorShape::Arrow;
    case 32642:
      return CursorShape::SizeNWSE;
    case 32643:
      return CursorShape::SizeNESW;
    case 32644:
      return CursorShape::SizeWE;
    case 32645:
      return CursorShape::SizeNS;
    case 32648:
      return CursorShape::No;
    case 32649:
      return CursorShape::Hand;
    case 32650:
      return CursorShape::AppStarting;
    case 32651:
      return CursorShape::Arrow;
    default:
      return std::nullopt;
  }
}

HCURSOR AddLocked(CursorRecord record) {
  auto& table = Table();
  const uintptr_t key = table.next_handle++;
  table.cursors[key] = std::move(record);
  return reinterpret_cast<HCURSOR>(key);
}

// Shows what the table says on the backend. Called without the table lock.
void Present() {
  std::optional<CursorShape> shape;
  backend::CursorImage image;
  {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.cursors.find(reinterpret_cast<uintptr_t>(table.current));
    const bool hidden = table.show_count < 0 || found == table.cursors.end();
    if (hidden) {
      // A hidden pointer is a transparent one.
      image.width = image.height = 1;
      image.pixels = {0};
    } else if (found->second.shape) {
      shape = found->second.shape;
    } else {
      image = found->second.image;
    }
  }
  auto& backend = backend::Current();
  if (shape)
    backend.SetCursor(*shape);
  else
    backend.SetCursorImage(image);
}

HCURSOR SystemCursor(const char* name) {
  const WORD id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
  if (!IS_INTRESOURCE(name) || !ShapeOf(id)) return nullptr;
  HCURSOR cursor = LoadCursorA(nullptr, name);
  return cursor;
}

bool Bit(const BYTE* plane, int stride, int x, int y) {
  return (plane[y * stride + x / 8] >> (7 - x % 8)) & 1;
}

uint16_t Word(const BYTE* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Dword(const BYTE* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

// The first image of a .cur file: 1-bit (two-colour table) or 32-bit BGRA,
// each with its AND mask; bottom-up rows padded to 32 bits. Everything is
// bounds-checked, since resource data may come from anywhere.
std::optional<backend::CursorImage> DecodeCursorFile(const BYTE* data, size_t size) {
  if (!data || size < 6 + 16 || Word(data) != 0 || Word(data + 2) != 2 || Word(data + 4) == 0)
    return std::nullopt;
  const BYTE* entry = data + 6;
  const uint32_t bytes = Dword(entry + 8);
  const uint32_t offset = Dword(entry + 12);
  if (offset > size || bytes > size - offset || bytes < 40) return std::nullopt;
  const BYTE* image = data + offset;
  const uint32_t header_size = Dword(image);
  const auto width = static_cast<int32_t>(Dword(image + 4));
  const auto double_height = static_cast<int32_t>(Dword(image + 8));
  const uint16_t bit_count = Word(image + 14);
  if (header_size < 40 || header_size > bytes || Word(image + 12) != 1 || Dword(image + 16) != 0)
    return std::nullopt;
  if (width <= 0 || width > 256 || double_height <= 0 || double_height % 2 != 0 || double_height > 512)
    return std::nullopt;
  if (bit_count != 1 && bit_count != 32) return std::nullopt;
  const int height = double_height / 2;
  const size_t colours = bit_count == 1 ? 2 : 0;
  const auto bits_at = user::LocateIconBits(image, bytes, header_size, colours, width, height, bit_count);
  if (!bits_at) return std::nullopt;
  const auto [table, xor_bits, and_bits, xor_stride, and_stride] = *bits_at;

  backend::CursorImage out;
  out.width = width;
  out.height = height;
  out.hot_spot =
      POINT{std::clamp<int>(Word(entry + 4), 0, width - 1), std::clamp<int>(Word(entry + 6), 0, height - 1)};
  out.pixels.resize(static_cast<size_t>(width) * height);
  std::vector<bool> shown(out.pixels.size());
  bool any_alpha = false;
  for (int y = 0; y < height; ++y) {
    const size_t row = static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * width + x;
      const bool mask = (and_bits[row * and_stride + x / 8] >> (7 - x % 8)) & 1;
      if (bit_count == 1) {
        const bool index = (xor_bits[row * xor_stride + x / 8] >> (7 - x % 8)) & 1;
        const BYTE* c = table + (index ? 4 : 0);
        const uint32_t rgb = static_cast<uint32_t>(c[2]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[0];
        // A set mask bit keeps the screen, or inverts it where the colour is
        // set; inverting needs the screen, so that shows black.
        if (!mask)
          out.pixels[at] = 0xFF000000 | rgb;
        else if (rgb != 0)
          out.pixels[at] = 0xFF000000;
      } else {
        const BYTE* p = xor_bits + row * xor_stride + static_cast<size_t>(x) * 4;
        out.pixels[at] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                         static_cast<uint32_t>(p[1]) << 8 | p[0];
        any_alpha = any_alpha || p[3] != 0;
        shown[at] = !mask;
      }
    }
  }
  // Older 32-bit images leave alpha at 0 and say everything through the mask.
  if (bit_count == 32 && !any_alpha)
    for (size_t i = 0; i < out.pixels.size(); ++i) out.pixels[i] = shown[i] ? 0xFF000000 | out.pixels[i] : 0;
  return out;
}

// A cursor resource (a whole .cur file) of the module; shared like the system ones.
HCURSOR LoadModuleCursor(HMODULE module, const char* name) {
  HRSRC found = FindResourceA(module, name, RT_CURSOR);
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  const auto* bytes = static_cast<const BYTE*>(data);
  const DWORD size = SizeofResource(module, found);
  auto same = [&](const CursorTable::Loaded& known) {
    return known.bytes.size() == size && std::equal(known.bytes.begin(), known.bytes.end(), bytes);
  };
  auto& table = Table();
  {
    std::lock_guard lock(table.mutex);
    if (auto it = table.loaded.find(data); it != table.loaded.end() && same(it->second))
      return it->second.handle;
  }
  auto image = DecodeCursorFile(bytes, size);
  if (!image) {
    SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
    return nullptr;
  }
  std::lock_guard lock(table.mutex);
  auto& known = table.loaded[data];
  if (!known.handle || !same(known)) {
    CursorRecord record;
    record.image = std::move(*image);
    record.system = true;
    known.bytes.assign(bytes, bytes + size);
    known.handle = AddLocked(std::move(record));
  }
  return known.handle;
}

}  // namespace

HCURSOR LoadCursorA(HINSTANCE instance, const char* name) {
  if (instance) return LoadModuleCursor(instance, name);
  const WORD id = static_cast<WORD>(reinterpret_cast<uintptr_t>(name));
  const auto shape = IS_INTRESOURCE(name) ? ShapeOf(id) : std::nullopt;
  if (!shape) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  auto& handle = table.system[id];
  if (!handle) {
    CursorRecord record;
    record.shape = shape;
    record.system = true;
    handle = AddLocked(std::move(record));
  }
  return handle;
}

HCURSOR CreateCursor(HINSTANCE, int hot_x, int hot_y, int width, int height, const void* and_plane,
                     const void* xor_plane) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || !and_plane || !xor_plane) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  CursorRecord record;
  record.image.width = width;
  record.image.height = height;
  record.image.hot_spot = POINT{hot_x, hot_y};
  record.image.pixels.resize(static_cast<size_t>(width) * height);
  const int stride = (width + 15) / 16 * 2;
  auto* and_bits = static_cast<const BYTE*>(and_plane);
  auto* xor_bits = static_cast<const BYTE*>(xor_plane);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool a = Bit(and_bits, stride, x, y);
      const bool b = Bit(xor_bits, stride, x, y);
      uint32_t pixel = 0;  // transparent
      if (!a) pixel = b ? 0xFFFFFFFF : 0xFF000000;
      if (a && b) pixel = 0xFF000000;  // inverting needs the screen; black is what shows best
      record.image.pixels[static_cast<size_t>(y) * width + x] = pixel;
    }
  }
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  return AddLocked(std::move(record));
}

BOOL DestroyCursor(HCURSOR cursor) {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  auto found = table.cursors.find(reinterpret_cast<uintptr_t>(cursor));
  if (found == table.cursors.end()) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (found->second.system) return TRUE;
  table.cursors.erase(found);
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR previous = nullptr;
  {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    previous = table.current;
    if (cursor && !table.cursors.count(reinterpret_cast<uintptr_t>(cursor))) return previous;
    table.current = cursor;
    if (previous == cursor) return previous;
  }
  Present();
  return previous;
}

HCURSOR GetCursor() {
  auto& table = Table();
  std::lock_guard lock(table.mutex);
  return table.current;
}

int ShowCursor(BOOL show) {
  int count = 0;
  bool changed = false;
  {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    const bool was_shown = table.show_count >= 0;
    table.show_count += show ? 1 : -1;
    count = table.show_count;
    changed = was_shown != (table.show_count >= 0);
  }
  if (changed) Present();
  return count;
}

BOOL ClipCursor(const RECT* rect) {
  std::optional<RECT> clip;
  if (rect) {
    if (rect->right < rect->left || rect->bottom < rect->top) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    clip = *rect;
  }
  {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    table.clip = clip;
  }
  backend::Current().ClipCursor(clip);
  return TRUE;
}

BOOL GetClipCursor(RECT* rect) {
  if (!rect) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    if (table.clip) {
      *rect = *table.clip;
      return TRUE;
    }
  }
  const SIZE screen = backend::Current().ScreenSize();
  *rect = RECT{0, 0, screen.cx, screen.cy};
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *point = backend::Current().CursorPos();
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  POINT point{x, y};
  {
    auto& table = Table();
    std::lock_guard lock(table.mutex);
    if (table.clip) {
      // The clip rectangle excludes its right and bottom edges.
      point.x = std::max(table.clip->left, std::min(point.x, table.clip->right - 1));
      point.y = std::max(table.clip->top, std::min(point.y, table.clip->bottom - 1));
    }
  }
  backend::Current().SetCursorPos(point);
  return TRUE;
}

namespace user {

bool DefaultSetCursor(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  if (message != WM_SETCURSOR) return false;
  HWND parent = nullptr;
  HCURSOR class_cursor = nullptr;
  {
    std::lock_guard lock(WindowLock());
    auto record = LookupWindowLocked(hwnd);
    if (!record) return false;
    if (record->style & WS_CHILD) parent = record->parent;
    class_cursor = record->window_class->cursor;
  }
  // A parent may choose the cursor for its children.
  if (parent && SendMessageA(parent, WM_SETCURSOR, wparam, lparam)) {
    *result = TRUE;
    return true;
  }
  const auto hit = static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam)));
  const char* name = IDC_ARROW;
  switch (hit) {
    case HTCLIENT:
      *result = class_cursor ? TRUE : FALSE;
      if (class_cursor) SetCursor(class_cursor);
      return true;
    case HTLEFT:
    case HTRIGHT:
      name = IDC_SIZEWE;
      break;
    case HTTOP:
    case HTBOTTOM:
      name = IDC_SIZENS;
      break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
    case HTGROWBOX:
      name = IDC_SIZENWSE;
      break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      name = IDC_SIZENESW;
      break;
    default:
      break;
  }
  SetCursor(SystemCursor(name));
  *result = TRUE;
  return true;
}

}  // namespace user

}  // namespace plat
