// Approximate inverses that end up without entries (a matrix without
// entries, or every entry dropped because none is finite) are preconditioner
// failures that say so, not internal errors.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "common/PublicSolve.h"

namespace {

struct EmptyFactorCase {
    bool factorized;
    int nnz;  // 0, or 2: both off-diagonal entries NaN
    const char* text;
};

class EmptyFactor : public PublicPlan, public ::testing::WithParamInterface<EmptyFactorCase> {};

TEST_P(EmptyFactor, IsRefusedAsPreconditionerFailure) {
    const EmptyFactorCase& c = GetParam();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<double> values{nan, nan};
    const std::vector<int> rowPtr = c.nnz == 0 ? std::vector<int>{0, 0, 0} : std::vector<int>{0, 1, 2};
    const std::vector<int> colInd{1, 0};
    std::vector<double> x(2, 0.0);
    const std::vector<double> b(2, 1.0);
    ASSERT_EQ(kyraSparseSetDcsrData(handle, plan, nullptr, 2, c.nnz, values.data(), rowPtr.data(),
                                    colInd.data(), x.data(), b.data()),
              kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetGmresSolver(handle, plan, nullptr), kyraSparseNoError);
    if (c.factorized) {
        const kyraSparseFainvOptions options{0, 0.5};
        ASSERT_EQ(kyraSparseSetFainvPreconditioner(handle, plan, &options), kyraSparseNoError);
    } else {
        const kyraSparseAinvOptions options{0, 0.5};
        ASSERT_EQ(kyraSparseSetAinvPreconditioner(handle, plan, &options), kyraSparseNoError);
    }
    config.maxIterations = 5;
    EXPECT_EQ(execute(), kyraSparsePreconditionerError);
    EXPECT_EQ(lastStatus(), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmptyFactor,
    ::testing::Values(EmptyFactorCase{false, 0, "preconditioner error: approximate inverse has no entries"},
                      EmptyFactorCase{true, 0,
                                      "preconditioner error: factorized approximate inverse has no entries"},
                      EmptyFactorCase{false, 2, "preconditioner error: approximate inverse has no entries"}));

}  // namespace
