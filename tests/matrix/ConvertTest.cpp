// The public host COO-to-CSR and CSC-to-CSR conversions against a stable
// sort of the entries by row and column, on random entries with duplicates,
// both index bases and all four scalar types; refused arguments write nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <type_traits>
#include <vector>

#include "common/TestMatrices.h"
#include "kyraSparse.h"
#include "matrix/DataFormat.h"

namespace {

using namespace Iterative;
using Ints = std::vector<int>;

// The public COO (first = column indices) or CSC (first = column pointers)
// conversion of T's precision.
template <typename T>
auto publicConversion(bool coo) {
    if constexpr (std::is_same_v<T, float>) return coo ? kyraSparseHostScoo2csr : kyraSparseHostScsc2csr;
    if constexpr (std::is_same_v<T, double>) return coo ? kyraSparseHostDcoo2csr : kyraSparseHostDcsc2csr;
    if constexpr (std::is_same_v<T, kyra::Complex<float>>)
        return coo ? kyraSparseHostCcoo2csr : kyraSparseHostCcsc2csr;
    if constexpr (std::is_same_v<T, kyra::Complex<double>>)
        return coo ? kyraSparseHostZcoo2csr : kyraSparseHostZcsc2csr;
}

// Random entries with many repeated (row, col) pairs; every third entry goes
// to one of `longRows` rows; with a `band`, columns lie that close to the row.
template <typename T>
std::vector<Entry<T>> randomEntries(int n, int nnz, std::mt19937& rng, int longRows, int band) {
    std::uniform_int_distribution<int> index(0, n - 1);
    std::vector<Entry<T>> e;
    for (int k = 0; k < nnz; ++k) {
        int row = longRows > 0 && k % 3 == 0 ? k % longRows : index(rng);
        int col = k % 5 == 0 ? index(rng) % (n / 4 + 1) : index(rng);
        if (band > 0) col = std::clamp(row + col % (2 * band + 1) - band, 0, n - 1);
        if (k >= 6 && k % 7 == 6) row = e[k - 5].row, col = e[k - 5].col;
        e.push_back({row, col, randomScalar<T>(rng)});
    }
    return e;
}

// CSR output arrays, filled with values no conversion writes.
template <typename T>
struct Output {
    Ints rowPtr, colInd;
    std::vector<T> val;
    Output(int n, int nnz) : rowPtr(n + 1, -7), colInd(nnz, -7), val(nnz, T(-99)) {}
    bool operator==(const Output& o) const {
        return rowPtr == o.rowPtr && colInd == o.colInd && val == o.val;
    }
};

// The public conversion into out.
template <typename T>
kyraSparseStatus convert(bool coo, int n, int nnz, const int* first, const int* rowInd, const T* a,
                         Output<T>& out, int inBase, int outBase, bool nullOutput = false) {
    using P = PublicScalar<T>;
    return publicConversion<T>(coo)(n, nnz, first, rowInd, reinterpret_cast<const P*>(a),
                                    nullOutput ? nullptr : out.colInd.data(), out.rowPtr.data(),
                                    reinterpret_cast<P*>(out.val.data()), inBase, outBase);
}

template <typename T>
class HostConversion : public ::testing::Test {};
TYPED_TEST_SUITE(HostConversion, AllScalarTypes);

// Shapes that reach each way of sorting: one bucket of rows or several
// sorted in parallel; columns spread wide (rows sorted first; short rows by
// the network, rows of 17 to 32 entries by merging) or narrow (columns
// sorted first); and more than 2^16 rows, where a row no longer fits beside
// its column in one int.
TYPED_TEST(HostConversion, CooAndCscMatchReferenceForBothBases) {
    using T = TypeParam;
    std::mt19937 rng(1);
    const int shapes[][4] = {{1, 5, 0, 0},        {7, 40, 0, 0},         {300, 1000, 0, 0},
                             {5000, 2400, 0, 0},  {4000, 1900, 25, 0},   {2000, 40000, 40, 0},
                             {65537, 2000, 0, 0}, {131073, 80000, 0, 50}};
    for (const auto& [n, nnz, longRows, band] : shapes) {
        const std::vector<Entry<T>> e = randomEntries<T>(n, nnz, rng, longRows, band);
        // CSC input lists the entries by column, rows in input order; sorting
        // that stably by row gives the CSR order with equal pairs in input order.
        const std::vector<Entry<T>> byColumn = transposed(Csr<T>(n, transposed(e)).entries());
        const Csr<T> expected[] = {Csr<T>(n, byColumn, 0), Csr<T>(n, byColumn, 1)};
        for (bool coo : {true, false}) {
            for (int inBase : {0, 1}) {
                const CallerArrays<T> in(coo ? kCooStorage : kCscStorage, e, n, inBase);
                for (int outBase : {0, 1}) {
                    SCOPED_TRACE(::testing::Message() << coo << " n " << n << " bases " << inBase << outBase);
                    Output<T> csr(n, nnz);
                    ASSERT_EQ(kyraSparseNoError, convert(coo, n, nnz, (coo ? in.second : in.first).data(),
                                                         (coo ? in.first : in.second).data(),
                                                         in.values.data(), csr, inBase, outBase));
                    EXPECT_EQ(expected[outBase].rowPtr(), csr.rowPtr);
                    EXPECT_EQ(expected[outBase].colInd(), csr.colInd);
                    EXPECT_TRUE(expected[outBase].val() == csr.val) << "values differ";
                }
            }
        }
    }
    for (bool coo : {true, false}) {
        Output<T> csr(3, 1);
        const Ints colPtr(4, 1);
        ASSERT_EQ(kyraSparseNoError,
                  convert(coo, 3, 0, colPtr.data(), colPtr.data(), csr.val.data(), csr, 1, 1));
        EXPECT_EQ(Ints(4, 1), csr.rowPtr);
    }
}

// A refused call leaves all three output arrays as they were. The null
// arrays share one check: one null input and one null output stand for it.
TYPED_TEST(HostConversion, RefusedArgumentsWriteNothing) {
    using T = TypeParam;
    const Ints rowInd{0, 1, 2}, colInd{2, 1, 0}, colPtr{0, 1, 2, 3}, badRow{0, 3, 2}, badColPtr{0, 2, 1, 3};
    const std::vector<T> a(3, T(5));
    for (bool coo : {true, false}) {
        const int* first = coo ? colInd.data() : colPtr.data();
        const struct {
            int n, nnz;
            const int *first, *second;
            int inBase, outBase;
            bool nullOutput;
        } cases[] = {
            {3, 3, first, rowInd.data(), 2, 0, false},
            {3, 3, first, rowInd.data(), 0, -1, false},
            {-1, 3, first, rowInd.data(), 0, 0, false},
            {3, -1, first, rowInd.data(), 0, 0, false},
            {0, 1, first, rowInd.data(), 0, 0, false},
            {3, 3, nullptr, rowInd.data(), 0, 0, false},
            {3, 3, first, rowInd.data(), 0, 0, true},
            {3, 3, coo ? first : badColPtr.data(), coo ? badRow.data() : rowInd.data(), 0, 0, false},
            {3, 3, first, badRow.data(), 0, 0, false},
        };
        for (const auto& c : cases) {
            Output<T> csr(3, 3);
            EXPECT_EQ(kyraSparseArgumentError, convert(coo, c.n, c.nnz, c.first, c.second, a.data(), csr,
                                                       c.inBase, c.outBase, c.nullOutput))
                << coo << " case " << (&c - cases);
            EXPECT_TRUE(Output<T>(3, 3) == csr);
        }
    }
}

}  // namespace
