#include "skin/WinSkinPlayer.h"

#include "platform/gdi/Gdi.h"
#include "platform/user/Geometry.h"
#include "platform/user/Input.h"
#include "platform/user/Messages.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"
#include "skin/SkinData.h"
#include "skin/SkinDraw.h"
#include "skin/WinSkinData.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

const char* const kButtonIdents[vcl::kMediaButtonCount] = {
    "btPlay", "btPause", "btStop", "btNext", "btPrev", "btStep", "btBack", "btRecord", "btEject"};

bool Going(const vcl::TComponent* component) {
  return component->ComponentState().Contains(vcl::csDestroying);
}

}  // namespace

// ------------------------------------------------------------ TWMediaPlayer

TWMediaPlayer::TWMediaPlayer(vcl::TComponent* owner)
    : vcl::TCustomPanel(owner), alive_(std::make_shared<bool>(true)) {
  SetBevelOuter(vcl::bvNone);
  SetTabStop(false);
  SetVisible(false);
  for (int i = 0; i < vcl::kMediaButtonCount; ++i) {
    const auto button = static_cast<vcl::TMPBtnType>(i);
    vcl::DrawMediaGlyph(&ButtonGlyphs[i][0], button, vcl::mgEnabled);
    vcl::DrawMediaGlyph(&ButtonGlyphs[i][1], button, vcl::mgDisabled);
    vcl::DrawMediaGlyph(&ButtonGlyphs[i][2], button, vcl::mgColored);
  }
}

TWMediaPlayer::~TWMediaPlayer() {
  *alive_ = false;
  if (MediaPlayer) MediaPlayer->RemoveFreeNotification(this);
}

void TWMediaPlayer::BindToPlayer(TSkinControl* companion, vcl::TWinControl* player) {
  Companion = companion;
  MediaPlayer = player;
  player->FreeNotification(this);
  // The form skin never skins the panel itself.
  if (companion->SkinData()) SetTag(companion->SkinData()->DisableTag());
  FollowPlayer();
}

void TWMediaPlayer::FollowPlayer() {
  if (!MediaPlayer || !MediaPlayer->Parent()) return;
  if (Parent() != MediaPlayer->Parent()) SetParent(MediaPlayer->Parent());
  SetBounds(MediaPlayer->Left(), MediaPlayer->Top(), MediaPlayer->Width(), MediaPlayer->Height());
  SetVisible(MediaPlayer->Visible());
  if (HandleAllocated() && MediaPlayer->HandleAllocated()) {
    // Directly above the player.
    plat::HWND before = plat::GetWindow(MediaPlayer->Handle(), plat::GW_HWNDPREV);
    if (before == Handle()) before = plat::GetWindow(before, plat::GW_HWNDPREV);
    plat::SetWindowPos(Handle(), before ? before : plat::HWND_TOP, 0, 0, 0, 0,
                       plat::SWP_NOMOVE | plat::SWP_NOSIZE | plat::SWP_NOACTIVATE);
  }
  Invalidate();
}

void TWMediaPlayer::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  vcl::TCustomPanel::Notification(component, operation);
  if (operation != vcl::opRemove || component != MediaPlayer) return;
  MediaPlayer = nullptr;
  // Nothing left to cover; a parent that is going takes the panel along anyway.
  if (!Going(this) && Parent() && !Going(Parent())) SetVisible(false);
}

void TWMediaPlayer::ReadButtons() {
  const std::string visible = MediaPlayer ? GetPropText(MediaPlayer, "VisibleButtons") : std::string();
  const std::string enabled = MediaPlayer ? GetPropText(MediaPlayer, "EnabledButtons") : std::string();
  const std::string colored = MediaPlayer ? GetPropText(MediaPlayer, "ColoredButtons") : std::string();
  VisibleCount = 0;
  for (int i = 0; i < vcl::kMediaButtonCount; ++i) {
    ButtonVisible[i] = visible.find(kButtonIdents[i]) != std::string::npos;
    ButtonEnabled[i] = enabled.find(kButtonIdents[i]) != std::string::npos;
    ButtonColored[i] = colored.find(kButtonIdents[i]) != std::string::npos;
    VisibleCount += ButtonVisible[i] ? 1 : 0;
  }
  ButtonWidth = VisibleCount > 0 ? ClientWidth() / VisibleCount : 0;
}

int TWMediaPlayer::HitTest(int x) {
  ReadButtons();
  int left = 0;
  for (int i = 0; i < vcl::kMediaButtonCount; ++i) {
    if (!ButtonVisible[i]) continue;
    if (x >= left && x <= left + ButtonWidth) return i;
    left += ButtonWidth;
  }
  return kPlayerNoButton;
}

void TWMediaPlayer::Paint() {
  ReadButtons();
  if (VisibleCount == 0 || !Companion || !Companion->SkinData()) return;
  TDataSkinButton* element = Companion->SkinData()->Skin().Buttons.get();
  const int w = ClientWidth(), h = ClientHeight();
  vcl::TBitmap work;
  work.SetPixelFormat(vcl::pf24bit);
  work.SetSize(w, h);
  plat::HDC dc = work.Canvas()->Handle();
  FillFace(Companion, dc, vcl::Rect(0, 0, w, h));
  int left = 0;
  for (int i = 0; i < vcl::kMediaButtonCount; ++i) {
    if (!ButtonVisible[i]) continue;
    const int kind = !ButtonEnabled[i] ? 1 : ButtonColored[i] ? 2 : 0;
    const int frame = !ButtonEnabled[i] ? 3 : IsPressed && PressedIndex == i ? 2 : 1;
    const vcl::TRect r = vcl::Rect(left, 0, left + ButtonWidth, h);
    if (element && !element->Bitmap.Empty())
      DrawElementState(Companion, dc, r, element->Frame, frame, element);
    vcl::TBitmap& glyph = ButtonGlyphs[i][kind];
    if (!glyph.Empty()) {
      const int shift = frame == 2 ? 1 : 0;
      const int gx = left + (ButtonWidth - glyph.Width()) / 2 + shift;
      const int gy = (h - glyph.Height()) / 2 + shift;
      SkinDrawTransparent(dc, vcl::Bounds(gx, gy, glyph.Width(), glyph.Height()), &glyph,
                          vcl::kMediaGlyphKey);
    }
    left += ButtonWidth;
  }
  plat::BitBlt(Canvas()->Handle(), 0, 0, w, h, dc, 0, 0, plat::SRCCOPY);
}

void TWMediaPlayer::WndProc(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_ERASEBKGND:
      message.Result = 1;
      return;
    case plat::WM_LBUTTONDOWN:
    case plat::WM_LBUTTONDBLCLK: {
      IsPressed = true;
      vcl::TCustomPanel::WndProc(message);
      std::shared_ptr<bool> alive = alive_;
      if (MediaPlayer) MediaPlayer->Perform(message.Msg, message.WParam, message.LParam);
      if (!*alive) return;
      // The player took the mouse; the release must come to the panel.
      plat::ReleaseCapture();
      HotIndex = HitTest(plat::GET_X_LPARAM(message.LParam));
      PressedIndex = HotIndex;
      Invalidate();
      return;
    }
    case plat::WM_LBUTTONUP: {
      IsPressed = false;
      vcl::TCustomPanel::WndProc(message);
      HotIndex = HitTest(plat::GET_X_LPARAM(message.LParam));
      std::shared_ptr<bool> alive = alive_;
      if (HotIndex == PressedIndex && MediaPlayer)
        MediaPlayer->Perform(message.Msg, message.WParam, message.LParam);
      if (!*alive) return;
      PressedIndex = HotIndex;
      Invalidate();
      return;
    }
    default:
      vcl::TCustomPanel::WndProc(message);
  }
}

// ------------------------------------------------------------------- TSkinMP

void TSkinMP::AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                            vcl::TCanvas* canvas) {
  if (Attached()) return;
  TSkinControl::AttachControl(skin_form, skin_data, use_skin_colour, canvas);
  vcl::TWinControl* player = Control();
  if (!Attached() || !player || !player->Parent()) return;
  PlayerPanel = new TWMediaPlayer(nullptr);
  AdoptHelper(PlayerPanel);
  PlayerPanel->BindToPlayer(this, player);
}

void TSkinMP::Notification(vcl::TComponent* component, vcl::TOperation operation) {
  TSkinControl::Notification(component, operation);
  if (operation == vcl::opRemove && component == PlayerPanel) PlayerPanel = nullptr;
}

void TSkinMP::Unskin() {
  TSkinControl::Unskin();
  // Once the player's window is gone its parent may be going too: the panel
  // is left to it, or to the companion's end.
  if (SkinState() == kSkinWindowGone || !PlayerPanel) return;
  TWMediaPlayer* panel = PlayerPanel;
  PlayerPanel = nullptr;
  delete panel;
}

void TSkinMP::PostProcessMessage(vcl::TMessage& message) {
  switch (message.Msg) {
    case plat::WM_WINDOWPOSCHANGED:
    case vcl::CM_VISIBLECHANGED:
      if (PlayerPanel) PlayerPanel->FollowPlayer();
      break;
    default:
      TSkinControl::PostProcessMessage(message);
      break;
  }
}

}  // namespace skin
