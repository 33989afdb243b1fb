#ifndef KYRA_PRECONDITIONER_HOST_PARALLEL_H
#define KYRA_PRECONDITIONER_HOST_PARALLEL_H

// Helpers for the OpenMP regions of the preconditioner set-ups: the static
// split of an index range over a thread team, and the slot that carries an
// exception out of a region (exceptions must not cross its boundary).

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

namespace pc {
namespace host {

// A half-open index range [first, last).
struct Range {
    int first;
    int last;
};

// The contiguous share of [0, count) that thread `thread` of `threads` works
// on: count / threads items each, the first count % threads threads one more.
inline Range threadRange(int count, int thread, int threads) {
    const int share = count / threads;
    const int extra = count % threads;
    const int first = thread * share + std::min(thread, extra);
    return {first, first + share + (thread < extra ? 1 : 0)};
}

// Keeps the first exception raised by any thread of a region; the calling
// thread rethrows it once the region has ended. Threads may poll raised() to
// stop early, since the set-up fails anyway.
class ExceptionSlot {
  public:
    // Call from inside a catch block.
    void capture() noexcept {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!exception_) exception_ = std::current_exception();
        raised_.store(true, std::memory_order_relaxed);
    }

    bool raised() const { return raised_.load(std::memory_order_relaxed); }

    void rethrowIfRaised() const {
        if (exception_) std::rethrow_exception(exception_);
    }

  private:
    std::mutex mutex_;
    std::exception_ptr exception_;
    std::atomic<bool> raised_{false};
};

}  // namespace host
}  // namespace pc

#endif
