#include "cudalib/Algorithm.h"

namespace cudalib {

namespace {
// The item of this thread in a grid folded by Map2DGridTo1D.
__device__ unsigned long long foldedIndex() {
    const unsigned long long block =
        (static_cast<unsigned long long>(blockIdx.z) * gridDim.y + blockIdx.y) * gridDim.x + blockIdx.x;
    return block * blockDim.x + threadIdx.x;
}
}  // namespace

template <typename Map, typename T>
__global__ void CudaMemsetTypeKernel(T* dst, T value, unsigned n) {
    const unsigned long long i = foldedIndex();
    if (i < n) dst[i] = value;
}

template <typename T>
void CudaMemsetType(T* dst, T value, unsigned n) {
    const Map1D map(n);
    const dim3 grid = map.Grid();
    if (grid.x == 0) return;  // no items: nothing to launch
    CudaMemsetTypeKernel<Map1D, T><<<grid, map.Threads(), 0, 0>>>(dst, value, n);
}

template void CudaMemsetType<char>(char*, char, unsigned);
template void CudaMemsetType<unsigned char>(unsigned char*, unsigned char, unsigned);
template void CudaMemsetType<int>(int*, int, unsigned);
template void CudaMemsetType<unsigned>(unsigned*, unsigned, unsigned);
template void CudaMemsetType<float>(float*, float, unsigned);
template void CudaMemsetType<double>(double*, double, unsigned);
template void CudaMemsetType<float2>(float2*, float2, unsigned);
template void CudaMemsetType<double2>(double2*, double2, unsigned);

}  // namespace cudalib
