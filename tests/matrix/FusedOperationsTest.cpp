// Each fused vector and matrix operation of the host classes against the
// plain sequence it replaces (the interface's default), for the four scalar
// types, on odd lengths and on one long enough to run in threads; and the
// overflow-safe norm at extreme scales.

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "common/DenseChecks.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"

namespace {

using namespace Iterative;

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
