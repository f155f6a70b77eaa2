#pragma once
// Filling strings out to a width. Each returns a new string; a string that is
// already as wide as asked (or wider) comes back unchanged, never cut.
#include <string>

namespace engine {

// An odd surplus puts the extra fill character on the right.
std::string CenterString(const std::string& s, char ch, int width);
std::string RightAlignString(const std::string& s, char ch, int width);
std::string LeftAlignString(const std::string& s, char ch, int width);

}  // namespace engine
