#include "platform/vcl/Buttons.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/gdi/TextLayout.h"
#include "platform/user/Button.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(
    TSpeedButton,
    EnumProp("Align", &TSpeedButton::Align, &TSpeedButton::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(alNone),
    BoolProp("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false),
    SetOfProp("Anchors", &TSpeedButton::Anchors, &TSpeedButton::SetAnchors,
              {"akLeft", "akTop", "akRight", "akBottom"})
        .Default(TAnchors{akLeft, akTop}),
    IntProp("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0),
    BoolProp("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false),
    StrProp("Caption", &TSpeedButton::Caption, &TSpeedButton::SetCaption),
    BoolProp("Enabled", &TSpeedButton::Enabled, &TSpeedButton::SetEnabled).Default(true),
    BoolProp("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false),
    ObjProp("Font", &TSpeedButton::Font, &TSpeedButton::SetFont).Stored(&TSpeedButton::IsFontStored),
    ObjProp("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph).Stored(&TSpeedButton::HasGlyph),
    EnumProp("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout,
             {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"})
        .Default(blGlyphLeft),
    IntProp("Margin", &TSpeedButton::Margin, &TSpeedButton::SetMargin).Default(-1),
    IntProp("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs).Default(1),
    BoolProp("ParentFont", &TSpeedButton::ParentFont, &TSpeedButton::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TSpeedButton::ParentShowHint, &TSpeedButton::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TSpeedButton::PopupMenu, &TSpeedButton::SetPopupMenu),
    BoolProp("ShowHint", &TSpeedButton::ShowHint, &TSpeedButton::SetShowHint)
        .Default(false)
        .Stored(&TSpeedButton::IsShowHintStored),
    IntProp("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing).Default(4),
    BoolProp("Transparent", &TSpeedButton::Transparent, &TSpeedButton::SetTransparent).Default(true),
    BoolProp("Visible", &TSpeedButton::Visible, &TSpeedButton::SetVisible).Default(true),
    EventProp("OnClick", &TSpeedButton::OnClick), EventProp("OnDblClick", &TSpeedButton::OnDblClick),
    EventProp("OnMouseDown", &TSpeedButton::OnMouseDown),
    EventProp("OnMouseMove", &TSpeedButton::OnMouseMove), EventProp("OnMouseUp", &TSpeedButton::OnMouseUp),
    EventProp("OnMouseEnter", &TSpeedButton::OnMouseEnter),
    EventProp("OnMouseLeave", &TSpeedButton::OnMouseLeave))

VCL_IMPLEMENT_CLASS(TBitBtn, ObjProp("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph).Stored(&TBitBtn::HasGlyph),
                    EnumProp("Layout", &TBitBtn::Layout, &TBitBtn::SetLayout,
                             {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"})
                        .Default(blGlyphLeft),
                    IntProp("Margin", &TBitBtn::Margin, &TBitBtn::SetMargin).Default(-1),
                    IntProp("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs).Default(1),
                    IntProp("Spacing", &TBitBtn::Spacing, &TBitBtn::SetSpacing).Default(4))

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
  // Clicks come from MouseUp, which knows about groups.
  SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks});
  SetBounds(0, 0, 23, 22);
  glyph_->OnChange = [this](TObject* sender) { GlyphChanged(sender); };
}

TSpeedButton::~TSpeedButton() { glyph_->OnChange = nullptr; }

void TSpeedButton::GlyphChanged(TObject*) { Invalidate(); }

void TSpeedButton::SetAllowAllUp(bool value) {
  if (allow_all_up_ == value) return;
  allow_all_up_ = value;
  UpdateExclusive();
}

void TSpeedButton::SetGroupIndex(int value) {
  if (group_index_ == value) return;
  group_index_ = value;
  UpdateExclusive();
}

void TSpeedButton::SetDown(bool value) {
  if (group_index_ == 0) value = false;
  if (value == down_) return;
  if (down_ && !allow_all_up_) return;
  down_ = value;
  state_ = value ? bsExclusive : bsUp;
  Invalidate();
  if (value) UpdateExclusive();
}

void TSpeedButton::UpdateExclusive() {
  if (group_index_ == 0 || !Parent()) return;
  TWinControl* parent = Parent();
  for (int i = 0; i < parent->ControlCount(); ++i) {
    auto* other = dynamic_cast<TSpeedButton*>(parent->Controls(i));
    if (!other || other == this || other->group_index_ != group_index_) continue;
    if (down_ && other->down_) {
      other->down_ = false;
      other->state_ = bsUp;
      other->Invalidate();
    }
    other->allow_all_up_ = allow_all_up_;
  }
}

void TSpeedButton::Loaded() {
  TGraphicControl::Loaded();
  if (down_) UpdateExclusive();
}

void TSpeedButton::SetFlat(bool value) {
  if (flat_ == value) return;
  flat_ = value;
  Invalidate();
}

void TSpeedButton::SetNumGlyphs(TNumGlyphs value) {
  value = std::clamp(value, 1, 4);
  if (num_glyphs_ == value) return;
  num_glyphs_ = value;
  Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TSpeedButton::SetMargin(int value) {
  if (margin_ == value || value < -1) return;
  margin_ = value;
  Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
  if (spacing_ == value) return;
  spacing_ = value;
  Invalidate();
}

void TSpeedButton::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  if (value)
    SetControlStyle(ControlStyle() - TControlStyle{csOpaque});
  else
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
  Invalidate();
}

void TSpeedButton::Click() { TGraphicControl::Click(); }

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseDown(button, shift, x, y);
  if (button != mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = bsDown;
    Invalidate();
  }
  dragging_ = true;
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
  TGraphicControl::MouseMove(shift, x, y);
  if (!dragging_) return;
  bool inside = x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
  TButtonState next = down_ ? bsExclusive : (inside ? bsDown : bsUp);
  if (next != state_) {
    state_ = next;
    Invalidate();
  }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  TGraphicControl::MouseUp(button, shift, x, y);
  if (!dragging_ || button != mbLeft) return;
  dragging_ = false;
  bool inside = x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight();
  if (group_index_ == 0) {
    state_ = bsUp;
    Invalidate();
  } else if (inside) {
    // A button that must stay down stays down, but the click still counts.
    SetDown(!down_);
  } else {
    state_ = down_ ? bsExclusive : bsUp;
    Invalidate();
  }
  if (inside) Click();
}

void TSpeedButton::CMMouseEnter(TMessage& m) {
  TGraphicControl::CMMouseEnter(m);
  if (m.LParam == 0 && !mouse_in_control_ && Enabled()) {
    mouse_in_control_ = true;
    if (flat_) Invalidate();
  }
}

void TSpeedButton::CMMouseLeave(TMessage& m) {
  TGraphicControl::CMMouseLeave(m);
  if (m.LParam == 0 && mouse_in_control_) {
    mouse_in_control_ = false;
    if (flat_) Invalidate();
  }
}

void TSpeedButton::CMEnabledChanged(TMessage& m) {
  if (!Enabled()) mouse_in_control_ = false;
  TGraphicControl::CMEnabledChanged(m);
}

int TSpeedButton::GlyphIndex() const {
  int index = 0;
  if (!Enabled())
    index = 1;
  else if (state_ == bsDown)
    index = 2;
  else if (state_ == bsExclusive)
    index = 3;
  // Missing images fall back to the first.
  return index < num_glyphs_ ? index : 0;
}

void TSpeedButton::Paint() {
  TCanvas* canvas = Canvas();
  plat::HDC dc = canvas->Handle();
  TRect r = ClientRect();
  bool pressed = state_ == bsDown || state_ == bsExclusive;
  if (!transparent_ || (pressed && !flat_)) {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(r);
  }
  plat::RECT edge = r;
  if (flat_) {
    if (pressed)
      plat::DrawEdge(dc, &edge, plat::BDR_SUNKENOUTER, plat::BF_RECT);
    else if (mouse_in_control_ && Enabled())
      plat::DrawEdge(dc, &edge, plat::BDR_RAISEDINNER, plat::BF_RECT);
  } else {
    plat::DrawEdge(dc, &edge, pressed ? plat::EDGE_SUNKEN : plat::EDGE_RAISED, plat::BF_RECT);
  }

  TGlyphCaption what;
  what.glyph = glyph_.get();
  what.num_glyphs = num_glyphs_;
  what.cell = GlyphIndex();
  what.layout = layout_;
  what.margin = margin_;
  what.spacing = spacing_;
  what.caption = Caption();
  what.enabled = Enabled();
  what.pressed = pressed;
  canvas->SetFont(Font());
  DrawGlyphCaption(canvas, r, what);
}

void DrawGlyphCaption(TCanvas* canvas, const TRect& r, const TGlyphCaption& what) {
  plat::HDC dc = canvas->Handle();
  TBitmap* glyph = what.glyph;
  const int cells = std::max(what.num_glyphs, 1);
  int glyph_w = !glyph || glyph->Empty() ? 0 : glyph->Width() / cells;
  int glyph_h = glyph_w == 0 ? 0 : glyph->Height();
  const std::string& caption = what.caption;
  TSize text{0, 0};
  if (!caption.empty()) {
    plat::RECT calc{0, 0, 0, 0};
    plat::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &calc,
                    plat::DT_SINGLELINE | plat::DT_CALCRECT);
    text = TSize{calc.right, calc.bottom};
  }
  int space = glyph_w > 0 && text.cx > 0 ? what.spacing : 0;
  bool horizontal = what.layout == blGlyphLeft || what.layout == blGlyphRight;
  int cw = r.right - r.left, ch = r.bottom - r.top;
  int total = horizontal ? glyph_w + space + text.cx : glyph_h + space + text.cy;
  int extent = horizontal ? cw : ch;
  int lead = what.margin < 0 ? (extent - total) / 2 : what.margin;
  TPoint glyph_at, text_at;
  switch (what.layout) {
    case blGlyphLeft:
      glyph_at = {lead, (ch - glyph_h) / 2};
      text_at = {lead + glyph_w + space, (ch - text.cy) / 2};
      break;
    case blGlyphRight:
      glyph_at = {cw - lead - glyph_w, (ch - glyph_h) / 2};
      text_at = {cw - lead - glyph_w - space - text.cx, (ch - text.cy) / 2};
      break;
    case blGlyphTop:
      glyph_at = {(cw - glyph_w) / 2, lead};
      text_at = {(cw - text.cx) / 2, lead + glyph_h + space};
      break;
    case blGlyphBottom:
      glyph_at = {(cw - glyph_w) / 2, ch - lead - glyph_h};
      text_at = {(cw - text.cx) / 2, ch - lead - glyph_h - space - text.cy};
      break;
  }
  glyph_at = {glyph_at.x + r.left, glyph_at.y + r.top};
  text_at = {text_at.x + r.left, text_at.y + r.top};
  if (what.pressed) {
    ++glyph_at.x, ++glyph_at.y;
    ++text_at.x, ++text_at.y;
  }

  if (glyph_w > 0) {
    TCanvas* source = glyph->Canvas();
    TColor key = glyph->TransparentColor();
    // Missing images fall back to the first.
    int index = what.cell >= 0 && what.cell < cells ? what.cell : 0;
    // Without an image of its own, a disabled glyph is drawn as its shadow.
    bool shadow = !what.enabled && index == 0;
    plat::COLORREF key_rgb = ColorToRGB(key);
    for (int y = 0; y < glyph_h; ++y) {
      for (int x = 0; x < glyph_w; ++x) {
        TColor c = source->Pixels(index * glyph_w + x, y);
        if (ColorToRGB(c) == key_rgb) continue;
        plat::SetPixel(dc, glyph_at.x + x, glyph_at.y + y, ColorToRGB(shadow ? clBtnShadow : c));
      }
    }
  }
  if (!caption.empty()) {
    plat::SetBkMode(dc, plat::TRANSPARENT);
    plat::RECT place{text_at.x, text_at.y, text_at.x + text.cx, text_at.y + text.cy};
    plat::SetTextColor(dc, ColorToRGB(what.enabled ? canvas->Font()->Color() : clBtnShadow));
    plat::DrawTextA(dc, caption.c_str(), static_cast<int>(caption.size()), &place, plat::DT_SINGLELINE);
  }
}

// ---- TBitBtn -----------------------------------------------------------------------------

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(std::make_unique<TBitmap>()) {
  glyph_->OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtn::~TBitBtn() { glyph_->OnChange = nullptr; }

void TBitBtn::CreateParams(TCreateParams& params) {
  TButton::CreateParams(params);
  params.Style = (params.Style & ~plat::BS_TYPEMASK) | plat::BS_OWNERDRAW;
}

void TBitBtn::SetNumGlyphs(TNumGlyphs value) {
  value = std::clamp(value, 1, 4);
  if (num_glyphs_ == value) return;
  num_glyphs_ = value;
  Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TBitBtn::SetMargin(int value) {
  if (margin_ == value || value < -1) return;
  margin_ = value;
  Invalidate();
}

void TBitBtn::SetSpacing(int value) {
  if (spacing_ == value) return;
  spacing_ = value;
  Invalidate();
}

void TBitBtn::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case plat::BM_SETSTYLE:
      // Default or not, the button stays owner-drawn; Default() decides the look.
      m.WParam = plat::BS_OWNERDRAW;
      break;
    case CN_DRAWITEM:
      if (m.LParam) DrawItem(*reinterpret_cast<const plat::DRAWITEMSTRUCT*>(m.LParam));
      m.Result = 1;
      return;
    default:
      break;
  }
  TButton::Dispatch(m);
}

void TBitBtn::DrawItem(const plat::DRAWITEMSTRUCT& draw) {
  const bool down = (draw.itemState & plat::ODS_SELECTED) != 0;
  const bool focused = (draw.itemState & plat::ODS_FOCUS) != 0;
  TCanvas canvas;
  const int saved = plat::SaveDC(draw.hDC);
  canvas.SetHandle(draw.hDC);
  const TRect client = draw.rcItem;
  const TRect content = DrawButtonFace(&canvas, client, 1, bsNew, false, down, focused || Default());
  TGlyphCaption what;
  what.glyph = glyph_.get();
  what.num_glyphs = num_glyphs_;
  what.cell = !Enabled() ? 1 : down ? 2 : 0;
  what.layout = layout_;
  what.margin = margin_;
  what.spacing = spacing_;
  what.caption = Caption();
  what.enabled = Enabled();
  what.pressed = down;
  canvas.SetFont(Font());
  DrawGlyphCaption(&canvas, client, what);
  if (focused) {
    TRect ring{content.left + 2, content.top + 2, content.right - 2, content.bottom - 2};
    canvas.DrawFocusRect(ring);
  }
  canvas.SetHandle(nullptr);
  plat::RestoreDC(draw.hDC, saved);
}

TRect DrawButtonFace(TCanvas* canvas, const TRect& client, int bevel_width, TButtonStyle style,
                     bool is_rounded, bool is_down, bool is_focused) {
  TRect r = client;
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(clBtnFace);
  canvas->FillRect(r);
  Frame3D(canvas, r, clWindowFrame, clWindowFrame, is_focused ? 2 : 1);
  if (is_rounded || style == bsWin31) {
    for (const TPoint p : {Point(client.left, client.top), Point(client.right - 1, client.top),
                           Point(client.left, client.bottom - 1), Point(client.right - 1, client.bottom - 1)})
      canvas->SetPixels(p.x, p.y, clBtnFace);
  }
  if (is_down) {
    Frame3D(canvas, r, clBtnShadow, clBtnShadow, 1);
    ++r.left;
    ++r.top;
  } else if (bevel_width > 0) {
    Frame3D(canvas, r, clBtnHighlight, clBtnShadow, bevel_width);
  }
  return r;
}

}  // namespace vcl
