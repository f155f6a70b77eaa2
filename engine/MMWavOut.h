#pragma once
// The wave output device. It pulls buffers from its Input, keeps a ring of
// them queued with a wave-output driver, pushes every played buffer down its
// Output and refills it. Driver notices reach it through a hidden window,
// in the driver's callback or in a device thread (TMMCBMode). A stop asked
// for inside a delivery completes later on the main thread (MM_WOM_STOP).
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/MMAlloc.h"
#include "engine/MMDSPObj.h"
#include "engine/MMTypes.h"
#include "engine/MMWaveDev.h"
#include "engine/MMWaveHdr.h"
#include "platform/mm/WaveDevices.h"

namespace engine {

class EMMWaveOutError : public vcl::Exception {
 public:
  using Exception::Exception;
};

constexpr int32_t kMaxWaveOutBuffers = 500;
constexpr int32_t kMinWaveOutBufferSize = 32;

// The driver operations the device calls, bound once to the platform's waveOut* set.
struct TWaveOutDriver {
  plat::UINT (*GetNumDevs)();
  plat::MMRESULT (*GetDevCaps)(plat::UINT, plat::WAVEOUTCAPSA*, plat::UINT);
  plat::MMRESULT (*GetErrorText)(plat::MMRESULT, char*, plat::UINT);
  plat::MMRESULT (*Open)(plat::HWAVEOUT*, plat::UINT, const plat::WAVEFORMATEX*, plat::DWORD_PTR,
                         plat::DWORD_PTR, plat::DWORD);
  plat::MMRESULT (*Close)(plat::HWAVEOUT);
  plat::MMRESULT (*PrepareHeader)(plat::HWAVEOUT, plat::WAVEHDR*, plat::UINT);
  plat::MMRESULT (*UnprepareHeader)(plat::HWAVEOUT, plat::WAVEHDR*, plat::UINT);
  plat::MMRESULT (*Write)(plat::HWAVEOUT, plat::WAVEHDR*, plat::UINT);
  plat::MMRESULT (*Pause)(plat::HWAVEOUT);
  plat::MMRESULT (*Restart)(plat::HWAVEOUT);
  plat::MMRESULT (*Reset)(plat::HWAVEOUT);
  plat::MMRESULT (*GetPosition)(plat::HWAVEOUT, plat::MMTIME*, plat::UINT);
};
const TWaveOutDriver& WaveOutDriver();

// The product name of output device `device_id` (-1 the mapper); empty when
// out of range or the query fails.
std::string GetWaveOutDeviceName(TMMDeviceId device_id);

// Blocks of stopped devices that a driver would not give back. They are kept
// (never reused or freed) until the driver lets go of them; every Open tries
// to close such drivers again.
size_t QuarantinedWaveOutDevices();

class TMMWaveOut;

// The device thread of cmThread.
class TMMWaveOutThread : public TMMWaveDeviceThread {
  VCL_DECLARE_CLASS(TMMWaveOutThread, TMMWaveDeviceThread)
 public:
  explicit TMMWaveOutThread(TMMWaveOut* wave_out);

 protected:
  void Serve(const plat::MSG& msg) override;
  void Failed() override;
  void Drained() override;

 private:
  TMMWaveOut* wave_out_;
};

class TMMWaveOut : public TMMCustomWaveOutComponent {
  VCL_DECLARE_CLASS(TMMWaveOut, TMMCustomWaveOutComponent)
 public:
  // The device state bits.
  static constexpr uint32_t kOpened = 1;
  static constexpr uint32_t kStarted = 2;
  static constexpr uint32_t kPaused = 4;

  explicit TMMWaveOut(vcl::TComponent* owner);
  ~TMMWaveOut() override;

  int64_t GetPosition() override;
  void Open() override;
  // Never raises.
  void Close() override;
  void Rewind() override;
  void Start() override;
  void Pause() override;
  void Restart() override;
  void Stop() override;
  // OnError, then raises EMMWaveOutError.
  virtual void Error(const std::string& msg);

  bool QueryFormat(TMMDeviceId device_id, const plat::WAVEFORMATEX* format) const;
  // 0 while closed, else kOpened with kStarted and kPaused as they apply.
  uint32_t State() const { return state_.load(); }

  void SetNumBuffers(int32_t value) override;
  int32_t NumBuffers() const override { return num_buffers_; }
  void SetDeviceID(TMMDeviceId value) override;
  TMMDeviceId DeviceID() const override { return device_id_; }
  void SetProductName(const std::string&) override {}
  std::string ProductName() const override { return product_name_; }
  void SetCallBackMode(TMMCBMode value) override;
  TMMCBMode CallBackMode() const override { return callback_mode_; }

  void SetFormat(const plat::WAVEFORMATEX* format) override;
  void SetBufferSize(int32_t value) override;
  // Nothing above can push into a wave output.
  void BufferReady(plat::WAVEHDR*) override {}
  void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) override;

  // Reached by another device's walk: act on it.
  void Opened() override { Open(); }
  void Closed() override { Close(); }
  void Started() override { Start(); }
  void Paused() override { Pause(); }
  void Restarted() override { Restart(); }
  void Stopped() override { Stop(); }

  TMMTimeFormats TimeFormat() const { return time_format_; }
  void SetTimeFormat(TMMTimeFormats value);
  bool Looping() const { return looping_; }
  void SetLooping(bool value);
  uint16_t LoopCount() const { return loop_count_; }
  void SetLoopCount(uint16_t value);
  bool ShowHourGlass() const { return show_hourglass_; }
  void SetShowHourGlass(bool value) { show_hourglass_ = value; }
  bool Mapped() const { return mapped_; }
  void SetMapped(bool value) { mapped_ = value; }
  vcl::TThreadPriority Priority() const { return priority_; }
  void SetPriority(vcl::TThreadPriority value);

  TMMBufferEvent OnBufferFilled;
  vcl::TNotifyEvent OnLooping;
  vcl::TNotifyEvent OnError;
  vcl::TNotifyEvent OnOpen;
  vcl::TNotifyEvent OnStart;
  vcl::TNotifyEvent OnPause;
  vcl::TNotifyEvent OnRestart;
  vcl::TNotifyEvent OnStop;
  vcl::TNotifyEvent OnClose;

 private:
  friend class TMMWaveOutThread;
  using TLink = TWaveCallbackLink<TMMWaveOut>;
  static void DriverCallback(plat::HWAVEOUT handle, plat::UINT message, plat::DWORD_PTR instance,
                             plat::DWORD_PTR param1, plat::DWORD_PTR param2);

  bool Is(uint32_t bit) const { return (state_.load() & bit) != 0; }
  void AddState(uint32_t bits) { state_.fetch_or(bits); }
  void RemoveState(uint32_t bits) { state_.fetch_and(~bits); }
  void FireError() {
    if (OnError) OnError(this);
  }
  // Error, with OnError fired and the exception swallowed.
  void ReportError(const std::string& msg);
  [[noreturn]] void DriverError(const char* prefix, plat::MMRESULT result);
  void Check(const char* prefix, plat::MMRESULT result) {
    if (result != 0) DriverError(prefix, result);
  }

  // Notices from the driver, in whatever thread it calls back on.
  void DriverNotice(plat::UINT message, plat::WAVEHDR* header);
  // The queued-count bookkeeping of a done notice; false when it is dropped.
  bool CountDone();
  plat::LRESULT WindowProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  void ThreadDone(plat::WAVEHDR* header);
  // An error inside a delivery off the main thread: the main thread stops and closes.
  void DeliveryFailed();

  void BufferDone();
  void EndOfDelivery();
  bool Pull(TMMWaveHdr* header);
  void Write(TMMWaveHdr* header);
  TMMWaveHdr* Header(size_t index);
  // Pulls and writes headers from the first on; returns how many brought data.
  int32_t FillRing();
  // Unprepares and gives back every header; false when the driver still holds one.
  bool ReleaseHeaders();
  void CompleteStop();
  void CloseDriver();
  // Hands the driver handle and the pool with its blocks to the quarantine.
  void Abandon();
  void StartThread();

  // At most span_ms on the layer's clock; wakes early on the device's own
  // signals and, with `pump`, serves messages.
  bool WaitFor(const std::function<bool()>& done, uint32_t span_ms, bool pump);
  void Wake();
  bool WindowIsCallback() const { return !callback_function_; }
  // A wait on the thread of the hidden window serves its messages when they
  // are how the device hears of its buffers.
  bool MainThreadPumps() const;
  // Samples the driver has played, unwrapped to 64 bits; needs lock_.
  int64_t DevicePosition();
  void ClearWrap() {
    raw_last_ = 0;
    raw_wraps_ = 0;
  }
  std::string DeviceName(TMMDeviceId id) const;

  const TWaveOutDriver& driver_;
  plat::HWAVEOUT handle_ = nullptr;
  plat::HWND window_ = nullptr;
  plat::DWORD window_thread_ = 0;
  std::atomic<uint32_t> state_{0};
  bool callback_function_ = true;

  std::vector<TMMWaveHdr*> headers_;  // every header lent for this start, in ring order
  int32_t ring_count_ = 0;
  int32_t ring_index_ = 0;
  int32_t num_devs_ = 0;
  plat::MMRESULT last_result_ = 0;

  std::recursive_mutex lock_;
  int32_t queued_ = 0;  // under lock_
  TWaveDeliveries deliveries_;
  std::atomic<int32_t> in_flight_{0};  // written and not yet through BufferDone
  bool more_buffers_ = false;
  int32_t loop_counter_ = 0;

  uint32_t raw_last_ = 0;  // the driver's last 32-bit reading
  int64_t raw_wraps_ = 0;  // whole 2^32 turns of that reading
  int64_t position_offset_ = 0;
  int64_t loop_base_ = 0;

  std::atomic<bool> stop_pending_{false};
  std::atomic<bool> close_pending_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> rewinding_{false};
  std::atomic<bool> stop_posted_{false};
  bool ring_dropped_ = false;  // a slave pause gave the queued buffers back
  bool destroying_ = false;

  std::unique_ptr<TMMAllocator> pool_;
  std::unique_ptr<TLink> link_;
  plat::HANDLE wake_ = nullptr;
  TWaveDeviceThreadLink thread_;  // cmThread

  int32_t num_buffers_ = 10;
  TMMDeviceId device_id_ = 0;
  std::string product_name_;
  TMMCBMode callback_mode_ = cmWindow;
  TMMTimeFormats time_format_ = tfByte;
  bool looping_ = false;
  uint16_t loop_count_ = 0;
  bool show_hourglass_ = true;
  bool mapped_ = false;
  vcl::TThreadPriority priority_ = vcl::tpHigher;
};

}  // namespace engine
