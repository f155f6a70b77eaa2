#include "files/MMFade.h"

#include <algorithm>
#include <cstring>

#include "files/MMCutLst.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

constexpr int32_t kUnity = 16384;

// One channel's gain walking linearly over `frames` frames, the remainder of
// the difference spread exactly (Bresenham).
class GainRamp {
 public:
  GainRamp(int32_t from, int32_t to, int64_t frames) : gain_(from), frames_(frames > 0 ? frames : 1) {
    const int64_t diff = static_cast<int64_t>(to) - from;
    step_ = diff / frames_;
    rem_ = diff % frames_;
    if (rem_ < 0) {
      rem_ = -rem_;
      sign_ = -1;
    }
  }
  int32_t Gain() const { return static_cast<int32_t>(gain_); }
  void Next() {
    gain_ += step_;
    acc_ += rem_;
    if (acc_ >= frames_) {
      acc_ -= frames_;
      gain_ += sign_;
    }
  }

 private:
  int64_t gain_;
  int64_t frames_;
  int64_t step_ = 0;
  int64_t rem_ = 0;
  int64_t acc_ = 0;
  int sign_ = 1;
};

// s * g / 16384 with the product's overflow turned into saturation by the
// input's sign; a 32-bit product overflows exactly when the result leaves
// the sample range.
inline int16_t Gain16(int16_t s, int32_t g, bool& clipped) {
  const int64_t r = (static_cast<int64_t>(s) * 4 * g) >> 16;
  if (r > 32767 || r < -32768) {
    clipped = true;
    return s >= 0 ? 32767 : -32768;
  }
  return static_cast<int16_t>(r);
}

inline uint8_t Gain8(uint8_t b, int32_t g, bool& clipped) {
  const int32_t t = static_cast<int32_t>(b) - 128;
  const int64_t r = (static_cast<int64_t>(t) * 256 * 4 * g) >> 24;
  if (r > 127 || r < -128) {
    clipped = true;
    return t >= 0 ? 255 : 0;
  }
  return static_cast<uint8_t>(r + 128);
}

struct Segment {
  int64_t start_pos;
  int32_t start_left, start_right;
  int64_t end_pos;
  int32_t end_left, end_right;
};

// Ramps n bytes from s to e; answers the gains reached in left/right.
void Ramp(const Segment& seg, uint8_t* data, int64_t n, int bits, int channels, bool& clipped, int32_t& left,
          int32_t& right) {
  const int64_t span = seg.end_pos - seg.start_pos;
  const int64_t bytes = span > 0 ? std::min(span, n) : n;
  const uint8_t silence = bits == 8 ? 128 : 0;
  if (seg.start_left == 0 && seg.start_right == 0 && seg.end_left == 0 && seg.end_right == 0) {
    std::memset(data, silence, static_cast<size_t>(bytes));
    left = right = 0;
    return;
  }
  const int sample_size = bits == 8 ? 1 : 2;
  const int64_t frame = static_cast<int64_t>(sample_size) * channels;
  const int64_t total_frames = (span > 0 ? span : n) / frame;
  const int64_t frames = bytes / frame;
  const int ramps = channels >= 2 ? 2 : 1;
  int32_t reached[2] = {seg.start_left, seg.start_right};
  for (int side = 0; side < ramps; ++side) {
    const int32_t from = side == 0 ? seg.start_left : seg.start_right;
    const int32_t to = side == 0 ? seg.end_left : seg.end_right;
    if (from == kUnity && to == kUnity) {
      reached[side] = kUnity;
      continue;
    }
    // The channels this side's gain reaches: 1, 3, ... or 2, 4, ...
    if (from == 0 && to == 0) {
      for (int64_t f = 0; f < frames; ++f)
        for (int c = side; c < channels; c += 2) {
          if (sample_size == 1)
            data[f * frame + c] = 128;
          else
            std::memset(data + f * frame + c * 2, 0, 2);
        }
      reached[side] = 0;
      continue;
    }
    GainRamp ramp(from, to, total_frames);
    for (int64_t f = 0; f < frames; ++f) {
      const int32_t g = ramp.Gain();
      for (int c = side; c < channels; c += (channels >= 2 ? 2 : 1)) {
        uint8_t* p = data + f * frame + c * sample_size;
        if (sample_size == 1) {
          *p = Gain8(*p, g, clipped);
        } else {
          int16_t s;
          std::memcpy(&s, p, 2);
          s = Gain16(s, g, clipped);
          std::memcpy(p, &s, 2);
        }
      }
      ramp.Next();
    }
    reached[side] = ramp.Gain();
  }
  left = reached[0];
  right = ramps == 2 ? reached[1] : seg.end_right;
}

}  // namespace

VCL_IMPLEMENT_CLASS(TMMFadeList)

void TMMFadeList::SetCount(int32_t value) {
  if (value < 0 || value > kMaxListSize) RaiseListError();
  if (value > Capacity()) SetCapacity(value);
  for (int32_t i = count_; i < value; ++i) items_[static_cast<size_t>(i)] = TMMFadeRecord{};
  count_ = value;
}

void TMMFadeList::SetCapacity(int32_t value) {
  if (value < count_ || value > kMaxListSize) RaiseListError();
  items_.resize(static_cast<size_t>(value));
}

void TMMFadeList::Grow() { SetCapacity(GrownCapacity(Capacity())); }

void TMMFadeList::Clear() {
  count_ = 0;
  items_.clear();
  items_.shrink_to_fit();
}

int32_t TMMFadeList::AddPoint(const TMMFadeRecord& point) {
  if (count_ == Capacity()) Grow();
  items_[static_cast<size_t>(count_)] = point;
  return count_++;
}

const TMMFadeRecord& TMMFadeList::GetPoint(int32_t index) const {
  if (index < 0 || index >= count_) RaiseListError();
  return items_[static_cast<size_t>(index)];
}

void TMMFadeList::Assign(const vcl::TPersistent* source) {
  if (source == nullptr || dynamic_cast<const TMMFadeList*>(source) != nullptr) {
    Clear();
    if (const auto* other = static_cast<const TMMFadeList*>(source)) {
      SetCapacity(other->count_);
      for (int32_t i = 0; i < other->count_; ++i) {
        TMMFadeRecord point = other->items_[static_cast<size_t>(i)];
        point.Spare = 0;
        AddPoint(point);
      }
    }
    return;
  }
  inherited::Assign(source);
}

int32_t TMMFadeList::IndexOfPosition(int64_t pos) const {
  return IndexOfPositionIn(count_, pos,
                           [this](int32_t i) { return items_[static_cast<size_t>(i)].Position; });
}

int32_t TMMFadeList::GainAt(int64_t pos) const {
  int32_t i = IndexOfPosition(pos);
  if (i < 1) return 0;
  i = std::min(i, count_ - 1);
  if (i < 1) return 0;
  const TMMFadeRecord& a = items_[static_cast<size_t>(i - 1)];
  const TMMFadeRecord& b = items_[static_cast<size_t>(i)];
  if (b.Position <= a.Position) return 0;
  // a.gain + (b.gain - a.gain) * (pos - a) / (b - a), truncated toward zero.
  const __int128 num = static_cast<__int128>(static_cast<int64_t>(b.Gain) - a.Gain) * (pos - a.Position);
  const int64_t gain = a.Gain + static_cast<int64_t>(num / (b.Position - a.Position));
  return static_cast<int32_t>(std::clamp<int64_t>(gain, INT32_MIN, INT32_MAX));
}

void TMMFadeList::SortPoints() {
  int32_t h = 1;
  while (h <= count_ / 9) h = 3 * h + 1;
  for (; h > 0; h /= 3)
    for (int32_t i = h; i < count_; ++i) {
      const TMMFadeRecord v = items_[static_cast<size_t>(i)];
      int32_t j = i;
      while (j >= h && items_[static_cast<size_t>(j - h)].Position > v.Position) {
        items_[static_cast<size_t>(j)] = items_[static_cast<size_t>(j - h)];
        j -= h;
      }
      items_[static_cast<size_t>(j)] = v;
    }
}

void TMMFadeList::SetWalk(int64_t position, int32_t left_gain, int32_t right_gain) {
  cur_position_ = position;
  cur_left_ = left_gain;
  cur_right_ = right_gain;
  scan_index_ = 0;
}

bool TMMFadeList::ApplyFade(const plat::WAVEFORMATEX* format, void* buffer, int64_t bytes) {
  if (format == nullptr || format->wFormatTag != plat::WAVE_FORMAT_PCM || buffer == nullptr || bytes <= 0)
    return false;
  const int bits = format->wBitsPerSample == 8 ? 8 : 16;
  const int channels = std::max<int>(format->nChannels, 1);
  bool clipped = false;
  auto* data = static_cast<uint8_t*>(buffer);
  scan_index_ = std::max(IndexOfPosition(cur_position_) - 1, 0);
  while (bytes > 0 && scan_index_ < count_) {
    const TMMFadeRecord& target = items_[static_cast<size_t>(scan_index_)];
    const int64_t n = std::min(bytes, target.Position - cur_position_);
    if (n > 0) {
      const Segment seg{cur_position_,   cur_left_,       cur_right_,
                        target.Position, target.LeftGain, target.RightGain};
      Ramp(seg, data, n, bits, channels, clipped, cur_left_, cur_right_);
      data += n;
      bytes -= n;
      cur_position_ += n;
    }
    if (cur_position_ >= target.Position) ++scan_index_;
  }
  return clipped;
}

}  // namespace files
