#ifndef KYRA_MATRIX_CUDADEVICECONVERTKERNELS_H
#define KYRA_MATRIX_CUDADEVICECONVERTKERNELS_H

// The device steps of the conversions in CudaDeviceConvert.h, kept apart so
// that Thrust stays inside one .cu file. The work is queued on the legacy
// default stream, where cuSPARSE runs too; finishDeviceWork waits for it.
// Failures raise the CUDA support library's exceptions (CudaMemoryException,
// a std::bad_alloc, when device memory runs out).

#if defined(KYRA_WITH_CUDA)

namespace Iterative {

// COO to CSR, nnz > 0: entries ordered by row (stable) and by column within
// a row; duplicates kept. Reads the inputs only through a permutation, so
// out-of-range indices give a wrong but harmless result.
template <typename T>
void sortCooToCsr(int n, int nnz, const int* colInd, const int* rowInd, const T* a, int* csrColInd,
                  int* csrRowPtr, T* csrVal, int inBase, int outBase);

// indices[0 .. count) = value.
void fillIndices(int* indices, long count, int value);
// indices[0 .. count) += delta.
void shiftIndices(int* indices, long count, int delta);
// Waits for the default stream and raises its first failure, if any.
void finishDeviceWork();

}  // namespace Iterative

#endif
#endif
