#pragma once
// The core the wave input and the wave output share: the link a driver's
// callback reaches its device through, the quarantine of buffers a driver
// keeps, the bounded wait that serves messages, the device thread with its
// start and its end, and the messages the devices post to themselves.
//
// A device owns its link while the driver is open. When the device lets go of
// a driver that still holds buffers (or could not be closed), the link, the
// pool of those buffers and a way to close the driver go to the quarantine
// together: nothing there is reused or freed until the driver lets go, which
// every open of a wave device tries again.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

#include "engine/MMAlloc.h"
#include "engine/MMDSPObj.h"
#include "platform/kernel/Types.h"
#include "platform/user/Messages.h"

namespace engine {

// Posted by a wave device to its own hidden window.
constexpr plat::UINT MM_WOM_STOP = 0x8001;  // complete a deferred stop; lParam kStopAndClose closes too
constexpr plat::UINT MM_WIM_STOP = 0x8002;  // complete a deferred stop
constexpr plat::UINT MM_WIM_DELIVERY_FAILED = 0x8003;  // a delivery off the main thread failed

// What a driver's callback reaches its device through.
template <class Device>
class TWaveCallbackLink {
 public:
  explicit TWaveCallbackLink(Device* owner) : owner_(owner) {}

  plat::DWORD_PTR Instance() { return reinterpret_cast<plat::DWORD_PTR>(this); }
  // Runs fn(device) under the link's lock, unless the device has let go. The
  // lock is recursive: a driver may call back inside a call the device makes.
  template <class F>
  static void Reach(plat::DWORD_PTR instance, F&& fn) {
    auto* link = reinterpret_cast<TWaveCallbackLink*>(instance);
    if (!link) return;
    std::lock_guard guard(link->lock_);
    if (link->owner_) fn(*link->owner_);
  }
  // Waits for a callback under way; none reaches the device after.
  void Unlink() {
    std::lock_guard guard(lock_);
    owner_ = nullptr;
  }

 private:
  std::recursive_mutex lock_;
  Device* owner_;
};

// ---- Quarantine ----

struct TWaveQuarantined {
  const void* device = nullptr;  // the device that gave it up, for counting
  bool output = false;
  int buffers = 0;
  // Closes the driver; true once it has let go of the buffers.
  std::function<bool()> release;
  std::unique_ptr<TMMAllocator> pool;
  std::shared_ptr<void> link;  // kept while the driver may still call back
};

void QuarantineWaveBuffers(TWaveQuarantined entry);
// Frees what the drivers have let go of since.
void SweepWaveQuarantine();
// Entries of the wave outputs, or the inputs.
size_t QuarantinedWaveDevices(bool output);
// Buffers of one device still in the quarantine.
int QuarantinedWaveBuffers(const void* device);

// ---- Waits ----

// Waits until done() holds, at most span_ms on the layer's clock, waking
// early when `wake` is set. With pump it serves the thread's messages
// meanwhile and leaves a WM_QUIT for the loop that owns it. What it waits
// for is other threads, not time: on a manual clock, which stands still
// unless a test moves it, it also gives up after kStandStillWaitMs of real time.
bool WaitServingMessages(const std::function<bool()>& done, uint32_t span_ms, plat::HANDLE wake, bool pump);
constexpr uint32_t kStandStillWaitMs = 10000;

// ---- Deliveries ----

// The deliveries of buffers a device has under way, and the thread of the one
// in process. A stop asked for inside a delivery cannot wait for it and is
// deferred; a stop from any other thread waits for the delivery to end, so
// it returns with the device stopped.
class TWaveDeliveries {
 public:
  // Enter and Leave run under the device's lock, so the device decides on a
  // deferred stop together with the count.
  void Enter();
  // True when the last delivery under way has left.
  bool Leave();
  void Clear();
  bool Busy() const { return count_.load() > 0; }
  // The calling thread is inside a delivery.
  bool Inside() const;
  // Waits (see WaitServingMessages) for the deliveries under way to end;
  // true when none is left. Never called from inside one.
  bool WaitForEnd(uint32_t span_ms, plat::HANDLE wake, bool pump) const;

 private:
  std::atomic<int32_t> count_{0};
  std::atomic<plat::DWORD> thread_{0};
};

// ---- Device thread ----

// The events a device thread shares with its device. The last of the two to
// let go closes them, so a thread that outlives an end that timed out still
// has them.
struct TWaveThreadEvents {
  TWaveThreadEvents();
  ~TWaveThreadEvents();
  TWaveThreadEvents(const TWaveThreadEvents&) = delete;
  TWaveThreadEvents& operator=(const TWaveThreadEvents&) = delete;

  plat::HANDLE ready;  // set when the thread serves, and again when it ends
  plat::HANDLE quit;
  plat::HANDLE drain;  // manual reset: drop the queued notices
};

// Serves the driver's notices posted to its queue until quit is set; frees
// itself when it ends.
class TMMWaveDeviceThread : public TMMDSPThread {
  VCL_DECLARE_CLASS(TMMWaveDeviceThread, TMMDSPThread)
 public:
  TMMWaveDeviceThread(vcl::TComponent* owner, vcl::TThreadPriority priority, plat::UINT notice);

 protected:
  void Execute() final;
  // A notice of the driver; what it raises goes to Failed.
  virtual void Serve(const plat::MSG& msg) = 0;
  virtual void Failed() = 0;
  // After the queued notices were dropped on the drain event.
  virtual void Drained() {}

 private:
  friend class TWaveDeviceThreadLink;
  std::shared_ptr<TWaveThreadEvents> events_;
  vcl::TThreadPriority priority_;
  plat::UINT notice_;
};

// The device's side of its thread.
class TWaveDeviceThreadLink {
 public:
  // Takes a thread made suspended and waits until it serves. False when it
  // could not be made (make raised) or did not come up in time.
  bool Start(const std::function<TMMWaveDeviceThread*()>& make);
  // Asks the thread to end and waits a while for it.
  void End();
  // Drops the notices queued with the thread and waits a while for it,
  // waking early on `wake`.
  void Drain(plat::HANDLE wake);

  bool Running() const { return thread_ != nullptr; }
  // Read by the driver's callback on its own thread.
  plat::DWORD ThreadID() const { return thread_id_.load(); }
  void SetPriority(vcl::TThreadPriority value);

 private:
  TMMWaveDeviceThread* thread_ = nullptr;
  std::atomic<plat::DWORD> thread_id_{0};
  std::shared_ptr<TWaveThreadEvents> events_;
};

}  // namespace engine
