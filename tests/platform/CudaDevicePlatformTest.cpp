// The CUDA device platform through the public interface. In every CUDA build:
// a misaligned array is refused with status 8 and its name before any device
// work (the arrays here are host memory that is never read), and without a
// usable device an execution ends with a CUDA runtime error. With a device:
// every sparse format and both index bases give the known solution in the
// caller's device x, leaving b and the matrix arrays as they were; bad index
// arrays end the execution with status 4 and the named array; matrix-free
// callbacks receive device pointers.

#include <gtest/gtest.h>

#if defined(KYRA_WITH_CUDA)

#include <cuda_runtime_api.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "common/PublicSolve.h"
#include "common/TestMatrices.h"
#include "cudalib/CudaTestDevice.h"
#include "cudalib/Device.h"
#include "cudalib/Memory.h"
#include "kyraSparse.h"

namespace {

using Iterative::kCooStorage;
using Iterative::kCscStorage;
using Iterative::kCsrStorage;
using Iterative::kMatrixFreeStorage;

void neverCalled(char, const double*, double*, void*) { ADD_FAILURE() << "callback called"; }

template <typename T>
std::vector<T> download(const cudalib::CudaBuffer<T>& buffer) {
    std::vector<T> host(buffer.count());
    cudalib::MemcpyDeviceToHost(host.data(), buffer.get(), host.size());
    return host;
}

double maxError(const std::vector<double>& x, const std::vector<double>& expected) {
    double error = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i) error = std::max(error, std::abs(x[i] - expected[i]));
    return error;
}

class CudaDevicePlan : public PublicPlan {
  protected:
    void SetUp() override {
        PublicPlan::SetUp();
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetCudaDevicePlatform(handle, plan, nullptr));
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetBicgstabSolver(handle, plan, nullptr));
        config.relativeTolerance = 1e-12;
    }

    // The public setter of the storage format; first and second are the
    // arrays in the order of CallerArrays.
    kyraSparseStatus setArrays(int storage, int base, int n, int nnz, const double* a, const int* first,
                               const int* second, double* x, const double* b) {
        if (storage == kCooStorage) {
            const kyraSparseCooOptions opts{base};
            return kyraSparseSetDcooData(handle, plan, &opts, n, nnz, a, first, second, x, b);
        }
        if (storage == kCscStorage) {
            const kyraSparseCscOptions opts{base};
            return kyraSparseSetDcscData(handle, plan, &opts, n, nnz, a, second, first, x, b);
        }
        if (storage == kCsrStorage) {
            const kyraSparseCsrOptions opts{base};
            return kyraSparseSetDcsrData(handle, plan, &opts, n, nnz, a, first, second, x, b);
        }
        return kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, neverCalled, nullptr, x, b);
    }

    kyraSparseStatus setArrays(const CallerArrays<double>& c, double* x, const double* b) {
        return setArrays(c.storage, c.base, c.n, c.nnz(), c.values.data(), c.first.data(), c.second.data(), x,
                         b);
    }
};

// Host memory on a 16-byte boundary; the platform must refuse before reading it.
struct FakeDeviceArrays {
    alignas(16) unsigned char bytes[6][64] = {};
    template <typename P>
    P* at(int array, bool misaligned) {
        return reinterpret_cast<P*>(bytes[array] + (misaligned ? 8 : 0));
    }
};

struct AlignmentCase {
    int storage;
    bool misaligned[5];  // a, first, second, x, b
    std::string detail;
};

TEST_F(CudaDevicePlan, MisalignedArraysAreRefusedBeforeAnyDeviceWork) {
    const AlignmentCase cases[] = {
        {kCsrStorage, {false, false, false, true, false}, "data.x"},
        {kCscStorage, {false, false, false, true, true}, "data.x"},
        {kCooStorage, {false, false, false, true, false}, "data.x"},
        {kMatrixFreeStorage, {false, false, false, true, false}, "data.x"},
        {kMatrixFreeStorage, {true, true, true, false, true}, "data.b"},
        {kCsrStorage, {false, false, true, true, true}, "data.colInd"},
        {kCscStorage, {false, true, false, false, false}, "data.colPtr"},
        {kCooStorage, {true, false, true, true, false}, "data.a"},
    };
    for (const AlignmentCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "storage " << c.storage << ", " << c.detail);
        FakeDeviceArrays fake;
        ASSERT_EQ(kyraSparseNoError,
                  setArrays(c.storage, 0, 4, 4, fake.at<double>(0, c.misaligned[0]),
                            fake.at<int>(1, c.misaligned[1]), fake.at<int>(2, c.misaligned[2]),
                            fake.at<double>(3, c.misaligned[3]), fake.at<double>(4, c.misaligned[4])));
        EXPECT_EQ(kyraSparseAlignmentError, execute());
        EXPECT_EQ("error: " + c.detail + "must be 16-byte aligned", lastStatus());
    }
}

TEST_F(CudaDevicePlan, WithoutADeviceAnExecutionEndsWithACudaRuntimeError) {
    const std::string missing = cudalib::MissingDeviceReason();
    if (missing.empty()) GTEST_SKIP() << "a CUDA device is present";
    const CallerArrays<double> arrays(kCsrStorage, scrambledGrid<double>(3), 9, 0);
    std::vector<double> x(9, 0.0), b(9, 1.0);
    ASSERT_EQ(kyraSparseNoError, setArrays(arrays, x.data(), b.data()));
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(kyraSparseRuntimeError, execute());
        EXPECT_EQ(0u, lastStatus().rfind("cuda runtime error: ", 0)) << lastStatus();
    }
    EXPECT_EQ("cuda device", planText(kyraSparseGetPlatformString));
}

// The caller's system in device memory.
struct DeviceSystem {
    DeviceSystem(const CallerArrays<double>& c, const std::vector<double>& rhs)
        : first(c.first),
          second(c.second),
          values(c.values),
          x(std::vector<double>(rhs.size(), 0.0)),
          b(rhs) {}
    cudalib::CudaBuffer<int> first, second;
    cudalib::CudaBuffer<double> values, x, b;
};

class CudaDeviceSolve : public CudaDevicePlan {
  protected:
    void SetUp() override {
        CudaDevicePlan::SetUp();
        KYRA_REQUIRE_CUDA_DEVICE();
    }

    const int n = 144;
    const std::vector<Entry<double>> entries = scrambledGrid<double>(12);
    const std::vector<double> solution = smoothSolution<double>(n);
    const std::vector<double> rhs = rightHandSide(Csr<double>(n, entries), solution);
};

TEST_F(CudaDeviceSolve, EveryFormatAndBaseSolvesInTheCallersDeviceX) {
    for (int hybrid : {0, 1}) {
        const kyraSparseCudaDeviceOptions opts{0, hybrid, 0};
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetCudaDevicePlatform(handle, plan, &opts));
        for (int base : {0, 1}) {
            for (int storage : {kCooStorage, kCscStorage, kCsrStorage}) {
                SCOPED_TRACE(::testing::Message()
                             << "hybrid " << hybrid << " base " << base << " storage " << storage);
                const CallerArrays<double> arrays(storage, entries, n, base);
                DeviceSystem device(arrays, rhs);
                ASSERT_EQ(kyraSparseNoError,
                          setArrays(storage, base, n, arrays.nnz(), device.values.get(), device.first.get(),
                                    device.second.get(), device.x.get(), device.b.get()));
                // The second execution reuses the prepared system.
                for (int run = 0; run < 2; ++run) {
                    ASSERT_EQ(cudaSuccess, cudaMemset(device.x.get(), 0, n * sizeof(double)));
                    ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
                    EXPECT_EQ(kyraSparseRelativeToleranceReached, result.flag);
                    EXPECT_LT(maxError(download(device.x), solution), 1e-9) << "run " << run;
                }
                EXPECT_EQ(arrays.first, download(device.first));
                EXPECT_EQ(arrays.second, download(device.second));
                EXPECT_EQ(arrays.values, download(device.values));
                EXPECT_EQ(rhs, download(device.b));
            }
        }
    }
}

struct BadIndexCase {
    int storage;
    bool inFirst;  // the bad value goes into first, else into second
    int position, value;
    std::string detail;
};

TEST_F(CudaDeviceSolve, BadIndexArraysEndTheExecutionWithAFormatError) {
    const int lastPointer = static_cast<int>(entries.size());
    const BadIndexCase cases[] = {
        {kCooStorage, false, 17, 1000, "colInd[17] = 1000 is out of range for n = 144"},
        {kCooStorage, true, 3, -1, "rowInd[3] = -1 is out of range for n = 144"},
        {kCsrStorage, true, 0, 1, "rowPtr[0] = 1 must equal the index base 0"},
        {kCsrStorage, false, 40, 144, "colInd[40] = 144 is out of range for n = 144"},
        {kCscStorage, true, 144, lastPointer + 1,
         "colPtr[144] = " + std::to_string(lastPointer + 1) +
             " must equal nnz + base = " + std::to_string(lastPointer)},
    };
    for (const BadIndexCase& c : cases) {
        SCOPED_TRACE(c.detail);
        CallerArrays<double> arrays(c.storage, entries, n, 0);
        (c.inFirst ? arrays.first : arrays.second)[c.position] = c.value;
        DeviceSystem device(arrays, rhs);
        ASSERT_EQ(kyraSparseNoError,
                  setArrays(c.storage, 0, n, arrays.nnz(), device.values.get(), device.first.get(),
                            device.second.get(), device.x.get(), device.b.get()));
        EXPECT_EQ(kyraSparseDataFormatError, execute());
        EXPECT_EQ("error: " + c.detail, lastStatus());
        EXPECT_EQ(std::vector<double>(n, 0.0), download(device.x));
    }
}

bool isDeviceMemory(const void* p) {
    cudaPointerAttributes attributes{};
    return cudaPointerGetAttributes(&attributes, p) == cudaSuccess && attributes.type == cudaMemoryTypeDevice;
}

// y = A x computed on the host from the device vectors the callback is
// given; anything but two device pointers and 'N' is counted and refused.
struct HostProduct {
    static void apply(char op, const double* x, double* y, void* user) {
        HostProduct& self = *static_cast<HostProduct*>(user);
        ++self.calls;
        if (op != 'N' || !isDeviceMemory(x) || !isDeviceMemory(y)) {
            ++self.refused;
            return;
        }
        std::vector<double> hostX(self.A.n());
        cudalib::MemcpyDeviceToHost(hostX.data(), x, hostX.size());
        const std::vector<double> hostY = rightHandSide(self.A, hostX);
        cudalib::MemcpyHostToDevice(y, hostY.data(), hostY.size());
    }

    const Csr<double>& A;
    int calls = 0;
    int refused = 0;
};

TEST_F(CudaDeviceSolve, MatrixFreeCallbacksReceiveDevicePointers) {
    const Csr<double> A(n, entries);
    HostProduct product{A};
    const cudalib::CudaBuffer<double> x(std::vector<double>(n, 0.0)), b(rhs);
    ASSERT_EQ(kyraSparseNoError, kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, HostProduct::apply,
                                                              &product, x.get(), b.get()));
    ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
    EXPECT_GT(product.calls, 5);
    EXPECT_EQ(0, product.refused);
    EXPECT_LT(maxError(download(x), solution), 1e-9);
}

}  // namespace

#endif
