#include "solver/Minres.h"

#include <gtest/gtest.h>

#include <fstream>

#include "SolverTestSupport.h"

namespace {

using namespace solvertest;
using Iterative::Minres;

template <typename T>
class MinresTyped : public ::testing::Test {};
TYPED_TEST_SUITE(MinresTyped, ScalarTypes);

// Definite and indefinite (shift 1.3 puts eigenvalues on both sides of 0)
// symmetric or Hermitian systems, with and without a positive definite
// diagonal preconditioner.
TYPED_TEST(MinresTyped, SolvesDefiniteAndIndefiniteSystemsToTolerance) {
    using T = TypeParam;
    Runner runner;
    for (double shift : {0.0, 1.3}) {
        const auto A = laplacian<T>(10, shift);
        const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
        const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A, true);
        for (const Preconditioner* M : withoutAndWith(jacobi)) {
            SCOPED_TRACE(::testing::Message() << "shift " << shift << ", preconditioned " << (M != nullptr));
            Minres solver(nullptr);
            const Outcome<T> run = runner.run(solver, A, b, configWith(solveTolerance<T>(), 1000), M);
            EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
            const double truth = trueResidual(A, b, run.x);
            EXPECT_LE(truth, 20 * solveTolerance<T>() * norm(b));
            EXPECT_NEAR(run.result.absoluteResidual, truth, 10 * solveTolerance<T>() * norm(b));
        }
    }
}

// Without preconditioner MINRES minimises |b - A x| over growing Krylov
// spaces, so the recorded norms never increase.
TYPED_TEST(MinresTyped, ResidualNormsNeverIncrease) {
    using T = TypeParam;
    const auto A = laplacian<T>(12, 2.1);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    Runner runner;
    Minres solver(nullptr);
    const Outcome<T> run = runner.run(solver, A, b, configWith(solveTolerance<T>(), 1000));
    ASSERT_EQ(run.flag, kyraSparseRelativeToleranceReached);
    ASSERT_GT(run.result.iterations, 10);
    for (int k = 1; k <= run.result.iterations; ++k) {
        EXPECT_LE(run.history[k], run.history[k - 1] * (1 + 1e-6)) << "entry " << k;
    }
}

// The first counted iteration already holds two Lanczos steps: x is the
// minimal-residual solution over span{b, A b}, computed here from the 2x2
// normal equations of min |b - c1 A b - c2 A^2 b|.
TEST(Minres, FirstEntryReflectsTwoLanczosSteps) {
    const auto A = diagonal<double>({1.0, 2.0, 3.0, 5.0});
    const std::vector<double> b = {1.0, 1.0, 1.0, 1.0};
    const std::vector<double> Ab = {1.0, 2.0, 3.0, 5.0};
    const std::vector<double> AAb = {1.0, 4.0, 9.0, 25.0};
    const auto dot = [](const std::vector<double>& u, const std::vector<double>& v) {
        double s = 0;
        for (std::size_t i = 0; i < u.size(); ++i) s += u[i] * v[i];
        return s;
    };
    const double g11 = dot(Ab, Ab), g12 = dot(Ab, AAb), g22 = dot(AAb, AAb);
    const double h1 = dot(Ab, b), h2 = dot(AAb, b);
    const double det = g11 * g22 - g12 * g12;
    const double c1 = (h1 * g22 - h2 * g12) / det;
    const double c2 = (g11 * h2 - g12 * h1) / det;
    std::vector<double> xRef(4);
    for (int i = 0; i < 4; ++i) xRef[i] = c1 * b[i] + c2 * Ab[i];

    Runner runner;
    Minres solver(nullptr);
    const Outcome<double> run = runner.run(solver, A, b, configWith(1e-30, 1));
    ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(run.x[i], xRef[i], 1e-12) << i;
    EXPECT_NEAR(run.history[1], trueResidual(A, b, xRef) / norm(b), 1e-12);
}

// The Krylov space of a 1x1 system (or of a I) is exhausted after the first
// step: q = 0 there, before x changes. The residual r = (1, ..., 1) keeps
// every rounding exact, so q is exactly 0 rather than rounding noise.
TYPED_TEST(MinresTyped, ExhaustedKrylovSpaceBreaksDownBeforeMovingX) {
    using T = TypeParam;
    Runner runner;
    for (int n : {1, 4}) {
        const auto A = diagonal<T>(std::vector<double>(n, 3.0));
        const std::vector<T> b(n, scalar<T>(2.5));
        const std::vector<T> x0(n, scalar<T>(0.5));
        Minres solver(nullptr);
        const Outcome<T> run = runner.run(solver, A, b, defaultConfig(), nullptr, &x0);
        EXPECT_EQ(run.flag, kyraSparseBreakdown) << n;
        EXPECT_EQ(run.result.iterations, 0);
        EXPECT_EQ(run.x, x0);
    }
}

TYPED_TEST(MinresTyped, NegativeDefinitePreconditionerBreaksDownAtOnce) {
    using T = TypeParam;
    const auto A = laplacian<T>(4);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const std::vector<T> x0(A.n(), scalar<T>(0.25));
    const DiagonalPreconditioner<T> negative(std::vector<T>(A.n(), scalar<T>(-2.0)));
    const CountingMatrix<T> counted(A.matrix());
    Runner runner;
    Minres solver(nullptr);
    const Outcome<T> run = runner.run(solver, counted, b, defaultConfig(), &negative, &x0);
    EXPECT_EQ(run.flag, kyraSparseBreakdown);
    EXPECT_EQ(run.result.iterations, 0);
    EXPECT_EQ(run.x, x0);
    EXPECT_EQ(counted.products, 1);  // the initial residual only
    EXPECT_EQ(negative.applications(), 1);
}

TYPED_TEST(MinresTyped, CountsStagnantSteps) {
    using T = TypeParam;
    const StagnatingSystem<T> s = stagnatingSystem(laplacian<T>(4, 1.3));
    Runner runner;
    Minres solver(nullptr);
    const Outcome<T> run = runner.run(solver, s.A, s.b, configWith(1e-12, 100), nullptr, &s.x0);
    EXPECT_EQ(run.flag, kyraSparseStagnation);
    EXPECT_EQ(run.result.iterations, 5);

    kyraSparseConfig unchecked = configWith(1e-4, 100);
    unchecked.useStagnationCheck = 0;
    const Outcome<T> free = runner.run(solver, s.A, s.b, unchecked, nullptr, &s.x0);
    EXPECT_EQ(free.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solver.stagnationCount(), 0);
}

// A real application matrix: symmetric indefinite, 54 negative eigenvalues.
TEST(Minres, SolvesIndefiniteMassMatrixFromFile) {
    const std::string path = std::string(KYRA_SHARED_MATRICES) + "/bcsstm10.mtx";
    if (!std::ifstream(path)) GTEST_SKIP() << "no " << path;
    const SparseMatrix<double> A = readMatrixMarket(path);
    ASSERT_EQ(A.n(), 1086);
    const std::vector<double> b = rightHandSide(A, knownSolution<double>(A.n()));
    const auto jacobi = DiagonalPreconditioner<double>::fromMatrix(A, true);
    Runner runner;
    Minres solver(nullptr);
    const Outcome<double> run = runner.run(solver, A, b, configWith(1e-8, 20000), &jacobi);
    EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
    EXPECT_LE(trueResidual(A, b, run.x), 1e-7 * norm(b));
}

TYPED_TEST(MinresTyped, SolvesThroughThePublicInterface) {
    using T = TypeParam;
    const auto A = laplacian<T>(8, 1.3);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const PublicSolve<T> solve = solvePublicly(
        A, b, [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetMinresSolver(h, p, nullptr); },
        solveTolerance<T>());
    EXPECT_EQ(solve.status, kyraSparseNoError) << solve.lastStatus;
    EXPECT_EQ(solve.result.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solve.solverName, "minres");
    EXPECT_LE(trueResidual(A, b, solve.x), 20 * solveTolerance<T>() * norm(b));
}

TEST(Minres, NameAndOptions) {
    Minres solver(nullptr);
    EXPECT_EQ(solver.name(), "minres");
    EXPECT_EQ(statusOf([&] { solver.parameterCheck(); }).first, 0);
}

}  // namespace
