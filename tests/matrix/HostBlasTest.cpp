// The host BLAS back end against plain loops for the four scalar types:
// level-1 routines with strides, the column-major GEMV and TRSV, and the
// forwarding of the sparse routines.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "matrix/HostBlas.h"

namespace {

using namespace Iterative;

template <typename T>
T randomScalar(std::mt19937& rng) {
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    using R = kyra::Real<T>;
    if constexpr (kyra::IsComplex<T>::value) {
        const R re = static_cast<R>(uniform(rng));
        return T(re, static_cast<R>(uniform(rng)));
    } else {
        return static_cast<T>(uniform(rng));
    }
}

template <typename T>
std::vector<T> randomVector(int n, std::mt19937& rng) {
    std::vector<T> v(n);
    for (T& e : v) e = randomScalar<T>(rng);
    return v;
}

template <typename T>
double tolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-5 : 1e-13;
}

template <typename T>
void expectAllClose(const std::vector<T>& expected, const std::vector<T>& actual, double scale = 1.0) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_LE(kyra::abs(expected[i] - actual[i]), tolerance<T>() * (scale + kyra::abs(expected[i])))
            << "element " << i;
    }
}

template <typename T>
T applyOp(char op, T a) {
    return op == 'C' ? kyra::conj(a) : a;
}

template <typename T>
class HostBlasTest : public ::testing::Test {
  protected:
    std::mt19937 rng{31};
};

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(HostBlasTest, ScalarTypes);

TYPED_TEST(HostBlasTest, LevelOneRoutinesMatchLoopsWithStrides) {
    using T = TypeParam;
    const int n = 29;
    const int incx = 2;
    const int incy = 3;
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
    expectAllClose(expected, y);

    EXPECT_LE(kyra::abs(dot - HostBlas::DOT(n, x.data(), incx, y0.data(), incy)), tolerance<T>() * n);
    EXPECT_NEAR(std::sqrt(squares), HostBlas::NRM2(n, x.data(), incx), tolerance<T>() * n);

    y = y0;
    HostBlas::COPY(n, x.data(), incx, y.data(), incy);
    for (int i = 0; i < n * incy; ++i) EXPECT_EQ(i % incy == 0 ? x[i / incy * incx] : y0[i], y[i]);

    expected = y0;
    for (int i = 0; i < n; ++i) expected[i * incy] = alpha * y0[i * incy];
    y = y0;
    HostBlas::SCAL(n, alpha, y.data(), incy);
    expectAllClose(expected, y);
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
    const int m = 7;
    const int n = 5;
    const int lda = 9;
    const std::vector<T> A = randomVector<T>(lda * n, this->rng);
    const T alpha = randomScalar<T>(this->rng);
    const T beta = randomScalar<T>(this->rng);
    for (char op : {'N', 'T', 'C'}) {
        SCOPED_TRACE(std::string("op ") + op);
        const bool plain = op == 'N';
        const int rows = plain ? m : n;
        const int cols = plain ? n : m;
        const std::vector<T> x = randomVector<T>(cols, this->rng);
        std::vector<T> y = randomVector<T>(rows, this->rng);
        std::vector<T> expected(rows);
        for (int r = 0; r < rows; ++r) {
            T sum = T(0);
            for (int c = 0; c < cols; ++c) sum += applyOp(op, plain ? A[r + c * lda] : A[c + r * lda]) * x[c];
            expected[r] = alpha * sum + beta * y[r];
        }
        HostBlas::GEMV(op, m, n, alpha, A.data(), lda, x.data(), 1, beta, y.data(), 1);
        expectAllClose(expected, y, 4.0);
    }
}

TYPED_TEST(HostBlasTest, TrsvInvertsEveryTriangle) {
    using T = TypeParam;
    const int n = 6;
    const int lda = 8;
    std::vector<T> A = randomVector<T>(lda * n, this->rng);
    for (int i = 0; i < n; ++i) A[i + i * lda] += T(4);
    for (char uplo : {'U', 'L'}) {
        for (char op : {'N', 'T', 'C'}) {
            for (char diag : {'N', 'U'}) {
                SCOPED_TRACE(std::string(1, uplo) + op + diag);
                const std::vector<T> b = randomVector<T>(n, this->rng);
                std::vector<T> x = b;
                HostBlas::TRSV(uplo, op, diag, n, A.data(), lda, x.data(), 1);
                // op(triangle) x must give back b.
                std::vector<T> product(n, T(0));
                for (int r = 0; r < n; ++r) {
                    for (int c = 0; c < n; ++c) {
                        const int i = op == 'N' ? r : c;
                        const int j = op == 'N' ? c : r;
                        const bool inTriangle = uplo == 'U' ? i <= j : i >= j;
                        if (!inTriangle) continue;
                        const T a = (i == j && diag == 'U') ? T(1) : A[i + j * lda];
                        product[r] += applyOp(op, a) * x[c];
                    }
                }
                expectAllClose(b, product, 4.0);
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
    expectAllClose(std::vector<T>{T(0.5), T(0.5)}, solution);
}

TEST(HostBlasEdgeTest, DoubleAxpyWithZeroAlphaLeavesYUnchanged) {
    const std::vector<double> x = {1e300, -2.0, 3.5};
    std::vector<double> y = {0.1, -0.2, 1e-300};
    const std::vector<double> before = y;
    HostBlas::AXPY(3, 0.0, x.data(), 1, y.data(), 1);
    EXPECT_EQ(before, y);
}

TEST(HostBlasEdgeTest, ComplexDotConjugatesItsFirstVector) {
    const kyra::Complex<float> i(0, 1);
    const kyra::Complex<float> one(1);
    EXPECT_EQ(kyra::Complex<float>(0, -1), HostBlas::DOT(1, &i, 1, &one, 1));
    const kyra::Complex<double> id(0, 1);
    const kyra::Complex<double> oned(1);
    EXPECT_EQ(kyra::Complex<double>(0, -1), HostBlas::DOT(1, &id, 1, &oned, 1));
    EXPECT_EQ(kyra::Complex<double>(0, 1), HostBlas::DOT(1, &oned, 1, &id, 1));
}

}  // namespace
