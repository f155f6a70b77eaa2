#pragma once
// The program's variant: one value of a kind named by its automation code,
// with the conversions between kinds that settings, registry values and
// property tables rely on. Conversions that cannot be made raise
// EVariantError; an empty variant converts to zero or "", a null one to nothing.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace plat {

using TVarType = uint16_t;

constexpr TVarType varEmpty = 0;
constexpr TVarType varNull = 1;
constexpr TVarType varSmallint = 2;
constexpr TVarType varInteger = 3;
constexpr TVarType varSingle = 4;
constexpr TVarType varDouble = 5;
constexpr TVarType varCurrency = 6;
constexpr TVarType varDate = 7;
constexpr TVarType varOleStr = 8;
constexpr TVarType varError = 10;
constexpr TVarType varBoolean = 11;
constexpr TVarType varShortInt = 16;
constexpr TVarType varByte = 17;
constexpr TVarType varWord = 18;
constexpr TVarType varLongWord = 19;
constexpr TVarType varInt64 = 20;
constexpr TVarType varString = 256;

class EVariantError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Variant {
 public:
  Variant() = default;  // empty
  Variant(int16_t v) : type_(varSmallint), int_(v) {}
  Variant(int32_t v) : type_(varInteger), int_(v) {}
  Variant(uint8_t v) : type_(varByte), int_(v) {}
  Variant(int64_t v) : type_(varInt64), int_(v) {}
  Variant(float v) : type_(varSingle), float_(v) {}
  Variant(double v) : type_(varDouble), float_(v) {}
  Variant(bool v) : type_(varBoolean), int_(v ? 1 : 0) {}
  Variant(std::string v) : type_(varString), text_(std::move(v)) {}
  Variant(const char* v) : type_(varString), text_(v != nullptr ? v : "") {}

  static Variant Null();
  // amount * 10,000 as a 64-bit integer.
  static Variant FromCurrency(int64_t scaled);
  static Variant FromCurrencyValue(double amount);
  // Days since 30 December 1899; the fraction is the time of day.
  static Variant FromDate(double days);
  static Variant FromOleStr(std::string text);
  static Variant FromError(int32_t code);
  static Variant FromWord(uint16_t v);
  static Variant FromLongWord(uint32_t v);
  static Variant FromShortInt(int8_t v);

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsString() const { return type_ == varString || type_ == varOleStr; }

  // Floats round to nearest, halves to even; out of range raises. True is -1.
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  // Non-zero numbers, "True" and "False" (any case) and numeric text.
  bool AsBoolean() const;
  int64_t AsCurrency() const;  // scaled by 10,000
  double AsDate() const;
  // Numbers in their shortest exact text with the user's decimal separator;
  // Booleans as "True"/"False"; dates as "yyyy-mm-dd[ hh:nn:ss]".
  std::string AsString() const;

  // Same kind and same value.
  bool operator==(const Variant& other) const;

 private:
  TVarType type_ = varEmpty;
  int64_t int_ = 0;
  double float_ = 0;
  std::string text_;
};

}  // namespace plat
