#pragma once
// Where a form description puts its controls: each named control's rectangle
// in the form's client coordinates (its parents' offsets added), and the
// form's client size, so a test clicks where the program draws a control.
#include <map>
#include <optional>
#include <string>

namespace desktop {

struct ControlRect {
  int left = 0, top = 0, width = 0, height = 0;
};

class FormLayout {
 public:
  // Reads resources/forms/<name>.dfm of the source tree; empty when it is missing.
  static FormLayout Load(const std::string& name);

  bool Empty() const { return controls_.empty(); }
  std::optional<ControlRect> Control(const std::string& name) const;
  int ClientWidth() const { return client_width_; }
  int ClientHeight() const { return client_height_; }
  // The form's outer size where the description gives that instead of the client size.
  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  std::map<std::string, ControlRect> controls_;
  int client_width_ = 0, client_height_ = 0, width_ = 0, height_ = 0;
};

}  // namespace desktop
