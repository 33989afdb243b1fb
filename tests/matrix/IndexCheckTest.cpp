// Validation of the caller's index arrays: the exact description of the
// first fault for every kind of fault, both index bases, large arrays (the
// parallel scan must still report the first bad position), and status 4 from
// the raising forms.

#include <gtest/gtest.h>

#include <climits>
#include <numeric>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/IndexCheck.h"

namespace {

using namespace Iterative;

// A valid CSR pattern of n rows with `perRow` entries each.
struct Pattern {
    int n;
    int base;
    std::vector<int> pointers;
    std::vector<int> indices;

    Pattern(int rows, int perRow, int indexBase) : n(rows), base(indexBase) {
        for (int r = 0; r <= n; ++r) pointers.push_back(r * perRow + base);
        for (int k = 0; k < n * perRow; ++k) indices.push_back((k * 7) % n + base);
    }
    int nnz() const { return static_cast<int>(indices.size()); }
};

TEST(IndexCheck, ValidArraysPass) {
    for (int base : {0, 1}) {
        for (int n : {0, 1, 10, 100000}) {
            const Pattern p(n, n == 0 ? 0 : 3, base);
            EXPECT_EQ("", findCsrIndexError(p.n, p.nnz(), p.pointers.data(), p.indices.data(), base));
            EXPECT_EQ("", findCscIndexError(p.n, p.nnz(), p.pointers.data(), p.indices.data(), base));
            EXPECT_EQ("", findCooIndexError(p.n, p.nnz(), p.indices.data(), p.indices.data(), base));
            EXPECT_NO_THROW(checkCsrIndices(p.n, p.nnz(), p.pointers.data(), p.indices.data(), base));
        }
    }
    const std::vector<int> emptyRows{0, 0, 2, 2, 2}, colInd{3, 0};
    EXPECT_EQ("", findCsrIndexError(4, 2, emptyRows.data(), colInd.data(), 0));
}

TEST(IndexCheck, PointerFaultsAreDescribed) {
    struct Case {
        std::vector<int> pointers;
        int base;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {{1, 2, 3, 4}, 0, "rowPtr[0] = 1 must equal the index base 0"},
        {{0, 1, 2, 3}, 1, "rowPtr[0] = 0 must equal the index base 1"},
        {{0, 2, 7, 5, 6}, 0, "rowPtr[3] = 5 is less than rowPtr[2] = 7"},
        {{0, 1, 1, 0, 6}, 0, "rowPtr[3] = 0 is less than rowPtr[2] = 1"},
        {{0, 1, 2, 3, 5}, 0, "rowPtr[4] = 5 must equal nnz + base = 6"},
        {{1, 2, 3, 4, 5}, 1, "rowPtr[4] = 5 must equal nnz + base = 7"},
        {{0, 2, 3, 9, 8}, 0, "rowPtr[4] = 8 is less than rowPtr[3] = 9"},
    };
    const std::vector<int> indices(6, 1);
    for (const Case& c : cases) {
        const int n = static_cast<int>(c.pointers.size()) - 1;
        EXPECT_EQ(c.expected, findCsrIndexError(n, 6, c.pointers.data(), indices.data(), c.base));
    }
}

TEST(IndexCheck, IndexFaultsNameTheArrayAndPosition) {
    const std::vector<int> pointers{0, 2, 4, 6};
    EXPECT_EQ("colInd[4] = 3 is out of range for n = 3",
              findCsrIndexError(3, 6, pointers.data(), std::vector<int>{0, 1, 2, 0, 3, 1}.data(), 0));
    EXPECT_EQ("colInd[1] = -1 is out of range for n = 3",
              findCsrIndexError(3, 6, pointers.data(), std::vector<int>{0, -1, 2, 0, 5, 1}.data(), 0));
    EXPECT_EQ("rowInd[0] = 0 is out of range for n = 3",
              findCscIndexError(3, 6, std::vector<int>{1, 3, 5, 7}.data(),
                                std::vector<int>{0, 1, 2, 3, 1, 2}.data(), 1));
    EXPECT_EQ("rowInd[5] = 4 is out of range for n = 3",
              findCscIndexError(3, 6, std::vector<int>{1, 3, 5, 7}.data(),
                                std::vector<int>{1, 1, 2, 3, 1, 4}.data(), 1));
    EXPECT_EQ("colInd[2] = -2147483648 is out of range for n = 3",
              findCsrIndexError(3, 6, pointers.data(), std::vector<int>{0, 1, INT_MIN, 0, 1, 1}.data(), 0));
}

TEST(IndexCheck, PointersAreCheckedBeforeIndices) {
    const std::vector<int> pointers{0, 3, 2, 6}, indices{9, 9, 9, 9, 9, 9};
    EXPECT_EQ("colPtr[2] = 2 is less than colPtr[1] = 3",
              findCscIndexError(3, 6, pointers.data(), indices.data(), 0));
}

TEST(IndexCheck, CooRowsAreCheckedBeforeColumns) {
    const std::vector<int> rows{0, 1, 7}, cols{5, 1, 0};
    EXPECT_EQ("rowInd[2] = 7 is out of range for n = 3",
              findCooIndexError(3, 3, rows.data(), cols.data(), 0));
    const std::vector<int> goodRows{1, 2, 3};
    EXPECT_EQ("colInd[0] = 5 is out of range for n = 3",
              findCooIndexError(3, 3, goodRows.data(), std::vector<int>{5, 1, 4}.data(), 1));
    EXPECT_EQ("colInd[1] = 0 is out of range for n = 3",
              findCooIndexError(3, 3, goodRows.data(), std::vector<int>{3, 0, 4}.data(), 1));
}

TEST(IndexCheck, LargeArraysReportTheFirstFault) {
    Pattern p(200000, 5, 0);
    p.indices[987654] = 200000;
    p.indices[17] = 1000000;
    p.indices[600000] = -3;
    EXPECT_EQ("colInd[17] = 1000000 is out of range for n = 200000",
              findCsrIndexError(p.n, p.nnz(), p.pointers.data(), p.indices.data(), 0));

    p.pointers[150000] = 0;
    p.pointers[100] = 0;
    EXPECT_EQ("rowPtr[100] = 0 is less than rowPtr[99] = 495",
              findCsrIndexError(p.n, p.nnz(), p.pointers.data(), p.indices.data(), 0));

    std::vector<int> rows(p.nnz(), 5);
    rows[999000] = -1;
    rows[300001] = 200000;
    EXPECT_EQ("rowInd[300001] = 200000 is out of range for n = 200000",
              findCooIndexError(p.n, p.nnz(), rows.data(), p.indices.data(), 0));
}

TEST(IndexCheck, EntriesWithoutRowsAreOutOfRange) {
    const std::vector<int> pointers{0}, indices{0};
    EXPECT_EQ("rowPtr[0] = 0 must equal nnz + base = 1",
              findCsrIndexError(0, 1, pointers.data(), indices.data(), 0));
    EXPECT_EQ("rowInd[0] = 0 is out of range for n = 0",
              findCooIndexError(0, 1, indices.data(), indices.data(), 0));
}

TEST(IndexCheck, RaisingFormsGiveStatusFour) {
    const std::vector<int> pointers{0, 2, 7, 5, 6}, indices(6, 0), columns{0, 2, 7, 1, 1, 1};
    EXPECT_EQ("4: rowPtr[3] = 5 is less than rowPtr[2] = 7",
              failureOf([&] { checkCsrIndices(4, 6, pointers.data(), indices.data(), 0); }));
    EXPECT_EQ("4: colInd[2] = 7 is out of range for n = 4",
              failureOf([&] { checkCooIndices(4, 6, indices.data(), columns.data(), 0); }));
    EXPECT_EQ("4: colPtr[0] = 0 must equal the index base 1",
              failureOf([&] { checkCscIndices(4, 6, pointers.data(), indices.data(), 1); }));
}

}  // namespace
