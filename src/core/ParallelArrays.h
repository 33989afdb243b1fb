#ifndef KYRA_CORE_PARALLELARRAYS_H
#define KYRA_CORE_PARALLELARRAYS_H

// Fills and copies of large arrays split into one contiguous share per
// OpenMP thread. Besides using every core's bandwidth, the split makes every
// core take its share of the page faults of fresh memory: the kernel clears
// each new page on first touch, and for set-ups that allocate tens of
// megabytes that clearing costs as much as the work itself.

#include <omp.h>

#include <algorithm>

namespace Iterative {

// Below this many bytes one thread is done before a team has started.
constexpr long kParallelArrayBytes = 1L << 20;

template <typename E, typename Work>
void forEachShare(long count, Work work) {
    if (static_cast<long>(sizeof(E)) * count < kParallelArrayBytes) {
        work(0L, count);
        return;
    }
#pragma omp parallel
    {
        const long threads = omp_get_num_threads();
        const long thread = omp_get_thread_num();
        work(count * thread / threads, count * (thread + 1) / threads);
    }
}

template <typename E>
void fillInParallel(E* to, long count, E value) {
    forEachShare<E>(count, [=](long begin, long end) { std::fill(to + begin, to + end, value); });
}

template <typename E>
void copyInParallel(const E* from, long count, E* to) {
    forEachShare<E>(count, [=](long begin, long end) { std::copy(from + begin, from + end, to + begin); });
}

}  // namespace Iterative

#endif
