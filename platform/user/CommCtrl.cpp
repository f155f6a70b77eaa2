#include "platform/user/CommCtrl.h"

#include <algorithm>

#include "platform/gdi/Text.h"
#include "platform/user/Messages.h"

namespace plat {

void InitCommonControls() { RegisterStandardControls(); }

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  return RegisterStandardControls();
}

}  // namespace plat

namespace plat::user {

LRESULT SendNotify(HWND control, UINT code, NMHDR* header) {
  header->hwndFrom = control;
  header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
  header->code = code;
  HWND parent = GetParent(control);
  if (!parent) return 0;
  return SendMessageA(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header));
}

LRESULT CustomDraw(HWND control, NMCUSTOMDRAW* draw, DWORD stage, HDC hdc, const RECT& rect, DWORD_PTR item,
                   UINT item_state, LPARAM item_param) {
  draw->dwDrawStage = stage;
  draw->hdc = hdc;
  draw->rc = rect;
  draw->dwItemSpec = item;
  draw->uItemState = item_state;
  draw->lItemlParam = item_param;
  return SendNotify(control, NM_CUSTOMDRAW, &draw->hdr);
}

std::string WindowText(HWND hwnd) {
  const int length = GetWindowTextLengthA(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int got = GetWindowTextA(hwnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(got, 0)));
  return text;
}

int CopyText(const std::string& text, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  const int n = std::min(static_cast<int>(text.size()), size - 1);
  std::copy_n(text.data(), n, buffer);
  buffer[n] = '\0';
  return n;
}

int TextWidth(HFONT font, const std::string& text) {
  if (text.empty()) return 0;
  HDC hdc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(hdc, ControlFont(font));
  SIZE size;
  GetTextExtentPoint32A(hdc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(hdc, old);
  DeleteDC(hdc);
  return size.cx;
}

}  // namespace plat::user
