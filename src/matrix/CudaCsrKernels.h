#ifndef KYRA_MATRIX_CUDACSRKERNELS_H
#define KYRA_MATRIX_CUDACSRKERNELS_H

// The library's own device kernels for CUDA CSR matrices: the sliced-ELL
// copy used for no-transpose products, and conjugation of values in place.
// E is the CUDA element type: float, double, float2 or double2.

#if defined(KYRA_WITH_CUDA)

#include "cudalib/Memory.h"

namespace Iterative {

// Sliced ELL: rows in slices of sliceSize; slice s is as wide as its longest
// row and stores its sliceSize x width entries column by column from
// sliceOffsets[s], so entry k of row r sits at
// sliceOffsets[r / sliceSize] + k * sliceSize + r % sliceSize. Padding has
// column -1 and value 0. Indices are zero-based whatever the CSR base.
struct SlicedEllArrays {
    int sliceSize = 0;
    long long valuesSize = 0;                // stored entries, padding included
    cudalib::DeviceAllocation sliceOffsets;  // int, slices + 1
    cudalib::DeviceAllocation colInd;        // int, valuesSize
    cudalib::DeviceAllocation values;        // E, valuesSize
};

constexpr int kSliceSize = 32;

// Builds the sliced-ELL copy of an m-row CSR matrix on the device. Waits once
// for the slice widths. Raises the cuSPARSE allocation failure when the
// padded copy would exceed 32-bit indexing.
template <typename E>
SlicedEllArrays BuildSlicedEll(int m, int base, const E* val, const int* rowPtr, const int* colInd);

// values[i] <- conj(values[i]) for the complex element types.
template <typename E>
void ConjugateOnDevice(E* values, int count);

}  // namespace Iterative

#endif
#endif
