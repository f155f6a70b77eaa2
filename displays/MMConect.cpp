#include "displays/MMConect.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "engine/MMObj.h"
#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "engine/MMWaveHdr.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/mm/MMTime.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/TypInfo.h"

namespace displays {

namespace {

constexpr uint16_t kChangeWhileOpenMessage = 60;
constexpr const char* kWindowClassName = "TMMConnectorWindow";
// Below this the pause feed follows the buffer's duration, else the timer's period.
constexpr int32_t kShortPauseBuffer = 8192;

// Keeps the application's idle processing from waiting for the next message
// while connectors run.
class TIdleHandler : public vcl::TObject {
 public:
  void Idle(vcl::TObject*, bool& done) { done = false; }
};

// What all connectors of the process share. Changed on the main thread only;
// the window handle is also read by Trigger on other threads.
struct TConnectorUnit {
  std::vector<TMMConnector*> list;
  std::atomic<plat::HWND> window{nullptr};
  int running = 0;
  int32_t max_speed = 0;
  bool enter_idle = false;
  std::unique_ptr<TIdleHandler> idle_handler;
  bool idle_installed = false;
  // One idle step for the whole unit: set while one is queued or being handled.
  bool idle_step_pending = false;
  // Counts connector windows, so an idle step of a destroyed window leaves
  // the state of a new one alone.
  int generation = 0;
};

TConnectorUnit& Unit() {
  static TConnectorUnit unit;
  return unit;
}

bool Listed(const TMMConnector* connector) {
  const auto& list = Unit().list;
  return std::find(list.begin(), list.end(), connector) != list.end();
}

bool Terminating() { return vcl::Application && vcl::Application->Terminated(); }

void UpdateMaxSpeed() {
  auto& u = Unit();
  u.max_speed = 0;
  for (const TMMConnector* c : u.list) u.max_speed = std::max(u.max_speed, c->Speed());
}

void PostIdleStep() {
  auto& u = Unit();
  if (u.idle_step_pending || !u.window) return;
  if (plat::PostMessageA(u.window, MM_CONNECTOR_IDLESTEP, 0, 0)) u.idle_step_pending = true;
}

void RemoveIdleHandlerWhenIdle() {
  auto& u = Unit();
  if (u.running > 0 || !u.idle_installed) return;
  if (vcl::Application) vcl::Application->OnIdle = nullptr;
  u.idle_handler.reset();
  u.idle_installed = false;
}

// Runs the passes of every message-driven connector once, after letting the
// application handle what waits.
void IdleStep() {
  auto& u = Unit();
  for (int32_t i = 0; vcl::Application && i < kMaxConnectorSpeed + 1 - u.max_speed; ++i) {
    try {
      vcl::Application->ProcessMessages();
    } catch (...) {
      vcl::ReportException(nullptr);
    }
  }
  if (u.running <= 0 || Terminating() || u.list.empty()) return;
  // A pass may free connectors, or make new ones.
  const std::vector<TMMConnector*> snapshot = u.list;
  for (TMMConnector* c : snapshot) {
    if (!Listed(c) || !c->AutoTrigger() || !c->Enabled() || !c->Running()) continue;
    if (c->MessageDriven()) {
      try {
        c->Pump();
      } catch (...) {
        vcl::ReportException(c);
      }
    }
  }
}

}  // namespace

void ConnectorIdleStep() {
  auto& u = Unit();
  const int generation = u.generation;
  IdleStep();
  if (generation != u.generation) return;
  if (u.running > 0 && !Terminating() && !u.list.empty() && u.window) {
    plat::Sleep(1);
    if (u.enter_idle && vcl::Application) {
      try {
        vcl::Application->HandleMessage();
      } catch (...) {
        vcl::ReportException(nullptr);
      }
    }
    if (generation != u.generation) return;
    if (u.window && plat::PostMessageA(u.window, MM_CONNECTOR_IDLESTEP, 0, 0)) return;
  }
  u.idle_step_pending = false;
}

plat::LRESULT ConnectorWindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                  plat::LPARAM lparam) {
  auto& u = Unit();
  if (u.list.empty() && message != MM_CONNECTOR_IDLESTEP)
    return plat::DefWindowProcA(hwnd, message, wparam, lparam);
  switch (message) {
    case MM_CONNECTOR_IDLESTEP:
      ConnectorIdleStep();
      return 0;
    case MM_CONNECTOR_START:
    case MM_CONNECTOR_PASS: {
      // The connector may have gone since the message was posted.
      auto* connector = reinterpret_cast<TMMConnector*>(lparam);
      if (!connector || !Listed(connector)) return plat::DefWindowProcA(hwnd, message, wparam, lparam);
      try {
        if (message == MM_CONNECTOR_START)
          connector->HandleStart();
        else
          connector->HandlePass();
      } catch (...) {
        vcl::ReportException(connector);
      }
      return 0;
    }
    default:
      return plat::DefWindowProcA(hwnd, message, wparam, lparam);
  }
}

namespace {

void CreateConnectorWindow() {
  auto& u = Unit();
  plat::WNDCLASSA existing;
  const bool registered = plat::GetClassInfoA(nullptr, kWindowClassName, &existing) != plat::FALSE;
  if (!registered || existing.lpfnWndProc != &ConnectorWindowProc) {
    if (registered) plat::UnregisterClassA(kWindowClassName, nullptr);
    plat::WNDCLASSA wc;
    wc.lpfnWndProc = &ConnectorWindowProc;
    wc.lpszClassName = kWindowClassName;
    plat::RegisterClassA(&wc);
  }
  u.window = plat::CreateWindowExA(0, kWindowClassName, "", 0, 0, 0, 0, 0, plat::HWND_MESSAGE, nullptr,
                                   nullptr, nullptr);
  if (!u.window) throw vcl::EOutOfResources("Cannot create the connector window");
}

void RegisterConnector(TMMConnector* connector) {
  auto& u = Unit();
  if (u.list.empty()) CreateConnectorWindow();
  u.list.push_back(connector);
  UpdateMaxSpeed();
}

void UnregisterConnector(TMMConnector* connector) {
  auto& u = Unit();
  if (!Listed(connector)) return;
  std::erase(u.list, connector);
  UpdateMaxSpeed();
  if (!u.list.empty()) return;
  if (plat::HWND window = u.window.exchange(nullptr)) plat::DestroyWindow(window);
  u.idle_step_pending = false;
  ++u.generation;
}

// Takes this connector's start and pass messages out of the queue and keeps
// every other message, the idle step included, that other connectors rely on.
void RemoveConnectorMessages(TMMConnector* connector) {
  const plat::HWND window = Unit().window;
  if (!window) return;
  std::vector<plat::MSG> others;
  plat::MSG msg;
  while (plat::PeekMessageA(&msg, window, MM_CONNECTOR_START, MM_CONNECTOR_PASS, plat::PM_REMOVE))
    if (reinterpret_cast<TMMConnector*>(msg.lParam) != connector) others.push_back(msg);
  for (const plat::MSG& m : others) plat::PostMessageA(window, m.message, m.wParam, m.lParam);
}

// Pacing and the pause interval work from the byte rate: derive it and the
// block align from rate, width and channels rather than trusting the header.
void DeriveRates(plat::WAVEFORMATEX& format) {
  const uint32_t frame = static_cast<uint32_t>(format.nChannels) * (format.wBitsPerSample / 8u);
  format.nBlockAlign = static_cast<plat::WORD>(std::min<uint32_t>(frame, 0xFFFF));
  format.nAvgBytesPerSec = static_cast<plat::DWORD>(
      std::min<uint64_t>(uint64_t{format.nSamplesPerSec} * frame, std::numeric_limits<plat::DWORD>::max()));
}

}  // namespace

VCL_IMPLEMENT_CLASS(
    TMMConnector, EventProp("OnTrigger", &TMMConnector::OnTrigger),
    BoolProp("Enabled", &TMMConnector::Enabled, &TMMConnector::SetEnabled).Default(true),
    BoolProp("AutoConvert", &TMMConnector::AutoConvert, &TMMConnector::SetAutoConvert).Default(true),
    BoolProp("AutoTrigger", &TMMConnector::AutoTrigger, &TMMConnector::SetAutoTrigger).Default(true),
    BoolProp("Synchronize", &TMMConnector::Synchronize, &TMMConnector::SetSynchronize).Default(true),
    IntProp("Speed", &TMMConnector::Speed, &TMMConnector::SetSpeed).Default(kMaxConnectorSpeed),
    EnumProp("TriggerMethod", &TMMConnector::TriggerMethod, &TMMConnector::SetTriggerMethod,
             {"tmMessage", "tmTimer"})
        .Default(tmMessage),
    EnumProp("TriggerMode", &TMMConnector::TriggerMode, &TMMConnector::SetTriggerMode,
             {"tmNone", "tmUpFlank", "tmDownFlank"})
        .Default(tmNone),
    IntProp("TriggerLevel", &TMMConnector::TriggerLevel, &TMMConnector::SetTriggerLevel).Default(0),
    BoolProp("RefreshOnStop", &TMMConnector::RefreshOnStop, &TMMConnector::SetRefreshOnStop).Default(true),
    BoolProp("RealTime", &TMMConnector::RealTime, &TMMConnector::SetRealTime).Default(true),
    // Shared by all connectors, so every form stores it.
    BoolProp("EnterIdle", &TMMConnector::EnterIdle, &TMMConnector::SetEnterIdle), engine::DSPInputProp(),
    engine::DSPOutputProp(), RefProp("Level1", &TMMConnector::Level1, &TMMConnector::SetLevel1),
    RefProp("Level2", &TMMConnector::Level2, &TMMConnector::SetLevel2),
    RefProp("Meter1", &TMMConnector::Meter1, &TMMConnector::SetMeter1),
    RefProp("Meter2", &TMMConnector::Meter2, &TMMConnector::SetMeter2),
    RefProp("Light1", &TMMConnector::Light1, &TMMConnector::SetLight1),
    RefProp("Light2", &TMMConnector::Light2, &TMMConnector::SetLight2),
    RefProp("Oscope1", &TMMConnector::Oscope1, &TMMConnector::SetOscope1),
    RefProp("Oscope2", &TMMConnector::Oscope2, &TMMConnector::SetOscope2),
    RefProp("Spectrogram1", &TMMConnector::Spectrogram1, &TMMConnector::SetSpectrogram1),
    RefProp("Spectrogram2", &TMMConnector::Spectrogram2, &TMMConnector::SetSpectrogram2),
    RefProp("Spectrum1", &TMMConnector::Spectrum1, &TMMConnector::SetSpectrum1),
    RefProp("Spectrum2", &TMMConnector::Spectrum2, &TMMConnector::SetSpectrum2),
    RefProp("Spectrum3", &TMMConnector::Spectrum3, &TMMConnector::SetSpectrum3),
    RefProp("Spectrum4", &TMMConnector::Spectrum4, &TMMConnector::SetSpectrum4))

TMMConnector::TMMConnector(vcl::TComponent* owner) : TMMDSPComponent(owner) {
  timer_ = std::make_unique<engine::TMMHiTimer>(nullptr);
  timer_->SetEnabled(false);
  timer_->SetInterval(20);
  timer_->SetOnTimer([this](vcl::TObject*) { Trigger(); });
  if (!DesignMode()) RegisterInList();
}

TMMConnector::~TMMConnector() {
  // No tick may reach the connector while it goes.
  timer_.reset();
  Stopped();
  StopRunning();
  if (registered_) {
    plat::timeEndPeriod(1);
    RemoveConnectorMessages(this);
    UnregisterConnector(this);
  }
}

void TMMConnector::RegisterInList() {
  if (registered_) return;
  plat::timeBeginPeriod(1);
  RegisterConnector(this);
  registered_ = true;
}

void TMMConnector::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  if (!value) RegisterInList();
}

// ---- Slots ----

vcl::TComponent* TMMConnector::Display(TMMDisplayGroup group, int index) const {
  if (group >= kDisplayGroupCount || index < 0 || index >= GroupSlotCount(group))
    throw EMMConnectorError("List index out of bounds (" + std::to_string(index) + ")");
  return slots_[group][static_cast<size_t>(index)].component;
}

void TMMConnector::SetDisplay(TMMDisplayGroup group, int index, vcl::TComponent* component) {
  if (Display(group, index) == component) return;
  TMMDisplayProtocol* display = nullptr;
  if (component) {
    display = dynamic_cast<TMMDisplayProtocol*>(component);
    if (!display) throw EMMConnectorError(component->ClassName() + " is not a display");
  }
  {
    std::lock_guard lock(lock_);
    auto& slots = slots_[group];
    if (component && group != dgSpectrum && slots[static_cast<size_t>(1 - index)].component == component)
      return;
    slots[static_cast<size_t>(index)] = {component, display};
    due_[group] = false;
  }
  if (component) {
    FreeNotification(component);
    PassFormatToDisplays();
  }
}

std::vector<TMMDisplayProtocol*> TMMConnector::LinkedDisplays() const {
  // A pass on another thread may drop a display that raised.
  std::lock_guard lock(lock_);
  std::vector<TMMDisplayProtocol*> displays;
  for (int g = 0; g < kDisplayGroupCount; ++g)
    for (int i = 0; i < GroupSlotCount(static_cast<TMMDisplayGroup>(g)); ++i)
      if (TMMDisplayProtocol* d = slots_[static_cast<size_t>(g)][static_cast<size_t>(i)].display)
        displays.push_back(d);
  return displays;
}

void TMMConnector::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != vcl::opRemove || !component) return;
  std::lock_guard lock(lock_);
  for (auto& group : slots_)
    for (TSlot& slot : group)
      if (slot.component == component) slot = {};
}

void TMMConnector::DropDisplay(TMMDisplayProtocol* display) {
  for (auto& group : slots_)
    for (TSlot& slot : group)
      if (slot.display == display) slot = {};
}

bool TMMConnector::GroupLinked(int group) const {
  for (const TSlot& slot : slots_[static_cast<size_t>(group)])
    if (slot.display) return true;
  return false;
}

// ---- Properties ----

void TMMConnector::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  if (DesignMode()) return;
  if (!value) {
    StopRunning();
    ResetDisplays();
  } else if (started_ && real_time_) {
    PostStart();
  }
}

void TMMConnector::SetAutoTrigger(bool value) {
  if (value == auto_trigger_) return;
  auto_trigger_ = value;
  if (DesignMode()) return;
  if (!value)
    StopRunning();
  else if (started_ && enabled_ && real_time_)
    PostStart();
}

void TMMConnector::SetSpeed(int32_t value) {
  value = std::clamp(value, 1, kMaxConnectorSpeed);
  if (value == speed_) return;
  speed_ = value;
  if (registered_) UpdateMaxSpeed();
}

void TMMConnector::SetRealTime(bool value) {
  if (value == real_time_) return;
  if (IsOpened()) throw EMMConnectorError(engine::LoadLibraryMessage(kChangeWhileOpenMessage));
  real_time_ = value;
}

bool TMMConnector::EnterIdle() const { return Unit().enter_idle; }

void TMMConnector::SetEnterIdle(bool value) { Unit().enter_idle = value; }

// ---- Formats ----

bool TMMConnector::ChooseDisplayFormat(const plat::WAVEFORMATEX* format, plat::WAVEFORMATEX& chosen,
                                       bool& is_pcm, bool& converting) const {
  is_pcm = converting = false;
  chosen = {};
  if (format->wFormatTag == plat::WAVE_FORMAT_PCM) {
    is_pcm = true;
    std::memcpy(&chosen, format, sizeof(chosen));
  } else {
    if (!auto_convert_) return false;
    engine::SuggestPCMFormat(format, chosen);
    if (chosen.wFormatTag == 0) return false;
    converting = engine::CanConvertFormat(format, &chosen, true);
    if (!converting) return false;
  }
  chosen.cbSize = 0;
  DeriveRates(chosen);
  return true;
}

void TMMConnector::HandFormatToDisplays(const plat::WAVEFORMATEX& format) {
  // Each display gets its own copy: none can change what the next one sees.
  for (TMMDisplayProtocol* display : LinkedDisplays()) {
    plat::WAVEFORMATEX copy = format;
    display->SetWaveFormat(&copy);
  }
}

void TMMConnector::PassFormatToDisplays() {
  const plat::WAVEFORMATEX* format = GetFormat();
  if (!format) return;
  if (started_) {
    HandFormatToDisplays(display_format_);
    return;
  }
  plat::WAVEFORMATEX chosen;
  bool is_pcm = false;
  bool converting = false;
  if (ChooseDisplayFormat(format, chosen, is_pcm, converting)) HandFormatToDisplays(chosen);
}

void TMMConnector::SetFormat(const plat::WAVEFORMATEX* format) {
  inherited::SetFormat(format);
  PassFormatToDisplays();
}

void TMMConnector::ResetDisplays() {
  for (TMMDisplayProtocol* display : LinkedDisplays()) display->ResetData();
}

// ---- Chain notifications ----

void TMMConnector::Started() {
  inherited::Started();
  const plat::WAVEFORMATEX* format = GetFormat();
  if (DesignMode() || started_ || !format || BufferSize() <= 0) return;

  plat::WAVEFORMATEX chosen;
  bool is_pcm = false;
  bool converting = false;
  if (!ChooseDisplayFormat(format, chosen, is_pcm, converting)) return;

  {
    std::lock_guard lock(lock_);
    display_format_ = chosen;
    input_is_pcm_ = is_pcm;
    converting_ = false;
    input_size_ = BufferSize();
    input_buffer_ = engine::GlobalAllocZeroed(static_cast<size_t>(input_size_));
    if (is_pcm) {
      display_buffer_ = static_cast<uint8_t*>(input_buffer_);
      display_size_ = input_size_;
    } else {
      try {
        conversion_ = engine::CreateACMConversion(format, &display_format_, input_buffer_, input_size_, true);
      } catch (...) {
        conversion_ = nullptr;
        FreeBuffers();
        throw;
      }
      if (!conversion_) {
        FreeBuffers();
        return;
      }
      converting_ = true;
      display_buffer_ = static_cast<uint8_t*>(conversion_->DestBuffer);
      display_size_ = conversion_->DestSize;
    }
    fill_byte_ = display_format_.wBitsPerSample == 8 ? 128 : 0;
    due_.fill(false);
    data_size_ = 0;
  }
  if (registered_) UpdateMaxSpeed();
  // The displays take the format before the connector counts as started, so
  // a display that refuses it leaves nothing half started.
  try {
    HandFormatToDisplays(display_format_);
  } catch (...) {
    std::lock_guard lock(lock_);
    FreeBuffers();
    throw;
  }
  started_ = true;
  if (enabled_ && real_time_) PostStart();
}

void TMMConnector::Paused() {
  if (!DesignMode() && started_ && !paused_) {
    paused_ = true;
    {
      std::lock_guard lock(lock_);
      if (display_buffer_) std::memset(display_buffer_, fill_byte_, static_cast<size_t>(display_size_));
    }
    if (real_time_) SetPauseTimer(true);
  }
  inherited::Paused();
}

void TMMConnector::Restarted() {
  if (!DesignMode() && started_ && paused_) {
    paused_ = false;
    if (real_time_) SetPauseTimer(false);
  }
  inherited::Restarted();
}

void TMMConnector::Stopped() {
  if (!DesignMode() && started_) {
    started_ = false;
    StopRunning();
    paused_ = false;
    SetPauseTimer(false);
    {
      std::lock_guard lock(lock_);
      FreeBuffers();
    }
    if (refresh_on_stop_) ResetDisplays();
  }
  inherited::Stopped();
}

void TMMConnector::Reset() {
  if (!DesignMode() && started_) {
    std::lock_guard lock(lock_);
    if (display_buffer_) std::memset(display_buffer_, fill_byte_, static_cast<size_t>(display_size_));
  }
  inherited::Reset();
}

void TMMConnector::FreeBuffers() {
  if (conversion_) engine::FreeACMConversion(conversion_);
  conversion_ = nullptr;
  converting_ = false;
  engine::GlobalFreeAndNil(input_buffer_);
  input_size_ = 0;
  display_buffer_ = nullptr;
  display_size_ = 0;
  data_size_ = 0;
  due_.fill(false);
}

// ---- Storing blocks ----

void TMMConnector::BufferReady(plat::WAVEHDR* lpwh) {
  if (lpwh) {
    // On the playback path the next header is the one playing now.
    const plat::WAVEHDR* stored = lpwh;
    auto* next = static_cast<engine::TMMWaveHdr*>(lpwh)->NextHeader;
    if (synchronize_ && next && lpwh->dwBytesRecorded > 0) stored = next;
    StoreData(stored->lpData, static_cast<uint32_t>(engine::ValidBytes(stored)));
  }
  inherited::BufferReady(lpwh);
}

void TMMConnector::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  inherited::BufferLoad(lpwh, more_buffers);
  if (lpwh) StoreData(lpwh->lpData, static_cast<uint32_t>(engine::ValidBytes(lpwh)));
}

void TMMConnector::StoreData(const void* data, uint32_t size) {
  if (!enabled_ || !started_ || paused_ || !data || size == 0) return;
  {
    std::lock_guard lock(lock_);
    if (!display_buffer_) return;
    const int64_t now = engine::GetTimeMicroseconds();
    int32_t bytes = static_cast<int32_t>(std::min<uint32_t>(size, static_cast<uint32_t>(input_size_)));
    std::memcpy(input_buffer_, data, static_cast<size_t>(bytes));
    if (converting_) {
      bytes = engine::ACMConvertBlock(conversion_, bytes);
      if (bytes < 1) return;
      bytes = std::min(bytes, display_size_);
    }
    data_size_ = bytes;
    time_stamp_ = now;
    MarkGroupsDue();
  }
  if (!real_time_ && auto_trigger_) Pump();
}

void TMMConnector::MarkGroupsDue() {
  for (int g = 0; g < kDisplayGroupCount; ++g) {
    if (!GroupLinked(g)) continue;
    due_[static_cast<size_t>(g)] = true;
    positions_[static_cast<size_t>(g)] = 0;
  }
  positions_[kDisplayGroupCount] = 0;
}

// ---- Pause feed ----

void TMMConnector::SetPauseTimer(bool active) {
  {
    std::lock_guard lock(lock_);
    due_.fill(false);
  }
  // Never under the connector lock: a running tick holds the timer's lock
  // and takes the connector's.
  if (pause_client_) engine::RemoveTimerClient(std::exchange(pause_client_, nullptr));
  if (!active) return;
  int32_t interval = engine::kMMTimerPeriod;
  const plat::WAVEFORMATEX* format = input_is_pcm_ ? &display_format_ : GetFormat();
  if (BufferSize() < kShortPauseBuffer && format && format->nAvgBytesPerSec > 0)
    interval = engine::WaveBytesToTime(format, BufferSize());
  pause_client_ = engine::AddTimerClient(
      interval, false, [this](engine::TMMTimerClient*, void*) { PauseTimerTick(); }, this);
  if (!pause_client_) throw vcl::EOutOfResources("Not enough timers available");
}

void TMMConnector::PauseTimerTick() {
  if (!paused_) return;
  std::lock_guard lock(lock_);
  time_stamp_ = engine::GetTimeMicroseconds();
  MarkGroupsDue();
}

// ---- Driving the passes ----

void TMMConnector::PostStart() {
  if (plat::HWND window = Unit().window)
    plat::PostMessageA(window, MM_CONNECTOR_START, 0, reinterpret_cast<plat::LPARAM>(this));
}

void TMMConnector::HandleStart() {
  if (!started_ || !enabled_) return;
  pending_passes_ = 0;
  running_ = true;
  // A second start message for a connector already driven counts it once.
  if (!auto_trigger_ || counted_as_message_ || timer_running_) return;
  if (trigger_method_ == tmMessage) {
    auto& u = Unit();
    counted_as_message_ = true;
    ++u.running;
    if (u.enter_idle && !u.idle_handler && vcl::Application && !vcl::Application->OnIdle) {
      u.idle_handler = std::make_unique<TIdleHandler>();
      vcl::Application->OnIdle = [handler = u.idle_handler.get()](vcl::TObject* sender, bool& done) {
        handler->Idle(sender, done);
      };
      u.idle_installed = true;
    }
    PostIdleStep();
  } else {
    timer_running_ = true;
    timer_->SetEnabled(true);
  }
}

void TMMConnector::StopRunning() {
  running_ = false;
  if (counted_as_message_) {
    counted_as_message_ = false;
    --Unit().running;
    RemoveIdleHandlerWhenIdle();
  }
  if (timer_running_) {
    timer_running_ = false;
    if (timer_) timer_->SetEnabled(false);
  }
}

void TMMConnector::HandlePass() {
  // Counted off whatever happens next, so a later Trigger can post again.
  int32_t pending = pending_passes_;
  while (pending > 0 && !pending_passes_.compare_exchange_weak(pending, pending - 1)) {
  }
  if (enabled_) Pump();
}

void TMMConnector::Trigger() {
  if (!enabled_) return;
  if (!running_ && !(!real_time_ && started_)) return;
  if (auto_trigger_ && trigger_method_ == tmMessage) return;
  if (pending_passes_ != 0) return;
  if (plat::IsMainThread()) {
    Pump();
    return;
  }
  int32_t expected = 0;
  if (!pending_passes_.compare_exchange_strong(expected, 1)) return;
  const plat::HWND window = Unit().window;
  if (!window || !plat::PostMessageA(window, MM_CONNECTOR_PASS, 0, reinterpret_cast<plat::LPARAM>(this)))
    pending_passes_ = 0;
}

// ---- The pass ----

int32_t TMMConnector::GroupStep(int group) const {
  int32_t step = 0;
  for (const TSlot& slot : slots_[static_cast<size_t>(group)])
    if (slot.display) step = std::max(step, slot.display->BytesPerRefresh());
  return step;
}

int32_t TMMConnector::OscopeAdvance(int32_t step) const {
  const auto& slots = slots_[dgOscope];
  const TMMDisplayProtocol* reference = slots[0].display ? slots[0].display : slots[1].display;
  if (!reference || !reference->Scroll() || !reference->Accelerate()) return step;
  // A quarter of the trace, but never less than one frame, or short traces
  // would be fed the same stretch every pass.
  const int32_t frames = std::max(reference->FFTLength() / 4, 1);
  return frames * (reference->BitLength() + 1) * (reference->Mode() + 1);
}

bool TMMConnector::Due(int32_t position) const {
  const int64_t rate = display_format_.nAvgBytesPerSec;
  if (rate <= 0) return true;
  const int64_t due = int64_t{position} * 1'000'000 / rate;
  return engine::GetTimeMicroseconds() - time_stamp_ >= due;
}

bool TMMConnector::ServeStretch(int group, int slot, int32_t step, int32_t& position, int32_t advance,
                                int32_t offset, std::exception_ptr& error) {
  int64_t at = position;
  if (offset > 0) at += offset;
  position = static_cast<int32_t>(std::min<int64_t>(at + advance, std::numeric_limits<int32_t>::max()));
  if (at < 0 || at + step > data_size_) return false;
  const uint8_t* pointer = display_buffer_ + at;
  auto& slots = slots_[static_cast<size_t>(group)];
  const int first = slot < 0 ? 0 : slot;
  const int last = slot < 0 ? GroupSlotCount(static_cast<TMMDisplayGroup>(group)) - 1 : slot;
  for (int i = first; i <= last; ++i) {
    TMMDisplayProtocol* display = slots[static_cast<size_t>(i)].display;
    if (!display) continue;
    try {
      display->RefreshPCMData(pointer);
    } catch (...) {
      // One report per failing display, which leaves its slots; the others go on.
      if (!error) error = std::current_exception();
      DropDisplay(display);
    }
  }
  return true;
}

void TMMConnector::Pump() {
  if (!enabled_) return;
  if (!running_ && !(!real_time_ && started_)) return;
  std::exception_ptr error;
  {
    std::lock_guard lock(lock_);
    if (!display_buffer_) return;
    for (int g = 0; g < dgSpectrogram; ++g) {
      const auto group = static_cast<size_t>(g);
      if (!due_[group]) continue;
      const int32_t step = GroupStep(g);
      int32_t& position = positions_[group];
      int32_t offset = -1;
      if (g == dgOscope && trigger_mode_ != tmNone && !paused_ && position >= 0 && position < data_size_)
        offset = engine::FindLevelCrossing(&display_format_, display_buffer_ + position,
                                           data_size_ - position, 0, trigger_mode_, trigger_level_);
      if (synchronize_ && !Due(position)) continue;
      const int32_t advance = g == dgOscope ? OscopeAdvance(step) : step;
      if (!ServeStretch(g, -1, step, position, advance, offset, error)) due_[group] = false;
    }
    if (due_[dgSpectrogram]) {
      bool served = false;
      bool left = false;
      for (int i = 0; i < 2; ++i) {
        const TMMDisplayProtocol* display = slots_[dgSpectrogram][static_cast<size_t>(i)].display;
        if (!display) continue;
        const int32_t step = display->BytesPerRefresh();
        int32_t& position = positions_[static_cast<size_t>(dgSpectrogram + i)];
        if (!synchronize_ || Due(position)) {
          const int32_t frame = std::max<int32_t>(display_format_.nBlockAlign, 1);
          const int32_t advance = display->Accelerate() ? std::max(step / 4, frame) : step;
          served |= ServeStretch(dgSpectrogram, i, step, position, advance, -1, error);
        }
        left |= int64_t{position} + step <= data_size_;
      }
      if (served && !left) due_[dgSpectrogram] = false;
    }
  }
  if (error) {
    try {
      std::rethrow_exception(error);
    } catch (...) {
      vcl::ReportException(this);
    }
  }
  if (vcl::TNotifyEvent handler = OnTrigger) handler(this);
}

bool TMMConnector::RefreshDue(TMMDisplayGroup group) const {
  std::lock_guard lock(lock_);
  return group < kDisplayGroupCount && due_[group];
}

// ---- Unit state for tests ----

plat::HWND ConnectorWindow() { return Unit().window; }
int ConnectorCount() { return static_cast<int>(Unit().list.size()); }
int ConnectorRunningCount() { return Unit().running; }
int32_t ConnectorMaxSpeed() { return Unit().max_speed; }
bool ConnectorIdleStepPending() { return Unit().idle_step_pending; }

}  // namespace displays
