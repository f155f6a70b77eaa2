#pragma once
// TImage, a windowless picture holder whose Canvas draws into its bitmap,
// and TRadioGroup, a group box of radio buttons made from its Items and laid
// out in Columns (filled top to bottom, then left to right).
#include <memory>
#include <vector>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/GraphicsPicture.h"
#include "platform/vcl/StdCtrls.h"

namespace vcl {

class TImage : public TGraphicControl {
  VCL_DECLARE_CLASS(TImage, TGraphicControl)
 public:
  explicit TImage(TComponent* owner);
  ~TImage() override;

  TPicture* Picture() const { return picture_.get(); }
  void SetPicture(TPicture* value) { picture_->Assign(value); }
  // The bitmap's canvas; an empty picture first gets a bitmap of the
  // control's size. EInvalidOperation when the picture is not a bitmap.
  TCanvas* Canvas();
  bool AutoSize() const { return auto_size_; }
  void SetAutoSize(bool value);
  bool Center() const { return center_; }
  void SetCenter(bool value);
  bool Stretch() const { return stretch_; }
  void SetStretch(bool value);
  bool Proportional() const { return proportional_; }
  void SetProportional(bool value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value);

 protected:
  void Paint() override;
  bool CanResize(int& width, int& height) override;
  bool HasPicture() const { return picture_->Graphic() && !picture_->Graphic()->Empty(); }
  // Where the picture goes in the client area.
  TRect DestRect() const;

 private:
  void PictureChanged(TObject* sender);

  std::unique_ptr<TPicture> picture_;
  bool auto_size_ = false;
  bool center_ = false;
  bool stretch_ = false;
  bool proportional_ = false;
  bool transparent_ = false;
  bool drawing_ = false;
};

class TCustomRadioGroup : public TCustomGroupBox {
  VCL_DECLARE_CLASS(TCustomRadioGroup, TCustomGroupBox)
 public:
  explicit TCustomRadioGroup(TComponent* owner);
  ~TCustomRadioGroup() override;

  TStrings* Items() const { return items_.get(); }
  void SetItems(TStrings* value) { items_->Assign(value); }
  // Setting a different index from code runs OnClick, as the user's choice does.
  int ItemIndex() const { return item_index_; }
  void SetItemIndex(int value);
  int Columns() const { return columns_; }
  void SetColumns(int value);
  // The radio button of an item (for tests and skins).
  TRadioButton* Buttons(int index) const { return buttons_.at(static_cast<size_t>(index)); }

 protected:
  void Loaded() override;
  void Resize() override;
  void CMFontChanged(TMessage& message) override;
  void CMEnabledChanged(TMessage& message) override;
  void CMTextChanged(TMessage& message) override;

 private:
  friend class TGroupButton;
  void ItemsChanged(TObject* sender);
  void UpdateButtons();
  void ArrangeButtons();
  void ButtonClicked(TRadioButton* button);

  std::unique_ptr<TStringList> items_;
  std::vector<TRadioButton*> buttons_;
  int item_index_ = -1;
  int columns_ = 1;
  bool updating_ = false;
};

class TRadioGroup : public TCustomRadioGroup {
  VCL_DECLARE_CLASS(TRadioGroup, TCustomRadioGroup)
 public:
  using TCustomRadioGroup::TCustomRadioGroup;
};

}  // namespace vcl
