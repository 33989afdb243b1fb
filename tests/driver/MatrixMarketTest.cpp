// The buffered line reader and the Matrix Market banner, size-line and
// coordinate-writer routines, on small files written by the tests.

#include "io/LineReader.h"
#include "io/MatrixMarket.h"

#include "TempFiles.h"

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

using namespace kyra::io;

namespace {

// Each line as "number:text", with "+cut" when it did not fit the buffer.
std::vector<std::string> readAll(LineReader& reader) {
    std::vector<std::string> lines;
    std::string_view line;
    while (reader.nextLine(line)) {
        lines.push_back(std::to_string(reader.lineNumber()) + ":" + std::string(line) +
                        (reader.lineTruncated() ? "+cut" : ""));
    }
    return lines;
}

class MatrixMarketTest : public TempFiles {};

// Buffers of 8 to 10 bytes put line ends on and around every refill.
TEST_F(MatrixMarketTest, LinesCrossingRefillsComeOutWholeUnlessTheyDoNotFit) {
    const std::string text = "1234567\n\n12\r\nab cd efg\nlast";
    const std::vector<std::string> cut8 = {"1:1234567", "2:", "3:12\r", "4:ab cd ef+cut", "5:last"};
    const std::vector<std::string> cut9 = {"1:1234567", "2:", "3:12\r", "4:ab cd efg+cut", "5:last"};
    const std::vector<std::string> whole = {"1:1234567", "2:", "3:12\r", "4:ab cd efg", "5:last"};
    for (const auto& [capacity, expected] : {std::pair{8, cut8}, {9, cut9}, {10, whole}, {1 << 20, whole}}) {
        LineReader reader(write(text), capacity);
        EXPECT_EQ(expected, readAll(reader)) << "capacity " << capacity;
    }
}

TEST_F(MatrixMarketTest, RestOfAnOverLongLineIsSkipped) {
    const std::string longLine(100000, 'x');
    LineReader reader(write(longLine + "\nnext\n" + longLine), 64);
    const std::string cut = std::string(64, 'x') + "+cut";
    EXPECT_EQ((std::vector<std::string>{"1:" + cut, "2:next", "3:" + cut}), readAll(reader));
    EXPECT_EQ(0, reader.bytesLeft());
}

TEST_F(MatrixMarketTest, BannerWordsAndTheirLetterCase) {
    const struct {
        std::string text;
        int status;
        std::string words;
    } cases[] = {
        {"%%MatrixMarket matrix coordinate real general\n", kMmSuccess, "matrix coordinate real general"},
        {"%%MatrixMarket MATRIX Coordinate COMPLEX Hermitian\r\n", kMmSuccess,
         "matrix coordinate complex hermitian"},
        {"%%MatrixMarket\tmatrix  array integer Skew-Symmetric more", kMmSuccess,
         "matrix array integer skew-symmetric"},
        {"%%matrixmarket matrix coordinate real general\n", kMmNoHeader, ""},
        {"%%MatrixMarketX matrix coordinate real general\n", kMmNoHeader, ""},
        {"%%MatrixMarket matrix coordinate real\n3 3 1\n", kMmPrematureEof, ""},
        {"", kMmPrematureEof, ""},
        {"%%MatrixMarket " + std::string(2000, ' ') + "matrix coordinate real general\n", kMmPrematureEof,
         ""},
        {"%%MatrixMarket vector coordinate real general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix sparse real general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix coordinate double general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix coordinate real skew\n", kMmUnsupportedType, ""},
    };
    for (const auto& c : cases) {
        LineReader file(write(c.text));
        MmTypecode typecode;
        EXPECT_EQ(c.status, mm_read_banner(file, typecode)) << c.text;
        EXPECT_EQ(c.words, mm_typecode_to_str(typecode)) << c.text;
    }
}

TEST_F(MatrixMarketTest, SizeLines) {
    const struct {
        std::string text;
        int status, M, N, nz;
    } cases[] = {
        {"% comment\n%\n  3 4 5  \r\n1 1 1\n", kMmSuccess, 3, 4, 5},
        {"\n3\n% between\n+4\n\n05 6\n", kMmSuccess, 3, 4, 5},
        {"3 4\n", kMmPrematureEof, 0, 0, 0},
        {"3 x 5\n", kMmInvalidSize, 0, 0, 0},
        {"3 3 -1\n", kMmInvalidSize, 0, 0, 0},
        {"3 3 2147483648\n", kMmInvalidSize, 0, 0, 0},
        {" % not a comment\n3 3 1\n", kMmInvalidSize, 0, 0, 0},
    };
    for (const auto& c : cases) {
        LineReader file(write(c.text));
        int M = -1, N = -1, nz = -1;
        EXPECT_EQ(c.status, mm_read_mtx_crd_size(file, M, N, nz)) << c.text;
        EXPECT_EQ(std::make_tuple(c.M, c.N, c.nz), std::make_tuple(M, N, nz)) << c.text;
    }
    LineReader array(write("%\n5 1\n0.5\n"));
    int M = 0, N = 0;
    std::string_view firstValue;
    EXPECT_EQ(kMmSuccess, mm_read_mtx_array_size(array, M, N));
    EXPECT_TRUE(M == 5 && N == 1 && array.nextLine(firstValue) && firstValue == "0.5");
}

TEST_F(MatrixMarketTest, CoordinateWriterLayoutAndRefusals) {
    const int rows[] = {1, 10}, cols[] = {2, 3};
    const double values[] = {0.1, -2.5e-300, 4, 1.0 / 3.0};
    ASSERT_EQ(kMmSuccess,
              mm_write_mtx_crd(pathOf("c.mtx"), 10, 11, 2, rows, cols, values, {'M', 'C', 'C', 'H'}));
    char expected[256];
    std::snprintf(expected, sizeof expected,
                  "%%%%MatrixMarket matrix coordinate complex hermitian\n10 11 2\n"
                  "1 2 %20.16g %20.16g\n10 3 %20.16g %20.16g\n",
                  0.1, -2.5e-300, 4.0, 1.0 / 3.0);
    EXPECT_EQ(expected, read("c.mtx"));
    ASSERT_EQ(kMmSuccess,
              mm_write_mtx_crd(pathOf("p.mtx"), 10, 10, 2, rows, cols, nullptr, {'M', 'C', 'P', 'S'}));
    EXPECT_EQ("%%MatrixMarket matrix coordinate pattern symmetric\n10 10 2\n1 2\n10 3\n", read("p.mtx"));

    for (const MmTypecode unwritten :
         {MmTypecode{'M', 'A', 'R', 'G'}, MmTypecode{'M', 'C', 'I', 'G'}, MmTypecode{}})
        EXPECT_EQ(kMmUnsupportedType,
                  mm_write_mtx_crd(pathOf("u.mtx"), 1, 1, 1, rows, cols, values, unwritten));
    EXPECT_EQ(kMmCouldNotWriteFile,
              mm_write_mtx_crd(pathOf("no/dir/x.mtx"), 1, 1, 1, rows, cols, values, {'M', 'C', 'R', 'G'}));
}

}  // namespace
