// The Matrix Market files: the reader's banners, entries, mirrors, refusals
// with their texts, vectors, the buffered line reader underneath, and the
// shared real matrices; numbers as text: reals read as strtod reads them,
// integers as %d, reals written as "%20.16g"; matrices and vectors written
// and read back bit for bit; the writer's layout and failures.

#include "io/LineReader.h"
#include "io/MmioReader.h"
#include "io/MmioWriter.h"
#include "io/TextNumbers.h"

#include "TempFiles.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

using namespace kyra::io;

namespace {

using Z = kyra::Complex<double>;

const std::string kGeneral = "%%MatrixMarket matrix coordinate real general\n";
const std::string kSymmetric = "%%MatrixMarket matrix coordinate real symmetric\n";
const std::string kRealArray = "%%MatrixMarket matrix array real general\n";
const std::string kComplexArray = "%%MatrixMarket matrix array complex general\n";

// What the reader gives: the size, then the entries' rows, columns and
// values.
template <typename T>
struct Coo {
    int n = -1;
    std::vector<int> rows, cols;
    std::vector<T> values;
    bool operator==(const Coo& o) const {
        return n == o.n && rows == o.rows && cols == o.cols && values == o.values;
    }
};

// The message the call throws; empty when it succeeds.
template <typename Call>
std::string messageOf(Call call) {
    try {
        call();
    } catch (const std::runtime_error& error) {
        return error.what();
    }
    return {};
}

class MmioReaderTest : public TempFiles {
  protected:
    // Reads text as a matrix file; message gets what it threw.
    template <typename T = double>
    Coo<T> readMatrix(const std::string& text, std::string* message = nullptr) {
        Coo<T> a;
        int nnz = -1;
        const std::string path = write(text);
        const std::string thrown = messageOf([&] { readMmio<T>(path, a.n, nnz, a.rows, a.cols, a.values); });
        // nnz counts the entries read, also those before a faulty line.
        EXPECT_TRUE((!thrown.empty() && a.rows.empty()) || nnz == static_cast<int>(a.rows.size())) << nnz;
        if (message) *message = thrown;
        EXPECT_TRUE(message || thrown.empty()) << thrown;
        return a;
    }
    template <typename T>
    std::string vectorError(const std::string& text, int n) {
        std::vector<T> values;
        const std::string path = write(text);
        return messageOf([&] { readVector<T>(path, n, values); });
    }
};

TEST_F(MmioReaderTest, PeekClassifiesOrRefuses) {
    const std::string path = pathOf("file.mtx"), absent = pathOf("absent.mtx");
    const std::string bad = "error: could not process Matrix Market banner for (" + path + ")";
    const std::tuple<std::string, DataType::Enum, std::string> cases[] = {
        {kGeneral, DataType::Real, ""},
        {"%%MatrixMarket matrix coordinate complex hermitian\n", DataType::Complex, ""},
        {"%%MatrixMarket matrix coordinate pattern general\n", DataType::Real, ""},
        {"%%MatrixMarket\tMATRIX  coordinate Integer Skew-Symmetric more\r\n", DataType::Real, ""},
        {kRealArray, DataType::Unknown,
         "error: this application does not support Market Market type (matrix array real general)"},
        {"%%MatrixMarket matrix\n", DataType::Unknown, bad},
        {"%%matrixmarket matrix coordinate real general\n", DataType::Unknown, bad},
        {"%%MatrixMarket vector coordinate real general\n", DataType::Unknown, bad},
        {"%%MatrixMarket matrix coordinate double general\n", DataType::Unknown, bad},
        {"%%MatrixMarket matrix coordinate real skew\n", DataType::Unknown, bad},
    };
    for (const auto& [banner, expectedType, message] : cases) {
        DataType::Enum type = DataType::Unknown;
        write(banner + "1 1 0\n");
        EXPECT_EQ(message, messageOf([&] { peekMmio(path, type); })) << banner;
        EXPECT_EQ(expectedType, type) << banner;
    }
    DataType::Enum type;
    EXPECT_EQ("error: file not found (" + absent + ")", messageOf([&] { peekMmio(absent, type); }));
}

TEST_F(MmioReaderTest, RealMatrices) {
    const std::tuple<const char*, std::string, Coo<double>> cases[] = {
        {"comments, blank lines, CRLF",
         kGeneral + "% c\r\n%\r\n3 3 3\r\n1 1 1.5E+03\r\n\r\n  3 2 -.5 \r\n2 3 +2",
         Coo<double>{3, {1, 3, 2}, {1, 2, 3}, {1500, -0.5, 2}}},
        {"2 nz - N, each mirror after its entry", kSymmetric + "3 3 4\n1 1 1\n2 1 5\n2 2 2\n3 3 3\n",
         Coo<double>{3, {1, 2, 1, 2, 3}, {1, 1, 2, 2, 3}, {1, 5, 5, 2, 3}}},
        {"triangle without diagonal keeps every mirror", kSymmetric + "4 4 3\n2 1 1\n4 3 2\n4 1 3\n",
         Coo<double>{4, {2, 1, 4, 3, 4, 1}, {1, 2, 3, 4, 1, 4}, {1, 1, 2, 2, 3, 3}}},
        {"skew-symmetric as stored",
         "%%MatrixMarket matrix coordinate real skew-symmetric\n3 3 2\n2 1 5\n3 2 -1\n",
         Coo<double>{3, {2, 3}, {1, 2}, {5, -1}}},
        {"pattern gives ones", "%%MatrixMarket matrix coordinate pattern general\n2 2 2\n1 2\n2 1\n",
         Coo<double>{2, {1, 2}, {2, 1}, {1, 1}}},
        {"fewer lines than announced", kGeneral + "3 3 2000000000\n1 1 1\n2 2 2\n",
         Coo<double>{3, {1, 2}, {1, 2}, {1, 2}}},
        {"more lines than announced", kGeneral + "3 3 1\n1 1 1\n2 2 2\n", Coo<double>{3, {1}, {1}, {1}}},
        {"a line without a number ends the entries", kSymmetric + "3 3 2000000000\n2 1 7\nabc\n3 3 1\n",
         Coo<double>{3, {2, 1}, {1, 2}, {7, 7}}},
        {"zero size", kGeneral + "0 0 0\n", Coo<double>{0, {}, {}, {}}},
        {"no entries, not 2 nz - N", kSymmetric + "5 5 0\n", Coo<double>{5, {}, {}, {}}},
    };
    // What is reserved is bounded by the file, not by the size line.
    for (const auto& [what, text, expected] : cases) {
        const Coo<double> a = readMatrix(text);
        EXPECT_EQ(expected, a) << what;
        EXPECT_LE(a.values.capacity(), text.size()) << what;
    }
}

TEST_F(MmioReaderTest, HermitianMirrorsAreConjugated) {
    EXPECT_EQ((Coo<Z>{2, {1, 2, 1, 2}, {1, 1, 2, 2}, {{4, 0}, {1, 2}, {1, -2}, {4, 0}}}),
              readMatrix<Z>(
                  "%%MatrixMarket matrix coordinate complex hermitian\n2 2 3\n1 1 4 0\n2 1 1 2\n2 2 4 0"));
    EXPECT_EQ((Coo<Z>{2, {2, 1}, {1, 2}, {{1, 0}, {1, 0}}}),
              readMatrix<Z>("%%MatrixMarket matrix coordinate pattern hermitian\n2 2 1\n2 1\n"));
}

TEST_F(MmioReaderTest, MatrixRefusals) {
    const std::string path = pathOf("file.mtx");
    const std::pair<std::string, std::string> cases[] = {
        {"%%MatrixMarket matrix coordinate real\n",
         "error: could not process Matrix Market banner for (" + path + ")"},
        {kRealArray + "3 1\n1\n",
         "error: expecting a sparse matrix, got type type (matrix array real general)"},
        {kGeneral + "3 3\n", "error: could not determine size of matrix"},
        {kGeneral + "3 3 -2\n", "error: could not determine size of matrix"},
        {kGeneral + "4 5 1\n1 1 1\n",
         "error: This application is designed for square matrices (" + path + ")"},
    };
    for (const auto& [text, expected] : cases) {
        std::string message;
        readMatrix(text, &message);
        EXPECT_EQ(expected, message) << text;
    }
    Coo<double> a;
    int nnz = 0;
    EXPECT_EQ("error: file (" + pathOf("absent") + ") could not be read",
              messageOf([&] { readMmio(pathOf("absent"), a.n, nnz, a.rows, a.cols, a.values); }));
}

// Each bad line is line 4; the entry on line 3 is kept.
TEST_F(MmioReaderTest, MalformedEntryLinesAreReportedWithTheirLine) {
    const std::string where = " on line 4 of (" + pathOf("file.mtx") + ")";
    const std::string incomplete = "error: incomplete matrix entry" + where;
    const std::string invalid = "error: invalid number in matrix entry" + where;
    const std::string extra = "error: too many values in matrix entry" + where;
    const std::pair<std::string, std::string> cases[] = {
        {"2 2", incomplete},
        {"2 2 x\n", invalid},
        {"2 y 1\n", invalid},
        {std::string("2 2 1\0\n", 7), invalid},
        {"2 2 9 1\n", extra},
        {"2 2 1 " + std::string(3 << 20, ' ') + "\n",
         "error: line 4 of (" + pathOf("file.mtx") + ") is too long"},
    };
    for (const auto& [line, expected] : cases) {
        std::string message;
        EXPECT_EQ((Coo<double>{3, {1}, {1}, {1}}), readMatrix(kGeneral + "3 3 3\n1 1 1\n" + line, &message));
        EXPECT_EQ(expected, message) << line.substr(0, 20);
    }
    std::string message;
    readMatrix<Z>(kGeneral + "3 3 2\n1 1 1 0\n2 2 1\n", &message);
    EXPECT_EQ(incomplete, message);
    readMatrix("%%MatrixMarket matrix coordinate pattern general\n3 3 2\n1 1\n2 2 1\n", &message);
    EXPECT_EQ(extra, message);
}

TEST_F(MmioReaderTest, VectorsAndTheirRefusals) {
    std::vector<double> x;
    readVector(write(kRealArray + "% c\n3 1\n1.5\n\n-2\r\n+3e0\n"), 3, x);
    EXPECT_EQ((std::vector<double>{1.5, -2, 3}), x);
    std::vector<Z> z;
    readVector(write(kComplexArray + "2 1\n1 2\n3 -4\n"), 2, z);
    EXPECT_EQ((std::vector<Z>{{1, 2}, {3, -4}}), z);

    const std::string path = pathOf("file.mtx");
    const std::string length =
        "error: the specified array (" + path + ") must have a length that matches the input matrix";
    const std::string complexity =
        "error: the specified array (" + path + ") does not match the complexity of the input matrix";
    const std::string failed = "error: failed to read the specified array (" + path + ")";
    const std::tuple<std::string, bool, std::string> cases[] = {
        {kRealArray + "4 1\n1\n2\n3\n4\n", false, length},
        {kRealArray + "3 2\n1\n2\n3\n4\n5\n6\n", false, length},
        {kComplexArray + "3 1\n1 0\n2 0\n3 0\n", false, complexity},
        {kRealArray + "3 1\n1\n2\n3\n", true, complexity},
        {kGeneral + "3 3 1\n1 1 1\n", false,
         "error: expecting a array/vector, got type type (matrix coordinate real general)"},
        {kRealArray + "3\n", false, "error: could not determine size of array"},
        {kRealArray + "3 1\n1\n2\n", false, failed},
        {kRealArray + "3 1\n1\nx\n3\n", false, failed},
        {kRealArray + "3 1\n1\n2 2\n3\n", false, failed},
        {kComplexArray + "3 1\n1 0\n2\n3 0\n", true, failed},
    };
    for (const auto& [text, complex, message] : cases)
        EXPECT_EQ(message, complex ? vectorError<Z>(text, 3) : vectorError<double>(text, 3)) << text;
}

// Buffers of 8 to 10 bytes put line ends on and around every refill; a line
// longer than the buffer is cut.
TEST_F(MmioReaderTest, LinesCrossingRefillsOfTheLineReaderComeOutWhole) {
    const std::string path = write("1234567\n\n12\r\nab cd efg\nlast");
    for (const auto& [capacity, fourth] :
         {std::pair{8, "ab cd ef+cut"}, {9, "ab cd efg+cut"}, {10, "ab cd efg"}}) {
        LineReader reader(path, capacity);
        std::string lines;
        for (std::string_view line; reader.nextLine(line);) {
            lines += std::to_string(reader.lineNumber()) + ":" + std::string(line) +
                     (reader.lineTruncated() ? "+cut|" : "|");
        }
        EXPECT_EQ("1:1234567|2:|3:12\r|4:" + std::string(fourth) + "|5:last|", lines);
    }
}

// Symmetric and hermitian files with a full diagonal give 2 * stored - n
// entries; hangGlider_2 lacks 733 diagonal entries and gives that many more.
// The skew-symmetric plskz362 is read as stored. A wrongly peeked type
// fails the read.
TEST(SharedMatrices, ReadWithTheExpectedCounts) {
    const std::string dir = KYRA_SHARED_MATRICES;
    if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no " << dir;
    const std::tuple<const char*, int, int> matrices[] = {{"494_bus.mtx", 494, 2 * 1080 - 494},
                                                          {"hangGlider_2.mtx", 1647, 2 * 7834 - 1647 + 733},
                                                          {"mhd1280b.mtx", 1280, 2 * 12029 - 1280},
                                                          {"plskz362.mtx", 362, 880},
                                                          {"young1c.mtx", 841, 4089}};
    for (const auto& [file, expectedN, entries] : matrices) {
        const std::string path = dir + "/" + file;
        DataType::Enum type = DataType::Unknown;
        peekMmio(path, type);
        int n = 0, nnz = 0;
        std::vector<int> rows, cols;
        std::vector<double> real;
        std::vector<Z> complex;
        type == DataType::Complex ? readMmio(path, n, nnz, rows, cols, complex)
                                  : readMmio(path, n, nnz, rows, cols, real);
        EXPECT_TRUE(n == expectedN && nnz == entries) << file << " " << n << " " << nnz;
    }
}

// "%20.16g" keeps sixteen significant digits, so the values are doubles
// nearest to sixteen-digit decimals, subnormal to huge, and those whose text
// is special (the largest double is not one of them: its sixteen-digit text
// rounds up past it); in pairs for complex data.
template <typename T>
std::vector<T> testValues() {
    const double inf = std::numeric_limits<double>::infinity();
    static const double parts[] = {0.0,
                                   -0.0,
                                   1.0,
                                   -4.0,
                                   0.1,
                                   4.9e-324,
                                   1.797693134862315e308,
                                   inf,
                                   -inf,
                                   1.0 / 3,
                                   -2.718281828459045e-300,
                                   6.02214076e23};
    const T* values = reinterpret_cast<const T*>(parts);
    return std::vector<T>(values, values + std::size(parts) * sizeof(double) / sizeof(T));
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

TEST_F(MmioReaderTest, WrittenVectorLayoutAndWriteFailures) {
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
// fields that are not wholly a number. Integers: what %d reads, nothing else.
TEST(TextNumbers, ParseGivesStrtodsBitsOrWhatPercentDReadsOrRefuses) {
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
