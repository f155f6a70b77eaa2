#pragma once
// Text output and measuring on device contexts. Strings are UTF-8; counts are
// in bytes, and per-character arrays (spacing, partial extents) have one entry
// per byte, the bytes of one character sharing its entry as described below.
#include "platform/gdi/Font.h"
#include "platform/gdi/FontTypes.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/TextLayout.h"

namespace plat {

constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
constexpr UINT ETO_GLYPH_INDEX = 0x0010;
constexpr UINT ETO_RTLREADING = 0x0080;
constexpr UINT ETO_IGNORELANGUAGE = 0x1000;

// Draws at the reference point by the DC's text alignment, colours and
// background mode; with TA_UPDATECP from the current position, which it moves.
BOOL TextOutA(HDC hdc, int x, int y, const char* text, int count);
// As TextOutA; ETO_OPAQUE fills `rect` with the background colour, ETO_CLIPPED
// keeps the text inside it. `dx`, when given, holds the advance of each byte;
// a character advances by the sum of its bytes' entries.
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count,
                 const int* dx);
BOOL GetTextExtentPoint32A(HDC hdc, const char* text, int count, SIZE* size);
BOOL GetTextExtentPointA(HDC hdc, const char* text, int count, SIZE* size);
// `fit` counts the bytes of the whole characters within max_extent; dx[i] is
// the extent up to the end of the character that byte i belongs to.
BOOL GetTextExtentExPointA(HDC hdc, const char* text, int count, int max_extent, int* fit, int* dx,
                           SIZE* size);
BOOL GetTextMetricsA(HDC hdc, TEXTMETRICA* tm);
// Copies the face name; returns the characters copied including the ending
// zero, or the size needed when name is null.
int GetTextFaceA(HDC hdc, int count, char* name);
// Widths of the characters first..last (code points; 128-255 as Latin-1).
BOOL GetCharWidth32A(HDC hdc, UINT first, UINT last, int* widths);
BOOL GetCharWidthA(HDC hdc, UINT first, UINT last, int* widths);
int SetTextCharacterExtra(HDC hdc, int extra);
int GetTextCharacterExtra(HDC hdc);
// Returns the height of the text; with DT_CALCRECT sets the rectangle's right
// and bottom to the text's extent and draws nothing. count -1: up to the zero.
int DrawTextA(HDC hdc, const char* text, int count, RECT* rect, UINT format);

}  // namespace plat
