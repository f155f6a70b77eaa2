#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#include "platform/kernel/LocalTime.h"
#include "platform/kernel/Locale.h"

namespace vcl {

namespace {

char DecimalSeparator() { return plat::GetLocaleSeparators().decimal; }

// A float as decimal digits: value = 0.d1d2d3... x 10^exponent. Digits carry no
// trailing zeros; an empty digit string is zero.
struct TFloatRec {
  bool negative = false;
  bool special = false;  // inf or nan; text holds its spelling
  int exponent = 0;
  std::string digits;
  std::string text;
};

// The class library rounds half away from zero on the decimal digits, not on the
// binary value; 18 significant digits are taken first, as from an extended.
TFloatRec FloatToDecimal(double value, int precision, int decimals) {
  TFloatRec rec;
  if (std::isnan(value)) {
    rec.special = true;
    rec.text = "NAN";
    return rec;
  }
  if (std::isinf(value)) {
    rec.special = true;
    rec.negative = value < 0;
    rec.text = value < 0 ? "-INF" : "INF";
    return rec;
  }
  rec.negative = std::signbit(value);
  if (value == 0) {
    rec.negative = false;
    return rec;
  }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17e", std::fabs(value));
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p != '.') digits += *p;
  rec.exponent = std::atoi(p + 1) + 1;
  precision = std::clamp(precision, 1, 18);
  int keep = precision;
  if (decimals >= 0) keep = std::min(precision, rec.exponent + decimals);
  if (keep < 0) {
    rec.negative = false;
    rec.exponent = 0;
    return rec;
  }
  bool up = static_cast<size_t>(keep) < digits.size() && digits[keep] >= '5';
  digits.resize(std::min<size_t>(keep, digits.size()));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && digits[i] == '9') digits[i--] = '0';
    if (i >= 0) {
      ++digits[i];
    } else {
      digits.insert(digits.begin(), '1');
      digits.pop_back();
      if (digits.empty()) digits = "1";
      ++rec.exponent;
    }
  }
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  if (digits.empty()) {
    rec.negative = false;
    rec.exponent = 0;
  }
  rec.digits = digits;
  return rec;
}

std::string GroupThousands(const std::string& int_part) {
  std::string out;
  char sep = ThousandSeparator();
  int n = static_cast<int>(int_part.size());
  for (int i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += sep;
    out += int_part[i];
  }
  return out;
}

// Integer part and fraction of a rounded decimal, `decimals` fraction digits.
void SplitFixed(const TFloatRec& rec, int decimals, std::string& int_part, std::string& frac) {
  int_part.clear();
  frac.clear();
  if (rec.exponent <= 0) {
    int_part = "0";
  } else {
    for (int i = 0; i < rec.exponent; ++i)
      int_part += i < static_cast<int>(rec.digits.size()) ? rec.digits[i] : '0';
  }
  for (int i = 0; i < decimals; ++i) {
    int index = rec.exponent + i;
    frac += index >= 0 && index < static_cast<int>(rec.digits.size()) ? rec.digits[index] : '0';
  }
}

std::string ExponentText(int exponent, bool plus, int min_digits) {
  std::string out;
  if (exponent < 0)
    out += '-';
  else if (plus)
    out += '+';
  std::string n = std::to_string(std::abs(exponent));
  if (static_cast<int>(n.size()) < min_digits) n.insert(0, min_digits - n.size(), '0');
  return out + n;
}

std::string FormatGeneral(const TFloatRec& rec, int precision, int digits) {
  if (rec.digits.empty()) return "0";
  std::string out = rec.negative ? "-" : "";
  if (rec.exponent > precision || rec.exponent < -3) {
    out += rec.digits[0];
    if (rec.digits.size() > 1) out += DecimalSeparator() + rec.digits.substr(1);
    return out + 'E' + ExponentText(rec.exponent - 1, false, std::clamp(digits, 0, 4));
  }
  std::string int_part, frac;
  int decimals = std::max(0, static_cast<int>(rec.digits.size()) - rec.exponent);
  SplitFixed(rec, decimals, int_part, frac);
  out += int_part;
  if (!frac.empty()) out += DecimalSeparator() + frac;
  return out;
}

std::string FloatToText(double value, TFloatFormat format, int precision, int digits) {
  precision = std::clamp(precision, 1, 18);
  switch (format) {
    case ffExponent: {
      TFloatRec rec = FloatToDecimal(value, precision, -1);
      if (rec.special) return rec.text;
      std::string out = rec.negative ? "-" : "";
      std::string d = rec.digits.empty() ? "0" : rec.digits;
      d.resize(precision, '0');
      out += d[0];
      if (precision > 1) out += DecimalSeparator() + d.substr(1);
      int exponent = rec.digits.empty() ? 0 : rec.exponent - 1;
      return out + 'E' + ExponentText(exponent, true, std::clamp(digits, 0, 4));
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      TFloatRec rec = FloatToDecimal(value, precision, digits);
      if (rec.special) return rec.text;
      if (rec.exponent > precision) return FormatGeneral(FloatToDecimal(value, precision, -1), precision, 0);
      std::string int_part, frac;
      SplitFixed(rec, digits, int_part, frac);
      if (format != ffFixed) int_part = GroupThousands(int_part);
      std::string number = int_part;
      if (!frac.empty()) number += DecimalSeparator() + frac;
      if (format == ffCurrency) return rec.negative ? "-$" + number : "$" + number;
      return rec.negative ? "-" + number : number;
    }
    case ffGeneral:
    default: {
      TFloatRec rec = FloatToDecimal(value, precision, -1);
      if (rec.special) return rec.text;
      return FormatGeneral(rec, precision, digits);
    }
  }
}

[[noreturn]] void FormatError(std::string_view format) {
  throw EConvertError("Format '" + std::string(format) + "' invalid or incompatible with argument");
}

std::string ToHex(uint64_t v, int min_digits) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%llX", static_cast<unsigned long long>(v));
  std::string s = buf;
  if (static_cast<int>(s.size()) < min_digits) s.insert(0, min_digits - s.size(), '0');
  return s;
}

// The unsigned view of an integer argument: a 32-bit argument stays 32 bits.
uint64_t UnsignedOf(const TVarRec& arg) {
  if (arg.Kind() == TVarRec::vtInteger) return static_cast<uint32_t>(arg.AsInt());
  return static_cast<uint64_t>(arg.AsInt());
}

bool IsIntegerArg(const TVarRec& arg) {
  return arg.Kind() == TVarRec::vtInteger || arg.Kind() == TVarRec::vtInt64;
}

}  // namespace

std::string Format(std::string_view format, TVarRecs args) {
  const TVarRec* argv = args.begin();
  const int argc = static_cast<int>(args.size());
  int next = 0;
  std::string out;
  size_t i = 0;
  auto take = [&]() -> const TVarRec& {
    if (next >= argc) throw EConvertError("No argument for format '" + std::string(format) + "'");
    return argv[next++];
  };
  // Width, precision and index: digits, or '*' from the arguments.
  auto number = [&](int& value) -> bool {
    if (i < format.size() && format[i] == '*') {
      const TVarRec& arg = take();
      if (!IsIntegerArg(arg)) FormatError(format);
      value = static_cast<int>(std::clamp<int64_t>(arg.AsInt(), -1000000, 1000000));
      ++i;
      return true;
    }
    bool any = false;
    int64_t v = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      v = std::min<int64_t>(v * 10 + (format[i] - '0'), 1000000);
      any = true;
      ++i;
    }
    value = static_cast<int>(v);
    return any;
  };
  while (i < format.size()) {
    char c = format[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    size_t spec_start = i - 1;
    bool left = false;
    int width = 0, precision = -1;
    int first = 0;
    bool have = number(first);
    if (i < format.size() && format[i] == ':') {
      if (!have || first < 0) FormatError(format);
      next = first;
      ++i;
      have = false;
      first = 0;
    }
    if (!have && i < format.size() && format[i] == '-') {
      left = true;
      ++i;
      number(width);
    } else {
      width = first;
      if (!have) number(width);
    }
    if (width < 0) {
      left = true;
      width = -width;
    }
    if (i < format.size() && format[i] == '.') {
      ++i;
      number(precision);
      if (precision < 0) precision = -1;
    }
    if (i >= format.size()) FormatError(format.substr(spec_start));
    char type = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i++])));
    const TVarRec& arg = take();
    std::string text;
    switch (type) {
      case 'd':
      case 'u': {
        if (!IsIntegerArg(arg)) FormatError(format);
        bool negative = false;
        uint64_t magnitude;
        if (type == 'u') {
          magnitude = UnsignedOf(arg);
        } else {
          negative = arg.AsInt() < 0;
          magnitude = negative ? 0 - static_cast<uint64_t>(arg.AsInt()) : static_cast<uint64_t>(arg.AsInt());
        }
        std::string digits = std::to_string(magnitude);
        if (precision > 0 && static_cast<int>(digits.size()) < precision)
          digits.insert(0, std::min(precision, 1000000) - digits.size(), '0');
        text = negative ? "-" + digits : digits;
        break;
      }
      case 'x':
        if (!IsIntegerArg(arg)) FormatError(format);
        text = ToHex(UnsignedOf(arg), std::max(precision, 0));
        break;
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm': {
        if (arg.Kind() != TVarRec::vtExtended) FormatError(format);
        double v = arg.AsFloat();
        switch (type) {
          case 'e':
            text = FloatToText(v, ffExponent, precision < 0 ? 15 : precision, 3);
            break;
          case 'f':
            text = FloatToText(v, ffFixed, 18, precision < 0 ? 2 : precision);
            break;
          case 'g':
            text = FloatToText(v, ffGeneral, precision < 0 ? 15 : precision, 3);
            break;
          case 'n':
            text = FloatToText(v, ffNumber, 18, precision < 0 ? 2 : precision);
            break;
          default:
            text = FloatToText(v, ffCurrency, 18, precision < 0 ? 2 : precision);
            break;
        }
        break;
      }
      case 'p':
        if (arg.Kind() != TVarRec::vtPointer) FormatError(format);
        text = ToHex(reinterpret_cast<uintptr_t>(arg.AsPointer()), sizeof(void*) * 2);
        break;
      case 's':
        if (arg.Kind() == TVarRec::vtString)
          text = arg.AsString();
        else if (arg.Kind() == TVarRec::vtChar)
          text = std::string(1, static_cast<char>(arg.AsInt()));
        else
          FormatError(format);
        if (precision >= 0 && static_cast<int>(text.size()) > precision) text.resize(precision);
        break;
      case 'c':
        if (arg.Kind() != TVarRec::vtChar && !IsIntegerArg(arg)) FormatError(format);
        text = std::string(1, static_cast<char>(arg.AsInt()));
        break;
      default:
        FormatError(format);
    }
    if (static_cast<int>(text.size()) < width) {
      std::string pad(width - text.size(), ' ');
      text = left ? text + pad : pad + text;
    }
    out += text;
  }
  return out;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }

std::string IntToHex(int value, int digits) { return ToHex(static_cast<uint32_t>(value), digits); }

std::string IntToHex(int64_t value, int digits) { return ToHex(static_cast<uint64_t>(value), digits); }

bool TryStrToInt64(const std::string& text, int64_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return false;
  uint64_t magnitude = 0;
  const char* begin = text.data() + i;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(begin, end, magnitude, base);
  if (ec != std::errc() || ptr != end) return false;
  if (base == 16) {
    // Hexadecimal is a bit pattern: $FFFFFFFFFFFFFFFF is -1.
    value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return true;
  }
  if (negative) {
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) + 1) return false;
    value = static_cast<int64_t>(0 - magnitude);
  } else {
    if (magnitude > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return false;
    value = static_cast<int64_t>(magnitude);
  }
  return true;
}

bool TryStrToInt(const std::string& text, int& value) {
  int64_t v;
  if (!TryStrToInt64(text, v)) return false;
  bool hex = text.find('$') != std::string::npos || text.find('x') != std::string::npos ||
             text.find('X') != std::string::npos;
  if (hex && v >= 0 && v <= std::numeric_limits<uint32_t>::max())
    v = static_cast<int32_t>(static_cast<uint32_t>(v));
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
  value = static_cast<int>(v);
  return true;
}

int StrToInt(const std::string& text) {
  int v;
  if (!TryStrToInt(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
  return v;
}

int64_t StrToInt64(const std::string& text) {
  int64_t v;
  if (!TryStrToInt64(text, v)) throw EConvertError("'" + text + "' is not a valid integer value");
  return v;
}

int StrToIntDef(const std::string& text, int default_value) {
  int v;
  return TryStrToInt(text, v) ? v : default_value;
}

char ThousandSeparator() { return DecimalSeparator() == ',' ? '.' : ','; }

std::string FloatToStr(double value) { return FloatToText(value, ffGeneral, 15, 0); }

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToText(value, format, precision, digits);
}

std::string FormatFloat(std::string_view format, double value) {
  // Pick the section: positive;negative;zero. An empty section falls back to the first.
  std::vector<std::string_view> sections;
  {
    size_t start = 0;
    char quote = 0;
    for (size_t i = 0; i <= format.size(); ++i) {
      char c = i < format.size() ? format[i] : ';';
      if (quote) {
        if (c == quote) quote = 0;
        if (i < format.size()) continue;
      }
      if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == ';' || i == format.size()) {
        sections.push_back(format.substr(start, i - start));
        start = i + 1;
        if (sections.size() == 3) break;
      }
    }
  }
  if (sections.empty() || sections[0].empty()) return FloatToStr(value);

  // Analyses one section: decimal places wanted and grouping.
  struct Shape {
    int min_int = 0, min_dec = 0, max_dec = 0;
    bool grouping = false;
  };
  auto analyse = [](std::string_view s) {
    Shape shape;
    bool after_point = false;
    char quote = 0;
    for (char c : s) {
      if (quote) {
        if (c == quote) quote = 0;
        continue;
      }
      if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '0' || c == '#') {
        if (after_point) {
          ++shape.max_dec;
          if (c == '0') shape.min_dec = shape.max_dec;
        } else if (c == '0') {
          ++shape.min_int;
        }
      } else if (c == '.') {
        after_point = true;
      } else if (c == ',' && !after_point) {
        shape.grouping = true;
      }
    }
    return shape;
  };

  std::string_view section = sections[0];
  bool use_sign = true;
  Shape shape = analyse(section);
  TFloatRec rec = FloatToDecimal(value, 18, shape.max_dec);
  if (rec.special) return rec.text;
  if (rec.digits.empty() && sections.size() >= 3 && !sections[2].empty()) {
    section = sections[2];
    use_sign = false;
  } else if (rec.negative && sections.size() >= 2 && !sections[1].empty()) {
    section = sections[1];
    use_sign = false;
  }
  if (section != sections[0]) {
    shape = analyse(section);
    rec = FloatToDecimal(value, 18, shape.max_dec);
  }

  std::string int_part, frac;
  SplitFixed(rec, shape.max_dec, int_part, frac);
  while (static_cast<int>(frac.size()) > shape.min_dec && frac.back() == '0') frac.pop_back();
  if (int_part == "0" && shape.min_int == 0) int_part.clear();
  if (static_cast<int>(int_part.size()) < shape.min_int)
    int_part.insert(0, shape.min_int - int_part.size(), '0');
  if (shape.grouping) int_part = GroupThousands(int_part);
  std::string number = int_part;
  if (!frac.empty()) number += DecimalSeparator() + frac;
  if (use_sign && rec.negative) number.insert(0, "-");

  // Literal text before and after the placeholders stays where it is.
  std::string out;
  bool placed = false;
  char quote = 0;
  for (char c : section) {
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '0' || c == '#' || c == '.' || c == ',') {
      if (!placed) out += number;
      placed = true;
    } else {
      out += c;
    }
  }
  return out;
}

bool TryStrToFloat(const std::string& text, double& value) {
  std::string s = Trim(text);
  char decimal = DecimalSeparator();
  std::string normal;
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) normal += s[i++];
  int mantissa_digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) normal += s[i++], ++mantissa_digits;
  if (i < s.size() && s[i] == decimal) {
    normal += '.';
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
      normal += s[i++], ++mantissa_digits;
  }
  if (mantissa_digits == 0) return false;
  bool negative_exponent = false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    normal += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      negative_exponent = s[i] == '-';
      normal += s[i++];
    }
    int exponent_digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])))
      normal += s[i++], ++exponent_digits;
    if (exponent_digits == 0) return false;
  }
  if (i != s.size()) return false;
  const char* begin = normal.data();
  if (*begin == '+') ++begin;
  double v = 0;
  auto [ptr, ec] = std::from_chars(begin, normal.data() + normal.size(), v);
  if (ec == std::errc::result_out_of_range) {
    if (!negative_exponent) return false;  // overflow
    v = 0;                                 // underflow goes to zero
    if (normal[0] == '-') v = -0.0;
  } else if (ec != std::errc() || ptr != normal.data() + normal.size()) {
    return false;
  }
  value = v;
  return true;
}

double StrToFloat(const std::string& text) {
  double v;
  if (!TryStrToFloat(text, v)) throw EConvertError("'" + text + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(const std::string& text, double default_value) {
  double v;
  return TryStrToFloat(text, v) ? v : default_value;
}

std::string Trim(std::string_view text) { return TrimLeft(TrimRight(text)); }

std::string TrimLeft(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  return std::string(text.substr(i));
}

std::string TrimRight(std::string_view text) {
  size_t n = text.size();
  while (n > 0 && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
  return std::string(text.substr(0, n));
}

std::string UpperCase(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::string LowerCase(std::string_view text) {
  std::string s(text);
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

int CompareStr(std::string_view a, std::string_view b) {
  int r = a.compare(b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CompareText(std::string_view a, std::string_view b) {
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareText(a, b) == 0;
}

bool IsValidIdent(std::string_view ident) {
  if (ident.empty()) return false;
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  if (!alpha(ident[0])) return false;
  for (char c : ident)
    if (!alpha(c) && !(c >= '0' && c <= '9')) return false;
  return true;
}

std::string QuotedStr(std::string_view text, char quote) {
  std::string out(1, quote);
  for (char c : text) {
    out += c;
    if (c == quote) out += c;
  }
  return out + quote;
}

namespace {
bool IsDelimiter(char c) { return c == '\\' || c == '/'; }

// Index just past the last path delimiter or drive colon, 0 when none.
size_t NameStart(std::string_view name) {
  for (size_t i = name.size(); i > 0; --i)
    if (IsDelimiter(name[i - 1]) || name[i - 1] == ':') return i;
  return 0;
}

// Index of the extension's dot, npos when the name part has none.
size_t ExtStart(std::string_view name) {
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot < NameStart(name)) return std::string_view::npos;
  return dot;
}
}  // namespace

std::string ExtractFilePath(std::string_view file_name) {
  return std::string(file_name.substr(0, NameStart(file_name)));
}

std::string ExtractFileDir(std::string_view file_name) {
  size_t n = NameStart(file_name);
  // Keep the delimiter of a root ("\" or "C:\").
  if (n > 1 && IsDelimiter(file_name[n - 1]) && file_name[n - 2] != ':') --n;
  return std::string(file_name.substr(0, n));
}

std::string ExtractFileName(std::string_view file_name) {
  return std::string(file_name.substr(NameStart(file_name)));
}

std::string ExtractFileExt(std::string_view file_name) {
  size_t dot = ExtStart(file_name);
  return dot == std::string_view::npos ? std::string() : std::string(file_name.substr(dot));
}

std::string ChangeFileExt(std::string_view file_name, std::string_view extension) {
  size_t dot = ExtStart(file_name);
  std::string base(dot == std::string_view::npos ? file_name : file_name.substr(0, dot));
  return base + std::string(extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string s(path);
  if (s.empty() || !IsDelimiter(s.back())) s += PathDelim;
  return s;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string s(path);
  if (!s.empty() && IsDelimiter(s.back())) s.pop_back();
  return s;
}

// ---- dates and times ----------------------------------------------------------------------------

namespace {

constexpr int64_t kMsPerDay = 86'400'000;

// Days since 1 January 1970 of a date in the proleptic Gregorian calendar.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// 30 December 1899 counted from 1970.
const int64_t kDateOrigin = DaysFromCivil(1899, 12, 30);

// Whole days and milliseconds of the day, rounded to the millisecond.
void SplitDateTime(TDateTime value, int64_t& days, int64_t& ms) {
  const double total = std::round(value * static_cast<double>(kMsPerDay));
  const int64_t all = static_cast<int64_t>(total);
  days = all / kMsPerDay - (all % kMsPerDay < 0);
  ms = all - days * kMsPerDay;
}

std::mutex date_formats_mutex;
std::optional<TDateTimeFormats> injected_date_formats;

std::string Padded(int value, int width) {
  std::string text = std::to_string(value);
  if (static_cast<int>(text.size()) < width) text.insert(0, static_cast<size_t>(width) - text.size(), '0');
  return text;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31)
    throw EConvertError("Invalid argument to date encode");
  int y, m, d;
  const int64_t days = DaysFromCivil(year, month, day);
  CivilFromDays(days, y, m, d);
  if (m != month) throw EConvertError("Invalid argument to date encode");
  return static_cast<double>(days - kDateOrigin);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    throw EConvertError("Invalid argument to time encode");
  return static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) /
         static_cast<double>(kMsPerDay);
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  int64_t days, ms;
  SplitDateTime(value, days, ms);
  CivilFromDays(days + kDateOrigin, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  int64_t days, ms;
  SplitDateTime(value, days, ms);
  millisecond = static_cast<int>(ms % 1000);
  second = static_cast<int>(ms / 1000 % 60);
  minute = static_cast<int>(ms / 60'000 % 60);
  hour = static_cast<int>(ms / 3'600'000);
}

TDateTime Now() {
  plat::SYSTEMTIME t;
  plat::GetLocalTime(&t);
  return EncodeDate(t.wYear, t.wMonth, t.wDay) + EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

TDateTime Date() { return std::floor(Now()); }

TDateTime Time() {
  const TDateTime now = Now();
  return now - std::floor(now);
}

std::string FormatDateTime(std::string_view format, TDateTime value) {
  int year, month, day, hour, minute, second, ms;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, ms);
  std::string out;
  size_t i = 0;
  auto starts = [&](std::string_view token) {
    if (format.size() - i < token.size()) return false;
    for (size_t k = 0; k < token.size(); ++k)
      if (std::tolower(static_cast<unsigned char>(format[i + k])) != token[k]) return false;
    i += token.size();
    return true;
  };
  while (i < format.size()) {
    const char c = format[i];
    if (c == '"' || c == '\'') {
      const size_t end = format.find(c, i + 1);
      const size_t stop = end == std::string_view::npos ? format.size() : end;
      out.append(format.substr(i + 1, stop - i - 1));
      i = stop == format.size() ? stop : stop + 1;
    } else if (starts("yyyy")) {
      out += Padded(year, 4);
    } else if (starts("yy")) {
      out += Padded(year % 100, 2);
    } else if (starts("mm")) {
      out += Padded(month, 2);
    } else if (starts("m")) {
      out += std::to_string(month);
    } else if (starts("dd")) {
      out += Padded(day, 2);
    } else if (starts("d")) {
      out += std::to_string(day);
    } else if (starts("hh")) {
      out += Padded(hour, 2);
    } else if (starts("h")) {
      out += std::to_string(hour);
    } else if (starts("nn")) {
      out += Padded(minute, 2);
    } else if (starts("n")) {
      out += std::to_string(minute);
    } else if (starts("ss")) {
      out += Padded(second, 2);
    } else if (starts("s")) {
      out += std::to_string(second);
    } else if (starts("zzz")) {
      out += Padded(ms, 3);
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

TDateTimeFormats GetDateTimeFormats() {
  std::lock_guard lock(date_formats_mutex);
  return injected_date_formats.value_or(TDateTimeFormats{});
}

void SetDateTimeFormats(std::optional<TDateTimeFormats> injected) {
  std::lock_guard lock(date_formats_mutex);
  injected_date_formats = std::move(injected);
}

std::string DateToStr(TDateTime value) { return FormatDateTime(GetDateTimeFormats().short_date, value); }

std::string TimeToStr(TDateTime value) { return FormatDateTime(GetDateTimeFormats().long_time, value); }

std::string DateTimeToStr(TDateTime value) { return DateToStr(value) + " " + TimeToStr(value); }

}  // namespace vcl
