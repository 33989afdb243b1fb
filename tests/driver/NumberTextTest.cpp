// Numbers as text in the Matrix Market files: reals read as strtod reads
// them, integers as %d, reals written as "%20.16g"; matrices and vectors
// written and read back bit for bit; the writer's layout and failures.

#include "io/MmioReader.h"
#include "io/MmioWriter.h"
#include "io/TextNumbers.h"

#include "TempFiles.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace kyra::io;

namespace {

using Z = kyra::Complex<double>;

// "%20.16g" keeps sixteen significant digits, so the values are the doubles
// nearest to sixteen-digit decimals over the whole exponent range, plus
// those whose text is special (the largest double is not one of them: its
// sixteen-digit text rounds up past it); in pairs for complex data.
template <typename T>
std::vector<T> testValues() {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> parts = {0.0, -0.0, 1.0, -4.0, 0.1, 4.9e-324, 1.797693134862315e308, inf, -inf};
    std::mt19937_64 random(20240601);
    std::uniform_int_distribution<long long> mantissa(1000000000000000LL, 9999999999999999LL);
    std::uniform_int_distribution<int> exponent(-340, 300);
    while (parts.size() < 2000) {
        char text[48];
        std::snprintf(text, sizeof text, "%s%lld.e%d", random() % 2 ? "-" : "", mantissa(random),
                      exponent(random));
        parts.push_back(std::strtod(text, nullptr));
    }
    const T* values = reinterpret_cast<const T*>(parts.data());
    return std::vector<T>(values, values + parts.size() * sizeof(double) / sizeof(T));
}

template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

template <typename T>
class RoundTrip : public TempFiles {};
using ScalarTypes = ::testing::Types<double, Z>;
TYPED_TEST_SUITE(RoundTrip, ScalarTypes);

TYPED_TEST(RoundTrip, MatrixAndVectorReadBackBitForBit) {
    const std::vector<TypeParam> values = testValues<TypeParam>();
    const int n = static_cast<int>(values.size());
    std::vector<int> rows, cols, readRows, readCols;
    for (int k = 0; k < n; ++k) rows.push_back(k + 1), cols.push_back(n - k);
    writeMmio(this->pathOf("a.mtx"), n, rows, cols, values);
    int readN = 0, nnz = 0;
    std::vector<TypeParam> readValues;
    readMmio(this->pathOf("a.mtx"), readN, nnz, readRows, readCols, readValues);
    EXPECT_TRUE(readN == n && nnz == n && readRows == rows && readCols == cols);
    EXPECT_TRUE(sameBits(values, readValues));
    writeVector(this->pathOf("x.mtx"), values);
    readVector(this->pathOf("x.mtx"), n, readValues);
    EXPECT_TRUE(sameBits(values, readValues));
}

class VectorWriter : public TempFiles {};

TEST_F(VectorWriter, LayoutAndFailures) {
    writeVector(pathOf("x.mtx"), std::vector<double>{0.1, -2});
    EXPECT_EQ("%%MatrixMarket matrix array real general\n2 1\n                 0.1\n                  -2\n",
              read("x.mtx"));
    writeVector(pathOf("z.mtx"), std::vector<Z>{{1, -0.5}});
    EXPECT_EQ("%%MatrixMarket matrix array complex general\n1 1\n                   1                 -0.5\n",
              read("z.mtx"));
    EXPECT_THROW(writeVector(pathOf("no/dir/x.mtx"), std::vector<double>{1}), std::runtime_error);
    EXPECT_THROW(writeMmio(pathOf("a.mtx"), 1, {1, 1}, {1}, std::vector<double>{1}), std::runtime_error);
}

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
