#include "engine/MMString.h"

namespace engine {

namespace {

// The fill a string needs to reach width; 0 when it is wide enough already.
size_t Surplus(const std::string& s, int width) {
  if (width <= 0 || static_cast<size_t>(width) <= s.size()) return 0;
  return static_cast<size_t>(width) - s.size();
}

}  // namespace

std::string CenterString(const std::string& s, char ch, int width) {
  const size_t surplus = Surplus(s, width);
  if (surplus == 0) return s;
  std::string result(static_cast<size_t>(width), ch);
  result.replace(surplus / 2, s.size(), s);
  return result;
}

std::string RightAlignString(const std::string& s, char ch, int width) {
  return std::string(Surplus(s, width), ch) + s;
}

std::string LeftAlignString(const std::string& s, char ch, int width) {
  return s + std::string(Surplus(s, width), ch);
}

}  // namespace engine
