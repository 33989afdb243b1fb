#include "solver/Bicg.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"
#include "solver/Cg.h"

namespace {

using namespace solvertest;
using Iterative::Bicg;
using Iterative::Cg;

template <typename T>
class BicgTyped : public ::testing::Test {};
TYPED_TEST_SUITE(BicgTyped, ScalarTypes);

kyraSparseBicgOptions bicgOptions(int explicitTranspose) { return {explicitTranspose}; }

TYPED_TEST(BicgTyped, SolvesNonsymmetricSystemsToTolerance) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(10);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
    Runner runner;
    for (int explicitTranspose : {0, 1}) {
        for (const Preconditioner* M : withoutAndWith(jacobi)) {
            SCOPED_TRACE(::testing::Message() << "explicitTranspose " << explicitTranspose
                                              << ", preconditioned " << (M != nullptr));
            const kyraSparseBicgOptions opts = bicgOptions(explicitTranspose);
            Bicg solver(&opts);
            const Outcome<T> run = runner.run(solver, A, b, configWith(solveTolerance<T>(), 500), M);
            EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
            EXPECT_GT(run.result.iterations, 1);
            EXPECT_LE(trueResidual(A, b, run.x), 20 * solveTolerance<T>() * norm(b));
        }
    }
}

// Without preconditioner on a Hermitian positive definite matrix the shadow
// vectors equal the primary ones, so BiCG repeats CG step by step.
TYPED_TEST(BicgTyped, RepeatsConjugateGradientIterates) {
    using T = TypeParam;
    const auto A = laplacian<T>(8);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const double eps = std::is_same<kyra::Real<T>, float>::value ? 1e-7 : 1e-16;
    Runner runner;
    for (int iterations : {1, 2, 5, 12}) {
        SCOPED_TRACE(::testing::Message() << iterations << " iterations");
        const kyraSparseConfig config = configWith(1e-30, iterations);
        Bicg bicg(nullptr);
        Cg cg(nullptr);
        const Outcome<T> viaBicg = runner.run(bicg, A, b, config);
        const Outcome<T> viaCg = runner.run(cg, A, b, config);
        ASSERT_EQ(viaBicg.flag, kyraSparseMaxIterationsReached);
        ASSERT_EQ(viaCg.flag, kyraSparseMaxIterationsReached);
        std::vector<T> difference(viaCg.x.size());
        for (std::size_t i = 0; i < difference.size(); ++i) difference[i] = viaBicg.x[i] - viaCg.x[i];
        EXPECT_LE(norm(difference), 1e3 * eps * norm(viaCg.x));
        for (int k = 0; k <= iterations; ++k) {
            EXPECT_NEAR(viaBicg.history[k], viaCg.history[k], 1e3 * eps * viaCg.history[0]) << "entry " << k;
        }
    }
}

TYPED_TEST(BicgTyped, ExplicitTransposeGivesTheSameIterates) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(6);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
    const double eps = std::is_same<kyra::Real<T>, float>::value ? 1e-7 : 1e-16;
    Runner runner;
    const kyraSparseBicgOptions implicitOpts = bicgOptions(0);
    const kyraSparseBicgOptions explicitOpts = bicgOptions(1);
    Bicg implicitSolver(&implicitOpts);
    Bicg explicitSolver(&explicitOpts);
    const Outcome<T> viaProduct = runner.run(implicitSolver, A, b, configWith(1e-30, 8), &jacobi);
    const Outcome<T> viaFormed = runner.run(explicitSolver, A, b, configWith(1e-30, 8), &jacobi);
    std::vector<T> difference(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) difference[i] = viaProduct.x[i] - viaFormed.x[i];
    EXPECT_LE(norm(difference), 1e3 * eps * norm(viaFormed.x));
    EXPECT_EQ(viaProduct.result.iterations, 8);
    EXPECT_EQ(viaFormed.result.iterations, 8);
}

// Each iteration multiplies once by A and once by A^H (through the matrix
// or through the formed transpose) and applies M^-1 and M^-H once each.
TYPED_TEST(BicgTyped, UsesOneProductOfEachKindPerIteration) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(5);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    Runner runner;
    for (int explicitTranspose : {0, 1}) {
        const CountingMatrix<T> counted(A.matrix());
        const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
        const kyraSparseBicgOptions opts = bicgOptions(explicitTranspose);
        Bicg solver(&opts);
        const Outcome<T> run = runner.run(solver, counted, b, configWith(1e-30, 6), &jacobi);
        ASSERT_EQ(run.result.iterations, 6);
        EXPECT_EQ(counted.products, 6);
        EXPECT_EQ(counted.adjointProducts, explicitTranspose ? 0 : 6);
        EXPECT_EQ(jacobi.applications(), 12);
    }
}

// <p~, A p> = <r, A r> = 0 for a skew-symmetric A and a real residual.
TYPED_TEST(BicgTyped, BreakdownInTheFirstPassKeepsTheInitialGuess) {
    using T = TypeParam;
    const auto A = skewPair<T>();
    const std::vector<T> b = {scalar<T>(1.0), scalar<T>(2.0)};
    const std::vector<T> x0 = {scalar<T>(0.5), scalar<T>(0.25)};
    Runner runner;
    Bicg solver(nullptr);
    const Outcome<T> run = runner.run(solver, A, b, defaultConfig(), nullptr, &x0);
    EXPECT_EQ(run.flag, kyraSparseBreakdown);
    EXPECT_EQ(run.result.iterations, 0);
    EXPECT_EQ(run.x, x0);
}

TYPED_TEST(BicgTyped, CountsStagnantSteps) {
    using T = TypeParam;
    const StagnatingSystem<T> s = stagnatingSystem(convectionDiffusion<T>(4));
    Runner runner;
    Bicg solver(nullptr);
    const Outcome<T> run = runner.run(solver, s.A, s.b, configWith(1e-12, 100), nullptr, &s.x0);
    EXPECT_EQ(run.flag, kyraSparseStagnation);
    EXPECT_EQ(run.result.iterations, 5);

    kyraSparseConfig unchecked = configWith(1e-4, 100);
    unchecked.useStagnationCheck = 0;
    const Outcome<T> free = runner.run(solver, s.A, s.b, unchecked, nullptr, &s.x0);
    EXPECT_EQ(free.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solver.stagnationCount(), 0);
}

TYPED_TEST(BicgTyped, SolvesThroughThePublicInterface) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(8);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const kyraSparseBicgOptions opts = bicgOptions(1);
    const PublicSolve<T> solve = solvePublicly(
        A, b, [&](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetBicgSolver(h, p, &opts); },
        solveTolerance<T>());
    EXPECT_EQ(solve.status, kyraSparseNoError) << solve.lastStatus;
    EXPECT_EQ(solve.result.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solve.solverName, "bicg");
    EXPECT_LE(trueResidual(A, b, solve.x), 20 * solveTolerance<T>() * norm(b));
}

TEST(Bicg, NameAndOptions) {
    Bicg defaults(nullptr);
    EXPECT_EQ(defaults.name(), "bicg");
    const kyraSparseBicgOptions odd = bicgOptions(-3);
    Bicg anyRecord(&odd);
    EXPECT_EQ(statusOf([&] { anyRecord.parameterCheck(); }).first, 0);
}

}  // namespace
