#include "platform/kernel/LocalTime.h"

#include <chrono>
#include <ctime>
#include <mutex>

#include "platform/kernel/Clock.h"

namespace plat {

namespace {

struct FixedTime {
  int64_t epoch_us;  // the fixed moment, counted as if local time were UTC
  int64_t clock_us;  // the layer's clock when it was fixed
};

std::mutex local_mutex;
std::optional<FixedTime> fixed_time;

SYSTEMTIME FromTm(const std::tm& tm, int64_t microseconds) {
  SYSTEMTIME t;
  t.wYear = static_cast<WORD>(tm.tm_year + 1900);
  t.wMonth = static_cast<WORD>(tm.tm_mon + 1);
  t.wDayOfWeek = static_cast<WORD>(tm.tm_wday);
  t.wDay = static_cast<WORD>(tm.tm_mday);
  t.wHour = static_cast<WORD>(tm.tm_hour);
  t.wMinute = static_cast<WORD>(tm.tm_min);
  t.wSecond = static_cast<WORD>(tm.tm_sec);
  t.wMilliseconds = static_cast<WORD>(microseconds / 1000);
  return t;
}

int64_t FloorDiv(int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

void GetLocalTime(SYSTEMTIME* time) {
  if (!time) return;
  std::optional<FixedTime> fixed;
  {
    std::lock_guard lock(local_mutex);
    fixed = fixed_time;
  }
  std::tm tm{};
  int64_t us;
  if (fixed) {
    us = fixed->epoch_us + (ClockNowMicroseconds() - fixed->clock_us);
    const std::time_t seconds = static_cast<std::time_t>(FloorDiv(us, 1'000'000));
    gmtime_r(&seconds, &tm);
  } else {
    us = std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::system_clock::now().time_since_epoch())
             .count();
    const std::time_t seconds = static_cast<std::time_t>(FloorDiv(us, 1'000'000));
    localtime_r(&seconds, &tm);
  }
  *time = FromTm(tm, us - FloorDiv(us, 1'000'000) * 1'000'000);
}

namespace clock {

void SetLocalTime(std::optional<SYSTEMTIME> local) {
  std::optional<FixedTime> fixed;
  if (local) {
    std::tm tm{};
    tm.tm_year = local->wYear - 1900;
    tm.tm_mon = local->wMonth - 1;
    tm.tm_mday = local->wDay;
    tm.tm_hour = local->wHour;
    tm.tm_min = local->wMinute;
    tm.tm_sec = local->wSecond;
    fixed = FixedTime{static_cast<int64_t>(timegm(&tm)) * 1'000'000 + local->wMilliseconds * 1000,
                      ClockNowMicroseconds()};
  }
  std::lock_guard lock(local_mutex);
  fixed_time = fixed;
}

}  // namespace clock

}  // namespace plat
