#include "platform/kernel/Locale.h"

#include <langinfo.h>
#include <locale.h>

#include <mutex>

namespace plat {

namespace {

// The environment's numeric locale, read into a private locale object so the
// process's global C locale stays as the rest of the program expects it.
LocaleSeparators ReadSystemSeparators() {
  LocaleSeparators result;
  locale_t numeric = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
  if (!numeric) return result;
  const char* radix = nl_langinfo_l(RADIXCHAR, numeric);
  // A separator outside ASCII cannot be one character of the callers' text.
  if (radix && radix[0] != '\0' && radix[1] == '\0' && static_cast<unsigned char>(radix[0]) < 0x80)
    result.decimal = radix[0];
  freelocale(numeric);
  result.list = result.decimal == ',' ? ';' : ',';
  return result;
}

std::mutex locale_mutex;
std::optional<LocaleSeparators> injected_separators;

}  // namespace

LocaleSeparators GetLocaleSeparators() {
  {
    std::lock_guard lock(locale_mutex);
    if (injected_separators) return *injected_separators;
  }
  static const LocaleSeparators system = ReadSystemSeparators();
  return system;
}

void SetLocaleSeparators(std::optional<LocaleSeparators> injected) {
  std::lock_guard lock(locale_mutex);
  injected_separators = injected;
}

}  // namespace plat
