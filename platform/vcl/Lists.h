#pragma once
// Lists: TList of pointers, TStrings and TStringList, TBits.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/vcl/Classes.h"

namespace vcl {

class TStream;

using TNotifyEvent = std::function<void(TObject* sender)>;

// A list of untyped pointers. Bad indexes raise EListError "List index out of bounds (%d)".
class TList : public TObject {
  VCL_DECLARE_CLASS(TList, TObject)
 public:
  using TListSortCompare = std::function<int(void* a, void* b)>;

  TList() = default;

  int Count() const { return static_cast<int>(items_.size()); }
  void SetCount(int count);
  int Capacity() const { return static_cast<int>(items_.capacity()); }
  void SetCapacity(int capacity);
  void* Items(int index) const;
  void SetItems(int index, void* item);
  void* First() const { return Items(0); }
  void* Last() const { return Items(Count() - 1); }

  int Add(void* item);
  void Insert(int index, void* item);
  void Delete(int index);
  // Index the item had, -1 when it was not there.
  int Remove(void* item);
  void* Extract(void* item);
  int IndexOf(void* item) const;
  void Clear() { items_.clear(); }
  void Exchange(int index1, int index2);
  void Move(int cur_index, int new_index);
  // Stable: equal items keep their order.
  void Sort(const TListSortCompare& compare);
  // Removes the nil entries.
  void Pack();

 private:
  void Check(int index) const;
  std::vector<void*> items_;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

// An abstract list of strings with attached objects, and its text forms.
class TStrings : public TPersistent {
  VCL_DECLARE_CLASS(TStrings, TPersistent)
 public:
  virtual int Count() const = 0;
  virtual const std::string& Strings(int index) const = 0;
  virtual void SetStrings(int index, const std::string& s) = 0;
  virtual TObject* Objects(int index) const = 0;
  virtual void SetObjects(int index, TObject* object) = 0;
  virtual void Insert(int index, const std::string& s) = 0;
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;

  virtual int Add(const std::string& s);
  int AddObject(const std::string& s, TObject* object);
  void InsertObject(int index, const std::string& s, TObject* object);
  virtual void AddStrings(const TStrings& strings);
  virtual int IndexOf(const std::string& s) const;
  int IndexOfName(const std::string& name) const;
  int IndexOfObject(const TObject* object) const;
  virtual void Exchange(int index1, int index2);
  void Move(int cur_index, int new_index);
  bool Equals(const TStrings& other) const;

  // Lines each ended by CR LF; setting splits on CR LF, LF or CR.
  std::string Text() const;
  virtual void SetText(const std::string& text);
  std::string CommaText() const;
  void SetCommaText(const std::string& text);
  // "name=value" lines.
  std::string Names(int index) const;
  std::string Values(const std::string& name) const;
  // An empty value removes the line.
  void SetValues(const std::string& name, const std::string& value);
  std::string ValueFromIndex(int index) const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) const;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;

  void Assign(const TPersistent* source) override;
  // Files the lines as "Strings = ( ... )".
  void DefineProperties(TFiler& filer) override;

 protected:
  // Line comparison; TStringList follows CaseSensitive, the base ignores case.
  virtual int CompareStrings(const std::string& a, const std::string& b) const;
  virtual void SetUpdateState(bool updating);
  // Replaces the content with `lines` in one step.
  virtual void SetLines(std::vector<std::string> lines);

 private:
  int update_count_ = 0;
};

// The string list: optionally sorted, with change events.
class TStringList : public TStrings {
  VCL_DECLARE_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(items_.size()); }
  const std::string& Strings(int index) const override;
  void SetStrings(int index, const std::string& s) override;
  TObject* Objects(int index) const override;
  void SetObjects(int index, TObject* object) override;
  int Add(const std::string& s) override;
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;
  void Exchange(int index1, int index2) override;
  int IndexOf(const std::string& s) const override;

  // Binary search of a sorted list: true when found; `index` is where it is or would go.
  bool Find(const std::string& s, int& index) const;
  virtual void Sort();
  void CustomSort(const std::function<int(TStringList& list, int a, int b)>& compare);

  bool Sorted() const { return sorted_; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return duplicates_; }
  void SetDuplicates(TDuplicates value) { duplicates_ = value; }
  bool CaseSensitive() const { return case_sensitive_; }
  void SetCaseSensitive(bool value);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  int CompareStrings(const std::string& a, const std::string& b) const override;
  void SetUpdateState(bool updating) override;
  void SetLines(std::vector<std::string> lines) override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct TItem {
    std::string text;
    TObject* object = nullptr;
  };
  void Check(int index) const;
  void InsertItem(int index, const std::string& s, TObject* object);
  std::vector<TItem> items_;
  bool sorted_ = false;
  bool case_sensitive_ = false;
  TDuplicates duplicates_ = dupIgnore;
};

// A growing array of bits. Reading past Size raises EBitsError; writing grows.
class TBits : public TObject {
  VCL_DECLARE_CLASS(TBits, TObject)
 public:
  TBits() = default;

  bool Bits(int index) const;
  void SetBits(int index, bool value);
  int Size() const { return static_cast<int>(bits_.size()); }
  void SetSize(int size);
  // The first clear bit; Size when every bit is set.
  int OpenBit() const;

 private:
  std::vector<bool> bits_;
};

}  // namespace vcl
