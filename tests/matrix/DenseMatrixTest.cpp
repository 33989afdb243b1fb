// Host dense matrices: element access in both index bases, products and
// triangular solves through the matrix interface against loops, with a
// leading dimension larger than the rows; they are the BLAS GEMV and TRSV.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostDenseMatrix.h"
#include "matrix/HostVector.h"

namespace {

using namespace Iterative;

template <typename T>
class DenseMatrixTest : public ::testing::Test {
  protected:
    std::mt19937 rng{51};
};

TYPED_TEST_SUITE(DenseMatrixTest, AllScalarTypes);

const char kOps[] = "NTC";

// A tenth of the shared tolerance, relative to 4 + |expected|: short dense loops.
template <typename T>
const double kTol = 0.1 * tolerance<T>();

TYPED_TEST(DenseMatrixTest, AllocIsZeroColumnMajorWithLdaMAndOneBasedStartsAtOneOne) {
    using T = TypeParam;
    HostDenseMatrixAlloc<T> A(3, 2, IndexType::ZeroBased);
    EXPECT_EQ(3, A.m());
    EXPECT_EQ(2, A.n());
    EXPECT_EQ(3, A.lda());
    EXPECT_EQ("host dense matrix", A.name());
    EXPECT_EQ(PlatformType::Host, A.platform());
    EXPECT_EQ(std::vector<T>(6, T(0)), std::vector<T>(A.data(), A.data() + 6));
    A(2, 1) = T(5);
    EXPECT_EQ(T(5), A.data()[2 + 1 * 3]);

    std::vector<T> storage(12, T(0));
    HostDenseMatrixRef<T> B(3, 3, storage.data(), 4, IndexType::OneBased);
    B(1, 1) = T(7);
    B(3, 2) = T(8);
    EXPECT_EQ(T(7), storage[0]);
    EXPECT_EQ(T(8), storage[2 + 1 * 4]);
    const HostDenseMatrixRef<T>& constB = B;
    EXPECT_EQ(T(8), constB(3, 2));
}

TYPED_TEST(DenseMatrixTest, ProductMatchesLoopsForEveryOperation) {
    using T = TypeParam;
    const int m = 5, n = 3, lda = 6;
    std::vector<T> storage = randomVector<T>(lda * n, this->rng);
    HostDenseMatrixRef<T> A(m, n, storage.data(), lda, IndexType::ZeroBased);
    const auto entry = [&](int i, int j) { return A(i, j); };
    const T alpha = randomScalar<T>(this->rng), beta = randomScalar<T>(this->rng);
    for (int op = 0; op < 3; ++op) {
        SCOPED_TRACE(std::string("op ") + kOps[op]);
        const std::vector<T> x = randomVector<T>(op == 0 ? n : m, this->rng);
        std::vector<T> y = randomVector<T>(op == 0 ? m : n, this->rng);
        const std::vector<T> expected = denseProduct(m, n, entry, kOps[op], alpha, x, beta, y);
        HostVectorRef<T> yv(static_cast<int>(y.size()), y.data(), 1);
        A.mvm_(TransOp(op), alpha, HostVectorRef<T>(static_cast<int>(x.size()), x.data(), 1), beta, yv);
        expectAllClose(expected, y, kTol<T>, 4.0);
    }
}

TYPED_TEST(DenseMatrixTest, SolveLeavesTheInputAndInvertsTheChosenTriangle) {
    using T = TypeParam;
    const int n = 6, lda = 8;
    std::vector<T> storage = randomVector<T>(lda * n, this->rng);
    HostDenseMatrixRef<T> A(n, n, storage.data(), lda, IndexType::ZeroBased);
    for (int i = 0; i < n; ++i) A(i, i) += T(4);
    const auto entry = [&](int i, int j) { return A(i, j); };
    for (SideType side : {SideType::Upper, SideType::Lower}) {
        for (DiagType diag : {DiagType::NonUnit, DiagType::Unit}) {
            for (int op = 0; op < 3; ++op) {
                SCOPED_TRACE(std::string(1, side.toChar()) + diag.toChar() + kOps[op]);
                const std::vector<T> b = randomVector<T>(n, this->rng);
                std::vector<T> bCopy = b, y(n);
                HostVectorRef<T> yv(n, y.data(), 1);
                A.trsv_(side, TransOp(op), diag, HostVectorRef<T>(n, bCopy.data(), 1), yv);
                EXPECT_EQ(b, bCopy);
                const auto triangle = triangleOf(entry, side == SideType::Lower, diag == DiagType::Unit);
                expectAllClose(b, denseProduct(n, n, triangle, kOps[op], y), kTol<T>, 4.0);
            }
        }
    }
}

TYPED_TEST(DenseMatrixTest, ViewsAndTransposesAreNotImplemented) {
    using T = TypeParam;
    HostDenseMatrixAlloc<T> A(2, 2, IndexType::ZeroBased);
    EXPECT_EQ("6: matrix view", failureOf([&] { A.makeMatrixView_(SideType::Lower, DiagType::Unit); }));
    EXPECT_EQ("6: transpose", failureOf([&] { A.transpose_(true); }));
    EXPECT_EQ("6: ilu0 preconditioner", failureOf([&] { A.makeIlu0_(kyraSparseIlu0Options{}); }));
}

}  // namespace
