// Reordering: COLAMD and SYMAMD give valid permutations, the reordered matrix
// is P A P^T entry by entry (checked on dense copies), keeps the diagonal and
// the nonzero count and has sorted rows; SYMAMD reduces the fill of a
// symbolic Cholesky factorisation; the failure texts and statuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/HostCsrMatrix.h"
#include "preconditioner/Reorder.h"

namespace {

using namespace Iterative;

template <typename T>
T valueOf(double v) {
    if constexpr (kyra::IsComplex<T>::value) {
        using R = kyra::Real<T>;
        return T(static_cast<R>(v), static_cast<R>(0.5 * v));
    } else {
        return static_cast<T>(v);
    }
}

struct Triplet {
    int row, col;
    double value;
};

// A zero-based CSR matrix from triplets, rows ordered by column.
template <typename T>
std::shared_ptr<HostCsrMatrixAlloc<T>> csrFrom(int n, std::vector<Triplet> entries, int base = 0) {
    std::stable_sort(entries.begin(), entries.end(), [](const Triplet& l, const Triplet& r) {
        return l.row != r.row ? l.row < r.row : l.col < r.col;
    });
    auto A = std::make_shared<HostCsrMatrixAlloc<T>>(n, n, static_cast<int>(entries.size()), IndexType(base));
    std::fill(A->rowPtr(), A->rowPtr() + n + 1, 0);
    for (std::size_t k = 0; k < entries.size(); ++k) {
        ++A->rowPtr()[entries[k].row + 1];
        A->colInd()[k] = entries[k].col + base;
        A->val()[k] = valueOf<T>(entries[k].value);
    }
    for (int r = 0; r < n; ++r) A->rowPtr()[r + 1] += A->rowPtr()[r];
    for (int r = 0; r <= n; ++r) A->rowPtr()[r] += base;
    return A;
}

std::vector<Triplet> poissonEntries(int side) {
    std::vector<Triplet> entries;
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            const int row = i * side + j;
            entries.push_back({row, row, 4.0 + row});
            if (i > 0) entries.push_back({row, row - side, -1.0 - row});
            if (j > 0) entries.push_back({row, row - 1, -2.0 - row});
            if (j + 1 < side) entries.push_back({row, row + 1, -3.0 - row});
            if (i + 1 < side) entries.push_back({row, row + side, -4.0 - row});
        }
    }
    return entries;
}

// An unsymmetric pattern: a diagonal, a band above it and scattered entries.
std::vector<Triplet> unsymmetricEntries(int n) {
    std::vector<Triplet> entries;
    for (int i = 0; i < n; ++i) {
        entries.push_back({i, i, 10.0 + i});
        if (i + 3 < n) entries.push_back({i, i + 3, 1.0 + i});
        entries.push_back({i, (i * 17 + 5) % n, 0.25 * i});
    }
    return entries;
}

// A real symmetric Matrix Market file in coordinate form, both triangles.
bool readSymmetricMatrix(const std::string& path, int& n, std::vector<Triplet>& entries) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line) && line[0] == '%') {
    }
    int cols = 0, nnz = 0;
    std::istringstream(line) >> n >> cols >> nnz;
    for (int k = 0; k < nnz; ++k) {
        Triplet t{};
        in >> t.row >> t.col >> t.value;
        --t.row;
        --t.col;
        entries.push_back(t);
        if (t.row != t.col) entries.push_back({t.col, t.row, t.value});
    }
    return static_cast<bool>(in);
}

template <typename T>
std::vector<T> dense(const HostCsrMatrix<T>& A) {
    const int n = A.n();
    const int base = A.index().toInt();
    std::vector<T> d(static_cast<std::size_t>(n) * n);
    for (int i = 0; i < n; ++i) {
        for (int k = A.rowPtr()[i] - base; k < A.rowPtr()[i + 1] - base; ++k) {
            d[static_cast<std::size_t>(i) * n + A.colInd()[k] - base] += A.val()[k];
        }
    }
    return d;
}

void expectPermutation(const std::vector<int>& perm, int n) {
    ASSERT_EQ(static_cast<std::size_t>(n), perm.size());
    std::vector<int> sorted(perm);
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> identity(n);
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(identity, sorted);
}

// B(i, j) == A(perm[i], perm[j]) for every entry, same nnz, sorted rows.
template <typename T>
void expectSymmetricPermutation(const HostCsrMatrix<T>& A, const HostCsrMatrix<T>& B,
                                const std::vector<int>& perm) {
    const int n = A.n();
    ASSERT_EQ(n, B.n());
    EXPECT_EQ(A.nnz(), B.nnz());
    const std::vector<T> a = dense(A), b = dense(B);
    int mismatches = 0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const std::size_t old = static_cast<std::size_t>(perm[i]) * n + perm[j];
            if (!(b[static_cast<std::size_t>(i) * n + j] == a[old])) ++mismatches;
        }
        EXPECT_TRUE(std::is_sorted(B.colInd() + B.rowPtr()[i], B.colInd() + B.rowPtr()[i + 1]))
            << "row " << i;
    }
    EXPECT_EQ(0, mismatches);
}

// Nonzeros of the strict lower Cholesky factor of a symmetric pattern,
// counted by walking the elimination tree row by row.
int choleskyFill(const HostCsrMatrix<double>& A) {
    const int n = A.n();
    std::vector<int> parent(n, -1), mark(n, -1);
    int count = 0;
    for (int i = 0; i < n; ++i) {
        mark[i] = i;
        for (int k = A.rowPtr()[i]; k < A.rowPtr()[i + 1]; ++k) {
            for (int j = A.colInd()[k]; j < i && mark[j] != i; j = parent[j]) {
                if (parent[j] == -1) parent[j] = i;
                mark[j] = i;
                ++count;
            }
        }
    }
    return count;
}

template <typename T>
class Reordering : public ::testing::Test {};
using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(Reordering, ScalarTypes);

TYPED_TEST(Reordering, ColamdAndSymamdPermuteSymmetrically) {
    using T = TypeParam;
    const auto poisson = csrFrom<T>(144, poissonEntries(12));
    const auto unsymmetric = csrFrom<T>(97, unsymmetricEntries(97));
    for (const auto* A : {poisson.get(), unsymmetric.get()}) {
        for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
            SCOPED_TRACE(::testing::Message() << "n " << A->n() << " kind " << kind);
            const ReorderedMatrix<T> reordered = reorderWithPermutation(kind, *A);
            expectPermutation(reordered.permutation, A->n());
            expectSymmetricPermutation(*A, *reordered.matrix, reordered.permutation);
            EXPECT_NE(reordered.matrix->val(), A->val());
        }
    }
}

TYPED_TEST(Reordering, DiagonalFollowsThePermutation) {
    using T = TypeParam;
    const auto A = csrFrom<T>(97, unsymmetricEntries(97));
    const std::vector<int> perm = detail::DoSYMAMD(*A);
    const auto B = SYMAMD(*A);
    const std::vector<T> a = dense(*A), b = dense(*B);
    for (int i = 0; i < 97; ++i) EXPECT_TRUE(b[i * 97 + i] == a[perm[i] * 97 + perm[i]]) << i;
}

TYPED_TEST(Reordering, PermuteMatchesDenseReferenceForAGivenPermutation) {
    using T = TypeParam;
    const int n = 40;
    const auto A = csrFrom<T>(n, unsymmetricEntries(n));
    std::vector<int> perm(n);
    for (int i = 0; i < n; ++i) perm[i] = (i * 7 + 3) % n;
    HostCsrMatrixAlloc<T> B(n, n, A->nnz(), IndexType(IndexType::ZeroBased));
    detail::permute(*A, B, perm, detail::invert(perm));
    expectSymmetricPermutation(*A, B, perm);
}

TEST(ReorderingDetail, EmptyMatrixHasTheEmptyOrdering) {
    const HostCsrMatrixAlloc<double> empty(0, 0, 0, IndexType(IndexType::ZeroBased));
    for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        const ReorderedMatrix<double> reordered = reorderWithPermutation(kind, empty);
        EXPECT_TRUE(reordered.permutation.empty());
        EXPECT_EQ(0, reordered.matrix->n());
    }
}

TEST(ReorderingDetail, InvertGivesTheInversePermutation) {
    const std::vector<int> p{2, 0, 3, 1};
    EXPECT_EQ((std::vector<int>{1, 3, 0, 2}), detail::invert(p));
    EXPECT_TRUE(detail::invert({}).empty());
}

TYPED_TEST(Reordering, NoReorderingGivesAnIndependentCopy) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        const auto A = csrFrom<T>(30, unsymmetricEntries(30), base);
        const std::vector<T> before = dense(*A);
        const auto copy = reorder(kyraSparseNoReordering, *A);
        EXPECT_EQ(A->index(), copy->index());
        EXPECT_TRUE(dense(*copy) == before);
        copy->val()[0] = valueOf<T>(1234.0);
        copy->colInd()[0] = base;
        EXPECT_TRUE(dense(*A) == before);
        EXPECT_TRUE(reorderWithPermutation(kyraSparseNoReordering, *A).permutation.empty());
    }
}

TYPED_TEST(Reordering, BandedMatrixKeepsItsCountAndSortedRows) {
    using T = TypeParam;
    std::vector<Triplet> band;
    for (int i = 0; i < 60; ++i) {
        for (int j = std::max(0, i - 2); j <= std::min(59, i + 2); ++j)
            band.push_back({i, j, 1.0 + i + 0.1 * j});
    }
    const auto A = csrFrom<T>(60, band);
    for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        const auto B = reorder(kind, *A);
        EXPECT_EQ(A->nnz(), B->nnz());
        for (int i = 0; i < 60; ++i) {
            EXPECT_TRUE(std::is_sorted(B->colInd() + B->rowPtr()[i], B->colInd() + B->rowPtr()[i + 1]));
        }
    }
}

void expectStatus(int status, const std::string& text, const std::function<void()>& work) {
    try {
        work();
        ADD_FAILURE() << "no exception, expected " << text;
    } catch (const KyraSparseException& e) {
        EXPECT_EQ(status, e.code());
        EXPECT_EQ(text, e.what());
    }
}

TEST(ReorderingFailures, OneBasedMatricesAreRefused) {
    const auto A = csrFrom<double>(20, unsymmetricEntries(20), 1);
    expectStatus(kyraSparseFeatureNotImplemented, "colamd reordering",
                 [&] { reorder(kyraSparseAmdReordering, *A); });
    expectStatus(kyraSparseFeatureNotImplemented, "symmand reordering",
                 [&] { reorder(kyraSparseSymamdReordering, *A); });
    std::vector<int> perm(20);
    std::iota(perm.begin(), perm.end(), 0);
    HostCsrMatrixAlloc<double> B(20, 20, A->nnz(), IndexType(IndexType::ZeroBased));
    expectStatus(kyraSparseFeatureNotImplemented, "matrix permute",
                 [&] { detail::permute(*A, B, perm, perm); });
    const auto zeroBased = csrFrom<double>(20, unsymmetricEntries(20));
    HostCsrMatrixAlloc<double> oneBasedTarget(20, 20, A->nnz(), IndexType(IndexType::OneBased));
    expectStatus(kyraSparseFeatureNotImplemented, "matrix transpose requires zero indexed matrix",
                 [&] { detail::permute(*zeroBased, oneBasedTarget, perm, perm); });
}

TEST(ReorderingFill, SymamdReducesCholeskyFillOfAGrid) {
    const auto A = csrFrom<double>(400, poissonEntries(20));
    const auto B = reorder(kyraSparseSymamdReordering, *A);
    EXPECT_LT(choleskyFill(*B), choleskyFill(*A) * 3 / 4);
}

TEST(ReorderingFill, SymamdReducesCholeskyFillOfAPowerNetwork) {
    int n = 0;
    std::vector<Triplet> entries;
    if (!readSymmetricMatrix(std::string(KYRA_SHARED_MATRICES) + "/494_bus.mtx", n, entries)) {
        GTEST_SKIP() << "shared matrices not available";
    }
    const auto A = csrFrom<double>(n, entries);
    const ReorderedMatrix<double> reordered = reorderWithPermutation(kyraSparseSymamdReordering, *A);
    expectPermutation(reordered.permutation, n);
    expectSymmetricPermutation(*A, *reordered.matrix, reordered.permutation);
    EXPECT_LT(choleskyFill(*reordered.matrix), choleskyFill(*A));
    const ReorderedMatrix<double> colamd = reorderWithPermutation(kyraSparseAmdReordering, *A);
    expectSymmetricPermutation(*A, *colamd.matrix, colamd.permutation);
}

}  // namespace
