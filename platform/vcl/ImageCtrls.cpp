#include "platform/vcl/ImageCtrls.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

namespace {

bool Loading(const TComponent* c) {
  return c->ComponentState().Contains(csLoading) || c->ComponentState().Contains(csReading);
}

int FontHeight(TFont* font) {
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  plat::HGDIOBJ old = plat::SelectObject(dc, font->Handle());
  plat::TEXTMETRICA tm{};
  plat::GetTextMetricsA(dc, &tm);
  plat::SelectObject(dc, old);
  plat::DeleteDC(dc);
  return tm.tmHeight > 0 ? static_cast<int>(tm.tmHeight) : 13;
}

}  // namespace

VCL_IMPLEMENT_CLASS(
    TImage,
    EnumProp("Align", &TImage::Align, &TImage::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(alNone),
    SetOfProp("Anchors", &TImage::Anchors, &TImage::SetAnchors, {"akLeft", "akTop", "akRight", "akBottom"})
        .Default(TAnchors{akLeft, akTop}),
    BoolProp("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false),
    BoolProp("Center", &TImage::Center, &TImage::SetCenter).Default(false),
    BoolProp("ParentShowHint", &TImage::ParentShowHint, &TImage::SetParentShowHint).Default(true),
    ObjProp("Picture", &TImage::Picture, &TImage::SetPicture),
    RefProp("PopupMenu", &TImage::PopupMenu, &TImage::SetPopupMenu),
    BoolProp("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false),
    BoolProp("ShowHint", &TImage::ShowHint, &TImage::SetShowHint)
        .Default(false)
        .Stored(&TImage::IsShowHintStored),
    BoolProp("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false),
    BoolProp("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false),
    BoolProp("Visible", &TImage::Visible, &TImage::SetVisible).Default(true),
    EventProp("OnClick", &TImage::OnClick), EventProp("OnDblClick", &TImage::OnDblClick),
    EventProp("OnMouseDown", &TImage::OnMouseDown), EventProp("OnMouseMove", &TImage::OnMouseMove),
    EventProp("OnMouseUp", &TImage::OnMouseUp), EventProp("OnMouseEnter", &TImage::OnMouseEnter),
    EventProp("OnMouseLeave", &TImage::OnMouseLeave))

VCL_IMPLEMENT_CLASS(TCustomRadioGroup)
VCL_IMPLEMENT_CLASS(
    TRadioGroup,
    EnumProp("Align", &TRadioGroup::Align, &TRadioGroup::SetAlign,
             {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient"})
        .Default(alNone),
    SetOfProp("Anchors", &TRadioGroup::Anchors, &TRadioGroup::SetAnchors,
              {"akLeft", "akTop", "akRight", "akBottom"})
        .Default(TAnchors{akLeft, akTop}),
    StrProp("Caption", &TRadioGroup::Caption, &TRadioGroup::SetCaption),
    ColorProp("Color", &TRadioGroup::Color, &TRadioGroup::SetColor)
        .Default(clBtnFace)
        .Stored(&TRadioGroup::IsColorStored),
    IntProp("Columns", &TRadioGroup::Columns, &TRadioGroup::SetColumns).Default(1),
    BoolProp("Enabled", &TRadioGroup::Enabled, &TRadioGroup::SetEnabled).Default(true),
    ObjProp("Font", &TRadioGroup::Font, &TRadioGroup::SetFont).Stored(&TRadioGroup::IsFontStored),
    ObjProp("Items", &TRadioGroup::Items, &TRadioGroup::SetItems),
    IntProp("ItemIndex", &TRadioGroup::ItemIndex, &TRadioGroup::SetItemIndex).Default(-1),
    BoolProp("ParentColor", &TRadioGroup::ParentColor, &TRadioGroup::SetParentColor).Default(true),
    BoolProp("ParentFont", &TRadioGroup::ParentFont, &TRadioGroup::SetParentFont).Default(true),
    BoolProp("ParentShowHint", &TRadioGroup::ParentShowHint, &TRadioGroup::SetParentShowHint).Default(true),
    RefProp("PopupMenu", &TRadioGroup::PopupMenu, &TRadioGroup::SetPopupMenu),
    BoolProp("ShowHint", &TRadioGroup::ShowHint, &TRadioGroup::SetShowHint)
        .Default(false)
        .Stored(&TRadioGroup::IsShowHintStored),
    IntProp("TabOrder", &TRadioGroup::PublishedTabOrder, &TRadioGroup::SetPublishedTabOrder).Default(-1),
    BoolProp("TabStop", &TRadioGroup::TabStop, &TRadioGroup::SetTabStop).Default(false),
    BoolProp("Visible", &TRadioGroup::Visible, &TRadioGroup::SetVisible).Default(true),
    EventProp("OnClick", &TRadioGroup::OnClick), EventProp("OnEnter", &TRadioGroup::OnEnter),
    EventProp("OnExit", &TRadioGroup::OnExit))

// ---- TImage --------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  SetControlStyle(ControlStyle() + TControlStyle{csReplicatable});
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TObject* sender) { PictureChanged(sender); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  if (!picture_->Graphic()) {
    TBitmap bitmap;
    bitmap.SetSize(Width(), Height());
    picture_->SetGraphic(&bitmap);
  }
  auto* bitmap = dynamic_cast<TBitmap*>(picture_->Graphic());
  if (!bitmap) throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  return bitmap->Canvas();
}

void TImage::PictureChanged(TObject*) {
  if (drawing_) return;
  if (TGraphic* graphic = picture_->Graphic(); graphic && graphic->Transparent() != transparent_) {
    drawing_ = true;
    graphic->SetTransparent(transparent_);
    drawing_ = false;
  }
  if (auto_size_ && HasPicture()) SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
  Invalidate();
}

bool TImage::CanResize(int& width, int& height) {
  if (auto_size_ && HasPicture() && !Loading(this)) {
    width = picture_->Width();
    height = picture_->Height();
  }
  return true;
}

void TImage::SetAutoSize(bool value) {
  if (auto_size_ == value) return;
  auto_size_ = value;
  if (value && HasPicture()) SetBounds(Left(), Top(), picture_->Width(), picture_->Height());
}

void TImage::SetCenter(bool value) {
  if (center_ == value) return;
  center_ = value;
  Invalidate();
}

void TImage::SetStretch(bool value) {
  if (stretch_ == value) return;
  stretch_ = value;
  Invalidate();
}

void TImage::SetProportional(bool value) {
  if (proportional_ == value) return;
  proportional_ = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  if (transparent_ == value) return;
  transparent_ = value;
  PictureChanged(this);
}

TRect TImage::DestRect() const {
  int w = picture_->Width(), h = picture_->Height();
  int cw = ClientWidth(), ch = ClientHeight();
  if (stretch_ || (proportional_ && (w > cw || h > ch))) {
    if (proportional_ && w > 0 && h > 0) {
      // The largest size of the picture's shape that fits.
      if (static_cast<int64_t>(cw) * h < static_cast<int64_t>(ch) * w) {
        h = static_cast<int>(static_cast<int64_t>(h) * cw / w);
        w = cw;
      } else {
        w = static_cast<int>(static_cast<int64_t>(w) * ch / h);
        h = ch;
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = center_ ? (cw - w) / 2 : 0;
  int y = center_ ? (ch - h) / 2 : 0;
  return Rect(x, y, x + w, y + h);
}

void TImage::Paint() {
  if (!HasPicture()) return;
  TCanvas* canvas = TGraphicControl::Canvas();
  drawing_ = true;
  try {
    canvas->StretchDraw(DestRect(), picture_->Graphic());
  } catch (...) {
    drawing_ = false;
    throw;
  }
  drawing_ = false;
}

// ---- TCustomRadioGroup ------------------------------------------------------------

// A button of a radio group: its clicks are the group's.
class TGroupButton : public TRadioButton {
 public:
  TGroupButton(TCustomRadioGroup* group) : TRadioButton(nullptr), group_(group) {}
  void Click() override {
    TRadioButton::Click();
    group_->ButtonClicked(this);
  }

 private:
  TCustomRadioGroup* group_;
};

TCustomRadioGroup::TCustomRadioGroup(TComponent* owner)
    : TCustomGroupBox(owner), items_(std::make_unique<TStringList>()) {
  items_->OnChange = [this](TObject* sender) { ItemsChanged(sender); };
}

TCustomRadioGroup::~TCustomRadioGroup() { items_->OnChange = nullptr; }

void TCustomRadioGroup::ItemsChanged(TObject*) {
  if (Loading(this)) return;
  if (item_index_ >= items_->Count()) item_index_ = items_->Count() - 1;
  UpdateButtons();
}

void TCustomRadioGroup::UpdateButtons() {
  updating_ = true;
  try {
    while (static_cast<int>(buttons_.size()) > items_->Count()) {
      TRadioButton* last = buttons_.back();
      buttons_.pop_back();
      delete last;
    }
    while (static_cast<int>(buttons_.size()) < items_->Count()) {
      auto* button = new TGroupButton(this);
      buttons_.push_back(button);
      button->SetParent(this);
    }
    for (size_t i = 0; i < buttons_.size(); ++i) {
      buttons_[i]->SetCaption(items_->Strings(static_cast<int>(i)));
      buttons_[i]->SetEnabled(Enabled());
      buttons_[i]->SetChecked(static_cast<int>(i) == item_index_);
    }
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
  ArrangeButtons();
}

void TCustomRadioGroup::ArrangeButtons() {
  if (buttons_.empty()) return;
  int count = static_cast<int>(buttons_.size());
  int per_column = (count + columns_ - 1) / columns_;
  int button_width = (Width() - 10) / columns_;
  int text_height = FontHeight(Font());
  int room = Height() - text_height - 5;
  int button_height = std::max(room / per_column, 0);
  // What the rows leave over is shared above and below them.
  int top_margin = text_height + 1 + std::max(room % per_column, 0) / 2;
  for (int i = 0; i < count; ++i) {
    int left = (i / per_column) * button_width + 8;
    int top = (i % per_column) * button_height + top_margin;
    buttons_[static_cast<size_t>(i)]->SetBounds(left, top, std::max(button_width, 0), button_height);
  }
}

void TCustomRadioGroup::ButtonClicked(TRadioButton* button) {
  if (updating_) return;
  auto it = std::find(buttons_.begin(), buttons_.end(), button);
  if (it == buttons_.end()) return;
  item_index_ = static_cast<int>(it - buttons_.begin());
  Click();
}

void TCustomRadioGroup::SetItemIndex(int value) {
  if (Loading(this)) {
    item_index_ = value;
    return;
  }
  value = std::clamp(value, -1, static_cast<int>(buttons_.size()) - 1);
  if (value == item_index_) return;
  if (item_index_ >= 0) buttons_[static_cast<size_t>(item_index_)]->SetChecked(false);
  item_index_ = value;
  // The button's click reaches the group: OnClick runs as for the user's choice.
  if (value >= 0) buttons_[static_cast<size_t>(value)]->SetChecked(true);
}

void TCustomRadioGroup::SetColumns(int value) {
  value = std::clamp(value, 1, 16);
  if (columns_ == value) return;
  columns_ = value;
  ArrangeButtons();
  Invalidate();
}

void TCustomRadioGroup::Loaded() {
  TCustomGroupBox::Loaded();
  item_index_ = std::clamp(item_index_, -1, items_->Count() - 1);
  UpdateButtons();
}

void TCustomRadioGroup::Resize() {
  TCustomGroupBox::Resize();
  ArrangeButtons();
}

void TCustomRadioGroup::CMFontChanged(TMessage& m) {
  TCustomGroupBox::CMFontChanged(m);
  ArrangeButtons();
}

void TCustomRadioGroup::CMEnabledChanged(TMessage& m) {
  TCustomGroupBox::CMEnabledChanged(m);
  for (TRadioButton* b : buttons_) b->SetEnabled(Enabled());
}

void TCustomRadioGroup::CMTextChanged(TMessage& m) { TCustomGroupBox::CMTextChanged(m); }

}  // namespace vcl
