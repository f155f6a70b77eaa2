#include "platform/user/MessageBox.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

#include "platform/backend/Backend.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/user/CommonDialogs.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Hooks.h"
#include "platform/user/Input.h"
#include "platform/user/Menu.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

namespace plat {

namespace {

std::mutex& ScriptLock() {
  static std::mutex m;
  return m;
}
DialogScript& Script() {
  static DialogScript script;
  return script;
}

constexpr const char* kButtonClass = "QuellixDialogButton";
constexpr LONG_PTR kDefaultFlag = 1;

LRESULT ButtonProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_LBUTTONUP: {
      const int id = static_cast<int>(GetWindowLongPtrA(hwnd, GWLP_ID));
      SendMessageA(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0),
                   reinterpret_cast<LPARAM>(hwnd));
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd, &ps);
      RECT r;
      GetClientRect(hwnd, &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      if (GetWindowLongPtrA(hwnd, GWLP_USERDATA) & kDefaultFlag) {
        FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
        InflateRect(&r, -1, -1);
      }
      RECT edge = r;
      DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
      char text[128] = {};
      GetWindowTextA(hwnd, text, sizeof text);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
      SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      DrawTextA(dc, text, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
      EndPaint(hwnd, &ps);
      return 0;
    }
    default:
      return DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

// The dialog object hangs off GWLP_USERDATA of its window.
LRESULT DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

void RegisterClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    WNDCLASSA button;
    button.lpfnWndProc = ButtonProc;
    button.lpszClassName = kButtonClass;
    RegisterClassA(&button);
    WNDCLASSA dialog;
    dialog.lpfnWndProc = DialogProc;
    dialog.cbWndExtra = 3 * sizeof(LONG_PTR);
    dialog.lpszClassName = kDialogClass;
    RegisterClassA(&dialog);
  });
}

struct ButtonSpec {
  int id;
  const char* text;
};

std::vector<ButtonSpec> ButtonsOf(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, "&Abort"}, {IDRETRY, "&Retry"}, {IDIGNORE, "&Ignore"}};
    case MB_YESNOCANCEL:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}, {IDCANCEL, "Cancel"}};
    case MB_YESNO:
      return {{IDYES, "&Yes"}, {IDNO, "&No"}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, "&Retry"}, {IDCANCEL, "Cancel"}};
    default:
      return {{IDOK, "OK"}};
  }
}

class MessageBoxDialog : public user::ModalDialog {
 public:
  MessageBoxDialog(std::string text, UINT type)
      : text_(std::move(text)), type_(type), buttons_(ButtonsOf(type)) {
    const size_t def = ((type & MB_DEFMASK) >> 8);
    default_id_ = buttons_[std::min(def, buttons_.size() - 1)].id;
  }

  // Esc answers Cancel, or OK when that is the only button; else nothing.
  int EscapeId() const {
    for (const ButtonSpec& b : buttons_)
      if (b.id == IDCANCEL) return IDCANCEL;
    return buttons_.size() == 1 ? buttons_[0].id : 0;
  }
  bool HasButton(int id) const {
    return std::any_of(buttons_.begin(), buttons_.end(), [&](const ButtonSpec& b) { return b.id == id; });
  }

  void Apply(const DialogAnswer& answer) override {
    if (HasButton(answer.button)) End(answer.button);
  }
  void Cancel() override { End(EscapeId() ? EscapeId() : default_id_); }
  bool Key(const MSG& msg) override {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return msg.message == WM_CHAR;
    if (msg.wParam == static_cast<WPARAM>(VK_RETURN)) {
      End(default_id_);
    } else if (msg.wParam == static_cast<WPARAM>(VK_ESCAPE)) {
      if (EscapeId()) End(EscapeId());
    } else {
      for (const ButtonSpec& b : buttons_) {
        const char* amp = std::strchr(b.text, '&');
        if (amp && std::toupper(static_cast<unsigned char>(amp[1])) == static_cast<int>(msg.wParam))
          End(b.id);
      }
    }
    return true;
  }

  // Lays out the window: icon, text and the row of buttons.
  void Build(HWND hwnd) {
    HDC dc = GetDC(hwnd);
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    RECT text_rect{0, 0, 360, 0};
    DrawTextA(dc, text_.c_str(), -1, &text_rect, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ReleaseDC(hwnd, dc);
    const bool icon = (type_ & MB_ICONMASK) != 0;
    const int left = icon ? 60 : 16;
    text_rect_ = RECT{left, 18, left + text_rect.right, 18 + std::max<LONG>(text_rect.bottom, icon ? 32 : 0)};
    const int buttons_width = static_cast<int>(buttons_.size()) * 82 - 6;
    const int client_width = std::max<int>(text_rect_.right + 16, buttons_width + 32);
    const int buttons_top = text_rect_.bottom + 18;
    const int client_height = buttons_top + 23 + 12;
    RECT window{0, 0, client_width, client_height};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE)), FALSE, 0);
    const SIZE screen = user::ScreenSize();
    const int w = window.right - window.left;
    const int h = window.bottom - window.top;
    SetWindowPos(hwnd, nullptr, (screen.cx - w) / 2, (screen.cy - h) / 3, w, h,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    int x = (client_width - buttons_width) / 2;
    for (const ButtonSpec& b : buttons_) {
      user::CreateDialogButton(hwnd, b.id, b.text, x, buttons_top, 76, 23, b.id == default_id_);
      x += 82;
    }
  }

  void Paint(HDC dc, HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    if (const UINT icon = type_ & MB_ICONMASK) {
      const COLORREF colour = icon == MB_ICONHAND          ? RGB(192, 0, 0)
                              : icon == MB_ICONEXCLAMATION ? RGB(224, 192, 0)
                                                           : RGB(0, 64, 192);
      HBRUSH brush = CreateSolidBrush(colour);
      HGDIOBJ old = SelectObject(dc, brush);
      Ellipse(dc, 16, 18, 48, 50);
      SelectObject(dc, old);
      DeleteObject(brush);
      const char* mark = icon == MB_ICONHAND          ? "X"
                         : icon == MB_ICONEXCLAMATION ? "!"
                         : icon == MB_ICONQUESTION    ? "?"
                                                      : "i";
      RECT r{16, 18, 48, 50};
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(255, 255, 255));
      DrawTextA(dc, mark, -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    }
    SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    RECT r = text_rect_;
    DrawTextA(dc, text_.c_str(), -1, &r, DT_WORDBREAK | DT_NOPREFIX);
  }

  bool Message(HWND hwnd, UINT message, WPARAM wparam, LPARAM, LRESULT* result) override {
    *result = 0;
    switch (message) {
      case WM_ERASEBKGND:
        *result = 1;
        return true;
      case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        Paint(dc, hwnd);
        EndPaint(hwnd, &ps);
        return true;
      }
      case WM_COMMAND:
        if (HasButton(LOWORD(wparam))) End(LOWORD(wparam));
        return true;
      default:
        return false;
    }
  }

 private:
  std::string text_;
  UINT type_;
  std::vector<ButtonSpec> buttons_;
  int default_id_ = IDOK;
  RECT text_rect_;
};

// A child of the dialog class (the area a common dialog gives a caller's
// hook) runs the dialog procedure it was made with: DWLP_DLGPROC, answering
// through DWLP_MSGRESULT when it handles a message.
LRESULT ChildDialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcA(hwnd, message, wparam, lparam);
  }
  auto proc = reinterpret_cast<LPOFNHOOKPROC>(GetWindowLongPtrA(hwnd, DWLP_DLGPROC));
  if (proc && proc(hwnd, message, wparam, lparam)) return GetWindowLongPtrA(hwnd, DWLP_MSGRESULT);
  if (message == WM_ERASEBKGND) {
    // Unless its procedure paints it, a child dialog shows the dialog face under its controls.
    RECT client;
    GetClientRect(hwnd, &client);
    FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
  }
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

LRESULT DialogProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  const DWORD style = message == WM_NCCREATE
                          ? static_cast<DWORD>(reinterpret_cast<CREATESTRUCTA*>(lparam)->style)
                          : static_cast<DWORD>(GetWindowLongA(hwnd, GWL_STYLE));
  if (style & WS_CHILD) return ChildDialogProc(hwnd, message, wparam, lparam);
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* dialog = reinterpret_cast<user::ModalDialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  LRESULT result = 0;
  if (dialog && message != WM_NCCREATE && message != WM_NCDESTROY &&
      dialog->Message(hwnd, message, wparam, lparam, &result))
    return result;
  if (message == WM_CLOSE && dialog) {
    dialog->Cancel();
    return 0;
  }
  if (message == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  return DefWindowProcA(hwnd, message, wparam, lparam);
}

}  // namespace

void SetDialogScript(DialogScript script) {
  std::lock_guard lock(ScriptLock());
  Script() = std::move(script);
}

BOOL MessageBeep(UINT type) {
  backend::Current().Beep(type);
  return TRUE;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  RegisterClasses();
  MessageBoxDialog box(text ? text : "", type);
  if (owner && !IsWindow(owner)) owner = nullptr;
  if (owner) owner = GetAncestor(owner, GA_ROOT);
  HWND hwnd = box.CreateDialogWindow(
      owner, caption ? caption : "Error", WS_POPUP | WS_CAPTION | WS_SYSMENU,
      (type & (MB_TOPMOST | MB_SYSTEMMODAL)) ? WS_EX_TOPMOST | WS_EX_DLGMODALFRAME : WS_EX_DLGMODALFRAME, 100,
      100);
  if (!hwnd) return 0;
  box.Build(hwnd);
  DialogRequest request;
  request.kind = DialogKind::MessageBox;
  request.title = caption ? caption : "Error";
  request.text = text ? text : "";
  request.flags = type;
  return box.Run(hwnd, owner, request);
}

LONG GetDialogBaseUnits() {
  HDC dc = GetDC(nullptr);
  if (!dc) return static_cast<LONG>(MAKELONG(6, 13));
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  SIZE size{};
  TEXTMETRICA tm{};
  const bool measured = GetTextExtentPoint32A(dc, kAlphabet, 52, &size) && GetTextMetricsA(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  if (!measured || size.cx <= 0 || tm.tmHeight <= 0) return static_cast<LONG>(MAKELONG(6, 13));
  return static_cast<LONG>(
      MAKELONG(static_cast<WORD>((size.cx / 26 + 1) / 2), static_cast<WORD>(tm.tmHeight)));
}

BOOL MapDialogRect(HWND, RECT* rect) {
  if (!rect) return FALSE;
  const LONG units = GetDialogBaseUnits();
  const int cx = LOWORD(static_cast<DWORD>(units)), cy = HIWORD(static_cast<DWORD>(units));
  rect->left = rect->left * cx / 4;
  rect->right = rect->right * cx / 4;
  rect->top = rect->top * cy / 8;
  rect->bottom = rect->bottom * cy / 8;
  return TRUE;
}

namespace user {

bool NextModalMessage(MSG* msg) {
  for (;;) {
    PumpBackendEvents(0);
    if (PeekMessageA(msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg->message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg->wParam));
        return false;
      }
      return true;
    }
    PumpBackendEvents(10);
  }
}

int ModalDialog::Run(HWND dialog, HWND owner, const DialogRequest& request) {
  const bool owner_was_enabled = owner && IsWindowEnabled(owner);
  if (owner_was_enabled) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  SetActiveWindow(dialog);
  SetFocus(dialog);
  UpdateWindow(dialog);
  DialogScript script;
  {
    std::lock_guard lock(ScriptLock());
    script = Script();
  }
  DialogRequest asked = request;
  asked.dialog = dialog;
  while (!done_ && IsWindow(dialog)) {
    if (script) {
      // The script answers through the dialog; a refused answer asks again.
      std::optional<DialogAnswer> answer = script(asked);
      if (!answer)
        Cancel();
      else if (answer->button == IDCANCEL)
        Cancel();
      else
        Apply(*answer);
      continue;
    }
    MSG msg;
    if (!NextModalMessage(&msg)) {
      Cancel();
      break;
    }
    if (CallMsgFilterA(&msg, MSGF_DIALOGBOX)) continue;
    const bool ours = msg.hwnd == dialog || IsChild(dialog, msg.hwnd);
    if (ours && msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST && Key(msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  if (owner_was_enabled) EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) DestroyWindow(dialog);
  if (owner && IsWindow(owner)) {
    SetActiveWindow(owner);
  }
  return result_;
}

HWND ModalDialog::CreateDialogWindow(HWND owner, const char* caption, DWORD style, DWORD ex_style, int width,
                                     int height) {
  RegisterClasses();
  return CreateWindowExA(ex_style, kDialogClass, caption, style, 0, 0, width, height, owner, nullptr, nullptr,
                         this);
}

HWND CreateChildDialog(HWND parent, LPOFNHOOKPROC proc, DWORD ex_style, DWORD style, int x, int y, int width,
                       int height) {
  RegisterClasses();
  return CreateWindowExA(ex_style, kDialogClass, "", (style | WS_CHILD) & ~WS_POPUP, x, y, width, height,
                         parent, nullptr, nullptr, reinterpret_cast<void*>(proc));
}

HWND CreateDialogButton(HWND parent, int id, const char* text, int x, int y, int width, int height,
                        bool default_button) {
  RegisterClasses();
  HWND hwnd = CreateWindowExA(0, kButtonClass, text, WS_CHILD | WS_VISIBLE, x, y, width, height, parent,
                              reinterpret_cast<HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
  if (hwnd && default_button) SetWindowLongPtrA(hwnd, GWLP_USERDATA, kDefaultFlag);
  return hwnd;
}

}  // namespace user

}  // namespace plat
