#pragma once
// The registry of streamable list-item classes: each class name with the
// routines that read and write one item of it.
#include <string>

#include "platform/vcl/Classes.h"
#include "platform/vcl/Streams.h"

namespace files {

using TItemReadProc = void (*)(vcl::TObject* item, vcl::TStream& stream);
using TItemWriteProc = void (*)(const vcl::TObject* item, vcl::TStream& stream);

struct TItemClassRec {
  vcl::TClass ItemClass = nullptr;
  TItemReadProc ReadProc = nullptr;
  TItemWriteProc WriteProc = nullptr;
};

// A class registered before keeps its first entry.
void RegisterItemClass(TItemReadProc read_proc, TItemWriteProc write_proc, vcl::TClass item_class);
// Null when the name was never registered (letter case ignored).
const TItemClassRec* FindItemClass(const std::string& class_name);
int ItemClassCount();
// Unit shut-down: forgets every entry.
void ClearItemClasses();

}  // namespace files
