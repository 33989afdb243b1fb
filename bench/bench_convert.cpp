// COO-to-CSR and CSC-to-CSR conversion speed on the 2-D 5-point Poisson
// matrix with its entries in random order, against the time to copy the
// three input arrays once (parallel copy, the memory-bandwidth yardstick).
//
// Usage: bench_convert [grid side, default 1000 (10^6 rows)] [repetitions, default 7]

#include <omp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/Complex.h"
#include "core/ParallelArrays.h"
#include "matrix/HostCooConvert.h"

#include "BenchSupport.h"

namespace {

template <typename T>
void run(const char* type, int side, int repetitions) {
    const Coo<T> coo = shuffledPoisson<T>(side);
    const int n = coo.n;
    const int nnz = static_cast<int>(coo.a.size());

    std::vector<int> copyRows(nnz), copyCols(nnz), csrColInd(nnz), csrRowPtr(n + 1);
    std::vector<T> copyVals(nnz), csrVal(nnz);

    const Timing copy = measure(repetitions, [&] {
        Iterative::copyInParallel(coo.rowInd.data(), nnz, copyRows.data());
        Iterative::copyInParallel(coo.colInd.data(), nnz, copyCols.data());
        Iterative::copyInParallel(coo.a.data(), nnz, copyVals.data());
    });
    int status = 0;
    const Timing cooChecked = measure(repetitions, [&] {
        status |= Iterative::hostCoo2csr(n, nnz, coo.colInd.data(), coo.rowInd.data(), coo.a.data(),
                                         csrColInd.data(), csrRowPtr.data(), csrVal.data(), 1, 0);
    });
    const Timing cooKernel = measure(repetitions, [&] {
        Iterative::convertCooToCsr(n, nnz, coo.rowInd.data(), coo.colInd.data(), coo.a.data(), 1, 0,
                                   csrRowPtr.data(), csrColInd.data(), csrVal.data());
    });
    // The CSR arrays just built are the CSC arrays of the transpose (the
    // matrix is symmetric, so of the matrix itself), in zero-based form.
    const std::vector<int> colPtr = csrRowPtr, rowInd = csrColInd;
    const std::vector<T> cscVal = csrVal;
    const Timing csc = measure(repetitions, [&] {
        status |= Iterative::hostCsc2csr(n, nnz, colPtr.data(), rowInd.data(), cscVal.data(),
                                         csrColInd.data(), csrRowPtr.data(), csrVal.data(), 0, 0);
    });
    if (status != 0) {
        std::fprintf(stderr, "conversion failed with status %d\n", status);
        std::exit(1);
    }

    const double bytes = static_cast<double>(nnz) * (2 * sizeof(int) + sizeof(T));
    std::printf("\n%s: n = %d, nnz = %d, %d threads, %d repetitions\n", type, n, nnz, omp_get_max_threads(),
                repetitions);
    std::printf("%-28s %10s %10s %8s\n", "operation", "min ms", "median ms", "x copy");
    auto row = [&](const char* name, const Timing& t) {
        std::printf("%-28s %10.2f %10.2f %8.2f\n", name, t.min * 1e3, t.median * 1e3, t.min / copy.min);
    };
    row("copy of the 3 input arrays", copy);
    row("coo2csr (with index check)", cooChecked);
    row("coo2csr kernel only", cooKernel);
    row("csc2csr (with index check)", csc);
    std::printf("copy bandwidth: %.2f GB/s (read + write)\n", 2 * bytes / copy.min * 1e-9);
    std::printf("CSV,bench_convert,%s,%d,%d,%d,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f,%.6f\n", type, n, nnz,
                omp_get_max_threads(), copy.min, copy.median, cooChecked.min, cooChecked.median,
                cooKernel.min, cooKernel.median, csc.min, csc.median);
}

}  // namespace

int main(int argc, char** argv) {
    const int side = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int repetitions = argc > 2 ? std::atoi(argv[2]) : 7;
    if (side < 2 || repetitions < 1) {
        std::fprintf(stderr, "usage: bench_convert [grid side >= 2] [repetitions >= 1]\n");
        return 2;
    }
    std::printf(
        "CSV columns: bench,type,n,nnz,threads,copy_min_s,copy_median_s,coo2csr_min_s,"
        "coo2csr_median_s,coo_kernel_min_s,coo_kernel_median_s,csc2csr_min_s,csc2csr_median_s\n");
    run<double>("double", side, repetitions);
    run<kyra::Complex<double>>("complex double", side, repetitions);
    run<float>("float", side, repetitions);
    return 0;
}
