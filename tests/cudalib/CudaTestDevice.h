#ifndef KYRA_TESTS_CUDATESTDEVICE_H
#define KYRA_TESTS_CUDATESTDEVICE_H

// Device tests skip, with the reason on one line, where no CUDA device can
// be used: no driver, no device, or a device count of zero.

#include <gtest/gtest.h>

#include <string>

#if defined(KYRA_WITH_CUDA)
#include "cudalib/Device.h"

#define KYRA_REQUIRE_CUDA_DEVICE()                                  \
    do {                                                            \
        const std::string missing = cudalib::MissingDeviceReason(); \
        if (!missing.empty()) GTEST_SKIP() << missing;              \
    } while (0)
#endif

#endif
