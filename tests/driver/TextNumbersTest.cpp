#include "io/TextNumbers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

using kyra::io::formatInt;
using kyra::io::formatReal;
using kyra::io::parseInt;
using kyra::io::parseReal;

namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class ParseRealLikeStrtod : public ::testing::TestWithParam<const char*> {};

TEST_P(ParseRealLikeStrtod, GivesStrtodsBits) {
    const std::string field = GetParam();
    double parsed = -12345;
    ASSERT_TRUE(parseReal(field, parsed)) << field;
    const double expected = std::strtod(field.c_str(), nullptr);
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(parsed)) << field;
        EXPECT_EQ(std::signbit(expected), std::signbit(parsed)) << field;
    } else {
        EXPECT_TRUE(sameBits(expected, parsed)) << field << ": " << parsed << " != " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, ParseRealLikeStrtod,
                         ::testing::Values("1.5E+03", "-.5", "+2", ".5", "1.", "-0", "+0.0", "5", "007",
                                           "1e-5", "2.5e+300", "0.1", "0.30000000000000004",
                                           "2.2250738585072011e-308", "4.9e-324", "2.4703282292062328e-324",
                                           "1e-400", "-1e-400", "1e400", "-1e309",
                                           "179769313486231580793728971405303415079934869", "1e290",
                                           "9007199254740993", "123456789012345678901234567890", "0x1.8p3",
                                           "-0X10", "0x.8", "0x1p-1074", "0x1p99999", "inf", "-INF",
                                           "+Infinity", "nan", "-nan", "NaN(123)"));

TEST(ParseReal, RefusesWhatIsNotWhollyANumber) {
    for (const char* field : {"",  "+",  "-",   "+-1", "-+1", "--1",  "1e",      "1e+", "1.5x", "x1",
                              ".", "e5", "1,5", "0x",  "0xg", "nan(", "infinit", "1 2", "1d3",  "0x1p"}) {
        double value = 7;
        EXPECT_FALSE(parseReal(field, value)) << '"' << field << '"';
    }
}

TEST(ParseInt, ReadsWhatPercentDReadsAndRefusesTheRest) {
    const struct {
        const char* field;
        bool valid;
        int value;
    } cases[] = {{"42", true, 42},
                 {"+7", true, 7},
                 {"-3", true, -3},
                 {"0005", true, 5},
                 {"2147483647", true, 2147483647},
                 {"-2147483648", true, std::numeric_limits<int>::min()},
                 {"2147483648", false, 0},
                 {"+-1", false, 0},
                 {"1.0", false, 0},
                 {"1e3", false, 0},
                 {"0x10", false, 0},
                 {"", false, 0},
                 {"+", false, 0},
                 {"12a", false, 0}};
    for (const auto& c : cases) {
        int value = -99;
        EXPECT_EQ(c.valid, parseInt(c.field, value)) << c.field;
        EXPECT_EQ(c.valid ? c.value : -99, value) << c.field;
    }
}

TEST(FormatReal, WritesWhatPrintfWritesWithWidth20Precision16) {
    const double inf = std::numeric_limits<double>::infinity();
    for (const double value : {0.0,
                               -0.0,
                               1.0,
                               -1.0,
                               4.0,
                               0.1,
                               1.0 / 3.0,
                               -2.5e-300,
                               1e300,
                               4.9e-324,
                               1e16,
                               1e15,
                               123456789012345678.0,
                               1e-5,
                               0.0001,
                               12345.678,
                               inf,
                               -inf,
                               std::numeric_limits<double>::quiet_NaN(),
                               -std::numeric_limits<double>::quiet_NaN(),
                               std::numeric_limits<double>::max(),
                               std::numeric_limits<double>::lowest()}) {
        char expected[64];
        std::snprintf(expected, sizeof expected, "%20.16g", value);
        char text[kyra::io::kNumberTextMax];
        EXPECT_EQ(std::string(expected), std::string(text, formatReal(text, value)));
    }
}

TEST(FormatInt, WritesWhatPrintfWrites) {
    for (const int value : {0, 7, -7, std::numeric_limits<int>::max(), std::numeric_limits<int>::min()}) {
        char text[kyra::io::kNumberTextMax];
        EXPECT_EQ(std::to_string(value), std::string(text, formatInt(text, value)));
    }
}

}  // namespace
