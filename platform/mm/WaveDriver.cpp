#include "platform/mm/WaveDriver.h"

#include <algorithm>
#include <cstring>

#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Threads.h"
#include "platform/user/Messages.h"

namespace plat::wave {

MMRESULT WaveDevice::CheckFormat(const WAVEFORMATEX& f) const {
  if (f.wFormatTag != WAVE_FORMAT_PCM) return WAVERR_BADFORMAT;
  if (f.wBitsPerSample != 8 && f.wBitsPerSample != 16) return WAVERR_BADFORMAT;
  if (f.nChannels < 1 || f.nChannels > 8) return WAVERR_BADFORMAT;
  if (f.nSamplesPerSec < 1000 || f.nSamplesPerSec > 192000) return WAVERR_BADFORMAT;
  // Drivers trust the derived fields, so an inconsistent record is refused.
  if (f.nBlockAlign != f.nChannels * f.wBitsPerSample / 8) return WAVERR_BADFORMAT;
  if (f.nAvgBytesPerSec != f.nSamplesPerSec * f.nBlockAlign) return WAVERR_BADFORMAT;
  return MMSYSERR_NOERROR;
}

WavePort::WavePort(Direction direction, std::shared_ptr<WaveDevice> device, UINT device_id,
                   const WAVEFORMATEX& format, const Callback& callback, uintptr_t handle)
    : direction_(direction),
      device_(std::move(device)),
      device_id_(device_id),
      format_(format),
      callback_(callback),
      handle_(handle),
      running_(direction == Direction::kOut) {}

WavePort::~WavePort() = default;

void WavePort::Run(const std::shared_ptr<WavePort>& self, std::unique_ptr<WaveStream> stream) {
  self->stream_ = std::move(stream);
  auto* holder = new std::shared_ptr<WavePort>(self);
  DWORD id = 0;
  HANDLE thread = CreateThread(nullptr, 0, &WavePort::WorkerMain, holder, CREATE_SUSPENDED, &id);
  {
    std::lock_guard lock(waitcore::Mutex());
    self->thread_ = thread;
    self->worker_id_ = id;
    // An output plays from its open on.
    self->stream_->RunChanged(*self, waitcore::NowHeld());
  }
  ResumeThread(thread);
}

DWORD WavePort::WorkerMain(void* parameter) {
  std::unique_ptr<std::shared_ptr<WavePort>> holder(static_cast<std::shared_ptr<WavePort>*>(parameter));
  (*holder)->Worker();
  return 0;
}

void WavePort::Worker() {
  std::unique_lock lock(waitcore::Mutex());
  for (;;) {
    if (!notices_.empty()) {
      auto [message, header] = notices_.front();
      notices_.pop_front();
      delivering_ = true;
      waitcore::NotifyAll();
      lock.unlock();
      Deliver(message, header);
      lock.lock();
      delivering_ = false;
      continue;
    }
    if (exit_) break;
    stream_->Update(*this, waitcore::NowHeld());
    if (!notices_.empty()) continue;
    const int64_t deadline = stream_->NextDeadline(*this);
    const uint64_t seen = generation_;
    acknowledged_ = seen;
    waitcore::NotifyAll();
    // A new buffer or a notice wakes the worker between advances as well;
    // the clock must not run on before it has played or delivered them.
    waitcore::WaitUntilFollowed(lock, deadline, [&] {
      return !notices_.empty() || generation_ != seen || exit_ || stream_->HasWork(*this);
    });
  }
  worker_done_ = true;
  waitcore::NotifyAll();
  const bool self_close = self_close_;
  HANDLE thread = thread_;
  lock.unlock();
  if (self_close) CloseHandle(thread);
}

void WavePort::Kick(std::unique_lock<std::mutex>& lock) {
  ++generation_;
  waitcore::NotifyAll();
  if (!thread_ || GetCurrentThreadId() == worker_id_) return;
  waitcore::WaitUntil(lock, waitcore::kNoDeadline,
                      [&] { return acknowledged_ >= generation_ || delivering_ || worker_done_; });
}

void WavePort::UpdateHeld(std::unique_lock<std::mutex>&) {
  if (stream_ && !closed_) stream_->Update(*this, waitcore::NowHeld());
}

void WavePort::Deliver(UINT message, WAVEHDR* header) {
  if (device_->Withholds(message)) return;
  const auto param = reinterpret_cast<DWORD_PTR>(header);
  switch (callback_.type) {
    case CALLBACK_FUNCTION:
      if (direction_ == Direction::kIn)
        reinterpret_cast<LPWAVEINCALLBACK>(callback_.target)(reinterpret_cast<HWAVEIN>(handle_), message,
                                                             callback_.instance, param, 0);
      else
        reinterpret_cast<LPWAVEOUTCALLBACK>(callback_.target)(reinterpret_cast<HWAVEOUT>(handle_), message,
                                                              callback_.instance, param, 0);
      break;
    case CALLBACK_EVENT:
      SetEvent(reinterpret_cast<HANDLE>(callback_.target));
      break;
    case CALLBACK_THREAD:
      PostThreadMessageA(static_cast<DWORD>(callback_.target), message, handle_, static_cast<LPARAM>(param));
      break;
    case CALLBACK_WINDOW:
      PostMessageA(reinterpret_cast<HWND>(callback_.target), message, handle_, static_cast<LPARAM>(param));
      break;
    default:
      break;
  }
}

void WavePort::DeliverNow(UINT message) { Deliver(message, nullptr); }

void WavePort::Complete(WAVEHDR* header) {
  header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
  notices_.emplace_back(direction_ == Direction::kIn ? WIM_DATA : WOM_DONE, header);
  waitcore::NotifyAll();
}

void WavePort::Played(WAVEHDR* header, uint64_t end) {
  if (defer_played_)
    played_.emplace_back(end, header);
  else
    Complete(header);
}

bool WavePort::HasPlayed(uint64_t unplayed) const {
  return !played_.empty() && played_.front().first + std::min(position_, unplayed) <= position_;
}

void WavePort::ReleasePlayed(uint64_t unplayed) {
  while (HasPlayed(unplayed)) {
    Complete(played_.front().second);
    played_.pop_front();
  }
}

MMRESULT WavePort::Prepare(WAVEHDR* header) {
  std::lock_guard lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Unprepare(WAVEHDR* header) {
  std::lock_guard lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Queue(WAVEHDR* header) {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  UpdateHeld(lock);
  if (direction_ == Direction::kIn) header->dwBytesRecorded = 0;
  header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
  queue_.push_back(header);
  Kick(lock);
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Start() {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  if (running_) return MMSYSERR_NOERROR;
  UpdateHeld(lock);
  running_ = true;
  stream_->RunChanged(*this, waitcore::NowHeld());
  Kick(lock);
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Stop() {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  UpdateHeld(lock);
  if (running_) {
    running_ = false;
    stream_->RunChanged(*this, waitcore::NowHeld());
  }
  // The buffer being filled comes back with what it holds.
  if (!queue_.empty() && queue_.front()->dwBytesRecorded > 0) {
    Complete(queue_.front());
    queue_.pop_front();
  }
  Kick(lock);
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Pause() {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  UpdateHeld(lock);
  if (running_) {
    running_ = false;
    stream_->RunChanged(*this, waitcore::NowHeld());
  }
  Kick(lock);
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Restart() {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  UpdateHeld(lock);
  if (!running_) {
    running_ = true;
    stream_->RunChanged(*this, waitcore::NowHeld());
  }
  Kick(lock);
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Reset() {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  UpdateHeld(lock);
  // An input stops; an output keeps its pause state, as callers restart or
  // pause it explicitly after a reset.
  if (direction_ == Direction::kIn && running_) {
    running_ = false;
    stream_->RunChanged(*this, waitcore::NowHeld());
  }
  stream_->Discard(*this);
  for (const auto& [end, header] : played_) Complete(header);
  played_.clear();
  while (!queue_.empty()) {
    Complete(queue_.front());
    queue_.pop_front();
  }
  cursor_ = 0;
  offset_ = 0;
  in_loop_ = false;
  position_ = 0;
  Kick(lock);
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::BreakLoop() {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  UpdateHeld(lock);
  if (in_loop_) loops_left_ = 1;
  Kick(lock);
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Position(uint64_t* bytes) {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  UpdateHeld(lock);
  *bytes = position_ - std::min(position_, stream_->Unplayed(*this));
  return MMSYSERR_NOERROR;
}

MMRESULT WavePort::Close() {
  std::unique_lock lock(waitcore::Mutex());
  if (closed_) return MMSYSERR_INVALHANDLE;
  if (!queue_.empty() || !played_.empty()) return WAVERR_STILLPLAYING;
  closed_ = true;
  exit_ = true;
  const bool on_worker = GetCurrentThreadId() == worker_id_;
  // From inside a notice the rest cannot be delivered before the close notice.
  if (on_worker) notices_.clear();
  self_close_ = on_worker;
  HANDLE thread = thread_;
  waitcore::NotifyAll();
  lock.unlock();
  if (!on_worker && thread) {
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
  }
  stream_.reset();
  return MMSYSERR_NOERROR;
}

size_t WavePort::CaptureRoom() const {
  if (!running()) return 0;
  size_t room = 0;
  for (const WAVEHDR* h : queue_) room += h->dwBufferLength - h->dwBytesRecorded;
  return room;
}

void WavePort::Capture(const BYTE* data, size_t bytes) {
  if (!running()) return;
  position_ += bytes;
  while (bytes > 0 && !queue_.empty()) {
    WAVEHDR* h = queue_.front();
    const size_t take = std::min<size_t>(bytes, h->dwBufferLength - h->dwBytesRecorded);
    std::memcpy(h->lpData + h->dwBytesRecorded, data, take);
    h->dwBytesRecorded += static_cast<DWORD>(take);
    data += take;
    bytes -= take;
    if (h->dwBytesRecorded >= h->dwBufferLength) {
      queue_.pop_front();
      Complete(h);
    }
  }
}

void WavePort::CaptureLost(size_t bytes) {
  if (!running()) return;
  position_ += bytes;
  lost_ += bytes;
}

size_t WavePort::Play(BYTE* out, size_t bytes) {
  if (!running()) return 0;
  size_t done = 0;
  while (cursor_ < queue_.size()) {
    WAVEHDR* h = queue_[cursor_];
    if (offset_ == 0 && !in_loop_ && (h->dwFlags & WHDR_BEGINLOOP)) {
      in_loop_ = true;
      loops_left_ = std::max<DWORD>(1, h->dwLoops);
      loop_pass_bytes_ = 0;
    }
    const size_t take = std::min<size_t>(bytes - done, h->dwBufferLength - offset_);
    if (take > 0) {
      std::memcpy(out + done, h->lpData + offset_, take);
      offset_ += static_cast<DWORD>(take);
      done += take;
      loop_pass_bytes_ += take;
    }
    if (offset_ < h->dwBufferLength) break;
    offset_ = 0;
    if (!in_loop_) {
      // Outside a loop the cursor is always the head of the queue.
      queue_.pop_front();
      Played(h, position_ + done);
      continue;
    }
    if (h->dwFlags & WHDR_ENDLOOP) {
      // A loop that holds no data would spin for ever; it plays once.
      if (--loops_left_ > 0 && loop_pass_bytes_ > 0) {
        cursor_ = 0;
        loop_pass_bytes_ = 0;
        continue;
      }
      for (size_t i = 0; i <= cursor_; ++i) {
        WAVEHDR* done_header = queue_.front();
        queue_.pop_front();
        Played(done_header, position_ + done);
      }
      cursor_ = 0;
      in_loop_ = false;
      continue;
    }
    ++cursor_;
  }
  ApplyVolume(out, done);
  position_ += done;
  return done;
}

int64_t WavePort::BytesToCompletion() const {
  if (!running() || queue_.empty()) return -1;
  if (direction_ == Direction::kIn) return queue_.front()->dwBufferLength - queue_.front()->dwBytesRecorded;
  if (cursor_ >= queue_.size()) return -1;
  return static_cast<int64_t>(queue_[cursor_]->dwBufferLength) - offset_;
}

void WavePort::ApplyVolume(BYTE* data, size_t bytes) const {
  const DWORD volume = device_->volume();
  if (volume == 0xFFFFFFFF || bytes == 0) return;
  const uint32_t gain[2] = {LOWORD(volume), HIWORD(volume)};
  const size_t channels = format_.nChannels;
  if (format_.wBitsPerSample == 8) {
    for (size_t i = 0; i < bytes; ++i) {
      const int v = (static_cast<int>(data[i]) - 128) * static_cast<int>(gain[(i % channels) & 1]) / 0xFFFF;
      data[i] = static_cast<BYTE>(v + 128);
    }
  } else {
    for (size_t i = 0; i + 1 < bytes; i += 2) {
      int16_t s;
      std::memcpy(&s, data + i, 2);
      s = static_cast<int16_t>(s * static_cast<int>(gain[((i / 2) % channels) & 1]) / 0xFFFF);
      std::memcpy(data + i, &s, 2);
    }
  }
}

}  // namespace plat::wave
