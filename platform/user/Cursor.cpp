#include "platform/user/Cursor.h"

#include <map>
#include <mutex>
#include <optional>

#include "platform/backend/Backend.h"
#include "platform/kernel/Errors.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/WindowRecord.h"

namespace plat {

namespace {

using backend::CursorShape;

struct CursorRecord {
  std::optional<CursorShape> shape;  // a system cursor
  backend::CursorImage image;        // a drawn one
  bool system = false;
};

struct CursorTable {
  std::mutex mutex;
  std::map<uintptr_t, CursorRecord> cursors;
  std::map<WORD, HCURSOR> system;  // by IDC_* number
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

}  // namespace

HCURSOR LoadCursorA(HINSTANCE instance, const char* name) {
  if (instance) {
    // The program's own cursors come with its resources once they are drawn there.
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return nullptr;
  }
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
