// The notations of numbers in form text, and the 80-bit extended values behind them.
#include "FormStream/uFloatText.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <locale>
#include <random>

#include "FormStream/uExtended.h"
#include "FormStream/uFiler.h"

namespace tess::stream {
namespace {

TEST(FormatFixed18, RoundsTo16DigitsAndPrints18Decimals) {
  struct Case {
    TExtended value;
    const char* text;
  };
  const Case cases[] = {
      {1.5L, "1.500000000000000000"},
      {0.1L, "0.100000000000000000"},
      {0, "0.000000000000000000"},
      {-1.5L, "-1.500000000000000000"},
      {0.5L, "0.500000000000000000"},
      {100, "100.000000000000000000"},
      {1.08000004291534L, "1.080000042915340000"},
      {0.12345678901234567890L, "0.123456789012345700"},
      {2.0L / 3, "0.666666666666666700"},
      {1234567890123456.0L, "1234567890123456.000000000000000000"},
      {0.000001234L, "0.000001234000000000"},
      {0.001000000047497451L, "0.001000000047497451"},
      // small values round at the 18th decimal, as the IDE prints them, down to 1E-12 (7 digits)
      {0.0001234567890123456L, "0.000123456789012346"},
      {static_cast<TExtended>(1e-4f), "0.000099999997473788"},
      {1e-12L, "0.000000000001000000"},
      {-1.2345678e-12L, "-0.000000000001234568"},
      // below 1E-12 the general notation keeps 16 digits, where the fixed form would print 0
      {9.99e-13L, "9.99E-13"},
      {std::nextafter(1e-12L, 0.0L), "1E-12"},
      {7.286e-17L, "7.286E-17"},
      {1e-20L, "1E-20"},
      {1e-30L, "1E-30"},
      // more than 16 integer digits: the general notation with 16 digits
      {1e17L, "1E17"},
      {12345678901234567.0L, "1.234567890123457E16"},
      {-1e300L, "-1E300"},
      {std::numeric_limits<TExtended>::quiet_NaN(), "NAN"},
      {std::numeric_limits<TExtended>::infinity(), "INF"},
      {-std::numeric_limits<TExtended>::infinity(), "-INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatFixed18(c.value), c.text);
}

TEST(FormatGeneral, DropsTrailingZerosAndSwitchesToTheExponentOutsideItsRange) {
  struct Case {
    TExtended value;
    const char* text;
  };
  const Case cases[] = {
      {1.5L, "1.5"},
      {0, "0"},
      {250.75L, "250.75"},
      {-2.5L, "-2.5"},
      {0.0001L, "0.0001"},
      {0.00001L, "1E-5"},
      {1.25e-5L, "1.25E-5"},
      {999999999999999.0L, "999999999999999"},
      {1e15L, "1E15"},
      {15000, "15000"},
      {44231, "44231"},
      {123456789012345678.0L, "1.23456789012346E17"},
      {1.1f, "1.10000002384186"},
      {1e30L, "1E30"},
      {std::numeric_limits<TExtended>::quiet_NaN(), "NAN"},
      {-std::numeric_limits<TExtended>::infinity(), "-INF"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatGeneral(c.value), c.text);
  EXPECT_EQ(FormatGeneral(123456789012345678.0L, 16), "1.234567890123457E17");
}

TEST(ParseFloat, ReadsTheWholeTextOrNothing) {
  EXPECT_EQ(ParseFloat("1.5"), 1.5L);
  EXPECT_EQ(ParseFloat("-0.25"), -0.25L);
  EXPECT_EQ(ParseFloat("1E30"), 1e30L);
  EXPECT_EQ(ParseFloat("1.000000015047466E30"), 1.000000015047466e30L);
  EXPECT_EQ(ParseFloat("1.5e+02"), 150.0L);
  EXPECT_EQ(ParseFloat("15000"), 15000.0L);
  for (const char* bad : {"", "-", "1.5.3", "1e", "1-2", "1,5", "abc", "1E99999"})
    EXPECT_FALSE(ParseFloat(bad).has_value()) << bad;
}

struct TCommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
};

TEST(NumberText, IgnoresTheUsersLocale) {
  // A decimal comma in the C++ locale, and in the C locale where such a locale is installed.
  const std::locale savedLocale = std::locale::global(std::locale(std::locale::classic(), new TCommaPunct));
  const char* previous = std::setlocale(LC_ALL, nullptr);
  const std::string saved = previous ? previous : "C";
  if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) std::setlocale(LC_ALL, "fr_FR.UTF-8");
  EXPECT_EQ(FormatFixed18(1.5L), "1.500000000000000000");
  EXPECT_EQ(FormatGeneral(2.25L), "2.25");
  EXPECT_EQ(ParseFloat("1.5"), 1.5L);
  EXPECT_FALSE(ParseFloat("1,5").has_value());
  std::setlocale(LC_ALL, saved.c_str());
  std::locale::global(savedLocale);
}

// The promise behind the 18-decimal notation: a value read from text, written as extended, read back
// and printed again gives the same value when the text is parsed once more, as long as its digits
// are ones the notation keeps.
TEST(ExtendedRoundTrip, TextToExtendedToTextKeepsTheValue) {
  std::mt19937_64 random(5);
  for (int i = 0; i < 20000; ++i) {
    // Up to 16 significant digits at exponents a form might use, and some far outside.
    const int digits = 1 + static_cast<int>(random() % 16);
    uint64_t mantissa = random() % 10000000000000000ull;
    for (int k = digits; k < 16; ++k) mantissa /= 10;
    const int exponent = static_cast<int>(random() % 40) - 20 + (i % 97 == 0 ? 250 : 0);
    const std::string text = std::to_string(mantissa) + "E" + std::to_string(exponent);
    const TExtended value = *ParseFloat(text);
    // From 1E-12 up the fixed form keeps only the digits down to the 18th decimal.
    if (value >= 1e-12L && exponent < -18) continue;

    const TExtended read = ExtendedFromBytes(ExtendedToBytes(value));
    const auto again = ParseFloat(FormatFixed18(read));
    ASSERT_TRUE(again.has_value()) << text;
    ASSERT_EQ(ExtendedToBytes(*again), ExtendedToBytes(value)) << text << " printed as " << FormatFixed18(read);
  }
}

// Where the platform has no 80-bit type the values go through double; the same promise must hold.
TEST(ExtendedRoundTrip, ThroughDoubleKeepsTheValueToo) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const int digits = 1 + static_cast<int>(random() % 15);
    uint64_t mantissa = random() % 1000000000000000ull;
    for (int k = digits; k < 15; ++k) mantissa /= 10;
    const int exponent = static_cast<int>(random() % 40) - 20;
    const std::string text = std::to_string(mantissa) + "E" + std::to_string(exponent);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    if (value >= 1e-12 && exponent < -18) continue;

    const double read = DoubleFromExtendedBytes(ExtendedBytesFromDouble(value));
    ASSERT_EQ(read, value) << text;
    const std::string printed = FormatFixed18(static_cast<TExtended>(read));
    double again = 0;
    std::from_chars(printed.data(), printed.data() + printed.size(), again);
    ASSERT_EQ(again, value) << text << " printed as " << printed;
  }
}

TEST(ExtendedBytes, HaveTheX87Layout) {
  const TExtendedBytes oneAndAHalf = {0, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x3F};
  EXPECT_EQ(ExtendedBytesFromDouble(1.5), oneAndAHalf);
  EXPECT_EQ(DoubleFromExtendedBytes(oneAndAHalf), 1.5);
  const TExtendedBytes minusTwo = {0, 0, 0, 0, 0, 0, 0, 0x80, 0x00, 0xC0};
  EXPECT_EQ(ExtendedBytesFromDouble(-2.0), minusTwo);
  const TExtendedBytes zero = {};
  EXPECT_EQ(ExtendedBytesFromDouble(0.0), zero);
  EXPECT_TRUE(std::signbit(DoubleFromExtendedBytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80})));
}

TEST(ExtendedBytes, PortableReadingRoundsHalfToEven) {
  // 1 + 2^-53 lies halfway between 1 and the next double: ties go to the even one, 1.
  TExtendedBytes half = {0, 0x04, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F};
  EXPECT_EQ(DoubleFromExtendedBytes(half), 1.0);
  half[0] = 1;  // a little above half rounds up
  EXPECT_EQ(DoubleFromExtendedBytes(half), 1.0 + std::ldexp(1.0, -52));
  // All 64 bits set rounds up into the next power of two.
  const TExtendedBytes allOnes = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x3F};
  EXPECT_EQ(DoubleFromExtendedBytes(allOnes), 2.0);
  // Beyond the range of double: infinity; far below: zero.
  EXPECT_TRUE(std::isinf(DoubleFromExtendedBytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F - 0x3F + 0x3F})));
  EXPECT_EQ(DoubleFromExtendedBytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0x01, 0x00}), 0.0);
  EXPECT_TRUE(std::isnan(DoubleFromExtendedBytes({1, 0, 0, 0, 0, 0, 0, 0xC0, 0xFF, 0x7F})));
  EXPECT_TRUE(std::isinf(DoubleFromExtendedBytes({0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x7F})));
}

#if TESS_NATIVE_EXTENDED
// The hardware type is the reference for the portable code: both must agree bit for bit.
TEST(ExtendedBytes, PortableConversionsAgreeWithTheHardware) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 200000; ++i) {
    double value;
    const uint64_t bits = random();
    std::memcpy(&value, &bits, sizeof value);
    if (std::isnan(value)) continue;
    ASSERT_EQ(ExtendedBytesFromDouble(value), ExtendedToBytes(static_cast<long double>(value))) << value;
  }
  for (int i = 0; i < 200000; ++i) {
    TExtendedBytes bytes;
    const uint64_t significand = random();
    // Exponents around the whole range of double, its subnormals and beyond; the integer bit as
    // normal numbers have it (denormals have it clear).
    int exponent = 16383 - 1100 + static_cast<int>(random() % 2200);
    if (i % 50 == 0) exponent = 0;
    const uint64_t withIntegerBit =
        exponent == 0 ? significand & 0x7FFFFFFFFFFFFFFFull : significand | 0x8000000000000000ull;
    for (size_t k = 0; k < 8; ++k) bytes[k] = static_cast<uint8_t>(withIntegerBit >> (8 * k));
    bytes[8] = static_cast<uint8_t>(exponent & 0xFF);
    bytes[9] = static_cast<uint8_t>((exponent >> 8) | (random() & 1 ? 0x80 : 0));
    const double native = static_cast<double>(ExtendedFromBytes(bytes));
    const double portable = DoubleFromExtendedBytes(bytes);
    ASSERT_EQ(std::memcmp(&native, &portable, sizeof native), 0) << native << " against " << portable;
  }
}
#endif

}  // namespace
}  // namespace tess::stream
