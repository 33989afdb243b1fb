// Device COO-to-CSR and CSC-to-CSR conversions on the 2-D 5-point Poisson
// matrix with its entries in random order (10^6 rows, 5*10^6 entries by
// default), against the host conversions of the same data and one
// device-to-device copy of the three input arrays, all measured in this run.
// Each conversion is timed whole on the wall clock: its scratch allocations
// and the final wait for the device are part of what a caller pays.
//
// Usage: bench_cuda_convert [grid side, default 1000] [repetitions, default 7]

#include <cstdio>

#if !defined(KYRA_WITH_CUDA)

int main() {
    std::printf("bench_cuda_convert: this build has no CUDA support\n");
    return 0;
}

#else

#include <cuda_runtime_api.h>
#include <omp.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "cudalib/Device.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/Memory.h"
#include "matrix/CudaDeviceConvert.h"
#include "matrix/HostCooConvert.h"

#include "BenchSupport.h"

namespace {

void requireSuccess(int status, const char* what) {
    if (status == 0) return;
    std::fprintf(stderr, "%s failed with status %d\n", what, status);
    std::exit(1);
}

// The host and device CSR arrays must agree: row pointers exactly, and the
// Poisson matrix has no duplicate entries, so the sorted rows agree too.
void requireSameCsr(const std::vector<int>& hostRowPtr, const std::vector<int>& hostColInd,
                    const cudalib::CudaBuffer<int>& rowPtr, const cudalib::CudaBuffer<int>& colInd) {
    std::vector<int> deviceRowPtr(rowPtr.count()), deviceColInd(colInd.count());
    cudalib::MemcpyDeviceToHost(deviceRowPtr.data(), rowPtr.get(), deviceRowPtr.size());
    cudalib::MemcpyDeviceToHost(deviceColInd.data(), colInd.get(), deviceColInd.size());
    if (deviceRowPtr != hostRowPtr || deviceColInd != hostColInd) {
        std::fprintf(stderr, "device and host conversions disagree\n");
        std::exit(1);
    }
}

template <typename T>
void run(const char* type, int side, int repetitions) {
    const Coo<T> coo = shuffledPoisson<T>(side);
    const int n = coo.n;
    const int nnz = static_cast<int>(coo.a.size());

    std::vector<int> hostColInd(nnz), hostRowPtr(n + 1);
    std::vector<T> hostVal(nnz);
    const Timing host = measure(repetitions, [&] {
        requireSuccess(Iterative::hostCoo2csr(n, nnz, coo.colInd.data(), coo.rowInd.data(), coo.a.data(),
                                              hostColInd.data(), hostRowPtr.data(), hostVal.data(), 1, 0),
                       "host coo2csr");
    });

    const cudalib::CudaBuffer<int> rowInd(coo.rowInd), colInd(coo.colInd);
    const cudalib::CudaBuffer<T> a(coo.a);
    const cudalib::CudaBuffer<int> copyRows(nnz), copyCols(nnz);
    const cudalib::CudaBuffer<T> copyVals(nnz);
    const Timing copy = measure(repetitions, [&] {
        cudalib::MemcpyDeviceToDevice(copyRows.get(), rowInd.get(), nnz);
        cudalib::MemcpyDeviceToDevice(copyCols.get(), colInd.get(), nnz);
        cudalib::MemcpyDeviceToDevice(copyVals.get(), a.get(), nnz);
        cudalib::CudaErrorChecker::CheckError(cudaDeviceSynchronize());
    });

    const cudalib::CudaBuffer<int> csrColInd(nnz), csrRowPtr(n + 1);
    const cudalib::CudaBuffer<T> csrVal(nnz);
    const Timing coo2csr = measure(repetitions, [&] {
        requireSuccess(Iterative::cudaDeviceCoo2csr(n, nnz, colInd.get(), rowInd.get(), a.get(),
                                                    csrColInd.get(), csrRowPtr.get(), csrVal.get(), 1, 0),
                       "device coo2csr");
    });
    requireSameCsr(hostRowPtr, hostColInd, csrRowPtr, csrColInd);

    // The zero-based CSR arrays are the CSC arrays of the transpose, which
    // for this symmetric matrix is the matrix itself.
    const cudalib::CudaBuffer<int> cscColInd(nnz), cscRowPtr(n + 1);
    const cudalib::CudaBuffer<T> cscVal(nnz);
    const Timing csc2csr = measure(repetitions, [&] {
        requireSuccess(Iterative::cudaDeviceCsc2csr(n, nnz, csrRowPtr.get(), csrColInd.get(), csrVal.get(),
                                                    cscColInd.get(), cscRowPtr.get(), cscVal.get(), 0, 0),
                       "device csc2csr");
    });
    requireSameCsr(hostRowPtr, hostColInd, cscRowPtr, cscColInd);

    std::printf("\n%s: n = %d, nnz = %d, host with %d threads, %d repetitions\n", type, n, nnz,
                omp_get_max_threads(), repetitions);
    std::printf("%-32s %10s %10s %10s %10s\n", "operation", "min ms", "median ms", "x dev copy",
                "host / this");
    auto row = [&](const char* name, const Timing& t) {
        std::printf("%-32s %10.3f %10.3f %10.2f %10.1f\n", name, t.min * 1e3, t.median * 1e3,
                    t.min / copy.min, host.min / t.min);
    };
    row("device copy of the 3 inputs", copy);
    row("host coo2csr (with index check)", host);
    row("device coo2csr", coo2csr);
    row("device csc2csr", csc2csr);
    std::printf("CSV,bench_cuda_convert,%s,%d,%d,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", type, n, nnz,
                copy.min, copy.median, host.min, host.median, coo2csr.min, coo2csr.median, csc2csr.min,
                csc2csr.median);
}

}  // namespace

int main(int argc, char** argv) {
    const int side = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 7;
    if (side < 2 || repetitions < 1) {
        std::fprintf(stderr, "usage: bench_cuda_convert [grid side >= 2] [repetitions >= 1]\n");
        return 2;
    }
    const std::string missing = cudalib::MissingDeviceReason();
    if (!missing.empty()) {
        std::printf("bench_cuda_convert: skipped: %s\n", missing.c_str());
        return 0;
    }
    std::printf(
        "CSV columns: bench,type,n,nnz,dev_copy_min_s,dev_copy_median_s,host_coo2csr_min_s,"
        "host_coo2csr_median_s,dev_coo2csr_min_s,dev_coo2csr_median_s,dev_csc2csr_min_s,"
        "dev_csc2csr_median_s\n");
    run<double>("double", side, repetitions);
    run<kyra::Complex<double> >("complex double", side, repetitions);
    return 0;
}

#endif
