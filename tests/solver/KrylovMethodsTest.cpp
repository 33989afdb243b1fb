// What every Krylov method owes, checked method by method from tables.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "SolverTestSupport.h"
#include "common/PublicSolve.h"

namespace {

using namespace solvertest;

template <typename T>
class KrylovMethods : public PublicPlan {};
TYPED_TEST_SUITE(KrylovMethods, ScalarTypes);

// Directly and through the public interface. Methods whose recurrence
// carries the true residual must report it (BiCGSTAB(l), MINRES).
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
template <typename T>
class Preconditioned : public ::testing::Test {};
using WideTypes = ::testing::Types<double, kyra::Complex<double>>;
TYPED_TEST_SUITE(Preconditioned, WideTypes);

TYPED_TEST(Preconditioned, IteratesAreThoseOfTheTransformedSystem) {
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
                      1e-9 * norm(withM.x))
                << i;
    }
}

// Each case breaks down before x moves (or, for BiCGSTAB's 1x1 system,
// right after discarding the exact half step from x = 0): <r~, A r> = 0 for
// a skew-symmetric A and a real residual; an exact first BiCG step leaves
// R[0] = R[1] = 0 inside a BiCGSTAB(l) cycle; the Krylov space of a I is
// exhausted after one MINRES step.
TYPED_TEST(KrylovMethods, BreakdownsLeaveXWhereTheMethodPromises) {
    using T = TypeParam;
    const auto skew = [] { return Csr<T>(2, {{0, 1, scalar<T>(1.0)}, {1, 0, scalar<T>(-1.0)}}); };
    const std::vector<T> guess = {scalar<T>(0.5), scalar<T>(0.25)}, three{scalar<T>(3.0)},
                         half(4, scalar<T>(0.5));
    const struct {
        Method m;
        Csr<T> A;
        std::vector<T> b, x0, expected;  // no x0: a zero start
    } cases[] = {
        {bicg(), skew(), {scalar<T>(1.0), scalar<T>(2.0)}, guess, guess},
        {bicgstab(), skew(), {scalar<T>(1.0), scalar<T>(2.0)}, guess, guess},
        {bicgstab(), diagonal<T>({2.0}), three, {}, {T(0)}},
        {bicgstabl(1), diagonal<T>({2.0}), {scalar<T>(1.0)}, three, three},
        {bicgstabl(2), diagonal<T>({2.0}), {scalar<T>(1.0)}, three, three},
        {minres(), diagonal<T>({3.0, 3.0, 3.0, 3.0}), std::vector<T>(4, scalar<T>(2.5)), half, half},
    };
    Runner runner;
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.m.name << " n " << c.A.n());
        const Outcome<T> run =
            runner.run(*c.m.make(), c.A, c.b, configWith(1e-6, 100), nullptr, c.x0.empty() ? nullptr : &c.x0);
        EXPECT_EQ(run.flag, kyraSparseBreakdown);
        EXPECT_EQ(run.result.iterations, 0);
        EXPECT_EQ(run.x, c.expected);
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
        const StagnatingSystem<T> s(systemFor<T>(c.m, 4, 1.3));
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

// One history entry per iteration (per cycle for GMRES and BiCGSTAB(l)),
// the last being the reported relative residual, and nothing beyond.
TEST(KrylovMethodHistory, OneEntryPerIteration) {
    Runner runner;
    for (const Method& m : {cg(), bicg(0), bicgstab(), bicgstabl(2), gmres(3), minres()}) {
        SCOPED_TRACE(m.name);
        const Csr<double> A = systemFor<double>(m, 8);
        const std::vector<double> b = rightHandSide(A, smoothSolution<double>(A.n()));
        const Outcome<double> run = runner.run(*m.make(), A, b, configWith(1e-30, 4));
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
    const auto defaults = [](auto setter) {
        return [setter](kyraSparseHandle h, kyraSparsePlan p) { return setter(h, p, nullptr); };
    };
    const struct {
        std::function<kyraSparseStatus(kyraSparseHandle, kyraSparsePlan)> set;
        kyraSparseStatus status;
        std::string text;  // the plan's solver text, or the refusal
    } cases[] = {
        {bicg(-3).set, kyraSparseNoError, "bicg"},
        {defaults(kyraSparseSetBicgstablSolver), kyraSparseNoError, "bicgstabl(2)"},
        {bicgstabl(8).set, kyraSparseNoError, "bicgstabl(8)"},
        {defaults(kyraSparseSetGmresSolver), kyraSparseNoError, "gmres(20)"},
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

}  // namespace
