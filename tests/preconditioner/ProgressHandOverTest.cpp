// The hand-over of copied rows in the ILU0 set-up: the factoring thread
// waits for rows without burning a core the copying thread may need.

#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "preconditioner/host/parallel.h"

namespace {

double threadCpuSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

TEST(ProgressHandOver, AWaiterSleepsUntilTheCountPassesWhatItHasSeen) {
    pc::host::Progress copied;
    int seen = 0;
    double waitingCpu = 0.0;
    std::thread factorer([&] {
        const double start = threadCpuSeconds();
        seen = copied.waitBeyond(0);
        waitingCpu = threadCpuSeconds() - start;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    copied.publish(8192);
    factorer.join();
    EXPECT_EQ(8192, seen);
    // A polling waiter takes a good share of the 200 ms, even on a busy machine.
    EXPECT_LT(waitingCpu, 0.005);
}

}  // namespace
