// Public functions of plans: creation, the platform and data setters, and
// the plan descriptions. The solver and preconditioner setters live in
// SolverSetters.cpp and PreconditionerSetters.cpp.

#include <memory>

#include "api/KyraSparseCommon.h"
#include "api/PlanSetters.h"
#include "core/Options.h"
#include "matrix/DataFormat.h"
#include "platform/CudaPlatform.h"
#include "platform/CudaPlatformOptions.h"
#include "platform/HostPlatform.h"

#if defined(KYRA_WITH_CUDA)
#include "platform/CudaDevicePlatform.h"
#endif

namespace Iterative {

namespace {

// New data: the platform must prepare it again and the preconditioner must
// be set up again from the new matrix.
void setData(kyraSparsePlan handle, std::shared_ptr<DataFormatBase> format) {
    Plan& plan = getPlan(handle);
    plan.setDataFormat(std::move(format));
    plan.getPlatform().setPrepared(false);
    plan.getPreconditioner().reset();
}

std::string planText(const Plan& plan) {
    return "Data Format    : " + plan.dataFormatName() + "\n" + "Platform       : " + plan.getPlatformName() +
           "\n" + "Preconditioner : " + plan.preconditionerName() + "\n" +
           "Solver         : " + plan.solverName() + "\n";
}

#if !defined(KYRA_WITH_CUDA)
// A build without CUDA has neither CUDA platform. The options are checked
// first, as the platforms check them, so that a bad record gets the same
// answer in every build; then a valid request is refused.
template <typename Options>
void refuseCudaPlatform(kyraSparsePlan handle, const Options* opts, void (*checkOptions)(const Options&)) {
    getPlan(handle);
    checkOptions(copyOrDefault(opts));
    raiseUnavailable("this build has no cuda support");
}
#endif

template <typename Describe>
void planString(kyraSparsePlan handle, char* buf, int bufsize, Describe describe) {
    const Plan& plan = getPlan(handle);
    copyToBuffer(describe(plan), buf, bufsize);
}

}  // namespace

}  // namespace Iterative

using namespace Iterative;

extern "C" {

KYRASPARSE_API kyraSparseStatus kyraSparseCreatePlan(kyraSparseHandle handle, kyraSparsePlan* plan) {
    return SafeInterface(handle, [=](Context& c) { createPlan(c, plan); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseDestroyPlan(kyraSparsePlan plan) {
    return SafeInterface([=] { destroyPlan(plan); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetHostPlatform(kyraSparseHandle handle, kyraSparsePlan plan,
                                                          const kyraSparseHostOptions* platformOpts) {
    return SafeInterface(handle, [=](Context& c) { setPlatform<HostPlatform>(c, plan, platformOpts); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetCudaPlatform(kyraSparseHandle handle, kyraSparsePlan plan,
                                                          const kyraSparseCudaOptions* platformOpts) {
#if defined(KYRA_WITH_CUDA)
    return SafeInterface(handle, [=](Context& c) { setPlatform<CudaPlatform>(c, plan, platformOpts); });
#else
    return SafeInterface(handle,
                         [=](Context&) { refuseCudaPlatform(plan, platformOpts, checkCudaPlatformOptions); });
#endif
}

KYRASPARSE_API kyraSparseStatus kyraSparseSetCudaDevicePlatform(
    kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCudaDeviceOptions* platformOpts) {
#if defined(KYRA_WITH_CUDA)
    return SafeInterface(handle, [=](Context& c) { setPlatform<CudaDevicePlatform>(c, plan, platformOpts); });
#else
    return SafeInterface(
        handle, [=](Context&) { refuseCudaPlatform(plan, platformOpts, checkCudaDevicePlatformOptions); });
#endif
}

// The sixteen data setters. The public complex types are layout-compatible
// with ours, so their arrays are handed over as they are. The format's
// constructor checks the arguments before the plan is looked at.
#define KYRA_DATA_SETTERS(L, T, PublicT)                                                                    \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##csrData(                                              \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCsrOptions* formatOpts, int n,        \
        int nnz, const PublicT* a, const int* rowPtr, const int* colInd, PublicT* x, const PublicT* b) {    \
        return SafeInterface(handle, [=](Context&) {                                                        \
            setData(plan, std::make_shared<CsrDataFormat<T>>(                                               \
                              formatOpts, n, nnz, reinterpret_cast<const T*>(a), rowPtr, colInd,            \
                              reinterpret_cast<T*>(x), reinterpret_cast<const T*>(b)));                     \
        });                                                                                                 \
    }                                                                                                       \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##cscData(                                              \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCscOptions* formatOpts, int n,        \
        int nnz, const PublicT* a, const int* rowInd, const int* colPtr, PublicT* x, const PublicT* b) {    \
        return SafeInterface(handle, [=](Context&) {                                                        \
            setData(plan, std::make_shared<CscDataFormat<T>>(                                               \
                              formatOpts, n, nnz, reinterpret_cast<const T*>(a), rowInd, colPtr,            \
                              reinterpret_cast<T*>(x), reinterpret_cast<const T*>(b)));                     \
        });                                                                                                 \
    }                                                                                                       \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##cooData(                                              \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseCooOptions* formatOpts, int n,        \
        int nnz, const PublicT* a, const int* rowInd, const int* colInd, PublicT* x, const PublicT* b) {    \
        return SafeInterface(handle, [=](Context&) {                                                        \
            setData(plan, std::make_shared<CooDataFormat<T>>(                                               \
                              formatOpts, n, nnz, reinterpret_cast<const T*>(a), rowInd, colInd,            \
                              reinterpret_cast<T*>(x), reinterpret_cast<const T*>(b)));                     \
        });                                                                                                 \
    }                                                                                                       \
    KYRASPARSE_API kyraSparseStatus kyraSparseSet##L##matrixfreeData(                                       \
        kyraSparseHandle handle, kyraSparsePlan plan, const kyraSparseMatrixFreeOptions* formatOpts, int n, \
        kyraSparse##L##MatrixFree ax, void* user, PublicT* x, const PublicT* b) {                           \
        return SafeInterface(handle, [=](Context&) {                                                        \
            setData(plan,                                                                                   \
                    std::make_shared<MatrixFreeDataFormat<T>>(                                              \
                        formatOpts, n, ax, user, reinterpret_cast<T*>(x), reinterpret_cast<const T*>(b)));  \
        });                                                                                                 \
    }

KYRA_DATA_SETTERS(S, float, float)
KYRA_DATA_SETTERS(D, double, double)
KYRA_DATA_SETTERS(C, kyra::Complex<float>, kyraSparseComplexFloat)
KYRA_DATA_SETTERS(Z, kyra::Complex<double>, kyraSparseComplexDouble)
#undef KYRA_DATA_SETTERS

KYRASPARSE_API kyraSparseStatus kyraSparseGetPlanString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                        char* buf, int bufsize) {
    return SafeInterface(handle, [=](Context&) { planString(plan, buf, bufsize, planText); });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetDataFormatString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                              char* buf, int bufsize) {
    return SafeInterface(handle, [=](Context&) {
        planString(plan, buf, bufsize, [](const Plan& p) { return p.dataFormatName(); });
    });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetPlatformString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                            char* buf, int bufsize) {
    return SafeInterface(handle, [=](Context&) {
        planString(plan, buf, bufsize, [](const Plan& p) { return p.getPlatformName(); });
    });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetPlanPreconditionerString(kyraSparseHandle handle,
                                                                      kyraSparsePlan plan, char* buf,
                                                                      int bufsize) {
    return SafeInterface(handle, [=](Context&) {
        planString(plan, buf, bufsize, [](const Plan& p) { return p.preconditionerName(); });
    });
}

KYRASPARSE_API kyraSparseStatus kyraSparseGetPlanSolverString(kyraSparseHandle handle, kyraSparsePlan plan,
                                                              char* buf, int bufsize) {
    return SafeInterface(handle, [=](Context&) {
        planString(plan, buf, bufsize, [](const Plan& p) { return p.solverName(); });
    });
}

}  // extern "C"
