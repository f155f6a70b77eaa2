#pragma once
// The single-instance and autorun components.
#include <functional>
#include <string>

#include "utility/qelComponents.h"
#include "utility/qelSysUtils.h"

namespace utility {

using TqelOneInstanceShowMessage = std::function<void(vcl::TObject* sender, bool& terminate)>;

// Lets one copy of the program run per user and display. The first copy
// holds the instance until the program ends; a later copy hands its command
// line to it, which brings its main form back.
class TqelOneInstance : public TqelComponent {
  VCL_DECLARE_CLASS(TqelOneInstance, TqelComponent)
 public:
  using TqelComponent::TqelComponent;

  bool ActivatePrevInstance() const { return activate_prev_instance_; }
  void SetActivatePrevInstance(bool value) { activate_prev_instance_ = value; }
  bool ExeNameAsIdentifier() const { return exe_name_as_identifier_; }
  void SetExeNameAsIdentifier(bool value) { exe_name_as_identifier_ = value; }
  const std::string& Identifier() const { return identifier_; }
  void SetIdentifier(const std::string& value) { identifier_ = value; }
  bool ShowMessage() const { return show_message_; }
  void SetShowMessage(bool value) { show_message_ = value; }
  const std::string& Message() const { return message_; }
  void SetMessage(const std::string& value) { message_ = value; }
  TqelOneInstanceShowMessage OnShowMessage;

  // The name the copies of this program meet under.
  std::string InstanceName() const;
  virtual bool IsRunning();
  virtual bool Check();
  void Loaded() override;

 protected:
  virtual void DoActivatePrevious();
  virtual void DoShowMessage();

 private:
  bool Designing() const { return ComponentState().Contains(vcl::csDesigning); }

  bool activate_prev_instance_ = true;
  bool exe_name_as_identifier_ = false;
  std::string identifier_;
  bool show_message_ = false;
  std::string message_;
  bool terminate_ = false;
};

// Keeps the program's entry among the programs started at login.
class TqelAutoRun : public TqelComponent {
  VCL_DECLARE_CLASS(TqelAutoRun, TqelComponent)
 public:
  explicit TqelAutoRun(vcl::TComponent* owner);

  bool AutoRun() const { return auto_run_; }
  void SetAutoRun(bool value);
  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& value);
  TqelAutoExecKind Kind() const { return kind_; }
  void SetKind(TqelAutoExecKind value);

  // Raises EqelRegistry when the entry's folder cannot be written.
  virtual void Apply();
  virtual void Remove();
  // Applies once; a failure here is left for an explicit Apply to report.
  void Loaded() override;

 private:
  bool Designing() const { return ComponentState().Contains(vcl::csDesigning); }
  bool Reading() const { return ComponentState().Contains(vcl::csLoading); }
  template <class T>
  void Change(T& field, const T& value);

  bool auto_run_ = false;
  std::string file_name_;
  TqelAutoExecKind kind_ = aekMachineRun;
};

enum TqelShutdownActionType { aatPowerOff, aatShutdown, aatReboot, aatLogOff, aatSuspend, aatHibernate };
using TqelQueryShutdownEvent = std::function<void(vcl::TObject* sender, bool& can_shutdown)>;

// Logs off, shuts down, restarts, suspends or hibernates through the login
// manager, which may ask the user for leave.
class TqelShutdown : public TqelComponent {
  VCL_DECLARE_CLASS(TqelShutdown, TqelComponent)
 public:
  using TqelComponent::TqelComponent;

  TqelShutdownActionType ActionType() const { return action_type_; }
  void SetActionType(TqelShutdownActionType value) { action_type_ = value; }
  bool Force() const { return force_; }
  void SetForce(bool value) { force_ = value; }
  TqelQueryShutdownEvent OnQueryShutdown;

  // The flags the action asks the platform for (power off 8, shut down 1,
  // reboot 2, log off 0, with 4 added by Force); 0 for the power states.
  static plat::UINT ExitFlags(TqelShutdownActionType action, bool force);
  // True when the login manager took the request.
  virtual bool Execute();

 protected:
  virtual void DoQueryShutdown(bool& can_shutdown);

 private:
  TqelShutdownActionType action_type_ = aatPowerOff;
  bool force_ = false;
};

// Gives up the instance this program holds (at shut-down).
void ReleaseInstance();

}  // namespace utility
