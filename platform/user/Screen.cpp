#include "platform/user/Screen.h"

#include <cstring>

#include "platform/backend/Backend.h"
#include "platform/kernel/Errors.h"

namespace plat {

namespace user {

SIZE ScreenSize() {
  SIZE size = backend::Current().ScreenSize();
  if (size.cx <= 0 || size.cy <= 0) size = SIZE{1024, 768};
  return size;
}

RECT WorkArea() {
  RECT area = backend::Current().WorkArea();
  if (area.right <= area.left || area.bottom <= area.top) {
    const SIZE size = ScreenSize();
    area = RECT{0, 0, size.cx, size.cy};
  }
  return area;
}

LOGFONTA CaptionLogFont(bool small_caption) {
  LOGFONTA font;
  font.lfHeight = small_caption ? -11 : -11;
  font.lfWeight = small_caption ? 400 : 700;
  std::strcpy(font.lfFaceName, "MS Sans Serif");
  return font;
}

}  // namespace user

int GetSystemMetrics(int index) {
  switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
      return user::ScreenSize().cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
      return user::ScreenSize().cy;
    case SM_CXFULLSCREEN: {
      const RECT area = user::WorkArea();
      return area.right - area.left;
    }
    case SM_CYFULLSCREEN: {
      const RECT area = user::WorkArea();
      return area.bottom - area.top - 19;
    }
    case SM_CXMAXIMIZED: {
      const RECT area = user::WorkArea();
      return area.right - area.left;
    }
    case SM_CYMAXIMIZED: {
      const RECT area = user::WorkArea();
      return area.bottom - area.top;
    }
    case SM_CXMAXTRACK:
      return user::ScreenSize().cx + 12;
    case SM_CYMAXTRACK:
      return user::ScreenSize().cy + 12;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CXSMICON:
    case SM_CYSMICON:
      return 16;
    case SM_CYCAPTION:
    case SM_CYMENU:
      return 19;
    case SM_CXBORDER:
    case SM_CYBORDER:
    case SM_CXFOCUSBORDER:
    case SM_CYFOCUSBORDER:
    case SM_MOUSEPRESENT:
    case SM_MOUSEWHEELPRESENT:
    case SM_CMONITORS:
    case SM_SAMEDISPLAYFORMAT:
    case SM_SHOWSOUNDS:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return 32;
    case SM_CXMIN:
    case SM_CXMINTRACK:
      return 112;
    case SM_CYMIN:
    case SM_CYMINTRACK:
      return 27;
    case SM_CXSIZE:
    case SM_CYSIZE:
    case SM_CXMENUSIZE:
    case SM_CYMENUSIZE:
      return 18;
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_CXICONSPACING:
    case SM_CYICONSPACING:
      return 75;
    case SM_CMOUSEBUTTONS:
      return 3;
    case SM_CXEDGE:
    case SM_CYEDGE:
      return 2;
    case SM_CXMINSPACING:
    case SM_CXMINIMIZED:
      return 160;
    case SM_CYMINSPACING:
    case SM_CYMINIMIZED:
      return 24;
    case SM_CYSMCAPTION:
      return 15;
    case SM_CXSMSIZE:
      return 12;
    case SM_CYSMSIZE:
      return 14;
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return 13;
    case SM_ARRANGE:
      return 8;  // ARW_HIDE
    case SM_NETWORK:
      return 3;
    default:
      return 0;
  }
}

BOOL SystemParametersInfoA(UINT action, UINT, void* pv, UINT) {
  if (!pv) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  switch (action) {
    case SPI_GETWORKAREA:
      *static_cast<RECT*>(pv) = user::WorkArea();
      return TRUE;
    case SPI_GETDRAGFULLWINDOWS:
      *static_cast<BOOL*>(pv) = TRUE;
      return TRUE;
    case SPI_GETNONCLIENTMETRICS: {
      auto* out = static_cast<NONCLIENTMETRICSA*>(pv);
      const UINT size = out->cbSize;
      if (size < sizeof(NONCLIENTMETRICSA)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
      }
      std::memset(static_cast<BYTE*>(pv) + sizeof(NONCLIENTMETRICSA), 0, size - sizeof(NONCLIENTMETRICSA));
      NONCLIENTMETRICSA metrics;
      metrics.cbSize = size;
      metrics.iBorderWidth = 1;
      metrics.iScrollWidth = GetSystemMetrics(SM_CXVSCROLL);
      metrics.iScrollHeight = GetSystemMetrics(SM_CYHSCROLL);
      metrics.iCaptionWidth = GetSystemMetrics(SM_CXSIZE);
      metrics.iCaptionHeight = GetSystemMetrics(SM_CYSIZE);
      metrics.lfCaptionFont = user::CaptionLogFont(false);
      metrics.iSmCaptionWidth = GetSystemMetrics(SM_CXSMSIZE);
      metrics.iSmCaptionHeight = GetSystemMetrics(SM_CYSMSIZE);
      metrics.lfSmCaptionFont = user::CaptionLogFont(true);
      metrics.iMenuWidth = GetSystemMetrics(SM_CXMENUSIZE);
      metrics.iMenuHeight = GetSystemMetrics(SM_CYMENUSIZE);
      LOGFONTA plain = user::CaptionLogFont(true);
      metrics.lfMenuFont = plain;
      metrics.lfStatusFont = plain;
      metrics.lfMessageFont = plain;
      std::memcpy(pv, &metrics, sizeof metrics);
      return TRUE;
    }
    default:
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
  }
}

}  // namespace plat
