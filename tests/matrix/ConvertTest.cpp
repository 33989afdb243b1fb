// The host COO-to-CSR and CSC-to-CSR conversions against a reference built in
// the test (a stable sort of the entries by row and column), on random inputs
// with duplicates, both index bases and all four scalar types, through the
// public functions; plus argument rejection with nothing written.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "common/DenseChecks.h"
#include "kyraSparse.h"
#include "matrix/DataFormat.h"

namespace {

using namespace Iterative;

template <typename T>
T scalarFrom(int seed) {
    if constexpr (kyra::IsComplex<T>::value) {
        using R = kyra::Real<T>;
        return T(static_cast<R>(seed), static_cast<R>(-seed - 1));
    } else {
        return static_cast<T>(seed);
    }
}

// The public S/D/C/Z conversions of T.
template <typename T>
struct Public;

#define KYRA_TEST_PUBLIC_CONVERSIONS(L, T)                      \
    template <>                                                 \
    struct Public<T> {                                          \
        static constexpr auto coo = kyraSparseHost##L##coo2csr; \
        static constexpr auto csc = kyraSparseHost##L##csc2csr; \
    };
KYRA_TEST_PUBLIC_CONVERSIONS(S, float)
KYRA_TEST_PUBLIC_CONVERSIONS(D, double)
KYRA_TEST_PUBLIC_CONVERSIONS(C, kyra::Complex<float>)
KYRA_TEST_PUBLIC_CONVERSIONS(Z, kyra::Complex<double>)

template <typename T>
struct CsrResult {
    std::vector<int> rowPtr;
    std::vector<int> colInd;
    std::vector<T> val;
};

// Entries as (row, col, value), zero-based.
template <typename T>
struct Entries {
    int n = 0;
    std::vector<int> row, col;
    std::vector<T> val;

    int nnz() const { return static_cast<int>(val.size()); }
};

std::vector<int> shifted(std::vector<int> indices, int base) {
    for (int& i : indices) i += base;
    return indices;
}

// The entries stably sorted by row (or column), and where each row (or
// column) starts among them.
template <typename T>
Entries<T> sortedBy(const Entries<T>& e, bool byRow, std::vector<int>& starts) {
    const std::vector<int>& key = byRow ? e.row : e.col;
    std::vector<int> order(e.nnz());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&key](int l, int r) { return key[l] < key[r]; });
    Entries<T> sorted{e.n, {}, {}, {}};
    starts.assign(e.n + 1, 0);
    for (int k : order) {
        sorted.row.push_back(e.row[k]);
        sorted.col.push_back(e.col[k]);
        sorted.val.push_back(e.val[k]);
        ++starts[key[k] + 1];
    }
    std::partial_sum(starts.begin(), starts.end(), starts.begin());
    return sorted;
}

// Random entries with many duplicated (row, col) pairs; `longRows` rows get
// far more entries than the rest, to reach the sorting of long rows; with a
// `band`, columns lie within that distance of their row.
template <typename T>
Entries<T> randomEntries(int n, int nnz, unsigned seed, int longRows = 0, int band = 0) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> index(0, n - 1);
    std::uniform_int_distribution<int> fewColumns(0, std::max(0, n / 4));
    Entries<T> e;
    e.n = n;
    for (int k = 0; k < nnz; ++k) {
        const bool inLongRow = longRows > 0 && k % 3 == 0;
        e.row.push_back(inLongRow ? k % longRows : index(rng));
        // Few distinct columns make duplicates common.
        e.col.push_back(k % 5 == 0 ? fewColumns(rng) % n : index(rng));
        if (band > 0)
            e.col.back() = std::clamp(e.row.back() + e.col.back() % (2 * band + 1) - band, 0, n - 1);
        e.val.push_back(scalarFrom<T>(k));
    }
    // Exact repeats of earlier pairs, with other values, in every kind of row.
    for (int k = 6; k < nnz; k += 7) {
        e.row[k] = e.row[k - 5];
        e.col[k] = e.col[k - 5];
    }
    return e;
}

template <typename T>
CsrResult<T> outputFor(int n, int nnz) {
    return {std::vector<int>(n + 1, -7), std::vector<int>(nnz, -7), std::vector<T>(nnz, scalarFrom<T>(-99))};
}

// The public COO (first = column indices) or CSC (first = column pointers)
// conversion into out.
template <typename T>
kyraSparseStatus convert(bool coo, int n, int nnz, const int* first, const int* rowInd, const T* a,
                         CsrResult<T>& out, int inBase, int outBase, bool nullOutput = false) {
    using P = PublicScalar<T>;
    return (coo ? Public<T>::coo : Public<T>::csc)(
        n, nnz, first, rowInd, reinterpret_cast<const P*>(a), nullOutput ? nullptr : out.colInd.data(),
        out.rowPtr.data(), reinterpret_cast<P*>(out.val.data()), inBase, outBase);
}

template <typename T>
class HostConversion : public ::testing::Test {};
TYPED_TEST_SUITE(HostConversion, AllScalarTypes);

struct Shape {
    int n;
    int nnz;
    int longRows;
    int band;
};

// Small, parallel-sized, long-row and one-huge-row shapes, short rows whose
// columns spread over the whole matrix, and millions of mostly empty rows
// (wide column indices leave no room to keep the row beside the column in
// one int during the conversion); the last shape is banded and too wide for
// that too, so its columns are sorted before its rows without the packing.
const Shape kShapes[] = {{1, 5, 0, 0},          {7, 40, 0, 0},          {300, 1000, 0, 0},
                         {20000, 50000, 0, 0},  {2000, 40000, 40, 0},   {1500, 40000, 1, 0},
                         {60000, 600000, 0, 0}, {3000000, 60000, 0, 0}, {200000, 200000, 0, 50}};

TYPED_TEST(HostConversion, CooAndCscMatchReferenceForBothBases) {
    using T = TypeParam;
    unsigned seed = 1;
    for (const Shape& shape : kShapes) {
        const Entries<T> e = randomEntries<T>(shape.n, shape.nnz, seed++, shape.longRows, shape.band);
        // CSC input lists the entries by column, rows within a column in input
        // order; sorting that by row gives the CSR order: by row, then column,
        // equal pairs in input order.
        std::vector<int> colPtr, rowPtr;
        const Entries<T> byColumn = sortedBy(e, false, colPtr);
        const Entries<T> byRow = sortedBy(byColumn, true, rowPtr);
        for (bool coo : {true, false}) {
            const Entries<T>& input = coo ? e : byColumn;
            for (int inBase : {0, 1}) {
                for (int outBase : {0, 1}) {
                    SCOPED_TRACE(::testing::Message()
                                 << (coo ? "coo" : "csc") << " n " << shape.n << " nnz " << shape.nnz
                                 << " inBase " << inBase << " outBase " << outBase);
                    const std::vector<int> rowInd = shifted(input.row, inBase),
                                           first = shifted(coo ? input.col : colPtr, inBase);
                    CsrResult<T> csr = outputFor<T>(e.n, e.nnz());
                    ASSERT_EQ(kyraSparseNoError, convert(coo, e.n, e.nnz(), first.data(), rowInd.data(),
                                                         input.val.data(), csr, inBase, outBase));
                    EXPECT_EQ(shifted(rowPtr, outBase), csr.rowPtr);
                    EXPECT_EQ(shifted(byRow.col, outBase), csr.colInd);
                    EXPECT_TRUE(byRow.val == csr.val) << "values differ";
                }
            }
        }
    }
}

TYPED_TEST(HostConversion, EmptyMatrixGivesConstantRowPointers) {
    using T = TypeParam;
    int index = 0;
    T value{};
    const std::vector<int> colPtr(4, 0);
    for (int n : {0, 3}) {
        for (bool coo : {true, false}) {
            for (int outBase : {0, 1}) {
                CsrResult<T> csr = outputFor<T>(n, 1);
                EXPECT_EQ(kyraSparseNoError,
                          convert(coo, n, 0, coo ? &index : colPtr.data(), &index, &value, csr, 0, outBase));
                EXPECT_EQ(std::vector<int>(n + 1, outBase), csr.rowPtr);
            }
        }
    }
}

// A rejected call must leave all three output arrays as they were.
TYPED_TEST(HostConversion, RejectedArgumentsWriteNothing) {
    using T = TypeParam;
    const std::vector<int> rowInd{0, 1, 2}, colInd{2, 1, 0}, colPtr{0, 1, 2, 3};
    const std::vector<int> badRow{0, 3, 2}, badColPtr{0, 2, 1, 3};
    const std::vector<T> a(3, scalarFrom<T>(5));
    struct Case {
        const char* what;
        int n, nnz;
        const int *first, *second;
        const T* a;
        int inBase, outBase;
        bool nullOutput;
    };
    for (bool coo : {true, false}) {
        const int* pointers = coo ? colInd.data() : colPtr.data();
        const Case cases[] = {
            {"inBase 2", 3, 3, pointers, rowInd.data(), a.data(), 2, 0, false},
            {"inBase -1", 3, 3, pointers, rowInd.data(), a.data(), -1, 0, false},
            {"outBase 2", 3, 3, pointers, rowInd.data(), a.data(), 0, 2, false},
            {"outBase -1", 3, 3, pointers, rowInd.data(), a.data(), 0, -1, false},
            {"n < 0", -1, 3, pointers, rowInd.data(), a.data(), 0, 0, false},
            {"nnz < 0", 3, -1, pointers, rowInd.data(), a.data(), 0, 0, false},
            {"entries without rows", 0, 1, pointers, rowInd.data(), a.data(), 0, 0, false},
            {"null input indices", 3, 3, nullptr, rowInd.data(), a.data(), 0, 0, false},
            {"null row indices", 3, 3, pointers, nullptr, a.data(), 0, 0, false},
            {"null values", 3, 3, pointers, rowInd.data(), nullptr, 0, 0, false},
            {"null output", 3, 3, pointers, rowInd.data(), a.data(), 0, 0, true},
            {"bad index", 3, 3, coo ? pointers : badColPtr.data(), coo ? badRow.data() : rowInd.data(),
             a.data(), 0, 0, false},
            {"one-based input read as zero-based", 3, 3, pointers, badRow.data(), a.data(), 0, 0, false},
        };
        for (const Case& c : cases) {
            CsrResult<T> csr = outputFor<T>(3, 3);
            const CsrResult<T> untouched = csr;
            EXPECT_EQ(kyraSparseArgumentError, convert(coo, c.n, c.nnz, c.first, c.second, c.a, csr, c.inBase,
                                                       c.outBase, c.nullOutput))
                << c.what;
            EXPECT_EQ(untouched.rowPtr, csr.rowPtr) << c.what;
            EXPECT_EQ(untouched.colInd, csr.colInd) << c.what;
            EXPECT_TRUE(untouched.val == csr.val) << c.what;
        }
    }
}

}  // namespace
