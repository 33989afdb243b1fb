// The system's texts: names of statuses and flags, the one-line summary of a
// run, the configuration and result texts, and the buffer rule they share.
// The texts of a fresh handle are checked through the installed interface
// (tests/install/handle_basics.c).

#include <cstring>
#include <limits>
#include <string>

#include "api/KyraSparseCommon.h"
#include "common/PublicSolve.h"

using namespace Iterative;

TEST(Texts, StatusAndFlagNames) {
    const char* flags[] = {"the solver converged to the relative tolerance",
                           "the solver converged to the absolute tolerance",
                           "the solver diverged by the divergence tolerance",
                           "the maximum number of iterations was reached",
                           "the maximum runtime was exceeded",
                           "the solver has stagnated",
                           "the solver has broken down",
                           "the solver was interrupted by the user",
                           "no solver was selected",
                           "an unknown iteration error has occurred",
                           "no flag string available"};
    for (int flag = 0; flag <= 10; ++flag) EXPECT_EQ(flagMessages(flag), flags[flag]);
    EXPECT_EQ(statusMessages(0), "no error");
    EXPECT_EQ(statusMessages(7), "a runtime error occurred");
    EXPECT_EQ(statusMessages(11), "no status string available");
    EXPECT_EQ(statusMessages(12), "an unspecified error occurred");
    EXPECT_EQ(reorderingString(2), "symamd");
    EXPECT_EQ(reorderingString(3), "unknown");
}

TEST(Texts, SummarySentences) {
    kyraSparseResult r{};
    r.iterations = 12;
    r.relativeResidual = 8.7e-07;
    r.absoluteResidual = 3e-51;
    const std::string stopped = "cg with jacobi stopped at iteration 12 with a relative residual of 8.7e-07 ";
    const std::string sentences[] = {
        "cg with jacobi converged at iteration 12 to a relative residual of 8.7e-07",
        "cg with jacobi converged at iteration 12 to an absolute residual of 3e-51",
        "cg with jacobi diverged at iteration 12 with a relative residual of 8.7e-07",
        stopped + "because the maximum number of iterations was reached",
        stopped + "because the maximum execution time was reached",
        stopped + "because stagnation has occurred",
        stopped + "because algorithmic breakdown occurred",
        stopped + "because the solver was interrupted by the user",
        "the solver was not configured to execute",
        "cg with jacobi solver stopped at iteration 12 with a relative residual of 8.7e-07 due to an unknown "
        "error",
    };
    for (int flag = 0; flag <= 9; ++flag) {
        r.flag = static_cast<kyraSparseFlag>(flag);
        EXPECT_EQ(resultSummary("cg", "jacobi", r), sentences[flag]);
    }
}

TEST_F(HandleTest, BufferRuleCutsAndTerminates) {
    kyraSparseConfig config;
    ASSERT_EQ(kyraSparseConfigInit(handle, &config), kyraSparseNoError);
    char buf[64];
    std::memset(buf, 'x', sizeof buf);
    ASSERT_EQ(kyraSparseGetConfigString(handle, &config, buf, 1), kyraSparseNoError);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(buf[1], 'x') << "nothing beyond bufsize is written";
    ASSERT_EQ(kyraSparseGetConfigString(handle, &config, buf, 10), kyraSparseNoError);
    EXPECT_STREQ(buf, "relative ");
    EXPECT_EQ(kyraSparseGetConfigString(handle, &config, buf, 0), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: bufsize > 0");
    EXPECT_EQ(kyraSparseGetConfigString(handle, &config, nullptr, 10), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: buf != 0");
    EXPECT_EQ(kyraSparseGetConfigString(handle, nullptr, buf, 0), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: config != 0");
}

TEST_F(HandleTest, ConfigurationAndResultTexts) {
    kyraSparseConfig config;
    ASSERT_EQ(kyraSparseConfigInit(handle, &config), kyraSparseNoError);
    char buf[1024];
    double residuals[4];
    config.maxRuntime = std::numeric_limits<double>::quiet_NaN();
    config.residualVector = residuals;
    config.relativeTolerance = 0.000123456789;
    ASSERT_EQ(kyraSparseGetConfigString(handle, &config, buf, sizeof buf), kyraSparseNoError);
    for (const char* line : {"relative tolerance:   0.000123457\n", "max runtime:          nan\n",
                             "residual vector:      enabled\n"})
        EXPECT_NE(std::string(buf).find(line), std::string::npos) << line;

    kyraSparseResult result{};
    ASSERT_EQ(kyraSparseGetResultString(handle, &result, buf, sizeof buf), kyraSparseNoError);
    EXPECT_STREQ(buf, "error: solver did not successfully execute\n");
    // Configuration, flag, iterations, initial, relative and absolute residual, residual vector,
    // solver, preconditioner, overhead and total time, description key.
    result = {{}, kyraSparseMaxIterationsReached, 12, 0.0, 0.5, 2.5e-8, nullptr, 0.25, 0.0, 1.0, 1.25, 7};
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
    EXPECT_EQ(kyraSparseGetCudaMinimumVersion(handle, &version), kyraSparseNoError);
    EXPECT_EQ(version, 5000);
    EXPECT_EQ(kyraSparseGetVersion(handle, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: version != 0");
#if !defined(KYRA_WITH_CUDA)
    EXPECT_EQ(kyraSparseGetCudaRuntimeVersion(handle, &version), kyraSparseFeatureNotImplemented);
    EXPECT_EQ(lastStatus(), "feature not implemented: this build has no cuda support");
#endif
}
