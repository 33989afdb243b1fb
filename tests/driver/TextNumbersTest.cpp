#include "io/TextNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using namespace kyra::io;

namespace {

class ParseRealLikeStrtod : public ::testing::TestWithParam<const char*> {};

TEST_P(ParseRealLikeStrtod, GivesStrtodsBits) {
    const std::string field = GetParam();
    double parsed = -12345;
    ASSERT_TRUE(parseReal(field, parsed)) << field;
    const double expected = std::strtod(field.c_str(), nullptr);
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(parsed) && std::signbit(expected) == std::signbit(parsed)) << field;
    } else {
        EXPECT_EQ(0, std::memcmp(&expected, &parsed, sizeof parsed)) << field << ": " << parsed;
    }
}

// Signs, exponents, rounding ties, subnormals, overflow and underflow (where
// from_chars alone gives no value), hexadecimal, infinities and NaN.
INSTANTIATE_TEST_SUITE_P(Fields, ParseRealLikeStrtod,
                         ::testing::Values("1.5E+03", "-.5", "+2", ".5", "1.", "-0", "007", "0.1",
                                           "0.30000000000000004", "9007199254740993",
                                           "2.2250738585072011e-308", "4.9e-324", "2.4703282292062328e-324",
                                           "1e-400", "-1e-400", "1e400", "-1e309",
                                           "123456789012345678901234567890e280", "0x1.8p3", "-0X10", "0x.8",
                                           "0x1p-1074", "0x1p99999", "inf", "-INF", "+Infinity", "nan",
                                           "-nan", "NaN(123)"));

TEST(ParseReal, RefusesFieldsThatAreNotWhollyANumber) {
    for (const char* field : {"", "+", "-", "+-1", "--1", "1e", "1e+", "1.5x", "x1", ".", "e5", "1,5", "0x",
                              "0xg", "nan(", "infinit", "1 2", "1d3", "0x1p"}) {
        double value = 7;
        EXPECT_FALSE(parseReal(field, value)) << '"' << field << '"';
    }
}

TEST(ParseInt, ReadsWhatPercentDReadsAndNothingElse) {
    const struct {
        const char* field;
        int value;  // 0: refused
    } cases[] = {{"42", 42},
                 {"+7", 7},
                 {"-3", -3},
                 {"0005", 5},
                 {"-2147483648", std::numeric_limits<int>::min()},
                 {"2147483648", 0},
                 {"+-1", 0},
                 {"1.0", 0},
                 {"1e3", 0},
                 {"0x10", 0},
                 {"", 0},
                 {"12a", 0}};
    for (const auto& c : cases) {
        int value = 0;
        EXPECT_EQ(c.value != 0, parseInt(c.field, value)) << c.field;
        EXPECT_EQ(c.value, value) << c.field;
    }
}

TEST(FormatReal, WritesWhatPrintfWritesWithWidth20Precision16) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const double value :
         {0.0, -0.0, 4.0, -1.0, 0.1, 1.0 / 3.0, -2.5e-300, 1e300, 4.9e-324, 1e16, 1e15, 123456789012345678.0,
          1e-5, 1e-4, inf, -inf, nan, -nan, std::numeric_limits<double>::lowest()}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%20.16g", value);
        char text[kNumberTextMax];
        EXPECT_EQ(std::string(expected), std::string(text, formatReal(text, value)));
    }
}

}  // namespace
