#pragma once
// The off-screen canvas of the analysis displays: a canvas whose handle is a
// memory DC holding a bottom-up DIB section of 8 or 24 bits, with the 8-bit
// palette (static colours, a private palette, background colours and an
// animated block), an optional background picture rendered once into a second
// DIB, and the direct pixel primitives.
//
// The primitives work on one process-wide current-DIB state that a drawing
// pass publishes: DIB_InitDrawing takes DIBDrawLock and makes its canvas the
// current DIB, DIB_DoneDrawing ends the pass and leaves the lock. Passes are
// never nested; TDIBDrawingPass ends one on every path.
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"

namespace displays {

class EMMDIBError : public vcl::Exception {
 public:
  using Exception::Exception;
};

using vcl::TRect;

// Serialises every drawing pass of the program. Re-entrant for its owner
// thread, but a second pass on that thread is refused by DIB_InitDrawing.
std::recursive_mutex& DIBDrawLock();

// 8192 * sin(i degrees), rounded, for i = 0..359.
const std::array<int16_t, 360>& SineTable();

class TMMDIBCanvas : public vcl::TCanvas {
  VCL_DECLARE_CLASS(TMMDIBCanvas, vcl::TCanvas)
 public:
  // A new canvas already holds a 1 x 1 black 8-bit DIB.
  explicit TMMDIBCanvas(vcl::TComponent* owner);
  ~TMMDIBCanvas() override;

  vcl::TComponent* Owner() const { return owner_; }

  // Only 8 or 24; a change re-creates the DIB at once.
  int32_t BitsPerPixel() const { return bits_per_pixel_; }
  void SetBitsPerPixel(int32_t value);
  bool PaletteRealize() const { return palette_realize_; }
  void SetPaletteRealize(bool value);
  // Foreground palette in DrawToDC when true, background when false.
  bool PaletteMapped() const { return palette_mapped_; }
  void SetPaletteMapped(bool value);
  // Owned; takes a copy of the value (null empties it) and re-creates the DIB.
  vcl::TBitmap* BackGroundBitmap() const { return background_bitmap_.get(); }
  void SetBackGroundBitmap(vcl::TBitmap* value);
  bool StretchBackGround() const { return stretch_background_; }
  void SetStretchBackGround(bool value);
  int32_t Width() const { return width_; }
  void SetWidth(int32_t value) { SetBounds(0, 0, value, height_); }
  int32_t Height() const { return height_; }
  void SetHeight(int32_t value) { SetBounds(0, 0, width_, value); }

  // The position is ignored; a new size releases the handle and the DIB is
  // rebuilt by the next CheckDIB.
  virtual void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height);

  void CheckDIB();
  // Refused inside a drawing pass of this canvas.
  void RecreateDIB();
  // A copy of palette when it is a valid one (version 0x300 or more, at most
  // 256 entries), else none; the DIB is re-created in every case.
  void SetLogPalette(const plat::LOGPALETTE* palette);

  // Copies the DIB (from src_x, src_y) to dc at rect's top-left, rect.right by
  // rect.bottom pixels. Nothing without a handle or with dc 0.
  void DrawToDC(plat::HDC dc, const TRect& rect, int32_t src_x, int32_t src_y);

  // As DrawToDC, for a drawing pass onto the picture this canvas itself left
  // on the screen (see TScreenKept): only the rows that changed since are
  // copied. Anywhere else it is DrawToDC.
  void DrawChangesToDC(plat::HDC dc, const TRect& rect, int32_t src_x, int32_t src_y);
  // Tells the canvas that something else was drawn on the screen over this
  // area of the DIB (in DIB pixels) after the last copy: the next copy of
  // changes includes it.
  void ScreenDrawnOver(const TRect& area);

  // The pixel value of a colour in this DIB: RGB at 24 bits, the nearest
  // palette index at 8.
  int32_t ColorToDIB(vcl::TColor color);

  // The animated block of the palette (0..236 entries, ending at 246).
  int32_t AnimatedColorCount() const { return static_cast<int32_t>(animated_colors_.size()); }
  void SetAnimatedColorCount(int32_t value);
  int32_t AnimatedColorIndex(int32_t index) const { return first_animated_ + index; }
  void SetAnimatedColor(int32_t index, vcl::TColor color);
  // Between the outermost BeginAnimate and EndAnimate colour changes are
  // collected and written in one go.
  void BeginAnimate();
  void EndAnimate();

  // Opens a drawing pass on this canvas; refused while any pass is open on
  // the calling thread.
  void DIB_InitDrawing();
  // Closes the pass this canvas opened; nothing when it opened none.
  void DIB_DoneDrawing();
  bool Drawing() const { return !idle_; }

  plat::HPALETTE Palette() const { return palette_; }
  uint8_t* PixelBits() const { return pixel_bits_; }
  // Null without a background picture.
  uint8_t* BackGroundBits() const { return background_bits_; }
  TRect ClipRect() const { return clip_rect_; }

  // ---- the current colour of the pass ----
  void DIB_SetTColor(vcl::TColor color);
  static void DIB_SetColor(int32_t value);

  // ---- primitives on the current DIB; they never raise or allocate ----
  static void DIB_SetPixel(int32_t x, int32_t y, int32_t color);
  // -1 outside the DIB.
  static int32_t DIB_GetPixel(int32_t x, int32_t y);
  static void DIB_MoveTo(int32_t x, int32_t y);
  static void DIB_LineTo(int32_t x, int32_t y);
  static void DIB_Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  static void DIB_XorLine(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  static void DIB_HLine(int32_t x1, int32_t x2, int32_t y);
  static void DIB_HLineDashed(int32_t x1, int32_t x2, int32_t y);
  static void DIB_HLineDotted(int32_t x1, int32_t x2, int32_t y, int32_t gap);
  static void DIB_VLine(int32_t x, int32_t y1, int32_t y2);
  static void DIB_VLineDashed(int32_t x, int32_t y1, int32_t y2);
  static void DIB_VLineDotted(int32_t x, int32_t y1, int32_t y2, int32_t gap);
  static void DIB_XorVLine(int32_t x, int32_t y1, int32_t y2);
  static void DIB_XorNotVLine(int32_t x, int32_t y1, int32_t y2);
  static void DIB_PutColumn(int32_t x, int32_t y, const uint8_t* data, int32_t count);
  static void DIB_FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  static void DIB_FillRect(const TRect& rect);
  static void DIB_XorRect(const TRect& rect);
  static void DIB_FillRectDotted(const TRect& rect, bool dotted);
  // A column of spots, spot 1 at the bottom: spot n covers the columns
  // [left, right) and the rows [bottom - (n - 1) * pitch - height,
  // bottom - (n - 1) * pitch), in colors[0] up to spot zone1, colors[1] up to
  // zone2 and colors[2] above; each spot filled as DIB_FillRectDotted would.
  struct TSpotColumn {
    int32_t left = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t height = 1;
    int32_t pitch = 1;
    int32_t zone1 = 0;
    int32_t zone2 = 0;
    std::array<int32_t, 3> colors{};
    bool dotted = false;
  };
  // Spots first..last of the column; the current colour is left at the
  // colour of the last spot drawn.
  static void DIB_FillSpots(const TSpotColumn& column, int32_t first, int32_t last);
  static void DIB_Clear();
  // src_bits has the current DIB's geometry and may be its own bits.
  static void DIB_CopyRect(const uint8_t* src_bits, int32_t dst_x, int32_t dst_y, int32_t width,
                           int32_t height, int32_t src_x, int32_t src_y);
  static void DIB_Arc(int32_t cx, int32_t cy, int32_t start_angle, int32_t end_angle, int32_t rx, int32_t ry);
  static void DIB_FillEllipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry);

 protected:
  void CreateHandle() override;

 private:
  void FreeDIB();
  void CreateDIB();
  // Copies the rows of the area that differ from the copy the screen holds,
  // in bands, and keeps them as the new copy. False when there is no such
  // copy of this area on this DC's window to compare with.
  bool CopyChangedRows(plat::HDC dc, const TRect& rect, int32_t src_x, int32_t src_y);
  void KeepScreenCopy(plat::HDC dc, const TRect& rect, int32_t src_x, int32_t src_y);
  void BackGroundChanged(vcl::TObject* sender);
  [[noreturn]] void RaiseDrawingError() const;

  vcl::TComponent* owner_;
  plat::HDC memory_dc_ = nullptr;
  int32_t bits_per_pixel_ = 8;
  plat::HGDIOBJ previous_bitmap_ = nullptr;
  plat::HBITMAP dib_section_ = nullptr;
  plat::HBITMAP background_section_ = nullptr;
  plat::BITMAPINFO* header_ = nullptr;
  plat::HPALETTE palette_ = nullptr;
  plat::LOGPALETTE* private_palette_ = nullptr;
  bool palette_realize_ = false;
  bool palette_mapped_ = false;
  uint8_t* pixel_bits_ = nullptr;
  uint8_t* background_bits_ = nullptr;
  int32_t width_ = 1;
  int32_t height_ = 1;
  TRect clip_rect_{0, 0, 1, 1};
  std::unique_ptr<vcl::TBitmap> background_bitmap_;
  bool stretch_background_ = true;
  bool recreate_pending_ = false;
  bool idle_ = true;
  int32_t first_animated_ = 256;
  std::vector<plat::COLORREF> animated_colors_;
  int32_t animate_nesting_ = 0;
  // Sized when the DIB is made, so a batch per refresh allocates nothing.
  std::vector<plat::COLORREF> pending_colors_;
  int32_t requested_animated_ = 0;
  // The bytes of the area the last drawing pass copied to the screen, and
  // where it went; anything else that puts the picture on the screen, or
  // changes what its bytes look like, drops it.
  struct TScreenCopy {
    bool valid = false;
    plat::HWND window = nullptr;
    plat::POINT origin{};
    TRect rect{};
    int32_t src_x = 0;
    int32_t src_y = 0;
    std::vector<uint8_t> bytes;
    // In DIB pixels; copied again whether it changed or not.
    TRect drawn_over{};
  };
  TScreenCopy screen_copy_;
};

// Marks, for its thread and its lifetime, that `canvas` draws on `dc` onto
// what the canvas last put on the screen: nothing else has painted there
// since, as when a display draws at once instead of painting after an erase.
class TScreenKept {
 public:
  TScreenKept(const TMMDIBCanvas* canvas, plat::HDC dc);
  ~TScreenKept();
  TScreenKept(const TScreenKept&) = delete;
  TScreenKept& operator=(const TScreenKept&) = delete;

 private:
  const TMMDIBCanvas* canvas_;
  plat::HDC dc_;
};

// Holds a drawing pass for a scope: DIB_InitDrawing now, DIB_DoneDrawing on
// every way out, so an exception inside the pass does not keep DIBDrawLock.
class TDIBDrawingPass {
 public:
  explicit TDIBDrawingPass(TMMDIBCanvas& canvas) : canvas_(canvas) { canvas_.DIB_InitDrawing(); }
  ~TDIBDrawingPass() { canvas_.DIB_DoneDrawing(); }
  TDIBDrawingPass(const TDIBDrawingPass&) = delete;
  TDIBDrawingPass& operator=(const TDIBDrawingPass&) = delete;

 private:
  TMMDIBCanvas& canvas_;
};

}  // namespace displays
