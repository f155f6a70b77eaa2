#include "skin/WinSkinEdits.h"

#include <algorithm>
#include <string>

#include "platform/gdi/Gdi.h"
#include "platform/kernel/MulDiv.h"
#include "platform/kernel/ScopeGuard.h"
#include "platform/user/Controls.h"
#include "platform/user/Focus.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Paint.h"
#include "platform/user/Progress.h"
#include "platform/user/Screen.h"
#include "platform/user/Subclass.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/SysUtils.h"
#include "skin/ImgUtil.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/SkinRects.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinScroll.h"
#include "skin/WinSkinUpDown.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

using vcl::TRect;

void Frame(plat::HDC dc, const TRect& r, vcl::TColor colour) {
  plat::HBRUSH brush = plat::CreateSolidBrush(vcl::ColorToRGB(colour));
  const plat::RECT rect = r;
  plat::FrameRect(dc, &rect, brush);
  plat::DeleteObject(brush);
}

TRect Deflated(TRect r, int by) {
  r.left += by;
  r.top += by;
  r.right -= by;
  r.bottom -= by;
  return r;
}

}  // namespace

// ---------------------------------------------------------------- TSkinEdit

void TSkinEdit::PostProcessMessage(vcl::TMessage& message) {
  if (message.Msg == plat::WM_PRINT) {
    plat::HDC dc = reinterpret_cast<plat::HDC>(message.WParam);
    if (dc) {
      PrintBorder(dc);
      return;
    }
    if (!Handle() || SkinState() == kSkinWindowGone) return;
    dc = plat::GetWindowDC(Handle());
    if (!dc) return;
    PrintBorder(dc);
    plat::ReleaseDC(Handle(), dc);
    return;
  }
  TSkinControl::PostProcessMessage(message);
}

void DrawFlatBorder(TSkinControl* companion, plat::HDC dc, const TRect& rect, int whites) {
  plat::RECT client{};
  if (!companion->SkinData() || !plat::GetClientRect(companion->Handle(), &client)) return;
  // A window without a border has a client as large as itself.
  if (client.right == Width(rect) || client.bottom == Height(rect)) return;
  // The whole window's edge, not the client: the native edge is covered and
  // the text area is left alone.
  Frame(dc, rect, companion->SkinData()->Skin().ButtonShadow);
  for (int k = 1; k <= whites; ++k) Frame(dc, Deflated(rect, k), vcl::clWhite);
}

void TSkinEdit::DrawControl(plat::HDC dc, const TRect& rect) {
  if (skin_data_ && skin_data_->SkinControls().Contains(xcSpin)) SkinSpinChild();
  DrawFlatBorder(this, dc, rect, 2);
}

void TSkinEdit::SkinSpinChild() {
  if (!skin_form_) return;
  for (plat::HWND c = plat::GetWindow(Handle(), plat::GW_CHILD); c;
       c = plat::GetWindow(c, plat::GW_HWNDNEXT)) {
    char text[64] = {};
    plat::GetClassNameA(c, text, static_cast<int>(sizeof text));
    const std::string name = vcl::LowerCase(text);
    if (name != "msctls_updown32" && name.find("spin") == std::string::npos &&
        name.find("updown") == std::string::npos)
      continue;
    // Found by its window each time: its companion may have gone with it.
    if (plat::SendMessageA(c, SKM_ISSKINNED, 0, 0) != 1) {
      auto* spin = new TSkinUpDown();
      spin->InsideEdit = true;
      spin->AttachWindow(c, skin_data_, skin_form_, WorkCanvas);
    }
    return;
  }
}

void TSkinEdit::PrintBorder(plat::HDC dc) {
  plat::RECT client{}, window{};
  if (!skin_data_ || !plat::GetClientRect(Handle(), &client) || !plat::GetWindowRect(Handle(), &window))
    return;
  const TRect r = vcl::Rect(0, 0, window.right - window.left, window.bottom - window.top);
  if (client.right + 2 >= Width(r) || client.bottom + 2 >= Height(r)) return;
  const plat::RECT inner = Deflated(r, 1);
  plat::FrameRect(dc, &inner, static_cast<plat::HBRUSH>(plat::GetCurrentObject(dc, plat::OBJ_BRUSH)));
  Frame(dc, r, skin_data_->Skin().ButtonShadow);
}

// -------------------------------------------------------------- TSkinComBox

TSkinComBox::TSkinComBox(vcl::TComponent* subject)
    : TSkinControl(subject), alive_(std::make_shared<bool>(true)) {}

TSkinComBox::~TSkinComBox() {
  *alive_ = false;
  ReleaseEdit();
}

void TSkinComBox::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                                vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  if (Attached()) AttachParts();
}

void TSkinComBox::AttachWindow(plat::HWND handle, TSkinData* skin_data, TWinSkinForm* skin_form,
                               vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachWindow(handle, skin_data, skin_form, canvas);
  AttachParts();
}

void TSkinComBox::AttachParts() {
  if (!Handle()) return;
  StyleBits = static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE));
  ComboInfo = plat::COMBOBOXINFO{};
  const bool got = plat::GetComboBoxInfo(Handle(), &ComboInfo) != plat::FALSE;
  if ((StyleBits & 3) == plat::CBS_SIMPLE) {
    if (!got) return;
    ListHandle = ComboInfo.hwndList;
    // The always-shown list gets skinned bars; the form skin owns their
    // companion, found again by the list's window.
    const auto list_style = static_cast<plat::DWORD>(plat::GetWindowLongA(ListHandle, plat::GWL_STYLE));
    if (ListHandle && SkinForm() && !ListScrollbars() && !IsPopupWindow(ListHandle) &&
        (list_style & plat::WS_CHILD)) {
      auto* bars = new TSkinScrollbarH();
      bars->AttachWindow(ListHandle, skin_data_, SkinForm(), WorkCanvas);
    }
    return;
  }
  ListHandle = nullptr;
  // A drop-down list has no child window to follow.
  plat::HWND edit = got ? ComboInfo.hwndItem : nullptr;
  if (!edit || edit == Handle() || !plat::IsChild(Handle(), edit)) return;
  if (plat::SetWindowSubclass(edit, &TSkinComBox::EditProc, reinterpret_cast<plat::UINT_PTR>(this),
                              reinterpret_cast<plat::DWORD_PTR>(this)) != plat::FALSE)
    EditHandle = edit;
}

void TSkinComBox::ReleaseEdit() {
  if (!EditHandle) return;
  if (plat::IsWindow(EditHandle))
    plat::RemoveWindowSubclass(EditHandle, &TSkinComBox::EditProc, reinterpret_cast<plat::UINT_PTR>(this));
  EditHandle = nullptr;
}

TSkinControl* TSkinComBox::ListScrollbars() const {
  if (!ListHandle || !SkinForm()) return nullptr;
  return dynamic_cast<TSkinScrollbarH*>(SkinForm()->SkinnedControls().Find(ListHandle));
}

void TSkinComBox::ReleaseList() {
  TSkinControl* bars = ListScrollbars();
  ListHandle = nullptr;
  if (!bars) return;
  if (bars->SkinState() != kSkinWindowGone) bars->Unskin();
  TSkinControl::Free(bars);
}

void TSkinComBox::Unskin() {
  ReleaseEdit();
  ReleaseList();
  TSkinControl::Unskin();
}

plat::LRESULT TSkinComBox::EditProc(plat::HWND hwnd, plat::UINT message, plat::WPARAM wparam,
                                    plat::LPARAM lparam, plat::UINT_PTR, plat::DWORD_PTR ref) {
  auto* self = reinterpret_cast<TSkinComBox*>(ref);
  const std::shared_ptr<bool> alive = self->alive_;
  const plat::LRESULT result = plat::DefSubclassProc(hwnd, message, wparam, lparam);
  if (!*alive) return result;
  switch (message) {
    case plat::WM_PAINT:
      // The whole combo box repaints after its edit.
      self->PaintControl(nullptr);
      break;
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONDBLCLK:
      self->MouseState |= kSkinPressed;
      self->RepaintWindow();
      break;
    case plat::WM_LBUTTONUP:
      self->MouseState &= ~kSkinPressed;
      self->RepaintWindow();
      break;
    case plat::WM_NCDESTROY:
      self->EditHandle = nullptr;
      break;
    default:
      break;
  }
  return result;
}

void TSkinComBox::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONDBLCLK:
      MouseState |= kSkinPressed;
      RepaintWindow();
      break;
    case plat::WM_LBUTTONUP:
      MouseState &= ~kSkinPressed;
      RepaintWindow();
      break;
    case vcl::CM_MOUSEENTER:
      if (IsEnabled) MouseState |= kSkinHover;
      break;
    case vcl::CM_MOUSELEAVE:
      if (IsEnabled) {
        MouseState &= ~kSkinHover;
        RepaintWindow();
      }
      break;
    case plat::WM_DRAWITEM:
    case plat::WM_NCPAINT:
      RepaintWindow();
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

int TSkinComBox::CurrentFrame() const {
  if (!IsEnabled) return 3;
  if (MouseState & kSkinPressed) return 2;
  if (IsFocused || (MouseState & kSkinHover)) return 4;
  return 1;
}

void TSkinComBox::DrawControl(plat::HDC dc, const TRect& rect) {
  if (!skin_data_ || !Handle()) return;
  TParsedSkin& skin = skin_data_->Skin();
  TDataSkinBorder* button = skin.ComboButton.get();
  if (!button || button->Bitmap.Empty()) return;
  StyleBits = static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE));
  ExStyleBits = static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_EXSTYLE));
  ComboInfo = plat::COMBOBOXINFO{};
  if (plat::GetComboBoxInfo(Handle(), &ComboInfo)) {
    if (ComboInfo.stateButton & plat::STATE_SYSTEM_INVISIBLE) return;
    // The button is pressed while its list is open; the release that ends
    // the press goes to the list, so the press ends as the list closes.
    const bool dropped = ComboInfo.stateButton & plat::STATE_SYSTEM_PRESSED;
    if (dropped) MouseState |= kSkinPressed;
    if (!dropped && was_dropped_) MouseState &= ~kSkinPressed;
    was_dropped_ = dropped;
  }
  const plat::HWND focus = plat::GetFocus();
  IsFocused = focus && (focus == Handle() || plat::IsChild(Handle(), focus));
  IsEnabled = (StyleBits & plat::WS_DISABLED) == 0;
  if (button->Style == 1) {
    FlatPainter(dc, rect);
    return;
  }
  const TRect r = vcl::Rect(0, 0, Width(rect), Height(rect));
  const int frame = CurrentFrame();
  const int a = plat::GetSystemMetrics(plat::SM_CXVSCROLL);
  const bool left = (ExStyleBits & plat::WS_EX_LEFTSCROLLBAR) != 0;
  if (button->Style == 2) {
    // The composite the loader prepared: edge and button in one cell with a
    // see-through middle; the mirrored one for a button at the left.
    TDataSkinObject* element = button;
    if (left && skin.SunkEdge) element = skin.SunkEdge.get();
    SkinDrawElement(dc, r, &element->Bitmap, false, false, true, std::max(element->Frame, 1), frame,
                    Margins(*element));
    return;
  }
  // The caller's clip stays as it was.
  const int saved = plat::SaveDC(dc);
  plat::ScopeExit restore([&] { plat::RestoreDC(dc, saved); });
  if (left)
    plat::ExcludeClipRect(dc, r.left + a + 4, r.top + 2, r.right - 2, r.bottom - 2);
  else
    plat::ExcludeClipRect(dc, r.left + 2, r.top + 2, r.right - a - 4, r.bottom - 2);
  if (skin.SunkEdge)
    DrawElementState(this, dc, r, std::max(skin.SunkEdge->Frame, 1), frame, skin.SunkEdge.get());
  const TRect band = left ? vcl::Rect(r.left, r.top, r.left + a + 2, r.bottom)
                          : vcl::Rect(r.right - a - 2, r.top, r.right, r.bottom);
  DrawStripFrame(dc, band, std::max(button->Frame, 1), frame, left ? &button->Bitmap2 : &button->Bitmap);
  if (skin.ExtraImages && !skin.ExtraImages->Bitmap.Empty()) {
    const TRect glyph = left ? vcl::Rect(2, r.top, a + 2, r.bottom)
                             : vcl::Rect(r.right - a - 2, r.top, r.right - 2, r.bottom);
    SkinDrawCentredFrame(dc, glyph, &skin.ExtraImages->Bitmap, true, std::max(skin.ExtraImages->Frame, 1),
                         frame);
  }
}

void TSkinComBox::FlatPainter(plat::HDC dc, const TRect& rect) {
  TParsedSkin& skin = skin_data_->Skin();
  TDataSkinBorder* button = skin.ComboButton.get();
  int frame = IsFocused ? 4 : (IsEnabled ? 1 : 3);
  if (MouseState & kSkinPressed)
    frame = 2;
  else if (MouseState & kSkinHover)
    frame = 4;
  const int t = plat::GetSystemMetrics(plat::SM_CYVTHUMB);
  const bool left = (ExStyleBits & plat::WS_EX_LEFTSCROLLBAR) != 0;
  const TRect r = vcl::Rect(0, 0, Width(rect), Height(rect));
  auto brush = static_cast<plat::HBRUSH>(plat::GetCurrentObject(dc, plat::OBJ_BRUSH));
  const plat::RECT outer = Deflated(r, 1);
  plat::FrameRect(dc, &outer, brush);
  const TRect inner = Deflated(r, 2);
  const plat::RECT fill = left ? vcl::Rect(inner.left, inner.top, inner.left + t, inner.bottom)
                               : vcl::Rect(inner.right - t, inner.top, inner.right, inner.bottom);
  plat::FillRect(dc, &fill, brush);
  const int frames = std::max(button->Frame, 1);
  const int fw = button->Bitmap.Width() / frames, fh = button->Bitmap.Height();
  TRect image = left ? vcl::Rect(inner.left, inner.top, inner.left + fw, inner.bottom)
                     : vcl::Rect(inner.right - fw, inner.top, inner.right, inner.bottom);
  if (t > fh) image.bottom = image.top + fh;
  Frame(dc, r, skin.ButtonShadow);
  DrawStripFrame(dc, image, frames, frame, &button->Bitmap);
}

// ------------------------------------------------------------ TSkinProgress

bool TSkinProgress::HasImage() const {
  if (!skin_data_) return false;
  const TParsedSkin& skin = skin_data_->Skin();
  const TDataSkinBorder* progress = skin.Progress.get();
  if (!progress || progress->Bitmap.Empty()) return false;
  // The chunked kind needs its chunk; without it the platform paints.
  return progress->Style != 1 || (skin.ProgressChunk && !skin.ProgressChunk->Bitmap.Empty());
}

bool TSkinProgress::PreProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_PAINT:
      if (!HasImage()) break;
      PaintMessage(this, message);
      message.Result = 0;
      return false;
    case plat::WM_ERASEBKGND:
      message.Result = 1;
      return false;
    default:
      break;
  }
  return TSkinControl::PreProcessMessage(message);
}

int TSkinProgress::FilledLength(int length, int pos, int high) {
  if (pos < 1 || high < 1) return 0;
  return std::clamp(plat::MulDiv(length, pos, high), 0, length);
}

void TSkinProgress::DrawControl(plat::HDC dc, const TRect& rect) {
  if (!HasImage() || !Handle()) return;
  TParsedSkin& skin = skin_data_->Skin();
  TDataSkinBorder* progress = skin.Progress.get();
  const bool vertical =
      (static_cast<plat::DWORD>(plat::GetWindowLongA(Handle(), plat::GWL_STYLE)) & plat::PBS_VERTICAL) != 0;
  const int w = vertical ? Height(rect) : Width(rect), h = vertical ? Width(rect) : Height(rect);
  if (w <= 0 || h <= 0) return;
  vcl::TBitmap work;
  work.SetPixelFormat(vcl::pf24bit);
  work.SetSize(w, h);
  work.Canvas()->Brush()->SetColor(skin.ButtonFace);
  work.Canvas()->FillRect(vcl::Rect(0, 0, w, h));
  const plat::HDC wdc = work.Canvas()->Handle();
  const bool chunked = progress->Style == 1;
  const bool tile = !chunked && progress->Tile == 1;
  const int frames = chunked ? 1 : 2;
  SkinDrawElement(wdc, vcl::Rect(0, 0, w, h), &progress->Bitmap, false, tile, true, frames, 1,
                  Margins(*progress));
  const int pos = static_cast<int>(plat::SendMessageA(Handle(), plat::PBM_GETPOS, 0, 0));
  const int high = static_cast<int>(plat::SendMessageA(Handle(), plat::PBM_GETRANGE, plat::FALSE, 0));
  if (const int filled = FilledLength(w, pos, high); filled > 0) {
    if (chunked)
      DrawChunks(wdc, filled, h);
    else
      SkinDrawElement(wdc, vcl::Rect(0, 0, filled, h), &progress->Bitmap, false, tile, true, 2, 2,
                      Margins(*progress));
  }
  // A vertical bar is composed lying and stood up: full from the bottom.
  if (vertical) RotateBitmapLeft(work);
  plat::BitBlt(dc, rect.left, rect.top, Width(rect), Height(rect), work.Canvas()->Handle(), 0, 0,
               plat::SRCCOPY);
}

void TSkinProgress::DrawChunks(plat::HDC dc, int filled, int height) {
  TDataSkinObject* chunk = skin_data_->Skin().ProgressChunk.get();
  const int frames = std::max(chunk->Frame, 1);
  if (chunk->Tile != 1) {
    // One chunk stretched over the filled length, inside a 2-pixel edge.
    SkinStretchBand(dc, vcl::Rect(2, 2, 2 + filled, height - 2), &chunk->Bitmap, false, frames, 1,
                    Margins(*chunk));
    return;
  }
  // Chunks at their own size side by side, the last one cut at the filled
  // length, centred across the bar.
  const int cw = chunk->Bitmap.Width() / frames, ch = chunk->Bitmap.Height();
  if (cw <= 0 || ch <= 0) return;
  vcl::TBitmap strip;
  strip.SetPixelFormat(vcl::pf24bit);
  strip.SetSize(filled, ch);
  for (int k = 0, x = 0; k <= filled / cw; ++k, x += cw)
    strip.Canvas()->CopyRect(vcl::Rect(x, 0, x + cw, ch), chunk->Bitmap.Canvas(), vcl::Rect(0, 0, cw, ch));
  plat::BitBlt(dc, chunk->LeftWidth + 2, (height - ch) / 2, filled, ch, strip.Canvas()->Handle(), 0, 0,
               plat::SRCCOPY);
}

}  // namespace skin
