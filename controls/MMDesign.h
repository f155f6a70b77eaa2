#pragma once
// The designer component a form carries for its design-time helper. In the
// running program it keeps its settings, gives its form a stored client
// height once the form is loaded, and asks the form to recompute its frame
// when ShowButton changes. Its design-time view (lines between linked
// components, the caption button) belongs to design mode, which the program
// never enters; there it only hooks its form.
#include "controls/MMHook.h"
#include "platform/vcl/Colors.h"

namespace controls {

class TMMDesigner : public TMMWndProcComponent {
  VCL_DECLARE_CLASS(TMMDesigner, TMMWndProcComponent)
 public:
  explicit TMMDesigner(vcl::TComponent* owner);
  ~TMMDesigner() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  vcl::TColor Color() const { return color_; }
  void SetColor(vcl::TColor value);
  int LineWidth() const { return line_width_; }
  void SetLineWidth(int value);
  int Margin() const { return margin_; }
  void SetMargin(int value);
  bool AutoUpdate() const { return auto_update_; }
  void SetAutoUpdate(bool value) { auto_update_ = value; }
  // A pulse: True switches Active off and on again. Always reads False.
  bool Update() const { return false; }
  void SetUpdate(bool value);
  bool Sound() const { return sound_; }
  void SetSound(bool value) { sound_ = value; }
  bool ShowButton() const { return show_button_; }
  // A change makes the form recompute its frame.
  void SetShowButton(bool value);
  // Above 0: the form's client height once it is loaded.
  int RuntimeHeight() const { return runtime_height_; }
  void SetRuntimeHeight(int value) { runtime_height_ = value; }

  void Loaded() override;
  void ChangeDesignMode(bool value) override;

 private:
  // Starts or stops the design-time work as the design state says.
  void DesignStart();
  // The design-time view; nothing outside design mode.
  void RedrawView();
  void RemoveView();

  bool active_ = true;
  vcl::TColor color_ = vcl::clRed;
  int line_width_ = 1;
  int margin_ = 6;
  bool auto_update_ = true;
  bool sound_ = true;
  bool show_button_ = false;
  int runtime_height_ = -1;
};

}  // namespace controls
