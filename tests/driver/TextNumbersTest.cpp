// The number texts of the Matrix Market files: reals read as strtod reads
// them, integers as %d, reals written as "%20.16g".

#include "io/TextNumbers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

using namespace kyra::io;

namespace {

// Signs, exponents, rounding ties, subnormals, overflow and underflow (where
// from_chars alone gives no value), hexadecimal, infinities and NaN; then
// fields that are not wholly a number.
TEST(TextNumbers, ParseRealGivesStrtodsBitsOrRefuses) {
    std::istringstream accepted(
        "1.5E+03 -.5 +2 .5 1. -0 007 0.1 0.30000000000000004 9007199254740993 2.2250738585072011e-308 "
        "4.9e-324 2.4703282292062328e-324 1e-400 -1e-400 1e400 -1e309 123456789012345678901234567890e280 "
        "0x1.8p3 -0X10 0x.8 0x1p-1074 0x1p99999 inf -INF +Infinity nan -nan NaN(123)");
    for (std::string field; accepted >> field;) {
        double parsed = -12345;
        ASSERT_TRUE(parseReal(field, parsed)) << field;
        const double expected = std::strtod(field.c_str(), nullptr);
        if (std::isnan(expected)) {
            EXPECT_TRUE(std::isnan(parsed) && std::signbit(expected) == std::signbit(parsed)) << field;
        } else {
            EXPECT_EQ(0, std::memcmp(&expected, &parsed, sizeof parsed)) << field << ": " << parsed;
        }
    }
    for (const char* field : {"", "+", "-", "+-1", "--1", "1e", "1e+", "1.5x", "x1", ".", "e5", "1,5", "0x",
                              "0xg", "nan(", "infinit", "1 2", "1d3", "0x1p"}) {
        double value = 7;
        EXPECT_FALSE(parseReal(field, value)) << '"' << field << '"';
    }
}

TEST(TextNumbers, ParseIntReadsWhatPercentDReadsAndNothingElse) {
    for (const auto& [field, expected] :
         {std::pair{"42", 42}, {"+7", 7}, {"-3", -3}, {"0005", 5}, {"-2147483648", INT_MIN}}) {
        int value = 0;
        EXPECT_TRUE(parseInt(field, value) && value == expected) << field;
    }
    for (const char* field : {"2147483648", "+-1", "1.0", "1e3", "0x10", "", "12a"}) {
        int value = 0;
        EXPECT_FALSE(parseInt(field, value)) << field;
    }
}

TEST(TextNumbers, FormatRealWritesWhatPrintfWritesWithWidth20Precision16) {
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
