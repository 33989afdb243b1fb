#include "solver/Gmres.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"

namespace {

using namespace solvertest;
using Iterative::Gmres;

template <typename T>
class GmresTyped : public ::testing::Test {};
TYPED_TEST_SUITE(GmresTyped, ScalarTypes);

// With m >= n the first cycle spans the whole space: one cycle gives the
// dense solution, and a restart beyond n still takes only n Arnoldi steps
// (n products, plus one for the recomputed residual).
TYPED_TEST(GmresTyped, FullCycleGivesTheDenseSolution) {
    using T = TypeParam;
    const int n = 8;
    std::vector<Entry<T>> entries;  // dense, nonsymmetric, dominant diagonal
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            entries.push_back(
                {i, j, scalar<T>(i == j ? n + 1.0 : std::sin(1.0 + 3 * i + 7 * j), std::cos(2.0 * i - j))});
    const Csr<T> A(n, entries);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(n));
    const std::vector<Wide<T>> xDense = denseSolve(A.dense(), b);
    Runner runner;
    for (int restart : {n, 50}) {
        SCOPED_TRACE(::testing::Message() << "restart " << restart);
        const CountingMatrix<T> counted(A.matrix());
        const kyraSparseGmresOptions opts{restart};
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
    Runner runner;
    Gmres solver(nullptr);
    const Outcome<T> run = runner.run(solver, diagonal<T>({4.0}), {scalar<T>(3.0)});
    EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
    EXPECT_EQ(run.result.iterations, 1);
    EXPECT_NEAR(kyra::abs(widen(run.x[0]) - 0.75), 0.0, 1e-6);
}

// restart = 0: no Arnoldi step, x never moves, each cycle recomputes r.
TYPED_TEST(GmresTyped, ZeroRestartNeverMovesX) {
    using T = TypeParam;
    const auto A = convectionDiffusion<T>(4);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    const std::vector<T> x0(A.n(), scalar<T>(0.5));
    const CountingMatrix<T> counted(A.matrix());
    Runner runner;
    const kyraSparseGmresOptions zero{0};
    Gmres solver(&zero);
    const Outcome<T> run = runner.run(solver, counted, b, configWith(1e-6, 4), nullptr, &x0);
    EXPECT_EQ(run.flag, kyraSparseMaxIterationsReached);
    EXPECT_EQ(run.result.iterations, 4);
    EXPECT_EQ(run.x, x0);
    EXPECT_EQ(counted.products, 1 + 4);
    for (int k = 0; k <= 4; ++k) EXPECT_DOUBLE_EQ(run.history[k], 1.0) << k;
}

// x -> x shifted by one place, cyclically, from b = e_0: GMRES with fewer
// than n steps makes no progress, so every cycle runs all m steps:
// maxIterations = 5 with restart = 20 allows 100 Arnoldi steps, and each
// cycle writes one entry.
TYPED_TEST(GmresTyped, CyclesRunAllStepsAndRecordOneEntryEach) {
    using T = TypeParam;
    const int n = 50;
    std::vector<Entry<T>> shift;
    for (int i = 0; i < n; ++i) shift.push_back({(i + 1) % n, i, scalar<T>(1.0)});
    const Csr<T> A(n, shift);
    std::vector<T> b(n, T(0));
    b[0] = scalar<T>(1.0);
    const CountingMatrix<T> counted(A.matrix());
    const DiagonalPreconditioner<T> identity(std::vector<T>(n, scalar<T>(1.0)));
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
    const std::vector<double> b = rightHandSide(A, smoothSolution<double>(A.n()));
    const DiagonalPreconditioner<double> scaling(std::vector<double>(A.n(), 0.25));
    Runner runner;
    const kyraSparseGmresOptions three{3};
    Gmres solver(&three);
    const Outcome<double> run = runner.run(solver, A, b, configWith(1e-30, 2), &scaling);
    ASSERT_EQ(run.flag, kyraSparseMaxIterationsReached);
    EXPECT_DOUBLE_EQ(run.result.initialResidual, norm(b));
    EXPECT_NEAR(run.result.absoluteResidual, 4.0 * trueResidual(A, b, run.x), 1e-12 * norm(b));
}

}  // namespace
