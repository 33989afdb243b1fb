// cuSPARSE's zero-fill incomplete LU (csrilu02) is deprecated without a
// successor; this file alone uses it, so only here are its warnings off.
#define DISABLE_CUSPARSE_DEPRECATED

#if defined(KYRA_WITH_CUDA)

#include <memory>

#include "core/Exception.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/LibraryContexts.h"
#include "cudalib/Memory.h"
#include "matrix/CudaScalar.h"
#include "matrix/ScalarTypes.h"
#include "preconditioner/cuda/factories.h"
#include "preconditioner/cuda/kernels.h"

namespace pc {
namespace cuda {

namespace {

using Iterative::CudaCsrMatrix;
using Iterative::CudaCsrMatrixAlloc;
using Iterative::KyraSparseExceptionTemplate;

// The typed routines, chosen by overload on the CUDA element type.
#define KYRA_CSRILU02_ROUTINES(E, L)                                                                     \
    cusparseStatus_t bufferSize(cusparseHandle_t h, int m, int nnz, cusparseMatDescr_t d, E* val,        \
                                const int* rowPtr, const int* colInd, csrilu02Info_t info, int* bytes) { \
        return cusparse##L##csrilu02_bufferSize(h, m, nnz, d, val, rowPtr, colInd, info, bytes);         \
    }                                                                                                    \
    cusparseStatus_t analysis(cusparseHandle_t h, int m, int nnz, cusparseMatDescr_t d, const E* val,    \
                              const int* rowPtr, const int* colInd, csrilu02Info_t info, void* buffer) { \
        return cusparse##L##csrilu02_analysis(h, m, nnz, d, val, rowPtr, colInd, info,                   \
                                              CUSPARSE_SOLVE_POLICY_USE_LEVEL, buffer);                  \
    }                                                                                                    \
    cusparseStatus_t factor(cusparseHandle_t h, int m, int nnz, cusparseMatDescr_t d, E* val,            \
                            const int* rowPtr, const int* colInd, csrilu02Info_t info, void* buffer) {   \
        return cusparse##L##csrilu02(h, m, nnz, d, val, rowPtr, colInd, info,                            \
                                     CUSPARSE_SOLVE_POLICY_USE_LEVEL, buffer);                           \
    }
KYRA_CSRILU02_ROUTINES(float, S)
KYRA_CSRILU02_ROUTINES(double, D)
KYRA_CSRILU02_ROUTINES(cuComplex, C)
KYRA_CSRILU02_ROUTINES(cuDoubleComplex, Z)
#undef KYRA_CSRILU02_ROUTINES

struct MatDescrDeleter {
    void operator()(cusparseMatDescr* d) const { cusparseDestroyMatDescr(d); }
};
struct InfoDeleter {
    void operator()(csrilu02Info* info) const { cusparseDestroyCsrilu02Info(info); }
};
using MatDescr = std::unique_ptr<cusparseMatDescr, MatDescrDeleter>;
using Info = std::unique_ptr<csrilu02Info, InfoDeleter>;

// A general matrix in the given index base.
MatDescr generalDescriptor(Iterative::IndexType index) {
    cusparseMatDescr_t raw = nullptr;
    cudalib::CusparseErrorChecker::CheckError(cusparseCreateMatDescr(&raw));
    MatDescr descriptor(raw);
    cudalib::CusparseErrorChecker::CheckError(
        cusparseSetMatIndexBase(raw, static_cast<cusparseIndexBase_t>(index.toCusparse())));
    return descriptor;
}

Info newInfo() {
    csrilu02Info_t raw = nullptr;
    cudalib::CusparseErrorChecker::CheckError(cusparseCreateCsrilu02Info(&raw));
    return Info(raw);
}

// The zero pivot cuSPARSE recorded, reported with the host factorisation's
// text; any other failure goes through the checker. Waits for the device.
void raiseOnZeroPivot(cusparseHandle_t handle, csrilu02Info_t info, const char* text) {
    int position = -1;
    const cusparseStatus_t status = cusparseXcsrilu02_zeroPivot(handle, info, &position);
    if (status == CUSPARSE_STATUS_ZERO_PIVOT) {
        KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(text);
    }
    cudalib::CusparseErrorChecker::CheckError(status);
}

}  // namespace

// The analysis finds missing diagonal entries, the factorisation zero
// pivots; neither is an error status, so each is asked for afterwards.
template <typename T>
MatrixPointer<T> makeIlu0(const CudaCsrMatrix<T>& A, const kyraSparseIlu0Options&) {
    const int m = A.m();
    const int nnz = A.nnz();
    auto LU = std::make_shared<CudaCsrMatrixAlloc<T>>(A.ctx(), m, A.n(), nnz, A.index());
    Iterative::copy(A, *LU);
    if (m == 0) return LU;
    if (nnz == 0) {
        KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise(
            "input matrix is missing a diagonal element");
    }
    const int* rowPtr = LU->rowPtr();
    const int* colInd = LU->colInd();
    // cuSPARSE needs sorted rows and does not check them.
    if (!rowsAreSorted(m, rowPtr, colInd)) {
        KyraSparseExceptionTemplate<kyraSparsePreconditionerError>::raise("input matrix must be sorted");
    }
    const cusparseHandle_t handle = A.ctx().cusparseCtx().handle();
    const MatDescr descriptor = generalDescriptor(A.index());
    const Info info = newInfo();
    auto* val = Iterative::asCuda(LU->val());
    int bytes = 0;
    cudalib::CusparseErrorChecker::CheckError(
        bufferSize(handle, m, nnz, descriptor.get(), val, rowPtr, colInd, info.get(), &bytes));
    // cudaMalloc's alignment satisfies the routines' 128-byte rule.
    const cudalib::DeviceAllocation buffer(static_cast<size_t>(bytes));
    cudalib::CusparseErrorChecker::CheckError(
        analysis(handle, m, nnz, descriptor.get(), val, rowPtr, colInd, info.get(), buffer.get()));
    raiseOnZeroPivot(handle, info.get(), "input matrix is missing a diagonal element");
    cudalib::CusparseErrorChecker::CheckError(
        factor(handle, m, nnz, descriptor.get(), val, rowPtr, colInd, info.get(), buffer.get()));
    raiseOnZeroPivot(handle, info.get(), "input matrix has an explicit zero on the diagonal");
    return LU;
}

#define KYRA_INSTANTIATE_CUDA_ILU0(T) \
    template MatrixPointer<T> makeIlu0(const CudaCsrMatrix<T>&, const kyraSparseIlu0Options&);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_CUDA_ILU0)

}  // namespace cuda
}  // namespace pc

#endif
