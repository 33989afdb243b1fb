#include "api/SafeInterface.h"

#include <functional>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/HandleFixture.h"
#include "core/Exception.h"
#include "cudalib/CudaException.h"

using namespace Iterative;

namespace {

template <int S>
std::function<void()> raiser(const char* message) {
    return [message] { KyraSparseExceptionTemplate<S>::raise(message); };
}

}  // namespace

// Every kind of failure becomes its status and text, and the handle stays
// usable; a failure of an unknown kind leaves the text as it was.
TEST_F(HandleTest, FailuresBecomeStatusAndText) {
    const struct {
        std::function<void()> raise;
        kyraSparseStatus status;
        std::string text;
    } cases[] = {
        {raiser<0>("summary"), kyraSparseNoError, "summary"},
        {raiser<1>("stopped"), kyraSparseNonConvergence, "stopped"},
        {raiser<2>("bad pivot"), kyraSparsePreconditionerError, "preconditioner error: bad pivot"},
        {raiser<3>("n >= 0"), kyraSparseArgumentError, "argument error: n >= 0"},
        {raiser<4>("bad data"), kyraSparseDataFormatError, "error: bad data"},
        {raiser<6>("gmres"), kyraSparseFeatureNotImplemented, "feature not implemented: gmres"},
        {raiser<8>("data.a"), kyraSparseAlignmentError, "error: data.a"},
        {raiser<9>("type inference error"), kyraSparseInternalError, "error: type inference error"},
        {raiser<10>("null handle"), kyraSparseHandleError, "error: null handle"},
        {raiser<11>("null plan"), kyraSparsePlanError, "plan error: null plan"},
        {[] { throw cudalib::CublasException(13); }, kyraSparseRuntimeError, "cublas runtime error: 13"},
        {[] { throw cudalib::CudaRuntimeException(700); }, kyraSparseRuntimeError,
         "cuda runtime error: " + cudalib::cudaErrorString(700)},
        {[] { throw cudalib::CusparseException(9, ""); }, kyraSparseRuntimeError,
         "cusparse runtime error: 9"},
        {[] { throw cudalib::CudaMemoryException("CUSPARSE Allocation Failure"); },
         kyraSparseInsufficientMemory, "insufficient memory: CUSPARSE Allocation Failure"},
        {[] { throw std::bad_alloc(); }, kyraSparseInsufficientMemory, "insufficient memory: std::bad_alloc"},
        {[] { throw std::logic_error("broken"); }, kyraSparseInternalError, "internal error: broken"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SafeInterface(handle, [&](Context&) { c.raise(); }), c.status) << c.text;
        EXPECT_EQ(lastStatus(), c.text);
    }
    contextOf(handle).setLastStatusString("before");
    EXPECT_EQ(SafeInterface(handle, [](Context&) { throw 42; }), kyraSparseUnspecifiedError);
    EXPECT_EQ(contextOf(handle).getLastStatusString(), "before");

    EXPECT_EQ(SafeInterface([] { KyraSparseExceptionTemplate<10>::raise("null handle"); }),
              kyraSparseHandleError);
    EXPECT_EQ(SafeInterface([] { throw std::bad_alloc(); }), kyraSparseUnspecifiedError);
}

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
