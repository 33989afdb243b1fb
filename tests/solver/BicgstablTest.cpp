#include "solver/Bicgstabl.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"
#include "solver/Bicgstab.h"

namespace {

using namespace solvertest;
using Iterative::Bicgstab;
using Iterative::Bicgstabl;

template <typename T>
class BicgstablTyped : public ::testing::Test {};
TYPED_TEST_SUITE(BicgstablTyped, ScalarTypes);

kyraSparseBicgstablOptions withL(int l) { return {l}; }

// The residual carried by the recurrences is the true residual of the
// returned x, for every l, with and without preconditioner.
TYPED_TEST(BicgstablTyped, SolvesWithReportedResidualMatchingTheTrueOne) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(10);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
    Runner runner;
    for (int l : {1, 2, 4}) {
        for (const Preconditioner* M : withoutAndWith(jacobi)) {
            SCOPED_TRACE(::testing::Message() << "l = " << l << ", preconditioned " << (M != nullptr));
            const kyraSparseBicgstablOptions opts = withL(l);
            Bicgstabl solver(&opts);
            const Outcome<T> run = runner.run(solver, A, b, configWith(solveTolerance<T>(), 500), M);
            EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
            const double truth = trueResidual(A, b, run.x);
            EXPECT_LE(truth, 20 * solveTolerance<T>() * norm(b));
            EXPECT_NEAR(run.result.absoluteResidual, truth, 10 * solveTolerance<T>() * norm(b));
        }
    }
}

// BiCGSTAB(1) is BiCGSTAB written differently; rounding may shift the
// iteration count of a well-conditioned solve by one at most. (For complex
// types the minimal-residual coefficient of a cycle is the conjugate of
// BiCGSTAB's omega, so only real types repeat BiCGSTAB.)
template <typename T>
class BicgstablReal : public ::testing::Test {};
TYPED_TEST_SUITE(BicgstablReal, RealTypes);

TYPED_TEST(BicgstablReal, OneStepCyclesMatchBicgstab) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(12);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    Runner runner;
    const kyraSparseBicgstablOptions opts = withL(1);
    Bicgstabl cycles(&opts);
    Bicgstab reference(nullptr);
    const kyraSparseConfig config = configWith(solveTolerance<T>(), 500);
    const Outcome<T> viaCycles = runner.run(cycles, A, b, config);
    const Outcome<T> viaReference = runner.run(reference, A, b, config);
    ASSERT_EQ(viaCycles.flag, kyraSparseRelativeToleranceReached);
    ASSERT_EQ(viaReference.flag, kyraSparseRelativeToleranceReached);
    EXPECT_NEAR(viaCycles.result.iterations, viaReference.result.iterations, 1);
    for (int k = 1; k < std::min(viaCycles.result.iterations, 5); ++k) {
        EXPECT_NEAR(viaCycles.history[k], viaReference.history[k], 1e-3 * viaReference.history[k]) << k;
    }
}

// The complex cycle's coefficient <R[0], R[1]> / <R[1], R[1]> conjugates
// R[0]. Made real-valued, a complex system must behave exactly like the
// real one: same iteration count, same residuals.
TEST(Bicgstabl, ComplexCycleOnRealDataRepeatsTheRealOne) {
    const auto real = convectionDiffusion<double>(8, 20.0);
    std::vector<Entry<kyra::Complex<double>>> entries;
    for (int i = 0; i < real.n(); ++i) {
        for (int k = real.rowPtr()[i]; k < real.rowPtr()[i + 1]; ++k) {
            entries.push_back({i, real.colInd()[k], kyra::Complex<double>(real.val()[k])});
        }
    }
    const SparseMatrix<kyra::Complex<double>> complex(real.n(), entries);
    const std::vector<double> b = rightHandSide(real, knownSolution<double>(real.n()));
    const std::vector<kyra::Complex<double>> bComplex(b.begin(), b.end());
    Runner runner;
    Bicgstabl solver(nullptr);
    const Outcome<double> viaReal = runner.run(solver, real, b, configWith(1e-10, 200));
    const Outcome<kyra::Complex<double>> viaComplex =
        runner.run(solver, complex, bComplex, configWith(1e-10, 200));
    ASSERT_EQ(viaReal.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(viaComplex.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(viaComplex.result.iterations, viaReal.result.iterations);
    for (int k = 0; k <= viaReal.result.iterations; ++k) {
        EXPECT_NEAR(viaComplex.history[k], viaReal.history[k], 1e-12) << k;
    }
}

// A cycle costs 2l products and 2l+1 preconditioner applications.
TYPED_TEST(BicgstablTyped, CycleCostsTwoLProducts) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(8);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    Runner runner;
    for (int l : {1, 2, 3}) {
        SCOPED_TRACE(::testing::Message() << "l = " << l);
        const CountingMatrix<T> counted(A.matrix());
        const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
        const kyraSparseBicgstablOptions opts = withL(l);
        Bicgstabl solver(&opts);
        const Outcome<T> run = runner.run(solver, counted, b, configWith(1e-30, 3), &jacobi);
        ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
        EXPECT_EQ(run.result.iterations, 3);
        EXPECT_EQ(counted.products, 3 * 2 * l);
        EXPECT_EQ(jacobi.applications(), 3 * (2 * l + 1));
    }
}

// For a 1x1 system the first BiCG step is exact, leaving R[0] = R[1] = 0;
// the next step (or the minimal-residual step for l = 1) then breaks down
// before x, which changes only at the end of a cycle, is touched.
TYPED_TEST(BicgstablTyped, BreakdownInsideACycleKeepsThePreviousIterate) {
    using T = TypeParam;
    const auto A = diagonal<T>({2.0});
    const std::vector<T> b = {scalar<T>(1.0)};
    const std::vector<T> x0 = {scalar<T>(3.0)};
    Runner runner;
    for (int l : {1, 2}) {
        const kyraSparseBicgstablOptions opts = withL(l);
        Bicgstabl solver(&opts);
        const Outcome<T> run = runner.run(solver, A, b, defaultConfig(), nullptr, &x0);
        EXPECT_EQ(run.flag, kyraSparseBreakdown) << "l = " << l;
        EXPECT_EQ(run.result.iterations, 0);
        EXPECT_EQ(run.x, x0);
    }
}

TEST(Bicgstabl, ResidualHistoryHasOneEntryPerCycle) {
    const auto A = convectionDiffusion<double>(10);
    const std::vector<double> b = rightHandSide(A, knownSolution<double>(A.n()));
    Runner runner;
    Bicgstabl solver(nullptr);
    const Outcome<double> run = runner.run(solver, A, b, configWith(1e-30, 4));
    ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
    EXPECT_EQ(run.result.iterations, 4);
    EXPECT_EQ(run.history[0], 1.0);
    for (int k = 1; k <= 4; ++k) EXPECT_GT(run.history[k], 0.0) << k;
    EXPECT_EQ(run.history[5], kUnwritten);
    EXPECT_DOUBLE_EQ(run.history[4], run.result.relativeResidual);
}

TYPED_TEST(BicgstablTyped, SolvesThroughThePublicInterface) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(8);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const kyraSparseBicgstablOptions opts = withL(4);
    const PublicSolve<T> solve = solvePublicly(
        A, b, [&](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetBicgstablSolver(h, p, &opts); },
        solveTolerance<T>());
    EXPECT_EQ(solve.status, kyraSparseNoError) << solve.lastStatus;
    EXPECT_EQ(solve.result.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solve.solverName, "bicgstabl(4)");
    EXPECT_LE(trueResidual(A, b, solve.x), 20 * solveTolerance<T>() * norm(b));
}

// The setter refuses l <= 0 with the failed condition as its text.
TEST(Bicgstabl, PublicSetterRefusesNonPositiveL) {
    const auto A = diagonal<double>({1.0});
    const std::vector<double> b = {1.0};
    const struct {
        int l;
        const char* text;
    } cases[] = {{0, "argument error: solverOpts.l > 0"}, {-2, "argument error: solverOpts.l >= 0"}};
    for (const auto& c : cases) {
        const kyraSparseBicgstablOptions opts = withL(c.l);
        const PublicSolve<double> solve = solvePublicly(
            A, b,
            [&](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetBicgstablSolver(h, p, &opts); },
            1e-6);
        EXPECT_EQ(solve.setterStatus, kyraSparseArgumentError) << c.l;
        EXPECT_EQ(solve.lastStatus, c.text);
    }
}

TEST(Bicgstabl, NamesTheCycleLength) {
    EXPECT_EQ(Bicgstabl(nullptr).name(), "bicgstabl(2)");
    const kyraSparseBicgstablOptions four = withL(4);
    EXPECT_EQ(Bicgstabl(&four).name(), "bicgstabl(4)");
}

TEST(Bicgstabl, RefusesCyclesWithoutBicgSteps) {
    const struct {
        int l;
        int status;
        const char* message;
    } cases[] = {{-1, kyraSparseArgumentError, "solverOpts.l >= 0"},
                 {0, kyraSparseArgumentError, "solverOpts.l > 0"},
                 {1, 0, ""},
                 {8, 0, ""}};
    for (const auto& c : cases) {
        const kyraSparseBicgstablOptions opts = withL(c.l);
        const Bicgstabl solver(&opts);
        const auto outcome = statusOf([&] { solver.parameterCheck(); });
        EXPECT_EQ(outcome.first, c.status) << "l = " << c.l;
        EXPECT_EQ(outcome.second, c.message) << "l = " << c.l;
    }
}

}  // namespace
