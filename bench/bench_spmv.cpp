// Host CSR product on a 2-D five-point Poisson matrix of 10^6 rows, against
// the STREAM triad bandwidth measured in the same run with the same threads.
//
// Traffic of one product y <- A x (double values, int indices), counting
// every array once and x once (its reuse stays in cache on a grid matrix):
//   12 nnz (values + column indices) + 4 (n+1) (row pointers) + 16 n (x, y).
// Triad a <- b + s c moves 24 bytes per element. It runs twice: on plain
// arrays (the system's default pages, as STREAM itself) and on the library's
// own host storage, which the matrix and vectors here use (huge pages for
// large blocks), so the product is compared with both. Also times host
// vector axpy, dot and nrm2 for reference.

#include <omp.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "matrix/HostCsrMatrix.h"
#include "matrix/HostStorage.h"
#include "matrix/HostVector.h"

#include "BenchSupport.h"

namespace {

using Iterative::HostVectorAlloc;
using Iterative::TransOp;

// Runs each piece of work once per round, round after round, so that a
// noisy neighbour slows all of them alike and their ratio survives.
std::vector<Timing> measureInterleaved(const std::vector<std::function<void()>>& works, int warmups,
                                       int repeats) {
    std::vector<std::vector<double>> seconds(works.size());
    for (int round = 0; round < warmups + repeats; ++round) {
        for (size_t w = 0; w < works.size(); ++w) {
            const double s = secondsOf(works[w]);
            if (round >= warmups) seconds[w].push_back(s);
        }
    }
    std::vector<Timing> timings;
    for (auto& s : seconds) timings.push_back(timingOf(s));
    return timings;
}

double gigabytesPerSecond(double bytes, double seconds) { return bytes / seconds * 1e-9; }

// STREAM triad a <- b + s c over three arrays of one storage kind, far
// larger than the last-level cache.
template <typename Array>
class StreamTriad {
  public:
    explicit StreamTriad(long length) : a_(length, 0.0), b_(length, 1.0), c_(length, 2.0) {}

    void operator()() {
        double* __restrict a = a_.data();
        const double* __restrict b = b_.data();
        const double* __restrict c = c_.data();
        const long length = static_cast<long>(a_.size());
        const double scalar = 3.0;
#pragma omp parallel for schedule(static)
        for (long i = 0; i < length; ++i) a[i] = b[i] + scalar * c[i];
    }

    double bytes() const { return 24.0 * a_.size(); }

  private:
    Array a_;
    Array b_;
    Array c_;
};

void printRow(const char* name, double bytes, const Timing& t) {
    std::printf("%-30s %10.3f %10.3f %10.2f %10.2f\n", name, t.min * 1e3, t.median * 1e3,
                gigabytesPerSecond(bytes, t.min), gigabytesPerSecond(bytes, t.median));
}

}  // namespace

int main() {
    const int grid = 1000;
    const int repeats = 50;
    // 320 MB per array, beyond any last-level cache; not a power of two, so the
    // three arrays do not map onto the same cache sets.
    const long triadLength = 40L * 1000 * 1000;

    auto A = fivePointStencil(grid, 4.0, -1.0, -1.0);
    const int n = A->m();
    const long nnz = A->nnz();
    HostVectorAlloc<double> x(n);
    HostVectorAlloc<double> y(n);
    x.fill_(1.0);

    StreamTriad<std::vector<double>> plainTriad(triadLength);
    StreamTriad<Iterative::HostArray<double>> libraryTriad(triadLength);
    const double spmvBytes = 12.0 * nnz + 4.0 * (n + 1) + 16.0 * n;
    const std::vector<Timing> timings = measureInterleaved(
        {[&] { A->mvm_(TransOp::NoTrans, 1.0, x, 0.0, y); }, [&] { plainTriad(); }, [&] { libraryTriad(); }},
        3, repeats);

    const double vectorBytes = 8.0 * n;
    volatile double sink = 0.0;  // keeps the reductions from being optimised away
    const std::vector<Timing> level1 = measureInterleaved(
        {[&] { y.axpy_(1e-3, x); }, [&] { sink = y.dot_(x); }, [&] { sink = y.nrm2_(); }}, 3, repeats);

    const double spmvRate = gigabytesPerSecond(spmvBytes, timings[0].min);
    const double plainRate = gigabytesPerSecond(plainTriad.bytes(), timings[1].min);
    const double libraryRate = gigabytesPerSecond(libraryTriad.bytes(), timings[2].min);
    std::printf("threads %d, n %d, nnz %ld, %d repeats (min and median)\n", omp_get_max_threads(), n, nnz,
                repeats);
    std::printf("%-30s %10s %10s %10s %10s\n", "operation", "min ms", "median ms", "GB/s best",
                "GB/s median");
    printRow("csr product (double)", spmvBytes, timings[0]);
    printRow("stream triad, plain arrays", plainTriad.bytes(), timings[1]);
    printRow("stream triad, library storage", libraryTriad.bytes(), timings[2]);
    printRow("vector axpy", 3 * vectorBytes, level1[0]);
    printRow("vector dot", 2 * vectorBytes, level1[1]);
    printRow("vector nrm2", vectorBytes, level1[2]);
    std::printf("csr product / stream triad (plain arrays): %.1f %%\n", 100.0 * spmvRate / plainRate);
    std::printf("csr product / stream triad (library storage): %.1f %%\n", 100.0 * spmvRate / libraryRate);
    std::printf(
        "csv,bench_spmv,threads,%d,n,%d,nnz,%ld,spmv_gbs,%.3f,triad_plain_gbs,%.3f,triad_library_gbs,%.3f,"
        "ratio_plain,%.4f,ratio_library,%.4f,axpy_ms,%.4f,dot_ms,%.4f,nrm2_ms,%.4f\n",
        omp_get_max_threads(), n, nnz, spmvRate, plainRate, libraryRate, spmvRate / plainRate,
        spmvRate / libraryRate, level1[0].min * 1e3, level1[1].min * 1e3, level1[2].min * 1e3);
    return 0;
}
