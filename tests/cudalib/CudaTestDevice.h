#ifndef KYRA_TESTS_CUDATESTDEVICE_H
#define KYRA_TESTS_CUDATESTDEVICE_H

// Device tests skip, with the reason on one line, where no CUDA device can
// be used: no driver, no device, or a device count of zero. With one, they
// move their data with the helpers below.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#if defined(KYRA_WITH_CUDA)
#include <cuda_runtime_api.h>

#include "cudalib/Device.h"
#include "cudalib/Memory.h"

#define KYRA_REQUIRE_CUDA_DEVICE()                                  \
    do {                                                            \
        const std::string missing = cudalib::MissingDeviceReason(); \
        if (!missing.empty()) GTEST_SKIP() << missing;              \
    } while (0)

// A device copy of v; never a null address: an empty v gets one element.
template <typename T>
cudalib::CudaBuffer<T> upload(const std::vector<T>& v) {
    cudalib::CudaBuffer<T> buffer(std::max<std::size_t>(v.size(), 1));
    if (!v.empty()) cudalib::MemcpyHostToDevice(buffer.get(), v.data(), v.size());
    return buffer;
}

template <typename T>
std::vector<T> download(const T* device, std::size_t count) {
    std::vector<T> host(count);
    if (count > 0) cudalib::MemcpyDeviceToHost(host.data(), device, count);
    return host;
}
template <typename T>
std::vector<T> download(const cudalib::CudaBuffer<T>& buffer) {
    return download(buffer.get(), buffer.count());
}

inline bool isDevicePointer(const void* p) {
    cudaPointerAttributes attributes{};
    return cudaPointerGetAttributes(&attributes, p) == cudaSuccess && attributes.type == cudaMemoryTypeDevice;
}
#endif

#endif
