// Matrices and vectors written and read back bit for bit, and the writer's
// layout and failures.

#include "io/MmioReader.h"
#include "io/MmioWriter.h"

#include "TempFiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
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
    if constexpr (std::is_same_v<T, double>) {
        return parts;
    } else {
        std::vector<T> values;
        for (std::size_t k = 0; k < parts.size(); k += 2) values.emplace_back(parts[k], parts[k + 1]);
        return values;
    }
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

}  // namespace
