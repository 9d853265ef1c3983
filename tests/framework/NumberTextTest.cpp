#include "framework/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>

namespace fx {
namespace {

// The C library's snprintf in the "C" locale (the tests never change the
// process locale outside LocaleTest) is the independent reference.
std::string Reference(const char* format, double value) {
  char text[1024];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

std::string Ours(const char* format, double value) {
  char text[1024];
  FormatText(text, sizeof(text), format, value);
  return text;
}

struct FloatRow {
  const char* format;
  double value;
};

void PrintTo(const FloatRow& row, std::ostream* os) {
  *os << '"' << row.format << "\" of " << row.value;
}

class FormatTextFloat : public testing::TestWithParam<FloatRow> {};

TEST_P(FormatTextFloat, MatchesTheCLocalePrintf) {
  const FloatRow row = GetParam();
  EXPECT_EQ(Ours(row.format, row.value), Reference(row.format, row.value)) << row.format << " " << row.value;
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Conversions, FormatTextFloat,
    testing::Values(FloatRow{"%f", 0.0}, FloatRow{"%f", -0.0}, FloatRow{"%f", 1.5}, FloatRow{"%f", -2.25},
                    FloatRow{"%.0f", 0.5}, FloatRow{"%.0f", 1.5}, FloatRow{"%.0f", 2.5}, FloatRow{"%.2f", 1.005},
                    FloatRow{"%.3f", 1e-7}, FloatRow{"%.6f", 123456789.123456789}, FloatRow{"%f", 1e300},
                    FloatRow{"%+.2f", 0.5}, FloatRow{"%+.2f", -0.5}, FloatRow{"% .1f", 3.0},
                    FloatRow{"%10.3f", 3.14159}, FloatRow{"%-10.3f|", 3.14159}, FloatRow{"%010.3f", -3.14159},
                    FloatRow{"%#.0f", 3.0}, FloatRow{"%e", 12345.678}, FloatRow{"%.2E", 0.000123},
                    FloatRow{"%g", 100000.0}, FloatRow{"%g", 1000000.0}, FloatRow{"%g", 0.0001},
                    FloatRow{"%.3g", 3.14159}, FloatRow{"%G", 1e-10}, FloatRow{"%.0g", 25.0}, FloatRow{"%a", 1.0},
                    FloatRow{"%A", -0.75}, FloatRow{"%.1a", 3.0}, FloatRow{"%f", kInf}, FloatRow{"%f", -kInf},
                    FloatRow{"%F", kInf}, FloatRow{"%08.2f", kInf}, FloatRow{"%f", kNaN}, FloatRow{"%5.1f%%", 99.5},
                    FloatRow{"x=%.4f;", 0.1}));

TEST(FormatText, IntegerStringAndCharacterConversions) {
  char text[256];
  FormatText(text, sizeof(text), "%d|%5i|%-4d|%04d|%+d|%u|%x|%X|%#o|%c|%s|%.2s|%6s|%ld|%lld|%zu", -12, 34, 5, 7, 8,
             4000000000u, 255u, 255u, 8u, 'k', "str", "abc", "r", -5L, 1LL << 40, static_cast<size_t>(77));
  char expected[256];
  std::snprintf(expected, sizeof(expected), "%d|%5i|%-4d|%04d|%+d|%u|%x|%X|%#o|%c|%s|%.2s|%6s|%ld|%lld|%zu", -12, 34, 5,
                7, 8, 4000000000u, 255u, 255u, 8u, 'k', "str", "abc", "r", -5L, 1LL << 40, static_cast<size_t>(77));
  EXPECT_STREQ(text, expected);
}

TEST(FormatText, StarWidthAndPrecision) {
  char text[64];
  FormatText(text, sizeof(text), "[%*.*f][%-*d][%.*f]", 8, 2, 3.14159, 4, 7, -1, 2.5);
  EXPECT_STREQ(text, "[    3.14][7   ][2.500000]");
}

TEST(FormatText, TruncatesButAnswersTheFullLength) {
  char text[6];
  EXPECT_EQ(FormatText(text, sizeof(text), "%s-%.3f", "abc", 1.0), 9);
  EXPECT_STREQ(text, "abc-1");
  EXPECT_EQ(FormatText(nullptr, 0, "%d", 12345), 5);
  char one[1] = {'x'};
  EXPECT_EQ(FormatText(one, 1, "%f", 2.0), 8);
  EXPECT_STREQ(one, "");
}

// Without the format attribute, so the compiler lets the faulty arguments through.
int FormatUnchecked(char* dst, int capacity, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int length = FormatTextV(dst, capacity, format, args);
  va_end(args);
  return length;
}

TEST(FormatText, NullStringAndCountConversionAreHarmless) {
  char text[32];
  int count = 42;
  FormatUnchecked(text, sizeof(text), "%s%n|", static_cast<const char*>(nullptr), &count);
  EXPECT_STREQ(text, "(null)|");
  EXPECT_EQ(count, 42);
}

TEST(FormatFixed, WritesTheDecimalsAsked) {
  char text[32];
  EXPECT_EQ(FormatFixed(text, sizeof(text), -1.23456, 3), 6);
  EXPECT_STREQ(text, "-1.235");
  FormatFixed(text, sizeof(text), 2.0, -1);
  EXPECT_STREQ(text, "2.000000");
}

struct ExactRow {
  double value;
  const char* text;
};

void PrintTo(const ExactRow& row, std::ostream* os) {
  *os << row.text;
}

class FormatExactRows : public testing::TestWithParam<ExactRow> {};

// The expected texts are the shortest decimal forms (as Python's repr gives them, written out in fixed
// notation); each must read back to the very same bits.
TEST_P(FormatExactRows, WritesTheShortestTextThatReadsBackBitForBit) {
  const ExactRow row = GetParam();
  char text[400];
  EXPECT_EQ(FormatExact(text, sizeof(text), row.value), static_cast<int>(std::strlen(row.text)));
  EXPECT_STREQ(text, row.text);
  double parsed = 1.0;
  ASSERT_TRUE(ParseDouble(text, parsed));
  EXPECT_EQ(std::signbit(parsed), std::signbit(row.value));
  EXPECT_EQ(parsed, row.value);
}

INSTANTIATE_TEST_SUITE_P(Values, FormatExactRows,
                         testing::Values(ExactRow{0.45, "0.45"}, ExactRow{0.1 + 0.2, "0.30000000000000004"},
                                         ExactRow{20500.0, "20500"}, ExactRow{-96.125, "-96.125"}, ExactRow{-0.0, "-0"},
                                         ExactRow{0.0, "0"}, ExactRow{1.0 / 3.0, "0.3333333333333333"},
                                         ExactRow{1e-7, "0.0000001"},
                                         ExactRow{0.010000000000000002, "0.010000000000000002"},
                                         ExactRow{1e21, "1000000000000000000000"}));

TEST(FormatExact, ExtremesFitAndCutTextStillCountsTheWholeLength) {
  char text[400];
  for (double value : {std::numeric_limits<double>::denorm_min(), -std::numeric_limits<double>::max(),
                       std::numeric_limits<double>::min()}) {
    const int length = FormatExact(text, sizeof(text), value);
    EXPECT_LT(length, static_cast<int>(sizeof(text)));
    double parsed = 0.0;
    ASSERT_TRUE(ParseDouble(text, parsed));
    EXPECT_EQ(parsed, value);
  }
  char small[4];
  EXPECT_EQ(FormatExact(small, sizeof(small), 0.45), 4);
  EXPECT_STREQ(small, "0.4");
}

struct ParseRow {
  const char* text;
  bool ok;
  double value;
};

void PrintTo(const ParseRow& row, std::ostream* os) {
  *os << '"' << row.text << '"';
}

class ParseDoubleRows : public testing::TestWithParam<ParseRow> {};

TEST_P(ParseDoubleRows, ReadsTheLeadingNumber) {
  const ParseRow row = GetParam();
  double value = -777.0;
  EXPECT_EQ(ParseDouble(row.text, value), row.ok) << row.text;
  EXPECT_EQ(value, row.ok ? row.value : -777.0) << row.text;
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseDoubleRows,
                         testing::Values(ParseRow{"12.5", true, 12.5}, ParseRow{"  -3", true, -3.0},
                                         ParseRow{"+4.25", true, 4.25}, ParseRow{"1e3", true, 1000.0},
                                         ParseRow{".5", true, 0.5}, ParseRow{"12.5 dB", true, 12.5},
                                         ParseRow{"-0", true, -0.0}, ParseRow{"1e999", true, kInf},
                                         ParseRow{"-1e999", true, -kInf}, ParseRow{"1e-999", true, 0.0},
                                         ParseRow{"-inf", true, -kInf}, ParseRow{"12,5", true, 12.0},
                                         ParseRow{"abc", false, 0.0}, ParseRow{"", false, 0.0},
                                         ParseRow{"+-1", false, 0.0}, ParseRow{"-", false, 0.0}));

// Numbers too large or too small for a double read as strtod reads them in the "C" locale: infinity or zero by the
// number's size, whatever the sign of its exponent.
TEST(ParseDouble, OutOfRangeNumbersGoWhereTheirSizeSays) {
  const std::string zeros(400, '0');
  const std::string texts[] = {"0." + zeros + "1",
                               "-0." + zeros + "1",
                               "0." + zeros + "1e5",
                               "1" + zeros + "e-10",
                               "1" + zeros,
                               "-1" + zeros + ".5",
                               "0.0001e-400",
                               "1000e400",
                               "12" + zeros + "e-50",
                               "0." + zeros + "9e+100",
                               "1e-999",
                               "1e999"};
  for (const std::string& text : texts) {
    double value = 42.0;
    ASSERT_TRUE(ParseDouble(text.c_str(), value)) << text;
    const double expected = std::strtod(text.c_str(), nullptr);
    EXPECT_EQ(value, expected) << text;
    EXPECT_EQ(std::signbit(value), std::signbit(expected)) << text;
  }
}

TEST(ParseDouble, NullTextAndNaN) {
  double value = 1.0;
  EXPECT_FALSE(ParseDouble(nullptr, value));
  EXPECT_EQ(value, 1.0);
  EXPECT_TRUE(ParseDouble("nan", value));
  EXPECT_TRUE(std::isnan(value));
}

// A host may put the process into a decimal-comma locale. The locale is built
// by the test CMakeLists at configure time when the system can (localedef and
// the German locale source); otherwise this test is skipped.
TEST(LocaleTest, DecimalCommaLocaleChangesNothing) {
  setenv("LOCPATH", KD_TEST_LOCALE_DIR, 1);
  const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) GTEST_SKIP() << "no decimal-comma locale available";
  char reference[32];
  std::snprintf(reference, sizeof(reference), "%.2f", 1.5);
  char text[32];
  FormatText(text, sizeof(text), "%.2f|%g", 1.5, 0.25);
  double parsed = 0.0;
  const bool ok = ParseDouble("2.75", parsed);
  std::setlocale(LC_NUMERIC, previous.c_str());

  EXPECT_STREQ(reference, "1,50");  // the locale is really in effect
  EXPECT_STREQ(text, "1.50|0.25");
  EXPECT_TRUE(ok);
  EXPECT_EQ(parsed, 2.75);
}

}  // namespace
}  // namespace fx
