#include "platform/vcl/Lists.h"

#include <algorithm>

#include "platform/vcl/Filer.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TList)
VCL_IMPLEMENT_CLASS(TStrings)
VCL_IMPLEMENT_CLASS(TStringList)
VCL_IMPLEMENT_CLASS(TBits)

namespace {
[[noreturn]] void ListIndexError(int index) {
  throw EListError("List index out of bounds (" + IntToStr(index) + ")");
}
[[noreturn]] void StringListIndexError(int index) {
  throw EStringListError("List index out of bounds (" + IntToStr(index) + ")");
}
}  // namespace

// TList

void TList::Check(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
}

void TList::SetCount(int count) {
  if (count < 0) throw EListError("List count out of bounds (" + IntToStr(count) + ")");
  items_.resize(count, nullptr);
}

void TList::SetCapacity(int capacity) {
  if (capacity < Count()) throw EListError("List capacity out of bounds (" + IntToStr(capacity) + ")");
  items_.reserve(capacity);
}

void* TList::Items(int index) const {
  Check(index);
  return items_[index];
}

void TList::SetItems(int index, void* item) {
  Check(index);
  items_[index] = item;
}

int TList::Add(void* item) {
  items_.push_back(item);
  return Count() - 1;
}

void TList::Insert(int index, void* item) {
  if (index < 0 || index > Count()) ListIndexError(index);
  items_.insert(items_.begin() + index, item);
}

void TList::Delete(int index) {
  Check(index);
  items_.erase(items_.begin() + index);
}

int TList::Remove(void* item) {
  int index = IndexOf(item);
  if (index >= 0) Delete(index);
  return index;
}

void* TList::Extract(void* item) { return Remove(item) >= 0 ? item : nullptr; }

int TList::IndexOf(void* item) const {
  auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void TList::Exchange(int index1, int index2) {
  Check(index1);
  Check(index2);
  std::swap(items_[index1], items_[index2]);
}

void TList::Move(int cur_index, int new_index) {
  if (cur_index == new_index) return;
  Check(new_index);
  void* item = Items(cur_index);
  items_.erase(items_.begin() + cur_index);
  items_.insert(items_.begin() + new_index, item);
}

void TList::Sort(const TListSortCompare& compare) {
  std::stable_sort(items_.begin(), items_.end(), [&](void* a, void* b) { return compare(a, b) < 0; });
}

void TList::Pack() { items_.erase(std::remove(items_.begin(), items_.end(), nullptr), items_.end()); }

// TStrings

int TStrings::Add(const std::string& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const std::string& s, TObject* object) {
  int index = Add(s);
  SetObjects(index, object);
  return index;
}

void TStrings::InsertObject(int index, const std::string& s, TObject* object) {
  Insert(index, s);
  SetObjects(index, object);
}

void TStrings::AddStrings(const TStrings& strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < strings.Count(); ++i) AddObject(strings.Strings(i), strings.Objects(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const { return CompareText(a, b); }

int TStrings::IndexOf(const std::string& s) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Strings(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const std::string& line = Strings(i);
    size_t eq = line.find('=');
    if (eq != std::string::npos && CompareStrings(line.substr(0, eq), name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* object) const {
  for (int i = 0; i < Count(); ++i)
    if (Objects(i) == object) return i;
  return -1;
}

void TStrings::Exchange(int index1, int index2) {
  BeginUpdate();
  std::string s = Strings(index1);
  TObject* o = Objects(index1);
  SetStrings(index1, Strings(index2));
  SetObjects(index1, Objects(index2));
  SetStrings(index2, s);
  SetObjects(index2, o);
  EndUpdate();
}

void TStrings::Move(int cur_index, int new_index) {
  if (cur_index == new_index) return;
  BeginUpdate();
  try {
    std::string s = Strings(cur_index);
    TObject* o = Objects(cur_index);
    Delete(cur_index);
    InsertObject(new_index, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

bool TStrings::Equals(const TStrings& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Strings(i) != other.Strings(i)) return false;
  return true;
}

std::string TStrings::Text() const {
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    out += Strings(i);
    out += "\r\n";
  }
  return out;
}

void TStrings::SetText(const std::string& text) {
  std::vector<std::string> lines;
  size_t i = 0, n = text.size();
  while (i < n) {
    size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    lines.emplace_back(text, start, i - start);
    if (i < n && text[i] == '\r') {
      ++i;
      if (i < n && text[i] == '\n') ++i;
    } else if (i < n) {
      ++i;
    }
  }
  SetLines(std::move(lines));
}

void TStrings::SetLines(std::vector<std::string> lines) {
  BeginUpdate();
  try {
    Clear();
    for (auto& line : lines) Add(line);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::string TStrings::CommaText() const {
  if (Count() == 1 && Strings(0).empty()) return "\"\"";
  std::string out;
  for (int i = 0; i < Count(); ++i) {
    const std::string& s = Strings(i);
    bool quote = std::any_of(s.begin(), s.end(), [](char c) {
      return static_cast<unsigned char>(c) <= ' ' || c == '"' || c == ',';
    });
    if (i > 0) out += ',';
    out += quote ? QuotedStr(s, '"') : s;
  }
  return out;
}

void TStrings::SetCommaText(const std::string& text) {
  std::vector<std::string> lines;
  size_t i = 0, n = text.size();
  auto blank = [&](size_t k) { return k < n && text[k] >= 1 && static_cast<unsigned char>(text[k]) <= ' '; };
  while (blank(i)) ++i;
  while (i < n && text[i] != '\0') {
    std::string s;
    if (text[i] == '"') {
      ++i;
      while (i < n) {
        if (text[i] == '"') {
          if (i + 1 < n && text[i + 1] == '"') {
            s += '"';
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        s += text[i++];
      }
    } else {
      size_t start = i;
      while (i<n&& static_cast<unsigned char>(text[i])> ' ' && text[i] != ',') ++i;
      s.assign(text, start, i - start);
    }
    lines.push_back(std::move(s));
    while (blank(i)) ++i;
    if (i < n && text[i] == ',') {
      if (i + 1 == n) lines.emplace_back();
      do ++i;
      while (blank(i));
    }
  }
  SetLines(std::move(lines));
}

std::string TStrings::Names(int index) const {
  const std::string& line = Strings(index);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

std::string TStrings::Values(const std::string& name) const {
  int index = IndexOfName(name);
  return index < 0 ? std::string() : ValueFromIndex(index);
}

std::string TStrings::ValueFromIndex(int index) const {
  const std::string& line = Strings(index);
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
  int index = IndexOfName(name);
  if (value.empty()) {
    if (index >= 0) Delete(index);
    return;
  }
  if (index < 0)
    Add(name + "=" + value);
  else
    SetStrings(index, name + "=" + value);
}

void TStrings::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TStrings::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0) SetUpdateState(false);
}

void TStrings::SetUpdateState(bool) {}

void TStrings::LoadFromFile(const std::string& file_name) {
  TFileStream file(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(file);
}

void TStrings::SaveToFile(const std::string& file_name) const {
  TFileStream file(file_name, fmCreate);
  SaveToStream(file);
}

void TStrings::LoadFromStream(TStream& stream) {
  int64_t size = stream.Size() - stream.Position();
  std::string text(static_cast<size_t>(std::max<int64_t>(size, 0)), '\0');
  text.resize(static_cast<size_t>(stream.Read(text.data(), static_cast<int64_t>(text.size()))));
  SetText(text);
}

void TStrings::SaveToStream(TStream& stream) const {
  std::string text = Text();
  stream.WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
}

void TStrings::Assign(const TPersistent* source) {
  if (auto* strings = dynamic_cast<const TStrings*>(source)) {
    if (strings == this) return;
    BeginUpdate();
    try {
      Clear();
      AddStrings(*strings);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(source);
}

void TStrings::DefineProperties(TFiler& filer) {
  filer.DefineProperty(
      "Strings",
      [this](const TFormValue& value) {
        if (value.type != vaList) throw EReadError("Invalid property value");
        std::vector<std::string> lines;
        lines.reserve(value.list.size());
        for (const TFormValue& item : value.list) {
          if (item.type != vaString) throw EReadError("Invalid property value");
          lines.push_back(item.text);
        }
        SetLines(std::move(lines));
      },
      [this]() {
        TFormValue value = TFormValue::List();
        for (int i = 0; i < Count(); ++i) value.list.push_back(TFormValue::String(Strings(i)));
        return value;
      },
      Count() > 0);
}

// TStringList

void TStringList::Check(int index) const {
  if (index < 0 || index >= Count()) StringListIndexError(index);
}

const std::string& TStringList::Strings(int index) const {
  Check(index);
  return items_[index].text;
}

void TStringList::SetStrings(int index, const std::string& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  Check(index);
  Changing();
  items_[index].text = s;
  Changed();
}

TObject* TStringList::Objects(int index) const {
  Check(index);
  return items_[index].object;
}

void TStringList::SetObjects(int index, TObject* object) {
  Check(index);
  Changing();
  items_[index].object = object;
  Changed();
}

int TStringList::Add(const std::string& s) {
  int index = Count();
  if (sorted_) {
    if (Find(s, index)) {
      if (duplicates_ == dupIgnore) return index;
      if (duplicates_ == dupError) throw EStringListError("String list does not allow duplicates");
    }
  }
  InsertItem(index, s, nullptr);
  return index;
}

void TStringList::Insert(int index, const std::string& s) {
  if (sorted_) throw EStringListError("Operation not allowed on sorted string list");
  if (index < 0 || index > Count()) StringListIndexError(index);
  InsertItem(index, s, nullptr);
}

void TStringList::InsertItem(int index, const std::string& s, TObject* object) {
  Changing();
  items_.insert(items_.begin() + index, TItem{s, object});
  Changed();
}

void TStringList::Delete(int index) {
  Check(index);
  Changing();
  items_.erase(items_.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (items_.empty()) return;
  Changing();
  items_.clear();
  Changed();
}

void TStringList::Exchange(int index1, int index2) {
  Check(index1);
  Check(index2);
  Changing();
  std::swap(items_[index1], items_[index2]);
  Changed();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
  return case_sensitive_ ? CompareStr(a, b) : CompareText(a, b);
}

bool TStringList::Find(const std::string& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int c = CompareStrings(items_[mid].text, s);
    if (c < 0) {
      lo = mid + 1;
    } else {
      hi = mid - 1;
      if (c == 0) {
        found = true;
        if (duplicates_ != dupAccept) lo = mid;
      }
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(const std::string& s) const {
  if (!sorted_) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::Sort() {
  CustomSort([](TStringList& list, int a, int b) {
    return list.CompareStrings(list.items_[a].text, list.items_[b].text);
  });
}

void TStringList::CustomSort(const std::function<int(TStringList& list, int a, int b)>& compare) {
  if (items_.size() < 2) return;
  Changing();
  // Sort an index permutation so the comparer can look at the list as it stands.
  std::vector<int> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return compare(*this, a, b) < 0; });
  std::vector<TItem> sorted;
  sorted.reserve(items_.size());
  for (int i : order) sorted.push_back(std::move(items_[i]));
  items_ = std::move(sorted);
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (sorted_ == value) return;
  if (value) Sort();
  sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (case_sensitive_ == value) return;
  case_sensitive_ = value;
  if (sorted_) Sort();
}

void TStringList::SetLines(std::vector<std::string> lines) {
  // One sort for the whole batch instead of a sorted insert per line; a
  // refused batch leaves the list as it was.
  std::vector<TItem> items;
  items.reserve(lines.size());
  for (auto& line : lines) items.push_back(TItem{std::move(line), nullptr});
  if (sorted_) {
    // Added one by one, an accepted duplicate goes before its equals, an
    // ignored one leaves the first in place; the batch keeps both orders.
    if (duplicates_ == dupAccept) std::reverse(items.begin(), items.end());
    auto less = [this](const TItem& a, const TItem& b) { return CompareStrings(a.text, b.text) < 0; };
    std::stable_sort(items.begin(), items.end(), less);
    if (duplicates_ != dupAccept) {
      auto same = [this](const TItem& a, const TItem& b) { return CompareStrings(a.text, b.text) == 0; };
      if (duplicates_ == dupError && std::adjacent_find(items.begin(), items.end(), same) != items.end())
        throw EStringListError("String list does not allow duplicates");
      items.erase(std::unique(items.begin(), items.end(), same), items.end());
    }
  }
  Changing();
  items_ = std::move(items);
  Changed();
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

// TBits

bool TBits::Bits(int index) const {
  if (index < 0 || index >= Size()) throw EBitsError("Bits index out of range");
  return bits_[index];
}

void TBits::SetBits(int index, bool value) {
  if (index < 0) throw EBitsError("Bits index out of range");
  if (index >= Size()) bits_.resize(static_cast<size_t>(index) + 1, false);
  bits_[index] = value;
}

void TBits::SetSize(int size) {
  if (size < 0) throw EBitsError("Bits index out of range");
  bits_.resize(size, false);
}

int TBits::OpenBit() const {
  for (int i = 0; i < Size(); ++i)
    if (!bits_[i]) return i;
  return Size();
}

}  // namespace vcl
