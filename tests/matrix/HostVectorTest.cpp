// Host vectors and matrices for the four scalar types against plain loops:
// vector arithmetic with strides, the dense triangular solve (the only dense
// operation a method uses) with a leading dimension larger than the rows, the
// matrix-free operator; each fused operation against the plain sequence it
// replaces (the interface's default), on odd lengths and on one long enough
// to run in threads; the overflow-safe norm at extreme scales.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostDenseMatrix.h"
#include "matrix/HostVector.h"
#include "matrix/MatrixFree.h"

namespace {

using namespace Iterative;

template <typename T>
class HostVectorTest : public ::testing::Test {
  protected:
    std::mt19937 rng{51};
    const double tol = 0.1 * tolerance<T>();
};
TYPED_TEST_SUITE(HostVectorTest, AllScalarTypes);

// The elements of a strided vector.
template <typename T>
std::vector<T> elementsOf(const Vector<T>& v) {
    std::vector<T> out;
    for (int i = 0; i < v.n(); ++i) out.push_back(v.val()[i * v.inc()]);
    return out;
}

// Against loops on strided vectors; the dot product conjugates the operand,
// and xpay_ is the abstract vector's, composed of scal_ and axpy_.
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

TYPED_TEST(HostVectorTest, SolveInvertsTheChosenTriangle) {
    using T = TypeParam;
    const int n = 6, lda = 8;
    std::vector<T> storage = randomVector<T>(lda * n, this->rng);
    HostDenseMatrixRef<T> A(n, n, storage.data(), lda, IndexType::ZeroBased);
    for (int i = 0; i < n; ++i) A(i, i) += T(4);
    for (SideType side : {SideType::Upper, SideType::Lower}) {
        for (DiagType diag : {DiagType::NonUnit, DiagType::Unit}) {
            for (int op = 0; op < 3; ++op) {
                SCOPED_TRACE(std::string(1, side.toChar()) + diag.toChar() + "NTC"[op]);
                const std::vector<T> b = randomVector<T>(n, this->rng);
                HostVectorAlloc<T> y(n);
                A.trsv_(side, TransOp(op), diag, HostVectorRef<T>(n, b.data(), 1), y);
                const auto triangle = triangleOf([&](int i, int j) { return A(i, j); },
                                                 side == SideType::Lower, diag == DiagType::Unit);
                const std::vector<T> x(y.val(), y.val() + n);
                expectAllClose(b, denseProduct(n, n, triangle, "NTC"[op], x), this->tol, 4.0);
            }
        }
    }
}

// y <- op(A) x for A = [[1, 2], [3, 4]] times 1 + i (complex) or 1, counting
// calls.
template <typename T>
void apply(char op, const PublicScalar<T>* xPublic, PublicScalar<T>* yPublic, void* calls) {
    ++*static_cast<int*>(calls);
    const T* x = reinterpret_cast<const T*>(xPublic);
    const auto entry = [](int i, int j) {
        return T(static_cast<kyra::Real<T>>(1 + 2 * i + j)) * scalar<T>(1, 1);
    };
    const std::vector<T> y = denseProduct(2, 2, entry, op, std::vector<T>(x, x + 2));
    std::copy(y.begin(), y.end(), reinterpret_cast<T*>(yPublic));
}

TYPED_TEST(HostVectorTest, MatrixFreeCallsTheCallbackForAlphaOneAndBetaZeroOnly) {
    using T = TypeParam;
    int calls = 0;
    MatrixFree<T> A(PlatformType::Host, 2, 2, &apply<T>, &calls);
    HostVectorAlloc<T> x(2), y(2);
    x.fill_(T(1));
    const T first[] = {T(3) * scalar<T>(1, 1), T(4) * scalar<T>(1, 1), T(4) * kyra::conj(scalar<T>(1, 1))};
    for (int op = 0; op < 3; ++op) {
        A.mvm_(TransOp(op), T(1), x, T(0), y);
        EXPECT_EQ(first[op], y(0));
    }
    EXPECT_EQ("6: matrix free requires alpha = 1", failureOf([&] { A.mvm_(TransOp(0), T(2), x, T(1), y); }));
    EXPECT_EQ("6: matrix free requires beta = 0", failureOf([&] { A.mvm_(TransOp(0), T(1), x, T(1), y); }));
    EXPECT_EQ(3, calls);
}

// The host override of call, or with plain the default of class Base: the
// sequence the fused operation replaces.
#define KYRA_FUSED(object, Base, call) (plain ? (object).Base::call : (object).call)

template <typename T>
using Vectors = std::deque<HostVectorAlloc<T>>;

// Runs one operation on four vectors; returns its reductions.
template <typename T>
using Operation = std::function<std::vector<T>(Vectors<T>& v, bool plain)>;

template <typename T>
using Matrices = std::vector<std::unique_ptr<HostCsrMatrixAlloc<T>>>;

// The vector operations, then the products with each matrix.
template <typename T>
std::vector<Operation<T>> operations(T a, const Matrices<T>& matrices) {
    using V = Vector<T>;
    const T c = T(0.5) - a;
    std::vector<Operation<T>> ops = {
        [=](Vectors<T>& v, bool plain) {
            KYRA_FUSED(v[0], V, scaledCopy_(a, v[1]));
            return std::vector<T>{v[0].dot_(v[2]), T(KYRA_FUSED(v[1], V, xpaySquares_(a, v[2])))};
        },
        [=](Vectors<T>& v, bool plain) {
            KYRA_FUSED(v[0], V, axpyXpay_(c, v[1], a, v[2]));
            return std::vector<T>{KYRA_FUSED(v[1], V, axpyDot_(a, v[2], v[3])),
                                  T(KYRA_FUSED(v[3], V, axpySquares_(c, v[0])))};
        },
        // in place (x = x + a p, r = r + c q) and into other vectors
        [=](Vectors<T>& v, bool plain) {
            const auto inPlace = KYRA_FUSED(v[0], V, waxpyPairSquares_(v[0], a, v[1], v[2], v[2], c, v[3]));
            const auto apart = KYRA_FUSED(v[1], V, waxpyPairSquares_(v[0], c, v[2], v[3], v[2], a, v[0]));
            return std::vector<T>{T(inPlace.first), T(inPlace.second), T(apart.first), T(apart.second)};
        },
    };
    for (const auto& matrix : matrices) {
        ops.push_back([=, &A = *matrix](Vectors<T>& v, bool plain) {
            KYRA_FUSED(A, HostCsrMatrix<T>, mvm_(TransOp::NoTrans, a, v[0], c, v[1]));
            const ProductDots<T> dots = KYRA_FUSED(A, Matrix<T>, mvmDots_(v[0], v[2], v[3]));
            return std::vector<T>{dots.dot, T(dots.squares),
                                  KYRA_FUSED(A, Matrix<T>, mvmDot_(v[1], v[0], v[3]))};
        });
    }
    return ops;
}

// Random values and columns, perRow entries a row, the diagonal first.
template <typename T>
void fillRandom(HostCsrMatrixAlloc<T>& A, int perRow, std::mt19937& rng) {
    const int n = A.m(), base = A.index().toInt();
    for (int p = 0; p < n * perRow; ++p) {
        A.colInd()[p] = (p % perRow ? static_cast<int>(rng() % n) : p / perRow) + base;
        A.val()[p] = randomScalar<T>(rng);
    }
    for (int i = 0; i <= n; ++i) A.rowPtr()[i] = perRow * i + base;
}

template <typename T>
class FusedOperations : public ::testing::Test {};
TYPED_TEST_SUITE(FusedOperations, AllScalarTypes);

// Both runs start from the same random vectors; elements and reductions
// agree to rounding, as the BLAS behind the plain sequence may contract
// products and sums into fused multiply-adds and sum in another order.
TYPED_TEST(FusedOperations, MatchTheirSequence) {
    using T = TypeParam;
    for (const int n : {1, 7, 37, 40001}) {
        std::mt19937 rng(n);
        // general in either index base, and diagonal (the Jacobi operator)
        Matrices<T> matrices;
        matrices.push_back(std::make_unique<HostCsrMatrixAlloc<T>>(n, n, 5 * n, IndexType::ZeroBased));
        matrices.push_back(std::make_unique<HostCsrMatrixAlloc<T>>(n, n, 5 * n, IndexType::OneBased));
        matrices.push_back(std::make_unique<HostDiagonalMatrix<T>>(n, IndexType::OneBased));
        for (const auto& A : matrices) fillRandom(*A, A->nnz() / n, rng);
        const auto ops = operations(randomScalar<T>(rng), matrices);
        for (std::size_t k = 0; k < ops.size(); ++k) {
            SCOPED_TRACE(::testing::Message() << "n " << n << " operation " << k);
            Vectors<T> fused, plain;
            for (int j = 0; j < 4; ++j) {
                fused.emplace_back(n);
                plain.emplace_back(n);
                std::generate_n(fused[j].val(), n, [&] { return randomScalar<T>(rng); });
                plain[j].copy_(fused[j]);
            }
            const std::vector<T> expected = ops[k](plain, true);
            expectAllClose(expected, ops[k](fused, false));
            for (int j = 0; j < 4; ++j)
                expectAllClose(std::vector<T>(plain[j].val(), plain[j].val() + n), fused[j].val());
        }
    }
}

// The plain sum of squares over- or underflows here; the norm must not.
TEST(FusedNorm, IsExactAtExtremeScales) {
    for (const double scale : {1e-200, 1e200}) {
        HostVectorAlloc<double> v(9);
        v.fill_(scale);
        EXPECT_NEAR(3 * scale, v.nrm2_(), 1e-14 * scale);
        HostVectorAlloc<double> zero(9);
        const double squares = v.axpySquares_(1.0, zero);
        EXPECT_NEAR(3 * scale, v.normFrom_(squares), 1e-14 * scale);
    }
}

}  // namespace
