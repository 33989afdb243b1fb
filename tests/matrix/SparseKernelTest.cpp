// The host CSR kernels against dense references built in the test: products
// for op N, T and C, general and triangular descriptors, both index bases,
// and triangular solves checked through the residual of the dense triangle.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "core/Exception.h"
#include "matrix/HostSparseKernels.h"

namespace {

using namespace Iterative;

template <typename T>
T randomScalar(std::mt19937& rng) {
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    using R = kyra::Real<T>;
    if constexpr (kyra::IsComplex<T>::value) {
        const R re = static_cast<R>(uniform(rng));
        const R im = static_cast<R>(uniform(rng));
        return T(re, im);
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
// matrix gets its diagonal, scaled by diagonalWeight, so solves are stable.
template <typename T>
Csr<T> randomCsr(int m, int k, int base, std::mt19937& rng, kyra::Real<T> offDiagonalScale = 1) {
    Csr<T> A;
    A.m = m;
    A.k = k;
    A.base = base;
    A.rowPtr.push_back(base);
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

// Which entries a descriptor lets through, with the unit diagonal added.
struct View {
    std::string descriptor;  // first three characters
    bool triangular() const { return descriptor[0] == 'T'; }
    bool lower() const { return descriptor[1] == 'L'; }
    bool unit() const { return descriptor[2] == 'U'; }
};

const std::vector<View> kAllViews = {{"GLN"}, {"TLN"}, {"TLU"}, {"TUN"}, {"TUU"}};
const std::vector<View> kTriangularViews = {{"TLN"}, {"TLU"}, {"TUN"}, {"TUU"}};

std::string descriptorOf(const View& view, int base) { return view.descriptor + (base ? "F" : "C") + "\0\0"; }

// Row-major dense m x k matrix of the view of A.
template <typename T>
std::vector<T> denseOf(const Csr<T>& A, const View& view) {
    std::vector<T> D(static_cast<size_t>(A.m) * A.k, T(0));
    for (int i = 0; i < A.m; ++i) {
        for (int p = A.rowPtr[i] - A.base; p < A.rowPtr[i + 1] - A.base; ++p) {
            const int j = A.colInd[p] - A.base;
            const bool inView =
                !view.triangular() || (j == i ? !view.unit() : (view.lower() ? j < i : j > i));
            if (inView) D[static_cast<size_t>(i) * A.k + j] += A.val[p];
        }
        if (view.triangular() && view.unit() && i < A.k) D[static_cast<size_t>(i) * A.k + i] = T(1);
    }
    return D;
}

// alpha op(D) x + beta y with D row-major m x k.
template <typename T>
std::vector<T> denseProduct(const std::vector<T>& D, int m, int k, char op, T alpha, const std::vector<T>& x,
                            T beta, const std::vector<T>& y) {
    const bool plain = op == 'N';
    const int rows = plain ? m : k;
    const int cols = plain ? k : m;
    std::vector<T> out(rows);
    for (int r = 0; r < rows; ++r) {
        T sum = T(0);
        for (int c = 0; c < cols; ++c) {
            T a = plain ? D[static_cast<size_t>(r) * k + c] : D[static_cast<size_t>(c) * k + r];
            if (op == 'C') a = kyra::conj(a);
            sum += a * x[c];
        }
        out[r] = alpha * sum + beta * y[r];
    }
    return out;
}

template <typename T>
double tolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 2e-4 : 1e-11;
}

template <typename T>
void expectNear(const std::vector<T>& expected, const std::vector<T>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const double error = kyra::abs(expected[i] - actual[i]);
        ASSERT_LE(error, tolerance<T>() * (1.0 + kyra::abs(expected[i]))) << "element " << i;
    }
}

template <typename T>
class SparseKernelTest : public ::testing::Test {};

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
TYPED_TEST_SUITE(SparseKernelTest, ScalarTypes);

TYPED_TEST(SparseKernelTest, ProductMatchesDenseForEveryOperationViewAndBase) {
    using T = TypeParam;
    std::mt19937 rng(11);
    const T alpha = T(1.5) * randomScalar<T>(rng);
    const T beta = randomScalar<T>(rng);
    for (int base : {0, 1}) {
        for (const View& view : kAllViews) {
            const Csr<T> A = randomCsr<T>(37, 37, base, rng);
            const std::string descriptor = descriptorOf(view, base);
            const std::vector<T> D = denseOf(A, view);
            for (char op : {'N', 'T', 'C'}) {
                SCOPED_TRACE(std::string("base ") + std::to_string(base) + " view " + view.descriptor +
                             " op " + op);
                const std::vector<T> x = randomVector<T>(37, rng);
                std::vector<T> y = randomVector<T>(37, rng);
                const std::vector<T> expected = denseProduct(D, 37, 37, op, alpha, x, beta, y);
                sparse::csrmv(op, 37, 37, alpha, descriptor.c_str(), A.val.data(), A.rowPtr.data(),
                              A.colInd.data(), x.data(), beta, y.data());
                expectNear(expected, y);
            }
        }
    }
}

TYPED_TEST(SparseKernelTest, RectangularProductUsesRowsAndColumnsOfEachOperation) {
    using T = TypeParam;
    std::mt19937 rng(12);
    const View general{"GLN"};
    for (int base : {0, 1}) {
        const Csr<T> A = randomCsr<T>(23, 41, base, rng);
        const std::vector<T> D = denseOf(A, general);
        const std::string descriptor = descriptorOf(general, base);
        for (char op : {'N', 'T', 'C'}) {
            SCOPED_TRACE(std::string("op ") + op);
            const bool plain = op == 'N';
            const std::vector<T> x = randomVector<T>(plain ? 41 : 23, rng);
            std::vector<T> y = randomVector<T>(plain ? 23 : 41, rng);
            const std::vector<T> expected = denseProduct(D, 23, 41, op, T(2), x, T(-1), y);
            sparse::csrmv(op, 23, 41, T(2), descriptor.c_str(), A.val.data(), A.rowPtr.data(),
                          A.colInd.data(), x.data(), T(-1), y.data());
            expectNear(expected, y);
        }
    }
}

TYPED_TEST(SparseKernelTest, ZeroBetaOverwritesGarbageInOutput) {
    using T = TypeParam;
    std::mt19937 rng(13);
    const Csr<T> A = randomCsr<T>(19, 19, 0, rng);
    const std::vector<T> D = denseOf(A, View{"GLN"});
    const std::vector<T> x = randomVector<T>(19, rng);
    const std::vector<T> zeros(19, T(0));
    const kyra::Real<T> nan = std::numeric_limits<kyra::Real<T>>::quiet_NaN();
    for (char op : {'N', 'T', 'C'}) {
        std::vector<T> y(19, T(nan));
        sparse::csrmv(op, 19, 19, T(1), "GLNC\0\0", A.val.data(), A.rowPtr.data(), A.colInd.data(), x.data(),
                      T(0), y.data());
        expectNear(denseProduct(D, 19, 19, op, T(1), x, T(0), zeros), y);
    }
}

TYPED_TEST(SparseKernelTest, UnitViewNeverReadsTheStoredDiagonal) {
    using T = TypeParam;
    // [[nan, 0], [2, nan]] as a lower unit view is [[1, 0], [2, 1]].
    const kyra::Real<T> nan = std::numeric_limits<kyra::Real<T>>::quiet_NaN();
    const std::vector<T> val = {T(nan), T(2), T(nan)};
    const std::vector<int> rowPtr = {0, 1, 3};
    const std::vector<int> colInd = {0, 0, 1};
    const std::vector<T> x = {T(1), T(3)};
    std::vector<T> y(2);
    sparse::csrmv('N', 2, 2, T(1), "TLUC\0\0", val.data(), rowPtr.data(), colInd.data(), x.data(), T(0),
                  y.data());
    expectNear(std::vector<T>{T(1), T(5)}, y);
    sparse::csrsv('N', 2, T(1), "TLUC\0\0", val.data(), rowPtr.data(), colInd.data(), y.data(), y.data());
    expectNear(x, y);
}

TYPED_TEST(SparseKernelTest, SolveInvertsEveryTriangleOperationAndBase) {
    using T = TypeParam;
    std::mt19937 rng(14);
    const T alpha = T(0.75) + randomScalar<T>(rng);
    for (int base : {0, 1}) {
        for (const View& view : kTriangularViews) {
            // Small off-diagonal entries keep unit triangles well conditioned.
            const Csr<T> A = randomCsr<T>(45, 45, base, rng, kyra::Real<T>(0.25));
            const std::vector<T> D = denseOf(A, view);
            const std::string descriptor = descriptorOf(view, base);
            for (char op : {'N', 'T', 'C'}) {
                SCOPED_TRACE(std::string("base ") + std::to_string(base) + " view " + view.descriptor +
                             " op " + op);
                const std::vector<T> x = randomVector<T>(45, rng);
                std::vector<T> y(45);
                sparse::csrsv(op, 45, alpha, descriptor.c_str(), A.val.data(), A.rowPtr.data(),
                              A.colInd.data(), x.data(), y.data());
                // op(D) y must give back alpha x.
                const std::vector<T> zeros(45, T(0));
                std::vector<T> alphaX(45);
                for (int i = 0; i < 45; ++i) alphaX[i] = alpha * x[i];
                expectNear(alphaX, denseProduct(D, 45, 45, op, T(1), y, T(0), zeros));
            }
        }
    }
}

TYPED_TEST(SparseKernelTest, SolveInPlaceWhenInputAndOutputAlias) {
    using T = TypeParam;
    std::mt19937 rng(15);
    const Csr<T> A = randomCsr<T>(30, 30, 1, rng, kyra::Real<T>(0.25));
    for (const View& view : kTriangularViews) {
        for (char op : {'N', 'C'}) {
            const std::string descriptor = descriptorOf(view, 1);
            const std::vector<T> x = randomVector<T>(30, rng);
            std::vector<T> separate(30);
            sparse::csrsv(op, 30, T(1), descriptor.c_str(), A.val.data(), A.rowPtr.data(), A.colInd.data(),
                          x.data(), separate.data());
            std::vector<T> inPlace = x;
            sparse::csrsv(op, 30, T(1), descriptor.c_str(), A.val.data(), A.rowPtr.data(), A.colInd.data(),
                          inPlace.data(), inPlace.data());
            expectNear(separate, inPlace);
        }
    }
}

// 2-D five-point Laplacian on a g x g grid, zero-based.
template <typename T>
Csr<T> poisson2d(int g) {
    Csr<T> A;
    A.m = A.k = g * g;
    A.rowPtr.push_back(0);
    for (int r = 0; r < g; ++r) {
        for (int c = 0; c < g; ++c) {
            const int i = r * g + c;
            auto add = [&](int j, double v) {
                A.colInd.push_back(j);
                A.val.push_back(T(static_cast<kyra::Real<T>>(v)));
            };
            if (r > 0) add(i - g, -1);
            if (c > 0) add(i - 1, -1);
            add(i, 4);
            if (c < g - 1) add(i + 1, -1);
            if (r < g - 1) add(i + g, -1);
            A.rowPtr.push_back(static_cast<int>(A.colInd.size()));
        }
    }
    return A;
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

TYPED_TEST(SparseKernelTest, LargeProductSplitAcrossThreadsCoversEveryRow) {
    using T = TypeParam;
    std::mt19937 rng(16);
    const Csr<T> A = poisson2d<T>(150);
    const std::vector<T> x = randomVector<T>(A.m, rng);
    std::vector<T> y(A.m, T(7));
    sparse::csrmv('N', A.m, A.k, T(1), "GLNC\0\0", A.val.data(), A.rowPtr.data(), A.colInd.data(), x.data(),
                  T(0), y.data());
    expectNear(rowLoopProduct(A, x), y);

    // Constant vectors are annihilated in the interior of the grid.
    const std::vector<T> ones(A.m, T(1));
    sparse::csrmv('N', A.m, A.k, T(1), "GLNC\0\0", A.val.data(), A.rowPtr.data(), A.colInd.data(),
                  ones.data(), T(0), y.data());
    EXPECT_EQ(y[151], T(0));
    EXPECT_EQ(y[0], T(2));
}

TYPED_TEST(SparseKernelTest, OneHeavyRowAmongEmptyRowsIsBalancedCorrectly) {
    using T = TypeParam;
    std::mt19937 rng(17);
    // Row 0 holds every column; the other rows are empty but one.
    const int n = 60000;
    Csr<T> A;
    A.m = A.k = n;
    A.rowPtr.assign(n + 1, n);
    A.rowPtr[0] = 0;
    for (int j = 0; j < n; ++j) {
        A.colInd.push_back(j);
        A.val.push_back(randomScalar<T>(rng));
    }
    A.colInd.push_back(3);
    A.val.push_back(T(2));
    A.rowPtr[n] = n + 1;
    const std::vector<T> x = randomVector<T>(n, rng);
    std::vector<T> y(n, T(5));
    sparse::csrmv('N', n, n, T(1), "GLNC\0\0", A.val.data(), A.rowPtr.data(), A.colInd.data(), x.data(), T(0),
                  y.data());
    const std::vector<T> expected = rowLoopProduct(A, x);
    ASSERT_LE(kyra::abs(expected[0] - y[0]), 1e-3 * (1 + kyra::abs(expected[0])));
    EXPECT_EQ(y[1], T(0));
    EXPECT_EQ(y[n - 1], T(2) * x[3]);
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
        Csr<T> At;
        At.m = 29;
        At.k = 17;
        At.base = base;
        At.val.resize(nnz);
        At.rowPtr.resize(30);
        At.colInd.resize(nnz);
        ASSERT_EQ(0, sparse::csrToCsc(17, 29, base, A.val.data(), A.rowPtr.data(), A.colInd.data(),
                                      At.val.data(), At.rowPtr.data(), At.colInd.data()));
        EXPECT_EQ(At.rowPtr.front(), base);
        EXPECT_EQ(At.rowPtr.back(), nnz + base);
        const std::vector<T> D = denseOf(A, View{"GLN"});
        const std::vector<T> Dt = denseOf(At, View{"GLN"});
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

TYPED_TEST(SparseKernelTest, CscConversionOfThePatternOnly) {
    using T = TypeParam;
    const std::vector<int> rowPtr = {0, 2, 3};
    const std::vector<int> colInd = {1, 0, 1};
    std::vector<int> outColPtr(3), outRowInd(3);
    ASSERT_EQ(0, sparse::csrToCsc<T>(2, 2, 0, nullptr, rowPtr.data(), colInd.data(), nullptr,
                                     outColPtr.data(), outRowInd.data()));
    EXPECT_EQ((std::vector<int>{0, 1, 3}), outColPtr);
    EXPECT_EQ((std::vector<int>{0, 0, 1}), outRowInd);
}

TEST(SparseKernelDescriptorTest, UnknownOperationOrMatrixTypeIsAnInternalError) {
    const double val[] = {1};
    const int rowPtr[] = {0, 1};
    const int colInd[] = {0};
    double x[] = {1};
    double y[] = {0};
    auto statusOf = [&](char op, const char* descriptor) {
        try {
            sparse::csrmv(op, 1, 1, 1.0, descriptor, val, rowPtr, colInd, x, 0.0, y);
        } catch (const KyraSparseException& e) {
            return static_cast<int>(e.code());
        }
        return 0;
    };
    EXPECT_EQ(0, statusOf('n', "gLNC\0\0"));
    EXPECT_EQ(kyraSparseInternalError, statusOf('X', "GLNC\0\0"));
    EXPECT_EQ(kyraSparseInternalError, statusOf('N', "SLNC\0\0"));
    EXPECT_EQ(kyraSparseInternalError, statusOf('N', "GLNQ\0\0"));
}

}  // namespace
