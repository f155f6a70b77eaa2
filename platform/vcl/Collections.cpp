#include "platform/vcl/Collections.h"

#include <algorithm>

#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TCollectionItem)
VCL_IMPLEMENT_CLASS(TCollection)

TCollectionItem::~TCollectionItem() {
  if (collection_) collection_->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection_ == collection) return;
  if (collection_) collection_->RemoveItem(this);
  if (collection) collection->InsertItem(this, collection->Count());
}

int TCollectionItem::Index() const {
  if (!collection_) return -1;
  auto& items = collection_->items_;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  if (!collection_) return;
  auto& items = collection_->items_;
  int current = Index();
  index = std::clamp(index, 0, static_cast<int>(items.size()) - 1);
  if (index == current) return;
  items.erase(items.begin() + current);
  items.insert(items.begin() + index, this);
  collection_->Changed(nullptr);
}

void TCollectionItem::Changed() {
  if (collection_) collection_->Changed(this);
}

TCollection::TCollection(TClass item_class) : item_class_(item_class) {
  if (!item_class_ || !item_class_->InheritsFrom(TCollectionItem::StaticClass()))
    throw EInvalidOperation("Collection item class must descend from TCollectionItem");
}

TCollection::~TCollection() {
  update_count_ = 1;  // no change events while going away
  Clear();
}

TCollectionItem* TCollection::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return items_[index];
}

TCollectionItem* TCollection::Add() { return Insert(Count()); }

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  TObject* object = item_class_->Create(nullptr);
  auto* item = dynamic_cast<TCollectionItem*>(object);
  if (!item) {
    delete object;
    throw EInvalidOperation("Collection item class must descend from TCollectionItem");
  }
  InsertItem(item, index);
  return item;
}

void TCollection::Delete(int index) { delete Items(index); }

void TCollection::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  while (!items_.empty()) delete items_.back();
  EndUpdate();
}

void TCollection::BeginUpdate() { ++update_count_; }

void TCollection::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) Changed(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item, int index) {
  items_.insert(items_.begin() + index, item);
  item->collection_ = this;
  Changed(nullptr);
}

void TCollection::RemoveItem(TCollectionItem* item) {
  auto it = std::find(items_.rbegin(), items_.rend(), item);
  if (it != items_.rend()) items_.erase(std::next(it).base());
  item->collection_ = nullptr;
  Changed(nullptr);
}

void TCollection::Changed(TCollectionItem* item) {
  if (update_count_ == 0) Update(item);
}

void TCollection::Update(TCollectionItem* item) {
  if (OnUpdate) OnUpdate(this, item);
}

void TCollection::Assign(const TPersistent* source) {
  if (auto* other = dynamic_cast<const TCollection*>(source)) {
    if (other == this) return;
    BeginUpdate();
    try {
      Clear();
      for (int i = 0; i < other->Count(); ++i) Add()->Assign(other->Items(i));
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

}  // namespace vcl
