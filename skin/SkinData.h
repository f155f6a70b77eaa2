#pragma once
// TSkinData: the component that skins the process. It holds a skin package
// (stored in the window description or read from a file), parses it, carries
// the switches that say what is skinned and drives the skin manager. Main
// thread only.
//
// A package is trusted only as far as the reader and the loader check it; a
// package that does not load leaves the component "not loaded", and the
// manager then ignores it. Destroying the component unskins every window
// that uses it and clears the manager's links to it.
#include <functional>
#include <memory>
#include <string>

#include "platform/user/ComboBox.h"
#include "platform/user/ScrollBar.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Lists.h"
#include "platform/vcl/Streams.h"
#include "skin/SkinReader.h"
#include "skin/WinSkinData.h"

namespace vcl {
class TControl;
}

namespace skin {

enum TSkinControlType {
  xcMainMenu,
  xcPopupMenu,
  xcMenuItem,
  xcToolbar,
  xcControlbar,
  xcCombo,
  xcCheckBox,
  xcRadioButton,
  xcProgress,
  xcScrollbar,
  xcEdit,
  xcButton,
  xcBitBtn,
  xcSpeedButton,
  xcSpin,
  xcPanel,
  xcGroupBox,
  xcStatusBar,
  xcTab,
  xcTrackBar,
  xcSystemMenu,
  xcFastReport
};
using TSkinControlTypes = vcl::TSet<TSkinControlType>;

enum TSkinOption {
  xoMDIScrollbar,
  xoMenuMerge,
  xoTransparent,
  xoPreview,
  xoParentBackGround,
  xoNoFocusRect,
  xoToolbarBK,
  xoMDIChildBorder,
  xoMenuBG
};
using TSkinOptions = vcl::TSet<TSkinOption>;

enum TSkinFormType { sfMainform, sfOnlyThisForm, sfDialog, sfDLL };

class TSkinData;
using TOnFormSkin = std::function<void(vcl::TObject* sender, const std::string& name, bool& do_skin)>;
using TOnSkinControl = std::function<void(vcl::TComponent* sender, TSkinData* skin_data, vcl::TControl* form,
                                          vcl::TControl* control, const std::string& control_class,
                                          vcl::TComponent*& skinned_control)>;

inline constexpr const char* kSkinDataVersion = "3.94.01.25";

class TSkinData : public vcl::TComponent {
  VCL_DECLARE_CLASS(TSkinData, vcl::TComponent)
 public:
  explicit TSkinData(vcl::TComponent* owner);
  ~TSkinData() override;

  bool Active() const { return active_; }
  void SetActive(bool value);
  int DisableTag() const { return disable_tag_; }
  void SetDisableTag(int value) { disable_tag_ = value; }
  TSkinControlTypes SkinControls() const { return skin_controls_; }
  void SetSkinControls(TSkinControlTypes value) { skin_controls_ = value; }
  TSkinOptions Options() const { return options_; }
  void SetOptions(TSkinOptions value) { options_ = value; }
  vcl::TStringList* Skin3rd() const { return skin3rd_.get(); }
  void SetSkin3rd(vcl::TStringList* value);
  const std::string& SkinFile() const { return skin_file_; }
  void SetSkinFile(const std::string& value);
  // Kept for descriptions that name it; there is no design mode to report to.
  std::string SkinStore() const { return {}; }
  void SetSkinStore(const std::string&) {}
  TSkinFormType SkinFormtype() const { return form_type_; }
  void SetSkinFormtype(TSkinFormType value) { form_type_ = value; }
  std::string Version() const { return kSkinDataVersion; }
  void SetVersion(const std::string&) {}
  bool MenuUpdate() const { return menu_update_; }
  void SetMenuUpdate(bool value) { menu_update_ = value; }
  bool MenuMerge() const { return menu_merge_; }
  void SetMenuMerge(bool value) { menu_merge_ = value; }

  TOnFormSkin OnFormSkin;
  vcl::TNotifyEvent OnSkinChanged;
  TOnSkinControl OnSkinControl;

  // True until a package has loaded; the manager ignores the component then.
  bool NotLoaded() const { return not_loaded_; }
  // The status of the last package read.
  TSkinLoadStatus LastLoadStatus() const { return last_status_; }
  TParsedSkin& Skin() { return *skin_; }
  vcl::TFont* CaptionFont() const { return caption_font_.get(); }
  // The system-menu glyphs (0 restore, 1 maximize, 2 minimize, 3 close),
  // 16 x 16 from the program's "ZIZEVOVAVUR" bitmap with white as the mask;
  // made on first use, empty when the program has no such bitmap.
  vcl::TCustomImageList* MenuGlyphs();
  // Set while frames may be painted; cleared while the class library
  // rebuilds a menu bar.
  bool FramePaint() const { return frame_paint_; }
  void SetFramePaint(bool value) { frame_paint_ = value; }
  vcl::TMemoryStream& SkinStoreStream() { return store_; }

  void Loaded() override;

  // The stored package: a 32-bit length, then the bytes.
  void ReadSkinStream(vcl::TStream& stream);
  void WriteSkinStream(vcl::TStream& stream) const;
  bool HasSkinStream() const { return true; }

 private:
  bool LoadSkin();
  void ApplySkin();

  bool active_ = false;
  int disable_tag_ = 99;
  TSkinControlTypes skin_controls_;
  TSkinOptions options_{xoPreview, xoToolbarBK};
  std::unique_ptr<vcl::TStringList> skin3rd_;
  std::string skin_file_;
  TSkinFormType form_type_ = sfMainform;
  bool menu_update_ = true;
  bool menu_merge_ = false;

  bool not_loaded_ = true;
  bool frame_paint_ = true;
  TSkinLoadStatus last_status_ = TSkinLoadStatus::Corrupt;
  vcl::TMemoryStream store_;
  std::unique_ptr<TParsedSkin> skin_;
  std::unique_ptr<vcl::TFont> caption_font_;
  std::unique_ptr<vcl::TCustomImageList> menu_glyphs_;
};

// The lines of the default class-to-kind list.
const std::vector<std::string>& DefaultSkin3rd();

// Unit start: the component's class for form descriptions, and the entry
// points below.
void InitSkinDataUnit();

// Optional window-layer entry points, bound when the unit starts from the
// module "user32.dll"; each may be missing.
void BindSkinEntryPoints();
void UnbindSkinEntryPoints();
bool SkinGetScrollBarInfoBound();
// Asks the platform for a scroll bar's state; false when it cannot.
bool SkinScrollBarInfo(plat::HWND window, plat::LONG object_id, plat::SCROLLBARINFO* info);
// Asks for a mouse-leave notice for the window, when the platform can.
void SkinTrackMouseLeave(plat::HWND window);
using TGetComboBoxInfo = plat::BOOL (*)(plat::HWND, plat::COMBOBOXINFO*);
// None when the platform lacks it.
TGetComboBoxInfo SkinGetComboBoxInfo();
// Text drawn as it is (UTF-8 throughout); the platform's result.
int SkinDrawText(plat::HDC dc, const std::string& text, plat::RECT* rect, plat::UINT format);
// The class-library control that owns a window; nullptr when none.
vcl::TControl* FindControlOfWindow(plat::HWND window);

}  // namespace skin
