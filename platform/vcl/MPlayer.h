#pragma once
// TMediaPlayer: a bar of media buttons (play, pause, stop, next, previous,
// step, back, record, eject). No media device stands behind it on this
// platform: the bar draws the buttons it shows and reports a click on an
// enabled one through OnClick; what the button does is the handler's.
//
// The buttons share the bar's width equally, in the order above; a point on
// the border between two belongs to the first.
#include <functional>

#include "platform/vcl/Controls.h"
#include "platform/vcl/GraphicsBitmap.h"

namespace vcl {

enum TMPBtnType { btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject };
using TButtonSet = TSet<TMPBtnType>;
inline constexpr int kMediaButtonCount = 9;
using TMPBtnClickEvent = std::function<void(TObject* sender, TMPBtnType button, bool& do_default)>;

class TMediaPlayer : public TCustomControl {
  VCL_DECLARE_CLASS(TMediaPlayer, TCustomControl)
 public:
  explicit TMediaPlayer(TComponent* owner);

  TButtonSet VisibleButtons() const { return visible_; }
  void SetVisibleButtons(TButtonSet value);
  TButtonSet EnabledButtons() const { return enabled_; }
  void SetEnabledButtons(TButtonSet value);
  TButtonSet ColoredButtons() const { return colored_; }
  void SetColoredButtons(TButtonSet value);

  // The visible button under a client x, or -1.
  int ButtonAt(int x) const;

  TMPBtnClickEvent OnClick;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  int VisibleCount() const;

  TButtonSet visible_{btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject};
  TButtonSet enabled_{btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject};
  TButtonSet colored_{btPlay, btPause, btStop, btNext, btPrev, btStep, btBack, btRecord, btEject};
  int pressed_ = -1;
};

// The pictures of the media buttons, drawn in code: a kMediaGlyphWidth x
// kMediaGlyphHeight glyph on the key colour (olive), black when enabled,
// grey when disabled, in the button's own colour when coloured.
enum TMPGlyphKind { mgEnabled, mgDisabled, mgColored };
inline constexpr TColor kMediaGlyphKey = 0x008080;
inline constexpr int kMediaGlyphWidth = 15;
inline constexpr int kMediaGlyphHeight = 11;
void DrawMediaGlyph(TBitmap* target, TMPBtnType button, TMPGlyphKind kind);
// The colour a coloured button's glyph takes.
TColor MediaGlyphColour(TMPBtnType button);

}  // namespace vcl
