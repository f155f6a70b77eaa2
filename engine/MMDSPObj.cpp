#include "engine/MMDSPObj.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "engine/MMUtils.h"
#include "engine/MMWaveIO.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/vcl/TypInfo.h"

namespace engine {

namespace {

// Every live chain component, oldest first; made by the first and freed by
// the last, so components that outlive static destruction still find it.
std::vector<TMMDSPComponent*>* dsp_components = nullptr;

void AddDSPComponent(TMMDSPComponent* component) {
  if (!dsp_components) dsp_components = new std::vector<TMMDSPComponent*>;
  dsp_components->push_back(component);
}

void RemoveDSPComponent(TMMDSPComponent* component) {
  if (!dsp_components) return;
  auto it = std::find(dsp_components->begin(), dsp_components->end(), component);
  if (it != dsp_components->end()) dsp_components->erase(it);
  if (dsp_components->empty()) {
    delete dsp_components;
    dsp_components = nullptr;
  }
}

bool IsSoundComponent(const TMMDSPComponent* component) {
  return dynamic_cast<const TMMCustomSoundComponent*>(component) != nullptr;
}

// A stale link (left by a partner that publishes no back property) could
// make a walk circle; no walk is longer than the number of chain components.
size_t WalkLimit() { return dsp_components ? dsp_components->size() + 1 : 1; }

// The component a published reference property of `component` names, or null
// when it publishes no such reference.
vcl::TObject* PublishedLink(const vcl::TComponent* component, const std::string& prop_name) {
  const vcl::TPropInfo* info = vcl::GetPropInfo(component, prop_name);
  if (!info || info->kind != vcl::tkComponent || !info->get_obj) return nullptr;
  return info->get_obj(component);
}

}  // namespace

void BroadcastConnectionChanged(vcl::TComponent* component, bool flag, const std::string& prop_name) {
  // By index: the list does not change during a broadcast, but stay inside it anyway.
  for (size_t i = 0; dsp_components && i < dsp_components->size(); ++i)
    (*dsp_components)[i]->ConnectionChanged(component, flag, prop_name);
}

int DSPComponentCount() { return dsp_components ? static_cast<int>(dsp_components->size()) : 0; }

TMMDSPComponent* DSPComponent(int index) {
  if (index < 0 || index >= DSPComponentCount()) return nullptr;
  return (*dsp_components)[static_cast<size_t>(index)];
}

vcl::TPropInfo DSPInputProp() {
  return vcl::published::RefProp("Input", &TMMDSPComponent::Input, &TMMDSPComponent::SetInput);
}
vcl::TPropInfo DSPOutputProp() {
  return vcl::published::RefProp("Output", &TMMDSPComponent::Output, &TMMDSPComponent::SetOutput);
}
vcl::TPropInfo DSPBufferSizeProp() {
  return vcl::published::IntProp("BufferSize", &TMMDSPComponent::BufferSize, &TMMDSPComponent::SetBufferSize)
      .Default(kDefaultBufferSize);
}
vcl::TPropInfo DSPOnBufferReadyProp() {
  return vcl::published::EventProp("OnBufferReady", &TMMDSPComponent::OnBufferReady);
}
vcl::TPropInfo DSPOnBufferLoadProp() {
  return vcl::published::EventProp("OnBufferLoad", &TMMDSPComponent::OnBufferLoad);
}

// ---- TMMDSPComponent ----

VCL_IMPLEMENT_CLASS(TMMCustomDSPComponent)
VCL_IMPLEMENT_CLASS(TMMDSPComponent)

TMMDSPComponent::TMMDSPComponent(vcl::TComponent* owner) : TMMCustomDSPComponent(owner) {
  AddDSPComponent(this);
}

TMMDSPComponent::~TMMDSPComponent() {
  SetInput(nullptr);
  SetOutput(nullptr);
  SetFormat(nullptr);
  // Descendants are gone by now, so the broadcasts above cannot read their
  // published links, and partners that publish none keep theirs. Clear
  // whatever still names this component.
  if (dsp_components) {
    for (TMMDSPComponent* d : *dsp_components) {
      if (d->input_ == this) d->SetInputLink(nullptr, std::string());
      if (d->output_ == this) d->SetOutputLink(nullptr, std::string());
    }
  }
  input_ = nullptr;
  output_ = nullptr;
  RemoveDSPComponent(this);
}

void TMMDSPComponent::Loaded() {
  inherited::Loaded();
  SetFormat(GetFormat());
}

bool TMMDSPComponent::FormatFrozen() const {
  const vcl::TComponentState state = ComponentState();
  return state.Contains(vcl::csLoading) || state.Contains(vcl::csReading) ||
         state.Contains(vcl::csDestroying);
}

void TMMDSPComponent::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != vcl::opRemove || !component) return;
  if (input_ && component == static_cast<vcl::TComponent*>(input_)) SetInput(nullptr);
  if (output_ && component == static_cast<vcl::TComponent*>(output_)) SetOutput(nullptr);
}

void TMMDSPComponent::UpdateFormat() {
  if (FormatFrozen()) return;
  if (input_)
    SetInputFormat(input_->GetFormat());
  else if (output_)
    output_->SetInputFormat(GetFormat());
}

void TMMDSPComponent::ConnectionChanged(vcl::TComponent* component, bool flag, const std::string& prop_name) {
  if (!component) return;
  if (flag) {
    if (component == static_cast<vcl::TComponent*>(input_) && input_link_name_ == prop_name &&
        PublishedLink(component, prop_name) == this)
      SetInputLink(nullptr, std::string());
  } else {
    if (component == static_cast<vcl::TComponent*>(output_) && output_link_name_ == prop_name &&
        PublishedLink(component, prop_name) == this)
      SetOutputLink(nullptr, std::string());
  }
}

void TMMDSPComponent::SetInput(TMMDSPComponent* value) {
  if (value == input_) return;
  if (value && !CanConnectInput(value)) return;
  Stopped();
  if (input_) {
    BroadcastConnectionChanged(this, false, "Input");
    SetInputLink(nullptr, std::string());
    SetInputFormat(nullptr);
  }
  if (value) {
    BroadcastConnectionChanged(value, true, "Output");
    SetInputLink(value, "Output");
    value->SetOutputLink(this, "Input");
    UpdateFormat();
  }
}

void TMMDSPComponent::SetOutput(TMMDSPComponent* value) {
  if (value == output_) return;
  if (value && !CanConnectOutput(value)) return;
  Stopped();
  if (TMMDSPComponent* old = output_) {
    BroadcastConnectionChanged(this, true, "Output");
    old->SetInputFormat(nullptr);
    SetOutputLink(nullptr, std::string());
  }
  if (value) {
    BroadcastConnectionChanged(value, false, "Input");
    SetOutputLink(value, "Input");
    value->SetInputLink(this, "Output");
    UpdateFormat();
  }
}

bool TMMDSPComponent::CanConnectInput(vcl::TComponent* component) {
  auto* dsp = dynamic_cast<TMMDSPComponent*>(component);
  if (!dsp || dsp == this || !vcl::IsPublishedProp(component, "Output")) return false;
  if (!output_) return true;
  // The question walks down the chain and fails where it meets the candidate.
  return output_->CanConnectInput(component);
}

bool TMMDSPComponent::CanConnectOutput(vcl::TComponent* component) {
  auto* dsp = dynamic_cast<TMMDSPComponent*>(component);
  if (!dsp || dsp == this) return false;
  if (!vcl::IsPublishedProp(component, "Input") && !dsp->ConnectableAsInput()) return false;
  if (!input_) return true;
  return input_->CanConnectOutput(component);
}

void TMMDSPComponent::SetInputLink(TMMDSPComponent* component, const std::string& link_name) {
  input_ = component;
  input_link_name_ = link_name.substr(0, kMaxLinkNameLength);
  // Partners of another owner hear of each other's end through this.
  if (component) FreeNotification(component);
}

void TMMDSPComponent::SetOutputLink(TMMDSPComponent* component, const std::string& link_name) {
  output_ = component;
  output_link_name_ = link_name.substr(0, kMaxLinkNameLength);
  if (component) FreeNotification(component);
}

void TMMDSPComponent::SetFormat(const plat::WAVEFORMATEX* format) {
  if (format != format_) {
    if (started_) Stopped();
    GlobalFreeAndNil(format_);
    format_ = CopyWaveFormat(format);
  }
  if (!FormatFrozen() && output_) output_->SetInputFormat(GetFormat());
}

void TMMDSPComponent::SetInputFormat(const plat::WAVEFORMATEX* format) { SetFormat(format); }

int32_t TMMDSPComponent::BufferSize() const { return opened_ ? effective_size_ : buffer_size_; }

void TMMDSPComponent::SetBufferSize(int32_t value) {
  if (value == buffer_size_) return;
  if (started_) Stopped();
  buffer_size_ = value;
}

void TMMDSPComponent::Opened() {
  if (opened_) return;
  effective_size_ = buffer_size_;
  // A block align of 0 is refused by the devices before they open; should
  // one get here anyway it counts as no format rather than a division by zero.
  if (format_ && format_->nBlockAlign > 0) {
    const int32_t align = format_->nBlockAlign;
    effective_size_ = std::max(buffer_size_ / align * align, align);
  }
  opened_ = true;
  started_ = false;
  paused_ = false;
}

void TMMDSPComponent::Closed() { opened_ = false; }

void TMMDSPComponent::Started() {
  if (opened_ && !started_) started_ = true;
}

void TMMDSPComponent::Paused() { paused_ = true; }

void TMMDSPComponent::Restarted() { paused_ = false; }

void TMMDSPComponent::Stopped() {
  if (!started_) return;
  started_ = false;
  paused_ = false;
}

void TMMDSPComponent::Reset() {}

void TMMDSPComponent::Looped() {}

void TMMDSPComponent::BufferReady(plat::WAVEHDR* lpwh) {
  if (OnBufferReady) OnBufferReady(this, lpwh);
  if (output_) output_->BufferReady(lpwh);
}

void TMMDSPComponent::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  if (OnBufferLoad) OnBufferLoad(this, lpwh, more_buffers);
  if (input_) input_->BufferLoad(lpwh, more_buffers);
}

// ---- Device threads ----

namespace {

// Device threads are made and freed on the main thread while others search
// the list from their own, so it has a lock.
std::mutex dsp_threads_lock;
std::vector<TMMDSPThread*>* dsp_threads = nullptr;

}  // namespace

VCL_IMPLEMENT_CLASS(TMMDSPThread)

TMMDSPThread::TMMDSPThread(vcl::TComponent* owner) : TMMThreadEx(true), owner_(owner) {
  std::lock_guard lock(dsp_threads_lock);
  if (!dsp_threads) dsp_threads = new std::vector<TMMDSPThread*>;
  dsp_threads->push_back(this);
}

TMMDSPThread::~TMMDSPThread() {
  std::lock_guard lock(dsp_threads_lock);
  if (!dsp_threads) return;
  std::erase(*dsp_threads, this);
  if (dsp_threads->empty()) {
    delete dsp_threads;
    dsp_threads = nullptr;
  }
}

int DSPThreadCount() {
  std::lock_guard lock(dsp_threads_lock);
  return dsp_threads ? static_cast<int>(dsp_threads->size()) : 0;
}

void DSPSynchronize(const vcl::TThreadMethod& method) {
  TMMDSPThread* caller = nullptr;
  if (!plat::IsMainThread()) {
    const plat::DWORD id = plat::GetCurrentThreadId();
    std::lock_guard lock(dsp_threads_lock);
    if (dsp_threads) {
      for (TMMDSPThread* t : *dsp_threads) {
        if (t->ThreadID() == id) {
          caller = t;
          break;
        }
      }
    }
  }
  // The caller's own thread object cannot go while it runs this.
  if (caller)
    caller->Synchronize(method);
  else
    method();
}

// ---- TMMCustomSoundComponent ----

VCL_IMPLEMENT_CLASS(TMMCustomSoundComponent)
VCL_IMPLEMENT_CLASS(TMMCustomWaveOutComponent)

TMMDSPComponent* TMMCustomSoundComponent::WalkUp(bool& met_device) {
  met_device = false;
  TMMDSPComponent* current = this;
  for (size_t steps = WalkLimit(); current->Input() && steps > 0; --steps) {
    current = current->Input();
    if (current == this) break;
    if (IsSoundComponent(current)) {
      met_device = true;
      return this;
    }
  }
  return current;
}

void TMMCustomSoundComponent::WalkDown(TNotify notify, bool hand_buffer_size) {
  bool met_device = false;
  TMMDSPComponent* member = WalkUp(met_device);
  if (hand_buffer_size) slave_ = met_device;
  const int32_t buffer_size = BufferSize();
  for (size_t steps = WalkLimit(); member && steps > 0; --steps) {
    if (member != this) {
      const bool next_device = IsSoundComponent(member);
      if (hand_buffer_size) member->SetBufferSize(buffer_size);
      (member->*notify)();
      if (next_device) break;
    }
    member = member->Output();
  }
}

void TMMCustomSoundComponent::WalkDownDeviceFirst(TNotify notify) {
  // The next device below stops (or closes) before the passive members.
  TMMDSPComponent* member = Output();
  for (size_t steps = WalkLimit(); member && steps > 0; --steps) {
    if (member == this) break;
    if (IsSoundComponent(member)) {
      (member->*notify)();
      break;
    }
    member = member->Output();
  }
  bool met_device = false;
  member = WalkUp(met_device);
  for (size_t steps = WalkLimit(); member && steps > 0; --steps) {
    if (member != this) {
      if (IsSoundComponent(member)) break;
      (member->*notify)();
    }
    member = member->Output();
  }
}

void TMMCustomSoundComponent::Opened() {
  slave_ = false;
  WalkDown(&TMMDSPComponent::Opened, true);
  TMMDSPComponent::Opened();
}

void TMMCustomSoundComponent::Started() {
  WalkDown(&TMMDSPComponent::Started, false);
  TMMDSPComponent::Started();
}

void TMMCustomSoundComponent::Paused() {
  WalkDown(&TMMDSPComponent::Paused, false);
  TMMDSPComponent::Paused();
}

void TMMCustomSoundComponent::Restarted() {
  WalkDown(&TMMDSPComponent::Restarted, false);
  TMMDSPComponent::Restarted();
}

void TMMCustomSoundComponent::Reset() {
  WalkDown(&TMMDSPComponent::Reset, false);
  TMMDSPComponent::Reset();
}

void TMMCustomSoundComponent::Looped() {
  WalkDown(&TMMDSPComponent::Looped, false);
  TMMDSPComponent::Looped();
}

void TMMCustomSoundComponent::Stopped() {
  WalkDownDeviceFirst(&TMMDSPComponent::Stopped);
  TMMDSPComponent::Stopped();
}

void TMMCustomSoundComponent::Closed() {
  WalkDownDeviceFirst(&TMMDSPComponent::Closed);
  TMMDSPComponent::Closed();
}

}  // namespace engine
