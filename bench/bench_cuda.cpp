// Device CSR product on the 2-D five-point Poisson matrix of 10^6 rows (CSR
// and the sliced-ELL copy), and dot, axpy and nrm2 on 10^7 doubles, each
// against the device-to-device copy bandwidth measured in the same run; and
// CG without preconditioner on the 3-D seven-point Poisson matrix of 10^6
// unknowns through the public interface, on the host and the CUDA platform.
//
// Traffic of one product y <- A x, counting every array once:
//   12 nnz (values + column indices) + 4 (n+1) (row pointers) + 16 n (x, y);
// the sliced-ELL ratio uses the same count (useful traffic), so padding shows
// as a lower ratio. dot reads 16 n bytes, axpy moves 24 n, nrm2 reads 8 n, a
// copy of b bytes moves 2 b. Products and axpy are timed with device events
// over a batch; dot and nrm2 return their value to the host, so each call is
// timed whole, the wait included.
//
// Bytes of one CG iteration: the product as above, plus the vector passes
// of the method: z = r (16 n), two dots (32 n), p = z + beta p (24 n), two
// axpys (48 n), the residual norm (8 n) and the stagnation test's two norms
// (16 n), 144 n in all. Its bound is those bytes at the copy rate.

#include <cstdio>

#if !defined(KYRA_WITH_CUDA)

int main() {
    std::printf("bench_cuda: this build has no CUDA support\n");
    return 0;
}

#else

#include <cuda_runtime_api.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Context.h"
#include "cudalib/Device.h"
#include "cudalib/ErrorChecker.h"
#include "cudalib/Memory.h"
#include "matrix/CudaCsrMatrix.h"
#include "matrix/CudaVector.h"
#include "matrix/HostVector.h"

#include "BenchSupport.h"
#include "kyraSparse.h"

namespace {

using Iterative::CudaVectorAlloc;
using Iterative::TransOp;

class Event {
  public:
    Event() { cudalib::CudaErrorChecker(cudaEventCreate(&event_)); }
    ~Event() { cudaEventDestroy(event_); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    cudaEvent_t get() const { return event_; }

  private:
    cudaEvent_t event_ = nullptr;
};

// Seconds per call of work, from device events around `batch` calls; the
// best of `rounds` batches after one warm-up batch.
double deviceSeconds(const std::function<void()>& work, int batch = 20, int rounds = 5) {
    Event start;
    Event stop;
    double best = 1e30;
    for (int round = 0; round <= rounds; ++round) {
        cudalib::CudaErrorChecker(cudaEventRecord(start.get(), 0));
        for (int i = 0; i < batch; ++i) work();
        cudalib::CudaErrorChecker(cudaEventRecord(stop.get(), 0));
        cudalib::CudaErrorChecker(cudaEventSynchronize(stop.get()));
        float ms = 0;
        cudalib::CudaErrorChecker(cudaEventElapsedTime(&ms, start.get(), stop.get()));
        if (round > 0 && ms * 1e-3 / batch < best) best = ms * 1e-3 / batch;
    }
    return best;
}

// Seconds per call of work that waits for the device itself.
double hostSeconds(const std::function<void()>& work) { return measure(50, work).min; }

void report(const char* name, double bytes, double seconds, double copyRate) {
    const double rate = bytes / seconds;
    std::printf("%-28s %10.4f ms %9.1f GB/s %7.1f %% of copy\n", name, seconds * 1e3, rate * 1e-9,
                100.0 * rate / copyRate);
}

// The 3-D seven-point Laplacian on a g x g x g grid, zero-based CSR.
struct Poisson3d {
    int n = 0;
    std::vector<int> rowPtr{0}, colInd;
    std::vector<double> values;
};

Poisson3d poisson3d(int g) {
    Poisson3d a;
    a.n = g * g * g;
    const auto id = [g](int i, int j, int k) { return (i * g + j) * g + k; };
    for (int i = 0; i < g; ++i) {
        for (int j = 0; j < g; ++j) {
            for (int k = 0; k < g; ++k) {
                const auto add = [&](int c, double v) {
                    a.colInd.push_back(c);
                    a.values.push_back(v);
                };
                if (i > 0) add(id(i - 1, j, k), -1);
                if (j > 0) add(id(i, j - 1, k), -1);
                if (k > 0) add(id(i, j, k - 1), -1);
                add(id(i, j, k), 6);
                if (k < g - 1) add(id(i, j, k + 1), -1);
                if (j < g - 1) add(id(i, j + 1, k), -1);
                if (i < g - 1) add(id(i + 1, j, k), -1);
                a.rowPtr.push_back(static_cast<int>(a.colInd.size()));
            }
        }
    }
    return a;
}

// Best seconds per CG iteration over three runs of a fixed iteration count
// on the platform set by usePlatform.
double cgSecondsPerIteration(const Poisson3d& a,
                             kyraSparseStatus (*usePlatform)(kyraSparseHandle, kyraSparsePlan)) {
    kyraSparseHandle h = nullptr;
    kyraSparsePlan plan = nullptr;
    kyraSparseCreate(&h);
    kyraSparseCreatePlan(h, &plan);
    std::vector<double> b(a.n, 1.0), x(a.n, 0.0);
    kyraSparseSetCgSolver(h, plan, nullptr);
    kyraSparseConfig config;
    kyraSparseConfigInit(h, &config);
    config.maxIterations = 200;
    config.relativeTolerance = 1e-15;
    double best = 1e30;
    if (usePlatform(h, plan) == kyraSparseNoError) {
        for (int run = 0; run < 3; ++run) {
            // New data each run: every run starts from x = 0.
            std::fill(x.begin(), x.end(), 0.0);
            kyraSparseSetDcsrData(h, plan, nullptr, a.n, static_cast<int>(a.values.size()), a.values.data(),
                                  a.rowPtr.data(), a.colInd.data(), x.data(), b.data());
            kyraSparseResult result;
            kyraSparseExecutePlan(h, plan, &config, &result);
            if (result.iterations > 0) best = std::min(best, result.solverTime / result.iterations);
        }
    }
    kyraSparseDestroyPlan(plan);
    kyraSparseDestroy(h);
    return best;
}

kyraSparseStatus hostPlatform(kyraSparseHandle h, kyraSparsePlan plan) {
    return kyraSparseSetHostPlatform(h, plan, nullptr);
}
kyraSparseStatus cudaPlatform(kyraSparseHandle h, kyraSparsePlan plan) {
    return kyraSparseSetCudaPlatform(h, plan, nullptr);
}

void benchmarkCg(double copyRate) {
    const Poisson3d a = poisson3d(100);
    const double n = a.n;
    const double bytes = 12.0 * a.values.size() + 4.0 * (n + 1) + 16.0 * n + 144.0 * n;
    const double bound = bytes / copyRate;
    const double cuda = cgSecondsPerIteration(a, cudaPlatform);
    const double host = cgSecondsPerIteration(a, hostPlatform);
    std::printf("cg, 3-D poisson n %d, nnz %zu: traffic bound %.4f ms per iteration\n", a.n, a.values.size(),
                bound * 1e3);
    std::printf("%-28s %10.4f ms %7.2f x bound\n", "cg iteration, cuda", cuda * 1e3, cuda / bound);
    std::printf("%-28s %10.4f ms %7.2f x cuda\n", "cg iteration, host", host * 1e3, host / cuda);
}

}  // namespace

int main() {
    const std::string missing = cudalib::MissingDeviceReason();
    if (!missing.empty()) {
        std::printf("bench_cuda: skipped: %s\n", missing.c_str());
        return 0;
    }
    std::printf("%s", cudalib::GetDeviceInfoPrint(false).c_str());
    Iterative::Context ctx;

    // Device-to-device copy of 2 x 10^7 doubles, the reference rate.
    const long copyLength = 20000000;
    cudalib::CudaBuffer<double> from(copyLength);
    cudalib::CudaBuffer<double> to(copyLength);
    const double copyBytes = 2.0 * copyLength * sizeof(double);
    const double copySeconds = deviceSeconds([&] {
        cudalib::CudaErrorChecker(
            cudaMemcpyAsync(to.get(), from.get(), copyLength * sizeof(double), cudaMemcpyDeviceToDevice, 0));
    });
    const double copyRate = copyBytes / copySeconds;
    std::printf("device-to-device copy: %.1f GB/s\n", copyRate * 1e-9);

    const auto host = fivePointStencil(1000, 4.0, -1.0, -1.0);
    const int n = host->n();
    const double nnz = host->nnz();
    Iterative::CudaCsrMatrixAlloc<double> A(ctx, *host);
    CudaVectorAlloc<double> x(ctx, n);
    CudaVectorAlloc<double> y(ctx, n);
    x.fill_(1.0);
    y.fill_(0.0);
    const double productBytes = 12.0 * nnz + 4.0 * (n + 1) + 16.0 * n;
    std::printf("poisson n %d, nnz %.0f\n", n, nnz);
    const auto product = [&] { A.mvm_(TransOp::NoTrans, 1.0, x, 0.0, y); };
    report("csr product", productBytes, deviceSeconds(product), copyRate);
    report("csr product, transposed", productBytes,
           deviceSeconds([&] { A.mvm_(TransOp::Trans, 1.0, x, 0.0, y); }), copyRate);
    std::printf("sliced-ELL stored entries: %lld\n", A.hybrid().storedEntries());
    report("sliced-ELL product", productBytes, deviceSeconds(product), copyRate);

    const int length = 10000000;
    CudaVectorAlloc<double> u(ctx, length);
    CudaVectorAlloc<double> v(ctx, length);
    u.fill_(1.0);
    v.fill_(2.0);
    double sink = 0;
    report("axpy", 24.0 * length, deviceSeconds([&] { v.axpy_(0.5, u); }), copyRate);
    report("dot (with its wait)", 16.0 * length, hostSeconds([&] { sink += v.dot_(u); }), copyRate);
    report("nrm2 (with its wait)", 8.0 * length, hostSeconds([&] { sink += v.nrm2_(); }), copyRate);
    std::printf("checksum %g\n", sink);
    benchmarkCg(copyRate);
    return 0;
}

#endif
