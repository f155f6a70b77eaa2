#pragma once
// The program's windows: their descriptions (resources/forms/*.dfm),
// the global of each window, and the order the main block creates them in.
#include <string>

#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"

namespace app {

// Raised when a window's description is missing or disagrees with its class.
class EAppFormError : public vcl::Exception {
 public:
  using vcl::Exception::Exception;
};

class TFrmMain;
class TFrmInfo;

// The start-up and information window; the main block shows it first.
extern TFrmInfo* FrmInfo;

// Reads a form's description, found by its class name among the program's
// form resources, then runs its OnCreate. Form constructors call it.
void InitAppForm(vcl::TCustomForm* form);
// The same for a form whose global the application set before the description
// was read: a failed read leaves the global null rather than dangling.
template <class T>
void InitAppForm(T* form, T*& global) {
  try {
    InitAppForm(form);
  } catch (...) {
    if (global == form) global = nullptr;
    throw;
  }
}

// The component `name` of a form's description; EAppFormError when it is
// missing or of another class.
template <class T>
T* RequireComponent(vcl::TComponent* form, const std::string& name) {
  auto* found = dynamic_cast<T*>(form->FindComponent(name));
  if (!found) throw EAppFormError("The description of " + form->ClassName() + " lacks " + name);
  return found;
}

// The hourglass while a handler runs; the arrow again however it ends.
class TWaitCursor {
 public:
  TWaitCursor() { vcl::Screen->SetCursor(vcl::crHourGlass); }
  ~TWaitCursor() { vcl::Screen->SetCursor(vcl::crDefault); }
  TWaitCursor(const TWaitCursor&) = delete;
  TWaitCursor& operator=(const TWaitCursor&) = delete;
};

// Creates the start-up window, shows and paints it.
void ShowStartupWindow();
// Creates the main window, then the dialogs, in the program's order.
void CreateForms();

}  // namespace app
