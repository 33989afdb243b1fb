// The host CSR kernels against dense references built in the test: products
// for op N, T and C, general and triangular descriptors, both index bases,
// and triangular solves checked through the residual of the dense triangle.

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "common/DenseChecks.h"
#include "common/SmallSystems.h"
#include "matrix/HostSparseKernels.h"

namespace {

using namespace Iterative;

// A CSR matrix with its arrays stored with the given index base.
template <typename T>
struct Csr {
    int m = 0;
    int k = 0;
    int base = 0;
    std::vector<T> val;
    std::vector<int> rowPtr;
    std::vector<int> colInd;
};

// Rows of 0 to 6 distinct columns in shuffled order; every row of a square
// matrix gets its diagonal, shifted by 8, so solves are stable.
template <typename T>
Csr<T> randomCsr(int m, int k, int base, std::mt19937& rng, kyra::Real<T> offDiagonalScale = 1) {
    Csr<T> A{m, k, base, {}, {base}, {}};
    std::vector<int> columns(k);
    std::iota(columns.begin(), columns.end(), 0);
    std::uniform_int_distribution<int> count(0, std::min(6, k));
    for (int i = 0; i < m; ++i) {
        std::shuffle(columns.begin(), columns.end(), rng);
        std::vector<int> row(columns.begin(), columns.begin() + count(rng));
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

// The first three descriptor characters: general, or a triangle with or
// without unit diagonal.
const std::vector<std::string> kTriangularViews = {"TLN", "TLU", "TUN", "TUU"};

std::string descriptorOf(const std::string& view, int base) { return view + (base ? "F" : "C") + "\0\0"; }

// Row-major dense m x k matrix of the view of A.
template <typename T>
std::vector<T> denseOf(const Csr<T>& A, const std::string& view) {
    const bool triangular = view[0] == 'T', lower = view[1] == 'L', unit = view[2] == 'U';
    std::vector<T> D(static_cast<size_t>(A.m) * A.k, T(0));
    for (int i = 0; i < A.m; ++i) {
        for (int p = A.rowPtr[i] - A.base; p < A.rowPtr[i + 1] - A.base; ++p) {
            const int j = A.colInd[p] - A.base;
            const bool inView = !triangular || (j == i ? !unit : (lower ? j < i : j > i));
            if (inView) D[static_cast<size_t>(i) * A.k + j] += A.val[p];
        }
        if (triangular && unit && i < A.k) D[static_cast<size_t>(i) * A.k + i] = T(1);
    }
    return D;
}

// A unit view must never read the stored diagonal, so it is made NaN.
template <typename T>
void poisonDiagonalOfUnitView(Csr<T>& A, const std::string& view) {
    for (int i = 0; i < A.m && view[2] == 'U'; ++i) {
        for (int p = A.rowPtr[i] - A.base; p < A.rowPtr[i + 1] - A.base; ++p) {
            if (A.colInd[p] - A.base == i) A.val[p] = T(std::numeric_limits<kyra::Real<T>>::quiet_NaN());
        }
    }
}

template <typename T>
auto rowMajor(const std::vector<T>& D, int k) {
    return [&D, k](int i, int j) { return D[static_cast<size_t>(i) * k + j]; };
}

// Row-by-row reference for matrices too large for a dense copy.
template <typename T>
std::vector<T> rowLoopProduct(const Csr<T>& A, const std::vector<T>& x) {
    std::vector<T> y(A.m, T(0));
    for (int i = 0; i < A.m; ++i) {
        for (int p = A.rowPtr[i] - A.base; p < A.rowPtr[i + 1] - A.base; ++p)
            y[i] += A.val[p] * x[A.colInd[p] - A.base];
    }
    return y;
}

template <typename T>
class SparseKernelTest : public ::testing::Test {
  protected:
    // Looser than the shared tolerance for the longer sums of the kernels.
    const double tol = std::is_same<kyra::Real<T>, float>::value ? 2e-4 : 1e-11;
};

TYPED_TEST_SUITE(SparseKernelTest, AllScalarTypes);

// Square matrices in every view, a rectangular one in the general view; a
// zero beta must overwrite the NaN left in the output.
TYPED_TEST(SparseKernelTest, ProductMatchesDenseForEveryShapeOperationViewAndBase) {
    using T = TypeParam;
    std::mt19937 rng(11);
    const T alpha = T(1.5) * randomScalar<T>(rng);
    const kyra::Real<T> nan = std::numeric_limits<kyra::Real<T>>::quiet_NaN();
    struct Shape {
        int m, k;
        std::vector<std::string> views;
    };
    const Shape shapes[] = {{37, 37, {"GLN", "TLN", "TLU", "TUN", "TUU"}}, {23, 41, {"GLN"}}};
    for (const Shape& shape : shapes) {
        for (int base : {0, 1}) {
            for (const std::string& view : shape.views) {
                Csr<T> A = randomCsr<T>(shape.m, shape.k, base, rng);
                poisonDiagonalOfUnitView(A, view);
                const std::string descriptor = descriptorOf(view, base);
                const std::vector<T> D = denseOf(A, view);
                for (char op : {'N', 'T', 'C'}) {
                    for (const T beta : {randomScalar<T>(rng), T(0)}) {
                        SCOPED_TRACE(::testing::Message() << shape.m << "x" << shape.k << " base " << base
                                                          << " view " << view << " op " << op);
                        const bool plain = op == 'N';
                        const std::vector<T> x = randomVector<T>(plain ? shape.k : shape.m, rng);
                        std::vector<T> y = randomVector<T>(plain ? shape.m : shape.k, rng);
                        const std::vector<T> expected =
                            denseProduct(shape.m, shape.k, rowMajor(D, shape.k), op, alpha, x, beta, y);
                        if (beta == T(0)) std::fill(y.begin(), y.end(), T(nan));
                        sparse::csrmv(op, shape.m, shape.k, alpha, descriptor.c_str(), A.val.data(),
                                      A.rowPtr.data(), A.colInd.data(), x.data(), beta, y.data());
                        expectAllClose(expected, y, this->tol);
                    }
                }
            }
        }
    }
}

// op(D) y must give back alpha x, and solving in place must give y too.
TYPED_TEST(SparseKernelTest, SolveInvertsEveryTriangleOperationAndBaseAlsoInPlace) {
    using T = TypeParam;
    std::mt19937 rng(14);
    const T alpha = T(0.75) + randomScalar<T>(rng);
    for (int base : {0, 1}) {
        for (const std::string& view : kTriangularViews) {
            // Small off-diagonal entries keep unit triangles well conditioned.
            Csr<T> A = randomCsr<T>(45, 45, base, rng, kyra::Real<T>(0.25));
            poisonDiagonalOfUnitView(A, view);
            const std::vector<T> D = denseOf(A, view);
            const std::string descriptor = descriptorOf(view, base);
            for (char op : {'N', 'T', 'C'}) {
                SCOPED_TRACE(::testing::Message() << "base " << base << " view " << view << " op " << op);
                const std::vector<T> x = randomVector<T>(45, rng);
                std::vector<T> y(45);
                sparse::csrsv(op, 45, alpha, descriptor.c_str(), A.val.data(), A.rowPtr.data(),
                              A.colInd.data(), x.data(), y.data());
                std::vector<T> alphaX(45);
                for (int i = 0; i < 45; ++i) alphaX[i] = alpha * x[i];
                expectAllClose(alphaX, denseProduct(45, 45, rowMajor(D, 45), op, y), this->tol);

                std::vector<T> inPlace = x;
                sparse::csrsv(op, 45, alpha, descriptor.c_str(), A.val.data(), A.rowPtr.data(),
                              A.colInd.data(), inPlace.data(), inPlace.data());
                expectAllClose(y, inPlace, this->tol);
            }
        }
    }
}

// Products large enough to be split across threads: a 2-D Laplacian, and one
// row holding every column among empty rows.
TYPED_TEST(SparseKernelTest, LargeProductsSplitAcrossThreadsCoverEveryRow) {
    using T = TypeParam;
    std::mt19937 rng(16);
    const CsrSystem poisson = poisson2d(150);
    Csr<T> A{poisson.n, poisson.n, 0, {}, poisson.rowPtr, poisson.colInd};
    for (double v : poisson.values) A.val.push_back(T(static_cast<kyra::Real<T>>(v)));

    const int n = 60000;
    Csr<T> heavy{n, n, 0, randomVector<T>(n, rng), std::vector<int>(n + 1, n), {}};
    heavy.rowPtr[0] = 0;
    heavy.colInd.resize(n);
    std::iota(heavy.colInd.begin(), heavy.colInd.end(), 0);
    heavy.colInd.push_back(3);
    heavy.val.push_back(T(2));
    heavy.rowPtr[n] = n + 1;

    for (const Csr<T>* matrix : {&A, &heavy}) {
        const std::vector<T> x = randomVector<T>(matrix->m, rng);
        std::vector<T> y(matrix->m, T(7));
        sparse::csrmv('N', matrix->m, matrix->k, T(1), "GLNC\0\0", matrix->val.data(), matrix->rowPtr.data(),
                      matrix->colInd.data(), x.data(), T(0), y.data());
        const std::vector<T> expected = rowLoopProduct(*matrix, x);
        if (matrix == &A) {
            expectAllClose(expected, y, this->tol);
        } else {
            // The long row sums 60000 terms; the others hold at most one.
            EXPECT_LE(kyra::abs(expected[0] - y[0]), 1e-3 * (1 + kyra::abs(expected[0])));
            EXPECT_TRUE(std::equal(y.begin() + 1, y.end(), expected.begin() + 1));
        }
    }
}

TYPED_TEST(SparseKernelTest, EmptyMatrixOnlyScalesTransposedOutput) {
    using T = TypeParam;
    std::vector<T> y = {T(1), T(2)};
    const int rowPtr[] = {0};
    sparse::csrmv<T>('N', 0, 2, T(1), "GLNC\0\0", nullptr, rowPtr, nullptr, nullptr, T(3), y.data());
    EXPECT_EQ(y[0], T(1));
    sparse::csrmv<T>('T', 0, 2, T(1), "GLNC\0\0", nullptr, rowPtr, nullptr, nullptr, T(3), y.data());
    EXPECT_EQ(y[1], T(6));
    sparse::csrsv<T>('N', 0, T(1), "TLNC\0\0", nullptr, rowPtr, nullptr, nullptr, nullptr);
}

TYPED_TEST(SparseKernelTest, CscConversionIsTheDenseTransposeInBothBases) {
    using T = TypeParam;
    std::mt19937 rng(18);
    for (int base : {0, 1}) {
        const Csr<T> A = randomCsr<T>(17, 29, base, rng);
        const int nnz = static_cast<int>(A.val.size());
        Csr<T> At{29, 17, base, std::vector<T>(nnz), std::vector<int>(30), std::vector<int>(nnz)};
        ASSERT_EQ(0, sparse::csrToCsc(17, 29, base, A.val.data(), A.rowPtr.data(), A.colInd.data(),
                                      At.val.data(), At.rowPtr.data(), At.colInd.data()));
        EXPECT_EQ(At.rowPtr.front(), base);
        EXPECT_EQ(At.rowPtr.back(), nnz + base);
        const std::vector<T> D = denseOf(A, "GLN");
        const std::vector<T> Dt = denseOf(At, "GLN");
        for (int i = 0; i < 17; ++i) {
            for (int j = 0; j < 29; ++j) ASSERT_EQ(D[i * 29 + j], Dt[j * 17 + i]);
        }
        // Row indices come out sorted within each column.
        for (int c = 0; c < 29; ++c) {
            EXPECT_TRUE(std::is_sorted(At.colInd.begin() + (At.rowPtr[c] - base),
                                       At.colInd.begin() + (At.rowPtr[c + 1] - base)));
        }
    }
}

TYPED_TEST(SparseKernelTest, CscConversionReportsTheRowOfAnOutOfRangeColumn) {
    using T = TypeParam;
    const std::vector<T> val = {T(1), T(2), T(3)};
    const std::vector<int> rowPtr = {1, 2, 4};
    const std::vector<int> colInd = {1, 1, 3};  // one-based, 2 columns: 3 is out of range
    std::vector<T> outVal(3);
    std::vector<int> outColPtr(3), outRowInd(3);
    EXPECT_EQ(2, sparse::csrToCsc(2, 2, 1, val.data(), rowPtr.data(), colInd.data(), outVal.data(),
                                  outColPtr.data(), outRowInd.data()));
    // A zero-based reading of the same arrays sees column 2 in a 2-column matrix.
    EXPECT_NE(0, sparse::csrToCsc(2, 2, 0, val.data(), std::vector<int>{0, 1, 3}.data(), colInd.data(),
                                  outVal.data(), outColPtr.data(), outRowInd.data()));
}

TEST(SparseKernelDescriptorTest, UnknownOperationOrMatrixTypeIsAnInternalError) {
    const double val[] = {1};
    const int rowPtr[] = {0, 1};
    const int colInd[] = {0};
    double x[] = {1};
    double y[] = {0};
    auto failure = [&](char op, const char* descriptor) {
        return failureOf([&] { sparse::csrmv(op, 1, 1, 1.0, descriptor, val, rowPtr, colInd, x, 0.0, y); })
            .substr(0, 2);
    };
    EXPECT_EQ("no", failure('n', "gLNC\0\0"));
    EXPECT_EQ("9:", failure('X', "GLNC\0\0"));
    EXPECT_EQ("9:", failure('N', "SLNC\0\0"));
    EXPECT_EQ("9:", failure('N', "GLNQ\0\0"));
}

}  // namespace
