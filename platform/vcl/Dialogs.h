#pragma once
// The class library's dialogs over the layer's common dialogs and message
// boxes: TOpenDialog, TSaveDialog, TColorDialog, TPrintDialog, MessageDlg
// and ShowMessage.
#include <string>
#include <vector>

#include "platform/kernel/UnitTable.h"
#include "platform/user/CommonDialogs.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/Lists.h"

namespace vcl {

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};
inline const TMsgDlgButtons mbAbortRetryIgnore{mbAbort, mbRetry, mbIgnore};

// A message box titled by the type ("Warning", "Error", "Information",
// "Confirmation"; the application's title for mtCustom) with the buttons
// nearest to `buttons` the layer offers; returns mrYes, mrOk, ...
TModalResult MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int help_context);
// An information-less box with OK, titled by the application.
void ShowMessage(const std::string& msg);

// Routes the application's message boxes (vcl::SetMessageBoxSink) to
// MessageBoxA; the start-up table does it through RegisterDialogsUnit.
void UseMessageBoxSink();
void RegisterDialogsUnit(plat::UnitTable& table);

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing,
  ofDontAddToRecent,
  ofForceShowHidden
};
using TOpenOptions = TSet<TOpenOption>;
// The OFN_* flags of the options (ofOldStyleDialog has none), and the
// options' identifiers in declaration order.
plat::DWORD OpenOptionFlags(TOpenOptions options);
const std::vector<std::string>& OpenOptionNames();

// An open or save request as the class library's dialogs fill it: the
// bar-separated filter as the layer's zero-separated pairs, a file buffer of
// `file_chars` holding `file_name`, and the texts (an empty one stays null).
// The record points into the request, which therefore stays put.
class TFileRequest {
 public:
  TFileRequest(const std::string& filter, int filter_index, const std::string& file_name, size_t file_chars,
               const std::string& initial_dir, const std::string& title, const std::string& default_ext);
  TFileRequest(const TFileRequest&) = delete;
  TFileRequest& operator=(const TFileRequest&) = delete;

  plat::OPENFILENAMEA ofn;
  // The file buffer, as the dialog left it.
  const std::vector<char>& File() const { return file_; }

 private:
  std::string filter_;
  std::vector<char> file_;
  std::string initial_dir_;
  std::string title_;
  std::string default_ext_;
};

// Base of the dialog components: Execute runs the dialog modally.
class TCommonDialog : public TComponent {
  VCL_DECLARE_CLASS(TCommonDialog, TComponent)
 public:
  using TComponent::TComponent;
  virtual bool Execute() = 0;
  TNotifyEvent OnShow;
  TNotifyEvent OnClose;

 protected:
  plat::HWND OwnerWindow() const;
};

class TOpenDialog : public TCommonDialog {
  VCL_DECLARE_CLASS(TOpenDialog, TCommonDialog)
 public:
  explicit TOpenDialog(TComponent* owner);
  bool Execute() override;

  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& value) { file_name_ = value; }
  // Pairs of description and patterns separated by bars: "Text|*.txt|All|*.*".
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& value) { filter_ = value; }
  int FilterIndex() const { return filter_index_; }
  void SetFilterIndex(int value) { filter_index_ = value; }
  const std::string& InitialDir() const { return initial_dir_; }
  void SetInitialDir(const std::string& value) { initial_dir_ = value; }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) { title_ = value; }
  const std::string& DefaultExt() const { return default_ext_; }
  void SetDefaultExt(const std::string& value) { default_ext_ = value; }
  TOpenOptions Options() const { return options_; }
  void SetOptions(TOpenOptions value) { options_ = value; }
  TStrings* Files() const { return files_.get(); }

 protected:
  virtual bool Save() const { return false; }

 private:
  std::string file_name_;
  std::string filter_;
  int filter_index_ = 1;
  std::string initial_dir_;
  std::string title_;
  std::string default_ext_;
  TOpenOptions options_{ofHideReadOnly, ofEnableSizing};
  std::unique_ptr<TStringList> files_;
};

class TSaveDialog : public TOpenDialog {
  VCL_DECLARE_CLASS(TSaveDialog, TOpenDialog)
 public:
  using TOpenDialog::TOpenDialog;

 protected:
  bool Save() const override { return true; }
};

enum TColorDialogOption { cdFullOpen, cdPreventFullOpen, cdShowHelp, cdSolidColor, cdAnyColor };
using TColorDialogOptions = TSet<TColorDialogOption>;

class TColorDialog : public TCommonDialog {
  VCL_DECLARE_CLASS(TColorDialog, TCommonDialog)
 public:
  explicit TColorDialog(TComponent* owner);
  bool Execute() override;
  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  // "ColorA=808080" .. "ColorP=..." as the class library keeps them. An entry
  // that is missing or not hexadecimal offers white; Execute writes all 16 back.
  TStrings* CustomColors() const { return custom_.get(); }
  void SetCustomColors(TStrings* value) { custom_->Assign(value); }
  // cdFullOpen opens the dialog with its custom-colour part shown.
  TColorDialogOptions Options() const { return options_; }
  void SetOptions(TColorDialogOptions value) { options_ = value; }

 private:
  TColor color_ = clBlack;
  TColorDialogOptions options_;
  std::unique_ptr<TStringList> custom_;
};

class TPrintDialog : public TCommonDialog {
  VCL_DECLARE_CLASS(TPrintDialog, TCommonDialog)
 public:
  using TCommonDialog::TCommonDialog;
  // Chooses the printer of Printer() and its copies.
  bool Execute() override;
  int Copies() const { return copies_; }
  void SetCopies(int value) { copies_ = value; }

 private:
  int copies_ = 0;
};

// Registers the dialog classes for form descriptions.
void RegisterDialogClasses();

}  // namespace vcl
