#ifndef KYRA_CORE_CONTEXT_H
#define KYRA_CORE_CONTEXT_H

// The library handle. All work of a handle runs on a worker thread of its
// own; the caller blocks until the work item finishes and gets back any
// exception it raised, with its dynamic type intact.

#include <memory>
#include <mutex>
#include <string>

#include "core/FunctionRef.h"

namespace Cublas {
class Context;
}
namespace Cusparse {
class Context;
}

namespace Iterative {

// The four object names of one plan execution.
struct ExtendedInfo {
    std::string dataFormat;
    std::string platform;
    std::string preconditioner;
    std::string solver;
};

class Context {
  public:
    using Work = FunctionRef<void(Context&)>;

    Context();
    ~Context();
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

    // Runs work on the worker thread and rethrows what it threw.
    void execute(const Work& work);
    // The context whose work runs on the calling thread; null outside work.
    static const Context* current();
    std::mutex& getMutex() const;

    void setLastStatusString(const std::string& text) const;
    std::string getLastStatusString() const;
    // For when memory has run out: a text of at most kReservedStatusLength
    // characters goes into storage reserved at creation, without allocating.
    static constexpr std::size_t kReservedStatusLength = 64;
    void setLastStatusStringInPlace(const char* text) const noexcept;

    // Keys start at 1; 0 and unknown keys give a record of "Unknown" names.
    unsigned addExtendedInfo(const ExtendedInfo& info) const;
    ExtendedInfo getExtendedInfo(unsigned key) const;

    void setInterrupt() const;
    // Returns whether the interrupt byte was set, and clears it.
    bool checkInterupt() const;

    // The handle's cuBLAS and cuSPARSE contexts, created at first request.
    Cublas::Context& cublasCtx() const;
    Cusparse::Context& cusparseCtx() const;

    class Impl;

  private:
    std::shared_ptr<Impl> impl_;
};

}  // namespace Iterative

#endif
