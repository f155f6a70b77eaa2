#include "controls/MMSpeedBtn.h"

#include <cctype>
#include <functional>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

// ---- glyph lists and their cache ----

namespace {

std::unique_ptr<TGlyphCache> shared_glyph_cache;

TGlyphCache& EnsureGlyphCache() {
  if (!shared_glyph_cache) shared_glyph_cache = std::make_unique<TGlyphCache>();
  return *shared_glyph_cache;
}

}  // namespace

TGlyphCache* SharedGlyphCache() { return shared_glyph_cache.get(); }

VCL_IMPLEMENT_CLASS(TGlyphList)

TGlyphList::TGlyphList(int width, int height) : vcl::TImageList(nullptr) {
  SetWidth(width);
  SetHeight(height);
}

int TGlyphList::TakeFreeSlot() {
  int slot = used_slots_.OpenBit();
  if (slot >= Count()) {
    vcl::TBitmap blank;
    blank.SetSize(Width(), Height());
    Add(&blank, nullptr);
    used_slots_.SetSize(Count());
    slot = Count() - 1;
  }
  used_slots_.SetBits(slot, true);
  return slot;
}

int TGlyphList::StoreInSlot(const std::function<void(int slot)>& replace) {
  const int slot = TakeFreeSlot();
  try {
    replace(slot);
  } catch (...) {
    used_slots_.SetBits(slot, false);
    throw;
  }
  ++used_count_;
  return slot;
}

int TGlyphList::AddImage(vcl::TBitmap* image, vcl::TBitmap* mask) {
  return StoreInSlot([&](int slot) { Replace(slot, image, mask); });
}

int TGlyphList::AddMaskedImage(vcl::TBitmap* image, vcl::TColor mask_color) {
  return StoreInSlot([&](int slot) { ReplaceMasked(slot, image, mask_color); });
}

void TGlyphList::FreeSlot(int index) {
  if (index < 0 || index >= used_slots_.Size() || !used_slots_.Bits(index)) return;
  used_slots_.SetBits(index, false);
  --used_count_;
}

TGlyphList* TGlyphCache::ListForSize(int width, int height) {
  for (auto it = lists_.rbegin(); it != lists_.rend(); ++it)
    if ((*it)->Width() == width && (*it)->Height() == height) return it->get();
  lists_.push_back(std::make_unique<TGlyphList>(width, height));
  return lists_.back().get();
}

void TGlyphCache::ReleaseList(TGlyphList* list) {
  if (!list || list->UsedCount() != 0) return;
  std::erase_if(lists_, [list](const std::unique_ptr<TGlyphList>& l) { return l.get() == list; });
}

// ---- TButtonGlyph ----

TButtonGlyph::TButtonGlyph() : glyph_bitmap_(std::make_unique<vcl::TBitmap>()) {
  glyph_bitmap_->OnChange = [this](vcl::TObject* sender) { GlyphBitmapChanged(sender); };
  EnsureGlyphCache();
}

TButtonGlyph::~TButtonGlyph() {
  glyph_bitmap_->OnChange = nullptr;
  DropImages();
  if (shared_glyph_cache && shared_glyph_cache->IsEmpty()) shared_glyph_cache.reset();
}

void TButtonGlyph::AssignBitmap(vcl::TBitmap* value) {
  DropImages();
  glyph_bitmap_->Assign(value);
  if (value && value->Height() > 0) {
    transparent_color_ = value->TransparentColor();
    if (value->Width() % value->Height() == 0) {
      const int cells = value->Width() / value->Height();
      num_glyphs_ = cells > 4 ? 1 : cells;
    }
  }
}

void TButtonGlyph::SetCellCount(TNumGlyphs value) {
  if (value == 0 || value == num_glyphs_) return;
  DropImages();
  num_glyphs_ = value;
}

void TButtonGlyph::GlyphBitmapChanged(vcl::TObject*) {
  if (!glyph_bitmap_->Empty()) transparent_color_ = glyph_bitmap_->TransparentColor();
  DropImages();
  if (OnChange) OnChange(nullptr);
}

void TButtonGlyph::DropImages() {
  for (int& index : state_images_) {
    if (index != -1 && glyph_list_) glyph_list_->FreeSlot(index);
    index = -1;
  }
  if (glyph_list_ && shared_glyph_cache) shared_glyph_cache->ReleaseList(glyph_list_);
  glyph_list_ = nullptr;
}

void TButtonGlyph::RenderEmbossed(vcl::TBitmap* target, int cell_width, int cell_height) {
  // The first cell in colour: a monochrome glyph reads as black on white.
  vcl::TBitmap cell;
  cell.SetSize(cell_width, cell_height);
  plat::HDC cell_dc = cell.Canvas()->Handle();
  plat::SetTextColor(cell_dc, plat::RGB(0, 0, 0));
  plat::SetBkColor(cell_dc, plat::RGB(255, 255, 255));
  plat::BitBlt(cell_dc, 0, 0, cell_width, cell_height, glyph_bitmap_->Canvas()->Handle(), 0, 0,
               plat::SRCCOPY);
  // Its black pixels are the shape (1 in the mask).
  vcl::TBitmap mono;
  mono.SetMonochrome(true);
  mono.SetSize(cell_width, cell_height);
  plat::SetBkColor(cell_dc, plat::RGB(0, 0, 0));
  plat::HDC mono_dc = mono.Canvas()->Handle();
  plat::BitBlt(mono_dc, 0, 0, cell_width, cell_height, cell_dc, 0, 0, plat::SRCCOPY);

  vcl::TCanvas* canvas = target->Canvas();
  canvas->Brush()->SetColor(vcl::clBtnFace);
  canvas->FillRect(vcl::Rect(0, 0, cell_width, cell_height));
  plat::HDC dc = canvas->Handle();
  // A white shape one pixel down and right, then the shape in the shadow colour over it.
  plat::SetTextColor(dc, plat::RGB(255, 255, 255));
  plat::SetBkColor(dc, plat::RGB(0, 0, 0));
  plat::BitBlt(dc, 1, 1, cell_width, cell_height, mono_dc, 0, 0, plat::MERGEPAINT);
  plat::BitBlt(dc, 0, 0, cell_width, cell_height, mono_dc, 0, 0, plat::SRCAND);
  plat::SetTextColor(dc, plat::RGB(0, 0, 0));
  plat::SetBkColor(dc, vcl::ColorToRGB(vcl::clBtnShadow));
  plat::BitBlt(dc, 0, 0, cell_width, cell_height, mono_dc, 0, 0, plat::SRCPAINT);
  canvas->Refresh();
}

int TButtonGlyph::RenderStateImage(TButtonState state) {
  if (state == vcl::bsDown && num_glyphs_ < 3) state = vcl::bsUp;
  if (state_images_[state] != -1) return state_images_[state];
  const int width = glyph_bitmap_->Width() / num_glyphs_;
  const int height = glyph_bitmap_->Height();
  if (!glyph_list_) glyph_list_ = EnsureGlyphCache().ListForSize(width, height);
  vcl::TBitmap image;
  image.SetSize(width, height);
  vcl::TCanvas* canvas = image.Canvas();
  canvas->Brush()->SetColor(vcl::clBtnFace);
  const int cell = state < num_glyphs_ ? state : 0;
  const vcl::TRect dest = vcl::Rect(0, 0, width, height);
  const vcl::TRect source = vcl::Rect(cell * width, 0, (cell + 1) * width, height);
  int index = -1;
  switch (state) {
    case vcl::bsUp:
    case vcl::bsDown:
    case vcl::bsDisabled:
      if (state == vcl::bsDisabled && num_glyphs_ == 1) {
        RenderEmbossed(&image, width, height);
      } else {
        canvas->BrushCopy(dest, glyph_bitmap_.get(), source, transparent_color_);
      }
      index = glyph_list_->AddImage(&image, nullptr);
      break;
    case vcl::bsExclusive:
      // Masked, so the checkerboard of the face shows through.
      canvas->CopyRect(dest, glyph_bitmap_->Canvas(), source);
      index = glyph_list_->AddMaskedImage(&image, transparent_color_);
      break;
  }
  state_images_[state] = index;
  return index;
}

void TButtonGlyph::PaintGlyphImage(vcl::TCanvas* canvas, int x, int y, TButtonState state) {
  if (glyph_bitmap_->Width() == 0 || glyph_bitmap_->Height() == 0) return;
  const int index = RenderStateImage(state);
  glyph_list_->Draw(canvas, x, y, index, true);
}

void TButtonGlyph::PaintCaption(vcl::TCanvas* canvas, const std::string& caption, const vcl::TRect& text_rect,
                                TButtonState state) {
  if (caption.empty()) return;
  canvas->Brush()->SetStyle(vcl::bsClear);
  constexpr plat::UINT kFormat = plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE;
  const int length = static_cast<int>(caption.size());
  vcl::TRect r = text_rect;
  if (state == vcl::bsDisabled) {
    plat::OffsetRect(&r, 1, 1);
    canvas->Font()->SetColor(vcl::clWhite);
    plat::DrawTextA(canvas->Handle(), caption.c_str(), length, &r, kFormat);
    plat::OffsetRect(&r, -1, -1);
    canvas->Font()->SetColor(static_cast<vcl::TColor>(0x808080));
  }
  plat::DrawTextA(canvas->Handle(), caption.c_str(), length, &r, kFormat);
}

void TButtonGlyph::ComputeLayout(vcl::TCanvas* canvas, const vcl::TRect& client, vcl::TPoint& glyph_pos,
                                 vcl::TRect& text_rect, TButtonLayout layout, int margin, int spacing,
                                 const std::string& caption) {
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  int gw = 0, gh = 0;
  if (!glyph_bitmap_->Empty()) {
    gw = glyph_bitmap_->Width() / num_glyphs_;
    gh = glyph_bitmap_->Height();
  }
  int tw = 0, th = 0;
  if (!caption.empty()) {
    vcl::TRect bounds = vcl::Rect(0, 0, cw, 0);
    plat::DrawTextA(canvas->Handle(), caption.c_str(), static_cast<int>(caption.size()), &bounds,
                    plat::DT_CALCRECT);
    tw = bounds.right - bounds.left;
    th = bounds.bottom - bounds.top;
  }
  const bool across = layout == vcl::blGlyphLeft || layout == vcl::blGlyphRight;
  vcl::TPoint text_pos{};
  if (across) {
    glyph_pos.y = ch / 2 - gh / 2;
    text_pos.y = ch / 2 - th / 2;
  } else {
    glyph_pos.x = cw / 2 - gw / 2;
    text_pos.x = cw / 2 - tw / 2;
  }
  if (tw == 0 || gw == 0) spacing = 0;
  // Along the layout's axis.
  const int extent = across ? cw : ch;
  const int glyph = across ? gw : gh;
  const int text = across ? tw : th;
  if (margin == -1) {
    if (spacing == -1) {
      margin = (extent - (glyph + text)) / 3;
      spacing = margin;
    } else {
      const int total = glyph + spacing + text;
      margin = extent / 2 - total / 2;
    }
  } else if (spacing == -1) {
    const int rest = extent - (margin + glyph);
    spacing = rest / 2 - text / 2;
  }
  switch (layout) {
    case vcl::blGlyphLeft:
      glyph_pos.x = margin;
      text_pos.x = glyph_pos.x + gw + spacing;
      break;
    case vcl::blGlyphRight:
      glyph_pos.x = cw - margin - gw;
      text_pos.x = glyph_pos.x - spacing - tw;
      break;
    case vcl::blGlyphTop:
      glyph_pos.y = margin;
      text_pos.y = glyph_pos.y + gh + spacing;
      break;
    case vcl::blGlyphBottom:
      glyph_pos.y = ch - margin - gh;
      text_pos.y = glyph_pos.y - spacing - th;
      break;
  }
  glyph_pos.x += client.left;
  glyph_pos.y += client.top;
  text_rect = vcl::Rect(text_pos.x + client.left, text_pos.y + client.top, text_pos.x + client.left + tw,
                        text_pos.y + client.top + th);
}

vcl::TRect TButtonGlyph::DrawGlyphAndCaption(vcl::TCanvas* canvas, const vcl::TRect& client,
                                             TButtonState state, int spacing, int margin,
                                             TButtonLayout layout, const std::string& caption) {
  vcl::TPoint glyph_pos{};
  vcl::TRect text_rect{};
  ComputeLayout(canvas, client, glyph_pos, text_rect, layout, margin, spacing, caption);
  PaintGlyphImage(canvas, glyph_pos.x, glyph_pos.y, state);
  PaintCaption(canvas, caption, text_rect, state);
  return text_rect;
}

// ---- TMMSpeedButton ----

VCL_IMPLEMENT_CLASS(
    TMMSpeedButton, EventProp("OnClick", &TMMSpeedButton::OnClick),
    EventProp("OnDblClick", &TMMSpeedButton::OnDblClick),
    EventProp("OnMouseDown", &TMMSpeedButton::OnMouseDown),
    EventProp("OnMouseMove", &TMMSpeedButton::OnMouseMove),
    EventProp("OnMouseUp", &TMMSpeedButton::OnMouseUp),
    BoolProp("AllowAllUp", &TMMSpeedButton::AllowAllUp, &TMMSpeedButton::SetAllowAllUp).Default(false),
    IntProp("GroupIndex", &TMMSpeedButton::GroupIndex, &TMMSpeedButton::SetGroupIndex).Default(0),
    BoolProp("Down", &TMMSpeedButton::Down, &TMMSpeedButton::SetDown).Default(false),
    StrProp("Caption", &TMMSpeedButton::Caption, &TMMSpeedButton::SetCaption),
    BoolProp("Enabled", &TMMSpeedButton::Enabled, &TMMSpeedButton::SetEnabled).Default(true),
    ObjProp("Font", &TMMSpeedButton::Font, &TMMSpeedButton::SetFont).Stored(&TMMSpeedButton::IsFontStored),
    ObjProp("Glyph", &TMMSpeedButton::Glyph, &TMMSpeedButton::SetGlyph),
    EnumProp("Layout", &TMMSpeedButton::Layout, &TMMSpeedButton::SetLayout,
             {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"})
        .Default(vcl::blGlyphLeft),
    IntProp("Margin", &TMMSpeedButton::Margin, &TMMSpeedButton::SetMargin).Default(-1),
    IntProp("NumGlyphs", &TMMSpeedButton::NumGlyphs, &TMMSpeedButton::SetNumGlyphs).Default(1),
    BoolProp("ParentFont", &TMMSpeedButton::ParentFont, &TMMSpeedButton::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TMMSpeedButton::ParentShowHint, &TMMSpeedButton::SetParentShowHint)
        .Default(true),
    BoolProp("ShowHint", &TMMSpeedButton::ShowHint, &TMMSpeedButton::SetShowHint)
        .Default(false)
        .Stored(&TMMSpeedButton::IsShowHintStored),
    BoolProp("Visible", &TMMSpeedButton::Visible, &TMMSpeedButton::SetVisible).Default(true),
    IntProp("Spacing", &TMMSpeedButton::Spacing, &TMMSpeedButton::SetSpacing).Default(4),
    EnumProp("Bevel", &TMMSpeedButton::Bevel, &TMMSpeedButton::SetBevel, {"bsLowered", "bsRaised"})
        .Default(vcl::bsRaised),
    ColorProp("DownColor", &TMMSpeedButton::DownColor, &TMMSpeedButton::SetDownColor).Default(vcl::clWhite),
    ColorProp("BevelColor", &TMMSpeedButton::BevelColor, &TMMSpeedButton::SetBevelColor)
        .Default(vcl::clBlack))

TMMSpeedButton::TMMSpeedButton(vcl::TComponent* owner)
    : TMMGraphicControl(owner), glyph_(std::make_unique<TButtonGlyph>()) {
  SetBounds(0, 0, 25, 25);
  // Clicks come from MouseUp, which knows about groups.
  SetControlStyle(vcl::TControlStyle{vcl::csCaptureMouse, vcl::csOpaque, vcl::csDoubleClicks});
  glyph_->OnChange = [this](vcl::TObject*) { Invalidate(); };
  SetParentFont(true);
}

TMMSpeedButton::~TMMSpeedButton() { glyph_->OnChange = nullptr; }

void TMMSpeedButton::SetGlyph(vcl::TBitmap* value) {
  glyph_->AssignBitmap(value);
  Invalidate();
}

void TMMSpeedButton::SetNumGlyphs(TNumGlyphs value) {
  if (value > 4) value = 4;
  if (value < 1 || value == glyph_->NumGlyphs()) return;
  glyph_->SetCellCount(value);
  Invalidate();
}

void TMMSpeedButton::SetLayout(TButtonLayout value) {
  if (layout_ == value) return;
  layout_ = value;
  Invalidate();
}

void TMMSpeedButton::SetMargin(int value) {
  if (margin_ == value || value < -1) return;
  margin_ = value;
  Invalidate();
}

void TMMSpeedButton::SetSpacing(int value) {
  if (spacing_ == value) return;
  spacing_ = value;
  Invalidate();
}

void TMMSpeedButton::SetBevel(vcl::TBevelStyle value) {
  if (bevel_ == value) return;
  bevel_ = value;
  Invalidate();
}

void TMMSpeedButton::SetDownColor(vcl::TColor value) {
  if (down_color_ == value) return;
  down_color_ = value;
  Invalidate();
}

void TMMSpeedButton::SetBevelColor(vcl::TColor value) {
  if (bevel_color_ == value) return;
  bevel_color_ = value;
  Invalidate();
}

void TMMSpeedButton::SetAllowAllUp(bool value) {
  if (allow_all_up_ == value) return;
  allow_all_up_ = value;
  NotifyGroup();
}

void TMMSpeedButton::SetGroupIndex(int value) {
  if (group_index_ == value) return;
  group_index_ = value;
  NotifyGroup();
}

void TMMSpeedButton::SetDown(bool value) {
  if (group_index_ == 0) value = false;
  if (value == down_) return;
  if (down_ && !allow_all_up_) return;
  down_ = value;
  state_ = value ? vcl::bsExclusive : vcl::bsUp;
  Invalidate();
  if (value) NotifyGroup();
}

void TMMSpeedButton::NotifyGroup() {
  if (group_index_ == 0 || !Parent()) return;
  vcl::TMessage m{vcl::CM_BUTTONPRESSED, static_cast<plat::WPARAM>(group_index_),
                  reinterpret_cast<plat::LPARAM>(this), 0};
  Parent()->Broadcast(m);
}

void TMMSpeedButton::CMButtonPressed(vcl::TMessage& m) {
  if (static_cast<int>(m.WParam) != group_index_) return;
  auto* sender = reinterpret_cast<TMMSpeedButton*>(m.LParam);
  if (!sender || sender == this) return;
  if (sender->Down() && down_) {
    down_ = false;
    state_ = vcl::bsUp;
    Invalidate();
  }
  allow_all_up_ = sender->AllowAllUp();
}

namespace {

// The accelerator of a caption: the character after a single "&".
bool IsAccel(plat::WPARAM key, const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(caption[i + 1])) ==
           std::toupper(static_cast<int>(key & 0xFF));
  }
  return false;
}

}  // namespace

void TMMSpeedButton::CMDialogChar(vcl::TMessage& m) {
  if (IsAccel(m.WParam, Caption()) && Enabled()) {
    Click();
    m.Result = 1;
    return;
  }
  TMMGraphicControl::Dispatch(m);
}

void TMMSpeedButton::Dispatch(vcl::TMessage& m) {
  switch (m.Msg) {
    case vcl::CM_BUTTONPRESSED:
      return CMButtonPressed(m);
    case vcl::CM_DIALOGCHAR:
      return CMDialogChar(m);
    case vcl::CM_HINTSHOW:
      m.Result = Enabled() ? 0 : 1;
      return;
    case vcl::CM_SYSCOLORCHANGE:
      glyph_->DropImages();
      Invalidate();
      return;
    case plat::WM_CAPTURECHANGED:
    case vcl::CM_CANCELMODE:
      if (tracking_) CaptureLost();
      break;
    default:
      break;
  }
  TMMGraphicControl::Dispatch(m);
}

void TMMSpeedButton::CaptureLost() {
  tracking_ = false;
  state_ = down_ ? vcl::bsExclusive : vcl::bsUp;
  Repaint();
}

void TMMSpeedButton::Click() { TMMGraphicControl::Click(); }

void TMMSpeedButton::DblClick() {
  if (down_) TMMGraphicControl::DblClick();
}

bool TMMSpeedButton::Inside(int x, int y) const {
  return x >= 0 && x < ClientWidth() && y >= 0 && y <= ClientHeight();
}

void TMMSpeedButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TMMGraphicControl::MouseDown(button, shift, x, y);
  if (button != vcl::mbLeft || !Enabled()) return;
  if (!down_) {
    state_ = vcl::bsDown;
    Repaint();
  }
  tracking_ = true;
}

void TMMSpeedButton::MouseMove(vcl::TShiftState shift, int x, int y) {
  TMMGraphicControl::MouseMove(shift, x, y);
  if (!tracking_) return;
  TButtonState next = down_ ? vcl::bsExclusive : vcl::bsUp;
  if (Inside(x, y)) next = down_ ? vcl::bsExclusive : vcl::bsDown;
  if (next != state_) {
    state_ = next;
    Repaint();
  }
}

void TMMSpeedButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y) {
  TMMGraphicControl::MouseUp(button, shift, x, y);
  if (!tracking_) return;
  tracking_ = false;
  const bool inside = Inside(x, y);
  state_ = vcl::bsUp;
  if (group_index_ == 0) {
    Repaint();
  } else if (inside) {
    SetDown(!down_);
    // A down button that may not come up stays drawn down.
    if (down_ && state_ != vcl::bsExclusive) {
      state_ = vcl::bsExclusive;
      Repaint();
    }
  } else {
    if (down_) state_ = vcl::bsExclusive;
    Repaint();
  }
  if (inside) Click();
}

vcl::TRect TMMSpeedButton::PaintFace(const vcl::TRect& client, bool pressed) {
  vcl::TCanvas* canvas = Canvas();
  canvas->Brush()->SetStyle(vcl::bsSolid);
  canvas->Brush()->SetColor(vcl::clBtnFace);
  canvas->FillRect(client);
  vcl::TRect r = client;
  const int left = client.left, top = client.top, right = client.right, bottom = client.bottom;
  if (pressed) {
    vcl::Frame3D(canvas, r, bevel_color_, vcl::clBtnHighlight, 1);
    vcl::Frame3D(canvas, r, vcl::clBtnShadow, vcl::clBtnFace, 1);
  } else if (bevel_ == vcl::bsRaised) {
    vcl::Frame3D(canvas, r, vcl::clBtnHighlight, bevel_color_, 1);
    vcl::Frame3D(canvas, r, vcl::clBtnFace, vcl::clBtnShadow, 1);
  } else {
    // Etched: a dark outline with a light line inside it on the top and
    // left and outside it on the right and bottom.
    canvas->Pen()->SetColor(bevel_color_);
    canvas->Brush()->SetStyle(vcl::bsClear);
    canvas->Rectangle(left, top, right - 1, bottom - 1);
    canvas->Pen()->SetColor(vcl::clBtnHighlight);
    canvas->Polyline({{left + 1, bottom}, {left + 1, top + 1}, {right - 2, top + 1}});
    canvas->Polyline({{right - 1, top}, {right - 1, bottom - 1}, {left + 1, bottom - 1}});
    canvas->Brush()->SetStyle(vcl::bsSolid);
  }
  vcl::TRect content = vcl::Rect(left, top, right - 1, bottom - 1);
  if (pressed) plat::OffsetRect(&content, 1, 1);
  return content;
}

void TMMSpeedButton::SyncEnabledState() {
  if (!DesignMode()) {
    if (!Enabled()) {
      state_ = vcl::bsDisabled;
      tracking_ = false;
    } else if (state_ == vcl::bsDisabled) {
      state_ = vcl::bsUp;
    }
  }
}

void TMMSpeedButton::Paint() {
  SyncEnabledState();
  vcl::TCanvas* canvas = Canvas();
  canvas->SetFont(Font());
  vcl::TRect content =
      PaintFace(vcl::Rect(0, 0, Width(), Height()), state_ == vcl::bsDown || state_ == vcl::bsExclusive);
  if (state_ == vcl::bsExclusive) {
    vcl::TBitmap pattern;
    pattern.SetSize(8, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        pattern.Canvas()->SetPixels(x, y, (x + y) % 2 == 0 ? down_color_ : vcl::clBtnFace);
    --content.right;
    --content.bottom;
    canvas->Brush()->SetBitmap(&pattern);
    canvas->FillRect(content);
    canvas->Brush()->SetBitmap(nullptr);
    canvas->Brush()->SetStyle(vcl::bsSolid);
  }
  glyph_->DrawGlyphAndCaption(canvas, content, state_, spacing_, margin_, layout_, Caption());
}

}  // namespace controls
