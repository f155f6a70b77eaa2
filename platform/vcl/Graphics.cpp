#include "platform/vcl/Graphics.h"

#include <algorithm>
#include <cstring>
#include <map>

#include "platform/gdi/Colors.h"
#include "platform/gdi/Font.h"
#include "platform/gdi/Text.h"
#include "platform/kernel/MulDiv.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/GraphicsShared.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

using namespace plat;

namespace {

// Handles that could not be freed because a DC still held them; retried
// whenever another handle is let go. These tables are never destroyed: graphic
// objects that outlive main (a static font, an exit called from a library)
// still release into them, so the process's end never depends on the order
// of static destructors.
std::mutex& PendingMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::vector<HGDIOBJ>& Pending() {
  static auto* pending = new std::vector<HGDIOBJ>;
  return *pending;
}

// Shared handles by attribute key, counted by the objects that use them.
struct CachedResource {
  HGDIOBJ handle = nullptr;
  int refs = 0;
};
std::mutex& CacheMutex() {
  static auto* m = new std::mutex;
  return *m;
}
std::map<std::string, CachedResource>& Cache() {
  static auto* cache = new std::map<std::string, CachedResource>;
  return *cache;
}

template <class T>
void AppendKey(std::string& key, const T& value) {
  key.append(reinterpret_cast<const char*>(&value), sizeof(value));
}

}  // namespace

void FreeGdiObject(HGDIOBJ handle) {
  std::lock_guard<std::mutex> lock(PendingMutex());
  auto& pending = Pending();
  std::erase_if(pending, [](HGDIOBJ h) { return DeleteObject(h) || GetObjectType(h) == 0; });
  if (handle != nullptr && !DeleteObject(handle) && GetObjectType(handle) != 0) pending.push_back(handle);
}

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

int TFont::Size() const { return -MulDiv(height_, 72, pixels_per_inch_); }

void TFont::SetSize(int value) { SetHeight(-MulDiv(value, pixels_per_inch_, 72)); }

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
  TPoint from;
  if (recorder_) GetCurrentPositionEx(handle_, &from);
  plat::LineTo(handle_, x, y);
  if (recorder_) recorder_({ccLine, Rect(from.x, from.y, x, y), {}, pen_->Color()});
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
  if (recorder_) recorder_({ccFill, rect, {}, brush_->Color()});
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

}  // namespace

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
  const TSize extent = TextExtent(text);
  MoveToEx(handle_, x + extent.cx, y, nullptr);
  if (recorder_) recorder_({ccText, Bounds(x, y, extent.cx, extent.cy), text, font_->Color()});
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

}  // namespace vcl
