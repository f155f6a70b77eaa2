#pragma once
// TSkinManage: the process's skin manager. It watches window creation and
// activation on the main thread through a CBT hook, decides which top-level
// windows get a form skin, owns those form skins, and runs the skin-all,
// unskin-all and refresh actions that a skin data component schedules.
//
// Ownership: the manager alone owns form skins. A form skin that goes away
// with its window (WM_NCDESTROY) is taken out of the list at once and freed
// once no message of it is being handled; nothing is freed while in
// dispatch. Skin data components are not owned: one that is destroyed is
// dropped, and every window it skinned is restored first. Main thread only.
#include <memory>
#include <vector>

#include "platform/kernel/Types.h"
#include "platform/user/Window.h"
#include "platform/user/WindowMessages.h"

namespace vcl {
class TBitmap;
class TTimer;
class TObject;
}  // namespace vcl

namespace skin {

class TSkinData;
class TWinSkinForm;
class TWinSkinPopMenu;

inline constexpr plat::UINT SKM_INITFORM = 0x3503;
inline constexpr plat::UINT SKM_ISSKINNED = 0x3523;

class TSkinManage {
 public:
  TSkinManage();
  ~TSkinManage();
  TSkinManage(const TSkinManage&) = delete;
  TSkinManage& operator=(const TSkinManage&) = delete;

  // Installs the CBT hook of the main thread; a second call does nothing.
  void InstallHook();
  bool HookInstalled() const { return hook_ != nullptr; }

  void AddSkinData(TSkinData* data);
  // Drops the component: windows skinned with it are restored, and no link
  // to it is kept.
  void RemoveSkinData(TSkinData* data);
  TSkinData* MainSkinData() const { return main_skin_data_; }
  TSkinData* CurrentSkinData() const { return current_skin_data_; }
  void SetCurrentSkinData(TSkinData* data) { current_skin_data_ = data; }
  const std::vector<TSkinData*>& SkinDatas() const { return skin_datas_; }

  bool Active() const { return active_; }
  void SetActive(bool value) { active_ = value; }
  int State() const { return state_; }
  void SetState(int value) { state_ = value; }
  int PendingAction() const { return pending_action_; }
  bool TimerRunning() const;

  // 1 skin all, 2 unskin all, 3 refresh, after `delay` ms.
  void ScheduleAction(int action, unsigned delay);
  // Decides and attaches a form skin; true when one was made.
  bool SkinForm(plat::HWND window);
  // A visible top-level class-library form.
  void SkinFormControl(vcl::TObject* form);
  TWinSkinForm* FindForm(plat::HWND window) const;
  int FormCount() const { return static_cast<int>(forms_.size()); }
  TWinSkinForm* Form(int index) const { return forms_.at(static_cast<size_t>(index)).get(); }
  // Every form skin of the current component drops its caption buttons.
  void RefreshSkinData();
  // The timer's tick; public for callers that drive time themselves.
  void Tick();

  // Menu kind of the popup about to open (0 popup, 1 from the bar, 2 system).
  int MenuKind() const { return menu_kind_; }
  void SetMenuKind(int value) { menu_kind_ = value; }
  bool MenuFromBar() const { return menu_from_bar_; }
  void SetMenuFromBar(bool value) { menu_from_bar_ = value; }

  // A popup-menu window being made gets a skin when the menu's kind is
  // skinned; one that goes loses it, and with the last one the kind is
  // forgotten.
  bool SkinPopupMenu(plat::HWND window);
  bool ForgetPopupMenu(plat::HWND window);
  TWinSkinPopMenu* FindPopupMenu(plat::HWND window) const;
  // Every open popup-menu skin shows a bar popup.
  void MarkMenusFromBar();
  // The popup-menu skin showing `menu` learns it: the one whose window shows
  // that menu, else the last one that has not learnt its menu yet.
  void SetMenuOwnerItem(plat::HMENU menu);
  // The skinned background of the window showing `menu` (items lie in it 3
  // pixels right and down of their rectangles), or null.
  vcl::TBitmap* MenuBitmapOfItem(plat::HMENU menu);
  int PopupMenuCount() const { return static_cast<int>(popup_menus_.size()); }

  // A form skin whose window went away: out of the list now, freed when no
  // handler of it runs any more.
  void FormGone(TWinSkinForm* form);
  // Frees retired form skins that are no longer in dispatch.
  void Sweep();

 private:
  void RestoreAndFree(std::unique_ptr<TWinSkinForm> form);
  std::unique_ptr<TWinSkinForm> Take(TWinSkinForm* form);
  TSkinData* ChooseSkinData(plat::HWND window, const char* class_name) const;
  static plat::LRESULT HookProc(int code, plat::WPARAM wparam, plat::LPARAM lparam);

  std::unique_ptr<vcl::TTimer> timer_;
  plat::HHOOK hook_ = nullptr;
  std::vector<std::unique_ptr<TWinSkinForm>> forms_;
  std::vector<std::unique_ptr<TWinSkinForm>> retired_;
  std::vector<std::unique_ptr<TWinSkinPopMenu>> popup_menus_;
  std::vector<std::unique_ptr<TWinSkinPopMenu>> retired_popups_;
  std::vector<TSkinData*> skin_datas_;
  TSkinData* main_skin_data_ = nullptr;
  TSkinData* current_skin_data_ = nullptr;
  bool active_ = false;
  bool skinning_all_ = false;
  int state_ = 0;
  int pending_action_ = 0;
  int menu_kind_ = 0;
  bool menu_from_bar_ = false;
};

// The manager, or nullptr before the first skin data component loads.
TSkinManage* SkinManager();
TSkinManage& CreateSkinManager();
// Detaches every window and unhooks (the unit's shut-down).
void FreeSkinManager();

}  // namespace skin
