#ifndef KYRA_PLATFORM_CUDAPLATFORM_H
#define KYRA_PLATFORM_CUDAPLATFORM_H

// Solves on the GPU a system whose data the caller keeps in main memory.
// Preparation builds the host CSR matrix as the host platform does (with the
// optional reordering), uploads it, optionally builds its hybrid form, and
// uploads x and b into device vectors of the platform; cleanup copies the
// device solution into the caller's x, in the caller's numbering. Matrix-free
// data keep the caller's callback, which then receives device addresses.
//
// The caller's arrays are read by preparation only: the platform keeps no
// reference to them, so a second execution without new data starts from the
// device x the first one left, whatever the caller wrote in between.
//
// All device work runs on the device current for the calling thread; the
// deviceId option is validated only. Transfers are synchronous.

#if defined(KYRA_WITH_CUDA)

#include <memory>
#include <string>
#include <vector>

#include "kyraSparse.h"
#include "matrix/HostCsrMatrix.h"
#include "platform/Platform.h"

namespace Iterative {

class CudaPlatform : public Platform {
  public:
    // Copies *opts (the defaults for null) and validates deviceId, debug,
    // useHybridFormat and reordering in that order, raising status 3. Needs
    // no device.
    CudaPlatform(const Context& ctx, const kyraSparseCudaOptions* opts);

    std::string name() const override { return "cuda"; }
    const kyraSparseCudaOptions& options() const { return options_; }

    using Platform::cleanupData;
    using Platform::prepareData;
    KYRA_FOR_EACH_SCALAR(KYRA_PLATFORM_OVERRIDES)

  private:
    // COO, CSR or CSC data.
    template <typename Format>
    void prepareMatrix(const Format& format);
    template <typename T>
    void prepareMatrixFree(const MatrixFreeDataFormat<T>& format);
    // Reorders if asked, uploads the matrix (and its hybrid form), x and b.
    template <typename T>
    void prepare(std::shared_ptr<HostCsrMatrix<T>> hostA, const T* x, const T* b);
    // The device solution into the caller's n-element x.
    template <typename T>
    void cleanup(int n, T* x) const;

    kyraSparseCudaOptions options_;
    // Old index of each new index of the prepared system; empty when the
    // system is solved in the caller's numbering. Kept apart from the base's
    // permutation(): this platform's callbacks receive device vectors in the
    // prepared numbering, which only a host platform could carry back.
    std::vector<int> renumbering_;
};

}  // namespace Iterative

#endif
#endif
