#include "api/SafeInterface.h"

#include <cstring>
#include <functional>
#include <iterator>
#include <new>
#include <stdexcept>

#include "common/PublicSolve.h"
#include "core/Exception.h"
#include "cudalib/CudaException.h"

using namespace Iterative;

namespace {

template <int S>
std::function<void()> raiser(const char* message) {
    return [message] { KyraSparseExceptionTemplate<S>::raise(message); };
}

// Fills a record with garbage, runs its initialiser and checks that every
// byte equals the zero record after setNonZeroDefaults.
template <typename Record, typename Fill>
void expectDefaults(kyraSparseHandle handle, kyraSparseStatus (*init)(kyraSparseHandle, Record*),
                    Fill setNonZeroDefaults) {
    Record record;
    std::memset(&record, 0x5A, sizeof record);
    ASSERT_EQ(init(handle, &record), kyraSparseNoError);
    Record expected;
    std::memset(&expected, 0, sizeof expected);
    setNonZeroDefaults(expected);
    EXPECT_EQ(std::memcmp(&record, &expected, sizeof record), 0);

    EXPECT_EQ(init(handle, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(init(nullptr, &record), kyraSparseHandleError);
}

// Initialisers whose records are all zero.
template <typename... Records>
void expectAllZero(kyraSparseHandle handle, kyraSparseStatus (*... init)(kyraSparseHandle, Records*)) {
    (expectDefaults<Records>(handle, init, [](Records&) {}), ...);
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

template <typename... Options>
void expectNullHandleRefused(kyraSparsePlan plan,
                             kyraSparseStatus (*... set)(kyraSparseHandle, kyraSparsePlan, const Options*)) {
    for (kyraSparseStatus status : {set(nullptr, plan, nullptr)...}) EXPECT_EQ(status, kyraSparseHandleError);
}

// Every function that takes a handle refuses a null one with status 10,
// before it looks at any other argument (the initialisers are checked with
// their defaults); so does creation into a null pointer.
TEST(NullHandle, EveryHandleFunctionReturnsHandleError) {
    kyraSparsePlan plan = reinterpret_cast<kyraSparsePlan>(&plan);  // never dereferenced
    double d[2] = {0, 0};
    int i[2] = {0, 0};
    char buf[8];
    expectNullHandleRefused(
        plan, kyraSparseSetHostPlatform, kyraSparseSetCudaPlatform, kyraSparseSetCudaDevicePlatform,
        kyraSparseSetNoPreconditioner, kyraSparseSetJacobiPreconditioner,
        kyraSparseSetBlockJacobiPreconditioner, kyraSparseSetIlu0Preconditioner,
        kyraSparseSetAinvPreconditioner, kyraSparseSetFainvPreconditioner, kyraSparseSetNoSolver,
        kyraSparseSetCgSolver, kyraSparseSetBicgSolver, kyraSparseSetBicgstabSolver,
        kyraSparseSetBicgstablSolver, kyraSparseSetGmresSolver, kyraSparseSetMinresSolver);
    for (auto get : {kyraSparseGetPlanString, kyraSparseGetDataFormatString, kyraSparseGetPlatformString,
                     kyraSparseGetPlanPreconditionerString, kyraSparseGetPlanSolverString})
        EXPECT_EQ(get(nullptr, plan, buf, sizeof buf), kyraSparseHandleError);
    for (auto get : {kyraSparseGetVersion, kyraSparseGetCudaMinimumVersion, kyraSparseGetCudaRuntimeVersion})
        EXPECT_EQ(get(nullptr, i), kyraSparseHandleError);
    const kyraSparseStatus others[] = {
        kyraSparsePreinitializeCuda(nullptr),
        kyraSparseCreatePlan(nullptr, &plan),
        kyraSparseSetUserDefinedPreconditioner(nullptr, plan, nullptr, nullptr),
        kyraSparseSetDcsrData(nullptr, plan, nullptr, 1, 1, d, i, i, d, d),
        kyraSparseSetDcscData(nullptr, plan, nullptr, 1, 1, d, i, i, d, d),
        kyraSparseSetDcooData(nullptr, plan, nullptr, 1, 1, d, i, i, d, d),
        kyraSparseSetDmatrixfreeData(nullptr, plan, nullptr, 1, nullptr, nullptr, d, d),
        kyraSparseExecutePlan(nullptr, plan, nullptr, nullptr),
        kyraSparseGetLastStatusString(nullptr, buf, sizeof buf),
        kyraSparseGetConfigString(nullptr, nullptr, buf, sizeof buf),
        kyraSparseGetResultString(nullptr, nullptr, buf, sizeof buf),
        kyraSparseDestroy(nullptr),
        kyraSparseCreate(nullptr)};
    for (size_t k = 0; k < std::size(others); ++k)
        EXPECT_EQ(others[k], kyraSparseHandleError) << "call " << k;
}

TEST_F(HandleTest, EveryInitialiserWritesItsDefaults) {
    // The configuration's defaults and texts are checked through the installed interface.
    expectDefaults(handle, kyraSparseGmresOptionsInit, [](auto& o) { o.restart = 20; });
    expectDefaults(handle, kyraSparseBicgstablOptionsInit, [](auto& o) { o.l = 2; });
    expectDefaults(handle, kyraSparseBlockjacobiOptionsInit, [](auto& o) { o.blockSize = 5; });
    expectAllZero(handle, kyraSparseHostOptionsInit, kyraSparseCudaOptionsInit,
                  kyraSparseCudaDeviceOptionsInit, kyraSparseCooOptionsInit, kyraSparseCsrOptionsInit,
                  kyraSparseCscOptionsInit, kyraSparseMatrixFreeOptionsInit, kyraSparseBicgOptionsInit,
                  kyraSparseBicgstabOptionsInit, kyraSparseCgOptionsInit, kyraSparseMinresOptionsInit,
                  kyraSparseEmptyOptionsInit, kyraSparseJacobiOptionsInit, kyraSparseIlu0OptionsInit,
                  kyraSparseAinvOptionsInit, kyraSparseFainvOptionsInit, kyraSparseUserDefinedOptionsInit);
    EXPECT_EQ(kyraSparseFainvOptionsInit(handle, nullptr), kyraSparseArgumentError);
    EXPECT_EQ(lastStatus(), "argument error: opts != 0");
}
