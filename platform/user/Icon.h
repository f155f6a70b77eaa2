#pragma once
// Icons: colour pictures with transparency, from a module's icon resources
// (whole .ico files), from a colour and a mask bitmap, or the system's own;
// drawn into any device context at any size. A window keeps a big and a
// small icon (WM_SETICON, WM_GETICON), and its caption shows the small one.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/Resources.h"
#include "platform/kernel/Types.h"
#include "platform/user/Controls.h"  // IMAGE_ICON

namespace plat {

inline const char* const IDI_APPLICATION = MAKEINTRESOURCEA(32512);
inline const char* const IDI_HAND = MAKEINTRESOURCEA(32513);
inline const char* const IDI_QUESTION = MAKEINTRESOURCEA(32514);
inline const char* const IDI_EXCLAMATION = MAKEINTRESOURCEA(32515);
inline const char* const IDI_ASTERISK = MAKEINTRESOURCEA(32516);
inline const char* const IDI_WINLOGO = MAKEINTRESOURCEA(32517);
inline const char* const IDI_ERROR = IDI_HAND;
inline const char* const IDI_WARNING = IDI_EXCLAMATION;
inline const char* const IDI_INFORMATION = IDI_ASTERISK;

constexpr UINT WM_GETICON = 0x007F;
constexpr UINT WM_SETICON = 0x0080;
constexpr WPARAM ICON_SMALL = 0;
constexpr WPARAM ICON_BIG = 1;
// The small icon, or else one made from the big icon.
constexpr WPARAM ICON_SMALL2 = 2;

// DrawIconEx: the mask, the picture, or both (the icon over what is there).
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = DI_MASK | DI_IMAGE;
constexpr UINT DI_DEFAULTSIZE = 0x0008;

// LoadImageA and CopyImage.
constexpr UINT LR_DEFAULTCOLOR = 0x0000;
constexpr UINT LR_COPYDELETEORG = 0x0008;
constexpr UINT LR_DEFAULTSIZE = 0x0040;
constexpr UINT LR_SHARED = 0x8000;

// Icons are drawn in colour and mask: a mask bit 1 (white) keeps what is
// below, 0 shows the colour.
struct ICONINFO {
  BOOL fIcon = TRUE;
  DWORD xHotspot = 0;
  DWORD yHotspot = 0;
  HBITMAP hbmMask = nullptr;
  HBITMAP hbmColor = nullptr;
};

// A null instance loads a system icon (IDI_*); with a module, its RT_ICON
// resource of that name or number, a whole .ico file whose image nearest to
// SM_CXICON x SM_CYICON is taken. Both are shared: the same handle each time,
// and DestroyIcon leaves them.
HICON LoadIconA(HINSTANCE instance, const char* name);
// IMAGE_ICON only (Controls.h): the image nearest to cx x cy (0 with LR_DEFAULTSIZE, or 0
// without a size: SM_CXICON), scaled to that size. A new icon unless
// LR_SHARED (then loaded once per name and size).
HANDLE LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT flags);
// The colour bitmap (any depth; a 32-bit one with alpha decides by its
// alpha) and the mask; without a colour bitmap, a monochrome icon whose mask
// is twice as high (AND half on top, XOR half below).
HICON CreateIconIndirect(const ICONINFO* info);
// New bitmaps the caller frees: a 32-bit colour bitmap and a monochrome mask.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
// IMAGE_ICON only: a copy at cx x cy (0: the icon's own size);
// LR_COPYDELETEORG destroys the original.
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);
BOOL DestroyIcon(HICON icon);
// Draws the icon at (x, y) in cx x cy (0: its own size, or SM_CXICON with
// DI_DEFAULTSIZE). A flicker-free brush fills the rectangle first. Clipping
// and the DC's origin apply as to any blit.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flicker_free, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

}  // namespace plat

namespace plat::user {

// A decoded icon picture: 0xAARRGGBB, top row first; alpha 0 is transparent.
struct IconImage {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

// The image of a .ico file nearest to want_width x want_height (1, 4, 8, 24
// and 32-bit images; others are skipped); nullopt for a file that holds none.
// Every size and offset is checked: resource data may come from anywhere.
std::optional<IconImage> DecodeIconFile(const BYTE* data, size_t size, int want_width, int want_height);
// The picture of an icon handle, or nullopt.
std::optional<IconImage> IconPicture(HICON icon);
// The window's icon for its caption: its small icon, its big one, or the class's.
HICON CaptionIcon(HWND hwnd);
// Adds WM_SETICON and WM_GETICON to the default window procedure.
void InstallIcons();

}  // namespace plat::user
