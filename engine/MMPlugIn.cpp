#include "engine/MMPlugIn.h"

#include <algorithm>
#include <cfenv>
#include <cstring>

#include "engine/MMPCMSup.h"
#include "engine/MMUtils.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/TypInfo.h"

namespace engine {

namespace {

constexpr uint16_t kInvalidWaveFormatMessage = 62;

bool IsPcm16(const plat::WAVEFORMATEX* format) {
  return IsValidPCMFormat(format) && format->wBitsPerSample == 16;
}

// The window of the top-level form that owns `owner`, or null.
plat::HWND OwnerFormHandle(vcl::TComponent* owner) {
  vcl::TCustomForm* form = dynamic_cast<vcl::TCustomForm*>(owner);
  if (!form) {
    if (auto* control = dynamic_cast<vcl::TControl*>(owner)) form = vcl::GetParentForm(control);
  }
  if (!form) return nullptr;
  while (form->Parent()) {
    vcl::TCustomForm* outer = vcl::GetParentForm(form->Parent());
    if (!outer) break;
    form = outer;
  }
  return form->Handle();
}

}  // namespace

VCL_IMPLEMENT_CLASS(TMMDSPPlugin, DSPInputProp(), DSPOutputProp(),
                    BoolProp("Enabled", &TMMDSPPlugin::Enabled, &TMMDSPPlugin::SetEnabled).Default(true))

TMMDSPPlugin::TMMDSPPlugin(vcl::TComponent* owner) : TMMDSPComponent(owner) {
  if (!DesignMode()) lock_ = std::make_unique<TMMCriticalSection>();
}

TMMDSPPlugin::~TMMDSPPlugin() {
  UnloadPlugin();
  GlobalFreeAndNil(pull_hdr_.lpData);
}

void TMMDSPPlugin::ChangeDesignMode(bool value) {
  inherited::ChangeDesignMode(value);
  if (!DesignMode() && !lock_) lock_ = std::make_unique<TMMCriticalSection>();
}

bool TMMDSPPlugin::LoadPlugin(const std::string& FileName) {
  Guard guard(lock_.get());
  UnloadPlugin();
  plugin_ = ReadDSPPluginInfo(FileName);
  return plugin_ != nullptr;
}

void TMMDSPPlugin::UnloadPlugin() {
  Guard guard(lock_.get());
  FreeDSPPluginInfo(plugin_);
}

void TMMDSPPlugin::OpenPlugin(plat::HWND ParentWnd) {
  Guard guard(lock_.get());
  if (!plugin_ || plugin_->Opened) return;
  if (!LoadDSPPlugin(plugin_.get(), ParentWnd)) throw EMMPlugInError("Unable to open Module");
}

void TMMDSPPlugin::OpenPluginForOwner() { OpenPlugin(OwnerFormHandle(Owner())); }

bool TMMDSPPlugin::ValidModuleIndex() const {
  return plugin_ && module_index_ >= 0 && module_index_ < plugin_->ModuleCount;
}

TMMDSPModuleEntry* TMMDSPPlugin::SelectedEntry() {
  return ValidModuleIndex() ? &plugin_->Modules[static_cast<size_t>(module_index_)] : nullptr;
}

void TMMDSPPlugin::SetModuleIndex(int32_t value) {
  Guard guard(lock_.get());
  if (!plugin_ || value < 0 || value >= plugin_->ModuleCount) throw EMMPlugInError("Invalid Module index");
  module_index_ = value;
}

bool TMMDSPPlugin::ModuleInitialized() const {
  return ValidModuleIndex() && plugin_->Modules[static_cast<size_t>(module_index_)].Initialized;
}

void TMMDSPPlugin::InitModule() {
  Guard guard(lock_.get());
  if (!ValidModuleIndex()) return;
  OpenPluginForOwner();
  if (!InitDSPModule(*SelectedEntry(), GetFormat(), BufferSize()))
    throw EMMPlugInError("Unable to initialise Module");
  RestartModule();
}

void TMMDSPPlugin::QuitModule() {
  Guard guard(lock_.get());
  if (!ValidModuleIndex()) return;
  QuitDSPModule(*SelectedEntry());
}

void TMMDSPPlugin::ResetPullState() {
  pull_hdr_.dwBytesRecorded = 0;
  pull_hdr_.LoopMark = 0;
  pull_read_pos_ = 0;
  input_ended_ = false;
}

void TMMDSPPlugin::RestartModule() {
  Guard guard(lock_.get());
  if (!ModuleInitialized()) return;
  ResetPullState();
  fault_reported_ = false;
  if (!RestartDSPModule(*SelectedEntry(), GetFormat(), BufferSize()))
    throw EMMPlugInError("Unable to restart Module");
}

void TMMDSPPlugin::SetFormat(const plat::WAVEFORMATEX* format) {
  if (format && !DesignMode() && !IsPcm16(format))
    throw EMMPlugInError(LoadLibraryMessage(kInvalidWaveFormatMessage));
  inherited::SetFormat(format);
}

void TMMDSPPlugin::Opened() {
  inherited::Opened();
  if (stage_opened_ || !IsPcm16(GetFormat())) return;
  const int32_t size = BufferSize();
  {
    Guard guard(lock_.get());
    // Twice the buffer, so a module may double the samples of a pull.
    GlobalFreeAndNil(pull_hdr_.lpData);
    pull_hdr_ = TMMWaveHdr{};
    pull_hdr_.lpData = static_cast<char*>(GlobalAllocZeroed(static_cast<size_t>(size) * 2));
    pull_hdr_.dwBufferLength = static_cast<plat::DWORD>(size);
    pull_capacity_ = size * 2;
    backup_.assign(static_cast<size_t>(size) * 2, 0);
    ResetPullState();
    stage_opened_ = true;
  }
  OpenPluginForOwner();
}

void TMMDSPPlugin::Closed() {
  if (stage_opened_) {
    Guard guard(lock_.get());
    stage_opened_ = false;
    GlobalFreeAndNil(pull_hdr_.lpData);
    pull_hdr_.dwBufferLength = 0;
    pull_capacity_ = 0;
    ResetPullState();
  }
  inherited::Closed();
}

void TMMDSPPlugin::Started() {
  if (!stage_started_) {
    {
      // Without a running module the stage passes the data itself, so the
      // pull state of the last stream must go as well.
      Guard guard(lock_.get());
      ResetPullState();
    }
    RestartModule();
    stage_started_ = true;
  }
  inherited::Started();
}

void TMMDSPPlugin::Stopped() {
  stage_started_ = false;
  inherited::Stopped();
}

void TMMDSPPlugin::Reset() {
  {
    Guard guard(lock_.get());
    ResetPullState();
  }
  RestartModule();
  inherited::Reset();
}

int32_t TMMDSPPlugin::Process(char* data, int32_t bytes, int32_t capacity) {
  TMMDSPModuleEntry* entry = SelectedEntry();
  if (!entry || !entry->Initialized || bytes <= 0) return bytes;
  // A module that fails or faults may have written half a buffer; the data
  // go on as they came.
  const bool saved = static_cast<size_t>(bytes) <= backup_.size();
  if (saved) std::memcpy(backup_.data(), data, static_cast<size_t>(bytes));
  std::exception_ptr fault;
  const int32_t result = ProcessDSPModule(*entry, data, bytes, GetFormat(), capacity, &fault);
  if (fault && !fault_reported_) {
    // Once until the module starts afresh: a module that faults on every
    // buffer would otherwise bury the user in reports.
    fault_reported_ = true;
    try {
      std::rethrow_exception(fault);
    } catch (...) {
      vcl::ReportException(this);
    }
  }
  if (result > 0) return result;
  if (saved) std::memcpy(data, backup_.data(), static_cast<size_t>(bytes));
  return bytes;
}

void TMMDSPPlugin::BufferReady(plat::WAVEHDR* lpwh) {
  {
    Guard guard(lock_.get());
    if (enabled_ && stage_opened_ && plugin_ && lpwh)
      lpwh->dwBytesRecorded = static_cast<plat::DWORD>(
          Process(lpwh->lpData, ValidBytes(lpwh), static_cast<int32_t>(lpwh->dwBufferLength)));
  }
  inherited::BufferReady(lpwh);
}

void TMMDSPPlugin::BufferLoad(plat::WAVEHDR* lpwh, bool& more_buffers) {
  {
    Guard guard(lock_.get());
    if (enabled_ && stage_opened_ && plugin_ && lpwh) {
      // The devices pull with their full headers.
      PullThroughModule(static_cast<TMMWaveHdr*>(lpwh), more_buffers);
      return;
    }
  }
  inherited::BufferLoad(lpwh, more_buffers);
}

void TMMDSPPlugin::RefillPullBuffer(TMMWaveHdr* buffer) {
  pull_hdr_.dwBytesRecorded = 0;
  if (pull_hdr_.LoopMark) {
    buffer->LoopMark = -1;
    buffer->LoopsLeft = pull_hdr_.LoopsLeft;
    pull_hdr_.LoopMark = 0;
  }
  pull_hdr_.Looping = buffer->Looping;
  if (pull_hdr_.Looping) {
    pull_hdr_.LoopCount = buffer->LoopCount;
    pull_hdr_.LoopsLeft = buffer->LoopsLeft;
    pull_hdr_.LoopMark = 0;
  }
  // Sources above may compute in floating point; a plug-in may have left the
  // control settings changed.
  std::fesetenv(FE_DFL_ENV);
  more_from_input_ = false;
  inherited::BufferLoad(&pull_hdr_, more_from_input_);
  const int32_t arrived = ValidBytes(&pull_hdr_);
  if (!more_from_input_ || arrived <= 0) input_ended_ = true;
  pull_hdr_.dwBytesRecorded =
      static_cast<plat::DWORD>(arrived > 0 ? Process(pull_hdr_.lpData, arrived, pull_capacity_) : 0);
  pull_read_pos_ = 0;
}

void TMMDSPPlugin::PullThroughModule(TMMWaveHdr* buffer, bool& more_buffers) {
  buffer->dwBytesRecorded = 0;
  if (!Input()) return;
  int32_t want = static_cast<int32_t>(buffer->dwBufferLength);
  int32_t written = 0;
  for (;;) {
    const int32_t available = static_cast<int32_t>(pull_hdr_.dwBytesRecorded) - pull_read_pos_;
    if (available > 0) {
      const int32_t n = std::min(available, want);
      std::memcpy(buffer->lpData + written, pull_hdr_.lpData + pull_read_pos_, static_cast<size_t>(n));
      pull_read_pos_ += n;
      written += n;
      want -= n;
    }
    if (want < 1 || input_ended_) break;
    while (static_cast<int32_t>(pull_hdr_.dwBytesRecorded) - pull_read_pos_ <= 0 && !input_ended_)
      RefillPullBuffer(buffer);
    if (static_cast<int32_t>(pull_hdr_.dwBytesRecorded) - pull_read_pos_ <= 0) break;
  }
  more_buffers = more_from_input_ || static_cast<int32_t>(pull_hdr_.dwBytesRecorded) > pull_read_pos_;
  buffer->dwBytesRecorded = static_cast<plat::DWORD>(written);
}

}  // namespace engine
