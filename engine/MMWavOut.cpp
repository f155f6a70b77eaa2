#include "engine/MMWavOut.h"

#include <algorithm>
#include <cstring>
#include <exception>

#include "engine/MMUtils.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/GlobalMemory.h"
#include "platform/kernel/Sync.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/Cursor.h"
#include "platform/user/Messages.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/UtilWindow.h"

namespace engine {

namespace {

constexpr const char* kOpenPrefix = "WaveOutOpen:\n\r";
constexpr const char* kClosePrefix = "WaveOutClose:\n\r";
constexpr const char* kWritePrefix = "WaveOutWrite:\n\r";
constexpr const char* kPausePrefix = "WaveOutPause:\n\r";
constexpr const char* kRestartPrefix = "WaveOutRestart:\n\r";
constexpr const char* kResetPrefix = "WaveOutReset:\n\r";
constexpr const char* kStartPrefix = "WaveOutStart:\n\r";
constexpr const char* kPositionPrefix = "WaveOutGetPosition:\n\r";
constexpr const char* kThreadPrefix = "WaveOut:\n\r";

constexpr uint16_t kMsgPropertyWhileOpen = 60;
constexpr uint16_t kMsgInvalidDeviceId = 61;
constexpr uint16_t kMsgNoHeaderMemory = 64;
constexpr uint16_t kMsgCannotPlayFormat = 70;
constexpr uint16_t kMsgUnableToStart = 80;
constexpr uint16_t kMsgFillError = 81;
constexpr uint16_t kMsgUnknownError = 86;
constexpr uint16_t kMsgNoThread = 88;
constexpr uint16_t kMsgInvalidFormat = 89;
constexpr uint16_t kMsgNoDevice = 161;
constexpr uint16_t kMsgUnableToOpen = 162;
constexpr uint16_t kMsgUnableToClose = 163;

constexpr plat::UINT kHeaderSize = sizeof(plat::WAVEHDR);
// Buffers larger than this in all are worth a wait cursor while the ring fills.
constexpr int64_t kHourGlassBytes = 100000;
// The driver marks a header done before its notice, so the flag is there at
// once; a short poll only covers a driver that is late with it.
constexpr int kDoneFlagPolls = 64;
// How long a stop waits for a delivery under way on another thread.
constexpr uint32_t kStopWaitMs = 1000;
// lParam of the stop message when the device is to be closed as well.
constexpr plat::LPARAM kStopAndClose = 1;

}  // namespace

// ---- Driver table ----

const TWaveOutDriver& WaveOutDriver() {
  static const TWaveOutDriver driver{
      plat::waveOutGetNumDevs,      plat::waveOutGetDevCapsA,
      plat::waveOutGetErrorTextA,   plat::waveOutOpen,
      plat::waveOutClose,           plat::waveOutPrepareHeader,
      plat::waveOutUnprepareHeader, plat::waveOutWrite,
      plat::waveOutPause,           plat::waveOutRestart,
      plat::waveOutReset,           plat::waveOutGetPosition,
  };
  return driver;
}

std::string GetWaveOutDeviceName(TMMDeviceId device_id) {
  const TWaveOutDriver& d = WaveOutDriver();
  const auto count = static_cast<TMMDeviceId>(d.GetNumDevs());
  if (device_id < MapperId || device_id >= count) return std::string();
  plat::WAVEOUTCAPSA caps;
  if (d.GetDevCaps(static_cast<plat::UINT>(device_id), &caps, sizeof caps) != 0) return std::string();
  return std::string(caps.szPname, strnlen(caps.szPname, sizeof caps.szPname));
}

size_t QuarantinedWaveOutDevices() { return QuarantinedWaveDevices(true); }

// ---- Device thread ----

VCL_IMPLEMENT_CLASS(TMMWaveOutThread)

TMMWaveOutThread::TMMWaveOutThread(TMMWaveOut* wave_out)
    : TMMWaveDeviceThread(wave_out, wave_out->priority_, plat::MM_WOM_DONE), wave_out_(wave_out) {}

void TMMWaveOutThread::Serve(const plat::MSG& msg) {
  if (msg.wParam == reinterpret_cast<plat::WPARAM>(wave_out_->handle_))
    wave_out_->ThreadDone(reinterpret_cast<plat::WAVEHDR*>(msg.lParam));
}

void TMMWaveOutThread::Failed() {
  wave_out_->DeliveryFailed();
  vcl::ReportException(wave_out_);
}

void TMMWaveOutThread::Drained() { wave_out_->Wake(); }

// ---- TMMWaveOut ----

VCL_IMPLEMENT_CLASS(
    TMMWaveOut, DSPInputProp(), DSPOutputProp(), DSPBufferSizeProp(),
    IntProp("NumBuffers", &TMMWaveOut::NumBuffers, &TMMWaveOut::SetNumBuffers).Default(10),
    IntProp("DeviceID", &TMMWaveOut::DeviceID, &TMMWaveOut::SetDeviceID).Default(0).Idents(DeviceIdIdents()),
    StrProp("ProductName", &TMMWaveOut::ProductName, &TMMWaveOut::SetProductName).Stored(false),
    EnumProp("CallBackMode", &TMMWaveOut::CallBackMode, &TMMWaveOut::SetCallBackMode,
             {"cmWindow", "cmCallback", "cmThread"})
        .Default(cmWindow),
    EnumProp("TimeFormat", &TMMWaveOut::TimeFormat, &TMMWaveOut::SetTimeFormat,
             {"tfMillisecond", "tfByte", "tfSample"})
        .Default(tfByte),
    BoolProp("Looping", &TMMWaveOut::Looping, &TMMWaveOut::SetLooping).Default(false),
    IntProp("LoopCount", &TMMWaveOut::LoopCount, &TMMWaveOut::SetLoopCount).Default(0),
    BoolProp("ShowHourGlass", &TMMWaveOut::ShowHourGlass, &TMMWaveOut::SetShowHourGlass).Default(true),
    BoolProp("Mapped", &TMMWaveOut::Mapped, &TMMWaveOut::SetMapped).Default(false),
    EnumProp("Priority", &TMMWaveOut::Priority, &TMMWaveOut::SetPriority,
             {"tpIdle", "tpLowest", "tpLower", "tpNormal", "tpHigher", "tpHighest", "tpTimeCritical"})
        .Default(vcl::tpHigher),
    DSPOnBufferLoadProp(), DSPOnBufferReadyProp(), EventProp("OnBufferFilled", &TMMWaveOut::OnBufferFilled),
    EventProp("OnLooping", &TMMWaveOut::OnLooping), EventProp("OnError", &TMMWaveOut::OnError),
    EventProp("OnOpen", &TMMWaveOut::OnOpen), EventProp("OnStart", &TMMWaveOut::OnStart),
    EventProp("OnPause", &TMMWaveOut::OnPause), EventProp("OnRestart", &TMMWaveOut::OnRestart),
    EventProp("OnStop", &TMMWaveOut::OnStop), EventProp("OnClose", &TMMWaveOut::OnClose))

TMMWaveOut::TMMWaveOut(vcl::TComponent* owner)
    : TMMCustomWaveOutComponent(owner), driver_(WaveOutDriver()), pool_(std::make_unique<TMMAllocator>()) {
  num_devs_ = static_cast<int32_t>(driver_.GetNumDevs());
  device_id_ = InvalidId;  // so the write below takes effect
  SetDeviceID(0);
  wake_ = plat::CreateEventA(nullptr, plat::FALSE, plat::FALSE, nullptr);
}

TMMWaveOut::~TMMWaveOut() {
  destroying_ = true;
  if (handle_ || Is(kOpened)) Close();
  if (window_) vcl::DeallocateUtilityWindow(window_);
  window_ = nullptr;
  pool_.reset();
  plat::CloseHandle(wake_);
}

std::string TMMWaveOut::DeviceName(TMMDeviceId id) const { return GetWaveOutDeviceName(id); }

void TMMWaveOut::Error(const std::string& msg) {
  FireError();
  throw EMMWaveOutError(msg);
}

void TMMWaveOut::ReportError(const std::string& msg) {
  try {
    Error(msg);
  } catch (const EMMWaveOutError&) {
  }
}

void TMMWaveOut::DriverError(const char* prefix, plat::MMRESULT result) {
  last_result_ = result;
  char text[plat::MAXERRORLENGTH] = {};
  std::string message;
  if (driver_.GetErrorText(result, text, sizeof text) == 0 && text[0] != '\0')
    message = text;
  else
    message = LoadLibraryMessage(kMsgUnknownError);
  Error(prefix + message);
  std::terminate();  // Error always raises
}

bool TMMWaveOut::QueryFormat(TMMDeviceId device_id, const plat::WAVEFORMATEX* format) const {
  if (device_id < MapperId || device_id >= num_devs_ || !format) return false;
  return driver_.Open(nullptr, static_cast<plat::UINT>(device_id), format, 0, 0, plat::WAVE_FORMAT_QUERY) ==
         0;
}

// ---- Properties ----

void TMMWaveOut::SetNumBuffers(int32_t value) {
  value = std::min(value, kMaxWaveOutBuffers);
  if (value < 2 || value == num_buffers_) return;
  if (Is(kOpened)) Error(LoadLibraryMessage(kMsgPropertyWhileOpen));
  num_buffers_ = value;
}

void TMMWaveOut::SetDeviceID(TMMDeviceId value) {
  if (value < MapperId || value >= num_devs_) value = InvalidId;
  if (value == device_id_) return;
  if (Is(kOpened)) Error(LoadLibraryMessage(kMsgPropertyWhileOpen));
  device_id_ = value;
  product_name_ = DeviceName(value);
  if (product_name_.empty()) product_name_ = LoadLibraryMessage(kMsgNoDevice);
}

void TMMWaveOut::SetCallBackMode(TMMCBMode value) {
  if (value == callback_mode_) return;
  if (Is(kOpened)) Error(LoadLibraryMessage(kMsgPropertyWhileOpen));
  if (value == cmCallback && !OSIsWin95()) {
    vcl::ShowMessageBox(
        "\"CallBacks\" are called at interrupt time !\n\rThis is currently only supported under Windows 95",
        "TMMWaveOut", vcl::MB_OK);
    return;
  }
  callback_mode_ = value;
}

void TMMWaveOut::SetBufferSize(int32_t value) {
  value = std::max(value, kMinWaveOutBufferSize);
  if (value == RequestedBufferSize()) return;
  if (Is(kOpened)) Error(LoadLibraryMessage(kMsgPropertyWhileOpen));
  inherited::SetBufferSize(value);
  // Blocks of the old size would only be lent whole for the new one.
  pool_->FreeAll();
}

void TMMWaveOut::SetFormat(const plat::WAVEFORMATEX* format) {
  Close();
  inherited::SetFormat(format);
}

void TMMWaveOut::SetTimeFormat(TMMTimeFormats value) { time_format_ = value; }

void TMMWaveOut::SetLooping(bool value) {
  if (value == looping_) return;
  looping_ = value;
  loop_counter_ = loop_count_;
}

void TMMWaveOut::SetLoopCount(uint16_t value) {
  if (value == loop_count_) return;
  loop_count_ = value;
  loop_counter_ = loop_count_;
}

void TMMWaveOut::SetPriority(vcl::TThreadPriority value) {
  if (value == priority_) return;
  priority_ = value;
  thread_.SetPriority(value);
}

// ---- Waits ----

void TMMWaveOut::Wake() {
  if (wake_) plat::SetEvent(wake_);
}

bool TMMWaveOut::MainThreadPumps() const {
  return (callback_mode_ == cmWindow || WindowIsCallback()) && plat::GetCurrentThreadId() == window_thread_;
}

bool TMMWaveOut::WaitFor(const std::function<bool()>& done, uint32_t span_ms, bool pump) {
  return WaitServingMessages(done, span_ms, wake_, pump);
}

// ---- Position ----

int64_t TMMWaveOut::DevicePosition() {
  if (!handle_ || !Is(kOpened)) return 0;
  plat::MMTIME time;
  time.wType = plat::TIME_SAMPLES;
  Check(kPositionPrefix, driver_.GetPosition(handle_, &time, sizeof time));
  const bool in_bytes = time.wType == plat::TIME_BYTES;
  const uint32_t raw = in_bytes ? time.u.cb : time.u.sample;
  // The driver's counter is 32 bits; a jump far backwards is a turn of it.
  if (raw_last_ >= raw && raw_last_ - raw >= 65535) ++raw_wraps_;
  raw_last_ = raw;
  const int64_t total = (raw_wraps_ << 32) + raw;
  const plat::WAVEFORMATEX* f = GetFormat();
  if (!in_bytes) return total;
  return f && f->nBlockAlign > 0 ? total / f->nBlockAlign : 0;
}

int64_t TMMWaveOut::GetPosition() {
  const plat::WAVEFORMATEX* f = GetFormat();
  if (!Is(kOpened) || !f || close_pending_) return 0;
  int64_t samples;
  {
    std::lock_guard guard(lock_);
    samples = position_offset_ + DevicePosition() - loop_base_;
  }
  switch (time_format_) {
    case tfByte:
      return WaveSamplesToBytes64(f, samples);
    case tfMillisecond:
      return WaveSamplesToTime64(f, samples);
    default:
      return samples;
  }
}

// ---- Open and close ----

void TMMWaveOut::Open() {
  try {
    if (num_devs_ <= 0) Error(LoadLibraryMessage(kMsgNoDevice));
    if (device_id_ == InvalidId) Error(LoadLibraryMessage(kMsgInvalidDeviceId));
    if (!GetFormat()) Error(kOpenPrefix + LoadLibraryMessage(kMsgInvalidFormat));
    if (Is(kOpened)) Close();
    if (!Is(kOpened) && !closing_) {
      SweepWaveQuarantine();
      stopping_ = false;
      closing_ = false;
      rewinding_ = false;
      stop_posted_ = false;
      stop_pending_ = false;
      if (!QueryFormat(device_id_, GetFormat()))
        Error(kOpenPrefix + LoadLibraryMessage(kMsgCannotPlayFormat));
      if (!window_) {
        window_thread_ = plat::GetCurrentThreadId();
        window_ = vcl::AllocateUtilityWindow(
            [this](plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) {
              return WindowProc(hwnd, message, wparam, lparam);
            });
      }
      handle_ = nullptr;
      close_pending_ = false;
      TMMCustomSoundComponent::Opened();
      if (callback_mode_ == cmThread) StartThread();

      callback_function_ = OSIsWin9x() || OSIsNT4OrLater();
      link_ = std::make_unique<TLink>(this);
      plat::DWORD flags = callback_function_ ? plat::CALLBACK_FUNCTION : plat::CALLBACK_WINDOW;
      if (mapped_ && device_id_ >= 0) flags |= plat::WAVE_MAPPED;
      const auto callback = callback_function_
                                ? reinterpret_cast<plat::DWORD_PTR>(&TMMWaveOut::DriverCallback)
                                : reinterpret_cast<plat::DWORD_PTR>(window_);
      plat::HWAVEOUT handle = nullptr;
      Check(kOpenPrefix, driver_.Open(&handle, static_cast<plat::UINT>(device_id_), GetFormat(), callback,
                                      link_->Instance(), flags));
      handle_ = handle;
      if (!WaitFor([this] { return Is(kOpened); }, 5000, WindowIsCallback()))
        Error(kOpenPrefix + LoadLibraryMessage(kMsgUnableToOpen));
      if (OnOpen) OnOpen(this);
    }
  } catch (...) {
    FireError();
    state_ = kOpened;
    Close();
    state_ = 0;
    throw;
  }
}

void TMMWaveOut::Close() {
  if (!Is(kOpened)) return;
  if (closing_ && !close_pending_) return;
  closing_ = true;
  if (Is(kStarted) || Is(kPaused)) {
    try {
      Stop();
    } catch (...) {
      // Reported through OnError; the driver is closed (or let go) below all the same.
    }
    // A stop that failed to drain has closed the device already.
    if (!Is(kOpened)) return;
  }
  if (stop_pending_) {
    close_pending_ = true;
    return;
  }
  CloseDriver();
}

void TMMWaveOut::CloseDriver() {
  if (handle_) {
    if (!headers_.empty() && !ReleaseHeaders()) {
      ReportError(kClosePrefix + LoadLibraryMessage(kMsgUnableToClose));
      Abandon();
    } else {
      const plat::MMRESULT r = driver_.Close(handle_);
      if (r != 0) {
        char text[plat::MAXERRORLENGTH] = {};
        driver_.GetErrorText(r, text, sizeof text);
        ReportError(kClosePrefix + (text[0] ? std::string(text) : LoadLibraryMessage(kMsgUnknownError)));
        Abandon();
      } else if (!WaitFor([this] { return !Is(kOpened); }, 5000, WindowIsCallback())) {
        ReportError(kClosePrefix + LoadLibraryMessage(kMsgUnableToClose));
      }
    }
  }
  state_ = 0;
  {
    std::lock_guard guard(lock_);
    ClearWrap();
  }
  try {
    TMMCustomSoundComponent::Closed();
  } catch (...) {
    vcl::ReportException(this);
  }
  thread_.End();
  if (link_) link_->Unlink();
  link_.reset();
  handle_ = nullptr;
  closing_ = false;
  close_pending_ = false;
  stop_pending_ = false;
  if (!destroying_ && OnClose) {
    try {
      OnClose(this);
    } catch (...) {
      vcl::ReportException(this);
    }
  }
}

void TMMWaveOut::Abandon() {
  if (link_) link_->Unlink();
  TWaveQuarantined q;
  q.device = this;
  q.output = true;
  q.buffers = static_cast<int>(headers_.size());
  q.release = [handle = handle_, reset = driver_.Reset, close = driver_.Close] {
    reset(handle);
    const plat::MMRESULT r = close(handle);
    return r == plat::MMSYSERR_NOERROR || r == plat::MMSYSERR_INVALHANDLE;
  };
  q.pool = std::move(pool_);
  q.link = std::move(link_);
  QuarantineWaveBuffers(std::move(q));
  pool_ = std::make_unique<TMMAllocator>();
  headers_.clear();
  ring_count_ = 0;
  handle_ = nullptr;
  std::lock_guard guard(lock_);
  queued_ = 0;
}

// ---- Device thread ----

void TMMWaveOut::StartThread() {
  if (!thread_.Start([this] { return new TMMWaveOutThread(this); }))
    Error(kThreadPrefix + LoadLibraryMessage(kMsgNoThread));
}

// ---- Start and the ring ----

TMMWaveHdr* TMMWaveOut::Header(size_t index) {
  if (index < headers_.size()) return headers_[index];
  const auto size = static_cast<uint32_t>(BufferSize());
  void* block = pool_->GetBlock(plat::GPTR, WaveHdrBlockSize(size));
  if (!block) Error(LoadLibraryMessage(kMsgNoHeaderMemory));
  TMMWaveHdr* h = InitWaveHdr(block, size);
  headers_.push_back(h);
  Check(kWritePrefix, driver_.PrepareHeader(handle_, h, kHeaderSize));
  return h;
}

int32_t TMMWaveOut::FillRing() {
  more_buffers_ = true;
  int32_t written = 0;
  for (int32_t i = 0; i < num_buffers_ && more_buffers_; ++i) {
    TMMWaveHdr* h = Header(static_cast<size_t>(i));
    if (!Pull(h)) break;
    Write(h);
    ++written;
  }
  return written;
}

void TMMWaveOut::Start() {
  plat::HCURSOR old_cursor = nullptr;
  bool cursor_set = false;
  auto restore_cursor = [&] {
    if (cursor_set) plat::SetCursor(old_cursor);
    cursor_set = false;
  };
  try {
    if (!Is(kOpened)) Open();
    if (Is(kOpened) && !Is(kStarted)) {
      {
        std::lock_guard guard(lock_);
        position_offset_ = 0;
        ClearWrap();
        loop_base_ = 0;
        queued_ = 0;
      }
      deliveries_.Clear();
      in_flight_ = 0;
      ring_index_ = 0;
      stop_pending_ = false;
      close_pending_ = false;
      stopping_ = false;
      rewinding_ = false;
      stop_posted_ = false;
      ring_dropped_ = false;
      loop_counter_ = loop_count_;
      if (show_hourglass_ && static_cast<int64_t>(BufferSize()) * num_buffers_ > kHourGlassBytes) {
        old_cursor = plat::SetCursor(plat::LoadCursorA(nullptr, plat::IDC_WAIT));
        cursor_set = true;
      }
      Check(kPausePrefix, driver_.Pause(handle_));
      TMMCustomSoundComponent::Started();
      ring_count_ = FillRing();
      AddState(kStarted);
      restore_cursor();
      if (ring_count_ == 0) {
        TMMCustomSoundComponent::Stopped();
        Error(kStartPrefix + LoadLibraryMessage(kMsgUnableToStart));
      }
      if (!Is(kPaused)) Check(kRestartPrefix, driver_.Restart(handle_));
      if (OnStart) OnStart(this);
    }
  } catch (...) {
    restore_cursor();
    FireError();
    AddState(kStarted);
    Close();
    state_ = 0;
    throw;
  }
}

bool TMMWaveOut::Pull(TMMWaveHdr* header) {
  more_buffers_ = false;
  BufferLoad(header, more_buffers_);
  if (static_cast<int32_t>(header->dwBytesRecorded) <= 0) more_buffers_ = false;
  return header->dwBytesRecorded > 0;
}

void TMMWaveOut::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  auto* h = static_cast<TMMWaveHdr*>(lpwh);
  const auto size = static_cast<plat::DWORD>(BufferSize());
  h->dwBufferLength = size;
  h->dwBytesRecorded = 0;
  h->Looping = looping_ ? -1 : 0;
  h->LoopMark = 0;
  if (looping_) {
    h->LoopCount = loop_count_;
    h->LoopsLeft = loop_counter_;
  }
  inherited::BufferLoad(h, more_buffers);
  // The driver plays dwBufferLength bytes: never more than the block holds.
  if (h->dwBytesRecorded > size) h->dwBytesRecorded = size;
  h->dwBufferLength = h->dwBytesRecorded;
  if (looping_) loop_counter_ = h->LoopsLeft;
}

void TMMWaveOut::Write(TMMWaveHdr* header) {
  if (OnBufferFilled) OnBufferFilled(this, header);
  plat::MMRESULT r;
  {
    // Under the lock a stop sets stopping_ with before it resets the driver:
    // a header written after the reset would stay queued with the driver.
    std::lock_guard guard(lock_);
    if (stopping_) return;
    header->dwFlags = (header->dwFlags & ~plat::WHDR_DONE) | plat::WHDR_PREPARED;
    header->SavedBytes = static_cast<int32_t>(header->dwBytesRecorded);
    // Counted before the driver has it, so its done notice never finds the count short.
    ++queued_;
    ++in_flight_;
    r = driver_.Write(handle_, header, kHeaderSize);
    if (r != 0) {
      --queued_;
      --in_flight_;
    }
  }
  if (r != 0) DriverError(kWritePrefix, r);
  header->dwBytesRecorded = static_cast<plat::DWORD>(header->SavedBytes);
}

// ---- Notices and deliveries ----

void TMMWaveOut::DriverCallback(plat::HWAVEOUT, plat::UINT message, plat::DWORD_PTR instance,
                                plat::DWORD_PTR param1, plat::DWORD_PTR) {
  TLink::Reach(instance, [&](TMMWaveOut& device) {
    device.DriverNotice(message, reinterpret_cast<plat::WAVEHDR*>(param1));
  });
}

bool TMMWaveOut::CountDone() {
  std::lock_guard guard(lock_);
  --queued_;
  if (rewinding_) {
    if (queued_ <= 0) rewinding_ = false;
    Wake();
    return false;
  }
  Wake();
  return true;
}

void TMMWaveOut::DriverNotice(plat::UINT message, plat::WAVEHDR* header) {
  switch (message) {
    case plat::WOM_OPEN:
      state_ = kOpened;
      Wake();
      return;
    case plat::WOM_CLOSE:
      state_ = 0;
      Wake();
      return;
    case plat::WOM_DONE:
      break;
    default:
      return;
  }
  if (!CountDone() || stopping_) return;
  switch (callback_mode_) {
    case cmWindow:
      plat::PostMessageA(window_, plat::MM_WOM_DONE, reinterpret_cast<plat::WPARAM>(handle_),
                         reinterpret_cast<plat::LPARAM>(header));
      break;
    case cmCallback:
      try {
        BufferDone();
      } catch (...) {
        DeliveryFailed();
        vcl::ReportException(this);
      }
      break;
    case cmThread:
      if (const plat::DWORD thread = thread_.ThreadID())
        plat::PostThreadMessageA(thread, plat::MM_WOM_DONE, reinterpret_cast<plat::WPARAM>(handle_),
                                 reinterpret_cast<plat::LPARAM>(header));
      break;
  }
}

void TMMWaveOut::ThreadDone(plat::WAVEHDR*) {
  if (!stopping_) BufferDone();
}

void TMMWaveOut::DeliveryFailed() {
  // Stopping waits for the driver's notices, which this thread may be the one
  // to deliver; the main thread does it.
  stop_posted_ = true;
  if (window_)
    plat::PostMessageA(window_, MM_WOM_STOP, reinterpret_cast<plat::WPARAM>(handle_), kStopAndClose);
}

plat::LRESULT TMMWaveOut::WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                     plat::LPARAM lparam) {
  if (!handle_ || wparam != reinterpret_cast<plat::WPARAM>(handle_))
    return plat::DefWindowProcA(hwnd, message, wparam, lparam);
  try {
    switch (message) {
      case plat::MM_WOM_OPEN:
        state_ = kOpened;
        return 0;
      case plat::MM_WOM_CLOSE:
        state_ = 0;
        return 0;
      case plat::MM_WOM_DONE:
        if (WindowIsCallback() && !CountDone()) return 0;
        if (!stopping_) BufferDone();
        return 0;
      case MM_WOM_STOP:
        Stop();
        if (lparam == kStopAndClose) Close();
        return 0;
      default:
        return plat::DefWindowProcA(hwnd, message, wparam, lparam);
    }
  } catch (...) {
    FireError();
    Close();
    vcl::ReportException(this);
  }
  return 0;
}

void TMMWaveOut::BufferDone() {
  {
    // Under the lock a stop sets stopping_ with: once a stop has looked for
    // deliveries under way, no new one begins.
    std::lock_guard guard(lock_);
    if (!Is(kStarted) || rewinding_ || stopping_) return;
    deliveries_.Enter();
  }
  --in_flight_;
  std::exception_ptr failure;
  try {
    TMMWaveHdr* h = headers_[static_cast<size_t>(ring_index_)];
    ring_index_ = (ring_index_ + 1) % ring_count_;
    h->dwBytesRecorded = static_cast<plat::DWORD>(h->SavedBytes);
    TMMWaveHdr* next = headers_[static_cast<size_t>(ring_index_)];
    h->NextHeader = next;
    next->dwBytesRecorded = static_cast<plat::DWORD>(next->SavedBytes);
    TMMDSPComponent::BufferReady(h);
    {
      std::lock_guard guard(lock_);
      DevicePosition();
    }
    // A loop point counts even in the last buffers, after the source has run dry.
    if (looping_ && h->LoopMark != 0 && !stop_pending_) {
      {
        std::lock_guard guard(lock_);
        loop_base_ = position_offset_ + DevicePosition();
        h->LoopMark = 0;
      }
      TMMCustomSoundComponent::Looped();
      if (OnLooping) OnLooping(this);
    }
    // Once a stop has begun, from here or from another thread, nothing more is pulled.
    if (more_buffers_ && !stopping_) {
      // A header the driver has not marked done may still be read by it:
      // refilling it would corrupt what is being played.
      for (int i = 0; i < kDoneFlagPolls && !(h->dwFlags & plat::WHDR_DONE); ++i) plat::Sleep(0);
      if (!(h->dwFlags & plat::WHDR_DONE)) Error(LoadLibraryMessage(kMsgFillError));
      if (!Pull(h) && !stop_pending_) Error(LoadLibraryMessage(kMsgFillError));
      if (!stop_pending_ && h->dwBytesRecorded > 0) Write(h);
    }
  } catch (...) {
    failure = std::current_exception();
    FireError();
  }
  try {
    EndOfDelivery();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  if (failure) std::rethrow_exception(failure);
}

void TMMWaveOut::EndOfDelivery() {
  {
    std::lock_guard guard(lock_);
    const bool last = deliveries_.Leave();
    Wake();  // a stop on another thread waits for this
    if (!last) return;
    // Buffers written and not yet delivered keep playing going, even when the
    // driver has already counted them back.
    if (!stop_pending_ && in_flight_ > 0) return;
    // A stop on another thread completes itself once this delivery is over.
    if (!stop_pending_ && stopping_) return;
    if (stop_posted_.exchange(true)) return;
    stopping_ = true;
  }
  const plat::MMRESULT r = driver_.Pause(handle_);
  plat::PostMessageA(window_, MM_WOM_STOP, reinterpret_cast<plat::WPARAM>(handle_), 0);
  Check(kPausePrefix, r);
}

// ---- Stop, pause, restart, rewind ----

void TMMWaveOut::Stop() {
  if (!Is(kStarted) && !Is(kPaused)) return;
  try {
    {
      std::lock_guard guard(lock_);
      stopping_ = true;
      rewinding_ = true;
      ClearWrap();
    }
    const plat::MMRESULT r = driver_.Reset(handle_);
    if (r != 0) DriverError(kResetPrefix, r);
    // A delivery under way on another thread ends first; only one that
    // asks for the stop itself defers it, and so does one that does not end
    // in time (its end then completes the stop).
    if (!deliveries_.Inside() && deliveries_.Busy()) {
      deliveries_.WaitForEnd(kStopWaitMs, wake_, MainThreadPumps());
      // Messages served meanwhile may have stopped or closed the device.
      if (!Is(kStarted) && !Is(kPaused)) return;
    }
    {
      std::lock_guard guard(lock_);
      if (deliveries_.Busy()) {
        stop_pending_ = true;
        return;
      }
    }
    CompleteStop();
  } catch (...) {
    FireError();
    Close();
    throw;
  }
}

void TMMWaveOut::CompleteStop() {
  RemoveState(kStarted | kPaused);
  const bool drained = WaitFor(
      [this] {
        std::lock_guard guard(lock_);
        return queued_ <= 0;
      },
      5000, WindowIsCallback());
  TMMCustomSoundComponent::Stopped();
  const bool released = ReleaseHeaders();
  ring_count_ = 0;
  ring_index_ = 0;
  {
    std::lock_guard guard(lock_);
    queued_ = 0;
  }
  stop_pending_ = false;
  if (!drained || !released) {
    // The driver did not give every buffer back: what it still has must not
    // be reused or freed, and the device cannot go on.
    if (!released) Abandon();
    ReportError(kClosePrefix + LoadLibraryMessage(kMsgUnableToClose));
    if (!destroying_ && OnStop) OnStop(this);
    close_pending_ = true;
    Close();
    return;
  }
  if (!destroying_ && OnStop) OnStop(this);
  if (close_pending_) Close();
}

bool TMMWaveOut::ReleaseHeaders() {
  bool all = true;
  for (TMMWaveHdr*& h : headers_) {
    if (!h) continue;
    plat::MMRESULT r = driver_.UnprepareHeader(handle_, h, kHeaderSize);
    for (int i = 0; i < kDoneFlagPolls && r == plat::WAVERR_STILLPLAYING; ++i) {
      plat::Sleep(0);
      r = driver_.UnprepareHeader(handle_, h, kHeaderSize);
    }
    if (r == plat::WAVERR_STILLPLAYING) {
      all = false;
      continue;
    }
    pool_->ReleaseBlock(h);
  }
  if (all) headers_.clear();
  return all;
}

void TMMWaveOut::Pause() {
  try {
    if (!Is(kOpened)) Open();
    if (Is(kOpened) && !Is(kPaused)) {
      if (Is(kStarted)) {
        std::lock_guard guard(lock_);
        Check(kPausePrefix, driver_.Pause(handle_));
        AddState(kPaused);
        if (Slave()) {
          // What is queued is given up; the position goes on from here.
          position_offset_ += DevicePosition();
          ClearWrap();
          rewinding_ = true;
          const plat::MMRESULT r = driver_.Reset(handle_);
          if (r != 0) DriverError(kResetPrefix, r);
          ring_index_ = 0;
          ring_dropped_ = true;
        }
      }
      if (ring_dropped_) {
        WaitFor(
            [this] {
              std::lock_guard guard(lock_);
              return queued_ <= 0;
            },
            1000, WindowIsCallback());
        std::lock_guard guard(lock_);
        queued_ = 0;
        rewinding_ = false;
        in_flight_ = 0;
      }
      AddState(kPaused);
      TMMCustomSoundComponent::Paused();
      if (OnPause) OnPause(this);
    }
  } catch (...) {
    FireError();
    Close();
    throw;
  }
}

void TMMWaveOut::Restart() {
  if (!Is(kStarted) || !Is(kPaused)) return;
  try {
    rewinding_ = false;
    TMMCustomSoundComponent::Restarted();
    if (ring_dropped_) {
      ring_dropped_ = false;
      ring_index_ = 0;
      ring_count_ = FillRing();
      if (ring_count_ == 0) {
        RemoveState(kPaused);
        Stop();
        return;
      }
    }
    Check(kRestartPrefix, driver_.Restart(handle_));
    RemoveState(kPaused);
    if (OnRestart) OnRestart(this);
  } catch (...) {
    FireError();
    Close();
    throw;
  }
}

void TMMWaveOut::Rewind() {
  if ((!Is(kStarted) && !Is(kPaused)) || rewinding_) return;
  try {
    rewinding_ = true;
    Check(kPausePrefix, driver_.Pause(handle_));
    if (callback_mode_ == cmThread && thread_.Running()) {
      thread_.Drain(wake_);
    } else if (window_) {
      plat::MSG msg;
      while (plat::PeekMessageA(&msg, window_, plat::MM_WOM_DONE, plat::MM_WOM_DONE, plat::PM_REMOVE)) {
        if (WindowIsCallback() && msg.wParam == reinterpret_cast<plat::WPARAM>(handle_)) CountDone();
      }
    }
    const plat::MMRESULT r = driver_.Reset(handle_);
    if (r != 0) DriverError(kResetPrefix, r);
    WaitFor(
        [this] {
          std::lock_guard guard(lock_);
          return queued_ <= 0;
        },
        1000, WindowIsCallback());
    Check(kRestartPrefix, driver_.Restart(handle_));
    Check(kPausePrefix, driver_.Pause(handle_));
    {
      std::lock_guard guard(lock_);
      ring_index_ = 0;
      queued_ = 0;
      position_offset_ = 0;
      ClearWrap();
      loop_base_ = 0;
      rewinding_ = false;
    }
    in_flight_ = 0;
    TMMCustomSoundComponent::Reset();
    ring_count_ = FillRing();
    if (!Is(kPaused)) Check(kRestartPrefix, driver_.Restart(handle_));
    if (ring_count_ == 0) Stop();
  } catch (...) {
    FireError();
    Close();
    throw;
  }
}

}  // namespace engine
