#ifndef KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H
#define KYRA_TESTS_PRECONDITIONER_PRECONDITIONERTESTSUPPORT_H

// Shared pieces of the preconditioner tests: small sparse matrices of the
// four scalar types built in the test, dense reference arithmetic in double
// precision that does not use the library, and a runner that solves through
// the public interface and checks the true residual itself.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "core/Complex.h"
#include "core/Context.h"
#include "core/Exception.h"
#include "kyraSparse.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"

namespace pctest {

using Iterative::HostCsrMatrix;
using Iterative::HostCsrMatrixRef;
using Iterative::IndexType;
using Iterative::Matrix;

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;

// The double-precision type of the same kind, for reference computations.
template <typename T>
using Wide = std::conditional_t<kyra::IsComplex<T>::value, kyra::Complex<double>, double>;

template <typename T>
Wide<T> widen(const T& v) {
    if constexpr (kyra::IsComplex<T>::value) {
        return {static_cast<double>(v.re), static_cast<double>(v.im)};
    } else {
        return static_cast<double>(v);
    }
}

// A value with real part re and imaginary part im (dropped for real types).
template <typename T>
T scalar(double re, double im = 0.0) {
    using R = kyra::Real<T>;
    if constexpr (kyra::IsComplex<T>::value) {
        return T(static_cast<R>(re), static_cast<R>(im));
    } else {
        return static_cast<T>(re);
    }
}

// The accuracy a computation in T can be held to, relative to the data.
template <typename T>
double tolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 2e-4 : 1e-11;
}

template <typename T>
struct Entry {
    int row;
    int col;
    T value;
};

// A square sparse matrix as CSR arrays with index base 0 or 1. Entries keep
// the order given (rows are filled in entry order), so tests can build
// unsorted rows and duplicates on purpose.
template <typename T>
class Csr {
  public:
    Csr(int n, const std::vector<Entry<T>>& entries, int base = 0) : n_(n), base_(base), rowPtr_(n + 1, 0) {
        std::vector<Entry<T>> byRow = entries;
        std::stable_sort(byRow.begin(), byRow.end(),
                         [](const Entry<T>& a, const Entry<T>& b) { return a.row < b.row; });
        for (const Entry<T>& e : byRow) {
            ++rowPtr_[e.row + 1];
            colInd_.push_back(e.col + base);
            val_.push_back(e.value);
        }
        for (int i = 0; i < n; ++i) rowPtr_[i + 1] += rowPtr_[i];
        for (int& p : rowPtr_) p += base;
    }

    // The same matrix with another index base.
    Csr rebased(int base) const { return Csr(n_, entries(), base); }

    std::vector<Entry<T>> entries() const {
        std::vector<Entry<T>> list;
        for (int i = 0; i < n_; ++i) {
            for (int p = begin(i); p < end(i); ++p) list.push_back({i, colInd_[p] - base_, val_[p]});
        }
        return list;
    }

    int n() const { return n_; }
    int nnz() const { return static_cast<int>(val_.size()); }
    int base() const { return base_; }
    int begin(int i) const { return rowPtr_[i] - base_; }
    int end(int i) const { return rowPtr_[i + 1] - base_; }
    std::vector<T>& val() { return val_; }
    const std::vector<T>& val() const { return val_; }
    const std::vector<int>& rowPtr() const { return rowPtr_; }
    const std::vector<int>& colInd() const { return colInd_; }

    // A host CSR matrix borrowing these arrays; it must not outlive them.
    HostCsrMatrixRef<T> matrix() const {
        return HostCsrMatrixRef<T>(n_, n_, nnz(), val_.data(), rowPtr_.data(), colInd_.data(),
                                   IndexType(base_));
    }

  private:
    int n_;
    int base_;
    std::vector<int> rowPtr_;
    std::vector<int> colInd_;
    std::vector<T> val_;
};

// A dense n x n matrix in double precision, element (i, j) at i * n + j.
template <typename T>
class Dense {
  public:
    explicit Dense(int n) : n_(n), a_(static_cast<std::size_t>(n) * n, Wide<T>(0)) {}

    static Dense identity(int n) {
        Dense I(n);
        for (int i = 0; i < n; ++i) I(i, i) = Wide<T>(1);
        return I;
    }

    int n() const { return n_; }
    Wide<T>& operator()(int i, int j) { return a_[static_cast<std::size_t>(i) * n_ + j]; }
    const Wide<T>& operator()(int i, int j) const { return a_[static_cast<std::size_t>(i) * n_ + j]; }

    Dense operator*(const Dense& b) const {
        Dense c(n_);
        for (int i = 0; i < n_; ++i) {
            for (int k = 0; k < n_; ++k) {
                const Wide<T> aik = (*this)(i, k);
                for (int j = 0; j < n_; ++j) c(i, j) += aik * b(k, j);
            }
        }
        return c;
    }

    Dense operator-(const Dense& b) const {
        Dense c(n_);
        for (std::size_t k = 0; k < a_.size(); ++k) c.a_[k] = a_[k] - b.a_[k];
        return c;
    }

    Dense conjugateTranspose() const {
        Dense c(n_);
        for (int i = 0; i < n_; ++i) {
            for (int j = 0; j < n_; ++j) c(j, i) = kyra::conj((*this)(i, j));
        }
        return c;
    }

    double maxAbs() const {
        double m = 0;
        for (const Wide<T>& v : a_) m = std::max(m, kyra::abs(v));
        return m;
    }

    double maxDifference(const Dense& b) const {
        double m = 0;
        for (std::size_t k = 0; k < a_.size(); ++k) m = std::max(m, kyra::abs(a_[k] - b.a_[k]));
        return m;
    }

  private:
    int n_;
    std::vector<Wide<T>> a_;
};

// The matrix behind CSR arrays (any base; duplicates add up).
template <typename T>
Dense<T> toDense(int n, int base, const T* val, const int* rowPtr, const int* colInd) {
    Dense<T> d(n);
    for (int i = 0; i < n; ++i) {
        for (int p = rowPtr[i] - base; p < rowPtr[i + 1] - base; ++p) d(i, colInd[p] - base) += widen(val[p]);
    }
    return d;
}

template <typename T>
Dense<T> toDense(const Csr<T>& a) {
    return toDense(a.n(), a.base(), a.val().data(), a.rowPtr().data(), a.colInd().data());
}

template <typename T>
Dense<T> toDense(const Matrix<T>& matrix) {
    const auto& a = dynamic_cast<const HostCsrMatrix<T>&>(matrix);
    return toDense(a.n(), a.index().toInt(), a.val(), a.rowPtr(), a.colInd());
}

// The inverse by Gauss-Jordan elimination with partial pivoting.
template <typename T>
Dense<T> inverse(Dense<T> a) {
    const int n = a.n();
    Dense<T> inv = Dense<T>::identity(n);
    for (int j = 0; j < n; ++j) {
        int pivot = j;
        for (int r = j + 1; r < n; ++r) {
            if (kyra::abs(a(r, j)) > kyra::abs(a(pivot, j))) pivot = r;
        }
        for (int c = 0; c < n; ++c) {
            std::swap(a(j, c), a(pivot, c));
            std::swap(inv(j, c), inv(pivot, c));
        }
        const Wide<T> scale = Wide<T>(1) / a(j, j);
        for (int c = 0; c < n; ++c) {
            a(j, c) *= scale;
            inv(j, c) *= scale;
        }
        for (int r = 0; r < n; ++r) {
            if (r == j) continue;
            const Wide<T> f = a(r, j);
            for (int c = 0; c < n; ++c) {
                a(r, c) -= f * a(j, c);
                inv(r, c) -= f * inv(j, c);
            }
        }
    }
    return inv;
}

// A random value of modulus up to `size` (complex for complex types).
template <typename T>
T randomValue(std::mt19937& generator, double size) {
    std::uniform_real_distribution<double> part(-size, size);
    const double re = part(generator);
    return scalar<T>(re, part(generator));
}

// A nonsymmetric sparse n x n matrix with a stored, dominant diagonal and
// about `perRow` random off-diagonal entries per row, rows sorted.
template <typename T>
Csr<T> randomDominant(int n, int perRow, unsigned seed, int base = 0) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> column(0, n - 1);
    std::vector<std::vector<bool>> used(n, std::vector<bool>(n, false));
    std::vector<Entry<T>> entries;
    for (int i = 0; i < n; ++i) {
        used[i][i] = true;
        entries.push_back({i, i, randomValue<T>(generator, 1.0) + scalar<T>(2.0 + perRow)});
        for (int k = 0; k < perRow; ++k) {
            const int c = column(generator);
            if (used[i][c]) continue;
            used[i][c] = true;
            entries.push_back({i, c, randomValue<T>(generator, 1.0)});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry<T>& a, const Entry<T>& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    return Csr<T>(n, entries, base);
}

// A Hermitian (symmetric for real types) positive definite sparse matrix:
// random off-diagonal pairs a_ij = conj(a_ji) and a diagonal that dominates
// each row, rows sorted.
template <typename T>
Csr<T> randomHermitianDefinite(int n, int pairsPerRow, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> column(0, n - 1);
    std::vector<std::vector<bool>> used(n, std::vector<bool>(n, false));
    std::vector<Entry<T>> entries;
    std::vector<double> rowSum(n, 0.0);
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < pairsPerRow; ++k) {
            const int c = column(generator);
            if (c == i || used[i][c]) continue;
            used[i][c] = used[c][i] = true;
            const T v = randomValue<T>(generator, 1.0);
            entries.push_back({i, c, v});
            entries.push_back({c, i, kyra::conj(v)});
            rowSum[i] += kyra::abs(widen(v));
            rowSum[c] += kyra::abs(widen(v));
        }
    }
    for (int i = 0; i < n; ++i) entries.push_back({i, i, scalar<T>(rowSum[i] + 0.5 + (i % 3))});
    std::sort(entries.begin(), entries.end(), [](const Entry<T>& a, const Entry<T>& b) {
        return a.row != b.row ? a.row < b.row : a.col < b.col;
    });
    return Csr<T>(n, entries);
}

// Symmetric positive definite tridiagonal matrix (2 + i % 3, -1 off the diagonal).
template <typename T>
Csr<T> tridiagonal(int n, int base = 0) {
    std::vector<Entry<T>> entries;
    for (int i = 0; i < n; ++i) {
        if (i > 0) entries.push_back({i, i - 1, scalar<T>(-1.0)});
        entries.push_back({i, i, scalar<T>(2.0 + i % 3)});
        if (i < n - 1) entries.push_back({i, i + 1, scalar<T>(-1.0)});
    }
    return Csr<T>(n, entries, base);
}

// ---------------------------------------------------------------------------
// Solves through the public interface, in double precision.

// The system matrix of a solve test, zero-based CSR in double precision.
struct SolveSystem {
    int n = 0;
    std::vector<int> rowPtr{0};
    std::vector<int> colInd;
    std::vector<double> val;

    void add(int column, double value) {
        colInd.push_back(column);
        val.push_back(value);
    }
    void endRow() {
        rowPtr.push_back(static_cast<int>(colInd.size()));
        ++n;
    }
    int nnz() const { return static_cast<int>(val.size()); }

    // |b - A x| / |b|, computed here by plain loops.
    double trueRelativeResidual(const std::vector<double>& x, const std::vector<double>& b) const {
        double residual = 0;
        double norm = 0;
        for (int i = 0; i < n; ++i) {
            double ax = 0;
            for (int p = rowPtr[i]; p < rowPtr[i + 1]; ++p) ax += val[p] * x[colInd[p]];
            residual += (b[i] - ax) * (b[i] - ax);
            norm += b[i] * b[i];
        }
        return std::sqrt(residual / norm);
    }
};

// 5-point Poisson on a g x g grid whose rows are scaled by d_i d_j with d
// ranging over two orders of magnitude: symmetric positive definite, and
// badly scaled, so that diagonal scaling matters.
inline SolveSystem scaledPoisson(int g) {
    SolveSystem s;
    auto d = [g](int k) { return 1.0 + 99.0 * ((k * 37) % (g * g)) / (g * g); };
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            const int k = i * g + j;
            if (i > 0) s.add(k - g, -d(k) * d(k - g));
            if (j > 0) s.add(k - 1, -d(k) * d(k - 1));
            s.add(k, 4.0 * d(k) * d(k));
            if (j < g - 1) s.add(k + 1, -d(k) * d(k + 1));
            if (i < g - 1) s.add(k + g, -d(k) * d(k + g));
            s.endRow();
        }
    }
    return s;
}

// Plain 5-point Poisson on a g x g grid.
inline SolveSystem poisson(int g) {
    SolveSystem s;
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            const int k = i * g + j;
            if (i > 0) s.add(k - g, -1.0);
            if (j > 0) s.add(k - 1, -1.0);
            s.add(k, 4.0);
            if (j < g - 1) s.add(k + 1, -1.0);
            if (i < g - 1) s.add(k + g, -1.0);
            s.endRow();
        }
    }
    return s;
}

// Upwind convection-diffusion on a g x g grid (Peclet number `wind` per
// cell): nonsymmetric, rows sorted, diagonal stored.
inline SolveSystem convectionDiffusion(int g, double wind) {
    SolveSystem s;
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            const int k = i * g + j;
            if (i > 0) s.add(k - g, -1.0 - wind);
            if (j > 0) s.add(k - 1, -1.0 - 0.5 * wind);
            s.add(k, 4.0 + 1.5 * wind);
            if (j < g - 1) s.add(k + 1, -1.0);
            if (i < g - 1) s.add(k + g, -1.0);
            s.endRow();
        }
    }
    return s;
}

using Setter = std::function<kyraSparseStatus(kyraSparseHandle, kyraSparsePlan)>;

inline Setter noPreconditioner() {
    return [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetNoPreconditioner(h, p, nullptr); };
}
inline Setter cg() {
    return [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetCgSolver(h, p, nullptr); };
}
inline Setter bicgstab() {
    return [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetBicgstabSolver(h, p, nullptr); };
}
inline Setter gmres() {
    return [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetGmresSolver(h, p, nullptr); };
}

// Matrix-free data: y = 2 x.
inline void doubling(char, const double* x, double* y, void* user) {
    const int n = *static_cast<const int*>(user);
    for (int i = 0; i < n; ++i) y[i] = 2.0 * x[i];
}

// One handle and one plan holding a system, x and b.
class PlanFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(kyraSparseCreate(&handle), kyraSparseNoError);
        ASSERT_EQ(kyraSparseCreatePlan(handle, &plan), kyraSparseNoError);
        ASSERT_EQ(kyraSparseConfigInit(handle, &config), kyraSparseNoError);
        config.relativeTolerance = 1e-8;
        config.maxIterations = 5000;
    }
    void TearDown() override {
        EXPECT_EQ(kyraSparseDestroyPlan(plan), kyraSparseNoError);
        EXPECT_EQ(kyraSparseDestroy(handle), kyraSparseNoError);
    }

    std::string lastStatus() {
        char text[1024];
        EXPECT_EQ(kyraSparseGetLastStatusString(handle, text, sizeof text), kyraSparseNoError);
        return text;
    }

    // Sets the system with b = A * ones and a zero start; the plan keeps
    // borrowing s, x and b.
    void setSystem(const SolveSystem& s) {
        system = &s;
        std::vector<double> ones(s.n, 1.0);
        b.assign(s.n, 0.0);
        for (int i = 0; i < s.n; ++i) {
            for (int p = s.rowPtr[i]; p < s.rowPtr[i + 1]; ++p) b[i] += s.val[p] * ones[s.colInd[p]];
        }
        x.assign(s.n, 0.0);
        ASSERT_EQ(kyraSparseSetDcsrData(handle, plan, nullptr, s.n, s.nnz(), s.val.data(), s.rowPtr.data(),
                                        s.colInd.data(), x.data(), b.data()),
                  kyraSparseNoError);
    }

    // Runs the solve from zero and checks the true residual independently.
    kyraSparseResult solve() {
        std::fill(x.begin(), x.end(), 0.0);
        kyraSparseResult result{};
        EXPECT_EQ(kyraSparseExecutePlan(handle, plan, &config, &result), kyraSparseNoError) << lastStatus();
        EXPECT_LE(system->trueRelativeResidual(x, b), 10 * config.relativeTolerance);
        return result;
    }

    // Iteration counts without and with the preconditioner for one solver.
    std::pair<int, int> iterationsWithoutAndWith(const Setter& solver, const Setter& preconditioner) {
        EXPECT_EQ(solver(handle, plan), kyraSparseNoError);
        EXPECT_EQ(noPreconditioner()(handle, plan), kyraSparseNoError);
        const int plain = solve().iterations;
        EXPECT_EQ(preconditioner(handle, plan), kyraSparseNoError) << lastStatus();
        const int preconditioned = solve().iterations;
        return {plain, preconditioned};
    }

    // With matrix-free data the preconditioner set by `preconditioner`
    // fails at execution with status 6 and `text`; the same plan then
    // solves without a preconditioner.
    void expectMatrixFreeRefusal(const Setter& solver, const Setter& preconditioner,
                                 const std::string& text) {
        int n = 4;
        std::vector<double> xs(n, 0.0);
        std::vector<double> bs(n, 2.0);
        ASSERT_EQ(kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, doubling, &n, xs.data(), bs.data()),
                  kyraSparseNoError);
        ASSERT_EQ(solver(handle, plan), kyraSparseNoError);
        ASSERT_EQ(preconditioner(handle, plan), kyraSparseNoError);
        kyraSparseResult result{};
        EXPECT_EQ(kyraSparseExecutePlan(handle, plan, &config, &result), kyraSparseFeatureNotImplemented);
        EXPECT_EQ(lastStatus(), "feature not implemented: " + text);

        ASSERT_EQ(kyraSparseSetNoPreconditioner(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(kyraSparseExecutePlan(handle, plan, &config, &result), kyraSparseNoError) << lastStatus();
        for (double v : xs) EXPECT_NEAR(v, 1.0, 1e-12);
    }

    kyraSparseHandle handle = nullptr;
    kyraSparsePlan plan = nullptr;
    kyraSparseConfig config{};
    const SolveSystem* system = nullptr;
    std::vector<double> x;
    std::vector<double> b;
};

}  // namespace pctest

#endif
