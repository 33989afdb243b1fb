#ifndef KYRA_TESTS_CUDATESTDEVICE_H
#define KYRA_TESTS_CUDATESTDEVICE_H

// Device tests skip, with the reason on one line, where no CUDA device can
// be used: no driver, no device, or a device count of zero.

#include <gtest/gtest.h>

#include <string>

#if defined(KYRA_WITH_CUDA)
#include <cuda_runtime_api.h>

inline std::string cudaDeviceMissing() {
    int count = 0;  // left unwritten when the query fails
    const cudaError_t status = cudaGetDeviceCount(&count);
    if (status != cudaSuccess) return std::string("no usable CUDA device: ") + cudaGetErrorString(status);
    return count == 0 ? "no CUDA device present" : "";
}

#define KYRA_REQUIRE_CUDA_DEVICE()                       \
    do {                                                 \
        const std::string missing = cudaDeviceMissing(); \
        if (!missing.empty()) GTEST_SKIP() << missing;   \
    } while (0)
#endif

#endif
