// Public functions of the handle, the option initialisers, the texts and the
// version queries. Each binds its internal function to its arguments and
// runs it through the guarded frame.

#include <memory>

#include "api/KyraSparseCommon.h"
#include "api/SafeInterface.h"
#include "core/Context.h"
#include "core/Exception.h"
#include "core/Options.h"
#include "matrix/HostStorage.h"
#if defined(KYRA_WITH_CUDA)
#include <cuda_runtime_api.h>

#include "cudalib/ErrorChecker.h"
#endif

namespace Iterative {

namespace {
constexpr int kLibraryVersion = 5000;
constexpr int kCudaMinimumVersion = 5000;

[[noreturn]] void raiseNoCuda() {
    KyraSparseExceptionTemplate<kyraSparseFeatureNotImplemented>::raise("this build has no cuda support");
}

template <typename Record>
void optionsInit(Record* record, const char* nullMessage) {
    checkArgument(record != nullptr, nullMessage);
    SetDefault(*record);
}
}  // namespace

void createContext(kyraSparseHandle* handle) {
    if (!handle) KyraSparseExceptionTemplate<kyraSparseHandleError>::raise("null handle");
    auto context = std::make_unique<Context>();
    context->setLastStatusString("successfully created library handle");
    *handle = reinterpret_cast<kyraSparseHandle>(context.release());
}

void destroyContext(kyraSparseHandle handle) {
    if (!handle) KyraSparseExceptionTemplate<kyraSparseHandleError>::raise("null handle");
    delete &contextOf(handle);
}

void preinitializeCuda(const Context& context) {
#if defined(KYRA_WITH_CUDA)
    context.cublasCtx();
    context.cusparseCtx();
#else
    (void)context;
    raiseNoCuda();
#endif
}

void lastStatusString(const Context& context, char* buf, int bufsize) {
    copyToBuffer(context.getLastStatusString(), buf, bufsize);
}

void configString(const Context&, const kyraSparseConfig* config, char* buf, int bufsize) {
    checkArgument(config != nullptr, "config != 0");
    copyToBuffer(configText(*config), buf, bufsize);
}

void resultString(const Context& context, const kyraSparseResult* result, char* buf, int bufsize) {
    checkArgument(result != nullptr, "result != 0");
    copyToBuffer(resultText(context, *result), buf, bufsize);
}

void getKyraSparseVersion(const Context&, int* version) {
    checkArgument(version != nullptr, "version != 0");
    *version = kLibraryVersion;
}

void getCudaMinimumVersion(const Context&, int* version) {
    checkArgument(version != nullptr, "version != 0");
    *version = kCudaMinimumVersion;
}

void getCudaRuntimeVersion(const Context&, int* version) {
    checkArgument(version != nullptr, "version != 0");
#if defined(KYRA_WITH_CUDA)
    cudalib::CudaErrorChecker::CheckError(cudaRuntimeGetVersion(version));
#else
    raiseNoCuda();
#endif
}

}  // namespace Iterative

using namespace Iterative;

extern "C" {

KYRASPARSE_API kyraSparseStatus kyraSparseCreate(kyraSparseHandle* handle) {
    return SafeInterface([=] { createContext(handle); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseDestroy(kyraSparseHandle handle) {
    return SafeInterface([=] {
        destroyContext(handle);
        releaseCachedHostBlocks();
    });
}

KYRASPARSE_API kyraSparseStatus kyraSparsePreinitializeCuda(kyraSparseHandle handle) {
    return SafeInterface(handle, [](Context& c) { preinitializeCuda(c); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetLastStatusString(kyraSparseHandle handle, char* buf,
                                                              int bufsize) {
    return SafeInterface(handle, [=](Context& c) { lastStatusString(c, buf, bufsize); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetConfigString(kyraSparseHandle handle,
                                                          const kyraSparseConfig* config, char* buf,
                                                          int bufsize) {
    return SafeInterface(handle, [=](Context& c) { configString(c, config, buf, bufsize); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetResultString(kyraSparseHandle handle,
                                                          const kyraSparseResult* result, char* buf,
                                                          int bufsize) {
    return SafeInterface(handle, [=](Context& c) { resultString(c, result, buf, bufsize); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetVersion(kyraSparseHandle handle, int* version) {
    return SafeInterface(handle, [=](Context& c) { getKyraSparseVersion(c, version); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetCudaMinimumVersion(kyraSparseHandle handle, int* version) {
    return SafeInterface(handle, [=](Context& c) { getCudaMinimumVersion(c, version); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetCudaRuntimeVersion(kyraSparseHandle handle, int* version) {
    return SafeInterface(handle, [=](Context& c) { getCudaRuntimeVersion(c, version); });
}

// The twenty-one initialisers: public name, record, internal name, message
// for a null record.
#define KYRA_OPTIONS_INITIALISER(PublicName, Record, InternalName, NullMessage)             \
    }                                                                                       \
    namespace Iterative {                                                                   \
    void InternalName(const Context&, Record* record) { optionsInit(record, NullMessage); } \
    }                                                                                       \
    extern "C" {                                                                            \
    KYRASPARSE_API kyraSparseStatus PublicName(kyraSparseHandle handle, Record* record) {   \
        return SafeInterface(handle, [=](Context& c) { InternalName(c, record); });         \
    }

KYRA_OPTIONS_INITIALISER(kyraSparseConfigInit, kyraSparseConfig, configInit, "config != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseHostOptionsInit, kyraSparseHostOptions, cpuOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseCudaOptionsInit, kyraSparseCudaOptions, cudaOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseCudaDeviceOptionsInit, kyraSparseCudaDeviceOptions, cudaDeviceOptionsInit,
                         "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseCooOptionsInit, kyraSparseCooOptions, cooOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseCsrOptionsInit, kyraSparseCsrOptions, csrOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseCscOptionsInit, kyraSparseCscOptions, cscOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseMatrixFreeOptionsInit, kyraSparseMatrixFreeOptions, matrixFreeOptionsInit,
                         "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseBicgOptionsInit, kyraSparseBicgOptions, bicgOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseBicgstabOptionsInit, kyraSparseBicgstabOptions, bicgstabOptionsInit,
                         "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseBicgstablOptionsInit, kyraSparseBicgstablOptions, bicgstablOptionsInit,
                         "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseCgOptionsInit, kyraSparseCgOptions, cgOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseGmresOptionsInit, kyraSparseGmresOptions, gmresOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseMinresOptionsInit, kyraSparseMinresOptions, minresOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseEmptyOptionsInit, kyraSparseEmptyOptions, emptyOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseJacobiOptionsInit, kyraSparseJacobiOptions, jacobiOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseBlockjacobiOptionsInit, kyraSparseBlockjacobiOptions,
                         blockjacobiOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseIlu0OptionsInit, kyraSparseIlu0Options, ilu0OptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseAinvOptionsInit, kyraSparseAinvOptions, ainvOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseFainvOptionsInit, kyraSparseFainvOptions, fainvOptionsInit, "opts != 0")
KYRA_OPTIONS_INITIALISER(kyraSparseUserDefinedOptionsInit, kyraSparseUserDefinedOptions,
                         userDefiniedOptionsInit, "opts != 0")
#undef KYRA_OPTIONS_INITIALISER

}  // extern "C"
