#include "solver/Bicgstab.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"

namespace {

using namespace solvertest;
using Iterative::Bicgstab;

template <typename T>
class BicgstabTyped : public ::testing::Test {};
TYPED_TEST_SUITE(BicgstabTyped, ScalarTypes);

TYPED_TEST(BicgstabTyped, SolvesNonsymmetricSystemsToTolerance) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(10);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
    Runner runner;
    for (const Preconditioner* M : withoutAndWith(jacobi)) {
        SCOPED_TRACE(::testing::Message() << "preconditioned " << (M != nullptr));
        Bicgstab solver(nullptr);
        const Outcome<T> run = runner.run(solver, A, b, configWith(solveTolerance<T>(), 500), M);
        EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
        EXPECT_GT(run.result.iterations, 1);
        EXPECT_LE(trueResidual(A, b, run.x), 20 * solveTolerance<T>() * norm(b));
    }
}

TYPED_TEST(BicgstabTyped, UsesTwoProductsAndTwoApplicationsPerIteration) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(5);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const CountingMatrix<T> counted(A.matrix());
    const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
    Runner runner;
    Bicgstab solver(nullptr);
    const Outcome<T> run = runner.run(solver, counted, b, configWith(1e-30, 4), &jacobi);
    ASSERT_EQ(run.result.iterations, 4);
    EXPECT_EQ(counted.products, 8);
    EXPECT_EQ(counted.adjointProducts, 0);
    EXPECT_EQ(jacobi.applications(), 8);
}

// The exact half step of a 1x1 system leaves s = 0, so t = 0 and <t, t> = 0:
// the half-step iterate (already the answer) is discarded and x stays 0.
TYPED_TEST(BicgstabTyped, OneByOneSystemBreaksDownWithZeroIterate) {
    using T = TypeParam;
    const auto A = diagonal<T>({2.0});
    const std::vector<T> b = {scalar<T>(3.0)};
    Runner runner;
    Bicgstab solver(nullptr);
    const Outcome<T> run = runner.run(solver, A, b);
    EXPECT_EQ(run.flag, kyraSparseBreakdown);
    EXPECT_EQ(run.result.iterations, 0);
    EXPECT_EQ(run.x, std::vector<T>{T(0)});
}

// <r^, A p^> = <r, A r> = 0 for a skew-symmetric A and a real residual.
TYPED_TEST(BicgstabTyped, ShadowOrthogonalProductBreaksDownKeepingTheGuess) {
    using T = TypeParam;
    const auto A = skewPair<T>();
    const std::vector<T> b = {scalar<T>(1.0), scalar<T>(2.0)};
    const std::vector<T> x0 = {scalar<T>(0.5), scalar<T>(0.25)};
    Runner runner;
    Bicgstab solver(nullptr);
    const Outcome<T> run = runner.run(solver, A, b, defaultConfig(), nullptr, &x0);
    EXPECT_EQ(run.flag, kyraSparseBreakdown);
    EXPECT_EQ(run.result.iterations, 0);
    EXPECT_EQ(run.x, x0);
}

// Both half steps of every iteration are stagnant, so the count grows by 2
// per iteration and first exceeds 4 at the end of the third.
TYPED_TEST(BicgstabTyped, CountsBothHalfStepsAsStagnant) {
    using T = TypeParam;
    const StagnatingSystem<T> s = stagnatingSystem(convectionDiffusion<T>(4));
    Runner runner;
    Bicgstab solver(nullptr);
    const Outcome<T> run = runner.run(solver, s.A, s.b, configWith(1e-12, 100), nullptr, &s.x0);
    EXPECT_EQ(run.flag, kyraSparseStagnation);
    EXPECT_EQ(run.result.iterations, 3);
    EXPECT_EQ(solver.stagnationCount(), 6);

    kyraSparseConfig unchecked = configWith(1e-4, 100);
    unchecked.useStagnationCheck = 0;
    const Outcome<T> free = runner.run(solver, s.A, s.b, unchecked, nullptr, &s.x0);
    EXPECT_EQ(free.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solver.stagnationCount(), 0);
}

TEST(Bicgstab, ResidualHistoryHasOneEntryPerIteration) {
    const auto A = convectionDiffusion<double>(8);
    const std::vector<double> b = rightHandSide(A, knownSolution<double>(A.n()));
    Runner runner;
    Bicgstab solver(nullptr);
    const Outcome<double> run = runner.run(solver, A, b, configWith(1e-30, 5));
    ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
    EXPECT_EQ(run.history[0], 1.0);
    for (int k = 1; k <= 5; ++k) EXPECT_GT(run.history[k], 0.0) << k;
    EXPECT_EQ(run.history[6], kUnwritten);
    EXPECT_DOUBLE_EQ(run.history[5], run.result.relativeResidual);
}

TYPED_TEST(BicgstabTyped, SolvesThroughThePublicInterface) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(8);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const PublicSolve<T> solve = solvePublicly(
        A, b, [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetBicgstabSolver(h, p, nullptr); },
        solveTolerance<T>());
    EXPECT_EQ(solve.status, kyraSparseNoError) << solve.lastStatus;
    EXPECT_EQ(solve.result.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solve.solverName, "bicgstab");
    EXPECT_LE(trueResidual(A, b, solve.x), 20 * solveTolerance<T>() * norm(b));
}

TEST(Bicgstab, NameAndOptions) {
    Bicgstab solver(nullptr);
    EXPECT_EQ(solver.name(), "bicgstab");
    EXPECT_EQ(statusOf([&] { solver.parameterCheck(); }).first, 0);
}

}  // namespace
