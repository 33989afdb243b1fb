#include "io/MmioReader.h"

#include "TempFiles.h"

#include <stdexcept>
#include <string>
#include <vector>

using kyra::Complex;
using namespace kyra::io;

namespace {

using Z = Complex<double>;

const std::string kRealGeneral = "%%MatrixMarket matrix coordinate real general\n";
const std::string kRealSymmetric = "%%MatrixMarket matrix coordinate real symmetric\n";
const std::string kRealVector = "%%MatrixMarket matrix array real general\n";
const std::string kComplexVector = "%%MatrixMarket matrix array complex general\n";

template <typename T>
struct Coo {
    int n = -1;
    int nnz = -1;
    std::vector<int> rows;
    std::vector<int> cols;
    std::vector<T> values;
};

template <typename T>
void expectEntries(const Coo<T>& a, int n, const std::vector<int>& rows, const std::vector<int>& cols,
                   const std::vector<T>& values) {
    EXPECT_EQ(n, a.n);
    EXPECT_EQ(static_cast<int>(rows.size()), a.nnz);
    EXPECT_EQ(rows, a.rows);
    EXPECT_EQ(cols, a.cols);
    EXPECT_EQ(values, a.values);
}

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
    template <typename T = double>
    Coo<T> readMatrix(const std::string& text) {
        Coo<T> a;
        readMmio<T>(write(text), a.n, a.nnz, a.rows, a.cols, a.values);
        return a;
    }
    template <typename T = double>
    std::string matrixError(const std::string& text, Coo<T>* kept = nullptr) {
        Coo<T> a;
        const std::string path = write(text);
        const std::string message =
            messageOf([&] { readMmio<T>(path, a.n, a.nnz, a.rows, a.cols, a.values); });
        if (kept) *kept = a;
        return message;
    }
    template <typename T = double>
    std::string vectorError(const std::string& text, int n, std::vector<T>* values = nullptr) {
        std::vector<T> read;
        const std::string path = write(text);
        const std::string message = messageOf([&] { readVector<T>(path, n, read); });
        if (values) *values = read;
        return message;
    }
};

TEST_F(MmioReaderTest, PeekClassifiesByBanner) {
    const struct {
        std::string banner;
        DataType::Enum type;
    } cases[] = {{kRealGeneral, DataType::Real},
                 {"%%MatrixMarket matrix coordinate complex hermitian\n", DataType::Complex},
                 {"%%MatrixMarket matrix coordinate integer symmetric\n", DataType::Real},
                 {"%%MatrixMarket Matrix COORDINATE Pattern General\n", DataType::Real}};
    for (const auto& c : cases) {
        DataType::Enum type = DataType::Unknown;
        peekMmio(write(c.banner + "1 1 0\n"), type);
        EXPECT_EQ(c.type, type) << c.banner;
    }
}

TEST_F(MmioReaderTest, PeekRefusals) {
    DataType::Enum type = DataType::Unknown;
    const std::string array = write(kRealVector + "1 1\n1\n", "array.mtx");
    EXPECT_EQ("error: this application does not support Market Market type (matrix array real general)",
              messageOf([&] { peekMmio(array, type); }));
    const std::string noBanner = write("%%MatrixMarket matrix\n", "bad.mtx");
    EXPECT_EQ("error: could not process Matrix Market banner for (" + noBanner + ")",
              messageOf([&] { peekMmio(noBanner, type); }));
    EXPECT_EQ("error: file not found (" + pathOf("absent.mtx") + ")",
              messageOf([&] { peekMmio(pathOf("absent.mtx"), type); }));
    EXPECT_EQ(DataType::Unknown, type);
}

TEST_F(MmioReaderTest, GeneralFileWithCommentsBlankLinesAndCrlf) {
    const Coo<double> a = readMatrix(kRealGeneral +
                                     "% made by hand\r\n%\r\n3 3 3\r\n1 1 1.5E+03\r\n\r\n  3 2 -.5 \r\n"
                                     "2 3 +2");
    expectEntries(a, 3, {1, 3, 2}, {1, 2, 3}, {1500.0, -0.5, 2.0});
}

TEST_F(MmioReaderTest, SymmetricGivesTwiceNzMinusNWithEachMirrorAfterItsEntry) {
    const Coo<double> a = readMatrix(kRealSymmetric + "3 3 4\n1 1 1\n2 1 5\n2 2 2\n3 3 3\n");
    expectEntries(a, 3, {1, 2, 1, 2, 3}, {1, 1, 2, 2, 3}, {1.0, 5.0, 5.0, 2.0, 3.0});
    EXPECT_EQ(2 * 4 - 3, a.nnz);
}

TEST_F(MmioReaderTest, HermitianMirrorsAreConjugated) {
    const Coo<Z> a = readMatrix<Z>(
        "%%MatrixMarket matrix coordinate complex hermitian\n2 2 3\n1 1 4 0\n2 1 1 2\n"
        "2 2 4 0\n");
    expectEntries(a, 2, {1, 2, 1, 2}, {1, 1, 2, 2}, {Z(4, 0), Z(1, 2), Z(1, -2), Z(4, 0)});
}

TEST_F(MmioReaderTest, SkewSymmetricIsReadAsStored) {
    const Coo<double> a =
        readMatrix("%%MatrixMarket matrix coordinate real skew-symmetric\n3 3 2\n2 1 5\n3 2 -1\n");
    expectEntries(a, 3, {2, 3}, {1, 2}, {5.0, -1.0});
}

TEST_F(MmioReaderTest, PatternEntriesAreOne) {
    expectEntries(readMatrix("%%MatrixMarket matrix coordinate pattern general\n2 2 2\n1 2\n2 1\n"), 2,
                  {1, 2}, {2, 1}, {1.0, 1.0});
    expectEntries(readMatrix<Z>("%%MatrixMarket matrix coordinate pattern hermitian\n2 2 1\n2 1\n"), 2,
                  {2, 1}, {1, 2}, {Z(1, 0), Z(1, 0)});
}

TEST_F(MmioReaderTest, TriangleWithoutDiagonalKeepsEveryMirror) {
    // 2 * nz - N would be 0 here: the arrays must grow with the entries.
    const Coo<double> a = readMatrix(kRealSymmetric + "4 4 3\n2 1 1\n4 3 2\n4 1 3\n");
    expectEntries(a, 4, {2, 1, 4, 3, 4, 1}, {1, 2, 3, 4, 1, 4}, {1.0, 1.0, 2.0, 2.0, 3.0, 3.0});
}

TEST_F(MmioReaderTest, ReadingStopsQuietlyAtEndOfFileOrALineWithoutANumber) {
    expectEntries(readMatrix(kRealGeneral + "3 3 5\n1 1 1\n2 2 2\n"), 3, {1, 2}, {1, 2}, {1.0, 2.0});
    expectEntries(readMatrix(kRealGeneral + "3 3 3\n1 1 1\n% late comment\n2 2 2\n"), 3, {1}, {1}, {1.0});
    expectEntries(readMatrix(kRealSymmetric + "3 3 3\n2 1 7\nabc\n"), 3, {2, 1}, {1, 2}, {7.0, 7.0});
    expectEntries(readMatrix(kRealGeneral + "3 3 1\n1 1 1\n2 2 2\nnot read\n"), 3, {1}, {1}, {1.0});
}

TEST_F(MmioReaderTest, AnnouncedCountDoesNotDecideTheReservation) {
    for (const std::string& banner : {kRealGeneral, kRealSymmetric}) {
        Coo<double> a = readMatrix(banner + "3 3 2000000000\n1 1 1\n");
        expectEntries(a, 3, {1}, {1}, {1.0});
        EXPECT_LE(a.values.capacity(), 2u);
    }
}

TEST_F(MmioReaderTest, EmptyMatricesReadAsNoEntries) {
    expectEntries(readMatrix(kRealGeneral + "0 0 0\n"), 0, {}, {}, {});
    expectEntries(readMatrix(kRealSymmetric + "5 5 0\n"), 5, {}, {}, {});
}

TEST_F(MmioReaderTest, MatrixFileRefusals) {
    const std::string path = pathOf("file.mtx");
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"%%MatrixMarket matrix coordinate real\n",
         "error: could not process Matrix Market banner for (" + path + ")"},
        {"MatrixMarket matrix coordinate real general\n",
         "error: could not process Matrix Market banner for (" + path + ")"},
        {kRealVector + "3 1\n1\n2\n3\n",
         "error: expecting a sparse matrix, got type type (matrix array real general)"},
        {kRealGeneral + "3 3\n", "error: could not determine size of matrix"},
        {kRealGeneral + "3 3 -2\n", "error: could not determine size of matrix"},
        {kRealGeneral + "4 5 1\n1 1 1\n",
         "error: This application is designed for square matrices (" + path + ")"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.message, matrixError(c.text)) << c.text;
    EXPECT_EQ("error: file (" + pathOf("absent.mtx") + ") could not be read", messageOf([&] {
                  Coo<double> a;
                  readMmio<double>(pathOf("absent.mtx"), a.n, a.nnz, a.rows, a.cols, a.values);
              }));
}

// Each bad line is line 4; the entry on line 3 is kept.
TEST_F(MmioReaderTest, MalformedEntryLinesAreReportedWithTheirLine) {
    const std::string path = pathOf("file.mtx");
    const std::string where = " on line 4 of (" + path + ")";
    const struct {
        std::string line;
        std::string message;
    } cases[] = {
        {"2 2\n", "error: incomplete matrix entry" + where},
        {"2\n", "error: incomplete matrix entry" + where},
        {"2 2 x\n", "error: invalid number in matrix entry" + where},
        {"2 2 1.5abc\n", "error: invalid number in matrix entry" + where},
        {"2 y 1\n", "error: invalid number in matrix entry" + where},
        {"2 2 99999999999 1\n", "error: too many values in matrix entry" + where},
        {std::string("2 2 1\0\n", 7), "error: invalid number in matrix entry" + where},
        {"2 2 1 " + std::string(3 << 20, ' ') + "\n", "error: line 4 of (" + path + ") is too long"},
    };
    for (const auto& c : cases) {
        Coo<double> kept;
        EXPECT_EQ(c.message, matrixError(kRealGeneral + "3 3 3\n1 1 1\n" + c.line + "3 3 3\n", &kept))
            << c.line.substr(0, 20);
        expectEntries(kept, 3, {1}, {1}, {1.0});
    }
    EXPECT_EQ("error: incomplete matrix entry" + where, matrixError(kRealGeneral + "3 3 3\n1 1 1\n2 2"));
    EXPECT_EQ("error: incomplete matrix entry" + where,
              matrixError<Z>(kRealGeneral + "3 3 2\n1 1 1 0\n2 2 1\n"));
    EXPECT_EQ("error: too many values in matrix entry" + where,
              matrixError("%%MatrixMarket matrix coordinate pattern general\n3 3 2\n1 1\n2 2 1\n"));
}

TEST_F(MmioReaderTest, VectorsOfBothKinds) {
    std::vector<double> x;
    readVector(write(kRealVector + "% c\n3 1\n1.5\n\n-2\r\n+3e0\n"), 3, x);
    EXPECT_EQ((std::vector<double>{1.5, -2.0, 3.0}), x);
    std::vector<Z> z;
    readVector(write(kComplexVector + "2 1\n1 2\n3 -4\n"), 2, z);
    EXPECT_EQ((std::vector<Z>{Z(1, 2), Z(3, -4)}), z);
}

TEST_F(MmioReaderTest, VectorRefusals) {
    const std::string path = pathOf("file.mtx");
    const std::string length =
        "error: the specified array (" + path + ") must have a length that matches the input matrix";
    const std::string complexity =
        "error: the specified array (" + path + ") does not match the complexity of the input matrix";
    const std::string failed = "error: failed to read the specified array (" + path + ")";
    const struct {
        std::string text;
        bool complex;
        std::string message;
    } cases[] = {
        {kRealVector + "4 1\n1\n2\n3\n4\n", false, length},
        {kRealVector + "3 2\n1\n2\n3\n4\n5\n6\n", false, length},
        {kComplexVector + "3 1\n1 0\n2 0\n3 0\n", false, complexity},
        {kRealVector + "3 1\n1\n2\n3\n", true, complexity},
        {"%%MatrixMarket matrix array integer general\n3 1\n1\n2\n3\n", true, complexity},
        {kRealGeneral + "3 3 1\n1 1 1\n", false,
         "error: expecting a array/vector, got type type (matrix coordinate real general)"},
        {kRealVector + "3\n", false, "error: could not determine size of array"},
        {"%%MatrixMarket matrix array\n", false,
         "error: could not process Matrix Market banner for (" + path + ")"},
        {kRealVector + "3 1\n1\n2\n", false, failed},
        {kRealVector + "3 1\n1\nx\n3\n", false, failed},
        {kRealVector + "3 1\n1\n2 2\n3\n", false, failed},
        {kRealVector + "3 1\n1\n%\n3\n", false, failed},
        {kComplexVector + "3 1\n1 0\n2\n3 0\n", true, failed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.message, c.complex ? vectorError<Z>(c.text, 3) : vectorError<double>(c.text, 3))
            << c.text;
    }
    std::vector<double> x;
    EXPECT_EQ("error: file (" + pathOf("absent.mtx") + ") could not be read",
              messageOf([&] { readVector(pathOf("absent.mtx"), 3, x); }));
}

TEST(FillOnesAndConjugate, ComplexOnesHaveNoImaginaryPart) {
    std::vector<Z> z(3, Z(5, 6));
    fillOnes(z);
    EXPECT_EQ(std::vector<Z>(3, Z(1, 0)), z);
    std::vector<double> x(2, 7.0);
    fillOnes(x);
    EXPECT_EQ(std::vector<double>(2, 1.0), x);

    Z value(1, 2);
    Conjugate(value);
    EXPECT_EQ(Z(1, -2), value);
    double real = 3;
    Conjugate(real);
    EXPECT_EQ(3.0, real);
}

}  // namespace
