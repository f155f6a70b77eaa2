#pragma once
// The bitmap list: an owned, ordered list of bitmaps that bitmap-list controls
// draw by index. It is stored in form descriptions as the binary property
// "ListItems", plain ("MBML") or coded with the library's block codec
// ("MBMC"), and tells its observers of every change, once per outermost
// update.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "engine/MMObj.h"
#include "engine/MMObsrv.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/Streams.h"

namespace controls {

// A stored chunk, in place: a handler may change the bytes, not their number.
using TEncodeEvent = std::function<void(vcl::TObject* sender, uint8_t* buffer, uint32_t length)>;
using TLoadedEvent = std::function<void(vcl::TObject* sender, vcl::TBitmap* bmp)>;

class TMMBitmapList : public engine::TMMNonVisualComponent {
  VCL_DECLARE_CLASS(TMMBitmapList, engine::TMMNonVisualComponent)
 public:
  explicit TMMBitmapList(vcl::TComponent* owner);
  ~TMMBitmapList() override;

  int Count() const { return static_cast<int>(bitmaps_.size()); }
  // The list keeps a copy of `bitmap`; its changes notify the observers.
  int Add(const vcl::TBitmap* bitmap);
  void Insert(int index, const vcl::TBitmap* bitmap);
  void Delete(int index);
  void Clear();
  virtual void Move(int cur_index, int new_index);
  // The list's own bitmap, with the list's handle type; EListError outside
  // 0..Count-1. Neither free it nor keep it past the list.
  virtual vcl::TBitmap* GetBitmap(int index);

  // Another list: its bitmaps and Compressed, as one change. Null clears.
  void Assign(const vcl::TPersistent* source) override;
  void DefineProperties(vcl::TFiler& filer) override;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return update_count_; }

  void AddObserver(engine::TMMObserver* observer);
  // Nothing once the list is being destroyed.
  void RemoveObserver(engine::TMMObserver* observer);

  // The "ListItems" body. A stream that is not one raises EStreamError
  // "Invalid BitmapList stream" and leaves the list empty.
  virtual void ReadData(vcl::TStream& stream);
  virtual void WriteData(vcl::TStream& stream);

  bool Compressed() const { return compressed_; }
  void SetCompressed(bool value) { compressed_ = value; }
  vcl::TBitmapHandleType HandleType() const { return handle_type_; }
  void SetHandleType(vcl::TBitmapHandleType value) { handle_type_ = value; }

  vcl::TNotifyEvent OnChange;
  vcl::TNotifyEvent OnChanging;
  TEncodeEvent OnEncode;
  TEncodeEvent OnDecode;
  TLoadedEvent OnBmpLoaded;

 protected:
  // Silent inside an update.
  virtual void Changed();
  virtual void Changing();
  virtual void SetUpdateState(bool updating);

 private:
  void CheckIndex(int index) const;
  void ReadEntries(vcl::TStream& stream);
  void WriteCompressed(vcl::TStream& stream, vcl::TBitmap* bitmap);
  void WritePlain(vcl::TStream& stream, vcl::TBitmap* bitmap);

  std::vector<std::unique_ptr<vcl::TBitmap>> bitmaps_;
  int update_count_ = 0;
  std::unique_ptr<engine::TMMObservable> observers_;
  bool compressed_ = false;
  vcl::TBitmapHandleType handle_type_ = vcl::bmDDB;
};

}  // namespace controls
