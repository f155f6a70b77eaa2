#pragma once
// The tray icon: an icon in the panel's notification area with its tooltip,
// mouse events, balloons, icon cycling and minimising to the tray. Panels
// send no mouse movement and no double clicks here: OnMouseMove and
// OnDblClick never fire from the panel.
#include <functional>
#include <string>

#include "platform/shell/NotifyIcon.h"
#include "platform/user/Subclass.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"
#include "utility/qelComponents.h"

namespace utility {

enum TqelTrayIconInfoType { tiiNone, tiiInfo, tiiWarning, tiiError };

class EqelTrayIcon : public vcl::Exception {
 public:
  using Exception::Exception;
};

// The panel's notices arrive at the hidden window as this message.
constexpr plat::UINT kTrayCallbackMessage = 1235;

class TqelTrayIcon : public TqelCustomTimer {
  VCL_DECLARE_CLASS(TqelTrayIcon, TqelCustomTimer)
 public:
  explicit TqelTrayIcon(vcl::TComponent* owner);
  ~TqelTrayIcon() override;

  bool CycleIcons() const { return TqelCustomTimer::Enabled(); }
  void SetCycleIcons(bool value) { TqelCustomTimer::SetEnabled(value); }
  uint32_t CycleInterval() const { return Interval(); }
  void SetCycleInterval(uint32_t value) { SetInterval(value); }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value) { enabled_ = value; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& value);
  // The icon shown; the component keeps its own copy.
  plat::HICON Icon() const { return icon_; }
  void SetIcon(plat::HICON value);
  vcl::TCustomImageList* ImageList() const { return image_list_; }
  void SetImageList(vcl::TCustomImageList* value);
  int ImageIndex() const { return image_index_; }
  void SetImageIndex(int value);
  int IconID() const { return icon_id_; }
  void SetIconID(int value);
  bool MinimizeToTray() const { return minimize_to_tray_; }
  void SetMinimizeToTray(bool value);
  bool MinimizeOnStart() const { return minimize_on_start_; }
  void SetMinimizeOnStart(bool value) { minimize_on_start_ = value; }
  vcl::TPopupMenu* PopupMenu() const { return popup_menu_; }
  void SetPopupMenu(vcl::TPopupMenu* value);
  bool PopupByLeft() const { return popup_by_left_; }
  void SetPopupByLeft(bool value) { popup_by_left_ = value; }
  bool ShowHint() const { return show_hint_; }
  void SetShowHint(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  bool VisibleOnDesigning() const { return visible_on_designing_; }
  void SetVisibleOnDesigning(bool value);
  const std::string& InfoText() const { return info_text_; }
  void SetInfoText(const std::string& value) { info_text_ = value; }
  const std::string& InfoTitle() const { return info_title_; }
  void SetInfoTitle(const std::string& value) { info_title_ = value; }
  int InfoTimeout() const { return info_timeout_; }
  void SetInfoTimeout(int value) { info_timeout_ = value; }
  TqelTrayIconInfoType InfoType() const { return info_type_; }
  void SetInfoType(TqelTrayIconInfoType value) { info_type_ = value; }

  vcl::TNotifyEvent OnMinimize, OnClick, OnDblClick, OnPopupMenu, OnShow, OnHide, OnCycleIcons, OnBalloonShow,
      OnBalloonTimeout, OnBalloonClick;
  vcl::TMouseMoveEvent OnMouseMove;
  vcl::TMouseEvent OnMouseDown, OnMouseUp;

  void Loaded() override;
  virtual void FillData(plat::NOTIFYICONDATAA& data);
  virtual void Update();
  virtual void Show();
  virtual void Hide();
  virtual void PopupAtCursor();
  virtual void ShowApp();
  virtual void HideApp();
  virtual void ShowBalloon();

 protected:
  plat::LRESULT WndProc(plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam) override;
  virtual plat::LRESULT AppWndProc(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam);
  void Timer() override;
  virtual void MouseMove(vcl::TShiftState shift, int x, int y);
  virtual void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y);
  virtual void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int x, int y);
  virtual void Click();
  virtual void DblClick();
  virtual void Minimize();
  void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

 private:
  static plat::LRESULT AppSubclass(plat::HWND hwnd, plat::UINT msg, plat::WPARAM wparam, plat::LPARAM lparam,
                                   plat::UINT_PTR id, plat::DWORD_PTR data);
  bool Designing() const { return ComponentState().Contains(vcl::csDesigning); }
  bool Reading() const { return ComponentState().Contains(vcl::csLoading); }
  bool Destroying() const;
  void HookApplication();
  void RefreshIcon();
  void Notify(plat::UINT notice);
  bool Add();
  vcl::TWinControl* OwnerControl() const;

  bool enabled_ = true;
  std::string hint_;
  plat::HICON icon_ = nullptr;
  vcl::TCustomImageList* image_list_ = nullptr;
  int image_index_ = 0;
  int icon_id_ = 0;
  bool minimize_to_tray_ = false;
  bool minimize_on_start_ = false;
  vcl::TPopupMenu* popup_menu_ = nullptr;
  bool popup_by_left_ = false;
  bool show_hint_ = true;
  bool visible_ = false;
  bool visible_on_designing_ = false;
  std::string info_text_;
  std::string info_title_;
  int info_timeout_ = 10000;
  TqelTrayIconInfoType info_type_ = tiiNone;
  plat::UINT flags_ = plat::NIF_MESSAGE | plat::NIF_TIP;
  bool click_pending_ = false;
  plat::HWND hooked_ = nullptr;
};

}  // namespace utility
