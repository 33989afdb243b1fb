#include <gtest/gtest.h>

#include <algorithm>

#include "PreconditionerTestSupport.h"
#include "matrix/HostVector.h"
#include "preconditioner/host/block_jacobi.h"
#include "preconditioner/host/factories.h"
#include "preconditioner/host/jacobi.h"

namespace {

using namespace pctest;

template <typename T>
std::shared_ptr<Matrix<T>> blockJacobiOf(const Csr<T>& a, int blockSize) {
    return pc::host::makeBlockJacobi(a.matrix(), kyraSparseBlockjacobiOptions{blockSize});
}

// The dense diagonal block of A that starts at s, of size kb.
template <typename T>
Dense<T> diagonalBlock(const Dense<T>& A, int s, int kb) {
    Dense<T> block(kb);
    for (int r = 0; r < kb; ++r)
        for (int c = 0; c < kb; ++c) block(r, c) = A(s + r, s + c);
    return block;
}

template <typename T>
class BlockJacobiTyped : public ::testing::Test {};
TYPED_TEST_SUITE(BlockJacobiTyped, ScalarTypes);

// Each block of the result times the matching block of A is the identity,
// and nothing is stored outside the blocks: n = 23 with blocks of 4 leaves a
// last block of 3, and one block of 23 is the dense inverse.
TYPED_TEST(BlockJacobiTyped, BlocksAreInversesOfDiagonalBlocks) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        for (int b : {4, 23}) {
            SCOPED_TRACE(::testing::Message() << "base " << base << " block size " << b);
            const Csr<T> a = randomDominant<T>(23, 6, 17, base);
            const auto M = blockJacobiOf(a, b);
            const Dense<T> A = a.dense();
            const Dense<T> inverse = toDense(*M);
            EXPECT_EQ(dynamic_cast<const HostCsrMatrix<T>&>(*M).index().toInt(), base);
            for (int s = 0; s < a.n(); s += b) {
                const int kb = std::min(b, a.n() - s);
                const Dense<T> product = diagonalBlock(inverse, s, kb) * diagonalBlock(A, s, kb);
                EXPECT_LE(product.maxDifference(Dense<T>::identity(kb)), 10 * tolerance<T>())
                    << "block at " << s;
            }
            for (int i = 0; i < a.n(); ++i)
                for (int j = 0; j < a.n(); ++j)
                    EXPECT_TRUE(i / b == j / b || kyra::abs(inverse(i, j)) == 0.0);
        }
    }
}

// n = 7, b = 3: blocks of 3, 3 and 1; every row stores 3 entries, and the
// last row's extra slots stay inside the matrix with value 0.
TEST(BlockJacobiLayout, PartialLastBlockStaysInsideTheMatrix) {
    const Csr<double> a = tridiagonal<double>(7);
    const auto M = blockJacobiOf(a, 3);
    const auto& m = dynamic_cast<const HostCsrMatrix<double>&>(*M);
    ASSERT_EQ(m.nnz(), 21);
    for (int i = 0; i <= 7; ++i) EXPECT_EQ(m.rowPtr()[i], 3 * i);
    for (int i = 0; i < 6; ++i)
        for (int t = 0; t < 3; ++t) EXPECT_EQ(m.colInd()[3 * i + t], 3 * (i / 3) + t);
    EXPECT_EQ(std::vector<int>(m.colInd() + 18, m.colInd() + 21), (std::vector<int>{6, 6, 6}));
    EXPECT_EQ(std::vector<double>(m.val() + 18, m.val() + 21),
              (std::vector<double>{1.0 / a.val().back(), 0, 0}));

    // A product reads only x[0..6]: the last row gives x_6 / a_66.
    Iterative::HostVectorAlloc<double> x(7), y(7);
    x.fill_(1.0);
    M->mvm_(Iterative::TransOp::NoTrans, 1.0, x, 0.0, y);
    EXPECT_DOUBLE_EQ(y(6), 1.0 / a.val().back());
}

TEST(BlockJacobiLayout, ZeroPivotGivesIdentityBlock) {
    const Csr<double> a(4, {{0, 0, 0.0},
                            {0, 1, 1.0},
                            {1, 0, 1.0},
                            {1, 1, 0.0},
                            {2, 2, 2.0},
                            {2, 3, 1.0},
                            {3, 2, 1.0},
                            {3, 3, 2.0}});
    const Dense<double> m = toDense(*blockJacobiOf(a, 2));
    EXPECT_EQ(m(0, 0), 1.0);
    EXPECT_EQ(m(0, 1), 0.0);
    EXPECT_EQ(m(1, 0), 0.0);
    EXPECT_EQ(m(1, 1), 1.0);
    EXPECT_NEAR(m(2, 2), 2.0 / 3.0, 1e-15);
    EXPECT_NEAR(m(2, 3), -1.0 / 3.0, 1e-15);
}

// Block size 1 is the Jacobi preconditioner, identity rows included.
TEST(BlockJacobiLayout, BlockSizeOneIsJacobi) {
    const Csr<double> a(4, {{0, 0, 4.0}, {1, 1, 0.0}, {1, 0, 3.0}, {2, 3, 7.0}, {3, 3, -0.5}});
    const auto M = blockJacobiOf(a, 1);
    const auto& m = dynamic_cast<const HostCsrMatrix<double>&>(*M);
    std::vector<double> val(4);
    std::vector<int> rowPtr(5), colInd(4);
    pc::host::jacobi<double>(4, 4, a.nnz(), 0, a.val().data(), a.rowPtr().data(), a.colInd().data(),
                             val.data(), rowPtr.data(), colInd.data());
    EXPECT_EQ(std::vector<double>(m.val(), m.val() + 4), val);
    EXPECT_EQ(std::vector<int>(m.rowPtr(), m.rowPtr() + 5), rowPtr);
    EXPECT_EQ(std::vector<int>(m.colInd(), m.colInd() + 4), colInd);
}

TEST(BlockJacobiInvertN, SingularAfterEliminationFallsBackToIdentity) {
    double a[9] = {1, 2, 3, 2, 4, 7, 1, 1, 1};  // second pivot becomes exactly 0
    pc::host::details::InvertN(3, a, 3);
    EXPECT_EQ(std::vector<double>(a, a + 9), (std::vector<double>{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(BlockJacobiInvertN, RespectsTheRowStride) {
    // The 2 x 2 leading part of a block with stride 3; the rest is untouched.
    double a[6] = {4, 1, 99, 2, 3, 99};
    pc::host::details::InvertN(2, a, 3);
    EXPECT_NEAR(a[0], 0.3, 1e-15);
    EXPECT_NEAR(a[1], -0.1, 1e-15);
    EXPECT_NEAR(a[3], -0.2, 1e-15);
    EXPECT_NEAR(a[4], 0.4, 1e-15);
    EXPECT_EQ(a[2], 99);
    EXPECT_EQ(a[5], 99);
}

}  // namespace
