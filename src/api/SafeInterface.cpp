#include "api/SafeInterface.h"

#include <exception>
#include <new>
#include <optional>
#include <string>

#include "core/Exception.h"
#include "cudalib/CudaException.h"

namespace Iterative {

namespace {

struct Outcome {
    kyraSparseStatus status;
    std::optional<std::string> message;  // empty: leave the last status text as it is
};

template <int S>
using StatusException = KyraSparseExceptionTemplate<S>;

// Rethrows the current exception and maps it to a status and a message; the
// first matching row wins.
Outcome translateCurrentException() {
    try {
        throw;
    } catch (const StatusException<kyraSparseNoError>& e) {
        return {kyraSparseNoError, e.what()};
    } catch (const StatusException<kyraSparseNonConvergence>& e) {
        return {kyraSparseNonConvergence, e.what()};
    } catch (const StatusException<kyraSparsePreconditionerError>& e) {
        return {kyraSparsePreconditionerError, "preconditioner error: " + e.what()};
    } catch (const StatusException<kyraSparseFeatureNotImplemented>& e) {
        return {kyraSparseFeatureNotImplemented, "feature not implemented: " + e.what()};
    } catch (const StatusException<kyraSparseArgumentError>& e) {
        return {kyraSparseArgumentError, "argument error: " + e.what()};
    } catch (const StatusException<kyraSparsePlanError>& e) {
        return {kyraSparsePlanError, "plan error: " + e.what()};
    } catch (const KyraSparseException& e) {
        return {e.code(), "error: " + e.what()};
    } catch (const cudalib::CudaRuntimeException& e) {
        return {kyraSparseRuntimeError, "cuda runtime error: " + cudalib::cudaErrorString(e.Error())};
    } catch (const cudalib::CublasException& e) {
        return {kyraSparseRuntimeError, "cublas runtime error: " + std::to_string(e.Error())};
    } catch (const cudalib::CusparseException& e) {
        return {kyraSparseRuntimeError, "cusparse runtime error: " + std::to_string(e.Error())};
    } catch (const std::bad_alloc& e) {
        return {kyraSparseInsufficientMemory, std::string("insufficient memory: ") + e.what()};
    } catch (const std::exception& e) {
        return {kyraSparseInternalError, std::string("internal error: ") + e.what()};
    } catch (...) {
        return {kyraSparseUnspecifiedError, std::nullopt};
    }
}

// Runs the work and records its outcome; building or storing the text may
// itself run out of memory and throw.
kyraSparseStatus runAndRecord(Context& context, const Context::Work& work) {
    Outcome outcome{kyraSparseUnspecifiedError, std::nullopt};
    try {
        context.execute(work);
        outcome = {kyraSparseNoError, std::string("the operation completed successfully")};
    } catch (...) {
        outcome = translateCurrentException();
    }
    if (outcome.message) context.setLastStatusString(*outcome.message);
    return outcome.status;
}

}  // namespace

kyraSparseStatus SafeInterface(kyraSparseHandle handle, Context::Work work) {
    if (!handle) return kyraSparseHandleError;
    Context& context = contextOf(handle);
    std::unique_lock<std::mutex> callLock(context.getMutex(), std::defer_lock);
    try {
        callLock.lock();
    } catch (const std::system_error&) {
        return kyraSparseUnspecifiedError;
    }
    try {
        return runAndRecord(context, work);
    } catch (...) {
        context.setLastStatusStringInPlace("insufficient memory: std::bad_alloc");
        return kyraSparseInsufficientMemory;
    }
}

kyraSparseStatus SafeInterface(FunctionRef<void()> work) {
    try {
        work();
        return kyraSparseNoError;
    } catch (const StatusException<kyraSparseHandleError>&) {
        return kyraSparseHandleError;
    } catch (...) {
        return kyraSparseUnspecifiedError;
    }
}

}  // namespace Iterative
