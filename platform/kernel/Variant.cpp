#include "platform/kernel/Variant.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>

#include "platform/kernel/Locale.h"

namespace plat {

namespace {

bool IsIntegerKind(TVarType t) {
  switch (t) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
      return true;
    default:
      return false;
  }
}

bool IsFloatKind(TVarType t) { return t == varSingle || t == varDouble || t == varDate; }

[[noreturn]] void CannotConvert(TVarType from, const char* to) {
  throw EVariantError("Could not convert variant of type (" + std::to_string(from) + ") into type (" + to +
                      ")");
}

[[noreturn]] void Overflow() { throw EVariantError("Overflow while converting variant"); }

std::string Trimmed(const std::string& text) {
  size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

bool ParseInt(const std::string& raw, int64_t& out) {
  std::string t = Trimmed(raw);
  if (t.empty()) return false;
  int base = 10;
  size_t start = 0;
  bool negative = false;
  if (t[0] == '-' || t[0] == '+') {
    negative = t[0] == '-';
    start = 1;
  }
  if (t.compare(start, 1, "$") == 0) {
    base = 16;
    start += 1;
  } else if (t.size() > start + 1 && t[start] == '0' && (t[start + 1] == 'x' || t[start + 1] == 'X')) {
    base = 16;
    start += 2;
  }
  if (start >= t.size() || t[start] == '-' || t[start] == '+') return false;
  uint64_t magnitude = 0;
  auto [end, ec] = std::from_chars(t.data() + start, t.data() + t.size(), magnitude, base);
  if (ec != std::errc() || end != t.data() + t.size()) return false;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (magnitude > limit) return false;
  out = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return true;
}

// Accepts '.' and the user's decimal separator.
bool ParseFloat(const std::string& raw, double& out) {
  std::string t = Trimmed(raw);
  const char decimal = GetLocaleSeparators().decimal;
  for (char& c : t)
    if (c == decimal) c = '.';
  if (!t.empty() && t[0] == '+') t.erase(0, 1);
  if (t.empty()) return false;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
  return ec == std::errc() && end == t.data() + t.size() && std::isfinite(out);
}

// Round to nearest, halves to even, refusing what a 64-bit integer cannot hold.
int64_t RoundToInt64(double v) {
  if (!std::isfinite(v)) Overflow();
  const double r = std::nearbyint(v);
  if (r < -9223372036854775808.0 || r >= 9223372036854775808.0) Overflow();
  return static_cast<int64_t>(r);
}

// scaled / 10000 rounded to nearest, halves to even, in integers.
int64_t CurrencyToInt(int64_t scaled) {
  int64_t q = scaled / 10000;
  const int64_t r = scaled % 10000;
  if (r > 5000 || (r == 5000 && (q & 1))) ++q;
  if (r < -5000 || (r == -5000 && (q & 1))) --q;
  return q;
}

std::string ShortestText(double v, bool single) {
  char buf[64];
  auto [end, ec] = single ? std::to_chars(buf, buf + sizeof(buf), static_cast<float>(v))
                          : std::to_chars(buf, buf + sizeof(buf), v);
  std::string text = ec == std::errc() ? std::string(buf, end) : std::string("0");
  const char decimal = GetLocaleSeparators().decimal;
  for (char& c : text)
    if (c == '.') c = decimal;
  return text;
}

constexpr std::chrono::sys_days kDateOrigin = std::chrono::sys_days{std::chrono::year{1899} / 12 / 30};

std::string DateText(double days) {
  if (!std::isfinite(days) || std::fabs(days) > 3e6) Overflow();
  const double whole = std::trunc(days);
  int64_t seconds = static_cast<int64_t>(std::llround(std::fabs(days - whole) * 86400.0));
  int64_t day_count = static_cast<int64_t>(whole);
  if (seconds >= 86400) {  // a fraction that rounds up to midnight
    seconds -= 86400;
    day_count += days < 0 ? -1 : 1;
  }
  const std::chrono::year_month_day ymd{kDateOrigin + std::chrono::days{day_count}};
  char buf[64];
  int n = std::snprintf(buf, sizeof(buf), "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                        static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  if (seconds != 0)
    std::snprintf(buf + n, sizeof(buf) - static_cast<size_t>(n), " %02d:%02d:%02d",
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60));
  return buf;
}

bool ParseDate(const std::string& raw, double& out) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
  char tail = 0;
  const std::string t = Trimmed(raw);
  const int fields = std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d%c", &y, &mo, &d, &h, &mi, &s, &tail);
  if (fields != 3 && fields != 6) return false;
  const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{static_cast<unsigned>(mo)},
                                        std::chrono::day{static_cast<unsigned>(d)}};
  if (!ymd.ok() || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return false;
  const double whole = static_cast<double>((std::chrono::sys_days{ymd} - kDateOrigin).count());
  const double fraction = (h * 3600 + mi * 60 + s) / 86400.0;
  out = whole < 0 ? whole - fraction : whole + fraction;
  return true;
}

}  // namespace

Variant Variant::Null() {
  Variant v;
  v.type_ = varNull;
  return v;
}

Variant Variant::FromCurrency(int64_t scaled) {
  Variant v;
  v.type_ = varCurrency;
  v.int_ = scaled;
  return v;
}

Variant Variant::FromCurrencyValue(double amount) { return FromCurrency(RoundToInt64(amount * 10000.0)); }

Variant Variant::FromDate(double days) {
  Variant v;
  v.type_ = varDate;
  v.float_ = days;
  return v;
}

Variant Variant::FromOleStr(std::string text) {
  Variant v(std::move(text));
  v.type_ = varOleStr;
  return v;
}

Variant Variant::FromError(int32_t code) {
  Variant v;
  v.type_ = varError;
  v.int_ = code;
  return v;
}

Variant Variant::FromWord(uint16_t value) {
  Variant v;
  v.type_ = varWord;
  v.int_ = value;
  return v;
}

Variant Variant::FromLongWord(uint32_t value) {
  Variant v;
  v.type_ = varLongWord;
  v.int_ = value;
  return v;
}

Variant Variant::FromShortInt(int8_t value) {
  Variant v;
  v.type_ = varShortInt;
  v.int_ = value;
  return v;
}

int64_t Variant::AsInt64() const {
  if (type_ == varEmpty) return 0;
  if (IsIntegerKind(type_)) return int_;
  if (type_ == varBoolean) return int_ != 0 ? -1 : 0;
  if (IsFloatKind(type_)) return RoundToInt64(float_);
  if (type_ == varCurrency) return CurrencyToInt(int_);
  if (IsString()) {
    int64_t i = 0;
    if (ParseInt(text_, i)) return i;
    double d = 0;
    if (ParseFloat(text_, d)) return RoundToInt64(d);
  }
  CannotConvert(type_, "Int64");
}

int32_t Variant::AsInteger() const {
  const int64_t v = AsInt64();
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) Overflow();
  return static_cast<int32_t>(v);
}

double Variant::AsDouble() const {
  if (type_ == varEmpty) return 0;
  if (IsIntegerKind(type_)) return static_cast<double>(int_);
  if (type_ == varBoolean) return int_ != 0 ? -1 : 0;
  if (IsFloatKind(type_)) return float_;
  if (type_ == varCurrency) return static_cast<double>(int_) / 10000.0;
  if (IsString()) {
    double d = 0;
    if (ParseFloat(text_, d)) return d;
  }
  CannotConvert(type_, "Double");
}

bool Variant::AsBoolean() const {
  if (type_ == varEmpty) return false;
  if (IsIntegerKind(type_) || type_ == varBoolean || type_ == varCurrency) return int_ != 0;
  if (IsFloatKind(type_)) return float_ != 0;
  if (IsString()) {
    const std::string t = Trimmed(text_);
    auto same = [&t](const char* word) {
      size_t i = 0;
      for (; word[i] != '\0'; ++i)
        if (i >= t.size() || std::tolower(static_cast<unsigned char>(t[i])) != word[i]) return false;
      return i == t.size();
    };
    if (same("true")) return true;
    if (same("false")) return false;
    double d = 0;
    if (ParseFloat(t, d)) return d != 0;
  }
  CannotConvert(type_, "Boolean");
}

int64_t Variant::AsCurrency() const {
  if (type_ == varCurrency) return int_;
  if (type_ == varEmpty) return 0;
  if (IsIntegerKind(type_) || type_ == varBoolean) {
    const int64_t v = type_ == varBoolean ? (int_ != 0 ? -1 : 0) : int_;
    if (v > std::numeric_limits<int64_t>::max() / 10000 || v < std::numeric_limits<int64_t>::min() / 10000)
      Overflow();
    return v * 10000;
  }
  return RoundToInt64(AsDouble() * 10000.0);
}

double Variant::AsDate() const {
  if (IsString()) {
    double d = 0;
    if (ParseDate(text_, d)) return d;
  }
  return AsDouble();
}

std::string Variant::AsString() const {
  if (type_ == varEmpty) return std::string();
  if (IsString()) return text_;
  if (IsIntegerKind(type_)) return std::to_string(int_);
  if (type_ == varBoolean) return int_ != 0 ? "True" : "False";
  if (type_ == varSingle) return ShortestText(float_, true);
  if (type_ == varDouble) return ShortestText(float_, false);
  if (type_ == varDate) return DateText(float_);
  if (type_ == varCurrency) {
    // Up to four decimals, trailing zeros dropped.
    const uint64_t magnitude = int_ < 0 ? 0 - static_cast<uint64_t>(int_) : static_cast<uint64_t>(int_);
    std::string text = (int_ < 0 ? "-" : "") + std::to_string(magnitude / 10000);
    uint64_t fraction = magnitude % 10000;
    if (fraction != 0) {
      char digits[8];
      std::snprintf(digits, sizeof(digits), "%04u", static_cast<unsigned>(fraction));
      std::string f(digits);
      while (f.back() == '0') f.pop_back();
      text += GetLocaleSeparators().decimal + f;
    }
    return text;
  }
  CannotConvert(type_, "String");
}

bool Variant::operator==(const Variant& other) const {
  if (type_ != other.type_) return false;
  if (IsString()) return text_ == other.text_;
  if (IsFloatKind(type_)) return float_ == other.float_;
  return int_ == other.int_;
}

}  // namespace plat
