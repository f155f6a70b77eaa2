#pragma once
// The local date and time of day. Read from the system by default; a test
// fixes it to a known moment, from which it runs on with the layer's clock
// (the manual clock, where the test uses it).
#include <optional>

#include "platform/kernel/Types.h"

namespace plat {

struct SYSTEMTIME {
  WORD wYear = 0;
  WORD wMonth = 0;      // 1..12
  WORD wDayOfWeek = 0;  // 0 = Sunday
  WORD wDay = 0;
  WORD wHour = 0;
  WORD wMinute = 0;
  WORD wSecond = 0;
  WORD wMilliseconds = 0;
};

void GetLocalTime(SYSTEMTIME* time);

namespace clock {

// From now on the local time reads `local` and runs on with the layer's clock;
// std::nullopt gives the system's time back. The day of the week is computed.
void SetLocalTime(std::optional<SYSTEMTIME> local);

}  // namespace clock

}  // namespace plat
