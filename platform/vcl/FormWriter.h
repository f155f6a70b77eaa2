#pragma once
// Writing components as form descriptions: every published property whose
// stored rule says so and whose value differs from its default, in declaration
// order, then the properties a class defines itself, then the children.
#include <string>

#include "platform/vcl/Classes.h"

namespace vcl {

struct TFormObject;

TFormObject WriteForm(TComponent* root);
std::string WriteFormText(TComponent* root);

}  // namespace vcl
