#ifndef KYRA_TESTS_SOLVER_SOLVERTESTSUPPORT_H
#define KYRA_TESTS_SOLVER_SOLVERTESTSUPPORT_H

// Shared pieces of the solver tests: the test systems, a test preconditioner
// and a matrix that count their use, and a runner that drives one solver run
// on the host platform the way plan execution does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <type_traits>
#include <vector>

#include "common/DenseReference.h"
#include "common/TestMatrices.h"
#include "core/Context.h"
#include "core/Options.h"
#include "kyraSparse.h"
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

using RealTypes = ::testing::Types<float, double>;

// Relative accuracy a solve in T can be asked for.
template <typename T>
double solveTolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-5 : 1e-10;
}

// ---------------------------------------------------------------- systems

// 2-D convection-diffusion on a g x g grid, upwind in x: nonsymmetric. For
// the complex types the diagonal gets an imaginary part as well.
template <typename T>
Csr<T> convectionDiffusion(int g, double peclet = 20.0) {
    const double h = 1.0 / (g + 1);
    std::vector<Entry<T>> e;
    for (int k = 0; k < g * g; ++k) {
        const int j = k % g;
        if (k >= g) e.push_back({k, k - g, scalar<T>(-1.0)});
        if (j > 0) e.push_back({k, k - 1, scalar<T>(-1.0 - peclet * h, 0.1)});
        e.push_back({k, k, scalar<T>(4.0 + peclet * h, 0.5)});
        if (j + 1 < g) e.push_back({k, k + 1, scalar<T>(-1.0, -0.1)});
        if (k + g < g * g) e.push_back({k, k + g, scalar<T>(-1.0)});
    }
    return Csr<T>(g * g, e);
}

// 2-D 5-point Laplacian minus shift I on a g x g grid: symmetric (real) or
// Hermitian (complex: the x-couplings carry a phase). Its eigenvalues lie in
// (0, 8) - shift, so a shift inside that range makes it indefinite.
template <typename T>
Csr<T> laplacian(int g, double shift = 0.0) {
    const bool complex = kyra::IsComplex<T>::value;
    const double c = complex ? std::cos(0.3) : 1.0;
    const double s = complex ? std::sin(0.3) : 0.0;
    std::vector<Entry<T>> e;
    for (int k = 0; k < g * g; ++k) {
        const int j = k % g;
        if (k >= g) e.push_back({k, k - g, scalar<T>(-1.0)});
        if (j > 0) e.push_back({k, k - 1, scalar<T>(-c, -s)});
        e.push_back({k, k, scalar<T>(4.0 - shift)});
        if (j + 1 < g) e.push_back({k, k + 1, scalar<T>(-c, s)});
        if (k + g < g * g) e.push_back({k, k + g, scalar<T>(-1.0)});
    }
    return Csr<T>(g * g, e);
}

// Skew-symmetric: <v, A v> = 0 for every real v.
template <typename T>
Csr<T> skewPair() {
    return Csr<T>(2, {{0, 1, scalar<T>(1.0)}, {1, 0, scalar<T>(-1.0)}});
}

template <typename T>
Csr<T> diagonal(const std::vector<double>& d) {
    std::vector<Entry<T>> e;
    for (std::size_t i = 0; i < d.size(); ++i) e.push_back({int(i), int(i), scalar<T>(d[i])});
    return Csr<T>(static_cast<int>(d.size()), e);
}

// A system whose iterate cannot move any more: base plus one decoupled
// unknown with coefficient 2^-100 whose initial guess 2^100 is exact. Every
// step on the base part is below the rounding of |x|, while the residual
// is that of the base part alone.
template <typename T>
struct StagnatingSystem {
    explicit StagnatingSystem(const Csr<T>& base)
        : A(base.n() + 1, withDecoupledUnknown(base)),
          b(rightHandSide(base, smoothSolution<T>(base.n()))),
          x0(base.n() + 1, T(0)) {
        b.push_back(scalar<T>(1.0));
        x0.back() = scalar<T>(std::ldexp(1.0, 100));
    }
    static std::vector<Entry<T>> withDecoupledUnknown(const Csr<T>& base) {
        std::vector<Entry<T>> e = base.entries();
        e.push_back({base.n(), base.n(), scalar<T>(std::ldexp(1.0, -100))});
        return e;
    }
    Csr<T> A;
    std::vector<T> b;
    std::vector<T> x0;
};

// ---------------------------------------------------------- test operators

// M = diag(d): applies d^-1, or conj(d)^-1 for the conjugate transpose, and
// counts its applications.
template <typename S>
class DiagonalPreconditioner : public Iterative::Preconditioner {
  public:
    explicit DiagonalPreconditioner(std::vector<S> d) : d_(std::move(d)) {}
    // The diagonal of A, with moduli taken when positive definiteness is
    // needed (a symmetric indefinite A).
    static DiagonalPreconditioner fromMatrix(const Csr<S>& A, bool modulus = false) {
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
            for (int i = 0; i < in.n(); ++i)
                out.val()[i] = in.val()[i] / (op == TransOp::NoTrans ? d_[i] : kyra::conj(d_[i]));
        } else {
            ADD_FAILURE() << "preconditioner applied to another scalar type";
        }
    }

    std::vector<S> d_;
    mutable int applications_ = 0;
};

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

inline kyraSparseConfig configWith(double relativeTolerance = -1, int maxIterations = -1) {
    kyraSparseConfig config;
    Iterative::SetDefault(config);
    if (relativeTolerance > 0) config.relativeTolerance = relativeTolerance;
    if (maxIterations >= 0) config.maxIterations = maxIterations;
    return config;
}

// Drives single runs as plan execution does: a fresh result record with a
// copy of the configuration, beginRun, then details until a flag is thrown.
// Without x0 the run starts from a zero guess (x holds other values before).
class Runner {
  public:
    template <typename T>
    Outcome<T> run(Iterative::Solver& solver, const Matrix<T>& A, const std::vector<T>& b,
                   kyraSparseConfig config = configWith(), const Preconditioner* M = nullptr,
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
    Outcome<T> run(Iterative::Solver& solver, const Csr<T>& A, const std::vector<T>& b,
                   kyraSparseConfig config = configWith(), const Preconditioner* M = nullptr,
                   const std::vector<T>* x0 = nullptr) {
        return run(solver, static_cast<const Matrix<T>&>(A.matrix()), b, config, M, x0);
    }

  private:
    Iterative::Context context_;
    Iterative::HostPlatform platform_{context_, nullptr};
    Iterative::NoPreconditioner none_{nullptr};
};

}  // namespace solvertest

#endif
