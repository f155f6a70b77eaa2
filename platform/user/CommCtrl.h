#pragma once
// What the common controls (track bar, up-down, progress bar, status bar, tab
// control, header, list view, date-time picker) share: their registration, the notification
// header they send with WM_NOTIFY, the generic NM_* codes and the
// custom-draw protocol through which a parent paints parts of a control.
#include <cstdint>
#include <string>

#include "platform/kernel/Types.h"
#include "platform/user/CommonDialogs.h"  // WM_NOTIFY, NMHDR
#include "platform/user/Controls.h"

namespace plat {

using DWORD_PTR = uintptr_t;

// Image lists are opaque to the controls here: they keep and return the handle.
struct IMAGELIST_;
using HIMAGELIST = IMAGELIST_*;

struct INITCOMMONCONTROLSEX {
  DWORD dwSize = sizeof(INITCOMMONCONTROLSEX);
  DWORD dwICC = 0;
};

constexpr DWORD ICC_LISTVIEW_CLASSES = 0x00000001;
constexpr DWORD ICC_TREEVIEW_CLASSES = 0x00000002;
constexpr DWORD ICC_BAR_CLASSES = 0x00000004;
constexpr DWORD ICC_TAB_CLASSES = 0x00000008;
constexpr DWORD ICC_UPDOWN_CLASS = 0x00000010;
constexpr DWORD ICC_PROGRESS_CLASS = 0x00000020;
constexpr DWORD ICC_HOTKEY_CLASS = 0x00000040;
constexpr DWORD ICC_ANIMATE_CLASS = 0x00000080;
constexpr DWORD ICC_WIN95_CLASSES = 0x000000FF;
constexpr DWORD ICC_DATE_CLASSES = 0x00000100;
constexpr DWORD ICC_USEREX_CLASSES = 0x00000200;
constexpr DWORD ICC_COOL_CLASSES = 0x00000400;
constexpr DWORD ICC_STANDARD_CLASSES = 0x00004000;

// Both register every control class of the layer; the Ex form refuses a
// record of the wrong size.
void InitCommonControls();
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init);

// ---- shared messages and styles -----------------------------------------------

constexpr UINT CCM_FIRST = 0x2000;
constexpr UINT CCM_SETBKCOLOR = CCM_FIRST + 1;

// Placement of bars along their parent's client area (status bar).
constexpr DWORD CCS_TOP = 0x0001;
constexpr DWORD CCS_NOMOVEY = 0x0002;
constexpr DWORD CCS_BOTTOM = 0x0003;
constexpr DWORD CCS_NORESIZE = 0x0004;
constexpr DWORD CCS_NOPARENTALIGN = 0x0008;
constexpr DWORD CCS_ADJUSTABLE = 0x0020;
constexpr DWORD CCS_NODIVIDER = 0x0040;

// ---- generic notifications (NMHDR.code) -----------------------------------------

constexpr UINT NM_FIRST = 0;
constexpr UINT NM_OUTOFMEMORY = NM_FIRST - 1;
constexpr UINT NM_CLICK = NM_FIRST - 2;
constexpr UINT NM_DBLCLK = NM_FIRST - 3;
constexpr UINT NM_RETURN = NM_FIRST - 4;
constexpr UINT NM_RCLICK = NM_FIRST - 5;
constexpr UINT NM_RDBLCLK = NM_FIRST - 6;
constexpr UINT NM_SETFOCUS = NM_FIRST - 7;
constexpr UINT NM_KILLFOCUS = NM_FIRST - 8;
constexpr UINT NM_CUSTOMDRAW = NM_FIRST - 12;
constexpr UINT NM_HOVER = NM_FIRST - 13;
constexpr UINT NM_RELEASEDCAPTURE = NM_FIRST - 16;

// ---- custom draw ----------------------------------------------------------------

// Stages (dwDrawStage).
constexpr DWORD CDDS_PREPAINT = 0x00000001;
constexpr DWORD CDDS_POSTPAINT = 0x00000002;
constexpr DWORD CDDS_PREERASE = 0x00000003;
constexpr DWORD CDDS_POSTERASE = 0x00000004;
constexpr DWORD CDDS_ITEM = 0x00010000;
constexpr DWORD CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT;
constexpr DWORD CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT;
constexpr DWORD CDDS_ITEMPREERASE = CDDS_ITEM | CDDS_PREERASE;
constexpr DWORD CDDS_ITEMPOSTERASE = CDDS_ITEM | CDDS_POSTERASE;
constexpr DWORD CDDS_SUBITEM = 0x00020000;

// Answers.
constexpr LRESULT CDRF_DODEFAULT = 0x00000000;
constexpr LRESULT CDRF_NEWFONT = 0x00000002;
constexpr LRESULT CDRF_SKIPDEFAULT = 0x00000004;
constexpr LRESULT CDRF_NOTIFYPOSTPAINT = 0x00000010;
constexpr LRESULT CDRF_NOTIFYITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYSUBITEMDRAW = 0x00000020;
constexpr LRESULT CDRF_NOTIFYPOSTERASE = 0x00000040;

// Item states (uItemState).
constexpr UINT CDIS_SELECTED = 0x0001;
constexpr UINT CDIS_GRAYED = 0x0002;
constexpr UINT CDIS_DISABLED = 0x0004;
constexpr UINT CDIS_CHECKED = 0x0008;
constexpr UINT CDIS_FOCUS = 0x0010;
constexpr UINT CDIS_DEFAULT = 0x0020;
constexpr UINT CDIS_HOT = 0x0040;

struct NMCUSTOMDRAW {
  NMHDR hdr;
  DWORD dwDrawStage = 0;
  HDC hdc = nullptr;
  RECT rc;
  DWORD_PTR dwItemSpec = 0;
  UINT uItemState = 0;
  LPARAM lItemlParam = 0;
};

// Owner-draw kinds of the common controls (DRAWITEMSTRUCT.CtlType).
constexpr UINT ODT_HEADER = 100;
constexpr UINT ODT_TAB = 101;
constexpr UINT ODT_LISTVIEW = 102;

}  // namespace plat

namespace plat::user {

// Fills the header's sender fields and sends WM_NOTIFY to the control's
// parent; 0 when there is no parent.
LRESULT SendNotify(HWND control, UINT code, NMHDR* header);

// Runs one custom-draw stage: fills `draw` and sends NM_CUSTOMDRAW. The
// parent's answer, CDRF_DODEFAULT when there is none.
LRESULT CustomDraw(HWND control, NMCUSTOMDRAW* draw, DWORD stage, HDC hdc, const RECT& rect,
                   DWORD_PTR item = 0, UINT item_state = 0, LPARAM item_param = 0);

// The text of a window as a string.
std::string WindowText(HWND hwnd);

// Copies `text` into a caller's buffer of `size` characters, always ending it;
// returns the characters copied.
int CopyText(const std::string& text, char* buffer, int size);

// Width of `text` in `font`.
int TextWidth(HFONT font, const std::string& text);

// Registration of each control unit, called from RegisterStandardControls.
bool RegisterTrackBarClass();
bool RegisterUpDownClass();
bool RegisterProgressClass();
bool RegisterStatusBarClass();
bool RegisterTabControlClass();
bool RegisterHeaderClass();
bool RegisterListViewClass();
bool RegisterDateTimePickClass();

}  // namespace plat::user
