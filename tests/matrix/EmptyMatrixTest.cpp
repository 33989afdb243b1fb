// A solve with A = 0 (a matrix without entries) ends by its flag, not by
// undefined behaviour from the null arrays, which shows under the sanitizer
// build.

#include <gtest/gtest.h>

#include <vector>

#include "common/PublicSolve.h"

namespace {

class EmptyMatrixSolve : public PublicPlan {};

TEST_F(EmptyMatrixSolve, EndsByItsFlag) {
    using Setter = kyraSparseStatus (*)(kyraSparseHandle, kyraSparsePlan);
    const Setter solvers[] = {
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetCgSolver(h, p, nullptr); },
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetGmresSolver(h, p, nullptr); },
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetBicgstabSolver(h, p, nullptr); }};
    const std::vector<int> rowPtr(4, 0);
    const double unused = 0;
    const int unusedIndex = 0;
    std::vector<double> x(3, 0.0);
    const std::vector<double> b(3, 1.0);
    config.maxIterations = 50;
    for (const Setter setSolver : solvers) {
        ASSERT_EQ(setSolver(handle, plan), kyraSparseNoError);
        ASSERT_EQ(kyraSparseSetDcsrData(handle, plan, nullptr, 3, 0, &unused, rowPtr.data(), &unusedIndex,
                                        x.data(), b.data()),
                  kyraSparseNoError);
        EXPECT_EQ(execute(), kyraSparseNonConvergence) << lastStatus();
        EXPECT_TRUE(result.flag == kyraSparseBreakdown || result.flag == kyraSparseMaxIterationsReached);
    }
}

}  // namespace
