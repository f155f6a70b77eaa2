#pragma once
// Collections: owned lists of items of one class, filed as "< item ... end >".
#include <memory>
#include <vector>

#include "platform/vcl/Classes.h"

namespace vcl {

class TCollection;

// An item of a collection; published properties are filed per item.
class TCollectionItem : public TPersistent {
  VCL_DECLARE_CLASS(TCollectionItem, TPersistent)
 public:
  TCollectionItem() = default;
  ~TCollectionItem() override;

  TCollection* Collection() const { return collection_; }
  // Moves the item into another collection (nullptr: out of any; the caller then owns it).
  void SetCollection(TCollection* collection);
  int Index() const;
  void SetIndex(int index);

 protected:
  // Tells the collection that this item changed.
  void Changed();

 private:
  friend class TCollection;
  TCollection* collection_ = nullptr;
};

class TCollection : public TPersistent {
  VCL_DECLARE_CLASS(TCollection, TPersistent)
 public:
  explicit TCollection(TClass item_class);
  ~TCollection() override;

  TClass ItemClass() const { return item_class_; }
  int Count() const { return static_cast<int>(items_.size()); }
  TCollectionItem* Items(int index) const;
  // A new item of the item class, at the end.
  TCollectionItem* Add();
  TCollectionItem* Insert(int index);
  void Delete(int index);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  // Same item class: replaces the items with copies (item Assign).
  void Assign(const TPersistent* source) override;

  // Called on a change of the items once updates are over; `item` is nullptr
  // when the list itself changed.
  std::function<void(TCollection* sender, TCollectionItem* item)> OnUpdate;

 protected:
  virtual void Update(TCollectionItem* item);

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item, int index);
  void RemoveItem(TCollectionItem* item);
  void Changed(TCollectionItem* item);

  TClass item_class_;
  std::vector<TCollectionItem*> items_;
  int update_count_ = 0;
};

}  // namespace vcl
