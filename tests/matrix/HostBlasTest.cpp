// The host BLAS back end against plain loops for the four scalar types:
// level-1 routines with strides, the column-major GEMV and TRSV, and the
// forwarding of the sparse routines.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostBlas.h"

namespace {

using namespace Iterative;

template <typename T>
class HostBlasTest : public ::testing::Test {
  protected:
    std::mt19937 rng{31};
    // A tenth of the shared tolerance: these are short dense loops.
    const double tol = 0.1 * tolerance<T>();
};

TYPED_TEST_SUITE(HostBlasTest, AllScalarTypes);

TYPED_TEST(HostBlasTest, LevelOneRoutinesMatchLoopsWithStrides) {
    using T = TypeParam;
    const int n = 29, incx = 2, incy = 3;
    const std::vector<T> x = randomVector<T>(n * incx, this->rng);
    const std::vector<T> y0 = randomVector<T>(n * incy, this->rng);
    const T alpha = randomScalar<T>(this->rng);

    std::vector<T> expected = y0;
    T dot = T(0);
    double squares = 0;
    for (int i = 0; i < n; ++i) {
        expected[i * incy] += alpha * x[i * incx];
        dot += kyra::conj(x[i * incx]) * y0[i * incy];
        squares += static_cast<double>(kyra::abs(x[i * incx])) * kyra::abs(x[i * incx]);
    }
    std::vector<T> y = y0;
    HostBlas::AXPY(n, alpha, x.data(), incx, y.data(), incy);
    expectAllClose(expected, y, this->tol);

    EXPECT_LE(kyra::abs(dot - HostBlas::DOT(n, x.data(), incx, y0.data(), incy)), this->tol * n);
    EXPECT_NEAR(std::sqrt(squares), HostBlas::NRM2(n, x.data(), incx), this->tol * n);

    y = y0;
    HostBlas::COPY(n, x.data(), incx, y.data(), incy);
    for (int i = 0; i < n * incy; ++i) EXPECT_EQ(i % incy == 0 ? x[i / incy * incx] : y0[i], y[i]);

    expected = y0;
    for (int i = 0; i < n; ++i) expected[i * incy] = alpha * y0[i * incy];
    y = y0;
    HostBlas::SCAL(n, alpha, y.data(), incy);
    expectAllClose(expected, y, this->tol);
}

TYPED_TEST(HostBlasTest, ZeroLengthTouchesNothing) {
    using T = TypeParam;
    std::vector<T> y = {T(7)};
    const std::vector<T> x = {T(3)};
    HostBlas::AXPY(0, T(2), x.data(), 1, y.data(), 1);
    HostBlas::COPY(0, x.data(), 1, y.data(), 1);
    HostBlas::SCAL(0, T(2), y.data(), 1);
    EXPECT_EQ(T(7), y[0]);
    EXPECT_EQ(T(0), HostBlas::DOT(0, x.data(), 1, y.data(), 1));
    EXPECT_EQ(kyra::Real<T>(0), HostBlas::NRM2(0, x.data(), 1));
}

TYPED_TEST(HostBlasTest, GemvMatchesLoopsForEveryOperation) {
    using T = TypeParam;
    const int m = 7, n = 5, lda = 9;
    const std::vector<T> A = randomVector<T>(lda * n, this->rng);
    const auto entry = [&](int i, int j) { return A[i + j * lda]; };
    const T alpha = randomScalar<T>(this->rng), beta = randomScalar<T>(this->rng);
    for (char op : {'N', 'T', 'C'}) {
        SCOPED_TRACE(std::string("op ") + op);
        const std::vector<T> x = randomVector<T>(op == 'N' ? n : m, this->rng);
        std::vector<T> y = randomVector<T>(op == 'N' ? m : n, this->rng);
        const std::vector<T> expected = denseProduct(m, n, entry, op, alpha, x, beta, y);
        HostBlas::GEMV(op, m, n, alpha, A.data(), lda, x.data(), 1, beta, y.data(), 1);
        expectAllClose(expected, y, this->tol, 4.0);
    }
}

TYPED_TEST(HostBlasTest, TrsvInvertsEveryTriangle) {
    using T = TypeParam;
    const int n = 6, lda = 8;
    std::vector<T> A = randomVector<T>(lda * n, this->rng);
    for (int i = 0; i < n; ++i) A[i + i * lda] += T(4);
    const auto entry = [&](int i, int j) { return A[i + j * lda]; };
    for (char uplo : {'U', 'L'}) {
        for (char op : {'N', 'T', 'C'}) {
            for (char diag : {'N', 'U'}) {
                SCOPED_TRACE(std::string(1, uplo) + op + diag);
                const std::vector<T> b = randomVector<T>(n, this->rng);
                std::vector<T> x = b;
                HostBlas::TRSV(uplo, op, diag, n, A.data(), lda, x.data(), 1);
                const auto triangle = triangleOf(entry, uplo == 'L', diag == 'U');
                expectAllClose(b, denseProduct(n, n, triangle, op, x), this->tol, 4.0);
            }
        }
    }
}

TYPED_TEST(HostBlasTest, SparseRoutinesUseTheThreeArrayConvention) {
    using T = TypeParam;
    // One-based [[2, 0], [1, 3]]; row ends are the row starts shifted by one.
    const std::vector<T> val = {T(2), T(1), T(3)};
    const std::vector<int> rowPtr = {1, 2, 4};
    const std::vector<int> colInd = {1, 1, 2};
    const std::vector<T> x = {T(1), T(2)};
    std::vector<T> y = {T(1), T(1)};
    HostBlas::CSRMV('N', 2, 2, T(2), "GLNF\0\0", val.data(), rowPtr.data(), colInd.data(), x.data(), T(1),
                    y.data());
    EXPECT_EQ((std::vector<T>{T(5), T(15)}), y);

    std::vector<T> solution(2);
    HostBlas::CSRSV('N', 2, T(1), "TLNF\0\0", val.data(), rowPtr.data(), colInd.data(), x.data(),
                    solution.data());
    expectAllClose(std::vector<T>{T(0.5), T(0.5)}, solution, this->tol);
}

// Double AXPY goes through daxpby with beta 1, whose zero-alpha path is its own.
TEST(HostBlasEdgeTest, DoubleAxpyWithZeroAlphaLeavesYUnchanged) {
    const std::vector<double> x = {1e300, -2.0, 3.5};
    std::vector<double> y = {0.1, -0.2, 1e-300};
    const std::vector<double> before = y;
    HostBlas::AXPY(3, 0.0, x.data(), 1, y.data(), 1);
    EXPECT_EQ(before, y);
}

}  // namespace
