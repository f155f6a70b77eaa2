#pragma once
// The chain protocol. Every processing component is a TMMDSPComponent with at
// most one Input (above) and one Output (below); links are symmetric, never
// form a loop and are cleared when a partner goes away. Buffers are pushed
// down (BufferReady) or pulled up (BufferLoad); the wave format travels down
// by value. A sound component (a device) drives its chain segment: its
// notifications reach every passive member up to the next device.
//
// A chain class publishes the links it exposes in its table, e.g.
//   VCL_IMPLEMENT_CLASS(TMMConnector, DSPInputProp(), DSPOutputProp(),
//                       DSPBufferSizeProp(), DSPOnBufferReadyProp())
#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>

#include "engine/MMObj.h"
#include "platform/mm/MMSystem.h"
#include "platform/mm/WaveDevices.h"
#include "platform/vcl/SysUtils.h"

namespace engine {

// The valid bytes of a header; a recorded count beyond the buffer is not trusted.
inline int32_t ValidBytes(const plat::WAVEHDR* lpwh) {
  const plat::DWORD bytes = std::min(lpwh->dwBytesRecorded, lpwh->dwBufferLength);
  return static_cast<int32_t>(std::min<plat::DWORD>(bytes, std::numeric_limits<int32_t>::max()));
}

// Base of the chain units' errors.
class EMMDSPError : public vcl::Exception {
 public:
  using Exception::Exception;
};

using TMMBufferEvent = std::function<void(vcl::TObject* sender, plat::WAVEHDR* lpwh)>;
using TMMBufferLoadEvent = std::function<void(vcl::TObject* sender, plat::WAVEHDR* lpwh, bool& more_buffers)>;

// How a device delivers its buffers.
enum TMMCBMode { cmWindow, cmCallback, cmThread };

constexpr int32_t kDefaultBufferSize = 2048;
constexpr size_t kMaxLinkNameLength = 20;

// Common ancestor of the chain classes.
class TMMCustomDSPComponent : public TMMNonVisualComponent {
  VCL_DECLARE_CLASS(TMMCustomDSPComponent, TMMNonVisualComponent)
 public:
  explicit TMMCustomDSPComponent(vcl::TComponent* owner) : TMMNonVisualComponent(owner) {}
};

class TMMDSPComponent : public TMMCustomDSPComponent {
  VCL_DECLARE_CLASS(TMMDSPComponent, TMMCustomDSPComponent)
 public:
  explicit TMMDSPComponent(vcl::TComponent* owner);
  // Unlinks both ends through the writers and clears every link that still
  // names this component, so nothing is left pointing at freed memory.
  ~TMMDSPComponent() override;

  // Passes the stored format down once loading is over.
  void Loaded() override;

  // Resynchronises the format after a relink.
  virtual void UpdateFormat();
  // Makes the old partner of a link that a relink breaks forget it.
  virtual void ConnectionChanged(vcl::TComponent* component, bool flag, const std::string& prop_name);

  virtual TMMDSPComponent* Input() const { return input_; }
  // Ignored (silently) for this component itself, a component without a
  // published Output, or one below this component in the chain.
  virtual void SetInput(TMMDSPComponent* value);
  virtual TMMDSPComponent* Output() const { return output_; }
  virtual void SetOutput(TMMDSPComponent* value);

  // Stores a copy (none for null) unless `format` is the very record held,
  // then re-sends the held format down to Output.
  virtual void SetFormat(const plat::WAVEFORMATEX* format);
  virtual plat::WAVEFORMATEX* GetFormat() const { return format_; }

  // The effective size while opened, the requested one otherwise.
  virtual int32_t BufferSize() const;
  // Takes effect at the next Opened.
  virtual void SetBufferSize(int32_t value);

  // The format arriving from above; converters that change it override this.
  virtual void SetInputFormat(const plat::WAVEFORMATEX* format);

  // Stream notifications, sent by the device that drives the segment.
  virtual void Opened();
  virtual void Closed();
  virtual void Started();
  virtual void Paused();
  virtual void Restarted();
  virtual void Stopped();
  virtual void Reset();
  virtual void Looped();

  // Push: OnBufferReady, then Output. The header is processed in place;
  // dwBytesRecorded is the amount of valid data.
  virtual void BufferReady(plat::WAVEHDR* lpwh);
  // Pull: OnBufferLoad, then Input. The filler sets dwBytesRecorded and
  // clears more_buffers when its stream has ended.
  virtual void BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers);

  // Raw stores of a partner and the name of the property through which it
  // refers back; no notification, no check.
  virtual void SetInputLink(TMMDSPComponent* component, const std::string& link_name);
  virtual void SetOutputLink(TMMDSPComponent* component, const std::string& link_name);
  virtual bool CanConnectInput(vcl::TComponent* component);
  virtual bool CanConnectOutput(vcl::TComponent* component);

  bool IsOpened() const { return opened_; }
  bool IsStarted() const { return started_; }
  bool IsPaused() const { return paused_; }
  int32_t RequestedBufferSize() const { return buffer_size_; }
  int32_t EffectiveBufferSize() const { return effective_size_; }
  const std::string& InputLinkName() const { return input_link_name_; }
  const std::string& OutputLinkName() const { return output_link_name_; }
  bool ConnectableAsInput() const { return connectable_as_input_; }

  TMMBufferEvent OnBufferReady;
  TMMBufferLoadEvent OnBufferLoad;

 protected:
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
  // Lets the component be linked as another's Output although it publishes
  // no Input (internal components of a file or recorder component).
  void SetConnectableAsInput(bool value) { connectable_as_input_ = value; }
  // True while loading, reading or being destroyed: the format stays put.
  bool FormatFrozen() const;

 private:
  TMMDSPComponent* input_ = nullptr;
  TMMDSPComponent* output_ = nullptr;
  plat::WAVEFORMATEX* format_ = nullptr;
  int32_t buffer_size_ = kDefaultBufferSize;
  int32_t effective_size_ = kDefaultBufferSize;
  bool opened_ = false;
  bool started_ = false;
  bool paused_ = false;
  bool connectable_as_input_ = false;
  std::string input_link_name_;
  std::string output_link_name_;
};

// Calls ConnectionChanged on every live chain component, oldest first.
void BroadcastConnectionChanged(vcl::TComponent* component, bool flag, const std::string& prop_name);
// Every live chain component in creation order.
int DSPComponentCount();
TMMDSPComponent* DSPComponent(int index);

// Table entries for chain classes that publish these.
vcl::TPropInfo DSPInputProp();
vcl::TPropInfo DSPOutputProp();
vcl::TPropInfo DSPBufferSizeProp();  // stored default 2048
vcl::TPropInfo DSPOnBufferReadyProp();
vcl::TPropInfo DSPOnBufferLoadProp();

// ---- Device threads ----

// A device thread (wave input, wave output, trigger). Made suspended and
// registered, so DSPSynchronize can tell it from other threads. A descendant
// whose Execute uses its own members calls Terminate and WaitFor in its own
// destructor.
class TMMDSPThread : public TMMThreadEx {
  VCL_DECLARE_CLASS(TMMDSPThread, TMMThreadEx)
 public:
  explicit TMMDSPThread(vcl::TComponent* owner);
  ~TMMDSPThread() override;

  // The component the thread works for.
  vcl::TComponent* Owner() const { return owner_; }

 private:
  vcl::TComponent* owner_;
};

// Runs method on the main thread when called from a registered device thread
// (which waits for it, and gets back what it raises); anywhere else (main
// thread, a driver callback, an unregistered thread) at once.
void DSPSynchronize(const vcl::TThreadMethod& method);
int DSPThreadCount();

// ---- Sound components ----

// A chain member that drives the stream (wave input, wave output, trigger).
// Its notifications walk its segment: up through Input to the top or to
// another device, and down through Output to the next device, inclusive.
// Opened also hands the device's BufferSize to every member it reaches.
class TMMCustomSoundComponent : public TMMDSPComponent {
  VCL_DECLARE_CLASS(TMMCustomSoundComponent, TMMDSPComponent)
 public:
  explicit TMMCustomSoundComponent(vcl::TComponent* owner) : TMMDSPComponent(owner) {}

  // Set by Opened when this device sits below another device.
  bool Slave() const { return slave_; }

  virtual void SetNumBuffers(int32_t value) = 0;
  virtual int32_t NumBuffers() const = 0;
  virtual void SetDeviceID(TMMDeviceId value) = 0;
  virtual TMMDeviceId DeviceID() const = 0;
  virtual void SetProductName(const std::string& value) = 0;
  virtual std::string ProductName() const = 0;
  virtual void SetCallBackMode(TMMCBMode value) = 0;
  virtual TMMCBMode CallBackMode() const = 0;

  void Opened() override;
  void Closed() override;
  void Started() override;
  void Paused() override;
  void Restarted() override;
  void Stopped() override;
  void Reset() override;
  void Looped() override;

 private:
  using TNotify = void (TMMDSPComponent::*)();
  // The member the walk down starts from; met_device tells whether the walk
  // up stopped at another device.
  TMMDSPComponent* WalkUp(bool& met_device);
  // Opened and the notifications that follow its walk.
  void WalkDown(TNotify notify, bool hand_buffer_size);
  // Stopped and Closed: the next device first, then the passive members.
  void WalkDownDeviceFirst(TNotify notify);

  bool slave_ = false;
};

// Abstract base of the playing devices.
class TMMCustomWaveOutComponent : public TMMCustomSoundComponent {
  VCL_DECLARE_CLASS(TMMCustomWaveOutComponent, TMMCustomSoundComponent)
 public:
  explicit TMMCustomWaveOutComponent(vcl::TComponent* owner) : TMMCustomSoundComponent(owner) {}

  virtual int64_t GetPosition() = 0;
  virtual void Open() = 0;
  virtual void Close() = 0;
  virtual void Rewind() = 0;
  virtual void Start() = 0;
  virtual void Pause() = 0;
  virtual void Restart() = 0;
  virtual void Stop() = 0;
};

}  // namespace engine
