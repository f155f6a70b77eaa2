#pragma once
// Message boxes as modal dialog windows, the modal loop the layer's dialogs
// share, and the dialog script: a test answers any of the layer's dialogs
// (a button, a file name, a colour, a printer) through the dialog's own
// handling, without pixels.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Types.h"
#include "platform/user/Window.h"

namespace plat {

constexpr UINT MB_OK = 0x00000000;
constexpr UINT MB_OKCANCEL = 0x00000001;
constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
constexpr UINT MB_YESNOCANCEL = 0x00000003;
constexpr UINT MB_YESNO = 0x00000004;
constexpr UINT MB_RETRYCANCEL = 0x00000005;
constexpr UINT MB_TYPEMASK = 0x0000000F;
constexpr UINT MB_ICONHAND = 0x00000010;
constexpr UINT MB_ICONERROR = MB_ICONHAND;
constexpr UINT MB_ICONSTOP = MB_ICONHAND;
constexpr UINT MB_ICONQUESTION = 0x00000020;
constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
constexpr UINT MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr UINT MB_ICONASTERISK = 0x00000040;
constexpr UINT MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr UINT MB_ICONMASK = 0x000000F0;
constexpr UINT MB_DEFBUTTON1 = 0x00000000;
constexpr UINT MB_DEFBUTTON2 = 0x00000100;
constexpr UINT MB_DEFBUTTON3 = 0x00000200;
constexpr UINT MB_DEFMASK = 0x00000F00;
constexpr UINT MB_APPLMODAL = 0x00000000;
constexpr UINT MB_SYSTEMMODAL = 0x00001000;
constexpr UINT MB_TASKMODAL = 0x00002000;
constexpr UINT MB_HELP = 0x00004000;
constexpr UINT MB_SETFOREGROUND = 0x00010000;
constexpr UINT MB_TOPMOST = 0x00040000;

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDRETRY = 4;
constexpr int IDIGNORE = 5;
constexpr int IDYES = 6;
constexpr int IDNO = 7;
constexpr int IDHELP = 9;

// The standard dialog window class; message boxes and common dialogs use it.
inline constexpr const char* kDialogClass = "#32770";

// Modal over `owner` (disabled meanwhile): the text with the icon and the
// buttons of `type`. Enter presses the default button, Esc Cancel (or OK when
// it is the only button), a button's underlined letter presses it. Returns
// the ID* of the button, 0 when the box could not be made.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

constexpr UINT MB_OKBEEP = 0xFFFFFFFF;  // the simple beep, as MessageBeep's type

// Plays the system sound that goes with a box of `type` (MB_ICON*, MB_OK or
// MB_OKBEEP) through the backend, without waiting for it.
BOOL MessageBeep(UINT type);

// Dialog units of the dialogs' font (DEFAULT_GUI_FONT): horizontal units
// are a quarter of its average character width, vertical ones an eighth of
// its height. GetDialogBaseUnits answers both in pixels (width low word).
LONG GetDialogBaseUnits();
// A rectangle in dialog units into pixels, for controls a dialog or a
// dialog's hook lays out as a template would. `dialog` may be null.
BOOL MapDialogRect(HWND dialog, RECT* rect);

// ---- the dialog script ----------------------------------------------------------

enum class DialogKind { MessageBox, Open, Save, Color, Print };

// What a dialog shows when it asks the script.
struct DialogRequest {
  DialogKind kind = DialogKind::MessageBox;
  HWND dialog = nullptr;
  std::string title;
  std::string text;                  // message boxes: the message; file dialogs: the folder
  UINT flags = 0;                    // MB_* or the dialog's flags
  std::vector<std::string> choices;  // file dialogs: filter descriptions; print: printers
};

// The user's answer. `button` IDOK or IDCANCEL for the common dialogs.
struct DialogAnswer {
  int button = IDOK;
  std::string file_name;  // absolute or relative to the dialog's folder
  int filter_index = 0;   // 1-based; 0 keeps the dialog's
  COLORREF color = 0;
  std::vector<COLORREF> custom_colors;  // replaces the first entries when given
  std::string printer;                  // empty keeps the selected one
  int copies = 0;                       // 0 keeps the dialog's
};

// Called each time a dialog waits for the user (again after a refused OK).
// No answer cancels the dialog, so a script never leaves one waiting. An
// empty script (the default) lets the user answer.
using DialogScript = std::function<std::optional<DialogAnswer>(const DialogRequest&)>;
void SetDialogScript(DialogScript script);

}  // namespace plat

namespace plat::user {

// One modal dialog run: Apply feeds a scripted answer through the dialog's
// own handling; Key handles a key message aimed at the dialog or its
// children (true when taken). The dialog ends with End(result).
class ModalDialog {
 public:
  virtual ~ModalDialog() = default;
  // Runs with `owner` disabled until End; returns the result.
  int Run(HWND dialog, HWND owner, const DialogRequest& request);
  void End(int result) {
    done_ = true;
    result_ = result;
  }
  bool Done() const { return done_; }
  // A window of the dialog class whose procedure hands messages to Message.
  HWND CreateDialogWindow(HWND owner, const char* caption, DWORD style, DWORD ex_style, int width,
                          int height);
  // The window procedure's share; true when handled.
  virtual bool Message(HWND, UINT, WPARAM, LPARAM, LRESULT*) { return false; }
  virtual void Cancel() = 0;

 protected:
  virtual void Apply(const DialogAnswer& answer) = 0;
  virtual bool Key(const MSG& msg) = 0;

 private:
  bool done_ = false;
  int result_ = 0;
};

// Takes the next message for a modal loop, turning backend input into
// messages while it waits; false on WM_QUIT (put back for the outer loop).
bool NextModalMessage(MSG* msg);

// A push button child of the layer's dialogs: WM_COMMAND(id, BN_CLICKED) to
// the parent when clicked. `default_button` draws the thicker frame.
HWND CreateDialogButton(HWND parent, int id, const char* text, int x, int y, int width, int height,
                        bool default_button);

}  // namespace plat::user
