// A square matrix without entries (A = 0): the product must not form
// addresses from its null arrays, and a solve must end by its flags rather
// than by undefined behaviour. The faults show under the sanitizer build.

#include <gtest/gtest.h>

#include <vector>

#include "common/PublicSolve.h"
#include "matrix/HostSparseKernels.h"

namespace {

TEST(EmptyMatrixTest, ProductOfNullArraysIsZero) {
    const std::vector<int> rowPtr(4, 0);
    const std::vector<double> x{1, 2, 3};
    std::vector<double> y{7, 7, 7};
    Iterative::sparse::csrmv<double>('N', 3, 3, 1.0, "GLNC", nullptr, rowPtr.data(), nullptr, x.data(), 0.0,
                                     y.data());
    EXPECT_EQ(y, std::vector<double>(3, 0.0));
}

using Setter = kyraSparseStatus (*)(kyraSparseHandle, kyraSparsePlan);

class EmptyMatrixSolve : public PublicPlan, public ::testing::WithParamInterface<Setter> {};

TEST_P(EmptyMatrixSolve, EndsByItsFlag) {
    ASSERT_EQ(GetParam()(handle, plan), kyraSparseNoError);
    const int n = 3;
    const std::vector<int> rowPtr(n + 1, 0);
    const double unused = 0;
    const int unusedIndex = 0;
    std::vector<double> x(n, 0.0);
    const std::vector<double> b(n, 1.0);
    ASSERT_EQ(kyraSparseSetDcsrData(handle, plan, nullptr, n, 0, &unused, rowPtr.data(), &unusedIndex,
                                    x.data(), b.data()),
              kyraSparseNoError);
    config.maxIterations = 50;
    EXPECT_EQ(execute(), kyraSparseNonConvergence) << lastStatus();
    EXPECT_TRUE(result.flag == kyraSparseBreakdown || result.flag == kyraSparseMaxIterationsReached);
}

INSTANTIATE_TEST_SUITE_P(
    Solvers, EmptyMatrixSolve,
    ::testing::Values(
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetCgSolver(h, p, nullptr); },
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetGmresSolver(h, p, nullptr); },
        [](kyraSparseHandle h, kyraSparsePlan p) { return kyraSparseSetBicgstabSolver(h, p, nullptr); }));

}  // namespace
