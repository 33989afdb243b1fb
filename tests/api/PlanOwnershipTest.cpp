// A plan belongs to the handle that created it: driven through another
// handle, every plan function is refused with status 11, and the plan stays
// usable through its own handle.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/PublicSolve.h"

namespace {

class PlanOwnershipTest : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        ASSERT_EQ(kyraSparseCreate(&other), kyraSparseNoError);
    }
    void TearDown() override {
        EXPECT_EQ(kyraSparseDestroy(other), kyraSparseNoError);
        PublicPlan::TearDown();
    }

    void expectRefused(kyraSparseStatus status) {
        EXPECT_EQ(status, kyraSparsePlanError);
        char text[256];
        ASSERT_EQ(kyraSparseGetLastStatusString(other, text, sizeof text), kyraSparseNoError);
        EXPECT_EQ(std::string(text), "plan error: plan belongs to another handle");
    }

    kyraSparseHandle other = nullptr;
};

TEST_F(PlanOwnershipTest, AnotherHandleIsRefusedAndTheOwnerStillSolves) {
    const std::vector<double> values{4, 1, 1, 3};
    const std::vector<int> rowPtr{0, 2, 4};
    const std::vector<int> colInd{0, 1, 0, 1};
    std::vector<double> x(2, 0.0);
    const std::vector<double> b{1, 2};
    char text[256];

    expectRefused(kyraSparseSetDcsrData(other, plan, nullptr, 2, 4, values.data(), rowPtr.data(),
                                        colInd.data(), x.data(), b.data()));
    expectRefused(kyraSparseSetCgSolver(other, plan, nullptr));
    expectRefused(kyraSparseSetJacobiPreconditioner(other, plan, nullptr));
    expectRefused(kyraSparseSetHostPlatform(other, plan, nullptr));
    expectRefused(kyraSparseExecutePlan(other, plan, &config, &result));
    expectRefused(kyraSparseGetPlanString(other, plan, text, sizeof text));

    ASSERT_EQ(kyraSparseSetDcsrData(handle, plan, nullptr, 2, 4, values.data(), rowPtr.data(), colInd.data(),
                                    x.data(), b.data()),
              kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(execute(), kyraSparseNoError) << lastStatus();
    // 4 x0 + x1 = 1, x0 + 3 x1 = 2.
    EXPECT_NEAR(x[0], 1.0 / 11, 1e-6);
    EXPECT_NEAR(x[1], 7.0 / 11, 1e-6);
}

}  // namespace
