#include "skin/WinSkinWalk.h"

#include <algorithm>
#include <exception>
#include <functional>

#include "platform/user/Button.h"
#include "platform/user/ComboBox.h"
#include "platform/user/Geometry.h"
#include "platform/user/Messages.h"
#include "platform/user/TabControl.h"
#include "platform/user/Window.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImageCtrls.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "skin/SkinData.h"
#include "skin/WinSkinBoxes.h"
#include "skin/WinSkinButtons.h"
#include "skin/WinSkinData.h"
#include "skin/WinSkinDlg.h"
#include "skin/WinSkinEdits.h"
#include "skin/WinSkinForm.h"
#include "skin/WinSkinHeader.h"
#include "skin/WinSkinMenuItems.h"
#include "skin/WinSkinPlayer.h"
#include "skin/WinSkinRanges.h"
#include "skin/WinSkinScroll.h"
#include "skin/WinSkinTabs.h"
#include "skin/WinSkinUpDown.h"
#include "skin/WinSubClass.h"
#include "skin/WinSubClassPaint.h"

namespace skin {

namespace {

template <class T>
TSkinControl* Make(vcl::TComponent* subject) {
  return new T(subject);
}
TSkinControl* MakeBoxH(vcl::TComponent*) { return new TSkinBoxH(); }
// Only the kind "advpagecontrol" makes these: its pictures are applied.
TSkinControl* MakeAdvPage(vcl::TComponent* subject) {
  auto* page = new TSkinAdvPage(subject);
  page->PageKind = 4;
  return page;
}

template <class T>
bool Is(const vcl::TObject* object) {
  return dynamic_cast<const T*>(object) != nullptr;
}

std::string ClassOf(plat::HWND window) {
  char name[256] = {};
  plat::GetClassNameA(window, name, static_cast<int>(sizeof name));
  return vcl::LowerCase(name);
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// Sets the glyph kind of an object-image companion before it attaches.
std::function<void(TSkinControl*)> GlyphKind(int kind) {
  return [kind](TSkinControl* c) {
    if (auto* image = dynamic_cast<TSkinObjImage*>(c)) image->GlyphKind = kind;
  };
}

}  // namespace

// One row per companion class; the families add theirs.
const std::vector<TSkinClassRow>& SkinClassRows() {
  static const std::vector<TSkinClassRow> rows = {
      {"TSkinButton", &Make<TSkinButton>, TSkinAttach::Control},
      {"TSkinSpeedButton", &Make<TSkinSpeedButton>, TSkinAttach::Graphic},
      {"TSkinBitButton", &Make<TSkinBitButton>, TSkinAttach::Control},
      {"TSkinMenuButton", &Make<TSkinMenuButton>, TSkinAttach::Control},
      {"TSkinMP", &Make<TSkinMP>, TSkinAttach::Control},
      {"TSkinObjImage", &Make<TSkinObjImage>, TSkinAttach::Control},
      {"TSkinCheckBox", &Make<TSkinCheckBox>, TSkinAttach::Control},
      {"TSkinRadioButton", &Make<TSkinRadioButton>, TSkinAttach::Control},
      {"TSkinGroupBox", &Make<TSkinGroupBox>, TSkinAttach::Control},
      {"TSkinBox", &Make<TSkinBox>, TSkinAttach::Control},
      {"TSkinBoxH", &MakeBoxH, TSkinAttach::Control},
      {"TSkinSizer", &Make<TSkinSizer>, TSkinAttach::Control},
      {"TSkinTabSheet", &Make<TSkinTabSheet>, TSkinAttach::Control},
      {"TSkinStatusBar", &Make<TSkinStatusBar>, TSkinAttach::Control},
      {"TSkinEdit", &Make<TSkinEdit>, TSkinAttach::Control},
      {"TSkinComBox", &Make<TSkinComBox>, TSkinAttach::Control},
      {"TSkinProgress", &Make<TSkinProgress>, TSkinAttach::Control},
      {"TSkinTrackBar", &Make<TSkinTrackBar>, TSkinAttach::Control},
      {"TSkinDateTime", &Make<TSkinDateTime>, TSkinAttach::Control},
      {"TSkinScrollbar", &Make<TSkinScrollbar>, TSkinAttach::Scrollbars},
      {"TSkinTab", &Make<TSkinTab>, TSkinAttach::Control},
      {"TSkinTab31", &Make<TSkinTab31>, TSkinAttach::Control},
      {"TSkinAdvPage", &MakeAdvPage, TSkinAttach::Control},
      {"TSkinUpDown", &Make<TSkinUpDown>, TSkinAttach::Control},
      {"TSkinListView", &Make<TSkinListView>, TSkinAttach::Scrollbars},
      {"TSkinScrollbarH", &Make<TSkinScrollbarH>, TSkinAttach::Control},
      {"TSkinScControl", &Make<TSkinScControl>, TSkinAttach::Control},
      {"TSkinHeader", &Make<TSkinHeader>, TSkinAttach::Control},
  };
  return rows;
}

const TSkinClassRow* FindSkinClassRow(const std::string& name) {
  for (const TSkinClassRow& row : SkinClassRows())
    if (name == row.name) return &row;
  return nullptr;
}

TSkinWalk::TSkinWalk(TWinSkinForm* skin_form) : skin_form_(skin_form), data_(skin_form->SkinData()) {}

bool TSkinWalk::Has(int member) const {
  return data_->SkinControls().Contains(static_cast<TSkinControlType>(member));
}

bool TSkinWalk::HasTabs() const { return data_->Skin().Tabs != nullptr; }

TSkinControl* TSkinWalk::Attach(const std::string& name, vcl::TControl* control, bool colour, int mode,
                                const std::function<void(TSkinControl*)>& prepare) {
  const TSkinClassRow* row = FindSkinClassRow(name);
  // A group's children may have been reached on their own already: one
  // companion each.
  if (!row || !control || IsControlSkinned(control)) return nullptr;
  TSkinControl* companion = row->make(control);
  if (mode >= 0) companion->Mode = mode;
  if (prepare) prepare(companion);
  switch (row->attach) {
    case TSkinAttach::Graphic:
      if (auto* speed = dynamic_cast<TSkinSpeedButton*>(companion))
        speed->AttachGraphic(skin_form_, data_, skin_form_->WorkCanvas());
      break;
    case TSkinAttach::Control:
    case TSkinAttach::Scrollbars:
      companion->AttachControl(skin_form_, data_, colour, skin_form_->WorkCanvas());
      break;
  }
  if (!companion->Attached()) {
    // Never listed: still its maker's.
    TSkinControl::Free(companion);
    return nullptr;
  }
  return companion;
}

TSkinControl* TSkinWalk::AttachWindow(const std::string& name, plat::HWND window) {
  const TSkinClassRow* row = FindSkinClassRow(name);
  if (!row || !window) return nullptr;
  TSkinControl* companion = row->make(nullptr);
  companion->AttachWindow(window, data_, skin_form_, skin_form_->WorkCanvas());
  return companion;
}

bool TSkinWalk::IsControlSkinned(vcl::TControl* control) const {
  if (!control) return false;
  if (control->Perform(SKM_ISSKINNED) == 1) return true;
  TSkinControlList& list = skin_form_->SkinnedControls();
  for (int i = 0; i < list.Count(); ++i) {
    TSkinControl* c = list.Items(i);
    if (c->Control() == control || c->GraphicControl() == control) return true;
  }
  return false;
}

TSkinControl* TSkinWalk::FindSkinOfWindow(plat::HWND window) const {
  return window ? skin_form_->SkinnedControls().Find(window) : nullptr;
}

bool TSkinWalk::HasScrollBars(vcl::TControl* control) {
  if (Is<vcl::TCustomListBox>(control) || Is<vcl::TMemo>(control)) return true;
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  if (!win || !win->HandleAllocated()) return false;
  const auto style = static_cast<plat::DWORD>(plat::GetWindowLongA(win->Handle(), plat::GWL_STYLE));
  return (style & (plat::WS_HSCROLL | plat::WS_VSCROLL)) != 0;
}

void TSkinWalk::SkinFormControls(vcl::TCustomForm* form) {
  skin_form_->SkinnedControls().Sweep();
  WalkComponents(form);
  std::vector<vcl::TWinControl*> list;
  form->GetTabOrderList(list);
  for (vcl::TWinControl* c : list) {
    if (!c->HandleAllocated() || c->Tag() == data_->DisableTag()) continue;
    if (plat::SendMessageA(c->Handle(), SKM_ISSKINNED, 0, 0) == 1) continue;
    if (FindSkinOfWindow(c->Handle())) continue;
    SkinControl(c, form);
  }
}

void TSkinWalk::WalkComponents(vcl::TComponent* owner) {
  // A companion may make components of its own; walk what was there.
  std::vector<vcl::TComponent*> components;
  for (int i = 0; i < owner->ComponentCount(); ++i) components.push_back(owner->Components(i));
  for (vcl::TComponent* c : components)
    if (auto* control = dynamic_cast<vcl::TControl*>(c))
      SkinControl(control, dynamic_cast<vcl::TControl*>(owner));
  if (data_->SkinControls().Contains(xcPopupMenu)) SetPopupMenusOwnerDraw(data_, owner, true);
}

void TSkinWalk::WalkChildControls(vcl::TWinControl* parent) {
  if (!parent) return;
  std::vector<vcl::TControl*> children;
  for (int i = 0; i < parent->ControlCount(); ++i) children.push_back(parent->Controls(i));
  for (vcl::TControl* c : children) SkinControl(c, parent);
}

void TSkinWalk::SkinControl(vcl::TControl* control, vcl::TControl* context) {
  if (!control) return;
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  const int disable = data_->DisableTag();
  if (control->Tag() == disable) {
    const std::string lower = vcl::LowerCase(control->ClassName());
    if (win && win->ControlCount() > 0 && (Contains(lower, "radiogroup") || Contains(lower, "checkgroup")))
      for (int i = 0; i < win->ControlCount(); ++i) win->Controls(i)->SetTag(disable);
    return;
  }
  if (!control->Parent() || IsControlSkinned(control)) return;
  const std::string n = vcl::UpperCase(control->ClassName());
  if (win && !win->HandleAllocated()) {
    try {
      win->HandleNeeded();
    } catch (const std::exception&) {
      // The walk goes on with the next control.
    }
  }
  if (data_->OnSkinControl) {
    vcl::TComponent* made = nullptr;
    data_->OnSkinControl(skin_form_, data_, context, control, n, made);
    if (auto* companion = dynamic_cast<TSkinControl*>(made)) {
      TSkinControlList& list = skin_form_->SkinnedControls();
      bool listed = false;
      for (int i = 0; i < list.Count(); ++i) listed = listed || list.Items(i) == companion;
      if (!listed)
        companion->AttachControl(skin_form_, data_, companion->UseSkinColour, skin_form_->WorkCanvas());
      if (Is<vcl::TCustomPanel>(control)) WalkChildControls(win);
      return;
    }
  }
  if (SkinBySkin3rd(n, control)) return;
  if (n == "TDBCOMBOBOXEH" || n == "TFRDESIGNERPAGE" || n == "TFRPBOX") return;

  auto rule = [&](bool test, int member) { return test && (member < 0 || Has(member)); };
  if (rule(Is<vcl::TCustomTabControl>(control) && HasTabs(), xcTab)) {
    Attach("TSkinTab", control, false, 2);
  } else if (rule(n == "TTABSET" && HasTabs(), xcTab)) {
    Attach("TSkinTab31", control, false);
  } else if (rule(Is<vcl::TTabSheet>(control) && HasTabs(), xcTab)) {
    Attach("TSkinTabSheet", control, false);
  } else if (rule(n == "TTABBEDNOTEBOOK" && HasTabs(), xcTab)) {
    Attach("TSkinTab", control, false);
  } else if (n == "TMVCPANEL") {
    WalkChildControls(win);
  } else if (rule(Is<vcl::TCustomCheckBox>(control), xcCheckBox)) {
    Attach("TSkinCheckBox", control, false);
  } else if (rule(n == "TUPDOWN" || n == "TSPINBUTTON", xcSpin)) {
    Attach("TSkinUpDown", control, false);
  } else if (rule(n == "TMEDIAPLAYER", xcButton)) {
    Attach("TSkinMP", control, false);
  } else if (rule(Is<vcl::TCustomRadioGroup>(control), xcRadioButton)) {
    for (int i = 0; i < win->ControlCount(); ++i) Attach("TSkinRadioButton", win->Controls(i), false);
    Attach("TSkinGroupBox", control, true);
  } else if (rule(n == "TDBNAVIGATOR", xcPanel)) {
    Attach("TSkinBox", control, true);
    for (int i = 0; win && i < win->ControlCount(); ++i) SkinControl(win->Controls(i), nullptr);
  } else if (rule(n == "TRZDBCHECKBOX" || n == "TRZCHECKBOX", xcCheckBox)) {
    Attach("TSkinObjImage", control, true, -1, GlyphKind(1));
  } else if (rule(n == "TRZRADIOBUTTON" || n == "TRZDBRADIOBUTTON", xcRadioButton)) {
    Attach("TSkinObjImage", control, true, -1, GlyphKind(2));
  } else if (rule(n == "TCXDBCHECKBOX" || n == "TCXCHECKBOX", xcCheckBox)) {
    Attach("TSkinObjImage", control, true, -1, GlyphKind(3));
  } else if (rule(Is<vcl::TCustomGroupBox>(control), xcPanel)) {
    WalkChildControls(win);
    Attach("TSkinGroupBox", control, true);
  } else if (rule(Is<vcl::TRadioButton>(control), xcRadioButton)) {
    Attach("TSkinRadioButton", control, false);
  } else if (rule(Is<vcl::TStatusBar>(control), xcStatusBar)) {
    Attach("TSkinStatusBar", control, false);
  } else if (rule(Is<vcl::TProgressBar>(control), xcProgress)) {
    Attach("TSkinProgress", control, false);
  } else if (rule(n == "TTNTCOMBOBOX" || Is<vcl::TCustomComboBox>(control), xcCombo)) {
    Attach("TSkinComBox", control, false);
  } else if (rule(n == "TRICHEDIT" || n == "TWWDBRICHEDIT" || n == "TDXDBMEMO", xcScrollbar)) {
    Attach("TSkinScrollbar", control, false);
  } else if (rule(Is<vcl::TSpeedButton>(control), xcSpeedButton)) {
    Attach("TSkinSpeedButton", control, false);
  } else if (rule(Is<vcl::TCustomPanel>(control), xcPanel)) {
    WalkChildControls(win);
    Attach("TSkinBox", control, true);
  } else if (rule(n == "TDXTREELIST" || n == "TDXDBTREELIST" || n == "TDXDBGRID" ||
                      Is<vcl::TCustomMemo>(control) || HasScrollBars(control),
                  xcScrollbar)) {
    Attach("TSkinScrollbar", control, false);
  } else if (rule(Is<vcl::TButton>(control), xcButton)) {
    Attach("TSkinButton", control, false);
  } else if (rule(Is<vcl::TCustomEdit>(control), xcEdit)) {
    Attach("TSkinEdit", control, false);
  } else if (n != "TDCEDIT" && n != "TDCDBEDIT") {
    if (auto* form = dynamic_cast<vcl::TCustomForm*>(control)) {
      Attach("TSkinBox", control, true);
      WalkComponents(form);
    }
  } else {
    const int buttons = GetIntProp(control, "NumButtons");
    if (buttons == 1 && Has(xcCombo)) {
      Attach("TSkinComBox", control, false);
    } else if (buttons == 0 && Has(xcEdit) && win) {
      AttachWindow("TSkinEdit", win->Handle());
    }
  }
}

bool TSkinWalk::SkinBySkin3rd(const std::string& upper_name, vcl::TControl* control) {
  vcl::TStringList* lines = data_->Skin3rd();
  if (!lines) return false;
  const std::string key = vcl::LowerCase(upper_name) + "=";
  std::string kind;
  bool found = false;
  for (int i = 0; i < lines->Count() && !found; ++i) {
    const std::string line = vcl::LowerCase(lines->Strings(i));
    if (line.rfind(key, 0) != 0) continue;
    found = true;
    kind = line.substr(line.find('=') + 1, 50);
  }
  if (!found) return false;
  if (kind == "nil") return true;
  auto* win = dynamic_cast<vcl::TWinControl*>(control);
  auto each_child = [&](auto&& act) {
    for (int i = 0; win && i < win->ControlCount(); ++i) act(win->Controls(i));
  };
  if (kind == "combobox") {
    if (Has(xcCombo)) Attach("TSkinComBox", control, false);
  } else if (kind == "edit") {
    if (Has(xcEdit) && win && win->HandleAllocated()) {
      plat::RECT window{}, client{};
      plat::GetWindowRect(win->Handle(), &window);
      plat::GetClientRect(win->Handle(), &client);
      if (window.right - window.left > client.right || window.bottom - window.top > client.bottom)
        Attach("TSkinEdit", control, false);
    }
  } else if (kind == "radiobutton") {
    if (Has(xcRadioButton)) Attach("TSkinRadioButton", control, false);
  } else if (kind == "panel") {
    if (Has(xcPanel)) {
      SetPropByName(control, "Transparent", "True");
      Attach("TSkinBox", control, true);
    }
  } else if (kind == "trackbar") {
    if (Has(xcButton)) {
      SetPropByName(control, "Transparent", "True");
      Attach("TSkinTrackBar", control, false);
    }
  } else if (kind == "button") {
    if (Has(xcButton)) Attach("TSkinButton", control, false);
  } else if (kind == "datetimepicker") {
    if (Has(xcCombo)) Attach("TSkinDateTime", control, false);
  } else if (kind == "mediaplayer") {
    if (Has(xcButton)) Attach("TSkinMP", control, false);
  } else if (kind == "bitbtn") {
    if (Has(xcButton)) {
      const bool menu = key == "tcxbutton=" && GetPropText(control, "Kind") == "cxbkDropDownButton";
      Attach(menu ? "TSkinMenuButton" : "TSkinBitButton", control, false);
    }
  } else if (kind == "pngbitbtn") {
    if (Has(xcButton))
      Attach("TSkinBitButton", control, false, -1, [](TSkinControl* c) {
        if (auto* bit = dynamic_cast<TSkinBitButton*>(c)) bit->GlyphProperty = "PngImage";
      });
  } else if (kind == "menubtn") {
    if (Has(xcButton)) Attach("TSkinMenuButton", control, false);
  } else if (kind == "speedbutton") {
    if (Has(xcSpeedButton)) Attach("TSkinSpeedButton", control, false);
  } else if (kind == "tab") {
    if (Has(xcTab) && HasTabs()) Attach("TSkinTab", control, false);
  } else if (kind == "progress") {
    if (Has(xcProgress)) Attach("TSkinProgress", control, false);
  } else if (kind == "scrollbar") {
    if (Has(xcScrollbar)) {
      Attach("TSkinScrollbar", control, false);
      WalkChildControls(win);
    }
  } else if (kind == "singlescrollbar") {
    if (Has(xcScrollbar)) Attach("TSkinScrollbar", control, false, 1);
  } else if (kind == "embedscrollbar") {
    if (Has(xcScrollbar))
      each_child([&](vcl::TControl* c) {
        if (HasScrollBars(c)) Attach("TSkinScrollbar", c, false);
      });
  } else if (kind == "container") {
    WalkChildControls(win);
  } else if (kind == "groupbox") {
    if (Has(xcGroupBox)) Attach("TSkinGroupBox", control, true);
  } else if (kind == "advpagecontrol") {
    if (Has(xcTab)) Attach("TSkinAdvPage", control, true);
  } else if (kind == "radiogroup") {
    if (Has(xcGroupBox)) {
      if (Has(xcRadioButton)) {
        const bool other = Contains(upper_name, "TRZ");
        each_child([&](vcl::TControl* c) {
          if (other)
            Attach("TSkinObjImage", c, true, -1, GlyphKind(2));
          else
            Attach("TSkinRadioButton", c, false);
        });
      }
      Attach("TSkinGroupBox", control, true);
    }
  } else if (kind == "checkgroup" && Has(xcPanel)) {
    if (Has(xcRadioButton)) {
      const bool other = Contains(upper_name, "TRZ");
      each_child([&](vcl::TControl* c) {
        if (other)
          Attach("TSkinObjImage", c, true, -1, GlyphKind(1));
        else
          Attach("TSkinCheckBox", c, false);
      });
    }
    if (Has(xcGroupBox)) Attach("TSkinGroupBox", control, true);
  } else if (kind == "checkbox") {
    if (Has(xcCheckBox)) Attach("TSkinCheckBox", control, false);
  }
  return true;
}

void TSkinWalk::WalkChildWindows(plat::HWND window) {
  // Direct children, first to last; a companion made on the way may add
  // windows of its own, which are not walked.
  std::vector<plat::HWND> children;
  for (plat::HWND c = plat::GetWindow(window, plat::GW_CHILD); c; c = plat::GetWindow(c, plat::GW_HWNDNEXT))
    if (static_cast<plat::DWORD>(plat::GetWindowLongA(c, plat::GWL_STYLE)) & plat::WS_CHILD)
      children.push_back(c);
  for (plat::HWND c : children)
    if (plat::IsWindow(c)) SkinWindowByClass(c);
}

void TSkinWalk::SkinWindowByClass(plat::HWND window) {
  if (!window || FindSkinOfWindow(window)) return;
  const std::string c = ClassOf(window);
  const auto s = static_cast<plat::DWORD>(plat::GetWindowLongA(window, plat::GWL_STYLE));
  auto take_face = [&] {
    if (vcl::TControl* control = FindControlOfWindow(window)) control->SetColor(data_->Skin().ButtonFace);
  };
  if (c == "button") {
    const plat::DWORD kind = s & 0xF;
    if (kind == plat::BS_OWNERDRAW || kind == plat::BS_GROUPBOX || (s & plat::BS_BITMAP)) return;
    if (kind == plat::BS_CHECKBOX || kind == plat::BS_AUTOCHECKBOX || kind == plat::BS_3STATE ||
        kind == plat::BS_AUTO3STATE)
      AttachWindow("TSkinCheckBox", window);
    else if (kind == plat::BS_PUSHBUTTON || kind == plat::BS_DEFPUSHBUTTON || kind == plat::BS_USERBUTTON)
      AttachWindow("TSkinButton", window);
    else if (kind == plat::BS_RADIOBUTTON || kind == plat::BS_AUTORADIOBUTTON)
      AttachWindow("TSkinRadioButton", window);
  } else if (c == "combobox") {
    if ((s & 0x3) != plat::CBS_SIMPLE) AttachWindow("TSkinComBox", window);
  } else if (c == "comboboxex32") {
    if (plat::HWND inner = plat::GetWindow(window, plat::GW_CHILD)) AttachWindow("TSkinComBox", inner);
  } else if (c == "scrollbar") {
    if (!(s & plat::WS_TABSTOP)) AttachWindow("TSkinSizer", window);
  } else if (c == "#32770") {
    if (!(s & plat::WS_TABSTOP)) {
      WalkChildWindows(window);
      AttachWindow("TSkinBoxH", window);
    }
  } else if (c == "tpanel" || c == "ttntpanel.unicodeclass" || c == "ttntsilentpaintpanel.unicodeclass") {
    WalkChildWindows(window);
    take_face();
  } else if (c == "tcheckbox") {
    AttachWindow("TSkinCheckBox", window);
  } else if (c == "tcombobox") {
    AttachWindow("TSkinComBox", window);
  } else if (c == "tbutton") {
    AttachWindow("TSkinButton", window);
  } else if (c == "tprogressbar") {
    AttachWindow("TSkinProgress", window);
  } else if (c == "tsilentpaintpanel") {
    take_face();
  } else if (c == "systabcontrol32") {
    if (!(s & plat::TCS_OWNERDRAWFIXED)) AttachWindow("TSkinTab", window);
  } else if (c == "edit") {
    AttachWindow("TSkinEdit", window);
  }
}

}  // namespace skin
