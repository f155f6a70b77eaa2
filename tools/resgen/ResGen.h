#pragma once
// The resource compiler: reads the resource folder and writes one C++ source
// holding every resource as a byte array and a table the platform layer
// registers. Runs on the build host, so it depends on nothing of the program.
#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace resgen {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A type or a name: an integer id, or a text in upper case.
struct Key {
  bool is_id = false;
  uint16_t id = 0;
  std::string name;

  friend bool operator<(const Key& a, const Key& b) {
    if (a.is_id != b.is_id) return a.is_id;  // ids before names
    return a.is_id ? a.id < b.id : a.name < b.name;
  }
  friend bool operator==(const Key& a, const Key& b) = default;
};

struct Resource {
  Key type;
  Key name;
  std::vector<uint8_t> data;
  std::string origin;  // file or generator, for messages
};

// Well-known type folder names map to their standard ids, all-digit or
// "#digit" texts to ids, anything else to the text in upper case.
Key TypeKey(const std::string& text);
Key NameKey(const std::string& text);
std::string KeyText(const Key& key);

// Lines `<id> "text"` with C escapes; more literals on the line are joined.
// Blank lines and lines starting with '#' or "//" are comments.
std::map<uint16_t, std::string> ParseStringTable(const std::string& text, const std::string& origin);

// RT_STRING blocks of 16 counted UTF-8 strings, block id = string id / 16 + 1.
std::vector<Resource> StringBlocks(const std::map<uint16_t, std::string>& strings);

// The class of the root object of a form description (text or binary).
std::string FormClassName(const std::string& description, const std::string& origin);

// A text form description with every `{@file:NAME}` value replaced by a
// binary block holding the file NAME under `files` as a stored stream keeps
// it: its size as 32 bits, little-endian, then its bytes. A build output (a
// skin package) thus has one source and is never copied into the resources.
std::string SpliceFiles(const std::string& description, const std::filesystem::path& files,
                        const std::string& origin);

// Everything under `folder`: strings/*.txt, forms/*.dfm, <TYPE>/<NAME>.<ext>,
// then, with `drawn`, what the generators draw (the program's folder only).
// Form descriptions have their `{@file:NAME}` values spliced from `files`.
// Sorted by type and name; duplicates are errors.
std::vector<Resource> Collect(const std::filesystem::path& folder, bool drawn = false,
                              const std::filesystem::path& files = {});

// The C++ source defining `<name>ResourceTable()` and `Register<name>Resources()`.
std::string Emit(const std::vector<Resource>& resources, const std::string& name);

// One line per resource: "<type> <name> <size>".
std::string Listing(const std::vector<Resource>& resources);

}  // namespace resgen
