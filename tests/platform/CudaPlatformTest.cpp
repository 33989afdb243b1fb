// The CUDA platforms through the public interface. Without a device: the
// runtime version, and valid plans that fail with the runtime's own error
// instead of crashing. With one: every solver and preconditioner pair that
// converges on the host converges alike on the device, in the four scalar
// types; reordering and repeated execution; the ILU0 breakdown texts.

#if defined(KYRA_WITH_CUDA)

#include <cuda_runtime_api.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <typeinfo>
#include <vector>

#include "common/PublicSolve.h"
#include "cudalib/CudaTestDevice.h"
#include "solver/SolverTestSupport.h"

namespace {

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

// Without a device either platform is still accepted (it needs none until it
// runs); running reports what the runtime answers and leaves x alone.
TEST_F(CudaPlatformTest, WithoutADeviceExecutionFailsWithTheRuntimeError) {
    if (cudalib::MissingDeviceReason().empty()) GTEST_SKIP() << "a CUDA device is present";
    int device = 0;
    const cudaError_t missing = cudaGetDevice(&device);
    ASSERT_NE(missing, cudaSuccess);
    const std::string text = std::string("cuda runtime error: ") + cudaGetErrorString(missing);
    const Csr<double> A(49, scrambledGrid<double>(7));
    std::vector<double> x(49, 0.25);
    const std::vector<double> b = rightHandSide(A, smoothSolution<double>(49));
    ASSERT_EQ(kyraSparseSetBicgstabSolver(handle, plan, nullptr), kyraSparseNoError);
    ASSERT_EQ(kyraSparseSetJacobiPreconditioner(handle, plan, nullptr), kyraSparseNoError);
    for (bool deviceData : {false, true}) {
        SCOPED_TRACE(deviceData ? "cuda device" : "cuda");
        ASSERT_EQ(deviceData ? kyraSparseSetCudaDevicePlatform(handle, plan, nullptr) : useCuda(2, 1),
                  kyraSparseNoError);
        ASSERT_EQ(setData(A, x, b), kyraSparseNoError);
        for (int run = 0; run < 2; ++run) {
            EXPECT_EQ(execute(), kyraSparseRuntimeError);
            EXPECT_EQ(lastStatus(), text);
        }
    }
    EXPECT_EQ(x, std::vector<double>(49, 0.25));
    EXPECT_EQ(kyraSparsePreinitializeCuda(handle), kyraSparseRuntimeError);
    EXPECT_EQ(lastStatus(), text);
}

// ---------------------------------------------------------------- device

template <auto set>
kyraSparseStatus withDefaults(kyraSparseHandle handle, kyraSparsePlan plan) {
    return set(handle, plan, nullptr);
}

struct Preconditioning {
    const char* name;
    kyraSparseStatus (*set)(kyraSparseHandle, kyraSparsePlan);
};
const Preconditioning kPreconditionings[] = {
    {"none", withDefaults<kyraSparseSetNoPreconditioner>},
    {"jacobi", withDefaults<kyraSparseSetJacobiPreconditioner>},
    {"blockjacobi", withDefaults<kyraSparseSetBlockJacobiPreconditioner>},
    {"ilu0", withDefaults<kyraSparseSetIlu0Preconditioner>},
    {"ainv", withDefaults<kyraSparseSetAinvPreconditioner>},
    {"fainv", withDefaults<kyraSparseSetFainvPreconditioner>},
};

// The solver tests' system for a method, with a varying diagonal so that
// Jacobi is no multiple of the identity.
template <typename T>
Csr<T> systemFor(const solvertest::Method& method) {
    const Csr<T> system = solvertest::systemFor<T>(method, 10);
    std::vector<Entry<T>> entries = system.entries();
    for (Entry<T>& e : entries) {
        if (e.row == e.col) e.value += scalar<T>(0.3 * (e.row % 7));
    }
    return Csr<T>(system.n(), entries);
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
        double relativeResidual;  // of the returned x
    };

    // One solve from x = 0 on the host (cuda false) or the CUDA platform.
    template <typename T>
    Outcome solve(const Csr<T>& A, const std::vector<T>& b, const solvertest::Method& method,
                  const Preconditioning& pc, bool cuda) {
        std::vector<T> x(A.n(), T(0));
        EXPECT_EQ(cuda ? useCuda() : kyraSparseSetHostPlatform(handle, plan, nullptr), kyraSparseNoError);
        EXPECT_EQ(method.set(handle, plan), kyraSparseNoError);
        EXPECT_EQ(pc.set(handle, plan), kyraSparseNoError);
        EXPECT_EQ(setData(A, x, b), kyraSparseNoError);
        const kyraSparseStatus status = execute();
        return {status, result.flag, result.iterations, trueResidual(A, b, x) / norm(b)};
    }

    // Compares the pairs that converge on the host well inside the limit;
    // returns how many were compared.
    template <typename T>
    int compareAllPairs() {
        config.relativeTolerance = solvertest::solveTolerance<T>();
        int compared = 0;
        for (const solvertest::Method& method :
             {solvertest::cg(), solvertest::bicg(), solvertest::bicg(1), solvertest::bicgstab(),
              solvertest::bicgstabl(2), solvertest::gmres(20), solvertest::minres()}) {
            const Csr<T> A = systemFor<T>(method);
            const std::vector<T> b = rightHandSide(A, smoothSolution<T>(A.n()));
            for (const Preconditioning& pc : kPreconditionings) {
                const Outcome host = solve(A, b, method, pc, false);
                if (host.status != kyraSparseNoError || host.iterations > config.maxIterations / 2 ||
                    host.relativeResidual > 10 * config.relativeTolerance)
                    continue;
                SCOPED_TRACE(method.name + " " + pc.name + " in " + typeid(T).name());
                const Outcome device = solve(A, b, method, pc, true);
                EXPECT_EQ(device.status, kyraSparseNoError) << lastStatus();
                EXPECT_EQ(device.flag, host.flag);
                EXPECT_LE(std::abs(device.iterations - host.iterations), std::max(3, host.iterations / 20))
                    << "host " << host.iterations << ", cuda " << device.iterations;
                EXPECT_LE(device.relativeResidual, 10 * config.relativeTolerance);
                ++compared;
            }
        }
        return compared;
    }
};

TEST_F(CudaPlatformDeviceTest, PairsConvergingOnTheHostConvergeAlikeOnTheDevice) {
    config.maxIterations = 1000;
    EXPECT_GE(compareAllPairs<float>(), 40);
    EXPECT_GE(compareAllPairs<double>(), 40);
    EXPECT_GE(compareAllPairs<kyra::Complex<float>>(), 40);
    EXPECT_GE(compareAllPairs<kyra::Complex<double>>(), 40);
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

// The breakdowns of the incomplete factorisation on the device read as on
// the host.
TEST_F(CudaPlatformDeviceTest, Ilu0BreakdownsReportTheHostTexts) {
    const std::pair<std::vector<Entry<double>>, const char*> cases[] = {
        {{{0, 0, 2.0}, {1, 0, 1.0}, {2, 2, 3.0}, {0, 2, 1.0}},
         "preconditioner error: input matrix is missing a diagonal element"},
        {{{0, 0, 0.0}, {1, 0, 1.0}, {1, 1, 2.0}, {0, 1, 1.0}, {2, 2, 1.0}},
         "preconditioner error: input matrix has an explicit zero on the diagonal"},
        {{{0, 0, 2.0}, {1, 1, 2.0}, {2, 2, 3.0}, {2, 0, 1.0}},
         "preconditioner error: input matrix must be sorted"}};
    for (const auto& [entries, text] : cases) {
        ASSERT_EQ(useCuda(), kyraSparseNoError);
        ASSERT_EQ(kyraSparseSetGmresSolver(handle, plan, nullptr), kyraSparseNoError);
        ASSERT_EQ(kyraSparseSetIlu0Preconditioner(handle, plan, nullptr), kyraSparseNoError);
        const Csr<double> A(3, entries);
        std::vector<double> x(3, 0.0);
        const std::vector<double> b(3, 1.0);
        ASSERT_EQ(setData(A, x, b), kyraSparseNoError);
        EXPECT_EQ(execute(), kyraSparsePreconditionerError);
        EXPECT_EQ(lastStatus(), text);
    }
}

}  // namespace

#endif
