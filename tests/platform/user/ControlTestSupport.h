#pragma once
// A visible top-level parent for the standard controls, recording what the
// controls tell it (WM_COMMAND, WM_HSCROLL, WM_VSCROLL, owner drawing), and
// pixel reads of what a control paints through WM_PRINTCLIENT.
#include <gtest/gtest.h>

#include <vector>

#include "UserTestSupport.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Gdi.h"
#include "platform/kernel/Clock.h"
#include "platform/user/Controls.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Paint.h"

namespace usertest {

struct Notice {
  plat::UINT message;
  plat::WORD code;   // high word of wParam for WM_COMMAND, low word for scrolling
  plat::WORD extra;  // the other word
  plat::HWND from;
  bool operator==(const Notice&) const = default;
};

class ControlTest : public RecordingClass {
 protected:
  void SetUp() override {
    RecordingClass::SetUp();
    ASSERT_TRUE(plat::RegisterStandardControls());
    on_message_ = [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam,
                         plat::LRESULT* result) {
      if (hwnd != parent_) return false;
      if (message == plat::WM_COMMAND)
        notices_.push_back(
            {message, plat::HIWORD(wparam), plat::LOWORD(wparam), reinterpret_cast<plat::HWND>(lparam)});
      if (message == plat::WM_VSCROLL || message == plat::WM_HSCROLL)
        notices_.push_back(
            {message, plat::LOWORD(wparam), plat::HIWORD(wparam), reinterpret_cast<plat::HWND>(lparam)});
      if (on_parent_) return on_parent_(message, wparam, lparam, result);
      return false;
    };
    parent_ = plat::CreateWindowExA(0, kClass, "", plat::WS_POPUP | plat::WS_VISIBLE, 100, 100, 400, 300,
                                    nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    if (plat::GetCapture()) plat::ReleaseCapture();
    if (parent_) plat::DestroyWindow(parent_);
    RecordingClass::TearDown();
  }

  plat::HWND Child(const char* class_name, const char* text, plat::DWORD style, int x, int y, int w, int h,
                   int id = 100) {
    plat::HWND hwnd = plat::CreateWindowExA(
        0, class_name, text, plat::WS_CHILD | plat::WS_VISIBLE | style, x, y, w, h, parent_,
        reinterpret_cast<plat::HMENU>(static_cast<intptr_t>(id)), nullptr, nullptr);
    EXPECT_NE(hwnd, nullptr);
    return hwnd;
  }

  std::vector<Notice> Commands() const {
    std::vector<Notice> only;
    for (const Notice& n : notices_)
      if (n.message == plat::WM_COMMAND) only.push_back(n);
    return only;
  }
  std::vector<plat::WORD> ScrollCodes() const {
    std::vector<plat::WORD> codes;
    for (const Notice& n : notices_)
      if (n.message == plat::WM_VSCROLL || n.message == plat::WM_HSCROLL) codes.push_back(n.code);
    return codes;
  }

  static plat::LPARAM At(int x, int y) {
    return plat::MAKELPARAM(static_cast<plat::WORD>(x), static_cast<plat::WORD>(y));
  }
  static void Click(plat::HWND hwnd, int x, int y) {
    plat::SendMessageA(hwnd, plat::WM_LBUTTONDOWN, plat::MK_LBUTTON, At(x, y));
    plat::SendMessageA(hwnd, plat::WM_LBUTTONUP, 0, At(x, y));
  }
  static void Key(plat::HWND hwnd, int vk) {
    plat::SendMessageA(hwnd, plat::WM_KEYDOWN, static_cast<plat::WPARAM>(vk), 1);
    plat::SendMessageA(hwnd, plat::WM_KEYUP, static_cast<plat::WPARAM>(vk),
                       static_cast<plat::LPARAM>(0xC0000001u));
  }
  static void Type(plat::HWND hwnd, const char* text) {
    for (const char* c = text; *c; ++c)
      plat::SendMessageA(hwnd, plat::WM_CHAR, static_cast<plat::WPARAM>(static_cast<unsigned char>(*c)), 1);
  }

  // What the control paints, read back from a 24-bit bitmap of its client size.
  class Snapshot {
   public:
    explicit Snapshot(plat::HWND hwnd) {
      plat::RECT r;
      plat::GetClientRect(hwnd, &r);
      dc_ = plat::CreateCompatibleDC(nullptr);
      plat::BITMAPINFO info{};
      info.bmiHeader.biWidth = r.right;
      info.bmiHeader.biHeight = -r.bottom;
      info.bmiHeader.biBitCount = 24;
      void* bits = nullptr;
      bitmap_ = plat::CreateDIBSection(dc_, &info, plat::DIB_RGB_COLORS, &bits, nullptr, 0);
      old_ = plat::SelectObject(dc_, bitmap_);
      plat::SendMessageA(hwnd, plat::WM_PRINTCLIENT, reinterpret_cast<plat::WPARAM>(dc_), plat::PRF_CLIENT);
    }
    ~Snapshot() {
      plat::SelectObject(dc_, old_);
      plat::DeleteObject(bitmap_);
      plat::DeleteDC(dc_);
    }
    plat::COLORREF At(int x, int y) const { return plat::GetPixel(dc_, x, y); }

   private:
    plat::HDC dc_ = nullptr;
    plat::HBITMAP bitmap_ = nullptr;
    plat::HGDIOBJ old_ = nullptr;
  };

  plat::HWND parent_ = nullptr;
  std::vector<Notice> notices_;
  std::function<bool(plat::UINT, plat::WPARAM, plat::LPARAM, plat::LRESULT*)> on_parent_;
};

}  // namespace usertest
