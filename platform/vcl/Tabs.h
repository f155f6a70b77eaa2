#pragma once
// TTabSet: the older tab set, a strip of tabs that hang from its top edge,
// drawn by the class library itself. The tabs stand side by side from the
// start margin, starting with the first shown tab, each as wide as its text
// and 9 pixels; the row ends with the last tab that fits before the end
// margin. A click on a tab selects it and runs OnChange.
#include <memory>
#include <string>

#include "platform/vcl/Controls.h"
#include "platform/vcl/Lists.h"

namespace vcl {

class TTabSet : public TCustomControl {
  VCL_DECLARE_CLASS(TTabSet, TCustomControl)
 public:
  explicit TTabSet(TComponent* owner);
  ~TTabSet() override;

  TStrings* Tabs() const { return tabs_.get(); }
  void SetTabs(TStrings* value) { tabs_->Assign(value); }
  // -1: none; an index past the tabs is refused.
  int TabIndex() const { return tab_index_; }
  void SetTabIndex(int value);
  // The first tab shown.
  int FirstIndex() const { return first_index_; }
  void SetFirstIndex(int value);
  int StartMargin() const { return start_margin_; }
  void SetStartMargin(int value);
  int EndMargin() const { return end_margin_; }
  void SetEndMargin(int value);

  // Where tab `index` is drawn; empty when it is not shown.
  TRect ItemRect(int index) const;
  // The shown tab under the point, else -1.
  int ItemAtPos(TPoint point) const;
  // How wide the tab of `text` is with the tab set's font.
  int TabWidth(const std::string& text) const;

  TNotifyEvent OnChange;

 protected:
  void Paint() override;
  void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

 private:
  void TabsChanged();

  std::unique_ptr<TStringList> tabs_;
  int tab_index_ = -1;
  int first_index_ = 0;
  int start_margin_ = 5;
  int end_margin_ = 5;
};

}  // namespace vcl
