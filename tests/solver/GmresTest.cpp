#include "solver/Gmres.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"

namespace {

using namespace solvertest;
using Iterative::Gmres;

template <typename T>
class GmresTyped : public ::testing::Test {};
TYPED_TEST_SUITE(GmresTyped, ScalarTypes);

kyraSparseGmresOptions withRestart(int restart) { return {restart}; }

// x -> x shifted by one place, cyclically: GMRES with fewer than n steps
// makes no progress at all from b = e_0.
template <typename T>
SparseMatrix<T> cyclicShift(int n) {
    std::vector<Entry<T>> e;
    for (int i = 0; i < n; ++i) e.push_back({(i + 1) % n, i, scalar<T>(1.0)});
    return SparseMatrix<T>(n, e);
}

template <typename T>
std::vector<T> unitVector(int n) {
    std::vector<T> e(n, T(0));
    e[0] = scalar<T>(1.0);
    return e;
}

// A dense nonsymmetric 8x8 matrix with a dominant diagonal.
template <typename T>
SparseMatrix<T> denseNonsymmetric(int n) {
    std::vector<Entry<T>> e;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            const double re = i == j ? n + 1.0 : std::sin(1.0 + 3 * i + 7 * j);
            e.push_back({i, j, scalar<T>(re, std::cos(2.0 * i - j))});
        }
    }
    return SparseMatrix<T>(n, e);
}

TYPED_TEST(GmresTyped, SolvesNonsymmetricSystemsToTolerance) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(10);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const auto jacobi = DiagonalPreconditioner<T>::fromMatrix(A);
    Runner runner;
    for (int restart : {5, 20}) {
        for (const Preconditioner* M : withoutAndWith(jacobi)) {
            SCOPED_TRACE(::testing::Message()
                         << "restart " << restart << ", preconditioned " << (M != nullptr));
            const kyraSparseGmresOptions opts = withRestart(restart);
            Gmres solver(&opts);
            const Outcome<T> run = runner.run(solver, A, b, configWith(solveTolerance<T>(), 500), M);
            EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
            EXPECT_GT(run.result.iterations, 1);
            EXPECT_LE(trueResidual(A, b, run.x), 100 * solveTolerance<T>() * norm(b));
        }
    }
}

// With m >= n the first cycle spans the whole space: one cycle gives the
// dense solution, and a restart beyond n still takes only n Arnoldi steps
// (n products, plus one for the recomputed residual).
TYPED_TEST(GmresTyped, FullCycleGivesTheDenseSolution) {
    using T = TypeParam;
    const int n = 8;
    const auto A = denseNonsymmetric<T>(n);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(n));
    const std::vector<Wide<T>> xDense = denseSolve(A, b);
    Runner runner;
    for (int restart : {n, 50}) {
        SCOPED_TRACE(::testing::Message() << "restart " << restart);
        const CountingMatrix<T> counted(A.matrix());
        const kyraSparseGmresOptions opts = withRestart(restart);
        Gmres solver(&opts);
        const Outcome<T> run = runner.run(solver, counted, b, configWith(100 * solveTolerance<T>(), 10));
        EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
        EXPECT_EQ(run.result.iterations, 1);
        EXPECT_EQ(counted.products, n + 1);
        std::vector<Wide<T>> error(n);
        for (int i = 0; i < n; ++i) error[i] = widen(run.x[i]) - xDense[i];
        EXPECT_LE(norm(error), 10 * solveTolerance<T>() * norm(xDense));
    }
}

// w vanishes after the projection, H(1, 0) = 0 ends the Arnoldi loop, and
// the one-step least squares is exact.
TYPED_TEST(GmresTyped, OneByOneSystemTakesOneCycle) {
    using T = TypeParam;
    const auto A = diagonal<T>({4.0});
    const std::vector<T> b = {scalar<T>(3.0)};
    Runner runner;
    Gmres solver(nullptr);
    const Outcome<T> run = runner.run(solver, A, b);
    EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(run.result.iterations, 1);
    EXPECT_NEAR(kyra::abs(widen(run.x[0]) - 0.75), 0.0, 1e-6);
}

// restart = 0: no Arnoldi step, x never moves, each cycle recomputes r.
TYPED_TEST(GmresTyped, ZeroRestartNeverMovesX) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(4);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const std::vector<T> x0(A.n(), scalar<T>(0.5));
    const CountingMatrix<T> counted(A.matrix());
    Runner runner;
    const kyraSparseGmresOptions opts = withRestart(0);
    Gmres solver(&opts);
    const Outcome<T> run = runner.run(solver, counted, b, configWith(1e-6, 4), nullptr, &x0);
    EXPECT_EQ(run.flag, kyraSparseMaxIterationsReached);
    EXPECT_EQ(run.result.iterations, 4);
    EXPECT_EQ(run.x, x0);
    EXPECT_EQ(counted.products, 1 + 4);
    for (int k = 0; k <= 4; ++k) EXPECT_DOUBLE_EQ(run.history[k], 1.0) << k;
}

// Without progress every cycle runs all m steps: maxIterations = 5 with
// restart = 20 allows 100 Arnoldi steps, and each cycle writes one entry.
TYPED_TEST(GmresTyped, CyclesRunAllStepsAndRecordOneEntryEach) {
    using T = TypeParam;
    const int n = 50;
    const auto A = cyclicShift<T>(n);
    const std::vector<T> b = unitVector<T>(n);
    const CountingMatrix<T> counted(A.matrix());
    const auto identity = DiagonalPreconditioner<T>(std::vector<T>(n, scalar<T>(1.0)));
    Runner runner;
    Gmres solver(nullptr);
    const Outcome<T> run = runner.run(solver, counted, b, configWith(1e-6, 5), &identity);
    EXPECT_EQ(run.flag, kyraSparseMaxIterationsReached);
    EXPECT_EQ(run.result.iterations, 5);
    EXPECT_EQ(counted.products, 5 * (20 + 1));
    EXPECT_EQ(identity.applications(), 5 * (20 + 1));
    for (int k = 0; k <= 5; ++k) EXPECT_NEAR(run.history[k], 1.0, 1e-6) << k;
    EXPECT_EQ(run.history[6], kUnwritten);
}

// Left preconditioning: the reported residual is |M^-1 (b - A x)|, measured
// against the unpreconditioned |b - A x0|.
TEST(Gmres, ReportsThePreconditionedResidual) {
    const auto A = convectionDiffusion<double>(6);
    const std::vector<double> b = rightHandSide(A, knownSolution<double>(A.n()));
    const std::vector<double> d(A.n(), 0.25);
    const DiagonalPreconditioner<double> scaling(d);
    Runner runner;
    const kyraSparseGmresOptions opts = withRestart(3);
    Gmres solver(&opts);
    const Outcome<double> run = runner.run(solver, A, b, configWith(1e-30, 2), &scaling);
    ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
    EXPECT_DOUBLE_EQ(run.result.initialResidual, norm(b));
    EXPECT_NEAR(run.result.absoluteResidual, 4.0 * trueResidual(A, b, run.x), 1e-12 * norm(b));
}

TYPED_TEST(GmresTyped, SolvesThroughThePublicInterface) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(8);
    const std::vector<T> b = rightHandSide(A, knownSolution<T>(A.n()));
    const kyraSparseGmresOptions opts = withRestart(10);
    const PublicSolve<T> solve = solvePublicly(
        A, b, [&](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetGmresSolver(h, p, &opts); },
        solveTolerance<T>());
    EXPECT_EQ(solve.status, kyraSparseNoError) << solve.lastStatus;
    EXPECT_EQ(solve.result.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(solve.solverName, "gmres(10)");
    EXPECT_LE(trueResidual(A, b, solve.x), 100 * solveTolerance<T>() * norm(b));
}

TEST(Gmres, PublicSetterRefusesNegativeRestart) {
    const auto A = diagonal<double>({1.0});
    const std::vector<double> b = {1.0};
    const kyraSparseGmresOptions opts = withRestart(-1);
    const PublicSolve<double> solve = solvePublicly(
        A, b, [&](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetGmresSolver(h, p, &opts); },
        1e-6);
    EXPECT_EQ(solve.setterStatus, kyraSparseArgumentError);
    EXPECT_EQ(solve.lastStatus, "argument error: solverOpts.restart >= 0");
}

TEST(Gmres, NamesTheRestartAndRefusesNegativeOnes) {
    EXPECT_EQ(Gmres(nullptr).name(), "gmres(20)");
    const kyraSparseGmresOptions zero = withRestart(0);
    EXPECT_EQ(Gmres(&zero).name(), "gmres(0)");
    EXPECT_EQ(statusOf([&] { Gmres(&zero).parameterCheck(); }).first, 0);
    const kyraSparseGmresOptions negative = withRestart(-1);
    const auto outcome = statusOf([&] { Gmres(&negative).parameterCheck(); });
    EXPECT_EQ(outcome.first, kyraSparseArgumentError);
    EXPECT_EQ(outcome.second, "solverOpts.restart >= 0");
}

}  // namespace
