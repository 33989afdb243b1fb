#ifndef KYRA_TESTS_SOLVER_SOLVERTESTSUPPORT_H
#define KYRA_TESTS_SOLVER_SOLVERTESTSUPPORT_H

// Shared pieces of the solver tests: the methods as a table, the test
// systems, a diagonal preconditioner that counts its applications, and a
// runner that drives single runs the way plan execution does.

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/PublicSolve.h"
#include "core/Context.h"
#include "core/Options.h"
#include "matrix/HostVector.h"
#include "platform/HostPlatform.h"
#include "preconditioner/NoPreconditioner.h"
#include "solver/Bicg.h"
#include "solver/Bicgstab.h"
#include "solver/Bicgstabl.h"
#include "solver/Cg.h"
#include "solver/Gmres.h"
#include "solver/Minres.h"

namespace solvertest {

using namespace Iterative;

// How a method applies M: to x's update (right), to the residual it
// minimises (left) or symmetrically (split).
enum class Side { Right, Left, Split };

// One method with its options: built directly, or set on a plan.
struct Method {
    std::string name;  // the plan's solver text
    std::function<std::unique_ptr<Solver>()> make;
    Setter set;
    Side side;
    bool hermitian;  // needs a Hermitian system (CG, MINRES)
};

template <typename S, typename Options>
Method method(std::string name, kyraSparseStatus (*setter)(kyraSparseHandle, kyraSparsePlan, const Options*),
              std::decay_t<Options> opts, Side side, bool hermitian = false) {
    return {name, [opts] { return std::unique_ptr<Solver>(new S(&opts)); }, with(setter, opts), side,
            hermitian};
}
inline Method cg() { return method<Cg>("cg", kyraSparseSetCgSolver, {}, Side::Split, true); }
inline Method bicg(int transpose = 0) {
    return method<Bicg>("bicg", kyraSparseSetBicgSolver, {transpose}, Side::Split);
}
inline Method bicgstab() {
    return method<Bicgstab>("bicgstab", kyraSparseSetBicgstabSolver, {}, Side::Right);
}
inline Method bicgstabl(int l) {
    return method<Bicgstabl>("bicgstabl(" + std::to_string(l) + ")", kyraSparseSetBicgstablSolver, {l},
                             Side::Right);
}
inline Method gmres(int m) {
    return method<Gmres>("gmres(" + std::to_string(m) + ")", kyraSparseSetGmresSolver, {m}, Side::Left);
}
inline Method minres() { return method<Minres>("minres", kyraSparseSetMinresSolver, {}, Side::Split, true); }

// Relative accuracy a solve in T can be asked for.
template <typename T>
double solveTolerance() {
    return std::is_same<kyra::Real<T>, float>::value ? 1e-5 : 1e-10;
}

// ---------------------------------------------------------------- systems

// 2-D convection-diffusion, upwind in x: nonsymmetric, and for the complex
// types with complex couplings and diagonal.
template <typename T>
Csr<T> convectionDiffusion(int g, double peclet = 20.0) {
    const double h = 1.0 / (g + 1);
    return fivePoint<T>(g, scalar<T>(-1.0, 0.3), scalar<T>(-1.0 - peclet * h, 0.6),
                        scalar<T>(4.0 + peclet * h, 1.5), scalar<T>(-1.0, -0.6), scalar<T>(-1.0, 0.2));
}

// 2-D Laplacian minus shift I: symmetric (real) or Hermitian (complex: the
// x-couplings carry a phase). Its eigenvalues lie in (0, 8) - shift, so a
// shift inside that range makes it indefinite.
template <typename T>
Csr<T> laplacian(int g, double shift = 0.0) {
    const double c = kyra::IsComplex<T>::value ? std::cos(0.3) : 1.0, s = std::sqrt(1 - c * c);
    return fivePoint<T>(g, scalar<T>(-1.0), scalar<T>(-c, -s), scalar<T>(4.0 - shift), scalar<T>(-c, s),
                        scalar<T>(-1.0));
}

// The natural test system of a method on a g x g grid.
template <typename T>
Csr<T> systemFor(const Method& m, int g, double shift = 0.0) {
    return m.hermitian ? laplacian<T>(g, shift) : convectionDiffusion<T>(g);
}

template <typename T>
Csr<T> diagonal(const std::vector<double>& d) {
    std::vector<Entry<T>> e;
    for (std::size_t i = 0; i < d.size(); ++i) e.push_back({int(i), int(i), scalar<T>(d[i])});
    return Csr<T>(static_cast<int>(d.size()), e);
}

// A system whose iterate cannot move any more: base plus one decoupled
// unknown with coefficient 2^-100 whose initial guess 2^100 is exact. Every
// step on the base part is below the rounding of |x|.
template <typename T>
struct StagnatingSystem {
    Csr<T> A;
    std::vector<T> b, x0;
};
template <typename T>
StagnatingSystem<T> stagnating(const Csr<T>& base) {
    std::vector<Entry<T>> e = base.entries();
    e.push_back({base.n(), base.n(), scalar<T>(std::ldexp(1.0, -100))});
    std::vector<T> b = rightHandSide(base, smoothSolution<T>(base.n())), x0(base.n() + 1);
    b.push_back(scalar<T>(1.0));
    x0.back() = scalar<T>(std::ldexp(1.0, 100));
    return {Csr<T>(base.n() + 1, e), b, x0};
}

// ---------------------------------------------------------- test operators

// M = diag(d): applies d^-1, or conj(d)^-1 for the conjugate transpose, and
// counts its applications. Host vectors only.
template <typename S>
class DiagonalPreconditioner : public Preconditioner {
  public:
    explicit DiagonalPreconditioner(std::vector<S> d) : d_(std::move(d)) {}
    std::string name() const override { return "test diagonal"; }
    void parameterCheck() const override {}
    int applications() const { return applications_; }

  protected:
    KYRA_PRECONDITIONER_SLOTS

  private:
    template <typename T>
    void generate_(const Context&, const Platform&, const Matrix<T>&) {}

    template <typename T>
    void apply_(TransOp op, const Vector<T>& in, Vector<T>& out) const {
        if constexpr (std::is_same<T, S>::value) {
            ++applications_;
            for (int i = 0; i < in.n(); ++i)
                out.val()[i] = in.val()[i] / (op == TransOp::NoTrans ? d_[i] : kyra::conj(d_[i]));
        }
    }

    std::vector<S> d_;
    mutable int applications_ = 0;
};

// ------------------------------------------------------------------ runner

template <typename T>
struct Outcome {
    kyraSparseFlag flag = kyraSparseUnknownIterationError;
    kyraSparseResult result{};
    std::vector<T> x;
    std::vector<double> history;  // entries never written keep kUnwritten
};

constexpr double kUnwritten = -12345.0;

inline kyraSparseConfig configWith(double relativeTolerance, int maxIterations) {
    kyraSparseConfig config;
    SetDefault(config);
    config.relativeTolerance = relativeTolerance;
    config.maxIterations = maxIterations;
    return config;
}

// Drives single runs on the host as plan execution does: a fresh result
// record with a copy of the configuration, beginRun, then details until a
// flag is thrown. Without x0 the run starts from a zero guess (x holds other
// values before).
class Runner {
  public:
    template <typename T>
    Outcome<T> run(Solver& solver, const Csr<T>& A, const std::vector<T>& b, kyraSparseConfig config,
                   const Preconditioner* M = nullptr, const std::vector<T>* x0 = nullptr) {
        Outcome<T> out;
        out.x = x0 ? *x0 : std::vector<T>(b.size(), scalar<T>(7.0, 3.0));
        config.useInitialGuess = x0 != nullptr;
        out.history.assign(static_cast<std::size_t>(std::max(config.maxIterations, 0)) + 2, kUnwritten);
        config.residualVector = out.history.data();
        out.result.config = config;
        const int n = static_cast<int>(b.size());
        HostVectorRef<T> x(n, out.x.data());
        const HostVectorRef<T> bVector(n, b.data());
        solver.beginRun(context_, out.result.config, out.result);
        try {
            solver.details(platform_, M ? *M : none_, A.matrix(), bVector, x);
            ADD_FAILURE() << solver.name() << " returned without a flag";
        } catch (kyraSparseFlag flag) {
            out.flag = flag;
        }
        return out;
    }

  private:
    Context context_;
    HostPlatform platform_{context_, nullptr};
    NoPreconditioner none_{nullptr};
};

}  // namespace solvertest

#endif
