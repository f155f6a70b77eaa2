#include "files/MMObjLst.h"

#include <map>

#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

namespace files {

namespace {

struct LessText {
  bool operator()(const std::string& a, const std::string& b) const { return vcl::CompareText(a, b) < 0; }
};

std::map<std::string, TItemClassRec, LessText>& Registry() {
  static std::map<std::string, TItemClassRec, LessText> registry;
  return registry;
}

}  // namespace

void RegisterItemClass(TItemReadProc read_proc, TItemWriteProc write_proc, vcl::TClass item_class) {
  if (item_class == nullptr) return;
  Registry().emplace(item_class->ClassName(), TItemClassRec{item_class, read_proc, write_proc});
}

const TItemClassRec* FindItemClass(const std::string& class_name) {
  auto it = Registry().find(class_name);
  return it == Registry().end() ? nullptr : &it->second;
}

int ItemClassCount() { return static_cast<int>(Registry().size()); }

void ClearItemClasses() { Registry().clear(); }

}  // namespace files
