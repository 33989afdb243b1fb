#if defined(KYRA_WITH_CUDA)

#include "cudalib/Algorithm.h"

#include "cudalib/Device.h"

namespace cudalib {

MaxGrid::MaxGrid() {
    int dims[3];
    GetMaxGrid(dims);
    for (int i = 0; i < 3; ++i) dims_[i] = static_cast<unsigned>(dims[i]);
}

dim3 Map2DGridTo1D(unsigned n, dim3 threads) {
    const MaxGrid limits;
    const unsigned t = threads.x;
    unsigned x = MinimumBlocks(n, t);
    while (x > limits.X()) x >>= 1;
    if (x == 0) return dim3(0, 1, 1);
    unsigned y = MinimumBlocks(n, t * x);
    while (y > limits.Y()) y >>= 1;
    const unsigned z = MinimumBlocks(n, t * x * y);
    return dim3(x, y, z);
}

dim3 Map1D::Threads() const {
    if (threads_ != 0) return dim3(threads_, 1, 1);
    switch (workload_) {
        case 2:
            return dim3(64, 1, 1);
        case 3:
            return dim3(32, 1, 1);
        default:
            return dim3(256, 1, 1);
    }
}

dim3 MaxBlocksMap1D::Grid() const {
    const unsigned blocks = MinimumBlocks(N(), Threads().x);
    return dim3(blocks < maxBlocks_ ? blocks : maxBlocks_, 1, 1);
}

}  // namespace cudalib

#endif
