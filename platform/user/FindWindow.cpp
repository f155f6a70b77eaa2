#include "platform/user/FindWindow.h"

#include <strings.h>

#include "platform/user/Geometry.h"
#include "platform/user/Window.h"

namespace plat {

namespace {
bool Matches(HWND hwnd, const char* class_name, const char* window_name) {
  char text[256];
  if (class_name) {
    GetClassNameA(hwnd, text, sizeof text);
    if (strcasecmp(text, class_name) != 0) return false;
  }
  if (window_name) {
    GetWindowTextA(hwnd, text, sizeof text);
    if (strcasecmp(text, window_name) != 0) return false;
  }
  return true;
}
}  // namespace

HWND FindWindowExA(HWND parent, HWND child_after, const char* class_name, const char* window_name) {
  HWND hwnd = child_after ? GetWindow(child_after, GW_HWNDNEXT)
              : parent    ? GetWindow(parent, GW_CHILD)
                          : GetTopWindow(nullptr);
  for (; hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT))
    if (Matches(hwnd, class_name, window_name)) return hwnd;
  return nullptr;
}

HWND FindWindowA(const char* class_name, const char* window_name) {
  return FindWindowExA(nullptr, nullptr, class_name, window_name);
}

}  // namespace plat
