#pragma once
// The common dialogs: open and save (filters, folder, default extension,
// the existence and overwrite checks, a hook procedure with the CDN_*
// notifications and a child area for the caller's controls), colour (with
// 16 custom colours) and print (the built-in "PDF file" printer and the CUPS
// printers). All are modal windows of the dialog class that the dialog
// script (MessageBox.h) can answer.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/kernel/ThreadQueue.h"
#include "platform/kernel/Types.h"
#include "platform/user/MessageBox.h"
#include "platform/user/Window.h"

namespace plat {

constexpr UINT WM_NOTIFY = 0x004E;
constexpr UINT WM_INITDIALOG = 0x0110;

struct NMHDR {
  HWND hwndFrom = nullptr;
  UINT_PTR idFrom = 0;
  UINT code = 0;
};

// Hook procedures answer like dialog procedures; a result for the dialog
// goes into the hook window's DWLP_MSGRESULT.
using LPOFNHOOKPROC = UINT_PTR (*)(HWND, UINT, WPARAM, LPARAM);
using LPCCHOOKPROC = LPOFNHOOKPROC;
using LPPRINTHOOKPROC = LPOFNHOOKPROC;
constexpr int DWLP_MSGRESULT = 0;
constexpr int DWLP_DLGPROC = static_cast<int>(sizeof(LONG_PTR));
constexpr int DWLP_USER = static_cast<int>(2 * sizeof(LONG_PTR));

constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_SHOWHELP = 0x00000010;
constexpr DWORD OFN_ENABLEHOOK = 0x00000020;
constexpr DWORD OFN_ENABLETEMPLATE = 0x00000040;
constexpr DWORD OFN_ENABLETEMPLATEHANDLE = 0x00000080;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_EXTENSIONDIFFERENT = 0x00000400;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_SHAREAWARE = 0x00004000;
constexpr DWORD OFN_NOREADONLYRETURN = 0x00008000;
constexpr DWORD OFN_NOTESTFILECREATE = 0x00010000;
constexpr DWORD OFN_NONETWORKBUTTON = 0x00020000;
constexpr DWORD OFN_NOLONGNAMES = 0x00040000;
constexpr DWORD OFN_EXPLORER = 0x00080000;
constexpr DWORD OFN_NODEREFERENCELINKS = 0x00100000;
constexpr DWORD OFN_LONGNAMES = 0x00200000;
constexpr DWORD OFN_ENABLEINCLUDENOTIFY = 0x00400000;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;
constexpr DWORD OFN_DONTADDTORECENT = 0x02000000;
constexpr DWORD OFN_FORCESHOWHIDDEN = 0x10000000;
constexpr DWORD OFN_EX_NOPLACESBAR = 0x00000001;

constexpr UINT CDN_FIRST = static_cast<UINT>(-601);
constexpr UINT CDN_INITDONE = CDN_FIRST - 0;
constexpr UINT CDN_SELCHANGE = CDN_FIRST - 1;
constexpr UINT CDN_FOLDERCHANGE = CDN_FIRST - 2;
constexpr UINT CDN_SHAREVIOLATION = CDN_FIRST - 3;
constexpr UINT CDN_HELP = CDN_FIRST - 4;
constexpr UINT CDN_FILEOK = CDN_FIRST - 5;
constexpr UINT CDN_TYPECHANGE = CDN_FIRST - 6;

// Sent to the dialog (the hook window's parent); answers the length copied.
constexpr UINT CDM_GETSPEC = WM_USER + 100;
constexpr UINT CDM_GETFILEPATH = WM_USER + 101;
constexpr UINT CDM_GETFOLDERPATH = WM_USER + 102;
constexpr UINT CDM_SETCONTROLTEXT = WM_USER + 104;
constexpr UINT CDM_HIDECONTROL = WM_USER + 105;
constexpr UINT CDM_SETDEFEXT = WM_USER + 106;

// CommDlgExtendedError.
constexpr DWORD CDERR_STRUCTSIZE = 0x0001;
constexpr DWORD CDERR_INITIALIZATION = 0x0002;
constexpr DWORD FNERR_BUFFERTOOSMALL = 0x3003;
constexpr DWORD FNERR_INVALIDFILENAME = 0x3002;

struct OPENFILENAMEA {
  DWORD lStructSize = sizeof(OPENFILENAMEA);
  HWND hwndOwner = nullptr;
  HINSTANCE hInstance = nullptr;
  const char* lpstrFilter = nullptr;  // description\0pattern\0...\0\0
  char* lpstrCustomFilter = nullptr;
  DWORD nMaxCustFilter = 0;
  DWORD nFilterIndex = 0;  // 1-based
  char* lpstrFile = nullptr;
  DWORD nMaxFile = 0;
  char* lpstrFileTitle = nullptr;
  DWORD nMaxFileTitle = 0;
  const char* lpstrInitialDir = nullptr;
  const char* lpstrTitle = nullptr;
  DWORD Flags = 0;
  WORD nFileOffset = 0;
  WORD nFileExtension = 0;
  const char* lpstrDefExt = nullptr;
  LPARAM lCustData = 0;
  LPOFNHOOKPROC lpfnHook = nullptr;
  const char* lpTemplateName = nullptr;
  void* pvReserved = nullptr;
  DWORD dwReserved = 0;
  DWORD FlagsEx = 0;
};

// WM_NOTIFY lParam of the CDN_* notifications.
struct OFNOTIFYA {
  NMHDR hdr;
  OPENFILENAMEA* lpOFN = nullptr;
  char* pszFile = nullptr;  // CDN_SHAREVIOLATION only
};

// Explorer style: the hook (OFN_ENABLEHOOK) runs as the dialog procedure of
// a child dialog ("#32770") of the dialog, below its own controls, sized by
// the hook's WM_INITDIALOG answer area (kFileDialogChildHeight); controls the
// hook creates in it show there. CDN_FILEOK answered with a non-zero
// DWLP_MSGRESULT keeps the dialog open.
constexpr int kFileDialogChildHeight = 80;
// The dialog's controls, for hooks: the folder path (Enter goes there), the
// folder's list (".." first; a double click or Enter opens a folder), the
// file name and the drop-down list of the filters.
constexpr int kFileDialogFolderId = 1152;
constexpr int kFileDialogListId = 1120;
constexpr int kFileDialogNameId = 1148;
constexpr int kFileDialogTypeId = 1136;
BOOL GetOpenFileNameA(OPENFILENAMEA* ofn);
BOOL GetSaveFileNameA(OPENFILENAMEA* ofn);
DWORD CommDlgExtendedError();

constexpr DWORD CC_RGBINIT = 0x00000001;
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_PREVENTFULLOPEN = 0x00000004;
constexpr DWORD CC_SHOWHELP = 0x00000008;
constexpr DWORD CC_ENABLEHOOK = 0x00000010;
constexpr DWORD CC_ENABLETEMPLATE = 0x00000020;
constexpr DWORD CC_ENABLETEMPLATEHANDLE = 0x00000040;
constexpr DWORD CC_SOLIDCOLOR = 0x00000080;
constexpr DWORD CC_ANYCOLOR = 0x00000100;

struct CHOOSECOLORA {
  DWORD lStructSize = sizeof(CHOOSECOLORA);
  HWND hwndOwner = nullptr;
  HWND hInstance = nullptr;
  COLORREF rgbResult = 0;
  COLORREF* lpCustColors = nullptr;  // 16 entries, kept between runs by the caller
  DWORD Flags = 0;
  LPARAM lCustData = 0;
  LPCCHOOKPROC lpfnHook = nullptr;
  const char* lpTemplateName = nullptr;
};

BOOL ChooseColorA(CHOOSECOLORA* cc);

constexpr DWORD PD_ALLPAGES = 0x00000000;
constexpr DWORD PD_SELECTION = 0x00000001;
constexpr DWORD PD_PAGENUMS = 0x00000002;
constexpr DWORD PD_NOSELECTION = 0x00000004;
constexpr DWORD PD_NOPAGENUMS = 0x00000008;
constexpr DWORD PD_COLLATE = 0x00000010;
constexpr DWORD PD_PRINTTOFILE = 0x00000020;
constexpr DWORD PD_PRINTSETUP = 0x00000040;
constexpr DWORD PD_NOWARNING = 0x00000080;
constexpr DWORD PD_RETURNDC = 0x00000100;
constexpr DWORD PD_RETURNIC = 0x00000200;
constexpr DWORD PD_RETURNDEFAULT = 0x00000400;
constexpr DWORD PD_SHOWHELP = 0x00000800;
constexpr DWORD PD_ENABLEPRINTHOOK = 0x00001000;
constexpr DWORD PD_USEDEVMODECOPIES = 0x00040000;
constexpr DWORD PD_DISABLEPRINTTOFILE = 0x00080000;
constexpr DWORD PD_HIDEPRINTTOFILE = 0x00100000;

// Names of the chosen printer: offsets (in characters) from the start of the block.
struct DEVNAMES {
  WORD wDriverOffset = 0;
  WORD wDeviceOffset = 0;
  WORD wOutputOffset = 0;
  WORD wDefault = 0;
};
constexpr WORD DN_DEFAULTPRN = 0x0001;

constexpr short DMORIENT_PORTRAIT = 1;
constexpr short DMORIENT_LANDSCAPE = 2;
constexpr short DMPAPER_LETTER = 1;
constexpr short DMPAPER_A4 = 9;
constexpr DWORD DM_ORIENTATION = 0x00000001;
constexpr DWORD DM_PAPERSIZE = 0x00000002;
constexpr DWORD DM_COPIES = 0x00000100;
constexpr DWORD DM_PRINTQUALITY = 0x00000400;
constexpr DWORD DM_YRESOLUTION = 0x00002000;

// The settings of one printer as the print dialog and CreateDCA exchange them.
struct DEVMODEA {
  char dmDeviceName[32] = {};
  WORD dmSpecVersion = 0x0401;
  WORD dmDriverVersion = 0;
  WORD dmSize = sizeof(DEVMODEA);
  WORD dmDriverExtra = 0;
  DWORD dmFields = 0;
  short dmOrientation = DMORIENT_PORTRAIT;
  short dmPaperSize = DMPAPER_A4;
  short dmPaperLength = 0;  // tenths of a millimetre
  short dmPaperWidth = 0;
  short dmScale = 100;
  short dmCopies = 1;
  short dmDefaultSource = 0;
  short dmPrintQuality = 150;  // dots per inch
  short dmColor = 2;
  short dmDuplex = 1;
  short dmYResolution = 150;
  short dmTTOption = 0;
  short dmCollate = 0;
};

struct PRINTDLGA {
  DWORD lStructSize = sizeof(PRINTDLGA);
  HWND hwndOwner = nullptr;
  HGLOBAL hDevMode = nullptr;   // DEVMODEA; the dialog allocates it when null
  HGLOBAL hDevNames = nullptr;  // DEVNAMES followed by the names
  HDC hDC = nullptr;
  DWORD Flags = 0;
  WORD nFromPage = 0;
  WORD nToPage = 0;
  WORD nMinPage = 0;
  WORD nMaxPage = 0;
  WORD nCopies = 1;
  HINSTANCE hInstance = nullptr;
  LPARAM lCustData = 0;
  LPPRINTHOOKPROC lpfnPrintHook = nullptr;
  LPPRINTHOOKPROC lpfnSetupHook = nullptr;
  const char* lpPrintTemplateName = nullptr;
  const char* lpSetupTemplateName = nullptr;
  HGLOBAL hPrintTemplate = nullptr;
  HGLOBAL hSetupTemplate = nullptr;
};

// PD_RETURNDEFAULT fills the device blocks for the default printer without a window.
BOOL PrintDlgA(PRINTDLGA* pd);

}  // namespace plat

namespace plat::user {

// "Text|*.txt|All|*.*" or "Text\0*.txt\0All\0*.*\0\0" into (description, patterns) pairs.
std::vector<std::pair<std::string, std::string>> ParseFilter(const char* filter, bool bar_separated);
// True when the file name (not its folder) matches one of "*.wav;*.mp3".
bool MatchesPatterns(const std::string& name, const std::string& patterns);

// A child window of the dialog class ("#32770") whose dialog procedure is
// `proc`: it gets every message after WM_NCCREATE, and where it answers
// non-zero the window returns its DWLP_MSGRESULT. A null `proc` leaves every
// message to the default procedure. The dialog's own class is made on demand.
HWND CreateChildDialog(HWND parent, LPOFNHOOKPROC proc, DWORD ex_style, DWORD style, int x, int y, int width,
                       int height);

}  // namespace plat::user
