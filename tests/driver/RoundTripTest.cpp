#include "io/MmioReader.h"
#include "io/MmioWriter.h"

#include "TempFiles.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using kyra::Complex;
using namespace kyra::io;

namespace {

using Z = Complex<double>;

// "%20.16g" keeps sixteen significant digits, so the values are the doubles
// nearest to sixteen-digit decimals, spread over the whole exponent range,
// plus the values whose text is special.
std::vector<double> sixteenDigitValues(std::size_t count) {
    std::mt19937_64 random(20240601);
    std::uniform_int_distribution<long long> mantissa(1000000000000000LL, 9999999999999999LL);
    std::uniform_int_distribution<int> exponent(-320, 300);
    // Not the largest double: its sixteen-digit text rounds up past it.
    const double largest = 1.797693134862315e308;
    std::vector<double> values = {0.0,
                                  -0.0,
                                  1.0,
                                  -4.0,
                                  0.1,
                                  4.9e-324,
                                  largest,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity()};
    while (values.size() < count) {
        char text[48];
        std::snprintf(text, sizeof text, "%s%lld.e%d", random() % 2 ? "-" : "", mantissa(random),
                      exponent(random));
        values.push_back(std::strtod(text, nullptr));
    }
    return values;
}

template <typename T>
bool sameBits(const std::vector<T>& a, const std::vector<T>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(T)) == 0;
}

std::vector<Z> complexOf(const std::vector<double>& parts) {
    std::vector<Z> values;
    for (std::size_t k = 0; k + 1 < parts.size(); k += 2) values.emplace_back(parts[k], parts[k + 1]);
    return values;
}

class RoundTripTest : public TempFiles {
  protected:
    template <typename T>
    void expectMatrixRoundTrip(const std::vector<T>& values) {
        const int n = static_cast<int>(values.size());
        std::vector<int> rows, cols;
        for (int k = 0; k < n; ++k) {
            rows.push_back(k + 1);
            cols.push_back(n - k);
        }
        writeMmio(pathOf("a.mtx"), n, rows, cols, values);
        int readN = 0, nnz = 0;
        std::vector<int> readRows, readCols;
        std::vector<T> readValues;
        readMmio(pathOf("a.mtx"), readN, nnz, readRows, readCols, readValues);
        EXPECT_EQ(n, readN);
        EXPECT_EQ(n, nnz);
        EXPECT_EQ(rows, readRows);
        EXPECT_EQ(cols, readCols);
        EXPECT_TRUE(sameBits(values, readValues));
    }
    template <typename T>
    void expectVectorRoundTrip(const std::vector<T>& values) {
        writeVector(pathOf("x.mtx"), values);
        std::vector<T> read;
        readVector(pathOf("x.mtx"), static_cast<int>(values.size()), read);
        EXPECT_TRUE(sameBits(values, read));
    }
};

TEST_F(RoundTripTest, RealMatrixAndVectorReadBackBitForBit) {
    const std::vector<double> values = sixteenDigitValues(2000);
    expectMatrixRoundTrip(values);
    expectVectorRoundTrip(values);
}

TEST_F(RoundTripTest, ComplexMatrixAndVectorReadBackBitForBit) {
    const std::vector<Z> values = complexOf(sixteenDigitValues(2000));
    expectMatrixRoundTrip(values);
    expectVectorRoundTrip(values);
}

TEST_F(RoundTripTest, VectorFileLayout) {
    writeVector(pathOf("x.mtx"), std::vector<double>{0.1, -2});
    EXPECT_EQ(
        "%%MatrixMarket matrix array real general\n2 1\n"
        "                 0.1\n"
        "                  -2\n",
        read(pathOf("x.mtx")));
    writeVector(pathOf("z.mtx"), std::vector<Z>{Z(1, -0.5)});
    EXPECT_EQ(
        "%%MatrixMarket matrix array complex general\n1 1\n"
        "                   1                 -0.5\n",
        read(pathOf("z.mtx")));
    writeVector(pathOf("empty.mtx"), std::vector<double>{});
    EXPECT_EQ("%%MatrixMarket matrix array real general\n0 1\n", read(pathOf("empty.mtx")));
}

TEST_F(RoundTripTest, WriteFailuresThrow) {
    const std::string unwritable = pathOf("no/such/dir/x.mtx");
    EXPECT_THROW(writeVector(unwritable, std::vector<double>{1}), std::runtime_error);
    EXPECT_THROW(writeMmio(unwritable, 1, {1}, {1}, std::vector<double>{1}), std::runtime_error);
    EXPECT_THROW(writeMmio(pathOf("a.mtx"), 1, {1, 1}, {1}, std::vector<double>{1}), std::runtime_error);
}

}  // namespace
