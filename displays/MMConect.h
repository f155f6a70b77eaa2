#pragma once
// The connector: a pass-through chain member that copies every block going
// by (converting a non-PCM format to PCM) and feeds that copy to up to
// fourteen displays in six groups, each group a stretch of its own length at
// a time, paced to the audio clock. After every refresh pass it fires
// OnTrigger.
//
// Who runs the passes: with RealTime on, the main thread, driven by one idle
// step that all connectors share through a hidden window (tmMessage), by the
// connector's own high-resolution timer (tmTimer) or by Trigger. With
// RealTime off the thread that delivers a block runs the pass inside
// StoreData. The connector lock covers the copy and the whole of each pass;
// each display takes its own display lock inside RefreshPCMData (lock order
// connector, then display). OnTrigger runs after the lock is left.
#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "displays/MMDisplay.h"
#include "displays/MMLevel.h"
#include "displays/MMLight.h"
#include "displays/MMMeter.h"
#include "displays/MMOscope.h"
#include "displays/MMSpectrogram.h"
#include "displays/MMSpectrum.h"
#include "engine/MMACMSup.h"
#include "engine/MMDSPObj.h"
#include "engine/MMHTimer.h"
#include "engine/MMTimer.h"

namespace displays {

class EMMConnectorError : public vcl::Exception {
 public:
  using Exception::Exception;
};

enum TMMTriggerMethod : uint8_t { tmMessage, tmTimer };
enum TMMTriggerMode : uint8_t { tmNone, tmUpFlank, tmDownFlank };

// The display groups, in the order every pass serves them.
enum TMMDisplayGroup : uint8_t { dgLevel, dgMeter, dgOscope, dgLight, dgSpectrum, dgSpectrogram };
constexpr int kDisplayGroupCount = 6;
constexpr int kMaxGroupSlots = 4;
// Slots per group: two each, four spectra.
constexpr int GroupSlotCount(TMMDisplayGroup group) { return group == dgSpectrum ? 4 : 2; }

// Messages of the connector window; lParam is the connector.
constexpr plat::UINT MM_CONNECTOR_START = 0xB1F5;
constexpr plat::UINT MM_CONNECTOR_PASS = 0xB1F6;
constexpr plat::UINT MM_CONNECTOR_IDLESTEP = 0xB1F7;

constexpr int32_t kMaxConnectorSpeed = 5000;

class TMMConnector : public engine::TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMConnector, engine::TMMDSPComponent)
 public:
  explicit TMMConnector(vcl::TComponent* owner);
  // Stops and joins the high-resolution timer before anything else, so no
  // tick reaches a connector on its way out.
  ~TMMConnector() override;

  void ChangeDesignMode(bool value) override;

  // The display in a slot, or null. Out-of-range slots raise.
  vcl::TComponent* Display(TMMDisplayGroup group, int index) const;
  // Links a display (a component that offers TMMDisplayProtocol) or clears
  // the slot with null; anything else raises EMMConnectorError. The same
  // display in both slots of a two-slot group is ignored, as is the display
  // the slot already holds.
  void SetDisplay(TMMDisplayGroup group, int index, vcl::TComponent* component);

  // The slots by their display classes.
  TMMLevel* Level1() const { return dynamic_cast<TMMLevel*>(Display(dgLevel, 0)); }
  void SetLevel1(TMMLevel* value) { SetDisplay(dgLevel, 0, value); }
  TMMLevel* Level2() const { return dynamic_cast<TMMLevel*>(Display(dgLevel, 1)); }
  void SetLevel2(TMMLevel* value) { SetDisplay(dgLevel, 1, value); }
  TMMMeter* Meter1() const { return dynamic_cast<TMMMeter*>(Display(dgMeter, 0)); }
  void SetMeter1(TMMMeter* value) { SetDisplay(dgMeter, 0, value); }
  TMMMeter* Meter2() const { return dynamic_cast<TMMMeter*>(Display(dgMeter, 1)); }
  void SetMeter2(TMMMeter* value) { SetDisplay(dgMeter, 1, value); }
  TMMLight* Light1() const { return dynamic_cast<TMMLight*>(Display(dgLight, 0)); }
  void SetLight1(TMMLight* value) { SetDisplay(dgLight, 0, value); }
  TMMLight* Light2() const { return dynamic_cast<TMMLight*>(Display(dgLight, 1)); }
  void SetLight2(TMMLight* value) { SetDisplay(dgLight, 1, value); }
  TMMOscope* Oscope1() const { return dynamic_cast<TMMOscope*>(Display(dgOscope, 0)); }
  void SetOscope1(TMMOscope* value) { SetDisplay(dgOscope, 0, value); }
  TMMOscope* Oscope2() const { return dynamic_cast<TMMOscope*>(Display(dgOscope, 1)); }
  void SetOscope2(TMMOscope* value) { SetDisplay(dgOscope, 1, value); }
  TMMSpectrogram* Spectrogram1() const { return dynamic_cast<TMMSpectrogram*>(Display(dgSpectrogram, 0)); }
  void SetSpectrogram1(TMMSpectrogram* value) { SetDisplay(dgSpectrogram, 0, value); }
  TMMSpectrogram* Spectrogram2() const { return dynamic_cast<TMMSpectrogram*>(Display(dgSpectrogram, 1)); }
  void SetSpectrogram2(TMMSpectrogram* value) { SetDisplay(dgSpectrogram, 1, value); }
  TMMSpectrum* Spectrum1() const { return dynamic_cast<TMMSpectrum*>(Display(dgSpectrum, 0)); }
  void SetSpectrum1(TMMSpectrum* value) { SetDisplay(dgSpectrum, 0, value); }
  TMMSpectrum* Spectrum2() const { return dynamic_cast<TMMSpectrum*>(Display(dgSpectrum, 1)); }
  void SetSpectrum2(TMMSpectrum* value) { SetDisplay(dgSpectrum, 1, value); }
  TMMSpectrum* Spectrum3() const { return dynamic_cast<TMMSpectrum*>(Display(dgSpectrum, 2)); }
  void SetSpectrum3(TMMSpectrum* value) { SetDisplay(dgSpectrum, 2, value); }
  TMMSpectrum* Spectrum4() const { return dynamic_cast<TMMSpectrum*>(Display(dgSpectrum, 3)); }
  void SetSpectrum4(TMMSpectrum* value) { SetDisplay(dgSpectrum, 3, value); }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool AutoConvert() const { return auto_convert_; }
  void SetAutoConvert(bool value) { auto_convert_ = value; }
  bool AutoTrigger() const { return auto_trigger_; }
  void SetAutoTrigger(bool value);
  bool Synchronize() const { return synchronize_; }
  void SetSynchronize(bool value) { synchronize_ = value; }
  int32_t Speed() const { return speed_; }
  // Clamped to 1..5000.
  void SetSpeed(int32_t value);
  TMMTriggerMethod TriggerMethod() const { return trigger_method_; }
  // The method read by the next start message serves the connector.
  void SetTriggerMethod(TMMTriggerMethod value) { trigger_method_ = value; }
  TMMTriggerMode TriggerMode() const { return trigger_mode_; }
  void SetTriggerMode(TMMTriggerMode value) { trigger_mode_ = value; }
  int32_t TriggerLevel() const { return trigger_level_; }
  void SetTriggerLevel(int32_t value) { trigger_level_ = value; }
  bool RefreshOnStop() const { return refresh_on_stop_; }
  void SetRefreshOnStop(bool value) { refresh_on_stop_ = value; }
  bool RealTime() const { return real_time_; }
  // Raises EMMConnectorError while the chain has the connector opened.
  void SetRealTime(bool value);
  // One value for all connectors.
  bool EnterIdle() const;
  void SetEnterIdle(bool value);

  vcl::TNotifyEvent OnTrigger;

  // Asks for one refresh pass: at once on the main thread, else through a
  // pass message (at most one waits per connector).
  virtual void Trigger();
  // Copies one block and marks the groups due.
  virtual void StoreData(const void* data, uint32_t size);

  // Chain side.
  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void Started() override;
  void Paused() override;
  void Restarted() override;
  void Stopped() override;
  void Reset() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  // State, for callers that watch the connector.
  bool Running() const { return running_; }
  // Counted in the running count, so the shared idle step runs its passes.
  bool MessageDriven() const { return counted_as_message_; }
  bool Feeding() const { return started_; }
  int32_t PendingPasses() const { return pending_passes_; }
  // The format the displays get; null while stopped.
  const plat::WAVEFORMATEX* DisplayFormat() const { return started_ ? &display_format_ : nullptr; }
  engine::TMMTimerClient* PauseTimerClient() const { return pause_client_; }
  // Whether the group still has refreshes of the last block to come.
  bool RefreshDue(TMMDisplayGroup group) const;

  // Runs one refresh pass now on the calling thread.
  void Pump();

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  friend plat::LRESULT ConnectorWindowProc(plat::HWND, plat::UINT, plat::WPARAM, plat::LPARAM);
  friend void ConnectorIdleStep();

  struct TSlot {
    vcl::TComponent* component = nullptr;
    TMMDisplayProtocol* display = nullptr;
  };
  // The groups that take their step from the largest BytesPerRefresh.
  static constexpr int kSharedGroups = dgSpectrogram;

  void RegisterInList();
  void PassFormatToDisplays();
  void HandFormatToDisplays(const plat::WAVEFORMATEX& format);
  // The PCM format the displays get for `format`; false when there is none.
  bool ChooseDisplayFormat(const plat::WAVEFORMATEX* format, plat::WAVEFORMATEX& chosen, bool& is_pcm,
                           bool& converting) const;
  void ResetDisplays();
  // In slot order; a display in two slots comes twice.
  std::vector<TMMDisplayProtocol*> LinkedDisplays() const;
  void FreeBuffers();
  void StopRunning();
  void PostStart();
  void HandleStart();
  void HandlePass();
  void SetPauseTimer(bool active);
  void PauseTimerTick();
  // Under the lock: marks every group with a linked display due from position 0.
  void MarkGroupsDue();
  bool GroupLinked(int group) const;
  // Feeds one group (or one spectrogram); false when it has no full step left.
  bool ServeStretch(int group, int slot, int32_t step, int32_t& position, int32_t advance, int32_t offset,
                    std::exception_ptr& error);
  int32_t GroupStep(int group) const;
  int32_t OscopeAdvance(int32_t step) const;
  bool Due(int32_t position) const;
  void DropDisplay(TMMDisplayProtocol* display);

  // Settings a pass or Trigger reads on other threads are atomic.
  std::atomic<bool> enabled_{true};
  bool auto_convert_ = true;
  std::atomic<bool> auto_trigger_{true};
  std::atomic<bool> synchronize_{true};
  int32_t speed_ = kMaxConnectorSpeed;
  std::atomic<TMMTriggerMethod> trigger_method_{tmMessage};
  std::atomic<TMMTriggerMode> trigger_mode_{tmNone};
  std::atomic<int32_t> trigger_level_{0};
  bool refresh_on_stop_ = true;
  std::atomic<bool> real_time_{true};

  std::array<std::array<TSlot, kMaxGroupSlots>, kDisplayGroupCount> slots_{};

  // Read by Trigger and Pump from any thread.
  std::atomic<bool> started_{false};
  std::atomic<bool> running_{false};
  std::atomic<bool> paused_{false};
  std::atomic<int32_t> pending_passes_{0};
  // The driver counted at the start message, until the connector stops running.
  std::atomic<bool> counted_as_message_{false};
  bool timer_running_ = false;
  bool registered_ = false;

  mutable std::recursive_mutex lock_;
  // Guarded by lock_ while started.
  plat::WAVEFORMATEX display_format_{};
  bool input_is_pcm_ = false;
  bool converting_ = false;
  uint8_t fill_byte_ = 0;
  engine::TMMACMConversion* conversion_ = nullptr;
  void* input_buffer_ = nullptr;
  int32_t input_size_ = 0;
  uint8_t* display_buffer_ = nullptr;
  int32_t display_size_ = 0;
  int32_t data_size_ = 0;
  int64_t time_stamp_ = 0;
  std::array<int32_t, kDisplayGroupCount + 1> positions_{};  // the spectrogram group has two
  std::array<bool, kDisplayGroupCount> due_{};

  engine::TMMTimerClient* pause_client_ = nullptr;
  std::unique_ptr<engine::TMMHiTimer> timer_;
};

// The connector window and the unit-wide state, for tests: the window (null
// while no connector is in run mode), connectors in the list, the running
// count and whether an idle step is queued or being handled.
plat::HWND ConnectorWindow();
int ConnectorCount();
int ConnectorRunningCount();
int32_t ConnectorMaxSpeed();
bool ConnectorIdleStepPending();

}  // namespace displays
