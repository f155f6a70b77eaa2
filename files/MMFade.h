#pragma once
// Gain points over a byte position of a stream: the gain at any position,
// and per-channel gain ramps applied to 8- and 16-bit PCM blocks with
// saturation. Gains are in units of 1/16384 (16384 = unity).
#include <cstdint>
#include <vector>

#include "engine/MMObj.h"
#include "platform/mm/MMSystem.h"

namespace files {

struct TMMFadeRecord {
  int64_t Position = 0;   // bytes into the stream
  int32_t Gain = 0;       // overall
  int32_t LeftGain = 0;   // channel 1 (and 3, ...)
  int32_t RightGain = 0;  // channel 2 (and 4, ...)
  int32_t Spare = 0;
};

class TMMFadeList : public engine::TMMObject {
  VCL_DECLARE_CLASS(TMMFadeList, engine::TMMObject)
 public:
  TMMFadeList() = default;

  int32_t Count() const { return count_; }
  int32_t Capacity() const { return static_cast<int32_t>(items_.size()); }
  void SetCount(int32_t value);
  void SetCapacity(int32_t value);

  // Neither notifies.
  void Clear();
  int32_t AddPoint(const TMMFadeRecord& point);
  const TMMFadeRecord& GetPoint(int32_t index) const;

  void Assign(const vcl::TPersistent* source) override;

  int32_t IndexOfPosition(int64_t pos) const;
  // The overall gain on the line through the points around pos; beyond the
  // last point the line of the last two goes on; 0 before the first point.
  int32_t GainAt(int64_t pos) const;
  // Ascending position; equal positions keep their order within a pass.
  void SortPoints();

  // Applies the ramps to the next `bytes` of the stream at the walk's
  // position and advances it. True when a sample clipped. Only PCM is
  // touched. Channels past the second take the left and right gains in turn.
  bool ApplyFade(const plat::WAVEFORMATEX* format, void* buffer, int64_t bytes);

  // Where the walk of ApplyFade stands: its byte position and the channel
  // gains reached there.
  int64_t WalkPosition() const { return cur_position_; }
  int32_t WalkLeftGain() const { return cur_left_; }
  int32_t WalkRightGain() const { return cur_right_; }
  void SetWalk(int64_t position, int32_t left_gain, int32_t right_gain);

 protected:
  virtual void Grow();

 private:
  std::vector<TMMFadeRecord> items_;
  int32_t count_ = 0;
  int32_t scan_index_ = 0;
  int64_t cur_position_ = 0;
  int32_t cur_left_ = 0;
  int32_t cur_right_ = 0;
};

}  // namespace files
