#include <gtest/gtest.h>

#include <string>

#include "engine/MMString.h"

namespace {

using Align = std::string (*)(const std::string&, char, int);

struct AlignCase {
  const char* name;
  Align align;
  const char* s;
  int width;
  const char* expected;
};

TEST(MMString, FillsOutToWidthAndNeverCuts) {
  const AlignCase cases[] = {
      {"center, odd surplus goes right", engine::CenterString, "ab", 5, "*ab**"},
      {"center, even surplus", engine::CenterString, "ab", 6, "**ab**"},
      {"center, one over", engine::CenterString, "ab", 3, "ab*"},
      {"center, empty string", engine::CenterString, "", 3, "***"},
      {"center, width equal", engine::CenterString, "abc", 3, "abc"},
      {"center, width smaller", engine::CenterString, "abcdef", 2, "abcdef"},
      {"center, negative width", engine::CenterString, "ab", -4, "ab"},
      {"right", engine::RightAlignString, "ab", 5, "***ab"},
      {"right, width equal", engine::RightAlignString, "ab", 2, "ab"},
      {"right, width smaller", engine::RightAlignString, "abcdef", 3, "abcdef"},
      {"right, negative width", engine::RightAlignString, "ab", -1, "ab"},
      {"left", engine::LeftAlignString, "ab", 5, "ab***"},
      {"left, width smaller", engine::LeftAlignString, "abcdef", 0, "abcdef"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.align(c.s, '*', c.width), c.expected) << c.name;
}

}  // namespace
