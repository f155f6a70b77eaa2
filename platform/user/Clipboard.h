#pragma once
// The process clipboard: one owner at a time between OpenClipboard and
// CloseClipboard; data are global memory blocks that the clipboard owns from
// SetClipboardData until it is emptied.
#include "platform/kernel/Types.h"

namespace plat {

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_OEMTEXT = 7;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_UNICODETEXT = 13;

// Fails while another thread has it open.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Frees the data held and makes the opener the owner.
BOOL EmptyClipboard();
// Takes over `data` (a GlobalAlloc block); replaces earlier data of the format.
HANDLE SetClipboardData(UINT format, HANDLE data);
// The clipboard's own block; null when the format is not held or the clipboard is not open.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
int CountClipboardFormats();
HWND GetClipboardOwner();
HWND GetOpenClipboardWindow();

}  // namespace plat
