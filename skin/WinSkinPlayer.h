#pragma once
// Skinned media players. A panel of ours (TWMediaPlayer) lies exactly over
// the player and draws its visible buttons side by side from the skin's
// `Buttons` element (1 normal, 2 pressed, 3 disabled) with the platform's
// media glyphs; a press and a release on the same button are handed to the
// player, which then clicks it.
//
// The panel is the companion's helper: it is a child of the player's parent,
// so a parent that goes first takes it along and the companion forgets it;
// otherwise the companion frees it. Main thread only.
#include <memory>

#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/GraphicsBitmap.h"
#include "platform/vcl/MPlayer.h"
#include "skin/WinSubClass.h"

namespace skin {

// No button.
inline constexpr int kPlayerNoButton = 9;

class TWMediaPlayer : public vcl::TCustomPanel {
 public:
  explicit TWMediaPlayer(vcl::TComponent* owner);
  ~TWMediaPlayer() override;

  // Follows the player: its parent, bounds and visibility.
  void BindToPlayer(TSkinControl* companion, vcl::TWinControl* player);
  void FollowPlayer();
  // Reads the player's visible, enabled and coloured buttons and the width
  // each visible one takes.
  void ReadButtons();
  // The visible button whose span (both ends included) holds x, else
  // kPlayerNoButton.
  int HitTest(int x);

  // Per button: enabled, disabled and coloured picture.
  vcl::TBitmap ButtonGlyphs[vcl::kMediaButtonCount][3];
  bool ButtonVisible[vcl::kMediaButtonCount] = {};
  bool ButtonEnabled[vcl::kMediaButtonCount] = {};
  bool ButtonColored[vcl::kMediaButtonCount] = {};
  vcl::TWinControl* MediaPlayer = nullptr;
  TSkinControl* Companion = nullptr;
  int VisibleCount = 0;
  int ButtonWidth = 0;
  bool IsPressed = false;
  int PressedIndex = kPlayerNoButton;
  int HotIndex = kPlayerNoButton;

 protected:
  void WndProc(vcl::TMessage& message) override;
  void Paint() override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  // Lives as long as the panel; a click's handling holds a copy across the
  // player's handler, which may free the panel.
  std::shared_ptr<bool> alive_;
};

class TSkinMP : public TSkinControl {
 public:
  explicit TSkinMP(vcl::TComponent* subject = nullptr) : TSkinControl(subject) {}

  void AttachControl(TWinSkinForm* skin_form, TSkinData* skin_data, bool use_skin_colour,
                     vcl::TCanvas* canvas) override;
  void Unskin() override;

  TWMediaPlayer* PlayerPanel = nullptr;

 protected:
  void PostProcessMessage(vcl::TMessage& message) override;
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
};

}  // namespace skin
