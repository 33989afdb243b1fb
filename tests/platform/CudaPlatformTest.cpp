// The CUDA platform through the public interface. Without a device: the
// runtime queries, and a valid plan that fails with the runtime's own error
// instead of crashing. With one: every solver and preconditioner pair that
// converges on the host converges on the device alike, on the shipped samples
// and on real matrices; reordering, repeated execution, matrix-free data and
// user callbacks on device addresses; the ILU0 breakdown texts.

#if defined(KYRA_WITH_CUDA)

#include <cuda_runtime_api.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/PublicSolve.h"
#include "cudalib/CudaTestDevice.h"

namespace {

using Complex = kyra::Complex<double>;

class CudaPlatformTest : public PublicPlan {
  protected:
    kyraSparseStatus useCuda(int reordering = 0, int hybrid = 0) {
        const kyraSparseCudaOptions options{static_cast<kyraSparseReordering>(reordering), 0, hybrid, 0};
        return kyraSparseSetCudaPlatform(handle, plan, &options);
    }
};

TEST_F(CudaPlatformTest, RuntimeVersionIsTheToolkits) {
    int version = 0;
    EXPECT_EQ(kyraSparseGetCudaRuntimeVersion(handle, &version), kyraSparseNoError);
    EXPECT_EQ(version, CUDART_VERSION);
}

// Without a device the platform is still accepted (it needs none until it
// runs); running reports what the runtime answers and leaves x alone.
TEST_F(CudaPlatformTest, WithoutADeviceExecutionFailsWithTheRuntimeError) {
    if (cudalib::MissingDeviceReason().empty()) GTEST_SKIP() << "a CUDA device is present";
    int device = 0;
    const cudaError_t missing = cudaGetDevice(&device);
    ASSERT_NE(missing, cudaSuccess);
    const Csr<double> A(49, scrambledGrid<double>(7));
    std::vector<double> x(49, 0.25);
    const std::vector<double> b = rightHandSide(A, smoothSolution<double>(49));
    ASSERT_EQ(useCuda(2, 1), kyraSparseNoError);
    EXPECT_EQ(planText(kyraSparseGetPlatformString), "cuda");
    ASSERT_EQ(kyraSparseSetBicgstabSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetJacobiPreconditioner(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(setData(A, x, b), kyraSparseNoError);
    const std::string text = std::string("cuda runtime error: ") + cudaGetErrorString(missing);
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(execute(), kyraSparseRuntimeError);
        EXPECT_EQ(lastStatus(), text);
    }
    EXPECT_EQ(x, std::vector<double>(49, 0.25));
    EXPECT_EQ(kyraSparsePreinitializeCuda(handle), kyraSparseRuntimeError);
    EXPECT_EQ(lastStatus(), text);
}

// ---------------------------------------------------------------- device

// A Matrix Market coordinate file (real or complex; general, symmetric,
// hermitian or skew-symmetric) as zero-based entries of T.
template <typename T>
bool readMatrix(const std::string& path, int& n, std::vector<Entry<T>>& entries) {
    std::ifstream in(path);
    std::string banner, line;
    if (!std::getline(in, banner)) return false;
    const bool complex = banner.find("complex") != std::string::npos;
    const bool hermitian = banner.find("hermitian") != std::string::npos;
    const bool skew = banner.find("skew") != std::string::npos;
    const bool mirrored = hermitian || skew || banner.find("symmetric") != std::string::npos;
    while (std::getline(in, line) && line[0] == '%') {
    }
    int columns = 0, count = 0;
    std::istringstream(line) >> n >> columns >> count;
    for (int k = 0; k < count; ++k) {
        int i = 0, j = 0;
        double re = 0.0, im = 0.0;
        in >> i >> j >> re;
        if (complex) in >> im;
        const T v = scalar<T>(re, im);
        entries.push_back({i - 1, j - 1, v});
        if (mirrored && i != j) {
            const T w = hermitian ? kyra::conj(v) : skew ? T(0) - v : v;
            entries.push_back({j - 1, i - 1, w});
        }
    }
    return static_cast<bool>(in);
}

using Setter = kyraSparseStatus (*)(kyraSparseHandle, kyraSparsePlan, const void*);
template <typename Options>
Setter setter(kyraSparseStatus (*f)(kyraSparseHandle, kyraSparsePlan, const Options*)) {
    return reinterpret_cast<Setter>(f);
}

struct Choice {
    const char* name;
    Setter set;
};

const Choice kSolvers[] = {
    {"cg", setter(kyraSparseSetCgSolver)},
    {"bicg", setter(kyraSparseSetBicgSolver)},
    {"bicgstab", setter(kyraSparseSetBicgstabSolver)},
    {"bicgstabl", setter(kyraSparseSetBicgstablSolver)},
    {"gmres", setter(kyraSparseSetGmresSolver)},
    {"minres", setter(kyraSparseSetMinresSolver)},
};
const Choice kPreconditioners[] = {
    {"none", setter(kyraSparseSetNoPreconditioner)},
    {"jacobi", setter(kyraSparseSetJacobiPreconditioner)},
    {"blockjacobi", setter(kyraSparseSetBlockJacobiPreconditioner)},
    {"ilu0", setter(kyraSparseSetIlu0Preconditioner)},
    {"ainv", setter(kyraSparseSetAinvPreconditioner)},
    {"fainv", setter(kyraSparseSetFainvPreconditioner)},
};

struct MatrixCase {
    std::string path;
    bool complex;
};

std::vector<MatrixCase> matrixCases() {
    const std::string samples = std::string(KYRA_SOURCE_DIR) + "/samples/";
    const std::string shared = std::string(KYRA_SHARED_MATRICES) + "/";
    return {{samples + "poisson2d_60.mtx", false}, {samples + "convdiff2d_50.mtx", false},
            {shared + "494_bus.mtx", false},       {shared + "orsirr_1.mtx", false},
            {shared + "mhd1280b.mtx", true},       {shared + "young1c.mtx", true}};
}

class CudaPlatformDeviceTest : public CudaPlatformTest {
  protected:
    void SetUp() override {
        CudaPlatformTest::SetUp();
        KYRA_REQUIRE_CUDA_DEVICE();
    }

    struct Outcome {
        kyraSparseStatus status;
        kyraSparseFlag flag;
        int iterations;
        double trueResidual;  // relative, of the returned x
    };

    // One solve from x = 0 on the host (cuda false) or the CUDA platform.
    template <typename T>
    Outcome solve(const Csr<T>& A, const std::vector<T>& b, const Choice& solver, const Choice& pc,
                  bool cuda) {
        std::vector<T> x(A.n(), T(0));
        EXPECT_EQ(cuda ? useCuda() : kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(solver.set(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(pc.set(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(setData(A, x, b), kyraSparseNoError);
        const kyraSparseStatus status = execute();
        const std::vector<T> zero(A.n(), T(0));
        return {status, result.flag, result.iterations, trueResidual(A, b, x) / trueResidual(A, b, zero)};
    }

    // Compares the pairs that converge on the host well inside the limit;
    // returns how many were compared.
    template <typename T>
    int compareAllPairs(const std::string& path) {
        int n = 0;
        std::vector<Entry<T>> entries;
        if (!readMatrix(path, n, entries)) return 0;
        const Csr<T> A(n, entries);
        const std::vector<T> b = rightHandSide(A, smoothSolution<T>(n));
        const double tolerance = config.relativeTolerance;
        int compared = 0;
        for (const Choice& solver : kSolvers) {
            for (const Choice& pc : kPreconditioners) {
                const Outcome host = solve(A, b, solver, pc, false);
                if (host.status != kyraSparseNoError || host.iterations > config.maxIterations / 2 ||
                    host.trueResidual > 10 * tolerance)
                    continue;
                SCOPED_TRACE(path + " " + solver.name + " " + pc.name);
                const Outcome device = solve(A, b, solver, pc, true);
                EXPECT_EQ(device.status, kyraSparseNoError) << lastStatus();
                EXPECT_EQ(device.flag, host.flag);
                EXPECT_LE(std::abs(device.iterations - host.iterations), std::max(3, host.iterations / 20))
                    << "host " << host.iterations << ", cuda " << device.iterations;
                EXPECT_LE(device.trueResidual, 10 * tolerance);
                ++compared;
            }
        }
        return compared;
    }
};

TEST_F(CudaPlatformDeviceTest, PairsConvergingOnTheHostConvergeAlikeOnTheDevice) {
    config.maxIterations = 1000;
    int compared = 0;
    for (const MatrixCase& m : matrixCases()) {
        compared += m.complex ? compareAllPairs<Complex>(m.path) : compareAllPairs<double>(m.path);
    }
    EXPECT_GE(compared, 20);
}

// Reordered, hybrid: the solution comes back in the caller's numbering. A
// second run without new data starts from the device's x, whatever the
// caller wrote into x in between, and returns it again.
TEST_F(CudaPlatformDeviceTest, ReorderedSolutionIsInTheCallersNumberingAndRerunsStartFromTheDevice) {
    const Csr<double> A(400, scrambledGrid<double>(20));
    const std::vector<double> xStar = smoothSolution<double>(400);
    const std::vector<double> b = rightHandSide(A, xStar);
    std::vector<double> x(400, 0.0);
    ASSERT_EQ(useCuda(kyraSparseSymamdReordering, 1), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetGmresSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetIlu0Preconditioner(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(setData(A, x, b), kyraSparseNoError);
    ASSERT_EQ(execute(), kyraSparseNoError) << lastStatus();
    EXPECT_GT(result.iterations, 0);
    for (int i = 0; i < 400; ++i) EXPECT_NEAR(x[i], xStar[i], 1e-4) << i;
    std::fill(x.begin(), x.end(), 1e3);
    ASSERT_EQ(execute(), kyraSparseNoError) << lastStatus();
    EXPECT_EQ(result.iterations, 0);
    for (int i = 0; i < 400; ++i) EXPECT_NEAR(x[i], xStar[i], 1e-4) << i;
}

bool isDevicePointer(const void* p) {
    cudaPointerAttributes attributes{};
    return cudaPointerGetAttributes(&attributes, p) == cudaSuccess && attributes.type == cudaMemoryTypeDevice;
}

// The caller's matrix A = tridiag(-1, 4, -1) applied through host copies of
// the device arrays it receives.
void tridiagonalProduct(char, const double* x, double* y, void* user) {
    const int n = *static_cast<int*>(user);
    if (!isDevicePointer(x) || !isDevicePointer(y)) std::abort();
    std::vector<double> in(n), out(n);
    cudaMemcpy(in.data(), x, n * sizeof(double), cudaMemcpyDeviceToHost);
    for (int i = 0; i < n; ++i) out[i] = 4 * in[i] - (i > 0 ? in[i - 1] : 0) - (i + 1 < n ? in[i + 1] : 0);
    cudaMemcpy(y, out.data(), n * sizeof(double), cudaMemcpyHostToDevice);
}

// M^-1 = diag(1/4) on device arrays, counting its calls.
int quarter(char, const double* in, double* out, void* user) {
    if (!isDevicePointer(in) || !isDevicePointer(out)) std::abort();
    ++*static_cast<int*>(user);
    const int n = 300;
    std::vector<double> v(n);
    cudaMemcpy(v.data(), in, n * sizeof(double), cudaMemcpyDeviceToHost);
    for (double& e : v) e *= 0.25;
    cudaMemcpy(out, v.data(), n * sizeof(double), cudaMemcpyHostToDevice);
    return 0;
}

TEST_F(CudaPlatformDeviceTest, CallbacksReceiveDeviceAddressesAndTheSolutionReturnsToTheHost) {
    int n = 300, applications = 0;
    std::vector<Entry<double>> entries;
    for (int i = 0; i < n; ++i) {
        entries.push_back({i, i, 4.0});
        if (i > 0) entries.push_back({i, i - 1, -1.0});
        if (i + 1 < n) entries.push_back({i, i + 1, -1.0});
    }
    const Csr<double> A(n, entries);
    const std::vector<double> xStar = smoothSolution<double>(n);
    const std::vector<double> b = rightHandSide(A, xStar);
    std::vector<double> x(n, 0.0);
    ASSERT_EQ(useCuda(0, 1), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetCgSolver(handle, plan, nullptr), kyraSparseNoError);
    kyraSparseUserDefinedOptions user{};
    user.dApply = quarter;
    ASSERT_EQ(kyraSparseSetUserDefinedPreconditioner(handle, plan, &user, &applications), kyraSparseNoError);
    ASSERT_EQ(
        kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, tridiagonalProduct, &n, x.data(), b.data()),
        kyraSparseNoError);
    ASSERT_EQ(execute(), kyraSparseNoError) << lastStatus();
    EXPECT_GT(applications, 0);
    EXPECT_LE(trueResidual(A, b, x), 1e-5 * trueResidual(A, b, std::vector<double>(n, 0.0)));
}

// The breakdowns of the incomplete factorisation read as on the host.
TEST_F(CudaPlatformDeviceTest, Ilu0BreakdownsReportTheHostTexts) {
    const std::vector<Entry<double>> missing = {{0, 0, 2.0}, {1, 0, 1.0}, {2, 2, 3.0}, {0, 2, 1.0}};
    const std::vector<Entry<double>> zero = {{0, 0, 0.0}, {1, 0, 1.0}, {1, 1, 2.0}, {0, 1, 1.0}, {2, 2, 1.0}};
    const std::vector<Entry<double>> unsorted = {{0, 0, 2.0}, {1, 1, 2.0}, {2, 2, 3.0}, {2, 0, 1.0}};
    const std::pair<const std::vector<Entry<double>>*, const char*> cases[] = {
        {&missing, "preconditioner error: input matrix is missing a diagonal element"},
        {&zero, "preconditioner error: input matrix has an explicit zero on the diagonal"},
        {&unsorted, "preconditioner error: input matrix must be sorted"}};
    for (const auto& [entries, text] : cases) {
        const Csr<double> A(3, *entries);
        std::vector<double> x(3, 0.0);
        const std::vector<double> b(3, 1.0);
        for (bool cuda : {false, true}) {
            SCOPED_TRACE(cuda ? "cuda" : "host");
            ASSERT_EQ(cuda ? useCuda() : kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
            ASSERT_EQ(kyraSparseSetGmresSolver(handle, plan, nullptr), kyraSparseNoError);
            ASSERT_EQ(kyraSparseSetIlu0Preconditioner(handle, plan, nullptr), kyraSparseNoError);
            ASSERT_EQ(setData(A, x, b), kyraSparseNoError);
            EXPECT_EQ(execute(), kyraSparsePreconditionerError);
            EXPECT_EQ(lastStatus(), text);
        }
    }
}

}  // namespace

#endif
