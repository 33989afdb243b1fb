// Round trip of one guarded call: calling thread -> handle's worker -> back.
// Prints min and median over repeated batches, plus a CSV line.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "kyraSparse.h"

int main() {
    kyraSparseHandle handle = nullptr;
    if (kyraSparseCreate(&handle) != kyraSparseNoError) return 1;
    const int callsPerBatch = 2000;
    const int batches = 25;
    int version = 0;
    for (int i = 0; i < callsPerBatch; ++i) kyraSparseGetVersion(handle, &version);  // warm up

    std::vector<double> perCallMicroseconds;
    for (int b = 0; b < batches; ++b) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < callsPerBatch; ++i) kyraSparseGetVersion(handle, &version);
        const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
        perCallMicroseconds.push_back(elapsed.count() / callsPerBatch);
    }
    std::sort(perCallMicroseconds.begin(), perCallMicroseconds.end());
    const double minimum = perCallMicroseconds.front();
    const double median = perCallMicroseconds[perCallMicroseconds.size() / 2];
    std::printf("guarded call round trip: min %.2f us, median %.2f us (%d batches of %d calls)\n", minimum,
                median, batches, callsPerBatch);
    std::printf("csv,bench_call,round_trip_us,%.3f,%.3f\n", minimum, median);
    kyraSparseDestroy(handle);
    return 0;
}
