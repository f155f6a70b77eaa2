#include "platform/vcl/MPlayer.h"

#include <cstdlib>

#include "platform/gdi/Gdi.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

const std::vector<std::string> kButtonIdents = {"btPlay", "btPause", "btStop",   "btNext", "btPrev",
                                                "btStep", "btBack",  "btRecord", "btEject"};

// A triangle pointing right (or left) with its flat side at x0, rows 1..9.
bool Triangle(int x, int y, int x0, bool right) {
  const int row = y - 1;
  if (row < 0 || row > 8) return false;
  const int length = 5 - std::abs(row - 4);
  const int dx = right ? x - x0 : x0 - x;
  return dx >= 0 && dx < length;
}

bool Bar(int x, int y, int x0) { return x >= x0 && x < x0 + 2 && y >= 1 && y <= 9; }

bool Inked(TMPBtnType button, int x, int y) {
  switch (button) {
    case btPlay:
      return Triangle(x, y, 5, true);
    case btPause:
      return Bar(x, y, 4) || Bar(x, y, 9);
    case btStop:
      return x >= 3 && x < 12 && y >= 1 && y <= 9;
    case btNext:
      return Triangle(x, y, 4, true) || Bar(x, y, 9);
    case btPrev:
      return Bar(x, y, 4) || Triangle(x, y, 10, false);
    case btStep:
      return Triangle(x, y, 3, true) || Triangle(x, y, 8, true);
    case btBack:
      return Triangle(x, y, 6, false) || Triangle(x, y, 11, false);
    case btRecord: {
      const int dx = x - 7, dy = y - 5;
      return dx * dx + dy * dy <= 17;
    }
    case btEject:
      return (y >= 1 && y <= 5 && std::abs(x - 7) <= y - 1) || (x >= 2 && x <= 12 && y >= 7 && y <= 8);
  }
  return false;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TMediaPlayer,
                    SetOfProp("ColoredButtons", &TMediaPlayer::ColoredButtons,
                              &TMediaPlayer::SetColoredButtons, kButtonIdents),
                    BoolProp("Enabled", &TMediaPlayer::Enabled, &TMediaPlayer::SetEnabled).Default(true),
                    SetOfProp("EnabledButtons", &TMediaPlayer::EnabledButtons,
                              &TMediaPlayer::SetEnabledButtons, kButtonIdents),
                    BoolProp("Visible", &TMediaPlayer::Visible, &TMediaPlayer::SetVisible).Default(true),
                    SetOfProp("VisibleButtons", &TMediaPlayer::VisibleButtons,
                              &TMediaPlayer::SetVisibleButtons, kButtonIdents),
                    EventProp("OnClick", &TMediaPlayer::OnClick))

TColor MediaGlyphColour(TMPBtnType button) {
  switch (button) {
    case btPlay:
    case btNext:
    case btStep:
      return 0x00A000;
    case btPause:
      return 0x00C0C0;
    case btStop:
    case btRecord:
      return 0x0000C0;
    case btPrev:
    case btBack:
      return 0x808000;
    case btEject:
      return 0xC00000;
  }
  return clBlack;
}

void DrawMediaGlyph(TBitmap* target, TMPBtnType button, TMPGlyphKind kind) {
  if (!target) return;
  target->SetPixelFormat(pf24bit);
  target->SetSize(kMediaGlyphWidth, kMediaGlyphHeight);
  TCanvas* canvas = target->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(kMediaGlyphKey);
  canvas->FillRect(Rect(0, 0, kMediaGlyphWidth, kMediaGlyphHeight));
  const TColor ink = kind == mgDisabled ? clGray : kind == mgColored ? MediaGlyphColour(button) : clBlack;
  for (int y = 0; y < kMediaGlyphHeight; ++y)
    for (int x = 0; x < kMediaGlyphWidth; ++x)
      if (Inked(button, x, y)) canvas->SetPixels(x, y, ink);
}

TMediaPlayer::TMediaPlayer(TComponent* owner) : TCustomControl(owner) {
  SetControlStyle(TControlStyle{csCaptureMouse, csOpaque});
  SetBounds(0, 0, 253, 30);
}

void TMediaPlayer::SetVisibleButtons(TButtonSet value) {
  visible_ = value;
  Invalidate();
}

void TMediaPlayer::SetEnabledButtons(TButtonSet value) {
  enabled_ = value;
  Invalidate();
}

void TMediaPlayer::SetColoredButtons(TButtonSet value) {
  colored_ = value;
  Invalidate();
}

int TMediaPlayer::VisibleCount() const {
  int n = 0;
  for (int i = 0; i < kMediaButtonCount; ++i) n += visible_.Contains(static_cast<TMPBtnType>(i)) ? 1 : 0;
  return n;
}

int TMediaPlayer::ButtonAt(int x) const {
  const int count = VisibleCount();
  if (count == 0) return -1;
  const int width = ClientWidth() / count;
  int left = 0;
  for (int i = 0; i < kMediaButtonCount; ++i) {
    if (!visible_.Contains(static_cast<TMPBtnType>(i))) continue;
    if (x >= left && x <= left + width) return i;
    left += width;
  }
  return -1;
}

void TMediaPlayer::Paint() {
  TCanvas* canvas = Canvas();
  const TRect client = ClientRect();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(client);
  const int count = VisibleCount();
  if (count == 0) return;
  const int width = client.right / count;
  TBitmap glyph;
  int left = 0;
  for (int i = 0; i < kMediaButtonCount; ++i) {
    const auto button = static_cast<TMPBtnType>(i);
    if (!visible_.Contains(button)) continue;
    const bool enabled = Enabled() && enabled_.Contains(button);
    const bool down = pressed_ == i;
    const TRect face =
        DrawButtonFace(canvas, Rect(left, 0, left + width, client.bottom), 1, bsNew, false, down, false);
    DrawMediaGlyph(&glyph, button, !enabled ? mgDisabled : colored_.Contains(button) ? mgColored : mgEnabled);
    const int gx = face.left + (face.right - face.left - kMediaGlyphWidth) / 2;
    const int gy = face.top + (face.bottom - face.top - kMediaGlyphHeight) / 2;
    for (int y = 0; y < kMediaGlyphHeight; ++y)
      for (int x = 0; x < kMediaGlyphWidth; ++x)
        if (TColor c = glyph.Canvas()->Pixels(x, y); c != kMediaGlyphKey)
          canvas->SetPixels(gx + x, gy + y, c);
    left += width;
  }
}

void TMediaPlayer::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  const int at = ButtonAt(x);
  pressed_ = at >= 0 && enabled_.Contains(static_cast<TMPBtnType>(at)) ? at : -1;
  Invalidate();
}

void TMediaPlayer::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseUp(button, shift, x, y);
  if (button != mbLeft) return;
  const int pressed = pressed_;
  pressed_ = -1;
  Invalidate();
  if (pressed < 0 || ButtonAt(x) != pressed) return;
  bool do_default = true;
  if (OnClick) OnClick(this, static_cast<TMPBtnType>(pressed), do_default);
}

}  // namespace vcl
