#pragma once
// Skinned check boxes and radio buttons (their box from the check and radio
// strips of the skin's `Buttons` element), group boxes, panels, dialog
// panes and tab sheets (which take the skin's colours) and status bars
// (their panels from `StatusBarEdges`, the size grip from `ExtraImages`).
//
// Check strip of 4 frames: unchecked, checked, unchecked disabled, checked
// disabled or indeterminate. 12 frames: unchecked 1-4, checked 5-8,
// indeterminate 9-12, disabled at 4, 8 and 12. Radio strip of 8 frames:
// unchecked 1-4, checked 5-8, disabled at 4 and 8. Main thread only.
#include "skin/WinSubClass.h"

namespace skin {

class TSkinCheckBox : public TSkinControl {
 public:
  explicit TSkinCheckBox(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  // The strip frame the box shows now.
  virtual int BoxFrame(int frames);

  // 0 until BM_SETCHECK; then its state + 1.
  int CheckState = 0;
  bool DrawParentBackground = false;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
  void PostProcessMessage(vcl::TMessage& message) override;
  virtual bool Radio() const { return false; }
  // The box and the caption beside it.
  void DrawBox(plat::HDC dc, const vcl::TRect& rect, vcl::TBitmap* image, int frames);
};

class TSkinRadioButton : public TSkinCheckBox {
 public:
  explicit TSkinRadioButton(vcl::TComponent* subject = nullptr) : TSkinCheckBox(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;
  int BoxFrame(int frames) override;

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;
  bool Radio() const override { return true; }
};

// A rounded frame in the skin's shadow colour and the caption on the face.
class TSkinGroupBox : public TSkinControl {
 public:
  explicit TSkinGroupBox(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
};

// A panel: only its colour is the skin's.
class TSkinBox : public TSkinControl {
 public:
  explicit TSkinBox(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void Unskin() override;

 protected:
  void PostProcessMessage(vcl::TMessage&) override {}
};

// A bare dialog pane: its face and its static children's background.
class TSkinBoxH : public TSkinControl {
 public:
  TSkinBoxH() = default;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
};

// A size grip in a skinned window: the face colour.
class TSkinSizer : public TSkinControl {
 public:
  explicit TSkinSizer(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override { FillWith(dc, rect); }

 private:
  void FillWith(plat::HDC dc, const vcl::TRect& rect);
};

class TSkinTabSheet : public TSkinControl {
 public:
  explicit TSkinTabSheet(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
};

class TSkinStatusBar : public TSkinControl {
 public:
  explicit TSkinStatusBar(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void DrawControl(plat::HDC dc, const vcl::TRect& rect) override;

 protected:
  bool PreProcessMessage(vcl::TMessage& message) override;
};

// Another maker's check or radio box that paints itself from a glyph strip
// of its own: the companion hands it a strip built from the skin's check or
// radio images and leaves its painting alone. GlyphKind 1 (check glyphs) and
// 2 (radio glyphs) go into its "CustomGlyphs" bitmap, 3 (check glyphs) into
// the "Glyph" bitmap of its "Properties" object. Cells the skin has no
// picture for are the strip's transparent colour, 0xFF00FF.
class TSkinObjImage : public TSkinControl {
 public:
  explicit TSkinObjImage(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}
  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  // The control's own glyphs back.
  void Unskin() override;
  // The strip again, from the skin as it is now.
  void RefreshSkin() override;
  // The strip of GlyphKind; false (and left alone) when the skin has no
  // source image.
  bool BuildStrip(vcl::TBitmap& strip) const;

  int GlyphKind = 0;

 protected:
  void PostProcessMessage(vcl::TMessage&) override {}

 private:
  void HandOver();
};

// The windowless children of a windowed control painted onto its DC.
void PaintWindowlessChildren(vcl::TWinControl* control, plat::HDC dc);

}  // namespace skin
