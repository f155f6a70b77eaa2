#pragma once
// Device contexts. A DC draws into one surface: the bitmap selected into a
// memory DC, or a surface handed over by the window system (CreateDCForSurface).
//
// Coordinates: logical (what callers pass) -> device (logical - window origin +
// viewport origin) -> surface (device + the DC's origin on the surface). Clip
// regions set by callers are in device coordinates, as callers expect; the
// window system's visible region is in device coordinates too.
//
// The text unit builds on this header: it reads the selected font and the text
// attributes from State(), converts points with ToSurface, and puts glyphs on
// the surface with BlendCoverage/BlendMono and FillSurfaceRect, which clip.
// Hold GdiLock while using a DeviceContext.
#include <algorithm>
#include <array>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/GdiObjects.h"
#include "platform/gdi/Region.h"
#include "platform/gdi/Surface.h"

namespace plat {

// What SaveDC saves and RestoreDC brings back.
struct DCState {
  HBITMAP bitmap = nullptr;
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  HPALETTE palette = nullptr;
  COLORREF text_color = RGB(0, 0, 0);
  COLORREF bk_color = RGB(255, 255, 255);
  int bk_mode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int stretch_mode = BLACKONWHITE;
  UINT text_align = TA_LEFT | TA_TOP | TA_NOUPDATECP;
  int poly_fill_mode = ALTERNATE;
  int arc_direction = AD_COUNTERCLOCKWISE;
  int map_mode = MM_TEXT;
  int text_char_extra = 0;
  COLORREF dc_brush_color = RGB(255, 255, 255);
  COLORREF dc_pen_color = RGB(0, 0, 0);
  POINT viewport_org;
  POINT window_org;
  POINT brush_org;
  POINT current_pos;  // logical
  bool has_clip = false;
  Region clip;  // device coordinates; meaningful when has_clip
};

class DeviceContext {
 public:
  enum class Kind { Memory, Surface };

  DeviceContext(Kind kind, HDC handle) : kind_(kind), handle_(handle) {}

  Kind GetKind() const { return kind_; }
  HDC Handle() const { return handle_; }
  DCState& State() { return state_; }
  const DCState& State() const { return state_; }
  std::vector<DCState>& Saved() { return saved_; }

  // The surface drawn into, or null (a memory DC always has its bitmap).
  Surface* GetSurface() const;
  // Memory DCs: the bits per pixel a compatible bitmap gets from the device the
  // DC was made for (32 for the screen).
  int DeviceBits() const;

  POINT ToDevice(POINT logical) const;
  POINT ToSurface(POINT logical) const;
  RECT ToSurface(const RECT& logical) const;  // also puts the corners in order
  POINT DeviceToLogical(POINT device) const;
  POINT SurfaceOrigin() const { return origin_; }

  // Where drawing may land, in surface coordinates: the caller's clip, the
  // window system's visible region and the surface bounds together. Kept
  // until one of them changes, so a run of drawing calls combines the
  // regions once; the reference lasts until the next call on this DC.
  const Region& EffectiveClip() const;

  // Pixel value of a colour on this DC's surface (palette indices resolved
  // through the selected palette).
  uint32_t PixelValue(COLORREF color) const;
  // COLORREF with PALETTEINDEX/PALETTERGB resolved to plain RGB.
  COLORREF ResolveColor(COLORREF color) const;

  // Text output. Coverage is 0..255 per pixel, blended over the surface in
  // `color` (indexed surfaces take the colour where coverage >= 128). Mono
  // masks are 1 bit per pixel, most significant bit first. Both clip.
  void BlendCoverage(int sx, int sy, int width, int height, const uint8_t* coverage, int stride,
                     COLORREF color);
  void BlendMono(int sx, int sy, int width, int height, const uint8_t* bits, int stride, COLORREF color);
  // Opaque fill of a surface rectangle (text backgrounds), clipped.
  void FillSurfaceRect(const RECT& surface_rect, COLORREF color);

  // Bounds accumulation: while enabled, each drawing call adds the surface
  // rectangle it may change (clipped when read). Besides their union the DC
  // keeps the rectangles apart, up to kBoundsParts of them, so drawing in a
  // few places far apart hands the screen those places only.
  static constexpr size_t kBoundsParts = 16;
  void EnableBounds(bool on) { bounds_enabled_ = on; }
  bool BoundsEnabled() const { return bounds_enabled_; }
  void ResetBounds() {
    bounds_ = RECT{};
    part_count_ = 0;
  }
  void Touch(const RECT& surface_rect) {
    if (!bounds_enabled_ || surface_rect.left >= surface_rect.right ||
        surface_rect.top >= surface_rect.bottom)
      return;
    AddBoundsPart(surface_rect);
    if (bounds_.left >= bounds_.right) {
      bounds_ = surface_rect;
      return;
    }
    bounds_ =
        RECT{std::min(bounds_.left, surface_rect.left), std::min(bounds_.top, surface_rect.top),
             std::max(bounds_.right, surface_rect.right), std::max(bounds_.bottom, surface_rect.bottom)};
  }
  // Surface coordinates; empty when nothing was added.
  RECT Bounds() const { return bounds_; }
  // The rectangles whose union Bounds is, in surface coordinates.
  const RECT* BoundsParts() const { return parts_.data(); }
  size_t BoundsPartCount() const { return part_count_; }

  // Window system hooks (CreateDCForSurface).
  void AttachSurface(Surface* surface, POINT origin) {
    external_ = surface;
    origin_ = origin;
  }
  void SetVisibleRegion(const Region* visible);
  void SetDeviceBits(int bits) { device_bits_ = bits; }

 private:
  Kind kind_;
  HDC handle_;
  DCState state_;
  std::vector<DCState> saved_;
  Surface* external_ = nullptr;
  POINT origin_;
  bool has_visible_ = false;
  Region visible_;
  int device_bits_ = 32;
  bool bounds_enabled_ = false;
  RECT bounds_{};
  std::array<RECT, kBoundsParts> parts_{};
  size_t part_count_ = 0;
  // EffectiveClip's result and what it was made of.
  struct ClipMemo {
    bool valid = false;
    const Surface* surface = nullptr;
    int width = 0;
    int height = 0;
    POINT origin{};
    bool has_visible = false;
    Region visible;
    bool has_clip = false;
    Region clip;
    Region result;
  };
  mutable ClipMemo clip_memo_;

  void AddBoundsPart(const RECT& r);
};

// The DC behind a handle, or null; the caller holds GdiLock.
DeviceContext* LookupDC(HDC hdc);
// Every live DC (for checks such as "is this object selected anywhere").
std::vector<DeviceContext*> AllDCs();

// A DC that draws into a surface owned by the caller (the window system, or a
// test). `origin` is where the DC's device point (0, 0) lies on the surface;
// `visible` (device coordinates) limits drawing further when given. Free the DC
// with DeleteDC before the surface goes away.
HDC CreateDCForSurface(Surface* surface, POINT origin = {}, const Region* visible = nullptr);
// Changes the visible region of a surface DC (null: the whole surface).
void SetDCVisibleRegion(HDC hdc, const Region* visible);

// Size of the screen for HORZRES/VERTRES, set by the backend.
void SetScreenSize(int width, int height);
SIZE GetScreenSize();

}  // namespace plat
