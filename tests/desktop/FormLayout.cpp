#include "desktop/FormLayout.h"

#include <cctype>
#include <fstream>
#include <string>
#include <vector>

#ifndef QUELLIX_SOURCE_DIR
#error "the build names the source folder in QUELLIX_SOURCE_DIR"
#endif

namespace desktop {

namespace {

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

FormLayout FormLayout::Load(const std::string& name) {
  FormLayout layout;
  std::ifstream in(std::string(QUELLIX_SOURCE_DIR) + "/resources/forms/" + name + ".dfm");
  struct Open {
    std::string name;
    ControlRect rect;
    int origin_x = 0, origin_y = 0;  // the parent's client origin in form coordinates
  };
  std::vector<Open> stack;
  for (std::string raw; std::getline(in, raw);) {
    const std::string line = Trim(raw);
    if (line.rfind("object ", 0) == 0) {
      Open o;
      o.name = line.substr(7, line.find(':') - 7);
      if (!stack.empty() && stack.size() > 1) {
        o.origin_x = stack.back().origin_x + stack.back().rect.left;
        o.origin_y = stack.back().origin_y + stack.back().rect.top;
      }
      stack.push_back(o);
      continue;
    }
    if (line == "end") {
      if (stack.empty()) continue;
      Open o = stack.back();
      stack.pop_back();
      if (!stack.empty()) {
        o.rect.left += o.origin_x;
        o.rect.top += o.origin_y;
        layout.controls_[o.name] = o.rect;
      }
      continue;
    }
    const size_t eq = line.find(" = ");
    if (eq == std::string::npos || stack.empty()) continue;
    const std::string key = line.substr(0, eq), value = line.substr(eq + 3);
    if (value.empty() || (!std::isdigit(static_cast<unsigned char>(value[0])) && value[0] != '-')) continue;
    const int v = std::stoi(value);
    ControlRect& r = stack.back().rect;
    if (key == "Left") r.left = v;
    if (key == "Top") r.top = v;
    if (key == "Width") r.width = v;
    if (key == "Height") r.height = v;
    if (stack.size() == 1) {
      if (key == "ClientWidth") layout.client_width_ = v;
      if (key == "ClientHeight") layout.client_height_ = v;
      if (key == "Width") layout.width_ = v;
      if (key == "Height") layout.height_ = v;
    }
  }
  return layout;
}

std::optional<ControlRect> FormLayout::Control(const std::string& name) const {
  const auto found = controls_.find(name);
  if (found == controls_.end()) return std::nullopt;
  return found->second;
}

}  // namespace desktop
