#ifndef KYRA_PLATFORM_HOSTPLATFORM_H
#define KYRA_PLATFORM_HOSTPLATFORM_H

// Solves in main memory with the host back end. CSR data are used in place
// (no copy of the caller's arrays, whatever their index base); COO and CSC
// data are converted into one zero-based CSR copy. Before any other use the
// index arrays are validated (status 4 naming the first bad element).
//
// Without reordering, x and b wrap the caller's arrays, so the solution is
// in the caller's x when the solver returns. With reordering the solver works
// on the renumbered system B x' = b' (see Reorder.h) in vectors of the
// platform: preparation gathers b and x into them, every execution gathers
// the caller's current b, and x when it is the initial guess, again (O(n)),
// and every cleanup scatters x' back into the caller's x. The renumbering
// stays invisible to the caller.

#include <memory>
#include <string>

#include "kyraSparse.h"
#include "matrix/HostCsrMatrix.h"
#include "platform/Platform.h"

namespace Iterative {

class HostPlatform : public Platform {
  public:
    // Copies *opts (the defaults for null) and validates debug, then
    // reordering, raising status 3.
    HostPlatform(const Context& ctx, const kyraSparseHostOptions* opts);

    std::string name() const override { return "host"; }
    const kyraSparseHostOptions& options() const { return options_; }

    using Platform::cleanupData;
    using Platform::prepareData;
    KYRA_FOR_EACH_SCALAR(KYRA_PLATFORM_OVERRIDES)
    KYRA_FOR_EACH_SCALAR(KYRA_PLATFORM_LOAD_VECTORS)

  private:
    // COO, CSR or CSC data.
    template <typename Format>
    void prepareMatrix(const Format& format);
    template <typename T>
    void prepareMatrixFree(const MatrixFreeDataFormat<T>& format);
    // Applies the reordering, if any, and stores the system for T.
    template <typename T>
    void prepare(std::shared_ptr<HostCsrMatrix<T>> matrix, T* x, const T* b);
    // Carry b and x between the caller's numbering and the prepared one.
    template <typename T>
    void gatherVectors(const T* x, const T* b, bool initialGuess);
    template <typename T>
    void restoreSolution(T* x) const;

    kyraSparseHostOptions options_;
};

}  // namespace Iterative

#endif
