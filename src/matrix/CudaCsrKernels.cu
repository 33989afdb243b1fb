#include "matrix/CudaCsrKernels.h"

#include <climits>
#include <vector>

#include "cudalib/Algorithm.h"
#include "cudalib/ErrorChecker.h"

namespace Iterative {

namespace {

constexpr unsigned kThreads = 256;

unsigned blocksFor(long long items) { return static_cast<unsigned>((items + kThreads - 1) / kThreads); }

// Entries of slice s, padding included: sliceSize x its longest row.
__global__ void sliceExtents(int m, int sliceSize, const int* rowPtr, long long* extents) {
    const int slice = blockIdx.x * blockDim.x + threadIdx.x;
    const int first = slice * sliceSize;
    if (first >= m) return;
    const int last = min(first + sliceSize, m);
    int width = 0;
    for (int r = first; r < last; ++r) width = max(width, rowPtr[r + 1] - rowPtr[r]);
    extents[slice] = static_cast<long long>(width) * sliceSize;
}

// One thread per row places the row's entries, shifted to base 0.
template <typename E>
__global__ void scatterRows(int m, int sliceSize, int base, const E* val, const int* rowPtr,
                            const int* colInd, const int* sliceOffsets, E* sellVal, int* sellColInd) {
    const int r = blockIdx.x * blockDim.x + threadIdx.x;
    if (r >= m) return;
    const int start = rowPtr[r] - base;
    const int length = rowPtr[r + 1] - rowPtr[r];
    const int slot = sliceOffsets[r / sliceSize] + r % sliceSize;
    for (int k = 0; k < length; ++k) {
        sellColInd[slot + k * sliceSize] = colInd[start + k] - base;
        sellVal[slot + k * sliceSize] = val[start + k];
    }
}

template <typename E>
__global__ void conjugate(E* values, int count) {
    const int i = blockIdx.x * blockDim.x + threadIdx.x;
    if (i < count) values[i].y = -values[i].y;
}

// Slice offsets from the slice extents (a host scan over m / 32 numbers).
std::vector<int> offsetsOf(const std::vector<long long>& extents, long long& total) {
    std::vector<int> offsets(extents.size() + 1, 0);
    total = 0;
    for (size_t s = 0; s < extents.size(); ++s) {
        total += extents[s];
        if (total > INT_MAX) cudalib::CusparseErrorChecker::CheckError(CUSPARSE_STATUS_ALLOC_FAILED);
        offsets[s + 1] = static_cast<int>(total);
    }
    return offsets;
}

}  // namespace

template <typename E>
SlicedEllArrays BuildSlicedEll(int m, int base, const E* val, const int* rowPtr, const int* colInd) {
    SlicedEllArrays sell;
    sell.sliceSize = kSliceSize;
    const int slices = (m + kSliceSize - 1) / kSliceSize;
    std::vector<long long> extents(slices);
    if (slices > 0) {
        cudalib::CudaBuffer<long long> deviceExtents(slices);
        sliceExtents<<<blocksFor(slices), kThreads>>>(m, kSliceSize, rowPtr, deviceExtents.get());
        cudalib::CudaErrorChecker();
        cudalib::MemcpyDeviceToHost(extents.data(), deviceExtents.get(), extents.size());
    }
    const std::vector<int> offsets = offsetsOf(extents, sell.valuesSize);
    const size_t stored = static_cast<size_t>(sell.valuesSize);
    sell.sliceOffsets = cudalib::DeviceAllocation(offsets.size() * sizeof(int));
    sell.colInd = cudalib::DeviceAllocation(stored * sizeof(int));
    sell.values = cudalib::DeviceAllocation(stored * sizeof(E));
    auto* sliceOffsets = static_cast<int*>(sell.sliceOffsets.get());
    auto* sellColInd = static_cast<int*>(sell.colInd.get());
    auto* sellVal = static_cast<E*>(sell.values.get());
    cudalib::MemcpyHostToDevice(sliceOffsets, offsets.data(), offsets.size());
    if (stored == 0) return sell;

    cudalib::CudaMemsetType(sellColInd, -1, static_cast<unsigned>(stored));
    cudalib::CudaErrorChecker();
    cudalib::CudaMemsetType(sellVal, E{}, static_cast<unsigned>(stored));
    cudalib::CudaErrorChecker();
    scatterRows<<<blocksFor(m), kThreads>>>(m, kSliceSize, base, val, rowPtr, colInd, sliceOffsets, sellVal,
                                            sellColInd);
    cudalib::CudaErrorChecker();
    return sell;
}

template <typename E>
void ConjugateOnDevice(E* values, int count) {
    if (count <= 0) return;
    conjugate<<<blocksFor(count), kThreads>>>(values, count);
    cudalib::CudaErrorChecker();
}

template SlicedEllArrays BuildSlicedEll<float>(int, int, const float*, const int*, const int*);
template SlicedEllArrays BuildSlicedEll<double>(int, int, const double*, const int*, const int*);
template SlicedEllArrays BuildSlicedEll<float2>(int, int, const float2*, const int*, const int*);
template SlicedEllArrays BuildSlicedEll<double2>(int, int, const double2*, const int*, const int*);
template void ConjugateOnDevice<float2>(float2*, int);
template void ConjugateOnDevice<double2>(double2*, int);

}  // namespace Iterative
