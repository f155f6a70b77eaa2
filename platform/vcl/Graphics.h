#pragma once
// Fonts, pens and brushes, the canvas that draws with them, and the base of
// the graphics that can be drawn on a canvas and filed (the bitmap is in
// GraphicsBitmap.h, the picture in GraphicsPicture.h). Everything sits on the
// platform's graphics device interface; handles are made when first needed
// and shared between objects of equal attributes.
#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Colors.h"
#include "platform/vcl/Lists.h"

namespace vcl {

class TStream;
class TCanvas;
class TBitmap;

using TRect = plat::RECT;
using TPoint = plat::POINT;
using TSize = plat::SIZE;

inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
  return TRect{left, top, left + width, top + height};
}
inline TPoint Point(int x, int y) { return TPoint{x, y}; }

VCL_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
VCL_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);
VCL_DECLARE_EXCEPTION(EResNotFound, Exception);
VCL_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);

// Class library colour (RGB or system colour) to the RGB the device takes.
plat::COLORREF ColorToRGB(TColor color);

// ---- fonts, pens and brushes ----------------------------------------------

// Base of the objects a canvas selects: OnChange fires after every change.
class TGraphicsObject : public TPersistent {
  VCL_DECLARE_CLASS(TGraphicsObject, TPersistent)
 public:
  ~TGraphicsObject() override;

  TNotifyEvent OnChange;

 protected:
  virtual void Changed();
  // Drops the cached handle, tells the listeners, then lets the old handle go:
  // a canvas deselects it from OnChange, so it can be freed afterwards.
  void HandleChanged();
  plat::HGDIOBJ CachedHandle();
  void AdoptHandle(plat::HGDIOBJ handle);  // a caller's handle, freed by this object
  // The key of the attributes and the handle they make.
  virtual std::string ResourceKey() const = 0;
  virtual plat::HGDIOBJ CreateResource() const = 0;

 private:
  void ReleaseResource(plat::HGDIOBJ handle, bool owned);

  plat::HGDIOBJ handle_ = nullptr;
  bool owns_handle_ = false;  // adopted, not from the shared cache
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;

class TFont : public TGraphicsObject {
  VCL_DECLARE_CLASS(TFont, TGraphicsObject)
 public:
  TFont();
  void Assign(const TPersistent* source) override;

  plat::HFONT Handle();
  // Takes over a font handle and its attributes; the font frees it later.
  void SetHandle(plat::HFONT handle);

  const std::string& Name() const { return name_; }
  void SetName(const std::string& value);
  // Points at PixelsPerInch: Height = -MulDiv(Size, PixelsPerInch, 72).
  int Size() const;
  void SetSize(int value);
  int Height() const { return height_; }
  void SetHeight(int value);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch value);
  TFontCharset Charset() const { return charset_; }
  void SetCharset(TFontCharset value);
  int PixelsPerInch() const { return pixels_per_inch_; }
  void SetPixelsPerInch(int value);

 protected:
  std::string ResourceKey() const override;
  plat::HGDIOBJ CreateResource() const override;

 private:
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TFontStyles style_;
  TColor color_ = clWindowText;
  TFontPitch pitch_ = fpDefault;
  TFontCharset charset_ = 1;  // DEFAULT_CHARSET
  int pixels_per_inch_ = 96;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
// The binary raster operation (R2_...) of a pen mode.
int PenModeToROP2(TPenMode mode);

class TPen : public TGraphicsObject {
  VCL_DECLARE_CLASS(TPen, TGraphicsObject)
 public:
  TPen() = default;
  void Assign(const TPersistent* source) override;

  plat::HPEN Handle();
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  int Width() const { return width_; }
  void SetWidth(int value);
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle value);
  // Not part of the handle: the canvas sets it on the DC when it selects the pen.
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode value);

 protected:
  std::string ResourceKey() const override;
  plat::HGDIOBJ CreateResource() const override;

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
};

enum TBrushStyle {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

class TBrush : public TGraphicsObject {
  VCL_DECLARE_CLASS(TBrush, TGraphicsObject)
 public:
  TBrush() = default;
  void Assign(const TPersistent* source) override;

  plat::HBRUSH Handle();
  // A colour makes a clear brush solid again.
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle value);
  // Pattern brush; the bitmap is not owned and must outlive the brush's use.
  TBitmap* Bitmap() const { return bitmap_; }
  void SetBitmap(TBitmap* value);

 protected:
  std::string ResourceKey() const override;
  plat::HGDIOBJ CreateResource() const override;

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  TBitmap* bitmap_ = nullptr;
};

// ---- canvas ---------------------------------------------------------------

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;
inline constexpr TCanvasState csAllValid{csHandleValid, csFontValid, csPenValid, csBrushValid};

using TCopyMode = plat::DWORD;
constexpr TCopyMode cmBlackness = plat::BLACKNESS;
constexpr TCopyMode cmDstInvert = plat::DSTINVERT;
constexpr TCopyMode cmMergeCopy = plat::MERGECOPY;
constexpr TCopyMode cmMergePaint = plat::MERGEPAINT;
constexpr TCopyMode cmNotSrcCopy = plat::NOTSRCCOPY;
constexpr TCopyMode cmNotSrcErase = plat::NOTSRCERASE;
constexpr TCopyMode cmPatCopy = plat::PATCOPY;
constexpr TCopyMode cmPatInvert = plat::PATINVERT;
constexpr TCopyMode cmPatPaint = plat::PATPAINT;
constexpr TCopyMode cmSrcAnd = plat::SRCAND;
constexpr TCopyMode cmSrcCopy = plat::SRCCOPY;
constexpr TCopyMode cmSrcErase = plat::SRCERASE;
constexpr TCopyMode cmSrcInvert = plat::SRCINVERT;
constexpr TCopyMode cmSrcPaint = plat::SRCPAINT;
constexpr TCopyMode cmWhiteness = plat::WHITENESS;

class TGraphic;

// Drawing surface over a device context. The font, pen and brush are selected
// into the DC when an operation needs them and deselected when they change or
// the DC goes. Descendants supply their DC by overriding CreateHandle.
// One drawing call as a canvas recorder sees it, for checks of what was drawn
// (which text, in which colour, where) rather than of its pixels.
enum TCanvasCallKind { ccLine, ccText, ccFill };
struct TCanvasCall {
  TCanvasCallKind kind = ccLine;
  // Line: from (left, top) to (right, bottom), the end point left out; text:
  // its origin and extent; fill: the rectangle.
  TRect rect;
  std::string text;
  TColor color = clBlack;  // the pen's, the font's or the brush's
};
using TCanvasRecorder = std::function<void(const TCanvasCall&)>;

class TCanvas : public TPersistent {
  VCL_DECLARE_CLASS(TCanvas, TPersistent)
 public:
  TCanvas();
  ~TCanvas() override;

  // The DC with font, pen and brush selected; EInvalidOperation when there is none.
  plat::HDC Handle();
  // Hands the canvas a DC it does not own (null detaches it).
  void SetHandle(plat::HDC value);
  bool HandleAllocated() const { return handle_ != nullptr; }
  // Makes sure the parts in `state` are valid, creating the DC if need be.
  void RequiredState(TCanvasState state);
  // Deselects font, pen and brush, so changes made to the DC directly show.
  void Refresh();

  TFont* Font() const { return font_.get(); }
  void SetFont(TFont* value) { font_->Assign(value); }
  TPen* Pen() const { return pen_.get(); }
  void SetPen(TPen* value) { pen_->Assign(value); }
  TBrush* Brush() const { return brush_.get(); }
  void SetBrush(TBrush* value) { brush_->Assign(value); }
  TCopyMode CopyMode() const { return copy_mode_; }
  void SetCopyMode(TCopyMode value) { copy_mode_ = value; }
  // ExtTextOut options used by TextOut and TextRect.
  int TextFlags() const { return text_flags_; }
  void SetTextFlags(int value) { text_flags_ = value; }

  TPoint PenPos();
  void SetPenPos(TPoint value) { MoveTo(value.x, value.y); }
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);
  TRect ClipRect();

  void MoveTo(int x, int y);
  // Draws up to, not including, (x, y).
  void LineTo(int x, int y);
  void Polyline(std::span<const TPoint> points);
  void Polyline(std::initializer_list<TPoint> points) {
    Polyline(std::span<const TPoint>(points.begin(), points.size()));
  }
  void Polygon(std::span<const TPoint> points);
  void Polygon(std::initializer_list<TPoint> points) {
    Polygon(std::span<const TPoint>(points.begin(), points.size()));
  }
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Ellipse(int x1, int y1, int x2, int y2);
  void Ellipse(const TRect& r) { Ellipse(r.left, r.top, r.right, r.bottom); }
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);
  void DrawFocusRect(const TRect& rect);

  // Copies with CopyMode, stretching when the rectangles differ in size.
  void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
  // Copies `source` of `bitmap`, replacing the pixels of `color` with the brush.
  void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color);
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);

  // Moves the pen position to the end of the text.
  void TextOut(int x, int y, const std::string& text);
  // Text clipped to `rect`; the rectangle is filled with the brush unless it is clear.
  void TextRect(const TRect& rect, int x, int y, const std::string& text);
  TSize TextExtent(const std::string& text);
  int TextWidth(const std::string& text) { return TextExtent(text).cx; }
  int TextHeight(const std::string& text) { return TextExtent(text).cy; }

  // Hears every LineTo, TextOut and FillRect once it is drawn; an empty
  // recorder detaches. Meant for tests and diagnostics.
  void SetRecorder(TCanvasRecorder recorder) { recorder_ = std::move(recorder); }

  // A recursive lock for threads that share the canvas.
  void Lock();
  void Unlock();
  bool TryLock();
  int LockCount() const { return lock_count_.load(); }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void Changed();
  virtual void Changing();
  // Called when a DC is needed and none is set; the base class has none to give.
  virtual void CreateHandle();

 private:
  void DeselectHandles();
  void FontChanged(TObject*);
  void PenChanged(TObject*);
  void BrushChanged(TObject*);

  plat::HDC handle_ = nullptr;
  TCanvasState state_;
  std::unique_ptr<TFont> font_;
  std::unique_ptr<TPen> pen_;
  std::unique_ptr<TBrush> brush_;
  TCopyMode copy_mode_ = cmSrcCopy;
  int text_flags_ = 0;
  TCanvasRecorder recorder_;
  std::recursive_mutex lock_;
  std::atomic<int> lock_count_{0};
};

// Draws a 3D frame of `width` rings inside `rect`: top and left edges in
// top_color, bottom and right in bottom_color. The rectangle shrinks by width.
void Frame3D(TCanvas* canvas, TRect& rect, TColor top_color, TColor bottom_color, int width);

// ---- graphics -------------------------------------------------------------

// An image that can be drawn on a canvas, filed and read from files.
class TGraphic : public TPersistent {
  VCL_DECLARE_CLASS(TGraphic, TPersistent)
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual int Height() const = 0;
  virtual void SetHeight(int value) = 0;
  virtual plat::HPALETTE Palette() { return nullptr; }
  virtual void SetPalette(plat::HPALETTE) {}
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  bool Modified() const { return modified_; }
  void SetModified(bool value);

  // Reads from the stream's position; the format decides how much.
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name);

  void DefineProperties(TFiler& filer) override;
  // The "Data" block of form descriptions.
  virtual void ReadData(TStream& stream);
  virtual void WriteData(TStream& stream);

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
  virtual void Changed(TObject* sender);

 private:
  bool transparent_ = false;
  bool modified_ = false;
};

}  // namespace vcl
