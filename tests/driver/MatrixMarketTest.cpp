#include "io/MatrixMarket.h"

#include "TempFiles.h"

#include <cstdio>
#include <string>

using namespace kyra::io;

namespace {

class MatrixMarketTest : public TempFiles {
  protected:
    int banner(const std::string& text, std::string& words) {
        LineReader file(write(text));
        MmTypecode typecode;
        const int status = mm_read_banner(file, typecode);
        words = mm_typecode_to_str(typecode);
        return status;
    }
};

TEST_F(MatrixMarketTest, BannerWordsAndTheirLetterCase) {
    const struct {
        std::string text;
        int status;
        std::string words;
    } cases[] = {
        {"%%MatrixMarket matrix coordinate real general\n", kMmSuccess, "matrix coordinate real general"},
        {"%%MatrixMarket MATRIX Coordinate COMPLEX Hermitian\r\n", kMmSuccess,
         "matrix coordinate complex hermitian"},
        {"%%MatrixMarket\tmatrix  array integer Skew-Symmetric extra words", kMmSuccess,
         "matrix array integer skew-symmetric"},
        {"%%MatrixMarket matrix coordinate pattern symmetric", kMmSuccess,
         "matrix coordinate pattern symmetric"},
        {"%%matrixmarket matrix coordinate real general\n", kMmNoHeader, ""},
        {"%MatrixMarket matrix coordinate real general\n", kMmNoHeader, ""},
        {"%%MatrixMarketX matrix coordinate real general\n", kMmNoHeader, ""},
        {"%%MatrixMarket matrix coordinate real\n3 3 1\n", kMmPrematureEof, ""},
        {"", kMmPrematureEof, ""},
        {"\n%%MatrixMarket matrix coordinate real general\n", kMmPrematureEof, ""},
        {"%%MatrixMarket vector coordinate real general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix sparse real general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix coordinate double general\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket matrix coordinate real skew\n", kMmUnsupportedType, ""},
        {"%%MatrixMarket " + std::string(2000, ' ') + "matrix coordinate real general\n", kMmPrematureEof,
         ""},
    };
    for (const auto& c : cases) {
        std::string words;
        EXPECT_EQ(c.status, banner(c.text, words)) << c.text;
        EXPECT_EQ(c.words, words) << c.text;
    }
}

TEST_F(MatrixMarketTest, CoordinateSizeLine) {
    const struct {
        std::string text;
        int status, M, N, nz;
    } cases[] = {
        {"3 4 5\n1 1 1\n", kMmSuccess, 3, 4, 5},
        {"% comment\n%\n  3 4 5  \r\n", kMmSuccess, 3, 4, 5},
        {"\n\n3 4 5 6\n", kMmSuccess, 3, 4, 5},
        {"3\n% between\n4\n\n5\n", kMmSuccess, 3, 4, 5},
        {"+3 03 0\n", kMmSuccess, 3, 3, 0},
        {"3 4\n", kMmPrematureEof, 0, 0, 0},
        {"% only comments\n", kMmPrematureEof, 0, 0, 0},
        {"3 x 5\n", kMmInvalidSize, 0, 0, 0},
        {"3 3 -1\n", kMmInvalidSize, 0, 0, 0},
        {"3 3 2147483648\n", kMmInvalidSize, 0, 0, 0},
        {"3.0 3 1\n", kMmInvalidSize, 0, 0, 0},
        {" % indented comment\n3 3 1\n", kMmInvalidSize, 0, 0, 0},
    };
    for (const auto& c : cases) {
        LineReader file(write(c.text));
        int M = -1, N = -1, nz = -1;
        EXPECT_EQ(c.status, mm_read_mtx_crd_size(file, M, N, nz)) << c.text;
        EXPECT_EQ(c.M, M) << c.text;
        EXPECT_EQ(c.N, N) << c.text;
        EXPECT_EQ(c.nz, nz) << c.text;
    }
}

TEST_F(MatrixMarketTest, ArraySizeLineLeavesTheFileAtTheFirstValue) {
    LineReader file(write("% c\n5 1\n0.5\n"));
    int M = 0, N = 0;
    ASSERT_EQ(kMmSuccess, mm_read_mtx_array_size(file, M, N));
    EXPECT_EQ(5, M);
    EXPECT_EQ(1, N);
    std::string_view line;
    ASSERT_TRUE(file.nextLine(line));
    EXPECT_EQ("0.5", line);

    LineReader truncated(write("5\n"));
    EXPECT_EQ(kMmPrematureEof, mm_read_mtx_array_size(truncated, M, N));
    EXPECT_EQ(0, M);
}

TEST_F(MatrixMarketTest, CoordinateWriterLayout) {
    const int rows[] = {1, 10};
    const int cols[] = {2, 3};
    const double values[] = {0.1, -2.5e-300, 4, 1.0 / 3.0};
    char expected[256];

    ASSERT_EQ(kMmSuccess,
              mm_write_mtx_crd(pathOf("r.mtx"), 10, 11, 2, rows, cols, values, {'M', 'C', 'R', 'G'}));
    std::snprintf(expected, sizeof expected,
                  "%%%%MatrixMarket matrix coordinate real general\n10 11 2\n"
                  "%d %d %20.16g\n%d %d %20.16g\n",
                  1, 2, 0.1, 10, 3, -2.5e-300);
    EXPECT_EQ(expected, read(pathOf("r.mtx")));

    ASSERT_EQ(kMmSuccess,
              mm_write_mtx_crd(pathOf("c.mtx"), 10, 10, 2, rows, cols, values, {'M', 'C', 'C', 'H'}));
    std::snprintf(expected, sizeof expected,
                  "%%%%MatrixMarket matrix coordinate complex hermitian\n10 10 2\n"
                  "%d %d %20.16g %20.16g\n%d %d %20.16g %20.16g\n",
                  1, 2, 0.1, -2.5e-300, 10, 3, 4.0, 1.0 / 3.0);
    EXPECT_EQ(expected, read(pathOf("c.mtx")));

    ASSERT_EQ(kMmSuccess,
              mm_write_mtx_crd(pathOf("p.mtx"), 10, 10, 2, rows, cols, nullptr, {'M', 'C', 'P', 'S'}));
    EXPECT_EQ("%%MatrixMarket matrix coordinate pattern symmetric\n10 10 2\n1 2\n10 3\n",
              read(pathOf("p.mtx")));
}

TEST_F(MatrixMarketTest, WritersRefuseUnknownTypesAndUnwritablePaths) {
    const int index[] = {1};
    const double value[] = {1};
    EXPECT_EQ(kMmUnsupportedType,
              mm_write_mtx_crd(pathOf("a.mtx"), 1, 1, 1, index, index, value, {'M', 'A', 'R', 'G'}));
    EXPECT_EQ(kMmUnsupportedType,
              mm_write_mtx_crd(pathOf("i.mtx"), 1, 1, 1, index, index, value, {'M', 'C', 'I', 'G'}));
    EXPECT_EQ(kMmUnsupportedType,
              mm_write_mtx_crd(pathOf("d.mtx"), 1, 1, 1, index, index, value, MmTypecode{}));
    EXPECT_EQ(kMmCouldNotWriteFile, mm_write_mtx_crd(pathOf("no/such/dir.mtx"), 1, 1, 1, index, index, value,
                                                     {'M', 'C', 'R', 'G'}));
    EXPECT_EQ(kMmUnsupportedType, mm_write_banner(stdout, {'M', 'C', 'X', 'G'}));
}

}  // namespace
