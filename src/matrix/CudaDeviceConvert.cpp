// The public COO and CSC to CSR conversions on device memory. The device
// kernels are not part of this library yet: after the argument checks the
// functions report a runtime error, which is what a conversion that cannot
// reach a device returns. Nothing is written to the output arrays.

#include "kyraSparse.h"

namespace {

bool isBase(int base) { return base == 0 || base == 1; }

kyraSparseStatus convertOnDevice(int n, int nnz, const void* in1, const void* in2, const void* a,
                                 const void* out1, const void* out2, const void* out3, int inBase,
                                 int outBase) {
    const bool anyNull = !in1 || !in2 || !a || !out1 || !out2 || !out3;
    if (n < 0 || nnz < 0 || anyNull || !isBase(inBase) || !isBase(outBase)) return kyraSparseArgumentError;
    return kyraSparseRuntimeError;
}

}  // namespace

#define KYRA_DEVICE_CONVERSIONS(L, T)                                                                     \
    extern "C" KYRASPARSE_API kyraSparseStatus kyraSparseCudaDevice##L##coo2csr(                          \
        int n, int nnz, const int* colInd, const int* rowInd, const T* a, int* csrColInd, int* csrRowPtr, \
        T* csrVal, int inBase, int outBase) {                                                             \
        return convertOnDevice(n, nnz, colInd, rowInd, a, csrColInd, csrRowPtr, csrVal, inBase, outBase); \
    }                                                                                                     \
    extern "C" KYRASPARSE_API kyraSparseStatus kyraSparseCudaDevice##L##csc2csr(                          \
        int n, int nnz, const int* colPtr, const int* rowInd, const T* a, int* csrColInd, int* csrRowPtr, \
        T* csrVal, int inBase, int outBase) {                                                             \
        return convertOnDevice(n, nnz, colPtr, rowInd, a, csrColInd, csrRowPtr, csrVal, inBase, outBase); \
    }

KYRA_DEVICE_CONVERSIONS(S, float)
KYRA_DEVICE_CONVERSIONS(D, double)
KYRA_DEVICE_CONVERSIONS(C, kyraSparseComplexFloat)
KYRA_DEVICE_CONVERSIONS(Z, kyraSparseComplexDouble)
#undef KYRA_DEVICE_CONVERSIONS
