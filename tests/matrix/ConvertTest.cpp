// The host COO-to-CSR and CSC-to-CSR conversions against a reference built in
// the test (a stable sort of the entries by row and column), on random inputs
// with duplicates, both index bases and all four scalar types, through the
// public functions; plus argument rejection with nothing written.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <vector>

#include "core/Complex.h"
#include "kyraSparse.h"
#include "matrix/DataFormat.h"
#include "matrix/HostCooConvert.h"

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

// The public S/D/C/Z functions for T.
template <typename T>
struct Public;

#define KYRA_TEST_PUBLIC_CONVERSIONS(L, T)                                                                \
    template <>                                                                                           \
    struct Public<T> {                                                                                    \
        using P = PublicScalar<T>;                                                                        \
        static kyraSparseStatus coo(int n, int nnz, const int* colInd, const int* rowInd, const T* a,     \
                                    int* csrColInd, int* csrRowPtr, T* csrVal, int inBase, int outBase) { \
            return kyraSparseHost##L##coo2csr(n, nnz, colInd, rowInd, reinterpret_cast<const P*>(a),      \
                                              csrColInd, csrRowPtr, reinterpret_cast<P*>(csrVal), inBase, \
                                              outBase);                                                   \
        }                                                                                                 \
        static kyraSparseStatus csc(int n, int nnz, const int* colPtr, const int* rowInd, const T* a,     \
                                    int* csrColInd, int* csrRowPtr, T* csrVal, int inBase, int outBase) { \
            return kyraSparseHost##L##csc2csr(n, nnz, colPtr, rowInd, reinterpret_cast<const P*>(a),      \
                                              csrColInd, csrRowPtr, reinterpret_cast<P*>(csrVal), inBase, \
                                              outBase);                                                   \
        }                                                                                                 \
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

// Entries as (row, col, value) in input order, zero-based.
template <typename T>
struct Entries {
    int n = 0;
    std::vector<int> row, col;
    std::vector<T> val;

    int nnz() const { return static_cast<int>(val.size()); }

    // Ordered by row, then column, equal pairs in input order.
    CsrResult<T> referenceCsr(int outBase) const {
        std::vector<int> order(nnz());
        std::iota(order.begin(), order.end(), 0);
        std::stable_sort(order.begin(), order.end(), [this](int l, int r) {
            return row[l] != row[r] ? row[l] < row[r] : col[l] < col[r];
        });
        CsrResult<T> csr;
        csr.rowPtr.assign(n + 1, 0);
        for (int k : order) {
            ++csr.rowPtr[row[k] + 1];
            csr.colInd.push_back(col[k] + outBase);
            csr.val.push_back(val[k]);
        }
        for (int r = 0; r < n; ++r) csr.rowPtr[r + 1] += csr.rowPtr[r];
        for (int& p : csr.rowPtr) p += outBase;
        return csr;
    }

    std::vector<int> shifted(const std::vector<int>& indices, int base) const {
        std::vector<int> out(indices);
        for (int& i : out) i += base;
        return out;
    }
};

// Random entries with many duplicated (row, col) pairs; `longRows` rows get
// far more entries than the rest, to reach the sorting of long rows.
template <typename T>
Entries<T> randomEntries(int n, int nnz, unsigned seed, int longRows = 0) {
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
        e.val.push_back(scalarFrom<T>(k));
    }
    // Exact repeats of earlier pairs, with other values, in every kind of row.
    for (int k = 6; k < nnz; k += 7) {
        e.row[k] = e.row[k - 5];
        e.col[k] = e.col[k - 5];
    }
    return e;
}

// The same entries in CSC form, columns in order, rows within a column in
// input order; the returned entries list them in that storage order.
template <typename T>
Entries<T> cscOrder(const Entries<T>& e, std::vector<int>& colPtr) {
    std::vector<int> order(e.nnz());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&e](int l, int r) { return e.col[l] < e.col[r]; });
    Entries<T> sorted;
    sorted.n = e.n;
    colPtr.assign(e.n + 1, 0);
    for (int k : order) {
        sorted.row.push_back(e.row[k]);
        sorted.col.push_back(e.col[k]);
        sorted.val.push_back(e.val[k]);
        ++colPtr[e.col[k] + 1];
    }
    for (int c = 0; c < e.n; ++c) colPtr[c + 1] += colPtr[c];
    return sorted;
}

template <typename T>
class HostConversion : public ::testing::Test {};
using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(HostConversion, ScalarTypes);

template <typename T>
CsrResult<T> outputFor(int n, int nnz) {
    return {std::vector<int>(n + 1, -7), std::vector<int>(nnz, -7), std::vector<T>(nnz, scalarFrom<T>(-99))};
}

template <typename T>
void expectSameCsr(const CsrResult<T>& expected, const CsrResult<T>& actual) {
    EXPECT_EQ(expected.rowPtr, actual.rowPtr);
    EXPECT_EQ(expected.colInd, actual.colInd);
    EXPECT_TRUE(expected.val == actual.val) << "values differ";
}

struct Shape {
    int n;
    int nnz;
    int longRows;
};

// Small, parallel-sized, long-row and one-huge-row shapes, and short rows
// whose columns spread over the whole matrix.
const Shape kShapes[] = {{1, 5, 0},         {7, 40, 0},       {300, 1000, 0},    {20000, 50000, 0},
                         {2000, 40000, 40}, {1500, 40000, 1}, {60000, 600000, 0}};

TYPED_TEST(HostConversion, CooMatchesReferenceForBothBases) {
    using T = TypeParam;
    unsigned seed = 1;
    for (const Shape& shape : kShapes) {
        const Entries<T> e = randomEntries<T>(shape.n, shape.nnz, seed++, shape.longRows);
        for (int inBase : {0, 1}) {
            for (int outBase : {0, 1}) {
                SCOPED_TRACE(::testing::Message() << "n " << shape.n << " nnz " << shape.nnz << " inBase "
                                                  << inBase << " outBase " << outBase);
                const std::vector<int> rowInd = e.shifted(e.row, inBase), colInd = e.shifted(e.col, inBase);
                CsrResult<T> csr = outputFor<T>(e.n, e.nnz());
                ASSERT_EQ(
                    kyraSparseNoError,
                    Public<T>::coo(e.n, e.nnz(), colInd.data(), rowInd.data(), e.val.data(),
                                   csr.colInd.data(), csr.rowPtr.data(), csr.val.data(), inBase, outBase));
                expectSameCsr(e.referenceCsr(outBase), csr);
            }
        }
    }
}

TYPED_TEST(HostConversion, CscMatchesReferenceForBothBases) {
    using T = TypeParam;
    unsigned seed = 100;
    for (const Shape& shape : kShapes) {
        std::vector<int> colPtr;
        const Entries<T> e = cscOrder(randomEntries<T>(shape.n, shape.nnz, seed++, shape.longRows), colPtr);
        for (int inBase : {0, 1}) {
            for (int outBase : {0, 1}) {
                SCOPED_TRACE(::testing::Message() << "n " << shape.n << " nnz " << shape.nnz << " inBase "
                                                  << inBase << " outBase " << outBase);
                const std::vector<int> rowInd = e.shifted(e.row, inBase),
                                       pointers = e.shifted(colPtr, inBase);
                CsrResult<T> csr = outputFor<T>(e.n, e.nnz());
                ASSERT_EQ(
                    kyraSparseNoError,
                    Public<T>::csc(e.n, e.nnz(), pointers.data(), rowInd.data(), e.val.data(),
                                   csr.colInd.data(), csr.rowPtr.data(), csr.val.data(), inBase, outBase));
                expectSameCsr(e.referenceCsr(outBase), csr);
            }
        }
    }
}

// Millions of mostly empty rows: wide column indices leave no room to keep
// the row beside the column in one int during the conversion.
TYPED_TEST(HostConversion, VeryManyRowsMatchReference) {
    using T = TypeParam;
    const Entries<T> e = randomEntries<T>(3000000, 60000, 4242);
    for (int outBase : {0, 1}) {
        const std::vector<int> rowInd = e.shifted(e.row, 1), colInd = e.shifted(e.col, 1);
        CsrResult<T> csr = outputFor<T>(e.n, e.nnz());
        ASSERT_EQ(kyraSparseNoError,
                  Public<T>::coo(e.n, e.nnz(), colInd.data(), rowInd.data(), e.val.data(), csr.colInd.data(),
                                 csr.rowPtr.data(), csr.val.data(), 1, outBase));
        expectSameCsr(e.referenceCsr(outBase), csr);
    }
}

TYPED_TEST(HostConversion, EmptyMatrixGivesConstantRowPointers) {
    using T = TypeParam;
    int index = 0;
    T value{};
    for (int outBase : {0, 1}) {
        std::vector<int> rowPtr(4, -7);
        const std::vector<int> colPtr(4, 0);
        EXPECT_EQ(kyraSparseNoError,
                  Public<T>::coo(3, 0, &index, &index, &value, &index, rowPtr.data(), &value, 0, outBase));
        EXPECT_EQ(std::vector<int>(4, outBase), rowPtr);
        rowPtr.assign(4, -7);
        EXPECT_EQ(kyraSparseNoError, Public<T>::csc(3, 0, colPtr.data(), &index, &value, &index,
                                                    rowPtr.data(), &value, 0, outBase));
        EXPECT_EQ(std::vector<int>(4, outBase), rowPtr);
    }
}

TYPED_TEST(HostConversion, SmallCooExample) {
    using T = TypeParam;
    const std::vector<int> rowInd{1, 0, 0}, colInd{0, 1, 0};
    const std::vector<T> a{scalarFrom<T>(10), scalarFrom<T>(1), scalarFrom<T>(0)};
    CsrResult<T> csr = outputFor<T>(2, 3);
    ASSERT_EQ(kyraSparseNoError, Public<T>::coo(2, 3, colInd.data(), rowInd.data(), a.data(),
                                                csr.colInd.data(), csr.rowPtr.data(), csr.val.data(), 0, 0));
    EXPECT_EQ((std::vector<int>{0, 2, 3}), csr.rowPtr);
    EXPECT_EQ((std::vector<int>{0, 1, 0}), csr.colInd);
    EXPECT_TRUE((std::vector<T>{scalarFrom<T>(0), scalarFrom<T>(1), scalarFrom<T>(10)}) == csr.val);
}

TYPED_TEST(HostConversion, OneBasedOutputIsZeroBasedPlusOne) {
    using T = TypeParam;
    const Entries<T> e = randomEntries<T>(50, 300, 77);
    const std::vector<int> rowInd = e.shifted(e.row, 1), colInd = e.shifted(e.col, 1);
    CsrResult<T> zero = outputFor<T>(e.n, e.nnz()), one = outputFor<T>(e.n, e.nnz());
    ASSERT_EQ(kyraSparseNoError,
              Public<T>::coo(e.n, e.nnz(), colInd.data(), rowInd.data(), e.val.data(), zero.colInd.data(),
                             zero.rowPtr.data(), zero.val.data(), 1, 0));
    ASSERT_EQ(kyraSparseNoError, Public<T>::coo(e.n, e.nnz(), colInd.data(), rowInd.data(), e.val.data(),
                                                one.colInd.data(), one.rowPtr.data(), one.val.data(), 1, 1));
    EXPECT_EQ(e.shifted(zero.rowPtr, 1), one.rowPtr);
    EXPECT_EQ(e.shifted(zero.colInd, 1), one.colInd);
    EXPECT_TRUE(zero.val == one.val);
}

TYPED_TEST(HostConversion, DuplicatesAreKeptInInputOrder) {
    using T = TypeParam;
    const std::vector<int> rowInd{0, 0, 0, 0}, colInd{1, 0, 1, 1};
    const std::vector<T> a{scalarFrom<T>(1), scalarFrom<T>(2), scalarFrom<T>(3), scalarFrom<T>(4)};
    CsrResult<T> csr = outputFor<T>(2, 4);
    ASSERT_EQ(kyraSparseNoError, Public<T>::coo(2, 4, colInd.data(), rowInd.data(), a.data(),
                                                csr.colInd.data(), csr.rowPtr.data(), csr.val.data(), 0, 0));
    EXPECT_EQ((std::vector<int>{0, 4, 4}), csr.rowPtr);
    EXPECT_EQ((std::vector<int>{0, 1, 1, 1}), csr.colInd);
    EXPECT_TRUE((std::vector<T>{scalarFrom<T>(2), scalarFrom<T>(1), scalarFrom<T>(3), scalarFrom<T>(4)}) ==
                csr.val);
}

// A rejected call must leave all three output arrays as they were.
template <typename T, typename Call>
void expectRejectedWithoutWrites(Call call, const char* what) {
    CsrResult<T> csr = outputFor<T>(3, 3);
    const CsrResult<T> untouched = csr;
    EXPECT_EQ(kyraSparseArgumentError, call(csr)) << what;
    EXPECT_EQ(untouched.rowPtr, csr.rowPtr) << what;
    EXPECT_EQ(untouched.colInd, csr.colInd) << what;
    EXPECT_TRUE(untouched.val == csr.val) << what;
}

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
            {"null input indices", 3, 3, nullptr, rowInd.data(), a.data(), 0, 0, false},
            {"null row indices", 3, 3, pointers, nullptr, a.data(), 0, 0, false},
            {"null values", 3, 3, pointers, rowInd.data(), nullptr, 0, 0, false},
            {"null output", 3, 3, pointers, rowInd.data(), a.data(), 0, 0, true},
            {"bad index", 3, 3, coo ? pointers : badColPtr.data(), coo ? badRow.data() : rowInd.data(),
             a.data(), 0, 0, false},
            {"one-based input read as zero-based", 3, 3, pointers, badRow.data(), a.data(), 0, 0, false},
        };
        for (const Case& c : cases) {
            expectRejectedWithoutWrites<T>(
                [&](CsrResult<T>& out) {
                    int* outCol = c.nullOutput ? nullptr : out.colInd.data();
                    return coo ? Public<T>::coo(c.n, c.nnz, c.first, c.second, c.a, outCol, out.rowPtr.data(),
                                                out.val.data(), c.inBase, c.outBase)
                               : Public<T>::csc(c.n, c.nnz, c.first, c.second, c.a, outCol, out.rowPtr.data(),
                                                out.val.data(), c.inBase, c.outBase);
                },
                c.what);
        }
    }
}

TEST(HostConversionLimits, EntriesInAMatrixWithoutRowsAreRejected) {
    const int index = 0;
    const double value = 1.0;
    int outCol = -7, outRowPtr = -7;
    double outVal = 0.0;
    EXPECT_EQ(kyraSparseArgumentError,
              kyraSparseHostDcoo2csr(0, 1, &index, &index, &value, &outCol, &outRowPtr, &outVal, 0, 0));
    EXPECT_EQ(-7, outRowPtr);
    EXPECT_EQ(kyraSparseNoError,
              kyraSparseHostDcoo2csr(0, 0, &index, &index, &value, &outCol, &outRowPtr, &outVal, 0, 0));
    EXPECT_EQ(0, outRowPtr);
}

}  // namespace
