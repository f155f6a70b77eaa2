#include "controls/MMBmpCtl.h"

#include <algorithm>

#include "engine/MMUtilsBitmaps.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

vcl::TCanvas* LockBitmap(vcl::TBitmap* bitmap) {
  vcl::TCanvas* canvas = bitmap->Canvas();
  canvas->Lock();
  static_cast<vcl::TBitmapCanvas*>(canvas)->FreeContext();
  return canvas;
}

// ---- bitmap cache ----

namespace {
std::unique_ptr<TBitmapCache> cache;

// Through the observer, never the list: a list being destroyed has already
// let its observers go when its removal notice arrives.
void Detach(engine::TMMObserver& observer) {
  if (engine::TMMObservable* observable = observer.Observable()) observable->RemoveObserver(&observer);
}

// The control or panel follows `value` from now on and hears of its removal.
void Follow(vcl::TComponent* self, engine::TMMObserver& observer, TMMBitmapList*& field,
            TMMBitmapList* value) {
  Detach(observer);
  field = value;
  if (value) {
    value->AddObserver(&observer);
    value->FreeNotification(self);
  }
}

bool ValidEntry(const TMMBitmapList* list, int index) { return list && index >= 0 && index < list->Count(); }
}  // namespace

vcl::TBitmap* TBitmapCache::Get(int width, int height) {
  return bitmaps_.Acquire({width, height}, [&] {
    auto bitmap = std::make_unique<vcl::TBitmap>();
    bitmap->SetWidth(width);
    bitmap->SetHeight(height);
    return bitmap;
  });
}

vcl::TBitmap* GetCachedBitmap(int width, int height) {
  if (!cache) cache = std::make_unique<TBitmapCache>();
  return cache->Get(width, height);
}

void ReleaseCachedBitmap(vcl::TBitmap*& bitmap) {
  if (bitmap == nullptr || !cache) return;
  bool freed = false;
  if (!cache->Release(bitmap, freed)) return;
  if (freed) bitmap = nullptr;
  if (cache->Empty()) cache.reset();
}

const TBitmapCache* BitmapCache() { return cache.get(); }

// ---- TMMCustomBitmapListControl ----

VCL_IMPLEMENT_CLASS(TMMCustomBitmapListControl)

TMMCustomBitmapListControl::TMMCustomBitmapListControl(vcl::TComponent* owner)
    : TMMGraphicControl(owner), observer_(std::make_unique<engine::TMMObserver>()) {
  SetControlStyle(ControlStyle() - vcl::TControlStyle{vcl::csOpaque});
  observer_->OnNotify = [this](engine::TMMObserver*, void*) { BitmapChanged(); };
}

TMMCustomBitmapListControl::~TMMCustomBitmapListControl() {
  // Leaves the list without the repaint a change of list brings.
  Detach(*observer_);
  bitmap_list_ = nullptr;
}

void TMMCustomBitmapListControl::SetBitmapList(TMMBitmapList* value) {
  if (static_cast<vcl::TComponent*>(value) == this) return;
  Follow(this, *observer_, bitmap_list_, value);
  BitmapChanged();
}

void TMMCustomBitmapListControl::SetBitmapIndex(int value) {
  if (value == bitmap_index_) return;
  bitmap_index_ = std::max(value, -1);
  BitmapChanged();
}

void TMMCustomBitmapListControl::SetTransparentColor(vcl::TColor value) {
  if (value == transparent_color_) return;
  transparent_mode_ = value == vcl::clDefault ? vcl::tmAuto : vcl::tmFixed;
  transparent_color_ = value;
  Perform(CM_BITMAPLISTCHANGED);
}

void TMMCustomBitmapListControl::SetTransparentMode(vcl::TTransparentMode value) {
  if (value == transparent_mode_) return;
  if (value == vcl::tmFixed)
    SetTransparentColor(GetEffectiveTransparentColor());
  else
    SetTransparentColor(vcl::clDefault);
}

bool TMMCustomBitmapListControl::BitmapValid() const { return ValidEntry(bitmap_list_, bitmap_index_); }

vcl::TBitmap* TMMCustomBitmapListControl::CurrentBitmap() const {
  return BitmapValid() ? bitmap_list_->GetBitmap(bitmap_index_) : nullptr;
}

vcl::TColor TMMCustomBitmapListControl::GetBitmapTransparentColor() const {
  vcl::TBitmap* bitmap = CurrentBitmap();
  if (!bitmap) return vcl::clDefault;
  vcl::TCanvas* canvas = LockBitmap(bitmap);
  plat::ScopeExit unlock([canvas] { canvas->Unlock(); });
  return engine::GetBitmapPixel(bitmap->Handle(), plat::POINT{0, bitmap->Height() - 1});
}

vcl::TColor TMMCustomBitmapListControl::GetEffectiveTransparentColor() const {
  if (transparent_color_ == vcl::clDefault) return GetBitmapTransparentColor();
  return vcl::ColorToRGB(transparent_color_);
}

plat::HPALETTE TMMCustomBitmapListControl::GetPalette() const {
  vcl::TBitmap* bitmap = CurrentBitmap();
  return bitmap ? bitmap->Palette() : nullptr;
}

void TMMCustomBitmapListControl::Dispatch(vcl::TMessage& message) {
  if (message.Msg == CM_BITMAPLISTCHANGED) {
    CMBitmapListChanged(message);
    return;
  }
  inherited::Dispatch(message);
}

void TMMCustomBitmapListControl::CMBitmapListChanged(vcl::TMessage&) { Invalidate(); }

void TMMCustomBitmapListControl::BitmapChanged() {
  if (ComponentState().Contains(vcl::csDestroying)) return;
  vcl::TWinControl* parent = Parent();
  if (!DesignMode() && Visible() && parent && parent->HandleAllocated()) {
    auto* canvas = static_cast<vcl::TControlCanvas*>(Canvas());
    canvas->Lock();
    plat::ScopeExit release([canvas] {
      canvas->FreeHandle();
      canvas->Unlock();
    });
    Paint();
  }
  Refresh();
}

void TMMCustomBitmapListControl::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != vcl::opRemove || component != bitmap_list_) return;
  Detach(*observer_);
  bitmap_list_ = nullptr;
  BitmapChanged();
}

// ---- TMMPanelFill ----

VCL_IMPLEMENT_CLASS(
    TMMPanelFill, RefProp("BitmapList", &TMMPanelFill::BitmapList, &TMMPanelFill::SetBitmapList),
    IntProp("BitmapIndex", &TMMPanelFill::BitmapIndex, &TMMPanelFill::SetBitmapIndex).Default(-1),
    IntProp("BitmapBackIndex", &TMMPanelFill::BitmapBackIndex, &TMMPanelFill::SetBitmapBackIndex).Default(-1),
    BoolProp("FillBevel", &TMMPanelFill::FillBevel, &TMMPanelFill::SetFillBevel).Default(true),
    EventProp("OnFillPanel", &TMMPanelFill::OnFillPanel))

TMMPanelFill::TMMPanelFill(vcl::TComponent* owner)
    : TMMPanel(owner), observer_(std::make_unique<engine::TMMObserver>()) {
  SetFillBevel(true);
  observer_->OnNotify = [this](engine::TMMObserver*, void*) {
    if (!ComponentState().Contains(vcl::csDestroying)) Refresh();
  };
  // The fill below the bevel is this class's own.
  OnPaintBackground = [](vcl::TObject*, vcl::TCanvas*, const vcl::TRect&) {};
}

TMMPanelFill::~TMMPanelFill() {
  OnPaintBackground = nullptr;
  Detach(*observer_);
  bitmap_list_ = nullptr;
}

void TMMPanelFill::SetBitmapList(TMMBitmapList* value) {
  if (static_cast<vcl::TComponent*>(value) == this) return;
  Follow(this, *observer_, bitmap_list_, value);
  if (!ComponentState().Contains(vcl::csDestroying)) Refresh();
}

void TMMPanelFill::SetBitmapIndex(int value) {
  if (value == bitmap_index_) return;
  bitmap_index_ = std::max(value, -1);
  Refresh();
}

void TMMPanelFill::SetBitmapBackIndex(int value) {
  if (value == bitmap_back_index_) return;
  bitmap_back_index_ = std::max(value, -1);
  Invalidate();
}

bool TMMPanelFill::BitmapValid() const { return ValidEntry(bitmap_list_, bitmap_index_); }

vcl::TBitmap* TMMPanelFill::CurrentBitmap() const {
  return BitmapValid() ? bitmap_list_->GetBitmap(bitmap_index_) : nullptr;
}

void TMMPanelFill::Paint() {
  vcl::TCanvas* canvas = Canvas();
  const vcl::TRect client = ClientRect();
  if (OnFillPanel) {
    OnFillPanel(this, canvas, client);
  } else if (vcl::TBitmap* bitmap = CurrentBitmap()) {
    vcl::TCanvas* source = LockBitmap(bitmap);
    plat::ScopeExit unlock([source] { source->Unlock(); });
    engine::TileBitmap(canvas->Handle(), bitmap->Handle(), client, plat::SRCCOPY);
  } else {
    canvas->Brush()->SetColor(Color());
    canvas->Brush()->SetStyle(vcl::bsSolid);
    canvas->FillRect(client);
  }
  inherited::Paint();
}

void TMMPanelFill::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != vcl::opRemove || component != bitmap_list_) return;
  Detach(*observer_);
  bitmap_list_ = nullptr;
  if (!ComponentState().Contains(vcl::csDestroying)) Refresh();
}

}  // namespace controls
