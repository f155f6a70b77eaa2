#include "controls/MMBmpLst.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "controls/MMLZBlock.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/TypInfo.h"

namespace controls {

VCL_IMPLEMENT_CLASS(
    TMMBitmapList,
    BoolProp("Compressed", &TMMBitmapList::Compressed, &TMMBitmapList::SetCompressed).Default(false),
    EnumProp("HandleType", &TMMBitmapList::HandleType, &TMMBitmapList::SetHandleType, {"bmDIB", "bmDDB"})
        .Default(vcl::bmDDB),
    EventProp("OnChange", &TMMBitmapList::OnChange), EventProp("OnChanging", &TMMBitmapList::OnChanging),
    EventProp("OnEncode", &TMMBitmapList::OnEncode), EventProp("OnDecode", &TMMBitmapList::OnDecode),
    EventProp("OnBmpLoaded", &TMMBitmapList::OnBmpLoaded))

namespace {

constexpr std::array<char, 4> kPlainMagic{'M', 'B', 'M', 'L'};
constexpr std::array<char, 4> kCompressedMagic{'M', 'B', 'M', 'C'};

[[noreturn]] void InvalidStream() { throw vcl::EStreamError("Invalid BitmapList stream"); }

int32_t ReadInt32(vcl::TStream& stream) {
  uint8_t b[4];
  stream.ReadBuffer(b, 4);
  return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                              static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24);
}

void WriteInt32(vcl::TStream& stream, int64_t value) {
  const auto v = static_cast<uint32_t>(value);
  const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                        static_cast<uint8_t>(v >> 24)};
  stream.WriteBuffer(b, 4);
}

int64_t BytesLeft(vcl::TStream& stream) { return stream.Size() - stream.Position(); }

// Writes a 32-bit length at `at` and returns to the end of the stream.
void PatchLength(vcl::TStream& stream, int64_t at, int64_t value) {
  const int64_t end = stream.Position();
  stream.SetPosition(at);
  WriteInt32(stream, value);
  stream.SetPosition(end);
}

}  // namespace

TMMBitmapList::TMMBitmapList(vcl::TComponent* owner)
    : TMMNonVisualComponent(owner), observers_(std::make_unique<engine::TMMObservable>()) {}

TMMBitmapList::~TMMBitmapList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  Clear();
  // Controls told of the removal afterwards find no observer set to leave.
  observers_.reset();
}

void TMMBitmapList::CheckIndex(int index) const {
  if (index < 0 || index >= Count())
    throw vcl::EListError("List index out of bounds (" + vcl::IntToStr(index) + ")");
}

int TMMBitmapList::Add(const vcl::TBitmap* bitmap) {
  const int index = Count();
  Insert(index, bitmap);
  return index;
}

void TMMBitmapList::Insert(int index, const vcl::TBitmap* bitmap) {
  if (index < 0 || index > Count())
    throw vcl::EListError("List index out of bounds (" + vcl::IntToStr(index) + ")");
  Changing();
  auto copy = std::make_unique<vcl::TBitmap>();
  copy->Assign(bitmap);
  copy->OnChange = [this](vcl::TObject*) { Changed(); };
  bitmaps_.insert(bitmaps_.begin() + index, std::move(copy));
  Changed();
}

void TMMBitmapList::Delete(int index) {
  CheckIndex(index);
  Changing();
  bitmaps_[static_cast<size_t>(index)]->OnChange = nullptr;
  bitmaps_.erase(bitmaps_.begin() + index);
  Changed();
}

void TMMBitmapList::Clear() {
  BeginUpdate();
  plat::ScopeExit end([this] { EndUpdate(); });
  for (int i = Count() - 1; i >= 0; --i) Delete(i);
}

void TMMBitmapList::Move(int cur_index, int new_index) {
  CheckIndex(cur_index);
  CheckIndex(new_index);
  Changing();
  auto entry = std::move(bitmaps_[static_cast<size_t>(cur_index)]);
  bitmaps_.erase(bitmaps_.begin() + cur_index);
  bitmaps_.insert(bitmaps_.begin() + new_index, std::move(entry));
  Changed();
}

vcl::TBitmap* TMMBitmapList::GetBitmap(int index) {
  CheckIndex(index);
  vcl::TBitmap* bitmap = bitmaps_[static_cast<size_t>(index)].get();
  // Changing the handle type is no change of the list.
  ++update_count_;
  plat::ScopeExit lower([this] { --update_count_; });
  bitmap->SetHandleType(handle_type_ == vcl::bmDDB ? vcl::bmDDB : vcl::bmDIB);
  return bitmap;
}

void TMMBitmapList::Assign(const vcl::TPersistent* source) {
  if (source == nullptr) {
    Clear();
    return;
  }
  auto* other = dynamic_cast<const TMMBitmapList*>(source);
  if (other == nullptr) {
    inherited::Assign(source);
    return;
  }
  if (other == this) return;
  auto* from = const_cast<TMMBitmapList*>(other);
  BeginUpdate();
  plat::ScopeExit end([this] { EndUpdate(); });
  Clear();
  for (int i = 0; i < from->Count(); ++i) Add(from->GetBitmap(i));
  compressed_ = from->compressed_;
}

void TMMBitmapList::DefineProperties(vcl::TFiler& filer) {
  inherited::DefineProperties(filer);
  filer.DefineBinaryProperty(
      "ListItems", [this](vcl::TStream& s) { ReadData(s); }, [this](vcl::TStream& s) { WriteData(s); },
      Count() > 0);
}

void TMMBitmapList::BeginUpdate() {
  if (update_count_ == 0) SetUpdateState(true);
  ++update_count_;
}

void TMMBitmapList::EndUpdate() {
  if (update_count_ <= 0) return;
  --update_count_;
  if (update_count_ == 0) SetUpdateState(false);
}

void TMMBitmapList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TMMBitmapList::Changing() {
  if (update_count_ == 0 && OnChanging) OnChanging(this);
}

void TMMBitmapList::Changed() {
  if (update_count_ != 0) return;
  // Changes made by the observers or the handler send nothing further.
  ++update_count_;
  plat::ScopeExit lower([this] { --update_count_; });
  if (observers_) observers_->NotifyObservers(this);
  if (OnChange) OnChange(this);
}

void TMMBitmapList::AddObserver(engine::TMMObserver* observer) {
  if (observers_) observers_->AddObserver(observer);
}

void TMMBitmapList::RemoveObserver(engine::TMMObserver* observer) {
  if (observers_) observers_->RemoveObserver(observer);
}

// ---- stored form ----

void TMMBitmapList::ReadData(vcl::TStream& stream) {
  BeginUpdate();
  plat::ScopeExit end([this] { EndUpdate(); });
  Clear();
  try {
    ReadEntries(stream);
  } catch (...) {
    // Nothing of a damaged stream stays in the list.
    Clear();
    throw;
  }
}

void TMMBitmapList::ReadEntries(vcl::TStream& stream) {
  std::array<char, 4> magic{};
  stream.ReadBuffer(magic.data(), 4);
  const bool compressed = magic == kCompressedMagic;
  if (!compressed && magic != kPlainMagic) InvalidStream();
  const int32_t count = ReadInt32(stream);
  // Every entry takes at least its 4-byte length.
  if (count < 0 || count > BytesLeft(stream) / 4) InvalidStream();

  vcl::TMemoryStream scratch;
  vcl::TBitmap bitmap;
  std::vector<uint8_t> chunk;
  std::vector<uint8_t> image;
  for (int32_t i = 0; i < count; ++i) {
    scratch.Clear();
    if (compressed) {
      int64_t total = ReadInt32(stream);
      if (total < 0 || total > BytesLeft(stream)) InvalidStream();
      image.clear();
      while (total > 0) {
        const int64_t length = ReadInt32(stream);
        if (length < 0 || length > static_cast<int64_t>(kLZMaxBlockSize) || length + 4 > total)
          InvalidStream();
        chunk.resize(static_cast<size_t>(length));
        stream.ReadBuffer(chunk.data(), length);
        if (OnDecode) OnDecode(this, chunk.data(), static_cast<uint32_t>(length));
        if (!LZDecompressBlock(chunk.data(), chunk.size(), image)) InvalidStream();
        total -= length + 4;
      }
      scratch.WriteBuffer(image.data(), static_cast<int64_t>(image.size()));
    } else {
      const int32_t length = ReadInt32(stream);
      if (length < 0 || length > BytesLeft(stream)) InvalidStream();
      scratch.SetSize(length);
      stream.ReadBuffer(scratch.Memory(), length);
    }
    scratch.SetPosition(0);
    bitmap.LoadFromStream(scratch);
    Add(&bitmap);
    if (OnBmpLoaded) OnBmpLoaded(this, GetBitmap(Count() - 1));
  }
}

void TMMBitmapList::WriteData(vcl::TStream& stream) {
  BeginUpdate();
  plat::ScopeExit end([this] { EndUpdate(); });
  stream.WriteBuffer(compressed_ ? kCompressedMagic.data() : kPlainMagic.data(), 4);
  WriteInt32(stream, Count());
  for (int i = 0; i < Count(); ++i) {
    if (compressed_)
      WriteCompressed(stream, GetBitmap(i));
    else
      WritePlain(stream, GetBitmap(i));
  }
}

void TMMBitmapList::WriteCompressed(vcl::TStream& stream, vcl::TBitmap* bitmap) {
  vcl::TMemoryStream image;
  bitmap->SaveToStream(image);
  const int64_t at = stream.Position();
  WriteInt32(stream, 0);
  int64_t total = 0;
  for (int64_t done = 0; done < image.Size();) {
    const auto piece = static_cast<size_t>(std::min<int64_t>(image.Size() - done, kLZChunkSize));
    std::vector<uint8_t> block = LZCompressBlock(image.Memory() + done, piece);
    WriteInt32(stream, static_cast<int64_t>(block.size()));
    if (OnEncode) OnEncode(this, block.data(), static_cast<uint32_t>(block.size()));
    stream.WriteBuffer(block.data(), static_cast<int64_t>(block.size()));
    total += static_cast<int64_t>(block.size()) + 4;
    done += static_cast<int64_t>(piece);
  }
  PatchLength(stream, at, total);
}

void TMMBitmapList::WritePlain(vcl::TStream& stream, vcl::TBitmap* bitmap) {
  const int64_t at = stream.Position();
  WriteInt32(stream, 0);
  bitmap->SaveToStream(stream);
  PatchLength(stream, at, stream.Position() - at - 4);
}

}  // namespace controls
