#ifndef KYRA_PRECONDITIONER_HOST_PARALLEL_H
#define KYRA_PRECONDITIONER_HOST_PARALLEL_H

// Helpers for the OpenMP regions of the preconditioner set-ups: the static
// split of an index range over a thread team, the slot that carries an
// exception out of a region (exceptions must not cross its boundary), and
// the count by which one thread hands work over to another.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

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

// A count one thread raises and another waits on, such as the rows a
// copying thread has made ready for a factoring one. A hand-over usually
// arrives within microseconds, so a waiter polls that long; then it sleeps
// rather than burn a core the raising thread may need.
class Progress {
  public:
    void publish(int count) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            count_.store(count, std::memory_order_release);
        }
        changed_.notify_one();
    }

    // The count, once it exceeds `seen`.
    int waitBeyond(int seen) {
        const auto deadline = std::chrono::steady_clock::now() + kPollBudget;
        do {
            const int count = count_.load(std::memory_order_acquire);
            if (count > seen) return count;
            std::this_thread::yield();
        } while (std::chrono::steady_clock::now() < deadline);
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return count_.load(std::memory_order_relaxed) > seen; });
        return count_.load(std::memory_order_relaxed);
    }

  private:
    static constexpr std::chrono::microseconds kPollBudget{50};
    std::atomic<int> count_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
};

}  // namespace host
}  // namespace pc

#endif
