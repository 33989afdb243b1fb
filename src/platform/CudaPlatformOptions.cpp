#include "platform/CudaPlatformOptions.h"

#include "core/Exception.h"
#include "core/Options.h"

namespace Iterative {

namespace {

// The checks both records share. deviceId is only validated: the work runs
// on the device current for the handle's worker thread.
template <typename Record>
void checkCommonOptions(const Record& options) {
    checkArgument(options.deviceId >= 0, "platformOpts.deviceId >= 0");
    checkArgument(isZeroOrOne(options.debug), "platformOpts.debug != {0, 1}");
    checkArgument(isZeroOrOne(options.useHybridFormat), "platformOpts.useHybridFormat != {0, 1}");
}

}  // namespace

void checkCudaPlatformOptions(const kyraSparseCudaOptions& options) {
    checkCommonOptions(options);
    checkArgument(isKnownReordering(options.reordering),
                  "platformOpts.reordering != {kyraSparseNoReordering, kyraSparseAmdReordering, "
                  "kyraSparseSymamdReordering}");
}

void checkCudaDevicePlatformOptions(const kyraSparseCudaDeviceOptions& options) {
    checkCommonOptions(options);
}

}  // namespace Iterative
