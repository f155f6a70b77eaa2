#include "platform/user/Clipboard.h"

#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "platform/backend/Backend.h"
#include "platform/gdi/TextUtf8.h"
#include "platform/kernel/Errors.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/ThreadQueue.h"

namespace plat {

namespace {

struct ClipboardState {
  std::mutex mutex;
  DWORD open_thread = 0;
  HWND open_window = nullptr;
  HWND owner = nullptr;
  std::map<UINT, HANDLE> data;
  bool changed = false;  // emptied or set since it was opened
  // The desktop's text as last published or taken over; empty for none.
  std::string desktop;
};

ClipboardState& State() {
  static ClipboardState state;
  return state;
}

void FreeAllLocked(ClipboardState& s) {
  for (auto& [format, block] : s.data)
    if (block) GlobalFree(block);
  s.data.clear();
}

bool OpenedByCaller(const ClipboardState& s) {
  return s.open_thread != 0 && s.open_thread == GetCurrentThreadId();
}

bool IsText(UINT format) { return format == CF_TEXT || format == CF_OEMTEXT || format == CF_UNICODETEXT; }

HANDLE BlockOf(const void* bytes, size_t size) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
  if (void* p = GlobalLock(block)) {
    std::memcpy(p, bytes, size);
    GlobalUnlock(block);
  }
  return block;
}

std::u16string Utf16(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const fonts::Utf8Char c = fonts::DecodeUtf8At(utf8, i);
    i += c.length;
    if (c.code >= 0x10000) {
      out += static_cast<char16_t>(0xD800 + ((c.code - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((c.code - 0x10000) & 0x3FF));
    } else {
      out += static_cast<char16_t>(c.code);
    }
  }
  return out;
}

std::string Utf8(const std::u16string& utf16) {
  std::string out;
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t code = utf16[i];
    if (code >= 0xD800 && code < 0xDC00 && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 &&
        utf16[i + 1] < 0xE000)
      code = 0x10000 + ((code - 0xD800) << 10) + (utf16[++i] - 0xDC00);
    fonts::AppendUtf8(out, code);
  }
  return out;
}

// The held text as UTF-8: the 8-bit formats carry it as is, the wide one as UTF-16.
std::optional<std::string> HeldTextLocked(const ClipboardState& s) {
  for (UINT format : {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT}) {
    auto it = s.data.find(format);
    if (it == s.data.end() || !it->second) continue;
    const size_t size = GlobalSize(it->second);
    const void* p = GlobalLock(it->second);
    if (!p) continue;
    std::optional<std::string> text;
    if (format == CF_UNICODETEXT) {
      const auto* wide = static_cast<const char16_t*>(p);
      size_t n = 0;
      while (n < size / 2 && wide[n]) ++n;
      text = Utf8(std::u16string(wide, n));
    } else {
      text = std::string(static_cast<const char*>(p), strnlen(static_cast<const char*>(p), size));
    }
    GlobalUnlock(it->second);
    return text;
  }
  return std::nullopt;
}

// A text format asked for but held only in another text format is made from it.
HANDLE SynthesizedTextLocked(ClipboardState& s, UINT format) {
  const std::optional<std::string> text = HeldTextLocked(s);
  if (!text) return nullptr;
  HANDLE block = nullptr;
  if (format == CF_UNICODETEXT) {
    const std::u16string wide = Utf16(*text);
    block = BlockOf(wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
  } else {
    block = BlockOf(text->c_str(), text->size() + 1);
  }
  s.data[format] = block;
  return block;
}

// Lines end in CR LF here and in LF on the desktop.
std::string ToDesktopLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}
std::string FromDesktopLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

// The desktop is reached from the thread that runs it, once a backend runs at all.
bool DesktopReachable() { return backend::HasCurrent() && IsMainThread(); }

// Text that another program put on the desktop's clipboard since this one
// last published or took some replaces what the clipboard holds.
void TakeDesktopText() {
  if (!DesktopReachable()) return;
  const std::string now = backend::Current().ClipboardText().value_or(std::string());
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (now == s.desktop) return;
  s.desktop = now;
  FreeAllLocked(s);
  s.owner = nullptr;
  if (now.empty()) return;
  const std::string text = FromDesktopLines(now);
  s.data[CF_TEXT] = BlockOf(text.c_str(), text.size() + 1);
}

// Asking without opening sees the desktop's text too, unless the caller
// or another thread is in the middle of changing the clipboard.
void TakeDesktopTextWhenClosed() {
  {
    auto& s = State();
    std::lock_guard lock(s.mutex);
    if (s.open_thread) return;
  }
  TakeDesktopText();
}

// What this program put on the clipboard goes to the desktop's; anything but
// text leaves the desktop's empty, as this program owns it now.
void PublishText(const std::string& held) {
  const std::string text = ToDesktopLines(held);
  if (!DesktopReachable() || !backend::Current().SetClipboardText(text)) return;
  auto& s = State();
  std::lock_guard lock(s.mutex);
  s.desktop = text;
}

}  // namespace

BOOL OpenClipboard(HWND owner) {
  auto& s = State();
  {
    std::lock_guard lock(s.mutex);
    if (s.open_thread && s.open_thread != GetCurrentThreadId()) return FALSE;
    s.open_thread = GetCurrentThreadId();
    s.open_window = owner;
    s.changed = false;
  }
  TakeDesktopText();
  return TRUE;
}

BOOL CloseClipboard() {
  auto& s = State();
  std::optional<std::string> publish;
  {
    std::lock_guard lock(s.mutex);
    if (!OpenedByCaller(s)) return FALSE;
    s.open_thread = 0;
    s.open_window = nullptr;
    if (s.changed) publish = HeldTextLocked(s).value_or(std::string());
    s.changed = false;
  }
  if (publish) PublishText(*publish);
  return TRUE;
}

BOOL EmptyClipboard() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (!OpenedByCaller(s)) return FALSE;
  FreeAllLocked(s);
  s.owner = s.open_window;
  s.changed = true;
  return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (!OpenedByCaller(s) || format == 0) return nullptr;
  // Text in one format replaces the others made from earlier text.
  if (IsText(format))
    for (UINT other : {CF_TEXT, CF_OEMTEXT, CF_UNICODETEXT})
      if (auto it = s.data.find(other); other != format && it != s.data.end()) {
        if (it->second) GlobalFree(it->second);
        s.data.erase(it);
      }
  HANDLE& slot = s.data[format];
  if (slot && slot != data) GlobalFree(slot);
  slot = data;
  s.changed = true;
  return data;
}

HANDLE GetClipboardData(UINT format) {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (!OpenedByCaller(s)) return nullptr;
  auto it = s.data.find(format);
  if (it != s.data.end()) return it->second;
  return IsText(format) ? SynthesizedTextLocked(s, format) : nullptr;
}

BOOL IsClipboardFormatAvailable(UINT format) {
  TakeDesktopTextWhenClosed();
  auto& s = State();
  std::lock_guard lock(s.mutex);
  if (IsText(format)) return HeldTextLocked(s) ? TRUE : FALSE;
  auto it = s.data.find(format);
  return it != s.data.end() && it->second ? TRUE : FALSE;
}

int CountClipboardFormats() {
  TakeDesktopTextWhenClosed();
  auto& s = State();
  std::lock_guard lock(s.mutex);
  return static_cast<int>(s.data.size());
}

HWND GetClipboardOwner() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  return s.owner;
}

HWND GetOpenClipboardWindow() {
  auto& s = State();
  std::lock_guard lock(s.mutex);
  return s.open_thread ? s.open_window : nullptr;
}

}  // namespace plat
