#include "platform/vcl/Graphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/gdi/BmpFile.h"
#include "platform/gdi/Colors.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/Resources.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

using namespace plat;

namespace {

int MulDivRound(int a, int b, int c) {
  if (c == 0) return -1;
  return static_cast<int>(std::lround(static_cast<double>(a) * b / c));
}

// Handles that could not be freed because a DC still held them; retried
// whenever another handle is let go.
std::mutex& PendingMutex() {
  static std::mutex m;
  return m;
}
std::vector<HGDIOBJ>& Pending() {
  static std::vector<HGDIOBJ> pending;
  return pending;
}

void FreeGdiObject(HGDIOBJ handle) {
  std::lock_guard<std::mutex> lock(PendingMutex());
  auto& pending = Pending();
  std::erase_if(pending, [](HGDIOBJ h) { return DeleteObject(h) || GetObjectType(h) == 0; });
  if (handle != nullptr && !DeleteObject(handle) && GetObjectType(handle) != 0) pending.push_back(handle);
}

// Shared handles by attribute key, counted by the objects that use them.
struct CachedResource {
  HGDIOBJ handle = nullptr;
  int refs = 0;
};
std::mutex& CacheMutex() {
  static std::mutex m;
  return m;
}
std::map<std::string, CachedResource>& Cache() {
  static std::map<std::string, CachedResource> cache;
  return cache;
}

template <class T>
void AppendKey(std::string& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

}  // namespace

COLORREF ColorToRGB(TColor color) { return plat::ColorToRGB(color); }

// ---- TGraphicsObject -------------------------------------------------------

VCL_IMPLEMENT_CLASS(TGraphicsObject)

TGraphicsObject::~TGraphicsObject() { ReleaseResource(handle_, owns_handle_); }

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

void TGraphicsObject::HandleChanged() {
  HGDIOBJ old = handle_;
  bool owned = owns_handle_;
  handle_ = nullptr;
  owns_handle_ = false;
  Changed();
  ReleaseResource(old, owned);
}

HGDIOBJ TGraphicsObject::CachedHandle() {
  if (handle_ != nullptr) return handle_;
  std::string key = ClassName() + '\0' + ResourceKey();
  std::lock_guard<std::mutex> lock(CacheMutex());
  CachedResource& entry = Cache()[key];
  if (entry.handle == nullptr) entry.handle = CreateResource();
  if (entry.handle == nullptr) {
    Cache().erase(key);
    throw EOutOfResources("Out of system resources");
  }
  ++entry.refs;
  handle_ = entry.handle;
  return handle_;
}

void TGraphicsObject::AdoptHandle(HGDIOBJ handle) {
  HGDIOBJ old = handle_;
  bool owned = owns_handle_;
  handle_ = handle;
  owns_handle_ = handle != nullptr;
  ReleaseResource(old, owned);
}

void TGraphicsObject::ReleaseResource(HGDIOBJ handle, bool owned) {
  if (handle == nullptr) return;
  if (owned) {
    FreeGdiObject(handle);
    return;
  }
  HGDIOBJ to_free = nullptr;
  {
    std::lock_guard<std::mutex> lock(CacheMutex());
    auto& cache = Cache();
    for (auto it = cache.begin(); it != cache.end(); ++it) {
      if (it->second.handle != handle) continue;
      if (--it->second.refs == 0) {
        to_free = handle;
        cache.erase(it);
      }
      break;
    }
  }
  if (to_free != nullptr) FreeGdiObject(to_free);
}

// ---- TFont -----------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TFont, IntProp("Charset", &TFont::Charset, &TFont::SetCharset).Default(DEFAULT_CHARSET),
                    ColorProp("Color", &TFont::Color, &TFont::SetColor),
                    IntProp("Height", &TFont::Height, &TFont::SetHeight),
                    StrProp("Name", &TFont::Name, &TFont::SetName),
                    EnumProp("Pitch", &TFont::Pitch, &TFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"})
                        .Default(fpDefault),
                    IntProp("Size", &TFont::Size, &TFont::SetSize).Stored(false),
                    SetOfProp("Style", &TFont::Style, &TFont::SetStyle,
                              {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})
                        .Default(TFontStyles{}))

TFont::TFont() = default;

void TFont::Assign(const TPersistent* source) {
  if (auto* f = dynamic_cast<const TFont*>(source)) {
    if (f == this) return;
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    pitch_ = f->pitch_;
    charset_ = f->charset_;
    pixels_per_inch_ = f->pixels_per_inch_;
    HandleChanged();
    return;
  }
  TGraphicsObject::Assign(source);
}

HFONT TFont::Handle() { return static_cast<HFONT>(CachedHandle()); }

void TFont::SetHandle(HFONT handle) {
  LOGFONTA lf;
  if (handle == nullptr || GetObject(handle, sizeof(lf), &lf) != static_cast<int>(sizeof(lf)))
    throw EInvalidGraphicOperation("Invalid font handle");
  name_ = std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
  height_ = lf.lfHeight;
  TFontStyles style;
  if (lf.lfWeight >= FW_BOLD) style.Include(fsBold);
  if (lf.lfItalic) style.Include(fsItalic);
  if (lf.lfUnderline) style.Include(fsUnderline);
  if (lf.lfStrikeOut) style.Include(fsStrikeOut);
  style_ = style;
  charset_ = lf.lfCharSet;
  int pitch = lf.lfPitchAndFamily & 0x0F;
  pitch_ = pitch == FIXED_PITCH ? fpFixed : pitch == VARIABLE_PITCH ? fpVariable : fpDefault;
  HandleChanged();
  AdoptHandle(handle);
}

void TFont::SetName(const std::string& value) {
  if (value == name_ || value.empty()) return;
  name_ = value;
  HandleChanged();
}

int TFont::Size() const { return -MulDivRound(height_, 72, pixels_per_inch_); }

void TFont::SetSize(int value) { SetHeight(-MulDivRound(value, pixels_per_inch_, 72)); }

void TFont::SetHeight(int value) {
  if (value == height_) return;
  height_ = value;
  HandleChanged();
}

void TFont::SetStyle(TFontStyles value) {
  if (value == style_) return;
  style_ = value;
  HandleChanged();
}

void TFont::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  Changed();  // the text colour is set on the DC, not held by the handle
}

void TFont::SetPitch(TFontPitch value) {
  if (value == pitch_) return;
  pitch_ = value;
  HandleChanged();
}

void TFont::SetCharset(TFontCharset value) {
  if (value == charset_) return;
  charset_ = value;
  HandleChanged();
}

void TFont::SetPixelsPerInch(int value) {
  if (value <= 0) return;
  pixels_per_inch_ = value;  // the height stays; only Size reads differently
}

std::string TFont::ResourceKey() const {
  std::string key = name_;
  key += '\0';
  AppendKey(key, height_);
  AppendKey(key, style_.Bits());
  AppendKey(key, pitch_);
  AppendKey(key, charset_);
  return key;
}

HGDIOBJ TFont::CreateResource() const {
  LOGFONTA lf;
  lf.lfHeight = height_;
  lf.lfWeight = style_.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = style_.Contains(fsItalic);
  lf.lfUnderline = style_.Contains(fsUnderline);
  lf.lfStrikeOut = style_.Contains(fsStrikeOut);
  lf.lfCharSet = charset_;
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = DEFAULT_QUALITY;
  lf.lfPitchAndFamily = pitch_ == fpFixed      ? FIXED_PITCH
                        : pitch_ == fpVariable ? VARIABLE_PITCH
                                               : DEFAULT_PITCH;
  std::strncpy(lf.lfFaceName, name_.c_str(), LF_FACESIZE - 1);
  return CreateFontIndirectA(&lf);
}

// ---- TPen ------------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TPen, ColorProp("Color", &TPen::Color, &TPen::SetColor).Default(clBlack),
                    EnumProp("Mode", &TPen::Mode, &TPen::SetMode,
                             {"pmBlack", "pmWhite", "pmNop", "pmNot", "pmCopy", "pmNotCopy", "pmMergePenNot",
                              "pmMaskPenNot", "pmMergeNotPen", "pmMaskNotPen", "pmMerge", "pmNotMerge",
                              "pmMask", "pmNotMask", "pmXor", "pmNotXor"})
                        .Default(pmCopy),
                    EnumProp("Style", &TPen::Style, &TPen::SetStyle,
                             {"psSolid", "psDash", "psDot", "psDashDot", "psDashDotDot", "psClear",
                              "psInsideFrame"})
                        .Default(psSolid),
                    IntProp("Width", &TPen::Width, &TPen::SetWidth).Default(1))

int PenModeToROP2(TPenMode mode) {
  static constexpr int kRop2[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,
                                  R2_COPYPEN,     R2_NOTCOPYPEN, R2_MERGEPENNOT, R2_MASKPENNOT,
                                  R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN,    R2_NOTMERGEPEN,
                                  R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  int i = static_cast<int>(mode);
  return i >= 0 && i < 16 ? kRop2[i] : R2_COPYPEN;
}

void TPen::Assign(const TPersistent* source) {
  if (auto* p = dynamic_cast<const TPen*>(source)) {
    if (p == this) return;
    color_ = p->color_;
    width_ = p->width_;
    style_ = p->style_;
    mode_ = p->mode_;
    HandleChanged();
    return;
  }
  TGraphicsObject::Assign(source);
}

HPEN TPen::Handle() { return static_cast<HPEN>(CachedHandle()); }

void TPen::SetColor(TColor value) {
  if (value == color_) return;
  color_ = value;
  HandleChanged();
}

void TPen::SetWidth(int value) {
  if (value < 0 || value == width_) return;
  width_ = value;
  HandleChanged();
}

void TPen::SetStyle(TPenStyle value) {
  if (value == style_) return;
  style_ = value;
  HandleChanged();
}

void TPen::SetMode(TPenMode value) {
  if (value == mode_) return;
  mode_ = value;
  Changed();
}

std::string TPen::ResourceKey() const {
  std::string key;
  AppendKey(key, ColorToRGB(color_));
  AppendKey(key, width_);
  AppendKey(key, style_);
  return key;
}

HGDIOBJ TPen::CreateResource() const {
  static constexpr int kStyles[] = {PS_SOLID,      PS_DASH, PS_DOT,        PS_DASHDOT,
                                    PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
  return CreatePen(kStyles[style_], width_, ColorToRGB(color_));
}

// ---- TBrush ----------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TBrush, ColorProp("Color", &TBrush::Color, &TBrush::SetColor).Default(clWhite),
                    EnumProp("Style", &TBrush::Style, &TBrush::SetStyle,
                             {"bsSolid", "bsClear", "bsHorizontal", "bsVertical", "bsFDiagonal",
                              "bsBDiagonal", "bsCross", "bsDiagCross"})
                        .Default(bsSolid))

void TBrush::Assign(const TPersistent* source) {
  if (auto* b = dynamic_cast<const TBrush*>(source)) {
    if (b == this) return;
    color_ = b->color_;
    style_ = b->style_;
    bitmap_ = b->bitmap_;
    HandleChanged();
    return;
  }
  TGraphicsObject::Assign(source);
}

HBRUSH TBrush::Handle() { return static_cast<HBRUSH>(CachedHandle()); }

void TBrush::SetColor(TColor value) {
  if (value == color_ && style_ != bsClear) return;
  color_ = value;
  if (style_ == bsClear) style_ = bsSolid;
  HandleChanged();
}

void TBrush::SetStyle(TBrushStyle value) {
  if (value == style_ && bitmap_ == nullptr) return;
  style_ = value;
  bitmap_ = nullptr;
  HandleChanged();
}

void TBrush::SetBitmap(TBitmap* value) {
  if (value == bitmap_) return;
  bitmap_ = value;
  HandleChanged();
}

std::string TBrush::ResourceKey() const {
  std::string key;
  AppendKey(key, ColorToRGB(color_));
  AppendKey(key, style_);
  // A pattern is the bitmap's, so pattern brushes are shared per bitmap handle.
  HBITMAP pattern = bitmap_ != nullptr ? bitmap_->Handle() : nullptr;
  AppendKey(key, pattern);
  return key;
}

HGDIOBJ TBrush::CreateResource() const {
  if (bitmap_ != nullptr && bitmap_->Handle() != nullptr) return CreatePatternBrush(bitmap_->Handle());
  switch (style_) {
    case bsSolid:
      return CreateSolidBrush(ColorToRGB(color_));
    case bsClear:
      return GetStockObject(NULL_BRUSH);
    default:
      return CreateHatchBrush(static_cast<int>(style_) - bsHorizontal + HS_HORIZONTAL, ColorToRGB(color_));
  }
}

// ---- TCanvas ---------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TCanvas)

TCanvas::TCanvas()
    : font_(std::make_unique<TFont>()), pen_(std::make_unique<TPen>()), brush_(std::make_unique<TBrush>()) {
  font_->OnChange = [this](TObject* sender) { FontChanged(sender); };
  pen_->OnChange = [this](TObject* sender) { PenChanged(sender); };
  brush_->OnChange = [this](TObject* sender) { BrushChanged(sender); };
}

TCanvas::~TCanvas() {
  SetHandle(nullptr);
  // The objects go before the canvas; their change events must not reach it.
  font_->OnChange = nullptr;
  pen_->OnChange = nullptr;
  brush_->OnChange = nullptr;
}

HDC TCanvas::Handle() {
  Changing();
  RequiredState(csAllValid);
  return handle_;
}

void TCanvas::SetHandle(HDC value) {
  if (value == handle_) return;
  if (handle_ != nullptr) DeselectHandles();
  handle_ = value;
  state_ = value != nullptr ? TCanvasState{csHandleValid} : TCanvasState{};
}

void TCanvas::RequiredState(TCanvasState state) {
  TCanvasState needed = state - state_;
  if (needed.Empty()) return;
  if (needed.Contains(csHandleValid)) {
    CreateHandle();
    if (handle_ == nullptr) throw EInvalidOperation("Canvas does not allow drawing");
    state_.Include(csHandleValid);
  }
  if (needed.Contains(csFontValid)) {
    SelectObject(handle_, font_->Handle());
    SetTextColor(handle_, ColorToRGB(font_->Color()));
    state_.Include(csFontValid);
  }
  if (needed.Contains(csPenValid)) {
    SelectObject(handle_, pen_->Handle());
    SetROP2(handle_, PenModeToROP2(pen_->Mode()));
    state_.Include(csPenValid);
  }
  if (needed.Contains(csBrushValid)) {
    SelectObject(handle_, brush_->Handle());
    // Hatches show the background where the brush is not clear and solid.
    if (brush_->Style() == bsSolid) {
      SetBkColor(handle_, ColorToRGB(brush_->Color()));
      SetBkMode(handle_, OPAQUE);
    } else {
      SetBkColor(handle_, ~ColorToRGB(brush_->Color()) & 0x00FFFFFFu);
      SetBkMode(handle_, TRANSPARENT);
    }
    state_.Include(csBrushValid);
  }
}

void TCanvas::Refresh() { DeselectHandles(); }

void TCanvas::DeselectHandles() {
  if (handle_ == nullptr) return;
  if (state_.Contains(csFontValid)) SelectObject(handle_, GetStockObject(SYSTEM_FONT));
  if (state_.Contains(csPenValid)) SelectObject(handle_, GetStockObject(BLACK_PEN));
  if (state_.Contains(csBrushValid)) SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
  state_ = state_ * TCanvasState{csHandleValid};
}

void TCanvas::FontChanged(TObject*) {
  if (state_.Contains(csFontValid)) {
    state_.Exclude(csFontValid);
    SelectObject(handle_, GetStockObject(SYSTEM_FONT));
  }
}

void TCanvas::PenChanged(TObject*) {
  if (state_.Contains(csPenValid)) {
    state_.Exclude(csPenValid);
    SelectObject(handle_, GetStockObject(BLACK_PEN));
  }
}

void TCanvas::BrushChanged(TObject*) {
  if (state_.Contains(csBrushValid)) {
    state_.Exclude(csBrushValid);
    SelectObject(handle_, GetStockObject(HOLLOW_BRUSH));
  }
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::CreateHandle() {}

TPoint TCanvas::PenPos() {
  RequiredState({csHandleValid});
  TPoint p;
  GetCurrentPositionEx(handle_, &p);
  return p;
}

TColor TCanvas::Pixels(int x, int y) {
  RequiredState({csHandleValid});
  return static_cast<TColor>(GetPixel(handle_, x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  Changing();
  RequiredState({csHandleValid, csPenValid});
  SetPixel(handle_, x, y, ColorToRGB(color));
  Changed();
}

TRect TCanvas::ClipRect() {
  RequiredState({csHandleValid});
  TRect r;
  GetClipBox(handle_, &r);
  return r;
}

void TCanvas::MoveTo(int x, int y) {
  RequiredState({csHandleValid});
  MoveToEx(handle_, x, y, nullptr);
}

void TCanvas::LineTo(int x, int y) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::LineTo(handle_, x, y);
  Changed();
}

void TCanvas::Polyline(std::span<const TPoint> points) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::Polyline(handle_, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Polygon(std::span<const TPoint> points) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::Polygon(handle_, points.data(), static_cast<int>(points.size()));
  Changed();
}

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::Rectangle(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::RoundRect(handle_, x1, y1, x2, y2, x3, y3);
  Changed();
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::Ellipse(handle_, x1, y1, x2, y2);
  Changed();
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::Arc(handle_, x1, y1, x2, y2, x3, y3, x4, y4);
  Changed();
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::Pie(handle_, x1, y1, x2, y2, x3, y3, x4, y4);
  Changed();
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
  Changing();
  RequiredState({csHandleValid, csPenValid, csBrushValid});
  plat::Chord(handle_, x1, y1, x2, y2, x3, y3, x4, y4);
  Changed();
}

void TCanvas::FillRect(const TRect& rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  plat::FillRect(handle_, &rect, brush_->Handle());
  Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  plat::FrameRect(handle_, &rect, brush_->Handle());
  Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  plat::DrawFocusRect(handle_, &rect);
  Changed();
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
  if (canvas == nullptr) return;
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  canvas->RequiredState({csHandleValid, csBrushValid});
  StretchBlt(handle_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, canvas->handle_,
             source.left, source.top, source.right - source.left, source.bottom - source.top, copy_mode_);
  Changed();
}

namespace {

// A memory DC with a bitmap selected, freed with the scope.
class ScratchDC {
 public:
  explicit ScratchDC(HBITMAP bitmap) : dc_(CreateCompatibleDC(nullptr)), bitmap_(bitmap) {
    old_ = SelectObject(dc_, bitmap_);
  }
  ~ScratchDC() {
    SelectObject(dc_, old_);
    DeleteDC(dc_);
    DeleteObject(bitmap_);
  }
  ScratchDC(const ScratchDC&) = delete;
  ScratchDC& operator=(const ScratchDC&) = delete;
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_ = nullptr;
};

constexpr DWORD kKeepDest = 0x00AA0029;

// Copies `src` (w x h at sx, sy) to `dest` stretched, leaving the destination
// where the source has the colour `transparent`.
void TransparentStretch(HDC dest, const TRect& r, HDC src, int sx, int sy, int w, int h,
                        COLORREF transparent) {
  int dw = r.right - r.left, dh = r.bottom - r.top;
  if (dw <= 0 || dh <= 0 || w <= 0 || h <= 0) return;
  // Stretch first, so the mask matches the destination pixel for pixel.
  ScratchDC image(CreateBitmap(dw, dh, 1, 32, nullptr));
  SetStretchBltMode(image.dc(), COLORONCOLOR);
  StretchBlt(image.dc(), 0, 0, dw, dh, src, sx, sy, w, h, SRCCOPY);
  ScratchDC mask(CreateBitmap(dw, dh, 1, 1, nullptr));
  COLORREF old_bk = SetBkColor(image.dc(), transparent);
  BitBlt(mask.dc(), 0, 0, dw, dh, image.dc(), 0, 0, SRCCOPY);  // 1 where transparent
  SetBkColor(image.dc(), old_bk);
  MaskBlt(dest, r.left, r.top, dw, dh, image.dc(), 0, 0, mask.bitmap(), 0, 0, MAKEROP4(kKeepDest, SRCCOPY));
}

}  // namespace

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color) {
  if (bitmap == nullptr || bitmap->Empty()) return;
  Changing();
  RequiredState({csHandleValid, csBrushValid});
  int w = source.right - source.left, h = source.bottom - source.top;
  if (w > 0 && h > 0) {
    // The brush where the bitmap has `color`, the bitmap elsewhere.
    ScratchDC work(CreateBitmap(w, h, 1, 32, nullptr));
    HGDIOBJ old_brush = SelectObject(work.dc(), brush_->Handle());
    PatBlt(work.dc(), 0, 0, w, h, PATCOPY);
    SelectObject(work.dc(), old_brush);
    HDC src = bitmap->Canvas()->Handle();
    TransparentStretch(work.dc(), Rect(0, 0, w, h), src, source.left, source.top, w, h, ColorToRGB(color));
    StretchBlt(handle_, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, work.dc(), 0, 0,
               w, h, SRCCOPY);
  }
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
  Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (graphic == nullptr || graphic->Empty()) return;
  Changing();
  RequiredState({csHandleValid});
  graphic->Draw(this, rect);
  Changed();
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  ExtTextOutA(handle_, x, y, static_cast<UINT>(text_flags_), nullptr, text.data(),
              static_cast<UINT>(text.size()), nullptr);
  MoveTo(x + TextWidth(text), y);
  Changed();
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  Changing();
  RequiredState({csHandleValid, csFontValid, csBrushValid});
  UINT options = ETO_CLIPPED | static_cast<UINT>(text_flags_);
  if (brush_->Style() != bsClear) options |= ETO_OPAQUE;
  ExtTextOutA(handle_, x, y, options, &rect, text.data(), static_cast<UINT>(text.size()), nullptr);
  Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
  RequiredState({csHandleValid, csFontValid});
  TSize size;
  GetTextExtentPoint32A(handle_, text.data(), static_cast<int>(text.size()), &size);
  return size;
}

void TCanvas::Lock() {
  lock_.lock();
  ++lock_count_;
}

void TCanvas::Unlock() {
  --lock_count_;
  lock_.unlock();
}

bool TCanvas::TryLock() {
  if (!lock_.try_lock()) return false;
  ++lock_count_;
  return true;
}

void Frame3D(TCanvas* canvas, TRect& rect, TColor top_color, TColor bottom_color, int width) {
  canvas->Pen()->SetWidth(1);
  --rect.bottom;
  --rect.right;
  // Each ring: top colour from the bottom-left up and across, bottom colour
  // from the top-right down and back; lines leave out their end points.
  for (; width > 0; --width) {
    canvas->Pen()->SetColor(top_color);
    canvas->Polyline(
        {Point(rect.left, rect.bottom), Point(rect.left, rect.top), Point(rect.right, rect.top)});
    canvas->Pen()->SetColor(bottom_color);
    canvas->Polyline(
        {Point(rect.right, rect.top), Point(rect.right, rect.bottom), Point(rect.left - 1, rect.bottom)});
    ++rect.left;
    ++rect.top;
    --rect.right;
    --rect.bottom;
  }
  ++rect.bottom;
  ++rect.right;
}

// ---- TGraphic --------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TGraphic)

void TGraphic::SetTransparent(bool value) {
  if (value == transparent_) return;
  transparent_ = value;
  Changed(this);
}

void TGraphic::SetModified(bool value) {
  if (value)
    Changed(this);
  else
    modified_ = false;
}

void TGraphic::Changed(TObject*) {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const std::string& file_name) {
  TFileStream stream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& file_name) {
  TFileStream stream(file_name, fmCreate);
  SaveToStream(stream);
}

void TGraphic::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); }, !Empty());
}

void TGraphic::ReadData(TStream& stream) { LoadFromStream(stream); }
void TGraphic::WriteData(TStream& stream) { SaveToStream(stream); }

// ---- TBitmap ---------------------------------------------------------------

VCL_IMPLEMENT_CLASS(TBitmapCanvas)

TBitmapCanvas::TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {
  // Drawing on the canvas changes the bitmap.
  OnChange = [bitmap](TObject* sender) { bitmap->Changed(sender); };
}

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle() {
  if (dc_ != nullptr) return;
  bitmap_->HandleNeeded();
  HDC dc = CreateCompatibleDC(nullptr);
  if (dc == nullptr) throw EOutOfResources("Out of system resources");
  if (bitmap_->handle_ != nullptr) old_bitmap_ = SelectObject(dc, bitmap_->handle_);
  if (bitmap_->palette_ != nullptr) {
    old_palette_ = SelectPalette(dc, bitmap_->palette_, TRUE);
    RealizePalette(dc);
  }
  dc_ = dc;
  SetHandle(dc);
}

void TBitmapCanvas::FreeContext() {
  if (dc_ == nullptr) return;
  HDC dc = dc_;
  SetHandle(nullptr);
  if (old_bitmap_ != nullptr) SelectObject(dc, old_bitmap_);
  if (old_palette_ != nullptr) SelectPalette(dc, old_palette_, TRUE);
  DeleteDC(dc);
  dc_ = nullptr;
  old_bitmap_ = nullptr;
  old_palette_ = nullptr;
}

namespace {

int BitsOf(TPixelFormat format) {
  switch (format) {
    case pf1bit:
      return 1;
    case pf4bit:
      return 4;
    case pf8bit:
      return 8;
    case pf15bit:
    case pf16bit:
      return 16;
    case pf24bit:
      return 24;
    default:
      return 32;
  }
}

// A DIB section of the format; indexed formats take `colors` or the default table.
HBITMAP CreateDib(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& colors) {
  int bpp = BitsOf(format);
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *h = BITMAPINFOHEADER{};
  h->biWidth = width;
  h->biHeight = height;
  h->biBitCount = static_cast<WORD>(bpp);
  h->biCompression = BI_RGB;
  auto* table = reinterpret_cast<RGBQUAD*>(info.data() + sizeof(BITMAPINFOHEADER));
  if (bpp <= 8) {
    std::vector<RGBQUAD> t = colors.empty() ? DefaultColorTable(bpp) : colors;
    t.resize(size_t{1} << bpp);
    std::copy(t.begin(), t.end(), table);
    h->biClrUsed = static_cast<DWORD>(t.size());
  } else if (format == pf16bit) {
    h->biCompression = BI_BITFIELDS;
    DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(table, masks, sizeof(masks));
  }
  void* bits = nullptr;
  return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr,
                          0);
}

struct BitmapShape {
  int width = 0, height = 0, bpp = 0;
  bool dib = false, mono = false;
  bool bitfields_565 = false;
};

BitmapShape ShapeOf(HBITMAP handle) {
  BitmapShape shape;
  DIBSECTION ds;
  int n = GetObject(handle, sizeof(ds), &ds);
  if (n == static_cast<int>(sizeof(DIBSECTION))) {
    shape.dib = true;
    shape.bitfields_565 = ds.dsBmih.biCompression == BI_BITFIELDS && ds.dsBitfields[1] == 0x07E0;
  } else if (n < static_cast<int>(sizeof(BITMAP))) {
    return shape;
  }
  shape.width = ds.dsBm.bmWidth;
  shape.height = ds.dsBm.bmHeight;
  shape.bpp = ds.dsBm.bmBitsPixel;
  shape.mono = !shape.dib && shape.bpp == 1;
  return shape;
}

TPixelFormat FormatOfBits(int bpp, bool bitfields_565) {
  switch (bpp) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      return bitfields_565 ? pf16bit : pf15bit;
    case 24:
      return pf24bit;
    case 32:
      return pf32bit;
    default:
      return pfCustom;
  }
}

std::vector<RGBQUAD> ColorTableOf(HDC dc, int bpp) {
  if (bpp > 8 || dc == nullptr) return {};
  std::vector<RGBQUAD> table(size_t{1} << bpp);
  UINT n = GetDIBColorTable(dc, 0, static_cast<UINT>(table.size()), table.data());
  table.resize(n);
  return table;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TBitmap)

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  canvas_.reset();
  FreeHandle();
  if (palette_ != nullptr) FreeGdiObject(palette_);
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<TBitmapCanvas>(this);
  return canvas_.get();
}

HDC TBitmap::SourceDC() {
  // Reading the pixels is no change, so this bypasses Handle's OnChanging.
  Canvas()->RequiredState({csHandleValid});
  return canvas_->dc_;
}

void TBitmap::HandleNeeded() {
  if (handle_ != nullptr || image_.empty()) return;
  // Back from Dormant: the image is the only copy.
  std::vector<uint8_t> image = std::move(image_);
  image_.clear();
  BmpReadResult read = ReadBmp(image.data(), image.size());
  if (!read.ok) return;
  handle_ = BitmapFromDib(read.image);
}

HBITMAP TBitmap::Handle() {
  HandleNeeded();
  return handle_;
}

void TBitmap::FreeHandle() {
  if (canvas_) canvas_->FreeContext();
  if (handle_ != nullptr) FreeGdiObject(handle_);
  handle_ = nullptr;
}

void TBitmap::AdoptHandle(HBITMAP handle) {
  if (canvas_) canvas_->FreeContext();
  image_.clear();
  if (handle_ != nullptr && handle_ != handle) FreeGdiObject(handle_);
  handle_ = handle;
  BitmapShape shape = handle != nullptr ? ShapeOf(handle) : BitmapShape{};
  width_ = shape.width;
  height_ = shape.height;
  handle_type_ = shape.dib ? bmDIB : bmDDB;
  monochrome_ = shape.mono;
  pixel_format_ = shape.dib ? FormatOfBits(shape.bpp, shape.bitfields_565) : pfDevice;
  if (palette_ != nullptr) {
    FreeGdiObject(palette_);
    palette_ = nullptr;
  }
}

void TBitmap::SetHandle(HBITMAP value) {
  if (value == handle_) return;
  AdoptHandle(value);
  Changed(this);
}

HBITMAP TBitmap::ReleaseHandle() {
  HandleNeeded();
  if (handle_ == nullptr) return nullptr;
  if (canvas_) canvas_->FreeContext();
  // Keep the image so the bitmap stays as it was.
  DibImage img;
  if (DibFromBitmap(handle_, 0, &img)) image_ = WriteBmp(img);
  HBITMAP h = handle_;
  handle_ = nullptr;
  return h;
}

void TBitmap::Rebuild(int width, int height, TPixelFormat format, TBitmapHandleType type, bool mono) {
  HandleNeeded();
  std::vector<RGBQUAD> colors;
  HDC old_dc = nullptr;
  if (handle_ != nullptr) {
    old_dc = SourceDC();
    if (type == bmDIB && format == pixel_format_ && handle_type_ == bmDIB)
      colors = ColorTableOf(old_dc, BitsOf(format));
  }
  if (colors.empty() && palette_ != nullptr && type == bmDIB && BitsOf(format) <= 8) {
    std::vector<PALETTEENTRY> entries(256);
    UINT n = GetPaletteEntries(palette_, 0, 256, entries.data());
    for (UINT i = 0; i < n; ++i)
      colors.push_back(RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
  }
  HBITMAP fresh = nullptr;
  if (width > 0 && height > 0) {
    if (mono)
      fresh = CreateBitmap(width, height, 1, 1, nullptr);
    else if (type == bmDDB)
      fresh = CreateBitmap(width, height, 1, 32, nullptr);
    else
      fresh = CreateDib(width, height, format == pfDevice || format == pfCustom ? pf32bit : format, colors);
    if (fresh == nullptr) throw EOutOfResources("Out of system resources");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, fresh);
    PatBlt(dc, 0, 0, width, height, WHITENESS);
    if (old_dc != nullptr)
      BitBlt(dc, 0, 0, std::min(width, width_), std::min(height, height_), old_dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  FreeHandle();
  handle_ = fresh;
  width_ = std::max(width, 0);
  height_ = std::max(height, 0);
  handle_type_ = mono ? bmDDB : type;
  pixel_format_ =
      handle_type_ == bmDDB ? pfDevice : (format == pfDevice || format == pfCustom ? pf32bit : format);
  monochrome_ = mono;
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == width_ && height == height_) return;
  Rebuild(width, height, pixel_format_, handle_type_, monochrome_);
  Changed(this);
}

void TBitmap::SetHandleType(TBitmapHandleType value) {
  if (value == handle_type_) return;
  Rebuild(width_, height_, value == bmDIB ? (monochrome_ ? pf1bit : pf32bit) : pfDevice, value, false);
  Changed(this);
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
  if (value == PixelFormat()) return;
  if (value == pfCustom) throw EInvalidGraphic("Invalid pixel format");
  Rebuild(width_, height_, value, value == pfDevice ? bmDDB : bmDIB, false);
  Changed(this);
}

bool TBitmap::Monochrome() const { return monochrome_ || (handle_type_ == bmDIB && pixel_format_ == pf1bit); }

void TBitmap::SetMonochrome(bool value) {
  if (value == Monochrome()) return;
  Rebuild(width_, height_, pfDevice, bmDDB, value);
  Changed(this);
}

HPALETTE TBitmap::Palette() {
  if (palette_ == nullptr && handle_type_ == bmDIB && BitsOf(pixel_format_) <= 8 && !Empty()) {
    std::vector<RGBQUAD> table = ColorTableOf(SourceDC(), BitsOf(pixel_format_));
    if (!table.empty()) {
      std::vector<uint8_t> buffer(sizeof(LOGPALETTE) + table.size() * sizeof(PALETTEENTRY));
      auto* lp = reinterpret_cast<LOGPALETTE*>(buffer.data());
      lp->palVersion = 0x300;
      lp->palNumEntries = static_cast<WORD>(table.size());
      for (size_t i = 0; i < table.size(); ++i)
        lp->palPalEntry[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
      palette_ = CreatePalette(lp);
    }
  }
  return palette_;
}

void TBitmap::SetPalette(HPALETTE value) {
  if (value == palette_) return;
  if (canvas_) canvas_->FreeContext();
  if (palette_ != nullptr) FreeGdiObject(palette_);
  palette_ = value;
  if (value != nullptr && handle_type_ == bmDIB && BitsOf(pixel_format_) <= 8 && Handle() != nullptr) {
    std::vector<PALETTEENTRY> entries(256);
    UINT n = GetPaletteEntries(value, 0, 256, entries.data());
    std::vector<RGBQUAD> table;
    for (UINT i = 0; i < n; ++i)
      table.push_back(RGBQUAD{entries[i].peBlue, entries[i].peGreen, entries[i].peRed, 0});
    SetDIBColorTable(SourceDC(), 0, n, table.data());
  }
  Changed(this);
}

HPALETTE TBitmap::ReleasePalette() {
  HPALETTE p = Palette();
  if (canvas_) canvas_->FreeContext();
  palette_ = nullptr;
  return p;
}

void* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_ || Empty()) throw EInvalidGraphicOperation("Scan line index out of range");
  if (handle_type_ != bmDIB) SetHandleType(bmDIB);
  HandleNeeded();
  image_.clear();  // the caller writes the pixels directly
  GdiFlush();
  DIBSECTION ds;
  if (GetObject(handle_, sizeof(ds), &ds) != static_cast<int>(sizeof(ds)) || ds.dsBm.bmBits == nullptr)
    throw EInvalidGraphicOperation("Scan line index out of range");
  bool bottom_up = ds.dsBmih.biHeight > 0;
  int stored = bottom_up ? height_ - 1 - row : row;
  return static_cast<uint8_t*>(ds.dsBm.bmBits) + static_cast<ptrdiff_t>(stored) * ds.dsBm.bmWidthBytes;
}

TColor TBitmap::TransparentColor() {
  if (transparent_mode_ == tmFixed && transparent_color_ != clDefault) return transparent_color_;
  if (Empty()) return clDefault;
  if (Monochrome()) return clWhite;
  return static_cast<TColor>(GetPixel(SourceDC(), 0, height_ - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
  if (value == transparent_color_) return;
  transparent_mode_ = value == clDefault ? tmAuto : tmFixed;
  transparent_color_ = value;
  Changed(this);
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
  if (value == transparent_mode_) return;
  if (value == tmAuto)
    SetTransparentColor(clDefault);
  else
    SetTransparentColor(TransparentColor());
}

void TBitmap::Dormant() {
  if (handle_ == nullptr) return;
  if (canvas_) canvas_->FreeContext();
  DibImage img;
  if (!DibFromBitmap(handle_, 0, &img)) return;
  image_ = WriteBmp(img);
  FreeGdiObject(handle_);
  handle_ = nullptr;
}

void TBitmap::FreeImage() {
  HandleNeeded();
  image_.clear();
}

void TBitmap::Assign(const TPersistent* source) {
  if (source == nullptr) {
    AdoptHandle(nullptr);
    Changed(this);
    return;
  }
  auto* src = dynamic_cast<const TBitmap*>(source);
  if (src == nullptr) {
    TGraphic::Assign(source);
    return;
  }
  if (src == this) return;
  auto* from = const_cast<TBitmap*>(src);
  HBITMAP copy = nullptr;
  if (!from->Empty()) {
    from->HandleNeeded();
    HDC src_dc = from->SourceDC();
    int w = from->width_, h = from->height_;
    if (from->monochrome_)
      copy = CreateBitmap(w, h, 1, 1, nullptr);
    else if (from->handle_type_ == bmDDB)
      copy = CreateBitmap(w, h, 1, 32, nullptr);
    else
      copy = CreateDib(w, h, from->pixel_format_, ColorTableOf(src_dc, BitsOf(from->pixel_format_)));
    if (copy == nullptr) throw EOutOfResources("Out of system resources");
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, copy);
    BitBlt(dc, 0, 0, w, h, src_dc, 0, 0, SRCCOPY);
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  AdoptHandle(copy);
  if (copy == nullptr) {
    width_ = from->width_;
    height_ = from->height_;
    pixel_format_ = from->pixel_format_;
    handle_type_ = from->handle_type_;
    monochrome_ = from->monochrome_;
  }
  transparent_mode_ = from->transparent_mode_;
  transparent_color_ = from->transparent_color_;
  SetTransparent(from->Transparent());
  Changed(this);
}

void TBitmap::LoadFromBytes(const uint8_t* data, size_t size) {
  BmpReadResult read = ReadBmp(data, size);
  if (!read.ok) throw EInvalidGraphic("Bitmap image is not valid");
  HBITMAP h = BitmapFromDib(read.image);
  if (h == nullptr) throw EInvalidGraphic("Bitmap image is not valid");
  AdoptHandle(h);
  Changed(this);
}

void TBitmap::LoadFromStream(TStream& stream) {
  int64_t start = stream.Position();
  int64_t available = stream.Size() - start;
  if (available <= 0) {
    AdoptHandle(nullptr);
    Changed(this);
    return;
  }
  BITMAPFILEHEADER file_header;
  if (available < static_cast<int64_t>(sizeof(file_header)))
    throw EInvalidGraphic("Bitmap image is not valid");
  stream.ReadBuffer(&file_header, sizeof(file_header));
  // The header says how long the image is, so several can follow each other;
  // a size that cannot be right means "up to the end".
  int64_t length = file_header.bfSize;
  if (length < static_cast<int64_t>(sizeof(file_header) + 12) || length > available) length = available;
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  std::memcpy(bytes.data(), &file_header, sizeof(file_header));
  stream.ReadBuffer(bytes.data() + sizeof(file_header), length - static_cast<int64_t>(sizeof(file_header)));
  LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::SaveToStream(TStream& stream) {
  HandleNeeded();
  if (handle_ == nullptr) return;
  DibImage img;
  if (!DibFromBitmap(handle_, 0, &img)) throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<uint8_t> bytes = WriteBmp(img);
  stream.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
}

void TBitmap::ReadData(TStream& stream) {
  int32_t size = 0;
  stream.ReadBuffer(&size, sizeof(size));
  if (size < 0 || size > stream.Size() - stream.Position())
    throw EInvalidGraphic("Bitmap image is not valid");
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  stream.ReadBuffer(bytes.data(), size);
  if (size == 0) {
    AdoptHandle(nullptr);
    Changed(this);
    return;
  }
  LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::WriteData(TStream& stream) {
  TMemoryStream image;
  SaveToStream(image);
  int32_t size = static_cast<int32_t>(image.Size());
  stream.WriteBuffer(&size, sizeof(size));
  stream.WriteBuffer(image.Memory(), size);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  HRSRC res = FindResourceA(instance, name.c_str(), RT_BITMAP);
  const auto* data =
      res != nullptr ? static_cast<const uint8_t*>(LockResource(LoadResource(instance, res))) : nullptr;
  if (data == nullptr) throw EResNotFound(Format("Resource %s not found", {name}));
  size_t size = SizeofResource(instance, res);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    LoadFromBytes(data, size);
    return;
  }
  // A bare DIB, as resource compilers store them: give it a file header.
  if (size < sizeof(BITMAPCOREHEADER)) throw EInvalidGraphic("Bitmap image is not valid");
  DWORD header_size = 0;
  std::memcpy(&header_size, data, sizeof(header_size));
  size_t colors = 0, masks = 0;
  if (header_size >= sizeof(BITMAPINFOHEADER) && size >= sizeof(BITMAPINFOHEADER)) {
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof(h));
    colors = h.biClrUsed != 0 ? h.biClrUsed : (h.biBitCount <= 8 ? size_t{1} << h.biBitCount : 0);
    colors *= sizeof(RGBQUAD);
    if (h.biCompression == BI_BITFIELDS && header_size == sizeof(BITMAPINFOHEADER)) masks = 12;
  } else {
    BITMAPCOREHEADER h;
    std::memcpy(&h, data, sizeof(h));
    colors = h.bcBitCount <= 8 ? (size_t{1} << h.bcBitCount) * sizeof(RGBTRIPLE) : 0;
  }
  BITMAPFILEHEADER fh;
  fh.bfSize = static_cast<DWORD>(sizeof(fh) + size);
  fh.bfOffBits = static_cast<DWORD>(sizeof(fh) + header_size + masks + colors);
  std::vector<uint8_t> bytes(sizeof(fh) + size);
  std::memcpy(bytes.data(), &fh, sizeof(fh));
  std::memcpy(bytes.data() + sizeof(fh), data, size);
  LoadFromBytes(bytes.data(), bytes.size());
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  LoadFromResourceName(instance, "#" + std::to_string(id));
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  HandleNeeded();
  if (handle_ == nullptr) return;
  HDC src = SourceDC();
  HDC dest = canvas->Handle();
  HPALETTE old_palette = nullptr;
  if (palette_ != nullptr) {
    old_palette = SelectPalette(dest, palette_, TRUE);
    RealizePalette(dest);
  }
  if (Transparent()) {
    TransparentStretch(dest, rect, src, 0, 0, width_, height_, ColorToRGB(TransparentColor()));
  } else {
    int old_mode = SetStretchBltMode(dest, COLORONCOLOR);
    StretchBlt(dest, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, src, 0, 0, width_,
               height_, canvas->CopyMode());
    SetStretchBltMode(dest, old_mode);
  }
  if (old_palette != nullptr) SelectPalette(dest, old_palette, TRUE);
}

void TBitmap::Changed(TObject* sender) {
  if (handle_ != nullptr) image_.clear();
  TGraphic::Changed(sender);
}

// ---- TPicture --------------------------------------------------------------

namespace {

struct FileFormat {
  std::string extension;  // lower case, no dot
  std::string description;
  TClass graphic_class;
};

std::mutex& FormatsMutex() {
  static std::mutex m;
  return m;
}
std::vector<FileFormat>& Formats() {
  static std::vector<FileFormat> formats{{"bmp", "Bitmaps", TBitmap::StaticClass()}};
  return formats;
}

std::string NormalizeExtension(std::string_view extension) {
  if (!extension.empty() && extension.front() == '.') extension.remove_prefix(1);
  return LowerCase(extension);
}

std::unique_ptr<TGraphic> NewGraphic(TClass cls) {
  if (cls == nullptr || !cls->InheritsFrom(TGraphic::StaticClass()))
    throw EInvalidGraphic("Invalid graphic class");
  std::unique_ptr<TObject> object(cls->Create(nullptr));
  auto* graphic = dynamic_cast<TGraphic*>(object.get());
  if (graphic == nullptr) throw EInvalidGraphic("Invalid graphic class");
  object.release();
  return std::unique_ptr<TGraphic>(graphic);
}

}  // namespace

VCL_IMPLEMENT_CLASS(TPicture)

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TClass graphic_class) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::string ext = NormalizeExtension(extension);
  auto& formats = Formats();
  std::erase_if(formats, [&](const FileFormat& f) { return f.extension == ext; });
  formats.push_back(FileFormat{ext, description, graphic_class});
}

void TPicture::UnregisterGraphicClass(TClass graphic_class) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::erase_if(Formats(), [&](const FileFormat& f) { return f.graphic_class == graphic_class; });
}

TClass TPicture::FileFormatClass(const std::string& extension) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::string ext = NormalizeExtension(extension);
  for (const FileFormat& f : Formats())
    if (f.extension == ext) return f.graphic_class;
  return nullptr;
}

std::string TPicture::FileFormatDescription(const std::string& extension) {
  std::lock_guard<std::mutex> lock(FormatsMutex());
  std::string ext = NormalizeExtension(extension);
  for (const FileFormat& f : Formats())
    if (f.extension == ext) return f.description;
  return {};
}

void TPicture::SetOwnedGraphic(std::unique_ptr<TGraphic> graphic) {
  graphic_ = std::move(graphic);
  if (graphic_) graphic_->OnChange = [this](TObject* sender) { Changed(sender); };
  Changed(this);
}

void TPicture::SetGraphic(TGraphic* value) {
  if (value == graphic_.get()) return;
  if (value == nullptr) {
    SetOwnedGraphic(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> copy = NewGraphic(value->ClassType());
  copy->Assign(value);
  SetOwnedGraphic(std::move(copy));
}

TBitmap* TPicture::Bitmap() {
  if (dynamic_cast<TBitmap*>(graphic_.get()) == nullptr) SetOwnedGraphic(std::make_unique<TBitmap>());
  return static_cast<TBitmap*>(graphic_.get());
}

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    SetGraphic(nullptr);
  } else if (auto* p = dynamic_cast<const TPicture*>(source)) {
    if (p != this) SetGraphic(p->graphic_.get());
  } else if (auto* g = dynamic_cast<const TGraphic*>(source)) {
    SetGraphic(const_cast<TGraphic*>(g));
  } else {
    TPersistent::Assign(source);
  }
}

void TPicture::LoadFromFile(const std::string& file_name) {
  std::string ext = NormalizeExtension(ExtractFileExt(file_name));
  TClass cls = FileFormatClass(ext);
  if (cls == nullptr) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", {ext}));
  std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
  graphic->LoadFromFile(file_name);
  SetOwnedGraphic(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& file_name) {
  if (graphic_) graphic_->SaveToFile(file_name);
}

void TPicture::DefineProperties(TFiler& filer) {
  filer.DefineBinaryProperty(
      "Data", [this](TStream& s) { ReadData(s); }, [this](TStream& s) { WriteData(s); },
      graphic_ != nullptr && !graphic_->Empty());
}

// The class name as a length byte and its characters, then the graphic's data.
void TPicture::ReadData(TStream& stream) {
  uint8_t length = 0;
  stream.ReadBuffer(&length, 1);
  std::string name(length, '\0');
  stream.ReadBuffer(name.data(), length);
  TClass cls = GetClass(name);
  if (cls == nullptr) {
    std::lock_guard<std::mutex> lock(FormatsMutex());
    for (const FileFormat& f : Formats())
      if (SameText(f.graphic_class->ClassName(), name)) cls = f.graphic_class;
  }
  if (cls == nullptr) throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", {name}));
  std::unique_ptr<TGraphic> graphic = NewGraphic(cls);
  graphic->ReadData(stream);
  SetOwnedGraphic(std::move(graphic));
}

void TPicture::WriteData(TStream& stream) {
  if (!graphic_) return;
  const std::string& name = graphic_->ClassName();
  uint8_t length = static_cast<uint8_t>(std::min<size_t>(name.size(), 255));
  stream.WriteBuffer(&length, 1);
  stream.WriteBuffer(name.data(), length);
  graphic_->WriteData(stream);
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

}  // namespace vcl
