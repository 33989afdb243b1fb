// Validation of the caller's index arrays: the description of the first
// fault of every kind in both index bases, also in arrays long enough to be
// scanned in parallel. (The status these faults end an execution with is
// checked through the host platform.)

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "matrix/IndexCheck.h"

namespace {

using namespace Iterative;
using Ints = std::vector<int>;

struct Case {
    char format;  // 'R' CSR, 'C' CSC, 'O' COO
    int n, nnz, base;
    Ints first, second;  // pointers and indices, or COO rows and columns
    std::string expected;
};

std::string errorOf(const Case& c) {
    const int *first = c.first.data(), *second = c.second.data();
    if (c.format == 'R') return findCsrIndexError(c.n, c.nnz, first, second, c.base);
    if (c.format == 'C') return findCscIndexError(c.n, c.nnz, first, second, c.base);
    return findCooIndexError(c.n, c.nnz, first, second, c.base);
}

TEST(IndexCheck, FirstFaultIsDescribed) {
    const Ints six(6, 1), intMin{0, 1, INT_MIN, 0, 1, 1};
    const Case cases[] = {
        {'R', 4, 2, 0, {0, 0, 2, 2, 2}, {3, 0}, ""},
        {'C', 2, 3, 1, {1, 3, 4}, {2, 1, 2}, ""},
        {'O', 3, 3, 1, {1, 2, 3}, {3, 2, 1}, ""},
        {'R', 3, 6, 0, {1, 2, 3, 4}, six, "rowPtr[0] = 1 must equal the index base 0"},
        {'R', 4, 6, 0, {0, 2, 7, 5, 6}, six, "rowPtr[3] = 5 is less than rowPtr[2] = 7"},
        {'R', 4, 6, 0, {0, 2, 3, 9, 8}, six, "rowPtr[4] = 8 is less than rowPtr[3] = 9"},
        {'R', 4, 6, 0, {0, 1, 2, 3, 5}, six, "rowPtr[4] = 5 must equal nnz + base = 6"},
        {'R', 4, 6, 1, {1, 2, 3, 4, 8}, six, "rowPtr[4] = 8 must equal nnz + base = 7"},
        {'R', 0, 1, 0, {0}, {0}, "rowPtr[0] = 0 must equal nnz + base = 1"},
        {'R', 3, 6, 0, {0, 2, 4, 6}, {0, 1, 2, 0, 3, 1}, "colInd[4] = 3 is out of range for n = 3"},
        {'R', 3, 6, 0, {0, 2, 4, 6}, {0, -1, 2, 0, 5, 1}, "colInd[1] = -1 is out of range for n = 3"},
        {'R', 3, 6, 0, {0, 2, 4, 6}, intMin, "colInd[2] = -2147483648 is out of range for n = 3"},
        {'C', 3, 6, 1, {1, 3, 5, 7}, {0, 1, 2, 3, 1, 2}, "rowInd[0] = 0 is out of range for n = 3"},
        {'C', 3, 6, 1, {1, 3, 5, 7}, {1, 1, 2, 3, 1, 4}, "rowInd[5] = 4 is out of range for n = 3"},
        {'C', 3, 6, 0, {0, 3, 2, 6}, Ints(6, 9), "colPtr[2] = 2 is less than colPtr[1] = 3"},
        {'O', 3, 3, 0, {0, 1, 7}, {5, 1, 0}, "rowInd[2] = 7 is out of range for n = 3"},
        {'O', 3, 3, 1, {1, 2, 3}, {3, 0, 4}, "colInd[1] = 0 is out of range for n = 3"},
        {'O', 0, 1, 0, {0}, {0}, "rowInd[0] = 0 is out of range for n = 0"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, errorOf(c)) << c.format << " " << c.expected;
}

// Faults far apart in arrays scanned in parallel blocks: the first is named.
TEST(IndexCheck, LongArraysReportTheFirstFault) {
    const int n = 100000;
    Case csr{'R', n, n, 0, Ints(n + 1), Ints(n, 3), ""};
    for (int r = 0; r <= n; ++r) csr.first[r] = r;
    csr.second[90000] = n;
    csr.second[3000] = -1;
    csr.second[40000] = n + 1;
    EXPECT_EQ("colInd[3000] = -1 is out of range for n = 100000", errorOf(csr));
    csr.first[70000] = 0;
    csr.first[20000] = 0;
    EXPECT_EQ("rowPtr[20000] = 0 is less than rowPtr[19999] = 19999", errorOf(csr));
    Case coo{'O', n, n, 1, Ints(n, 1), Ints(n, 1), ""};
    coo.second[5000] = 0;
    coo.second[30000] = n + 1;
    EXPECT_EQ("colInd[5000] = 0 is out of range for n = 100000", errorOf(coo));
}

}  // namespace
