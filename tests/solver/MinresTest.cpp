#include "solver/Minres.h"

#include <gtest/gtest.h>

#include "SolverTestSupport.h"

namespace {

using namespace solvertest;
using Iterative::Minres;

template <typename T>
class MinresTyped : public ::testing::Test {};
TYPED_TEST_SUITE(MinresTyped, ScalarTypes);

// Without preconditioner MINRES minimises |b - A x| over growing Krylov
// spaces, so the recorded norms never increase, on an indefinite system too.
TYPED_TEST(MinresTyped, ResidualNormsNeverIncrease) {
    using T = TypeParam;
    const auto A = laplacian<T>(12, 2.1);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    Runner runner;
    Minres solver(nullptr);
    const Outcome<T> run = runner.run(solver, A, b, configWith(solveTolerance<T>(), 1000));
    ASSERT_EQ(run.flag, kyraSparseRelativeToleranceReached);
    ASSERT_GT(run.result.iterations, 10);
    for (int k = 1; k <= run.result.iterations; ++k)
        EXPECT_LE(run.history[k], run.history[k - 1] * (1 + 1e-6)) << "entry " << k;
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

// A preconditioner that is not positive definite stops the run after the
// initial residual and the first application, before x moves.
TYPED_TEST(MinresTyped, NegativeDefinitePreconditionerBreaksDownAtOnce) {
    using T = TypeParam;
    const auto A = laplacian<T>(4);
    const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
    const std::vector<T> x0(A.n(), scalar<T>(0.25));
    const DiagonalPreconditioner<T> negative(std::vector<T>(A.n(), scalar<T>(-2.0)));
    const CountingMatrix<T> counted(A.matrix());
    Runner runner;
    Minres solver(nullptr);
    const Outcome<T> run = runner.run(solver, counted, b, configWith(), &negative, &x0);
    EXPECT_EQ(run.flag, kyraSparseBreakdown);
    EXPECT_EQ(run.result.iterations, 0);
    EXPECT_EQ(run.x, x0);
    EXPECT_EQ(counted.products, 1);
    EXPECT_EQ(negative.applications(), 1);
}

// A real application matrix: symmetric indefinite, 54 negative eigenvalues.
TEST(Minres, SolvesIndefiniteMassMatrixFromFile) {
    int n = 0;
    std::vector<Entry<double>> entries;
    if (!readMatrixMarket(std::string(KYRA_SHARED_MATRICES) + "/bcsstm10.mtx", n, entries))
        GTEST_SKIP() << "shared matrices not available";
    const Csr<double> A(n, sortedByRowAndColumn(entries));
    ASSERT_EQ(A.n(), 1086);
    const std::vector<double> b = rightHandSide(A, smoothSolution<double>(A.n()));
    const auto jacobi = DiagonalPreconditioner<double>::fromMatrix(A, true);
    Runner runner;
    Minres solver(nullptr);
    const Outcome<double> run = runner.run(solver, A, b, configWith(1e-8, 20000), &jacobi);
    EXPECT_EQ(run.flag, kyraSparseRelativeToleranceReached);
    EXPECT_LE(trueResidual(A, b, run.x), 1e-7 * norm(b));
}

}  // namespace
