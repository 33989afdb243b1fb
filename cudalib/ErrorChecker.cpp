#if defined(KYRA_WITH_CUDA)

#include "cudalib/ErrorChecker.h"

#include "cudalib/CudaException.h"

namespace cudalib {

namespace {
// The runtime's codes for an allocation failure.
constexpr int kMemoryAllocation = 2;
constexpr int kDeviceMemoryExhausted = 32;

const char* cusparseStatusName(int status) {
    switch (status) {
        case 1:
            return "CUSPARSE_STATUS_NOT_INITIALIZED";
        case 3:
            return "CUSPARSE_STATUS_INVALID_VALUE";
        case 4:
            return "CUSPARSE_STATUS_ARCH_MISMATCH";
        case 5:
            return "CUSPARSE_STATUS_MAPPING_ERROR";
        case 6:
            return "CUSPARSE_STATUS_EXECUTION_FAILED";
        case 7:
            return "CUSPARSE_STATUS_INTERNAL_ERROR";
        case 8:
            return "CUSPARSE_STATUS_MATRIX_TYPE_NOT_SUPPORTED";
        default:
            return "";
    }
}
}  // namespace

void CudaErrorChecker::CheckError(cudaError_t code) {
    const int error = static_cast<int>(code);
    if (error == 0) return;
    if (error == kMemoryAllocation || error == kDeviceMemoryExhausted) {
        throw CudaMemoryException(cudaGetErrorString(code));
    }
    throw CudaRuntimeException(error);
}

void CublasErrorChecker::CheckError(cublasStatus_t code) {
    const int status = static_cast<int>(code);
    if (status == 0) return;
    if (status == 3) throw CudaMemoryException("CUBLAS Allocation Failure");
    throw CublasException(status);
}

void CusparseErrorChecker::CheckError(cusparseStatus_t code) {
    const int status = static_cast<int>(code);
    if (status == 0) return;
    if (status == 2) throw CudaMemoryException("CUSPARSE Allocation Failure");
    throw CusparseException(status, cusparseStatusName(status));
}

cusparseStatus_t LegacyCusparseStatus(cusparseStatus_t code) {
    switch (code) {
        case CUSPARSE_STATUS_INSUFFICIENT_RESOURCES:
            return CUSPARSE_STATUS_ALLOC_FAILED;
        case CUSPARSE_STATUS_NOT_SUPPORTED:
            return CUSPARSE_STATUS_MATRIX_TYPE_NOT_SUPPORTED;
        default:
            return code;
    }
}

}  // namespace cudalib

#endif
