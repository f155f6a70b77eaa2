#include "Generators.h"

namespace resgen {

std::span<const Generator> Generators() {
  // One line per drawn resource, e.g. {"BITMAP", "LCD_06X07", DrawDigitStrip06x07}.
  // A drawn resource may not share its type and name with a file.
  static const std::vector<Generator> table = {};
  return table;
}

}  // namespace resgen
