#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "api/KyraSparseCommon.h"
#include "common/HandleFixture.h"

using namespace Iterative;

// The texts of a fresh handle and the default configuration text are
// checked through the installed interface (tests/install/handle_basics.c).

namespace {
kyraSparseConfig defaults(kyraSparseHandle handle) {
    kyraSparseConfig config;
    EXPECT_EQ(kyraSparseConfigInit(handle, &config), kyraSparseNoError);
    return config;
}
}  // namespace

TEST_F(HandleTest, BufferRuleCutsAndTerminates) {
    kyraSparseConfig config = defaults(handle);
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    ASSERT_EQ(kyraSparseGetConfigString(handle, &config, buf, 1), kyraSparseNoError);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(buf[1], 'x') << "nothing beyond bufsize is written";

    ASSERT_EQ(kyraSparseGetConfigString(handle, &config, buf, 10), kyraSparseNoError);
    EXPECT_STREQ(buf, "relative ");

    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(kyraSparseGetConfigString(handle, &config, buf, 0), kyraSparseArgumentError);
    EXPECT_EQ(buf[0], 'x');
    EXPECT_EQ(lastStatus(), "argument error: bufsize > 0");
    EXPECT_EQ(kyraSparseGetConfigString(handle, &config, nullptr, 10), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: buf != 0");
    EXPECT_EQ(kyraSparseGetConfigString(handle, nullptr, nullptr, 0), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: config != 0");
    EXPECT_EQ(kyraSparseGetLastStatusString(handle, buf, -1), kyraSparseArgumentError);
}

TEST_F(HandleTest, ConfigurationTextOfChangedValues) {
    kyraSparseConfig config = defaults(handle);
    char buf[512];
    double residuals[4];
    config.maxRuntime = 2;
    config.residualVector = residuals;
    config.relativeTolerance = 0.000123456789;
    ASSERT_EQ(kyraSparseGetConfigString(handle, &config, buf, sizeof buf), kyraSparseNoError);
    const std::string text = buf;
    EXPECT_NE(text.find("relative tolerance:   0.000123457\n"), std::string::npos);
    EXPECT_NE(text.find("max runtime:          2\n"), std::string::npos);
    EXPECT_NE(text.find("residual vector:      enabled\n"), std::string::npos);

    config.maxRuntime = std::numeric_limits<double>::quiet_NaN();
    ASSERT_EQ(kyraSparseGetConfigString(handle, &config, buf, sizeof buf), kyraSparseNoError);
    EXPECT_NE(std::string(buf).find("max runtime:          nan\n"), std::string::npos);
}

TEST_F(HandleTest, ResultTextOfARunThatFailed) {
    kyraSparseResult result;
    std::memset(&result, 0, sizeof result);
    char buf[256];
    ASSERT_EQ(kyraSparseGetResultString(handle, &result, buf, sizeof buf), kyraSparseNoError);
    EXPECT_STREQ(buf, "error: solver did not successfully execute\n");
    EXPECT_EQ(kyraSparseGetResultString(handle, nullptr, buf, sizeof buf), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: result != 0");
}

TEST_F(HandleTest, ResultTextWithUnknownKeyNamesUnknown) {
    kyraSparseResult result;
    std::memset(&result, 0, sizeof result);
    result.extendedInfoId = 7;
    result.flag = kyraSparseMaxIterationsReached;
    result.iterations = 12;
    result.relativeResidual = 0.5;
    result.absoluteResidual = 2.5e-8;
    result.overheadTime = 1;
    result.preconditionerTime = 0;
    result.solverTime = 0.25;
    result.totalTime = 1.25;
    char buf[1024];
    ASSERT_EQ(kyraSparseGetResultString(handle, &result, buf, sizeof buf), kyraSparseNoError);
    EXPECT_STREQ(buf,
                 "data format:       Unknown\n"
                 "platform:          Unknown\n"
                 "preconditioner:    Unknown\n"
                 "solver:            Unknown\n"
                 "result flag:       the maximum number of iterations was reached\n"
                 "iterations:        12\n"
                 "relative residual: 0.5\n"
                 "absolute residual: 2.5e-08\n"
                 "overhead time:     1 s\n"
                 "precond. time:     0 s\n"
                 "solver time:       0.25 s\n"
                 "total time:        1.25 s\n");
}

TEST_F(HandleTest, VersionQueries) {
    int version = 0;
    EXPECT_EQ(kyraSparseGetVersion(handle, &version), kyraSparseNoError);
    EXPECT_EQ(version, 5000);
    version = 0;
    EXPECT_EQ(kyraSparseGetCudaMinimumVersion(handle, &version), kyraSparseNoError);
    EXPECT_EQ(version, 5000);
    EXPECT_EQ(kyraSparseGetVersion(handle, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: version != 0");
#if !defined(KYRA_WITH_CUDA)
    EXPECT_EQ(kyraSparseGetCudaRuntimeVersion(handle, &version), kyraSparseFeatureNotImplemented);
    EXPECT_EQ(lastStatus(), "feature not implemented: this build has no cuda support");
    EXPECT_EQ(kyraSparsePreinitializeCuda(handle), kyraSparseFeatureNotImplemented);
#endif
}

TEST(Texts, StatusFlagAndReorderingNames) {
    EXPECT_EQ(statusMessages(0), "no error");
    EXPECT_EQ(statusMessages(7), "a runtime error occurred");
    EXPECT_EQ(statusMessages(8), "no status string available");
    EXPECT_EQ(statusMessages(11), "no status string available");
    EXPECT_EQ(statusMessages(12), "an unspecified error occurred");
    EXPECT_EQ(statusMessages(-1), "no status string available");
    EXPECT_EQ(flagMessages(5), "the solver has stagnated");
    EXPECT_EQ(flagMessages(9), "an unknown iteration error has occurred");
    EXPECT_EQ(flagMessages(10), "no flag string available");
    EXPECT_EQ(reorderingString(2), "symamd");
    EXPECT_EQ(reorderingString(3), "unknown");
}

TEST(Texts, SummarySentences) {
    kyraSparseResult r;
    std::memset(&r, 0, sizeof r);
    r.iterations = 12;
    r.relativeResidual = 8.7e-07;
    r.absoluteResidual = 3e-51;
    const std::string stoppedAt = " stopped at iteration 12 with a relative residual of 8.7e-07 ";
    const struct {
        kyraSparseFlag flag;
        const char* solver;
        const char* preconditioner;
        std::string sentence;
    } cases[] = {
        {kyraSparseRelativeToleranceReached, "cg", "jacobi",
         "cg with jacobi converged at iteration 12 to a relative residual of 8.7e-07"},
        {kyraSparseAbsoluteToleranceReached, "cg", "jacobi",
         "cg with jacobi converged at iteration 12 to an absolute residual of 3e-51"},
        {kyraSparseDivergenceToleranceReached, "cg", "ilu0",
         "cg with ilu0 diverged at iteration 12 with a relative residual of 8.7e-07"},
        {kyraSparseMaxRuntimeReached, "gmres", "no preconditioner",
         "gmres with no preconditioner" + stoppedAt + "because the maximum execution time was reached"},
        {kyraSparseUserInterrupt, "cg", "jacobi",
         "cg with jacobi" + stoppedAt + "because the solver was interrupted by the user"},
        {kyraSparseNoSolverSelected, "no solver", "jacobi", "the solver was not configured to execute"},
        {kyraSparseUnknownIterationError, "cg", "jacobi",
         "cg with jacobi solver" + stoppedAt + "due to an unknown error"},
    };
    for (const auto& c : cases) {
        r.flag = c.flag;
        EXPECT_EQ(resultSummary(c.solver, c.preconditioner, r), c.sentence);
    }
}
