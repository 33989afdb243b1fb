// Host dense matrices: element access in both index bases, products and
// triangular solves through the matrix interface against loops.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/HostDenseMatrix.h"
#include "matrix/HostVector.h"

#include "common/RandomScalars.h"

namespace {

using namespace Iterative;

template <typename T>
class DenseMatrixTest : public ::testing::Test {
  protected:
    std::mt19937 rng{51};
};

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(DenseMatrixTest, ScalarTypes);

TYPED_TEST(DenseMatrixTest, AllocIsZeroColumnMajorWithLdaM) {
    using T = TypeParam;
    HostDenseMatrixAlloc<T> A(3, 2, IndexType::ZeroBased);
    EXPECT_EQ(3, A.m());
    EXPECT_EQ(2, A.n());
    EXPECT_EQ(3, A.lda());
    EXPECT_EQ("host dense matrix", A.name());
    EXPECT_EQ(PlatformType::Host, A.platform());
    for (int k = 0; k < 6; ++k) EXPECT_EQ(T(0), A.data()[k]);
    A(2, 1) = T(5);
    EXPECT_EQ(T(5), A.data()[2 + 1 * 3]);
}

TYPED_TEST(DenseMatrixTest, OneBasedElementOneOneIsTheFirstStored) {
    using T = TypeParam;
    std::vector<T> storage(12, T(0));
    HostDenseMatrixRef<T> A(3, 3, storage.data(), 4, IndexType::OneBased);
    A(1, 1) = T(7);
    A(3, 2) = T(8);
    EXPECT_EQ(T(7), storage[0]);
    EXPECT_EQ(T(8), storage[2 + 1 * 4]);
    const HostDenseMatrixRef<T>& constA = A;
    EXPECT_EQ(T(8), constA(3, 2));
}

TYPED_TEST(DenseMatrixTest, ProductMatchesLoopsForEveryOperation) {
    using T = TypeParam;
    const int m = 5, n = 3, lda = 6;
    std::vector<T> storage(lda * n);
    for (T& v : storage) v = randomScalar<T>(this->rng);
    HostDenseMatrixRef<T> A(m, n, storage.data(), lda, IndexType::ZeroBased);
    const T alpha = randomScalar<T>(this->rng), beta = randomScalar<T>(this->rng);
    for (int op = 0; op < 3; ++op) {
        SCOPED_TRACE("op " + std::to_string(op));
        const int rows = op == 0 ? m : n, cols = op == 0 ? n : m;
        HostVectorAlloc<T> x(cols), y(rows);
        for (int i = 0; i < cols; ++i) x(i) = randomScalar<T>(this->rng);
        for (int i = 0; i < rows; ++i) y(i) = randomScalar<T>(this->rng);
        std::vector<T> expected(rows);
        for (int r = 0; r < rows; ++r) {
            T sum = T(0);
            for (int c = 0; c < cols; ++c) {
                const T a = op == 0 ? A(r, c) : A(c, r);
                sum += (op == 2 ? kyra::conj(a) : a) * x(c);
            }
            expected[r] = alpha * sum + beta * y(r);
        }
        A.mvm_(TransOp(op), alpha, x, beta, y);
        for (int r = 0; r < rows; ++r) EXPECT_LE(kyra::abs(expected[r] - y(r)), tolerance<T>() * 4);
    }
}

TYPED_TEST(DenseMatrixTest, SolveLeavesTheInputAndInvertsTheChosenTriangle) {
    using T = TypeParam;
    const int n = 4;
    HostDenseMatrixAlloc<T> A(n, n, IndexType::ZeroBased);
    for (int j = 0; j < n; ++j) {
        for (int i = 0; i < n; ++i) A(i, j) = randomScalar<T>(this->rng) + (i == j ? T(3) : T(0));
    }
    for (SideType side : {SideType::Upper, SideType::Lower}) {
        for (DiagType diag : {DiagType::NonUnit, DiagType::Unit}) {
            for (int op = 0; op < 3; ++op) {
                SCOPED_TRACE(std::string(1, side.toChar()) + diag.toChar() + std::to_string(op));
                HostVectorAlloc<T> b(n), y(n);
                for (int i = 0; i < n; ++i) b(i) = randomScalar<T>(this->rng);
                const std::vector<T> bBefore(b.val(), b.val() + n);
                A.trsv_(side, TransOp(op), diag, b, y);
                EXPECT_EQ(bBefore, std::vector<T>(b.val(), b.val() + n));
                for (int r = 0; r < n; ++r) {
                    T sum = T(0);
                    for (int c = 0; c < n; ++c) {
                        const int i = op == 0 ? r : c, j = op == 0 ? c : r;
                        if (side == SideType::Upper ? i > j : i < j) continue;
                        const T a = (i == j && diag == DiagType::Unit) ? T(1) : A(i, j);
                        sum += (op == 2 ? kyra::conj(a) : a) * y(c);
                    }
                    EXPECT_LE(kyra::abs(sum - b(r)), tolerance<T>() * 4);
                }
            }
        }
    }
}

TYPED_TEST(DenseMatrixTest, ViewsAndTransposesAreNotImplemented) {
    using T = TypeParam;
    HostDenseMatrixAlloc<T> A(2, 2, IndexType::ZeroBased);
    auto statusText = [](auto operation) {
        try {
            operation();
        } catch (const KyraSparseException& e) {
            return std::to_string(e.code()) + ": " + e.what();
        }
        return std::string("no exception");
    };
    EXPECT_EQ("6: matrix view", statusText([&] { A.makeMatrixView_(SideType::Lower, DiagType::Unit); }));
    EXPECT_EQ("6: transpose", statusText([&] { A.transpose_(true); }));
    EXPECT_EQ("6: ilu0 preconditioner", statusText([&] { A.makeIlu0_(kyraSparseIlu0Options{}); }));
}

}  // namespace
