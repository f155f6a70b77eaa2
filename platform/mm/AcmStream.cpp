#include "platform/mm/AcmStream.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plat::acm {

bool Converter::CanConvert(const FormatInfo& src, const FormatInfo& dst) {
  return CanMapChannels(src.channels, dst.channels);
}

Converter::Converter(const FormatInfo& src, const FormatInfo& dst, bool high_quality) : src_(src), dst_(dst) {
  if (!resampling()) return;
  soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
  soxr_quality_spec_t quality = soxr_quality_spec(high_quality ? SOXR_VHQ : SOXR_HQ, 0);
  soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
  soxr_error_t error = nullptr;
  soxr_ = soxr_create(src_.rate, dst_.rate, dst_.channels, &error, &io, &quality, &runtime);
  if (error != nullptr) {
    soxr_delete(soxr_);
    soxr_ = nullptr;
    return;
  }
  // How much output the rate changer holds back depends on its filter and on
  // how the input is cut; measure it once with silence in uneven pieces so the
  // sizes we promise always take that output.
  static constexpr size_t kPieces[] = {1, 3, 17, 256, 1024, 4096, 8191, 5, 2048};
  std::vector<float> in(8191 * dst_.channels, 0.0f);
  uint64_t in_total = 0;
  uint64_t out_total = 0;
  uint64_t owed_max = 0;
  for (int round = 0; round < 3; ++round) {
    for (size_t piece : kPieces) {
      uint64_t owed = OutFramesFor(in_total + piece) - out_total;
      resampled_.resize((owed + 64) * dst_.channels);
      size_t idone = 0;
      size_t odone = 0;
      soxr_process(soxr_, in.data(), piece, &idone, resampled_.data(), owed + 64, &odone);
      in_total += idone;
      out_total += odone;
      owed_max = std::max({owed_max, OutFramesFor(in_total) - std::min(out_total, OutFramesFor(in_total)),
                           static_cast<uint64_t>(std::ceil(soxr_delay(soxr_)))});
    }
  }
  slack_frames_ = owed_max + owed_max / 4 + 16;
  soxr_clear(soxr_);
}

Converter::~Converter() {
  if (soxr_ != nullptr) soxr_delete(soxr_);
}

uint64_t Converter::OutFramesFor(uint64_t in_frames) const {
  return (in_frames * dst_.rate + src_.rate - 1) / src_.rate;
}

uint64_t Converter::DestBytesFor(uint64_t src_bytes) const {
  uint64_t blocks = (src_bytes + src_.block_align - 1) / src_.block_align;
  uint64_t frames = blocks * src_.frames_per_block;
  if (resampling()) frames = OutFramesFor(frames) + slack_frames_;
  return frames * dst_.block_align;
}

uint64_t Converter::SourceBytesFor(uint64_t dst_bytes) const {
  uint64_t room = dst_bytes / dst_.block_align;
  uint64_t frames = room;
  if (resampling()) frames = room > slack_frames_ ? (room - slack_frames_) * src_.rate / dst_.rate : 0;
  return frames / src_.frames_per_block * src_.block_align;
}

void Converter::Restart() {
  if (soxr_ != nullptr) soxr_clear(soxr_);
  in_frames_ = 0;
  out_frames_ = 0;
  flushing_ = false;
}

size_t Converter::Flush(BYTE* dst, size_t room_frames) {
  flushing_ = true;
  size_t written = 0;
  while (written < room_frames) {
    size_t want = room_frames - written;
    resampled_.resize(want * dst_.channels);
    size_t odone = 0;
    soxr_process(soxr_, nullptr, 0, nullptr, resampled_.data(), want, &odone);
    EncodePcm(dst_, resampled_.data(), odone, dst + written * dst_.block_align);
    written += odone;
    if (odone == 0) {
      Restart();
      break;
    }
  }
  return written;
}

Converter::Result Converter::Convert(const BYTE* src, size_t src_len, BYTE* dst, size_t dst_len, bool start,
                                     bool end) {
  if (start) Restart();
  Result result;
  size_t room = dst_len / dst_.block_align;
  size_t written = 0;
  if (flushing_) {
    // An earlier end has not been given out in full; finish that first.
    written = Flush(dst, room);
    result.dst_used = written * dst_.block_align;
    if (flushing_) return result;
  }

  size_t avail = src_len / src_.block_align;
  size_t blocks = 0;
  size_t free_frames = room - written;
  if (!resampling()) {
    blocks = std::min<size_t>(avail, free_frames / src_.frames_per_block);
  } else {
    // The rate changer never gives more than is owed for its input so far, so
    // take only as much input as the owed output leaves room for.
    uint64_t limit_in = (out_frames_ + free_frames) * src_.rate / dst_.rate;
    uint64_t max_new = limit_in > in_frames_ ? limit_in - in_frames_ : 0;
    blocks = static_cast<size_t>(std::min<uint64_t>(avail, max_new / src_.frames_per_block));
  }
  if (blocks == 0 && avail > 0 && written == 0) {
    result.ok = false;
    return result;
  }

  size_t frames = blocks * src_.frames_per_block;
  if (frames > 0) {
    decoded_.resize(frames * src_.channels);
    DecodeBlocks(src_, src, blocks, decoded_.data());
    const float* mixed = decoded_.data();
    if (src_.channels != dst_.channels) {
      mapped_.resize(frames * dst_.channels);
      MapChannels(decoded_.data(), src_.channels, mapped_.data(), dst_.channels, frames);
      mixed = mapped_.data();
    }
    BYTE* out = dst + written * dst_.block_align;
    if (!resampling()) {
      EncodePcm(dst_, mixed, frames, out);
      written += frames;
    } else {
      size_t owed = static_cast<size_t>(OutFramesFor(in_frames_ + frames) - out_frames_);
      size_t capacity = std::min(owed, room - written);
      resampled_.resize(std::max<size_t>(capacity, 1) * dst_.channels);
      size_t taken = 0;
      size_t produced = 0;
      while (taken < frames && produced <= capacity) {
        size_t idone = 0;
        size_t odone = 0;
        soxr_process(soxr_, mixed + taken * dst_.channels, frames - taken, &idone,
                     resampled_.data() + produced * dst_.channels, capacity - produced, &odone);
        taken += idone;
        produced += odone;
        if (idone == 0 && odone == 0) break;
      }
      // Input the rate changer did not take stays with the caller, in whole blocks.
      blocks = (taken + src_.frames_per_block - 1) / src_.frames_per_block;
      if (taken < blocks * src_.frames_per_block) {
        // A block cut inside: the rest of it is already decoded, hand it over
        // so nothing is lost; the owed output still fits by construction.
        size_t rest = blocks * src_.frames_per_block - taken;
        size_t idone = 0;
        size_t odone = 0;
        soxr_process(soxr_, mixed + taken * dst_.channels, rest, &idone,
                     resampled_.data() + produced * dst_.channels, capacity - produced, &odone);
        taken += idone;
        produced += odone;
      }
      in_frames_ += taken;
      out_frames_ += produced;
      EncodePcm(dst_, resampled_.data(), produced, out);
      written += produced;
    }
  }
  if (end && resampling() && blocks == avail)
    written += Flush(dst + written * dst_.block_align, room - written);
  result.src_used = blocks * src_.block_align;
  result.dst_used = written * dst_.block_align;
  return result;
}

}  // namespace plat::acm
