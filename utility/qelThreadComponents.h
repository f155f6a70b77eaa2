#pragma once
// The components that run work on threads and watch for changes: the thread
// component, the thread timer, and the folder and registry monitors. They
// make, configure, start and stop the threads of qelClasses and own them:
// a thread is joined when its component stops it or goes away.
//
// Nothing here enters design mode: there the components keep the values
// written to them and make no thread.
#include <memory>
#include <string>

#include "platform/registry/Registry.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/VclThread.h"
#include "utility/qelClasses.h"
#include "utility/qelComponents.h"

namespace utility {

using TqelSyncCallMethod = std::function<void(void* argument)>;

class TqelCustomThreadComponent : public TqelComponent {
  VCL_DECLARE_CLASS(TqelCustomThreadComponent, TqelComponent)
 public:
  explicit TqelCustomThreadComponent(vcl::TComponent* owner);
  ~TqelCustomThreadComponent() override;

  vcl::TThreadPriority Priority() const;
  void SetPriority(vcl::TThreadPriority value);
  int ReturnValue() const;
  void SetReturnValue(int value);
  // True until the work is started; setting it later pauses work that waits.
  bool Suspended() const;
  void SetSuspended(bool value);
  bool Synchronized() const;
  void SetSynchronized(bool value);
  // The running work was asked to stop: a long OnExecute polls this.
  bool Terminated() const;

  // The work, called with the component as sender.
  vcl::TNotifyEvent OnExecute;
  // Gets what OnExecute raised, with the component as sender; without it a
  // message box reports it.
  vcl::TExceptionEvent OnException;
  // The thread's own events, with the thread as sender, on the main thread.
  vcl::TNotifyEvent OnTerminate;
  vcl::TNotifyEvent OnFinish;

  void Loaded() override;

  // Starts the work again in a fresh thread. Work still running is asked to
  // stop and has ended before the new work starts.
  virtual void Execute();
  // Runs `method` on the main thread while the work waits.
  virtual void Synchronize(const vcl::TThreadMethod& method);
  // The same with one argument, for the work's own thread. A call made while
  // one is pending is dropped.
  virtual void SynchronizeCall(const TqelSyncCallMethod& method, void* argument);

  // The thread now; null in design mode.
  TqelEventThread* Thread() const { return thread_.get(); }

 protected:
  virtual void DoExecute();
  // On the main thread.
  virtual void HandleException(const std::exception_ptr& error);
  virtual std::unique_ptr<TqelEventThread> CreateThread();
  // A fresh suspended thread from CreateThread in place of one not started.
  void RemakeThread();

 private:
  bool Designing() const { return ComponentState().Contains(vcl::csDesigning); }
  // A new suspended thread bound to this component.
  void MakeThread();
  // The thread of the work that calls, or else the component's thread.
  TqelThread* WorkThread() const;

  std::unique_ptr<TqelEventThread> thread_;
  vcl::TThreadPriority priority_ = vcl::tpNormal;
  int return_value_ = 0;
  bool suspended_ = true;
  bool synchronized_ = false;
  std::atomic<bool> call_pending_{false};
};

class TqelThreadComponent : public TqelCustomThreadComponent {
  VCL_DECLARE_CLASS(TqelThreadComponent, TqelCustomThreadComponent)
 public:
  using TqelCustomThreadComponent::TqelCustomThreadComponent;
};

// Runs OnTimer every Interval ms while Enabled. Interval 0 never ticks.
class TqelCustomThreadTimer : public TqelCustomThreadComponent {
  VCL_DECLARE_CLASS(TqelCustomThreadTimer, TqelCustomThreadComponent)
 public:
  explicit TqelCustomThreadTimer(vcl::TComponent* owner);

  uint32_t Interval() const { return interval_; }
  void SetInterval(uint32_t value);
  bool Enabled() const { return !Suspended(); }
  void SetEnabled(bool value) { SetSuspended(!value); }

 protected:
  std::unique_ptr<TqelEventThread> CreateThread() override;

 private:
  uint32_t interval_ = 1000;
};

class TqelThreadTimer : public TqelCustomThreadTimer {
  VCL_DECLARE_CLASS(TqelThreadTimer, TqelCustomThreadTimer)
 public:
  using TqelCustomThreadTimer::TqelCustomThreadTimer;
};

enum TqelFolderMonitorFilter {
  fmfFileNameChange,
  fmfDirNameChange,
  fmfAttributeChange,
  fmfSizeChange,
  fmfWriteChange,
  fmfSecurityChange
};
using TqelFolderMonitorFilters = vcl::TSet<TqelFolderMonitorFilter>;

enum TqelRegistryMonitorFilter { rmfSubTreeChange, rmfAttributeChange, rmfValueChange, rmfSecurityChange };
using TqelRegistryMonitorFilters = vcl::TSet<TqelRegistryMonitorFilter>;

enum TqelRegistryRootKey {
  rrkClassesRoot,
  rrkCurrentUser,
  rrkLocalMachine,
  rrkUsers,
  rrkCurrentConfig,
  rrkDynData
};

// The platform's values for the monitors' settings.
plat::DWORD FolderMonitorFilter(TqelFolderMonitorFilters filters);
plat::DWORD RegistryMonitorFilter(TqelRegistryMonitorFilters filters);
plat::HKEY RegistryMonitorRoot(TqelRegistryRootKey root);

// What both monitors share: Active, WatchSubTree, OnChange and the thread's
// life. Every change of a setting restarts a running monitor. Not a class of
// its own for the class registry: the monitors descend from TqelComponent.
class MonitorComponent : public TqelComponent {
 public:
  using TqelComponent::TqelComponent;
  ~MonitorComponent() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  bool WatchSubTree() const { return watch_subtree_; }
  void SetWatchSubTree(bool value);
  const TqelChangeEvent& OnChange() const { return on_change_; }
  void SetOnChange(TqelChangeEvent value);

  void Loaded() override;
  // Start when Active, else Stop.
  virtual void Apply();
  // Runs only outside design mode and reading, while Active with OnChange.
  virtual void Start();
  // No OnChange after this returns, even from a change already on its way.
  virtual void Stop();

  // The thread while the monitor runs.
  TqelThread* Thread() const { return thread_.get(); }

 protected:
  // A new suspended thread with its parameters.
  virtual std::unique_ptr<TqelThread> NewThread(TqelChangeEvent call) = 0;
  bool Idle() const;
  TqelChangeEvent on_change_;

 private:
  std::unique_ptr<TqelThread> thread_;
  bool active_ = false;
  bool watch_subtree_ = true;
};

class TqelCustomFolderMonitor : public MonitorComponent {
  VCL_DECLARE_CLASS(TqelCustomFolderMonitor, MonitorComponent)
 public:
  explicit TqelCustomFolderMonitor(vcl::TComponent* owner);
  ~TqelCustomFolderMonitor() override;

  const std::string& Folder() const { return folder_; }
  void SetFolder(const std::string& value);
  TqelFolderMonitorFilters NotifyFilters() const { return filters_; }
  void SetNotifyFilters(TqelFolderMonitorFilters value);

 protected:
  std::unique_ptr<TqelThread> NewThread(TqelChangeEvent call) override;

 private:
  std::string folder_ = "C:\\";
  TqelFolderMonitorFilters filters_{fmfFileNameChange, fmfDirNameChange};
};

class TqelFolderMonitor : public TqelCustomFolderMonitor {
  VCL_DECLARE_CLASS(TqelFolderMonitor, TqelCustomFolderMonitor)
 public:
  using TqelCustomFolderMonitor::TqelCustomFolderMonitor;
};

class TqelCustomRegistryMonitor : public MonitorComponent {
  VCL_DECLARE_CLASS(TqelCustomRegistryMonitor, MonitorComponent)
 public:
  explicit TqelCustomRegistryMonitor(vcl::TComponent* owner);
  ~TqelCustomRegistryMonitor() override;

  const std::string& RegistryKey() const { return registry_key_; }
  void SetRegistryKey(const std::string& value);
  TqelRegistryRootKey RootKey() const { return root_key_; }
  void SetRootKey(TqelRegistryRootKey value);
  TqelRegistryMonitorFilters NotifyFilters() const { return filters_; }
  void SetNotifyFilters(TqelRegistryMonitorFilters value);

  void Start() override;

 protected:
  std::unique_ptr<TqelThread> NewThread(TqelChangeEvent call) override;

 private:
  std::string registry_key_;
  TqelRegistryRootKey root_key_ = rrkCurrentUser;
  TqelRegistryMonitorFilters filters_{rmfSubTreeChange, rmfValueChange};
};

class TqelRegistryMonitor : public TqelCustomRegistryMonitor {
  VCL_DECLARE_CLASS(TqelRegistryMonitor, TqelCustomRegistryMonitor)
 public:
  using TqelCustomRegistryMonitor::TqelCustomRegistryMonitor;
};

}  // namespace utility
