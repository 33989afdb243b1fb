// The public host COO-to-CSR and CSC-to-CSR conversions against a stable
// sort of the entries by row and column, on random entries with duplicates,
// both index bases and all four scalar types; refused arguments write nothing.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <type_traits>
#include <vector>

#include "common/DenseChecks.h"
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

// Entries (row, col, value), zero-based, or CSR arrays.
template <typename T>
struct Entries {
    Ints row, col;
    std::vector<T> val;
};

Ints shifted(Ints indices, int base) {
    for (int& i : indices) i += base;
    return indices;
}

// The entries stably sorted by row (or column), and where each row (or
// column) starts among them.
template <typename T>
Entries<T> sortedBy(const Entries<T>& e, bool byRow, int n, Ints& starts) {
    const Ints& key = byRow ? e.row : e.col;
    Ints order(key.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&key](int l, int r) { return key[l] < key[r]; });
    Entries<T> sorted;
    starts.assign(n + 1, 0);
    for (int k : order) {
        sorted.row.push_back(e.row[k]);
        sorted.col.push_back(e.col[k]);
        sorted.val.push_back(e.val[k]);
        ++starts[key[k] + 1];
    }
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    return sorted;
}

// Random entries with many repeated (row, col) pairs; every third entry goes
// to one of `longRows` rows; with a `band`, columns lie that close to the row.
template <typename T>
Entries<T> randomEntries(int n, int nnz, std::mt19937& rng, int longRows, int band) {
    std::uniform_int_distribution<int> index(0, n - 1);
    Entries<T> e;
    for (int k = 0; k < nnz; ++k) {
        e.row.push_back(longRows > 0 && k % 3 == 0 ? k % longRows : index(rng));
        e.col.push_back(k % 5 == 0 ? index(rng) % (n / 4 + 1) : index(rng));
        if (band > 0)
            e.col.back() = std::clamp(e.row.back() + e.col.back() % (2 * band + 1) - band, 0, n - 1);
        if (k >= 6 && k % 7 == 6) e.row.back() = e.row[k - 5], e.col.back() = e.col[k - 5];
        e.val.push_back(randomScalar<T>(rng));
    }
    return e;
}

// The public conversion into out, which gets n + 1 row pointers.
template <typename T>
kyraSparseStatus convert(bool coo, int n, int nnz, const int* first, const int* rowInd, const T* a,
                         Entries<T>& out, int inBase, int outBase, bool nullOutput = false) {
    using P = PublicScalar<T>;
    return publicConversion<T>(coo)(n, nnz, first, rowInd, reinterpret_cast<const P*>(a),
                                    nullOutput ? nullptr : out.col.data(), out.row.data(),
                                    reinterpret_cast<P*>(out.val.data()), inBase, outBase);
}

template <typename T>
Entries<T> outputFor(int n, int nnz) {
    return {Ints(n + 1, -7), Ints(nnz, -7), std::vector<T>(nnz, T(-99))};
}

template <typename T>
class HostConversion : public ::testing::Test {};
TYPED_TEST_SUITE(HostConversion, AllScalarTypes);

// Shapes that reach each way of sorting: one bucket of rows or several
// sorted in parallel; columns spread wide (rows sorted first; short rows by
// the network, rows of 17 to 32 entries by merging) or narrow (columns
// sorted first); and more than 2^17 rows, where a row no longer fits beside
// its column in one int.
TYPED_TEST(HostConversion, CooAndCscMatchReferenceForBothBases) {
    using T = TypeParam;
    std::mt19937 rng(1);
    const int shapes[][4] = {{1, 5, 0, 0},         {7, 40, 0, 0},         {300, 1000, 0, 0},
                             {5000, 2400, 0, 0},   {4000, 1900, 25, 0},   {2000, 40000, 40, 0},
                             {131073, 2000, 0, 0}, {131073, 80000, 0, 50}};
    for (const auto& [n, nnz, longRows, band] : shapes) {
        const Entries<T> e = randomEntries<T>(n, nnz, rng, longRows, band);
        // CSC input lists the entries by column, rows in input order; sorting
        // that by row gives the CSR order with equal pairs in input order.
        Ints colPtr, rowPtr;
        const Entries<T> byColumn = sortedBy(e, false, n, colPtr);
        const Entries<T> byRow = sortedBy(byColumn, true, n, rowPtr);
        for (bool coo : {true, false}) {
            const Entries<T>& input = coo ? e : byColumn;
            for (const auto& [inBase, outBase] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 1}}) {
                SCOPED_TRACE(::testing::Message() << coo << " n " << n << " bases " << inBase << outBase);
                const Ints rowInd = shifted(input.row, inBase),
                           first = shifted(coo ? input.col : colPtr, inBase);
                Entries<T> csr = outputFor<T>(n, nnz);
                ASSERT_EQ(kyraSparseNoError, convert(coo, n, nnz, first.data(), rowInd.data(),
                                                     input.val.data(), csr, inBase, outBase));
                EXPECT_EQ(shifted(rowPtr, outBase), csr.row);
                EXPECT_EQ(shifted(byRow.col, outBase), csr.col);
                EXPECT_TRUE(byRow.val == csr.val) << "values differ";
            }
        }
    }
    for (bool coo : {true, false}) {
        Entries<T> csr = outputFor<T>(3, 1);
        const Ints colPtr(4, 1);
        ASSERT_EQ(kyraSparseNoError,
                  convert(coo, 3, 0, colPtr.data(), colPtr.data(), csr.val.data(), csr, 1, 1));
        EXPECT_EQ(Ints(4, 1), csr.row);
    }
}

// A refused call leaves all three output arrays as they were.
TYPED_TEST(HostConversion, RefusedArgumentsWriteNothing) {
    using T = TypeParam;
    const Ints rowInd{0, 1, 2}, colInd{2, 1, 0}, colPtr{0, 1, 2, 3}, badRow{0, 3, 2}, badColPtr{0, 2, 1, 3};
    const std::vector<T> a(3, T(5));
    for (bool coo : {true, false}) {
        const int* first = coo ? colInd.data() : colPtr.data();
        const struct {
            int n, nnz;
            const int *first, *second;
            const T* a;
            int inBase, outBase;
            bool nullOutput;
        } cases[] = {
            {3, 3, first, rowInd.data(), a.data(), 2, 0, false},
            {3, 3, first, rowInd.data(), a.data(), 0, -1, false},
            {-1, 3, first, rowInd.data(), a.data(), 0, 0, false},
            {3, -1, first, rowInd.data(), a.data(), 0, 0, false},
            {0, 1, first, rowInd.data(), a.data(), 0, 0, false},
            {3, 3, nullptr, rowInd.data(), a.data(), 0, 0, false},
            {3, 3, first, nullptr, a.data(), 0, 0, false},
            {3, 3, first, rowInd.data(), nullptr, 0, 0, false},
            {3, 3, first, rowInd.data(), a.data(), 0, 0, true},
            {3, 3, coo ? first : badColPtr.data(), coo ? badRow.data() : rowInd.data(), a.data(), 0, 0,
             false},
            {3, 3, first, badRow.data(), a.data(), 0, 0, false},
        };
        for (const auto& c : cases) {
            Entries<T> csr = outputFor<T>(3, 3);
            EXPECT_EQ(kyraSparseArgumentError, convert(coo, c.n, c.nnz, c.first, c.second, c.a, csr, c.inBase,
                                                       c.outBase, c.nullOutput))
                << coo << " case " << (&c - cases);
            EXPECT_TRUE(outputFor<T>(3, 3).row == csr.row && outputFor<T>(3, 3).col == csr.col &&
                        outputFor<T>(3, 3).val == csr.val);
        }
    }
}

}  // namespace
