#include "api/SafeInterface.h"

#include <functional>
#include <new>
#include <stdexcept>

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
