#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "platform/kernel/Locale.h"
#include "platform/kernel/Variant.h"

namespace {

using plat::Variant;

TEST(Variant, KindsByTheirCodes) {
  EXPECT_EQ(Variant().VarType(), 0);
  EXPECT_EQ(Variant::Null().VarType(), 1);
  EXPECT_EQ(Variant(int16_t{1}).VarType(), 2);
  EXPECT_EQ(Variant(1).VarType(), 3);
  EXPECT_EQ(Variant(1.0f).VarType(), 4);
  EXPECT_EQ(Variant(1.0).VarType(), 5);
  EXPECT_EQ(Variant::FromCurrency(1).VarType(), 6);
  EXPECT_EQ(Variant::FromDate(1).VarType(), 7);
  EXPECT_EQ(Variant::FromOleStr("a").VarType(), 8);
  EXPECT_EQ(Variant(true).VarType(), 11);
  EXPECT_EQ(Variant(uint8_t{1}).VarType(), 17);
  EXPECT_EQ(Variant("a").VarType(), 256);
}

TEST(Variant, IntegerConversionRoundsHalvesToEvenAndRefusesWhatDoesNotFit) {
  const struct {
    Variant v;
    std::optional<int32_t> expected;  // nullopt: raises
  } cases[] = {
      {Variant(), 0},
      {Variant::Null(), std::nullopt},
      {Variant(2.5), 2},
      {Variant(3.5), 4},
      {Variant(-2.5), -2},
      {Variant(true), -1},
      {Variant(false), 0},
      {Variant::FromCurrency(25000), 2},  // 2.5
      {Variant::FromCurrency(35000), 4},  // 3.5
      {Variant::FromCurrency(-15001), -2},
      {Variant(" 42 "), 42},
      {Variant("$FF"), 255},
      {Variant("0x10"), 16},
      {Variant("-7"), -7},
      {Variant("1.5"), 2},
      {Variant("abc"), std::nullopt},
      {Variant(""), std::nullopt},
      {Variant("2147483648"), std::nullopt},
      {Variant(int64_t{1} << 40), std::nullopt},
      {Variant(1e300), std::nullopt},
      {Variant(std::nan("")), std::nullopt},
      {Variant::FromError(3), std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.v.VarType());
    if (c.expected) {
      EXPECT_EQ(c.v.AsInteger(), *c.expected);
    } else {
      EXPECT_THROW(c.v.AsInteger(), plat::EVariantError);
    }
  }
}

TEST(Variant, TextFormsRoundTrip) {
  plat::SetLocaleSeparators(plat::LocaleSeparators{',', ';'});
  EXPECT_EQ(Variant(0.1).AsString(), "0,1");
  EXPECT_EQ(Variant(0.1f).AsString(), "0,1");
  EXPECT_EQ(Variant("0,1").AsDouble(), 0.1);
  EXPECT_EQ(Variant("0.1").AsDouble(), 0.1);  // the neutral form is read too
  EXPECT_EQ(Variant::FromCurrency(-12345).AsString(), "-1,2345");
  EXPECT_EQ(Variant::FromCurrency(50000).AsString(), "5");
  plat::SetLocaleSeparators(std::nullopt);

  EXPECT_EQ(Variant(true).AsString(), "True");
  EXPECT_EQ(Variant(uint8_t{200}).AsString(), "200");
  EXPECT_EQ(Variant().AsString(), "");
  EXPECT_THROW(Variant::Null().AsString(), plat::EVariantError);
  EXPECT_TRUE(Variant("TRUE").AsBoolean());
  EXPECT_FALSE(Variant(" false").AsBoolean());
  EXPECT_TRUE(Variant("2").AsBoolean());
  EXPECT_THROW(Variant("yes").AsBoolean(), plat::EVariantError);

  // Dates count days from 30 December 1899.
  EXPECT_EQ(Variant::FromDate(0).AsString(), "1899-12-30");
  EXPECT_EQ(Variant::FromDate(36526.75).AsString(), "2000-01-01 18:00:00");
  EXPECT_EQ(Variant("2000-01-01 18:00:00").AsDate(), 36526.75);
  EXPECT_EQ(Variant::FromDate(1e300).VarType(), plat::varDate);
  EXPECT_THROW(Variant::FromDate(1e300).AsString(), plat::EVariantError);
}

TEST(Variant, CurrencyIsScaledByTenThousand) {
  EXPECT_EQ(Variant::FromCurrencyValue(1.2345).AsCurrency(), 12345);
  EXPECT_EQ(Variant(3).AsCurrency(), 30000);
  EXPECT_EQ(Variant::FromCurrency(12345).AsDouble(), 1.2345);
  EXPECT_THROW(Variant(int64_t{1} << 62).AsCurrency(), plat::EVariantError);
  EXPECT_THROW(Variant(1e30).AsCurrency(), plat::EVariantError);
}

TEST(Variant, EqualityNeedsTheSameKind) {
  EXPECT_EQ(Variant(1), Variant(1));
  EXPECT_NE(Variant(1), Variant(int16_t{1}));
  EXPECT_NE(Variant("a"), Variant::FromOleStr("a"));
  EXPECT_EQ(Variant(), Variant());
  EXPECT_NE(Variant(), Variant::Null());
}

}  // namespace
