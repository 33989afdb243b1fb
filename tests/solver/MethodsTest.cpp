// Properties of single methods, the best iterate, and the stopping rules
// seen through the public interface.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "SolverTestSupport.h"
#include "api/SafeInterface.h"
#include "common/PublicSolve.h"

namespace {

using namespace solvertest;

template <typename T>
class Methods : public ::testing::Test {};
TYPED_TEST_SUITE(Methods, ScalarTypes);

// Without preconditioner on a Hermitian positive definite matrix the shadow
// vectors equal the primary ones, so BiCG repeats CG step by step.
TYPED_TEST(Methods, BicgRepeatsCgOnHermitianSystems) {
    using T = TypeParam;
    const auto A = laplacian<T>(8);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    Runner runner;
    const Outcome<T> viaBicg = runner.run(*bicg().make(), A, b, configWith(1e-30, 12));
    const Outcome<T> viaCg = runner.run(*cg().make(), A, b, configWith(1e-30, 12));
    for (int i = 0; i < A.n(); ++i)
        EXPECT_LE(kyra::abs(widen(viaBicg.x[i]) - widen(viaCg.x[i])), 1e3 * tolerance<T>() * norm(viaCg.x));
}

// A random sparse complex system with a dominant diagonal.
template <typename T>
Csr<T> randomComplex(int n, unsigned seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> column(0, n - 1);
    std::vector<Entry<T>> e;
    for (int i = 0; i < n; ++i) {
        e.push_back({i, i, scalar<T>(3.0) + randomScalar<T>(generator)});
        for (int k = 0; k < 4; ++k) {
            const int c = column(generator);
            if (c != i) e.push_back({i, c, randomScalar<T>(generator)});
        }
    }
    return Csr<T>(n, sortedByRowAndColumn(e));
}

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

    const Csr<C> random = randomComplex<C>(100, 1);
    const std::vector<C> c = rightHandSide(random, smoothSolution<C>(random.n()));
    for (const auto& [l, limit] : {std::pair{1, 25}, {2, 13}, {4, 7}}) {
        const Outcome<C> run = runner.run(*bicgstabl(l).make(), random, c, configWith(1e-10, limit));
        EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached) << "l = " << l;
        EXPECT_LE(trueResidual(random, c, run.x), 1e-9 * norm(c)) << "l = " << l;
    }
}

// With m >= n the first cycle spans the whole space: one cycle gives the
// dense solution.
TYPED_TEST(Methods, FullGmresCycleGivesTheDenseSolution) {
    using T = TypeParam;
    const Csr<T> A = randomComplex<T>(8, 3);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    const std::vector<Wide<T>> xDense = denseSolve(A.dense(), b);
    Runner runner;
    const Outcome<T> run = runner.run(*gmres(50).make(), A, b, configWith(100 * solveTolerance<T>(), 10));
    EXPECT_EQ(run.result.iterations, 1);
    for (int i = 0; i < A.n(); ++i)
        EXPECT_LE(kyra::abs(widen(run.x[i]) - xDense[i]), 10 * solveTolerance<T>() * norm(xDense));
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

// Without preconditioner MINRES minimises |b - A x| over growing Krylov
// spaces, so the recorded norms never increase, on an indefinite system too.
TYPED_TEST(Methods, MinresResidualsNeverIncrease) {
    using T = TypeParam;
    const auto A = laplacian<T>(10, 2.1);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    Runner runner;
    const Outcome<T> run = runner.run(*minres().make(), A, b, configWith(solveTolerance<T>(), 1000));
    ASSERT_GT(run.result.iterations, 10);
    for (int k = 1; k <= run.result.iterations; ++k)
        EXPECT_LE(run.history[k], run.history[k - 1] * (1 + 1e-6)) << "entry " << k;
}

// A preconditioner that is not positive definite stops MINRES after the
// initial residual and the first application, before x moves.
TEST(Minres, NegativeDefinitePreconditionerBreaksDownAtOnce) {
    const auto A = laplacian<double>(4);
    const std::vector<double> b(A.n(), 1.0), x0(A.n(), 0.25);
    const DiagonalPreconditioner<double> negative(std::vector<double>(A.n(), -2.0));
    Runner runner;
    const Outcome<double> run = runner.run(*minres().make(), A, b, configWith(1e-6, 100), &negative, &x0);
    EXPECT_EQ(run.flag, kyraSparseBreakdown);
    EXPECT_EQ(run.x, x0);
    EXPECT_EQ(negative.applications(), 1);
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

class StoppingRules : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    }
    kyraSparseStatus solve(const Csr<double>& A, const std::vector<double>& b, std::vector<double>& x) {
        EXPECT_EQ(setData(A, x, b), kyraSparseNoError);
        return execute();
    }
};

// Runs that end at once: a zero right-hand side gives x = 0 with zero
// residuals, an exact guess or no allowed iteration keeps the guess, a
// tolerance of 1 is met at once, and the tests come in their order.
TEST_F(StoppingRules, RunsThatEndBeforeTheFirstIteration) {
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
        solve(A, c.b, x);
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
    Iterative::contextOf(handle).setInterrupt();
    ASSERT_EQ(solve(A, b, x), kyraSparseNonConvergence);
    EXPECT_EQ(result.flag, kyraSparseUserInterrupt);
    EXPECT_FALSE(Iterative::contextOf(handle).checkInterupt());

    config.relativeTolerance = 1e-300;
    config.maxRuntime = 1e-9;
    config.useStagnationCheck = 0;
    ASSERT_EQ(solve(A, b, x), kyraSparseNonConvergence);
    EXPECT_EQ(result.flag, kyraSparseMaxRuntimeReached);
}

}  // namespace
