// The CUDA device platform through the public interface. In every CUDA build:
// a misaligned array is refused with status 8 and its name before any device
// work (the arrays here are host memory that is never read). With a device:
// every sparse format and both index bases give the known solution in the
// caller's device x, leaving b and the matrix arrays as they were; bad index
// arrays end the execution with status 4 and the named array; on both CUDA
// platforms the caller's callbacks receive device pointers.

#include <gtest/gtest.h>

#if defined(KYRA_WITH_CUDA)

#include <string>
#include <vector>

#include "common/PublicSolve.h"
#include "common/TestMatrices.h"
#include "cudalib/CudaTestDevice.h"
#include "kyraSparse.h"

namespace {

using Iterative::kCooStorage;
using Iterative::kCscStorage;
using Iterative::kCsrStorage;
using Iterative::kMatrixFreeStorage;

void neverCalled(char, const double*, double*, void*) { ADD_FAILURE() << "callback called"; }

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

    kyraSparseStatus setArrays(const CallerArrays<double>& c, const DeviceSystem& d) {
        return setArrays(c.storage, c.base, c.n, c.nnz(), d.values.get(), d.first.get(), d.second.get(),
                         d.x.get(), d.b.get());
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
        {kCscStorage, {false, true, false, false, false}, "data.colPtr"},
        {kCooStorage, {true, false, true, true, false}, "data.a"},
        {kMatrixFreeStorage, {true, true, true, false, true}, "data.b"},
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
                ASSERT_EQ(kyraSparseNoError, setArrays(arrays, device));
                // The second execution reuses the prepared system.
                for (int run = 0; run < 2; ++run) {
                    ASSERT_EQ(cudaSuccess, cudaMemset(device.x.get(), 0, n * sizeof(double)));
                    ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
                    EXPECT_EQ(kyraSparseRelativeToleranceReached, result.flag);
                    expectAllClose(solution, download(device.x), 1e-9);
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
        ASSERT_EQ(kyraSparseNoError, setArrays(arrays, device));
        EXPECT_EQ(kyraSparseDataFormatError, execute());
        EXPECT_EQ("error: " + c.detail, lastStatus());
        EXPECT_EQ(std::vector<double>(n, 0.0), download(device.x));
    }
}

// y = A x and M^-1 = diag(A)^-1, applied on the host to the device vectors
// the callbacks are given; anything but device pointers and 'N' is counted
// and refused.
struct HostCallbacks {
    static void product(char op, const double* x, double* y, void* user) {
        static_cast<HostCallbacks*>(user)->apply(op, x, y, false);
    }
    static int precondition(char op, const double* in, double* out, void* user) {
        static_cast<HostCallbacks*>(user)->apply(op, in, out, true);
        return 0;
    }
    void apply(char op, const double* in, double* out, bool preconditioner) {
        ++(preconditioner ? preconditionings : products);
        if (op != 'N' || !isDevicePointer(in) || !isDevicePointer(out)) {
            ++refused;
            return;
        }
        std::vector<double> v = download(in, A.n());
        if (preconditioner) {
            for (const Entry<double>& e : A.entries()) {
                if (e.row == e.col) v[e.row] /= e.value;
            }
        } else {
            v = rightHandSide(A, v);
        }
        cudalib::MemcpyHostToDevice(out, v.data(), v.size());
    }

    const Csr<double>& A;
    int products = 0, preconditionings = 0, refused = 0;
};

// The solution lands in the caller's x: on the device for the device
// platform, on the host for the other.
TEST_F(CudaDeviceSolve, MatrixFreeCallbacksReceiveDevicePointers) {
    const Csr<double> A(n, entries);
    for (bool deviceData : {true, false}) {
        SCOPED_TRACE(deviceData ? "cuda device" : "cuda");
        if (!deviceData) {
            ASSERT_EQ(kyraSparseNoError, kyraSparseSetCudaPlatform(handle, plan, nullptr));
        }
        HostCallbacks callbacks{A};
        kyraSparseUserDefinedOptions user{};
        user.dApply = HostCallbacks::precondition;
        ASSERT_EQ(kyraSparseNoError, kyraSparseSetUserDefinedPreconditioner(handle, plan, &user, &callbacks));
        std::vector<double> x(n, 0.0);
        const auto deviceX = upload(x), deviceB = upload(rhs);
        ASSERT_EQ(kyraSparseNoError,
                  kyraSparseSetDmatrixfreeData(handle, plan, nullptr, n, HostCallbacks::product, &callbacks,
                                               deviceData ? deviceX.get() : x.data(),
                                               deviceData ? deviceB.get() : rhs.data()));
        ASSERT_EQ(kyraSparseNoError, execute()) << lastStatus();
        EXPECT_GT(callbacks.products, 5);
        EXPECT_GT(callbacks.preconditionings, 5);
        EXPECT_EQ(0, callbacks.refused);
        expectAllClose(solution, deviceData ? download(deviceX) : x, 1e-9);
    }
}

}  // namespace

#endif
