#pragma once
// The control walk of a form skin: every control of a skinned window gets a
// companion, chosen by a handler of the skin data, the skin data's list of
// class names and kinds, a fixed set of class tests (each gated by a member
// of the skin data's SkinControls), or, for windows that are not
// class-library forms, by window class. The companions are the form skin's.
//
// The rules name companion classes; SkinClassRows() maps each name to how a
// companion of that class is made and attached. A rule whose class has no
// row does nothing. Main thread only.
#include <functional>
#include <string>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Controls.h"

namespace vcl {
class TCustomForm;
}

namespace skin {

class TSkinControl;
class TSkinData;
class TWinSkinForm;

// How a companion takes its control.
enum class TSkinAttach {
  Control,     // AttachControl
  Graphic,     // a windowless control's own attach
  Scrollbars,  // the scroll bars of the control
};

struct TSkinClassRow {
  const char* name;
  // A new companion for `subject` (nil for a bare window).
  TSkinControl* (*make)(vcl::TComponent* subject);
  TSkinAttach attach;
};

const std::vector<TSkinClassRow>& SkinClassRows();
const TSkinClassRow* FindSkinClassRow(const std::string& name);

class TSkinWalk {
 public:
  explicit TSkinWalk(TWinSkinForm* skin_form);

  void SkinFormControls(vcl::TCustomForm* form);
  void WalkComponents(vcl::TComponent* owner);
  void WalkChildControls(vcl::TWinControl* parent);
  void SkinControl(vcl::TControl* control, vcl::TControl* context);
  // True when the list named the control's class (whatever was attached).
  bool SkinBySkin3rd(const std::string& upper_name, vcl::TControl* control);
  void WalkChildWindows(plat::HWND window);
  void SkinWindowByClass(plat::HWND window);
  bool IsControlSkinned(vcl::TControl* control) const;
  TSkinControl* FindSkinOfWindow(plat::HWND window) const;
  static bool HasScrollBars(vcl::TControl* control);

 private:
  // A companion of class `name` attached to the control, after `prepare` set
  // it up; nil when the class has no row or the companion did not attach.
  TSkinControl* Attach(const std::string& name, vcl::TControl* control, bool colour, int mode = -1,
                       const std::function<void(TSkinControl*)>& prepare = {});
  TSkinControl* AttachWindow(const std::string& name, plat::HWND window);
  bool Has(int member) const;
  bool HasTabs() const;

  TWinSkinForm* skin_form_;
  TSkinData* data_;
};

}  // namespace skin
