#pragma once
// File dialogs on the platform's open and save dialogs with a hook: the
// general hooked open dialog, and the wave dialogs whose panel below the
// file list shows the selected file's format, its picture, a drawing of its
// waveform with the play position, and plays it as a preview.
//
// The dialogs are explorer style only. A dialog template here is a table of
// controls in dialog units that the hook creates in the dialog's child area
// when the dialog opens; the named templates live in this unit.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/MMObj.h"
#include "engine/MMVisual.h"
#include "files/MMADCvt.h"
#include "files/MMWave.h"
#include "platform/user/CommonDialogs.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtTimer.h"
#include "platform/vcl/Graphics.h"

namespace engine {
class TMMWaveOut;
}

namespace files {

enum TOpenOptionEx { ofExNoPlacesBar };
using TOpenOptionsEx = vcl::TSet<TOpenOptionEx>;

using TMMFileOKEvent = std::function<void(vcl::TObject* sender, const std::string& file_name, bool& accept)>;
using TMMSelectionChangeEvent = std::function<void(vcl::TObject* sender, const std::string& file_name)>;
using TMMCommandEvent =
    std::function<void(vcl::TObject* sender, plat::HWND wnd, int notify_code, int control_id)>;

// One control of a dialog template; position and size in dialog units.
struct TMMDialogItem {
  const char* class_name;
  const char* text;
  int id;
  plat::DWORD style;
  int x, y, cx, cy;
};

// The template of that name (letter case ignored), or null.
const std::vector<TMMDialogItem>* FindDialogTemplate(const std::string& name);

class TMMCustomOpenDialog : public engine::TMMCommonDialog {
  VCL_DECLARE_CLASS(TMMCustomOpenDialog, engine::TMMCommonDialog)
 public:
  explicit TMMCustomOpenDialog(vcl::TComponent* owner);
  ~TMMCustomOpenDialog() override;

  // Runs the dialog; true when the user confirmed.
  bool Execute() override;

  vcl::TOpenOptions Options() const { return options_; }
  void SetOptions(vcl::TOpenOptions value) { options_ = value; }
  TOpenOptionsEx OptionsEx() const { return options_ex_; }
  void SetOptionsEx(TOpenOptionsEx value) { options_ex_ = value; }
  const std::string& Filter() const { return filter_; }
  void SetFilter(const std::string& value) { filter_ = value; }
  int FilterIndex() const { return filter_index_; }
  void SetFilterIndex(int value) { filter_index_ = value; }
  const std::string& InitialDir() const { return initial_dir_; }
  // One trailing backslash goes, unless it follows a drive colon.
  void SetInitialDir(const std::string& value);
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& value) { title_ = value; }
  const std::string& DefaultExt() const { return default_ext_; }
  void SetDefaultExt(const std::string& value) { default_ext_ = value; }
  const std::string& FileName() const { return file_name_; }
  void SetFileName(const std::string& value) { file_name_ = value; }
  const std::string& Template() const { return template_; }
  void SetTemplate(const std::string& value) { template_ = value; }
  // Every file selected by the last confirmed run.
  vcl::TStringList* Files() const { return files_.get(); }
  // With multi-selection, the names of the last file-OK notification.
  vcl::TStringList* FileOKList() const { return file_ok_list_.get(); }
  // The hook's window (the dialog's child area) while the dialog is shown.
  plat::HWND DialogWindow() const { return wnd_; }

  TMMFileOKEvent OnFileOK;
  TMMSelectionChangeEvent OnSelectionChange;
  TMMCommandEvent OnCommand;

 protected:
  virtual void DoShow();
  virtual void DoClose();
  virtual void DoFileOK(const std::string& file_name, bool& accept);
  virtual void DoSelectionChange(const std::string& file_name);
  virtual void DoCommand(plat::HWND wnd, int notify_code, int control_id);
  virtual plat::BOOL RunDialog(plat::OPENFILENAMEA* ofn) { return plat::GetOpenFileNameA(ofn); }
  // A control of the template by its id, or null.
  plat::HWND Item(int id) const;

 private:
  static plat::UINT_PTR Hook(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam);
  void CreateTemplateItems();
  void FileOK(const plat::OFNOTIFYA& notify);

  std::unique_ptr<vcl::TStringList> strings_;  // owned, not used otherwise
  vcl::TOpenOptions options_;
  TOpenOptionsEx options_ex_;
  std::string filter_;
  int filter_index_ = 1;
  std::string initial_dir_;
  std::string title_;
  std::string default_ext_;
  std::string file_name_;
  std::string template_;
  std::unique_ptr<vcl::TStringList> files_;
  std::unique_ptr<vcl::TStringList> file_ok_list_;
  plat::HWND wnd_ = nullptr;
};

// The ids of the wave dialogs' panel.
constexpr int kPlayButtonId = 1000;
constexpr int kPreviewBoxId = 1001;
constexpr int kAutoPlayBoxId = 1002;
constexpr int kFormatTextId = 1003;
constexpr int kWavePanelId = 1004;
constexpr int kPicturePanelId = 1005;

class TMMWaveOpenDialog : public TMMCustomOpenDialog {
  VCL_DECLARE_CLASS(TMMWaveOpenDialog, TMMCustomOpenDialog)
 public:
  explicit TMMWaveOpenDialog(vcl::TComponent* owner);
  ~TMMWaveOpenDialog() override;

  engine::TMMDeviceId DeviceID() const { return device_id_; }
  void SetDeviceID(engine::TMMDeviceId value) { device_id_ = value; }
  vcl::TColor ForeColor() const { return fore_color_; }
  void SetForeColor(vcl::TColor value) { fore_color_ = value; }
  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor value) { color_ = value; }
  vcl::TColor LocatorColor() const { return locator_color_; }
  void SetLocatorColor(vcl::TColor value) { locator_color_ = value; }
  bool Preview() const { return preview_; }
  void SetPreview(bool value) { preview_ = value; }
  bool AutoPlay() const { return auto_play_; }
  void SetAutoPlay(bool value) { auto_play_ = value; }

  // The preview chain while the dialog is shown, else null.
  TMMWaveFile* PreviewFile() const { return preview_file_.get(); }
  engine::TMMWaveOut* PreviewPlayer() const { return player_.get(); }
  bool Playing() const;
  // The waveform's four values per column (left pair, right pair).
  const std::vector<int16_t>& View() const { return view_; }
  // The player's buffer size for the format it receives.
  static int32_t PreviewBufferSize(const plat::WAVEFORMATEX* format);

 protected:
  void DoShow() override;
  void DoClose() override;
  void DoFileOK(const std::string& file_name, bool& accept) override;
  void DoSelectionChange(const std::string& file_name) override;
  void DoCommand(plat::HWND wnd, int notify_code, int control_id) override;
  // The save dialog takes any name.
  virtual bool ChecksWaveFile() const { return true; }

 private:
  static plat::LRESULT PanelProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                 plat::LPARAM lparam, plat::UINT_PTR id, plat::DWORD_PTR ref_data);
  void UpdatePanel();
  void BuildView();
  void PaintWave(plat::HDC dc);
  void PaintPicture(plat::HDC dc);
  // The waveform's area: the panel's client less 2 pixels on every side.
  plat::RECT ViewRect() const;
  int ViewY(int value) const;
  void DrawColumn(plat::HDC dc, int column);
  void MoveLocator(int64_t position);
  void DrawLocatorLine(int64_t position);
  bool IsPCMWave() const;
  bool CanPlay() const;
  void StartPlayer();
  void ClosePlayer();
  void PlayerStarted(vcl::TObject*);
  void PlayerStopped(vcl::TObject*);
  void TimerTick(vcl::TObject*);

  engine::TMMDeviceId device_id_ = engine::MapperId;
  vcl::TColor fore_color_ = 65280;
  vcl::TColor color_ = 0;
  vcl::TColor locator_color_ = 255;
  bool preview_ = false;
  bool auto_play_ = false;
  bool view_pending_ = false;
  int64_t locator_ = -1;
  bool has_output_ = false;
  std::vector<int16_t> view_;
  std::vector<uint8_t> picture_;  // the file's first DISP bitmap, packed
  std::unique_ptr<TMMWaveFile> preview_file_;
  std::unique_ptr<TMMADPCMConverter> converter_;
  std::unique_ptr<engine::TMMWaveOut> player_;
  std::unique_ptr<vcl::TTimer> timer_;
  plat::HWND wave_panel_ = nullptr;
  plat::HWND picture_panel_ = nullptr;
};

class TMMWaveSaveDialog : public TMMWaveOpenDialog {
  VCL_DECLARE_CLASS(TMMWaveSaveDialog, TMMWaveOpenDialog)
 public:
  explicit TMMWaveSaveDialog(vcl::TComponent* owner);

 protected:
  plat::BOOL RunDialog(plat::OPENFILENAMEA* ofn) override { return plat::GetSaveFileNameA(ofn); }
  bool ChecksWaveFile() const override { return false; }
};

}  // namespace files
