#ifndef KYRA_PLATFORM_CUDADEVICEPLATFORM_H
#define KYRA_PLATFORM_CUDADEVICEPLATFORM_H

// Solves a system whose arrays the caller already keeps in device memory:
// every pointer of the data format (matrix arrays, x and b) is a device
// pointer, and preparation moves nothing of the matrix between host and
// device. CSR arrays are used in place with the caller's index base; COO and
// CSC arrays are converted on the device into one zero-based CSR matrix the
// platform owns. x and b wrap the
// caller's arrays, so the solver's iterates go straight into the caller's x
// and cleanup has nothing to do. Matrix-free callbacks receive device
// pointers. There is no reordering here.
//
// Preparation, per format: every array must start on a 16-byte boundary
// (status 8 naming the first one that does not; checked on the pointers
// alone, before any device work); then one device pass validates the index
// arrays (status 4 naming the first bad element), so bad indices never reach
// cuSPARSE as a device fault; then the matrix is wrapped or converted.
//
// Device selection: deviceId is validated only; all work runs on the device
// current for the thread that executes the plan.

#if defined(KYRA_WITH_CUDA)

#include <memory>
#include <string>

#include "kyraSparse.h"
#include "matrix/CudaCsrMatrix.h"
#include "platform/Platform.h"

namespace Iterative {

class CudaDevicePlatform : public Platform {
  public:
    // Copies *opts (the defaults for null) and validates deviceId, debug and
    // useHybridFormat, in that order, raising status 3. Touches no device.
    CudaDevicePlatform(const Context& ctx, const kyraSparseCudaDeviceOptions* opts);

    std::string name() const override { return "cuda device"; }
    const kyraSparseCudaDeviceOptions& options() const { return options_; }

    using Platform::cleanupData;
    using Platform::prepareData;
    KYRA_FOR_EACH_SCALAR(KYRA_PLATFORM_OVERRIDES)

  private:
    template <typename T>
    void prepareCoo(const CooDataFormat<T>& format);
    template <typename T>
    void prepareCsr(const CsrDataFormat<T>& format);
    template <typename T>
    void prepareCsc(const CscDataFormat<T>& format);
    template <typename T>
    void prepareMatrixFree(const MatrixFreeDataFormat<T>& format);
    // Builds the hybrid form if asked, then stores the system for T with x
    // and b over the caller's device arrays.
    template <typename T>
    void prepare(std::shared_ptr<CudaCsrMatrix<T>> matrix, T* x, const T* b);

    kyraSparseCudaDeviceOptions options_;
};

}  // namespace Iterative

#endif
#endif
