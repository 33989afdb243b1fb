#ifndef KYRA_CUDALIB_ALGORITHM_H
#define KYRA_CUDALIB_ALGORITHM_H

// Launch geometry for kernels over a one-dimensional index space of n items,
// and the typed device fill. Map1D folds a large grid into two or three
// dimensions within the device's limits; kernels launched with it skip the
// items past n. MaxBlocksMap1D caps the grid, and its kernels stride.

#if defined(KYRA_WITH_CUDA)

#include <cuda_runtime_api.h>
#include <vector_types.h>

namespace cudalib {

// ceil(n / threads)
inline unsigned MinimumBlocks(unsigned n, unsigned threads) {
    return n / threads + (n % threads > 0 ? 1 : 0);
}

// The executing device's maximum grid dimensions.
class MaxGrid {
  public:
    MaxGrid();
    unsigned X() const { return dims_[0]; }
    unsigned Y() const { return dims_[1]; }

  private:
    unsigned dims_[3];
};

// A grid of x blocks of t threads, folded into y and z while x or y exceed
// the device's limits.
dim3 Map2DGridTo1D(unsigned n, dim3 threads);

class MapBase {
  public:
    virtual ~MapBase() = default;
    virtual dim3 Threads() const = 0;
    virtual dim3 Grid() const = 0;
};

class DynamicMapBase : public MapBase {
  public:
    int Workload() const { return workload_; }

  protected:
    int workload_ = 0;
};

class Map1DBase {
  public:
    explicit Map1DBase(unsigned n) : n_(n) {}
    unsigned N() const { return n_; }

  private:
    unsigned n_;
};

class Map1D : public DynamicMapBase, public Map1DBase {
  public:
    explicit Map1D(unsigned n) : Map1DBase(n) {}
    // 0 restores the workload rule.
    void SetThreads(unsigned threads) { threads_ = threads; }
    // The set thread count, else 256, 64 or 32 for workloads 1, 2, 3 (256 otherwise).
    dim3 Threads() const override;
    dim3 Grid() const override { return Map2DGridTo1D(N(), Threads()); }

  private:
    unsigned threads_ = 0;
};

class MaxBlocksMap1D : public Map1D {
  public:
    explicit MaxBlocksMap1D(unsigned n) : Map1D(n) {}
    dim3 Grid() const override;

  private:
    unsigned maxBlocks_ = 2048;
};

// dst[i] = value for i < n on the default stream. The launch is not checked
// here: the caller's next checked runtime call reports a failed launch.
template <typename T>
void CudaMemsetType(T* dst, T value, unsigned n);

}  // namespace cudalib

#endif
#endif
