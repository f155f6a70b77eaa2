#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "UserTestSupport.h"
#include "platform/backend/Backend.h"
#include "platform/backend/HeadlessBackend.h"
#include "platform/gdi/Colors.h"
#include "platform/kernel/Modules.h"
#include "platform/kernel/Resources.h"
#include "platform/user/Controls.h"
#include "platform/user/Geometry.h"
#include "platform/user/Icon.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/NonClient.h"
#include "platform/user/Paint.h"
#include "platform/user/Screen.h"

using namespace plat;

namespace {

void Put16(std::vector<BYTE>& out, uint32_t v) {
  out.push_back(static_cast<BYTE>(v));
  out.push_back(static_cast<BYTE>(v >> 8));
}
void Put32(std::vector<BYTE>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// One image of an icon file: 32-bit without alpha (the mask decides) or
// 1-bit black and white. `opaque(x, y)` clears the mask bit, `colour(x, y)`
// gives 0x00RRGGBB (1-bit: non-zero is white).
struct ImageSpec {
  int size;
  int bits;
  std::function<bool(int, int)> opaque;
  std::function<uint32_t(int, int)> colour;
};

std::vector<BYTE> IconFile(const std::vector<ImageSpec>& images) {
  std::vector<std::vector<BYTE>> bodies;
  for (const ImageSpec& spec : images) {
    std::vector<BYTE> body;
    Put32(body, 40);
    Put32(body, static_cast<uint32_t>(spec.size));
    Put32(body, static_cast<uint32_t>(spec.size * 2));
    Put16(body, 1);
    Put16(body, static_cast<uint32_t>(spec.bits));
    for (int i = 0; i < 6; ++i) Put32(body, 0);
    if (spec.bits == 1) {
      Put32(body, 0x00000000);
      Put32(body, 0x00FFFFFF);
    }
    const size_t xor_stride = (static_cast<size_t>(spec.size) * spec.bits + 31) / 32 * 4;
    const size_t and_stride = (static_cast<size_t>(spec.size) + 31) / 32 * 4;
    for (int row = spec.size - 1; row >= 0; --row) {
      std::vector<BYTE> line(xor_stride, 0);
      for (int x = 0; x < spec.size; ++x) {
        const uint32_t c = spec.colour(x, row);
        if (spec.bits == 32) {
          line[x * 4] = static_cast<BYTE>(c);
          line[x * 4 + 1] = static_cast<BYTE>(c >> 8);
          line[x * 4 + 2] = static_cast<BYTE>(c >> 16);
        } else if (c) {
          line[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        }
      }
      body.insert(body.end(), line.begin(), line.end());
    }
    for (int row = spec.size - 1; row >= 0; --row) {
      std::vector<BYTE> line(and_stride, 0);
      for (int x = 0; x < spec.size; ++x)
        if (!spec.opaque(x, row)) line[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
      body.insert(body.end(), line.begin(), line.end());
    }
    bodies.push_back(std::move(body));
  }
  std::vector<BYTE> file;
  Put16(file, 0);
  Put16(file, 1);
  Put16(file, static_cast<uint32_t>(images.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
  for (size_t i = 0; i < images.size(); ++i) {
    file.push_back(static_cast<BYTE>(images[i].size));
    file.push_back(static_cast<BYTE>(images[i].size));
    file.push_back(0);
    file.push_back(0);
    Put16(file, 1);
    Put16(file, static_cast<uint32_t>(images[i].bits));
    Put32(file, static_cast<uint32_t>(bodies[i].size()));
    Put32(file, offset);
    offset += static_cast<uint32_t>(bodies[i].size());
  }
  for (const auto& body : bodies) file.insert(file.end(), body.begin(), body.end());
  return file;
}

// A red square with a clear border of a quarter of the side; 16 and 32 pixels.
std::vector<BYTE> RedSquareIcon() {
  auto inside = [](int size) {
    return [size](int x, int y) {
      return x >= size / 4 && x < size - size / 4 && y >= size / 4 && y < size - size / 4;
    };
  };
  return IconFile({ImageSpec{16, 32, inside(16), [](int, int) { return 0x00FF0000u; }},
                   ImageSpec{32, 32, inside(32), [](int, int) { return 0x00FF0000u; }}});
}

class Icons : public ::testing::Test {
 protected:
  void SetUp() override {
    file_ = RedSquareIcon();
    entries_[0] = ResourceEntry{ResourceKey{RT_ICON_ID, nullptr}, ResourceKey{0, "APPICON"}, file_.data(),
                                static_cast<DWORD>(file_.size())};
    RegisterBuiltinModule("iconfixture", {});
    module_ = LoadLibraryA("iconfixture.dll");
    ASSERT_NE(module_, nullptr);
    RegisterResourceTable(module_, table_);
  }
  void TearDown() override {
    UnregisterResourceTable(module_, table_);
    FreeLibrary(module_);
  }

  // A memory DC over a 40 x 40 surface filled with `background`.
  struct Canvas {
    explicit Canvas(COLORREF background) {
      dc = CreateCompatibleDC(nullptr);
      BITMAPINFO info;
      info.bmiHeader.biWidth = 40;
      info.bmiHeader.biHeight = -40;
      info.bmiHeader.biBitCount = 32;
      bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
      old = SelectObject(dc, bitmap);
      HBRUSH brush = CreateSolidBrush(background);
      const RECT all{0, 0, 40, 40};
      FillRect(dc, &all, brush);
      DeleteObject(brush);
    }
    ~Canvas() {
      SelectObject(dc, old);
      DeleteObject(bitmap);
      DeleteDC(dc);
    }
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y); }
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ old;
  };

  std::vector<BYTE> file_;
  ResourceEntry entries_[1];
  const ResourceTable table_{entries_, 1};
  HMODULE module_ = nullptr;
};

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

TEST_F(Icons, DecoderPicksTheNearestSizeAndRefusesBrokenFiles) {
  const std::vector<BYTE> good = RedSquareIcon();
  // A damaged image is passed over for the next nearest.
  std::vector<BYTE> damaged = good;
  damaged.resize(damaged.size() - 10);
  ASSERT_TRUE(user::DecodeIconFile(damaged.data(), damaged.size(), 32, 32));
  EXPECT_EQ(user::DecodeIconFile(damaged.data(), damaged.size(), 32, 32)->width, 16);
  for (int want : {8, 16, 20, 30, 48}) {
    auto image = user::DecodeIconFile(good.data(), good.size(), want, want);
    ASSERT_TRUE(image) << want;
    EXPECT_EQ(image->width, want <= 23 ? 16 : 32) << want;
    EXPECT_EQ(image->pixels[0], 0u) << "the border is clear";
    EXPECT_EQ(image->pixels[static_cast<size_t>(image->width / 2) * image->width + image->width / 2],
              0xFFFF0000u);
  }
  // A 1-bit image: white where the colour bit is set, black elsewhere.
  const std::vector<BYTE> mono =
      IconFile({ImageSpec{8, 1, [](int, int) { return true; }, [](int x, int) { return x < 4 ? 1u : 0u; }}});
  auto image = user::DecodeIconFile(mono.data(), mono.size(), 32, 32);
  ASSERT_TRUE(image);
  EXPECT_EQ(image->pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(image->pixels[7], 0xFF000000u);

  struct Broken {
    const char* what;
    std::function<void(std::vector<BYTE>&)> spoil;
  };
  const Broken cases[] = {
      {"cut short inside the first image", [](std::vector<BYTE>& f) { f.resize(38 + 60); }},
      {"no images", [](std::vector<BYTE>& f) { f[4] = f[5] = 0; }},
      {"a cursor file", [](std::vector<BYTE>& f) { f[2] = 2; }},
      {"offsets past the end", [](std::vector<BYTE>& f) { f[6 + 12 + 3] = f[6 + 16 + 12 + 3] = 0x7F; }},
      {"16-bit images", [](std::vector<BYTE>& f) { f[38 + 14] = f[38 + 1128 + 14] = 16; }},
      {"directory longer than the file", [](std::vector<BYTE>& f) { f[5] = 0x10; }},
  };
  for (const Broken& c : cases) {
    std::vector<BYTE> f = good;
    c.spoil(f);
    EXPECT_FALSE(user::DecodeIconFile(f.data(), f.size(), 32, 32)) << c.what;
  }
  EXPECT_FALSE(user::DecodeIconFile(nullptr, 0, 32, 32));
}

TEST_F(Icons, LoadedIconsAreSharedAndImagesAreNot) {
  HICON icon = LoadIconA(module_, "appicon");
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconA(module_, "APPICON"), icon);
  EXPECT_EQ(user::IconPicture(icon)->width, GetSystemMetrics(SM_CXICON));
  EXPECT_TRUE(DestroyIcon(icon));
  EXPECT_TRUE(user::IconPicture(icon)) << "a shared icon stays";
  EXPECT_EQ(LoadIconA(module_, "MISSING"), nullptr);

  HICON small = static_cast<HICON>(LoadImageA(module_, "APPICON", IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(small, nullptr);
  EXPECT_NE(small, LoadImageA(module_, "APPICON", IMAGE_ICON, 16, 16, 0));
  EXPECT_EQ(user::IconPicture(small)->width, 16);
  EXPECT_TRUE(DestroyIcon(small));
  EXPECT_FALSE(user::IconPicture(small));
  EXPECT_FALSE(DestroyIcon(small));

  HICON system = LoadIconA(nullptr, IDI_APPLICATION);
  ASSERT_NE(system, nullptr);
  EXPECT_EQ(LoadIconA(nullptr, IDI_APPLICATION), system);
  EXPECT_NE(LoadIconA(nullptr, IDI_ERROR), system);
  EXPECT_EQ(LoadIconA(nullptr, MAKEINTRESOURCEA(1)), nullptr);
}

TEST_F(Icons, DrawingKeepsWhatIsBelowTheClearParts) {
  HICON icon = static_cast<HICON>(LoadImageA(module_, "APPICON", IMAGE_ICON, 16, 16, 0));
  struct Case {
    const char* what;
    int cx;
    UINT flags;
    int red_from, red_to;  // the red square's columns and rows
    COLORREF corner;       // what the icon's clear corner shows
  };
  const Case cases[] = {
      {"own size", 0, DI_NORMAL, 4, 12, kBlue},
      {"doubled", 32, DI_NORMAL, 8, 24, kBlue},
      {"default size", 0, DI_NORMAL | DI_DEFAULTSIZE, 8, 24, kBlue},
      {"mask only", 16, DI_MASK, -1, -1, RGB(255, 255, 255)},
      {"image only", 16, DI_IMAGE, 4, 12, RGB(0, 0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Canvas canvas(kBlue);
    ASSERT_TRUE(DrawIconEx(canvas.dc, 2, 2, icon, c.cx, c.cx, 0, nullptr, c.flags));
    EXPECT_EQ(canvas.At(2, 2), c.corner);
    if (c.red_from >= 0) {
      EXPECT_EQ(canvas.At(2 + c.red_from, 2 + c.red_from), kRed);
      EXPECT_EQ(canvas.At(2 + c.red_to - 1, 2 + c.red_to - 1), kRed);
      EXPECT_NE(canvas.At(2 + c.red_to, 2 + c.red_to), kRed);
    } else {
      EXPECT_EQ(canvas.At(10, 10), RGB(0, 0, 0));
    }
    EXPECT_EQ(canvas.At(1, 1), kBlue) << "nothing outside the icon's rectangle";
  }
  // A flicker-free brush paints the clear parts.
  Canvas canvas(kBlue);
  HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
  DrawIconEx(canvas.dc, 0, 0, icon, 16, 16, 0, green, DI_NORMAL);
  DeleteObject(green);
  EXPECT_EQ(canvas.At(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(canvas.At(8, 8), kRed);
  EXPECT_FALSE(DrawIconEx(canvas.dc, 0, 0, nullptr, 16, 16, 0, nullptr, DI_NORMAL));
  DestroyIcon(icon);
}

TEST_F(Icons, BitmapsMakeIconsAndIconsGiveTheirBitmapsBack) {
  HICON icon = static_cast<HICON>(LoadImageA(module_, "APPICON", IMAGE_ICON, 16, 16, 0));
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(icon, &info));
  HICON again = CreateIconIndirect(&info);
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(user::IconPicture(again)->pixels, user::IconPicture(icon)->pixels);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);

  // A monochrome icon: the AND half above the XOR half.
  BYTE planes[16 * 2] = {};
  for (int row = 0; row < 8; ++row) planes[row * 2] = 0xF0;   // AND: left half keeps the screen
  for (int row = 8; row < 16; ++row) planes[row * 2] = 0x0F;  // XOR: right half white
  ICONINFO mono;
  mono.hbmMask = CreateBitmap(8, 16, 1, 1, planes);
  HICON two_tone = CreateIconIndirect(&mono);
  ASSERT_NE(two_tone, nullptr);
  auto picture = user::IconPicture(two_tone);
  EXPECT_EQ(picture->height, 8);
  EXPECT_EQ(picture->pixels[0], 0u);
  EXPECT_EQ(picture->pixels[7], 0xFFFFFFFFu);
  DeleteObject(mono.hbmMask);

  HICON copy = static_cast<HICON>(CopyImage(icon, IMAGE_ICON, 32, 32, LR_COPYDELETEORG));
  EXPECT_EQ(user::IconPicture(copy)->width, 32);
  EXPECT_FALSE(user::IconPicture(icon)) << "the original went with the copy";
  ICONINFO none;
  EXPECT_EQ(CreateIconIndirect(&none), nullptr);
  for (HICON h : {again, two_tone, copy}) DestroyIcon(h);
}

// A window keeps the icons it is given and shows the small one in its caption.
TEST_F(Icons, WindowIconsAndTheCaption) {
  auto* screen = dynamic_cast<backend::HeadlessBackend*>(&backend::Current());
  if (!screen) GTEST_SKIP() << "needs the headless backend";
  WNDCLASSA wc;
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "QuellixIconWindow";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND hwnd = CreateWindowExA(0, "QuellixIconWindow", "", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 50, 50, 240, 120,
                              nullptr, nullptr, nullptr, nullptr);
  HICON big = LoadIconA(module_, "APPICON");
  HICON small = static_cast<HICON>(LoadImageA(module_, "APPICON", IMAGE_ICON, 16, 16, 0));
  EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_SMALL2, 0), 0);
  EXPECT_EQ(SendMessageA(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big)), 0);
  EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_SMALL2, 0), reinterpret_cast<LRESULT>(big));
  EXPECT_EQ(SendMessageA(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small)), 0);
  EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_SMALL, 0), reinterpret_cast<LRESULT>(small));
  EXPECT_EQ(SendMessageA(hwnd, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(big));

  user::PumpBackendEvents(0);
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  const RECT place = WindowFrame::Of(hwnd).ButtonRect(HTSYSMENU);
  ASSERT_EQ(place.right - place.left, 16);
  auto shown = [&](int x, int y) { return screen->PresentedPixel(hwnd, place.left + x, place.top + y); };
  EXPECT_EQ(shown(8, 8), 0x00FF0000u);
  EXPECT_NE(shown(1, 1), 0x00FF0000u) << "the clear border shows the caption";
  DestroyWindow(hwnd);
  UnregisterClassA("QuellixIconWindow", nullptr);
  DestroyIcon(small);
}

}  // namespace
