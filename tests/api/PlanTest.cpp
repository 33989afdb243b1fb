// Plans through the public functions: their description, the order of the
// checks, what each setter resets, the configuration checks of execution,
// and failures that leave the plan usable.

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/PublicSolve.h"
#include "core/Plan.h"
#include "preconditioner/Preconditioner.h"

namespace {

class PlanTest : public PublicPlan {
  protected:
    std::string description() {
        char buf[512];
        EXPECT_EQ(kyraSparseGetPlanString(handle, plan, buf, sizeof buf), kyraSparseNoError);
        return buf;
    }
    static std::string described(const std::string& format, const std::string& preconditioner,
                                 const std::string& solver) {
        return "Data Format    : " + format + "\nPlatform       : host\nPreconditioner : " + preconditioner +
               "\nSolver         : " + solver + "\n";
    }
    kyraSparseStatus setData() { return PublicPlan::setData(system, x, b); }
    bool preconditionerIsSetUp() { return Iterative::getPlan(plan).getPreconditioner().isInit(); }

    const Csr<double> system = poisson2d(4);
    std::vector<double> b = std::vector<double>(16, 1.0), x = std::vector<double>(16, 0.0);
};

int identity(char, const double* in, double* out, void*) {
    std::memcpy(out, in, 16 * sizeof(double));
    return 0;
}

// The description names what the setters chose; refused calls leave the
// plan as it was. The arguments are checked before the plan is looked up.
TEST_F(PlanTest, DescriptionFollowsTheSettersAndRefusedCallsChangeNothing) {
    EXPECT_EQ(description(), described("None", "no preconditioner", "no solver"));
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    char buf[32];
    EXPECT_EQ(kyraSparseGetPlanString(handle, nullptr, buf, sizeof buf), kyraSparsePlanError);
    EXPECT_EQ(lastStatus(), "plan error: null plan");
    EXPECT_EQ(kyraSparseExecutePlan(handle, nullptr, nullptr, &result), kyraSparsePlanError);
    EXPECT_EQ(kyraSparseDestroyPlan(nullptr), kyraSparseUnspecifiedError);
    EXPECT_EQ(kyraSparseCreatePlan(handle, nullptr), kyraSparseArgumentError);
    for (kyraSparsePlan p : {kyraSparsePlan(nullptr), plan}) {
        EXPECT_EQ(kyraSparseSetDcsrData(handle, p, nullptr, -1, 0, b.data(), system.rowPtr().data(),
                                        system.colInd().data(), x.data(), b.data()),
                  kyraSparseArgumentError);
        EXPECT_EQ(lastStatus(), "argument error: n >= 0");
    }
    const kyraSparseHostOptions host{kyraSparseNoReordering, 2};
    EXPECT_EQ(kyraSparseSetHostPlatform(handle, plan, &host), kyraSparseArgumentError);
    kyraSparseUserDefinedOptions opts{};
    EXPECT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, nullptr, nullptr),
              kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: precondOpts != 0");
    EXPECT_EQ(description(), described("None", "no preconditioner", "cg"));

    ASSERT_EQ(setData(), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, &opts, nullptr), kyraSparseNoError);
    EXPECT_EQ(description(), described("csr", "user defined", "cg"));
}

// A plan belongs to the handle that created it: through another handle its
// functions are refused with status 11 (the owner still solving with it is
// part of the concurrency stress test).
TEST_F(PlanTest, AnotherHandleIsRefused) {
    kyraSparseHandle other = nullptr;
    ASSERT_EQ(kyraSparseCreate(&other), kyraSparseNoError);
    char text[256];
    for (kyraSparseStatus status :
         {kyraSparseSetDcsrData(other, plan, nullptr, system.n(), system.nnz(), system.val().data(),
                                system.rowPtr().data(), system.colInd().data(), x.data(), b.data()),
          kyraSparseSetCgSolver(other, plan, nullptr),
          kyraSparseSetJacobiPreconditioner(other, plan, nullptr),
          kyraSparseSetHostPlatform(other, plan, nullptr),
          kyraSparseExecutePlan(other, plan, &config, &result),
          kyraSparseGetPlanString(other, plan, text, sizeof text)})
        EXPECT_EQ(status, kyraSparsePlanError);
    ASSERT_EQ(kyraSparseGetLastStatusString(other, text, sizeof text), kyraSparseNoError);
    EXPECT_STREQ(text, "plan error: plan belongs to another handle");
    EXPECT_EQ(kyraSparseDestroy(other), kyraSparseNoError);
}

TEST_F(PlanTest, ExecutingWithoutDataDoesNothingAndWithoutSolverReportsFlagEight) {
    std::memset(&result, 0x7F, sizeof result);
    const kyraSparseResult before = result;
    EXPECT_EQ(execute(), kyraSparseNoError);
    EXPECT_EQ(lastStatus(), "nothing to run as data has not yet been set");
    EXPECT_EQ(std::memcmp(&result, &before, sizeof result), 0);

    ASSERT_EQ(setData(), kyraSparseNoError);
    EXPECT_EQ(kyraSparseExecutePlan(handle, plan, nullptr, &result), kyraSparseNoError);
    EXPECT_EQ(result.flag, kyraSparseNoSolverSelected);
    EXPECT_EQ(result.config.maxIterations, 10000);
    EXPECT_EQ(lastStatus(), "the solver was not configured to execute");
    EXPECT_EQ(lastStatus(), "the operation completed successfully");
}

TEST_F(PlanTest, ConfigurationChecksInOrder) {
    ASSERT_EQ(setData(), kyraSparseNoError);
    const double nan = std::nan("");
    const struct {
        double relative, absolute, divergence, runtime;
        int maxIterations;
        const char* text;
    } cases[] = {
        {0.0, 1e-50, 1e5, 0, 10, "config.relativeTolerance > 0.0"},
        {2.0, 1e-50, 1e5, 0, 10, "config.relativeTolerance <= 1.0"},
        {nan, 1e-50, 1e5, 0, 10, "config.relativeTolerance > 0.0"},
        {1e-6, 0.0, 1e5, 0, -1, "config.absoluteTolerance > 0.0"},
        {1e-6, 1e-50, 0.5, 0, 10, "config.divergenceTolerance >= 1.0"},
        {1e-6, 1e-50, nan, 0, 10, "config.divergenceTolerance >= 1.0"},
        {1e-6, 1e-50, 1e5, -1, -1, "config.maxIterations >= 0"},
        {1e-6, 1e-50, 1e5, -1, 10, "config.maxRuntime >= 0"},
        {1.0, 1e-50, 1.0, 0, 0, nullptr},
    };
    for (const auto& c : cases) {
        config.relativeTolerance = c.relative;
        config.absoluteTolerance = c.absolute;
        config.divergenceTolerance = c.divergence;
        config.maxRuntime = c.runtime;
        config.maxIterations = c.maxIterations;
        EXPECT_EQ(execute(), c.text ? kyraSparseArgumentError : kyraSparseNoError) << c.text;
        if (c.text) {
            EXPECT_EQ(lastStatus(), std::string("argument error: ") + c.text);
        }
    }
    EXPECT_EQ(kyraSparseExecutePlan(handle, plan, nullptr, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: result != 0");
}

// New data or a new platform need a new set-up of the preconditioner; a new
// solver does not, and a second execution reuses the set-up. Single-precision
// data replace the double data but need a callback of their own: without it
// the first application fails and leaves the plan usable.
TEST_F(PlanTest, WhatTheSettersResetAndDataOfAnotherType) {
    kyraSparseUserDefinedOptions opts{};
    opts.dApply = identity;
    ASSERT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, &opts, nullptr), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(setData(), kyraSparseNoError);
    EXPECT_FALSE(preconditionerIsSetUp());
    ASSERT_EQ(execute(), kyraSparseNoError);
    EXPECT_TRUE(preconditionerIsSetUp());
    ASSERT_EQ(execute(), kyraSparseNoError);
    EXPECT_EQ(result.extendedInfoId, 2u);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    EXPECT_TRUE(preconditionerIsSetUp());
    ASSERT_EQ(setData(), kyraSparseNoError);
    EXPECT_FALSE(preconditionerIsSetUp());
    ASSERT_EQ(execute(), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
    EXPECT_FALSE(preconditionerIsSetUp());

    const Csr<float> A(2, {{0, 0, 4.0f}, {0, 1, 1.0f}, {1, 0, 1.0f}, {1, 1, 3.0f}});
    std::vector<float> xf(2), bf{1.0f, 2.0f};
    ASSERT_EQ(PublicPlan::setData(A, xf, bf), kyraSparseNoError);
    EXPECT_EQ(execute(), kyraSparsePreconditionerError);
    EXPECT_EQ(lastStatus(),
              "preconditioner error: invalid function pointer to single precision application function");
    ASSERT_EQ(kyraSparseSetNoPreconditioner(handle, plan, nullptr), kyraSparseNoError);
    EXPECT_EQ(execute(), kyraSparseNoError) << "the plan stays usable";
    EXPECT_LE(trueResidual(A, bf, xf), 1e-5 * 3);
}

}  // namespace
