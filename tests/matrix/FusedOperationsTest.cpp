// Each fused vector and matrix operation of the host classes against the
// plain sequence it replaces (the interface's default), for the four scalar
// types, on odd lengths and on one long enough to run in threads; and the
// overflow-safe norm at extreme scales.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <random>
#include <vector>

#include "common/RandomScalars.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"

namespace {

using namespace Iterative;

template <typename T>
void randomize(Vector<T>& v, std::mt19937& rng) {
    for (int i = 0; i < v.n(); ++i) v.val()[i] = randomScalar<T>(rng);
}

// Elements agree to rounding: the BLAS behind the plain sequence may
// contract products and sums into fused multiply-adds. Reductions may also
// be summed in another order.
template <typename T>
bool close(T expected, T actual) {
    const double scale = std::max(1.0, static_cast<double>(kyra::abs(expected)));
    return static_cast<double>(kyra::abs(expected - actual)) <= tolerance<T>() * scale;
}

template <typename T>
void expectSameElements(const Vector<T>& a, const Vector<T>& b) {
    for (int i = 0; i < a.n(); ++i) ASSERT_TRUE(close(a.val()[i], b.val()[i])) << "element " << i;
}

template <typename T>
void expectClose(T expected, T actual) {
    EXPECT_TRUE(close(expected, actual));
}

template <typename T>
class FusedOperations : public ::testing::Test {
  protected:
    // Runs op on fresh copies of the same random vectors: once through the
    // host override and once through the interface's default sequence.
    template <typename Op>
    void compare(Op op) {
        for (const int n : {1, 7, 37, 40001}) {
            std::mt19937 rng(n);
            std::deque<HostVectorAlloc<T>> fused, plain;
            for (int k = 0; k < 4; ++k) {
                fused.emplace_back(n);
                plain.emplace_back(n);
                randomize(fused[k], rng);
                plain[k].copy_(fused[k]);
            }
            const auto fusedSums = op(fused, false);
            const auto plainSums = op(plain, true);
            for (int k = 0; k < 4; ++k) expectSameElements(plain[k], fused[k]);
            for (std::size_t s = 0; s < fusedSums.size(); ++s) expectClose(plainSums[s], fusedSums[s]);
        }
    }
};

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(FusedOperations, ScalarTypes);

TYPED_TEST(FusedOperations, VectorOperationsMatchTheirSequence) {
    using T = TypeParam;
    using V = Vector<T>;
    std::mt19937 rng(3);
    const T a = randomScalar<T>(rng);
    const T c = T(0.5) - a;
    using Sums = std::vector<T>;
    this->compare([&](std::deque<HostVectorAlloc<T>>& v, bool plain) {
        plain ? v[0].V::scaledCopy_(a, v[1]) : v[0].scaledCopy_(a, v[1]);
        return Sums{v[0].dot_(v[2]),
                    plain ? T(v[1].V::xpaySquares_(a, v[2])) : T(v[1].xpaySquares_(a, v[2]))};
    });
    this->compare([&](std::deque<HostVectorAlloc<T>>& v, bool plain) {
        plain ? v[0].V::axpyXpay_(c, v[1], a, v[2]) : v[0].axpyXpay_(c, v[1], a, v[2]);
        return Sums{plain ? v[1].V::axpyDot_(a, v[2], v[3]) : v[1].axpyDot_(a, v[2], v[3]),
                    plain ? T(v[3].V::axpySquares_(c, v[0])) : T(v[3].axpySquares_(c, v[0]))};
    });
    this->compare([&](std::deque<HostVectorAlloc<T>>& v, bool plain) {
        // in place (x = x + a p, r = r + c q) and into other vectors
        const auto inPlace = plain ? v[0].V::waxpyPairSquares_(v[0], a, v[1], v[2], v[2], c, v[3])
                                   : v[0].waxpyPairSquares_(v[0], a, v[1], v[2], v[2], c, v[3]);
        const auto apart = plain ? v[1].V::waxpyPairSquares_(v[0], c, v[2], v[3], v[2], a, v[0])
                                 : v[1].waxpyPairSquares_(v[0], c, v[2], v[3], v[2], a, v[0]);
        return Sums{T(inPlace.first), T(inPlace.second), T(apart.first), T(apart.second)};
    });
}

// A random n x n matrix with up to 4 entries per row plus the diagonal.
template <typename T>
std::unique_ptr<HostCsrMatrixAlloc<T>> randomCsr(int n, IndexType index, std::mt19937& rng) {
    std::vector<int> rowPtr{0}, colInd;
    for (int i = 0; i < n; ++i) {
        colInd.push_back(i);
        for (int k = 0; k < 4; ++k) colInd.push_back(static_cast<int>(rng() % n));
        rowPtr.push_back(static_cast<int>(colInd.size()));
    }
    const int base = index.toInt();
    auto A = std::make_unique<HostCsrMatrixAlloc<T>>(n, n, static_cast<int>(colInd.size()), index);
    for (std::size_t p = 0; p < colInd.size(); ++p) {
        A->colInd()[p] = colInd[p] + base;
        A->val()[p] = randomScalar<T>(rng);
    }
    for (int i = 0; i <= n; ++i) A->rowPtr()[i] = rowPtr[i] + base;
    return A;
}

TYPED_TEST(FusedOperations, ProductDotsMatchTheirSequence) {
    using T = TypeParam;
    for (const IndexType index : {IndexType::ZeroBased, IndexType::OneBased}) {
        for (const int n : {37, 9001}) {
            std::mt19937 rng(n);
            const auto matrix = randomCsr<T>(n, index, rng);
            const HostCsrMatrixAlloc<T>& A = *matrix;
            HostVectorAlloc<T> x(n), w(n), fusedY(n), plainY(n);
            randomize(x, rng);
            randomize(w, rng);
            const ProductDots<T> fused = A.mvmDots_(x, fusedY, w);
            const ProductDots<T> plain = A.Matrix<T>::mvmDots_(x, plainY, w);
            expectSameElements(plainY, fusedY);
            expectClose(plain.dot, fused.dot);
            expectClose(T(plain.squares), T(fused.squares));
            expectClose(plain.dot, A.mvmDot_(x, fusedY, w));
        }
    }
}

// The Jacobi operator's element-wise products against its CSR products.
TYPED_TEST(FusedOperations, DiagonalProductsMatchTheCsrProduct) {
    using T = TypeParam;
    const int n = 37;
    std::mt19937 rng(5);
    HostDiagonalMatrix<T> D(n, IndexType::OneBased);
    for (int i = 0; i < n; ++i) {
        D.rowPtr()[i] = D.colInd()[i] = i + 1;
        D.val()[i] = randomScalar<T>(rng);
    }
    D.rowPtr()[n] = n + 1;
    HostVectorAlloc<T> x(n), w(n), fusedY(n), plainY(n);
    randomize(x, rng);
    randomize(w, rng);
    randomize(fusedY, rng);
    plainY.copy_(fusedY);
    const T alpha = randomScalar<T>(rng), beta = randomScalar<T>(rng);
    D.mvm_(TransOp::NoTrans, alpha, x, beta, fusedY);
    D.HostCsrMatrix<T>::mvm_(TransOp::NoTrans, alpha, x, beta, plainY);
    expectSameElements(plainY, fusedY);
    const ProductDots<T> fused = D.mvmDots_(x, fusedY, w);
    const ProductDots<T> plain = D.Matrix<T>::mvmDots_(x, plainY, w);
    expectSameElements(plainY, fusedY);
    expectClose(plain.dot, fused.dot);
    expectClose(T(plain.squares), T(fused.squares));
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
