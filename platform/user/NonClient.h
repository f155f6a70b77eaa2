#pragma once
// The non-client area: the frame geometry of a window (WindowFrame), and the
// default handling of WM_NCCALCSIZE, WM_NCPAINT, WM_NCACTIVATE, WM_NCHITTEST,
// the non-client mouse messages and WM_SYSCOMMAND, with moving and sizing as
// a modal loop driven by mouse messages.
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

constexpr UINT WM_NCCALCSIZE = 0x0083;
constexpr UINT WM_NCHITTEST = 0x0084;
constexpr UINT WM_NCPAINT = 0x0085;
constexpr UINT WM_NCACTIVATE = 0x0086;
constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
constexpr UINT WM_NCLBUTTONUP = 0x00A2;
constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
constexpr UINT WM_NCRBUTTONDOWN = 0x00A4;
constexpr UINT WM_NCRBUTTONUP = 0x00A5;
constexpr UINT WM_NCRBUTTONDBLCLK = 0x00A6;
constexpr UINT WM_NCMBUTTONDOWN = 0x00A7;
constexpr UINT WM_NCMBUTTONUP = 0x00A8;
constexpr UINT WM_NCMBUTTONDBLCLK = 0x00A9;
constexpr UINT WM_NCMOUSELEAVE = 0x02A2;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_SIZING = 0x0214;
constexpr UINT WM_MOVING = 0x0216;
constexpr UINT WM_ENTERSIZEMOVE = 0x0231;
constexpr UINT WM_EXITSIZEMOVE = 0x0232;

constexpr LRESULT HTERROR = -2;
constexpr LRESULT HTTRANSPARENT = -1;
constexpr LRESULT HTNOWHERE = 0;
constexpr LRESULT HTCLIENT = 1;
constexpr LRESULT HTCAPTION = 2;
constexpr LRESULT HTSYSMENU = 3;
constexpr LRESULT HTGROWBOX = 4;
constexpr LRESULT HTSIZE = HTGROWBOX;
constexpr LRESULT HTMENU = 5;
constexpr LRESULT HTHSCROLL = 6;
constexpr LRESULT HTVSCROLL = 7;
constexpr LRESULT HTMINBUTTON = 8;
constexpr LRESULT HTREDUCE = HTMINBUTTON;
constexpr LRESULT HTMAXBUTTON = 9;
constexpr LRESULT HTZOOM = HTMAXBUTTON;
constexpr LRESULT HTLEFT = 10;
constexpr LRESULT HTRIGHT = 11;
constexpr LRESULT HTTOP = 12;
constexpr LRESULT HTTOPLEFT = 13;
constexpr LRESULT HTTOPRIGHT = 14;
constexpr LRESULT HTBOTTOM = 15;
constexpr LRESULT HTBOTTOMLEFT = 16;
constexpr LRESULT HTBOTTOMRIGHT = 17;
constexpr LRESULT HTBORDER = 18;
constexpr LRESULT HTOBJECT = 19;
constexpr LRESULT HTCLOSE = 20;
constexpr LRESULT HTHELP = 21;

// WM_SYSCOMMAND: the low four bits carry extra information (the sizing edge
// of SC_SIZE, HTCAPTION for a mouse-started SC_MOVE); compare with them cleared.
constexpr WPARAM SC_SIZE = 0xF000;
constexpr WPARAM SC_MOVE = 0xF010;
constexpr WPARAM SC_MINIMIZE = 0xF020;
constexpr WPARAM SC_MAXIMIZE = 0xF030;
constexpr WPARAM SC_NEXTWINDOW = 0xF040;
constexpr WPARAM SC_PREVWINDOW = 0xF050;
constexpr WPARAM SC_CLOSE = 0xF060;
constexpr WPARAM SC_VSCROLL = 0xF070;
constexpr WPARAM SC_HSCROLL = 0xF080;
constexpr WPARAM SC_MOUSEMENU = 0xF090;
constexpr WPARAM SC_KEYMENU = 0xF100;
constexpr WPARAM SC_RESTORE = 0xF120;
constexpr WPARAM SC_TASKLIST = 0xF130;
constexpr WPARAM SC_DEFAULT = 0xF160;
constexpr WPARAM SC_CONTEXTHELP = 0xF180;

// WM_SIZING wParam, and the low bits of SC_SIZE.
constexpr WPARAM WMSZ_LEFT = 1;
constexpr WPARAM WMSZ_RIGHT = 2;
constexpr WPARAM WMSZ_TOP = 3;
constexpr WPARAM WMSZ_TOPLEFT = 4;
constexpr WPARAM WMSZ_TOPRIGHT = 5;
constexpr WPARAM WMSZ_BOTTOM = 6;
constexpr WPARAM WMSZ_BOTTOMLEFT = 7;
constexpr WPARAM WMSZ_BOTTOMRIGHT = 8;

// The window rectangle that gives `rect` as client area for the styles.
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);
BOOL AdjustWindowRectEx(RECT* rect, DWORD style, BOOL menu, DWORD ex_style);

// Frame geometry of one window for its styles, state and size: borders, the
// caption bar, its buttons and the scroll-bar areas, in window coordinates.
// The default WM_NCCALCSIZE, WM_NCPAINT and WM_NCHITTEST all ask it, so they
// agree by construction.
class WindowFrame {
 public:
  WindowFrame(DWORD style, DWORD ex_style, int width, int height);
  // The frame of a live window as it is now (an empty frame for a dead handle).
  static WindowFrame Of(HWND hwnd);

  // Widths of the non-client area on each side (top includes the caption).
  RECT Insets() const { return insets_; }
  RECT ClientRect() const;
  // The outer border band's width (sizing, dialog or thin border).
  int BorderWidth() const { return border_; }
  bool HasCaption() const { return caption_height_ > 0; }
  bool SmallCaption() const { return small_caption_; }
  // The caption bar without the line below it; empty without a caption.
  RECT CaptionRect() const;
  // HTSYSMENU, HTMINBUTTON, HTMAXBUTTON or HTCLOSE; empty when the window has none.
  RECT ButtonRect(LRESULT which) const;
  RECT VScrollRect() const;
  RECT HScrollRect() const;
  // A point in window coordinates: HTNOWHERE outside the window.
  LRESULT HitTest(POINT window_point) const;
  // Paints the frame, caption bar, title and buttons on a DC whose (0, 0) is
  // the window's top-left corner, in the classic look.
  // `icon`, when given, shows in the system-menu place.
  void Paint(HDC hdc, const std::string& title, bool active, LRESULT pressed_button,
             HICON icon = nullptr) const;

 private:
  DWORD style_;
  DWORD ex_style_;
  int width_;
  int height_;
  int border_ = 0;          // outer frame band
  int edge_ = 0;            // client or static edge inside the frame
  int caption_height_ = 0;  // without the line below it
  bool small_caption_ = false;
  RECT insets_;
};

}  // namespace plat

namespace plat::user {

// The default handlers and the backend's hit-test callback; idempotent.
void InstallNonClient();

}  // namespace plat::user
