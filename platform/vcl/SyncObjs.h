#pragma once
// Synchronisation objects of the class library: critical sections and events
// over the kernel's objects, so waits follow the layer's clock and keep
// serving messages sent to the waiting thread.
#include <string>

#include "platform/kernel/Sync.h"
#include "platform/vcl/Classes.h"

namespace vcl {

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TSynchroObject : public TObject {
  VCL_DECLARE_CLASS(TSynchroObject, TObject)
 public:
  virtual void Acquire() {}
  virtual void Release() {}
};

// Recursive: the owning thread may enter again.
class TCriticalSection : public TSynchroObject {
  VCL_DECLARE_CLASS(TCriticalSection, TSynchroObject)
 public:
  TCriticalSection();
  ~TCriticalSection() override;

  void Acquire() override;
  void Release() override;
  void Enter() { Acquire(); }
  void Leave() { Release(); }
  bool TryEnter();

 private:
  plat::CRITICAL_SECTION section_;
};

class THandleObject : public TSynchroObject {
  VCL_DECLARE_CLASS(THandleObject, TSynchroObject)
 public:
  ~THandleObject() override;
  plat::HANDLE Handle() const { return handle_; }
  // The kernel's last error after a wait that gave wrError.
  int LastError() const { return last_error_; }

 protected:
  plat::HANDLE handle_ = nullptr;
  int last_error_ = 0;
};

class TEvent : public THandleObject {
  VCL_DECLARE_CLASS(TEvent, THandleObject)
 public:
  // A named event is shared by name within the process. EInvalidOperation
  // when the kernel refuses to make it.
  TEvent(void* event_attributes, bool manual_reset, bool initial_state, const std::string& name);
  // Manual reset, not signalled, unnamed.
  TEvent();

  // Milliseconds on the layer's clock; plat::INFINITE waits for ever.
  TWaitResult WaitFor(plat::DWORD timeout);
  void SetEvent();
  void ResetEvent();
};

// A manual-reset event, not signalled at first.
class TSimpleEvent : public TEvent {
  VCL_DECLARE_CLASS(TSimpleEvent, TEvent)
 public:
  TSimpleEvent() : TEvent(nullptr, true, false, std::string()) {}
};

}  // namespace vcl
