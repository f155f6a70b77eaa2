#pragma once
// Exceptions, text formatting and conversions, file-name routines of the class
// library. Float conversions follow the injectable locale (plat::GetLocaleSeparators).
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

namespace vcl {

// One argument of Format: an integer, a float, a text, a character or a pointer.
class TVarRec {
 public:
  enum TKind { vtInteger, vtInt64, vtExtended, vtString, vtChar, vtPointer, vtBoolean };

  TVarRec(int v) : kind_(vtInteger), int_(v) {}
  TVarRec(unsigned v) : kind_(vtInt64), int_(v) {}
  TVarRec(long v) : kind_(vtInt64), int_(v) {}
  TVarRec(unsigned long v) : kind_(vtInt64), int_(static_cast<int64_t>(v)) {}
  TVarRec(long long v) : kind_(vtInt64), int_(v) {}
  TVarRec(unsigned long long v) : kind_(vtInt64), int_(static_cast<int64_t>(v)) {}
  TVarRec(short v) : kind_(vtInteger), int_(v) {}
  TVarRec(unsigned short v) : kind_(vtInteger), int_(v) {}
  TVarRec(double v) : kind_(vtExtended), float_(v) {}
  TVarRec(float v) : kind_(vtExtended), float_(v) {}
  TVarRec(char v) : kind_(vtChar), int_(static_cast<unsigned char>(v)) {}
  TVarRec(bool v) : kind_(vtBoolean), int_(v) {}
  TVarRec(const char* v) : kind_(vtString), str_(v ? v : "") {}
  TVarRec(std::string v) : kind_(vtString), str_(std::move(v)) {}
  TVarRec(std::string_view v) : kind_(vtString), str_(v) {}
  TVarRec(const void* v) : kind_(vtPointer), ptr_(v) {}

  TKind Kind() const { return kind_; }
  int64_t AsInt() const { return int_; }
  double AsFloat() const { return float_; }
  const std::string& AsString() const { return str_; }
  const void* AsPointer() const { return ptr_; }

 private:
  TKind kind_;
  int64_t int_ = 0;
  double float_ = 0;
  std::string str_;
  const void* ptr_ = nullptr;
};

using TVarRecs = std::initializer_list<TVarRec>;

// Format with the class library's rules: %[index:][-][width][.prec]type, types
// d u x e f g n m p s c, '*' for width or precision taken from the arguments.
// Raises EConvertError for a bad format or a missing or mismatched argument.
std::string Format(std::string_view format, TVarRecs args);

// Base of every exception the class library and the program raise.
class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  // CreateFmt: the message is Format(format, args).
  Exception(std::string_view format, TVarRecs args) : message_(Format(format, args)) {}

  const std::string& Message() const { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define VCL_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {              \
   public:                                \
    using Base::Base;                     \
  }

VCL_DECLARE_EXCEPTION(EConvertError, Exception);
VCL_DECLARE_EXCEPTION(EOutOfMemory, Exception);
VCL_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VCL_DECLARE_EXCEPTION(EExternal, Exception);
VCL_DECLARE_EXCEPTION(EIntError, EExternal);
VCL_DECLARE_EXCEPTION(EDivByZero, EIntError);
VCL_DECLARE_EXCEPTION(ERangeError, EIntError);
VCL_DECLARE_EXCEPTION(EIntOverflow, EIntError);
VCL_DECLARE_EXCEPTION(EMathError, EExternal);
VCL_DECLARE_EXCEPTION(EInOutError, Exception);
VCL_DECLARE_EXCEPTION(EAbort, Exception);

// Integers.
std::string IntToStr(int64_t value);
std::string IntToHex(int value, int digits);
std::string IntToHex(int64_t value, int digits);
// Decimal, or hexadecimal with '$' or "0x"; leading blanks allowed.
int StrToInt(const std::string& text);
int64_t StrToInt64(const std::string& text);
int StrToIntDef(const std::string& text, int default_value);
bool TryStrToInt(const std::string& text, int& value);
bool TryStrToInt64(const std::string& text, int64_t& value);

// Floats.
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
std::string FloatToStr(double value);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
// Sections "positive;negative;zero" of '0', '#', '.', ',' and literal text.
std::string FormatFloat(std::string_view format, double value);
double StrToFloat(const std::string& text);
double StrToFloatDef(const std::string& text, double default_value);
bool TryStrToFloat(const std::string& text, double& value);
// The thousands separator that goes with the locale's decimal separator.
char ThousandSeparator();

// Text.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
bool IsValidIdent(std::string_view ident);
std::string QuotedStr(std::string_view text, char quote = '\'');

// File names. The program's paths use '\'; '/' is accepted as well.
constexpr char PathDelim = '\\';
std::string ExtractFilePath(std::string_view file_name);
std::string ExtractFileDir(std::string_view file_name);
std::string ExtractFileName(std::string_view file_name);
std::string ExtractFileExt(std::string_view file_name);
std::string ChangeFileExt(std::string_view file_name, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);

// Dates and times: days since 30 December 1899, the time of day as the fraction.
using TDateTime = double;
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
// The local date and time (plat::GetLocalTime), the date alone, the time alone.
TDateTime Now();
TDateTime Date();
TDateTime Time();
// yyyy yy mm m dd d hh h nn n ss s zzz; text in quotes and any other
// character is copied as it stands.
std::string FormatDateTime(std::string_view format, TDateTime value);

// The formats DateToStr and TimeToStr use; tests inject their own.
struct TDateTimeFormats {
  std::string short_date = "yyyy-mm-dd";
  std::string long_time = "hh:nn:ss";
};
TDateTimeFormats GetDateTimeFormats();
// Replaces the formats until reset with std::nullopt.
void SetDateTimeFormats(std::optional<TDateTimeFormats> injected);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// The date, a blank and the time.
std::string DateTimeToStr(TDateTime value);

}  // namespace vcl
