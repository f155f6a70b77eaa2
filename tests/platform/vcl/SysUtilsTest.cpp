// Format, conversions under an injected locale, text and file-name routines.
#include <gtest/gtest.h>

#include <cmath>

#include "TestClasses.h"
#include "platform/kernel/Clock.h"
#include "platform/kernel/LocalTime.h"
#include "platform/vcl/SysUtils.h"

namespace vcltest {
namespace {

struct FormatCase {
  const char* format;
  std::vector<TVarRec> args;
  const char* expect;
};

std::string FormatOf(const FormatCase& c) {
  // Format takes an initializer_list; rebuild one of the case's size.
  switch (c.args.size()) {
    case 0:
      return Format(c.format, {});
    case 1:
      return Format(c.format, {c.args[0]});
    case 2:
      return Format(c.format, {c.args[0], c.args[1]});
    default:
      return Format(c.format, {c.args[0], c.args[1], c.args[2]});
  }
}

TEST(FormatTest, Table) {
  ScopedLocale locale('.');
  int local = 0;
  const std::vector<FormatCase> cases = {
      {"%d", {42}, "42"},
      {"%5d|%-5d|", {-42, 7}, "  -42|7    |"},
      {"%.3d", {5}, "005"},
      {"%000.3d", {7}, "007"},  // a width of zeros is just zero
      {"%2.d", {5}, " 5"},
      {"%u", {-1}, "4294967295"},
      {"%x %.4X", {255, 10}, "FF 000A"},
      {"%x", {-1}, "FFFFFFFF"},
      {"%f", {3.14159}, "3.14"},
      {"%7.1f Hz", {1000.04}, " 1000.0 Hz"},
      {"%.1f %.2f", {0.25, 0.125}, "0.3 0.13"},  // halves round away from zero on the decimal digits
      {"%0.2f", {-0.001}, "0.00"},
      {"%4.2f", {1.0}, "1.00"},
      {"%2.*f", {3, 3.14159}, "3.142"},
      {"%*d", {4, 7}, "   7"},
      {"%e", {1234.5}, "1.23450000000000E+003"},
      {"%.3e", {-0.000123}, "-1.23E-004"},
      {"%g", {0.5}, "0.5"},
      {"%g", {1e20}, "1E020"},
      {"%n", {1234567.891}, "1,234,567.89"},
      {"%m", {1234.5}, "$1,234.50"},
      {"%s and %s", {"a", std::string("b")}, "a and b"},
      {"%.2s|%-4s|", {"abc", "x"}, "ab|x   |"},
      {"%1:s %0:s %s", {"a", "b"}, "b a b"},
      {"%c%c", {'o', 'k'}, "ok"},
      {"100%%", {}, "100%"},
      {"%f", {INFINITY}, "INF"},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(FormatOf(c), c.expect) << c.format;
  EXPECT_EQ(Format("%p", {static_cast<const void*>(&local)}).size(), sizeof(void*) * 2);
}

TEST(FormatTest, BadFormatsRaise) {
  struct Bad {
    const char* format;
    std::vector<TVarRec> args;
    const char* message;
  };
  for (const Bad& c : std::vector<Bad>{{"%d", {1.5}, "Format '%d' invalid or incompatible with argument"},
                                       {"%f", {1}, "invalid or incompatible"},
                                       {"%s", {3}, "invalid or incompatible"},
                                       {"%d %d", {1}, "No argument for format '%d %d'"},
                                       {"%q", {1}, "invalid"},
                                       {"%", {}, "invalid"}}) {
    try {
      FormatCase fc{c.format, c.args, ""};
      FormatOf(fc);
      ADD_FAILURE() << c.format;
    } catch (const EConvertError& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
  }
}

TEST(FormatTest, UsesTheLocaleDecimalSeparator) {
  ScopedLocale locale(',', ';');
  EXPECT_EQ(Format("%7.2f", {3.14159}), "   3,14");
  EXPECT_EQ(Format("%n", {1234.5}), "1.234,50");
  EXPECT_EQ(FloatToStr(0.5), "0,5");
}

TEST(ConvertTest, StrToFloatFollowsTheInjectedLocale) {
  struct Case {
    char decimal;
    const char* text;
    bool ok;
    double value;
  };
  for (const Case& c :
       {Case{',', "3,25", true, 3.25}, Case{',', " -0,5 ", true, -0.5}, Case{',', "1,5E3", true, 1500},
        Case{',', "3.25", false, 0}, Case{'.', "3.25", true, 3.25}, Case{'.', "3,25", false, 0},
        Case{'.', ".5", true, 0.5}, Case{'.', "", false, 0}, Case{'.', "1e", false, 0},
        Case{'.', "nan", false, 0}, Case{'.', "1e999", false, 0}, Case{'.', "1e-999", true, 0}}) {
    ScopedLocale locale(c.decimal);
    double v = 0;
    EXPECT_EQ(TryStrToFloat(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
  ScopedLocale locale(',');
  try {
    StrToFloat("x");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x' is not a valid floating point value");
  }
  EXPECT_EQ(StrToFloatDef("bad", 2.5), 2.5);
  EXPECT_NEAR(StrToFloat(FloatToStr(1.0 / 3)), 1.0 / 3, 1e-15);
}

TEST(ConvertTest, Integers) {
  struct Case {
    const char* text;
    bool ok;
    int value;
  };
  for (const Case& c :
       {Case{"42", true, 42}, Case{"  -7", true, -7}, Case{"+3", true, 3}, Case{"$FF", true, 255},
        Case{"0x10", true, 16}, Case{"$FFFFFFFF", true, -1}, Case{"2147483647", true, 2147483647},
        Case{"2147483648", false, 0}, Case{"12 ", false, 0}, Case{"", false, 0}, Case{"1a", false, 0},
        Case{"-", false, 0}}) {
    int v = 0;
    EXPECT_EQ(TryStrToInt(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(v, c.value) << c.text;
    }
  }
  try {
    StrToInt("x1");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'x1' is not a valid integer value");
  }
  EXPECT_EQ(StrToIntDef("zz", -3), -3);
  EXPECT_EQ(IntToStr(-9000000000LL), "-9000000000");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
  EXPECT_EQ(IntToHex(int64_t{0x123456789}, 1), "123456789");
}

TEST(ConvertTest, FloatTexts) {
  ScopedLocale locale('.');
  struct Case {
    std::string got;
    const char* expect;
  };
  for (const Case& c : {Case{FloatToStr(0.1), "0.1"},
                        Case{FloatToStr(100), "100"},
                        Case{FloatToStr(-2.5), "-2.5"},
                        Case{FloatToStr(1e15), "1E15"},
                        Case{FloatToStr(1.5e-10), "1.5E-10"},
                        Case{FloatToStr(0.0001), "0.0001"},
                        Case{FloatToStr(1.0 / 3), "0.333333333333333"},
                        Case{FloatToStrF(3.14159, ffFixed, 15, 2), "3.14"},
                        Case{FloatToStrF(123.456, ffFixed, 4, 2), "123.50"},
                        Case{FloatToStrF(1234567.0, ffNumber, 15, 1), "1,234,567.0"},
                        Case{FloatToStrF(12.5, ffExponent, 3, 2), "1.25E+01"},
                        Case{FormatFloat("0.00", 1.125), "1.13"},
                        Case{FormatFloat("#,##0.0", 1234.56), "1,234.6"},
                        Case{FormatFloat("0.##", 2.5), "2.5"},
                        Case{FormatFloat("#.##", 0.5), ".5"},
                        Case{FormatFloat("000", 7), "007"},
                        Case{FormatFloat("0.0 dB", -3.14), "-3.1 dB"},
                        Case{FormatFloat("0.0;(0.0);zero", -3.14), "(3.1)"},
                        Case{FormatFloat("0.0;(0.0);zero", 0.01), "zero"},
                        Case{FormatFloat("0.00", -0.001), "0.00"}}) {
    EXPECT_EQ(c.got, c.expect);
  }
}

TEST(TextTest, Routines) {
  EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
  EXPECT_EQ(TrimLeft("  x "), "x ");
  EXPECT_EQ(TrimRight("  x "), "  x");
  EXPECT_EQ(UpperCase("abC1\xC3\xA9"), "ABC1\xC3\xA9");
  EXPECT_EQ(LowerCase("ABc"), "abc");
  EXPECT_LT(CompareText("apple", "BANANA"), 0);
  EXPECT_EQ(CompareText("Same", "sAME"), 0);
  EXPECT_GT(CompareText("ab", "A"), 0);
  EXPECT_TRUE(SameText("MapperId", "mapperid"));
  EXPECT_FALSE(SameText("a", "ab"));
  EXPECT_EQ(QuotedStr("it's"), "'it''s'");
}

TEST(TextTest, FileNames) {
  struct Case {
    const char* name;
    const char* path;
    const char* file;
    const char* ext;
    const char* changed;
  };
  for (const Case& c :
       {Case{"C:\\dir\\file.txt", "C:\\dir\\", "file.txt", ".txt", "C:\\dir\\file.wav"},
        Case{"/home/u/a.b.c", "/home/u/", "a.b.c", ".c", "/home/u/a.b.wav"},
        Case{"dir.d\\noext", "dir.d\\", "noext", "", "dir.d\\noext.wav"},
        Case{"C:x.y", "C:", "x.y", ".y", "C:x.wav"}, Case{"plain", "", "plain", "", "plain.wav"}}) {
    EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name;
    EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name;
    EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name;
    EXPECT_EQ(ChangeFileExt(c.name, ".wav"), c.changed) << c.name;
  }
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\dir"), "C:\\dir\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\dir\\"), "C:\\dir\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("a\\"), "a");
  EXPECT_EQ(ExtractFileDir("C:\\dir\\f"), "C:\\dir");
  EXPECT_EQ(ExtractFileDir("C:\\f"), "C:\\");
}

TEST(ExceptionTest, MessageAndCreateFmt) {
  EConvertError e("Value %d of %s", {3, "x"});
  EXPECT_EQ(e.Message(), "Value 3 of x");
  EXPECT_STREQ(static_cast<const std::exception&>(e).what(), "Value 3 of x");
  e.SetMessage("changed");
  EXPECT_STREQ(e.what(), "changed");
  EXPECT_THROW(throw EDivByZero("d"), Exception);
  EXPECT_THROW(throw EFOpenError("f"), EStreamError);
  EXPECT_THROW(throw EParserError("p"), EReadError);
}

TEST(DateTimeTest, EncodeFormatAndDecode) {
  struct Case {
    int y, mo, d, h, mi, s, ms;
    const char* format;
    const char* expect;
  };
  const Case cases[] = {
      {1899, 12, 30, 0, 0, 0, 0, "yyyy-mm-dd hh:nn:ss.zzz", "1899-12-30 00:00:00.000"},
      {2000, 2, 29, 23, 59, 59, 999, "d.m.yy h:n:s", "29.2.00 23:59:59"},
      {2026, 12, 11, 4, 5, 6, 7, "dd/mm/yyyy 'at' hh\"h\"nn", "11/12/2026 at 04h05"},
      {1900, 3, 1, 12, 0, 0, 0, "yyyymmdd", "19000301"},
  };
  for (const Case& c : cases) {
    const TDateTime value = EncodeDate(c.y, c.mo, c.d) + EncodeTime(c.h, c.mi, c.s, c.ms);
    EXPECT_EQ(FormatDateTime(c.format, value), c.expect);
    int y, mo, d, h, mi, s, ms;
    DecodeDate(value, y, mo, d);
    DecodeTime(value, h, mi, s, ms);
    EXPECT_EQ((std::vector<int>{y, mo, d, h, mi, s, ms}),
              (std::vector<int>{c.y, c.mo, c.d, c.h, c.mi, c.s, c.ms}));
  }
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_THROW(EncodeDate(2025, 2, 29), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
}

TEST(DateTimeTest, FixedLocalTimeRunsWithTheManualClockInTheInjectedFormats) {
  plat::ScopedManualClock manual;
  plat::SYSTEMTIME start;
  start.wYear = 2026;
  start.wMonth = 12;
  start.wDay = 31;
  start.wHour = 23;
  start.wMinute = 59;
  start.wSecond = 59;
  start.wMilliseconds = 500;
  plat::clock::SetLocalTime(start);
  EXPECT_EQ(DateTimeToStr(Now()), "2026-12-31 23:59:59");
  plat::clock::AdvanceMs(600);
  SetDateTimeFormats(TDateTimeFormats{"dd.mm.yyyy", "hh:nn:ss.zzz"});
  EXPECT_EQ(DateTimeToStr(Now()), "01.01.2027 00:00:00.100");
  EXPECT_EQ(TimeToStr(Time()), "00:00:00.100");
  EXPECT_EQ(DateToStr(Date()), "01.01.2027");
  plat::SYSTEMTIME t;
  plat::GetLocalTime(&t);
  EXPECT_EQ(t.wDayOfWeek, 5);  // a Friday
  SetDateTimeFormats(std::nullopt);
  plat::clock::SetLocalTime(std::nullopt);
  // The system's time again: a date of this century.
  int y, mo, d;
  DecodeDate(Now(), y, mo, d);
  EXPECT_GE(y, 2020);
}

}  // namespace
}  // namespace vcltest
