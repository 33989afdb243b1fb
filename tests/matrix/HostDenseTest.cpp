// Host vectors and dense matrices against plain loops for the four scalar
// types: vector arithmetic with strides, the BLAS GEMV and TRSV with a
// leading dimension larger than the rows, and the matrix-free operator; the
// abstract vector's xpay_ composed of its own operations. (The
// preconditioners refused on matrix-free data are tested through a solve.)

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostDenseMatrix.h"
#include "matrix/HostVector.h"
#include "matrix/MatrixFree.h"

namespace {

using namespace Iterative;

template <typename T>
class DenseMatrixTest : public ::testing::Test {
  protected:
    std::mt19937 rng{51};
    const double tol = 0.1 * tolerance<T>();
};
TYPED_TEST_SUITE(DenseMatrixTest, AllScalarTypes);

template <typename T>
class HostVectorTest : public DenseMatrixTest<T> {};
TYPED_TEST_SUITE(HostVectorTest, AllScalarTypes);

const char kOps[] = "NTC";

// The elements of a strided vector.
template <typename T>
std::vector<T> elementsOf(const Vector<T>& v) {
    std::vector<T> out;
    for (int i = 0; i < v.n(); ++i) out.push_back(v.val()[i * v.inc()]);
    return out;
}

// Against loops on strided vectors; the dot product conjugates the operand.
TYPED_TEST(HostVectorTest, ArithmeticMatchesLoopsWithStrides) {
    using T = TypeParam;
    const int n = 9;
    for (const auto& [incX, incY] : {std::pair{1, 1}, {3, 2}}) {
        SCOPED_TRACE(std::to_string(incX) + " " + std::to_string(incY));
        HostVectorAlloc<T> x(n, incX), y(n, incY);
        for (int i = 0; i < n * incX; ++i) x.val()[i] = randomScalar<T>(this->rng);
        for (int i = 0; i < n * incY; ++i) y.val()[i] = randomScalar<T>(this->rng);
        const std::vector<T> xs = elementsOf(x), ys = elementsOf(y);
        const T alpha = randomScalar<T>(this->rng);
        T dot = T(0);
        double squares = 0;
        std::vector<T> axpy(n), xpay(n), scaled(n);
        for (int i = 0; i < n; ++i) {
            dot += kyra::conj(ys[i]) * xs[i];
            squares += static_cast<double>(kyra::abs(xs[i])) * kyra::abs(xs[i]);
            axpy[i] = xs[i] + alpha * ys[i];
            xpay[i] = alpha * axpy[i] + ys[i];
            scaled[i] = alpha * xpay[i];
        }
        EXPECT_LE(kyra::abs(dot - x.dot_(y)), this->tol * n);
        EXPECT_NEAR(std::sqrt(squares), x.nrm2_(), this->tol * n);
        x.axpy_(alpha, y);
        expectAllClose(axpy, elementsOf(x), this->tol);
        x.xpay_(alpha, y);
        expectAllClose(xpay, elementsOf(x), this->tol);
        x.scal_(alpha);
        expectAllClose(scaled, elementsOf(x), this->tol);
        // copy_ writes the strided elements only.
        const std::vector<T> before(x.val(), x.val() + n * incX);
        x.copy_(y);
        for (int i = 0; i < n * incX; ++i) EXPECT_EQ(i % incX ? before[i] : ys[i / incX], x.val()[i]) << i;
    }
}

// The abstract vector's xpay_, composed of scal_ and axpy_.
TEST(VectorBaseTest, XpayIsScaleThenAxpy) {
    using Z = kyra::Complex<double>;
    HostVectorAlloc<Z> y(1), z(1);
    y.fill_({5, 1});
    z.fill_({1, 0});
    z.Vector<Z>::xpay_({3, 2}, y);
    EXPECT_EQ(Z(8, 3), z.val()[0]);
}

TYPED_TEST(DenseMatrixTest, ProductMatchesLoopsForEveryOperation) {
    using T = TypeParam;
    const int m = 5, n = 3, lda = 6;
    std::vector<T> storage = randomVector<T>(lda * n, this->rng);
    HostDenseMatrixRef<T> A(m, n, storage.data(), lda, IndexType::ZeroBased);
    const T alpha = randomScalar<T>(this->rng), beta = randomScalar<T>(this->rng);
    for (int op = 0; op < 3; ++op) {
        const std::vector<T> x = randomVector<T>(op == 0 ? n : m, this->rng);
        std::vector<T> y = randomVector<T>(op == 0 ? m : n, this->rng);
        const std::vector<T> expected = denseProduct(
            m, n, [&](int i, int j) { return A(i, j); }, kOps[op], alpha, x, beta, y);
        HostVectorRef<T> yv(static_cast<int>(y.size()), y.data(), 1);
        A.mvm_(TransOp(op), alpha, HostVectorRef<T>(static_cast<int>(x.size()), x.data(), 1), beta, yv);
        expectAllClose(expected, y, this->tol, 4.0);
    }
}

TYPED_TEST(DenseMatrixTest, SolveInvertsTheChosenTriangle) {
    using T = TypeParam;
    const int n = 6, lda = 8;
    std::vector<T> storage = randomVector<T>(lda * n, this->rng);
    HostDenseMatrixRef<T> A(n, n, storage.data(), lda, IndexType::ZeroBased);
    for (int i = 0; i < n; ++i) A(i, i) += T(4);
    for (SideType side : {SideType::Upper, SideType::Lower}) {
        for (DiagType diag : {DiagType::NonUnit, DiagType::Unit}) {
            for (int op = 0; op < 3; ++op) {
                SCOPED_TRACE(std::string(1, side.toChar()) + diag.toChar() + kOps[op]);
                const std::vector<T> b = randomVector<T>(n, this->rng);
                HostVectorAlloc<T> y(n);
                A.trsv_(side, TransOp(op), diag, HostVectorRef<T>(n, b.data(), 1), y);
                const auto triangle = triangleOf([&](int i, int j) { return A(i, j); },
                                                 side == SideType::Lower, diag == DiagType::Unit);
                const std::vector<T> x(y.val(), y.val() + n);
                expectAllClose(b, denseProduct(n, n, triangle, kOps[op], x), this->tol, 4.0);
            }
        }
    }
}

// y <- op(A) x for A = [[1, 2], [3, 4]] times i (complex) or 1, counting calls.
template <typename T>
T scaleOf() {
    if constexpr (kyra::IsComplex<T>::value) return T(0, 1);
    return T(1);
}

template <typename T>
void apply(char op, const PublicScalar<T>* xPublic, PublicScalar<T>* yPublic, void* calls) {
    ++*static_cast<int*>(calls);
    const T* x = reinterpret_cast<const T*>(xPublic);
    const auto entry = [](int i, int j) {
        return T(static_cast<kyra::Real<T>>(1 + 2 * i + j)) * scaleOf<T>();
    };
    const std::vector<T> y = denseProduct(2, 2, entry, op, std::vector<T>(x, x + 2));
    std::copy(y.begin(), y.end(), reinterpret_cast<T*>(yPublic));
}

TYPED_TEST(DenseMatrixTest, MatrixFreeCallsTheCallbackForAlphaOneAndBetaZeroOnly) {
    using T = TypeParam;
    int calls = 0;
    MatrixFree<T> A(PlatformType::Host, 2, 2, &apply<T>, &calls);
    HostVectorAlloc<T> x(2), y(2);
    x.fill_(T(1));
    const T first[] = {T(3) * scaleOf<T>(), T(4) * scaleOf<T>(), T(4) * kyra::conj(scaleOf<T>())};
    for (int op = 0; op < 3; ++op) {
        A.mvm_(TransOp(op), T(1), x, T(0), y);
        EXPECT_EQ(first[op], y(0));
    }
    EXPECT_EQ("6: matrix free requires alpha = 1", failureOf([&] { A.mvm_(TransOp(0), T(2), x, T(1), y); }));
    EXPECT_EQ("6: matrix free requires beta = 0", failureOf([&] { A.mvm_(TransOp(0), T(1), x, T(1), y); }));
    EXPECT_EQ(3, calls);
}

}  // namespace
