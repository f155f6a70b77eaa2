#include "platform/vcl/Tabs.h"

#include <algorithm>

#include "platform/gdi/Gdi.h"
#include "platform/gdi/Text.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TTabSet, ObjProp("Tabs", &TTabSet::Tabs, &TTabSet::SetTabs),
                    IntProp("TabIndex", &TTabSet::TabIndex, &TTabSet::SetTabIndex).Default(-1),
                    IntProp("FirstIndex", &TTabSet::FirstIndex, &TTabSet::SetFirstIndex).Default(0),
                    IntProp("StartMargin", &TTabSet::StartMargin, &TTabSet::SetStartMargin).Default(5),
                    IntProp("EndMargin", &TTabSet::EndMargin, &TTabSet::SetEndMargin).Default(5),
                    EventProp("OnChange", &TTabSet::OnChange))

TTabSet::TTabSet(TComponent* owner) : TCustomControl(owner), tabs_(std::make_unique<TStringList>()) {
  SetBounds(0, 0, 185, 21);
  tabs_->OnChange = [this](TObject*) { TabsChanged(); };
}

TTabSet::~TTabSet() { tabs_->OnChange = nullptr; }

void TTabSet::TabsChanged() {
  if (tab_index_ >= tabs_->Count()) tab_index_ = tabs_->Count() - 1;
  first_index_ = std::clamp(first_index_, 0, std::max(tabs_->Count() - 1, 0));
  Invalidate();
}

void TTabSet::SetTabIndex(int value) {
  if (value < -1 || value >= tabs_->Count() || value == tab_index_) return;
  tab_index_ = value;
  Invalidate();
}

void TTabSet::SetFirstIndex(int value) {
  value = std::clamp(value, 0, std::max(tabs_->Count() - 1, 0));
  if (value == first_index_) return;
  first_index_ = value;
  Invalidate();
}

void TTabSet::SetStartMargin(int value) {
  start_margin_ = std::max(value, 0);
  Invalidate();
}

void TTabSet::SetEndMargin(int value) {
  end_margin_ = std::max(value, 0);
  Invalidate();
}

int TTabSet::TabWidth(const std::string& text) const {
  plat::HDC dc = plat::CreateCompatibleDC(nullptr);
  TCanvas canvas;
  canvas.SetHandle(dc);
  canvas.SetFont(Font());
  const int width = canvas.TextWidth(text) + 9;
  canvas.SetHandle(nullptr);
  plat::DeleteDC(dc);
  return width;
}

TRect TTabSet::ItemRect(int index) const {
  if (index < first_index_ || index >= tabs_->Count()) return TRect{};
  const int end = Width() - end_margin_;
  int x = start_margin_;
  for (int i = first_index_; i <= index; ++i) {
    const int w = TabWidth(tabs_->Strings(i));
    // The row ends with the first tab that does not fit.
    if (x + w > end) return TRect{};
    if (i == index) return TRect{x, 0, x + w, Height()};
    x += w;
  }
  return TRect{};
}

int TTabSet::ItemAtPos(TPoint point) const {
  for (int i = first_index_; i < tabs_->Count(); ++i) {
    const TRect r = ItemRect(i);
    if (r.right <= r.left) return -1;
    if (point.x >= r.left && point.x < r.right && point.y >= r.top && point.y < r.bottom) return i;
  }
  return -1;
}

void TTabSet::Paint() {
  TCanvas* c = Canvas();
  const TRect client = ClientRect();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(Color());
  c->FillRect(client);
  // The edge the tabs hang from.
  c->Pen()->SetColor(clBtnShadow);
  c->MoveTo(0, 0);
  c->LineTo(client.right, 0);
  c->SetFont(Font());
  for (int i = first_index_; i < tabs_->Count(); ++i) {
    TRect r = ItemRect(i);
    if (r.right <= r.left) break;
    if (i == tab_index_) {
      // The selected tab joins the page above it.
      c->Brush()->SetColor(clWindow);
      c->FillRect(r);
    }
    c->Polyline({{r.left, 0}, {r.left, r.bottom - 1}, {r.right - 1, r.bottom - 1}, {r.right - 1, -1}});
    c->Brush()->SetStyle(bsClear);
    const std::string& text = tabs_->Strings(i);
    plat::DrawTextA(c->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
                    plat::DT_CENTER | plat::DT_VCENTER | plat::DT_SINGLELINE | plat::DT_NOPREFIX);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(Color());
  }
}

void TTabSet::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TCustomControl::MouseDown(button, shift, x, y);
  if (button != mbLeft) return;
  const int hit = ItemAtPos(TPoint{x, y});
  if (hit < 0 || hit == tab_index_) return;
  SetTabIndex(hit);
  if (OnChange) OnChange(this);
}

}  // namespace vcl
