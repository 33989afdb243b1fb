// Reordering: COLAMD and SYMAMD give valid permutations, the reordered matrix
// is P A P^T entry by entry (checked on dense copies), keeps the diagonal and
// the nonzero count and has sorted rows; SYMAMD reduces the fill of a
// symbolic Cholesky factorisation; the failure texts and statuses.

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "common/TestMatrices.h"
#include "preconditioner/Reorder.h"

namespace {

using namespace Iterative;

// A 5-point grid pattern with a different diagonal value in every row.
template <typename T>
Csr<T> grid(int side) {
    return Csr<T>(side * side, sortedByRowAndColumn(scrambledGrid<T>(side)));
}

// An unsymmetric pattern: a diagonal, a band above it and scattered entries.
template <typename T>
Csr<T> unsymmetric(int n, int base = 0) {
    std::vector<Entry<T>> entries;
    for (int i = 0; i < n; ++i) {
        entries.push_back({i, i, scalar<T>(10.0 + i, 5.0 + 0.5 * i)});
        if (i + 3 < n) entries.push_back({i, i + 3, scalar<T>(1.0 + i, 0.5 + 0.5 * i)});
        entries.push_back({i, (i * 17 + 5) % n, scalar<T>(0.25 * i, 0.125 * i)});
    }
    return Csr<T>(n, sortedByRowAndColumn(entries), base);
}

void expectPermutation(const std::vector<int>& perm, int n) {
    std::vector<int> sorted(perm), identity(n);
    std::sort(sorted.begin(), sorted.end());
    std::iota(identity.begin(), identity.end(), 0);
    EXPECT_EQ(identity, sorted);
}

// B(i, j) == A(perm[i], perm[j]) for every entry, same nnz, sorted rows.
template <typename T>
void expectSymmetricPermutation(const HostCsrMatrix<T>& A, const HostCsrMatrix<T>& B,
                                const std::vector<int>& perm) {
    ASSERT_EQ(A.n(), B.n());
    EXPECT_EQ(A.nnz(), B.nnz());
    const Dense<T> a = toDense(A), b = toDense(B);
    int mismatches = 0;
    for (int i = 0; i < A.n(); ++i) {
        for (int j = 0; j < A.n(); ++j) mismatches += b(i, j) != a(perm[i], perm[j]);
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
TYPED_TEST_SUITE(Reordering, ScalarTypes);

// Both orderings, through reorderWithPermutation and through the COLAMD and
// SYMAMD functions, on a symmetric and an unsymmetric pattern.
TYPED_TEST(Reordering, ColamdAndSymamdPermuteSymmetrically) {
    using T = TypeParam;
    const Csr<T> poisson = grid<T>(12), scattered = unsymmetric<T>(97);
    for (const HostCsrMatrix<T>* A : {&poisson.matrix(), &scattered.matrix()}) {
        for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
            SCOPED_TRACE(::testing::Message() << "n " << A->n() << " kind " << kind);
            const ReorderedMatrix<T> reordered = reorderWithPermutation(kind, *A);
            expectPermutation(reordered.permutation, A->n());
            expectSymmetricPermutation(*A, *reordered.matrix, reordered.permutation);
            EXPECT_NE(reordered.matrix->val(), A->val());
            const auto direct = kind == kyraSparseAmdReordering ? COLAMD(*A) : SYMAMD(*A);
            EXPECT_TRUE(toDense(*direct) == toDense(*reordered.matrix));
        }
    }
}

TYPED_TEST(Reordering, NoReorderingGivesAnIndependentCopy) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        const Csr<T> A = unsymmetric<T>(30, base);
        const auto copy = reorder(kyraSparseNoReordering, A.matrix());
        EXPECT_EQ(A.matrix().index(), copy->index());
        EXPECT_TRUE(toDense(*copy) == A.dense());
        copy->val()[0] = scalar<T>(1234.0);
        copy->colInd()[0] = base;
        EXPECT_TRUE(toDense(A.matrix()) == unsymmetric<T>(30, base).dense());
        EXPECT_TRUE(reorderWithPermutation(kyraSparseNoReordering, A.matrix()).permutation.empty());
    }
}

TEST(ReorderingDetail, EmptyMatrixAndInversePermutation) {
    const HostCsrMatrixAlloc<double> empty(0, 0, 0, IndexType(IndexType::ZeroBased));
    for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
        const ReorderedMatrix<double> reordered = reorderWithPermutation(kind, empty);
        EXPECT_TRUE(reordered.permutation.empty());
        EXPECT_EQ(0, reordered.matrix->n());
    }
    EXPECT_EQ((std::vector<int>{1, 3, 0, 2}), detail::invert({2, 0, 3, 1}));
    EXPECT_TRUE(detail::invert({}).empty());
}

TEST(ReorderingFailures, OneBasedMatricesAreRefused) {
    const Csr<double> oneBased = unsymmetric<double>(20, 1), zeroBased = unsymmetric<double>(20);
    const HostCsrMatrix<double>& A = oneBased.matrix();
    std::vector<int> perm(20);
    std::iota(perm.begin(), perm.end(), 0);
    HostCsrMatrixAlloc<double> B(20, 20, A.nnz(), IndexType(IndexType::ZeroBased));
    HostCsrMatrixAlloc<double> oneBasedTarget(20, 20, A.nnz(), IndexType(IndexType::OneBased));
    EXPECT_EQ("6: colamd reordering", failureOf([&] { reorder(kyraSparseAmdReordering, A); }));
    EXPECT_EQ("6: symmand reordering", failureOf([&] { reorder(kyraSparseSymamdReordering, A); }));
    EXPECT_EQ("6: matrix permute", failureOf([&] { detail::permute(A, B, perm, perm); }));
    EXPECT_EQ("6: matrix transpose requires zero indexed matrix",
              failureOf([&] { detail::permute(zeroBased.matrix(), oneBasedTarget, perm, perm); }));
}

TEST(ReorderingFill, SymamdReducesCholeskyFillOfAGrid) {
    const Csr<double> A = grid<double>(20);
    EXPECT_LT(choleskyFill(*reorder(kyraSparseSymamdReordering, A.matrix())),
              choleskyFill(A.matrix()) * 3 / 4);
}

// A real power network; COLAMD's ordering is checked as well.
TEST(ReorderingFill, SymamdReducesCholeskyFillOfAPowerNetwork) {
    int n = 0;
    std::vector<Entry<double>> entries;
    if (!readMatrixMarket(std::string(KYRA_SHARED_MATRICES) + "/494_bus.mtx", n, entries))
        GTEST_SKIP() << "shared matrices not available";
    const Csr<double> network(n, sortedByRowAndColumn(entries));
    const HostCsrMatrix<double>& A = network.matrix();
    for (kyraSparseReordering kind : {kyraSparseSymamdReordering, kyraSparseAmdReordering}) {
        const ReorderedMatrix<double> reordered = reorderWithPermutation(kind, A);
        expectPermutation(reordered.permutation, n);
        expectSymmetricPermutation(A, *reordered.matrix, reordered.permutation);
        if (kind == kyraSparseSymamdReordering) {
            EXPECT_LT(choleskyFill(*reordered.matrix), choleskyFill(A));
        }
    }
}

}  // namespace
