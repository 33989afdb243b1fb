// The host CSR kernels against dense references built in the test: products
// for op N, T and C in every view and both index bases, triangular solves,
// the CSR-to-CSC conversion, empty matrices, a product split across
// threads; the same views and transposes through the host CSR matrix.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "common/TestMatrices.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostSparseKernels.h"
#include "matrix/HostVector.h"

namespace {

using namespace Iterative;

// An m x k matrix as CSR arrays.
template <typename T>
struct Arrays {
    int m = 0, k = 0, base = 0;
    std::vector<T> val;
    std::vector<int> rowPtr, colInd;
};

// Rows of 0 to 4 distinct columns in shuffled order; a square matrix gets
// every diagonal entry, shifted by 8 so solves are stable.
template <typename T>
Arrays<T> randomCsr(int m, int k, int base, std::mt19937& rng, kyra::Real<T> offDiagonalScale = 1) {
    Arrays<T> A{m, k, base, {}, {base}, {}};
    std::vector<int> columns(k);
    std::iota(columns.begin(), columns.end(), 0);
    for (int i = 0; i < m; ++i) {
        std::shuffle(columns.begin(), columns.end(), rng);
        std::vector<int> row(columns.begin(), columns.begin() + rng() % std::min(5, k + 1));
        if (m == k && std::find(row.begin(), row.end(), i) == row.end()) row.push_back(i);
        std::shuffle(row.begin(), row.end(), rng);
        for (int c : row) {
            A.colInd.push_back(c + base);
            const T v = randomScalar<T>(rng);
            A.val.push_back(c == i ? v + T(8) : v * T(offDiagonalScale));
        }
        A.rowPtr.push_back(static_cast<int>(A.colInd.size()) + base);
    }
    return A;
}

// The dense m x k matrix of a view ("GLN", "TLU", ...) of A. A unit view
// must never read the stored diagonal, which is therefore made NaN.
template <typename T>
std::vector<T> denseView(Arrays<T>& A, const std::string& view) {
    const bool triangular = view[0] == 'T', lower = view[1] == 'L', unit = view[2] == 'U';
    std::vector<T> D(static_cast<size_t>(A.m) * A.k, T(0));
    for (int i = 0; i < A.m; ++i) {
        for (int p = A.rowPtr[i] - A.base; p < A.rowPtr[i + 1] - A.base; ++p) {
            const int j = A.colInd[p] - A.base;
            if (unit && j == i) A.val[p] = T(std::numeric_limits<kyra::Real<T>>::quiet_NaN());
            if (!triangular || (j == i ? !unit : (lower ? j < i : j > i))) D[size_t(i) * A.k + j] += A.val[p];
        }
        if (triangular && unit && i < A.k) D[size_t(i) * A.k + i] = T(1);
    }
    return D;
}

template <typename T>
auto rowMajor(const std::vector<T>& D, int k) {
    return [&D, k](int i, int j) { return D[static_cast<size_t>(i) * k + j]; };
}

template <typename T>
class SparseKernelTest : public ::testing::Test {
  protected:
    const double tol = std::is_same<kyra::Real<T>, float>::value ? 2e-4 : 1e-11;
    std::mt19937 rng{11};
};
TYPED_TEST_SUITE(SparseKernelTest, AllScalarTypes);

// Products with every view: a zero beta must overwrite the NaN left in the
// output. A triangular view also solves: op(D) y must give back alpha x,
// also when solving in place.
TYPED_TEST(SparseKernelTest, ProductAndSolveMatchDenseForEveryShapeOperationViewAndBase) {
    using T = TypeParam;
    const T alpha = T(0.75) + randomScalar<T>(this->rng);
    const T nan = T(std::numeric_limits<kyra::Real<T>>::quiet_NaN());
    const std::tuple<int, int, const char*> shapes[] = {{9, 9, "GLN"}, {9, 9, "TLN"}, {9, 9, "TLU"},
                                                        {9, 9, "TUN"}, {9, 9, "TUU"}, {6, 11, "GLN"}};
    for (const auto& [m, k, view] : shapes) {
        for (int base : {0, 1}) {
            Arrays<T> A = randomCsr<T>(m, k, base, this->rng, kyra::Real<T>(0.25));
            const std::vector<T> D = denseView(A, view);
            const std::string descriptor = view + std::string(base ? "F" : "C");
            for (char op : {'N', 'T', 'C'}) {
                SCOPED_TRACE(::testing::Message() << m << "x" << k << " " << view << base << " " << op);
                for (const T beta : {randomScalar<T>(this->rng), T(0)}) {
                    const bool plain = op == 'N';
                    const std::vector<T> x = randomVector<T>(plain ? k : m, this->rng);
                    std::vector<T> y = randomVector<T>(plain ? m : k, this->rng);
                    const std::vector<T> expected = denseProduct(m, k, rowMajor(D, k), op, alpha, x, beta, y);
                    if (beta == T(0)) std::fill(y.begin(), y.end(), nan);
                    sparse::csrmv(op, m, k, alpha, descriptor.c_str(), A.val.data(), A.rowPtr.data(),
                                  A.colInd.data(), x.data(), beta, y.data());
                    expectAllClose(expected, y, this->tol);
                }
                if (view[0] != 'T') continue;
                std::vector<T> y = randomVector<T>(m, this->rng), alphaX(m);
                for (int i = 0; i < m; ++i) alphaX[i] = alpha * y[i];
                sparse::csrsv(op, m, alpha, descriptor.c_str(), A.val.data(), A.rowPtr.data(),
                              A.colInd.data(), y.data(), y.data());
                expectAllClose(alphaX, denseProduct(m, m, rowMajor(D, m), op, y), this->tol);
            }
        }
    }
}

TYPED_TEST(SparseKernelTest, CscConversionIsTheDenseTransposeAndReportsABadColumnsRow) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        Arrays<T> A = randomCsr<T>(7, 10, base, this->rng);
        const int nnz = static_cast<int>(A.val.size());
        Arrays<T> At{10, 7, base, std::vector<T>(nnz), std::vector<int>(11), std::vector<int>(nnz)};
        ASSERT_EQ(0, sparse::csrToCsc(7, 10, base, A.val.data(), A.rowPtr.data(), A.colInd.data(),
                                      At.val.data(), At.rowPtr.data(), At.colInd.data()));
        const std::vector<T> D = denseView(A, "GLN"), Dt = denseView(At, "GLN");
        for (int i = 0; i < 7; ++i) {
            for (int j = 0; j < 10; ++j) ASSERT_EQ(D[i * 10 + j], Dt[j * 7 + i]);
        }
        for (int c = 0; c < 10; ++c) {
            EXPECT_TRUE(std::is_sorted(At.colInd.begin() + (At.rowPtr[c] - base),
                                       At.colInd.begin() + (At.rowPtr[c + 1] - base)));
        }
    }
    // Column 2 of a 2-column zero-based matrix, on row 2.
    const std::vector<T> val(3);
    const std::vector<int> rowPtr = {0, 1, 3}, colInd = {1, 1, 2};
    std::vector<T> outVal(3);
    std::vector<int> outColPtr(3), outRowInd(3);
    EXPECT_EQ(2, sparse::csrToCsc(2, 2, 0, val.data(), rowPtr.data(), colInd.data(), outVal.data(),
                                  outColPtr.data(), outRowInd.data()));
}

// A matrix without rows only scales a transposed product's output; one
// without entries gives zeros, forming no address from its null arrays.
TYPED_TEST(SparseKernelTest, EmptyMatricesFormNoAddresses) {
    using T = TypeParam;
    std::vector<T> y = {T(1), T(2), T(7)};
    const std::vector<int> rowPtr(4, 0);
    const std::vector<T> x(3, T(1));
    sparse::csrmv<T>('N', 0, 2, T(1), "GLNC", nullptr, rowPtr.data(), nullptr, nullptr, T(3), y.data());
    EXPECT_EQ(y[0], T(1));
    sparse::csrmv<T>('T', 0, 2, T(1), "GLNC", nullptr, rowPtr.data(), nullptr, nullptr, T(3), y.data());
    EXPECT_EQ(y[1], T(6));
    sparse::csrmv<T>('N', 3, 3, T(1), "GLNC", nullptr, rowPtr.data(), nullptr, x.data(), T(0), y.data());
    EXPECT_EQ(y, std::vector<T>(3, T(0)));
}

// A 2-D Laplacian with enough entries for the product to be split between
// threads: every row must be computed once.
TEST(SparseKernelThreads, SplitProductCoversEveryRow) {
    const Csr<double> A = poisson2d(100);
    std::mt19937 rng(16);
    const std::vector<double> x = randomVector<double>(A.n(), rng);
    std::vector<double> y(A.n(), 7.0);
    sparse::csrmv('N', A.n(), A.n(), 1.0, "GLNC", A.val().data(), A.rowPtr().data(), A.colInd().data(),
                  x.data(), 0.0, y.data());
    expectAllClose(A.multiply(x), y, 1e-12);
}

template <typename T>
class HostCsrMatrixTest : public SparseKernelTest<T> {};
TYPED_TEST_SUITE(HostCsrMatrixTest, AllScalarTypes);

// Each triangular view multiplies and solves with its triangle only; the
// transpose keeps the base and conjugates on request (genuinely complex
// values, so that a transpose and a conjugate transpose differ).
TYPED_TEST(HostCsrMatrixTest, ViewsAndTransposesMatchTheDenseMatrix) {
    using T = TypeParam;
    for (int base : {0, 1}) {
        Arrays<T> A = randomCsr<T>(6, 6, base, this->rng);
        const HostCsrMatrixRef<T> matrix(6, 6, static_cast<int>(A.val.size()), A.val.data(), A.rowPtr.data(),
                                         A.colInd.data(), IndexType(base));
        const std::vector<T> D = denseView(A, "GLN"), x = randomVector<T>(6, this->rng);
        const HostVectorRef<T> xv(6, x.data());
        HostVectorAlloc<T> y(6), solved(6);
        for (bool conjugate : {false, true}) {
            const auto At = std::dynamic_pointer_cast<HostCsrMatrixAlloc<T>>(matrix.transpose_(conjugate));
            ASSERT_NE(nullptr, At);
            EXPECT_EQ(IndexType(base), At->index());
            At->mvm_(TransOp::NoTrans, T(1), xv, T(0), y);
            expectAllClose(denseProduct(6, 6, rowMajor(D, 6), conjugate ? 'C' : 'T', x), y.val(), this->tol);
        }
        // The unit views, which make the stored diagonal NaN, come last.
        for (const char* view : {"TLN", "TUN", "TLU", "TUU"}) {
            const std::vector<T> triangleD = denseView(A, view);
            const SideType side = view[1] == 'L' ? SideType::Lower : SideType::Upper;
            const DiagType diag = view[2] == 'U' ? DiagType::Unit : DiagType::NonUnit;
            const auto triangle = matrix.makeMatrixView_(side, diag);
            for (int op = 0; op < 3; ++op) {
                SCOPED_TRACE(::testing::Message() << view << base << op);
                triangle->mvm_(TransOp(op), T(1), xv, T(0), y);
                expectAllClose(denseProduct(6, 6, rowMajor(triangleD, 6), "NTC"[op], x), y.val(), this->tol);
                triangle->trsv_(side, TransOp(op), diag, y, solved);
                expectAllClose(x, solved.val(), this->tol);
            }
        }
    }
}

}  // namespace
