#ifndef KYRA_CUDALIB_MEMORY_H
#define KYRA_CUDALIB_MEMORY_H

// Device memory and copies: the owning buffer that frees on the device it
// was allocated on, host and device copy helpers that fall back to simpler
// copies when a layout is contiguous, and the pitch arithmetic they use.

#include <cstddef>

namespace cudalib {

// Pitch arithmetic (unsigned; a zero divisor is a caller error).
inline unsigned PitchRoundUp(unsigned size, unsigned pitch) { return (size + pitch - 1) / pitch * pitch; }
inline unsigned PitchLogicalToPhysicalOffset(unsigned offset, unsigned width, unsigned pitch) {
    return offset / width * pitch + offset % width;
}
inline unsigned PitchPhysicalToLogicalOffset(unsigned offset, unsigned width, unsigned pitch) {
    return offset / pitch * width + offset % pitch;
}

// Row-by-row copies in host memory; one memcpy when the layout is contiguous.
void memcpy2D(void* dst, size_t dstPitch, const void* src, size_t srcPitch, size_t width, size_t rows);
void memcpy3D(void* dst, size_t dstPitch, size_t dstSlicePitch, const void* src, size_t srcPitch,
              size_t srcSlicePitch, size_t width, size_t rows, size_t slices);

}  // namespace cudalib

#if defined(KYRA_WITH_CUDA)

#include <cuda_runtime_api.h>

#include <vector>

namespace cudalib {

// Every device's copy pitch is 64 bytes.
inline unsigned GetDevicePitch(int) { return 64; }
// The largest pitch over all devices; 0 without devices.
unsigned GetDevicePitch();
inline unsigned GetPaddedAllocationSize(unsigned size, int device) {
    return PitchRoundUp(size, GetDevicePitch(device));
}
inline unsigned GetPaddedAllocationSize(unsigned size) { return PitchRoundUp(size, GetDevicePitch()); }
// Largest pitch the 2-D copies take (the device table is loaded first).
unsigned GetMaxPitch();

// cudaMemcpy through the error checker.
void CheckedMemcpy(void* dst, const void* src, size_t bytes, cudaMemcpyKind kind);

// count elements between host and device, checked.
template <typename T>
void MemcpyHostToDevice(T* dst, const T* src, size_t count) {
    CheckedMemcpy(dst, src, count * sizeof(T), cudaMemcpyHostToDevice);
}
template <typename T>
void MemcpyDeviceToHost(T* dst, const T* src, size_t count) {
    CheckedMemcpy(dst, src, count * sizeof(T), cudaMemcpyDeviceToHost);
}
template <typename T>
void MemcpyDeviceToDevice(T* dst, const T* src, size_t count) {
    CheckedMemcpy(dst, src, count * sizeof(T), cudaMemcpyDeviceToDevice);
}

// Unchecked copies returning the status, for callers that decide themselves.
inline cudaError_t CudaMemcpyBytes1D(void* dst, const void* src, size_t bytes, cudaMemcpyKind kind) {
    return cudaMemcpy(dst, src, bytes, kind);
}
// `rows` rows of `width` bytes: one linear copy when both pitches equal the
// width, a pitched copy when both pitches are below GetMaxPitch(), else one
// copy per row (stopping at the first failure).
cudaError_t CudaMemcpyBytes2D(void* dst, size_t dstPitch, const void* src, size_t srcPitch, size_t width,
                              size_t rows, cudaMemcpyKind kind, bool async = false, cudaStream_t stream = 0);
cudaError_t CudaMemcpy3D(void* dst, size_t dstPitch, size_t dstSlicePitch, const void* src, size_t srcPitch,
                         size_t srcSlicePitch, size_t width, size_t rows, size_t slices, cudaMemcpyKind kind);

// Copy functors that remember the status of their last (first failing) copy.
class FwdCudaMemcpy {
  public:
    explicit FwdCudaMemcpy(cudaMemcpyKind kind) : kind_(kind) {}
    void operator()(void* dst, const void* src, size_t bytes) { error_ = cudaMemcpy(dst, src, bytes, kind_); }
    cudaError_t Error() const { return error_; }

  private:
    cudaMemcpyKind kind_;
    cudaError_t error_ = cudaSuccess;
};

class FwdCudaMemcpy2D {
  public:
    explicit FwdCudaMemcpy2D(cudaMemcpyKind kind) : kind_(kind) {}
    // Does nothing once a copy has failed.
    void operator()(void* dst, size_t dstPitch, const void* src, size_t srcPitch, size_t width, size_t rows) {
        if (error_ == cudaSuccess)
            error_ = CudaMemcpyBytes2D(dst, dstPitch, src, srcPitch, width, rows, kind_);
    }
    cudaError_t Error() const { return error_; }

  private:
    cudaMemcpyKind kind_;
    cudaError_t error_ = cudaSuccess;
};

// Untyped owner of one device allocation, freed on its allocating device.
class DeviceAllocation {
  public:
    DeviceAllocation() = default;
    // Records the current device and allocates; an allocation failure raises
    // CudaMemoryException. Zero bytes allocate nothing.
    explicit DeviceAllocation(size_t bytes);
    ~DeviceAllocation();
    DeviceAllocation(DeviceAllocation&& other) noexcept;
    DeviceAllocation& operator=(DeviceAllocation&& other) noexcept;
    DeviceAllocation(const DeviceAllocation&) = delete;
    DeviceAllocation& operator=(const DeviceAllocation&) = delete;

    void* get() const { return ptr_; }
    int device() const { return device_; }
    size_t bytes() const { return bytes_; }

  private:
    void release() noexcept;

    int device_ = -1;
    void* ptr_ = nullptr;
    size_t bytes_ = 0;
};

// count elements of T on the device that was current at construction.
template <typename T>
class CudaBuffer {
  public:
    // Allocates; copies count elements from host memory when src is given.
    explicit CudaBuffer(size_t count, const T* src = nullptr) : memory_(count * sizeof(T)), count_(count) {
        if (src && count > 0) MemcpyHostToDevice(get(), src, count);
    }
    explicit CudaBuffer(const std::vector<T>& v) : CudaBuffer(v.size(), v.data()) {}

    T* get() const { return static_cast<T*>(memory_.get()); }
    size_t count() const { return count_; }
    int device() const { return memory_.device(); }

  private:
    DeviceAllocation memory_;
    size_t count_;
};

}  // namespace cudalib

#endif
#endif
