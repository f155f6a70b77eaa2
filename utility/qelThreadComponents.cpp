#include "utility/qelThreadComponents.h"

#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

#include "platform/kernel/ChangeNotify.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/kernel/ThreadQueue.h"
#include "platform/user/MessageBox.h"
#include "platform/vcl/TypInfo.h"
#include "utility/qelConsts.h"

namespace utility {

namespace {

const std::vector<std::string> kPriorities = {"tpIdle",   "tpLowest",  "tpLower",       "tpNormal",
                                              "tpHigher", "tpHighest", "tpTimeCritical"};

// The class name of an exception as its type is spelled, without namespaces.
std::string ExceptionClassName(const std::exception& e) {
  const char* mangled = typeid(e).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = status == 0 && demangled ? demangled : mangled;
  std::free(demangled);
  if (size_t colon = name.rfind("::"); colon != std::string::npos) name.erase(0, colon + 2);
  return name;
}

// The work that runs on this thread now, so that it asks after its own
// thread, not after the one that may already replace it.
struct RunningWork {
  const TqelCustomThreadComponent* owner = nullptr;
  TqelThread* thread = nullptr;
};
thread_local RunningWork running_work;

}  // namespace

// ---- Thread component ----

VCL_IMPLEMENT_CLASS(TqelCustomThreadComponent)

VCL_IMPLEMENT_CLASS(
    TqelThreadComponent,
    EnumProp("Priority", &TqelThreadComponent::Priority, &TqelThreadComponent::SetPriority, kPriorities)
        .Default(vcl::tpNormal),
    IntProp("ReturnValue", &TqelThreadComponent::ReturnValue, &TqelThreadComponent::SetReturnValue)
        .Default(0),
    BoolProp("Suspended", &TqelThreadComponent::Suspended, &TqelThreadComponent::SetSuspended).Default(true),
    BoolProp("Synchronized", &TqelThreadComponent::Synchronized, &TqelThreadComponent::SetSynchronized)
        .Default(false),
    EventProp("OnException", &TqelThreadComponent::OnException),
    EventProp("OnExecute", &TqelThreadComponent::OnExecute),
    EventProp("OnFinish", &TqelThreadComponent::OnFinish),
    EventProp("OnTerminate", &TqelThreadComponent::OnTerminate))

TqelCustomThreadComponent::TqelCustomThreadComponent(vcl::TComponent* owner) : TqelComponent(owner) {
  if (!Designing()) MakeThread();
}

TqelCustomThreadComponent::~TqelCustomThreadComponent() {
  // Joined before its events are cleared: the thread may be reading them.
  EndThread(std::move(thread_));
}

void TqelCustomThreadComponent::MakeThread() {
  thread_ = CreateThread();
  TqelEventThread* thread = thread_.get();
  thread->SetOnEvent([this](TqelThread* running) {
    const RunningWork previous = running_work;
    running_work = {this, running};
    plat::ScopeExit restore([previous] { running_work = previous; });
    try {
      DoExecute();
    } catch (...) {
      // Reported on the main thread, never by the worker.
      std::exception_ptr error = std::current_exception();
      if (plat::IsMainThread())
        HandleException(error);
      else
        vcl::TThread::Synchronize(running, [&] { HandleException(error); });
    }
  });
  thread->OnTerminate = [this](vcl::TObject* sender) {
    if (OnTerminate) OnTerminate(sender);
  };
  thread->OnFinish = [this](TqelThread* sender) {
    if (OnFinish) OnFinish(sender);
  };
  thread->SetPriority(priority_);
  thread->SetReturnValue(return_value_);
  thread->SetSynchronized(synchronized_);
}

void TqelCustomThreadComponent::RemakeThread() {
  if (!thread_) return;
  EndThread(std::move(thread_));
  MakeThread();
}

std::unique_ptr<TqelEventThread> TqelCustomThreadComponent::CreateThread() {
  return std::make_unique<TqelEventThread>(true);
}

vcl::TThreadPriority TqelCustomThreadComponent::Priority() const {
  return thread_ ? thread_->Priority() : priority_;
}

void TqelCustomThreadComponent::SetPriority(vcl::TThreadPriority value) {
  priority_ = value;
  if (thread_) thread_->SetPriority(value);
}

int TqelCustomThreadComponent::ReturnValue() const {
  return thread_ ? thread_->ReturnValue() : return_value_;
}

void TqelCustomThreadComponent::SetReturnValue(int value) {
  return_value_ = value;
  if (thread_) thread_->SetReturnValue(value);
}

bool TqelCustomThreadComponent::Suspended() const {
  if (!thread_ || ComponentState().Contains(vcl::csLoading)) return suspended_;
  return thread_->Suspended();
}

void TqelCustomThreadComponent::SetSuspended(bool value) {
  suspended_ = value;
  if (thread_ && !ComponentState().Contains(vcl::csLoading)) thread_->SetSuspended(value);
}

bool TqelCustomThreadComponent::Synchronized() const {
  if (!thread_ || ComponentState().Contains(vcl::csLoading)) return synchronized_;
  return thread_->Synchronized();
}

void TqelCustomThreadComponent::SetSynchronized(bool value) {
  synchronized_ = value;
  if (thread_ && !ComponentState().Contains(vcl::csLoading)) thread_->SetSynchronized(value);
}

TqelThread* TqelCustomThreadComponent::WorkThread() const {
  return running_work.owner == this ? running_work.thread : thread_.get();
}

bool TqelCustomThreadComponent::Terminated() const {
  TqelThread* thread = WorkThread();
  return !thread || thread->Terminated();
}

void TqelCustomThreadComponent::Loaded() {
  TqelComponent::Loaded();
  if (Designing()) return;
  // Both were only stored while reading; the stored Synchronized must reach
  // the thread before a stored Suspended False starts it.
  SetSynchronized(synchronized_);
  SetSuspended(suspended_);
}

void TqelCustomThreadComponent::DoExecute() {
  if (OnExecute) OnExecute(this);
}

void TqelCustomThreadComponent::HandleException(const std::exception_ptr& error) {
  std::string class_name = "Exception";
  std::string message;
  try {
    std::rethrow_exception(error);
  } catch (const vcl::Exception& e) {
    if (OnException) return OnException(this, e);
    class_name = ExceptionClassName(e);
    message = e.Message();
  } catch (const std::exception& e) {
    if (OnException) return OnException(this, vcl::Exception(e.what()));
    class_name = ExceptionClassName(e);
    message = e.what();
  } catch (...) {
    if (OnException) return OnException(this, vcl::Exception(""));
  }
  const std::string caption = vcl::Application ? vcl::Application->Title() : std::string();
  vcl::ShowMessageBox(vcl::Format(SqelThreadException, {Name(), class_name, message}), caption,
                      plat::MB_TASKMODAL | plat::MB_ICONERROR | plat::MB_SETFOREGROUND);
}

void TqelCustomThreadComponent::Execute() {
  if (Designing()) return;
  const vcl::TThreadPriority priority = Priority();
  // The old work has ended before the new starts; it sees Terminated.
  EndThread(std::move(thread_));
  MakeThread();
  thread_->SetPriority(priority);
  thread_->SetSuspended(false);
}

void TqelCustomThreadComponent::Synchronize(const vcl::TThreadMethod& method) {
  if (TqelThread* thread = WorkThread()) vcl::TThread::Synchronize(thread, method);
}

void TqelCustomThreadComponent::SynchronizeCall(const TqelSyncCallMethod& method, void* argument) {
  TqelThread* thread = WorkThread();
  if (!thread || call_pending_.exchange(true)) return;
  try {
    vcl::TThread::Synchronize(thread, [&] { method(argument); });
  } catch (...) {
    call_pending_ = false;
    throw;
  }
  call_pending_ = false;
}

// ---- Thread timer ----

VCL_IMPLEMENT_CLASS(TqelCustomThreadTimer)

VCL_IMPLEMENT_CLASS(
    TqelThreadTimer,
    BoolProp("Enabled", &TqelThreadTimer::Enabled, &TqelThreadTimer::SetEnabled).Default(false),
    IntProp("Interval", &TqelThreadTimer::Interval, &TqelThreadTimer::SetInterval).Default(1000),
    EnumProp("Priority", &TqelThreadTimer::Priority, &TqelThreadTimer::SetPriority, kPriorities)
        .Default(vcl::tpNormal),
    BoolProp("Synchronized", &TqelThreadTimer::Synchronized, &TqelThreadTimer::SetSynchronized)
        .Default(false),
    EventProp("OnTimer", &TqelThreadTimer::OnExecute))

TqelCustomThreadTimer::TqelCustomThreadTimer(vcl::TComponent* owner) : TqelCustomThreadComponent(owner) {
  // The base made a plain event thread before this class existed.
  RemakeThread();
}

std::unique_ptr<TqelEventThread> TqelCustomThreadTimer::CreateThread() {
  auto thread = std::make_unique<TqelTimerThread>(true);
  thread->SetInterval(interval_);
  return thread;
}

void TqelCustomThreadTimer::SetInterval(uint32_t value) {
  if (value == interval_) return;
  interval_ = value;
  if (auto* timer = dynamic_cast<TqelTimerThread*>(Thread())) timer->SetInterval(value);
}

// ---- Monitors ----

plat::DWORD FolderMonitorFilter(TqelFolderMonitorFilters filters) {
  static constexpr plat::DWORD kBits[] = {
      plat::FILE_NOTIFY_CHANGE_FILE_NAME,  plat::FILE_NOTIFY_CHANGE_DIR_NAME,
      plat::FILE_NOTIFY_CHANGE_ATTRIBUTES, plat::FILE_NOTIFY_CHANGE_SIZE,
      plat::FILE_NOTIFY_CHANGE_LAST_WRITE, plat::FILE_NOTIFY_CHANGE_SECURITY};
  plat::DWORD filter = 0;
  for (int i = fmfFileNameChange; i <= fmfSecurityChange; ++i)
    if (filters.Contains(static_cast<TqelFolderMonitorFilter>(i))) filter |= kBits[i];
  return filter;
}

plat::DWORD RegistryMonitorFilter(TqelRegistryMonitorFilters filters) {
  static constexpr plat::DWORD kBits[] = {plat::REG_NOTIFY_CHANGE_NAME, plat::REG_NOTIFY_CHANGE_ATTRIBUTES,
                                          plat::REG_NOTIFY_CHANGE_LAST_SET, plat::REG_NOTIFY_CHANGE_SECURITY};
  plat::DWORD filter = 0;
  for (int i = rmfSubTreeChange; i <= rmfSecurityChange; ++i)
    if (filters.Contains(static_cast<TqelRegistryMonitorFilter>(i))) filter |= kBits[i];
  return filter;
}

plat::HKEY RegistryMonitorRoot(TqelRegistryRootKey root) {
  static const plat::HKEY kRoots[] = {plat::HKEY_CLASSES_ROOT,   plat::HKEY_CURRENT_USER,
                                      plat::HKEY_LOCAL_MACHINE,  plat::HKEY_USERS,
                                      plat::HKEY_CURRENT_CONFIG, plat::HKEY_DYN_DATA};
  return kRoots[root];
}

MonitorComponent::~MonitorComponent() { Stop(); }

bool MonitorComponent::Idle() const {
  const vcl::TComponentState state = ComponentState();
  return state.Contains(vcl::csDesigning) || state.Contains(vcl::csLoading);
}

void MonitorComponent::SetActive(bool value) {
  active_ = value;
  Apply();
}

void MonitorComponent::SetWatchSubTree(bool value) {
  if (value == watch_subtree_) return;
  watch_subtree_ = value;
  Apply();
}

void MonitorComponent::SetOnChange(TqelChangeEvent value) {
  on_change_ = std::move(value);
  Apply();
}

void MonitorComponent::Loaded() {
  TqelComponent::Loaded();
  SetActive(Active());
}

void MonitorComponent::Apply() {
  if (active_)
    Start();
  else
    Stop();
}

void MonitorComponent::Start() {
  Stop();
  if (Idle() || !active_ || !on_change_) return;
  thread_ = NewThread([this] {
    // A copy: the handler may assign OnChange, which restarts the monitor.
    TqelChangeEvent handler = on_change_;
    if (handler) handler();
  });
  thread_->SetSuspended(false);
}

void MonitorComponent::Stop() {
  if (Idle()) return;
  EndThread(std::move(thread_));
}

VCL_IMPLEMENT_CLASS(TqelCustomFolderMonitor)

VCL_IMPLEMENT_CLASS(
    TqelFolderMonitor,
    BoolProp("Active", &TqelFolderMonitor::Active, &TqelFolderMonitor::SetActive).Default(false),
    StrProp("Folder", &TqelFolderMonitor::Folder, &TqelFolderMonitor::SetFolder),
    SetOfProp("NotifyFilters", &TqelFolderMonitor::NotifyFilters, &TqelFolderMonitor::SetNotifyFilters,
              {"fmfFileNameChange", "fmfDirNameChange", "fmfAttributeChange", "fmfSizeChange",
               "fmfWriteChange", "fmfSecurityChange"})
        .Default(TqelFolderMonitorFilters{fmfFileNameChange, fmfDirNameChange}.Bits()),
    BoolProp("WatchSubTree", &TqelFolderMonitor::WatchSubTree, &TqelFolderMonitor::SetWatchSubTree)
        .Default(true),
    EventProp("OnChange", &TqelFolderMonitor::on_change_))

TqelCustomFolderMonitor::TqelCustomFolderMonitor(vcl::TComponent* owner) : MonitorComponent(owner) {}

TqelCustomFolderMonitor::~TqelCustomFolderMonitor() { Stop(); }

void TqelCustomFolderMonitor::SetFolder(const std::string& value) {
  if (value == folder_) return;
  folder_ = value;
  Apply();
}

void TqelCustomFolderMonitor::SetNotifyFilters(TqelFolderMonitorFilters value) {
  if (value == filters_) return;
  filters_ = value;
  Apply();
}

std::unique_ptr<TqelThread> TqelCustomFolderMonitor::NewThread(TqelChangeEvent call) {
  auto thread = std::make_unique<TqelFolderMonitorThread>(std::move(call));
  thread->SetParameters(folder_, WatchSubTree(), FolderMonitorFilter(filters_));
  return thread;
}

VCL_IMPLEMENT_CLASS(TqelCustomRegistryMonitor)

VCL_IMPLEMENT_CLASS(
    TqelRegistryMonitor,
    BoolProp("Active", &TqelRegistryMonitor::Active, &TqelRegistryMonitor::SetActive).Default(false),
    StrProp("RegistryKey", &TqelRegistryMonitor::RegistryKey, &TqelRegistryMonitor::SetRegistryKey),
    EnumProp("RootKey", &TqelRegistryMonitor::RootKey, &TqelRegistryMonitor::SetRootKey,
             {"rrkClassesRoot", "rrkCurrentUser", "rrkLocalMachine", "rrkUsers", "rrkCurrentConfig",
              "rrkDynData"})
        .Default(rrkCurrentUser),
    SetOfProp("NotifyFilters", &TqelRegistryMonitor::NotifyFilters, &TqelRegistryMonitor::SetNotifyFilters,
              {"rmfSubTreeChange", "rmfAttributeChange", "rmfValueChange", "rmfSecurityChange"})
        .Default(TqelRegistryMonitorFilters{rmfSubTreeChange, rmfValueChange}.Bits()),
    BoolProp("WatchSubTree", &TqelRegistryMonitor::WatchSubTree, &TqelRegistryMonitor::SetWatchSubTree)
        .Default(true),
    EventProp("OnChange", &TqelRegistryMonitor::on_change_))

TqelCustomRegistryMonitor::TqelCustomRegistryMonitor(vcl::TComponent* owner) : MonitorComponent(owner) {}

TqelCustomRegistryMonitor::~TqelCustomRegistryMonitor() { Stop(); }

void TqelCustomRegistryMonitor::SetRegistryKey(const std::string& value) {
  if (value == registry_key_) return;
  registry_key_ = value;
  Apply();
}

void TqelCustomRegistryMonitor::SetRootKey(TqelRegistryRootKey value) {
  if (value == root_key_) return;
  root_key_ = value;
  Apply();
}

void TqelCustomRegistryMonitor::SetNotifyFilters(TqelRegistryMonitorFilters value) {
  if (value == filters_) return;
  filters_ = value;
  Apply();
}

void TqelCustomRegistryMonitor::Start() {
  if (ComponentState().Contains(vcl::csDestroying)) return Stop();
  MonitorComponent::Start();
}

std::unique_ptr<TqelThread> TqelCustomRegistryMonitor::NewThread(TqelChangeEvent call) {
  auto thread = std::make_unique<TqelRegistryMonitorThread>(std::move(call));
  thread->SetParameters(RegistryMonitorRoot(root_key_), registry_key_, RegistryMonitorFilter(filters_),
                        WatchSubTree());
  return thread;
}

}  // namespace utility
