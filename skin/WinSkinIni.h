#pragma once
// The skin description's own INI dialect. Unlike the class library's INI
// file it keeps the first section of a name and the first occurrence of a
// key, treats only lines that begin with ";" as comments, and compares
// section headers with their brackets as written. Value conventions
// (integers, colour texts, colour triples) live here too.
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/vcl/Colors.h"
#include "platform/vcl/Streams.h"

namespace skin {

class TQuickIni {
 public:
  // Parses from the stream's position to its end; a null stream leaves the
  // lists as they are.
  void LoadFromStream(vcl::TStream* stream);
  void LoadFromText(std::string_view text);

  // Section names without brackets, trimmed, in file order.
  std::vector<std::string> ReadSections() const;
  // Leaves `value` at `default_value` when the section, the key or a
  // non-empty value is missing.
  void ReadString(std::string_view section, std::string_view key, std::string& value,
                  const std::string& default_value) const;
  std::string ReadString(std::string_view section, std::string_view key,
                         const std::string& default_value = {}) const;
  // Decimal, "$" or "0x" hexadecimal; the default when the text does not
  // convert to a 32-bit integer.
  int ReadInteger(std::string_view section, std::string_view key, int default_value) const;
  // A colour text (see SkinColourText); the default for an empty value.
  vcl::TColor ReadColour(std::string_view section, std::string_view key, vcl::TColor default_value) const;
  // Keys prefix + "R", "G", "B": RGB only when all three are 0 or more.
  vcl::TColor ReadColourTriple(std::string_view section, std::string_view prefix,
                               vcl::TColor default_value) const;

  const std::vector<std::string>& Lines() const { return lines_; }
  // Header lines as written, each with its index in Lines().
  const std::vector<std::pair<std::string, int>>& Sections() const { return sections_; }

 private:
  std::vector<std::string> lines_;
  std::vector<std::pair<std::string, int>> sections_;
  // Lower-cased header to the line of its first occurrence; descriptions
  // with thousands of sections must not cost a scan of them per key.
  std::unordered_map<std::string, int> first_section_;
};

// Converts a "$" or "0x" hexadecimal or decimal text as ReadInteger does.
bool SkinTextToInt(const std::string& text, int& value);

// Digit runs become red, green and blue in turn, each ended by any other
// character; at the end of the text the pending digits count as blue only
// when red and green are stored. A run above 2147483647 is not stored and
// blocks every later channel; channels not stored are 0, each is taken
// modulo 256, and numbers after the third are ignored.
vcl::TColor SkinColourText(std::string_view text);

}  // namespace skin
