#pragma once
// Reading form descriptions into components. Each object is created through
// its class entry (owner = the root), properties are set in the order written,
// component references are resolved once the whole description is read, and
// then Loaded is called on every component in the order read, the root first.
// Any failure raises EReadError with the line; components created by the
// failed read are freed again.
#include <functional>
#include <string>
#include <string_view>

#include "platform/vcl/Classes.h"

namespace vcl {

struct TFormObject;

// Components a description may create at most.
constexpr int kMaxFormComponents = 10000;

// Reads the description into `root` (its own properties and its children).
void ReadFormText(TComponent* root, std::string_view text);
void ReadForm(TComponent* root, const TFormObject& description);

// Creates the root from the description's class (registered) with `owner`, then reads into it.
TComponent* CreateFormFromText(std::string_view text, TComponent* owner);

// Finds components that a reference names outside the root ("Form2.Button1");
// the application registers one so descriptions can point into other forms.
using TFindGlobalComponent = std::function<TComponent*(std::string_view name)>;
void SetFindGlobalComponent(TFindGlobalComponent finder);

}  // namespace vcl
