#pragma once
// The value files of the result slots as the tests read them back: one whole
// number a line.
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace mainwindow {

inline std::vector<int32_t> ReadValues(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  std::vector<int32_t> values;
  std::string line;
  while (std::getline(in, line)) values.push_back(std::stoi(line));
  return values;
}

}  // namespace mainwindow
