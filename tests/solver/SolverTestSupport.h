#ifndef KYRA_TESTS_SOLVER_SOLVERTESTSUPPORT_H
#define KYRA_TESTS_SOLVER_SOLVERTESTSUPPORT_H

// Shared pieces of the solver tests: small sparse systems built in the test,
// an independent residual and dense solve in double precision, test
// preconditioners, a product-counting matrix, and a runner that drives one
// solver run on the host platform the way plan execution does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

#include "api/Options.h"
#include "core/Complex.h"
#include "core/Context.h"
#include "core/Exception.h"
#include "kyraSparse.h"
#include "matrix/HostCsrMatrix.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/NoPreconditioner.h"
#include "preconditioner/Preconditioner.h"
#include "solver/Solver.h"

namespace solvertest {

using Iterative::Context;
using Iterative::Matrix;
using Iterative::Platform;
using Iterative::Preconditioner;
using Iterative::TransOp;
using Iterative::Vector;

using ScalarTypes = ::testing::Types<float, double, kyra::Complex<float>, kyra::Complex<double>>;
using RealTypes = ::testing::Types<float, double>;

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

template <typename T>
T narrow(const Wide<T>& v) {
    if constexpr (kyra::IsComplex<T>::value) {
        using R = kyra::Real<T>;
        return {static_cast<R>(v.re), static_cast<R>(v.im)};
    } else {
        return static_cast<T>(v);
    }
}

// A value with real part re and imaginary part im (dropped for real types).
template <typename T>
T scalar(double re, double im = 0.0) {
    if constexpr (kyra::IsComplex<T>::value) {
        return narrow<T>(kyra::Complex<double>(re, im));
    } else {
        return static_cast<T>(re);
    }
}

template <typename T>
bool isComplex() {
    return kyra::IsComplex<T>::value;
}

// Relative accuracy a solve in T can be asked for.
template <typename T>
double solveTolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-5 : 1e-10;
}

template <typename T>
struct Entry {
    int row;
    int col;
    T value;
};

// A square sparse system as zero-based CSR arrays, built from entries.
template <typename T>
class SparseMatrix {
  public:
    SparseMatrix(int n, std::vector<Entry<T>> entries) : n_(n), rowPtr_(n + 1, 0) {
        std::sort(entries.begin(), entries.end(), [](const Entry<T>& a, const Entry<T>& b) {
            return a.row != b.row ? a.row < b.row : a.col < b.col;
        });
        for (const Entry<T>& e : entries) {
            ++rowPtr_[e.row + 1];
            colInd_.push_back(e.col);
            val_.push_back(e.value);
        }
        for (int i = 0; i < n; ++i) rowPtr_[i + 1] += rowPtr_[i];
        csr_ = std::make_shared<Iterative::HostCsrMatrixRef<T>>(
            n, n, nnz(), val_.data(), rowPtr_.data(), colInd_.data(), Iterative::IndexType::ZeroBased);
    }

    // Moves keep the arrays (and so the CSR view on them); copies would not.
    SparseMatrix(const SparseMatrix&) = delete;
    SparseMatrix& operator=(const SparseMatrix&) = delete;
    SparseMatrix(SparseMatrix&&) = default;
    SparseMatrix& operator=(SparseMatrix&&) = default;

    int n() const { return n_; }
    int nnz() const { return static_cast<int>(val_.size()); }
    const Matrix<T>& matrix() const { return *csr_; }
    const std::vector<T>& val() const { return val_; }
    const std::vector<int>& rowPtr() const { return rowPtr_; }
    const std::vector<int>& colInd() const { return colInd_; }

    T at(int i, int j) const {
        for (int k = rowPtr_[i]; k < rowPtr_[i + 1]; ++k) {
            if (colInd_[k] == j) return val_[k];
        }
        return T(0);
    }

    // A x in double precision, by plain loops over the arrays.
    std::vector<Wide<T>> multiply(const std::vector<T>& x) const {
        std::vector<Wide<T>> y(n_);
        for (int i = 0; i < n_; ++i) {
            Wide<T> sum(0);
            for (int k = rowPtr_[i]; k < rowPtr_[i + 1]; ++k) sum += widen(val_[k]) * widen(x[colInd_[k]]);
            y[i] = sum;
        }
        return y;
    }

  private:
    int n_;
    std::vector<int> rowPtr_;
    std::vector<int> colInd_;
    std::vector<T> val_;
    std::shared_ptr<Iterative::HostCsrMatrixRef<T>> csr_;
};

template <typename T>
double norm(const std::vector<T>& v) {
    double sum = 0.0;
    for (const T& e : v) {
        const double a = kyra::abs(widen(e));
        sum += a * a;
    }
    return std::sqrt(sum);
}

// |b - A x|, computed independently of the library in double precision.
template <typename T>
double trueResidual(const SparseMatrix<T>& A, const std::vector<T>& b, const std::vector<T>& x) {
    const std::vector<Wide<T>> Ax = A.multiply(x);
    double sum = 0.0;
    for (std::size_t i = 0; i < b.size(); ++i) {
        const double ri = kyra::abs(widen(b[i]) - Ax[i]);
        sum += ri * ri;
    }
    return std::sqrt(sum);
}

// b = A x* for a known x*.
template <typename T>
std::vector<T> rightHandSide(const SparseMatrix<T>& A, const std::vector<T>& xStar) {
    const std::vector<Wide<T>> Ax = A.multiply(xStar);
    std::vector<T> b(Ax.size());
    for (std::size_t i = 0; i < b.size(); ++i) b[i] = narrow<T>(Ax[i]);
    return b;
}

// A smooth solution with a different value in every entry.
template <typename T>
std::vector<T> knownSolution(int n) {
    std::vector<T> x(n);
    for (int i = 0; i < n; ++i) x[i] = scalar<T>(1.0 + std::sin(0.37 * i), 0.5 * std::cos(0.21 * i));
    return x;
}

// Dense solution of A x = b by Gaussian elimination with partial pivoting,
// in double precision.
template <typename T>
std::vector<Wide<T>> denseSolve(const SparseMatrix<T>& A, const std::vector<T>& b) {
    const int n = A.n();
    std::vector<std::vector<Wide<T>>> a(n, std::vector<Wide<T>>(n + 1));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) a[i][j] = widen(A.at(i, j));
        a[i][n] = widen(b[i]);
    }
    for (int k = 0; k < n; ++k) {
        int pivot = k;
        for (int i = k + 1; i < n; ++i) {
            if (kyra::abs(a[i][k]) > kyra::abs(a[pivot][k])) pivot = i;
        }
        std::swap(a[k], a[pivot]);
        for (int i = k + 1; i < n; ++i) {
            const Wide<T> f = a[i][k] / a[k][k];
            for (int j = k; j <= n; ++j) a[i][j] -= f * a[k][j];
        }
    }
    std::vector<Wide<T>> x(n);
    for (int i = n - 1; i >= 0; --i) {
        Wide<T> sum = a[i][n];
        for (int j = i + 1; j < n; ++j) sum -= a[i][j] * x[j];
        x[i] = sum / a[i][i];
    }
    return x;
}

// ---------------------------------------------------------------- systems

// 2-D convection-diffusion on a g x g grid, upwind in x: nonsymmetric. For
// the complex types the diagonal gets an imaginary part as well.
template <typename T>
SparseMatrix<T> convectionDiffusion(int g, double peclet = 20.0) {
    const double h = 1.0 / (g + 1);
    std::vector<Entry<T>> e;
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            const int k = i * g + j;
            e.push_back({k, k, scalar<T>(4.0 + peclet * h, 0.5)});
            if (j > 0) e.push_back({k, k - 1, scalar<T>(-1.0 - peclet * h, 0.1)});
            if (j + 1 < g) e.push_back({k, k + 1, scalar<T>(-1.0, -0.1)});
            if (i > 0) e.push_back({k, k - g, scalar<T>(-1.0)});
            if (i + 1 < g) e.push_back({k, k + g, scalar<T>(-1.0)});
        }
    }
    return SparseMatrix<T>(g * g, e);
}

// 2-D 5-point Laplacian minus shift I on a g x g grid: symmetric (real) or
// Hermitian (complex: the x-couplings carry a phase). Its eigenvalues lie in
// (0, 8) - shift, so a shift inside that range makes it indefinite.
template <typename T>
SparseMatrix<T> laplacian(int g, double shift = 0.0) {
    const double c = std::cos(0.3);
    const double s = std::sin(0.3);
    std::vector<Entry<T>> e;
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            const int k = i * g + j;
            e.push_back({k, k, scalar<T>(4.0 - shift)});
            if (j > 0) e.push_back({k, k - 1, isComplex<T>() ? scalar<T>(-c, -s) : scalar<T>(-1.0)});
            if (j + 1 < g) e.push_back({k, k + 1, isComplex<T>() ? scalar<T>(-c, s) : scalar<T>(-1.0)});
            if (i > 0) e.push_back({k, k - g, scalar<T>(-1.0)});
            if (i + 1 < g) e.push_back({k, k + g, scalar<T>(-1.0)});
        }
    }
    return SparseMatrix<T>(g * g, e);
}

// Skew-symmetric: <v, A v> = 0 for every real v.
template <typename T>
SparseMatrix<T> skewPair() {
    return SparseMatrix<T>(2, {{0, 1, scalar<T>(1.0)}, {1, 0, scalar<T>(-1.0)}});
}

template <typename T>
SparseMatrix<T> diagonal(const std::vector<double>& d) {
    std::vector<Entry<T>> e;
    for (std::size_t i = 0; i < d.size(); ++i) e.push_back({int(i), int(i), scalar<T>(d[i])});
    return SparseMatrix<T>(static_cast<int>(d.size()), e);
}

// A real Matrix Market coordinate file, both triangles for symmetric ones.
inline SparseMatrix<double> readMatrixMarket(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    const bool symmetric = line.find("symmetric") != std::string::npos;
    while (std::getline(in, line) && line[0] == '%') {
    }
    std::istringstream size(line);
    int rows = 0, cols = 0, count = 0;
    size >> rows >> cols >> count;
    std::vector<Entry<double>> e;
    for (int k = 0; k < count; ++k) {
        int i = 0, j = 0;
        double v = 0.0;
        in >> i >> j >> v;
        e.push_back({i - 1, j - 1, v});
        if (symmetric && i != j) e.push_back({j - 1, i - 1, v});
    }
    return SparseMatrix<double>(rows, e);
}

// A system whose iterate cannot move any more: base plus one decoupled
// unknown with coefficient 2^-100 whose initial guess 2^100 is exact. Every
// step on the base part is below the rounding of |x|, while the residual
// is that of the base part alone.
template <typename T>
struct StagnatingSystem {
    SparseMatrix<T> A;
    std::vector<T> b;
    std::vector<T> x0;
};

template <typename T>
StagnatingSystem<T> stagnatingSystem(const SparseMatrix<T>& base) {
    const int n = base.n();
    std::vector<Entry<T>> e;
    for (int i = 0; i < n; ++i) {
        for (int k = base.rowPtr()[i]; k < base.rowPtr()[i + 1]; ++k)
            e.push_back({i, base.colInd()[k], base.val()[k]});
    }
    e.push_back({n, n, scalar<T>(std::ldexp(1.0, -100))});
    std::vector<T> b = rightHandSide(base, knownSolution<T>(n));
    b.push_back(scalar<T>(1.0));
    std::vector<T> x0(n + 1, T(0));
    x0[n] = scalar<T>(std::ldexp(1.0, 100));
    return {SparseMatrix<T>(n + 1, e), b, x0};
}

// ---------------------------------------------------------- test operators

// M = diag(d): applies d^-1, or conj(d)^-1 for the conjugate transpose.
template <typename S>
class DiagonalPreconditioner : public Iterative::Preconditioner {
  public:
    explicit DiagonalPreconditioner(std::vector<S> d) : d_(std::move(d)) {}
    // The diagonal of A, with moduli taken when positive definiteness is
    // needed (a symmetric indefinite A).
    static DiagonalPreconditioner fromMatrix(const SparseMatrix<S>& A, bool modulus = false) {
        std::vector<S> d(A.n());
        for (int i = 0; i < A.n(); ++i) d[i] = modulus ? S(kyra::abs(A.at(i, i))) : A.at(i, i);
        return DiagonalPreconditioner(d);
    }

    std::string name() const override { return "test diagonal"; }
    void parameterCheck() const override {}
    int applications() const { return applications_; }

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Iterative::Context&, const Iterative::Platform&, const Matrix<T>&) {}

    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
        if constexpr (std::is_same<T, S>::value) {
            ++applications_;
            for (int i = 0; i < in.n(); ++i) {
                const S d = op == TransOp::NoTrans ? d_[i] : kyra::conj(d_[i]);
                out.val()[i] = in.val()[i] / d;
            }
        } else {
            ADD_FAILURE() << "preconditioner applied to another scalar type";
        }
    }

    std::vector<S> d_;
    mutable int applications_ = 0;
};

// A run without preconditioner (null) and one with M.
inline std::vector<const Preconditioner*> withoutAndWith(const Preconditioner& M) { return {nullptr, &M}; }

// Forwards products to another matrix and counts them.
template <typename T>
class CountingMatrix : public Matrix<T> {
  public:
    explicit CountingMatrix(const Matrix<T>& inner) : inner_(inner) {}
    int m() const override { return inner_.m(); }
    int n() const override { return inner_.n(); }
    Iterative::PlatformType platform() const override { return inner_.platform(); }
    std::string name() const override { return inner_.name(); }
    void mvm_(TransOp op, T alpha, const Vector<T>& x, T beta, Vector<T>& y) const override {
        ++(op == TransOp::NoTrans ? products : adjointProducts);
        inner_.mvm_(op, alpha, x, beta, y);
    }
    typename Matrix<T>::Pointer transpose_(bool conjugate) const override {
        return inner_.transpose_(conjugate);
    }

    mutable int products = 0;
    mutable int adjointProducts = 0;

  private:
    const Matrix<T>& inner_;
};

// ------------------------------------------------------------------ runner

template <typename T>
struct Outcome {
    kyraSparseFlag flag = kyraSparseUnknownIterationError;
    kyraSparseResult result{};
    std::vector<T> x;
    // Entries 0..maxIterations+1; entries never written keep kUnwritten.
    std::vector<double> history;
};

constexpr double kUnwritten = -12345.0;

inline kyraSparseConfig defaultConfig() {
    kyraSparseConfig config;
    Iterative::SetDefault(config);
    return config;
}

// Drives single runs as plan execution does: a fresh result record with a
// copy of the configuration, beginRun, then details until a flag is thrown.
class Runner {
  public:
    template <typename T>
    Outcome<T> run(Iterative::Solver& solver, const Matrix<T>& A, const std::vector<T>& b,
                   kyraSparseConfig config = defaultConfig(), const Iterative::Preconditioner* M = nullptr,
                   const std::vector<T>* x0 = nullptr) {
        Outcome<T> out;
        out.x = x0 ? *x0 : std::vector<T>(b.size(), scalar<T>(7.0, 3.0));
        config.useInitialGuess = x0 != nullptr;
        out.history.assign(static_cast<std::size_t>(std::max(config.maxIterations, 0)) + 2, kUnwritten);
        config.residualVector = out.history.data();
        out.result.config = config;
        out.result.residualVector = config.residualVector;

        const int n = static_cast<int>(b.size());
        Iterative::HostVectorRef<T> xVector(n, out.x.data());
        const Iterative::HostVectorRef<T> bVector(n, b.data());
        solver.beginRun(context_, out.result.config, out.result);
        try {
            solver.details(platform_, M ? *M : none_, A, bVector, xVector);
            ADD_FAILURE() << solver.name() << " returned without a flag";
        } catch (kyraSparseFlag flag) {
            out.flag = flag;
        }
        return out;
    }

    template <typename T>
    Outcome<T> run(Iterative::Solver& solver, const SparseMatrix<T>& A, const std::vector<T>& b,
                   kyraSparseConfig config = defaultConfig(), const Iterative::Preconditioner* M = nullptr,
                   const std::vector<T>* x0 = nullptr) {
        return run(solver, A.matrix(), b, config, M, x0);
    }

  private:
    Iterative::Context context_;
    Iterative::HostPlatform platform_{context_, nullptr};
    Iterative::NoPreconditioner none_{nullptr};
};

inline kyraSparseConfig configWith(double relativeTolerance, int maxIterations) {
    kyraSparseConfig config = defaultConfig();
    config.relativeTolerance = relativeTolerance;
    config.maxIterations = maxIterations;
    return config;
}

// The status and message a parameter check raises.
template <typename F>
std::pair<int, std::string> statusOf(F&& f) {
    try {
        f();
    } catch (const Iterative::KyraSparseException& e) {
        return {e.code(), e.what()};
    }
    return {0, ""};
}

// ------------------------------------------------------- public interface

// The public CSR data setter of T's precision (zero-based arrays).
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, int n, int nnz, const float* a,
                                   const int* rowPtr, const int* colInd, float* x, const float* b) {
    return kyraSparseSetScsrData(h, p, nullptr, n, nnz, a, rowPtr, colInd, x, b);
}
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, int n, int nnz, const double* a,
                                   const int* rowPtr, const int* colInd, double* x, const double* b) {
    return kyraSparseSetDcsrData(h, p, nullptr, n, nnz, a, rowPtr, colInd, x, b);
}
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, int n, int nnz,
                                   const kyra::Complex<float>* a, const int* rowPtr, const int* colInd,
                                   kyra::Complex<float>* x, const kyra::Complex<float>* b) {
    using C = kyraSparseComplexFloat;
    return kyraSparseSetCcsrData(h, p, nullptr, n, nnz, reinterpret_cast<const C*>(a), rowPtr, colInd,
                                 reinterpret_cast<C*>(x), reinterpret_cast<const C*>(b));
}
inline kyraSparseStatus setCsrData(kyraSparseHandle h, kyraSparsePlan p, int n, int nnz,
                                   const kyra::Complex<double>* a, const int* rowPtr, const int* colInd,
                                   kyra::Complex<double>* x, const kyra::Complex<double>* b) {
    using C = kyraSparseComplexDouble;
    return kyraSparseSetZcsrData(h, p, nullptr, n, nnz, reinterpret_cast<const C*>(a), rowPtr, colInd,
                                 reinterpret_cast<C*>(x), reinterpret_cast<const C*>(b));
}

// What one public solve left behind.
template <typename T>
struct PublicSolve {
    kyraSparseStatus setterStatus = kyraSparseNoError;
    kyraSparseStatus status = kyraSparseNoError;
    kyraSparseResult result{};
    std::string lastStatus;
    std::string solverName;
    std::vector<T> x;
};

// One solve through the public interface: handle, plan, solver setter,
// CSR data, execution with the default configuration but tolerance.
template <typename T, typename SetSolver>
PublicSolve<T> solvePublicly(const SparseMatrix<T>& A, const std::vector<T>& b, SetSolver setSolver,
                             double relativeTolerance) {
    PublicSolve<T> out;
    out.x.assign(b.size(), T(0));
    kyraSparseHandle handle = nullptr;
    kyraSparsePlan plan = nullptr;
    EXPECT_EQ(kyraSparseCreate(&handle), kyraSparseNoError);
    EXPECT_EQ(kyraSparseCreatePlan(handle, &plan), kyraSparseNoError);
    char text[256];
    out.setterStatus = setSolver(handle, plan);
    if (out.setterStatus == kyraSparseNoError) {
        EXPECT_EQ(setCsrData(handle, plan, A.n(), A.nnz(), A.val().data(), A.rowPtr().data(),
                             A.colInd().data(), out.x.data(), b.data()),
                  kyraSparseNoError);
        kyraSparseConfig config;
        EXPECT_EQ(kyraSparseConfigInit(handle, &config), kyraSparseNoError);
        config.relativeTolerance = relativeTolerance;
        out.status = kyraSparseExecutePlan(handle, plan, &config, &out.result);
        EXPECT_EQ(kyraSparseGetPlanSolverString(handle, plan, text, sizeof text), kyraSparseNoError);
        out.solverName = text;
    }
    EXPECT_EQ(kyraSparseGetLastStatusString(handle, text, sizeof text), kyraSparseNoError);
    out.lastStatus = text;
    EXPECT_EQ(kyraSparseDestroyPlan(plan), kyraSparseNoError);
    EXPECT_EQ(kyraSparseDestroy(handle), kyraSparseNoError);
    return out;
}

}  // namespace solvertest

#endif
