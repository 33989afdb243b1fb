// Plans through the public functions: their description, the setters and
// what each one resets, the configuration checks of execution, and failures
// that leave the plan usable.

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "api/SafeInterface.h"
#include "common/HandleFixture.h"
#include "common/SmallSystems.h"
#include "core/Plan.h"
#include "platform/Platform.h"
#include "preconditioner/Preconditioner.h"

namespace {

class PlanTest : public HandleTest {
  protected:
    void SetUp() override {
        HandleTest::SetUp();
        ASSERT_EQ(kyraSparseCreatePlan(handle, &plan), kyraSparseNoError);
        system = poisson2d(4);
        b.assign(system.n, 1.0);
        x.assign(system.n, 0.0);
    }
    void TearDown() override {
        EXPECT_EQ(kyraSparseDestroyPlan(plan), kyraSparseNoError);
        HandleTest::TearDown();
    }

    std::string planString() {
        char buf[512];
        EXPECT_EQ(kyraSparseGetPlanString(handle, plan, buf, sizeof buf), kyraSparseNoError);
        return buf;
    }
    static std::string planText(const std::string& format, const std::string& preconditioner,
                                const std::string& solver) {
        return "Data Format    : " + format + "\nPlatform       : host\nPreconditioner : " + preconditioner +
               "\nSolver         : " + solver + "\n";
    }
    kyraSparseStatus setData() {
        return kyraSparseSetDcsrData(handle, plan, nullptr, system.n, system.nnz(), system.values.data(),
                                     system.rowPtr.data(), system.colInd.data(), x.data(), b.data());
    }
    kyraSparseStatus setFloatData() {
        af.assign(system.values.begin(), system.values.end());
        bf.assign(system.n, 1.0f);
        xf.assign(system.n, 0.0f);
        return kyraSparseSetScsrData(handle, plan, nullptr, system.n, system.nnz(), af.data(),
                                     system.rowPtr.data(), system.colInd.data(), xf.data(), bf.data());
    }
    kyraSparseStatus execute(const kyraSparseConfig* config = nullptr) {
        return kyraSparseExecutePlan(handle, plan, config, &result);
    }
    bool preconditionerIsSetUp() { return Iterative::getPlan(plan).getPreconditioner().isInit(); }

    kyraSparsePlan plan = nullptr;
    CsrSystem system;
    std::vector<double> b, x;
    std::vector<float> af, bf, xf;
    kyraSparseResult result{};
};

int identity(char, const double* in, double* out, void*) {
    std::memcpy(out, in, 16 * sizeof(double));
    return 0;
}

TEST_F(PlanTest, DescriptionOfTheDefaultsAndOfWhatTheSettersChose) {
    EXPECT_EQ(planString(), planText("None", "no preconditioner", "no solver"));
    char buf[10];
    ASSERT_EQ(kyraSparseGetPlanString(handle, plan, buf, sizeof buf), kyraSparseNoError);
    EXPECT_STREQ(buf, "Data Form");
    char name[32];
    ASSERT_EQ(kyraSparseGetPlanSolverString(handle, plan, name, sizeof name), kyraSparseNoError);
    EXPECT_STREQ(name, "no solver");
    EXPECT_EQ(kyraSparseGetPlanString(handle, plan, nullptr, 10), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: buf != 0");
    EXPECT_EQ(kyraSparseGetPlatformString(handle, plan, name, 0), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: bufsize > 0");

    ASSERT_EQ(setData(), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    kyraSparseUserDefinedOptions opts{};
    ASSERT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, &opts, nullptr), kyraSparseNoError);
    EXPECT_EQ(planString(), planText("csr", "user defined", "cg"));
}

TEST_F(PlanTest, NullPlansAndHandles) {
    char buf[32];
    EXPECT_EQ(kyraSparseGetPlanString(handle, nullptr, buf, sizeof buf), kyraSparsePlanError);
    EXPECT_EQ(lastStatus(), "plan error: null plan");
    EXPECT_EQ(kyraSparseSetCgSolver(handle, nullptr, nullptr), kyraSparsePlanError);
    EXPECT_EQ(kyraSparseExecutePlan(handle, nullptr, nullptr, &result), kyraSparsePlanError);
    EXPECT_EQ(kyraSparseDestroyPlan(nullptr), kyraSparseUnspecifiedError);
    EXPECT_EQ(kyraSparseCreatePlan(handle, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(kyraSparseSetCgSolver(nullptr, plan, nullptr), kyraSparseHandleError);
}

TEST_F(PlanTest, FailingOrUnbuiltChoicesLeaveThePlanUnchanged) {
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    kyraSparseHostOptions host{};
    host.debug = 2;
    EXPECT_EQ(kyraSparseSetHostPlatform(handle, plan, &host), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: platformOpts.debug != {0, 1}");
    EXPECT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, nullptr, nullptr),
              kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: precondOpts != 0");
    EXPECT_EQ(kyraSparseSetDcsrData(handle, plan, nullptr, -1, 0, b.data(), system.rowPtr.data(),
                                    system.colInd.data(), x.data(), b.data()),
              kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: n >= 0");
#if !defined(KYRA_WITH_CUDA)
    EXPECT_EQ(kyraSparseSetCudaPlatform(handle, plan, nullptr), kyraSparseFeatureNotImplemented);
    EXPECT_EQ(lastStatus(), "feature not implemented: this build has no cuda support");
#endif
    EXPECT_EQ(planString(), planText("None", "no preconditioner", "cg"));
}

TEST_F(PlanTest, NewDataOrPlatformResetsThePreconditionerAndNewSolverDoesNot) {
    kyraSparseUserDefinedOptions opts{};
    opts.dApply = identity;
    ASSERT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, &opts, nullptr), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(setData(), kyraSparseNoError);
    EXPECT_FALSE(preconditionerIsSetUp());
    ASSERT_EQ(execute(), kyraSparseNoError);
    EXPECT_TRUE(preconditionerIsSetUp());

    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    EXPECT_TRUE(preconditionerIsSetUp());
    ASSERT_EQ(setData(), kyraSparseNoError);
    EXPECT_FALSE(preconditionerIsSetUp());
    ASSERT_EQ(execute(), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
    EXPECT_FALSE(preconditionerIsSetUp());
}

TEST_F(PlanTest, ExecutingWithoutDataDoesNothingAndWithoutSolverReportsFlagEight) {
    std::memset(&result, 0x7F, sizeof result);
    const kyraSparseResult before = result;
    EXPECT_EQ(execute(), kyraSparseNoError);
    EXPECT_EQ(lastStatus(), "nothing to run as data has not yet been set");
    EXPECT_EQ(std::memcmp(&result, &before, sizeof result), 0);

    ASSERT_EQ(setData(), kyraSparseNoError);
    EXPECT_EQ(execute(nullptr), kyraSparseNoError);
    EXPECT_EQ(result.flag, kyraSparseNoSolverSelected);
    EXPECT_EQ(result.iterations, 0);
    EXPECT_EQ(result.config.relativeTolerance, 1e-6);
    EXPECT_EQ(result.config.maxIterations, 10000);
    EXPECT_EQ(result.extendedInfoId, 1u);
    EXPECT_EQ(lastStatus(), "the solver was not configured to execute");
    EXPECT_EQ(lastStatus(), "the operation completed successfully");
}

TEST_F(PlanTest, ConfigurationChecksInOrder) {
    ASSERT_EQ(setData(), kyraSparseNoError);
    struct Case {
        void (*change)(kyraSparseConfig&);
        const char* text;
    };
    const Case cases[] = {
        {[](kyraSparseConfig& c) { c.relativeTolerance = 0.0; }, "config.relativeTolerance > 0.0"},
        {[](kyraSparseConfig& c) { c.relativeTolerance = 2.0; }, "config.relativeTolerance <= 1.0"},
        {[](kyraSparseConfig& c) { c.relativeTolerance = std::nan(""); }, "config.relativeTolerance > 0.0"},
        {[](kyraSparseConfig& c) { c.absoluteTolerance = 0.0; }, "config.absoluteTolerance > 0.0"},
        {[](kyraSparseConfig& c) { c.divergenceTolerance = 0.5; }, "config.divergenceTolerance >= 1.0"},
        {[](kyraSparseConfig& c) { c.divergenceTolerance = std::nan(""); },
         "config.divergenceTolerance >= 1.0"},
        {[](kyraSparseConfig& c) { c.maxIterations = -1; }, "config.maxIterations >= 0"},
        {[](kyraSparseConfig& c) { c.maxRuntime = -1.0; }, "config.maxRuntime >= 0"},
        {[](kyraSparseConfig& c) {
             c.absoluteTolerance = 0.0;
             c.maxIterations = -1;
         },
         "config.absoluteTolerance > 0.0"},
    };
    for (const Case& c : cases) {
        kyraSparseConfig config;
        kyraSparseConfigInit(handle, &config);
        c.change(config);
        EXPECT_EQ(execute(&config), kyraSparseArgumentError) << c.text;
        EXPECT_EQ(lastStatus(), std::string("argument error: ") + c.text);
        EXPECT_EQ(result.extendedInfoId, 0u);
    }
    EXPECT_EQ(kyraSparseExecutePlan(handle, plan, nullptr, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: result != 0");

    kyraSparseConfig accepted;
    kyraSparseConfigInit(handle, &accepted);
    accepted.relativeTolerance = 1.0;
    accepted.divergenceTolerance = 1.0;
    accepted.maxIterations = 0;
    EXPECT_EQ(execute(&accepted), kyraSparseNoError);
}

TEST_F(PlanTest, SecondExecutionReusesPreparedDataAndSetUp) {
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(setData(), kyraSparseNoError);
    ASSERT_EQ(execute(), kyraSparseNoError);
    const Iterative::Matrix<double>* prepared = &Iterative::getPlan(plan).getPlatform().matrix<double>();
    ASSERT_EQ(execute(), kyraSparseNoError);
    EXPECT_EQ(&Iterative::getPlan(plan).getPlatform().matrix<double>(), prepared);
    EXPECT_EQ(result.extendedInfoId, 2u);
    char text[1024];
    ASSERT_EQ(kyraSparseGetResultString(handle, &result, text, sizeof text), kyraSparseNoError);
    const std::string head =
        "data format:       csr\n"
        "platform:          host\n"
        "preconditioner:    no preconditioner\n"
        "solver:            cg\n";
    EXPECT_EQ(std::string(text).substr(0, head.size()), head);
}

// Single-precision data replaces the double data; a user preconditioner
// without a single-precision callback fails at its first application and
// leaves the plan usable.
TEST_F(PlanTest, NewDataOfAnotherTypeReplacesTheOldAndNeedsItsOwnCallback) {
    ASSERT_EQ(setData(), kyraSparseNoError);
    ASSERT_EQ(setFloatData(), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    EXPECT_EQ(execute(), kyraSparseNoError);
    EXPECT_LE(trueRelativeResidual(system, std::vector<double>(xf.begin(), xf.end()), b), 1e-5);

    kyraSparseUserDefinedOptions opts{};
    opts.dApply = identity;
    ASSERT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, &opts, nullptr), kyraSparseNoError);
    ASSERT_EQ(setFloatData(), kyraSparseNoError);
    EXPECT_EQ(execute(), kyraSparsePreconditionerError);
    EXPECT_EQ(lastStatus(),
              "preconditioner error: invalid function pointer to single precision application function");
    ASSERT_EQ(setData(), kyraSparseNoError);
    EXPECT_EQ(execute(), kyraSparseNoError) << "the plan stays usable";
}

}  // namespace
