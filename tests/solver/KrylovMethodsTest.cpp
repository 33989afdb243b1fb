// What every Krylov method owes, checked method by method from one table:
// solves to the true residual in the four scalar types (directly and through
// the public interface), breakdowns that leave x where the method promises,
// stagnation counting, products and preconditioner applications per
// iteration, residual-history entries, names and option checks.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SolverTestSupport.h"
#include "common/PublicSolve.h"
#include "solver/Bicg.h"
#include "solver/Bicgstab.h"
#include "solver/Bicgstabl.h"
#include "solver/Gmres.h"
#include "solver/Minres.h"

namespace {

using namespace solvertest;
using namespace Iterative;

// One method with its options: built directly, or set on a plan.
struct Method {
    std::string name;  // the plan's solver text
    std::function<std::unique_ptr<Solver>()> make;
    std::function<kyraSparseStatus(kyraSparseHandle, kyraSparsePlan)> set;
    bool hermitian = false;  // needs a symmetric or Hermitian system (MINRES)
};

template <typename S, typename Options>
Method method(std::string name, Options opts,
              kyraSparseStatus (*setter)(kyraSparseHandle, kyraSparsePlan, const Options*)) {
    return {name, [opts] { return std::unique_ptr<Solver>(new S(&opts)); },
            [opts, setter](kyraSparseHandle h, kyraSparsePlan p) { return setter(h, p, &opts); },
            std::is_same<S, Minres>::value};
}

Method bicg(int explicitTranspose) {
    return method<Bicg>("bicg", kyraSparseBicgOptions{explicitTranspose}, kyraSparseSetBicgSolver);
}
Method bicgstab() {
    return method<Bicgstab>("bicgstab", kyraSparseBicgstabOptions{}, kyraSparseSetBicgstabSolver);
}
Method bicgstabl(int l) {
    return method<Bicgstabl>("bicgstabl(" + std::to_string(l) + ")", kyraSparseBicgstablOptions{l},
                             kyraSparseSetBicgstablSolver);
}
Method gmres(int restart) {
    return method<Gmres>("gmres(" + std::to_string(restart) + ")", kyraSparseGmresOptions{restart},
                         kyraSparseSetGmresSolver);
}
Method minres() { return method<Minres>("minres", kyraSparseMinresOptions{}, kyraSparseSetMinresSolver); }

// The natural test system of a method on a g x g grid.
template <typename T>
Csr<T> systemFor(const Method& m, int g, double shift = 0.0) {
    return m.hermitian ? laplacian<T>(g, shift) : convectionDiffusion<T>(g);
}

template <typename T>
class KrylovMethods : public PublicPlan {};
TYPED_TEST_SUITE(KrylovMethods, ScalarTypes);

// With and without a diagonal preconditioner (positive definite for
// MINRES), and once more through the public interface. Methods whose
// recurrence carries the true residual must report it: BiCGSTAB(l) and
// MINRES. GMRES reports the left-preconditioned residual and gets more room.
TYPED_TEST(KrylovMethods, SolveToTheTrueResidual) {
    using T = TypeParam;
    const double tol = solveTolerance<T>();
    const struct {
        Method m;
        double shift;
        bool reportsTrueResidual;
        double slack;
    } cases[] = {{bicg(0), 0, false, 20},     {bicg(1), 0, false, 20},     {bicgstab(), 0, false, 20},
                 {bicgstabl(1), 0, true, 20}, {bicgstabl(2), 0, true, 20}, {bicgstabl(4), 0, true, 20},
                 {gmres(5), 0, false, 100},   {gmres(20), 0, false, 100},  {minres(), 0.0, true, 20},
                 {minres(), 1.3, true, 20}};
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.m.name << " shift " << c.shift);
        const Csr<T> A = systemFor<T>(c.m, 10, c.shift);
        const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
        const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A, c.m.hermitian);
        for (const Preconditioner* M :
             {static_cast<const Preconditioner*>(nullptr), static_cast<const Preconditioner*>(&jacobi)}) {
            const auto solver = c.m.make();
            const Outcome<T> run = runner.run(*solver, A, b, configWith(tol, c.m.hermitian ? 1000 : 500), M);
            EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached) << "preconditioned " << (M != nullptr);
            EXPECT_GT(run.result.iterations, 1);
            const double truth = trueResidual(A, b, run.x);
            EXPECT_LE(truth, c.slack * tol * norm(b));
            if (c.reportsTrueResidual) {
                EXPECT_NEAR(run.result.absoluteResidual, truth, 10 * tol * norm(b));
            }
        }

        ASSERT_EQ(c.m.set(this->handle, this->plan), kyraSparseNoError) << this->lastStatus();
        std::vector<T> x(A.n(), T(0));
        ASSERT_EQ(this->setData(A, x, b), kyraSparseNoError);
        this->config.relativeTolerance = tol;
        EXPECT_EQ(this->execute(), kyraSparseNoError) << this->lastStatus();
        EXPECT_EQ(this->result.flag, kyraSparseRelativeToleranceReached);
        EXPECT_EQ(this->planText(kyraSparseGetPlanSolverString), c.m.name);
        EXPECT_LE(trueResidual(A, b, x), c.slack * tol * norm(b));
    }
}

// Each case is built to break down before x moves (or, for BiCGSTAB's 1x1
// system, right after discarding the exact half step from x = 0):
// <r~, A r> = 0 for a skew-symmetric A and a real residual; an exact first
// BiCG step leaves R[0] = R[1] = 0 inside a BiCGSTAB(l) cycle; the Krylov
// space of a I is exhausted after one MINRES step (r = (1, ..., 1) keeps the
// rounding exact).
TYPED_TEST(KrylovMethods, BreakdownsLeaveXWhereTheMethodPromises) {
    using T = TypeParam;
    const std::vector<T> guess = {scalar<T>(0.5), scalar<T>(0.25)};
    const std::vector<T> three(1, scalar<T>(3.0));
    const std::vector<T> half(4, scalar<T>(0.5));
    const struct {
        Method m;
        Csr<T> A;
        std::vector<T> b, x0, expected;  // no x0: a zero start
    } cases[] = {
        {bicg(0), skewPair<T>(), {scalar<T>(1.0), scalar<T>(2.0)}, guess, guess},
        {bicgstab(), skewPair<T>(), {scalar<T>(1.0), scalar<T>(2.0)}, guess, guess},
        {bicgstab(), diagonal<T>({2.0}), three, {}, {T(0)}},
        {bicgstabl(1), diagonal<T>({2.0}), {scalar<T>(1.0)}, three, three},
        {bicgstabl(2), diagonal<T>({2.0}), {scalar<T>(1.0)}, three, three},
        {minres(), diagonal<T>({3.0}), {scalar<T>(2.5)}, {half[0]}, {half[0]}},
        {minres(), diagonal<T>({3.0, 3.0, 3.0, 3.0}), std::vector<T>(4, scalar<T>(2.5)), half, half},
    };
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.m.name << " n " << c.A.n());
        const auto solver = c.m.make();
        const Outcome<T> run =
            runner.run(*solver, c.A, c.b, configWith(), nullptr, c.x0.empty() ? nullptr : &c.x0);
        EXPECT_EQ(run.flag, kyraSparseBreakdown);
        EXPECT_EQ(run.result.iterations, 0);
        EXPECT_EQ(run.x, c.expected);
    }
}

// Every step is stagnant on this system; the run stops when the count
// exceeds 4. BiCGSTAB counts both half steps of an iteration. Without the
// check the same run converges, and the count starts afresh.
TYPED_TEST(KrylovMethods, CountStagnantSteps) {
    using T = TypeParam;
    const struct {
        Method m;
        int iterations, count;
    } cases[] = {{bicg(0), 5, 5}, {bicgstab(), 3, 6}, {minres(), 5, 5}};
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.m.name);
        const StagnatingSystem<T> s(systemFor<T>(c.m, 4, 1.3));
        const auto solver = c.m.make();
        const Outcome<T> run = runner.run(*solver, s.A, s.b, configWith(1e-12, 100), nullptr, &s.x0);
        EXPECT_EQ(run.flag, kyraSparseStagnation);
        EXPECT_EQ(run.result.iterations, c.iterations);
        EXPECT_EQ(solver->stagnationCount(), c.count);

        kyraSparseConfig unchecked = configWith(1e-4, 100);
        unchecked.useStagnationCheck = 0;
        const Outcome<T> free = runner.run(*solver, s.A, s.b, unchecked, nullptr, &s.x0);
        EXPECT_EQ(free.flag, kyraSparseRelativeToleranceReached);
        EXPECT_EQ(solver->stagnationCount(), 0);
    }
}

// Products with A and A^H and preconditioner applications per iteration:
// BiCG one of each kind (the formed transpose replaces the adjoint
// products), BiCGSTAB two and two, a BiCGSTAB(l) cycle 2l and 2l + 1.
TYPED_TEST(KrylovMethods, CostPerIteration) {
    using T = TypeParam;
    const struct {
        Method m;
        int iterations, products, adjointProducts, applications;
    } cases[] = {{bicg(0), 6, 6, 6, 12},     {bicg(1), 6, 6, 0, 12},       {bicgstab(), 4, 8, 0, 8},
                 {bicgstabl(1), 3, 6, 0, 9}, {bicgstabl(2), 3, 12, 0, 15}, {bicgstabl(3), 3, 18, 0, 21}};
    const Csr<T> A = convectionDiffusion<T>(8);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.m.name);
        const CountingMatrix<T> counted(A.matrix());
        const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
        const auto solver = c.m.make();
        const Outcome<T> run = runner.run(*solver, counted, b, configWith(1e-30, c.iterations), &jacobi);
        ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
        ASSERT_EQ(run.result.iterations, c.iterations);
        EXPECT_EQ(counted.products, c.products);
        EXPECT_EQ(counted.adjointProducts, c.adjointProducts);
        EXPECT_EQ(jacobi.applications(), c.applications);
    }
}

// One history entry per iteration (per cycle for GMRES and BiCGSTAB(l)),
// the last being the reported relative residual, and nothing beyond.
TEST(KrylovMethodHistory, OneEntryPerIteration) {
    Runner runner;
    for (const Method& m : {bicg(0), bicgstab(), bicgstabl(2), gmres(3), minres()}) {
        SCOPED_TRACE(m.name);
        const Csr<double> A = systemFor<double>(m, 10, 1.3);
        const std::vector<double> b = rightHandSide(A, smoothSolution<double>(A.n()));
        const auto solver = m.make();
        const Outcome<double> run = runner.run(*solver, A, b, configWith(1e-30, 4));
        ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
        ASSERT_EQ(run.result.iterations, 4);
        EXPECT_EQ(run.history[0], 1.0);
        for (int k = 1; k <= 4; ++k) EXPECT_GT(run.history[k], 0.0) << k;
        EXPECT_EQ(run.history[5], kUnwritten);
        EXPECT_DOUBLE_EQ(run.history[4], run.result.relativeResidual);
    }
}

// The setters name the method (with its option) or refuse the option with
// the failed condition; BiCG accepts any explicitTranspose.
using KrylovMethodSetters = PublicPlan;

TEST_F(KrylovMethodSetters, NameTheMethodOrRefuseItsOptions) {
    using Setter = std::function<kyraSparseStatus(kyraSparseHandle, kyraSparsePlan)>;
    const Setter bicgstablDefaults = [](kyraSparseHandle h, kyraSparsePlan p) {
        return kyraSparseSetBicgstablSolver(h, p, nullptr);
    };
    const Setter gmresDefaults = [](kyraSparseHandle h, kyraSparsePlan p) {
        return kyraSparseSetGmresSolver(h, p, nullptr);
    };
    const struct {
        Setter set;
        kyraSparseStatus status;
        std::string text;  // the plan's solver text, or the refusal
    } cases[] = {
        {bicg(0).set, kyraSparseNoError, "bicg"},
        {bicg(-3).set, kyraSparseNoError, "bicg"},
        {bicgstab().set, kyraSparseNoError, "bicgstab"},
        {minres().set, kyraSparseNoError, "minres"},
        {bicgstablDefaults, kyraSparseNoError, "bicgstabl(2)"},
        {bicgstabl(4).set, kyraSparseNoError, "bicgstabl(4)"},
        {bicgstabl(1).set, kyraSparseNoError, "bicgstabl(1)"},
        {bicgstabl(8).set, kyraSparseNoError, "bicgstabl(8)"},
        {gmresDefaults, kyraSparseNoError, "gmres(20)"},
        {gmres(0).set, kyraSparseNoError, "gmres(0)"},
        {bicgstabl(0).set, kyraSparseArgumentError, "argument error: solverOpts.l > 0"},
        {bicgstabl(-1).set, kyraSparseArgumentError, "argument error: solverOpts.l >= 0"},
        {bicgstabl(-2).set, kyraSparseArgumentError, "argument error: solverOpts.l >= 0"},
        {gmres(-1).set, kyraSparseArgumentError, "argument error: solverOpts.restart >= 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(c.set(handle, plan), c.status);
        EXPECT_EQ(c.status == kyraSparseNoError ? planText(kyraSparseGetPlanSolverString) : lastStatus(),
                  c.text);
    }
}

}  // namespace
