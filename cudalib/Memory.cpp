#include "cudalib/Memory.h"

#include <cstring>

namespace cudalib {

void memcpy2D(void* dst, size_t dstPitch, const void* src, size_t srcPitch, size_t width, size_t rows) {
    if (dstPitch == width && srcPitch == width) {
        if (rows > 0) std::memcpy(dst, src, width * rows);
        return;
    }
    auto* d = static_cast<char*>(dst);
    const auto* s = static_cast<const char*>(src);
    for (size_t row = 0; row < rows; ++row, d += dstPitch, s += srcPitch) std::memcpy(d, s, width);
}

namespace {
bool contiguous3D(size_t dstPitch, size_t dstSlicePitch, size_t srcPitch, size_t srcSlicePitch, size_t width,
                  size_t rows) {
    return srcPitch == width && dstPitch == srcPitch && dstSlicePitch == srcSlicePitch &&
           dstSlicePitch == rows * width;
}
}  // namespace

void memcpy3D(void* dst, size_t dstPitch, size_t dstSlicePitch, const void* src, size_t srcPitch,
              size_t srcSlicePitch, size_t width, size_t rows, size_t slices) {
    if (contiguous3D(dstPitch, dstSlicePitch, srcPitch, srcSlicePitch, width, rows)) {
        if (slices > 0) std::memcpy(dst, src, slices * dstSlicePitch);
        return;
    }
    auto* d = static_cast<char*>(dst);
    const auto* s = static_cast<const char*>(src);
    for (size_t slice = 0; slice < slices; ++slice, d += dstSlicePitch, s += srcSlicePitch) {
        memcpy2D(d, dstPitch, s, srcPitch, width, rows);
    }
}

}  // namespace cudalib

#if defined(KYRA_WITH_CUDA)

#include <utility>

#include "cudalib/Device.h"
#include "cudalib/ErrorChecker.h"

namespace cudalib {

namespace {
constexpr unsigned kMaxPitch = 2147483647u;
}

unsigned GetDevicePitch() {
    const int count = GetDeviceCount();
    unsigned pitch = 0;
    for (int i = 0; i < count; ++i) {
        if (GetDevicePitch(i) > pitch) pitch = GetDevicePitch(i);
    }
    return pitch;
}

unsigned GetMaxPitch() {
    if (GetDeviceCount() > 0) GetDeviceRecord(0);  // loads the device table
    return kMaxPitch;
}

void CheckedMemcpy(void* dst, const void* src, size_t bytes, cudaMemcpyKind kind) {
    if (bytes > 0) CudaErrorChecker(cudaMemcpy(dst, src, bytes, kind));
}

cudaError_t CudaMemcpyBytes2D(void* dst, size_t dstPitch, const void* src, size_t srcPitch, size_t width,
                              size_t rows, cudaMemcpyKind kind, bool async, cudaStream_t stream) {
    if (dstPitch == width && srcPitch == width) {
        return async ? cudaMemcpyAsync(dst, src, width * rows, kind, stream)
                     : cudaMemcpy(dst, src, width * rows, kind);
    }
    const size_t maxPitch = GetMaxPitch();
    if (dstPitch < maxPitch && srcPitch < maxPitch) {
        return async ? cudaMemcpy2DAsync(dst, dstPitch, src, srcPitch, width, rows, kind, stream)
                     : cudaMemcpy2D(dst, dstPitch, src, srcPitch, width, rows, kind);
    }
    auto* d = static_cast<char*>(dst);
    const auto* s = static_cast<const char*>(src);
    for (size_t row = 0; row < rows; ++row, d += dstPitch, s += srcPitch) {
        const cudaError_t status =
            async ? cudaMemcpyAsync(d, s, width, kind, stream) : cudaMemcpy(d, s, width, kind);
        if (status != cudaSuccess) return status;
    }
    return cudaSuccess;
}

cudaError_t CudaMemcpy3D(void* dst, size_t dstPitch, size_t dstSlicePitch, const void* src, size_t srcPitch,
                         size_t srcSlicePitch, size_t width, size_t rows, size_t slices,
                         cudaMemcpyKind kind) {
    FwdCudaMemcpy linear(kind);
    FwdCudaMemcpy2D pitched(kind);
    if (contiguous3D(dstPitch, dstSlicePitch, srcPitch, srcSlicePitch, width, rows)) {
        linear(dst, src, slices * dstSlicePitch);
    } else {
        auto* d = static_cast<char*>(dst);
        const auto* s = static_cast<const char*>(src);
        for (size_t slice = 0; slice < slices; ++slice, d += dstSlicePitch, s += srcSlicePitch) {
            pitched(d, dstPitch, s, srcPitch, width, rows);
        }
    }
    return linear.Error() != cudaSuccess ? linear.Error() : pitched.Error();
}

DeviceAllocation::DeviceAllocation(size_t bytes) : bytes_(bytes) {
    CudaErrorChecker(cudaGetDevice(&device_));
    if (bytes > 0) CudaErrorChecker(cudaMalloc(&ptr_, bytes));
}

DeviceAllocation::~DeviceAllocation() { release(); }

DeviceAllocation::DeviceAllocation(DeviceAllocation&& other) noexcept
    : device_(other.device_),
      ptr_(std::exchange(other.ptr_, nullptr)),
      bytes_(std::exchange(other.bytes_, 0)) {}

DeviceAllocation& DeviceAllocation::operator=(DeviceAllocation&& other) noexcept {
    if (this != &other) {
        release();
        device_ = other.device_;
        ptr_ = std::exchange(other.ptr_, nullptr);
        bytes_ = std::exchange(other.bytes_, 0);
    }
    return *this;
}

// Frees on the allocating device; statuses are ignored in a destructor.
void DeviceAllocation::release() noexcept {
    if (!ptr_) return;
    ScopedDevice onAllocatingDevice(device_);
    cudaFree(ptr_);
    ptr_ = nullptr;
}

}  // namespace cudalib

#endif
