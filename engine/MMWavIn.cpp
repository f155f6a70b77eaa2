#include "engine/MMWavIn.h"

#include <algorithm>
#include <thread>

#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/UtilWindow.h"

namespace engine {

namespace {

constexpr uint32_t kWaitMs = 1000;
constexpr int kDonePolls = 65000;
constexpr int32_t kMinBufferSize = 32;
constexpr int32_t kMinRate = 8000;
constexpr int32_t kMaxRate = 100000;
constexpr int32_t kMaxChannels = 8;
constexpr uint16_t kMsgNoThread = 88;

const char* const kOpenPrefix = "WaveInOpen:\n\r";
const char* const kClosePrefix = "WaveInClose:\n\r";

int64_t Saturate(__int128 v) { return v > INT64_MAX ? INT64_MAX : static_cast<int64_t>(v); }

}  // namespace

VCL_IMPLEMENT_CLASS(TMMCustomWaveIn)

TMMCustomWaveIn::TMMCustomWaveIn(vcl::TComponent* owner) : TMMCustomSoundComponent(owner) {
  pool_ = std::make_unique<TMMAllocator>();
  wake_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
  RebuildFormat();
  if (!DesignMode()) CreateWindowIfMissing();
}

void TMMCustomWaveIn::DriverBound() {
  device_count_ = driver_.GetNumDevs ? static_cast<int32_t>(driver_.GetNumDevs()) : 0;
  device_id_ = 0;
  SetDeviceID(0);
}

TMMCustomWaveIn::~TMMCustomWaveIn() {
  Destroying();
  // A stop still waiting for its message completes here.
  if (!deliveries_.Busy()) stop_pending_ = false;
  if (handle_.load() || DeviceOpened()) Close();
  if (wnd_) vcl::DeallocateUtilityWindow(wnd_);
  wnd_ = nullptr;
  if (wake_) plat::CloseHandle(wake_);
}

std::string TMMCustomWaveIn::LastErrorMessage() const {
  std::lock_guard guard(error_lock_);
  return last_error_;
}

void TMMCustomWaveIn::Notify(const vcl::TNotifyEvent& event) {
  if (event) event(this);
}

void TMMCustomWaveIn::Error(const std::string& msg) {
  {
    std::lock_guard guard(error_lock_);
    last_error_ = msg;
  }
  Notify(OnError);
  throw EMMWaveInError(msg);
}

void TMMCustomWaveIn::Report(const std::string& msg) {
  try {
    Error(msg);
  } catch (const EMMWaveInError&) {
    // Close never raises: OnError has seen it.
  }
}

std::string TMMCustomWaveIn::DriverErrorText(plat::MMRESULT result) const {
  char text[plat::MAXERRORLENGTH] = {};
  if (driver_.GetErrorText && driver_.GetErrorText(result, text, sizeof text) == plat::MMSYSERR_NOERROR)
    return text;
  return LoadLibraryMessage(86);
}

void TMMCustomWaveIn::Check(plat::MMRESULT result, const char* prefix) {
  last_result_ = result;
  if (result != plat::MMSYSERR_NOERROR) Error(prefix + DriverErrorText(result));
}

// ---- Window, callback and waits ----

void TMMCustomWaveIn::CreateWindowIfMissing() {
  if (wnd_) return;
  window_thread_ = plat::GetCurrentThreadId();
  wnd_ = vcl::AllocateUtilityWindow(
      [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
        return WndProc(hwnd, message, wparam, lparam);
      });
}

plat::LRESULT TMMCustomWaveIn::WndProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                       plat::LPARAM lparam) {
  if (message == MM_WIM_DELIVERY_FAILED) {
    HandleDeliveryFailure();
    return 0;
  }
  const plat::HWAVEIN handle = handle_.load();
  if (handle && wparam == reinterpret_cast<plat::WPARAM>(handle)) {
    try {
      switch (message) {
        case plat::MM_WIM_OPEN:
          state_ = kOpened;
          return 0;
        case plat::MM_WIM_CLOSE:
          state_ = 0;
          return 0;
        case plat::MM_WIM_DATA:
          BufferDone(reinterpret_cast<plat::WAVEHDR*>(lparam));
          return 0;
        case MM_WIM_STOP:
          Stop();
          return 0;
        default:
          break;
      }
    } catch (...) {
      Close();
      vcl::ReportException(this);
      return 0;
    }
  }
  return plat::DefWindowProcA(hwnd, message, wparam, lparam);
}

void TMMCustomWaveIn::CALLBACK_Proc(plat::HWAVEIN handle, plat::UINT message, plat::DWORD_PTR instance,
                                    plat::DWORD_PTR param1, plat::DWORD_PTR) {
  TCallbackLink::Reach(instance, [&](TMMCustomWaveIn& device) {
    TMMCustomWaveIn* self = &device;
    switch (message) {
      case plat::WIM_OPEN:
        self->state_ = kOpened;
        plat::SetEvent(self->wake_);
        break;
      case plat::WIM_CLOSE:
        self->state_ = 0;
        plat::SetEvent(self->wake_);
        break;
      case plat::WIM_DATA:
        switch (self->callback_mode_) {
          case cmWindow:
            plat::PostMessageA(self->wnd_, plat::MM_WIM_DATA, reinterpret_cast<plat::WPARAM>(handle),
                               static_cast<plat::LPARAM>(param1));
            break;
          case cmCallback:
            try {
              self->BufferDone(reinterpret_cast<plat::WAVEHDR*>(param1));
            } catch (...) {
              self->DeliveryFailed();
            }
            break;
          case cmThread:
            plat::PostThreadMessageA(self->thread_.ThreadID(), plat::MM_WIM_DATA,
                                     reinterpret_cast<plat::WPARAM>(handle),
                                     static_cast<plat::LPARAM>(param1));
            break;
        }
        break;
      default:
        break;
    }
  });
}

void TMMCustomWaveIn::DeliveryFailed() {
  {
    std::lock_guard guard(lock_);
    if (failed_) return;
    failed_ = true;
    failure_ = std::current_exception();
  }
  // Closing and reporting touch the chain and windows: the main thread does it.
  plat::PostMessageA(wnd_, MM_WIM_DELIVERY_FAILED, reinterpret_cast<plat::WPARAM>(handle_.load()), 0);
  plat::SetEvent(wake_);
}

void TMMCustomWaveIn::HandleDeliveryFailure() {
  std::exception_ptr failure;
  {
    std::lock_guard guard(lock_);
    failure = failure_;
    failure_ = nullptr;
  }
  if (!failure) return;
  Close();
  try {
    std::rethrow_exception(failure);
  } catch (...) {
    vcl::ReportException(this);
  }
}

bool TMMCustomWaveIn::MainThreadPumps() const {
  return (callback_mode_ == cmWindow || window_callback_) && plat::GetCurrentThreadId() == window_thread_;
}

bool TMMCustomWaveIn::WaitUntil(const std::function<bool()>& done, bool process_messages) {
  return WaitServingMessages(done, kWaitMs, wake_, process_messages);
}

// ---- Buffer cycle ----

int TMMCustomWaveIn::HeaderIndex(const plat::WAVEHDR* lpwh) const {
  for (int i = 0; i < used_headers_; ++i)
    if (headers_[static_cast<size_t>(i)] == lpwh) return i;
  return -1;
}

void TMMCustomWaveIn::QueueHeader(int index, bool requeue) {
  TMMWaveHdr* hdr = headers_[static_cast<size_t>(index)];
  plat::MMRESULT result;
  {
    // Under the lock a stop takes to tell the driver, so a header is never
    // added after the driver's reset: it would stay queued with a stopped
    // device and its count would never come down.
    std::lock_guard guard(lock_);
    if (requeue && (stop_pending_ || stopping_ || failed_)) return;
    hdr->dwFlags = (hdr->dwFlags & ~plat::WHDR_DONE) | plat::WHDR_PREPARED;
    // Counted first: the driver may hand it back before AddBuffer returns.
    ++queued_;
    with_driver_[static_cast<size_t>(index)] = true;
    result = driver_.AddBuffer(handle_.load(), hdr, sizeof(plat::WAVEHDR));
    if (result != plat::MMSYSERR_NOERROR) {
      --queued_;
      with_driver_[static_cast<size_t>(index)] = false;
    }
  }
  if (result != plat::MMSYSERR_NOERROR) Check(result, "WaveInAddBuffer:\n\r");
}

void TMMCustomWaveIn::BufferDone(plat::WAVEHDR* lpwh) {
  if (!DeviceStarted()) return;
  bool pass_down = true;
  int index;
  {
    std::lock_guard guard(lock_);
    index = HeaderIndex(lpwh);
    if (index < 0) return;
    with_driver_[static_cast<size_t>(index)] = false;
    if (resetting_ || stopping_ || failed_) {
      pass_down = false;
    } else {
      deliveries_.Enter();
      --queued_;
    }
  }
  if (!pass_down) {
    if (!resetting_ && !failed_ && lpwh->dwBytesRecorded > 0) BufferReady(lpwh);
    {
      std::lock_guard guard(lock_);
      if (--queued_ <= 0) {
        queued_ = 0;
        resetting_ = false;
      }
    }
    plat::SetEvent(wake_);
    return;
  }

  // The in-process count goes down however the delivery ends; the last one
  // out hands a stop asked for meanwhile to the main thread.
  struct Finally {
    TMMCustomWaveIn* self;
    ~Finally() {
      bool post = false;
      {
        std::lock_guard guard(self->lock_);
        if (self->deliveries_.Leave() && self->stop_pending_ && !self->stop_posted_) {
          self->stop_posted_ = true;
          self->stopping_ = true;
          post = true;
        }
      }
      if (post)
        plat::PostMessageA(self->wnd_, MM_WIM_STOP, reinterpret_cast<plat::WPARAM>(self->handle_.load()), 0);
      plat::SetEvent(self->wake_);
    }
  } finally{this};

  try {
    BufferReady(lpwh);
    {
      std::lock_guard guard(lock_);
      // A stop from another thread may have come during the delivery.
      if (!stop_pending_ && !stopping_ && !failed_) DevicePosition();
    }
    QueueHeader(index, true);
  } catch (...) {
    Notify(OnError);
    throw;
  }
}

void TMMCustomWaveIn::BufferReady(plat::WAVEHDR* lpwh) {
  int64_t recorded = bytes_recorded_.load() + lpwh->dwBytesRecorded;
  bool reached = false;
  const int64_t limit = byte_limit_.load();
  if (max_record_time_ > 0 && recorded >= limit) {
    const int64_t excess = recorded - limit;
    lpwh->dwBytesRecorded = static_cast<plat::DWORD>(std::max<int64_t>(0, lpwh->dwBytesRecorded - excess));
    recorded = limit;
    reached = true;
  }
  bytes_recorded_ = recorded;
  TMMDSPComponent::BufferReady(lpwh);
  if (reached && !stopping_) Stop();
}

// ---- Position ----

void TMMCustomWaveIn::ClearWrap() {
  std::lock_guard guard(lock_);
  last_raw_position_ = 0;
  wrap_total_ = 0;
}

int64_t TMMCustomWaveIn::DevicePosition() {
  std::lock_guard guard(lock_);
  const plat::WAVEFORMATEX* format = GetFormat();
  const plat::HWAVEIN handle = handle_.load();
  if (!DeviceOpened() || !format || closing_ || !handle) return 0;
  plat::MMTIME time;
  time.wType = plat::TIME_SAMPLES;
  Check(driver_.GetPosition(handle, &time, sizeof time), "WaveInGetPosition:\n\r");
  position_in_bytes_ = time.wType != plat::TIME_SAMPLES;
  const uint32_t raw = position_in_bytes_ ? time.u.cb : time.u.sample;
  // A counter that went back by a lot has wrapped: a 20-bit one at 2^20, a
  // 32-bit one at 2^32. The periods add up in 64 bits.
  if (last_raw_position_ >= raw && last_raw_position_ - raw >= 65535)
    wrap_total_ += (int64_t{last_raw_position_} | 0xFFFFF) + 1;
  last_raw_position_ = raw;
  const int64_t total = wrap_total_ + raw;
  if (!position_in_bytes_) return total;
  return format->nBlockAlign > 0 ? total / format->nBlockAlign : 0;
}

int64_t TMMCustomWaveIn::GetPosition() {
  const plat::WAVEFORMATEX* format = GetFormat();
  if (!DeviceOpened() || !format || close_pending_) return 0;
  const int64_t samples = DevicePosition();
  int64_t value = samples;
  switch (time_format_) {
    case tfMillisecond:
      value = format->nSamplesPerSec ? WaveSamplesToTime64(format, samples) : 0;
      break;
    case tfByte:
      value = format->nSamplesPerSec ? WaveSamplesToBytes64(format, samples) : 0;
      break;
    case tfSample:
      break;
  }
  if (max_record_time_ >= 1) value = std::min(value, max_record_time_);
  return value;
}

void TMMCustomWaveIn::UpdateByteLimit() {
  const plat::WAVEFORMATEX* format = GetFormat();
  if (max_record_time_ < 0 || !format || format->nBlockAlign == 0) {
    byte_limit_ = INT64_MAX;
    return;
  }
  __int128 bytes = max_record_time_;
  switch (time_format_) {
    case tfMillisecond:
      // Past what 64 bits of bytes hold the limit is no limit.
      if (max_record_time_ > INT64_MAX / 1000 / std::max<plat::DWORD>(format->nAvgBytesPerSec, 1)) {
        byte_limit_ = INT64_MAX;
        return;
      }
      byte_limit_ = WaveTimeToBytes64(format, max_record_time_);
      return;
    case tfSample:
      bytes = bytes * format->nBlockAlign;
      break;
    case tfByte:
      break;
  }
  bytes = bytes / format->nBlockAlign * format->nBlockAlign;
  byte_limit_ = Saturate(bytes);
}

// ---- Format check ----

bool TMMCustomWaveIn::CheckFormat() {
  if (device_id_ < MapperId || device_id_ >= device_count_) return false;
  const plat::WAVEFORMATEX* format = GetFormat();
  if (!format) return false;
  const auto id = static_cast<plat::UINT>(device_id_);
  if (driver_.Open(nullptr, id, format, 0, 0, plat::WAVE_FORMAT_QUERY) != plat::MMSYSERR_NOERROR)
    return false;
  if (format->wFormatTag != plat::WAVE_FORMAT_PCM) return true;
  plat::WAVEINCAPSA caps;
  if (driver_.GetDevCaps(id, &caps, sizeof caps) != plat::MMSYSERR_NOERROR) return false;
  const int channels = format->nChannels;
  const int bits = format->wBitsPerSample;
  if ((channels != 1 && channels != 2) || (bits != 8 && bits != 16)) return true;
  const plat::DWORD rate = format->nSamplesPerSec;
  int shift;
  if (rate >= 8000 && rate <= 11025)
    shift = 0;
  else if (rate >= 11026 && rate <= 22050)
    shift = 4;
  else if (rate >= 22051 && rate <= 48000)
    shift = 8;
  else
    return true;
  // Within a rate class: mono 8, stereo 8, mono 16, stereo 16.
  const int bit = (bits == 16 ? 2 : 0) + (channels == 2 ? 1 : 0);
  return (caps.dwFormats & (plat::DWORD{1} << (shift + bit))) != 0;
}

// ---- Open, Start, Pause, Restart, Stop, Close ----

void TMMCustomWaveIn::Open() {
  try {
    if (device_count_ <= 0) Error(LoadLibraryMessage(160));
    if (device_id_ == InvalidId) Error(LoadLibraryMessage(61));
    if (!GetFormat()) Error(LoadLibraryMessage(89));
    if (DeviceOpened()) Close();
    if (!DeviceOpened() && !closing_) {
      SweepWaveQuarantine();
      stopping_ = false;
      closing_ = false;
      resetting_ = false;
      stop_posted_ = false;
      failed_ = false;
      failure_ = nullptr;
      if (!CheckFormat()) Error(kOpenPrefix + LoadLibraryMessage(87));
      CreateWindowIfMissing();
      handle_ = nullptr;
      close_pending_ = false;
      if (callback_mode_ == cmThread) StartThread();

      window_callback_ = !(OSIsWin9x() || OSIsNT4OrLater());
      link_ = std::make_unique<TCallbackLink>(this);
      plat::HWAVEIN handle = nullptr;
      const plat::MMRESULT result =
          window_callback_ ? driver_.Open(&handle, static_cast<plat::UINT>(device_id_), GetFormat(),
                                          reinterpret_cast<plat::DWORD_PTR>(wnd_), 0, plat::CALLBACK_WINDOW)
                           : driver_.Open(&handle, static_cast<plat::UINT>(device_id_), GetFormat(),
                                          reinterpret_cast<plat::DWORD_PTR>(&CALLBACK_Proc),
                                          link_->Instance(), plat::CALLBACK_FUNCTION);
      if (result != plat::MMSYSERR_NOERROR) {
        link_.reset();
        Check(result, kOpenPrefix);
      }
      handle_ = handle;

      {
        const int saved = state_.exchange(0);
        plat::ScopeExit restore([this, saved] { state_ = saved; });
        Walk([this] { TMMCustomSoundComponent::Opened(); });
      }

      if (!WaitUntil([this] { return DeviceOpened(); }, window_callback_ && MainThreadPumps()))
        Error(kOpenPrefix + LoadLibraryMessage(162));

      const auto size = static_cast<uint32_t>(BufferSize());
      for (int i = 0; i < num_buffers_; ++i) {
        void* block = pool_->GetBlock(plat::GHND, WaveHdrBlockSize(size));
        if (!block) Error(LoadLibraryMessage(64));
        headers_[static_cast<size_t>(i)] = InitWaveHdr(block, size);
        with_driver_[static_cast<size_t>(i)] = false;
        used_headers_ = i + 1;
      }
      for (int i = 0; i < used_headers_; ++i)
        Check(driver_.PrepareHeader(handle, headers_[static_cast<size_t>(i)], sizeof(plat::WAVEHDR)),
              "WaveInPrepareHeader:\n\r");
      Notify(OnOpen);
    }
  } catch (...) {
    Notify(OnError);
    state_ |= kOpened;
    Close();
    state_ = 0;
    throw;
  }
}

void TMMCustomWaveIn::Start() {
  try {
    if (!DeviceOpened()) Open();
    if (DeviceOpened() && !DeviceStarted()) {
      {
        std::lock_guard guard(lock_);
        bytes_recorded_ = 0;
        deliveries_.Clear();
        queued_ = 0;
        stop_pending_ = false;
        stopping_ = false;
        resetting_ = false;
        stop_posted_ = false;
      }
      ClearWrap();
      UpdateByteLimit();
      for (int i = 0; i < used_headers_; ++i) QueueHeader(i);
      state_ |= kStarted;
      if (!DevicePaused()) Check(driver_.Start(handle_.load()), "WaveInStart:\n\r");
      Walk([this] { TMMCustomSoundComponent::Started(); });
      Notify(OnStart);
    }
  } catch (...) {
    Notify(OnError);
    state_ |= kStarted;
    Close();
    state_ = 0;
    throw;
  }
}

void TMMCustomWaveIn::Pause() {
  try {
    if (!DeviceOpened()) Open();
    if (DeviceOpened() && !DevicePaused()) {
      if (DeviceStarted()) Check(driver_.Stop(handle_.load()), "WaveInPause:\n\r");
      state_ |= kPaused;
      Walk([this] { TMMCustomSoundComponent::Paused(); });
      Notify(OnPause);
    }
  } catch (...) {
    Notify(OnError);
    Close();
    throw;
  }
}

void TMMCustomWaveIn::Restart() {
  try {
    if (DeviceStarted() && DevicePaused()) {
      Check(driver_.Start(handle_.load()), "WaveInRestart:\n\r");
      state_ &= ~kPaused;
      Walk([this] { TMMCustomSoundComponent::Restarted(); });
      Notify(OnRestart);
    }
  } catch (...) {
    Notify(OnError);
    Close();
    throw;
  }
}

void TMMCustomWaveIn::Stop() {
  if (!(state_.load() & (kStarted | kPaused))) return;
  try {
    {
      std::lock_guard guard(lock_);
      stopping_ = true;
      Check(driver_.Stop(handle_.load()), "WaveInStop:\n\r");
      last_raw_position_ = 0;
      wrap_total_ = 0;
      resetting_ = true;
      Check(driver_.Reset(handle_.load()), "WaveInReset:\n\r");
    }
    // A delivery under way on another thread ends first; only one that
    // asks for the stop itself defers it, and so does one that does not end
    // in time (its end then completes the stop).
    if (!deliveries_.Inside() && deliveries_.Busy()) {
      deliveries_.WaitForEnd(kWaitMs, wake_, MainThreadPumps());
      // Messages served meanwhile may have stopped or closed the device.
      if (!(state_.load() & (kStarted | kPaused))) return;
    }
    if (!deliveries_.Busy() && !WaitUntil([this] { return queued_.load() <= 0; }, MainThreadPumps())) {
      // The driver kept buffers it was told to return: the device gives up
      // on them rather than wait without end.
      state_ &= ~(kStarted | kPaused);
      Error("WaveInStop:\n\r" + DriverErrorText(plat::WAVERR_STILLPLAYING));
    }
    bool deferred;
    {
      std::lock_guard guard(lock_);
      deferred = deliveries_.Busy();
      if (deferred) stop_pending_ = true;
    }
    if (!deferred) CompleteStop();
  } catch (...) {
    Notify(OnError);
    Close();
    throw;
  }
}

void TMMCustomWaveIn::CompleteStop() {
  state_ &= ~(kStarted | kPaused);
  {
    std::lock_guard guard(lock_);
    queued_ = 0;
    stop_pending_ = false;
  }
  Walk([this] { TMMCustomSoundComponent::Stopped(); });
  if (!ComponentState().Contains(vcl::csDestroying)) Notify(OnStop);
  if (close_pending_) Close();
}

void TMMCustomWaveIn::Stopped() {
  // From a walk of this device, or from a relink or format change while it runs.
  if (!walking_ && DeviceStarted())
    Stop();
  else
    TMMCustomSoundComponent::Stopped();
}

void TMMCustomWaveIn::Closed() {
  if (!walking_ && DeviceOpened())
    Close();
  else
    TMMCustomSoundComponent::Closed();
}

void TMMCustomWaveIn::Close() {
  if (!DeviceOpened() && !handle_.load()) return;
  if (closing_ && !close_pending_) return;
  closing_ = true;
  if (state_.load() & (kStarted | kPaused)) {
    try {
      Stop();
    } catch (...) {
      // Stop has reported it; the close goes on.
    }
  }
  if (stop_pending_) {
    close_pending_ = true;
    return;
  }
  close_pending_ = false;

  std::vector<bool> unsafe(static_cast<size_t>(used_headers_), false);
  const plat::HWAVEIN handle = handle_.load();
  bool driver_closed = true;
  if (handle) {
    auto attempt = [this](plat::MMRESULT result, const char* prefix) {
      last_result_ = result;
      if (result != plat::MMSYSERR_NOERROR) Report(prefix + DriverErrorText(result));
      return result;
    };
    attempt(driver_.Stop(handle), "WaveInStop:\n\r");
    attempt(driver_.Reset(handle), "WaveInReset:\n\r");
    for (int i = 0; i < used_headers_; ++i) {
      TMMWaveHdr* hdr = headers_[static_cast<size_t>(i)];
      bool with_driver;
      {
        std::lock_guard guard(lock_);
        with_driver = with_driver_[static_cast<size_t>(i)];
      }
      for (int poll = 0; with_driver && !(hdr->dwFlags & plat::WHDR_DONE) && poll < kDonePolls; ++poll)
        std::this_thread::yield();
      // A header the driver never gave back may still be written into.
      if ((with_driver && !(hdr->dwFlags & plat::WHDR_DONE)) || (hdr->dwFlags & plat::WHDR_INQUEUE)) {
        unsafe[static_cast<size_t>(i)] = true;
        continue;
      }
      if (attempt(driver_.UnprepareHeader(handle, hdr, sizeof(plat::WAVEHDR)),
                  "WaveInUnprepareHeader:\n\r") == plat::WAVERR_STILLPLAYING)
        unsafe[static_cast<size_t>(i)] = true;
    }
    if (attempt(driver_.Close(handle), kClosePrefix) != plat::MMSYSERR_NOERROR) {
      driver_closed = false;
    } else if (!WaitUntil([this] { return !DeviceOpened(); }, window_callback_ && MainThreadPumps())) {
      Report(kClosePrefix + LoadLibraryMessage(163));
    }
    ClearWrap();
  }
  // A driver that could not be closed still has the callback: it finds no
  // device from now on.
  if (link_) link_->Unlink();
  state_ = 0;

  try {
    Walk([this] { TMMCustomSoundComponent::Closed(); });
  } catch (...) {
    vcl::ReportException(this);
  }
  EndThread();

  handle_ = nullptr;
  int kept = 0;
  for (int i = 0; i < used_headers_; ++i) {
    if (unsafe[static_cast<size_t>(i)]) {
      ++kept;
    } else {
      pool_->ReleaseBlock(headers_[static_cast<size_t>(i)]);
    }
    headers_[static_cast<size_t>(i)] = nullptr;
    with_driver_[static_cast<size_t>(i)] = false;
  }
  used_headers_ = 0;
  if (kept > 0 || !driver_closed) {
    TWaveQuarantined q;
    q.device = this;
    q.buffers = kept;
    if (driver_closed)
      q.release = [] { return true; };
    else
      q.release = [reset = driver_.Reset, close = driver_.Close, handle] {
        reset(handle);
        const plat::MMRESULT r = close(handle);
        return r == plat::MMSYSERR_NOERROR || r == plat::MMSYSERR_INVALHANDLE;
      };
    if (kept > 0) {
      q.pool = std::move(pool_);
      pool_ = std::make_unique<TMMAllocator>();
    }
    q.link = std::move(link_);
    QuarantineWaveBuffers(std::move(q));
  }
  link_.reset();
  if (kept > 0) Report(kClosePrefix + DriverErrorText(plat::WAVERR_STILLPLAYING));
  closing_ = false;
  if (!ComponentState().Contains(vcl::csDestroying)) {
    try {
      Notify(OnClose);
    } catch (...) {
      vcl::ReportException(this);
    }
  }
}

// ---- Device thread ----

TMMWaveDeviceThread* TMMCustomWaveIn::NewDeviceThread() { return new TMMWaveInThread(this); }

void TMMCustomWaveIn::StartThread() {
  if (!thread_.Start([this] { return NewDeviceThread(); }))
    Error("WaveIn:\n\r" + LoadLibraryMessage(kMsgNoThread));
}

void TMMCustomWaveIn::EndThread() { thread_.End(); }

VCL_IMPLEMENT_CLASS(TMMWaveInThread)

TMMWaveInThread::TMMWaveInThread(TMMCustomWaveIn* wave_in)
    : TMMWaveDeviceThread(wave_in, wave_in->Priority(), plat::MM_WIM_DATA), wave_in_(wave_in) {}

void TMMWaveInThread::Serve(const plat::MSG& msg) {
  const plat::HWAVEIN handle = wave_in_->handle_.load();
  if (handle && msg.wParam == reinterpret_cast<plat::WPARAM>(handle))
    wave_in_->BufferDone(reinterpret_cast<plat::WAVEHDR*>(msg.lParam));
}

void TMMWaveInThread::Failed() { wave_in_->DeliveryFailed(); }

// ---- Properties ----

void TMMCustomWaveIn::RebuildFormat() {
  plat::WAVEFORMATEX format{};
  BuildPCMFormat(format, (bit_length_ + 1) * 8, channels_, sample_rate_);
  SetFormat(&format);
}

void TMMCustomWaveIn::SetFormat(const plat::WAVEFORMATEX* format) {
  Close();
  if (format && format->wFormatTag == plat::WAVE_FORMAT_PCM) {
    SetSampleRate(static_cast<int32_t>(format->nSamplesPerSec));
    SetBitLength(format->wBitsPerSample / 8 - 1 > 0 ? b16Bit : b8Bit);
    SetChannels(format->nChannels);
  }
  TMMCustomSoundComponent::SetFormat(format);
}

int32_t TMMCustomWaveIn::BufferSize() const { return TMMCustomSoundComponent::BufferSize(); }

void TMMCustomWaveIn::SetBufferSize(int32_t value) {
  value = std::max(value, kMinBufferSize);
  if (value == RequestedBufferSize()) return;
  if (DeviceOpened()) Error(LoadLibraryMessage(60));
  TMMCustomSoundComponent::SetBufferSize(value);
  pool_->FreeAll();
}

void TMMCustomWaveIn::SetNumBuffers(int32_t value) {
  if (value < 2) return;
  value = std::min(value, kMaxWaveInBuffers);
  if (value == num_buffers_) return;
  if (DeviceOpened()) Error(LoadLibraryMessage(60));
  num_buffers_ = value;
}

void TMMCustomWaveIn::SetDeviceID(TMMDeviceId value) {
  if (value != device_id_ && DeviceOpened()) Error(LoadLibraryMessage(60));
  device_id_ = (value >= MapperId && value < device_count_) ? value : InvalidId;
  plat::WAVEINCAPSA caps;
  if (device_id_ != InvalidId && driver_.GetDevCaps &&
      driver_.GetDevCaps(static_cast<plat::UINT>(device_id_), &caps, sizeof caps) == plat::MMSYSERR_NOERROR)
    product_name_ = caps.szPname;
  else
    product_name_ = LoadLibraryMessage(160);
}

void TMMCustomWaveIn::SetProductName(const std::string&) {}

void TMMCustomWaveIn::SetCallBackMode(TMMCBMode value) {
  if (value == callback_mode_) return;
  if (DeviceOpened()) Error(LoadLibraryMessage(60));
  if (value == cmCallback && !OSIsWin95()) {
    const std::string text =
        "\"CallBacks\" are called at interrupt time !\n\rThis is currently only supported under Windows 95";
    vcl::ShowMessageBox(text, "TMMWaveIn", vcl::MB_OK);
    return;
  }
  callback_mode_ = value;
}

TMMMode TMMCustomWaveIn::Mode() const {
  if (channels_ == 2) return mStereo;
  return channels_ > 2 ? mMultiChannel : mMono;
}

void TMMCustomWaveIn::SetMode(TMMMode value) {
  if (value == mMono)
    SetChannels(1);
  else if (value == mStereo)
    SetChannels(2);
}

void TMMCustomWaveIn::SetChannels(int32_t value) {
  value = std::clamp(value, 1, kMaxChannels);
  if (value == channels_) return;
  if (DeviceOpened()) Error(LoadLibraryMessage(60));
  channels_ = value;
  RebuildFormat();
}

void TMMCustomWaveIn::SetBitLength(TMMBits value) {
  if (value == bit_length_) return;
  if (DeviceOpened()) Error(LoadLibraryMessage(60));
  bit_length_ = value;
  RebuildFormat();
}

void TMMCustomWaveIn::SetSampleRate(int32_t value) {
  value = std::clamp(value, kMinRate, kMaxRate);
  if (value == sample_rate_) return;
  if (DeviceOpened()) Error(LoadLibraryMessage(60));
  sample_rate_ = value;
  RebuildFormat();
}

void TMMCustomWaveIn::SetTimeFormat(TMMTimeFormats value) {
  if (value == time_format_) return;
  const plat::WAVEFORMATEX* format = GetFormat();
  const int64_t limit = byte_limit_.load();
  time_format_ = value;
  if (max_record_time_ >= 0 && format && format->nBlockAlign > 0 && limit != INT64_MAX) {
    // The same limit in the new unit.
    switch (value) {
      case tfMillisecond:
        max_record_time_ = Saturate((static_cast<__int128>(limit) * 1000 + format->nAvgBytesPerSec / 2) /
                                    std::max<plat::DWORD>(format->nAvgBytesPerSec, 1));
        break;
      case tfByte:
        max_record_time_ = limit;
        break;
      case tfSample:
        max_record_time_ = limit / format->nBlockAlign;
        break;
    }
  }
  UpdateByteLimit();
}

void TMMCustomWaveIn::SetMaxRecordTime(int64_t value) {
  if (value == max_record_time_) return;
  max_record_time_ = value;
  UpdateByteLimit();
}

void TMMCustomWaveIn::SetPriority(vcl::TThreadPriority value) {
  if (value == priority_) return;
  priority_ = value;
  thread_.SetPriority(value);
}

// ---- TMMWaveIn ----

VCL_IMPLEMENT_CLASS(
    TMMWaveIn, DSPOutputProp(), DSPBufferSizeProp(),
    IntProp("NumBuffers", &TMMWaveIn::NumBuffers, &TMMWaveIn::SetNumBuffers).Default(10),
    IntProp("DeviceID", &TMMWaveIn::DeviceID, &TMMWaveIn::SetDeviceID).Default(0).Idents(DeviceIdIdents()),
    StrProp("ProductName", &TMMWaveIn::ProductName, &TMMWaveIn::SetProductName).Stored(false),
    EnumProp("CallBackMode", &TMMWaveIn::CallBackMode, &TMMWaveIn::SetCallBackMode,
             {"cmWindow", "cmCallback", "cmThread"})
        .Default(cmWindow),
    EnumProp("Mode", &TMMWaveIn::Mode, &TMMWaveIn::SetMode, {"mMono", "mStereo", "mMultiChannel"})
        .Default(mMono),
    IntProp("Channels", &TMMWaveIn::Channels, &TMMWaveIn::SetChannels).Default(1),
    EnumProp("BitLength", &TMMWaveIn::BitLength, &TMMWaveIn::SetBitLength, {"b8Bit", "b16Bit"})
        .Default(b8Bit),
    IntProp("SampleRate", &TMMWaveIn::SampleRate, &TMMWaveIn::SetSampleRate).Default(11025),
    EnumProp("TimeFormat", &TMMWaveIn::TimeFormat, &TMMWaveIn::SetTimeFormat,
             {"tfMillisecond", "tfByte", "tfSample"})
        .Default(tfByte),
    IntProp("MaxRecordTime", &TMMWaveIn::MaxRecordTime, &TMMWaveIn::SetMaxRecordTime).Default(-1),
    EnumProp("Priority", &TMMWaveIn::Priority, &TMMWaveIn::SetPriority,
             {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"})
        .Default(vcl::tpHigher),
    DSPOnBufferReadyProp(), EventProp("OnError", &TMMWaveIn::OnError),
    EventProp("OnOpen", &TMMWaveIn::OnOpen), EventProp("OnStart", &TMMWaveIn::OnStart),
    EventProp("OnPause", &TMMWaveIn::OnPause), EventProp("OnRestart", &TMMWaveIn::OnRestart),
    EventProp("OnStop", &TMMWaveIn::OnStop), EventProp("OnClose", &TMMWaveIn::OnClose))

TMMWaveIn::TMMWaveIn(vcl::TComponent* owner) : TMMCustomWaveIn(owner) {
  BindDriver();
  DriverBound();
}

void TMMWaveIn::BindDriver() {
  driver_.GetNumDevs = plat::waveInGetNumDevs;
  driver_.GetDevCaps = plat::waveInGetDevCapsA;
  driver_.GetErrorText = plat::waveInGetErrorTextA;
  driver_.Open = plat::waveInOpen;
  driver_.Close = plat::waveInClose;
  driver_.PrepareHeader = plat::waveInPrepareHeader;
  driver_.UnprepareHeader = plat::waveInUnprepareHeader;
  driver_.AddBuffer = plat::waveInAddBuffer;
  driver_.Start = plat::waveInStart;
  driver_.Stop = plat::waveInStop;
  driver_.Reset = plat::waveInReset;
  driver_.GetPosition = plat::waveInGetPosition;
  driver_.GetID = plat::waveInGetID;
}

std::string GetWaveInDeviceName(TMMDeviceId id) {
  if (id < MapperId || id >= static_cast<TMMDeviceId>(plat::waveInGetNumDevs())) return {};
  plat::WAVEINCAPSA caps;
  if (plat::waveInGetDevCapsA(static_cast<plat::UINT>(id), &caps, sizeof caps) != plat::MMSYSERR_NOERROR)
    return {};
  return caps.szPname;
}

}  // namespace engine
