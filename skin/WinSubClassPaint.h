#pragma once
// Routines every kind of skinned control shares: published properties read
// and written by name (so a control of any class that publishes a property
// of that name and kind is served), fills in the skin's colours, one frame
// of an element or an image strip, captions, labels, image-and-text pairs,
// glyph cells, focus rectangles, small arrows, and the paint and erase
// messages. They keep no state; where they need the companion they take it
// first. Frame numbers start at 1 and counts below 1 count as 1. Main
// thread only.
#include <string>

#include "platform/kernel/Types.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"

namespace vcl {
class TBitmap;
class TCustomImageList;
}  // namespace vcl

namespace skin {

class TSkinControl;
class TDataSkinObject;

// -1 when the object is nil or has no integer property of the name.
int GetIntProp(const vcl::TObject* object, const std::string& name);
// An enumeration's or Boolean's identifier ("blGlyphLeft", "True"), an
// integer's digits, a string as it is; empty when missing.
std::string GetPropText(const vcl::TObject* object, const std::string& name);
// A string property's text; empty when missing or not a string.
std::string GetTextProp(const vcl::TObject* object, const std::string& name);
// The object the property holds when it is of `cls`, else nil.
vcl::TObject* GetObjectPropByName(const vcl::TObject* object, const std::string& name, vcl::TClass cls);
// Enumerations and Booleans by identifier, integers from the text as a
// number; other kinds, missing properties and texts that do not fit are
// left alone.
void SetPropByName(vcl::TObject* object, const std::string& name, const std::string& text);

// The control's mouse-down handling with the left button, the shift state of
// the message's key flags and its point.
void FireMouseDown(TSkinControl* companion, const vcl::TMessage& message);

void FillFace(TSkinControl* companion, plat::HDC dc, const vcl::TRect& rect);
// The colour of the control's parent, else `fallback`.
vcl::TColor ParentColour(TSkinControl* companion, vcl::TColor fallback);
void FillParentColour(TSkinControl* companion, plat::HDC dc, const vcl::TRect& rect);
// Frame `frame` of an element of side-by-side frames, nine-part scaled to
// the rectangle; key pixels left when the element is transparent.
void DrawElementState(TSkinControl* companion, plat::HDC dc, const vcl::TRect& rect, int frames, int frame,
                      TDataSkinObject* element);
// Frame `frame` of `frames` side-by-side frames of `bitmap` stretched to the
// rectangle, key pixels left; a frame past the last is the last.
void DrawStripFrame(plat::HDC dc, const vcl::TRect& rect, int frames, int frame, vcl::TBitmap* bitmap);
void DrawStripFrame(vcl::TCanvas* canvas, const vcl::TRect& rect, int frames, int frame,
                    vcl::TBitmap* bitmap);
// Cell `cell` of `cells` at its own size; cell 2 (disabled) greyed; the
// cell's bottom-left pixel is its transparent colour.
void DrawGlyphCell(TSkinControl* companion, vcl::TCanvas* canvas, vcl::TPoint position, int cells, int cell,
                   vcl::TBitmap* bitmap);
// The first "||" breaks the line (kept in CaptionText); word-wrapped text
// centred vertically, and horizontally for DT_CENTER; a focus rectangle
// around it while focused.
void DrawButtonCaption(TSkinControl* companion, vcl::TCanvas* canvas, const vcl::TRect& rect,
                       plat::UINT alignment, const std::string& text);
void DrawLabelText(TSkinControl* companion, vcl::TCanvas* canvas, const vcl::TRect& rect, plat::UINT flags,
                   bool enabled, const std::string& text);
// One line centred both ways; alignment 0 left, 1 right, 2 centre.
void DrawCentredLabel(vcl::TCanvas* canvas, const vcl::TRect& rect, const std::string& text, int alignment,
                      bool enabled);
// Alignment 0 left, 1 centre, 2 right; no image for index -1, no list or an
// image not narrower than the rectangle.
void DrawImageText(TSkinControl* companion, vcl::TCanvas* canvas, const vcl::TRect& rect, int alignment,
                   const std::string& text, int index, vcl::TCustomImageList* images);
void DrawFocusAroundText(TSkinControl* companion, plat::HDC dc, plat::UINT flags, const vcl::TRect& rect);
// Direction 0 up, 1 down, 2 left, 3 right, with the canvas pen.
void DrawArrow(vcl::TCanvas* canvas, int x, int y, int direction);
// WM_PAINT: DrawControl on wParam's DC, or between BeginPaint and EndPaint.
void PaintMessage(TSkinControl* companion, vcl::TMessage& message);
// WM_ERASEBKGND: the parent's picture behind a control, else the parent's
// colour; answers 1.
void EraseMessage(TSkinControl* companion, vcl::TMessage& message);
bool IsPopupWindow(plat::HWND window);
// The canvas takes the font the window answers WM_GETFONT with: its face,
// height and style; the window keeps its handle.
void TakeWindowFont(vcl::TCanvas* canvas, plat::HWND window);

// Where DrawButtonCaption puts a measured text of tw x th in `rect`.
vcl::TRect ButtonCaptionRect(const vcl::TRect& rect, plat::UINT alignment, int tw, int th);
// The image's (and after it the text's) offset in DrawImageText.
int ImageTextLeft(int width, int image_width, int text_width, int alignment);

}  // namespace skin
