// Reads arbitrary bytes as a result file the exports take their values from:
// at most the table's values are read, and a line that is no integer is
// refused with a conversion error.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>
#include <vector>

#include "app/Exports.h"
#include "platform/vcl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (size_t table_size : {app::kEqTableSize, app::kXlsTableSize}) {
    // A guard value past the table's end shows a write beyond it.
    std::vector<int32_t> values(table_size + 1, 0x5A5A5A5A);
    try {
      app::ReadExportValues(text, std::span<int32_t>(values.data(), table_size));
    } catch (const vcl::EConvertError&) {
    }
    if (values[table_size] != 0x5A5A5A5A) std::abort();
  }
  return 0;
}
