#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "api/SafeInterface.h"
#include "common/PublicSolve.h"
#include "common/SmallSystems.h"
#include "core/Context.h"

namespace {

// Jacobi scaling supplied as a user-defined preconditioner, so the test's
// textbook method can apply exactly the same M.
struct Diagonal {
    std::vector<double> inverse;
};

int applyDiagonal(char, const double* in, double* out, void* user) {
    const auto& d = static_cast<const Diagonal*>(user)->inverse;
    for (size_t i = 0; i < d.size(); ++i) out[i] = d[i] * in[i];
    return 0;
}

Diagonal inverseDiagonal(const CsrSystem& a) {
    Diagonal d;
    d.inverse.assign(a.n, 0.0);
    for (int i = 0; i < a.n; ++i)
        for (int k = a.rowPtr[i]; k < a.rowPtr[i + 1]; ++k)
            if (a.colInd[k] == i) d.inverse[i] = 1.0 / a.values[k];
    return d;
}

// Textbook preconditioned CG on the dense matrix, stopping when
// ||r_k|| <= tol ||r_0||; returns the relative residual of every iteration.
std::vector<double> textbookPcg(const CsrSystem& a, const std::vector<double>& b,
                                const std::vector<double>& minv, double tol, int maxIterations) {
    const int n = a.n;
    const std::vector<double> dense = a.dense();
    std::vector<double> x(n, 0.0), r = b, z(n), p(n), q(n);
    auto dot = [](const std::vector<double>& u, const std::vector<double>& v) {
        double s = 0;
        for (size_t i = 0; i < u.size(); ++i) s += u[i] * v[i];
        return s;
    };
    const double r0 = norm(r);
    std::vector<double> history{1.0};
    double rhoOld = 0;
    for (int k = 0; k < maxIterations && history.back() > tol; ++k) {
        for (int i = 0; i < n; ++i) z[i] = minv[i] * r[i];
        const double rho = dot(r, z);
        for (int i = 0; i < n; ++i) p[i] = k == 0 ? z[i] : z[i] + rho / rhoOld * p[i];
        for (int i = 0; i < n; ++i) {
            q[i] = 0;
            for (int j = 0; j < n; ++j) q[i] += dense[static_cast<size_t>(i) * n + j] * p[j];
        }
        const double alpha = rho / dot(p, q);
        for (int i = 0; i < n; ++i) x[i] += alpha * p[i], r[i] -= alpha * q[i];
        history.push_back(norm(r) / r0);
        rhoOld = rho;
    }
    return history;
}

class CgSolve : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    }

    kyraSparseStatus solve(const CsrSystem& a, const std::vector<double>& b, std::vector<double>& x) {
        EXPECT_EQ(setData(a, x, b), kyraSparseNoError);
        return execute();
    }
};

TEST_F(CgSolve, MatchesTextbookPreconditionedCg) {
    const CsrSystem a = graded1d(300);
    const std::vector<double> b = a.multiply(knownSolution(a.n));
    Diagonal d = inverseDiagonal(a);
    kyraSparseUserDefinedOptions opts{};
    opts.dApply = applyDiagonal;
    ASSERT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, &opts, &d), kyraSparseNoError);
    std::vector<double> residuals(config.maxIterations + 1, -1.0);
    config.residualVector = residuals.data();
    config.relativeTolerance = 1e-10;
    std::vector<double> x(a.n, 0.0);
    ASSERT_EQ(solve(a, b, x), kyraSparseNoError) << lastStatus();

    const std::vector<double> reference = textbookPcg(a, b, d.inverse, 1e-10, 10000);
    const int referenceIterations = static_cast<int>(reference.size()) - 1;
    EXPECT_NEAR(result.iterations, referenceIterations, 1);
    EXPECT_EQ(result.flag, kyraSparseRelativeToleranceReached);
    for (int k = 0; k <= std::min(result.iterations, referenceIterations); ++k)
        EXPECT_NEAR(residuals[k], reference[k], 1e-6 * reference[k] + 1e-14) << "iteration " << k;
    EXPECT_EQ(residuals[result.iterations + 1], -1.0) << "nothing beyond the last iteration is written";
    EXPECT_DOUBLE_EQ(result.relativeResidual, residuals[result.iterations]);
    EXPECT_LE(trueRelativeResidual(a, x, b), 1e-9);
}

TEST_F(CgSolve, ReportedResidualsFollowTheirDefinitions) {
    const CsrSystem a = poisson2d(12);
    const std::vector<double> b = a.multiply(knownSolution(a.n));
    std::vector<double> x(a.n, 0.0);
    ASSERT_EQ(solve(a, b, x), kyraSparseNoError);
    EXPECT_DOUBLE_EQ(result.initialResidual, norm(b));
    EXPECT_DOUBLE_EQ(result.relativeResidual, result.absoluteResidual / result.initialResidual);
    EXPECT_LE(result.relativeResidual, config.relativeTolerance);
    EXPECT_LE(trueRelativeResidual(a, x, b), 2 * config.relativeTolerance);
    EXPECT_EQ(result.totalTime, result.overheadTime + result.preconditionerTime + result.solverTime);
}

// Runs that end at once or after one pass, and the x each leaves: the 1x1
// system is solved exactly, a zero right-hand side gives x = 0 with zero
// (not undefined) residuals, an exact guess or no allowed iteration keeps
// the guess, and a negative definite matrix breaks down at the zero start.
TEST_F(CgSolve, EdgeCasesEndWhereTheyMust) {
    CsrSystem one;
    one.add(0, 4.0);
    one.endRow();
    const CsrSystem grid = poisson2d(5), negative = poisson2d(4, -1.0);
    using V = std::vector<double>;
    const V ones(25, 1.0), zeros(25, 0.0);
    const struct {
        const CsrSystem& a;
        V b, x, expectedX;
        int useInitialGuess, maxIterations;
        kyraSparseStatus status;
        kyraSparseFlag flag;
        int iterations;
        const char* text;  // the summary sentence, where checked
    } cases[] = {
        {one, V{2.0}, V{0.0}, V{0.5}, 0, 10000, kyraSparseNoError, kyraSparseRelativeToleranceReached, 1,
         nullptr},
        {grid, zeros, V(25, 3.0), zeros, 0, 10000, kyraSparseNoError, kyraSparseRelativeToleranceReached, 0,
         nullptr},
        {grid, grid.multiply(ones), ones, ones, 1, 10000, kyraSparseNoError,
         kyraSparseRelativeToleranceReached, 0, nullptr},
        {grid, ones, V(25, 0.25), V(25, 0.25), 1, 0, kyraSparseNonConvergence, kyraSparseMaxIterationsReached,
         0,
         "cg with no preconditioner stopped at iteration 0 with a relative residual of 1 because the maximum "
         "number of iterations was reached"},
        {negative, V(16, 1.0), V(16, 7.0), V(16, 0.0), 0, 10000, kyraSparseNonConvergence,
         kyraSparseBreakdown, 0, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message()
                     << "n " << c.a.n << " max " << c.maxIterations << " flag " << c.flag);
        config.useInitialGuess = c.useInitialGuess;
        config.maxIterations = c.maxIterations;
        std::vector<double> x = c.x;
        ASSERT_EQ(solve(c.a, c.b, x), c.status);
        EXPECT_EQ(result.flag, c.flag);
        EXPECT_EQ(result.iterations, c.iterations);
        EXPECT_EQ(x, c.expectedX);
        if (c.text) {
            EXPECT_EQ(lastStatus(), c.text);
        }
        if (norm(c.b) == 0.0) {
            EXPECT_EQ(result.absoluteResidual, 0.0);
            EXPECT_EQ(result.relativeResidual, 0.0);
        }
    }
}

TEST_F(CgSolve, BestIterateIsReturnedWithItsRecord) {
    // A diagonal matrix with eigenvalues spread over four decades: CG's
    // residual jumps up at iteration 24 after its best value at 23.
    CsrSystem a;
    for (int i = 0; i < 50; ++i) {
        a.add(i, std::pow(10.0, 4.0 * i / 49.0));
        a.endRow();
    }
    const std::vector<double> b(a.n, 1.0);
    std::vector<double> residuals(25, -1.0);
    config.residualVector = residuals.data();
    config.maxIterations = 24;
    config.useBestIterate = 1;
    std::vector<double> x(a.n, 0.0);
    ASSERT_EQ(solve(a, b, x), kyraSparseNonConvergence);
    int best = 0;
    for (int k = 1; k <= 24; ++k)
        if (residuals[k] < residuals[best]) best = k;
    ASSERT_LT(best, 24) << "the last iterate must be worse than an earlier one";
    EXPECT_EQ(result.iterations, best);
    EXPECT_DOUBLE_EQ(result.relativeResidual, residuals[best]);
    EXPECT_NEAR(trueRelativeResidual(a, x, b), residuals[best], 1e-6 * residuals[best]);
}

TEST_F(CgSolve, InterruptByteEndsTheRunAndIsCleared) {
    const CsrSystem a = poisson2d(6);
    const std::vector<double> b(a.n, 1.0);
    std::vector<double> x(a.n, 0.0);
    Iterative::contextOf(handle).setInterrupt();
    ASSERT_EQ(solve(a, b, x), kyraSparseNonConvergence);
    EXPECT_EQ(result.flag, kyraSparseUserInterrupt);
    EXPECT_EQ(result.iterations, 0);
    EXPECT_FALSE(Iterative::contextOf(handle).checkInterupt());
}

TEST_F(CgSolve, TinyRuntimeLimitStopsTheRun) {
    const CsrSystem a = graded1d(2000);
    const std::vector<double> b(a.n, 1.0);
    std::vector<double> x(a.n, 0.0);
    config.relativeTolerance = 1e-300;
    config.absoluteTolerance = std::numeric_limits<double>::denorm_min();
    config.maxRuntime = 1e-9;
    config.useStagnationCheck = 0;
    ASSERT_EQ(solve(a, b, x), kyraSparseNonConvergence);
    EXPECT_EQ(result.flag, kyraSparseMaxRuntimeReached);
}

TEST_F(CgSolve, ToleranceEdges) {
    const CsrSystem a = poisson2d(4);
    const std::vector<double> b(a.n, 1.0);
    std::vector<double> x(a.n, 0.0);
    config.relativeTolerance = 1.0;
    ASSERT_EQ(solve(a, b, x), kyraSparseNoError);
    EXPECT_EQ(result.iterations, 0);

    config.relativeTolerance = 0.5;
    config.divergenceTolerance = 1.0;
    ASSERT_EQ(solve(a, b, x), kyraSparseNonConvergence);
    EXPECT_EQ(result.flag, kyraSparseDivergenceToleranceReached);

    config.divergenceTolerance = 1e5;
    config.absoluteTolerance = 1e3;
    ASSERT_EQ(solve(a, b, x), kyraSparseNoError);
    EXPECT_EQ(result.flag, kyraSparseAbsoluteToleranceReached);
    EXPECT_EQ(result.iterations, 0);
}

}  // namespace
