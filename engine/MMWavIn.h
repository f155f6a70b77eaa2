#pragma once
// The wave input device: keeps a set of buffers queued with a wave-input
// driver and pushes every filled one down its chain. Notices arrive through a
// hidden window on the main thread, in the driver's callback, or in a device
// thread (TMMCBMode). A stop asked for inside a delivery completes later on
// the main thread, so OnStop never fires inside a delivery.
#include <array>
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/MMAlloc.h"
#include "engine/MMDSPObj.h"
#include "engine/MMTypes.h"
#include "engine/MMWaveDev.h"
#include "engine/MMWaveHdr.h"
// TMMTimeFormats, shared with the wave output.
#include "engine/MMWavOut.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/vcl/VclThread.h"

namespace engine {

class EMMWaveInError : public vcl::Exception {
 public:
  using Exception::Exception;
};

// The thirteen driver operations the device calls, filled by BindDriver.
struct TMMWaveInDriver {
  plat::UINT (*GetNumDevs)() = nullptr;
  plat::MMRESULT (*GetDevCaps)(plat::UINT, plat::WAVEINCAPSA*, plat::UINT) = nullptr;
  plat::MMRESULT (*GetErrorText)(plat::MMRESULT, char*, plat::UINT) = nullptr;
  plat::MMRESULT (*Open)(plat::HWAVEIN*, plat::UINT, const plat::WAVEFORMATEX*, plat::DWORD_PTR,
                         plat::DWORD_PTR, plat::DWORD) = nullptr;
  plat::MMRESULT (*Close)(plat::HWAVEIN) = nullptr;
  plat::MMRESULT (*PrepareHeader)(plat::HWAVEIN, plat::WAVEHDR*, plat::UINT) = nullptr;
  plat::MMRESULT (*UnprepareHeader)(plat::HWAVEIN, plat::WAVEHDR*, plat::UINT) = nullptr;
  plat::MMRESULT (*AddBuffer)(plat::HWAVEIN, plat::WAVEHDR*, plat::UINT) = nullptr;
  plat::MMRESULT (*Start)(plat::HWAVEIN) = nullptr;
  plat::MMRESULT (*Stop)(plat::HWAVEIN) = nullptr;
  plat::MMRESULT (*Reset)(plat::HWAVEIN) = nullptr;
  plat::MMRESULT (*GetPosition)(plat::HWAVEIN, plat::MMTIME*, plat::UINT) = nullptr;
  plat::MMRESULT (*GetID)(plat::HWAVEIN, plat::UINT*) = nullptr;
};

constexpr int32_t kMaxWaveInBuffers = 4096;

class TMMWaveInThread;

class TMMCustomWaveIn : public TMMCustomSoundComponent {
  VCL_DECLARE_CLASS(TMMCustomWaveIn, TMMCustomSoundComponent)
 public:
  explicit TMMCustomWaveIn(vcl::TComponent* owner);
  ~TMMCustomWaveIn() override;

  virtual void Open();
  // Never raises; what fails goes to OnError.
  virtual void Close();
  virtual void Start();
  virtual void Pause();
  virtual void Restart();
  virtual void Stop();
  // OnError, then EMMWaveInError with msg.
  [[noreturn]] virtual void Error(const std::string& msg);

  // Position since Start in TimeFormat units; at most MaxRecordTime when that is 1 or more.
  int64_t GetPosition();

  void SetNumBuffers(int32_t value) override;
  int32_t NumBuffers() const override { return num_buffers_; }
  void SetDeviceID(TMMDeviceId value) override;
  TMMDeviceId DeviceID() const override { return device_id_; }
  void SetProductName(const std::string& value) override;
  std::string ProductName() const override { return product_name_; }
  void SetCallBackMode(TMMCBMode value) override;
  TMMCBMode CallBackMode() const override { return callback_mode_; }

  void SetFormat(const plat::WAVEFORMATEX* format) override;
  int32_t BufferSize() const override;
  void SetBufferSize(int32_t value) override;

  TMMMode Mode() const;
  void SetMode(TMMMode value);
  int32_t Channels() const { return channels_; }
  void SetChannels(int32_t value);
  TMMBits BitLength() const { return bit_length_; }
  void SetBitLength(TMMBits value);
  int32_t SampleRate() const { return sample_rate_; }
  void SetSampleRate(int32_t value);
  TMMTimeFormats TimeFormat() const { return time_format_; }
  void SetTimeFormat(TMMTimeFormats value);
  int64_t MaxRecordTime() const { return max_record_time_; }
  void SetMaxRecordTime(int64_t value);
  vcl::TThreadPriority Priority() const { return priority_; }
  void SetPriority(vcl::TThreadPriority value);

  bool DeviceOpened() const { return state_.load() & kOpened; }
  bool DeviceStarted() const { return state_.load() & kStarted; }
  bool DevicePaused() const { return state_.load() & kPaused; }
  // True while a stop asked for inside a delivery waits for the main thread.
  bool StopPending() const { return stop_pending_.load(); }
  plat::HWAVEIN Handle() const { return handle_.load(); }
  plat::HWND WindowHandle() const { return wnd_; }
  // The device thread of cmThread while open, else 0.
  plat::DWORD DeviceThreadID() const { return thread_.ThreadID(); }
  // Bytes passed down since Start.
  int64_t BytesRecorded() const { return bytes_recorded_.load(); }
  // The text of the last error that went through Error (Close reports to OnError only).
  std::string LastErrorMessage() const;
  // Buffers kept from reuse because the driver might still own them.
  int QuarantinedBuffers() const { return QuarantinedWaveBuffers(this); }

  vcl::TNotifyEvent OnError;
  vcl::TNotifyEvent OnOpen;
  vcl::TNotifyEvent OnStart;
  vcl::TNotifyEvent OnPause;
  vcl::TNotifyEvent OnRestart;
  vcl::TNotifyEvent OnStop;
  vcl::TNotifyEvent OnClose;

  void Stopped() override;
  void Closed() override;
  void BufferReady(plat::WAVEHDR* lpwh) override;

 protected:
  // Fills driver_.
  virtual void BindDriver() = 0;
  // Reads what needs the driver; a descendant's constructor calls it after BindDriver.
  void DriverBound();
  // The device thread of cmThread, made suspended.
  virtual TMMWaveDeviceThread* NewDeviceThread();

  TMMWaveInDriver driver_;

 private:
  friend class TMMWaveInThread;
  enum : int { kOpened = 1, kStarted = 2, kPaused = 4 };
  using TCallbackLink = TWaveCallbackLink<TMMCustomWaveIn>;

  static void CALLBACK_Proc(plat::HWAVEIN handle, plat::UINT message, plat::DWORD_PTR instance,
                            plat::DWORD_PTR param1, plat::DWORD_PTR param2);
  plat::LRESULT WndProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  void CreateWindowIfMissing();

  // The buffer cycle of one returned header.
  void BufferDone(plat::WAVEHDR* lpwh);
  // Lends the header to the driver again. From a delivery (requeue) nothing
  // goes back once a stop has begun: a driver told to stop would keep it.
  void QueueHeader(int index, bool requeue = false);
  int HeaderIndex(const plat::WAVEHDR* lpwh) const;
  // Raises "prefix" + the driver's text for a failed call.
  void Check(plat::MMRESULT result, const char* prefix);
  std::string DriverErrorText(plat::MMRESULT result) const;
  // Error, caught: OnError sees it and Close goes on.
  void Report(const std::string& msg);
  // A delivery in the callback or the device thread failed: the main thread closes and reports.
  void DeliveryFailed();
  void HandleDeliveryFailure();

  // Bounded wait (1 s on the clock) that wakes early when the device
  // signals; with process_messages it also handles the thread's messages.
  bool WaitUntil(const std::function<bool()>& done, bool process_messages);
  bool MainThreadPumps() const;

  // Runs a walk of this device's segment, marked as its own.
  template <class F>
  void Walk(F step) {
    walking_ = true;
    plat::ScopeExit done([this] { walking_ = false; });
    step();
  }
  void CompleteStop();
  void StartThread();
  void EndThread();
  void FreeHeaders();
  // Driver position in samples, wraps included.
  int64_t DevicePosition();
  void ClearWrap();
  void UpdateByteLimit();
  bool CheckFormat();
  void RebuildFormat();
  void Notify(const vcl::TNotifyEvent& event);

  // Properties.
  int32_t num_buffers_ = 10;
  TMMDeviceId device_id_ = 0;
  std::string product_name_;
  TMMCBMode callback_mode_ = cmWindow;
  int32_t channels_ = 1;
  TMMBits bit_length_ = b8Bit;
  int32_t sample_rate_ = 11025;
  TMMTimeFormats time_format_ = tfByte;
  int64_t max_record_time_ = -1;
  vcl::TThreadPriority priority_ = vcl::tpHigher;

  // Device.
  std::atomic<plat::HWAVEIN> handle_{nullptr};
  plat::HWND wnd_ = nullptr;
  std::atomic<int> state_{0};
  bool window_callback_ = false;  // the hidden window gets the driver's notices
  plat::DWORD window_thread_ = 0;
  std::unique_ptr<TCallbackLink> link_;  // the driver callback's instance data while open
  bool walking_ = false;                 // this device's own segment walk is running
  int32_t device_count_ = 0;
  plat::MMRESULT last_result_ = 0;
  mutable std::mutex error_lock_;
  std::string last_error_;

  // Headers: used_headers_ of them hold a pool block.
  std::unique_ptr<TMMAllocator> pool_;
  std::array<TMMWaveHdr*, kMaxWaveInBuffers> headers_{};
  std::array<bool, kMaxWaveInBuffers> with_driver_{};
  int32_t used_headers_ = 0;

  // Guards the counters, the flags the delivery changes and the position.
  mutable std::recursive_mutex lock_;
  plat::HANDLE wake_ = nullptr;  // set when a buffer returns or the driver reports
  std::atomic<int32_t> queued_{0};
  TWaveDeliveries deliveries_;
  std::atomic<int64_t> bytes_recorded_{0};
  std::atomic<int64_t> byte_limit_{INT64_MAX};
  std::atomic<bool> stop_pending_{false};
  std::atomic<bool> close_pending_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> resetting_{false};
  std::atomic<bool> stop_posted_{false};
  std::atomic<bool> failed_{false};
  std::exception_ptr failure_;

  // Position bookkeeping, in the driver's unit (samples, or bytes).
  bool position_in_bytes_ = false;
  uint32_t last_raw_position_ = 0;
  int64_t wrap_total_ = 0;

  TWaveDeviceThreadLink thread_;  // cmThread
};

// Binds the platform's waveIn* operations.
class TMMWaveIn : public TMMCustomWaveIn {
  VCL_DECLARE_CLASS(TMMWaveIn, TMMCustomWaveIn)
 public:
  explicit TMMWaveIn(vcl::TComponent* owner);

 protected:
  void BindDriver() override;
};

// The device thread of cmThread: runs the buffer cycle for the data notices
// posted to its queue.
class TMMWaveInThread : public TMMWaveDeviceThread {
  VCL_DECLARE_CLASS(TMMWaveInThread, TMMWaveDeviceThread)
 public:
  explicit TMMWaveInThread(TMMCustomWaveIn* wave_in);

 protected:
  void Serve(const plat::MSG& msg) override;
  void Failed() override;

 private:
  TMMCustomWaveIn* wave_in_;
};

// The product name of wave-input device id (-1: the mapper); empty for an
// id outside -1 .. count - 1 or when the query fails.
std::string GetWaveInDeviceName(TMMDeviceId id);

}  // namespace engine
