#ifndef KYRA_CUDALIB_ERRORCHECKER_H
#define KYRA_CUDALIB_ERRORCHECKER_H

// Checkers wrapped around every CUDA runtime, cuBLAS and cuSPARSE call: a
// failing code becomes a typed exception at the call site.
//   CudaErrorChecker(cudaMalloc(...));
//   kernel<<<...>>>(...); CudaErrorChecker();  // reads and clears the last error

#if defined(KYRA_WITH_CUDA)

#include <cublas_v2.h>
#include <cuda_runtime_api.h>
#include <cusparse.h>

namespace cudalib {

class CudaErrorChecker {
  public:
    CudaErrorChecker() { CheckError(GetError()); }
    explicit CudaErrorChecker(cudaError_t code) { CheckError(code); }
    cudaError_t operator=(cudaError_t code) const {
        CheckError(code);
        return code;
    }
    void operator()() const { CheckError(GetError()); }
    void CheckError() const { CheckError(GetError()); }

    static cudaError_t GetError() { return cudaGetLastError(); }
    static void CheckError(cudaError_t code);
};

class CublasErrorChecker {
  public:
    CublasErrorChecker() = default;
    explicit CublasErrorChecker(cublasStatus_t code) { CheckError(code); }
    cublasStatus_t operator=(cublasStatus_t code) const {
        CheckError(code);
        return code;
    }
    void operator()() const { CheckError(GetError()); }
    void CheckError() const { CheckError(GetError()); }

    static cublasStatus_t GetError() { return CUBLAS_STATUS_SUCCESS; }
    static void CheckError(cublasStatus_t code);
};

class CusparseErrorChecker {
  public:
    CusparseErrorChecker() = default;
    explicit CusparseErrorChecker(cusparseStatus_t code) { CheckError(code); }
    cusparseStatus_t operator=(cusparseStatus_t code) const {
        CheckError(code);
        return code;
    }
    void operator()() const { CheckError(GetError()); }
    void CheckError() const { CheckError(GetError()); }

    static cusparseStatus_t GetError() { return CUSPARSE_STATUS_SUCCESS; }
    static void CheckError(cusparseStatus_t code);
};

// For the generic cuSPARSE API, whose statuses go beyond those of the
// routines it replaced: a shortage of resources is reported as the
// allocation failure and an unsupported type or operation as the
// unsupported matrix type the older routines raised, so callers see the
// same statuses and texts as before.
cusparseStatus_t LegacyCusparseStatus(cusparseStatus_t code);
inline void CheckCusparseGeneric(cusparseStatus_t code) {
    CusparseErrorChecker::CheckError(LegacyCusparseStatus(code));
}

}  // namespace cudalib

#endif
#endif
