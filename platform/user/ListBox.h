#pragma once
// The "ListBox" class and the "ComboLBox" list of combo boxes: items with
// text and data, single, multiple and extended selection, sorting, fixed
// owner drawing, keyboard navigation, scrolling and LBN_* notifications.
#include "platform/kernel/Types.h"
#include "platform/user/Controls.h"

namespace plat {

constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOREDRAW = 0x0004;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_USETABSTOPS = 0x0080;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
constexpr DWORD LBS_WANTKEYBOARDINPUT = 0x0400;
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
constexpr DWORD LBS_DISABLENOSCROLL = 0x1000;
constexpr DWORD LBS_NODATA = 0x2000;
constexpr DWORD LBS_NOSEL = 0x4000;
constexpr DWORD LBS_COMBOBOX = 0x8000;
constexpr DWORD LBS_STANDARD =
    LBS_NOTIFY | LBS_SORT | 0x00200000 /* WS_VSCROLL */ | 0x00800000 /* WS_BORDER */;

constexpr UINT LB_ADDSTRING = 0x0180;
constexpr UINT LB_INSERTSTRING = 0x0181;
constexpr UINT LB_DELETESTRING = 0x0182;
constexpr UINT LB_SELITEMRANGEEX = 0x0183;
constexpr UINT LB_RESETCONTENT = 0x0184;
constexpr UINT LB_SETSEL = 0x0185;
constexpr UINT LB_SETCURSEL = 0x0186;
constexpr UINT LB_GETSEL = 0x0187;
constexpr UINT LB_GETCURSEL = 0x0188;
constexpr UINT LB_GETTEXT = 0x0189;
constexpr UINT LB_GETTEXTLEN = 0x018A;
constexpr UINT LB_GETCOUNT = 0x018B;
constexpr UINT LB_SELECTSTRING = 0x018C;
constexpr UINT LB_GETTOPINDEX = 0x018E;
constexpr UINT LB_FINDSTRING = 0x018F;
constexpr UINT LB_GETSELCOUNT = 0x0190;
constexpr UINT LB_GETSELITEMS = 0x0191;
constexpr UINT LB_SETTOPINDEX = 0x0197;
constexpr UINT LB_GETITEMRECT = 0x0198;
constexpr UINT LB_GETITEMDATA = 0x0199;
constexpr UINT LB_SETITEMDATA = 0x019A;
constexpr UINT LB_SELITEMRANGE = 0x019B;
constexpr UINT LB_SETANCHORINDEX = 0x019C;
constexpr UINT LB_GETANCHORINDEX = 0x019D;
constexpr UINT LB_SETCARETINDEX = 0x019E;
constexpr UINT LB_GETCARETINDEX = 0x019F;
constexpr UINT LB_SETITEMHEIGHT = 0x01A0;
constexpr UINT LB_GETITEMHEIGHT = 0x01A1;
constexpr UINT LB_FINDSTRINGEXACT = 0x01A2;
constexpr UINT LB_ITEMFROMPOINT = 0x01A9;

constexpr LRESULT LB_OKAY = 0;
constexpr LRESULT LB_ERR = -1;
constexpr LRESULT LB_ERRSPACE = -2;

constexpr WORD LBN_ERRSPACE = static_cast<WORD>(-2);
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD LBN_SELCANCEL = 3;
constexpr WORD LBN_SETFOCUS = 4;
constexpr WORD LBN_KILLFOCUS = 5;

}  // namespace plat

namespace plat::user {

bool RegisterListBoxClasses();

// Between a combo box and its list. kListStartTrack: the list takes the
// mouse (wParam: ignore the first release outside the list); kListEndTrack:
// it lets go. The list answers with kComboListDone sent to the combo box
// (wParam TRUE: an item was chosen, FALSE: cancelled).
constexpr UINT kListSetCombo = 0x01AD;
constexpr UINT kListStartTrack = 0x01AE;
constexpr UINT kListEndTrack = 0x01AF;
constexpr UINT kComboListDone = 0x01B0;

}  // namespace plat::user
