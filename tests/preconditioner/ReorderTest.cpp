// Reordering: COLAMD and SYMAMD give permutations, the reordered matrix is
// P A P^T entry by entry with sorted rows, SYMAMD reduces the fill of a
// symbolic Cholesky factorisation, and one-based matrices are refused.

#include "preconditioner/Reorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <vector>

#include "PreconditionerTestSupport.h"

namespace {

using namespace Iterative;

// Nonzeros of the strict lower Cholesky factor of a symmetric pattern,
// counted by walking the elimination tree row by row.
int choleskyFill(const HostCsrMatrix<double>& A) {
    std::vector<int> parent(A.n(), -1), mark(A.n(), -1);
    int count = 0;
    for (int i = 0; i < A.n(); ++i) {
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

// Both orderings, on a symmetric grid pattern and an unsymmetric one.
TYPED_TEST(Reordering, PermutesSymmetrically) {
    using T = TypeParam;
    const Csr<T> grid(144, sortedByRowAndColumn(scrambledGrid<T>(12))),
        unsymmetric = randomMatrix<T>(97, 3, 11);
    for (const Csr<T>* A : {&grid, &unsymmetric}) {
        for (kyraSparseReordering kind : {kyraSparseAmdReordering, kyraSparseSymamdReordering}) {
            SCOPED_TRACE(::testing::Message() << "n " << A->n() << " kind " << kind);
            const ReorderedMatrix<T> reordered = reorderWithPermutation(kind, A->matrix());
            const std::vector<int>& perm = reordered.permutation;
            std::vector<int> identity(A->n());
            std::iota(identity.begin(), identity.end(), 0);
            ASSERT_TRUE(std::is_permutation(perm.begin(), perm.end(), identity.begin()));
            const HostCsrMatrix<T>& B = *reordered.matrix;
            EXPECT_EQ(B.nnz(), A->nnz());
            const Dense<T> a = A->dense(), b = toDense(B);
            for (int i = 0; i < A->n(); ++i) {
                EXPECT_TRUE(std::is_sorted(B.colInd() + B.rowPtr()[i], B.colInd() + B.rowPtr()[i + 1]));
                for (int j = 0; j < A->n(); ++j)
                    ASSERT_TRUE(b(i, j) == a(perm[i], perm[j])) << i << ", " << j;
            }
        }
    }
}

TEST(ReorderingFill, SymamdReducesCholeskyFillOfAGrid) {
    const Csr<double> A(400, sortedByRowAndColumn(scrambledGrid<double>(20)));
    EXPECT_LT(choleskyFill(*reorder(kyraSparseSymamdReordering, A.matrix())),
              choleskyFill(A.matrix()) * 3 / 4);
}

TEST(ReorderingFailures, OneBasedMatricesAreRefused) {
    const Csr<double> oneBased(16, sortedByRowAndColumn(scrambledGrid<double>(4)), 1);
    EXPECT_EQ("6: colamd reordering",
              failureOf([&] { reorder(kyraSparseAmdReordering, oneBased.matrix()); }));
    EXPECT_EQ("6: symmand reordering",
              failureOf([&] { reorder(kyraSparseSymamdReordering, oneBased.matrix()); }));
}

}  // namespace
