#pragma once
// The shell components: file operations with the Trash, a file type's
// association, and the taskbar's start button (which no Linux panel lets
// another program reach: that component finds no button and says so).
#include <functional>
#include <memory>
#include <string>

#include "platform/user/Icon.h"
#include "utility/qelComponents.h"

namespace utility {

enum TqelFileOperationType { fotCopy, fotDelete, fotMove, fotRename };
enum TqelFileOperationFlag {
  fofAllowUndo,
  fofFilesOnly,
  fofNoConfirmation,
  fofNoConfirmMkDir,
  fofNoErrorUI,
  fofRenameCollision,
  fofSilent,
  fofSimpleProgress
};
using TqelFileOperationFlags = vcl::TSet<TqelFileOperationFlag>;
using TqelFileOperationEvent =
    std::function<void(vcl::TObject* sender, const std::string& text, bool& handled)>;

class TqelFileOperation : public TqelComponent {
  VCL_DECLARE_CLASS(TqelFileOperation, TqelComponent)
 public:
  explicit TqelFileOperation(vcl::TComponent* owner);
  ~TqelFileOperation() override;

  vcl::TStrings* FileList() const { return file_list_.get(); }
  void SetFileList(vcl::TStrings* value) { file_list_->Assign(value); }
  const std::string& DestFolder() const { return dest_folder_; }
  void SetDestFolder(const std::string& value) { dest_folder_ = value; }
  // Kept for the description; no progress window is shown.
  const std::string& ProgressTitle() const { return progress_title_; }
  void SetProgressTitle(const std::string& value) { progress_title_ = value; }
  TqelFileOperationType Operation() const { return operation_; }
  void SetOperation(TqelFileOperationType value) { operation_ = value; }
  TqelFileOperationFlags Options() const { return options_; }
  void SetOptions(TqelFileOperationFlags value) { options_ = value; }
  TqelFileOperationEvent OnError;

  // True only when every file was done; a declined confirmation gives
  // False without an error report.
  virtual bool ExecuteOperation(TqelFileOperationType operation);
  // The system's text for an error number; empty for 0.
  virtual void GetErrorText(int code, std::string& text);
  virtual bool DoError(const std::string& text);
  virtual bool Execute() { return ExecuteOperation(operation_); }

 private:
  std::unique_ptr<vcl::TStringList> file_list_;
  std::string dest_folder_;
  std::string progress_title_;
  TqelFileOperationType operation_ = fotCopy;
  TqelFileOperationFlags options_{fofAllowUndo, fofFilesOnly, fofRenameCollision};
};

// A file type's association, kept in the registry's classes root and
// exported to the desktop (a MIME type for the extension and an entry that
// opens it).
class TqelFileAssociation : public TqelComponent {
  VCL_DECLARE_CLASS(TqelFileAssociation, TqelComponent)
 public:
  enum Verb { vOpen, vOpenNew, vEdit, vPrint, vPrintTo, kVerbs };

  explicit TqelFileAssociation(vcl::TComponent* owner);
  ~TqelFileAssociation() override;

  const std::string& Extension() const { return extension_; }
  void SetExtension(const std::string& value);
  const std::string& ExtDescription() const { return ext_description_; }
  void SetExtDescription(const std::string& value) { Write(ext_description_, value); }
  const std::string& FileDescription() const { return file_description_; }
  void SetFileDescription(const std::string& value) { Write(file_description_, value); }
  const std::string& IconFile() const { return icon_file_; }
  void SetIconFile(const std::string& value) { Write(icon_file_, value); }
  int IconIndex() const { return icon_index_; }
  void SetIconIndex(int value) { Write(icon_index_, value); }
  // What the registry names; writes are ignored.
  plat::HICON LargeIcon() const { return large_icon_; }
  plat::HICON SmallIcon() const { return small_icon_; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }

  const std::string& Command(Verb verb) const { return commands_[verb]; }
  void SetCommand(Verb verb, const std::string& value) { Write(commands_[verb], value); }
  const std::string& CommandDescription(Verb verb) const { return descriptions_[verb]; }
  void SetCommandDescription(Verb verb, const std::string& value) { Write(descriptions_[verb], value); }
#define QEL_VERB_ACCESSORS(Name, verb)                                                \
  const std::string& Name##Command() const { return commands_[verb]; }                \
  void Set##Name##Command(const std::string& value) { SetCommand(verb, value); }      \
  const std::string& Name##CommandDescription() const { return descriptions_[verb]; } \
  void Set##Name##CommandDescription(const std::string& value) { SetCommandDescription(verb, value); }
  QEL_VERB_ACCESSORS(Open, vOpen)
  QEL_VERB_ACCESSORS(OpenNew, vOpenNew)
  QEL_VERB_ACCESSORS(Edit, vEdit)
  QEL_VERB_ACCESSORS(Print, vPrint)
  QEL_VERB_ACCESSORS(PrintTo, vPrintTo)
#undef QEL_VERB_ACCESSORS

  virtual bool Refresh();
  virtual bool Register();
  virtual bool Unregister();
  virtual void Changed();
  void Loaded() override;

  // Splits a DefaultIcon value into its file and index.
  static void ParseDefaultIcon(const std::string& value, std::string& file, int& index);

 private:
  bool Busy() const;
  bool Designing() const { return ComponentState().Contains(vcl::csDesigning); }
  template <class T>
  void Write(T& field, const T& value);
  void SetIcons(plat::HICON large, plat::HICON small);

  std::string extension_;
  std::string ext_description_;
  std::string file_description_;
  std::string icon_file_;
  int icon_index_ = 0;
  plat::HICON large_icon_ = nullptr;
  plat::HICON small_icon_ = nullptr;
  bool read_only_ = true;
  std::string commands_[kVerbs];
  std::string descriptions_[kVerbs];
};

// The taskbar's start button. Panels are other programs here, and no
// desktop lets a program move or hide their parts: reads give 0 and False,
// writes change nothing.
class TqelStartButtonProperties : public TqelComponent {
  VCL_DECLARE_CLASS(TqelStartButtonProperties, TqelComponent)
 public:
  explicit TqelStartButtonProperties(vcl::TComponent* owner);

  int ButtonLeft() { return ReadBounds().left; }
  void SetButtonLeft(int value) { SetBounds(value, rect_.top, Width(), Height()); }
  int ButtonTop() { return ReadBounds().top; }
  void SetButtonTop(int value) { SetBounds(rect_.left, value, Width(), Height()); }
  int ButtonWidth() { return Width(ReadBounds()); }
  void SetButtonWidth(int value) { SetBounds(rect_.left, rect_.top, value, Height()); }
  int ButtonHeight() { return Height(ReadBounds()); }
  void SetButtonHeight(int value) { SetBounds(rect_.left, rect_.top, Width(), value); }
  bool Enabled() const;
  void SetEnabled(bool value);
  bool Visible() const;
  void SetVisible(bool value);
  plat::HWND Button() const { return button_; }

  virtual plat::RECT ReadBounds();
  virtual void SetBounds(int left, int top, int width, int height);

 private:
  int Width(const plat::RECT& r) const { return r.right - r.left; }
  int Height(const plat::RECT& r) const { return r.bottom - r.top; }
  int Width() const { return Width(rect_); }
  int Height() const { return Height(rect_); }

  plat::HWND button_ = nullptr;
  plat::RECT rect_{};
};

}  // namespace utility
