#ifndef KYRA_MATRIX_CUDAINDEXCHECKSCAN_H
#define KYRA_MATRIX_CUDAINDEXCHECKSCAN_H

// The device pass behind CudaIndexCheck.h: it finds the first fault of each
// kind; the host turns the verdict into a description.

#if defined(KYRA_WITH_CUDA)

namespace Iterative {

struct DeviceIndexScan {
    static constexpr unsigned kNone = ~0u;
    // Compressed pointers: the first and the last of the n + 1 values, and
    // the first i in [1, n] with pointers[i] < pointers[i - 1] (kNone if none).
    int firstPointer;
    int lastPointer;
    unsigned firstDecrease;
    // Per index array: the first k in [0, nnz) whose index lies outside
    // [base, base + n) (kNone if none).
    unsigned firstOutOfRange[2];
};

// One pass over pointers (n + 1 values; may be null) and the index arrays
// (nnz values each; the second may be null). Waits for the result.
DeviceIndexScan scanDeviceIndices(int n, int nnz, const int* pointers, const int* indices,
                                  const int* moreIndices, int base);

}  // namespace Iterative

#endif
#endif
