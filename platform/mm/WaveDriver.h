#pragma once
// The driver side of the wave devices. Each kind of device (the sound card,
// loopback, file input, faulty) makes WaveDevice objects for the one device table; an
// open device is a WavePort (queued headers, position, notices) that the
// kind's WaveStream feeds or drains. Ports and streams are guarded by
// waitcore::Mutex(); "held" marks members that expect it held.
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/kernel/WaitCore.h"
#include "platform/mm/WaveDevices.h"

namespace plat::wave {

enum class Direction { kIn, kOut };

// Driver operations, named so the faulty device can be told to fail them.
enum class Call {
  kOpen,
  kClose,
  kPrepare,
  kUnprepare,
  kQueue,  // waveInAddBuffer / waveOutWrite
  kStart,
  kStop,
  kReset,
  kPause,
  kRestart,
  kBreakLoop,
  kGetPosition,
  kGetDevCaps,
  kGetVolume,
  kSetVolume,
};

struct DeviceCaps {
  std::string name;
  WORD mid = 0x00FF;
  WORD pid = 1;
  UINT version = 0x0100;
  DWORD formats = WAVE_FORMAT_STANDARD_ALL;
  WORD channels = 2;
  DWORD support = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME | WAVECAPS_SAMPLEACCURATE;
};

// Silence of one byte of the format (8-bit PCM is unsigned).
inline BYTE SilenceByte(const WAVEFORMATEX& format) { return format.wBitsPerSample == 8 ? 0x80 : 0x00; }

class WavePort;

// Moves data between a device and its port for as long as the port is open.
// It is destroyed without the lock held, after the port was closed.
class WaveStream {
 public:
  virtual ~WaveStream() = default;
  // held: brings the device's data up to clock time `now`.
  virtual void Update(WavePort& port, int64_t now) {
    (void)port;
    (void)now;
  }
  // held: clock time of the next completion Update would make; kNoDeadline for none.
  virtual int64_t NextDeadline(const WavePort& port) const {
    (void)port;
    return waitcore::kNoDeadline;
  }
  // held: the port started or stopped moving data, just after Update(now).
  virtual void RunChanged(WavePort& port, int64_t now) {
    (void)port;
    (void)now;
  }
  // held: true when Update has work now that no deadline announced (a
  // device thread handed data over).
  virtual bool HasWork(const WavePort& port) const {
    (void)port;
    return false;
  }
  // held: playback bytes taken from the headers that the device has not played yet.
  virtual uint64_t Unplayed(const WavePort& port) const {
    (void)port;
    return 0;
  }
  // held: the port was reset; playback data not yet played is dropped.
  virtual void Discard(WavePort& port) { (void)port; }
};

// One device of the table.
class WaveDevice {
 public:
  explicit WaveDevice(Direction direction) : direction_(direction) {}
  virtual ~WaveDevice() = default;
  Direction direction() const { return direction_; }
  virtual DeviceCaps Caps() const = 0;
  virtual bool IsReal() const { return false; }
  // MMSYSERR_NOERROR, or WAVERR_BADFORMAT for a format the device cannot take.
  // The default takes PCM of 8 or 16 bits, 1 to 8 channels, 1000 to 192000 Hz.
  virtual MMRESULT CheckFormat(const WAVEFORMATEX& format) const;
  // Without the lock: makes the stream that serves `port` (not yet running).
  virtual MMRESULT Open(const WAVEFORMATEX& format, WavePort& port, std::unique_ptr<WaveStream>* stream) = 0;
  // Failures and quirks that tests give the faulty device.
  virtual MMRESULT Fault(Call call) const {
    (void)call;
    return MMSYSERR_NOERROR;
  }
  virtual bool Withholds(UINT message) const {
    (void)message;
    return false;
  }
  virtual bool PositionInBytesOnly() const { return false; }

  // Playback volume, low word left, high word right; applied as data is played.
  DWORD volume() const { return volume_.load(); }
  void set_volume(DWORD volume) { volume_.store(volume); }

 private:
  const Direction direction_;
  std::atomic<DWORD> volume_{0xFFFFFFFF};
};

struct Callback {
  DWORD type = CALLBACK_NULL;
  DWORD_PTR target = 0;
  DWORD_PTR instance = 0;
};

// One open device: the headers queued with it in order, its position, and
// the notices it owes its client. A worker thread delivers the notices one
// by one without the lock and wakes at the stream's deadlines, so devices
// that follow the clock complete their buffers on time on a manual clock.
class WavePort {
 public:
  WavePort(Direction direction, std::shared_ptr<WaveDevice> device, UINT device_id,
           const WAVEFORMATEX& format, const Callback& callback, uintptr_t handle);
  ~WavePort();
  WavePort(const WavePort&) = delete;
  WavePort& operator=(const WavePort&) = delete;

  // Attaches the stream and starts the worker; `self` is this port.
  static void Run(const std::shared_ptr<WavePort>& self, std::unique_ptr<WaveStream> stream);

  Direction direction() const { return direction_; }
  const WaveDevice& device() const { return *device_; }
  const std::shared_ptr<WaveDevice>& shared_device() const { return device_; }
  UINT device_id() const { return device_id_; }
  const WAVEFORMATEX& format() const { return format_; }
  uintptr_t handle() const { return handle_; }

  // The client's operations; they take the lock.
  MMRESULT Prepare(WAVEHDR* header);
  MMRESULT Unprepare(WAVEHDR* header);
  MMRESULT Queue(WAVEHDR* header);
  MMRESULT Start();    // input
  MMRESULT Stop();     // input
  MMRESULT Pause();    // output
  MMRESULT Restart();  // output
  MMRESULT Reset();
  MMRESULT BreakLoop();
  MMRESULT Position(uint64_t* bytes);
  // Refused with WAVERR_STILLPLAYING while headers are queued. Undelivered
  // notices go out first, unless the close comes from inside a notice.
  MMRESULT Close();
  // The open and close notices, on the caller's thread.
  void DeliverNow(UINT message);

  // The stream's side; all held.
  bool running() const { return running_ && !closed_; }
  // Capture: bytes the queued headers can still take.
  size_t CaptureRoom() const;
  // Fills the queued headers in order and completes the full ones.
  void Capture(const BYTE* data, size_t bytes);
  // Captured bytes that found no buffer: they only count for the position.
  void CaptureLost(size_t bytes);
  // Captured bytes lost since the open.
  uint64_t lost() const { return lost_; }
  // Playback: copies up to `bytes` of queued data to `out`, playing loops and
  // completing finished headers; returns how many bytes came from headers.
  size_t Play(BYTE* out, size_t bytes);
  // True when Play would yield data.
  bool HasData() const { return running() && cursor_ < queue_.size(); }
  // Bytes until the header being filled or played completes; -1 when none.
  int64_t BytesToCompletion() const;
  // Playback through a device that plays ahead: headers Play has finished
  // come back once the device has played them, `unplayed` being what it
  // still holds. HasPlayed says whether one is due.
  void DeferPlayed() { defer_played_ = true; }
  void ReleasePlayed(uint64_t unplayed);
  bool HasPlayed(uint64_t unplayed) const;

 private:
  void Complete(WAVEHDR* header);
  // A header Play has finished, `end` being the position after its last byte.
  void Played(WAVEHDR* header, uint64_t end);
  void Deliver(UINT message, WAVEHDR* header);
  void Worker();
  static DWORD WorkerMain(void* parameter);
  // held: tells the worker that the state changed and, unless it is busy
  // with a notice, waits until it has picked the change up.
  void Kick(std::unique_lock<std::mutex>& lock);
  void UpdateHeld(std::unique_lock<std::mutex>& lock);
  void ApplyVolume(BYTE* data, size_t bytes) const;

  const Direction direction_;
  const std::shared_ptr<WaveDevice> device_;
  const UINT device_id_;
  const WAVEFORMATEX format_;
  const Callback callback_;
  const uintptr_t handle_;
  std::unique_ptr<WaveStream> stream_;

  std::deque<WAVEHDR*> queue_;
  bool running_ = false;  // input: started; output: not paused
  bool closed_ = false;
  uint64_t position_ = 0;  // bytes since start or reset
  uint64_t lost_ = 0;
  bool defer_played_ = false;
  // Played headers the device has yet to play, with their end positions.
  std::deque<std::pair<uint64_t, WAVEHDR*>> played_;
  // Playback cursor: the header being played and the offset in it.
  size_t cursor_ = 0;
  DWORD offset_ = 0;
  bool in_loop_ = false;
  DWORD loops_left_ = 0;
  uint64_t loop_pass_bytes_ = 0;

  std::deque<std::pair<UINT, WAVEHDR*>> notices_;
  uint64_t generation_ = 0;
  uint64_t acknowledged_ = 0;
  bool delivering_ = false;
  bool exit_ = false;
  bool worker_done_ = false;
  bool self_close_ = false;
  HANDLE thread_ = nullptr;
  DWORD worker_id_ = 0;
};

}  // namespace plat::wave
