#include "matrix/CudaDeviceConvert.h"

#include <new>

#include "matrix/DataFormat.h"
#include "matrix/ScalarTypes.h"

#if defined(KYRA_WITH_CUDA)
#include <cuda_runtime_api.h>
#include <library_types.h>

#include "cudalib/CudaException.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/LibraryContexts.h"
#include "cudalib/Memory.h"
#include "matrix/CudaDeviceConvertKernels.h"
#else
#include <stdexcept>
#endif

namespace Iterative {

namespace {

bool isBase(int base) { return base == 0 || base == 1; }

bool validArguments(int n, int nnz, const void* in1, const void* in2, const void* a, const void* out1,
                    const void* out2, const void* out3, int inBase, int outBase) {
    return n >= 0 && nnz >= 0 && in1 && in2 && a && out1 && out2 && out3 && isBase(inBase) && isBase(outBase);
}

// Device and host memory exhaustion are both std::bad_alloc by the time they
// get here (the CUDA checkers and Thrust raise subclasses of it).
template <typename Work>
kyraSparseStatus statusOf(Work work) {
    try {
        work();
        return kyraSparseNoError;
    } catch (const std::bad_alloc&) {
        return kyraSparseInsufficientMemory;
    } catch (...) {
        return kyraSparseRuntimeError;
    }
}

#if defined(KYRA_WITH_CUDA)

template <typename T>
cudaDataType valueType();
template <>
cudaDataType valueType<float>() {
    return CUDA_R_32F;
}
template <>
cudaDataType valueType<double>() {
    return CUDA_R_64F;
}
template <>
cudaDataType valueType<kyra::Complex<float>>() {
    return CUDA_C_32F;
}
template <>
cudaDataType valueType<kyra::Complex<double>>() {
    return CUDA_C_64F;
}

// Checked before any library call: without a usable device the answer is the
// runtime's reason, and cuSPARSE does not print its own complaint.
void requireDevice() {
    int count = 0;
    cudalib::CudaErrorChecker(cudaGetDeviceCount(&count));
    if (count == 0) throw cudalib::CudaRuntimeException(cudaErrorNoDevice);
}

// An empty matrix has nothing to sort: every row pointer is the base.
void emptyCsr(int n, int* csrRowPtr, int outBase) { fillIndices(csrRowPtr, n + 1L, outBase); }

template <typename T>
void convertCoo(int n, int nnz, const int* colInd, const int* rowInd, const T* a, int* csrColInd,
                int* csrRowPtr, T* csrVal, int inBase, int outBase) {
    requireDevice();
    if (nnz == 0) {
        emptyCsr(n, csrRowPtr, outBase);
    } else {
        sortCooToCsr(n, nnz, colInd, rowInd, a, csrColInd, csrRowPtr, csrVal, inBase, outBase);
    }
    finishDeviceWork();
}

// A's CSC arrays are the CSR arrays of A^T, and the CSC form of A^T that
// cuSPARSE's transpose produces is A's CSR form. Its outputs come in the
// order values, column pointers, row indices: for us values, row pointers,
// column indices. The result keeps the input base; a shift follows if asked.
template <typename T>
void convertCsc(int n, int nnz, const int* colPtr, const int* rowInd, const T* a, int* csrColInd,
                int* csrRowPtr, T* csrVal, int inBase, int outBase) {
    requireDevice();
    if (nnz == 0 || n == 0) {
        emptyCsr(n, csrRowPtr, outBase);
        finishDeviceWork();
        return;
    }
    const Cusparse::Context context;  // private to this call
    const cusparseIndexBase_t base = inBase == 1 ? CUSPARSE_INDEX_BASE_ONE : CUSPARSE_INDEX_BASE_ZERO;
    std::size_t bytes = 0;
    cudalib::CusparseErrorChecker(cusparseCsr2cscEx2_bufferSize(
        context.handle(), n, n, nnz, a, colPtr, rowInd, csrVal, csrRowPtr, csrColInd, valueType<T>(),
        CUSPARSE_ACTION_NUMERIC, base, CUSPARSE_CSR2CSC_ALG1, &bytes));
    const cudalib::DeviceAllocation buffer(bytes);
    cudalib::CusparseErrorChecker(cusparseCsr2cscEx2(
        context.handle(), n, n, nnz, a, colPtr, rowInd, csrVal, csrRowPtr, csrColInd, valueType<T>(),
        CUSPARSE_ACTION_NUMERIC, base, CUSPARSE_CSR2CSC_ALG1, buffer.get()));
    if (outBase != inBase) {
        shiftIndices(csrRowPtr, n + 1L, outBase - inBase);
        shiftIndices(csrColInd, nnz, outBase - inBase);
    }
    finishDeviceWork();
}

#else

[[noreturn]] void noDevice() { throw std::runtime_error("this build has no cuda support"); }

template <typename T>
void convertCoo(int, int, const int*, const int*, const T*, int*, int*, T*, int, int) {
    noDevice();
}
template <typename T>
void convertCsc(int, int, const int*, const int*, const T*, int*, int*, T*, int, int) {
    noDevice();
}

#endif

}  // namespace

#if defined(KYRA_WITH_CUDA)

void finishDeviceWork() {
    cudalib::CudaErrorChecker(cudaStreamSynchronize(cudaStream_t{}));
    cudalib::CudaErrorChecker();
}

#endif

template <typename T>
kyraSparseStatus cudaDeviceCoo2csr(int n, int nnz, const int* colInd, const int* rowInd, const T* a,
                                   int* csrColInd, int* csrRowPtr, T* csrVal, int inBase, int outBase) {
    if (!validArguments(n, nnz, colInd, rowInd, a, csrColInd, csrRowPtr, csrVal, inBase, outBase)) {
        return kyraSparseArgumentError;
    }
    return statusOf(
        [&] { convertCoo(n, nnz, colInd, rowInd, a, csrColInd, csrRowPtr, csrVal, inBase, outBase); });
}

template <typename T>
kyraSparseStatus cudaDeviceCsc2csr(int n, int nnz, const int* colPtr, const int* rowInd, const T* a,
                                   int* csrColInd, int* csrRowPtr, T* csrVal, int inBase, int outBase) {
    if (!validArguments(n, nnz, colPtr, rowInd, a, csrColInd, csrRowPtr, csrVal, inBase, outBase)) {
        return kyraSparseArgumentError;
    }
    return statusOf(
        [&] { convertCsc(n, nnz, colPtr, rowInd, a, csrColInd, csrRowPtr, csrVal, inBase, outBase); });
}

#define KYRA_INSTANTIATE_DEVICE_CONVERSIONS(T)                                                              \
    template kyraSparseStatus cudaDeviceCoo2csr(int, int, const int*, const int*, const T*, int*, int*, T*, \
                                                int, int);                                                  \
    template kyraSparseStatus cudaDeviceCsc2csr(int, int, const int*, const int*, const T*, int*, int*, T*, \
                                                int, int);
KYRA_FOR_EACH_SCALAR(KYRA_INSTANTIATE_DEVICE_CONVERSIONS)

}  // namespace Iterative

// The public entry points; the public complex records share kyra::Complex's
// layout.
#define KYRA_DEFINE_DEVICE_CONVERSIONS(L, T)                                                            \
    kyraSparseStatus kyraSparseCudaDevice##L##coo2csr(                                                  \
        int n, int nnz, const int* colInd, const int* rowInd, const Iterative::PublicScalar<T>* a,      \
        int* csrColInd, int* csrRowPtr, Iterative::PublicScalar<T>* csrVal, int inBase, int outBase) {  \
        return Iterative::cudaDeviceCoo2csr(n, nnz, colInd, rowInd, reinterpret_cast<const T*>(a),      \
                                            csrColInd, csrRowPtr, reinterpret_cast<T*>(csrVal), inBase, \
                                            outBase);                                                   \
    }                                                                                                   \
    kyraSparseStatus kyraSparseCudaDevice##L##csc2csr(                                                  \
        int n, int nnz, const int* colPtr, const int* rowInd, const Iterative::PublicScalar<T>* a,      \
        int* csrColInd, int* csrRowPtr, Iterative::PublicScalar<T>* csrVal, int inBase, int outBase) {  \
        return Iterative::cudaDeviceCsc2csr(n, nnz, colPtr, rowInd, reinterpret_cast<const T*>(a),      \
                                            csrColInd, csrRowPtr, reinterpret_cast<T*>(csrVal), inBase, \
                                            outBase);                                                   \
    }
KYRA_DEFINE_DEVICE_CONVERSIONS(S, float)
KYRA_DEFINE_DEVICE_CONVERSIONS(D, double)
KYRA_DEFINE_DEVICE_CONVERSIONS(C, kyra::Complex<float>)
KYRA_DEFINE_DEVICE_CONVERSIONS(Z, kyra::Complex<double>)
