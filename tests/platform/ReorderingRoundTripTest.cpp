// Reordering stays invisible to the caller: every execution reads the
// caller's current b and initial guess, and a user-defined preconditioner
// sees vectors in the caller's numbering. Each test runs without reordering,
// with COLAMD and with SYMAMD.

#include <gtest/gtest.h>

#include <vector>

#include "common/HandleFixture.h"
#include "common/SmallSystems.h"
#include "kyraSparse.h"

namespace {

// A 2-D Poisson matrix whose diagonal varies strongly from unknown to unknown,
// so that a diagonal preconditioner applied to the wrong unknowns shows.
CsrSystem variedDiagonal(int g) {
    CsrSystem s = poisson2d(g);
    for (int i = 0; i < s.n; ++i)
        for (int k = s.rowPtr[i]; k < s.rowPtr[i + 1]; ++k)
            if (s.colInd[k] == i) s.values[k] *= 1.0 + 40.0 * (i % 5);
    return s;
}

// The callback's inverse diagonal, in the caller's numbering.
int applyInverseDiagonal(char, const double* in, double* out, void* user) {
    const auto& inverse = *static_cast<const std::vector<double>*>(user);
    for (std::size_t i = 0; i < inverse.size(); ++i) out[i] = inverse[i] * in[i];
    return 0;
}

class ReorderingRoundTrip : public HandleTest, public ::testing::WithParamInterface<kyraSparseReordering> {
  protected:
    void SetUp() override {
        HandleTest::SetUp();
        ASSERT_EQ(kyraSparseNoError, kyraSparseCreatePlan(handle, &plan));
        ASSERT_EQ(kyraSparseNoError, kyraSparseConfigInit(handle, &config));
        const kyraSparseHostOptions opts{GetParam(), 0};
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetHostPlatform(handle, plan, &opts));
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetCgSolver(handle, plan, nullptr));
        config.relativeTolerance = 1e-12;
    }
    void TearDown() override {
        EXPECT_EQ(kyraSparseNoError, kyraSparseDestroyPlan(plan));
        HandleTest::TearDown();
    }

    void setData() {
        ASSERT_EQ(kyraSparseNoError,
                  kyraSparseSetDcsrData(handle, plan, nullptr, A.n, A.nnz(), A.values.data(), A.rowPtr.data(),
                                        A.colInd.data(), x.data(), b.data()));
    }

    void expectX(const std::vector<double>& expected, double tolerance) {
        for (int i = 0; i < A.n; ++i) EXPECT_NEAR(expected[i], x[i], tolerance) << "element " << i;
    }

    const CsrSystem A = variedDiagonal(6);
    const std::vector<double> solution = knownSolution(A.n);
    std::vector<double> b = A.multiply(solution);
    std::vector<double> x = std::vector<double>(A.n, 0.0);
    kyraSparsePlan plan = nullptr;
    kyraSparseConfig config{};
    kyraSparseResult result{};
};

TEST_P(ReorderingRoundTrip, ReExecutionReadsTheCallersCurrentVectors) {
    setData();
    ASSERT_EQ(kyraSparseNoError, kyraSparseExecutePlan(handle, plan, &config, &result)) << lastStatus();
    expectX(solution, 1e-9);

    for (double& v : b) v *= 2.0;
    ASSERT_EQ(kyraSparseNoError, kyraSparseExecutePlan(handle, plan, &config, &result)) << lastStatus();
    std::vector<double> doubled = solution;
    for (double& v : doubled) v *= 2.0;
    expectX(doubled, 2e-9);

    // No iteration: the caller's fresh initial guess comes back unchanged,
    // with the residual of that guess.
    const std::vector<double> guess = knownSolution(A.n, 11);
    x = guess;
    config.useInitialGuess = 1;
    config.maxIterations = 0;
    kyraSparseExecutePlan(handle, plan, &config, &result);
    EXPECT_EQ(kyraSparseMaxIterationsReached, result.flag);
    expectX(guess, 0.0);
    EXPECT_NEAR(trueRelativeResidual(A, guess, b) * norm(b), result.initialResidual, 1e-9);
}

TEST_P(ReorderingRoundTrip, PreconditionerCallbackWorksInTheCallersNumbering) {
    std::vector<double> inverse(A.n);
    for (int i = 0; i < A.n; ++i)
        for (int k = A.rowPtr[i]; k < A.rowPtr[i + 1]; ++k)
            if (A.colInd[k] == i) inverse[i] = 1.0 / A.values[k];
    kyraSparseUserDefinedOptions opts{};
    opts.dApply = applyInverseDiagonal;
    ASSERT_EQ(kyraSparseNoError, kyraSparseSetUserDefinedPreconditioner(handle, plan, &opts, &inverse));
    setData();
    ASSERT_EQ(kyraSparseNoError, kyraSparseExecutePlan(handle, plan, &config, &result)) << lastStatus();
    expectX(solution, 1e-9);
    // Jacobi-preconditioned CG takes 9 iterations in the caller's numbering
    // (over 50 with the diagonal applied to the wrong unknowns); renumbering
    // changes only rounding.
    EXPECT_NEAR(9, result.iterations, 1);
}

INSTANTIATE_TEST_SUITE_P(EveryKind, ReorderingRoundTrip,
                         ::testing::Values(kyraSparseNoReordering, kyraSparseAmdReordering,
                                           kyraSparseSymamdReordering));

}  // namespace
