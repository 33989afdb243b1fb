#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "kyraSparse.h"

// Every function that takes a handle refuses a null one with status 10,
// before it looks at any other argument (the initialisers are checked with
// their defaults); so does creation into a null pointer.
TEST(NullHandle, EveryHandleFunctionReturnsHandleError) {
    kyraSparsePlan plan = reinterpret_cast<kyraSparsePlan>(&plan);  // never dereferenced
    double d[2] = {0, 0};
    int i[2] = {0, 0};
    char buf[8];
    const std::vector<std::function<kyraSparseStatus(kyraSparseHandle)>> calls = {
        [&](kyraSparseHandle h) { return kyraSparsePreinitializeCuda(h); },
        [&](kyraSparseHandle h) { return kyraSparseCreatePlan(h, &plan); },
        [&](kyraSparseHandle h) { return kyraSparseSetHostPlatform(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetCudaPlatform(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetCudaDevicePlatform(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetNoPreconditioner(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetJacobiPreconditioner(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetBlockJacobiPreconditioner(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetIlu0Preconditioner(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetAinvPreconditioner(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetFainvPreconditioner(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetUserDefinedPreconditioner(h, plan, nullptr, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetNoSolver(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetCgSolver(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetBicgSolver(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetBicgstabSolver(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetBicgstablSolver(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetGmresSolver(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetMinresSolver(h, plan, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseSetDcsrData(h, plan, nullptr, 1, 1, d, i, i, d, d); },
        [&](kyraSparseHandle h) { return kyraSparseSetDcscData(h, plan, nullptr, 1, 1, d, i, i, d, d); },
        [&](kyraSparseHandle h) { return kyraSparseSetDcooData(h, plan, nullptr, 1, 1, d, i, i, d, d); },
        [&](kyraSparseHandle h) {
            return kyraSparseSetDmatrixfreeData(h, plan, nullptr, 1, nullptr, nullptr, d, d);
        },
        [&](kyraSparseHandle h) { return kyraSparseGetPlanString(h, plan, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseGetDataFormatString(h, plan, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseGetPlatformString(h, plan, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseGetPlanPreconditionerString(h, plan, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseGetPlanSolverString(h, plan, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseExecutePlan(h, plan, nullptr, nullptr); },
        [&](kyraSparseHandle h) { return kyraSparseGetLastStatusString(h, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseGetConfigString(h, nullptr, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseGetResultString(h, nullptr, buf, sizeof buf); },
        [&](kyraSparseHandle h) { return kyraSparseGetVersion(h, i); },
        [&](kyraSparseHandle h) { return kyraSparseGetCudaMinimumVersion(h, i); },
        [&](kyraSparseHandle h) { return kyraSparseGetCudaRuntimeVersion(h, i); },
        [&](kyraSparseHandle h) { return kyraSparseDestroy(h); },
        [&](kyraSparseHandle) { return kyraSparseCreate(nullptr); },
    };
    for (size_t k = 0; k < calls.size(); ++k)
        EXPECT_EQ(calls[k](nullptr), kyraSparseHandleError) << "call " << k;
}
