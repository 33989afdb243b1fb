#ifndef KYRA_PLATFORM_CUDAPLATFORMOPTIONS_H
#define KYRA_PLATFORM_CUDAPLATFORMOPTIONS_H

// Checks of the two CUDA platforms' option records, in the order the
// platforms apply them, each raising status 3 with the failed condition.
// They do not need CUDA, so every build refuses a bad record alike; where
// the platform itself is missing, a valid record is refused afterwards.

#include "kyraSparse.h"

namespace Iterative {

// deviceId, then debug, useHybridFormat and reordering.
void checkCudaPlatformOptions(const kyraSparseCudaOptions& options);
// deviceId, then debug and useHybridFormat.
void checkCudaDevicePlatformOptions(const kyraSparseCudaDeviceOptions& options);

}  // namespace Iterative

#endif
