#include "platform/vcl/SyncObjs.h"

#include "platform/kernel/Errors.h"
#include "platform/vcl/TypInfo.h"

namespace vcl {

VCL_IMPLEMENT_CLASS(TSynchroObject)
VCL_IMPLEMENT_CLASS(TCriticalSection)
VCL_IMPLEMENT_CLASS(THandleObject)
VCL_IMPLEMENT_CLASS(TEvent)
VCL_IMPLEMENT_CLASS(TSimpleEvent)

TCriticalSection::TCriticalSection() { plat::InitializeCriticalSection(&section_); }

TCriticalSection::~TCriticalSection() { plat::DeleteCriticalSection(&section_); }

void TCriticalSection::Acquire() { plat::EnterCriticalSection(&section_); }

void TCriticalSection::Release() { plat::LeaveCriticalSection(&section_); }

bool TCriticalSection::TryEnter() { return plat::TryEnterCriticalSection(&section_) != plat::FALSE; }

THandleObject::~THandleObject() {
  if (handle_) plat::CloseHandle(handle_);
}

TEvent::TEvent(void* event_attributes, bool manual_reset, bool initial_state, const std::string& name) {
  handle_ =
      plat::CreateEventA(event_attributes, manual_reset ? plat::TRUE : plat::FALSE,
                         initial_state ? plat::TRUE : plat::FALSE, name.empty() ? nullptr : name.c_str());
  if (!handle_) throw EInvalidOperation("Cannot create event '%s'", {name});
}

TEvent::TEvent() : TEvent(nullptr, true, false, std::string()) {}

TWaitResult TEvent::WaitFor(plat::DWORD timeout) {
  switch (plat::WaitForSingleObject(handle_, timeout)) {
    case plat::WAIT_OBJECT_0:
      return wrSignaled;
    case plat::WAIT_TIMEOUT:
      return wrTimeout;
    case plat::WAIT_ABANDONED_0:
      return wrAbandoned;
    default:
      last_error_ = static_cast<int>(plat::GetLastError());
      return wrError;
  }
}

void TEvent::SetEvent() { plat::SetEvent(handle_); }

void TEvent::ResetEvent() { plat::ResetEvent(handle_); }

}  // namespace vcl
