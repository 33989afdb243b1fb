// What every Krylov method owes, checked method by method from tables;
// properties of single methods, the best iterate, and the stopping rules
// seen through the public interface.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "SolverTestSupport.h"
#include "api/SafeInterface.h"
#include "common/PublicSolve.h"

namespace {

using namespace solvertest;

template <typename T>
class KrylovMethods : public PublicPlan {};
TYPED_TEST_SUITE(KrylovMethods, ScalarTypes);

// Directly and through the public interface. Methods whose recurrence
// carries the true residual must report it (BiCGSTAB(l), MINRES). The
// history holds one entry per iteration (per cycle for GMRES and
// BiCGSTAB(l)), the last being the reported relative residual, and nothing
// beyond; MINRES minimises |b - A x| over growing Krylov spaces, so its
// entries never increase, on an indefinite system too.
TYPED_TEST(KrylovMethods, SolveToTheTrueResidual) {
    using T = TypeParam;
    const double tol = solveTolerance<T>();
    const struct {
        Method m;
        double shift;
        bool reportsTrueResidual;
    } cases[] = {{cg(), 0, false},        {bicg(0), 0, false},     {bicg(1), 0, false},
                 {bicgstab(), 0, false},  {bicgstabl(1), 0, true}, {bicgstabl(2), 0, true},
                 {bicgstabl(4), 0, true}, {gmres(5), 0, false},    {gmres(20), 0, false},
                 {minres(), 0.0, true},   {minres(), 1.3, true}};
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.m.name << " shift " << c.shift);
        const Csr<T> A = systemFor<T>(c.m, 8, c.shift);
        const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
        const Outcome<T> run = runner.run(*c.m.make(), A, b, configWith(tol, 1000));
        EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
        EXPECT_GT(run.result.iterations, 0);
        EXPECT_LE(trueResidual(A, b, run.x), 100 * tol * norm(b));
        if (c.reportsTrueResidual) {
            EXPECT_NEAR(run.result.absoluteResidual, trueResidual(A, b, run.x), 10 * tol * norm(b));
        }
        const int last = run.result.iterations;
        EXPECT_EQ(run.history[0], 1.0);
        EXPECT_DOUBLE_EQ(run.history[last], run.result.relativeResidual);
        EXPECT_EQ(run.history[last + 1], kUnwritten);
        for (int k = 1; k <= last; ++k) {
            EXPECT_GT(run.history[k], 0.0) << k;
            if (c.m.name == "minres") {
                EXPECT_LE(run.history[k], run.history[k - 1] * (1 + 1e-6)) << k;
            }
        }

        ASSERT_EQ(c.m.set(this->handle, this->plan), kyraSparseNoError) << this->lastStatus();
        std::vector<T> x(A.n(), T(0));
        ASSERT_EQ(this->setData(A, x, b), kyraSparseNoError);
        this->config.relativeTolerance = tol;
        EXPECT_EQ(this->execute(), kyraSparseNoError) << this->lastStatus();
        EXPECT_EQ(this->planText(kyraSparseGetPlanSolverString), c.m.name);
        EXPECT_LE(trueResidual(A, b, x), 100 * tol * norm(b));
    }
}

// With M = D, a positive diagonal that varies, a method makes the iterates
// of the plain method on the system M turns it into: A D^-1 (x = D^-1 y)
// when preconditioned from the right, D^-1 A and D^-1 b from the left, and
// D^-1/2 A D^-1/2, D^-1/2 b (x = D^-1/2 y) when split.
TYPED_TEST(KrylovMethods, PreconditionedIteratesAreThoseOfTheTransformedSystem) {
    using T = TypeParam;
    Runner runner;
    for (const Method& m : {cg(), bicg(), bicgstab(), bicgstabl(2), minres()}) {
        SCOPED_TRACE(m.name);
        const Csr<T> A = systemFor<T>(m, 6);
        const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
        std::vector<double> d(A.n()), rowScale(A.n(), 1.0), columnScale(A.n(), 1.0);
        std::vector<T> dT(A.n());
        for (int i = 0; i < A.n(); ++i) {
            d[i] = 1.0 + (i * 7) % 5;
            dT[i] = scalar<T>(d[i]);
            const double s = m.side == Side::Split ? 1 / std::sqrt(d[i]) : 1 / d[i];
            if (m.side != Side::Right) rowScale[i] = s;
            if (m.side != Side::Left) columnScale[i] = s;
        }
        std::vector<Entry<T>> scaled = A.entries();
        for (Entry<T>& e : scaled) e.value = e.value * scalar<T>(rowScale[e.row] * columnScale[e.col]);
        std::vector<T> bScaled = b;
        for (int i = 0; i < A.n(); ++i) bScaled[i] = b[i] * scalar<T>(rowScale[i]);

        const DiagonalPreconditioner<T> M(dT);
        const Outcome<T> withM = runner.run(*m.make(), A, b, configWith(1e-30, 6), &M);
        const Outcome<T> plain = runner.run(*m.make(), Csr<T>(A.n(), scaled), bScaled, configWith(1e-30, 6));
        ASSERT_EQ(withM.flag, kyraSparseMaxIterationsReached);
        ASSERT_EQ(plain.flag, kyraSparseMaxIterationsReached);
        for (int i = 0; i < A.n(); ++i)
            EXPECT_LE(kyra::abs(widen(withM.x[i]) - widen(plain.x[i] * scalar<T>(columnScale[i]))),
                      1e3 * tolerance<T>() * norm(withM.x))
                << i;
    }
}

// Each case breaks down before x moves (or, for BiCGSTAB's 1x1 system,
// right after discarding the exact half step from x = 0): <r~, A r> = 0 for
// a skew-symmetric A and a real residual; an exact first BiCG step leaves
// R[0] = R[1] = 0 inside a BiCGSTAB(l) cycle; the Krylov space of a I is
// exhausted after one MINRES step; a preconditioner that is not positive
// definite stops MINRES at its first application.
TYPED_TEST(KrylovMethods, BreakdownsLeaveXWhereTheMethodPromises) {
    using T = TypeParam;
    const auto skew = [] { return Csr<T>(2, {{0, 1, scalar<T>(1.0)}, {1, 0, scalar<T>(-1.0)}}); };
    const std::vector<T> guess = {scalar<T>(0.5), scalar<T>(0.25)}, three{scalar<T>(3.0)},
                         half(4, scalar<T>(0.5)), quarter(16, scalar<T>(0.25));
    const struct {
        Method m;
        Csr<T> A;
        std::vector<T> b, x0, expected;  // no x0: a zero start
        std::vector<T> d = {};           // M = diag(d), or none
    } cases[] = {
        {bicg(), skew(), {scalar<T>(1.0), scalar<T>(2.0)}, guess, guess},
        {bicgstab(), skew(), {scalar<T>(1.0), scalar<T>(2.0)}, guess, guess},
        {bicgstab(), diagonal<T>({2.0}), three, {}, {T(0)}},
        {bicgstabl(1), diagonal<T>({2.0}), {scalar<T>(1.0)}, three, three},
        {bicgstabl(2), diagonal<T>({2.0}), {scalar<T>(1.0)}, three, three},
        {minres(), diagonal<T>({3.0, 3.0, 3.0, 3.0}), std::vector<T>(4, scalar<T>(2.5)), half, half},
        {minres(), laplacian<T>(4), std::vector<T>(16, T(1)), quarter, quarter, std::vector<T>(16, T(-2))},
    };
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.m.name << " n " << c.A.n());
        const DiagonalPreconditioner<T> M(c.d);
        const Outcome<T> run = runner.run(*c.m.make(), c.A, c.b, configWith(1e-6, 100),
                                          c.d.empty() ? nullptr : &M, c.x0.empty() ? nullptr : &c.x0);
        EXPECT_EQ(run.flag, kyraSparseBreakdown);
        EXPECT_EQ(run.result.iterations, 0);
        EXPECT_EQ(run.x, c.expected);
        EXPECT_EQ(M.applications(), c.d.empty() ? 0 : 1);
    }
}

// Every step is stagnant on this system; the run stops when the count
// exceeds 4 (BiCGSTAB counts both half steps), unless the iteration limit,
// tested first, is reached at the same time. Without the check the same run
// converges.
TYPED_TEST(KrylovMethods, StagnationCountsStepsAndYieldsToTheLimit) {
    using T = TypeParam;
    const struct {
        Method m;
        int iterations, count;
    } cases[] = {{bicg(), 5, 5}, {bicgstab(), 3, 6}, {minres(), 5, 5}};
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.m.name);
        const StagnatingSystem<T> s = stagnating(systemFor<T>(c.m, 4, 1.3));
        const auto solver = c.m.make();
        const Outcome<T> run = runner.run(*solver, s.A, s.b, configWith(1e-12, 100), nullptr, &s.x0);
        EXPECT_EQ(run.flag, kyraSparseStagnation);
        EXPECT_EQ(run.result.iterations, c.iterations);
        EXPECT_EQ(solver->stagnationCount(), c.count);

        const Outcome<T> limited =
            runner.run(*solver, s.A, s.b, configWith(1e-12, c.iterations), nullptr, &s.x0);
        EXPECT_EQ(limited.flag, kyraSparseMaxIterationsReached);

        kyraSparseConfig unchecked = configWith(1e-4, 100);
        unchecked.useStagnationCheck = 0;
        EXPECT_EQ(runner.run(*solver, s.A, s.b, unchecked, nullptr, &s.x0).flag,
                  kyraSparseRelativeToleranceReached);
    }
}

// The setters name the method (with its option) or refuse the option with
// the failed condition; BiCG accepts any explicitTranspose.
using KrylovMethodSetters = PublicPlan;

TEST_F(KrylovMethodSetters, NameTheMethodOrRefuseItsOptions) {
    const struct {
        Setter set;
        kyraSparseStatus status;
        std::string text;  // the plan's solver text, or the refusal
    } cases[] = {
        {bicg(-3).set, kyraSparseNoError, "bicg"},
        {with(kyraSparseSetBicgstablSolver), kyraSparseNoError, "bicgstabl(2)"},
        {with(kyraSparseSetGmresSolver), kyraSparseNoError, "gmres(20)"},
        {gmres(0).set, kyraSparseNoError, "gmres(0)"},
        {bicgstabl(0).set, kyraSparseArgumentError, "argument error: solverOpts.l > 0"},
        {bicgstabl(-1).set, kyraSparseArgumentError, "argument error: solverOpts.l >= 0"},
        {gmres(-1).set, kyraSparseArgumentError, "argument error: solverOpts.restart >= 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_EQ(c.set(handle, plan), c.status);
        EXPECT_EQ(c.status == kyraSparseNoError ? planText(kyraSparseGetPlanSolverString) : lastStatus(),
                  c.text);
    }
}

// ------------------------------------------------ properties of single methods

// On complex data the minimal-residual steps must minimise: BiCGSTAB(1)
// needs the iterations of BiCGSTAB, and longer cycles need fewer of them.
TEST(ComplexBicgstab, OneStepCyclesMatchBicgstabAndLongerCyclesConverge) {
    using C = kyra::Complex<double>;
    Runner runner;
    const Csr<C> nonsymmetric = convectionDiffusion<C>(8);
    const std::vector<C> b = rightHandSide(nonsymmetric, smoothSolution<C>(nonsymmetric.n()));
    const int reference =
        runner.run(*bicgstab().make(), nonsymmetric, b, configWith(1e-10, 100)).result.iterations;
    const Outcome<C> cycles = runner.run(*bicgstabl(1).make(), nonsymmetric, b, configWith(1e-10, 100));
    EXPECT_EQ(cycles.flag, kyraSparseRelativeToleranceReached);
    EXPECT_LE(std::abs(cycles.result.iterations - reference), 0.1 * reference);

    const Csr<C> random = randomMatrix<C>(100, 4, 1);
    const std::vector<C> c = rightHandSide(random, smoothSolution<C>(random.n()));
    for (const auto& [l, limit] : {std::pair{1, 19}, {2, 10}, {4, 5}}) {
        const Outcome<C> run = runner.run(*bicgstabl(l).make(), random, c, configWith(1e-10, limit));
        EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached) << "l = " << l;
        EXPECT_LE(trueResidual(random, c, run.x), 1e-9 * norm(c)) << "l = " << l;
    }
}

// With m >= n the first cycle spans the whole space: one cycle solves the
// system up to rounding.
TYPED_TEST(KrylovMethods, FullGmresCycleGivesTheDenseSolution) {
    using T = TypeParam;
    const Csr<T> A = randomMatrix<T>(8, 4, 3);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    Runner runner;
    const Outcome<T> run = runner.run(*gmres(50).make(), A, b, configWith(100 * solveTolerance<T>(), 10));
    EXPECT_EQ(run.result.iterations, 1);
    EXPECT_LE(trueResidual(A, b, run.x), 10 * solveTolerance<T>() * norm(b));
}

// Left preconditioning: the reported residual is |M^-1 (b - A x)|, measured
// against the unpreconditioned |b - A x0|.
TEST(Gmres, ReportsThePreconditionedResidual) {
    const auto A = convectionDiffusion<double>(6);
    const std::vector<double> b = rightHandSide(A, smoothSolution<double>(A.n()));
    const DiagonalPreconditioner<double> scaling(std::vector<double>(A.n(), 0.25));
    Runner runner;
    const Outcome<double> run = runner.run(*gmres(3).make(), A, b, configWith(1e-30, 2), &scaling);
    EXPECT_DOUBLE_EQ(run.result.initialResidual, norm(b));
    EXPECT_NEAR(run.result.absoluteResidual, 4.0 * trueResidual(A, b, run.x), 1e-12 * norm(b));
}

// The best iterate comes back with its record, whether the run ends at the
// limit or by breakdown, and whether iterations are steps or cycles: CG on
// a spread diagonal (worse at 24 than at 23) and on an indefinite one
// (breaks down at 2, best at 1), BiCGSTAB(2) and GMRES(3) on an indefinite
// Laplacian (best at 1, and GMRES's last).
TEST(BestIterate, ComesBackWithItsRecord) {
    std::vector<double> spread;
    for (int i = 0; i < 50; ++i) spread.push_back(std::pow(10.0, 4.0 * i / 49.0));
    const struct {
        Method m;
        Csr<double> A;
        int maxIterations;
        kyraSparseFlag flag;
        int best;
    } cases[] = {
        {cg(), diagonal<double>(spread), 24, kyraSparseMaxIterationsReached, 23},
        {cg(), diagonal<double>({1.0, 2.0, 3.0, -0.5, 5.0}), 50, kyraSparseBreakdown, 1},
        {bicgstabl(2), laplacian<double>(8, 1.3), 2, kyraSparseMaxIterationsReached, 1},
        {gmres(3), laplacian<double>(8, 1.3), 3, kyraSparseMaxIterationsReached, 3},
    };
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.m.name);
        const std::vector<double> b(c.A.n(), 1.0);
        kyraSparseConfig config = configWith(1e-10, c.maxIterations);
        config.useBestIterate = 1;
        const Outcome<double> run = runner.run(*c.m.make(), c.A, b, config);
        EXPECT_EQ(run.flag, c.flag);
        EXPECT_EQ(run.result.iterations, c.best);
        EXPECT_DOUBLE_EQ(run.result.relativeResidual, run.history[c.best]);
        EXPECT_NEAR(trueResidual(c.A, b, run.x), run.history[c.best] * norm(b), 1e-8 * norm(b));
    }
}

// ------------------------------------------------ through the public interface

using StoppingRules = PublicPlan;

// Runs that end at once: a zero right-hand side gives x = 0 with zero
// residuals, an exact guess or no allowed iteration keeps the guess, a
// tolerance of 1 is met at once, and the tests come in their order.
TEST_F(StoppingRules, RunsThatEndBeforeTheFirstIteration) {
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    const Csr<double> A = laplacian<double>(4);
    using V = std::vector<double>;
    const V ones(16, 1.0), zeros(16, 0.0);
    const struct {
        V b, x, expectedX;
        int useInitialGuess, maxIterations;
        double relative, absolute, divergence;
        kyraSparseFlag flag;
    } cases[] = {
        {zeros, V(16, 3.0), zeros, 0, 100, 1e-6, 1e-50, 1e5, kyraSparseRelativeToleranceReached},
        {rightHandSide(A, ones), ones, ones, 1, 100, 1e-6, 1e-50, 1e5, kyraSparseRelativeToleranceReached},
        {ones, V(16, 0.25), V(16, 0.25), 1, 0, 1e-6, 1e-50, 1e5, kyraSparseMaxIterationsReached},
        {ones, V(16, 0.25), V(16, 0.25), 1, 100, 1.0, 1e-50, 1e5, kyraSparseRelativeToleranceReached},
        {ones, zeros, zeros, 0, 100, 0.5, 1e3, 1e5, kyraSparseAbsoluteToleranceReached},
        {ones, zeros, zeros, 0, 100, 0.5, 1e-50, 1.0, kyraSparseDivergenceToleranceReached},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << "flag " << c.flag);
        config.useInitialGuess = c.useInitialGuess;
        config.maxIterations = c.maxIterations;
        config.relativeTolerance = c.relative;
        config.absoluteTolerance = c.absolute;
        config.divergenceTolerance = c.divergence;
        std::vector<double> x = c.x;
        ASSERT_EQ(setData(A, x, c.b), kyraSparseNoError);
        execute();
        EXPECT_EQ(result.flag, c.flag);
        EXPECT_EQ(result.iterations, 0);
        EXPECT_EQ(x, c.expectedX);
        if (norm(c.b) == 0.0) {
            EXPECT_EQ(result.relativeResidual, 0.0);
        }
    }
}

TEST_F(StoppingRules, InterruptAndRuntimeLimitEndTheRun) {
    const Csr<double> A = laplacian<double>(10);
    const std::vector<double> b(A.n(), 1.0);
    std::vector<double> x(A.n(), 0.0);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(setData(A, x, b), kyraSparseNoError);
    Iterative::contextOf(handle).setInterrupt();
    ASSERT_EQ(execute(), kyraSparseNonConvergence);
    EXPECT_EQ(result.flag, kyraSparseUserInterrupt);
    EXPECT_FALSE(Iterative::contextOf(handle).checkInterupt());

    config.relativeTolerance = 1e-300;
    config.maxRuntime = 1e-9;
    config.useStagnationCheck = 0;
    ASSERT_EQ(execute(), kyraSparseNonConvergence);
    EXPECT_EQ(result.flag, kyraSparseMaxRuntimeReached);
}

}  // namespace
